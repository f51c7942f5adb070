// LangStringsWin: the system's language, the process-wide language choice and
// the language look-ups of a package.
#include "package/LangStringsWin.h"

#include <windows.h>

#include <string>

#include "package/LangStrings.h"
#include "package/PackX.h"
#include "package/SLangId.h"

namespace orvane {
namespace {

// The per-language list chosen on the first look-up of the process, or
// kNoLanguage; empty until then.
std::string& LanguageCache() {
  static std::string cache;
  return cache;
}

}  // namespace

std::string GetSystemLanguageName() {
  uint32_t primary = PRIMARYLANGID(LANGIDFROMLCID(::GetThreadLocale()));
  if (primary == 0)
    primary = LANG_ENGLISH;
  return LanguageNameFromPrimaryId(primary);
}

std::string GetLangString(const TGFileInfo& info, std::string_view key, std::string_view def) {
  std::string& cache = LanguageCache();
  if (cache.empty())
    cache = ChooseLanguage(info.LanguageBlock(), GetSystemLanguageName());
  return LanguageListValue(cache, key, def);
}

std::string GetLangString(const TGFileInfo& info, std::string_view key) {
  return GetLangString(info, key, LangDefault(key));
}

int GetCharset(const TGFileInfo& info) {
  return LangIntValue(GetLangString(info, "Charset", "0"), kDefaultCharset);
}

int GetFontSize(const TGFileInfo& info) {
  return LangIntValue(GetLangString(info, "FontSize", "8"), kDefaultFontSize);
}

std::string GetFontName(const TGFileInfo& info) {
  return GetLangString(info, "FontName", kDefaultFontName);
}

}  // namespace orvane
