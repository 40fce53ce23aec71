// System metrics, the work area and the monitor, and dynamic libraries.
#include "platform/os/wingdi.h"
#include "platform/os/wm_hooks.h"
#include "wm_test_util.h"

using namespace wmtest;

namespace {

class System : public WmTest {};

TEST_F(System, MetricsOfTheClassicLook) {
  EXPECT_EQ(GetSystemMetrics(SM_CXVSCROLL), 16);
  EXPECT_EQ(GetSystemMetrics(SM_CYHSCROLL), 16);
  EXPECT_EQ(GetSystemMetrics(SM_CXBORDER), 1);
  EXPECT_EQ(GetSystemMetrics(SM_CXEDGE), 2);
  EXPECT_EQ(GetSystemMetrics(SM_CXDOUBLECLK), 4);
  EXPECT_EQ(GetDoubleClickTime(), 500u);
  EXPECT_EQ(GetSystemMetrics(SM_DBCSENABLED), 1);
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSY), 96);
  ReleaseDC(nullptr, screen);
}

TEST_F(System, WorkAreaAndMonitor) {
  FanoSetScreenSize(1024, 768);
  RECT work{0, 0, 1024, 738};
  FanoSetWorkArea(&work);
  RECT got{};
  ASSERT_TRUE(SystemParametersInfo(SPI_GETWORKAREA, 0, &got, 0));
  EXPECT_EQ(got.bottom, 738);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
  HWND w = Top(100, 100, 50, 50);
  HMONITOR m = MonitorFromWindow(w, MONITOR_DEFAULTTONEAREST);
  ASSERT_NE(m, nullptr);
  MONITORINFO mi{sizeof mi, {}, {}, 0};
  ASSERT_TRUE(GetMonitorInfo(m, &mi));
  EXPECT_EQ(mi.rcMonitor.bottom, 768);
  EXPECT_EQ(mi.rcWork.bottom, 738);
  EXPECT_EQ(mi.dwFlags, static_cast<DWORD>(MONITORINFOF_PRIMARY));
  RECT far{5000, 5000, 5010, 5010};
  EXPECT_EQ(MonitorFromRect(&far, MONITOR_DEFAULTTONULL), nullptr);
  EXPECT_EQ(MonitorFromRect(&far, MONITOR_DEFAULTTONEAREST), m);
  MONITORINFO small{4, {}, {}, 0};
  EXPECT_FALSE(GetMonitorInfo(m, &small));
  UINT lines = 0;
  EXPECT_TRUE(SystemParametersInfo(SPI_GETWHEELSCROLLLINES, 0, &lines, 0));
  EXPECT_EQ(lines, 3u);
  EXPECT_FALSE(SystemParametersInfo(0xFFFF, 0, &lines, 0));
  FanoSetWorkArea(nullptr);
  FanoSetScreenSize(1280, 1024);
}

TEST_F(System, LibrariesLoadByPathAndGiveTheirEntries) {
  HMODULE lib = LoadLibrary("libm.so.6");
  ASSERT_NE(lib, nullptr);
  using Fn = double (*)(double);
  auto fn = reinterpret_cast<Fn>(GetProcAddress(lib, "sqrt"));
  ASSERT_NE(fn, nullptr);
  EXPECT_EQ(fn(16.0), 4.0);
  EXPECT_EQ(GetProcAddress(lib, "NoSuchEntry"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  EXPECT_TRUE(FreeLibrary(lib));
  EXPECT_EQ(LoadLibrary("/no/such/library.so"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  EXPECT_NE(GetModuleHandle(nullptr), nullptr);
}

}  // namespace

namespace {

TEST(Rects, HelpersKeepRightAndBottomOutside) {
  RECT a, b{5, 5, 15, 15}, r;
  SetRect(&a, 0, 0, 10, 10);
  EXPECT_TRUE(PtInRect(&a, POINT{9, 9}));
  EXPECT_FALSE(PtInRect(&a, POINT{10, 5}));
  EXPECT_TRUE(IntersectRect(&r, &a, &b));
  EXPECT_TRUE(EqualRect(&r, &(const RECT&)RECT{5, 5, 10, 10}));
  RECT apart{20, 20, 30, 30};
  EXPECT_FALSE(IntersectRect(&r, &a, &apart));
  EXPECT_TRUE(IsRectEmpty(&r));
  EXPECT_TRUE(UnionRect(&r, &a, &b));
  EXPECT_EQ(r.right, 15);
  RECT empty{3, 3, 3, 9};
  EXPECT_TRUE(UnionRect(&r, &empty, &a));
  EXPECT_TRUE(EqualRect(&r, &a)) << "an empty rectangle adds nothing";
  RECT top{0, 0, 10, 4};
  EXPECT_TRUE(SubtractRect(&r, &a, &top));
  EXPECT_EQ(r.top, 4);
  RECT middle{2, 2, 4, 4};
  EXPECT_TRUE(SubtractRect(&r, &a, &middle));
  EXPECT_TRUE(EqualRect(&r, &a)) << "a hole leaves the rectangle";
  InflateRect(&r, 1, 2);
  EXPECT_EQ(r.top, -2);
  OffsetRect(&r, 1, 2);
  EXPECT_EQ(r.left, 0);
  EXPECT_FALSE(PtInRect(nullptr, POINT{0, 0}));
}

}  // namespace

namespace {

class Broadcast : public WmTest {};

TEST_F(Broadcast, SystemColourChangesReachTopLevelWindowsAndThemeChangesEveryWindow) {
  HWND top = Top(0, 0, 50, 50);
  HWND child = Child(top, 0, 0, 10, 10);
  fano_os::BroadcastSystemChange(WM_SYSCOLORCHANGE);
  EXPECT_EQ(Count(top, WM_SYSCOLORCHANGE), 1);
  EXPECT_EQ(Count(child, WM_SYSCOLORCHANGE), 0);
  fano_os::BroadcastSystemChange(WM_THEMECHANGED);
  EXPECT_EQ(Count(child, WM_THEMECHANGED), 1);
}

}  // namespace

namespace {

class Parameters : public WmTest {};

TEST_F(Parameters, NonClientMetricsCarryTheDefaultInterfaceFont) {
  NONCLIENTMETRICS m{};
  m.cbSize = sizeof m;
  ASSERT_TRUE(SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof m, &m, 0));
  LOGFONTA ui{};
  ASSERT_NE(GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof ui, &ui), 0);
  EXPECT_STREQ(m.lfMessageFont.lfFaceName, ui.lfFaceName);
  EXPECT_EQ(m.lfMessageFont.lfHeight, ui.lfHeight);
  EXPECT_EQ(m.lfCaptionFont.lfWeight, 700);
  EXPECT_EQ(m.iScrollWidth, GetSystemMetrics(SM_CXVSCROLL));
  m.cbSize = 12;
  EXPECT_FALSE(SystemParametersInfo(SPI_GETNONCLIENTMETRICS, 0, &m, 0)) << "a size that fits no version";
}

}  // namespace
