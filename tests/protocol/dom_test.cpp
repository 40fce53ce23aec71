#include <gtest/gtest.h>

#include <string>

#include "protocol/cvxmldom.h"
#include "protocol/delimited.h"
#include "support/error_text.h"

TEST(DelimitedTest, CountSubStrCountsOneCharacter) {
  EXPECT_EQ(CountSubStr("A:NUMBER:38:0 B:DATE:7:0 C:CLOB:0:0 ", " "), 3);
  EXPECT_EQ(CountSubStr("a b", "  "), 0);
  EXPECT_EQ(CountSubStr("a b", ""), 0);
  EXPECT_EQ(CountSubStr("", ":"), 0);
}

TEST(DelimitedTest, GetDelimitedItemWalksTheItems) {
  EXPECT_EQ(GetDelimitedItem("A:B:C:", ':', 1), "A");
  EXPECT_EQ(GetDelimitedItem("A:B:C:", ':', 2), "B");
  EXPECT_EQ(GetDelimitedItem("A:B:C:", ':', 3), "C");
  EXPECT_EQ(GetDelimitedItem("A:B:C:", ':', 4), "");
  EXPECT_EQ(GetDelimitedItem("X:Y;", ';', 1), "X:Y");
  // An item that would be the whole text is empty.
  EXPECT_EQ(GetDelimitedItem("abc", ':', 1), "");
  EXPECT_EQ(GetDelimitedItem("abc", ':', 2), "");
  // Without a final separator the last item runs to the end.
  EXPECT_EQ(GetDelimitedItem("A:B", ':', 2), "B");
  EXPECT_EQ(GetDelimitedItem("::", ':', 2), "");
  EXPECT_EQ(GetDelimitedItem("", ':', 1), "");
  EXPECT_EQ(GetDelimitedItem("A:B:", ':', 0), "");
}

TEST(CvXmlDomTest, BuildsADocumentInTheOrderOfTheCalls) {
  TCvXmlDom dom;
  dom.AppendChild(dom.CreateProcessingInstruction("xml", "version=\"1.0\" encoding=\"utf-8\""));
  auto root = dom.CreateElement("corvane");
  auto params = dom.CreateElement("params");
  auto p = dom.CreateElement("param");
  TCvXmlDom::SetAttribute(p.get(), "typ", "string");
  TCvXmlDom::AppendChild(p.get(), dom.CreateTextNode("a<b & \"c\""));
  TCvXmlDom::AppendChild(params.get(), std::move(p));
  TXmlNode* empty = TCvXmlDom::AppendChild(params.get(), dom.CreateElement("param"));
  TCvXmlDom::SetAttribute(empty, "tbname", "单据");
  TCvXmlDom::AppendChild(root.get(), std::move(params));
  dom.AppendChild(std::move(root));
  EXPECT_EQ(dom.Xml(),
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
            "<corvane><params><param typ=\"string\">a&lt;b &amp; &quot;c&quot;</param>"
            "<param tbname=\"单据\"/></params></corvane>\n");
}

TEST(CvXmlDomTest, NamesThatAreNoXmlNamesAreRefused) {
  TCvXmlDom dom;
  EXPECT_TRUE(TCvXmlDom::IsXmlName("TB_BILDA"));
  EXPECT_TRUE(TCvXmlDom::IsXmlName("_x.y-1:z"));
  EXPECT_TRUE(TCvXmlDom::IsXmlName("字段"));
  EXPECT_FALSE(TCvXmlDom::IsXmlName(""));
  EXPECT_FALSE(TCvXmlDom::IsXmlName("1ABC"));
  EXPECT_FALSE(TCvXmlDom::IsXmlName("-a"));
  EXPECT_FALSE(TCvXmlDom::IsXmlName("A B"));
  EXPECT_FALSE(TCvXmlDom::IsXmlName("A=B"));
  EXPECT_FALSE(TCvXmlDom::IsXmlName("a\"b"));
  EXPECT_EQ(ErrorText<ECvXmlDomError>([&] { dom.CreateElement("MY FIELD"); }), "Invalid XML name \"MY FIELD\"");
  auto e = dom.CreateElement("row");
  EXPECT_EQ(ErrorText<ECvXmlDomError>([&] { TCvXmlDom::SetAttribute(e.get(), "", "v"); }), "Invalid XML name \"\"");
  EXPECT_EQ(e->AttributeCount(), 0);
}

TEST(CvXmlDomTest, ReadsElementsAttributesAndText) {
  TCvXmlDom dom;
  ASSERT_TRUE(dom.LoadXml(
      "<?xml version=\"1.0\"?><!-- c --><corvane><status><code> 7</code><info>a &amp; b</info></status>"
      "<rs typ=\"string\">x</rs><x><rs typ=\"integer\"><![CDATA[1<2]]></rs></x></corvane>"));
  EXPECT_EQ(dom.SelectSingleNode("xml"), nullptr);  // the declaration is no element
  TXmlNode* root = dom.SelectSingleNode("corvane");
  ASSERT_NE(root, nullptr);
  TXmlNode* status = TCvXmlDom::SelectSingleNode(root, "status");
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(TCvXmlDom::Text(TCvXmlDom::SelectSingleNode(status, "code")), " 7");
  EXPECT_EQ(TCvXmlDom::Text(TCvXmlDom::SelectSingleNode(status, "info")), "a & b");
  EXPECT_EQ(TCvXmlDom::SelectSingleNode(status, "missing"), nullptr);
  EXPECT_EQ(TCvXmlDom::SelectSingleNode(nullptr, "code"), nullptr);
  auto rs = dom.GetElementsByTagName("rs");
  ASSERT_EQ(rs.size(), 2u);
  EXPECT_EQ(*TCvXmlDom::GetAttribute(rs[0], "typ"), "string");
  EXPECT_EQ(*TCvXmlDom::GetAttribute(rs[1], "typ"), "integer");
  EXPECT_FALSE(TCvXmlDom::GetAttribute(rs[1], "tbname"));
  EXPECT_EQ(TCvXmlDom::Text(rs[1]), "1<2");
}

TEST(CvXmlDomTest, TextThatIsNoXmlDoesNotLoad) {
  TCvXmlDom dom;
  std::string error;
  EXPECT_FALSE(dom.LoadXml("<corvane><status></corvane>", &error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(dom.SelectSingleNode("corvane"), nullptr);
  EXPECT_TRUE(dom.LoadXml("<corvane/>"));
  EXPECT_NE(dom.SelectSingleNode("corvane"), nullptr);
}

TEST(CvXmlDomTest, NamesAreMatchedExactly) {
  TCvXmlDom dom;
  ASSERT_TRUE(dom.LoadXml("<corvane><Status/><status/><rs typ=\"x\" RN=\"1\"/><RS typ=\"y\"/></corvane>"));
  TXmlNode* root = dom.SelectSingleNode("corvane");
  EXPECT_EQ(dom.SelectSingleNode("CORVANE"), nullptr);
  EXPECT_EQ(TCvXmlDom::SelectSingleNode(root, "status"), root->Nodes(1));
  auto rs = dom.GetElementsByTagName("rs");
  ASSERT_EQ(rs.size(), 1u);
  // A column named RN is not the row-id mark rn.
  EXPECT_FALSE(TCvXmlDom::GetAttribute(rs[0], "rn"));
  EXPECT_EQ(*TCvXmlDom::GetAttribute(rs[0], "RN"), "1");
}
