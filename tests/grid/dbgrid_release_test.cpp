// What a press starts ends with its release or its cancel: a right click leaves no capture, Esc or
// a cancel-mode message discard a column sizing or move.
#include "dbgrid_test_util.h"

#include "platform/forms/stdctrls.h"

namespace {

using dbgridtest::DBGridTest;

class DBGridReleaseTest : public DBGridTest {
 protected:
  void Button(int button, int x, int y, bool down) {
    const TPoint p = grid->ClientToScreen(TPoint(x, y));
    FanoInputMouseMove(p.X, p.Y);
    FanoInputMouseButton(button, down ? TRUE : FALSE, p.X, p.Y);
    gridtest::Pump();
  }
  void RightClick(int x, int y) {
    Button(1, x, y, true);
    Button(1, x, y, false);
  }
};

// A right click anywhere on the grid, the top-left cell among them, leaves the mouse free: the
// next left click on another control reaches it.
TEST_F(DBGridReleaseTest, RightClickLeavesNoCapture) {
  MakeGrid(300, 150);
  auto* other = new TButton(form);
  other->SetParent(form);
  other->SetBounds(0, 160, 80, 24);
  int clicks = 0;
  other->OnClick = [&](TObject*) { ++clicks; };
  AddRows(5);
  Bind();
  gridtest::Pump();
  for (bool titleButton : {false, true}) {
    grid->IndicatorTitle()->SetTitleButton(titleButton);
    const TRect corner = grid->CellRect(0, 0);
    const TRect title = grid->CellRect(1, 0);
    const TRect cell = grid->CellRect(2, 2);
    const TRect indicator = grid->CellRect(0, 2);
    for (const TRect& r : {corner, title, cell, indicator}) {
      SCOPED_TRACE(testing::Message() << titleButton << " at " << r.Left << "," << r.Top);
      uitest::WithMenu([&] { RightClick(r.Left + 3, r.Top + 3); }, [] {});  // a menu shown is closed
      gridtest::Pump();
      EXPECT_NE(GetCapture(), grid->Handle());
      const int before = clicks;
      uitest::ClickAt(other, 5, 5);
      EXPECT_EQ(clicks, before + 1);
    }
  }
}

// A column sizing or move cancelled (Esc, or a cancel-mode message) before the release changes
// nothing; the same drag released does.
TEST_F(DBGridReleaseTest, CancelDiscardsSizingAndMoving) {
  enum Ending { kRelease, kEscape, kCancelMode };
  for (Ending ending : {kRelease, kEscape, kCancelMode}) {
    for (bool moving : {false, true}) {
      SCOPED_TRACE(testing::Message() << "ending " << ending << (moving ? " moving" : " sizing"));
      MakeGrid(400, 150);
      TColumnGx* id = AddColumn("ID");
      TColumnGx* name = AddColumn("NAME");
      TColumnGx* amount = AddColumn("AMOUNT");
      AddRows(3);
      Bind();
      grid->SetFocus();
      gridtest::Pump();
      const int oldWidth = id->Width();
      const TRect idTitle = grid->CellRect(1, 0);
      const TRect amountTitle = grid->CellRect(3, 0);
      const int y = (idTitle.Top + idTitle.Bottom) / 2;
      const TPoint from = moving ? TPoint(idTitle.Left + 10, y) : TPoint(idTitle.Right, y);
      const TPoint to = moving ? TPoint(amountTitle.Right - 6, y) : TPoint(idTitle.Right + 25, y);
      Button(0, from.X, from.Y, true);
      uitest::MoveMouse(grid, from.X + 5, from.Y);
      uitest::MoveMouse(grid, to.X, to.Y);
      ASSERT_EQ(grid->GridState(), moving ? gsColMoving : gsColSizing);
      if (ending == kEscape) Key(VK_ESCAPE);
      if (ending == kCancelMode) {
        grid->Perform(WM_CANCELMODE, 0, 0);
        gridtest::Pump();
      }
      Button(0, to.X, to.Y, false);
      EXPECT_EQ(grid->GridState(), gsNormal);
      const bool done = ending == kRelease;
      EXPECT_EQ(id->Width(), !moving && done ? oldWidth + 25 : oldWidth);
      EXPECT_EQ(id->Index(), moving && done ? 2 : 0);
      EXPECT_EQ(name->Index(), moving && done ? 0 : 1);
      EXPECT_EQ(amount->Index(), moving && done ? 1 : 2);
      form->Free();
      form = nullptr;
      grid = nullptr;
    }
  }
}

}  // namespace
