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
  auto shownAt = [&](int x, int y) {
    RECT r{};
    EXPECT_TRUE(uitest::WithMenu([&] { menu->Popup(x, y); }, [&] {
      Pump();
      EXPECT_TRUE(menu->IsShowing());
      r = MenuRect();
    }));
    EXPECT_FALSE(menu->IsShowing());
    return r;
  };
  RECT r = shownAt(400, 300);
  EXPECT_EQ(r.left, 400);
  EXPECT_EQ(r.top, 300);
  const int width = r.right - r.left;
  menu->SetAlignment(paRight);
  EXPECT_EQ(shownAt(400, 300).right, 400);
  menu->SetAlignment(paCenter);
  EXPECT_EQ(shownAt(400, 300).left, 400 - width / 2);
  // Kept inside the work area.
  menu->SetAlignment(paLeft);
  r = shownAt(1275, 1020);
  EXPECT_LE(r.right, 1280);
  EXPECT_LE(r.bottom, 1024);
  EXPECT_EQ(menu->PopupPoint(), TPoint(1275, 1020));
  Pump();
}

// A caption is written whole: the menu is as wide as its longest caption needs, sub-menu arrow or
// not.
TEST_F(Menus, CaptionsFitTheMenu) {
  for (bool withSubMenu : {false, true}) {
    SCOPED_TRACE(withSubMenu);
    auto* wide = new TPopupMenu(form);
    auto* item = new TMenuItem(wide);
    item->SetCaption("WWWWWW");
    wide->Items()->Add(item);
    if (withSubMenu) {
      auto* other = new TMenuItem(wide);
      other->SetCaption("W");
      other->Add(new TMenuItem(wide));
      wide->Items()->Add(other);
    }
    EXPECT_TRUE(uitest::WithMenu([&] { wide->Popup(400, 300); }, [&] {
      Pump();
      auto* window = dynamic_cast<TWinControl*>(FindControl(wide->PopupWindowHandle()));
      ASSERT_NE(window, nullptr);
      TBitmap measure;
      measure.SetSize(1, 1);
      TCanvas* c = measure.Canvas();
      c->Font()->Assign(Screen->MenuFont());
      const int textWidth = c->TextWidth("WWWWWW");
      const int middle = 1 + (c->TextHeight("Wg") + 8) / 2;
      // The caption starts after the 20-pixel gutter; its last letter is drawn.
      EXPECT_EQ(uitest::PixelOf(window, 1 + 20 + textWidth - 2, middle), ColorToRGB(clMenuText));
    }));
    wide->Free();
  }
}

// Popup returns once the menu has closed; the chosen item runs after the menu has gone.
TEST_F(Menus, TheKeyboardSkipsSeparatorsAndChoosesAnItem) {
  int popups = 0, closes = 0;
  menu->OnPopup = [&](TObject*) { ++popups; };
  menu->OnClose = [&](TObject*) { ++closes; };
  menu->Items()->Items(3)->OnClick = [&](TObject*) {
    EXPECT_FALSE(menu->IsShowing());
    EXPECT_EQ(closes, 1);
    clicked.push_back("&Paste");
  };
  uitest::WithMenu([&] { menu->Popup(400, 300); }, [&] {
    EXPECT_EQ(popups, 1);
    // The pointer rests on the menu's border, over no item.
    const RECT r = MenuRect();
    FanoInputMouseMove(r.left, r.top);
    Pump();
    KeyPress(VK_DOWN);  // Cut
    KeyPress(VK_DOWN);  // Copy
    KeyPress(VK_DOWN);  // past the separator: Paste
    // A report of the pointer where it stays keeps the item the keys chose.
    FanoInputMouseMove(r.left, r.top);
    Pump();
    KeyPress(VK_RETURN);
    EXPECT_TRUE(clicked.empty());
  });
  EXPECT_EQ(clicked, std::vector<std::string>{"&Paste"});
  EXPECT_FALSE(menu->IsShowing());
  // The keys went to the menu, not to the focused control.
  EXPECT_EQ(FindControl(GetFocus()), target);
}

TEST_F(Menus, AcceleratorsSubMenusAndEscape) {
  auto popup = [&] { menu->Popup(400, 300); };
  uitest::WithMenu(popup, [&] {
    FanoInputText("o");  // C&opy
    Pump();
  });
  EXPECT_EQ(clicked, std::vector<std::string>{"C&opy"});
  uitest::WithMenu(popup, [&] {
    FanoInputText("m");  // &More opens its sub-menu
    Pump();
    EXPECT_TRUE(menu->IsShowing());
    KeyPress(VK_RETURN);  // the sub-menu's first item
  });
  EXPECT_EQ(clicked.back(), "&Inner");
  uitest::WithMenu(popup, [&] {
    KeyPress(VK_ESCAPE);
    EXPECT_FALSE(menu->IsShowing());
  });
  EXPECT_EQ(clicked.size(), 2u);
}

TEST_F(Menus, TheMouseChoosesAndAClickOutsideCloses) {
  auto popup = [&] { menu->Popup(400, 300); };
  uitest::WithMenu(popup, [&] {
    Pump();
    RECT r = MenuRect();
    // The first item lies at the top of the menu.
    FanoInputMouseMove(r.left + 30, r.top + 8);
    FanoInputMouseButton(0, TRUE, r.left + 30, r.top + 8);
    FanoInputMouseButton(0, FALSE, r.left + 30, r.top + 8);
    Pump();
  });
  EXPECT_EQ(clicked, std::vector<std::string>{"&Cut"});
  uitest::WithMenu(popup, [&] {
    FanoInputMouseButton(0, TRUE, 50, 50);
    FanoInputMouseButton(0, FALSE, 50, 50);
    Pump();
    EXPECT_FALSE(menu->IsShowing());
  });
  EXPECT_EQ(clicked.size(), 1u);
  // The press that closes the menu is not lost: the control under the pointer takes it.
  std::vector<TPoint> presses;
  target->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int x, int y) { presses.push_back(TPoint(x, y)); };
  const TPoint on = ScreenPoint(target, 7, 9);
  EXPECT_TRUE(uitest::WithMenu(popup, [&] {
    FanoInputMouseMove(on.X, on.Y);
    FanoInputMouseButton(0, TRUE, on.X, on.Y);
    FanoInputMouseButton(0, FALSE, on.X, on.Y);
  }));
  Pump();
  EXPECT_EQ(presses, std::vector<TPoint>{TPoint(7, 9)});
  EXPECT_EQ(clicked.size(), 1u);
  EXPECT_NE(GetCapture(), target->Handle());
  // Going to another program closes the menu.
  EXPECT_TRUE(uitest::WithMenu(popup, [&] {
    SetActiveWindow(nullptr);
    EXPECT_FALSE(menu->IsShowing());
  }));
  EXPECT_EQ(clicked.size(), 1u);
}

TEST_F(Menus, DisabledItemsAreNotChosenAndChangesCloseTheMenu) {
  menu->Items()->Items(0)->SetEnabled(false);
  uitest::WithMenu([&] { menu->Popup(400, 300); }, [&] {
    KeyPress(VK_DOWN);
    KeyPress(VK_RETURN);  // on the disabled Cut: nothing
    EXPECT_TRUE(menu->IsShowing());
    // Rebuilding the items while the menu shows closes it.
    auto* extra = new TMenuItem(form);
    extra->SetCaption("Extra");
    menu->Items()->Add(extra);
    EXPECT_FALSE(menu->IsShowing());
  });
  EXPECT_TRUE(clicked.empty());
}

// The menu's own item may free the menu, and a menu freed while it shows ends its Popup with no
// item run.
TEST_F(Menus, AMenuFreedByItsItemOrWhileItShows) {
  menu->Items()->Items(0)->OnClick = [&](TObject*) {
    menu->Free();
    menu = nullptr;
  };
  uitest::WithMenu([&] { menu->Popup(400, 300); }, [&] { KeyPress(VK_DOWN), KeyPress(VK_RETURN); });
  EXPECT_EQ(menu, nullptr);
  menu = new TPopupMenu(form);
  auto* item = new TMenuItem(menu);
  item->OnClick = [&](TObject*) { clicked.push_back("freed"); };
  menu->Items()->Add(item);
  EXPECT_TRUE(uitest::WithMenu([&] { menu->Popup(400, 300); }, [&] {
    KeyPress(VK_DOWN);
    menu->Free();
  }));
  EXPECT_EQ(TPopupMenu::ActiveMenu(), nullptr);
  EXPECT_TRUE(clicked.empty());
  menu = nullptr;
  Pump();
}

// What escapes a handler while the menu waits is reported as the application's loop reports it;
// the report cancels the mouse modes, which closes the menu.
TEST_F(Menus, AnExceptionInTheMenusLoopIsReported) {
  const UINT failing = WM_APP + 77;
  std::vector<std::string> reported;
  Application->OnMessage = [&](MSG& m, bool&) {
    if (m.message == failing) throw EMenuError("boom");
  };
  Application->OnException = [&](TObject*, const std::exception& e) { reported.push_back(e.what()); };
  EXPECT_TRUE(uitest::WithMenu([&] { menu->Popup(400, 300); },
                               [&] { PostMessage(form->Handle(), failing, 0, 0); }));
  Application->OnMessage = nullptr;
  Application->OnException = nullptr;
  EXPECT_EQ(reported, std::vector<std::string>{"boom"});
  EXPECT_FALSE(menu->IsShowing());
  EXPECT_TRUE(clicked.empty());
}

// The application ending while a menu waits closes the menu at once and Popup returns: nothing
// else (no idle, where the test's driver would close it) is waited for.
TEST_F(Menus, TheApplicationEndingClosesTheMenu) {
  int idlesAfterTheEnd = 0;
  EXPECT_TRUE(uitest::WithMenu([&] { menu->Popup(400, 300); }, [&] {
    ASSERT_TRUE(menu->IsShowing());
    Application->Terminate();
    // The driver's idle closes a menu left open; it must not be needed.
    const TIdleEvent driver = Application->OnIdle;
    Application->OnIdle = [&, driver](TObject* sender, bool& done) {
      ++idlesAfterTheEnd;
      driver(sender, done);
    };
  }));
  EXPECT_EQ(idlesAfterTheEnd, 0);
  EXPECT_FALSE(menu->IsShowing());
  EXPECT_EQ(TPopupMenu::ActiveMenu(), nullptr);
  EXPECT_TRUE(clicked.empty());
  // The application goes on for the other tests: its quit message goes, and its end is undone.
  MSG msg;
  while (PeekMessage(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
  TCustomForm* mainForm = Application->MainForm();
  Application->SetMainForm(nullptr);
  Application->Run();
  Application->SetMainForm(mainForm);
  EXPECT_FALSE(Application->Terminated());
}

TEST_F(Menus, RightClickShowsTheControlsMenu) {
  target->SetPopupMenu(menu);
  TPoint p = ScreenPoint(target, 20, 20);
  auto rightClick = [&] {
    FanoInputMouseMove(p.X, p.Y);
    FanoInputMouseButton(1, TRUE, p.X, p.Y);
    FanoInputMouseButton(1, FALSE, p.X, p.Y);
    Pump();
  };
  EXPECT_TRUE(uitest::WithMenu(rightClick, [&] {
    EXPECT_TRUE(menu->IsShowing());
    EXPECT_EQ(menu->PopupComponent(), target);
    EXPECT_EQ(menu->PopupPoint(), p);
  }));
  // A handled context-popup event keeps the menu away.
  target->OnContextPopup = [](TObject*, TPoint, bool& handled) { handled = true; };
  EXPECT_FALSE(uitest::WithMenu(rightClick, [] {}));
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
