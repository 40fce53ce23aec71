// Popup menus (placement by alignment, separators, the keyboard and the mouse, sub-menus,
// shortcuts), actions linked to controls and menu items, timers and image lists.
#include "forms_test_util.h"

#include "platform/forms/actnlist.h"
#include "platform/forms/imglist.h"
#include "platform/forms/menus.h"
#include "platform/forms/timer.h"

using namespace formstest;

namespace {

class Menus : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    form->SetBounds(100, 100, 300, 200);
    target = new TTestWin(form);
    target->SetBounds(10, 10, 100, 50);
    target->SetParent(form);
    menu = new TPopupMenu(form);
    for (const char* caption : {"&Cut", "C&opy", "-", "&Paste", "&More"}) {
      auto* it = new TMenuItem(form);
      it->SetCaption(caption);
      it->OnClick = [this, caption](TObject*) { clicked.push_back(caption); };
      menu->Items()->Add(it);
    }
    auto* sub = new TMenuItem(form);
    sub->SetCaption("&Inner");
    sub->OnClick = [this](TObject*) { clicked.push_back("&Inner"); };
    menu->Items()->Items(4)->Add(sub);
    Show();
  }
  RECT MenuRect() {
    RECT r{};
    GetWindowRect(menu->PopupWindowHandle(), &r);
    return r;
  }
  TTestWin* target = nullptr;
  TPopupMenu* menu = nullptr;
  std::vector<std::string> clicked;
};

TEST_F(Menus, PopupPlacesTheMenuByItsAlignment) {
  menu->Popup(400, 300);
  Pump();
  ASSERT_TRUE(menu->IsShowing());
  RECT r = MenuRect();
  EXPECT_EQ(r.left, 400);
  EXPECT_EQ(r.top, 300);
  int width = r.right - r.left;
  menu->CloseMenu();
  menu->SetAlignment(paRight);
  menu->Popup(400, 300);
  EXPECT_EQ(MenuRect().right, 400);
  menu->CloseMenu();
  menu->SetAlignment(paCenter);
  menu->Popup(400, 300);
  EXPECT_EQ(MenuRect().left, 400 - width / 2);
  menu->CloseMenu();
  // Kept inside the work area.
  menu->SetAlignment(paLeft);
  menu->Popup(1275, 1020);
  r = MenuRect();
  EXPECT_LE(r.right, 1280);
  EXPECT_LE(r.bottom, 1024);
  EXPECT_EQ(menu->PopupPoint(), TPoint(1275, 1020));
  menu->CloseMenu();
  EXPECT_FALSE(menu->IsShowing());
  Pump();
}

TEST_F(Menus, TheKeyboardSkipsSeparatorsAndChoosesAnItem) {
  int popups = 0;
  menu->OnPopup = [&](TObject*) { ++popups; };
  menu->Popup(400, 300);
  EXPECT_EQ(popups, 1);
  KeyPress(VK_DOWN);  // Cut
  KeyPress(VK_DOWN);  // Copy
  KeyPress(VK_DOWN);  // past the separator: Paste
  KeyPress(VK_RETURN);
  EXPECT_EQ(clicked, std::vector<std::string>{"&Paste"});
  EXPECT_FALSE(menu->IsShowing());
  // The keys went to the menu, not to the focused control.
  EXPECT_EQ(FindControl(GetFocus()), target);
}

TEST_F(Menus, AcceleratorsSubMenusAndEscape) {
  menu->Popup(400, 300);
  FanoInputText("o");  // C&opy
  Pump();
  EXPECT_EQ(clicked, std::vector<std::string>{"C&opy"});
  menu->Popup(400, 300);
  FanoInputText("m");  // &More opens its sub-menu
  Pump();
  EXPECT_TRUE(menu->IsShowing());
  KeyPress(VK_RETURN);  // the sub-menu's first item
  EXPECT_EQ(clicked.back(), "&Inner");
  menu->Popup(400, 300);
  KeyPress(VK_ESCAPE);
  EXPECT_FALSE(menu->IsShowing());
  EXPECT_EQ(clicked.size(), 2u);
}

TEST_F(Menus, TheMouseChoosesAndAClickOutsideCloses) {
  menu->Popup(400, 300);
  Pump();
  RECT r = MenuRect();
  // The first item lies at the top of the menu.
  FanoInputMouseMove(r.left + 30, r.top + 8);
  FanoInputMouseButton(0, TRUE, r.left + 30, r.top + 8);
  FanoInputMouseButton(0, FALSE, r.left + 30, r.top + 8);
  Pump();
  EXPECT_EQ(clicked, std::vector<std::string>{"&Cut"});
  menu->Popup(400, 300);
  Pump();
  FanoInputMouseButton(0, TRUE, 50, 50);
  FanoInputMouseButton(0, FALSE, 50, 50);
  Pump();
  EXPECT_FALSE(menu->IsShowing());
  EXPECT_EQ(clicked.size(), 1u);
}

TEST_F(Menus, DisabledItemsAreNotChosenAndChangesCloseTheMenu) {
  menu->Items()->Items(0)->SetEnabled(false);
  menu->Popup(400, 300);
  KeyPress(VK_DOWN);
  KeyPress(VK_RETURN);  // on the disabled Cut: nothing
  EXPECT_TRUE(clicked.empty());
  EXPECT_TRUE(menu->IsShowing());
  // Rebuilding the items while the menu shows closes it.
  auto* extra = new TMenuItem(form);
  extra->SetCaption("Extra");
  menu->Items()->Add(extra);
  EXPECT_FALSE(menu->IsShowing());
}

TEST_F(Menus, RightClickShowsTheControlsMenu) {
  target->SetPopupMenu(menu);
  TPoint p = ScreenPoint(target, 20, 20);
  FanoInputMouseMove(p.X, p.Y);
  FanoInputMouseButton(1, TRUE, p.X, p.Y);
  FanoInputMouseButton(1, FALSE, p.X, p.Y);
  Pump();
  ASSERT_TRUE(menu->IsShowing());
  EXPECT_EQ(menu->PopupComponent(), target);
  EXPECT_EQ(menu->PopupPoint(), p);
  menu->CloseMenu();
  // A handled context-popup event keeps the menu away.
  target->OnContextPopup = [](TObject*, TPoint, bool& handled) { handled = true; };
  FanoInputMouseButton(1, TRUE, p.X, p.Y);
  FanoInputMouseButton(1, FALSE, p.X, p.Y);
  Pump();
  EXPECT_FALSE(menu->IsShowing());
}

TEST_F(Menus, ShortcutsOfThePopupMenuWorkFromTheControl) {
  target->SetPopupMenu(menu);
  menu->Items()->Items(3)->SetShortCut(ShortCut('V', TShiftState{ssCtrl}));
  FanoInputKey(VK_CONTROL, TRUE);
  KeyPress('V');
  FanoInputKey(VK_CONTROL, FALSE);
  Pump();
  EXPECT_EQ(clicked, std::vector<std::string>{"&Paste"});
}

TEST(ShortCuts, TextAndBack) {
  EXPECT_EQ(ShortCutToText(ShortCut('C', TShiftState{ssCtrl})), "Ctrl+C");
  EXPECT_EQ(ShortCutToText(32808), "Alt+Down");
  EXPECT_EQ(ShortCutToText(32814), "Alt+Del");
  EXPECT_EQ(ShortCutToText(ShortCut(VK_F5, TShiftState{ssShift, ssCtrl})), "Shift+Ctrl+F5");
  EXPECT_EQ(TextToShortCut("Alt+Down"), 32808);
  EXPECT_EQ(TextToShortCut("ctrl+c"), ShortCut('C', TShiftState{ssCtrl}));
  EXPECT_EQ(TextToShortCut("Ctrl+Nothing"), 0);
  EXPECT_EQ(StripHotkey("&File && Edit"), "File & Edit");
  EXPECT_TRUE(IsAccel(U'N', "Fi&nd What:"));
  EXPECT_FALSE(IsAccel(U'a', "&&a"));
}

TEST(MenuItems, RadioItemsOfAGroupExcludeEachOther) {
  TMenuItem root(nullptr);
  auto* a = new TMenuItem(nullptr);
  auto* b = new TMenuItem(nullptr);
  auto* c = new TMenuItem(nullptr);
  for (TMenuItem* it : {a, b, c}) {
    it->SetRadioItem(true);
    root.Add(it);
  }
  c->SetGroupIndex(2);
  a->SetChecked(true);
  c->SetChecked(true);
  b->SetChecked(true);
  EXPECT_FALSE(a->Checked());
  EXPECT_TRUE(b->Checked());
  EXPECT_TRUE(c->Checked());  // another group
  EXPECT_THROW(root.Add(a), EMenuError);
  EXPECT_EQ(root.Find("C"), nullptr);
  b->SetCaption("&Beta");
  EXPECT_EQ(root.Find("beta"), b);
}

// ---- actions ----

using Actions = FormsTest;

TEST_F(Actions, ALinkedControlFollowsItsActionAndClickExecutesIt) {
  auto* form = new TForm(nullptr);
  auto* list = new TActionList(form);
  auto* action = new TAction(form);
  action->SetActionList(list);
  action->SetCaption("保存");
  action->SetHint("save|Save the document");
  int executed = 0;
  action->SetOnExecute([&](TObject* sender) {
    ++executed;
    EXPECT_EQ(sender, action);
    EXPECT_NE(action->ActionComponent(), nullptr);
  });
  auto* c = new TTestWin(form);
  c->SetParent(form);
  c->SetAction(action);
  EXPECT_EQ(c->Caption(), "保存");
  EXPECT_EQ(c->Hint(), "save|Save the document");
  action->SetEnabled(false);
  EXPECT_FALSE(c->Enabled());
  action->SetEnabled(true);
  action->SetVisible(false);
  EXPECT_FALSE(c->Visible());
  action->SetVisible(true);
  c->Click();
  EXPECT_EQ(executed, 1);
  // An OnClick of the control's own runs instead of the action.
  int own = 0;
  c->OnClick = [&](TObject*) { ++own; };
  c->Click();
  EXPECT_EQ(executed, 1);
  EXPECT_EQ(own, 1);
  // A menu item links the same way.
  auto* item = new TMenuItem(form);
  item->SetAction(action);
  EXPECT_EQ(item->Caption(), "保存");
  action->SetChecked(true);
  EXPECT_TRUE(item->Checked());
  item->Click();
  EXPECT_EQ(executed, 2);
  // The action going away unlinks its clients.
  action->Free();
  EXPECT_EQ(c->Action(), nullptr);
  EXPECT_EQ(item->Action(), nullptr);
  form->Free();
}

// A control that knows how to run one standard action.
class TCopyTarget : public TTestWin {
 public:
  using TTestWin::TTestWin;
  int copies = 0;
  bool ExecuteAction(TBasicAction* action) override {
    if (action->Name() == "actCopy" && Focused()) {
      ++copies;
      return true;
    }
    return TTestWin::ExecuteAction(action);
  }
  bool UpdateAction(TBasicAction* action) override {
    if (action->Name() == "actCopy") {
      static_cast<TCustomAction*>(action)->SetEnabled(Focused());
      return true;
    }
    return TTestWin::UpdateAction(action);
  }
};

TEST_F(Actions, AnActionWithoutAHandlerFindsItsTargetInTheActiveForm) {
  auto* form = new TForm(nullptr);
  form->SetBounds(0, 0, 200, 100);
  auto* list = new TActionList(form);
  auto* copy = new TAction(form);
  copy->SetName("actCopy");
  copy->SetActionList(list);
  auto* t = new TCopyTarget(form);
  t->SetParent(form);
  form->Show();
  Pump();
  ASSERT_TRUE(t->Focused());
  EXPECT_TRUE(copy->Execute());
  EXPECT_EQ(t->copies, 1);
  EXPECT_TRUE(copy->Update());
  EXPECT_TRUE(copy->Enabled());
  // The list's own handler comes first and may take the action.
  list->OnExecute = [](TBasicAction*, bool& handled) { handled = true; };
  EXPECT_TRUE(copy->Execute());
  EXPECT_EQ(t->copies, 1);
  list->OnExecute = nullptr;
  // Nothing handles an unknown action: it disables itself when it has no handler.
  auto* other = new TAction(form);
  other->SetName("actOther");
  other->SetActionList(list);
  EXPECT_FALSE(other->Execute());
  EXPECT_FALSE(other->Enabled());
  form->Free();
}

// ---- timers ----

using Timers = FormsTest;

TEST_F(Timers, ATimerTicksOnTheSimulatedClockWhileEnabled) {
  TTimer timer(nullptr);
  int ticks = 0;
  timer.SetInterval(100);
  timer.SetOnTimer([&](TObject* s) {
    EXPECT_EQ(s, &timer);
    ++ticks;
  });
  AdvanceAndPump(350, 10);
  EXPECT_EQ(ticks, 3);
  timer.SetEnabled(false);
  AdvanceAndPump(300, 10);
  EXPECT_EQ(ticks, 3);
  timer.SetEnabled(true);
  timer.SetInterval(0);  // stopped
  AdvanceAndPump(300, 10);
  EXPECT_EQ(ticks, 3);
  // A failing tick is reported, not thrown.
  std::vector<std::string> seen;
  Application->OnException = [&](TObject*, const std::exception& e) { seen.push_back(e.what()); };
  timer.SetOnTimer([&](TObject*) { throw EConvertError("tick failed"); });
  timer.SetInterval(50);
  AdvanceAndPump(60, 10);
  EXPECT_EQ(seen, std::vector<std::string>{"tick failed"});
  Application->OnException = nullptr;
}

// ---- image lists ----

using ImageLists = FormsTest;

TEST_F(ImageLists, ImagesAreAddedDrawnAndStreamed) {
  TImageList list(nullptr, 4, 4);
  TBitmap strip;
  strip.SetSize(8, 4);
  strip.Canvas()->Brush()->SetColor(clRed);
  strip.Canvas()->FillRect(Rect(0, 0, 4, 4));
  strip.Canvas()->Brush()->SetColor(clBlue);
  strip.Canvas()->FillRect(Rect(4, 0, 8, 4));
  strip.Canvas()->SetPixels(0, 0, clFuchsia);
  int changes = 0;
  TChangeLink link;
  link.OnChange = [&](TObject* s) {
    EXPECT_EQ(s, &list);
    ++changes;
  };
  list.RegisterChanges(&link);
  EXPECT_EQ(list.AddMasked(&strip, clFuchsia), 0);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(changes, 1);
  TBitmap target;
  target.SetSize(10, 10);
  target.Canvas()->Brush()->SetColor(clLime);
  target.Canvas()->FillRect(Rect(0, 0, 10, 10));
  list.Draw(target.Canvas(), 2, 2, 1);
  EXPECT_EQ(target.Canvas()->Pixels(3, 3), clBlue);
  list.Draw(target.Canvas(), 6, 6, 0);
  EXPECT_EQ(target.Canvas()->Pixels(6, 6), clLime);  // the masked pixel stays
  EXPECT_EQ(target.Canvas()->Pixels(7, 7), clRed);
  TBitmap one;
  ASSERT_TRUE(list.GetBitmap(1, &one));
  EXPECT_EQ(one.Width(), 4);
  EXPECT_EQ(one.Canvas()->Pixels(2, 2), clBlue);
  EXPECT_THROW(list.Delete(5), EInvalidOperation);
  TBitmap wrong;
  wrong.SetSize(4, 5);
  EXPECT_THROW(list.Add(&wrong, nullptr), EInvalidOperation);
  // Assign copies the images.
  TImageList copy(nullptr);
  copy.Assign(&list);
  EXPECT_EQ(copy.Count(), 2);
  EXPECT_EQ(copy.Width(), 4);
  TBitmap c0;
  copy.GetBitmap(0, &c0);
  EXPECT_EQ(c0.Canvas()->Pixels(2, 2), clRed);
  list.Delete(0);
  EXPECT_EQ(list.Count(), 1);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  list.UnRegisterChanges(&link);
}

}  // namespace
