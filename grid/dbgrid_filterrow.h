#pragma once
// The data grid's filter row: a fixed row below the titles where each column shows its filter
// condition («> 5», «In ('a','b')», «=Null»). The user edits a cell in a drop-down editor; Enter or
// a list command hands the conditions to whoever applies filters (the grid's OnApplyFilter, else
// the behaviour centre and the dataset feature object registered for the data set).
//
//   grid->STFilter()->SetVisible(true);
//   column->STFilter()->SetFilterText("> 100");   // parsed and normalised: "> 100"
//   grid->FilterRowChanged();                      // hands the row to the appliers
#include <memory>
#include <string>

#include "editors/dbcombobox.h"
#include "editors/tools/toolctrlsgx.h"
#include "grid/dbgrid.h"
#include "grid/filterexpr.h"

// Grid-wide settings of the filter row.
class TSTDBGridGxFilter : public TPersistent {
  FANO_CLASS(TSTDBGridGxFilter)
 public:
  explicit TSTDBGridGxFilter(TCustomDBGridGx* grid) : grid_(grid) {}
  void Assign(TPersistent* source) override;
  TCustomDBGridGx* Grid() const noexcept { return grid_; }
  // For the party that applies the filter; the grid does not read it.
  bool Local() const noexcept { return local_; }
  void SetLocal(bool value) noexcept { local_ = value; }
  // Shows the filter row; hiding it stops editing first.
  bool Visible() const noexcept { return visible_; }
  void SetVisible(bool value);
  // While above 0 the filter editor is neither shown again nor hidden and stored.
  int UpdateCount() const noexcept { return updateCount_; }
  void BeginUpdate() noexcept { ++updateCount_; }
  void EndUpdate() noexcept { --updateCount_; }

 private:
  TCustomDBGridGx* grid_;
  bool local_ = false;
  int updateCount_ = 0;
  bool visible_ = false;
};

// The filter of one column: the text as typed and its parsed conditions. With a list source
// (or a lookup field) the typed text is looked up there and the key found becomes the condition.
class TSTColumnFilterGx : public TPersistent {
  FANO_CLASS(TSTColumnFilterGx)
 public:
  explicit TSTColumnFilterGx(TColumnGx* column);
  ~TSTColumnFilterGx() override;
  void Assign(TPersistent* source) override;

  TColumnGx* Column() const noexcept { return column_; }
  const std::string& DataField() const noexcept { return dataField_; }
  void SetDataField(const std::string& value) { dataField_ = value; }
  const std::string& KeyField() const noexcept { return keyField_; }
  void SetKeyField(const std::string& value);
  const std::string& ListField() const noexcept { return listField_; }
  void SetListField(const std::string& value);
  TDataSource* ListSource() const;
  void SetListSource(TDataSource* value);
  // Texts of the list data set's key and list fields, in record order.
  TStrings* KeyValues() const noexcept { return keyValues_.get(); }
  TStrings* ListValues() const noexcept { return listValues_.get(); }
  const Variant& KeyValue() const noexcept { return keyValue_; }
  bool Visible() const noexcept { return visible_; }
  void SetVisible(bool value);
  int DropDownWidth() const noexcept { return dropDownWidth_; }
  void SetDropDownWidth(int value) noexcept { dropDownWidth_ = value; }
  int DropDownRows() const noexcept { return dropDownRows_; }
  void SetDropDownRows(int value) noexcept { dropDownRows_ = value; }
  const TSTFilterExpressionGx& Expression() const noexcept { return expression_; }
  const std::string& FilterText() const noexcept { return filterText_; }
  // The user's way in: parses, stores and shows the text again in an open filter editor. Parse
  // errors raise with the filter language's messages and change nothing.
  void SetFilterText(const std::string& text);
  // The editor's text as it is typed: kept, unparsed, so that a reload of the editor shows it
  // again; a failed store puts back the text of the stored conditions.
  void SetTypedText(const std::string& text) { filterText_ = text; }
  // Text typed and not yet stored.
  bool HasTypedText() const noexcept { return filterText_ != storedText_; }
  // Parses the text into the conditions; normalised receives their canonical text.
  void ParseText(const std::string& text, std::string& normalised);
  // No condition, no text.
  void Clear();

  virtual std::string GetExpressionText() const;
  // A list can drop down: a list source, or a data set that offers IMemTableGx.
  virtual bool CanDropDown() const;
  // Operands typed as pick-list texts become the key-list entries at the same place.
  virtual void PickToKeyValues(TSTFilterExpressionGx& expression) const;
  virtual std::string GetFilterFieldName() const;
  virtual Variant GetOperand1() const;
  virtual Variant GetOperand2() const;
  std::string GetKeyFieldName() const;
  std::string GetListFieldName() const;
  TDataSet* GetListDataSet() const;
  // The distinct values of the list source's list field (null when the list source or the grid's
  // link is not active).
  std::unique_ptr<IMemTableDataFieldValueListGx> GetValueList() const;
  // The value list kept for the drop-down (made on first drop-down, forgotten when the data set's
  // controls are switched).
  std::unique_ptr<IMemTableDataFieldValueListGx>& ValueList() noexcept { return valueList_; }

 private:
  class TListLink;
  void StoreText(const std::string& text);
  void ListLinkActiveChanged();
  TCustomDBGridGx* Grid() const;

  TColumnGx* column_;
  std::string dataField_;
  std::string keyField_;
  std::unique_ptr<TStringList> keyValues_;
  Variant keyValue_;
  std::unique_ptr<TStringList> listValues_;
  std::string listField_;
  std::unique_ptr<TListLink> listLink_;
  bool visible_ = true;
  int dropDownWidth_ = 0;
  int dropDownRows_ = 0;
  TSTFilterExpressionGx expression_;
  std::string filterText_;
  std::string storedText_;  // the text of expression_
  std::unique_ptr<IMemTableDataFieldValueListGx> valueList_;
};

// The drop-down editor of a filter cell. Its keys go to the grid first.
class TInplaceFilterEditGx : public TDBComboBoxGx {
  FANO_CLASS(TInplaceFilterEditGx)
 public:
  explicit TInplaceFilterEditGx(TComponent* owner);
  TCustomDBGridGx* Grid() const noexcept { return grid_; }
  void SetGrid(TCustomDBGridGx* grid) noexcept { grid_ = grid; }
  // Value first, then the text without a lookup.
  void SetValueAndText(const Variant& value, const std::string& text);
  // One pixel below the inherited rectangle: the text sits on the cell's line as the cell's does.
  TRect GetEditRect() override;
  void KeyDown(uint16_t& key, TShiftState shift) override;
  void KeyPress(TKeyChar& key) override;
  // Enter applies the filter row, so the form's default button does not get it. Text set by
  // code, as typed text, is kept by the column.
  void WndProc(TMessage& m) override;
  // While the grid fills the editor from its column, its text is the column's already.
  bool Loading() const noexcept { return loading_; }
  void SetLoading(bool value) noexcept { loading_ = value; }

 private:
  TCustomDBGridGx* grid_ = nullptr;
  bool loading_ = false;
};

// Command items of the filter list, kept as the items' objects.
enum : int {
  fltEmpty = 1, fltNotEmpty = 2, fltAll = 3, fltClearFilter = 4, fltLine = 5, fltOrderAscending = 6,
  fltOrderDescending = 7
};
// The tag of an item of the filter list (0 for a value).
int FilterItemTag(TStrings* items, int index);
