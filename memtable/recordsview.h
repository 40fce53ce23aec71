#pragma once
// The records view: the ordered, filtered and optionally tree-shaped list of records a memory
// table shows. It listens to one record store, keeps its list of visible records up to date
// record by record, re-sorts and re-filters on request, owns the table's aggregates and tree, and
// passes its own change notices on to the table and to notificators attached to it.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "memtable/aggregates.h"
#include "memtable/exprevaluator.h"
#include "memtable/mtdata.h"
#include "memtable/mtrecords.h"
#include "memtable/orderby.h"
#include "memtable/treelist.h"
#include "platform/db/dbtypes.h"
#include "platform/rtl/sets.h"

class TDataSet;
class TRecordsViewGx;

using TUpdateStatusSet = TSet<TUpdateStatus>;

// Sort keys whose names are looked up in the view's store.
class TRecordsViewOrderByList : public TOrderByList {
  FANO_CLASS(TRecordsViewOrderByList)
 public:
  explicit TRecordsViewOrderByList(TRecordsViewGx* view = nullptr) : view_(view) {}
  TRecordsViewGx* View() const noexcept { return view_; }
  int FieldIndexByName(std::string_view name) const override;

 private:
  TRecordsViewGx* view_;
};

class TRecordsViewGx : public TRecordsListNotificatorGx, public IRecordsNotifySourceGx, public TExprAggregateRows {
  FANO_CLASS(TRecordsViewGx)
 public:
  using TCompareRecordsEvent = std::function<int(TMemoryRecordGx* rec1, TMemoryRecordGx* rec2, const TOrderByList& orderBy)>;
  using TFilterRecordEvent = std::function<bool(TMemoryRecordGx* rec)>;
  using TGetRecordsListEvent = std::function<const std::vector<TMemoryRecordGx*>*()>;
  using TViewDataChangedEvent = std::function<void(TMemoryRecordGx* rec, int index, int action)>;
  using TViewRecordMovedEvent = std::function<void(TMemoryRecordGx* rec, int oldIndex, int newIndex)>;

  // The view of a memory table (null for a view without one: no aggregates are prepared then).
  explicit TRecordsViewGx(TDataSet* dataSet = nullptr);
  ~TRecordsViewGx() override;
  void BeforeDestruction() override;

  TDataSet* DataSet() const noexcept { return dataSet_; }
  TMemTableDataGx* Store() const noexcept { return MemTableData(); }
  TRecordsListGx* RecordsList() const noexcept;
  TMTAggregatesGx* Aggregates() const noexcept { return aggregates_.get(); }
  TMemoryTreeListGx* TreeList() const noexcept { return treeList_.get(); }
  const TRecordsViewOrderByList& OrderByList() const noexcept { return *orderByList_; }
  // The flat list as it stands (it is rebuilt when a store is attached).
  const TChunkSeqGx<TMemoryRecordGx*>& FlatList() const noexcept { return flatList_; }

  // Record order when a sort order is set. Without one the view compares the sort keys' current
  // values itself: Null before any value, then the platform's order, DESC reversing.
  TCompareRecordsEvent CompareRecords;
  // The table's record filter.
  TFilterRecordEvent FilterRecordCallback;
  // The table's parser of sort texts (its own field indexes, calculated fields included), used
  // instead of the lookup in the store when assigned; the table then also supplies CompareRecords.
  // It fills the list it is given and raises on a bad text.
  std::function<void(std::string_view text, TOrderByList& list)> ParseOrderBy;
  // A replacement for the store's records as the source of the flat list (null: the store's).
  TGetRecordsListEvent GetRecordsList;
  TViewDataChangedEvent OnViewDataChanged;
  TViewRecordMovedEvent OnViewRecordMoved;

  bool ViewChangedFlag() const noexcept { return viewChangedFlag_; }
  void SetViewChangedFlag(bool value) noexcept { viewChangedFlag_ = value; }

  // Attaches to a store (notice 6 before, 7 after); null detaches.
  void SetMemTableData(TMemTableDataGx* store) { TRecordsListNotificatorGx::SetMemTableData(store); }

  // ---- reading
  // Tree mode: visible nodes of the expanded walk; flat mode: the flat list.
  int ViewItemsCount();
  // Tree mode: every visible node whatever the expansion; flat mode: the flat list.
  int AllVisibleCount();
  // Null past the end.
  TMemoryRecordGx* GetViewRecord(int pos);
  TMemoryRecordGx* GetAllVisibleRecord(int pos);
  TMemoryRecordGx* FlatRecord(int pos) const;
  // The view position of the record, -1 when it is not shown.
  int IndexOfRecord(const TMemoryRecordGx* rec);
  // Flat, in store order and showing every record: each record's view position is its store
  // position.
  bool ShowsStoreAsIs() const noexcept;

  // ---- record operations, passed to the store's records list
  TMemoryRecordGx* NewRecord();
  int AddRecord(TMemoryRecordGx* rec);
  // Before the record now at view position pos (tree mode: after the record of the node before
  // pos); past the end it appends.
  int InsertRecord(int pos, TMemoryRecordGx* rec);
  // Deletes (or, under cached updates, marks deleted) the record at view position pos.
  void DeleteRecord(int pos);
  void MergeChangeLog();
  void CancelUpdates();

  // ---- shape
  const std::string& OrderByStr() const noexcept { return orderByStr_; }
  // A new text is parsed (errors keep the old order) and the view re-sorted; a text without keys
  // drops the order and rebuilds the view in store order.
  void SetOrderByStr(const std::string& text);
  bool ViewAsTreeList() const noexcept { return viewAsTreeList_; }
  void SetViewAsTreeList(bool value);
  const std::string& KeyFieldName() const noexcept { return keyFieldName_; }
  void SetTreeKeyFieldName(const std::string& name);
  const std::string& RefParentFieldName() const noexcept { return refParentFieldName_; }
  void SetTreeRefParentFieldName(const std::string& name);
  const std::vector<int>& KeyFieldIndexes() const noexcept { return keyFieldIndexes_; }
  const std::vector<int>& RefParentFieldIndexes() const noexcept { return refParentFieldIndexes_; }
  virtual void UpdateTreeFieldIndexes();
  TUpdateStatusSet StatusFilter() const noexcept { return statusFilter_; }
  void SetStatusFilter(TUpdateStatusSet value);
  int UpdateLock() const noexcept { return updateLock_; }
  void BeginUpdateLock() noexcept { ++updateLock_; }
  void EndUpdateLock() noexcept {
    if (updateLock_ > 0) --updateLock_;
  }

  void RebuildView();
  void RebuildTree();
  virtual void Resort();

  // ---- notices
  void RecordChanged(TMemoryRecordGx* rec, int index, int action) override;
  void RecordMoved(TMemoryRecordGx* rec, int oldIndex, int newIndex) override;
  virtual bool FilterRecord(TMemoryRecordGx* rec, int index);
  virtual void AddNotificationClient(TRecordsListNotificatorGx* client);
  virtual void RemoveNotificationClient(TRecordsListNotificatorGx* client);
  const std::vector<TRecordsListNotificatorGx*>& NotificationClients() const noexcept { return clients_; }
  virtual void ViewDataChanged(TMemoryRecordGx* rec, int index, int action);
  virtual void ViewRecordMoved(TMemoryRecordGx* rec, int oldIndex, int newIndex);

  void AttachNotificator(TRecordsListNotificatorGx* n) override { AddNotificationClient(n); }
  void DetachNotificator(TRecordsListNotificatorGx* n) override { RemoveNotificationClient(n); }

  // The rows aggregates run over: every visible record whatever the expansion.
  int AggregateRowCount() const override;
  const Variant& AggregateRowValue(int row, int fieldIndex, Variant& scratch) const override;

  // Negative, zero or positive: the sort order when there is one, else the store order.
  int CompareViewRecords(TMemoryRecordGx* rec1, TMemoryRecordGx* rec2);
  // Where a record goes in the sorted flat list (binary search; a hint is tried first).
  int FindInsertPosition(TMemoryRecordGx* rec, int hint);

 private:
  void Detach();
  // A view whose store went away shows nothing (its lists wait for the next store's rebuild).
  bool Live() const noexcept { return Store() != nullptr; }
  int CompareByKeys(TMemoryRecordGx* rec1, TMemoryRecordGx* rec2) const;
  bool Sorted() const noexcept { return !orderByList_->Empty(); }
  // The flat list follows the store's own order (no sort order, no replacement source).
  bool StoreOrdered() const noexcept { return !Sorted() && !GetRecordsList; }
  int FlatPositionOf(const TMemoryRecordGx* rec, int storeIndex) const;
  void MoveFlatEntry(int oldIndex, int newIndex);
  bool StaysAt(TMemoryRecordGx* rec, int pos);
  void FlatChanged(TMemoryRecordGx* rec, int index, int action);
  void TreeChanged(TMemoryRecordGx* rec, int index, int action, bool& stop);
  void AggregatesChanged(bool appended) noexcept;

  std::unique_ptr<TMTAggregatesGx> aggregates_;
  // Counts the rebuilds: a filter handler that refreshes the table rebuilds the view inside a
  // rebuild, and the outer one then leaves the list to it.
  unsigned rebuilds_ = 0;
  bool viewChangedFlag_ = false;
  TChunkSeqGx<TMemoryRecordGx*> flatList_;
  std::unique_ptr<TRecordsViewOrderByList> orderByList_;
  std::string orderByStr_;
  std::string keyFieldName_;
  std::vector<int> keyFieldIndexes_;
  std::string refParentFieldName_;
  std::vector<int> refParentFieldIndexes_;
  bool viewAsTreeList_ = false;
  TUpdateStatusSet statusFilter_{usUnmodified, usModified, usInserted};
  std::vector<TRecordsListNotificatorGx*> clients_;
  TDataSet* dataSet_;
  int updateLock_ = 0;
  std::unique_ptr<TMemoryTreeListGx> treeList_;
  bool destroying_ = false;
  uint64_t announced_ = 0;      // view notices so far
  bool pendingAppend_ = false;  // the notice being sent is a row appended at the end
};
