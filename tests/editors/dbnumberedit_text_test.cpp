// The number editor's text rules: normalising, validity, grouping with the caret, the edit
// format and constraining values.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "editors/dbnumberedit_text.h"
#include "platform/rtl/sysutils.h"

namespace {

class NumberTextTest : public ::testing::Test {
 protected:
  void SetUp() override { FormatSettings = TFormatSettings::Default(); }
  void TearDown() override { FormatSettings = TFormatSettings::Default(); }
};

TEST_F(NumberTextTest, NormalisingDropsGroupingAndMapsSeparators) {
  EXPECT_EQ(NormalizeNumberText("  1,234.5\t"), "1234.5");
  FormatSettings.DecimalSeparator = ',';
  FormatSettings.ThousandSeparator = '.';
  EXPECT_EQ(NormalizeNumberText("1.234,5"), "1234,5");
  FormatSettings.ThousandSeparator = ' ';
  EXPECT_EQ(NormalizeNumberText("1 234.5"), "1234,5");
}

TEST_F(NumberTextTest, ParsingAcceptsSignsAloneAndRejectsOtherCharacters) {
  double v = -1;
  EXPECT_TRUE(TextToNumber("-", v));
  EXPECT_EQ(v, 0);
  EXPECT_TRUE(TextToNumber("+", v));
  EXPECT_TRUE(TextToNumber("-12.5e2", v));
  EXPECT_DOUBLE_EQ(v, -1250);
  EXPECT_FALSE(TextToNumber("12a", v));
  EXPECT_FALSE(TextToNumber("1 2", v));
  EXPECT_FALSE(TextToNumber("1-", v));
  EXPECT_FALSE(TextToNumber("0x10", v));
}

TEST_F(NumberTextTest, ValidityCountsDecimalsBeforeTheExponent) {
  TNumberRulesGx rules;  // 2 places, no bounds
  EXPECT_TRUE(IsValidNumberText("", rules));
  EXPECT_TRUE(IsValidNumberText("1.25", rules));
  EXPECT_FALSE(IsValidNumberText("1.255", rules));
  EXPECT_TRUE(IsValidNumberText("1.25e10", rules));
  EXPECT_TRUE(IsValidNumberText("-", rules));
  rules.DecimalPlaces = 0;
  EXPECT_TRUE(IsValidNumberText("12.", rules));  // the separator alone adds no decimal
  EXPECT_FALSE(IsValidNumberText("12.5", rules));
}

TEST_F(NumberTextTest, ASignIsRefusedWhenTheBoundsStartAtZero) {
  TNumberRulesGx rules{0, 100, 2};
  EXPECT_FALSE(IsValidNumberText("-", rules));
  EXPECT_FALSE(IsValidNumberText("-5", rules));
  EXPECT_TRUE(IsValidNumberText("150", rules));  // clamped later, not refused
  rules = {-10, 100, 2};
  EXPECT_TRUE(IsValidNumberText("-", rules));
  rules = {10, 0, 2};  // reversed: only the lower bound
  EXPECT_TRUE(IsValidNumberText("-5", rules));
}

TEST_F(NumberTextTest, GroupingKeepsSignFractionAndExponent) {
  EXPECT_EQ(FormatNumberText("1234567", true), "1,234,567");
  EXPECT_EQ(FormatNumberText("-1234567.891", true), "-1,234,567.891");
  EXPECT_EQ(FormatNumberText("+123", true), "+123");
  EXPECT_EQ(FormatNumberText("1234e5678", true), "1,234e5678");
  EXPECT_EQ(FormatNumberText("1234567", false), "1234567");
  EXPECT_EQ(FormatNumberText(".5", true), ".5");
  EXPECT_EQ(FormatNumberText("", true), "");
}

TEST_F(NumberTextTest, TypingWithGroupingKeepsTheCaretAfterTheLastDigit) {
  std::string text;
  int caret = 0;
  for (char c : std::string("1234567")) {
    text.insert(static_cast<size_t>(caret), 1, c);
    ++caret;
    text = RegroupNumberText(text, ",0.00", caret);
  }
  EXPECT_EQ(text, "1,234,567");
  EXPECT_EQ(caret, 9);
}

TEST_F(NumberTextTest, RegroupingLeavesEmptyAndMinusAndFollowsTheEditFormat) {
  int caret = 1;
  EXPECT_EQ(RegroupNumberText("-", ",0", caret), "-");
  EXPECT_EQ(caret, 1);
  EXPECT_EQ(RegroupNumberText("", ",0", caret), "");
  caret = 5;
  EXPECT_EQ(RegroupNumberText("1,234", "0.00", caret), "1234");
  EXPECT_EQ(caret, 4);
  // Deleting a digit in the middle takes a separator with it.
  caret = 2;
  EXPECT_EQ(RegroupNumberText("1,34", ",0", caret), "134");
  EXPECT_EQ(caret, 1);
}

TEST_F(NumberTextTest, EditFormatFromDisplayFormat) {
  EXPECT_EQ(NumberEditFormatFromDisplayFormat(",0.00"), ",0.00");
  EXPECT_EQ(NumberEditFormatFromDisplayFormat("¥#,##0.00;(#,##0.00)"), "#,##0.00");
  EXPECT_EQ(NumberEditFormatFromDisplayFormat("\"Total \"0.0' kg'"), "0.0");
  EXPECT_EQ(NumberEditFormatFromDisplayFormat("0.00E+000"), "0.00");
  EXPECT_EQ(NumberEditFormatFromDisplayFormat(""), "");
  EXPECT_EQ(NumberEditFormatFromDisplayFormat("'open"), "");
}

TEST_F(NumberTextTest, BoundsIncludingReversedOnes) {
  EXPECT_EQ(ConstrainNumber(150, {0, 100, 2}), 100);
  EXPECT_EQ(ConstrainNumber(-3, {0, 100, 2}), 0);
  EXPECT_EQ(ConstrainNumber(-3, {5, 5, 2}), -3);  // equal bounds: none
  EXPECT_EQ(ConstrainNumber(3, {10, 0, 2}), 10);  // only the lower bound
  EXPECT_EQ(ConstrainNumber(300, {10, 0, 2}), 300);
  EXPECT_EQ(ConstrainNumber(3, {0, -10, 2}), -10);  // only the upper bound
  EXPECT_EQ(ConstrainNumber(-30, {0, -10, 2}), -30);
  EXPECT_EQ(ConstrainNumber(-30, {10, 5, 2}), -30);  // reversed, neither 0: none
  EXPECT_EQ(ConstrainNumber(30, {10, 5, 2}), 30);
}

TEST_F(NumberTextTest, RoundingGoesHalfToEven) {
  EXPECT_EQ(ConstrainNumber(2.5, {0, 0, 0}), 2);
  EXPECT_EQ(ConstrainNumber(3.5, {0, 0, 0}), 4);
  EXPECT_EQ(ConstrainNumber(-2.5, {0, 0, 0}), -2);
  EXPECT_DOUBLE_EQ(ConstrainNumber(0.125, {0, 0, 2}), 0.12);
  EXPECT_DOUBLE_EQ(ConstrainNumber(0.375, {0, 0, 2}), 0.38);
  EXPECT_DOUBLE_EQ(ConstrainNumber(1.23456, {0, 0, 3}), 1.235);
}

TEST_F(NumberTextTest, ValuesRoundingCannotRepresentStayUnchanged) {
  // 1e300 scaled by 10^37 does not fit a double: it used to become infinity.
  EXPECT_EQ(ConstrainNumber(1e300, {0, 0, 37}), 1e300);
  EXPECT_EQ(ConstrainNumber(-1e300, {0, 0, 20}), -1e300);
  EXPECT_EQ(ConstrainNumber(123456789.123456789, {0, 0, 37}), 123456789.123456789);
  EXPECT_EQ(ConstrainNumber(1.5, {0, 0, 38}), 1.5);
  EXPECT_EQ(ConstrainNumber(1e300, {0, 0, 0}), 1e300);
  double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(ConstrainNumber(inf, {0, 0, 2}), inf);
  EXPECT_TRUE(std::isnan(ConstrainNumber(std::nan(""), {0, 100, 2})));
  // Small values still round at many places.
  EXPECT_DOUBLE_EQ(ConstrainNumber(0.1234567890123, {0, 0, 10}), 0.123456789);
}

}  // namespace
