// Keyboard navigation (Tab, Shift+Tab, arrows, the next-control message), key preview, and a
// form placed inside a window that is not one of ours.
#include "forms_test_util.h"

#include "platform/forms/cmessages.h"

using namespace formstest;

namespace {

class Navigation : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    form->SetName("Form");
    form->SetBounds(20, 20, 300, 240);
    box = new TTestWin(form);
    box->SetName("Box");
    box->SetControlStyle(box->ControlStyle() + csAcceptsControls);
    box->SetTabStop(false);
    box->SetBounds(0, 100, 280, 100);
    for (int i = 0; i < 3; ++i) {
      auto* c = new TTestWin(form);
      c->SetName("E" + std::to_string(i));
      c->SetBounds(0, i * 25, 60, 20);
      c->SetParent(form);
      e[i] = c;
    }
    box->SetParent(form);
    inner = new TTestWin(form);
    inner->SetName("Inner");
    inner->SetParent(box);
  }
  TWinControl* Focused() { return FindControl(GetFocus()); }
  TTestWin* box = nullptr;
  TTestWin* inner = nullptr;
  TTestWin* e[3] = {};
};

TEST_F(Navigation, TabFollowsTheTabOrderAndWraps) {
  // The tab order, not the creation order, decides: E2 comes first.
  e[2]->SetTabOrder(0);
  EXPECT_EQ(e[2]->TabOrder(), 0);
  EXPECT_EQ(e[0]->TabOrder(), 1);
  form->Show();
  Pump();
  EXPECT_EQ(Focused(), e[2]);
  KeyPress(VK_TAB);
  EXPECT_EQ(Focused(), e[0]);
  KeyPress(VK_TAB);
  EXPECT_EQ(Focused(), e[1]);
  // Into the container (not a tab stop itself) and its child.
  KeyPress(VK_TAB);
  EXPECT_EQ(Focused(), inner);
  KeyPress(VK_TAB);
  EXPECT_EQ(Focused(), e[2]);
  // Backwards.
  KeyPress(VK_TAB, true);
  EXPECT_EQ(Focused(), inner);
  KeyPress(VK_TAB, true);
  EXPECT_EQ(Focused(), e[1]);
}

TEST_F(Navigation, TabSkipsWhatCannotTakeTheFocus) {
  form->Show();
  Pump();
  EXPECT_EQ(Focused(), e[0]);
  e[1]->SetEnabled(false);
  box->SetVisible(false);
  e[2]->SetTabStop(false);
  KeyPress(VK_TAB);
  // Nothing else can take the focus: it comes back round to E0.
  EXPECT_EQ(Focused(), e[0]);
  e[2]->SetTabStop(true);
  KeyPress(VK_TAB);
  EXPECT_EQ(Focused(), e[2]);
}

TEST_F(Navigation, AControlThatWantsTabKeepsIt) {
  form->Show();
  Pump();
  int tabs = 0;
  e[0]->SetWindowProc([&, old = e[0]->WindowProc()](TMessage& m) {
    if (m.Msg == WM_GETDLGCODE) {
      m.Result = DLGC_WANTTAB;
      return;
    }
    if (m.Msg == WM_KEYDOWN && m.CharCode() == VK_TAB) ++tabs;
    old(m);
  });
  KeyPress(VK_TAB);
  EXPECT_EQ(Focused(), e[0]);
  EXPECT_EQ(tabs, 1);
}

TEST_F(Navigation, ArrowKeysMoveAmongSiblings) {
  form->Show();
  Pump();
  KeyPress(VK_DOWN);
  EXPECT_EQ(Focused(), e[1]);
  KeyPress(VK_UP);
  EXPECT_EQ(Focused(), e[0]);
}

TEST_F(Navigation, NextControlMessageMovesForwardAndBack) {
  form->Show();
  Pump();
  SendMessage(form->Handle(), WM_NEXTDLGCTL, 0, 0);
  EXPECT_EQ(Focused(), e[1]);
  SendMessage(form->Handle(), WM_NEXTDLGCTL, 1, 0);
  EXPECT_EQ(Focused(), e[0]);
  // With the handle flag: the window given.
  SendMessage(form->Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(e[2]->Handle()), 1);
  EXPECT_EQ(Focused(), e[2]);
}

TEST_F(Navigation, KeyPreviewLetsTheFormSeeKeysFirstAndEatThem) {
  form->SetKeyPreview(true);
  std::vector<std::string> seen;
  form->OnKeyDown = [&](TObject*, uint16_t& key, TShiftState) {
    seen.push_back("form");
    if (key == 'X') key = 0;  // eaten
  };
  e[0]->OnKeyDown = [&](TObject*, uint16_t&, TShiftState) { seen.push_back("control"); };
  std::u16string typed;
  e[0]->OnKeyPress = [&](TObject*, TKeyChar& ch) { typed += ch; };
  form->Show();
  Pump();
  KeyPress('A');
  EXPECT_EQ(seen, (std::vector<std::string>{"form", "control"}));
  seen.clear();
  KeyPress('X');
  EXPECT_EQ(seen, (std::vector<std::string>{"form"}));
  // Eating the key press leaves the character it makes (as the window system translates it).
  // A key changed in the preview reaches the control changed.
  form->OnKeyPress = [](TObject*, TKeyChar& ch) {
    if (ch == u'b') ch = u'B';
  };
  FanoInputText("b中");
  Pump();
  EXPECT_EQ(typed, u"axB中");
}

TEST_F(Navigation, FormHandlesTabItselfThroughTheNextControlMessage) {
  // The pattern of a form shown inside a host whose loop is not ours: the form sees Tab through
  // its key preview and moves the focus with WM_NEXTDLGCTL.
  form->SetKeyPreview(true);
  form->OnKeyDown = [&](TObject*, uint16_t& key, TShiftState shift) {
    if (key == VK_TAB) PostMessage(form->Handle(), WM_NEXTDLGCTL, shift.Contains(ssShift) ? 1 : 0, 0);
  };
  form->Show();
  Pump();
  // Dispatched without the application's loop (as a foreign loop would).
  FanoInputKey(VK_TAB, TRUE);
  FanoInputKey(VK_TAB, FALSE);
  FanoPumpMessages();
  EXPECT_EQ(Focused(), e[1]);
  FanoInputKey(VK_SHIFT, TRUE);
  FanoInputKey(VK_TAB, TRUE);
  FanoInputKey(VK_TAB, FALSE);
  FanoInputKey(VK_SHIFT, FALSE);
  FanoPumpMessages();
  EXPECT_EQ(Focused(), e[0]);
}

// ---- a form inside a foreign window ----

LRESULT ForeignProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProc(w, m, wp, lp); }

HWND MakeForeignWindow(int x, int y, int width, int height) {
  static bool registered = false;
  if (!registered) {
    WNDCLASS wc{};
    wc.lpfnWndProc = &ForeignProc;
    wc.lpszClassName = "ForeignHost";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
    RegisterClass(&wc);
    registered = true;
  }
  HWND wnd = CreateWindowEx(0, "ForeignHost", "Host", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, x, y, width,
                            height, nullptr, nullptr, nullptr, nullptr);
  SetActiveWindow(wnd);
  return wnd;
}

TEST_F(Navigation, FormReparentedIntoAForeignWindow) {
  HWND host = MakeForeignWindow(50, 50, 500, 400);
  ASSERT_TRUE(host);
  int activated = 0;
  form->OnActivate = [&](TObject*) { ++activated; };
  form->SetBorderStyle(bsNone);
  form->SetParentWindow(host);
  form->SetCaption("窗口");
  form->SetWindowState(wsMaximized);
  form->Show();
  Pump();
  HWND h = form->Handle();
  EXPECT_EQ(GetParent(h), host);
  EXPECT_TRUE(GetWindowLong(h, GWL_STYLE) & WS_CHILD);
  EXPECT_FALSE(GetWindowLong(h, GWL_STYLE) & WS_POPUP);
  EXPECT_TRUE(IsWindowVisible(h));
  // Maximised inside the host's client area.
  RECT hostClient;
  GetClientRect(host, &hostClient);
  EXPECT_EQ(form->Width(), hostClient.right);
  EXPECT_EQ(form->Height(), hostClient.bottom);
  EXPECT_EQ(form->WindowState(), wsMaximized);
  EXPECT_EQ(form->Caption(), "窗口");
  // Shown in the active host, it took the focus and was activated once.
  EXPECT_EQ(Focused(), e[0]);
  EXPECT_EQ(activated, 1);
  KeyPress(VK_TAB);
  EXPECT_EQ(Focused(), e[1]);
  // Moving to another host keeps the window.
  HWND host2 = MakeForeignWindow(100, 100, 400, 300);
  form->SetParentWindow(host2);
  EXPECT_EQ(form->Handle(), h);
  EXPECT_EQ(GetParent(h), host2);
  // Hiding gives the focus back to the host.
  form->Hide();
  Pump();
  EXPECT_FALSE(IsWindowVisible(h));
  EXPECT_EQ(Focused(), nullptr);
  DestroyWindow(host2);
  // The host took the form's window with it: the form copes and can make a new one.
  EXPECT_FALSE(form->HandleAllocated());
  EXPECT_FALSE(IsWindow(h));
  form->SetParentWindow(host);
  form->Show();
  Pump();
  EXPECT_TRUE(form->HandleAllocated());
  EXPECT_EQ(GetParent(form->Handle()), host);
  form->Free();
  form = nullptr;
  EXPECT_TRUE(IsWindow(host));
  DestroyWindow(host);
}

TEST_F(Navigation, ClickIntoAnEmbeddedFormGivesItTheFocus) {
  HWND host = MakeForeignWindow(50, 50, 500, 400);
  HWND other = CreateWindowEx(0, "ForeignHost", "", WS_CHILD | WS_VISIBLE, 0, 300, 100, 40, host, nullptr, nullptr, nullptr);
  form->SetBorderStyle(bsNone);
  form->SetParentWindow(host);
  form->SetBounds(0, 0, 300, 250);
  SetFocus(other);
  form->Show();
  Pump();
  SetFocus(other);
  EXPECT_EQ(Focused(), nullptr);
  ClickAt(form, 250, 10);  // on the form itself, not on a control
  EXPECT_EQ(Focused(), e[0]);
  SetFocus(other);
  ClickAt(e[2], 5, 5);  // on a control: the form takes the focus (the control may take it next)
  EXPECT_EQ(Focused(), e[0]);
  form->Free();
  form = nullptr;
  DestroyWindow(host);
}

}  // namespace
