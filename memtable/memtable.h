#pragma once
// The memory table: a dataset of the platform whose rows live in a record store (mtdata.h,
// mtrecords.h) and are seen through a records view (recordsview.h) that filters, sorts and, in
// tree mode, shapes them as a tree. The table keeps no values of its own: a browsing record
// buffer only points at the stored record, and values are copied into the buffer when a field is
// written. Changes go through the store with its change log (cached updates), and registered
// clients (the data grid) hear of every row change through IMemTableGx.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "editors/tools/memtableintf.h"
#include "editors/tools/toolctrlsgx.h"
#include "memtable/datadriver.h"
#include "memtable/exprevaluator.h"
#include "memtable/mtdata.h"
#include "memtable/mtrecords.h"
#include "memtable/orderby.h"
#include "memtable/recordsview.h"
#include "platform/db/blobstream.h"
#include "platform/db/dataset.h"
#include "platform/db/datasource.h"
#include "platform/db/fielddefs.h"
#include "platform/db/params.h"

class TCustomMemTableGx;
class TMemRecViewGx;

// The table's messages.
inline constexpr const char* SMemTableNoData = "MemTable don't have data.";
inline constexpr const char* SNoFieldsDefined = "No fields defined. Cannot create dataset.";
inline constexpr const char* SNoDataFound = "No data found";
inline constexpr const char* SNotInInstantReadMode = "TCustomMemTableGx not in instant read mode.";
inline constexpr const char* SSortInInstantReadMode = "Sort data in InstantReadMode is not allowed.";
inline constexpr const char* SExternalMemDataWithDriver = "Assigning to ExternalMemData is not allowed if DataDriver is assigned";
inline constexpr const char* SDataDriverWithExternalMemData = "Assigning to DataDriver is not allowed if ExternalMemData is assigned";
inline constexpr const char* SUnsupportedFieldType = "Field type %s of field '%s' is not supported";
inline constexpr const char* SRefObjectFieldNoDataSet = "Object field '%s' has no dataset";
inline constexpr const char* SSortedVarlistNotComparable = "TSortedVarlistGx.FindKeyValueIndex: values is not comparable.";

// One record buffer of the table. The platform's record buffer is the 1-based position of one of
// these in the table's buffer list.
struct TRecBuf {
  bool InUse = false;
  int32_t Bookmark = INT32_MIN;
  TBookmarkFlag BookmarkFlag = bfCurrent;
  int32_t Reserved = -2;
  int32_t ViewIndex = -2;
  uint8_t Flags[2] = {0, 0};
  TMemRecViewGx* TreeNode = nullptr;
  TMemoryRecordGx* MemoryRecord = nullptr;
  std::vector<Variant> Values;  // one per field of the dataset
  // While set, data fields read the memory record instead of Values.
  bool ValuesFromRecord = false;
  // The value version a bound buffer reads (the old-value state reads the old values).
  int ReadVersion = rvCurrent;
};

// Where master-detail filters: the table's own rows, the provider, or the provider once per
// master value and then the table's own rows.
enum TMasterDetailSideGx : uint8_t { mdsOnSelfGx, mdsOnProviderGx, mdsOnSelfAfterProviderGx };

// The master values already fetched (side 2): sorted, duplicates allowed.
class TSortedVarlistGx {
 public:
  int Count() const noexcept { return static_cast<int>(items_.size()); }
  const Variant& Items(int index) const { return items_.at(static_cast<size_t>(index)); }
  // Binary search with CompareVariants; pos is the first equal item or where the value belongs.
  // Values that cannot be compared raise "TSortedVarlistGx.FindKeyValueIndex: values is not
  // comparable.".
  bool FindKeyValueIndex(const Variant& value, int& pos) const;
  int Add(const Variant& value);
  void Clear() noexcept { items_.clear(); }

 private:
  std::vector<Variant> items_;
};

// The keys of a table's sort order: the order-by text's names read as the table's fields, each key
// holding a field's index in the table's field list (aggregate fields are no keys).
class TMTOrderByList : public TOrderByList {
  FANO_CLASS(TMTOrderByList)
 public:
  explicit TMTOrderByList(const TCustomMemTableGx* table = nullptr) : table_(table) {}
  int FieldIndexByName(std::string_view name) const override;

 private:
  const TCustomMemTableGx* table_;
};

// The detail side's link to the master data source.
class TMasterDataLinkGx : public TMasterDataLink {
  FANO_CLASS(TMasterDataLinkGx)
 public:
  explicit TMasterDataLinkGx(TCustomMemTableGx* table);
  TCustomMemTableGx* MemTable() const noexcept { return table_; }

 private:
  TCustomMemTableGx* table_;
};

// The tree settings of a table (its TreeList property). Everything but Active while loading lives
// in the records view and its tree.
class TMemTableTreeListGx : public TPersistent {
  FANO_CLASS(TMemTableTreeListGx)
 public:
  explicit TMemTableTreeListGx(TCustomMemTableGx* table = nullptr) : table_(table) {}
  TCustomMemTableGx* MemTable() const noexcept { return table_; }

  bool Active() const;
  void SetActive(bool value);
  std::string KeyFieldName() const;
  void SetKeyFieldName(const std::string& value);
  std::string RefParentFieldName() const;
  void SetRefParentFieldName(const std::string& value);
  bool DefaultNodeExpanded() const;
  void SetDefaultNodeExpanded(bool value);
  bool DefaultNodeHasChildren() const;
  void SetDefaultNodeHasChildren(bool value);
  bool FullBuildCheck() const;
  void SetFullBuildCheck(bool value);
  bool FilterNodeIfParentVisible() const;
  void SetFilterNodeIfParentVisible(bool value);

  void FullExpand();
  void FullCollapse();
  // The first visible node (in tree order) whose record matches; its ancestors are expanded and
  // it becomes the current row.
  bool Locate(std::string_view keyFields, const Variant& keyValues, TLocateOptions options);

  void Assign(TPersistent* source) override;
  TPersistent* GetOwner() const override;

 private:
  friend class TCustomMemTableGx;
  TCustomMemTableGx* table_;
  bool loadingActive_ = false;  // Active as read while the table loads
};

// The field class for object references held in a column.
class TRefObjectField : public TField {
  FANO_CLASS(TRefObjectField)
 public:
  explicit TRefObjectField(TComponent* owner);
  TObject* AsObject() const;
  void SetAsObject(TObject* value);

 protected:
  Variant GetAsVariant() const override;
  void SetAsVariant(const Variant& value) override;
};

// The blob stream of a memory table; every write goes into the field at once (a refused value
// raises at the write that caused it). A wide-memo field is streamed as UTF-16, other fields as
// their text's bytes.
class TMemBlobStreamGx : public TDataSetBlobStream {
  FANO_CLASS(TMemBlobStreamGx)
 public:
  TMemBlobStreamGx(TField* field, TBlobStreamMode mode);
  int64_t Write(const void* buffer, int64_t count) override;
  void SetSize(int64_t newSize) override;

 private:
  void StoreWide();
  bool wide_;
  TBlobStreamMode mode_;
};

// The distinct values of one column of a record store, read again after any change of the store.
class TMemTableDataFieldValueListGx : public TObject, public IMemTableDataFieldValueListGx {
  FANO_CLASS(TMemTableDataFieldValueListGx)
 public:
  TMemTableDataFieldValueListGx(TMemTableDataGx* store, const std::string& fieldName);
  ~TMemTableDataFieldValueListGx() override;
  const std::string& FieldName() const noexcept { return fieldName_; }
  bool Changed() const noexcept { return changed_; }
  TStrings* GetValues() override;

 private:
  void Rebuild();
  std::string fieldName_;
  TMemTableDataGx* store_;
  bool changed_ = true;
  std::unique_ptr<TStringList> values_;
  TRecordsListNotificatorGx* notificator_;
};

// The record store a memory table owns. It is written under its table in a form resource (rows
// included), and reading that block fills the table's own store again instead of making a new one.
class TMemTableOwnDataGx : public TMemTableDataGx {
  FANO_CLASS(TMemTableOwnDataGx)
 public:
  explicit TMemTableOwnDataGx(TCustomMemTableGx* table);
  TCustomMemTableGx* MemTable() const noexcept { return table_; }
  bool HasParent() const override { return table_ != nullptr; }
  TComponent* GetParentComponent() const override;
  // The reader gives the block's component to the form: the store goes back to its table alone.
  void SetParentComponent(TComponent* parent) override;

 private:
  TCustomMemTableGx* table_;
};

class TCustomMemTableGx : public TDataSet, public IMemTableGx {
  FANO_CLASS(TCustomMemTableGx)
 public:
  using TFieldValueEvent = std::function<void(TCustomMemTableGx* sender, TField* field, Variant& value)>;
  using TNodeExpandingEvent = std::function<void(TCustomMemTableGx* sender, TMemRecViewGx* node, bool& allowed)>;
  using TRowExpandingEvent = std::function<void(TCustomMemTableGx* sender, int rowNo, bool& allowed)>;
  using TNodeMovingEvent = std::function<void(TCustomMemTableGx* sender, TMemRecViewGx* node, TMemRecViewGx* newParent,
                                              bool& allowed)>;

  explicit TCustomMemTableGx(TComponent* owner);
  ~TCustomMemTableGx() override;

  // ---- parts
  // The table's own store (also when ExternalMemData shows another's).
  TMemTableDataGx* MemTableData() const noexcept { return memTableData_; }
  // The store the view shows: the own one, or ExternalMemData's.
  TMemTableDataGx* ActiveStore() const;
  TRecordsViewGx* RecordsView() const noexcept { return view_; }
  TRecordsListGx* RecordsList() const { return ActiveStore()->RecordsList(); }

  // ---- properties
  bool AggregatesActive() const;
  void SetAggregatesActive(bool value);
  TAutoIncrementGx* AutoIncrement() const { return memTableData_->AutoIncrement(); }
  void SetAutoIncrement(TAutoIncrementGx* value) { memTableData_->SetAutoIncrement(value); }
  // The records list's flag: tables sharing a store share it.
  bool CachedUpdates() const { return RecordsList()->CachedUpdates(); }
  void SetCachedUpdates(bool value) { RecordsList()->SetCachedUpdates(value); }
  TDataDriverGx* DataDriver() const noexcept { return dataDriver_; }
  void SetDataDriver(TDataDriverGx* value);
  const std::string& DetailFields() const noexcept { return detailFieldNames_; }
  void SetDetailFields(const std::string& value);
  std::string MasterFields() const { return masterLink_->FieldNames(); }
  void SetMasterFields(const std::string& value);
  TDataSource* MasterSource() const { return masterLink_->DataSource(); }
  void SetMasterSource(TDataSource* value);
  TMasterDetailSideGx MasterDetailSide() const noexcept { return masterDetailSide_; }
  void SetMasterDetailSide(TMasterDetailSideGx value);
  TCustomMemTableGx* ExternalMemData() const noexcept { return externalMemData_; }
  void SetExternalMemData(TCustomMemTableGx* value);
  bool FetchAllOnOpen() const noexcept { return fetchAllOnOpen_; }
  void SetFetchAllOnOpen(bool value) noexcept { fetchAllOnOpen_ = value; }
  TIndexDefs* IndexDefs() const noexcept { return indexDefs_.get(); }
  TParams* Params() const noexcept { return params_.get(); }
  bool ReadOnly() const noexcept { return readOnly_; }
  void SetReadOnly(bool value);
  const std::string& SortOrder() const noexcept { return sortOrder_; }
  void SetSortOrder(const std::string& value);
  TMemTableTreeListGx* TreeList() const noexcept { return treeList_.get(); }
  void SetTreeList(TMemTableTreeListGx* value) { treeList_->Assign(value); }
  // Written by the protocol, never read by the table.
  const std::string& CvTableName() const noexcept { return cvTableName_; }
  void SetCvTableName(const std::string& value) { cvTableName_ = value; }
  const std::string& PKName() const noexcept { return pkName_; }
  void SetPKName(const std::string& value) { pkName_ = value; }
  const std::string& FKName() const noexcept { return fkName_; }
  void SetFKName(const std::string& value) { fkName_ = value; }

  TFieldValueEvent OnGetFieldValue;
  TFieldValueEvent OnSetFieldValue;
  // Tree events (not published).
  TNodeExpandingEvent OnNodeExpanding;
  TRowExpandingEvent OnRowExpanding;
  TNodeMovingEvent OnNodeMoving;

  // ---- dataset operations
  TUpdateStatus UpdateStatus() const override;
  bool Locate(std::string_view keyFields, const Variant& keyValues, TLocateOptions options) override;
  Variant Lookup(std::string_view keyFields, const Variant& keyValues, std::string_view resultFields) override;
  bool GetFieldData(TField* field, Variant& value) override;
  void SetFieldData(TField* field, const Variant& value) override;
  void MoveFieldData(TField* field, Variant& value) override;
  std::unique_ptr<TStream> CreateBlobStream(TField* field, TBlobStreamMode mode) override;
  Variant GetAggregateValue(TField* field) override;
  void ResetAggField(TField* field) override;
  TClass GetFieldClass(TFieldType type) const override;
  TDataSource* GetDataSource() const override { return MasterSource(); }
  void UpdateIndexDefs() override;
  std::unique_ptr<TIndexDefs> PSGetIndexDefs(TIndexOptions options) override;
  TParams* PSGetParams() override { return params_.get(); }
  void SetRecNo(int value) override;
  bool IsSequenced() const override { return true; }
  void Resync(TResyncMode mode) override;
  void DataEvent(TDataEvent event, NativeInt info) override;
  TBookmark GetBookmark() override;
  bool BookmarkValid(const TBookmark& bookmark) override;
  int CompareBookmarks(const TBookmark& a, const TBookmark& b) override;
  void SetFiltered(bool value) override;
  void SetFilterText(const std::string& value) override;
  void SetFilterOptions(TFilterOptions value) override;
  void SetOnFilterRecord(TFilterRecordEvent value) override;

  // ---- the table's own operations
  // The buffer field access uses now; false when there is none.
  virtual bool GetActiveRecBuf(TRecBuf*& buffer, bool ignoreInstantRead = false);
  // Stores the buffer's data-field values into the record (current values).
  virtual void CopyBufferToRecord(TRecordBuffer buffer, TMemoryRecordGx* rec);
  // Applies the store's changes: through the data driver, or by merging the change log.
  virtual int InternalApplyUpdates(TMemTableDataGx* store, int maxErrors);
  virtual void CreateIndexesFromDefs();
  void CreateDataSet();
  // Every row gone (none queued as deleted), the auto-increment counter reset.
  void EmptyTable();
  virtual bool GetFieldDataAsObject(TField* field, TObject*& value);
  virtual void SetFieldDataAsObject(TField* field, TObject* value);
  virtual void NotifyClients(int index, int code, int extra);

  // ---- cached updates
  // Merges or cancels the change log of the store (through the view).
  void MergeChangeLog();
  void CancelUpdates();
  int ApplyUpdates(int maxErrors = -1);
  bool HasCachedChanges() const { return RecordsList()->HasCachedChanges(); }

  // ---- row transfer
  int AppendRecordsFrom(TDataSet* source);
  int AppendChangedRecordsFrom(TDataSet* source);
  int AppendCurrentRecordFrom(TDataSet* source);
  // Mode 0 rebuilds the columns from the source's fields; any other keeps them. RecordCount below
  // 1 copies every row from the first; otherwise that many rows from the source's current one.
  int LoadFromDataSet(TDataSet* source, int recordCount, Byte mode, bool useCachedUpdates);
  // The kept source row number of the current record; -1 without a bound one.
  int GetRecordRowNum();
  void SetRecordRowNum(int value);

  // ---- sorting
  virtual void SortByOrderText(const std::string& text);
  void SortData(const TOrderByList& list);
  // -1, 0 or 1; Nulls first; a descending item reverses.
  virtual int CompareRecords(TMemoryRecordGx* rec1, TMemoryRecordGx* rec2, const TOrderByList& list);
  virtual int CompareTreeNodes(TMemRecViewGx* node1, TMemRecViewGx* node2, const TOrderByList& list);
  virtual void ApplySortOrderToView();
  // Parses a sort text into items of the table's field indexes.
  void ParseSortOrder(std::string_view text, TOrderByList& list) const;

  // ---- IMemTableGx
  int FetchRecords(int count) override;
  int GetCurrentRowIndex() override;
  int GetRowReserved() override { return 0; }
  bool GetNodeExpanded() override;
  bool GetNodeHasChildren() override;
  int GetNodeLevel() override;
  int GetPriorRowNodeLevel() override;
  int GetNextRowNodeLevel() override;
  TMemoryRecordGx* GetActiveMemoryRecord() override;
  int BookmarkToRowIndex(const std::string& bookmark) override;
  int GetRowCount() override;
  bool IsTreeView() override;
  bool AncestorHasNextSibling(int level) override;
  // Found by its address alone: a record deleted (and freed) since it was taken is not read.
  bool LocateRecord(TMemoryRecordGx* rec) override;
  int SetNodeExpanded(int rowIndex, bool expanded) override;
  void CreateFieldValueList(const std::string& fieldName, std::unique_ptr<IMemTableDataFieldValueListGx>& list) override;
  bool MoveRecords(TBMListGx* bookmarks, int targetRecNo, int treeLevel, bool checkOnly) override;
  void InstantReadEnter(int rowIndex) override;
  void InstantReadLeave() override;
  int RegisterClient(TComponent* client) override;
  void UnregisterClient(TComponent* client) override;
  bool InstantReadMode() const noexcept { return !instantRead_.empty(); }

  // ---- component
  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;
  void GetChildren(const TGetChildProc& proc, TComponent* root) override;
  void ReadState(TReader& reader) override;
  // The table whose block is being read (its store stands for the "MemTableData" block in it).
  static TCustomMemTableGx* ReadingTable() noexcept;

  // The record a buffer handle stands for (tests and the engine's own helpers).
  TRecBuf* RecBuf(TRecordBuffer buffer) const {
    const intptr_t h = reinterpret_cast<intptr_t>(buffer);
    if (h < 1 || static_cast<size_t>(h) > recBufs_.size()) return nullptr;
    return recBufs_[static_cast<size_t>(h - 1)].get();
  }

 protected:
  TRecordBuffer AllocRecordBuffer() override;
  void FreeRecordBuffer(TRecordBuffer& buffer) override;
  TGetResult GetRecord(TRecordBuffer buffer, TGetMode getMode, bool doCheck) override;
  int GetRecordSize() const override { return recordSize_; }
  bool GetCurrentRecord(TRecordBuffer) override { return false; }
  void InternalOpen() override;
  void InternalClose() override;
  void InternalInitFieldDefs() override;
  bool IsCursorOpen() const override { return cursorOpen_; }
  void InternalFirst() override;
  void InternalLast() override;
  void InternalPost() override;
  void InternalDelete() override;
  void InternalAddRecord(TRecordBuffer buffer, bool append) override;
  void InternalEdit() override;
  void InternalCancel() override;
  void InternalRefresh() override;
  void InternalInitRecord(TRecordBuffer buffer) override;
  void InitRecord(TRecordBuffer buffer) override;
  void InternalSetToRecord(TRecordBuffer buffer) override;
  void InternalGotoBookmark(const Byte* bookmark) override;
  void GetBookmarkData(TRecordBuffer buffer, Byte* data) override;
  void SetBookmarkData(TRecordBuffer buffer, const Byte* data) override;
  TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) override;
  void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag value) override;
  int GetRecNo() const override;
  int GetRecordCount() const override;
  bool GetCanModify() const override { return !readOnly_; }
  void InternalHandleException() override;
  void OpenCursor(bool infoQuery) override;
  void DoOnNewRecord() override;
  void ClearCalcFields(TRecordBuffer buffer) override;
  void DefChanged(TObject* sender) override;
  TBookmarkStr GetBookmarkStr() override;

 private:
  friend class TMemTableTreeListGx;

  // ---- update lock
  void BeginLock() noexcept { ++updateLock_; }
  // Resyncs once when the last lock goes and a resync was deferred (only when asked).
  void EndLock(bool resync);
  class Lock;

  // ---- buffers
  TRecordBuffer HandleOf(int index) const noexcept;
  void ClearRecBuf(TRecBuf& buf) noexcept;
  void BindRecBuf(TRecBuf& buf, int viewIndex);
  // The value of a field in a buffer (the record's when the buffer still points at it).
  const Variant& BufferValue(const TRecBuf& buf, TField* field, Variant& scratch) const;
  // The store column of a data field; -1 for calculated and lookup fields.
  int ColumnOf(const TField* field) const noexcept {
    const int no = field->FieldNo();
    return no > 0 ? no - 1 : -1;
  }
  // The field's place in Fields() (the buffers' value index): a field made from a column mostly
  // sits at the column's own place, which is tried before the search.
  int IndexOfField(const TField* field) const {
    const int col = ColumnOf(field);
    const TFields& fields = Fields();
    if (col >= 0 && col < fields.Count() && fields.begin()[col] == field) return col;
    return field->Index();
  }
  int ViewCount() const;
  // The view position of a record (-1 when the view does not show it).
  int PositionOf(const TMemoryRecordGx* rec) const;
  TMemoryRecordGx* ViewRecord(int index) const;
  TMemRecViewGx* ViewNode(int index) const;
  // The view position the row being edited or inserted stands at.
  int EditingRowIndex();
  TRecBuf* CurrentRecBuf();

  // SetFieldData's work, for a value copied or taken.
  template <class Value>
  void WriteFieldData(TField* field, Value&& value);
  // The table's own part of an event: held notices, the inserted row's notice, a new field list.
  void TableDataEvent(TDataEvent event);
  // ---- view hooks
  void ViewDataChanged(TMemoryRecordGx* rec, int index, int action);
  void ViewRecordMoved(TMemoryRecordGx* rec, int oldIndex, int newIndex);
  bool FilterRecord(TMemoryRecordGx* rec);
  int FetchFromDriver(int count);
  void ResolveChanges(TMemTableDataGx* changes);
  void UpdateResolveHook();
  void TreeExpandedChanging(TMemRecViewGx* node, bool& allowed);
  void TreeExpandedChanged(TMemRecViewGx* node);
  // Rows the data driver still holds: fetch (under the lock) count more (-1 all).
  int FetchMore(int count);
  void CancelAfterFailedApply();

  // ---- filtering
  bool FilterActive() const;
  void ParseFilter();
  // A filter that does not parse is refused: the change that gave it is undone, and the rows stay
  // shown by the filter they had.
  void ParseFilterOrUndo(const std::function<void()>& undo);
  // After a change of the filter: parse again and refresh (while open, and filtered when asked).
  void Refilter(bool onlyWhenFiltered);
  void ResetFilter();
  void BindFilterRecord(TMemoryRecordGx* rec);
  Variant ExprFieldValue(TMemoryRecordGx* rec, const TExprFieldRef& field);

  // ---- master-detail
  void MasterChanged();
  void MasterDisabled();
  void RebuildMasterDetail(bool fromProperty);
  Variant CurrentMasterValues() const;
  bool DetailMatches(TMemoryRecordGx* rec) const;
  void RefreshFromProvider();
  // Side 0 refreshes the table, sides 1 and 2 refresh from the provider.
  void RefreshDetail();
  void PrepareProviderSide();

  // ---- locating
  // `found`, when given, gets the record at pos where the search met it (else null).
  bool FindRecord(std::string_view keyFields, const Variant& keyValues, TLocateOptions options, int& pos,
                  TMemoryRecordGx** found = nullptr);
  struct LocateKey {
    TField* Field = nullptr;
    int Column = -1;  // the store column of a data field read as stored (-1: read as shown)
    bool Text = false;
    const Variant* Key = nullptr;
    std::string KeyText;
  };
  std::vector<LocateKey> LocateKeys(const std::vector<TField*>& fields, const Variant& keyValues) const;
  bool RecordMatches(TMemoryRecordGx* rec, const std::vector<LocateKey>& keys, TLocateOptions options);

  // ---- transfer
  // A text column and the size its field reads: CP936 bytes, or UTF-16 units for wide text.
  struct TextLimit {
    int Column;
    size_t Size;
    bool Wide;
  };
  // The text columns a copy from `source` may have to cut.
  std::vector<TextLimit> TextLimits(TDataSet* source) const;
  // Cuts the texts of a copied record to their fields' sizes, as writing through the fields does.
  static void FitTexts(TMemoryRecordGx* rec, const std::vector<TextLimit>& limits);
  void CopyRowWithStatus(TDataSet* source, const std::vector<std::pair<int, TField*>>& map,
                         const std::vector<TextLimit>& limits);
  std::vector<std::pair<int, TField*>> SourceFieldMap(TDataSet* source) const;
  // Whether rows appended in one go may reach the store's listeners as one change of its list
  // instead of a notice a row: only this table's plain view listens.
  bool AppendsAsOneChange() const;
  int AppendFrom(TDataSet* source, bool changedOnly);

  // ---- sorting
  void ApplySortOrder();
  void RestoreCurrentRecord(TMemoryRecordGx* rec);
  // Reads a field's value of a record as the dataset shows it (calculated fields included).
  Variant RecordFieldValue(TMemoryRecordGx* rec, TField* field);
  // The same, through the field-value access in instant-read mode (OnGetFieldValue included).
  Variant InstantFieldValue(TMemoryRecordGx* rec, TField* field);

  // ---- moving rows
  // Flat view: the record goes before the anchor's row (after the last row without one shown).
  void MoveOne(TMemoryRecordGx* rec, TMemoryRecordGx* anchor);
  // Where a node dropped before a row lands in tree view: its new parent (the hidden root at the
  // top) and the sibling it goes after (After) or before; no sibling: the parent has no children.
  struct TTreeDrop {
    TMemRecViewGx* Parent = nullptr;
    TMemRecViewGx* Sibling = nullptr;
    bool After = false;
  };
  // False when the wanted level cannot be reached from the rows around the target.
  bool TreeDropAt(int target, int treeLevel, TTreeDrop& drop);
  // Moves the node there (re-parented, its record beside the sibling's); with checkOnly only
  // answers whether it may go. A sibling that is the node itself leaves it where it is.
  bool MoveNode(TMemRecViewGx* node, const TTreeDrop& drop, bool checkOnly);
  bool MoveTreeRecords(const std::vector<TMemoryRecordGx*>& records, TMemoryRecordGx* targetRec, int treeLevel,
                       bool checkOnly);

  // ---- tree
  void SetTreeActive(bool value);
  void RebuildTree();

  TMemTableOwnDataGx* memTableData_;
  TRecordsViewGx* view_;
  std::unique_ptr<TMasterDataLinkGx> masterLink_;
  std::unique_ptr<TParams> params_;
  std::unique_ptr<TDataSetExprParserGx> filterParser_;
  std::unique_ptr<TMemTableTreeListGx> treeList_;
  std::unique_ptr<TIndexDefs> indexDefs_;
  std::vector<std::unique_ptr<TRecBuf>> recBufs_;
  std::vector<TComponent*> clients_;
  std::vector<int> instantRead_;  // buffer handles
  std::vector<TField*> detailFields_;
  std::unordered_set<const TMemoryRecordGx*> masterRecords_;
  bool useMasterRecords_ = false;
  Variant masterValues_;
  TSortedVarlistGx fetchedMasterValues_;
  bool masterDetailActive_ = false;
  std::string detailFieldNames_;
  TMasterDetailSideGx masterDetailSide_ = mdsOnSelfGx;
  int currentIndex_ = -1;
  int recordPos_ = -1;
  // The record a Locate found and the row it is at, while the buffers are read again there.
  TMemoryRecordGx* located_ = nullptr;
  // The row number that the record a post makes gets before it is stored (LoadFromDataSet).
  std::optional<int> postRowNum_;
  int locatedIndex_ = -1;
  int updateLock_ = 0;
  bool resyncPending_ = false;
  std::string autoIncFieldName_;
  TDataDriverGx* dataDriver_ = nullptr;
  TDataSet* providerDataSet_ = nullptr;
  TCustomMemTableGx* externalMemData_ = nullptr;
  bool fetchAllOnOpen_ = false;
  bool readOnly_ = false;
  std::string sortOrder_;
  std::string cvTableName_, pkName_, fkName_;
  bool cursorOpen_ = false;
  int recordSize_ = 0;
  bool aggregatesActive_ = false;
  // Filtering.
  TRecBuf filterBuf_;
  bool filterBound_ = false;
  TRecBuf oldValueBuf_;
  // Client notifications held back while controls are disabled.
  int heldCount_ = 0;
  int heldIndex_ = -1, heldCode_ = 0, heldExtra_ = -1;
  bool insertNotified_ = false;
  int insertRow_ = -1;
  bool openNotified_ = true;
  // Counts the table's state changes: a field write whose handler posted and edited again (maybe
  // another row) sees that the edit it began in has ended.
  unsigned stateChanges_ = 0;
};

class TMemTableGx : public TCustomMemTableGx {
  FANO_CLASS(TMemTableGx)
 public:
  explicit TMemTableGx(TComponent* owner = nullptr) : TCustomMemTableGx(owner) {}
};

// Registers the table's classes (and the record store's) with the class registry.
void RegisterMemTableClasses();
