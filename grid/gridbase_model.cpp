// The base grid's cell model: counts and runs, sizes, geometry, current cell and selection, the
// scroll position, structure changes and the hand-off to the in-place editor.
#include <algorithm>
#include <limits>

#include "editors/gxwindows.h"
#include "grid/gridbase.h"
#include "grid/inplaceedit.h"
#include "platform/classes/filer.h"

FANO_IMPLEMENT_ABSTRACT(TCustomGridGx, TCustomControl)

namespace {

constexpr const char* kIndexOutOfRange = "Grid index out of range";
constexpr const char* kFixedColTooBig = "Fixed column count must be less than column count";
constexpr const char* kFixedRowTooBig = "Fixed row count must be less than row count";
constexpr const char* kTooManyDeleted = "Too many rows or columns deleted";
constexpr const char* kGridTooLarge = "Grid too large for operation";
constexpr int kMaxListSize = 0x7FFFFFE;

[[noreturn]] void GridError(const char* message) { throw EInvalidGridOperationGx(message); }

// Cells and contra cells together must stay countable.
void CheckFullCount(int count, int contra) {
  if (static_cast<int64_t>(count) + contra > std::numeric_limits<int32_t>::max()) GridError(kGridTooLarge);
}

}  // namespace

std::optional<int32_t> GridScale(int64_t a, int64_t b, int64_t c) noexcept {
  if (c == 0) return std::nullopt;
  const int64_t n = a * b;
  int64_t q = n / c;
  const int64_t r = n % c;
  if (2 * (r < 0 ? -r : r) >= (c < 0 ? -c : c)) q += (n < 0) != (c < 0) ? -1 : 1;
  return static_cast<int32_t>(std::clamp<int64_t>(q, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

int TGridAxisDrawInfo::Extent(int index) const {
  return Rows ? Grid->GetRowHeights(index) : Grid->GetColWidths(index);
}

// ---- construction -------------------------------------------------------------------------------

TCustomGridGx::TCustomGridGx(TComponent* owner) : TCustomControl(owner) {
  TControlStyle style{csCaptureMouse, csOpaque, csDoubleClicks, csNeedsBorderPaint};
  SetControlStyle(style);
  SetBounds(0, 0, colCount_ * defaultColWidth_, rowCount_ * defaultRowHeight_);
  SetParentColor(false);
  SetColor(clWindow);
  SetTabStop(true);
  Initialize();
  pressedCell_ = {-1, -1};
}

// The editor goes first, before the window and the child controls.
void TCustomGridGx::BeforeDestruction() {
  TInplaceEdit* edit = inplaceEdit_;
  inplaceEdit_ = nullptr;
  if (edit) edit->Free();
  TCustomControl::BeforeDestruction();
}

TCustomGridGx::~TCustomGridGx() {
  TInplaceEdit* edit = inplaceEdit_;
  inplaceEdit_ = nullptr;
  if (edit) edit->Free();
}

void TCustomGridGx::Notification(TComponent* component, TOperation operation) {
  TCustomControl::Notification(component, operation);
  if (operation == opRemove && component == inplaceEdit_) inplaceEdit_ = nullptr;
}

TGridLineColorsGx* TCustomGridGx::CreateGridLineColors() { return new TGridLineColorsGx(this); }

TGridLineColorsGx* TCustomGridGx::GridLineColors() const {
  if (!gridLineColors_) gridLineColors_.reset(const_cast<TCustomGridGx*>(this)->CreateGridLineColors());
  return gridLineColors_.get();
}

TInplaceEdit* TCustomGridGx::CreateEditor() { return new TInplaceEdit(this); }

void TCustomGridGx::Initialize() {
  topLeft_ = {fixedCols_, fixedRows_};
  current_ = topLeft_;
  anchor_ = current_;
  if (options_.Contains(goRowSelect)) anchor_.X = colCount_ - 1;
}

// ---- geometry -----------------------------------------------------------------------------------

void TCustomGridGx::CalcAxis(TGridAxisDrawInfo& a, bool rows, int clientExtent) const {
  a.Grid = this;
  a.Rows = rows;
  bool lines = rows ? (options_.Contains(goFixedHorzLine) || options_.Contains(goHorzLine))
                    : (options_.Contains(goFixedVertLine) || options_.Contains(goVertLine));
  const int lw = lines ? gridLineWidth_ : 0;
  a.EffectiveLineWidth = lw;
  a.ClientExtent = clientExtent;
  a.GridCellCount = rows ? rowCount_ : colCount_;
  a.ContraCount = rows ? contraRowCount_ : contraColCount_;
  a.FullCellCount = a.GridCellCount + a.ContraCount;
  // A single column wider than the view slides by ColOffset; every other grid by the row-select
  // pixel offset.
  a.PixelOffset = rows ? 0 : horzPixelOffset_ + (colCount_ == 1 ? colOffset_ : 0);
  // Contra part, from the far edge back.
  int contra = clientExtent;
  for (int i = a.GridCellCount; i < a.FullCellCount; ++i) contra -= a.Extent(i) + lw;
  if (a.ContraCount > 0) contra -= lw;
  a.ContraBoundary = contra;
  // Fixed part.
  a.FixedCellCount = rows ? fixedRows_ : fixedCols_;
  a.FirstGridCell = rows ? topLeft_.Y : topLeft_.X;
  // Frozen cells are the last fixed ones: never more of them than there are fixed cells.
  a.FrozenCount = std::min(rows ? frozenRows_ : frozenCols_, a.FixedCellCount);
  int fixed = 0;
  for (int i = 0; i < a.FixedCellCount; ++i) fixed += a.Extent(i) + lw;
  a.FixedBoundary = fixed;
  int frozen = fixed;
  for (int i = a.FixedCellCount - 1; i >= a.FixedCellCount - a.FrozenCount && i >= 0; --i) frozen -= a.Extent(i) + lw;
  a.FrozenBoundary = frozen;
  a.ScrollStart = a.FixedBoundary - a.PixelOffset;
  // Scrolling part: only the cells that show are walked.
  a.GridExtent = a.ContraBoundary;
  a.GridBoundary = a.ScrollStart;
  a.FullVisBoundary = a.FixedBoundary;
  a.LastFullVisibleCell = a.FirstGridCell;
  for (int i = a.FirstGridCell; i < a.GridCellCount; ++i) {
    a.GridBoundary += a.Extent(i) + lw;
    if (a.GridBoundary > a.GridExtent + lw) {
      a.GridBoundary = a.GridExtent;
      break;
    }
    a.LastFullVisibleCell = i;
    a.FullVisBoundary = a.GridBoundary;
  }
  a.PaintBoundary = a.ContraCount == 0 ? a.GridBoundary : clientExtent;
}

void TCustomGridGx::CalcDrawInfoXY(TGridDrawInfo& info, int useWidth, int useHeight) const {
  CalcAxis(info.Horz, false, useWidth);
  CalcAxis(info.Vert, true, useHeight);
}

void TCustomGridGx::CalcDrawInfo(TGridDrawInfo& info) const {
  if (HandleAllocated())
    CalcDrawInfoXY(info, ClientWidth(), ClientHeight());
  else
    CalcDrawInfoXY(info, Width(), Height());
}

namespace {
// LinePos of a cell that does not show; starts left of the client edge are real positions.
constexpr int kNoLine = std::numeric_limits<int>::min();
}  // namespace

// Start pixel of a cell, or kNoLine when it does not show (scrolled out, or past the client edge).
int TCustomGridGx::LinePos(const TGridAxisDrawInfo& a, int line) const {
  int start, pos;
  if (line < a.FixedCellCount) {
    start = 0;
    pos = 0;
  } else if (a.ContraCount > 0 && line >= a.GridCellCount) {
    start = a.GridCellCount;
    pos = a.ContraBoundary + a.EffectiveLineWidth;
  } else if (line >= a.FirstGridCell) {
    start = a.FirstGridCell;
    pos = a.ScrollStart;
  } else {
    return kNoLine;
  }
  for (int i = start; i < line; ++i) {
    pos += a.Extent(i) + a.EffectiveLineWidth;
    if (pos > a.ClientExtent) return kNoLine;
  }
  return pos;
}

bool TCustomGridGx::CalcAxisRange(const TGridAxisDrawInfo& a, int start, int finish, bool includeLine, int& nearEdge,
                                  int& farEdge) const {
  const bool hasContra = a.ContraCount > 0;
  if (start > a.LastFullVisibleCell + 1 && !(hasContra && finish >= a.GridCellCount)) return false;
  if (start >= a.FullCellCount || finish < 0) return false;
  if (start < 0) start = 0;
  if (start >= a.FixedCellCount && start < a.FirstGridCell) {
    if (finish < a.FirstGridCell) return false;
    start = a.FirstGridCell;
  }
  // A range from scrolling cells right of the view into the contra run shows only its contra part.
  if (hasContra && start < a.GridCellCount && start >= a.FixedCellCount && finish >= a.GridCellCount &&
      LinePos(a, start) == kNoLine)
    start = a.GridCellCount;
  if (finish > a.LastFullVisibleCell) {
    if (!hasContra || finish < a.GridCellCount) {
      finish = a.LastFullVisibleCell + 1 < a.GridCellCount ? a.LastFullVisibleCell + 1 : a.LastFullVisibleCell;
      if (finish > start && LinePos(a, finish) == kNoLine) --finish;
    } else {
      finish = std::min(finish, a.FullCellCount - 1);
    }
  }
  int nearPos = LinePos(a, start);
  if (nearPos == kNoLine) return false;
  int finishPos = LinePos(a, finish);
  int farPos = finishPos != kNoLine ? finishPos + a.Extent(finish) : nearPos + a.Extent(start);
  if (finish >= a.GridCellCount)
    farPos = std::min(farPos, a.ClientExtent);
  else if (finish >= a.FixedCellCount)
    farPos = std::min(farPos, a.GridExtent);
  if (start >= a.FixedCellCount) nearPos = std::max(nearPos, a.FixedBoundary);
  if (farPos < nearPos) return false;
  if (includeLine) farPos += a.EffectiveLineWidth;
  nearEdge = nearPos;
  farEdge = farPos;
  return true;
}

TRect TCustomGridGx::BoxRectEx(int left, int top, int right, int bottom, bool includeLine,
                               const TGridDrawInfo& info) const {
  if (left > right || top > bottom) return TRect(0, 0, 0, 0);
  TRect r;
  if (!CalcAxisRange(info.Horz, left, right, includeLine, r.Left, r.Right)) return TRect(0, 0, 0, 0);
  if (!CalcAxisRange(info.Vert, top, bottom, includeLine, r.Top, r.Bottom)) return TRect(0, 0, 0, 0);
  return r;
}

TRect TCustomGridGx::BoxRect(int left, int top, int right, int bottom) const {
  TGridDrawInfo info;
  CalcDrawInfo(info);
  return BoxRectEx(left, top, right, bottom, false, info);
}

TRect TCustomGridGx::CellRect(int col, int row) const { return BoxRect(col, row, col, row); }

int TCustomGridGx::CoordOnAxis(const TGridAxisDrawInfo& a, int n) const {
  int first, last, pos;
  if (n < a.FixedBoundary) {
    first = 0;
    last = a.FixedCellCount - 1;
    pos = 0;
  } else if (n > a.ContraBoundary) {
    first = a.GridCellCount;
    last = a.FullCellCount - 1;
    pos = a.ContraBoundary + a.EffectiveLineWidth;
  } else {
    first = a.FirstGridCell;
    last = a.GridCellCount - 1;
    pos = a.ScrollStart;
  }
  for (int i = first; i <= last; ++i) {
    pos += a.Extent(i) + a.EffectiveLineWidth;
    if (pos > n) return i;
    if (pos > a.ClientExtent) break;
  }
  return -1;
}

TGridCoord TCustomGridGx::CalcCoordFromPoint(int x, int y, const TGridDrawInfo& info) const {
  TGridCoord c{CoordOnAxis(info.Horz, x), CoordOnAxis(info.Vert, y)};
  if (c.X < 0 || c.Y < 0) c = {-1, -1};
  return c;
}

TGridCoord TCustomGridGx::MouseCoord(int x, int y) const {
  TGridDrawInfo info;
  CalcDrawInfo(info);
  return CalcCoordFromPoint(x, y, info);
}

int TCustomGridGx::GetVisibleColCount() const {
  TGridDrawInfo info;
  CalcDrawInfo(info);
  return info.Horz.LastFullVisibleCell - topLeft_.X + 1;
}

int TCustomGridGx::GetVisibleRowCount() const {
  TGridDrawInfo info;
  CalcDrawInfo(info);
  return info.Vert.LastFullVisibleCell - topLeft_.Y + 1;
}

int TCustomGridGx::GetGridWidth() const {
  TGridDrawInfo info;
  CalcDrawInfo(info);
  return info.Horz.GridBoundary;
}

int TCustomGridGx::GetGridHeight() const {
  TGridDrawInfo info;
  CalcDrawInfo(info);
  return info.Vert.GridBoundary;
}

TGridRect TCustomGridGx::Selection() const noexcept {
  return {std::min(current_.X, anchor_.X), std::min(current_.Y, anchor_.Y), std::max(current_.X, anchor_.X),
          std::max(current_.Y, anchor_.Y)};
}

namespace {

// The first cell from which `end` still ends inside the scrolling area; zero-extent cells are
// passed over and never become the answer: when nothing fits after an empty end cell, the cell
// that did not fit is the start (a view of empty cells only would show nothing).
int MaxStart(const TGridAxisDrawInfo& a, int end) {
  const int lw = a.EffectiveLineWidth;
  int i = std::max(end, a.FixedCellCount);
  const int start = i;
  int result = i;
  bool fitted = false;
  int line = a.GridExtent + lw;
  for (; i >= a.FixedCellCount; --i) {
    int ext = a.Extent(i);
    if (ext <= 0) continue;
    line -= ext + lw;
    if (line < a.FixedBoundary) {
      if (!fitted && a.Extent(start) <= 0) result = i;
      break;
    }
    result = i;
    fitted = true;
  }
  return result;
}

}  // namespace

TGridCoord TCustomGridGx::CalcMaxTopLeft(TGridCoord coord, const TGridDrawInfo& info) const {
  return {MaxStart(info.Horz, coord.X), MaxStart(info.Vert, coord.Y)};
}

// ---- sizes --------------------------------------------------------------------------------------

int TCustomGridGx::GetColWidths(int index) const noexcept {
  if (index >= 0 && index < static_cast<int>(colWidths_.size()) && index < FullColCount()) return colWidths_[index];
  return defaultColWidth_;
}

int TCustomGridGx::GetRowHeights(int index) const noexcept {
  if (index >= 0 && index < static_cast<int>(rowHeights_.size()) && index < FullRowCount()) return rowHeights_[index];
  return defaultRowHeight_;
}

bool TCustomGridGx::GetTabStops(int index) const noexcept {
  if (index >= 0 && index < static_cast<int>(tabStops_.size())) return tabStops_[index] != 0;
  return true;
}

void TCustomGridGx::ResizeList(std::vector<int32_t>& list, int newSize, int32_t fill) {
  if (newSize < 0) GridError(kTooManyDeleted);
  if (newSize >= kMaxListSize) GridError(kGridTooLarge);
  list.resize(static_cast<size_t>(newSize), fill);
}

void TCustomGridGx::SetColWidths(int index, int value) {
  if (index < 0 || index >= FullColCount()) GridError(kIndexOutOfRange);
  if (colWidths_.empty()) ResizeList(colWidths_, FullColCount(), defaultColWidth_);
  if (colWidths_[index] == value) return;
  Invalidate();
  colWidths_[index] = value;
  ColWidthsChanged();
}

void TCustomGridGx::SetRowHeights(int index, int value) {
  if (index < 0 || index >= FullRowCount()) GridError(kIndexOutOfRange);
  if (rowHeights_.empty()) ResizeList(rowHeights_, FullRowCount(), defaultRowHeight_);
  if (rowHeights_[index] == value) return;
  Invalidate();
  rowHeights_[index] = value;
  RowHeightsChanged();
}

void TCustomGridGx::SetTabStops(int index, bool value) {
  if (index < 0 || index >= FullColCount()) GridError(kIndexOutOfRange);
  if (tabStops_.empty()) ResizeList(tabStops_, FullColCount(), 1);
  tabStops_[index] = value ? 1 : 0;
}

void TCustomGridGx::SetDefaultRowHeight(int value) {
  rowHeights_.clear();
  rowHeights_.shrink_to_fit();
  defaultRowHeight_ = value;
  RowHeightsChanged();
  Invalidate();
}

void TCustomGridGx::SetGridLineWidth(int value) {
  if (value == gridLineWidth_) return;
  gridLineWidth_ = value;
  ColWidthsChanged();
  RowHeightsChanged();
  Invalidate();
}

void TCustomGridGx::ColWidthsChanged() {
  UpdateHorzScrollExtent();
  UpdateScrollRange();
  UpdateEdit();
}

void TCustomGridGx::RowHeightsChanged() {
  UpdateScrollRange();
  UpdateEdit();
}

void TCustomGridGx::SizeChanged(int, int) { UpdateHorzScrollExtent(); }

// ---- counts -------------------------------------------------------------------------------------

void TCustomGridGx::SetColCount(int value) {
  if (value < 1) value = 1;
  if (value == colCount_) return;
  if (value <= fixedCols_) SetFixedCols(value - 1);
  if (contraColCount_ > 0)
    AdjustSize(std::min(value, colCount_), value - colCount_, false);
  else
    ChangeSize(value, rowCount_);
  if (options_.Contains(goRowSelect)) {
    anchor_.X = colCount_ - 1;
    Invalidate();
  }
}

void TCustomGridGx::SetRowCount(int value) {
  if (value < 1) value = 1;
  if (value == rowCount_) return;
  if (value <= fixedRows_) SetFixedRows(value - 1);
  if (contraRowCount_ > 0)
    AdjustSize(std::min(value, rowCount_), value - rowCount_, true);
  else
    ChangeSize(colCount_, value);
}

void TCustomGridGx::SetContraColCount(int value) {
  if (value < 0) GridError("FContraColCount can not be negative.");
  SetContraCounts(value, contraRowCount_);
}

void TCustomGridGx::SetContraRowCount(int value) {
  if (value < 0) GridError("FContraRowCount can not be negative.");
  SetContraCounts(contraColCount_, value);
}

void TCustomGridGx::SetContraCounts(int contraCols, int contraRows) {
  const int oldCols = contraColCount_, oldRows = contraRowCount_;
  CheckFullCount(colCount_, contraCols);
  CheckFullCount(rowCount_, contraRows);
  contraColCount_ = contraCols;
  contraRowCount_ = contraRows;
  try {
    if (!colWidths_.empty()) ResizeList(colWidths_, FullColCount(), defaultColWidth_);
    if (!tabStops_.empty()) ResizeList(tabStops_, FullColCount(), 1);
    if (!rowHeights_.empty()) ResizeList(rowHeights_, FullRowCount(), defaultRowHeight_);
  } catch (...) {
    contraColCount_ = oldCols;
    contraRowCount_ = oldRows;
    throw;
  }
  Invalidate();
  UpdateScrollRange();
  PlaceOpenEditor();
}

void TCustomGridGx::SetFixedCols(int value) {
  if (value < 0) GridError(kIndexOutOfRange);
  if (value >= colCount_) GridError(kFixedColTooBig);
  fixedCols_ = value;
  Initialize();
  LeaveEditorCell();
  Invalidate();
}

void TCustomGridGx::SetFixedRows(int value) {
  if (value < 0) GridError(kIndexOutOfRange);
  if (value >= rowCount_) GridError(kFixedRowTooBig);
  fixedRows_ = value;
  Initialize();
  LeaveEditorCell();
  Invalidate();
}

// The open editor keeps covering its cell when the geometry around it changes, and hides when the
// cell no longer shows.
void TCustomGridGx::PlaceOpenEditor() {
  if (inplaceEdit_ && inplaceEdit_->GetVisible() && inplaceCol_ == current_.X && inplaceRow_ == current_.Y)
    inplaceEdit_->UpdateLoc(CellRect(current_.X, current_.Y));
}

// The editor's cell is gone: its text has no cell to go to.
void TCustomGridGx::DropEditorCell() {
  inplaceCol_ = -1;
  inplaceRow_ = -1;
  if (inplaceEdit_) inplaceEdit_->Hide();
}

// The current cell moved (back to the first one, say): an editor still loaded for another cell
// hands its text to that cell and hides, so that nothing typed goes to a cell that is not current.
void TCustomGridGx::LeaveEditorCell() {
  if (inplaceCol_ != current_.X || inplaceRow_ != current_.Y) HideEdit();
}

void TCustomGridGx::SetFrozenCols(int value) {
  frozenCols_ = value;
  Invalidate();
}

void TCustomGridGx::SetFrozenRows(int value) {
  frozenRows_ = value;
  Invalidate();
}

TCustomGridGx::TSizeState TCustomGridGx::SaveSizeState(int colFrom, int rowFrom) const {
  TSizeState st{colCount_, rowCount_, fixedCols_, fixedRows_, colOffset_, horzPixelOffset_, current_, anchor_,
                topLeft_, static_cast<size_t>(std::max(0, colFrom)), static_cast<size_t>(std::max(0, rowFrom)),
                {}, {}, {}, !colWidths_.empty(), !tabStops_.empty(), !rowHeights_.empty()};
  auto tail = [](const std::vector<int32_t>& list, size_t from) {
    return from < list.size() ? std::vector<int32_t>(list.begin() + static_cast<std::ptrdiff_t>(from), list.end())
                              : std::vector<int32_t>{};
  };
  st.ColWidthsTail = tail(colWidths_, st.ColFrom);
  st.TabStopsTail = tail(tabStops_, st.ColFrom);
  st.RowHeightsTail = tail(rowHeights_, st.RowFrom);
  return st;
}

void TCustomGridGx::RestoreSizeState(TSizeState& st) {
  auto put = [](std::vector<int32_t>& list, bool had, size_t from, std::vector<int32_t>& tail) {
    if (!had) {
      list.clear();
      return;
    }
    list.resize(std::min(from, list.size()));
    list.insert(list.end(), tail.begin(), tail.end());
  };
  put(colWidths_, st.HadColWidths, st.ColFrom, st.ColWidthsTail);
  put(tabStops_, st.HadTabStops, st.ColFrom, st.TabStopsTail);
  put(rowHeights_, st.HadRowHeights, st.RowFrom, st.RowHeightsTail);
  colCount_ = st.ColCount;
  rowCount_ = st.RowCount;
  fixedCols_ = st.FixedCols;
  fixedRows_ = st.FixedRows;
  colOffset_ = st.ColOffset;
  horzPixelOffset_ = st.HorzPixelOffset;
  current_ = st.Current;
  anchor_ = st.Anchor;
  topLeft_ = st.TopLeft;
  Invalidate();
}

void TCustomGridGx::ChangeSize(int newColCount, int newRowCount) {
  const int oldColCount = colCount_, oldRowCount = rowCount_;
  const TGridCoord oldTopLeft = topLeft_;
  CheckFullCount(newColCount, contraColCount_);
  CheckFullCount(newRowCount, contraRowCount_);
  TGridDrawInfo oldInfo;
  CalcDrawInfo(oldInfo);
  TSizeState saved = SaveSizeState(std::min(FullColCount(), newColCount + contraColCount_),
                                   std::min(FullRowCount(), newRowCount + contraRowCount_));
  try {
    colCount_ = newColCount;
    rowCount_ = newRowCount;
    if (newColCount != 1) colOffset_ = 0;
    if (fixedCols_ >= newColCount) fixedCols_ = newColCount - 1;
    if (fixedRows_ >= newRowCount) fixedRows_ = newRowCount - 1;
    // Check every list before changing any, so that a refusal leaves them all as they were.
    if (FullColCount() >= kMaxListSize && (!colWidths_.empty() || !tabStops_.empty())) GridError(kGridTooLarge);
    if (FullRowCount() >= kMaxListSize && !rowHeights_.empty()) GridError(kGridTooLarge);
    if (!colWidths_.empty()) ResizeList(colWidths_, FullColCount(), defaultColWidth_);
    if (!tabStops_.empty()) ResizeList(tabStops_, FullColCount(), 1);
    if (!rowHeights_.empty()) ResizeList(rowHeights_, FullRowCount(), defaultRowHeight_);
    if (inplaceCol_ >= colCount_ || inplaceRow_ >= rowCount_) DropEditorCell();
    // The first shown cell comes inside before the current cell moves: a row-select grid takes
    // its current column from it.
    if (topLeft_.X >= colCount_ || topLeft_.Y >= rowCount_) {
      topLeft_ = {std::clamp(topLeft_.X, fixedCols_, colCount_ - 1), std::clamp(topLeft_.Y, fixedRows_, rowCount_ - 1)};
      if (topLeft_.X != oldTopLeft.X) horzPixelOffset_ = 0;
    }
    TGridCoord clamped{std::min(current_.X, colCount_ - 1), std::min(current_.Y, rowCount_ - 1)};
    if (!(clamped == current_)) MoveCurrent(clamped.X, clamped.Y, true, true);
    TGridCoord anchorClamped{std::min(anchor_.X, colCount_ - 1), std::min(anchor_.Y, rowCount_ - 1)};
    if (!(anchorClamped == anchor_)) MoveAnchor(anchorClamped, true);
    if (!fullRepaintOnResize_ && topLeft_ == oldTopLeft && HandleAllocated()) {
      TGridDrawInfo info;
      CalcDrawInfo(info);
      int col = std::min(oldInfo.Horz.LastFullVisibleCell, info.Horz.LastFullVisibleCell);
      int row = std::min(oldInfo.Vert.LastFullVisibleCell, info.Vert.LastFullVisibleCell);
      TRect colRect = BoxRectEx(col, 0, col, 0, false, oldInfo);
      TRect rowRect = BoxRectEx(0, row, 0, row, false, oldInfo);
      TRect strip(colRect.IsEmpty() ? 0 : colRect.Left, 0, Width(), Height());
      WindowsInvalidateRect(Handle(), &strip, false);
      strip = TRect(0, rowRect.IsEmpty() ? 0 : rowRect.Top, Width(), Height());
      WindowsInvalidateRect(Handle(), &strip, false);
    } else {
      Invalidate();
    }
  } catch (...) {
    RestoreSizeState(saved);
    throw;
  }
  UpdateScrollRange();
  SizeChanged(oldColCount, oldRowCount);
  LeaveEditorCell();
  PlaceOpenEditor();
}

void TCustomGridGx::AdjustList(std::vector<int32_t>& list, int index, int amount, int32_t fill) {
  if (list.empty()) return;
  ResizeList(list, static_cast<int>(list.size()) + amount, fill);
  std::fill(list.begin() + std::min<size_t>(index, list.size()), list.end(), fill);
}

void TCustomGridGx::AdjustSize(int index, int amount, bool rows) {
  const int oldColCount = colCount_, oldRowCount = rowCount_;
  int& count = rows ? rowCount_ : colCount_;
  const int64_t wanted = static_cast<int64_t>(count) + amount;
  if (wanted > std::numeric_limits<int32_t>::max()) GridError(kGridTooLarge);
  const int newCount = static_cast<int>(wanted);
  if (index < 0 || index > newCount || newCount < 1) GridError(kTooManyDeleted);
  CheckFullCount(newCount, rows ? contraRowCount_ : contraColCount_);
  const int full = newCount + (rows ? contraRowCount_ : contraColCount_);
  if (full >= kMaxListSize && (rows ? !rowHeights_.empty() : (!colWidths_.empty() || !tabStops_.empty())))
    GridError(kGridTooLarge);
  TSizeState saved = SaveSizeState(rows ? FullColCount() : index, rows ? index : FullRowCount());
  try {
    if (rows) {
      AdjustList(rowHeights_, index, amount, defaultRowHeight_);
    } else {
      AdjustList(colWidths_, index, amount, defaultColWidth_);
      AdjustList(tabStops_, index, amount, 1);
    }
    count = newCount;
    int& fixed = rows ? fixedRows_ : fixedCols_;
    if (fixed >= newCount) fixed = newCount - 1;
    auto follow = [&](int cur) {
      if (amount > 0) {
        if (cur >= index) cur += amount;
      } else if (cur >= index - amount) {
        cur += amount;
      } else if (cur >= index) {
        cur = index;
      }
      return std::clamp(cur, 0, newCount - 1);
    };
    TGridCoord newCurrent = current_;
    (rows ? newCurrent.Y : newCurrent.X) = follow(rows ? current_.Y : current_.X);
    int& anchorAxis = rows ? anchor_.Y : anchor_.X;
    anchorAxis = follow(anchorAxis);
    // The editor's cell moves with its cell, or is gone with it.
    int& editAxis = rows ? inplaceRow_ : inplaceCol_;
    if (editAxis >= 0) {
      if (amount < 0 && editAxis >= index && editAxis < index - amount)
        DropEditorCell();
      else
        editAxis = follow(editAxis);
    }
    int& topAxis = rows ? topLeft_.Y : topLeft_.X;
    const int oldTop = topAxis;
    topAxis = std::clamp(topAxis, fixed, newCount - 1);
    if (!rows && topAxis != oldTop) horzPixelOffset_ = 0;
    // The cells from the change on move; repainting them is simpler than scrolling them.
    Invalidate();
    SizeChanged(oldColCount, oldRowCount);
    if (!(newCurrent == current_)) MoveCurrent(newCurrent.X, newCurrent.Y, true, true);
  } catch (...) {
    RestoreSizeState(saved);
    throw;
  }
  UpdateScrollRange();
  LeaveEditorCell();
  PlaceOpenEditor();
}

// ---- moving columns and rows --------------------------------------------------------------------

void TCustomGridGx::MoveListEntry(std::vector<int32_t>& list, int fromIndex, int toIndex) {
  if (list.empty() || fromIndex >= static_cast<int>(list.size()) || toIndex >= static_cast<int>(list.size())) return;
  if (fromIndex < toIndex)
    std::rotate(list.begin() + fromIndex, list.begin() + fromIndex + 1, list.begin() + toIndex + 1);
  else
    std::rotate(list.begin() + toIndex, list.begin() + fromIndex, list.begin() + fromIndex + 1);
}

void TCustomGridGx::MoveCellAxis(int fromIndex, int toIndex, bool rows) {
  const int full = rows ? FullRowCount() : FullColCount();
  if (fromIndex < 0 || toIndex < 0 || fromIndex >= full || toIndex >= full) GridError(kIndexOutOfRange);
  if (fromIndex == toIndex) return;
  if (rows) {
    MoveListEntry(rowHeights_, fromIndex, toIndex);
  } else {
    MoveListEntry(colWidths_, fromIndex, toIndex);
    MoveListEntry(tabStops_, fromIndex, toIndex);
  }
  // The current cell follows its cell, but never into the contra run: it stops at the last
  // scrolling cell.
  const int last = (rows ? rowCount_ : colCount_) - 1;
  auto follow = [&](int c) {
    if (c == fromIndex) return std::min(toIndex, last);
    if (fromIndex < toIndex && c > fromIndex && c <= toIndex) return std::min(c - 1, last);
    if (fromIndex > toIndex && c >= toIndex && c < fromIndex) return std::min(c + 1, last);
    return c;
  };
  if (rows) {
    current_.Y = follow(current_.Y);
    anchor_.Y = follow(anchor_.Y);
    if (inplaceRow_ >= 0) inplaceRow_ = follow(inplaceRow_);
    InvalidateBox(0, std::min(fromIndex, toIndex), FullColCount() - 1, std::max(fromIndex, toIndex));
    RowMoved(fromIndex, toIndex);
    if (!rowHeights_.empty()) RowHeightsChanged();
  } else if (options_.Contains(goRowSelect)) {
    // A selected row spans every column whatever their order: from the current column to the last.
    anchor_.X = colCount_ - 1;
    InvalidateBox(std::min(fromIndex, toIndex), 0, std::max(fromIndex, toIndex), FullRowCount() - 1);
    ColumnMoved(fromIndex, toIndex);
    if (!colWidths_.empty()) ColWidthsChanged();
  } else {
    current_.X = follow(current_.X);
    anchor_.X = follow(anchor_.X);
    if (inplaceCol_ >= 0) inplaceCol_ = follow(inplaceCol_);
    InvalidateBox(std::min(fromIndex, toIndex), 0, std::max(fromIndex, toIndex), FullRowCount() - 1);
    ColumnMoved(fromIndex, toIndex);
    if (!colWidths_.empty()) ColWidthsChanged();
  }
  UpdateEdit();
}

void TCustomGridGx::MoveColumn(int fromIndex, int toIndex) { MoveCellAxis(fromIndex, toIndex, false); }
void TCustomGridGx::MoveRow(int fromIndex, int toIndex) { MoveCellAxis(fromIndex, toIndex, true); }
void TCustomGridGx::ColumnMoved(int, int) {}
void TCustomGridGx::RowMoved(int, int) {}

void TCustomGridGx::DeleteColumn(int col) {
  MoveColumn(col, colCount_ - 1);
  SetColCount(colCount_ - 1);
}

// The row that takes the deleted row's place becomes current (the last data row when the deleted
// row was the last), never a title row and never a row before the first.
void TCustomGridGx::DeleteRow(int row) {
  BeginUpdate();
  try {
    const bool wasCurrent = row == current_.Y;
    const int oldTop = topLeft_.Y;
    MoveRow(row, rowCount_ - 1);
    SetRowCount(rowCount_ - 1);
    if (wasCurrent) {
      int target = std::clamp(row, fixedRows_, rowCount_ - 1);
      if (target != current_.Y) MoveCurrent(current_.X, target, true, true);
    }
    // The rows above the deleted one stay where they were (the deleted row passing through the
    // last row on its way out must not leave the view scrolled), as far as the current row is
    // still shown and the rows below fill the view.
    if (topLeft_.Y != oldTop && oldTop >= fixedRows_ && current_.Y >= oldTop &&
        current_.Y < oldTop + std::max(1, GetVisibleRowCount())) {
      TGridDrawInfo info;
      CalcDrawInfo(info);
      const int top = std::min(oldTop, CalcMaxTopLeft(TGridCoord{topLeft_.X, rowCount_ - 1}, info).Y);
      if (top != topLeft_.Y) MoveTopLeft(topLeft_.X, top);
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

// ---- properties ---------------------------------------------------------------------------------

void TCustomGridGx::SetCol(int value) {
  if (value != current_.X) FocusCell(value, current_.Y, true);
}

void TCustomGridGx::SetRow(int value) {
  if (value != current_.Y) FocusCell(current_.X, value, true);
}

void TCustomGridGx::SetLeftCol(int value) {
  if (value != topLeft_.X) MoveTopLeft(value, topLeft_.Y);
}

void TCustomGridGx::SetTopRow(int value) {
  if (value != topLeft_.Y) MoveTopLeft(topLeft_.X, value);
}

void TCustomGridGx::SetFixedColor(TColor value) {
  if (value == fixedColor_) return;
  fixedColor_ = value;
  Invalidate();
}

void TCustomGridGx::SetBorderStyle(TBorderStyle value) { SetAndRecreate(borderStyle_, value); }

void TCustomGridGx::SetScrollBars(TScrollStyle value) { SetAndRecreate(scrollBars_, value); }

void TCustomGridGx::SetFlat(bool value) {
  if (value == flat_) return;
  flat_ = value;
  UpdateFlatLineColor();
  FlatChanged();
  Invalidate();
}

void TCustomGridGx::UpdateFlatLineColor() { flatLineColor_ = flat_ ? clGray : static_cast<TColor>(0); }

void TCustomGridGx::SetOptions(TGridOptions value) {
  if (value == options_) return;
  if (value.Contains(goRowSelect)) value.Exclude(goAlwaysShowEditor);
  options_ = value;
  // Pixel offsets belong to row-select scrolling only.
  if (!IsSmoothHorzScroll()) horzPixelOffset_ = 0;
  if (!editorMode_) {
    if (options_.Contains(goAlwaysShowEditor))
      ShowEditor();
    else
      HideEditor();
  } else if (!options_.Contains(goEditing)) {
    HideEditor();  // a grid that no longer edits keeps no editor open to type into
  }
  if (options_.Contains(goRowSelect)) {
    MoveCurrent(current_.X, current_.Y, true, false);
    UpdateHorzScrollExtent();
  }
  UpdateScrollRange();
  Invalidate();
  PlaceOpenEditor();
}

void TCustomGridGx::SetEditorMode(bool value) {
  if (!value) {
    HideEditor();
  } else {
    ShowEditor();
    if (inplaceEdit_) inplaceEdit_->Deselect();
  }
}

// ---- movement -----------------------------------------------------------------------------------

void TCustomGridGx::FocusCell(int col, int row, bool moveAnchor) {
  MoveCurrent(col, row, moveAnchor, true);
  UpdateEdit();
  Click();
}

void TCustomGridGx::MoveCurrent(int col, int row, bool moveAnchor, bool show) {
  if (col < 0 || row < 0 || col >= colCount_ || row >= rowCount_) GridError(kIndexOutOfRange);
  if (!SelectCell(col, row)) return;
  const TGridRect oldSel = Selection();
  const TGridCoord oldCurrent = current_;
  current_ = {col, row};
  if (!options_.Contains(goAlwaysShowEditor)) HideEditor();
  if (moveAnchor || !options_.Contains(goRangeSelect)) {
    anchor_ = current_;
    if (options_.Contains(goRowSelect)) anchor_.X = colCount_ - 1;
  }
  if (options_.Contains(goRowSelect)) current_.X = topLeft_.X;
  if (show) ClampInView(current_);
  SelectionMoved(oldSel);
  InvalidateCell(oldCurrent.X, oldCurrent.Y);
  InvalidateCell(current_.X, current_.Y);
  CurrentMoved(oldCurrent);
}

void TCustomGridGx::MoveAnchor(TGridCoord newAnchor, bool show) {
  if (options_.Contains(goRangeSelect) && !options_.Contains(goEditing)) {
    const TGridRect oldSel = Selection();
    anchor_ = newAnchor;
    if (options_.Contains(goRowSelect)) anchor_.X = colCount_ - 1;
    if (show) ClampInView(newAnchor);
    SelectionMoved(oldSel);
  } else {
    MoveCurrent(newAnchor.X, newAnchor.Y, true, show);
  }
}

void TCustomGridGx::ClampInView(TGridCoord coord) {
  if (!HandleAllocated()) return;
  TGridDrawInfo info;
  CalcDrawInfo(info);
  if (coord.X >= topLeft_.X && coord.X <= info.Horz.LastFullVisibleCell && coord.Y >= topLeft_.Y &&
      coord.Y <= info.Vert.LastFullVisibleCell)
    return;
  const TGridCoord old = topLeft_;
  Update();
  TGridCoord maxTopLeft = CalcMaxTopLeft(coord, info);
  if (coord.X < topLeft_.X && coord.X >= fixedCols_)
    topLeft_.X = coord.X;
  else if (coord.X > info.Horz.LastFullVisibleCell)
    topLeft_.X = maxTopLeft.X;
  if (coord.Y < topLeft_.Y && coord.Y >= fixedRows_)
    topLeft_.Y = coord.Y;
  else if (coord.Y > info.Vert.LastFullVisibleCell)
    topLeft_.Y = maxTopLeft.Y;
  if (!(old == topLeft_)) TopLeftMoved(old);
}

void TCustomGridGx::MoveTopLeft(int left, int top) {
  if (left == topLeft_.X && top == topLeft_.Y) return;
  Update();
  const TGridCoord old = topLeft_;
  topLeft_ = {left, top};
  TopLeftMoved(old);
}

namespace {

// Pixels between the starts of two cells of an axis (positive when `to` lies after `from`); the
// walk stops once it passes `limit`, so that a jump across a million rows costs no more than a
// screen's worth.
int AxisDistance(const TGridAxisDrawInfo& a, int from, int to, int limit) {
  int lo = std::min(from, to), hi = std::max(from, to), sum = 0;
  for (int i = lo; i < hi && sum <= limit; ++i) sum += a.Extent(i) + a.EffectiveLineWidth;
  return from <= to ? sum : -sum;
}

}  // namespace

void TCustomGridGx::TopLeftMoved(TGridCoord oldTopLeft) {
  UpdateScrollPos();
  TGridDrawInfo info;
  CalcDrawInfo(info);
  const int horzLimit = info.Horz.GridBoundary - info.Horz.FixedBoundary;
  const int vertLimit = info.Vert.GridBoundary - info.Vert.FixedBoundary;
  int dx = AxisDistance(info.Horz, topLeft_.X, oldTopLeft.X, horzLimit);
  int dy = AxisDistance(info.Vert, topLeft_.Y, oldTopLeft.Y, vertLimit);
  const bool whole = std::abs(dx) > horzLimit || std::abs(dy) > vertLimit;
  if (horzPixelOffset_ != 0 && oldTopLeft.X != topLeft_.X) {
    dx += horzPixelOffset_;
    horzPixelOffset_ = 0;
  }
  if (whole)
    Invalidate();
  else if (dx != 0 || dy != 0)
    ScrollData(dx, dy);
  TopLeftChanged();
}

void TCustomGridGx::TopLeftChanged() { UpdateEditLoc(); }

// An editor not loaded for the current cell (hidden by a press elsewhere, or left on another cell)
// is loaded again before it shows: what is typed into it must reach the current cell.
void TCustomGridGx::UpdateEditLoc() {
  if (!editorMode_ || !inplaceEdit_) return;
  if (inplaceCol_ == current_.X && inplaceRow_ == current_.Y)
    inplaceEdit_->UpdateLoc(CellRect(current_.X, current_.Y));
  else
    UpdateEdit();
}

// ---- invalidation -------------------------------------------------------------------------------

void TCustomGridGx::InvalidateBox(int left, int top, int right, int bottom) {
  if (!HandleAllocated()) return;
  TGridDrawInfo info;
  CalcDrawInfo(info);
  TRect r = BoxRectEx(left, top, right, bottom, true, info);
  if (!r.IsEmpty()) WindowsInvalidateRect(WindowHandle(), &r, false);
}

void TCustomGridGx::InvalidateCell(int col, int row) { InvalidateBox(col, row, col, row); }

void TCustomGridGx::InvalidateCol(int col) {
  if (!HandleAllocated()) return;
  InvalidateBox(col, 0, col, topLeft_.Y + GetVisibleRowCount() + 1);
  if (contraRowCount_ > 0) InvalidateBox(col, rowCount_, col, FullRowCount() - 1);
}

void TCustomGridGx::InvalidateRow(int row) {
  if (!HandleAllocated()) return;
  InvalidateBox(0, row, topLeft_.X + GetVisibleColCount() + 1, row);
  if (contraColCount_ > 0) InvalidateBox(colCount_, row, FullColCount() - 1, row);
}

void TCustomGridGx::InvalidateGridRect(const TGridRect& rect) {
  InvalidateBox(rect.Left, rect.Top, rect.Right, rect.Bottom);
}

void TCustomGridGx::SelectionMoved(const TGridRect& oldSel) {
  if (!HandleAllocated()) return;
  TGridDrawInfo info;
  CalcDrawInfo(info);
  const TGridRect sel = Selection();
  TRect a = BoxRectEx(oldSel.Left, oldSel.Top, oldSel.Right, oldSel.Bottom, true, info);
  TRect b = BoxRectEx(sel.Left, sel.Top, sel.Right, sel.Bottom, true, info);
  HWND wnd = WindowHandle();
  TRect inter;
  if (a.IsEmpty() || b.IsEmpty() || !IntersectRect(inter, a, b)) {
    if (!a.IsEmpty()) WindowsInvalidateRect(wnd, &a, false);
    if (!b.IsEmpty()) WindowsInvalidateRect(wnd, &b, false);
    return;
  }
  // At most four bands between the edges that moved.
  const int top = std::min(a.Top, b.Top), bottom = std::max(a.Bottom, b.Bottom);
  const int left = std::min(a.Left, b.Left), right = std::max(a.Right, b.Right);
  TRect band;
  if (a.Left != b.Left) {
    band = TRect(left, top, std::max(a.Left, b.Left), bottom);
    WindowsInvalidateRect(wnd, &band, false);
  }
  if (a.Right != b.Right) {
    band = TRect(std::min(a.Right, b.Right), top, right, bottom);
    WindowsInvalidateRect(wnd, &band, false);
  }
  if (a.Top != b.Top) {
    band = TRect(left, top, right, std::max(a.Top, b.Top));
    WindowsInvalidateRect(wnd, &band, false);
  }
  if (a.Bottom != b.Bottom) {
    band = TRect(left, std::min(a.Bottom, b.Bottom), right, bottom);
    WindowsInvalidateRect(wnd, &band, false);
  }
}

// ---- editor hand-off ----------------------------------------------------------------------------

bool TCustomGridGx::IsActiveControl() {
  TCustomForm* form = ::GetParentForm(this);
  if (form) return form->ActiveControl() == this;
  HWND focus = GetFocus();
  HWND mine = WindowHandle();
  if (!mine) return false;
  for (HWND w = focus; w; w = GetParent(w))
    if (w == mine) return true;
  return false;
}

bool TCustomGridGx::CanEditShow() {
  return options_.Contains(goEditing) && !options_.Contains(goRowSelect) && editorMode_ && !InDesigner() &&
         HandleAllocated() && (options_.Contains(goAlwaysShowEditor) || IsActiveControl());
}

bool TCustomGridGx::CanEditAcceptKey(char16_t) { return true; }
bool TCustomGridGx::CanGridAcceptKey(uint16_t, TShiftState) { return true; }
bool TCustomGridGx::CanEditModify() { return canEditModify_; }
std::string TCustomGridGx::GetEditText(int, int) { return {}; }
std::string TCustomGridGx::GetEditMask(int, int) { return {}; }
int TCustomGridGx::GetEditLimit() { return 0; }
void TCustomGridGx::SetEditText(int, int, const std::string&) {}

void TCustomGridGx::ShowEditor() {
  editorMode_ = true;
  UpdateEdit();
}

void TCustomGridGx::HideEditor() {
  editorMode_ = false;
  HideEdit();
}

void TCustomGridGx::ShowEditorChar(char16_t ch) {
  ShowEditor();
  if (inplaceEdit_ && inplaceEdit_->HandleAllocated())
    PostMessage(inplaceEdit_->WindowHandle(), WM_CHAR, static_cast<WPARAM>(ch), 0);
}

void TCustomGridGx::UpdateEdit() {
  if (!CanEditShow()) return;
  bool reload = false;
  if (!inplaceEdit_) {
    inplaceEdit_ = CreateEditor();
    inplaceEdit_->SetGrid(this);
    inplaceEdit_->SetParent(this);
    reload = true;
  } else if (inplaceCol_ != current_.X || inplaceRow_ != current_.Y) {
    HideEdit();
    reload = true;
  }
  if (reload) {
    inplaceCol_ = current_.X;
    inplaceRow_ = current_.Y;
    inplaceEdit_->UpdateContents();
    canEditModify_ = inplaceEdit_->EditLimit() != -1;
    inplaceEdit_->SelectAll();
  }
  if (CanEditShow()) inplaceEdit_->Move(CellRect(current_.X, current_.Y));
}

void TCustomGridGx::UpdateText() {
  if (inplaceEdit_ && inplaceCol_ != -1 && inplaceRow_ != -1)
    SetEditText(inplaceCol_, inplaceRow_, inplaceEdit_->Text());
}

void TCustomGridGx::HideEdit() {
  if (!inplaceEdit_) return;
  UpdateText();
  inplaceCol_ = -1;
  inplaceRow_ = -1;
  inplaceEdit_->Hide();
}

void TCustomGridGx::InvalidateEditor() {
  inplaceCol_ = -1;
  inplaceRow_ = -1;
  UpdateEdit();
}

void TCustomGridGx::DoExit() {
  TCustomControl::DoExit();
  if (!options_.Contains(goAlwaysShowEditor)) HideEditor();
}

// ---- streaming ----------------------------------------------------------------------------------

void TCustomGridGx::DefineProperties(TFiler& filer) {
  TCustomControl::DefineProperties(filer);
  if (!saveCellExtents_) return;
  auto* ancestor = dynamic_cast<TCustomGridGx*>(filer.Ancestor());
  auto differs = [&](const std::vector<int32_t>& mine, bool rows) {
    if (mine.empty()) return false;
    if (!ancestor) return true;
    const std::vector<int32_t>& theirs = rows ? ancestor->rowHeights_ : ancestor->colWidths_;
    return mine != theirs;
  };
  filer.DefineProperty(
      "ColWidths",
      [this](TReader& reader) {
        reader.ReadListBegin();
        for (int i = 0; !reader.EndOfList(); ++i) SetColWidths(i, reader.ReadInteger());
        reader.ReadListEnd();
      },
      [this](TWriter& writer) {
        writer.WriteListBegin();
        for (int i = 0; i < colCount_; ++i) writer.WriteInteger(GetColWidths(i));
        writer.WriteListEnd();
      },
      differs(colWidths_, false));
  filer.DefineProperty(
      "RowHeights",
      [this](TReader& reader) {
        reader.ReadListBegin();
        for (int i = 0; !reader.EndOfList(); ++i) SetRowHeights(i, reader.ReadInteger());
        reader.ReadListEnd();
      },
      [this](TWriter& writer) {
        writer.WriteListBegin();
        for (int i = 0; i < rowCount_; ++i) writer.WriteInteger(GetRowHeights(i));
        writer.WriteListEnd();
      },
      differs(rowHeights_, true));
}
