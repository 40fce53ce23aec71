// The shared grid style keeps a hidden window of its own that hears the system-colour changes.
#include <gtest/gtest.h>

#include "grid/dbgrid.h"
#include "platform/os/wingdi.h"
#include "platform/os/winuser.h"
#include "platform/rtl/resources.h"

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

// Start-up stops at a cursor it cannot load and leaves nothing behind; with the cursor back it
// starts again.
TEST(GridStyleWindowTest, AnUnreadableCursorStopsTheStartUpCleanly) {
  FanoUseHeadless();
  { TDBGridGx grid(nullptr); }  // the unit is up
  const TResourceBlob good = *FindResourceBlob("LEFTCURGX");
  DoneDBGridUnit();
  static const unsigned char bad[3] = {1, 2, 3};
  RegisterResource("LEFTCURGX", bad, sizeof bad);
  try {
    InitDBGridUnit();
    ADD_FAILURE() << "no exception";
  } catch (const EOutOfResources& e) {
    EXPECT_STREQ(e.what(), "Cannot load cursor resource");
  }
  EXPECT_EQ(GetDefaultGridStyle(), nullptr);
  EXPECT_EQ(GetGridCenter(), nullptr);
  RegisterResource("LEFTCURGX", good.Data, good.Size);
  InitDBGridUnit();
  EXPECT_NE(GetDefaultGridStyle(), nullptr);
  EXPECT_NE(GetGridCenter(), nullptr);
  EXPECT_EQ(DBGridSortIndexFont()->Height(), -7);  // one less than the 8-pixel sort marker
  EXPECT_NE(DBGridCursor(2), nullptr);
}
