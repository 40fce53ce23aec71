// The grid's selection: whole records (bookmarks), a rectangle of cells between two corners,
// a set of columns, or everything.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <unordered_map>
#include <utility>

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
  // Held, the handler is called once the grid's update or the table's operation is over (the end
  // of the update or the grid's next data-set notice).
  if (grid_->SelectionNoticeHeld()) {
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

void TDBGridGxSelectionRect::FollowRows(const std::function<std::string(const std::string&)>& follow) {
  if (anchorCol_ < 0) return;
  const std::string anchor = follow(anchorBookmark_), shift = follow(shiftBookmark_);
  if (anchor.empty() || shift.empty()) {
    TDBGridGxSelection* s = grid_->Selection();
    Clear();
    if (s->SelectionType() == gstRectangle) s->SetSelectionType(gstNon);
    return;
  }
  anchorBookmark_ = anchor;
  shiftBookmark_ = shift;
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

// ---------------------------------------------------------------- rows that come, go and move

namespace {
// A memory table's bookmark is its row's position in the view (plus one, in four bytes): that of
// another position is made the same way and must read back as that position, or it names none.
std::string PositionBookmark(IMemTableGx* table, int index) {
  if (index < 0) return {};
  const int32_t value = index + 1;
  std::string bookmark(sizeof value, '\0');
  std::memcpy(bookmark.data(), &value, sizeof value);
  return table->BookmarkToRowIndex(bookmark) == index ? bookmark : std::string();
}
}  // namespace

std::vector<std::string> TBookmarkListGx::Bookmarks() const {
  std::vector<std::string> all;
  for (int i = 0; i < Count(); ++i) all.push_back(Items(i));
  return all;
}

void TBookmarkListGx::FollowRows(const std::function<std::string(const std::string&)>& follow) {
  std::vector<std::string> now;
  for (int i = 0; i < Count(); ++i)
    if (std::string b = follow(Items(i)); !b.empty()) now.push_back(std::move(b));
  std::sort(now.begin(), now.end(),
            [&](const std::string& a, const std::string& b) { return CompareBookmarks(a, b) < 0; });
  now.erase(std::unique(now.begin(), now.end()), now.end());
  bool changed = static_cast<int>(now.size()) != Count();
  for (int i = 0; i < static_cast<int>(now.size()); ++i) {
    if (Items(i) == now[static_cast<size_t>(i)]) continue;
    SetItems(i, now[static_cast<size_t>(i)]);
    changed = true;
  }
  while (Count() > static_cast<int>(now.size())) DeleteItem(Count() - 1);
  if (changed) Invalidate();
}

// A memory table's bookmarks are positions: a row added, removed or moved before a selected record
// gives that record another bookmark, and the bookmark it had names another record. Everything
// that holds a bookmark follows its record: a removed record drops out of the selection (a corner
// of the rectangle clears it), and where the notice does not say where the rows went (a whole
// change: sorting, filtering, or notices gathered while controls were off) the rows are unselected.
// The record being inserted is shown as a row but has no position yet: the table names it
// with the grid's rows, and its own coming and going moves nothing.
void TCustomDBGridGx::SelectionFollowsRows(int index, int code, int extra) {
  TDataSet* ds = DataSet();
  const bool inserting = ds && ds->State() == dsInsert;
  std::function<int(int)> where;  // position before the notice -> after it, -1 gone
  switch (code) {
    case mtnRowChanged:
      return;
    case mtnRowAdded:
      if (inserting && noticedInsertRow_ == -1) {
        noticedInsertRow_ = index;
        return;
      }
      if (noticedInsertRow_ >= 0) {
        if (index < noticedInsertRow_) ++noticedInsertRow_;
        else --index;
      }
      if (noticedInsertRow_ != -2) where = [index](int p) { return p >= index ? p + 1 : p; };
      break;
    case mtnRowRemoved:
      if (noticedInsertRow_ >= 0) {
        if (index == noticedInsertRow_) {
          noticedInsertRow_ = -1;
          return;
        }
        if (index < noticedInsertRow_) --noticedInsertRow_;
        else --index;
      }
      if (noticedInsertRow_ != -2) where = [index](int p) { return p == index ? -1 : p > index ? p - 1 : p; };
      break;
    case mtnRowMoved:
      if (noticedInsertRow_ >= 0) {
        if (index > noticedInsertRow_) --index;
        if (extra > noticedInsertRow_) --extra;
      }
      if (noticedInsertRow_ != -2 && index >= 0 && extra >= 0)
        where = [index, extra](int p) {
          if (p == index) return extra;
          if (index < p && p <= extra) return p - 1;
          if (extra <= p && p < index) return p + 1;
          return p;
        };
      break;
    default:
      noticedInsertRow_ = inserting ? -2 : -1;
      break;
  }
  if (noticedInsertRow_ == -2 && !inserting) noticedInsertRow_ = -1;
  if (keepSelectionDepth_ > 0) {
    // Found again by its records when the operation ends.
    keptRowsChanged_ = true;
    return;
  }
  IMemTableGx* table = memTable_;
  auto follow = [&](const std::string& bookmark) -> std::string {
    if (!where || bookmark.empty()) return {};
    const int p = table->BookmarkToRowIndex(bookmark);
    if (p < 0 || PositionBookmark(table, p) != bookmark) return {};
    return PositionBookmark(table, where(p));
  };
  // The selection-changed notice waits until the table's operation is over (SelectionChanged);
  // records that only took new positions are still the same selection.
  const bool pending = selectionChangedPending_;
  const int rows = bookmarks_->Count();
  const bool rectangle = selection_->SelectionType() == gstRectangle;
  bookmarks_->FollowRows(follow);
  selection_->Rect()->FollowRows(follow);
  selection_->UpdateState();
  if (!pending && bookmarks_->Count() == rows && rectangle == (selection_->SelectionType() == gstRectangle))
    selectionChangedPending_ = false;
  if (anchorSet_) {
    anchorBookmark_ = follow(anchorBookmark_);
    anchorSet_ = !anchorBookmark_.empty();
  }
  if (!dragBookmark_.empty()) dragBookmark_ = follow(dragBookmark_);
}

// Read where the grid shows it: after the row being inserted, one row further down (where that
// row stands is known once the table has told it).
TMemoryRecordGx* TCustomDBGridGx::RecordAtPosition(int position) {
  TDataSet* ds = DataSet();
  if (!memTable_ || !ds || !dataLink_->Active() || position < 0) return nullptr;
  int record = position;
  if (ds->State() == dsInsert) {
    if (noticedInsertRow_ < 0 || ds->ControlsDisabled()) return nullptr;
    if (position >= noticedInsertRow_) ++record;
  }
  if (record >= memTable_->GetRowCount()) return nullptr;
  memTable_->InstantReadEnter(record);
  TMemoryRecordGx* rec = memTable_->GetActiveMemoryRecord();
  memTable_->InstantReadLeave();
  return rec;
}

int TCustomDBGridGx::PositionCount() {
  TDataSet* ds = DataSet();
  return memTable_ && ds ? memTable_->GetRowCount() - (ds->State() == dsInsert ? 1 : 0) : 0;
}

bool TCustomDBGridGx::GoToRecord(TMemoryRecordGx* rec, int position) {
  TDataSet* ds = DataSet();
  if (!memTable_ || !ds || !rec) return false;
  ds->CheckBrowseMode();
  if (RecordAtPosition(position) != rec) return memTable_->LocateRecord(rec);
  ds->SetRecNo(position + 1);
  return true;
}

TMemoryRecordGx* TCustomDBGridGx::RecordOfBookmark(const std::string& bookmark) {
  if (!memTable_ || bookmark.empty()) return nullptr;
  const int p = memTable_->BookmarkToRowIndex(bookmark);
  if (p < 0 || PositionBookmark(memTable_, p) != bookmark) return nullptr;
  return RecordAtPosition(p);
}

void TCustomDBGridGx::BeginKeepSelection() {
  if (keepSelectionDepth_++ > 0) return;
  keptRowsChanged_ = false;
  kept_ = TKeptSelection{};
  if (!memTable_ || !dataLink_->Active()) return;
  kept_.rows = bookmarks_->Bookmarks();
  for (const std::string& b : kept_.rows) kept_.rowRecords.push_back(RecordOfBookmark(b));
  TDBGridGxSelectionRect* r = selection_->Rect();
  kept_.rectAnchor = r->AnchorBookmark();
  kept_.rectShift = r->ShiftBookmark();
  kept_.rectAnchorRecord = RecordOfBookmark(kept_.rectAnchor);
  kept_.rectShiftRecord = RecordOfBookmark(kept_.rectShift);
  if (anchorSet_) {
    kept_.anchor = anchorBookmark_;
    kept_.anchorRecord = RecordOfBookmark(anchorBookmark_);
  }
}

// What the operation set itself stays (a list the table moved with its records, a selection it
// cleared); the rest finds its records where they are now, and drops those no row shows.
void TCustomDBGridGx::EndKeepSelection(bool rowsMoved) {
  if (rowsMoved) keptRowsChanged_ = true;
  if (keepSelectionDepth_ == 0 || --keepSelectionDepth_ > 0) return;
  TKeptSelection kept = std::move(kept_);
  kept_ = TKeptSelection{};
  if (!std::exchange(keptRowsChanged_, false)) return;
  TDataSet* ds = DataSet();
  const bool inserting = ds && ds->State() == dsInsert;
  if (!memTable_ || !dataLink_->Active() || (inserting && (noticedInsertRow_ < 0 || ds->ControlsDisabled()))) {
    ClearSelection();
    return;
  }
  // Where each record stands now: the rows are read once, when a kept record is first looked
  // for (with nothing selected, never), records only compared.
  std::unordered_map<const TMemoryRecordGx*, std::string> now;
  bool read = false;
  auto bookmarkOf = [&](const TMemoryRecordGx* rec) -> std::string {
    if (!rec) return {};
    if (!std::exchange(read, true)) {
      for (int p = 0, positions = PositionCount(); p < positions; ++p)
        if (const TMemoryRecordGx* at = RecordAtPosition(p)) now.emplace(at, PositionBookmark(memTable_, p));
    }
    const auto it = now.find(rec);
    return it == now.end() ? std::string() : it->second;
  };
  if (bookmarks_->Bookmarks() == kept.rows) {
    size_t i = 0;
    bookmarks_->FollowRows([&](const std::string&) { return bookmarkOf(kept.rowRecords[i++]); });
  }
  TDBGridGxSelectionRect* r = selection_->Rect();
  if (r->AnchorBookmark() == kept.rectAnchor && r->ShiftBookmark() == kept.rectShift) {
    r->FollowRows([&](const std::string& b) {
      return bookmarkOf(b == kept.rectAnchor ? kept.rectAnchorRecord : kept.rectShiftRecord);
    });
  }
  selection_->UpdateState();
  if (anchorSet_ && anchorBookmark_ == kept.anchor) {
    anchorBookmark_ = bookmarkOf(kept.anchorRecord);
    anchorSet_ = !anchorBookmark_.empty();
  }
  Invalidate();
}

void TCustomDBGridGx::KeepingSelection(const std::function<void()>& op, bool rowsMoved) {
  BeginKeepSelection();
  try {
    op();
  } catch (...) {
    EndKeepSelection(rowsMoved);
    throw;
  }
  EndKeepSelection(rowsMoved);
}

// The table tells only that every position changed when a node opens or closes: the selection is
// found again by its records.
int TCustomDBGridGx::SetTreeNodeExpanded(int rowIndex, bool expanded) {
  if (!memTable_) return -1;
  int result = -1;
  KeepingSelection([&] { result = memTable_->SetNodeExpanded(rowIndex, expanded); }, true);
  return result;
}
