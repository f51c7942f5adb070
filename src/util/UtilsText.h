// UtilsText: the portable general text services of unit Utils.
//
// Trimming, ASCII case, searching, cutting, replacing and quoting, all on
// 8-bit ANSI text in std::string. Paths, numbers and dates have units of
// their own (PathText.h, NumberText.h, DateText.h).
//
// Conventions of these units:
// - Positions are 0-based (size_t); "not found" is std::string::npos.
// - Case-insensitive means ASCII only: 'a'..'z' fold to 'A'..'Z'; bytes of the
//   code page's upper half compare as they are.
// - Trim removes leading and trailing bytes <= ' ' (controls and blanks).
// - No function throws or reads out of range for any input.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

namespace orvane {

std::string Trim(std::string_view text);
// The trimmed part of `text`, without a copy.
std::string_view TrimView(std::string_view text);
std::string TrimLeft(std::string_view text);
std::string TrimRight(std::string_view text);

// ASCII upper and lower case.
std::string UpperCaseAscii(std::string_view text);
std::string LowerCaseAscii(std::string_view text);

// The text before the first occurrence of `delimiter`, trimmed when `trim` is
// set. When the delimiter does not occur (or is empty), `defaultValue` is
// returned as it is.
std::string TextBefore(std::string_view text, std::string_view delimiter,
                       std::string_view defaultValue = {}, bool trim = false);

// The text after the first occurrence of `delimiter` (searched without regard
// to case when `ignoreCase` is set), trimmed when `trim` is set; otherwise as
// TextBefore.
std::string TextAfter(std::string_view text, std::string_view delimiter,
                      std::string_view defaultValue = {}, bool trim = false,
                      bool ignoreCase = false);

// Every occurrence of `pattern` replaced by `replacement`, scanning left to
// right. The text comes back unchanged when the pattern is empty or when the
// replacement itself contains the pattern.
std::string ReplaceAll(std::string_view text, std::string_view pattern,
                       std::string_view replacement);

// Position of the last occurrence of `pattern`; npos when there is none or
// the pattern is empty.
size_t LastPos(std::string_view text, std::string_view pattern);

// First position at or after `start` where `pattern` occurs, optionally
// without regard to case; npos when there is none or the pattern is empty.
size_t FindFrom(std::string_view text, std::string_view pattern, size_t start = 0,
                bool ignoreCase = false);

// First position at or after `start` of any character of `set`, optionally
// without regard to case; npos when there is none.
size_t FindAnyOf(std::string_view text, std::string_view set, size_t start = 0,
                 bool ignoreCase = false);

// Case-insensitive FindFrom from the start.
size_t PosNoCase(std::string_view text, std::string_view pattern);
// Case-insensitive tests; an empty prefix or suffix matches every text.
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
bool EndsWithNoCase(std::string_view text, std::string_view suffix);
// Equality of the trimmed texts without regard to case.
bool SameTextTrim(std::string_view a, std::string_view b);

// Removes `ch` from both ends when the text has at least 2 characters and
// starts and ends with it. With `force`, removes the whole leading run and the
// whole trailing run of `ch` instead, even when only one end has it.
std::string StripPair(std::string_view text, char ch, bool force = false);

// Trims, then removes one surrounding pair of double quotes.
std::string TrimStripQuotes(std::string_view text);

// `"` + text + `"`.
std::string Quote(std::string_view text);

// The parts joined into one text, in one allocation. Out of line, so that a
// message assembled from many parts costs one call instead of a chain of
// inlined concatenations.
std::string Cat(std::initializer_list<std::string_view> parts);

// Only the characters of `text` that occur in `keep`, in their order.
std::string KeepOnly(std::string_view text, std::string_view keep);

// The bytes in reverse order.
std::string Reverse(std::string_view text);

// Replaces the text lying between two occurrences of `delimiter`: from the end
// of occurrence `first` to the start of occurrence `last` (occurrences
// counted from 1; occurrence 0 stands for the start of the text, and a
// `last` beyond the occurrences present stands for the end of the text). The
// delimiters themselves stay. With "|" as delimiter, "a|b|c|d" with first 1
// and last 3 gives "a|X|d". The text is unchanged when first >= last, when
// occurrence `first` does not exist, or when the delimiter is empty.
std::string ReplaceBetween(std::string_view text, std::string_view delimiter, size_t first,
                           size_t last, std::string_view replacement, bool ignoreCase = false);

// Every run of blanks directly before "=" removed, in one pass: the same text
// as replacing " =" by "=" until none is left ("WAIT = 10" gives "WAIT= 10").
std::string DropBlanksBeforeEquals(std::string_view text);

}  // namespace orvane
