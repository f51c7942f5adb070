// HeaderBlocks: header-block texts from the build settings.
#include "HeaderBlocks.h"

#include "LanguageTexts.h"
#include "package/PackFormat.h"
#include "util/UtilsText.h"

namespace orvane::stubpack {
namespace {

uint32_t Fnv1a(const std::string& text, int field) {
  uint32_t hash = 2166136261u ^ static_cast<uint32_t>(field);
  for (char c : text) {
    hash ^= static_cast<uint8_t>(c);
    hash *= 16777619u;
  }
  return hash;
}

}  // namespace

std::string ScrambledToken(const std::string& plain, int field) {
  return pack::ScrambleToken(plain, Fnv1a(plain, field));
}

std::string MakeLanguageBlock(const std::vector<Language>& languages) {
  if (languages.empty())
    return std::string();
  std::string block(1, pack::kLanguageBlockSeparator);
  for (const Language& language : languages) {
    block += pack::kLanguageSeparator;
    block += language.name;
    block += pack::kLanguageSeparator;
    for (const auto& [key, value] : language.strings) {
      block += key;
      block += '=';
      block += StoredLanguageText(language, value);
      block += pack::kLanguageSeparator;
    }
    block += pack::kLanguageBlockSeparator;
  }
  return block;
}

std::string MakeInternetBlock(const InternetSettings& internet) {
  const char bar = pack::kListSeparator;
  if (!internet.present)
    return std::string("|http:|.info|.exe|") + ScrambledToken(std::string(), 0) + "|0|";
  return bar + internet.infoUrl + bar + internet.infoFile + bar + internet.agentFile + bar +
         ScrambledToken(internet.productToken, 0) + bar + (internet.runHidden ? "1" : "0") + bar +
         (internet.updateKey.empty() ? "" : internet.updateKey + bar);
}

std::string MakeDownloadBlock(const DownloadSettings& download, const std::string& size) {
  const char bar = pack::kListSeparator;
  return bar + download.location + bar + download.fileName + bar +
         (download.skipLocalCopy ? "1" : "0") + bar + ScrambledToken(download.token, 1) + bar +
         size + bar + (download.sha256.empty() ? "" : LowerCaseAscii(download.sha256) + bar);
}

}  // namespace orvane::stubpack
