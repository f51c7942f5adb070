// DateText: the portable calendar and date stamps of unit Utils.
//
// A moment counts days since 30 December 1899 00:00 local time, the fraction
// being the time of day. Before that day the integer part counts backwards
// and the fraction still counts forwards from midnight (-1.25 is 29 December
// 1899 06:00). The calendar is the proleptic Gregorian one.
//
// Portable code has no clock: where a stamp may show "now", the caller passes
// the clock (LocalMomentNow of Utils.h on Windows, fixed clocks in the
// tests). Moments outside the documented ranges are clamped; nothing here
// throws or reads out of range.
#pragma once

#include <string>
#include <string_view>

namespace orvane {

struct LocalDateTime {
  int year = 1899;
  int month = 12;
  int day = 30;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

// Limits of the conversions: 1 January 0001 and 10,000,000 days after the
// start (a day in the year 29279).
constexpr double kMinMoment = -693593.0;
constexpr double kMaxMoment = 10000000.0;

// The moment of a local date and time. Fields out of range (month 13, day 31
// of April, hour 24, a year before 1, a date past kMaxMoment...) give 0.
double MomentFromLocalTime(int year, int month, int day, int hour, int minute, int second,
                           int millisecond);

// The date and time of a moment, rounded to the millisecond. Moments outside
// kMinMoment..kMaxMoment are clamped to it; not-a-number counts as 0.
LocalDateTime LocalTimeFromMoment(double moment);

// Source of the current moment.
using MomentClock = double (*)();

// The stamps take a moment of -1 for "now" (read from `now`) and clamp every
// other moment to 0..10,000,000 days (not-a-number counts as 0). With a null
// clock there is no "now": -1 is clamped like every other negative moment.

// "DD-MON-YYYY" with the month as JAN..DEC: 17 May 2014 gives "17-MAY-2014".
std::string DateStamp(double moment, MomentClock now);

// The date stamp, `separator`, then "HH:NN:SS".
std::string TimeStamp(double moment, std::string_view separator, MomentClock now);

// "dd/mm/yy HH:NN:SS" (with a four-digit year when `longYear` is set); the
// separators can be replaced by the user's date and time separators.
std::string ShortStamp(double moment, bool longYear, MomentClock now,
                       std::string_view dateSeparator = "/", std::string_view timeSeparator = ":");

}  // namespace orvane
