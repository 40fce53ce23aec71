#include "memtable/mtindex.h"

#include <algorithm>

#include "editors/tools/gxsort.h"
#include "editors/tools/toolctrlsgx.h"
#include "memtable/mtdata.h"
#include "memtable/mtrecords.h"
#include "platform/db/dbconsts.h"
#include "platform/db/fields.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/strings.h"

FANO_IMPLEMENT_ITEM(TMTIndexGx, TCollectionItem)
FANO_IMPLEMENT_ABSTRACT(TMTIndexesGx, TCollection)

namespace {

// Keys that cannot be compared are not the same key.
bool SameKey(const Variant& a, const Variant& b) { return TMTIndexGx::CompareKeys(a, b) == vrEqual; }

// A key as the violation message shows it; the values of a multi-field key joined by ";".
std::string KeyText(const Variant& key) {
  if (!key.IsArray()) return VarToStrDef(key, "");
  std::string out;
  for (int i = key.ArrayLowBound(); i <= key.ArrayHighBound(); ++i) {
    if (i > key.ArrayLowBound()) out += ';';
    const Variant& e = key.GetElement(i);
    out += e.IsArray() ? std::string("(array)") : VarToStrDef(e, "");
  }
  return out;
}

}  // namespace

// ---------------------------------------------------------------- item list

void TIndexItemListGx::Check(int pos, int last) {
  if (pos < 0 || pos > last) TList::Error("List index out of bounds (%d)", pos);
}

// ---------------------------------------------------------------- index

TMTIndexGx::TMTIndexGx(TCollection* collection) : TCollectionItem(collection) {}

TMTIndexGx::TMTIndexGx(TCollection* collection, TRecordsListGx* recordsList)
    : TCollectionItem(collection), recordsList_(recordsList) {}

TMTIndexGx::~TMTIndexGx() = default;

TRecordsListGx* TMTIndexGx::RecordsList() const {
  if (recordsList_) return recordsList_;
  auto* owner = dynamic_cast<TMTIndexesGx*>(Collection());
  return owner ? owner->RecordsList() : nullptr;
}

void TMTIndexGx::SetActive(bool value) {
  if (value == active_) return;
  if (!value) return Deactivate();
  CheckFieldNames(fields_);
  active_ = true;
  try {
    Rebuild();
  } catch (...) {
    Deactivate();
    throw;
  }
}

void TMTIndexGx::SetFields(const std::string& value) {
  if (value == fields_) return;
  if (active_) CheckFieldNames(value);
  std::string old = std::move(fields_);
  fields_ = value;
  resolvedStruct_ = nullptr;
  if (!active_) return;
  try {
    Rebuild();
  } catch (...) {
    // The index keeps the key it had, so that it and the records list still agree.
    fields_ = std::move(old);
    resolvedStruct_ = nullptr;
    try {
      Rebuild();
    } catch (...) {
      Deactivate();
    }
    throw;
  }
}

void TMTIndexGx::SetPrimary(bool value) {
  if (value == primary_) return;
  primary_ = value;
  if (active_) Rebuild();
}

void TMTIndexGx::SetUnique(bool value) {
  if (value == unique_) return;
  unique_ = value;
  if (active_) Rebuild();
}

namespace {

// The columns of a key's names, split at ";" and trimmed; a name the structure lacks (or a key of
// blanks alone) raises the structure's field-not-found error. The check and the key reader both
// read names through it, so that a key the check passes can always be read.
void KeyFieldIndexes(const TMTDataStructGx* s, const std::string& fields, std::vector<int>& indexes) {
  indexes.clear();
  const std::vector<std::string> names = SplitFieldNames(fields);
  if (names.empty()) DatabaseErrorFmt(SFieldNotFound, {Trim(fields)}, s);
  for (const std::string& name : names) {
    const int i = s->FieldIndex(name);
    if (i < 0) DatabaseErrorFmt(SFieldNotFound, {name}, s);
    indexes.push_back(i);
  }
}

}  // namespace

void TMTIndexGx::CheckFieldNames(const std::string& fields) const {
  // Checked once here: a name the structure lacks would otherwise fail only at the next insert,
  // after the record list had stored the record.
  if (fields.empty()) return;
  TRecordsListGx* list = RecordsList();
  const TMTDataStructGx* s = list && list->MemTableData() ? list->MemTableData()->DataStruct() : nullptr;
  if (!s) return;
  std::vector<int> indexes;
  KeyFieldIndexes(s, fields, indexes);
}

void TMTIndexGx::ResolveFieldIndexes() const {
  TRecordsListGx* list = RecordsList();
  TMTDataStructGx* s = list && list->MemTableData() ? list->MemTableData()->DataStruct() : nullptr;
  if (s == resolvedStruct_ && s && s->Version() == resolvedVersion_) return;
  std::vector<int> indexes;
  if (s && !fields_.empty()) KeyFieldIndexes(s, fields_, indexes);
  fieldIndexes_.swap(indexes);
  multiField_ = fields_.find(';') != std::string::npos;
  resolvedStruct_ = s;
  resolvedVersion_ = s ? s->Version() : 0;
}

Variant TMTIndexGx::KeyOf(const TMemoryRecordGx* record, int version) const {
  ResolveFieldIndexes();
  if (multiField_) {
    Variant key = Variant::CreateArray(0, static_cast<int>(fieldIndexes_.size()) - 1, varVariant);
    for (size_t k = 0; k < fieldIndexes_.size(); ++k)
      key.SetElement(static_cast<int>(k), record->ValueRef(fieldIndexes_[k], version));
    return key;
  }
  // A single name that the structure lacks reads position -1 (the out-of-bounds error).
  return record->ValueRef(fieldIndexes_.empty() ? -1 : fieldIndexes_[0], version);
}

bool TMTIndexGx::FindKeyValueIndex(const Variant& key, int& pos) const {
  // Chunk by chunk on their last keys, then within the one chunk: the items compared lie together.
  const bool intKey = key.VarType() == varInteger;
  auto compare = [&](const TIndexItemGx& item) {
    if (intKey && item.KeyValue.VarType() == varInteger) {
      const int32_t a = item.KeyValue.AsInteger(), b = key.AsInteger();
      return a < b ? vrLessThan : (b < a ? vrGreaterThan : vrEqual);
    }
    const TVariantRelationship r = CompareKeys(item.KeyValue, key);
    if (r != vrLessThan && r != vrGreaterThan && r != vrEqual)
      throw EDatabaseError("TMTIndexGx.FindKeyValueIndex: values is not comparable.");
    return r;
  };
  const TIndexItemListGx::Seq& seq = items_.Items();
  size_t lo = 0, hi = seq.ChunkCount();
  while (lo < hi) {
    const size_t mid = (lo + hi) / 2;
    const int last = seq.ChunkSize(mid) - 1;
    int64_t lead;
    TVariantRelationship r;
    if (intKey && seq.ChunkLast(mid, lead)) {
      // The chunk's last key read from beside its place: the chunk itself stays unvisited.
      const int64_t k = key.AsInteger();
      r = lead < k ? vrLessThan : (k < lead ? vrGreaterThan : vrEqual);
    } else {
      r = compare(seq.ChunkData(mid)[last]);
    }
    switch (r) {
      case vrLessThan: lo = mid + 1; break;
      case vrGreaterThan: hi = mid; break;
      default: pos = seq.ChunkStart(mid) + last; return true;
    }
  }
  if (lo == seq.ChunkCount()) {
    pos = Count();
    return false;
  }
  // Every item of chunk lo before its last may still hold the key.
  const TIndexItemGx* chunk = seq.ChunkData(lo);
  int a = 0, b = seq.ChunkSize(lo) - 2;
  while (a <= b) {
    const int mid = (a + b) / 2;
    // Both items the next step may read are fetched while this one is compared: on a large index
    // each step otherwise waits for memory in turn.
    if (a < mid) __builtin_prefetch(&chunk[(a + mid - 1) / 2]);
    if (mid < b) __builtin_prefetch(&chunk[(mid + 1 + b) / 2]);
    switch (compare(chunk[mid])) {
      case vrLessThan: a = mid + 1; break;
      case vrGreaterThan: b = mid - 1; break;
      default:
        __builtin_prefetch(chunk[mid].Record);  // read next by whoever asked
        pos = seq.ChunkStart(lo) + mid;
        return true;
    }
  }
  pos = seq.ChunkStart(lo) + a;
  return false;
}

int TMTIndexGx::PositionOf(const TIndexItemGx& item) noexcept {
  return item.Record ? item.Record->Index() : item.RecIndex;
}

bool TMTIndexGx::LocateKey(const Variant& key, int& recIndex) const {
  int pos;
  if (!FindKeyValueIndex(key, pos)) return false;
  recIndex = PositionOf(items_[pos]);
  return true;
}

void TMTIndexGx::GetKeyRecords(const Variant& key, std::vector<TMemoryRecordGx*>& list) const {
  int pos;
  if (!FindKeyValueIndex(key, pos)) return;
  TRecordsListGx* records = RecordsList();
  if (!records) return;
  auto recordOf = [&](const TIndexItemGx& item) { return item.Record ? item.Record : records->Rec(item.RecIndex); };
  for (int i = pos - 1; i >= 0 && SameKey(items_[i].KeyValue, key); --i) list.push_back(recordOf(items_[i]));
  for (int i = pos; i < Count() && SameKey(items_[i].KeyValue, key); ++i) list.push_back(recordOf(items_[i]));
}

const TIndexItemGx& TMTIndexGx::Items(int pos) const {
  const TIndexItemGx& item = items_[pos];
  const_cast<TIndexItemListGx&>(items_).SetRecIndex(pos, PositionOf(item));
  return item;
}

void TMTIndexGx::SetKeyValue(int pos, const Variant& value) { items_.SetKey(pos, value); }

void TMTIndexGx::InsertItem(int pos, TIndexItemGx item) { items_.insert(pos, std::move(item)); }

void TMTIndexGx::KeyViolation(const Variant& key) {
  throw EDatabaseError("Unical key violation " + KeyText(key));
}

TVariantRelationship TMTIndexGx::CompareKeys(const Variant& a, const Variant& b) {
  try {
    return CompareVariants(a, b);
  } catch (const EVariantError&) {
    return vrNotEqual;
  }
}

bool TMTIndexGx::FindPlace(const Variant& key, int& pos) const {
  try {
    FindKeyValueIndex(key, pos);
    return true;
  } catch (const EDatabaseError&) {
    return false;
  }
}

int TMTIndexGx::FindItemLinear(const TMemoryRecordGx* record) const noexcept {
  int pos = 0, found = -1;
  items_.ForEach([&](const TIndexItemGx& item) {
    if (found < 0 && item.Record == record) found = pos;
    ++pos;
  });
  return found;
}

int TMTIndexGx::FindItem(const Variant& key, const TMemoryRecordGx* record) const {
  int pos;
  bool found;
  try {
    found = FindKeyValueIndex(key, pos);
  } catch (const EDatabaseError&) {
    found = false;
  }
  if (found) {
    for (int i = pos; i >= 0 && SameKey(items_[i].KeyValue, key); --i)
      if (items_[i].Record == record) return i;
    for (int i = pos + 1; i < Count() && SameKey(items_[i].KeyValue, key); ++i)
      if (items_[i].Record == record) return i;
  }
  // The key read now may not be the one indexed (a value changed behind the index's back).
  return FindItemLinear(record);
}

void TMTIndexGx::RecordsListChanged(TMemoryRecordGx* record, int index, int action) {
  if (!active_ || fields_.empty()) return;
  switch (action) {
    case 0: {  // before insert
      if (!Enforces()) break;
      Variant key = KeyOf(record, rvCurrent);
      int pos;
      if (FindKeyValueIndex(key, pos)) KeyViolation(key);
      break;
    }
    case 1: {  // inserted at index
      Variant key = KeyOf(record, rvCurrent);
      int pos;
      // The record is stored already: a key the others cannot be compared with still gets its
      // item (last), so that the index never lacks a record of the list.
      if (!FindPlace(key, pos)) pos = Count();
      // The positions of the records after it follow from the records themselves.
      InsertItem(pos, TIndexItemGx{std::move(key), index, record});
      break;
    }
    case 2: {  // before change
      oldKeyValue_ = KeyOf(record, rvEditOrCurrent);
      if (!Enforces()) break;
      Variant key = KeyOf(record, rvCurrent);
      int pos;
      if (!SameKey(key, oldKeyValue_) && FindKeyValueIndex(key, pos)) KeyViolation(key);
      break;
    }
    case 3: {  // changed
      Variant key = KeyOf(record, rvCurrent);
      // A change that leaves the key alone leaves the item where it is.
      if (SameKey(key, oldKeyValue_)) break;
      int from = FindItem(oldKeyValue_, record);
      if (from < 0) {
        // Never indexed (it left the index when marked deleted): nothing to move.
        break;
      }
      int to;
      // Stored already: a key that cannot be placed among the others keeps the item's place.
      if (!FindPlace(key, to)) to = from;
      items_.SetKey(from, std::move(key));
      if (to > from) --to;
      if (to != from) items_.insert(to, items_.erase(from));
      break;
    }
    case 5: {  // deleted from index
      // The record's item goes (it may be gone already: a record marked deleted left the index
      // then); the later positions close up by themselves.
      if (!record) break;
      int pos = FindItem(KeyOf(record, rvCurrent), record);
      if (pos >= 0) items_.erase(pos);
      break;
    }
    case 9: {  // marked deleted: positions stay
      int pos = FindItem(KeyOf(record, rvCurrent), record);
      if (pos >= 0) items_.erase(pos);
      break;
    }
    case 7: Rebuild(); break;
    default: break;
  }
}

void TMTIndexGx::RecordMoved(TMemoryRecordGx*, int, int) {
  // The items name their records, whose positions follow the move.
}

void TMTIndexGx::Rebuild() {
  items_.clear();
  if (fields_.empty()) return;
  TRecordsListGx* list = RecordsList();
  if (!list) return;
  std::vector<TIndexItemGx> items;
  items.reserve(static_cast<size_t>(list->Count()));
  int32_t i = 0;
  for (TMemoryRecordGx* rec : list->Records()) items.push_back(TIndexItemGx{KeyOf(rec, rvCurrent), i++, rec});
  GxQuickSort(
      0, static_cast<int>(items.size()) - 1,
      [&](int i, int p) {
        switch (CompareKeys(items[static_cast<size_t>(i)].KeyValue, items[static_cast<size_t>(p)].KeyValue)) {
          case vrLessThan: return -1;
          case vrGreaterThan: return 1;
          default: return 0;  // equal, or not comparable: the scans stop
        }
      },
      [&](int i, int j) { std::swap(items[static_cast<size_t>(i)], items[static_cast<size_t>(j)]); });
  items_.assign(std::move(items));
}

// ---------------------------------------------------------------- collection

TMTIndexesGx::TMTIndexesGx(TRecordsListGx* recordsList)
    : TCollection(TMTIndexGx::StaticClass()), recordsList_(recordsList) {}

TPersistent* TMTIndexesGx::GetOwner() const { return recordsList_; }

TMTIndexGx* TMTIndexesGx::GetIndexForFields(std::string_view fields) const {
  for (int i = 0; i < Count(); ++i)
    if (SameText(Items(i)->Fields(), fields)) return Items(i);
  return nullptr;
}

void TMTIndexesGx::RecordMoved(TMemoryRecordGx* record, int fromIndex, int toIndex) {
  for (int i = 0; i < Count(); ++i) Items(i)->RecordMoved(record, fromIndex, toIndex);
}

void TMTIndexesGx::RecordsListChanged(TMemoryRecordGx* record, int index, int action) {
  for (int i = 0; i < Count(); ++i) Items(i)->RecordsListChanged(record, index, action);
}
