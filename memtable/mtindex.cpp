#include "memtable/mtindex.h"

#include <algorithm>

#include "editors/tools/gxsort.h"
#include "editors/tools/toolctrlsgx.h"
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

// ---------------------------------------------------------------- item list

size_t TIndexItemListGx::ChunkOf(int pos) const noexcept {
  // The last chunk whose first position is at most pos.
  auto it = std::upper_bound(starts_.begin(), starts_.end(), pos);
  return it == starts_.begin() ? 0 : static_cast<size_t>(it - starts_.begin()) - 1;
}

const TIndexItemGx& TIndexItemListGx::Locate(int pos) const {
  if (pos < 0 || pos >= size_) TList::Error("List index out of bounds (%d)", pos);
  size_t c = ChunkOf(pos);
  return chunks_[c][static_cast<size_t>(pos - starts_[c])];
}

void TIndexItemListGx::RecountFrom(size_t chunk) noexcept {
  starts_.resize(chunks_.size());
  int at = chunk == 0 ? 0 : starts_[chunk - 1] + static_cast<int>(chunks_[chunk - 1].size());
  for (size_t c = chunk; c < chunks_.size(); ++c) {
    starts_[c] = at;
    at += static_cast<int>(chunks_[c].size());
  }
}

void TIndexItemListGx::insert(int pos, TIndexItemGx item) {
  if (pos < 0 || pos > size_) TList::Error("List index out of bounds (%d)", pos);
  if (chunks_.empty()) {
    chunks_.emplace_back();
    starts_.assign(1, 0);
  }
  size_t c = ChunkOf(pos);
  auto& chunk = chunks_[c];
  chunk.insert(chunk.begin() + (pos - starts_[c]), std::move(item));
  ++size_;
  if (chunk.size() > 2 * kMaxChunk) {
    // Split in halves; the later half becomes the next chunk.
    std::vector<TIndexItemGx> tail(std::make_move_iterator(chunk.begin() + kMaxChunk),
                                   std::make_move_iterator(chunk.end()));
    chunk.resize(kMaxChunk);
    chunks_.insert(chunks_.begin() + static_cast<std::ptrdiff_t>(c) + 1, std::move(tail));
  }
  RecountFrom(c);
}

void TIndexItemListGx::erase(int pos) {
  if (pos < 0 || pos >= size_) TList::Error("List index out of bounds (%d)", pos);
  size_t c = ChunkOf(pos);
  auto& chunk = chunks_[c];
  chunk.erase(chunk.begin() + (pos - starts_[c]));
  --size_;
  if (chunk.empty()) chunks_.erase(chunks_.begin() + static_cast<std::ptrdiff_t>(c));
  RecountFrom(c);
}

void TIndexItemListGx::clear() noexcept {
  chunks_.clear();
  starts_.clear();
  size_ = 0;
}

void TIndexItemListGx::assign(std::vector<TIndexItemGx>&& items) {
  clear();
  size_ = static_cast<int>(items.size());
  for (size_t at = 0; at < items.size(); at += kMaxChunk) {
    size_t end = std::min(items.size(), at + kMaxChunk);
    chunks_.emplace_back(std::make_move_iterator(items.begin() + static_cast<std::ptrdiff_t>(at)),
                         std::make_move_iterator(items.begin() + static_cast<std::ptrdiff_t>(end)));
  }
  RecountFrom(0);
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
    switch (CompareVariants(items_[mid].KeyValue, key)) {
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
  recIndex = items_[pos].RecIndex;
  return true;
}

void TMTIndexGx::GetKeyRecords(const Variant& key, std::vector<TMemoryRecordGx*>& list) const {
  int pos;
  if (!FindKeyValueIndex(key, pos)) return;
  TRecordsListGx* records = RecordsList();
  if (!records) return;
  for (int i = pos - 1; i >= 0 && SameKey(items_[i].KeyValue, key); --i) list.push_back(records->Rec(items_[i].RecIndex));
  for (int i = pos; i < Count() && SameKey(items_[i].KeyValue, key); ++i) list.push_back(records->Rec(items_[i].RecIndex));
}

const TIndexItemGx& TMTIndexGx::Items(int pos) const { return items_[pos]; }

void TMTIndexGx::SetKeyValue(int pos, const Variant& value) { items_[pos].KeyValue = value; }

void TMTIndexGx::InsertItem(int pos, TIndexItemGx item) { items_.insert(pos, std::move(item)); }

void TMTIndexGx::KeyViolation(const Variant& key) {
  throw EDatabaseError("Unical key violation " + KeyText(key));
}

int TMTIndexGx::FindItemLinear(int recIndex) const noexcept {
  int pos = 0, found = -1;
  items_.ForEach([&](const TIndexItemGx& item) {
    if (found < 0 && item.RecIndex == recIndex) found = pos;
    ++pos;
  });
  return found;
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
    for (int i = pos; i >= 0 && SameKey(items_[i].KeyValue, key); --i)
      if (items_[i].RecIndex == recIndex) return i;
    for (int i = pos + 1; i < Count() && SameKey(items_[i].KeyValue, key); ++i)
      if (items_[i].RecIndex == recIndex) return i;
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
        items_.ForEach([index](TIndexItemGx& item) {
          if (item.RecIndex >= index) ++item.RecIndex;
        });
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
      items_[from].KeyValue = std::move(key);
      if (to > from) --to;
      if (to != from) {
        TIndexItemGx item = std::move(items_[from]);
        items_.erase(from);
        items_.insert(to, std::move(item));
      }
      break;
    }
    case 5: {  // deleted from index
      // One pass: the record's item goes (it may be gone already: a record marked deleted left the
      // index then) and the later positions close up.
      items_.EraseFirstAndUpdate([index](const TIndexItemGx& item) { return item.RecIndex == index; },
                                 [index](TIndexItemGx& item) {
                                   if (item.RecIndex > index) --item.RecIndex;
                                 });
      break;
    }
    case 9: {  // marked deleted: positions stay
      int pos = FindItem(KeyOf(record, rvCurrent), index);
      if (pos >= 0) items_.erase(pos);
      break;
    }
    case 7: Rebuild(); break;
    default: break;
  }
}

void TMTIndexGx::RecordMoved(TMemoryRecordGx*, int fromIndex, int toIndex) {
  if (fromIndex == toIndex) return;
  bool moved = false;
  items_.ForEach([&](TIndexItemGx& item) {
    int r = item.RecIndex;
    if (!moved && r == fromIndex) {
      item.RecIndex = toIndex;
      moved = true;
    } else if (fromIndex < toIndex) {
      if (r > fromIndex && r <= toIndex) --item.RecIndex;
    } else if (r >= toIndex && r < fromIndex) {
      ++item.RecIndex;
    }
  });
}

void TMTIndexGx::Rebuild() {
  items_.clear();
  if (fields_.empty()) return;
  TRecordsListGx* list = RecordsList();
  if (!list) return;
  const auto& records = list->Records();
  std::vector<TIndexItemGx> items;
  items.reserve(records.size());
  for (size_t i = 0; i < records.size(); ++i)
    items.push_back(TIndexItemGx{KeyOf(records[i], rvCurrent), static_cast<int32_t>(i)});
  GxQuickSort(
      0, static_cast<int>(items.size()) - 1,
      [&](int i, int p) {
        switch (CompareVariants(items[static_cast<size_t>(i)].KeyValue, items[static_cast<size_t>(p)].KeyValue)) {
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
