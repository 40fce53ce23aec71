#include "memtable/mtrecords.h"

#include <algorithm>
#include <memory>
#include <new>
#include <span>
#include <unordered_map>

#include "editors/tools/gxplatform.h"
#include "memtable/mtindex.h"
#include "memtable/sortkeys.h"
#include "platform/classes/filer.h"
#include "platform/db/dbconsts.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/smallblocks.h"

FANO_IMPLEMENT_COMPONENT(TRecordsListNotificatorGx, TComponent)
// TRecordsListGx::StaticClass is defined with the store: the reader's factory needs the store.

namespace {

const char* const kOldNotAccessible = "TMemoryRecordGx.GetDataValues: Old values is not accessible.";
const char* const kEditNotAccessible = "TMemoryRecordGx.GetDataValues: Edit values is not accessible.";

const Variant& EmptyValue() {
  static const Variant empty;
  return empty;
}

// A byte array from another array (elements read as numbers) or from a text's bytes; the stream
// reads byte arrays back as plain arrays.
Variant ToByteArray(const Variant& v) {
  if (v.IsStr()) {
    const std::string_view s = v.StrRef();
    Variant out = Variant::CreateArray(0, static_cast<int>(s.size()) - 1, varByte);
    for (size_t i = 0; i < s.size(); ++i)
      out.SetElement(static_cast<int>(i), Variant::FromByte(static_cast<uint8_t>(s[i])));
    return out;
  }
  if (v.IsArray() && v.VarType() != (varArray | varByte)) {
    int lo = v.ArrayLowBound(), hi = v.ArrayHighBound();
    Variant out = Variant::CreateArray(lo, hi, varByte);
    for (int i = lo; i <= hi; ++i) out.SetElement(i, VarCast(v.GetElement(i), varByte));
    return out;
  }
  return VarCast(v, varArray | varByte);
}

}  // namespace

// ---------------------------------------------------------------- record

static_assert(sizeof(TMemoryRecordGx) % alignof(Variant) == 0, "values follow the record");
static_assert(sizeof(TMemoryRecordGx) <= 24, "the header of every row stays small");

TMemoryRecordGx::TMemoryRecordGx(TRecordsListGx* list, uint32_t count)
    : place_(reinterpret_cast<uintptr_t>(list) | kDetached), count_(static_cast<uint16_t>(count)) {
  // Every new record fills its columns so: a loop of two stores a column, unrolled.
  Variant* data = Data();
#pragma GCC unroll 4
  for (uint32_t i = 0; i < count; ++i) new (data + i) Variant(Variant::Null());
}

TMemoryRecordGx* TMemoryRecordGx::Make(TRecordsListGx* list, uint32_t count) {
  if (count > UINT16_MAX) throw EInvalidOperation("A record holds at most 65535 values.");
  return new (NewSmallBlock(BlockBytes(count))) TMemoryRecordGx(list, count);
}

void TMemoryRecordGx::operator delete(TMemoryRecordGx* record, std::destroying_delete_t) noexcept {
  const size_t bytes = BlockBytes(record->count_);
  record->~TMemoryRecordGx();
  FreeSmallBlock(record, bytes);
}

TMemoryRecordGx* TMemoryRecordGx::MakeFrom(TRecordsListGx* list, const TMemoryRecordGx& source,
                                           const TVarType* types) {
  const uint32_t count = source.count_;
  void* block = NewSmallBlock(BlockBytes(count));
  // Made with no values, then given the source's one by one: a value that fails to copy (an
  // array) takes the ones before it and the block along.
  auto* record = new (block) TMemoryRecordGx(list, 0u);
  Variant* to = record->Data();
  const Variant* from = source.Data();
  uint32_t made = 0;  // counted in a local: the record's own count is set once at the end
  // Freed by hand: the block was sized for all the values, `made` says how many were made.
  auto drop = [&] {
    std::destroy_n(to, made);
    FreeSmallBlock(block, BlockBytes(count));
  };
  Variant::PrefetchTexts(from, count);
  try {
    // Looked at while copied: the source's values are read once.
    for (; made < count; ++made) {
      const Variant& v = from[made];
      const TVarType t = v.VarType();
      if (types && t != types[made] && types[made] != TRecordsListGx::kAnyVarType && t != varNull && t != varEmpty) {
        drop();
        return nullptr;
      }
      if (t == varEmpty)
        new (to + made) Variant(Variant::Null());
      else
        new (to + made) Variant(v);
    }
  } catch (...) {
    drop();
    throw;
  }
  record->count_ = static_cast<uint16_t>(count);
  return record;
}

void TMemoryRecordGx::SwapCurrent(std::vector<Variant>& other) noexcept {
  std::swap_ranges(Data(), Data() + std::min<size_t>(count_, other.size()), other.begin());
}

void TMemoryRecordGx::BeforeDestruction() {
  TRecordsListGx* list = RecordsList();
  if (!list || (!InList() && !inDeleted_)) return;
  if (inDeleted_) throw EInvalidOperation("Can not delete Record if it present in DeletedList.");
  const auto& pending = list->pending_;
  if (updateIndex_ >= 0 && static_cast<size_t>(updateIndex_) < pending.size() && pending[updateIndex_] == this)
    throw EInvalidOperation("Can not delete Record if it present in CachedUpdate pending list.");
  int i = Index();
  if (i >= 0 && i < list->Count() && list->records_[static_cast<size_t>(i)] == this)
    throw EInvalidOperation("Can not delete Record if it present in active list.");
}

TMemoryRecordGx::~TMemoryRecordGx() {
  DropVersions();
  Variant::PrefetchTexts(Data(), count_);
  std::destroy_n(Data(), count_);
}

// Made when a record first needs versions and freed when the last one gives them up: no static
// destructor to run after records that go during exit, and nothing left behind when the module
// that holds it is unloaded.
std::unordered_map<const TMemoryRecordGx*, TMemoryRecordGx::Versions>* TMemoryRecordGx::versionsTable_ = nullptr;

std::unordered_map<const TMemoryRecordGx*, TMemoryRecordGx::Versions>& TMemoryRecordGx::VersionsTable() {
  if (!versionsTable_) versionsTable_ = new std::unordered_map<const TMemoryRecordGx*, Versions>();
  return *versionsTable_;
}

TMemoryRecordGx::Versions* TMemoryRecordGx::FindVersions() const noexcept {
  if (!hasVersions_) return nullptr;
  return &VersionsTable().find(this)->second;
}

TMemoryRecordGx::Versions& TMemoryRecordGx::TakeVersions() {
  if (hasVersions_) return *FindVersions();
  Versions& v = VersionsTable()[this];
  hasVersions_ = true;
  return v;
}

void TMemoryRecordGx::DropVersions() noexcept {
  if (!hasVersions_) return;
  VersionsTable().erase(this);
  hasVersions_ = false;
  if (versionsTable_->empty()) {
    delete versionsTable_;
    versionsTable_ = nullptr;
  }
}

TMTDataStructGx* TMemoryRecordGx::DataStruct() const {
  TRecordsListGx* list = RecordsList();
  return list && list->MemTableData() ? list->MemTableData()->DataStruct() : nullptr;
}

void TMemoryRecordGx::IndexError(int index) { TList::Error("List index out of bounds (%d)", index); }

const std::vector<Variant>& TMemoryRecordGx::NoValues() noexcept {
  static const std::vector<Variant> none;
  return none;
}

void TMemoryRecordGx::ClearOld() noexcept {
  Versions* v = FindVersions();
  if (!v) return;
  v->Old.clear();
  if (v->Edit.empty()) DropVersions();
}

void TMemoryRecordGx::ClearEdit() noexcept {
  Versions* v = FindVersions();
  if (!v) return;
  v->Edit.clear();
  if (v->Old.empty()) DropVersions();
}

const Variant& TMemoryRecordGx::ValueRef(int index, int version) const {
  CheckIndex(index);
  size_t i = static_cast<size_t>(index);
  const std::vector<Variant>& old_ = OldValues();
  const std::vector<Variant>& edit_ = EditValues();
  switch (version) {
    case rvOld:
      if (old_.empty()) throw EDatabaseError(kOldNotAccessible);
      return old_[i];
    case rvEditOrCurrent: return edit_.empty() ? Data()[i] : edit_[i];
    case rvCurrentEditing:
      if (edit_.empty()) throw EDatabaseError(kEditNotAccessible);
      return Data()[i];
    case rvCurrent: return Data()[i];
    case rvOriginal: return !old_.empty() ? old_[i] : (!edit_.empty() ? edit_[i] : Data()[i]);
    case rvOldOrCurrent: return !old_.empty() ? old_[i] : Data()[i];
    default: return EmptyValue();
  }
}

void TMemoryRecordGx::StoreValue(Variant& slot, TVarType type, const Variant& value) {
  if (value.IsNull())
    slot = Variant::Null();
  else if (type == varVariant || value.VarType() == type)
    slot = value;
  else if (type == (varArray | varByte))
    slot = ToByteArray(value);
  else
    slot = VarCast(value, type);
}

void TMemoryRecordGx::SetDataValue(int index, int version, const Variant& value) {
  CheckIndex(index);
  const size_t i = static_cast<size_t>(index);
  const bool hasOld = HasOldValues(), hasEdit = HasEditValues();
  Variant* slot;
  switch (version) {
    case rvCurrentEditing:
      if (!hasEdit) throw EDatabaseError(kEditNotAccessible);
      slot = &Data()[i];
      break;
    case rvCurrent: slot = &Data()[i]; break;
    case rvOld:
      if (!hasOld) throw EDatabaseError(kOldNotAccessible);
      slot = &FindVersions()->Old[i];
      break;
    case rvOriginal:
    case rvOldOrCurrent:
      if (hasOld)
        slot = &FindVersions()->Old[i];
      else if (version == rvOldOrCurrent || !hasEdit)
        slot = &Data()[i];
      else
        slot = &FindVersions()->Edit[i];
      break;
    case rvEditOrCurrent: slot = hasEdit ? &FindVersions()->Edit[i] : &Data()[i]; break;
    default: slot = nullptr; break;
  }
  TMTDataStructGx* s = DataStruct();
  const TMTDataFieldGx* f = s && index < s->Count() ? s->Fields()[i] : nullptr;
  if (f && f->CopiesValues()) {
    // Object references go to the current values as they are (Null stays Null).
    Data()[i] = VarAsVariantGx(value);
    return;
  }
  if (slot) StoreValue(*slot, f ? f->StoreVarType() : varVariant, value);
}

Variant TMemoryRecordGx::GetDataValues(std::string_view names, int version) const {
  if (version == rvOld && !HasOldValues()) throw EDatabaseError(kOldNotAccessible);
  TMTDataStructGx* s = DataStruct();
  if (names.find(';') != std::string_view::npos) {
    std::vector<int> indexes;
    if (s) s->FieldIndexes(names, indexes);
    Variant result = Variant::CreateArray(0, static_cast<int>(indexes.size()) - 1, varVariant);
    for (size_t k = 0; k < indexes.size(); ++k) result.SetElement(static_cast<int>(k), ValueRef(indexes[k], version));
    return result;
  }
  return ValueRef(s ? s->FieldIndex(names) : -1, version);
}

void TMemoryRecordGx::SetDataValues(std::string_view names, int version, const Variant& values) {
  TMTDataStructGx* s = DataStruct();
  if (names.find(';') != std::string_view::npos) {
    std::vector<int> indexes;
    if (s) s->FieldIndexes(names, indexes);
    if (indexes.empty()) return;
    int lo = values.ArrayLowBound();
    for (size_t k = 0; k < indexes.size(); ++k)
      SetDataValue(indexes[k], version, values.GetElement(lo + static_cast<int>(k)));
    return;
  }
  SetDataValue(s ? s->FieldIndex(names) : -1, version, values);
}

Variant TMemoryRecordGx::GetDataValuesByIndexes(const std::vector<int>& indexes, int version) const {
  if (indexes.empty()) return Variant();
  if (indexes.size() == 1) return ValueRef(indexes[0], version);
  // Several keys need all their values (multi-field tree keys and indexes compare them).
  Variant result = Variant::CreateArray(0, static_cast<int>(indexes.size()) - 1, varVariant);
  for (size_t k = 0; k < indexes.size(); ++k) result.SetElement(static_cast<int>(k), ValueRef(indexes[k], version));
  return result;
}

void TMemoryRecordGx::Edit() {
  if (editState_ != resBrowse) return;
  editState_ = resEdit;
  flag_ = false;
  TakeVersions().Edit.assign(Data(), Data() + count_);
}

void TMemoryRecordGx::Post() {
  if (editState_ != resEdit && editState_ != resInsert) throw EDatabaseError(SNotEditing);
  TRecordsListGx* list = RecordsList();
  if (editState_ == resInsert) {
    list->AddRecord(this);
    return;
  }
  list->Notify(this, Index(), rlBeforeChange);
  const TRecordsListGx::TPostedEdit posted{list->CachedUpdates(), updateStatus_, updateIndex_ >= 0, HasOldValues()};
  if (posted.Cached) {
    if (updateStatus_ == usUnmodified) updateStatus_ = usModified;
    if (updateIndex_ < 0) list->Queue(this);
    if (updateStatus_ == usModified && !HasOldValues()) {
      Versions& v = TakeVersions();
      v.Old = v.Edit;
    }
  } else {
    list->ResolveRecordChange(this, 1);
  }
  // The values from before the edit are kept until the listeners have placed the record: a post
  // one of them cannot place (its filter or sort order raising) is taken back.
  std::vector<Variant> before;
  if (Versions* v = FindVersions()) before.swap(v->Edit);
  ClearEdit();
  editState_ = resBrowse;
  try {
    list->Notify(this, Index(), rlChanged);
  } catch (...) {
    list->TakeBackPost(this, before, posted);
    throw;
  }
}

void TMemoryRecordGx::Cancel() {
  if (editState_ != resEdit && editState_ != resInsert) throw EDatabaseError(SNotEditing);
  if (editState_ == resInsert) {
    // Never attached: nobody else holds it.
    Free();
    return;
  }
  if (Versions* v = FindVersions()) SwapCurrent(v->Edit);
  ClearEdit();
  editState_ = resBrowse;
}

void TMemoryRecordGx::MergeChanges() {
  if (updateStatus_ == usUnmodified) return;
  TRecordsListGx* list = RecordsList();
  if (updateStatus_ == usDeleted && Index() >= 0) list->MoveToDeleted(Index());
  ClearOld();
  updateStatus_ = usUnmodified;
  list->Unqueue(this);
}

void TMemoryRecordGx::WriteData(TWriter& writer) const {
  writer.WriteListBegin();
  for (const Variant& v : std::span<const Variant>(Data(), count_)) {
    if (v.IsEmpty()) throw EWriteError("\"TMemoryRecordGx.WriteData\" - Invalid variant type - varEmpty");
    // Null goes as an unassigned value; reading turns it back into Null.
    writer.WriteVariant(v.IsNull() ? Variant() : v);
  }
  writer.WriteListEnd();
}

void TMemoryRecordGx::ReadData(TReader& reader) {
  reader.ReadListBegin();
  const TMTDataStructGx* s = DataStruct();
  for (int i = 0; i < FieldCount(); ++i) {
    if (reader.EndOfList()) reader.Error("A record holds fewer values than the store has columns");
    Variant v = reader.ReadVariant();
    Variant& slot = Data()[i];
    const TMTDataFieldGx* f = s && i < s->Count() ? s->Fields()[static_cast<size_t>(i)] : nullptr;
    if (v.IsEmpty())
      slot = Variant::Null();
    else if (f && f->CopiesValues())
      slot = std::move(v);
    else
      StoreValue(slot, f ? f->StoreVarType() : varVariant, v);
  }
  if (!reader.EndOfList()) reader.Error("A record holds more values than the store has columns");
  reader.ReadListEnd();
}

// ---------------------------------------------------------------- records list

TRecordsListGx::TRecordsListGx(TComponent* owner) : TComponent(owner), indexes_(std::make_unique<TMTIndexesGx>(this)) {
  records_.SetOwner(this);
}

TRecordsListGx::~TRecordsListGx() {
  for (TMemoryRecordGx* r : pending_)
    if (r) r->updateIndex_ = -1;
  pending_.clear();
  pendingCount_ = 0;
  // Cleared without notices: nobody may look at a list that is going away (an index watching
  // it included).
  ++updateCount_;
  Clear();
  FreeRecordList(deleted_);
  if (shadow_) {
    TMemTableDataShadowGx* s = shadow_;
    shadow_ = nullptr;
    s->Free();
  }
}

TComponent* TRecordsListGx::GetParentComponent() const { return store_; }

void TRecordsListGx::SetParentComponent(TComponent*) {
  // Read as a block of its store: the reader made it the root's; it belongs to the store alone.
  if (store_ && Owner()) Owner()->RemoveComponent(this);
}

void TRecordsListGx::SetName(std::string_view newName) {
  if (store_ && newName != "RecordsList") throw EComponentError("A store's records list is named RecordsList");
  TComponent::SetName(newName);
}

void TRecordsListGx::BeforeDestruction() {
  // A store's records list goes with its store only (a failed read may try to free it).
  if (store_) {
    if (Owner()) Owner()->RemoveComponent(this);
    throw EComponentError("A store's records list goes only with its store");
  }
  TComponent::BeforeDestruction();
}

TMemoryRecordGx* TRecordsListGx::Rec(int index) const {
  if (index < 0 || index >= Count()) TList::Error("List index out of bounds (%d)", index);
  return records_[static_cast<size_t>(index)];
}

void TRecordsListGx::Notify(TMemoryRecordGx* record, int index, int code) {
  if (updateCount_ > 0) return;
  indexes_->RecordsListChanged(record, index, code);
  if (store_) store_->RecordChanged(record, index, code);
}

void TRecordsListGx::RecordMoved(TMemoryRecordGx* record, int oldIndex, int newIndex) {
  indexes_->RecordMoved(record, oldIndex, newIndex);
  if (store_) store_->RecordMoved(record, oldIndex, newIndex);
}

void TRecordsListGx::BeginUpdate() { ++updateCount_; }

void TRecordsListGx::EndUpdate() {
  if (updateCount_ <= 0) return;
  if (--updateCount_ == 0) Notify(nullptr, -1, rlListChanged);
}

TMemoryRecordGx* TRecordsListGx::NewRecord() {
  TMTDataStructGx* s = store_ ? store_->DataStruct() : nullptr;
  auto* record = TMemoryRecordGx::Make(this, s ? static_cast<uint32_t>(s->Count()) : 0u);
  record->id_ = nextId_++;
  return record;
}

TMemoryRecordGx* TRecordsListGx::NewRecordFrom(const TMemoryRecordGx& source, const TVarType* types) {
  TMTDataStructGx* s = store_ ? store_->DataStruct() : nullptr;
  if (source.FieldCount() != (s ? s->Count() : 0))
    throw EInvalidOperation("The record to copy has not as many values as the list has columns.");
  auto* record = TMemoryRecordGx::MakeFrom(this, source, types);
  if (record) record->id_ = nextId_++;
  return record;
}

void TRecordsListGx::DropNewRecords(const std::vector<TMemoryRecordGx*>& records) noexcept {
  for (size_t i = records.size(); i > 0;) {
    TMemoryRecordGx* r = records[--i];
    if (!r || r->RecordsList() != this || r->Attached()) continue;
    if (r->id_ == nextId_ - 1) --nextId_;
    r->Free();
  }
}

void TRecordsListGx::CheckAttachable(TMemoryRecordGx* record) const {
  if (!record || record->RecordsList() != this) throw EInvalidOperation("Record.RecordsList is not the same.");
  if (record->inDeleted_ || record->Index() != -1) throw EInvalidOperation("The record already attached to RecordsList.");
}

void TRecordsListGx::Queue(TMemoryRecordGx* record) {
  record->updateIndex_ = static_cast<int32_t>(pending_.size());
  pending_.push_back(record);
  ++pendingCount_;
}

void TRecordsListGx::Unqueue(TMemoryRecordGx* record) noexcept {
  int u = record->updateIndex_;
  if (u >= 0 && static_cast<size_t>(u) < pending_.size() && pending_[static_cast<size_t>(u)] == record) {
    pending_[static_cast<size_t>(u)] = nullptr;
    --pendingCount_;
  }
  record->updateIndex_ = -1;
}

int TRecordsListGx::Attach(TMemoryRecordGx* record, int index, bool fetch, bool append) {
  CheckAttachable(record);
  int count = Count();
  if (!append && (index < 0 || index > count)) TList::Error("List index out of bounds (%d)", index);
  Notify(record, append ? count : index, rlBeforeInsert);
  // A record that is not stored after all gives its auto-increment number back, when no other
  // has taken one since.
  TAutoIncrementGx* counter = store_ && !fetch ? store_->AutoIncrement() : nullptr;
  const int32_t numberBefore = counter ? counter->CurValue() : 0;
  int32_t numberAfter = numberBefore;
  auto giveBackNumber = [&]() noexcept {
    if (counter && counter->CurValue() == numberAfter) counter->SetCurValue(numberBefore);
  };
  const bool resolves = !fetch && !cachedUpdates_;
  try {
    if (!fetch) {
      if (store_) store_->AutoIncrementRecord(record);
      if (counter) numberAfter = counter->CurValue();
      if (resolves) ResolveRecordChange(record, 2);
    }
  } catch (...) {
    giveBackNumber();
    throw;
  }
  if (append || index == count) {
    records_.push_back(record);
  } else {
    records_.insert(static_cast<size_t>(index), record);
  }
  if (cachedUpdates_) {
    record->updateStatus_ = usInserted;
    if (record->updateIndex_ < 0) Queue(record);
  } else {
    record->updateStatus_ = usUnmodified;
  }
  record->editState_ = resBrowse;
  int at = record->Index();
  try {
    Notify(record, at, rlInserted);
  } catch (...) {
    TakeBackAttach(record, resolves);
    giveBackNumber();
    throw;
  }
  return at;
}

void TRecordsListGx::TakeBackQueueing(TMemoryRecordGx* record) noexcept {
  const int slot = record->updateIndex_;
  Unqueue(record);
  // The slot it took at the end of the queue goes too: the queue is as it was.
  if (slot >= 0 && static_cast<size_t>(slot) + 1 == pending_.size() && !pending_.back()) pending_.pop_back();
}

// Told as of a delete, so that every listener that placed the record lets go of it. What they
// raise now is dropped: the error that made the attach fail is the one the caller gets.
void TRecordsListGx::TakeBackAttach(TMemoryRecordGx* record, bool resolved) noexcept {
  if (record->Index() < 0) return;
  TakeBackQueueing(record);
  try {
    Notify(record, record->Index(), rlBeforeDelete);
  } catch (...) {
  }
  if (resolved) {
    // The insert went to the resolvers already: they are handed its delete.
    try {
      ResolveRecordChange(record, 3);
    } catch (...) {
    }
  }
  const int at = record->Index();
  Take(at);
  try {
    Notify(record, at, rlDeleted);
  } catch (...) {
  }
  record->updateStatus_ = usUnmodified;
  record->editState_ = resInsert;
}

// The values from before come back as the post of an edit of the posted ones, so that every
// listener (and index) moves the record back; the change log is restored to what it held.
void TRecordsListGx::TakeBackPost(TMemoryRecordGx* record, std::vector<Variant>& before,
                                  const TPostedEdit& posted) noexcept {
  try {
    TMemoryRecordGx::Versions& v = record->TakeVersions();
    v.Edit.assign(record->Data(), record->Data() + record->count_);
  } catch (...) {
  }
  record->SwapCurrent(before);
  record->editState_ = resEdit;
  try {
    Notify(record, record->Index(), rlBeforeChange);
  } catch (...) {
  }
  if (posted.Cached) {
    record->updateStatus_ = posted.Status;
    if (!posted.Queued) TakeBackQueueing(record);
    if (!posted.HadOld) record->ClearOld();
  } else {
    // The edit went to the resolvers already: they are handed the change back.
    try {
      ResolveRecordChange(record, 1);
    } catch (...) {
    }
  }
  record->ClearEdit();
  record->editState_ = resBrowse;
  try {
    Notify(record, record->Index(), rlChanged);
  } catch (...) {
  }
}

int TRecordsListGx::AddRecord(TMemoryRecordGx* record) { return Attach(record, 0, false, true); }

int TRecordsListGx::InsertRecord(TMemoryRecordGx* record, int index) { return Attach(record, index, false, false); }

int TRecordsListGx::FetchRecord(TMemoryRecordGx* record) {
  bool saved = cachedUpdates_;
  cachedUpdates_ = false;
  try {
    int at = Attach(record, 0, true, true);
    cachedUpdates_ = saved;
    return at;
  } catch (...) {
    cachedUpdates_ = saved;
    throw;
  }
}

int TRecordsListGx::AddRecordWithStatus(TMemoryRecordGx* record, TUpdateStatus status) {
  CheckAttachable(record);
  int count = Count();
  Notify(record, count, rlBeforeInsert);
  records_.push_back(record);
  record->updateStatus_ = status;
  if (record->updateIndex_ < 0) Queue(record);
  record->editState_ = resBrowse;
  try {
    Notify(record, count, rlInserted);
  } catch (...) {
    TakeBackAttach(record, false);
    throw;
  }
  return count;
}

TMemoryRecordGx* TRecordsListGx::Take(int index) {
  TMemoryRecordGx* record = records_.erase(static_cast<size_t>(index));
  record->Detach(this);
  return record;
}

void TRecordsListGx::MarkDel(int index) {
  TMemoryRecordGx* record = Rec(index);
  if (!cachedUpdates_) {
    DeleteRecord(index);
    return;
  }
  if (record->updateStatus_ == usDeleted) throw EInvalidOperation("Can not MarkDel Deleted record");
  if (record->updateStatus_ == usInserted) {
    Unqueue(record);
    DeleteRecord(index);
    return;
  }
  // The delete takes the place of the row's own change at the end of the log; the values from
  // before that change stay, so that the delete is applied by them and cancelling restores them.
  Unqueue(record);
  record->updateStatus_ = usDeleted;
  Queue(record);
  Notify(record, index, rlMarkedDeleted);
}

void TRecordsListGx::DeleteRecord(int index) {
  TMemoryRecordGx* record = Rec(index);
  Notify(record, index, rlBeforeDelete);
  if (!cachedUpdates_) ResolveRecordChange(record, 3);
  Take(index);
  // No list may keep a pointer to a freed record.
  Unqueue(record);
  try {
    Notify(record, index, rlDeleted);
  } catch (...) {
    delete record;
    throw;
  }
  delete record;
}

void TRecordsListGx::MoveToDeleted(int index) {
  TMemoryRecordGx* record = Rec(index);
  Notify(record, index, rlBeforeDelete);
  deleted_.push_back(record);
  record->inDeleted_ = true;
  Take(index);
  Notify(record, index, rlDeleted);
}

TMemoryRecordGx* TRecordsListGx::ExtractRecord(int index) {
  Rec(index);
  return Take(index);
}

void TRecordsListGx::MoveRecord(int fromIndex, int toIndex) {
  if (fromIndex == toIndex) return;
  TMemoryRecordGx* record = Rec(fromIndex);
  Rec(toIndex);
  records_.erase(static_cast<size_t>(fromIndex));
  records_.insert(static_cast<size_t>(toIndex), record);
  RecordMoved(record, fromIndex, toIndex);
}

void TRecordsListGx::SortData(const TCompareRecordsGx& compare) {
  if (Count() > 1 && compare) {
    std::vector<TMemoryRecordGx*> r = records_.ToVector();
    StableSortGx(r, [&](TMemoryRecordGx* a, TMemoryRecordGx* b) { return compare(a, b) < 0; });
    records_.assign(std::move(r));
  }
  Notify(nullptr, -1, rlListChanged);
}

void TRecordsListGx::SortData(const TOrderByList& order) {
  if (Count() > 1 && !order.Empty()) {
    std::vector<TMemoryRecordGx*> r = records_.ToVector();
    TRowSortKeysGx keys(r, order);
    std::vector<TRowSortKeysGx::Lead> leads(r.size());
    for (size_t i = 0; i < leads.size(); ++i) leads[i] = keys.LeadOf(static_cast<uint32_t>(i));
    // The same algorithm as the callback sort, so that equal records end in the same places.
    StableSortGx(leads, [&](const TRowSortKeysGx::Lead& a, const TRowSortKeysGx::Lead& b) {
      const int c = keys.CompareLeads(a, b);
      return (c != 0 ? c : keys.Compare(a.Row, b.Row)) < 0;
    });
    std::vector<TMemoryRecordGx*> sorted(r.size());
    for (size_t i = 0; i < sorted.size(); ++i) sorted[i] = r[leads[i].Row];
    records_.assign(std::move(sorted));
  }
  Notify(nullptr, -1, rlListChanged);
}

namespace {

// Sort keys named by the store's columns.
class TStoreOrderByList : public TOrderByList {
 public:
  explicit TStoreOrderByList(const TMTDataStructGx* s) : struct_(s) {}
  int FieldIndexByName(std::string_view name) const override { return struct_ ? struct_->FieldIndex(name) : -1; }

 private:
  const TMTDataStructGx* struct_;
};

}  // namespace

void TRecordsListGx::SortByFields(std::string_view order) {
  TStoreOrderByList list(store_ ? store_->DataStruct() : nullptr);
  list.ParseOrderByStr(order);
  SortData(list);
}

void TRecordsListGx::SortData(int (*compare)(void*, TMemoryRecordGx*, TMemoryRecordGx*, void*), void* param,
                              void* context) {
  if (!compare) {
    SortData(TCompareRecordsGx());
    return;
  }
  SortData([=](TMemoryRecordGx* a, TMemoryRecordGx* b) { return compare(context, a, b, param); });
}

void TRecordsListGx::FreeRecordList(std::vector<TMemoryRecordGx*>& list) noexcept {
  std::vector<TMemoryRecordGx*> doomed;
  doomed.swap(list);
  for (TMemoryRecordGx* r : doomed) {
    r->inDeleted_ = false;
    r->Detach(this);
    Unqueue(r);
    delete r;
  }
}

void TRecordsListGx::Clear() {
  FreeRecordList(deleted_);
  for (TMemoryRecordGx* r : pending_)
    if (r) r->updateIndex_ = -1;
  pending_.clear();
  pendingCount_ = 0;
  for (int i = 0; i < indexes_->Count(); ++i) indexes_->Items(i)->DropItems();
  std::vector<TMemoryRecordGx*> doomed = records_.ToVector();
  records_.clear();
  for (TMemoryRecordGx* r : doomed) {
    r->Detach(this);
    delete r;
  }
  Notify(nullptr, -1, rlListChanged);
}

void TRecordsListGx::CancelUpdates() {
  // One pass from the last record to the first; the inserted records are dropped together at the
  // end instead of one erase each.
  std::vector<TMemoryRecordGx*> records = records_.ToVector();
  std::vector<TMemoryRecordGx*> dropped;
  for (int i = Count() - 1; i >= 0; --i) {
    TMemoryRecordGx* r = records[static_cast<size_t>(i)];
    switch (r->updateStatus_) {
      case usModified:
        // A record copied in with its status keeps no old values: nothing to restore, and the
        // walk goes on so that the log is never left half cancelled.
        if (r->HasOldValues()) {
          r->SwapCurrent(r->FindVersions()->Old);
          r->ClearOld();
        }
        r->updateStatus_ = usUnmodified;
        Unqueue(r);
        break;
      case usInserted:
        Unqueue(r);
        records[static_cast<size_t>(i)] = nullptr;
        dropped.push_back(r);
        break;
      case usDeleted:
        // A row edited before it was deleted gets its values from before the edit back.
        if (r->HasOldValues()) {
          r->SwapCurrent(r->FindVersions()->Old);
          r->ClearOld();
        }
        r->updateStatus_ = usUnmodified;
        Unqueue(r);
        break;
      default: break;
    }
  }
  if (!dropped.empty()) {
    records.erase(std::remove(records.begin(), records.end(), nullptr), records.end());
    records_.assign(std::move(records));
    for (TMemoryRecordGx* r : dropped) {
      r->Detach(this);
      delete r;
    }
  }
  for (TMemoryRecordGx* r : pending_)
    if (r) r->updateIndex_ = -1;
  pending_.clear();
  pendingCount_ = 0;
  Notify(nullptr, -1, rlListChanged);
}

void TRecordsListGx::MergeChangeLog() {
  for (size_t k = 0; k < pending_.size(); ++k)
    if (TMemoryRecordGx* r = pending_[k]) r->MergeChanges();
  FreeRecordList(deleted_);
  for (TMemoryRecordGx* r : pending_)
    if (r) r->updateIndex_ = -1;
  pending_.clear();
  pendingCount_ = 0;
}

void TRecordsListGx::CleanupChangedData() {
  FreeRecordList(deleted_);
  pending_.erase(std::remove(pending_.begin(), pending_.end(), nullptr), pending_.end());
  // The queue positions follow the packed list.
  for (size_t k = 0; k < pending_.size(); ++k) pending_[k]->updateIndex_ = static_cast<int32_t>(k);
}

void TRecordsListGx::FreeDeleted() { FreeRecordList(deleted_); }

void TRecordsListGx::ResolveRecordChange(TMemoryRecordGx* record, int kind) {
  // A change log is built only for someone to hand it to.
  if (!store_ || !store_->HasResolvers()) return;
  TMemTableDataShadowGx* shadow;
  bool temporary = shadowBusy_;
  if (temporary) {
    shadow = new TMemTableDataShadowGx(store_);
  } else {
    if (!shadow_) shadow_ = new TMemTableDataShadowGx(store_);
    shadow = shadow_;
    shadowBusy_ = true;
  }
  auto release = [&]() noexcept {
    try {
      shadow->RecordsList()->Clear();
    } catch (...) {
    }
    if (temporary)
      shadow->Free();
    else
      shadowBusy_ = false;
  };
  try {
    TRecordsListGx* log = shadow->RecordsList();
    log->SetCachedUpdates(true);
    TMemoryRecordGx* change = log->NewRecord();
    size_t n = std::min(change->count_, record->count_);
    auto originals = [&]() {
      for (size_t i = 0; i < n; ++i) change->Data()[i] = record->ValueRef(static_cast<int>(i), rvOriginal);
    };
    switch (kind) {
      case 1:
        originals();
        log->FetchRecord(change);
        change->Edit();
        for (size_t i = 0; i < n; ++i) change->Data()[i] = record->Data()[i];
        change->Post();
        break;
      case 2:
        for (size_t i = 0; i < n; ++i) change->Data()[i] = record->Data()[i];
        change->Post();
        break;
      default:
        originals();
        log->FetchRecord(change);
        log->MarkDel(change->Index());
        break;
    }
    store_->ResolveChanges(shadow);
    // What the listeners wrote into the change (keys assigned by a server) becomes the record's.
    if (kind != 3 && log->Count() == 1) {
      const TMemoryRecordGx* back = log->Rec(0);
      for (size_t i = 0; i < std::min(back->count_, record->count_); ++i) record->Data()[i] = back->Data()[i];
    }
  } catch (...) {
    release();
    throw;
  }
  release();
}

void TRecordsListGx::WriteRecords(TWriter& writer) const {
  writer.WriteListBegin();
  for (const TMemoryRecordGx* r : records_) r->WriteData(writer);
  writer.WriteListEnd();
}

void TRecordsListGx::ReadRecords(TReader& reader) {
  Clear();
  reader.ReadListBegin();
  while (!reader.EndOfList()) {
    TMemoryRecordGx* r = NewRecord();
    try {
      r->ReadData(reader);
    } catch (...) {
      delete r;
      throw;
    }
    FetchRecord(r);
  }
  reader.ReadListEnd();
}

void TRecordsListGx::DefineProperties(TFiler& filer) {
  TComponent::DefineProperties(filer);
  filer.DefineProperty(
      "Data", [this](TReader& r) { ReadRecords(r); }, [this](TWriter& w) { WriteRecords(w); }, Count() > 0);
}

// ---------------------------------------------------------------- notificator

TRecordsListNotificatorGx::TRecordsListNotificatorGx(TComponent* owner) : TComponent(owner) {}

void TRecordsListNotificatorGx::BeforeDestruction() {
  if (source_) {
    if (auto* s = dynamic_cast<IRecordsNotifySourceGx*>(source_)) s->DetachNotificator(this);
    RemoveFreeNotification(source_);
    AssignSource(nullptr);
  }
  TComponent::BeforeDestruction();
}

TRecordsListNotificatorGx::~TRecordsListNotificatorGx() {
  if (source_) {
    if (auto* s = dynamic_cast<IRecordsNotifySourceGx*>(source_)) s->DetachNotificator(this);
    RemoveFreeNotification(source_);
    AssignSource(nullptr);
  }
}

int TRecordsListNotificatorGx::FetchRequest(int count) { return OnFetch ? OnFetch(count) : 0; }

void TRecordsListNotificatorGx::BooleanHook(bool value) {
  if (OnBoolean) OnBoolean(value);
}

void TRecordsListNotificatorGx::RecordChanged(TMemoryRecordGx* record, int index, int code) {
  if (OnRecordChange) OnRecordChange(record, index, code);
  switch (code) {
    case rlInserted: RecordAdded(record, index); break;
    case rlChanged: RecordUpdated(record, index); break;
    case rlDeleted: RecordDeleted(record, index); break;
    case rlListChanged: ListChanged(); break;
    default: break;
  }
}

void TRecordsListNotificatorGx::RecordMoved(TMemoryRecordGx* record, int oldIndex, int newIndex) {
  if (OnRecordMoved) OnRecordMoved(record, oldIndex, newIndex);
}

void TRecordsListNotificatorGx::Resolve(TMemTableDataGx* changes) {
  if (OnResolve) OnResolve(changes);
}

void TRecordsListNotificatorGx::AssignSource(TComponent* source) noexcept {
  source_ = source;
  store_ = dynamic_cast<TMemTableDataGx*>(source);
}

void TRecordsListNotificatorGx::SetMemTableData(TComponent* source) {
  if (source == source_) return;
  IRecordsNotifySourceGx* target = nullptr;
  if (source) {
    target = dynamic_cast<IRecordsNotifySourceGx*>(source);
    if (!target) throw EInvalidCast(source->ClassName() + " cannot be the source of a records list notificator");
  }
  RecordChanged(nullptr, -1, rlBeforeSourceChange);
  if (source_) {
    if (auto* old = dynamic_cast<IRecordsNotifySourceGx*>(source_)) old->DetachNotificator(this);
    RemoveFreeNotification(source_);
    AssignSource(nullptr);
  }
  if (source) {
    target->AttachNotificator(this);
    FreeNotification(source);
    AssignSource(source);
  }
  RecordChanged(nullptr, -1, rlListChanged);
}

void TRecordsListNotificatorGx::SourceGone() noexcept { AssignSource(nullptr); }

void TRecordsListNotificatorGx::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove && component && component == source_) AssignSource(nullptr);
  TComponent::Notification(component, operation);
}
