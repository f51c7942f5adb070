// RegPath: root names, path splitting and value conversion.
#include "util/RegPath.h"

#include <cstddef>

namespace orvane {
namespace {

// Blanks and control characters count as white space around names.
std::string_view TrimBlanks(std::string_view s) {
  size_t begin = 0;
  size_t end = s.size();
  while (begin < end && static_cast<unsigned char>(s[begin]) <= ' ')
    ++begin;
  while (end > begin && static_cast<unsigned char>(s[end - 1]) <= ' ')
    --end;
  return s.substr(begin, end - begin);
}

char AsciiUpper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiUpper(a[i]) != AsciiUpper(b[i]))
      return false;
  }
  return true;
}

struct RootName {
  const char* longName;
  const char* shortName;
  RegRootKey root;
};

constexpr RootName kRootNames[] = {
    {"HKEY_CLASSES_ROOT", "HKCR", kRegClassesRoot},
    {"HKEY_CURRENT_USER", "HKCU", kRegCurrentUser},
    {"HKEY_LOCAL_MACHINE", "HKLM", kRegLocalMachine},
    {"HKEY_USERS", "HKU", kRegUsers},
    {"HKEY_CURRENT_CONFIG", "HKCC", kRegCurrentConfig},
    {"HKEY_DYN_DATA", "HKDD", kRegDynData},
};

}  // namespace

RegRootKey RegRootFromName(std::string_view name) {
  name = TrimBlanks(name);
  for (const RootName& entry : kRootNames) {
    if (EqualsIgnoringCase(name, entry.longName) || EqualsIgnoringCase(name, entry.shortName)) {
      return entry.root;
    }
  }
  return kRegCurrentUser;
}

RegPathParts SplitRegPath(std::string_view keyPath) {
  keyPath = TrimBlanks(keyPath);
  RegPathParts parts;
  if (keyPath.size() < 2 || AsciiUpper(keyPath[0]) != 'H' || AsciiUpper(keyPath[1]) != 'K') {
    parts.root = kRegCurrentUser;
    parts.subKey = std::string(keyPath);
    return parts;
  }
  const size_t slash = keyPath.find('\\');
  if (slash == std::string_view::npos) {
    parts.root = RegRootFromName(keyPath);
  } else {
    parts.root = RegRootFromName(keyPath.substr(0, slash));
    parts.subKey = std::string(keyPath.substr(slash + 1));
  }
  return parts;
}

std::string ConvertRegValue(uint32_t type, std::string_view bytes) {
  if (type == kRegDword && bytes.size() == 4) {
    uint32_t value = 0;
    for (size_t i = 4; i-- > 0;) {
      value = (value << 8) | static_cast<unsigned char>(bytes[i]);
    }
    return std::to_string(value);
  }
  if (type == kRegMultiSz && bytes.size() > 2) {
    size_t end = bytes.size();
    while (end > 0 && bytes[end - 1] == '\0')
      --end;
    std::string text;
    text.reserve(end);
    for (size_t i = 0; i < end; ++i) {
      if (bytes[i] == '\0') {
        text += "<0>";
      } else {
        text += bytes[i];
      }
    }
    return text;
  }
  // A string stored without its terminating zero ends with the data.
  const size_t nul = bytes.find('\0');
  return std::string(bytes.substr(0, nul == std::string_view::npos ? bytes.size() : nul));
}

}  // namespace orvane
