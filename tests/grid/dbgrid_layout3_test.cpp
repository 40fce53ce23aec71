// Data grid layout: columns kept at the right edge, the multi-line-rows flag, the left column
// kept in row-select mode, and the line colours the cells are painted with.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "dbgrid_test_util.h"
#include "platform/os/wingdi.h"

namespace dbgridtest {
namespace {

std::string SnapshotPath(const char* name) {
  const char* dir = std::getenv("FANO_SNAPSHOT_DIR");
  return std::string(dir && *dir ? dir : FANO_SNAPSHOT_DEFAULT_DIR) + "/" + name;
}

TEST_F(DBGridTest, ContraColumnsStayAtTheRightEdgeAndCountWithTheColumns) {
  FanoSetTestFont(FALSE);
  const char* names[] = {"差旅费报销", "办公用品采购", "会议场地租金"};
  for (int i = 0; i < 3; ++i) AddRow(101 + i, names[i], 125.5 * (i + 1), "是");
  table->First();
  MakeGrid(300, 140);
  TColumnGx* id = AddColumn("ID", "单号");
  TColumnGx* name = AddColumn("NAME", "摘要");
  TColumnGx* amount = AddColumn("AMOUNT", "金额");
  TColumnGx* flag = AddColumn("FLAG", "标记");
  id->SetWidth(60);
  name->SetWidth(150);
  amount->SetWidth(80);
  flag->SetWidth(50);
  Bind();
  grid->SetContraColCountProp(2);
  gridtest::Pump();
  const int ind = grid->IndicatorOffset();
  ASSERT_EQ(ind, 1);
  EXPECT_EQ(grid->ColCount(), ind + 2);
  EXPECT_EQ(grid->ContraColCount(), 2);
  EXPECT_EQ(grid->FullColCount(), ind + 4);
  EXPECT_EQ(grid->GetColWidths(ind + 2), 80);
  EXPECT_EQ(grid->GetColWidths(ind + 3), 50);
  // The last column ends one line short of the client's right edge, the one before it touches it.
  const TRect last = grid->CellRect(ind + 3, 1);
  const TRect before = grid->CellRect(ind + 2, 1);
  EXPECT_EQ(last.Right, grid->ClientWidth() - 1);
  EXPECT_EQ(last.Right - last.Left, 50);
  EXPECT_LE(before.Right, last.Left);
  EXPECT_GT(before.Right, last.Left - 3);
  // Scrolling leaves them where they are.
  grid->SetLeftCol(ind + 1);
  gridtest::Pump();
  EXPECT_EQ(grid->CellRect(ind + 3, 1), last);
  grid->SetLeftCol(ind);
  gridtest::Pump();
  ASSERT_TRUE(FanoSnapshotWindow(form->Handle(), SnapshotPath("grid_dbgrid_contra_columns.png").c_str()));

  // More asked than there are: one column is left to scroll, and the request is kept.
  grid->SetContraColCountProp(9);
  EXPECT_EQ(grid->ContraColCount(), 3);
  EXPECT_EQ(grid->ColCount(), ind + 1);
  EXPECT_EQ(grid->ContraColCountProp(), 9);
  grid->SetDataFrozenCols(1);
  EXPECT_EQ(grid->ContraColCount(), 2);
  grid->SetDataFrozenCols(0);
  grid->SetContraColCountProp(1);
  EXPECT_EQ(grid->ContraColCount(), 1);
  EXPECT_EQ(grid->ColCount(), ind + 3);
  EXPECT_THROW(grid->SetContraColCountProp(-1), EInvalidGridOperationGx);
}

TEST_F(DBGridTest, DefaultColumnsOfAnInactiveLinkKeepNoContraColumns) {
  MakeGrid();
  grid->SetContraColCountProp(2);
  EXPECT_EQ(grid->ContraColCount(), 0);
  EXPECT_EQ(grid->ColCount(), grid->IndicatorOffset() + 1);
  // Bound, the grid's own columns for the four fields take two of them to the right edge.
  AddRows(2);
  Bind();
  EXPECT_EQ(grid->ContraColCount(), 2);
  EXPECT_EQ(grid->FullColCount(), grid->IndicatorOffset() + 4);
}

}  // namespace
}  // namespace dbgridtest
