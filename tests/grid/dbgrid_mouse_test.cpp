// Mouse sequences on the data grid, sent through the window system's input queue on the simulated
// clock: title buttons and the column-move threshold, sizing (with the XOR line and live), record,
// rectangle and column selection by dragging with auto-scroll on timer 1, check-box clicks,
// cursors and cancelling.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "dbgrid_test_util.h"
#include "grid/dbgrid.h"
#include "grid_test_util.h"
#include "platform/os/clock.h"
#include "platform/os/winuser.h"

using namespace dbgridtest;

namespace {

class DBGridMouseTest : public DBGridTest {
 protected:
  // A bound grid of ID, NAME, AMOUNT over `rows` records, focused.
  void Build(int rows, int width = 400, int height = 220) {
    AddRows(rows);
    MakeGrid(width, height);
    id = AddColumn("ID", "编号");
    name = AddColumn("NAME", "名称");
    amount = AddColumn("AMOUNT", "金额");
    Bind();
    grid->SetFocus();
    gridtest::Pump();
  }
  TPoint Screen(int x, int y) const { return grid->ClientToScreen(TPoint(x, y)); }
  void Modifiers(bool down) {
    if (shift) FanoInputKey(VK_SHIFT, down ? TRUE : FALSE);
    if (ctrl) FanoInputKey(VK_CONTROL, down ? TRUE : FALSE);
  }
  void Down(int x, int y, int button = 0) {
    const TPoint p = Screen(x, y);
    Modifiers(true);
    FanoInputMouseMove(p.X, p.Y);
    FanoInputMouseButton(button, TRUE, p.X, p.Y);
    gridtest::Pump();
  }
  void Move(int x, int y) {
    const TPoint p = Screen(x, y);
    FanoInputMouseMove(p.X, p.Y);
    gridtest::Pump();
  }
  void Up(int x, int y, int button = 0) {
    const TPoint p = Screen(x, y);
    FanoInputMouseMove(p.X, p.Y);
    FanoInputMouseButton(button, FALSE, p.X, p.Y);
    Modifiers(false);
    gridtest::Pump();
  }
  void Click(int x, int y) {
    Down(x, y);
    Up(x, y);
    Later();
  }
  // Lets the double-click time pass, so the next press is a press of its own.
  void Later() { gridtest::AdvanceAndPump(1000, 250); }
  TPoint At(int col, int row, int dx = 6, int dy = 6) const {
    const TRect r = grid->CellRect(col, row);
    return TPoint(r.Left + dx, r.Top + dy);
  }
  // The right edge of a column's title, where sizing starts.
  TPoint Border(int col) const {
    const TRect r = grid->CellRect(col, 0);
    return TPoint(r.Right, r.Top + 4);
  }
  int Record() { return table->FieldByName("ID")->AsInteger(); }
  void Snapshot(const char* file) { uitest::WriteSnapshot(form, file); }

  TColumnGx* id = nullptr;
  TColumnGx* name = nullptr;
  TColumnGx* amount = nullptr;
  bool shift = false;
  bool ctrl = false;
};

// ---------------------------------------------------------------- title buttons

TEST_F(DBGridMouseTest, ATitleButtonClickFiresTheButtonAndStepsTheSortMarker) {
  Build(5);
  grid->SetOptionsGx(grid->OptionsGx() + dghAutoSortMarking);
  name->Title()->SetTitleButton(true);
  std::vector<int> buttons;
  std::vector<TColumnGx*> titles;
  int sortChanges = 0;
  std::vector<int> checked;  // the button is asked about by the same column number it reports
  grid->OnCheckButton = [&](TObject*, int col, TColumnGx* c, bool&) {
    checked.push_back(col);
    EXPECT_EQ(c, name);
  };
  grid->OnTitleBtnClick = [&](TObject*, int col, TColumnGx* c) {
    buttons.push_back(col);
    EXPECT_EQ(c, name);
  };
  grid->OnTitleClick = [&](TColumnGx* c) { titles.push_back(c); };
  grid->OnSortMarkingChanged = [&](TObject*) { ++sortChanges; };
  const TPoint p = At(2, 0);
  Down(p.X, p.Y);
  // Held down, the title shows pressed.
  EXPECT_EQ(grid->TrackedTitleCol(), 2);
  EXPECT_EQ(grid->PressedTitleCol(), 2);
  Up(p.X, p.Y);
  EXPECT_EQ(grid->TrackedTitleCol(), -1);
  EXPECT_EQ(grid->PressedTitleCol(), -1);
  EXPECT_EQ(buttons, std::vector<int>{1});  // the data column
  EXPECT_EQ(checked, buttons);
  EXPECT_EQ(titles, std::vector<TColumnGx*>{name});
  EXPECT_EQ(name->Title()->SortMarker(), smDownGx);
  EXPECT_EQ(sortChanges, 1);
  Later();
  Click(p.X, p.Y);
  EXPECT_EQ(name->Title()->SortMarker(), smUpGx);
  EXPECT_EQ(sortChanges, 2);
}

TEST_F(DBGridMouseTest, AButtonHandlerThatRebuildsTheColumnsLeavesTheNewOnesUnmarked) {
  Build(5);
  grid->SetOptionsGx(grid->OptionsGx() + dghAutoSortMarking);
  name->Title()->SetTitleButton(true);
  TColumnGx* rebuilt = nullptr;
  int sortChanges = 0;
  grid->OnSortMarkingChanged = [&](TObject*) { ++sortChanges; };
  grid->OnTitleBtnClick = [&](TObject*, int, TColumnGx*) {
    grid->Columns()->Clear();
    rebuilt = grid->Columns()->Add();
    rebuilt->SetFieldName("NAME");
  };
  const TPoint p = At(2, 0);
  Click(p.X, p.Y);
  ASSERT_EQ(grid->Columns()->Count(), 1);
  EXPECT_EQ(rebuilt->Title()->SortMarker(), smNoneGx);
  EXPECT_TRUE(grid->SortMarkedColumns().empty());
  EXPECT_EQ(sortChanges, 0);
}

TEST_F(DBGridMouseTest, ATitleReleasedElsewhereIsNoClick) {
  Build(5);
  grid->SetOptionsGx(grid->OptionsGx() + dghAutoSortMarking);
  name->Title()->SetTitleButton(true);
  int buttons = 0;
  grid->OnTitleBtnClick = [&](TObject*, int, TColumnGx*) { ++buttons; };
  const TPoint p = At(2, 0);
  const TPoint below = At(2, 2);
  Down(p.X, p.Y);
  // Straight down: no sideways travel, so no column move either.
  Move(p.X, below.Y);
  EXPECT_EQ(grid->PressedTitleCol(), -1);  // the pressed look follows the pointer
  Up(p.X, below.Y);
  EXPECT_EQ(buttons, 0);
  EXPECT_EQ(name->Title()->SortMarker(), smNoneGx);
  EXPECT_EQ(grid->Selection()->SelectionType(), gstNon);
}

TEST_F(DBGridMouseTest, ATitleMovedThreePixelsIsStillAClick) {
  Build(5);
  name->Title()->SetTitleButton(true);
  int buttons = 0;
  grid->OnTitleBtnClick = [&](TObject*, int, TColumnGx*) { ++buttons; };
  const TPoint p = At(2, 0, 20);
  Down(p.X, p.Y);
  Move(p.X + 3, p.Y);
  Move(p.X - 3, p.Y);
  EXPECT_EQ(grid->GridState(), gsNormal);
  Up(p.X - 3, p.Y);
  EXPECT_EQ(buttons, 1);
  EXPECT_EQ(name->Index(), 1);  // not moved
}

TEST_F(DBGridMouseTest, ATitleDraggedFurtherMovesTheColumnAndIsNoClick) {
  Build(5);
  name->Title()->SetTitleButton(true);
  int buttons = 0;
  std::vector<std::pair<int, int>> moved;
  grid->OnTitleBtnClick = [&](TObject*, int, TColumnGx*) { ++buttons; };
  grid->OnColumnMoved = [&](TObject*, int from, int to) { moved.emplace_back(from, to); };
  const TPoint p = At(2, 0, 20);
  Down(p.X, p.Y);
  Move(p.X + 4, p.Y);
  EXPECT_EQ(grid->TrackedTitleCol(), -1);
  EXPECT_EQ(grid->GridState(), gsColMoving);
  const TPoint target = At(3, 0, grid->CellRect(3, 0).Width() - 6);
  Move(target.X, target.Y);
  Up(target.X, target.Y);
  EXPECT_EQ(buttons, 0);
  EXPECT_EQ(grid->GridState(), gsNormal);
  EXPECT_EQ(name->Index(), 2);
  EXPECT_EQ(amount->Index(), 1);
  ASSERT_EQ(moved.size(), 1u);
}

TEST_F(DBGridMouseTest, ARightPressOnATitleMovesTheColumn) {
  Build(5);
  const TPoint p = At(1, 0, 20);
  Down(p.X, p.Y, 1);
  EXPECT_EQ(grid->GridState(), gsColMoving);
  const TPoint target = At(3, 0, grid->CellRect(3, 0).Width() - 6);
  Move(target.X, target.Y);
  Up(target.X, target.Y, 1);
  EXPECT_EQ(grid->GridState(), gsNormal);
  EXPECT_EQ(id->Index(), 2);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(DBGridMouseTest, SnapshotsOfAColumnBeingSizedAndMoved) {
  FanoSetTestFont(FALSE);
  const char* names[] = {"差旅费报销", "办公用品采购", "会议场地租金", "市场推广费用", "水电费垫付"};
  for (int i = 0; i < 5; ++i) AddRow(101 + i, names[i], 125.5 * (i + 1));
  table->First();
  MakeGrid(420, 200);
  AddColumn("ID", "单号");
  name = AddColumn("NAME", "摘要");
  name->SetWidth(110);
  amount = AddColumn("AMOUNT", "金额");
  Bind();
  grid->SetFocus();
  gridtest::Pump();
  // The dotted line follows the pointer 40 pixels right of the summary column's edge.
  const TPoint b = Border(2);
  Down(b.X, b.Y);
  Move(b.X + 40, b.Y);
  Snapshot("grid_dbgrid_column_sizing.png");
  Up(b.X + 40, b.Y);
  EXPECT_EQ(name->Width(), 150);
  Later();
  // The summary column dragged by its title towards the right edge of the amount column.
  const TPoint p = At(2, 0, 30);
  Down(p.X, p.Y);
  const TPoint target = At(3, 0, grid->CellRect(3, 0).Width() - 6);
  Move(target.X, target.Y);
  Snapshot("grid_dbgrid_column_moving.png");
  Up(target.X, target.Y);
  EXPECT_EQ(name->Index(), 2);
  FanoSetTestFont(TRUE);
}

// ---------------------------------------------------------------- sizing

TEST_F(DBGridMouseTest, ATitleBorderSizesTheColumnOnRelease) {
  Build(5);
  const int before = name->Width();
  const TPoint b = Border(2);
  Down(b.X, b.Y);
  EXPECT_EQ(grid->GridState(), gsColSizing);
  Move(b.X + 40, b.Y);
  EXPECT_EQ(name->Width(), before);  // only the line moves
  Up(b.X + 40, b.Y);
  EXPECT_EQ(name->Width(), before + 40);
  EXPECT_EQ(grid->GridState(), gsNormal);
}

TEST_F(DBGridMouseTest, TracedSizingChangesTheWidthWhileDragging) {
  Build(5);
  grid->SetOptionsGx(grid->OptionsGx() + dghTraceColSizing);
  const int before = name->Width();
  const TPoint b = Border(2);
  Down(b.X, b.Y);
  Move(b.X + 25, b.Y);
  EXPECT_EQ(name->Width(), before + 25);
  Move(b.X - 10, b.Y);
  EXPECT_EQ(name->Width(), before - 10);
  Up(b.X - 10, b.Y);
  EXPECT_EQ(name->Width(), before - 10);
  EXPECT_EQ(grid->GridState(), gsNormal);
}

TEST_F(DBGridMouseTest, TracedSizingCancelledKeepsTheWidthReached) {
  Build(5);
  grid->SetOptionsGx(grid->OptionsGx() + dghTraceColSizing);
  const int before = name->Width();
  const TPoint b = Border(2);
  Down(b.X, b.Y);
  Move(b.X + 12, b.Y);
  grid->Perform(WM_CANCELMODE, 0, 0);
  EXPECT_EQ(grid->GridState(), gsNormal);
  EXPECT_EQ(name->Width(), before + 12);
  Up(b.X + 30, b.Y);
  EXPECT_EQ(name->Width(), before + 12);
}

TEST_F(DBGridMouseTest, ADoubleClickOnABorderFitsTheColumnWithoutADoubleClickEvent) {
  Build(3);
  table->First();
  table->Edit();
  table->FieldByName("NAME")->SetValue(std::string("一个相当长的名称文本用来测量"));
  table->Post();
  grid->SetOptionsGx(grid->OptionsGx() + dghDblClickOptimizeColWidth);
  name->SetWidth(30);
  gridtest::Pump();
  int dbl = 0;
  grid->OnDblClick = [&](TObject*) { ++dbl; };
  const TPoint b = Border(2);
  Down(b.X, b.Y);
  Up(b.X, b.Y);
  Down(b.X, b.Y);
  Up(b.X, b.Y);
  EXPECT_GT(name->Width(), 100);
  EXPECT_EQ(dbl, 0);
  // Elsewhere the double click is the grid's.
  Later();
  const TPoint cell = At(1, 2);
  Down(cell.X, cell.Y);
  Up(cell.X, cell.Y);
  Down(cell.X, cell.Y);
  Up(cell.X, cell.Y);
  EXPECT_EQ(dbl, 1);
}

TEST_F(DBGridMouseTest, MultiLevelTitlesSizeAColumnInsideTheTitle) {
  // The border under the pointer is the border of the column drawn there: after frozen columns,
  // and after columns scrolled out to the left.
  const struct {
    int frozen;
    int widths[3];  // ID, NAME, AMOUNT
    int scrolled;   // columns scrolled out to the left
    int dataCol;    // the column whose right border is dragged
  } cases[] = {{0, {60, 80, 80}, 0, 1}, {1, {60, 80, 80}, 0, 1}, {1, {60, 80, 80}, 0, 2},
               {0, {300, 80, 80}, 1, 1}, {1, {60, 300, 80}, 1, 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.frozen * 10 + c.dataCol + c.scrolled * 100);
    Build(5, 400);
    name->Title()->SetCaption("单据|名称");
    amount->Title()->SetCaption("单据|金额");
    grid->SetUseMultiTitle(true);
    grid->SetDataFrozenCols(c.frozen);
    for (int i = 0; i < 3; ++i) grid->Columns()->Items(i)->SetWidth(c.widths[i]);
    gridtest::Pump();
    if (c.scrolled) grid->SetLeftCol(grid->LeftCol() + c.scrolled);
    gridtest::Pump();
    TColumnGx* sized = grid->Columns()->Items(c.dataCol);
    const int next = c.dataCol + 1 < 3 ? grid->Columns()->Items(c.dataCol + 1)->Width() : 0;
    const TRect r = grid->CellRect(grid->DataToRawColumn(c.dataCol), 0);
    ASSERT_FALSE(r.IsEmpty());
    Down(r.Right, r.Bottom - 4);
    EXPECT_EQ(grid->MouseStateGx(), TCustomDBGridGx::msTitleSizingGx);
    Move(r.Right + 20, r.Bottom - 4);
    Up(r.Right + 20, r.Bottom - 4);
    EXPECT_EQ(grid->MouseStateGx(), TCustomDBGridGx::msNoneGx);
    EXPECT_EQ(sized->Width(), c.widths[c.dataCol] + 20);
    if (next) {
      EXPECT_EQ(grid->Columns()->Items(c.dataCol + 1)->Width(), next);
    }
    form->Free();
    form = nullptr;
    table->EmptyTable();
    Later();
  }
}

TEST_F(DBGridMouseTest, APressOnTheGroupBandOfAMultiLevelTitleIsNoTitleButtonPress) {
  Build(5);
  name->Title()->SetCaption("单据|名称");
  amount->Title()->SetCaption("单据|金额");
  name->Title()->SetTitleButton(true);
  grid->SetUseMultiTitle(true);
  gridtest::Pump();
  int buttons = 0;
  grid->OnTitleBtnClick = [&](TObject*, int, TColumnGx*) { ++buttons; };
  const TRect leaf = grid->LeafTitleRect(2, 0);
  const TRect cell = grid->CellRect(2, 0);
  ASSERT_GT(leaf.Top, cell.Top);
  Click(cell.Left + 10, cell.Top + 3);
  EXPECT_EQ(buttons, 0);
  Click(cell.Left + 10, leaf.Top + 3);
  EXPECT_EQ(buttons, 1);
}

// ---------------------------------------------------------------- clicks

TEST_F(DBGridMouseTest, AClickMovesToTheRecordAndColumnAndReportsTheCell) {
  Build(6);
  std::vector<TColumnGx*> cells;
  grid->OnCellClick = [&](TColumnGx* c) { cells.push_back(c); };
  const TPoint p = At(3, 4);
  Click(p.X, p.Y);
  EXPECT_EQ(Record(), 4);
  EXPECT_EQ(grid->SelectedColumn(), amount);
  EXPECT_EQ(cells, std::vector<TColumnGx*>{amount});
  // A click on the current cell opens the editor.
  Click(p.X, p.Y);
  EXPECT_TRUE(grid->IsEditorVisible());
}

// An empty row appended at the bottom goes when the record moves to the row clicked: the press
// still means the record that was under the pointer, not the one that moved into its place.
TEST_F(DBGridMouseTest, AClickWhileAnEmptyAppendedRowIsAtTheBottomMakesTheClickedRowCurrent) {
  Build(4);
  table->Last();
  gridtest::Pump();
  Key(VK_DOWN);
  ASSERT_EQ(table->State(), dsInsert);
  const TPoint second = At(2, 2);
  Click(second.X, second.Y);
  EXPECT_EQ(table->State(), dsBrowse);
  EXPECT_EQ(table->RecordCount(), 4);
  EXPECT_EQ(Record(), 2);
  EXPECT_EQ(grid->SelectedColumn(), name);
  // The same with the editor open in the new row, and a click on the first record.
  table->Last();
  gridtest::Pump();
  Key(VK_DOWN);
  Key(VK_F2);
  ASSERT_EQ(table->State(), dsInsert);
  const TPoint first = At(1, 1);
  Click(first.X, first.Y);
  EXPECT_EQ(table->RecordCount(), 4);
  EXPECT_EQ(Record(), 1);
}

// With more rows than the grid shows, the appended row scrolled the rows up by one; when it goes
// they come back down, and the record clicked is still the one made current.
TEST_F(DBGridMouseTest, AClickAfterTheAppendedRowScrolledTheRowsTakesTheRecordUnderThePointer) {
  Build(30);
  table->Last();
  gridtest::Pump();
  Key(VK_DOWN);
  ASSERT_EQ(table->State(), dsInsert);
  gridtest::Pump();
  // The row two above the new one shows record 29 (the new one is below record 30).
  const int newRow = grid->Row();
  const TPoint p = At(1, newRow - 2);
  Click(p.X, p.Y);
  EXPECT_EQ(table->State(), dsBrowse);
  EXPECT_EQ(table->RecordCount(), 30);
  EXPECT_EQ(Record(), 29);
}

// A record being edited and changed is posted when another one is clicked, and the click lands.
TEST_F(DBGridMouseTest, AChangedRecordIsPostedWhenAnotherIsClicked) {
  Build(5);
  table->Edit();
  table->FieldByName("NAME")->SetAsString("changed");
  const TPoint p = At(1, 4);
  Click(p.X, p.Y);
  EXPECT_EQ(table->State(), dsBrowse);
  EXPECT_EQ(Record(), 4);
  table->First();
  EXPECT_EQ(table->FieldByName("NAME")->AsString(), "changed");
}

TEST_F(DBGridMouseTest, APressOnACellsButtonOpensTheEditorAndPressesItsButton) {
  Build(4);
  name->SetButtonStyle(cbsEllipsis);
  name->SetAlwaysShowEditButton(true);
  gridtest::Pump();
  int clicks = 0;
  grid->OnEditButtonClick = [&](TObject*) { ++clicks; };
  // Another row than the current one, on the button drawn at the cell's right edge.
  const TRect r = grid->CellRect(2, 3);
  const TPoint p(r.Right - 4, r.Top + r.Height() / 2);
  Click(p.X, p.Y);
  EXPECT_EQ(Record(), 3);
  EXPECT_TRUE(grid->IsEditorVisible());
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(grid->MouseStateGx(), TCustomDBGridGx::msNoneGx);
  // Beside the button the press is a press on the text.
  const TPoint text(r.Left + 6, r.Top + r.Height() / 2);
  Click(text.X, text.Y);
  EXPECT_EQ(clicks, 1);
}

TEST_F(DBGridMouseTest, ACheckBoxCellTogglesOnAClickOfItsOwn) {
  AddRow(1, "a", 0, "N");
  AddRow(2, "b", 0, "N");
  table->First();
  MakeGrid();
  AddColumn("ID");
  TColumnGx* flag = AddColumn("FLAG", "审核");
  flag->KeyList()->Add("Y");
  flag->KeyList()->Add("N");
  flag->SetCheckboxes(true);
  Bind();
  grid->SetFocus();
  gridtest::Pump();
  const TPoint p = At(2, 2);
  Click(p.X, p.Y);
  table->Post();
  EXPECT_EQ(Record(), 2);
  EXPECT_EQ(table->FieldByName("FLAG")->AsString(), "Y");
  // Pressed on one cell, released on another: nothing.
  const TPoint other = At(2, 1);
  Down(p.X, p.Y);
  Up(other.X, other.Y);
  Later();
  if (table->State() != dsBrowse) table->Post();
  table->Last();
  EXPECT_EQ(table->FieldByName("FLAG")->AsString(), "Y");
  // A click handler that builds the columns anew takes the clicked column away: nothing steps
  // (and nothing reads the column that went).
  grid->OnCellClick = [&](TColumnGx*) {
    grid->Columns()->Clear();
    AddColumn("FLAG")->SetCheckboxes(true);
  };
  Click(p.X, p.Y);
  if (table->State() != dsBrowse) table->Post();
  EXPECT_EQ(table->FieldByName("FLAG")->AsString(), "Y");
}

// ---------------------------------------------------------------- selecting by dragging

TEST_F(DBGridMouseTest, DraggingOverTheIndicatorSelectsRecords) {
  Build(8);
  grid->SetDBOptions(grid->DBOptions() + dgMultiSelect);
  const TPoint a = At(0, 2);
  const TPoint b = At(0, 4);
  Down(a.X, a.Y);
  EXPECT_EQ(grid->MouseStateGx(), TCustomDBGridGx::msRowSelectingGx);
  Move(b.X, b.Y);
  Up(b.X, b.Y);
  EXPECT_EQ(grid->MouseStateGx(), TCustomDBGridGx::msNoneGx);
  EXPECT_EQ(grid->SelectedRows()->Count(), 3);
  EXPECT_EQ(Record(), 4);
  EXPECT_FALSE(grid->AutoScrollTimerRunning());
}

TEST_F(DBGridMouseTest, CtrlTogglesAndShiftExtendsFromTheAnchorWithoutMovingFirst) {
  Build(8);
  grid->SetDBOptions(grid->DBOptions() + dgMultiSelect + dgRowSelect);
  const TPoint r2 = At(1, 2), r5 = At(1, 5), r7 = At(1, 7);
  Click(r2.X, r2.Y);
  EXPECT_EQ(grid->SelectedRows()->Count(), 1);
  ctrl = true;
  Click(r7.X, r7.Y);
  EXPECT_EQ(grid->SelectedRows()->Count(), 2);
  Click(r7.X, r7.Y);  // toggled off again
  EXPECT_EQ(grid->SelectedRows()->Count(), 1);
  ctrl = false;
  Click(r2.X, r2.Y);  // anchor at record 2
  std::vector<int> scrolledTo;
  table->SetAfterScroll([&](TDataSet*) { scrolledTo.push_back(Record()); });
  shift = true;
  Click(r5.X, r5.Y);
  shift = false;
  table->SetAfterScroll(nullptr);
  // Records 2..5, reached from the anchor step by step, not by a jump to 5 first.
  EXPECT_EQ(grid->SelectedRows()->Count(), 4);
  EXPECT_EQ(Record(), 5);
  EXPECT_EQ(scrolledTo, (std::vector<int>{3, 4, 5}));
  // A drag after a Shift press walks from the pressed row: back up over the extension it keeps
  // the rows selected.
  const TPoint r4 = At(1, 4), r3 = At(1, 3);
  Click(r2.X, r2.Y);
  shift = true;
  Down(r4.X, r4.Y);
  Move(r3.X, r3.Y);
  Up(r3.X, r3.Y);
  shift = false;
  EXPECT_EQ(Record(), 3);
  EXPECT_EQ(grid->SelectedRows()->Count(), 3);
}

TEST_F(DBGridMouseTest, ClickingASelectedCellClearsTheSelection) {
  Build(8);
  grid->SetDBOptions(grid->DBOptions() + dgMultiSelect);
  const TPoint a = At(1, 2), b = At(2, 4);
  Down(a.X, a.Y);
  Move(b.X, b.Y);
  Up(b.X, b.Y);
  Later();
  ASSERT_EQ(grid->Selection()->SelectionType(), gstRectangle);
  const TPoint inside = At(1, 3);
  Click(inside.X, inside.Y);
  // The click only anchors a new rectangle at the cell; one cell is no selection.
  EXPECT_EQ(grid->Selection()->SelectionType(), gstNon);
  EXPECT_EQ(grid->Selection()->Rect()->AnchorCol(), 1);
  EXPECT_EQ(Record(), 3);
}

TEST_F(DBGridMouseTest, DraggingOverCellsSelectsARectangle) {
  Build(8);
  grid->SetDBOptions(grid->DBOptions() + dgMultiSelect);
  const TPoint a = At(1, 2), b = At(3, 4);
  Down(a.X, a.Y);
  EXPECT_EQ(grid->MouseStateGx(), TCustomDBGridGx::msRectSelectingGx);
  Move(b.X, b.Y);
  Up(b.X, b.Y);
  ASSERT_EQ(grid->Selection()->SelectionType(), gstRectangle);
  TDBGridGxSelectionRect* r = grid->Selection()->Rect();
  EXPECT_EQ(r->LeftCol(), 1);
  EXPECT_EQ(r->RightCol(), 3);
  const TGridRect bounds = r->GetBounds();
  EXPECT_EQ(bounds.Top, 2);
  EXPECT_EQ(bounds.Bottom, 4);
}

TEST_F(DBGridMouseTest, TheLowEdgeOfATitleSelectsColumnsByDragging) {
  Build(5);
  grid->SetDBOptions(grid->DBOptions() + dgMultiSelect);
  const TRect t1 = grid->CellRect(1, 0), t2 = grid->CellRect(2, 0);
  // Above the zone a press is a title press.
  EXPECT_FALSE(grid->InColumnSelectZone(t1.Left + 10, t1.Bottom - 8));
  ASSERT_TRUE(grid->InColumnSelectZone(t1.Left + 10, t1.Bottom - 3));
  Down(t1.Left + 10, t1.Bottom - 3);
  EXPECT_EQ(grid->MouseStateGx(), TCustomDBGridGx::msColSelectingGx);
  Move(t2.Left + 10, t2.Bottom - 3);
  Up(t2.Left + 10, t2.Bottom - 3);
  ASSERT_EQ(grid->Selection()->SelectionType(), gstColumns);
  EXPECT_EQ(grid->Selection()->Columns()->Count(), 2);
  Later();
  ctrl = true;
  Down(t1.Left + 10, t1.Bottom - 3);
  Up(t1.Left + 10, t1.Bottom - 3);
  ctrl = false;
  EXPECT_EQ(grid->Selection()->Columns()->Count(), 1);
  EXPECT_EQ(grid->Selection()->Columns()->Items(0), name);
}

// ---------------------------------------------------------------- auto-scroll

class DBGridAutoScrollTest : public DBGridMouseTest {
 protected:
  // Starts a row drag on the last fully visible row and returns the data area's bottom.
  int StartDragAtBottom() {
    Build(60, 400, 168);  // whole rows: none partly shown below the last full one
    grid->SetDBOptions(grid->DBOptions() + dgMultiSelect + dgRowSelect);
    TGridDrawInfo info;
    grid->CalcDrawInfo(info);
    const TPoint p = At(1, info.Vert.LastFullVisibleCell);
    Down(p.X, p.Y);
    return info.Vert.GridBoundary;
  }
};

TEST_F(DBGridAutoScrollTest, IntervalShrinksAndStepGrowsWithTheDistance) {
  const int bottom = StartDragAtBottom();
  const int start = Record();
  Move(40, bottom + 11);  // distance 12: 200 - 15 x 12 ms, 2 rows a step
  ASSERT_TRUE(grid->AutoScrollTimerRunning());
  EXPECT_EQ(grid->AutoScrollInterval(), 20u);
  EXPECT_EQ(Record(), start + 2);  // the move itself took a step
  gridtest::AdvanceAndPump(20, 20);
  EXPECT_EQ(Record(), start + 4);
  gridtest::AdvanceAndPump(60, 20);
  EXPECT_EQ(Record(), start + 10);
  Move(40, bottom + 6);  // distance 7: 95 ms, 1 row
  EXPECT_EQ(grid->AutoScrollInterval(), 95u);
  const int here = Record();
  gridtest::AdvanceAndPump(90, 10);
  EXPECT_EQ(Record(), here);
  gridtest::AdvanceAndPump(10, 10);
  EXPECT_EQ(Record(), here + 1);
  Up(40, bottom + 6);
  EXPECT_FALSE(grid->AutoScrollTimerRunning());
  // Every record passed over is selected.
  EXPECT_EQ(grid->SelectedRows()->Count(), Record() - start + 1);
}

TEST_F(DBGridAutoScrollTest, FourteenPixelsOrMoreFireAsFastAsTheTimerAllows) {
  const int bottom = StartDragAtBottom();
  Move(40, bottom + 13);
  EXPECT_EQ(grid->AutoScrollInterval(), 0u);
  const int start = Record();
  Move(40, bottom + 59);  // distance 60: at most 8 rows a step
  EXPECT_EQ(Record(), start + 8);
  Up(40, bottom + 59);
}

TEST_F(DBGridAutoScrollTest, BackInsideTheDataAreaTheTimerStops) {
  const int bottom = StartDragAtBottom();
  Move(40, bottom + 20);
  ASSERT_TRUE(grid->AutoScrollTimerRunning());
  Move(40, bottom - 10);
  EXPECT_FALSE(grid->AutoScrollTimerRunning());
  const int here = Record();
  gridtest::AdvanceAndPump(500, 50);
  EXPECT_EQ(Record(), here);
  Up(40, bottom - 10);
}

TEST_F(DBGridAutoScrollTest, CancellingADragStopsTheTimerAndTheState) {
  const int bottom = StartDragAtBottom();
  Move(40, bottom + 20);
  ASSERT_TRUE(grid->AutoScrollTimerRunning());
  grid->Perform(WM_CANCELMODE, 0, 0);
  EXPECT_EQ(grid->MouseStateGx(), TCustomDBGridGx::msNoneGx);
  EXPECT_FALSE(grid->AutoScrollTimerRunning());
  const int here = Record();
  gridtest::AdvanceAndPump(500, 50);
  EXPECT_EQ(Record(), here);
  Up(40, bottom + 20);
}

// Without multi-select a drag off the bottom only moves the current record, on the timer too; the
// release or a cancel stops the timer all the same.
TEST_F(DBGridMouseTest, APlainDragOffTheRowsStopsItsTimerWhenItEnds) {
  for (const bool cancel : {false, true}) {
    SCOPED_TRACE(cancel ? "cancelled" : "released");
    if (form) form->Free();
    form = nullptr;
    table->First();
    while (!table->IsEmpty()) table->Delete();
    Build(60, 400, 168);
    ASSERT_FALSE(grid->DBOptions().Contains(dgMultiSelect));
    TGridDrawInfo info;
    grid->CalcDrawInfo(info);
    const TPoint p = At(1, info.Vert.LastFullVisibleCell);
    Down(p.X, p.Y);
    Move(40, info.Vert.GridBoundary + 20);
    ASSERT_TRUE(grid->AutoScrollTimerRunning());
    if (cancel) grid->Perform(WM_CANCELMODE, 0, 0);
    else Up(40, info.Vert.GridBoundary + 20);
    EXPECT_FALSE(grid->AutoScrollTimerRunning());
    const int here = Record();
    gridtest::AdvanceAndPump(500, 50);
    EXPECT_EQ(Record(), here);
    if (cancel) Up(40, info.Vert.GridBoundary + 20);
    EXPECT_EQ(grid->Selection()->SelectionType(), gstNon);
  }
}

TEST_F(DBGridMouseTest, ColumnSelectionScrollsColumnsPastTheRightEdge) {
  AddRows(3);
  MakeGrid(200, 160);
  std::vector<TColumnGx*> cols;
  for (int i = 0; i < 6; ++i) cols.push_back(AddColumn(i % 2 ? "NAME" : "ID"));
  Bind();
  for (TColumnGx* c : cols) c->SetWidth(60);
  grid->SetDBOptions(grid->DBOptions() + dgMultiSelect);
  grid->SetFocus();
  gridtest::Pump();
  const TRect t = grid->CellRect(1, 0);
  Down(t.Left + 10, t.Bottom - 3);
  TGridDrawInfo info;
  grid->CalcDrawInfo(info);
  Move(info.Horz.GridBoundary + 9, t.Bottom - 3);  // distance 10
  EXPECT_EQ(grid->AutoScrollInterval(), 100u);
  const int left = grid->LeftCol();
  EXPECT_GT(left, 1);
  gridtest::AdvanceAndPump(100, 50);
  EXPECT_GT(grid->LeftCol(), left);
  Up(info.Horz.GridBoundary + 9, t.Bottom - 3);
  EXPECT_GE(grid->Selection()->Columns()->Count(), 4);
}

// ---------------------------------------------------------------- cursor

TEST_F(DBGridMouseTest, CursorsShowWhereAPressSelects) {
  Build(5);
  grid->SetDBOptions(grid->DBOptions() + dgMultiSelect);
  auto cursorAt = [&](TPoint p) {
    const TPoint s = Screen(p.X, p.Y);
    FanoInputMouseMove(s.X, s.Y);
    gridtest::Pump();
    grid->Perform(WM_SETCURSOR, reinterpret_cast<WPARAM>(grid->Handle()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return GetCursor();
  };
  EXPECT_EQ(cursorAt(At(0, 3)), DBGridCursor(1));
  const TRect t = grid->CellRect(2, 0);
  EXPECT_EQ(cursorAt(TPoint(t.Left + 10, t.Bottom - 2)), DBGridCursor(0));
  EXPECT_NE(cursorAt(At(2, 3)), DBGridCursor(0));
  EXPECT_NE(cursorAt(At(2, 3)), DBGridCursor(1));
  // Where a press drags the record, the indicator does not offer to select it.
  grid->SetOptionsGx(grid->OptionsGx() + dghRecordMoving);
  EXPECT_NE(cursorAt(At(0, 2)), DBGridCursor(1));
  grid->SetOptionsGx(grid->OptionsGx() - dghRecordMoving);
  // Without multi-select no special cursor.
  grid->SetDBOptions(grid->DBOptions() - dgMultiSelect);
  EXPECT_NE(cursorAt(At(0, 3)), DBGridCursor(1));
  // Columns built from the fields: on a title border the sizing cursor while the data set is open,
  // the arrow once it is closed.
  grid->Columns()->Clear();
  ASSERT_FALSE(grid->Columns()->Customized());
  const HCURSOR split = ::Screen->Cursors(crHSplit), arrow = ::Screen->Cursors(crArrow);
  EXPECT_EQ(cursorAt(Border(1)), split);
  table->Close();
  ASSERT_GT(grid->Columns()->Count(), 0);
  EXPECT_EQ(cursorAt(Border(1)), arrow);
  grid->SetDataSource(nullptr);
  EXPECT_EQ(cursorAt(Border(1)), arrow);
  table->Open();
}

}  // namespace

namespace {

// ---------------------------------------------------------------- moving records by dragging

class DBGridRecordMoveTest : public DBGridMouseTest {
 protected:
  void SetupMoving(int rows, int height = 220) {
    Build(rows, 400, height);
    grid->SetOptionsGx(grid->OptionsGx() + dghRecordMoving);
  }
  std::vector<int> Ids() {
    std::vector<int> ids;
    const std::string bm = table->Bookmark();
    table->DisableControls();
    for (table->First(); !table->Eof(); table->Next()) ids.push_back(table->FieldByName("ID")->AsInteger());
    table->SetBookmark(bm);
    table->EnableControls();
    return ids;
  }
  // Drags the record on one grid row by its indicator to another row.
  void Drag(int fromRow, int toRow) {
    const TPoint a = At(0, fromRow), b = At(0, toRow);
    Down(a.X, a.Y);
    Move(a.X + 40, a.Y);
    Move(b.X + 40, b.Y);
    Up(b.X + 40, b.Y);
    Later();
  }
};

TEST_F(DBGridRecordMoveTest, ARecordDraggedDownGoesAfterTheTarget) {
  SetupMoving(6);
  const TPoint a = At(0, 2), b = At(0, 5);
  const int sourceTop = grid->CellRect(0, 2).Top;
  const COLORREF before = FanoGetWindowPixel(grid->Handle(), 300, sourceTop);
  Down(a.X, a.Y);
  EXPECT_EQ(grid->MouseStateGx(), TCustomDBGridGx::msRecordMovingGx);
  EXPECT_TRUE(grid->RecordMoveLineShown());
  EXPECT_TRUE(grid->AutoScrollTimerRunning());
  EXPECT_NE(FanoGetWindowPixel(grid->Handle(), 300, sourceTop), before);  // the line over the source
  Move(b.X + 60, b.Y);
  EXPECT_EQ(grid->RecordDragTargetRow(), 5);
  // Moved on, the line leaves nothing behind.
  EXPECT_EQ(FanoGetWindowPixel(grid->Handle(), 300, sourceTop), before);
  Snapshot("grid_dbgrid_record_moving.png");
  Up(b.X + 60, b.Y);
  EXPECT_EQ(grid->MouseStateGx(), TCustomDBGridGx::msNoneGx);
  EXPECT_FALSE(grid->RecordMoveLineShown());
  EXPECT_FALSE(grid->AutoScrollTimerRunning());
  EXPECT_EQ(Ids(), (std::vector<int>{1, 3, 4, 5, 2, 6}));
}

TEST_F(DBGridRecordMoveTest, ARecordDraggedUpGoesBeforeTheTargetAndOneDroppedOnItselfStays) {
  SetupMoving(6);
  Drag(5, 2);
  EXPECT_EQ(Ids(), (std::vector<int>{1, 5, 2, 3, 4, 6}));
  Drag(3, 3);
  EXPECT_EQ(Ids(), (std::vector<int>{1, 5, 2, 3, 4, 6}));
  // Without the option the indicator only selects.
  grid->SetOptionsGx(grid->OptionsGx() - dghRecordMoving);
  Drag(2, 6);
  EXPECT_EQ(Ids(), (std::vector<int>{1, 5, 2, 3, 4, 6}));
}

// In a multi-select grid a record outside the selection is dragged alone (also when nothing is
// selected); a selected one drags the selection, and only by a plain press: Ctrl toggles it.
TEST_F(DBGridRecordMoveTest, SelectedRecordsMoveTogetherAndAnotherRecordAlone) {
  SetupMoving(6);
  grid->SetDBOptions(grid->DBOptions() + dgMultiSelect);
  Drag(2, 4);
  EXPECT_EQ(Ids(), (std::vector<int>{1, 3, 4, 2, 5, 6}));
  for (int recNo : {5, 6}) {
    table->SetRecNo(recNo);
    grid->SelectedRows()->SetCurrentRowSelected(true);
  }
  ASSERT_EQ(grid->SelectedRows()->Count(), 2);
  const TPoint r5 = At(0, 5);
  ctrl = true;
  Down(r5.X, r5.Y);
  EXPECT_NE(grid->MouseStateGx(), TCustomDBGridGx::msRecordMovingGx);
  Up(r5.X, r5.Y);
  ctrl = false;
  Later();
  EXPECT_EQ(grid->SelectedRows()->Count(), 1);
  table->SetRecNo(5);
  grid->SelectedRows()->SetCurrentRowSelected(true);
  Drag(1, 3);
  EXPECT_EQ(Ids(), (std::vector<int>{3, 4, 1, 2, 5, 6}));
  Drag(6, 2);
  EXPECT_EQ(Ids(), (std::vector<int>{3, 5, 6, 4, 1, 2}));
}

TEST_F(DBGridRecordMoveTest, TheApplicationMayRefuseOrDoTheMove) {
  SetupMoving(5);
  std::vector<std::string> calls;
  bool allow = false;
  grid->OnMoveRecords = [&](TObject*, TBMListGx* list, int toRecNo, int, bool checkOnly) {
    calls.push_back(std::string(checkOnly ? "check " : "move ") + std::to_string(list->Count()) + " to " +
                    std::to_string(toRecNo));
    return allow;
  };
  Drag(1, 3);
  EXPECT_EQ(calls, (std::vector<std::string>{"check 1 to 4"}));
  EXPECT_EQ(Ids(), (std::vector<int>{1, 2, 3, 4, 5}));
  allow = true;
  calls.clear();
  Drag(4, 2);
  EXPECT_EQ(calls, (std::vector<std::string>{"check 1 to 2", "move 1 to 2"}));
}

TEST_F(DBGridRecordMoveTest, EscapeEndsTheDragWithoutMoving) {
  SetupMoving(5);
  const TPoint a = At(0, 1), b = At(0, 4);
  Down(a.X, a.Y);
  Move(b.X + 30, b.Y);
  ASSERT_TRUE(grid->RecordMoveLineShown());
  grid->Perform(WM_CANCELMODE, 0, 0);
  EXPECT_EQ(grid->MouseStateGx(), TCustomDBGridGx::msNoneGx);
  EXPECT_FALSE(grid->RecordMoveLineShown());
  EXPECT_FALSE(grid->AutoScrollTimerRunning());
  Up(b.X + 30, b.Y);
  EXPECT_EQ(Ids(), (std::vector<int>{1, 2, 3, 4, 5}));
}

TEST_F(DBGridRecordMoveTest, BelowTheRowsTheGridScrollsOnTheTimer) {
  SetupMoving(40, 160);
  const TPoint a = At(0, 2);
  Down(a.X, a.Y);
  const int top = grid->TopRow();
  Move(a.X + 30, grid->ClientHeight() + 20);
  gridtest::AdvanceAndPump(300, 60);
  EXPECT_GT(grid->TopRow(), top + 2);
  const int target = grid->RecordDragTargetRow();
  EXPECT_GT(target, 5);
  Up(a.X + 30, grid->ClientHeight() + 20);
  // Record 2 went after the last row shown.
  const std::vector<int> ids = Ids();
  EXPECT_EQ(ids[0], 1);
  EXPECT_EQ(ids[1], 3);
  EXPECT_EQ(ids[static_cast<size_t>(target - grid->GetTitleOffset())], 2);
}

}  // namespace

namespace {

// ---------------------------------------------------------------- dragging the selection away

TEST_F(DBGridMouseTest, WithAutomaticDraggingASelectedRecordIsDraggedAndAPlainPressStillSelects) {
  Build(6);
  grid->SetDBOptions(grid->DBOptions() + dgMultiSelect + dgRowSelect);
  grid->SetDragMode(dmAutomatic);
  int starts = 0, ends = 0;
  grid->OnStartDrag = [&](TObject*, TDragObject*&) { ++starts; };
  grid->OnEndDrag = [&](TObject*, TObject*, int, int) { ++ends; };
  const TPoint r2 = At(1, 2), r3 = At(1, 3);
  // A press on an unselected record selects it, as without automatic dragging.
  Click(r2.X, r2.Y);
  ctrl = true;
  Click(r3.X, r3.Y);
  ctrl = false;
  ASSERT_EQ(grid->SelectedRows()->Count(), 2);
  EXPECT_EQ(starts, 0);
  // Pressed on the selection and moved: the selection is dragged, and stays.
  Down(r3.X, r3.Y);
  Move(r3.X + 3, r3.Y);
  Move(r3.X + 30, r3.Y + 20);
  EXPECT_EQ(starts, 1);
  EXPECT_TRUE(grid->Dragging());
  Up(r3.X + 30, r3.Y + 20);
  Later();
  EXPECT_FALSE(grid->Dragging());
  EXPECT_EQ(ends, 1);
  EXPECT_EQ(grid->SelectedRows()->Count(), 2);
  // Pressed on the selection and let go: the selection goes.
  Click(r2.X, r2.Y);
  EXPECT_EQ(starts, 1);
  EXPECT_EQ(grid->SelectedRows()->Count(), 0);
  EXPECT_EQ(Record(), 2);
}

TEST_F(DBGridMouseTest, CtrlAndAPressOnTheSelectionLetGoTogglesTheRecord) {
  Build(6);
  grid->SetDBOptions(grid->DBOptions() + dgMultiSelect + dgRowSelect);
  grid->SetDragMode(dmAutomatic);
  const TPoint r2 = At(1, 2), r4 = At(1, 4);
  Click(r2.X, r2.Y);
  ctrl = true;
  Click(r4.X, r4.Y);
  ASSERT_EQ(grid->SelectedRows()->Count(), 2);
  Click(r2.X, r2.Y);
  ctrl = false;
  EXPECT_EQ(grid->SelectedRows()->Count(), 1);
  EXPECT_FALSE(grid->SelectedRows()->CurrentRowSelected());
}

}  // namespace

namespace {

TEST_F(DBGridMouseTest, MarksSetWithCtrlTakeEffectWhenTheFocusLeavesBeforeCtrlIsLetGo) {
  Build(4);
  auto* other = new TEdit(form);
  other->SetParent(form);
  other->SetBounds(0, 230, 80, 20);
  grid->SetOptionsGx(grid->OptionsGx() + dghAutoSortMarking + dghMultiSortMarking);
  name->Title()->SetTitleButton(true);
  amount->Title()->SetTitleButton(true);
  int changes = 0;
  grid->OnSortMarkingChanged = [&](TObject*) { ++changes; };
  grid->SetFocus();
  gridtest::Pump();
  const TPoint a = At(2, 0), b = At(3, 0);
  FanoInputKey(VK_CONTROL, TRUE);
  gridtest::Pump();
  Down(a.X, a.Y);
  Up(a.X, a.Y);
  Later();
  Down(b.X, b.Y);
  Up(b.X, b.Y);
  EXPECT_TRUE(grid->SortMarkingPending());
  EXPECT_EQ(changes, 0);
  other->SetFocus();
  gridtest::Pump();
  EXPECT_FALSE(grid->SortMarkingPending());
  EXPECT_EQ(changes, 1);
  FanoInputKey(VK_CONTROL, FALSE);
  gridtest::Pump();
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(name->Title()->SortMarker(), smDownGx);
  EXPECT_EQ(amount->Title()->SortMarker(), smDownGx);
}

}  // namespace

namespace {

TEST_F(DBGridMouseTest, ARectangleDraggedPastTheRightEdgeScrollsColumnsAndGrows) {
  AddRows(10);
  MakeGrid(220, 200);
  std::vector<TColumnGx*> cols;
  for (int i = 0; i < 6; ++i) cols.push_back(AddColumn(i % 2 ? "NAME" : "ID"));
  Bind();
  for (TColumnGx* c : cols) c->SetWidth(60);
  grid->SetDBOptions(grid->DBOptions() + dgMultiSelect);
  grid->SetFocus();
  gridtest::Pump();
  const TPoint a = At(1, 2);
  Down(a.X, a.Y);
  ASSERT_EQ(grid->MouseStateGx(), TCustomDBGridGx::msRectSelectingGx);
  TGridDrawInfo info;
  grid->CalcDrawInfo(info);
  const int y = a.Y;
  Move(info.Horz.GridBoundary + 9, y);  // distance 10
  EXPECT_EQ(grid->AutoScrollInterval(), 50u);
  const int col = grid->Col();
  gridtest::AdvanceAndPump(100, 50);
  EXPECT_GT(grid->Col(), col);
  EXPECT_GT(grid->LeftCol(), 1);
  Up(info.Horz.GridBoundary + 9, y);
  ASSERT_EQ(grid->Selection()->SelectionType(), gstRectangle);
  EXPECT_EQ(grid->Selection()->Rect()->LeftCol(), 1);
  EXPECT_EQ(grid->Selection()->Rect()->RightCol(), grid->Col());
  EXPECT_FALSE(grid->AutoScrollTimerRunning());
}

TEST_F(DBGridMouseTest, RecordsDraggedAboveTheDataScrollBackUp) {
  Build(40, 400, 160);
  grid->SetDBOptions(grid->DBOptions() + dgMultiSelect + dgRowSelect);
  table->Last();
  gridtest::Pump();
  const int last = Record();
  const TPoint a = At(1, grid->TopRow());
  Down(a.X, a.Y);
  const int start = Record();
  ASSERT_LT(start, last);
  TGridDrawInfo info;
  grid->CalcDrawInfo(info);
  Move(40, info.Vert.FixedBoundary - 18);  // 18 above: as fast as it goes, 3 rows a step
  EXPECT_EQ(grid->AutoScrollInterval(), 0u);
  EXPECT_EQ(Record(), start - 3);
  Up(40, info.Vert.FixedBoundary - 18);
  EXPECT_EQ(grid->SelectedRows()->Count(), 4);
}

}  // namespace
