// Invalidation and painting: update regions, erase, WM_PAINT when nothing else waits, BeginPaint's
// clipping to the update region, children and clipping styles, RedrawWindow, UpdateWindow,
// ScrollWindowEx, the non-client frame and snapshots.
#include "platform/os/wingdi.h"
#include "support/testpaths.h"
#include "wm_test_util.h"

using namespace wmtest;

namespace {

class Paint : public WmTest {
 protected:
  // Paints the whole update area in one colour (through BeginPaint's clipping).
  void PaintWith(HWND h, COLORREF color, std::vector<RECT>* paintRects = nullptr, std::vector<BOOL>* erased = nullptr) {
    Hooks()[h] = [=](HWND wnd, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
      if (m != WM_PAINT) return std::nullopt;
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(wnd, &ps);
      if (paintRects) paintRects->push_back(ps.rcPaint);
      if (erased) erased->push_back(ps.fErase);
      RECT all;
      GetClientRect(wnd, &all);
      HBRUSH b = CreateSolidBrush(color);
      FillRect(dc, &all, b);
      DeleteObject(b);
      EndPaint(wnd, &ps);
      return 0;
    };
  }
};

TEST_F(Paint, InvalidatedAreasArePaintedOnceAndOnlyThere) {
  HWND w = Top(0, 0, 100, 80);
  std::vector<RECT> rects;
  std::vector<BOOL> erased;
  PaintWith(w, RGB(255, 0, 0), &rects, &erased);
  FanoPumpMessages();
  ASSERT_EQ(rects.size(), 1u) << "a new window paints itself";
  EXPECT_EQ(rects[0].right, 100);
  EXPECT_EQ(FanoGetWindowPixel(w, 50, 50), RGB(255, 0, 0));
  PaintWith(w, RGB(0, 0, 255), &rects, &erased);
  rects.clear();
  erased.clear();
  RECT r1{10, 10, 20, 20}, r2{30, 10, 40, 20};
  InvalidateRect(w, &r1, FALSE);
  InvalidateRect(w, &r2, FALSE);
  RECT u;
  ASSERT_TRUE(GetUpdateRect(w, &u, FALSE));
  EXPECT_EQ(u.left, 10);
  EXPECT_EQ(u.right, 40);
  FanoPumpMessages();
  ASSERT_EQ(rects.size(), 1u) << "both areas in one WM_PAINT";
  EXPECT_EQ(erased[0], FALSE) << "no erase asked: nothing for the painter to erase";
  EXPECT_EQ(FanoGetWindowPixel(w, 15, 15), RGB(0, 0, 255));
  EXPECT_EQ(FanoGetWindowPixel(w, 35, 15), RGB(0, 0, 255));
  EXPECT_EQ(FanoGetWindowPixel(w, 25, 15), RGB(255, 0, 0)) << "between the two areas nothing was drawn";
  EXPECT_FALSE(GetUpdateRect(w, &u, FALSE));
  // Erase asked but the window does not erase: the painter must.
  Hooks()[w] = [&, inner = Hooks()[w]](HWND h, UINT m, WPARAM wp, LPARAM lp) -> std::optional<LRESULT> {
    if (m == WM_ERASEBKGND) return 0;
    return inner(h, m, wp, lp);
  };
  erased.clear();
  InvalidateRect(w, &r1, TRUE);
  FanoPumpMessages();
  ASSERT_EQ(erased.size(), 1u);
  EXPECT_EQ(erased[0], TRUE);
  // Validation removes areas before they are painted.
  InvalidateRect(w, nullptr, TRUE);
  ValidateRect(w, nullptr);
  rects.clear();
  FanoPumpMessages();
  EXPECT_TRUE(rects.empty());
}

// A window squeezed to no width (or no height) and grown again keeps what it can and paints anew.
TEST_F(Paint, AWindowResizedThroughZeroSizeKeepsPainting) {
  HWND w = Top(0, 0, 60, 40);
  PaintWith(w, RGB(0, 128, 0));
  FanoPumpMessages();
  for (auto [cx, cy] : {std::pair{0, 40}, std::pair{0, 0}, std::pair{60, 0}, std::pair{70, 50}}) {
    SetWindowPos(w, nullptr, 0, 0, cx, cy, SWP_NOMOVE | SWP_NOZORDER);
    FanoPumpMessages();
  }
  EXPECT_EQ(FanoGetWindowPixel(w, 65, 45), RGB(0, 128, 0));
}

// A small change on a large window gives the display only that part to send: a painted 10 x 10
// area, the caret's blink, a scroll's moved pixels.
TEST_F(Paint, OnlyTheChangedPartsGoToTheDisplay) {
  HWND w = Top(0, 0, 1280, 800);
  PaintWith(w, RGB(200, 200, 200));
  FanoPumpMessages();
  RECT d[40];
  EXPECT_GE(FanoTakeWindowDamage(w, d, 40), 1) << "the first paint covers the window";
  EXPECT_EQ(FanoTakeWindowDamage(w, d, 40), 0) << "taken: nothing left";
  RECT small{600, 400, 610, 410};
  InvalidateRect(w, &small, FALSE);
  FanoPumpMessages();
  ASSERT_EQ(FanoTakeWindowDamage(w, d, 40), 1);
  EXPECT_TRUE(EqualRect(&d[0], &small));
  // Two distant changes stay two pieces, not the area between them.
  RECT a{10, 10, 20, 20}, b{1000, 700, 1010, 710};
  InvalidateRect(w, &a, FALSE);
  InvalidateRect(w, &b, FALSE);
  FanoPumpMessages();
  ASSERT_EQ(FanoTakeWindowDamage(w, d, 40), 2);
  // The caret blinking: its own few pixels.
  CreateCaret(w, nullptr, 2, 16);
  SetCaretPos(100, 50);
  ShowCaret(w);
  FanoTakeWindowDamage(w, d, 40);
  HideCaret(w);
  ASSERT_EQ(FanoTakeWindowDamage(w, d, 40), 1);
  EXPECT_EQ(d[0].right - d[0].left, 2);
  EXPECT_EQ(d[0].bottom - d[0].top, 16);
  DestroyCaret();
}

TEST_F(Paint, EraseComesFromBeginPaintWithTheClassBrush) {
  HWND w = Top(0, 0, 60, 40);
  FanoPumpMessages();
  Log().clear();
  InvalidateRect(w, nullptr, TRUE);
  FanoPumpMessages();
  EXPECT_EQ(Ids(Of(w, {WM_PAINT, WM_ERASEBKGND})), (std::vector<UINT>{WM_PAINT, WM_ERASEBKGND}));
  EXPECT_EQ(FanoGetWindowPixel(w, 5, 5), GetSysColor(COLOR_WINDOW));
  Log().clear();
  InvalidateRect(w, nullptr, FALSE);
  FanoPumpMessages();
  EXPECT_EQ(Count(w, WM_ERASEBKGND), 0);
}

TEST_F(Paint, ChildrenAreClippedOutOfAParentThatAsksForIt) {
  HWND top = Top(0, 0, 100, 100, WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN);
  HWND child = Child(top, 20, 20, 30, 30);
  PaintWith(child, RGB(0, 255, 0));
  FanoPumpMessages();
  PaintWith(top, RGB(255, 0, 0));
  Log().clear();
  InvalidateRect(top, nullptr, FALSE);
  FanoPumpMessages();
  EXPECT_EQ(Count(child, WM_PAINT), 0) << "a clip-children parent does not invalidate its children";
  EXPECT_EQ(FanoGetWindowPixel(top, 5, 5), RGB(255, 0, 0));
  EXPECT_EQ(FanoGetWindowPixel(top, 30, 30), RGB(0, 255, 0));
  // Without the style the children are invalidated too, and paint after their parent.
  SetWindowLong(top, GWL_STYLE, static_cast<LONG>(GetWindowLong(top, GWL_STYLE) & ~WS_CLIPCHILDREN));
  Log().clear();
  InvalidateRect(top, nullptr, FALSE);
  FanoPumpMessages();
  EXPECT_EQ(Ids(Of(nullptr, {WM_PAINT})), (std::vector<UINT>{WM_PAINT, WM_PAINT}));
  EXPECT_EQ(Of(nullptr, {WM_PAINT})[0].hwnd, top);
  EXPECT_EQ(FanoGetWindowPixel(top, 30, 30), RGB(0, 255, 0));
  // Hiding the child exposes its place in the parent.
  Log().clear();
  ShowWindow(child, SW_HIDE);
  FanoPumpMessages();
  EXPECT_EQ(Count(top, WM_PAINT), 1);
  EXPECT_EQ(FanoGetWindowPixel(top, 30, 30), RGB(255, 0, 0));
}

TEST_F(Paint, UpdateWindowAndRedrawWindowPaintAtOnce) {
  HWND w = Top(0, 0, 50, 50);
  HWND c = Child(w, 0, 0, 10, 10);
  FanoPumpMessages();
  Log().clear();
  InvalidateRect(w, nullptr, TRUE);
  UpdateWindow(w);
  EXPECT_EQ(Count(w, WM_PAINT), 1);
  EXPECT_EQ(Count(c, WM_PAINT), 1) << "children with updates paint too";
  Log().clear();
  RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_NOCHILDREN);
  EXPECT_EQ(Count(w, WM_PAINT), 1);
  EXPECT_EQ(Count(c, WM_PAINT), 0);
  Log().clear();
  RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE | RDW_ALLCHILDREN | RDW_ERASENOW);
  EXPECT_EQ(Count(w, WM_PAINT), 0);
  EXPECT_EQ(Count(w, WM_ERASEBKGND), 1);
  EXPECT_EQ(Count(w, WM_NCPAINT), 1);
  FanoPumpMessages();
  EXPECT_EQ(Count(w, WM_PAINT), 1);
  Log().clear();
  RedrawWindow(w, nullptr, nullptr, RDW_INTERNALPAINT);
  FanoPumpMessages();
  EXPECT_EQ(Count(w, WM_PAINT), 1) << "an internal paint without an update area";
}

TEST_F(Paint, ScrollWindowExMovesPixelsAndInvalidatesWhatWasUncovered) {
  HWND w = Top(0, 0, 100, 100);
  FanoPumpMessages();
  HDC dc = GetDC(w);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  RECT sq{10, 40, 20, 50};
  FillRect(dc, &sq, red);
  DeleteObject(red);
  ReleaseDC(w, dc);
  EXPECT_EQ(FanoGetWindowPixel(w, 15, 45), RGB(255, 0, 0));
  HRGN update = CreateRectRgn(0, 0, 0, 0);
  RECT ur;
  int kind = ScrollWindowEx(w, 0, -30, nullptr, nullptr, update, &ur, SW_INVALIDATE);
  EXPECT_NE(kind, ERROR);
  EXPECT_EQ(FanoGetWindowPixel(w, 15, 15), RGB(255, 0, 0)) << "moved up by 30";
  EXPECT_EQ(ur.top, 70);
  EXPECT_EQ(ur.bottom, 100);
  EXPECT_TRUE(PtInRegion(update, 50, 80));
  EXPECT_FALSE(PtInRegion(update, 50, 20));
  RECT u;
  ASSERT_TRUE(GetUpdateRect(w, &u, FALSE));
  EXPECT_EQ(u.top, 70);
  DeleteObject(update);
  // A pending update inside the scrolled area moves with it.
  ValidateRect(w, nullptr);
  RECT pending{0, 50, 10, 60};
  InvalidateRect(w, &pending, FALSE);
  ScrollWindowEx(w, 0, -10, nullptr, nullptr, nullptr, nullptr, 0);
  GetUpdateRect(w, &u, FALSE);
  EXPECT_EQ(u.top, 40);
  EXPECT_EQ(u.bottom, 50);
}

TEST_F(Paint, WindowDcDrawsTheFrameAndClientDcStaysInside) {
  HWND w = Top(0, 0, 60, 40, WS_POPUP | WS_VISIBLE | WS_BORDER);
  FanoPumpMessages();
  EXPECT_EQ(FanoGetWindowPixel(w, 0, 0), GetSysColor(COLOR_WINDOWFRAME)) << "the thin border";
  HDC dc = GetDC(w);
  HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
  RECT big{-5, -5, 100, 100};
  FillRect(dc, &big, blue);
  ReleaseDC(w, dc);
  EXPECT_EQ(FanoGetWindowPixel(w, 0, 0), GetSysColor(COLOR_WINDOWFRAME)) << "the client DC cannot reach the frame";
  EXPECT_EQ(FanoGetWindowPixel(w, 1, 1), RGB(0, 0, 255));
  HDC wdc = GetWindowDC(w);
  RECT corner{0, 0, 1, 1};
  FillRect(wdc, &corner, blue);
  ReleaseDC(w, wdc);
  DeleteObject(blue);
  EXPECT_EQ(FanoGetWindowPixel(w, 0, 0), RGB(0, 0, 255));
  HDC again = GetDC(w);
  EXPECT_EQ(WindowFromDC(again), w);
  EXPECT_EQ(ReleaseDC(Top(0, 0, 1, 1), again), 0) << "a DC goes back to its own window only";
  EXPECT_EQ(ReleaseDC(w, again), 1);
}

}  // namespace

namespace {

class PaintMore : public WmTest {};

TEST_F(PaintMore, ScrollDcMovesPixelsOfTheDcAndReportsTheUncoveredArea) {
  HWND w = Top(0, 0, 60, 60);
  FanoPumpMessages();
  HDC dc = GetDC(w);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  RECT sq{0, 0, 10, 10};
  FillRect(dc, &sq, red);
  DeleteObject(red);
  RECT scroll{0, 0, 60, 60}, uncovered;
  HRGN update = CreateRectRgn(0, 0, 0, 0);
  ASSERT_TRUE(ScrollDC(dc, 20, 0, &scroll, &scroll, update, &uncovered));
  ReleaseDC(w, dc);
  EXPECT_EQ(FanoGetWindowPixel(w, 25, 5), RGB(255, 0, 0));
  EXPECT_EQ(uncovered.left, 0);
  EXPECT_EQ(uncovered.right, 20);
  EXPECT_TRUE(PtInRegion(update, 5, 30));
  EXPECT_FALSE(PtInRegion(update, 30, 30));
  DeleteObject(update);
}

TEST_F(PaintMore, GetUpdateRgnHandsOutTheExactArea) {
  HWND w = Top(0, 0, 60, 60);
  FanoPumpMessages();
  RECT a{0, 0, 10, 10}, b{30, 30, 40, 40};
  InvalidateRect(w, &a, FALSE);
  InvalidateRect(w, &b, FALSE);
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetUpdateRgn(w, rgn, FALSE), COMPLEXREGION);
  EXPECT_TRUE(PtInRegion(rgn, 5, 5));
  EXPECT_FALSE(PtInRegion(rgn, 20, 20));
  ValidateRgn(w, rgn);
  EXPECT_EQ(GetUpdateRgn(w, rgn, FALSE), NULLREGION);
  DeleteObject(rgn);
}

TEST_F(PaintMore, NonClientPaintingDrawsEdgesAndScrollBars) {
  HWND w = Top(0, 0, 100, 80, WS_POPUP | WS_VISIBLE | WS_VSCROLL, WS_EX_CLIENTEDGE);
  FanoPumpMessages();
  EXPECT_EQ(FanoGetWindowPixel(w, 0, 40), GetSysColor(COLOR_BTNSHADOW)) << "the sunken edge";
  EXPECT_EQ(FanoGetWindowPixel(w, 99, 40), GetSysColor(COLOR_BTNHIGHLIGHT));
  // The bar between the edge and the client: arrows in the button face.
  int barLeft = 100 - 2 - GetSystemMetrics(SM_CXVSCROLL);
  EXPECT_EQ(FanoGetWindowPixel(w, barLeft + 3, 2 + 8), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(FanoGetWindowPixel(w, barLeft + 8, 2 + 50), GetSysColor(COLOR_SCROLLBAR)) << "the track below the thumb";
  RECT c;
  GetClientRect(w, &c);
  EXPECT_EQ(c.right, 100 - 4 - GetSystemMetrics(SM_CXVSCROLL));
}

}  // namespace

namespace {

class Snapshot : public WmTest {};

TEST_F(Snapshot, AWindowWithItsChildrenIsWrittenAsPng) {
  HWND top = Top(10, 10, 64, 48, WS_POPUP | WS_VISIBLE | WS_BORDER);
  HWND child = Child(top, 5, 5, 20, 10);
  FanoPumpMessages();
  std::string path = testpaths::SnapshotPath("wm_snapshot.png");
  ASSERT_TRUE(FanoSnapshotWindow(top, path.c_str()));
  FILE* f = fopen(path.c_str(), "rb");
  ASSERT_NE(f, nullptr);
  unsigned char head[24] = {};
  ASSERT_EQ(fread(head, 1, sizeof head, f), sizeof head);
  fclose(f);
  EXPECT_EQ(head[1], 'P');
  EXPECT_EQ(head[2], 'N');
  EXPECT_EQ(head[3], 'G');
  int width = (head[16] << 24) | (head[17] << 16) | (head[18] << 8) | head[19];
  int height = (head[20] << 24) | (head[21] << 16) | (head[22] << 8) | head[23];
  EXPECT_EQ(width, 64);
  EXPECT_EQ(height, 48);
  ASSERT_TRUE(FanoSnapshotWindow(child, path.c_str()));
  f = fopen(path.c_str(), "rb");
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(fread(head, 1, sizeof head, f), sizeof head);
  fclose(f);
  EXPECT_EQ(head[19], 20) << "a child alone";
  remove(path.c_str());
  EXPECT_FALSE(FanoSnapshotWindow(reinterpret_cast<HWND>(static_cast<uintptr_t>(6)), path.c_str()));
}

}  // namespace
