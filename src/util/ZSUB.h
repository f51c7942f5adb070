// ZSUB: the delimited sub-field list, the launcher's own list format.
//
// A list is one string whose first character is its delimiter d and which
// ends with d: "|&OK|&Cancel|" holds the fields "&OK" and "&Cancel", counted
// from 0. "||" holds one empty field; "", a lone delimiter and the string made
// of the single character 0 hold none. A keyed list has fields name=value.
// Button captions, package and entry headers, switch values, setup-info
// values and process lists travel in this form.
//
// When a field has to contain the delimiter, the list is rewritten with the
// first of | * ~ ^ ! @ # $ & and character 255 that no field contains
// (character 0 when all ten occur).
//
// Lists come from packages and command lines, so every operation accepts any
// text. A text that does not end with its first character is malformed: Count
// gives 0 for it, Get still reads the fields that a delimiter closes, and the
// operations that rebuild a list keep those closed fields and drop the
// unclosed rest. A rebuilt list without fields is the empty string.
//
// "Trimmed" removes characters 1 to 32 (control characters and the space)
// from both ends; character 0 stays, as it may be a delimiter. Comparisons
// that ignore case fold the ASCII letters only, so no letter can ever compare
// equal to a delimiter candidate such as character 255.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

class SUB {
 public:
  // Delimiter candidates in order of preference.
  static constexpr std::string_view kDelimiters{"|*~^!@#$&\xff", 10};

  // Number of fields; 0 unless the list has 2 or more characters and ends
  // with its first one.
  static int Count(std::string_view list);
  // Field `index` (-1: the last one); `def` when it is missing or empty.
  static std::string Get(std::string_view list, int index, std::string_view def = {});
  // Field `index` as a decimal 64-bit number (optional sign, blanks around);
  // `def` when the field is missing, not a number or out of range.
  static int64_t GetInt(std::string_view list, int index, int64_t def = 0);
  // Value of the first field name=value; the name matches whole field names
  // only. `def` when no field has the name, `valueIfEmpty` when its value is
  // empty. `dropSpaces` removes the blanks in front of every "=" first.
  static std::string Value(std::string_view list, std::string_view name, std::string_view def = {},
                           std::string_view valueIfEmpty = {}, bool dropSpaces = true,
                           bool ignoreCase = true);
  // The list with field `index` replaced by `value`, adding empty fields up
  // to it; an empty list gets the delimiter "|". A negative index changes nothing.
  static std::string Set(std::string_view list, int index, std::string_view value);

  // Number of the first field equal to `item` ignoring case (with `prefix`:
  // the first field starting with it), or `def`. The list is trimmed; the
  // item is tried as given, then trimmed.
  static int IndexOf(std::string_view list, std::string_view item, int def = -1,
                     bool prefix = false);
  // True when a field equals `item`; `trim` trims the list and the item first.
  static bool Contains(std::string_view list, std::string_view item, bool trim = false,
                       bool ignoreCase = true);
  // The list without field `index`; unchanged when there is no such field.
  static std::string Delete(std::string_view list, int index);
  static std::string Reverse(std::string_view list);
  // The list without its empty fields at the end and/or at the start.
  static std::string TrimEmpty(std::string_view list, bool atEnd = true, bool atStart = false);
  // The parts before / after the first "=" of each field, as a normalised
  // list (a field without "=" is all name and has an empty value).
  static std::string Names(std::string_view list, bool trim = true);
  static std::string Values(std::string_view list, bool trim = true);
  // name=value fields paired by position up to the longer list, missing parts
  // empty, normalised. `dropEmpty` first removes empty fields at the end of both.
  static std::string Zip(std::string_view names, std::string_view values, bool dropEmpty = false);
  // A normalised list of `items`; `unique` filters them as Unique does.
  static std::string Join(const std::vector<std::string>& items, bool unique = false);
  // The list followed by `items` (an empty list gets "|"), normalised when an
  // item contains the delimiter; `unique` filters the whole result as Unique does.
  static std::string Append(std::string_view list, const std::vector<std::string>& items,
                            bool unique = false);
  // The non-empty fields without repeats (compared trimmed, ignoring case),
  // in first-seen order, each kept as first seen.
  static std::string Unique(std::string_view list);
  // The list rewritten with the first candidate delimiter that no field
  // contains; text after the last delimiter is kept as it is.
  static std::string Normalize(std::string_view list);
  // The list with every delimiter replaced by `delimiter`; unchanged when
  // `delimiter` already occurs in it, since that would split fields.
  static std::string ChangeDelimiter(std::string_view list, char delimiter);
};

}  // namespace orvane
