// Grid text search: directions, match kinds, cell-by-cell search and what a miss leaves.
#include "grid/gridsearch.h"

#include "dbgrid_test_util.h"
#include "platform/rtl/exceptions.h"

namespace dbgridtest {
namespace {

class GridSearchTest : public DBGridTest {
 protected:
  void SetUp() override {
    DBGridTest::SetUp();
    AddRow(1, "Apple", 10);
    AddRow(2, "banana", 20);
    AddRow(3, "apple pie", 30);
    AddRow(4, "Cherry", 40);
    table->First();
    MakeGrid();
    AddColumn("ID");
    AddColumn("NAME");
    AddColumn("AMOUNT");
    Bind();
    grid->SetCol(grid->DataToRawColumn(1));  // NAME
  }
  int Id() { return table->FieldByName("ID")->AsInteger(); }
};

TEST_F(GridSearchTest, DirectionsNeverTestTheCurrentCellExceptAll) {
  // Down from the first record skips "Apple" itself.
  EXPECT_TRUE(LocateGridText(grid, "", "pple", 0, lgdDown, lgmAnywhere));
  EXPECT_EQ(Id(), 3);
  // Up from there finds the first record.
  EXPECT_TRUE(LocateGridText(grid, "", "pple", 0, lgdUp, lgmAnywhere));
  EXPECT_EQ(Id(), 1);
  // All starts at the first record and tests it.
  table->Last();
  EXPECT_TRUE(LocateGridText(grid, "", "Apple", 0, lgdAll, lgmWhole));
  EXPECT_EQ(Id(), 1);
}

TEST_F(GridSearchTest, MatchKindsAndLetterCase) {
  EXPECT_FALSE(LocateGridText(grid, "", "apple", 0, lgdAll, lgmWhole));
  EXPECT_EQ(Id(), 1);
  EXPECT_TRUE(LocateGridText(grid, "", "APPLE", lgtIgnoreCase, lgdAll, lgmWhole));
  EXPECT_EQ(Id(), 1);
  EXPECT_TRUE(LocateGridText(grid, "", "apple", 0, lgdAll, lgmFromStart));
  EXPECT_EQ(Id(), 3);
  EXPECT_TRUE(LocateGridText(grid, "", "err", 0, lgdAll, lgmAnywhere));
  EXPECT_EQ(Id(), 4);
  // An empty text matches the first cell tried from the start.
  table->First();
  EXPECT_TRUE(LocateGridText(grid, "", "", 0, lgdDown, lgmFromStart));
  EXPECT_EQ(Id(), 2);
}

TEST_F(GridSearchTest, AMissLeavesTheGridWhereItWas) {
  table->Next();
  EXPECT_FALSE(LocateGridText(grid, "", "kiwi", lgtIgnoreCase, lgdDown, lgmAnywhere));
  EXPECT_EQ(Id(), 2);
  EXPECT_FALSE(LocateGridText(grid, "", "Cherry", 0, lgdUp, lgmWhole));
  EXPECT_EQ(Id(), 2);
  EXPECT_FALSE(table->ControlsDisabled());
}

TEST_F(GridSearchTest, NamedFieldsAndUnknownNames) {
  EXPECT_TRUE(LocateGridText(grid, "AMOUNT", "30", 0, lgdAll, lgmWhole));
  EXPECT_EQ(Id(), 3);
  EXPECT_EQ(grid->SelectedColumn()->FieldName(), "AMOUNT");
  try {
    LocateGridText(grid, "NOPE", "x", 0, lgdAll, lgmWhole);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Field name 'NOPE' not found");
  }
  EXPECT_FALSE(table->ControlsDisabled());
}

TEST_F(GridSearchTest, CellByCellSearchAcrossColumns) {
  // From NAME of record 1 rightwards: AMOUNT 10, then record 2 ID, NAME ...
  EXPECT_TRUE(LocateGridText(grid, "", "2", lgtAllColumns, lgdDown, lgmAnywhere));
  EXPECT_EQ(Id(), 2);
  EXPECT_EQ(grid->SelectedColumn()->FieldName(), "ID");
  // Up from the first column continues with the last column of the prior record.
  EXPECT_TRUE(LocateGridText(grid, "", "10", lgtAllColumns, lgdUp, lgmWhole));
  EXPECT_EQ(Id(), 1);
  EXPECT_EQ(grid->SelectedColumn()->FieldName(), "AMOUNT");
}

TEST_F(GridSearchTest, AMatchAfterAHiddenColumnSelectsItsOwnColumn) {
  AddColumn("FLAG");
  table->Locate("ID", Variant(3), {});
  table->Edit();
  table->FieldByName("FLAG")->SetAsString("zz");
  table->Post();
  table->First();
  grid->Columns()->Items(1)->SetVisible(false);  // NAME
  grid->SetCol(grid->DataToRawColumn(0));
  EXPECT_TRUE(LocateGridText(grid, "", "zz", lgtAllColumns, lgdDown, lgmWhole));
  EXPECT_EQ(Id(), 3);
  EXPECT_EQ(grid->SelectedColumn()->FieldName(), "FLAG");
  EXPECT_TRUE(LocateGridText(grid, "FLAG", "zz", 0, lgdAll, lgmWhole));
  EXPECT_EQ(grid->SelectedColumn()->FieldName(), "FLAG");
}

TEST_F(GridSearchTest, AWaitingEscapeStopsTheSearch) {
  table->Next();
  PostMessage(grid->Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_FALSE(LocateGridText(grid, "", "Cherry", lgtEscapeStops, lgdDown, lgmWhole));
  EXPECT_EQ(Id(), 2);
  // Without the option the waiting key does not matter.
  EXPECT_TRUE(LocateGridText(grid, "", "Cherry", 0, lgdDown, lgmWhole));
  EXPECT_EQ(Id(), 4);
}

// A match in a right-anchored column is found like any other; that column, always in sight, cannot
// be the current cell, so the current column stays.
TEST_F(GridSearchTest, AMatchInARightAnchoredColumnLeavesTheCurrentColumn) {
  grid->SetContraColCountProp(1);  // AMOUNT
  gridtest::Pump();
  ASSERT_GE(grid->DataToRawColumn(2), grid->ColCount());
  const struct {
    const char* field;
    int options;
  } cases[] = {{"", lgtAllColumns}, {"AMOUNT", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.field);
    table->First();
    const int col = grid->Col();
    EXPECT_TRUE(LocateGridText(grid, c.field, "30", c.options, lgdDown, lgmWhole));
    EXPECT_EQ(Id(), 3);
    EXPECT_EQ(grid->Col(), col);
  }
}

// No record, no cell: every way of searching misses, the empty text from the start too.
TEST_F(GridSearchTest, AnEmptyTableHasNoCellToMatch) {
  table->EmptyTable();
  const struct {
    int options, direction;
  } cases[] = {{0, lgdAll}, {0, lgdDown}, {lgtAllColumns, lgdDown}, {lgtAllColumns, lgdUp}, {lgtAllColumns, lgdAll}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.options) + " " + std::to_string(c.direction));
    EXPECT_FALSE(LocateGridText(grid, "", "", c.options, c.direction, lgmFromStart));
  }
}

}  // namespace
}  // namespace dbgridtest
