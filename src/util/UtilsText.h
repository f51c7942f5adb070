// UtilsText: the portable text, number and date services of unit Utils.
//
// Paths, version texts, number and size formatting, date stamps and a family
// of string operations, all on 8-bit ANSI text in std::string. Nothing here
// touches the system: where an operation needs the system (the DBCS lead-byte
// table, the current local time) the caller passes it in, so the Windows side
// hands in IsDBCSLeadByte and its own clock and the tests hand in fixed ones.
//
// Conventions of this unit:
// - Positions are 0-based (size_t); "not found" is std::string::npos.
// - Case-insensitive means ASCII only: 'a'..'z' fold to 'A'..'Z'; bytes of the
//   code page's upper half compare as they are.
// - Trim removes leading and trailing bytes <= ' ' (controls and blanks).
// - No function throws or reads out of range for any input; widths, counts and
//   moments outside their documented ranges are clamped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace orvane {

// ---------------------------------------------------------------------------
// Paths

// Tells whether a byte is a lead byte of the ANSI code page (IsDBCSLeadByte on
// Windows). A null predicate means a single-byte code page.
using LeadBytePredicate = bool (*)(unsigned char);

// Removes one trailing backslash when the path is longer than 2 characters
// and the byte before the backslash is not a lead byte; a path that is exactly
// "\" becomes empty. With `add`, then appends a backslash unless the result
// already ends with one that is a separator (so the result ends with exactly
// one). "C:\" gives "C:" (with `add`: "C:\"); "C\" stays "C\".
std::string NormalizeTrailingBackslash(std::string_view path, bool add,
                                       LeadBytePredicate isLeadByte = nullptr);

// File-name part: the text after the last "\" or ":" (the drive separator).
// Trail bytes of double-byte characters are never taken for separators.
std::string FileNamePart(std::string_view path, LeadBytePredicate isLeadByte = nullptr);

// Directory part including its trailing separator: everything up to and
// including the last "\" or ":"; empty when the path has none.
std::string DirectoryPart(std::string_view path, LeadBytePredicate isLeadByte = nullptr);

// File-name part without its last extension ("a.b.c" gives "a.b"); with
// `all`, without every extension ("a.b.c" gives "a").
std::string NameWithoutExtension(std::string_view path, bool all,
                                 LeadBytePredicate isLeadByte = nullptr);

// ---------------------------------------------------------------------------
// Version texts

// Field limits of NormalizeVersion; larger values are clamped to them.
constexpr int kMaxVersionWidth = 64;
constexpr int kMaxVersionFields = 64;

// Rewrites a version so that versions compare correctly as text: "," becomes
// "."; every character but digits and "." is dropped; the first `count`
// dot-separated fields are taken as integers (a missing or empty field is 0,
// leading zeros are dropped, any number of digits is kept exactly), each is
// left-padded with zeros to `width` digits, and they are joined with ".".
// Width 5, count 4: "12.0.3" gives "00012.00000.00003.00000". A count below 1
// gives the empty text.
std::string NormalizeVersion(std::string_view text, int width, int count);

// ---------------------------------------------------------------------------
// Numbers

// Widest padding produced by ZeroPad and LeftPad; larger widths are clamped.
constexpr int kMaxPadWidth = 4096;

// Inserts "," between every group of three digits of the run of digits that
// ends at the decimal point (or at the end of the text): "-1234567.891" gives
// "-1,234,567.891".
std::string Thousands(std::string_view text);

constexpr int64_t kKilobyte = 1024;
constexpr int64_t kMegabyte = 1048576;

// A byte count in units of `unit` (kKilobyte or kMegabyte; a unit below 1
// counts as 1). With `decimals` < 1: the integer quotient, rounded up (towards
// plus infinity) when there is a remainder; with 2, 3 or 4: the quotient with
// that many decimals; any other value means 1 decimal. With `thousands`, ","
// separates the thousands. 1025 bytes in KB with 0 decimals give "2".
std::string SizeText(int64_t bytes, int64_t unit, int decimals, bool thousands);

// Fixed notation with `decimals` decimals (clamped to 0..18). With `trim`,
// trailing zeros after the decimal point and then a bare trailing "." are
// removed ("1000" keeps its zeros). An empty result becomes "0", and a result
// that shows only zeros has no minus sign. Not-a-number gives "NAN",
// infinities "INF" and "-INF".
std::string FloatText(double value, int decimals, bool trim);

// Parses a number written in US English notation, independent of the process
// locale. When the text has no ".", every "," is taken for a decimal point;
// then all "," are removed. Accepted after that: optional surrounding blanks,
// a sign, digits with an optional "." and fraction, an optional exponent.
// Anything else, and values out of the double range, give `defaultValue`.
double TextToFloat(std::string_view text, double defaultValue);

// The number in decimal with at least `digits` digits, zero-filled after the
// sign: ZeroPad(-5, 3) gives "-005".
std::string ZeroPad(int64_t number, int digits);

// Fills `text` on the left with `fill` to |width| characters. A width below
// -2 first cuts a longer text to |width| - 1 characters and appends ".", so
// LeftPad("abcdefgh", -5, ' ') gives "abcd.". Texts are never cut otherwise.
std::string LeftPad(std::string_view text, int width, char fill = ' ');

// "TRUE" / "FALSE".
std::string BoolText(bool value);
// "1" / "0".
std::string BoolDigit(bool value);

// A random integer in low..high inclusive, from a generator seeded once per
// process. When high < low the result is low.
int64_t RandomInRange(int64_t low, int64_t high);

// ---------------------------------------------------------------------------
// Dates
//
// A moment counts days since 30 December 1899 00:00 local time, the fraction
// being the time of day. Before that day the integer part counts backwards
// and the fraction still counts forwards from midnight (-1.25 is 29 December
// 1899 06:00). The calendar is the proleptic Gregorian one.

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

// Source of the current moment. LocalMomentNow reads the C library's local
// clock; the Windows side may pass one built on GetLocalTime.
using MomentClock = double (*)();
double LocalMomentNow();

// The stamps take a moment of -1 for "now" (read from `now`) and clamp every
// other moment to 0..10,000,000 days (not-a-number counts as 0).

// "DD-MON-YYYY" with the month as JAN..DEC: 17 May 2014 gives "17-MAY-2014".
std::string DateStamp(double moment, MomentClock now = LocalMomentNow);

// The date stamp, `separator`, then "HH:NN:SS".
std::string TimeStamp(double moment, std::string_view separator = " ",
                      MomentClock now = LocalMomentNow);

// "dd/mm/yy HH:NN:SS" (with a four-digit year when `longYear` is set); the
// separators can be replaced by the user's date and time separators.
std::string ShortStamp(double moment, bool longYear, MomentClock now = LocalMomentNow,
                       std::string_view dateSeparator = "/", std::string_view timeSeparator = ":");

// ---------------------------------------------------------------------------
// Strings

std::string Trim(std::string_view text);
std::string TrimLeft(std::string_view text);
std::string TrimRight(std::string_view text);

// ASCII upper and lower case.
std::string UpperCaseAscii(std::string_view text);
std::string LowerCaseAscii(std::string_view text);

// The text before the first occurrence of `delimiter`, trimmed when `trim` is
// set. When the delimiter does not occur (or is empty), `defaultValue` is
// returned as it is.
std::string TextBefore(std::string_view text, std::string_view delimiter,
                       std::string_view defaultValue = {}, bool trim = false);

// The text after the first occurrence of `delimiter` (searched without regard
// to case when `ignoreCase` is set), trimmed when `trim` is set; otherwise as
// TextBefore.
std::string TextAfter(std::string_view text, std::string_view delimiter,
                      std::string_view defaultValue = {}, bool trim = false,
                      bool ignoreCase = false);

// Every occurrence of `pattern` replaced by `replacement`, scanning left to
// right. The text comes back unchanged when the pattern is empty or when the
// replacement itself contains the pattern.
std::string ReplaceAll(std::string_view text, std::string_view pattern,
                       std::string_view replacement);

// Position of the last occurrence of `pattern`; npos when there is none or
// the pattern is empty.
size_t LastPos(std::string_view text, std::string_view pattern);

// First position at or after `start` where `pattern` occurs, optionally
// without regard to case; npos when there is none or the pattern is empty.
size_t FindFrom(std::string_view text, std::string_view pattern, size_t start = 0,
                bool ignoreCase = false);

// First position at or after `start` of any character of `set`, optionally
// without regard to case; npos when there is none.
size_t FindAnyOf(std::string_view text, std::string_view set, size_t start = 0,
                 bool ignoreCase = false);

// Case-insensitive FindFrom from the start.
size_t PosNoCase(std::string_view text, std::string_view pattern);
// Case-insensitive tests; an empty prefix or suffix matches every text.
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
bool EndsWithNoCase(std::string_view text, std::string_view suffix);
// Equality of the trimmed texts without regard to case.
bool SameTextTrim(std::string_view a, std::string_view b);

// Removes `ch` from both ends when the text has at least 2 characters and
// starts and ends with it. With `force`, removes the whole leading run and the
// whole trailing run of `ch` instead, even when only one end has it.
std::string StripPair(std::string_view text, char ch, bool force = false);

// Trims, then removes one surrounding pair of double quotes.
std::string TrimStripQuotes(std::string_view text);

// `"` + text + `"`.
std::string Quote(std::string_view text);

// A program path as the start of a command line: quoted when it holds a
// blank, so that the system cannot take "C:\Program" of
// "C:\Program Files\x.exe" for the program; as it is otherwise.
std::string ProgramPathForCommandLine(std::string_view path);

// Only the characters of `text` that occur in `keep`, in their order.
std::string KeepOnly(std::string_view text, std::string_view keep);

// The bytes in reverse order.
std::string Reverse(std::string_view text);

// Replaces the text lying between two occurrences of `delimiter`: from the end
// of occurrence `first` to the start of occurrence `last` (occurrences
// counted from 1; occurrence 0 stands for the start of the text, and a
// `last` beyond the occurrences present stands for the end of the text). The
// delimiters themselves stay. With "|" as delimiter, "a|b|c|d" with first 1
// and last 3 gives "a|X|d". The text is unchanged when first >= last, when
// occurrence `first` does not exist, or when the delimiter is empty.
std::string ReplaceBetween(std::string_view text, std::string_view delimiter, size_t first,
                           size_t last, std::string_view replacement, bool ignoreCase = false);

// Two upper-case hex digits per byte, optionally after "0x", with
// `separator` between every group of 8 bytes.
std::string HexDump(std::string_view bytes, bool prefix0x = false,
                    std::string_view separator = " ");

// The inverse of HexDump: trims, skips a leading "0x" (any case), removes
// every occurrence of `separator` and every blank, then reads two hex digits
// (any case) per byte. False, with `bytes` empty, when the digit count is odd
// or a character is not a hex digit.
bool HexToBytes(std::string_view text, std::string& bytes, std::string_view separator = " ");

// A decimal integer with an optional sign; surrounding blanks are ignored.
// False (and `value` untouched) for anything else, also on overflow.
bool ParseInt64(std::string_view text, int64_t& value);

// Every run of blanks directly before "=" removed, in one pass: the same text
// as replacing " =" by "=" until none is left ("WAIT = 10" gives "WAIT= 10").
std::string DropBlanksBeforeEquals(std::string_view text);

// An unsigned number in `base` (2..36): digits, then letters for the values
// from 10 on, in any case; surrounding blanks are ignored. `defaultValue` when
// the base is out of range, the text is empty, a character is not a digit of
// the base, or the value does not fit in 64 bits.
uint64_t ParseUnsigned(std::string_view text, unsigned base, uint64_t defaultValue);

}  // namespace orvane
