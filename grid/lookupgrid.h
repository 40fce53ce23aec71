#pragma once
// The lookup grid and its drop-down form.
//
// TDBLookupGridGx shows the records of a list dataset (ListSource), marks the record whose key
// (KeyField) equals KeyValue, and writes the key of the record the user picks into the data
// fields (DataSource, DataField) or, without data fields, into KeyValue alone. A data field that
// is itself a lookup field brings its list dataset, key and display field along. An optional
// special row above the data rows stands for a value of its own (an empty choice, say).
//
// TPopupDataGridGx is the same grid as a pop-up window with a size grip: the drop-down of the
// data grid's lookup cells. It never takes the activation, tracks the mouse without a button and
// asks its owner to close with OnCloseUpRequest (accept: the release was on a row).
//
//   auto* list = new TDBLookupGridGx(form);
//   list->SetListSource(citySource);
//   list->SetKeyField("CID");
//   list->SetListField("CNAME");
//   list->SetKeyValue(Variant(2));    // marks the record of key 2
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "editors/mrulist.h"
#include "editors/popups.h"
#include "grid/dbgrid.h"

enum TDBLookupGridGxOption { dlgColumnResizeGx, dlgColLinesGx, dlgRowLinesGx, dlgAutoSortMarkingGx, dlgMultiSortMarkingGx };
using TDBLookupGridGxOptions = TSet<TDBLookupGridGxOption>;

// To a popup data grid: its size grip moves to another corner (WParam a TSizeGripMoveGx). A number
// of its own: the grid posts kDeferredLayoutMessage to itself for its deferred layout.
static_assert(WM_SIZEGRIPCHANGEPOSITION != TCustomDBGridGx::kDeferredLayoutMessage);

class TDBLookupGridGx;

// The link to the dataset the lookup grid writes into.
class TLookupGridDataLinkGx : public TDataLink {
  FANO_CLASS(TLookupGridDataLinkGx)
 public:
  explicit TLookupGridDataLinkGx(TDBLookupGridGx* grid) : grid_(grid) { SetVisualControl(true); }
  TDBLookupGridGx* Grid() const noexcept { return grid_; }
  void ActiveChanged() override;
  void LayoutChanged() override;
  void RecordChanged(TField* field) override;
  void FocusControl(TField*& field) override;

 private:
  TDBLookupGridGx* grid_;
};

class TDBLookupGridColumnGx;

// The special-row cell of one column: its own text, colour and font, each taken from the grid's
// special row until assigned.
class TGridColumnSpecCellGx : public TPersistent {
  FANO_CLASS(TGridColumnSpecCellGx)
 public:
  explicit TGridColumnSpecCellGx(TDBLookupGridColumnGx* column);
  ~TGridColumnSpecCellGx() override;
  void Assign(TPersistent* source) override;
  TPersistent* GetOwner() const override;

  std::string Text() const;
  void SetText(const std::string& value);
  TColor Color() const;
  void SetColor(TColor value);
  TFont* Font() const;
  void SetFont(TFont* value);
  bool TextAssigned() const noexcept { return textAssigned_; }
  bool ColorAssigned() const noexcept { return colorAssigned_; }
  bool FontAssigned() const noexcept { return fontAssigned_; }

 private:
  TSpecRowGx* SpecRow() const;
  TDBLookupGridColumnGx* column_;
  std::string text_;
  TColor color_ = clWindow;
  std::unique_ptr<TFont> font_;
  bool textAssigned_ = false;
  bool colorAssigned_ = false;
  bool fontAssigned_ = false;
};

class TDBLookupGridColumnGx : public TColumnGx {
  FANO_CLASS(TDBLookupGridColumnGx)
 public:
  explicit TDBLookupGridColumnGx(TCollection* collection);
  ~TDBLookupGridColumnGx() override;
  void Assign(TPersistent* source) override;
  TGridColumnSpecCellGx* SpecCell() const noexcept { return specCell_.get(); }
  void SetSpecCell(TGridColumnSpecCellGx* value) { specCell_->Assign(value); }
  TDBLookupGridGx* LookupGrid() const;

 private:
  std::unique_ptr<TGridColumnSpecCellGx> specCell_;
};

class TDBLookupGridColumnDefValuesGx : public TColumnDefValuesGx {
  FANO_CLASS(TDBLookupGridColumnDefValuesGx)
 public:
  using TColumnDefValuesGx::TColumnDefValuesGx;
};

class TDBLookupGridGx : public TCustomDBGridGx {
  FANO_CLASS(TDBLookupGridGx)
 public:
  explicit TDBLookupGridGx(TComponent* owner);
  ~TDBLookupGridGx() override;
  void Notification(TComponent* component, TOperation operation) override;
  void Loaded() override;

  // ---- data side
  TDataSource* DataSource() const { return dataLink_->DataSource(); }
  void SetDataSource(TDataSource* value);
  const std::string& DataField() const noexcept { return dataFieldName_; }
  void SetDataField(const std::string& value);
  const std::vector<TField*>& DataFields() const noexcept { return dataFields_; }
  TLookupGridDataLinkGx* LookupDataLink() const noexcept { return dataLink_.get(); }
  bool LookupMode() const noexcept { return lookupMode_; }

  // ---- list side
  TDataSource* ListSource() const { return TCustomDBGridGx::DataSource(); }
  void SetListSource(TDataSource* value);
  TDataSet* ListDataSet() const { return TCustomDBGridGx::DataSet(); }
  const std::string& KeyField() const noexcept { return keyFieldName_; }
  void SetKeyField(const std::string& value);
  const std::string& ListField() const noexcept { return listFieldName_; }
  void SetListField(const std::string& value);
  int ListFieldIndex() const noexcept { return listFieldIndex_; }
  void SetListFieldIndex(int value);
  const std::vector<TField*>& ListFields() const noexcept { return listFields_; }
  // The field whose text stands for the record (null while the list is not active).
  TField* DisplayField() const noexcept { return displayField_; }
  bool ListActive() const noexcept { return listActive_; }

  const Variant& KeyValue() const noexcept { return keyValue_; }
  void SetKeyValue(const Variant& value);
  const std::string& DisplayText() const noexcept { return displayText_; }

  // ---- special row and shape
  TSpecRowGx* SpecRow() const noexcept { return specRow_.get(); }
  void SetSpecRow(TSpecRowGx* value) { specRow_->Assign(value); }
  // The rows the height holds until a count is set.
  int RowCountProp() const;
  bool RowCountStored() const noexcept { return rowCount_ > 0; }
  // Clamped to 1..100; the control's height follows.
  void SetRowCountProp(int value);
  bool ShowTitles() const { return DBOptions().Contains(dgTitles); }
  void SetShowTitles(bool value);
  void SetUseMultiTitle(bool value);
  // Hides the horizontal scroll bar while set.
  void SetAutoFitColWidths(bool value);
  TDBLookupGridGxOptions Options() const noexcept { return options_; }
  void SetOptions(TDBLookupGridGxOptions value);
  const std::string& SearchText() const noexcept { return searchText_; }

  // ---- operations
  virtual bool CanModify();
  virtual bool KeyLocateAllowed() { return true; }
  virtual int BorderHeight();
  virtual int SpecRowHeight();
  virtual int LookupDataRowHeight();
  virtual void KeyValueChanged();
  virtual void ListDataChanged();
  virtual void ProcessSearchKey(char32_t key);
  virtual void SelectKeyValue(const Variant& value);
  virtual void InvalidateUnlessLoading();
  virtual void UpdateColumnsWidth();
  virtual void UpdateDataFields();
  virtual void UpdateListFields();
  virtual bool LocateKey();
  // The width of all visible columns with their grid lines (the editor sizes the popup with it).
  int AllColumnsWidth();
  // Whether the point (client coordinates) lies on a data row or on the special row.
  bool DataAreaContains(const TPoint& p);
  // Rows in the visible data area.
  int VisibleRowCount();

  // The user moved a column; the editor keeps the new order.
  TNotifyEvent OnColumnMovedByUser;

  // ---- grid hooks
  void LinkActive(bool value) override;
  void Scroll(int distance) override;
  // A memory table's rows go through the data grid's bar; a buffered list has a bar of its own.
  void UpdateVertScrollBar() override;
  void RecordChanged(TField* field) override;
  void DefineFieldMap() override;
  bool IsFilterRowVisible() const override { return specRow_ && specRow_->Visible(); }
  void DrawCell(int col, int row, const TRect& rect, TGridDrawState state) override;
  bool MarkDataRow(int row) override;
  void GetDefaultColumnFields(std::vector<TField*>& fields) override;
  void SetBounds(int left, int top, int width, int height) override;
  void KeyDown(uint16_t& key, TShiftState shift) override;
  void KeyPress(TKeyChar& key) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  bool DoMouseWheelDown(TShiftState shift, const TPoint& mousePos) override;
  bool DoMouseWheelUp(TShiftState shift, const TPoint& mousePos) override;
  // While tracking, kScrollUp or kScrollDown move the key a record.
  void TimedScroll(int direction) override;
  void WndProc(TMessage& message) override;

 protected:
  // The chosen special row carries the focus frame, not the list's current record.
  bool FramesCurrentRow() const override { return !(specRow_->Visible() && specRow_->Selected()); }
  // A horizontal bar shows only while the columns do not fit; without one Left and Right move the
  // list.
  bool KeepsIdleScrollBar(int bar) const override { return bar != SB_HORZ; }
  void ColumnMoved(int fromIndex, int toIndex) override;
  void ColWidthsChanged() override;
  void Dispatch(TMessage& message) override;
  void CreateWnd() override;
  void Resize() override;
  // Moves the list by distance records (keys), or to an end; selects what it lands on.
  void MoveList(int distance, bool toFirst, bool toLast);
  // The key of the list's current record.
  Variant ListKey() const;
  // The record (data-area row) under a client y, clamped into the data rows; -1 on the special row.
  int RecordRowAt(int y);
  void SelectRow(int row);
  void UserRowChange();
  virtual void DoUserRowChange() {}
  bool tracking_ = false;

 private:
  friend class TLookupGridDataLinkGx;
  void DataLinkRecordChanged(TField* field);
  void FocusRequest(TField*& field);
  // The control height that shows rows data rows (with titles, special row, lines and border).
  int HeightForRows(int rows);
  void ResizeToRows(int rows);
  void KeepRows(int rows);
  void CheckNotCircular();
  void ListScroll(int code, int thumb);
  void FollowKeyInBuffer();
  // The buffered row (from 0) holding KeyValue, -1 when none does.
  int KeyRowInBuffer();
  void ResolveListFields();
  bool AtListStart();
  void StopTimer();
  std::unique_ptr<TLookupGridDataLinkGx> dataLink_;
  std::unique_ptr<TDataSource> internalSource_;
  std::unique_ptr<TSpecRowGx> specRow_;
  std::string dataFieldName_;
  std::vector<TField*> dataFields_;
  std::string dataFieldNames_;
  bool lookupMode_ = false;
  TField* lookupField_ = nullptr;
  bool destroying_ = false;
  std::string keyFieldName_;
  std::vector<TField*> keyFields_;
  std::string listFieldName_;
  int listFieldIndex_ = 0;
  std::vector<TField*> listFields_;
  TField* displayField_ = nullptr;
  bool listActive_ = false;
  Variant keyValue_;
  std::string displayText_;
  int rowCount_ = 0;
  TDBLookupGridGxOptions options_;
  std::string searchText_;
  bool locking_ = false;
  bool sizing_ = false;
  bool timerOn_ = false;
  int timerDirection_ = 0;
  bool followingKey_ = false;
  int vertMin_ = -1, vertMax_ = -1, vertPage_ = -1, vertPos_ = -1;
};

using TCloseUpRequestEventGx = std::function<void(TObject* sender, bool accept)>;

class TPopupDataGridGx : public TDBLookupGridGx {
  FANO_CLASS(TPopupDataGridGx)
 public:
  explicit TPopupDataGridGx(TComponent* owner);
  ~TPopupDataGridGx() override;
  TSizeGripGx* SizeGrip() const noexcept { return sizeGrip_; }
  // The user dragged the grip since the owner last cleared it.
  bool SizeGripResized() const noexcept { return sizeGripResized_; }
  void SetSizeGripResized(bool value) noexcept { sizeGripResized_ = value; }

  TNotifyEvent OnUserRowChange;
  TCloseUpRequestEventGx OnCloseUpRequest;

  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  // The popup frames itself (a raised edge with Ctl3D): no flat grid border inside or over it.
  bool PaintsFlatBorder() const override { return false; }

 protected:
  void Dispatch(TMessage& message) override;
  void DoUserRowChange() override;

 private:
  TSizeGripGx* sizeGrip_ = nullptr;
  bool sizeGripResized_ = false;
  bool pressedInside_ = false;
  TPoint lastHotPos_{-1, -1};
};

void RegisterLookupGridClasses();
