// InetHTTP: the launcher's only network code, HTTP(S) downloads through the
// system's WinINet library.
//
// HTTP_DownloadFile fetches one URL into a file (written under a temporary
// name as it arrives and given the destination's name only when complete)
// or into memory. The other operations answer small questions: is the
// machine connected, how large is a file on the server, is a downloaded text
// a web server's error page.
//
// WinINet is loaded from the System folder on first use, never imported, so
// that a launcher that downloads nothing never loads it and a wininet.dll
// planted beside the launcher is never taken. Its calls block (a connection
// that stalls keeps a read waiting for minutes), so a download runs them on
// a transfer thread of its own that touches no window; the calling GUI
// thread keeps serving its message queue, moves the progress bar and, when
// the main window is closed (the abort flag), cuts the connection so the
// download ends at once. The text rules live in InetHTTPText.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "agent/InetHTTPAbort.h"
#include "agent/InetHTTPText.h"

namespace orvane {

class TProgBar;

// Figures of the last download of the process, for traces and benchmarks.
struct DownloadFigures {
  uint64_t bytes = 0;        // bytes received
  double milliseconds = 0;   // from the first request to the end of the transfer
  uint32_t queueServes = 0;  // times the message queue was served meanwhile
  uint32_t reads = 0;        // reads that delivered bytes
};

// Downloads `url` (HTTP_UrlWithScheme) into `destination`, or into
// `memoryData` when `destination` is empty. `window`, when above 10, is shown
// once the transfer starts (the main window carries the bars); `reporter`
// (may be null) gets the progress. Success is an empty `error`; a file
// download then has put the complete file at `destination`. Any failure
// leaves the destination as it was and the bytes received under the
// temporary name (HTTP_TempFileName). Clear the abort flag (HTTP_SetAbort)
// before calling.
void HTTP_DownloadFile(HWND window, const std::string& url, const std::string& destination,
                       std::string* memoryData, TProgBar* reporter, std::string& error);

// The figures of the last HTTP_DownloadFile of the process.
const DownloadFigures& HTTP_LastDownloadFigures();

// The length of the file at `url` as the server announces it; -1 when it
// announces none or the URL cannot be opened.
int64_t HTTP_GetFileSize(const std::string& url);

// Whether the system reports an Internet connection; otherwise false with
// the system's text of the last error in `errorText` (may be empty).
bool HTTP_InternetConnected(std::string& errorText);

// Whether `data`, or the first bytes of the file `fileName` when it is not
// empty and exists, look like a web server's error page
// (HTTP_IsNotFoundPageText).
bool HTTP_IsNotFoundPage(const std::string& fileName, std::string_view data);

// `defaultText`, or the not-found message for `url` when HTTP_IsNotFoundPage
// holds for `fileName` / `data`.
std::string HTTP_NotFoundText(const std::string& fileName, std::string_view data,
                              std::string_view url, std::string_view defaultText);

}  // namespace orvane
