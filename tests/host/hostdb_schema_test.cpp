// The schema against the document's records: the header and line fields in field order with their
// types and sizes, the stored tables, the sizes counted in code-page-936 bytes, the guards for
// other writers of the file, and how a file is opened.
#include <fstream>
#include <set>

#include "tests/host/hostdb_support.h"

namespace hostdb_test {
namespace {

struct Field {
  const char* name;
  const char* type;
  int size;
  bool joined;
};

// The header record: 45 fields in field order.
const Field kHeader[] = {
    {"BILDA002", "VARCHAR", 16, false},   {"BILDA007C1", "VARCHAR", 20, true},  {"BILDA006C1", "VARCHAR", 20, true},
    {"BILDA003", "DATE", 0, false},       {"BILDA_ID", "INTEGER", 0, false},    {"BILDA001", "INTEGER", 0, false},
    {"BILDA004", "INTEGER", 0, false},    {"BILDA005", "INTEGER", 0, false},    {"BILDA006", "INTEGER", 0, false},
    {"BILDA007", "INTEGER", 0, false},    {"BILDA008", "INTEGER", 0, false},    {"BILDA009", "INTEGER", 0, false},
    {"BILDA010", "INTEGER", 0, false},    {"BILDA011", "VARCHAR", 255, false},  {"BILDA012", "VARCHAR", 1, false},
    {"BILDA013", "VARCHAR", 1, false},    {"BILDA014", "INTEGER", 0, false},    {"BILDA015", "DATE", 0, false},
    {"BILDA016", "INTEGER", 0, false},    {"BILDA017", "DATE", 0, false},       {"BILDA018", "VARCHAR", 1, false},
    {"BILDA019", "VARCHAR", 1, false},    {"BILDA020", "VARCHAR", 30, false},   {"BILDA021", "VARCHAR", 1, false},
    {"CREATE_USER", "VARCHAR", 12, false}, {"USER_GROUP", "VARCHAR", 12, false}, {"CREATE_DATE", "DATE", 0, false},
    {"MODIFIER", "VARCHAR", 12, false},   {"MODI_DATE", "DATE", 0, false},      {"FLAG", "INTEGER", 0, false},
    {"BILDA001C1", "VARCHAR", 20, true},  {"BILDA001C2", "VARCHAR", 30, true},  {"BILDA005C1", "VARCHAR", 20, true},
    {"BILDA005C2", "VARCHAR", 30, true},  {"BILDA006C2", "VARCHAR", 30, true},  {"BILDA007C2", "VARCHAR", 30, true},
    {"BILDA008C1", "VARCHAR", 30, true},  {"BILDA009C1", "VARCHAR", 20, true},  {"BILDA009C2", "VARCHAR", 30, true},
    {"BILDA010C1", "VARCHAR", 30, true},  {"BILDA010C2", "VARCHAR", 30, true},  {"BILDA014C1", "VARCHAR", 30, true},
    {"BILDA014C2", "VARCHAR", 30, true},  {"BILDA016C1", "VARCHAR", 30, true},  {"BILDA016C2", "VARCHAR", 30, true}};

// The line record: 22 fields in field order.
const Field kLine[] = {
    {"BILDB_ID", "INTEGER", 0, false},     {"BILDB001", "INTEGER", 0, false},    {"BILDB002", "INTEGER", 0, false},
    {"BILDB002C1", "VARCHAR", 20, true},   {"BILDB003", "INTEGER", 0, false},    {"BILDB003C1", "VARCHAR", 20, true},
    {"BILDB003C2", "VARCHAR", 30, true},   {"BILDB004", "VARCHAR", 1, false},    {"BILDB005", "INTEGER", 0, false},
    {"BILDB005C1", "VARCHAR", 30, true},   {"BILDB006", "NUMBER", 14, false},    {"BILDB008", "VARCHAR", 255, false},
    {"BILDB009", "INTEGER", 0, false},     {"BILDB010", "VARCHAR", 16, false},   {"BILDB011", "INTEGER", 0, false},
    {"BILDB012", "VARCHAR", 16, false},    {"CREATE_USER", "VARCHAR", 12, false}, {"USER_GROUP", "VARCHAR", 12, false},
    {"CREATE_DATE", "DATE", 0, false},     {"MODIFIER", "VARCHAR", 12, false},   {"MODI_DATE", "DATE", 0, false},
    {"FLAG", "INTEGER", 0, false}};

template <size_t N>
void ExpectColumns(const RowSet& rows, const Field (&fields)[N]) {
  ASSERT_EQ(rows.columns.size(), N);
  for (size_t i = 0; i < N; ++i) {
    SCOPED_TRACE(fields[i].name);
    EXPECT_EQ(rows.columns[i].name, fields[i].name);
    EXPECT_EQ(rows.columns[i].type, fields[i].type);
    EXPECT_EQ(rows.columns[i].size, fields[i].size);
  }
}

template <size_t N>
std::set<std::string> StoredNames(const Field (&fields)[N]) {
  std::set<std::string> out;
  for (const Field& f : fields)
    if (!f.joined) out.insert(f.name);
  return out;
}

std::set<std::string> TableColumns(RawDb& raw, const std::string& table) {
  std::set<std::string> out;
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(raw.get(), ("SELECT name FROM pragma_table_info('" + table + "')").c_str(), -1, &st, nullptr);
  while (sqlite3_step(st) == SQLITE_ROW) out.insert(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
  sqlite3_finalize(st);
  return out;
}

using SchemaTest = FreshDb;

TEST_F(SchemaTest, DisplayAndListCarryTheRecordsInFieldOrder) {
  RowSet list = AllDocuments(db);
  ExpectColumns(list, kHeader);
  EXPECT_EQ(list.table, "TB_BILDA");

  int64_t id = list.Value(0, "BILDA_ID").AsInt64();
  RowSet header, lines;
  ASSERT_TRUE(db.Display(id, header, lines).ok());
  ExpectColumns(header, kHeader);
  ExpectColumns(lines, kLine);
  EXPECT_EQ(lines.columns[10].scale, 2);  // the amount has two decimals
  EXPECT_EQ(header.table, "TB_BILDA");
  EXPECT_EQ(lines.table, "TB_BILDB");
}

TEST_F(SchemaTest, TablesStoreAllButTheJoinedColumns) {
  RawDb raw(file.path());
  EXPECT_EQ(TableColumns(raw, "TB_BILDA"), StoredNames(kHeader));
  EXPECT_EQ(TableColumns(raw, "TB_BILDB"), StoredNames(kLine));
  // Declared types say what a reader of the file may expect.
  EXPECT_EQ(raw.Text("SELECT type FROM pragma_table_info('TB_BILDA') WHERE name = 'BILDA002'"), "VARCHAR(16)");
  EXPECT_EQ(raw.Text("SELECT type FROM pragma_table_info('TB_BILDA') WHERE name = 'BILDA003'"), "DATE");
  EXPECT_EQ(raw.Text("SELECT type FROM pragma_table_info('TB_BILDB') WHERE name = 'BILDB006'"), "NUMBER(14,2)");
  EXPECT_EQ(raw.Text("SELECT pk FROM pragma_table_info('TB_BILDB') WHERE name = 'BILDB_ID'"), "1");
  EXPECT_EQ(raw.Text("SELECT \"table\" || ':' || \"from\" || ':' || on_delete FROM pragma_foreign_key_list('TB_BILDB') "
                     "WHERE \"from\" = 'BILDB001'"),
            "TB_BILDA:BILDB001:CASCADE");
}

// Sizes count the bytes the text takes in code page 936: a Chinese character takes two.
TEST_F(SchemaTest, SizesAreCodePage936Bytes) {
  struct Case {
    const char* column;
    std::string value;
    bool fits;
  };
  const Case cases[] = {
      {"BILDA002", "一二三四五六七八", true},            // 16 bytes
      {"BILDA002", "一二三四五六七八九", false},         // 18 bytes in 9 characters
      {"BILDA002", "FD20240305000123", true},            // 16 ASCII bytes
      {"BILDA002", "FD202403050001234", false},          // 17
      {"BILDA002", "一二三四五六七8", true},             // 15
      {"BILDA012", "1", true},
      {"BILDA012", "是", false},                         // one character, two bytes
      {"CREATE_USER", "李娟李娟李娟", true},             // 12
      {"CREATE_USER", "李娟李娟李娟a", false},           // 13
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.column) + " = " + c.value);
    std::vector<NewRowId> ids;
    ChangeRow row;
    row.table = "TB_BILDA";
    row.status = RowStatus::Inserted;
    row.values = {{c.column, c.value}};
    DbStatus st = db.ApplyChanges({row}, ids);
    EXPECT_EQ(st.ok(), c.fits) << st.text;
    if (!c.fits) {
      EXPECT_EQ(st.code, DbCode::BadValue);
      EXPECT_NE(st.text.find(c.column), std::string::npos) << st.text;
    }
  }
}

// Another program writing the file meets CHECK constraints on the storage class, the date form
// and the size in characters.
TEST_F(SchemaTest, ChecksGuardOtherWriters) {
  RawDb raw(file.path());
  ASSERT_EQ(raw.Exec("INSERT INTO TB_BILDA (BILDA002) VALUES ('FD2024')"), SQLITE_OK);
  EXPECT_EQ(raw.Exec("INSERT INTO TB_BILDA (BILDA002) VALUES ('12345678901234567')"), SQLITE_CONSTRAINT);
  EXPECT_EQ(raw.Exec("INSERT INTO TB_BILDA (BILDA001) VALUES ('one')"), SQLITE_CONSTRAINT);
  EXPECT_EQ(raw.Exec("INSERT INTO TB_BILDA (BILDA003) VALUES ('2024/03/05')"), SQLITE_CONSTRAINT);
  EXPECT_EQ(raw.Exec("INSERT INTO TB_BILDA (BILDA003) VALUES ('2024-03-05 00:00:00')"), SQLITE_OK);
  EXPECT_EQ(raw.Exec("INSERT INTO TB_BILDB (BILDB001, BILDB006) VALUES (1, 'many')"), SQLITE_CONSTRAINT);
  EXPECT_EQ(raw.Exec("INSERT INTO TB_BILDB (BILDB001, BILDB006) VALUES (1, 12.5)"), SQLITE_OK);
}

TEST(HostDbOpen, AnExistingDatabaseIsOpenedNotRefilled) {
  TempFile file;
  int64_t removed = 0;
  size_t before = 0;
  {
    HostDatabase db;
    ASSERT_TRUE(db.Open(file.path()).ok());
    EXPECT_TRUE(db.Created());
    RowSet list = AllDocuments(db);
    before = list.rows.size();
    removed = list.Value(0, "BILDA_ID").AsInt64();
    std::vector<NewRowId> ids;
    ChangeRow row;
    row.table = "TB_BILDA";
    row.status = RowStatus::Deleted;
    row.key = Variant::FromInt64(removed);
    ASSERT_TRUE(db.ApplyChanges({row}, ids).ok());
  }
  HostDatabase db;
  DbStatus st = db.Open(file.path());
  ASSERT_TRUE(st.ok()) << st.text;
  EXPECT_FALSE(db.Created());
  EXPECT_EQ(db.Path(), file.path());
  RowSet list = AllDocuments(db);
  EXPECT_EQ(list.rows.size(), before - 1);
  RowSet header, lines;
  ASSERT_TRUE(db.Display(removed, header, lines).ok());
  EXPECT_TRUE(header.rows.empty());
  EXPECT_TRUE(lines.rows.empty());
}

TEST(HostDbOpen, AnEmptyFileIsFilled) {
  TempFile file;
  std::ofstream(file.path()).close();
  HostDatabase db;
  ASSERT_TRUE(db.Open(file.path()).ok());
  EXPECT_TRUE(db.Created());
  EXPECT_FALSE(AllDocuments(db).rows.empty());
}

TEST(HostDbOpen, ForeignFilesAreRefused) {
  {
    TempFile file;
    {
      RawDb raw(file.path());
      raw.Exec("CREATE TABLE customers (id INTEGER PRIMARY KEY, name TEXT)");
    }
    HostDatabase db;
    DbStatus st = db.Open(file.path());
    EXPECT_EQ(st.code, DbCode::NotOurs);
    EXPECT_NE(st.text.find("TB_PUBCA is missing"), std::string::npos) << st.text;
    EXPECT_FALSE(db.IsOpen());
    RawDb raw(file.path());
    EXPECT_EQ(raw.Number("SELECT count(*) FROM sqlite_schema"), 1);  // left as it was
  }
  {
    // Our schema with a column gone.
    TempFile file;
    {
      HostDatabase db;
      ASSERT_TRUE(db.Open(file.path()).ok());
    }
    {
      RawDb raw(file.path());
      ASSERT_EQ(raw.Exec("DROP VIEW vh_pubcb; CREATE VIEW vh_pubcb AS SELECT PUBCB_ID, PUBCB001 FROM TB_PUBCB"), SQLITE_OK);
    }
    HostDatabase db;
    DbStatus st = db.Open(file.path());
    EXPECT_EQ(st.code, DbCode::NotOurs);
    EXPECT_NE(st.text.find("vh_pubcb has no column PUBCB002"), std::string::npos) << st.text;
  }
  {
    TempFile file;
    std::ofstream(file.path()) << "this is a text file, not a database, and it is long enough to have a header";
    HostDatabase db;
    DbStatus st = db.Open(file.path());
    EXPECT_EQ(st.code, DbCode::Sqlite);
    EXPECT_NE(st.text.find("not a database"), std::string::npos) << st.text;
  }
  {
    HostDatabase db;
    DbStatus st = db.Open("/nonexistent-directory/sub/host.db");
    EXPECT_EQ(st.code, DbCode::Sqlite);
    EXPECT_NE(st.text.find("/nonexistent-directory/sub/host.db"), std::string::npos) << st.text;
  }
}

TEST(HostDbOpen, AClosedDatabaseAnswersNotOpen) {
  HostDatabase db;
  RowSet rows, lines;
  std::vector<NewRowId> ids;
  HostUser user;
  EXPECT_EQ(db.DocumentList({}, rows).code, DbCode::NotOpen);
  EXPECT_EQ(db.Display(1, rows, lines).code, DbCode::NotOpen);
  EXPECT_EQ(db.Lookup("vh_pubcb", {}, rows).code, DbCode::NotOpen);
  EXPECT_EQ(db.ApplyChanges({}, ids).code, DbCode::NotOpen);
  EXPECT_EQ(db.FindUser("admin", user).code, DbCode::NotOpen);
  ASSERT_TRUE(db.Open(":memory:").ok());
  db.Close();
  EXPECT_FALSE(db.IsOpen());
  EXPECT_EQ(db.DocumentList({}, rows).code, DbCode::NotOpen);
}

TEST(HostDbValues, DescribeAndValueTextGiveTheReplyForms) {
  EXPECT_EQ((Column{"BILDA002", "VARCHAR", 16, 0}).Describe(), "BILDA002:VARCHAR:16:0");
  EXPECT_EQ((Column{"BILDB006", "NUMBER", 14, 2}).Describe(), "BILDB006:NUMBER:14:2");
  EXPECT_EQ(ValueText({"BILDB006", "NUMBER", 14, 2}, Variant(12.5)), "12.50");
  EXPECT_EQ(ValueText({"BILDB006", "NUMBER", 14, 2}, Variant(-0.1)), "-0.10");
  EXPECT_EQ(ValueText({"BILDA_ID", "INTEGER", 0, 0}, Variant::FromInt64(9007199254740993)), "9007199254740993");
  EXPECT_EQ(ValueText({"BILDA003", "DATE", 0, 0}, Variant::FromDateTime(45356.75)), "2024-03-05 18:00:00");
  EXPECT_EQ(ValueText({"BILDA002", "VARCHAR", 16, 0}, Variant("费用")), "费用");
  EXPECT_EQ(ValueText({"BILDA003", "DATE", 0, 0}, Variant::Null()), "");
  // A value that does not fit its column's type still gives a text rather than an exception.
  EXPECT_EQ(ValueText({"BILDA_ID", "INTEGER", 0, 0}, Variant("x")), "x");
}

}  // namespace
}  // namespace hostdb_test
