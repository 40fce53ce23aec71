#include "strings.h"

#include <unicode/ucnv.h>
#include <unicode/ucol.h>
#include <unicode/uiter.h>
#include <unicode/uset.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <memory>
#include <mutex>

#include "exceptions.h"

// ---------------------------------------------------------------- UTF-8

int Utf8SequenceLength(unsigned char lead) noexcept {
  if (lead < 0xC2) return 1;  // ASCII, continuation bytes and overlong leads stand alone
  if (lead < 0xE0) return 2;
  if (lead < 0xF0) return 3;
  if (lead < 0xF5) return 4;
  return 1;
}

char32_t Utf8Decode(std::string_view s, size_t& pos) noexcept {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const size_t n = s.size();
  unsigned char c = p[pos];
  if (c < 0x80) { ++pos; return c; }
  int len = Utf8SequenceLength(c);
  if (len == 1 || pos + len > n) { ++pos; return 0xFFFD; }
  char32_t cp = c & (0xFF >> (len + 1));
  for (int i = 1; i < len; ++i) {
    unsigned char cc = p[pos + i];
    if ((cc & 0xC0) != 0x80) { ++pos; return 0xFFFD; }
    cp = (cp << 6) | (cc & 0x3F);
  }
  // Reject overlong forms, surrogates and values past U+10FFFF.
  if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
      (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++pos;
    return 0xFFFD;
  }
  pos += len;
  return cp;
}

void Utf8Append(std::string& out, char32_t cp) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// Tables sort and compare many texts, each checked first: ASCII goes eight bytes at a time and a
// sequence is checked where it stands, without decoding it through Utf8Decode.
bool IsValidUtf8(std::string_view s) noexcept {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const auto* const end = p + s.size();
  auto tail = [](unsigned char c) { return (c & 0xC0) == 0x80; };
  while (p < end) {
    if (end - p >= 8) {
      uint64_t word;
      std::memcpy(&word, p, sizeof word);
      if ((word & 0x8080808080808080ull) == 0) {
        p += 8;
        continue;
      }
    }
    const unsigned char c = *p;
    if (c < 0x80) {
      ++p;
    } else if (c < 0xC2) {
      return false;  // a continuation byte alone, or an overlong two-byte form
    } else if (c < 0xE0) {
      if (end - p < 2 || !tail(p[1])) return false;
      p += 2;
    } else if (c < 0xF0) {
      if (end - p < 3 || !tail(p[1]) || !tail(p[2])) return false;
      const char32_t cp = (char32_t{c & 0x0Fu} << 12) | (char32_t{p[1] & 0x3Fu} << 6) | (p[2] & 0x3Fu);
      if (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
      p += 3;
    } else if (c < 0xF5) {
      if (end - p < 4 || !tail(p[1]) || !tail(p[2]) || !tail(p[3])) return false;
      const char32_t cp = (char32_t{c & 0x07u} << 18) | (char32_t{p[1] & 0x3Fu} << 12) |
                          (char32_t{p[2] & 0x3Fu} << 6) | (p[3] & 0x3Fu);
      if (cp < 0x10000 || cp > 0x10FFFF) return false;
      p += 4;
    } else {
      return false;
    }
  }
  return true;
}

std::string SanitizeUtf8(std::string_view s) {
  if (IsValidUtf8(s)) return std::string(s);
  std::string out;
  out.reserve(s.size() + 8);
  size_t pos = 0;
  while (pos < s.size()) Utf8Append(out, Utf8Decode(s, pos));
  return out;
}

size_t Utf8CharCount(std::string_view s) noexcept {
  size_t pos = 0, count = 0;
  while (pos < s.size()) {
    Utf8Decode(s, pos);
    ++count;
  }
  return count;
}

// Replies of many megabytes pass through these (the host's records carry UTF-16): runs of ASCII
// go eight bytes at a time, and the result is allocated once.
std::u16string Utf8ToUtf16(std::string_view s) {
  // Converted through a small buffer appended in pieces: a result sized up front would be cleared
  // first, a cost as large as the conversion's own.
  std::u16string out;
  out.reserve(s.size());  // never more units than bytes
  constexpr size_t kPiece = 2048;
  char16_t piece[kPiece];
  size_t used = 0;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(s.data());
  const size_t n = s.size();
  size_t pos = 0;
  while (pos < n) {
    if (used + 8 > kPiece) {
      out.append(piece, used);
      used = 0;
    }
    if (pos + 8 <= n) {
      uint64_t block;
      std::memcpy(&block, p + pos, 8);
      if ((block & 0x8080808080808080ull) == 0) {
        for (int i = 0; i < 8; ++i) piece[used + static_cast<size_t>(i)] = static_cast<char16_t>(p[pos + static_cast<size_t>(i)]);
        used += 8;
        pos += 8;
        continue;
      }
    }
    if (p[pos] < 0x80) {
      piece[used++] = static_cast<char16_t>(p[pos++]);
      continue;
    }
    char32_t cp = Utf8Decode(s, pos);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      piece[used++] = static_cast<char16_t>(0xD800 + (cp >> 10));
      piece[used++] = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      piece[used++] = static_cast<char16_t>(cp);
    }
  }
  out.append(piece, used);
  return out;
}

std::string Utf16ToUtf8(std::u16string_view s) {
  // The exact size first: a lone surrogate becomes U+FFFD, three bytes as any unit from U+0800.
  size_t bytes = 0;
  const size_t n = s.size();
  for (size_t i = 0; i < n; ++i) {
    if (i + 4 <= n) {
      uint64_t block;
      std::memcpy(&block, s.data() + i, 8);
      if ((block & 0xFF80FF80FF80FF80ull) == 0) {
        bytes += 4;
        i += 3;
        continue;
      }
    }
    const char16_t c = s[i];
    if (c < 0x80) bytes += 1;
    else if (c < 0x800) bytes += 2;
    else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      bytes += 4;
      ++i;
    } else bytes += 3;
  }
  std::string out;
  out.reserve(bytes);
  constexpr size_t kPiece = 4096;
  char piece[kPiece];
  char* w = piece;
  for (size_t i = 0; i < n; ++i) {
    if (w + 4 > piece + kPiece) {
      out.append(piece, static_cast<size_t>(w - piece));
      w = piece;
    }
    if (i + 4 <= n) {
      uint64_t block;
      std::memcpy(&block, s.data() + i, 8);
      if ((block & 0xFF80FF80FF80FF80ull) == 0) {
        for (size_t k = 0; k < 4; ++k) *w++ = static_cast<char>(s[i + k]);
        i += 3;
        continue;
      }
    }
    char32_t c = s[i];
    if (c < 0x80) {
      *w++ = static_cast<char>(c);
      continue;
    }
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
        ++i;
      } else {
        c = 0xFFFD;
      }
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x800) {
      *w++ = static_cast<char>(0xC0 | (c >> 6));
      *w++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      *w++ = static_cast<char>(0xE0 | (c >> 12));
      *w++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      *w++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
      *w++ = static_cast<char>(0xF0 | (c >> 18));
      *w++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      *w++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      *w++ = static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  out.append(piece, static_cast<size_t>(w - piece));
  return out;
}

// ---------------------------------------------------------------- code pages through ICU

namespace {

struct ConverterCloser {
  void operator()(UConverter* c) const { ucnv_close(c); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

// Converters are not thread-safe; each thread keeps its own.
UConverter* Converter(const char* name) {
  thread_local ConverterPtr cp936, cp1252;
  ConverterPtr& slot = std::strcmp(name, "windows-936") == 0 ? cp936 : cp1252;
  if (!slot) {
    UErrorCode err = U_ZERO_ERROR;
    slot.reset(ucnv_open(name, &err));
    if (U_FAILURE(err) || !slot) throw EConvertError(std::string("Code page not available: ") + name);
    err = U_ZERO_ERROR;
    ucnv_setSubstChars(slot.get(), "?", 1, &err);
  }
  ucnv_reset(slot.get());
  return slot.get();
}

std::string FromUnicode(const char* name, std::string_view utf8) {
  std::u16string u16 = Utf8ToUtf16(utf8);
  UConverter* conv = Converter(name);
  std::string out(u16.size() * 2 + 8, '\0');
  UErrorCode err = U_ZERO_ERROR;
  int32_t n = ucnv_fromUChars(conv, out.data(), static_cast<int32_t>(out.size()),
                              reinterpret_cast<const UChar*>(u16.data()),
                              static_cast<int32_t>(u16.size()), &err);
  if (err == U_BUFFER_OVERFLOW_ERROR) {
    out.resize(n);
    err = U_ZERO_ERROR;
    ucnv_reset(conv);
    n = ucnv_fromUChars(conv, out.data(), n, reinterpret_cast<const UChar*>(u16.data()),
                        static_cast<int32_t>(u16.size()), &err);
  }
  if (U_FAILURE(err) && err != U_STRING_NOT_TERMINATED_WARNING)
    throw EConvertError(std::string("Text cannot be converted to ") + name);
  out.resize(n);
  return out;
}

std::string ToUnicode(const char* name, std::string_view bytes) {
  UConverter* conv = Converter(name);
  std::u16string u16(bytes.size() + 8, u'\0');
  UErrorCode err = U_ZERO_ERROR;
  int32_t n = ucnv_toUChars(conv, reinterpret_cast<UChar*>(u16.data()), static_cast<int32_t>(u16.size()),
                            bytes.data(), static_cast<int32_t>(bytes.size()), &err);
  if (U_FAILURE(err) && err != U_STRING_NOT_TERMINATED_WARNING)
    throw EConvertError(std::string("Text cannot be converted from ") + name);
  u16.resize(n);
  // The substitution character for undecodable input is U+001A in some tables: show it as U+FFFD.
  for (auto& c : u16)
    if (c == 0x1A) c = 0xFFFD;
  return Utf16ToUtf8(u16);
}

// Code-page-936 byte length of every BMP code point, built once.
const std::array<uint8_t, 0x10000>& Cp936Lengths() {
  // A static made once: every later call reads it after one check, no call into the thread
  // library (a text's size check asks per character).
  static const std::array<uint8_t, 0x10000> lengths = [] {
    std::array<uint8_t, 0x10000> table{};
    UErrorCode err = U_ZERO_ERROR;
    ConverterPtr conv(ucnv_open("windows-936", &err));
    for (uint32_t cp = 0; cp < 0x10000; ++cp) {
      if (cp < 0x80) { table[cp] = 1; continue; }
      if (cp >= 0xD800 && cp <= 0xDFFF) { table[cp] = 1; continue; }
      UChar u = static_cast<UChar>(cp);
      char buf[8];
      err = U_ZERO_ERROR;
      ucnv_reset(conv.get());
      // Unmappable characters fail here and are written as one '?' byte.
      ucnv_setFromUCallBack(conv.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
      err = U_ZERO_ERROR;
      int32_t n = ucnv_fromUChars(conv.get(), buf, sizeof buf, &u, 1, &err);
      table[cp] = (U_FAILURE(err) || n <= 0) ? 1 : static_cast<uint8_t>(n);
    }
    return table;
  }();
  return lengths;
}

}  // namespace

std::string Utf8ToCp936(std::string_view utf8) { return FromUnicode("windows-936", utf8); }
std::string Cp936ToUtf8(std::string_view bytes) { return ToUnicode("windows-936", bytes); }

int Cp936CharLength(char32_t cp) {
  if (cp < 0x80) return 1;
  if (cp >= 0x10000) return 1;  // outside the code page: written as '?'
  return Cp936Lengths()[cp];
}

namespace {

// The code-page-936 length of the character at pos, which it steps past. ASCII and well-formed
// three-byte sequences (the Chinese characters) are read here; the rest by the full decoder.
inline int Cp936StepLength(std::string_view utf8, size_t& pos, const std::array<uint8_t, 0x10000>& lengths) {
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
  const unsigned char c = p[pos];
  if (c < 0x80) {
    ++pos;
    return 1;
  }
  if (c >= 0xE1 && c <= 0xEC && pos + 2 < utf8.size() && (p[pos + 1] & 0xC0) == 0x80 && (p[pos + 2] & 0xC0) == 0x80) {
    // Leads E1..EC have no overlong or surrogate forms.
    const char32_t cp = (char32_t{c & 0x0Fu} << 12) | (char32_t{p[pos + 1] & 0x3Fu} << 6) | (p[pos + 2] & 0x3Fu);
    pos += 3;
    return lengths[cp];
  }
  return Cp936CharLength(Utf8Decode(utf8, pos));
}

}  // namespace

size_t Cp936Length(std::string_view utf8) {
  size_t total = 0, pos = 0;
  const auto& lengths = Cp936Lengths();
  while (pos < utf8.size()) total += static_cast<size_t>(Cp936StepLength(utf8, pos, lengths));
  return total;
}

namespace {

// Whether a text of ASCII and Chinese characters fits even if each of its characters took two
// bytes (none takes more): most texts a field is given are answered so, without the table.
bool FitsAtTwoBytesEach(std::string_view utf8, size_t maxBytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
  const size_t n = utf8.size();
  size_t bound = 0, pos = 0;
  while (pos < n) {
    const unsigned char c = p[pos];
    if (c < 0x80) {
      ++bound;
      ++pos;
    } else if (c >= 0xE1 && c <= 0xEC && pos + 2 < n && (p[pos + 1] & 0xC0) == 0x80 && (p[pos + 2] & 0xC0) == 0x80) {
      bound += 2;
      pos += 3;
    } else {
      return false;
    }
  }
  return bound <= maxBytes;
}

}  // namespace

size_t Cp936PrefixLength(std::string_view utf8, size_t maxBytes) {
  // No character is longer in the code page than in UTF-8 (an undecodable byte counts one).
  if (utf8.size() <= maxBytes) return utf8.size();
  if (FitsAtTwoBytesEach(utf8, maxBytes)) return utf8.size();
  size_t total = 0, pos = 0;
  const auto& lengths = Cp936Lengths();
  while (pos < utf8.size()) {
    const size_t start = pos;
    total += static_cast<size_t>(Cp936StepLength(utf8, pos, lengths));
    if (total > maxBytes) return start;
  }
  return utf8.size();
}

std::string Cp936Truncate(std::string_view utf8, size_t maxBytes) {
  return std::string(utf8.substr(0, Cp936PrefixLength(utf8, maxBytes)));
}

std::string Utf8ToCp1252(std::string_view utf8, bool* lost) {
  std::string out = FromUnicode("windows-1252", utf8);
  if (lost) {
    // A '?' that was not a '?' in the source marks a lost character.
    *lost = std::count(out.begin(), out.end(), '?') != std::count(utf8.begin(), utf8.end(), '?');
  }
  return out;
}

std::string Cp1252ToUtf8(std::string_view bytes) { return ToUnicode("windows-1252", bytes); }

// ---------------------------------------------------------------- collation

namespace {

struct CollatorCloser {
  void operator()(UCollator* c) const { ucol_close(c); }
};

// Read-only use of a collator is thread-safe; two are kept, one per strength.
UCollator* Collator(bool ignoreCase) {
  static std::unique_ptr<UCollator, CollatorCloser> exact, folded;
  static std::once_flag once;
  std::call_once(once, [] {
    UErrorCode err = U_ZERO_ERROR;
    exact.reset(ucol_open("zh", &err));
    if (U_FAILURE(err)) { err = U_ZERO_ERROR; exact.reset(ucol_open("", &err)); }
    ucol_setStrength(exact.get(), UCOL_TERTIARY);
    err = U_ZERO_ERROR;
    folded.reset(ucol_open("zh", &err));
    if (U_FAILURE(err)) { err = U_ZERO_ERROR; folded.reset(ucol_open("", &err)); }
    ucol_setStrength(folded.get(), UCOL_SECONDARY);
  });
  return ignoreCase ? folded.get() : exact.get();
}

int Collate(std::string_view a, std::string_view b, bool ignoreCase) {
  UErrorCode err = U_ZERO_ERROR;
  UCollationResult r = ucol_strcollUTF8(Collator(ignoreCase), a.data(), static_cast<int32_t>(a.size()),
                                        b.data(), static_cast<int32_t>(b.size()), &err);
  if (U_FAILURE(err)) return CompareStr(a, b);
  return r == UCOL_LESS ? -1 : (r == UCOL_GREATER ? 1 : 0);
}

}  // namespace

int AnsiCompareStr(std::string_view a, std::string_view b) { return Collate(a, b, false); }
int AnsiCompareText(std::string_view a, std::string_view b) { return Collate(a, b, true); }
bool AnsiSameStr(std::string_view a, std::string_view b) { return AnsiCompareStr(a, b) == 0; }
bool AnsiSameText(std::string_view a, std::string_view b) {
  // Printable ASCII characters all weigh differently but for case, so such texts are the same
  // exactly when they match letter for letter ignoring ASCII case (field names mostly are). Names
  // are looked up among many others: one pass, and a difference decides as soon as the rest of
  // both texts is seen to be printable too.
  auto printable = [](char c) { return c >= 0x20 && c <= 0x7E; };
  auto printableFrom = [&](std::string_view s, size_t i) {
    for (; i < s.size(); ++i)
      if (!printable(s[i])) return false;
    return true;
  };
  auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
  if (a.size() == b.size()) {
    size_t i = 0;
    for (; i < a.size(); ++i) {
      const char x = a[i], y = b[i];
      if (!printable(x) || !printable(y)) break;
      if (x != y && lower(x) != lower(y)) {
        if (printableFrom(a, i + 1) && printableFrom(b, i + 1)) return false;
        break;
      }
    }
    if (i == a.size()) return true;
  } else if (printableFrom(a, 0) && printableFrom(b, 0)) {
    return false;
  }
  return AnsiCompareText(a, b) == 0;
}

std::string AnsiSortKey(std::string_view s, bool ignoreCase) {
  std::u16string text = Utf8ToUtf16(s);
  std::string key(text.size() * 4 + 16, '\0');
  for (;;) {
    int32_t n = ucol_getSortKey(Collator(ignoreCase), reinterpret_cast<const UChar*>(text.data()),
                                static_cast<int32_t>(text.size()), reinterpret_cast<uint8_t*>(key.data()),
                                static_cast<int32_t>(key.size()));
    if (n <= static_cast<int32_t>(key.size())) {
      key.resize(n > 0 ? static_cast<size_t>(n) - 1 : 0);  // without the terminating zero
      return key;
    }
    key.resize(static_cast<size_t>(n));
  }
}

uint64_t AnsiSortPrefix(std::string_view s) {
  UCharIterator it;
  uiter_setUTF8(&it, s.data(), static_cast<int32_t>(s.size()));
  uint32_t state[2] = {0, 0};
  uint8_t bytes[8] = {};
  UErrorCode err = U_ZERO_ERROR;
  const int32_t n = ucol_nextSortKeyPart(Collator(false), &it, state, bytes, 8, &err);
  if (U_FAILURE(err)) return 0;
  uint64_t prefix = 0;
  // A shorter key is a whole key: its zero padding sorts it before every key it begins.
  for (int32_t k = 0; k < 8; ++k) prefix = (prefix << 8) | (k < n ? bytes[k] : 0u);
  return prefix;
}

bool AnsiCollatesWithPrevious(char32_t c) {
  static USet* const unsafe = [] {
    USet* set = uset_openEmpty();
    UErrorCode err = U_ZERO_ERROR;
    ucol_getUnsafeSet(Collator(false), set, &err);
    if (U_FAILURE(err)) uset_addRange(set, 0, 0x10FFFF);  // none known: every one may be
    uset_freeze(set);
    return set;
  }();
  return uset_contains(unsafe, static_cast<UChar32>(c)) != 0;
}

bool AnsiOrdersAlnumPlainly() {
  static const bool plain = [] {
    // The same rules as the exact collator, compared at the first level only.
    UErrorCode err = U_ZERO_ERROR;
    std::unique_ptr<UCollator, CollatorCloser> primary(ucol_open("zh", &err));
    if (U_FAILURE(err)) {
      err = U_ZERO_ERROR;
      primary.reset(ucol_open("", &err));
    }
    if (U_FAILURE(err) || !primary) return false;
    ucol_setStrength(primary.get(), UCOL_PRIMARY);
    auto order = [&](std::string_view a, std::string_view b) {
      UErrorCode e = U_ZERO_ERROR;
      const UCollationResult r = ucol_strcollUTF8(primary.get(), a.data(), static_cast<int32_t>(a.size()), b.data(),
                                                  static_cast<int32_t>(b.size()), &e);
      return U_FAILURE(e) ? 2 : static_cast<int>(r);
    };
    static constexpr std::string_view kOrder = "0123456789abcdefghijklmnopqrstuvwxyz";
    for (size_t i = 0; i < kOrder.size(); ++i) {
      const char c = kOrder[i];
      if (i + 1 < kOrder.size() && order(kOrder.substr(i, 1), kOrder.substr(i + 1, 1)) != UCOL_LESS) return false;
      if (c >= 'a' && c <= 'z') {
        const char upper[1] = {static_cast<char>(c - 'a' + 'A')};
        if (order(kOrder.substr(i, 1), std::string_view(upper, 1)) != UCOL_EQUAL) return false;
      }
    }
    // No contraction (or character after a given one) made of them alone: those with an accent
    // after the letter never meet such a text.
    USet* contractions = uset_openEmpty();
    err = U_ZERO_ERROR;
    ucol_getContractionsAndExpansions(Collator(false), contractions, nullptr, true, &err);
    bool none = U_SUCCESS(err);
    for (int32_t i = 0, n = uset_getItemCount(contractions); none && i < n; ++i) {
      UChar32 start, end;
      UChar buf[64];
      UErrorCode e = U_ZERO_ERROR;
      const int32_t len = uset_getItem(contractions, i, &start, &end, buf, 64, &e);
      if (U_FAILURE(e) || len > 64) {
        none = false;
        break;
      }
      bool all = len > 0;
      for (int32_t k = 0; all && k < len; ++k) all = buf[k] < 0x80 && std::isalnum(buf[k]);
      if (all) none = false;
    }
    uset_close(contractions);
    return none;
  }();
  return plain;
}

int CompareStringLocale(unsigned flags, std::string_view a, int lenA, std::string_view b, int lenB) {
  auto cut = [](std::string_view s, int len) {
    if (len < 0) {
      size_t z = s.find('\0');
      return z == std::string_view::npos ? s : s.substr(0, z);
    }
    return s.substr(0, std::min<size_t>(static_cast<size_t>(len), s.size()));
  };
  int r = Collate(cut(a, lenA), cut(b, lenB), (flags & NORM_IGNORECASE) != 0);
  return r < 0 ? CSTR_LESS_THAN : (r > 0 ? CSTR_GREATER_THAN : CSTR_EQUAL);
}

int CompareStr(std::string_view a, std::string_view b) noexcept {
  int r = a.compare(b);
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

namespace {
inline char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
inline char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }
}  // namespace

int CompareText(std::string_view a, std::string_view b) noexcept {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char ca = static_cast<unsigned char>(AsciiUpper(a[i]));
    unsigned char cb = static_cast<unsigned char>(AsciiUpper(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool SameText(std::string_view a, std::string_view b) noexcept {
  return a.size() == b.size() && CompareText(a, b) == 0;
}

namespace {
std::string MapCase(std::string_view s, bool upper) {
  bool ascii = std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (ascii) {
    std::string out(s);
    for (auto& c : out) c = upper ? AsciiUpper(c) : AsciiLower(c);
    return out;
  }
  std::u16string in = Utf8ToUtf16(s);
  std::u16string out(in.size() + 8, u'\0');
  for (int attempt = 0; attempt < 2; ++attempt) {
    UErrorCode err = U_ZERO_ERROR;
    auto fn = upper ? u_strToUpper : u_strToLower;
    int32_t n = fn(reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()),
                   reinterpret_cast<const UChar*>(in.data()), static_cast<int32_t>(in.size()), "", &err);
    if (err == U_BUFFER_OVERFLOW_ERROR) { out.assign(n, u'\0'); continue; }
    out.resize(n);
    break;
  }
  return Utf16ToUtf8(out);
}
}  // namespace

std::string AnsiUpperCase(std::string_view s) { return MapCase(s, true); }
std::string AnsiLowerCase(std::string_view s) { return MapCase(s, false); }

std::string UpperCase(std::string_view s) {
  std::string out(s);
  for (auto& c : out) c = AsciiUpper(c);
  return out;
}

std::string LowerCase(std::string_view s) {
  std::string out(s);
  for (auto& c : out) c = AsciiLower(c);
  return out;
}

// ---------------------------------------------------------------- editing helpers

std::string Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return std::string(s.substr(b, e - b));
}

std::string TrimLeft(std::string_view s) {
  size_t b = 0;
  while (b < s.size() && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  return std::string(s.substr(b));
}

std::string TrimRight(std::string_view s) {
  size_t e = s.size();
  while (e > 0 && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return std::string(s.substr(0, e));
}

std::string AnsiQuotedStr(std::string_view s, char quote) {
  std::string out;
  out.reserve(s.size() + 2);
  out.push_back(quote);
  for (char c : s) {
    out.push_back(c);
    if (c == quote) out.push_back(quote);
  }
  out.push_back(quote);
  return out;
}

std::string QuotedStr(std::string_view s) { return AnsiQuotedStr(s, '\''); }

std::string AnsiExtractQuotedStr(std::string_view s, size_t& pos, char quote) {
  if (pos >= s.size() || s[pos] != quote) return {};
  std::string out;
  size_t i = pos + 1;
  while (i < s.size()) {
    if (s[i] == quote) {
      if (i + 1 < s.size() && s[i + 1] == quote) {
        out.push_back(quote);
        i += 2;
        continue;
      }
      ++i;
      break;
    }
    out.push_back(s[i++]);
  }
  pos = i;
  return out;
}

std::string AnsiDequotedStr(std::string_view s, char quote) {
  size_t pos = 0;
  if (s.empty() || s[0] != quote) return std::string(s);
  std::string out = AnsiExtractQuotedStr(s, pos, quote);
  // Text after the closing quote means the string was not one quoted string.
  if (pos != s.size() || s.size() < 2 || s.back() != quote) return std::string(s);
  return out;
}

std::string StringReplace(std::string_view s, std::string_view from, std::string_view to, unsigned flags) {
  if (from.empty()) return std::string(s);
  std::string out;
  const bool ignoreCase = flags & rfIgnoreCase;
  size_t i = 0;
  while (i < s.size()) {
    bool match = i + from.size() <= s.size() &&
                 (ignoreCase ? SameText(s.substr(i, from.size()), from) : s.substr(i, from.size()) == from);
    if (match) {
      out.append(to);
      i += from.size();
      if (!(flags & rfReplaceAll)) {
        out.append(s.substr(i));
        return out;
      }
    } else {
      out.push_back(s[i++]);
    }
  }
  return out;
}

std::string StringOfChar(char c, size_t count) { return std::string(count, c); }

size_t Pos(std::string_view sub, std::string_view s, size_t offset) noexcept {
  if (offset < 1 || sub.empty()) return 0;
  size_t r = s.find(sub, offset - 1);
  return r == std::string_view::npos ? 0 : r + 1;
}

std::vector<std::string> SplitString(std::string_view s, char sep) {
  std::vector<std::string> out;
  size_t start = 0;
  for (;;) {
    size_t p = s.find(sep, start);
    if (p == std::string_view::npos) {
      out.emplace_back(s.substr(start));
      return out;
    }
    out.emplace_back(s.substr(start, p - start));
    start = p + 1;
  }
}

bool StartsText(std::string_view prefix, std::string_view s) noexcept {
  return s.size() >= prefix.size() && CompareText(s.substr(0, prefix.size()), prefix) == 0;
}

bool EndsText(std::string_view suffix, std::string_view s) noexcept {
  return s.size() >= suffix.size() && CompareText(s.substr(s.size() - suffix.size()), suffix) == 0;
}
