// UtilsSwitch: the command-line switch reader.
#include "util/UtilsSwitch.h"

#include <limits>

#include "util/NumberText.h"
#include "util/PathText.h"
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
  list = DropBlanksBeforeEquals(list);

  const size_t at = PosNoCase(list, kSwitchSeparator + key);
  if (at == std::string::npos)
    return std::string(defaultValue);
  const size_t valueStart = at + 1 + key.size();
  const size_t valueEnd = list.find(kSwitchSeparator, valueStart);
  return Trim(std::string_view(list).substr(valueStart, valueEnd - valueStart));
}

int64_t GetSwitchInt(std::string_view tail, std::string_view name, int64_t defaultValue) {
  int64_t value = 0;
  return ParseInt64(GetSwitch(tail, name, {}), value) ? value : defaultValue;
}

bool HasSwitch(std::string_view tail, std::string_view name) {
  const std::string key = Trim(name);
  if (key.empty())
    return false;
  return PosNoCase(std::string(tail) + " ", key + " ") != std::string::npos;
}

}  // namespace orvane
