// Variables: -D definitions, ${NAME} expansion and SOURCE_DATE_EPOCH.
#include "Variables.h"

namespace orvane::stubpack {
namespace {

bool IsNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

bool IsName(std::string_view name) {
  if (name.empty())
    return false;
  for (char c : name) {
    if (!IsNameChar(c))
      return false;
  }
  return true;
}

}  // namespace

bool AddDefine(std::string_view text, Defines& defines, std::string& error) {
  const size_t equals = text.find('=');
  if (equals == std::string_view::npos) {
    error = "-D expects NAME=VALUE, not '" + std::string(text) + "'";
    return false;
  }
  const std::string_view name = text.substr(0, equals);
  if (!IsName(name)) {
    error = "-D name '" + std::string(name) + "' is not a name (letters, digits and _)";
    return false;
  }
  defines.insert_or_assign(std::string(name), std::string(text.substr(equals + 1)));
  return true;
}

bool ExpandVariables(std::string_view text, const Defines& defines, std::string& out,
                     std::string& error) {
  out.clear();
  size_t i = 0;
  while (i < text.size()) {
    if (text.compare(i, 3, "$${") == 0) {
      out += "${";
      i += 3;
      continue;
    }
    if (text.compare(i, 2, "${") != 0) {
      out += text[i++];
      continue;
    }
    const size_t close = text.find('}', i + 2);
    if (close == std::string_view::npos) {
      error = "'${' without '}' (write $${ for a literal ${)";
      return false;
    }
    const std::string_view name = text.substr(i + 2, close - i - 2);
    if (!IsName(name)) {
      error = "'${" + std::string(name) + "}' is not a variable name (letters, digits and _)";
      return false;
    }
    const auto found = defines.find(name);
    if (found == defines.end()) {
      error = "variable ${" + std::string(name) + "} is not defined (give it with -D " +
              std::string(name) + "=VALUE)";
      return false;
    }
    out += found->second;
    i = close + 1;
  }
  return true;
}

bool ParseSourceDateEpoch(std::string_view text, int64_t& seconds) {
  // 18 digits reach far beyond any file time and cannot overflow.
  if (text.empty() || text.size() > 18)
    return false;
  int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9')
      return false;
    value = value * 10 + (c - '0');
  }
  seconds = value;
  return true;
}

}  // namespace orvane::stubpack
