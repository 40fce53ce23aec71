// Input: focus and activation hand-over with the other window's handle, capture, mouse routing
// with non-client hits and disabled windows, double clicks for classes that ask for them, mouse
// activation, wheel, hover and leave tracking, keys with their state and characters, the caret.
#include <cstring>

#include "wm_test_util.h"

using namespace wmtest;

namespace {

class Input : public WmTest {
 protected:
  void Click(int x, int y, int button = 0) {
    FanoInputMouseButton(button, TRUE, x, y);
    FanoInputMouseButton(button, FALSE, x, y);
    FanoPumpMessages();
  }
  void Key(UINT vk) {
    FanoInputKey(vk, TRUE);
    FanoInputKey(vk, FALSE);
    FanoPumpMessages();
  }
  std::string Chars(HWND h) {
    std::u16string s;
    for (const Rec& r : Of(h, {WM_CHAR})) s.push_back(static_cast<char16_t>(r.wp));
    std::string out;
    for (char16_t c : s) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return out;
  }
};

TEST_F(Input, FocusHandOverCarriesTheOtherWindow) {
  HWND top = Top(0, 0, 200, 100);
  HWND a = Child(top, 0, 0, 50, 20);
  HWND b = Child(top, 60, 0, 50, 20);
  SetFocus(a);
  Log().clear();
  HWND seenDuringKill = nullptr;
  Hooks()[a] = [&](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_KILLFOCUS) seenDuringKill = GetFocus();
    return std::nullopt;
  };
  EXPECT_EQ(SetFocus(b), a);
  auto focus = Of(nullptr, {WM_KILLFOCUS, WM_SETFOCUS});
  ASSERT_EQ(focus.size(), 2u);
  EXPECT_EQ(focus[0].hwnd, a);
  EXPECT_EQ(focus[0].msg, static_cast<UINT>(WM_KILLFOCUS));
  EXPECT_EQ(reinterpret_cast<HWND>(focus[0].wp), b);
  EXPECT_EQ(focus[1].hwnd, b);
  EXPECT_EQ(focus[1].msg, static_cast<UINT>(WM_SETFOCUS));
  EXPECT_EQ(reinterpret_cast<HWND>(focus[1].wp), a);
  EXPECT_EQ(seenDuringKill, b) << "the focus has already moved when the old window hears of it";
  EXPECT_EQ(GetFocus(), b);
  Log().clear();
  EXPECT_EQ(SetFocus(b), b);
  EXPECT_TRUE(Of(nullptr, {WM_KILLFOCUS, WM_SETFOCUS}).empty()) << "no messages when nothing changes";
  // Disabling the focused window takes the focus away.
  EnableWindow(b, FALSE);
  EXPECT_EQ(GetFocus(), nullptr);
  ASSERT_EQ(Count(b, WM_KILLFOCUS), 1);
  EXPECT_EQ(Of(b, {WM_KILLFOCUS})[0].wp, 0u);
  // Destroying the focused child hands the focus to its parent.
  SetFocus(a);
  DestroyWindow(a);
  EXPECT_EQ(GetFocus(), top);
}

// A click and the keys typed right after it are queued together; a look into the queue for
// something else before the click is handled (a control peeking for a message of its own) does
// not send the keys to the window that had the focus then.
TEST_F(Input, KeysGoToTheFocusWhenTheyAreTakenNotWhenTheQueueWasLookedAt) {
  HWND top = Top(0, 0, 200, 100);
  HWND a = Child(top, 0, 0, 50, 20);
  HWND b = Child(top, 60, 0, 50, 20);
  Hooks()[b] = [&](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_LBUTTONDOWN) SetFocus(b);
    return std::nullopt;
  };
  SetFocus(a);
  FanoPumpMessages();
  Log().clear();
  POINT p{70, 10};
  ClientToScreen(top, &p);
  FanoInputMouseButton(0, TRUE, p.x, p.y);
  FanoInputMouseButton(0, FALSE, p.x, p.y);
  FanoInputKey('X', TRUE);
  FanoInputKey('X', FALSE);
  FanoInputText("演");
  MSG m;
  EXPECT_FALSE(PeekMessage(&m, top, WM_USER + 1, WM_USER + 1, PM_NOREMOVE));
  FanoPumpMessages();
  EXPECT_EQ(GetFocus(), b);
  EXPECT_TRUE(Of(a, {WM_KEYDOWN, WM_CHAR}).empty()) << "keys typed after the click reached the window left";
  EXPECT_EQ(Of(b, {WM_KEYDOWN}).size(), 1u);
  EXPECT_EQ(Of(b, {WM_CHAR}).size(), 2u);  // x, and the committed character
}

// MessageBeep sounds on the display (the headless one is silent) and is counted.
TEST_F(Input, BeepsAreCounted) {
  const int before = FanoBeepCount();
  EXPECT_TRUE(MessageBeep(0));
  MessageBeep(0x30);
  EXPECT_EQ(FanoBeepCount() - before, 2);
}

TEST_F(Input, ActivationMovesBetweenTopLevelWindowsAndSetsTheFocus) {
  HWND one = Top(0, 0, 100, 100);
  HWND two = Top(200, 0, 100, 100);
  EXPECT_EQ(GetActiveWindow(), two) << "showing a window activates it";
  Log().clear();
  EXPECT_EQ(SetActiveWindow(one), two);
  auto act = Of(nullptr, {WM_ACTIVATE});
  ASSERT_EQ(act.size(), 2u);
  EXPECT_EQ(act[0].hwnd, two);
  EXPECT_EQ(LOWORD(act[0].wp), WA_INACTIVE);
  EXPECT_EQ(reinterpret_cast<HWND>(act[0].lp), one);
  EXPECT_EQ(act[1].hwnd, one);
  EXPECT_EQ(LOWORD(act[1].wp), WA_ACTIVE);
  EXPECT_EQ(reinterpret_cast<HWND>(act[1].lp), two);
  EXPECT_EQ(GetFocus(), one) << "the default handling gives the activated window the focus";
  // Showing without activation leaves the active window alone.
  HWND popup = Top(0, 200, 50, 50, WS_POPUP);
  ShowWindow(popup, SW_SHOWNOACTIVATE);
  EXPECT_TRUE(IsWindowVisible(popup));
  EXPECT_EQ(GetActiveWindow(), one);
  SetWindowPos(popup, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  EXPECT_EQ(GetActiveWindow(), one);
  // Hiding the active window activates another one.
  ShowWindow(one, SW_HIDE);
  EXPECT_NE(GetActiveWindow(), one);
  EXPECT_NE(GetActiveWindow(), nullptr);
}

TEST_F(Input, CaptureHandOverTellsTheLoserWhoTookIt) {
  HWND top = Top(0, 0, 200, 100);
  HWND a = Child(top, 0, 0, 50, 20);
  HWND b = Child(top, 60, 0, 50, 20);
  EXPECT_EQ(SetCapture(a), nullptr);
  EXPECT_EQ(SetCapture(b), a);
  ASSERT_EQ(Count(a, WM_CAPTURECHANGED), 1);
  EXPECT_EQ(reinterpret_cast<HWND>(Of(a, {WM_CAPTURECHANGED})[0].lp), b);
  // With the capture, the mouse goes to the capturing window wherever it is.
  Log().clear();
  FanoInputMouseMove(10, 10);
  FanoInputMouseMove(500, 500);
  FanoPumpMessages();
  auto moves = Of(nullptr, {WM_MOUSEMOVE});
  ASSERT_EQ(moves.size(), 1u) << "moves not yet looked at collapse into one";
  EXPECT_EQ(moves[0].hwnd, b);
  EXPECT_EQ(GET_X_LPARAM(moves[0].lp), 500 - 60);
  ReleaseCapture();
  ASSERT_EQ(Count(b, WM_CAPTURECHANGED), 1);
  EXPECT_EQ(Of(b, {WM_CAPTURECHANGED})[0].lp, 0);
  EXPECT_EQ(GetCapture(), nullptr);
  // Cancel mode releases the capture through the default handling; disabling sends it.
  SetCapture(a);
  EnableWindow(a, FALSE);
  EXPECT_EQ(Count(a, WM_CANCELMODE), 1);
  EXPECT_EQ(GetCapture(), nullptr);
}

// Mouse input goes where the capture says when it is taken: a press looked at while another window
// held the mouse reaches the window under the pointer once the capture is gone, and a press looked
// at again counts once towards a double click.
TEST_F(Input, QueuedMouseInputFollowsACaptureChange) {
  HWND top = Top(0, 0, 200, 100);
  HWND a = Child(top, 0, 0, 50, 20);
  HWND b = Child(top, 60, 0, 50, 20);
  FanoPumpMessages();
  POINT onB{5, 5};
  ClientToScreen(b, &onB);
  MSG m;
  for (bool release : {true, false}) {
    SCOPED_TRACE(release ? "capture released" : "capture taken by the window under the pointer");
    ClockAdvance(1000);
    Log().clear();
    if (release) SetCapture(a);
    FanoInputMouseButton(0, TRUE, onB.x, onB.y);
    ASSERT_TRUE(PeekMessage(&m, nullptr, WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, PM_NOREMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_LBUTTONDOWN));
    EXPECT_EQ(m.hwnd, release ? a : b);
    if (release) ReleaseCapture();
    else SetCapture(b);
    FanoInputMouseButton(0, FALSE, onB.x, onB.y);
    FanoPumpMessages();
    ReleaseCapture();
    EXPECT_EQ(Count(a, WM_LBUTTONDOWN), 0);
    EXPECT_EQ(Count(b, WM_LBUTTONDOWN), 1);
    EXPECT_EQ(Count(b, WM_LBUTTONDBLCLK), 0);
    EXPECT_EQ(Count(b, WM_LBUTTONUP), 1);
  }
  // A second click straight after the first is its double click.
  Log().clear();
  Click(onB.x, onB.y);
  EXPECT_EQ(Count(b, WM_LBUTTONDBLCLK), 1);
}

TEST_F(Input, MouseGoesToTheWindowUnderThePointerOrItsParentWhenDisabled) {
  HWND top = Top(100, 100, 200, 100, WS_POPUP | WS_VISIBLE | WS_BORDER);
  HWND a = Child(top, 10, 10, 50, 20);
  FanoPumpMessages();
  Log().clear();
  Click(100 + 1 + 10 + 5, 100 + 1 + 10 + 6);
  auto downs = Of(nullptr, {WM_LBUTTONDOWN, WM_LBUTTONUP});
  ASSERT_EQ(downs.size(), 2u);
  EXPECT_EQ(downs[0].hwnd, a);
  EXPECT_EQ(GET_X_LPARAM(downs[0].lp), 5);
  EXPECT_EQ(GET_Y_LPARAM(downs[0].lp), 6);
  EXPECT_EQ(downs[0].wp & MK_LBUTTON, static_cast<WPARAM>(MK_LBUTTON));
  EXPECT_EQ(downs[1].wp & MK_LBUTTON, 0u);
  EXPECT_EQ(Count(top, WM_PARENTNOTIFY), 1) << "the parent hears of a press in a child";
  // A disabled child lets its parent take the press.
  EnableWindow(a, FALSE);
  Log().clear();
  ClockAdvance(1000);
  Click(100 + 1 + 10 + 5, 100 + 1 + 10 + 6);
  EXPECT_EQ(Count(a, WM_LBUTTONDOWN), 0);
  EXPECT_EQ(Count(top, WM_LBUTTONDOWN), 1);
  // The public window-at-point finds disabled windows all the same.
  EXPECT_EQ(WindowFromPoint(POINT{100 + 1 + 10 + 5, 100 + 1 + 10 + 6}), a);
  // The border is not client area: non-client messages with the hit code and screen position.
  Log().clear();
  ClockAdvance(1000);
  Click(100, 150);
  auto nc = Of(top, {WM_NCLBUTTONDOWN});
  ASSERT_EQ(nc.size(), 1u);
  EXPECT_EQ(nc[0].wp, static_cast<WPARAM>(HTBORDER));
  EXPECT_EQ(GET_X_LPARAM(nc[0].lp), 100);
}

TEST_F(Input, DoubleClicksOnlyForClassesThatAskForThem) {
  HWND dbl = Top(0, 0, 100, 100, WS_POPUP | WS_VISIBLE, 0, "WmTest");
  HWND plain = Top(200, 0, 100, 100, WS_POPUP | WS_VISIBLE, 0, "WmTestPlain");
  FanoPumpMessages();
  Log().clear();
  Click(10, 10);
  ClockAdvance(GetDoubleClickTime());
  Click(11, 12);  // within the time and the double-click area
  ClockAdvance(100);
  Click(11, 12);  // a third click starts over
  EXPECT_EQ(Ids(Of(dbl, {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK})),
            (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_LBUTTONDOWN}));
  Log().clear();
  ClockAdvance(1000);
  Click(210, 10);
  ClockAdvance(100);
  Click(210, 10);
  EXPECT_EQ(Ids(Of(plain, {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK})), (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONDOWN}));
  // Too slow, too far, or another button: no double click.
  Log().clear();
  ClockAdvance(1000);
  Click(10, 10);
  ClockAdvance(GetDoubleClickTime() + 1);
  Click(10, 10);
  ClockAdvance(1000);
  Click(10, 10);
  ClockAdvance(10);
  Click(10 + GetSystemMetrics(SM_CXDOUBLECLK), 10);
  ClockAdvance(1000);
  Click(10, 10);
  ClockAdvance(10);
  Click(10, 10, 1);
  EXPECT_EQ(Count(dbl, WM_LBUTTONDBLCLK), 0);
  EXPECT_EQ(Count(dbl, WM_RBUTTONDBLCLK), 0);
}

TEST_F(Input, MouseActivationCanActivateOrNot) {
  HWND main = Top(0, 0, 100, 100);
  HWND popup = Top(200, 0, 100, 100, WS_POPUP);
  ShowWindow(popup, SW_SHOWNA);
  FanoPumpMessages();
  ASSERT_EQ(GetActiveWindow(), main);
  Hooks()[popup] = [](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_MOUSEACTIVATE) return MA_NOACTIVATE;
    return std::nullopt;
  };
  Log().clear();
  Click(210, 10);
  ASSERT_EQ(Count(popup, WM_MOUSEACTIVATE), 1);
  auto ma = Of(popup, {WM_MOUSEACTIVATE})[0];
  EXPECT_EQ(reinterpret_cast<HWND>(ma.wp), popup);
  EXPECT_EQ(LOWORD(ma.lp), HTCLIENT);
  EXPECT_EQ(HIWORD(ma.lp), WM_LBUTTONDOWN);
  EXPECT_EQ(GetActiveWindow(), main) << "MA_NOACTIVATE keeps the activation where it was";
  EXPECT_EQ(Count(popup, WM_LBUTTONDOWN), 1);
  Hooks()[popup] = [](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_MOUSEACTIVATE) return MA_ACTIVATEANDEAT;
    return std::nullopt;
  };
  Log().clear();
  ClockAdvance(1000);
  Click(210, 10);
  EXPECT_EQ(GetActiveWindow(), popup);
  EXPECT_EQ(Count(popup, WM_LBUTTONDOWN), 0) << "the press that activated is eaten";
  EXPECT_EQ(Count(popup, WM_LBUTTONUP), 1);
  EXPECT_EQ(LOWORD(Of(popup, {WM_ACTIVATE})[0].wp), WA_CLICKACTIVE);
}

TEST_F(Input, SetCursorGoesToTheWindowAndTheParentMayDecide) {
  HWND top = Top(0, 0, 100, 100);
  HWND a = Child(top, 0, 0, 50, 50);
  FanoPumpMessages();
  Log().clear();
  HCURSOR wait = LoadCursor(nullptr, IDC_WAIT);
  Hooks()[top] = [&](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_SETCURSOR) {
      SetCursor(wait);
      return TRUE;
    }
    return std::nullopt;
  };
  FanoInputMouseMove(10, 10);
  FanoPumpMessages();
  ASSERT_EQ(Count(a, WM_SETCURSOR), 1);
  EXPECT_EQ(Count(top, WM_SETCURSOR), 1) << "the default handling asks the parent first";
  EXPECT_EQ(GetCursor(), wait);
  EXPECT_EQ(LOWORD(Of(a, {WM_SETCURSOR})[0].lp), HTCLIENT);
  EXPECT_EQ(HIWORD(Of(a, {WM_SETCURSOR})[0].lp), WM_MOUSEMOVE);
  Hooks().erase(top);
  FanoInputMouseMove(11, 10);
  FanoPumpMessages();
  EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_ARROW)) << "the class cursor";
  EXPECT_EQ(LoadCursor(nullptr, IDC_WAIT), wait) << "standard cursors are shared";
  EXPECT_EQ(LoadCursor(nullptr, MAKEINTRESOURCE(1)), nullptr);
}

TEST_F(Input, WheelGoesToTheFocusAndUpToTheParent) {
  HWND top = Top(0, 0, 100, 100);
  HWND a = Child(top, 0, 0, 50, 50);
  SetFocus(a);
  FanoPumpMessages();
  Log().clear();
  FanoInputMouseWheel(-WHEEL_DELTA, 80, 80);
  FanoPumpMessages();
  ASSERT_EQ(Count(a, WM_MOUSEWHEEL), 1);
  auto w = Of(a, {WM_MOUSEWHEEL})[0];
  EXPECT_EQ(static_cast<int16_t>(HIWORD(w.wp)), -WHEEL_DELTA);
  EXPECT_EQ(GET_X_LPARAM(w.lp), 80) << "screen coordinates";
  EXPECT_EQ(Count(top, WM_MOUSEWHEEL), 1) << "not handled by the child: passed to its parent";
}

TEST_F(Input, HoverAndLeaveTracking) {
  HWND top = Top(0, 0, 200, 100);
  HWND a = Child(top, 0, 0, 50, 50);
  HWND b = Child(top, 100, 0, 50, 50);
  FanoInputMouseMove(10, 10);
  FanoPumpMessages();
  TRACKMOUSEEVENT t{sizeof t, TME_LEAVE | TME_HOVER, a, 300};
  ASSERT_TRUE(TrackMouseEvent(&t));
  TRACKMOUSEEVENT q{sizeof q, TME_QUERY, nullptr, 0};
  TrackMouseEvent(&q);
  EXPECT_EQ(q.hwndTrack, a);
  Log().clear();
  FanoAdvanceAndPump(299, 10);
  EXPECT_EQ(Count(a, WM_MOUSEHOVER), 0);
  FanoAdvanceAndPump(10, 10);
  ASSERT_EQ(Count(a, WM_MOUSEHOVER), 1);
  EXPECT_EQ(GET_X_LPARAM(Of(a, {WM_MOUSEHOVER})[0].lp), 10);
  FanoInputMouseMove(20, 20);
  FanoPumpMessages();
  EXPECT_EQ(Count(a, WM_MOUSELEAVE), 0) << "still inside";
  FanoInputMouseMove(110, 10);
  FanoPumpMessages();
  EXPECT_EQ(Count(a, WM_MOUSELEAVE), 1);
  EXPECT_EQ(Count(b, WM_MOUSELEAVE), 0);
  FanoInputMouseMove(400, 400);
  FanoPumpMessages();
  EXPECT_EQ(Count(a, WM_MOUSELEAVE), 1) << "tracking ended with the leave";
  // Asking for a leave while the pointer is elsewhere answers at once.
  TRACKMOUSEEVENT t2{sizeof t2, TME_LEAVE, b, HOVER_DEFAULT};
  TrackMouseEvent(&t2);
  FanoPumpMessages();
  EXPECT_EQ(Count(b, WM_MOUSELEAVE), 1);
}

TEST_F(Input, KeysBecomeKeyMessagesWithStateAndCharacters) {
  HWND top = Top(0, 0, 100, 100);
  HWND edit = Child(top, 0, 0, 50, 20);
  SetFocus(edit);
  FanoPumpMessages();
  Log().clear();
  Key('A');
  FanoInputKey(VK_SHIFT, TRUE);
  FanoInputKey('B', TRUE);
  FanoPumpMessages();
  EXPECT_LT(GetKeyState(VK_SHIFT), 0);
  EXPECT_LT(GetAsyncKeyState('B'), 0);
  FanoInputKey('B', FALSE);
  Key('1');
  FanoInputKey(VK_SHIFT, FALSE);
  Key(VK_RETURN);
  Key(VK_OEM_PERIOD);
  FanoInputKey(VK_CONTROL, TRUE);
  Key('C');
  FanoInputKey(VK_CONTROL, FALSE);
  FanoPumpMessages();
  EXPECT_GE(GetKeyState(VK_SHIFT), 0);
  EXPECT_EQ(Chars(edit), std::string("aB!\r.") + '\x03');
  auto downs = Of(edit, {WM_KEYDOWN});
  ASSERT_FALSE(downs.empty());
  EXPECT_EQ(downs[0].wp, static_cast<WPARAM>('A'));
  EXPECT_EQ((downs[0].lp >> 16) & 0xFF, 30) << "the scan code travels in the key data";
  EXPECT_EQ(Of(edit, {WM_KEYUP})[0].lp & (1LL << 31), 1LL << 31);
  // Typing from the input method arrives as UTF-16 characters.
  Log().clear();
  FanoInputText("中文😀");
  FanoPumpMessages();
  auto chars = Of(edit, {WM_CHAR});
  ASSERT_EQ(chars.size(), 4u);
  EXPECT_EQ(chars[0].wp, 0x4E2Du);
  EXPECT_EQ(chars[1].wp, 0x6587u);
  EXPECT_EQ(chars[2].wp, 0xD83Du);
  EXPECT_EQ(chars[3].wp, 0xDE00u);
  // With Alt the keys are system keys.
  Log().clear();
  FanoInputKey(VK_MENU, TRUE);
  Key('X');
  FanoInputKey(VK_MENU, FALSE);
  FanoPumpMessages();
  EXPECT_EQ(Count(edit, WM_SYSKEYDOWN), 2);
  EXPECT_EQ(Count(edit, WM_SYSCHAR), 1);
}

TEST_F(Input, KeyStateFollowsTheMessagesTakenNotTheOnesWaiting) {
  HWND top = Top(0, 0, 100, 100);
  SetFocus(top);
  FanoPumpMessages();
  FanoInputKey(VK_CONTROL, TRUE);
  EXPECT_LT(GetAsyncKeyState(VK_CONTROL), 0);
  EXPECT_GE(GetKeyState(VK_CONTROL), 0) << "not yet taken from the queue";
  FanoPumpMessages();
  EXPECT_LT(GetKeyState(VK_CONTROL), 0);
  FanoInputKey(VK_CONTROL, FALSE);
  FanoPumpMessages();
  Key(VK_CAPITAL);
  EXPECT_EQ(GetKeyState(VK_CAPITAL) & 1, 1) << "caps lock toggles";
  Key(VK_CAPITAL);
  EXPECT_EQ(GetKeyState(VK_CAPITAL) & 1, 0);
}

TEST_F(Input, CaretDrawsByInvertingAndBlinksOnTheClock) {
  HWND top = Top(0, 0, 100, 50);
  FanoPumpMessages();
  COLORREF before = FanoGetWindowPixel(top, 10, 10);
  ASSERT_TRUE(CreateCaret(top, nullptr, 2, 12));
  SetCaretPos(10, 5);
  EXPECT_EQ(FanoGetWindowPixel(top, 10, 10), before) << "a new caret is hidden";
  ShowCaret(top);
  EXPECT_EQ(FanoGetWindowPixel(top, 10, 10), before ^ 0xFFFFFFu);
  EXPECT_EQ(FanoGetWindowPixel(top, 12, 10), before) << "two pixels wide";
  FanoAdvanceAndPump(GetCaretBlinkTime(), 10);
  EXPECT_EQ(FanoGetWindowPixel(top, 10, 10), before) << "blinked off";
  FanoAdvanceAndPump(GetCaretBlinkTime(), 10);
  EXPECT_EQ(FanoGetWindowPixel(top, 10, 10), before ^ 0xFFFFFFu);
  HideCaret(top);
  EXPECT_EQ(FanoGetWindowPixel(top, 10, 10), before);
  ShowCaret(top);
  SetCaretPos(30, 5);
  EXPECT_EQ(FanoGetWindowPixel(top, 10, 10), before);
  EXPECT_EQ(FanoGetWindowPixel(top, 30, 10), before ^ 0xFFFFFFu);
  POINT p;
  ASSERT_TRUE(GetCaretPos(&p));
  EXPECT_EQ(p.x, 30);
  DestroyCaret();
  EXPECT_EQ(FanoGetWindowPixel(top, 30, 10), before);
  EXPECT_FALSE(GetCaretPos(&p));
}

}  // namespace

namespace {

class Tracking : public WmTest {};

TEST_F(Tracking, MoveByTheTitleFollowsTheMouseUntilRelease) {
  HWND host = Top(0, 0, 400, 300);
  HWND form = Child(host, 50, 40, 200, 100);
  Hooks()[form] = [](HWND h, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_LBUTTONDOWN) {
      ReleaseCapture();
      SendMessage(h, WM_SYSCOMMAND, 0xF011, 0);
      return 0;
    }
    return std::nullopt;
  };
  FanoPumpMessages();
  FanoInputMouseButton(0, TRUE, 60, 45);
  FanoPumpMessages();
  FanoInputMouseMove(80, 60);
  FanoPumpMessages();
  RECT r;
  GetWindowRect(form, &r);
  EXPECT_EQ(r.left, 70);
  EXPECT_EQ(r.top, 55);
  FanoInputMouseButton(0, FALSE, 90, 70);
  FanoPumpMessages();
  FanoInputMouseMove(200, 200);
  FanoPumpMessages();
  GetWindowRect(form, &r);
  EXPECT_EQ(r.left, 80) << "the move ended with the release, where the pointer was then";
  EXPECT_EQ(r.top, 65);
  EXPECT_EQ(Count(form, WM_EXITSIZEMOVE), 1);
}

}  // namespace

namespace {

class Cursors : public WmTest {};

TEST_F(Cursors, CursorsFromPlanesAndPixelsAreOwnedByTheCaller) {
  // 16 x 16: the AND plane all 1 (transparent) except the top row, the XOR plane all 0.
  uint8_t andPlane[32], xorPlane[32] = {};
  memset(andPlane, 0xFF, sizeof andPlane);
  andPlane[0] = andPlane[1] = 0;
  HCURSOR c = CreateCursor(nullptr, 3, 4, 16, 16, andPlane, xorPlane);
  ASSERT_NE(c, nullptr);
  HCURSOR old = SetCursor(c);
  EXPECT_EQ(GetCursor(), c);
  uint32_t px[4] = {0xFF000000u, 0, 0, 0xFFFFFFFFu};
  HCURSOR p = CreateCursorFromPixels(0, 0, 2, 2, px);
  ASSERT_NE(p, nullptr);
  EXPECT_NE(p, c);
  EXPECT_EQ(SetCursor(p), c);
  EXPECT_TRUE(DestroyCursor(c));
  EXPECT_FALSE(DestroyCursor(c)) << "already gone";
  EXPECT_FALSE(DestroyCursor(LoadCursor(nullptr, IDC_ARROW))) << "standard cursors are shared";
  EXPECT_EQ(CreateCursor(nullptr, 0, 0, 0, 16, andPlane, xorPlane), nullptr);
  EXPECT_EQ(CreateCursorFromPixels(0, 0, 2, 2, nullptr), nullptr);
  SetCursor(old);
  DestroyCursor(p);
}

}  // namespace
