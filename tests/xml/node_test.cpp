// The node model: tree operations, lookups, attributes, escaping and ownership.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/rtl/exceptions.h"
#include "xml/document.h"
#include "xml_test_util.h"
#include "xml/text.h"

TEST(XmlNode, LookupsIgnoreCaseAndKeepListOrder) {
  TXmlDocument doc;
  TXmlNode* root = doc.Root();
  root->NodeNew("Item")->SetTag(1);
  root->NodeNew("other");
  root->NodeNew("ITEM")->SetTag(2);
  EXPECT_EQ(root->NodeByName("item")->Tag(), 1);
  EXPECT_EQ(root->NodeIndexByName("iTeM"), 0);
  EXPECT_EQ(root->NodeIndexByNameFrom("item", 1), 2);
  EXPECT_EQ(root->NodeIndexByNameFrom("item", 3), -1);
  EXPECT_EQ(root->NodeByName("missing"), nullptr);

  std::vector<TXmlNode*> list{root};  // cleared first
  root->NodesByName("item", &list);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[1]->Tag(), 2);
  root->NodesByName("item", nullptr);  // does nothing

  EXPECT_EQ(root->NodeByNameOrNew("other"), root->Nodes(1));
  EXPECT_EQ(root->NodeByNameOrNew("new")->Name(), "new");
  EXPECT_EQ(root->NodeCount(), 4);

  // Letters beyond ASCII fold too, in both internal forms.
  root->NodeNew("Äpfel");
  EXPECT_NE(root->NodeByName("äPFEL"), nullptr);
  TXmlDocument ansi;
  ansi.SetInternalUtf8(false);
  ansi.Root()->NodeNew("\xC4pfel");  // windows-1252 Ä
  EXPECT_NE(ansi.Root()->NodeByName("\xE4PFEL"), nullptr);
}

TEST(XmlNode, IndexesOutsideTheListNeverFail) {
  TXmlDocument doc;
  TXmlNode* root = doc.Root();
  EXPECT_EQ(root->NodeAdd(static_cast<TXmlNode*>(nullptr)), -1);
  EXPECT_EQ(root->NodeCount(), 0);
  EXPECT_EQ(root->Nodes(-1), nullptr);
  EXPECT_EQ(root->Nodes(0), nullptr);
  root->NodeDelete(5);

  root->NodeNew("a");
  TXmlNode* appended = root->NodeNewAtIndex(1, "b");  // index == count appends
  ASSERT_NE(appended, nullptr);
  EXPECT_EQ(root->Nodes(1), appended);
  EXPECT_EQ(root->NodeNewAtIndex(3, "c"), nullptr);
  EXPECT_EQ(root->NodeNewAtIndex(-1, "c"), nullptr);
  EXPECT_EQ(root->NodeCount(), 2);
  TXmlNode* first = root->NodeNewAtIndex(0, "first");
  EXPECT_EQ(root->Nodes(0), first);

  EXPECT_EQ(root->AttributeName(0), "");
  EXPECT_EQ(root->AttributeValue(-1), "");
  EXPECT_EQ(root->AttributePair(3), "");
  root->SetAttributeValue(0, "x");  // nothing to set
  EXPECT_EQ(root->AttributeCount(), 0);
  EXPECT_EQ(root->ReadAttributeString("none"), "");
  EXPECT_FALSE(root->FindAttribute("none").has_value());
}

TEST(XmlNode, AttributesAreStoredQuotedAndEscaped) {
  TXmlDocument doc;
  TXmlNode* n = doc.Root();
  n->AttributeAdd("a", "say \"hi\" & <bye>");
  EXPECT_EQ(n->AttributePair(0), "a=\"say &quot;hi&quot; &amp; &lt;bye&gt;\"");
  EXPECT_EQ(n->AttributeValue(0), "say \"hi\" & <bye>");
  EXPECT_EQ(n->ReadAttributeString("A"), "say \"hi\" & <bye>");
  EXPECT_EQ(n->AttributeName(0), "a");

  n->AttributeAdd("empty", "");
  EXPECT_TRUE(n->HasAttribute("EMPTY"));
  ASSERT_TRUE(n->FindAttribute("empty").has_value());  // present but empty
  EXPECT_EQ(*n->FindAttribute("empty"), "");

  n->SetAttributeValue(0, "it's");
  EXPECT_EQ(n->AttributePair(0), "a=\"it&apos;s\"");
  n->DeleteEmptyAttributes();
  EXPECT_EQ(n->AttributeCount(), 1);

  // Entries read from XML keep their own quotes; single-quoted values read back too.
  n->AttributeAddRaw("b='x''y'");
  EXPECT_EQ(n->AttributeValue(1), "x'y");
  n->AttributeAddRaw("flag");
  EXPECT_EQ(n->AttributeName(2), "");
  EXPECT_EQ(n->AttributeValue(2), "");
}

TEST(XmlNode, SortedAttributeListsStaySortedWhenValuesChange) {
  TXmlDocument doc;
  doc.SetSortAttributes(true);
  TXmlNode* n = doc.Root()->NodeNew("n");
  n->AttributeAdd("c", "3");
  n->AttributeAdd("a", "1");
  n->AttributeAdd("B", "2");
  ASSERT_EQ(n->AttributeCount(), 3);
  EXPECT_EQ(n->AttributeName(0), "a");
  EXPECT_EQ(n->AttributeName(1), "B");
  EXPECT_EQ(n->AttributeName(2), "c");
  n->WriteAttributeString("a", "changed", "");
  EXPECT_EQ(n->ReadAttributeString("a"), "changed");
  EXPECT_EQ(n->AttributeName(0), "a");
  EXPECT_EQ(n->AttributeCount(), 3);
}

TEST(XmlNode, UnescapeHandlesEntitiesAndLeavesBadOnesAsWritten) {
  EXPECT_EQ(XmlUnescape("a&#x41;b", true), "aAb");
  EXPECT_EQ(XmlUnescape("&#65;&#X42;&lt;&gt;&amp;&apos;&quot;", true), "AB<>&'\"");
  EXPECT_EQ(XmlUnescape("&#20013;", true), "\xE4\xB8\xAD");
  // Beyond 65534, 0, surrogates, non-numbers and unknown names stay as they stand.
  EXPECT_EQ(XmlUnescape("&#65536;", true), "&#65536;");
  EXPECT_EQ(XmlUnescape("&#0;", true), "&#0;");
  EXPECT_EQ(XmlUnescape("&#xD800;x", true), "&#xD800;x");
  EXPECT_EQ(XmlUnescape("&#x;&#;&#12a;&nbsp;&AMP;", true), "&#x;&#;&#12a;&nbsp;&AMP;");
  EXPECT_EQ(XmlUnescape("a &amp b &lt;", true), "a &amp b &lt;");  // no ";" until the last one
  EXPECT_EQ(XmlUnescape("x & y", true), "x & y");
  // The 8-bit form takes references up to 254 as single bytes.
  EXPECT_EQ(XmlUnescape("&#233;&#255;&#0;", false), "\xE9&#255;&#0;");

  EXPECT_EQ(XmlEscape("<a href=\"x\">&'"), "&lt;a href=&quot;x&quot;&gt;&amp;&apos;");
  EXPECT_EQ(XmlQuote("plain"), "\"plain\"");
  EXPECT_EQ(XmlQuote("a\"b'c"), "'a\"b''c'");
  EXPECT_EQ(XmlUnquote("'a\"b''c'"), "a\"b'c");
  EXPECT_EQ(XmlUnquote("\"x\" tail"), "x");
  EXPECT_EQ(XmlUnquote("'"), "'");
  EXPECT_EQ(XmlUnquote("bare"), "bare");

  TXmlDocument doc;
  TXmlNode* n = doc.Root();
  n->SetValueAsString("1 < 2 & \"3\"");
  EXPECT_EQ(n->Value(), "1 &lt; 2 &amp; &quot;3&quot;");
  EXPECT_EQ(n->ValueAsString(), "1 < 2 & \"3\"");
}

TEST(XmlNode, NameCheckRejectsBlanksAndKeepsTheOldName) {
  TXmlDocument doc;
  TXmlNode* n = doc.Root();
  n->SetName("good");
  EXPECT_EQ(ErrorOf([&] { n->SetName("bad name"); }), "Illegal character in node name \"bad name\"");
  EXPECT_EQ(n->Name(), "good");
  EXPECT_THROW(n->SetName("tab\there"), Exception);
  EXPECT_THROW(TXmlNode::CreateName(&doc, "a\nb"), Exception);
  auto made = TXmlNode::CreateNameValue(&doc, "v", "a&b");
  EXPECT_EQ(made->Value(), "a&amp;b");
}

TEST(XmlNode, ClearKeepsTypeTagAndPlaceInTheTree) {
  TXmlDocument doc;
  TXmlNode* n = doc.Root()->NodeNew("n");
  n->SetElementType(etComment);
  n->SetTag(7);
  n->SetValue("v");
  n->AttributeAdd("a", "1");
  n->NodeNew("child");
  EXPECT_FALSE(n->IsEmpty());
  n->Clear();
  EXPECT_TRUE(n->IsBlank());
  EXPECT_EQ(n->ElementType(), etComment);
  EXPECT_EQ(n->Tag(), 7);
  EXPECT_EQ(n->Parent(), doc.Root());
  EXPECT_EQ(n->Document(), &doc);

  EXPECT_EQ(doc.RootNodes()->TreeDepth(), -1);
  EXPECT_EQ(doc.Root()->TreeDepth(), 0);
  EXPECT_EQ(n->TreeDepth(), 1);
}

TEST(XmlNode, AddingANodeMovesItInsteadOfSharingIt) {
  TXmlDocument a, b;
  TXmlNode* from = a.Root();
  TXmlNode* moved = from->NodeNew("moved");
  moved->NodeNew("grandchild");
  b.Root()->NodeAdd(moved);
  EXPECT_EQ(from->NodeCount(), 0);
  EXPECT_EQ(moved->Parent(), b.Root());
  EXPECT_EQ(moved->Document(), &b);
  EXPECT_EQ(moved->Nodes(0)->Document(), &b);

  // Re-adding to the same parent moves it to the end.
  TXmlNode* first = b.Root()->NodeNew("x");
  b.Root()->NodeAdd(moved);
  EXPECT_EQ(b.Root()->Nodes(0), first);
  EXPECT_EQ(b.Root()->Nodes(1), moved);
  EXPECT_EQ(b.Root()->NodeCount(), 2);

  // Insert within the same list, and from another document: the node joins this document.
  b.Root()->NodeInsert(0, moved);
  EXPECT_EQ(b.Root()->Nodes(0), moved);
  EXPECT_EQ(b.Root()->NodeCount(), 2);
  TXmlNode* other = a.Root()->NodeNew("other");
  TXmlNode* otherChild = other->NodeNew("inner");
  b.Root()->NodeInsert(1, other);
  EXPECT_EQ(a.Root()->NodeCount(), 0);
  EXPECT_EQ(other->Document(), &b);
  EXPECT_EQ(otherChild->Document(), &b);
  b.Root()->NodeInsert(9, nullptr);

  // A node cannot go under itself or its descendants.
  TXmlNode* grandchild = moved->Nodes(0);
  EXPECT_THROW(grandchild->NodeAdd(moved), EInvalidOperation);
  EXPECT_THROW(moved->NodeAdd(moved), EInvalidOperation);
  EXPECT_THROW(grandchild->NodeInsert(0, moved), EInvalidOperation);
  EXPECT_EQ(moved->Parent(), b.Root());

  // Extracting hands ownership back; Delete frees through the parent.
  std::unique_ptr<TXmlNode> out = b.Root()->NodeExtract(other);
  ASSERT_TRUE(out);
  EXPECT_EQ(out->Parent(), nullptr);
  EXPECT_EQ(b.Root()->NodeExtract(other), nullptr);
  EXPECT_EQ(b.Root()->IndexOfNode(other), -1);
  EXPECT_EQ(b.Root()->IndexOfNode(nullptr), -1);
  b.Root()->NodeAdd(std::move(out));
  EXPECT_EQ(b.Root()->NodeCount(), 3);
  other->Delete();
  EXPECT_EQ(b.Root()->NodeCount(), 2);
  TXmlNode orphan;
  orphan.Delete();  // no parent: nothing happens
}

TEST(XmlNode, AssignCopiesTheSubtreeEvenFromItselfOrADescendant) {
  TXmlDocument doc;
  doc.ReadFromString("<r a='1'><b x='2'>text<c/></b><d/></r>");
  TXmlNode* r = doc.Root();
  r->SetTag(5);
  r->Assign(*r);
  EXPECT_EQ(r->NodeCount(), 2);
  EXPECT_EQ(r->ReadAttributeString("a"), "1");

  TXmlNode* b = r->Nodes(0);
  r->Assign(*b);  // b is freed by the copy's Clear; its data must survive
  EXPECT_EQ(r->Name(), "b");
  EXPECT_EQ(r->ReadAttributeString("x"), "2");
  EXPECT_EQ(r->Value(), "text");
  ASSERT_EQ(r->NodeCount(), 1);
  EXPECT_EQ(r->Nodes(0)->Name(), "c");
  EXPECT_EQ(r->Nodes(0)->Parent(), r);

  TXmlDocument copy;
  copy.Assign(doc);
  EXPECT_EQ(copy.WriteToString(), doc.WriteToString());
  EXPECT_EQ(copy.Root()->Nodes(0)->Document(), &copy);

  // Through the persistent interface; anything else is refused.
  TXmlNode target;
  target.Assign(static_cast<TPersistent*>(doc.Root()));
  EXPECT_EQ(target.Name(), "b");
  TPersistent unrelated;
  EXPECT_THROW(target.Assign(&unrelated), EConvertError);
}

TEST(XmlNode, DeepTreesAreCopiedWrittenAndFreedWithoutRecursion) {
  constexpr int kDepth = 100000;
  TXmlDocument doc;
  TXmlNode* n = doc.Root();
  n->SetName("d");
  for (int i = 0; i < kDepth; ++i) n = n->NodeNew("d");
  n->SetValueAsString("bottom");
  EXPECT_EQ(n->TreeDepth(), kDepth);

  TXmlDocument copy;
  copy.Assign(doc);
  std::string text = copy.WriteToString();
  EXPECT_NE(text.find("<d>bottom</d>"), std::string::npos);
  EXPECT_EQ(copy.Root()->TextContent(), "bottom");
  std::vector<TXmlNode*> found;
  copy.Root()->FindElements("D", found);
  EXPECT_EQ(found.size(), static_cast<size_t>(kDepth));
}

TEST(XmlNode, FindElementsAndTextContentFollowDocumentOrder) {
  TXmlDocument doc;
  doc.ReadFromString("<r><rs id='1'><rs id='2'/></rs><x>a&amp;b<rs id='3'/>tail<![CDATA[<raw>]]></x></r>");
  std::vector<TXmlNode*> found;
  doc.Root()->FindElements("rs", found);
  ASSERT_EQ(found.size(), 3u);
  EXPECT_EQ(found[0]->ReadAttributeString("id"), "1");
  EXPECT_EQ(found[1]->ReadAttributeString("id"), "2");
  EXPECT_EQ(found[2]->ReadAttributeString("id"), "3");
  EXPECT_EQ(doc.Root()->NodeByName("x")->TextContent(), "a&btail<raw>");
}
