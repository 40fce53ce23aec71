// Request documents as the host reads them, reply documents as it writes them.
#include <gtest/gtest.h>

#include "host/hostproto.h"
#include "protocol/cvxmldom.h"

namespace {

using namespace fanohost;
using hostdb::RowStatus;

std::string Doc(const std::string& params) {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?><corvane><params>" + params + "</params></corvane>";
}

HostRequest Read(const std::string& text) {
  HostRequest req;
  std::string why;
  EXPECT_TRUE(ReadRequest(text, req, why)) << why;
  return req;
}

std::string Refusal(const std::string& text) {
  HostRequest req;
  std::string why;
  EXPECT_FALSE(ReadRequest(text, req, why));
  EXPECT_TRUE(req.params.empty() && req.changes.empty());
  return why;
}

std::string ValueOf(const hostdb::ChangeRow& row, const std::string& name) {
  for (const auto& [n, v] : row.values)
    if (n == name) return v.IsNull() ? "<null>" : v.AsString();
  return "<absent>";
}

TEST(HostRequestReading, ParametersKeepTheirTypesAndUnsetOnesAreMarked) {
  HostRequest req = Read(Doc("<param typ=\"integer\"> 42 </param><param/><param>text &amp; more</param>"
                             "<param typ=\"variable\"><var varname=\"A\" value=\"1\" typ=\"integer\"/>"
                             "<var varname=\"B\" value=\"x\" typ=\"var\"/></param>"));
  ASSERT_EQ(req.params.size(), 3u);
  EXPECT_EQ(req.params[0].type, "integer");
  int64_t id = 0;
  EXPECT_TRUE(ParamAsInt64(req.params[0], id));
  EXPECT_EQ(id, 42);
  EXPECT_TRUE(req.params[1].unset);
  EXPECT_FALSE(ParamAsInt64(req.params[1], id));
  EXPECT_EQ(req.params[2].value, "text & more");
  EXPECT_FALSE(req.params[2].unset);
  ASSERT_EQ(req.variables.size(), 2u);
  EXPECT_EQ(req.variables[1].name, "B");
  EXPECT_EQ(req.variables[1].type, "var");
  EXPECT_TRUE(req.changes.empty());
}

TEST(HostRequestReading, IntegerParametersRefuseWhatIsNoInteger) {
  int64_t v = 0;
  for (const char* bad : {"", "12a", "1.5", "99999999999999999999", "--1"}) {
    RequestParam p;
    p.value = bad;
    EXPECT_FALSE(ParamAsInt64(p, v)) << bad;
  }
  RequestParam p;
  p.value = "-7";
  ASSERT_TRUE(ParamAsInt64(p, v));
  EXPECT_EQ(v, -7);
}

TEST(HostRequestReading, RecordsetRowsAreFlattenedWithTheirNesting) {
  // A save: a deleted line first (wrapper row op 0 of the header), then a modified header with an
  // inserted and a modified line.
  HostRequest req = Read(Doc(
      "<param typ=\"recordset\" tbname=\"TB_BILDA\">"
      "<TB_BILDA op=\"0\" pk=\"BILDA_ID\" fk=\"\"><child tbname=\"TB_BILDB\">"
      "<TB_BILDB op=\"2\" pk=\"BILDB_ID\" fk=\"TB_BILDA:BILDB001\" BILDB_ID=\"77\"/></child></TB_BILDA>"
      "<TB_BILDA op=\"3\" pk=\"BILDA_ID\" fk=\"\" BILDA_ID=\"5\" BILDA011=\"备注\" BILDA003=\"\">"
      "<child tbname=\"TB_BILDB\">"
      "<TB_BILDB op=\"1\" pk=\"BILDB_ID\" fk=\"TB_BILDA:BILDB001\" rn=\"3\" BILDB_ID=\"\" BILDB006=\"12.5\"/>"
      "<TB_BILDB op=\"3\" pk=\"BILDB_ID\" fk=\"TB_BILDA:BILDB001\" BILDB_ID=\"9\" BILDB006=\"1\"/>"
      "</child></TB_BILDA></param>"
      "<param typ=\"recordset\" tbname=\"UNKNOWN\"/>"));
  EXPECT_EQ(req.recordsets, 2);
  ASSERT_EQ(req.changes.size(), 5u);
  const auto& c = req.changes;
  EXPECT_EQ(c[0].table, "TB_BILDA");
  EXPECT_EQ(c[0].status, RowStatus::Unmodified);
  EXPECT_EQ(c[0].parent, -1);
  EXPECT_TRUE(c[0].key.IsEmpty());
  EXPECT_EQ(c[1].status, RowStatus::Deleted);
  EXPECT_EQ(c[1].parent, 0);
  EXPECT_EQ(c[1].key.AsString(), "77");
  EXPECT_EQ(c[2].status, RowStatus::Modified);
  EXPECT_EQ(c[2].key.AsString(), "5");
  EXPECT_EQ(ValueOf(c[2], "BILDA011"), "备注");
  EXPECT_EQ(ValueOf(c[2], "BILDA003"), "<null>");
  EXPECT_EQ(ValueOf(c[2], "op"), "<absent>");
  EXPECT_EQ(c[3].status, RowStatus::Inserted);
  EXPECT_EQ(c[3].parent, 2);
  EXPECT_EQ(c[3].rn, 3);
  EXPECT_TRUE(c[3].key.IsEmpty());
  EXPECT_EQ(ValueOf(c[3], "BILDB006"), "12.5");
  EXPECT_EQ(c[4].status, RowStatus::Modified);
  EXPECT_EQ(c[4].parent, 2);
}

TEST(HostRequestReading, BothDeleteOpsDeleteAndKeylessCascadeRowsStayKeyless) {
  HostRequest req = Read(Doc("<param typ=\"recordset\" tbname=\"TB_BILDA\">"
                             "<TB_BILDA op=\"4\" pk=\"BILDA_ID\" fk=\"\" BILDA_ID=\"8\"><child tbname=\"TB_BILDB\">"
                             "<TB_BILDB op=\"4\" pk=\"BILDB_ID\" fk=\"TB_BILDA:BILDB001\"/></child></TB_BILDA>"
                             "</param>"));
  ASSERT_EQ(req.changes.size(), 2u);
  EXPECT_EQ(req.changes[0].status, RowStatus::Deleted);
  EXPECT_EQ(req.changes[1].status, RowStatus::Deleted);
  EXPECT_EQ(req.changes[1].parent, 0);
  EXPECT_TRUE(req.changes[1].key.IsEmpty());
}

TEST(HostRequestReading, WhatIsNoRequestIsRefusedWithAReason) {
  EXPECT_NE(Refusal("").find("empty"), std::string::npos);
  EXPECT_NE(Refusal("<corvane><params>").find("not XML"), std::string::npos);
  EXPECT_NE(Refusal("<other/>").find("corvane"), std::string::npos);
  EXPECT_NE(Refusal("<corvane/>").find("params"), std::string::npos);
  EXPECT_NE(Refusal(Doc("<x/>")).find("\"x\""), std::string::npos);
  EXPECT_NE(Refusal(Doc("<param typ=\"recordset\"><T pk=\"\"/></param>")).find("no \"op\""), std::string::npos);
  EXPECT_NE(Refusal(Doc("<param typ=\"recordset\"><T op=\"9\"/></param>")).find("unknown op"), std::string::npos);
  EXPECT_NE(Refusal(Doc("<param typ=\"recordset\"><T op=\"1\"/></param>")).find("rn"), std::string::npos);
  EXPECT_NE(Refusal(Doc("<param typ=\"recordset\"><child/></param>")).find("outside a row"), std::string::npos);
  EXPECT_NE(Refusal(Doc("<param typ=\"recordset\"><T op=\"0\"><U op=\"1\"/></T></param>")).find("only \"child\""),
            std::string::npos);
  EXPECT_NE(Refusal(Doc("<param typ=\"variable\"><v/></param>")).find("variable"), std::string::npos);
}

TEST(HostRequestReading, OnlyAWellFormedDocumentIsARequest) {
  const std::string good = Doc("<param typ=\"string\">x</param>");
  Read(good);
  Read(good + "\r\n  \n");  // blanks after the root are no content
  Read(good + "<!-- end -->");
  for (const std::string tail : {"<corvane><params/></corvane>", "trailing text", "<x/>", "]]>", "<![CDATA[x]]>"})
    EXPECT_NE(Refusal(good + tail).find("not XML"), std::string::npos) << tail;
  EXPECT_NE(Refusal("text before" + good).find("not XML"), std::string::npos);
  EXPECT_NE(Refusal(good + "<?xml version=\"1.0\"?>").find("not XML"), std::string::npos);
}

TEST(HostRequestReading, DeepNestingIsReadWithoutRecursion) {
  std::string open, close;
  const int depth = 1500;  // two elements per level, under the XML library's limit
  for (int i = 0; i < depth; ++i) {
    open += "<T op=\"0\" pk=\"\" fk=\"\"><child tbname=\"T\">";
    close += "</child></T>";
  }
  HostRequest req = Read(Doc("<param typ=\"recordset\" tbname=\"T\">" + open + close + "</param>"));
  ASSERT_EQ(req.changes.size(), static_cast<size_t>(depth));
  EXPECT_EQ(req.changes.back().parent, depth - 2);
}

// ---- replies ----

struct ReadBack {
  TCvXmlDom dom;
  TXmlNode* root = nullptr;
  std::vector<TXmlNode*> rs;
  explicit ReadBack(const std::string& text) {
    std::string error;
    EXPECT_TRUE(dom.LoadXml(text, &error)) << error << "\n" << text;
    root = dom.SelectSingleNode("corvane");
    EXPECT_NE(root, nullptr);
    rs = dom.GetElementsByTagName("rs");
  }
  std::string Status(const char* what) {
    TXmlNode* status = TCvXmlDom::SelectSingleNode(root, "status");
    TXmlNode* n = TCvXmlDom::SelectSingleNode(status, what);
    return n ? TCvXmlDom::Text(n) : "<absent>";
  }
};

hostdb::RowSet SampleRows() {
  hostdb::RowSet rows;
  rows.table = "vh_pubgo";
  rows.columns = {{"PUBGO_ID", "INTEGER", 0, 0}, {"PUBGO001", "VARCHAR", 20, 0}, {"AMOUNT", "NUMBER", 12, 2}};
  rows.rows.push_back({Variant(int64_t(3)), Variant(std::string("G<&>\"'")), Variant(12.5)});
  rows.rows.push_back({Variant(int64_t(4)), Variant::Null(), Variant(-1.0)});
  return rows;
}

TEST(HostReplyWriting, StatusScalarsAndTextsAreEscaped) {
  ReplyWriter w(-15, "bad <arg> & \"more\"");
  w.AddScalar("integer", "42");
  w.AddScalar("string", "");
  ReadBack r(w.Text());
  EXPECT_EQ(r.Status("code"), "-15");
  EXPECT_EQ(r.Status("info"), "bad <arg> & \"more\"");
  ASSERT_EQ(r.rs.size(), 2u);
  EXPECT_EQ(TCvXmlDom::GetAttribute(r.rs[0], "typ").value_or(""), "integer");
  EXPECT_EQ(TCvXmlDom::Text(r.rs[0]), "42");
  EXPECT_EQ(TCvXmlDom::Text(r.rs[1]), "");
  EXPECT_NE(w.Text().find("encoding=\"utf-8\""), std::string::npos);
}

TEST(HostReplyWriting, RecordsetsDescribeTheirFieldsOnTheFirstRowAndLeaveNullsOut) {
  ReplyWriter w(0, "");
  w.AddRecordset(SampleRows());
  ReadBack r(w.Text());
  ASSERT_EQ(r.rs.size(), 1u);
  EXPECT_EQ(TCvXmlDom::GetAttribute(r.rs[0], "tbname").value_or(""), "vh_pubgo");
  ASSERT_EQ(r.rs[0]->NodeCount(), 2);
  TXmlNode* first = r.rs[0]->Nodes(0);
  TXmlNode* second = r.rs[0]->Nodes(1);
  EXPECT_EQ(TCvXmlDom::GetAttribute(first, "fields").value_or(""),
            "PUBGO_ID:INTEGER:0:0 PUBGO001:VARCHAR:20:0 AMOUNT:NUMBER:12:2");
  EXPECT_FALSE(TCvXmlDom::GetAttribute(second, "fields"));
  EXPECT_EQ(TCvXmlDom::GetAttribute(first, "PUBGO001").value_or(""), "G<&>\"'");
  EXPECT_EQ(TCvXmlDom::GetAttribute(first, "AMOUNT").value_or(""), "12.50");
  EXPECT_FALSE(TCvXmlDom::GetAttribute(second, "PUBGO001"));
  EXPECT_EQ(TCvXmlDom::GetAttribute(second, "PUBGO_ID").value_or(""), "4");
}

TEST(HostReplyWriting, ASliceOfRowsCarriesTheFieldsOnItsOwnFirstRow) {
  ReplyWriter w(0, "");
  hostdb::RowSet rows = SampleRows();
  w.AddRecordset(rows, 1, 1);
  w.AddRecordset(rows, 5, 1);  // past the end: an empty recordset
  ReadBack r(w.Text());
  ASSERT_EQ(r.rs.size(), 2u);
  ASSERT_EQ(r.rs[0]->NodeCount(), 1);
  EXPECT_TRUE(TCvXmlDom::GetAttribute(r.rs[0]->Nodes(0), "fields"));
  EXPECT_EQ(TCvXmlDom::GetAttribute(r.rs[0]->Nodes(0), "PUBGO_ID").value_or(""), "4");
  EXPECT_EQ(r.rs[1]->NodeCount(), 0);
}

TEST(HostReplyWriting, RowIdsGoToOneRecordsetPerTable) {
  ReplyWriter w(0, "");
  w.AddRowIds({{"TB_BILDA", 1, 500}, {"TB_BILDB", 1, 900}, {"TB_BILDB", 2, 901}});
  ReadBack r(w.Text());
  ASSERT_EQ(r.rs.size(), 2u);
  EXPECT_EQ(TCvXmlDom::GetAttribute(r.rs[0], "tbname").value_or(""), "TB_BILDA");
  ASSERT_EQ(r.rs[1]->NodeCount(), 2);
  TXmlNode* id = r.rs[1]->Nodes(1);
  EXPECT_EQ(TCvXmlDom::GetAttribute(id, "rn").value_or(""), "2");
  EXPECT_EQ(TCvXmlDom::GetAttribute(id, "id").value_or(""), "901");
  EXPECT_EQ(TCvXmlDom::GetAttribute(id, "tbname").value_or(""), "TB_BILDB");
}

TEST(HostReplyWriting, InvalidUtf8InATextIsMadeValid) {
  ReadBack r(StatusReply(-1, std::string("bad \xff\xfe byte")));
  EXPECT_EQ(r.Status("code"), "-1");
  EXPECT_NE(r.Status("info").find("bad"), std::string::npos);
}

}  // namespace

namespace {

// The reply as the XML library writes the same document from nodes: the writer places its text
// straight, and must give the very same bytes.
std::string ReplyThroughNodes(int32_t code, const std::string& info, const std::string& scalar,
                              const hostdb::RowSet& rows, const std::vector<hostdb::NewRowId>& ids) {
  TCvXmlDom dom;
  dom.AppendChild(dom.CreateProcessingInstruction("xml", "version=\"1.0\" encoding=\"utf-8\""));
  TXmlNode* root = dom.AppendChild(dom.CreateElement("corvane"));
  TXmlNode* status = TCvXmlDom::AppendChild(root, dom.CreateElement("status"));
  TCvXmlDom::AppendChild(TCvXmlDom::AppendChild(status, dom.CreateElement("code")),
                         dom.CreateTextNode(std::to_string(code)));
  TXmlNode* i = TCvXmlDom::AppendChild(status, dom.CreateElement("info"));
  if (!info.empty()) TCvXmlDom::AppendChild(i, dom.CreateTextNode(info));
  TXmlNode* s = TCvXmlDom::AppendChild(root, dom.CreateElement("rs"));
  TCvXmlDom::SetAttribute(s, "typ", "string");
  TCvXmlDom::AppendChild(s, dom.CreateTextNode(scalar));
  TXmlNode* rs = TCvXmlDom::AppendChild(root, dom.CreateElement("rs"));
  TCvXmlDom::SetAttribute(rs, "typ", "recordset");
  TCvXmlDom::SetAttribute(rs, "tbname", rows.table);
  std::string fields;
  for (const hostdb::Column& c : rows.columns) fields += (fields.empty() ? "" : " ") + c.Describe();
  for (size_t r = 0; r < rows.rows.size(); ++r) {
    TXmlNode* row = TCvXmlDom::AppendChild(rs, dom.CreateElement("row"));
    if (r == 0) TCvXmlDom::SetAttribute(row, "fields", fields);
    for (size_t c = 0; c < rows.columns.size(); ++c)
      if (!rows.rows[r][c].IsNull()) TCvXmlDom::SetAttribute(row, rows.columns[c].name, hostdb::ValueText(rows.columns[c], rows.rows[r][c]));
  }
  TXmlNode* empty = TCvXmlDom::AppendChild(root, dom.CreateElement("rs"));
  TCvXmlDom::SetAttribute(empty, "typ", "recordset");
  TCvXmlDom::SetAttribute(empty, "tbname", "TB_EMPTY");
  TXmlNode* idSet = TCvXmlDom::AppendChild(root, dom.CreateElement("rs"));
  TCvXmlDom::SetAttribute(idSet, "typ", "recordset");
  TCvXmlDom::SetAttribute(idSet, "tbname", ids[0].table);
  for (const hostdb::NewRowId& id : ids) {
    TXmlNode* row = TCvXmlDom::AppendChild(idSet, dom.CreateElement("rowid"));
    TCvXmlDom::SetAttribute(row, "rn", std::to_string(id.rn));
    TCvXmlDom::SetAttribute(row, "tbname", id.table);
    TCvXmlDom::SetAttribute(row, "id", std::to_string(id.id));
  }
  return dom.Xml();
}

TEST(HostReplyWriting, TheTextIsTheOneTheLibraryWritesFromNodes) {
  hostdb::RowSet rows;
  rows.table = "TB_BILDA";
  rows.columns = {{"BILDA_ID", "INTEGER", 0, 0}, {"BILDA002", "VARCHAR", 16, 0}, {"AMOUNT", "NUMBER", 14, 2},
                  {"BILDA003", "DATE", 0, 0}};
  rows.rows = {{Variant::FromInt64(7), Variant("a&b<c>\"d'e\t费用\n"), Variant(12.5), Variant::FromDateTime(45000.5)},
               {Variant::Null(), Variant(""), Variant::Null(), Variant::Null()},
               {Variant::FromInt64(-3), Variant::Null(), Variant(0.125), Variant::FromDateTime(1.25)}};
  hostdb::RowSet none;
  none.table = "TB_EMPTY";
  none.columns = rows.columns;
  const std::vector<hostdb::NewRowId> ids = {{"TB_BILDB", 1, 90}, {"TB_BILDB", 2, 91}};
  ReplyWriter w(-14, "Unknown view \"x\" & <y>");
  w.AddScalar("string", "it's <here>");
  w.AddRecordset(rows);
  w.AddRecordset(none);
  w.AddRowIds(ids);
  EXPECT_EQ(w.Text(), ReplyThroughNodes(-14, "Unknown view \"x\" & <y>", "it's <here>", rows, ids));
  EXPECT_EQ(w.Take(), ReplyThroughNodes(-14, "Unknown view \"x\" & <y>", "it's <here>", rows, ids));
}

}  // namespace
