#include "memtable/mtindex.h"

#include <algorithm>

#include "editors/gxsort.h"
#include "editors/toolctrlsgx.h"
#include "memtable/mtdata.h"
#include "memtable/mtrecords.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/strings.h"

FANO_IMPLEMENT_ITEM(TMTIndexGx, TCollectionItem)
FANO_IMPLEMENT_ABSTRACT(TMTIndexesGx, TCollection)

namespace {

bool SameKey(const Variant& a, const Variant& b) { return CompareVariants(a, b) == vrEqual; }

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
  active_ = value;
  if (!value) {
    items_.clear();
    return;
  }
  try {
    Rebuild();
  } catch (...) {
    active_ = false;
    items_.clear();
    throw;
  }
}

void TMTIndexGx::SetFields(const std::string& value) {
  if (value == fields_) return;
  fields_ = value;
  resolvedStruct_ = nullptr;
  if (active_) Rebuild();
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

void TMTIndexGx::ResolveFieldIndexes() const {
  TRecordsListGx* list = RecordsList();
  TMTDataStructGx* s = list && list->MemTableData() ? list->MemTableData()->DataStruct() : nullptr;
  if (s == resolvedStruct_ && s && s->Version() == resolvedVersion_) return;
  std::vector<int> indexes;
  if (s) s->FieldIndexes(fields_, indexes);
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
  int lo = 0, hi = Count() - 1;
  while (lo <= hi) {
    int mid = (lo + hi) / 2;
    switch (CompareVariants(items_[static_cast<size_t>(mid)].KeyValue, key)) {
      case vrLessThan: lo = mid + 1; break;
      case vrGreaterThan: hi = mid - 1; break;
      case vrEqual: pos = mid; return true;
      default: throw EDatabaseError("TMTIndexGx.FindKeyValueIndex: values is not comparable.");
    }
  }
  pos = lo;
  return false;
}

bool TMTIndexGx::LocateKey(const Variant& key, int& recIndex) const {
  int pos;
  if (!FindKeyValueIndex(key, pos)) return false;
  recIndex = items_[static_cast<size_t>(pos)].RecIndex;
  return true;
}

void TMTIndexGx::GetKeyRecords(const Variant& key, std::vector<TMemoryRecordGx*>& list) const {
  int pos;
  if (!FindKeyValueIndex(key, pos)) return;
  TRecordsListGx* records = RecordsList();
  if (!records) return;
  for (int i = pos - 1; i >= 0 && SameKey(items_[static_cast<size_t>(i)].KeyValue, key); --i)
    list.push_back(records->Rec(items_[static_cast<size_t>(i)].RecIndex));
  for (int i = pos; i < Count() && SameKey(items_[static_cast<size_t>(i)].KeyValue, key); ++i)
    list.push_back(records->Rec(items_[static_cast<size_t>(i)].RecIndex));
}

const TIndexItemGx& TMTIndexGx::Items(int pos) const {
  if (pos < 0 || pos >= Count()) TList::Error("List index out of bounds (%d)", pos);
  return items_[static_cast<size_t>(pos)];
}

void TMTIndexGx::SetKeyValue(int pos, const Variant& value) {
  Items(pos);
  items_[static_cast<size_t>(pos)].KeyValue = value;
}

void TMTIndexGx::InsertItem(int pos, TIndexItemGx item) {
  if (pos < 0 || pos > Count()) TList::Error("List index out of bounds (%d)", pos);
  if (pos == Count())
    items_.push_back(std::move(item));
  else
    items_.insert(items_.begin() + pos, std::move(item));
}

void TMTIndexGx::KeyViolation(const Variant& key) {
  throw EDatabaseError("Unical key violation " + KeyText(key));
}

int TMTIndexGx::FindItemLinear(int recIndex) const noexcept {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].RecIndex == recIndex) return static_cast<int>(i);
  return -1;
}

int TMTIndexGx::FindItem(const Variant& key, int recIndex) const {
  int pos;
  bool found;
  try {
    found = FindKeyValueIndex(key, pos);
  } catch (const EDatabaseError&) {
    found = false;
  }
  if (found) {
    for (int i = pos; i >= 0 && SameKey(items_[static_cast<size_t>(i)].KeyValue, key); --i)
      if (items_[static_cast<size_t>(i)].RecIndex == recIndex) return i;
    for (int i = pos + 1; i < Count() && SameKey(items_[static_cast<size_t>(i)].KeyValue, key); ++i)
      if (items_[static_cast<size_t>(i)].RecIndex == recIndex) return i;
  }
  // The key read now may not be the one indexed (a value changed behind the index's back).
  return FindItemLinear(recIndex);
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
      FindKeyValueIndex(key, pos);
      // Positions after it move up unless it was appended. (Counting items is not enough: records
      // marked deleted have no item, so later records may have positions past the item count.)
      TRecordsListGx* records = RecordsList();
      if (!records || index < records->Count() - 1)
        for (TIndexItemGx& item : items_)
          if (item.RecIndex >= index) ++item.RecIndex;
      InsertItem(pos, TIndexItemGx{std::move(key), index});
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
      int from = FindItem(oldKeyValue_, index);
      if (from < 0) {
        // Never indexed (it left the index when marked deleted): nothing to move.
        break;
      }
      int to;
      FindKeyValueIndex(key, to);
      items_[static_cast<size_t>(from)].KeyValue = std::move(key);
      if (to > from) --to;
      if (to != from) {
        auto first = items_.begin();
        if (from < to)
          std::rotate(first + from, first + from + 1, first + to + 1);
        else
          std::rotate(first + to, first + from, first + from + 1);
      }
      break;
    }
    case 5: {  // deleted from index
      // One pass: the record's item goes (it may be gone already: a record marked deleted left the
      // index then) and the later positions close up.
      bool removed = false;
      size_t out = 0;
      for (size_t i = 0; i < items_.size(); ++i) {
        TIndexItemGx& item = items_[i];
        if (!removed && item.RecIndex == index) {
          removed = true;
          continue;
        }
        if (item.RecIndex > index) --item.RecIndex;
        if (out != i) items_[out] = std::move(item);
        ++out;
      }
      items_.resize(out);
      break;
    }
    case 9: {  // marked deleted: positions stay
      int pos = FindItem(KeyOf(record, rvCurrent), index);
      if (pos >= 0) items_.erase(items_.begin() + pos);
      break;
    }
    case 7: Rebuild(); break;
    default: break;
  }
}

void TMTIndexGx::RecordMoved(TMemoryRecordGx*, int fromIndex, int toIndex) {
  if (fromIndex == toIndex) return;
  bool moved = false;
  for (TIndexItemGx& item : items_) {
    int r = item.RecIndex;
    if (!moved && r == fromIndex) {
      item.RecIndex = toIndex;
      moved = true;
    } else if (fromIndex < toIndex) {
      if (r > fromIndex && r <= toIndex) --item.RecIndex;
    } else if (r >= toIndex && r < fromIndex) {
      ++item.RecIndex;
    }
  }
}

void TMTIndexGx::Rebuild() {
  items_.clear();
  if (fields_.empty()) return;
  TRecordsListGx* list = RecordsList();
  if (!list) return;
  const auto& records = list->Records();
  items_.reserve(records.size());
  for (size_t i = 0; i < records.size(); ++i)
    items_.push_back(TIndexItemGx{KeyOf(records[i], rvCurrent), static_cast<int32_t>(i)});
  auto& items = items_;
  GxQuickSort(
      0, Count() - 1,
      [&](int i, int p) {
        switch (CompareVariants(items[static_cast<size_t>(i)].KeyValue, items[static_cast<size_t>(p)].KeyValue)) {
          case vrLessThan: return -1;
          case vrGreaterThan: return 1;
          default: return 0;  // equal, or not comparable: the scans stop
        }
      },
      [&](int i, int j) { std::swap(items[static_cast<size_t>(i)], items[static_cast<size_t>(j)]); });
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
