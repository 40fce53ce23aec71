#include "memtable/mtdata.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <exception>

#include "memtable/mtindex.h"
#include "memtable/mtrecords.h"
#include "platform/classes/classreg.h"
#include "platform/classes/filer.h"
#include "platform/classes/published.h"
#include "platform/db/dbconsts.h"
#include "platform/db/fielddefs.h"
#include "platform/db/fields.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/strings.h"

namespace {

// The structure and the records list of a store are not created by the component reader: inside
// the block of the store being read, the first block of each class stands for the store's own
// (see ReadState); any further one gets an object of its own.
struct TReadingState {
  TMemTableDataGx* store = nullptr;
  bool structGiven = false;
  bool listGiven = false;
};
TReadingState gReading;

TObject* CreateDataStruct(TObject* owner) {
  if (gReading.store && !gReading.structGiven) {
    gReading.structGiven = true;
    return gReading.store->DataStruct();
  }
  return new TMTDataStructGx(dynamic_cast<TComponent*>(owner));
}

TObject* CreateRecordsList(TObject* owner) {
  if (gReading.store && !gReading.listGiven) {
    gReading.listGiven = true;
    return gReading.store->RecordsList();
  }
  return new TRecordsListGx(dynamic_cast<TComponent*>(owner));
}

}  // namespace

FANO_IMPLEMENT_CLASS(TAutoIncrementGx, TPersistent)
FANO_IMPLEMENT_ABSTRACT(TMTDataFieldGx, TComponent)
FANO_IMPLEMENT_COMPONENT(TMTStringDataFieldGx, TMTDataFieldGx)
FANO_IMPLEMENT_COMPONENT(TMTNumericDataFieldGx, TMTDataFieldGx)
FANO_IMPLEMENT_COMPONENT(TMTDateTimeDataFieldGx, TMTDataFieldGx)
FANO_IMPLEMENT_COMPONENT(TMTBlobDataFieldGx, TMTDataFieldGx)
FANO_IMPLEMENT_COMPONENT(TMTBooleanDataFieldGx, TMTDataFieldGx)
FANO_IMPLEMENT_COMPONENT(TMTInterfaceDataFieldGx, TMTDataFieldGx)
FANO_IMPLEMENT_COMPONENT(TMTVariantDataFieldGx, TMTDataFieldGx)
FANO_IMPLEMENT_COMPONENT(TMTRefObjectFieldGx, TMTDataFieldGx)
FANO_IMPLEMENT_COMPONENT(TMTSQLTimeStampDataFieldGx, TMTDataFieldGx)
FANO_IMPLEMENT_CLASS_WITH(TMTDataStructGx, TComponent, CreateDataStruct)
FANO_IMPLEMENT_COMPONENT(TMemTableDataGx, TComponent)
FANO_IMPLEMENT_ABSTRACT(TMemTableDataShadowGx, TMemTableDataGx)

// ---------------------------------------------------------------- published properties

FANO_ENUM_NAMES(TStringDataTypeGx, "fdtStringGx", "fdtFixedCharGx", "fdtWideStringGx", "fdtGuidGx",
                "fdtFixedWideCharGx", "fdtOraIntervalGx");
FANO_ENUM_NAMES(TNumericDataTypeGx, "fdtSmallintGx", "fdtIntegerGx", "fdtWordGx", "fdtFloatGx", "fdtCurrencyGx",
                "fdtBCDGx", "fdtAutoIncGx", "fdtLargeintGx", "fdtFMTBcdGx");
FANO_ENUM_NAMES(TDateTimeDataTypeGx, "fdtDateGx", "fdtTimeGx", "fdtDateTimeGx");
FANO_ENUM_NAMES(TInterfaceDataTypeGx, "fdtInterfaceGx", "fdtIDispatchGx");
FANO_ENUM_NAMES(TVariantDataTypeGx, "fdtVariant", "fdtBytes", "fdtVarBytes");
FANO_ENUM_NAMES(TSQLTimeStampDataTypeGx, "fdtTimeStampGx", "fdtOraTimeStampGx");

namespace {

// The properties most column classes publish; `editMask` says whether EditMask is among them.
template <class C>
void PublishCommon(TPublisher<C>& p, bool editMask) {
  p.Property("Alignment", &C::Alignment, &C::SetAlignment);
  p.Property("DefaultExpression", &C::DefaultExpression, &C::SetDefaultExpression);
  p.Property("DisplayLabel", &C::DisplayLabel, &C::SetDisplayLabel);
  p.Property("DisplayWidth", &C::DisplayWidth, &C::SetDisplayWidth);
  if (editMask) p.Property("EditMask", &C::EditMask, &C::SetEditMask);
  p.Property("Required", &C::Required, &C::SetRequired);
  p.Property("Visible", &C::Visible, &C::SetVisible);
}

}  // namespace

FANO_PUBLISHED(TAutoIncrementGx, p) {
  p.Property("Step", &TAutoIncrementGx::Step, &TAutoIncrementGx::SetStep).Default(-1);
  p.Property("InitValue", &TAutoIncrementGx::InitValue, &TAutoIncrementGx::SetInitValue).Default(-1);
}

FANO_PUBLISHED(TMTDataFieldGx, p) {
  p.Property("FieldName", &TMTDataFieldGx::FieldName, &TMTDataFieldGx::SetFieldName);
}

FANO_PUBLISHED(TMTStringDataFieldGx, p) {
  using C = TMTStringDataFieldGx;
  p.Property("StringDataType", &C::StringDataType, &C::SetStringDataType);
  p.Property("FixedChar", &C::FixedChar, &C::SetFixedChar).Default(false);
  p.Property("Transliterate", &C::Transliterate, &C::SetTransliterate).Default(true);
  p.Property("Size", &C::Size, &C::SetSize);
  PublishCommon(p, true);
}

FANO_PUBLISHED(TMTNumericDataFieldGx, p) {
  using C = TMTNumericDataFieldGx;
  p.Property("NumericDataType", &C::NumericDataType, &C::SetNumericDataType);
  p.Property("DisplayFormat", &C::DisplayFormat, &C::SetDisplayFormat);
  p.Property("EditFormat", &C::EditFormat, &C::SetEditFormat);
  p.Property("currency", &C::currency, &C::SetCurrency);
  p.Property("MaxValue", &C::MaxValue, &C::SetMaxValue);
  p.Property("MinValue", &C::MinValue, &C::SetMinValue);
  p.Property("Precision", &C::Precision, &C::SetPrecision);
  PublishCommon(p, true);
}

FANO_PUBLISHED(TMTDateTimeDataFieldGx, p) {
  using C = TMTDateTimeDataFieldGx;
  p.Property("DateTimeDataType", &C::DateTimeDataType, &C::SetDateTimeDataType);
  p.Property("DisplayFormat", &C::DisplayFormat, &C::SetDisplayFormat);
  PublishCommon(p, true);
}

FANO_PUBLISHED(TMTBlobDataFieldGx, p) {
  using C = TMTBlobDataFieldGx;
  p.Property("BlobType", &C::BlobType, &C::SetBlobType);
  p.Property("GraphicHeader", &C::GraphicHeader, &C::SetGraphicHeader);
  p.Property("Transliterate", &C::Transliterate, &C::SetTransliterate);
  PublishCommon(p, true);
}

FANO_PUBLISHED(TMTBooleanDataFieldGx, p) {
  using C = TMTBooleanDataFieldGx;
  p.Property("DisplayValues", &C::DisplayValues, &C::SetDisplayValues);
  PublishCommon(p, true);
}

FANO_PUBLISHED(TMTInterfaceDataFieldGx, p) {
  using C = TMTInterfaceDataFieldGx;
  p.Property("InterfaceDataType", &C::InterfaceDataType, &C::SetInterfaceDataType);
  PublishCommon(p, false);
}

FANO_PUBLISHED(TMTVariantDataFieldGx, p) {
  using C = TMTVariantDataFieldGx;
  p.Property("VariantDataType", &C::VariantDataType, &C::SetVariantDataType);
  // After the type: only the byte-array types take a size.
  p.Property("Size", &C::Size, &C::SetSize);
  PublishCommon(p, false);
}

FANO_PUBLISHED(TMTRefObjectFieldGx, p) {
  using C = TMTRefObjectFieldGx;
  p.Property("Alignment", &C::Alignment, &C::SetAlignment);
  p.Property("DisplayLabel", &C::DisplayLabel, &C::SetDisplayLabel);
  p.Property("DisplayWidth", &C::DisplayWidth, &C::SetDisplayWidth);
  p.Property("Required", &C::Required, &C::SetRequired);
  p.Property("Visible", &C::Visible, &C::SetVisible);
}

FANO_PUBLISHED(TMTSQLTimeStampDataFieldGx, p) {
  using C = TMTSQLTimeStampDataFieldGx;
  p.Property("SQLTimeStampDataFieldType", &C::SQLTimeStampDataFieldType, &C::SetSQLTimeStampDataFieldType);
  p.Property("DisplayFormat", &C::DisplayFormat, &C::SetDisplayFormat);
  PublishCommon(p, true);
}

FANO_PUBLISHED(TMemTableDataGx, p) {
  p.Property("AutoIncrement", &TMemTableDataGx::AutoIncrement);
}

// ---------------------------------------------------------------- variant types

TVarType MTVarTypeOfDataType(int dataType) noexcept {
  switch (dataType & 0x7F) {
    case ftString: case ftFixedChar: case ftGuid: case ftOraInterval:
    case ftBlob: case ftMemo: case ftGraphic: case ftFmtMemo: case ftParadoxOle: case ftDBaseOle:
    case ftTypedBinary: case ftOraBlob: case ftOraClob:
      return varString;
    case ftWideString: case ftFixedWideChar: case ftWideMemo: return varOleStr;
    case ftSmallint: return varSmallint;
    case ftInteger: case ftWord: case ftAutoInc: return varInteger;
    case ftBoolean: return varBoolean;
    case ftFloat: return varDouble;
    case ftCurrency: case ftBCD: case ftFMTBcd: return varCurrency;
    case ftDate: case ftTime: case ftDateTime: case ftTimeStamp: case ftOraTimeStamp: return varDate;
    case ftBytes: case ftVarBytes: return varArray | varByte;
    case ftLargeint: return varInt64;
    case ftVariant: return varVariant;
    case ftInterface: return varUnknown;
    case ftIDispatch: return varDispatch;
    case ftUnknown: case ftCursor: case ftADT: case ftArray: case ftReference: case ftDataSet: return varError;
    default: return varEmpty;
  }
}

TClass MTDataFieldClassOf(TFieldType type) noexcept {
  switch (type) {
    case ftUnknown: return TMTRefObjectFieldGx::StaticClass();
    case ftString: case ftFixedChar: case ftWideString: case ftGuid: case ftFixedWideChar: case ftOraInterval:
      return TMTStringDataFieldGx::StaticClass();
    case ftSmallint: case ftInteger: case ftWord: case ftFloat: case ftCurrency: case ftBCD: case ftAutoInc:
    case ftLargeint: case ftFMTBcd:
      return TMTNumericDataFieldGx::StaticClass();
    case ftBoolean: return TMTBooleanDataFieldGx::StaticClass();
    case ftDate: case ftTime: case ftDateTime: return TMTDateTimeDataFieldGx::StaticClass();
    case ftBytes: case ftVarBytes: case ftVariant: return TMTVariantDataFieldGx::StaticClass();
    case ftBlob: case ftMemo: case ftGraphic: case ftFmtMemo: case ftParadoxOle: case ftDBaseOle:
    case ftTypedBinary: case ftOraBlob: case ftOraClob: case ftWideMemo:
      return TMTBlobDataFieldGx::StaticClass();
    case ftInterface: case ftIDispatch: return TMTInterfaceDataFieldGx::StaticClass();
    case ftTimeStamp: case ftOraTimeStamp: return TMTSQLTimeStampDataFieldGx::StaticClass();
    default: return nullptr;
  }
}

// ---------------------------------------------------------------- auto-increment counter

void TAutoIncrementGx::SetInitValue(int32_t value) noexcept {
  if (curValue_ == initValue_) curValue_ = value;
  initValue_ = value;
}

int32_t TAutoIncrementGx::Promote() noexcept {
  int32_t result = curValue_;
  // Wraps like the 32-bit counter it stands for instead of overflowing.
  curValue_ = static_cast<int32_t>(static_cast<uint32_t>(curValue_) + static_cast<uint32_t>(step_));
  return result;
}

void TAutoIncrementGx::Assign(TPersistent* source) {
  if (auto* src = dynamic_cast<TAutoIncrementGx*>(source)) {
    step_ = src->step_;
    SetInitValue(src->initValue_);
    return;
  }
  TPersistent::Assign(source);
}

// ---------------------------------------------------------------- columns

namespace {

[[noreturn]] void CannotAssignType() { throw EDatabaseError("Can not assign DataType from Field"); }

// Keeps the characters of an identifier; every byte of a multi-byte character goes.
std::string CleanIdent(std::string_view s) {
  std::string out;
  for (char c : s)
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_') out += c;
  return out;
}

// Finds the enumeration value whose platform type is `type` in a table of types.
template <class E, size_t N>
bool TypeToEnum(const TFieldType (&table)[N], TFieldType type, E& out) {
  for (size_t i = 0; i < N; ++i)
    if (table[i] == type) {
      out = static_cast<E>(i);
      return true;
    }
  return false;
}

template <class E, size_t N>
TFieldType EnumToType(const TFieldType (&table)[N], E value) {
  auto i = static_cast<size_t>(value);
  return i < N ? table[i] : ftUnknown;
}

constexpr TFieldType kStringTypes[] = {ftString, ftFixedChar, ftWideString, ftGuid, ftFixedWideChar, ftOraInterval};
constexpr TFieldType kNumericTypes[] = {ftSmallint, ftInteger, ftWord, ftFloat, ftCurrency,
                                        ftBCD, ftAutoInc, ftLargeint, ftFMTBcd};
constexpr TFieldType kDateTimeTypes[] = {ftDate, ftTime, ftDateTime};
constexpr TFieldType kInterfaceTypes[] = {ftInterface, ftIDispatch};
constexpr TFieldType kVariantTypes[] = {ftVariant, ftBytes, ftVarBytes};
constexpr TFieldType kTimeStampTypes[] = {ftTimeStamp, ftOraTimeStamp};

}  // namespace

TMTDataFieldGx::TMTDataFieldGx(TComponent* owner) : TComponent(owner) { TypeChanged(); }

TMTDataFieldGx::~TMTDataFieldGx() {
  if (dataStruct_) dataStruct_->DetachField(this);
}

void TMTDataFieldGx::TypeChanged() {
  storeVarType_ = GetVarType();
  if (dataStruct_) {
    dataStruct_->Changed();
    if (TMemTableDataGx* store = dataStruct_->MemTableData()) store->UpdateAutoIncFields();
  }
}

void TMTDataFieldGx::MarkAutoIncrement(bool) {
  autoIncrement_ = true;
  if (dataStruct_) dataStruct_->Changed();
}

void TMTDataFieldGx::SetFieldName(const std::string& value) {
  TMemTableDataGx* store = dataStruct_ ? dataStruct_->MemTableData() : nullptr;
  if (store) store->BeforeFieldRename(this);
  if (dataStruct_ && !AnsiSameText(value, fieldName_)) dataStruct_->CheckFieldName(value);
  const std::string old = std::move(fieldName_);
  fieldName_ = value;
  if (dataStruct_) {
    dataStruct_->FieldRenamed(this, old);
    dataStruct_->Changed();
  }
  UpdateComponentName();
}

void TMTDataFieldGx::UpdateComponentName() {
  std::string base = CleanIdent(fieldName_);
  if (base.empty() || (base[0] >= '0' && base[0] <= '9')) {
    std::string joined = ClassName() + base;
    if (!joined.empty() && joined[0] == 'T') joined.erase(0, 1);
    base = CleanIdent(joined);
  }
  auto taken = [this](const std::string& candidate) {
    return dataStruct_ && dataStruct_->ComponentNameTaken(candidate, this);
  };
  std::string candidate = base;
  for (int counter = 2; taken(candidate) && counter < INT32_MAX; ++counter) candidate = base + std::to_string(counter);
  SetName(candidate);
}

void TMTDataFieldGx::ChangeName(std::string_view newName) {
  const std::string old = Name();
  TComponent::ChangeName(newName);
  if (dataStruct_) dataStruct_->ComponentRenamed(this, old);
}

void TMTDataFieldGx::SetSize(int32_t value) {
  if (!HasSize()) DatabaseError(SInvalidFieldSize);
  size_ = value;
}

void TMTDataFieldGx::SetDataType(TFieldType) { CannotAssignType(); }

void TMTDataFieldGx::AssignProps(TField* field) {
  if (!field) return;
  SetAlignment(field->Alignment());
  SetDefaultExpression(field->DefaultExpression());
  SetDisplayLabel(field->DisplayLabel());
  SetDisplayWidth(field->DisplayWidth());
  SetEditMask(field->EditMask());
  SetRequired(field->Required());
  if (field->AutoGenerateValue() == arAutoInc) MarkAutoIncrement(true);
  if (HasSize()) SetSize(field->Size());
  SetVisible(field->Visible());
}

void TMTDataFieldGx::Assign(TPersistent* source) {
  auto* src = dynamic_cast<TMTDataFieldGx*>(source);
  if (!src) {
    TPersistent::Assign(source);
    return;
  }
  SetFieldName(src->FieldName());
  if (HasSize()) SetSize(src->Size());
  SetAlignment(src->Alignment());
  SetDefaultExpression(src->DefaultExpression());
  SetDisplayLabel(src->DisplayLabel());
  SetDisplayWidth(src->DisplayWidth());
  SetEditMask(src->EditMask());
  SetRequired(src->Required());
  SetVisible(src->Visible());
  AssignOwn(*src);
  // A byte-array column takes a size only once its type is known.
  if (HasSize() && size_ != src->Size()) SetSize(src->Size());
}

TComponent* TMTDataFieldGx::GetParentComponent() const { return dataStruct_; }

void TMTDataFieldGx::SetParentComponent(TComponent* parent) {
  if (auto* s = dynamic_cast<TMTDataStructGx*>(parent)) s->AttachField(this);
}

// ---- string ----

TMTStringDataFieldGx::TMTStringDataFieldGx(TComponent* owner) : TMTDataFieldGx(owner) { TypeChanged(); }

TFieldType TMTStringDataFieldGx::DataType() const { return EnumToType(kStringTypes, type_); }

void TMTStringDataFieldGx::SetStringDataType(TStringDataTypeGx value) {
  type_ = value;
  TypeChanged();
}

void TMTStringDataFieldGx::SetDataType(TFieldType value) {
  TStringDataTypeGx t;
  if (!TypeToEnum(kStringTypes, value, t)) CannotAssignType();
  SetStringDataType(t);
}

void TMTStringDataFieldGx::AssignProps(TField* field) {
  TMTDataFieldGx::AssignProps(field);
  if (auto* f = dynamic_cast<TStringField*>(field)) {
    SetFixedChar(f->FixedChar());
    SetTransliterate(f->Transliterate());
  }
}

void TMTStringDataFieldGx::AssignOwn(const TMTDataFieldGx& source) {
  if (auto* s = dynamic_cast<const TMTStringDataFieldGx*>(&source)) {
    SetStringDataType(s->type_);
    fixedChar_ = s->fixedChar_;
    transliterate_ = s->transliterate_;
  }
}

// ---- numeric ----

TMTNumericDataFieldGx::TMTNumericDataFieldGx(TComponent* owner) : TMTDataFieldGx(owner) { TypeChanged(); }

TFieldType TMTNumericDataFieldGx::DataType() const { return EnumToType(kNumericTypes, type_); }

void TMTNumericDataFieldGx::SetNumericDataType(TNumericDataTypeGx value) {
  type_ = value;
  TypeChanged();
}

void TMTNumericDataFieldGx::SetDataType(TFieldType value) {
  TNumericDataTypeGx t;
  if (!TypeToEnum(kNumericTypes, value, t)) CannotAssignType();
  SetNumericDataType(t);
}

void TMTNumericDataFieldGx::AssignProps(TField* field) {
  TMTDataFieldGx::AssignProps(field);
  if (auto* f = dynamic_cast<TNumericField*>(field)) {
    SetDisplayFormat(f->DisplayFormat());
    SetEditFormat(f->EditFormat());
  }
  if (auto* f = dynamic_cast<TIntegerField*>(field)) {
    maxValue_ = f->MaxValue();
    minValue_ = f->MinValue();
  } else if (auto* f = dynamic_cast<TLargeintField*>(field)) {
    maxValue_ = static_cast<double>(f->MaxValue());
    minValue_ = static_cast<double>(f->MinValue());
  } else if (auto* f = dynamic_cast<TFloatField*>(field)) {
    currency_ = f->currency();
    maxValue_ = f->MaxValue();
    minValue_ = f->MinValue();
    precision_ = f->Precision();
  } else if (auto* f = dynamic_cast<TFMTBCDField*>(field)) {
    currency_ = f->currency();
    precision_ = f->Precision();
  } else if (auto* f = dynamic_cast<TBCDField*>(field)) {
    currency_ = f->currency();
    // The limits are fixed-point values scaled by 10,000.
    maxValue_ = f->MaxValue().ToDouble();
    minValue_ = f->MinValue().ToDouble();
    precision_ = f->Precision();
  }
}

void TMTNumericDataFieldGx::AssignOwn(const TMTDataFieldGx& source) {
  if (auto* s = dynamic_cast<const TMTNumericDataFieldGx*>(&source)) {
    SetNumericDataType(s->type_);
    displayFormat_ = s->displayFormat_;
    editFormat_ = s->editFormat_;
    currency_ = s->currency_;
    maxValue_ = s->maxValue_;
    minValue_ = s->minValue_;
    precision_ = s->precision_;
  }
}

// ---- date and time ----

TMTDateTimeDataFieldGx::TMTDateTimeDataFieldGx(TComponent* owner) : TMTDataFieldGx(owner) { TypeChanged(); }

TFieldType TMTDateTimeDataFieldGx::DataType() const { return EnumToType(kDateTimeTypes, type_); }

void TMTDateTimeDataFieldGx::SetDateTimeDataType(TDateTimeDataTypeGx value) {
  type_ = value;
  TypeChanged();
}

void TMTDateTimeDataFieldGx::SetDataType(TFieldType value) {
  TDateTimeDataTypeGx t;
  if (!TypeToEnum(kDateTimeTypes, value, t)) CannotAssignType();
  SetDateTimeDataType(t);
}

void TMTDateTimeDataFieldGx::AssignProps(TField* field) {
  TMTDataFieldGx::AssignProps(field);
  if (auto* f = dynamic_cast<TDateTimeField*>(field)) SetDisplayFormat(f->DisplayFormat());
}

void TMTDateTimeDataFieldGx::AssignOwn(const TMTDataFieldGx& source) {
  if (auto* s = dynamic_cast<const TMTDateTimeDataFieldGx*>(&source)) {
    SetDateTimeDataType(s->type_);
    displayFormat_ = s->displayFormat_;
  }
}

// ---- blob ----

TMTBlobDataFieldGx::TMTBlobDataFieldGx(TComponent* owner) : TMTDataFieldGx(owner) { TypeChanged(); }

void TMTBlobDataFieldGx::SetBlobType(TBlobType value) {
  if (!IsBlobType(value)) return;
  blobType_ = value;
  TypeChanged();
}

void TMTBlobDataFieldGx::AssignProps(TField* field) {
  TMTDataFieldGx::AssignProps(field);
  if (auto* f = dynamic_cast<TBlobField*>(field)) {
    SetBlobType(f->BlobType());
    graphicHeader_ = f->GraphicHeader();
    transliterate_ = f->Transliterate();
  }
}

void TMTBlobDataFieldGx::AssignOwn(const TMTDataFieldGx& source) {
  if (auto* s = dynamic_cast<const TMTBlobDataFieldGx*>(&source)) {
    SetBlobType(s->blobType_);
    graphicHeader_ = s->graphicHeader_;
    transliterate_ = s->transliterate_;
  }
}

// ---- Boolean ----

TMTBooleanDataFieldGx::TMTBooleanDataFieldGx(TComponent* owner) : TMTDataFieldGx(owner) { TypeChanged(); }

void TMTBooleanDataFieldGx::SetDataType(TFieldType value) {
  if (value != ftBoolean) CannotAssignType();
}

void TMTBooleanDataFieldGx::AssignProps(TField* field) {
  TMTDataFieldGx::AssignProps(field);
  if (auto* f = dynamic_cast<TBooleanField*>(field)) SetDisplayValues(f->DisplayValues());
}

void TMTBooleanDataFieldGx::AssignOwn(const TMTDataFieldGx& source) {
  if (auto* s = dynamic_cast<const TMTBooleanDataFieldGx*>(&source)) displayValues_ = s->displayValues_;
}

// ---- interface ----

TMTInterfaceDataFieldGx::TMTInterfaceDataFieldGx(TComponent* owner) : TMTDataFieldGx(owner) { TypeChanged(); }

TFieldType TMTInterfaceDataFieldGx::DataType() const { return EnumToType(kInterfaceTypes, type_); }

void TMTInterfaceDataFieldGx::SetInterfaceDataType(TInterfaceDataTypeGx value) {
  type_ = value;
  TypeChanged();
}

void TMTInterfaceDataFieldGx::SetDataType(TFieldType value) {
  TInterfaceDataTypeGx t;
  if (!TypeToEnum(kInterfaceTypes, value, t)) CannotAssignType();
  SetInterfaceDataType(t);
}

void TMTInterfaceDataFieldGx::AssignOwn(const TMTDataFieldGx& source) {
  if (auto* s = dynamic_cast<const TMTInterfaceDataFieldGx*>(&source)) SetInterfaceDataType(s->type_);
}

// ---- variant ----

TMTVariantDataFieldGx::TMTVariantDataFieldGx(TComponent* owner) : TMTDataFieldGx(owner) { TypeChanged(); }

TFieldType TMTVariantDataFieldGx::DataType() const { return EnumToType(kVariantTypes, type_); }

void TMTVariantDataFieldGx::SetVariantDataType(TVariantDataTypeGx value) {
  type_ = value;
  TypeChanged();
}

void TMTVariantDataFieldGx::SetDataType(TFieldType value) {
  TVariantDataTypeGx t;
  if (!TypeToEnum(kVariantTypes, value, t)) CannotAssignType();
  SetVariantDataType(t);
}

void TMTVariantDataFieldGx::AssignOwn(const TMTDataFieldGx& source) {
  if (auto* s = dynamic_cast<const TMTVariantDataFieldGx*>(&source)) SetVariantDataType(s->type_);
}

// ---- object reference ----

TMTRefObjectFieldGx::TMTRefObjectFieldGx(TComponent* owner) : TMTDataFieldGx(owner) {
  SetCopiesValues(true);
  TypeChanged();
}

void TMTRefObjectFieldGx::SetDataType(TFieldType value) {
  if (value != ftUnknown) CannotAssignType();
}

// ---- SQL time stamp ----

TMTSQLTimeStampDataFieldGx::TMTSQLTimeStampDataFieldGx(TComponent* owner) : TMTDataFieldGx(owner) { TypeChanged(); }

TFieldType TMTSQLTimeStampDataFieldGx::DataType() const { return EnumToType(kTimeStampTypes, type_); }

void TMTSQLTimeStampDataFieldGx::SetSQLTimeStampDataFieldType(TSQLTimeStampDataTypeGx value) {
  type_ = value;
  TypeChanged();
}

void TMTSQLTimeStampDataFieldGx::SetDataType(TFieldType value) {
  TSQLTimeStampDataTypeGx t;
  if (!TypeToEnum(kTimeStampTypes, value, t)) CannotAssignType();
  SetSQLTimeStampDataFieldType(t);
}

void TMTSQLTimeStampDataFieldGx::AssignProps(TField* field) {
  TMTDataFieldGx::AssignProps(field);
  if (auto* f = dynamic_cast<TDateTimeField*>(field)) SetDisplayFormat(f->DisplayFormat());
}

void TMTSQLTimeStampDataFieldGx::AssignOwn(const TMTDataFieldGx& source) {
  if (auto* s = dynamic_cast<const TMTSQLTimeStampDataFieldGx*>(&source)) {
    SetSQLTimeStampDataFieldType(s->type_);
    displayFormat_ = s->displayFormat_;
  }
}

// ---------------------------------------------------------------- structure

TMTDataStructGx::TMTDataStructGx(TComponent* owner) : TComponent(owner) {}

TMTDataStructGx::~TMTDataStructGx() { Clear(); }

const TComponent* TMTDataStructGx::ErrorComponent() const {
  return store_ ? static_cast<const TComponent*>(store_) : this;
}

TMTDataFieldGx* TMTDataStructGx::DataFields(int index) const {
  if (index < 0 || index >= Count()) TList::Error("List index out of bounds (%d)", index);
  return fields_[static_cast<size_t>(index)];
}

TMTDataFieldGx* TMTDataStructGx::FindField(std::string_view name) const {
  const int i =
      names_.IndexOf(name, Count(), [this](int k) -> std::string_view { return fields_[static_cast<size_t>(k)]->FieldName(); });
  return i >= 0 ? fields_[static_cast<size_t>(i)] : nullptr;
}

int TMTDataStructGx::FieldIndex(std::string_view name) const {
  std::string key;
  if (name.empty() || !TNameIndex::Key(name, key)) {
    for (size_t i = 0; i < fields_.size(); ++i)
      if (SameText(fields_[i]->FieldName(), name)) return static_cast<int>(i);
    return -1;
  }
  // Ignoring ASCII case alone, a name of other characters never matches a printable ASCII one.
  names_.Extend(Count(), [this](int i) -> std::string_view { return fields_[static_cast<size_t>(i)]->FieldName(); });
  return names_.Find(key);
}

int TMTDataStructGx::PositionOf(const TMTDataFieldGx* field) const {
  // Mostly the column just added.
  const int last = static_cast<int>(fields_.size()) - 1;
  if (last >= 0 && fields_[static_cast<size_t>(last)] == field) return last;
  auto it = std::find(fields_.begin(), fields_.end(), field);
  return it == fields_.end() ? -1 : static_cast<int>(it - fields_.begin());
}

void TMTDataStructGx::FieldRenamed(const TMTDataFieldGx* field, std::string_view oldName) {
  if (names_.Indexed() > 0) names_.Renamed(PositionOf(field), oldName, field->FieldName());
}

void TMTDataStructGx::ComponentRenamed(const TMTDataFieldGx* field, std::string_view oldName) {
  if (componentNames_.Indexed() > 0) componentNames_.Renamed(PositionOf(field), oldName, field->Name());
}

void TMTDataStructGx::ValidateRename(TComponent* component, std::string_view curName, std::string_view newName) {
  // Owning its columns alone, it finds a column's new name among theirs through their index.
  auto* field = dynamic_cast<TMTDataFieldGx*>(component);
  if (!field || field->dataStruct_ != this || field->Owner() != this || ComponentCount() != Count()) {
    TComponent::ValidateRename(component, curName, newName);
    return;
  }
  if (!newName.empty() && !SameText(curName, newName) && ComponentNameTaken(newName, nullptr))
    throw EComponentError("A component named " + std::string(newName) + " already exists");
}

bool TMTDataStructGx::ComponentNameTaken(std::string_view name, const TMTDataFieldGx* except) const {
  std::string key;
  if (!name.empty() && TNameIndex::Key(name, key)) {
    componentNames_.Extend(Count(), [this](int i) -> std::string_view { return fields_[static_cast<size_t>(i)]->Name(); });
    // Ignoring ASCII case alone, a name of other characters never matches a printable ASCII one.
    const int found = componentNames_.Find(key);
    if (found < 0) return false;
    if (fields_[static_cast<size_t>(found)] != except) return true;
  }
  for (TMTDataFieldGx* f : fields_)
    if (f != except && SameText(f->Name(), name)) return true;
  return false;
}

void TMTDataStructGx::FieldIndexes(std::string_view names, std::vector<int>& indexes) const {
  indexes.clear();
  if (names.find(';') != std::string_view::npos) {
    for (const std::string& name : SplitFieldNames(names)) {
      int i = FieldIndex(name);
      if (i < 0) DatabaseErrorFmt(SFieldNotFound, {name}, this);
      indexes.push_back(i);
    }
    return;
  }
  int i = FieldIndex(names);
  if (i >= 0) indexes.push_back(i);
}

TMTDataFieldGx* TMTDataStructGx::CreateField(TClass fieldClass) {
  if (!fieldClass || !fieldClass->Create || !fieldClass->InheritsFrom(TMTDataFieldGx::StaticClass()))
    throw EInvalidArgument(std::string("Cannot create a column of class ") + (fieldClass ? fieldClass->Name : "nil"));
  auto* field = dynamic_cast<TMTDataFieldGx*>(fieldClass->Create(this));
  if (!field) throw EInvalidArgument(std::string("Cannot create a column of class ") + fieldClass->Name);
  AttachField(field);
  return field;
}

void TMTDataStructGx::AttachField(TMTDataFieldGx* field) {
  if (!field || field->dataStruct_ == this) return;
  if (field->Owner() != this) InsertComponent(field);
  if (field->dataStruct_) field->dataStruct_->DetachField(field);
  fields_.push_back(field);
  field->dataStruct_ = this;
  field->identity_ = nextIdentity_++;
  Changed();
  if (store_) store_->UpdateAutoIncFields();
}

void TMTDataStructGx::DetachField(TMTDataFieldGx* field) {
  auto it = std::find(fields_.begin(), fields_.end(), field);
  if (it == fields_.end()) return;
  fields_.erase(it);
  names_.Forget();
  componentNames_.Forget();
  field->dataStruct_ = nullptr;
  Changed();
  if (store_) store_->UpdateAutoIncFields();
}

void TMTDataStructGx::Clear() {
  while (!fields_.empty()) fields_.back()->Free();
}

void TMTDataStructGx::CheckFieldName(std::string_view name) const {
  if (name.empty()) DatabaseError(SFieldNameMissing, store_);
  if (FindField(name)) DatabaseErrorFmt(SDuplicateFieldName, {name}, store_);
}

void TMTDataStructGx::BuildStructFromFieldDefs(TFieldDefs* fieldDefs) {
  if (store_)
    store_->DestroyTable();
  else
    Clear();
  if (!fieldDefs) return;
  for (int i = 0; i < fieldDefs->Count(); ++i) {
    TFieldDef* def = fieldDefs->Items(i);
    TClass cls = MTDataFieldClassOf(def->DataType());
    if (!cls) DatabaseErrorFmt(SUnknownFieldType, {def->Name()}, ErrorComponent());
    TMTDataFieldGx* field = CreateField(cls);
    field->SetDataType(def->DataType());
    field->SetFieldName(def->Name());
    field->SetRequired(def->Required());
    if (auto* numeric = dynamic_cast<TMTNumericDataFieldGx*>(field)) numeric->SetPrecision(def->Precision());
    if (field->HasSize()) field->SetSize(def->Size());
  }
}

void TMTDataStructGx::BuildStructFromFields(TFields* fields) {
  if (store_)
    store_->DestroyTable();
  else
    Clear();
  if (!fields) return;
  for (TField* f : *fields) {
    if (f->FieldKind() != fkData && f->FieldKind() != fkInternalCalc) continue;
    TClass cls = MTDataFieldClassOf(f->DataType());
    if (!cls) continue;
    TMTDataFieldGx* field = CreateField(cls);
    field->SetDataType(f->DataType());
    field->SetFieldName(f->FieldName());
    field->AssignProps(f);
  }
}

void TMTDataStructGx::BuildFieldDefsFromStruct(TFieldDefs* fieldDefs) const {
  if (!fieldDefs) return;
  WithUpdate(*fieldDefs, [&] {
    fieldDefs->Clear();
    for (TMTDataFieldGx* f : fields_) {
      TFieldDef* def = fieldDefs->AddFieldDef();
      def->SetName(f->FieldName());
      def->SetDataType(f->DataType());
      def->SetSize(f->Size());
      if (f->Required()) def->SetRequired(true);
      if (f->DataType() == ftBCD)
        if (auto* numeric = dynamic_cast<TMTNumericDataFieldGx*>(f)) def->SetPrecision(numeric->Precision());
    }
  });
}

void TMTDataStructGx::Assign(TPersistent* source) {
  auto* src = dynamic_cast<TMTDataStructGx*>(source);
  if (!src) {
    TPersistent::Assign(source);
    return;
  }
  if (src == this) return;
  if (store_ && store_->RecordsList()->Count() > 0)
    throw EDatabaseError("Can not assign struct for not empty list of records");
  Clear();
  for (TMTDataFieldGx* f : std::vector<TMTDataFieldGx*>(src->fields_)) CreateField(f->ClassType())->Assign(f);
}

void TMTDataStructGx::GetChildren(const TGetChildProc& proc, TComponent*) {
  for (TMTDataFieldGx* f : std::vector<TMTDataFieldGx*>(fields_)) proc(f);
}

TComponent* TMTDataStructGx::GetParentComponent() const { return store_; }

void TMTDataStructGx::SetParentComponent(TComponent*) {
  // Read as a block of its store: the reader made it the root's; it belongs to the store alone.
  if (store_ && Owner()) Owner()->RemoveComponent(this);
}

void TMTDataStructGx::SetName(std::string_view newName) {
  if (store_ && newName != "DataStruct") throw EComponentError("A store's structure is named DataStruct");
  TComponent::SetName(newName);
}

void TMTDataStructGx::BeforeDestruction() {
  // A store's structure goes with its store only (a failed read may try to free it).
  if (store_) {
    if (Owner()) Owner()->RemoveComponent(this);
    throw EComponentError("A store's structure goes only with its store");
  }
  TComponent::BeforeDestruction();
}

// ---------------------------------------------------------------- store

TMemTableDataGx::TMemTableDataGx(TComponent* owner)
    : TComponent(owner),
      autoIncrement_(new TAutoIncrementGx()),
      dataStruct_(new TMTDataStructGx(nullptr)),
      restructStruct_(new TMTDataStructGx(nullptr)),
      recordsList_(new TRecordsListGx(nullptr)) {
  dataStruct_->store_ = this;
  dataStruct_->SetName("DataStruct");
  recordsList_->store_ = this;
  recordsList_->SetName("RecordsList");
}

void TMemTableDataGx::DetachAllNotificators() noexcept {
  std::vector<TRecordsListNotificatorGx*> list;
  list.swap(notificators_);
  for (TRecordsListNotificatorGx* n : list) {
    if (n->source_ == this) n->SourceGone();
    RemoveFreeNotification(n);
  }
}

void TMemTableDataGx::BeforeDestruction() {
  DetachAllNotificators();
  TComponent::BeforeDestruction();
}

TMemTableDataGx::~TMemTableDataGx() {
  DetachAllNotificators();
  // Released from the store first: they refuse to go while they belong to it.
  recordsList_->store_ = nullptr;
  recordsList_->Free();
  recordsList_ = nullptr;
  dataStruct_->store_ = nullptr;
  dataStruct_->Free();
  restructStruct_->Free();
  delete autoIncrement_;
}

void TMemTableDataGx::AddNotificator(TRecordsListNotificatorGx* notificator) {
  if (!notificator || std::find(notificators_.begin(), notificators_.end(), notificator) != notificators_.end())
    return;
  notificators_.push_back(notificator);
  FreeNotification(notificator);
}

void TMemTableDataGx::RemoveNotificator(TRecordsListNotificatorGx* notificator) {
  auto it = std::find(notificators_.begin(), notificators_.end(), notificator);
  if (it == notificators_.end()) return;
  notificators_.erase(it);
  RemoveFreeNotification(notificator);
}

void TMemTableDataGx::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove) {
    auto it = std::find(notificators_.begin(), notificators_.end(), component);
    if (it != notificators_.end()) notificators_.erase(it);
  }
  TComponent::Notification(component, operation);
}

void TMemTableDataGx::ResolveChanges(TMemTableDataGx* changes) {
  for (size_t i = 0; i < notificators_.size(); ++i) notificators_[i]->Resolve(changes);
}

bool TMemTableDataGx::HasResolvers() const {
  for (TRecordsListNotificatorGx* n : notificators_)
    if (n->WantsResolve()) return true;
  return false;
}

template <typename Tell>
void TMemTableDataGx::TellEveryListener(Tell tell) {
  // A listener may detach itself (or another) while told; the index is re-checked each step.
  // Every listener hears of the change, also after one has raised: the others keep the record
  // (a change they were not told of, or one the list takes back on that error) as the list has
  // it. The first error is raised once all were told.
  std::exception_ptr error;
  for (size_t i = 0; i < notificators_.size(); ++i) {
    try {
      tell(notificators_[i]);
    } catch (...) {
      if (!error) error = std::current_exception();
    }
  }
  if (error) std::rethrow_exception(error);
}

void TMemTableDataGx::RecordChanged(TMemoryRecordGx* record, int index, int code) {
  TellEveryListener([&](TRecordsListNotificatorGx* n) { n->RecordChanged(record, index, code); });
}

void TMemTableDataGx::RecordMoved(TMemoryRecordGx* record, int oldIndex, int newIndex) {
  TellEveryListener([&](TRecordsListNotificatorGx* n) { n->RecordMoved(record, oldIndex, newIndex); });
}

void TMemTableDataGx::AssignAutoIncrement(TAutoIncrementGx* source) {
  if (!source) return;
  autoIncrement_->SetStep(source->Step());
  autoIncrement_->SetInitValue(source->InitValue());
}

void TMTDataStructGx::Changed() noexcept {
  static std::atomic<uint64_t> count{0};
  version_ = ++count;
}

void TMemTableDataGx::AutoIncrementRecord(TMemoryRecordGx* record) {
  TMTDataStructGx* s = DataStruct();
  // Found again only when the columns changed (types and flags bump the version): a row is
  // appended far more often.
  if (s != numberedStruct_ || s->Version() != numberedVersion_) {
    numberedColumns_.clear();
    for (int i = 0; i < s->Count(); ++i) {
      TMTDataFieldGx* f = s->DataFields(i);
      if (f->DataType() == ftAutoInc || f->AutoIncrement()) numberedColumns_.push_back(i);
    }
    numberedStruct_ = s;
    numberedVersion_ = s->Version();
  }
  bool taken = false;
  Variant number;
  for (int i : numberedColumns_) {
    if (!taken) {
      number = Variant(static_cast<int>(AutoIncrement()->Promote()));
      taken = true;
    }
    record->SetDataValue(i, rvCurrent, number);
  }
}

void TMemTableDataGx::UpdateAutoIncFields() {
  autoIncFields_.clear();
  const auto& fields = dataStruct_->Fields();
  for (size_t i = 0; i < fields.size(); ++i)
    if (fields[i]->DataType() == ftAutoInc) autoIncFields_.push_back(static_cast<int>(i));
}

TMTDataStructGx* TMemTableDataGx::BeginRestruct() {
  if (restructMode_) throw EDatabaseError("MemTableData already in RestructMode.");
  restructStruct_->Assign(DataStruct());
  restructMode_ = true;
  return restructStruct_;
}

int TMemTableDataGx::FetchRecords(int count) {
  int total = 0;
  for (size_t i = 0; i < notificators_.size(); ++i) total += notificators_[i]->FetchRequest(count);
  return total;
}

void TMemTableDataGx::CancelRestruct() {
  restructMode_ = false;
  restructStruct_->Clear();
}

void TMemTableDataGx::CommitRestruct() { restructMode_ = false; }

void TMemTableDataGx::DestroyTable() {
  recordsList_->Indexes()->Clear();
  recordsList_->Clear();
  // The own structure: a shadow store must never empty the one it borrows.
  dataStruct_->Clear();
}

void TMemTableDataGx::DefineProperties(TFiler& filer) {
  TComponent::DefineProperties(filer);
  TAutoIncrementGx* counter = autoIncrement_;
  filer.DefineProperty(
      "AutoIncCurValue", [counter](TReader& r) { counter->SetCurValue(r.ReadInteger()); },
      [counter](TWriter& w) { w.WriteInteger(counter->CurValue()); }, counter->CurValue() != counter->InitValue());
}

void TMemTableDataGx::GetChildren(const TGetChildProc& proc, TComponent*) {
  proc(dataStruct_);
  proc(recordsList_);
}

TMemTableDataGx* TMemTableDataGx::ReadingStore() noexcept { return gReading.store; }

void TMemTableDataGx::ReadState(TReader& reader) {
  // The stream brings its own columns and rows.
  DestroyTable();
  TReadingState saved = gReading;
  gReading = TReadingState{this, false, false};
  try {
    TComponent::ReadState(reader);
  } catch (...) {
    gReading = saved;
    throw;
  }
  gReading = saved;
}

// ---- shadow ----

TMemTableDataShadowGx::TMemTableDataShadowGx(TMemTableDataGx* master) : TMemTableDataGx(master), master_(master) {}

// ---------------------------------------------------------------- registration

void RegisterMemTableDataClasses() {
  RegisterClasses({TMemTableDataGx::StaticClass(), TMTDataStructGx::StaticClass(), TRecordsListGx::StaticClass(),
                   TMTDataFieldGx::StaticClass(), TMTStringDataFieldGx::StaticClass(),
                   TMTNumericDataFieldGx::StaticClass(), TMTDateTimeDataFieldGx::StaticClass(),
                   TMTBlobDataFieldGx::StaticClass(), TMTBooleanDataFieldGx::StaticClass(),
                   TMTInterfaceDataFieldGx::StaticClass(), TMTVariantDataFieldGx::StaticClass(),
                   TMTRefObjectFieldGx::StaticClass(), TMTSQLTimeStampDataFieldGx::StaticClass()});
}

namespace {
// Registered at start-up, unregistered at the end (the registry outlives this object: it is built
// on first use, before it).
struct ClassRegistration {
  ClassRegistration() { RegisterMemTableDataClasses(); }
  ~ClassRegistration() {
    for (TClass c : {TMemTableDataGx::StaticClass(), TMTDataStructGx::StaticClass(), TRecordsListGx::StaticClass(),
                     TMTDataFieldGx::StaticClass(), TMTStringDataFieldGx::StaticClass(),
                     TMTNumericDataFieldGx::StaticClass(), TMTDateTimeDataFieldGx::StaticClass(),
                     TMTBlobDataFieldGx::StaticClass(), TMTBooleanDataFieldGx::StaticClass(),
                     TMTInterfaceDataFieldGx::StaticClass(), TMTVariantDataFieldGx::StaticClass(),
                     TMTRefObjectFieldGx::StaticClass(), TMTSQLTimeStampDataFieldGx::StaticClass()})
      UnRegisterClass(c);
  }
};
const ClassRegistration gRegistration;
}  // namespace

// Needed by the records list's factory above.
TClass TRecordsListGx::StaticClass() noexcept {
  static const TClassInfo info{"TRecordsListGx", TComponent::StaticClass(), CreateRecordsList};
  return &info;
}
