// Buttons, check boxes, the scroll bar and the label.
#include "platform/forms/actnlist.h"
#include "platform/forms/menus.h"
#include "platform/forms/stdctrls.h"
#include "std_test_util.h"

using namespace formstest;

namespace {

class ButtonTest : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    form->SetBounds(10, 10, 400, 300);
    edit = new TEdit(form);
    edit->SetName("Edit1");
    edit->SetParent(form);
    edit->SetBounds(10, 10, 100, 24);
    ok = new TButton(form);
    ok->SetName("OK");
    ok->SetCaption("&OK");
    ok->SetDefault(true);
    ok->SetModalResult(mrOk);
    ok->SetParent(form);
    ok->SetBounds(10, 50, 75, 25);
    cancel = new TButton(form);
    cancel->SetName("Cancel");
    cancel->SetCaption("Cancel");
    cancel->SetCancel(true);
    cancel->SetModalResult(mrCancel);
    cancel->SetParent(form);
    cancel->SetBounds(100, 50, 75, 25);
    check = new TCheckBox(form);
    check->SetName("Check1");
    check->SetCaption("&Remember");
    check->SetParent(form);
    check->SetBounds(10, 90, 120, 17);
    Show();
  }
  UINT ButtonType(TButton* b) { return static_cast<UINT>(GetWindowLong(b->Handle(), GWL_STYLE)) & BS_TYPEMASK; }
  TEdit* edit = nullptr;
  TButton* ok = nullptr;
  TButton* cancel = nullptr;
  TCheckBox* check = nullptr;
};

TEST_F(ButtonTest, AClickSetsTheFormsModalResult) {
  int clicks = 0;
  cancel->OnClick = [&](TObject*) { ++clicks; };
  ClickAt(cancel, 10, 10);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(form->ModalResult(), mrCancel);
  EXPECT_EQ(FindControl(GetFocus()), cancel);
  // Released outside, a press is no click.
  TPoint p = ScreenPoint(cancel, 10, 10);
  TPoint out = ScreenPoint(cancel, 10, 60);
  FanoInputMouseMove(p.X, p.Y);
  FanoInputMouseButton(0, TRUE, p.X, p.Y);
  FanoInputMouseMove(out.X, out.Y);
  FanoInputMouseButton(0, FALSE, out.X, out.Y);
  Pump();
  EXPECT_EQ(clicks, 1);
  // The space bar presses the focused button.
  KeyPress(VK_SPACE);
  EXPECT_EQ(clicks, 2);
  cancel->OnClick = nullptr;
}

TEST_F(ButtonTest, EnterAndEscapeReachTheDefaultAndCancelButtons) {
  EXPECT_EQ(FindControl(GetFocus()), edit);
  EXPECT_EQ(ButtonType(ok), static_cast<UINT>(BS_DEFPUSHBUTTON));
  KeyPress(VK_RETURN);
  EXPECT_EQ(form->ModalResult(), mrOk);
  KeyPress(VK_ESCAPE);
  EXPECT_EQ(form->ModalResult(), mrCancel);
  // A focused button is the default one while it has the focus.
  cancel->SetFocus();
  Pump();
  EXPECT_EQ(ButtonType(cancel), static_cast<UINT>(BS_DEFPUSHBUTTON));
  EXPECT_EQ(ButtonType(ok), static_cast<UINT>(BS_PUSHBUTTON));
  form->SetModalResult(mrNone);
  KeyPress(VK_RETURN);
  EXPECT_EQ(form->ModalResult(), mrCancel);
  edit->SetFocus();
  Pump();
  EXPECT_EQ(ButtonType(ok), static_cast<UINT>(BS_DEFPUSHBUTTON));
  // The accelerator of the caption presses the button.
  form->SetModalResult(mrNone);
  EXPECT_EQ(ok->Perform(CM_DIALOGCHAR, 'o', 0), 1);
  EXPECT_EQ(form->ModalResult(), mrOk);
}

TEST_F(ButtonTest, CheckBoxStatesAndClicks) {
  std::vector<TCheckBoxState> seen;
  check->OnClick = [&](TObject*) { seen.push_back(check->State()); };
  HWND h = check->Handle();
  EXPECT_EQ(SendMessage(h, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  ClickAt(check, 5, 8);
  EXPECT_TRUE(check->Checked());
  EXPECT_EQ(SendMessage(h, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(FindControl(GetFocus()), check);
  KeyPress(VK_SPACE);
  EXPECT_EQ(check->State(), cbUnchecked);
  // Grayed in between when allowed.
  check->SetAllowGrayed(true);
  KeyPress(VK_SPACE);
  EXPECT_EQ(check->State(), cbGrayed);
  EXPECT_EQ(SendMessage(h, BM_GETCHECK, 0, 0), BST_INDETERMINATE);
  KeyPress(VK_SPACE);
  EXPECT_EQ(check->State(), cbChecked);
  // Setting it in code clicks as well; the same value does nothing.
  check->SetChecked(false);
  check->SetChecked(false);
  EXPECT_EQ(seen, (std::vector<TCheckBoxState>{cbChecked, cbUnchecked, cbGrayed, cbChecked, cbUnchecked}));
  // The accelerator focuses and toggles.
  edit->SetFocus();
  Pump();
  EXPECT_EQ(check->Perform(CM_DIALOGCHAR, 'r', 0), 1);
  EXPECT_EQ(FindControl(GetFocus()), check);
  EXPECT_EQ(check->State(), cbGrayed);  // AllowGrayed is still on
  check->OnClick = nullptr;
}

TEST_F(ButtonTest, ACheckBoxThatCannotTakeTheFocusIgnoresThePress) {
  // The edit refuses to let the focus go: the press on the check box is dropped.
  edit->OnExit = [&](TObject*) { edit->SetFocus(); };
  ClickAt(check, 5, 8);
  EXPECT_EQ(FindControl(GetFocus()), edit);
  EXPECT_FALSE(check->Checked());
  edit->OnExit = nullptr;
}

TEST_F(ButtonTest, AltWithTheAcceleratorReachesTheButtonsFromAnEdit) {
  ASSERT_EQ(FindControl(GetFocus()), edit);
  // Without Alt the letter is the edit's.
  KeyPress('O');
  EXPECT_EQ(edit->Text(), "o");
  EXPECT_EQ(form->ModalResult(), mrNone);
  KeyPress('O', false, false, true);
  EXPECT_EQ(form->ModalResult(), mrOk);
  KeyPress('R', false, false, true);
  EXPECT_TRUE(check->Checked());
  EXPECT_EQ(FindControl(GetFocus()), check);
  EXPECT_EQ(edit->Text(), "o");
  // A shortcut of the form's actions comes first.
  auto* list = new TActionList(form);
  auto* action = new TAction(form);
  action->SetActionList(list);
  action->SetShortCut(ShortCut('O', TShiftState{ssAlt}));
  int executed = 0;
  action->SetOnExecute([&](TObject*) { ++executed; });
  edit->SetFocus();
  form->SetModalResult(mrNone);
  KeyPress('O', false, false, true);
  EXPECT_EQ(executed, 1);
  EXPECT_EQ(form->ModalResult(), mrNone);
}

TEST_F(ButtonTest, AnExitHandlerThatRaisesKeepsTheFocusAndTheCallerReportsIt) {
  std::vector<std::string> reported;
  Application->OnException = [&](TObject*, const std::exception& e) { reported.push_back(e.what()); };
  int exits = 0, clicks = 0;
  edit->OnExit = [&](TObject*) {
    ++exits;
    throw Exception("Amount missing");
  };
  cancel->OnClick = [&](TObject*) { ++clicks; };
  // In code: the exception comes out of SetFocus.
  EXPECT_THROW(cancel->SetFocus(), Exception);
  EXPECT_EQ(form->ActiveControl(), edit);
  EXPECT_TRUE(reported.empty());
  // A click, Tab, a press into another edit: their handling reports it (ending the press), and
  // the click does not happen.
  ClickAt(cancel, 10, 10);
  KeyPress(VK_TAB);
  auto* other = Add<TEdit>(200, 10, 100, 24);
  MouseDown(other, 5, 5);
  EXPECT_EQ(GetCapture(), nullptr);
  MouseUp(other, 5, 5);
  // Also in a loop run by a handler (as a modal form's), in that loop.
  auto* combo = Add<TComboBox>(200, 50, 100, 24);
  size_t inLoop = 0;
  edit->OnKeyDown = [&](TObject*, uint16_t& key, TShiftState) {
    if (key != VK_F2) return;
    ClickAt(combo, 10, 10);  // into the combo box's edit
    inLoop = reported.size();
  };
  KeyPress(VK_F2);
  EXPECT_EQ(inLoop, 4u);
  EXPECT_EQ(FindControl(GetFocus()), edit);
  EXPECT_EQ(form->ActiveControl(), edit);
  EXPECT_EQ(clicks, 0);
  EXPECT_EQ(exits, 5);
  EXPECT_EQ(reported, (std::vector<std::string>(4, "Amount missing")));
  // The edit was not left: no second entry once it lets go.
  int enters = 0;
  edit->OnEnter = [&](TObject*) { ++enters; };
  edit->OnExit = nullptr;
  KeyPress(VK_TAB);
  EXPECT_EQ(FindControl(GetFocus()), ok);
  EXPECT_EQ(enters, 0);
  // A control that hides cannot keep the focus: the exception is only reported.
  ok->OnExit = [&](TObject*) { throw Exception("Hidden"); };
  ok->SetVisible(false);
  EXPECT_NE(FindControl(GetFocus()), ok);
  EXPECT_EQ(reported.back(), "Hidden");
  ok->OnExit = nullptr;
  edit->OnKeyDown = nullptr;
  edit->OnEnter = nullptr;
  cancel->OnClick = nullptr;
  Application->OnException = nullptr;
}

TEST_F(ButtonTest, ScrollBarPositionsAndScrolls) {
  auto* bar = new TScrollBar(form);
  bar->SetParent(form);
  bar->SetBounds(10, 150, 200, GetSystemMetrics(SM_CYHSCROLL));
  EXPECT_THROW(bar->SetParams(50, 10, 5), EInvalidOperation);
  std::vector<std::pair<TScrollCode, int>> scrolls;
  int changes = 0;
  bar->OnScroll = [&](TObject*, TScrollCode code, int& pos) { scrolls.push_back({code, pos}); };
  bar->OnChange = [&](TObject*) { ++changes; };
  bar->SetParams(5, 0, 20);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(GetScrollPos(bar->Handle(), SB_CTL), 5);
  bar->SetSmallChange(2);
  bar->SetLargeChange(5);
  // The right arrow and the track right of the thumb.
  ClickAt(bar, bar->Width() - 3, 5);
  EXPECT_EQ(bar->Position(), 7);
  ASSERT_FALSE(scrolls.empty());
  EXPECT_EQ(scrolls.front(), std::make_pair(scLineDown, 7));
  ClickAt(bar, bar->Width() - 30, 5);
  EXPECT_EQ(bar->Position(), 12);
  // With a page, the last position leaves the page inside the range.
  bar->SetPageSize(10);
  bar->Perform(CN_HSCROLL, SB_BOTTOM, 0);
  EXPECT_EQ(bar->Position(), 11);
  bar->SetKind(sbVertical);
  EXPECT_EQ(bar->Width(), GetSystemMetrics(SM_CYHSCROLL));
  EXPECT_EQ(bar->Height(), 200);
  EXPECT_NE(GetWindowLong(bar->Handle(), GWL_STYLE) & SBS_VERT, 0);
}

TEST_F(ButtonTest, LabelSizesToItsCaption) {
  auto* label = new TLabel(form);
  label->SetParent(form);
  label->SetBounds(100, 200, 10, 10);
  label->SetCaption("名称&A");  // the & does not show
  EXPECT_EQ(label->Width(), 2 * 12 + 6);
  EXPECT_EQ(label->Height(), 12);
  // Right-aligned, it grows to the left.
  label->SetAlignment(taRightJustify);
  int right = label->Left() + label->Width();
  label->SetCaption("longer text");
  EXPECT_EQ(label->Left() + label->Width(), right);
  // Word wrap keeps the width and adds lines.
  label->SetCaption("ab cd ef");
  label->SetWordWrap(true);
  label->SetAutoSize(false);
  label->SetWidth(30);
  label->SetAutoSize(true);
  EXPECT_EQ(label->Width(), 30);
  EXPECT_EQ(label->Height(), 24);
  // The accelerator focuses the label's control.
  label->SetCaption("&Name");
  label->SetFocusControl(cancel);
  EXPECT_EQ(label->Perform(CM_DIALOGCHAR, 'n', 0), 1);
  Pump();
  EXPECT_EQ(FindControl(GetFocus()), cancel);
  cancel->Free();
  EXPECT_EQ(label->FocusControl(), nullptr);
  cancel = nullptr;
}

}  // namespace
