#include "xml/text.h"

#include <unicode/uchar.h>

#include <array>
#include <cstring>

#include "platform/rtl/strings.h"

// ---------------------------------------------------------------- the 8-bit set

namespace {

struct Cp1252Tables {
  std::array<char32_t, 256> toUnicode{};
  Cp1252Tables() {
    for (int b = 0; b < 0x80; ++b) toUnicode[b] = static_cast<char32_t>(b);
    std::string high;
    for (int b = 0x80; b < 0x100; ++b) high.push_back(static_cast<char>(b));
    // The code page table itself comes from ICU; every byte has a character.
    std::string utf8 = Cp1252ToUtf8(high);
    size_t pos = 0;
    for (int b = 0x80; b < 0x100 && pos < utf8.size(); ++b) toUnicode[b] = Utf8Decode(utf8, pos);
  }
};

const Cp1252Tables& Tables() {
  static const Cp1252Tables tables;
  return tables;
}

}  // namespace

char32_t Cp1252ToUnicode(unsigned char b) noexcept { return Tables().toUnicode[b]; }

int UnicodeToCp1252(char32_t cp) noexcept {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
  const auto& t = Tables().toUnicode;
  for (int b = 0x80; b < 0xA0; ++b)
    if (t[b] == cp) return b;
  return -1;
}

// ---------------------------------------------------------------- escaping

void XmlEscapeAppend(std::string& out, std::string_view text) {
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char* rep;
    switch (text[i]) {
      case '&': rep = "&amp;"; break;
      case '<': rep = "&lt;"; break;
      case '>': rep = "&gt;"; break;
      case '\'': rep = "&apos;"; break;
      case '"': rep = "&quot;"; break;
      default: continue;
    }
    out.append(text.data() + start, i - start);
    out.append(rep);
    start = i + 1;
  }
  out.append(text.data() + start, text.size() - start);
}

std::string XmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  XmlEscapeAppend(out, text);
  return out;
}

namespace {

// The number of a character reference ("65", "x41"); -1 when it is not a number.
long ReferenceNumber(std::string_view number) {
  if (number.empty()) return -1;
  int base = 10;
  if (number[0] == 'x' || number[0] == 'X') {
    base = 16;
    number.remove_prefix(1);
    if (number.empty()) return -1;
  }
  long value = 0;
  for (char c : number) {
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else return -1;
    value = value * base + d;
    if (value > 0x10FFFF) return -1;
  }
  return value;
}

// Appends the replacement of one entity text ("&...;"); false when it stays as written.
bool AppendEntity(std::string& out, std::string_view entity, bool utf8) {
  if (entity.size() >= 3 && entity[1] == '#') {
    long n = ReferenceNumber(entity.substr(2, entity.size() - 3));
    if (utf8) {
      // 0 and surrogate code points would make invalid text; they stay as written.
      if (n < 1 || n > 65534 || (n >= 0xD800 && n <= 0xDFFF)) return false;
      Utf8Append(out, static_cast<char32_t>(n));
    } else {
      if (n < 1 || n > 254) return false;
      out.push_back(static_cast<char>(n));
    }
    return true;
  }
  char c;
  if (entity == "&amp;") c = '&';
  else if (entity == "&lt;") c = '<';
  else if (entity == "&gt;") c = '>';
  else if (entity == "&apos;") c = '\'';
  else if (entity == "&quot;") c = '"';
  else return false;
  out.push_back(c);
  return true;
}

}  // namespace

std::string XmlUnescape(std::string_view text, bool utf8) {
  size_t amp = text.find('&');
  if (amp == std::string_view::npos) return std::string(text);
  std::string out;
  out.reserve(text.size());
  size_t pos = 0;
  while (amp != std::string_view::npos) {
    out.append(text.data() + pos, amp - pos);
    size_t semi = text.find(';', amp);
    if (semi == std::string_view::npos) {
      pos = amp;
      break;
    }
    std::string_view entity = text.substr(amp, semi - amp + 1);
    if (!AppendEntity(out, entity, utf8)) out.append(entity);
    pos = semi + 1;
    amp = text.find('&', pos);
  }
  out.append(text.data() + pos, text.size() - pos);
  return out;
}

// ---------------------------------------------------------------- quoting

std::string XmlQuote(std::string_view text) {
  return AnsiQuotedStr(text, text.find('"') == std::string_view::npos ? '"' : '\'');
}

std::string XmlUnquote(std::string_view text) {
  if (text.size() < 2 || (text[0] != '"' && text[0] != '\'')) return std::string(text);
  size_t pos = 0;
  return AnsiExtractQuotedStr(text, pos, text[0]);
}

// ---------------------------------------------------------------- names

namespace {

inline unsigned char AsciiFold(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }

// The folded character at `pos` (advancing it) of a text in the given form.
char32_t FoldedAt(std::string_view s, size_t& pos, bool utf8) {
  char32_t cp = utf8 ? Utf8Decode(s, pos) : Cp1252ToUnicode(static_cast<unsigned char>(s[pos++]));
  return static_cast<char32_t>(u_foldCase(static_cast<UChar32>(cp), U_FOLD_CASE_DEFAULT));
}

}  // namespace

int XmlCompareName(std::string_view a, std::string_view b, bool utf8) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    unsigned char ca = static_cast<unsigned char>(a[i]), cb = static_cast<unsigned char>(b[j]);
    if (ca < 0x80 && cb < 0x80) {
      ca = AsciiFold(ca);
      cb = AsciiFold(cb);
      if (ca != cb) return ca < cb ? -1 : 1;
      ++i;
      ++j;
      continue;
    }
    char32_t fa = FoldedAt(a, i, utf8), fb = FoldedAt(b, j, utf8);
    if (fa != fb) return fa < fb ? -1 : 1;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

std::string XmlFoldName(std::string_view name, bool utf8) {
  std::string key;
  key.reserve(name.size());
  size_t i = 0;
  while (i < name.size()) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (c < 0x80) {
      key.push_back(static_cast<char>(AsciiFold(c)));
      ++i;
      continue;
    }
    // Folded characters beyond ASCII as four bytes after a marker no ASCII byte equals.
    const char32_t f = FoldedAt(name, i, utf8);
    if (f < 0x80) {  // a letter that folds into ASCII (the Kelvin sign)
      key.push_back(static_cast<char>(f));
      continue;
    }
    key.push_back(static_cast<char>(0x80));
    for (int shift = 24; shift >= 0; shift -= 8) key.push_back(static_cast<char>((f >> shift) & 0xFF));
  }
  return key;
}

bool XmlSameName(std::string_view a, std::string_view b, bool utf8) {
  // Same bytes, or ASCII letters that differ only in case: the common cases end here.
  size_t n = a.size();
  if (n == b.size()) {
    size_t i = 0;
    for (; i < n; ++i) {
      unsigned char ca = static_cast<unsigned char>(a[i]), cb = static_cast<unsigned char>(b[i]);
      if (ca == cb) continue;
      if (ca >= 0x80 || cb >= 0x80) break;
      if (AsciiFold(ca) != AsciiFold(cb)) return false;
    }
    if (i == n) return true;
  }
  // Folding may change the byte length of non-ASCII letters: compare by character.
  bool nonAscii = false;
  for (char c : a) nonAscii |= static_cast<unsigned char>(c) >= 0x80;
  if (!nonAscii) {
    for (char c : b) nonAscii |= static_cast<unsigned char>(c) >= 0x80;
    if (!nonAscii) return false;
  }
  return XmlCompareName(a, b, utf8) == 0;
}
