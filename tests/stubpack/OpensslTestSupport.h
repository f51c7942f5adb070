// The openssl command line for the tests that check our keys and signatures
// against OpenSSL's.
#pragma once

#include <cstdlib>
#include <string>

namespace orvane::stubpack::test {

inline bool HaveOpenssl() {
  return std::system("openssl version >/dev/null 2>&1") == 0;
}

// Runs `openssl <arguments>` quietly; true when it exits with 0.
inline bool Openssl(const std::string& arguments) {
  return std::system(("openssl " + arguments + " >/dev/null 2>&1").c_str()) == 0;
}

}  // namespace orvane::stubpack::test
