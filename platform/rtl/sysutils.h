#pragma once
// Number and date formatting and parsing, date arithmetic, rounding and the platform's "now".
// Every routine that depends on the locale reads a TFormatSettings record: the global
// FormatSettings unless one is passed explicitly (the host protocol passes its own, so that its
// texts never follow a user's locale).
#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "platform/rtl/types.h"

class Variant;

struct TFormatSettings {
  char DecimalSeparator = '.';
  char ThousandSeparator = ',';
  char DateSeparator = '-';
  char TimeSeparator = ':';
  char ListSeparator = ',';
  std::string CurrencyString = "¥";
  // 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $".
  uint8_t CurrencyFormat = 0;
  // 0 "($1)" 1 "-$1" 2 "$-1" 3 "$1-" 4 "(1$)" 5 "-1$" 6 "1-$" 7 "1$-" 8 "-1 $" 9 "-$ 1"
  // 10 "1 $-" 11 "$ 1-" 12 "$ -1" 13 "1- $" 14 "($ 1)" 15 "(1 $)".
  uint8_t NegCurrFormat = 2;
  uint8_t CurrencyDecimals = 2;
  std::string ShortDateFormat = "yyyy-mm-dd";
  std::string LongDateFormat = "yyyy'年'm'月'd'日'";
  std::string ShortTimeFormat = "hh:nn";
  std::string LongTimeFormat = "hh:nn:ss";
  std::string TimeAMString = "AM";
  std::string TimePMString = "PM";
  std::array<std::string, 12> ShortMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::array<std::string, 12> LongMonthNames{"January", "February", "March",     "April",
                                             "May",     "June",     "July",      "August",
                                             "September", "October", "November", "December"};
  // Index 0 is Sunday.
  std::array<std::string, 7> ShortDayNames{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  std::array<std::string, 7> LongDayNames{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                          "Thursday", "Friday", "Saturday"};
  // Two-digit years fall into the hundred years that start this many years before today; 0 means
  // the current century.
  uint16_t TwoDigitYearCenturyWindow = 50;

  // The platform's defaults (the values above).
  static TFormatSettings Default() { return {}; }
  // The defaults with "." and no locale dependence: for texts exchanged with other programs.
  static const TFormatSettings& Invariant();
};

// The settings every routine without an explicit record reads. Tests may change it; restore it
// with Default() afterwards.
extern TFormatSettings FormatSettings;

// ---- Format ----

// Format("%d of %s", {3, "ten"}). Specifiers: %[index:][-][width][.precision]type with the types
// d u x e f g n m p s (case-insensitive) and "%%"; index, width and precision may be "*" (taken
// from the arguments). A bad specifier, a missing argument or an argument of the wrong type raises
// EConvertError ("Format '%s' invalid or incompatible with argument"). Widths and precisions of
// %s count code-page-936 bytes, as the original fixed-width layouts do.
std::string Format(std::string_view fmt, std::initializer_list<Variant> args);
std::string Format(std::string_view fmt, std::initializer_list<Variant> args, const TFormatSettings& fs);
std::string Format(std::string_view fmt, std::span<const Variant> args);
std::string Format(std::string_view fmt, std::span<const Variant> args, const TFormatSettings& fs);

// ---- floating point and currency to text ----

enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

// Shortest general form with at most 15 significant digits ("0.1", "1E20", "1.5E-5").
std::string FloatToStr(double value);
std::string FloatToStr(double value, const TFormatSettings& fs);
// precision: significant digits (1..18); digits: minimum exponent digits (ffGeneral, ffExponent,
// 0..4) or decimals (ffFixed, ffNumber, ffCurrency, 0..18).
std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits);
std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits, const TFormatSettings& fs);
// Picture formats: sections "positive;negative;zero"; 0 digit, # optional digit, . decimal point,
// , thousands grouping, E+ E- e+ e- exponent, '...' and "..." literal text. Halves round away from
// zero, as shown numbers do.
std::string FormatFloat(std::string_view fmt, double value);
std::string FormatFloat(std::string_view fmt, double value, const TFormatSettings& fs);
std::string CurrToStr(Currency value);
std::string CurrToStr(Currency value, const TFormatSettings& fs);
std::string CurrToStrF(Currency value, TFloatFormat format, int digits);
std::string CurrToStrF(Currency value, TFloatFormat format, int digits, const TFormatSettings& fs);
std::string FormatCurr(std::string_view fmt, Currency value);
std::string FormatCurr(std::string_view fmt, Currency value, const TFormatSettings& fs);

// ---- text to numbers ----

// Optional blanks around, a sign, digits with the decimal separator, an optional exponent. No
// thousands separators. Raises EConvertError ("'%s' is not a valid floating point value").
double StrToFloat(std::string_view s);
double StrToFloat(std::string_view s, const TFormatSettings& fs);
bool TryStrToFloat(std::string_view s, double& value);
bool TryStrToFloat(std::string_view s, double& value, const TFormatSettings& fs);
double StrToFloatDef(std::string_view s, double def);
double StrToFloatDef(std::string_view s, double def, const TFormatSettings& fs);
// Exact decimal reading (no binary rounding); halves at the fifth decimal go to even.
Currency StrToCurr(std::string_view s);
Currency StrToCurr(std::string_view s, const TFormatSettings& fs);
bool TryStrToCurr(std::string_view s, Currency& value);
bool TryStrToCurr(std::string_view s, Currency& value, const TFormatSettings& fs);
Currency StrToCurrDef(std::string_view s, Currency def);

// Leading blanks, a sign, decimal digits or hex after "$" or "0x". Raises EConvertError
// ("'%s' is not a valid integer value") for anything else or a value out of range.
int32_t StrToInt(std::string_view s);
bool TryStrToInt(std::string_view s, int32_t& value);
int32_t StrToIntDef(std::string_view s, int32_t def);
int64_t StrToInt64(std::string_view s);
bool TryStrToInt64(std::string_view s, int64_t& value);
int64_t StrToInt64Def(std::string_view s, int64_t def);

std::string IntToStr(int64_t value);
// Upper-case hex, at least `digits` digits; negative values show their two's complement of the
// argument's width.
std::string IntToHex(int32_t value, int digits);
std::string IntToHex(int64_t value, int digits);
std::string IntToHex(uint64_t value, int digits);

// "True"/"False" (any case) or a number (non-zero is true).
bool TryStrToBool(std::string_view s, bool& value);
bool StrToBool(std::string_view s);  // raises EConvertError ("'%s' is not a valid boolean value")
// "True"/"False" with useBoolStrs, else "-1"/"0".
std::string BoolToStr(bool value, bool useBoolStrs = false);

// ---- rounding ----

// Nearest integer, halves to even. Raises EInvalidOp for NaN, infinities and values outside Int64.
int64_t Round(double value);
// Nearest integral value, halves to even, for any magnitude.
double RoundHalfEven(double value);
// Towards zero. Raises EInvalidOp like Round.
int64_t Trunc(double value);
double Int(double value);
double Frac(double value);
// a * b / c with a 64-bit intermediate, halves rounded away from zero. Answers -1 when c is 0 or
// the result does not fit 32 bits: callers must handle that case.
int32_t MulDiv(int32_t a, int32_t b, int32_t c) noexcept;

// ---- dates and times ----

constexpr int HoursPerDay = 24;
constexpr int MinsPerDay = 24 * 60;
constexpr int SecsPerDay = MinsPerDay * 60;
constexpr int MSecsPerDay = SecsPerDay * 1000;
// Days from 0001-01-01 (day 1) to 1899-12-30 (TDateTime 0), plus one.
constexpr int DateDelta = 693594;

bool IsLeapYear(int year) noexcept;
int DaysInAMonth(int year, int month) noexcept;  // 0 for a month outside 1..12
inline int DaysInMonth(int year, int month) noexcept { return DaysInAMonth(year, month); }
int DaysInMonth(TDateTime dt);

// Years 1..9999. EncodeDate/EncodeTime raise EConvertError ("Invalid argument to date encode",
// "Invalid argument to time encode").
bool TryEncodeDate(int year, int month, int day, TDateTime& dt) noexcept;
TDateTime EncodeDate(int year, int month, int day);
bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& t) noexcept;
TDateTime EncodeTime(int hour, int min, int sec, int msec);
bool TryEncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec,
                       TDateTime& dt) noexcept;
TDateTime EncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec);
// A date before 1899-12-30 keeps its time of day as a positive fraction in the other direction;
// this joins a date and a time accordingly.
TDateTime ComposeDateTime(TDateTime date, TDateTime time) noexcept;

// Decoding rounds to the nearest millisecond (23:59:59.9996 is the next day). Values outside
// 0001-01-01..9999-12-31 raise EConvertError ("Invalid date value").
void DecodeDate(TDateTime dt, int& year, int& month, int& day);
void DecodeTime(TDateTime dt, int& hour, int& min, int& sec, int& msec);
void DecodeDateTime(TDateTime dt, int& year, int& month, int& day, int& hour, int& min, int& sec,
                    int& msec);
bool DecodeDateFully(TDateTime dt, int& year, int& month, int& day, int& dayOfWeek);  // true in a leap year
int DayOfWeek(TDateTime dt);  // 1 = Sunday .. 7 = Saturday
TDateTime IncMonth(TDateTime dt, int months = 1);  // the day is kept within the new month
TDateTime DateOf(TDateTime dt) noexcept;
TDateTime TimeOf(TDateTime dt) noexcept;

// The platform clock (GetLocalTime), so simulated time drives these too.
TDateTime Now();
TDateTime Date();
TDateTime Time();
int CurrentYear();

// A year below 100 moved into the two-digit-year window of the settings.
int ExpandTwoDigitYear(int year, const TFormatSettings& fs);

// Which of day, month, year comes first in a short date format: the first of the letters d, m, y.
enum class TDateOrder { DMY, MDY, YMD };
TDateOrder GetDateOrder(std::string_view shortDateFormat) noexcept;

// Letters (any case): c, d dd ddd dddd ddddd dddddd, m mm mmm mmmm (minutes after h), y yy yyyy,
// h hh, n nn, s ss, z zzz, t tt, am/pm a/p ampm, / and : (the settings' separators), '...' and
// "..." literal text.
std::string FormatDateTime(std::string_view fmt, TDateTime dt);
std::string FormatDateTime(std::string_view fmt, TDateTime dt, const TFormatSettings& fs);
void DateTimeToString(std::string& result, std::string_view fmt, TDateTime dt);
void DateTimeToString(std::string& result, std::string_view fmt, TDateTime dt, const TFormatSettings& fs);
std::string DateTimeToStr(TDateTime dt);  // short date, then the long time unless midnight
std::string DateTimeToStr(TDateTime dt, const TFormatSettings& fs);
std::string DateToStr(TDateTime dt);
std::string DateToStr(TDateTime dt, const TFormatSettings& fs);
std::string TimeToStr(TDateTime dt);
std::string TimeToStr(TDateTime dt, const TFormatSettings& fs);

// Dates are read in the order of the short date format, numbers separated by the date separator
// (a first number of three or four digits is always the year; two numbers are day and month of
// the current year). Times are h:n[:s[.zzz]] with an optional AM/PM. Raise EConvertError with
// "'%s' is not a valid date and time" / "... valid date" / "... valid time".
bool TryStrToDateTime(std::string_view s, TDateTime& dt);
bool TryStrToDateTime(std::string_view s, TDateTime& dt, const TFormatSettings& fs);
TDateTime StrToDateTime(std::string_view s);
TDateTime StrToDateTime(std::string_view s, const TFormatSettings& fs);
TDateTime StrToDateTimeDef(std::string_view s, TDateTime def);
bool TryStrToDate(std::string_view s, TDateTime& dt);
bool TryStrToDate(std::string_view s, TDateTime& dt, const TFormatSettings& fs);
TDateTime StrToDate(std::string_view s);
TDateTime StrToDate(std::string_view s, const TFormatSettings& fs);
TDateTime StrToDateDef(std::string_view s, TDateTime def);
bool TryStrToTime(std::string_view s, TDateTime& t);
bool TryStrToTime(std::string_view s, TDateTime& t, const TFormatSettings& fs);
TDateTime StrToTime(std::string_view s);
TDateTime StrToTime(std::string_view s, const TFormatSettings& fs);
TDateTime StrToTimeDef(std::string_view s, TDateTime def);
