#pragma once
// String conversions of the XML library between UTF-16 units, UTF-8 and its 8-bit set
// (windows-1252). They work unit by unit, as the library's 8-bit and wide forms have always been
// exchanged: a surrogate pair is two units, each written as a three-byte sequence, and UTF-8 is read
// in sequences of at most three bytes.
//
//   char buf[16];
//   int n = Utf16ToUtf8Buf(buf, sizeof buf, u"ab", 2);   // 3: "ab" and its terminator
//   std::u16string w = Utf8ToWide("\xE4\xB8\xAD");        // u"\u4E2D"; "" for a broken sequence
#include <cstdint>
#include <string>
#include <string_view>

// Writes `count` units of `source` as UTF-8 into `dest` (`destSize` bytes), whole sequences only
// while they fit, then a 0 at the smaller of the bytes written and destSize - 1; answers that index
// + 1. 0 (nothing written) when a pointer is null or destSize is below 1.
int64_t Utf16ToUtf8Buf(char* dest, int64_t destSize, const char16_t* source, int64_t count);

// Reads `count` bytes of UTF-8 into units of `dest` (`destCount` units) and writes a 0 after the
// last; answers the units + 1. When `dest` fills up, its last unit is replaced by the 0 and
// destCount is answered. -1 for a lead byte at the end of the input or a byte that should continue
// a sequence and does not; 0 (nothing written) when a pointer is null or destCount is below 1.
int64_t Utf8ToUtf16Buf(char16_t* dest, int64_t destCount, const char* source, int64_t count);

std::string WideToUtf8(std::u16string_view wide);
// Empty for text that holds an invalid sequence.
std::u16string Utf8ToWide(std::string_view utf8);
// Through the wide form; a character windows-1252 lacks becomes "?", and UTF-8 that Utf8ToWide
// refuses gives an empty result.
std::string AnsiToUtf8(std::string_view ansi);
std::string Utf8ToAnsi(std::string_view utf8);
