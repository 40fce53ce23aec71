#pragma once
// TDataSet: the cursor over a set of records that fields, data sources and controls work with.
//
// A descendant supplies the records through the virtual hooks (allocating and reading record
// buffers, moving its cursor, posting and deleting); TDataSet keeps a ring of record buffers sized
// by the attached data links, runs the state machine (inactive, browse, edit, insert and the
// temporary states), the events and the notifications of the data sources.
//
// The ring: Buffers(0 .. BufferCount()-1) hold the records shown around the active one, the first
// BufferedRecordCount() of them filled; ActiveRecord() is the index of the current one; the slot
// after the filled ones (TempBuffer) is free for reading a record without showing it.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/classes/component.h"
#include "platform/db/dbtypes.h"
#include "platform/db/fielddefs.h"
#include "platform/db/fields.h"
#include "platform/db/params.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/variant.h"

class TDataSource;
class TDataLink;
class TStream;

using TDataSetNotifyEvent = std::function<void(TDataSet* dataSet)>;
using TFilterRecordEvent = std::function<void(TDataSet* dataSet, bool& accept)>;
using TDataSetErrorEvent = std::function<void(TDataSet* dataSet, EDatabaseError& error, TDataAction& action)>;

class TDataSet : public TComponent {
  FANO_CLASS(TDataSet)
 public:
  explicit TDataSet(TComponent* owner);
  // Descendants close the dataset in their own destructor (closing calls their hooks).
  ~TDataSet() override;

  // ---- opening and closing ----
  void Open() { SetActive(true); }
  void Close() { SetActive(false); }
  bool Active() const noexcept { return state_ != dsInactive && state_ != dsOpening; }
  void SetActive(bool value);
  TDataSetState State() const noexcept { return state_; }

  // ---- fields ----
  TFields& Fields() noexcept { return fields_; }
  const TFields& Fields() const noexcept { return fields_; }
  int FieldCount() const noexcept { return fields_.Count(); }
  TFields& AggFields() noexcept { return aggFields_; }
  TFieldDefs& FieldDefs() noexcept { return *fieldDefs_; }
  TField* FindField(std::string_view name) const;
  // Raises "Field '%s' not found".
  TField* FieldByName(std::string_view name) const;
  TField* FieldByNumber(int fieldNo) const { return fields_.FieldByNumber(fieldNo); }
  // The fields of a ";"-separated name list, in order; a missing one raises.
  void GetFieldList(std::vector<TField*>& list, std::string_view names) const;
  std::vector<TField*> GetFieldList(std::string_view names) const;
  // One name gives the field's value; several give a variant array of their values.
  Variant FieldValues(std::string_view names) const;
  void SetFieldValues(std::string_view names, const Variant& value);
  // True when the fields were made from the field definitions at open (and go at close).
  bool DefaultFields() const noexcept { return defaultFields_; }
  bool AutoCalcFields() const noexcept { return autoCalcFields_; }
  void SetAutoCalcFields(bool value) { autoCalcFields_ = value; }
  // Sets every field of the record to Null (edit or insert state).
  void ClearFields();

  // ---- navigation ----
  void First();
  void Last();
  void Next() { MoveBy(1); }
  void Prior() { MoveBy(-1); }
  virtual int MoveBy(int distance);
  bool Bof() const noexcept { return bof_; }
  bool Eof() const noexcept { return eof_; }
  int RecNo() const { return GetRecNo(); }
  virtual void SetRecNo(int value);
  int RecordCount() const { return GetRecordCount(); }
  bool IsEmpty() const noexcept { return activeRecord_ >= recordCount_; }
  virtual bool IsSequenced() const { return true; }
  void Refresh();
  virtual void Resync(TResyncMode mode);
  // Moves the descendant's cursor to the active record.
  void UpdateCursorPos();
  // Forgets where the descendant's cursor is.
  void CursorPosChanged() noexcept { currentRecord_ = -1; }

  // ---- editing ----
  void Append();
  void Insert();
  // Puts the current record into edit state; nothing in edit or insert state; an empty dataset
  // inserts instead.
  void Edit();
  void Post();
  void Cancel();
  void Delete();
  void AppendRecord(const std::vector<Variant>& values);
  void InsertRecord(const std::vector<Variant>& values);
  // Posts a pending edit when something was modified, cancels it otherwise.
  void CheckBrowseMode();
  // Lets every link write its pending text into the fields.
  void UpdateRecord();
  bool CanModify() const { return GetCanModify(); }
  bool Modified() const noexcept { return modified_; }
  virtual TUpdateStatus UpdateStatus() const { return usUnmodified; }

  // ---- searching ----
  // Makes the first record whose key fields hold the values current; false (and no move) when
  // there is none. The base searches record by record.
  virtual bool Locate(std::string_view keyFields, const Variant& keyValues, TLocateOptions options);
  // The result fields' values of the first matching record, without moving; Null when none.
  virtual Variant Lookup(std::string_view keyFields, const Variant& keyValues, std::string_view resultFields);

  // ---- bookmarks ----
  virtual TBookmark GetBookmark();
  void GotoBookmark(const TBookmark& bookmark);
  TBookmarkStr Bookmark() { return GetBookmarkStr(); }
  void SetBookmark(const TBookmarkStr& value);
  virtual bool BookmarkValid(const TBookmark& bookmark);
  // Negative, zero or positive; an empty bookmark sorts first.
  virtual int CompareBookmarks(const TBookmark& a, const TBookmark& b);
  bool BookmarkAvailable();

  // ---- controls ----
  void DisableControls();
  void EnableControls();
  bool ControlsDisabled() const noexcept { return disableCount_ != 0; }

  // ---- filtering ----
  const std::string& Filter() const noexcept { return filterText_; }
  void SetFilter(const std::string& value) { SetFilterText(value); }
  virtual void SetFilterText(const std::string& value);
  bool Filtered() const noexcept { return filtered_; }
  virtual void SetFiltered(bool value);
  TFilterOptions FilterOptions() const noexcept { return filterOptions_; }
  virtual void SetFilterOptions(TFilterOptions value);
  const TFilterRecordEvent& OnFilterRecord() const noexcept { return onFilterRecord_; }
  virtual void SetOnFilterRecord(TFilterRecordEvent value);

  // ---- field data (called by the fields) ----
  // The value of the field in the buffer that the state selects; false when it is Null.
  virtual bool GetFieldData(TField* field, Variant& value) = 0;
  // Writes the value; implementations raise "Dataset not in edit or insert mode" outside the
  // write states, call field->Validate(value) first and send deFieldChange afterwards (not in the
  // calc-fields, filter, new-value and internal-calc states).
  virtual void SetFieldData(TField* field, const Variant& value) = 0;
  // The same for a value its caller no longer needs: a dataset may take it (it is left empty
  // then) instead of copying it.
  virtual void MoveFieldData(TField* field, Variant& value) { SetFieldData(field, value); }
  // A stream over a blob field's value; writing it back happens when the stream is destroyed.
  virtual std::unique_ptr<TStream> CreateBlobStream(TField* field, TBlobStreamMode mode);
  // The value of an aggregate field; the base has none.
  virtual Variant GetAggregateValue(TField* field);
  // Called when an aggregate field changes its expression or activity.
  virtual void ResetAggField(TField* field);
  // The field class for a data type.
  virtual TClass GetFieldClass(TFieldType type) const;
  // The master's data source of a detail dataset, for circular-link checks.
  virtual TDataSource* GetDataSource() const { return nullptr; }
  // Whether the data source is attached to this dataset (directly or through masters).
  bool IsLinkedTo(TDataSource* dataSource) const;
  // Refreshes the index definitions of a dataset that has them; the base has none.
  virtual void UpdateIndexDefs() {}

  // ---- provider support (what a data driver asks of the dataset it reads from) ----
  // The dataset's parameters; null when it takes none.
  virtual TParams* PSGetParams() { return nullptr; }
  // The index definitions having every one of the options; null when the dataset has none.
  virtual std::unique_ptr<TIndexDefs> PSGetIndexDefs(TIndexOptions options) {
    (void)options;
    return nullptr;
  }

  // ---- notifications ----
  virtual void DataEvent(TDataEvent event, NativeInt info);
  // Whether the base's DataEvent has nothing to do with the event (no field or property change,
  // nobody to tell, nothing to remember for EnableControls): kept beside DataEvent's own tests.
  bool DataEventIdle(TDataEvent event) const noexcept {
    if (event == deFieldChange || event == dePropertyChange) return false;
    if (disableCount_ == 0) return dataSources_.empty();
    return !((event == deUpdateState && state_ == dsInactive) || event == deLayoutChange);
  }
  // Index of the active record in the ring; the data links read it.
  int ActiveRecord() const noexcept { return activeRecord_; }
  int BufferCount() const noexcept { return bufferCount_; }
  int BufferedRecordCount() const noexcept { return recordCount_; }

  // ---- events ----
#define FANO_DATASET_EVENT(Name)                                          \
  const TDataSetNotifyEvent& Name() const noexcept { return Name##_; }    \
  void Set##Name(TDataSetNotifyEvent e) { Name##_ = std::move(e); }
  FANO_DATASET_EVENT(BeforeOpen)
  FANO_DATASET_EVENT(AfterOpen)
  FANO_DATASET_EVENT(BeforeClose)
  FANO_DATASET_EVENT(AfterClose)
  FANO_DATASET_EVENT(BeforeInsert)
  FANO_DATASET_EVENT(AfterInsert)
  FANO_DATASET_EVENT(BeforeEdit)
  FANO_DATASET_EVENT(AfterEdit)
  FANO_DATASET_EVENT(BeforePost)
  FANO_DATASET_EVENT(AfterPost)
  FANO_DATASET_EVENT(BeforeCancel)
  FANO_DATASET_EVENT(AfterCancel)
  FANO_DATASET_EVENT(BeforeDelete)
  FANO_DATASET_EVENT(AfterDelete)
  FANO_DATASET_EVENT(BeforeScroll)
  FANO_DATASET_EVENT(AfterScroll)
  FANO_DATASET_EVENT(BeforeRefresh)
  FANO_DATASET_EVENT(AfterRefresh)
  FANO_DATASET_EVENT(OnNewRecord)
  FANO_DATASET_EVENT(OnCalcFields)
#undef FANO_DATASET_EVENT
  const TDataSetErrorEvent& OnPostError() const noexcept { return onPostError_; }
  void SetOnPostError(TDataSetErrorEvent e) { onPostError_ = std::move(e); }
  const TDataSetErrorEvent& OnEditError() const noexcept { return onEditError_; }
  void SetOnEditError(TDataSetErrorEvent e) { onEditError_ = std::move(e); }
  const TDataSetErrorEvent& OnDeleteError() const noexcept { return onDeleteError_; }
  void SetOnDeleteError(TDataSetErrorEvent e) { onDeleteError_ = std::move(e); }

  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;
  // Closes while the descendant is still whole (Free runs it before any destructor).
  void BeforeDestruction() override;
  // Fields owned by the root are written under the dataset.
  void GetChildren(const TGetChildProc& proc, TComponent* root) override;
  // Whether FieldDefs is written with the dataset (when set and there are definitions).
  bool StoreDefs() const noexcept { return storeDefs_; }
  void SetStoreDefs(bool value) noexcept { storeDefs_ = value; }
  bool FieldDefsStored() const { return storeDefs_ && fieldDefs_->Count() > 0; }
  TFieldDefs* GetFieldDefs() const noexcept { return fieldDefs_.get(); }

  // ---- state helpers (public so that links, fields and engines can use them) ----
  // Enters a temporary state (calc-fields, filter, old-value, ...) without notifying anyone;
  // answers the state to hand back to RestoreState.
  TDataSetState SetTempState(TDataSetState value);
  void RestoreState(TDataSetState value);
  void CheckActive() const;
  void CheckInactive() const;
  // The buffer whose values a field shows in the present state: the active buffer in browse (none
  // in an empty dataset), edit, insert and new-value; the calc buffer in calc-fields and
  // internal-calc; the temporary buffer in filter; none otherwise.
  TRecordBuffer StateBuffer() const noexcept;
  // Makes the fields (default fields) from the field definitions, and binds or unbinds them.
  virtual void CreateFields();
  void BindFields(bool binding);
  void DestroyFields();
  // Refreshes FieldDefs from the descendant.
  void InitFieldDefs();

 protected:
  // ---- the descendant's hooks ----
  virtual TRecordBuffer AllocRecordBuffer() = 0;
  virtual void FreeRecordBuffer(TRecordBuffer& buffer) = 0;
  // Reads the current, next or prior record into the buffer. With doCheck an error raises.
  virtual TGetResult GetRecord(TRecordBuffer buffer, TGetMode getMode, bool doCheck) = 0;
  virtual int GetRecordSize() const { return 0; }
  virtual bool GetCurrentRecord(TRecordBuffer buffer) { (void)buffer; return false; }
  virtual void InternalOpen() = 0;
  virtual void InternalClose() = 0;
  virtual void InternalInitFieldDefs() = 0;
  virtual bool IsCursorOpen() const = 0;
  virtual void InternalFirst() = 0;
  virtual void InternalLast() = 0;
  // The base checks the required fields.
  virtual void InternalPost();
  virtual void InternalDelete() = 0;
  virtual void InternalAddRecord(TRecordBuffer buffer, bool append) = 0;
  virtual void InternalEdit() {}
  virtual void InternalInsert() {}
  virtual void InternalCancel() {}
  virtual void InternalRefresh() {}
  virtual void InternalInitRecord(TRecordBuffer buffer) = 0;
  // Clears the record and marks it inserted.
  virtual void InitRecord(TRecordBuffer buffer);
  virtual void InternalSetToRecord(TRecordBuffer buffer) = 0;
  virtual void InternalGotoBookmark(const Byte* bookmark) = 0;
  virtual void GetBookmarkData(TRecordBuffer buffer, Byte* data) = 0;
  virtual void SetBookmarkData(TRecordBuffer buffer, const Byte* data) = 0;
  virtual TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) = 0;
  virtual void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag value) = 0;
  virtual int GetRecNo() const { return -1; }
  virtual int GetRecordCount() const { return -1; }
  virtual bool GetCanModify() const { return true; }
  // Told of an exception that opening a loaded dataset raised at design time.
  virtual void InternalHandleException() {}
  virtual void OpenCursor(bool infoQuery);
  virtual void CloseCursor();
  virtual void DoOnNewRecord();
  // Sets the calculated and lookup values of the buffer to Null; the base has nothing to clear.
  virtual void ClearCalcFields(TRecordBuffer buffer) { (void)buffer; }
  // Whether the bound fields include calculated or lookup ones.
  bool HasCalcFields() const noexcept { return hasCalcFields_; }
  // Computes the lookup values and runs OnCalcFields for the buffer.
  virtual void CalculateFields(TRecordBuffer buffer);
  // Called when the field definitions change.
  virtual void DefChanged(TObject* sender) { (void)sender; }
  virtual TBookmarkStr GetBookmarkStr();

  virtual void DoBeforeOpen();
  virtual void DoAfterOpen();
  virtual void DoBeforeClose();
  virtual void DoAfterClose();
  virtual void DoBeforeInsert();
  virtual void DoAfterInsert();
  virtual void DoBeforeEdit();
  virtual void DoAfterEdit();
  virtual void DoBeforePost();
  virtual void DoAfterPost();
  virtual void DoBeforeCancel();
  virtual void DoAfterCancel();
  virtual void DoBeforeDelete();
  virtual void DoAfterDelete();
  virtual void DoBeforeScroll();
  virtual void DoAfterScroll();
  virtual void DoBeforeRefresh();
  virtual void DoAfterRefresh();
  virtual void DoOnCalcFields();

  // ---- the ring ----
  TRecordBuffer ActiveBuffer() const noexcept {
    if (activeRecord_ < 0 || static_cast<size_t>(activeRecord_) >= buffers_.size()) return nullptr;
    return buffers_[static_cast<size_t>(activeRecord_)];
  }
  TRecordBuffer CalcBuffer() const noexcept { return calcBuffer_; }
  // The free slot after the filled ones.
  TRecordBuffer TempBuffer() const noexcept;
  TRecordBuffer Buffers(int index) const noexcept { return buffers_[static_cast<size_t>(index)]; }
  int CurrentRecord() const noexcept { return currentRecord_; }
  void SetBufferCount(int value);
  // Sizes the ring for the link that wants the most records.
  void UpdateBufferCount();
  void ClearBuffers() noexcept;
  void ActivateBuffers() noexcept;
  bool GetNextRecord();
  bool GetPriorRecord();
  int GetNextRecords();
  int GetPriorRecords();
  // Moves the descendant's cursor to the record of ring slot `index`.
  void SetCurrentRecord(int index);
  // Runs CalculateFields when there are calculated or lookup fields.
  void GetCalcFields(TRecordBuffer buffer);
  void SetState(TDataSetState value);
  void SetModified(bool value) noexcept { modified_ = value; }
  void SetBof(bool value) noexcept { bof_ = value; }
  void SetEof(bool value) noexcept { eof_ = value; }
  // The flag alone, for a descendant that refilters before it moves to the first record.
  void SetFilteredFlag(bool value) noexcept { filtered_ = value; }
  void CheckCanModify() const;
  // Runs an operation, letting the error handler retry, abort or fail.
  void CheckOperation(const std::function<void()>& operation, const TDataSetErrorEvent& handler);
  // Bookmark bytes each record needs; descendants set it when they open.
  int BookmarkSize = 0;

 private:
  friend class TDataLink;
  friend class TDataSource;
  friend class TField;
  friend class TFieldDefs;

  void AddDataSource(TDataSource* source);
  void RemoveDataSource(TDataSource* source);
  void SetActiveRecord(int value) noexcept { activeRecord_ = value; }
  // Moves the buffer pointer at `from` to `to`, shifting those between.
  void MoveBuffer(int from, int to) noexcept;
  void DoInternalOpen();
  void OpenCursorComplete();
  void BeginInsertAppend();
  void EndInsertAppend();
  void UpdateCalcFields();
  void NotifyDataSources(TDataEvent event, NativeInt info);
  bool RecordMatches(const std::vector<TField*>& fields, const Variant& keyValues, TLocateOptions options) const;
  // Reads records one by one into the temporary buffer until `match` accepts one.
  bool ScanRecords(const std::function<bool()>& match);

  TDataSetState state_ = dsInactive;
  TFields fields_;
  TFields aggFields_;
  std::unique_ptr<TFieldDefs> fieldDefs_;
  std::vector<TDataSource*> dataSources_;
  std::vector<TRecordBuffer> buffers_;
  int bufferCount_ = 0;
  int recordCount_ = 0;
  int activeRecord_ = 0;
  int currentRecord_ = -1;
  TRecordBuffer calcBuffer_ = nullptr;
  bool bof_ = true;
  bool eof_ = true;
  bool modified_ = false;
  bool defaultFields_ = false;
  bool autoCalcFields_ = true;
  bool internalOpenComplete_ = false;
  bool streamedActive_ = false;
  bool hasCalcFields_ = false;
  bool storeDefs_ = false;
  int disableCount_ = 0;
  TDataSetState disableState_ = dsInactive;
  TDataEvent enableEvent_ = deDataSetChange;
  std::string filterText_;
  bool filtered_ = false;
  TFilterOptions filterOptions_;
  TFilterRecordEvent onFilterRecord_;
  TDataSetNotifyEvent BeforeOpen_, AfterOpen_, BeforeClose_, AfterClose_, BeforeInsert_, AfterInsert_,
      BeforeEdit_, AfterEdit_, BeforePost_, AfterPost_, BeforeCancel_, AfterCancel_, BeforeDelete_,
      AfterDelete_, BeforeScroll_, AfterScroll_, BeforeRefresh_, AfterRefresh_, OnNewRecord_, OnCalcFields_;
  TDataSetErrorEvent onPostError_, onEditError_, onDeleteError_;
};
