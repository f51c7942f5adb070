// NumberText: numbers as text and back, the portable number services of unit
// Utils.
//
// Decimal, hexadecimal and fixed-point texts of numbers, padding, size texts
// in KB and MB, version texts that compare correctly as text, flags as text,
// hex dumps, and the parsers of integers and US English decimal numbers.
// Everything is written here, digit by digit, instead of through the C
// library's printf family: the launcher carries no printf engine, and the
// texts do not depend on the process locale.
//
// No function throws or reads out of range for any input; widths, counts and
// decimals outside their documented ranges are clamped.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orvane {

// ---------------------------------------------------------------------------
// Integers

// The number in decimal: DecimalText(-42) gives "-42".
std::string DecimalText(int64_t value);

// Widest padding produced by ZeroPad, HexText and LeftPad; larger widths are
// clamped.
constexpr int kMaxPadWidth = 4096;

// The number in decimal with at least `digits` digits, zero-filled after the
// sign: ZeroPad(-5, 3) gives "-005".
std::string ZeroPad(int64_t number, int digits);

// The number in lower-case hexadecimal with at least `digits` digits,
// zero-filled: HexText(0x409, 4) gives "0409".
std::string HexText(uint64_t value, int digits);

// Fills `text` on the left with `fill` to |width| characters. A width below
// -2 first cuts a longer text to |width| - 1 characters and appends ".", so
// LeftPad("abcdefgh", -5, ' ') gives "abcd.". Texts are never cut otherwise.
std::string LeftPad(std::string_view text, int width, char fill = ' ');

// Inserts "," between every group of three digits of the run of digits that
// ends at the decimal point (or at the end of the text): "-1234567.891" gives
// "-1,234,567.891".
std::string Thousands(std::string_view text);

// One or more decimal digits and nothing else (no sign, no blank).
bool IsDecimalDigits(std::string_view text);

// A decimal integer with an optional sign; surrounding blanks are ignored.
// False (and `value` untouched) for anything else, also on overflow.
bool ParseInt64(std::string_view text, int64_t& value);

// An unsigned number in `base` (2..36): digits, then letters for the values
// from 10 on, in any case; surrounding blanks are ignored. `defaultValue` when
// the base is out of range, the text is empty, a character is not a digit of
// the base, or the value does not fit in 64 bits.
uint64_t ParseUnsigned(std::string_view text, unsigned base, uint64_t defaultValue);

// ---------------------------------------------------------------------------
// Floating point

// Most decimals FixedText and FloatText write; more are clamped to it.
constexpr int kMaxFixedDecimals = 18;

// Fixed notation with `decimals` decimals (clamped to 0..kMaxFixedDecimals),
// exactly as printf's "%.*f" writes it: the exact binary value rounded half
// to even, a "-" for every value with the sign bit set (also -0.0 and
// negative values that round to zero), and "inf", "-inf", "nan", "-nan" for
// the values that are no numbers. Every double is written exactly, up to the
// 309 digits of the largest.
std::string FixedText(double value, int decimals);

// FixedText with `decimals` decimals. With `trim`, trailing zeros after the
// decimal point and then a bare trailing "." are removed ("1000" keeps its
// zeros). An empty result becomes "0", and a result that shows only zeros has
// no minus sign. Not-a-number gives "NAN", infinities "INF" and "-INF".
std::string FloatText(double value, int decimals, bool trim);

// Parses a number written in US English notation, independent of the process
// locale. When the text has no ".", every "," is taken for a decimal point;
// then all "," are removed. Accepted after that: optional surrounding blanks,
// a sign, digits with an optional "." and fraction, an optional exponent.
// Anything else, and values out of the double range, give `defaultValue`.
double TextToFloat(std::string_view text, double defaultValue);

// ---------------------------------------------------------------------------
// Sizes

constexpr int64_t kKilobyte = 1024;
constexpr int64_t kMegabyte = 1048576;

// A byte count in units of `unit` (kKilobyte or kMegabyte; a unit below 1
// counts as 1). With `decimals` < 1: the integer quotient, rounded up (towards
// plus infinity) when there is a remainder; with 2, 3 or 4: the quotient with
// that many decimals; any other value means 1 decimal. With `thousands`, ","
// separates the thousands. 1025 bytes in KB with 0 decimals give "2".
std::string SizeText(int64_t bytes, int64_t unit, int decimals, bool thousands);

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
// Flags and bytes

// "TRUE" / "FALSE".
std::string BoolText(bool value);
// "1" / "0".
std::string BoolDigit(bool value);

// Two upper-case hex digits per byte, optionally after "0x", with
// `separator` between every group of 8 bytes.
std::string HexDump(std::string_view bytes, bool prefix0x = false,
                    std::string_view separator = " ");

// The inverse of HexDump: trims, skips a leading "0x" (any case), removes
// every occurrence of `separator` and every blank, then reads two hex digits
// (any case) per byte. False, with `bytes` empty, when the digit count is odd
// or a character is not a hex digit.
bool HexToBytes(std::string_view text, std::string& bytes, std::string_view separator = " ");

}  // namespace orvane
