#pragma once
// TField and its family: one object per column of a dataset, through which values are read and
// written as variants, shown as text and checked. A field keeps no value of its own: it asks its
// dataset (GetFieldData / SetFieldData), which reads the buffer that fits the dataset's state.
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/classes/component.h"
#include "platform/db/dbtypes.h"
#include "platform/rtl/nameindex.h"
#include "platform/rtl/variant.h"

class TDataSet;
class TField;
class TFields;
class TStream;

using TFieldNotifyEvent = std::function<void(TField* sender)>;
using TFieldGetTextEvent = std::function<void(TField* sender, std::string& text, bool displayText)>;
using TFieldSetTextEvent = std::function<void(TField* sender, const std::string& text)>;

class TField : public TComponent {
  FANO_CLASS(TField)
 public:
  explicit TField(TComponent* owner);
  ~TField() override;

  // ---- binding ----
  TDataSet* DataSet() const noexcept { return dataSet_; }
  // Moves the field to another dataset's field list (or out of any); both must be closed.
  virtual void SetDataSet(TDataSet* dataSet);
  const std::string& FieldName() const noexcept { return fieldName_; }
  void SetFieldName(const std::string& name);
  std::string FullName() const { return fieldName_; }
  // 1-based position among the dataset's field definitions while the dataset is open; -1 for
  // calculated and lookup fields; 0 when unbound.
  int FieldNo() const noexcept { return fieldNo_; }
  // Position in the dataset's field list; setting it moves the field there.
  int Index() const;
  void SetIndex(int index);
  TFieldKind FieldKind() const noexcept { return fieldKind_; }
  void SetFieldKind(TFieldKind kind);
  bool Calculated() const noexcept { return fieldKind_ == fkCalculated; }
  void SetCalculated(bool value);
  bool Lookup() const noexcept { return fieldKind_ == fkLookup; }
  void SetLookup(bool value);
  TFieldType DataType() const noexcept { return dataType_; }
  int Size() const noexcept { return size_; }
  // Raises "Invalid field size" for a size the class does not take; only while the dataset is
  // closed.
  void SetSize(int size);
  // Bytes one value takes in a record (0 for the classes that keep no fixed-size value).
  virtual int DataSize() const { return 0; }
  virtual bool IsBlob() const { return false; }

  // ---- presentation ----
  std::string DisplayLabel() const { return displayLabel_.empty() ? fieldName_ : displayLabel_; }
  void SetDisplayLabel(const std::string& value);
  // The label, or the name when no label was given.
  std::string DisplayName() const { return DisplayLabel(); }
  int DisplayWidth() const { return displayWidth_ > 0 ? displayWidth_ : DefaultDisplayWidth(); }
  void SetDisplayWidth(int value);
  TAlignment Alignment() const noexcept { return alignment_; }
  void SetAlignment(TAlignment value);
  bool Visible() const noexcept { return visible_; }
  void SetVisible(bool value);
  const std::string& EditMask() const noexcept { return editMask_; }
  void SetEditMask(const std::string& value);
  const std::string& DefaultExpression() const noexcept { return defaultExpression_; }
  void SetDefaultExpression(const std::string& value) { defaultExpression_ = value; }
  const std::string& Origin() const noexcept { return origin_; }
  void SetOrigin(const std::string& value) { origin_ = value; }
  TProviderFlags ProviderFlags() const noexcept { return providerFlags_; }
  void SetProviderFlags(TProviderFlags value) { providerFlags_ = value; }
  TAutoRefreshFlag AutoGenerateValue() const noexcept { return autoGenerateValue_; }
  void SetAutoGenerateValue(TAutoRefreshFlag value) { autoGenerateValue_ = value; }

  // ---- rules ----
  bool ReadOnly() const noexcept { return readOnly_; }
  void SetReadOnly(bool value);
  bool Required() const noexcept { return required_; }
  void SetRequired(bool value) { required_ = value; }
  // The module's own column flags: key column, joined display-only column, value required.
  bool IsKey() const noexcept { return isKey_; }
  void SetIsKey(bool value) { isKey_ = value; }
  bool IsJoin() const noexcept { return isJoin_; }
  void SetIsJoin(bool value) { isJoin_ = value; }
  bool NotNull() const noexcept { return notNull_; }
  void SetNotNull(bool value) { notNull_ = value; }
  // Whether a value may be written now.
  bool CanModify() const { return GetCanModify(); }
  // Whether the character may be typed into the field.
  virtual bool IsValidChar(char32_t ch) const;

  // ---- values ----
  Variant Value() const { return GetAsVariant(); }
  void SetValue(const Variant& value) { SetAsVariant(value); }
  Variant AsVariant() const { return GetAsVariant(); }
  std::string AsString() const { return GetAsString(); }
  virtual void SetAsString(const std::string& value);
  std::u16string AsWideString() const { return GetAsWideString(); }
  virtual void SetAsWideString(const std::u16string& value);
  int32_t AsInteger() const { return GetAsInteger(); }
  virtual void SetAsInteger(int32_t value);
  int64_t AsLargeInt() const { return GetAsLargeInt(); }
  virtual void SetAsLargeInt(int64_t value);
  double AsFloat() const { return GetAsFloat(); }
  virtual void SetAsFloat(double value);
  Currency AsCurrency() const { return GetAsCurrency(); }
  virtual void SetAsCurrency(Currency value);
  bool AsBoolean() const { return GetAsBoolean(); }
  virtual void SetAsBoolean(bool value);
  TDateTime AsDateTime() const { return GetAsDateTime(); }
  virtual void SetAsDateTime(TDateTime value);
  virtual void SetAsVariant(const Variant& value);

  // Text for editing (OnGetText with displayText false, else the class's edit text).
  std::string Text() const;
  // Writes an edited text (OnSetText, else the class's text conversion).
  void SetText(const std::string& text);
  std::string EditText() const { return Text(); }
  void SetEditText(const std::string& text) { SetText(text); }
  // Text for showing (OnGetText with displayText true, else the class's display text).
  std::string DisplayText() const;

  virtual bool IsNull() const;
  // Sets the value to Null.
  virtual void Clear();
  // The raw value through the dataset; false when it is Null.
  bool GetData(Variant& value) const;
  void SetData(const Variant& value);
  void SetData(Variant&& value);
  // Runs OnValidate with `value` as the value the field shows meanwhile.
  virtual void Validate(const Variant& value);
  // Asks the controls to focus the control that edits this field.
  void FocusControl();

  // The value before the edit began, the proposed value, and the value in the store; each read
  // through the dataset in the matching state.
  Variant OldValue() const;
  Variant NewValue() const;
  void SetNewValue(const Variant& value);
  Variant CurValue() const;

  // ---- lookup ----
  const std::string& KeyFields() const noexcept { return keyFields_; }
  void SetKeyFields(const std::string& value);
  TDataSet* LookupDataSet() const noexcept { return lookupDataSet_; }
  void SetLookupDataSet(TDataSet* value);
  const std::string& LookupKeyFields() const noexcept { return lookupKeyFields_; }
  void SetLookupKeyFields(const std::string& value);
  const std::string& LookupResultField() const noexcept { return lookupResultField_; }
  void SetLookupResultField(const std::string& value);
  bool LookupCache() const noexcept { return lookupCache_; }
  void SetLookupCache(bool value);
  // Forgets the cached lookup values.
  void RefreshLookupList();

  // ---- events ----
  const TFieldNotifyEvent& OnChange() const noexcept { return onChange_; }
  void SetOnChange(TFieldNotifyEvent e) { onChange_ = std::move(e); }
  const TFieldNotifyEvent& OnValidate() const noexcept { return onValidate_; }
  void SetOnValidate(TFieldNotifyEvent e) { onValidate_ = std::move(e); }
  const TFieldGetTextEvent& OnGetText() const noexcept { return onGetText_; }
  void SetOnGetText(TFieldGetTextEvent e) { onGetText_ = std::move(e); }
  const TFieldSetTextEvent& OnSetText() const noexcept { return onSetText_; }
  void SetOnSetText(TFieldSetTextEvent e) { onSetText_ = std::move(e); }

  // Copies the value of another field (the platform's field assignment).
  void Assign(TPersistent* source) override;
  // Copies every property of another field (kind, sizes, labels, rules, lookup settings).
  virtual void AssignProperties(const TField& source);

  void Notification(TComponent* component, TOperation operation) override;
  // In a form resource a field is written under its dataset and joins it once its own
  // properties (its name first of all) are read.
  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* parent) override;
  void ReadState(TReader& reader) override;

 protected:
  void SetDataType(TFieldType type) noexcept { dataType_ = type; }
  // Raises "Invalid field size" unless the class takes that size.
  virtual void CheckTypeSize(int size) const;
  virtual int DefaultDisplayWidth() const { return 10; }
  virtual bool GetCanModify() const;

  virtual Variant GetAsVariant() const;
  virtual std::string GetAsString() const;
  virtual std::u16string GetAsWideString() const;
  virtual int32_t GetAsInteger() const;
  virtual int64_t GetAsLargeInt() const;
  virtual double GetAsFloat() const;
  virtual Currency GetAsCurrency() const;
  virtual bool GetAsBoolean() const;
  virtual TDateTime GetAsDateTime() const;
  // The class's text of the value, for showing or for editing.
  virtual void GetText(std::string& text, bool displayText) const;
  // The class's conversion of an edited text into the value.
  virtual void DoSetText(const std::string& text);

  // Runs OnChange.
  virtual void Change();
  // Binds to or unbinds from the open dataset.
  virtual void Bind(bool binding);
  [[noreturn]] void AccessError(const char* typeName) const;
  // Raised for a value outside MinValue..MaxValue.
  [[noreturn]] void RangeError(const std::string& value, const std::string& min, const std::string& max) const;
  void PropertyChanged(bool layoutAffected);
  void CheckInactive() const;
  // The value as a variant, raising when the field has no dataset.
  Variant ReadValue() const;
  Variant StateValue(TDataSetState state) const;

 private:
  friend class TDataSet;
  friend class TFields;
  void CalcLookupValue();

  TDataSet* dataSet_ = nullptr;
  std::string fieldName_;
  int fieldNo_ = 0;
  TFieldKind fieldKind_ = fkData;
  TFieldType dataType_ = ftUnknown;
  int size_ = 0;
  std::string displayLabel_;
  int displayWidth_ = 0;
  TAlignment alignment_ = taLeftJustify;
  bool visible_ = true;
  bool readOnly_ = false;
  bool required_ = false;
  bool isKey_ = false;
  bool isJoin_ = false;
  bool notNull_ = false;
  std::string editMask_;
  std::string defaultExpression_;
  std::string origin_;
  TProviderFlags providerFlags_{pfInUpdate, pfInWhere};
  TAutoRefreshFlag autoGenerateValue_ = arNone;
  std::string keyFields_;
  TDataSet* lookupDataSet_ = nullptr;
  std::string lookupKeyFields_;
  std::string lookupResultField_;
  bool lookupCache_ = false;
  std::map<std::string, Variant> lookupList_;
  TFieldNotifyEvent onChange_;
  TFieldNotifyEvent onValidate_;
  TFieldGetTextEvent onGetText_;
  TFieldSetTextEvent onSetText_;
  // While OnValidate runs the field shows the proposed value.
  const Variant* validating_ = nullptr;
  // The dataset a field being read from a resource joins after its properties.
  TDataSet* pendingDataSet_ = nullptr;
};

// ---- text ----

class TStringField : public TField {
  FANO_CLASS(TStringField)
 public:
  explicit TStringField(TComponent* owner);
  // The size counts code-page-936 bytes; longer values are cut at a character boundary.
  int DataSize() const override { return Size() + 1; }
  bool FixedChar() const noexcept { return fixedChar_; }
  void SetFixedChar(bool value);
  bool Transliterate() const noexcept { return transliterate_; }
  void SetTransliterate(bool value) { transliterate_ = value; }
  void SetAsString(const std::string& value) override;
  void SetAsInteger(int32_t value) override;
  void SetAsLargeInt(int64_t value) override;
  void SetAsFloat(double value) override;
  void SetAsCurrency(Currency value) override;
  void SetAsBoolean(bool value) override;
  void SetAsDateTime(TDateTime value) override;
  void SetAsVariant(const Variant& value) override;

 protected:
  void CheckTypeSize(int size) const override;
  int DefaultDisplayWidth() const override { return Size() > 0 ? Size() : 10; }
  Variant GetAsVariant() const override;
  std::string GetAsString() const override;
  int32_t GetAsInteger() const override;
  int64_t GetAsLargeInt() const override;
  double GetAsFloat() const override;
  Currency GetAsCurrency() const override;
  bool GetAsBoolean() const override;
  TDateTime GetAsDateTime() const override;
  // Fits a text into the field's size.
  virtual std::string Fit(const std::string& value) const;
  // The value a text is stored as, fitted into the field's size.
  virtual Variant FittedValue(const std::string& value) const;

 private:
  bool fixedChar_ = false;
  bool transliterate_ = true;
};

// Wide text; the size counts UTF-16 characters.
class TWideStringField : public TStringField {
  FANO_CLASS(TWideStringField)
 public:
  explicit TWideStringField(TComponent* owner);
  int DataSize() const override { return (Size() + 1) * 2; }
  void SetAsWideString(const std::u16string& value) override;
  void SetAsVariant(const Variant& value) override;

 protected:
  Variant GetAsVariant() const override;
  std::u16string GetAsWideString() const override;
  std::string Fit(const std::string& value) const override;
  Variant FittedValue(const std::string& value) const override { return Variant(Fit(value)); }
};

// A GUID in its braced text form, 38 characters.
class TGuidField : public TStringField {
  FANO_CLASS(TGuidField)
 public:
  explicit TGuidField(TComponent* owner);
  void SetAsString(const std::string& value) override;

 protected:
  void CheckTypeSize(int size) const override;
};

// ---- numbers ----

class TNumericField : public TField {
  FANO_CLASS(TNumericField)
 public:
  explicit TNumericField(TComponent* owner);
  const std::string& DisplayFormat() const noexcept { return displayFormat_; }
  void SetDisplayFormat(const std::string& value);
  const std::string& EditFormat() const noexcept { return editFormat_; }
  void SetEditFormat(const std::string& value);
  bool IsValidChar(char32_t ch) const override;

 protected:
  void SetAsVariantWith(const Variant& value);

 private:
  std::string displayFormat_;
  std::string editFormat_;
};

class TIntegerField : public TNumericField {
  FANO_CLASS(TIntegerField)
 public:
  explicit TIntegerField(TComponent* owner);
  int DataSize() const override { return 4; }
  int32_t MinValue() const noexcept { return minValue_; }
  void SetMinValue(int32_t value) { minValue_ = value; }
  int32_t MaxValue() const noexcept { return maxValue_; }
  void SetMaxValue(int32_t value) { maxValue_ = value; }
  void SetAsInteger(int32_t value) override;
  void SetAsLargeInt(int64_t value) override;
  void SetAsFloat(double value) override;
  void SetAsCurrency(Currency value) override;
  void SetAsString(const std::string& value) override;
  void SetAsVariant(const Variant& value) override;

 protected:
  Variant GetAsVariant() const override;
  std::string GetAsString() const override;
  int32_t GetAsInteger() const override;
  int64_t GetAsLargeInt() const override;
  double GetAsFloat() const override;
  Currency GetAsCurrency() const override;
  void GetText(std::string& text, bool displayText) const override;
  int DefaultDisplayWidth() const override { return 11; }
  // The widest range the type holds.
  virtual int64_t TypeMin() const { return INT32_MIN; }
  virtual int64_t TypeMax() const { return INT32_MAX; }
  virtual Variant MakeVariant(int32_t value) const { return Variant(value); }

 private:
  bool ReadInt(int32_t& value) const;
  int32_t minValue_ = 0;
  int32_t maxValue_ = 0;
};

class TSmallintField : public TIntegerField {
  FANO_CLASS(TSmallintField)
 public:
  explicit TSmallintField(TComponent* owner);
  int DataSize() const override { return 2; }

 protected:
  int DefaultDisplayWidth() const override { return 6; }
  int64_t TypeMin() const override { return INT16_MIN; }
  int64_t TypeMax() const override { return INT16_MAX; }
  Variant MakeVariant(int32_t value) const override { return Variant::FromSmallint(static_cast<int16_t>(value)); }
};

class TWordField : public TIntegerField {
  FANO_CLASS(TWordField)
 public:
  explicit TWordField(TComponent* owner);
  int DataSize() const override { return 2; }

 protected:
  int DefaultDisplayWidth() const override { return 5; }
  int64_t TypeMin() const override { return 0; }
  int64_t TypeMax() const override { return UINT16_MAX; }
  Variant MakeVariant(int32_t value) const override { return Variant::FromWord(static_cast<uint16_t>(value)); }
};

class TAutoIncField : public TIntegerField {
  FANO_CLASS(TAutoIncField)
 public:
  explicit TAutoIncField(TComponent* owner);
};

class TLargeintField : public TNumericField {
  FANO_CLASS(TLargeintField)
 public:
  explicit TLargeintField(TComponent* owner);
  int DataSize() const override { return 8; }
  int64_t MinValue() const noexcept { return minValue_; }
  void SetMinValue(int64_t value) { minValue_ = value; }
  int64_t MaxValue() const noexcept { return maxValue_; }
  void SetMaxValue(int64_t value) { maxValue_ = value; }
  void SetAsInteger(int32_t value) override { SetAsLargeInt(value); }
  void SetAsLargeInt(int64_t value) override;
  void SetAsFloat(double value) override;
  void SetAsCurrency(Currency value) override;
  void SetAsString(const std::string& value) override;
  void SetAsVariant(const Variant& value) override;

 protected:
  Variant GetAsVariant() const override;
  std::string GetAsString() const override;
  int32_t GetAsInteger() const override;
  int64_t GetAsLargeInt() const override;
  double GetAsFloat() const override;
  Currency GetAsCurrency() const override;
  void GetText(std::string& text, bool displayText) const override;
  int DefaultDisplayWidth() const override { return 15; }

 private:
  bool ReadInt(int64_t& value) const;
  int64_t minValue_ = 0;
  int64_t maxValue_ = 0;
};

class TFloatField : public TNumericField {
  FANO_CLASS(TFloatField)
 public:
  explicit TFloatField(TComponent* owner);
  int DataSize() const override { return 8; }
  // Shown as money (currency format) when no display format is set.
  bool currency() const noexcept { return currency_; }
  void SetCurrency(bool value);
  double MinValue() const noexcept { return minValue_; }
  void SetMinValue(double value) { minValue_ = value; }
  double MaxValue() const noexcept { return maxValue_; }
  void SetMaxValue(double value) { maxValue_ = value; }
  // Significant digits shown without a display format (default 15).
  int Precision() const noexcept { return precision_; }
  void SetPrecision(int value);
  void SetAsInteger(int32_t value) override { SetAsFloat(value); }
  void SetAsLargeInt(int64_t value) override { SetAsFloat(static_cast<double>(value)); }
  void SetAsFloat(double value) override;
  void SetAsCurrency(Currency value) override { SetAsFloat(value.ToDouble()); }
  void SetAsString(const std::string& value) override;
  void SetAsVariant(const Variant& value) override;

 protected:
  Variant GetAsVariant() const override;
  std::string GetAsString() const override;
  int32_t GetAsInteger() const override;
  int64_t GetAsLargeInt() const override;
  double GetAsFloat() const override;
  Currency GetAsCurrency() const override;
  void GetText(std::string& text, bool displayText) const override;
  int DefaultDisplayWidth() const override { return 15; }
  // Digits, signs, the decimal separator and the exponent's E.
  bool IsValidChar(char32_t ch) const override;

 private:
  bool currency_ = false;
  double minValue_ = 0;
  double maxValue_ = 0;
  int precision_ = 15;
};

class TCurrencyField : public TFloatField {
  FANO_CLASS(TCurrencyField)
 public:
  explicit TCurrencyField(TComponent* owner);
};

// Fixed-point values with four decimals (held as Currency).
class TBCDField : public TNumericField {
  FANO_CLASS(TBCDField)
 public:
  explicit TBCDField(TComponent* owner);
  int DataSize() const override { return 8; }
  bool currency() const noexcept { return currency_; }
  void SetCurrency(bool value);
  Currency MinValue() const noexcept { return minValue_; }
  void SetMinValue(Currency value) { minValue_ = value; }
  Currency MaxValue() const noexcept { return maxValue_; }
  void SetMaxValue(Currency value) { maxValue_ = value; }
  // Total digits; 0 means the largest the type holds.
  int Precision() const noexcept { return precision_; }
  void SetPrecision(int value);
  void SetAsInteger(int32_t value) override { SetAsCurrency(Currency::FromInt(value)); }
  void SetAsLargeInt(int64_t value) override;
  void SetAsFloat(double value) override;
  void SetAsCurrency(Currency value) override;
  void SetAsString(const std::string& value) override;
  void SetAsVariant(const Variant& value) override;

 protected:
  // Digits, signs and the decimal separator.
  bool IsValidChar(char32_t ch) const override;
  void CheckTypeSize(int size) const override;
  Variant GetAsVariant() const override;
  std::string GetAsString() const override;
  int32_t GetAsInteger() const override;
  int64_t GetAsLargeInt() const override;
  double GetAsFloat() const override;
  Currency GetAsCurrency() const override;
  void GetText(std::string& text, bool displayText) const override;
  int DefaultDisplayWidth() const override { return precision_ > 0 ? precision_ + 2 : 20; }

 private:
  bool currency_ = false;
  Currency minValue_;
  Currency maxValue_;
  int precision_ = 0;
};

// Formatted BCD: held as Currency here, like TBCDField.
class TFMTBCDField : public TBCDField {
  FANO_CLASS(TFMTBCDField)
 public:
  explicit TFMTBCDField(TComponent* owner);

 protected:
  void CheckTypeSize(int size) const override;
};

// ---- other scalars ----

class TBooleanField : public TField {
  FANO_CLASS(TBooleanField)
 public:
  explicit TBooleanField(TComponent* owner);
  int DataSize() const override { return 2; }
  // "True text;False text"; the default is "True;False".
  const std::string& DisplayValues() const noexcept { return displayValues_; }
  void SetDisplayValues(const std::string& value);
  void SetAsBoolean(bool value) override;
  void SetAsString(const std::string& value) override;
  void SetAsInteger(int32_t value) override { SetAsBoolean(value != 0); }
  void SetAsVariant(const Variant& value) override;

 protected:
  Variant GetAsVariant() const override;
  std::string GetAsString() const override;
  bool GetAsBoolean() const override;
  int32_t GetAsInteger() const override;
  int DefaultDisplayWidth() const override;

 private:
  std::string displayValues_ = "True;False";
  std::string trueText_ = "True";
  std::string falseText_ = "False";
};

class TDateTimeField : public TField {
  FANO_CLASS(TDateTimeField)
 public:
  explicit TDateTimeField(TComponent* owner);
  int DataSize() const override { return 8; }
  const std::string& DisplayFormat() const noexcept { return displayFormat_; }
  void SetDisplayFormat(const std::string& value);
  void SetAsDateTime(TDateTime value) override;
  void SetAsFloat(double value) override { SetAsDateTime(value); }
  void SetAsString(const std::string& value) override;
  void SetAsVariant(const Variant& value) override;

 protected:
  Variant GetAsVariant() const override;
  std::string GetAsString() const override;
  double GetAsFloat() const override;
  TDateTime GetAsDateTime() const override;
  void GetText(std::string& text, bool displayText) const override;
  int DefaultDisplayWidth() const override { return 19; }
  // The format used when no display format is set.
  virtual std::string DefaultFormat() const;
  // Reads a text of this class's kind (date, time or both).
  virtual TDateTime ParseText(const std::string& text) const;

 private:
  std::string displayFormat_;
};

class TDateField : public TDateTimeField {
  FANO_CLASS(TDateField)
 public:
  explicit TDateField(TComponent* owner);
  int DataSize() const override { return 4; }

 protected:
  int DefaultDisplayWidth() const override { return 10; }
  std::string DefaultFormat() const override;
  TDateTime ParseText(const std::string& text) const override;
};

class TTimeField : public TDateTimeField {
  FANO_CLASS(TTimeField)
 public:
  explicit TTimeField(TComponent* owner);
  int DataSize() const override { return 4; }

 protected:
  int DefaultDisplayWidth() const override { return 8; }
  std::string DefaultFormat() const override;
  TDateTime ParseText(const std::string& text) const override;
};

// SQL time stamps are held as date-time values.
class TSQLTimeStampField : public TDateTimeField {
  FANO_CLASS(TSQLTimeStampField)
 public:
  explicit TSQLTimeStampField(TComponent* owner);
  int DataSize() const override { return 16; }
};

// ---- binary ----

// Fixed and variable-length byte strings; the value is a variant array of bytes.
class TBinaryField : public TField {
  FANO_CLASS(TBinaryField)
 public:
  explicit TBinaryField(TComponent* owner);
  std::vector<Byte> AsBytes() const;
  void SetAsBytes(const std::vector<Byte>& value);
  void SetAsString(const std::string& value) override;
  void SetAsVariant(const Variant& value) override;

 protected:
  void CheckTypeSize(int size) const override;
  Variant GetAsVariant() const override;
  std::string GetAsString() const override;
  void GetText(std::string& text, bool displayText) const override;
};

class TBytesField : public TBinaryField {
  FANO_CLASS(TBytesField)
 public:
  explicit TBytesField(TComponent* owner);
  int DataSize() const override { return Size(); }
};

class TVarBytesField : public TBinaryField {
  FANO_CLASS(TVarBytesField)
 public:
  explicit TVarBytesField(TComponent* owner);
  int DataSize() const override { return Size() + 2; }
};

enum TBlobStreamMode : uint8_t { bmRead, bmWrite, bmReadWrite };

// Blobs: the value is the bytes (memo: the text) as a string variant.
class TBlobField : public TField {
  FANO_CLASS(TBlobField)
 public:
  explicit TBlobField(TComponent* owner);
  bool IsBlob() const override { return true; }
  TBlobType BlobType() const noexcept { return DataType(); }
  // Any type from ftBlob to ftWideMemo.
  void SetBlobType(TBlobType value);
  int BlobSize() const;
  bool Modified() const noexcept { return modified_; }
  void SetModified(bool value) { modified_ = value; }
  bool Transliterate() const noexcept { return transliterate_; }
  void SetTransliterate(bool value) { transliterate_ = value; }
  bool GraphicHeader() const noexcept { return graphicHeader_; }
  void SetGraphicHeader(bool value) { graphicHeader_ = value; }
  void LoadFromStream(TStream& stream);
  void SaveToStream(TStream& stream) const;
  void SetAsString(const std::string& value) override;
  void SetAsVariant(const Variant& value) override;
  void Clear() override;

 protected:
  void CheckTypeSize(int size) const override;
  Variant GetAsVariant() const override;
  std::string GetAsString() const override;
  // "(BLOB)" for a value, "(Blob)" for none; memo and graphic classes name themselves.
  void GetText(std::string& text, bool displayText) const override;
  virtual const char* ClassDescription() const { return "Blob"; }

 private:
  bool modified_ = false;
  bool transliterate_ = true;
  bool graphicHeader_ = true;
};

class TMemoField : public TBlobField {
  FANO_CLASS(TMemoField)
 public:
  explicit TMemoField(TComponent* owner);

 protected:
  const char* ClassDescription() const override { return "Memo"; }
};

class TWideMemoField : public TBlobField {
  FANO_CLASS(TWideMemoField)
 public:
  explicit TWideMemoField(TComponent* owner);
  void SetAsWideString(const std::u16string& value) override;
  void SetAsVariant(const Variant& value) override;

 protected:
  Variant GetAsVariant() const override;
  std::u16string GetAsWideString() const override;
  const char* ClassDescription() const override { return "WideMemo"; }
};

class TGraphicField : public TBlobField {
  FANO_CLASS(TGraphicField)
 public:
  explicit TGraphicField(TComponent* owner);

 protected:
  const char* ClassDescription() const override { return "Graphic"; }
};

// ---- variants, interfaces, objects ----

class TVariantField : public TField {
  FANO_CLASS(TVariantField)
 public:
  explicit TVariantField(TComponent* owner);
  int DataSize() const override { return 16; }
  void SetAsString(const std::string& value) override { SetAsVariant(value); }
  void SetAsInteger(int32_t value) override { SetAsVariant(value); }
  void SetAsLargeInt(int64_t value) override { SetAsVariant(Variant::FromInt64(value)); }
  void SetAsFloat(double value) override { SetAsVariant(value); }
  void SetAsCurrency(Currency value) override { SetAsVariant(value); }
  void SetAsBoolean(bool value) override { SetAsVariant(value); }
  void SetAsDateTime(TDateTime value) override { SetAsVariant(Variant::FromDateTime(value)); }
  void SetAsVariant(const Variant& value) override;

 protected:
  Variant GetAsVariant() const override;
  std::string GetAsString() const override;
  int32_t GetAsInteger() const override;
  int64_t GetAsLargeInt() const override;
  double GetAsFloat() const override;
  Currency GetAsCurrency() const override;
  bool GetAsBoolean() const override;
  TDateTime GetAsDateTime() const override;
};

// An interface reference, held as a pointer variant.
class TInterfaceField : public TField {
  FANO_CLASS(TInterfaceField)
 public:
  explicit TInterfaceField(TComponent* owner);
  int DataSize() const override { return static_cast<int>(sizeof(void*)); }
  void* AsPointer() const;
  void SetAsPointer(void* value);
  void SetAsVariant(const Variant& value) override;

 protected:
  Variant GetAsVariant() const override;
};

class TIDispatchField : public TInterfaceField {
  FANO_CLASS(TIDispatchField)
 public:
  explicit TIDispatchField(TComponent* owner);
};

// Structured columns of the object view; this framework keeps them as plain columns whose value
// is a variant.
class TObjectField : public TVariantField {
  FANO_CLASS(TObjectField)
 public:
  explicit TObjectField(TComponent* owner);
};

class TADTField : public TObjectField {
  FANO_CLASS(TADTField)
 public:
  explicit TADTField(TComponent* owner);
};

class TArrayField : public TObjectField {
  FANO_CLASS(TArrayField)
 public:
  explicit TArrayField(TComponent* owner);
};

class TDataSetField : public TObjectField {
  FANO_CLASS(TDataSetField)
 public:
  explicit TDataSetField(TComponent* owner);
};

class TReferenceField : public TObjectField {
  FANO_CLASS(TReferenceField)
 public:
  explicit TReferenceField(TComponent* owner);
};

// ---- aggregates ----

// A value computed over all records by the dataset (GetAggregateValue); kept in AggFields.
class TAggregateField : public TField {
  FANO_CLASS(TAggregateField)
 public:
  explicit TAggregateField(TComponent* owner);
  const std::string& Expression() const noexcept { return expression_; }
  void SetExpression(const std::string& value);
  bool Active() const noexcept { return active_; }
  void SetActive(bool value);
  TFieldType ResultType() const noexcept { return resultType_; }
  void SetResultType(TFieldType value) { resultType_ = value; }
  // The dataset's aggregate object behind this field.
  void* Handle() const noexcept { return handle_; }
  void SetHandle(void* value) { handle_ = value; }
  const std::string& DisplayFormat() const noexcept { return displayFormat_; }
  void SetDisplayFormat(const std::string& value);
  bool currency() const noexcept { return currency_; }
  void SetCurrency(bool value);
  int Precision() const noexcept { return precision_; }
  void SetPrecision(int value) { precision_ = value; }
  void SetAsVariant(const Variant& value) override;

 protected:
  bool GetCanModify() const override { return false; }
  Variant GetAsVariant() const override;
  std::string GetAsString() const override;
  double GetAsFloat() const override;
  int32_t GetAsInteger() const override;
  Currency GetAsCurrency() const override;
  TDateTime GetAsDateTime() const override;
  void GetText(std::string& text, bool displayText) const override;
  void Bind(bool binding) override;

 private:
  void Reset();
  std::string expression_;
  bool active_ = false;
  TFieldType resultType_ = ftUnknown;
  void* handle_ = nullptr;
  std::string displayFormat_;
  bool currency_ = false;
  int precision_ = 15;
};

// ---- the field list of a dataset ----

class TFields {
 public:
  explicit TFields(TDataSet* dataSet) : dataSet_(dataSet) {}
  ~TFields();
  TFields(const TFields&) = delete;
  TFields& operator=(const TFields&) = delete;

  TDataSet* DataSet() const noexcept { return dataSet_; }
  int Count() const noexcept { return static_cast<int>(list_.size()); }
  // Raises "Field index out of range".
  TField* Fields(int index) const;
  TField* operator[](int index) const { return Fields(index); }
  TField* FindField(std::string_view name) const;
  // Raises "Field '%s' not found" naming the dataset.
  TField* FieldByName(std::string_view name) const;
  // The field bound to that field number; null when none.
  TField* FieldByNumber(int fieldNo) const;
  int IndexOf(const TField* field) const;
  // Raises "Field name missing" for the empty name and "Duplicate field name '%s'".
  void CheckFieldName(std::string_view name) const;
  // Each ";"-separated name must exist.
  void CheckFieldNames(std::string_view names) const;
  std::vector<std::string> GetFieldNames() const;
  // Destroys every field.
  void Clear();

  auto begin() const { return list_.begin(); }
  auto end() const { return list_.end(); }

 private:
  friend class TField;
  friend class TDataSet;
  void Add(TField* field);
  void Remove(TField* field);
  void SetFieldIndex(TField* field, int index);
  void Changed();
  // The field's name changed from `oldName`.
  void FieldRenamed(const TField* field, std::string_view oldName);

  TDataSet* dataSet_;
  std::vector<TField*> list_;
  // Field names, so that the fields of a wide dataset are matched by name (a copy between two
  // tables) without comparing every name with every other.
  mutable TNameIndex names_;
  // Notifications are held back while the list is rebuilt as a whole.
  bool suppressChanges_ = false;
};

// The field of that name for a control that shows it: raises "Field '%s' not found" naming the
// control (or the dataset without one).
TField* GetFieldProperty(TDataSet* dataSet, TComponent* control, std::string_view fieldName);

// The field class for a data type; null for types without one (ftCursor).
TClass DefaultFieldClass(TFieldType type) noexcept;
// Splits a ";"-separated list of field names (blanks around names dropped, empty names skipped).
std::vector<std::string> SplitFieldNames(std::string_view names);

// The type of the data (neither Null nor Empty) that the field's Value() gives back unchanged as
// its dataset gives it: varVariant for data of any type (the plain string class), the class's own
// variant type for the plain integer, large integer, float and date-time classes, varEmpty for
// every other class. Copies between datasets pass such values on without the field's reading.
TVarType FieldPassedDataType(const TField* field) noexcept;
