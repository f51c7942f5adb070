// SystemCrypto: SHA-256 and ECDSA signature checks by the system's bcrypt.dll.
//
// The launcher carries no cryptographic code of its own: Windows has SHA-256
// and ECDSA on the curve P-256 in its CNG library (bcrypt.dll, Vista and
// later), loaded from the System folder on first use. Reading pumps the message queue about every
// 10 ms, so a window stays responsive while a large file is hashed.
#pragma once

#include <string>
#include <string_view>

namespace orvane {

// The SHA-256 of the file `path` as 64 lowercase hexadecimal digits; empty
// with `error` set when the file cannot be read or the system cannot hash.
std::string Sha256OfFile(const std::string& path, std::string* error);

// Whether `signature` (r then s, 32 bytes each) is an ECDSA signature by the
// P-256 key `publicKey` (X then Y, 32 bytes each) of the SHA-256 of `data`.
// False as well, with `error` set, when the system cannot check.
bool VerifyP256Signature(std::string_view publicKey, std::string_view data,
                         std::string_view signature, std::string* error);

}  // namespace orvane
