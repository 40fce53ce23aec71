#pragma once
// The thin layer through which the editors, the data grid and the memory table reach the
// platform: locale comparisons, variant conversions and the memory stream with a larger growth
// step. (Text drawing, messages and rectangles join this unit with the controls.)
#include <bitset>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/rtl/streams.h"
#include "platform/rtl/variant.h"

class TDataSet;
class TPersistent;
struct TPropInfo;

using TCharSetGx = std::bitset<256>;

// Bit (code mod 256) of the set.
bool CharInSetGx(char32_t ch, const TCharSetGx& set) noexcept;

// Null gives ""; anything else the platform's conversion (Empty gives "" too).
std::string VarToStrGx(const Variant& v);

// Three-way locale comparisons answering -1, 0 or 1. A length of 0 compares the whole texts up to
// a terminating zero; a positive length compares at most that many characters of each (UTF-16
// units for the wide form, whole UTF-8 characters for the other).
int CompareWideStrGx(std::u16string_view s1, std::u16string_view s2, int length, bool ignoreCase);
int CompareAnsiStrGx(std::string_view s1, std::string_view s2, int length, bool ignoreCase);
int AnsiCompareStrGx(std::string_view s1, std::string_view s2);
int AnsiCompareTextGx(std::string_view s1, std::string_view s2);
std::string AnsiUpperCaseGx(std::string_view s);
std::string AnsiLowerCaseGx(std::string_view s);

// The dataset's own comparison of two bookmarks held in strings.
int DataSetCompareBookmarks(TDataSet* dataSet, const std::string& bookmark1, const std::string& bookmark2);
// The data source's dataset when the property is a component property holding a TDataSource;
// otherwise null.
TDataSet* GetPropDataSet(TPersistent* instance, const TPropInfo* propInfo);

// Resizes a one-dimensional variant array to the new high bound.
void VarArrayRedimGx(Variant& v, int highBound);
// Null stays Null whatever type is asked; varVariant (12) copies; anything else casts.
Variant VarCastGx(const Variant& v, TVarType type);
Variant VarAsVariantGx(const Variant& v);
int32_t VariantToInteger(const Variant& v);
Variant IntToVariant(int32_t value) noexcept;

// Copies up to and including the terminating zero; answers dest.
char16_t* WStrCopyGx(char16_t* dest, const char16_t* source) noexcept;

inline intptr_t RefToInt(const void* ref) noexcept { return reinterpret_cast<intptr_t>(ref); }
template <class T = void>
inline T* IntToRef(intptr_t value) noexcept { return reinterpret_cast<T*>(value); }

// Hooks that stand where the original platform had something to call; they do nothing.
inline void NoOpGx() noexcept {}

// A memory stream that grows in steps of twice its growth step (4096 by default), rounding the
// asked capacity up to the next multiple.
class TMemoryStreamGx : public TMemoryStream {
  FANO_CLASS(TMemoryStreamGx)
 public:
  TMemoryStreamGx() = default;
  int32_t GrowthStep() const noexcept { return growthStep_; }
  void SetGrowthStep(int32_t value) noexcept { growthStep_ = value; }

 protected:
  void* Realloc(int64_t& newCapacity) override;

 private:
  int32_t growthStep_ = 4096;
};
