// Tests of the general text services: trimming, case, searching, cutting,
// replacing and quoting.
#include "util/UtilsText.h"

#include <gtest/gtest.h>

#include <string>

namespace orvane {
namespace {

constexpr size_t npos = std::string::npos;

TEST(UtilsText, TrimAndCase) {
  EXPECT_EQ(Trim(" \t\r\n a b \x01 "), "a b");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(Trim(""), "");
  EXPECT_EQ(Trim("\xA0x\xA0"), "\xA0x\xA0");  // bytes above 127 are not blanks
  EXPECT_EQ(TrimLeft("  a  "), "a  ");
  EXPECT_EQ(TrimRight("  a  "), "  a");
  EXPECT_EQ(UpperCaseAscii("aZ9\xE4"), "AZ9\xE4");
  EXPECT_EQ(LowerCaseAscii("Az9\xC4"), "az9\xC4");
}

TEST(UtilsText, BeforeAndAfter) {
  struct Case {
    const char* text;
    const char* delimiter;
    const char* def;
    bool trim;
    bool ignoreCase;
    const char* before;
    const char* after;
  } cases[] = {
      {"key=value", "=", "D", false, false, "key", "value"},
      {"a=b=c", "=", "D", false, false, "a", "b=c"},
      {" key = value ", "=", "D", false, false, " key ", " value "},
      {" key = value ", "=", "D", true, false, "key", "value"},
      {"novalue", "=", "D", false, false, "D", "D"},
      {"novalue", "=", " D ", true, false, " D ", " D "},  // the default comes back as given
      {"ab::cd", "::", "", false, false, "ab", "cd"},
      {"=x", "=", "D", false, false, "", "x"},
      {"x=", "=", "D", false, false, "x", ""},
      {"x", "", "D", false, false, "D", "D"},
      {"", "=", "D", false, false, "D", "D"},
      {"PathEND rest", "end", "D", false, true, "D", " rest"},
      {"PathEND rest", "end", "D", false, false, "D", "D"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TextBefore(c.text, c.delimiter, c.def, c.trim), c.before) << c.text;
    EXPECT_EQ(TextAfter(c.text, c.delimiter, c.def, c.trim, c.ignoreCase), c.after) << c.text;
  }
}

TEST(UtilsText, ReplaceAll) {
  struct Case {
    const char* text;
    const char* pattern;
    const char* replacement;
    const char* expected;
  } cases[] = {
      {"a.b.c", ".", ",", "a,b,c"}, {"aaaa", "aa", "b", "bb"},  {"aaa", "aa", "b", "ba"},
      {"abc", "x", "y", "abc"},     {"abc", "", "y", "abc"},    {"abc", "b", "", "ac"},
      {"a b", " ", "  ", "a b"},  // the replacement contains the pattern: ignored
      {"a.b", ".", "x.y", "a.b"},   {"ABab", "ab", "x", "ABx"},  // case-sensitive
      {"", "a", "b", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReplaceAll(c.text, c.pattern, c.replacement), c.expected) << c.text;
  }
}

TEST(UtilsText, Searches) {
  struct Case {
    const char* text;
    const char* pattern;
    size_t start;
    bool ignoreCase;
    size_t expected;
  } cases[] = {
      {"abcabc", "bc", 0, false, 1},    {"abcabc", "bc", 2, false, 4},
      {"abcabc", "bc", 5, false, npos}, {"abcabc", "BC", 0, false, npos},
      {"abcabc", "BC", 2, true, 4},     {"abc", "", 0, false, npos},
      {"abc", "abcd", 0, false, npos},  {"abc", "c", 2, false, 2},
      {"abc", "c", 3, false, npos},     {"abc", "c", npos, false, npos},
      {"\xE4\xC4", "\xC4", 0, true, 1},  // upper-half bytes compare as they are
      {"\xE4", "\xC4", 0, true, npos},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FindFrom(c.text, c.pattern, c.start, c.ignoreCase), c.expected)
        << c.text << " / " << c.pattern << " from " << c.start;
  }
  EXPECT_EQ(PosNoCase("Hello World", "WORLD"), 6u);
  EXPECT_EQ(PosNoCase("Hello", ""), npos);
  EXPECT_EQ(LastPos("abcabc", "bc"), 4u);
  EXPECT_EQ(LastPos("abcabc", "x"), npos);
  EXPECT_EQ(LastPos("abc", ""), npos);
  EXPECT_EQ(LastPos("aaa", "aa"), 1u);

  EXPECT_EQ(FindAnyOf("path\\to/file", "/\\"), 4u);
  EXPECT_EQ(FindAnyOf("path\\to/file", "/\\", 5), 7u);
  EXPECT_EQ(FindAnyOf("path", "XYZ"), npos);
  EXPECT_EQ(FindAnyOf("path", "T", 0, true), 2u);
  EXPECT_EQ(FindAnyOf("path", "T", 0, false), npos);
  EXPECT_EQ(FindAnyOf("path", "p", 99), npos);
  EXPECT_EQ(FindAnyOf("path", ""), npos);
}

TEST(UtilsText, CaseInsensitiveComparisons) {
  struct Case {
    const char* a;
    const char* b;
    bool starts;
    bool ends;
    bool same;
  } cases[] = {
      {"Setup.EXE", "setup", true, false, false},
      {"Setup.EXE", ".exe", false, true, false},
      {"Setup.exe", "SETUP.EXE", true, true, true},
      {"  Setup.exe ", "setup.EXE\t", false, false, true},
      {"abc", "", true, true, false},
      {"", "", true, true, true},
      {"ab", "abc", false, false, false},
      {"X_Agent.exe", "Agent.exe", false, true, false},
      {"\xE4", "\xC4", false, false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StartsWithNoCase(c.a, c.b), c.starts) << c.a << " / " << c.b;
    EXPECT_EQ(EndsWithNoCase(c.a, c.b), c.ends) << c.a << " / " << c.b;
    EXPECT_EQ(SameTextTrim(c.a, c.b), c.same) << c.a << " / " << c.b;
  }
}

TEST(UtilsText, StripAndQuote) {
  struct Case {
    const char* text;
    char ch;
    bool force;
    const char* expected;
  } cases[] = {
      {"\"abc\"", '"', false, "abc"},    {"\"\"abc\"\"", '"', false, "\"abc\""},
      {"\"\"abc\"\"", '"', true, "abc"}, {"\"abc", '"', false, "\"abc"},
      {"\"abc", '"', true, "abc"},       {"abc\"\"", '"', true, "abc"},
      {"\"", '"', false, "\""},          {"\"\"", '"', false, ""},
      {"\"\"\"", '"', true, ""},         {"", '"', true, ""},
      {"*a*", '*', false, "a"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StripPair(c.text, c.ch, c.force), c.expected) << c.text << " force " << c.force;
  }
  EXPECT_EQ(TrimStripQuotes("  \"C:\\My Dir\\a.exe\"  "), "C:\\My Dir\\a.exe");
  EXPECT_EQ(TrimStripQuotes("C:\\a.exe"), "C:\\a.exe");
  EXPECT_EQ(TrimStripQuotes(" \"C:\\a.exe "), "\"C:\\a.exe");
  EXPECT_EQ(Quote("C:\\My Dir"), "\"C:\\My Dir\"");
  EXPECT_EQ(Quote(""), "\"\"");
}

TEST(UtilsText, KeepOnlyAndReverse) {
  EXPECT_EQ(KeepOnly("v1.2-beta3", "0123456789."), "1.23");
  EXPECT_EQ(KeepOnly("abc", ""), "");
  EXPECT_EQ(KeepOnly("", "abc"), "");
  EXPECT_EQ(Reverse("abc\x01\xFF"),
            "\xFF\x01"
            "cba");
  EXPECT_EQ(Reverse(""), "");
}

TEST(UtilsText, ReplaceBetween) {
  struct Case {
    const char* text;
    const char* delimiter;
    size_t first;
    size_t last;
    bool ignoreCase;
    const char* expected;
  } cases[] = {
      {"a|b|c|d", "|", 1, 3, false, "a|X|d"},
      {"a|b|c|d", "|", 1, 2, false, "a|X|c|d"},
      {"a|b|c|d", "|", 0, 1, false, "X|b|c|d"},
      {"a|b|c|d", "|", 3, 4, false, "a|b|c|X"},  // past the last occurrence: the end
      {"a|b|c|d", "|", 2, npos, false, "a|b|X"},
      {"a|b|c|d", "|", 0, npos, false, "X"},
      {"a|b|c|d", "|", 4, 5, false, "a|b|c|d"},  // occurrence 4 does not exist
      {"a|b|c|d", "|", 2, 2, false, "a|b|c|d"},
      {"a|b|c|d", "|", 3, 1, false, "a|b|c|d"},
      {"a|b", "", 0, 1, false, "a|b"},
      {"a<>b<>c", "<>", 1, 2, false, "a<>X<>c"},
      {"aSEPbsepc", "sep", 1, 2, true, "aSEPXsepc"},
      {"aSEPbsepc", "sep", 1, 2, false, "aSEPbsepX"},
      {"||", "|", 1, 2, false, "|X|"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReplaceBetween(c.text, c.delimiter, c.first, c.last, "X", c.ignoreCase), c.expected)
        << c.text << " " << c.first << ".." << c.last;
  }
}

}  // namespace
}  // namespace orvane
