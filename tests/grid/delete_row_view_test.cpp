// A record deleted in view leaves the rows above it where they were: the list does not scroll, so
// the first records stay shown.
#include <gtest/gtest.h>

#include "dbgrid_test_util.h"
#include "grid_test_util.h"

using namespace dbgridtest;

namespace {

class DeleteRowView : public DBGridTest {};

TEST_F(DeleteRowView, DeletingTheSecondRecordKeepsTheFirstOnTop) {
  AddRows(40);
  MakeGrid(300, 220);
  AddColumn("ID", "编号");
  Bind();
  gridtest::Pump();
  table->First();
  table->Next();  // the second record, current
  gridtest::Pump();
  const int top = grid->TopRow();
  ASSERT_EQ(top, grid->GetTitleOffset());
  ASSERT_EQ(grid->Row(), top + 1);
  table->Delete();
  gridtest::Pump();
  EXPECT_EQ(grid->TopRow(), top) << "the view scrolled: the first record went out of sight";
  EXPECT_EQ(grid->Row(), top + 1);  // the record that took the deleted one's place
  // Deep in the list the same.
  for (int i = 0; i < 10; ++i) table->Next();
  gridtest::Pump();
  const int deeper = grid->TopRow();
  table->Delete();
  gridtest::Pump();
  EXPECT_EQ(grid->TopRow(), deeper);
  // The last record deleted: the view shows the new last one.
  table->Last();
  gridtest::Pump();
  table->Delete();
  gridtest::Pump();
  EXPECT_EQ(grid->Row(), grid->RowCount() - 1);
  EXPECT_LE(grid->TopRow(), grid->Row());
}

}  // namespace
