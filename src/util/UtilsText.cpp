// UtilsText: the portable general text services of unit Utils.
#include "util/UtilsText.h"

namespace orvane {

namespace {

constexpr size_t npos = std::string::npos;

bool IsBlank(char c) {
  return static_cast<unsigned char>(c) <= ' ';
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

}  // namespace

std::string_view TrimView(std::string_view text) {
  size_t b = 0;
  size_t e = text.size();
  while (b < e && IsBlank(text[b]))
    ++b;
  while (e > b && IsBlank(text[e - 1]))
    --e;
  return text.substr(b, e - b);
}

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

std::string Cat(std::initializer_list<std::string_view> parts) {
  size_t size = 0;
  for (std::string_view part : parts)
    size += part.size();
  std::string text;
  text.reserve(size);
  for (std::string_view part : parts)
    text.append(part);
  return text;
}

std::string Quote(std::string_view text) {
  return "\"" + std::string(text) + "\"";
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
