#include "platform/db/params.h"

#include "platform/classes/classreg.h"
#include "platform/classes/published.h"
#include "platform/db/dbconsts.h"
#include "platform/db/fields.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"

FANO_IMPLEMENT_ITEM(TParam, TCollectionItem)
FANO_IMPLEMENT_CLASS(TParams, TOwnedCollection)

// Published properties (form resources) and the names resources may use.
FANO_ENUM_NAMES(TParamType, "ptUnknown", "ptInput", "ptOutput", "ptInputOutput", "ptResult");

FANO_PUBLISHED(TParam, p) {
  p.Property("DataType", &TParam::DataType, &TParam::SetDataType);
  p.Property("Name", &TParam::Name, &TParam::SetName);
  p.Property("ParamType", &TParam::ParamType, &TParam::SetParamType);
  p.Property("Size", &TParam::Size, &TParam::SetSize).Default(0);
  p.Property("Value", &TParam::Value, &TParam::SetValue);
}


namespace {

TFieldType TypeOfValue(const Variant& v) {
  switch (v.VarType()) {
    case varSmallint: case varShortInt: case varByte: return ftSmallint;
    case varWord: return ftWord;
    case varInteger: case varLongWord: return ftInteger;
    case varInt64: case varUInt64: return ftLargeint;
    case varSingle: case varDouble: return ftFloat;
    case varCurrency: return ftCurrency;
    case varDate: return ftDateTime;
    case varBoolean: return ftBoolean;
    case varOleStr: return ftWideString;
    case varString: return ftString;
    default: return ftUnknown;
  }
}

}  // namespace

// ============================================================ TParam

TParam::TParam(TCollection* collection) : TCollectionItem(collection) {}

void TParam::SetDataType(TFieldType value) {
  dataType_ = value;
  // A value that the new type cannot hold is dropped.
  if (!IsNull()) {
    try {
      Store(value_, value);
    } catch (const Exception&) {
      value_ = Variant();
    }
  }
}

void TParam::Store(const Variant& value, TFieldType type) {
  if (VarIsNullOrEmpty(value)) {
    value_ = value;
    return;
  }
  switch (type) {
    case ftSmallint: case ftWord: case ftInteger: case ftAutoInc:
      value_ = Variant(value.AsInteger());
      break;
    case ftLargeint: value_ = Variant::FromInt64(value.AsInt64()); break;
    case ftFloat: value_ = Variant(value.AsDouble()); break;
    case ftCurrency: case ftBCD: case ftFMTBcd: value_ = Variant(value.AsCurrency()); break;
    case ftDate: case ftTime: case ftDateTime: case ftTimeStamp:
      value_ = Variant::FromDateTime(value.IsStr() ? StrToDateTime(value.AsString()) : value.AsDateTime());
      break;
    case ftBoolean: value_ = Variant(value.AsBoolean()); break;
    case ftString: case ftFixedChar: case ftMemo: case ftGuid: value_ = Variant(VarToStr(value)); break;
    case ftWideString: case ftFixedWideChar: case ftWideMemo:
      value_ = Variant(std::u16string_view(VarToWideStr(value)));
      break;
    default: value_ = value; break;
  }
}

void TParam::SetValue(const Variant& value) {
  if (dataType_ == ftUnknown) dataType_ = TypeOfValue(value);
  Store(value, dataType_);
  bound_ = true;
}

void TParam::Clear() { value_ = Null(); }

std::string TParam::AsString() const { return VarToStr(value_); }
void TParam::SetAsString(const std::string& value) {
  if (dataType_ == ftUnknown) dataType_ = ftString;
  SetValue(Variant(value));
}
int32_t TParam::AsInteger() const { return IsNull() ? 0 : value_.AsInteger(); }
void TParam::SetAsInteger(int32_t value) {
  dataType_ = ftInteger;
  SetValue(Variant(value));
}
int64_t TParam::AsLargeInt() const { return IsNull() ? 0 : value_.AsInt64(); }
void TParam::SetAsLargeInt(int64_t value) {
  dataType_ = ftLargeint;
  SetValue(Variant::FromInt64(value));
}
double TParam::AsFloat() const { return IsNull() ? 0 : value_.AsDouble(); }
void TParam::SetAsFloat(double value) {
  dataType_ = ftFloat;
  SetValue(Variant(value));
}
Currency TParam::AsCurrency() const { return IsNull() ? Currency() : value_.AsCurrency(); }
void TParam::SetAsCurrency(Currency value) {
  dataType_ = ftCurrency;
  SetValue(Variant(value));
}
bool TParam::AsBoolean() const { return !IsNull() && value_.AsBoolean(); }
void TParam::SetAsBoolean(bool value) {
  dataType_ = ftBoolean;
  SetValue(Variant(value));
}
TDateTime TParam::AsDateTime() const { return IsNull() ? 0 : value_.AsDateTime(); }
void TParam::SetAsDateTime(TDateTime value) {
  dataType_ = ftDateTime;
  SetValue(Variant::FromDateTime(value));
}

void TParam::AssignField(TField* field) {
  if (!field) return;
  AssignFieldValue(field, field->Value());
  name_ = field->FieldName();
}

void TParam::AssignFieldValue(TField* field, const Variant& value) {
  if (!field) return;
  dataType_ = field->DataType() == ftAutoInc ? ftInteger : field->DataType();
  size_ = field->Size();
  Store(value, dataType_);
  bound_ = true;
}

void TParam::Assign(TPersistent* source) {
  if (auto* p = dynamic_cast<TParam*>(source)) {
    name_ = p->name_;
    dataType_ = p->dataType_;
    paramType_ = p->paramType_;
    size_ = p->size_;
    precision_ = p->precision_;
    bound_ = p->bound_;
    value_ = p->value_;
    return;
  }
  if (auto* f = dynamic_cast<TField*>(source)) {
    AssignField(f);
    return;
  }
  TCollectionItem::Assign(source);
}

// ============================================================ TParams

TParams::TParams(TPersistent* owner) : TOwnedCollection(owner, TParam::StaticClass()) {}

TParam* TParams::AddParameter() { return static_cast<TParam*>(TCollection::Add()); }

TParam* TParams::CreateParam(TFieldType type, const std::string& name, TParamType paramType) {
  TParam* p = AddParameter();
  p->SetName(name);
  p->SetDataType(type);
  p->SetParamType(paramType);
  return p;
}

TParam* TParams::FindParam(std::string_view name) const {
  for (int i = 0; i < Count(); ++i)
    if (AnsiSameText(Items(i)->Name(), name)) return Items(i);
  return nullptr;
}

TParam* TParams::ParamByName(std::string_view name) const {
  TParam* p = FindParam(name);
  if (!p) {
    auto* owner = dynamic_cast<TComponent*>(GetOwner());
    DatabaseErrorFmt(SParameterNotFound, {name}, owner);
  }
  return p;
}

void TParams::GetParamList(std::vector<TParam*>& list, std::string_view names) const {
  for (const std::string& n : SplitFieldNames(names)) list.push_back(ParamByName(n));
}

Variant TParams::ParamValues(std::string_view names) const {
  std::vector<TParam*> list;
  GetParamList(list, names);
  if (list.size() == 1) return list[0]->Value();
  Variant result = Variant::CreateArray(0, static_cast<int>(list.size()) - 1);
  for (size_t i = 0; i < list.size(); ++i) result.SetElement(static_cast<int>(i), list[i]->Value());
  return result;
}

void TParams::SetParamValues(std::string_view names, const Variant& value) {
  std::vector<TParam*> list;
  GetParamList(list, names);
  for (size_t i = 0; i < list.size(); ++i) {
    if (value.IsArray())
      list[i]->SetValue(value.GetElement(value.ArrayLowBound() + static_cast<int>(i)));
    else
      list[i]->SetValue(value);
  }
}

void TParams::AssignValues(const TParams& source) {
  for (int i = 0; i < source.Count(); ++i) {
    TParam* src = source.Items(i);
    if (TParam* p = FindParam(src->Name())) p->Assign(src);
  }
}

bool TParams::IsEqual(const TParams& other) const {
  if (Count() != other.Count()) return false;
  for (int i = 0; i < Count(); ++i) {
    TParam* a = Items(i);
    TParam* b = other.Items(i);
    if (a->Name() != b->Name() || a->DataType() != b->DataType() || a->ParamType() != b->ParamType() ||
        a->Bound() != b->Bound() || !VarSameValue(a->Value(), b->Value()) ||
        a->IsNull() != b->IsNull())
      return false;
  }
  return true;
}

std::string TParams::ParseSQL(std::string_view sql, bool doCreate) {
  auto isNameChar = [](unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c >= 0x80;
  };
  std::string out;
  std::vector<std::string> names;
  size_t i = 0;
  while (i < sql.size()) {
    char c = sql[i];
    if (c == '\'' || c == '"') {
      size_t end = sql.find(c, i + 1);
      if (end == std::string_view::npos) end = sql.size() - 1;
      out.append(sql.substr(i, end - i + 1));
      i = end + 1;
      continue;
    }
    if (c == ':') {
      if (i + 1 < sql.size() && sql[i + 1] == ':') {
        out += "::";
        i += 2;
        continue;
      }
      size_t start = i + 1;
      std::string name;
      if (start < sql.size() && (sql[start] == '"' || sql[start] == '\'')) {
        size_t end = sql.find(sql[start], start + 1);
        if (end != std::string_view::npos) {
          name = std::string(sql.substr(start + 1, end - start - 1));
          i = end + 1;
        }
      } else {
        size_t end = start;
        while (end < sql.size() && isNameChar(static_cast<unsigned char>(sql[end]))) ++end;
        name = std::string(sql.substr(start, end - start));
        if (!name.empty()) i = end;
      }
      if (!name.empty()) {
        names.push_back(name);
        out += '?';
        continue;
      }
    }
    out += c;
    ++i;
  }
  if (doCreate) {
    BeginUpdate();
    try {
      Clear();
      for (const std::string& n : names) CreateParam(ftUnknown, n, ptInput);
    } catch (...) {
      EndUpdate();
      throw;
    }
    EndUpdate();
  }
  return out;
}
