// The grid's data link (dataset notifications turned into grid calls, the field map) and the
// list of selected records.
#include <algorithm>

#include "grid/dbgrid.h"

FANO_IMPLEMENT_CLASS_WITH(TGridDataLinkGx, TDataLink, nullptr)
FANO_IMPLEMENT_CLASS_WITH(TBookmarkListGx, TBMListGx, nullptr)

// ---------------------------------------------------------------- TGridDataLinkGx

TGridDataLinkGx::TGridDataLinkGx(TCustomDBGridGx* grid) : grid_(grid) { SetVisualControl(true); }

TGridDataLinkGx::~TGridDataLinkGx() { ClearMapping(); }

bool TGridDataLinkGx::AddMapping(const std::string& fieldName) {
  if (fieldCount_ >= kMaxMapSize) RaiseGridError("Grid requested to display more than 256 columns");
  TDataSet* ds = DataSet();
  TField* field = nullptr;
  if (ds) field = sparseMap_ ? ds->FindField(fieldName) : ds->FieldByName(fieldName);
  if (grid_ && grid_->FieldGoing(field)) field = nullptr;
  if (fieldCount_ == mapCapacity_) {
    int cap = mapCapacity_ == 0 ? 8 : mapCapacity_ * 2;
    if (fieldCount_ >= cap) cap = fieldCount_ + 1;
    cap = std::min(cap, kMaxMapSize);
    fieldMap_.resize(static_cast<size_t>(cap), -1);
    mapCapacity_ = cap;
  }
  fieldMap_[static_cast<size_t>(fieldCount_)] = field ? field->Index() : -1;
  if (field && grid_) field->FreeNotification(grid_);
  ++fieldCount_;
  return true;
}

void TGridDataLinkGx::ClearMapping() {
  fieldCount_ = 0;
  mapCapacity_ = 0;
  std::vector<int>().swap(fieldMap_);
}

TField* TGridDataLinkGx::GetMappedField(int index) const {
  if (index < 0 || index >= fieldCount_) return nullptr;
  const int f = fieldMap_[static_cast<size_t>(index)];
  TDataSet* ds = DataSet();
  if (f < 0 || !ds || f >= ds->FieldCount()) return nullptr;
  TField* field = ds->Fields().Fields(f);
  return grid_ && grid_->FieldGoing(field) ? nullptr : field;
}

bool TGridDataLinkGx::GetDefaultFields() const {
  TDataSet* ds = DataSet();
  if (!ds) return true;
  bool result = ds->DefaultFields();
  if (result && sparseMap_)
    for (int i = 0; i < fieldCount_; ++i)
      if (fieldMap_[static_cast<size_t>(i)] < 0) return false;
  return result;
}

void TGridDataLinkGx::Reset() {
  if (modified_) RecordChanged(nullptr);
  else if (DataSet()) DataSet()->Cancel();
}

void TGridDataLinkGx::ActiveChanged() {
  grid_->LinkActive(Active());
  modified_ = false;
}

void TGridDataLinkGx::DataEvent(TDataEvent event, NativeInt info) {
  grid_->ForgetGoneField();
  TDataLink::DataEvent(event, info);
  if (event == deDisabledStateChange && !TCustomDBGridGx::ReadingBeforeBuffer()) grid_->Columns()->ClearFieldBindings();
}

void TGridDataLinkGx::DataSetChanged() {
  // A painting grid's walk to the record before its rows leaves the dataset as it was.
  if (TCustomDBGridGx::ReadingBeforeBuffer()) return;
  grid_->RefreshLayout();
  modified_ = false;
  // A selection that followed a memory table's rows says so once the table is done.
  grid_->FlushSelectionChanged();
}

void TGridDataLinkGx::DataSetScrolled(int distance) { grid_->Scroll(distance); }

void TGridDataLinkGx::EditingChanged() {
  if (!grid_->DBOptions().Contains(dgIndicator) || !Active()) return;
  int row;
  if (grid_->MemTable()) row = grid_->GetTitleOffset() + grid_->MemTable()->GetCurrentRowIndex();
  else row = grid_->GetTitleOffset() + ActiveRecord();
  grid_->InvalidateCell(0, row);
}

void TGridDataLinkGx::FocusControl(TField*& field) {
  if (!field) return;
  for (int i = 0; i < grid_->Columns()->Count(); ++i) {
    TColumnGx* c = grid_->Columns()->Items(i);
    if (c->Visible() && c->Field() == field) {
      // A right-anchored column is never current: the data set's own message is the answer.
      const int raw = grid_->DataToRawColumn(i);
      if (raw < grid_->ColCount()) grid_->SetCol(raw);
      break;
    }
  }
  if (grid_->SelectedField() == field && grid_->CanFocus()) {
    field = nullptr;
    grid_->SetFocus();
    grid_->ShowEditor();
  }
}

void TGridDataLinkGx::LayoutChanged() {
  const bool saved = grid_->InLayoutFromDataSet();
  grid_->SetLayoutFromDataSet(true);
  try {
    grid_->LayoutChanged();
  } catch (...) {
    grid_->SetLayoutFromDataSet(saved);
    throw;
  }
  grid_->SetLayoutFromDataSet(saved);
  TDataLink::LayoutChanged();
}

void TGridDataLinkGx::RecordChanged(TField* field) {
  grid_->RecordChanged(field);
  // Another field changed by code while a cell is being edited: the cell's edit is still the
  // user's and is written with the record, not dropped.
  modified_ = modified_ && grid_->EditWaitsPast(field);
}

// The guard and the modified flag are settled whatever the write does: a failing write leaves
// the edit pending (modified stays set) and later edits are still written.
void TGridDataLinkGx::UpdateData() {
  if (inUpdateData_) return;
  inUpdateData_ = true;
  struct Guard {
    bool& flag;
    ~Guard() { flag = false; }
  } guard{inUpdateData_};
  if (modified_) grid_->UpdateData();
  modified_ = false;
}

// ---------------------------------------------------------------- TBookmarkListGx

TDataSet* TBookmarkListGx::GetDataSet() const {
  TDataSource* ds = grid_->DataSource();
  return ds ? ds->DataSet() : nullptr;
}

void TBookmarkListGx::Invalidate() { grid_->Invalidate(); }

void TBookmarkListGx::StringsChanged() {
  TBMListGx::StringsChanged();
  grid_->Selection()->SelectionChanged();
}

void TBookmarkListGx::Clear() {
  const bool had = Count() > 0;
  TBMListGx::Clear();
  if (had) grid_->Selection()->SelectionChanged();
}

void TBookmarkListGx::SetCurrentRowSelected(bool value) {
  TDataSet* ds = GetDataSet();
  if (!ds || ds->IsEmpty()) return;
  TBMListGx::SetCurrentRowSelected(value);
  const int row = grid_->MemTable() ? grid_->GetTitleOffset() + grid_->MemTable()->GetCurrentRowIndex()
                                    : grid_->GetTitleOffset() + grid_->DataLink()->ActiveRecord();
  grid_->InvalidateRow(row);
  TDBGridGxSelection* sel = grid_->Selection();
  if (sel->SelectionType() != gstRecordBookmarks && Count() > 0) {
    if (sel->SelectionType() == gstRectangle) sel->Rect()->Clear();
    else if (sel->SelectionType() == gstColumns) sel->Columns()->Clear();
    sel->SetSelectionType(gstRecordBookmarks);
  }
}

TGridRect TBookmarkListGx::SelectedRowsRect() {
  TGridRect r{-1, -1, -1, -1};
  TDataSet* ds = GetDataSet();
  if (!ds || !ds->Active() || Count() == 0) return r;
  const int offset = grid_->GetTitleOffset();
  int first = -1, last = -1;
  // Only the rows on screen count; a table of a million rows is not walked.
  const int top = std::max(offset, grid_->TopRow());
  const int bottom = std::min(grid_->RowCount() - 1, top + grid_->VisibleRowCount());
  for (int row = top; row <= bottom; ++row) {
    const std::string bm = grid_->RowBookmark(row);
    if (bm.empty()) continue;
    if (IndexOf(bm) >= 0) {
      if (first < 0) first = row;
      last = row;
    }
  }
  if (first < 0) return r;
  return TGridRect{0, first, grid_->ColCount() - 1, last};
}
