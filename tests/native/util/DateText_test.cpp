// Tests of the calendar (moments and local dates) and of the date stamps,
// with fixed clocks.
#include "util/DateText.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <string>

namespace orvane {
namespace {

TEST(DateText, KnownMoments) {
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

TEST(DateText, RoundTripsToTheMillisecond) {
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

TEST(DateText, InvalidFieldsGiveZero) {
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

TEST(DateText, OutOfRangeMomentsAreClamped) {
  const LocalDateTime nan = LocalTimeFromMoment(std::nan(""));
  EXPECT_EQ(nan.year, 1899);
  EXPECT_EQ(nan.day, 30);
  EXPECT_EQ(LocalTimeFromMoment(1e300).year, 29279);
  EXPECT_EQ(LocalTimeFromMoment(std::numeric_limits<double>::infinity()).year, 29279);
  EXPECT_EQ(LocalTimeFromMoment(-1e300).year, 1);
  EXPECT_EQ(LocalTimeFromMoment(-std::numeric_limits<double>::infinity()).year, 1);
}

TEST(DateText, TimeRoundingCarriesIntoTheNextDay) {
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

TEST(DateText, Stamps) {
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

TEST(DateText, StampSeparators) {
  EXPECT_EQ(TimeStamp(-1, " - ", FixedNow), "17-MAY-2014 - 13:05:09");
  EXPECT_EQ(TimeStamp(-1, "", FixedNow), "17-MAY-201413:05:09");
  EXPECT_EQ(ShortStamp(-1, false, FixedNow, ".", "-"), "17.05.14 13-05-09");
  const char* months[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                          "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
  for (int m = 1; m <= 12; ++m) {
    EXPECT_EQ(DateStamp(MomentFromLocalTime(2011, m, 5, 0, 0, 0, 0), nullptr),
              std::string("05-") + months[m - 1] + "-2011");
  }
}

TEST(DateText, WithoutAClockMinusOneIsNoNow) {
  EXPECT_EQ(DateStamp(-1, nullptr), "30-DEC-1899");
  EXPECT_EQ(TimeStamp(-1, " ", nullptr), "30-DEC-1899 00:00:00");
  EXPECT_EQ(ShortStamp(-1, true, nullptr), "30/12/1899 00:00:00");
  // Every other moment shows as with a clock.
  EXPECT_EQ(TimeStamp(FixedNow(), " ", nullptr), "17-MAY-2014 13:05:09");
}

}  // namespace
}  // namespace orvane
