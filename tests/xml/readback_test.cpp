// What the writer accepts reads back the same; what it cannot write readably it refuses. Saving
// through links and to files that are not regular files; large attribute lists.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/rtl/exceptions.h"
#include "xml/document.h"
#include "xml/text.h"
#include "xml_test_util.h"

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// A folder of its own for one test, removed at the end.
struct TempDir {
  fs::path path;
  explicit TempDir(const std::string& tag)
      : path(fs::temp_directory_path() / ("fano_xml_" + tag + "_" + std::to_string(::getpid()))) {
    fs::remove_all(path);
    fs::create_directories(path);
  }
  ~TempDir() { fs::remove_all(path); }
};

}  // namespace

TEST(XmlReadBack, AttributeNamesAreCheckedLikeNodeNames) {
  auto doc = TXmlDocument::CreateName("r");
  TXmlNode* root = doc->Root();
  for (const char* bad : {"x=y", "a b", "a\tb", "", "q\"", "q'", "a>b", "a<b"}) {
    EXPECT_EQ(ErrorOf([&] { root->AttributeAdd(bad, "1"); }),
              "Illegal character in node name \"" + std::string(bad) + "\"")
        << bad;
    EXPECT_EQ(ErrorOf([&] { root->WriteAttributeInteger(bad, 1, 0); }),
              "Illegal character in node name \"" + std::string(bad) + "\"")
        << bad;
  }
  EXPECT_EQ(root->AttributeCount(), 0);

  root->AttributeAdd("ns:a-b.c_d", "1 = \"2\" <3>");
  root->AttributeAdd("名", "值");
  TXmlDocument back;
  back.ReadFromString(doc->WriteToString());
  ASSERT_EQ(back.Root()->AttributeCount(), 2);
  EXPECT_EQ(back.Root()->AttributeName(0), "ns:a-b.c_d");
  EXPECT_EQ(back.Root()->AttributeValue(0), "1 = \"2\" <3>");
  EXPECT_EQ(back.Root()->ReadAttributeString("名"), "值");
}

TEST(XmlReadBack, CDataHoldingItsEndIsSplit) {
  for (const std::string text : {"a]]>b", "]]>", "]]>]]>", "x]]]>y]]", "]]]]>>"}) {
    auto doc = TXmlDocument::CreateName("r");
    TXmlNode* cdata = doc->Root()->NodeNew("");
    cdata->SetElementType(etCData);
    cdata->SetValue(text);
    const std::string written = doc->WriteToString();
    TXmlDocument back;
    back.ReadFromString(written);
    EXPECT_EQ(back.Root()->TextContent(), text) << written;
    for (int i = 0; i < back.Root()->NodeCount(); ++i)
      EXPECT_EQ(back.Root()->Nodes(i)->ElementType(), etCData) << written;
  }
  auto doc = TXmlDocument::CreateName("r");
  TXmlNode* cdata = doc->Root()->NodeNew("");
  cdata->SetElementType(etCData);
  cdata->SetValue("a]]>b");
  EXPECT_EQ(doc->Root()->WriteToString(), "<r><![CDATA[a]]]]><![CDATA[>b]]></r>");
}

TEST(XmlReadBack, CommentsTheFormatCannotHoldAreRefused) {
  for (const char* bad : {"a--b", "--", "end-", "-", "x--->"}) {
    auto doc = TXmlDocument::CreateName("r");
    TXmlNode* comment = doc->Root()->NodeNew("");
    comment->SetElementType(etComment);
    comment->SetValue(bad);
    EXPECT_THROW(doc->WriteToString(), EFilerError) << bad;
    EXPECT_NE(ErrorOf([&] { doc->WriteToString(); }).find("Comment cannot hold \"--\" or end in \"-\""),
              std::string::npos);
  }
  for (const std::string good : {" a - b ", "-a", "", "a-b-c"}) {
    auto doc = TXmlDocument::CreateName("r");
    TXmlNode* comment = doc->Root()->NodeNew("");
    comment->SetElementType(etComment);
    comment->SetValue(good);
    TXmlDocument back;
    back.ReadFromString(doc->WriteToString());
    ASSERT_EQ(back.Root()->NodeCount(), 1) << good;
    EXPECT_EQ(back.Root()->Nodes(0)->ElementType(), etComment);
    EXPECT_EQ(back.Root()->Nodes(0)->Value(), good);
  }
}

// A comment's text is read raw, whatever it holds; what the format cannot hold is refused only when
// written.
TEST(XmlReadBack, CommentsAreReadRawAndOnlyTheWriterRefusesWhatTheFormatCannotHold) {
  struct Case {
    const char* text;
    const char* comment;
  };
  for (const Case& c : {Case{"<r><!--a--b--></r>", "a--b"}, Case{"<r><!--end---></r>", "end-"},
                        Case{"<r><!-----></r>", "-"}, Case{"<!--x--y--><r/>", "x--y"}}) {
    SCOPED_TRACE(c.text);
    TXmlDocument doc;
    ASSERT_NO_THROW(doc.ReadFromString(c.text));
    const TXmlNode* comment = doc.Root()->NodeCount() > 0 ? doc.Root()->Nodes(0) : doc.RootNodes()->Nodes(0);
    ASSERT_EQ(comment->ElementType(), etComment);
    EXPECT_EQ(comment->Value(), c.comment);
    EXPECT_NE(ErrorOf([&] { doc.WriteToString(); }).find("Comment cannot hold \"--\" or end in \"-\""),
              std::string::npos);
  }
  // Whatever the writer gives is read back.
  for (const char* good : {"<r><!-- a - b --></r>", "<r><!---a--></r>", "<r><!----></r>"}) {
    TXmlDocument doc;
    doc.ReadFromString(good);
    TXmlDocument back;
    EXPECT_NO_THROW(back.ReadFromString(doc.WriteToString())) << good;
  }
}

TEST(XmlReadBack, SortedAttributesStayInOrderWhenManyAreRead) {
  // Reverse order, repeated names and case differences: equal entries keep the order they came in.
  std::string text = "<r";
  for (int i = 2000; i > 0; --i) text += " a" + std::to_string(i % 700) + "=\"" + std::to_string(i) + "\"";
  text += " B=\"1\" b=\"0\"/>";
  TXmlDocument sorted;
  sorted.SetSortAttributes(true);
  sorted.ReadFromString(text);
  TXmlNode* r = sorted.Root();
  ASSERT_EQ(r->AttributeCount(), 2002);
  for (int i = 1; i < r->AttributeCount(); ++i)
    ASSERT_LE(XmlCompareName(r->AttributePair(i - 1), r->AttributePair(i), true), 0) << i;
  EXPECT_EQ(r->AttributePair(0), "a0=\"1400\"");  // 1400 came before 700
  EXPECT_EQ(r->AttributePair(1), "a0=\"700\"");
  EXPECT_EQ(r->ReadAttributeString("b"), "0");  // the first of the two in sorted order
  EXPECT_EQ(r->ReadAttributeString("a5"), "1405");
  EXPECT_EQ(r->ReadAttributeString("a699"), "1399");
  EXPECT_FALSE(r->HasAttribute("a700"));
  EXPECT_FALSE(r->HasAttribute("a"));

  // The same entries, set one by one, end in the same order.
  TXmlDocument added;
  added.SetSortAttributes(true);
  TXmlDocument plain;
  plain.ReadFromString(text);
  added.Root()->SetName("r");
  for (int i = 0; i < plain.Root()->AttributeCount(); ++i) added.Root()->AttributeAddRaw(plain.Root()->AttributePair(i));
  for (int i = 0; i < r->AttributeCount(); ++i) ASSERT_EQ(added.Root()->AttributePair(i), r->AttributePair(i)) << i;
}

TEST(XmlReadBack, TypedWritersFindTheirAttributeAmongMany) {
  for (bool sorted : {false, true}) {
    TXmlDocument doc;
    doc.SetSortAttributes(sorted);
    TXmlNode* r = doc.Root();
    r->SetName("r");
    for (int i = 0; i < 3000; ++i) r->WriteAttributeInteger("n" + std::to_string(i), i, -1);
    // Again under names that differ in case: the same attributes take the new values.
    for (int i = 0; i < 3000; i += 3) r->WriteAttributeInteger("N" + std::to_string(i), i * 2, -1);
    r->AttributeAdd("Ä", "1");
    r->WriteAttributeString("ä", "2", "");
    ASSERT_EQ(r->AttributeCount(), 3001) << sorted;
    for (int i = 0; i < 3000; ++i)
      ASSERT_EQ(r->ReadAttributeInteger("n" + std::to_string(i), -5), i % 3 == 0 ? i * 2 : i) << i;
    EXPECT_EQ(r->ReadAttributeString("Ä"), "2");
    // Deleting shifts the rest; lookups still find them.
    r->SetAttributeValue(r->AttributeIndexByName("n5"), "");
    r->DeleteEmptyAttributes();
    EXPECT_FALSE(r->HasAttribute("n5"));
    EXPECT_EQ(r->ReadAttributeInteger("n2999", 0), 2999);
    EXPECT_EQ(r->AttributeName(r->AttributeIndexByName("N2998")), "n2998");
  }
}

TEST(XmlReadBack, SavingThroughALinkWritesTheTargetAndKeepsTheLink) {
  TempDir dir("link");
  fs::create_directories(dir.path / "real");
  const fs::path target = dir.path / "real" / "doc.xml";
  {
    std::ofstream out(target);
    out << "old";
  }
  ::chmod(target.c_str(), 0640);
  fs::create_symlink("real/doc.xml", dir.path / "link.xml");
  fs::create_symlink(dir.path / "link.xml", dir.path / "link2.xml");

  auto doc = TXmlDocument::CreateName("r");
  doc->SaveToFile((dir.path / "link2.xml").string());
  EXPECT_TRUE(fs::is_symlink(dir.path / "link.xml"));
  EXPECT_TRUE(fs::is_symlink(dir.path / "link2.xml"));
  EXPECT_NE(ReadAll(target).find("<r></r>"), std::string::npos);
  struct stat st;
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(st.st_uid, ::geteuid());
  // The temporary file went beside the target and is gone.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path / "real"), fs::directory_iterator()), 1);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()), 3);

  // A link to a file not made yet makes the file.
  fs::create_symlink("real/new.xml", dir.path / "dangling.xml");
  doc->SaveToFile((dir.path / "dangling.xml").string());
  EXPECT_TRUE(fs::is_symlink(dir.path / "dangling.xml"));
  EXPECT_NE(ReadAll(dir.path / "real" / "new.xml").find("<r></r>"), std::string::npos);
}

TEST(XmlReadBack, AFileThatIsNotRegularIsWrittenInPlace) {
  TempDir dir("fifo");
  auto doc = TXmlDocument::CreateName("r");
  // A pipe (as a device would) stays what it is, and the text goes through it.
  const fs::path fifo = dir.path / "pipe";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  doc->SaveToFile(fifo.string());
  EXPECT_TRUE(fs::is_fifo(fifo));
  char buf[256] = {};
  const ssize_t n = ::read(reader, buf, sizeof buf - 1);
  ::close(reader);
  ASSERT_GT(n, 0);
  EXPECT_NE(std::string(buf, static_cast<size_t>(n)).find("<r></r>"), std::string::npos);
}
