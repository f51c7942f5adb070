// Language texts from UTF-8 into the code pages the launcher shows them in.
#include "CodePage.h"

#include <gtest/gtest.h>

namespace orvane::stubpack {
namespace {

TEST(StubpackCodePage, ConvertsWhatTheCodePageCanShow) {
  struct Case {
    const char* name;
    const char* utf8;
    int codePage;
    const char* bytes;
  };
  const Case cases[] = {
      {"ASCII with mark-up stays as it is", "Setup <B>1</B><P>~|&OK|", 1252,
       "Setup <B>1</B><P>~|&OK|"},
      {"ASCII needs no code page", "Hello", 0, "Hello"},
      {"the empty text", "", 932, ""},
      {"German umlauts and sharp s",
       "Gr\xC3\xB6\xC3\x9F"
       "e \xC3\xA4ndern \xC3\x9C",
       1252,
       "Gr\xF6\xDF"
       "e \xE4ndern \xDC"},
      {"the euro sign in the 0x80 row", "5 \xE2\x82\xAC", 1252, "5 \x80"},
      {"Czech in Central European", "\xC5\x98\x65\xC5\xA1\x65n\xC3\xAD", 1250,
       "\xD8\x65\x9A\x65n\xED"},
      {"Cyrillic", "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82", 1251,
       "\xCF\xF0\xE8\xE2\xE5\xF2"},
      {"Greek", "\xCE\x95\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAC", 1253,
       "\xC5\xEB\xEB\xE7\xED\xE9\xEA\xDC"},
      {"Japanese in double bytes", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E 1", 932,
       "\x93\xFA\x96\x7B\x8C\xEA 1"},
      {"Simplified Chinese", "\xE4\xB8\xAD\xE6\x96\x87", 936, "\xD6\xD0\xCE\xC4"},
      {"Korean", "\xED\x95\x9C\xEA\xB5\xAD", 949, "\xC7\xD1\xB1\xB9"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string out, error;
    EXPECT_TRUE(Utf8ToCodePage(c.utf8, c.codePage, out, error)) << error;
    EXPECT_EQ(out, c.bytes);
  }
}

TEST(StubpackCodePage, RefusesWhatWouldNotShowAsWritten) {
  struct Case {
    const char* name;
    std::string utf8;
    int codePage;
    const char* error;
  };
  const Case cases[] = {
      {"Cyrillic in Western", "Setup \xD0\x96", 1252,
       "'\xD0\x96' (U+0416) cannot be shown in code page 1252"},
      {"an umlaut in Cyrillic", "\xD0\x9F \xC3\xA4", 1251,
       "'\xC3\xA4' (U+00E4) cannot be shown in code page 1251"},
      // Windows would draw a best-fit "o"; the text would not be the one written.
      {"o with double acute in Western", "\xC5\x91", 1252,
       "'\xC5\x91' (U+0151) cannot be shown in code page 1252"},
      {"the yen sign in Japanese, whose byte shows a backslash", "\xC2\xA5", 932,
       "'\xC2\xA5' (U+00A5) cannot be shown in code page 932"},
      {"a character beyond the first plane", "ok \xF0\x9F\x98\x80", 932,
       "'\xF0\x9F\x98\x80' (U+1F600) cannot be shown in code page 932"},
      {"beyond ASCII without a code page", "\xC3\xA4", 0, "non-ASCII text needs a code page"},
      {"a Latin-1 byte after ASCII", "Entpacke\xE4", 1252,
       "byte 0xE4 after 'Entpacke' is not UTF-8"},
      {"a stray byte at the start",
       "\xFF"
       "abc",
       1252, "byte 0xFF at the start is not UTF-8"},
      {"a sequence cut short", "a\xE2\x82", 1252, "byte 0xE2 after 'a' is not UTF-8"},
      {"an overlong form", "a\xC0\x80", 1252, "byte 0xC0 after 'a' is not UTF-8"},
      {"a surrogate", "a\xED\xA0\x80", 1252, "byte 0xED after 'a' is not UTF-8"},
      {"above U+10FFFF", "a\xF4\x90\x80\x80", 1252, "byte 0xF4 after 'a' is not UTF-8"},
      {"a lone continuation byte", "\xC3\xA4\x80", 1252, "byte 0x80 after '\xC3\xA4' is not UTF-8"},
      {"the context starts on a character",
       "\xC3\xA4"
       "0123456789abc\xC3\xA4\xFE",
       1252, "byte 0xFE after '0123456789abc\xC3\xA4' is not UTF-8"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string out, error;
    EXPECT_FALSE(Utf8ToCodePage(c.utf8, c.codePage, out, error));
    EXPECT_EQ(error, c.error);
  }
}

TEST(StubpackCodePage, FindsTheFirstByteThatIsNotUtf8) {
  const std::pair<std::string, size_t> cases[] = {
      {"plain", std::string::npos},
      {"\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80", std::string::npos},
      {"ab\xC3", 2},
      {"\xC3\xA4\xC3(", 2},
      {"\xE0\x9F\x80", 0},  // overlong three-byte form of U+07C0
      {"\xF5\x80\x80\x80", 0},
  };
  for (const auto& [text, position] : cases)
    EXPECT_EQ(FirstNonUtf8Byte(text), position) << text;
}

TEST(StubpackCodePage, KnowsTheCodePageOfEachCharacterSet) {
  const std::pair<int, int> cases[] = {
      {0, 1252},   {238, 1250}, {204, 1251}, {161, 1253}, {162, 1254}, {177, 1255},
      {178, 1256}, {186, 1257}, {163, 1258}, {222, 874},  {128, 932},  {134, 936},
      {129, 949},  {136, 950},  {1, 0},      {2, 0},      {255, 0},    {-1, 0},
  };
  for (const auto& [charset, codePage] : cases)
    EXPECT_EQ(CodePageOfCharset(charset), codePage) << charset;
}

}  // namespace
}  // namespace orvane::stubpack
