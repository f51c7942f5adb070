// inetloop URL OUTFILE: the benchmark's yardstick for downloads.
//
// The plainest WinINet download there is: one request with the flags the
// launcher uses (the system's proxy settings, always from the server, nothing
// written to the system's cache), then InternetReadFile into a 1 MiB buffer
// and WriteFile of each read into OUTFILE, one thread, no window, no
// progress. The launcher's download does the same work plus its transfer
// thread, its growing read sizes and a GUI thread that serves the message
// queue; its figure is compared with this one.
//
// Prints: bytes=<bytes written> reads=<reads that delivered bytes>
// ms=<elapsed> status=<HTTP status>. The time runs from opening the Internet
// session to closing the file. Exit code 1 when the download fails or the
// server answers with an error status, 2 on a wrong call.
#include <windows.h>
// After windows.h, whose types it uses.
#include <wininet.h>

#include <cstdio>
#include <vector>

namespace {

constexpr DWORD kReadSize = 1u << 20;

double NowMs() {
  LARGE_INTEGER frequency;
  LARGE_INTEGER now;
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

int Fail(const char* what) {
  std::fprintf(stderr, "inetloop: %s failed, error %lu\n", what, ::GetLastError());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: inetloop URL OUTFILE\n");
    return 2;
  }
  const double start = NowMs();
  HINTERNET root = ::InternetOpenA("inetloop", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  if (root == nullptr)
    return Fail("InternetOpen");
  HINTERNET request = ::InternetOpenUrlA(root, argv[1], nullptr, 0,
                                         INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0);
  if (request == nullptr)
    return Fail("InternetOpenUrl");
  DWORD status = 0;
  DWORD size = sizeof status;
  if (!::HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                        nullptr))
    return Fail("HttpQueryInfo");
  if (status >= 400) {
    std::fprintf(stderr, "inetloop: the server answered %lu\n", status);
    return 1;
  }
  HANDLE file = ::CreateFileA(argv[2], GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return Fail("CreateFile");
  std::vector<char> buffer(kReadSize);
  unsigned long long bytes = 0;
  unsigned long reads = 0;
  for (;;) {
    DWORD got = 0;
    if (!::InternetReadFile(request, buffer.data(), kReadSize, &got))
      return Fail("InternetReadFile");
    if (got == 0)
      break;
    DWORD written = 0;
    if (!::WriteFile(file, buffer.data(), got, &written, nullptr) || written != got)
      return Fail("WriteFile");
    bytes += got;
    ++reads;
  }
  ::CloseHandle(file);
  ::InternetCloseHandle(request);
  ::InternetCloseHandle(root);
  const double ms = NowMs() - start;
  std::printf("bytes=%llu reads=%lu ms=%.1f status=%lu\n", bytes, reads, ms, status);
  return 0;
}
