// Tests of the delimited sub-field list operations.
#include "util/ZSUB.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace orvane {
namespace {

using namespace std::string_literals;

// Lists with the NUL and the 255 delimiter need explicit lengths.
const std::string kNulList("\0", 1);
const std::string kFFList = "\xff"s + "a" + "\xff" + "b" + "\xff";
// A field holding every one of the ten delimiter candidates.
const std::string kAllCandidates = "x|*~^!@#$&\xff"s;

TEST(SubCount, CountsFieldsOfWellFormedListsOnly) {
  struct Case {
    std::string list;
    int expected;
  } cases[] = {
      {"|a|b|", 2},  {"|a|b", 0},    {"||", 1},    {"|", 0},     {"", 0},
      {kNulList, 0}, {"|||", 2},     {"*a|b*", 1}, {kFFList, 2}, {"\0a\0"s, 1},
      {"a|b|", 0},   {"|a|b|c|", 3}, {"||a||", 3},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SUB::Count(c.list), c.expected) << c.list;
}

TEST(SubGet, ReturnsClosedNonEmptyFieldsOrDefault) {
  struct Case {
    std::string list;
    int index;
    std::string expected;
  } cases[] = {
      {"|a|b|", 0, "a"},    {"|a|b|", 1, "b"},    {"|a|b|", -1, "b"},    {"|a|b|", 2, "def"},
      {"|a|b|", -2, "def"}, {"|a||c|", 1, "def"},  // an empty field counts as missing
      {"|a||c|", 2, "c"},   {"|a|b", 0, "a"},      // closed field of a malformed list
      {"|a|b", 1, "def"},                          // the unclosed rest is no field
      {"|a|b", -1, "def"},                         // no last field without a count
      {"", 0, "def"},       {"", -1, "def"},      {kNulList, 0, "def"},  {"|", 0, "def"},
      {kFFList, 1, "b"},    {kFFList, -1, "b"},   {"*a|b*c*", 0, "a|b"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SUB::Get(c.list, c.index, "def"), c.expected) << c.list << " @" << c.index;
  }
}

TEST(SubGetInt, ParsesDecimalWithSignAndBlanks) {
  struct Case {
    std::string field;
    int64_t expected;
  } cases[] = {
      {"42", 42},
      {" 42 ", 42},
      {"\t-17\t", -17},
      {"+8", 8},
      {"0", 0},
      {"-0", 0},
      {"9223372036854775807", INT64_MAX},
      {"-9223372036854775808", INT64_MIN},
      {"4294967296", 4294967296LL},  // beyond 32 bits
      {"9223372036854775808", -5},   // overflow
      {"-9223372036854775809", -5},
      {"99999999999999999999999", -5},
      {"12a", -5},
      {"1 2", -5},
      {"- 3", -5},
      {"-", -5},
      {"+", -5},
      {"0x10", -5},
      {"$10", -5},
      {"1.5", -5},
      {" ", -5},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SUB::GetInt("|" + c.field + "|", 0, -5), c.expected) << c.field;
  }
  EXPECT_EQ(SUB::GetInt("|1|", 3, -5), -5);
  EXPECT_EQ(SUB::GetInt("|1||", 1, -5), -5);
  EXPECT_EQ(SUB::GetInt("|1|2|", -1, -5), 2);
}

TEST(SubValue, FindsWholeFieldNames) {
  struct Case {
    std::string list;
    std::string name;
    bool dropSpaces;
    bool ignoreCase;
    std::string expected;
  } cases[] = {
      {"|X = 1|Y=2|", "x", true, true, " 1"},  // the blank after "=" stays
      {"|X = 1|Y=2|", "x", true, false, "def"},
      {"|X = 1|Y=2|", "X", false, true, "def"},  // "X =" is not "X="
      {"|X = 1|Y=2|", "X ", false, true, " 1"},
      {"|X    =1|", "X", true, true, "1"},  // a run of blanks goes too
      {"|FirstName=x|Name=y|", "Name", true, true, "y"},
      {"|FirstName=x|", "Name", true, true, "def"},
      {"|Name=x|FirstName=y|", "name", true, true, "x"},
      {"|a=1|a=2|", "a", true, true, "1"},  // first field wins
      {"|a=1|", "a=", true, true, "1"},     // name already ends with "="
      {"|==1|", "=", true, true, "1"},      // "=" still gets one
      {"|a=|", "a", true, true, "empty"},
      {"|a=b=c|", "a", true, true, "b=c"},
      {"|a=1|", "b", true, true, "def"},
      {"|a=1", "a", true, true, "def"},  // malformed
      {"||", "a", true, true, "def"},    // too short
      {kNulList, "a", true, true, "def"},
      {"", "a", true, true, "def"},
      {"|a|b=1|", "a|b", true, true, "def"},  // a name cannot span fields
      {"*a|b=1*", "a|b", true, true, "1"},
      {"\0k=v\0"s, "K", true, true, "v"},
      {"\xffk=v\xff"s, "k", true, true, "v"},
      {"\x01s1 =Hallo\x01s2=Welt\x01"s, "S1", true, true, "Hallo"},
      {" a =1 b=2 ", "b", true, true, "2"},  // blank delimiter
      {"=a=1=", "a", true, true, "def"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SUB::Value(c.list, c.name, "def", "empty", c.dropSpaces, c.ignoreCase), c.expected)
        << c.list << " / " << c.name;
  }
}

TEST(SubValue, DropsLongRunsOfBlanksInOnePass) {
  // A naive "replace until none is left" is quadratic on this text.
  const std::string list = "|k" + std::string(1 << 21, ' ') + "=v|";
  EXPECT_EQ(SUB::Value(list, "k"), "v");
}

TEST(SubSet, ReplacesOrAddsFields) {
  struct Case {
    std::string list;
    int index;
    std::string value;
    std::string expected;
  } cases[] = {
      {"|a|b|", 0, "x", "|x|b|"},
      {"|a|b|", 1, "", "|a||"},
      {"|a|b|", 3, "d", "|a|b||d|"},
      {"", 2, "c", "|||c|"},
      {kNulList, 0, "c", "|c|"},
      {"|", 1, "c", "||c|"},
      {"*a*b*", 1, "x", "*a*x*"},
      {"|a|b|", 1, "x|y", "*a*x|y*"},      // new delimiter
      {"|a|b*|", 2, "x|y", "~a~b*~x|y~"},  // the next one that is free
      {"|a|b", 1, "c", "|a|c|"},           // unclosed rest dropped
      {"|a|b|", -1, "x", "|a|b|"},         // negative index: unchanged
      {"\0a\0"s, 0, "b", "\0b\0"s},        // a NUL delimiter is kept
      {"|a|", 0, "x\0y"s, "|x\0y|"s},      // NUL inside a field is no separator
      {"|a|", 1, kAllCandidates, "\0a\0"s + kAllCandidates + "\0"s},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SUB::Set(c.list, c.index, c.value), c.expected) << c.list << " @" << c.index;
  }
}

TEST(SubSet, LeavesOtherFieldsReadable) {
  const std::string lists[] = {"|a|b|c|", "*x|y*z*", "|", "", "|a||c|"};
  const std::string values[] = {"v", "", "v|w", "v*w|~", kAllCandidates};
  for (const std::string& list : lists) {
    for (const std::string& value : values) {
      for (int index = 0; index < 5; ++index) {
        const std::string set = SUB::Set(list, index, value);
        EXPECT_EQ(SUB::Get(set, index, "-"), value.empty() ? "-" : value);
        EXPECT_EQ(SUB::Count(set), std::max(SUB::Count(list), index + 1));
        for (int other = 0; other < 5; ++other) {
          if (other == index)
            continue;
          EXPECT_EQ(SUB::Get(set, other, "-"), SUB::Get(list, other, "-"));
        }
      }
    }
  }
}

TEST(SubIndexOf, MatchesFieldsIgnoringCase) {
  struct Case {
    std::string list;
    std::string item;
    bool prefix;
    int expected;
  } cases[] = {
      {"|a|b|c|", "b", false, 1},
      {"|a|b|c|", "B", false, 1},
      {"|a|b|c|", "d", false, -9},
      {"|a| b|c|", "b", false, -9},  // fields themselves are not trimmed
      {"|a| b|c|", " b", false, 1},
      {"|a|b|c|", " c ", false, 2},  // the item is tried trimmed as well
      {"  |a|b|  ", "b", false, 1},  // the list is trimmed
      {"|notepad.exe=12|calc.exe=7|", "CALC.EXE", true, 1},
      {"|notepad.exe=12|calc.exe=7|", "calc.exe", false, -9},
      {"|ab|a|", "a", false, 1},
      {"|ab|a|", "a", true, 0},
      {"|a||", "", false, 1},
      {"|a|b", "b", false, -9},  // the unclosed rest is no field
      {"", "a", false, -9},
      {kFFList, "b", false, 1},  // character 255 is not a blank
      {"\0a\0b\0"s, "b", false, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SUB::IndexOf(c.list, c.item, -9, c.prefix), c.expected) << c.list << " / " << c.item;
  }
}

TEST(SubContains, FindsWholeFields) {
  struct Case {
    std::string list;
    std::string item;
    bool trim;
    bool ignoreCase;
    bool expected;
  } cases[] = {
      {"|a|b|", "a", false, false, true},   {"|a|b|", "A", false, false, false},
      {"|a|b|", "A", false, true, true},    {"|ab|b|", "a", false, true, false},
      {"|a|b|", " a ", false, true, false}, {"|a|b|", " a ", true, true, true},
      {" |a|b| ", "b", false, true, false},  // the blank is the delimiter
      {" |a|b| ", "b", true, true, true},   {"|a|b|", "a|b", false, true, false},  // not a field
      {"|a||", "", false, true, true},      {"|a|", "", false, true, false},
      {"|a|b", "b", false, true, false},    {"", "", false, true, false},
      {"ZaZ", "z", false, true, false},  // a letter delimiter is compared exactly
      {"ZaZ", "A", false, true, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SUB::Contains(c.list, c.item, c.trim, c.ignoreCase), c.expected)
        << c.list << " / " << c.item;
  }
}

TEST(SubRebuild, DeleteReverseTrimEmpty) {
  struct Case {
    std::string actual;
    std::string expected;
  } cases[] = {
      {SUB::Delete("|a|b|c|", 1), "|a|c|"},
      {SUB::Delete("|a|b|c|", 0), "|b|c|"},
      {SUB::Delete("|a|b|c|", 2), "|a|b|"},
      {SUB::Delete("|a|b|c|", 3), "|a|b|c|"},
      {SUB::Delete("|a|b|c|", -1), "|a|b|c|"},
      {SUB::Delete("|a|b", 0), "|a|b"},  // no field by count: unchanged
      {SUB::Delete("|a|", 0), ""},
      {SUB::Delete("||", 0), ""},
      {SUB::Reverse("|a|b|c|"), "|c|b|a|"},
      {SUB::Reverse("*a**c|d*"), "*c|d**a*"},
      {SUB::Reverse("|a|b"), "|a|"},
      {SUB::Reverse(""), ""},
      {SUB::Reverse(kNulList), ""},
      {SUB::TrimEmpty("|a|b|||"), "|a|b|"},
      {SUB::TrimEmpty("|||a||b|||", true, true), "|a||b|"},
      {SUB::TrimEmpty("|||a|", false, true), "|a|"},
      {SUB::TrimEmpty("|||a||", false, true), "|a||"},
      {SUB::TrimEmpty("|||a||", false, false), "|||a||"},
      {SUB::TrimEmpty("|||"), ""},  // one character left becomes empty
      {SUB::TrimEmpty("||", true, true), ""},
      {SUB::TrimEmpty(""), ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.actual, c.expected);
}

TEST(SubPairs, NamesValuesZip) {
  struct Case {
    std::string actual;
    std::string expected;
  } cases[] = {
      {SUB::Names("|a=1|b = 2|c|"), "|a|b|c|"},
      {SUB::Names("|a=1|b = 2|c|", false), "|a|b |c|"},
      {SUB::Values("|a=1|b = 2|c|"), "|1|2||"},
      {SUB::Values("|a=1|b = 2|c|", false), "|1| 2||"},
      {SUB::Values("|a=x=y|"), "|x=y|"},
      {SUB::Names("*a|x=1*b=2*"), "*a|x*b*"},  // normalised: "|" is taken
      {SUB::Values("*a=1|2*"), "*1|2*"},
      {SUB::Names("*a=1*"), "|a|"},
      {SUB::Names(""), ""},
      {SUB::Zip("|a|b|", "|1|2|"), "|a=1|b=2|"},
      {SUB::Zip("|a|b|c|", "|1|"), "|a=1|b=|c=|"},
      {SUB::Zip("|a|", "|1|2|"), "|a=1|=2|"},
      {SUB::Zip("|a|||", "|1||"), "|a=1|=|=|"},
      {SUB::Zip("|a|||", "|1||", true), "|a=1|"},
      {SUB::Zip("|a|b|", "*1*x|y*"), "*a=1*b=x|y*"},
      {SUB::Zip("", ""), ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.actual, c.expected);
}

TEST(SubJoinAppend, BuildsNormalisedLists) {
  struct Case {
    std::string actual;
    std::string expected;
  } cases[] = {
      {SUB::Join({"a", "b"}), "|a|b|"},
      {SUB::Join({"a|b", "c"}), "*a|b*c*"},
      {SUB::Join({"a", "", "A ", "b", "a"}), "|a||A |b|a|"},
      {SUB::Join({"a", "", "A ", "b", "a"}, true), "|a|b|"},
      {SUB::Join({""}), "||"},
      {SUB::Join({}), ""},
      {SUB::Join({kAllCandidates}), "\0"s + kAllCandidates + "\0"s},
      {SUB::Append("|a|", {"b", "c"}), "|a|b|c|"},
      {SUB::Append("*a*", {"b|c"}), "*a*b|c*"},  // delimiter kept when free
      {SUB::Append("|a|", {"b|c"}), "*a*b|c*"},
      {SUB::Append("|a|", {"b*c", "d|e"}), "~a~b*c~d|e~"},
      {SUB::Append("", {"a"}), "|a|"},
      {SUB::Append(kNulList, {"a"}), "|a|"},
      {SUB::Append("|a|", {}), "|a|"},
      {SUB::Append("|a|b|", {"B", "c", "A"}, true), "|a|b|c|"},
      {SUB::Append("|a||a|", {}, true), "|a|"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.actual, c.expected);
}

TEST(SubUnique, KeepsFirstSeenNonEmptyFields) {
  struct Case {
    std::string list;
    std::string expected;
  } cases[] = {
      {"|a|b|a|", "|a|b|"},
      {"|a|A|", "|a|"},
      {"| a|A |a|", "| a|"},  // compared trimmed, kept as first seen
      {"|a||b||", "|a|b|"},
      {"| |  |", "| |"},  // blanks are not empty, and equal when trimmed
      {"*x|y*X|Y*", "*x|y*"},
      {"|||", ""},
      {"", ""},
      {"|b|a|c|a|b|", "|b|a|c|"},
      {"|\xe4|\xc4|"s, "|\xe4|\xc4|"s},  // only ASCII letters fold
  };
  for (const Case& c : cases)
    EXPECT_EQ(SUB::Unique(c.list), c.expected) << c.list;
}

TEST(SubUnique, HandlesManyFields) {
  std::vector<std::string> items;
  for (int i = 0; i < 200000; ++i)
    items.push_back(std::to_string(i % 1000));
  const std::string list = SUB::Join(items);
  EXPECT_EQ(SUB::Count(list), 200000);
  EXPECT_EQ(SUB::Count(SUB::Unique(list)), 1000);
}

TEST(SubNormalize, PicksTheFirstFreeCandidate) {
  struct Case {
    std::string list;
    std::string expected;
  } cases[] = {
      {"|a|b|", "|a|b|"},
      {"*a*b*", "|a|b|"},
      {"*a|b*c*", "*a|b*c*"},  // "|" taken, "*" free again
      {"%a|*~^!%@#$&%",
       "\xff"
       "a|*~^!\xff@#$&\xff"s},
      {"*x*", "|x|"},
      {"%" + kAllCandidates + "%", "\0"s + kAllCandidates + "\0"s},
      {"|a|b", "|a|b"},  // the rest after the last delimiter stays
      {"xaxbx", "|a|b|"},
      {"|", ""},
      {"", ""},
      {kNulList, ""},
      {"\0a\0b\0"s, "|a|b|"},
      {"|a\0b|c|"s, "|a\0b|c|"s},  // NUL inside a field is no separator
  };
  for (const Case& c : cases)
    EXPECT_EQ(SUB::Normalize(c.list), c.expected) << c.list;
}

TEST(SubNormalize, KeepsEveryField) {
  const std::string lists[] = {"*a|b*c**", "%" + kAllCandidates + "%y%", "\0a|\0\xff\0"s, "xa|*xbx",
                               "|a|b"};
  for (const std::string& list : lists) {
    const std::string normalized = SUB::Normalize(list);
    EXPECT_EQ(normalized.size(), list.size()) << list;
    for (int index = 0; index < 4; ++index) {
      EXPECT_EQ(SUB::Get(normalized, index, "-"), SUB::Get(list, index, "-")) << list;
    }
  }
}

TEST(SubNormalize, FallsBackWhenAllCandidatesAndNulOccur) {
  const std::string field = kAllCandidates + "\0"s;
  const std::string list = SUB::Join({field, "b"});
  ASSERT_GE(list.size(), 2u);
  EXPECT_EQ(list.front(), '\x01');
  EXPECT_EQ(SUB::Get(list, 0), field);
  EXPECT_EQ(SUB::Get(list, 1), "b");
}

TEST(SubChangeDelimiter, ReplacesEveryDelimiter) {
  struct Case {
    std::string list;
    char delimiter;
    std::string expected;
  } cases[] = {
      {"|a|b|", ',', ",a,b,"},
      {"|a|b", ',', ",a,b"},
      {"|a|b|", '|', "|a|b|"},
      {"|a,b|c|", ',', "|a,b|c|"},  // would split a field: unchanged
      {"|a|b|", '\xff',
       "\xff"
       "a\xff"
       "b\xff"s},
      {"", ',', ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SUB::ChangeDelimiter(c.list, c.delimiter), c.expected) << c.list;
  }
}

}  // namespace
}  // namespace orvane
