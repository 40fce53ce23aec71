// The editor's buttons (layout, presses, shortcuts, drop-down and close-up rules), its list of
// recent values and its tool tips.
#include <gtest/gtest.h>

#include <functional>

#include "editor_fixture.h"
#include "platform/classes/filer.h"
#include "editors/dbcombobox.h"
#include "editors/dbdatetime.h"
#include "editors/dbeditbase.h"
#include "editors/dbnumberedit.h"
#include "platform/rtl/exceptions.h"
#include "platform/forms/menus.h"

using namespace edtest;

namespace {

// An editor that drops down something of its own.
class TDropEdit : public TCustomDBEditGx {
 public:
  explicit TDropEdit(TComponent* owner) : TCustomDBEditGx(owner) { EditButton()->SetVisible(true); }
  int drops = 0, closes = 0;
  bool lastAccept = true;
  void DropDown() override {
    TCustomDBEditGx::DropDown();
    SetDroppedDown(true);
    ++drops;
  }
  void CloseUp(bool accept) override {
    ++closes;
    lastAccept = accept;
    TCustomDBEditGx::CloseUp(accept);
  }
};

class DBEditButtons : public EditorTest {};

TEST_F(DBEditButtons, ButtonsSitAtTheRightInOrderAndNarrowTheEditRect) {
  auto* e = Add<TDropEdit>(10, 10, 160, 21);
  TEditButtonGx* extra = e->EditButtons()->Add();
  extra->SetVisible(true);
  extra->SetStyle(ebsEllipsisGx);
  Show();
  ASSERT_EQ(e->ButtonControlCount(), 2);
  int w = GetSystemMetrics(SM_CXVSCROLL);
  TEditButtonControlGx* main = e->ButtonControl(0);
  TEditButtonControlGx* second = e->ButtonControl(1);
  EXPECT_EQ(second->Left() + second->Width(), e->ClientWidth());
  EXPECT_EQ(second->Width(), w);
  EXPECT_EQ(main->Left() + main->Width(), second->Left());
  EXPECT_EQ(second->Style(), ebsEllipsisGx);
  EXPECT_EQ(e->ButtonsWidth(), 2 * w);
  EXPECT_EQ(e->GetEditRect().Right, e->ClientWidth() - 2 * w);
  EXPECT_FALSE(e->ButtonSeparator(0)->Visible());
  extra->SetWidth(30);
  EXPECT_EQ(e->ButtonControl(1)->Width(), 30);
  extra->SetVisible(false);
  EXPECT_EQ(e->ButtonsWidth(), w);
  e->EditButtons()->Clear();
  EXPECT_EQ(e->ButtonControlCount(), 1);
}

// Each button control's tag is its entry: 0 for the main button, i for EditButtons[i-1], also
// after buttons come and go.
TEST_F(DBEditButtons, EachButtonControlIsTaggedWithItsEntry) {
  auto* e = Add<TDropEdit>(10, 10, 160, 21);
  for (int i = 0; i < 3; ++i) e->EditButtons()->Add()->SetVisible(i != 1);
  Show();
  auto tags = [&] {
    std::vector<NativeInt> out;
    for (int i = 0; i < e->ButtonControlCount(); ++i) out.push_back(e->ButtonControl(i)->Tag());
    return out;
  };
  EXPECT_EQ(tags(), (std::vector<NativeInt>{0, 1, 2, 3}));
  e->EditButtons()->Delete(0);
  EXPECT_EQ(tags(), (std::vector<NativeInt>{0, 1, 2}));
  e->EditButtons()->Add();
  EXPECT_EQ(tags(), (std::vector<NativeInt>{0, 1, 2, 3}));
}

TEST_F(DBEditButtons, FlatButtonsAreNarrowAndEachHasASeparatorOnItsLeft) {
  auto* e = Add<TDropEdit>(10, 10, 160, 21);
  e->SetFlat(true);
  e->EditButtons()->Add()->SetVisible(true);
  Show();
  int w = DefaultFlatButtonWidth();
  EXPECT_EQ(e->ButtonControl(1)->Width(), w);
  EXPECT_TRUE(e->ButtonSeparator(0)->Visible());
  EXPECT_EQ(e->ButtonSeparator(1)->Left() + 1, e->ButtonControl(1)->Left());
  EXPECT_EQ(e->ButtonSeparator(0)->Left() + 1, e->ButtonControl(0)->Left());
  EXPECT_EQ(e->ButtonControl(0)->Left() + w, e->ButtonSeparator(1)->Left());
  EXPECT_EQ(e->ButtonsWidth(), 2 * (w + 1));
}

TEST_F(DBEditButtons, APressDropsDownAndASecondPressClosesWithoutAccepting) {
  auto* e = Add<TDropEdit>(10, 10, 160, 21);
  Show();
  TEditButtonControlGx* b = e->ButtonControl(0);
  Click(b, 5, 5);
  EXPECT_EQ(e->drops, 1);
  EXPECT_EQ(e->closes, 0);
  EXPECT_TRUE(e->DroppedDown());
  EXPECT_TRUE(b->Down());  // shown pressed while dropped down
  AdvanceAndPump(1000, 100);
  Click(b, 5, 5);
  EXPECT_EQ(e->drops, 1);
  EXPECT_EQ(e->closes, 1);
  EXPECT_FALSE(e->lastAccept);
  EXPECT_FALSE(e->DroppedDown());
  EXPECT_FALSE(b->Down());
  EXPECT_TRUE(e->Focused());
}

// A plain editor drops nothing down: its main button comes up again after each press.
TEST_F(DBEditButtons, APlainEditorsMainButtonComesUpAfterAPress) {
  struct Case {
    const char* name;
    std::function<void(TEditButtonControlGx*)> press;
  };
  const Case cases[] = {
      {"click", [](TEditButtonControlGx* b) { Click(b, 5, 5); }},
      {"released outside", [](TEditButtonControlGx* b) {
         MouseDown(b, 5, 5);
         MouseUp(b, 5, 40);
       }},
      {"shortcut", [](TEditButtonControlGx*) { KeyPress(VK_DOWN, false, false, true); }},
  };
  auto* e = Add<TDBEditGx>(10, 10, 160, 21);
  e->EditButton()->SetVisible(true);
  e->EditButton()->SetShortCut(TextToShortCut("Alt+Down"));
  int clicks = 0;
  e->OnButtonClick = [&](TObject*, bool&) { ++clicks; };
  Show();
  e->SetFocus();
  Pump();
  TEditButtonControlGx* b = e->ButtonControl(0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.press(b);
    EXPECT_FALSE(b->Down());
    EXPECT_FALSE(b->AlwaysDown());
    EXPECT_EQ(b->State(), bsUp);
    EXPECT_FALSE(e->DroppedDown());
  }
  EXPECT_EQ(clicks, 2);  // the press released outside clicks nothing
}

// A drop-down refused by its handler leaves nothing dropped and the main button up again.
TEST_F(DBEditButtons, ADropDownHandlerThatRaisesLeavesTheMainButtonUp) {
  auto* date = Add<TDBDateTimeEditGx>(10, 10, 160, 21);
  date->OnDropDown = [](TObject*) { throw Exception("refused"); };
  auto* number = Add<TDBNumberEditGx>(10, 40, 160, 21);
  number->OnDropDownHook = [](TObject*) { throw Exception("refused"); };
  auto* combo = Add<TDBComboBoxGx>(10, 70, 160, 21);
  combo->OnDropDown = [](TObject*) { throw Exception("refused"); };
  Show();
  for (TCustomDBEditGx* e : {static_cast<TCustomDBEditGx*>(date), static_cast<TCustomDBEditGx*>(number),
                             static_cast<TCustomDBEditGx*>(combo)}) {
    SCOPED_TRACE(e->ClassName());
    EXPECT_THROW(e->DropDown(), Exception);
    EXPECT_FALSE(e->DroppedDown());
    EXPECT_FALSE(e->ButtonControl(0)->AlwaysDown());
  }
}

TEST_F(DBEditButtons, OnButtonDownHandledKeepsTheListUp) {
  auto* e = Add<TDropEdit>(10, 10, 160, 21);
  int downs = 0, clicks = 0;
  e->OnButtonDown = [&](TObject*, bool, bool&, bool& handled) {
    ++downs;
    handled = true;
  };
  e->OnButtonClick = [&](TObject*, bool&) { ++clicks; };
  Show();
  Click(e->ButtonControl(0), 5, 5);
  EXPECT_EQ(downs, 1);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(e->drops, 0);
}

TEST_F(DBEditButtons, AShortcutPressesItsButtonTheMainOneOnlyWhileActive) {
  auto* e = Add<TDropEdit>(10, 10, 160, 21);
  TEditButtonGx* extra = e->EditButtons()->Add();
  extra->SetVisible(true);
  extra->SetShortCut(TextToShortCut("Ctrl+E"));
  int clicks = 0;
  extra->OnClick = [&](TObject*, bool& handled) {
    ++clicks;
    handled = true;
  };
  e->EditButton()->SetShortCut(TextToShortCut("Alt+Down"));
  Show();
  e->SetFocus();
  Pump();
  KeyPress('E', false, true);
  EXPECT_EQ(clicks, 1);
  KeyPress(VK_DOWN, false, false, true);
  EXPECT_EQ(e->drops, 1);
  e->CloseUp(false);
  e->SetEnabled(false);
  EXPECT_FALSE(e->IsEditActive());
  uint16_t key = VK_DOWN;
  e->KeyDown(key, TShiftState{ssAlt});
  EXPECT_EQ(e->drops, 1);
}

// A button whose click or press removes it (or every extra button) leaves the editor whole; its
// control goes once the click is over.
TEST_F(DBEditButtons, AButtonThatRemovesItselfWhenPressedOrClicked) {
  struct Case {
    const char* name;
    bool onDown;     // removed by its OnDown instead of its OnClick
    bool clearAll;   // EditButtons()->Clear() instead of freeing the one button
    bool byShortCut;
    bool waits = false;  // then waits in a loop of messages, as a modal dialog does
  };
  const Case cases[] = {
      {"click frees it", false, false, false},
      {"click clears all", false, true, false},
      {"down frees it", true, false, false},
      {"down clears all", true, true, false},
      {"shortcut click frees it", false, false, true},
      {"shortcut click clears all", false, true, true},
      {"click frees it and waits", false, false, false, true},
      {"down clears all and waits", true, true, false, true},
      {"shortcut click frees it and waits", false, false, true, true},
  };
  auto* e = Add<TDropEdit>(10, 10, 160, 21);
  Show();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TEditButtonGx* keep = e->EditButtons()->Add();
    keep->SetVisible(true);
    TEditButtonGx* extra = e->EditButtons()->Add();
    extra->SetVisible(true);
    extra->SetStyle(ebsEllipsisGx);
    extra->SetShortCut(TextToShortCut("Ctrl+E"));
    int calls = 0;
    auto remove = [&, e, extra, clearAll = c.clearAll, waits = c.waits] {
      ++calls;
      if (clearAll) e->EditButtons()->Clear();
      else extra->Free();
      if (waits) Application->ProcessMessages();
    };
    if (c.onDown) extra->OnDown = [remove](TObject*, bool, bool&, bool&) { remove(); };
    else extra->OnClick = [remove](TObject*, bool&) { remove(); };
    ASSERT_EQ(e->ButtonControlCount(), 3);
    TEditButtonControlGx* control = e->ButtonControl(2);
    if (c.byShortCut) {
      e->SetFocus();
      Pump();
      KeyPress('E', false, true);
    } else {
      TPoint at = ScreenPoint(control, 3, 3);  // the control may be gone before the release
      uitest::MouseDownAt(at);
      uitest::MouseUpAt(at);
    }
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(e->ButtonControlCount(), c.clearAll ? 1 : 2);
    EXPECT_EQ(e->EditButtons()->Count(), c.clearAll ? 0 : 1);
    Pump();  // the removed control is freed now
    EXPECT_EQ(e->drops, 0);
    e->EditButtons()->Clear();
  }
  Click(e->ButtonControl(0), 3, 3);  // the main button still works
  EXPECT_EQ(e->drops, 1);
}

// An editor freed before a removed button's control is released takes the control with it.
TEST_F(DBEditButtons, AnEditorFreedFirstTakesItsRemovedButtonAlong) {
  auto* e = Add<TDropEdit>(10, 10, 160, 21);
  Show();
  TEditButtonGx* extra = e->EditButtons()->Add();
  extra->SetVisible(true);
  extra->OnClick = [extra](TObject*, bool&) { extra->Free(); };
  TEditButtonControlGx* control = e->ButtonControl(1);
  TFreeWatch watch(control);
  control->Click();
  EXPECT_FALSE(watch.Gone());  // hidden until the release
  EXPECT_EQ(e->ButtonControlCount(), 1);
  e->Free();
  EXPECT_TRUE(watch.Gone());
  Pump();  // the release posted to the editor's window finds nothing to free
}

TEST_F(DBEditButtons, AButtonWithADropdownMenuPopsItUp) {
  auto* e = Add<TDropEdit>(10, 10, 160, 21);
  auto* menu = new TPopupMenu(form);
  int popups = 0;
  menu->OnPopup = [&](TObject*) { ++popups; };
  e->EditButton()->SetDropdownMenu(menu);
  Show();
  MouseDown(e->ButtonControl(0), 5, 5);
  EXPECT_EQ(popups, 1);
  EXPECT_EQ(e->drops, 0);
  MouseUp(e->ButtonControl(0), 5, 5);
  menu->Free();
  EXPECT_EQ(e->EditButton()->DropdownMenu(), nullptr);
}

TEST_F(DBEditButtons, PressesOverTheButtonsNeverMoveTheCaret) {
  auto* e = Add<TDropEdit>(10, 10, 160, 21);
  e->SetText("abcdefghijklmnopqrstuvwxyz");
  Show();
  e->SetFocus();
  Pump();
  e->SetSelStart(3);
  e->SetSelLength(0);
  int x = e->ClientWidth() - 3;
  e->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, 5));
  e->Perform(WM_LBUTTONUP, 0, MAKELPARAM(x, 5));
  EXPECT_EQ(e->SelStart(), 3);
}

class DBEditMRU : public EditorTest {
 protected:
  TDBEditGx* Edit() {
    auto* e = Add<TDBEditGx>(10, 10, 160, 21);
    e->MRUList()->SetActive(true);
    for (const char* s : {"apple", "apricot", "avocado", "banana"}) e->MRUList()->Add(s);
    return e;
  }
};

TEST_F(DBEditMRU, TypingDropsDownTheMatchingTextsAndANonMatchCloses) {
  auto* e = Edit();
  Show();
  e->SetFocus();
  Pump();
  Type("a");
  ASSERT_NE(e->MRUListbox(), nullptr);
  EXPECT_TRUE(e->MRUList()->DroppedDown());
  EXPECT_EQ(e->MRUListbox()->Items()->Count(), 3);
  EXPECT_EQ(e->MRUListbox()->RowCount(), 3);  // fewer than Rows (7)
  EXPECT_TRUE(DropDownShowing(e->MRUListbox()));
  TPoint below = e->ClientToScreen(TPoint(0, e->ClientHeight()));
  EXPECT_GE(e->MRUListbox()->Top(), below.Y - 2);
  Type("p");
  EXPECT_EQ(e->MRUListbox()->Items()->Count(), 2);
  Type("x");
  EXPECT_FALSE(e->MRUList()->DroppedDown());
  EXPECT_FALSE(DropDownShowing(e->MRUListbox()));
}

TEST_F(DBEditMRU, ArrowsChooseAndEnterTakesTheText) {
  auto* e = Edit();
  Show();
  e->SetFocus();
  Pump();
  Type("ap");
  KeyPress(VK_DOWN);
  EXPECT_EQ(e->MRUListbox()->ItemIndex(), 0);
  KeyPress(VK_DOWN);
  EXPECT_EQ(e->MRUListbox()->ItemIndex(), 1);
  KeyPress(VK_RETURN);
  EXPECT_FALSE(e->MRUList()->DroppedDown());
  EXPECT_EQ(e->Text(), "apricot");
  Type("x");
  EXPECT_EQ(e->Text(), "x");  // all text was selected
  KeyPress(VK_ESCAPE);
}

TEST_F(DBEditMRU, EscapeClosesWithoutTakingAndEmptyTextCloses) {
  auto* e = Edit();
  Show();
  e->SetFocus();
  Pump();
  Type("a");
  KeyPress(VK_DOWN);
  KeyPress(VK_ESCAPE);
  EXPECT_FALSE(e->MRUList()->DroppedDown());
  EXPECT_EQ(e->Text(), "a");
  Type("v");
  EXPECT_TRUE(e->MRUList()->DroppedDown());
  KeyPress(VK_BACK);
  KeyPress(VK_BACK);
  EXPECT_FALSE(e->MRUList()->DroppedDown());
  KeyPress(VK_BACK);  // on an empty text Backspace opens the whole list
  EXPECT_TRUE(e->MRUList()->DroppedDown());
  EXPECT_EQ(e->MRUListbox()->Items()->Count(), 4);
}

TEST_F(DBEditMRU, WrittenTextsAreAddedAndAResizedListKeepsItsSize) {
  auto* e = Edit();
  Show();
  e->SetText("cherry");
  EXPECT_EQ(e->MRUList()->Items()->Strings(e->MRUList()->Items()->Count() - 1), "cherry");
  e->MRUList()->SetAutoAdd(false);
  e->SetText("damson");
  EXPECT_EQ(e->MRUList()->Items()->IndexOf("damson"), -1);
  e->SetFocus();
  Pump();
  e->SetText("");
  Type("a");
  TMRUListboxGx* list = e->MRUListbox();
  list->SetHeight(list->Height() + list->ItemHeight());
  list->SetWidth(222);
  e->UpdateDropDownSize();
  EXPECT_EQ(e->MRUList()->Rows(), list->RowCount());
  EXPECT_EQ(e->MRUList()->Width(), 222);
}

// A recent value picked on one record never lands in another: when a program posts the record,
// cancels its edit or moves on, the open list closes without the value even though the text shown
// stays the same, and the Enter that follows writes nothing. Setting the field keeps it open.
TEST_F(DBEditMRU, AnOpenListClosesWithoutItsTextWhenTheRecordGoes) {
  table->First();
  table->Edit();
  table->FieldByName("NAME")->SetValue(std::string("beta"));  // both rows show "beta"
  table->Post();
  auto* e = Edit();
  e->MRUList()->Add("beta blue");
  e->SetDataSource(source);
  e->SetDataField("NAME");
  struct Case {
    const char* name;
    std::function<void()> go;
    bool stays;
    const char* shown;  // after the Enter
    TDataSetState state;
  };
  const Case cases[] = {
      {"posted", [&] { table->Post(); }, false, "beta", dsBrowse},
      {"cancelled", [&] { table->Cancel(); }, false, "beta", dsBrowse},
      {"moved", [&] { table->Next(); }, false, "beta", dsBrowse},
      {"field set", [&] { table->FieldByName("NAME")->SetValue(std::string("beta")); }, true, "beta blue", dsEdit},
  };
  Show();
  e->SetFocus();
  Pump();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    table->First();
    e->SelectAll();
    Type("beta");
    KeyPress(VK_DOWN);
    ASSERT_TRUE(e->MRUList()->DroppedDown());
    ASSERT_EQ(e->MRUListbox()->ItemIndex(), 0);
    c.go();
    EXPECT_EQ(e->MRUList()->DroppedDown(), c.stays);
    KeyPress(VK_RETURN);
    EXPECT_EQ(e->Text(), c.shown);
    EXPECT_EQ(static_cast<int>(table->State()), static_cast<int>(c.state));
    table->Cancel();
  }
}

// A password editor gives its text away neither in a tool tip nor to the recent-values list.
TEST_F(DBEditMRU, APasswordStaysOutOfToolTipsAndRecentValues) {
  for (char password : {'\0', '*'}) {
    SCOPED_TRACE(password ? "password" : "plain");
    const bool plain = password == 0;
    auto* e = Edit();
    e->SetPasswordChar(password);
    e->SetTooltips(true);
    Show();
    e->SetText("apple pie with a crust much wider than the editor");
    THintInfo info;
    info.HintControl = e;
    e->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.HintStr == e->Text(), plain);
    EXPECT_EQ(e->MRUList()->Items()->IndexOf(e->Text()) >= 0, plain);
    e->SetFocus();
    Pump();
    e->SelectAll();
    Type("a");
    EXPECT_EQ(e->MRUList()->DroppedDown(), plain);
    KeyPress(VK_ESCAPE);
    KeyPress(VK_BACK);
    KeyPress(VK_BACK);  // on an empty text
    EXPECT_EQ(e->MRUList()->DroppedDown(), plain);
    KeyPress(VK_ESCAPE);
    delete e;
  }
}

TEST_F(DBEditButtons, ToolTipsShowTheWholeTextWhenItDoesNotFit) {
  auto* e = Add<TDBEditGx>(10, 10, 60, 21);
  e->SetTooltips(true);
  EXPECT_TRUE(static_cast<TControl*>(e)->ShowHint());
  Show();
  e->SetText("a text much longer than the editor is wide");
  THintInfo info;
  info.HintControl = e;
  e->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.HintStr, "a text much longer than the editor is wide");
  EXPECT_EQ(info.HintWindowClass, TToolTipsWindow::StaticClass());
  EXPECT_EQ(info.HintPos, e->ClientToScreen(TPoint(0, e->Height())));
  e->SetText("ok");
  e->SetTooltips(false);
  e->SetShowHint(false);
  THintInfo quiet;
  EXPECT_EQ(e->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&quiet)), 1);
}

// ShowHint is the editor's own beside Tooltips: either turns hint showing on, a fitting text shows
// the Hint only with ShowHint, and a form written back keeps the ShowHint it read.
TEST_F(DBEditButtons, ShowHintIsKeptBesideTooltips) {
  struct Case {
    bool showHint, tooltips;
  };
  const Case cases[] = {{false, false}, {true, false}, {false, true}, {true, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.showHint ? "ShowHint" : "-") + (c.tooltips ? " Tooltips" : " -"));
    auto* e = new TDBEditGx(form);
    e->SetParent(form);
    e->SetBounds(10, 10, 60, 21);
    ReadComponentText(e, std::string("object TDBEditGx edtHint {\n  Hint = \"help\"\n  ShowHint = ") +
                             (c.showHint ? "true" : "false") + "\n  Tooltips = " + (c.tooltips ? "true" : "false") +
                             "\n}\n");
    EXPECT_EQ(e->ShowHint(), c.showHint);
    EXPECT_EQ(static_cast<TControl*>(e)->ShowHint(), c.showHint || c.tooltips);
    Show();
    e->SetText("ok");
    THintInfo fits;
    fits.HintControl = e;
    fits.HintStr = "help";
    EXPECT_EQ(e->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&fits)), c.showHint ? 0 : 1);
    EXPECT_EQ(fits.HintStr, "help");
    e->SetText("a text much longer than the editor is wide");
    THintInfo wide;
    wide.HintControl = e;
    wide.HintStr = "help";
    EXPECT_EQ(e->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&wide)), c.showHint || c.tooltips ? 0 : 1);
    EXPECT_EQ(wide.HintStr, c.tooltips ? e->Text() : "help");
    // The editor's block of the written form.
    const std::string written = WriteComponentText(form);
    const size_t at = written.find("object TDBEditGx edtHint");
    ASSERT_NE(at, std::string::npos) << written;
    const std::string block = written.substr(at, written.find("\n  }", at) - at);
    EXPECT_EQ(block.find("ShowHint = true") != std::string::npos, c.showHint) << block;
    EXPECT_EQ(block.find("Tooltips = true") != std::string::npos, c.tooltips) << block;
    delete e;
  }
  // Following the parent's, with Tooltips the hint showing stays on.
  auto* e = Add<TDBEditGx>(10, 10, 60, 21);
  e->SetTooltips(true);
  for (bool parent : {true, false}) {
    form->SetShowHint(parent);
    EXPECT_EQ(e->ShowHint(), parent);
    EXPECT_TRUE(e->ParentShowHint());
    EXPECT_TRUE(static_cast<TControl*>(e)->ShowHint());
  }
}

}  // namespace
