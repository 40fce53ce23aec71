// The calculator's key machine: sequences of keys and what the display shows.
#include <gtest/gtest.h>

#include <string>

#include "editors/calculator_engine.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/sysutils.h"

namespace {

class CalculatorEngineTest : public ::testing::Test {
 protected:
  void SetUp() override { FormatSettings = TFormatSettings::Default(); }
  void TearDown() override { FormatSettings = TFormatSettings::Default(); }
  // Each character of `keys` is one key.
  std::string Keys(std::string_view keys) {
    for (char k : keys) calc.CalcKey(k);
    return calc.Display();
  }
  TCalculatorEngineGx calc;
};

TEST_F(CalculatorEngineTest, AddsAndReturnsTheCaptionToOk) {
  EXPECT_EQ(calc.Display(), "0");
  EXPECT_EQ(calc.EqualCaption(), "Ok");
  Keys("12+");
  EXPECT_EQ(calc.EqualCaption(), "Ok");  // nothing typed after the operator yet
  Keys("3");
  EXPECT_EQ(calc.EqualCaption(), "=");
  EXPECT_EQ(Keys("="), "15");
  EXPECT_EQ(calc.EqualCaption(), "Ok");
  EXPECT_DOUBLE_EQ(calc.Value(), 15);
}

TEST_F(CalculatorEngineTest, OperatorsChainLeftToRight) {
  EXPECT_EQ(Keys("2*3-4/2="), "1");
  calc.Clear();
  EXPECT_EQ(Keys("7/2\r"), "3.5");  // Enter works as "="
  calc.Clear();
  EXPECT_EQ(Keys("10-12="), "-2");
}

TEST_F(CalculatorEngineTest, PercentAddsAShareOfTheOperandAtOnce) {
  EXPECT_EQ(Keys("200+10%"), "220");
  EXPECT_EQ(Keys("="), "220");  // a following = changes nothing
  calc.Clear();
  EXPECT_EQ(Keys("200-10%"), "180");
  calc.Clear();
  EXPECT_EQ(Keys("200*10%"), "20");  // multiplied by the percentage as a fraction
  calc.Clear();
  EXPECT_EQ(Keys("50%"), "50");  // no pending operator: the number stays
}

TEST_F(CalculatorEngineTest, ReciprocalSquareRootAndSign) {
  EXPECT_EQ(Keys("4r"), "0.25");
  EXPECT_EQ(Keys("R"), "4");
  EXPECT_EQ(Keys("S"), "2");
  EXPECT_EQ(Keys("i"), "-2");
  EXPECT_EQ(Keys("I"), "2");
  calc.Clear();
  EXPECT_EQ(Keys("3r"), "0.333333333333333");
  calc.Clear();
  EXPECT_EQ(Keys("0I"), "0");  // no minus zero
  EXPECT_EQ(Keys("1.I"), "-1.");  // a number being typed keeps its separator
}

TEST_F(CalculatorEngineTest, SixteenDigitsKeepTheFirstFifteen) {
  EXPECT_EQ(Keys("1234567890123456"), "123456789012345");
  calc.Clear();
  EXPECT_EQ(Keys("12345678901234I56"), "-123456789012345");  // the minus sign does not count
}

TEST_F(CalculatorEngineTest, ErrorStateIgnoresEverythingButClear) {
  EXPECT_EQ(Keys("5/0="), "Error");
  EXPECT_EQ(calc.State(), csErrorGx);
  EXPECT_DOUBLE_EQ(calc.Value(), 0);
  EXPECT_EQ(Keys("7+IRS\b"), "Error");
  EXPECT_EQ(Keys("C"), "0");
  EXPECT_EQ(calc.State(), csFirstGx);
  EXPECT_EQ(Keys("0r"), "Error");
  EXPECT_EQ(Keys("\x1b"), "0");  // Escape clears too
  EXPECT_EQ(Keys("9IS"), "Error");
  EXPECT_EQ(Keys("c"), "0");
}

TEST_F(CalculatorEngineTest, OverflowShowsTheError) {
  calc.SetValue(1e308);
  calc.CalcKey('*');
  EXPECT_EQ(Keys("10="), "Error");
}

TEST_F(CalculatorEngineTest, BackspaceAndDecimalSeparator) {
  EXPECT_EQ(Keys("12.5"), "12.5");
  EXPECT_EQ(Keys(","), "12.5");  // only one separator
  EXPECT_EQ(Keys("\b\b"), "12");
  EXPECT_EQ(Keys("\b\b"), "0");
  EXPECT_EQ(Keys("7I\b"), "0");
  calc.Clear();
  EXPECT_EQ(Keys("."), "0.");
  FormatSettings.DecimalSeparator = ',';
  calc.Clear();
  EXPECT_EQ(Keys("1.5"), "1,5");
  EXPECT_DOUBLE_EQ(calc.Value(), 1.5);
}

TEST_F(CalculatorEngineTest, ResultDisplayStartsANewNumber) {
  Keys("2+3=");
  EXPECT_EQ(Keys("4"), "4");
  calc.SetValue(1.5);
  EXPECT_EQ(calc.Display(), "1.5");
  EXPECT_EQ(Keys("+1="), "2.5");
}

TEST_F(CalculatorEngineTest, LargeResultsShowAnExponentAndTakeNoDigits) {
  calc.SetValue(1e20);
  EXPECT_EQ(calc.Display(), "1E20");
  calc.CalcKey('5');  // a new number starts
  EXPECT_EQ(calc.Display(), "5");
}

TEST_F(CalculatorEngineTest, UnknownKeysDoNothing) {
  Keys("12");
  EXPECT_FALSE(calc.CalcKey('x'));
  EXPECT_FALSE(calc.CalcKey('A'));
  EXPECT_EQ(calc.Display(), "12");
}

}  // namespace
