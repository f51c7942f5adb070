// CodePage: UTF-8 to Windows code pages, through iconv or the Windows API.
#include "CodePage.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

#include <vector>

namespace orvane::stubpack {
namespace {

struct CharsetCodePage {
  int charset;
  int codePage;
};

constexpr CharsetCodePage kCharsets[] = {
    {0, 1252},   {238, 1250}, {204, 1251}, {161, 1253}, {162, 1254}, {177, 1255}, {178, 1256},
    {186, 1257}, {163, 1258}, {222, 874},  {128, 932},  {134, 936},  {129, 949},  {136, 950},
};

// Shown before a byte that is not UTF-8, so that the user finds the place.
constexpr size_t kContextBytes = 16;

bool IsContinuation(unsigned char byte) {
  return (byte & 0xC0) == 0x80;
}

// The character at `pos`, which moves past it; false (pos unchanged) where the
// bytes are not the shortest UTF-8 form of a Unicode scalar value.
bool NextCodePoint(std::string_view text, size_t& pos, uint32_t& codePoint) {
  const unsigned char lead = static_cast<unsigned char>(text[pos]);
  size_t length = 0;
  uint32_t value = 0;
  uint32_t smallest = 0;
  if (lead < 0x80) {
    codePoint = lead;
    ++pos;
    return true;
  }
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    value = lead & 0x1F;
    smallest = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    value = lead & 0x0F;
    smallest = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    value = lead & 0x07;
    smallest = 0x10000;
  } else {
    return false;
  }
  if (text.size() - pos < length)
    return false;
  for (size_t i = 1; i < length; ++i) {
    const unsigned char byte = static_cast<unsigned char>(text[pos + i]);
    if (!IsContinuation(byte))
      return false;
    value = (value << 6) | (byte & 0x3F);
  }
  if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
    return false;
  codePoint = value;
  pos += length;
  return true;
}

std::string HexByte(unsigned char byte) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  return std::string("0x") + kDigits[byte >> 4] + kDigits[byte & 0x0F];
}

// "U+00E4", "U+1F600".
std::string CodePointText(uint32_t codePoint) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string digits;
  for (uint32_t rest = codePoint; rest != 0 || digits.size() < 4; rest >>= 4)
    digits.insert(digits.begin(), kDigits[rest & 0x0F]);
  return "U+" + digits;
}

std::string NonUtf8Message(std::string_view text, size_t at) {
  std::string message = "byte " + HexByte(static_cast<unsigned char>(text[at]));
  if (at == 0)
    return message + " at the start is not UTF-8";
  // The context ends at `at`, which follows valid UTF-8; start it on a
  // character boundary.
  size_t from = at > kContextBytes ? at - kContextBytes : 0;
  while (from < at && IsContinuation(static_cast<unsigned char>(text[from])))
    ++from;
  return message + " after '" + std::string(text.substr(from, at - from)) + "' is not UTF-8";
}

// Turns one character at a time into a code page, so that the character it
// cannot show is known exactly.
class CharEncoder {
 public:
  explicit CharEncoder(int codePage);
  ~CharEncoder();
  CharEncoder(const CharEncoder&) = delete;
  CharEncoder& operator=(const CharEncoder&) = delete;

  bool Ready() const;
  // Appends the bytes of `codePoint` (given also as its UTF-8 bytes); false
  // when the code page has no exact form of it.
  bool Append(uint32_t codePoint, std::string_view utf8, std::string& out);

 private:
  int codePage_;
#ifndef _WIN32
  // Some of iconv's mappings are one-way (CP932 takes U+00A5 YEN SIGN to
  // the byte of "\\"), so every character is also converted back.
  static bool Convert(iconv_t converter, std::string_view in, std::string& out);
  iconv_t to_ = reinterpret_cast<iconv_t>(-1);
  iconv_t back_ = reinterpret_cast<iconv_t>(-1);
#endif
};

#ifdef _WIN32

CharEncoder::CharEncoder(int codePage) : codePage_(codePage) {}
CharEncoder::~CharEncoder() = default;

bool CharEncoder::Ready() const {
  return codePage_ > 0 && ::IsValidCodePage(static_cast<UINT>(codePage_));
}

bool CharEncoder::Append(uint32_t codePoint, std::string_view, std::string& out) {
  wchar_t units[2];
  int count = 1;
  if (codePoint >= 0x10000) {
    const uint32_t offset = codePoint - 0x10000;
    units[0] = static_cast<wchar_t>(0xD800 + (offset >> 10));
    units[1] = static_cast<wchar_t>(0xDC00 + (offset & 0x3FF));
    count = 2;
  } else {
    units[0] = static_cast<wchar_t>(codePoint);
  }
  char bytes[8];
  BOOL usedDefault = FALSE;
  // Without best-fit mappings, a character the code page lacks takes the
  // default character and says so, instead of turning into a look-alike.
  const int written =
      ::WideCharToMultiByte(static_cast<UINT>(codePage_), WC_NO_BEST_FIT_CHARS, units, count, bytes,
                            static_cast<int>(sizeof bytes), nullptr, &usedDefault);
  if (written <= 0 || usedDefault)
    return false;
  out.append(bytes, static_cast<size_t>(written));
  return true;
}

#else

CharEncoder::CharEncoder(int codePage) : codePage_(codePage) {
  if (codePage_ <= 0)
    return;
  // Without //TRANSLIT, a character the code page lacks fails the conversion.
  const std::string name = "CP" + std::to_string(codePage_);
  to_ = ::iconv_open(name.c_str(), "UTF-8");
  back_ = ::iconv_open("UTF-8", name.c_str());
}

CharEncoder::~CharEncoder() {
  const iconv_t none = reinterpret_cast<iconv_t>(-1);
  if (to_ != none)
    ::iconv_close(to_);
  if (back_ != none)
    ::iconv_close(back_);
}

bool CharEncoder::Ready() const {
  const iconv_t none = reinterpret_cast<iconv_t>(-1);
  return to_ != none && back_ != none;
}

bool CharEncoder::Convert(iconv_t converter, std::string_view text, std::string& out) {
  ::iconv(converter, nullptr, nullptr, nullptr, nullptr);
  std::vector<char> input(text.begin(), text.end());
  char* in = input.data();
  size_t inLeft = input.size();
  char bytes[16];
  char* next = bytes;
  size_t outLeft = sizeof bytes;
  // A positive count means characters were converted irreversibly, to
  // something that is not the same character: refused like a missing one.
  if (::iconv(converter, &in, &inLeft, &next, &outLeft) != 0 || inLeft != 0)
    return false;
  if (::iconv(converter, nullptr, nullptr, &next, &outLeft) != 0)
    return false;
  out.assign(bytes, static_cast<size_t>(next - bytes));
  return true;
}

bool CharEncoder::Append(uint32_t, std::string_view utf8, std::string& out) {
  std::string bytes;
  std::string again;
  if (!Convert(to_, utf8, bytes) || !Convert(back_, bytes, again) || again != utf8)
    return false;
  out += bytes;
  return true;
}

#endif

}  // namespace

int CodePageOfCharset(int charset) {
  for (const CharsetCodePage& entry : kCharsets) {
    if (entry.charset == charset)
      return entry.codePage;
  }
  return 0;
}

std::string KnownCharsets() {
  std::string list;
  for (const CharsetCodePage& entry : kCharsets)
    list += (list.empty() ? "" : ", ") + std::to_string(entry.charset);
  return list;
}

size_t FirstNonUtf8Byte(std::string_view text) {
  size_t pos = 0;
  uint32_t codePoint = 0;
  while (pos < text.size()) {
    if (!NextCodePoint(text, pos, codePoint))
      return pos;
  }
  return std::string_view::npos;
}

bool Utf8ToCodePage(std::string_view text, int codePage, std::string& out, std::string& error) {
  out.clear();
  const size_t bad = FirstNonUtf8Byte(text);
  if (bad != std::string_view::npos) {
    error = NonUtf8Message(text, bad);
    return false;
  }
  size_t firstWide = 0;
  while (firstWide < text.size() && static_cast<unsigned char>(text[firstWide]) < 0x80)
    ++firstWide;
  if (firstWide == text.size()) {
    out.assign(text);
    return true;
  }
  CharEncoder encoder(codePage);
  const std::string pageName = "code page " + std::to_string(codePage);
  if (!encoder.Ready()) {
    error = codePage > 0 ? pageName + " is not available to this program"
                         : "non-ASCII text needs a code page";
    return false;
  }
  out.assign(text.substr(0, firstWide));
  size_t pos = firstWide;
  while (pos < text.size()) {
    const size_t start = pos;
    uint32_t codePoint = 0;
    NextCodePoint(text, pos, codePoint);
    const std::string_view utf8 = text.substr(start, pos - start);
    if (codePoint < 0x80) {
      out += static_cast<char>(codePoint);
    } else if (!encoder.Append(codePoint, utf8, out)) {
      error = "'" + std::string(utf8) + "' (" + CodePointText(codePoint) + ") cannot be shown in " +
              pageName;
      return false;
    }
  }
  return true;
}

std::string CommandLineTextToUtf8(std::string_view text) {
#ifdef _WIN32
  if (text.empty())
    return std::string();
  const int length = static_cast<int>(text.size());
  const int wideLength = ::MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  if (wideLength <= 0)
    return std::string(text);
  std::wstring wide(static_cast<size_t>(wideLength), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), length, wide.data(), wideLength);
  const int utf8Length =
      ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
  if (utf8Length <= 0)
    return std::string(text);
  std::string utf8(static_cast<size_t>(utf8Length), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, utf8.data(), utf8Length, nullptr,
                        nullptr);
  return utf8;
#else
  return std::string(text);
#endif
}

}  // namespace orvane::stubpack
