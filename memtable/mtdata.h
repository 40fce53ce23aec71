#pragma once
// The record store beneath every memory table: the description of its columns (a structure of
// data fields, one class per family of platform field types), its records (mtrecords.h), an
// auto-increment counter and the listeners that hear of every change. The store converts between
// its columns and the platform's field definitions and fields, and streams itself, structure and
// rows included, as a component.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/classes/component.h"
#include "platform/db/dbtypes.h"
#include "platform/rtl/nameindex.h"
#include "platform/rtl/persistent.h"
#include "platform/rtl/variant.h"

class TField;
class TFieldDefs;
class TFields;
class TFiler;
class TReader;
class TWriter;
class TMemTableDataGx;
class TMTDataStructGx;
class TMemoryRecordGx;
class TRecordsListGx;
class TRecordsListNotificatorGx;

// The variant type a column of that data type stores its values as. Only the low seven bits of
// the type take part. Time stamps are held as dates and FMT BCD values as currency, as the
// platform's fields hold them.
TVarType MTVarTypeOfDataType(int dataType) noexcept;

// ---------------------------------------------------------------- auto-increment counter

class TAutoIncrementGx : public TPersistent {
  FANO_CLASS(TAutoIncrementGx)
 public:
  TAutoIncrementGx() = default;

  int32_t Step() const noexcept { return step_; }
  void SetStep(int32_t value) noexcept { step_ = value; }
  int32_t InitValue() const noexcept { return initValue_; }
  // The current value follows when it still equals the old initial value.
  void SetInitValue(int32_t value) noexcept;
  int32_t CurValue() const noexcept { return curValue_; }
  void SetCurValue(int32_t value) noexcept { curValue_ = value; }

  // Answers the current value, then steps it.
  int32_t Promote() noexcept;
  void Reset() noexcept { curValue_ = initValue_; }
  void Assign(TPersistent* source) override;

 private:
  int32_t step_ = -1;
  int32_t initValue_ = -1;
  int32_t curValue_ = -1;
};

// ---------------------------------------------------------------- columns

class TMTDataFieldGx : public TComponent {
  FANO_CLASS(TMTDataFieldGx)
 public:
  explicit TMTDataFieldGx(TComponent* owner);
  ~TMTDataFieldGx() override;

  TMTDataStructGx* DataStruct() const noexcept { return dataStruct_; }
  // Given by the structure at creation; never reused within one structure.
  int64_t Identity() const noexcept { return identity_; }

  virtual TAlignment Alignment() const { return alignment_; }
  virtual void SetAlignment(TAlignment value) { alignment_ = value; }
  virtual bool AutoIncrement() const { return autoIncrement_; }
  // Sets the flag whatever it is given.
  virtual void MarkAutoIncrement(bool value = true);
  virtual TFieldType DataType() const { return ftUnknown; }
  virtual const std::string& DefaultExpression() const { return defaultExpression_; }
  virtual void SetDefaultExpression(const std::string& value) { defaultExpression_ = value; }
  virtual const std::string& DisplayLabel() const { return displayLabel_; }
  virtual void SetDisplayLabel(const std::string& value) { displayLabel_ = value; }
  virtual int32_t DisplayWidth() const { return displayWidth_; }
  virtual void SetDisplayWidth(int32_t value) { displayWidth_ = value; }
  virtual const std::string& EditMask() const { return editMask_; }
  virtual void SetEditMask(const std::string& value) { editMask_ = value; }
  virtual const std::string& FieldName() const { return fieldName_; }
  // Checks the name against the other columns, stores it and derives the component name from it.
  virtual void SetFieldName(const std::string& value);
  virtual bool ReadOnly() const { return readOnly_; }
  virtual void SetReadOnly(bool value) { readOnly_ = value; }
  virtual bool Required() const { return required_; }
  virtual void SetRequired(bool value) { required_ = value; }
  virtual int32_t Size() const { return size_; }
  // "Invalid field size" unless HasSize.
  virtual void SetSize(int32_t value);
  virtual bool Visible() const { return visible_; }
  virtual void SetVisible(bool value) { visible_ = value; }

  // Whether Size may be set.
  virtual bool HasSize() const { return false; }
  // The variant type values of this column are converted to.
  virtual TVarType GetVarType() const { return MTVarTypeOfDataType(DataType()); }
  // Chooses the subtype from a platform field type; the base refuses every type.
  virtual void SetDataType(TFieldType value);
  // Copies the display properties of a platform field.
  virtual void AssignProps(TField* field);
  // Another column's properties (not the read-only and auto-increment flags).
  void Assign(TPersistent* source) override;

  // Columns are written as children of their structure and attach to it when read.
  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* parent) override;

  // What the records read on every write: the cached variant type and whether values are copied
  // as they are (object references).
  TVarType StoreVarType() const noexcept { return storeVarType_; }
  bool CopiesValues() const noexcept { return copiesValues_; }
  // Whether the column stores the value as it is (SetDataValue converts nothing): Null, or a value
  // of the stored type, in a column that keeps no object references.
  bool StoresAsIs(const Variant& value) const noexcept {
    return value.IsNull() ? !copiesValues_ : StoresTypeAsIs(value.VarType());
  }
  // The same for every value (not Null) of that type: what copies decide once per column.
  bool StoresTypeAsIs(TVarType type) const noexcept {
    return !copiesValues_ && (storeVarType_ == varVariant || type == storeVarType_);
  }

 protected:
  // The structure keeps its columns' component names for naming new columns.
  void ChangeName(std::string_view newName) override;
  // The class's own members, after the common ones.
  virtual void AssignOwn(const TMTDataFieldGx& source) { (void)source; }
  // Refreshes the cached variant type after the data type changed.
  void TypeChanged();
  void SetCopiesValues(bool value) noexcept { copiesValues_ = value; }

 private:
  friend class TMTDataStructGx;
  void UpdateComponentName();

  TAlignment alignment_ = taLeftJustify;
  bool autoIncrement_ = false;
  TMTDataStructGx* dataStruct_ = nullptr;
  std::string defaultExpression_;
  std::string displayLabel_;
  int32_t displayWidth_ = 0;
  std::string editMask_;
  int64_t identity_ = 0;
  std::string fieldName_;
  bool readOnly_ = false;
  bool required_ = false;
  int32_t size_ = 0;
  bool visible_ = true;
  TVarType storeVarType_ = varError;
  bool copiesValues_ = false;
};

enum TStringDataTypeGx : uint8_t {
  fdtStringGx, fdtFixedCharGx, fdtWideStringGx, fdtGuidGx, fdtFixedWideCharGx, fdtOraIntervalGx
};
enum TNumericDataTypeGx : uint8_t {
  fdtSmallintGx, fdtIntegerGx, fdtWordGx, fdtFloatGx, fdtCurrencyGx, fdtBCDGx, fdtAutoIncGx, fdtLargeintGx,
  fdtFMTBcdGx
};
enum TDateTimeDataTypeGx : uint8_t { fdtDateGx, fdtTimeGx, fdtDateTimeGx };
enum TInterfaceDataTypeGx : uint8_t { fdtInterfaceGx, fdtIDispatchGx };
enum TVariantDataTypeGx : uint8_t { fdtVariant, fdtBytes, fdtVarBytes };
enum TSQLTimeStampDataTypeGx : uint8_t { fdtTimeStampGx, fdtOraTimeStampGx };

class TMTStringDataFieldGx : public TMTDataFieldGx {
  FANO_CLASS(TMTStringDataFieldGx)
 public:
  explicit TMTStringDataFieldGx(TComponent* owner);
  TStringDataTypeGx StringDataType() const noexcept { return type_; }
  void SetStringDataType(TStringDataTypeGx value);
  bool FixedChar() const noexcept { return fixedChar_; }
  void SetFixedChar(bool value) noexcept { fixedChar_ = value; }
  bool Transliterate() const noexcept { return transliterate_; }
  void SetTransliterate(bool value) noexcept { transliterate_ = value; }
  TFieldType DataType() const override;
  bool HasSize() const override { return true; }
  void SetDataType(TFieldType value) override;
  void AssignProps(TField* field) override;

 protected:
  void AssignOwn(const TMTDataFieldGx& source) override;

 private:
  TStringDataTypeGx type_ = fdtStringGx;
  bool fixedChar_ = false;
  bool transliterate_ = true;
};

class TMTNumericDataFieldGx : public TMTDataFieldGx {
  FANO_CLASS(TMTNumericDataFieldGx)
 public:
  explicit TMTNumericDataFieldGx(TComponent* owner);
  TNumericDataTypeGx NumericDataType() const noexcept { return type_; }
  void SetNumericDataType(TNumericDataTypeGx value);
  const std::string& DisplayFormat() const noexcept { return displayFormat_; }
  void SetDisplayFormat(const std::string& value) { displayFormat_ = value; }
  const std::string& EditFormat() const noexcept { return editFormat_; }
  void SetEditFormat(const std::string& value) { editFormat_ = value; }
  bool currency() const noexcept { return currency_; }
  void SetCurrency(bool value) noexcept { currency_ = value; }
  double MaxValue() const noexcept { return maxValue_; }
  void SetMaxValue(double value) noexcept { maxValue_ = value; }
  double MinValue() const noexcept { return minValue_; }
  void SetMinValue(double value) noexcept { minValue_ = value; }
  int32_t Precision() const noexcept { return precision_; }
  void SetPrecision(int32_t value) noexcept { precision_ = value; }
  TFieldType DataType() const override;
  void SetDataType(TFieldType value) override;
  void AssignProps(TField* field) override;

 protected:
  void AssignOwn(const TMTDataFieldGx& source) override;

 private:
  TNumericDataTypeGx type_ = fdtIntegerGx;
  std::string displayFormat_;
  std::string editFormat_;
  bool currency_ = false;
  double maxValue_ = 0;
  double minValue_ = 0;
  int32_t precision_ = 0;
};

class TMTDateTimeDataFieldGx : public TMTDataFieldGx {
  FANO_CLASS(TMTDateTimeDataFieldGx)
 public:
  explicit TMTDateTimeDataFieldGx(TComponent* owner);
  TDateTimeDataTypeGx DateTimeDataType() const noexcept { return type_; }
  void SetDateTimeDataType(TDateTimeDataTypeGx value);
  const std::string& DisplayFormat() const noexcept { return displayFormat_; }
  void SetDisplayFormat(const std::string& value) { displayFormat_ = value; }
  TFieldType DataType() const override;
  void SetDataType(TFieldType value) override;
  void AssignProps(TField* field) override;

 protected:
  void AssignOwn(const TMTDataFieldGx& source) override;

 private:
  TDateTimeDataTypeGx type_ = fdtDateTimeGx;
  std::string displayFormat_;
};

class TMTBlobDataFieldGx : public TMTDataFieldGx {
  FANO_CLASS(TMTBlobDataFieldGx)
 public:
  explicit TMTBlobDataFieldGx(TComponent* owner);
  TBlobType BlobType() const noexcept { return blobType_; }
  // Types outside ftBlob..ftWideMemo are ignored.
  void SetBlobType(TBlobType value);
  bool GraphicHeader() const noexcept { return graphicHeader_; }
  void SetGraphicHeader(bool value) noexcept { graphicHeader_ = value; }
  bool Transliterate() const noexcept { return transliterate_; }
  void SetTransliterate(bool value) noexcept { transliterate_ = value; }
  TFieldType DataType() const override { return blobType_; }
  void SetDataType(TFieldType value) override { SetBlobType(value); }
  void AssignProps(TField* field) override;

 protected:
  void AssignOwn(const TMTDataFieldGx& source) override;

 private:
  TBlobType blobType_ = ftBlob;
  bool graphicHeader_ = true;
  bool transliterate_ = true;
};

class TMTBooleanDataFieldGx : public TMTDataFieldGx {
  FANO_CLASS(TMTBooleanDataFieldGx)
 public:
  explicit TMTBooleanDataFieldGx(TComponent* owner);
  const std::string& DisplayValues() const noexcept { return displayValues_; }
  void SetDisplayValues(const std::string& value) { displayValues_ = value; }
  TFieldType DataType() const override { return ftBoolean; }
  void SetDataType(TFieldType value) override;
  void AssignProps(TField* field) override;

 protected:
  void AssignOwn(const TMTDataFieldGx& source) override;

 private:
  std::string displayValues_;
};

class TMTInterfaceDataFieldGx : public TMTDataFieldGx {
  FANO_CLASS(TMTInterfaceDataFieldGx)
 public:
  explicit TMTInterfaceDataFieldGx(TComponent* owner);
  TInterfaceDataTypeGx InterfaceDataType() const noexcept { return type_; }
  void SetInterfaceDataType(TInterfaceDataTypeGx value);
  TFieldType DataType() const override;
  void SetDataType(TFieldType value) override;

 protected:
  void AssignOwn(const TMTDataFieldGx& source) override;

 private:
  TInterfaceDataTypeGx type_ = fdtInterfaceGx;
};

class TMTVariantDataFieldGx : public TMTDataFieldGx {
  FANO_CLASS(TMTVariantDataFieldGx)
 public:
  explicit TMTVariantDataFieldGx(TComponent* owner);
  TVariantDataTypeGx VariantDataType() const noexcept { return type_; }
  void SetVariantDataType(TVariantDataTypeGx value);
  TFieldType DataType() const override;
  bool HasSize() const override { return type_ != fdtVariant; }
  void SetDataType(TFieldType value) override;

 protected:
  void AssignOwn(const TMTDataFieldGx& source) override;

 private:
  TVariantDataTypeGx type_ = fdtVariant;
};

// A column holding references to objects; values are copied as they are (Null stays Null).
class TMTRefObjectFieldGx : public TMTDataFieldGx {
  FANO_CLASS(TMTRefObjectFieldGx)
 public:
  explicit TMTRefObjectFieldGx(TComponent* owner);
  bool HasSize() const override { return true; }
  void SetDataType(TFieldType value) override;
};

class TMTSQLTimeStampDataFieldGx : public TMTDataFieldGx {
  FANO_CLASS(TMTSQLTimeStampDataFieldGx)
 public:
  explicit TMTSQLTimeStampDataFieldGx(TComponent* owner);
  TSQLTimeStampDataTypeGx SQLTimeStampDataFieldType() const noexcept { return type_; }
  void SetSQLTimeStampDataFieldType(TSQLTimeStampDataTypeGx value);
  const std::string& DisplayFormat() const noexcept { return displayFormat_; }
  void SetDisplayFormat(const std::string& value) { displayFormat_ = value; }
  TFieldType DataType() const override;
  void SetDataType(TFieldType value) override;
  void AssignProps(TField* field) override;

 protected:
  void AssignOwn(const TMTDataFieldGx& source) override;

 private:
  TSQLTimeStampDataTypeGx type_ = fdtTimeStampGx;
  std::string displayFormat_;
};

// The column class a platform field type is stored with; null for types without one (ftCursor,
// ftADT, ftArray, ftReference, ftDataSet).
TClass MTDataFieldClassOf(TFieldType type) noexcept;

// ---------------------------------------------------------------- structure

class TMTDataStructGx : public TComponent {
  FANO_CLASS(TMTDataStructGx)
 public:
  explicit TMTDataStructGx(TComponent* owner);
  ~TMTDataStructGx() override;

  TMemTableDataGx* MemTableData() const noexcept { return store_; }

  int Count() const noexcept { return static_cast<int>(fields_.size()); }
  // Raises EListError "List index out of bounds (%d)".
  TMTDataFieldGx* DataFields(int index) const;
  const std::vector<TMTDataFieldGx*>& Fields() const noexcept { return fields_; }
  // By name, ignoring case by the locale; null when absent.
  TMTDataFieldGx* FindField(std::string_view name) const;
  // By name, ignoring ASCII case only; the first match, or -1.
  int FieldIndex(std::string_view name) const;
  // A ";"-list: every name must exist ("Field '%s' not found"); a single name gives its index, or
  // nothing when absent.
  void FieldIndexes(std::string_view names, std::vector<int>& indexes) const;
  TMTDataFieldGx* CreateField(TClass fieldClass);
  template <class T>
  T* CreateField() { return static_cast<T*>(CreateField(T::StaticClass())); }
  // Frees every column.
  void Clear();
  // "Field name missing" for the empty name, "Duplicate field name '%s'" for a name a column has.
  void CheckFieldName(std::string_view name) const;
  void BuildStructFromFieldDefs(TFieldDefs* fieldDefs);
  void BuildStructFromFields(TFields* fields);
  void BuildFieldDefsFromStruct(TFieldDefs* fieldDefs) const;
  // Another structure's columns; refused while the store holds records.
  void Assign(TPersistent* source) override;

  // Bumped on every change of the columns (added, removed, renamed, retyped); caches of field
  // indexes compare it.
  uint64_t Version() const noexcept { return version_; }

  void GetChildren(const TGetChildProc& proc, TComponent* root) override;
  bool HasParent() const override { return store_ != nullptr; }
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* parent) override;
  void SetName(std::string_view newName) override;
  void BeforeDestruction() override;

 protected:
  void ValidateRename(TComponent* component, std::string_view curName, std::string_view newName) override;

 private:
  friend class TMTDataFieldGx;
  friend class TMemTableDataGx;
  void AttachField(TMTDataFieldGx* field);
  void DetachField(TMTDataFieldGx* field);
  // Numbers come from one count for every structure, so that a structure made where another
  // one was never shows that one's version.
  void Changed() noexcept;
  // The component used in database errors.
  const TComponent* ErrorComponent() const;

  // The column's name changed from `oldName`.
  void FieldRenamed(const TMTDataFieldGx* field, std::string_view oldName);
  // The column's component name changed from `oldName`.
  void ComponentRenamed(const TMTDataFieldGx* field, std::string_view oldName);
  // Whether a column other than `except` has that component name, ignoring ASCII case.
  bool ComponentNameTaken(std::string_view name, const TMTDataFieldGx* except) const;
  int PositionOf(const TMTDataFieldGx* field) const;

  TMemTableDataGx* store_ = nullptr;
  std::vector<TMTDataFieldGx*> fields_;
  // Column names, so that a structure of many columns is built without comparing every name
  // with every other.
  mutable TNameIndex names_;
  mutable TNameIndex componentNames_;
  int64_t nextIdentity_ = 0;
  uint64_t version_ = 0;
};

// ---------------------------------------------------------------- store

// What a notificator attaches to: a store, or anything that passes a store's notices on (the
// records view).
class IRecordsNotifySourceGx {
 public:
  virtual ~IRecordsNotifySourceGx() = default;
  virtual void AttachNotificator(TRecordsListNotificatorGx* notificator) = 0;
  virtual void DetachNotificator(TRecordsListNotificatorGx* notificator) = 0;
};

class TMemTableDataGx : public TComponent, public IRecordsNotifySourceGx {
  FANO_CLASS(TMemTableDataGx)
 public:
  explicit TMemTableDataGx(TComponent* owner);
  ~TMemTableDataGx() override;
  void BeforeDestruction() override;

  virtual TAutoIncrementGx* AutoIncrement() const { return autoIncrement_; }
  virtual TMTDataStructGx* DataStruct() const { return dataStruct_; }
  virtual TRecordsListGx* RecordsList() const { return recordsList_; }

  // Listeners, in attachment order.
  virtual void AddNotificator(TRecordsListNotificatorGx* notificator);
  void RemoveNotificator(TRecordsListNotificatorGx* notificator);
  const std::vector<TRecordsListNotificatorGx*>& Notificators() const noexcept { return notificators_; }
  void AttachNotificator(TRecordsListNotificatorGx* n) override { AddNotificator(n); }
  void DetachNotificator(TRecordsListNotificatorGx* n) override { RemoveNotificator(n); }

  // Hands a store holding a one-record change log to every listener's resolve hook.
  virtual void ResolveChanges(TMemTableDataGx* changes);
  // Whether any listener has a resolve hook (a change log is built only then).
  bool HasResolvers() const;
  // Called before a column's name changes.
  virtual void BeforeFieldRename(TMTDataFieldGx* field) { (void)field; }
  virtual void RecordChanged(TMemoryRecordGx* record, int index, int code);
  virtual void RecordMoved(TMemoryRecordGx* record, int oldIndex, int newIndex);
  virtual void AssignAutoIncrement(TAutoIncrementGx* source);
  // Fills the auto-increment columns of a new record with one number from the counter.
  virtual void AutoIncrementRecord(TMemoryRecordGx* record);
  virtual void UpdateAutoIncFields();
  // Fails with "MemTableData already in RestructMode." when already restructuring.
  virtual TMTDataStructGx* BeginRestruct();
  // Asks every listener to fetch up to count more records; answers the sum fetched.
  virtual int FetchRecords(int count);
  virtual void CancelRestruct();
  // Leaves restructure mode; nothing is moved (see the restructure structure's identities).
  virtual void CommitRestruct();
  // Indexes, records and columns all go.
  virtual void DestroyTable();

  bool DataStructIsEmpty() const { return DataStruct()->Count() == 0; }
  bool RestructMode() const noexcept { return restructMode_; }
  TMTDataStructGx* RestructStruct() const noexcept { return restructStruct_; }
  // Indexes of the columns whose data type is ftAutoInc.
  const std::vector<int>& AutoIncFieldIndexes() const noexcept { return autoIncFields_; }

  void SetAutoIncrement(TAutoIncrementGx* value) { autoIncrement_->Assign(value); }
  void DefineProperties(TFiler& filer) override;
  void GetChildren(const TGetChildProc& proc, TComponent* root) override;
  void ReadState(TReader& reader) override;
  void Notification(TComponent* component, TOperation operation) override;

  // The store whose block is being read, if any; its structure and records list stand for the
  // "DataStruct" and "RecordsList" blocks inside it.
  static TMemTableDataGx* ReadingStore() noexcept;

 private:
  void DetachAllNotificators() noexcept;
  template <typename Tell>
  void TellEveryListener(Tell tell);

  TAutoIncrementGx* autoIncrement_;
  TMTDataStructGx* dataStruct_;
  std::vector<int> autoIncFields_;
  // The columns AutoIncrementRecord fills, as of a version of a structure.
  std::vector<int> numberedColumns_;
  const TMTDataStructGx* numberedStruct_ = nullptr;
  uint64_t numberedVersion_ = 0;
  TMTDataStructGx* restructStruct_;
  std::vector<TRecordsListNotificatorGx*> notificators_;
  TRecordsListGx* recordsList_;
  bool restructMode_ = false;
};

// A store that borrows the columns of another: the carrier of a one-record change log.
class TMemTableDataShadowGx : public TMemTableDataGx {
  FANO_CLASS(TMemTableDataShadowGx)
 public:
  explicit TMemTableDataShadowGx(TMemTableDataGx* master);
  TMemTableDataGx* Master() const noexcept { return master_; }
  TMTDataStructGx* DataStruct() const override { return master_->DataStruct(); }
  void AutoIncrementRecord(TMemoryRecordGx* record) override { (void)record; }

 private:
  TMemTableDataGx* master_;
};

// Registers the store's classes with the class registry (done at start-up; safe to call again).
void RegisterMemTableDataClasses();
