#include "util/UtilsText.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>
#include <set>
#include <string>

namespace orvane {
namespace {

constexpr size_t npos = std::string::npos;

// Lead bytes of code page 932 (Shift-JIS).
bool ShiftJisLead(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// --- Paths ------------------------------------------------------------------

TEST(UtilsTextPath, NormalizeTrailingBackslash) {
  struct Case {
    const char* path;
    bool add;
    bool dbcs;
    const char* expected;
  } cases[] = {
      {"C:\\", false, false, "C:"},
      {"C:\\", true, false, "C:\\"},
      {"C\\", false, false, "C\\"},
      {"C\\", true, false, "C\\"},
      {"\\", false, false, ""},
      {"\\", true, false, "\\"},
      {"", false, false, ""},
      {"", true, false, "\\"},
      {"C:", true, false, "C:\\"},
      {"C:\\Dir\\", false, false, "C:\\Dir"},
      {"C:\\Dir", false, false, "C:\\Dir"},
      {"C:\\Dir", true, false, "C:\\Dir\\"},
      {"C:\\Dir\\\\", false, false, "C:\\Dir\\"},  // only one backslash goes
      {"\\\\", false, false, "\\\\"},
      // 0x95 0x5C is one double-byte character whose trail byte looks like "\".
      {"C:\\\x95\\", false, true, "C:\\\x95\\"},
      {"C:\\\x95\\", true, true, "C:\\\x95\\\\"},
      {"C:\\\x95\\", false, false, "C:\\\x95"},
      {"C:\\\x95\\\\", false, true, "C:\\\x95\\"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NormalizeTrailingBackslash(c.path, c.add, c.dbcs ? ShiftJisLead : nullptr),
              c.expected)
        << "path " << c.path << " add " << c.add << " dbcs " << c.dbcs;
  }
}

TEST(UtilsTextPath, PartsAndNameWithoutExtension) {
  struct Case {
    const char* path;
    bool dbcs;
    const char* fileName;
    const char* directory;
    const char* withoutLast;
    const char* withoutAll;
  } cases[] = {
      {"C:\\Dir\\Setup.exe", false, "Setup.exe", "C:\\Dir\\", "Setup", "Setup"},
      {"C:\\Dir.x\\a.b.c", false, "a.b.c", "C:\\Dir.x\\", "a.b", "a"},
      {"Setup.exe", false, "Setup.exe", "", "Setup", "Setup"},
      {"C:Setup.exe", false, "Setup.exe", "C:", "Setup", "Setup"},
      {"C:\\Dir\\", false, "", "C:\\Dir\\", "", ""},
      {"C:\\Dir\\noext", false, "noext", "C:\\Dir\\", "noext", "noext"},
      {"", false, "", "", "", ""},
      {".info", false, ".info", "", "", ""},
      // The trail byte 0x5C of 0x95 0x5C is not a separator in code page 932.
      {"C:\\\x95\\x.y", true, "\x95\\x.y", "C:\\", "\x95\\x", "\x95\\x"},
      {"C:\\\x95\\x.y", false, "x.y", "C:\\\x95\\", "x", "x"},
      // A lead byte at the very end has no trail byte to swallow.
      {"C:\\a\x95", true, "a\x95", "C:\\", "a\x95", "a\x95"},
  };
  for (const Case& c : cases) {
    LeadBytePredicate lead = c.dbcs ? ShiftJisLead : nullptr;
    EXPECT_EQ(FileNamePart(c.path, lead), c.fileName) << c.path;
    EXPECT_EQ(DirectoryPart(c.path, lead), c.directory) << c.path;
    EXPECT_EQ(NameWithoutExtension(c.path, false, lead), c.withoutLast) << c.path;
    EXPECT_EQ(NameWithoutExtension(c.path, true, lead), c.withoutAll) << c.path;
  }
}

// --- Version texts ------------------------------------------------------------

TEST(UtilsTextVersion, NormalizeVersion) {
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

TEST(UtilsTextVersion, PaddedVersionsCompareAsText) {
  EXPECT_LT(NormalizeVersion("9.9", 5, 4), NormalizeVersion("10.0", 5, 4));
  EXPECT_LT(NormalizeVersion("1.2.10", 5, 4), NormalizeVersion("1.10.2", 5, 4));
  EXPECT_EQ(NormalizeVersion("1.2", 5, 4), NormalizeVersion("1,2,0,0", 5, 4));
}

TEST(UtilsTextVersion, HugeWidthAndCountAreClamped) {
  const std::string r = NormalizeVersion("1", INT_MAX, INT_MAX);
  const std::string field(kMaxVersionWidth - 1, '0');
  std::string expected = field + "1";
  for (int i = 1; i < kMaxVersionFields; ++i)
    expected += "." + field + "0";
  EXPECT_EQ(r, expected);
}

// --- Numbers -------------------------------------------------------------------

TEST(UtilsTextNumber, Thousands) {
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

TEST(UtilsTextNumber, SizeText) {
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

TEST(UtilsTextNumber, FloatText) {
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

TEST(UtilsTextNumber, TextToFloat) {
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

TEST(UtilsTextNumber, ZeroPad) {
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

TEST(UtilsTextNumber, LeftPad) {
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

TEST(UtilsTextNumber, BoolTexts) {
  EXPECT_EQ(BoolText(true), "TRUE");
  EXPECT_EQ(BoolText(false), "FALSE");
  EXPECT_EQ(BoolDigit(true), "1");
  EXPECT_EQ(BoolDigit(false), "0");
}

TEST(UtilsTextNumber, RandomInRangeStaysInRangeAndCoversIt) {
  std::set<int64_t> seen;
  for (int i = 0; i < 2000; ++i) {
    const int64_t r = RandomInRange(-2, 3);
    ASSERT_GE(r, -2);
    ASSERT_LE(r, 3);
    seen.insert(r);
  }
  EXPECT_EQ(seen.size(), 6u);
  EXPECT_EQ(RandomInRange(7, 7), 7);
  EXPECT_EQ(RandomInRange(9, 3), 9);
  std::set<int64_t> extremes;
  for (int i = 0; i < 200; ++i) {
    extremes.insert(RandomInRange(INT64_MIN, INT64_MIN + 1));
    extremes.insert(RandomInRange(INT64_MAX - 1, INT64_MAX));
  }
  EXPECT_EQ(extremes, (std::set<int64_t>{INT64_MIN, INT64_MIN + 1, INT64_MAX - 1, INT64_MAX}));
}

// --- Dates ---------------------------------------------------------------------

TEST(UtilsTextDate, KnownMoments) {
  struct Case {
    LocalDateTime t;
    double moment;
  } cases[] = {
      {{1899, 12, 30, 0, 0, 0, 0}, 0.0},      {{1900, 1, 1, 0, 0, 0, 0}, 2.0},
      {{1900, 3, 1, 0, 0, 0, 0}, 61.0},  // 1900 is not a leap year
      {{2000, 2, 29, 0, 0, 0, 0}, 36585.0},   {{2014, 5, 17, 12, 0, 0, 0}, 41776.5},
      {{2014, 5, 17, 18, 0, 0, 0}, 41776.75}, {{9999, 12, 31, 0, 0, 0, 0}, 2958465.0},
      {{1899, 12, 29, 6, 0, 0, 0}, -1.25},  // before the start the fraction still counts forwards
      {{1, 1, 1, 0, 0, 0, 0}, kMinMoment},    {{29279, 1, 24, 0, 0, 0, 0}, kMaxMoment},
  };
  for (const Case& c : cases) {
    const LocalDateTime& t = c.t;
    EXPECT_EQ(
        MomentFromLocalTime(t.year, t.month, t.day, t.hour, t.minute, t.second, t.millisecond),
        c.moment)
        << t.year << "-" << t.month << "-" << t.day;
    const LocalDateTime back = LocalTimeFromMoment(c.moment);
    EXPECT_EQ(back.year, t.year) << c.moment;
    EXPECT_EQ(back.month, t.month) << c.moment;
    EXPECT_EQ(back.day, t.day) << c.moment;
    EXPECT_EQ(back.hour, t.hour) << c.moment;
    EXPECT_EQ(back.minute, t.minute) << c.moment;
  }
}

TEST(UtilsTextDate, RoundTripsToTheMillisecond) {
  const LocalDateTime samples[] = {
      {2024, 2, 29, 23, 59, 59, 999}, {1999, 12, 31, 0, 0, 0, 1},    {2038, 1, 19, 3, 14, 7, 500},
      {1601, 1, 1, 12, 30, 45, 250},  {1899, 1, 1, 23, 59, 59, 999},
  };
  for (const LocalDateTime& t : samples) {
    const LocalDateTime back = LocalTimeFromMoment(
        MomentFromLocalTime(t.year, t.month, t.day, t.hour, t.minute, t.second, t.millisecond));
    EXPECT_EQ(back.year, t.year);
    EXPECT_EQ(back.month, t.month);
    EXPECT_EQ(back.day, t.day);
    EXPECT_EQ(back.hour, t.hour);
    EXPECT_EQ(back.minute, t.minute);
    EXPECT_EQ(back.second, t.second);
    EXPECT_EQ(back.millisecond, t.millisecond) << t.year;
  }
}

TEST(UtilsTextDate, InvalidFieldsGiveZero) {
  struct Case {
    int y, m, d, h, n, s, ms;
  } cases[] = {
      {2014, 13, 1, 0, 0, 0, 0},   {2014, 0, 1, 0, 0, 0, 0},    {2014, 4, 31, 0, 0, 0, 0},
      {2014, 2, 29, 0, 0, 0, 0},   {1900, 2, 29, 0, 0, 0, 0},   {2014, 1, 0, 0, 0, 0, 0},
      {2014, 1, 1, 24, 0, 0, 0},   {2014, 1, 1, 0, 60, 0, 0},   {2014, 1, 1, 0, 0, 60, 0},
      {2014, 1, 1, 0, 0, 0, 1000}, {2014, 1, 1, -1, 0, 0, 0},   {0, 1, 1, 0, 0, 0, 0},
      {INT_MIN, 1, 1, 0, 0, 0, 0}, {INT_MAX, 1, 1, 0, 0, 0, 0}, {29279, 1, 25, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MomentFromLocalTime(c.y, c.m, c.d, c.h, c.n, c.s, c.ms), 0.0)
        << c.y << "-" << c.m << "-" << c.d << " " << c.h << ":" << c.n << ":" << c.s;
  }
  EXPECT_EQ(MomentFromLocalTime(2012, 2, 29, 0, 0, 0, 0), 40968.0);  // a real leap day
}

TEST(UtilsTextDate, OutOfRangeMomentsAreClamped) {
  const LocalDateTime nan = LocalTimeFromMoment(std::nan(""));
  EXPECT_EQ(nan.year, 1899);
  EXPECT_EQ(nan.day, 30);
  EXPECT_EQ(LocalTimeFromMoment(1e300).year, 29279);
  EXPECT_EQ(LocalTimeFromMoment(std::numeric_limits<double>::infinity()).year, 29279);
  EXPECT_EQ(LocalTimeFromMoment(-1e300).year, 1);
  EXPECT_EQ(LocalTimeFromMoment(-std::numeric_limits<double>::infinity()).year, 1);
}

TEST(UtilsTextDate, TimeRoundingCarriesIntoTheNextDay) {
  const LocalDateTime t = LocalTimeFromMoment(41776.0 + 0.9999999999);
  EXPECT_EQ(t.day, 18);
  EXPECT_EQ(t.hour, 0);
  EXPECT_EQ(t.millisecond, 0);
  const LocalDateTime u = LocalTimeFromMoment(41776.0 + 0.9999999);  // 86399.99 s
  EXPECT_EQ(u.day, 17);
  EXPECT_EQ(u.hour, 23);
  EXPECT_EQ(u.second, 59);
  EXPECT_EQ(u.millisecond, 991);
}

double FixedNow() {
  return 41776.0 + (13 * 3600 + 5 * 60 + 9) / 86400.0;
}  // 17 May 2014 13:05:09

TEST(UtilsTextDate, Stamps) {
  const double may17 = 41776.0 + (7 * 3600 + 8 * 60 + 9.6) / 86400.0;  // 07:08:09.6
  struct Case {
    double moment;
    const char* date;
    const char* time;
    const char* shortStamp;
    const char* longStamp;
  } cases[] = {
      {may17, "17-MAY-2014", "17-MAY-2014 07:08:09", "17/05/14 07:08:09", "17/05/2014 07:08:09"},
      {-1.0, "17-MAY-2014", "17-MAY-2014 13:05:09", "17/05/14 13:05:09", "17/05/2014 13:05:09"},
      {0.0, "30-DEC-1899", "30-DEC-1899 00:00:00", "30/12/99 00:00:00", "30/12/1899 00:00:00"},
      {-2.5, "30-DEC-1899", "30-DEC-1899 00:00:00", "30/12/99 00:00:00", "30/12/1899 00:00:00"},
      {-1.0000001, "30-DEC-1899", "30-DEC-1899 00:00:00", "30/12/99 00:00:00",
       "30/12/1899 00:00:00"},
      {std::nan(""), "30-DEC-1899", "30-DEC-1899 00:00:00", "30/12/99 00:00:00",
       "30/12/1899 00:00:00"},
      {2.0, "01-JAN-1900", "01-JAN-1900 00:00:00", "01/01/00 00:00:00", "01/01/1900 00:00:00"},
      {36585.0, "29-FEB-2000", "29-FEB-2000 00:00:00", "29/02/00 00:00:00", "29/02/2000 00:00:00"},
      {40543.999999, "31-DEC-2010", "31-DEC-2010 23:59:59", "31/12/10 23:59:59",
       "31/12/2010 23:59:59"},
      {1e12, "24-JAN-29279", "24-JAN-29279 00:00:00", "24/01/79 00:00:00", "24/01/29279 00:00:00"},
      {std::numeric_limits<double>::infinity(), "24-JAN-29279", "24-JAN-29279 00:00:00",
       "24/01/79 00:00:00", "24/01/29279 00:00:00"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DateStamp(c.moment, FixedNow), c.date) << c.moment;
    EXPECT_EQ(TimeStamp(c.moment, " ", FixedNow), c.time) << c.moment;
    EXPECT_EQ(ShortStamp(c.moment, false, FixedNow), c.shortStamp) << c.moment;
    EXPECT_EQ(ShortStamp(c.moment, true, FixedNow), c.longStamp) << c.moment;
  }
}

TEST(UtilsTextDate, StampSeparators) {
  EXPECT_EQ(TimeStamp(-1, " - ", FixedNow), "17-MAY-2014 - 13:05:09");
  EXPECT_EQ(TimeStamp(-1, "", FixedNow), "17-MAY-201413:05:09");
  EXPECT_EQ(ShortStamp(-1, false, FixedNow, ".", "-"), "17.05.14 13-05-09");
  const char* months[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                          "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
  for (int m = 1; m <= 12; ++m) {
    EXPECT_EQ(DateStamp(MomentFromLocalTime(2011, m, 5, 0, 0, 0, 0)),
              std::string("05-") + months[m - 1] + "-2011");
  }
}

TEST(UtilsTextDate, DefaultClockIsTheLocalClock) {
  const double before = LocalMomentNow();
  const std::string stamp = TimeStamp(-1);
  const double after = LocalMomentNow();
  EXPECT_GT(before, 43000.0);  // after 2017
  EXPECT_LE(before, after);
  EXPECT_TRUE(stamp == TimeStamp(before) || stamp == TimeStamp(after)) << stamp;
}

// --- Strings -------------------------------------------------------------------

TEST(UtilsTextString, TrimAndCase) {
  EXPECT_EQ(Trim(" \t\r\n a b \x01 "), "a b");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(Trim(""), "");
  EXPECT_EQ(Trim("\xA0x\xA0"), "\xA0x\xA0");  // bytes above 127 are not blanks
  EXPECT_EQ(TrimLeft("  a  "), "a  ");
  EXPECT_EQ(TrimRight("  a  "), "  a");
  EXPECT_EQ(UpperCaseAscii("aZ9\xE4"), "AZ9\xE4");
  EXPECT_EQ(LowerCaseAscii("Az9\xC4"), "az9\xC4");
}

TEST(UtilsTextString, BeforeAndAfter) {
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

TEST(UtilsTextString, ReplaceAll) {
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

TEST(UtilsTextString, Searches) {
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

TEST(UtilsTextString, CaseInsensitiveComparisons) {
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

TEST(UtilsTextString, StripAndQuote) {
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

TEST(UtilsTextString, KeepOnlyAndReverse) {
  EXPECT_EQ(KeepOnly("v1.2-beta3", "0123456789."), "1.23");
  EXPECT_EQ(KeepOnly("abc", ""), "");
  EXPECT_EQ(KeepOnly("", "abc"), "");
  EXPECT_EQ(Reverse("abc\x01\xFF"),
            "\xFF\x01"
            "cba");
  EXPECT_EQ(Reverse(""), "");
}

TEST(UtilsTextString, ReplaceBetween) {
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

TEST(UtilsTextString, HexDumpAndBack) {
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

TEST(UtilsTextString, ParseUnsigned) {
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

}  // namespace
}  // namespace orvane
