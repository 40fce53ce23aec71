#pragma once
// Variant: the dynamically typed value that passes between fields, datasets, expressions and
// controls. Empty (unassigned) is distinct from Null. Scalars and texts of up to 14 bytes are held
// inline and never allocate; longer strings live on the heap, shared between copies (a copy only
// bumps a count); arrays live on the heap too and are copied element by element (they are small:
// multi-field keys and value lists). A view of a text (StrRef) lasts as long as the variant that
// holds it, not as long as the text's other holders.
#include <atomic>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/rtl/types.h"

using TVarType = uint16_t;

constexpr TVarType varEmpty = 0x0000;
constexpr TVarType varNull = 0x0001;
constexpr TVarType varSmallint = 0x0002;
constexpr TVarType varInteger = 0x0003;
constexpr TVarType varSingle = 0x0004;
constexpr TVarType varDouble = 0x0005;
constexpr TVarType varCurrency = 0x0006;
constexpr TVarType varDate = 0x0007;
constexpr TVarType varOleStr = 0x0008;
constexpr TVarType varDispatch = 0x0009;
constexpr TVarType varError = 0x000A;
constexpr TVarType varBoolean = 0x000B;
constexpr TVarType varVariant = 0x000C;
constexpr TVarType varUnknown = 0x000D;
constexpr TVarType varShortInt = 0x0010;
constexpr TVarType varByte = 0x0011;
constexpr TVarType varWord = 0x0012;
constexpr TVarType varLongWord = 0x0013;
constexpr TVarType varInt64 = 0x0014;
constexpr TVarType varUInt64 = 0x0015;
constexpr TVarType varString = 0x0100;
constexpr TVarType varTypeMask = 0x0FFF;
constexpr TVarType varArray = 0x2000;
constexpr TVarType varByRef = 0x4000;

// Result of VarCompareValue.
enum TVariantRelationship { vrEqual, vrLessThan, vrGreaterThan, vrNotEqual };

class Variant {
 public:
  Variant() noexcept : tag_(varEmpty) { u_.i64 = 0; }
  // Scalars and short texts are copied and dropped inline; only longer strings and arrays go out
  // of line.
  Variant(const Variant& other) {
    TakeBits(other);
    if ((tag_ & kHeapBits) == 0) return;
    if (IsStrTag(tag_)) {
      u_.str->refs.fetch_add(1, std::memory_order_relaxed);
    } else if (OwnsHeap(tag_)) {
      tag_ = varEmpty;
      CopyFrom(other);
    }
  }
  Variant(Variant&& other) noexcept {
    TakeBits(other);
    other.tag_ = varEmpty;
    other.u_.i64 = 0;
  }
  Variant& operator=(const Variant& other) {
    if (this == &other) return *this;
    if (OwnsHeap(other.tag_) && !IsStrTag(other.tag_)) {
      // An array is copied first, so a failed copy leaves this one as it was.
      Variant tmp(other);
      Swap(tmp);
      return *this;
    }
    // The count goes up before this value lets go: both may hold the same text.
    if (IsStrTag(other.tag_)) other.u_.str->refs.fetch_add(1, std::memory_order_relaxed);
    if (OwnsHeap(tag_)) Release();
    TakeBits(other);
    return *this;
  }
  Variant& operator=(Variant&& other) noexcept {
    if (this != &other) {
      if (OwnsHeap(tag_)) Release();
      TakeBits(other);
      other.tag_ = varEmpty;
      other.u_.i64 = 0;
    }
    return *this;
  }
  // A text's count is dropped here; only its last holder calls out to free it.
  ~Variant() {
    if ((tag_ & kHeapBits) == 0) return;
    if (IsStrTag(tag_)) {
      // A count of one is this holder's alone (no other could be raising it), so the last holder
      // frees without a locked instruction.
      if (u_.str->refs.load(std::memory_order_acquire) == 1 || u_.str->refs.fetch_sub(1, std::memory_order_acq_rel) == 1)
        FreeText(u_.str);
    } else if (OwnsHeap(tag_)) {
      Release();
    }
  }

  // Typed construction. Integers up to 32 bits are varInteger unless a narrower type is asked for.
  Variant(bool v) noexcept;
  Variant(int v) noexcept;
  Variant(long v) noexcept;       // varInteger when it fits, else varInt64
  Variant(long long v) noexcept;  // likewise
  Variant(unsigned v) noexcept;   // varLongWord
  Variant(unsigned long v) noexcept;       // varInteger, varInt64 or varUInt64, the first that fits
  Variant(unsigned long long v) noexcept;  // likewise
  // Inline, as the two below: a reply makes one for every number it reads, and the value is then
  // built in registers and stored straight into its record.
  Variant(double v) noexcept : tag_(varDouble) { u_.dbl = v; }
  Variant(float v) noexcept;
  Variant(Currency v) noexcept;
  Variant(const char* v);
  // Inline: a reply makes a text value for every text cell it reads.
  Variant(std::string_view v) : tag_(varEmpty) { SetString(v, varString); }
  Variant(const std::string& v);
  Variant(std::string&& v);
  Variant(const char16_t* v);  // stored as UTF-8 text (varOleStr)
  Variant(std::u16string_view v);
  Variant(const std::u16string& v) : Variant(std::u16string_view(v)) {}
  // Any other pointer would silently become a Boolean; FromPointer says what is meant.
  template <class T>
    requires(!std::is_same_v<std::remove_cv_t<T>, char> && !std::is_same_v<std::remove_cv_t<T>, char16_t>)
  Variant(T*) = delete;

  // Inline: a record's columns start as Nulls, and a fill of known Nulls needs no checks.
  static Variant Null() noexcept {
    Variant v;
    v.tag_ = varNull;
    return v;
  }
  static Variant Unassigned() noexcept { return Variant(); }
  static Variant FromDateTime(TDateTime v) noexcept {
    Variant r(v);
    r.tag_ = varDate;
    return r;
  }
  static Variant FromSmallint(int16_t v) noexcept;
  static Variant FromShortInt(int8_t v) noexcept;
  static Variant FromByte(uint8_t v) noexcept;
  static Variant FromWord(uint16_t v) noexcept;
  static Variant FromInt64(int64_t v) noexcept {  // always varInt64
    Variant r;
    r.tag_ = varInt64;
    r.u_.i64 = v;
    return r;
  }
  // Replaces the value with a copy of the text (varString), made in place.
  void AssignText(std::string_view s) {
    if (OwnsHeap(tag_)) Release();
    SetString(s, varString);
  }
  static Variant FromUInt64(uint64_t v) noexcept;
  static Variant FromError(int32_t code) noexcept;
  // A non-owning reference to an object or interface (varUnknown); compares by address.
  static Variant FromPointer(void* p) noexcept;
  // A one-dimensional array with bounds lo..hi whose elements have the given type (varVariant for
  // mixed elements); elements start as Empty (or zero for numeric element types).
  static Variant CreateArray(int lo, int hi, TVarType elementType = varVariant);
  static Variant ArrayOf(std::initializer_list<Variant> items);
  static Variant ArrayOf(const std::vector<Variant>& items);

  TVarType VarType() const noexcept {
    return (tag_ & kShortText) == 0 ? static_cast<TVarType>(tag_) : (tag_ & kShortOle) != 0 ? varOleStr : varString;
  }
  bool IsEmpty() const noexcept { return tag_ == varEmpty; }
  bool IsNull() const noexcept { return tag_ == varNull; }
  bool IsArray() const noexcept { return (tag_ & varArray) != 0; }
  bool IsNumeric() const noexcept;  // integers, floats, currency (not Boolean, not date)
  bool IsOrdinal() const noexcept;  // integers and Boolean
  bool IsFloat() const noexcept;    // single, double, currency
  bool IsStr() const noexcept;      // varString or varOleStr
  bool IsDate() const noexcept { return tag_ == varDate; }

  // Conversions; raise EVariantTypeCastError when the value cannot be converted (a text that is
  // not a number, Null, an array). Empty converts to 0, "" or False.
  int32_t AsInteger() const;
  int64_t AsInt64() const;
  uint64_t AsUInt64() const;  // negative values raise EVariantOverflowError
  double AsDouble() const;
  Currency AsCurrency() const;
  TDateTime AsDateTime() const;
  bool AsBoolean() const;
  std::string AsString() const;  // Null and Empty give ""
  std::u16string AsWideString() const;
  void* AsPointer() const;

  // Raw access to a string without a copy, valid while the variant holds it; raises
  // EVariantTypeCastError unless IsStr().
  std::string_view StrRef() const;

  // One-dimensional arrays. Index errors raise EVariantBadIndexError.
  int ArrayLowBound() const;
  int ArrayHighBound() const;
  int ArrayCount() const;
  const Variant& GetElement(int index) const;
  void SetElement(int index, Variant value);
  Variant& operator[](int index);
  const Variant& operator[](int index) const { return GetElement(index); }
  // Changes the high bound, keeping the elements that still fit.
  void ArrayRedim(int highBound);

  // Comparison: Null equals Null and is less than any other value; Empty compares as 0, "" or
  // False; texts compare by the locale's collation; a text against a number is read as a number.
  // Incomparable values (a text that is not a number against a number, an array against anything)
  // raise EVariantTypeCastError or EVariantInvalidOpError.
  friend bool operator==(const Variant& a, const Variant& b);
  friend bool operator!=(const Variant& a, const Variant& b) { return !(a == b); }
  friend bool operator<(const Variant& a, const Variant& b);
  friend bool operator>(const Variant& a, const Variant& b) { return b < a; }
  friend bool operator<=(const Variant& a, const Variant& b) { return !(b < a); }
  friend bool operator>=(const Variant& a, const Variant& b) { return !(a < b); }

  // Arithmetic: Null propagates; Empty counts as 0 (or "" beside a string); two strings
  // concatenate with +; a string with a number is read as a double; integer results widen to Int64
  // and then to double on overflow; currency stays currency beside integers; date plus a number
  // is a date. Arrays, errors and pointers raise EVariantInvalidOpError; dividing by zero raises
  // EZeroDivide (/) or EDivByZero (div, mod).
  friend Variant operator+(const Variant& a, const Variant& b);
  friend Variant operator-(const Variant& a, const Variant& b);
  friend Variant operator*(const Variant& a, const Variant& b);
  friend Variant operator/(const Variant& a, const Variant& b);  // always floating point
  Variant operator-() const;
  Variant& operator+=(const Variant& b) { return *this = *this + b; }
  Variant& operator-=(const Variant& b) { return *this = *this - b; }
  friend Variant IntDiv(const Variant& a, const Variant& b);  // div
  friend Variant IntMod(const Variant& a, const Variant& b);  // mod

  void Clear() noexcept;  // back to Empty
  // Asks the cache for the shared texts of `n` values about to be copied or dropped: their counts
  // change under a locked instruction, which waits for its line before the next can start, so
  // the lines are better all on their way first.
  static void PrefetchTexts(const Variant* values, size_t n) noexcept {
    for (size_t i = 0; i < n; ++i)
      if (IsStrTag(values[i].tag_)) __builtin_prefetch(values[i].u_.str, 1);
  }
  void Swap(Variant& other) noexcept {
    std::swap(tag_, other.tag_);
    std::swap(u_.u64, other.u_.u64);
  }

 private:
  friend struct VariantOps;
  // A text and its count in one block: the bytes follow the header.
  struct StrRep {
    std::atomic<uint32_t> refs;
    uint32_t size;
    char* Data() noexcept { return reinterpret_cast<char*>(this + 1); }
    std::string_view View() const noexcept { return {reinterpret_cast<const char*>(this + 1), size}; }
  };
  struct Array;
  // Only a text held in a block of its own: a short one has its own tag.
  static constexpr bool IsStrTag(uint64_t t) noexcept { return t == varString || t == varOleStr; }
  // A text of up to kShortMax bytes lives in the variant itself, in the bytes after the tag: no
  // block to make, count or free, and copies are two moves. Its tag holds kShortText, its length
  // (shifted by kShortShift) and kShortOle for varOleStr; none of these share a bit with
  // kHeapBits, so copies and drops take the scalars' path. VarType answers the public type.
  static constexpr TVarType kShortText = 0x8000;
  static constexpr TVarType kShortOle = 0x0001;
  static constexpr int kShortShift = 4;
  static constexpr size_t kShortMax = 14;
  static constexpr bool IsShortTag(uint64_t t) noexcept { return (t & kShortText) != 0; }
  char* ShortData() noexcept { return reinterpret_cast<char*>(this) + sizeof(TVarType); }
  const char* ShortData() const noexcept { return reinterpret_cast<const char*>(this) + sizeof(TVarType); }
  // The text of a string variant of either form.
  std::string_view Text() const noexcept {
    return IsShortTag(tag_) ? std::string_view(ShortData(), (tag_ >> kShortShift) & 0xF) : u_.str->View();
  }
  // Both words, whatever they hold; the caller settles who owns what.
  void TakeBits(const Variant& other) noexcept {
    tag_ = other.tag_;
    u_.u64 = other.u_.u64;
  }
  // Every type that holds memory of its own has one of these bits; most scalars have none, and
  // are told apart in one test.
  static constexpr TVarType kHeapBits = varString | varOleStr | varArray;
  // Strings and arrays hold memory of their own.
  static constexpr bool OwnsHeap(uint64_t t) noexcept {
    return (t & kHeapBits) != 0 && (t == varString || t == varOleStr || (t & varArray) != 0);
  }
  void CopyFrom(const Variant& other);
  void Release() noexcept;
  // Frees a text block whose last holder let it go.
  static void FreeText(StrRep* rep) noexcept;
  // The text is copied (into the variant when short, else into a block of its own), so a view or
  // a temporary does as well as a string. Inline: the short path needs no saved registers.
  void SetString(std::string_view s, TVarType type) {
    const size_t n = s.size();
    if (n > kShortMax) {
      SetLongString(s, type);
      return;
    }
    // The bytes are gathered into two words in registers, from loads that stay inside the text
    // (the overlapping bytes of two loads are the same bytes), and stored as two words.
    const char* const p = s.data();
    uint64_t low = 0, high = 0;  // bytes 0..7 and 8..13 of the text
    if (n >= 8) {
      std::memcpy(&low, p, 8);
      if (n > 8) {
        std::memcpy(&high, p + n - 8, 8);
        high >>= 8 * (16 - n);
      }
    } else if (n >= 4) {
      uint32_t a, b;
      std::memcpy(&a, p, 4);
      std::memcpy(&b, p + n - 4, 4);
      low = a | (uint64_t{b} << (8 * (n - 4)));
    } else if (n > 0) {
      low = static_cast<uint8_t>(p[0]) | (uint64_t{static_cast<uint8_t>(p[n / 2])} << (8 * (n / 2))) |
            (uint64_t{static_cast<uint8_t>(p[n - 1])} << (8 * (n - 1)));
    }
    // Text bytes 0..5 follow the tag in the first word; 6..13 fill the second.
    u_.u64 = (low >> 48) | (high << 16);
    tag_ = (low << 16) | kShortText | (uint64_t{n} << kShortShift) | (type == varOleStr ? kShortOle : 0);
  }
  void SetLongString(std::string_view s, TVarType type);
  Array& ArrayData() const;

  // The type in the low 16 bits, the rest zero, or a short text's first six bytes. One word, and
  // always written whole: a copy then reads it back in one move from a store of the same size,
  // which the processor forwards (a wider read over narrower fresh stores stalls).
  uint64_t tag_;
  union {
    int64_t i64;
    uint64_t u64;
    double dbl;
    float sgl;
    bool b;
    void* ptr;
    StrRep* str;       // varString, varOleStr: shared, never changed in place
    Array* arr;        // varArray | element type
  } u_;
};

inline Variant Null() noexcept { return Variant::Null(); }
inline Variant Unassigned() noexcept { return Variant(); }

inline TVarType VarType(const Variant& v) noexcept { return v.VarType(); }
inline bool VarIsNull(const Variant& v) noexcept { return v.IsNull(); }
inline bool VarIsEmpty(const Variant& v) noexcept { return v.IsEmpty(); }
inline bool VarIsClear(const Variant& v) noexcept { return v.IsEmpty(); }
inline bool VarIsArray(const Variant& v) noexcept { return v.IsArray(); }
inline bool VarIsNumeric(const Variant& v) noexcept { return v.IsNumeric(); }
inline bool VarIsOrdinal(const Variant& v) noexcept { return v.IsOrdinal(); }
inline bool VarIsFloat(const Variant& v) noexcept { return v.IsFloat(); }
inline bool VarIsStr(const Variant& v) noexcept { return v.IsStr(); }
// Null or Empty.
inline bool VarIsNullOrEmpty(const Variant& v) noexcept { return v.IsNull() || v.IsEmpty(); }

std::string VarToStr(const Variant& v);  // Null and Empty give ""
std::string VarToStrDef(const Variant& v, const std::string& def);
std::u16string VarToWideStr(const Variant& v);
// Converts to the given type; raises EVariantTypeCastError ("Could not convert variant of type
// (%s) into type (%s)") when it cannot. Casting Null to anything but Null raises too.
Variant VarCast(const Variant& v, TVarType type);
Variant VarAsType(const Variant& v, TVarType type);
// Name of a type as the conversion error shows it ("String", "Integer", "Null", ...).
std::string VarTypeAsText(TVarType type);

Variant VarArrayCreate(int lo, int hi, TVarType elementType = varVariant);
Variant VarArrayOf(std::initializer_list<Variant> items);
int VarArrayLowBound(const Variant& v, int dim = 1);
int VarArrayHighBound(const Variant& v, int dim = 1);
int VarArrayDimCount(const Variant& v) noexcept;
void VarArrayRedim(Variant& v, int highBound);

// Three-way comparison with the rules of the operators: -1, 0 or 1; raises for incomparable values.
int VarCompare(const Variant& a, const Variant& b);
// Three-way comparison that never raises: Null or Empty against anything else, and incomparable
// values, answer vrNotEqual; Null against Null and Empty against Empty are vrEqual.
TVariantRelationship VarCompareValue(const Variant& a, const Variant& b);
// Equal type-insensitively; false for incomparable values.
bool VarSameValue(const Variant& a, const Variant& b);
