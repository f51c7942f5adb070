// FileHash: the SHA-256 of a file, computed by the system's bcrypt.dll.
//
// The launcher carries no hashing code of its own: Windows has SHA-256 in
// its CNG library (bcrypt.dll, Vista and later), loaded from the System
// folder on first use. Reading pumps the message queue about every 10 ms, so
// a window stays responsive while a large file is hashed.
#pragma once

#include <string>

namespace orvane {

// The SHA-256 of the file `path` as 64 lowercase hexadecimal digits; empty
// with `error` set when the file cannot be read or the system cannot hash.
std::string Sha256OfFile(const std::string& path, std::string* error);

}  // namespace orvane
