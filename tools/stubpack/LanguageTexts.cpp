// LanguageTexts: language names against the launcher's table, texts into
// their code page.
#include "LanguageTexts.h"

#include "CodePage.h"
#include "package/LangStrings.h"
#include "package/SLangId.h"
#include "util/NumberText.h"
#include "util/UtilsText.h"

namespace orvane::stubpack {
namespace {

// Windows keeps the primary language in the low 10 bits of an identifier.
constexpr uint32_t kPrimaryLanguageMask = 0x3FF;

const Origin& StringOrigin(const Language& language, size_t index) {
  return index < language.stringOrigins.size() ? language.stringOrigins[index] : language.origin;
}

void CheckName(const Language& language, size_t languageCount, Problems& problems) {
  const std::string name = Trim(language.name);
  const std::string id = LanguageIdFromName(name);
  if (id.empty()) {
    problems.push_back({false,
                        "the launcher never chooses a language named '" + name +
                            "'; name it as its table does (any case): " + LanguageNames(),
                        language.origin.Text()});
    return;
  }
  if (languageCount < 2)
    return;  // the only language of a package is used on every system
  const uint32_t primary =
      static_cast<uint32_t>(ParseUnsigned(id, 10, UINT32_MAX)) & kPrimaryLanguageMask;
  const std::string chosen = LanguageNameFromPrimaryId(primary);
  if (!SameTextTrim(chosen, name))
    problems.push_back(
        {true,
         "the launcher chooses a language by the system's primary language, and a system in "
         "the language of " +
             name + " chooses " + chosen +
             ": this language is shown nowhere unless named [Language." + chosen + "]",
         language.origin.Text()});
}

}  // namespace

std::string LanguageNames() {
  std::string names;
  const std::string_view table = LanguageTable();
  size_t pos = 0;
  while (pos < table.size()) {
    size_t end = table.find('|', pos);
    if (end == std::string_view::npos)
      end = table.size();
    const std::string_view entry = table.substr(pos, end - pos);
    const size_t equals = entry.find('=');
    if (equals != std::string_view::npos && equals > 0)
      names += (names.empty() ? "" : ", ") + Trim(entry.substr(0, equals));
    pos = end + 1;
  }
  return names;
}

int LanguageCharset(const Language& language) {
  for (const auto& [key, value] : language.strings) {
    if (SameTextTrim(key, "Charset"))
      return LangIntValue(value, kDefaultCharset);
  }
  return kDefaultCharset;
}

void CheckLanguageTexts(const Language& language, size_t languageCount, Problems& problems) {
  if (Trim(language.name).empty())
    return;  // reported as a section without a name
  CheckName(language, languageCount, problems);
  const int charset = LanguageCharset(language);
  const int codePage = CodePageOfCharset(charset);
  for (size_t i = 0; i < language.strings.size(); ++i) {
    const auto& [key, value] = language.strings[i];
    const Origin& origin = StringOrigin(language, i);
    std::string stored;
    std::string error;
    if (Utf8ToCodePage(value, codePage, stored, error))
      continue;
    if (FirstNonUtf8Byte(value) != std::string::npos && !origin.file.empty())
      error += "; save the project file as UTF-8";
    else if (codePage == 0)
      error = "Charset=" + std::to_string(charset) +
              " has no code page of its own; a text with characters beyond ASCII needs one of " +
              "the character sets " + KnownCharsets();
    problems.push_back(
        {false, "Language." + Trim(language.name) + " " + key + ": " + error, origin.Text()});
  }
}

std::string StoredLanguageText(const Language& language, std::string_view text) {
  std::string stored;
  std::string error;
  if (Utf8ToCodePage(text, CodePageOfCharset(LanguageCharset(language)), stored, error))
    return stored;
  return std::string(text);
}

}  // namespace orvane::stubpack
