// InetHTTPText: the portable rules of the HTTP download, apart from WinINet.
//
// What InetHTTP decides without asking the system: the URL it opens, the
// temporary file a download is written to and the old ones it removes, the
// name shown to the user, the size of each read, the progress bar's range
// and positions, whether a downloaded text is a web server's error page, and
// the error texts of a download. Everything here is text and numbers; the
// WinINet binding, the files and the clock stay in InetHTTP.
//
// Lengths are 64-bit, so files beyond 4 GiB count right; a server that sends
// no Content-Length gives kUnknownLength. The progress shown to the user is
// that of the classic loop (one bar step per read of a tenth of the file, at
// most 8192 bytes), also when the loop reads far more per call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "util/PathText.h"

namespace orvane {

// The length of a download whose server sent no Content-Length.
constexpr uint64_t kUnknownLength = UINT64_MAX;
// The length the progress assumes for kUnknownLength: the all-bits-set value
// the 32-bit Content-Length query starts from.
constexpr uint64_t kUnknownProgressLength = 0xFFFFFFFFu;
// The largest read of the classic loop (its transfer buffer).
constexpr uint32_t kChunkLimit = 8192;
// The largest read the loop may ask for.
constexpr uint32_t kMaxReadSize = 1u << 20;
// The bytes of a download HTTP_IsNotFoundPageText looks at.
constexpr size_t kNotFoundPageScan = 1000;

// ---------------------------------------------------------------------------
// Names

// The URL to open: `url` as it is when it starts with a scheme and "://"
// (letters, then letters, digits, "+", "-" or ".", in any case: "https://",
// "HTTP://", "ftp://"), otherwise "http://" + `url`. A "://" further on (in
// a query) names no scheme.
std::string HTTP_UrlWithScheme(std::string_view url);

// The temporary file a download to `destination` is written to:
// destination + "." + the decimal text of (length + last-modified stamp)
// modulo 2^32. The stamp is the server's Last-Modified as a DOS date-time,
// 0 when it gave none. kUnknownLength counts as 4294967295.
std::string HTTP_TempFileName(std::string_view destination, uint64_t length, uint32_t stamp);

// Whether `fileName`, a file in the destination's folder, is a temporary file
// of a download to `destination` (HTTP_TempFileName): the destination's file
// name, ".", and one or more decimal digits, nothing else, names compared
// without regard to ASCII case as Windows does. Files that merely start with
// the destination's name and a dot belong to someone else.
bool HTTP_IsTempFileOf(std::string_view fileName, std::string_view destination,
                       LeadBytePredicate isLeadByte = nullptr);

// The name shown to the user for `url`: its last path component, the text
// after the last "/" or "\" ("Setup.exe" of "http://host/dir/Setup.exe");
// the whole URL when that is empty (a URL ending in "/").
std::string HTTP_DisplayName(std::string_view url);

// ---------------------------------------------------------------------------
// Reads and progress

// The read size of the classic loop, the chunk of one bar step: a tenth of
// the length (kUnknownLength counting as 4294967295), at least 1 and at most
// kChunkLimit.
uint32_t HTTP_ChunkSize(uint64_t length);

// The bytes one read asks for when the loop reads as much as serves speed: a
// tenth of the length, at least 1 and at most kMaxReadSize (kUnknownLength
// gives kMaxReadSize). Up to 81920 bytes this is HTTP_ChunkSize, so a small
// file still arrives in about ten reads and ten bar steps.
uint32_t HTTP_ReadSize(uint64_t length);

// The next read's size when the last one, of `current` bytes, took
// `elapsedMs`: twice as large after a quick read (under 50 ms), half as large
// after a slow one (over 250 ms), else the same; always within
// HTTP_ChunkSize(length) and HTTP_ReadSize(length). Reads block until they are
// filled, so on a slow line they shrink to keep the bar moving, and on a fast
// one they grow to the size that serves speed.
uint32_t HTTP_NextReadSize(uint32_t current, uint32_t elapsedMs, uint64_t length);

// The progress bar of one download of `length` bytes (0 < length, or
// kUnknownLength): range 0..Maximum(), starting at position 1, one step per
// HTTP_ChunkSize bytes. A loop that reads one chunk per call gets one step
// per read that delivers a byte, as the classic loop did; a loop that reads
// more per call gets the positions the classic loop would show for the same
// count of bytes, 1 + ceil(received / chunk). Positions are not capped: a
// server that sends more than it announced moves the bar past its maximum.
class DownloadProgress {
 public:
  explicit DownloadProgress(uint64_t length);

  // The bytes of one bar step (HTTP_ChunkSize).
  uint32_t Chunk() const { return chunk_; }
  // The bar's maximum: ceil(length / chunk) + 1 (kUnknownLength counting as
  // 4294967295); the last chunk brings the bar to it.
  uint64_t Maximum() const { return maximum_; }
  // The position to start the bar at: 1.
  static constexpr uint64_t kStartPosition = 1;
  // The bar's position after the reads taken so far.
  uint64_t Position() const { return position_; }
  // The bytes received so far.
  uint64_t Received() const { return received_; }

  // Takes a read that asked for `asked` bytes and delivered `delivered`, and
  // returns how many steps the bar advances: 0 for a failed or empty read;
  // 1 for a read that asked for at most one chunk; for a larger read, the
  // steps that bring the bar to 1 + ceil(received / chunk).
  uint64_t Take(uint32_t asked, uint32_t delivered);

 private:
  uint32_t chunk_;
  uint64_t maximum_;
  uint64_t position_ = kStartPosition;
  uint64_t received_ = 0;
};

// ---------------------------------------------------------------------------
// Error pages

// Whether the first kNotFoundPageScan bytes of `data` look like a web
// server's error page. With first occurrences found without regard to ASCII
// case: "<TITLE" before "404" before "</TITLE>", or "<HTML>" before "<HEAD>"
// before "<TITLE>" before "</TITLE>". The second rule holds for any
// well-formed HTML page; the downloads it is applied to are never HTML.
bool HTTP_IsNotFoundPageText(std::string_view data);

// The message for a download from `url` that brought an error page:
// "<B>404 File Not Found...</B><P><P>URL:  <url>.<P><P>Please make sure the
// file is available and access is allowed to this file." (message-box
// mark-up).
std::string HTTP_NotFoundMessage(std::string_view url);

// HTTP_NotFoundMessage(url) when `data` (a download, or the first bytes of
// the downloaded file) is an error page (HTTP_IsNotFoundPageText), else
// `defaultText`.
std::string HTTP_NotFoundTextFor(std::string_view data, std::string_view url,
                                 std::string_view defaultText);

// ---------------------------------------------------------------------------
// Error texts of a download

// The text when WinINet or its root handle is not available.
constexpr std::string_view kWinInetUnavailableText = "Unable to initialize \"WinINet.dll\"";
// The text of a download the abort flag stopped.
constexpr std::string_view kDownloadAbortedText = "Download Aborted";

// "Unable to open Internet Connection: " + url, followed by " (" + detail +
// ")" when there is a detail.
std::string HTTP_OpenFailedText(std::string_view url, std::string_view detail = {});

// What a WinINet error code of a refused server certificate means, for the
// detail of HTTP_OpenFailedText ("the server's certificate is not trusted
// (error 12045)"); empty for codes that are not about certificates.
std::string HTTP_CertificateErrorDetail(uint32_t code);

// The text of a server that answered a download with an error status (400 or
// above): the not-found message (HTTP_NotFoundMessage) for 404 and 410, else
// displayName + " --- The server answered <status> <reason>".
std::string HTTP_StatusErrorText(std::string_view displayName, std::string_view url,
                                 uint32_t status, std::string_view reason);

// The text of a complete download that could not take the destination's name:
// displayName + " --- The file cannot be written: " + destination, followed by
// " (" + systemText + ")" when there is one.
std::string HTTP_MoveFailedText(std::string_view displayName, std::string_view destination,
                                std::string_view systemText);

// A download into memory (a small settings file) stops at this many bytes,
// so that a server that sends without end cannot exhaust the memory of the
// resident agent.
constexpr uint64_t kMemoryDownloadLimit = 16u << 20;

// displayName + " --- The answer is larger than " + the limit in MB + " MB":
// a download into memory that passed kMemoryDownloadLimit.
std::string HTTP_TooLargeText(std::string_view displayName);

// url + " --- File Not Found !": the server announced a length of 0.
std::string HTTP_FileNotFoundText(std::string_view url);

// The text of a failed read: displayName + " --- Error downloading file",
// followed by " (" + detail + ")" where the detail is `systemText` (the
// system's text of the last error) or, when that is empty, `serverText` (the
// server's last response); nothing follows when both are empty.
std::string HTTP_ReadErrorText(std::string_view displayName, std::string_view systemText,
                               std::string_view serverText);

// The text of a transfer that ended without a failed read but with `received`
// bytes where the server announced `expected`: displayName + " --- Download
// incomplete (R of E bytes received)" when fewer arrived, " --- Download
// larger than announced (R of E bytes received)" when more did; empty when
// the counts agree or the length is kUnknownLength (the server's close ends
// such a body).
std::string HTTP_SizeMismatchText(std::string_view displayName, uint64_t received,
                                  uint64_t expected);

// The error text a download ends with, empty only for a complete download,
// which alone may take the destination's name: kDownloadAbortedText when
// the abort flag stopped it (whatever else happened), else `readErrorText`
// when a read failed (HTTP_ReadErrorText), else HTTP_SizeMismatchText.
std::string HTTP_DownloadEndText(std::string_view displayName, bool aborted,
                                 std::string_view readErrorText, uint64_t received,
                                 uint64_t expected);

}  // namespace orvane
