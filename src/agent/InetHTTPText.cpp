#include "agent/InetHTTPText.h"

#include <algorithm>

#include "util/NumberText.h"
#include "util/UtilsText.h"

namespace orvane {

namespace {

bool IsAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsAsciiDigit(char c) {
  return c >= '0' && c <= '9';
}

// Decimal text of an unsigned count, whatever its size.
std::string UnsignedText(uint64_t value) {
  char digits[20];
  size_t n = 0;
  do {
    digits[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  std::string text;
  while (n > 0)
    text += digits[--n];
  return text;
}

uint64_t ProgressLength(uint64_t length) {
  return length == kUnknownLength ? kUnknownProgressLength : length;
}

// 1-based position of the first occurrence, without regard to case; 0 when
// absent, so that "absent" compares below every position found.
size_t PosOrZero(std::string_view text, std::string_view pattern) {
  const size_t pos = PosNoCase(text, pattern);
  return pos == std::string_view::npos ? 0 : pos + 1;
}

}  // namespace

std::string HTTP_UrlWithScheme(std::string_view url) {
  // RFC 3986: scheme = ALPHA *( ALPHA / DIGIT / "+" / "-" / "." )
  size_t i = 0;
  if (!url.empty() && IsAsciiLetter(url[0])) {
    i = 1;
    while (i < url.size() && (IsAsciiLetter(url[i]) || IsAsciiDigit(url[i]) || url[i] == '+' ||
                              url[i] == '-' || url[i] == '.'))
      ++i;
    if (url.substr(i).starts_with("://"))
      return std::string(url);
  }
  return "http://" + std::string(url);
}

std::string HTTP_TempFileName(std::string_view destination, uint64_t length, uint32_t stamp) {
  // The sum wraps as the 32-bit original did, so names stay the same for
  // every length it could express; kUnknownLength keeps its low 32 bits set.
  const uint32_t sum = static_cast<uint32_t>(length) + stamp;
  return std::string(destination) + "." + UnsignedText(sum);
}

bool HTTP_IsTempFileOf(std::string_view fileName, std::string_view destination,
                       LeadBytePredicate isLeadByte) {
  const std::string name = FileNamePart(destination, isLeadByte);
  if (name.empty() || fileName.size() < name.size() + 2)
    return false;
  if (UpperCaseAscii(fileName.substr(0, name.size())) != UpperCaseAscii(name) ||
      fileName[name.size()] != '.')
    return false;
  return IsDecimalDigits(fileName.substr(name.size() + 1));
}

std::string HTTP_DisplayName(std::string_view url) {
  const size_t slash = url.find_last_of("/\\");
  if (slash == std::string_view::npos || slash + 1 == url.size())
    return std::string(url);
  return std::string(url.substr(slash + 1));
}

uint32_t HTTP_ChunkSize(uint64_t length) {
  return static_cast<uint32_t>(std::clamp<uint64_t>(ProgressLength(length) / 10, 1, kChunkLimit));
}

uint32_t HTTP_ReadSize(uint64_t length) {
  if (length == kUnknownLength)
    return kMaxReadSize;
  return static_cast<uint32_t>(std::clamp<uint64_t>(length / 10, 1, kMaxReadSize));
}

DownloadProgress::DownloadProgress(uint64_t length) : chunk_(HTTP_ChunkSize(length)) {
  const uint64_t bytes = ProgressLength(length);
  maximum_ = bytes / chunk_ + (bytes % chunk_ != 0 ? 1 : 0) + 1;
}

uint64_t DownloadProgress::Take(uint32_t asked, uint32_t delivered) {
  if (delivered == 0)
    return 0;
  received_ += delivered;
  const uint64_t previous = position_;
  // A read of at most one chunk is one step, as in the classic loop, even
  // when the server delivered less; otherwise the bar follows the bytes. In
  // a loop of chunk reads 1 + ceil(received / chunk) never exceeds the
  // position, so both rules give the same bar for the same bytes.
  const uint64_t byBytes = 1 + received_ / chunk_ + (received_ % chunk_ != 0 ? 1 : 0);
  position_ = std::max(asked <= chunk_ ? previous + 1 : previous, byBytes);
  return position_ - previous;
}

bool HTTP_IsNotFoundPageText(std::string_view data) {
  const std::string_view head = data.substr(0, std::min(data.size(), kNotFoundPageScan));

  const size_t title = PosOrZero(head, "<TITLE");
  const size_t code = PosOrZero(head, "404");
  const size_t titleEnd = PosOrZero(head, "</TITLE>");
  if (0 < title && title < code && code < titleEnd)
    return true;

  const size_t html = PosOrZero(head, "<HTML>");
  const size_t headTag = PosOrZero(head, "<HEAD>");
  const size_t titleTag = PosOrZero(head, "<TITLE>");
  return 0 < html && html < headTag && headTag < titleTag && titleTag < titleEnd;
}

std::string HTTP_NotFoundMessage(std::string_view url) {
  return "<B>404 File Not Found...</B><P><P>URL:  " + std::string(url) +
         ".<P><P>Please make sure the file is available and access is allowed to this file.";
}

std::string HTTP_NotFoundTextFor(std::string_view data, std::string_view url,
                                 std::string_view defaultText) {
  return HTTP_IsNotFoundPageText(data) ? HTTP_NotFoundMessage(url) : std::string(defaultText);
}

uint32_t HTTP_NextReadSize(uint32_t current, uint32_t elapsedMs, uint64_t length) {
  constexpr uint32_t kQuickMs = 50;
  constexpr uint32_t kSlowMs = 250;
  uint64_t next = current;
  if (elapsedMs < kQuickMs)
    next = uint64_t{current} * 2;
  else if (elapsedMs > kSlowMs)
    next = current / 2;
  return static_cast<uint32_t>(
      std::clamp<uint64_t>(next, HTTP_ChunkSize(length), HTTP_ReadSize(length)));
}

std::string HTTP_OpenFailedText(std::string_view url, std::string_view detail) {
  std::string text = "Unable to open Internet Connection: " + std::string(url);
  if (!detail.empty())
    text += " (" + std::string(detail) + ")";
  return text;
}

std::string HTTP_CertificateErrorDetail(uint32_t code) {
  struct Reason {
    uint32_t code;
    const char* text;
  };
  static constexpr Reason kReasons[] = {
      {12037, "the server's certificate has expired or is not valid yet"},
      {12038, "the server's certificate is for another server name"},
      {12044, "the server asks for a client certificate"},
      {12045, "the server's certificate is not trusted"},
      {12055, "the server's certificate has errors"},
      {12056, "the server's certificate could not be verified"},
      {12057, "the server's certificate could not be verified"},
      {12169, "the server's certificate is not valid"},
      {12170, "the server's certificate has been revoked"},
      {12175, "the secure connection to the server failed"},
  };
  for (const Reason& reason : kReasons) {
    if (reason.code == code)
      return std::string(reason.text) + " (error " + UnsignedText(code) + ")";
  }
  return {};
}

std::string HTTP_StatusErrorText(std::string_view displayName, std::string_view url,
                                 uint32_t status, std::string_view reason) {
  if (status == 404 || status == 410)
    return HTTP_NotFoundMessage(url);
  std::string text = std::string(displayName) + " --- The server answered " + UnsignedText(status);
  if (!reason.empty())
    text += " " + std::string(reason);
  return text;
}

std::string HTTP_MoveFailedText(std::string_view displayName, std::string_view destination,
                                std::string_view systemText) {
  std::string text =
      std::string(displayName) + " --- The file cannot be written: " + std::string(destination);
  if (!systemText.empty())
    text += " (" + std::string(systemText) + ")";
  return text;
}

std::string HTTP_TooLargeText(std::string_view displayName) {
  return std::string(displayName) + " --- The answer is larger than " +
         DecimalText(static_cast<int64_t>(kMemoryDownloadLimit >> 20)) + " MB";
}

std::string HTTP_FileNotFoundText(std::string_view url) {
  return std::string(url) + " --- File Not Found !";
}

std::string HTTP_ReadErrorText(std::string_view displayName, std::string_view systemText,
                               std::string_view serverText) {
  std::string text = std::string(displayName) + " --- Error downloading file";
  const std::string_view detail = systemText.empty() ? serverText : systemText;
  if (!detail.empty())
    text += " (" + std::string(detail) + ")";
  return text;
}

std::string HTTP_SizeMismatchText(std::string_view displayName, uint64_t received,
                                  uint64_t expected) {
  if (expected == kUnknownLength || received == expected)
    return {};
  const char* what =
      received < expected ? " --- Download incomplete (" : " --- Download larger than announced (";
  return std::string(displayName) + what + UnsignedText(received) + " of " +
         UnsignedText(expected) + " bytes received)";
}

std::string HTTP_DownloadEndText(std::string_view displayName, bool aborted,
                                 std::string_view readErrorText, uint64_t received,
                                 uint64_t expected) {
  if (aborted)
    return std::string(kDownloadAbortedText);
  if (!readErrorText.empty())
    return std::string(readErrorText);
  return HTTP_SizeMismatchText(displayName, received, expected);
}

}  // namespace orvane
