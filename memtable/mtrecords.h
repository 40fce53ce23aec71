#pragma once
// Records of the store, the list that holds them in stored order with the change log (records
// deleted but not merged, records waiting as cached updates), and the listeners that hear of every
// change of the list.
//
// A record keeps one variant per column in up to three versions: current values, old values (the
// values before the first cached modification, kept until merged or cancelled) and edit values
// (the copy taken when an edit began). The version numbers say which a read or write reaches.
#include <cstdint>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "memtable/chunkseq.h"
#include "memtable/mtdata.h"
#include "platform/classes/component.h"
#include "platform/db/dbtypes.h"
#include "platform/rtl/persistent.h"
#include "platform/rtl/variant.h"

class TMTIndexesGx;
class TMemTableDataShadowGx;
class TOrderByList;

// Notification codes: the third argument of every record-change notice.
enum : int {
  rlBeforeInsert = 0,        // record, the index it will take
  rlInserted = 1,            // record, its index
  rlBeforeChange = 2,        // record, index (before an edited record is posted)
  rlChanged = 3,             // record, index
  rlBeforeDelete = 4,        // record, index (before it leaves the active list)
  rlDeleted = 5,             // record, its former index
  rlBeforeSourceChange = 6,  // nullptr, -1 (a notificator is about to change its source)
  rlListChanged = 7,         // nullptr, -1 (the whole list changed)
  rlMarkedDeleted = 9,       // record, index (marked deleted under cached updates)
};

// Value versions of GetDataValue / SetDataValue.
enum : int {
  rvOld = 0,             // old values; raises when the record has none
  rvEditOrCurrent = 1,   // edit values when present, else current
  rvCurrentEditing = 2,  // current values; raises when the record has no edit values
  rvCurrent = 3,         // current values
  rvOriginal = 4,        // old, else edit, else current
  rvOldOrCurrent = 5,    // old, else current
};

// Keeps a record's place in the records list (its chunk and slot) up to date.
struct TRecordPlaceGx {
  static void Place(TMemoryRecordGx*& record, const TSeqChunkGx* chunk, int slot) noexcept;
};
using TRecordSeqGx = TChunkSeqGx<TMemoryRecordGx*, TRecordPlaceGx>;

// Edit states of a record.
enum : uint8_t { resBrowse = 0, resEdit = 1, resInsert = 2 };

// A plain object, not a persistent one: a table holds one per row, so every byte of its header
// counts (no virtual table, fields packed).
class TMemoryRecordGx final {
 public:
  TMemoryRecordGx(const TMemoryRecordGx&) = delete;
  TMemoryRecordGx& operator=(const TMemoryRecordGx&) = delete;
  // Records are made by their list (TRecordsListGx::NewRecord), in one small block with their
  // values; the block's size follows from the count, so a delete frees it here.
  static void operator delete(TMemoryRecordGx* record, std::destroying_delete_t) noexcept;
  // Refuses (raises) while a list still holds the record.
  void BeforeDestruction();
  ~TMemoryRecordGx();
  // BeforeDestruction, then delete.
  void Free() {
    BeforeDestruction();
    delete this;
  }

  inline TRecordsListGx* RecordsList() const noexcept;
  TMTDataStructGx* DataStruct() const;
  int FieldCount() const noexcept { return static_cast<int>(count_); }

  // Position in the active list; -1 while not attached.
  inline int Index() const;
  bool Attached() const { return Index() != -1; }
  uint8_t EditState() const noexcept { return editState_; }
  int32_t ID() const noexcept { return id_; }
  TUpdateStatus UpdateStatus() const noexcept { return static_cast<TUpdateStatus>(updateStatus_); }
  // Position in the pending list; -1 when not queued.
  int UpdateIndex() const noexcept { return updateIndex_; }
  // The source row's number, kept for the memory table; nothing here interprets it.
  int32_t RowNum() const noexcept { return rowNum_; }
  void SetRowNum(int32_t value) noexcept { rowNum_ = value; }
  // Cleared when an edit starts; the memory table reads and sets it.
  bool Flag() const noexcept { return flag_; }
  void SetFlag(bool value) noexcept { flag_ = value; }
  bool HasOldValues() const noexcept { return hasVersions_ && !FindVersions()->Old.empty(); }
  bool HasEditValues() const noexcept { return hasVersions_ && !FindVersions()->Edit.empty(); }

  // The current value, by reference (no copy): what comparisons and filters read.
  const Variant& Value(int index) const {
    CheckIndex(index);
    return Data()[index];
  }
  // Any version by reference; versions outside 0..5 answer Unassigned.
  const Variant& ValueRef(int index, int version) const;
  Variant GetDataValue(int index, int version) const { return ValueRef(index, version); }
  void SetDataValue(int index, int version, const Variant& value);
  // For code that fills a record with values it knows to be Null or of the column's stored type,
  // in a column that keeps no object references: the current value, without conversion.
  void PutStored(int index, Variant&& value) { StoredSlot(index) = std::move(value); }
  void PutStored(int index, const Variant& value) { StoredSlot(index) = value; }
  // The current value's own place, on the same terms, for a filler that builds values in it.
  Variant& StoredSlot(int index) {
    CheckIndex(index);
    return Data()[index];
  }
  // A ";"-list gives a varVariant array 0..n-1 (each name must exist: "Field '%s' not found");
  // a single name gives its value.
  Variant GetDataValues(std::string_view names, int version) const;
  void SetDataValues(std::string_view names, int version, const Variant& values);
  // One index gives the value, several a varVariant array of their values, none Unassigned.
  Variant GetDataValuesByIndexes(const std::vector<int>& indexes, int version) const;

  // Browse to edit (a copy of the current values is kept); nothing in any other state.
  void Edit();
  // Stores the edit (or, for a new record, attaches it to the list).
  void Post();
  // Drops the edit; a record never attached (insert state) is freed.
  void Cancel();
  // Forgets the record's change: a deleted one moves to the deleted list.
  void MergeChanges();

  // The record's values in the stream form of the records list.
  void ReadData(TReader& reader);
  void WriteData(TWriter& writer) const;

 private:
  friend class TRecordsListGx;
  friend struct TRecordPlaceGx;
  TMemoryRecordGx(TRecordsListGx* list, uint32_t count);
  // A record with count Null values.
  static TMemoryRecordGx* Make(TRecordsListGx* list, uint32_t count);
  // A record with the current values of `source`, unassigned ones as Null; with `types`, nothing
  // when a value is of another type than `types` asks for its column.
  static TMemoryRecordGx* MakeFrom(TRecordsListGx* list, const TMemoryRecordGx& source, const TVarType* types);
  static size_t BlockBytes(uint32_t count) noexcept { return sizeof(TMemoryRecordGx) + count * sizeof(Variant); }
  // The current values follow the record in its block: one allocation per record, and reading a
  // value does not go through a second pointer.
  Variant* Data() noexcept { return reinterpret_cast<Variant*>(this + 1); }
  const Variant* Data() const noexcept { return reinterpret_cast<const Variant*>(this + 1); }
  // Exchanges the current values with a version of the same length.
  void SwapCurrent(std::vector<Variant>& other) noexcept;
  void CheckIndex(int index) const {
    if (static_cast<unsigned>(index) >= count_) IndexError(index);
  }
  [[noreturn]] static void IndexError(int index);
  // Puts the value into the slot as a column of that stored type holds it: Null, the value as it
  // is when it has the type (most do), or the value converted.
  static void StoreValue(Variant& slot, TVarType type, const Variant& value);

  // The old and edit values, kept apart in one table for all records (keyed by the record): most
  // records never have either, and the pointer would cost every row.
  struct Versions {
    std::vector<Variant> Old, Edit;
  };
  // The versions of every record that has some.
  static std::unordered_map<const TMemoryRecordGx*, Versions>& VersionsTable();
  static std::unordered_map<const TMemoryRecordGx*, Versions>* versionsTable_;
  // The record's versions; null when it has none.
  Versions* FindVersions() const noexcept;
  const std::vector<Variant>& OldValues() const noexcept { return hasVersions_ ? FindVersions()->Old : NoValues(); }
  const std::vector<Variant>& EditValues() const noexcept { return hasVersions_ ? FindVersions()->Edit : NoValues(); }
  Versions& TakeVersions();
  void DropVersions() noexcept;
  // Taken out of the active list (or never in it): the place word holds the list again.
  void Detach(TRecordsListGx* list) noexcept { place_ = reinterpret_cast<uintptr_t>(list) | kDetached; }
  bool InList() const noexcept { return (place_ & kDetached) == 0; }
  const TSeqChunkGx* Chunk() const noexcept { return reinterpret_cast<const TSeqChunkGx*>(place_); }
  void ClearOld() noexcept;
  void ClearEdit() noexcept;
  static const std::vector<Variant>& NoValues() noexcept;

  static constexpr uintptr_t kDetached = 1;
  // In the active list: the chunk holding the record (the chunk knows the list); else the list,
  // tagged with kDetached. One word instead of two for every row.
  uintptr_t place_;
  int32_t id_ = 0;
  int32_t updateIndex_ = -1;
  int32_t rowNum_ = 0;
  uint16_t count_;
  uint8_t slot_ = 0;  // a chunk holds at most 256 records
  uint8_t editState_ : 2 = resInsert;
  uint8_t updateStatus_ : 3 = usUnmodified;
  bool flag_ : 1 = false;
  bool inDeleted_ : 1 = false;
  bool hasVersions_ : 1 = false;
};

// Compares two records: negative, zero or positive.
using TCompareRecordsGx = std::function<int(TMemoryRecordGx* record1, TMemoryRecordGx* record2)>;

class TRecordsListGx : public TComponent {
  FANO_CLASS(TRecordsListGx)
 public:
  explicit TRecordsListGx(TComponent* owner);
  ~TRecordsListGx() override;

  TMemTableDataGx* MemTableData() const noexcept { return store_; }
  TMTIndexesGx* Indexes() const noexcept { return indexes_.get(); }

  bool CachedUpdates() const noexcept { return cachedUpdates_; }
  void SetCachedUpdates(bool value) noexcept { cachedUpdates_ = value; }

  int Count() const noexcept { return static_cast<int>(records_.size()); }
  // Raises EListError "List index out of bounds (%d)".
  TMemoryRecordGx* Rec(int index) const;
  // The active records in stored order.
  const TRecordSeqGx& Records() const noexcept { return records_; }
  // Cached updates in the order of their first change, with null holes.
  const std::vector<TMemoryRecordGx*>& PendingList() const noexcept { return pending_; }
  // Deleted records whose deletion is merged but not freed yet.
  const std::vector<TMemoryRecordGx*>& DeletedList() const noexcept { return deleted_; }
  int NextID() const noexcept { return nextId_; }

  // Nothing while updates are suspended; else the indexes first, then the store's listeners.
  virtual void Notify(TMemoryRecordGx* record, int index, int code);
  virtual void RecordMoved(TMemoryRecordGx* record, int oldIndex, int newIndex);
  virtual void BeginUpdate();
  // The last one sends the whole-list notice; an unmatched one sends nothing.
  virtual void EndUpdate();
  int UpdateCount() const noexcept { return updateCount_; }

  // A detached record of this list in insert state, one Null per column.
  TMemoryRecordGx* NewRecord();
  // The same holding the current values of `source`, a record with one value per column of this
  // list (of this list or another of the same columns); an unassigned value is taken as Null.
  // Texts are shared, not copied. With `types`, a value passes a column whose type there is
  // kAnyVarType, else when it is Null, unassigned or of that type; nothing is made (and no id
  // taken) when one does not pass.
  static constexpr TVarType kAnyVarType = 0xFFFE;
  TMemoryRecordGx* NewRecordFrom(const TMemoryRecordGx& source, const TVarType* types = nullptr);
  // Frees detached records made last here, the last first, and gives their ids back: as though
  // they had never been made.
  void DropNewRecords(const std::vector<TMemoryRecordGx*>& records) noexcept;
  // Attaching: append (a post), insert at a position, append as fetched (unmodified, never
  // resolved, no auto-increment), append with a given status. Each answers the record's index.
  int AddRecord(TMemoryRecordGx* record);
  int InsertRecord(TMemoryRecordGx* record, int index);
  int FetchRecord(TMemoryRecordGx* record);
  int AddRecordWithStatus(TMemoryRecordGx* record, TUpdateStatus status);
  // Deletes the record at the index: under cached updates it is marked deleted and stays.
  void MarkDel(int index);
  void DeleteRecord(int index);
  void MoveToDeleted(int index);
  // Takes the record out of the active list (detached, not freed) and answers it.
  TMemoryRecordGx* ExtractRecord(int index);
  void MoveRecord(int fromIndex, int toIndex);
  // Sorts the active list; equal records keep their order.
  void SortData(const TCompareRecordsGx& compare);
  // Sorts by columns (the items' field indexes are column positions), comparing as the records
  // view does: each column's keys are read once, not on every comparison. Equal records keep
  // their order.
  void SortData(const TOrderByList& order);
  // The same with the columns named: "NAME DESC, ID" (names the store lacks raise).
  void SortByFields(std::string_view order);
  void SortData(int (*compare)(void* context, TMemoryRecordGx* r1, TMemoryRecordGx* r2, void* param), void* param,
                void* context);
  void Clear();
  // Every cached change undone, from the last record to the first.
  void CancelUpdates();
  // Every cached change accepted; records marked deleted leave the list.
  void MergeChangeLog();
  void CleanupChangedData();
  void FreeDeleted();
  bool HasCachedChanges() const noexcept { return pendingCount_ > 0; }

  // With cached updates off: hands a one-record change log (kind 1 edit, 2 new, 3 delete) to the
  // listeners; values they change in it become the record's values.
  void ResolveRecordChange(TMemoryRecordGx* record, int kind);

  void DefineProperties(TFiler& filer) override;
  bool HasParent() const override { return store_ != nullptr; }
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* parent) override;
  void SetName(std::string_view newName) override;
  void BeforeDestruction() override;

 private:
  friend class TMemoryRecordGx;
  friend class TMemTableDataGx;
  int Attach(TMemoryRecordGx* record, int index, bool fetch, bool append);
  // A change the list took and a listener then refused (its filter or sort order raising while
  // it placed the record) is taken back, so that the list and every listener are as before.
  // An attached record leaves the list again, detached and in insert state, for its caller.
  void TakeBackAttach(TMemoryRecordGx* record, bool resolved) noexcept;
  // What a post of an edit changed besides the values.
  struct TPostedEdit {
    bool Cached;
    uint8_t Status;
    bool Queued, HadOld;
  };
  void TakeBackPost(TMemoryRecordGx* record, std::vector<Variant>& before, const TPostedEdit& posted) noexcept;
  void TakeBackQueueing(TMemoryRecordGx* record) noexcept;
  void CheckAttachable(TMemoryRecordGx* record) const;
  void Queue(TMemoryRecordGx* record);
  void Unqueue(TMemoryRecordGx* record) noexcept;
  TMemoryRecordGx* Take(int index);
  void FreeRecordList(std::vector<TMemoryRecordGx*>& list) noexcept;
  void ReadRecords(TReader& reader);
  void WriteRecords(TWriter& writer) const;

  bool cachedUpdates_ = false;
  std::vector<TMemoryRecordGx*> deleted_;
  std::vector<TMemoryRecordGx*> pending_;
  int pendingCount_ = 0;
  std::unique_ptr<TMTIndexesGx> indexes_;
  TMemTableDataGx* store_ = nullptr;
  int32_t nextId_ = 1;
  TRecordSeqGx records_;
  int updateCount_ = 0;
  // A change-log carrier kept for the next resolve; busy while handed out.
  TMemTableDataShadowGx* shadow_ = nullptr;
  bool shadowBusy_ = false;
};

static_assert(TRecordSeqGx::kMax <= 256, "a record's slot in its chunk is one byte");

inline void TRecordPlaceGx::Place(TMemoryRecordGx*& record, const TSeqChunkGx* chunk, int slot) noexcept {
  record->place_ = reinterpret_cast<uintptr_t>(chunk);
  record->slot_ = static_cast<uint8_t>(slot);
}

inline TRecordsListGx* TMemoryRecordGx::RecordsList() const noexcept {
  return InList() ? static_cast<TRecordsListGx*>(Chunk()->Owner)
                  : reinterpret_cast<TRecordsListGx*>(place_ & ~kDetached);
}

inline int TMemoryRecordGx::Index() const {
  return InList() ? static_cast<const TRecordsListGx*>(Chunk()->Owner)->records_.PositionOf(Chunk(), slot_) : -1;
}

class TRecordsListNotificatorGx : public TComponent {
  FANO_CLASS(TRecordsListNotificatorGx)
 public:
  explicit TRecordsListNotificatorGx(TComponent* owner = nullptr);
  ~TRecordsListNotificatorGx() override;
  void BeforeDestruction() override;

  std::function<void(bool value)> OnBoolean;
  std::function<void(TMemTableDataGx* changes)> OnResolve;
  std::function<void(TMemoryRecordGx* record, int index, int code)> OnRecordChange;
  std::function<int(int count)> OnFetch;
  std::function<void(TMemoryRecordGx* record, int oldIndex, int newIndex)> OnRecordMoved;

  // The fetch event's answer (0 when unassigned).
  virtual int FetchRequest(int count);
  virtual void BooleanHook(bool value);
  // The event first, then by code: 1 RecordAdded, 3 RecordUpdated, 5 RecordDeleted, 7 ListChanged.
  virtual void RecordChanged(TMemoryRecordGx* record, int index, int code);
  virtual void RecordAdded(TMemoryRecordGx* record, int index) { (void)record, (void)index; }
  virtual void RecordUpdated(TMemoryRecordGx* record, int index) { (void)record, (void)index; }
  virtual void RecordDeleted(TMemoryRecordGx* record, int index) { (void)record, (void)index; }
  virtual void ListChanged() {}
  virtual void RecordMoved(TMemoryRecordGx* record, int oldIndex, int newIndex);
  // The resolve hook: a store holding a one-record change log.
  virtual void Resolve(TMemTableDataGx* changes);
  // Whether Resolve does anything; descendants that override Resolve answer true.
  virtual bool WantsResolve() const { return static_cast<bool>(OnResolve); }

  // Attaches to a store or a records view (anything implementing IRecordsNotifySourceGx);
  // null detaches. Code 6 before, 7 after.
  void SetMemTableData(TComponent* source);
  TComponent* Source() const noexcept { return source_; }
  // The source when it is a store.
  TMemTableDataGx* MemTableData() const noexcept { return store_; }

  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TMemTableDataGx;
  // The source is going away: forget it without calling it.
  void SourceGone() noexcept;
  // The source and, when it is a store, the store (found once: views ask for it on every access).
  void AssignSource(TComponent* source) noexcept;
  TComponent* source_ = nullptr;
  TMemTableDataGx* store_ = nullptr;
};
