// LanguageTexts: the rules a language of the project must meet so that the
// launcher chooses it and shows its texts as written, and the stored form of
// its texts.
//
// The launcher picks a language by the name of the system's language in its
// table of names (package/SLangId.h: ENGLISH, GERMAN, CHINESE ...), so a
// section named otherwise is never chosen where another language is present.
// Texts are written in UTF-8 and stored in the code page of the language's
// `Charset` (CodePage.h).
#pragma once

#include <string>
#include <string_view>

#include "BuildPlan.h"

namespace orvane::stubpack {

// The names of the launcher's table, "AFRIKAANS, ALBANIAN, ...".
std::string LanguageNames();

// The value of the language's Charset key as the launcher reads it (0 when
// absent or not a number).
int LanguageCharset(const Language& language);

// Adds to `problems`: an error for a name the launcher's table does not
// have, listing the names it has; a warning, when the plan has more than one
// language (`languageCount`), for a name of the table that a system in that
// language does not choose (SERBIAN: such a system chooses CROATIAN); an
// error with the key's line for each text that is not UTF-8 or holds a
// character the language's code page cannot show.
void CheckLanguageTexts(const Language& language, size_t languageCount, Problems& problems);

// `text` of `language` as the launcher gets it: in the code page of the
// language's Charset. A text CheckLanguageTexts refuses stays as it is.
std::string StoredLanguageText(const Language& language, std::string_view text);

}  // namespace orvane::stubpack
