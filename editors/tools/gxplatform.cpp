#include "editors/tools/gxplatform.h"

#include <algorithm>
#include <climits>

#include "platform/classes/published.h"
#include "platform/db/dataset.h"
#include "platform/db/datasource.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/strings.h"

FANO_IMPLEMENT_CLASS(TMemoryStreamGx, TMemoryStream)

bool CharInSetGx(char32_t ch, const TCharSetGx& set) noexcept { return set.test(static_cast<size_t>(ch) & 0xFF); }

std::string VarToStrGx(const Variant& v) { return v.IsNull() ? std::string() : VarToStr(v); }

namespace {

// The platform answers 1, 2 or 3; callers want -1, 0 or 1.
int CompareLocale(std::string_view s1, std::string_view s2, int length, bool ignoreCase) {
  int len = length == 0 ? -1 : length;
  return CompareStringLocale(ignoreCase ? NORM_IGNORECASE : 0, s1, len, s2, len) - 2;
}

std::u16string_view CutWide(std::u16string_view s, int length) {
  if (length <= 0) {
    size_t z = s.find(u'\0');
    return z == std::u16string_view::npos ? s : s.substr(0, z);
  }
  return s.substr(0, std::min(s.size(), static_cast<size_t>(length)));
}

// The first `length` characters (code points, never a part of one); up to a zero when the length is
// 0 or less.
std::string_view CutChars(std::string_view s, int length) {
  if (length <= 0) {
    size_t z = s.find('\0');
    return z == std::string_view::npos ? s : s.substr(0, z);
  }
  size_t pos = 0;
  for (int n = 0; n < length && pos < s.size(); ++n)
    pos += static_cast<size_t>(Utf8SequenceLength(static_cast<unsigned char>(s[pos])));
  return s.substr(0, std::min(pos, s.size()));
}

}  // namespace

int CompareWideStrGx(std::u16string_view s1, std::u16string_view s2, int length, bool ignoreCase) {
  std::string a = Utf16ToUtf8(CutWide(s1, length));
  std::string b = Utf16ToUtf8(CutWide(s2, length));
  return CompareLocale(a, b, -1, ignoreCase);
}

int CompareAnsiStrGx(std::string_view s1, std::string_view s2, int length, bool ignoreCase) {
  return CompareLocale(CutChars(s1, length), CutChars(s2, length), -1, ignoreCase);
}

int AnsiCompareStrGx(std::string_view s1, std::string_view s2) { return CompareLocale(s1, s2, -1, false); }
int AnsiCompareTextGx(std::string_view s1, std::string_view s2) { return CompareLocale(s1, s2, -1, true); }
std::string AnsiUpperCaseGx(std::string_view s) { return AnsiUpperCase(s); }
std::string AnsiLowerCaseGx(std::string_view s) { return AnsiLowerCase(s); }

int DataSetCompareBookmarks(TDataSet* dataSet, const std::string& bookmark1, const std::string& bookmark2) {
  if (!dataSet) return 0;
  TBookmark a(bookmark1.begin(), bookmark1.end());
  TBookmark b(bookmark2.begin(), bookmark2.end());
  return dataSet->CompareBookmarks(a, b);
}

TDataSet* GetPropDataSet(TPersistent* instance, const TPropInfo* propInfo) {
  if (!instance || !propInfo || propInfo->Kind != TPropKind::Component || !propInfo->GetObject) return nullptr;
  auto* source = dynamic_cast<TDataSource*>(propInfo->GetObject(instance));
  return source ? source->DataSet() : nullptr;
}

void VarArrayRedimGx(Variant& v, int highBound) { VarArrayRedim(v, highBound); }

Variant VarCastGx(const Variant& v, TVarType type) {
  if (v.IsNull()) return Variant::Null();
  if (type == varVariant) return v;
  return VarCast(v, type);
}

Variant VarAsVariantGx(const Variant& v) { return VarCastGx(v, varVariant); }

// Our variants hold no by-reference values, so there is nothing to unwrap.
int32_t VariantToInteger(const Variant& v) { return v.AsInteger(); }

Variant IntToVariant(int32_t value) noexcept { return Variant(static_cast<int>(value)); }

char16_t* WStrCopyGx(char16_t* dest, const char16_t* source) noexcept {
  if (!dest || !source) return dest;
  char16_t* d = dest;
  while ((*d++ = *source++) != u'\0') {
  }
  return dest;
}

void* TMemoryStreamGx::Realloc(int64_t& newCapacity) {
  // Rounded up arithmetically: a step that is not a power of two must not shrink the block below
  // what was asked, as clearing low bits would.
  int64_t step = growthStep_ > 0 ? growthStep_ : 4096;
  int64_t delta = 2 * step;
  if (newCapacity > 0 && newCapacity != Size()) {
    if (newCapacity > INT64_MAX - delta) throw EStreamError("Out of memory while expanding memory stream");
    newCapacity = (newCapacity + delta - 1) / delta * delta;
  }
  return ReallocBlock(newCapacity);
}
