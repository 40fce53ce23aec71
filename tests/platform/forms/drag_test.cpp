// Dragging: the image that follows the pointer without hiding the drop target, the XOR outline
// that leaves the form as it was, the drag cursor, the capture, and cancelling with Escape.
#include "forms_test_util.h"

#include "platform/forms/dragging.h"
#include "platform/os/wingdi.h"

using namespace formstest;

namespace {

class Drag : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    form->SetBounds(100, 100, 300, 200);
    form->SetColor(clWhite);
    grid = new TTestWin(form);
    grid->SetBounds(10, 10, 200, 120);
    grid->SetColor(clWhite);
    grid->SetParent(form);
    Show();
  }
  TTestWin* grid = nullptr;
};

TEST_F(Drag, AnImageFollowsThePointerAndLetsTheTargetBeFound) {
  HBITMAP pic = SolidBitmap(40, 16, RGB(255, 0, 0));

  TDragTracker drag(grid);
  TPoint at = ScreenPoint(grid, 50, 30);
  drag.BeginImage(pic, TPoint(5, 4), at);
  DeleteObject(pic);  // the tracker keeps its own copy
  Pump();
  ASSERT_TRUE(drag.Active());
  HWND img = drag.ImageWindow();
  ASSERT_NE(img, nullptr);
  RECT r;
  GetWindowRect(img, &r);
  EXPECT_EQ(r.left, at.X - 5);
  EXPECT_EQ(r.top, at.Y - 4);
  EXPECT_EQ(FanoGetWindowPixel(img, 20, 8), RGB(255, 0, 0));
  EXPECT_EQ(GetCapture(), grid->Handle());
  EXPECT_EQ(Screen->Cursor(), crDrag);
  EXPECT_NE(Screen->Cursors(crDrag), nullptr);
  EXPECT_NE(Screen->Cursors(crDrag), Screen->Cursors(crDefault)) << "a cursor of its own";
  // What lies under the pointer is found through the image.
  TPoint next = ScreenPoint(grid, 120, 60);
  drag.Move(next);
  GetWindowRect(img, &r);
  EXPECT_EQ(r.left, next.X - 5);
  EXPECT_EQ(WindowFromPoint(POINT{next.X, next.Y}), grid->Handle());
  drag.End();
  Pump();
  EXPECT_FALSE(IsWindow(img));
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(Screen->Cursor(), crDefault);
  EXPECT_FALSE(drag.Cancelled());
}

TEST_F(Drag, AnOutlineIsDrawnInXorAndLeavesTheFormAsItWas) {
  auto pixel = [&](const TPoint& screen) { return uitest::WindowPixelAt(form, screen); };
  TPoint a = ScreenPoint(grid, 20, 20), inside = ScreenPoint(grid, 40, 40), b = ScreenPoint(grid, 60, 30);
  const COLORREF before = pixel(a);
  ASSERT_EQ(before, RGB(255, 255, 255));
  TDragTracker drag(grid);
  drag.BeginOutline(TRect(a.X, a.Y, a.X + 50, a.Y + 40), 2, crSizeNWSE);
  EXPECT_EQ(pixel(a), RGB(0, 0, 0)) << "the white form inverted under the outline";
  EXPECT_EQ(pixel(inside), before) << "inside the outline nothing changes";
  EXPECT_EQ(Screen->Cursor(), crSizeNWSE);
  drag.MoveOutline(TRect(b.X, b.Y, b.X + 50, b.Y + 40));
  EXPECT_EQ(pixel(a), before) << "the old outline is gone";
  EXPECT_EQ(pixel(b), RGB(0, 0, 0));
  // Escape cancels: the outline goes and the mouse is given back.
  TMessage esc{WM_KEYDOWN, VK_ESCAPE, 0, 0};
  EXPECT_TRUE(drag.HandleMessage(esc));
  EXPECT_TRUE(drag.Cancelled());
  EXPECT_FALSE(drag.Active());
  EXPECT_EQ(pixel(b), before);
  EXPECT_EQ(GetCapture(), nullptr);
}

}  // namespace
