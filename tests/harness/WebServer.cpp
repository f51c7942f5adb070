#include "harness/WebServer.h"

#include <cstdlib>

#include "harness/TestPaths.h"

namespace orvane::test {

namespace {

// web-up's folder; tests/harness/wine-run passes the harness folder's
// Windows form.
std::string WebDir() {
  const char* harness = std::getenv("ORVANE_WIN_HARNESS_DIR");
  return harness && *harness ? std::string(harness) + "\\web" : std::string();
}

// The port web-up wrote into `file`, digits only; empty when there is none.
std::string Port(const char* file) {
  const std::string dir = WebDir();
  if (dir.empty())
    return {};
  const std::string text = ReadWholeFile(dir + "\\" + file);
  const size_t end = text.find_first_not_of("0123456789");
  return text.substr(0, end);
}

std::string Url(const char* scheme, const char* host, const char* portFile,
                const std::string& path) {
  const std::string port = Port(portFile);
  if (port.empty())
    return {};
  const size_t start = path.find_first_not_of('/');
  return std::string(scheme) + "://" + host + ":" + port + "/" +
         (start == std::string::npos ? std::string() : path.substr(start));
}

const char* FaultName(WebFault fault) {
  switch (fault) {
    case WebFault::NotFound:
      return "notfound";
    case WebFault::ErrorPage:
      return "errorpage";
    case WebFault::Empty:
      return "empty";
    case WebFault::NoLength:
      return "nolength";
    case WebFault::Truncate:
      return "truncate";
    case WebFault::Stall:
      return "stall";
    case WebFault::Redirect:
      return "redirect";
    case WebFault::Oversize:
      return "oversize";
  }
  return "";
}

}  // namespace

std::string WebDocRoot() {
  const std::string dir = WebDir();
  return dir.empty() ? dir : dir + "\\root";
}

std::string WebDocFile(const std::string& path) {
  const std::string root = WebDocRoot();
  if (root.empty())
    return root;
  std::string relative = path;
  for (char& c : relative) {
    if (c == '/')
      c = '\\';
  }
  const size_t start = relative.find_first_not_of('\\');
  return root + "\\" + (start == std::string::npos ? std::string() : relative.substr(start));
}

std::string WebHttpUrl(const std::string& path) {
  return Url("http", "127.0.0.1", "http.port", path);
}

std::string WebHttpsUrl(const std::string& path) {
  return Url("https", "localhost", "https.port", path);
}

std::string WebUntrustedHttpsUrl(const std::string& path) {
  return Url("https", "localhost", "https-untrusted.port", path);
}

std::string WebFaultUrl(WebFault fault, const std::string& path) {
  const size_t start = path.find_first_not_of('/');
  return Url("http", "127.0.0.1", "fault.port",
             std::string(FaultName(fault)) + "/" +
                 (start == std::string::npos ? std::string() : path.substr(start)));
}

}  // namespace orvane::test
