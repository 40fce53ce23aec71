// Scroll bars: ranges, pages and positions, hiding or disabling when nothing can scroll, the client
// size when a bar shows, the user's clicks and thumb drags with their scroll codes and the track
// position, and the scroll-bar control.
#include "platform/os/wingdi.h"
#include "wm_test_util.h"

using namespace wmtest;

namespace {

class Scroll : public WmTest {};

int ClientWidth(HWND h) {
  RECT r;
  GetClientRect(h, &r);
  return r.right;
}

int ClientHeight(HWND h) {
  RECT r;
  GetClientRect(h, &r);
  return r.bottom;
}

TEST_F(Scroll, RangePageAndPositionAreKeptInBounds) {
  HWND w = Top(0, 0, 200, 100);
  SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 99, 10, 500, 0};
  EXPECT_EQ(SetScrollInfo(w, SB_VERT, &si, TRUE), 90) << "the last position shows the last page";
  SCROLLINFO got{sizeof got, SIF_ALL, 0, 0, 0, 0, 0};
  ASSERT_TRUE(GetScrollInfo(w, SB_VERT, &got));
  EXPECT_EQ(got.nMin, 0);
  EXPECT_EQ(got.nMax, 99);
  EXPECT_EQ(got.nPage, 10u);
  EXPECT_EQ(got.nPos, 90);
  EXPECT_EQ(got.nTrackPos, 90);
  EXPECT_EQ(SetScrollPos(w, SB_VERT, -5, TRUE), 90);
  EXPECT_EQ(GetScrollPos(w, SB_VERT), 0);
  si = SCROLLINFO{sizeof si, SIF_PAGE, 0, 0, 1000, 0, 0};
  SetScrollInfo(w, SB_VERT, &si, TRUE);
  GetScrollInfo(w, SB_VERT, &got);
  EXPECT_EQ(got.nPage, 100u) << "a page never exceeds the range";
  int lo = 0, hi = 0;
  SetScrollRange(w, SB_HORZ, 5, 50, FALSE);
  GetScrollRange(w, SB_HORZ, &lo, &hi);
  EXPECT_EQ(lo, 5);
  EXPECT_EQ(hi, 50);
}

TEST_F(Scroll, ShowingABarShrinksTheClientAreaAndHidingGivesItBack) {
  HWND w = Top(0, 0, 200, 100);
  EXPECT_EQ(ClientWidth(w), 200);
  Log().clear();
  SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE, 0, 99, 10, 0, 0};
  SetScrollInfo(w, SB_VERT, &si, TRUE);
  EXPECT_TRUE(GetWindowLong(w, GWL_STYLE) & WS_VSCROLL);
  EXPECT_EQ(ClientWidth(w), 200 - GetSystemMetrics(SM_CXVSCROLL));
  ASSERT_GE(Count(w, WM_SIZE), 1) << "the window hears of its new client size";
  EXPECT_EQ(LOWORD(Of(w, {WM_SIZE}).back().lp), 200 - GetSystemMetrics(SM_CXVSCROLL));
  si = SCROLLINFO{sizeof si, SIF_RANGE | SIF_PAGE, 0, 9, 10, 0, 0};  // everything fits: hidden
  SetScrollInfo(w, SB_VERT, &si, TRUE);
  EXPECT_FALSE(GetWindowLong(w, GWL_STYLE) & WS_VSCROLL);
  EXPECT_EQ(ClientWidth(w), 200);
  // Disabling instead of hiding keeps the bar and its room.
  si = SCROLLINFO{sizeof si, SIF_RANGE | SIF_PAGE | SIF_DISABLENOSCROLL, 0, 9, 10, 0, 0};
  SetScrollInfo(w, SB_HORZ, &si, TRUE);
  EXPECT_TRUE(GetWindowLong(w, GWL_STYLE) & WS_HSCROLL);
  EXPECT_EQ(ClientHeight(w), 100 - GetSystemMetrics(SM_CYHSCROLL));
  ShowScrollBar(w, SB_BOTH, FALSE);
  EXPECT_EQ(ClientHeight(w), 100);
  ShowScrollBar(w, SB_BOTH, TRUE);
  EXPECT_EQ(ClientWidth(w), 200 - GetSystemMetrics(SM_CXVSCROLL));
  EXPECT_EQ(ClientHeight(w), 100 - GetSystemMetrics(SM_CYHSCROLL));
  EXPECT_EQ(SendMessage(w, WM_NCHITTEST, 0, MAKELPARAM(195, 10)), HTVSCROLL);
  EXPECT_EQ(SendMessage(w, WM_NCHITTEST, 0, MAKELPARAM(10, 95)), HTHSCROLL);
}

TEST_F(Scroll, ClicksOnArrowsAndPagesSendScrollCodesAndRepeat) {
  HWND w = Top(0, 0, 200, 100, WS_POPUP | WS_VISIBLE);
  SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 99, 10, 50, 0};
  SetScrollInfo(w, SB_VERT, &si, TRUE);
  FanoPumpMessages();
  Log().clear();
  int x = 200 - 8;
  FanoInputMouseButton(0, TRUE, x, 100 - 3);  // the down arrow
  FanoPumpMessages();
  FanoAdvanceAndPump(199, 1);
  EXPECT_EQ(Count(w, WM_VSCROLL), 1) << "one step at the press, repeats after a pause";
  FanoAdvanceAndPump(101, 1);
  EXPECT_EQ(Count(w, WM_VSCROLL), 4) << "then every 50 ms";
  FanoInputMouseButton(0, FALSE, x, 100 - 3);
  FanoPumpMessages();
  auto codes = Of(w, {WM_VSCROLL});
  for (size_t i = 0; i + 1 < codes.size(); ++i) EXPECT_EQ(LOWORD(codes[i].wp), SB_LINEDOWN);
  EXPECT_EQ(LOWORD(codes.back().wp), SB_ENDSCROLL);
  EXPECT_EQ(codes.back().lp, 0) << "a window bar sends no control handle";
  EXPECT_EQ(Count(w, WM_LBUTTONUP), 0) << "the bar took the mouse while it was pressed";
  Log().clear();
  ClockAdvance(1000);
  FanoInputMouseButton(0, TRUE, x, 20);  // above the thumb (at 50 of 0..90)
  FanoInputMouseButton(0, FALSE, x, 20);
  FanoPumpMessages();
  EXPECT_EQ(Ids(Of(w, {WM_VSCROLL})), (std::vector<UINT>{WM_VSCROLL, WM_VSCROLL}));
  EXPECT_EQ(LOWORD(Of(w, {WM_VSCROLL})[0].wp), SB_PAGEUP);
}

TEST_F(Scroll, DraggingTheThumbReportsTheTrackPosition) {
  HWND w = Top(0, 0, 200, 116, WS_POPUP | WS_VISIBLE);
  // Track 116 - 2 * 16 = 84 pixels; page 10 of 100 gives an 8-pixel thumb; 76 pixels for 0..90.
  SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 99, 10, 0, 0};
  SetScrollInfo(w, SB_VERT, &si, TRUE);
  FanoPumpMessages();
  std::vector<int> trackSeen;
  Hooks()[w] = [&](HWND h, UINT m, WPARAM wp, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_VSCROLL && (LOWORD(wp) == SB_THUMBTRACK || LOWORD(wp) == SB_THUMBPOSITION)) {
      SCROLLINFO q{sizeof q, SIF_TRACKPOS | SIF_POS, 0, 0, 0, 0, 0};
      GetScrollInfo(h, SB_VERT, &q);
      trackSeen.push_back(q.nTrackPos);
      EXPECT_EQ(q.nTrackPos, static_cast<int>(HIWORD(wp)));
      if (LOWORD(wp) == SB_THUMBPOSITION) SetScrollPos(h, SB_VERT, q.nTrackPos, TRUE);
    }
    return std::nullopt;
  };
  Log().clear();
  int x = 192;
  FanoInputMouseButton(0, TRUE, x, 16 + 2);  // on the thumb
  FanoPumpMessages();
  FanoInputMouseMove(x, 16 + 2 + 38);  // half of the 76 pixels
  FanoPumpMessages();
  FanoInputMouseMove(x, 16 + 2 + 76);
  FanoPumpMessages();
  FanoInputMouseMove(x, 16 + 2 + 500);  // beyond the end stays at the end
  FanoPumpMessages();
  FanoInputMouseButton(0, FALSE, x, 16 + 2 + 500);
  FanoPumpMessages();
  auto codes = Ids(Of(w, {WM_VSCROLL}));
  std::vector<WORD> kinds;
  for (const Rec& r : Of(w, {WM_VSCROLL})) kinds.push_back(LOWORD(r.wp));
  EXPECT_EQ(kinds, (std::vector<WORD>{SB_THUMBTRACK, SB_THUMBTRACK, SB_THUMBPOSITION, SB_ENDSCROLL}));
  EXPECT_EQ(trackSeen, (std::vector<int>{45, 90, 90}));
  EXPECT_EQ(GetScrollPos(w, SB_VERT), 90);
  SCROLLINFO after{sizeof after, SIF_TRACKPOS, 0, 0, 0, 0, 0};
  GetScrollInfo(w, SB_VERT, &after);
  EXPECT_EQ(after.nTrackPos, 90);
}

TEST_F(Scroll, ScrollBarControlTellsItsParentWithItsHandle) {
  HWND top = Top(0, 0, 300, 200);
  HWND bar = CreateWindowEx(0, "ScrollBar", "", WS_CHILD | WS_VISIBLE | SBS_HORZ, 10, 150, 200, 16, top, nullptr,
                            nullptr, nullptr);
  ASSERT_NE(bar, nullptr);
  SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 9, 5, 2, 0};
  EXPECT_EQ(SetScrollInfo(bar, SB_CTL, &si, TRUE), 2);
  EXPECT_EQ(SendMessage(bar, SBM_GETPOS, 0, 0), 2);
  EXPECT_EQ(GetScrollPos(bar, SB_CTL), 2);
  EXPECT_EQ(SendMessage(bar, SBM_SETPOS, 100, TRUE), 2);
  EXPECT_EQ(GetScrollPos(bar, SB_CTL), 5);
  FanoPumpMessages();
  Log().clear();
  FanoInputMouseButton(0, TRUE, 10 + 3, 150 + 8);  // the left arrow
  FanoInputMouseButton(0, FALSE, 10 + 3, 150 + 8);
  FanoPumpMessages();
  auto h = Of(top, {WM_HSCROLL});
  ASSERT_EQ(h.size(), 2u);
  EXPECT_EQ(LOWORD(h[0].wp), SB_LINELEFT);
  EXPECT_EQ(reinterpret_cast<HWND>(h[0].lp), bar);
  // The control never hides itself; with nothing to scroll and the flag it disables.
  si = SCROLLINFO{sizeof si, SIF_RANGE | SIF_DISABLENOSCROLL, 0, 0, 0, 0, 0};
  SetScrollInfo(bar, SB_CTL, &si, TRUE);
  EXPECT_TRUE(IsWindowVisible(bar));
  Log().clear();
  FanoInputMouseButton(0, TRUE, 10 + 3, 150 + 8);
  FanoInputMouseButton(0, FALSE, 10 + 3, 150 + 8);
  FanoPumpMessages();
  EXPECT_EQ(Count(top, WM_HSCROLL), 0) << "disabled arrows do nothing";
}

TEST_F(Scroll, EnableScrollBarDisablesArrows) {
  HWND w = Top(0, 0, 200, 100, WS_POPUP | WS_VISIBLE | WS_VSCROLL);
  SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 99, 10, 50, 0};
  SetScrollInfo(w, SB_VERT, &si, TRUE);
  EXPECT_TRUE(EnableScrollBar(w, SB_VERT, ESB_DISABLE_DOWN));
  EXPECT_FALSE(EnableScrollBar(w, SB_VERT, ESB_DISABLE_DOWN)) << "no change";
  FanoPumpMessages();
  Log().clear();
  FanoInputMouseButton(0, TRUE, 192, 97);
  FanoInputMouseButton(0, FALSE, 192, 97);
  FanoPumpMessages();
  EXPECT_EQ(Count(w, WM_VSCROLL), 0);
  ClockAdvance(1000);
  FanoInputMouseButton(0, TRUE, 192, 3);
  FanoInputMouseButton(0, FALSE, 192, 3);
  FanoPumpMessages();
  EXPECT_EQ(Count(w, WM_VSCROLL), 2);
}

}  // namespace
