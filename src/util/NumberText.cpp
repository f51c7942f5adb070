// NumberText: numbers as text and back.
#include "util/NumberText.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "util/UtilsText.h"

namespace orvane {

namespace {

constexpr size_t npos = std::string::npos;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

char UpperAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsBlank(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}

int Clamp(int value, int low, int high) {
  return value < low ? low : (value > high ? high : value);
}

uint64_t Magnitude(int64_t value) {
  // Through unsigned arithmetic, so that INT64_MIN has a magnitude too.
  return value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
}

// Digits of `value` in `base` (10 or 16), lower-case.
std::string UnsignedDigits(uint64_t value, unsigned base = 10) {
  static const char kDigits[] = "0123456789abcdef";
  char buffer[24];
  char* p = buffer + sizeof buffer;
  do {
    *--p = kDigits[value % base];
    value /= base;
  } while (value != 0);
  return std::string(p, buffer + sizeof buffer);
}

std::string PadLeft(std::string text, size_t width, char fill) {
  if (text.size() < width)
    text.insert(0, width - text.size(), fill);
  return text;
}

// --- Exact decimal expansion of a double --------------------------------------

// An unsigned integer of 32-bit words, least significant first, wide enough
// for the largest double times 10^18 (below 2^1084) plus a carry. 32-bit words
// with 64-bit intermediate results work alike on 32-bit and 64-bit targets.
class WideUnsigned {
 public:
  explicit WideUnsigned(uint64_t value) {
    words_[0] = static_cast<uint32_t>(value);
    words_[1] = static_cast<uint32_t>(value >> 32);
    size_ = words_[1] != 0 ? 2 : (words_[0] != 0 ? 1 : 0);
  }

  bool IsZero() const { return size_ == 0; }
  bool IsOdd() const { return size_ > 0 && (words_[0] & 1) != 0; }

  void MultiplyBy(uint32_t factor) {
    uint64_t carry = 0;
    for (int i = 0; i < size_; ++i) {
      const uint64_t product = static_cast<uint64_t>(words_[i]) * factor + carry;
      words_[i] = static_cast<uint32_t>(product);
      carry = product >> 32;
    }
    if (carry != 0)
      words_[size_++] = static_cast<uint32_t>(carry);
  }

  void ShiftLeft(int bits) {
    if (size_ == 0 || bits <= 0)
      return;
    const int wordShift = bits / 32;
    const int bitShift = bits % 32;
    int top = size_ + wordShift;
    words_[top] = 0;
    for (int i = size_ - 1; i >= 0; --i) {
      const uint64_t moved = static_cast<uint64_t>(words_[i]) << bitShift;
      words_[i + wordShift + 1] |= static_cast<uint32_t>(moved >> 32);
      words_[i + wordShift] = static_cast<uint32_t>(moved);
    }
    for (int i = 0; i < wordShift; ++i)
      words_[i] = 0;
    size_ = top + 1;
    Normalize();
  }

  // Divides by 2^bits, dropping the remainder, and tells how the remainder
  // compared with half the divisor: -1 below, 0 exactly half, 1 above.
  int ShiftRightComparingRest(int bits) {
    if (bits <= 0)
      return -1;
    int rest = -1;
    if (Bit(bits - 1))
      rest = AnyBitBelow(bits - 1) ? 1 : 0;
    const int wordShift = bits / 32;
    const int bitShift = bits % 32;
    if (wordShift >= size_) {
      size_ = 0;
      return rest;
    }
    const int newSize = size_ - wordShift;
    for (int i = 0; i < newSize; ++i) {
      const uint64_t pair =
          (static_cast<uint64_t>(i + wordShift + 1 < size_ ? words_[i + wordShift + 1] : 0) << 32) |
          words_[i + wordShift];
      words_[i] = static_cast<uint32_t>(pair >> bitShift);
    }
    size_ = newSize;
    Normalize();
    return rest;
  }

  void Increment() {
    for (int i = 0; i < size_; ++i) {
      if (++words_[i] != 0)
        return;
    }
    words_[size_++] = 1;
  }

  // Divides by `divisor` (non-zero) and returns the remainder.
  uint32_t DivideBy(uint32_t divisor) {
    uint64_t remainder = 0;
    for (int i = size_ - 1; i >= 0; --i) {
      const uint64_t part = (remainder << 32) | words_[i];
      words_[i] = static_cast<uint32_t>(part / divisor);
      remainder = part % divisor;
    }
    Normalize();
    return static_cast<uint32_t>(remainder);
  }

  // The decimal digits, "0" for zero. Consumes the number.
  std::string TakeDecimalDigits() {
    if (IsZero())
      return "0";
    std::string reversed;
    while (!IsZero()) {
      uint32_t chunk = DivideBy(1000000000u);
      // Every chunk but the most significant one has all its nine digits.
      for (int i = 0; i < 9 && (chunk != 0 || !IsZero()); ++i) {
        reversed += static_cast<char>('0' + chunk % 10);
        chunk /= 10;
      }
    }
    return std::string(reversed.rbegin(), reversed.rend());
  }

 private:
  static constexpr int kWords = 36;

  bool Bit(int position) const {
    const int word = position / 32;
    return word < size_ && ((words_[word] >> (position % 32)) & 1) != 0;
  }

  bool AnyBitBelow(int position) const {
    const int word = position / 32;
    for (int i = 0; i < word && i < size_; ++i) {
      if (words_[i] != 0)
        return true;
    }
    if (word >= size_)
      return false;
    const uint32_t mask = (uint32_t{1} << (position % 32)) - 1;
    return (words_[word] & mask) != 0;
  }

  void Normalize() {
    while (size_ > 0 && words_[size_ - 1] == 0)
      --size_;
  }

  uint32_t words_[kWords] = {};
  int size_ = 0;
};

}  // namespace

// ---------------------------------------------------------------------------
// Integers

std::string DecimalText(int64_t value) {
  std::string digits = UnsignedDigits(Magnitude(value));
  return value < 0 ? "-" + digits : digits;
}

std::string ZeroPad(int64_t number, int digits) {
  std::string text = PadLeft(UnsignedDigits(Magnitude(number)),
                             static_cast<size_t>(Clamp(digits, 0, kMaxPadWidth)), '0');
  return number < 0 ? "-" + text : text;
}

std::string HexText(uint64_t value, int digits) {
  return PadLeft(UnsignedDigits(value, 16), static_cast<size_t>(Clamp(digits, 0, kMaxPadWidth)),
                 '0');
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

bool IsDecimalDigits(std::string_view text) {
  if (text.empty())
    return false;
  for (char c : text) {
    if (c < '0' || c > '9')
      return false;
  }
  return true;
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

// ---------------------------------------------------------------------------
// Floating point

std::string FixedText(double value, int decimals) {
  decimals = Clamp(decimals, 0, kMaxFixedDecimals);
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  const std::string sign = (bits >> 63) != 0 ? "-" : "";
  const int biasedExponent = static_cast<int>((bits >> 52) & 0x7FF);
  uint64_t mantissa = bits & ((uint64_t{1} << 52) - 1);
  if (biasedExponent == 0x7FF)
    return sign + (mantissa != 0 ? "nan" : "inf");
  // value = mantissa * 2^exponent exactly.
  int exponent = -1074;
  if (biasedExponent != 0) {
    mantissa |= uint64_t{1} << 52;
    exponent = biasedExponent - 1075;
  }
  // The digits are those of value * 10^decimals, rounded half to even to an
  // integer.
  WideUnsigned scaled(mantissa);
  for (int i = 0; i < decimals; ++i)
    scaled.MultiplyBy(10);
  if (exponent >= 0) {
    scaled.ShiftLeft(exponent);
  } else {
    const int rest = scaled.ShiftRightComparingRest(-exponent);
    if (rest > 0 || (rest == 0 && scaled.IsOdd()))
      scaled.Increment();
  }
  std::string digits = scaled.TakeDecimalDigits();
  const size_t fraction = static_cast<size_t>(decimals);
  if (digits.size() <= fraction)
    digits.insert(0, fraction + 1 - digits.size(), '0');
  if (fraction > 0)
    digits.insert(digits.size() - fraction, 1, '.');
  return sign + digits;
}

std::string FloatText(double value, int decimals, bool trim) {
  if (std::isnan(value))
    return "NAN";
  if (std::isinf(value))
    return value < 0 ? "-INF" : "INF";
  std::string text = FixedText(value, decimals);
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

// ---------------------------------------------------------------------------
// Sizes

std::string SizeText(int64_t bytes, int64_t unit, int decimals, bool thousands) {
  if (unit < 1)
    unit = 1;
  std::string text;
  if (decimals < 1) {
    int64_t quotient = bytes / unit;
    if (bytes % unit > 0)
      ++quotient;  // cannot overflow: unit >= 2 here
    text = DecimalText(quotient);
  } else {
    if (decimals > 4)
      decimals = 1;
    text = FixedText(static_cast<double>(bytes) / static_cast<double>(unit), decimals);
  }
  return thousands ? Thousands(text) : text;
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
// Flags and bytes

std::string BoolText(bool value) {
  return value ? "TRUE" : "FALSE";
}
std::string BoolDigit(bool value) {
  return value ? "1" : "0";
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
    if (!separator.empty() && t.substr(i, separator.size()) == separator) {
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

}  // namespace orvane
