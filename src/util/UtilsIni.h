// UtilsIni: the INI primitives of unit Utils, over the system's
// private-profile functions.
//
// Every read of the process goes through one critical section, so that no
// two threads interleave their use of the system's profile cache; writes do
// not take it. Values are taken as the system returns them (it drops blanks
// and one pair of quotes around a value); nothing is cached here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orvane {

// Longest value a read returns: longer ones are cut to it.
constexpr size_t kIniValueLimit = 32768;
// Values longer than this are used but traced ("ReadIniString SizeError=").
constexpr size_t kIniValueTraceLimit = 10240;

// The value of `key` in [`section`] of `file`. `def` when the file, section
// or key is missing or empty, and when the value is empty: a key present
// without a value reads as its default. Never fails: a failure of the system
// call gives `def`.
std::string ReadIniString(std::string_view file, std::string_view section, std::string_view key,
                          std::string_view def);

// The value as a 64-bit decimal integer; `def` when it is missing, empty or
// not a number.
int64_t ReadIniInt64(std::string_view file, std::string_view section, std::string_view key,
                     int64_t def);

// Writes `value` (creating the file and section when missing). False, with
// nothing written, when file, section or key is empty, and when the system
// reports a failure.
bool WriteIniString(std::string_view file, std::string_view section, std::string_view key,
                    std::string_view value);

// Writes the decimal form of `value`.
bool WriteIniInt64(std::string_view file, std::string_view section, std::string_view key,
                   int64_t value);

}  // namespace orvane
