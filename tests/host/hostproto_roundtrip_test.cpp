// The host's documents against the module's protocol objects: replies the host writes are read by
// TCvProtocol.ParseReply, and requests TCvProtocol.BuildRequest writes are read and answered by the
// host, the save exchange included (new ids written back into the form's tables).
#include <gtest/gtest.h>

#include "host/hostproto.h"
#include "host/hostservice.h"
#include "hostdb_support.h"
#include "memtable/memtable.h"
#include "platform/rtl/sysutils.h"
#include "protocol/cvprotocol.h"

namespace {

using namespace fanohost;
using hostdb_test::FreshDb;
using hostdb_test::RawDb;

class RoundTrip : public FreshDb {
 protected:
  int32_t Open() {
    TCvProtocol p;
    EXPECT_TRUE(p.ParseReply(handler.OpenSession("Fano217", "BIL", 0))) << p.ErrorText();
    EXPECT_EQ(p.Code(), 0);
    EXPECT_EQ(p.GetParamCount(), 1);
    return p.GetParamCount() ? p.GetParam(0)->AsInteger() : 0;
  }
  RequestHandler handler{db};
};

// The form's header and line tables, as the document form builds them (a subset of the fields).
void MakeHeader(TMemTableGx& t) {
  t.SetName("mtblMain");
  t.FieldDefs().Add("BILDA_ID", ftInteger);
  t.FieldDefs().Add("BILDA002", ftString, 16);
  t.FieldDefs().Add("BILDA003", ftDate);
  t.FieldDefs().Add("BILDA011", ftString, 255);
  t.FieldDefs().Add("BILDA006C1", ftString, 20);
  t.FieldDefs().Add("FLAG", ftInteger);
  t.CreateDataSet();
  t.SetCvTableName("TB_BILDA");
  t.SetPKName("BILDA_ID");
  t.FieldByName("BILDA_ID")->SetIsKey(true);
  t.FieldByName("BILDA006C1")->SetIsJoin(true);
  t.SetCachedUpdates(true);
}

void MakeLines(TMemTableGx& t) {
  t.SetName("mtblSub");
  t.FieldDefs().Add("BILDB_ID", ftInteger);
  t.FieldDefs().Add("BILDB001", ftInteger);
  t.FieldDefs().Add("BILDB006", ftFloat);
  t.FieldDefs().Add("BILDB008", ftString, 255);
  t.CreateDataSet();
  t.SetCvTableName("TB_BILDB");
  t.SetPKName("BILDB_ID");
  t.SetFKName("TB_BILDA:BILDB001");
  t.FieldByName("BILDB_ID")->SetIsKey(true);
  t.SetCachedUpdates(true);
}

void MakeDelta(TMemTableGx& delta, TMemTableGx& like) {
  delta.FieldDefs().Assign(&like.FieldDefs());
  delta.CreateDataSet();
  delta.SetCvTableName(like.CvTableName());
  delta.SetFKName(like.FKName());
}

void Append(TMemTableGx& t, const std::vector<Variant>& values) {
  t.Append();
  for (size_t i = 0; i < values.size(); ++i) t.Fields()[static_cast<int>(i)]->SetValue(values[i]);
  t.Post();
}

TEST_F(RoundTrip, TheOpenReplyGivesTheSessionIdAndARefusalItsNegativeCode) {
  int32_t id = Open();
  EXPECT_GT(id, 0);
  TCvProtocol p;
  ASSERT_TRUE(p.ParseReply(handler.CloseSession(id + 5, "BIL"))) << p.ErrorText();
  EXPECT_EQ(p.Code(), ReplyCode::UnknownSession);
  EXPECT_NE(p.Info().find("not open"), std::string::npos);
}

TEST_F(RoundTrip, DisplayRequestAndReplyCarryTheDocumentWithTypedFields) {
  int32_t session = Open();
  RawDb raw(file.path());
  long long id = raw.Number("SELECT min(BILDB001) FROM TB_BILDB");
  TCvProtocol p;
  p.Clear();
  p.GetParam(p.AddParam())->SetAsInteger(static_cast<int32_t>(id));
  std::string reply = handler.Command(session, "BIL", "display", p.BuildRequest());
  ASSERT_TRUE(p.ParseReply(reply)) << p.ErrorText() << "\n" << reply.substr(0, 400);
  ASSERT_EQ(p.Code(), 0) << p.Info();
  ASSERT_EQ(p.GetTableCount(), 2);
  TMemTableGx* header = p.GetTable(0)->Data();
  TMemTableGx* lines = p.GetTable(1)->Data();
  EXPECT_EQ(header->CvTableName(), "TB_BILDA");
  ASSERT_EQ(header->RecordCount(), 1);
  EXPECT_EQ(header->FieldByName("BILDA_ID")->DataType(), ftLargeint);
  EXPECT_EQ(header->FieldByName("BILDA_ID")->AsLargeInt(), id);
  EXPECT_EQ(header->FieldByName("BILDA002")->DataType(), ftString);
  EXPECT_EQ(header->FieldByName("BILDA002")->AsString(),
            raw.Text("SELECT BILDA002 FROM TB_BILDA WHERE BILDA_ID = " + std::to_string(id)));
  EXPECT_EQ(header->FieldByName("BILDA003")->DataType(), ftDate);
  EXPECT_EQ(header->FieldByName("BILDA006C1")->AsString(),
            raw.Text("SELECT PUBGO001 FROM TB_PUBGO JOIN TB_BILDA ON BILDA006 = PUBGO_ID WHERE BILDA_ID = " +
                     std::to_string(id)));
  EXPECT_EQ(lines->RecordCount(), raw.Number("SELECT count(*) FROM TB_BILDB WHERE BILDB001 = " + std::to_string(id)));
  EXPECT_EQ(lines->FieldByName("BILDB006")->DataType(), ftFloat);
  double total = 0;
  for (lines->First(); !lines->Eof(); lines->Next()) total += lines->FieldByName("BILDB006")->AsFloat();
  EXPECT_NEAR(total, std::stod(raw.Text("SELECT sum(BILDB006) FROM TB_BILDB WHERE BILDB001 = " + std::to_string(id))),
              0.005);
}

TEST_F(RoundTrip, ALookupReplyIsOneRowTheFormCanCopy) {
  TCvProtocol p;
  std::string reply = handler.Lookup("vh_pubcb", {}, [](std::string_view, const hostdb::RowSet&) {
    return std::optional<size_t>(0);
  });
  ASSERT_TRUE(p.ParseReply(reply)) << p.ErrorText();
  ASSERT_EQ(p.GetTableCount(), 1);
  TMemTableGx* row = p.GetTable(0)->Data();
  EXPECT_EQ(row->CvTableName(), "VH_PUBCB");
  ASSERT_EQ(row->RecordCount(), 1);
  for (const char* field : {"PUBCB_ID", "PUBCB001", "PUBCB002", "PUBCB005"})
    EXPECT_NE(row->FindField(field), nullptr) << field;
}

TEST_F(RoundTrip, ASaveOfANewDocumentWithLinesGetsItsKeysBack) {
  int32_t session = Open();
  TMemTableGx header(nullptr), headerDelta(nullptr), lines(nullptr), linesDelta(nullptr);
  MakeHeader(header);
  MakeDelta(headerDelta, header);
  MakeLines(lines);
  MakeDelta(linesDelta, lines);
  // A new document: temporary keys, as the form leaves them before the host gives real ones.
  Append(header, {Variant(-1), Variant(std::string("FY-NEW-1")), Variant::FromDateTime(EncodeDate(2024, 3, 5)),
                  Variant(std::string("新的垫付单")), Variant(std::string("joined")), Variant(0)});
  Append(lines, {Variant(-1), Variant(-1), Variant(12.5), Variant(std::string("第一行"))});
  Append(lines, {Variant(-2), Variant(-1), Variant(7.25), Variant(std::string("第二行"))});

  TCvProtocol p;
  p.Clear();
  p.SetDeleteMode(1);
  p.SetCopyMode(2);
  TCvTable* table = p.GetTable(p.AddTable());
  header.First();
  table->SetData(&header);
  table->SetDelta(&headerDelta);
  table->AddChild(&lines, &linesDelta);
  std::string request = p.BuildRequest();
  std::string reply = handler.Command(session, "BIL", "singleRecordSet", request);
  ASSERT_TRUE(p.ParseReply(reply)) << p.ErrorText();
  ASSERT_EQ(p.Code(), 0) << p.Info() << "\n" << request;
  p.ApplyNewIds(&header);
  p.ApplyNewIds(&lines);
  header.First();
  int64_t id = header.FieldByName("BILDA_ID")->AsInteger();
  EXPECT_GT(id, 0);
  RawDb raw(file.path());
  EXPECT_EQ(raw.Text("SELECT BILDA002 FROM TB_BILDA WHERE BILDA_ID = " + std::to_string(id)), "FY-NEW-1");
  EXPECT_EQ(raw.Text("SELECT substr(BILDA003, 1, 10) FROM TB_BILDA WHERE BILDA_ID = " + std::to_string(id)),
            "2024-03-05");
  EXPECT_EQ(raw.Number("SELECT count(*) FROM TB_BILDB WHERE BILDB001 = " + std::to_string(id)), 2);
  for (lines.First(); !lines.Eof(); lines.Next()) {
    int64_t lineId = lines.FieldByName("BILDB_ID")->AsInteger();
    EXPECT_GT(lineId, 0);
    EXPECT_EQ(raw.Text("SELECT BILDB008 FROM TB_BILDB WHERE BILDB_ID = " + std::to_string(lineId)),
              lines.FieldByName("BILDB008")->AsString());
  }

  // Deleting it again: the stored header goes to the delta table, the request cascades to the lines.
  header.MergeChangeLog();
  lines.MergeChangeLog();
  Append(headerDelta, {Variant(static_cast<int32_t>(id)), Variant(std::string("FY-NEW-1")), Variant::Null(),
                       Variant::Null(), Variant::Null(), Variant(0)});
  header.First();
  header.Delete();
  TCvProtocol d;
  d.SetDeleteMode(1);
  TCvTable* del = d.GetTable(d.AddTable());
  del->SetData(&header);
  del->SetDelta(&headerDelta);
  del->AddChild(&lines, &linesDelta);
  ASSERT_TRUE(d.ParseReply(handler.Command(session, "BIL", "singleRecordSet", d.BuildRequest()))) << d.ErrorText();
  EXPECT_EQ(d.Code(), 0) << d.Info();
  EXPECT_EQ(raw.Number("SELECT count(*) FROM TB_BILDA WHERE BILDA_ID = " + std::to_string(id)), 0);
  EXPECT_EQ(raw.Number("SELECT count(*) FROM TB_BILDB WHERE BILDB001 = " + std::to_string(id)), 0);
}

// One save deletes a document, a line of a document it keeps, and a line of a document that is not
// in the form at all: the host removes those and nothing else.
TEST_F(RoundTrip, DeletedLinesOfKeptDocumentsGoInTheSameSaveAsADeletedDocument) {
  int32_t session = Open();
  std::vector<std::pair<int32_t, std::vector<int32_t>>> docs;  // three documents with two lines or more
  hostdb::RowSet all = hostdb_test::AllDocuments(db), h, d;
  for (size_t r = 0; r < all.rows.size() && docs.size() < 3; ++r) {
    const auto id = static_cast<int32_t>(all.Value(r, "BILDA_ID").AsInt64());
    ASSERT_TRUE(db.Display(id, h, d).ok());
    if (d.rows.size() < 2) continue;
    docs.emplace_back(id, std::vector<int32_t>());
    for (size_t l = 0; l < d.rows.size(); ++l) docs.back().second.push_back(static_cast<int32_t>(d.Value(l, "BILDB_ID").AsInt64()));
  }
  ASSERT_EQ(docs.size(), 3u);
  const auto& [gone, goneLines] = docs[0];
  const auto& [kept, keptLines] = docs[1];
  const auto& [other, otherLines] = docs[2];
  TMemTableGx header(nullptr), headerDelta(nullptr), lines(nullptr), linesDelta(nullptr);
  MakeHeader(header);
  MakeDelta(headerDelta, header);
  MakeLines(lines);
  MakeDelta(linesDelta, lines);
  Append(header, {Variant(kept), Variant(std::string("FY-KEPT")), Variant::Null(), Variant::Null(), Variant::Null(), Variant(0)});
  header.MergeChangeLog();
  Append(headerDelta, {Variant(gone), Variant(std::string("FY-GONE")), Variant::Null(), Variant::Null(), Variant::Null(), Variant(0)});
  for (int32_t line : goneLines) Append(linesDelta, {Variant(line), Variant(gone), Variant(0.0), Variant::Null()});
  Append(linesDelta, {Variant(keptLines[0]), Variant(kept), Variant(0.0), Variant::Null()});
  Append(linesDelta, {Variant(otherLines[0]), Variant(other), Variant(0.0), Variant::Null()});
  TCvProtocol p;
  p.SetDeleteMode(1);
  TCvTable* table = p.GetTable(p.AddTable());
  table->SetData(&header);
  table->SetDelta(&headerDelta);
  table->AddChild(&lines, &linesDelta);
  RawDb raw(file.path());
  const long long before = raw.Number("SELECT count(*) FROM TB_BILDB");
  ASSERT_TRUE(p.ParseReply(handler.Command(session, "BIL", "singleRecordSet", p.BuildRequest()))) << p.ErrorText();
  ASSERT_EQ(p.Code(), 0) << p.Info();
  EXPECT_EQ(raw.Number("SELECT count(*) FROM TB_BILDA WHERE BILDA_ID IN (" + std::to_string(kept) + ", " +
                       std::to_string(other) + ")"), 2);
  EXPECT_EQ(raw.Number("SELECT count(*) FROM TB_BILDA WHERE BILDA_ID = " + std::to_string(gone)), 0);
  EXPECT_EQ(raw.Number("SELECT count(*) FROM TB_BILDB WHERE BILDB_ID IN (" + std::to_string(keptLines[0]) + ", " +
                       std::to_string(otherLines[0]) + ")"), 0);
  EXPECT_EQ(raw.Number("SELECT count(*) FROM TB_BILDB"), before - static_cast<long long>(goneLines.size()) - 2);
}

TEST_F(RoundTrip, AGarbledReplyIsRefusedByTheReader) {
  std::string reply = handler.OpenSession("Fano217", "BIL", 0);
  TCvProtocol p;
  EXPECT_FALSE(p.ParseReply(reply.substr(0, reply.size() / 2) + "<<garbled"));
  EXPECT_FALSE(p.ErrorText().empty());
}

}  // namespace
