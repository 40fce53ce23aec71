// The parser's small helpers: the surplus reader, the string builder and the string stream, and
// the node's string reading and writing through that stream.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/rtl/streams.h"
#include "xml/codec.h"
#include "xml/document.h"
#include "xml/parser.h"

namespace {

// Reads the whole text through the reader: each character, every blank skipped, and after each
// read the last character is taken back once and read again.
std::string ReadThroughSurplusReader(TXmlSurplusReader& reader, bool skipBlanks) {
  std::string out;
  char c;
  bool again = true;
  while (skipBlanks ? reader.ReadCharSkipBlanks(c) : reader.ReadChar(c)) {
    if (again) {
      reader.PushBack(1);
      char d;
      EXPECT_TRUE(reader.ReadChar(d));
      EXPECT_EQ(d, c);
    }
    again = !again;
    out.push_back(c);
  }
  return out;
}

TEST(XmlSurplusReader, ReadsCharactersSkipsBlanksAndTakesBackWhatItRead) {
  const std::string text = "<a>\t x\r\ny </a>";
  for (bool skip : {false, true}) {
    const std::string expected = skip ? "<a>xy</a>" : text;
    XmlMemoryInput memory(text);
    EXPECT_EQ(ReadThroughSurplusReader(memory, skip), expected);
    EXPECT_TRUE(memory.AtEnd());
    // From a stream in blocks of one and three bytes: taking back crosses the block boundaries.
    for (size_t block : {size_t{1}, size_t{3}}) {
      TStringStream stream(text);
      XmlStreamInput input(stream, block);
      EXPECT_EQ(ReadThroughSurplusReader(input, skip), expected) << block;
      char c;
      EXPECT_FALSE(input.ReadChar(c));
    }
  }
  XmlMemoryInput blanks(" \t\r\n");
  char c = 'x';
  EXPECT_FALSE(blanks.ReadCharSkipBlanks(c));
}

TEST(XmlStringBuilder, GrowsAndGivesCharactersAndParts) {
  TXmlStringBuilder b;
  EXPECT_EQ(b.Length(), 0u);
  EXPECT_EQ(b.StringValue(), "");
  std::string expected;
  for (int i = 0; i < 300; ++i) {
    const char c = static_cast<char>('a' + i % 26);
    b.AddChar(c);
    expected.push_back(c);
  }
  b.Append("XYZ", 3);
  expected += "XYZ";
  EXPECT_EQ(b.Length(), expected.size());
  EXPECT_EQ(b.StringValue(), expected);
  // Positions count from 1; outside the text there is no character.
  EXPECT_EQ(b.CharAt(1), 'a');
  EXPECT_EQ(b.CharAt(27), 'a');
  EXPECT_EQ(b.CharAt(303), 'Z');
  EXPECT_EQ(b.CharAt(0), '\0');
  EXPECT_EQ(b.CharAt(304), '\0');
  // Parts are clipped to the text.
  EXPECT_EQ(b.Substring(2, 3), "bcd");
  EXPECT_EQ(b.Substring(301, 10), "XYZ");
  EXPECT_EQ(b.Substring(0, 2), "ab");
  EXPECT_EQ(b.Substring(304, 1), "");
  b.SetLength(2);
  EXPECT_EQ(b.StringValue(), "ab");
  b.SetLength(10);
  EXPECT_EQ(b.StringValue(), "ab");
  b.Clear();
  b.AddChar('q');
  EXPECT_EQ(b.StringValue(), "q");
}

TEST(XmlStringStream, HoldsACopyReadFromItsStartAndGivesItsWholeContent) {
  std::string text = "<a>1</a>";
  TXmlStringStream s(text);
  text[1] = 'b';  // a copy: the stream does not see the change
  EXPECT_EQ(s.Position(), 0);
  EXPECT_EQ(s.Size(), 8);
  EXPECT_EQ(s.ReadString(3), "<a>");
  s.Seek(0, soFromEnd);
  s.WriteString("<b/>");
  EXPECT_EQ(s.StringStreamData(), "<a>1</a><b/>");
  TXmlStringStream empty;
  EXPECT_EQ(empty.StringStreamData(), "");
}

TEST(XmlStringStream, ANodeReadsAndWritesItselfThroughIt) {
  TXmlDocument doc;
  TXmlNode* root = doc.Root();
  root->ReadFromString("  <a x='1'>v<b/></a> trailing");
  EXPECT_EQ(root->Name(), "a");
  EXPECT_EQ(root->ReadAttributeString("x"), "1");
  EXPECT_EQ(root->ValueAsString(), "v");
  ASSERT_EQ(root->NodeCount(), 1);
  EXPECT_EQ(root->WriteToString(), "<a x='1'>v<b/></a>");
}

TEST(XmlParser, ADoctypeIsReadByItsDocument) {
  TXmlDocument doc;
  doc.ReadFromString("<!DOCTYPE note SYSTEM\r\n\"note.dtd\" [<!ELEMENT note (to)><!DOCTYPE inner [<!ENTITY e 'x'>]>]><note/>");
  TXmlNode* dtd = doc.RootNodes()->Nodes(0);
  ASSERT_EQ(dtd->ElementType(), etDoctype);
  EXPECT_EQ(dtd->Name(), "note");
  EXPECT_EQ(dtd->Value(), "SYSTEM \"note.dtd\"");
  ASSERT_EQ(dtd->NodeCount(), 2);
  EXPECT_EQ(dtd->Nodes(0)->Name(), "note");
  EXPECT_EQ(dtd->Nodes(1)->ElementType(), etDoctype);
  ASSERT_EQ(dtd->Nodes(1)->NodeCount(), 1);
  EXPECT_EQ(dtd->Nodes(1)->Nodes(0)->ElementType(), etDtdEntity);
  ASSERT_TRUE(doc.Root());
  EXPECT_EQ(doc.Root()->Name(), "note");
}

}  // namespace
