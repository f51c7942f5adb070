// Tests of the setup-information value rules, the seconds scale with its
// readable companion text, and the transient override list.
#include "package/StubGlobRules.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace orvane {
namespace {

TEST(StubGlobValues, IntegersAreDecimalOrTheDefault) {
  struct Case {
    const char* text;
    int64_t expected;
  } cases[] = {
      {"0", 0},
      {"42", 42},
      {" 42 ", 42},
      {"-5", -5},
      {"+5", 5},
      {"9223372036854775807", INT64_MAX},
      {"-9223372036854775808", INT64_MIN},
      {"9223372036854775808", -1},  // beyond 64 bits
      {"", -1},
      {"abc", -1},
      {"12abc", -1},
      {"0x10", -1},
      {"1e3", -1},
      {"1.0", -1},
      {"1 2", -1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(IniIntegerValue(c.text, -1), c.expected) << c.text;
}

TEST(StubGlobValues, OnlyOneIsOn) {
  struct Case {
    const char* text;
    bool on;
  } cases[] = {
      {"1", true},   {"0", false},  {"", false},   {"yes", false}, {"true", false}, {"TRUE", false},
      {"01", false}, {" 1", false}, {"1 ", false}, {"2", false},   {"-1", false},   {"on", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(IniSwitchValue(c.text), c.on) << '"' << c.text << '"';
}

TEST(StubGlobTimes, CompanionTextShowsTheMomentOfTheSeconds) {
  struct Case {
    int64_t seconds;
    const char* text;
  } cases[] = {
      {3712000000, "15-AUG-2017 23:06:40"},
      {3000000000, "23-JAN-1995 05:20:00"},
      {0, "30-DEC-1899 00:00:00"},
      {86399, "30-DEC-1899 23:59:59"},
      {86400, "31-DEC-1899 00:00:00"},
      // Negative day counts are clamped to 0 (and are never taken for "now").
      {-1, "30-DEC-1899 00:00:00"},
      {-86400, "30-DEC-1899 00:00:00"},
      {INT64_MIN, "30-DEC-1899 00:00:00"},
      // Day counts above 10,000,000 are clamped to it.
      {864000000000, "24-JAN-29279 00:00:00"},
      {INT64_MAX, "24-JAN-29279 00:00:00"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SecondsCompanionText(c.seconds), c.text) << c.seconds;
}

TEST(StubGlobTimes, SecondsFromMomentRoundsAndClamps) {
  struct Case {
    double moment;
    int64_t seconds;
  } cases[] = {
      {0.0, 0},
      {1.0, 86400},
      {3712000000.0 / 86400.0, 3712000000},
      {42962.0 + (23 * 3600 + 6 * 60 + 40.4) / 86400.0, 3712000000},  // rounds down
      {42962.0 + (23 * 3600 + 6 * 60 + 39.6) / 86400.0, 3712000000},  // rounds up
      {-1.5, -129600},
      {1e300, 864000000000},
      {-1e300, -693593LL * 86400},
      {std::numeric_limits<double>::quiet_NaN(), 0},
      {std::numeric_limits<double>::infinity(), 864000000000},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SecondsFromMoment(c.moment), c.seconds) << c.moment;
}

TEST(StubGlobOverrides, StartUnsetAndPrintAsNineBars) {
  TransientOverrides overrides;
  EXPECT_EQ(OverrideText(overrides), "|255|255|255|255|255|255|255|255|");
  EXPECT_FALSE(overrides.AskBeforeCheck());
  overrides.Set(Override::RequestConfirmationBeforeDownload, 1);
  overrides.Set(Override::RequestConfirmationBeforeInstallForce, 0);
  EXPECT_EQ(OverrideText(overrides), "|255|1|255|255|255|255|255|0|");
  overrides.Set(Override::AskBeforeCheck, 1);
  EXPECT_TRUE(overrides.AskBeforeCheck());
  overrides.Set(Override::AskBeforeCheck, 2);
  EXPECT_FALSE(overrides.AskBeforeCheck());
}

TEST(StubGlobOverrides, FieldOrderFollowsTheSwitches) {
  struct Case {
    Override which;
    size_t field;
  } cases[] = {
      {Override::AskBeforeCheck, 0},
      {Override::RequestConfirmationBeforeDownload, 1},
      {Override::RequestConfirmationBeforeInstall, 2},
      {Override::BackgroundUpdate, 3},
      {Override::InformFinish, 4},
      {Override::RestartProcess, 5},
      {Override::RequestConfirmationBeforeDownloadForce, 6},
      {Override::RequestConfirmationBeforeInstallForce, 7},
  };
  for (const Case& c : cases) {
    TransientOverrides overrides;
    overrides.Set(c.which, 1);
    std::string expected = "|";
    for (size_t i = 0; i < kOverrideCount; ++i)
      expected += (i == c.field ? "1|" : "255|");
    EXPECT_EQ(OverrideText(overrides), expected) << c.field;
  }
}

TEST(StubGlobOverrides, ReadingBackKeepsFieldsThatAreNoByte) {
  struct Case {
    const char* text;
    const char* expected;  // the text of the overrides afterwards
  } cases[] = {
      {"|0|1|2|3|4|5|6|7|", "|0|1|2|3|4|5|6|7|"},
      {"|255|1|255|255|255|255|255|255|", "|255|1|255|255|255|255|255|255|"},
      {"|x|0|", "|9|0|9|9|9|9|9|9|"},                // not a number; missing fields
      {"|256|-1|1000|0|", "|9|9|9|0|9|9|9|9|"},      // numbers beyond a byte
      {"| 1 |", "|1|9|9|9|9|9|9|9|"},                // blanks around a number
      {"||1|", "|9|1|9|9|9|9|9|9|"},                 // an empty field
      {"|1|1|1|1|1|1|1|1|0|", "|1|1|1|1|1|1|1|1|"},  // a ninth field is ignored
      {"|0|0", "|0|9|9|9|9|9|9|9|"},                 // an unclosed field is no field
      {"", "|9|9|9|9|9|9|9|9|"},
      {"*1*0*", "|1|0|9|9|9|9|9|9|"},  // the first character separates
  };
  for (const Case& c : cases) {
    TransientOverrides overrides;
    overrides.fields.fill(9);
    ReadOverrideText(c.text, overrides);
    EXPECT_EQ(OverrideText(overrides), c.expected) << c.text;
  }
  // What is written is read back.
  TransientOverrides written;
  written.fields = {0, 1, 255, 1, 0, 255, 1, 0};
  TransientOverrides read;
  ReadOverrideText(OverrideText(written), read);
  EXPECT_EQ(read.fields, written.fields);
}

TEST(StubGlobOverrides, OverrideDecidesUnlessUnset) {
  struct Case {
    uint8_t override;
    const char* fileValue;
    bool on;
  } cases[] = {
      {0, "1", false},                        // off whatever the file says
      {0, "0", false},     {1, "0", true},    // on whatever the file says
      {1, "", true},       {255, "1", true},  // the file decides
      {255, "0", false},   {255, "", false},
      {255, "yes", false}, {2, "1", false},  // any other override is off
      {254, "1", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(OverridableSwitch(c.override, c.fileValue), c.on)
        << int{c.override} << " / " << c.fileValue;
}

}  // namespace
}  // namespace orvane
