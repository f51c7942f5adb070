// UtilsText: the portable text, number and date services of unit Utils.
#include "util/UtilsText.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <random>

namespace orvane {

namespace {

constexpr size_t npos = std::string::npos;

bool IsBlank(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

char UpperAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameChar(char a, char b, bool ignoreCase) {
  return ignoreCase ? UpperAscii(a) == UpperAscii(b) : a == b;
}

bool EqualAt(std::string_view text, size_t at, std::string_view pattern, bool ignoreCase) {
  if (at > text.size() || pattern.size() > text.size() - at)
    return false;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (!SameChar(text[at + i], pattern[i], ignoreCase))
      return false;
  }
  return true;
}

std::string_view TrimView(std::string_view text) {
  size_t b = 0;
  size_t e = text.size();
  while (b < e && IsBlank(text[b]))
    ++b;
  while (e > b && IsBlank(text[e - 1]))
    --e;
  return text.substr(b, e - b);
}

bool IsLead(LeadBytePredicate isLeadByte, char c) {
  return isLeadByte != nullptr && isLeadByte(static_cast<unsigned char>(c));
}

// Position of the last path separator ("\" or ":"), skipping the trail byte
// of every double-byte character; npos when there is none.
size_t LastSeparator(std::string_view path, LeadBytePredicate isLeadByte) {
  size_t last = npos;
  size_t i = 0;
  while (i < path.size()) {
    const char c = path[i];
    if (IsLead(isLeadByte, c) && i + 1 < path.size()) {
      i += 2;
      continue;
    }
    if (c == '\\' || c == ':')
      last = i;
    ++i;
  }
  return last;
}

int Clamp(int value, int low, int high) {
  return value < low ? low : (value > high ? high : value);
}

// Decimal digits of an unsigned value.
std::string UnsignedDigits(uint64_t value) {
  char buffer[24];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

std::string PadLeft(std::string text, size_t width, char fill) {
  if (text.size() < width)
    text.insert(0, width - text.size(), fill);
  return text;
}

// printf-style formatting into a std::string of any length.
template <typename... Args>
std::string Format(const char* format, Args... args) {
  char small[64];
  const int n = std::snprintf(small, sizeof small, format, args...);
  if (n < 0)
    return std::string();
  if (static_cast<size_t>(n) < sizeof small)
    return std::string(small, static_cast<size_t>(n));
  std::string big(static_cast<size_t>(n) + 1, '\0');
  std::snprintf(&big[0], big.size(), format, args...);
  big.resize(static_cast<size_t>(n));
  return big;
}

// --- Calendar -------------------------------------------------------------

constexpr int64_t kMsPerDay = 86400000;
// Days from 1 January 1970 to 30 December 1899.
constexpr int64_t kMomentEpochFromUnix = -25569;

// Days since 1 January 1970 of a proleptic Gregorian date (any year).
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2 ? 1 : 0;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int64_t d = doy - (153 * mp + 2) / 5 + 1;
  const int64_t m = mp < 10 ? mp + 3 : mp - 9;
  year = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
  month = static_cast<int>(m);
  day = static_cast<int>(d);
}

bool IsLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// The moment a stamp shows: -1 is now, everything else clamped to 0..max.
LocalDateTime StampTime(double moment, MomentClock now) {
  if (moment == -1.0)
    moment = (now != nullptr ? now : LocalMomentNow)();
  if (!(moment >= 0.0))
    moment = 0.0;  // negative or not-a-number
  if (moment > kMaxMoment)
    moment = kMaxMoment;
  return LocalTimeFromMoment(moment);
}

std::string Two(int value) {
  return Format("%02d", value);
}

// "DD-MON-YYYY".
std::string DateText(const LocalDateTime& t) {
  static const char* const kMonths[12] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                          "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
  return Two(t.day) + "-" + kMonths[t.month - 1] + "-" + Format("%04d", t.year);
}

}  // namespace

// ---------------------------------------------------------------------------
// Paths

std::string NormalizeTrailingBackslash(std::string_view path, bool add,
                                       LeadBytePredicate isLeadByte) {
  std::string result(path);
  if (result == "\\") {
    result.clear();
  } else if (result.size() > 2 && result.back() == '\\' &&
             !IsLead(isLeadByte, result[result.size() - 2])) {
    result.pop_back();
  }
  if (add) {
    const bool endsWithSeparator =
        !result.empty() && result.back() == '\\' &&
        (result.size() < 2 || !IsLead(isLeadByte, result[result.size() - 2]));
    if (!endsWithSeparator)
      result += '\\';
  }
  return result;
}

std::string FileNamePart(std::string_view path, LeadBytePredicate isLeadByte) {
  const size_t sep = LastSeparator(path, isLeadByte);
  return std::string(sep == npos ? path : path.substr(sep + 1));
}

std::string DirectoryPart(std::string_view path, LeadBytePredicate isLeadByte) {
  const size_t sep = LastSeparator(path, isLeadByte);
  return sep == npos ? std::string() : std::string(path.substr(0, sep + 1));
}

std::string NameWithoutExtension(std::string_view path, bool all, LeadBytePredicate isLeadByte) {
  std::string name = FileNamePart(path, isLeadByte);
  // A dot is never the trail byte of a double-byte character.
  const size_t dot = all ? name.find('.') : name.rfind('.');
  if (dot != npos)
    name.erase(dot);
  return name;
}

// ---------------------------------------------------------------------------
// Version texts

std::string NormalizeVersion(std::string_view text, int width, int count) {
  width = Clamp(width, 0, kMaxVersionWidth);
  count = Clamp(count, 0, kMaxVersionFields);
  std::string digits;
  for (char c : text) {
    if (c == ',')
      c = '.';
    if (IsDigit(c) || c == '.')
      digits += c;
  }
  std::string result;
  size_t pos = 0;  // start of the next field in `digits`, npos when there is none
  for (int i = 0; i < count; ++i) {
    std::string field;
    if (pos != npos) {
      const size_t dot = digits.find('.', pos);
      field = digits.substr(pos, dot == npos ? npos : dot - pos);
      pos = dot == npos ? npos : dot + 1;
    }
    const size_t firstNonZero = field.find_first_not_of('0');
    field = firstNonZero == npos ? "0" : field.substr(firstNonZero);
    if (i > 0)
      result += '.';
    result += PadLeft(std::move(field), static_cast<size_t>(width), '0');
  }
  return result;
}

// ---------------------------------------------------------------------------
// Numbers

std::string Thousands(std::string_view text) {
  size_t end = text.find('.');
  if (end == npos)
    end = text.size();
  size_t begin = end;
  while (begin > 0 && IsDigit(text[begin - 1]))
    --begin;
  std::string result(text.substr(0, begin));
  for (size_t i = begin; i < end; ++i) {
    if (i > begin && (end - i) % 3 == 0)
      result += ',';
    result += text[i];
  }
  result += text.substr(end);
  return result;
}

std::string SizeText(int64_t bytes, int64_t unit, int decimals, bool thousands) {
  if (unit < 1)
    unit = 1;
  std::string text;
  if (decimals < 1) {
    int64_t quotient = bytes / unit;
    if (bytes % unit > 0)
      ++quotient;  // cannot overflow: unit >= 2 here
    text = quotient < 0 ? "-" + UnsignedDigits(0 - static_cast<uint64_t>(quotient))
                        : UnsignedDigits(static_cast<uint64_t>(quotient));
  } else {
    if (decimals > 4)
      decimals = 1;
    text = Format("%.*f", decimals, static_cast<double>(bytes) / static_cast<double>(unit));
  }
  return thousands ? Thousands(text) : text;
}

std::string FloatText(double value, int decimals, bool trim) {
  if (std::isnan(value))
    return "NAN";
  if (std::isinf(value))
    return value < 0 ? "-INF" : "INF";
  std::string text = Format("%.*f", Clamp(decimals, 0, 18), value);
  if (trim && text.find('.') != npos) {
    while (!text.empty() && text.back() == '0')
      text.pop_back();
    if (!text.empty() && text.back() == '.')
      text.pop_back();
  }
  if (text.empty())
    text = "0";
  if (text[0] == '-' && text.find_first_not_of("0.", 1) == npos)
    text.erase(0, 1);
  return text;
}

double TextToFloat(std::string_view text, double defaultValue) {
  std::string s;
  const bool hasDot = text.find('.') != npos;
  for (char c : text) {
    if (c == ',') {
      if (hasDot)
        continue;
      c = '.';
    }
    s += c;
  }
  const std::string_view t = TrimView(s);
  // Check the notation first: the C library also knows "inf", "nan" and hex.
  size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-'))
    ++i;
  const size_t numberStart = !t.empty() && t[0] == '+' ? 1 : 0;
  size_t mantissaDigits = 0;
  while (i < t.size() && IsDigit(t[i]))
    ++i, ++mantissaDigits;
  if (i < t.size() && t[i] == '.') {
    ++i;
    while (i < t.size() && IsDigit(t[i]))
      ++i, ++mantissaDigits;
  }
  if (mantissaDigits == 0)
    return defaultValue;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-'))
      ++i;
    size_t exponentDigits = 0;
    while (i < t.size() && IsDigit(t[i]))
      ++i, ++exponentDigits;
    if (exponentDigits == 0)
      return defaultValue;
  }
  if (i != t.size())
    return defaultValue;
  // The syntax is checked above, so atof reads the whole number. The program
  // never changes the C locale, so it takes "." as the decimal point, as the
  // US English rules ask. (std::from_chars would do the same locale-free but
  // adds 35 KB to the launcher; MinGW's own strtod adds 18 KB, while atof
  // is the system C library's.)
  const std::string number(t.substr(numberStart));
  const double value = std::atof(number.c_str());
  if (!std::isfinite(value))
    return defaultValue;
  return value;
}

std::string ZeroPad(int64_t number, int digits) {
  const uint64_t magnitude =
      number < 0 ? 0 - static_cast<uint64_t>(number) : static_cast<uint64_t>(number);
  std::string text =
      PadLeft(UnsignedDigits(magnitude), static_cast<size_t>(Clamp(digits, 0, kMaxPadWidth)), '0');
  return number < 0 ? "-" + text : text;
}

std::string LeftPad(std::string_view text, int width, char fill) {
  const int64_t wide = width < 0 ? -static_cast<int64_t>(width) : static_cast<int64_t>(width);
  std::string result(text);
  if (width < -2 && static_cast<int64_t>(result.size()) > wide) {
    result.resize(static_cast<size_t>(wide - 1));
    result += '.';
  }
  const int64_t padTo = wide > kMaxPadWidth ? kMaxPadWidth : wide;
  return PadLeft(std::move(result), static_cast<size_t>(padTo), fill);
}

std::string BoolText(bool value) {
  return value ? "TRUE" : "FALSE";
}
std::string BoolDigit(bool value) {
  return value ? "1" : "0";
}

int64_t RandomInRange(int64_t low, int64_t high) {
  if (high <= low)
    return low;
  static std::mt19937_64 engine = [] {
    // The clock and an address that differs between runs (address-space
    // layout randomisation) seed the generator; the numbers name folders and
    // need not be secret.
    const int marker = 0;
    std::seed_seq seed{
        static_cast<uint64_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count()),
        static_cast<uint64_t>(reinterpret_cast<uintptr_t>(&marker))};
    return std::mt19937_64(seed);
  }();
  return std::uniform_int_distribution<int64_t>(low, high)(engine);
}

// ---------------------------------------------------------------------------
// Dates

double MomentFromLocalTime(int year, int month, int day, int hour, int minute, int second,
                           int millisecond) {
  if (year < 1 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) ||
      hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
      millisecond < 0 || millisecond > 999) {
    return 0.0;
  }
  const int64_t days = DaysFromCivil(year, month, day) - kMomentEpochFromUnix;
  const double time =
      static_cast<double>(((hour * 60 + minute) * 60 + second) * 1000 + millisecond) /
      static_cast<double>(kMsPerDay);
  const double moment =
      days < 0 ? static_cast<double>(days) - time : static_cast<double>(days) + time;
  return moment > kMaxMoment ? 0.0 : moment;
}

LocalDateTime LocalTimeFromMoment(double moment) {
  if (std::isnan(moment))
    moment = 0.0;
  if (moment < kMinMoment)
    moment = kMinMoment;
  if (moment > kMaxMoment)
    moment = kMaxMoment;
  // Both bounds times the day's milliseconds stay far below 2^53, so the
  // rounding is exact to the millisecond and fits in 64 bits.
  const bool negative = moment < 0;
  const int64_t total = std::llround(std::fabs(moment) * static_cast<double>(kMsPerDay));
  const int64_t dayMagnitude = total / kMsPerDay;
  int64_t ms = total % kMsPerDay;
  LocalDateTime t;
  CivilFromDays((negative ? -dayMagnitude : dayMagnitude) + kMomentEpochFromUnix, t.year, t.month,
                t.day);
  t.millisecond = static_cast<int>(ms % 1000);
  ms /= 1000;
  t.second = static_cast<int>(ms % 60);
  ms /= 60;
  t.minute = static_cast<int>(ms % 60);
  t.hour = static_cast<int>(ms / 60);
  return t;
}

double LocalMomentNow() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      now - std::chrono::system_clock::from_time_t(seconds))
                      .count();
  std::tm local{};
#ifdef _WIN32
  const std::tm* p = std::localtime(&seconds);  // per-thread buffer in the Windows C runtime
  if (p == nullptr)
    return 0.0;
  local = *p;
#else
  if (localtime_r(&seconds, &local) == nullptr)
    return 0.0;
#endif
  return MomentFromLocalTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                             local.tm_min, local.tm_sec > 59 ? 59 : local.tm_sec,
                             static_cast<int>(ms < 0 ? 0 : (ms > 999 ? 999 : ms)));
}

std::string DateStamp(double moment, MomentClock now) {
  return DateText(StampTime(moment, now));
}

std::string TimeStamp(double moment, std::string_view separator, MomentClock now) {
  const LocalDateTime t = StampTime(moment, now);
  return DateText(t) + std::string(separator) + Two(t.hour) + ":" + Two(t.minute) + ":" +
         Two(t.second);
}

std::string ShortStamp(double moment, bool longYear, MomentClock now,
                       std::string_view dateSeparator, std::string_view timeSeparator) {
  const LocalDateTime t = StampTime(moment, now);
  const std::string ds(dateSeparator);
  const std::string ts(timeSeparator);
  const std::string year = longYear ? Format("%04d", t.year) : Two(t.year % 100);
  return Two(t.day) + ds + Two(t.month) + ds + year + " " + Two(t.hour) + ts + Two(t.minute) + ts +
         Two(t.second);
}

// ---------------------------------------------------------------------------
// Strings

std::string Trim(std::string_view text) {
  return std::string(TrimView(text));
}

std::string TrimLeft(std::string_view text) {
  size_t b = 0;
  while (b < text.size() && IsBlank(text[b]))
    ++b;
  return std::string(text.substr(b));
}

std::string TrimRight(std::string_view text) {
  size_t e = text.size();
  while (e > 0 && IsBlank(text[e - 1]))
    --e;
  return std::string(text.substr(0, e));
}

std::string UpperCaseAscii(std::string_view text) {
  std::string result(text);
  for (char& c : result)
    c = UpperAscii(c);
  return result;
}

std::string LowerCaseAscii(std::string_view text) {
  std::string result(text);
  for (char& c : result)
    c = LowerAscii(c);
  return result;
}

std::string TextBefore(std::string_view text, std::string_view delimiter,
                       std::string_view defaultValue, bool trim) {
  const size_t at = FindFrom(text, delimiter);
  if (at == npos)
    return std::string(defaultValue);
  const std::string_view part = text.substr(0, at);
  return std::string(trim ? TrimView(part) : part);
}

std::string TextAfter(std::string_view text, std::string_view delimiter,
                      std::string_view defaultValue, bool trim, bool ignoreCase) {
  const size_t at = FindFrom(text, delimiter, 0, ignoreCase);
  if (at == npos)
    return std::string(defaultValue);
  const std::string_view part = text.substr(at + delimiter.size());
  return std::string(trim ? TrimView(part) : part);
}

std::string ReplaceAll(std::string_view text, std::string_view pattern,
                       std::string_view replacement) {
  if (pattern.empty() || replacement.find(pattern) != npos)
    return std::string(text);
  std::string result;
  size_t from = 0;
  for (size_t at = text.find(pattern); at != npos; at = text.find(pattern, from)) {
    result.append(text.substr(from, at - from));
    result.append(replacement);
    from = at + pattern.size();
  }
  result.append(text.substr(from));
  return result;
}

size_t LastPos(std::string_view text, std::string_view pattern) {
  return pattern.empty() ? npos : text.rfind(pattern);
}

size_t FindFrom(std::string_view text, std::string_view pattern, size_t start, bool ignoreCase) {
  if (pattern.empty() || start > text.size() || pattern.size() > text.size() - start)
    return npos;
  for (size_t i = start; i + pattern.size() <= text.size(); ++i) {
    if (EqualAt(text, i, pattern, ignoreCase))
      return i;
  }
  return npos;
}

size_t FindAnyOf(std::string_view text, std::string_view set, size_t start, bool ignoreCase) {
  for (size_t i = start; i < text.size(); ++i) {
    for (char c : set) {
      if (SameChar(text[i], c, ignoreCase))
        return i;
    }
  }
  return npos;
}

size_t PosNoCase(std::string_view text, std::string_view pattern) {
  return FindFrom(text, pattern, 0, true);
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return EqualAt(text, 0, prefix, true);
}

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
  return suffix.size() <= text.size() && EqualAt(text, text.size() - suffix.size(), suffix, true);
}

bool SameTextTrim(std::string_view a, std::string_view b) {
  a = TrimView(a);
  b = TrimView(b);
  return a.size() == b.size() && EqualAt(a, 0, b, true);
}

std::string StripPair(std::string_view text, char ch, bool force) {
  if (force) {
    const size_t b = text.find_first_not_of(ch);
    if (b == npos)
      return std::string();
    const size_t e = text.find_last_not_of(ch);
    return std::string(text.substr(b, e - b + 1));
  }
  if (text.size() >= 2 && text.front() == ch && text.back() == ch) {
    return std::string(text.substr(1, text.size() - 2));
  }
  return std::string(text);
}

std::string TrimStripQuotes(std::string_view text) {
  return StripPair(TrimView(text), '"');
}

std::string Quote(std::string_view text) {
  return "\"" + std::string(text) + "\"";
}

std::string ProgramPathForCommandLine(std::string_view path) {
  return path.find(' ') == std::string_view::npos ? std::string(path) : Quote(path);
}

std::string KeepOnly(std::string_view text, std::string_view keep) {
  std::string result;
  for (char c : text) {
    if (keep.find(c) != npos)
      result += c;
  }
  return result;
}

std::string Reverse(std::string_view text) {
  return std::string(text.rbegin(), text.rend());
}

std::string ReplaceBetween(std::string_view text, std::string_view delimiter, size_t first,
                           size_t last, std::string_view replacement, bool ignoreCase) {
  if (delimiter.empty() || first >= last)
    return std::string(text);
  size_t begin = 0;  // end of occurrence `first`
  size_t found = 0;  // occurrences passed so far
  size_t from = 0;
  while (found < first) {
    const size_t at = FindFrom(text, delimiter, from, ignoreCase);
    if (at == npos)
      return std::string(text);
    ++found;
    from = at + delimiter.size();
  }
  begin = from;
  size_t end = text.size();
  while (found < last) {
    const size_t at = FindFrom(text, delimiter, from, ignoreCase);
    if (at == npos)
      break;
    ++found;
    from = at + delimiter.size();
    if (found == last)
      end = at;
  }
  std::string result(text.substr(0, begin));
  result.append(replacement);
  result.append(text.substr(end));
  return result;
}

std::string HexDump(std::string_view bytes, bool prefix0x, std::string_view separator) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string result = prefix0x ? "0x" : "";
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i > 0 && i % 8 == 0)
      result.append(separator);
    const auto b = static_cast<unsigned char>(bytes[i]);
    result += kDigits[b >> 4];
    result += kDigits[b & 0x0F];
  }
  return result;
}

bool HexToBytes(std::string_view text, std::string& bytes, std::string_view separator) {
  bytes.clear();
  std::string_view t = TrimView(text);
  if (t.size() >= 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X'))
    t.remove_prefix(2);
  std::string digits;
  for (size_t i = 0; i < t.size();) {
    if (!separator.empty() && EqualAt(t, i, separator, false)) {
      i += separator.size();
    } else {
      if (!IsBlank(t[i]))
        digits += t[i];
      ++i;
    }
  }
  if (digits.size() % 2 != 0)
    return false;
  std::string result;
  for (size_t i = 0; i < digits.size(); i += 2) {
    const uint64_t value = ParseUnsigned(std::string_view(digits).substr(i, 2), 16, 256);
    if (value > 255)
      return false;
    result += static_cast<char>(value);
  }
  bytes = std::move(result);
  return true;
}

uint64_t ParseUnsigned(std::string_view text, unsigned base, uint64_t defaultValue) {
  if (base < 2 || base > 36)
    return defaultValue;
  const std::string_view t = TrimView(text);
  if (t.empty())
    return defaultValue;
  uint64_t value = 0;
  for (char c : t) {
    unsigned digit;
    if (IsDigit(c)) {
      digit = static_cast<unsigned>(c - '0');
    } else if (UpperAscii(c) >= 'A' && UpperAscii(c) <= 'Z') {
      digit = static_cast<unsigned>(UpperAscii(c) - 'A') + 10;
    } else {
      return defaultValue;
    }
    if (digit >= base)
      return defaultValue;
    if (value > (std::numeric_limits<uint64_t>::max() - digit) / base)
      return defaultValue;
    value = value * base + digit;
  }
  return value;
}

bool ParseInt64(std::string_view text, int64_t& value) {
  std::string_view s = TrimView(text);
  const bool negative = !s.empty() && s[0] == '-';
  if (!s.empty() && (s[0] == '-' || s[0] == '+'))
    s.remove_prefix(1);
  if (s.empty())
    return false;
  // The magnitude is gathered unsigned so that INT64_MIN is representable.
  const uint64_t limit = negative ? uint64_t{1} << 63 : uint64_t{INT64_MAX};
  uint64_t magnitude = 0;
  for (char c : s) {
    if (c < '0' || c > '9')
      return false;
    const unsigned digit = static_cast<unsigned>(c - '0');
    if (magnitude > (limit - digit) / 10)
      return false;
    magnitude = magnitude * 10 + digit;
  }
  if (!negative)
    value = static_cast<int64_t>(magnitude);
  else
    value = magnitude == limit ? INT64_MIN : -static_cast<int64_t>(magnitude);
  return true;
}

std::string DropBlanksBeforeEquals(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '=') {
      while (!out.empty() && out.back() == ' ')
        out.pop_back();
    }
    out += c;
  }
  return out;
}

}  // namespace orvane
