#include <gtest/gtest.h>

#include "platform/rtl/exceptions.h"
#include "protocol/cvxmldom.h"
#include "protocol_support.h"
#include "support/error_text.h"

using namespace protocol_test;

namespace {

const std::string kHead = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<corvane><params>";
const std::string kTail = "</params></corvane>\n";

// Header rows 1 (unmodified), 2 (modified), 3 (inserted); lines 10 and 11 of header 1 (11
// modified), 20 of header 2, 30 and 31 of header 3 (inserted); line 12 of header 1 deleted.
struct SaveFixture {
  TMemTableGx header, headerDelta, lines, linesDelta;
  SaveFixture() {
    MakeHeader(header);
    MakeDeltaLike(headerDelta, header, "mtblMainDelta");
    MakeLines(lines);
    MakeDeltaLike(linesDelta, lines, "mtblSubDelta");
    AppendValues(header, {1, "a", Null(), 1.5, 7, "j1", true});
    AppendValues(header, {2, "b", Null(), 2.5, 8, "j2", false});
    AppendValues(lines, {10, 1, "x", 1.0});
    AppendValues(lines, {11, 1, "y", 2.0});
    AppendValues(lines, {12, 1, "z", 3.0});
    AppendValues(lines, {20, 2, "w", 4.0});
    header.SetCachedUpdates(true);
    lines.SetCachedUpdates(true);
    EditValue(header, 2, "BILDA002", "B");
    AppendValues(header, {3, "c", Null(), 3.5, 9, "j3", Null()});
    EditValue(lines, 11, "BILDB002", "Y");
    GoTo(lines, 12);
    AppendValues(linesDelta, {12, 1, "z", 3.0});
    lines.Delete();
    AppendValues(lines, {30, 3, "p", 5.5});
    AppendValues(lines, {31, 3, "q", Null()});
  }
  // The save request: every header row, its lines nested.
  std::string Build(TCvProtocol& p, uint8_t deleteMode = 0) {
    p.Clear();
    p.SetDeleteMode(deleteMode);
    p.SetCopyMode(0);
    TCvTable* t = p.GetTable(p.AddTable());
    t->SetData(&header);
    t->SetDelta(&headerDelta);
    t->AddChild(&lines, &linesDelta);
    return p.BuildRequest();
  }
};

const char* const kLineHead = "<TB_BILDB op=\"%s\" pk=\"BILDB_ID\" fk=\"TB_BILDA:BILDB001\"";

std::string LineHead(const char* op) { return Format(kLineHead, {op}); }

// Adds a table of `header` rows with `lines` as its child, builds the request and answers the row
// elements of its recordset (read back by pugixml into `doc`).
std::vector<pugi::xml_node> RequestRows(TCvProtocol& p, TMemTableGx& header, TMemTableGx& lines,
                                        pugi::xml_document& doc) {
  TCvTable* t = p.GetTable(p.AddTable());
  t->SetData(&header);
  t->AddChild(&lines, nullptr);
  return Elements(ParseRequest(doc, p.BuildRequest()).child("param"));
}

}  // namespace

TEST(RequestTest, AnEmptyProtocolWritesTheDeclarationAndEmptyParams) {
  TCvProtocol p;
  EXPECT_EQ(p.BuildRequest(), "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<corvane><params/></corvane>\n");
}

TEST(RequestTest, ParametersOfEveryTypeCode) {
  FormatSettingsGuard guard;
  FormatSettings.DecimalSeparator = ',';
  TCvProtocol p;
  const char* words[] = {"string", "integer", "double", "float", "datetime", "date", "time"};
  for (uint8_t code = 0; code <= 9; ++code) {
    TCvParam* param = p.GetParam(p.AddParam());
    param->SetValue("v" + std::to_string(code));
    param->SetDataType(code);
  }
  p.GetParam(p.AddParam())->SetAsFloat(2.5);
  p.GetParam(p.AddParam())->SetAsString("a<b&\"c\"");
  p.GetParam(p.AddParam())->SetAsString("");
  std::string expected = kHead;
  for (int code = 0; code <= 6; ++code)
    expected += Format("<param typ=\"%s\">v%d</param>", {words[code], code});
  expected += "<param>v7</param><param/><param>v9</param>";
  expected += "<param typ=\"double\">2.5</param>";
  expected += "<param typ=\"string\">a&lt;b&amp;&quot;c&quot;</param>";
  expected += "<param typ=\"string\"></param>";
  EXPECT_EQ(p.BuildRequest(), expected + kTail);
}

TEST(RequestTest, VariablesFormOneBlockAfterTheParameters) {
  TCvProtocol p;
  p.GetParam(p.AddParam())->SetAsInteger(5);
  auto addVar = [&](const char* name, const char* value, uint8_t code) {
    TCvParam* v = p.GetVariable(p.Variables()->Add());
    v->SetName(name);
    v->SetValue(value);
    v->SetDataType(code);
  };
  addVar("a", "1", CvType::Integer);
  addVar("b", "x", CvType::Unset);  // not written
  addVar("c", "y", CvType::Untyped);
  addVar("d", "2024-03-05", CvType::Date);
  EXPECT_EQ(p.BuildRequest(), kHead + "<param typ=\"integer\">5</param><param typ=\"variable\">"
                                      "<var varname=\"a\" value=\"1\" typ=\"integer\"/>"
                                      "<var varname=\"c\" value=\"y\" typ=\"var\"/>"
                                      "<var varname=\"d\" value=\"2024-03-05\" typ=\"date\"/></param>" +
                                  kTail);
  // Only unset variables: an empty block.
  p.Clear();
  addVar("b", "x", CvType::Unset);
  EXPECT_EQ(p.BuildRequest(), kHead + "<param typ=\"variable\"/>" + kTail);
}

TEST(RequestTest, TablesWithoutRowsAreUnknownRecordsets) {
  TCvProtocol p;
  p.AddTable();  // Data and Delta closed
  TMemTableGx header, headerDelta;
  MakeHeader(header);
  MakeDeltaLike(headerDelta, header, "mtblMainDelta");
  TCvTable* t = p.GetTable(p.AddTable());
  t->SetData(&header);  // open, no rows
  t->SetDelta(&headerDelta);
  const std::string empty = "<param typ=\"recordset\" tbname=\"UNKNOWN\"/>";
  EXPECT_EQ(p.BuildRequest(), kHead + empty + empty + kTail);
  // A deleted line below still goes out, in a wrapper of the table without rows.
  TMemTableGx lines, linesDelta;
  MakeLines(lines);
  MakeDeltaLike(linesDelta, lines, "mtblSubDelta");
  AppendValues(linesDelta, {12, 1, "z", 3.0});
  t->AddChild(&lines, &linesDelta);
  EXPECT_EQ(p.BuildRequest(), kHead + empty + "<param typ=\"recordset\" tbname=\"TB_BILDA\">" +
                                  "<TB_BILDA op=\"0\" pk=\"BILDA_ID\" fk=\"\"><child tbname=\"TB_BILDB\">" +
                                  LineHead("4") + " BILDB_ID=\"12\"/></child></TB_BILDA></param>" + kTail);
}

TEST(RequestTest, UnchangedRowsWithoutChangedChildrenAreLeftOut) {
  TMemTableGx header, lines, linesDelta;
  MakeHeader(header);
  MakeLines(lines);
  MakeDeltaLike(linesDelta, lines, "mtblSubDelta");
  AppendValues(header, {1, "a", Null(), 1.5, 7, "j", true});
  AppendValues(lines, {10, 1, "x", 1.0});
  TCvProtocol p;
  p.SetCopyMode(0);
  TCvTable* t = p.GetTable(p.AddTable());
  t->SetData(&header);
  t->AddChild(&lines, &linesDelta);
  EXPECT_EQ(p.BuildRequest(), kHead + "<param typ=\"recordset\" tbname=\"TB_BILDA\"/>" + kTail);
}

// A stored header that has not changed, with one line added or changed under it, as the form sends
// it (its current header row, all its lines): the header goes with op "0" and its key only, and
// holds the changed line; the unchanged line stays out.
TEST(RequestTest, AnUnchangedHeaderCarriesItsChangedLine) {
  struct Case {
    const char* change;
    std::string line;
  };
  const Case cases[] = {
      {"a new line", LineHead("1") + " rn=\"2\" BILDB_ID=\"11\" BILDB001=\"1\" BILDB002=\"new\" BILDB003=\"2.5\"/>"},
      {"a changed line", LineHead("3") + " BILDB_ID=\"10\" BILDB001=\"1\" BILDB002=\"changed\" BILDB003=\"1\"/>"},
  };
  for (const Case& c : cases) {
    TMemTableGx header, lines, linesDelta;
    MakeHeader(header);
    MakeLines(lines);
    MakeDeltaLike(linesDelta, lines, "mtblSubDelta");
    AppendValues(header, {1, "a", Null(), 1.5, 7, "j", true});
    AppendValues(lines, {10, 1, "x", 1.0});
    header.SetCachedUpdates(true);
    lines.SetCachedUpdates(true);
    if (c.line.find("op=\"1\"") != std::string::npos)
      AppendValues(lines, {11, 1, "new", 2.5});
    else
      EditValue(lines, 10, "BILDB002", "changed");
    ASSERT_EQ(header.UpdateStatus(), usUnmodified);
    TCvProtocol p;
    TCvTable* t = p.GetTable(p.AddTable());
    t->SetData(&header);
    t->AddChild(&lines, &linesDelta);
    EXPECT_EQ(p.BuildRequest(), kHead + "<param typ=\"recordset\" tbname=\"TB_BILDA\">"
                                        "<TB_BILDA op=\"0\" pk=\"BILDA_ID\" fk=\"\" BILDA_ID=\"1\"><child tbname=\"TB_BILDB\">" +
                                        c.line + "</child></TB_BILDA></param>" + kTail)
        << c.change;
  }
}

TEST(RequestTest, ASaveWritesDeletionsFirstThenChangedRowsWithTheirLinesNested) {
  SaveFixture f;
  TCvProtocol p;
  const std::string expected =
      kHead + "<param typ=\"recordset\" tbname=\"TB_BILDA\">" +
      // Deletions of lines under a header that stays: a wrapper row.
      "<TB_BILDA op=\"0\" pk=\"BILDA_ID\" fk=\"\"><child tbname=\"TB_BILDB\">" + LineHead("4") +
      " BILDB_ID=\"12\"/></child></TB_BILDA>" +
      // Header 1 is unchanged but holds a changed line.
      "<TB_BILDA op=\"0\" pk=\"BILDA_ID\" fk=\"\" BILDA_ID=\"1\"><child tbname=\"TB_BILDB\">" + LineHead("3") +
      " BILDB_ID=\"11\" BILDB001=\"1\" BILDB002=\"Y\" BILDB003=\"2\"/></child></TB_BILDA>" +
      // Header 2 is modified; its line is not: an empty child element.
      "<TB_BILDA op=\"3\" pk=\"BILDA_ID\" fk=\"\" BILDA_ID=\"2\" BILDA002=\"B\" BILDA003=\"\" BILDA004=\"2.5\" "
      "BILDA006=\"8\" FLAG=\"0\"><child tbname=\"TB_BILDB\"/></TB_BILDA>" +
      // Header 3 and its lines are new: each carries its row number.
      "<TB_BILDA op=\"1\" pk=\"BILDA_ID\" fk=\"\" rn=\"3\" BILDA_ID=\"3\" BILDA002=\"c\" BILDA003=\"\" "
      "BILDA004=\"3.5\" BILDA006=\"9\" FLAG=\"0\"><child tbname=\"TB_BILDB\">" +
      LineHead("1") + " rn=\"4\" BILDB_ID=\"30\" BILDB001=\"3\" BILDB002=\"p\" BILDB003=\"5.5\"/>" + LineHead("1") +
      " rn=\"5\" BILDB_ID=\"31\" BILDB001=\"3\" BILDB002=\"q\" BILDB003=\"\"/></child></TB_BILDA>" + "</param>" +
      kTail;
  EXPECT_EQ(f.Build(p), expected);
  // Writing leaves the form's tables as they were, and may be repeated.
  EXPECT_EQ(f.lines.RecordCount(), 5);
  EXPECT_FALSE(f.lines.Filtered());
  EXPECT_EQ(p.BuildRequest(), expected);
}

TEST(RequestTest, TheSaveRequestReadBackByAnotherParserHasTheDocumentedShape) {
  SaveFixture f;
  TCvProtocol p;
  const std::string text = f.Build(p, 1);
  pugi::xml_document doc;
  pugi::xml_node params = ParseRequest(doc, text);
  auto recordsets = Elements(params);
  ASSERT_EQ(recordsets.size(), 1u);
  pugi::xml_node rs = recordsets[0];
  EXPECT_STREQ(rs.name(), "param");
  EXPECT_EQ(AttrNames(rs), (std::vector<std::string>{"typ", "tbname"}));
  EXPECT_EQ(Attr(rs, "typ"), "recordset");
  auto rows = Elements(rs);
  ASSERT_EQ(rows.size(), 4u);
  std::vector<std::string> ops;
  for (auto& r : rows) {
    EXPECT_STREQ(r.name(), "TB_BILDA");
    ops.push_back(Attr(r, "op"));
    // Every row holds one child element per child table.
    auto children = Elements(r);
    ASSERT_EQ(children.size(), 1u);
    EXPECT_STREQ(children[0].name(), "child");
    EXPECT_EQ(Attr(children[0], "tbname"), "TB_BILDB");
  }
  EXPECT_EQ(ops, (std::vector<std::string>{"0", "0", "3", "1"}));
  // Delete mode 1 writes deletions with op 2.
  pugi::xml_node deleted = rows[0].child("child").child("TB_BILDB");
  EXPECT_EQ(Attr(deleted, "op"), "2");
  EXPECT_EQ(AttrNames(deleted), (std::vector<std::string>{"op", "pk", "fk", "BILDB_ID"}));
  // A new row: op, pk, fk, rn, then the columns in order without the joined one.
  EXPECT_EQ(AttrNames(rows[3]), (std::vector<std::string>{"op", "pk", "fk", "rn", "BILDA_ID", "BILDA002", "BILDA003",
                                                          "BILDA004", "BILDA006", "FLAG"}));
  auto newLines = Elements(rows[3].child("child"));
  ASSERT_EQ(newLines.size(), 2u);
  EXPECT_EQ(Attr(newLines[0], "rn"), "4");
  EXPECT_EQ(Attr(newLines[1], "BILDB_ID"), "31");
  // An unchanged parent carries only its key.
  EXPECT_EQ(AttrNames(rows[1]), (std::vector<std::string>{"op", "pk", "fk", "BILDA_ID"}));
}

TEST(RequestTest, ADeletedParentCascadesToEachChildTableWithOneKeylessRow) {
  TMemTableGx header, headerDelta, lines, linesDelta;
  MakeHeader(header);
  MakeDeltaLike(headerDelta, header, "mtblMainDelta");
  MakeLines(lines);
  MakeDeltaLike(linesDelta, lines, "mtblSubDelta");
  AppendValues(headerDelta, {4, "d", Null(), 0.0, 0, Null(), false});
  AppendValues(headerDelta, {5, "e", Null(), 0.0, 0, Null(), false});
  AppendValues(linesDelta, {40, 4, "l", 0.0});  // covered by the cascade
  AppendValues(linesDelta, {60, 6, "m", 0.0});  // of a header that stays: carried in a wrapper
  AppendValues(linesDelta, {41, 5, "n", 0.0});  // covered by the cascade
  TCvProtocol p;
  p.SetDeleteMode(1);
  TCvTable* t = p.GetTable(p.AddTable());
  t->SetData(&header);
  t->SetDelta(&headerDelta);
  t->AddChild(&lines, &linesDelta);
  const std::string cascade = "<child tbname=\"TB_BILDB\">" + LineHead("2") + "/></child>";
  EXPECT_EQ(p.BuildRequest(), kHead + "<param typ=\"recordset\" tbname=\"TB_BILDA\">" +
                                  "<TB_BILDA op=\"2\" pk=\"BILDA_ID\" fk=\"\" BILDA_ID=\"4\">" + cascade +
                                  "</TB_BILDA><TB_BILDA op=\"2\" pk=\"BILDA_ID\" fk=\"\" BILDA_ID=\"5\">" + cascade +
                                  "</TB_BILDA><TB_BILDA op=\"0\" pk=\"BILDA_ID\" fk=\"\"><child tbname=\"TB_BILDB\">" +
                                  LineHead("2") + " BILDB_ID=\"60\"/></child></TB_BILDA></param>" + kTail);
  // The key names were derived from the table name and stay on the tables.
  EXPECT_EQ(t->Delta()->PKName(), "BILDA_ID");
  EXPECT_EQ(t->GetChild(0)->Delta()->PKName(), "BILDB_ID");

  // One level down: a deleted line cascades to its own sub-lines, and a deleted sub-line of a
  // line that stays is carried in a wrapper after it.
  TMemTableGx subs, subsDelta;
  subs.SetName("mtblSub2");
  subs.FieldDefs().Add("BILDC_ID", ftInteger);
  subs.FieldDefs().Add("BILDC001", ftInteger);
  subs.CreateDataSet();
  subs.SetCvTableName("TB_BILDC");
  subs.SetFKName("TB_BILDB:BILDC001");
  MakeDeltaLike(subsDelta, subs, "mtblSub2Delta");
  AppendValues(subsDelta, {400, 40});  // under a deleted line
  AppendValues(subsDelta, {700, 70});  // under a line that stays
  headerDelta.EmptyTable();
  AppendValues(header, {6, "f", Null(), 0.0, 0, Null(), false});
  p.Clear();
  t = p.GetTable(p.AddTable());
  t->SetData(&header);
  t->SetDelta(&headerDelta);
  t->AddChild(&lines, &linesDelta)->AddChild(&subs, &subsDelta);
  const std::string subHead = "<TB_BILDC op=\"2\" pk=\"BILDC_ID\" fk=\"TB_BILDB:BILDC001\"";
  auto line = [&](const char* id) {
    return LineHead("2") + " BILDB_ID=\"" + id + "\"><child tbname=\"TB_BILDC\">" + subHead + "/></child></TB_BILDB>";
  };
  EXPECT_EQ(p.BuildRequest(), kHead + "<param typ=\"recordset\" tbname=\"TB_BILDA\">" +
                                  "<TB_BILDA op=\"0\" pk=\"BILDA_ID\" fk=\"\"><child tbname=\"TB_BILDB\">" +
                                  line("40") + line("60") + line("41") + LineHead("0") +
                                  "><child tbname=\"TB_BILDC\">" + subHead +
                                  " BILDC_ID=\"700\"/></child></TB_BILDB></child></TB_BILDA></param>" + kTail);
}

TEST(RequestTest, ChildRowsAreGroupedUnderTheirParentInTheChildTablesOrder) {
  TMemTableGx header, lines;
  MakeHeader(header);
  MakeLines(lines);
  header.SetCachedUpdates(true);
  lines.SetCachedUpdates(true);
  AppendValues(header, {1, "a", Null(), 0.0, 0, Null(), false});
  AppendValues(header, {3, "c", Null(), 0.0, 0, Null(), false});
  AppendValues(lines, {30, 3, "p", 0.0});
  AppendValues(lines, {10, 1, "x", 0.0});
  AppendValues(lines, {31, 3, "q", 0.0});
  AppendValues(lines, {11, 1, "y", 0.0});
  AppendValues(lines, {99, 7, "orphan", 0.0});
  TCvProtocol p;
  p.SetCopyMode(0);
  pugi::xml_document doc;
  auto rows = RequestRows(p, header, lines, doc);
  ASSERT_EQ(rows.size(), 2u);
  auto ids = [](const pugi::xml_node& row) {
    std::vector<std::string> list;
    for (auto& l : Elements(row.child("child"))) list.push_back(Attr(l, "BILDB_ID") + "/rn" + Attr(l, "rn"));
    return list;
  };
  EXPECT_EQ(ids(rows[0]), (std::vector<std::string>{"10/rn2", "11/rn4"}));
  EXPECT_EQ(ids(rows[1]), (std::vector<std::string>{"30/rn1", "31/rn3"}));
}

TEST(RequestTest, ANewParentWithoutAKeyHoldsEveryChildRow) {
  TMemTableGx header, lines;
  MakeHeader(header);
  MakeLines(lines);
  header.SetCachedUpdates(true);
  lines.SetCachedUpdates(true);
  AppendValues(header, {Null(), "new", Null(), 0.0, 0, Null(), false});
  AppendValues(lines, {Null(), Null(), "l1", 1.0});
  AppendValues(lines, {Null(), Null(), "l2", 2.0});
  TCvProtocol p;
  pugi::xml_document doc;
  auto rows = RequestRows(p, header, lines, doc);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(Attr(rows[0], "BILDA_ID"), "");
  auto newLines = Elements(rows[0].child("child"));
  ASSERT_EQ(newLines.size(), 2u);
  EXPECT_EQ(Attr(newLines[1], "BILDB002"), "l2");
}

TEST(RequestTest, ValuesAreWrittenInTheWireFormatsWhateverTheSettings) {
  FormatSettingsGuard guard;
  FormatSettings.DecimalSeparator = ',';
  FormatSettings.DateSeparator = '/';
  FormatSettings.TimeSeparator = '.';
  FormatSettings.ShortDateFormat = "dd/mm/yyyy";
  TMemTableGx t;
  t.SetName("mtblTimes");
  t.FieldDefs().Add("D", ftDate);
  t.FieldDefs().Add("DT", ftDateTime);
  t.FieldDefs().Add("T", ftTime);
  t.FieldDefs().Add("F", ftFloat);
  t.FieldDefs().Add("C", ftCurrency);
  t.FieldDefs().Add("B", ftBoolean);
  t.FieldDefs().Add("L", ftLargeint);
  t.FieldDefs().Add("S", ftString, 20);
  t.CreateDataSet();
  t.SetCvTableName("TB_T");
  t.SetPKName("L");
  t.SetCachedUpdates(true);
  AppendValues(t, {Variant(EncodeDate(2024, 3, 5)), Variant(EncodeDateTime(2024, 3, 5, 13, 4, 5, 0)),
                   Variant(EncodeTime(7, 8, 9, 0)), -1234.5, 0.25, true, Variant::FromInt64(9000000000LL),
                   "a\r\nb\tc \"&"});
  AppendValues(t, {Null(), Null(), Null(), Null(), Null(), Null(), Null(), Null()});
  TCvProtocol p;
  p.SetCopyMode(0);
  p.GetTable(p.AddTable())->SetData(&t);
  pugi::xml_document doc;
  auto rows = Elements(ParseRequest(doc, p.BuildRequest()).child("param"));
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(Attr(rows[0], "D"), "2024-03-05 00:00:00");
  EXPECT_EQ(Attr(rows[0], "DT"), "2024-03-05 13:04:05");
  EXPECT_EQ(Attr(rows[0], "T"), "07:08:09");
  EXPECT_EQ(Attr(rows[0], "F"), "-1234.5");
  EXPECT_EQ(Attr(rows[0], "C"), "0.25");
  EXPECT_EQ(Attr(rows[0], "B"), "1");
  EXPECT_EQ(Attr(rows[0], "L"), "9000000000");
  EXPECT_EQ(Attr(rows[0], "S"), "a\r\nb\tc \"&");  // line breaks and tabs are no blanks to the host
  for (const char* name : {"D", "DT", "T", "F", "C", "L"}) {
    EXPECT_TRUE(rows[1].attribute(name)) << name;
    EXPECT_EQ(Attr(rows[1], name), "") << name;
  }
  EXPECT_EQ(Attr(rows[1], "B"), "0");
  EXPECT_EQ(Attr(rows[0], "pk"), "L");

  // Without a key name the key is taken to be named after the table: TB_T gives "T_ID", which
  // this table does not have.
  t.SetPKName("");
  p.Clear();
  TCvTable* nameless = p.GetTable(p.AddTable());
  nameless->SetData(&t);
  EXPECT_THROW(p.BuildRequest(), EDatabaseError);
  EXPECT_EQ(nameless->Data()->PKName(), "T_ID");
}

// A row read from a reply and saved after another column changed carries its times as the host
// sent them: a creation time is not reset to midnight by an edit of the amount.
TEST(RequestTest, DateColumnsKeepTheirTimeFromReplyToSave) {
  TCvProtocol reply;
  ASSERT_TRUE(reply.ParseReply(
      "<?xml version=\"1.0\" encoding=\"utf-8\"?><corvane><status><code>0</code><info/></status>"
      "<rs typ=\"recordset\" tbname=\"TB_BILDA\"><row fields=\"BILDA_ID:INTEGER:0:0 BILDA003:DATE:0:0 "
      "CREATE_DATE:DATE:0:0 AMOUNT:NUMBER:14:2 ODD:DATE:0:0 EARLY:DATE:0:0\" BILDA_ID=\"320\" "
      "BILDA003=\"2024-06-28 00:00:00\" CREATE_DATE=\"2024-06-28 17:44:19\" AMOUNT=\"2770.08\" "
      "ODD=\"2024-06-29 25:61:00\" EARLY=\"1899-12-29 06:00\"/></rs></corvane>"))
      << reply.ErrorText();
  TMemTableGx* d = reply.GetTable(0)->Data();
  ASSERT_EQ(d->RecordCount(), 1);
  EXPECT_EQ(d->FieldByName("CREATE_DATE")->AsDateTime(), EncodeDateTime(2024, 6, 28, 17, 44, 19, 0));
  EXPECT_EQ(d->FieldByName("ODD")->AsDateTime(), EncodeDate(2024, 6, 29));  // a time that does not read
  EXPECT_DOUBLE_EQ(d->FieldByName("EARLY")->AsDateTime(), -1.25);           // before the epoch: 6:00 still
  d->SetCvTableName("TB_BILDA");
  d->SetPKName("BILDA_ID");
  d->SetCachedUpdates(true);
  d->Edit();
  d->FieldByName("AMOUNT")->SetAsFloat(3000.5);
  d->Post();
  TCvProtocol save;
  save.SetCopyMode(1);
  save.GetTable(save.AddTable())->SetData(d);
  pugi::xml_document doc;
  auto rows = Elements(ParseRequest(doc, save.BuildRequest()).child("param"));
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(Attr(rows[0], "op"), "3");
  EXPECT_EQ(Attr(rows[0], "CREATE_DATE"), "2024-06-28 17:44:19");
  EXPECT_EQ(Attr(rows[0], "BILDA003"), "2024-06-28 00:00:00");
  EXPECT_EQ(Attr(rows[0], "EARLY"), "1899-12-29 06:00:00");
  EXPECT_EQ(Attr(rows[0], "AMOUNT"), "3000.5");
}

TEST(RequestTest, WithoutAKeyNameUnchangedRowsCarryTheirKeyColumns) {
  TMemTableGx header, lines;
  MakeHeader(header);
  header.SetCvTableName("UNKNOWN");
  header.SetPKName("");
  header.FieldByName("BILDA006C1")->SetIsKey(true);  // a joined key column is left out
  MakeLines(lines);
  lines.SetFKName("UNKNOWN:BILDB001");
  AppendValues(header, {1, "a", Null(), 0.0, 0, "j", false});
  AppendValues(lines, {10, 1, "x", 0.0});
  lines.SetCachedUpdates(true);
  EditValue(lines, 10, "BILDB002", "X");
  TCvProtocol p;
  pugi::xml_document doc;
  auto rows = RequestRows(p, header, lines, doc);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(AttrNames(rows[0]), (std::vector<std::string>{"op", "pk", "fk", "BILDA_ID"}));
  EXPECT_EQ(Attr(rows[0], "op"), "0");
  EXPECT_EQ(Attr(rows[0], "pk"), "");
  EXPECT_EQ(Attr(rows[0].child("child").child("TB_BILDB"), "op"), "3");
}

TEST(RequestTest, FailuresPropagateAndProduceNoText) {
  TMemTableGx header, lines;
  MakeHeader(header);
  MakeLines(lines);
  lines.SetFKName("TB_OTHER:BILDB001");
  AppendValues(header, {1, "a", Null(), 0.0, 0, Null(), false});
  AppendValues(lines, {10, 1, "x", 0.0});
  lines.SetCachedUpdates(true);
  EditValue(lines, 10, "BILDB002", "X");
  TCvProtocol p;
  pugi::xml_document doc;
  EXPECT_EQ(ErrorText<EDatabaseError>([&] { RequestRows(p, header, lines, doc); }),
            "Table TB_BILDB has no foreign key to TB_BILDA");

  // Deleted rows of a table whose Data is closed: the rows cannot be walked, so nothing is sent.
  TMemTableGx deleted, goodLines, deletedLines;
  MakeDeltaLike(deleted, header, "mtblMainDelta");
  deleted.SetPKName("BILDA_ID");
  AppendValues(deleted, {5, "e", Null(), 0.0, 0, Null(), false});
  p.Clear();
  TCvTable* closed = p.GetTable(p.AddTable());
  closed->SetData(&header);
  closed->SetDelta(&deleted);
  closed->Data()->Close();
  std::string text = "unchanged";
  EXPECT_EQ(ErrorText<EDatabaseError>([&] { text = p.BuildRequest(); }), "Cannot perform this operation on a closed dataset");
  EXPECT_EQ(text, "unchanged");
  // The same for a child table whose deleted lines go with an unchanged header.
  MakeLines(goodLines);
  MakeDeltaLike(deletedLines, goodLines, "mtblSubDelta");
  deletedLines.SetPKName("BILDB_ID");
  AppendValues(deletedLines, {12, 1, "z", 3.0});
  p.Clear();
  TCvTable* parent = p.GetTable(p.AddTable());
  parent->SetData(&header);
  parent->AddChild(&goodLines, &deletedLines)->Data()->Close();
  EXPECT_EQ(ErrorText<EDatabaseError>([&] { p.BuildRequest(); }), "Cannot perform this operation on a closed dataset");

  // A column name that cannot be an attribute name.
  TMemTableGx odd;
  odd.SetName("mtblOdd");
  odd.FieldDefs().Add("MY FIELD", ftString, 5);
  odd.CreateDataSet();
  odd.SetCvTableName("TB_ODD");
  odd.SetPKName("MY FIELD");
  odd.SetCachedUpdates(true);
  AppendValues(odd, {"v"});
  p.Clear();
  p.GetTable(p.AddTable())->SetData(&odd);
  EXPECT_EQ(ErrorText<ECvXmlDomError>([&] { p.BuildRequest(); }), "Invalid XML name \"MY FIELD\"");
  // The protocol is fine afterwards.
  p.Clear();
  EXPECT_EQ(p.BuildRequest(), kHead.substr(0, kHead.size() - 8) + "<params/></corvane>\n");
}
