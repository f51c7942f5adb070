// Variables: the NAME=VALUE definitions given with -D, the ${NAME}
// references in a project file's values that they replace, and the
// SOURCE_DATE_EPOCH time of a reproducible build.
//
// A reference is "${" NAME "}", NAME being letters, digits and "_" (case
// matters, as in the environment). "$${" writes "${" without expanding;
// any other "$" is kept as it is. A value is inserted as it is: it is not
// expanded again and no quote or ";" in it is read as INI syntax.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace orvane::stubpack {

using Defines = std::map<std::string, std::string, std::less<>>;

// "NAME=VALUE" from -D into `defines` (a later one replaces an earlier);
// false with the reason in `error` for a text without "=" or a bad name.
bool AddDefine(std::string_view text, Defines& defines, std::string& error);

// `text` with every ${NAME} replaced; false with the reason in `error` for a
// name that is not defined, not a valid name, or a "${" without "}".
bool ExpandVariables(std::string_view text, const Defines& defines, std::string& out,
                     std::string& error);

// The value of SOURCE_DATE_EPOCH: decimal seconds since 1970-01-01 UTC,
// digits only. False for anything else (empty, a sign, blanks, a fraction,
// more than 18 digits).
bool ParseSourceDateEpoch(std::string_view text, int64_t& seconds);

}  // namespace orvane::stubpack
