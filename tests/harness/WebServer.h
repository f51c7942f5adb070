// WebServer: the test web servers on loopback, as a test running under Wine
// sees them. tests/harness/web-up (the ctest fixture "web") starts nginx on an
// HTTP port, an HTTPS port whose certificate for "localhost" comes from a test
// authority trusted in the test Wine prefix, and an HTTPS port whose
// certificate comes from an authority trusted nowhere; and the scripted fault
// server (tests/harness/faultserver.py) for the faults nginx cannot make. All
// of them serve the same document root: a test writes its files there and
// downloads them by URL. The URLs are empty when the servers are not up
// (web-down removes the port files); the paths are empty outside the harness.
#pragma once

#include <string>

namespace orvane::test {

// The faults of the scripted server; each takes a file path under the
// document root.
enum class WebFault {
  NotFound,   // 404 with an HTML page
  ErrorPage,  // 200 with an HTML page in place of the file
  Empty,      // 200 with Content-Length: 0
  NoLength,   // 200, the whole file, no Content-Length, closed at the end
  Truncate,   // 200, the full Content-Length, half of the bytes, then closed
  Stall,      // 200, the full Content-Length, the first 64 KB, then silence
  Redirect,   // 302 to WebHttpUrl of the same path
  Oversize,   // 200, a Content-Length 1000 bytes short, the whole file, closed
};

// The document root as a Windows path (Z:\...), and the Windows path of a
// file in it (`path` relative, with '/' or '\').
std::string WebDocRoot();
std::string WebDocFile(const std::string& path);

// URLs of a file of the document root; `path` is relative, URL-encoded where
// it needs to be.
std::string WebHttpUrl(const std::string& path);                   // http://127.0.0.1:P/path
std::string WebHttpsUrl(const std::string& path);                  // https://localhost:P/path
std::string WebUntrustedHttpsUrl(const std::string& path);         // https://localhost:U/path
std::string WebFaultUrl(WebFault fault, const std::string& path);  // http://127.0.0.1:F/fault/path

}  // namespace orvane::test
