// Typed values, binary data and the brush, font and pen settings.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/sets.h"
#include "platform/rtl/sysutils.h"
#include "xml/document.h"
#include "xml_test_util.h"
#include "xml/values.h"

namespace {

// Small stand-ins with the getters and setters of the graphic classes.
struct TestBrush {
  Integer color = 0x123456;
  int style = 3;
  void* bitmap = reinterpret_cast<void*>(1);
  Integer Color() const { return color; }
  void SetColor(Integer c) { color = c; }
  int Style() const { return style; }
  void SetStyle(int s) { style = s; }
  void SetBitmap(void* b) { bitmap = b; }
};

enum TestFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TestFontStyles = TSet<TestFontStyle>;

struct TestFont {
  std::string name = "Courier";
  Integer color = 0x0000FF;
  int size = 9;
  TestFontStyles style{fsItalic, fsStrikeOut};
  const std::string& Name() const { return name; }
  void SetName(const std::string& n) { name = n; }
  Integer Color() const { return color; }
  void SetColor(Integer c) { color = c; }
  int Size() const { return size; }
  void SetSize(int s) { size = s; }
  TestFontStyles Style() const { return style; }
  void SetStyle(TestFontStyles s) { style = s; }
};

enum class TestPenMode { Black, White, Nop, Not, Copy };

struct TestPen {
  Integer color = 0x00FF00;
  TestPenMode mode = TestPenMode::Not;
  int style = 2;
  int width = 3;
  Integer Color() const { return color; }
  void SetColor(Integer c) { color = c; }
  TestPenMode Mode() const { return mode; }
  void SetMode(TestPenMode m) { mode = m; }
  int Style() const { return style; }
  void SetStyle(int s) { style = s; }
  int Width() const { return width; }
  void SetWidth(int w) { width = w; }
};


}  // namespace

TEST(XmlValues, BooleansAndNumbersFromText) {
  TXmlDocument doc;
  TXmlNode* n = doc.Root();
  n->SetValue("yes");
  EXPECT_TRUE(n->ValueAsBoolDef(false));
  n->SetValue("0");
  EXPECT_TRUE(n->ValueAsBoolDef(true));
  EXPECT_FALSE(n->ValueAsBoolDef(false));
  n->SetValue("");
  EXPECT_TRUE(n->ValueAsBoolDef(true));
  EXPECT_EQ(ErrorOf([] { XmlToBool("0"); }), "Cannot convert value to bool");
  EXPECT_EQ(ErrorOf([] { XmlToBool(""); }), "Cannot convert value to bool");
  EXPECT_FALSE(XmlToBool("no"));
  EXPECT_TRUE(XmlToBool("True"));

  n->SetValue("1,5");
  EXPECT_DOUBLE_EQ(n->ValueAsFloatDef(0), 1.5);
  n->SetValue("1,5,3");
  EXPECT_DOUBLE_EQ(n->ValueAsFloatDef(-1), -1);
  n->SetValue("2.25e2");
  EXPECT_DOUBLE_EQ(n->ValueAsFloatDef(0), 225);
  n->SetValue("$1F");
  EXPECT_EQ(n->ValueAsIntegerDef(0), 31);
  n->SetValue("12x");
  EXPECT_EQ(n->ValueAsInt64Def(-7), -7);

  n->AttributeAdd("i", "42");
  n->AttributeAdd("b", "bad");
  n->AttributeAdd("t", "T");
  EXPECT_EQ(n->ReadAttributeInteger("i", 0), 42);
  EXPECT_EQ(n->ReadAttributeInt64("b", 9), 9);
  EXPECT_TRUE(n->ReadAttributeBool("t", false));
  EXPECT_TRUE(n->ReadAttributeBool("b", true));
  EXPECT_EQ(n->ReadAttributeStringDef("missing", "dflt"), "dflt");
  EXPECT_EQ(n->ReadAttributeStringDef("i", "dflt"), "42");
}

TEST(XmlValues, DateTimesRoundTrip) {
  const TDateTime day = EncodeDate(2024, 3, 5);
  EXPECT_EQ(DateTimeToXml(day), "2024-03-05");
  EXPECT_EQ(XmlToDateTime("2024-03-05"), day);
  const TDateTime moment = EncodeDateTime(2024, 3, 5, 13, 45, 30, 250);
  EXPECT_EQ(DateTimeToXml(moment), "2024-03-05T13:45:30.250Z");
  EXPECT_NEAR(XmlToDateTime("2024-03-05T13:45:30.250Z"), moment, 1e-9);
  // Seconds and milliseconds may be missing; hour and minute may not.
  EXPECT_NEAR(XmlToDateTime("2024-03-05T13:45:xx.yyyZ"), EncodeDateTime(2024, 3, 5, 13, 45, 0, 0), 1e-9);
  EXPECT_THROW(XmlToDateTime("2024-03-05Thh:45:30"), EConvertError);
  EXPECT_THROW(XmlToDateTime("20x4-03-05"), EConvertError);
  EXPECT_THROW(XmlToDateTime("2024-13-05"), EConvertError);
  EXPECT_THROW(XmlToDateTime(""), EConvertError);
  EXPECT_EQ(XmlToDateTimeDef("nonsense", 1.5), 1.5);

  TXmlDocument doc;
  TXmlNode* n = doc.Root();
  n->WriteDateTime("when", moment, 0);
  n->WriteAttributeDateTime("at", day, 0);
  EXPECT_NEAR(n->ReadDateTime("when", 0), moment, 1e-9);
  EXPECT_EQ(n->ReadAttributeDateTime("at", 0), day);
  EXPECT_EQ(n->ReadDateTime("missing", 2.0), 2.0);
  n->NodeByName("when")->SetValue("garbage");
  EXPECT_EQ(n->NodeByName("when")->ValueAsDateTimeDef(3.0), 3.0);
}

TEST(XmlValues, FloatsInShortText) {
  EXPECT_EQ(FloatToXml(2.5, 6, true), "2.5");
  EXPECT_EQ(FloatToXml(123.456, 6, true), "123.456");
  EXPECT_EQ(FloatToXml(0.05, 6, true), ".05");
  EXPECT_EQ(FloatToXml(0.005, 6, true), "5E-3");
  EXPECT_EQ(FloatToXml(0.005, 6, false), ".005");
  EXPECT_EQ(FloatToXml(1234567, 6, true), "1234570");
  EXPECT_EQ(FloatToXml(-100, 6, true), "-100");
  EXPECT_EQ(FloatToXml(0, 6, true), "0");
  EXPECT_EQ(FloatToXml(1e12, 6, true), "1.00000E12");  // digits before the point are kept
  EXPECT_EQ(FloatToXml(1.5e-7, 6, true), "1.5E-7");
  EXPECT_EQ(FloatToXml(999999.7, 6, true), "1000000");
  EXPECT_EQ(FloatToXml(1.0 / 3, 9, true), ".333333333");
  EXPECT_EQ(ErrorOf([] { FloatToXml(1, 0, true); }), "Significant digits out of range");
  EXPECT_EQ(ErrorOf([] { FloatToXml(1, 10, true); }), "Significant digits out of range");
  // No endless loop on infinity, no undefined rounding of NaN.
  EXPECT_THROW(FloatToXml(std::numeric_limits<double>::infinity(), 6, true), EConvertError);
  EXPECT_THROW(FloatToXml(-std::numeric_limits<double>::infinity(), 6, true), EConvertError);
  EXPECT_THROW(FloatToXml(std::nan(""), 6, true), EConvertError);
  EXPECT_FALSE(FloatToXml(std::numeric_limits<double>::denorm_min(), 9, true).empty());
  EXPECT_FALSE(FloatToXml(std::numeric_limits<double>::max(), 9, true).empty());

  TXmlDocument doc;
  doc.SetFloatDigits(3);
  doc.SetFloatExponentAllowed(false);
  doc.Root()->WriteFloat("f", 0.00012345, 0);
  EXPECT_EQ(doc.Root()->NodeByName("f")->Value(), ".000123");
  doc.Root()->WriteAttributeFloat("g", 2.5, 0);
  EXPECT_EQ(doc.Root()->ReadAttributeString("g"), "2.5");
  EXPECT_DOUBLE_EQ(doc.Root()->ReadFloat("f", 0), 0.000123);
}

TEST(XmlValues, WritersHonourStoreDefaultValues) {
  TXmlDocument doc;
  TXmlNode* n = doc.Root();
  n->WriteInteger("i", 5, 5);  // stored by default
  EXPECT_NE(n->NodeByName("i"), nullptr);
  doc.SetStoreDefaultValues(false);
  n->WriteInteger("j", 5, 5);
  n->WriteString("s", "d", "d");
  n->WriteBool("b", false, false);
  n->WriteAttributeInteger("a", 1, 1);
  EXPECT_EQ(n->NodeByName("j"), nullptr);
  EXPECT_EQ(n->NodeByName("s"), nullptr);
  EXPECT_EQ(n->NodeByName("b"), nullptr);
  EXPECT_FALSE(n->HasAttribute("a"));
  n->WriteInteger("j", 6, 5);
  EXPECT_EQ(n->ReadInteger("j", 0), 6);

  // Writing an attribute again replaces its value.
  n->WriteAttributeString("x", "1", "");
  n->WriteAttributeString("X", "2", "");
  EXPECT_EQ(n->AttributeCount(), 1);
  EXPECT_EQ(n->ReadAttributeString("x"), "2");
  n->WriteAttributeBool("flag", true, false);
  n->WriteAttributeInt64("big", 1LL << 40, 0);
  EXPECT_EQ(n->ReadAttributeString("flag"), "True");
  EXPECT_EQ(n->ReadAttributeInt64("big", 0), 1LL << 40);

  n->WriteHex("h", 255, 4, 0);
  EXPECT_EQ(n->NodeByName("h")->Value(), "$00FF");
  n->WriteInt64("l", -5, 0);
  EXPECT_EQ(n->ReadInt64("l", 0), -5);
  n->WriteString("esc", "a<b", "");
  EXPECT_EQ(n->NodeByName("esc")->Value(), "a&lt;b");
  EXPECT_EQ(n->ReadString("esc", ""), "a<b");

  // Colours: a colour equal to 0 is still written when its default is another colour.
  n->WriteColor("black", 0, 0xFFFFFF);
  EXPECT_EQ(n->ReadColor("black", 0xFFFFFF), 0);
  // A system colour is stored as the colour it stands for on this platform.
  n->WriteColor("face", static_cast<Integer>(0xFF00000F), 0);  // the button face
  EXPECT_EQ(n->NodeByName("face")->Value(), "$00C8D0D4");
  EXPECT_EQ(n->ReadColor("face", 0), 0x00C8D0D4);
  n->WriteColor("sys", static_cast<Integer>(0x8000000F), 0);
  EXPECT_EQ(n->ReadColor("sys", 0), 0x00C8D0D4);
  n->WriteColor("blue", 0x00FF0000, 0);
  EXPECT_EQ(n->NodeByName("blue")->Value(), "$00FF0000");
  n->NodeByName("sys")->SetValue("not a colour");
  EXPECT_THROW(n->ReadColor("sys", 0), EConvertError);
  EXPECT_EQ(n->ReadColor("none", 7), 7);
}

TEST(XmlValues, WideStringsFollowTheInternalForm) {
  TXmlDocument doc;
  doc.Root()->WriteWidestring("w", u"\u8D39\u7528", u"");
  EXPECT_EQ(doc.Root()->NodeByName("w")->Value(), "\xE8\xB4\xB9\xE7\x94\xA8");
  EXPECT_EQ(doc.Root()->ReadWidestring("w", u""), u"\u8D39\u7528");
  EXPECT_EQ(doc.Root()->ReadWidestring("none", u"\u00E9"), u"\u00E9");

  TXmlDocument ansi;
  ansi.SetInternalUtf8(false);
  ansi.Root()->WriteWidestring("w", u"\u00E9\u8D39", u"");
  EXPECT_EQ(ansi.Root()->NodeByName("w")->Value(), "\xE9?");
  EXPECT_EQ(ansi.Root()->ReadWidestring("w", u""), u"\u00E9?");
  ansi.SetStoreDefaultValues(false);
  ansi.Root()->WriteWidestring("same", u"\u00E9", u"\u00E9");
  EXPECT_EQ(ansi.Root()->NodeByName("same"), nullptr);
}

TEST(XmlValues, BinaryDataAsHexAndBase64) {
  const std::string rfc[] = {"", "f", "fo", "foo", "foob", "fooba", "foobar"};
  const std::string b64[] = {"", "Zg==", "Zm8=", "Zm9v", "Zm9vYg==", "Zm9vYmE=", "Zm9vYmFy"};
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(EncodeBase64(rfc[i].data(), static_cast<int>(rfc[i].size())), b64[i]);
    std::string back(rfc[i].size(), '\0');
    DecodeBase64(b64[i], back.data(), static_cast<int>(back.size()));
    EXPECT_EQ(back, rfc[i]);
  }
  EXPECT_EQ(EncodeHex("\x01\xAB", 2), "01AB");
  char two[2];
  DecodeHex("01ab", two, 2);
  EXPECT_EQ(std::string(two, 2), "\x01\xAB");
  EXPECT_EQ(ErrorOf([&] { DecodeHex("01A", two, 2); }), "Missing data in binary stream");
  EXPECT_EQ(ErrorOf([&] { DecodeBase64("Zg", two, 1); }), "Missing data in binary stream");
  DecodeHex("zz", two, 1);  // not hexadecimal: zero bits
  EXPECT_EQ(two[0], 0);

  EXPECT_EQ(StripBlanks(" a\tb\r\nc "), "abc");
  EXPECT_EQ(InsertLineBreaks("abcdefg", "|", 3), "|abc|def|g|");
  EXPECT_EQ(InsertLineBreaks("abc", "|", 3), "|abc|");
  EXPECT_EQ(InsertLineBreaks("", "|", 3), "|");
  EXPECT_EQ(InsertLineBreaks("abc", "", 3), "abc");
  EXPECT_EQ(InsertLineBreaks("abc", "|", 0), "abc");
  // No index is 1 modulo 1: a width of 1 breaks only before the first character and at the end.
  EXPECT_EQ(InsertLineBreaks("abc", "|", 1), "|abc|");
  EXPECT_EQ(InsertLineBreaks("abcd", "|", 2), "|ab|cd|");

  TXmlDocument doc;
  TXmlNode* n = doc.Root()->NodeNew("bin");
  n->BufferToValue("abc", 3);  // Base64 is the default form; compact layout: no breaks
  EXPECT_EQ(n->Value(), "YWJj");
  doc.SetOutputLayout(0);
  n->BufferToValue("abc", 3);
  EXPECT_EQ(n->Value(), "\r\n  YWJj\r\n  ");
  n->SetValue("\r\n  QUJDRA==\r\n  ");
  EXPECT_EQ(n->ValueBufferLength(), 4);
  n->SetValue("QUJDRA=");
  EXPECT_EQ(ErrorOf([&] { n->ValueBufferLength(); }), "Error while calculating streamlength");

  std::vector<unsigned char> data(200);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<unsigned char>(i * 37);
  for (uint8_t form : {0, 1}) {
    doc.SetBinaryForm(form);
    n->BufferToValue(data.data(), static_cast<int>(data.size()));
    EXPECT_EQ(n->ValueBufferLength(), 200);
    std::vector<unsigned char> back(200);
    n->ValueToBuffer(back.data(), 200);
    EXPECT_EQ(back, data) << int(form);
  }
  doc.SetBinaryForm(0);
  n->SetValue("ABC");
  EXPECT_EQ(ErrorOf([&] { n->ValueBufferLength(); }), "Error while calculating streamlength");
  n->BufferToValue(nullptr, 0);
  EXPECT_EQ(n->Value(), "\r\n  ");
  doc.SetBinaryForm(7);
  EXPECT_EQ(n->ValueBufferLength(), 0);
}

TEST(XmlValues, BrushFontAndPenReadBackAsWritten) {
  for (bool storeDefaults : {true, false}) {
    TXmlDocument doc;
    doc.SetStoreDefaultValues(storeDefaults);
    TXmlNode* n = doc.Root();

    TestBrush black;
    black.color = 0;
    black.style = 0;
    n->WriteBrush("brush", black);
    TestBrush brushBack;
    n->ReadBrush("brush", brushBack);
    EXPECT_EQ(brushBack.color, 0) << storeDefaults;
    EXPECT_EQ(brushBack.style, 0);

    TestFont font;
    n->WriteFont("font", font);
    TestFont fontBack;
    fontBack.style = TestFontStyles{fsBold};
    n->ReadFont("font", fontBack);
    EXPECT_EQ(fontBack.name, "Courier");
    EXPECT_EQ(fontBack.color, 0x0000FF);
    EXPECT_EQ(fontBack.size, 9);
    EXPECT_TRUE(fontBack.style == (TestFontStyles{fsItalic, fsStrikeOut}));

    TestPen pen;
    pen.mode = TestPenMode::Copy;  // the default mode and width, left out when defaults are not stored
    pen.width = 1;
    n->WritePen("pen", pen);
    TestPen penBack;
    n->ReadPen("pen", penBack);
    EXPECT_EQ(penBack.color, 0x00FF00);
    EXPECT_EQ(penBack.mode, TestPenMode::Copy);
    EXPECT_EQ(penBack.style, 2);
    EXPECT_EQ(penBack.width, 1);
  }

  // Missing settings give the defaults.
  TXmlDocument empty;
  TestBrush brush;
  empty.Root()->ReadBrush("none", brush);
  EXPECT_EQ(brush.color, 0xFFFFFF);
  EXPECT_EQ(brush.style, 0);
  EXPECT_EQ(brush.bitmap, nullptr);
  TestFont font;
  empty.Root()->ReadFont("none", font);
  EXPECT_EQ(font.name, "Arial");
  EXPECT_EQ(font.size, 14);
  EXPECT_TRUE(font.style.Empty());
  TestPen pen;
  empty.Root()->ReadPen("none", pen);
  EXPECT_EQ(pen.mode, TestPenMode::Copy);
  EXPECT_EQ(pen.width, 1);
  EXPECT_EQ(pen.color, 0);
}
