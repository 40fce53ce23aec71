#pragma once
// Record indexes: each keeps the key values of the records of a records list sorted, so that a key
// is found by binary search, duplicates are refused before a record is stored, and all records with
// one key can be listed. The records list tells its indexes of every change; they follow record by
// record and rebuild only on whole-list changes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "memtable/chunkseq.h"
#include "platform/classes/collection.h"
#include "platform/rtl/variant.h"

class TMemoryRecordGx;
class TRecordsListGx;

struct TIndexItemGx {
  Variant KeyValue;      // one field's value, or a varVariant array of several
  int32_t RecIndex = 0;  // the record's position in the records list (brought up to date when read)
  // The record itself: its position follows it through inserts and deletes before it, which the
  // index then need not hear of item by item.
  TMemoryRecordGx* Record = nullptr;
};

// The items of an index in key order, held in chunks (see chunkseq.h): an insert or removal in
// the middle moves at most one chunk's items (a plain array would move half the index each time,
// making a load in random key order quadratic). Positions stay what callers see.
class TIndexItemListGx {
 public:
  int size() const noexcept { return static_cast<int>(items_.size()); }
  bool empty() const noexcept { return items_.empty(); }
  const TIndexItemGx& operator[](int pos) const {
    Check(pos, size() - 1);
    return items_[static_cast<size_t>(pos)];
  }
  // The item's record position, which no search reads.
  void SetRecIndex(int pos, int32_t value) {
    Check(pos, size() - 1);
    items_.At(static_cast<size_t>(pos)).RecIndex = value;
  }
  void SetKey(int pos, Variant key) {
    Check(pos, size() - 1);
    items_.At(static_cast<size_t>(pos)).KeyValue = std::move(key);
    items_.Resummarize(static_cast<size_t>(pos));
  }
  void insert(int pos, TIndexItemGx item) {
    Check(pos, size());
    items_.insert(static_cast<size_t>(pos), std::move(item));
  }
  TIndexItemGx erase(int pos) {
    Check(pos, size() - 1);
    return items_.erase(static_cast<size_t>(pos));
  }
  void clear() noexcept { items_.clear(); }
  // Each chunk keeps its last integer key beside its place, so that a search for an integer key
  // picks its chunk without reading the chunks it passes over.
  struct IntKey {
    static bool Of(const TIndexItemGx& item, int64_t& lead) noexcept {
      if (item.KeyValue.VarType() != varInteger) return false;
      lead = item.KeyValue.AsInteger();
      return true;
    }
  };
  using Seq = TChunkSeqGx<TIndexItemGx, TNoSeqTrackerGx, IntKey>;
  const Seq& Items() const noexcept { return items_; }
  // Takes over items already in key order.
  void assign(std::vector<TIndexItemGx>&& items) { items_.assign(std::move(items)); }
  template <class F>
  void ForEach(F&& f) const {
    for (const TIndexItemGx& item : items_) f(item);
  }

 private:
  static void Check(int pos, int last);
  Seq items_;
};

class TMTIndexGx : public TCollectionItem {
  FANO_CLASS(TMTIndexGx)
 public:
  explicit TMTIndexGx(TCollection* collection);
  TMTIndexGx(TCollection* collection, TRecordsListGx* recordsList);
  ~TMTIndexGx() override;

  bool Active() const noexcept { return active_; }
  // On: checks the key's names against the structure, then builds the index; off: drops its items.
  void SetActive(bool value);
  // ";"-separated field names of the key; an active index checks them first and keeps its own
  // when one is missing.
  const std::string& Fields() const noexcept { return fields_; }
  void SetFields(const std::string& value);
  bool Primary() const noexcept { return primary_; }
  void SetPrimary(bool value);
  bool Unique() const noexcept { return unique_; }
  void SetUnique(bool value);
  const Variant& OldKeyValue() const noexcept { return oldKeyValue_; }
  // The explicit list, else the list that owns the collection.
  TRecordsListGx* RecordsList() const;

  // Binary search. True when found (pos is one of the equal items), else pos is the insertion
  // point. A key that cannot be compared with an item raises
  // "TMTIndexGx.FindKeyValueIndex: values is not comparable.".
  bool FindKeyValueIndex(const Variant& key, int& pos) const;
  bool LocateKey(const Variant& key, int& recIndex) const;
  // Appends the records of every item with that key: those before the found one nearest first,
  // then the found one and those after it.
  void GetKeyRecords(const Variant& key, std::vector<TMemoryRecordGx*>& list) const;

  int Count() const noexcept { return items_.size(); }
  const TIndexItemGx& Items(int pos) const;
  const Variant& KeyValue(int pos) const { return Items(pos).KeyValue; }
  void SetKeyValue(int pos, const Variant& value);
  // Appends when pos is the count, else inserts at pos.
  virtual void InsertItem(int pos, TIndexItemGx item);
  virtual void RecordMoved(TMemoryRecordGx* record, int fromIndex, int toIndex);
  // Keeps the index in step with one notice of the records list.
  void RecordsListChanged(TMemoryRecordGx* record, int index, int action);
  void Rebuild();
  // Forgets every item (the records list is about to free its records).
  void DropItems() noexcept { items_.clear(); }

  // The record's key in a value version (3 current, 1 as before the edit).
  Variant KeyOf(const TMemoryRecordGx* record, int version) const;
  // Keys compared as CompareVariants does, except that keys the platform cannot compare give
  // vrNotEqual instead of its error: each caller reports that (or passes over it) in its own way.
  static TVariantRelationship CompareKeys(const Variant& a, const Variant& b);

 private:
  // Raises the structure's "Field '%s' not found" for a name of the list it lacks.
  void CheckFieldNames(const std::string& fields) const;
  // Off and empty: what an index is left as when its items cannot be built.
  void Deactivate() noexcept {
    active_ = false;
    items_.clear();
  }
  void ResolveFieldIndexes() const;
  bool Enforces() const noexcept { return primary_ || unique_; }
  [[noreturn]] static void KeyViolation(const Variant& key);
  // The position of the record's item, looked for under `key` first; -1 when absent.
  int FindItem(const Variant& key, const TMemoryRecordGx* record) const;
  int FindItemLinear(const TMemoryRecordGx* record) const noexcept;
  // The insertion point of a key; false when a key met on the way cannot be compared with it.
  bool FindPlace(const Variant& key, int& pos) const;
  // The item's record position, as it stands now.
  static int PositionOf(const TIndexItemGx& item) noexcept;

  bool active_ = false;
  std::string fields_;
  Variant oldKeyValue_;
  bool primary_ = false;
  TIndexItemListGx items_;
  TRecordsListGx* recordsList_ = nullptr;
  bool unique_ = false;
  // The key's field positions, resolved against a version of the structure.
  mutable std::vector<int> fieldIndexes_;
  mutable bool multiField_ = false;
  mutable uint64_t resolvedVersion_ = UINT64_MAX;
  mutable const void* resolvedStruct_ = nullptr;
};

class TMTIndexesGx : public TCollection {
  FANO_CLASS(TMTIndexesGx)
 public:
  explicit TMTIndexesGx(TRecordsListGx* recordsList);
  TRecordsListGx* RecordsList() const noexcept { return recordsList_; }
  TMTIndexGx* Add() { return static_cast<TMTIndexGx*>(TCollection::Add()); }
  TMTIndexGx* Items(int pos) const { return ItemAs<TMTIndexGx>(pos); }
  // The first index whose field list equals the text ignoring ASCII case; null when none.
  TMTIndexGx* GetIndexForFields(std::string_view fields) const;
  virtual void RecordMoved(TMemoryRecordGx* record, int fromIndex, int toIndex);
  void RecordsListChanged(TMemoryRecordGx* record, int index, int action);
  TPersistent* GetOwner() const override;

 private:
  TRecordsListGx* recordsList_;
};
