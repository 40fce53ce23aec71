#include "platform/db/datasource.h"

#include <algorithm>

#include "platform/classes/classreg.h"
#include "platform/classes/published.h"
#include "platform/db/dataset.h"
#include "platform/db/dbconsts.h"
#include "platform/db/fields.h"

FANO_IMPLEMENT_COMPONENT(TDataSource, TComponent)
FANO_IMPLEMENT_CLASS(TDataLink, TPersistent)
FANO_IMPLEMENT_CLASS(TDetailDataLink, TDataLink)
FANO_IMPLEMENT_ABSTRACT(TMasterDataLink, TDetailDataLink)

// Published properties (form resources) and the names resources may use.
FANO_PUBLISHED(TDataSource, p) {
  p.Property("AutoEdit", &TDataSource::AutoEdit, &TDataSource::SetAutoEdit).Default(true);
  p.Property("DataSet", &TDataSource::DataSet, &TDataSource::SetDataSet);
  p.Property("Enabled", &TDataSource::Enabled, &TDataSource::SetEnabled).Default(true);
  p.Property("OnStateChange", &TDataSource::OnStateChange, &TDataSource::SetOnStateChange);
  p.Property("OnDataChange", &TDataSource::OnDataChange, &TDataSource::SetOnDataChange);
  p.Property("OnUpdateData", &TDataSource::OnUpdateData, &TDataSource::SetOnUpdateData);
}

FANO_REGISTER_CLASS(TDataSource);


// ============================================================ TDataSource

TDataSource::TDataSource(TComponent* owner) : TComponent(owner) {}

TDataSource::~TDataSource() {
  onStateChange_ = nullptr;
  onDataChange_ = nullptr;
  onUpdateData_ = nullptr;
  // A destructor must not raise: what a link's handler raises while the source goes is dropped,
  // and every link is let go all the same (a fixed one too: its source is gone).
  try {
    SetDataSet(nullptr);
  } catch (...) {
  }
  dataSet_ = nullptr;
  while (!links_.empty()) {
    try {
      RemoveDataLink(links_.back());  // the link leaves the list before its handlers run
    } catch (...) {
    }
  }
}

bool TDataSource::IsLinkedTo(TDataSet* dataSet) const {
  // Walk up the masters of the dataset; the bound guards against a loop made elsewhere.
  int guard = 0;
  for (TDataSet* ds = dataSet; ds && guard < 1000; ++guard) {
    TDataSource* master = ds->GetDataSource();
    if (!master) return false;
    if (master == this) return true;
    ds = master->DataSet();
  }
  return false;
}

void TDataSource::SetDataSet(TDataSet* value) {
  if (value == dataSet_) return;
  if (value && IsLinkedTo(value)) DatabaseError(SCircularDataLink, this);
  if (dataSet_) {
    dataSet_->RemoveFreeNotification(this);
    dataSet_->RemoveDataSource(this);
  }
  dataSet_ = value;
  if (dataSet_) {
    dataSet_->FreeNotification(this);
    dataSet_->AddDataSource(this);
  }
  UpdateState();
}

void TDataSource::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  UpdateState();
}

void TDataSource::UpdateState() {
  SetState(enabled_ && dataSet_ ? dataSet_->State() : dsInactive);
}

void TDataSource::SetState(TDataSetState value) {
  if (value == state_) return;
  TDataSetState prior = state_;
  state_ = value;
  NotifyDataLinks(deUpdateState, 0);
  if (!InState(csDestroying)) {
    if (onStateChange_) onStateChange_(this);
    if (prior == dsInactive && onDataChange_) onDataChange_(this, nullptr);
  }
}

void TDataSource::Edit() {
  if (autoEdit_ && state_ == dsBrowse && dataSet_) dataSet_->Edit();
}

void TDataSource::AddDataLink(TDataLink* link) {
  links_.push_back(link);
  link->dataSource_ = this;
  if (dataSet_) dataSet_->UpdateBufferCount();
  link->UpdateState();
}

void TDataSource::RemoveDataLink(TDataLink* link) {
  links_.erase(std::remove(links_.begin(), links_.end(), link), links_.end());
  link->dataSource_ = nullptr;
  link->UpdateState();
  if (dataSet_ && !InState(csDestroying)) dataSet_->UpdateBufferCount();
}

void TDataSource::NotifyDataLinks(TDataEvent event, NativeInt info) {
  // Links of other datasets (master links) hear of a change before the controls do; a handler
  // may detach links, so the lists are copied and each link is checked before it is told.
  std::vector<TDataLink*> snapshot = links_;
  for (int pass = 0; pass < 2; ++pass) {
    bool visual = pass == 1;
    for (TDataLink* link : snapshot) {
      if (link->VisualControl() != visual) continue;
      if (std::find(links_.begin(), links_.end(), link) == links_.end()) continue;
      link->DataEvent(event, info);
    }
  }
}

void TDataSource::DataEvent(TDataEvent event, NativeInt info) {
  if (event == deUpdateState) {
    UpdateState();
    return;
  }
  if (event == deDisabledStateChange) {
    NotifyDataLinks(event, info);
    return;
  }
  if (state_ == dsInactive) return;
  NotifyDataLinks(event, info);
  switch (event) {
    case deFieldChange:
      if (onDataChange_) onDataChange_(this, reinterpret_cast<TField*>(info));
      break;
    case deRecordChange:
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange:
      if (onDataChange_) onDataChange_(this, nullptr);
      break;
    case deUpdateRecord:
      if (onUpdateData_) onUpdateData_(this);
      break;
    default:
      break;
  }
}

void TDataSource::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == dataSet_) {
    // The dataset is being destroyed: what the links raise cannot stop it, and is dropped.
    try {
      SetDataSet(nullptr);
    } catch (...) {
    }
    dataSet_ = nullptr;
  }
}

// ============================================================ TDataLink

TDataLink::TDataLink() = default;

TDataLink::~TDataLink() {
  if (!dataSource_) return;
  // A destructor must not raise: the dataset refitting its buffers to the links left may fail,
  // and that is dropped (the link has left the source's list by then).
  try {
    dataSource_->RemoveDataLink(this);
  } catch (...) {
  }
}

TDataSet* TDataLink::DataSet() const { return dataSource_ ? dataSource_->DataSet() : nullptr; }

void TDataLink::SetDataSource(TDataSource* value) {
  if (value == dataSource_) return;
  if (dataSourceFixed_) DatabaseError(SDataSourceChange, value ? value : dataSource_);
  if (TDataSet* detail = value ? GetDetailDataSet() : nullptr) {
    // A detail may not become its own master, directly or through other masters.
    int guard = 0;
    for (TDataSet* ds = value->DataSet(); ds && guard < 1000; ++guard) {
      if (ds == detail) DatabaseError(SCircularDataLink, value);
      TDataSource* master = ds->GetDataSource();
      ds = master ? master->DataSet() : nullptr;
    }
  }
  CheckDataSource(value);
  if (dataSource_) dataSource_->RemoveDataLink(this);
  if (value) value->AddDataLink(this);
}

void TDataLink::SetReadOnly(bool value) {
  if (value == readOnly_) return;
  readOnly_ = value;
  UpdateState();
}

void TDataLink::UpdateState() {
  SetActive(dataSource_ && dataSource_->State() != dsInactive);
  SetEditing(dataSource_ && dsEditModes.Contains(dataSource_->State()) && !readOnly_);
}

void TDataLink::SetActive(bool value) {
  if (value == active_) return;
  active_ = value;
  if (value)
    UpdateRange();
  else
    firstRecord_ = 0;
  ActiveChanged();
}

void TDataLink::SetEditing(bool value) {
  if (value == editing_) return;
  editing_ = value;
  EditingChanged();
}

void TDataLink::UpdateRange() {
  TDataSet* ds = DataSet();
  if (!ds) return;
  int active = ds->ActiveRecord();
  int lo = std::max(0, active - bufferCount_ + 1);
  int hi = std::max(0, std::min({active, ds->BufferCount() - bufferCount_, ds->BufferedRecordCount() - bufferCount_}));
  if (firstRecord_ < lo) firstRecord_ = lo;
  if (firstRecord_ > hi) firstRecord_ = std::max(lo, hi);
}

void TDataLink::ShiftRange(int distance) {
  if (!active_) return;
  firstRecord_ = std::max(0, firstRecord_ + distance);
  UpdateRange();
}

int TDataLink::ActiveRecord() const {
  TDataSet* ds = DataSet();
  if (!active_ || !ds || dataSource_->State() == dsSetKey) return 0;
  return ds->ActiveRecord() - firstRecord_;
}

void TDataLink::SetActiveRecord(int value) {
  TDataSet* ds = DataSet();
  if (!active_ || !ds) return;
  int index = value + firstRecord_;
  if (index < 0 || index >= std::max(1, ds->BufferedRecordCount())) return;
  ds->SetActiveRecord(index);
}

void TDataLink::SetBufferCount(int value) {
  if (value < 1) value = 1;
  if (value == bufferCount_) return;
  bufferCount_ = value;
  if (active_) {
    UpdateRange();
    if (TDataSet* ds = DataSet()) ds->UpdateBufferCount();
    UpdateRange();
  }
}

int TDataLink::RecordCount() const {
  TDataSet* ds = DataSet();
  if (!active_ || !ds) return 0;
  int n = ds->BufferedRecordCount() - firstRecord_;
  return std::max(0, std::min(n, bufferCount_));
}

bool TDataLink::Eof() const {
  TDataSet* ds = DataSet();
  return active_ && ds && ds->Eof();
}

bool TDataLink::Bof() const {
  TDataSet* ds = DataSet();
  return active_ && ds && ds->Bof();
}

bool TDataLink::Edit() {
  if (!readOnly_ && dataSource_) dataSource_->Edit();
  return editing_;
}

void TDataLink::UpdateRecord() {
  updating_ = true;
  try {
    UpdateData();
  } catch (...) {
    updating_ = false;
    throw;
  }
  updating_ = false;
}

int TDataLink::MoveBy(int distance) {
  TDataSet* ds = DataSet();
  return ds ? ds->MoveBy(distance) : 0;
}

void TDataLink::DataSetScrolled(int distance) {
  (void)distance;
  DataSetChanged();
}

void TDataLink::DataEvent(TDataEvent event, NativeInt info) {
  if (event == deUpdateState) {
    UpdateState();
    return;
  }
  if (!active_) return;
  switch (event) {
    case deFieldChange:
    case deRecordChange:
      if (!updating_) RecordChanged(reinterpret_cast<TField*>(info));
      break;
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange: {
      int count = 0;
      TDataSet* ds = DataSet();
      if (dataSource_->State() != dsSetKey && ds) {
        int active = ds->ActiveRecord();
        int first = firstRecord_ + static_cast<int>(info);
        int last = first + bufferCount_ - 1;
        if (active > last)
          count = active - last;
        else if (active < first)
          count = active - first;
        // A window that reaches past the ring's end while the ring holds more records than
        // the window shows is moved back, so that it stays full.
        const int full = std::max(0, ds->BufferedRecordCount() - bufferCount_);
        if (first + count > full) count = full - first;
        firstRecord_ = first + count;
        if (firstRecord_ < 0) firstRecord_ = 0;
      }
      if (event == deDataSetChange)
        DataSetChanged();
      else if (event == deDataSetScroll)
        DataSetScrolled(count);
      else
        LayoutChanged();
      break;
    }
    case deUpdateRecord:
      UpdateRecord();
      break;
    case deCheckBrowseMode:
      CheckBrowseMode();
      break;
    case deFocusControl: {
      TField** ref = reinterpret_cast<TField**>(info);
      if (ref) FocusControl(*ref);
      break;
    }
    default:
      break;
  }
}

// ============================================================ TMasterDataLink

TMasterDataLink::TMasterDataLink(TDataSet* dataSet) : detail_(dataSet) {}

void TMasterDataLink::CheckNames(TDataSet* master, const std::string& names) const {
  // Names read from a form may name fields that come later.
  if (!master || !master->Active() || names.empty() || detail_->InState(csLoading)) return;
  std::vector<TField*> fields;
  master->GetFieldList(fields, names);
}

void TMasterDataLink::SetFieldNames(const std::string& value) {
  if (value == fieldNames_) return;
  if (Active()) CheckNames(DataSet(), value);
  fieldNames_ = value;
  ActiveChanged();
}

void TMasterDataLink::CheckDataSource(TDataSource* value) const {
  if (value) CheckNames(value->DataSet(), fieldNames_);
}

void TMasterDataLink::ResolveFields() {
  fields_.clear();
  if (!Active()) return;
  try {
    DataSet()->GetFieldList(fields_, fieldNames_);
  } catch (const EDatabaseError&) {
    // Names the master lacks (taken while it was closed, or its fields changed since) leave the
    // link without fields, as an inactive one, instead of raising at every open and close.
    fields_.clear();
  }
}

void TMasterDataLink::ActiveChanged() {
  ResolveFields();
  if (detail_->InState(csDestroying)) return;
  if (Active() && !fields_.empty()) {
    if (onMasterChange_) onMasterChange_(this);
  } else if (onMasterDisable_) {
    onMasterDisable_(this);
  }
}

void TMasterDataLink::CheckBrowseMode() {
  // The master is about to move: a pending edit of the detail is settled first.
  if (detail_->Active()) detail_->CheckBrowseMode();
}

void TMasterDataLink::RecordChanged(TField* field) {
  if (!DataSource() || DataSource()->State() == dsSetKey || !detail_->Active() || fields_.empty()) return;
  if (field && std::find(fields_.begin(), fields_.end(), field) == fields_.end()) return;
  if (onMasterChange_) onMasterChange_(this);
}

void TMasterDataLink::DataEvent(TDataEvent event, NativeInt info) {
  // Fields of the master may be rebuilt while its controls are disabled.
  if (event == deDisabledStateChange) {
    if (info == 0)
      fields_.clear();
    else
      ResolveFields();
    return;
  }
  TDataLink::DataEvent(event, info);
}

// ============================================================ TFieldDataLink

FANO_IMPLEMENT_CLASS(TFieldDataLink, TDataLink)

TFieldDataLink::TFieldDataLink() { SetVisualControl(true); }

void TFieldDataLink::SetFieldName(const std::string& value) {
  if (value == fieldName_) return;
  fieldName_ = value;
  UpdateField();
}

void TFieldDataLink::UpdateField() {
  TField* found = nullptr;
  if (Active() && !fieldName_.empty()) {
    found = control_ ? GetFieldProperty(DataSet(), control_, fieldName_) : DataSet()->FieldByName(fieldName_);
  }
  field_ = found;
  EditingChanged();
  RecordChanged(nullptr);
}

bool TFieldDataLink::CanModify() const { return !ReadOnly() && field_ && field_->CanModify(); }

bool TFieldDataLink::Edit() {
  if (CanModify()) TDataLink::Edit();
  return editing_;
}

void TFieldDataLink::SetEditingState(bool value) {
  if (value == editing_) return;
  editing_ = value;
  modified_ = false;
  if (OnEditingChange) OnEditingChange(this);
}

void TFieldDataLink::ActiveChanged() {
  UpdateField();
  if (OnActiveChange) OnActiveChange(this);
}

void TFieldDataLink::EditingChanged() { SetEditingState(TDataLink::Editing() && CanModify()); }

void TFieldDataLink::LayoutChanged() { UpdateField(); }

void TFieldDataLink::RecordChanged(TField* field) {
  if (field && field != field_) return;
  if (OnDataChange) OnDataChange(this);
  modified_ = false;
}

void TFieldDataLink::UpdateData() {
  if (modified_) {
    if (field_ && OnUpdateData) OnUpdateData(this);
    modified_ = false;
  }
}
