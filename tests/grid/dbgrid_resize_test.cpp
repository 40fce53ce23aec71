// A data grid made wider after it was scrolled sideways: no column stays hidden to the left that
// the new width could show.
#include "dbgrid_test_util.h"

using namespace dbgridtest;

namespace {

class DBGridGrowTest : public DBGridTest {
 protected:
  // Four columns of 110 pixels in a grid 260 wide, scrolled to the last one.
  void MakeScrolledGrid(TDBGridOptions extra = {}) {
    MakeGrid(260, 200);
    for (const char* f : {"ID", "NAME", "AMOUNT", "FLAG"}) AddColumn(f)->SetWidth(110);
    AddRows(3);
    Bind();
    grid->SetDBOptions(grid->DBOptions() + extra);
    gridtest::Pump();
    grid->SetFocus();
    gridtest::Pump();
    if (extra.Contains(dgRowSelect)) grid->Perform(WM_HSCROLL, SB_BOTTOM, 0);  // rows scroll by pixels
    else grid->SetCol(grid->DataToRawColumn(3));
    gridtest::Pump();
    ASSERT_LT(LeftOf(0), 0) << "the narrow grid did not scroll";
  }
  void Grow(int width) {
    form->SetBounds(form->Left(), form->Top(), width + 100, form->Height());
    grid->SetBounds(0, 0, width, 200);
    gridtest::Pump();
  }
  // The left edge of a data column's cell in the first data row (-1 when it is not shown).
  int LeftOf(int dataCol) {
    const TRect r = grid->CellRect(grid->DataToRawColumn(dataCol), 1);
    return r.Width() > 0 ? r.Left : -1;
  }
};

TEST_F(DBGridGrowTest, WhenAllColumnsFitTheFirstOnesShowAgain) {
  MakeScrolledGrid();
  Grow(700);
  EXPECT_EQ(grid->LeftCol(), grid->FixedCols()) << "columns stay hidden although all fit";
  EXPECT_GE(LeftOf(0), 0) << "the first data column is shown";
  EXPECT_EQ(grid->SelectedIndex(), 3) << "the current column stays the current one";
}

TEST_F(DBGridGrowTest, WhenSomeMoreFitTheLastColumnEndsAtTheRightEdge) {
  MakeScrolledGrid();
  Grow(400);  // room for three columns beside the indicator
  EXPECT_GE(LeftOf(1), 0) << "the second column fits and is shown";
  EXPECT_EQ(LeftOf(0), -1);
  EXPECT_GE(LeftOf(3), 0);
}

TEST_F(DBGridGrowTest, AGridScrolledByItsBarShowsItsFirstColumnsAgain) {
  MakeScrolledGrid();
  grid->SetCol(grid->DataToRawColumn(0));
  grid->Perform(WM_HSCROLL, SB_BOTTOM, 0);
  gridtest::Pump();
  ASSERT_LT(LeftOf(0), 0);
  Grow(700);
  EXPECT_EQ(grid->LeftCol(), grid->FixedCols());
  EXPECT_GE(LeftOf(0), 0);
}

TEST_F(DBGridGrowTest, ARowSelectGridScrolledByPixelsComesBackToItsStart) {
  MakeScrolledGrid(TDBGridOptions{dgRowSelect});
  Grow(700);
  EXPECT_EQ(grid->LeftCol(), grid->FixedCols());
  EXPECT_EQ(LeftOf(0), grid->CellRect(0, 1).Right + 1) << "the first column starts right after the indicator";
}

}  // namespace
