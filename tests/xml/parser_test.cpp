// The document and its parser: structure, content rules, events, errors, and reading in blocks.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <thread>
#include <string>
#include <vector>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"
#include "xml/codec.h"
#include "xml/document.h"
#include "xml/parser.h"
#include "xml_test_util.h"

namespace {

// The message of the EFilerError that parsing `text` raises.
std::string ParseError(const std::string& text, bool strict = false) {
  TXmlDocument doc;
  doc.SetStrictRootChecks(strict);
  try {
    doc.ReadFromString(text);
  } catch (const EFilerError& e) {
    return e.Message();
  }
  return "(parsed)";
}

}  // namespace

TEST(XmlParser, DocumentStructureChecks) {
  EXPECT_EQ(ParseError(""), "No root element found in xml");
  EXPECT_EQ(ParseError("<?xml version='1.0'?><!-- only a comment -->"), "No root element found in xml");
  EXPECT_EQ(ParseError("just text"), "No root element found in xml");

  TXmlDocument doc;
  doc.ReadFromString("<first/><second/>");
  EXPECT_EQ(doc.Root()->Name(), "first");
  EXPECT_EQ(doc.RootNodes()->NodeCount(), 2);

  EXPECT_EQ(ParseError("<a/><b/>", true), "More than one root element found in xml");
  EXPECT_EQ(ParseError("<?xml version='1.0'?><?xml version='1.0'?><a/>", true),
            "More than one xml declaration found in xml");
  EXPECT_EQ(ParseError("<!--c--><?xml version='1.0'?><a/>", true), "Xml declaration must be first element");
  EXPECT_EQ(ParseError("<!DOCTYPE a><!DOCTYPE a><a/>", true), "More than one doctype declaration found in root");
  EXPECT_EQ(ParseError("<a/><!DOCTYPE a>", true), "Doctype declaration found after root element");
  EXPECT_EQ(ParseError("<![CDATA[x]]><a/>", true), "No CDATA allowed in root");
  EXPECT_EQ(ParseError("<?xml version='1.0'?><!DOCTYPE a><a/>", true), "(parsed)");
  // Text outside the root is skipped when reading leniently and refused when strict.
  EXPECT_EQ(ParseError("<a/>tail"), "(parsed)");
  EXPECT_EQ(ParseError("<a/>tail", true), "Text found outside the root element");
  EXPECT_EQ(ParseError("head<a/>", true), "Text found outside the root element");
  EXPECT_EQ(ParseError("<a/>]]>", true), "Text found outside the root element");
  EXPECT_EQ(ParseError(" \r\n<a/>\n\t <!-- c -->\n", true), "(parsed)");
}

TEST(XmlParser, ElementErrorsNameTheElement) {
  EXPECT_EQ(ParseError("<a>"), "Missing close tag in element a");
  EXPECT_EQ(ParseError("<a><b>text</b>"), "Missing close tag in element a");
  EXPECT_EQ(ParseError("<a></b>"), "Incorrect close tag in element a");
  EXPECT_EQ(ParseError("<a><"), "Missing data after \"<\" in element a");
  EXPECT_EQ(ParseError("<a></a"), "Missing \">\" in close tag of element a");
  EXPECT_EQ(ParseError("<a x='1"), "Missing element name");  // the ">" never comes
  EXPECT_EQ(ParseError("<>"), "Missing element name");
  EXPECT_EQ(ParseError("<a></A >"), "(parsed)");  // close tags compare ignoring case and blanks

  // The tree keeps what was read up to the error.
  TXmlDocument doc;
  EXPECT_THROW(doc.ReadFromString("<a><b/><c>"), EFilerError);
  ASSERT_NE(doc.Root(), nullptr);
  EXPECT_EQ(doc.Root()->NodeCount(), 2);
}

TEST(XmlParser, ContentBecomesValueCharacterDataAndChildren) {
  TXmlDocument doc;
  doc.ReadFromString("<a>text<b/>tail</a>");
  EXPECT_EQ(Dump(doc.Root()), "0:a=text{0:b,12:=tail}");

  doc.ReadFromString("<a>  \r\n\t </a>");
  EXPECT_EQ(Dump(doc.Root()), "0:a");

  doc.ReadFromString("<a>x &lt; y &amp;&#65;</a>");
  EXPECT_EQ(doc.Root()->Value(), "x &lt; y &amp;&#65;");  // kept escaped
  EXPECT_EQ(doc.Root()->ValueAsString(), "x < y &A");

  // After a carriage return in the last text, trailing breaks and spaces go from the text parts.
  doc.ReadFromString("<a>first \r\n <b/>second \r\n</a>");
  EXPECT_EQ(Dump(doc.Root()), "0:a=first{0:b,12:=second}");
  doc.ReadFromString("<a>first \n <b/>second \n</a>");
  EXPECT_EQ(Dump(doc.Root()), "0:a=first \n {0:b,12:=second \n}");

  // Quotes protect ">" in attribute values; blanks around "=" are allowed.
  doc.ReadFromString("<a x=\"1 > 0\" y = 'two' z ='3'/>");
  EXPECT_EQ(Dump(doc.Root()), "0:a @x=\"1 > 0\" @y='two' @z='3'");
  EXPECT_EQ(doc.Root()->ReadAttributeString("y"), "two");
}

TEST(XmlParser, OtherConstructsKeepTheirText) {
  TXmlDocument doc;
  doc.ReadFromString(
      "<?xml version=\"1.0\"?>\n<?xml-stylesheet href=\"s.xsl\" type=\"text/xsl\"?>\n"
      "<!DOCTYPE note SYSTEM \"note.dtd\">\n<?target data?>\n<!-- remark -->\n"
      "<note><![CDATA[<kept> & raw]]><!other thing></note>");
  const TXmlNode* top = doc.RootNodes();
  ASSERT_EQ(top->NodeCount(), 6);
  EXPECT_EQ(Dump(top->Nodes(0)), "3:xml @version=\"1.0\"");
  EXPECT_EQ(Dump(top->Nodes(1)), "4:xml-stylesheet=href=\"s.xsl\" type=\"text/xsl\" @href=\"s.xsl\" @type=\"text/xsl\"");
  EXPECT_EQ(Dump(top->Nodes(2)), "5:note=SYSTEM \"note.dtd\"");
  EXPECT_EQ(Dump(top->Nodes(3)), "11:Special=target data");
  EXPECT_EQ(Dump(top->Nodes(4)), "1:Comment= remark ");
  EXPECT_EQ(Dump(top->Nodes(5)), "0:note{2:CData=<kept> & raw,10:Special=other thing}");
  EXPECT_EQ(doc.EncodingString(), "");

  doc.ReadFromString("<!DOCTYPE note [\n<!ELEMENT note (to,from)>\n<!ATTLIST note id CDATA #IMPLIED>\n"
                     "<!ENTITY e \"a > b\">\n<!-- in the subset -->\n%pe; stray\n]>\n<note/>");
  const TXmlNode* dtd = doc.RootNodes()->Nodes(0);
  EXPECT_EQ(Dump(dtd),
            "5:note{6:note=(to,from),7:note=id\r\nCDATA\r\n#IMPLIED,8:e=\"a > b\",1:Comment= in the subset }");
  EXPECT_EQ(doc.Root()->Name(), "note");
}

TEST(XmlParser, StrayTextBetweenTopLevelConstructsIsSkipped) {
  TXmlDocument doc;
  doc.ReadFromString("junk <a/> more junk");
  EXPECT_EQ(doc.RootNodes()->NodeCount(), 1);
  EXPECT_EQ(doc.Root()->Name(), "a");
}

TEST(XmlParser, EventsAndStopLoading) {
  TXmlDocument doc;
  std::vector<std::string> seen;
  std::vector<int64_t> progress;
  doc.ReadFromString("<x/>");
  doc.OnNodeStarted = [&](TXmlDocument*, TXmlNode* n) { seen.push_back("+" + n->Name()); };
  doc.OnNodeCompleted = [&](TXmlDocument*, TXmlNode* n) { seen.push_back("-" + n->Name()); };
  doc.OnProgress = [&](TXmlDocument*, int64_t p) { progress.push_back(p); };
  const std::string text = "<a><b/><c>t</c></a>";
  doc.ReadFromString(text);
  EXPECT_EQ(seen, (std::vector<std::string>{"+a", "+b", "-b", "+c", "-c", "-a"}));
  ASSERT_GE(progress.size(), 2u);
  EXPECT_EQ(progress.front(), 0);
  EXPECT_EQ(progress.back(), static_cast<int64_t>(text.size()));

  // A handler stops the load: no error, no document checks, the nodes read so far stay.
  seen.clear();
  doc.OnNodeStarted = [&](TXmlDocument* d, TXmlNode* n) {
    if (n->Name() == "stop") d->SetStopLoading(true);
  };
  doc.ReadFromString("<a>text<b/><stop>never read</stop><c/></a>");
  EXPECT_TRUE(doc.StopLoading());
  EXPECT_EQ(Dump(doc.Root()), "0:a=text{0:b,0:stop}");
  EXPECT_EQ(seen, (std::vector<std::string>{"-b"}));

  doc.OnNodeStarted = [&](TXmlDocument* d, TXmlNode*) { d->SetStopLoading(true); };
  doc.ReadFromString("<!DOCTYPE a [<!ELEMENT a ANY>]>");  // stopped before any check
  doc.OnNodeStarted = nullptr;
  doc.ReadFromString("<a/>");  // a new load clears the flag
  EXPECT_FALSE(doc.StopLoading());

  doc.SetSkipCommentsOnLoad(true);
  doc.ReadFromString("<a><!--x--><b/><!--y--></a><!--top-->");
  EXPECT_EQ(Dump(doc.RootNodes()), "0:{0:a{0:b},1:Comment=top}");
}

TEST(XmlParser, ReadingOneNodeFromAStreamStopsAfterIt) {
  TStringStream stream("  <a x='1'>v</a><b/>rest");
  TXmlNode node;
  node.ReadFromStream(stream);
  EXPECT_EQ(Dump(&node), "0:a=v @x='1'");
  EXPECT_EQ(stream.Position(), 16);
  node.ReadFromStream(stream);
  EXPECT_EQ(node.Name(), "b");

  node.ReadFromString("<!-- c -->");
  EXPECT_EQ(Dump(&node), "1:Comment= c ");
}

TEST(XmlParser, NestingDepthIsLimited) {
  auto nested = [](int depth, const char* open, const char* close) {
    std::string s;
    for (int i = 0; i < depth; ++i) s += open;
    for (int i = 0; i < depth; ++i) s += close;
    return s;
  };
  TXmlDocument doc;
  doc.ReadFromString(nested(MaxXmlDepth, "<e>", "</e>"));
  const std::string tooDeep = ParseError(nested(100000, "<e>", "</e>"));
  EXPECT_EQ(tooDeep, "Elements nested more than 4096 levels deep in element e");
  EXPECT_EQ(ParseError(nested(100000, "<!DOCTYPE d [", "]>") + "<e/>"),
            "Doctype declarations nested more than 64 levels deep");
}

TEST(XmlParser, UnterminatedConstructsEndCleanly) {
  // None of these may read past the text or loop; each either parses or raises.
  const char* texts[] = {"<", "<!", "<!-", "<!--", "<![CDATA[", "<?", "<?xml", "<!DOCTYPE",
                         "<!DOCTYPE a [", "<!DOCTYPE a [<", "<!ELEMENT", "<a b='", "<a><!--",
                         "<a><![CDATA[x", "<a><?pi", "<a></", "<a>&", "\xEF\xBB\xBF<a/>", "<a/>\0<b/>"};
  for (const char* t : texts) {
    TXmlDocument doc;
    try {
      doc.ReadFromString(t);
    } catch (const EFilerError&) {
    }
  }
}

// The same text read through blocks of every small size gives the same tree as read at once.
TEST(XmlParser, BlockBoundariesAnywhereGiveTheSameTree) {
  const std::string text =
      "<?xml version=\"1.0\"?>\n<!DOCTYPE r [<!ENTITY e 'v'>]><r a = \"x y\" b='&lt;'>"
      "head text<c/>mid\r\ndle<![CDATA[ data ]]><?pi x?><!-- c --><d e=\"1\">\xE4\xB8\xAD\xE6\x96\x87</d>"
      "tail \r\n</r>";
  TXmlDocument whole;
  whole.ReadFromString(text);
  const std::string expected = Dump(whole.RootNodes());
  for (size_t block = 1; block <= 40; ++block) {
    TStringStream stream(text);
    TXmlDocument doc;
    XmlStreamInput input(stream, block);
    XmlParser(&doc, input).ParseDocument();
    EXPECT_EQ(Dump(doc.RootNodes()), expected) << "block " << block;
  }
}

// Parsed text shares memory blocks per thread; a document may be freed on another thread.
TEST(XmlParser, DocumentsOutliveTheThreadThatParsedThem) {
  std::string text = "<r>";
  for (int i = 0; i < 2000; ++i) text += "<row a='" + std::to_string(i) + " with some text'>value number " + std::to_string(i) + "</row>";
  text += "</r>";
  std::unique_ptr<TXmlDocument> fromThread;
  std::thread([&] {
    fromThread = std::make_unique<TXmlDocument>();
    fromThread->ReadFromString(text);
  }).join();
  TXmlDocument here;
  here.ReadFromString(text);
  EXPECT_EQ(fromThread->WriteToString(), here.WriteToString());
  // Changed values leave the shared blocks; the rest stays readable.
  fromThread->Root()->Nodes(5)->SetValueAsString("changed");
  fromThread->Root()->Nodes(6)->WriteAttributeString("a", "new", "");
  EXPECT_EQ(fromThread->Root()->Nodes(7)->ReadAttributeString("a"), "7 with some text");
  std::thread([&] { fromThread.reset(); }).join();
  EXPECT_EQ(here.Root()->Nodes(1999)->ValueAsString(), "value number 1999");
}
