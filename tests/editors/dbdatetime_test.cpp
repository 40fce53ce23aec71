// The date-time editor: formats by kind, typing and correction on leaving, the invalid-date
// error, stepping, posting that keeps the field's time, and the calendar drop-down.
#include <gtest/gtest.h>

#include "dbdatetime_fixture.h"
#include "editors/dbdatetime.h"
#include "platform/classes/filer.h"
#include "platform/db/testdataset.h"
#include "platform/forms/stdctrls.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/sysutils.h"

using namespace dbfix;

namespace {

std::string Formatted(const Variant& v) {
  return v.IsNull() ? "Null" : FormatDateTime("yyyy-mm-dd hh:nn:ss", v.AsDateTime());
}

class DateTimeEditTest : public DateEditFixture {
 protected:
  void SetUp() override {
    DateEditFixture::SetUp();
    other = Add<TEdit>(20, 60, 100, 21);
  }
  void Focus() {
    Show();
    edit->SetFocus();
    Pump();
  }
  void Leave() {
    other->SetFocus();
    Pump();
  }
  std::string Shown() const { return edit->EditText(); }
  std::string ValueText() const { return Formatted(edit->Value()); }
  TEdit* other = nullptr;
};

TEST_F(DateTimeEditTest, KindsGiveTheirFormatsAndMasks) {
  EXPECT_EQ(edit->Kind(), dtkDateGx);
  EXPECT_TRUE(edit->FourDigitYear());
  EXPECT_EQ(edit->CurrentEditFormat(), "DD/MM/YYYY");
  EXPECT_EQ(edit->EditMask(), "!99/99/9999;1; ");
  edit->SetKind(dtkTimeGx);
  EXPECT_EQ(edit->EditMask(), "!99:99:99;1; ");
  edit->SetKind(dtkDateTimeGx);
  EXPECT_EQ(edit->CurrentEditFormat(), "DD/MM/YYYY HH:NN:SS");
  edit->SetEditFormat("YYYY年MM月DD日");
  EXPECT_EQ(edit->Kind(), dtkCustomGx);
  EXPECT_EQ(edit->DisplayFormat(), "YYYY'年'MM'月'DD'日'");
  edit->SetValue(Variant::FromDateTime(EncodeDate(2024, 5, 1)));
  EXPECT_EQ(Shown(), "2024年05月01日");
}

// A change of kind or format keeps the value and shows it in the new format, shown or not.
TEST_F(DateTimeEditTest, ChangingTheFormatKeepsTheValue) {
  struct Step {
    TDateTimeKindGx kind;
    const char* format;  // set instead of the kind when not empty
    const char* shown;
  };
  const Step steps[] = {
      {dtkTimeGx, "", "13:45:00"},
      {dtkDateGx, "", "02/05/2024"},
      {dtkDateTimeGx, "", "02/05/2024 13:45:00"},
      {dtkCustomGx, "YYYY-MM-DD", "2024-05-02"},
      {dtkCustomGx, "HH:NN", "13:45"},
      {dtkTimeGx, "", "13:45:00"},
  };
  for (bool showing : {false, true}) {
    SCOPED_TRACE(showing ? "shown" : "hidden");
    edit->SetKind(dtkDateTimeGx);
    edit->SetValue(Variant::FromDateTime(EncodeDateTime(2024, 5, 2, 13, 45, 0, 0)));
    if (showing) Focus();
    for (const Step& step : steps) {
      SCOPED_TRACE(step.shown);
      if (*step.format)
        edit->SetEditFormat(step.format);
      else
        edit->SetKind(step.kind);
      EXPECT_EQ(Shown(), step.shown);
      EXPECT_EQ(ValueText(), "2024-05-02 13:45:00");
    }
  }
  // The locale's short date format changing to a two-digit year is a change of format too.
  edit->SetKind(dtkDateGx);
  FormatSettings.ShortDateFormat = "dd/mm/yy";
  edit->UpdateFourDigitYear();
  EXPECT_EQ(Shown(), "02/05/24");
  EXPECT_EQ(ValueText(), "2024-05-02 13:45:00");
}

TEST_F(DateTimeEditTest, AMalformedFormatRaisesAndKeepsTheMask) {
  edit->SetEditFormat("DD/MM");
  try {
    edit->SetEditFormat("DDD");
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Element in EditFormat: \"DDD\" is too long. Pos: 3");
  }
  EXPECT_EQ(edit->EditMask(), "!99/99;1; ");
  EXPECT_THROW(edit->SetEditFormat("DD.DD"), Exception);
  EXPECT_THROW(edit->SetEditFormat("YYY"), Exception);
}

TEST_F(DateTimeEditTest, ValuesShowInTheDisplayFormat) {
  edit->SetValue(Variant::FromDateTime(EncodeDateTime(2024, 5, 1, 13, 45, 0, 0)));
  EXPECT_EQ(Shown(), "01/05/2024");
  EXPECT_EQ(edit->Value().VarType(), varDate);
  edit->SetValue(Variant::Null());
  EXPECT_TRUE(edit->Value().IsNull());
  EXPECT_EQ(edit->Text(), "  /  /    ");
}

TEST_F(DateTimeEditTest, LeavingCorrectsTheDayToTheMonth) {
  Focus();
  Type("31022023");
  EXPECT_EQ(Shown(), "31/02/2023");
  EXPECT_TRUE(edit->Value().IsNull());  // typing never raises: an invalid date is Null
  Leave();
  EXPECT_EQ(Shown(), "28/02/2023");
  EXPECT_EQ(ValueText(), "2023-02-28 00:00:00");
}

TEST_F(DateTimeEditTest, LeavingFillsBlankPartsFromToday) {
  Focus();
  Type("12");
  Leave();
  EXPECT_EQ(Shown(), "12/12/2026");
  EXPECT_EQ(ValueText(), "2026-12-12 00:00:00");
}

TEST_F(DateTimeEditTest, TwoDigitYearsFollowTheWindow) {
  FormatSettings.TwoDigitYearCenturyWindow = 50;
  edit->SetEditFormat("DD/MM/YY");
  Focus();
  Type("010230");
  EXPECT_EQ(ValueText(), "2030-02-01 00:00:00");
  edit->SelectAll();
  Type("010280");
  EXPECT_EQ(ValueText(), "1980-02-01 00:00:00");
}

TEST_F(DateTimeEditTest, SettingAnInvalidTextRaises) {
  try {
    edit->SetText("31/02/2023");
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Invalid datetime: \"31/02/2023\"");
  }
  edit->SetText("29/02/2024");
  EXPECT_EQ(ValueText(), "2024-02-29 00:00:00");
}

TEST_F(DateTimeEditTest, ArrowsStepTheElementUnderTheCaret) {
  edit->SetValue(Variant::FromDateTime(EncodeDate(2024, 12, 31)));
  Focus();
  std::string heard;  // what OnChange reads: the stepped value
  edit->OnChange = [&](TObject*) { heard = ValueText(); };
  edit->SetSel(0, 0);
  KeyPress(VK_UP);
  EXPECT_EQ(Shown(), "01/12/2024");
  EXPECT_EQ(ValueText(), "2024-12-01 00:00:00");
  EXPECT_EQ(heard, "2024-12-01 00:00:00");
  edit->SetSel(4, 4);
  KeyPress(VK_UP);
  EXPECT_EQ(Shown(), "01/01/2024");
  edit->SetSel(6, 6);
  KeyPress(VK_DOWN);
  EXPECT_EQ(Shown(), "01/01/2023");
  int a = 0, b = 0;
  edit->GetSel(a, b);
  EXPECT_EQ(a, 6);  // the caret moves to the element's start
  auto* early = Add<TDBDateTimeEditGx>(20, 100, 150, 21);
  early->SetValue(Variant::FromDateTime(EncodeDate(1, 1, 1)));
  EXPECT_EQ(early->EditText(), "01/01/0001");
  early->SetFocus();
  Pump();
  early->SetSel(7, 7);
  KeyPress(VK_DOWN);
  EXPECT_EQ(early->EditText(), "01/01/9999");
}

TEST_F(DateTimeEditTest, ArrowsCollapseASelectionToItsEnds) {
  edit->SetValue(Variant::FromDateTime(EncodeDate(2024, 5, 1)));
  Focus();
  edit->SetSel(3, 8);
  KeyPress(VK_LEFT);
  int a = 0, b = 0;
  edit->GetSel(a, b);
  EXPECT_EQ(a, 3);
  edit->SetSel(3, 8);
  KeyPress(VK_RIGHT);
  edit->GetSel(a, b);
  EXPECT_EQ(a, 7);
}

TEST_F(DateTimeEditTest, RecentValuesMatchTheTypedBeginning) {
  Focus();
  Type("0105");
  bool accept = false;
  edit->FilterMRUItem("01/05/2024", accept);
  EXPECT_TRUE(accept);
  edit->FilterMRUItem("01/06/2024", accept);
  EXPECT_FALSE(accept);
}

TEST_F(DateTimeEditTest, PaintingACopyFormatsTheField) {
  auto* ds = new TTestDataSet(form);
  ds->SetName("tblDoc");
  ds->FieldDefs().Add("BILL_DATE", ftDateTime);
  ds->AddRow({Variant::FromDateTime(EncodeDate(2024, 5, 1))});
  ds->AddRow({Variant::Null()});
  ds->Open();
  auto* source = new TDataSource(form);
  source->SetDataSet(ds);
  edit->SetDataSource(source);
  edit->SetDataField("BILL_DATE");
  edit->SetControlState(edit->ControlState() + csPaintCopy);
  EXPECT_EQ(edit->GetDisplayTextForPaint(), "01/05/2024");
  ds->Next();
  EXPECT_EQ(edit->GetDisplayTextForPaint(), "");
  edit->SetControlState(edit->ControlState() - csPaintCopy);
}

TEST_F(DateTimeEditTest, ASeparatorJumpsToTheNextElement) {
  Focus();
  Type("5");
  Type("/");
  int a = 0, b = 0;
  edit->GetSel(a, b);
  EXPECT_EQ(a, 3);
  EXPECT_EQ(b, 5);
  // The element after the next place of the separator typed, not of either separator; none
  // further on: the first element.
  struct Case {
    int caret;
    const char* key;
    int from, to;
  };
  const Case cases[] = {{0, ":", 14, 16}, {11, "/", 0, 2}, {1, "/", 3, 5}, {11, ":", 14, 16}, {18, ":", 0, 2}};
  edit->SetKind(dtkDateTimeGx);
  edit->SetValue(Variant::FromDateTime(EncodeDateTime(2024, 5, 2, 13, 45, 10, 0)));
  ASSERT_EQ(edit->EditText(), "02/05/2024 13:45:10");
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.caret) + c.key);
    edit->SetSel(c.caret, c.caret);
    Type(c.key);
    edit->GetSel(a, b);
    EXPECT_EQ(a, c.from);
    EXPECT_EQ(b, c.to);
    EXPECT_EQ(edit->EditText(), "02/05/2024 13:45:10");
  }
}

TEST_F(DateTimeEditTest, PostingKeepsTheFieldsTime) {
  auto* ds = new TTestDataSet(form);
  ds->SetName("tblDoc");
  ds->FieldDefs().Add("BILL_DATE", ftDateTime);
  ds->AddRow({Variant::FromDateTime(EncodeDateTime(2024, 5, 1, 13, 45, 0, 0))});
  ds->Open();
  auto* source = new TDataSource(form);
  source->SetDataSet(ds);
  edit->SetDataSource(source);
  edit->SetDataField("BILL_DATE");
  EXPECT_EQ(Shown(), "01/05/2024");
  Focus();
  edit->SelectAll();
  Type("02052024");
  Leave();
  EXPECT_EQ(ds->State(), dsEdit);
  EXPECT_EQ(Formatted(ds->FieldByName("BILL_DATE")->Value()), "2024-05-02 13:45:00");
}

TEST_F(DateTimeEditTest, CalendarDropsDownAndTakesTheDateWithTheOldTime) {
  edit->SetValue(Variant::FromDateTime(EncodeDateTime(2024, 5, 1, 8, 30, 0, 0)));
  Focus();
  std::vector<bool> closes;
  edit->OnCloseUp = [&](TObject*, bool accept) { closes.push_back(accept); };
  edit->DropDown();
  ASSERT_TRUE(edit->DroppedDown());
  TPopupMonthCalendarGx* cal = edit->Calendar();
  EXPECT_TRUE(IsWindowVisible(cal->Handle()));
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd", cal->Date()), "2024-05-01");
  KeyPress(VK_RIGHT);  // the calendar moves a day
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd", cal->Date()), "2024-05-02");
  // So does each whole notch of the wheel: a fine wheel's halves add up to one.
  Wheel(edit, -WHEEL_DELTA / 2);
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd", cal->Date()), "2024-05-02");
  Wheel(edit, -WHEEL_DELTA / 2);
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd", cal->Date()), "2024-05-03");
  Wheel(edit, 2 * WHEEL_DELTA);
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd", cal->Date()), "2024-05-01");
  Wheel(edit, -WHEEL_DELTA);
  KeyPress(VK_RETURN);
  EXPECT_FALSE(edit->DroppedDown());
  EXPECT_FALSE(IsWindowVisible(cal->Handle()));
  EXPECT_EQ(ValueText(), "2024-05-02 08:30:00");
  edit->DropDown();
  KeyPress(VK_RIGHT);
  KeyPress(VK_ESCAPE);
  EXPECT_EQ(ValueText(), "2024-05-02 08:30:00");
  // The main button's shortcut opens the calendar and, while it is open, closes it again
  // instead of reaching the calendar.
  KeyPress(VK_DOWN, false, false, true);
  ASSERT_TRUE(edit->DroppedDown());
  KeyPress(VK_RIGHT);
  KeyPress(VK_DOWN, false, false, true);
  EXPECT_FALSE(edit->DroppedDown());
  EXPECT_FALSE(IsWindowVisible(cal->Handle()));
  EXPECT_EQ(ValueText(), "2024-05-02 08:30:00");
  EXPECT_EQ(closes, (std::vector<bool>{true, false, false}));
}

// A date picked on one record never lands in another: the calendar closes without it when a
// program moves or closes the data set under it.
TEST_F(DateTimeEditTest, AnOpenCalendarClosesWithoutItsDateWhenTheRecordGoes) {
  auto* ds = new TTestDataSet(form);
  ds->FieldDefs().Add("BILL_DATE", ftDateTime);
  ds->AddRow({Variant::FromDateTime(EncodeDate(2024, 5, 1))});
  ds->AddRow({Variant::FromDateTime(EncodeDate(2024, 6, 1))});
  auto* source = new TDataSource(form);
  source->SetDataSet(ds);
  edit->SetDataSource(source);
  edit->SetDataField("BILL_DATE");
  Focus();
  for (bool close : {false, true}) {
    SCOPED_TRACE(close ? "closed" : "moved");
    ds->Open();
    edit->DropDown();
    KeyPress(VK_RIGHT);
    close ? ds->Close() : ds->Next();
    EXPECT_FALSE(edit->DroppedDown());
    KeyPress(VK_RETURN);
    EXPECT_EQ(ValueText(), close ? "Null" : "2024-06-01 00:00:00");
    ds->Close();
  }
}

TEST_F(DateTimeEditTest, CalendarOfAnEmptyEditorShowsToday) {
  Focus();
  edit->DropDown();
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd", edit->Calendar()->Date()), "2026-12-07");
  edit->CloseUp(true);
  EXPECT_EQ(ValueText(), "2026-12-07 00:00:00");
}

TEST_F(DateTimeEditTest, EditFormatIsStoredOnlyForTheCustomKind) {
  EXPECT_TRUE(edit->IsKindStored());
  EXPECT_FALSE(edit->IsEditFormatStored());
  RegisterDBDateTimeEditClasses();
  auto* loaded = new TDBDateTimeEditGx(form);
  ReadComponentText(loaded, "object TDBDateTimeEditGx dtBill {\n  EditFormat = \"YYYY-MM-DD HH:NN\"\n}\n");
  EXPECT_EQ(loaded->Kind(), dtkCustomGx);
  EXPECT_EQ(loaded->EditMask(), "!9999-99-99 99:99;1; ");
  EXPECT_FALSE(loaded->IsKindStored());
  EXPECT_TRUE(loaded->IsEditFormatStored());
  // Written back, the editor keeps its format and not its kind.
  std::string written = WriteComponentText(loaded);
  EXPECT_NE(written.find("EditFormat = \"YYYY-MM-DD HH:NN\""), std::string::npos) << written;
  EXPECT_EQ(written.find("Kind"), std::string::npos) << written;
}

class DateTimeEditSnapshot : public SnapshotFixture {};

TEST_F(DateTimeEditSnapshot, NormalFocusedAndDroppedDown) {
  SetToday(2026, 12, 7);
  auto* plain = new TDBDateTimeEditGx(form);
  plain->SetParent(form);
  plain->SetBounds(20, 20, 160, 21);
  plain->SetEditFormat("YYYY年MM月DD日");
  plain->SetValue(Variant::FromDateTime(EncodeDate(2026, 12, 7)));
  auto* focused = new TDBDateTimeEditGx(form);
  focused->SetParent(form);
  focused->SetBounds(20, 60, 160, 21);
  focused->SetKind(dtkDateTimeGx);
  form->Show();
  Pump();
  focused->SetFocus();
  Pump();
  Type("20240501134500");
  WriteSnapshot(form->Handle(), "datetimeedit.png");
  focused->DropDown();
  Pump();
  WriteSnapshot(form->Handle(), "datetimeedit_dropped.png");
  WriteSnapshot(focused->Calendar()->Handle(), "datetimeedit_dropped_calendar.png");
  focused->CloseUp(false);
}

}  // namespace
