// Reading with a child reader: the children of chosen elements go to the reader while the text is
// parsed. What the reader is handed and what the tree keeps must agree with a plain parse of the
// same text, and a text that a plain parse refuses is refused with the same message.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "platform/rtl/exceptions.h"
#include "xml/document.h"
#include "xml_test_util.h"

namespace {

std::string DumpDocument(const TXmlDocument& doc) {
  std::string out;
  for (int i = 0; i < doc.RootNodes()->NodeCount(); ++i) out += Dump(doc.RootNodes()->Nodes(i)) + "\n";
  return out;
}

std::string Entries(const TXmlNode* n) {
  std::string out;
  for (int i = 0; i < n->AttributeCount(); ++i) out += "[" + n->AttributePair(i) + "]";
  return out;
}

struct Handed {
  const TXmlNode* parent;  // valid while the document read lives
  std::string parentName, name, entries;
  bool empty, kept;
};

// Chooses the elements that `choose` names and keeps the empty children that `keep` names.
class Recorder : public TXmlChildReader {
 public:
  std::function<bool(const std::string&)> choose = [](const std::string& n) { return n == "rs"; };
  std::function<bool(const std::string&)> keep = [](const std::string&) { return false; };
  std::vector<std::string> met;  // every element the parser offered, in order
  std::vector<const TXmlNode*> chosen;
  std::vector<Handed> handed;

  bool Choose(const TXmlNode* element) override {
    met.push_back(element->Name() + Entries(element));
    if (!choose(element->Name())) return false;
    chosen.push_back(element);
    return true;
  }
  bool Child(const TXmlNode* parent, std::string_view name, std::span<const std::string_view> entries,
             bool empty) override {
    Handed h{parent, parent->Name(), std::string(name), "", empty, false};
    for (std::string_view e : entries) h.entries += "[" + std::string(e) + "]";
    h.kept = !empty || keep(h.name);
    handed.push_back(h);
    return keep(h.name);
  }
};

// Every element of the tree in document order, as the reader is offered them.
void Elements(const TXmlNode* n, std::vector<const TXmlNode*>& out) {
  for (int i = 0; i < n->NodeCount(); ++i) {
    const TXmlNode* c = n->Nodes(i);
    if (c->ElementType() == etElement) out.push_back(c);
    Elements(c, out);
  }
}

// Parses `text` both ways and checks that they agree; answers the reader's record.
Recorder Compare(const std::string& text, Recorder reader = Recorder()) {
  TXmlDocument plain;
  plain.ReadFromString(text);
  TXmlDocument streamed;
  streamed.ReadFromString(text, reader);

  // The plain tree, less the empty children the reader did not keep, is the streamed tree. The
  // k-th chosen element of the plain tree is the k-th the reader chose.
  std::vector<const TXmlNode*> all;
  Elements(plain.RootNodes(), all);
  std::vector<const TXmlNode*> dropped;
  auto isDropped = [&](const TXmlNode* n) { return std::find(dropped.begin(), dropped.end(), n) != dropped.end(); };
  size_t k = 0, handed = 0;
  for (const TXmlNode* e : all) {
    if (isDropped(e) || !reader.choose(e->Name())) continue;
    EXPECT_LT(k, reader.chosen.size()) << text;
    if (k >= reader.chosen.size()) return reader;
    const TXmlNode* parent = reader.chosen[k++];
    std::vector<const Handed*> got;
    for (const Handed& h : reader.handed)
      if (h.parent == parent) got.push_back(&h);
    handed += got.size();
    size_t g = 0;
    for (int i = 0; i < e->NodeCount(); ++i) {
      const TXmlNode* c = e->Nodes(i);
      if (c->ElementType() != etElement) continue;
      EXPECT_LT(g, got.size()) << text;
      if (g >= got.size()) return reader;
      const Handed& h = *got[g++];
      EXPECT_EQ(h.name, c->Name()) << text;
      EXPECT_EQ(h.entries, Entries(c)) << text;
      if (!h.kept) {
        EXPECT_EQ(c->NodeCount(), 0) << text;
        dropped.push_back(c);
      }
    }
    EXPECT_EQ(g, got.size()) << text;
  }
  EXPECT_EQ(k, reader.chosen.size()) << text;
  EXPECT_EQ(handed, reader.handed.size()) << text;
  // Each element the parser keeps is offered once, in document order.
  std::vector<std::string> expectMet;
  for (const TXmlNode* e : all)
    if (!isDropped(e)) expectMet.push_back(e->Name() + Entries(e));
  EXPECT_EQ(reader.met, expectMet) << text;
  for (const TXmlNode* d : dropped) const_cast<TXmlNode*>(d)->Delete();
  EXPECT_EQ(DumpDocument(streamed), DumpDocument(plain)) << text;
  return reader;
}

std::string Error(const std::string& text, TXmlChildReader* reader) {
  TXmlDocument doc;
  try {
    if (reader) doc.ReadFromString(text, *reader);
    else doc.ReadFromString(text);
  } catch (const EFilerError& e) {
    return e.Message();
  }
  return "(parsed)";
}

}  // namespace

TEST(XmlChildReader, EmptyRowsGoToTheReaderAndLeaveTheTree) {
  const std::string text =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?><root><status><code>0</code></status>"
      "<rs typ=\"recordset\"><row a=\"1\" b=\"x\"/><row a=\"2\"   b='y' /><row/></rs><rs typ=\"string\">t</rs></root>";
  Recorder r = Compare(text);
  ASSERT_EQ(r.handed.size(), 3u);
  EXPECT_EQ(r.handed[0].entries, "[a=\"1\"][b=\"x\"]");
  EXPECT_EQ(r.handed[1].entries, "[a=\"2\"][b='y']");
  EXPECT_EQ(r.handed[2].entries, "");
  EXPECT_TRUE(r.handed[2].empty);
  EXPECT_EQ(r.chosen.size(), 2u);
  TXmlDocument streamed;
  Recorder again;
  streamed.ReadFromString(text, again);
  // The recordset keeps no row; its sibling and the status stay whole.
  EXPECT_EQ(streamed.Root()->Nodes(1)->NodeCount(), 0);
  EXPECT_EQ(streamed.Root()->Nodes(2)->ValueAsString(), "t");
}

TEST(XmlChildReader, EntriesStayEscapedAsTheTreeKeepsThem) {
  Recorder r = Compare(
      "<r><rs><row a=\"x &amp; y &#20013;&lt;\" b='&quot;q&apos;' c=\"&#x4E2D;\"/></rs></r>");
  ASSERT_EQ(r.handed.size(), 1u);
  EXPECT_EQ(r.handed[0].entries, "[a=\"x &amp; y &#20013;&lt;\"][b='&quot;q&apos;'][c=\"&#x4E2D;\"]");
}

TEST(XmlChildReader, ChineseNamesAndValues) {
  Recorder r = Compare("<根><rs 表=\"单据\"><行 名称=\"费用垫付单\" 金额=\"12.50\"/><行 名称=\"差旅 费\"/></rs></根>");
  ASSERT_EQ(r.handed.size(), 2u);
  EXPECT_EQ(r.handed[0].name, "行");
  EXPECT_EQ(r.handed[0].entries, "[名称=\"费用垫付单\"][金额=\"12.50\"]");
  EXPECT_EQ(r.handed[1].entries, "[名称=\"差旅 费\"]");
}

TEST(XmlChildReader, CDataCommentsAndTextStayInTheTree) {
  Recorder r = Compare(
      "<r><rs>text<![CDATA[<row a=\"1\"/>]]><!-- <row b=\"2\"/> --><row c=\"3\"/>more<?pi x?></rs></r>");
  ASSERT_EQ(r.handed.size(), 1u);
  EXPECT_EQ(r.handed[0].entries, "[c=\"3\"]");
}

TEST(XmlChildReader, ChildrenWithContentAreHandedAndKept) {
  Recorder r = Compare(
      "<r><rs><row a=\"1\">v<x y=\"2\"/></row><row a=\"2\"></row><row a=\"3\"><rs><row n=\"in\"/></rs></row>"
      "<row a=\"4\"/></rs></r>");
  ASSERT_EQ(r.handed.size(), 5u);
  EXPECT_FALSE(r.handed[0].empty);
  EXPECT_FALSE(r.handed[1].empty);
  // The inner recordset is chosen too; its row comes before the outer one's last.
  EXPECT_EQ(r.handed[3].entries, "[n=\"in\"]");
  EXPECT_EQ(r.handed[3].parentName, "rs");
  EXPECT_NE(r.handed[3].parent, r.handed[0].parent);
  EXPECT_EQ(r.handed[4].entries, "[a=\"4\"]");
  EXPECT_EQ(r.chosen.size(), 2u);
}

TEST(XmlChildReader, TheReaderKeepsWhatItAsksFor) {
  Recorder keepRs;
  keepRs.keep = [](const std::string& n) { return n == "rs"; };
  Recorder r = Compare("<r><rs><rs typ=\"string\"/><row/><rs/></rs></r>", keepRs);
  ASSERT_EQ(r.handed.size(), 3u);
  EXPECT_TRUE(r.handed[0].kept);
  EXPECT_FALSE(r.handed[1].kept);
  // The kept empty children are offered themselves (and chosen by name).
  EXPECT_EQ(r.chosen.size(), 3u);
}

TEST(XmlChildReader, OddTagsAreSplitAsThePlainParseSplitsThem) {
  Compare("<r><rs><row a = \"1\" b= '2' c =\"3\"/><row\ta=\"x y\"\n b=\"/\"/><row a=\"&gt;\" /></rs></r>");
  Compare("<rs typ=\"recordset\"><row a=\"1\"/></rs>");
  Compare("<!DOCTYPE r [<!ELEMENT r ANY>]><r><rs><row a=\"1\"/></rs></r>");
  Compare("<r><a><rs/></a><rs/><rs><rs><row/></rs></rs></r>");
}

TEST(XmlChildReader, MalformedTextsFailAsThePlainParseFails) {
  const char* texts[] = {
      "<r><rs><row a=\"1\"/></rs>",           "<r><rs><row a=\"1\"/></r></rs>",
      "<r><rs><row a=\"1/></rs></r>",         "<r><rs>< /></rs></r>",
      "<r><rs><row a=\"1\"/><</rs></r>",      "<r><rs><row a=\"1\"></rs></r>",
      "<r><rs><!-- a -- b --><row/></rs></r>", "",
      "<r><rs><row a=\"1\"/></rs></r><r/>",   "<rs><row/>",
  };
  for (const char* text : texts) {
    Recorder r;
    const std::string plain = Error(text, nullptr);
    EXPECT_EQ(Error(text, &r), plain) << text;
  }
  // Strict root checks apply alike.
  TXmlDocument strict;
  strict.SetStrictRootChecks(true);
  Recorder r;
  EXPECT_THROW(strict.ReadFromString("<r><rs><row/></rs></r><r/>", r), EFilerError);
}

TEST(XmlChildReader, WhatTheReaderRaisesEndsTheParse) {
  struct Refuser : Recorder {
    bool Child(const TXmlNode* p, std::string_view n, std::span<const std::string_view> e, bool empty) override {
      if (e.size() > 1) throw Exception("too many");
      return Recorder::Child(p, n, e, empty);
    }
  } reader;
  TXmlDocument doc;
  try {
    doc.ReadFromString("<r><rs><row a=\"1\"/><row a=\"1\" b=\"2\"/><row c=\"3\"/></rs></r>", reader);
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "too many");
  }
  ASSERT_EQ(reader.handed.size(), 1u);
}

TEST(XmlChildReader, ElementsOfADoctypeInsideAChosenElementAreNotItsChildren) {
  // The internal subset is read as nodes of the DOCTYPE; its elements are nobody's rows.
  Recorder r = Compare("<r><rs><row a=\"1\"/><!DOCTYPE x [<row b=\"2\"/><rs><row c=\"3\"/></rs>]><row d=\"4\"/></rs></r>");
  ASSERT_EQ(r.handed.size(), 3u);
  EXPECT_EQ(r.handed[0].entries, "[a=\"1\"]");
  EXPECT_EQ(r.handed[1].entries, "[c=\"3\"]");
  EXPECT_EQ(r.handed[2].entries, "[d=\"4\"]");
  EXPECT_NE(r.handed[1].parent, r.handed[2].parent);
}
