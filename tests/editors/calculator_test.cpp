// The calculator control read from its resource, its buttons and keys, and the drop-down
// calculator talking to its owner.
#include <gtest/gtest.h>

#include <vector>

#include "dbeditor_fixture.h"
#include "editors/calculator.h"
#include "platform/classes/filer.h"
#include "platform/forms/clipbrd.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/sysutils.h"

using namespace dbfix;

namespace {

// The owner a drop-down calculator tells to close.
class TCloseRecorder : public TComponent, public IPopupControlOwnerGx {
 public:
  TCloseRecorder() : TComponent(nullptr) {}
  void CloseUp(bool accept) override { closes.push_back(accept); }
  std::vector<bool> closes;
};

class CalculatorTest : public EditorFixture {
 protected:
  TCalculatorGx* AddCalculator() {
    auto* calc = new TCalculatorGx(form);
    calc->SetParent(form);
    calc->SetLeft(10);
    calc->SetTop(10);
    return calc;
  }
  static void Click(TCalculatorGx* calc, int tag) {
    TSpeedButtonGx* b = calc->ButtonOfTag(tag);
    ASSERT_NE(b, nullptr) << "tag " << tag;
    ClickAt(b, b->Width() / 2, b->Height() / 2);
  }
};

TEST_F(CalculatorTest, ResourceGivesTheDisplayAndTwentyThreeButtons) {
  TCalculatorGx* calc = AddCalculator();
  ASSERT_NE(calc->Panel1, nullptr);
  ASSERT_NE(calc->TextBox, nullptr);
  ASSERT_NE(calc->spEqual, nullptr);
  EXPECT_EQ(calc->TextBox->Caption(), "0");
  EXPECT_EQ(calc->TextBox->Alignment(), taRightJustify);
  EXPECT_EQ(calc->TextBox->Parent(), calc->Panel1);
  EXPECT_EQ(calc->spEqual->Caption(), "Ok");
  EXPECT_EQ(calc->spEqual->Tag(), 23);
  const char* captions[] = {"",  "7", "8", "9",  "/", "sqrt", "C",   "4", "5",   "6", "*",  "%",
                            "Cancel", "1", "2", "3", "-", "1/x", "<-", "0", "+/-", ".", "+", "Ok"};
  for (int tag = 1; tag <= 23; ++tag) {
    TSpeedButtonGx* b = calc->ButtonOfTag(tag);
    ASSERT_NE(b, nullptr) << tag;
    EXPECT_EQ(b->Caption(), captions[tag]) << tag;
    EXPECT_EQ(b->Style(), ebsGlyphGx);
    EXPECT_TRUE(b->Active());
    EXPECT_EQ(b->Parent(), calc);
  }
  EXPECT_EQ(calc->ButtonOfTag(1)->Font()->Color(), clBlue);
  EXPECT_EQ(calc->ButtonOfTag(4)->Font()->Color(), clRed);
}

TEST_F(CalculatorTest, ResourceIsScaledByTheFontsTextHeight) {
  // The test font makes "0" 11 pixels high for the resource's font; the resource was laid out for 13.
  TCalculatorGx* calc = AddCalculator();
  EXPECT_EQ(calc->TextHeight(), 11);
  EXPECT_EQ(calc->DesignClientWidth(), MulDiv(184, 11, 13));
  EXPECT_EQ(calc->DesignClientHeight(), MulDiv(127, 11, 13));
  EXPECT_EQ(calc->Width(), calc->DesignClientWidth());  // bsNone: no frame
  EXPECT_EQ(calc->Height(), calc->DesignClientHeight());
  TSpeedButtonGx* seven = calc->ButtonOfTag(1);
  EXPECT_EQ(seven->Left(), MulDiv(6, 11, 13));
  EXPECT_EQ(seven->Width(), MulDiv(27, 11, 13));
  EXPECT_EQ(calc->ButtonOfTag(23)->Width(), MulDiv(56, 11, 13));
  EXPECT_EQ(calc->TextBox->Width(), MulDiv(166, 11, 13));
}

TEST_F(CalculatorTest, AResourceMadeAtOtherPixelsPerInchScalesTheFontFirst) {
  TCalculatorGx* calc = AddCalculator();
  const int width = calc->ButtonOfTag(1)->Width();
  // Read again as if laid out at 192 pixels per inch: the font halves, then the layout follows
  // the new text height.
  ReadComponentText(calc, "object TCalculatorGx Calculator {\n  PixelsPerInch = 192\n}\n");
  EXPECT_EQ(calc->Font()->Height(), MulDiv(-11, 96, 192));
  EXPECT_EQ(calc->PixelsPerInch(), 96);
  EXPECT_EQ(calc->TextHeight(), 6);
  EXPECT_EQ(calc->ButtonOfTag(1)->Width(), MulDiv(width, 6, 11));
  EXPECT_EQ(calc->ButtonOfTag(1)->Font()->Height(), MulDiv(-11, 96, 192));  // own fonts too
}

TEST_F(CalculatorTest, ButtonsSendTheirKeys) {
  TCalculatorGx* calc = AddCalculator();
  Show();
  for (int tag : {13, 14, 22, 15}) Click(calc, tag);  // 1 2 + 3
  EXPECT_EQ(calc->TextBox->Caption(), "3");
  EXPECT_EQ(calc->spEqual->Caption(), "=");
  Click(calc, 23);
  EXPECT_EQ(calc->TextBox->Caption(), "15");
  EXPECT_EQ(calc->spEqual->Caption(), "Ok");
  calc->SpeedButtonClick(calc->ButtonOfTag(12));  // Cancel sends a key the calculator ignores
  EXPECT_EQ(calc->TextBox->Caption(), "15");
  TSpeedButtonGx* clear = calc->ButtonOfTag(6);  // the tall C covers Cancel
  ClickAt(clear, clear->Width() / 2, clear->Height() * 3 / 4);
  EXPECT_EQ(calc->TextBox->Caption(), "0");
}

TEST_F(CalculatorTest, TypedKeysAndTheDeleteKey) {
  TCalculatorGx* calc = AddCalculator();
  Show();
  calc->SetFocus();
  Pump();
  Type("5/0=");
  EXPECT_EQ(calc->TextBox->Caption(), "Error");
  Type("7");
  EXPECT_EQ(calc->TextBox->Caption(), "Error");
  KeyPress(VK_DELETE);
  EXPECT_EQ(calc->TextBox->Caption(), "0");
  EXPECT_EQ(calc->State(), csFirstGx);
}

TEST_F(CalculatorTest, CopyAndPasteGoThroughTheClipboard) {
  TCalculatorGx* calc = AddCalculator();
  calc->SetValue(12.5);
  calc->CalcKey(3);
  EXPECT_EQ(Clipboard()->AsText(), "12.5");
  Clipboard()->SetAsText("  42 ");
  calc->CalcKey(22);
  EXPECT_EQ(calc->TextBox->Caption(), "42");
  Clipboard()->SetAsText("abc");
  EXPECT_THROW(calc->Paste(), EConvertError);
  EXPECT_EQ(calc->TextBox->Caption(), "42");
}

TEST_F(CalculatorTest, DropDownClosesWithOkEnterOrEscape) {
  TCloseRecorder owner;
  auto* calc = new TPopupCalculatorGx(&owner);
  calc->SetValue(Variant(7.25));
  EXPECT_EQ(calc->TextBox->Caption(), "7.25");
  EXPECT_TRUE(calc->AcceptValue());
  calc->CalcKey(13);  // Enter right after opening takes the shown value
  ASSERT_EQ(owner.closes, std::vector<bool>{true});
  EXPECT_DOUBLE_EQ(calc->GetValue().AsDouble(), 7.25);

  calc->CalcKey('+');
  calc->CalcKey('1');
  EXPECT_FALSE(calc->AcceptValue());
  calc->CalcKey('=');  // pending: "=" calculates instead of closing
  EXPECT_EQ(owner.closes.size(), 1u);
  EXPECT_EQ(calc->TextBox->Caption(), "8.25");

  uint16_t key = VK_ESCAPE;
  calc->KeyDown(key, TShiftState{});
  EXPECT_EQ(key, 0);
  EXPECT_EQ(owner.closes, (std::vector<bool>{true, false}));
  EXPECT_EQ(calc->Perform(CM_WANTSPECIALKEY, VK_RETURN, 0), 1);
  EXPECT_EQ(owner.closes.back(), true);
  calc->Perform(WM_POPUPCLOSEUP, 0, 0);
  EXPECT_EQ(owner.closes.back(), false);
  calc->Free();
}

TEST_F(CalculatorTest, DropDownValueInterface) {
  TCloseRecorder owner;
  auto* calc = new TPopupCalculatorGx(&owner);
  IPopupValueBoxGx* box = calc;
  EXPECT_TRUE(box->GetFlat());
  box->SetFlat(false);
  EXPECT_FALSE(calc->ButtonOfTag(1)->Flat());
  box->SetValue(Variant::Null());
  EXPECT_EQ(calc->TextBox->Caption(), "0");
  box->SetValue(Variant(3));
  EXPECT_EQ(box->GetValue().VarType(), varDouble);
  calc->CalcKey('/');
  calc->CalcKey('0');
  calc->CalcKey('=');
  Variant v = box->GetValue();
  EXPECT_EQ(v.VarType(), varError);
  EXPECT_TRUE(v == Variant::FromError(-1));
  box->SetValue(Variant(2));  // starts afresh out of the error
  EXPECT_EQ(calc->State(), csFirstGx);
  EXPECT_EQ(calc->TextBox->Caption(), "2");
  calc->Free();
}

TEST_F(CalculatorTest, DropDownWheelStepsByOneExceptInError) {
  TCloseRecorder owner;
  auto* calc = new TPopupCalculatorGx(&owner);
  calc->SetValue(Variant(5));
  calc->Perform(WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
  EXPECT_EQ(calc->TextBox->Caption(), "6");
  calc->Perform(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<uint16_t>(-WHEEL_DELTA)), 0);
  calc->Perform(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<uint16_t>(-WHEEL_DELTA)), 0);
  EXPECT_EQ(calc->TextBox->Caption(), "4");
  // A grid cell hands its open calculator the wheel as CM_MOUSEWHEEL.
  EXPECT_EQ(calc->Perform(CM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0), 1);
  EXPECT_EQ(calc->TextBox->Caption(), "5");
  calc->Perform(CM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<uint16_t>(-WHEEL_DELTA)), 0);
  EXPECT_EQ(calc->TextBox->Caption(), "4");
  calc->CalcKey('R');
  calc->CalcKey('0');
  calc->CalcKey('R');
  EXPECT_EQ(calc->TextBox->Caption(), "Error");
  calc->Perform(WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
  EXPECT_EQ(calc->TextBox->Caption(), "Error");
  calc->Free();
}

TEST_F(CalculatorTest, DropDownIsAPopupWithAFrame) {
  TCloseRecorder owner;
  auto* calc = new TPopupCalculatorGx(&owner);
  calc->HandleNeeded();
  LONG style = GetWindowLong(calc->Handle(), GWL_STYLE);
  EXPECT_TRUE(style & WS_POPUP);
  EXPECT_FALSE(style & WS_CHILD);
  EXPECT_TRUE(GetWindowLong(calc->Handle(), GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
  EXPECT_EQ(calc->Width(), calc->DesignClientWidth() + 4);
  EXPECT_EQ(calc->ClientWidth(), calc->DesignClientWidth());
  EXPECT_EQ(calc->Perform(WM_MOUSEACTIVATE, 0, 0), MA_NOACTIVATE);
  EXPECT_FALSE(calc->TabStop());
  calc->Free();
}

class CalculatorSnapshot : public SnapshotFixture {};

TEST_F(CalculatorSnapshot, CalculatorAndDropDown) {
  auto* calc = new TCalculatorGx(form);
  calc->SetParent(form);
  calc->SetLeft(10);
  calc->SetTop(10);
  form->Show();
  Pump();
  calc->CalcKey('1');
  calc->CalcKey('2');
  calc->CalcKey('+');
  calc->CalcKey('3');
  Pump();
  WriteSnapshot(form->Handle(), "calculator.png");

  TCloseRecorder owner;
  auto* popup = new TPopupCalculatorGx(&owner);
  popup->SetValue(Variant(1234.5));
  ShowDropDown(popup, TPoint(300, 300));
  Pump();
  EXPECT_TRUE(popup->Panel1->Showing());  // the display's window shows with the drop-down
  WriteSnapshot(popup->Handle(), "calculator_dropdown.png");
  popup->Free();
}

}  // namespace
