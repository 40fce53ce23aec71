// The date-time edit-format language: parsing, display formats, templates, reading texts into
// values, building values with and without correction, and stepping elements.
#include <gtest/gtest.h>

#include <string>

#include "editors/dtformat.h"
#include "platform/os/clock.h"
#include "support/clock_time.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/sysutils.h"

namespace {

class DateTimeFormatTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FormatSettings = TFormatSettings::Default();
    SetToday(2026, 12, 7);
  }
  void TearDown() override {
    FormatSettings = TFormatSettings::Default();
    ClockSetSimulated(0);
  }
  static void SetToday(int y, int m, int d) { SetLocalTimeTo(y, m, d, 9); }
  static TDateTimeElementsGx Parse(std::string_view format, std::string* mask = nullptr) {
    TDateTimeElementsGx elements;
    std::string m;
    DateTimeEditParseFormat(format, elements, m);
    if (mask) *mask = m;
    return elements;
  }
  static std::string ParseError(std::string_view format) {
    try {
      Parse(format);
    } catch (const Exception& e) {
      return e.Message();
    }
    return "(no error)";
  }
  static std::string Formatted(const Variant& v) {
    return v.IsNull() ? "Null" : FormatDateTime("yyyy-mm-dd hh:nn:ss", v.AsDateTime());
  }
  // Reads the text through the format and builds the value over `old`.
  static std::string Read(std::string_view format, std::string_view text, bool correct,
                          Variant old = Variant::Null(), bool* ok = nullptr) {
    TDateTimeElementsGx elements = Parse(format);
    TDateTimeValuesGx values;
    DateTimeEditTextToValues(text, elements, values);
    bool result = DateTimeEditValuesToVariant(values, elements, old, correct);
    if (ok) *ok = result;
    return Formatted(old);
  }
};

// ---------------------------------------------------------------- parser

TEST_F(DateTimeFormatTest, DayMonthYearGivesMaskAndElements) {
  std::string mask;
  TDateTimeElementsGx e = Parse("DD/MM/YYYY", &mask);
  EXPECT_EQ(mask, "!99/99/9999;1; ");
  EXPECT_EQ(e[dteDayGx].Pos, 1);
  EXPECT_EQ(e[dteDayGx].Length, 2);
  EXPECT_EQ(e[dteMonthGx].Pos, 4);
  EXPECT_EQ(e[dteMonthGx].Length, 2);
  EXPECT_EQ(e[dteYearGx].Pos, 7);
  EXPECT_EQ(e[dteYearGx].Length, 4);
  for (int i : {dteHourGx, dteMinuteGx, dteSecondGx}) {
    EXPECT_FALSE(e[i].Present);
    EXPECT_EQ(e[i].Pos, -1);
    EXPECT_EQ(e[i].Length, -1);
  }
}

TEST_F(DateTimeFormatTest, LettersAreCaseInsensitiveAndTimeElementsFollowLiterals) {
  std::string mask;
  TDateTimeElementsGx e = Parse("yy-mm-dd hh:nn:ss", &mask);
  EXPECT_EQ(mask, "!99-99-99 99:99:99;1; ");
  EXPECT_EQ(e[dteYearGx].Length, 2);
  EXPECT_EQ(e[dteHourGx].Pos, 10);
  EXPECT_EQ(e[dteMinuteGx].Pos, 13);
  EXPECT_EQ(e[dteSecondGx].Pos, 16);
}

TEST_F(DateTimeFormatTest, BackslashMakesALetterLiteralAndTakesNoPosition) {
  std::string mask;
  TDateTimeElementsGx e = Parse("HH\\hNN", &mask);
  EXPECT_EQ(mask, "!99h99;1; ");
  EXPECT_EQ(e[dteHourGx].Pos, 1);
  EXPECT_EQ(e[dteMinuteGx].Pos, 4);
}

TEST_F(DateTimeFormatTest, MaskDirectivesAreEscapedUnlessTheFormatEscapesThem) {
  std::string mask;
  Parse("DD#MM", &mask);
  EXPECT_EQ(mask, "!99\\#99;1; ");
  Parse("DD\\#MM", &mask);  // the format's escape lets the directive through
  EXPECT_EQ(mask, "!99#99;1; ");
  Parse("DDaMMlYYc", &mask);
  EXPECT_EQ(mask, "!99\\a99\\l99\\c;1; ");
}

TEST_F(DateTimeFormatTest, ChineseLiteralsCountOnePositionEach) {
  std::string mask;
  TDateTimeElementsGx e = Parse("YYYY年MM月DD日", &mask);
  EXPECT_EQ(mask, "!9999年99月99日;1; ");
  EXPECT_EQ(e[dteMonthGx].Pos, 6);
  EXPECT_EQ(e[dteDayGx].Pos, 9);
}

TEST_F(DateTimeFormatTest, MalformedFormatsRaiseTheirTexts) {
  EXPECT_EQ(ParseError("YYY"), "Invalid datetime format element length: \"Y\"");
  EXPECT_EQ(ParseError("D/MM"), "Invalid datetime format element length: \"D\"");
  EXPECT_EQ(ParseError("DDD"), "Element in EditFormat: \"DDD\" is too long. Pos: 3");
  EXPECT_EQ(ParseError("MM/YYYYY"), "Element in EditFormat: \"MM/YYYYY\" is too long. Pos: 8");
  EXPECT_EQ(ParseError("DD.DD"), "Duplicating datetime format element: \"D\"");
  EXPECT_EQ(ParseError("dd.MM.Dd"), "Duplicating datetime format element: \"D\"");
  EXPECT_EQ(ParseError(""), "(no error)");
  EXPECT_EQ(ParseError("\\"), "(no error)");
}

TEST_F(DateTimeFormatTest, ParsingStartsFromAnEmptyTable) {
  TDateTimeElementsGx e;
  std::string mask;
  DateTimeEditParseFormat("DD/MM/YYYY HH:NN", e, mask);
  DateTimeEditParseFormat("NN", e, mask);
  EXPECT_FALSE(e[dteDayGx].Present);
  EXPECT_FALSE(e[dteHourGx].Present);
  EXPECT_EQ(e[dteMinuteGx].Pos, 1);
  EXPECT_EQ(mask, "!99;1; ");
}

// ---------------------------------------------------------------- display format and template

TEST_F(DateTimeFormatTest, DisplayFormatQuotesLiterals) {
  EXPECT_EQ(DateTimeEditDisplayFormat("DD.MM.YYYY"), "DD'.'MM'.'YYYY");
  EXPECT_EQ(DateTimeEditDisplayFormat("dd/mm/yyyy hh:nn"), "DD/MM/YYYY' 'HH:NN");
  EXPECT_EQ(DateTimeEditDisplayFormat("HH\\hNN"), "HH'h'NN");
  EXPECT_EQ(DateTimeEditDisplayFormat("DD'MM"), "DD''''MM");
  EXPECT_EQ(DateTimeEditDisplayFormat("YYYY年MM月"), "YYYY'年'MM'月'");
}

TEST_F(DateTimeFormatTest, DisplayFormatFormatsWithLocaleSeparators) {
  FormatSettings.DateSeparator = '.';
  TDateTime dt = EncodeDateTime(2024, 5, 1, 13, 45, 0, 0);
  EXPECT_EQ(FormatDateTime(DateTimeEditDisplayFormat("DD/MM/YYYY"), dt), "01.05.2024");
  EXPECT_EQ(FormatDateTime(DateTimeEditDisplayFormat("HH\\hNN"), dt), "13h45");
}

TEST_F(DateTimeFormatTest, TemplateKeepsElementsAndSeparators) {
  EXPECT_EQ(DateTimeEditTemplate("DD/MM/YYYY"), "DD/MM/YYYY");
  EXPECT_EQ(DateTimeEditTemplate("dd.mm.yyyy"), "DD MM YYYY");
  EXPECT_EQ(DateTimeEditTemplate("HH\\hNN"), "HH NN");
  EXPECT_EQ(DateTimeEditTemplate("YYYY年MM月"), "YYYY MM ");
}

TEST_F(DateTimeFormatTest, DefaultFormatsFollowTheLocaleOrder) {
  FormatSettings.ShortDateFormat = "yyyy-mm-dd";
  EXPECT_TRUE(DateTimeEditLocaleFourDigitYear());
  EXPECT_EQ(DateTimeEditDefaultDateFormat(true), "YYYY/MM/DD");
  EXPECT_EQ(DateTimeEditDefaultDateFormat(false), "YY/MM/DD");
  FormatSettings.ShortDateFormat = "M/d/yy";
  EXPECT_FALSE(DateTimeEditLocaleFourDigitYear());
  EXPECT_EQ(DateTimeEditDefaultDateFormat(false), "MM/DD/YY");
  FormatSettings.ShortDateFormat = "dd.MM.yyyy";
  EXPECT_EQ(DateTimeEditDefaultDateFormat(true), "DD/MM/YYYY");
  FormatSettings.ShortDateFormat = "";
  EXPECT_EQ(DateTimeEditDefaultDateFormat(true), "DD/MM/YYYY");
  EXPECT_EQ(DateTimeEditDefaultTimeFormat(), "HH:NN:SS");
  EXPECT_EQ(DateTimeEditFormatOfKind(dtkDateTimeGx, true, "x"), "DD/MM/YYYY HH:NN:SS");
  EXPECT_EQ(DateTimeEditFormatOfKind(dtkCustomGx, true, "NN"), "NN");
}

// ---------------------------------------------------------------- texts to values

TEST_F(DateTimeFormatTest, TwoDigitYearsFollowTheWindow) {
  FormatSettings.TwoDigitYearCenturyWindow = 50;
  EXPECT_EQ(DateTimeEditExpandYear(30), 2030);
  EXPECT_EQ(DateTimeEditExpandYear(80), 1980);
  EXPECT_EQ(DateTimeEditExpandYear(100), 100);
  EXPECT_EQ(DateTimeEditExpandYear(2024), 2024);
  EXPECT_EQ(Read("DD/MM/YY", "01/02/30", false), "2030-02-01 00:00:00");
  EXPECT_EQ(Read("DD/MM/YY", "01/02/80", false), "1980-02-01 00:00:00");
}

TEST_F(DateTimeFormatTest, TextToValuesReadsDigitsAndMarksBlanks) {
  TDateTimeElementsGx e = Parse("DD/MM/YYYY HH:NN");
  TDateTimeValuesGx v;
  EXPECT_TRUE(DateTimeEditTextToValues("05/11/2024 07:30", e, v));
  EXPECT_EQ(v, (TDateTimeValuesGx{2024, 11, 5, 7, 30, -1}));
  EXPECT_FALSE(DateTimeEditTextToValues(" 5/  /2024 7 :3x", e, v));
  EXPECT_EQ(v, (TDateTimeValuesGx{2024, -1, 5, 7, -1, -1}));
  EXPECT_FALSE(DateTimeEditTextToValues("", e, v));
  EXPECT_EQ(v, NoDateTimeValuesGx);
  // Spaces inside an element are dropped.
  EXPECT_TRUE(DateTimeEditTextToValues("1 /1 /2 24 0 :0 ", e, v));
  EXPECT_EQ(v, (TDateTimeValuesGx{224, 1, 1, 0, 0, -1}));
}

TEST_F(DateTimeFormatTest, NumbersBeyondThirtyTwoBitsAreBlank) {
  TDateTimeElementsGx e{};
  e[dteSecondGx] = {1, 12, true};
  TDateTimeValuesGx v;
  EXPECT_FALSE(DateTimeEditTextToValues("999999999999", e, v));
  EXPECT_EQ(v[dteSecondGx], -1);
  EXPECT_TRUE(DateTimeEditTextToValues("002147483647", e, v));
  EXPECT_EQ(v[dteSecondGx], 2147483647);
}

TEST_F(DateTimeFormatTest, CorrectionClampsTheDayToTheMonth) {
  EXPECT_EQ(Read("DD/MM/YYYY", "31/02/2023", true), "2023-02-28 00:00:00");
  EXPECT_EQ(Read("DD/MM/YYYY", "31/02/2024", true), "2024-02-29 00:00:00");
  EXPECT_EQ(Read("DD/MM/YYYY", "31/04/2024", true), "2024-04-30 00:00:00");
  EXPECT_EQ(Read("DD/MM/YYYY", "15/13/2024", true), "2024-12-15 00:00:00");
  EXPECT_EQ(Read("HH:NN:SS", "25:61:99", true, Variant::FromDateTime(EncodeDate(2020, 1, 2))),
            "2020-01-02 23:59:59");
}

TEST_F(DateTimeFormatTest, CorrectionTakesBlankDatePartsFromToday) {
  EXPECT_EQ(Read("DD/MM/YYYY", "12/  /    ", true), "2026-12-12 00:00:00");
  EXPECT_EQ(Read("DD/MM/YYYY", "  /03/    ", true), "2026-03-07 00:00:00");
  // Today is 2026-12-07: a blank year with month 2 and day 31 still ends on February's last day.
  EXPECT_EQ(Read("DD/MM/YYYY", "31/02/    ", true), "2026-02-28 00:00:00");
}

TEST_F(DateTimeFormatTest, WithoutCorrectionAnInvalidDateIsNull) {
  bool ok = true;
  EXPECT_EQ(Read("DD/MM/YYYY", "31/02/2023", false, Variant::Null(), &ok), "Null");
  EXPECT_FALSE(ok);
  EXPECT_EQ(Read("DD/MM/YYYY", "12/  /    ", false, Variant::Null(), &ok), "Null");
  EXPECT_FALSE(ok);
  EXPECT_EQ(Read("HH:NN", "24:00", false, Variant::Null(), &ok), "Null");
  EXPECT_FALSE(ok);
  EXPECT_EQ(Read("DD/MM/YYYY", "  /  /    ", false, Variant::Null(), &ok), "Null");
  EXPECT_TRUE(ok);  // all blank is an empty value, not an error
}

TEST_F(DateTimeFormatTest, PartsNotInTheFormatKeepTheOldValue) {
  Variant old = Variant::FromDateTime(EncodeDateTime(2024, 5, 1, 13, 45, 10, 250));
  EXPECT_EQ(Read("DD/MM/YYYY", "02/05/2024", true, old), "2024-05-02 13:45:10");
  EXPECT_EQ(Read("HH:NN", "08:05", false, old), "2024-05-01 08:05:10");
  Variant v = old;
  TDateTimeElementsGx e = Parse("DD/MM/YYYY");
  TDateTimeValuesGx values{2024, 5, 2, -1, -1, -1};
  ASSERT_TRUE(DateTimeEditValuesToVariant(values, e, v, true));
  int y, m, d, h, n, s, ms;
  DecodeDateTime(v.AsDateTime(), y, m, d, h, n, s, ms);
  EXPECT_EQ(ms, 250);
  // Without an old value the parts start from 1900-01-01 00:00.
  EXPECT_EQ(Read("HH:NN", "08:05", false), "1900-01-01 08:05:00");
}

TEST_F(DateTimeFormatTest, ADayKeptFromTheOldValueIsFittedToTheNewMonth) {
  Variant old = Variant::FromDateTime(EncodeDate(2024, 1, 31));
  bool ok = false;
  EXPECT_EQ(Read("MM", "02", true, old, &ok), "2024-02-29 00:00:00");
  EXPECT_TRUE(ok);
  EXPECT_EQ(Read("MM", "02", false, old, &ok), "Null");
  EXPECT_FALSE(ok);
}

TEST_F(DateTimeFormatTest, SplitValueGivesAllSixParts) {
  EXPECT_EQ(DateTimeEditSplitValue(EncodeDateTime(2024, 5, 1, 13, 45, 7, 0)),
            (TDateTimeValuesGx{2024, 5, 1, 13, 45, 7}));
}

// ---------------------------------------------------------------- stepping

struct StepResult {
  bool Stepped;
  std::string Text;
  int Position;
  int Length;
};

StepResult Step(std::string_view text, std::string_view format, int caret, bool up) {
  StepResult r{false, std::string(text), caret, -1};
  r.Stepped = DateTimeEditStepElement(text, DateTimeEditTemplate(format), up, r.Text, r.Length, r.Position);
  return r;
}

TEST_F(DateTimeFormatTest, SteppingWrapsAround) {
  EXPECT_EQ(Step("31/12/2024", "DD/MM/YYYY", 1, true).Text, "01/12/2024");
  EXPECT_EQ(Step("01/12/2024", "DD/MM/YYYY", 2, false).Text, "31/12/2024");
  EXPECT_EQ(Step("31/12/2024", "DD/MM/YYYY", 5, true).Text, "31/01/2024");
  EXPECT_EQ(Step("31/01/0001", "DD/MM/YYYY", 9, false).Text, "31/01/9999");
  EXPECT_EQ(Step("31/01/9999", "DD/MM/YYYY", 10, true).Text, "31/01/0001");
  EXPECT_EQ(Step("23:59:59", "HH:NN:SS", 1, true).Text, "00:59:59");
  EXPECT_EQ(Step("00:00:00", "HH:NN:SS", 4, false).Text, "00:59:00");
  EXPECT_EQ(Step("00:00:00", "HH:NN:SS", 8, false).Text, "00:00:59");
}

TEST_F(DateTimeFormatTest, SteppingAnswersTheElementsPlace) {
  StepResult r = Step("05/11/2024", "DD/MM/YYYY", 8, true);
  EXPECT_TRUE(r.Stepped);
  EXPECT_EQ(r.Text, "05/11/2025");
  EXPECT_EQ(r.Position, 7);
  EXPECT_EQ(r.Length, 4);
}

TEST_F(DateTimeFormatTest, SteppingOnASeparatorTakesTheNextElement) {
  StepResult r = Step("05/11/2024", "DD/MM/YYYY", 3, true);
  EXPECT_EQ(r.Text, "05/12/2024");
  EXPECT_EQ(r.Position, 4);
  // A caret past the end is taken back to the last character.
  EXPECT_EQ(Step("05/11/2024", "DD/MM/YYYY", 40, true).Text, "05/11/2025");
}

TEST_F(DateTimeFormatTest, SteppingOffAnElementChangesNothing) {
  StepResult r = Step("12h30", "HH\\hNN", 3, true);
  EXPECT_FALSE(r.Stepped);
  EXPECT_EQ(r.Text, "12h30");
  EXPECT_FALSE(Step("", "", 1, true).Stepped);
  EXPECT_FALSE(Step("05/11", "DD/MM/", 6, true).Stepped);  // a separator at the end
}

TEST_F(DateTimeFormatTest, SteppingABlankElementStartsFromItsEnds) {
  EXPECT_EQ(Step("  /11/2024", "DD/MM/YYYY", 1, true).Text, "01/11/2024");
  EXPECT_EQ(Step("  /11/2024", "DD/MM/YYYY", 1, false).Text, "31/11/2024");
  EXPECT_EQ(Step("", "DD/MM/YYYY", 4, true).Text, "   01");  // padded up to the element
}

TEST_F(DateTimeFormatTest, ATwoDigitYearKeepsItsWidth) {
  EXPECT_EQ(Step("01/01/99", "DD/MM/YY", 7, true).Text, "01/01/01");
  EXPECT_EQ(Step("01/01/01", "DD/MM/YY", 7, false).Text, "01/01/99");
}

}  // namespace
