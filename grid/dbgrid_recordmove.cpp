// Presses the grid tracks itself before the cell under them is entered: moving records by dragging
// them by the indicator column (dghRecordMoving) -- the press that starts the drag, the dotted XOR
// line showing where the records would go, scrolling past the data area on timer 1, and the drop,
// which moves the selected records (or the dragged one) through OnMoveRecords, the memory table or
// the behaviour centre -- and presses in the tree column's indent, which open and close nodes.
#include <algorithm>

#include "grid/dbgrid.h"
#include "platform/forms/cmessages.h"

namespace {
constexpr UINT kRecordDragPeriod = 60;
constexpr int kMoveLineTick = 5;

// The move line and its tick at the start, drawn so that drawing it twice takes it away.
void XorMoveLine(TCanvas* c, int startX, int y, int endX) {
  TPen saved;
  saved.Assign(c->Pen());
  c->Pen()->SetStyle(psDot);
  c->Pen()->SetMode(pmXor);
  c->Pen()->SetWidth(5);
  c->Pen()->SetColor(static_cast<TColor>(0xC0C0C0));
  c->MoveTo(startX, y);
  c->LineTo(endX, y);
  c->MoveTo(startX, y - kMoveLineTick);
  c->LineTo(startX, y + kMoveLineTick);
  c->Pen()->Assign(&saved);
}
}  // namespace

bool TCustomDBGridGx::CanStartRecordDrag(int row) {
  (void)row;
  return true;
}

int TCustomDBGridGx::RecordNumberForRow(int row) {
  if (memTable_) return row - GetTitleOffset() + 1;
  return GetRecNoOfRow(row - GetTitleOffset());
}

int TCustomDBGridGx::TreeLevelOfRow(int row) {
  if (!memTable_ || !memTable_->IsTreeView() || row < GetTitleOffset() || row >= RowCount()) return 0;
  BeginRowRead(row);
  int level = 0;
  try {
    level = memTable_->GetNodeLevel();
  } catch (...) {
    EndRowRead();
    throw;
  }
  EndRowRead();
  return level;
}

int TCustomDBGridGx::RecordDragRowAt(int x, int y) {
  if (!optionsGx_.Contains(dghRecordMoving)) return -1;
  TDataSet* ds = DataSet();
  if (!ds || !dataLink_->Active() || ds->IsEmpty() || IndicatorOffset() == 0) return -1;
  const TGridCoord cell = MouseCoord(x, y);
  if (cell.X < 0 || cell.X >= IndicatorOffset() || cell.Y < GetTitleOffset() || cell.Y >= RowCount()) return -1;
  return CanStartRecordDrag(cell.Y) ? cell.Y : -1;
}

bool TCustomDBGridGx::StartRecordDrag(TMouseButton button, TShiftState shift, int x, int y) {
  if (button != mbLeft || shift.Contains(ssDouble)) return false;
  const int row = RecordDragRowAt(x, y);
  if (row < 0) return false;
  const std::string bookmark = RowBookmark(row);
  if (bookmark.empty()) return false;
  // A selected record drags the selection, and only by a plain press: with Shift or Ctrl the
  // press extends or toggles the selection instead.
  if (CanSelectType(gstRecordBookmarks) && bookmarks_->IndexOf(bookmark) >= 0 &&
      (shift.Contains(ssShift) || shift.Contains(ssCtrl) || shift.Contains(ssAlt)))
    return false;
  dataLink_->UpdateData();
  HideEdit();
  dragSourceRow_ = dragTargetRow_ = row;
  dragSourceRecNo_ = RecordNumberForRow(row);
  dragBookmark_ = bookmark;
  dragLevel_ = TreeLevelOfRow(row);
  mouseState_ = msRecordMovingGx;
  SetMouseCapture(true);
  DrawRecordMoveLine(ClientWidth());
  StartTimer(kRecordDragPeriod);
  return true;
}

int TCustomDBGridGx::DataAreaLeft() const {
  int x = 0;
  for (int i = 0; i < IndicatorOffset(); ++i) x += GetColWidths(i) + GridLineWidth();
  return x;
}

void TCustomDBGridGx::DrawRecordMoveLine(int currentX) {
  if (dragTargetRow_ < GetTitleOffset() || dragTargetRow_ >= RowCount()) return;
  const TRect r = CellRect(0, dragTargetRow_);
  if (r.Bottom <= r.Top) return;
  const bool below = RecordNumberForRow(dragTargetRow_) > dragSourceRecNo_;
  const int y = below ? r.Bottom : r.Top;
  const int startX = DataAreaLeft() + std::max(0, dragLevel_ - 1) * kTreeLevelWidth;
  // Pending paints first: painted over later, an XOR line would come back when taken away.
  Update();
  XorMoveLine(Canvas(), startX, y, currentX);
  moveLineShown_ = true;
  moveLine_ = {startX, y, currentX};
}

void TCustomDBGridGx::HideRecordMoveLine() {
  if (!moveLineShown_) return;
  // Drawn again with the same pen it is gone.
  XorMoveLine(Canvas(), moveLine_.StartX, moveLine_.Y, moveLine_.EndX);
  moveLineShown_ = false;
}

void TCustomDBGridGx::RecordDragMove(int x, int y) {
  if (mouseState_ != msRecordMovingGx) return;
  TDataSet* ds = DataSet();
  if (!ds || !dataLink_->Active()) return;
  TGridDrawInfo info;
  CalcDrawInfo(info);
  const int first = GetTitleOffset();
  const int lastRow = std::min(RowCount() - 1, info.Vert.LastFullVisibleCell);
  int target = dragTargetRow_;
  HideRecordMoveLine();
  if (y < info.Vert.FixedBoundary) {
    // Above the data: the rows before the window come into it.
    if (memTable_) ScrollToRow(TopRow() - 1, false);
    else ds->MoveBy(-dataLink_->ActiveRecord() - 1);
    target = TopRow();
  } else if (y >= std::min(info.Vert.GridBoundary, CellRect(0, lastRow).Bottom)) {
    if (memTable_) ScrollToRow(TopRow() + 1, false);
    else ds->MoveBy(dataLink_->RecordCount() - dataLink_->ActiveRecord());
    CalcDrawInfo(info);
    target = std::min(RowCount() - 1, info.Vert.LastFullVisibleCell);
  } else {
    const TGridCoord cell = MouseCoord(std::max(0, x), y);
    if (cell.Y >= first && cell.Y < RowCount()) target = cell.Y;
  }
  dragTargetRow_ = std::clamp(target, first, std::max(first, RowCount() - 1));
  if (memTable_ && memTable_->IsTreeView()) {
    // The level under the pointer, at most one deeper than the row above the target; below the
    // source the target's own level.
    const int underMouse = std::max(1, (x - DataAreaLeft()) / kTreeLevelWidth + 1);
    const int above = dragTargetRow_ > first ? TreeLevelOfRow(dragTargetRow_ - 1) : 0;
    dragLevel_ = std::min(underMouse, above + 1);
    if (RecordNumberForRow(dragTargetRow_) > dragSourceRecNo_) dragLevel_ = TreeLevelOfRow(dragTargetRow_);
  }
  DrawRecordMoveLine(std::max(x, DataAreaLeft() + 1));
}

bool TCustomDBGridGx::MoveRecordsTo(TBMListGx* list, int toRecNo, bool checkOnly) {
  if (OnMoveRecords) return OnMoveRecords(this, list, toRecNo, dragLevel_, checkOnly);
  if (memTable_) return memTable_->MoveRecords(list, toRecNo, dragLevel_, checkOnly);
  return center_ ? center_->MoveRecords(this, list, toRecNo, checkOnly) : false;
}

void TCustomDBGridGx::RecordDragDrop(bool drop) {
  if (mouseState_ != msRecordMovingGx) return;
  StopTimer();
  HideRecordMoveLine();
  mouseState_ = msNoneGx;
  SetMouseCapture(false);
  TDataSet* ds = DataSet();
  if (!drop || !ds || !dataLink_->Active()) return;
  const int targetRecNo = RecordNumberForRow(dragTargetRow_);
  if (targetRecNo == dragSourceRecNo_ || targetRecNo <= 0) return;
  // Below the source the records go after the target, above it before.
  const int toRecNo = targetRecNo > dragSourceRecNo_ ? targetRecNo + 1 : targetRecNo;
  // The selected records go when the dragged one is among them; a record dragged from outside
  // the selection goes alone.
  TBMListGx single;
  TBMListGx* list = &single;
  if (selection_->SelectionType() == gstRecordBookmarks && bookmarks_->IndexOf(dragBookmark_) >= 0)
    list = bookmarks_.get();
  else single.InsertItem(0, dragBookmark_);
  if (!MoveRecordsTo(list, toRecNo, true)) return;
  if (memTable_) {
    // The moved records stay selected, at their new places.
    KeepingSelection([&] { MoveRecordsTo(list, toRecNo, false); });
  } else {
    // The data set comes back to the record it showed, at its place among the visible rows.
    SaveBookmark();
    try {
      MoveRecordsTo(list, toRecNo, false);
    } catch (...) {
      RestoreBookmark();
      throw;
    }
    RestoreBookmark();
  }
  Invalidate();
}

bool TCustomDBGridGx::TreeAreaPress(TMouseButton button, TShiftState shift, int x, int y) {
  (void)shift;
  if (!memTable_ || !memTable_->IsTreeView() || button != mbLeft) return false;
  const TGridCoord cell = MouseCoord(x, y);
  // The tree's boxes are in the first column shown.
  if (visibleColumns_.empty() || cell.X != DataToRawColumn(visibleColumns_.front()->Index()) ||
      cell.Y < GetTitleOffset() || cell.Y >= RowCount())
    return false;
  const TRect r = CellRect(cell.X, cell.Y);
  const int level = std::max(1, TreeLevelOfRow(cell.Y));
  if (x >= r.Left + level * kTreeLevelWidth) return false;
  // Inside the indent: only the node's own box does something.
  const int boxLeft = r.Left + (level - 1) * kTreeLevelWidth;
  if (x < boxLeft) return true;
  BeginRowRead(cell.Y);
  bool children = false, expanded = false;
  try {
    children = memTable_->GetNodeHasChildren();
    expanded = memTable_->GetNodeExpanded();
  } catch (...) {
    EndRowRead();
    throw;
  }
  EndRowRead();
  if (!children) return true;
  const int top = TopRow();
  // The rows change under the grid: it follows once, when the controls come back, and the
  // selection, kept by its records until then, with it.
  TDataSet* ds = DataSet();
  KeepingSelection([&] {
    ds->DisableControls();
    try {
      SetTreeNodeExpanded(cell.Y - GetTitleOffset(), !expanded);
    } catch (...) {
      ds->EnableControls();
      throw;
    }
    ds->EnableControls();
  }, true);
  ScrollToRow(top, false);
  Invalidate();
  UpdateVertScrollBar();
  return true;
}
