// Tests of the number texts: integers in decimal and hexadecimal, padding,
// the exact fixed notation (against the C library's printf), sizes, version
// texts, flags, hex dumps and the parsers.
#include "util/NumberText.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace orvane {
namespace {

TEST(NumberTextVersion, NormalizeVersion) {
  struct Case {
    const char* text;
    int width;
    int count;
    const char* expected;
  } cases[] = {
      {"1,2", 3, 4, "001.002.000.000"},
      {"12.0.3", 5, 4, "00012.00000.00003.00000"},
      {"1.2.3.4", 1, 4, "1.2.3.4"},
      {"1.2.3.4", 1, 2, "1.2"},
      {"v 10.0 (build 19041)", 1, 3, "10.19041.0"},  // letters and blanks vanish, digits join
      {"007.01", 1, 2, "7.1"},
      {"1..3", 2, 3, "01.00.03"},
      {".5", 1, 2, "0.5"},
      {"", 2, 2, "00.00"},
      {"1.2", 0, 2, "1.2"},
      {"1.2", -7, 2, "1.2"},
      {"1.2", 5, 0, ""},
      {"1.2", 5, -1, ""},
      // Digit runs beyond 64 bits are kept exactly instead of overflowing.
      {"123456789012345678901234567890.1", 1, 2, "123456789012345678901234567890.1"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NormalizeVersion(c.text, c.width, c.count), c.expected)
        << c.text << " width " << c.width << " count " << c.count;
  }
}

TEST(NumberTextVersion, PaddedVersionsCompareAsText) {
  EXPECT_LT(NormalizeVersion("9.9", 5, 4), NormalizeVersion("10.0", 5, 4));
  EXPECT_LT(NormalizeVersion("1.2.10", 5, 4), NormalizeVersion("1.10.2", 5, 4));
  EXPECT_EQ(NormalizeVersion("1.2", 5, 4), NormalizeVersion("1,2,0,0", 5, 4));
}

TEST(NumberTextVersion, HugeWidthAndCountAreClamped) {
  const std::string r = NormalizeVersion("1", INT_MAX, INT_MAX);
  const std::string field(kMaxVersionWidth - 1, '0');
  std::string expected = field + "1";
  for (int i = 1; i < kMaxVersionFields; ++i)
    expected += "." + field + "0";
  EXPECT_EQ(r, expected);
}

TEST(NumberText, Thousands) {
  struct Case {
    const char* text;
    const char* expected;
  } cases[] = {
      {"", ""},
      {"1", "1"},
      {"123", "123"},
      {"1234", "1,234"},
      {"123456", "123,456"},
      {"1234567", "1,234,567"},
      {"98765.4", "98,765.4"},
      {"1234.5678", "1,234.5678"},
      {"-1234", "-1,234"},
      {"-123", "-123"},
      {".5", ".5"},
      {"ab1234", "ab1,234"},
      {"9223372036854775807", "9,223,372,036,854,775,807"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Thousands(c.text), c.expected) << c.text;
}

TEST(NumberText, SizeText) {
  struct Case {
    int64_t bytes;
    int64_t unit;
    int decimals;
    bool thousands;
    const char* expected;
  } cases[] = {
      {1025, kKilobyte, 0, false, "2"},
      {1024, kKilobyte, 0, false, "1"},
      {0, kKilobyte, 0, false, "0"},
      {1, kMegabyte, -3, false, "1"},
      {-1025, kKilobyte, 0, false, "-1"},  // rounded up is towards plus infinity
      {1536, kKilobyte, 1, false, "1.5"},
      {1536, kKilobyte, 2, false, "1.50"},
      {1536, kKilobyte, 3, false, "1.500"},
      {1536, kKilobyte, 4, false, "1.5000"},
      {1536, kKilobyte, 5, false, "1.5"},  // other counts mean 1 decimal
      {101135769, kKilobyte, 1, true, "98,765.4"},
      {101135769, kKilobyte, 1, false, "98765.4"},
      {1073741824000, kKilobyte, 0, true, "1,048,576,000"},
      {5, 0, 0, false, "5"},  // a unit below 1 counts as 1
      {5, -1024, 0, false, "5"},
      {INT64_MAX, 1, 0, true, "9,223,372,036,854,775,807"},
      {INT64_MIN, 1, 0, false, "-9223372036854775808"},
      {INT64_MIN, kKilobyte, 0, false, "-9007199254740992"},
      {INT64_MAX, kKilobyte, 0, false, "9007199254740992"},
      {INT64_MAX, kMegabyte, 1, false, "8796093022208.0"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SizeText(c.bytes, c.unit, c.decimals, c.thousands), c.expected)
        << c.bytes << " / " << c.unit << " decimals " << c.decimals;
  }
}

TEST(NumberText, FloatText) {
  struct Case {
    double value;
    int decimals;
    bool trim;
    const char* expected;
  } cases[] = {
      {1.5, 2, false, "1.50"},
      {1.5, 2, true, "1.5"},
      {2.0, 3, true, "2"},
      {1000.0, 0, true, "1000"},  // zeros before the point are the number
      {1000.0, 2, true, "1000"},
      {0.0, 3, true, "0"},
      {0.0, 0, false, "0"},
      {-0.001, 2, false, "0.00"},
      {-0.001, 2, true, "0"},
      {-2.5, 1, false, "-2.5"},
      {1.25, -4, false, "1"},
      {0.1, 200, false, "0.100000000000000006"},  // clamped to 18 decimals
      {1e20, 0, false, "100000000000000000000"},
      {std::numeric_limits<double>::quiet_NaN(), 2, false, "NAN"},
      {std::numeric_limits<double>::infinity(), 2, false, "INF"},
      {-std::numeric_limits<double>::infinity(), 2, true, "-INF"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FloatText(c.value, c.decimals, c.trim), c.expected)
        << c.value << " decimals " << c.decimals << " trim " << c.trim;
  }
  EXPECT_EQ(FloatText(std::numeric_limits<double>::max(), 18, false).size(), 309u + 1 + 18);
}

TEST(NumberText, TextToFloat) {
  struct Case {
    const char* text;
    double expected;
  } cases[] = {
      {"1.5", 1.5},        {"1,5", 1.5},  // a comma without a dot is a decimal comma
      {"1,234.5", 1234.5}, {"1,234,567.25", 1234567.25},
      {"  -2.25 ", -2.25}, {"+3", 3.0},
      {".5", 0.5},         {"5.", 5.0},
      {"1e3", 1000.0},     {"2.5E-2", 0.025},
      {"0", 0.0},          {"", -1.0},
      {"   ", -1.0},       {"abc", -1.0},
      {"1.2.3", -1.0},     {"1,2,3", -1.0},  // becomes 1.2.3
      {"1.5x", -1.0},      {"-", -1.0},
      {".", -1.0},         {"e5", -1.0},
      {"1e", -1.0},        {"1e+", -1.0},
      {"+-1", -1.0},       {"inf", -1.0},
      {"nan", -1.0},       {"0x10", -1.0},
      {"1e999", -1.0},     {"1 000", -1.0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TextToFloat(c.text, -1.0), c.expected) << c.text;
}

TEST(NumberText, ZeroPad) {
  struct Case {
    int64_t number;
    int digits;
    const char* expected;
  } cases[] = {
      {7, 3, "007"},
      {1234, 2, "1234"},
      {0, 0, "0"},
      {0, 2, "00"},
      {-5, 3, "-005"},
      {5, -4, "5"},
      {INT64_MIN, 1, "-9223372036854775808"},
      {INT64_MAX, 21, "009223372036854775807"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ZeroPad(c.number, c.digits), c.expected) << c.number;
  EXPECT_EQ(ZeroPad(1, INT_MAX).size(), static_cast<size_t>(kMaxPadWidth));
}

TEST(NumberText, LeftPad) {
  struct Case {
    const char* text;
    int width;
    char fill;
    const char* expected;
  } cases[] = {
      {"42", 5, ' ', "   42"},
      {"42", 5, '0', "00042"},
      {"123456", 5, ' ', "123456"},  // never cut with a positive width
      {"abcdefgh", -5, ' ', "abcd."},
      {"abcde", -5, ' ', "abcde"},
      {"ab", -5, '*', "***ab"},
      {"abcdefgh", -3, ' ', "ab."},
      {"abcdefgh", -2, ' ', "abcdefgh"},  // -1 and -2 never cut
      {"abcdefgh", -1, ' ', "abcdefgh"},
      {"a", -2, ' ', " a"},
      {"", 0, ' ', ""},
      {"abc", 0, ' ', "abc"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LeftPad(c.text, c.width, c.fill), c.expected) << c.text << " " << c.width;
  }
  EXPECT_EQ(LeftPad("abc", INT_MAX), std::string(kMaxPadWidth - 3, ' ') + "abc");
  EXPECT_EQ(LeftPad("abc", INT_MIN), std::string(kMaxPadWidth - 3, ' ') + "abc");
}

TEST(NumberText, BoolTexts) {
  EXPECT_EQ(BoolText(true), "TRUE");
  EXPECT_EQ(BoolText(false), "FALSE");
  EXPECT_EQ(BoolDigit(true), "1");
  EXPECT_EQ(BoolDigit(false), "0");
}

TEST(NumberText, HexDumpAndBack) {
  const std::string bytes("\x00\x01\x7F\x80\xAB\xCD\xEF\xFF\x10\x20", 10);
  struct Case {
    bool prefix;
    const char* separator;
    const char* expected;
  } cases[] = {
      {false, " ", "00017F80ABCDEFFF 1020"},
      {true, " ", "0x00017F80ABCDEFFF 1020"},
      {false, "", "00017F80ABCDEFFF1020"},
      {true, "-", "0x00017F80ABCDEFFF-1020"},
  };
  for (const Case& c : cases) {
    const std::string dump = HexDump(bytes, c.prefix, c.separator);
    EXPECT_EQ(dump, c.expected);
    std::string back;
    ASSERT_TRUE(HexToBytes(dump, back, c.separator)) << dump;
    EXPECT_EQ(back, bytes);
  }
  EXPECT_EQ(HexDump(std::string(8, 'A')), "4141414141414141");  // no separator after the last group
  EXPECT_EQ(HexDump(""), "");
  EXPECT_EQ(HexDump("", true), "0x");

  struct Inverse {
    const char* text;
    bool ok;
    const char* bytes;
  } inverses[] = {
      {"  0XabCD  ", true, "\xAB\xCD"},
      {"ab cd", true, "\xAB\xCD"},
      {"", true, ""},
      {"0x", true, ""},
      {"abc", false, ""},
      {"zz", false, ""},
      {"0x0x12", false, ""},
      {"+1", false, ""},
  };
  for (const Inverse& c : inverses) {
    std::string out = "junk";
    EXPECT_EQ(HexToBytes(c.text, out), c.ok) << c.text;
    EXPECT_EQ(out, c.bytes) << c.text;
  }
}

TEST(NumberText, ParseUnsigned) {
  struct Case {
    const char* text;
    unsigned base;
    uint64_t expected;
  } cases[] = {
      {"ff", 16, 255},
      {" FF ", 16, 255},
      {"777", 8, 511},
      {"101", 2, 5},
      {"zz", 36, 1295},
      {"ZZ", 36, 1295},
      {"18446744073709551615", 10, UINT64_MAX},
      {"FFFFFFFFFFFFFFFF", 16, UINT64_MAX},
      {"18446744073709551616", 10, 7},  // one past the top
      {"10000000000000000", 16, 7},
      {"8", 8, 7},  // not a digit of base 8: the default
      {"12", 1, 7},
      {"12", 37, 7},
      {"12", 0, 7},
      {"", 10, 7},
      {"  ", 10, 7},
      {"-1", 10, 7},
      {"1 2", 10, 7},
      {"0", 10, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseUnsigned(c.text, c.base, 7), c.expected) << c.text << " base " << c.base;
  }
}

TEST(NumberText, DecimalAndHexText) {
  struct Case {
    int64_t value;
    const char* decimal;
  } decimals[] = {
      {0, "0"},
      {7, "7"},
      {-42, "-42"},
      {1000000000, "1000000000"},
      {INT64_MAX, "9223372036854775807"},
      {INT64_MIN, "-9223372036854775808"},
  };
  for (const Case& c : decimals)
    EXPECT_EQ(DecimalText(c.value), c.decimal) << c.decimal;

  struct Hex {
    uint64_t value;
    int digits;
    const char* expected;
  } hexes[] = {
      {0x409, 4, "0409"},
      {0x4E4, 4, "04e4"},
      {0, 0, "0"},
      {0, 3, "000"},
      {0xABCDE, 2, "abcde"},  // never cut
      {UINT64_MAX, 1, "ffffffffffffffff"},
      {0x1F, -5, "1f"},
  };
  for (const Hex& c : hexes)
    EXPECT_EQ(HexText(c.value, c.digits), c.expected) << c.expected;
  EXPECT_EQ(HexText(1, INT_MAX).size(), static_cast<size_t>(kMaxPadWidth));
}

TEST(NumberText, IsDecimalDigits) {
  const struct {
    const char* text;
    bool digits;
  } cases[] = {{"0", true},   {"0123456789", true}, {"", false},   {"+1", false},
               {"-1", false}, {" 1", false},        {"1a", false}, {"\xB9", false}};
  for (const auto& c : cases)
    EXPECT_EQ(IsDecimalDigits(c.text), c.digits) << c.text;
}

TEST(NumberText, ParseInt64) {
  struct Case {
    const char* text;
    bool ok;
    int64_t value;  // 99 when the text is refused: the value stays as it was
  } cases[] = {
      {"0", true, 0},
      {" 42 ", true, 42},
      {"+7", true, 7},
      {"-7", true, -7},
      {"9223372036854775807", true, INT64_MAX},
      {"-9223372036854775808", true, INT64_MIN},
      {"9223372036854775808", false, 99},
      {"-9223372036854775809", false, 99},
      {"", false, 99},
      {"-", false, 99},
      {"1 2", false, 99},
      {"0x10", false, 99},
      {"--1", false, 99},
  };
  for (const Case& c : cases) {
    int64_t value = 99;
    EXPECT_EQ(ParseInt64(c.text, value), c.ok) << c.text;
    EXPECT_EQ(value, c.value) << c.text;
  }
}

// --- Fixed notation ---------------------------------------------------------

// printf's "%.*f" of the C library: the oracle FixedText must match.
std::string PrintfFixed(double value, int decimals) {
  char buffer[400];  // the largest double has 309 digits before the point
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  return buffer;
}

double FromBits(uint64_t bits) {
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

TEST(NumberTextFixed, KnownTexts) {
  struct Case {
    double value;
    int decimals;
    const char* expected;
  } cases[] = {
      {0.125, 2, "0.12"},  // exactly half way: to the even digit
      {0.375, 2, "0.38"},
      {2.5, 0, "2"},
      {3.5, 0, "4"},
      {-2.5, 0, "-2"},
      {0.5, 0, "0"},
      {1e-7, 6, "0.000000"},
      {1e-7, 7, "0.0000001"},
      {0.1, 18, "0.100000000000000006"},  // the binary value, not the decimal one
      {0.15, 1, "0.1"},                   // 0.1499999999999999944...
      {9.9999, 3, "10.000"},
      {-0.0, 2, "-0.00"},
      {-0.001, 2, "-0.00"},
      {1.5, -3, "2"},                               // decimals below 0 count as 0
      {1.0, 40, "1.000000000000000000"},            // and above 18 as 18
      {9007199254740993.0, 0, "9007199254740992"},  // 2^53 + 1 is no double
      {18446744073709551616.0, 1, "18446744073709551616.0"},
      {5e-324, 18, "0.000000000000000000"},
      {std::numeric_limits<double>::infinity(), 2, "inf"},
      {-std::numeric_limits<double>::infinity(), 0, "-inf"},
      {std::numeric_limits<double>::quiet_NaN(), 2, "nan"},
      {-std::numeric_limits<double>::quiet_NaN(), 2, "-nan"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FixedText(c.value, c.decimals), c.expected) << c.expected;
  const std::string largest = FixedText(std::numeric_limits<double>::max(), 0);
  EXPECT_EQ(largest.size(), 309u);
  EXPECT_EQ(largest.substr(0, 17), "17976931348623157");
}

TEST(NumberTextFixed, EdgeCasesMatchPrintf) {
  const double values[] = {
      0.0,
      -0.0,
      0.125,
      0.375,
      0.5,
      1.5,
      2.5,
      -2.5,
      1e-7,
      0.1,
      0.05,
      0.15,
      0.25,
      0.35,
      1.005,
      9.9999,
      9.99999999999,
      999999.9999995,
      0.000000000000000005,  // 5e-18: half of the last place at 17 decimals
      0.0000000000000000005,
      123456789.987654321,
      4503599627370495.5,  // the last doubles with a half
      4503599627370496.0,
      9007199254740992.0,
      18446744073709549568.0,  // the last double below 2^64
      18446744073709551616.0,
      1e22,
      1e23,
      1.7976931348623157e308,
      -1.7976931348623157e308,
      2.2250738585072014e-308,        // smallest normal
      2.2250738585072009e-308,        // largest subnormal
      4.9406564584124654e-324,        // smallest subnormal
      FromBits(0x3FEFFFFFFFFFFFFFu),  // just below 1
      FromBits(0x3FF0000000000001u),  // just above 1
      std::numeric_limits<double>::infinity(),
      -std::numeric_limits<double>::infinity(),
      std::numeric_limits<double>::quiet_NaN(),
  };
  for (double value : values) {
    for (int decimals = 0; decimals <= kMaxFixedDecimals; ++decimals) {
      EXPECT_EQ(FixedText(value, decimals), PrintfFixed(value, decimals))
          << PrintfFixed(value, 25) << " at " << decimals;
    }
  }
}

TEST(NumberTextFixed, ManyValuesMatchPrintf) {
  std::mt19937_64 random(20240611);  // fixed: the same values on every run
  int failures = 0;
  for (int i = 0; i < 300000 && failures < 10; ++i) {
    const uint64_t r = random();
    const int decimals = static_cast<int>(random() % (kMaxFixedDecimals + 1));
    double value;
    switch (i % 4) {
      case 0:  // any finite double, every magnitude equally often
        value = FromBits((r & ~(uint64_t{0x7FF} << 52)) | ((random() % 0x7FF) << 52));
        break;
      case 1:  // binary fractions: many decimal ties
        value = static_cast<double>(static_cast<int64_t>(r % 2000001) - 1000000) /
                static_cast<double>(uint64_t{1} << (random() % 24));
        break;
      case 2:  // decimal values, the usual input of the callers
        value = static_cast<double>(r % 100000000000u) / std::pow(10.0, random() % 19);
        break;
      default:  // around the 64-bit limit and beyond
        value = std::ldexp(static_cast<double>(r >> 11), static_cast<int>(random() % 80) - 10);
        break;
    }
    const std::string expected = PrintfFixed(value, decimals);
    const std::string got = FixedText(value, decimals);
    if (got != expected) {
      ++failures;
      ADD_FAILURE() << PrintfFixed(value, 30) << " at " << decimals << ": " << got << " instead of "
                    << expected;
    }
  }
}

}  // namespace
}  // namespace orvane
