// DateText: the portable calendar and date stamps.
#include "util/DateText.h"

#include <cmath>
#include <cstdint>

#include "util/NumberText.h"

namespace orvane {

namespace {

constexpr int64_t kMsPerDay = 86400000;
// Days from 1 January 1970 to 30 December 1899.
constexpr int64_t kMomentEpochFromUnix = -25569;

// Days since 1 January 1970 of a proleptic Gregorian date (any year).
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2 ? 1 : 0;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int64_t d = doy - (153 * mp + 2) / 5 + 1;
  const int64_t m = mp < 10 ? mp + 3 : mp - 9;
  year = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
  month = static_cast<int>(m);
  day = static_cast<int>(d);
}

bool IsLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// The moment a stamp shows: -1 is now (when there is a clock), everything
// else clamped to 0..max.
LocalDateTime StampTime(double moment, MomentClock now) {
  if (moment == -1.0 && now != nullptr)
    moment = now();
  if (!(moment >= 0.0))
    moment = 0.0;  // negative or not-a-number
  if (moment > kMaxMoment)
    moment = kMaxMoment;
  return LocalTimeFromMoment(moment);
}

std::string Two(int value) {
  return ZeroPad(value, 2);
}

// "DD-MON-YYYY".
std::string DateText(const LocalDateTime& t) {
  static const char* const kMonths[12] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                          "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
  return Two(t.day) + "-" + kMonths[t.month - 1] + "-" + ZeroPad(t.year, 4);
}

}  // namespace

double MomentFromLocalTime(int year, int month, int day, int hour, int minute, int second,
                           int millisecond) {
  if (year < 1 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) ||
      hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
      millisecond < 0 || millisecond > 999) {
    return 0.0;
  }
  const int64_t days = DaysFromCivil(year, month, day) - kMomentEpochFromUnix;
  const double time =
      static_cast<double>(((hour * 60 + minute) * 60 + second) * 1000 + millisecond) /
      static_cast<double>(kMsPerDay);
  const double moment =
      days < 0 ? static_cast<double>(days) - time : static_cast<double>(days) + time;
  return moment > kMaxMoment ? 0.0 : moment;
}

LocalDateTime LocalTimeFromMoment(double moment) {
  if (std::isnan(moment))
    moment = 0.0;
  if (moment < kMinMoment)
    moment = kMinMoment;
  if (moment > kMaxMoment)
    moment = kMaxMoment;
  // Both bounds times the day's milliseconds stay far below 2^53, so the
  // rounding is exact to the millisecond and fits in 64 bits.
  const bool negative = moment < 0;
  const int64_t total = std::llround(std::fabs(moment) * static_cast<double>(kMsPerDay));
  const int64_t dayMagnitude = total / kMsPerDay;
  int64_t ms = total % kMsPerDay;
  LocalDateTime t;
  CivilFromDays((negative ? -dayMagnitude : dayMagnitude) + kMomentEpochFromUnix, t.year, t.month,
                t.day);
  t.millisecond = static_cast<int>(ms % 1000);
  ms /= 1000;
  t.second = static_cast<int>(ms % 60);
  ms /= 60;
  t.minute = static_cast<int>(ms % 60);
  t.hour = static_cast<int>(ms / 60);
  return t;
}

std::string DateStamp(double moment, MomentClock now) {
  return DateText(StampTime(moment, now));
}

std::string TimeStamp(double moment, std::string_view separator, MomentClock now) {
  const LocalDateTime t = StampTime(moment, now);
  return DateText(t) + std::string(separator) + Two(t.hour) + ":" + Two(t.minute) + ":" +
         Two(t.second);
}

std::string ShortStamp(double moment, bool longYear, MomentClock now,
                       std::string_view dateSeparator, std::string_view timeSeparator) {
  const LocalDateTime t = StampTime(moment, now);
  const std::string ds(dateSeparator);
  const std::string ts(timeSeparator);
  const std::string year = longYear ? ZeroPad(t.year, 4) : Two(t.year % 100);
  return Two(t.day) + ds + Two(t.month) + ds + year + " " + Two(t.hour) + ts + Two(t.minute) + ts +
         Two(t.second);
}

}  // namespace orvane
