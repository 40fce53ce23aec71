// The data grid's mouse: presses on title buttons (a title click, or a column move once the pointer
// has travelled), live and multi-level-title column sizing, selecting records, rectangles and
// columns by dragging with auto-scroll on timer 1, check-box clicks, the cursor and cancelling.
#include <algorithm>
#include <cstdlib>
#include <utility>

#include "grid/dbgrid.h"
#include "grid/dbgrid_filterrow.h"
#include "grid/dbgrid_inplace.h"
#include "grid/inplaceedit.h"
#include "platform/forms/cmessages.h"

namespace {
// A title press turns into a column move once the pointer moved further than this.
constexpr int kTitleDragThreshold = 3;
// The low edge of a title where a press selects the column.
constexpr int kColumnSelectZone = 7;
// Auto-scroll: the interval shrinks with the distance outside the data area, the step grows.
constexpr int kAutoScrollBase = 200;
constexpr int kRowScrollSlope = 15;
constexpr int kColumnScrollSlope = 10;
constexpr int kMaxScrollStep = 8;

UINT ScrollInterval(int slope, int distance) { return static_cast<UINT>(std::max(0, kAutoScrollBase - slope * distance)); }
}  // namespace

// ---------------------------------------------------------------- zones

TRect TCustomDBGridGx::LeafTitleRect(int col, int row) const {
  TRect r = CellRect(col, row);
  if (!useMultiTitle_ || !dbOptions_.Contains(dgTitles) || row >= TitleRowCount()) return r;
  TColumnGx* c = ColumnAt(RawToDataColumn(col));
  THeadTreeNode* leaf = c ? LeafFor(c->Index()) : nullptr;
  if (!leaf || !leaf->Host || leaf->Host == headTree_.get()) return r;
  r.Top = std::min(r.Bottom - 1, r.Top + TitleBandsAbove(leaf));
  return r;
}

bool TCustomDBGridGx::InColumnSelectZone(int x, int y) {
  if (!dbOptions_.Contains(dgMultiSelect) || !dbOptions_.Contains(dgTitles) || dbOptions_.Contains(dgRowSelect) ||
      !allowedSelections_.Contains(gstColumns) || !dataLink_->Active())
    return false;
  const TGridCoord cell = MouseCoord(x, y);
  if (cell.X < IndicatorOffset() || cell.Y < 0 || cell.Y >= TitleRowCount()) return false;
  const TRect r = CellRect(cell.X, cell.Y);
  return y >= r.Bottom - std::min(kColumnSelectZone, r.Height());
}

bool TCustomDBGridGx::InRowSelectZone(int x, int y) {
  if (!dbOptions_.Contains(dgMultiSelect) || !allowedSelections_.Contains(gstRecordBookmarks) ||
      !dataLink_->Active() || !DataSet() || DataSet()->IsEmpty() || IndicatorOffset() == 0)
    return false;
  const TGridCoord cell = MouseCoord(x, y);
  return cell.X >= 0 && cell.X < IndicatorOffset() && cell.Y >= GetTitleOffset() && cell.Y < RowCount();
}

// ---------------------------------------------------------------- timer 1

void TCustomDBGridGx::StartTimer(UINT interval) {
  if (!HandleAllocated()) return;
  if (autoTimerRunning_ && autoTimerInterval_ == interval) return;
  SetTimer(WindowHandle(), kGridScrollTimer, interval, nullptr);
  autoTimerRunning_ = true;
  autoTimerInterval_ = interval;
}

void TCustomDBGridGx::StopTimer() {
  if (autoTimerRunning_ && HandleAllocated()) KillTimer(WindowHandle(), kGridScrollTimer);
  autoTimerRunning_ = false;
}

void TCustomDBGridGx::AutoScrollStep(int x, int y) {
  TGridDrawInfo info;
  CalcDrawInfo(info);
  const int left = info.Horz.FixedBoundary, right = info.Horz.GridBoundary;
  const int top = info.Vert.FixedBoundary, bottom = info.Vert.GridBoundary;
  int hDist = 0, hDir = 0;
  if (x < left) hDist = left - x, hDir = -1;
  else if (x >= right) hDist = x - right + 1, hDir = 1;
  TDataSet* ds = DataSet();
  if (mouseState_ == msColSelectingGx) {
    if (hDist == 0 || !ds) {
      StopTimer();
      return;
    }
    const int first = FixedCols();
    if (hDir < 0 && LeftCol() > first) SetLeftCol(LeftCol() - 1);
    else if (hDir > 0 && LeftCol() < ColCount() - 1 && info.Horz.LastFullVisibleCell < ColCount() - 1)
      SetLeftCol(LeftCol() + 1);
    TGridDrawInfo now;
    CalcDrawInfo(now);
    const int edge = hDir < 0 ? LeftCol() : std::min(now.Horz.LastFullVisibleCell, ColCount() - 1);
    if (TColumnGx* c = ColumnAt(RawToDataColumn(edge))) selection_->Columns()->SelectShift(c);
    StartTimer(ScrollInterval(kColumnScrollSlope, hDist));
    return;
  }
  int vDist = 0, vDir = 0;
  if (y < top) vDist = top - y, vDir = -1;
  else if (y >= bottom) vDist = y - bottom + 1, vDir = 1;
  const int dist = std::max(vDist, hDist);
  if (dist == 0 || !ds || !dataLink_->Active()) {
    StopTimer();
    return;
  }
  const int step = std::min(dist / 6, kMaxScrollStep);
  BeginUpdateGx();
  try {
    if (vDist >= hDist) {
      if (step > 0) MoveRecordSelecting(mouseState_ != msNoneGx, step * vDir, false, mouseState_ != msRectSelectingGx);
    } else if (rectSelecting_) {
      if (hDir < 0 && LeftCol() > FixedCols()) SetLeftCol(LeftCol() - 1);
      else if (hDir > 0 && info.Horz.LastFullVisibleCell < ColCount() - 1) SetLeftCol(LeftCol() + 1);
      if (mouseState_ != msRowSelectingGx) {
        // Fully scrolled to the left the corner goes to the first data column.
        const int target = hDir < 0 && LeftCol() <= FixedCols() ? IndicatorOffset() : Col() + hDir;
        MoveCol(target, hDir, mouseState_ == msRectSelectingGx);
      }
    }
  } catch (...) {
    EndUpdateGx();
    throw;
  }
  EndUpdateGx();
  if (DBUpdateCount() == 0) UpdateEdit();
  StartTimer(ScrollInterval(kRowScrollSlope, dist));
}

// ---------------------------------------------------------------- press

void TCustomDBGridGx::MouseDoubleClick(TShiftState shift, int x, int y, const TGridDrawInfo& info) {
  TGridState state;
  int index = -1, pos = 0, ofs = 0;
  CalcSizingState(x, y, state, index, pos, ofs, info);
  if (state != gsColSizing && useMultiTitle_ && dbOptions_.Contains(dgTitles)) {
    int titleState = 0;
    CalcTitleSizingState(x, y, titleState, index, pos, ofs);
    if (titleState == msTitleSizingGx) state = gsColSizing;
  }
  if (state == gsColSizing && optionsGx_.Contains(dghDblClickOptimizeColWidth)) {
    if (TColumnGx* c = ColumnAt(RawToDataColumn(index))) {
      // A selected column fits every selected column with it.
      std::vector<TColumnGx*> cols{c};
      TDBGridGxSelectionCols* sel = selection_->Columns();
      if (selection_->SelectionType() == gstColumns && sel->IndexOf(c) >= 0) {
        cols.clear();
        for (int i = 0; i < sel->Count(); ++i) cols.push_back(sel->Items(i));
      }
      OptimizeColsWidth(cols);
    }
    return;
  }
  const TGridCoord cell = MouseCoord(x, y);
  if (cell.X >= IndicatorOffset() && cell.Y >= GetTitleOffset() && cell.Y < RowCount() && dataLink_->Active()) {
    TColumnGx* c = ColumnAt(RawToDataColumn(cell.X));
    if (c && c->DblClickNextVal()) {
      const TColumnKindGx kind = c->GetColumnType();
      if (kind == ckCheckbox || kind == ckImageList) {
        c->StepValue(shift.Contains(ssShift) ? -1 : 1);
        return;
      }
    }
  }
  DblClick();
}

void TCustomDBGridGx::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbRight) SetMouseCapture(true);
  pressedCheckCell_ = {-1, -1};
  treeAreaPressed_ = false;
  downPoint_ = movePoint_ = TPoint(x, y);
  // The record under the pointer at the press is the one the press means: rows may vanish before
  // the press is handled (an empty appended row is given up when the focus comes or the record
  // moves), and the rows below it move up into its place.
  // (A record being inserted has no bookmark yet: a press on it keeps its row.)
  std::string pressedBookmark;
  // A memory table's bookmark is a position: posting may sort the record elsewhere, so the record
  // itself is kept too.
  const TMemoryRecordGx* pressedRecord = nullptr;
  bool pressedCurrent = false;
  if (dataLink_->Active() && DataSet()) {
    const int row = MouseCoord(x, y).Y;
    if (row >= GetTitleOffset() && row < RowCount()) {
      pressedCurrent = IsCurrentRecordRow(row);
      if (!pressedCurrent || DataSet()->State() != dsInsert) pressedBookmark = RowBookmark(row);
      if (memTable_ && !pressedBookmark.empty()) {
        BeginRowRead(row);
        pressedRecord = memTable_->GetActiveMemoryRecord();
        EndRowRead();
      }
    }
  }
  auto pressedRowNow = [&](int row) {
    const int now = RowOfRecordBookmark(pressedBookmark);
    return now >= 0 ? now : row;
  };
  if (!AcquireFocus()) {
    SetMouseCapture(false);
    return;
  }
  TGridDrawInfo info;
  CalcDrawInfo(info);
  if (button == mbLeft && shift.Contains(ssDouble)) {
    MouseDoubleClick(shift, x, y, info);
    TCustomControl::MouseDown(button, shift, x, y);
    return;
  }

  // ---- sizing: inside a multi-level title the grid finds the borders itself
  if (button == mbLeft && useMultiTitle_ && dbOptions_.Contains(dgTitles)) {
    int state = 0, index = -1, pos = 0, ofs = 0;
    CalcTitleSizingState(x, y, state, index, pos, ofs);
    if (state == msTitleSizingGx) {
      dataLink_->UpdateData();
      HideEdit();
      mouseState_ = msTitleSizingGx;
      titleSizingIndex_ = index;
      titleSizingPos_ = pos;
      titleSizingOfs_ = ofs;
      if (!optionsGx_.Contains(dghTraceColSizing)) DrawSizingLine(titleSizingPos_, ClientHeight());
      TCustomControl::MouseDown(button, shift, x, y);
      return;
    }
  }
  {
    TGridState state;
    int index = -1, pos = 0, ofs = 0;
    CalcSizingState(x, y, state, index, pos, ofs, info);
    if (state != gsNormal) {
      dataLink_->UpdateData();
      if (optionsGx_.Contains(dghTraceColSizing) && button == mbLeft && state == gsColSizing) {
        // Live sizing: no XOR line, the width follows the pointer.
        HideEdit();
        SetSizingStateDirect(state, index, pos, ofs);
        TCustomControl::MouseDown(button, shift, x, y);
      } else {
        TCustomGridGx::MouseDown(button, shift, x, y);
      }
      return;
    }
  }

  TGridCoord cell = MouseCoord(x, y);
  if (!pressedBookmark.empty()) cell.Y = pressedRowNow(cell.Y);
  const int titleRows = TitleRowCount();
  const bool titlePress = cell.Y >= 0 && cell.Y < GetTitleOffset();
  bool onLeaf = true;
  if (titlePress && cell.Y < titleRows && useMultiTitle_ && dbOptions_.Contains(dgTitles))
    onLeaf = y >= LeafTitleRect(cell.X, cell.Y).Top;

  // ---- column selection from the low edge of a title
  if (InColumnSelectZone(x, y) && onLeaf) {
    if (TColumnGx* c = ColumnAt(RawToDataColumn(cell.X))) {
      HideEdit();
      mouseState_ = msColSelectingGx;
      StartTimer(ScrollInterval(kColumnScrollSlope, 0));
      TDBGridGxSelectionCols* cols = selection_->Columns();
      if (shift.Contains(ssShift)) {
        cols->SelectShift(c);
      } else if (shift.Contains(ssCtrl)) {
        cols->InvertSelect(c);
      } else {
        Invalidate();
        cols->Select(c, false);
      }
      return;
    }
  }

  // ---- title buttons; a right press moves the column
  TMouseButton baseButton = button;
  if (titlePress && cell.Y < titleRows && cell.X >= IndicatorOffset() && onLeaf && !InState(csDesigning)) {
    TColumnGx* c = ColumnAt(RawToDataColumn(cell.X));
    if (button == mbRight && optionsGx_.Contains(dghColumnMove)) {
      baseButton = mbLeft;
      rightDrag_ = true;
    } else if (button == mbLeft && c && c->Title()->TitleButton() && CheckTitleButton(RawToDataColumn(cell.X)) &&
               MouseCapture()) {
      titleBtnDown_ = true;
      titleBtnCol_ = cell.X;
      pressedTitleCol_ = cell.X;
      HideEdit();
      InvalidateCell(cell.X, cell.Y);
      TCustomControl::MouseDown(button, shift, x, y);
      return;
    }
  }

  // ---- other title and filter-row presses: the base grid moves columns
  if (titlePress) {
    if (cell.X < IndicatorOffset() && cell.Y == 0 && IndicatorOffset() > 0) {
      if (center_) center_->IndicatorTitleMouseDown(this, cell, button, shift, x, y);
      else IndicatorTitleMouseDown();
      InvalidateEditor();
    }
    dataLink_->UpdateData();
    TCustomGridGx::MouseDown(baseButton, shift, x, y);
    return;
  }

  TDataSet* ds = DataSet();
  if (cell.Y < 0 || cell.Y >= RowCount() || cell.X < 0 || !dataLink_->Active() || !ds ||
      StartRecordDrag(button, shift, x, y) || (treeAreaPressed_ = TreeAreaPress(button, shift, x, y))) {
    TCustomControl::MouseDown(button, shift, x, y);
    return;
  }

  const bool multi = dbOptions_.Contains(dgMultiSelect);
  const bool rowSelect = dbOptions_.Contains(dgRowSelect);
  const bool withShift = shift.Contains(ssShift);
  const bool ctrl = shift.Contains(ssCtrl);
  const bool dataColumn = cell.X >= IndicatorOffset();
  TControl* buttonTarget = nullptr;
  TPoint buttonPoint;
  // With automatic dragging a plain press on a selected cell may be the start of dragging it.
  const bool dragSelected = button == mbLeft && !withShift && autoDragPress_ &&
                            selection_->SelectionType() != gstNon &&
                            IsCellSelected(cell.X, cell.Y, RowBookmark(cell.Y), RawToDataColumn(cell.X));
  BeginUpdateGx();
  try {
    dataLink_->UpdateData();
    HideEdit();
    if (!pressedBookmark.empty()) {
      // Leaving the current record settles the rows first: an empty appended row goes, a changed
      // one is posted; then the pressed record is found where it is now.
      bool posted = false;
      if (!pressedCurrent && (ds->State() == dsEdit || ds->State() == dsInsert)) {
        ds->CheckBrowseMode();
        posted = true;
      }
      const int row = posted ? RowOfMemoryRecord(pressedRecord, cell.Y) : -1;
      cell.Y = row >= 0 ? row : pressedRowNow(cell.Y);
    }
    const TGridCoord oldCurrent{Col(), Row()};
    const std::string oldBookmark = ds->IsEmpty() ? std::string() : ds->Bookmark();
    const int clickedRecord = cell.Y - GetTitleOffset();
    if (!(withShift && multi) || (!rowSelect && dataColumn)) {
      const int distance = clickedRecord - CurrentDataRow();
      if (distance != 0) ds->MoveBy(distance);
    }
    if (dataColumn) MoveCol(cell.X, 0, false);
    if (dragSelected) {
      // The selection stays for the drag; a release without moving decides (MouseUp).
      dragSelectionPending_ = true;
      EndUpdateGx();
      TCustomControl::MouseDown(button, shift, x, y);
      return;
    }

    // ---- a rectangle of cells
    bool rectangle = false;
    if (dataColumn && (!multi || !rowSelect)) {
      SetMouseCapture(true);
      rectSelecting_ = true;
      if (!ctrl && !withShift && optionsGx_.Contains(dghClearSelection)) {
        const bool keep = button == mbRight && IsCellSelected(cell.X, cell.Y, RowBookmark(cell.Y), RawToDataColumn(cell.X));
        if (!keep) ClearSelection();
      }
      if (CanSelectType(gstRectangle) && !ds->IsEmpty()) {
        TDBGridGxSelectionRect* r = selection_->Rect();
        if (button == mbLeft && !withShift) {
          r->Select(Col(), ds->Bookmark(), false);
        } else if (withShift) {
          if (selection_->SelectionType() != gstRectangle) r->Select(oldCurrent.X, oldBookmark, false);
          r->Select(Col(), ds->Bookmark(), true);
        }
        mouseState_ = msRectSelectingGx;
        rectangle = true;
      }
    }

    // ---- whole records
    if (!rectangle && CanSelectType(gstRecordBookmarks) && !ds->IsEmpty()) {
      TBookmarkListGx* rows = bookmarks_.get();
      const int distance = clickedRecord - CurrentDataRow();
      if (!withShift || distance == 0) {
        if (button == mbLeft && !ctrl && optionsGx_.Contains(dghClearSelection)) {
          ClearSelection();
          rows->SetCurrentRowSelected(true);
        } else if (button == mbLeft || ctrl || !optionsGx_.Contains(dghClearSelection)) {
          rows->SetCurrentRowSelected(!rows->CurrentRowSelected());
        }
      } else {
        keepSelection_ = ctrl || !optionsGx_.Contains(dghClearSelection);
        MoveRecordSelecting(true, distance, false, true);
      }
      // A drag from here walks from the pressed row, also after a Shift extension.
      anchorSet_ = true;
      anchorBookmark_ = ds->Bookmark();
      anchorWasSelected_ = !rows->CurrentRowSelected();
      rowSelecting_ = true;
      SetMouseCapture(true);
      keepSelection_ = ctrl || !optionsGx_.Contains(dghClearSelection);
      mouseState_ = msRowSelectingGx;
    }

    if (button == mbLeft) {
      TColumnGx* c = dataColumn ? ColumnAt(RawToDataColumn(cell.X)) : nullptr;
      const TRect cellRect = CellRect(cell.X, cell.Y);
      const bool onButton = c && c->AlwaysShowEditButton() && x >= cellRect.Right - c->GetEditButtonsWidth();
      // Showing puts the grid in editor mode; a cell that cannot be edited takes it out again.
      if (dbOptions_.Contains(dgEditing) &&
          ((cell.X == oldCurrent.X && cell.Y == oldCurrent.Y) || AlwaysShowEditor() || onButton))
        ShowEditor();
      // A press on a cell's button belongs to the editor's button there.
      auto* ed = dynamic_cast<TDBGridInplaceEdit*>(InplaceEditor());
      if (c && ed && IsEditorVisible() && ed->ButtonsWidth() > 0 && GetColumnEditStyle(c) != esSimple) {
        const TRect box = ed->BoundsRect();
        if (box.Contains(TPoint(x, y)) && x >= box.Right - ed->ButtonsWidth()) {
          const TPoint local(x - box.Left, y - box.Top);
          if (TControl* target = ed->ControlAtPos(local, false)) {
            buttonTarget = target;
            buttonPoint = TPoint(local.X - target->Left(), local.Y - target->Top());
          }
        }
      }
      if (c) {
        const TColumnKindGx kind = c->GetColumnType();
        if (kind == ckCheckbox || kind == ckImageList) pressedCheckCell_ = cell;
      }
    } else {
      InvalidateEditor();
    }
  } catch (...) {
    EndUpdateGx();
    throw;
  }
  EndUpdateGx();
  if (buttonTarget) {
    // The grid stops tracking; the button takes the press (and the mouse) from here.
    StopTracking();
    buttonTarget->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(buttonPoint.X, buttonPoint.Y));
    return;
  }
  TCustomControl::MouseDown(button, shift, x, y);
}

// ---------------------------------------------------------------- move

void TCustomDBGridGx::MoveTraceSizing(int x) {
  const int index = mouseState_ == msTitleSizingGx ? titleSizingIndex_ : SizingIndex();
  const int ofs = mouseState_ == msTitleSizingGx ? titleSizingOfs_ : SizingOfs();
  if (index < 0 || index >= ColCount()) return;
  const int width = ofs + x - CellRect(index, 0).Left;
  if (width < 1 || width == GetColWidths(index)) return;
  if (autoFitColWidths_ && !InState(csDesigning)) {
    // The columns to the right keep at least a pixel each.
    int need = 0;
    for (int c = index + 1; c < ColCount(); ++c)
      if (GetColWidths(c) > 0) need += 1 + GridLineWidth();
    if (CellRect(index, 0).Left + width + need > ClientWidth()) return;
  }
  SetColWidths(index, width);
  UpdateDesigner();
}

void TCustomDBGridGx::MouseMove(TShiftState shift, int x, int y) {
  // A move to where the pointer already was (some input sends them) steps nothing further.
  const bool moved = TPoint(x, y) != movePoint_;
  movePoint_ = TPoint(x, y);
  if (dragSelectionPending_ && movePoint_ != downPoint_) {
    dragSelectionPending_ = false;
    BeginDrag(false);
    return;
  }
  const bool trace = optionsGx_.Contains(dghTraceColSizing);
  if (titleBtnDown_) {
    const TRect leaf = LeafTitleRect(titleBtnCol_, 0);
    const int pressed = ClientRect().Contains(TPoint(x, y)) && leaf.Contains(TPoint(x, y)) ? titleBtnCol_ : -1;
    if (pressed != pressedTitleCol_) {
      pressedTitleCol_ = pressed;
      InvalidateCell(titleBtnCol_, 0);
    }
    if (std::abs(x - downPoint_.X) > kTitleDragThreshold && optionsGx_.Contains(dghColumnMove) &&
        mouseState_ != msColDraggingGx) {
      StopTitleTracking();
      TCustomGridGx::MouseDown(mbLeft, shift, downPoint_.X, downPoint_.Y);
    }
  } else if (!moved && (rowSelecting_ || rectSelecting_ || mouseState_ == msColSelectingGx)) {
    // nothing new
  } else if (rowSelecting_ || rectSelecting_ || mouseState_ == msRectSelectingGx) {
    const int cx = std::clamp(x, 0, std::max(0, ClientWidth() - 1));
    const int cy = std::clamp(y, 0, std::max(0, ClientHeight() - 1));
    const TGridCoord cell = MouseCoord(cx, cy);
    TDataSet* ds = DataSet();
    // Straight to the row and column under the pointer, not a step towards them: after a quick
    // move the selection would otherwise stop short of the pointer until it moved again.
    if (ds && dataLink_->Active() && cell.Y >= GetTitleOffset() && cell.Y < RowCount()) {
      const int distance = cell.Y - GetTitleOffset() - CurrentDataRow();
      if (distance != 0)
        MoveRecordSelecting(mouseState_ != msNoneGx, distance, false, mouseState_ != msRectSelectingGx);
    }
    if (rectSelecting_ && cell.X >= IndicatorOffset() && cell.X < ColCount() && cell.X != Col())
      MoveCol(cell.X, cell.X > Col() ? 1 : -1, mouseState_ == msRectSelectingGx);
    AutoScrollStep(x, y);
  } else if (mouseState_ == msColSelectingGx) {
    TGridDrawInfo info;
    CalcDrawInfo(info);
    if (x >= info.Horz.FixedBoundary && x < info.Horz.GridBoundary) {
      const TGridCoord cell = MouseCoord(x, std::clamp(y, 0, std::max(0, ClientHeight() - 1)));
      // Still over the column the range ends at: nothing to extend (a Ctrl+press just toggled it).
      TColumnGx* c = ColumnAt(RawToDataColumn(cell.X));
      if (c && c != selection_->Columns()->ShiftCol()) selection_->Columns()->SelectShift(c);
      StopTimer();
    } else {
      AutoScrollStep(x, y);
    }
  } else if (mouseState_ == msTitleSizingGx) {
    if (trace) {
      MoveTraceSizing(x);
    } else {
      DrawSizingLine(titleSizingPos_, ClientHeight());
      titleSizingPos_ = titleSizingOfs_ + x;
      DrawSizingLine(titleSizingPos_, ClientHeight());
    }
  } else if (trace && GridState() == gsColSizing) {
    MoveTraceSizing(x);
    TCustomControl::MouseMove(shift, x, y);
    return;
  } else if (mouseState_ == msRecordMovingGx) {
    // Over the rows the line follows; beyond them timer 1 scrolls.
    TGridDrawInfo info;
    CalcDrawInfo(info);
    if (y >= info.Vert.FixedBoundary && y < info.Vert.GridBoundary) RecordDragMove(x, y);
  }
  TCustomGridGx::MouseMove(shift, x, y);
}

// ---------------------------------------------------------------- release

void TCustomDBGridGx::StopTitleTracking() {
  if (!titleBtnDown_) return;
  titleBtnDown_ = false;
  pressedTitleCol_ = -1;
  if (titleBtnCol_ >= 0 && titleBtnCol_ < ColCount()) InvalidateCell(titleBtnCol_, 0);
  titleBtnCol_ = -1;
}

void TCustomDBGridGx::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  const uint8_t former = mouseState_;
  const TGridState baseState = GridState();
  const bool trace = optionsGx_.Contains(dghTraceColSizing);
  if (former == msTitleSizingGx && !trace) {
    DrawSizingLine(titleSizingPos_, ClientHeight());
    if (titleSizingIndex_ >= 0 && titleSizingIndex_ < ColCount()) {
      const int width = titleSizingPos_ - CellRect(titleSizingIndex_, 0).Left;
      if (width > 1) SetColWidths(titleSizingIndex_, width);
    }
  } else if (trace && baseState == gsColSizing) {
    SetSizingStateDirect(gsNormal, -1, 0, 0);
    mouseState_ = msNoneGx;
    return;
  } else if (former == msRecordMovingGx) {
    RecordDragDrop(true);
  }
  mouseState_ = msNoneGx;
  if (dragSelectionPending_) {
    // Pressed on the selection and let go without dragging it.
    dragSelectionPending_ = false;
    if (shift.Contains(ssCtrl) && dbOptions_.Contains(dgMultiSelect))
      bookmarks_->SetCurrentRowSelected(!bookmarks_->CurrentRowSelected());
    else
      ClearSelectionIfOption();
  }

  if (titleBtnDown_) {
    const int col = titleBtnCol_;
    const bool onTitle = ClientRect().Contains(TPoint(x, y)) && LeafTitleRect(col, 0).Contains(TPoint(x, y));
    StopTitleTracking();
    if (onTitle && col >= IndicatorOffset()) {
      const int dataCol = RawToDataColumn(col);
      TColumnGx* c = ColumnAt(dataCol);
      const int id = c ? c->ID() : -1;
      TitleBtnClick(dataCol, c);
      // The handler may have rebuilt the columns: a column that went is not marked.
      if (c) c = dynamic_cast<TColumnGx*>(Columns()->FindItemID(id));
      TitleClickSortMarking(c, shift.Contains(ssCtrl));
    }
  } else if (rightDrag_) {
    rightDrag_ = false;
    SetMouseCapture(false);
    if (button == mbRight) button = mbLeft;
  }
  // A drag that selects nothing (no multi-select) still scrolled on the timer: it stops too.
  const bool selectingDrag = rowSelecting_ || rectSelecting_;
  if (selectingDrag) {
    rowSelecting_ = rectSelecting_ = false;
    if (button != mbLeft) SetMouseCapture(false);
  }
  if (former != msNoneGx || selectingDrag) StopTimer();
  const bool rightRelease = button == mbRight;
  TCustomGridGx::MouseUp(button, shift, x, y);
  // A right press takes the mouse whatever it lands on; its release gives it back unless the left
  // button holds something of its own.
  if (rightRelease && mouseState_ == msNoneGx && !titleBtnDown_ && GridState() == gsNormal && MouseCapture())
    SetMouseCapture(false);

  if (baseState == gsRowSizing || baseState == gsColSizing || former == msTitleSizingGx) return;
  if (IsEditorVisible() && InplaceEditor()->BoundsRect().Contains(TPoint(x, y))) return;
  const TGridCoord cell = MouseCoord(x, y);
  TColumnGx* c = cell.X >= IndicatorOffset() ? ColumnAt(RawToDataColumn(cell.X)) : nullptr;
  const bool treeArea = std::exchange(treeAreaPressed_, false);
  if (button == mbLeft && c && cell.Y >= 0) {
    const int id = c->ID();
    // The filter row between them is neither a title nor a record.
    if (cell.Y < TitleRowCount()) TitleClick(c);
    else if (cell.Y >= GetTitleOffset() && cell.Y < RowCount() && !treeArea) CellClick(c);
    // The handler may have rebuilt the columns: a column that went takes no step.
    c = dynamic_cast<TColumnGx*>(Columns()->FindItemID(id));
  }
  if (c && cell == pressedCheckCell_ && !c->DblClickNextVal() && !shift.Contains(ssDouble)) {
    const TColumnKindGx kind = c->GetColumnType();
    if (kind == ckCheckbox || kind == ckImageList) c->StepValue(shift.Contains(ssShift) ? -1 : 1);
  }
  pressedCheckCell_ = {-1, -1};
}

// ---------------------------------------------------------------- messages

void TCustomDBGridGx::MouseCancelMode() {
  RecordDragDrop(false);
  if (mouseState_ == msTitleSizingGx && !optionsGx_.Contains(dghTraceColSizing))
    DrawSizingLine(titleSizingPos_, ClientHeight());
  else if (mouseState_ != msNoneGx || rowSelecting_ || rectSelecting_)
    StopTimer();
  StopTitleTracking();
  dragSelectionPending_ = false;
  rightDrag_ = false;
  rowSelecting_ = rectSelecting_ = false;
  mouseState_ = msNoneGx;
}

void TCustomDBGridGx::StopTracking() {
  MouseCancelMode();
  SetMouseCapture(false);
}

// Timer 1, the cursor and cancelling; true when the message was handled here.
bool TCustomDBGridGx::MouseMessage(TMessage& m) {
  switch (m.Msg) {
    case WM_TIMER: {
      if (m.WParam != kGridScrollTimer) return false;
      if (mouseState_ == msRecordMovingGx) {
        POINT p{};
        GetCursorPos(&p);
        const TPoint pt = ScreenToClient(TPoint(p.x, p.y));
        RecordDragMove(pt.X, pt.Y);
        m.Result = 0;
        return true;
      }
      if (!rowSelecting_ && !rectSelecting_ && mouseState_ != msColSelectingGx) return false;
      POINT p{};
      GetCursorPos(&p);
      const TPoint pt = ScreenToClient(TPoint(p.x, p.y));
      AutoScrollStep(pt.X, pt.Y);
      m.Result = 0;
      return true;
    }
    case WM_SETCURSOR: {
      if (LOWORD(m.LParam) != HTCLIENT || !HandleAllocated()) return false;
      // Nothing to size or select: columns built from the fields of no open data set.
      TDataSet* ds = DataSet();
      if ((InState(csDesigning) && !DataSource()) || (!columns_->Customized() && (!ds || !ds->Active()))) {
        ::SetCursor(Screen->Cursors(crArrow));
        m.Result = 1;
        return true;
      }
      if (InState(csDesigning)) return false;
      POINT p{};
      GetCursorPos(&p);
      const TPoint pt = ScreenToClient(TPoint(p.x, p.y));
      HCURSOR cursor = nullptr;
      if (mouseState_ == msTitleSizingGx || (useMultiTitle_ && dbOptions_.Contains(dgTitles) &&
                                             mouseState_ == msNoneGx && IsTitleSizingPoint(pt.X, pt.Y)))
        cursor = Screen->Cursors(crHSplit);
      else if (mouseState_ == msNoneGx && !Sizing(pt.X, pt.Y) && InRowSelectZone(pt.X, pt.Y) &&
               RecordDragRowAt(pt.X, pt.Y) < 0)  // a press there drags the record
        cursor = DBGridCursor(1);
      else if (mouseState_ == msNoneGx && !Sizing(pt.X, pt.Y) && InColumnSelectZone(pt.X, pt.Y))
        cursor = DBGridCursor(0);
      if (!cursor) return false;
      ::SetCursor(cursor);
      m.Result = 1;
      return true;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      // Automatic dragging would take every press; the grid decides itself which press drags.
      if (DragMode() != dmAutomatic || InState(csDesigning)) return false;
      SetDragMode(dmManual);
      autoDragPress_ = true;
      try {
        TCustomGridGx::WndProc(m);
      } catch (...) {
        SetDragMode(dmAutomatic);
        autoDragPress_ = false;
        throw;
      }
      SetDragMode(dmAutomatic);
      autoDragPress_ = false;
      return true;
    }
    case WM_CANCELMODE:
    case CM_CANCELMODE:
      // Live sizing drew no line for the base grid to take away.
      if (GridState() == gsColSizing && optionsGx_.Contains(dghTraceColSizing)) SetSizingStateDirect(gsNormal, -1, 0, 0);
      // Before the inherited handling: it releases the mouse with a button-up, which must neither
      // drop a record nor store a title's size.
      MouseCancelMode();
      TCustomGridGx::WndProc(m);
      // The filter editor's open list closes when the focus moves on, as the cell editor's does.
      if (m.Msg == CM_CANCELMODE && filterEditor_) filterEditor_->WindowProc()(m);
      return true;
    default: return false;
  }
}
