// Tests of the language-block rules and the built-in texts.
#include "package/LangStrings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "util/ZSUB.h"

namespace orvane {
namespace {

using namespace std::string_literals;

struct Language {
  std::string name;
  std::vector<std::string> pairs;
};

// The stored form: 02, then per language 01 name 01 pair 01 ... , each
// language closed by 02.
std::string Block(const std::vector<Language>& languages) {
  std::string block = "\x02";
  for (const Language& language : languages) {
    std::string list = "\x01" + language.name + "\x01";
    for (const std::string& pair : language.pairs)
      list += pair + "\x01";
    block += list + "\x02";
  }
  return block;
}

// Field 0 of a chosen per-language list, or "*".
std::string ChosenName(const std::string& list) {
  return list == kNoLanguage ? list : SUB::Get(list, 0);
}

const Language kEnglish{"English", {"s1=Extracting (en)"}};
const Language kGerman{"German", {"s1=Entpacken"}};
const Language kFrench{"French", {"s1=Extraction"}};
const Language kHebrew{"Hebrew", {"s1=\xEE\xE7\xEC\xF5"}};

TEST(LangStringsChoice, PicksByNameThenTheOnlyLanguageThenEnglish) {
  struct Case {
    const char* label;
    std::string block;
    const char* system;
    const char* chosen;
  } cases[] = {
      {"own language", Block({kEnglish, kGerman, kFrench}), "GERMAN", "German"},
      {"name ignores case", Block({kEnglish, kFrench}), "french", "French"},
      {"names are trimmed", Block({{" German ", {}}, kEnglish}), " GERMAN", " German "},
      {"English stands in", Block({kEnglish, kGerman}), "FRENCH", "English"},
      {"English named in any case", Block({kGerman, {"ENGLISH", {}}}), "JAPANESE", "ENGLISH"},
      {"nothing fits", Block({kGerman, kFrench}), "JAPANESE", "*"},
      {"one language fits every system", Block({{"Deutsch", {}}}), "JAPANESE", "Deutsch"},
      {"one language, unknown system", Block({kGerman}), "", "German"},
      {"first of equal names", Block({{"German", {"s1=first"}}, {"german", {"s1=second"}}}),
       "GERMAN", "German"},
      {"unknown system language", Block({kGerman, kEnglish}), "", "English"},
      {"nameless language never matches an unknown system",
       Block({{"", {"s1=nameless"}}, kEnglish}), "", "English"},
      {"empty block", "", "ENGLISH", "*"},
      {"block without closing separator", Block({kEnglish}).substr(0, Block({kEnglish}).size() - 1),
       "ENGLISH", "*"},
      {"one empty language", "\x02\x02", "ENGLISH", "*"},
      {"Hebrew system", Block({kEnglish, kGerman, kFrench, kHebrew}), "HEBREW", "Hebrew"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ChosenName(ChooseLanguage(c.block, c.system)), c.chosen) << c.label;
}

TEST(LangStringsChoice, FindLanguageReturnsTheWholeList) {
  const std::string block = Block({kEnglish, kGerman});
  EXPECT_EQ(FindLanguage(block, "German"), "\x01German\x01s1=Entpacken\x01");
  EXPECT_EQ(FindLanguage(block, "French"), "*");
}

TEST(LangStringsValue, FindsKeysWithTheBlankAndCaseRules) {
  const std::string list =
      "\x01"
      "English\x01"
      "s1=\x01"
      "S2 =Two\x01"
      "s10=Ten\x01"
      "s3  =a =b\x01"
      "s4= spaced \x01"
      "FONTNAME=Arial\x01"
      "s5=x=y\x01"
      "s6=last";
  struct Case {
    const char* key;
    const char* expected;
  } cases[] = {
      {"s1", ""},     // present and empty: empty, not the default
      {"s2", "Two"},  // other case, blank before the equals sign
      {"s10", "Ten"},
      {"s3", "a=b"},       // blanks before every "=" go
      {"s4", " spaced "},  // blanks elsewhere stay
      {"FontName", "Arial"},
      {"s5", "x=y"},
      {"s6", "last"},  // the last pair needs no closing separator
      {"s2=", "Two"},  // a key given with its "="
      {"s7", "DEFAULT"},
      {"s", "DEFAULT"},  // whole keys only
      {"English", "DEFAULT"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(LanguageListValue(list, c.key, "DEFAULT"), c.expected) << c.key;
}

TEST(LangStringsValue, NoLanguageGivesEveryDefault) {
  for (const std::string& list : {"*"s, ""s, "\x01"s}) {
    EXPECT_EQ(LanguageListValue(list, "s1", "Extracting Files..."), "Extracting Files...");
    EXPECT_EQ(LanguageListValue(list, "FontName", "Tahoma"), "Tahoma");
  }
  EXPECT_EQ(LanguageListValue("\x01"
                              "English\x01s1=x\x01",
                              "", "DEFAULT"),
            "DEFAULT");
}

TEST(LangStringsValue, ChoiceAndLookUpTogether) {
  // A German and French package on a Japanese system shows the built-in texts;
  // the same package with English on a French system shows the French text.
  const std::string noEnglish = Block({kGerman, kFrench});
  EXPECT_EQ(LanguageListValue(ChooseLanguage(noEnglish, "JAPANESE"), "s1", LangDefault("s1")),
            "Extracting Files...");
  const std::string withEnglish = Block({kEnglish, kGerman, kFrench});
  EXPECT_EQ(LanguageListValue(ChooseLanguage(withEnglish, "FRENCH"), "s1", ""), "Extraction");
  EXPECT_EQ(LanguageListValue(ChooseLanguage(withEnglish, "JAPANESE"), "s1", ""),
            "Extracting (en)");
}

TEST(LangStringsDefaults, PackageKeys) {
  struct Case {
    const char* key;
    const char* text;
  } cases[] = {
      {"s0", "Orvane Installation Suite"},
      {"s1", "Extracting Files..."},
      {"s2", "Orvane will extract files to your Temp Drive (<DRIVE>)<P>"},
      {"s3", "Limited Free Space on your Temp Drive! (<DRIVE>)<P>"},
      {"s4", "<P>Estimated space required on your Temp drive is: <T>  <SPACE_REQ> MB<P>"},
      {"s5", "Free space available on your Temp drive is: <T>  <SPACE_AVAIL> MB<P>"},
      {"s6", "<P>Continue with Setup?<P>"},
      {"s7", "Bad CRC!<P>This indicates that your setup file might be corrupted..."},
      {"s8", "Please insert <B>DISK #<DISK_NUM></B> and press OK to continue"},
      {"s9", ""},
      {"s10", "Downloading File..."},
      {"s11",
       "<b>INTERNET DOWNLOAD</b><p><p>Orvane will download the Setup File from the "
       "Internet...<p>Please make sure your Internet connection is properly set.<p><p>"
       "Continue with Setup?<p><P>Size: <SIZE> MB<P>"},
      {"s12", "No valid Internet Connection.<p>Can not Download File!"},
      {"s13", ""},
      {"s31", ""},
      {"BtnText", "|&OK|&Cancel|&Yes|&No|&Abort|&Retry|&Ignore|"},
      {"Attention", "Attention"},
      {"Confirm", "Confirm"},
      {"Error", "Error"},
      {"Charset", "0"},
      {"FontSize", "8"},
      {"FontName", "Tahoma"},
      {"fontname", "Tahoma"},
      {"S1", "Extracting Files..."},
      {"s1 ", ""},
      {"", ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(LangDefault(c.key), c.text) << c.key;
}

TEST(LangStringsDefaults, AgentKeys) {
  struct Case {
    const char* key;
    const char* text;
  } cases[] = {
      {"s2", ""},
      {"s3", "File Download Aborted!"},
      {"s4", "File not Found!"},
      {"s5", "Unable to Download File!"},
      {"s0", ""},
      {"s1", ""},
      {"s11", ""},
      {"s12", ""},
      {"s13", ""},
      {"s14", ""},
      {"s20", ""},
      {"s24", ""},
      {"s31", "Downloading INFO File..."},
      {"s32", "Downloading UPDATE File..."},
      {"s33", "Downloading INFORM File..."},
      {"s34", "New Version"},
      {"s35", "Download"},
      {"S35", "Download"},
      {"BtnText", ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(AgentDefault(c.key), c.text) << c.key;
}

TEST(LangStringsDefaults, IntegerValues) {
  struct Case {
    const char* text;
    int expected;
  } cases[] = {
      {"12", 12},  {" 7 ", 7},  {"-3", -3},  {"+4", 4},           {"", 99},
      {"abc", 99}, {"8pt", 99}, {"1.5", 99}, {"99999999999", 99}, {"2147483647", 2147483647},
  };
  for (const Case& c : cases)
    EXPECT_EQ(LangIntValue(c.text, 99), c.expected) << c.text;
}

}  // namespace
}  // namespace orvane
