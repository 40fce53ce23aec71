#pragma once
// Parameters: named, typed values passed to a dataset's provider (":name" in SQL texts).
#include <string>
#include <string_view>
#include <vector>

#include "platform/classes/collection.h"
#include "platform/db/dbtypes.h"
#include "platform/rtl/variant.h"

class TParams;
class TField;

class TParam : public TCollectionItem {
  FANO_CLASS(TParam)
 public:
  explicit TParam(TCollection* collection);

  const std::string& Name() const noexcept { return name_; }
  void SetName(const std::string& value) { name_ = value; }
  TFieldType DataType() const noexcept { return dataType_; }
  void SetDataType(TFieldType value);
  TParamType ParamType() const noexcept { return paramType_; }
  void SetParamType(TParamType value) { paramType_ = value; }
  int Size() const noexcept { return size_; }
  void SetSize(int value) { size_ = value; }
  int Precision() const noexcept { return precision_; }
  void SetPrecision(int value) { precision_ = value; }
  // Whether a value was given (writing one sets it).
  bool Bound() const noexcept { return bound_; }
  void SetBound(bool value) { bound_ = value; }

  const Variant& Value() const noexcept { return value_; }
  // Takes the value; an unknown data type becomes the value's own.
  void SetValue(const Variant& value);
  bool IsNull() const noexcept { return value_.IsNull() || value_.IsEmpty(); }
  void Clear();
  std::string AsString() const;
  void SetAsString(const std::string& value);
  int32_t AsInteger() const;
  void SetAsInteger(int32_t value);
  int64_t AsLargeInt() const;
  void SetAsLargeInt(int64_t value);
  double AsFloat() const;
  void SetAsFloat(double value);
  Currency AsCurrency() const;
  void SetAsCurrency(Currency value);
  bool AsBoolean() const;
  void SetAsBoolean(bool value);
  TDateTime AsDateTime() const;
  void SetAsDateTime(TDateTime value);
  // Takes the field's type, size and value.
  void AssignField(TField* field);
  void AssignFieldValue(TField* field, const Variant& value);
  // Copies name, types, size and value of another parameter.
  void Assign(TPersistent* source) override;

 protected:
  std::string GetDisplayName() const override { return name_; }

 private:
  void Store(const Variant& value, TFieldType type);
  std::string name_;
  TFieldType dataType_ = ftUnknown;
  TParamType paramType_ = ptUnknown;
  int size_ = 0;
  int precision_ = 0;
  bool bound_ = false;
  Variant value_;
};

class TParams : public TOwnedCollection {
  FANO_CLASS(TParams)
 public:
  explicit TParams(TPersistent* owner = nullptr);

  TParam* Items(int index) const { return ItemAs<TParam>(index); }
  TParam* operator[](int index) const { return Items(index); }
  TParam* CreateParam(TFieldType type, const std::string& name, TParamType paramType);
  TParam* AddParameter();
  // Null when absent (names compared ignoring case).
  TParam* FindParam(std::string_view name) const;
  // Raises "Parameter '%s' not found".
  TParam* ParamByName(std::string_view name) const;
  // One name gives its value; ";"-separated names give a variant array.
  Variant ParamValues(std::string_view names) const;
  void SetParamValues(std::string_view names, const Variant& value);
  void GetParamList(std::vector<TParam*>& list, std::string_view names) const;
  // Copies the values of the parameters of the same name from another list.
  void AssignValues(const TParams& source);
  bool IsEqual(const TParams& other) const;
  // Finds the ":name" (or ":"quoted name"") parameters of a SQL text (not inside quotes; "::"
  // is no parameter) and, with doCreate, replaces the list by them in order.
  // Answers the text with each parameter replaced by "?".
  std::string ParseSQL(std::string_view sql, bool doCreate);
};
