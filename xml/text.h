#pragma once
// Text routines of the XML library: escaping, quoting, case-insensitive names, the 8-bit set.
//
// Node text has one of two internal forms: UTF-8, or 8-bit text in windows-1252 (the library's
// 8-bit set). Routines that look at characters take the form as a flag.
#include <cstdint>
#include <string>
#include <string_view>

// "&" "<" ">" "'" and '"' become their five entities.
std::string XmlEscape(std::string_view text);
void XmlEscapeAppend(std::string& out, std::string_view text);

// Replaces the five named entities and character references. UTF-8 form: references to 1..65534
// become the UTF-8 character; 8-bit form: references to 1..254 become that byte. Anything else
// (unknown names, bad numbers, 0, surrogate code points, larger values, an "&" without ";") stays
// as written.
std::string XmlUnescape(std::string_view text, bool utf8);

// Attribute values: in double quotes unless the text holds one, then in single quotes; the chosen
// quote is doubled inside.
std::string XmlQuote(std::string_view text);
// A text of at least two characters that starts with a quote is read up to its closing quote
// (doubled quotes collapse); anything else is returned unchanged.
std::string XmlUnquote(std::string_view text);

// Name comparison ignoring case (ASCII, and the letters of the internal form beyond it).
bool XmlSameName(std::string_view a, std::string_view b, bool utf8);
int XmlCompareName(std::string_view a, std::string_view b, bool utf8);
// A key for hashing names: two names are the same name exactly when their keys are equal.
std::string XmlFoldName(std::string_view name, bool utf8);

// Tab, line feed, carriage return and space.
inline bool IsXmlBlank(char c) noexcept { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// ---- the 8-bit set (windows-1252) ----

// The character of an 8-bit byte.
char32_t Cp1252ToUnicode(unsigned char b) noexcept;
// The byte of a character, or -1 when the set lacks it.
int UnicodeToCp1252(char32_t cp) noexcept;
