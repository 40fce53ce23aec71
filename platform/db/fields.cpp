#include "platform/db/fields.h"

#include <algorithm>
#include <cmath>
#include <typeinfo>

#include "platform/classes/classreg.h"
#include "platform/classes/published.h"
#include "platform/db/dataset.h"
#include "platform/db/dbconsts.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"

FANO_IMPLEMENT_ABSTRACT(TField, TComponent)
FANO_IMPLEMENT_COMPONENT(TStringField, TField)
FANO_IMPLEMENT_COMPONENT(TWideStringField, TStringField)
FANO_IMPLEMENT_COMPONENT(TGuidField, TStringField)
FANO_IMPLEMENT_ABSTRACT(TNumericField, TField)
FANO_IMPLEMENT_COMPONENT(TIntegerField, TNumericField)
FANO_IMPLEMENT_COMPONENT(TSmallintField, TIntegerField)
FANO_IMPLEMENT_COMPONENT(TWordField, TIntegerField)
FANO_IMPLEMENT_COMPONENT(TAutoIncField, TIntegerField)
FANO_IMPLEMENT_COMPONENT(TLargeintField, TNumericField)
FANO_IMPLEMENT_COMPONENT(TFloatField, TNumericField)
FANO_IMPLEMENT_COMPONENT(TCurrencyField, TFloatField)
FANO_IMPLEMENT_COMPONENT(TBCDField, TNumericField)
FANO_IMPLEMENT_COMPONENT(TFMTBCDField, TBCDField)
FANO_IMPLEMENT_COMPONENT(TBooleanField, TField)
FANO_IMPLEMENT_COMPONENT(TDateTimeField, TField)
FANO_IMPLEMENT_COMPONENT(TDateField, TDateTimeField)
FANO_IMPLEMENT_COMPONENT(TTimeField, TDateTimeField)
FANO_IMPLEMENT_COMPONENT(TSQLTimeStampField, TDateTimeField)
FANO_IMPLEMENT_ABSTRACT(TBinaryField, TField)
FANO_IMPLEMENT_COMPONENT(TBytesField, TBinaryField)
FANO_IMPLEMENT_COMPONENT(TVarBytesField, TBinaryField)
FANO_IMPLEMENT_COMPONENT(TBlobField, TField)
FANO_IMPLEMENT_COMPONENT(TMemoField, TBlobField)
FANO_IMPLEMENT_COMPONENT(TWideMemoField, TBlobField)
FANO_IMPLEMENT_COMPONENT(TGraphicField, TBlobField)
FANO_IMPLEMENT_COMPONENT(TVariantField, TField)
FANO_IMPLEMENT_COMPONENT(TInterfaceField, TField)
FANO_IMPLEMENT_COMPONENT(TIDispatchField, TInterfaceField)
FANO_IMPLEMENT_ABSTRACT(TObjectField, TVariantField)
FANO_IMPLEMENT_COMPONENT(TADTField, TObjectField)
FANO_IMPLEMENT_COMPONENT(TArrayField, TObjectField)
FANO_IMPLEMENT_COMPONENT(TDataSetField, TObjectField)
FANO_IMPLEMENT_COMPONENT(TReferenceField, TObjectField)
FANO_IMPLEMENT_COMPONENT(TAggregateField, TField)

// Published properties (form resources) and the names resources may use.
FANO_ENUM_NAMES(TAlignment, "taLeftJustify", "taRightJustify", "taCenter");

FANO_ENUM_NAMES(TFieldKind, "fkData", "fkCalculated", "fkLookup", "fkInternalCalc", "fkAggregate");

FANO_ENUM_NAMES(TFieldType, "ftUnknown", "ftString", "ftSmallint", "ftInteger", "ftWord", "ftBoolean", "ftFloat",
                "ftCurrency", "ftBCD", "ftDate", "ftTime", "ftDateTime", "ftBytes", "ftVarBytes", "ftAutoInc",
                "ftBlob", "ftMemo", "ftGraphic", "ftFmtMemo", "ftParadoxOle", "ftDBaseOle", "ftTypedBinary",
                "ftCursor", "ftFixedChar", "ftWideString", "ftLargeint", "ftADT", "ftArray", "ftReference",
                "ftDataSet", "ftOraBlob", "ftOraClob", "ftVariant", "ftInterface", "ftIDispatch", "ftGuid",
                "ftTimeStamp", "ftFMTBcd", "ftFixedWideChar", "ftWideMemo", "ftOraTimeStamp", "ftOraInterval");

FANO_ENUM_NAMES(TProviderFlag, "pfInUpdate", "pfInWhere", "pfInKey", "pfHidden");

FANO_ENUM_NAMES(TAutoRefreshFlag, "arNone", "arAutoInc", "arDefault");

FANO_PUBLISHED(TField, p) {
  p.Property("Alignment", &TField::Alignment, &TField::SetAlignment);
  p.Property("AutoGenerateValue", &TField::AutoGenerateValue, &TField::SetAutoGenerateValue);
  p.Property("DefaultExpression", &TField::DefaultExpression, &TField::SetDefaultExpression);
  p.Property("DisplayLabel", &TField::DisplayLabel, &TField::SetDisplayLabel);
  p.Property("DisplayWidth", &TField::DisplayWidth, &TField::SetDisplayWidth);
  p.Property("EditMask", &TField::EditMask, &TField::SetEditMask);
  p.Property("FieldKind", &TField::FieldKind, &TField::SetFieldKind);
  p.Property("FieldName", &TField::FieldName, &TField::SetFieldName);
  p.Property("KeyFields", &TField::KeyFields, &TField::SetKeyFields);
  p.Property("LookupCache", &TField::LookupCache, &TField::SetLookupCache).Default(false);
  p.Property("LookupDataSet", &TField::LookupDataSet, &TField::SetLookupDataSet);
  p.Property("LookupKeyFields", &TField::LookupKeyFields, &TField::SetLookupKeyFields);
  p.Property("LookupResultField", &TField::LookupResultField, &TField::SetLookupResultField);
  p.Property("Origin", &TField::Origin, &TField::SetOrigin);
  p.Property("ProviderFlags", &TField::ProviderFlags, &TField::SetProviderFlags);
  p.Property("ReadOnly", &TField::ReadOnly, &TField::SetReadOnly).Default(false);
  p.Property("Required", &TField::Required, &TField::SetRequired).Default(false);
  p.Property("Visible", &TField::Visible, &TField::SetVisible).Default(true);
  p.Property("IsKey", &TField::IsKey, &TField::SetIsKey).Default(false);
  p.Property("IsJoin", &TField::IsJoin, &TField::SetIsJoin).Default(false);
  p.Property("NotNull", &TField::NotNull, &TField::SetNotNull).Default(false);
  p.Property("OnChange", &TField::OnChange, &TField::SetOnChange);
  p.Property("OnGetText", &TField::OnGetText, &TField::SetOnGetText);
  p.Property("OnSetText", &TField::OnSetText, &TField::SetOnSetText);
  p.Property("OnValidate", &TField::OnValidate, &TField::SetOnValidate);
}

FANO_PUBLISHED(TStringField, p) {
  p.Property("FixedChar", &TStringField::FixedChar, &TStringField::SetFixedChar).Default(false);
  p.Property("Size", &TStringField::Size, &TStringField::SetSize).Default(20);
  p.Property("Transliterate", &TStringField::Transliterate, &TStringField::SetTransliterate).Default(true);
}

FANO_PUBLISHED(TNumericField, p) {
  p.Property("DisplayFormat", &TNumericField::DisplayFormat, &TNumericField::SetDisplayFormat);
  p.Property("EditFormat", &TNumericField::EditFormat, &TNumericField::SetEditFormat);
}

FANO_PUBLISHED(TIntegerField, p) {
  p.Property("MaxValue", &TIntegerField::MaxValue, &TIntegerField::SetMaxValue).Default(0);
  p.Property("MinValue", &TIntegerField::MinValue, &TIntegerField::SetMinValue).Default(0);
}

FANO_PUBLISHED(TLargeintField, p) {
  p.Property("MaxValue", &TLargeintField::MaxValue, &TLargeintField::SetMaxValue);
  p.Property("MinValue", &TLargeintField::MinValue, &TLargeintField::SetMinValue);
}

FANO_PUBLISHED(TFloatField, p) {
  p.Property("currency", &TFloatField::currency, &TFloatField::SetCurrency);
  p.Property("MaxValue", &TFloatField::MaxValue, &TFloatField::SetMaxValue);
  p.Property("MinValue", &TFloatField::MinValue, &TFloatField::SetMinValue);
  p.Property("Precision", &TFloatField::Precision, &TFloatField::SetPrecision).Default(15);
}

FANO_PUBLISHED(TBCDField, p) {
  p.Property("currency", &TBCDField::currency, &TBCDField::SetCurrency);
  p.Property("MaxValue", &TBCDField::MaxValue, &TBCDField::SetMaxValue);
  p.Property("MinValue", &TBCDField::MinValue, &TBCDField::SetMinValue);
  p.Property("Precision", &TBCDField::Precision, &TBCDField::SetPrecision).Default(0);
  p.Property("Size", &TBCDField::Size, &TBCDField::SetSize).Default(4);
}

FANO_PUBLISHED(TBooleanField, p) {
  p.Property("DisplayValues", &TBooleanField::DisplayValues, &TBooleanField::SetDisplayValues);
}

FANO_PUBLISHED(TDateTimeField, p) {
  p.Property("DisplayFormat", &TDateTimeField::DisplayFormat, &TDateTimeField::SetDisplayFormat);
}

FANO_PUBLISHED(TBinaryField, p) { p.Property("Size", &TBinaryField::Size, &TBinaryField::SetSize); }

FANO_PUBLISHED(TBlobField, p) {
  p.Property("BlobType", &TBlobField::BlobType, &TBlobField::SetBlobType);
  p.Property("GraphicHeader", &TBlobField::GraphicHeader, &TBlobField::SetGraphicHeader).Default(true);
  p.Property("Size", &TBlobField::Size, &TBlobField::SetSize).Default(0);
  p.Property("Transliterate", &TBlobField::Transliterate, &TBlobField::SetTransliterate).Default(true);
}

FANO_PUBLISHED(TAggregateField, p) {
  p.Property("Active", &TAggregateField::Active, &TAggregateField::SetActive).Default(false);
  p.Property("currency", &TAggregateField::currency, &TAggregateField::SetCurrency);
  p.Property("DisplayFormat", &TAggregateField::DisplayFormat, &TAggregateField::SetDisplayFormat);
  p.Property("Expression", &TAggregateField::Expression, &TAggregateField::SetExpression);
  p.Property("Precision", &TAggregateField::Precision, &TAggregateField::SetPrecision);
  p.Property("ResultType", &TAggregateField::ResultType, &TAggregateField::SetResultType);
}

FANO_REGISTER_CLASS(TStringField);

FANO_REGISTER_CLASS(TWideStringField);

FANO_REGISTER_CLASS(TGuidField);

FANO_REGISTER_CLASS(TIntegerField);

FANO_REGISTER_CLASS(TSmallintField);

FANO_REGISTER_CLASS(TWordField);

FANO_REGISTER_CLASS(TAutoIncField);

FANO_REGISTER_CLASS(TLargeintField);

FANO_REGISTER_CLASS(TFloatField);

FANO_REGISTER_CLASS(TCurrencyField);

FANO_REGISTER_CLASS(TBCDField);

FANO_REGISTER_CLASS(TFMTBCDField);

FANO_REGISTER_CLASS(TBooleanField);

FANO_REGISTER_CLASS(TDateTimeField);

FANO_REGISTER_CLASS(TDateField);

FANO_REGISTER_CLASS(TTimeField);

FANO_REGISTER_CLASS(TSQLTimeStampField);

FANO_REGISTER_CLASS(TBytesField);

FANO_REGISTER_CLASS(TVarBytesField);

FANO_REGISTER_CLASS(TBlobField);

FANO_REGISTER_CLASS(TMemoField);

FANO_REGISTER_CLASS(TWideMemoField);

FANO_REGISTER_CLASS(TGraphicField);

FANO_REGISTER_CLASS(TVariantField);

FANO_REGISTER_CLASS(TInterfaceField);

FANO_REGISTER_CLASS(TIDispatchField);

FANO_REGISTER_CLASS(TADTField);

FANO_REGISTER_CLASS(TArrayField);

FANO_REGISTER_CLASS(TDataSetField);

FANO_REGISTER_CLASS(TReferenceField);

FANO_REGISTER_CLASS(TAggregateField);


namespace {

std::string IntText(int64_t v) { return std::to_string(v); }

// Reads a text typed for `field` with `tryParse`; false for a blank text, an error naming the
// field for a text that does not parse.
template <class T, class F>
bool ParseFieldText(const TField* field, const std::string& text, F tryParse, const char* message, T& value) {
  std::string s = Trim(text);
  if (s.empty()) return false;
  if (!tryParse(s, value)) DatabaseErrorFmt(message, {text, field->DisplayName()}, field->DataSet());
  return true;
}

}  // namespace

// ============================================================ TField

TField::TField(TComponent* owner) : TComponent(owner) {}

TField::~TField() {
  if (TDataSet* ds = dataSet_) {
    (fieldKind_ == fkAggregate ? ds->aggFields_ : ds->fields_).Remove(this);
    // An open dataset cannot keep buffers of a column that is gone: it closes.
    if (ds->Active() && !ds->InState(csDestroying)) {
      try {
        ds->Close();
      } catch (...) {
        // A handler refusing the close cannot keep the field alive.
      }
    }
  }
  SetLookupDataSet(nullptr);
}

void TField::CheckInactive() const {
  if (dataSet_) dataSet_->CheckInactive();
}

void TField::SetDataSet(TDataSet* dataSet) {
  if (dataSet == dataSet_) return;
  CheckInactive();
  if (dataSet) {
    dataSet->CheckInactive();
    TFields& target = fieldKind_ == fkAggregate ? dataSet->aggFields_ : dataSet->fields_;
    target.CheckFieldName(fieldName_);
  }
  if (dataSet_) (fieldKind_ == fkAggregate ? dataSet_->aggFields_ : dataSet_->fields_).Remove(this);
  dataSet_ = nullptr;
  if (dataSet) (fieldKind_ == fkAggregate ? dataSet->aggFields_ : dataSet->fields_).Add(this);
}

void TField::SetFieldName(const std::string& name) {
  if (name == fieldName_) return;
  if (dataSet_) {
    CheckInactive();
    TFields& list = fieldKind_ == fkAggregate ? dataSet_->aggFields_ : dataSet_->fields_;
    if (!SameText(name, fieldName_)) {
      list.CheckFieldName(name);
    } else if (name.empty()) {
      DatabaseError(SFieldNameMissing, dataSet_);
    }
  }
  const std::string old = std::move(fieldName_);
  fieldName_ = name;
  if (dataSet_) (fieldKind_ == fkAggregate ? dataSet_->aggFields_ : dataSet_->fields_).FieldRenamed(this, old);
  PropertyChanged(true);
}

int TField::Index() const { return dataSet_ ? (fieldKind_ == fkAggregate ? dataSet_->aggFields_ : dataSet_->fields_).IndexOf(this) : -1; }

void TField::SetIndex(int index) {
  if (!dataSet_) return;
  (fieldKind_ == fkAggregate ? dataSet_->aggFields_ : dataSet_->fields_).SetFieldIndex(this, index);
}

void TField::SetFieldKind(TFieldKind kind) {
  if (kind == fieldKind_) return;
  if (dataSet_) {
    CheckInactive();
    if ((kind == fkAggregate) != (fieldKind_ == fkAggregate)) DatabaseError(SInvalidFieldKind, dataSet_);
  }
  fieldKind_ = kind;
}

void TField::SetCalculated(bool value) {
  if (value)
    SetFieldKind(fkCalculated);
  else if (fieldKind_ == fkCalculated)
    SetFieldKind(fkData);
}

void TField::SetLookup(bool value) {
  if (value)
    SetFieldKind(fkLookup);
  else if (fieldKind_ == fkLookup)
    SetFieldKind(fkData);
}

void TField::CheckTypeSize(int size) const {
  if (size != 0) DatabaseError(SInvalidFieldSize, dataSet_);
}

void TField::SetSize(int size) {
  CheckInactive();
  CheckTypeSize(size);
  size_ = size;
}

void TField::PropertyChanged(bool layoutAffected) {
  if (dataSet_ && dataSet_->Active()) dataSet_->DataEvent(layoutAffected ? deLayoutChange : deDataSetChange, 0);
}

void TField::SetDisplayLabel(const std::string& value) {
  std::string v = value == fieldName_ ? std::string() : value;
  if (v == displayLabel_) return;
  displayLabel_ = v;
  PropertyChanged(true);
}

void TField::SetDisplayWidth(int value) {
  if (value == displayWidth_) return;
  displayWidth_ = value;
  PropertyChanged(true);
}

void TField::SetAlignment(TAlignment value) {
  if (value == alignment_) return;
  alignment_ = value;
  PropertyChanged(false);
}

void TField::SetVisible(bool value) {
  if (value == visible_) return;
  visible_ = value;
  PropertyChanged(true);
}

void TField::SetEditMask(const std::string& value) {
  editMask_ = value;
  PropertyChanged(false);
}

void TField::SetReadOnly(bool value) {
  if (value == readOnly_) return;
  readOnly_ = value;
  PropertyChanged(true);
}

bool TField::GetCanModify() const {
  if (readOnly_ || !dataSet_) return false;
  switch (fieldKind_) {
    case fkData:
    case fkInternalCalc:
      if (fieldNo_ <= 0 && fieldKind_ == fkData) return false;
      return dataSet_->State() == dsSetKey || dataSet_->CanModify();
    case fkLookup: {
      if (!dataSet_->CanModify() || keyFields_.empty()) return false;
      for (const std::string& name : SplitFieldNames(keyFields_)) {
        TField* key = dataSet_->FindField(name);
        if (!key || !key->CanModify()) return false;
      }
      return true;
    }
    default:
      return false;
  }
}

bool TField::IsValidChar(char32_t ch) const {
  (void)ch;
  return true;
}

void TField::AccessError(const char* typeName) const {
  DatabaseErrorFmt(SFieldAccessError, {DisplayName(), typeName}, dataSet_);
}

void TField::RangeError(const std::string& value, const std::string& min, const std::string& max) const {
  DatabaseErrorFmt(SFieldRangeError, {value, DisplayName(), min, max}, dataSet_);
}

// ---- values ----

bool TField::GetData(Variant& value) const {
  if (validating_) {
    value = *validating_;
    return !VarIsNullOrEmpty(value);
  }
  if (!dataSet_) DatabaseErrorFmt(SDataSetMissing, {DisplayName()});
  if (fieldKind_ == fkAggregate) {
    value = dataSet_->GetAggregateValue(const_cast<TField*>(this));
  } else if (!dataSet_->GetFieldData(const_cast<TField*>(this), value)) {
    value = Null();
    return false;
  }
  if (VarIsNullOrEmpty(value)) {
    value = Null();
    return false;
  }
  return true;
}

void TField::SetData(const Variant& value) {
  if (!dataSet_) DatabaseErrorFmt(SDataSetMissing, {DisplayName()});
  TDataSetState st = dataSet_->State();
  if (readOnly_ && (st == dsEdit || st == dsInsert) && fieldKind_ != fkCalculated && fieldKind_ != fkLookup)
    DatabaseErrorFmt(SFieldReadOnly, {DisplayName()}, dataSet_);
  if (fieldKind_ == fkLookup && dsEditModes.Contains(st) && lookupDataSet_) {
    // Writing a lookup field writes the key fields of the matching lookup record.
    Variant keys = VarIsNullOrEmpty(value) ? Null() : lookupDataSet_->Lookup(lookupResultField_, value, lookupKeyFields_);
    dataSet_->SetFieldValues(keyFields_, keys);
    return;
  }
  dataSet_->SetFieldData(this, value);
}

void TField::SetData(Variant&& value) {
  // A writable field that is no lookup needs none of the checks above.
  if (dataSet_ && !readOnly_ && fieldKind_ != fkLookup)
    dataSet_->MoveFieldData(this, value);
  else
    SetData(static_cast<const Variant&>(value));
}

Variant TField::ReadValue() const {
  Variant v;
  GetData(v);
  return v;
}

bool TField::IsNull() const {
  Variant v;
  return !GetData(v);
}

void TField::Clear() { SetData(Null()); }

void TField::Validate(const Variant& value) {
  if (!onValidate_) return;
  const Variant* saved = validating_;
  validating_ = &value;
  // A handler may close the data set, which frees default fields, this one and its handler too.
  TFreeWatch watch(this);
  const auto handler = onValidate_;
  try {
    handler(this);
  } catch (...) {
    if (!watch.Gone()) validating_ = saved;
    throw;
  }
  if (!watch.Gone()) validating_ = saved;
}

void TField::Change() {
  if (onChange_) onChange_(this);
}

void TField::FocusControl() {
  if (!dataSet_) return;
  TField* field = this;
  dataSet_->DataEvent(deFocusControl, reinterpret_cast<NativeInt>(&field));
}

Variant TField::StateValue(TDataSetState state) const {
  if (!dataSet_) DatabaseErrorFmt(SDataSetMissing, {DisplayName()});
  TDataSetState saved = dataSet_->SetTempState(state);
  Variant v;
  try {
    v = GetAsVariant();
  } catch (...) {
    dataSet_->RestoreState(saved);
    throw;
  }
  dataSet_->RestoreState(saved);
  return v;
}

Variant TField::OldValue() const { return StateValue(dsOldValue); }
Variant TField::NewValue() const { return StateValue(dsNewValue); }
Variant TField::CurValue() const { return StateValue(dsCurValue); }

void TField::SetNewValue(const Variant& value) {
  if (!dataSet_) DatabaseErrorFmt(SDataSetMissing, {DisplayName()});
  TDataSetState saved = dataSet_->SetTempState(dsNewValue);
  try {
    SetAsVariant(value);
  } catch (...) {
    dataSet_->RestoreState(saved);
    throw;
  }
  dataSet_->RestoreState(saved);
}

Variant TField::GetAsVariant() const { return ReadValue(); }

void TField::SetAsVariant(const Variant& value) {
  if (VarIsNullOrEmpty(value)) {
    Clear();
    return;
  }
  SetData(value);
}

std::string TField::GetAsString() const { AccessError("String"); }
std::u16string TField::GetAsWideString() const { return Utf8ToUtf16(GetAsString()); }
int32_t TField::GetAsInteger() const { AccessError("Integer"); }
int64_t TField::GetAsLargeInt() const { AccessError("LargeInt"); }
double TField::GetAsFloat() const { AccessError("Float"); }
Currency TField::GetAsCurrency() const { return Currency::FromDouble(GetAsFloat()); }
bool TField::GetAsBoolean() const { AccessError("Boolean"); }
TDateTime TField::GetAsDateTime() const { AccessError("DateTime"); }

void TField::SetAsString(const std::string& value) {
  (void)value;
  AccessError("String");
}
void TField::SetAsWideString(const std::u16string& value) { SetAsString(Utf16ToUtf8(value)); }
void TField::SetAsInteger(int32_t value) {
  (void)value;
  AccessError("Integer");
}
void TField::SetAsLargeInt(int64_t value) {
  (void)value;
  AccessError("LargeInt");
}
void TField::SetAsFloat(double value) {
  (void)value;
  AccessError("Float");
}
void TField::SetAsCurrency(Currency value) { SetAsFloat(value.ToDouble()); }
void TField::SetAsBoolean(bool value) {
  (void)value;
  AccessError("Boolean");
}
void TField::SetAsDateTime(TDateTime value) {
  (void)value;
  AccessError("DateTime");
}

void TField::GetText(std::string& text, bool displayText) const {
  (void)displayText;
  text = IsNull() ? std::string() : GetAsString();
}

void TField::DoSetText(const std::string& text) { SetAsString(text); }

std::string TField::Text() const {
  std::string text;
  if (onGetText_)
    onGetText_(const_cast<TField*>(this), text, false);
  else
    GetText(text, false);
  return text;
}

std::string TField::DisplayText() const {
  std::string text;
  if (onGetText_)
    onGetText_(const_cast<TField*>(this), text, true);
  else
    GetText(text, true);
  return text;
}

void TField::SetText(const std::string& text) {
  if (onSetText_)
    onSetText_(this, text);
  else
    DoSetText(text);
}

void TField::Assign(TPersistent* source) {
  if (!source) {
    Clear();
    return;
  }
  if (auto* f = dynamic_cast<TField*>(source)) {
    SetValue(f->Value());
    return;
  }
  TComponent::Assign(source);
}

void TField::AssignProperties(const TField& source) {
  alignment_ = source.alignment_;
  defaultExpression_ = source.defaultExpression_;
  displayLabel_ = source.displayLabel_;
  displayWidth_ = source.displayWidth_;
  editMask_ = source.editMask_;
  readOnly_ = source.readOnly_;
  required_ = source.required_;
  visible_ = source.visible_;
  isKey_ = source.isKey_;
  isJoin_ = source.isJoin_;
  notNull_ = source.notNull_;
  origin_ = source.origin_;
  providerFlags_ = source.providerFlags_;
  autoGenerateValue_ = source.autoGenerateValue_;
  keyFields_ = source.keyFields_;
  lookupKeyFields_ = source.lookupKeyFields_;
  lookupResultField_ = source.lookupResultField_;
  lookupCache_ = source.lookupCache_;
  SetLookupDataSet(source.lookupDataSet_);
}

// ---- lookup ----

void TField::SetKeyFields(const std::string& value) {
  CheckInactive();
  keyFields_ = value;
  RefreshLookupList();
}

void TField::SetLookupDataSet(TDataSet* value) {
  if (value == lookupDataSet_) return;
  if (value && value == dataSet_) DatabaseError(SCircularDataLink, dataSet_);
  if (lookupDataSet_) lookupDataSet_->RemoveFreeNotification(this);
  lookupDataSet_ = value;
  if (lookupDataSet_) lookupDataSet_->FreeNotification(this);
  RefreshLookupList();
}

void TField::SetLookupKeyFields(const std::string& value) {
  CheckInactive();
  lookupKeyFields_ = value;
  RefreshLookupList();
}

void TField::SetLookupResultField(const std::string& value) {
  CheckInactive();
  lookupResultField_ = value;
  RefreshLookupList();
}

void TField::SetLookupCache(bool value) {
  lookupCache_ = value;
  RefreshLookupList();
}

void TField::RefreshLookupList() { lookupList_.clear(); }

void TField::CalcLookupValue() {
  Variant value = Null();
  if (lookupDataSet_ && lookupDataSet_->Active() && !keyFields_.empty()) {
    Variant key = dataSet_->FieldValues(keyFields_);
    bool anyNull = VarIsNullOrEmpty(key);
    if (key.IsArray())
      for (int i = key.ArrayLowBound(); i <= key.ArrayHighBound(); ++i)
        anyNull = anyNull || VarIsNullOrEmpty(key.GetElement(i));
    if (!anyNull) {
      if (lookupCache_) {
        std::string cacheKey;
        if (key.IsArray()) {
          for (int i = key.ArrayLowBound(); i <= key.ArrayHighBound(); ++i)
            cacheKey += VarToStr(key.GetElement(i)) + '\x1f';
        } else {
          cacheKey = VarToStr(key);
        }
        auto it = lookupList_.find(cacheKey);
        if (it == lookupList_.end())
          it = lookupList_.emplace(cacheKey, lookupDataSet_->Lookup(lookupKeyFields_, key, lookupResultField_)).first;
        value = it->second;
      } else {
        value = lookupDataSet_->Lookup(lookupKeyFields_, key, lookupResultField_);
      }
    }
  }
  SetData(VarIsNullOrEmpty(value) ? Null() : value);
}

void TField::Bind(bool binding) {
  if (!binding) {
    fieldNo_ = 0;
    return;
  }
  if (fieldKind_ == fkLookup) {
    if (!lookupDataSet_ || keyFields_.empty() || lookupKeyFields_.empty() || lookupResultField_.empty())
      DatabaseErrorFmt(SLookupInfoError, {DisplayName()}, dataSet_);
    if (lookupDataSet_ == dataSet_) DatabaseError(SCircularDataLink, dataSet_);
    dataSet_->fields_.CheckFieldNames(keyFields_);
    lookupDataSet_->Open();
    lookupDataSet_->fields_.CheckFieldNames(lookupKeyFields_);
    lookupDataSet_->FieldByName(lookupResultField_);
    fieldNo_ = -1;
    return;
  }
  if (fieldKind_ == fkCalculated) {
    fieldNo_ = -1;
    return;
  }
  TFieldDefs& defs = dataSet_->FieldDefs();
  int i = defs.IndexOf(fieldName_);
  if (i < 0) {
    if (fieldKind_ == fkInternalCalc) {
      fieldNo_ = -1;
      return;
    }
    DatabaseErrorFmt(SFieldNotFound, {DisplayName()}, dataSet_);
  }
  TFieldDef* def = defs.Items(i);
  TFieldType t = def->DataType();
  bool compatible = t == dataType_ ||
                    ((t == ftString || t == ftFixedChar) && (dataType_ == ftString || dataType_ == ftFixedChar)) ||
                    ((t == ftWideString || t == ftFixedWideChar) &&
                     (dataType_ == ftWideString || dataType_ == ftFixedWideChar)) ||
                    (t == ftAutoInc && dataType_ == ftInteger) || (t == ftInteger && dataType_ == ftAutoInc) ||
                    (IsBlobType(t) && IsBlobType(dataType_)) ||
                    (t == ftOraTimeStamp && dataType_ == ftTimeStamp) ||
                    (t == ftOraInterval && dataType_ == ftString);
  if (!compatible)
    DatabaseErrorFmt(SFieldTypeMismatch, {DisplayName(), FieldTypeName(dataType_), FieldTypeName(t)}, dataSet_);
  if ((dataType_ == ftString || dataType_ == ftFixedChar || dataType_ == ftWideString ||
       dataType_ == ftFixedWideChar || dataType_ == ftBytes || dataType_ == ftVarBytes) &&
      def->Size() != size_)
    DatabaseErrorFmt(SFieldSizeMismatch, {DisplayName(), IntText(size_), IntText(def->Size())}, dataSet_);
  fieldNo_ = def->FieldNo();
}

TComponent* TField::GetParentComponent() const { return dataSet_; }

void TField::SetParentComponent(TComponent* parent) {
  auto* ds = dynamic_cast<TDataSet*>(parent);
  if (InState(csLoading))
    pendingDataSet_ = ds;
  else
    SetDataSet(ds);
}

void TField::ReadState(TReader& reader) {
  TComponent::ReadState(reader);
  if (pendingDataSet_) {
    TDataSet* ds = pendingDataSet_;
    pendingDataSet_ = nullptr;
    SetDataSet(ds);
  }
}

void TField::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == lookupDataSet_) {
    lookupDataSet_ = nullptr;
    lookupList_.clear();
  }
}

// ============================================================ TStringField

TStringField::TStringField(TComponent* owner) : TField(owner) {
  SetDataType(ftString);
  SetSize(20);
}

void TStringField::CheckTypeSize(int size) const {
  if (size < 0 || size > 0x7FFF) DatabaseError(SInvalidFieldSize, DataSet());
}

void TStringField::SetFixedChar(bool value) {
  fixedChar_ = value;
  if (DataType() == ftString || DataType() == ftFixedChar) SetDataType(value ? ftFixedChar : ftString);
}

std::string TStringField::Fit(const std::string& value) const {
  if (Size() <= 0) return value;
  return Cp936Truncate(value, static_cast<size_t>(Size()));
}

Variant TStringField::GetAsVariant() const { return ReadValue(); }

std::string TStringField::GetAsString() const {
  Variant v;
  if (!GetData(v)) return {};
  std::string s = VarToStr(v);
  if (fixedChar_) s = TrimRight(s);
  return s;
}

int32_t TStringField::GetAsInteger() const {
  int32_t v = 0;
  ParseFieldText(this, GetAsString(), [](const std::string& t, int32_t& r) { return TryStrToInt(t, r); }, SInvalidIntegerValue, v);
  return v;
}

int64_t TStringField::GetAsLargeInt() const {
  int64_t v = 0;
  ParseFieldText(this, GetAsString(), [](const std::string& t, int64_t& r) { return TryStrToInt64(t, r); }, SInvalidIntegerValue, v);
  return v;
}

double TStringField::GetAsFloat() const {
  double v = 0;
  ParseFieldText(this, GetAsString(), [](const std::string& t, double& r) { return TryStrToFloat(t, r); }, SInvalidFloatValue, v);
  return v;
}

Currency TStringField::GetAsCurrency() const {
  Currency v;
  ParseFieldText(this, GetAsString(), [](const std::string& t, Currency& r) { return TryStrToCurr(t, r); }, SInvalidFloatValue, v);
  return v;
}

bool TStringField::GetAsBoolean() const {
  std::string s = GetAsString();
  return !s.empty() && (s[0] == 'T' || s[0] == 't' || s[0] == 'Y' || s[0] == 'y');
}

TDateTime TStringField::GetAsDateTime() const {
  TDateTime v = 0;
  ParseFieldText(this, GetAsString(), [](const std::string& t, TDateTime& r) { return TryStrToDateTime(t, r); }, SInvalidDateValue, v);
  return v;
}

Variant TStringField::FittedValue(const std::string& value) const {
  // The fitting part goes straight into the value: no truncated copy first.
  if (Size() <= 0) return Variant(value);
  return Variant(std::string_view(value).substr(0, Cp936PrefixLength(value, static_cast<size_t>(Size()))));
}

void TStringField::SetAsString(const std::string& value) { SetData(FittedValue(value)); }
void TStringField::SetAsInteger(int32_t value) { SetAsString(IntToStr(value)); }
void TStringField::SetAsLargeInt(int64_t value) { SetAsString(IntToStr(value)); }
void TStringField::SetAsFloat(double value) { SetAsString(FloatToStr(value)); }
void TStringField::SetAsCurrency(Currency value) { SetAsString(CurrToStr(value)); }
void TStringField::SetAsBoolean(bool value) { SetAsString(value ? "T" : "F"); }
void TStringField::SetAsDateTime(TDateTime value) { SetAsString(DateTimeToStr(value)); }

void TStringField::SetAsVariant(const Variant& value) {
  if (VarIsNullOrEmpty(value) || FieldKind() == fkLookup) {
    TField::SetAsVariant(value);
    return;
  }
  SetAsString(VarToStr(value));
}

// ============================================================ TWideStringField

TWideStringField::TWideStringField(TComponent* owner) : TStringField(owner) { SetDataType(ftWideString); }

std::string TWideStringField::Fit(const std::string& value) const {
  if (Size() <= 0) return value;
  std::u16string w = Utf8ToUtf16(value);
  if (w.size() <= static_cast<size_t>(Size())) return value;
  size_t n = static_cast<size_t>(Size());
  // Never leave half of a surrogate pair.
  if (n > 0 && w[n - 1] >= 0xD800 && w[n - 1] <= 0xDBFF) --n;
  return Utf16ToUtf8(std::u16string_view(w).substr(0, n));
}

Variant TWideStringField::GetAsVariant() const {
  Variant v;
  if (!GetData(v)) return Null();
  return Variant(std::u16string_view(VarToWideStr(v)));
}

std::u16string TWideStringField::GetAsWideString() const {
  Variant v;
  if (!GetData(v)) return {};
  return VarToWideStr(v);
}

void TWideStringField::SetAsWideString(const std::u16string& value) {
  SetData(Variant(std::u16string_view(Utf8ToUtf16(Fit(Utf16ToUtf8(value))))));
}

void TWideStringField::SetAsVariant(const Variant& value) {
  if (VarIsNullOrEmpty(value) || FieldKind() == fkLookup) {
    TField::SetAsVariant(value);
    return;
  }
  SetAsWideString(VarToWideStr(value));
}

// ============================================================ TGuidField

TGuidField::TGuidField(TComponent* owner) : TStringField(owner) {
  SetDataType(ftGuid);
  SetSize(38);
}

void TGuidField::CheckTypeSize(int size) const {
  if (size != 38) DatabaseError(SInvalidFieldSize, DataSet());
}

void TGuidField::SetAsString(const std::string& value) {
  if (value.empty()) {
    Clear();
    return;
  }
  bool ok = value.size() == 38 && value[0] == '{' && value[37] == '}';
  for (size_t i = 1; ok && i < 37; ++i) {
    char c = value[i];
    if (i == 9 || i == 14 || i == 19 || i == 24)
      ok = c == '-';
    else
      ok = std::isxdigit(static_cast<unsigned char>(c)) != 0;
  }
  if (!ok) DatabaseErrorFmt(SInvalidGuidValue, {value, DisplayName()}, DataSet());
  TStringField::SetAsString(value);
}

// ============================================================ numbers

TNumericField::TNumericField(TComponent* owner) : TField(owner) { SetAlignment(taRightJustify); }

void TNumericField::SetDisplayFormat(const std::string& value) {
  displayFormat_ = value;
  PropertyChanged(false);
}

void TNumericField::SetEditFormat(const std::string& value) {
  editFormat_ = value;
  PropertyChanged(false);
}

bool TNumericField::IsValidChar(char32_t ch) const {
  return (ch >= '0' && ch <= '9') || ch == '+' || ch == '-';
}

bool TFloatField::IsValidChar(char32_t ch) const {
  return TNumericField::IsValidChar(ch) || ch == static_cast<unsigned char>(FormatSettings.DecimalSeparator) ||
         ch == 'E' || ch == 'e';
}

bool TBCDField::IsValidChar(char32_t ch) const {
  return TNumericField::IsValidChar(ch) || ch == static_cast<unsigned char>(FormatSettings.DecimalSeparator);
}

// -- integer

TIntegerField::TIntegerField(TComponent* owner) : TNumericField(owner) { SetDataType(ftInteger); }

bool TIntegerField::ReadInt(int32_t& value) const {
  Variant v;
  if (!GetData(v)) return false;
  value = v.AsInteger();
  return true;
}

Variant TIntegerField::GetAsVariant() const {
  int32_t v;
  return ReadInt(v) ? MakeVariant(v) : Null();
}
int32_t TIntegerField::GetAsInteger() const {
  int32_t v = 0;
  ReadInt(v);
  return v;
}
int64_t TIntegerField::GetAsLargeInt() const { return GetAsInteger(); }
double TIntegerField::GetAsFloat() const { return GetAsInteger(); }
Currency TIntegerField::GetAsCurrency() const { return Currency::FromInt(GetAsInteger()); }
std::string TIntegerField::GetAsString() const {
  int32_t v;
  return ReadInt(v) ? IntToStr(v) : std::string();
}

void TIntegerField::GetText(std::string& text, bool displayText) const {
  int32_t v;
  if (!ReadInt(v)) {
    text.clear();
    return;
  }
  const std::string& fmt = displayText || EditFormat().empty() ? DisplayFormat() : EditFormat();
  text = fmt.empty() ? IntToStr(v) : FormatFloat(fmt, v);
}

void TIntegerField::SetAsLargeInt(int64_t value) {
  int64_t lo = minValue_ != 0 || maxValue_ != 0 ? minValue_ : TypeMin();
  int64_t hi = minValue_ != 0 || maxValue_ != 0 ? maxValue_ : TypeMax();
  if (value < lo || value > hi) RangeError(IntText(value), IntText(lo), IntText(hi));
  SetData(MakeVariant(static_cast<int32_t>(value)));
}

void TIntegerField::SetAsInteger(int32_t value) { SetAsLargeInt(value); }

void TIntegerField::SetAsFloat(double value) {
  if (!std::isfinite(value) || value < -9.2e18 || value > 9.2e18)
    RangeError(FloatToStr(value), IntText(TypeMin()), IntText(TypeMax()));
  SetAsLargeInt(Round(value));
}

void TIntegerField::SetAsCurrency(Currency value) { SetAsFloat(value.ToDouble()); }

void TIntegerField::SetAsString(const std::string& value) {
  int64_t v{};
  if (ParseFieldText(this, value, [](const std::string& t, int64_t& r) { return TryStrToInt64(t, r); }, SInvalidIntegerValue, v))
    SetAsLargeInt(v);
  else
    Clear();
}

void TIntegerField::SetAsVariant(const Variant& value) {
  if (VarIsNullOrEmpty(value) || FieldKind() == fkLookup) {
    TField::SetAsVariant(value);
  } else if (value.IsStr()) {
    SetAsString(value.AsString());
  } else if (value.IsFloat() || value.IsDate()) {
    SetAsFloat(value.AsDouble());
  } else {
    SetAsLargeInt(value.AsInt64());
  }
}

TSmallintField::TSmallintField(TComponent* owner) : TIntegerField(owner) { SetDataType(ftSmallint); }
TWordField::TWordField(TComponent* owner) : TIntegerField(owner) { SetDataType(ftWord); }
TAutoIncField::TAutoIncField(TComponent* owner) : TIntegerField(owner) {
  SetDataType(ftAutoInc);
  SetAutoGenerateValue(arAutoInc);
}

// -- large integer

TLargeintField::TLargeintField(TComponent* owner) : TNumericField(owner) { SetDataType(ftLargeint); }

bool TLargeintField::ReadInt(int64_t& value) const {
  Variant v;
  if (!GetData(v)) return false;
  value = v.AsInt64();
  return true;
}

Variant TLargeintField::GetAsVariant() const {
  int64_t v;
  return ReadInt(v) ? Variant::FromInt64(v) : Null();
}
int64_t TLargeintField::GetAsLargeInt() const {
  int64_t v = 0;
  ReadInt(v);
  return v;
}
int32_t TLargeintField::GetAsInteger() const {
  int64_t v = GetAsLargeInt();
  if (v < INT32_MIN || v > INT32_MAX) RangeError(IntText(v), IntText(INT32_MIN), IntText(INT32_MAX));
  return static_cast<int32_t>(v);
}
double TLargeintField::GetAsFloat() const { return static_cast<double>(GetAsLargeInt()); }
Currency TLargeintField::GetAsCurrency() const { return Currency::FromDouble(GetAsFloat()); }
std::string TLargeintField::GetAsString() const {
  int64_t v;
  return ReadInt(v) ? IntToStr(v) : std::string();
}

void TLargeintField::GetText(std::string& text, bool displayText) const {
  int64_t v;
  if (!ReadInt(v)) {
    text.clear();
    return;
  }
  const std::string& fmt = displayText || EditFormat().empty() ? DisplayFormat() : EditFormat();
  text = fmt.empty() ? IntToStr(v) : FormatFloat(fmt, static_cast<double>(v));
}

void TLargeintField::SetAsLargeInt(int64_t value) {
  if ((minValue_ != 0 || maxValue_ != 0) && (value < minValue_ || value > maxValue_))
    RangeError(IntText(value), IntText(minValue_), IntText(maxValue_));
  SetData(Variant::FromInt64(value));
}

void TLargeintField::SetAsFloat(double value) {
  if (!std::isfinite(value) || value < -9.2e18 || value > 9.2e18)
    RangeError(FloatToStr(value), IntText(INT64_MIN), IntText(INT64_MAX));
  SetAsLargeInt(Round(value));
}

void TLargeintField::SetAsCurrency(Currency value) { SetAsFloat(value.ToDouble()); }

void TLargeintField::SetAsString(const std::string& value) {
  int64_t v{};
  if (ParseFieldText(this, value, [](const std::string& t, int64_t& r) { return TryStrToInt64(t, r); }, SInvalidIntegerValue, v))
    SetAsLargeInt(v);
  else
    Clear();
}

void TLargeintField::SetAsVariant(const Variant& value) {
  if (VarIsNullOrEmpty(value) || FieldKind() == fkLookup)
    TField::SetAsVariant(value);
  else if (value.IsStr())
    SetAsString(value.AsString());
  else if (value.IsFloat() || value.IsDate())
    SetAsFloat(value.AsDouble());
  else
    SetAsLargeInt(value.AsInt64());
}

// -- float

TFloatField::TFloatField(TComponent* owner) : TNumericField(owner) { SetDataType(ftFloat); }

void TFloatField::SetCurrency(bool value) {
  currency_ = value;
  PropertyChanged(false);
}

void TFloatField::SetPrecision(int value) {
  if (value < 2) value = 2;
  if (value > 15) value = 15;
  precision_ = value;
  PropertyChanged(false);
}

Variant TFloatField::GetAsVariant() const {
  Variant v;
  return GetData(v) ? Variant(v.AsDouble()) : Null();
}
double TFloatField::GetAsFloat() const {
  Variant v;
  return GetData(v) ? v.AsDouble() : 0.0;
}
int32_t TFloatField::GetAsInteger() const {
  double d = GetAsFloat();
  if (d < INT32_MIN || d > INT32_MAX) RangeError(FloatToStr(d), IntText(INT32_MIN), IntText(INT32_MAX));
  return static_cast<int32_t>(Round(d));
}
int64_t TFloatField::GetAsLargeInt() const {
  double d = GetAsFloat();
  if (d < -9.2e18 || d > 9.2e18) RangeError(FloatToStr(d), IntText(INT64_MIN), IntText(INT64_MAX));
  return Round(d);
}
Currency TFloatField::GetAsCurrency() const { return Currency::FromDouble(GetAsFloat()); }
std::string TFloatField::GetAsString() const {
  Variant v;
  return GetData(v) ? FloatToStr(v.AsDouble()) : std::string();
}

void TFloatField::GetText(std::string& text, bool displayText) const {
  Variant v;
  if (!GetData(v)) {
    text.clear();
    return;
  }
  double d = v.AsDouble();
  const std::string& fmt = displayText || EditFormat().empty() ? DisplayFormat() : EditFormat();
  if (!fmt.empty()) {
    text = FormatFloat(fmt, d);
  } else if (currency_) {
    text = displayText ? FloatToStrF(d, ffCurrency, precision_, FormatSettings.CurrencyDecimals)
                       : FloatToStrF(d, ffFixed, precision_, FormatSettings.CurrencyDecimals);
  } else {
    text = FloatToStrF(d, ffGeneral, precision_, 0);
  }
}

void TFloatField::SetAsFloat(double value) {
  if (!std::isfinite(value)) DatabaseErrorFmt(SInvalidFloatValue, {FloatToStr(value), DisplayName()}, DataSet());
  if ((minValue_ != 0 || maxValue_ != 0) && (value < minValue_ || value > maxValue_))
    RangeError(FloatToStr(value), FloatToStr(minValue_), FloatToStr(maxValue_));
  SetData(Variant(value));
}

void TFloatField::SetAsString(const std::string& value) {
  double v{};
  if (ParseFieldText(this, value, [](const std::string& t, double& r) { return TryStrToFloat(t, r); }, SInvalidFloatValue, v))
    SetAsFloat(v);
  else
    Clear();
}

void TFloatField::SetAsVariant(const Variant& value) {
  if (VarIsNullOrEmpty(value) || FieldKind() == fkLookup)
    TField::SetAsVariant(value);
  else if (value.IsStr())
    SetAsString(value.AsString());
  else
    SetAsFloat(value.AsDouble());
}

TCurrencyField::TCurrencyField(TComponent* owner) : TFloatField(owner) {
  SetDataType(ftCurrency);
  SetCurrency(true);
}

// -- BCD

TBCDField::TBCDField(TComponent* owner) : TNumericField(owner) {
  SetDataType(ftBCD);
  SetSize(4);
}

void TBCDField::CheckTypeSize(int size) const {
  if (size < 0 || size > 4) DatabaseError(SInvalidFieldSize, DataSet());
}

void TBCDField::SetCurrency(bool value) {
  currency_ = value;
  PropertyChanged(false);
}

void TBCDField::SetPrecision(int value) {
  if (value < 0) value = 0;
  if (value > 32) value = 32;
  precision_ = value;
  PropertyChanged(false);
}

Variant TBCDField::GetAsVariant() const {
  Variant v;
  return GetData(v) ? Variant(v.AsCurrency()) : Null();
}
Currency TBCDField::GetAsCurrency() const {
  Variant v;
  return GetData(v) ? v.AsCurrency() : Currency();
}
double TBCDField::GetAsFloat() const { return GetAsCurrency().ToDouble(); }
int64_t TBCDField::GetAsLargeInt() const { return Round(GetAsFloat()); }
int32_t TBCDField::GetAsInteger() const {
  int64_t v = GetAsLargeInt();
  if (v < INT32_MIN || v > INT32_MAX) RangeError(IntText(v), IntText(INT32_MIN), IntText(INT32_MAX));
  return static_cast<int32_t>(v);
}
std::string TBCDField::GetAsString() const {
  Variant v;
  return GetData(v) ? CurrToStr(v.AsCurrency()) : std::string();
}

void TBCDField::GetText(std::string& text, bool displayText) const {
  Variant v;
  if (!GetData(v)) {
    text.clear();
    return;
  }
  Currency c = v.AsCurrency();
  const std::string& fmt = displayText || EditFormat().empty() ? DisplayFormat() : EditFormat();
  if (!fmt.empty())
    text = FormatCurr(fmt, c);
  else if (currency_)
    text = displayText ? CurrToStrF(c, ffCurrency, FormatSettings.CurrencyDecimals)
                       : CurrToStrF(c, ffFixed, FormatSettings.CurrencyDecimals);
  else
    text = CurrToStr(c);
}

void TBCDField::SetAsCurrency(Currency value) {
  if ((minValue_.Value != 0 || maxValue_.Value != 0) && (value < minValue_ || value > maxValue_))
    RangeError(CurrToStr(value), CurrToStr(minValue_), CurrToStr(maxValue_));
  if (precision_ > 0) {
    // Digits left of the point may not exceed precision - scale.
    int intDigits = precision_ - Size();
    if (intDigits < 18) {
      int64_t limit = 1;
      for (int i = 0; i < intDigits; ++i) limit *= 10;
      int64_t whole = value.Value / CurrencyScale;
      if (whole >= limit || whole <= -limit)
        RangeError(CurrToStr(value), "-" + IntText(limit), IntText(limit));
    }
  }
  SetData(Variant(value));
}

void TBCDField::SetAsLargeInt(int64_t value) {
  if (value > INT64_MAX / CurrencyScale || value < INT64_MIN / CurrencyScale)
    RangeError(IntText(value), CurrToStr(Currency::FromScaled(INT64_MIN)), CurrToStr(Currency::FromScaled(INT64_MAX)));
  SetAsCurrency(Currency::FromInt(value));
}

void TBCDField::SetAsFloat(double value) {
  if (!std::isfinite(value) || std::fabs(value) > 9.2e14)
    RangeError(FloatToStr(value), CurrToStr(Currency::FromScaled(INT64_MIN)), CurrToStr(Currency::FromScaled(INT64_MAX)));
  SetAsCurrency(Currency::FromDouble(value));
}

void TBCDField::SetAsString(const std::string& value) {
  Currency v{};
  if (ParseFieldText(this, value, [](const std::string& t, Currency& r) { return TryStrToCurr(t, r); }, SInvalidFloatValue, v))
    SetAsCurrency(v);
  else
    Clear();
}

void TBCDField::SetAsVariant(const Variant& value) {
  if (VarIsNullOrEmpty(value) || FieldKind() == fkLookup)
    TField::SetAsVariant(value);
  else if (value.IsStr())
    SetAsString(value.AsString());
  else if (value.VarType() == varCurrency)
    SetAsCurrency(value.AsCurrency());
  else if (value.IsFloat() || value.IsDate())
    SetAsFloat(value.AsDouble());
  else
    SetAsLargeInt(value.AsInt64());
}

TFMTBCDField::TFMTBCDField(TComponent* owner) : TBCDField(owner) {
  SetDataType(ftFMTBcd);
  SetSize(4);
}

void TFMTBCDField::CheckTypeSize(int size) const {
  if (size < 0 || size > 4) DatabaseError(SInvalidFieldSize, DataSet());
}

// ============================================================ Boolean

TBooleanField::TBooleanField(TComponent* owner) : TField(owner) { SetDataType(ftBoolean); }

void TBooleanField::SetDisplayValues(const std::string& value) {
  displayValues_ = value;
  size_t semi = value.find(';');
  if (value.empty()) {
    trueText_ = "True";
    falseText_ = "False";
  } else if (semi == std::string::npos) {
    trueText_ = value;
    falseText_.clear();
  } else {
    trueText_ = value.substr(0, semi);
    falseText_ = value.substr(semi + 1);
  }
  PropertyChanged(true);
}

int TBooleanField::DefaultDisplayWidth() const {
  return static_cast<int>(std::max<size_t>(Cp936Length(trueText_), Cp936Length(falseText_)));
}

Variant TBooleanField::GetAsVariant() const {
  Variant v;
  return GetData(v) ? Variant(v.AsBoolean()) : Null();
}
bool TBooleanField::GetAsBoolean() const {
  Variant v;
  return GetData(v) && v.AsBoolean();
}
int32_t TBooleanField::GetAsInteger() const { return GetAsBoolean() ? 1 : 0; }
std::string TBooleanField::GetAsString() const {
  Variant v;
  if (!GetData(v)) return {};
  return v.AsBoolean() ? trueText_ : falseText_;
}

void TBooleanField::SetAsBoolean(bool value) { SetData(Variant(value)); }

void TBooleanField::SetAsString(const std::string& value) {
  std::string s = Trim(value);
  if (s.empty()) {
    Clear();
    return;
  }
  // A beginning of either display text is enough (as typed in an editor).
  size_t typed = Utf8CharCount(s);
  auto starts = [&](const std::string& full) {
    return !full.empty() && typed <= Utf8CharCount(full) && AnsiSameText(s, Utf8Left(full, typed));
  };
  if (starts(falseText_))
    SetAsBoolean(false);
  else if (starts(trueText_))
    SetAsBoolean(true);
  else
    DatabaseErrorFmt(SInvalidBoolValue, {value, DisplayName()}, DataSet());
}

void TBooleanField::SetAsVariant(const Variant& value) {
  if (VarIsNullOrEmpty(value) || FieldKind() == fkLookup)
    TField::SetAsVariant(value);
  else if (value.IsStr())
    SetAsString(value.AsString());
  else
    SetAsBoolean(value.AsBoolean());
}

// ============================================================ date and time

TDateTimeField::TDateTimeField(TComponent* owner) : TField(owner) { SetDataType(ftDateTime); }

void TDateTimeField::SetDisplayFormat(const std::string& value) {
  displayFormat_ = value;
  PropertyChanged(false);
}

Variant TDateTimeField::GetAsVariant() const {
  Variant v;
  return GetData(v) ? Variant::FromDateTime(v.AsDateTime()) : Null();
}
TDateTime TDateTimeField::GetAsDateTime() const {
  Variant v;
  return GetData(v) ? v.AsDateTime() : 0.0;
}
double TDateTimeField::GetAsFloat() const { return GetAsDateTime(); }
std::string TDateTimeField::GetAsString() const {
  std::string text;
  GetText(text, false);
  return text;
}

std::string TDateTimeField::DefaultFormat() const { return "c"; }
std::string TDateField::DefaultFormat() const { return FormatSettings.ShortDateFormat; }
std::string TTimeField::DefaultFormat() const { return FormatSettings.LongTimeFormat; }

void TDateTimeField::GetText(std::string& text, bool displayText) const {
  Variant v;
  if (!GetData(v)) {
    text.clear();
    return;
  }
  const std::string& fmt = displayText && !displayFormat_.empty() ? displayFormat_ : DefaultFormat();
  text = FormatDateTime(fmt, v.AsDateTime());
}

TDateTime TDateTimeField::ParseText(const std::string& text) const {
  TDateTime dt = 0;
  if (!TryStrToDateTime(text, dt)) DatabaseErrorFmt(SInvalidDateValue, {text, DisplayName()}, DataSet());
  return dt;
}
TDateTime TDateField::ParseText(const std::string& text) const {
  TDateTime dt = 0;
  if (!TryStrToDate(text, dt) && !TryStrToDateTime(text, dt))
    DatabaseErrorFmt(SInvalidDateValue, {text, DisplayName()}, DataSet());
  return dt;
}
TDateTime TTimeField::ParseText(const std::string& text) const {
  TDateTime dt = 0;
  if (!TryStrToTime(text, dt)) DatabaseErrorFmt(SInvalidDateValue, {text, DisplayName()}, DataSet());
  return dt;
}

void TDateTimeField::SetAsDateTime(TDateTime value) {
  if (!std::isfinite(value)) DatabaseErrorFmt(SInvalidDateValue, {FloatToStr(value), DisplayName()}, DataSet());
  SetData(Variant::FromDateTime(value));
}

void TDateTimeField::SetAsString(const std::string& value) {
  std::string s = Trim(value);
  if (s.empty()) {
    Clear();
    return;
  }
  SetAsDateTime(ParseText(s));
}

void TDateTimeField::SetAsVariant(const Variant& value) {
  if (VarIsNullOrEmpty(value) || FieldKind() == fkLookup)
    TField::SetAsVariant(value);
  else if (value.IsStr())
    SetAsString(value.AsString());
  else
    SetAsDateTime(value.AsDateTime());
}

TDateField::TDateField(TComponent* owner) : TDateTimeField(owner) { SetDataType(ftDate); }
TTimeField::TTimeField(TComponent* owner) : TDateTimeField(owner) { SetDataType(ftTime); }
TSQLTimeStampField::TSQLTimeStampField(TComponent* owner) : TDateTimeField(owner) { SetDataType(ftTimeStamp); }

// ============================================================ binary

TBinaryField::TBinaryField(TComponent* owner) : TField(owner) {}

void TBinaryField::CheckTypeSize(int size) const {
  if (size < 0) DatabaseError(SInvalidFieldSize, DataSet());
}

std::vector<Byte> TBinaryField::AsBytes() const {
  Variant v;
  std::vector<Byte> out;
  if (!GetData(v)) return out;
  if (v.IsArray()) {
    for (int i = v.ArrayLowBound(); i <= v.ArrayHighBound(); ++i)
      out.push_back(static_cast<Byte>(v.GetElement(i).AsInteger()));
  } else {
    std::string s = VarToStr(v);
    out.assign(s.begin(), s.end());
  }
  return out;
}

void TBinaryField::SetAsBytes(const std::vector<Byte>& value) {
  size_t n = value.size();
  if (Size() > 0 && n > static_cast<size_t>(Size())) n = static_cast<size_t>(Size());
  if (n == 0) {
    Clear();
    return;
  }
  Variant arr = Variant::CreateArray(0, static_cast<int>(n) - 1, varByte);
  for (size_t i = 0; i < n; ++i) arr.SetElement(static_cast<int>(i), Variant::FromByte(value[i]));
  SetData(arr);
}

Variant TBinaryField::GetAsVariant() const { return ReadValue(); }

std::string TBinaryField::GetAsString() const {
  std::vector<Byte> b = AsBytes();
  return std::string(b.begin(), b.end());
}

void TBinaryField::GetText(std::string& text, bool displayText) const {
  (void)displayText;
  text = IsNull() ? std::string() : "(Bytes)";
}

void TBinaryField::SetAsString(const std::string& value) { SetAsBytes(std::vector<Byte>(value.begin(), value.end())); }

void TBinaryField::SetAsVariant(const Variant& value) {
  if (VarIsNullOrEmpty(value))
    TField::SetAsVariant(value);
  else if (value.IsArray()) {
    std::vector<Byte> b;
    for (int i = value.ArrayLowBound(); i <= value.ArrayHighBound(); ++i)
      b.push_back(static_cast<Byte>(value.GetElement(i).AsInteger()));
    SetAsBytes(b);
  } else {
    SetAsString(VarToStr(value));
  }
}

TBytesField::TBytesField(TComponent* owner) : TBinaryField(owner) {
  SetDataType(ftBytes);
  SetSize(16);
}
TVarBytesField::TVarBytesField(TComponent* owner) : TBinaryField(owner) {
  SetDataType(ftVarBytes);
  SetSize(16);
}

// ============================================================ blobs

TBlobField::TBlobField(TComponent* owner) : TField(owner) { SetDataType(ftBlob); }

void TBlobField::CheckTypeSize(int size) const {
  if (size < 0) DatabaseError(SInvalidFieldSize, DataSet());
}

void TBlobField::SetBlobType(TBlobType value) {
  if (IsBlobType(value)) SetDataType(value);
}

Variant TBlobField::GetAsVariant() const { return ReadValue(); }

std::string TBlobField::GetAsString() const {
  Variant v;
  return GetData(v) ? VarToStr(v) : std::string();
}

int TBlobField::BlobSize() const { return static_cast<int>(GetAsString().size()); }

void TBlobField::SetAsString(const std::string& value) {
  if (value.empty())
    Clear();
  else
    SetData(Variant(value));
  modified_ = true;
}

void TBlobField::SetAsVariant(const Variant& value) {
  if (VarIsNullOrEmpty(value))
    Clear();
  else
    SetAsString(VarToStr(value));
}

void TBlobField::Clear() {
  TField::Clear();
  modified_ = true;
}

void TBlobField::LoadFromStream(TStream& stream) {
  stream.SetPosition(0);
  SetAsString(stream.ReadString(stream.Size()));
}

void TBlobField::SaveToStream(TStream& stream) const { stream.WriteString(GetAsString()); }

void TBlobField::GetText(std::string& text, bool displayText) const {
  (void)displayText;
  std::string d = "(";
  d += ClassDescription();
  d += ")";
  text = IsNull() ? d : UpperCase(d);
}

TMemoField::TMemoField(TComponent* owner) : TBlobField(owner) { SetDataType(ftMemo); }
TGraphicField::TGraphicField(TComponent* owner) : TBlobField(owner) { SetDataType(ftGraphic); }
TWideMemoField::TWideMemoField(TComponent* owner) : TBlobField(owner) { SetDataType(ftWideMemo); }

Variant TWideMemoField::GetAsVariant() const {
  Variant v;
  if (!GetData(v)) return Null();
  return Variant(std::u16string_view(VarToWideStr(v)));
}
std::u16string TWideMemoField::GetAsWideString() const {
  Variant v;
  return GetData(v) ? VarToWideStr(v) : std::u16string();
}
void TWideMemoField::SetAsWideString(const std::u16string& value) {
  if (value.empty())
    Clear();
  else
    SetData(Variant(std::u16string_view(value)));
  SetModified(true);
}
void TWideMemoField::SetAsVariant(const Variant& value) {
  if (VarIsNullOrEmpty(value))
    Clear();
  else
    SetAsWideString(VarToWideStr(value));
}

// ============================================================ variants and interfaces

TVariantField::TVariantField(TComponent* owner) : TField(owner) { SetDataType(ftVariant); }

Variant TVariantField::GetAsVariant() const { return ReadValue(); }
std::string TVariantField::GetAsString() const { return VarToStr(ReadValue()); }
int32_t TVariantField::GetAsInteger() const {
  Variant v = ReadValue();
  return v.IsNull() ? 0 : v.AsInteger();
}
int64_t TVariantField::GetAsLargeInt() const {
  Variant v = ReadValue();
  return v.IsNull() ? 0 : v.AsInt64();
}
double TVariantField::GetAsFloat() const {
  Variant v = ReadValue();
  return v.IsNull() ? 0 : v.AsDouble();
}
Currency TVariantField::GetAsCurrency() const {
  Variant v = ReadValue();
  return v.IsNull() ? Currency() : v.AsCurrency();
}
bool TVariantField::GetAsBoolean() const {
  Variant v = ReadValue();
  return !v.IsNull() && v.AsBoolean();
}
TDateTime TVariantField::GetAsDateTime() const {
  Variant v = ReadValue();
  return v.IsNull() ? 0 : v.AsDateTime();
}
void TVariantField::SetAsVariant(const Variant& value) {
  if (VarIsNullOrEmpty(value))
    Clear();
  else
    SetData(value);
}

TInterfaceField::TInterfaceField(TComponent* owner) : TField(owner) { SetDataType(ftInterface); }

Variant TInterfaceField::GetAsVariant() const { return ReadValue(); }
void* TInterfaceField::AsPointer() const {
  Variant v;
  return GetData(v) ? v.AsPointer() : nullptr;
}
void TInterfaceField::SetAsPointer(void* value) {
  if (!value)
    Clear();
  else
    SetData(Variant::FromPointer(value));
}
void TInterfaceField::SetAsVariant(const Variant& value) {
  if (VarIsNullOrEmpty(value))
    Clear();
  else
    SetAsPointer(value.AsPointer());
}

TIDispatchField::TIDispatchField(TComponent* owner) : TInterfaceField(owner) { SetDataType(ftIDispatch); }

TObjectField::TObjectField(TComponent* owner) : TVariantField(owner) {}
TADTField::TADTField(TComponent* owner) : TObjectField(owner) { SetDataType(ftADT); }
TArrayField::TArrayField(TComponent* owner) : TObjectField(owner) { SetDataType(ftArray); }
TDataSetField::TDataSetField(TComponent* owner) : TObjectField(owner) { SetDataType(ftDataSet); }
TReferenceField::TReferenceField(TComponent* owner) : TObjectField(owner) { SetDataType(ftReference); }

// ============================================================ aggregates

TAggregateField::TAggregateField(TComponent* owner) : TField(owner) {
  SetFieldKind(fkAggregate);
  SetVisible(false);
}

void TAggregateField::Reset() {
  if (DataSet()) DataSet()->ResetAggField(this);
}

void TAggregateField::SetExpression(const std::string& value) {
  if (value == expression_) return;
  expression_ = value;
  Reset();
}

void TAggregateField::SetActive(bool value) {
  if (value == active_) return;
  active_ = value;
  Reset();
}

void TAggregateField::SetDisplayFormat(const std::string& value) {
  displayFormat_ = value;
  PropertyChanged(false);
}

void TAggregateField::SetCurrency(bool value) {
  currency_ = value;
  PropertyChanged(false);
}

Variant TAggregateField::GetAsVariant() const { return DataSet() ? ReadValue() : Null(); }

std::string TAggregateField::GetAsString() const { return VarToStr(GetAsVariant()); }
double TAggregateField::GetAsFloat() const {
  Variant v = GetAsVariant();
  return v.IsNull() ? 0 : v.AsDouble();
}
int32_t TAggregateField::GetAsInteger() const {
  Variant v = GetAsVariant();
  return v.IsNull() ? 0 : v.AsInteger();
}
Currency TAggregateField::GetAsCurrency() const {
  Variant v = GetAsVariant();
  return v.IsNull() ? Currency() : v.AsCurrency();
}
TDateTime TAggregateField::GetAsDateTime() const {
  Variant v = GetAsVariant();
  return v.IsNull() ? 0 : v.AsDateTime();
}

void TAggregateField::GetText(std::string& text, bool displayText) const {
  Variant v = GetAsVariant();
  if (v.IsNull()) {
    text.clear();
    return;
  }
  switch (resultType_) {
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftFMTBcd:
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftLargeint:
    case ftAutoInc: {
      double d = v.AsDouble();
      if (!displayFormat_.empty() && displayText)
        text = FormatFloat(displayFormat_, d);
      else if (currency_)
        text = FloatToStrF(d, displayText ? ffCurrency : ffFixed, precision_, FormatSettings.CurrencyDecimals);
      else
        text = FloatToStrF(d, ffGeneral, precision_, 0);
      return;
    }
    case ftDate:
    case ftTime:
    case ftDateTime:
    case ftTimeStamp:
      text = FormatDateTime(displayFormat_.empty() || !displayText ? "c" : displayFormat_, v.AsDateTime());
      return;
    default:
      text = VarToStr(v);
  }
}

void TAggregateField::SetAsVariant(const Variant& value) {
  (void)value;
  DatabaseErrorFmt(SFieldReadOnly, {DisplayName()}, DataSet());
}

void TAggregateField::Bind(bool binding) { (void)binding; }

// ============================================================ TFields

TFields::~TFields() { Clear(); }

TField* TFields::Fields(int index) const {
  if (index < 0 || index >= Count()) DatabaseError(SFieldIndexError, dataSet_);
  return list_[static_cast<size_t>(index)];
}

TField* TFields::FindField(std::string_view name) const {
  const int i =
      names_.IndexOf(name, Count(), [this](int k) -> std::string_view { return list_[static_cast<size_t>(k)]->FieldName(); });
  return i >= 0 ? list_[static_cast<size_t>(i)] : nullptr;
}

void TFields::FieldRenamed(const TField* field, std::string_view oldName) {
  if (names_.Indexed() == 0) return;
  const int last = Count() - 1;
  names_.Renamed(last >= 0 && list_[static_cast<size_t>(last)] == field ? last : IndexOf(field), oldName,
                 field->FieldName());
}

TField* TFields::FieldByName(std::string_view name) const {
  TField* f = FindField(name);
  if (!f) DatabaseErrorFmt(SFieldNotFound, {name}, dataSet_);
  return f;
}

TField* TFields::FieldByNumber(int fieldNo) const {
  for (TField* f : list_)
    if (f->FieldNo() == fieldNo) return f;
  return nullptr;
}

int TFields::IndexOf(const TField* field) const {
  auto it = std::find(list_.begin(), list_.end(), field);
  return it == list_.end() ? -1 : static_cast<int>(it - list_.begin());
}

void TFields::CheckFieldName(std::string_view name) const {
  if (name.empty()) DatabaseError(SFieldNameMissing, dataSet_);
  if (FindField(name)) DatabaseErrorFmt(SDuplicateFieldName, {name}, dataSet_);
}

void TFields::CheckFieldNames(std::string_view names) const {
  for (const std::string& n : SplitFieldNames(names)) FieldByName(n);
}

std::vector<std::string> TFields::GetFieldNames() const {
  std::vector<std::string> names;
  for (TField* f : list_) names.push_back(f->FieldName());
  return names;
}

void TFields::Clear() {
  suppressChanges_ = true;
  names_.Forget();
  while (!list_.empty()) {
    TField* f = list_.back();
    list_.pop_back();
    f->dataSet_ = nullptr;
    f->Free();
  }
  suppressChanges_ = false;
  Changed();
}

void TFields::Add(TField* field) {
  list_.push_back(field);
  field->dataSet_ = dataSet_;
  Changed();
}

void TFields::Remove(TField* field) {
  auto it = std::find(list_.begin(), list_.end(), field);
  if (it == list_.end()) return;
  list_.erase(it);
  names_.Forget();
  field->dataSet_ = nullptr;
  field->fieldNo_ = 0;
  Changed();
}

void TFields::SetFieldIndex(TField* field, int index) {
  int cur = IndexOf(field);
  if (cur < 0) return;
  int count = Count();
  if (index < 0) index = 0;
  if (index >= count) index = count - 1;
  if (index == cur) return;
  list_.erase(list_.begin() + cur);
  list_.insert(list_.begin() + index, field);
  names_.Forget();
  Changed();
}

void TFields::Changed() {
  if (suppressChanges_ || !dataSet_ || dataSet_->InState(csDestroying)) return;
  dataSet_->DataEvent(deFieldListChange, 0);
  // Controls of an open dataset lay out their columns again.
  if (dataSet_->Active()) dataSet_->DataEvent(deLayoutChange, 0);
}

// ============================================================ helpers

TField* GetFieldProperty(TDataSet* dataSet, TComponent* control, std::string_view fieldName) {
  TField* f = dataSet ? dataSet->FindField(fieldName) : nullptr;
  if (!f) DatabaseErrorFmt(SFieldNotFound, {fieldName}, control ? control : dataSet);
  return f;
}

TClass DefaultFieldClass(TFieldType type) noexcept {
  switch (type) {
    case ftString:
    case ftFixedChar:
    case ftOraInterval:
      return TStringField::StaticClass();
    case ftWideString:
    case ftFixedWideChar:
      return TWideStringField::StaticClass();
    case ftGuid: return TGuidField::StaticClass();
    case ftSmallint: return TSmallintField::StaticClass();
    case ftInteger: return TIntegerField::StaticClass();
    case ftWord: return TWordField::StaticClass();
    case ftAutoInc: return TAutoIncField::StaticClass();
    case ftLargeint: return TLargeintField::StaticClass();
    case ftFloat: return TFloatField::StaticClass();
    case ftCurrency: return TCurrencyField::StaticClass();
    case ftBCD: return TBCDField::StaticClass();
    case ftFMTBcd: return TFMTBCDField::StaticClass();
    case ftBoolean: return TBooleanField::StaticClass();
    case ftDate: return TDateField::StaticClass();
    case ftTime: return TTimeField::StaticClass();
    case ftDateTime: return TDateTimeField::StaticClass();
    case ftTimeStamp:
    case ftOraTimeStamp:
      return TSQLTimeStampField::StaticClass();
    case ftBytes: return TBytesField::StaticClass();
    case ftVarBytes: return TVarBytesField::StaticClass();
    case ftBlob:
    case ftParadoxOle:
    case ftDBaseOle:
    case ftTypedBinary:
    case ftOraBlob:
      return TBlobField::StaticClass();
    case ftMemo:
    case ftFmtMemo:
    case ftOraClob:
      return TMemoField::StaticClass();
    case ftWideMemo: return TWideMemoField::StaticClass();
    case ftGraphic: return TGraphicField::StaticClass();
    case ftVariant: return TVariantField::StaticClass();
    case ftInterface: return TInterfaceField::StaticClass();
    case ftIDispatch: return TIDispatchField::StaticClass();
    case ftADT: return TADTField::StaticClass();
    case ftArray: return TArrayField::StaticClass();
    case ftDataSet: return TDataSetField::StaticClass();
    case ftReference: return TReferenceField::StaticClass();
    default:
      return nullptr;
  }
}

std::vector<std::string> SplitFieldNames(std::string_view names) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start <= names.size()) {
    size_t semi = names.find(';', start);
    if (semi == std::string_view::npos) semi = names.size();
    std::string name = Trim(names.substr(start, semi - start));
    if (!name.empty()) out.push_back(std::move(name));
    start = semi + 1;
  }
  return out;
}

TVarType FieldPassedDataType(const TField* field) noexcept {
  // Kept beside the GetAsVariant overrides it stands for; a derived class may read differently,
  // so only these exact classes count.
  const std::type_info& c = typeid(*field);
  if (c == typeid(TStringField)) return varVariant;
  if (c == typeid(TIntegerField)) return varInteger;
  if (c == typeid(TLargeintField)) return varInt64;
  if (c == typeid(TFloatField)) return varDouble;
  if (c == typeid(TDateTimeField) || c == typeid(TDateField) || c == typeid(TTimeField)) return varDate;
  return varEmpty;
}
