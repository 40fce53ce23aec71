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

class DBGridSortedClickTest : public DBGridTest {
 protected:
  // Five rows sorted by NAME under a focused grid of ID and NAME.
  void MakeNameSortedGrid() {
    AddRows(5);
    table->SetSortOrder("NAME");
    table->First();
    MakeGrid();
    AddColumn("ID");
    AddColumn("NAME");
    Bind();
    grid->SetFocus();
    gridtest::Pump();
  }
};

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

// A click that posts an edit which re-sorts the rows makes current the record the click was on.
TEST_F(DBGridSortedClickTest, AClickAfterAResortingEditFindsTheClickedRecord) {
  MakeNameSortedGrid();
  enum How { kField, kEditor, kAppended };  // record 1 renamed on the field or in the cell; a new record
  for (How how : {kField, kEditor, kAppended}) {
    SCOPED_TRACE(how);
    table->Locate("ID", 1, {});
    table->Edit();
    table->FieldByName("NAME")->SetAsString("a");
    table->Post();
    table->First();
    gridtest::AdvanceAndPump(1000);  // no double click
    ASSERT_EQ(table->FieldByName("ID")->AsInteger(), 1);
    grid->SetCol(grid->DataToRawColumn(1));
    if (how == kEditor) {
      Type("zz");
    } else if (how == kField) {
      table->Edit();
      table->FieldByName("NAME")->SetAsString("zz");
    } else {
      table->Append();  // below the rows; posted, it sorts second
      table->FieldByName("ID")->SetAsInteger(9);
      table->FieldByName("NAME")->SetAsString("a0");
      gridtest::Pump();
    }
    const int row3 = grid->GetTitleOffset() + 2;  // "a" sorts first, so record 3 shows third
    ClickCell(grid, grid->DataToRawColumn(0), row3);
    EXPECT_EQ(table->State(), dsBrowse);
    EXPECT_EQ(table->FieldByName("ID")->AsInteger(), 3);
    EXPECT_EQ(table->FieldByName("NAME")->AsString(), "row3");
  }
}

// A handler of the post may free the clicked record: the click then reads nothing of it.
TEST_F(DBGridSortedClickTest, AClickWhosePostFreesTheClickedRecordReadsNothingFreed) {
  MakeNameSortedGrid();
  table->Edit();
  table->FieldByName("NAME")->SetAsString("zz");
  bool once = false;
  table->SetAfterPost([&](TDataSet*) {
    if (once) return;
    once = true;
    table->EmptyTable();
    AddRow(7, "row7");
  });
  ClickCell(grid, grid->DataToRawColumn(0), grid->GetTitleOffset() + 2);
  EXPECT_EQ(table->State(), dsBrowse);
  EXPECT_EQ(table->RecordCount(), 1);
  EXPECT_EQ(table->FieldByName("ID")->AsInteger(), 7);
}
}  // namespace
