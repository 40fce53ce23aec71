// Applying a save: inserted headers with their nested lines and the new ids, modified and deleted
// rows, cascades, all-or-nothing on any failing row, typed values, and names that never reach SQL.
#include "platform/rtl/sysutils.h"
#include "tests/host/hostdb_support.h"

namespace hostdb_test {
namespace {

using Values = std::vector<std::pair<std::string, Variant>>;

ChangeRow Row(const char* table, RowStatus status, Variant key, Values values = {}, int parent = -1, int64_t rn = 0) {
  ChangeRow row;
  row.table = table;
  row.status = status;
  row.key = std::move(key);
  row.values = std::move(values);
  row.parent = parent;
  row.rn = rn;
  return row;
}

ChangeRow Insert(const char* table, int64_t rn, Values values, int parent = -1) {
  return Row(table, RowStatus::Inserted, Variant(), std::move(values), parent, rn);
}

Variant Id(int64_t v) { return Variant::FromInt64(v); }

class ApplyTest : public FreshDb {
 protected:
  RawDb& raw() {
    if (!raw_) raw_ = std::make_unique<RawDb>(file.path());
    return *raw_;
  }
  long long Count(const std::string& sql) { return raw().Number(sql); }
  std::string Text(const std::string& sql) { return raw().Text(sql); }

  // A document with at least `lines` lines: its id and its line ids.
  std::pair<int64_t, std::vector<int64_t>> Document(size_t lines, size_t skip = 0) {
    RowSet all = AllDocuments(db);
    for (size_t r = 0; r < all.rows.size(); ++r) {
      RowSet header, detail;
      int64_t id = all.Value(r, "BILDA_ID").AsInt64();
      EXPECT_TRUE(db.Display(id, header, detail).ok());
      if (detail.rows.size() < lines) continue;
      if (skip-- > 0) continue;
      std::vector<int64_t> ids;
      for (size_t l = 0; l < detail.rows.size(); ++l) ids.push_back(detail.Value(l, "BILDB_ID").AsInt64());
      return {id, ids};
    }
    ADD_FAILURE() << "no document with " << lines << " lines";
    return {};
  }

  DbStatus Apply(const std::vector<ChangeRow>& rows) {
    ids.clear();
    return db.ApplyChanges(rows, ids);
  }

  std::vector<NewRowId> ids;

 private:
  std::unique_ptr<RawDb> raw_;
};

TEST_F(ApplyTest, InsertsAHeaderWithItsLinesAndAnswersTheNewIds) {
  RowSet contracts = LookupAll(db, "vh_conbe");
  int64_t contract = contracts.Value(0, "CONBE_ID").AsInt64();
  int64_t merchant = contracts.Value(0, "CONBE001").AsInt64();
  int64_t stall = contracts.Value(0, "CONBE002").AsInt64();
  long long before = Count("SELECT max(BILDA_ID) FROM TB_BILDA");

  DbStatus st = Apply({
      Insert("TB_BILDA", 1,
             {{"BILDA_ID", Id(0)},  // the database assigns the key
              {"BILDA002", "FD2099010001"},
              {"BILDA003", "2099-01-02 00:00:00"},
              {"BILDA006", Id(merchant)},
              {"BILDA006C1", "ignored: display only"},
              {"BILDA007", Id(stall)},
              {"BILDA008", Id(contract)},
              {"BILDA011", "测试垫付"},
              {"BILDA013", "1"},
              {"CREATE_USER", "admin"},
              {"FLAG", Id(0)}}),
      Insert("TB_BILDB", 1, {{"BILDB001", ""}, {"BILDB006", "12.5"}, {"BILDB008", "第一行"}}, 0),
      Insert("TB_BILDB", 2, {{"BILDB006", Variant(7.25)}}, 0),
  });
  ASSERT_TRUE(st.ok()) << st.text;
  ASSERT_EQ(ids.size(), 3u);
  EXPECT_EQ(ids[0].table, "TB_BILDA");
  EXPECT_EQ(ids[0].rn, 1);
  EXPECT_GT(ids[0].id, before);
  EXPECT_EQ(ids[1].table, "TB_BILDB");
  EXPECT_EQ(ids[1].rn, 1);
  EXPECT_EQ(ids[2].rn, 2);
  EXPECT_NE(ids[1].id, ids[2].id);

  RowSet header, lines;
  ASSERT_TRUE(db.Display(ids[0].id, header, lines).ok());
  ASSERT_EQ(header.rows.size(), 1u);
  EXPECT_EQ(header.Value(0, "BILDA002").AsString(), "FD2099010001");
  EXPECT_EQ(header.Value(0, "BILDA003").AsDateTime(), EncodeDate(2099, 1, 2));
  // Joined columns come from the referenced records, not from what was sent.
  EXPECT_EQ(header.Value(0, "BILDA006C1").AsString(), contracts.Value(0, "CONBE001C1").AsString());
  EXPECT_EQ(header.Value(0, "BILDA008C1").AsString(), contracts.Value(0, "CONBE003").AsString());
  EXPECT_EQ(header.Value(0, "BILDA007C1").AsString(), contracts.Value(0, "CONBE002C1").AsString());
  EXPECT_TRUE(header.Value(0, "BILDA001").IsNull());
  ASSERT_EQ(lines.rows.size(), 2u);
  EXPECT_EQ(lines.Value(0, "BILDB_ID").AsInt64(), ids[1].id);
  EXPECT_EQ(lines.Value(0, "BILDB001").AsInt64(), ids[0].id);
  EXPECT_EQ(lines.Value(1, "BILDB001").AsInt64(), ids[0].id);
  EXPECT_DOUBLE_EQ(lines.Value(0, "BILDB006").AsDouble(), 12.5);
  EXPECT_DOUBLE_EQ(lines.Value(1, "BILDB006").AsDouble(), 7.25);
  EXPECT_EQ(lines.Value(0, "BILDB008").AsString(), "第一行");
}

TEST_F(ApplyTest, ModifiesAndDeletesUnderAnUnchangedHeader) {
  auto [doc, lineIds] = Document(2);
  DbStatus st = Apply({
      Row("TB_BILDA", RowStatus::Unmodified, Id(doc)),
      Row("TB_BILDB", RowStatus::Deleted, Id(lineIds[1]), {}, 0),
      Row("TB_BILDB", RowStatus::Modified, Id(lineIds[0]), {{"BILDB006", "99.99"}, {"BILDB008", "已改"}}, 0),
      Row("TB_BILDA", RowStatus::Modified, Variant(), {{"BILDA_ID", Id(doc)}, {"BILDA011", "已修改"}, {"MODIFIER", "lijuan"}}),
  });
  ASSERT_TRUE(st.ok()) << st.text;
  EXPECT_TRUE(ids.empty());
  RowSet header, lines;
  ASSERT_TRUE(db.Display(doc, header, lines).ok());
  EXPECT_EQ(header.Value(0, "BILDA011").AsString(), "已修改");
  EXPECT_EQ(header.Value(0, "MODIFIER").AsString(), "lijuan");
  EXPECT_EQ(lines.rows.size(), lineIds.size() - 1);
  EXPECT_EQ(lines.Value(0, "BILDB_ID").AsInt64(), lineIds[0]);
  EXPECT_DOUBLE_EQ(lines.Value(0, "BILDB006").AsDouble(), 99.99);
  EXPECT_EQ(lines.Value(0, "BILDB008").AsString(), "已改");
  EXPECT_EQ(Count("SELECT count(*) FROM TB_BILDB WHERE BILDB_ID = " + std::to_string(lineIds[1])), 0);
}

TEST_F(ApplyTest, DeletingAHeaderDeletesItsLines) {
  auto [first, firstLines] = Document(1);
  auto [second, secondLines] = Document(1, 1);
  long long documents = Count("SELECT count(*) FROM TB_BILDA");
  // As the form sends it: the header with a keyless line row meaning "all its lines" ...
  ASSERT_TRUE(Apply({Row("TB_BILDA", RowStatus::Deleted, Id(first)), Row("TB_BILDB", RowStatus::Deleted, Variant(), {}, 0)})
                  .ok());
  // ... and the header alone.
  ASSERT_TRUE(Apply({Row("TB_BILDA", RowStatus::Deleted, Variant(), {{"BILDA_ID", Id(second)}})}).ok());
  EXPECT_EQ(Count("SELECT count(*) FROM TB_BILDA"), documents - 2);
  for (int64_t doc : {first, second})
    EXPECT_EQ(Count("SELECT count(*) FROM TB_BILDB WHERE BILDB001 = " + std::to_string(doc)), 0);
  EXPECT_EQ(Text("PRAGMA foreign_key_check"), "");
}

TEST_F(ApplyTest, AKeylessLineDeleteTakesOnlyThatHeadersLines) {
  auto [doc, lineIds] = Document(2);
  long long lines = Count("SELECT count(*) FROM TB_BILDB");
  ASSERT_TRUE(Apply({Row("TB_BILDA", RowStatus::Unmodified, Id(doc)), Row("TB_BILDB", RowStatus::Deleted, Variant(), {}, 0)})
                  .ok());
  EXPECT_EQ(Count("SELECT count(*) FROM TB_BILDB"), lines - static_cast<long long>(lineIds.size()));
  EXPECT_EQ(Count("SELECT count(*) FROM TB_BILDA WHERE BILDA_ID = " + std::to_string(doc)), 1);
}

// Any failing row rolls back every row before it; the text names the row.
TEST_F(ApplyTest, AFailingRowRollsBackTheWholeSet) {
  auto [doc, lineIds] = Document(2);
  auto [other, otherLines] = Document(1, 1);
  std::string remark = Text("SELECT BILDA011 FROM TB_BILDA WHERE BILDA_ID = " + std::to_string(doc));
  long long documents = Count("SELECT count(*) FROM TB_BILDA");
  long long lines = Count("SELECT count(*) FROM TB_BILDB");

  struct Case {
    const char* what;
    ChangeRow row;
    DbCode code;
    const char* text;
  };
  ChangeRow badStatus = Row("TB_BILDA", static_cast<RowStatus>(9), Id(doc));
  const Case cases[] = {
      {"too long", Insert("TB_BILDA", 2, {{"BILDA002", "FD20990101000001X"}}), DbCode::BadValue, "BILDA002"},
      {"not a number", Insert("TB_BILDA", 2, {{"BILDA001", "abc"}}), DbCode::BadValue, "is not an integer"},
      {"not a date", Insert("TB_BILDA", 2, {{"BILDA003", "2024-02-30"}}), DbCode::BadValue, "is not a date"},
      {"unknown column", Insert("TB_BILDA", 2, {{"NOPE", "1"}}), DbCode::BadChange, "has no column \"NOPE\""},
      {"column as SQL", Insert("TB_BILDA", 2, {{"BILDA011) VALUES (1); DROP TABLE TB_BILDB; --", "1"}}),
       DbCode::BadChange, "has no column"},
      {"column twice", Insert("TB_BILDA", 2, {{"BILDA011", "a"}, {"bilda011", "b"}}), DbCode::BadChange, "twice"},
      {"missing row", Row("TB_BILDA", RowStatus::Modified, Id(99999999), {{"BILDA011", "x"}}), DbCode::NotFound,
       "no row BILDA_ID = 99999999"},
      {"modified without key", Row("TB_BILDA", RowStatus::Modified, Variant(), {{"BILDA011", "x"}}), DbCode::BadChange,
       "needs its key"},
      {"deleted without key", Row("TB_BILDB", RowStatus::Deleted, Variant()), DbCode::BadChange, "needs its key"},
      {"unknown merchant", Insert("TB_BILDA", 2, {{"BILDA006", Id(99999999)}}), DbCode::Sqlite, "FOREIGN KEY"},
      {"line without header", Insert("TB_BILDB", 2, {{"BILDB006", "1"}}), DbCode::Sqlite, "NOT NULL"},
      {"read-only table", Insert("TB_PUBGO", 2, {{"PUBGO001", "X"}}), DbCode::BadChange, "cannot be changed"},
      {"table as SQL", Insert("TB_BILDA; DROP TABLE TB_BILDB", 2, {}), DbCode::BadChange, "cannot be changed"},
      {"unknown status", badStatus, DbCode::BadChange, "unknown update status 9"},
      {"header under a line", Insert("TB_BILDA", 2, {}, 1), DbCode::BadChange, "cannot nest under"},
      {"parent after it", Insert("TB_BILDB", 2, {}, 7), DbCode::BadChange, "does not come before it"},
      {"line of another header", Row("TB_BILDB", RowStatus::Modified, Id(otherLines[0]), {{"BILDB006", "1"}}, 3),
       DbCode::NotFound, "under BILDB001"},
      {"line moved to another header",
       Row("TB_BILDB", RowStatus::Modified, Id(lineIds[0]), {{"BILDB001", Id(other)}}, 3), DbCode::BadChange,
       "differs from the key"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<ChangeRow> rows = {
        Insert("TB_BILDA", 1, {{"BILDA002", "FD2099010001"}}),
        Insert("TB_BILDB", 1, {{"BILDB006", "5"}}, 0),
        Row("TB_BILDB", RowStatus::Deleted, Id(lineIds[1])),
        Row("TB_BILDA", RowStatus::Modified, Id(doc), {{"BILDA011", "changed"}}),
        c.row,
    };
    DbStatus st = Apply(rows);
    EXPECT_EQ(st.code, c.code) << st.text;
    EXPECT_NE(st.text.find(c.text), std::string::npos) << st.text;
    EXPECT_EQ(st.text.rfind("Row 5 (", 0), 0u) << st.text;
    EXPECT_TRUE(ids.empty());
    EXPECT_EQ(Count("SELECT count(*) FROM TB_BILDA"), documents);
    EXPECT_EQ(Count("SELECT count(*) FROM TB_BILDB"), lines);
    EXPECT_EQ(Text("SELECT BILDA011 FROM TB_BILDA WHERE BILDA_ID = " + std::to_string(doc)), remark);
  }
  // The layer still works after all those rollbacks.
  ASSERT_TRUE(Apply({Row("TB_BILDA", RowStatus::Modified, Id(doc), {{"BILDA011", "changed"}})}).ok());
  EXPECT_EQ(Text("SELECT BILDA011 FROM TB_BILDA WHERE BILDA_ID = " + std::to_string(doc)), "changed");
}

TEST_F(ApplyTest, ValuesAreReadAsTheirColumnsTypes) {
  const std::string hostile = "'); DROP TABLE TB_BILDA; --";
  TDateTime when = EncodeDateTime(2024, 3, 5, 14, 30, 15, 0);
  ASSERT_TRUE(Apply({Insert("TB_BILDA", 1,
                            {{"BILDA001", " 1 "},                       // an integer as text
                             {"BILDA003", Variant::FromDateTime(when)},  // a date value
                             {"BILDA015", "2024-03-05"},                 // a date as text
                             {"BILDA017", ""},                           // empty: NULL
                             {"BILDA011", hostile},                      // data, not SQL
                             {"BILDA013", Variant(1)},                   // a number into a text column
                             {"FLAG", Variant(0.0)}}),                   // an integral float
                     Insert("TB_BILDB", 1, {{"BILDB006", "12.346"}, {"BILDB009", Variant(true)}}, 0),
                     Insert("TB_BILDB", 2, {{"BILDB006", "1.005"}}, 0), Insert("TB_BILDB", 3, {{"BILDB006", "-9.995"}}, 0)})
                  .ok());
  RowSet header, lines;
  ASSERT_TRUE(db.Display(ids[0].id, header, lines).ok());
  EXPECT_EQ(header.Value(0, "BILDA001").VarType(), varInt64);
  EXPECT_EQ(header.Value(0, "BILDA001").AsInt64(), 1);
  EXPECT_EQ(header.Value(0, "BILDA003").VarType(), varDate);
  EXPECT_DOUBLE_EQ(header.Value(0, "BILDA003").AsDateTime(), when);
  EXPECT_EQ(header.Value(0, "BILDA015").AsDateTime(), EncodeDate(2024, 3, 5));
  EXPECT_TRUE(header.Value(0, "BILDA017").IsNull());
  EXPECT_EQ(header.Value(0, "BILDA011").AsString(), hostile);
  EXPECT_EQ(header.Value(0, "BILDA013").AsString(), "1");
  EXPECT_EQ(header.Value(0, "FLAG").AsInt64(), 0);
  EXPECT_FALSE(header.Value(0, "BILDA001C1").IsNull());
  EXPECT_DOUBLE_EQ(lines.Value(0, "BILDB006").AsDouble(), 12.35);  // kept to two decimals
  EXPECT_EQ(lines.Value(1, "BILDB006").AsDouble(), 1.01);  // the decimal rounded, not the double below it
  EXPECT_EQ(lines.Value(2, "BILDB006").AsDouble(), -10);  // half away from zero, carried
  EXPECT_EQ(lines.Value(0, "BILDB009").AsInt64(), 1);
  EXPECT_EQ(Text("SELECT BILDA003 FROM TB_BILDA WHERE BILDA_ID = " + std::to_string(ids[0].id)), "2024-03-05 14:30:15");

  // Values the columns cannot take.
  for (const auto& [column, value] : std::vector<std::pair<std::string, Variant>>{
           {"BILDA001", Variant(1.5)},
           {"BILDA001", Variant("12abc")},
           {"BILDA003", Variant(45356.0)},  // a bare number is no date
           {"BILDA003", Variant("05/03/2024")},
           {"BILDA011", Variant::FromDateTime(when)},
           {"BILDA011", Variant("\xff\xfe")},
           {"FLAG", Variant("9223372036854775808")}}) {
    SCOPED_TRACE(column + " = " + VarToStr(value));
    EXPECT_EQ(Apply({Insert("TB_BILDA", 1, {{column, value}})}).code, DbCode::BadValue);
  }
  EXPECT_EQ(Apply({Insert("TB_BILDB", 1, {{"BILDB006", "1e20"}}, -1)}).code, DbCode::BadValue);
}

TEST_F(ApplyTest, DeletingWhatIsGoneChangesNothing) {
  long long documents = Count("SELECT count(*) FROM TB_BILDA");
  EXPECT_TRUE(Apply({Row("TB_BILDA", RowStatus::Deleted, Id(99999999))}).ok());
  EXPECT_TRUE(Apply({}).ok());
  EXPECT_EQ(Count("SELECT count(*) FROM TB_BILDA"), documents);
}

TEST_F(ApplyTest, KeysOfDeletedDocumentsAreNotGivenAgain) {
  long long last = Count("SELECT max(BILDA_ID) FROM TB_BILDA");
  ASSERT_TRUE(Apply({Row("TB_BILDA", RowStatus::Deleted, Id(last))}).ok());
  ASSERT_TRUE(Apply({Insert("TB_BILDA", 4, {{"BILDA002", "FD2099"}})}).ok());
  ASSERT_EQ(ids.size(), 1u);
  EXPECT_GT(ids[0].id, last);
  EXPECT_EQ(ids[0].rn, 4);
}

}  // namespace
}  // namespace hostdb_test
