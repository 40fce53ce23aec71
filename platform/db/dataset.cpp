#include "platform/db/dataset.h"

#include <algorithm>

#include "platform/classes/classreg.h"
#include "platform/classes/published.h"
#include "platform/db/blobstream.h"
#include "platform/db/datasource.h"
#include "platform/db/dbconsts.h"
#include "platform/rtl/strings.h"

FANO_IMPLEMENT_ABSTRACT(TDataSet, TComponent)

// Published properties (form resources) and the names resources may use.
FANO_ENUM_NAMES(TFilterOption, "foCaseInsensitive", "foNoPartialCompare");

FANO_PUBLISHED(TDataSet, p) {
  p.Property("Active", &TDataSet::Active, &TDataSet::SetActive).Default(false);
  p.Property("AutoCalcFields", &TDataSet::AutoCalcFields, &TDataSet::SetAutoCalcFields).Default(true);
  p.Property("FieldDefs", &TDataSet::GetFieldDefs).Stored(&TDataSet::FieldDefsStored);
  p.Property("Filter", &TDataSet::Filter, &TDataSet::SetFilter);
  p.Property("Filtered", &TDataSet::Filtered, &TDataSet::SetFiltered).Default(false);
  p.Property("FilterOptions", &TDataSet::FilterOptions, &TDataSet::SetFilterOptions);
  p.Property("BeforeOpen", &TDataSet::BeforeOpen, &TDataSet::SetBeforeOpen);
  p.Property("AfterOpen", &TDataSet::AfterOpen, &TDataSet::SetAfterOpen);
  p.Property("BeforeClose", &TDataSet::BeforeClose, &TDataSet::SetBeforeClose);
  p.Property("AfterClose", &TDataSet::AfterClose, &TDataSet::SetAfterClose);
  p.Property("BeforeInsert", &TDataSet::BeforeInsert, &TDataSet::SetBeforeInsert);
  p.Property("AfterInsert", &TDataSet::AfterInsert, &TDataSet::SetAfterInsert);
  p.Property("BeforeEdit", &TDataSet::BeforeEdit, &TDataSet::SetBeforeEdit);
  p.Property("AfterEdit", &TDataSet::AfterEdit, &TDataSet::SetAfterEdit);
  p.Property("BeforePost", &TDataSet::BeforePost, &TDataSet::SetBeforePost);
  p.Property("AfterPost", &TDataSet::AfterPost, &TDataSet::SetAfterPost);
  p.Property("BeforeCancel", &TDataSet::BeforeCancel, &TDataSet::SetBeforeCancel);
  p.Property("AfterCancel", &TDataSet::AfterCancel, &TDataSet::SetAfterCancel);
  p.Property("BeforeDelete", &TDataSet::BeforeDelete, &TDataSet::SetBeforeDelete);
  p.Property("AfterDelete", &TDataSet::AfterDelete, &TDataSet::SetAfterDelete);
  p.Property("BeforeScroll", &TDataSet::BeforeScroll, &TDataSet::SetBeforeScroll);
  p.Property("AfterScroll", &TDataSet::AfterScroll, &TDataSet::SetAfterScroll);
  p.Property("BeforeRefresh", &TDataSet::BeforeRefresh, &TDataSet::SetBeforeRefresh);
  p.Property("AfterRefresh", &TDataSet::AfterRefresh, &TDataSet::SetAfterRefresh);
  p.Property("OnCalcFields", &TDataSet::OnCalcFields, &TDataSet::SetOnCalcFields);
  p.Property("OnNewRecord", &TDataSet::OnNewRecord, &TDataSet::SetOnNewRecord);
  p.Property("OnFilterRecord", &TDataSet::OnFilterRecord, &TDataSet::SetOnFilterRecord);
  p.Property("OnPostError", &TDataSet::OnPostError, &TDataSet::SetOnPostError);
  p.Property("OnEditError", &TDataSet::OnEditError, &TDataSet::SetOnEditError);
  p.Property("OnDeleteError", &TDataSet::OnDeleteError, &TDataSet::SetOnDeleteError);
}


namespace {

// Restores a temporary state however the block is left.
class TempState {
 public:
  TempState(TDataSet& ds, TDataSetState state) : ds_(ds), saved_(ds.SetTempState(state)) {}
  ~TempState() { ds_.RestoreState(saved_); }
  TempState(const TempState&) = delete;
  TempState& operator=(const TempState&) = delete;

 private:
  TDataSet& ds_;
  TDataSetState saved_;
};

}  // namespace

TDataSet::TDataSet(TComponent* owner)
    : TComponent(owner), fields_(this), aggFields_(this), fieldDefs_(std::make_unique<TFieldDefs>(this)) {}

TDataSet::~TDataSet() {
  Destroying();
  // Descendants close in their own destructor; what is left here needs none of their hooks.
  state_ = dsInactive;
  // A destructor must not raise: what the sources' links raise on hearing that the dataset goes
  // is dropped, and every source lets go of it all the same.
  while (!dataSources_.empty()) {
    TDataSource* source = dataSources_.back();
    try {
      source->SetDataSet(nullptr);
    } catch (...) {
    }
    if (!dataSources_.empty() && dataSources_.back() == source) {
      dataSources_.pop_back();
      source->dataSet_ = nullptr;
    }
  }
  for (TFields* fields : {&fields_, &aggFields_}) {
    try {
      fields->Clear();
    } catch (...) {
    }
  }
}

// ---------------------------------------------------------------- opening and closing

void TDataSet::SetActive(bool value) {
  if (InState(csReading) || InState(csLoading)) {
    if (InState(csLoading)) {
      streamedActive_ = value;
      return;
    }
  }
  if (Active() == value) return;
  if (value) {
    DoBeforeOpen();
    try {
      OpenCursor(false);
    } catch (...) {
      if (state_ != dsOpening) OpenCursorComplete();
      throw;
    }
    if (state_ != dsOpening) OpenCursorComplete();
  } else if (InState(csDestroying)) {
    // Closing to be destroyed: what the links raise on hearing it cannot keep the cursor open.
    try {
      SetState(dsInactive);
    } catch (...) {
    }
    CloseCursor();
  } else {
    DoBeforeClose();
    SetState(dsInactive);
    CloseCursor();
    DoAfterClose();
  }
}

void TDataSet::OpenCursor(bool infoQuery) {
  if (infoQuery)
    InternalInitFieldDefs();
  else if (state_ != dsOpening)
    DoInternalOpen();
}

void TDataSet::DoInternalOpen() {
  defaultFields_ = fields_.Count() == 0;
  InternalOpen();
  internalOpenComplete_ = true;
  UpdateBufferCount();
  bof_ = true;
}

void TDataSet::OpenCursorComplete() {
  if (internalOpenComplete_) {
    SetState(dsBrowse);
    DoAfterOpen();
    if (!IsEmpty()) DoAfterScroll();
  } else {
    SetState(dsInactive);
    CloseCursor();
  }
}

void TDataSet::CloseCursor() {
  internalOpenComplete_ = false;
  ClearBuffers();
  SetBufferCount(0);
  if (IsCursorOpen()) InternalClose();
}

void TDataSet::Loaded() {
  TComponent::Loaded();
  if (streamedActive_) {
    streamedActive_ = false;
    try {
      SetActive(true);
    } catch (...) {
      if (InState(csDesigning))
        InternalHandleException();
      else
        throw;
    }
  }
}

void TDataSet::BeforeDestruction() {
  if (!InState(csDestroying)) Destroying();
  // Runs from destructors too (a dataset deleted without Free): nothing may raise out of it.
  try {
    SetActive(false);
  } catch (...) {
  }
  TComponent::BeforeDestruction();
}

void TDataSet::GetChildren(const TGetChildProc& proc, TComponent* root) {
  TComponent::GetChildren(proc, root);
  for (TField* f : fields_)
    if (f->Owner() == root) proc(f);
  for (TField* f : aggFields_)
    if (f->Owner() == root) proc(f);
}

void TDataSet::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove) return;
  for (TField* f : fields_)
    if (f->LookupDataSet() == component) f->SetLookupDataSet(nullptr);
}

void TDataSet::CheckActive() const {
  if (state_ == dsInactive) DatabaseError(SDataSetClosed, this);
}

void TDataSet::CheckInactive() const {
  if (Active()) DatabaseError(SDataSetOpen, this);
}

void TDataSet::CheckCanModify() const {
  if (!CanModify()) DatabaseError(SDataSetReadOnly, this);
}

// ---------------------------------------------------------------- fields

TField* TDataSet::FindField(std::string_view name) const {
  if (TField* f = fields_.FindField(name)) return f;
  return aggFields_.FindField(name);
}

TField* TDataSet::FieldByName(std::string_view name) const {
  TField* f = FindField(name);
  if (!f) DatabaseErrorFmt(SFieldNotFound, {name}, this);
  return f;
}

void TDataSet::GetFieldList(std::vector<TField*>& list, std::string_view names) const {
  for (const std::string& name : SplitFieldNames(names)) list.push_back(FieldByName(name));
}

std::vector<TField*> TDataSet::GetFieldList(std::string_view names) const {
  std::vector<TField*> list;
  GetFieldList(list, names);
  return list;
}

Variant TDataSet::FieldValues(std::string_view names) const {
  std::vector<TField*> list = GetFieldList(names);
  if (list.size() == 1) return list[0]->Value();
  Variant result = Variant::CreateArray(0, static_cast<int>(list.size()) - 1);
  for (size_t i = 0; i < list.size(); ++i) result.SetElement(static_cast<int>(i), list[i]->Value());
  return result;
}

void TDataSet::SetFieldValues(std::string_view names, const Variant& value) {
  std::vector<TField*> list = GetFieldList(names);
  if (list.size() == 1 && !value.IsArray()) {
    list[0]->SetValue(value);
    return;
  }
  for (size_t i = 0; i < list.size(); ++i) {
    if (value.IsArray())
      list[i]->SetValue(value.GetElement(value.ArrayLowBound() + static_cast<int>(i)));
    else
      list[i]->SetValue(value);
  }
}

void TDataSet::ClearFields() {
  if (!dsEditModes.Contains(state_)) DatabaseError(SNotEditing, this);
  DataEvent(deCheckBrowseMode, 0);
  for (TField* f : fields_)
    if (f->FieldKind() == fkData || f->FieldKind() == fkInternalCalc) f->Clear();
  DataEvent(deRecordChange, 0);
}

void TDataSet::CreateFields() {
  for (int i = 0; i < fieldDefs_->Count(); ++i) {
    TFieldDef* def = fieldDefs_->Items(i);
    if (def->Attributes().Contains(faHiddenCol) && !fieldDefs_->HiddenFields()) continue;
    if (!DefaultFieldClass(def->DataType()) && !GetFieldClass(def->DataType())) continue;
    def->CreateField(this);
  }
}

void TDataSet::BindFields(bool binding) {
  hasCalcFields_ = false;
  for (TField* f : fields_) {
    f->Bind(binding);
    if (binding && (f->FieldKind() == fkCalculated || f->FieldKind() == fkLookup)) hasCalcFields_ = true;
  }
  for (TField* f : aggFields_) f->Bind(binding);
}

void TDataSet::DestroyFields() { fields_.Clear(); }

void TDataSet::InitFieldDefs() {
  if (IsCursorOpen()) {
    InternalInitFieldDefs();
  } else {
    OpenCursor(true);
  }
  fieldDefs_->SetUpdated(true);
}

TClass TDataSet::GetFieldClass(TFieldType type) const { return DefaultFieldClass(type); }

std::unique_ptr<TStream> TDataSet::CreateBlobStream(TField* field, TBlobStreamMode mode) {
  return std::make_unique<TDataSetBlobStream>(field, mode);
}

Variant TDataSet::GetAggregateValue(TField* field) {
  (void)field;
  return Null();
}

void TDataSet::ResetAggField(TField* field) { (void)field; }

bool TDataSet::IsLinkedTo(TDataSource* dataSource) const {
  for (const TDataSet* ds = this; ds;) {
    TDataSource* src = ds->GetDataSource();
    if (!src) return false;
    if (src == dataSource) return true;
    ds = src->DataSet();
  }
  return false;
}

// ---------------------------------------------------------------- state

void TDataSet::SetState(TDataSetState value) {
  if (state_ == value) return;
  state_ = value;
  modified_ = false;
  DataEvent(deUpdateState, 0);
}

TDataSetState TDataSet::SetTempState(TDataSetState value) {
  TDataSetState saved = state_;
  state_ = value;
  ++disableCount_;
  return saved;
}

void TDataSet::RestoreState(TDataSetState value) {
  state_ = value;
  --disableCount_;
}

TRecordBuffer TDataSet::StateBuffer() const noexcept {
  switch (state_) {
    case dsBrowse:
      return IsEmpty() ? nullptr : ActiveBuffer();
    case dsEdit:
    case dsInsert:
    case dsNewValue:
    case dsOldValue:
    case dsCurValue:
      return ActiveBuffer();
    case dsCalcFields:
    case dsInternalCalc:
      return calcBuffer_;
    case dsFilter:
      return TempBuffer();
    default:
      return nullptr;
  }
}

// ---------------------------------------------------------------- the ring

TRecordBuffer TDataSet::TempBuffer() const noexcept {
  if (static_cast<size_t>(recordCount_) >= buffers_.size()) return nullptr;
  return buffers_[static_cast<size_t>(recordCount_)];
}

void TDataSet::MoveBuffer(int from, int to) noexcept {
  if (from == to) return;
  // Neighbours (a one-record ring's resync) swap places.
  if (from - to == 1 || to - from == 1) {
    std::swap(buffers_[static_cast<size_t>(from)], buffers_[static_cast<size_t>(to)]);
    return;
  }
  TRecordBuffer b = buffers_[static_cast<size_t>(from)];
  if (from < to)
    std::move(buffers_.begin() + from + 1, buffers_.begin() + to + 1, buffers_.begin() + from);
  else
    std::move_backward(buffers_.begin() + to, buffers_.begin() + from, buffers_.begin() + from + 1);
  buffers_[static_cast<size_t>(to)] = b;
}

void TDataSet::SetBufferCount(int value) {
  if (value == bufferCount_) return;
  int frontShift = 0;  // records gained (or lost) at the ring's front, which every link follows
  if (value > bufferCount_) {
    // Slots 0..value (the last one the temporary buffer) must exist.
    try {
      while (buffers_.size() < static_cast<size_t>(value) + 1) {
        buffers_.push_back(nullptr);
        buffers_.back() = AllocRecordBuffer();
      }
    } catch (...) {
      if (!buffers_.empty() && buffers_.back() == nullptr) buffers_.pop_back();
      throw;
    }
  } else if (value == 0) {
    ClearBuffers();
    while (!buffers_.empty()) {
      TRecordBuffer b = buffers_.back();
      buffers_.pop_back();
      if (b) FreeRecordBuffer(b);
    }
  } else {
    if (recordCount_ > value) {
      // Keep the window that holds the active record.
      int drop = recordCount_ - value;
      int front = std::max(0, activeRecord_ - (value - 1));
      front = std::min(front, drop);
      for (int i = 0; i < front; ++i) MoveBuffer(0, recordCount_ - 1);
      activeRecord_ -= front;
      frontShift = -front;
      recordCount_ = value;
      CursorPosChanged();
    }
    while (buffers_.size() > static_cast<size_t>(value) + 1) {
      TRecordBuffer b = buffers_.back();
      buffers_.pop_back();
      if (b) FreeRecordBuffer(b);
    }
  }
  bufferCount_ = value;
  if (value > 0 && internalOpenComplete_ && recordCount_ > 0 && recordCount_ < value) {
    GetNextRecords();
    frontShift += GetPriorRecords();
  } else if (value > 0 && internalOpenComplete_ && recordCount_ == 0 && !(dsEditModes.Contains(state_))) {
    GetNextRecords();
  }
  // Every window is fitted to the new ring, not only when records came or went at its front: a
  // ring cut at its end may leave a link's window reaching past it.
  for (TDataSource* src : dataSources_)
    for (TDataLink* link : src->links_) link->ShiftRange(frontShift);
}

void TDataSet::UpdateBufferCount() {
  if (!IsCursorOpen()) return;
  int wanted = 1;
  for (TDataSource* src : dataSources_)
    for (TDataLink* link : src->links_) wanted = std::max(wanted, link->BufferCount());
  SetBufferCount(wanted);
}

void TDataSet::ClearBuffers() noexcept {
  recordCount_ = 0;
  activeRecord_ = 0;
  currentRecord_ = -1;
  bof_ = true;
  eof_ = true;
}

void TDataSet::ActivateBuffers() noexcept {
  recordCount_ = 1;
  activeRecord_ = 0;
  currentRecord_ = 0;
  bof_ = false;
  eof_ = false;
}

void TDataSet::SetCurrentRecord(int index) {
  if (currentRecord_ == index) return;
  TRecordBuffer buffer = buffers_[static_cast<size_t>(index)];
  switch (GetBookmarkFlag(buffer)) {
    case bfCurrent:
    case bfInserted:
      InternalSetToRecord(buffer);
      break;
    case bfBOF:
      InternalFirst();
      break;
    case bfEOF:
      InternalLast();
      break;
  }
  currentRecord_ = index;
}

void TDataSet::UpdateCursorPos() {
  if (recordCount_ > 0) SetCurrentRecord(activeRecord_);
}

bool TDataSet::GetNextRecord() {
  if (bufferCount_ == 0) return false;
  TGetMode mode = gmNext;
  if (recordCount_ > 0) {
    SetCurrentRecord(recordCount_ - 1);
    // An inserted record at the end stands for the record the cursor is on.
    if (state_ == dsInsert && currentRecord_ == activeRecord_ && GetBookmarkFlag(ActiveBuffer()) == bfCurrent)
      mode = gmCurrent;
  }
  if (GetRecord(buffers_[static_cast<size_t>(recordCount_)], mode, true) != grOK) {
    CursorPosChanged();
    return false;
  }
  if (recordCount_ == 0) {
    ActivateBuffers();
  } else if (recordCount_ < bufferCount_) {
    ++recordCount_;
  } else {
    // The ring is full: the first record leaves, the others move up one slot.
    MoveBuffer(0, recordCount_);
    if (activeRecord_ > 0) --activeRecord_;
  }
  currentRecord_ = recordCount_ - 1;
  return true;
}

bool TDataSet::GetPriorRecord() {
  if (bufferCount_ == 0) return false;
  if (recordCount_ > 0) SetCurrentRecord(0);
  if (GetRecord(buffers_[static_cast<size_t>(recordCount_)], gmPrior, true) != grOK) {
    CursorPosChanged();
    return false;
  }
  if (recordCount_ == 0) {
    ActivateBuffers();
  } else {
    MoveBuffer(recordCount_, 0);
    if (recordCount_ < bufferCount_) ++recordCount_;
    if (activeRecord_ < recordCount_ - 1) ++activeRecord_;
  }
  currentRecord_ = 0;
  return true;
}

int TDataSet::GetNextRecords() {
  int n = 0;
  while (recordCount_ < bufferCount_ && GetNextRecord()) ++n;
  return n;
}

int TDataSet::GetPriorRecords() {
  int n = 0;
  while (recordCount_ < bufferCount_ && GetPriorRecord()) ++n;
  return n;
}

void TDataSet::Resync(TResyncMode mode) {
  if (bufferCount_ == 0) return;
  TRecordBuffer spare = buffers_[static_cast<size_t>(recordCount_)];
  if (mode.Contains(rmExact)) {
    CursorPosChanged();
    if (GetRecord(spare, gmCurrent, true) != grOK) DatabaseError(SRecordNotFound, this);
  } else if (GetRecord(spare, gmCurrent, false) != grOK && GetRecord(spare, gmNext, false) != grOK &&
             GetRecord(spare, gmPrior, false) != grOK) {
    ClearBuffers();
    DataEvent(deDataSetChange, 0);
    return;
  }
  int before = mode.Contains(rmCenter) ? (bufferCount_ - 1) / 2 : activeRecord_;
  MoveBuffer(recordCount_, 0);
  ActivateBuffers();
  try {
    while (before > 0 && GetPriorRecord()) --before;
    GetNextRecords();
    GetPriorRecords();
  } catch (...) {
    DataEvent(deDataSetChange, 0);
    throw;
  }
  DataEvent(deDataSetChange, 0);
}

void TDataSet::GetCalcFields(TRecordBuffer buffer) {
  if (hasCalcFields_) CalculateFields(buffer);
}

void TDataSet::CalculateFields(TRecordBuffer buffer) {
  TRecordBuffer savedCalc = calcBuffer_;
  calcBuffer_ = buffer;
  if (state_ != dsInternalCalc) {
    TempState temp(*this, dsCalcFields);
    try {
      ClearCalcFields(buffer);
      for (TField* f : fields_)
        if (f->FieldKind() == fkLookup) f->CalcLookupValue();
      DoOnCalcFields();
    } catch (...) {
      calcBuffer_ = savedCalc;
      throw;
    }
  }
  calcBuffer_ = savedCalc;
}

void TDataSet::UpdateCalcFields() {
  if (state_ != dsSetKey && autoCalcFields_ && hasCalcFields_ && dsEditModes.Contains(state_))
    CalculateFields(ActiveBuffer());
}

// ---------------------------------------------------------------- navigation

void TDataSet::First() {
  CheckBrowseMode();
  DoBeforeScroll();
  ClearBuffers();
  try {
    InternalFirst();
    GetNextRecord();
    GetNextRecords();
  } catch (...) {
    bof_ = true;
    DataEvent(deDataSetChange, 0);
    throw;
  }
  bof_ = true;
  DataEvent(deDataSetChange, 0);
  DoAfterScroll();
}

void TDataSet::Last() {
  CheckBrowseMode();
  DoBeforeScroll();
  ClearBuffers();
  try {
    InternalLast();
    GetPriorRecord();
    GetPriorRecords();
  } catch (...) {
    eof_ = true;
    DataEvent(deDataSetChange, 0);
    throw;
  }
  eof_ = true;
  DataEvent(deDataSetChange, 0);
  DoAfterScroll();
}

int TDataSet::MoveBy(int distance) {
  CheckBrowseMode();
  int moved = 0;
  DoBeforeScroll();
  if ((distance > 0 && !eof_) || (distance < 0 && !bof_)) {
    bof_ = false;
    eof_ = false;
    int shift = 0;  // how far the records moved within the ring
    try {
      while (distance > 0) {
        if (activeRecord_ < recordCount_ - 1) {
          ++activeRecord_;
        } else {
          bool full = recordCount_ >= bufferCount_;
          if (!GetNextRecord()) {
            eof_ = true;
            break;
          }
          if (full) --shift;
          activeRecord_ = recordCount_ - 1;
        }
        --distance;
        ++moved;
      }
      while (distance < 0) {
        if (activeRecord_ > 0) {
          --activeRecord_;
        } else {
          if (!GetPriorRecord()) {
            bof_ = true;
            break;
          }
          ++shift;
          activeRecord_ = 0;
        }
        ++distance;
        --moved;
      }
    } catch (...) {
      DataEvent(deDataSetScroll, shift);
      throw;
    }
    DataEvent(deDataSetScroll, shift);
    DoAfterScroll();
  }
  return moved;
}

void TDataSet::SetRecNo(int value) { (void)value; }

void TDataSet::Refresh() {
  DoBeforeRefresh();
  CheckBrowseMode();
  UpdateCursorPos();
  try {
    InternalRefresh();
  } catch (...) {
    Resync({});
    throw;
  }
  Resync({});
  DoAfterRefresh();
}

// ---------------------------------------------------------------- editing

void TDataSet::CheckOperation(const std::function<void()>& operation, const TDataSetErrorEvent& handler) {
  for (;;) {
    try {
      UpdateCursorPos();
      operation();
      return;
    } catch (EDatabaseError& e) {
      if (!handler) throw;
      TDataAction action = daFail;
      handler(this, e, action);
      if (action == daFail) throw;
      if (action == daAbort) Abort();
    }
  }
}

void TDataSet::BeginInsertAppend() {
  CheckBrowseMode();
  CheckCanModify();
  DoBeforeInsert();
  DoBeforeScroll();
}

void TDataSet::EndInsertAppend() {
  SetState(dsInsert);
  try {
    DoOnNewRecord();
  } catch (...) {
    UpdateCursorPos();
    SetState(dsBrowse);
    Resync({});
    throw;
  }
  modified_ = false;
  DataEvent(deDataSetChange, 0);
  DoAfterInsert();
  DoAfterScroll();
}

void TDataSet::InitRecord(TRecordBuffer buffer) {
  InternalInitRecord(buffer);
  ClearCalcFields(buffer);
  SetBookmarkFlag(buffer, bfInserted);
}

void TDataSet::Insert() {
  CheckActive();
  BeginInsertAppend();
  bool wasEmpty = recordCount_ == 0;
  MoveBuffer(recordCount_, activeRecord_);
  TRecordBuffer buffer = ActiveBuffer();
  InitRecord(buffer);
  if (wasEmpty) {
    SetBookmarkFlag(buffer, bfBOF);
  } else {
    // The new record stands before the one that was current: it takes that record's bookmark.
    std::vector<Byte> bm(static_cast<size_t>(std::max(BookmarkSize, 0)));
    GetBookmarkData(buffers_[static_cast<size_t>(activeRecord_) + 1], bm.data());
    SetBookmarkData(buffer, bm.data());
  }
  if (recordCount_ < bufferCount_) ++recordCount_;
  eof_ = wasEmpty;
  bof_ = false;
  InternalInsert();
  EndInsertAppend();
}

void TDataSet::Append() {
  CheckActive();
  BeginInsertAppend();
  ClearBuffers();
  TRecordBuffer buffer = buffers_[0];
  InitRecord(buffer);
  SetBookmarkFlag(buffer, bfEOF);
  recordCount_ = 1;
  bof_ = false;
  GetPriorRecords();
  InternalLast();
  // The new record goes after the last: Eof holds while it is being appended.
  eof_ = true;
  EndInsertAppend();
}

void TDataSet::Edit() {
  if (state_ == dsEdit || state_ == dsInsert) return;
  CheckActive();
  if (recordCount_ == 0) {
    Insert();
    return;
  }
  CheckBrowseMode();
  CheckCanModify();
  DoBeforeEdit();
  CheckOperation([this] { InternalEdit(); }, onEditError_);
  GetCalcFields(ActiveBuffer());
  SetState(dsEdit);
  DataEvent(deRecordChange, 0);
  DoAfterEdit();
}

void TDataSet::InternalPost() {
  for (TField* f : fields_) {
    if (f->Required() && !f->ReadOnly() && (f->FieldKind() == fkData || f->FieldKind() == fkInternalCalc) &&
        f->IsNull()) {
      f->FocusControl();
      DatabaseErrorFmt(SFieldRequired, {f->DisplayName()}, this);
    }
  }
}

void TDataSet::Post() {
  UpdateRecord();
  if (state_ != dsEdit && state_ != dsInsert) return;
  DataEvent(deCheckBrowseMode, 0);
  DoBeforePost();
  CheckOperation([this] { InternalPost(); }, onPostError_);
  SetState(dsBrowse);
  Resync({});
  DoAfterPost();
}

void TDataSet::Cancel() {
  if (state_ != dsEdit && state_ != dsInsert) return;
  DataEvent(deCheckBrowseMode, 0);
  DoBeforeCancel();
  // Leaving a new record moves the cursor to another one, as inserting did.
  const bool moves = state_ == dsInsert;
  if (moves) DoBeforeScroll();
  UpdateCursorPos();
  InternalCancel();
  SetState(dsBrowse);
  Resync({});
  DoAfterCancel();
  if (moves) DoAfterScroll();
}

void TDataSet::Delete() {
  CheckActive();
  if (state_ == dsInsert || state_ == dsSetKey) {
    Cancel();
    return;
  }
  if (recordCount_ == 0) DatabaseError(SDataSetEmpty, this);
  DataEvent(deCheckBrowseMode, 0);
  DoBeforeDelete();
  DoBeforeScroll();
  CheckOperation([this] { InternalDelete(); }, onDeleteError_);
  SetState(dsBrowse);
  Resync({});
  DoAfterDelete();
  DoAfterScroll();
}

void TDataSet::AppendRecord(const std::vector<Variant>& values) {
  Append();
  for (size_t i = 0; i < values.size() && i < static_cast<size_t>(fields_.Count()); ++i)
    if (!values[i].IsEmpty()) fields_[static_cast<int>(i)]->SetValue(values[i]);
  Post();
}

void TDataSet::InsertRecord(const std::vector<Variant>& values) {
  Insert();
  for (size_t i = 0; i < values.size() && i < static_cast<size_t>(fields_.Count()); ++i)
    if (!values[i].IsEmpty()) fields_[static_cast<int>(i)]->SetValue(values[i]);
  Post();
}

void TDataSet::CheckBrowseMode() {
  CheckActive();
  DataEvent(deCheckBrowseMode, 0);
  switch (state_) {
    case dsEdit:
    case dsInsert:
      UpdateRecord();
      if (modified_)
        Post();
      else
        Cancel();
      break;
    case dsSetKey:
      Post();
      break;
    default:
      break;
  }
}

void TDataSet::UpdateRecord() {
  if (!dsWriteModes.Contains(state_)) DatabaseError(SNotEditing, this);
  DataEvent(deUpdateRecord, 0);
}

void TDataSet::DoOnNewRecord() {
  if (OnNewRecord_) OnNewRecord_(this);
}

// ---------------------------------------------------------------- searching

bool TDataSet::RecordMatches(const std::vector<TField*>& fields, const Variant& keyValues,
                             TLocateOptions options) const {
  for (size_t i = 0; i < fields.size(); ++i) {
    const Variant& key = fields.size() == 1 && !keyValues.IsArray()
                             ? keyValues
                             : keyValues.GetElement(keyValues.ArrayLowBound() + static_cast<int>(i));
    TField* f = fields[i];
    Variant value = f->Value();
    if (VarIsNullOrEmpty(key) || VarIsNullOrEmpty(value)) {
      if (VarIsNullOrEmpty(key) != VarIsNullOrEmpty(value)) return false;
      continue;
    }
    bool text = key.IsStr() || value.IsStr();
    if (text && !options.Empty()) {
      std::string k = VarToStr(key);
      std::string v = VarToStr(value);
      if (options.Contains(loPartialKey)) v = Utf8Left(v, Utf8CharCount(k));
      bool same = options.Contains(loCaseInsensitive) ? AnsiSameText(v, k) : v == k;
      if (!same) return false;
      continue;
    }
    if (VarCompareValue(value, key) != vrEqual) return false;
  }
  return true;
}

bool TDataSet::ScanRecords(const std::function<bool()>& match) {
  CheckBrowseMode();
  if (IsEmpty()) return false;
  TRecordBuffer buffer = TempBuffer();
  if (!buffer) return false;
  CursorPosChanged();
  bool found = false;
  TempState temp(*this, dsFilter);
  InternalFirst();
  while (GetRecord(buffer, gmNext, true) == grOK) {
    if (match()) {
      found = true;
      break;
    }
  }
  return found;
}

bool TDataSet::Locate(std::string_view keyFields, const Variant& keyValues, TLocateOptions options) {
  std::vector<TField*> fields = GetFieldList(keyFields);
  if (fields.size() > 1 && !keyValues.IsArray()) return false;
  bool found = ScanRecords([&] { return RecordMatches(fields, keyValues, options); });
  if (!found) return false;
  std::vector<Byte> bm(static_cast<size_t>(std::max(BookmarkSize, 0)));
  GetBookmarkData(TempBuffer(), bm.data());
  DoBeforeScroll();
  InternalGotoBookmark(bm.data());
  Resync({rmExact, rmCenter});
  DoAfterScroll();
  return true;
}

Variant TDataSet::Lookup(std::string_view keyFields, const Variant& keyValues, std::string_view resultFields) {
  std::vector<TField*> fields = GetFieldList(keyFields);
  if (fields.size() > 1 && !keyValues.IsArray()) return Null();
  Variant result = Null();
  ScanRecords([&] {
    if (!RecordMatches(fields, keyValues, {})) return false;
    result = FieldValues(resultFields);
    return true;
  });
  return result;
}

// ---------------------------------------------------------------- bookmarks

bool TDataSet::BookmarkAvailable() {
  return (state_ == dsBrowse || state_ == dsEdit || state_ == dsInsert) && !IsEmpty() &&
         GetBookmarkFlag(ActiveBuffer()) == bfCurrent;
}

TBookmark TDataSet::GetBookmark() {
  TBookmark bm;
  if (BookmarkAvailable() && BookmarkSize > 0) {
    bm.resize(static_cast<size_t>(BookmarkSize));
    GetBookmarkData(ActiveBuffer(), bm.data());
  }
  return bm;
}

TBookmarkStr TDataSet::GetBookmarkStr() {
  TBookmark bm = GetBookmark();
  return TBookmarkStr(bm.begin(), bm.end());
}

void TDataSet::GotoBookmark(const TBookmark& bookmark) {
  if (bookmark.empty()) return;
  CheckBrowseMode();
  if (static_cast<int>(bookmark.size()) < BookmarkSize) DatabaseError(SBookmarkNotFound, this);
  DoBeforeScroll();
  InternalGotoBookmark(bookmark.data());
  Resync({rmExact, rmCenter});
  DoAfterScroll();
}

void TDataSet::SetBookmark(const TBookmarkStr& value) { GotoBookmark(TBookmark(value.begin(), value.end())); }

bool TDataSet::BookmarkValid(const TBookmark& bookmark) {
  (void)bookmark;
  return false;
}

int TDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) {
  if (a.empty() || b.empty()) return a.empty() == b.empty() ? 0 : (a.empty() ? -1 : 1);
  return a == b ? 0 : (a < b ? -1 : 1);
}

// ---------------------------------------------------------------- controls and notifications

void TDataSet::DisableControls() {
  if (disableCount_ == 0) {
    disableState_ = state_;
    enableEvent_ = deDataSetChange;
    NotifyDataSources(deDisabledStateChange, 0);
  }
  ++disableCount_;
}

void TDataSet::EnableControls() {
  if (disableCount_ == 0) return;
  if (--disableCount_ == 0) {
    NotifyDataSources(deDisabledStateChange, 1);
    if (disableState_ != state_) DataEvent(deUpdateState, 0);
    if (disableState_ != dsInactive && state_ != dsInactive) DataEvent(enableEvent_, 0);
  }
}

void TDataSet::NotifyDataSources(TDataEvent event, NativeInt info) {
  // A handler may detach a source: walk a copy.
  std::vector<TDataSource*> sources = dataSources_;
  for (TDataSource* src : sources)
    if (std::find(dataSources_.begin(), dataSources_.end(), src) != dataSources_.end()) src->DataEvent(event, info);
}

void TDataSet::DataEvent(TDataEvent event, NativeInt info) {
  // DataEventIdle answers for this body: the two change the same way.
  if (event == deFieldChange) {
    TField* field = reinterpret_cast<TField*>(info);
    if (field && (field->FieldKind() == fkData || field->FieldKind() == fkInternalCalc)) modified_ = true;
    if (hasCalcFields_) UpdateCalcFields();
    if (field) field->Change();
  } else if (event == dePropertyChange) {
    fieldDefs_->SetUpdated(false);
  }
  if (disableCount_ == 0) {
    if (!dataSources_.empty()) NotifyDataSources(event, info);  // most tables loaded are shown by nobody yet
  } else if ((event == deUpdateState && state_ == dsInactive) || event == deLayoutChange) {
    enableEvent_ = deLayoutChange;
  }
}

void TDataSet::AddDataSource(TDataSource* source) {
  dataSources_.push_back(source);
  UpdateBufferCount();
}

void TDataSet::RemoveDataSource(TDataSource* source) {
  dataSources_.erase(std::remove(dataSources_.begin(), dataSources_.end(), source), dataSources_.end());
  if (!InState(csDestroying)) UpdateBufferCount();
}

// ---------------------------------------------------------------- filtering

void TDataSet::SetFilterText(const std::string& value) {
  if (filterText_ == value) return;
  if (Active() && filtered_) CheckBrowseMode();
  filterText_ = value;
  if (Active() && filtered_) First();
}

void TDataSet::SetFiltered(bool value) {
  if (filtered_ == value) return;
  if (Active()) CheckBrowseMode();
  filtered_ = value;
  if (Active()) First();
}

void TDataSet::SetFilterOptions(TFilterOptions value) {
  if (filterOptions_ == value) return;
  if (Active() && filtered_) CheckBrowseMode();
  filterOptions_ = value;
  if (Active() && filtered_) First();
}

void TDataSet::SetOnFilterRecord(TFilterRecordEvent value) {
  if (Active() && filtered_) CheckBrowseMode();
  onFilterRecord_ = std::move(value);
  if (Active() && filtered_) First();
}

// ---------------------------------------------------------------- events

void TDataSet::DoBeforeOpen() { if (BeforeOpen_) BeforeOpen_(this); }
void TDataSet::DoAfterOpen() { if (AfterOpen_) AfterOpen_(this); }
void TDataSet::DoBeforeClose() { if (BeforeClose_) BeforeClose_(this); }
void TDataSet::DoAfterClose() { if (AfterClose_) AfterClose_(this); }
void TDataSet::DoBeforeInsert() { if (BeforeInsert_) BeforeInsert_(this); }
void TDataSet::DoAfterInsert() { if (AfterInsert_) AfterInsert_(this); }
void TDataSet::DoBeforeEdit() { if (BeforeEdit_) BeforeEdit_(this); }
void TDataSet::DoAfterEdit() { if (AfterEdit_) AfterEdit_(this); }
void TDataSet::DoBeforePost() { if (BeforePost_) BeforePost_(this); }
void TDataSet::DoAfterPost() { if (AfterPost_) AfterPost_(this); }
void TDataSet::DoBeforeCancel() { if (BeforeCancel_) BeforeCancel_(this); }
void TDataSet::DoAfterCancel() { if (AfterCancel_) AfterCancel_(this); }
void TDataSet::DoBeforeDelete() { if (BeforeDelete_) BeforeDelete_(this); }
void TDataSet::DoAfterDelete() { if (AfterDelete_) AfterDelete_(this); }
void TDataSet::DoBeforeScroll() { if (BeforeScroll_) BeforeScroll_(this); }
void TDataSet::DoAfterScroll() { if (AfterScroll_) AfterScroll_(this); }
void TDataSet::DoBeforeRefresh() { if (BeforeRefresh_) BeforeRefresh_(this); }
void TDataSet::DoAfterRefresh() { if (AfterRefresh_) AfterRefresh_(this); }
void TDataSet::DoOnCalcFields() { if (OnCalcFields_) OnCalcFields_(this); }
