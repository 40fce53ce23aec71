#include "platform/rtl/sysutils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/os/clock.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/variant.h"
#include "support/clock_time.h"
#include "support/error_text.h"

namespace {

// Puts the clock on a fixed local time and the format settings back to their defaults.
class SysUtilsTest : public ::testing::Test {
 protected:
  void SetUp() override { SetToday(2024, 6, 15, 10, 20, 30, 400); }
  void TearDown() override {
    FormatSettings = TFormatSettings::Default();
    ClockSetSimulated(0);
  }
  static void SetToday(int y, int m, int d, int h = 0, int n = 0, int s = 0, int ms = 0) {
    SetLocalTimeTo(y, m, d, h, n, s, ms);
  }
};

}  // namespace

// ---- floats to text -------------------------------------------------------------------------

TEST_F(SysUtilsTest, FloatToStrUsesFifteenSignificantDigits) {
  EXPECT_EQ(FloatToStr(0.1), "0.1");
  EXPECT_EQ(FloatToStr(0.1 + 0.2), "0.3");  // binary noise beyond 15 digits is not shown
  EXPECT_EQ(FloatToStr(1.0 / 3), "0.333333333333333");
  EXPECT_EQ(FloatToStr(-2.5), "-2.5");
  EXPECT_EQ(FloatToStr(100), "100");
  EXPECT_EQ(FloatToStr(0), "0");
  EXPECT_EQ(FloatToStr(-0.0), "0");
  EXPECT_EQ(FloatToStr(123456789012345.0), "123456789012345");
  EXPECT_EQ(FloatToStr(1e15), "1E15");  // more integer digits than the precision
  EXPECT_EQ(FloatToStr(1234567890123456789.0), "1.23456789012346E18");
  EXPECT_EQ(FloatToStr(0.0001), "0.0001");
  EXPECT_EQ(FloatToStr(0.00001), "1E-5");
  EXPECT_EQ(FloatToStr(-1.5e-7), "-1.5E-7");
  EXPECT_EQ(FloatToStr(std::numeric_limits<double>::quiet_NaN()), "NAN");
  EXPECT_EQ(FloatToStr(-std::numeric_limits<double>::infinity()), "-INF");
  FormatSettings.DecimalSeparator = ',';
  EXPECT_EQ(FloatToStr(2.5), "2,5");
  EXPECT_EQ(FloatToStr(2.5, TFormatSettings::Invariant()), "2.5");
}

TEST_F(SysUtilsTest, FloatToStrFFormats) {
  EXPECT_EQ(FloatToStrF(1234.5, ffGeneral, 3, 0), "1.23E3");
  EXPECT_EQ(FloatToStrF(1234.5, ffGeneral, 3, 2), "1.23E03");
  EXPECT_EQ(FloatToStrF(1234.5, ffExponent, 4, 2), "1.235E+03");
  EXPECT_EQ(FloatToStrF(-0.00012, ffExponent, 2, 0), "-1.2E-4");
  EXPECT_EQ(FloatToStrF(0, ffExponent, 3, 2), "0.00E+00");
  EXPECT_EQ(FloatToStrF(1234.5678, ffFixed, 15, 2), "1234.57");
  EXPECT_EQ(FloatToStrF(0.125, ffFixed, 15, 2), "0.13");  // shown numbers round halves away from zero
  EXPECT_EQ(FloatToStrF(-0.125, ffFixed, 15, 2), "-0.13");
  EXPECT_EQ(FloatToStrF(-0.004, ffFixed, 15, 2), "0.00");  // no "-0.00"
  EXPECT_EQ(FloatToStrF(1.23456, ffFixed, 3, 4), "1.2300");  // precision first, then decimals
  EXPECT_EQ(FloatToStrF(1e20, ffFixed, 15, 2), "1E20");
  EXPECT_EQ(FloatToStrF(1234567.891, ffNumber, 15, 2), "1,234,567.89");
  EXPECT_EQ(FloatToStrF(999.996, ffNumber, 15, 2), "1,000.00");
  EXPECT_EQ(FloatToStrF(-1234.5, ffCurrency, 15, 2), "¥-1,234.50");
  EXPECT_EQ(FloatToStrF(12, ffCurrency, 15, 0), "¥12");
}

TEST_F(SysUtilsTest, CurrencyPlacementFollowsTheSettings) {
  FormatSettings.CurrencyString = "$";
  const char* positive[] = {"$1.50", "1.50$", "$ 1.50", "1.50 $"};
  for (int f = 0; f < 4; ++f) {
    FormatSettings.CurrencyFormat = static_cast<uint8_t>(f);
    EXPECT_EQ(FloatToStrF(1.5, ffCurrency, 15, 2), positive[f]) << f;
  }
  const char* negative[] = {"($1.50)", "-$1.50", "$-1.50", "$1.50-", "(1.50$)", "-1.50$", "1.50-$",
                            "1.50$-", "-1.50 $", "-$ 1.50", "1.50 $-", "$ 1.50-", "$ -1.50",
                            "1.50- $", "($ 1.50)", "(1.50 $)"};
  for (int f = 0; f < 16; ++f) {
    FormatSettings.NegCurrFormat = static_cast<uint8_t>(f);
    EXPECT_EQ(FloatToStrF(-1.5, ffCurrency, 15, 2), negative[f]) << f;
  }
}

TEST_F(SysUtilsTest, CurrencyTextIsExact) {
  const Currency largest = Currency::FromScaled(std::numeric_limits<int64_t>::max());
  EXPECT_EQ(CurrToStr(largest), "922337203685477.5807");
  EXPECT_EQ(CurrToStr(Currency::FromScaled(std::numeric_limits<int64_t>::min())), "-922337203685477.5808");
  EXPECT_EQ(CurrToStr(Currency::FromScaled(15000)), "1.5");
  EXPECT_EQ(CurrToStr(Currency()), "0");
  EXPECT_EQ(CurrToStrF(Currency::FromScaled(-123456789), ffCurrency, 2), "¥-12,345.68");
  EXPECT_EQ(CurrToStrF(Currency::FromScaled(-123456789), ffGeneral, 0), "-12345.6789");
  EXPECT_EQ(CurrToStrF(largest, ffNumber, 4), "922,337,203,685,477.5807");
  EXPECT_EQ(FormatCurr("#,##0.00", Currency::FromScaled(12345678)), "1,234.57");
  EXPECT_EQ(FormatCurr("", Currency::FromScaled(5)), "0.0005");
}

// ---- picture formats ------------------------------------------------------------------------

TEST_F(SysUtilsTest, FormatFloatPlaceholders) {
  EXPECT_EQ(FormatFloat("#,##0.00", 1234567.891), "1,234,567.89");
  EXPECT_EQ(FormatFloat("#,##0.00", -1234.567), "-1,234.57");
  EXPECT_EQ(FormatFloat(",#.00", 1234567.5), "1,234,567.50");
  EXPECT_EQ(FormatFloat("0.00", 2.675), "2.68");  // read as the 15-digit decimal 2.675
  EXPECT_EQ(FormatFloat("0.00", -0.001), "0.00");
  EXPECT_EQ(FormatFloat("0", 0.5), "1");
  EXPECT_EQ(FormatFloat("0", -0.5), "-1");
  EXPECT_EQ(FormatFloat("000", 7), "007");
  EXPECT_EQ(FormatFloat("00", 12345), "12345");  // extra integer digits are never cut
  EXPECT_EQ(FormatFloat("#", 1234567), "1234567");
  EXPECT_EQ(FormatFloat("#.##", 0), "");
  EXPECT_EQ(FormatFloat("0.###", 1.5), "1.5");
  EXPECT_EQ(FormatFloat("0.###", 2), "2");
  EXPECT_EQ(FormatFloat("0.0##", 2), "2.0");
  EXPECT_EQ(FormatFloat(".00", 12.345), "12.35");
  EXPECT_EQ(FormatFloat("#,##0", 1e20), "100,000,000,000,000,000,000");
  EXPECT_EQ(FormatFloat("", 1.25), "1.25");  // no picture: the general form
  EXPECT_EQ(FormatFloat("0.00", std::numeric_limits<double>::infinity()), "INF");
  FormatSettings.DecimalSeparator = ',';
  FormatSettings.ThousandSeparator = '.';
  EXPECT_EQ(FormatFloat("#,##0.00", 1234.5), "1.234,50");  // the picture stays in "." and ","
}

TEST_F(SysUtilsTest, FormatFloatSectionsAndLiterals) {
  const char* fmt = "#,##0.00;(#,##0.00);'nothing'";
  EXPECT_EQ(FormatFloat(fmt, 1234.5), "1,234.50");
  EXPECT_EQ(FormatFloat(fmt, -1234.5), "(1,234.50)");
  EXPECT_EQ(FormatFloat(fmt, 0), "nothing");
  EXPECT_EQ(FormatFloat("0.0;;'zero'", -2), "-2.0");  // empty negative section: first one, signed
  EXPECT_EQ(FormatFloat("0.0;", -2), "-2.0");
  EXPECT_EQ(FormatFloat("'Total: '0.0", 3.14159), "Total: 3.1");
  EXPECT_EQ(FormatFloat("\"a;b\"0", 5), "a;b5");  // a quoted ";" does not split sections
  EXPECT_EQ(FormatFloat("0 kg", 12), "12 kg");
  EXPECT_EQ(FormatFloat("'abc'", -5), "-abc");
  EXPECT_EQ(FormatFloat("'unterminated", 5), "unterminated");
}

TEST_F(SysUtilsTest, FormatFloatExponents) {
  EXPECT_EQ(FormatFloat("0.00E+00", 1234.5), "1.23E+03");
  EXPECT_EQ(FormatFloat("0.00E+00", 0), "0.00E+00");
  EXPECT_EQ(FormatFloat("0.0e-0", 0.00012), "1.2e-4");
  EXPECT_EQ(FormatFloat("0.0E-0", 12000), "1.2E4");
  EXPECT_EQ(FormatFloat("00.00E+000", 0.000123), "12.30E-005");
  EXPECT_EQ(FormatFloat("0.00E+00", -9.999), "-1.00E+01");
  EXPECT_EQ(FormatFloat("0E", 5), "5E");  // E without a sign is text
}

// ---- Format ---------------------------------------------------------------------------------

TEST_F(SysUtilsTest, FormatSpecifiers) {
  EXPECT_EQ(Format("%d %s", {1, "x"}), "1 x");
  EXPECT_EQ(Format("%0:s-%1:s-%0:s", {"a", "b"}), "a-b-a");
  EXPECT_EQ(Format("%1:s %s", {"a", "b", "c"}), "b c");  // continues after the indexed one
  EXPECT_EQ(Format("%5d|%-5d|%.3d|%.3d", {42, 42, 7, -7}), "   42|42   |007|-007");
  EXPECT_EQ(Format("%*d|%-*.*f", {5, 3, 6, 1, 2.25}), "    3|2.3   ");
  EXPECT_EQ(Format("%x %X %.4x %u", {255, -1, 10, -1}), "FF FFFFFFFF 000A 4294967295");
  EXPECT_EQ(Format("%x", {Variant::FromInt64(-1)}), "FFFFFFFFFFFFFFFF");
  EXPECT_EQ(Format("%d", {Variant::FromUInt64(~uint64_t{0})}), "18446744073709551615");
  EXPECT_EQ(Format("%.2f %f", {3.14159, 2.0}), "3.14 2.00");
  EXPECT_EQ(Format("%e", {1.5}), "1.50000000000000E+000");
  EXPECT_EQ(Format("%.3e", {-1234.5}), "-1.23E+003");
  EXPECT_EQ(Format("%g %g", {0.5, 1e20}), "0.5 1E20");
  EXPECT_EQ(Format("%n", {1234567.891}), "1,234,567.89");
  EXPECT_EQ(Format("%m", {-5.5}), "¥-5.50");
  EXPECT_EQ(Format("%.4m", {Variant(Currency::FromScaled(12345))}), "¥1.2345");
  EXPECT_EQ(Format("100%%", {}), "100%");
  EXPECT_EQ(Format("%s", {u"宽"}), "宽");
  // %s widths count code-page-936 bytes; a precision never splits a character.
  EXPECT_EQ(Format("[%-6s][%6s][%.3s]", {"费用", "ab", "费用"}), "[费用  ][    ab][费]");
}

TEST_F(SysUtilsTest, FormatRejectsBadSpecifiersAndArguments) {
  auto msg = [](std::string_view fmt, std::initializer_list<Variant> args) {
    return ErrorText<EConvertError>([&] { (void)Format(fmt, args); });
  };
  EXPECT_EQ(msg("%d", {1.5}), "Format '%d' invalid or incompatible with argument");
  EXPECT_EQ(msg("%d %d", {1}), "Format '%d %d' invalid or incompatible with argument");
  EXPECT_EQ(msg("%s", {1}), "Format '%s' invalid or incompatible with argument");
  EXPECT_EQ(msg("%f", {1}), "Format '%f' invalid or incompatible with argument");
  EXPECT_EQ(msg("%q", {1}), "Format '%q' invalid or incompatible with argument");
  EXPECT_EQ(msg("%", {}), "Format '%' invalid or incompatible with argument");
  EXPECT_EQ(msg("%5", {1}), "Format '%5' invalid or incompatible with argument");
  EXPECT_EQ(msg("%.d", {1}), "Format '%.d' invalid or incompatible with argument");
  EXPECT_EQ(msg("%3:d", {1}), "Format '%3:d' invalid or incompatible with argument");
  EXPECT_EQ(msg("%*d", {"x", 1}), "Format '%*d' invalid or incompatible with argument");
  EXPECT_EQ(msg("%99999999999d", {1}), "Format '%99999999999d' invalid or incompatible with argument");
  EXPECT_EQ(msg("%d", {Null()}), "Format '%d' invalid or incompatible with argument");
}

// ---- text to numbers ------------------------------------------------------------------------

TEST_F(SysUtilsTest, StrToFloatAcceptsOnlyPlainNumbers) {
  double v = 0;
  EXPECT_TRUE(TryStrToFloat(" 1.5 ", v));
  EXPECT_DOUBLE_EQ(v, 1.5);
  EXPECT_TRUE(TryStrToFloat("+.5", v));
  EXPECT_DOUBLE_EQ(v, 0.5);
  EXPECT_TRUE(TryStrToFloat("2.", v));
  EXPECT_DOUBLE_EQ(v, 2.0);
  EXPECT_TRUE(TryStrToFloat("-1.25E+3", v));
  EXPECT_DOUBLE_EQ(v, -1250.0);
  EXPECT_TRUE(TryStrToFloat("1e-400", v));  // underflow reads as zero
  EXPECT_EQ(v, 0.0);
  EXPECT_TRUE(TryStrToFloat("0.1", v));
  EXPECT_EQ(v, 0.1);  // correctly rounded
  for (const char* bad : {"", " ", ".", "+", "1e", "1e+", "1.5.2", "1,5", "1,000", "abc", "0x10",
                          "1e400", "inf", "nan", "1 2", "--1"}) {
    EXPECT_FALSE(TryStrToFloat(bad, v)) << bad;
  }
  EXPECT_EQ(ErrorText<EConvertError>([] { (void)StrToFloat("abc"); }), "'abc' is not a valid floating point value");
  EXPECT_DOUBLE_EQ(StrToFloatDef("x", 7.5), 7.5);
  FormatSettings.DecimalSeparator = ',';
  EXPECT_DOUBLE_EQ(StrToFloat("1,5"), 1.5);
  EXPECT_FALSE(TryStrToFloat("1.5", v));
  EXPECT_DOUBLE_EQ(StrToFloat("1.5", TFormatSettings::Invariant()), 1.5);
  // A very long text is read without trouble.
  std::string longText = "0." + std::string(5000, '0') + "1e5000";
  EXPECT_TRUE(TryStrToFloat(longText, v, TFormatSettings::Invariant()));
  EXPECT_DOUBLE_EQ(v, 0.1);
}

TEST_F(SysUtilsTest, StrToCurrIsExactAndRoundsHalfToEven) {
  auto curr = [](std::string_view s) {
    Currency c;
    EXPECT_TRUE(TryStrToCurr(s, c)) << s;
    return c.Value;
  };
  EXPECT_EQ(curr("1.23455"), 12346);
  EXPECT_EQ(curr("1.23445"), 12344);
  EXPECT_EQ(curr("1.234451"), 12345);
  EXPECT_EQ(curr("-1.23455"), -12346);
  EXPECT_EQ(curr("0.00005"), 0);
  EXPECT_EQ(curr("0.000051"), 1);
  EXPECT_EQ(curr("1e-10"), 0);
  EXPECT_EQ(curr("12.5e2"), 12500000);
  EXPECT_EQ(curr("922337203685477.5807"), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(curr("-922337203685477.5808"), std::numeric_limits<int64_t>::min());
  Currency c;
  EXPECT_FALSE(TryStrToCurr("922337203685477.5808", c));
  EXPECT_FALSE(TryStrToCurr("1e30", c));
  EXPECT_FALSE(TryStrToCurr("x", c));
  EXPECT_THROW(StrToCurr("x"), EConvertError);
}

TEST_F(SysUtilsTest, StrToIntRangesAndHex) {
  int32_t i = 0;
  EXPECT_TRUE(TryStrToInt("-2147483648", i));
  EXPECT_EQ(i, std::numeric_limits<int32_t>::min());
  EXPECT_FALSE(TryStrToInt("2147483648", i));
  EXPECT_TRUE(TryStrToInt("  +12", i));
  EXPECT_EQ(i, 12);
  EXPECT_TRUE(TryStrToInt("$FFFFFFFF", i));  // hex covers the unsigned range
  EXPECT_EQ(i, -1);
  EXPECT_TRUE(TryStrToInt("0x7f", i));
  EXPECT_EQ(i, 127);
  EXPECT_FALSE(TryStrToInt("$100000000", i));
  for (const char* bad : {"", "-", "$", "0x", "12 ", "1.0", "1e3", "abc", "12abc"}) {
    EXPECT_FALSE(TryStrToInt(bad, i)) << bad;
  }
  EXPECT_EQ(ErrorText<EConvertError>([] { (void)StrToInt("12abc"); }), "'12abc' is not a valid integer value");
  EXPECT_EQ(StrToIntDef("x", -3), -3);
  EXPECT_EQ(StrToInt64("-9223372036854775808"), std::numeric_limits<int64_t>::min());
  EXPECT_THROW(StrToInt64("9223372036854775808"), EConvertError);
  EXPECT_EQ(StrToInt64Def("99999999999999999999", 5), 5);
  EXPECT_EQ(IntToStr(-5), "-5");
  EXPECT_EQ(IntToHex(255, 4), "00FF");
  EXPECT_EQ(IntToHex(-1, 2), "FFFFFFFF");
  EXPECT_EQ(IntToHex(int64_t{-1}, 2), "FFFFFFFFFFFFFFFF");
  EXPECT_TRUE(StrToBool("TRUE"));
  EXPECT_FALSE(StrToBool("0"));
  EXPECT_EQ(ErrorText<EConvertError>([] { (void)StrToBool("ja"); }), "'ja' is not a valid boolean value");
  EXPECT_EQ(BoolToStr(true), "-1");
  EXPECT_EQ(BoolToStr(false, true), "False");
}

// ---- rounding -------------------------------------------------------------------------------

TEST_F(SysUtilsTest, RoundHalvesToEven) {
  EXPECT_EQ(Round(0.5), 0);
  EXPECT_EQ(Round(1.5), 2);
  EXPECT_EQ(Round(2.5), 2);
  EXPECT_EQ(Round(3.5), 4);
  EXPECT_EQ(Round(-0.5), 0);
  EXPECT_EQ(Round(-1.5), -2);
  EXPECT_EQ(Round(-2.5), -2);
  EXPECT_EQ(Round(2.5000000001), 3);
  EXPECT_EQ(Round(0.49999999999999994), 0);  // the largest double below one half
  EXPECT_EQ(Round(127.5), 128);               // 255 × 0.5 of the colour blends
  EXPECT_EQ(Round(4503599627370497.0), 4503599627370497);
  EXPECT_THROW(Round(1e19), EInvalidOp);
  EXPECT_THROW(Round(std::nan("")), EInvalidOp);
  EXPECT_EQ(RoundHalfEven(12.5), 12.0);
  EXPECT_EQ(RoundHalfEven(-13.5), -14.0);
  EXPECT_EQ(RoundHalfEven(1e300), 1e300);  // beyond Int64, still a double
  EXPECT_EQ(Trunc(-2.7), -2);
  EXPECT_EQ(Trunc(2.7), 2);
  EXPECT_THROW(Trunc(1e30), EInvalidOp);
  EXPECT_DOUBLE_EQ(Frac(-2.75), -0.75);
  EXPECT_EQ(Currency::FromDouble(1.23455).Value, 12346);  // 12345.5 after scaling: to even
  EXPECT_EQ(Currency::FromDouble(0.00025).Value, 2);
  EXPECT_EQ(Currency::FromDouble(-0.00025).Value, -2);
  EXPECT_EQ(Currency::FromDouble(-0.00035).Value, -4);
  EXPECT_THROW(Currency::FromDouble(1e15), EOverflow);
  EXPECT_THROW(Currency::FromDouble(std::nan("")), EInvalidOp);
}

TEST_F(SysUtilsTest, MulDivRoundsAndReportsZeroDivisor) {
  EXPECT_EQ(MulDiv(10, 3, 4), 8);    // 7.5 away from zero
  EXPECT_EQ(MulDiv(-10, 3, 4), -8);
  EXPECT_EQ(MulDiv(10, 3, -4), -8);
  EXPECT_EQ(MulDiv(7, 1, 3), 2);     // 2.33
  EXPECT_EQ(MulDiv(8, 1, 3), 3);     // 2.67
  EXPECT_EQ(MulDiv(2000000000, 3, 4), 1500000000);  // the intermediate exceeds 32 bits
  EXPECT_EQ(MulDiv(5, 127, 0), -1);  // zero divisor
  EXPECT_EQ(MulDiv(2000000000, 2, 1), -1);  // result does not fit
  EXPECT_EQ(MulDiv(0, 5, 7), 0);
}

// ---- dates ----------------------------------------------------------------------------------

TEST_F(SysUtilsTest, EncodeAndDecodeDates) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
  EXPECT_EQ(EncodeDate(2000, 1, 1), 36526.0);
  EXPECT_EQ(EncodeDate(1, 1, 1), -693593.0);
  EXPECT_EQ(EncodeDate(9999, 12, 31), 2958465.0);
  EXPECT_EQ(ErrorText<EConvertError>([] { (void)EncodeDate(2023, 2, 29); }), "Invalid argument to date encode");
  EXPECT_EQ(ErrorText<EConvertError>([] { (void)EncodeTime(24, 0, 0, 0); }), "Invalid argument to time encode");
  TDateTime dt;
  EXPECT_FALSE(TryEncodeDate(0, 1, 1, dt));
  EXPECT_FALSE(TryEncodeDate(2024, 13, 1, dt));
  EXPECT_TRUE(TryEncodeDate(2024, 2, 29, dt));

  int y, m, d, h, n, s, ms;
  DecodeDateTime(EncodeDateTime(2024, 2, 29, 13, 5, 9, 250), y, m, d, h, n, s, ms);
  EXPECT_EQ(std::vector<int>({y, m, d, h, n, s, ms}), std::vector<int>({2024, 2, 29, 13, 5, 9, 250}));
  // Before 1899-12-30 the fraction still counts forwards from midnight.
  EXPECT_EQ(EncodeDateTime(1899, 12, 29, 6, 0, 0, 0), -1.25);
  DecodeDateTime(-1.25, y, m, d, h, n, s, ms);
  EXPECT_EQ(std::vector<int>({y, m, d, h}), std::vector<int>({1899, 12, 29, 6}));
  // The last fraction of a millisecond rounds into the next day, not to hour 24.
  DecodeDateTime(EncodeDate(2024, 12, 31) + (MSecsPerDay - 0.4) / MSecsPerDay, y, m, d, h, n, s, ms);
  EXPECT_EQ(std::vector<int>({y, m, d, h, n, s, ms}), std::vector<int>({2025, 1, 1, 0, 0, 0, 0}));
  EXPECT_EQ(ErrorText<EConvertError>([] { (void)DateTimeToStr(1e10); }), "Invalid date value");
  EXPECT_THROW(DecodeDate(std::nan(""), y, m, d), EConvertError);

  EXPECT_TRUE(IsLeapYear(2000));
  EXPECT_FALSE(IsLeapYear(1900));
  EXPECT_TRUE(IsLeapYear(2024));
  EXPECT_EQ(DaysInMonth(2024, 2), 29);
  EXPECT_EQ(DaysInMonth(2023, 2), 28);
  EXPECT_EQ(DaysInMonth(2023, 13), 0);
  EXPECT_EQ(DayOfWeek(EncodeDate(2024, 7, 4)), 5);  // a Thursday
  EXPECT_EQ(DayOfWeek(0), 7);                       // 1899-12-30 was a Saturday
  EXPECT_EQ(DayOfWeek(EncodeDate(1, 1, 1)), 2);     // a Monday
}

TEST_F(SysUtilsTest, IncMonthKeepsTheDayInsideTheMonth) {
  EXPECT_EQ(IncMonth(EncodeDate(2024, 1, 31)), EncodeDate(2024, 2, 29));
  EXPECT_EQ(IncMonth(EncodeDate(2024, 3, 31), -1), EncodeDate(2024, 2, 29));
  EXPECT_EQ(IncMonth(EncodeDate(2024, 1, 15), -13), EncodeDate(2022, 12, 15));
  EXPECT_EQ(IncMonth(EncodeDate(2023, 12, 1), 1), EncodeDate(2024, 1, 1));
  EXPECT_DOUBLE_EQ(IncMonth(EncodeDateTime(2024, 1, 31, 12, 0, 0, 0)), EncodeDateTime(2024, 2, 29, 12, 0, 0, 0));
  EXPECT_THROW(IncMonth(EncodeDate(9999, 12, 1)), EConvertError);
}

TEST_F(SysUtilsTest, NowFollowsThePlatformClock) {
  EXPECT_DOUBLE_EQ(Now(), EncodeDateTime(2024, 6, 15, 10, 20, 30, 400));
  EXPECT_EQ(Date(), EncodeDate(2024, 6, 15));
  EXPECT_DOUBLE_EQ(Time(), EncodeTime(10, 20, 30, 400));
  ClockAdvance(14 * 3600 * 1000);  // past midnight
  EXPECT_EQ(Date(), EncodeDate(2024, 6, 16));
  EXPECT_EQ(CurrentYear(), 2024);
}

TEST_F(SysUtilsTest, FormatDateTimeLetters) {
  TDateTime dt = EncodeDateTime(2024, 7, 4, 13, 5, 9, 7);
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss", dt), "2024-07-04 13:05:09");
  EXPECT_EQ(FormatDateTime("YYYY-MM-DD HH:NN:SS", dt), "2024-07-04 13:05:09");
  EXPECT_EQ(FormatDateTime("d/m/yy h:n:s.z", dt), "4-7-24 13:5:9.7");
  EXPECT_EQ(FormatDateTime("zzz", dt), "007");
  EXPECT_EQ(FormatDateTime("ddd dddd mmm mmmm", dt), "Thu Thursday Jul July");
  EXPECT_EQ(FormatDateTime("h:mm", dt), "13:05");  // m after h is minutes
  EXPECT_EQ(FormatDateTime("hh 'at' mm", dt), "13 at 05");
  EXPECT_EQ(FormatDateTime("h:nn am/pm", dt), "1:05 pm");
  EXPECT_EQ(FormatDateTime("h:nn AM/PM", EncodeTime(0, 30, 0, 0)), "12:30 AM");
  EXPECT_EQ(FormatDateTime("h:nn a/p", dt), "1:05 p");
  EXPECT_EQ(FormatDateTime("hh:nn ampm", dt), "01:05 PM");
  EXPECT_EQ(FormatDateTime("\"yyyy\" yyyy", dt), "yyyy 2024");
  EXPECT_EQ(FormatDateTime("ddddd", dt), "2024-07-04");
  EXPECT_EQ(FormatDateTime("dddddd", dt), "2024年7月4日");
  EXPECT_EQ(FormatDateTime("t|tt", dt), "13:05|13:05:09");
  EXPECT_EQ(FormatDateTime("c", dt), "2024-07-04 13:05:09");
  EXPECT_EQ(FormatDateTime("c", EncodeDate(2024, 7, 4)), "2024-07-04");  // midnight shows no time
  EXPECT_EQ(FormatDateTime("", EncodeDate(2024, 7, 4)), "2024-07-04");
  EXPECT_EQ(FormatDateTime("c", 0.5), "1899-12-30 12:00:00");
  EXPECT_EQ(DateToStr(dt), "2024-07-04");
  EXPECT_EQ(TimeToStr(dt), "13:05:09");
  EXPECT_EQ(DateTimeToStr(dt), "2024-07-04 13:05:09");
  std::string s;
  DateTimeToString(s, "yyyymmdd", dt);
  EXPECT_EQ(s, "20240704");

  FormatSettings.DateSeparator = '/';
  FormatSettings.TimeSeparator = '.';
  FormatSettings.ShortDateFormat = "dd/mm/yyyy";
  EXPECT_EQ(FormatDateTime("c", dt), "04/07/2024 13.05.09");
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss", dt, TFormatSettings::Invariant()), "2024-07-04 13:05:09");
  // A format that refers to itself stops instead of recursing without end.
  FormatSettings.ShortDateFormat = "c";
  EXPECT_NO_THROW(FormatDateTime("c", dt));
}

TEST_F(SysUtilsTest, StrToDateTimeReadsTheShortDateOrder) {
  EXPECT_DOUBLE_EQ(StrToDateTime("2024-05-01 12:34:56"), EncodeDateTime(2024, 5, 1, 12, 34, 56, 0));
  EXPECT_EQ(StrToDateTime(" 2024-5-1 "), EncodeDate(2024, 5, 1));
  EXPECT_DOUBLE_EQ(StrToDateTime("2024-05-01 1:02:03.5 pm"), EncodeDateTime(2024, 5, 1, 13, 2, 3, 500));
  EXPECT_DOUBLE_EQ(StrToDateTime("12:30"), EncodeTime(12, 30, 0, 0));  // a time alone
  EXPECT_DOUBLE_EQ(StrToTime("12 AM"), 0.0);
  EXPECT_DOUBLE_EQ(StrToTime("12:00 PM"), 0.5);
  EXPECT_EQ(StrToDate("05-01"), EncodeDate(2024, 5, 1));  // month and day of this year
  EXPECT_DOUBLE_EQ(StrToDateTime("1899-12-29 06:00"), -1.25);

  FormatSettings.ShortDateFormat = "dd/mm/yyyy";
  FormatSettings.DateSeparator = '/';
  EXPECT_EQ(StrToDate("02/01/2024"), EncodeDate(2024, 1, 2));
  EXPECT_EQ(StrToDate("2024/01/02"), EncodeDate(2024, 1, 2));  // four digits first: the year
  FormatSettings.ShortDateFormat = "m/d/yyyy";
  EXPECT_EQ(StrToDate("02/01/2024"), EncodeDate(2024, 2, 1));
  EXPECT_EQ(StrToDate("2024-05-01", TFormatSettings::Invariant()), EncodeDate(2024, 5, 1));
}

TEST_F(SysUtilsTest, TwoDigitYearsFollowTheWindow) {
  // Today is 2024 and the window 50: two-digit years land in 1974..2073.
  EXPECT_EQ(StrToDate("73-01-01"), EncodeDate(2073, 1, 1));
  EXPECT_EQ(StrToDate("74-01-01"), EncodeDate(1974, 1, 1));
  EXPECT_EQ(StrToDate("00-01-01"), EncodeDate(2000, 1, 1));
  FormatSettings.TwoDigitYearCenturyWindow = 0;  // the current century
  EXPECT_EQ(StrToDate("99-01-01"), EncodeDate(2099, 1, 1));
  EXPECT_EQ(ExpandTwoDigitYear(150, FormatSettings), 150);
  EXPECT_EQ(GetDateOrder("MM/dd/yy"), TDateOrder::MDY);
  EXPECT_EQ(GetDateOrder("'x'"), TDateOrder::DMY);
}

TEST_F(SysUtilsTest, InvalidDateTextsRaiseTheirOwnMessages) {
  EXPECT_EQ(ErrorText<EConvertError>([] { (void)StrToDateTime("2024-02-30"); }),
            "'2024-02-30' is not a valid date and time");
  EXPECT_EQ(ErrorText<EConvertError>([] { (void)StrToDate("2024-05-01 10:00"); }),
            "'2024-05-01 10:00' is not a valid date");
  EXPECT_EQ(ErrorText<EConvertError>([] { (void)StrToTime("25:00"); }), "'25:00' is not a valid time");
  TDateTime dt;
  for (const char* bad : {"", "2024", "2024-05-01 x", "2024-05-01 12:", "12", "13 PM", "1:2:3.4567",
                          "2024-05-01-02", "99999-01-01", "2024-05-01 10:00:00 1"}) {
    EXPECT_FALSE(TryStrToDateTime(bad, dt)) << bad;
  }
  EXPECT_EQ(StrToDateTimeDef("x", 1.5), 1.5);
  EXPECT_EQ(StrToDateDef("x", 2.0), 2.0);
  EXPECT_EQ(StrToTimeDef("x", 0.25), 0.25);
}

TEST_F(SysUtilsTest, DateTextsRoundTrip) {
  for (TDateTime dt : {EncodeDateTime(2024, 2, 29, 23, 59, 59, 0), EncodeDate(1, 1, 1),
                       EncodeDateTime(9999, 12, 31, 0, 0, 1, 0), EncodeDateTime(1850, 6, 1, 18, 30, 0, 0)}) {
    EXPECT_DOUBLE_EQ(StrToDateTime(DateTimeToStr(dt)), dt) << DateTimeToStr(dt);
  }
}
