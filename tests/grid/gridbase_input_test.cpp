// The base grid's input: keyboard navigation, mouse selection, sizing and moving with the mouse,
// auto-scroll on its timer, and the scroll bars in cell, pixel (row select) and single-column
// modes.
#include "grid_test_util.h"

using namespace gridtest;

namespace {

using GridInput = GridTest;

void AddOption(TCustomGridGx* g, TGridOption o) {
  TGridOptions opts = g->Options();
  opts.Include(o);
  g->SetOptions(opts);
}

TEST_F(GridInput, ArrowsPagesHomeAndEnd) {
  MakeGrid();
  grid->SetColCount(10);
  grid->SetRowCount(40);
  Key(VK_RIGHT);
  Key(VK_DOWN);
  EXPECT_EQ(grid->Current(), (TGridCoord{2, 2}));
  Key(VK_LEFT);
  Key(VK_LEFT);  // stays on the first scrolling column
  EXPECT_EQ(grid->Col(), 1);
  Key(VK_END);
  EXPECT_EQ(grid->Col(), 9);
  EXPECT_EQ(grid->LeftCol(), 5);  // brought into view
  Key(VK_HOME);
  EXPECT_EQ(grid->Col(), 1);
  EXPECT_EQ(grid->LeftCol(), 1);
  // A page is the visible rows less one: 7 rows show, so 6.
  Key(VK_NEXT);
  EXPECT_EQ(grid->Row(), 8);
  EXPECT_EQ(grid->TopRow(), 7);
  Key(VK_PRIOR);
  EXPECT_EQ(grid->Row(), 2);
  EXPECT_EQ(grid->TopRow(), 1);
  Key(VK_END, false, true);
  EXPECT_EQ(grid->Current(), (TGridCoord{9, 39}));
  EXPECT_EQ(grid->TopRow(), 33);
  Key(VK_HOME, false, true);
  EXPECT_EQ(grid->Current(), (TGridCoord{1, 1}));
  // Ctrl+Down scrolls the view and leaves the current cell.
  Key(VK_DOWN, false, true);
  EXPECT_EQ(grid->TopRow(), 2);
  EXPECT_EQ(grid->Row(), 1);
  // Shift extends the selection from the anchor.
  Key(VK_DOWN, true);
  Key(VK_RIGHT, true);
  EXPECT_EQ(grid->Current(), (TGridCoord{2, 2}));
  EXPECT_EQ(grid->Anchor(), (TGridCoord{1, 1}));
  EXPECT_EQ(grid->Selection(), (TGridRect{1, 1, 2, 2}));
}

TEST_F(GridInput, TabWrapsAcrossRowsAndSkipsColumnsWithoutTabStops) {
  MakeGrid();
  AddOption(grid, goTabs);
  grid->MoveCurrent(4, 4, true, true);
  Key(VK_TAB);  // the last cell of the last row wraps to the first
  EXPECT_EQ(grid->Current(), (TGridCoord{1, 1}));
  Key(VK_TAB, true);  // backwards from the first wraps to the last
  EXPECT_EQ(grid->Current(), (TGridCoord{4, 4}));
  EXPECT_EQ(grid->Anchor(), (TGridCoord{4, 4}));  // a backward Tab does not extend
  grid->MoveCurrent(4, 2, true, true);
  Key(VK_TAB);
  EXPECT_EQ(grid->Current(), (TGridCoord{1, 3}));
  grid->SetTabStops(2, false);
  grid->SetTabStops(3, false);
  Key(VK_TAB);
  EXPECT_EQ(grid->Current(), (TGridCoord{4, 3}));
  Key(VK_TAB, true);
  EXPECT_EQ(grid->Current(), (TGridCoord{1, 3}));
  // With no tab stop at all the walk ends on the starting column.
  grid->SetTabStops(1, false);
  grid->SetTabStops(4, false);
  Key(VK_TAB);
  EXPECT_EQ(grid->Col(), 1);
  EXPECT_EQ(grid->Row(), 4);
  // Without goTabs the grid does not take Tab.
  EXPECT_NE(SendMessage(grid->Handle(), WM_GETDLGCODE, 0, 0) & DLGC_WANTTAB, 0);
  grid->SetOptions(kDefaultGridOptions);
  EXPECT_EQ(SendMessage(grid->Handle(), WM_GETDLGCODE, 0, 0) & DLGC_WANTTAB, 0);
}

TEST_F(GridInput, RowSelectScrollsByPixelsAndKeepsTheCurrentCell) {
  MakeGrid(300, 200, ssBoth);
  grid->SetColCount(8);
  grid->SetColWidths(0, 20);
  for (int i = 1; i < 8; ++i) grid->SetColWidths(i, 100);
  AddOption(grid, goRowSelect);
  TGridDrawInfo info;
  grid->CalcDrawInfo(info);
  const int page = info.Horz.GridExtent - info.Horz.FixedBoundary;
  EXPECT_EQ(grid->HorzPageWidth(), page);
  EXPECT_EQ(grid->HorzTotalWidth(), 7 * 101);
  const int step = page / 20;
  const TGridCoord before = grid->Current();
  Key(VK_RIGHT);
  EXPECT_EQ(grid->Current(), before);
  EXPECT_EQ(grid->HorzPixelOffset(), step);
  EXPECT_EQ(grid->LeftCol(), 1);
  EXPECT_EQ(grid->HorzScrollPos(), step);
  // Cells shift left by the offset; the first column is clipped at the fixed boundary.
  EXPECT_EQ(grid->CellRect(2, 1).Left, 21 + 101 - step);
  EXPECT_EQ(grid->CellRect(1, 1).Left, 21);
  // Crossing a column boundary advances LeftCol and keeps the remainder as the offset.
  grid->ScrollHorzPixels(101);
  EXPECT_EQ(grid->LeftCol(), 2);
  EXPECT_EQ(grid->HorzPixelOffset(), step);
  EXPECT_EQ(grid->HorzScrollPos(), 101 + step);
  Key(VK_LEFT);
  Key(VK_LEFT);
  EXPECT_EQ(grid->LeftCol(), 1);
  EXPECT_EQ(grid->HorzPixelOffset(), 101 - step);
  // The end stops where the last column's end meets the view's edge.
  grid->ScrollHorzPixels(100000);
  EXPECT_EQ(grid->HorzScrollPos(), 7 * 101 - page);
  grid->ScrollHorzPixels(-100000);
  EXPECT_EQ(grid->HorzScrollPos(), 0);
  EXPECT_EQ(grid->LeftCol(), 1);
  EXPECT_EQ(grid->HorzPixelOffset(), 0);
  EXPECT_EQ(grid->Current(), before);
}

TEST_F(GridInput, ColumnsRemovedUnderAPixelScrolledViewStartTheNewLeftColumnWhole) {
  // A row-select grid with a column fixed at the right, scrolled part-way into a column; each
  // column is wider than the view, so the last one alone can fill it.
  MakeGrid(400, 200, ssBoth);
  grid->SetColCount(10);
  for (int i = 1; i < 10; ++i) grid->SetColWidths(i, 400);
  AddOption(grid, goRowSelect);
  grid->SetContraColCount(1);
  grid->ScrollHorzPixels(5 * 401 + 30);
  ASSERT_GT(grid->LeftCol(), 3);
  ASSERT_GT(grid->HorzPixelOffset(), 0);
  // Columns removed: the left column comes back inside the count, and starts whole.
  grid->SetColCount(4);
  EXPECT_EQ(grid->LeftCol(), 3);
  EXPECT_EQ(grid->HorzPixelOffset(), 0);
  TGridDrawInfo info;
  grid->CalcDrawInfo(info);
  EXPECT_EQ(grid->CellRect(grid->LeftCol(), 1).Left, info.Horz.FixedBoundary);
}

TEST_F(GridInput, ScrollCodesInCellMode) {
  MakeGrid(400, 200, ssBoth);
  grid->SetRowCount(100);
  HWND wnd = grid->Handle();
  auto vscroll = [&](int code, int pos = 0) {
    SendMessage(wnd, WM_VSCROLL, MAKEWPARAM(code, pos), 0);
    Pump();
  };
  TGridDrawInfo info;
  grid->CalcDrawInfo(info);
  const int maxTop = grid->CalcMaxTopLeft({4, 99}, info).Y;
  vscroll(SB_LINEDOWN);
  EXPECT_EQ(grid->TopRow(), 2);
  vscroll(SB_PAGEDOWN);
  const int visible = info.Vert.LastFullVisibleCell - info.Vert.FirstGridCell;
  EXPECT_EQ(grid->TopRow(), 2 + visible);
  vscroll(SB_PAGEUP);  // back by every row that fits before the first: seven
  EXPECT_EQ(grid->TopRow(), 1);
  vscroll(SB_LINEUP);
  EXPECT_EQ(grid->TopRow(), 1);
  vscroll(SB_BOTTOM);
  EXPECT_EQ(grid->TopRow(), maxTop);
  EXPECT_EQ(GetScrollPos(wnd, SB_VERT), 127);
  vscroll(SB_TOP);
  EXPECT_EQ(grid->TopRow(), 1);
  EXPECT_EQ(GetScrollPos(wnd, SB_VERT), 0);
  // Thumb tracking only with goThumbTracking; a thumb position always.
  vscroll(SB_THUMBTRACK, 127);
  EXPECT_EQ(grid->TopRow(), 1);
  vscroll(SB_THUMBPOSITION, 127);
  EXPECT_EQ(grid->TopRow(), maxTop);
  // The thumb's place is scaled to the nearest row: with three steps, 64 of 127 is the second.
  grid->SetRowCount(4 + (100 - maxTop));
  grid->CalcDrawInfo(info);
  ASSERT_EQ(grid->CalcMaxTopLeft({4, grid->RowCount() - 1}, info).Y, 4);
  vscroll(SB_THUMBPOSITION, 64);
  EXPECT_EQ(grid->TopRow(), 3);
  vscroll(SB_THUMBPOSITION, 63);
  EXPECT_EQ(grid->TopRow(), 2);
  grid->SetRowCount(100);
  AddOption(grid, goThumbTracking);
  vscroll(SB_THUMBTRACK, 0);
  EXPECT_EQ(grid->TopRow(), 1);
  // Zero-height rows are stepped over.
  grid->SetRowHeights(2, 0);
  grid->SetRowHeights(3, 0);
  ASSERT_EQ(grid->TopRow(), 1);
  vscroll(SB_LINEDOWN);
  EXPECT_EQ(grid->TopRow(), 4);
  // When every column fits there is no horizontal range: the position stays 0, nothing divides.
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_RANGE | SIF_POS;
  GetScrollInfo(wnd, SB_HORZ, &si);
  EXPECT_EQ(si.nMax, 0);
  EXPECT_EQ(si.nPos, 0);
  SendMessage(wnd, WM_HSCROLL, MAKEWPARAM(SB_BOTTOM, 0), 0);
  EXPECT_EQ(grid->LeftCol(), 1);
}

TEST_F(GridInput, ScrollCodesInPixelAndSingleColumnModes) {
  MakeGrid(300, 200, ssBoth);
  grid->SetColCount(6);
  for (int i = 1; i < 6; ++i) grid->SetColWidths(i, 120);
  AddOption(grid, goRowSelect);
  HWND wnd = grid->Handle();
  SendMessage(wnd, WM_HSCROLL, MAKEWPARAM(SB_BOTTOM, 0), 0);
  EXPECT_EQ(grid->HorzScrollPos(), grid->HorzTotalWidth() - grid->HorzPageWidth());
  SendMessage(wnd, WM_HSCROLL, MAKEWPARAM(SB_TOP, 0), 0);
  EXPECT_EQ(grid->HorzScrollPos(), 0);
  SendMessage(wnd, WM_HSCROLL, MAKEWPARAM(SB_PAGEDOWN, 0), 0);
  EXPECT_EQ(grid->HorzScrollPos(), grid->HorzPageWidth());
  SendMessage(wnd, WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, 10), 0);
  EXPECT_EQ(grid->HorzScrollPos(), grid->HorzPageWidth());
  SendMessage(wnd, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 10), 0);
  EXPECT_EQ(grid->HorzScrollPos(), 10);
  // One column wider than the view: the view slides over it by pixels.
  grid->SetOptions(kDefaultGridOptions);
  grid->SetColCount(1);
  grid->SetColWidths(0, 700);
  SendMessage(wnd, WM_HSCROLL, MAKEWPARAM(SB_BOTTOM, 0), 0);
  EXPECT_EQ(grid->ColOffset(), 700 - grid->ClientWidth());
  // The geometry follows the slid column: its far end meets the view's edge.
  EXPECT_EQ(grid->CellRect(0, 1).Right, grid->ClientWidth());
  EXPECT_EQ(grid->CellRect(0, 1).Left, 0);
  EXPECT_EQ(GetScrollPos(wnd, SB_HORZ), 700 - grid->ClientWidth());
  SendMessage(wnd, WM_HSCROLL, MAKEWPARAM(SB_LINEUP, 0), 0);
  grid->Canvas()->Font()->Assign(grid->Font());
  const int zero = grid->Canvas()->TextWidth("0");
  EXPECT_GT(zero, 0);
  EXPECT_EQ(grid->ColOffset(), 700 - grid->ClientWidth() - zero);  // one "0" of the grid's font
  SendMessage(wnd, WM_HSCROLL, MAKEWPARAM(SB_TOP, 0), 0);
  EXPECT_EQ(grid->ColOffset(), 0);
  SendMessage(wnd, WM_HSCROLL, MAKEWPARAM(SB_LINEUP, 0), 0);
  EXPECT_EQ(grid->ColOffset(), 0);
}

TEST_F(GridInput, MouseSelectsAndExtends) {
  MakeGrid();
  Click(200, 60);  // cell (3, 2)
  EXPECT_EQ(grid->Current(), (TGridCoord{3, 2}));
  EXPECT_EQ(grid->GridState(), gsNormal);
  MouseDown(100, 30);
  MouseMoveTo(270, 110);
  MouseUp(270, 110);
  EXPECT_EQ(grid->Current(), (TGridCoord{1, 1}));
  EXPECT_EQ(grid->Anchor(), (TGridCoord{4, 4}));
  MouseDown(140, 80, true);  // shift: the anchor moves
  MouseUp(140, 80, true);
  EXPECT_EQ(grid->Selection(), (TGridRect{1, 1, 2, 3}));
  // A click on a fixed cell reports the cell and the point inside it.
  std::vector<std::string> clicks;
  grid->OnCellMouseClick = [&](TCustomGridGx*, TGridCoord cell, TMouseButton, TShiftState, int x, int y) {
    clicks.push_back(std::to_string(cell.X) + "," + std::to_string(cell.Y) + "@" + std::to_string(x) + "," +
                     std::to_string(y));
  };
  Click(100, 10);
  ASSERT_EQ(clicks.size(), 1u);
  EXPECT_EQ(clicks[0], "1,0@35,10");
  // Pressed on one cell and released on another is no click.
  MouseDown(100, 10);
  MouseUp(170, 10);
  EXPECT_EQ(clicks.size(), 1u);
}

// More frozen cells than fixed ones (a grid whose fixed count dropped under its frozen count): a
// press or a drag outside every cell is no cell, with and without editing.
TEST_F(GridInput, PressAndDragOutsideEveryCellWithMoreFrozenThanFixedCells) {
  for (bool editing : {false, true}) {
    SCOPED_TRACE(editing);
    MakeGrid();
    grid->SetFrozenCols(2);
    grid->SetFrozenRows(2);
    if (editing) {
      TGridOptions o = grid->Options();
      o.Include(goEditing);
      grid->SetOptions(o);
    }
    grid->MoveCurrent(2, 2, true, true);
    EXPECT_NO_THROW(grid->MouseDown(mbLeft, {}, 350, 60));  // right of the last column
    EXPECT_NO_THROW(grid->MouseUp(mbLeft, {}, 350, 60));
    EXPECT_EQ(grid->Current(), (TGridCoord{2, 2}));
    grid->MouseDown(mbLeft, {}, 150, 60);  // cell (2, 2) starts a selection
    grid->MouseMove({}, 150, 180);         // below the last row
    EXPECT_EQ(grid->Anchor(), (TGridCoord{2, 2}));
    grid->MouseUp(mbLeft, {}, 150, 180);
    EXPECT_EQ(grid->Selection(), (TGridRect{2, 2, 2, 2}));
    form->Free();
    form = nullptr;
  }
}

TEST_F(GridInput, ColumnSizingWithTheMouse) {
  MakeGrid();
  TGridOptions o = grid->Options();
  o.Include(goColSizing);
  o.Include(goRowSizing);
  grid->SetOptions(o);
  // The 7-pixel hot zone around the line after column 1 (x = 129).
  EXPECT_TRUE(grid->Sizing(126, 10));
  EXPECT_TRUE(grid->Sizing(132, 10));
  EXPECT_FALSE(grid->Sizing(125, 10));
  EXPECT_FALSE(grid->Sizing(134, 10));
  EXPECT_FALSE(grid->Sizing(129, 40));  // only in the title rows
  MouseDown(130, 10);
  EXPECT_EQ(grid->GridState(), gsColSizing);
  EXPECT_EQ(grid->SizingIndex(), 1);
  MouseMoveTo(160, 12);
  MouseUp(160, 12);
  EXPECT_EQ(grid->GridState(), gsNormal);
  EXPECT_EQ(grid->GetColWidths(1), 94);  // the pointer was 1 pixel right of the line
  // Rows are sized in the fixed columns.
  MouseDown(10, 49);
  EXPECT_EQ(grid->GridState(), gsRowSizing);
  MouseUp(10, 60);
  EXPECT_EQ(grid->GetRowHeights(1), 35);
  // A size of one pixel or less leaves the old size.
  MouseDown(129 + 30, 10);
  MouseUp(66, 10);
  EXPECT_EQ(grid->GetColWidths(1), 94);
  // A contra column grows as its left edge is dragged left.
  grid->SetContraColCount(1);
  TGridDrawInfo info;
  grid->CalcDrawInfo(info);
  const int edge = info.Horz.ContraBoundary;
  MouseDown(edge + 2, 10);  // right of the cut-off scrolling column's own boundary
  EXPECT_EQ(grid->GridState(), gsColSizing);
  EXPECT_EQ(grid->SizingIndex(), 5);
  MouseUp(edge - 18, 10);
  EXPECT_EQ(grid->GetColWidths(5), 84);
  // Without the options, and outside the designer, nothing is sized; in the designer the boost
  // turns sizing on.
  grid->SetOptions(kDefaultGridOptions);
  EXPECT_FALSE(grid->Sizing(129 + 30, 10));
  grid->SetDesigning(true, false);
  EXPECT_TRUE(grid->Sizing(129 + 30, 10));
  grid->SetDesigning(false, false);
}

TEST_F(GridInput, TheContraBoundaryIsHitFromItselfToHalfTheZoneRight) {
  MakeGrid(400, 200);
  AddOption(grid, goColSizing);
  grid->SetColCount(3);
  grid->SetContraColCount(1);
  TGridDrawInfo info;
  grid->CalcDrawInfo(info);
  const int edge = info.Horz.ContraBoundary;
  ASSERT_EQ(edge, 334);
  ASSERT_LT(info.Horz.GridBoundary, edge);  // no cut-off scrolling column there
  for (int x = edge - 4; x <= edge + 5; ++x) EXPECT_EQ(grid->Sizing(x, 10), x >= edge && x <= edge + 3) << x;
}

TEST_F(GridInput, ColumnMovingWithTheMouse) {
  MakeGrid();
  AddOption(grid, goColMoving);
  grid->SetColWidths(1, 50);
  MouseDown(80, 10);  // title of column 1 (65..114)
  EXPECT_EQ(grid->GridState(), gsColMoving);
  EXPECT_EQ(grid->MoveIndex(), 1);
  MouseMoveTo(200, 10);
  EXPECT_EQ(grid->MovePos(), 3);
  MouseUp(200, 10);
  EXPECT_EQ(grid->GridState(), gsNormal);
  EXPECT_EQ(grid->GetColWidths(3), 50);
  EXPECT_EQ(grid->GetColWidths(1), 64);
  // Released over the column it started on: nothing moves.
  MouseDown(215, 10);
  MouseMoveTo(100, 10);
  MouseMoveTo(215, 10);
  MouseUp(215, 10);
  EXPECT_EQ(grid->GetColWidths(3), 50);
  // The end hook may send the column elsewhere.
  int origin = -1;
  grid->onEndColumnDrag = [&](int& from, int& destination) {
    origin = from;
    destination = 2;
  };
  AdvanceAndPump(1000);  // no double click with the press before
  MouseDown(215, 10);
  MouseMoveTo(100, 10);
  MouseUp(100, 10);
  EXPECT_EQ(origin, 3);
  EXPECT_EQ(grid->GetColWidths(1), 64);
  EXPECT_EQ(grid->GetColWidths(2), 50);
  grid->onEndColumnDrag = nullptr;
  // Rows move in the fixed column.
  AddOption(grid, goRowMoving);
  grid->SetRowHeights(1, 20);
  MouseDown(10, 30);
  EXPECT_EQ(grid->GridState(), gsRowMoving);
  MouseMoveTo(10, 100);
  MouseUp(10, 100);
  EXPECT_EQ(grid->GetRowHeights(4), 20);
}

TEST_F(GridInput, AutoScrollWhileSelectingRunsOnTheTimer) {
  MakeGrid();
  grid->SetRowCount(50);
  MouseDown(100, 30);
  EXPECT_EQ(grid->GridState(), gsSelecting);
  MouseMoveTo(100, 230);  // below the grid
  const int anchorBefore = grid->Anchor().Y;
  AdvanceAndPump(600);
  EXPECT_GE(grid->Anchor().Y, anchorBefore + 8);
  EXPECT_GT(grid->TopRow(), 1);
  MouseUp(100, 230);
  EXPECT_EQ(grid->GridState(), gsNormal);
  const TGridCoord anchor = grid->Anchor();
  AdvanceAndPump(300);  // the timer is gone with the selecting state
  EXPECT_EQ(grid->Anchor(), anchor);
  // Direct steps stay inside the data cells.
  grid->MoveCurrent(1, 1, true, true);
  grid->TimedScroll(kScrollLeft | kScrollUp);
  EXPECT_EQ(grid->Anchor(), (TGridCoord{1, 1}));
  grid->TimedScroll(kScrollRight | kScrollDown);
  EXPECT_EQ(grid->Anchor(), (TGridCoord{2, 2}));
}

TEST_F(GridInput, ColumnMoveScrollsBackOnTheTimerOverTheFixedColumns) {
  MakeGrid();
  AddOption(grid, goColMoving);
  grid->SetColCount(20);
  grid->SetColWidths(12, 50);
  grid->SetLeftCol(10);
  const TRect title = grid->CellRect(12, 0);
  MouseDown(title.Left + 5, 10);
  ASSERT_EQ(grid->GridState(), gsColMoving);
  MouseMoveTo(30, 10);  // over the fixed column: one column back at once, the rest on the timer
  EXPECT_EQ(grid->LeftCol(), 9);
  AdvanceAndPump(2000);
  EXPECT_EQ(grid->LeftCol(), 1);
  EXPECT_EQ(grid->MovePos(), 1);
  MouseUp(30, 10);
  EXPECT_EQ(grid->GridState(), gsNormal);
  EXPECT_EQ(grid->GetColWidths(1), 50);
  EXPECT_EQ(grid->GetColWidths(12), 64);
}

TEST_F(GridInput, SizingCursorOverABoundary) {
  MakeGrid();
  AddOption(grid, goColSizing);
  AddOption(grid, goRowSizing);
  HWND wnd = grid->Handle();
  auto cursorAt = [&](int x, int y) {
    const TPoint p = Screen(x, y);
    SendMessage(wnd, WM_NCHITTEST, 0, MAKELPARAM(p.X, p.Y));
    SetCursor(nullptr);
    SendMessage(wnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(wnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return GetCursor();
  };
  EXPECT_EQ(cursorAt(129, 10), ::Screen->Cursors(crHSplit));
  EXPECT_EQ(cursorAt(10, 49), ::Screen->Cursors(crVSplit));
  EXPECT_NE(cursorAt(100, 60), ::Screen->Cursors(crHSplit));
  EXPECT_EQ(SendMessage(wnd, CM_DESIGNHITTEST, 0, MAKELPARAM(129, 10)), 1);
  EXPECT_EQ(SendMessage(wnd, CM_DESIGNHITTEST, 0, MAKELPARAM(100, 60)), 0);
}

TEST_F(GridInput, ScrollBarsComeBackWithANewWindow) {
  MakeGrid(400, 200, ssVertical);
  grid->SetRowCount(100);
  grid->SetTopRow(50);
  const int pos = GetScrollPos(grid->Handle(), SB_VERT);
  EXPECT_GT(pos, 0);
  grid->SetScrollBars(ssBoth);  // a new window
  Pump();
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_RANGE | SIF_POS;
  GetScrollInfo(grid->Handle(), SB_VERT, &si);
  EXPECT_EQ(si.nMax, 127);
  EXPECT_GT(si.nPos, 0);  // the view is a little lower now, so the scale moved a little
  EXPECT_EQ(grid->TopRow(), 50);
}

TEST_F(GridInput, WheelAndEnterAndCancel) {
  MakeGrid();
  const TPoint p = Screen(100, 40);
  FanoInputMouseMove(p.X, p.Y);
  FanoInputMouseWheel(-120, p.X, p.Y);
  Pump();
  EXPECT_EQ(grid->Row(), 2);
  FanoInputMouseWheel(120, p.X, p.Y);
  FanoInputMouseWheel(120, p.X, p.Y);
  Pump();
  EXPECT_EQ(grid->Row(), 1);
  // Cancel mode ends a sizing drag without a change.
  AddOption(grid, goColSizing);
  MouseDown(130, 10);
  ASSERT_EQ(grid->GridState(), gsColSizing);
  SendMessage(grid->Handle(), WM_CANCELMODE, 0, 0);
  EXPECT_EQ(grid->GridState(), gsNormal);
  MouseUp(160, 10);
  EXPECT_EQ(grid->GetColWidths(1), 64);
}

}  // namespace
