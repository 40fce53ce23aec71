#include "xml/values.h"

#include <cmath>
#include <cstdio>

#include "platform/os/winuser.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"
#include "xml/text.h"

// ---------------------------------------------------------------- text forms

std::string BoolToXml(bool value) { return value ? "True" : "False"; }

bool XmlToBool(std::string_view text) {
  if (!text.empty()) {
    switch (text[0]) {
      case 'T': case 't': case 'Y': case 'y': return true;
      case 'F': case 'f': case 'N': case 'n': return false;
      default: break;
    }
  }
  throw Exception("Cannot convert value to bool");
}

std::string DateTimeToXml(TDateTime value) {
  int year, month, day, hour, minute, second, msec;
  char buffer[40];
  if (value == std::trunc(value)) {
    DecodeDate(value, year, month, day);
    std::snprintf(buffer, sizeof buffer, "%.4d-%.2d-%.2d", year, month, day);
    return buffer;
  }
  DecodeDateTime(value, year, month, day, hour, minute, second, msec);
  std::snprintf(buffer, sizeof buffer, "%.4d-%.2d-%.2dT%.2d:%.2d:%.2d.%.3dZ", year, month, day, hour, minute,
                second, msec);
  return buffer;
}

namespace {

std::string_view Part(std::string_view text, size_t first, size_t count) {
  return first - 1 < text.size() ? text.substr(first - 1, count) : std::string_view();
}

}  // namespace

TDateTime XmlToDateTime(std::string_view text) {
  const int year = StrToInt(Part(text, 1, 4));
  const int month = StrToInt(Part(text, 6, 2));
  const int day = StrToInt(Part(text, 9, 2));
  int hour = 0, minute = 0, second = 0, msec = 0;
  if (text.size() >= 17) {
    hour = StrToInt(Part(text, 12, 2));
    minute = StrToInt(Part(text, 15, 2));
    second = StrToIntDef(Part(text, 18, 2), 0);
    msec = StrToIntDef(Part(text, 21, 3), 0);
  }
  return EncodeDateTime(year, month, day, hour, minute, second, msec);
}

TDateTime XmlToDateTimeDef(std::string_view text, TDateTime def) {
  try {
    return XmlToDateTime(text);
  } catch (...) {
    return def;
  }
}

std::string FloatToXml(double value, int digits, bool allowScientific) {
  if (digits < 1 || digits > 9) throw Exception("Significant digits out of range");
  if (value == 0) return "0";
  if (!std::isfinite(value)) throw EConvertError("Cannot write an infinite or NaN value as a float");
  std::string result;
  if (value < 0) {
    result = "-";
    value = -value;
  }
  int64_t limit = 1;
  for (int i = 0; i < digits; ++i) limit *= 10;
  int e = digits;
  while (static_cast<double>(limit / 10) > value) {
    value *= 10;
    --e;
  }
  while (value >= static_cast<double>(limit)) {
    value *= 0.1;
    ++e;
  }
  int64_t n = Round(value);
  if (n == limit) {
    n /= 10;
    ++e;
  }
  // Trailing zeros go, but not those before the decimal point.
  while (n % 10 == 0 && digits > e) {
    n /= 10;
    --digits;
  }
  int x = 0;
  if (allowScientific && (e < -1 || e > digits + 2)) {
    x = e - 1;
    e = 1;
  }
  std::string s = std::to_string(n);
  for (; digits < e; ++digits) s += '0';
  for (; e < 0; ++e) s.insert(s.begin(), '0');
  if (e == 0) s.insert(s.begin(), '.');
  else if (digits > e) s.insert(static_cast<size_t>(e), ".");
  result += s;
  if (x != 0) result += "E" + std::to_string(x);
  return result;
}

// ---------------------------------------------------------------- binary data

namespace {

const char kHexDigits[] = "0123456789ABCDEF";
const char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

[[noreturn]] void MissingData() { throw EFilerError("Missing data in binary stream"); }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return 0;
}

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return 0;  // "=" and anything outside the alphabet
}

}  // namespace

std::string EncodeHex(const void* buffer, int count) {
  std::string out;
  if (count <= 0) return out;
  const auto* p = static_cast<const uint8_t*>(buffer);
  out.reserve(static_cast<size_t>(count) * 2);
  for (int i = 0; i < count; ++i) {
    out.push_back(kHexDigits[p[i] >> 4]);
    out.push_back(kHexDigits[p[i] & 15]);
  }
  return out;
}

void DecodeHex(std::string_view text, void* buffer, int count) {
  if (count <= 0) return;
  if (text.size() < static_cast<size_t>(count) * 2) MissingData();
  auto* p = static_cast<uint8_t*>(buffer);
  for (int i = 0; i < count; ++i)
    p[i] = static_cast<uint8_t>(HexValue(text[2 * i]) << 4 | HexValue(text[2 * i + 1]));
}

std::string EncodeBase64(const void* buffer, int count) {
  std::string out;
  if (count <= 0) return out;
  const auto* p = static_cast<const uint8_t*>(buffer);
  out.reserve(4 * ((static_cast<size_t>(count) + 2) / 3));
  for (int i = 0; i < count; i += 3) {
    uint32_t bits = uint32_t{p[i]} << 16;
    if (i + 1 < count) bits |= uint32_t{p[i + 1]} << 8;
    if (i + 2 < count) bits |= p[i + 2];
    out.push_back(kBase64[bits >> 18 & 63]);
    out.push_back(kBase64[bits >> 12 & 63]);
    out.push_back(i + 1 < count ? kBase64[bits >> 6 & 63] : '=');
    out.push_back(i + 2 < count ? kBase64[bits & 63] : '=');
  }
  return out;
}

void DecodeBase64(std::string_view text, void* buffer, int count) {
  if (count <= 0) return;
  if ((text.size() / 4) * 3 < static_cast<size_t>(count)) MissingData();
  auto* p = static_cast<uint8_t*>(buffer);
  int written = 0;
  for (size_t g = 0; written < count; g += 4) {
    uint32_t bits = 0;
    for (size_t k = 0; k < 4; ++k) bits = bits << 6 | static_cast<uint32_t>(Base64Value(text[g + k]));
    for (int k = 2; k >= 0 && written < count; --k) p[written++] = static_cast<uint8_t>(bits >> (8 * k));
  }
}

std::string StripBlanks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text)
    if (!IsXmlBlank(c)) out.push_back(c);
  return out;
}

std::string InsertLineBreaks(std::string_view text, std::string_view lineBreak, int width) {
  if (lineBreak.empty() || width <= 0) return std::string(text);
  // No index is 1 modulo 1: a width of 1 breaks before the first character and at the end only.
  if (width == 1) return std::string(lineBreak) + std::string(text) + std::string(lineBreak);
  std::string out;
  const size_t w = static_cast<size_t>(width);
  out.reserve(text.size() + (text.size() / w + 2) * lineBreak.size());
  for (size_t i = 0; i < text.size(); i += w) {
    out.append(lineBreak);
    out.append(text.substr(i, w));
  }
  if (text.empty()) return std::string(lineBreak);
  out.append(lineBreak);
  return out;
}

// ---------------------------------------------------------------- node readers

bool TXmlNode::ReadAttributeBool(std::string_view name, bool def) const {
  try {
    return XmlToBool(ReadAttributeString(name));
  } catch (const Exception&) {
    return def;
  }
}

TDateTime TXmlNode::ReadAttributeDateTime(std::string_view name, TDateTime def) const {
  return XmlToDateTimeDef(ReadAttributeString(name), def);
}

Integer TXmlNode::ReadAttributeInteger(std::string_view name, Integer def) const {
  return StrToIntDef(ReadAttributeString(name), def);
}

Int64 TXmlNode::ReadAttributeInt64(std::string_view name, Int64 def) const {
  return StrToInt64Def(ReadAttributeString(name), def);
}

std::string TXmlNode::ReadAttributeStringDef(std::string_view name, std::string_view def) const {
  std::string s = ReadAttributeString(name);
  return s.empty() ? std::string(def) : s;
}

bool TXmlNode::ValueAsBoolDef(bool def) const {
  if (value_.empty()) return def;
  switch (value_[0]) {
    case 'T': case 't': case 'Y': case 'y': return true;
    case 'F': case 'f': case 'N': case 'n': return false;
    default: return def;
  }
}

TDateTime TXmlNode::ValueAsDateTimeDef(TDateTime def) const { return XmlToDateTimeDef(ValueAsString(), def); }

double TXmlNode::ValueAsFloatDef(double def) const {
  // A decimal comma is read as a point (the first only).
  std::string text(value_);
  if (size_t comma = text.find(','); comma != std::string::npos) text[comma] = '.';
  double v;
  return TryStrToFloat(text, v, TFormatSettings::Invariant()) ? v : def;
}

Integer TXmlNode::ValueAsIntegerDef(Integer def) const { return StrToIntDef(value_, def); }

Int64 TXmlNode::ValueAsInt64Def(Int64 def) const { return StrToInt64Def(value_, def); }

bool TXmlNode::ReadBool(std::string_view name, bool def) const {
  const TXmlNode* n = NodeByName(name);
  return n ? n->ValueAsBoolDef(def) : def;
}

double TXmlNode::ReadFloat(std::string_view name, double def) const {
  const TXmlNode* n = NodeByName(name);
  return n ? n->ValueAsFloatDef(def) : def;
}

Integer TXmlNode::ReadInteger(std::string_view name, Integer def) const {
  const TXmlNode* n = NodeByName(name);
  return n ? n->ValueAsIntegerDef(def) : def;
}

Int64 TXmlNode::ReadInt64(std::string_view name, Int64 def) const {
  const TXmlNode* n = NodeByName(name);
  return n ? n->ValueAsInt64Def(def) : def;
}

std::string TXmlNode::ReadString(std::string_view name, std::string_view def) const {
  const TXmlNode* n = NodeByName(name);
  return n ? n->ValueAsString() : std::string(def);
}

std::u16string TXmlNode::ReadWidestring(std::string_view name, std::u16string_view def) const {
  return FromInternalWide(ReadString(name, ToInternal(def)));
}

TDateTime TXmlNode::ReadDateTime(std::string_view name, TDateTime def) const {
  return XmlToDateTimeDef(ReadString(name, ""), def);
}

Integer TXmlNode::ReadColor(std::string_view name, Integer def) const {
  const TXmlNode* n = NodeByName(name);
  return n ? StrToInt(n->ValueAsString()) : def;
}

// ---------------------------------------------------------------- node writers

namespace {

void SetAttribute(TXmlNode& node, std::string_view name, std::string_view text) {
  int i = node.AttributeIndexByName(name);
  if (i >= 0) node.SetAttributeValue(i, text);
  else node.AttributeAdd(name, text);
}

}  // namespace

void TXmlNode::WriteAttributeBool(std::string_view name, bool value, bool def) {
  if (StoreDefaultValues() || value != def) SetAttribute(*this, name, BoolToXml(value));
}

void TXmlNode::WriteAttributeDateTime(std::string_view name, TDateTime value, TDateTime def) {
  if (StoreDefaultValues() || value != def) SetAttribute(*this, name, DateTimeToXml(value));
}

void TXmlNode::WriteAttributeInteger(std::string_view name, Integer value, Integer def) {
  if (StoreDefaultValues() || value != def) SetAttribute(*this, name, std::to_string(value));
}

void TXmlNode::WriteAttributeInt64(std::string_view name, Int64 value, Int64 def) {
  if (StoreDefaultValues() || value != def) SetAttribute(*this, name, std::to_string(value));
}

void TXmlNode::WriteAttributeFloat(std::string_view name, double value, double def) {
  if (StoreDefaultValues() || value != def)
    SetAttribute(*this, name, FloatToXml(value, FloatDigits(), FloatExponentAllowed()));
}

void TXmlNode::WriteAttributeString(std::string_view name, std::string_view value, std::string_view def) {
  if (StoreDefaultValues() || value != def) SetAttribute(*this, name, value);
}

void TXmlNode::WriteBool(std::string_view name, bool value, bool def) {
  if (StoreDefaultValues() || value != def) NodeByNameOrNew(name)->SetValueAsString(BoolToXml(value));
}

void TXmlNode::WriteInteger(std::string_view name, Integer value, Integer def) {
  if (StoreDefaultValues() || value != def) NodeByNameOrNew(name)->SetValueAsString(std::to_string(value));
}

void TXmlNode::WriteInt64(std::string_view name, Int64 value, Int64 def) {
  if (StoreDefaultValues() || value != def) NodeByNameOrNew(name)->SetValueAsString(std::to_string(value));
}

void TXmlNode::WriteFloat(std::string_view name, double value, double def) {
  if (StoreDefaultValues() || value != def)
    NodeByNameOrNew(name)->SetValueAsString(FloatToXml(value, FloatDigits(), FloatExponentAllowed()));
}

void TXmlNode::WriteString(std::string_view name, std::string_view value, std::string_view def) {
  if (StoreDefaultValues() || value != def) NodeByNameOrNew(name)->SetValueAsString(value);
}

void TXmlNode::WriteDateTime(std::string_view name, TDateTime value, TDateTime def) {
  if (StoreDefaultValues() || value != def) WriteString(name, DateTimeToXml(value), "");
}

void TXmlNode::WriteHex(std::string_view name, uint32_t value, int digits, uint32_t def) {
  if (StoreDefaultValues() || value != def)
    NodeByNameOrNew(name)->SetValueAsString("$" + IntToHex(static_cast<uint64_t>(value), digits));
}

void TXmlNode::WriteColor(std::string_view name, Integer value, Integer def) {
  // Written without a second default test: black must not be left out because the hexadecimal
  // writer's default is 0.
  if (StoreDefaultValues() || value != def) {
    // A system colour is stored as the colour it stands for here, as the platform resolves it.
    const uint32_t rgb = value < 0 ? GetSysColor(static_cast<int>(static_cast<uint32_t>(value) & 0xFF))
                                   : static_cast<uint32_t>(value);
    NodeByNameOrNew(name)->SetValueAsString("$" + IntToHex(static_cast<uint64_t>(rgb), 8));
  }
}

void TXmlNode::WriteWidestring(std::string_view name, std::u16string_view value, std::u16string_view def) {
  WriteString(name, ToInternal(value), ToInternal(def));
}

// ---------------------------------------------------------------- binary values

void TXmlNode::BufferToValue(const void* buffer, int count) {
  std::string encoded;
  if (count > 0 && BinaryForm() == 0) encoded = EncodeHex(buffer, count);
  else if (count > 0 && BinaryForm() == 1) encoded = EncodeBase64(buffer, count);
  std::string lineBreak(LineBreak());
  lineBreak += IndentString();
  SetValue(InsertLineBreaks(encoded, lineBreak, 76));
}

int TXmlNode::ValueBufferLength() const {
  const std::string text = StripBlanks(value_);
  switch (BinaryForm()) {
    case 0:
      if (text.size() % 2 != 0) throw EFilerError("Error while calculating streamlength");
      return static_cast<int>(text.size() / 2);
    case 1: {
      if (text.size() % 4 != 0) throw EFilerError("Error while calculating streamlength");
      int n = static_cast<int>(text.size() / 4 * 3);
      if (text.ends_with("==")) n -= 2;
      else if (text.ends_with("=")) n -= 1;
      return n;
    }
    default: return 0;
  }
}

void TXmlNode::ValueToBuffer(void* buffer, int count) const {
  const std::string text = StripBlanks(value_);
  switch (BinaryForm()) {
    case 0: DecodeHex(text, buffer, count); break;
    case 1: DecodeBase64(text, buffer, count); break;
    default: break;
  }
}
