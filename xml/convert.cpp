#include "xml/convert.h"

#include "xml/text.h"

int64_t Utf16ToUtf8Buf(char* dest, int64_t destSize, const char16_t* source, int64_t count) {
  if (!dest || !source || destSize < 1) return 0;
  int64_t n = 0;
  for (int64_t i = 0; i < count; ++i) {
    const char16_t u = source[i];
    if (u < 0x80) {
      if (n + 1 > destSize) break;
      dest[n++] = static_cast<char>(u);
    } else if (u < 0x800) {
      if (n + 2 > destSize) break;
      dest[n++] = static_cast<char>(0xC0 | (u >> 6));
      dest[n++] = static_cast<char>(0x80 | (u & 0x3F));
    } else {
      if (n + 3 > destSize) break;
      dest[n++] = static_cast<char>(0xE0 | (u >> 12));
      dest[n++] = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
      dest[n++] = static_cast<char>(0x80 | (u & 0x3F));
    }
  }
  if (n > destSize - 1) n = destSize - 1;
  dest[n] = 0;
  return n + 1;
}

int64_t Utf8ToUtf16Buf(char16_t* dest, int64_t destCount, const char* source, int64_t count) {
  if (!dest || !source || destCount < 1) return 0;
  auto continues = [](unsigned char c) { return (c & 0xC0) == 0x80; };
  int64_t units = 0, i = 0;
  while (i < count && units < destCount) {
    uint32_t value = static_cast<unsigned char>(source[i++]);
    if (value & 0x80) {
      if (i >= count) return -1;  // a lead byte at the end
      value &= 0x3F;
      if (value & 0x20) {  // a three-byte lead
        const unsigned char c = static_cast<unsigned char>(source[i++]);
        if (!continues(c) || i >= count) return -1;
        value = (value << 6) | (c & 0x3F);
      }
      const unsigned char c = static_cast<unsigned char>(source[i++]);
      if (!continues(c)) return -1;
      value = (value << 6) | (c & 0x3F);
    }
    dest[units++] = static_cast<char16_t>(value & 0xFFFF);
  }
  if (units > destCount - 1) units = destCount - 1;
  dest[units] = 0;
  return units + 1;
}

std::string WideToUtf8(std::u16string_view wide) {
  std::string out(wide.size() * 3, '\0');
  // The buffer has room for every sequence and the terminator.
  const int64_t n = Utf16ToUtf8Buf(out.data(), static_cast<int64_t>(out.size()) + 1, wide.data(),
                                   static_cast<int64_t>(wide.size()));
  out.resize(n > 0 ? static_cast<size_t>(n - 1) : 0);
  return out;
}

std::u16string Utf8ToWide(std::string_view utf8) {
  std::u16string out(utf8.size(), u'\0');
  const int64_t n = Utf8ToUtf16Buf(out.data(), static_cast<int64_t>(out.size()) + 1, utf8.data(),
                                   static_cast<int64_t>(utf8.size()));
  out.resize(n > 0 ? static_cast<size_t>(n - 1) : 0);
  return out;
}

std::string AnsiToUtf8(std::string_view ansi) {
  std::u16string wide;
  wide.reserve(ansi.size());
  for (char c : ansi) wide.push_back(static_cast<char16_t>(Cp1252ToUnicode(static_cast<unsigned char>(c))));
  return WideToUtf8(wide);
}

std::string Utf8ToAnsi(std::string_view utf8) {
  const std::u16string wide = Utf8ToWide(utf8);
  std::string out;
  out.reserve(wide.size());
  for (char16_t u : wide) {
    const int b = UnicodeToCp1252(u);
    out.push_back(b >= 0 ? static_cast<char>(b) : '?');
  }
  return out;
}
