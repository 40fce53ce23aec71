#pragma once
// Field metadata of one server table: a non-visual component holding one item per column (label,
// widths, type, flags, cell button style, event handlers) from which forms build their memory
// tables and grid columns, and an XML description from which the items can be rebuilt.
//
//   <table tablename="TB_BILDA"><fields>
//     <filed FN="BILDA_ID" FW="38" DT="NUMBER" DW="22" KEY="0" RO="0" NN="0" NP="0" DL="..."/>
//   </fields></table>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/classes/collection.h"
#include "platform/classes/component.h"
#include "platform/db/dbtypes.h"
#include "platform/db/fields.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/types.h"
#include "platform/rtl/variant.h"

class TCvTbField;
class TTbFields;

enum TCvGridButtonStyle : uint8_t { gbsNone, gbsButton, gbsDropDown, gbsCheckbox };

// A cell button was pressed: sender, var handled.
using TButtonClickEvent = std::function<void(TObject* sender, bool& handled)>;
// A grid cell's value is about to be written: sender, var text, var value, var use-text, var handled.
using TColCellUpdateDataEventGx =
    std::function<void(TObject* sender, std::string& text, Variant& value, bool& useText, bool& handled)>;

class TTbField : public TCollectionItem {
  FANO_CLASS(TTbField)
 public:
  explicit TTbField(TCollection* collection);

  TAlignment Alignment() const noexcept { return alignment_; }
  void SetAlignment(TAlignment v) noexcept { alignment_ = v; }
  const std::string& DisplayLabel() const noexcept { return displayLabel_; }
  void SetDisplayLabel(std::string_view v) { displayLabel_.assign(v); }
  int DisplayWidth() const noexcept { return displayWidth_; }
  void SetDisplayWidth(int v) noexcept { displayWidth_ = v; }
  const std::string& FieldName() const noexcept { return fieldName_; }
  void SetFieldName(std::string_view v) { fieldName_.assign(v); }
  TFieldType DataType() const noexcept { return dataType_; }
  void SetDataType(TFieldType v) noexcept { dataType_ = v; }
  const std::string& Hint() const noexcept { return hint_; }
  void SetHint(std::string_view v) { hint_.assign(v); }
  int FieldWidth() const noexcept { return fieldWidth_; }
  void SetFieldWidth(int v) noexcept { fieldWidth_ = v; }
  bool IsKey() const noexcept { return isKey_; }
  void SetIsKey(bool v) noexcept { isKey_ = v; }
  bool ReadOnly() const noexcept { return readOnly_; }
  void SetReadOnly(bool v) noexcept { readOnly_ = v; }
  bool Visible() const noexcept { return visible_; }
  void SetVisible(bool v) noexcept { visible_ = v; }
  bool NotNull() const noexcept { return notNull_; }
  void SetNotNull(bool v) noexcept { notNull_ = v; }
  // Decimal places; non-zero makes a "NUMBER" column a float.
  int NumPrec() const noexcept { return numPrec_; }
  void SetNumPrec(int v) noexcept { numPrec_ = v; }
  TCvGridButtonStyle ButtonStyle() const noexcept { return buttonStyle_; }
  void SetButtonStyle(TCvGridButtonStyle v) noexcept { buttonStyle_ = v; }
  // A joined, display-only column: never sent to the host.
  bool IsJoin() const noexcept { return isJoin_; }
  void SetIsJoin(bool v) noexcept { isJoin_ = v; }
  bool IsFK() const noexcept { return isFK_; }
  void SetIsFK(bool v) noexcept { isFK_ = v; }
  const std::string& FKTable() const noexcept { return fkTable_; }
  void SetFKTable(std::string_view v) { fkTable_.assign(v); }
  int DropDownTag() const noexcept { return dropDownTag_; }
  void SetDropDownTag(int v) noexcept { dropDownTag_ = v; }

  TButtonClickEvent OnButtonClick;
  TFieldNotifyEvent OnChange;
  TFieldGetTextEvent OnGetText;
  TFieldSetTextEvent OnSetText;
  TFieldNotifyEvent OnValidate;
  TColCellUpdateDataEventGx OnUpdateData;

  // From another item: every property and event handler.
  void Assign(TPersistent* source) override;

 protected:
  // The field name, or the item's default name while it has none.
  std::string GetDisplayName() const override;

 private:
  TAlignment alignment_ = taLeftJustify;
  std::string displayLabel_;
  int displayWidth_ = 0;
  std::string fieldName_;
  TFieldType dataType_ = ftUnknown;
  std::string hint_;
  int fieldWidth_ = 0;
  bool isKey_ = false;
  bool readOnly_ = false;
  bool visible_ = true;
  bool notNull_ = false;
  int numPrec_ = 0;
  TCvGridButtonStyle buttonStyle_ = gbsNone;
  bool isJoin_ = false;
  bool isFK_ = false;
  std::string fkTable_;
  int dropDownTag_ = 0;
};

class TTbFields : public TCollection {
  FANO_CLASS(TTbFields)
 public:
  explicit TTbFields(TCvTbField* owner);
  TCvTbField* TbField() const noexcept { return owner_; }
  TPersistent* GetOwner() const override;

  TTbField* Add() { return static_cast<TTbField*>(TCollection::Add()); }
  TTbField* GetItem(int index) const { return static_cast<TTbField*>(Items(index)); }
  TTbField* operator[](int index) const { return GetItem(index); }

 protected:
  // An item added without a field name is called "Field<N>", N the smallest free number.
  void SetItemName(TCollectionItem* item) override;

 private:
  TCvTbField* owner_;
};

class TCvTbField : public TComponent {
  FANO_CLASS(TCvTbField)
 public:
  explicit TCvTbField(TComponent* owner);
  ~TCvTbField() override;

  TTbFields* TbFields() const noexcept { return tbFields_; }
  // Copies the given items (null changes nothing).
  void SetTbFields(TTbFields* value);
  TStrings* XML() const noexcept { return xml_; }
  void SetXML(TStrings* value);
  bool ActiveXml2Fields() const noexcept { return activeXml2Fields_; }
  // Switching it on rebuilds the items from XML.
  void SetActiveXml2Fields(bool value);
  const std::string& TableName() const noexcept { return tableName_; }
  void SetTableName(std::string_view value) { tableName_.assign(value); }
  const std::string& PKName() const noexcept { return pkName_; }
  void SetPKName(std::string_view value) { pkName_.assign(value); }

  // "FKTable:FieldName" of every foreign-key item, in item order, joined by ";".
  std::string GetFKList() const;
  // Rebuilds the items from the XML description; false (items unchanged) when there is no
  // description or it has no "fields" element. XML is emptied once a description was read, and
  // parse errors propagate.
  bool LoadFieldsFromXml();

  int Count() const noexcept { return tbFields_->Count(); }
  TTbField* Items(int index) const { return tbFields_->GetItem(index); }

 private:
  TTbFields* tbFields_;
  TStrings* xml_;
  bool activeXml2Fields_ = false;
  std::string tableName_;
  std::string pkName_;
};

// Registers the metadata classes with the class registry (form resources name them).
void RegisterTbFieldClasses();
