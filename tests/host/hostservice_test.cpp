// The host's answers to the module's requests, read back from their reply documents.
#include <gtest/gtest.h>

#include "host/hostproto.h"
#include "host/hostservice.h"
#include "hostdb_support.h"
#include "protocol/cvxmldom.h"

namespace {

using namespace fanohost;
using hostdb_test::FreshDb;
using hostdb_test::RawDb;

// A reply read back: code, info, scalars and recordsets as maps of attributes.
struct Reply {
  int code = 999;
  std::string info;
  std::vector<std::string> scalars;
  struct Table {
    std::string name;
    std::vector<std::map<std::string, std::string>> rows;
  };
  std::vector<Table> tables;

  explicit Reply(const std::string& text) {
    TCvXmlDom dom;
    std::string error;
    if (!dom.LoadXml(text, &error)) {
      ADD_FAILURE() << "not XML: " << error << "\n" << text;
      return;
    }
    TXmlNode* status = TCvXmlDom::SelectSingleNode(TCvXmlDom::SelectSingleNode(dom.SelectSingleNode("corvane"), "status"), "code");
    if (!status) {
      ADD_FAILURE() << "no status code:\n" << text;
      return;
    }
    code = std::stoi(TCvXmlDom::Text(status));
    info = TCvXmlDom::Text(TCvXmlDom::SelectSingleNode(TCvXmlDom::SelectSingleNode(dom.SelectSingleNode("corvane"), "status"), "info"));
    for (TXmlNode* rs : dom.GetElementsByTagName("rs")) {
      if (TCvXmlDom::GetAttribute(rs, "typ").value_or("") != "recordset") {
        scalars.push_back(TCvXmlDom::Text(rs));
        continue;
      }
      Table t;
      t.name = TCvXmlDom::GetAttribute(rs, "tbname").value_or("");
      for (int i = 0; i < rs->NodeCount(); ++i) {
        std::map<std::string, std::string> row;
        for (int a = 0; a < rs->Nodes(i)->AttributeCount(); ++a)
          row[rs->Nodes(i)->AttributeName(a)] = rs->Nodes(i)->AttributeValue(a);
        t.rows.push_back(std::move(row));
      }
      tables.push_back(std::move(t));
    }
  }
};

std::string Request(const std::string& params) {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?><corvane><params>" + params + "</params></corvane>";
}

class Handler : public FreshDb {
 protected:
  int32_t Open() {
    Reply r(handler.OpenSession("Fano217", "BIL", 0x1234));
    EXPECT_EQ(r.code, 0) << r.info;
    EXPECT_EQ(r.scalars.size(), 1u);
    return r.scalars.empty() ? 0 : std::stoi(r.scalars[0]);
  }
  int64_t SomeDocument() {
    RawDb raw(file.path());
    return raw.Number("SELECT min(BILDA_ID) FROM TB_BILDA WHERE BILDA_ID IN (SELECT BILDB001 FROM TB_BILDB)");
  }
  RequestHandler handler{db};
};

TEST_F(Handler, SessionsOpenWithNewIdsAndCloseOnce) {
  int32_t a = Open();
  int32_t b = Open();
  EXPECT_GT(a, 0);
  EXPECT_NE(a, b);
  ASSERT_EQ(handler.Sessions().size(), 2u);
  EXPECT_EQ(handler.Sessions()[0].requestName, "Fano217");
  EXPECT_EQ(handler.Sessions()[0].moduleCode, "BIL");
  EXPECT_EQ(handler.Sessions()[0].form, 0x1234u);
  EXPECT_EQ(Reply(handler.CloseSession(a, "BIL")).code, 0);
  Reply again(handler.CloseSession(a, "BIL"));
  EXPECT_EQ(again.code, ReplyCode::UnknownSession);
  EXPECT_NE(again.info.find(std::to_string(a)), std::string::npos);
  EXPECT_EQ(handler.FindOpen(a), nullptr);
  EXPECT_NE(handler.FindOpen(b), nullptr);
  EXPECT_EQ(Reply(handler.OpenSession("", "BIL", 0)).code, ReplyCode::BadRequest);
}

TEST_F(Handler, DisplayAnswersTheHeaderAndItsLinesFromTheDatabase) {
  int32_t s = Open();
  int64_t id = SomeDocument();
  Reply r(handler.Command(s, "BIL", "display", Request("<param typ=\"integer\">" + std::to_string(id) + "</param>")));
  ASSERT_EQ(r.code, 0) << r.info;
  ASSERT_EQ(r.tables.size(), 2u);
  EXPECT_EQ(r.tables[0].name, "TB_BILDA");
  ASSERT_EQ(r.tables[0].rows.size(), 1u);
  EXPECT_EQ(r.tables[0].rows[0]["BILDA_ID"], std::to_string(id));
  EXPECT_FALSE(r.tables[0].rows[0]["fields"].empty());
  EXPECT_FALSE(r.tables[0].rows[0]["BILDA006C1"].empty()) << "joined columns come from the views";
  EXPECT_EQ(r.tables[1].name, "TB_BILDB");
  RawDb raw(file.path());
  ASSERT_EQ(static_cast<long long>(r.tables[1].rows.size()),
            raw.Number("SELECT count(*) FROM TB_BILDB WHERE BILDB001 = " + std::to_string(id)));
  for (auto& line : r.tables[1].rows) EXPECT_EQ(line["BILDB001"], std::to_string(id));
}

TEST_F(Handler, DisplayOfAMissingDocumentAnswersEmptyTables) {
  int32_t s = Open();
  Reply r(handler.Command(s, "BIL", "DISPLAY", Request("<param typ=\"integer\">987654</param>")));
  ASSERT_EQ(r.code, 0) << r.info;
  ASSERT_EQ(r.tables.size(), 2u);
  EXPECT_TRUE(r.tables[0].rows.empty());
  EXPECT_TRUE(r.tables[1].rows.empty());
}

TEST_F(Handler, RequestsThatCannotBeAnsweredGetNegativeCodesAndTexts) {
  int32_t s = Open();
  struct Case {
    int32_t session;
    std::string command, request;
    int32_t code;
    const char* text;
  } cases[] = {
      {s + 100, "display", Request("<param>1</param>"), ReplyCode::UnknownSession, "not open"},
      {s, "explode", Request(""), ReplyCode::UnknownCommand, "explode"},
      {s, "display", "garbage <", ReplyCode::BadRequest, "not XML"},
      {s, "display", Request(""), ReplyCode::BadRequest, "BILDA_ID"},
      {s, "display", Request("<param>abc</param>"), ReplyCode::BadRequest, "abc"},
      {s, "singleRecordSet",
       Request("<param typ=\"recordset\" tbname=\"TB_X\"><TB_X op=\"1\" rn=\"1\" pk=\"\" fk=\"\"/></param>"),
       ReplyCode::FromDb(hostdb::DbCode::BadChange), "TB_X"},
  };
  for (const Case& c : cases) {
    Reply r(handler.Command(c.session, "BIL", c.command, c.request));
    EXPECT_EQ(r.code, c.code) << c.command << " " << c.request;
    EXPECT_NE(r.info.find(c.text), std::string::npos) << r.info;
  }
}

TEST_F(Handler, DisplayTakesTheIdFromAVariableWhenNoParameterIsGiven) {
  int32_t s = Open();
  int64_t id = SomeDocument();
  Reply r(handler.Command(s, "BIL", "display",
                          Request("<param typ=\"variable\"><var varname=\"BILDA_ID\" value=\"" + std::to_string(id) +
                                  "\" typ=\"integer\"/></param>")));
  ASSERT_EQ(r.code, 0) << r.info;
  ASSERT_EQ(r.tables[0].rows.size(), 1u);
}

TEST_F(Handler, SearchAnswersTheDocumentList) {
  Reply all(handler.Search("fano217", {}));
  ASSERT_EQ(all.code, 0) << all.info;
  ASSERT_EQ(all.tables.size(), 1u);
  EXPECT_EQ(all.tables[0].name, "TB_BILDA");
  RawDb raw(file.path());
  EXPECT_EQ(static_cast<long long>(all.tables[0].rows.size()), raw.Number("SELECT count(*) FROM TB_BILDA"));
  std::string number = all.tables[0].rows[0]["BILDA002"];
  Reply one(handler.Search("fano217", {hostdb_test::Arg("BILDA002", 0, number)}));
  ASSERT_EQ(one.tables.size(), 1u);
  ASSERT_EQ(one.tables[0].rows.size(), 1u);
  Reply bad(handler.Search("fano217", {hostdb_test::Arg("NOPE", 0, "1")}));
  EXPECT_EQ(bad.code, ReplyCode::FromDb(hostdb::DbCode::BadArgument));
}

TEST_F(Handler, LookupAnswersTheChosenRowOnly) {
  hostdb::RowSet stalls = hostdb_test::LookupAll(db, "vh_pubig_t1");
  ASSERT_FALSE(stalls.rows.empty());
  std::string merchant = stalls.Value(0, "PUBGO_ID").AsString();
  std::vector<hostdb::LookupArg> args{hostdb_test::Arg("arg", 0, merchant)};
  size_t offered = 0;
  std::string seenView;
  Reply r(handler.Lookup("vh_pubig_t1", args, [&](std::string_view view, const hostdb::RowSet& rows) {
    seenView = std::string(view);
    offered = rows.rows.size();
    return std::optional<size_t>(rows.rows.size() - 1);
  }));
  ASSERT_EQ(r.code, 0) << r.info;
  EXPECT_EQ(seenView, "vh_pubig_t1");
  EXPECT_GE(offered, 1u);
  ASSERT_EQ(r.tables.size(), 1u);
  EXPECT_EQ(r.tables[0].name, "vh_pubig_t1");
  ASSERT_EQ(r.tables[0].rows.size(), 1u);
  EXPECT_EQ(r.tables[0].rows[0]["PUBGO_ID"], merchant);
  EXPECT_FALSE(r.tables[0].rows[0]["fields"].empty());
}

TEST_F(Handler, ACancelledOrEmptyLookupAnswersNothingAndAnUnknownViewIsRefused) {
  EXPECT_EQ(handler.Lookup("vh_pubgo", {}, [](std::string_view, const hostdb::RowSet&) { return std::optional<size_t>(); }),
            "");
  bool asked = false;
  EXPECT_EQ(handler.Lookup("vh_pubig_t1", {hostdb_test::Arg("arg", 0, "-1")},
                           [&](std::string_view, const hostdb::RowSet&) {
                             asked = true;
                             return std::optional<size_t>(0);
                           }),
            "");
  EXPECT_FALSE(asked) << "no rows: nothing to choose";
  Reply unknown(handler.Lookup("TB_BILDA", {}, nullptr));
  EXPECT_EQ(unknown.code, ReplyCode::FromDb(hostdb::DbCode::UnknownView));
  Reply past(handler.Lookup("vh_pubgo", {}, [](std::string_view, const hostdb::RowSet& rows) {
    return std::optional<size_t>(rows.rows.size());
  }));
  EXPECT_EQ(past.code, ReplyCode::HostFailure);
}

TEST_F(Handler, SaveAppliesRowsInOneTransactionAndAnswersNewIds) {
  int32_t s = Open();
  RawDb raw(file.path());
  long long before = raw.Number("SELECT count(*) FROM TB_BILDA");
  std::string header =
      "<TB_BILDA op=\"1\" pk=\"BILDA_ID\" fk=\"\" rn=\"1\" BILDA_ID=\"\" BILDA002=\"NEW-0001\" "
      "BILDA003=\"2024-03-05 00:00:00\" BILDA011=\"新单\">"
      "<child tbname=\"TB_BILDB\">"
      "<TB_BILDB op=\"1\" pk=\"BILDB_ID\" fk=\"TB_BILDA:BILDB001\" rn=\"1\" BILDB006=\"12.5\" BILDB008=\"一\"/>"
      "<TB_BILDB op=\"1\" pk=\"BILDB_ID\" fk=\"TB_BILDA:BILDB001\" rn=\"2\" BILDB006=\"7.25\" BILDB008=\"二\"/>"
      "</child></TB_BILDA>";
  Reply r(handler.Command(s, "BIL", "singleRecordSet", Request("<param typ=\"recordset\" tbname=\"TB_BILDA\">" + header + "</param>")));
  ASSERT_EQ(r.code, 0) << r.info;
  ASSERT_EQ(r.tables.size(), 2u);
  ASSERT_EQ(r.tables[0].rows.size(), 1u);
  std::string newId = r.tables[0].rows[0]["id"];
  EXPECT_EQ(r.tables[0].rows[0]["rn"], "1");
  ASSERT_EQ(r.tables[1].rows.size(), 2u);
  EXPECT_EQ(raw.Number("SELECT count(*) FROM TB_BILDA"), before + 1);
  EXPECT_EQ(raw.Number("SELECT count(*) FROM TB_BILDB WHERE BILDB001 = " + newId), 2);
  EXPECT_EQ(raw.Text("SELECT BILDA002 FROM TB_BILDA WHERE BILDA_ID = " + newId), "NEW-0001");

  // A failing second row rolls the first one back.
  std::string bad =
      "<TB_BILDA op=\"3\" pk=\"BILDA_ID\" fk=\"\" BILDA_ID=\"" + newId + "\" BILDA011=\"改\"/>"
      "<TB_BILDA op=\"3\" pk=\"BILDA_ID\" fk=\"\" BILDA_ID=\"" + newId + "\" BILDA003=\"not a date\"/>";
  Reply failed(handler.Command(s, "BIL", "singleRecordSet", Request("<param typ=\"recordset\" tbname=\"TB_BILDA\">" + bad + "</param>")));
  EXPECT_EQ(failed.code, ReplyCode::FromDb(hostdb::DbCode::BadValue)) << failed.info;
  EXPECT_NE(failed.info.find("Row 2"), std::string::npos) << failed.info;
  EXPECT_EQ(raw.Text("SELECT BILDA011 FROM TB_BILDA WHERE BILDA_ID = " + newId), "新单");

  // Deleting the header deletes its lines.
  Reply del(handler.Command(s, "BIL", "singleRecordSet",
                            Request("<param typ=\"recordset\" tbname=\"TB_BILDA\"><TB_BILDA op=\"2\" pk=\"BILDA_ID\" fk=\"\" BILDA_ID=\"" +
                                    newId + "\"><child tbname=\"TB_BILDB\"><TB_BILDB op=\"2\" pk=\"BILDB_ID\" fk=\"\"/></child></TB_BILDA></param>")));
  ASSERT_EQ(del.code, 0) << del.info;
  EXPECT_EQ(raw.Number("SELECT count(*) FROM TB_BILDA"), before);
  EXPECT_EQ(raw.Number("SELECT count(*) FROM TB_BILDB WHERE BILDB001 = " + newId), 0);
}

TEST_F(Handler, ASaveThatIsNotWellFormedChangesNothing) {
  int32_t s = Open();
  RawDb raw(file.path());
  const long long before = raw.Number("SELECT count(*) FROM TB_BILDA");
  const std::string save = Request(
      "<param typ=\"recordset\" tbname=\"TB_BILDA\"><TB_BILDA op=\"1\" pk=\"BILDA_ID\" fk=\"\" rn=\"1\" "
      "BILDA_ID=\"\" BILDA002=\"NEW-0002\" BILDA003=\"2024-03-05 00:00:00\"/></param>");
  for (const std::string& tail : {save, std::string("trailing"), std::string("<x/>")}) {
    Reply r(handler.Command(s, "BIL", "singleRecordSet", save + tail));
    EXPECT_NE(r.code, 0) << tail;
    EXPECT_EQ(raw.Number("SELECT count(*) FROM TB_BILDA"), before) << tail;
  }
  Reply r(handler.Command(s, "BIL", "singleRecordSet", save));
  EXPECT_EQ(r.code, 0) << r.info;
  EXPECT_EQ(raw.Number("SELECT count(*) FROM TB_BILDA"), before + 1);
}

TEST_F(Handler, AClosedDatabaseAnswersEveryRequestWithAnError) {
  int32_t s = Open();
  db.Close();
  EXPECT_EQ(Reply(handler.OpenSession("Fano217", "BIL", 0)).code, ReplyCode::FromDb(hostdb::DbCode::NotOpen));
  EXPECT_EQ(Reply(handler.Command(s, "BIL", "display", Request("<param>1</param>"))).code,
            ReplyCode::FromDb(hostdb::DbCode::NotOpen));
  EXPECT_EQ(Reply(handler.Search("", {})).code, ReplyCode::FromDb(hostdb::DbCode::NotOpen));
}

}  // namespace
