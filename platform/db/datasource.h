#pragma once
// TDataSource joins a dataset to its data links; TDataLink is what a control (or a detail
// dataset) attaches to receive the dataset's notifications and to see a window of its records.
#include <functional>
#include <string>
#include <vector>

#include "platform/classes/component.h"
#include "platform/db/dbtypes.h"
#include "platform/rtl/persistent.h"

class TDataSet;
class TDataLink;
class TField;
class TDataSource;

using TNotifyEvent = std::function<void(TObject* sender)>;
using TDataChangeEvent = std::function<void(TObject* sender, TField* field)>;

class TDataSource : public TComponent {
  FANO_CLASS(TDataSource)
 public:
  explicit TDataSource(TComponent* owner);
  ~TDataSource() override;

  TDataSet* DataSet() const noexcept { return dataSet_; }
  // Raises "Circular datalinks are not allowed" when the dataset is this source's own detail.
  void SetDataSet(TDataSet* value);
  // The dataset's state, or inactive while disabled or without a dataset.
  TDataSetState State() const noexcept { return state_; }
  bool Enabled() const noexcept { return enabled_; }
  void SetEnabled(bool value);
  // Whether a control's change puts the dataset into edit state by itself.
  bool AutoEdit() const noexcept { return autoEdit_; }
  void SetAutoEdit(bool value) { autoEdit_ = value; }
  // Puts the dataset into edit state when AutoEdit allows it.
  void Edit();
  // Whether the dataset is this source's, directly or as a master somewhere up the chain.
  bool IsLinkedTo(TDataSet* dataSet) const;

  const TNotifyEvent& OnStateChange() const noexcept { return onStateChange_; }
  void SetOnStateChange(TNotifyEvent e) { onStateChange_ = std::move(e); }
  const TDataChangeEvent& OnDataChange() const noexcept { return onDataChange_; }
  void SetOnDataChange(TDataChangeEvent e) { onDataChange_ = std::move(e); }
  const TNotifyEvent& OnUpdateData() const noexcept { return onUpdateData_; }
  void SetOnUpdateData(TNotifyEvent e) { onUpdateData_ = std::move(e); }

  int DataLinkCount() const noexcept { return static_cast<int>(links_.size()); }
  TDataLink* DataLinks(int index) const { return links_.at(static_cast<size_t>(index)); }

  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TDataSet;
  friend class TDataLink;
  void AddDataLink(TDataLink* link);
  void RemoveDataLink(TDataLink* link);
  void DataEvent(TDataEvent event, NativeInt info);
  void NotifyDataLinks(TDataEvent event, NativeInt info);
  void SetState(TDataSetState value);
  void UpdateState();

  TDataSet* dataSet_ = nullptr;
  TDataSetState state_ = dsInactive;
  bool enabled_ = true;
  bool autoEdit_ = true;
  std::vector<TDataLink*> links_;
  TNotifyEvent onStateChange_;
  TDataChangeEvent onDataChange_;
  TNotifyEvent onUpdateData_;
};

class TDataLink : public TPersistent {
  FANO_CLASS(TDataLink)
 public:
  TDataLink();
  ~TDataLink() override;

  TDataSource* DataSource() const noexcept { return dataSource_; }
  // Raises "DataSource cannot be changed" while DataSourceFixed; a source linked to this link's
  // own detail dataset raises "Circular datalinks are not allowed".
  void SetDataSource(TDataSource* value);
  bool DataSourceFixed() const noexcept { return dataSourceFixed_; }
  void SetDataSourceFixed(bool value) noexcept { dataSourceFixed_ = value; }
  TDataSet* DataSet() const;
  // The source is enabled and its dataset open.
  bool Active() const noexcept { return active_; }
  // In edit state and not read-only.
  bool Editing() const noexcept { return editing_; }
  bool ReadOnly() const noexcept { return readOnly_; }
  void SetReadOnly(bool value);
  // Index of the dataset's active record within this link's window; writing it makes another
  // record of the window active without events (for painting rows).
  int ActiveRecord() const;
  void SetActiveRecord(int value);
  // How many records the link wants to see at once.
  int BufferCount() const noexcept { return bufferCount_; }
  virtual void SetBufferCount(int value);
  // The records the link's window holds now.
  int RecordCount() const;
  bool VisualControl() const noexcept { return visualControl_; }
  void SetVisualControl(bool value) noexcept { visualControl_ = value; }
  bool Eof() const;
  bool Bof() const;

  // Puts the dataset into edit state (through the source's AutoEdit rule); answers Editing.
  bool Edit();
  // Writes the control's pending text (UpdateData) without treating the writes as outside changes.
  void UpdateRecord();

  // ---- notifications ----
  virtual void ActiveChanged() {}
  virtual void CheckBrowseMode() {}
  virtual void DataEvent(TDataEvent event, NativeInt info);
  virtual void DataSetChanged() { RecordChanged(nullptr); }
  virtual void DataSetScrolled(int distance);
  virtual void EditingChanged() {}
  // Focuses the control of `field` and clears it when handled.
  virtual void FocusControl(TField*& field) { (void)field; }
  virtual void LayoutChanged() { DataSetChanged(); }
  virtual int MoveBy(int distance);
  virtual void RecordChanged(TField* field) { (void)field; }
  virtual void UpdateData() {}

  // The dataset this link drives as a detail (null for controls).
  virtual TDataSet* GetDetailDataSet() const { return nullptr; }

  // Offers an action to the link's data source: when the action handles that target it runs (or,
  // for UpdateAction, updates) on it and the answer is true. Controls call these after their own
  // handling. Templates, so that this layer needs no action classes: the caller, which knows
  // them, instantiates these with its action type (HandlesTarget, ExecuteTarget, UpdateTarget).
  template <class Action>
  bool ExecuteAction(Action* action) {
    if (!action || !dataSource_ || !action->HandlesTarget(dataSource_)) return false;
    action->ExecuteTarget(dataSource_);
    return true;
  }
  template <class Action>
  bool UpdateAction(Action* action) {
    if (!action || !dataSource_ || !action->HandlesTarget(dataSource_)) return false;
    action->UpdateTarget(dataSource_);
    return true;
  }

 protected:
  bool Updating() const noexcept { return updating_; }
  // Raises when the link cannot take the source; SetDataSource then keeps the one it has.
  virtual void CheckDataSource(TDataSource* value) const { (void)value; }

 private:
  friend class TDataSource;
  friend class TDataSet;
  void UpdateState();
  void SetActive(bool value);
  void SetEditing(bool value);
  // Keeps the window on the active record, and full where the ring holds enough records.
  void UpdateRange();
  // The ring changed size and gained (or lost, when negative) `distance` records at its front:
  // the window follows them and is fitted to the ring again.
  void ShiftRange(int distance);

  TDataSource* dataSource_ = nullptr;
  bool dataSourceFixed_ = false;
  bool active_ = false;
  bool editing_ = false;
  bool readOnly_ = false;
  bool updating_ = false;
  bool visualControl_ = false;
  int bufferCount_ = 1;
  int firstRecord_ = 0;
};

// A link that belongs to a detail dataset.
class TDetailDataLink : public TDataLink {
  FANO_CLASS(TDetailDataLink)
};

// The detail dataset's link to its master: reports when the master moves to another record or
// one of the master fields changes (never while the master is in set-key state, and only while
// the detail is open), and when the master link goes inactive.
class TMasterDataLink : public TDetailDataLink {
  FANO_CLASS(TMasterDataLink)
 public:
  explicit TMasterDataLink(TDataSet* dataSet);

  TDataSet* GetDetailDataSet() const override { return detail_; }
  const std::string& FieldNames() const noexcept { return fieldNames_; }
  // Names the master lacks are refused while it is open (the old ones kept); taken while it is
  // closed, they leave the link without fields when it opens, without an error.
  void SetFieldNames(const std::string& value);
  // The master fields named by FieldNames while the link is active.
  const std::vector<TField*>& Fields() const noexcept { return fields_; }
  const TNotifyEvent& OnMasterChange() const noexcept { return onMasterChange_; }
  void SetOnMasterChange(TNotifyEvent e) { onMasterChange_ = std::move(e); }
  const TNotifyEvent& OnMasterDisable() const noexcept { return onMasterDisable_; }
  void SetOnMasterDisable(TNotifyEvent e) { onMasterDisable_ = std::move(e); }

  void ActiveChanged() override;
  void CheckBrowseMode() override;
  void LayoutChanged() override { ActiveChanged(); }
  void RecordChanged(TField* field) override;
  void DataEvent(TDataEvent event, NativeInt info) override;

 protected:
  // A source whose open dataset lacks the field names is refused.
  void CheckDataSource(TDataSource* value) const override;

 private:
  // Raises when the open master lacks one of the names.
  void CheckNames(TDataSet* master, const std::string& names) const;
  void ResolveFields();
  TDataSet* detail_;
  std::string fieldNames_;
  std::vector<TField*> fields_;
  TNotifyEvent onMasterChange_;
  TNotifyEvent onMasterDisable_;
};

// A link to one field of the source's dataset, for a control that shows or edits it (or, as the
// filter row's list link, reads a list dataset). The field is looked up whenever the link becomes
// active or the layout changes; errors name the control.
class TFieldDataLink : public TDataLink {
  FANO_CLASS(TFieldDataLink)
 public:
  TFieldDataLink();

  TField* Field() const noexcept { return field_; }
  const std::string& FieldName() const noexcept { return fieldName_; }
  void SetFieldName(const std::string& value);
  // The control the link serves; named in errors.
  TComponent* Control() const noexcept { return control_; }
  void SetControl(TComponent* value) noexcept { control_ = value; }
  // The field exists and may be changed.
  bool CanModify() const;
  // The dataset is in an edit state, the link is not read-only and the field can be changed.
  bool Editing() const noexcept { return editing_; }
  // Puts the dataset into edit state when the field allows; answers Editing.
  bool Edit();
  // The control's text differs from the field's value.
  bool IsModified() const noexcept { return modified_; }
  void Modified() noexcept { modified_ = true; }
  // Shows the field's value again (the control's changes are dropped).
  void Reset() { RecordChanged(nullptr); }

  TNotifyEvent OnActiveChange;
  TNotifyEvent OnDataChange;
  TNotifyEvent OnEditingChange;
  TNotifyEvent OnUpdateData;

  void ActiveChanged() override;
  void EditingChanged() override;
  void LayoutChanged() override;
  void RecordChanged(TField* field) override;
  void UpdateData() override;

 private:
  void UpdateField();
  void SetEditingState(bool value);

  TField* field_ = nullptr;
  std::string fieldName_;
  TComponent* control_ = nullptr;
  bool editing_ = false;
  bool modified_ = false;
};
