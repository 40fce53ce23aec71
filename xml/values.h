#pragma once
// Typed values and binary data of the XML library: the text forms of Booleans, floats and
// date-times, hexadecimal and Base64 data, and the brush, font and pen settings (templates over any
// class with the named getters and setters: Color()/SetColor(), Style()/SetStyle(), ...).
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

#include "platform/rtl/types.h"
#include "xml/node.h"

// "False" or "True".
std::string BoolToXml(bool value);
// "T"/"Y" true, "F"/"N" false (first character, any case); anything else raises "Cannot convert
// value to bool".
bool XmlToBool(std::string_view text);
// "yyyy-mm-dd" for a date at midnight, else "yyyy-mm-ddThh:nn:ss.zzzZ" (no time-zone conversion).
std::string DateTimeToXml(TDateTime value);
// Strict on the date, hour and minute (EConvertError); second and millisecond default to 0.
TDateTime XmlToDateTime(std::string_view text);
TDateTime XmlToDateTimeDef(std::string_view text, TDateTime def);
// Up to `digits` (1..9) significant digits, no leading zero (".5"), an exponent when allowed and
// shorter. Raises "Significant digits out of range", and EConvertError for an infinite or NaN value.
std::string FloatToXml(double value, int digits, bool allowScientific);

std::string EncodeHex(const void* buffer, int count);
// Raises EFilerError "Missing data in binary stream" when the text is too short. A character that
// is not a hexadecimal digit gives 0 bits.
void DecodeHex(std::string_view text, void* buffer, int count);
std::string EncodeBase64(const void* buffer, int count);
// Raises EFilerError "Missing data in binary stream" when the text is too short. A character
// outside the alphabet gives 0 bits.
void DecodeBase64(std::string_view text, void* buffer, int count);
// Without tab, line feed, carriage return and space.
std::string StripBlanks(std::string_view text);
// `lineBreak` before the text, before every `width` characters after that and at the end (a width
// of 1: before the text and at the end only).
std::string InsertLineBreaks(std::string_view text, std::string_view lineBreak, int width);

namespace xml_detail {

// Font styles as a bit set (bold, italic, underline, strike-out): TSet or an integral mask.
template <class S>
uint64_t StyleBits(const S& s) {
  if constexpr (requires { s.Bits(); }) return s.Bits();
  else return static_cast<uint64_t>(s);
}
template <class S>
S StyleFromBits(uint64_t bits) {
  if constexpr (requires { S::FromBits(bits); }) return S::FromBits(bits);
  else return static_cast<S>(bits);
}
constexpr const char* kFontStyleNames[4] = {"Bold", "Italic", "Underline", "Strikeout"};
constexpr Integer kWhite = 0xFFFFFF;

}  // namespace xml_detail

// Each setting is a child node named `name` whose children hold the parts. Writing uses the same
// defaults as reading, so a value left out because it equals its default reads back the same.

template <class Brush>
void TXmlNode::ReadBrush(std::string_view name, Brush& brush) const {
  using Color = std::decay_t<decltype(brush.Color())>;
  using Style = std::decay_t<decltype(brush.Style())>;
  if (const TXmlNode* n = NodeByName(name)) {
    brush.SetColor(static_cast<Color>(n->ReadColor("Color", xml_detail::kWhite)));
    brush.SetStyle(static_cast<Style>(n->ReadInteger("Style", 0)));
  } else {
    brush.SetBitmap(nullptr);
    brush.SetColor(static_cast<Color>(xml_detail::kWhite));
    brush.SetStyle(static_cast<Style>(0));
  }
}

template <class Brush>
void TXmlNode::WriteBrush(std::string_view name, const Brush& brush) {
  TXmlNode* n = NodeByNameOrNew(name);
  n->WriteColor("Color", static_cast<Integer>(brush.Color()), xml_detail::kWhite);
  n->WriteInteger("Style", static_cast<Integer>(brush.Style()), 0);
}

template <class Font>
void TXmlNode::ReadFont(std::string_view name, Font& font) const {
  using Color = std::decay_t<decltype(font.Color())>;
  using Styles = std::decay_t<decltype(font.Style())>;
  font.SetStyle(Styles{});
  const TXmlNode* n = NodeByName(name);
  if (!n) {
    font.SetName("Arial");
    font.SetColor(static_cast<Color>(0));
    font.SetSize(14);
    return;
  }
  font.SetName(n->ReadString("Name", "Arial"));
  font.SetColor(static_cast<Color>(n->ReadColor("Color", 0)));
  font.SetSize(n->ReadInteger("Size", 14));
  uint64_t bits = 0;
  for (int i = 0; i < 4; ++i)
    if (n->ReadBool(xml_detail::kFontStyleNames[i], false)) bits |= uint64_t{1} << i;
  font.SetStyle(xml_detail::StyleFromBits<Styles>(bits));
}

template <class Font>
void TXmlNode::WriteFont(std::string_view name, const Font& font) {
  TXmlNode* n = NodeByNameOrNew(name);
  n->WriteString("Name", font.Name(), "Arial");
  n->WriteColor("Color", static_cast<Integer>(font.Color()), 0);
  n->WriteInteger("Size", static_cast<Integer>(font.Size()), 14);
  const uint64_t bits = xml_detail::StyleBits(font.Style());
  for (int i = 0; i < 4; ++i) n->WriteBool(xml_detail::kFontStyleNames[i], (bits >> i) & 1, false);
}

template <class Pen>
void TXmlNode::ReadPen(std::string_view name, Pen& pen) const {
  using Color = std::decay_t<decltype(pen.Color())>;
  using Mode = std::decay_t<decltype(pen.Mode())>;
  using Style = std::decay_t<decltype(pen.Style())>;
  const TXmlNode* n = NodeByName(name);
  pen.SetColor(static_cast<Color>(n ? n->ReadColor("Color", 0) : 0));
  pen.SetMode(static_cast<Mode>(n ? n->ReadInteger("Mode", 4) : 4));
  pen.SetStyle(static_cast<Style>(n ? n->ReadInteger("Style", 0) : 0));
  pen.SetWidth(n ? n->ReadInteger("Width", 1) : 1);
}

template <class Pen>
void TXmlNode::WritePen(std::string_view name, const Pen& pen) {
  TXmlNode* n = NodeByNameOrNew(name);
  n->WriteColor("Color", static_cast<Integer>(pen.Color()), 0);
  n->WriteInteger("Mode", static_cast<Integer>(pen.Mode()), 4);
  n->WriteInteger("Style", static_cast<Integer>(pen.Style()), 0);
  n->WriteInteger("Width", static_cast<Integer>(pen.Width()), 1);
}
