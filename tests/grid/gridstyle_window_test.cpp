// The shared grid style keeps a hidden window of its own that hears the system-colour changes.
#include <gtest/gtest.h>

#include "grid/dbgrid.h"
#include "platform/os/wingdi.h"
#include "platform/os/winuser.h"

TEST(GridStyleWindowTest, TheStyleHearsTheSystemColourChangeOnItsOwnWindow) {
  FanoUseHeadless();
  TDBGridGxStyle style;
  ASSERT_NE(style.Handle(), nullptr);
  EXPECT_FALSE(IsWindowVisible(style.Handle()));
  style.SetScreenNumColors(256);
  SendMessage(style.Handle(), WM_SYSCOLORCHANGE, 0, 0);
  EXPECT_EQ(style.ScreenNumColors(), -1);  // read again from the screen
}

TEST(GridStyleWindowTest, AChangeOfTheSystemColoursReachesTheStyleWithoutAnyGrid) {
  FanoUseHeadless();
  TDBGridGxStyle style;
  style.SetScreenNumColors(256);
  const int index = COLOR_WINDOW;
  const COLORREF was = GetSysColor(index);
  ASSERT_TRUE(SetSysColors(1, &index, &was));
  EXPECT_EQ(style.ScreenNumColors(), -1);
}

TEST(GridStyleWindowTest, TheWindowGoesWithTheStyle) {
  FanoUseHeadless();
  HWND wnd = nullptr;
  {
    TDBGridGxStyle style;
    wnd = style.Handle();
    ASSERT_TRUE(IsWindow(wnd));
  }
  EXPECT_FALSE(IsWindow(wnd));
}
