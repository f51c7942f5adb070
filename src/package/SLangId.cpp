// SLangId: the table of language names and identifiers, and its look-ups.
#include "package/SLangId.h"

#include "util/NumberText.h"
#include "util/UtilsText.h"
#include "util/ZSUB.h"

namespace orvane {
namespace {

// Stored order; the padding keeps the "=" of every entry in one column.
constexpr std::string_view kTable =
    "|AFRIKAANS    = 54"
    "|ALBANIAN     = 28"
    "|ARABIC       = 01"
    "|BASQUE       = 45"
    "|BELARUSIAN   = 35"
    "|BULGARIAN    = 02"
    "|CATALAN      = 03"
    "|CHINESE      = 04"
    "|CROATIAN     = 26"
    "|CZECH        = 05"
    "|DANISH       = 06"
    "|DUTCH        = 19"
    "|ENGLISH      = 09"
    "|ESTONIAN     = 37"
    "|FAEROESE     = 56"
    "|FARSI        = 41"
    "|FINNISH      = 11"
    "|FRENCH       = 12"
    "|GERMAN       = 07"
    "|GREEK        = 08"
    "|HEBREW       = 13"
    "|HUNGARIAN    = 14"
    "|ICELANDIC    = 15"
    "|INDONESIAN   = 33"
    "|ITALIAN      = 16"
    "|JAPANESE     = 17"
    "|KOREAN       = 18"
    "|LATVIAN      = 38"
    "|LITHUANIAN   = 39"
    "|NORWEGIAN    = 20"
    "|POLISH       = 21"
    "|PORTUGUESE   = 22"
    "|ROMANIAN     = 24"
    "|RUSSIAN      = 25"
    "|SERBIAN      = 26"
    "|SLOVAK       = 27"
    "|SLOVENIAN    = 36"
    "|SPANISH      = 10"
    "|SWEDISH      = 29"
    "|THAI         = 30"
    "|TURKISH      = 31"
    "|UKRAINIAN    = 34"
    "|VIETNAMESE   = 42"
    "|CHINESE(SIMPLIFIED)  = 2052"
    "|CHINESE(TRADITIONAL) = 1028"
    "|DUTCH(FLEMISH)       = 2067"
    "|DUTCH(STANDARD)      = 1043"
    "|PORTUGUESE(PORTUGAL) = 2070"
    "|PORTUGUESE(BRAZIL)   = 1046"
    "|SERBIAN(LATIN)       = 2074"
    "|SERBIAN(CYRILIC)     = 3098|";

// The name of an entry: the text before its "=", trimmed; empty for an entry
// without a name before the "=" or without "=" at all.
std::string EntryName(std::string_view entry) {
  const size_t equals = entry.find('=');
  if (equals == std::string_view::npos || equals == 0)
    return {};
  return Trim(entry.substr(0, equals));
}

}  // namespace

std::string_view LanguageTable() {
  return kTable;
}

std::string LanguageNameFromDigits(std::string_view digits) {
  if (digits.empty())
    return {};
  const int count = SUB::Count(kTable);
  for (int i = 0; i < count; ++i) {
    const std::string entry = SUB::Get(kTable, i);
    if (entry.find(digits) == std::string::npos)
      continue;
    std::string name = EntryName(entry);
    if (!name.empty())
      return name;
  }
  return {};
}

std::string LanguageNameFromPrimaryId(uint32_t primaryLanguage) {
  return LanguageNameFromDigits(ZeroPad(primaryLanguage, 2));
}

std::string LanguageIdFromName(std::string_view name) {
  const std::string wanted = Trim(name);
  if (wanted.empty())
    return {};
  const int count = SUB::Count(kTable);
  for (int i = 0; i < count; ++i) {
    const std::string entry = SUB::Get(kTable, i);
    if (SameTextTrim(EntryName(entry), wanted))
      return Trim(TextAfter(entry, "="));
  }
  return {};
}

}  // namespace orvane
