// A list grid that only selects rows reports the clicks on its cells (a press there selects, and
// its release is the click).
#include <gtest/gtest.h>

#include "dbgrid_test_util.h"
#include "grid_test_util.h"
#include "platform/os/winuser.h"

using namespace dbgridtest;

namespace {

void ClickCell(TDBGridGx* grid, int col, int row) {
  const TRect r = grid->CellRect(col, row);
  const TPoint p = grid->ClientToScreen(TPoint(r.Left + 5, r.Top + 5));
  FanoInputMouseMove(p.X, p.Y);
  FanoInputMouseButton(0, TRUE, p.X, p.Y);
  FanoInputMouseButton(0, FALSE, p.X, p.Y);
  gridtest::Pump();
}

TEST_F(DBGridTest, ARowSelectingListReportsTheClickedRow) {
  AddRows(5);
  MakeGrid();
  TColumnGx* name = AddColumn("NAME");
  Bind();
  // As a document list: no editing, whole rows selected.
  grid->SetDBOptions(TDBGridOptions{dgTitles, dgIndicator, dgColLines, dgRowLines, dgRowSelect, dgAlwaysShowSelection});
  std::vector<int> clicked;
  grid->OnCellClick = [&](TColumnGx* c) {
    EXPECT_EQ(c, name);
    clicked.push_back(table->RecNo());  // the record has already moved
  };
  ClickCell(grid, 1, 4);
  ClickCell(grid, 1, 2);
  EXPECT_EQ(clicked, (std::vector<int>{4, 2}));
  // A press on the titles is no cell click.
  ClickCell(grid, 1, 0);
  EXPECT_EQ(clicked.size(), 2u);
}

}  // namespace
