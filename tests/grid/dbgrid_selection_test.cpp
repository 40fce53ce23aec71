// The style's colours, cell areas, vertical scroll-bar values, selections of every kind and the
// row movement helpers; a snapshot of a bound grid.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>

#include "dbgrid_test_util.h"
#include "grid/gridexport.h"
#include "grid/gridimport.h"
#include "platform/db/testdataset.h"
#include "platform/forms/dialogs.h"
#include "platform/os/wingdi.h"
#include "platform/os/winuser.h"
#include "platform/rtl/exceptions.h"

using namespace dbgridtest;

TEST(DBGridStyle, BlendFormula) {
  // (c2 - c1) * 0.5 + c1, then lightened: (225 - m) * 0.6 + m; dark: m - (122 - m) * 0.25
  EXPECT_EQ(TDBGridGxStyle::Blend(static_cast<TColor>(0x000000), static_cast<TColor>(0xFFFFFF), false),
            static_cast<TColor>(0xBABABA));  // 127.5 -> 186
  EXPECT_EQ(TDBGridGxStyle::Blend(static_cast<TColor>(0x000000), static_cast<TColor>(0xFFFFFF), true),
            static_cast<TColor>(0xCACACA));  // 186 + 16
  EXPECT_EQ(TDBGridGxStyle::Blend(static_cast<TColor>(0x0000FF), static_cast<TColor>(0x000000), false),
            static_cast<TColor>(0x8787BA));
}

namespace {
class TUnsequencedDataSet : public TTestDataSet {
 public:
  using TTestDataSet::TTestDataSet;
  bool sequenced = true;
  bool IsSequenced() const override { return sequenced; }
};
}  // namespace

TEST_F(DBGridTest, HighlightColoursOfSelectedAndFocusedCells) {
  AddRows(3);
  MakeGrid();
  AddColumn("ID");
  AddColumn("NAME");
  Bind();
  grid->SetFocus();
  gridtest::Pump();
  TDBGridGxStyle* style = grid->Style();
  TFont font;
  TColor back = clWindow;
  // The focused cell of a focused grid: plain highlight.
  EXPECT_TRUE(style->GetDataCellColors(grid, 1, &font, back, TGridDrawState{gdSelected}, 0, 0, 1));
  EXPECT_EQ(back, clHighlight);
  EXPECT_EQ(font.Color(), clHighlightText);
  // Another selected cell of the focused grid: the dark blend.
  back = clWindow;
  EXPECT_TRUE(style->GetDataCellColors(grid, 2, &font, back, TGridDrawState{gdSelected}, 0, 1, 1));
  EXPECT_NE(back, clHighlight);
  // A 256-colour screen never blends.
  style->SetScreenNumColors(256);
  back = clWindow;
  EXPECT_TRUE(style->GetDataCellColors(grid, 2, &font, back, TGridDrawState{gdSelected}, 0, 1, 1));
  EXPECT_EQ(back, clHighlight);
  style->SetScreenNumColors(-1);
  // Not selected: nothing.
  back = clWindow;
  EXPECT_FALSE(style->GetDataCellColors(grid, 2, &font, back, TGridDrawState{}, 1, 1, 2));
  // Fixed cells: the indicator of a title is dark.
  back = clBtnFace;
  EXPECT_TRUE(style->GetFixedCellColors(grid, 0, &font, back, true, false, (caTitle << 8) | 0));
  EXPECT_EQ(back, static_cast<TColor>(0x404040));
  EXPECT_FALSE(style->GetFixedCellColors(grid, 0, &font, back, false, false, 0));
}

TEST_F(DBGridTest, CellTypesByArea) {
  AddRows(3);
  MakeGrid();
  AddColumn("ID");
  grid->SetFooterRowCount(2);
  Bind();
  EXPECT_EQ(grid->ContraRowCount(), 2);
  TCellTypeGx t = grid->GetCellType(0, 0);
  EXPECT_FALSE(t.DataColumn);
  EXPECT_EQ(t.Area, caTitle);
  t = grid->GetCellType(1, 2);
  EXPECT_TRUE(t.DataColumn);
  EXPECT_EQ(t.DataCol, 0);
  EXPECT_EQ(t.Area, caData);
  EXPECT_EQ(t.Index, 1);
  t = grid->GetCellType(1, grid->RowCount() + 1);
  EXPECT_EQ(t.Area, caFooter);
  EXPECT_EQ(t.Index, 1);
  EXPECT_THROW(grid->GetCellType(1, grid->FullRowCount()), Exception);
  EXPECT_EQ(grid->GetDataCellBounds(), (TGridRect{1, 1, grid->ColCount() - 1, grid->RowCount() - 1}));
}

TEST_F(DBGridTest, VerticalBarCountsRowsOfAMemoryTable) {
  AddRows(50);
  MakeGrid(400, 200);
  AddColumn("ID");
  Bind();
  auto v = grid->VertScrollValues();
  EXPECT_EQ(v.Min, 1);
  EXPECT_EQ(v.Pos, 1);
  EXPECT_EQ(v.Max, 50);
  EXPECT_GT(v.Page, 1);
  grid->MemTableVScroll(SB_LINEDOWN, 0);
  EXPECT_EQ(grid->TopRow(), 2);
  EXPECT_EQ(grid->VertScrollValues().Pos, 2);
  grid->MemTableVScroll(SB_BOTTOM, 0);
  EXPECT_EQ(grid->TopRow(), grid->LastTopRow());
  grid->MemTableVScroll(SB_THUMBTRACK, 1);  // not tracking: ignored
  EXPECT_EQ(grid->TopRow(), grid->LastTopRow());
  grid->MemTableVScroll(SB_THUMBPOSITION, 10);
  EXPECT_EQ(grid->TopRow(), 10);
  grid->MemTableVScroll(SB_TOP, 0);
  EXPECT_EQ(grid->TopRow(), 1);
}

// Page up goes back by the rows that fit above the top row, whatever their heights.
TEST_F(DBGridTest, PageUpOfAMemoryTableGoesBackByTheRowsThatFitAbove) {
  AddRows(40);
  MakeGrid(400, 200);
  AddColumn("ID");
  Bind();
  grid->SetTopRow(21);
  const int fitting = grid->GetVisibleRowCount();
  grid->MemTableVScroll(SB_PAGEUP, 0);
  EXPECT_EQ(grid->TopRow(), 21 - fitting);
  // Tall rows above, short ones below: fewer rows go up than the window shows now.
  for (int row = 1; row < 21; ++row) grid->SetRowHeights(row, 64);
  grid->SetTopRow(21);
  ASSERT_GT(grid->GetVisibleRowCount(), 4);
  grid->MemTableVScroll(SB_PAGEUP, 0);
  EXPECT_EQ(grid->TopRow(), 19);  // two rows of 64 fit in the 200-pixel grid under its title
  grid->SetRowHeights(18, 500);
  grid->MemTableVScroll(SB_PAGEUP, 0);  // none fits: one row all the same
  EXPECT_EQ(grid->TopRow(), 18);
}

// A thumb dragged past 65,535 rows goes where the bar says, not where 16 bits of it point.
TEST_F(DBGridTest, ThumbDragPastSixteenBitsReachesItsRecord) {
  for (int i = 1; i <= 70000; ++i) {
    table->Append();
    table->FieldByName("ID")->SetValue(i);
    table->Post();
  }
  table->First();
  MakeGrid(400, 200);
  AddColumn("ID");
  Bind();
  // The grid's own bar, then an external one.
  auto* bar = new TScrollBar(form);
  bar->SetKind(sbVertical);
  bar->SetParent(form);
  bar->SetBounds(420, 0, 17, 200);
  for (bool external : {false, true}) {
    SCOPED_TRACE(external ? "external bar" : "own bar");
    grid->SetTopRow(grid->FixedRows());
    if (external) grid->VertScrollBar()->SetExtScrollBar(bar);
    gridtest::Pump();
    ASSERT_EQ(grid->TopRow(), grid->FixedRows());
    RECT r{};
    GetWindowRect(external ? bar->WindowHandle() : grid->WindowHandle(), &r);
    const int x = r.right - GetSystemMetrics(SM_CXVSCROLL) / 2;
    const int top = r.top + GetSystemMetrics(SM_CYVSCROLL) + 1;
    FanoInputMouseButton(0, TRUE, x, top);
    gridtest::Pump();
    FanoInputMouseMove(x, r.bottom + 500);
    gridtest::Pump();
    FanoInputMouseButton(0, FALSE, x, r.bottom + 500);
    gridtest::Pump();
    EXPECT_EQ(grid->TopRow(), grid->LastTopRow());
    EXPECT_GT(grid->TopRow(), 65536);
  }
  grid->VertScrollBar()->SetExtScrollBar(nullptr);
}

TEST_F(DBGridTest, VerticalBarOfABufferedDataset) {
  TUnsequencedDataSet ds(nullptr);
  ds.FieldDefs().Add("ID", ftInteger);
  for (int i = 0; i < 30; ++i) ds.AddRow({Variant(i)});
  ds.Open();
  TDataSource src(nullptr);
  src.SetDataSet(&ds);
  MakeGrid(400, 200);
  grid->SetDataSource(&src);
  EXPECT_EQ(grid->MemTable(), nullptr);
  auto v = grid->VertScrollValues();
  EXPECT_EQ(v.Min, 1);
  EXPECT_EQ(v.Pos, 1);
  EXPECT_EQ(v.Page, grid->DataLink()->RecordCount());
  EXPECT_EQ(v.Max, 30 + v.Page - 1);
  ds.sequenced = false;
  ds.Last();
  grid->UpdateVertScrollBar();
  v = grid->VertScrollValues();
  EXPECT_EQ(v.Max, 4);
  EXPECT_EQ(v.Page, 0);
  EXPECT_EQ(v.Pos, 4);
  ds.First();
  ds.Next();
  grid->UpdateVertScrollBar();
  EXPECT_EQ(grid->VertScrollValues().Pos, 2);
  // The grid's sum list numbers the records through its virtual records: the bar counts them.
  grid->SumList()->SetVirtualRecords(true);
  grid->SumList()->SetActive(true);
  ds.First();
  ds.Next();
  ds.Next();
  ASSERT_EQ(ds.FieldByName("ID")->AsInteger(), 2);
  grid->UpdateVertScrollBar();
  v = grid->VertScrollValues();
  EXPECT_EQ(v.Min, 1);
  EXPECT_EQ(v.Max, 30 + v.Page - 1);
  EXPECT_EQ(v.Pos, 3);
  grid->SetDataSource(nullptr);
}

// The thumb of a bar numbered by the sum list's virtual records goes to the record of that number,
// dropped or, with tracking, dragged.
TEST_F(DBGridTest, TheThumbFindsARecordNumberedByTheSumList) {
  TUnsequencedDataSet ds(nullptr);
  ds.FieldDefs().Add("ID", ftInteger);
  for (int i = 0; i < 30; ++i) ds.AddRow({Variant(i)});
  ds.Open();
  ds.sequenced = false;
  TDataSource src(nullptr);
  src.SetDataSet(&ds);
  MakeGrid(400, 200);
  grid->SetDataSource(&src);
  grid->SumList()->SetVirtualRecords(true);
  grid->SumList()->SetActive(true);
  ds.First();
  const struct {
    int code;
    bool tracking;
    int pos;
    int id;
  } cases[] = {{SB_THUMBPOSITION, false, 7, 6}, {SB_THUMBPOSITION, false, 1, 0}, {SB_THUMBPOSITION, false, 30, 29},
               {SB_THUMBTRACK, true, 12, 11}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.code) + " to " + std::to_string(c.pos));
    grid->VertScrollBar()->SetTracking(c.tracking);
    grid->Perform(WM_VSCROLL, MAKEWPARAM(c.code, c.pos), 0);
    EXPECT_EQ(ds.FieldByName("ID")->AsInteger(), c.id);
  }
  grid->SetDataSource(nullptr);
}

TEST_F(DBGridTest, HorizontalBarIsZeroWhenAllColumnsFit) {
  AddRows(2);
  MakeGrid(600, 200);
  AddColumn("ID");
  TScrollBar bar(nullptr);
  bar.SetParent(form);
  grid->HorzScrollBar()->SetExtScrollBar(&bar);
  Bind();
  grid->UpdateHorzScrollBar();
  EXPECT_EQ(grid->HorzScrollValues().Max, 0);
  EXPECT_EQ(grid->HorzScrollValues().Pos, 0);
  TDBGridGx other(nullptr);
  EXPECT_THROW(other.HorzScrollBar()->SetExtScrollBar(&bar), Exception);
  // A left column past the last full page puts the thumb at the end.
  for (const char* f : {"NAME", "AMOUNT", "FLAG"}) AddColumn(f)->SetWidth(250);
  gridtest::Pump();
  grid->SetLeftCol(grid->ColCount() - 1);
  EXPECT_EQ(grid->HorzScrollValues().Max, 127);
  EXPECT_EQ(grid->HorzScrollValues().Pos, 127);
  EXPECT_EQ(bar.Position(), 127);
  grid->HorzScrollBar()->SetExtScrollBar(nullptr);
}

TEST_F(DBGridTest, SelectionsOfEveryKind) {
  AddRows(5);
  MakeGrid();
  TColumnGx* c1 = AddColumn("ID");
  TColumnGx* c2 = AddColumn("NAME");
  TColumnGx* c3 = AddColumn("AMOUNT");
  grid->SetDBOptions(grid->DBOptions() + dgMultiSelect);
  Bind();
  int changes = 0;
  grid->OnSelectionChanged = [&](TObject*) { ++changes; };
  TDBGridGxSelection* sel = grid->Selection();
  // records
  grid->SelectedRows()->SetCurrentRowSelected(true);
  EXPECT_EQ(sel->SelectionType(), gstRecordBookmarks);
  const std::string first = table->Bookmark();
  EXPECT_TRUE(sel->IsCellSelected(1, first));
  EXPECT_TRUE(grid->IsCellSelected(0, 1, first, -1));  // the indicator shows it
  // columns
  sel->Columns()->Select(c1, false);
  EXPECT_EQ(sel->SelectionType(), gstColumns);
  EXPECT_EQ(grid->SelectedRows()->Count(), 0);
  sel->Columns()->SelectShift(c3);
  EXPECT_EQ(sel->Columns()->Count(), 3);
  sel->Columns()->SelectShift(c2);  // retracts what this drag added
  EXPECT_EQ(sel->Columns()->Count(), 2);
  sel->Columns()->InvertSelect(c1);
  EXPECT_EQ(sel->Columns()->Count(), 1);
  EXPECT_EQ(sel->GetDataCellRect().Left, 2);
  // rectangle
  table->Next();
  const std::string second = table->Bookmark();
  table->Next();
  sel->Rect()->Select(1, first, false);
  EXPECT_EQ(sel->SelectionType(), gstNon);  // one cell is no rectangle
  sel->Rect()->Select(2, table->Bookmark(), true);
  EXPECT_EQ(sel->SelectionType(), gstRectangle);
  EXPECT_TRUE(sel->IsCellSelected(2, second));
  EXPECT_FALSE(sel->IsCellSelected(3, second));
  EXPECT_EQ(sel->GetDataCellRect(), (TGridRect{1, 1, 2, 3}));
  // all
  sel->SelectAll();
  EXPECT_EQ(sel->SelectionType(), gstAll);
  EXPECT_TRUE(sel->IsCellSelected(-1, ""));
  EXPECT_GT(changes, 0);
  grid->ClearSelection();
  EXPECT_EQ(sel->SelectionType(), gstNon);
  // A kind no longer allowed is cleared.
  sel->Columns()->Select(c1, false);
  grid->SetAllowedSelections(TDBGridGxAllowedSelections{gstRecordBookmarks});
  EXPECT_EQ(sel->SelectionType(), gstNon);
}

TEST_F(DBGridTest, ShiftDownMarksRowsAndShiftUpGivesThemBack) {
  AddRows(6);
  MakeGrid();
  AddColumn("ID");
  grid->SetDBOptions(grid->DBOptions() + dgMultiSelect + dgRowSelect);
  grid->SetOptionsGx(grid->OptionsGx() - dghClearSelection);
  Bind();
  grid->SetKeepSelection(true);  // Ctrl-less key press with clearing off
  table->First();
  grid->MoveRecordSelecting(true, 2, false, true);  // rows 1..3
  EXPECT_EQ(table->RecNo(), 3);
  EXPECT_EQ(grid->SelectedRows()->Count(), 3);
  grid->MoveRecordSelecting(true, -1, false, true);  // row 3 back to the anchor's state
  EXPECT_EQ(grid->SelectedRows()->Count(), 2);
  EXPECT_TRUE(grid->SelectionAnchorSet());
  grid->SetKeepSelection(false);
  grid->MoveRecordSelecting(false, 1, false, true);
  EXPECT_FALSE(grid->SelectionAnchorSet());
}

namespace {
// Pastes the text into the grid as the clipboard's text does, with its closing zero.
void Paste(TDBGridGx* grid, const std::string& text) {
  TMemoryStream pasted;
  pasted.WriteBuffer(text.c_str(), static_cast<int64_t>(text.size()) + 1);
  pasted.SetPosition(0);
  ImportGridFromStream<TDBGridGxImportAsText>(grid, &pasted, false);
}
}  // namespace

// A memory table's bookmarks are positions: rows that come, go or move before a selected record
// leave the selection on the same records, a deleted one drops out, and where the table does not
// say where its rows went the selection is cleared; what is pasted lands in the selected records.
TEST_F(DBGridTest, SelectedRowsFollowTheirRecords) {
  AddRows(6);
  MakeGrid();
  AddColumn("ID");
  AddColumn("NAME");
  grid->SetDBOptions(grid->DBOptions() + dgMultiSelect + dgRowSelect - dgConfirmDelete);
  Bind();
  auto select = [&](std::initializer_list<int> ids) {
    grid->ClearSelection();
    for (int id : ids)
      if (table->Locate("ID", id, {})) grid->SelectedRows()->SetCurrentRowSelected(true);
  };
  auto selected = [&] { return SelectedValues("ID"); };
  select({1, 3, 5});
  table->Locate("ID", 3, {});
  table->Delete();
  EXPECT_EQ(selected(), "1 5 ");
  table->First();
  table->Insert();  // shown as a row before the first; the selection stays put meanwhile
  EXPECT_EQ(grid->SelectedRows()->Count(), 2);
  table->FieldByName("ID")->SetValue(99);
  table->FieldByName("NAME")->SetAsString("n");
  table->Post();
  EXPECT_EQ(selected(), "1 5 ");
  table->Append();
  table->Cancel();
  table->Locate("ID", 4, {});
  table->Insert();
  table->Cancel();
  EXPECT_EQ(selected(), "1 5 ");
  // Pasted into the selected rows: records 1 and 5, nothing else.
  Paste(grid, "1\tx\r\n5\ty");
  std::string rows;
  for (table->First(); !table->Eof(); table->Next()) rows += table->FieldByName("NAME")->AsString() + " ";
  EXPECT_EQ(rows, "n x row2 row4 y row6 ");
  EXPECT_EQ(selected(), "1 5 ");
  // A sorted view moves an edited record, and a paste posts its edits: each goes to its record.
  table->SetSortOrder("NAME");
  EXPECT_EQ(grid->Selection()->SelectionType(), gstNon);  // where the rows went is not told
  select({2, 4});
  table->Locate("ID", 2, {});
  table->Edit();
  table->FieldByName("NAME")->SetAsString("z");
  table->Post();
  EXPECT_EQ(selected(), "4 2 ");
  select({4, 6});
  Paste(grid, "4\tzz\r\n6\tb");
  rows.clear();
  for (table->First(); !table->Eof(); table->Next())
    rows += table->FieldByName("ID")->AsString() + table->FieldByName("NAME")->AsString() + " ";
  EXPECT_EQ(rows, "6b 99n 1x 5y 2z 4zz ");
  EXPECT_EQ(selected(), "6 4 ");
  // Sorted by the grid (a title click), the selected records stay selected.
  TDBGridGxCenter* center = grid->Center();
  ASSERT_NE(center, nullptr);
  center->OnApplySorting = [&](TDBGridGxCenter*, TCustomDBGridGx*) { table->SetSortOrder("NAME DESC"); };
  grid->ApplySorting();
  center->OnApplySorting = nullptr;
  EXPECT_EQ(selected(), "4 6 ");
  // A rectangle follows its corners, and goes with one of them.
  table->SetSortOrder("");
  grid->SetDBOptions(grid->DBOptions() - dgRowSelect);
  table->Locate("ID", 4, {});
  const std::string top = table->Bookmark();
  table->Locate("ID", 5, {});
  grid->Selection()->Rect()->Select(1, top, false);
  grid->Selection()->Rect()->Select(2, table->Bookmark(), true);
  table->Locate("ID", 1, {});
  table->Delete();
  ASSERT_EQ(grid->Selection()->SelectionType(), gstRectangle);
  grid->BeginRowRead(grid->RowOfRecordBookmark(grid->Selection()->Rect()->TopRow()));
  EXPECT_EQ(table->FieldByName("ID")->AsInteger(), 4);
  grid->EndRowRead();
  table->Locate("ID", 5, {});
  table->Delete();
  EXPECT_EQ(grid->Selection()->SelectionType(), gstNon);
}

// A row that moves while the controls are off is told when they come back: the selection does not
// stay on the position its record left.
TEST_F(DBGridTest, ARowMovedWhileControlsAreOffLeavesNoSelectionOnAnotherRecord) {
  AddRows(6);
  MakeGrid();
  AddColumn("ID");
  AddColumn("NAME");
  grid->SetDBOptions(grid->DBOptions() + dgMultiSelect + dgRowSelect);
  Bind();
  table->SetSortOrder("NAME");
  table->Locate("ID", 3, {});
  grid->SelectedRows()->SetCurrentRowSelected(true);
  table->DisableControls();
  table->Locate("ID", 1, {});
  table->Edit();
  table->FieldByName("NAME")->SetAsString("row45");
  table->Post();
  table->EnableControls();
  // Record 3 or none, never the one now at its old place.
  const std::string ids = SelectedValues("ID");
  EXPECT_TRUE(ids.empty() || ids == "3 ") << ids;
}

// A handler that deletes a record the walk has still to visit (here after the post of a pasted
// line) takes that record out of the walk; the freed record is never read.
TEST_F(DBGridTest, ARecordDeletedDuringAPasteIsNotVisited) {
  AddRows(6);
  MakeGrid();
  AddColumn("ID");
  AddColumn("NAME");
  grid->SetDBOptions(grid->DBOptions() + dgMultiSelect + dgRowSelect - dgConfirmDelete);
  Bind();
  for (int id : {2, 4}) {
    table->Locate("ID", id, {});
    grid->SelectedRows()->SetCurrentRowSelected(true);
  }
  bool deleted = false;
  table->SetAfterPost([&](TDataSet*) {
    if (std::exchange(deleted, true)) return;
    table->Locate("ID", 4, {});
    table->Delete();
  });
  Paste(grid, "2\ta\r\n4\tb");
  table->SetAfterPost(nullptr);
  std::string rows;
  for (table->First(); !table->Eof(); table->Next()) rows += table->FieldByName("NAME")->AsString() + " ";
  EXPECT_EQ(rows, "row1 a row3 row5 row6 ");
}

// Widening a rectangle repaints the cells it gains and no others, also when its top row has
// scrolled out of view.
TEST_F(DBGridTest, AWidenedRectangleRepaintsWhatItGains) {
  AddRows(30);
  MakeGrid();
  AddColumn("ID");
  AddColumn("NAME");
  AddColumn("AMOUNT");
  grid->SetDBOptions(grid->DBOptions() + dgMultiSelect);
  Bind();
  grid->SetFocus();
  gridtest::Pump();
  const int c0 = grid->DataToRawColumn(0), c1 = grid->DataToRawColumn(1);
  for (int rows : {2, 20}) {
    SCOPED_TRACE(rows);
    grid->ClearSelection();
    table->First();
    grid->SetCol(c0);
    gridtest::Pump();
    grid->MoveRecordSelecting(true, rows, false, false);
    gridtest::Pump();
    ASSERT_EQ(grid->Selection()->SelectionType(), gstRectangle);
    const int first = std::max(grid->TopRow(), grid->GetTitleOffset());
    ASSERT_GT(grid->Row() - first, 1);
    grid->MoveCol(c1, 1, true);
    HRGN dirty = CreateRectRgn(0, 0, 0, 0);
    GetUpdateRgn(grid->Handle(), dirty, FALSE);
    auto isDirty = [&](int col, int row) {
      const TRect r = grid->CellRect(col, row);
      return PtInRegion(dirty, (r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2) != FALSE;
    };
    for (int row = first; row < grid->Row(); ++row) {
      EXPECT_TRUE(isDirty(c1, row)) << row;
      EXPECT_FALSE(isDirty(c0, row)) << row;
    }
    DeleteObject(dirty);
  }
}

// Shift over the titles extends from an anchor column hidden meanwhile: the visible columns up to the
// new end join.
TEST_F(DBGridTest, ShiftOverTitlesFromAHiddenAnchorSelects) {
  AddRows(2);
  MakeGrid();
  TColumnGx* c1 = AddColumn("ID");
  TColumnGx* c2 = AddColumn("NAME");
  TColumnGx* c3 = AddColumn("AMOUNT");
  TColumnGx* c4 = AddColumn("FLAG");
  grid->SetDBOptions(grid->DBOptions() + dgMultiSelect);
  Bind();
  TDBGridGxSelectionCols* cols = grid->Selection()->Columns();
  cols->Select(c2, false);
  c2->SetVisible(false);
  gridtest::Pump();
  cols->SelectShift(c4);
  EXPECT_EQ(grid->Selection()->SelectionType(), gstColumns);
  EXPECT_GE(cols->IndexOf(c3), 0);
  EXPECT_GE(cols->IndexOf(c4), 0);
  EXPECT_LT(cols->IndexOf(c1), 0);
  // Back to the anchor's other side: what this drag added goes, the hidden column is not added.
  cols->SelectShift(c1);
  EXPECT_GE(cols->IndexOf(c1), 0);
  EXPECT_LT(cols->IndexOf(c3), 0);
  EXPECT_LT(cols->IndexOf(c4), 0);
  EXPECT_EQ(cols->Count(), 2);  // c1 and the anchor selected before the drag
  // A hidden column inside a range stays out of it: clearing the selected columns leaves its data.
  cols->Select(c1, false);
  cols->SelectShift(c3);
  EXPECT_LT(cols->IndexOf(c2), 0);
  ClearSelectedCells(grid, false);
  table->First();
  EXPECT_TRUE(table->FieldByName("AMOUNT")->IsNull());
  EXPECT_EQ(table->FieldByName("NAME")->AsString(), "row1");
}

// A column list emptied with Ctrl keeps its anchor; a Shift+click over the titles after rows or
// cells were selected starts from it and the rows or cells selected meanwhile go.
TEST_F(DBGridTest, ShiftOverTitlesFromAnEmptiedListClearsTheOtherKind) {
  AddRows(4);
  MakeGrid();
  TColumnGx* c1 = AddColumn("ID");
  AddColumn("NAME");
  TColumnGx* c3 = AddColumn("AMOUNT");
  grid->SetDBOptions(grid->DBOptions() + dgMultiSelect);
  Bind();
  TDBGridGxSelection* sel = grid->Selection();
  for (const TDBGridGxSelectionType other : {gstRecordBookmarks, gstRectangle}) {
    SCOPED_TRACE(static_cast<int>(other));
    grid->ClearSelection();
    table->First();
    sel->Columns()->InvertSelect(c1);
    sel->Columns()->InvertSelect(c1);
    ASSERT_EQ(sel->SelectionType(), gstNon);
    if (other == gstRecordBookmarks) {
      grid->SelectedRows()->SetCurrentRowSelected(true);
    } else {
      sel->Rect()->Select(1, table->Bookmark(), false);
      table->Next();
      sel->Rect()->Select(2, table->Bookmark(), true);
    }
    ASSERT_EQ(sel->SelectionType(), other);
    sel->Columns()->SelectShift(c3);
    EXPECT_EQ(sel->SelectionType(), gstColumns);
    EXPECT_EQ(sel->Columns()->Count(), 3);
    EXPECT_EQ(grid->SelectedRows()->Count(), 0);
    EXPECT_EQ(sel->Rect()->AnchorCol(), -1);
  }
}

// A one-cell click leaves no anchor for a later Shift+arrow: the rectangle starts at the current cell.
TEST_F(DBGridTest, ShiftArrowStartsTheRectangleAtTheCurrentCell) {
  AddRows(5);
  MakeGrid();
  AddColumn("ID");
  AddColumn("NAME");
  grid->SetDBOptions(grid->DBOptions() + dgMultiSelect);
  Bind();
  grid->SetFocus();
  gridtest::Pump();
  const int c0 = grid->DataToRawColumn(0), row1 = grid->GetTitleOffset();
  struct Case {
    UINT key;  // with Shift, after the click and two plain Downs
    TGridRect rect;
  };
  for (const Case& c : {Case{VK_RIGHT, {c0, row1 + 2, c0 + 1, row1 + 2}}, Case{VK_DOWN, {c0, row1 + 2, c0, row1 + 3}}}) {
    SCOPED_TRACE(c.key);
    grid->ClearSelection();
    const TRect r = grid->CellRect(c0, row1);
    const TPoint p = grid->ClientToScreen(TPoint(r.Left + 5, r.Top + 5));
    FanoInputMouseMove(p.X, p.Y);
    FanoInputMouseButton(0, TRUE, p.X, p.Y);
    FanoInputMouseButton(0, FALSE, p.X, p.Y);
    gridtest::Pump();
    gridtest::AdvanceAndPump(1000);  // the next click is no double click
    Key(VK_DOWN);
    Key(VK_DOWN);
    Key(c.key, true);
    EXPECT_EQ(grid->Selection()->SelectionType(), gstRectangle);
    EXPECT_EQ(grid->Selection()->GetDataCellRect(), c.rect);
  }
  // Shift+Down from there keeps that anchor.
  Key(VK_DOWN, true);
  EXPECT_EQ(grid->Selection()->GetDataCellRect(), (TGridRect{c0, row1 + 2, c0, row1 + 4}));
}

// A Shift walk over several records tells the data set's controls once, at its end.
TEST_F(DBGridTest, AWalkOverManyRecordsNotifiesOnce) {
  AddRows(10);
  MakeGrid();
  AddColumn("ID");
  grid->SetDBOptions(grid->DBOptions() + dgMultiSelect + dgRowSelect);
  Bind();
  gridtest::Pump();
  int notices = 0;
  source->SetOnDataChange([&](TObject*, TField*) { ++notices; });
  struct Case {
    int distance;
    int notices;
    int marked;
  };
  for (const Case& c : {Case{6, 1, 7}, Case{1, 1, 8}, Case{-3, 1, 5}}) {
    SCOPED_TRACE(c.distance);
    notices = 0;
    grid->MoveRecordSelecting(true, c.distance, false, true);
    EXPECT_EQ(notices, c.notices);
    EXPECT_EQ(grid->SelectedRows()->Count(), c.marked);
  }
  EXPECT_EQ(table->RecNo(), 5);
  source->SetOnDataChange(nullptr);
}

TEST_F(DBGridTest, DownAppendsAtTheEndOnlyWhenEverythingAllows) {
  AddRows(2);
  MakeGrid();
  AddColumn("ID");
  Bind();
  table->Last();
  grid->SetAllowedOperations(TDBGridGxAllowedOperations{alopUpdateGx});
  grid->NextRow(false);
  EXPECT_EQ(table->State(), dsBrowse);
  grid->SetAllowedOperations(kAllAllowedOperations);
  grid->SetReadOnly(true);
  grid->NextRow(false);
  EXPECT_EQ(table->State(), dsBrowse);
  grid->SetReadOnly(false);
  grid->NextRow(false);
  EXPECT_EQ(table->State(), dsInsert);
  // Up on the untouched new record drops it instead of moving.
  grid->PriorRow(false);
  EXPECT_EQ(table->State(), dsBrowse);
  EXPECT_EQ(table->RecordCount(), 2);
  EXPECT_EQ(table->RecNo(), 2);
}

TEST_F(DBGridTest, TabStepWrapsToThePriorRecord) {
  AddRows(3);
  MakeGrid();
  AddColumn("ID");
  AddColumn("NAME");
  grid->SetDBOptions(grid->DBOptions() - dgIndicator);
  Bind();
  table->RecNo();
  table->Next();
  grid->SetCol(0);
  grid->TabStep(false);
  EXPECT_EQ(grid->Col(), 1);
  EXPECT_EQ(table->RecNo(), 1);
  grid->TabStep(true);
  EXPECT_EQ(grid->Col(), 0);
  EXPECT_EQ(table->RecNo(), 2);
}

TEST_F(DBGridTest, ConfirmDeleteAsksByTheNumberOfMarkedRecords) {
  AddRows(3);
  MakeGrid();
  Bind();
  TScriptedDialogService dialogs(true);
  dialogs.Answer(mrCancel);
  EXPECT_FALSE(grid->ConfirmDelete());
  ASSERT_EQ(dialogs.Requests().size(), 1u);
  EXPECT_EQ(dialogs.Requests()[0].Text, "Delete record?");
  grid->SetDBOptions(grid->DBOptions() + dgMultiSelect);
  grid->SelectedRows()->SetCurrentRowSelected(true);
  table->Next();
  grid->SelectedRows()->SetCurrentRowSelected(true);
  dialogs.Answer(mrOk);
  EXPECT_TRUE(grid->ConfirmDelete());
  EXPECT_EQ(dialogs.Requests()[1].Text, "Delete all selected records?");
  grid->SetDBOptions(grid->DBOptions() - dgConfirmDelete);
  EXPECT_TRUE(grid->ConfirmDelete());
  EXPECT_EQ(dialogs.Requests().size(), 2u);
}

TEST_F(DBGridTest, StartUpResourcesAndHourGlass) {
  MakeGrid();
  ASSERT_NE(DBGridIndicatorImages(), nullptr);
  EXPECT_EQ(DBGridIndicatorImages()->Count(), 7);
  EXPECT_EQ(DBGridSortMarkerImages()->Count(), 3);
  for (int i = 0; i < 3; ++i) EXPECT_NE(DBGridCursor(i), nullptr);
  EXPECT_EQ(DBGridGxInplaceSearchTimeOut, 1500);
  EXPECT_EQ(DBGridGxFindDialogKey, ShortCut('F', TShiftState{ssCtrl}));
  const TColor saved = DBGridGxInplaceSearchColor;
  DBGridGxInplaceSearchColor = static_cast<TColor>(0x808000);
  RebuildSearchArrowImage();
  EXPECT_EQ(DBGridIndicatorImages()->Count(), 7);
  DBGridGxInplaceSearchColor = saved;
  RebuildSearchArrowImage();
  Screen->SetCursor(crDefault);
  DBGridBeginHourGlass();
  DBGridBeginHourGlass();
  EXPECT_EQ(Screen->Cursor(), crHourGlass);
  DBGridEndHourGlass();
  EXPECT_EQ(Screen->Cursor(), crHourGlass);
  DBGridEndHourGlass();
  EXPECT_EQ(Screen->Cursor(), crDefault);
  EXPECT_EQ(VarToQuotedList(VarArrayOf({Variant(1), Variant("a")})), "'1','a'");
}

// A bound grid over a memory table with Chinese texts, written with the real fonts for people to
// look at; pixel probes check that the focused row is highlighted and titles are filled.
TEST_F(DBGridTest, SnapshotOfABoundGrid) {
  FanoSetTestFont(FALSE);
  const char* names[] = {"差旅费报销", "办公用品采购", "会议场地租金", "市场推广费用", "水电费垫付", "员工培训"};
  for (int i = 0; i < 6; ++i) AddRow(101 + i, names[i], 125.5 * (i + 1), i % 2 ? "N" : "Y");
  table->First();
  MakeGrid(460, 200);
  AddColumn("ID", "单号");
  AddColumn("NAME", "摘要")->SetWidth(140);
  TColumnGx* amount = AddColumn("AMOUNT", "金额");
  amount->SetDisplayFormat("#,##0.00");
  amount->SetAlignment(taRightJustify);
  TColumnGx* flag = AddColumn("FLAG", "状态");
  flag->KeyList()->Add("Y");
  flag->KeyList()->Add("N");
  flag->PickList()->Add("已审核");
  flag->PickList()->Add("未审核");
  for (int i = 0; i < grid->Columns()->Count(); ++i) grid->Columns()->Items(i)->Title()->SetAlignment(taCenter);
  Bind();
  table->Next();
  table->Next();
  grid->SetFocus();
  grid->Invalidate();
  gridtest::Pump();
  ASSERT_NO_FATAL_FAILURE(uitest::WriteSnapshot(form, "grid_dbgrid.png"));
  // The current cell (third record, first data column) is painted in the highlight colour.
  const TRect cell = grid->CellRect(1, 3);
  HDC dc = GetDC(grid->Handle());
  const COLORREF probe = GetPixel(dc, cell.Right - 3, cell.Top + 2);
  ReleaseDC(grid->Handle(), dc);
  EXPECT_EQ(probe, ColorToRGB(clHighlight));
  FanoSetTestFont(TRUE);
}

TEST_F(DBGridTest, UnitHelpersAndTheSharedCentre) {
  MakeGrid();
  ASSERT_NE(GetGridCenter(), nullptr);
  EXPECT_EQ(GetGridCenter()->IndicatorTitleMenuItems(), 0x3F);
  EXPECT_EQ(grid->Center(), GetGridCenter());
  const int grids = GetGridCenter()->GridCount();
  {
    TDBGridGx other(nullptr);
    EXPECT_EQ(GetGridCenter()->GridCount(), grids + 1);
    EXPECT_EQ(GetDefaultGridStyle()->GridCount(), grids + 1);
  }
  EXPECT_EQ(GetGridCenter()->GridCount(), grids);
  // Font settings come back as they were, only what differs being set.
  TFont font;
  font.SetName("宋体");
  font.SetHeight(-12);
  TFontInfoGx info;
  SaveFontInfo(&font, info);
  font.SetHeight(-20);
  font.SetColor(clRed);
  font.SetStyle(TFontStyles{fsBold});
  RestoreFontInfo(&font, info);
  EXPECT_EQ(font.Height(), -12);
  EXPECT_EQ(font.Color(), info.Color);
  EXPECT_TRUE(font.Style().Empty());
  EXPECT_EQ(font.Name(), "宋体");
  // One pending message of the number goes; the others stay.
  HWND wnd = grid->Handle();
  PostMessage(wnd, WM_USER + 7, 1, 0);
  PostMessage(wnd, WM_USER + 7, 2, 0);
  KillMessage(wnd, WM_USER + 7);
  MSG m{};
  ASSERT_TRUE(PeekMessage(&m, wnd, WM_USER + 7, WM_USER + 7, PM_REMOVE));
  EXPECT_EQ(m.wParam, 2u);
  EXPECT_FALSE(PeekMessage(&m, wnd, WM_USER + 7, WM_USER + 7, PM_REMOVE));
  TRect r(10, 0, 30, 5);
  MirrorRect(r, 100);
  EXPECT_EQ(r, TRect(70, 0, 90, 5));
}

TEST_F(DBGridTest, BufferModeKeepsOneDataRowAndFeedsAnExternalBar) {
  TUnsequencedDataSet ds(nullptr);
  ds.FieldDefs().Add("ID", ftInteger);
  for (int i = 0; i < 30; ++i) ds.AddRow({Variant(i)});
  ds.Open();
  TDataSource src(nullptr);
  src.SetDataSet(&ds);
  MakeGrid(400, 30);  // room for the title and less than one data row
  grid->SetDataSource(&src);
  EXPECT_EQ(grid->DataLink()->BufferCount(), 1);
  EXPECT_EQ(grid->RowCount(), 2);
  TScrollBar bar(nullptr);
  bar.SetParent(form);
  grid->VertScrollBar()->SetVisible(false);
  grid->VertScrollBar()->SetExtScrollBar(&bar);
  ds.MoveBy(5);
  grid->UpdateVertScrollBar();
  EXPECT_EQ(bar.Min(), 1);
  EXPECT_EQ(bar.Max(), 30);
  EXPECT_EQ(bar.Position(), 6);
  grid->VertScrollBar()->SetExtScrollBar(nullptr);
  grid->SetDataSource(nullptr);
}

TEST_F(DBGridTest, CellFramesAndCellButtonsDraw) {
  MakeGrid();
  EXPECT_GT(grid->EditButtonWidth(), 0);
  EXPECT_LE(grid->EditButtonHeight(), ScaleByHalf(grid->EditButtonWidth(), true));
  TBitmap bmp;
  bmp.SetSize(60, 20);
  TCanvas* c = bmp.Canvas();
  c->Brush()->SetColor(clWhite);
  c->FillRect(TRect(0, 0, 60, 20));
  grid->Paint3DCellFrame(c, TRect(0, 0, 30, 20), true, true, false, false);
  EXPECT_EQ(ColorToRGB(c->Pixels(0, 5)), ColorToRGB(clBtnHighlight));  // raised: light top-left
  EXPECT_NE(ColorToRGB(c->Pixels(29, 5)), 0xFFFFFFu);                   // and a dark right side
  c->Brush()->SetColor(clWhite);
  c->FillRect(TRect(0, 0, 60, 20));
  grid->DrawEditButtonInCell(c, TRect(0, 0, 60, 20), TRect(44, 0, 60, 20), 1, 0, false, true, true, true, clRed,
                             nullptr, -1);
  EXPECT_EQ(ColorToRGB(c->Pixels(44, 10)), ColorToRGB(clRed));  // the frame in the given colour
  EXPECT_EQ(ColorToRGB(c->Pixels(20, 10)), 0xFFFFFFu);          // nothing outside the button
}

TEST_F(DBGridTest, IndicatorTitleSelectsAllOrClearsAndColumnsPopTheirMenus) {
  AddRows(4);
  MakeGrid();
  AddColumn("ID");
  TColumnGx* name = AddColumn("NAME");
  Bind();
  grid->IndicatorTitleMouseDown();
  EXPECT_EQ(grid->Selection()->SelectionType(), gstNon);  // no multi-select
  grid->SetDBOptions(grid->DBOptions() + dgMultiSelect);
  grid->IndicatorTitleMouseDown();
  EXPECT_EQ(grid->Selection()->SelectionType(), gstAll);
  grid->IndicatorTitleMouseDown();
  EXPECT_EQ(grid->Selection()->SelectionType(), gstNon);
  // With the title button, the menu the handler builds pops up below the cell; the title shows
  // pressed while the menu is open.
  TPopupMenu menu(form);
  auto* item = new TMenuItem(&menu);
  item->SetCaption("全选");
  menu.Items()->Add(item);
  int built = 0;
  grid->IndicatorTitle()->SetTitleButton(true);
  grid->OnBuildIndicatorTitleMenu = [&](TObject*, TPopupMenu*& m) {
    ++built;
    m = &menu;
  };
  grid->SetOptionsGx(grid->OptionsGx() + dghFixed3D);  // a 3-D frame shows the pressed state
  const TRect corner = grid->CellRect(0, 0);
  gridtest::Pump();
  const TColor up = uitest::PixelOf(grid, corner.Left, corner.Top);
  EXPECT_TRUE(uitest::WithMenu([&] { grid->IndicatorTitleMouseDown(); }, [&] {
    gridtest::Pump();
    EXPECT_NE(uitest::PixelOf(grid, corner.Left, corner.Top), up);  // drawn sunken
    uitest::WriteSnapshot(form, "grid_indicator_title_menu.png");
    EXPECT_EQ(grid->PressedTitleCol(), 0);
    EXPECT_EQ(menu.PopupComponent(), grid);
    EXPECT_EQ(menu.PopupPoint(), grid->ClientToScreen(TPoint(corner.Left, corner.Bottom)));
  }));
  EXPECT_EQ(built, 1);
  EXPECT_EQ(grid->PressedTitleCol(), -1);
  gridtest::Pump();
  EXPECT_EQ(uitest::PixelOf(grid, corner.Left, corner.Top), up);
  // A menu of nobody's is freed once it has closed; one with an owner stays.
  auto* ownerless = new TPopupMenu(nullptr);
  auto* once = new TMenuItem(ownerless);
  once->SetCaption("一次");
  ownerless->Items()->Add(once);
  TFreeWatch watch(ownerless);
  grid->OnBuildIndicatorTitleMenu = [&](TObject*, TPopupMenu*& m) { m = ownerless; };
  EXPECT_TRUE(uitest::WithMenu([&] { grid->IndicatorTitleMouseDown(); }, [] {}));
  EXPECT_TRUE(watch.Gone());
  EXPECT_EQ(menu.Items()->Count(), 1);
  // A right click on a data cell pops the column's menu.
  TPopupMenu columnMenu(form);
  auto* ci = new TMenuItem(&columnMenu);
  ci->SetCaption("复制");
  columnMenu.Items()->Add(ci);
  name->SetPopupMenu(&columnMenu);
  const TRect r = grid->CellRect(2, 2);
  EXPECT_TRUE(uitest::WithMenu([&] { grid->Perform(WM_RBUTTONUP, 0, MAKELPARAM(r.Left + 3, r.Top + 3)); },
                               [&] { EXPECT_EQ(columnMenu.PopupComponent(), grid); }));
  gridtest::Pump();
}

// Without a menu to show, the indicator title with its button is a plain button: pressed while
// held over it, no title click on its release.
TEST_F(DBGridTest, AnIndicatorTitleWithoutAMenuIsTrackedAsAButton) {
  AddRows(2);
  MakeGrid();
  AddColumn("ID");
  Bind();
  grid->IndicatorTitle()->SetTitleButton(true);
  grid->IndicatorTitle()->SetUseGlobalMenu(false);
  int titleClicks = 0;
  grid->OnTitleBtnClick = [&](TObject*, int, TColumnGx*) { ++titleClicks; };
  const TRect corner = grid->CellRect(0, 0);
  const TPoint middle((corner.Left + corner.Right) / 2, (corner.Top + corner.Bottom) / 2);
  EXPECT_FALSE(uitest::WithMenu([&] { uitest::MouseDown(grid, middle.X, middle.Y); }, [] {}));
  EXPECT_EQ(grid->PressedTitleCol(), 0);
  uitest::MoveMouse(grid, middle.X, corner.Bottom + 30);  // off the title: drawn up
  EXPECT_EQ(grid->PressedTitleCol(), -1);
  uitest::MoveMouse(grid, middle.X, middle.Y);
  EXPECT_EQ(grid->PressedTitleCol(), 0);
  uitest::MouseUp(grid, middle.X, middle.Y);
  EXPECT_EQ(grid->PressedTitleCol(), -1);
  EXPECT_EQ(titleClicks, 0);
  EXPECT_NE(GetCapture(), grid->Handle());
  // With a menu the press ends with the menu: nothing stays pressed or holds the mouse.
  auto* own = new TPopupMenu(form);
  auto* item = new TMenuItem(own);
  item->SetCaption("全选");
  own->Items()->Add(item);
  grid->IndicatorTitle()->SetDropdownMenu(own);
  int popups = 0;
  grid->OnBuildIndicatorTitleMenu = [&](TObject*, TPopupMenu*& m) {
    ++popups;
    m = own;
  };
  uitest::AdvanceAndPump(600);  // not a double click
  const TPoint at = grid->ClientToScreen(middle);
  // Let go, then press the title again: that press closes the menu and opens no other.
  EXPECT_TRUE(uitest::WithMenu([&] { uitest::MouseDown(grid, middle.X, middle.Y); },
                               [&] {
                                 FanoInputMouseButton(0, FALSE, at.X, at.Y);
                                 ClockAdvance(600);  // a press of its own, not a double click
                                 FanoInputMouseButton(0, TRUE, at.X, at.Y);
                               }));
  FanoInputMouseButton(0, FALSE, at.X, at.Y);
  gridtest::Pump();
  EXPECT_EQ(popups, 1);
  EXPECT_EQ(TPopupMenu::ActiveMenu(), nullptr);
  EXPECT_EQ(grid->PressedTitleCol(), -1);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(DBGridTest, DeferredLayoutRunsFromTheQueue) {
  AddRows(2);
  MakeGrid();
  TColumnGx* c = AddColumn("ID");
  Bind();
  grid->BeginLayout();
  c->SetWidth(123);  // held by the lock
  grid->EndLayoutNoRelayout();
  EXPECT_NE(grid->GetColWidths(1), 123);
  grid->DeferLayout();
  grid->DeferLayout();  // one message is enough
  gridtest::Pump();
  EXPECT_EQ(grid->GetColWidths(1), 123);
}
