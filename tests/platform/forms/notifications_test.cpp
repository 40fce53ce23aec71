// The control notifications: which control hears what, and in which order, when controls are
// inserted, recoloured, enabled, shown and focused.
#include <memory>

#include "forms_test_util.h"

using namespace formstest;

namespace {

class Notifications : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    form->SetName("Form");
    form->SetBounds(10, 10, 300, 200);
    panel = new TTestWin(form);
    panel->SetName("Panel");
    panel->SetControlStyle(panel->ControlStyle() + csAcceptsControls);
    panel->SetTabStop(false);
    panel->SetBounds(0, 0, 200, 100);
    panel->SetParent(form);
  }
  TTestWin* panel = nullptr;
  MessageLog log;
};

const std::set<UINT> kParentNotices = {CM_PARENTCOLORCHANGED, CM_PARENTFONTCHANGED, CM_PARENTSHOWHINTCHANGED,
                                       CM_PARENTBIDIMODECHANGED, CM_PARENTCTL3DCHANGED, CM_CONTROLLISTCHANGE,
                                       CM_CONTROLCHANGE, CM_SHOWINGCHANGED};

TEST_F(Notifications, InsertingAWindowedControlTellsTheParentAroundTheChildsParentNotices) {
  auto* child = new TTestWin(form);
  child->SetName("Child");
  log.Watch(panel, kParentNotices);
  log.Watch(child, kParentNotices);
  child->SetParent(panel);
  EXPECT_EQ(log.Joined(),
            "Panel:CM_CONTROLLISTCHANGE Child:CM_PARENTCOLORCHANGED Child:CM_PARENTFONTCHANGED "
            "Child:CM_PARENTSHOWHINTCHANGED Child:CM_PARENTBIDIMODECHANGED Child:CM_PARENTCTL3DCHANGED "
            "Panel:CM_CONTROLCHANGE");
  EXPECT_EQ(child->Parent(), panel);
  EXPECT_EQ(panel->ControlCount(), 1);
  // The parent is not showing: the child made no window.
  EXPECT_FALSE(child->HandleAllocated());
}

TEST_F(Notifications, InsertingIntoAShowingParentShowsTheChild) {
  form->Show();
  Pump();
  auto* child = new TTestWin(form);
  child->SetName("Child");
  log.Watch(child, kParentNotices);
  child->SetParent(panel);
  EXPECT_EQ(log.Of(CM_SHOWINGCHANGED), std::vector<std::string>{"Child:CM_SHOWINGCHANGED"});
  ASSERT_TRUE(child->HandleAllocated());
  EXPECT_TRUE(child->Showing());
  EXPECT_EQ(GetParent(child->WindowHandle()), panel->WindowHandle());
  EXPECT_TRUE(IsWindowVisible(child->WindowHandle()));
}

TEST_F(Notifications, WindowlessChildrenStayBelowWindowedSiblings) {
  auto* g1 = new TTestGraphic(form);
  auto* w = new TTestWin(form);
  auto* g2 = new TTestGraphic(form);
  g1->SetParent(form);
  w->SetParent(form);
  g2->SetParent(form);
  // panel (windowed) was first; the windowless ones come before every windowed one.
  ASSERT_EQ(form->ControlCount(), 4);
  EXPECT_EQ(form->Controls(0), g1);
  EXPECT_EQ(form->Controls(1), g2);
  EXPECT_EQ(form->Controls(2), panel);
  EXPECT_EQ(form->Controls(3), w);
  g1->BringToFront();
  EXPECT_EQ(form->Controls(1), g1);
  w->SendToBack();
  EXPECT_EQ(form->Controls(2), w);
}

TEST_F(Notifications, RecolouringReachesChildrenThatFollowTheirParent) {
  auto* follows = new TTestWin(form);
  follows->SetName("Follows");
  follows->SetParent(panel);
  auto* own = new TTestWin(form);
  own->SetName("Own");
  own->SetParent(panel);
  own->SetColor(clRed);
  EXPECT_FALSE(own->ParentColor());
  EXPECT_TRUE(follows->ParentColor());
  const std::set<UINT> colour = {CM_COLORCHANGED, CM_PARENTCOLORCHANGED};
  log.Watch(panel, colour);
  log.Watch(follows, colour);
  log.Watch(own, colour);
  panel->SetColor(clYellow);
  EXPECT_EQ(log.Joined(),
            "Panel:CM_COLORCHANGED Follows:CM_PARENTCOLORCHANGED Follows:CM_COLORCHANGED Own:CM_PARENTCOLORCHANGED");
  EXPECT_EQ(follows->Color(), clYellow);
  EXPECT_TRUE(follows->ParentColor());  // taking the parent's colour keeps following it
  EXPECT_EQ(own->Color(), clRed);
  EXPECT_EQ(panel->Brush()->Color(), clYellow);
  // Following the parent again takes its colour at once.
  own->SetParentColor(true);
  EXPECT_EQ(own->Color(), clYellow);
}

TEST_F(Notifications, FontChangesReachChildrenThatFollowTheirParent) {
  auto* child = new TTestWin(form);
  child->SetName("Child");
  child->SetParent(panel);
  auto* g = new TTestGraphic(form);
  g->SetName("Label");
  g->SetParent(panel);
  log.Watch(child, {CM_FONTCHANGED, CM_PARENTFONTCHANGED});
  log.Watch(g, {CM_FONTCHANGED, CM_PARENTFONTCHANGED});
  panel->Font()->SetHeight(-20);
  EXPECT_EQ(log.Joined(),
            "Label:CM_PARENTFONTCHANGED Label:CM_FONTCHANGED Child:CM_PARENTFONTCHANGED Child:CM_FONTCHANGED");
  EXPECT_EQ(child->Font()->Height(), -20);
  EXPECT_EQ(g->Font()->Height(), -20);
  EXPECT_TRUE(child->ParentFont());
  // A font of its own stops the following.
  child->Font()->SetStyle(TFontStyles{fsBold});
  EXPECT_FALSE(child->ParentFont());
  panel->Font()->SetHeight(-14);
  EXPECT_EQ(child->Font()->Height(), -20);
  EXPECT_EQ(g->Font()->Height(), -14);
}

TEST_F(Notifications, DisablingTellsTheControlAndDisablesItsWindow) {
  form->Show();
  Pump();
  auto* child = new TTestWin(form);
  child->SetName("Child");
  child->SetParent(panel);
  log.Watch(child, {CM_ENABLEDCHANGED});
  child->SetEnabled(false);
  EXPECT_EQ(log.Joined(), "Child:CM_ENABLEDCHANGED");
  EXPECT_FALSE(IsWindowEnabled(child->WindowHandle()));
  EXPECT_FALSE(child->CanFocus());
  child->SetEnabled(false);  // no change, no notice
  EXPECT_EQ(log.Entries().size(), 1u);
  child->SetEnabled(true);
  EXPECT_TRUE(IsWindowEnabled(child->WindowHandle()));
}

TEST_F(Notifications, ShowingGoesChildrenFirstAndHidingParentFirst) {
  auto* child = new TTestWin(form);
  child->SetName("Child");
  child->SetParent(panel);
  log.Watch(form, {CM_SHOWINGCHANGED, CM_VISIBLECHANGED});
  log.Watch(panel, {CM_SHOWINGCHANGED});
  log.Watch(child, {CM_SHOWINGCHANGED});
  form->Show();
  EXPECT_EQ(log.Joined(),
            "Form:CM_VISIBLECHANGED Child:CM_SHOWINGCHANGED Panel:CM_SHOWINGCHANGED Form:CM_SHOWINGCHANGED");
  EXPECT_TRUE(child->Showing());
  EXPECT_TRUE(IsWindowVisible(child->WindowHandle()));
  log.Clear();
  form->Hide();
  EXPECT_EQ(log.Joined(),
            "Form:CM_VISIBLECHANGED Form:CM_SHOWINGCHANGED Panel:CM_SHOWINGCHANGED Child:CM_SHOWINGCHANGED");
  EXPECT_FALSE(child->Showing());
  EXPECT_FALSE(IsWindowVisible(form->WindowHandle()));
}

TEST_F(Notifications, HidingAControlHidesItsWindowOnly) {
  form->Show();
  Pump();
  log.Watch(panel, {CM_VISIBLECHANGED, CM_SHOWINGCHANGED});
  panel->SetVisible(false);
  EXPECT_EQ(log.Joined(), "Panel:CM_VISIBLECHANGED Panel:CM_SHOWINGCHANGED");
  EXPECT_FALSE(IsWindowVisible(panel->WindowHandle()));
  EXPECT_TRUE(IsWindowVisible(form->WindowHandle()));
}

TEST_F(Notifications, FocusEntersDownTheChainAndExitsUpToTheCommonParent) {
  auto* a = new TTestWin(form);
  a->SetName("A");
  a->SetParent(panel);
  auto* other = new TTestWin(form);
  other->SetName("Other");
  other->SetControlStyle(other->ControlStyle() + csAcceptsControls);
  other->SetBounds(0, 120, 200, 60);
  other->SetParent(form);
  auto* b = new TTestWin(form);
  b->SetName("B");
  b->SetParent(other);
  const std::set<UINT> focus = {CM_ACTIVATE, CM_ENTER, CM_EXIT, WM_SETFOCUS, WM_KILLFOCUS};
  for (TControl* c : std::initializer_list<TControl*>{form, panel, a, other, b}) log.Watch(c, focus);
  int entered = 0;
  a->OnEnter = [&](TObject*) { ++entered; };
  int activated = 0;
  form->OnActivate = [&](TObject*) { ++activated; };
  // Showing activates the form, which gives the focus to its first tab stop.
  form->Show();
  Pump();
  EXPECT_TRUE(a->Focused());
  EXPECT_EQ(form->ActiveControl(), a);
  EXPECT_EQ(Screen->ActiveControl(), a);
  EXPECT_EQ(Screen->FocusedForm(), form);
  EXPECT_EQ(entered, 1);
  EXPECT_EQ(activated, 1);
  EXPECT_EQ(log.Joined(), "A:WM_SETFOCUS Form:CM_ACTIVATE Panel:CM_ENTER A:CM_ENTER");
  auto entries = log.Entries();
  auto pos = [&](const std::string& e) { return std::find(entries.begin(), entries.end(), e) - entries.begin(); };
  log.Clear();
  b->SetFocus();
  Pump();
  EXPECT_TRUE(b->Focused());
  entries = log.Entries();
  std::vector<std::string> enterExit;
  for (const std::string& e : entries)
    if (e.find("CM_ENTER") != std::string::npos || e.find("CM_EXIT") != std::string::npos) enterExit.push_back(e);
  EXPECT_EQ(enterExit, (std::vector<std::string>{"A:CM_EXIT", "Panel:CM_EXIT", "Other:CM_ENTER", "B:CM_ENTER"}));
  EXPECT_LT(pos("A:WM_KILLFOCUS"), pos("B:WM_SETFOCUS"));
  EXPECT_LT(pos("B:WM_SETFOCUS"), pos("A:CM_EXIT"));
  // Focus within the same form does not activate it again.
  EXPECT_EQ(activated, 1);
}

TEST_F(Notifications, AControlThatMovesTheFocusOnExitWins) {
  auto* a = new TTestWin(form);
  a->SetName("A");
  a->SetParent(form);
  auto* b = new TTestWin(form);
  b->SetName("B");
  b->SetParent(form);
  b->SetTop(30);
  form->Show();
  Pump();
  a->SetFocus();
  Pump();
  // A refuses to lose the focus: its exit handler takes it back.
  a->OnExit = [&](TObject*) { a->SetFocus(); };
  b->SetFocus();
  Pump();
  EXPECT_TRUE(a->Focused());
  EXPECT_EQ(form->ActiveControl(), a);
}

TEST_F(Notifications, ActiveControlMustBeAbleToTakeTheFocus) {
  auto* a = new TTestWin(form);
  a->SetParent(form);
  a->SetVisible(false);
  EXPECT_THROW(form->SetActiveControl(a), EInvalidOperation);
  try {
    form->SetActiveControl(a);
  } catch (const EInvalidOperation& e) {
    EXPECT_EQ(e.Message(), "Cannot focus a disabled or invisible window");
  }
  a->SetVisible(true);
  form->SetActiveControl(a);
  EXPECT_EQ(form->ActiveControl(), a);
  // Removing the active control from the form clears it.
  a->SetParent(nullptr);
  EXPECT_EQ(form->ActiveControl(), nullptr);
  a->Free();
}

}  // namespace

namespace {

using MoreNotifications = Notifications;

TEST_F(MoreNotifications, ChildCommandsAreReflectedBackAsCNCommand) {
  form->Show();
  Pump();
  MessageLog log2;
  log2.Watch(panel, {CN_COMMAND, WM_COMMAND});
  auto* child = new TTestWin(form);
  child->SetName("Child");
  child->SetParent(panel);
  log2.Watch(child, {CN_COMMAND});
  // The child tells its parent, as a native control does; the parent sends it back reflected.
  SendMessage(panel->Handle(), WM_COMMAND, MAKEWPARAM(1, EN_CHANGE), reinterpret_cast<LPARAM>(child->Handle()));
  EXPECT_EQ(log2.Joined(), "Panel:WM_COMMAND Child:CN_COMMAND");
}

TEST_F(MoreNotifications, SystemColourChangesReachEveryControl) {
  form->Show();
  Pump();
  auto* child = new TTestWin(form);
  child->SetName("Child");
  child->SetParent(panel);
  auto* g = new TTestGraphic(form);
  g->SetName("Label");
  g->SetParent(panel);
  log.Watch(form, {CM_SYSCOLORCHANGE});
  log.Watch(panel, {CM_SYSCOLORCHANGE});
  log.Watch(child, {CM_SYSCOLORCHANGE});
  log.Watch(g, {CM_SYSCOLORCHANGE});
  int index = COLOR_BTNFACE;
  COLORREF old = GetSysColor(index), color = RGB(1, 2, 3);
  SetSysColors(1, &index, &color);
  Pump();
  SetSysColors(1, &index, &old);
  Pump();
  ASSERT_GE(log.Entries().size(), 4u);
  auto first = std::vector<std::string>(log.Entries().begin(), log.Entries().begin() + 4);
  EXPECT_EQ(first, (std::vector<std::string>{"Form:CM_SYSCOLORCHANGE", "Panel:CM_SYSCOLORCHANGE", "Label:CM_SYSCOLORCHANGE",
                                             "Child:CM_SYSCOLORCHANGE"}));
}

TEST_F(MoreNotifications, APressElsewhereCancelsTheModeOfTheActiveControl) {
  auto* a = new TTestWin(form);
  a->SetName("A");
  a->SetParent(form);
  auto* g = new TTestGraphic(form);
  g->SetBounds(200, 150, 40, 20);
  g->SetParent(form);
  form->Show();
  Pump();
  ASSERT_EQ(form->ActiveControl(), a);
  TObject* sender = nullptr;
  int cancels = 0;
  a->SetWindowProc([&, old = a->WindowProc()](TMessage& m) {
    if (m.Msg == CM_CANCELMODE) {
      ++cancels;
      sender = reinterpret_cast<TObject*>(m.LParam);
    }
    old(m);
  });
  ClickAt(g, 5, 5);
  EXPECT_EQ(cancels, 1);
  EXPECT_EQ(sender, g);
}

TEST_F(MoreNotifications, AControlThatWantsASpecialKeyKeepsItFromTheForm) {
  auto* a = new TTestWin(form);
  a->SetName("A");
  a->SetParent(form);
  form->Show();
  Pump();
  int dialogKeys = 0, wanted = 0;
  form->SetWindowProc([&, old = form->WindowProc()](TMessage& m) {
    if (m.Msg == CM_DIALOGKEY) ++dialogKeys;
    old(m);
  });
  a->SetWindowProc([&, old = a->WindowProc()](TMessage& m) {
    if (m.Msg == CM_WANTSPECIALKEY) {
      ++wanted;
      m.Result = m.CharCode() == VK_RETURN ? 1 : 0;
      return;
    }
    old(m);
  });
  KeyPress(VK_RETURN);
  EXPECT_EQ(wanted, 1);
  EXPECT_EQ(dialogKeys, 0);
  KeyPress(VK_ESCAPE);
  EXPECT_EQ(wanted, 2);
  EXPECT_EQ(dialogKeys, 1);
}

TEST_F(MoreNotifications, DialogCharsReachTheControlsUnlessAControlWantsChars) {
  auto* a = new TTestWin(form);
  a->SetName("A");
  a->SetParent(form);
  form->Show();
  Pump();
  log.Watch(a, {CM_DIALOGCHAR});
  log.Watch(panel, {CM_DIALOGCHAR});
  FanoInputText("k");
  Pump();
  EXPECT_EQ(log.Joined(), "Panel:CM_DIALOGCHAR A:CM_DIALOGCHAR");
  log.Clear();
  a->SetWindowProc([old = a->WindowProc()](TMessage& m) {
    if (m.Msg == WM_GETDLGCODE) {
      m.Result = DLGC_WANTCHARS;
      return;
    }
    old(m);
  });
  FanoInputText("k");
  Pump();
  EXPECT_TRUE(log.Entries().empty());
}

TEST_F(MoreNotifications, TheApplicationAdoptsAHostWindowAsOwnerOfItsForms) {
  WNDCLASS wc{};
  wc.lpfnWndProc = &DefWindowProc;
  wc.lpszClassName = "AdoptedHost";
  RegisterClass(&wc);  // again in a later run is fine: the class stays
  HWND host = CreateWindowEx(0, "AdoptedHost", "host", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(host, nullptr);
  Application->SetHandle(host);
  EXPECT_EQ(Application->Handle(), host);
  auto* f = new TForm(nullptr);
  f->HandleNeeded();
  EXPECT_EQ(GetWindow(f->Handle(), GW_OWNER), host);
  f->Free();
  Application->SetHandle(nullptr);
  DestroyWindow(host);
}

TEST_F(MoreNotifications, ScreenKnowsFormsDataModulesAndMetrics) {
  EXPECT_EQ(Screen->CustomFormCount(), 1);
  EXPECT_EQ(Screen->CustomForms(0), form);
  EXPECT_EQ(Screen->PixelsPerInch(), 96);
  EXPECT_EQ(Screen->Width(), 1280);
  EXPECT_EQ(Screen->WorkAreaRect(), Rect(0, 0, 1280, 1024));
  int before = Screen->DataModuleCount();
  auto* dm = new TDataModule(nullptr);
  EXPECT_EQ(Screen->DataModuleCount(), before + 1);
  dm->Free();
  EXPECT_EQ(Screen->DataModuleCount(), before);
  Screen->SetCursor(crHourGlass);
  EXPECT_EQ(GetCursor(), Screen->Cursors(crHourGlass));
  Screen->SetCursor(crDefault);
  EXPECT_EQ(Screen->Cursor(), crDefault);
}

}  // namespace

namespace {

using TextNotifications = Notifications;

TEST_F(TextNotifications, ChangingTheTextTellsTheControlOnceWithOrWithoutAWindow) {
  auto* g = new TTestGraphic(form);
  g->SetName("Label");
  g->SetParent(form);
  log.Watch(g, {CM_TEXTCHANGED});
  log.Watch(panel, {CM_TEXTCHANGED});
  g->SetCaption("金额");
  g->SetCaption("金额");  // the same text: no notice
  panel->SetCaption("面板");
  EXPECT_EQ(log.Joined(), "Label:CM_TEXTCHANGED Panel:CM_TEXTCHANGED");
  EXPECT_EQ(g->Caption(), "金额");
  // The window takes the text over when it is made, and gives it back when it goes.
  form->Show();
  Pump();
  char buf[32] = "";
  GetWindowText(panel->Handle(), buf, sizeof buf);
  EXPECT_STREQ(buf, "面板");
  SetWindowText(panel->Handle(), "新");
  panel->SetParent(nullptr);  // its window goes
  EXPECT_FALSE(panel->HandleAllocated());
  EXPECT_EQ(panel->Caption(), "新");
  panel->Free();
  panel = nullptr;
}

}  // namespace
