// Typing a whole date or time into the date-time editor after a click: from wherever the click
// left the caret, with or without the separators, the editor holds what was typed; a text that
// cannot be a date is refused on leaving instead of being turned into some other date.
#include <gtest/gtest.h>

#include "dbeditor_fixture.h"
#include "editors/dbdatetime.h"
#include "memtable/memtable.h"
#include "platform/forms/stdctrls.h"
#include "platform/os/clock.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/sysutils.h"

using namespace dbfix;

namespace {

std::string FormattedTyped(const Variant& v) {
  return v.IsNull() ? "Null" : FormatDateTime("yyyy-mm-dd hh:nn:ss", v.AsDateTime());
}

class DateTimeTyping : public EditorFixture {
 protected:
  void SetUp() override {
    EditorFixture::SetUp();
    SetToday(2026, 12, 7);
    table = new TMemTableGx(form);
    table->FieldDefs().Add("BILDA003", ftDateTime);
    table->CreateDataSet();
    auto* source = new TDataSource(form);
    source->SetDataSet(table);
    // As the document form has it: borderless, flat, bound, the locale's year-month-day order.
    edit = Add<TDBDateTimeEditGx>(20, 20, 130, 21);
    edit->SetBorderStyle(bsNone);
    edit->SetCtl3D(false);
    edit->SetDataSource(source);
    edit->SetDataField("BILDA003");
    other = Add<TEdit>(20, 60, 100, 21);
    Show();
  }
  // A new record, the focus elsewhere: the editor is empty and unfocused.
  void NewRecord() {
    other->SetFocus();
    Pump();
    if (table->State() != dsBrowse) table->Cancel();
    table->Append();
    ClockAdvance(1000);  // the next click is no double click
    Pump();
  }
  void Leave() {
    other->SetFocus();
    Pump();
  }
  TMemTableGx* table = nullptr;
  TDBDateTimeEditGx* edit = nullptr;
  TEdit* other = nullptr;
};

TEST_F(DateTimeTyping, DigitsTypedAfterAClickAnywhereInAnEmptyEditorGiveTheDate) {
  ASSERT_EQ(edit->EditMask(), "!9999/99/99;1; ");
  for (int x = 1; x < edit->ClientWidth() - 24; x += 3) {
    NewRecord();
    ASSERT_EQ(edit->EditText(), "    -  -  ");
    ClickAt(edit, x, 8);
    ASSERT_TRUE(edit->Focused()) << x;
    Type("20261201");
    EXPECT_EQ(edit->EditText(), "2026-12-01") << "clicked at " << x;
    Leave();
    EXPECT_EQ(FormattedTyped(table->FieldByName("BILDA003")->Value()), "2026-12-01 00:00:00") << "clicked at " << x;
  }
}

TEST_F(DateTimeTyping, TheSeparatorsMayBeTypedToo) {
  NewRecord();
  ClickAt(edit, 3, 8);
  Type("2026-12-01");
  EXPECT_EQ(edit->EditText(), "2026-12-01");
  Leave();
  EXPECT_EQ(FormattedTyped(table->FieldByName("BILDA003")->Value()), "2026-12-01 00:00:00");
  // Short parts end with their separator.
  NewRecord();
  ClickAt(edit, 3, 8);
  Type("2026-3-5");
  Leave();
  EXPECT_EQ(FormattedTyped(table->FieldByName("BILDA003")->Value()), "2026-03-05 00:00:00");
}

// In a format that shows the typed separator nowhere, the separator moves on to the next element
// (just past a literal it stays), instead of sending the digits back into the year.
TEST_F(DateTimeTyping, ASeparatorTheFormatDoesNotShowMovesOnToTheNextElement) {
  const std::pair<const char*, const char*> cases[] = {
      {"YYYY年MM月DD日", "2026-3-5"}, {"YYYY年MM月DD日", "2026-03-05"}, {"DD.MM.YYYY", "5-3-2026"}};
  for (const auto& [format, typed] : cases) {
    SCOPED_TRACE(std::string(format) + " " + typed);
    edit->SetEditFormat(format);
    NewRecord();
    ClickAt(edit, 3, 8);
    Type(typed);
    ASSERT_EQ(FormattedTyped(edit->Value()), "2026-03-05 00:00:00");  // else leaving would raise
    Leave();
    EXPECT_EQ(FormattedTyped(table->FieldByName("BILDA003")->Value()), "2026-03-05 00:00:00");
  }
}

TEST_F(DateTimeTyping, TypingIntoAnElementWithBlanksBeforeTheCaretStartsAtTheElement) {
  NewRecord();
  ClickAt(edit, 3, 8);
  Type("2026");
  edit->SetSel(6, 7);  // the month's second place
  Type("1201");
  EXPECT_EQ(edit->EditText(), "2026-12-01");
  // A filled element is typed over where the caret is.
  edit->SetSel(6, 7);
  Type("1");
  EXPECT_EQ(edit->EditText(), "2026-11-01");
}

TEST_F(DateTimeTyping, DayMonthYearWithSeparators) {
  Leave();
  FormatSettings.ShortDateFormat = "dd/mm/yyyy";
  FormatSettings.DateSeparator = '/';
  auto* dmy = Add<TDBDateTimeEditGx>(20, 100, 130, 21);
  Pump();
  ASSERT_EQ(dmy->EditMask(), "!99/99/9999;1; ");
  ClickAt(dmy, 3, 8);
  Type("05/07/2025");
  EXPECT_EQ(dmy->EditText(), "05/07/2025");
  EXPECT_EQ(FormattedTyped(dmy->Value()), "2025-07-05 00:00:00");
  dmy->SelectAll();
  Type("5/7/2025");
  EXPECT_EQ(FormattedTyped(dmy->Value()), "2025-07-05 00:00:00");
}

TEST_F(DateTimeTyping, HoursAndMinutesWithTheirSeparator) {
  auto* time = Add<TDBDateTimeEditGx>(20, 100, 130, 21);
  time->SetEditFormat("HH:NN");
  Pump();
  ClickAt(time, 3, 8);
  Type("08:30");
  EXPECT_EQ(time->EditText(), "08:30");
  time->SelectAll();
  Type("0830");
  EXPECT_EQ(time->EditText(), "08:30");
  Leave();
  EXPECT_EQ(FormatDateTime("hh:nn", time->Value().AsDateTime()), "08:30");
}

TEST_F(DateTimeTyping, DateAndTimeTypedWholeWithEverySeparator) {
  auto* both = Add<TDBDateTimeEditGx>(20, 100, 200, 21);
  both->SetKind(dtkDateTimeGx);
  Pump();
  ClickAt(both, 3, 8);
  Type("2025-07-05 08:30:15");
  EXPECT_EQ(both->EditText(), "2025-07-05 08:30:15");
  EXPECT_EQ(FormattedTyped(both->Value()), "2025-07-05 08:30:15");
}

TEST_F(DateTimeTyping, ATextThatCannotBeADateIsRefusedOnLeaving) {
  NewRecord();
  ClickAt(edit, 3, 8);
  Type("202");
  KeyPress(VK_RIGHT);  // on to the month, the year left with three digits
  Type("61");
  EXPECT_EQ(edit->EditText(), "202 -61-  ");
  try {
    edit->ValidateEdit();
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Invalid datetime: \"202 -61-  \"");
  }
  EXPECT_EQ(edit->EditText(), "202 -61-  ");  // not made into some other date
  EXPECT_TRUE(table->FieldByName("BILDA003")->IsNull());
  int a = 0, b = 0;
  edit->GetSel(a, b);
  EXPECT_EQ(a, 0);  // the year is pointed at
  EXPECT_EQ(b, 4);
  // A day beyond its month's end is still brought to the end.
  edit->SelectAll();
  Type("20230231");
  EXPECT_NO_THROW(edit->ValidateEdit());
  EXPECT_EQ(edit->EditText(), "2023-02-28");
}

TEST_F(DateTimeTyping, ElementsOutOfEveryRangeAreImpossible) {
  TDateTimeElementsGx elements;
  std::string mask;
  DateTimeEditParseFormat("YYYY/MM/DD HH:NN", elements, mask);
  EXPECT_EQ(DateTimeEditImpossibleElement("2026/12/31 23:59", elements), -1);
  EXPECT_EQ(DateTimeEditImpossibleElement("    /  /         ", elements), -1);
  EXPECT_EQ(DateTimeEditImpossibleElement("26  /1 /3  0 :5 ", elements), -1);
  EXPECT_EQ(DateTimeEditImpossibleElement("202 /12/01 00:00", elements), dteYearGx);
  EXPECT_EQ(DateTimeEditImpossibleElement("2026/13/01 00:00", elements), dteMonthGx);
  EXPECT_EQ(DateTimeEditImpossibleElement("2026/00/01 00:00", elements), dteMonthGx);
  EXPECT_EQ(DateTimeEditImpossibleElement("2026/12/32 00:00", elements), dteDayGx);
  EXPECT_EQ(DateTimeEditImpossibleElement("2026/12/01 24:00", elements), dteHourGx);
  EXPECT_EQ(DateTimeEditImpossibleElement("2026/12/01 23:60", elements), dteMinuteGx);
}

}  // namespace

namespace {

// A press that arrives as the second of a double click (the first one went to the editor before the
// focus moved on) still gives the empty date field the focus, and the date typed next is kept.
TEST_F(DateTimeTyping, ADoubleClickIntoTheUnfocusedEditorStillTakesTheTyping) {
  for (int x = 1; x < edit->ClientWidth() - 24; x += 3) {
    NewRecord();
    ClickAt(edit, x, 8);
    Leave();
    ASSERT_FALSE(edit->Focused());
    ClickAt(edit, x, 8);  // no time between: a double click
    EXPECT_TRUE(edit->Focused()) << x;
    Type("20261201");
    EXPECT_EQ(edit->EditText(), "2026-12-01") << "double-clicked at " << x;
    Leave();
    EXPECT_EQ(FormattedTyped(table->FieldByName("BILDA003")->Value()), "2026-12-01 00:00:00") << x;
  }
  // Both presses into the unfocused editor.
  NewRecord();
  ClickAt(edit, 30, 8);
  ClickAt(edit, 30, 8);
  EXPECT_TRUE(edit->Focused());
  Type("20261201");
  EXPECT_EQ(edit->EditText(), "2026-12-01");
}

}  // namespace
