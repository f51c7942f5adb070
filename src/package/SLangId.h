// SLangId: the table of language names and Windows language identifiers.
//
// The table is one constant text, a "|"-separated list of 51 entries. Each
// entry is an upper-case language name padded with blanks to 13 characters
// (21 for the eight regional variants), then "= " and the identifier in
// decimal: two digits for a primary language ("07"), four for a full
// identifier that names a regional variant ("2052"). The stored order
// matters: look-ups take the first entry that fits, so CROATIAN (26) wins
// over SERBIAN (26).
//
// The language strings of a package are chosen by these names (see
// LangStrings.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orvane {

// The table text, "|AFRIKAANS    = 54|ALBANIAN     = 28|...|SERBIAN(CYRILIC)     = 3098|".
std::string_view LanguageTable();

// Name (trimmed) of the first entry whose text contains `digits` anywhere;
// empty when none does or `digits` is empty. A plain substring test: "52",
// found in no two-digit entry, selects "2052" (CHINESE(SIMPLIFIED)).
std::string LanguageNameFromDigits(std::string_view digits);

// The name for a primary language identifier: the identifier in decimal,
// left-padded with zeros to two digits, looked up as LanguageNameFromDigits.
// 7 gives GERMAN, 26 CROATIAN.
std::string LanguageNameFromPrimaryId(uint32_t primaryLanguage);

// Identifier digits ("07", "2052") of the first entry whose name equals
// `name` (both trimmed, ignoring case); empty when there is none.
std::string LanguageIdFromName(std::string_view name);

}  // namespace orvane
