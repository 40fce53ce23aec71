// The drawing layer tells the windows of system changes: colours and the themes switch.
#include <gtest/gtest.h>

#include "platform/os/messages.h"
#include "platform/os/uxtheme.h"
#include "platform/os/wingdi.h"
#include "platform/os/wm_test_util.h"

using wmtest::WmTest;

TEST_F(WmTest, SystemColourAndThemeChangesReachTheWindows) {
  HWND top = Top(0, 0, 50, 40);
  HWND child = Child(top, 0, 0, 10, 10);
  int idx = COLOR_BTNFACE;
  COLORREF old = GetSysColor(idx), mine = RGB(1, 2, 3);
  ASSERT_TRUE(SetSysColors(1, &idx, &mine));
  EXPECT_EQ(Count(top, WM_SYSCOLORCHANGE), 1);
  EXPECT_EQ(Count(child, WM_SYSCOLORCHANGE), 0);  // top-level windows only, as the original
  SetSysColors(1, &idx, &old);
  int bad = -1;
  wmtest::Log().clear();
  EXPECT_FALSE(SetSysColors(1, &bad, &mine));
  EXPECT_EQ(Count(top, WM_SYSCOLORCHANGE), 0);

  FanoSetThemesActive(TRUE);
  EXPECT_EQ(Count(top, WM_THEMECHANGED), 1);
  EXPECT_EQ(Count(child, WM_THEMECHANGED), 1);
  FanoSetThemesActive(TRUE);  // no change, no message
  EXPECT_EQ(Count(top, WM_THEMECHANGED), 1);
  FanoSetThemesActive(FALSE);
  EXPECT_EQ(Count(top, WM_THEMECHANGED), 2);
}
