// UtilsSwitch: the command-line switch reader.
//
// Every Part of the launcher reads its switches ("/SpanCdLvl=2", "/hide",
// "-x=1") through these functions. They work on text only: the Windows unit
// Utils passes the process's command line and the own executable path. A
// switch value runs up to the next blank followed by the switch's prefix
// character, so values may contain blanks; double quotes are dropped; names
// are compared without regard to case (ASCII).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orvane {

// The command line without the program's own name, trimmed. The own name is
// found, without regard to case, as the own file name followed by a double
// quote, else as the own file name, and everything up to and including it is
// dropped (a remainder of a single non-blank character counts as empty);
// failing both, the first occurrence of the full own path is removed. An own
// path without a file-name part goes straight to that last step.
std::string CommandTail(std::string_view commandLine, std::string_view ownPath);

// The value of the switch `name` ("/WAIT=", "WAIT", "-x="), trimmed, from the
// first switch of that name in `tail`: `defaultValue` when it is absent, the
// empty text when it is present with an empty value. Blanks before "=" are
// ignored ("/wait = 7" reads as 7). The prefix character is "-" when the name
// begins with "-", otherwise "/"; only a blank followed by that character
// ends a value, so a "-" switch may swallow a later "/" one. (The default has no default of its
// own, so that a two-argument call always means the wrapper in Utils.h, which reads the process's
// own command line.)
std::string GetSwitch(std::string_view tail, std::string_view name, std::string_view defaultValue);

// GetSwitch(tail, name) read as a signed decimal integer (optional sign,
// digits only); `defaultValue` when the value is empty, not such a number or
// out of the 64-bit range.
int64_t GetSwitchInt(std::string_view tail, std::string_view name, int64_t defaultValue);

// Presence of a value-less switch such as "/hide": the trimmed name followed
// by a blank occurs in `tail` + " " without regard to case, so "/hide" matches
// "/HIDE" but not "/hidden". An empty name is never present.
bool HasSwitch(std::string_view tail, std::string_view name);

}  // namespace orvane
