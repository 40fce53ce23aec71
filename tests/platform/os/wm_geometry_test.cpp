// Geometry: window and client rectangles with frames and edges, SetWindowPos and its messages,
// showing, maximising, re-parenting, coordinates, windows at a point, z-order, window regions.
#include "platform/os/wingdi.h"
#include "wm_test_util.h"

using namespace wmtest;

namespace {

class Geometry : public WmTest {};

RECT Client(HWND h) {
  RECT r{};
  GetClientRect(h, &r);
  return r;
}

TEST_F(Geometry, ClientAreaLeavesRoomForFramesEdgesAndCaption) {
  HWND plain = Top(0, 0, 100, 80, WS_POPUP);
  EXPECT_EQ(Client(plain).right, 100);
  HWND border = Top(0, 0, 100, 80, WS_POPUP | WS_BORDER);
  EXPECT_EQ(Client(border).right, 98);
  EXPECT_EQ(Client(border).bottom, 78);
  HWND edge = Top(0, 0, 100, 80, WS_POPUP, WS_EX_CLIENTEDGE);
  EXPECT_EQ(Client(edge).right, 96);
  HWND sizable = Top(0, 0, 200, 150, WS_OVERLAPPEDWINDOW);
  RECT c = Client(sizable);
  EXPECT_EQ(c.right, 200 - 2 * GetSystemMetrics(SM_CXFRAME));
  EXPECT_EQ(c.bottom, 150 - 2 * GetSystemMetrics(SM_CYFRAME) - GetSystemMetrics(SM_CYCAPTION));
  POINT p{0, 0};
  ClientToScreen(sizable, &p);
  EXPECT_EQ(p.x, GetSystemMetrics(SM_CXFRAME));
  EXPECT_EQ(p.y, GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION));
  RECT adj{0, 0, c.right, c.bottom};
  AdjustWindowRectEx(&adj, WS_OVERLAPPEDWINDOW, FALSE, 0);
  EXPECT_EQ(adj.right - adj.left, 200);
  EXPECT_EQ(adj.bottom - adj.top, 150);
}

TEST_F(Geometry, SetWindowPosSendsChangingAndChangedAndTheHandlerMayAdjust) {
  HWND top = Top(0, 0, 300, 200);
  HWND a = Child(top, 10, 10, 50, 20);
  Hooks()[a] = [](HWND, UINT m, WPARAM, LPARAM l) -> std::optional<LRESULT> {
    if (m == WM_WINDOWPOSCHANGING) {
      auto* p = reinterpret_cast<WINDOWPOS*>(l);
      if (p->cx > 100) p->cx = 100;  // never wider than 100
    }
    return std::nullopt;
  };
  Log().clear();
  ASSERT_TRUE(SetWindowPos(a, nullptr, 20, 30, 150, 40, SWP_NOZORDER));
  EXPECT_EQ(Ids(Of(a, {WM_WINDOWPOSCHANGING, WM_NCCALCSIZE, WM_WINDOWPOSCHANGED, WM_SIZE, WM_MOVE})),
            (std::vector<UINT>{WM_WINDOWPOSCHANGING, WM_NCCALCSIZE, WM_WINDOWPOSCHANGED, WM_SIZE, WM_MOVE}));
  auto size = Of(a, {WM_SIZE})[0];
  EXPECT_EQ(LOWORD(size.lp), 100);
  EXPECT_EQ(HIWORD(size.lp), 40);
  RECT wr;
  GetWindowRect(a, &wr);
  EXPECT_EQ(wr.left, 20);
  EXPECT_EQ(wr.top, 30);
  EXPECT_EQ(wr.right - wr.left, 100);
  // Moving only: no WM_SIZE.
  Log().clear();
  MoveWindow(a, 25, 30, 100, 40, TRUE);
  EXPECT_EQ(Count(a, WM_SIZE), 0);
  EXPECT_EQ(Count(a, WM_MOVE), 1);
  EXPECT_EQ(GET_X_LPARAM(Of(a, {WM_MOVE})[0].lp), 25);
}

TEST_F(Geometry, ShowWindowStatesAndMaximiseToTheWorkAreaOrTheParent) {
  RECT work{0, 0, 800, 570};
  FanoSetWorkArea(&work);
  HWND top = Top(100, 100, 200, 150, WS_POPUP);
  EXPECT_FALSE(ShowWindow(top, SW_SHOWMAXIMIZED)) << "answers whether it was visible";
  EXPECT_TRUE(IsZoomed(top));
  RECT r;
  GetWindowRect(top, &r);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.bottom, 570);
  ASSERT_GE(Count(top, WM_SIZE), 1);
  EXPECT_EQ(Of(top, {WM_SIZE}).back().wp, static_cast<WPARAM>(SIZE_MAXIMIZED));
  EXPECT_TRUE(ShowWindow(top, SW_RESTORE));
  GetWindowRect(top, &r);
  EXPECT_EQ(r.left, 100);
  EXPECT_EQ(r.right, 300);
  WINDOWPLACEMENT wp{};
  GetWindowPlacement(top, &wp);
  EXPECT_EQ(wp.showCmd, static_cast<UINT>(SW_SHOWNORMAL));
  ShowWindow(top, SW_MINIMIZE);
  EXPECT_TRUE(IsIconic(top));
  GetWindowPlacement(top, &wp);
  EXPECT_EQ(wp.rcNormalPosition.left, 100);
  ShowWindow(top, SW_RESTORE);
  EXPECT_FALSE(IsIconic(top));
  // A borderless child maximises to its parent's client area.
  HWND host = Top(0, 0, 400, 300);
  HWND form = Child(host, 10, 10, 50, 50, WS_CHILD);
  ShowWindow(form, SW_SHOWMAXIMIZED);
  EXPECT_EQ(Client(form).right, 400);
  EXPECT_EQ(Client(form).bottom, 300);
  FanoSetWorkArea(nullptr);
}

TEST_F(Geometry, SetParentMovesAWindowIntoAForeignWindowKeepingItsPosition) {
  HWND host = Top(100, 100, 400, 300);
  HWND form = Top(20, 30, 100, 50, WS_POPUP | WS_VISIBLE);
  HWND inner = Child(form, 5, 5, 10, 10);
  SetWindowLong(form, GWL_STYLE, static_cast<LONG>((GetWindowLong(form, GWL_STYLE) & ~WS_POPUP) | WS_CHILD));
  EXPECT_EQ(SetParent(form, host), GetDesktopWindow());
  EXPECT_EQ(GetParent(form), host);
  EXPECT_TRUE(IsChild(host, inner));
  RECT r;
  GetWindowRect(form, &r);
  EXPECT_EQ(r.left, 120);
  EXPECT_EQ(r.top, 130);
  EXPECT_TRUE(IsWindowVisible(inner));
  EXPECT_EQ(WindowFromPoint(POINT{126, 136}), inner);
  // No cycles.
  EXPECT_EQ(SetParent(host, inner), nullptr);
  EXPECT_EQ(GetParent(form), host);
  // Back to top level.
  SetParent(form, nullptr);
  EXPECT_EQ(GetAncestor(form, GA_PARENT), GetDesktopWindow());
}

TEST_F(Geometry, CoordinatesMapBetweenWindows) {
  HWND top = Top(100, 50, 300, 200, WS_POPUP | WS_VISIBLE | WS_BORDER);
  HWND a = Child(top, 10, 20, 100, 100, WS_CHILD | WS_VISIBLE, 0, "WmTest", WS_EX_CLIENTEDGE);
  POINT p{0, 0};
  ClientToScreen(a, &p);
  EXPECT_EQ(p.x, 100 + 1 + 10 + 2);
  EXPECT_EQ(p.y, 50 + 1 + 20 + 2);
  ScreenToClient(a, &p);
  EXPECT_EQ(p.x, 0);
  POINT pts[2] = {{0, 0}, {5, 5}};
  MapWindowPoints(a, top, pts, 2);
  EXPECT_EQ(pts[0].x, 12);
  EXPECT_EQ(pts[1].y, 27);
}

TEST_F(Geometry, WindowsAtAPointFollowZOrderVisibilityAndTransparency) {
  HWND top = Top(0, 0, 300, 200);
  HWND below = Child(top, 10, 10, 100, 100);
  HWND above = Child(top, 50, 50, 100, 100);  // created later: in front
  EXPECT_EQ(WindowFromPoint(POINT{60, 60}), above);
  EXPECT_EQ(GetWindow(top, GW_CHILD), above);
  SetWindowPos(below, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(WindowFromPoint(POINT{60, 60}), below);
  EXPECT_EQ(GetWindow(below, GW_HWNDNEXT), above);
  ShowWindow(below, SW_HIDE);
  EXPECT_EQ(WindowFromPoint(POINT{60, 60}), above);
  EXPECT_EQ(ChildWindowFromPointEx(top, POINT{60, 60}, CWP_ALL), below) << "hidden windows count without the flag";
  EXPECT_EQ(ChildWindowFromPointEx(top, POINT{60, 60}, CWP_SKIPINVISIBLE), above);
  EnableWindow(above, FALSE);
  EXPECT_EQ(ChildWindowFromPointEx(top, POINT{60, 60}, CWP_SKIPINVISIBLE | CWP_SKIPDISABLED), top);
  EXPECT_EQ(ChildWindowFromPoint(top, POINT{250, 150}), top);
  EXPECT_EQ(ChildWindowFromPoint(top, POINT{350, 150}), nullptr);
  EnableWindow(above, TRUE);
  Hooks()[above] = [](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_NCHITTEST) return HTTRANSPARENT;
    return std::nullopt;
  };
  EXPECT_EQ(WindowFromPoint(POINT{60, 60}), top);
}

TEST_F(Geometry, TopmostAndOwnedWindowsStayInFront) {
  HWND owner = Top(0, 0, 100, 100);
  HWND owned = Top(10, 10, 50, 50, WS_POPUP | WS_VISIBLE, 0, "WmTest", owner);
  HWND other = Top(0, 0, 100, 100);
  HWND topmost = Top(0, 0, 100, 100, WS_POPUP | WS_VISIBLE, WS_EX_TOPMOST);
  EXPECT_EQ(GetWindow(owned, GW_OWNER), owner);
  EXPECT_EQ(GetParent(owned), owner) << "a popup's parent is its owner";
  SetWindowPos(owner, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  std::vector<HWND> order;
  for (HWND h = GetTopWindow(nullptr); h; h = GetWindow(h, GW_HWNDNEXT)) order.push_back(h);
  auto pos = [&](HWND h) { return std::find(order.begin(), order.end(), h) - order.begin(); };
  EXPECT_LT(pos(topmost), pos(owned));
  EXPECT_LT(pos(owned), pos(owner));
  EXPECT_LT(pos(owner), pos(other));
  // Destroying the owner takes the owned window with it.
  DestroyWindow(owner);
  EXPECT_FALSE(IsWindow(owned));
}

TEST_F(Geometry, AWindowRegionShapesHitTesting) {
  HWND top = Top(0, 0, 100, 100);
  HWND grip = Child(top, 50, 50, 20, 20);
  POINT tri[3] = {{0, 20}, {20, 20}, {20, 0}};
  HRGN rgn = CreatePolygonRgn(tri, 3, WINDING);
  ASSERT_NE(rgn, nullptr);
  EXPECT_NE(SetWindowRgn(grip, rgn, TRUE), 0);
  EXPECT_EQ(WindowFromPoint(POINT{68, 68}), grip);
  EXPECT_EQ(WindowFromPoint(POINT{51, 51}), top) << "outside the triangle";
  HRGN copy = CreateRectRgn(0, 0, 0, 0);
  EXPECT_NE(GetWindowRgn(grip, copy), ERROR);
  EXPECT_TRUE(PtInRegion(copy, 18, 18));
  EXPECT_FALSE(PtInRegion(copy, 1, 1));
  DeleteObject(copy);
  SetWindowRgn(grip, nullptr, TRUE);
  EXPECT_EQ(WindowFromPoint(POINT{51, 51}), grip);
}

}  // namespace
