// UtilsSwitch: the command-line switch reader.
#include "util/UtilsSwitch.h"

#include <limits>

#include "util/UtilsText.h"

namespace orvane {

namespace {

constexpr char kSwitchSeparator = '\x01';

// Everything after the first occurrence of `name` (without regard to case);
// false when it does not occur.
bool RestAfter(std::string_view text, std::string_view name, std::string& rest) {
  const size_t at = PosNoCase(text, name);
  if (at == std::string::npos)
    return false;
  rest = Trim(text.substr(at + name.size()));
  if (rest.size() == 1)
    rest.clear();
  return true;
}

// Drops every run of blanks directly before "=", so "/WAIT = 10" reads as
// "/WAIT= 10" (one pass, however long the run).
std::string FoldBlanksBeforeEquals(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (char c : text) {
    if (c == '=') {
      while (!result.empty() && result.back() == ' ')
        result.pop_back();
    }
    result += c;
  }
  return result;
}

}  // namespace

std::string CommandTail(std::string_view commandLine, std::string_view ownPath) {
  const std::string fileName = FileNamePart(ownPath);
  std::string rest;
  if (!fileName.empty() &&
      (RestAfter(commandLine, fileName + "\"", rest) || RestAfter(commandLine, fileName, rest))) {
    return rest;
  }
  const size_t at = ownPath.empty() ? std::string::npos : PosNoCase(commandLine, ownPath);
  if (at == std::string::npos)
    return Trim(commandLine);
  std::string tail(commandLine);
  tail.erase(at, ownPath.size());
  return Trim(tail);
}

std::string GetSwitch(std::string_view tail, std::string_view name, std::string_view defaultValue) {
  std::string key = Trim(name);
  if (key.empty())
    return std::string(defaultValue);
  const char prefix = key[0] == '-' ? '-' : '/';
  key = ReplaceAll(key, std::string(1, prefix), "");
  if (key.empty() || key.back() != '=' || key == "=")
    key += '=';

  // One field per switch, each introduced by the separator byte.
  std::string list = ReplaceAll(" " + std::string(tail), "\"", "");
  list = ReplaceAll(list, std::string(" ") + prefix, std::string(1, kSwitchSeparator));
  list = kSwitchSeparator + list + kSwitchSeparator;
  list = FoldBlanksBeforeEquals(list);

  const size_t at = PosNoCase(list, kSwitchSeparator + key);
  if (at == std::string::npos)
    return std::string(defaultValue);
  const size_t valueStart = at + 1 + key.size();
  const size_t valueEnd = list.find(kSwitchSeparator, valueStart);
  return Trim(std::string_view(list).substr(valueStart, valueEnd - valueStart));
}

int64_t GetSwitchInt(std::string_view tail, std::string_view name, int64_t defaultValue) {
  const std::string text = GetSwitch(tail, name, {});
  size_t i = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (!text.empty() && (text[0] == '-' || text[0] == '+'))
    ++i;
  if (i == text.size())
    return defaultValue;
  // Accumulate the magnitude unsigned so that INT64_MIN is representable.
  const uint64_t limit = negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
  uint64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9')
      return defaultValue;
    const auto digit = static_cast<uint64_t>(text[i] - '0');
    if (magnitude > (limit - digit) / 10)
      return defaultValue;
    magnitude = magnitude * 10 + digit;
  }
  if (!negative)
    return static_cast<int64_t>(magnitude);
  return magnitude == (uint64_t{1} << 63) ? std::numeric_limits<int64_t>::min()
                                          : -static_cast<int64_t>(magnitude);
}

bool HasSwitch(std::string_view tail, std::string_view name) {
  const std::string key = Trim(name);
  if (key.empty())
    return false;
  return PosNoCase(std::string(tail) + " ", key + " ") != std::string::npos;
}

}  // namespace orvane
