#pragma once
// Strings and code pages. Text is UTF-8 inside the program; UTF-16 where a wide string is meant;
// code page 936 (GBK) only at the byte boundaries that need it. Byte counts that the host would
// see (field sizes, maximum lengths) are counted as code page 936 would count them.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// ---- code points and conversions ----

// Length in bytes of the UTF-8 sequence that starts with `lead` (1 for ASCII and for stray bytes).
int Utf8SequenceLength(unsigned char lead) noexcept;
// Decodes one code point at `pos`, advancing `pos`; invalid bytes yield U+FFFD and advance by one.
char32_t Utf8Decode(std::string_view s, size_t& pos) noexcept;
void Utf8Append(std::string& out, char32_t cp);
bool IsValidUtf8(std::string_view s) noexcept;
// Replaces invalid sequences by U+FFFD.
std::string SanitizeUtf8(std::string_view s);
size_t Utf8CharCount(std::string_view s) noexcept;

std::u16string Utf8ToUtf16(std::string_view s);   // invalid bytes become U+FFFD
std::string Utf16ToUtf8(std::u16string_view s);   // lone surrogates become U+FFFD

// Code page 936. Characters the code page lacks become '?'; invalid bytes become U+FFFD.
std::string Utf8ToCp936(std::string_view utf8);
std::string Cp936ToUtf8(std::string_view bytes);
// Bytes the text takes in code page 936.
size_t Cp936Length(std::string_view utf8);
// Byte length in code page 936 of one code point.
int Cp936CharLength(char32_t cp);
// The longest prefix whose code-page-936 length is at most maxBytes, never splitting a character.
std::string Cp936Truncate(std::string_view utf8, size_t maxBytes);
// The byte length in UTF-8 of that prefix.
size_t Cp936PrefixLength(std::string_view utf8, size_t maxBytes);

// Windows-1252, the XML library's 8-bit set. Characters it lacks become '?'.
std::string Utf8ToCp1252(std::string_view utf8, bool* lost = nullptr);
std::string Cp1252ToUtf8(std::string_view bytes);

// ---- comparison and case ----

// Locale-aware comparison (Chinese collation): negative, zero or positive.
int AnsiCompareStr(std::string_view a, std::string_view b);
int AnsiCompareText(std::string_view a, std::string_view b);  // ignoring case
bool AnsiSameStr(std::string_view a, std::string_view b);
bool AnsiSameText(std::string_view a, std::string_view b);
// A key whose byte order (as std::string compares) is the order of AnsiCompareStr (AnsiCompareText
// when ignoring case) for valid UTF-8 texts: sorting many texts compares keys instead of collating
// again and again.
std::string AnsiSortKey(std::string_view s, bool ignoreCase = false);
// The first eight bytes of a collation key as a big-endian number, read straight from the UTF-8
// text and only as far as those bytes need. For valid UTF-8 texts, two prefixes that differ order
// as AnsiCompareStr does; equal prefixes decide nothing. Cheaper than a whole key when most texts
// of a sort differ early.
uint64_t AnsiSortPrefix(std::string_view s);
// Whether the character may collate together with the one before it (a later part of a
// contraction, a combining mark): two texts that begin with the same bytes compare as their rests
// do only when the rests start at a character that is not such a one.
bool AnsiCollatesWithPrevious(char32_t c);
// Whether texts of ASCII digits and letters alone order, at the collation's first level, by their
// characters' places in "0123456789abcdefghijklmnopqrstuvwxyz" (a letter's two cases in one
// place, no two characters collating as one), so that only texts equal at that level need the
// collator. Checked against the collator once.
bool AnsiOrdersAlnumPlainly();

// The system's CompareString: answers 1 (less), 2 (equal) or 3 (greater); a length of -1 means the
// whole text.
constexpr unsigned NORM_IGNORECASE = 0x00000001;
constexpr int CSTR_LESS_THAN = 1;
constexpr int CSTR_EQUAL = 2;
constexpr int CSTR_GREATER_THAN = 3;
int CompareStringLocale(unsigned flags, std::string_view a, int lenA, std::string_view b, int lenB);

// Ordinal comparison; the Text variants fold ASCII letters only.
int CompareStr(std::string_view a, std::string_view b) noexcept;
int CompareText(std::string_view a, std::string_view b) noexcept;
bool SameText(std::string_view a, std::string_view b) noexcept;

// Locale case mapping (all scripts) and ASCII-only case mapping.
std::string AnsiUpperCase(std::string_view s);
std::string AnsiLowerCase(std::string_view s);
std::string UpperCase(std::string_view s);
std::string LowerCase(std::string_view s);

// ---- editing helpers ----

std::string Trim(std::string_view s);       // removes bytes <= ' ' at both ends
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);
std::string QuotedStr(std::string_view s);  // 'it''s'
std::string AnsiQuotedStr(std::string_view s, char quote);
// Reads a quoted string starting at `pos` (which must be at the quote); advances `pos` past the
// closing quote. Without an opening quote answers "" and leaves pos unchanged.
std::string AnsiExtractQuotedStr(std::string_view s, size_t& pos, char quote);
std::string AnsiDequotedStr(std::string_view s, char quote);

enum TReplaceFlag : unsigned { rfReplaceAll = 1, rfIgnoreCase = 2 };
std::string StringReplace(std::string_view s, std::string_view from, std::string_view to, unsigned flags);
std::string StringOfChar(char c, size_t count);
// 1-based position of `sub` in `s`, 0 when absent.
size_t Pos(std::string_view sub, std::string_view s, size_t offset = 1) noexcept;
std::vector<std::string> SplitString(std::string_view s, char sep);
bool StartsText(std::string_view prefix, std::string_view s) noexcept;  // ASCII case ignored
bool EndsText(std::string_view suffix, std::string_view s) noexcept;
