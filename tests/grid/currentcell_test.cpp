// The current cell stays a data cell inside the grid whatever the counts, the left column and the
// row-select option do: the two cases users met, then a random walk over both grids.
#include <random>
#include <sstream>

#include "dbgrid_test_util.h"
#include "grid_test_util.h"
#include "platform/forms/forms.h"

namespace {

using dbgridtest::DBGridTest;
using gridtest::GridTest;

class CurrentCellBaseTest : public GridTest {};
class CurrentCellDBTest : public DBGridTest {
 protected:
  // An error raised in a message handler reaches the user as a box; here it is collected.
  void SetUp() override {
    DBGridTest::SetUp();
    Application->OnException = [this](TObject*, const std::exception& e) { errors += e.what(); };
  }
  void TearDown() override {
    Application->OnException = nullptr;
    DBGridTest::TearDown();
  }
  std::string errors;
  // Twelve columns of width 60 over the four fields, row select, six records.
  void MakeWideRowSelectGrid() {
    MakeGrid(200, 200);
    for (int i = 0; i < 12; ++i) AddColumn(i % 2 ? "NAME" : "ID")->SetWidth(60);
    AddRows(6);
    Bind();
    grid->SetDBOptions(grid->DBOptions() + dgRowSelect);
    gridtest::Pump();
  }
  void DropColumns(int from, int to) {
    grid->Columns()->BeginUpdate();
    for (int i = from; i >= to; --i) delete grid->Columns()->Items(i);
    grid->Columns()->EndUpdate();
    gridtest::Pump();
  }
};

TEST_F(CurrentCellBaseTest, RowSelectColumnDropKeepsTheCurrentColumnInside) {
  MakeGrid(400, 200);
  grid->SetColCount(38);
  grid->SetRowCount(30);
  grid->SetContraRowCount(2);
  grid->SetOptions(grid->Options() + goRowSelect);
  grid->SetLeftCol(7);
  grid->SetRow(29);
  grid->SetLeftCol(32);
  grid->SetColCount(5);
  EXPECT_LT(grid->Col(), 5);
  EXPECT_LT(grid->LeftCol(), 5);
  EXPECT_NO_THROW(grid->SetRowCount(20));
  EXPECT_EQ(grid->RowCount(), 20);
  EXPECT_LT(grid->Row(), 20);
  EXPECT_LT(grid->Col(), 5);
}

// A grid whose cell choice fails when armed: a size change that moves the current cell fails
// half-way through.
class TRefusingGrid : public gridtest::TTestGrid {
 public:
  using TTestGrid::TTestGrid;
  bool failSelect = false;
  bool SelectCell(int col, int row) override {
    if (failSelect) throw Exception("refused");
    return TTestGrid::SelectCell(col, row);
  }
};

// A change of size that fails leaves the grid as it was.
TEST_F(CurrentCellBaseTest, FailedSizeChangeRestoresTheGrid) {
  MakeGrid(400, 200);
  auto* g = new TRefusingGrid(form);
  g->SetParent(form);
  g->SetBounds(0, 0, 300, 150);
  g->SetColCount(10);
  g->SetRowCount(12);
  g->SetColWidths(7, 30);
  g->SetRowHeights(9, 17);
  g->SetRow(9);
  g->SetCol(7);
  g->SetLeftCol(5);
  g->SetTopRow(6);
  for (int contra : {0, 1}) {
    SCOPED_TRACE(contra);
    g->SetContraRowCount(contra);
    g->SetContraColCount(contra);
    const TGridCoord cur{g->Col(), g->Row()}, tl{g->LeftCol(), g->TopRow()};
    const TGridRect sel = g->Selection();
    g->failSelect = true;
    EXPECT_THROW(g->SetColCount(4), Exception);
    EXPECT_THROW(g->SetRowCount(5), Exception);
    g->failSelect = false;
    EXPECT_EQ(g->ColCount(), 10);
    EXPECT_EQ(g->RowCount(), 12);
    EXPECT_EQ(g->Col(), cur.X);
    EXPECT_EQ(g->Row(), cur.Y);
    EXPECT_EQ(g->LeftCol(), tl.X);
    EXPECT_EQ(g->TopRow(), tl.Y);
    EXPECT_EQ(g->Selection().Left, sel.Left);
    EXPECT_EQ(g->Selection().Bottom, sel.Bottom);
    EXPECT_EQ(g->GetColWidths(7), 30);
    EXPECT_EQ(g->GetRowHeights(9), 17);
    EXPECT_EQ(g->GetColWidths(9), g->DefaultColWidth());
  }
}

TEST_F(CurrentCellDBTest, RowSelectColumnDropThenRecordMoves) {
  MakeWideRowSelectGrid();
  grid->SetLeftCol(9);
  table->Last();
  gridtest::Pump();
  ASSERT_EQ(grid->Col(), 9);
  DropColumns(11, 4);
  EXPECT_EQ(grid->ColCount(), 5);
  EXPECT_LT(grid->Col(), grid->ColCount());
  EXPECT_GE(grid->Col(), grid->IndicatorOffset());
  EXPECT_NO_THROW(table->First());
  grid->SetFocus();
  gridtest::Pump();
  Key(VK_DOWN);
  Key(VK_UP);
  EXPECT_EQ(errors, "");
  EXPECT_EQ(table->RecNo(), 1);
  EXPECT_LT(grid->Col(), grid->ColCount());
}

TEST_F(CurrentCellDBTest, RowSelectColumnDropThenDeleteWithFooter) {
  MakeWideRowSelectGrid();
  grid->SetFooterRowCount(1);
  grid->SetLeftCol(9);
  table->Last();
  gridtest::Pump();
  DropColumns(11, 4);
  EXPECT_NO_THROW(table->Delete());
  gridtest::Pump();
  EXPECT_EQ(table->RecordCount(), 5);
  EXPECT_LT(grid->Row(), grid->RowCount());
  EXPECT_LT(grid->Col(), grid->ColCount());
}

}  // namespace

namespace {

// Moving the last row into the contra run, or a contra row over it, keeps the current cell on a
// scrolling row.
TEST_F(CurrentCellBaseTest, MovingIntoTheContraRunLeavesTheCurrentCellOut) {
  MakeGrid(400, 200);
  grid->SetRowCount(8);
  grid->SetColCount(6);
  grid->SetContraRowCount(2);
  grid->SetContraColCount(1);
  struct Move {
    bool rows;
    int from, to;
  };
  for (const Move& m : {Move{true, 7, 8}, Move{true, 7, 9}, Move{true, 9, 7}, Move{false, 5, 6}, Move{false, 6, 5}}) {
    SCOPED_TRACE(testing::Message() << (m.rows ? "row " : "column ") << m.from << " to " << m.to);
    grid->SetRow(7);
    grid->SetCol(5);
    if (m.rows) grid->MoveRow(m.from, m.to);
    else grid->MoveColumn(m.from, m.to);
    EXPECT_LT(grid->Row(), grid->RowCount());
    EXPECT_LT(grid->Col(), grid->ColCount());
  }
}

// What every step must leave: the current cell is a data cell inside the grid, the first shown
// cell a scrolling one.
::testing::AssertionResult InsideTheGrid(TCustomGridGx* g, int firstDataCol) {
  std::ostringstream why;
  if (g->Col() < firstDataCol || g->Col() >= g->ColCount()) why << "Col " << g->Col() << " of " << g->ColCount() << "; ";
  if (g->Row() < g->FixedRows() || g->Row() >= g->RowCount())
    why << "Row " << g->Row() << " of " << g->RowCount() << " (fixed " << g->FixedRows() << "); ";
  if (g->LeftCol() < g->FixedCols() || g->LeftCol() >= g->ColCount()) why << "LeftCol " << g->LeftCol() << "; ";
  if (g->TopRow() < g->FixedRows() || g->TopRow() >= g->RowCount()) why << "TopRow " << g->TopRow() << "; ";
  if (why.str().empty()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << why.str();
}

TEST_F(CurrentCellBaseTest, RandomCountsScrollingAndRowSelectKeepTheCurrentCellInside) {
  MakeGrid(400, 200);
  std::mt19937 rng(39);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, std::max(lo, hi))(rng); };
  for (int step = 0; step < 1500; ++step) {
    const int op = pick(0, 9);
    std::ostringstream what;
    try {
      switch (op) {
        case 0: what << "ColCount " << (grid->SetColCount(pick(1, 40)), grid->ColCount()); break;
        case 1: what << "RowCount " << (grid->SetRowCount(pick(1, 40)), grid->RowCount()); break;
        case 2:
          if (grid->ColCount() > grid->FixedCols()) grid->SetLeftCol(pick(grid->FixedCols(), grid->ColCount() - 1));
          what << "LeftCol " << grid->LeftCol();
          break;
        case 3:
          if (grid->RowCount() > grid->FixedRows()) grid->SetTopRow(pick(grid->FixedRows(), grid->RowCount() - 1));
          what << "TopRow " << grid->TopRow();
          break;
        case 4: {
          TGridOptions o = grid->Options();
          if (o.Contains(goRowSelect)) o.Exclude(goRowSelect);
          else o.Include(goRowSelect);
          grid->SetOptions(o);
          what << "row select " << grid->Options().Contains(goRowSelect);
          break;
        }
        case 5: what << "contra rows " << (grid->SetContraRowCount(pick(0, 2)), grid->ContraRowCount()); break;
        case 6: what << "contra cols " << (grid->SetContraColCount(pick(0, 2)), grid->ContraColCount()); break;
        case 7:
          if (grid->RowCount() > grid->FixedRows()) grid->SetRow(pick(grid->FixedRows(), grid->RowCount() - 1));
          what << "Row " << grid->Row();
          break;
        case 8:
          if (grid->ColCount() > grid->FixedCols()) grid->SetCol(pick(grid->FixedCols(), grid->ColCount() - 1));
          what << "Col " << grid->Col();
          break;
        default: {
          const bool rows = pick(0, 1) == 1;
          const int full = rows ? grid->FullRowCount() : grid->FullColCount();
          const int fixed = rows ? grid->FixedRows() : grid->FixedCols();
          if (full > fixed + 1) {
            const int from = pick(fixed, full - 1), to = pick(fixed, full - 1);
            what << (rows ? "MoveRow " : "MoveColumn ") << from << " " << to;
            if (rows) grid->MoveRow(from, to);
            else grid->MoveColumn(from, to);
          }
          break;
        }
      }
    } catch (const Exception& e) {
      ADD_FAILURE() << "step " << step << " (" << what.str() << ") raised " << e.Message();
      return;
    }
    ASSERT_TRUE(InsideTheGrid(grid, grid->FixedCols())) << "after step " << step << ": " << what.str();
  }
}

TEST_F(CurrentCellDBTest, RandomColumnsRecordsAndRowSelectKeepTheCurrentCellInside) {
  MakeGrid(240, 200);
  AddRows(8);
  for (int i = 0; i < 6; ++i) AddColumn(i % 2 ? "NAME" : "AMOUNT")->SetWidth(60);
  Bind();
  grid->SetFocus();
  gridtest::Pump();
  std::mt19937 rng(3901);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, std::max(lo, hi))(rng); };
  int nextId = 100;
  for (int step = 0; step < 400; ++step) {
    const int op = pick(0, 9);
    std::ostringstream what;
    try {
      switch (op) {
        case 0: {
          const int drop = pick(0, grid->Columns()->Count() - 1);
          what << "drop columns from " << drop;
          grid->Columns()->BeginUpdate();
          for (int i = grid->Columns()->Count() - 1; i >= drop && grid->Columns()->Count() > 1; --i)
            delete grid->Columns()->Items(i);
          grid->Columns()->EndUpdate();
          break;
        }
        case 1: {
          const int add = pick(1, 6);
          what << "add " << add << " columns";
          grid->Columns()->BeginUpdate();
          for (int i = 0; i < add; ++i) AddColumn(i % 2 ? "ID" : "NAME")->SetWidth(pick(20, 90));
          grid->Columns()->EndUpdate();
          break;
        }
        case 2:
          if (grid->ColCount() > grid->FixedCols()) grid->SetLeftCol(pick(grid->FixedCols(), grid->ColCount() - 1));
          what << "LeftCol " << grid->LeftCol();
          break;
        case 3: {
          TDBGridOptions o = grid->DBOptions();
          if (o.Contains(dgRowSelect)) o.Exclude(dgRowSelect);
          else o.Include(dgRowSelect);
          grid->SetDBOptions(o);
          what << "row select " << grid->DBOptions().Contains(dgRowSelect);
          break;
        }
        case 4: what << "footers " << (grid->SetFooterRowCount(pick(0, 2)), grid->FooterRowCount()); break;
        case 5: {
          const int how = pick(0, 3);
          what << "record move " << how;
          if (how == 0) table->First();
          else if (how == 1) table->Last();
          else table->MoveBy(pick(-4, 4));
          break;
        }
        case 6:
          what << "append";
          AddRow(nextId++, "new");
          break;
        case 7:
          what << "delete";
          if (!table->IsEmpty()) table->Delete();
          break;
        case 8: {
          const UINT keys[] = {VK_UP, VK_DOWN, VK_LEFT, VK_RIGHT, VK_HOME, VK_END, VK_NEXT, VK_PRIOR};
          const UINT key = keys[pick(0, 7)];
          what << "key " << key;
          Key(key);
          break;
        }
        default:
          if (grid->ColCount() > grid->IndicatorOffset()) grid->SetCol(pick(grid->IndicatorOffset(), grid->ColCount() - 1));
          what << "Col " << grid->Col();
          break;
      }
      gridtest::Pump();
    } catch (const Exception& e) {
      ADD_FAILURE() << "step " << step << " (" << what.str() << ") raised " << e.Message();
      return;
    }
    ASSERT_EQ(errors, "") << "after step " << step << ": " << what.str();
    ASSERT_TRUE(InsideTheGrid(grid, grid->IndicatorOffset())) << "after step " << step << ": " << what.str();
  }
}

}  // namespace
