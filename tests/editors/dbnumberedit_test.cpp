// The number editor: bounds, decimal places, rounding of pasted values, grouping while typing,
// stepping and the calculator drop-down.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "dbeditor_fixture.h"
#include "editors/dbnumberedit.h"
#include "memtable/memtable.h"
#include "platform/rtl/sysutils.h"
#include "platform/db/testdataset.h"
#include "platform/forms/clipbrd.h"

using namespace dbfix;

namespace {

class NumberEditTest : public EditorFixture {
 protected:
  void SetUp() override {
    EditorFixture::SetUp();
    edit = Add<TDBNumberEditGx>(20, 20, 150, 21);
  }
  void Focus() {
    Show();
    edit->SetFocus();
    Pump();
  }
  std::string Shown() const { return edit->EditText(); }
  double Number() const { return edit->Value().AsDouble(); }
  void Paste(const char* text) {
    Clipboard()->SetAsText(text);
    edit->SelectAll();
    SendMessage(edit->Handle(), WM_PASTE, 0, 0);
    Pump();
  }
  TDBNumberEditGx* edit = nullptr;
};

TEST_F(NumberEditTest, StartsEmptyAndRightAligned) {
  EXPECT_TRUE(edit->Value().IsNull());
  EXPECT_EQ(edit->DecimalPlaces(), 2u);
  EXPECT_EQ(edit->Increment(), 1.0);
  EXPECT_EQ(edit->Alignment(), taRightJustify);
  edit->HandleNeeded();
  EXPECT_TRUE(GetWindowLong(edit->Handle(), GWL_STYLE) & ES_RIGHT);
  EXPECT_EQ(edit->EditButton()->ShortCut(), 32808);  // Alt+Down drops the calculator
}

TEST_F(NumberEditTest, BoundsFromZeroRefuseTheMinusSignAndClampTypedValues) {
  edit->SetMinValue(0);
  edit->SetMaxValue(100);
  Focus();
  Type("-");
  EXPECT_EQ(Shown(), "");
  Type("150");
  EXPECT_EQ(Shown(), "150");
  EXPECT_EQ(Number(), 100);
  // What the calculator hands back is bounded and rounded as typed text is.
  edit->DropDown();
  Type("/3=");
  KeyPress(VK_RETURN);
  EXPECT_EQ(Shown(), "33.33");
  edit->DropDown();
  Type("*9=");
  KeyPress(VK_RETURN);
  EXPECT_EQ(Number(), 100);
  edit->SetValue(Variant(-5.0));
  EXPECT_EQ(Number(), -5.0);  // a value set from outside is shown as it is
}

TEST_F(NumberEditTest, ReversedBoundsKeepOnlyTheOneThatIsNotZero) {
  edit->SetMinValue(10);
  edit->SetMaxValue(0);
  Focus();
  Type("3");
  EXPECT_EQ(Number(), 10);
  edit->SelectAll();
  Type("5000");
  EXPECT_EQ(Number(), 5000);
  // A sign alone reads 0, not yet held to the bounds.
  edit->SelectAll();
  Type("-");
  EXPECT_EQ(Shown(), "-");
  EXPECT_EQ(Number(), 0);
  edit->SetMinValue(-100);
  edit->SetMaxValue(-5);
  edit->SelectAll();
  Type("+");
  EXPECT_EQ(Number(), 0);
  Type("7");
  EXPECT_EQ(Number(), -5);
}

TEST_F(NumberEditTest, DecimalPlacesLimitTyping) {
  Focus();
  Type("1.25");
  Type("7");  // a third decimal
  EXPECT_EQ(Shown(), "1.25");
  EXPECT_DOUBLE_EQ(Number(), 1.25);
  Type("x");
  EXPECT_EQ(Shown(), "1.25");
  edit->SelectAll();
  Type("2,5");  // a comma is taken as the decimal separator
  EXPECT_EQ(Shown(), "2.5");
}

TEST_F(NumberEditTest, PastedValuesAreRoundedHalfToEven) {
  edit->SetDecimalPlaces(0);
  Focus();
  Paste("2.5");
  EXPECT_EQ(Number(), 2);
  Paste("3.5");
  EXPECT_EQ(Number(), 4);
  edit->SetDecimalPlaces(2);
  Paste("0.125");
  EXPECT_DOUBLE_EQ(Number(), 0.12);
  Paste("not a number");  // refused: nothing changes
  EXPECT_DOUBLE_EQ(Number(), 0.12);
}

TEST_F(NumberEditTest, HugeValuesSurviveManyDecimalPlaces) {
  edit->SetDecimalPlaces(37);
  edit->SetValue(Variant(1e300));
  EXPECT_EQ(Number(), 1e300);
  EXPECT_EQ(edit->ConstrainValue(1e300), 1e300);
  EXPECT_FALSE(std::isinf(edit->ConstrainValue(-1e300)));
}

TEST_F(NumberEditTest, GroupingFollowsTypingWithTheCaretKept) {
  edit->SetDisplayFormat(",0.00");
  EXPECT_EQ(edit->EditFormat(), ",0.00");
  Focus();
  Type("1234567");
  EXPECT_EQ(Shown(), "1,234,567");
  EXPECT_EQ(edit->SelStart(), 9);
  EXPECT_EQ(Number(), 1234567);
  Type(".5");
  EXPECT_EQ(Shown(), "1,234,567.5");
  // Backspace right after a separator steps over it.
  edit->SetSelStart(2);
  edit->SetSelLength(0);
  KeyPress(VK_BACK);
  EXPECT_EQ(Shown(), "1,234,567.5");
  EXPECT_EQ(edit->SelStart(), 1);
}

// OnChange and the editor's image see the value of the text just typed.
TEST_F(NumberEditTest, OnChangeAndTheImageSeeTheTypedValue) {
  auto* images = new TImageList(form);
  images->SetWidth(16);
  images->SetHeight(16);
  edit->SetImages(images);
  std::vector<Variant> seen;
  edit->OnChange = [&](TObject*) { seen.push_back(edit->Value()); };
  edit->SetDisplayFormat(",0");  // grouping: the fourth digit changes the text once more
  Focus();
  struct Case {
    const char* typed;
    double value;
    int image;
  };
  const Case cases[] = {{"3", 3, 3}, {"4", 34, 34}, {"5", 345, 345}, {"6", 3456, 3456}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    seen.clear();
    Type(c.typed);
    ASSERT_FALSE(seen.empty());
    for (const Variant& v : seen) {
      ASSERT_FALSE(v.IsNull());
      EXPECT_EQ(v.AsDouble(), c.value);
    }
    EXPECT_EQ(edit->EditImage()->ImageIndex(), c.image);
  }
  EXPECT_EQ(Shown(), "3,456");
}

TEST_F(NumberEditTest, UnfocusedShowsTheDisplayFormat) {
  edit->SetDisplayFormat(",0.00");
  edit->SetValue(Variant(1234.5));
  EXPECT_EQ(Shown(), "1,234.50");
  edit->SetDisplayFormat("");
  edit->SetCurrency(true);
  EXPECT_EQ(Shown(), "¥1,234.50");
  edit->SetCurrency(false);
  EXPECT_EQ(Shown(), "1234.5");
  edit->SetValue(Variant::Null());
  EXPECT_EQ(Shown(), "");
}

TEST_F(NumberEditTest, ArrowsStepByTheIncrementFromEmpty) {
  Focus();
  KeyPress(VK_DOWN);
  EXPECT_EQ(Number(), 1);  // an empty editor takes the increment, both ways
  KeyPress(VK_UP);
  KeyPress(VK_UP);
  EXPECT_EQ(Number(), 3);
  edit->SetIncrement(0.5);
  KeyPress(VK_DOWN);
  EXPECT_EQ(Number(), 2.5);
  Wheel(edit, WHEEL_DELTA);
  EXPECT_EQ(Number(), 3);
  edit->SetMaxValue(3.2);
  KeyPress(VK_UP);
  EXPECT_DOUBLE_EQ(Number(), 3.2);
  edit->SetReadOnly(true);  // steps by neither
  KeyPress(VK_DOWN);
  Wheel(edit, -WHEEL_DELTA);
  EXPECT_DOUBLE_EQ(Number(), 3.2);
  edit->SetReadOnly(false);
  edit->SetIncrement(0);
  KeyPress(VK_DOWN);
  EXPECT_DOUBLE_EQ(Number(), 3.2);
}

TEST_F(NumberEditTest, UpDownButtonSteps) {
  edit->EditButton()->SetStyle(ebsUpDownGx);
  edit->EditButton()->SetVisible(true);
  edit->SetValue(Variant(5.0));
  edit->ButtonDownDefault(false);
  EXPECT_EQ(Number(), 6);
  edit->ButtonDownDefault(true);
  edit->ButtonDownDefault(true);
  EXPECT_EQ(Number(), 4);
  EXPECT_FALSE(edit->CalculatorVisible());
}

TEST_F(NumberEditTest, CalculatorDropsDownWithTheValueAndHandsBackTheResult) {
  edit->SetValue(Variant(12.0));
  Focus();
  edit->DropDown();
  ASSERT_TRUE(edit->CalculatorVisible());
  TPopupCalculatorGx* calc = edit->Calculator();
  EXPECT_EQ(calc->DisplayText(), "12");
  EXPECT_TRUE(IsWindowVisible(calc->Handle()));
  // The wheel over the editor steps the calculator by whole notches: a fine wheel's halves add up
  // to one, a turn of two notches steps twice.
  Wheel(edit, WHEEL_DELTA / 2);
  EXPECT_EQ(calc->DisplayText(), "12");
  Wheel(edit, WHEEL_DELTA / 2);
  EXPECT_EQ(calc->DisplayText(), "13");
  Wheel(edit, -2 * WHEEL_DELTA);
  EXPECT_EQ(calc->DisplayText(), "11");
  Type("+3");  // typed keys go to the calculator
  EXPECT_EQ(calc->DisplayText(), "3");
  EXPECT_EQ(Number(), 12);
  KeyPress(VK_RETURN);  // "=" is pending: Enter calculates
  EXPECT_EQ(calc->DisplayText(), "14");
  EXPECT_TRUE(edit->CalculatorVisible());
  KeyPress(VK_RETURN);  // now it closes and hands the value back
  EXPECT_FALSE(edit->CalculatorVisible());
  EXPECT_FALSE(IsWindowVisible(calc->Handle()));
  EXPECT_EQ(Number(), 14);
}

// The main button is hidden, but its shortcut still opens the calculator instead of stepping,
// and closes it again without taking its value; with the calculator open, a button's shortcut
// presses the button instead of reaching the calculator.
TEST_F(NumberEditTest, AltDownOpensAndClosesTheCalculatorThroughTheHiddenButton) {
  ASSERT_FALSE(edit->EditButton()->Visible());
  TEditButtonGx* extra = edit->EditButtons()->Add();
  extra->SetVisible(true);
  extra->SetShortCut(TextToShortCut("Ctrl+E"));
  int clicks = 0;
  extra->OnClick = [&](TObject*, bool& handled) {
    ++clicks;
    handled = true;
  };
  edit->SetValue(Variant(2.0));
  Focus();
  KeyPress(VK_DOWN, false, false, true);
  EXPECT_TRUE(edit->CalculatorVisible());
  EXPECT_EQ(Number(), 2);
  Type("5");
  KeyPress('E', false, true);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(edit->Calculator()->DisplayText(), "5");
  KeyPress(VK_DOWN, false, false, true);
  EXPECT_FALSE(edit->CalculatorVisible());
  EXPECT_EQ(Number(), 2);
}

// While the calculator is open, the keys it takes never reach the hidden text: Delete clears the
// calculator, and the value stays until the calculator hands one back.
TEST_F(NumberEditTest, KeysUnderAnOpenCalculatorGoToIt) {
  struct Case {
    UINT key;
    const char* shown;  // the calculator's display afterwards
  };
  const Case cases[] = {{VK_DELETE, "0"}, {VK_HOME, "7"}, {VK_END, "7"}, {VK_RIGHT, "7"}, {VK_BACK, "0"}};
  edit->SetValue(Variant(1234.5));
  Focus();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    edit->DropDown();
    Type("7");
    edit->SetSelStart(0);
    KeyPress(c.key);
    EXPECT_EQ(edit->Calculator()->DisplayText(), c.shown);
    EXPECT_EQ(Number(), 1234.5);
    KeyPress(VK_ESCAPE);
    EXPECT_FALSE(edit->CalculatorVisible());
    EXPECT_EQ(Number(), 1234.5);
  }
}

TEST_F(NumberEditTest, CalculatorOnAnEmptyEditorStartsAtZeroAndEscapeKeepsTheValue) {
  Focus();
  edit->DropDown();
  EXPECT_EQ(edit->Calculator()->DisplayText(), "0");
  Type("7");
  KeyPress(VK_ESCAPE);
  EXPECT_FALSE(edit->CalculatorVisible());
  EXPECT_TRUE(edit->Value().IsNull());
  edit->DropDown();
  Type("1/0=");  // an error hands nothing back
  edit->CloseUp(true);
  EXPECT_TRUE(edit->Value().IsNull());
}

TEST_F(NumberEditTest, EscapeClosingTheCalculatorKeepsWhatWasTyped) {
  Focus();
  Type("5");
  edit->DropDown();
  Type("7");
  KeyPress(VK_ESCAPE);  // closes the calculator only: the typed 5 is not reset
  EXPECT_FALSE(edit->CalculatorVisible());
  EXPECT_EQ(Number(), 5);
  EXPECT_EQ(Shown(), "5");
  KeyPress(VK_ESCAPE);  // a second Escape resets the editor
  EXPECT_TRUE(edit->Value().IsNull());
}

TEST_F(NumberEditTest, BoundToAFloatField) {
  auto* ds = new TTestDataSet(form);
  ds->SetName("tblLines");
  ds->FieldDefs().Add("AMOUNT", ftFloat);
  ds->AddRow({Variant(2.5)});
  ds->Open();
  auto* source = new TDataSource(form);
  source->SetDataSet(ds);
  edit->SetDataSource(source);
  edit->SetDataField("AMOUNT");
  EXPECT_EQ(Number(), 2.5);
  edit->SetValue(Variant(7.25));
  EXPECT_EQ(ds->State(), dsEdit);
  EXPECT_EQ(ds->FieldByName("AMOUNT")->AsFloat(), 7.25);
  edit->SetValue(Variant::Null());
  EXPECT_TRUE(ds->FieldByName("AMOUNT")->IsNull());
}

// A calculator opened on one record hands nothing to another: when a program moves the data set,
// adds a record or closes it, the calculator closes without its value and the editor shows the
// new data; the Enter that follows writes nothing.
TEST_F(NumberEditTest, AnOpenCalculatorClosesWithoutItsValueWhenTheRecordGoes) {
  auto* ds = new TTestDataSet(form);
  ds->FieldDefs().Add("AMOUNT", ftFloat);
  ds->AddRow({Variant(2.5)});
  ds->AddRow({Variant(4.0)});
  auto* source = new TDataSource(form);
  source->SetDataSet(ds);
  edit->SetDataSource(source);
  edit->SetDataField("AMOUNT");
  struct Case {
    const char* name;
    std::function<void()> go;
    const char* shown;
  };
  const Case cases[] = {{"moved", [&] { ds->Next(); }, "4"},
                        {"appended", [&] { ds->Append(); }, ""},
                        {"closed", [&] { ds->Close(); }, ""}};
  Focus();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ds->Open();
    edit->DropDown();
    Type("7");
    c.go();
    EXPECT_FALSE(edit->CalculatorVisible());
    EXPECT_EQ(Shown(), c.shown);
    KeyPress(VK_RETURN);
    EXPECT_EQ(Shown(), c.shown);
    if (ds->Active()) {
      EXPECT_EQ(ds->FieldByName("AMOUNT")->AsString(), c.shown);
    }
    ds->Close();
  }
}

TEST_F(NumberEditTest, FieldSettingsApplyUntilTheEditorSetsItsOwn) {
  auto* ds = new TTestDataSet(form);
  ds->SetName("tblLines");
  ds->FieldDefs().Add("QTY", ftInteger);
  ds->AddRow({Variant(1500)});
  ds->Open();
  auto* qty = static_cast<TIntegerField*>(ds->FieldByName("QTY"));
  qty->SetDisplayFormat("#,##0 'pcs'");
  qty->SetMinValue(0);
  qty->SetMaxValue(2000);
  auto* source = new TDataSource(form);
  source->SetDataSet(ds);
  edit->SetDataSource(source);
  edit->SetDataField("QTY");
  EXPECT_EQ(edit->DisplayFormat(), "#,##0 'pcs'");
  EXPECT_EQ(edit->EditFormat(), "#,##0");
  EXPECT_EQ(Shown(), "1,500 pcs");
  EXPECT_EQ(edit->MaxValue(), 2000);
  EXPECT_EQ(edit->ConstrainValue(5000), 2000);
  EXPECT_FALSE(edit->IsMaxValueStored());
  edit->SetMaxValue(3000);
  EXPECT_TRUE(edit->IsMaxValueStored());
  EXPECT_EQ(edit->ConstrainValue(5000), 3000);
}

// An editor bound to an aggregate (a footer's sum, say) takes its display format and currency
// flag as it takes a numeric field's.
TEST_F(NumberEditTest, AnAggregateFieldGivesItsDisplayFormatAndCurrency) {
  struct Case {
    const char* format;
    bool currency;
    std::string shown;
  };
  const Case cases[] = {
      {"#,##0.000", false, "1,247.000"},
      {"", true, CurrToStrF(Currency::FromDouble(1247), ffCurrency, FormatSettings.CurrencyDecimals)},
      {"", false, "1247"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.shown);
    auto* table = new TMemTableGx(form);
    table->FieldDefs().Add("AMOUNT", ftFloat);
    table->FieldDefs().Items(0)->CreateField(table);
    auto* total = new TAggregateField(table);
    total->SetFieldName("TOTAL");
    total->SetExpression("SUM(AMOUNT)");
    total->SetDisplayFormat(c.format);
    total->SetCurrency(c.currency);
    total->SetActive(true);
    total->SetDataSet(table);
    table->CreateDataSet();
    for (double amount : {1000.0, 247.0}) {
      table->Append();
      table->FieldByName("AMOUNT")->SetValue(amount);
      table->Post();
    }
    table->SetAggregatesActive(true);
    auto* source = new TDataSource(form);
    source->SetDataSet(table);
    edit->SetDataSource(source);
    edit->SetDataField("TOTAL");
    EXPECT_EQ(edit->DisplayFormat(), c.format);
    EXPECT_EQ(edit->currency(), c.currency);
    EXPECT_EQ(Shown(), c.shown);
    edit->SetDataSource(nullptr);
  }
}

class NumberEditSnapshot : public SnapshotFixture {};

TEST_F(NumberEditSnapshot, NormalFocusedAndDroppedDown) {
  auto* plain = new TDBNumberEditGx(form);
  plain->SetParent(form);
  plain->SetBounds(20, 20, 160, 21);
  plain->EditButton()->SetVisible(true);
  plain->SetDisplayFormat("¥,0.00");
  plain->SetValue(Variant(1234567.5));
  auto* focused = new TDBNumberEditGx(form);
  focused->SetParent(form);
  focused->SetBounds(20, 60, 160, 21);
  focused->EditButton()->SetVisible(true);
  focused->SetDisplayFormat(",0.00");
  form->Show();
  Pump();
  focused->SetFocus();
  Pump();
  Type("98765.4");
  WriteSnapshot(form->Handle(), "numberedit.png");
  focused->DropDown();
  Pump();
  WriteSnapshot(form->Handle(), "numberedit_dropped.png");
  WriteSnapshot(focused->Calculator()->Handle(), "numberedit_dropped_calculator.png");
  focused->CloseUp(false);
}

}  // namespace
