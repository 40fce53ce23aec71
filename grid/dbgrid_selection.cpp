// The grid's selection: whole records (bookmarks), a rectangle of cells between two corners,
// a set of columns, or everything.
#include <algorithm>

#include "grid/dbgrid.h"
#include "grid/inplaceedit.h"
#include "editors/tools/gxplatform.h"

FANO_IMPLEMENT_CLASS_WITH(TDBGridGxSelection, TObject, nullptr)

// ---------------------------------------------------------------- TDBGridGxSelection

TDBGridGxSelection::TDBGridGxSelection(TCustomDBGridGx* grid) : grid_(grid), columns_(grid), rect_(grid) {}

TDBGridGxSelection::~TDBGridGxSelection() = default;

TBookmarkListGx* TDBGridGxSelection::Rows() const { return grid_->SelectedRows(); }

void TDBGridGxSelection::SelectionChanged() {
  if (grid_->InState(csDestroying)) return;
  if (grid_->DBUpdateCount() > 0) {
    grid_->SetSelectionChangedPending();
    return;
  }
  if (grid_->OnSelectionChanged) grid_->OnSelectionChanged(grid_);
}

void TDBGridGxSelection::SetSelectionType(TDBGridGxSelectionType value) {
  if (value == type_) return;
  type_ = value;
  grid_->InvalidateEditor();
}

bool TDBGridGxSelection::IsCellSelected(int col, const std::string& bookmark) const {
  switch (type_) {
    case gstRecordBookmarks: return Rows() && Rows()->IndexOf(bookmark) >= 0;
    case gstRectangle: return col >= 0 && rect_.CellSelected(col, bookmark);
    case gstColumns: {
      if (col < 0) return false;
      TColumnGx* c = grid_->ColumnAt(grid_->RawToDataColumn(col));
      return c && columns_.IndexOf(c) >= 0;
    }
    case gstAll: return true;
    case gstNon: return false;
  }
  return false;
}

void TDBGridGxSelection::Clear() {
  switch (type_) {
    case gstRecordBookmarks: Rows()->Clear(); break;
    case gstRectangle: rect_.Clear(); break;
    case gstColumns: columns_.Clear(); break;
    case gstAll: grid_->Invalidate(); break;
    case gstNon: break;
  }
  SetSelectionType(gstNon);
  // The editor hidden for the selection left editor mode: showing asks again whether it can.
  if (grid_->DBOptions().Contains(dgAlwaysShowEditor) && grid_->HandleAllocated()) grid_->ShowEditor();
}

void TDBGridGxSelection::SelectAll() {
  if (type_ == gstAll) return;
  if (type_ != gstNon) Clear();
  SetSelectionType(gstAll);
  grid_->Invalidate();
  SelectionChanged();
}

void TDBGridGxSelection::UpdateState() {
  if ((type_ == gstRecordBookmarks && Rows()->Count() == 0) || (type_ == gstColumns && columns_.Count() == 0)) {
    SetSelectionType(gstNon);
    grid_->Invalidate();
  }
}

TGridRect TDBGridGxSelection::GetDataCellRect() {
  switch (type_) {
    case gstRecordBookmarks: return Rows()->SelectedRowsRect();
    case gstRectangle: return rect_.GetBounds();
    case gstColumns: {
      if (columns_.Count() == 0) return TGridRect{-1, -1, -1, -1};
      int lo = -1, hi = -1;
      for (int i = 0; i < columns_.Count(); ++i) {
        const int raw = columns_.Items(i)->GridColumnIndex();
        if (raw < 0) continue;
        if (lo < 0 || raw < lo) lo = raw;
        if (raw > hi) hi = raw;
      }
      return TGridRect{lo, 0, hi, grid_->RowCount()};
    }
    case gstAll: return TGridRect{0, 0, grid_->ColCount(), grid_->RowCount()};
    case gstNon: break;
  }
  return TGridRect{-1, -1, -1, -1};
}

void TDBGridGxSelection::LinkActive(bool value) {
  Rows()->Clear();
  Rows()->SetLinkActive(value);
  Clear();
}

// ---------------------------------------------------------------- columns

TDBGridGxSelection& TDBGridGxSelectionCols::Owner() const { return *grid_->Selection(); }

int TDBGridGxSelectionCols::IndexOf(const TColumnGx* c) const {
  auto it = std::find(list_.begin(), list_.end(), c);
  return it == list_.end() ? -1 : static_cast<int>(it - list_.begin());
}

void TDBGridGxSelectionCols::Add(TColumnGx* column) {
  auto it = std::find_if(list_.begin(), list_.end(), [&](TColumnGx* c) { return c->Index() > column->Index(); });
  list_.insert(it, column);
}

void TDBGridGxSelectionCols::Remove(TColumnGx* column) {
  list_.erase(std::remove(list_.begin(), list_.end(), column), list_.end());
  dragList_.erase(std::remove(dragList_.begin(), dragList_.end(), column), dragList_.end());
  if (anchor_ == column) anchor_ = nullptr;
  if (shift_ == column) shift_ = nullptr;
}

void TDBGridGxSelectionCols::Select(TColumnGx* column, bool addSel) {
  TDBGridGxSelection& s = Owner();
  if (s.SelectionType() != gstColumns && s.SelectionType() != gstNon) s.Clear();
  if (!addSel) Clear();
  if (IndexOf(column) < 0) {
    Add(column);
    grid_->InvalidateCol(column->GridColumnIndex());
  }
  anchor_ = shift_ = column;
  s.SetSelectionType(gstColumns);
  dragList_.clear();
  s.SelectionChanged();
}

void TDBGridGxSelectionCols::InvertSelect(TColumnGx* column) {
  TDBGridGxSelection& s = Owner();
  if (s.SelectionType() != gstColumns && s.SelectionType() != gstNon) s.Clear();
  if (IndexOf(column) >= 0) list_.erase(list_.begin() + IndexOf(column));
  else Add(column);
  grid_->InvalidateCol(column->GridColumnIndex());
  anchor_ = shift_ = column;
  s.SetSelectionType(list_.empty() ? gstNon : gstColumns);
  dragList_.clear();
  s.SelectionChanged();
}

void TDBGridGxSelectionCols::SelectShift(TColumnGx* column) {
  TDBGridGxSelection& s = Owner();
  if (!anchor_) {
    Select(column, true);
    return;
  }
  // An anchor left by a column list emptied with Ctrl outlives a later selection of rows or cells:
  // that one goes, or its rows would stay marked under the columns.
  if (s.SelectionType() != gstColumns && s.SelectionType() != gstNon) s.Clear();
  // Positions are the columns' own: an anchor column hidden since still marks where the range starts;
  // only visible columns join it.
  TDBGridColumnsGx* all = grid_->Columns();
  auto pos = [&](TColumnGx* c) { return c && c->Collection() == all ? c->Index() : -1; };
  const int a = pos(anchor_), newEnd = pos(column);
  if (a < 0 || newEnd < 0) return;
  const int lo = std::min(a, newEnd), hi = std::max(a, newEnd);
  // Columns this drag added that now lie outside the range go again.
  for (size_t i = 0; i < dragList_.size();) {
    TColumnGx* c = dragList_[i];
    const int p = pos(c);
    if (p < lo || p > hi) {
      list_.erase(std::remove(list_.begin(), list_.end(), c), list_.end());
      dragList_.erase(dragList_.begin() + static_cast<ptrdiff_t>(i));
      grid_->InvalidateCol(c->GridColumnIndex());
      s.SelectionChanged();
    } else {
      ++i;
    }
  }
  for (int p = lo; p <= hi; ++p) {
    TColumnGx* c = all->Items(p);
    if (c->Visible() && IndexOf(c) < 0) {
      Add(c);
      dragList_.push_back(c);
      grid_->InvalidateCol(c->GridColumnIndex());
      s.SelectionChanged();
    }
  }
  shift_ = column;
  s.SetSelectionType(list_.empty() ? gstNon : gstColumns);
}

void TDBGridGxSelectionCols::Clear() {
  for (TColumnGx* c : list_) grid_->InvalidateCol(c->GridColumnIndex());
  list_.clear();
  anchor_ = nullptr;
  Owner().SelectionChanged();
}

void TDBGridGxSelectionCols::Refresh() {
  list_.erase(std::remove_if(list_.begin(), list_.end(),
                             [&](TColumnGx* c) {
                               for (int i = 0; i < grid_->Columns()->Count(); ++i)
                                 if (grid_->Columns()->Items(i) == c) return false;
                               return true;
                             }),
              list_.end());
  std::sort(list_.begin(), list_.end(), [](TColumnGx* a, TColumnGx* b) { return a->Index() < b->Index(); });
}

// ---------------------------------------------------------------- rectangle

bool TDBGridGxSelectionRect::DataSetActive() const {
  return grid_->DataSource() && grid_->DataSet() && grid_->DataLink()->Active();
}

int TDBGridGxSelectionRect::Compare(const std::string& a, const std::string& b) const {
  TDataSet* ds = grid_->DataSet();
  if (!ds) return a.compare(b) < 0 ? -1 : a == b ? 0 : 1;
  return DataSetCompareBookmarks(ds, a, b);
}

// The corners mean something only against an open dataset: asked without one, they raise.
std::string TDBGridGxSelectionRect::TopRow() const {
  if (!DataSetActive()) RaiseGridError("Error in TDBGridGxSelectionRect.GetTopRow");
  return Compare(shiftBookmark_, anchorBookmark_) < 0 ? shiftBookmark_ : anchorBookmark_;
}

std::string TDBGridGxSelectionRect::BottomRow() const {
  if (!DataSetActive()) RaiseGridError("Error in TDBGridGxSelectionRect.GetBottomRow");
  return Compare(shiftBookmark_, anchorBookmark_) > 0 ? shiftBookmark_ : anchorBookmark_;
}

int TDBGridGxSelectionRect::LeftCol() const {
  if (!DataSetActive()) RaiseGridError("Error in TDBGridGxSelectionRect.GetLeftCol");
  return std::min(anchorCol_, shiftCol_);
}

int TDBGridGxSelectionRect::RightCol() const {
  if (!DataSetActive()) RaiseGridError("Error in TDBGridGxSelectionRect.GetRightCol");
  return std::max(anchorCol_, shiftCol_);
}

bool TDBGridGxSelectionRect::CellSelected(int col, const std::string& bookmark) const {
  if (!DataSetActive()) RaiseGridError("Error in function TDBGridGxSelectionRect.CellSelected");
  if (anchorCol_ < 0 || bookmark.empty()) return false;
  return Compare(TopRow(), bookmark) <= 0 && Compare(bookmark, BottomRow()) <= 0 && LeftCol() <= col &&
         col <= RightCol();
}

int TDBGridGxSelectionRect::RowOfBookmark(const std::string& bookmark) const {
  if (bookmark.empty()) return -1;
  if (IMemTableGx* mt = grid_->MemTable()) {
    const int r = mt->BookmarkToRowIndex(bookmark);
    if (r < 0) return -1;
    const int row = r + grid_->GetTitleOffset();
    if (row < grid_->TopRow() || row > grid_->TopRow() + grid_->VisibleRowCount()) return -1;
    return row;
  }
  for (int i = 0; i < grid_->DataLink()->RecordCount(); ++i) {
    const int row = grid_->GetTitleOffset() + i;
    if (grid_->RowBookmark(row) == bookmark) return row;
  }
  return -1;
}

TGridRect TDBGridGxSelectionRect::GetBounds() const {
  if (!DataSetActive() || anchorCol_ < 0) return TGridRect{-1, -1, -1, -1};
  const int top = RowOfBookmark(TopRow());
  const int bottom = RowOfBookmark(BottomRow());
  if (top < 0 || bottom < 0) return TGridRect{-1, -1, -1, -1};
  return TGridRect{LeftCol(), top, RightCol(), bottom};
}

TGridRect TDBGridGxSelectionRect::VisibleBox() const {
  const TGridRect none{-1, -1, -1, -1};
  if (grid_->Selection()->SelectionType() != gstRectangle || !DataSetActive() || anchorCol_ < 0) return none;
  const std::string topMark = TopRow(), bottomMark = BottomRow();
  int top = -1, bottom = -1;
  if (IMemTableGx* mt = grid_->MemTable()) {
    const int first = grid_->TopRow();
    const int last = std::min(first + grid_->VisibleRowCount(), grid_->RowCount() - 1);
    const int t = mt->BookmarkToRowIndex(topMark), b = mt->BookmarkToRowIndex(bottomMark);
    if (t < 0 || b < 0) return none;
    top = std::max(first, t + grid_->GetTitleOffset());
    bottom = std::min(last, b + grid_->GetTitleOffset());
  } else {
    for (int i = 0; i < grid_->DataLink()->RecordCount(); ++i) {
      const int row = grid_->GetTitleOffset() + i;
      const std::string mark = grid_->RowBookmark(row);
      if (mark.empty() || Compare(topMark, mark) > 0 || Compare(mark, bottomMark) > 0) continue;
      if (top < 0) top = row;
      bottom = row;
    }
  }
  if (top < 0 || top > bottom) return none;
  return TGridRect{LeftCol(), top, RightCol(), bottom};
}

namespace {
// Repaints the cells of a that are not in b (the strips of a above, below, left and right of b).
void InvalidateBoxLessBox(TCustomDBGridGx* grid, const TGridRect& a, const TGridRect& b) {
  if (a.Left < 0) return;
  if (b.Left < 0 || b.Left > a.Right || b.Right < a.Left || b.Top > a.Bottom || b.Bottom < a.Top) {
    grid->InvalidateGridRect(a);
    return;
  }
  const int top = std::max(a.Top, b.Top), bottom = std::min(a.Bottom, b.Bottom);
  if (a.Top < b.Top) grid->InvalidateGridRect(TGridRect{a.Left, a.Top, a.Right, b.Top - 1});
  if (a.Bottom > b.Bottom) grid->InvalidateGridRect(TGridRect{a.Left, b.Bottom + 1, a.Right, a.Bottom});
  if (a.Left < b.Left) grid->InvalidateGridRect(TGridRect{a.Left, top, b.Left - 1, bottom});
  if (a.Right > b.Right) grid->InvalidateGridRect(TGridRect{b.Right + 1, top, a.Right, bottom});
}
}  // namespace

void TDBGridGxSelectionRect::Select(int col, const std::string& bookmark, bool addSel) {
  TDBGridGxSelection* s = grid_->Selection();
  if (s->SelectionType() != gstRectangle && s->SelectionType() != gstNon) s->Clear();
  const TGridRect oldBox = grid_->HandleAllocated() ? VisibleBox() : TGridRect{-1, -1, -1, -1};
  if (anchorCol_ == -1 || !addSel) {
    anchorCol_ = col;
    anchorBookmark_ = bookmark;
  }
  shiftCol_ = col;
  shiftBookmark_ = bookmark;
  if (anchorCol_ == shiftCol_ && Compare(anchorBookmark_, shiftBookmark_) == 0) {
    if (s->SelectionType() == gstRectangle) s->SetSelectionType(gstNon);
  } else {
    s->SetSelectionType(gstRectangle);
  }
  if (grid_->HandleAllocated()) {
    // Only the cells that changed state are repainted.
    const TGridRect newBox = VisibleBox();
    InvalidateBoxLessBox(grid_, oldBox, newBox);
    InvalidateBoxLessBox(grid_, newBox, oldBox);
  }
  s->SelectionChanged();
}

void TDBGridGxSelectionRect::Clear() {
  anchorCol_ = shiftCol_ = -1;
  anchorBookmark_.clear();
  shiftBookmark_.clear();
  grid_->Invalidate();
  grid_->Selection()->SelectionChanged();
}

// ---------------------------------------------------------------- the grid's cell test

bool TCustomDBGridGx::IsCellSelected(int col, int row, const std::string& bookmark, int dataCol) {
  (void)dataCol;
  const TDBGridGxSelectionType t = selection_->SelectionType();
  if (t == gstAll) return true;
  if (t == gstNon) return false;
  const TGridRect b = GetDataCellBounds();
  if (col >= IndicatorOffset()) {
    if (row >= b.Top && row <= b.Bottom) return selection_->IsCellSelected(col, bookmark);
    return t == gstColumns && selection_->IsCellSelected(col, bookmark);
  }
  if (row < b.Top || row > b.Bottom) return false;
  return t == gstRecordBookmarks && bookmarks_->IndexOf(bookmark) >= 0;
}
