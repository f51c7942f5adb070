// LangStrings: the language-block rules and the built-in texts.
#include "package/LangStrings.h"

#include <climits>
#include <cstdint>

#include "util/NumberText.h"
#include "util/UtilsText.h"
#include "util/ZSUB.h"

namespace orvane {
namespace {

struct BuiltInText {
  std::string_view key;
  std::string_view text;
};

constexpr BuiltInText kLangDefaults[] = {
    {"s0", "Orvane Installation Suite"},
    {"s1", "Extracting Files..."},
    {"s2", "Orvane will extract files to your Temp Drive (<DRIVE>)<P>"},
    {"s3", "Limited Free Space on your Temp Drive! (<DRIVE>)<P>"},
    {"s4", "<P>Estimated space required on your Temp drive is: <T>  <SPACE_REQ> MB<P>"},
    {"s5", "Free space available on your Temp drive is: <T>  <SPACE_AVAIL> MB<P>"},
    {"s6", "<P>Continue with Setup?<P>"},
    {"s7", "Bad CRC!<P>This indicates that your setup file might be corrupted..."},
    {"s8", "Please insert <B>DISK #<DISK_NUM></B> and press OK to continue"},
    {"s10", "Downloading File..."},
    {"s11",
     "<b>INTERNET DOWNLOAD</b><p><p>Orvane will download the Setup File from the "
     "Internet...<p>Please make sure your Internet connection is properly "
     "set.<p><p>Continue with Setup?<p><P>Size: <SIZE> MB<P>"},
    {"s12", "No valid Internet Connection.<p>Can not Download File!"},
    {"BtnText", kDefaultButtons},
    {"Attention", kDefaultAttention},
    {"Confirm", kDefaultConfirm},
    {"Error", kDefaultError},
    {"Charset", "0"},
    {"FontSize", "8"},
    {"FontName", kDefaultFontName},
};

constexpr BuiltInText kAgentDefaults[] = {
    {"s3", "File Download Aborted!"},
    {"s4", "File not Found!"},
    {"s5", "Unable to Download File!"},
    {"s31", "Downloading INFO File..."},
    {"s32", "Downloading UPDATE File..."},
    {"s33", "Downloading INFORM File..."},
    {"s34", "New Version"},
    {"s35", "Download"},
};

template <size_t N>
std::string_view Lookup(const BuiltInText (&table)[N], std::string_view key) {
  for (const BuiltInText& entry : table) {
    if (entry.key.size() == key.size() && StartsWithNoCase(key, entry.key))
      return entry.text;
  }
  return {};
}

}  // namespace

std::string FindLanguage(std::string_view languageBlock, std::string_view name) {
  const int count = SUB::Count(languageBlock);
  const std::string wanted = Trim(name);
  if (!wanted.empty()) {
    for (int i = 0; i < count; ++i) {
      const std::string list = SUB::Get(languageBlock, i);
      if (SameTextTrim(SUB::Get(list, 0), wanted))
        return list;
    }
  }
  if (count == 1) {
    std::string only = SUB::Get(languageBlock, 0);
    if (!only.empty())
      return only;
  }
  return std::string(kNoLanguage);
}

std::string ChooseLanguage(std::string_view languageBlock, std::string_view systemLanguageName) {
  std::string list = FindLanguage(languageBlock, systemLanguageName);
  if (list == kNoLanguage)
    list = FindLanguage(languageBlock, "English");
  return list;
}

std::string LanguageListValue(std::string_view languageList, std::string_view key,
                              std::string_view def) {
  if (languageList.size() <= 1 || key.empty())
    return std::string(def);
  std::string pattern(1, kLanguageListSeparator);
  pattern.append(key);
  if (pattern.back() != '=')
    pattern.push_back('=');
  const std::string list = DropBlanksBeforeEquals(languageList);
  const size_t found = FindFrom(list, pattern, 0, true);
  if (found == std::string::npos)
    return std::string(def);
  const size_t start = found + pattern.size();
  const size_t end = list.find(kLanguageListSeparator, start);
  return list.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::string_view LangDefault(std::string_view key) {
  return Lookup(kLangDefaults, key);
}

std::string_view AgentDefault(std::string_view key) {
  return Lookup(kAgentDefaults, key);
}

int LangIntValue(std::string_view text, int def) {
  int64_t value = 0;
  if (!ParseInt64(text, value) || value < INT_MIN || value > INT_MAX)
    return def;
  return static_cast<int>(value);
}

}  // namespace orvane
