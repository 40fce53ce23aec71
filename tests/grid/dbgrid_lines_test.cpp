// Lines the data grid draws itself (the line under the group titles of two-level titles, the line
// above the footer rows, the room of a row line), probed pixel by pixel; and the selection
// rectangle without a dataset.
#include <gtest/gtest.h>

#include "dbgrid_test_util.h"
#include "platform/forms/controls.h"
#include "support/error_text.h"

using namespace dbgridtest;

namespace {

class GridLinesTest : public DBGridTest {
 protected:
  HDC Paint() {
    HDC dc = FanoCreateRecordingDC(grid->ClientWidth(), grid->ClientHeight());
    PaintWithCanvas(grid->Canvas(), dc, [this] { grid->Paint(); });
    return dc;
  }
  TRect Title(int dataCol) const { return grid->CellRect(grid->DataToRawColumn(dataCol), 0); }
};

}  // namespace

TEST_F(GridLinesTest, TheLineUnderGroupTitlesHasOneColour) {
  AddRows(2);
  MakeGrid(400, 200);
  AddColumn("ID", "单据|编号");
  AddColumn("NAME", "单据|名称");
  AddColumn("AMOUNT", "单据|金额");
  grid->SetUseMultiTitle(true);
  Bind();
  ASSERT_TRUE(grid->DBOptions().Contains(dgRowLines));
  HDC dc = Paint();
  const COLORREF want = ColorToRGB(grid->GridLineColors()->IndicatorLineColor());
  const int y = Title(0).Top + grid->LeafFor(0)->Host->Height;  // under the group's measured band
  for (int c = 0; c < 3; ++c) {
    const TRect t = Title(c);
    for (int x = t.Left + 3; x < t.Right - 3; x += 7)
      EXPECT_EQ(GetPixel(dc, x, y), want) << "column " << c << " x " << x;
  }
  DeleteDC(dc);
}

TEST_F(GridLinesTest, TheLineAboveTheFootersEndsWithTheLastColumn) {
  AddRows(50);  // with the vertical bar
  MakeGrid(400, 200);
  AddColumn("ID");
  AddColumn("NAME");
  AddColumn("AMOUNT");
  grid->SetFooterRowCount(1);
  Bind();
  HDC dc = Paint();
  const TRect first = grid->CellRect(grid->DataToRawColumn(0), grid->RowCount());
  const TRect last = grid->CellRect(grid->DataToRawColumn(2), grid->RowCount());
  ASSERT_LT(last.Right + 20, grid->ClientWidth());
  const int y = last.Top - 1;
  const COLORREF line = GetPixel(dc, last.Left + 5, y);
  EXPECT_NE(line, GetPixel(dc, last.Left + 5, last.Top + 2));  // a line, not the cell
  for (int x = first.Left; x < last.Right; x += 5) EXPECT_EQ(GetPixel(dc, x, y), line) << x;
  // Past the last column: the empty area, in the grid's colour, all the way to the edge.
  const COLORREF empty = GetPixel(dc, grid->ClientWidth() - 1, last.Top + 2);
  for (int x = last.Right + 2; x < grid->ClientWidth(); x += 3) EXPECT_EQ(GetPixel(dc, x, y), empty) << x;
  DeleteDC(dc);
}

TEST_F(GridLinesTest, DataRowsMakeRoomForTheirLine) {
  MakeGrid(400, 200);
  AddColumn("ID");
  Bind();
  TMeasureCanvas m;
  m.Canvas()->Font()->Assign(grid->Font());
  const int text = m.Canvas()->TextHeight("Wg");
  ASSERT_EQ(grid->GridLineWidth(), 1);
  ASSERT_TRUE(grid->DBOptions().Contains(dgRowLines));
  EXPECT_EQ(grid->DataRowHeight(), text + 3 + 1);
  grid->SetDBOptions(grid->DBOptions() - dgRowLines);
  EXPECT_EQ(grid->DataRowHeight(), text + 3);
  grid->SetFlat(true);
  EXPECT_EQ(grid->DataRowHeight(), text + 1);
  grid->SetDBOptions(grid->DBOptions() + dgRowLines);
  EXPECT_EQ(grid->DataRowHeight(), text + 1 + 1);
}

TEST_F(GridLinesTest, TheSelectionRectangleRaisesWithoutAnActiveDataset) {
  AddRows(3);
  MakeGrid();
  AddColumn("ID");
  Bind();
  TDBGridGxSelectionRect* r = grid->Selection()->Rect();
  EXPECT_NO_THROW(r->TopRow());
  table->Close();
  auto err = [](auto f) { return ErrorText<EInvalidGridOperationGx>(f); };
  EXPECT_EQ(err([&] { r->CellSelected(1, "x"); }), "Error in function TDBGridGxSelectionRect.CellSelected");
  EXPECT_EQ(err([&] { r->TopRow(); }), "Error in TDBGridGxSelectionRect.GetTopRow");
  EXPECT_EQ(err([&] { r->BottomRow(); }), "Error in TDBGridGxSelectionRect.GetBottomRow");
  EXPECT_EQ(err([&] { r->LeftCol(); }), "Error in TDBGridGxSelectionRect.GetLeftCol");
  EXPECT_EQ(err([&] { r->RightCol(); }), "Error in TDBGridGxSelectionRect.GetRightCol");
  // What the grid itself asks stays quiet.
  EXPECT_EQ(r->GetBounds().Left, -1);
  EXPECT_FALSE(grid->Selection()->IsCellSelected(1, "x"));
}
