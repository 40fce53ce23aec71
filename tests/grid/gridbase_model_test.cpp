// The base grid's model: runs and sizes, the geometry with and without contra cells, the current
// cell and selection, structure changes and the errors of misuse.
#include <limits>

#include "grid_test_util.h"
#include "platform/classes/filer.h"
#include "support/error_text.h"

using namespace gridtest;

namespace {

using GridModel = GridTest;

TEST_F(GridModel, DefaultsAndGeometryWithoutContraCells) {
  MakeGrid();
  EXPECT_EQ(grid->ColCount(), 5);
  EXPECT_EQ(grid->RowCount(), 5);
  EXPECT_EQ(grid->FixedCols(), 1);
  EXPECT_EQ(grid->Current(), (TGridCoord{1, 1}));
  EXPECT_EQ(grid->Options(), kDefaultGridOptions);
  EXPECT_EQ(grid->Options().Bits(), 0x1Fu);
  EXPECT_EQ(grid->DesignOptionsBoost().Bits(), 0x2C0u);
  // 64-pixel columns and 24-pixel rows, each followed by its 1-pixel line.
  EXPECT_EQ(grid->CellRect(0, 0), Rect(0, 0, 64, 24));
  EXPECT_EQ(grid->CellRect(1, 1), Rect(65, 25, 129, 49));
  EXPECT_EQ(grid->CellRect(4, 4), Rect(260, 100, 324, 124));
  EXPECT_EQ(grid->BoxRect(1, 1, 2, 3), Rect(65, 25, 194, 99));
  EXPECT_EQ(grid->GetGridWidth(), 325);
  EXPECT_EQ(grid->GetGridHeight(), 125);
  EXPECT_EQ(grid->VisibleColCount(), 4);
  EXPECT_EQ(grid->MouseCoord(64, 24), (TGridCoord{0, 0}));  // the line belongs to the cell before it
  EXPECT_EQ(grid->MouseCoord(65, 25), (TGridCoord{1, 1}));
  EXPECT_EQ(grid->MouseCoord(350, 30), (TGridCoord{-1, -1}));  // right of the last column
  EXPECT_EQ(grid->MouseCoord(100, 150), (TGridCoord{-1, -1}));
  // Without lines the cells abut.
  grid->SetOptions({});
  EXPECT_EQ(grid->CellRect(1, 1), Rect(64, 24, 128, 48));
  grid->SetOptions(kDefaultGridOptions);
  grid->SetGridLineWidth(0);
  EXPECT_EQ(grid->CellRect(2, 0), Rect(128, 0, 192, 24));
}

TEST_F(GridModel, ContraColumnsAndRowsAreAnchoredToTheFarEdges) {
  MakeGrid();
  grid->SetContraColCount(1);
  grid->SetContraRowCount(1);
  EXPECT_EQ(grid->FullColCount(), 6);
  EXPECT_EQ(grid->FullRowCount(), 6);
  TGridDrawInfo info;
  grid->CalcDrawInfo(info);
  EXPECT_EQ(info.Horz.ContraBoundary, 400 - 65 - 1);
  EXPECT_EQ(info.Vert.ContraBoundary, 200 - 25 - 1);
  EXPECT_EQ(info.Horz.PaintBoundary, 400);
  EXPECT_EQ(grid->CellRect(5, 1), Rect(335, 25, 399, 49));
  EXPECT_EQ(grid->CellRect(1, 5), Rect(65, 175, 129, 199));
  EXPECT_EQ(grid->CellRect(5, 5), Rect(335, 175, 399, 199));
  // Between the last scrolling column and the contra column there is no cell.
  EXPECT_EQ(grid->MouseCoord(330, 30), (TGridCoord{-1, -1}));
  EXPECT_EQ(grid->MouseCoord(340, 30), (TGridCoord{5, 1}));
  EXPECT_EQ(grid->MouseCoord(340, 180), (TGridCoord{5, 5}));
  // A range that starts right of the view shows only its contra part.
  grid->SetColCount(20);
  EXPECT_EQ(grid->CellRect(20, 1), Rect(335, 25, 399, 49));
  EXPECT_EQ(grid->BoxRect(10, 1, 20, 1), Rect(335, 25, 399, 49));
  EXPECT_TRUE(grid->CellRect(10, 1).IsEmpty());
  // Scrolling never moves the contra cells.
  grid->SetLeftCol(7);
  EXPECT_EQ(grid->CellRect(20, 1), Rect(335, 25, 399, 49));
  EXPECT_EQ(grid->CellRect(7, 1), Rect(65, 25, 129, 49));
  // A scrolling column partly under the contra run is cut at the contra boundary.
  grid->SetLeftCol(1);
  grid->SetColWidths(4, 100);
  EXPECT_EQ(grid->CellRect(4, 1), Rect(260, 25, 334, 49));
  grid->CalcDrawInfo(info);
  EXPECT_EQ(info.Horz.LastFullVisibleCell, 3);
  EXPECT_EQ(info.Horz.GridBoundary, 334);
}

TEST_F(GridModel, SizeListsFollowCountChanges) {
  MakeGrid();
  // Without contra columns the existing widths stay and new columns take the default.
  grid->SetColWidths(2, 30);
  grid->SetColCount(7);
  ASSERT_EQ(grid->ColWidthsCount(), 7);
  EXPECT_EQ(grid->GetColWidths(2), 30);
  EXPECT_EQ(grid->GetColWidths(5), 64);
  EXPECT_EQ(grid->GetColWidths(6), 64);
  grid->SetColCount(5);
  EXPECT_EQ(grid->ColWidthsCount(), 5);
  // With two contra columns the list holds them after the scrolling ones; a growth resets the
  // entries from the change on.
  grid->SetContraColCount(2);
  EXPECT_EQ(grid->FullColCount(), 7);
  ASSERT_EQ(grid->ColWidthsCount(), 7);
  grid->SetColWidths(5, 40);
  grid->SetColWidths(6, 41);
  grid->SetColWidths(4, 33);
  grid->SetColCount(6);
  ASSERT_EQ(grid->ColWidthsCount(), 8);
  EXPECT_EQ(grid->GetColWidths(2), 30);
  EXPECT_EQ(grid->GetColWidths(4), 33);
  for (int i = 5; i <= 7; ++i) EXPECT_EQ(grid->GetColWidths(i), 64) << i;
  // Tab stops follow the same way; rows with their heights.
  grid->SetTabStops(1, false);
  grid->SetColCount(4);
  EXPECT_FALSE(grid->GetTabStops(1));
  EXPECT_TRUE(grid->GetTabStops(3));
  grid->SetRowHeights(3, 10);
  grid->SetRowCount(8);
  EXPECT_EQ(grid->RowHeightsCount(), 8);
  EXPECT_EQ(grid->GetRowHeights(3), 10);
  grid->SetDefaultRowHeight(20);
  EXPECT_FALSE(grid->HasRowHeights());
  EXPECT_EQ(grid->GetRowHeights(3), 20);
}

TEST_F(GridModel, CountEdgeCases) {
  MakeGrid();
  grid->SetColCount(0);
  EXPECT_EQ(grid->ColCount(), 1);
  EXPECT_EQ(grid->FixedCols(), 0);
  grid->SetRowCount(1);
  EXPECT_EQ(grid->FixedRows(), 0);
  EXPECT_EQ(grid->Current(), (TGridCoord{0, 0}));
  // Shrinking moves the current cell inside.
  grid->SetColCount(6);
  grid->SetRowCount(6);
  grid->SetCol(5);
  grid->SetRow(5);
  grid->SetRowCount(3);
  EXPECT_EQ(grid->Row(), 2);
  grid->SetColCount(2);
  EXPECT_EQ(grid->Col(), 1);
}

TEST_F(GridModel, ErrorMessages) {
  MakeGrid();
  auto err = [](auto f) { return ErrorText<EInvalidGridOperationGx>(f); };
  EXPECT_EQ(err([&] { grid->SetContraColCount(-1); }), "FContraColCount can not be negative.");
  EXPECT_EQ(err([&] { grid->SetContraRowCount(-2); }), "FContraRowCount can not be negative.");
  EXPECT_EQ(err([&] { grid->SetFixedCols(5); }), "Fixed column count must be less than column count");
  EXPECT_EQ(err([&] { grid->SetFixedRows(5); }), "Fixed row count must be less than row count");
  EXPECT_EQ(err([&] { grid->SetFixedCols(-1); }), "Grid index out of range");
  EXPECT_EQ(err([&] { grid->SetColWidths(5, 10); }), "Grid index out of range");
  EXPECT_EQ(err([&] { grid->SetRowHeights(-1, 10); }), "Grid index out of range");
  EXPECT_EQ(err([&] { grid->SetTabStops(9, true); }), "Grid index out of range");
  EXPECT_EQ(err([&] { grid->MoveCurrent(5, 1, true, true); }), "Grid index out of range");
  EXPECT_EQ(err([&] { grid->AdjustSize(5, -1, false); }), "Too many rows or columns deleted");
  EXPECT_FALSE(grid->HasColWidths());  // a refused width made no list
  // A list of 0x7FFFFFE entries is refused and the grid stays as it was.
  grid->SetColWidths(1, 20);
  EXPECT_EQ(err([&] { grid->SetColCount(0x7FFFFFE); }), "Grid too large for operation");
  EXPECT_EQ(grid->ColCount(), 5);
  EXPECT_EQ(grid->ColWidthsCount(), 5);
  EXPECT_EQ(err([&] { grid->SetContraColCount(0x7FFFFFE); }), "Grid too large for operation");
  EXPECT_EQ(grid->ContraColCount(), 0);
  EXPECT_EQ(grid->FullColCount(), 5);
}

TEST_F(GridModel, CountsWhoseSumWithTheContraCellsDoesNotFitAreRefused) {
  MakeGrid();
  auto err = [](auto f) { return ErrorText<EInvalidGridOperationGx>(f); };
  constexpr int kMax = std::numeric_limits<int32_t>::max();
  grid->SetContraRowCount(2);
  EXPECT_EQ(err([&] { grid->SetRowCount(kMax); }), "Grid too large for operation");
  EXPECT_EQ(grid->RowCount(), 5);
  EXPECT_EQ(grid->FullRowCount(), 7);
  grid->SetRowCount(kMax - 2);  // fits exactly
  EXPECT_EQ(grid->FullRowCount(), kMax);
  grid->SetRowCount(5);
  grid->SetContraColCount(2);
  EXPECT_EQ(err([&] { grid->SetColCount(kMax); }), "Grid too large for operation");
  EXPECT_EQ(grid->ColCount(), 5);
  EXPECT_EQ(grid->FullColCount(), 7);
  grid->SetContraColCount(0);
  grid->SetContraRowCount(0);
  grid->SetRowCount(kMax);
  EXPECT_EQ(err([&] { grid->SetContraRowCount(1); }), "Grid too large for operation");
  EXPECT_EQ(grid->ContraRowCount(), 0);
  EXPECT_EQ(grid->FullRowCount(), kMax);
  grid->SetRowCount(5);
}

TEST_F(GridModel, SelectionAndRowSelect) {
  MakeGrid();
  grid->MoveCurrent(2, 2, true, true);
  grid->MoveAnchor({4, 3}, true);
  EXPECT_EQ(grid->Selection(), (TGridRect{2, 2, 4, 3}));
  grid->MoveCurrent(3, 4, false, true);
  EXPECT_EQ(grid->Selection(), (TGridRect{3, 3, 4, 4}));
  // With goRowSelect the anchor column is the last and the current column is LeftCol.
  TGridOptions o = grid->Options();
  o.Include(goRowSelect);
  grid->SetOptions(o);
  grid->MoveCurrent(3, 2, true, true);
  EXPECT_EQ(grid->Anchor().X, 4);
  EXPECT_EQ(grid->Col(), grid->LeftCol());
  EXPECT_EQ(grid->Selection(), (TGridRect{1, 2, 4, 2}));
  // Without goRangeSelect moving the anchor moves the current cell.
  grid->SetOptions({goVertLine});
  grid->MoveAnchor({2, 4}, true);
  EXPECT_EQ(grid->Current(), (TGridCoord{2, 4}));
  EXPECT_EQ(grid->Anchor(), (TGridCoord{2, 4}));
}

TEST_F(GridModel, ClampInViewAndMaxTopLeft) {
  MakeGrid();
  grid->SetColCount(30);
  grid->SetRowCount(100);
  grid->MoveCurrent(20, 50, true, true);
  // Column 20 is the last that shows fully: five columns fit after the fixed one, seven rows.
  EXPECT_EQ(grid->LeftCol(), 16);
  EXPECT_EQ(grid->TopRow(), 44);
  grid->MoveCurrent(3, 2, true, true);
  EXPECT_EQ(grid->TopLeft(), (TGridCoord{3, 2}));
  // Zero-width columns are passed over when the last start cell is sought.
  TGridDrawInfo info;
  grid->CalcDrawInfo(info);
  EXPECT_EQ(grid->CalcMaxTopLeft({29, 99}, info), (TGridCoord{25, 93}));
  grid->SetColWidths(27, 0);
  grid->SetColWidths(28, 0);
  grid->CalcDrawInfo(info);
  EXPECT_EQ(grid->CalcMaxTopLeft({29, 99}, info).X, 23);
}

TEST_F(GridModel, MaxTopLeftIsNeverAnEmptyColumn) {
  // Widths of all columns, the fixed one first; the 200-pixel grid shows a 300-pixel column only
  // in part.
  const struct {
    std::vector<int> widths;
    int expected;
  } cases[] = {{{64, 64, 300, 0}, 2}, {{64, 64, 300}, 2}, {{64, 0, 300, 0, 0}, 2}, {{64, 64, 64, 0}, 1}};
  for (const auto& c : cases) {
    MakeGrid(200, 100);
    grid->SetColCount(static_cast<int>(c.widths.size()));
    for (size_t i = 0; i < c.widths.size(); ++i) grid->SetColWidths(static_cast<int>(i), c.widths[i]);
    TGridDrawInfo info;
    grid->CalcDrawInfo(info);
    EXPECT_EQ(grid->CalcMaxTopLeft({grid->ColCount() - 1, 1}, info).X, c.expected) << c.widths.size();
    // Ctrl+End shows the last column with width, not an empty scrolling area.
    grid->SetFocus();
    Key(VK_END, false, true);
    EXPECT_EQ(grid->LeftCol(), c.expected);
    form->Free();
    form = nullptr;
  }
}

TEST_F(GridModel, MovingColumnsAndRowsCarriesTheirStateAlong) {
  MakeGrid();
  grid->SetColWidths(1, 11);
  grid->SetTabStops(1, false);
  grid->MoveCurrent(1, 2, true, true);
  grid->MoveColumn(1, 3);
  EXPECT_EQ(grid->GetColWidths(3), 11);
  EXPECT_FALSE(grid->GetTabStops(3));
  EXPECT_EQ(grid->GetColWidths(1), 64);
  EXPECT_EQ(grid->Col(), 3);
  grid->MoveCurrent(2, 2, true, true);
  grid->MoveColumn(3, 1);
  EXPECT_EQ(grid->Col(), 3);  // shifted by one towards the moved column's origin
  EXPECT_EQ(grid->GetColWidths(1), 11);
  grid->SetRowHeights(4, 9);
  grid->MoveRow(4, 1);
  EXPECT_EQ(grid->GetRowHeights(1), 9);
  EXPECT_EQ(grid->Row(), 3);
}

// With goRowSelect the selected row keeps spanning every column when columns move.
TEST_F(GridModel, MovingColumnsKeepsARowSelectionWhole) {
  MakeGrid();
  TGridOptions o = grid->Options();
  o.Include(goRowSelect);
  grid->SetOptions(o);
  grid->MoveCurrent(1, 2, true, true);
  const struct {
    int from, to;
  } moves[] = {{4, 2}, {1, 3}, {2, 4}, {3, 1}};
  for (const auto& m : moves) {
    grid->MoveColumn(m.from, m.to);
    EXPECT_EQ(grid->Selection(), (TGridRect{1, 2, 4, 2})) << m.from << "->" << m.to;
    EXPECT_EQ(grid->Col(), grid->LeftCol());
  }
}

// The row that takes the deleted row's place becomes current; never a title row, never below 0.
TEST_F(GridModel, DeleteRowKeepsTheCurrentRowOnDataRows) {
  MakeGrid();
  grid->SetRowCount(10);
  grid->texts = {};
  grid->MoveCurrent(1, 1, true, true);
  grid->DeleteRow(1);  // the first data row: the old code went to the title row
  EXPECT_EQ(grid->RowCount(), 9);
  EXPECT_EQ(grid->Row(), 1);
  grid->MoveCurrent(1, 8, true, true);
  grid->DeleteRow(8);  // the last row: its predecessor
  EXPECT_EQ(grid->Row(), 7);
  grid->MoveCurrent(1, 4, true, true);
  grid->DeleteRow(2);  // another row: the current one shifts with its record
  EXPECT_EQ(grid->Row(), 3);
  EXPECT_EQ(grid->RowCount(), 7);
  // Without fixed rows, deleting row 0 while it is current.
  grid->SetFixedRows(0);
  grid->MoveCurrent(1, 0, true, true);
  EXPECT_NO_THROW(grid->DeleteRow(0));
  EXPECT_EQ(grid->Row(), 0);
  EXPECT_FALSE(grid->IsUpdating());
  grid->DeleteColumn(1);
  EXPECT_EQ(grid->ColCount(), 4);
}

TEST_F(GridModel, ScaleHelperAnswersNothingForAZeroDivisor) {
  EXPECT_FALSE(GridScale(5, 127, 0).has_value());
  // Rounded to the nearest, halves away from zero.
  EXPECT_EQ(*GridScale(1, 127, 2), 64);
  EXPECT_EQ(*GridScale(-1, 127, 2), -64);
  EXPECT_EQ(*GridScale(64, 3, 127), 2);
  EXPECT_EQ(*GridScale(63, 3, 127), 1);
  EXPECT_EQ(*GridScale(500000, 127, 999999), 64);  // 64-bit intermediate
  EXPECT_EQ(*GridScale(2000000000, 2000000000, 1), INT32_MAX);
}

// A million rows with the default height cost nothing per row and answer at any TopRow.
TEST_F(GridModel, MillionRowsNeedNoListAndKeepGeometry) {
  MakeGrid();
  grid->SetRowCount(1000000);
  EXPECT_FALSE(grid->HasRowHeights());
  grid->SetTopRow(500000);
  EXPECT_EQ(grid->CellRect(1, 500000), Rect(65, 25, 129, 49));
  EXPECT_EQ(grid->MouseCoord(70, 30), (TGridCoord{1, 500000}));
  EXPECT_TRUE(grid->CellRect(1, 1).IsEmpty());
  grid->SetTopRow(999996);
  EXPECT_EQ(grid->MouseCoord(70, 120), (TGridCoord{1, 999999}));
}

TEST_F(GridModel, FrozenCellsLieInsideTheFixedRun) {
  MakeGrid();
  grid->SetColCount(8);
  grid->SetFixedCols(3);
  grid->SetFrozenCols(2);
  TGridDrawInfo info;
  grid->CalcDrawInfo(info);
  EXPECT_EQ(info.Horz.FixedBoundary, 195);
  EXPECT_EQ(info.Horz.FrozenBoundary, 65);
  // Frozen cells can be current.
  grid->MoveCurrent(1, 1, true, true);
  EXPECT_EQ(grid->Col(), 1);
  EXPECT_EQ(grid->CellRect(1, 1), Rect(65, 25, 129, 49));
}

}  // namespace

namespace {

// Captures what a grid defines for the form stream.
class StreamProbe : public TFiler {
 public:
  struct Def {
    std::string Name;
    TReaderProc Read;
    bool HasData;
  };
  void SetAncestor(TPersistent* ancestor) { ancestor_ = ancestor; }
  void DefineProperty(std::string_view name, const TReaderProc& read, const TWriterProc&, bool hasData) override {
    defs.push_back({std::string(name), read, hasData});
  }
  void DefineBinaryProperty(std::string_view, const TStreamProc&, const TStreamProc&, bool) override {}
  const Def* Find(const std::string& name) const {
    for (const Def& d : defs)
      if (d.Name == name) return &d;
    return nullptr;
  }
  std::vector<Def> defs;
};

TEST_F(GridModel, CellExtentsAreStoredOnlyWhenTheyExistAndDiffer) {
  MakeGrid();
  StreamProbe plain;
  grid->DefineProperties(plain);
  ASSERT_NE(plain.Find("ColWidths"), nullptr);
  EXPECT_FALSE(plain.Find("ColWidths")->HasData);
  EXPECT_FALSE(plain.Find("RowHeights")->HasData);
  grid->SetColWidths(2, 30);
  StreamProbe changed;
  grid->DefineProperties(changed);
  EXPECT_TRUE(changed.Find("ColWidths")->HasData);
  EXPECT_FALSE(changed.Find("RowHeights")->HasData);
  // Against an ancestor with the same widths nothing is stored.
  auto* twin = new TTestGrid(form);
  twin->SetColWidths(2, 30);
  StreamProbe inherited;
  inherited.SetAncestor(twin);
  grid->DefineProperties(inherited);
  EXPECT_FALSE(inherited.Find("ColWidths")->HasData);
  twin->SetColWidths(3, 31);
  StreamProbe differs;
  differs.SetAncestor(twin);
  grid->DefineProperties(differs);
  EXPECT_TRUE(differs.Find("ColWidths")->HasData);
  // Reading assigns the widths in order.
  TReader reader("(11 12 13)");
  changed.Find("ColWidths")->Read(reader);
  EXPECT_EQ(grid->GetColWidths(0), 11);
  EXPECT_EQ(grid->GetColWidths(2), 13);
  EXPECT_EQ(grid->GetColWidths(3), 64);
  // A grid that does not save its extents defines nothing.
  grid->SetSaveCellExtents(false);
  StreamProbe none;
  grid->DefineProperties(none);
  EXPECT_EQ(none.Find("ColWidths"), nullptr);
}

}  // namespace
