// The writer: layouts, short forms, every construct, and what it writes to strings and streams.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"
#include "xml/codec.h"
#include "xml/document.h"

TEST(XmlWriter, CompactLayoutOfANewDocument) {
  auto doc = TXmlDocument::CreateName("r");
  EXPECT_EQ(doc->WriteToString(), "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n<r></r>\n");

  TXmlNode* root = doc->Root();
  root->NodeNew("empty");
  TXmlNode* withAttr = root->NodeNew("e");
  withAttr->AttributeAdd("a", "1");
  withAttr->AttributeAdd("b", "x\"y");
  EXPECT_EQ(root->WriteToString(), "<r><empty/><e a=\"1\" b=\"x&quot;y\"/></r>");
  doc->SetAlwaysCloseTags(true);
  EXPECT_EQ(root->WriteToString(), "<r><empty></empty><e a=\"1\" b=\"x&quot;y\"></e></r>");

  // A node without a document gets no layout and never the short form at the top.
  TXmlNode free;
  free.SetName("f");
  EXPECT_EQ(free.WriteToString(), "<f></f>");
}

TEST(XmlWriter, ReadableLayoutIndentsByDepth) {
  TXmlDocument doc;
  doc.ReadFromString("<r><a><b>text</b><c/></a><d>mixed<e/>tail</d></r>");
  doc.SetOutputLayout(0);
  // Character data gets no indentation and no line break around it.
  EXPECT_EQ(doc.WriteToString(),
            "<r>\r\n"
            "  <a>\r\n"
            "    <b>text</b>\r\n"
            "    <c/>\r\n"
            "  </a>\r\n"
            "  <d>mixed\r\n"
            "    <e/>tail  </d>\r\n"
            "</r>\r\n");
  doc.SetIndentUnit("\t");
  doc.SetOutputLayout(2);  // line feeds, no indentation
  EXPECT_EQ(doc.WriteToString(), "<r>\n<a>\n<b>text</b>\n<c/>\n</a>\n<d>mixed\n<e/>tail</d>\n</r>\n");
}

TEST(XmlWriter, EveryConstructHasItsForm) {
  TXmlDocument doc;
  doc.ReadFromString(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><?xml-stylesheet href=\"s.xsl\"?>"
      "<!DOCTYPE r [<!ELEMENT r ANY><!ATTLIST r a CDATA #IMPLIED><!ENTITY e \"v\"><!NOTATION n SYSTEM \"x\">]>"
      "<!-- c --><r><![CDATA[<raw>]]><?pi data?><!bang></r>");
  EXPECT_EQ(doc.WriteToString(),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<?xml-stylesheet href=\"s.xsl\"?>\n"
            "<!DOCTYPE r  [<!ELEMENT r ANY><!ATTLIST r a\r\nCDATA\r\n#IMPLIED><!ENTITY e \"v\">"
            "<!NOTATION n SYSTEM\r\n\"x\">]>\n<!-- c -->\n<r><![CDATA[<raw>]]><?pi data?><!bang></r>\n");
  // What was written reads back to the same tree.
  TXmlDocument again;
  again.ReadFromString(doc.WriteToString());
  EXPECT_EQ(again.WriteToString(), doc.WriteToString());

  TXmlNode* unknown = doc.Root()->NodeNew("");
  unknown->SetElementType(etUnknown);
  unknown->SetValue("odd");
  EXPECT_EQ(doc.Root()->WriteToString(), "<r><![CDATA[<raw>]]><?pi data?><!bang><odd></r>");

  // A declaration whose encoding is empty loses that attribute when written.
  TXmlNode* decl = doc.RootNodes()->Nodes(0);
  decl->SetAttributeValue(1, "");
  EXPECT_EQ(decl->WriteToString(), "<?xml version=\"1.0\"?>");
  EXPECT_EQ(decl->AttributeCount(), 1);

  unknown->SetElementType(static_cast<TXmlElementType>(14));
  try {
    doc.WriteToString();
    FAIL() << "no exception";
  } catch (const EFilerError& e) {
    EXPECT_EQ(e.Message(), "Illegal element type");
  }
}

TEST(XmlWriter, StringsKeepTheInternalFormStreamsConvert) {
  TXmlDocument doc;
  doc.ReadFromString("<r>\xC3\xA9</r>");
  EXPECT_EQ(doc.WriteToString(), "<r>\xC3\xA9</r>\n");
  TStringStream out;
  doc.SaveToStream(out);  // StreamEncoding 0: windows-1252
  EXPECT_EQ(out.DataString(), "<r>\xE9</r>\n");
  TStringStream nodes;
  doc.SaveNodes(nodes);
  EXPECT_EQ(nodes.DataString(), "<r>\xC3\xA9</r>\n");

  doc.SetStrictRootChecks(true);
  doc.RootNodes()->Clear();
  EXPECT_THROW(doc.WriteToString(), EFilerError);
  doc.SetStrictRootChecks(false);
  EXPECT_EQ(doc.WriteToString(), "");
  TStringStream empty;
  doc.SaveToStream(empty);
  EXPECT_EQ(empty.DataString(), "");
}

TEST(XmlWriter, ProgressRunsFromZeroToTheSize) {
  TXmlDocument doc;
  doc.ReadFromString("<r><a/><b>x</b></r>");
  std::vector<int64_t> seen;
  doc.OnProgress = [&](TXmlDocument*, int64_t p) { seen.push_back(p); };
  doc.SetStreamEncoding(XmlEncoding::Utf8);
  TStringStream out;
  doc.SaveToStream(out);
  ASSERT_GE(seen.size(), 3u);
  EXPECT_EQ(seen.front(), 0);
  EXPECT_EQ(seen.back(), static_cast<int64_t>(out.DataString().size()));
  for (size_t i = 1; i < seen.size(); ++i) EXPECT_LE(seen[i - 1], seen[i]);
}
