// addroot CERTFILE: adds a certificate (DER, or PEM with its BEGIN/END lines)
// to the current user's trusted root store. tests/harness/web-up runs it in
// the test Wine prefix so that the launcher trusts the test web server's
// certificate authority there, and nowhere else. Exit code 0 when the
// certificate is in the store, 1 when it could not be added, 2 on a wrong
// call or an unreadable file.
#include <windows.h>
// After windows.h, whose types it uses.
#include <wincrypt.h>

#include <cstdio>
#include <string>

#include "harness/TestPaths.h"

namespace {

// The certificate's DER bytes: the file as it is, or decoded from PEM.
std::string DerBytes(const std::string& file) {
  if (file.find("-----BEGIN") == std::string::npos)
    return file;
  DWORD size = 0;
  if (!::CryptStringToBinaryA(file.data(), static_cast<DWORD>(file.size()),
                              CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr))
    return {};
  std::string der(size, '\0');
  if (!::CryptStringToBinaryA(file.data(), static_cast<DWORD>(file.size()),
                              CRYPT_STRING_BASE64HEADER, reinterpret_cast<BYTE*>(der.data()), &size,
                              nullptr, nullptr))
    return {};
  der.resize(size);
  return der;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: addroot CERTFILE\n");
    return 2;
  }
  const std::string der = DerBytes(orvane::test::ReadWholeFile(argv[1]));
  if (der.empty()) {
    std::fprintf(stderr, "addroot: no certificate in %s\n", argv[1]);
    return 2;
  }
  if (!::CertAddEncodedCertificateToSystemStoreA("ROOT", reinterpret_cast<const BYTE*>(der.data()),
                                                 static_cast<DWORD>(der.size()))) {
    std::fprintf(stderr, "addroot: adding %s to the root store failed, error 0x%08lx\n", argv[1],
                 ::GetLastError());
    return 1;
  }
  return 0;
}
