// LangStringsWin: the Windows side of the language strings (LangStrings.h):
// the thread locale's language, the process-wide language choice and the
// language look-ups of a package.
#pragma once

#include <string>
#include <string_view>

#include "package/LangStrings.h"
#include "package/PackX.h"

namespace orvane {

// Name of the thread locale's language in the table of SLangId.h (primary
// language 9 when the locale gives none); empty when the table has no entry.
std::string GetSystemLanguageName();

// The language look-ups of a package. The language is chosen on the first
// call of the process, from the block of the package of that call, and kept
// until the process ends: later calls use it on every package.
std::string GetLangString(const TGFileInfo& info, std::string_view key, std::string_view def);
// With the built-in text of `key` (LangDefault) as the default.
std::string GetLangString(const TGFileInfo& info, std::string_view key);
// "Charset" and "FontSize" as integers (0 and 8 when not a number), and
// "FontName" ("Tahoma").
int GetCharset(const TGFileInfo& info);
int GetFontSize(const TGFileInfo& info);
std::string GetFontName(const TGFileInfo& info);

}  // namespace orvane
