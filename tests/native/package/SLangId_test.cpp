// Tests of the language table and its look-ups.
#include "package/SLangId.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "util/ZSUB.h"

namespace orvane {
namespace {

struct Entry {
  const char* name;
  const char* id;
};

// Every entry in stored order.
const Entry kExpectedTable[] = {
    {"AFRIKAANS", "54"},
    {"ALBANIAN", "28"},
    {"ARABIC", "01"},
    {"BASQUE", "45"},
    {"BELARUSIAN", "35"},
    {"BULGARIAN", "02"},
    {"CATALAN", "03"},
    {"CHINESE", "04"},
    {"CROATIAN", "26"},
    {"CZECH", "05"},
    {"DANISH", "06"},
    {"DUTCH", "19"},
    {"ENGLISH", "09"},
    {"ESTONIAN", "37"},
    {"FAEROESE", "56"},
    {"FARSI", "41"},
    {"FINNISH", "11"},
    {"FRENCH", "12"},
    {"GERMAN", "07"},
    {"GREEK", "08"},
    {"HEBREW", "13"},
    {"HUNGARIAN", "14"},
    {"ICELANDIC", "15"},
    {"INDONESIAN", "33"},
    {"ITALIAN", "16"},
    {"JAPANESE", "17"},
    {"KOREAN", "18"},
    {"LATVIAN", "38"},
    {"LITHUANIAN", "39"},
    {"NORWEGIAN", "20"},
    {"POLISH", "21"},
    {"PORTUGUESE", "22"},
    {"ROMANIAN", "24"},
    {"RUSSIAN", "25"},
    {"SERBIAN", "26"},
    {"SLOVAK", "27"},
    {"SLOVENIAN", "36"},
    {"SPANISH", "10"},
    {"SWEDISH", "29"},
    {"THAI", "30"},
    {"TURKISH", "31"},
    {"UKRAINIAN", "34"},
    {"VIETNAMESE", "42"},
    {"CHINESE(SIMPLIFIED)", "2052"},
    {"CHINESE(TRADITIONAL)", "1028"},
    {"DUTCH(FLEMISH)", "2067"},
    {"DUTCH(STANDARD)", "1043"},
    {"PORTUGUESE(PORTUGAL)", "2070"},
    {"PORTUGUESE(BRAZIL)", "1046"},
    {"SERBIAN(LATIN)", "2074"},
    {"SERBIAN(CYRILIC)", "3098"},
};

TEST(SLangIdTable, HoldsEveryEntryPaddedInStoredOrder) {
  const std::string_view table = LanguageTable();
  ASSERT_EQ(SUB::Count(table), static_cast<int>(std::size(kExpectedTable)));
  const std::string_view head = "|AFRIKAANS    = 54|ALBANIAN     = 28|";
  EXPECT_EQ(table.substr(0, head.size()), head);
  const std::string_view tail = "|SERBIAN(LATIN)       = 2074|SERBIAN(CYRILIC)     = 3098|";
  ASSERT_GE(table.size(), tail.size());
  EXPECT_EQ(table.substr(table.size() - tail.size()), tail);
  for (size_t i = 0; i < std::size(kExpectedTable); ++i) {
    const Entry& e = kExpectedTable[i];
    const std::string id = e.id;
    // Primary languages pad their names to 13 characters, regional variants to 21.
    std::string expected = e.name;
    expected.resize(id.size() == 2 ? 13 : 21, ' ');
    expected += "= " + id;
    EXPECT_EQ(SUB::Get(table, static_cast<int>(i)), expected) << "entry " << i;
  }
}

TEST(SLangIdNames, PrimaryIdentifierFindsTheFirstEntryContainingItsDigits) {
  struct Case {
    uint32_t primary;
    const char* name;
  } cases[] = {
      {7, "GERMAN"},  // written "07"
      {9, "ENGLISH"},
      {12, "FRENCH"},
      {13, "HEBREW"},
      {17, "JAPANESE"},
      {1, "ARABIC"},
      {4, "CHINESE"},
      {10, "SPANISH"},
      {28, "ALBANIAN"},
      {30, "THAI"},
      {20, "NORWEGIAN"},
      {26, "CROATIAN"},             // shared with SERBIAN, which comes later
      {52, "CHINESE(SIMPLIFIED)"},  // only inside 2052
      {46, "PORTUGUESE(BRAZIL)"},   // only inside 1046
      {67, "DUTCH(FLEMISH)"},
      {43, "DUTCH(STANDARD)"},
      {70, "PORTUGUESE(PORTUGAL)"},
      {74, "SERBIAN(LATIN)"},
      {98, "SERBIAN(CYRILIC)"},
      {0, ""},  // "00" occurs nowhere
      {127, ""},
      {99, ""},
      {0x3ff, ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(LanguageNameFromPrimaryId(c.primary), c.name) << c.primary;
}

TEST(SLangIdNames, DigitTextsAreSearchedAsGiven) {
  struct Case {
    const char* digits;
    const char* name;
  } cases[] = {
      {"2052", "CHINESE(SIMPLIFIED)"},
      {"1028", "CHINESE(TRADITIONAL)"},
      {"3098", "SERBIAN(CYRILIC)"},
      {"7", "ESTONIAN"},  // unpadded, 7 is met first inside 37
      {"07", "GERMAN"},
      {"", ""},
      {"5555", ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(LanguageNameFromDigits(c.digits), c.name) << c.digits;
}

TEST(SLangIdIds, NameFindsItsIdentifierIgnoringCaseAndBlanks) {
  struct Case {
    const char* name;
    const char* id;
  } cases[] = {
      {"GERMAN", "07"},
      {"german", "07"},
      {"  English ", "09"},
      {"Serbian", "26"},
      {"serbian(cyrilic)", "3098"},
      {"CHINESE(SIMPLIFIED)", "2052"},
      {"Chinese", "04"},
      {"SERBIAN(CYRILLIC)", ""},  // the table spells it with one L
      {"Klingon", ""},
      {"", ""},
      {"GERM", ""},  // whole names only
  };
  for (const Case& c : cases)
    EXPECT_EQ(LanguageIdFromName(c.name), c.id) << c.name;
}

TEST(SLangIdIds, EveryEntryRoundTripsUnlessItsIdentifierIsShared) {
  for (const Entry& e : kExpectedTable) {
    EXPECT_EQ(LanguageIdFromName(e.name), e.id) << e.name;
    const std::string name = LanguageNameFromDigits(e.id);
    // 26 names CROATIAN first; every other identifier names its own entry.
    EXPECT_EQ(name, std::string(e.id) == "26" ? "CROATIAN" : e.name) << e.id;
  }
}

}  // namespace
}  // namespace orvane
