// InfoEdit: reading and setting values of an update-information (".info")
// file while keeping every other byte as it is.
//
// The agent reads the file with the system's profile functions, so these
// find values as they do: the first section whose name matches (blanks
// around it and case do not matter), in it the first "key=value" line whose
// key matches; the value is the rest of the line, trimmed. Lines end with
// "\n" or "\r\n"; a new line takes the file's own ending.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvane::stubpack {

// The value of `key` in `section`, or nothing when the file has none.
std::optional<std::string> ReadInfoValue(std::string_view text, std::string_view section,
                                         std::string_view key);

// `text` with `key` in `section` set to `value`: the value of its first
// line is replaced (what stands before the "=" is kept), a missing key is
// added after the section's last line that is not blank, a missing section
// is added at the end.
std::string SetInfoValue(std::string_view text, std::string_view section, std::string_view key,
                         std::string_view value);

}  // namespace orvane::stubpack
