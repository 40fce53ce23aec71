// Encoding detection, conversion streams, buffered streams, and saving to streams and files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"
#include "xml/codec.h"
#include "xml/document.h"
#include "xml_test_util.h"

namespace {

std::string Bytes(std::initializer_list<int> b) {
  std::string s;
  for (int c : b) s.push_back(static_cast<char>(c));
  return s;
}

// UTF-16 code units of a UTF-8 text, in the given byte order.
std::string Utf16(const std::u16string& text, bool bigEndian) {
  std::string s;
  for (char16_t u : text) {
    char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
    s += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
  }
  return s;
}

// Takes at most `limit` bytes, like a full disk.
class FullStream : public TStringStream {
 public:
  explicit FullStream(int64_t limit) : limit_(limit) {}
  int64_t Write(const void* buffer, int64_t count) override {
    int64_t room = std::max<int64_t>(0, limit_ - Size());
    return TStringStream::Write(buffer, std::min(count, room));
  }

 private:
  int64_t limit_;
};

std::string Load(TXmlDocument& doc, const std::string& bytes) {
  TStringStream s(bytes);
  doc.LoadFromStream(s);
  return doc.Root() ? std::string(doc.Root()->Value()) : std::string();
}

std::string Save(TXmlDocument& doc, uint8_t encoding) {
  TStringStream out;
  doc.SetStreamEncoding(encoding);
  doc.SaveToStream(out);
  return out.DataString();
}


}  // namespace

TEST(XmlCodec, DetectsMarksAndFirstCharacters) {
  TXmlDocument doc;
  doc.SetInternalUtf8(false);
  EXPECT_EQ(Load(doc, "\xEF\xBB\xBF<r>\xE4\xB8\xAD</r>"), "\xE4\xB8\xAD");
  EXPECT_EQ(doc.StreamEncoding(), XmlEncoding::Utf8);
  EXPECT_TRUE(doc.InternalUtf8());

  // FF FE 3C 00: UTF-16 little-endian with a mark; pairs become one character.
  EXPECT_EQ(Load(doc, Bytes({0xFF, 0xFE}) + Utf16(u"<r>\u4E2D\U0001F600</r>", false)), "\xE4\xB8\xAD\U0001F600");
  EXPECT_EQ(doc.StreamEncoding(), XmlEncoding::Utf16LE);
  EXPECT_EQ(Load(doc, Bytes({0xFE, 0xFF}) + Utf16(u"<r>x</r>", true)), "x");
  EXPECT_EQ(doc.StreamEncoding(), XmlEncoding::Utf16BE);
  EXPECT_EQ(Load(doc, Utf16(u"<?xml version='1.0'?><r>y</r>", false)), "y");
  EXPECT_EQ(doc.StreamEncoding(), XmlEncoding::Utf16LE);  // row 12: no mark to skip
  EXPECT_EQ(Load(doc, Utf16(u"<?xml version='1.0'?><r>z</r>", true)), "z");
  EXPECT_EQ(doc.StreamEncoding(), XmlEncoding::Utf16BE);

  // No row matches an element at the very start: 8-bit, read from the first byte.
  EXPECT_EQ(Load(doc, "<root>\xE9</root>"), "\xC3\xA9");
  EXPECT_EQ(doc.StreamEncoding(), XmlEncoding::Ansi);

  EXPECT_EQ(ErrorOf([&] { Load(doc, ""); }), "Unsupported string encoding");
  EXPECT_EQ(ErrorOf([&] { Load(doc, Bytes({0x4C, 0x6F, 0xA7, 0x94, 0x40})); }), "Unsupported string encoding");
  EXPECT_EQ(ErrorOf([&] { Load(doc, Bytes({0, 0, 0xFE, 0xFF, 0, 0, 0, 0x3C})); }), "Unsupported string encoding");
  EXPECT_EQ(ErrorOf([&] { Load(doc, Bytes({0x3C, 0, 0, 0, 0x61, 0, 0, 0})); }), "Unsupported string encoding");
}

TEST(XmlCodec, DeclaredUtf8IsReadAsUtf8WhateverItsCase) {
  // No mark: detected as 8-bit, then the declaration switches to UTF-8 (no double encoding).
  for (const char* name : {"UTF-8", "utf-8", "Utf-8"}) {
    TXmlDocument doc;
    std::string text = std::string("<?xml version=\"1.0\" encoding=\"") + name + "\"?><r>\xE8\xB4\xB9</r>";
    EXPECT_EQ(Load(doc, text), "\xE8\xB4\xB9") << name;
    EXPECT_TRUE(doc.InternalUtf8());
  }
  // The same in the 8-bit form: the bytes stay UTF-8 and the document switches form.
  TXmlDocument ansi;
  ansi.SetInternalUtf8(false);
  EXPECT_EQ(Load(ansi, "<?xml version=\"1.0\" encoding=\"utf-8\"?><r>\xE8\xB4\xB9</r>"), "\xE8\xB4\xB9");
  EXPECT_TRUE(ansi.InternalUtf8());
  // A declared 8-bit set is converted into UTF-8.
  TXmlDocument latin;
  EXPECT_EQ(Load(latin, "<?xml version=\"1.0\" encoding=\"windows-1252\"?><r>caf\xE9 \x80</r>"),
            "caf\xC3\xA9 \xE2\x82\xAC");
  // UTF-16 that declares UTF-8 stays UTF-16.
  TXmlDocument wide;
  EXPECT_EQ(Load(wide, Bytes({0xFF, 0xFE}) + Utf16(u"<?xml encoding='UTF-8'?><r>\u00E9</r>", false)), "\xC3\xA9");
}

// The 8-bit code (a string read, or a document made in code) writes what the declaration names: the
// text of a document that declares UTF-8 is never squeezed into 8 bits under that declaration.
TEST(XmlCodec, ADocumentWithoutAStreamEncodingIsWrittenAsItsDeclarationSays) {
  struct Case {
    const char* declaration;
    std::string start;  // the bytes written first
  };
  const Case cases[] = {
      {"UTF-8", "\xEF\xBB\xBF<?xml"},
      {"utf-8", "\xEF\xBB\xBF<?xml"},
      {"UTF-16", Bytes({0xFF, 0xFE, '<', 0})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.declaration);
    TXmlDocument doc;
    doc.ReadFromString(std::string("<?xml version=\"1.0\" encoding=\"") + c.declaration +
                       "\"?><r>\xE8\xB4\xB9\xE7\x94\xA8 caf\xC3\xA9</r>");
    ASSERT_EQ(doc.StreamEncoding(), XmlEncoding::Ansi);
    const std::string saved = Save(doc, XmlEncoding::Ansi);
    EXPECT_EQ(saved.substr(0, c.start.size()), c.start);
    TXmlDocument back;
    EXPECT_EQ(Load(back, saved), "\xE8\xB4\xB9\xE7\x94\xA8 caf\xC3\xA9");
  }
  // Through a file, as the clerk's data would go.
  TXmlDocument doc;
  doc.ReadFromString("<?xml version=\"1.0\" encoding=\"UTF-8\"?><r>\xE8\xB4\xB9\xE7\x94\xA8</r>");
  const std::string path = ::testing::TempDir() + "declared_utf8_" + std::to_string(getpid()) + ".xml";
  doc.SaveToFile(path);
  TXmlDocument fromFile;
  fromFile.LoadFromFile(path);
  std::remove(path.c_str());
  EXPECT_EQ(std::string(fromFile.Root()->Value()), "\xE8\xB4\xB9\xE7\x94\xA8");
  // A declared 8-bit set, or none, stays 8-bit.
  TXmlDocument latin;
  latin.ReadFromString("<?xml version=\"1.0\" encoding=\"windows-1252\"?><r>caf\xC3\xA9</r>");
  EXPECT_EQ(Save(latin, XmlEncoding::Ansi), "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n<r>caf\xE9</r>\n");
  TXmlDocument bare;
  bare.ReadFromString("<r>caf\xC3\xA9</r>");
  EXPECT_EQ(Save(bare, XmlEncoding::Ansi), "<r>caf\xE9</r>\n");
}

TEST(XmlCodec, EightBitFormMarksLostCharactersOnce) {
  TXmlDocument doc;
  doc.SetInternalUtf8(false);
  int losses = 0;
  doc.OnCharacterLoss = [&](TXmlDocument*) { ++losses; };
  // U+4E2D and U+0400 are not in windows-1252; U+20AC is (0x80).
  EXPECT_EQ(Load(doc, Bytes({0xFF, 0xFE}) + Utf16(u"<r>\u4E2D\u0400\u20AC\u00E9</r>", false)), "??\x80\xE9");
  EXPECT_EQ(losses, 1);
  EXPECT_FALSE(doc.InternalUtf8());

  // Saving UTF-8 text as 8-bit writes "?" for what the set lacks, and says so once.
  TXmlDocument utf;
  utf.ReadFromString("<r>\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80</r>");
  int saveLosses = 0;
  utf.OnCharacterLoss = [&](TXmlDocument*) { ++saveLosses; };
  EXPECT_EQ(Save(utf, XmlEncoding::Ansi), "<r>\xE9?" "?</r>\n");
  EXPECT_EQ(saveLosses, 1);
}

TEST(XmlCodec, SavesEveryWritableEncodingAndReadsItBack) {
  TXmlDocument doc;
  doc.ReadFromString("<?xml version=\"1.0\"?><r a=\"\xC3\xA9\">\xE4\xB8\xAD\xF0\x9F\x98\x80 \xC3\xA9</r>");
  EXPECT_EQ(Save(doc, XmlEncoding::Utf8).substr(0, 5), "\xEF\xBB\xBF<?");
  EXPECT_EQ(Save(doc, XmlEncoding::Utf16LE).substr(0, 4), Bytes({0xFF, 0xFE, '<', 0}));
  EXPECT_EQ(Save(doc, XmlEncoding::Utf16BE).substr(0, 4), Bytes({0xFE, 0xFF, 0, '<'}));
  EXPECT_EQ(Save(doc, XmlEncoding::Utf16LENoMark).substr(0, 2), Bytes({'<', 0}));
  // A supplementary character is written as a surrogate pair.
  EXPECT_NE(Save(doc, XmlEncoding::Utf16LE).find(Bytes({0x3D, 0xD8, 0x00, 0xDE})), std::string::npos);
  for (uint8_t code : {XmlEncoding::Utf8, XmlEncoding::Utf16LE, XmlEncoding::Utf16BE, XmlEncoding::Utf16LENoMark,
                       XmlEncoding::Utf16BENoMark}) {
    TXmlDocument back;
    Load(back, Save(doc, code));
    EXPECT_EQ(back.WriteToString(), doc.WriteToString()) << int(code);
  }
  EXPECT_EQ(ErrorOf([&] { Save(doc, XmlEncoding::Ucs4LE); }), "Unsupported string encoding");
  EXPECT_EQ(ErrorOf([&] { Save(doc, XmlEncoding::Ebcdic); }), "Unsupported string encoding");

  // Invalid bytes in the text are replaced, not dropped with the rest of the text.
  TXmlDocument bad;
  bad.ReadFromString("<r>a\xFF" "b\xE4\xB8</r>");
  EXPECT_EQ(Save(bad, XmlEncoding::Utf16LE), Bytes({0xFF, 0xFE}) + Utf16(u"<r>a\uFFFDb\uFFFD\uFFFD</r>\n", false));

  // The 8-bit form writes UTF-8 and UTF-16 through windows-1252.
  TXmlDocument ansi;
  ansi.SetInternalUtf8(false);
  ansi.ReadFromString("<r>\x80\xE9</r>");
  EXPECT_EQ(Save(ansi, XmlEncoding::Utf8), "\xEF\xBB\xBF<r>\xE2\x82\xAC\xC3\xA9</r>\n");
  EXPECT_EQ(Save(ansi, XmlEncoding::Utf16LENoMark), Utf16(u"<r>\u20AC\u00E9</r>\n", false));
  EXPECT_EQ(Save(ansi, XmlEncoding::Ansi), "<r>\x80\xE9</r>\n");
}

TEST(XmlCodec, CodecStreamReadsOneCharacterByteAtATime) {
  TStringStream source("\xEF\xBB\xBF<\xE4\xB8\xAD" "a\xF0\x9F\x98\x80" "b");
  TXmlUtf8Stream codec(&source);
  EXPECT_EQ(ErrorOf([&] { codec.Seek(0, soFromCurrent); }), "Cannot seek before reading or writing in conversion stream");
  char c;
  std::string got;
  ASSERT_EQ(codec.Read(&c, 1), 1);
  EXPECT_EQ(c, '<');
  for (int i = 0; i < 4; ++i) {  // the three bytes of U+4E2D, then "a"
    codec.Read(&c, 1);
    got += c;
  }
  EXPECT_EQ(got, "\xE4\xB8\xAD" "a");
  // Back over "a" and the three-byte character: at its first byte again.
  EXPECT_EQ(codec.Seek(-2, soFromCurrent), 0);
  codec.Read(&c, 1);
  EXPECT_EQ(static_cast<unsigned char>(c), 0xE4);

  // A four-byte character is one character: stepping back lands on its first byte.
  TStringStream four("\xEF\xBB\xBF\xF0\x9F\x98\x80z");
  TXmlUtf8Stream codec4(&four);
  codec4.Read(&c, 1);
  codec4.Read(&c, 1);
  codec4.Seek(-1, soFromCurrent);
  codec4.Read(&c, 1);
  EXPECT_EQ(static_cast<unsigned char>(c), 0xF0);
  std::string rest;
  while (codec4.Read(&c, 1) == 1) rest += c;
  EXPECT_EQ(rest, "\x9F\x98\x80z");

  EXPECT_EQ(ErrorOf([&] { codec.Read(&c, 2); }), "Cannot read multiple chars from conversion stream at once");
  EXPECT_EQ(ErrorOf([&] { codec.Write("x", 1); }), "Cannot write to an UTF stream opened for reading");
  EXPECT_EQ(ErrorOf([&] { codec.Seek(5, soFromCurrent); }), "Cannot perform seek on codec stream");
  EXPECT_EQ(codec.Seek(0, soFromEnd), source.Size());

  TStringStream sink;
  TXmlAnsiStream writer(&sink);
  writer.Write("ab", 2);
  EXPECT_EQ(ErrorOf([&] { writer.Read(&c, 1); }), "Cannot read from a conversion stream opened for writing");

  // The 8-bit codec reading UTF-16: characters the set lacks read as "?".
  TStringStream wide(Bytes({0xFF, 0xFE}) + Utf16(u"\u4E2Dx", false));
  TXmlAnsiStream ansi(&wide);
  int lost = 0;
  ansi.LossNotice = [&] { ++lost; };
  ansi.Read(&c, 1);
  EXPECT_EQ(c, '?');
  ansi.Read(&c, 1);
  EXPECT_EQ(c, 'x');
  EXPECT_EQ(ansi.Read(&c, 1), 0);
  EXPECT_EQ(lost, 1);
}

TEST(XmlCodec, SplitCharactersAcrossBlocksAreReadWhole) {
  const std::u16string text = u"<r a='\u00E9\U0001F600'>\u4E2D\U0001F601x</r>";
  for (int64_t block = 1; block <= 9; ++block) {
    TStringStream source(Bytes({0xFF, 0xFE}) + Utf16(text, false) + "\x01");  // and an odd byte at the end
    TXmlBufferedReadStream buffered(&source, false);
    TXmlUtf8Stream codec(&buffered);
    codec.SetBlockSize(block);
    std::string out;
    while (codec.ReadBlock(out)) {
    }
    EXPECT_EQ(out, "<r a='\xC3\xA9\xF0\x9F\x98\x80'>\xE4\xB8\xAD\xF0\x9F\x98\x81x</r>\xEF\xBF\xBD") << block;
  }
}

TEST(XmlCodec, BufferedStreamsReadAndWriteAcrossBlocks) {
  std::string data(200000, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + i / 300);
  TStringStream source(data);
  TXmlBufferedReadStream in(&source, false);
  std::string got(data.size() + 10, '\0');
  EXPECT_EQ(in.Read(got.data(), 70000), 70000);
  char c;
  for (int i = 0; i < 100; ++i) ASSERT_EQ(in.Read(&c, 1), 1);
  EXPECT_EQ(in.Read(got.data() + 70100, 200000), 200000 - 70100);
  got.resize(data.size());
  EXPECT_EQ(got.substr(0, 70000), data.substr(0, 70000));
  EXPECT_EQ(got.substr(70100), data.substr(70100));
  EXPECT_EQ(in.Read(&c, 1), 0);
  EXPECT_EQ(in.Seek(65535, soFromBeginning), 65535);
  in.Read(&c, 1);
  EXPECT_EQ(c, data[65535]);
  EXPECT_EQ(in.Seek(-1, soFromEnd), 199999);
  in.Read(&c, 1);
  EXPECT_EQ(c, data.back());
  EXPECT_EQ(in.Seek(-5, soFromBeginning), -5);
  EXPECT_EQ(in.Read(&c, 1), 0);
  EXPECT_THROW(in.Write("x", 1), EStreamError);

  TStringStream sink;
  {
    TXmlBufferedWriteStream out(&sink, false);
    for (size_t i = 0; i < data.size(); i += 1000) out.Write(data.data() + i, 1000);
    EXPECT_EQ(out.Seek(0, soFromCurrent), 200000);
    EXPECT_THROW(out.Seek(0, soFromBeginning), EStreamError);
    EXPECT_THROW(out.Read(&c, 1), EStreamError);
  }
  EXPECT_EQ(sink.DataString(), data);
}

// The parser reads one byte at a time: every block after the first must be reached that way too,
// on the buffered stream and through a codec over it.
TEST(XmlCodec, ByteAtATimeReadsCrossEveryBlock) {
  std::string data(70000, 'a');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>('a' + (i * 7 + i / 300) % 26);
  data[0] = '<';
  auto readAll = [](TStream& s) {
    std::string got;
    char c;
    while (s.Read(&c, 1) == 1) got += c;
    return got;
  };
  {
    TStringStream source(data);
    TXmlBufferedReadStream buffered(&source, false);
    const std::string got = readAll(buffered);
    EXPECT_EQ(got.size(), data.size());
    EXPECT_TRUE(got == data);
  }
  {
    TStringStream source(data);
    TXmlBufferedReadStream buffered(&source, false);
    TXmlAnsiStream codec(&buffered);
    const std::string got = readAll(codec);
    EXPECT_EQ(got.size(), data.size());
    EXPECT_TRUE(got == data);
  }
  {
    TStringStream source(data);
    TXmlBufferedReadStream buffered(&source, false);
    TXmlUtf8Stream codec(&buffered);
    const std::string got = readAll(codec);
    EXPECT_EQ(got.size(), data.size());
    EXPECT_TRUE(got == data);
  }
}

TEST(XmlCodec, AFullDestinationIsAnError) {
  TXmlDocument doc;
  doc.ReadFromString("<r>" + std::string(100000, 'x') + "</r>");
  for (int64_t limit : {0, 10, 65536, 70000}) {
    FullStream full(limit);
    EXPECT_EQ(ErrorOf([&] { doc.SaveToStream(full); }), "Cannot write to output stream") << limit;
    EXPECT_EQ(doc.CodecStream(), nullptr);
  }
  TXmlDocument small;
  small.ReadFromString("<r/>");
  FullStream tiny(3);
  EXPECT_EQ(ErrorOf([&] { small.SaveToStream(tiny); }), "Cannot write to output stream");
  FullStream enough(100);
  small.SaveToStream(enough);
  EXPECT_EQ(enough.DataString(), "<r></r>\n");
}

TEST(XmlCodec, SaveToFileReplacesTheFileOnlyOnSuccess) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("fano_xml_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string file = (dir / "doc.xml").string();

  TXmlDocument doc;
  doc.ReadFromString("<r><a>1</a></r>");
  doc.SetStreamEncoding(XmlEncoding::Utf8);
  doc.SaveToFile(file);
  TXmlDocument back;
  back.LoadFromFile(file);
  EXPECT_EQ(back.Root()->NodeByName("a")->Value(), "1");

  // A save that fails half-way leaves the old file and no temporary file.
  doc.Root()->NodeNew("bad")->SetElementType(static_cast<TXmlElementType>(14));
  EXPECT_EQ(ErrorOf([&] { doc.SaveToFile(file); }), "Illegal element type");
  std::ifstream in(file, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  EXPECT_EQ(content.str(), "\xEF\xBB\xBF<r><a>1</a></r>\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);

  EXPECT_THROW(back.LoadFromFile((dir / "missing.xml").string()), EFOpenError);
  EXPECT_THROW(doc.SaveToFile((dir / "no" / "such" / "dir.xml").string()), EFCreateError);
  fs::remove_all(dir);
}
