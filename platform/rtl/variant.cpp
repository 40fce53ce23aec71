#include "platform/rtl/variant.h"

#include <atomic>
#include <bit>
#include <cstring>
#include <mutex>
#include <new>
#include <stdexcept>
#include <cmath>
#include <functional>
#include <limits>
#include <utility>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/smallblocks.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"

struct Variant::Array {
  int lo = 0;
  TVarType elemType = varVariant;
  std::vector<Variant> items;
};

// Private access for the free functions of this file.
struct VariantOps {
  // Same payload, other tag: between the two string tags, or double to date.
  static Variant Retag(Variant v, TVarType t) noexcept {
    if (Variant::IsShortTag(v.tag_) && (t == varString || t == varOleStr))
      v.tag_ = (v.tag_ & ~uint64_t{Variant::kShortOle}) | (t == varOleStr ? Variant::kShortOle : 0);
    else
      v.tag_ = t;
    return v;
  }
  // A scalar held in the 64-bit integer slot.
  static Variant Tagged(TVarType t, int64_t raw) noexcept {
    Variant v;
    v.tag_ = t;
    v.u_.i64 = raw;
    return v;
  }
  static int64_t I64(const Variant& v) noexcept { return v.u_.i64; }
  static uint64_t U64(const Variant& v) noexcept { return v.u_.u64; }
  static double Dbl(const Variant& v) noexcept { return v.tag_ == varSingle ? v.u_.sgl : v.u_.dbl; }
  static bool Bool(const Variant& v) noexcept { return v.u_.b; }
  static void* Ptr(const Variant& v) noexcept { return v.u_.ptr; }
  static std::string_view Str(const Variant& v) noexcept { return v.Text(); }
  static size_t BlockSize(size_t textSize) noexcept { return sizeof(Variant::StrRep) + textSize; }
  // Most texts are short (codes, names, amounts): up to 32 bytes are copied in two overlapping
  // moves of a fixed size each, without a call.
  static void CopyText(char* to, const char* from, size_t n) noexcept {
    if (n > 32) {
      std::memcpy(to, from, n);
    } else if (n >= 16) {
      std::memcpy(to, from, 16);
      std::memcpy(to + n - 16, from + n - 16, 16);
    } else if (n >= 8) {
      std::memcpy(to, from, 8);
      std::memcpy(to + n - 8, from + n - 8, 8);
    } else if (n >= 4) {
      std::memcpy(to, from, 4);
      std::memcpy(to + n - 4, from + n - 4, 4);
    } else if (n > 0) {
      to[0] = from[0];
      to[n / 2] = from[n / 2];
      to[n - 1] = from[n - 1];
    }
  }
  // A new block holding a copy of the text, counted once.
  static Variant::StrRep* MakeRep(std::string_view text) {
    if (text.size() > UINT32_MAX - 64) throw std::length_error("Variant text too long");
    auto* rep = new (NewSmallBlock(BlockSize(text.size()))) Variant::StrRep{{1}, static_cast<uint32_t>(text.size())};
    CopyText(rep->Data(), text.data(), text.size());
    return rep;
  }
  static void FreeRep(Variant::StrRep* rep) noexcept {
    const size_t bytes = BlockSize(rep->size);
    rep->~StrRep();
    FreeSmallBlock(rep, bytes);
  }
};

namespace {

constexpr size_t kMaxArrayElements = size_t{1} << 26;

[[noreturn]] void CastError(TVarType from, TVarType to) {
  throw EVariantTypeCastError("Could not convert variant of type (" + VarTypeAsText(from) +
                              ") into type (" + VarTypeAsText(to) + ")");
}

[[noreturn]] void OverflowError(TVarType from, TVarType to) {
  throw EVariantOverflowError("Overflow while converting variant of type (" + VarTypeAsText(from) +
                              ") into type (" + VarTypeAsText(to) + ")");
}

[[noreturn]] void InvalidOp() { throw EVariantInvalidOpError("Invalid variant operation"); }
[[noreturn]] void BadIndex() { throw EVariantBadIndexError("Variant or safe array index out of bounds"); }
[[noreturn]] void NotArray() { throw EVariantInvalidOpError("Variant is not an array"); }

bool IsIntType(TVarType t) noexcept {
  switch (t) {
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
    case varLongWord: case varInt64: case varUInt64:
      return true;
    default:
      return false;
  }
}

bool IsStrType(TVarType t) noexcept { return t == varString || t == varOleStr; }

// Rounds a finite double to Int64 with halves to even; false when it does not fit.
bool DoubleToInt64(double d, int64_t& out) noexcept {
  if (!std::isfinite(d)) return false;
  double r = RoundHalfEven(d);
  if (r < -9223372036854775808.0 || r >= 9223372036854775808.0) return false;
  out = static_cast<int64_t>(r);
  return true;
}

// Currency to its nearest integer, halves to even.
int64_t CurrencyToInt64(int64_t scaled) noexcept {
  int64_t q = scaled / CurrencyScale;
  int64_t r = scaled % CurrencyScale;
  int64_t ar = r < 0 ? -r : r;
  if (ar > CurrencyScale / 2 || (ar == CurrencyScale / 2 && (q & 1) != 0)) q += r < 0 ? -1 : 1;
  return q;
}

bool FitsInt32(int64_t v) noexcept {
  return v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max();
}

}  // namespace


// ---------------------------------------------------------------- life cycle

static_assert(sizeof(Variant) == 16 && std::endian::native == std::endian::little,
              "a short text starts in the tag word's upper six bytes and runs on into the value's");

void Variant::CopyFrom(const Variant& other) {
  if (IsStrTag(other.tag_)) {
    other.u_.str->refs.fetch_add(1, std::memory_order_relaxed);
    u_.str = other.u_.str;
  } else if (other.tag_ & varArray) {
    u_.arr = new Array(*other.u_.arr);
  } else {
    TakeBits(other);
  }
  tag_ = other.tag_;
}

void Variant::Release() noexcept {
  if (IsStrTag(tag_)) {
    if (u_.str->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) VariantOps::FreeRep(u_.str);
  } else if (tag_ & varArray) {
    delete u_.arr;
  }
  tag_ = varEmpty;
  u_.i64 = 0;
}

void Variant::Clear() noexcept { Release(); }

void Variant::FreeText(StrRep* rep) noexcept { VariantOps::FreeRep(rep); }

// A text longer than a short one, copied into a block of its own.
void Variant::SetLongString(std::string_view s, TVarType type) {
  u_.i64 = 0;
  u_.str = VariantOps::MakeRep(s);
  tag_ = type;
}

// ---------------------------------------------------------------- construction

Variant::Variant(bool v) noexcept : tag_(varBoolean) { u_.i64 = 0; u_.b = v; }
Variant::Variant(int v) noexcept : tag_(varInteger) { u_.i64 = v; }
Variant::Variant(long v) noexcept : tag_(FitsInt32(v) ? varInteger : varInt64) { u_.i64 = v; }
Variant::Variant(long long v) noexcept : tag_(FitsInt32(v) ? varInteger : varInt64) { u_.i64 = v; }
Variant::Variant(unsigned v) noexcept : tag_(varLongWord) { u_.i64 = v; }
Variant::Variant(unsigned long v) noexcept : Variant(static_cast<unsigned long long>(v)) {}
Variant::Variant(unsigned long long v) noexcept {
  u_.u64 = v;
  if (v <= static_cast<uint64_t>(std::numeric_limits<int32_t>::max())) tag_ = varInteger;
  else if (v <= static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) tag_ = varInt64;
  else tag_ = varUInt64;
}
Variant::Variant(float v) noexcept : tag_(varSingle) { u_.i64 = 0; u_.sgl = v; }
Variant::Variant(Currency v) noexcept : tag_(varCurrency) { u_.i64 = v.Value; }
Variant::Variant(const char* v) : tag_(varEmpty) { SetString(v ? std::string_view(v) : std::string_view(), varString); }
Variant::Variant(const std::string& v) : Variant(std::string_view(v)) {}
Variant::Variant(std::string&& v) : Variant(std::string_view(v)) {}
Variant::Variant(const char16_t* v) : tag_(varEmpty) {
  SetString(v ? Utf16ToUtf8(v) : std::string(), varOleStr);
}
Variant::Variant(std::u16string_view v) : tag_(varEmpty) { SetString(Utf16ToUtf8(v), varOleStr); }

Variant Variant::FromSmallint(int16_t i) noexcept { return VariantOps::Tagged(varSmallint, i); }
Variant Variant::FromShortInt(int8_t i) noexcept { return VariantOps::Tagged(varShortInt, i); }
Variant Variant::FromByte(uint8_t i) noexcept { return VariantOps::Tagged(varByte, i); }
Variant Variant::FromWord(uint16_t i) noexcept { return VariantOps::Tagged(varWord, i); }
Variant Variant::FromUInt64(uint64_t i) noexcept { return VariantOps::Tagged(varUInt64, static_cast<int64_t>(i)); }
Variant Variant::FromError(int32_t code) noexcept { return VariantOps::Tagged(varError, code); }

Variant Variant::FromPointer(void* p) noexcept {
  Variant v;
  v.tag_ = varUnknown;
  v.u_.ptr = p;
  return v;
}

// ---------------------------------------------------------------- classification

bool Variant::IsNumeric() const noexcept {
  return IsIntType(tag_) || tag_ == varSingle || tag_ == varDouble || tag_ == varCurrency;
}

bool Variant::IsOrdinal() const noexcept { return IsIntType(tag_) || tag_ == varBoolean; }

bool Variant::IsFloat() const noexcept {
  return tag_ == varSingle || tag_ == varDouble || tag_ == varCurrency;
}

bool Variant::IsStr() const noexcept { return IsStrType(VarType()); }

std::string VarTypeAsText(TVarType type) {
  if (type & varArray) return "Array of " + VarTypeAsText(type & varTypeMask);
  std::string name;
  switch (type & varTypeMask) {
    case varEmpty: name = "Empty"; break;
    case varNull: name = "Null"; break;
    case varSmallint: name = "Smallint"; break;
    case varInteger: name = "Integer"; break;
    case varSingle: name = "Single"; break;
    case varDouble: name = "Double"; break;
    case varCurrency: name = "Currency"; break;
    case varDate: name = "Date"; break;
    case varOleStr: name = "OleStr"; break;
    case varDispatch: name = "Dispatch"; break;
    case varError: name = "Error"; break;
    case varBoolean: name = "Boolean"; break;
    case varVariant: name = "Variant"; break;
    case varUnknown: name = "Unknown"; break;
    case varShortInt: name = "ShortInt"; break;
    case varByte: name = "Byte"; break;
    case varWord: name = "Word"; break;
    case varLongWord: name = "LongWord"; break;
    case varInt64: name = "Int64"; break;
    case varUInt64: name = "UInt64"; break;
    case varString: name = "String"; break;
    default: name = "Unknown type $" + IntToHex(static_cast<int32_t>(type & varTypeMask), 4); break;
  }
  if (type & varByRef) name += " by reference";
  return name;
}

// ---------------------------------------------------------------- conversions

int64_t Variant::AsInt64() const {
  switch (VarType()) {
    case varEmpty: return 0;
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
    case varLongWord: case varInt64:
      return u_.i64;
    case varUInt64:
      if (u_.u64 > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) OverflowError(VarType(), varInt64);
      return static_cast<int64_t>(u_.u64);
    case varSingle: case varDouble: case varDate: {
      int64_t r;
      if (!DoubleToInt64(tag_ == varSingle ? u_.sgl : u_.dbl, r)) OverflowError(VarType(), varInt64);
      return r;
    }
    case varCurrency: return CurrencyToInt64(u_.i64);
    case varBoolean: return u_.b ? -1 : 0;
    case varString: case varOleStr: {
      const std::string_view s = Text();
      int64_t r;
      if (TryStrToInt64(s, r)) return r;
      double d;
      if (TryStrToFloat(s, d)) {
        if (!DoubleToInt64(d, r)) OverflowError(VarType(), varInt64);
        return r;
      }
      CastError(VarType(), varInt64);
    }
    default: CastError(VarType(), varInt64);
  }
}

uint64_t Variant::AsUInt64() const {
  if (tag_ == varUInt64) return u_.u64;
  int64_t v;
  try {
    v = AsInt64();
  } catch (const EVariantTypeCastError&) {
    CastError(VarType(), varUInt64);
  } catch (const EVariantOverflowError&) {
    // A double beyond Int64 may still fit the unsigned range.
    double d = AsDouble();
    double r = RoundHalfEven(d);
    if (r >= 0 && r < 18446744073709551616.0) return static_cast<uint64_t>(r);
    OverflowError(VarType(), varUInt64);
  }
  if (v < 0) OverflowError(VarType(), varUInt64);
  return static_cast<uint64_t>(v);
}

int32_t Variant::AsInteger() const {
  if (tag_ == varInteger) return static_cast<int32_t>(u_.i64);
  int64_t v;
  try {
    v = AsInt64();
  } catch (const EVariantTypeCastError&) {
    CastError(VarType(), varInteger);
  } catch (const EVariantOverflowError&) {
    OverflowError(VarType(), varInteger);
  }
  if (!FitsInt32(v)) OverflowError(VarType(), varInteger);
  return static_cast<int32_t>(v);
}

double Variant::AsDouble() const {
  switch (VarType()) {
    case varEmpty: return 0.0;
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
    case varLongWord: case varInt64:
      return static_cast<double>(u_.i64);
    case varUInt64: return static_cast<double>(u_.u64);
    case varSingle: return u_.sgl;
    case varDouble: case varDate: return u_.dbl;
    case varCurrency: return Currency::FromScaled(u_.i64).ToDouble();
    case varBoolean: return u_.b ? -1.0 : 0.0;
    case varString: case varOleStr: {
      double d;
      if (TryStrToFloat(Text(), d)) return d;
      CastError(VarType(), varDouble);
    }
    default: CastError(VarType(), varDouble);
  }
}

Currency Variant::AsCurrency() const {
  constexpr int64_t kMaxWhole = std::numeric_limits<int64_t>::max() / CurrencyScale;
  switch (VarType()) {
    case varCurrency: return Currency::FromScaled(u_.i64);
    case varEmpty: return Currency();
    case varBoolean: return Currency::FromInt(u_.b ? -1 : 0);
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
    case varLongWord: case varInt64:
      if (u_.i64 > kMaxWhole || u_.i64 < -kMaxWhole) OverflowError(VarType(), varCurrency);
      return Currency::FromInt(u_.i64);
    case varUInt64:
      if (u_.u64 > static_cast<uint64_t>(kMaxWhole)) OverflowError(VarType(), varCurrency);
      return Currency::FromInt(static_cast<int64_t>(u_.u64));
    case varSingle: case varDouble: case varDate:
      try {
        return Currency::FromDouble(tag_ == varSingle ? u_.sgl : u_.dbl);
      } catch (const Exception&) {
        OverflowError(VarType(), varCurrency);
      }
    case varString: case varOleStr: {
      Currency c;
      if (TryStrToCurr(Text(), c)) return c;
      CastError(VarType(), varCurrency);
    }
    default: CastError(VarType(), varCurrency);
  }
}

TDateTime Variant::AsDateTime() const {
  switch (VarType()) {
    case varDate: return u_.dbl;
    case varString: case varOleStr: {
      TDateTime d;
      if (TryStrToDateTime(Text(), d)) return d;
      CastError(VarType(), varDate);
    }
    case varBoolean: CastError(VarType(), varDate);
    default:
      try {
        return AsDouble();
      } catch (const EVariantTypeCastError&) {
        CastError(VarType(), varDate);
      }
  }
}

bool Variant::AsBoolean() const {
  switch (VarType()) {
    case varBoolean: return u_.b;
    case varEmpty: return false;
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
    case varLongWord: case varInt64: case varUInt64: case varCurrency:
      return u_.i64 != 0;
    case varSingle: return u_.sgl != 0.0f;
    case varDouble: case varDate: return u_.dbl != 0.0;
    case varString: case varOleStr: {
      bool b;
      if (TryStrToBool(Text(), b)) return b;
      CastError(VarType(), varBoolean);
    }
    default: CastError(VarType(), varBoolean);
  }
}

std::string Variant::AsString() const {
  switch (VarType()) {
    case varEmpty: case varNull: return std::string();
    case varString: case varOleStr: return std::string(Text());
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
    case varLongWord: case varInt64:
      return IntToStr(u_.i64);
    case varUInt64: return std::to_string(u_.u64);
    case varSingle: return FloatToStrF(u_.sgl, ffGeneral, 7, 0);
    case varDouble: return FloatToStr(u_.dbl);
    case varCurrency: return CurrToStr(Currency::FromScaled(u_.i64));
    case varDate: return DateTimeToStr(u_.dbl);
    case varBoolean: return u_.b ? "True" : "False";
    default: CastError(VarType(), varString);
  }
}

std::u16string Variant::AsWideString() const { return Utf8ToUtf16(AsString()); }

void* Variant::AsPointer() const {
  switch (VarType()) {
    case varEmpty: case varNull: return nullptr;
    case varUnknown: case varDispatch: return u_.ptr;
    default: CastError(VarType(), varUnknown);
  }
}

std::string_view Variant::StrRef() const {
  if (!IsStrType(VarType())) CastError(VarType(), varString);
  return Text();
}

std::string VarToStr(const Variant& v) { return v.AsString(); }

std::string VarToStrDef(const Variant& v, const std::string& def) {
  return v.IsNull() || v.IsEmpty() ? def : v.AsString();
}

std::u16string VarToWideStr(const Variant& v) { return v.AsWideString(); }

Variant VarCast(const Variant& v, TVarType type) {
  const TVarType from = v.VarType();
  if (type == varVariant) return v;
  if (type == varEmpty) return Variant();
  if (type & varArray) {
    if (from == type) return v;
    CastError(from, type);
  }
  if (from == varNull) {
    if (type == varNull) return Variant::Null();
    CastError(from, type);
  }
  if (v.IsArray()) CastError(from, type);
  if (from == type) return v;

  auto ranged = [&](int64_t lo, int64_t hi) {
    int64_t i;
    try {
      i = v.AsInt64();
    } catch (const EVariantTypeCastError&) {
      CastError(from, type);
    } catch (const EVariantOverflowError&) {
      OverflowError(from, type);
    }
    if (i < lo || i > hi) OverflowError(from, type);
    return i;
  };

  switch (type) {
    case varNull: return Variant::Null();
    case varSmallint: return Variant::FromSmallint(static_cast<int16_t>(ranged(INT16_MIN, INT16_MAX)));
    case varInteger: return Variant(static_cast<int>(ranged(INT32_MIN, INT32_MAX)));
    case varShortInt: return Variant::FromShortInt(static_cast<int8_t>(ranged(INT8_MIN, INT8_MAX)));
    case varByte: return Variant::FromByte(static_cast<uint8_t>(ranged(0, UINT8_MAX)));
    case varWord: return Variant::FromWord(static_cast<uint16_t>(ranged(0, UINT16_MAX)));
    case varLongWord: return Variant(static_cast<unsigned>(ranged(0, UINT32_MAX)));
    case varInt64: return Variant::FromInt64(ranged(INT64_MIN, INT64_MAX));
    case varUInt64: return Variant::FromUInt64(v.AsUInt64());
    case varSingle: {
      double d = v.AsDouble();
      if (std::isfinite(d) && std::fabs(d) > std::numeric_limits<float>::max()) OverflowError(from, type);
      return Variant(static_cast<float>(d));
    }
    case varDouble: return Variant(v.AsDouble());
    case varCurrency: return Variant(v.AsCurrency());
    case varDate: return Variant::FromDateTime(v.AsDateTime());
    case varBoolean: return Variant(v.AsBoolean());
    case varString: return Variant(v.AsString());
    case varOleStr: return VariantOps::Retag(Variant(v.AsString()), varOleStr);
    default: CastError(from, type);
  }
}

Variant VarAsType(const Variant& v, TVarType type) { return VarCast(v, type); }

// ---------------------------------------------------------------- arrays

Variant::Array& Variant::ArrayData() const {
  if (!(tag_ & varArray)) NotArray();
  return *u_.arr;
}

namespace {
Variant InitialElement(TVarType elemType) {
  if (elemType == varVariant) return Variant();
  if (IsStrType(elemType)) return VariantOps::Retag(Variant(""), elemType);
  return VarCast(Variant(0), elemType);
}

bool ValidElementType(TVarType t) {
  switch (t) {
    case varSmallint: case varInteger: case varSingle: case varDouble: case varCurrency:
    case varDate: case varOleStr: case varBoolean: case varVariant: case varShortInt:
    case varByte: case varWord: case varLongWord: case varInt64: case varUInt64: case varString:
      return true;
    default:
      return false;
  }
}
}  // namespace

Variant Variant::CreateArray(int lo, int hi, TVarType elementType) {
  int64_t count = static_cast<int64_t>(hi) - lo + 1;
  if (count < 0 || static_cast<uint64_t>(count) > kMaxArrayElements || !ValidElementType(elementType))
    throw EVariantArrayCreateError("Error creating variant or safe array");
  auto* a = new Array;
  a->lo = lo;
  a->elemType = elementType;
  try {
    a->items.assign(static_cast<size_t>(count), InitialElement(elementType));
  } catch (...) {
    delete a;
    throw;
  }
  Variant v;
  v.tag_ = varArray | elementType;
  v.u_.arr = a;
  return v;
}

Variant Variant::ArrayOf(std::initializer_list<Variant> items) {
  Variant v = CreateArray(0, static_cast<int>(items.size()) - 1, varVariant);
  v.u_.arr->items.assign(items.begin(), items.end());
  return v;
}

Variant Variant::ArrayOf(const std::vector<Variant>& items) {
  if (items.size() > kMaxArrayElements) throw EVariantArrayCreateError("Error creating variant or safe array");
  Variant v = CreateArray(0, static_cast<int>(items.size()) - 1, varVariant);
  v.u_.arr->items = items;
  return v;
}

int Variant::ArrayLowBound() const { return ArrayData().lo; }

int Variant::ArrayHighBound() const {
  const Array& a = ArrayData();
  return static_cast<int>(a.lo + static_cast<int64_t>(a.items.size()) - 1);
}

int Variant::ArrayCount() const { return static_cast<int>(ArrayData().items.size()); }

const Variant& Variant::GetElement(int index) const {
  const Array& a = ArrayData();
  int64_t i = static_cast<int64_t>(index) - a.lo;
  if (i < 0 || i >= static_cast<int64_t>(a.items.size())) BadIndex();
  return a.items[static_cast<size_t>(i)];
}

Variant& Variant::operator[](int index) { return const_cast<Variant&>(GetElement(index)); }

void Variant::SetElement(int index, Variant value) {
  Variant& slot = (*this)[index];
  TVarType et = u_.arr->elemType;
  if (et == varVariant || value.VarType() == et) slot = std::move(value);
  else slot = VarCast(value, et);
}

void Variant::ArrayRedim(int highBound) {
  Array& a = ArrayData();
  int64_t count = static_cast<int64_t>(highBound) - a.lo + 1;
  if (count < 0 || static_cast<uint64_t>(count) > kMaxArrayElements)
    throw EVariantArrayCreateError("Error creating variant or safe array");
  a.items.resize(static_cast<size_t>(count), InitialElement(a.elemType));
}

Variant VarArrayCreate(int lo, int hi, TVarType elementType) { return Variant::CreateArray(lo, hi, elementType); }
Variant VarArrayOf(std::initializer_list<Variant> items) { return Variant::ArrayOf(items); }

int VarArrayLowBound(const Variant& v, int dim) {
  if (!v.IsArray()) NotArray();
  if (dim != 1) BadIndex();
  return v.ArrayLowBound();
}

int VarArrayHighBound(const Variant& v, int dim) {
  if (!v.IsArray()) NotArray();
  if (dim != 1) BadIndex();
  return v.ArrayHighBound();
}

int VarArrayDimCount(const Variant& v) noexcept { return v.IsArray() ? 1 : 0; }

void VarArrayRedim(Variant& v, int highBound) { v.ArrayRedim(highBound); }

// ---------------------------------------------------------------- comparison

namespace {

enum class Cat { Empty, Null, Int, UInt, Float, Currency, Date, Bool, Str, Other };

Cat CategoryOf(const Variant& v) noexcept {
  TVarType t = v.VarType();
  switch (t) {
    case varEmpty: return Cat::Empty;
    case varNull: return Cat::Null;
    case varUInt64: return Cat::UInt;
    case varSingle: case varDouble: return Cat::Float;
    case varCurrency: return Cat::Currency;
    case varDate: return Cat::Date;
    case varBoolean: return Cat::Bool;
    case varString: case varOleStr: return Cat::Str;
    default: return IsIntType(t) ? Cat::Int : Cat::Other;
  }
}

bool IsIntegral(Cat c) noexcept { return c == Cat::Int || c == Cat::UInt || c == Cat::Bool; }
bool IsNumberCat(Cat c) noexcept {
  return IsIntegral(c) || c == Cat::Float || c == Cat::Currency || c == Cat::Date;
}

__int128 Wide(const Variant& v, Cat c) noexcept {
  if (c == Cat::UInt) return VariantOps::U64(v);
  if (c == Cat::Bool) return VariantOps::Bool(v) ? -1 : 0;
  return VariantOps::I64(v);
}

double ToDoubleOf(const Variant& v, Cat c) {
  switch (c) {
    case Cat::Int: return static_cast<double>(VariantOps::I64(v));
    case Cat::UInt: return static_cast<double>(VariantOps::U64(v));
    case Cat::Bool: return VariantOps::Bool(v) ? -1.0 : 0.0;
    case Cat::Currency: return Currency::FromScaled(VariantOps::I64(v)).ToDouble();
    default: return VariantOps::Dbl(v);
  }
}

template <class T>
int Cmp(T a, T b) noexcept {
  return a < b ? -1 : (a > b ? 1 : 0);
}

int CompareDoubles(double a, double b) {
  if (std::isnan(a) || std::isnan(b)) InvalidOp();
  return Cmp(a, b);
}

int CompareNumbers(const Variant& a, Cat ca, const Variant& b, Cat cb) {
  if (IsIntegral(ca) && IsIntegral(cb)) return Cmp(Wide(a, ca), Wide(b, cb));
  if (ca == Cat::Currency && cb == Cat::Currency) return Cmp(VariantOps::I64(a), VariantOps::I64(b));
  if (ca == Cat::Currency && IsIntegral(cb)) return Cmp<__int128>(VariantOps::I64(a), Wide(b, cb) * CurrencyScale);
  if (IsIntegral(ca) && cb == Cat::Currency) return Cmp<__int128>(Wide(a, ca) * CurrencyScale, VariantOps::I64(b));
  return CompareDoubles(ToDoubleOf(a, ca), ToDoubleOf(b, cb));
}

// A text against a number, a date or a Boolean: the text is read as the other's kind.
int CompareTextWith(std::string_view s, TVarType textType, const Variant& b, Cat cb) {
  switch (cb) {
    case Cat::Bool: {
      bool x;
      if (!TryStrToBool(s, x)) CastError(textType, varBoolean);
      return Cmp(static_cast<int>(x), static_cast<int>(VariantOps::Bool(b)));
    }
    case Cat::Date: {
      TDateTime d;
      if (!TryStrToDateTime(s, d)) CastError(textType, varDate);
      return CompareDoubles(d, VariantOps::Dbl(b));
    }
    case Cat::Int: case Cat::UInt: {
      int64_t i;
      if (TryStrToInt64(s, i)) return Cmp<__int128>(i, Wide(b, cb));
      break;
    }
    case Cat::Currency: {
      Currency c;
      if (TryStrToCurr(s, c)) return Cmp(c.Value, VariantOps::I64(b));
      break;
    }
    default: break;
  }
  double d;
  if (!TryStrToFloat(s, d)) CastError(textType, varDouble);
  return CompareDoubles(d, ToDoubleOf(b, cb));
}

int CompareTexts(std::string_view a, std::string_view b) {
  if (a == b) return 0;
  int r = AnsiCompareStr(a, b);
  if (r == 0) r = CompareStr(a, b);  // texts the collation cannot tell apart still differ
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

Variant ZeroLike(Cat other) {
  switch (other) {
    case Cat::Str: return Variant("");
    case Cat::Bool: return Variant(false);
    case Cat::Date: return Variant::FromDateTime(0.0);
    default: return Variant(0);
  }
}

}  // namespace

int VarCompare(const Variant& a, const Variant& b) {
  Cat ca = CategoryOf(a), cb = CategoryOf(b);
  if (ca == Cat::Null || cb == Cat::Null) {
    if (a.IsArray() || b.IsArray()) InvalidOp();
    return ca == cb ? 0 : (ca == Cat::Null ? -1 : 1);
  }
  if (ca == Cat::Empty || cb == Cat::Empty) {
    if (ca == cb) return 0;
    if (ca == Cat::Empty) {
      if (cb == Cat::Other) InvalidOp();
      return VarCompare(ZeroLike(cb), b);
    }
    if (ca == Cat::Other) InvalidOp();
    return VarCompare(a, ZeroLike(ca));
  }
  if (ca == Cat::Str && cb == Cat::Str) return CompareTexts(VariantOps::Str(a), VariantOps::Str(b));
  if (ca == Cat::Str && cb != Cat::Other) return CompareTextWith(VariantOps::Str(a), a.VarType(), b, cb);
  if (cb == Cat::Str && ca != Cat::Other) return -CompareTextWith(VariantOps::Str(b), b.VarType(), a, ca);
  if (ca == Cat::Bool && cb == Cat::Bool)
    return Cmp(static_cast<int>(VariantOps::Bool(a)), static_cast<int>(VariantOps::Bool(b)));
  if (IsNumberCat(ca) && IsNumberCat(cb)) return CompareNumbers(a, ca, b, cb);
  // Error codes and references compare only with their own kind.
  TVarType ta = a.VarType(), tb = b.VarType();
  if (ta == varError && tb == varError) return Cmp(VariantOps::I64(a), VariantOps::I64(b));
  if ((ta == varUnknown || ta == varDispatch) && (tb == varUnknown || tb == varDispatch)) {
    std::less<void*> less;
    void* pa = VariantOps::Ptr(a);
    void* pb = VariantOps::Ptr(b);
    return less(pa, pb) ? -1 : (less(pb, pa) ? 1 : 0);
  }
  InvalidOp();
}

bool operator==(const Variant& a, const Variant& b) { return VarCompare(a, b) == 0; }
bool operator<(const Variant& a, const Variant& b) { return VarCompare(a, b) < 0; }

TVariantRelationship VarCompareValue(const Variant& a, const Variant& b) {
  bool aBlank = a.IsNull() || a.IsEmpty();
  bool bBlank = b.IsNull() || b.IsEmpty();
  if (aBlank || bBlank) return a.VarType() == b.VarType() ? vrEqual : vrNotEqual;
  try {
    int r = VarCompare(a, b);
    return r == 0 ? vrEqual : (r < 0 ? vrLessThan : vrGreaterThan);
  } catch (const EVariantError&) {
    return vrNotEqual;
  }
}

bool VarSameValue(const Variant& a, const Variant& b) {
  try {
    return VarCompare(a, b) == 0;
  } catch (const EVariantError&) {
    return false;
  }
}

// ---------------------------------------------------------------- arithmetic

namespace {

enum class Op { Add, Sub, Mul, Div, IntDiv, Mod };

// An operand reduced to one of four kinds.
struct Num {
  enum Kind { Int, Float, Curr, Date } kind = Int;
  int64_t i = 0;     // Int; Curr scaled
  double f = 0;      // Float, Date
  bool wide = false;    // Int64/UInt64 origin: results stay Int64
  bool single = false;  // Float of single precision
  double AsDouble() const {
    switch (kind) {
      case Int: return static_cast<double>(i);
      case Curr: return Currency::FromScaled(i).ToDouble();
      default: return f;
    }
  }
};

Num ToNum(const Variant& v, Cat c) {
  Num n;
  switch (c) {
    case Cat::Empty: break;
    case Cat::Bool: n.i = VariantOps::Bool(v) ? -1 : 0; break;
    case Cat::Int: n.i = VariantOps::I64(v); n.wide = v.VarType() == varInt64; break;
    case Cat::UInt: {
      uint64_t u = VariantOps::U64(v);
      if (u <= static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) {
        n.i = static_cast<int64_t>(u);
        n.wide = true;
      } else {
        n.kind = Num::Float;
        n.f = static_cast<double>(u);
      }
      break;
    }
    case Cat::Float: n.kind = Num::Float; n.f = VariantOps::Dbl(v); n.single = v.VarType() == varSingle; break;
    case Cat::Currency: n.kind = Num::Curr; n.i = VariantOps::I64(v); break;
    case Cat::Date: n.kind = Num::Date; n.f = VariantOps::Dbl(v); break;
    case Cat::Str: {
      n.kind = Num::Float;
      if (!TryStrToFloat(VariantOps::Str(v), n.f)) CastError(v.VarType(), varDouble);
      break;
    }
    default: InvalidOp();
  }
  return n;
}

Variant IntResult(__int128 r, bool wide) {
  if (r < std::numeric_limits<int64_t>::min() || r > std::numeric_limits<int64_t>::max())
    return Variant(static_cast<double>(r));
  auto v = static_cast<int64_t>(r);
  if (!wide && FitsInt32(v)) return Variant(static_cast<int>(v));
  return Variant::FromInt64(v);
}

Variant CurrencyResult(__int128 scaled) {
  if (scaled < std::numeric_limits<int64_t>::min() || scaled > std::numeric_limits<int64_t>::max())
    return Variant(static_cast<double>(scaled) / CurrencyScale);
  return Variant(Currency::FromScaled(static_cast<int64_t>(scaled)));
}

// Quotient of a 128-bit value by 10,000 with halves to even.
__int128 DivideScale(__int128 p) {
  __int128 q = p / CurrencyScale, r = p % CurrencyScale;
  __int128 ar = r < 0 ? -r : r;
  if (ar > CurrencyScale / 2 || (ar == CurrencyScale / 2 && (q & 1) != 0)) q += r < 0 ? -1 : 1;
  return q;
}

int64_t ToIntegerOperand(const Num& n) {
  switch (n.kind) {
    case Num::Int: return n.i;
    case Num::Curr: return CurrencyToInt64(n.i);
    default: {
      int64_t r;
      if (!DoubleToInt64(n.f, r)) OverflowError(varDouble, varInt64);
      return r;
    }
  }
}

Variant Arith(const Variant& a, const Variant& b, Op op) {
  Cat ca = CategoryOf(a), cb = CategoryOf(b);
  if (ca == Cat::Other || cb == Cat::Other) InvalidOp();
  if (ca == Cat::Null || cb == Cat::Null) return Variant::Null();
  if (op == Op::Add && (ca == Cat::Str || cb == Cat::Str) && (ca == Cat::Str || ca == Cat::Empty) &&
      (cb == Cat::Str || cb == Cat::Empty)) {
    if (cb == Cat::Empty || VariantOps::Str(b).empty()) return a.IsEmpty() ? b : a;
    if (ca == Cat::Empty || VariantOps::Str(a).empty()) return b;
    std::string s;
    s.reserve(VariantOps::Str(a).size() + VariantOps::Str(b).size());
    s += VariantOps::Str(a);
    s += VariantOps::Str(b);
    return VariantOps::Retag(Variant(std::move(s)), a.VarType());
  }
  Num x = ToNum(a, ca), y = ToNum(b, cb);

  if (op == Op::Div) {
    double d = y.AsDouble();
    if (d == 0.0) throw EZeroDivide("Floating point division by zero");
    return Variant(x.AsDouble() / d);
  }
  if (op == Op::IntDiv || op == Op::Mod) {
    int64_t p = ToIntegerOperand(x), q = ToIntegerOperand(y);
    if (q == 0) throw EDivByZero("Division by zero");
    bool wide = x.wide || y.wide;
    if (q == -1) return IntResult(op == Op::IntDiv ? -static_cast<__int128>(p) : 0, wide);
    return IntResult(op == Op::IntDiv ? p / q : p % q, wide);
  }
  if (x.kind == Num::Date || y.kind == Num::Date) {
    double p = x.AsDouble(), q = y.AsDouble();
    switch (op) {
      case Op::Add: return Variant::FromDateTime(p + q);
      case Op::Sub:
        if (x.kind == Num::Date && y.kind == Num::Date) return Variant(p - q);
        return Variant::FromDateTime(p - q);
      default: return Variant(p * q);
    }
  }
  if (x.kind == Num::Float || y.kind == Num::Float) {
    double p = x.AsDouble(), q = y.AsDouble();
    double r = op == Op::Add ? p + q : (op == Op::Sub ? p - q : p * q);
    bool single = x.kind == Num::Float && y.kind == Num::Float && x.single && y.single;
    if (single) return Variant(static_cast<float>(r));
    return Variant(r);
  }
  if (x.kind == Num::Curr || y.kind == Num::Curr) {
    __int128 p = x.kind == Num::Curr ? x.i : static_cast<__int128>(x.i) * CurrencyScale;
    __int128 q = y.kind == Num::Curr ? y.i : static_cast<__int128>(y.i) * CurrencyScale;
    switch (op) {
      case Op::Add: return CurrencyResult(p + q);
      case Op::Sub: return CurrencyResult(p - q);
      default:
        if (x.kind == Num::Curr && y.kind == Num::Curr) return CurrencyResult(DivideScale(p * q));
        return CurrencyResult(x.kind == Num::Curr ? p * y.i : x.i * q);
    }
  }
  __int128 p = x.i, q = y.i;
  __int128 r = op == Op::Add ? p + q : (op == Op::Sub ? p - q : p * q);
  return IntResult(r, x.wide || y.wide);
}

}  // namespace

Variant operator+(const Variant& a, const Variant& b) { return Arith(a, b, Op::Add); }
Variant operator-(const Variant& a, const Variant& b) { return Arith(a, b, Op::Sub); }
Variant operator*(const Variant& a, const Variant& b) { return Arith(a, b, Op::Mul); }
Variant operator/(const Variant& a, const Variant& b) { return Arith(a, b, Op::Div); }
Variant IntDiv(const Variant& a, const Variant& b) { return Arith(a, b, Op::IntDiv); }
Variant IntMod(const Variant& a, const Variant& b) { return Arith(a, b, Op::Mod); }

Variant Variant::operator-() const {
  Cat c = CategoryOf(*this);
  if (c == Cat::Other) InvalidOp();
  if (c == Cat::Null) return Null();
  Num n = ToNum(*this, c);
  switch (n.kind) {
    case Num::Int: return IntResult(-static_cast<__int128>(n.i), n.wide);
    case Num::Curr: return CurrencyResult(-static_cast<__int128>(n.i));
    case Num::Date: return FromDateTime(-n.f);
    default: return n.single ? Variant(-u_.sgl) : Variant(-n.f);
  }
}
