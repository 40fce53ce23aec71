// The demo data: the same on every new database, consistent (every line has its document, every
// id resolves through its view and the ids agree with each other), within the column sizes, and
// realistic enough for a person to use.
#include <map>
#include <set>

#include "platform/rtl/strings.h"
#include "tests/host/hostdb_support.h"

namespace hostdb_test {
namespace {

using DemoData = SharedDb;

// Every value of every row set, as the reply would carry it.
std::vector<std::string> Texts(const RowSet& rows) {
  std::vector<std::string> out;
  for (const auto& row : rows.rows)
    for (size_t c = 0; c < row.size(); ++c) out.push_back(ValueText(rows.columns[c], row[c]));
  return out;
}

std::vector<RowSet> Everything(HostDatabase& db) {
  std::vector<RowSet> out;
  out.push_back(AllDocuments(db));
  for (const std::string& view : ServedViews()) out.push_back(LookupAll(db, view));
  for (const auto& row : out.front().rows) {
    RowSet header, lines;
    EXPECT_TRUE(db.Display(row[4].AsInt64(), header, lines).ok());
    out.push_back(std::move(lines));
  }
  return out;
}

TEST(HostDbDemo, EveryNewDatabaseHoldsTheSameRows) {
  HostDatabase a, b;
  TempFile file;
  ASSERT_TRUE(a.Open(":memory:").ok());
  ASSERT_TRUE(b.Open(file.path()).ok());
  std::vector<RowSet> x = Everything(a), y = Everything(b);
  ASSERT_EQ(x.size(), y.size());
  for (size_t i = 0; i < x.size(); ++i) EXPECT_EQ(Texts(x[i]), Texts(y[i])) << "row set " << i;
}

TEST_F(DemoData, HasAFewHundredDocumentsWithLines) {
  RowSet list = AllDocuments(db());
  EXPECT_EQ(list.rows.size(), 320u);
  size_t lines = 0;
  for (size_t r = 0; r < list.rows.size(); ++r) {
    RowSet header, detail;
    int64_t id = list.Value(r, "BILDA_ID").AsInt64();
    ASSERT_TRUE(db().Display(id, header, detail).ok());
    ASSERT_EQ(header.rows.size(), 1u);
    EXPECT_GE(detail.rows.size(), 1u);
    EXPECT_LE(detail.rows.size(), 5u);
    for (size_t l = 0; l < detail.rows.size(); ++l) {
      EXPECT_EQ(detail.Value(l, "BILDB001").AsInt64(), id);
      EXPECT_GT(detail.Value(l, "BILDB006").AsDouble(), 0);
    }
    lines += detail.rows.size();
  }
  EXPECT_GT(lines, 600u);
}

TEST_F(DemoData, EveryIdResolvesThroughItsView) {
  // id column -> its joined columns (the auditor only when there is one)
  const std::map<std::string, std::vector<std::string>> joins = {
      {"BILDA001", {"BILDA001C1", "BILDA001C2"}}, {"BILDA005", {"BILDA005C1", "BILDA005C2"}},
      {"BILDA006", {"BILDA006C1", "BILDA006C2"}}, {"BILDA007", {"BILDA007C1", "BILDA007C2"}},
      {"BILDA008", {"BILDA008C1"}},               {"BILDA009", {"BILDA009C1", "BILDA009C2"}},
      {"BILDA010", {"BILDA010C1", "BILDA010C2"}}, {"BILDA014", {"BILDA014C1", "BILDA014C2"}},
      {"BILDA016", {"BILDA016C1", "BILDA016C2"}}};
  RowSet list = AllDocuments(db());
  RowSet orgs = LookupAll(db(), "vh_pubcb");
  RowSet contracts = LookupAll(db(), "vh_conbe");
  std::map<int64_t, int64_t> companyOfOrg;
  for (size_t r = 0; r < orgs.rows.size(); ++r)
    companyOfOrg[orgs.Value(r, "PUBCB_ID").AsInt64()] = orgs.Value(r, "PUBCB005").AsInt64();
  std::map<int64_t, std::pair<int64_t, int64_t>> contract;  // id -> merchant, stall
  for (size_t r = 0; r < contracts.rows.size(); ++r)
    contract[contracts.Value(r, "CONBE_ID").AsInt64()] = {contracts.Value(r, "CONBE001").AsInt64(),
                                                          contracts.Value(r, "CONBE002").AsInt64()};

  for (size_t r = 0; r < list.rows.size(); ++r) {
    SCOPED_TRACE(list.Value(r, "BILDA002").AsString());
    for (const auto& [id, names] : joins) {
      if (id != "BILDA016") {
        ASSERT_FALSE(list.Value(r, id).IsNull()) << id;
      }
      for (const std::string& n : names) EXPECT_EQ(list.Value(r, id).IsNull(), list.Value(r, n).IsNull()) << n;
    }
    // The company is the operating organisation's; merchant and stall are the contract's.
    EXPECT_EQ(list.Value(r, "BILDA004").AsInt64(), companyOfOrg.at(list.Value(r, "BILDA005").AsInt64()));
    auto [merchant, stall] = contract.at(list.Value(r, "BILDA008").AsInt64());
    EXPECT_EQ(list.Value(r, "BILDA006").AsInt64(), merchant);
    EXPECT_EQ(list.Value(r, "BILDA007").AsInt64(), stall);
    // An audited document has its auditor and date; an unaudited one has neither.
    bool audited = list.Value(r, "BILDA018").AsString() != "N";
    EXPECT_EQ(list.Value(r, "BILDA016").IsNull(), !audited);
    EXPECT_EQ(list.Value(r, "BILDA017").IsNull(), !audited);
  }
  RowSet header, lines;
  ASSERT_TRUE(db().Display(list.Value(0, "BILDA_ID").AsInt64(), header, lines).ok());
  for (size_t l = 0; l < lines.rows.size(); ++l)
    for (const char* n : {"BILDB002C1", "BILDB003C1", "BILDB003C2", "BILDB005C1"})
      EXPECT_FALSE(lines.Value(l, n).IsNull()) << n;
}

TEST_F(DemoData, ForeignKeysHoldInTheFile) {
  TempFile file;
  {
    HostDatabase fresh;
    ASSERT_TRUE(fresh.Open(file.path()).ok());
  }
  RawDb raw(file.path());
  EXPECT_EQ(raw.Text("PRAGMA foreign_key_check"), "");
  EXPECT_EQ(raw.Number("SELECT count(*) FROM TB_BILDB WHERE BILDB001 NOT IN (SELECT BILDA_ID FROM TB_BILDA)"), 0);
  EXPECT_EQ(raw.Number("SELECT count(*) FROM TB_BILDA WHERE BILDA_ID NOT IN (SELECT BILDB001 FROM TB_BILDB)"), 0);
}

TEST_F(DemoData, TextsFitTheirColumnsAndCodesAreTheKnownOnes) {
  std::vector<RowSet> sets = {AllDocuments(db())};
  for (const std::string& view : ServedViews()) sets.push_back(LookupAll(db(), view));
  for (const RowSet& rows : sets)
    for (const auto& row : rows.rows)
      for (size_t c = 0; c < row.size(); ++c)
        if (rows.columns[c].type == "VARCHAR" && !row[c].IsNull()) {
          EXPECT_LE(Cp936Length(row[c].AsString()), static_cast<size_t>(rows.columns[c].size))
              << rows.table << "." << rows.columns[c].name << " = " << row[c].AsString();
        }

  RowSet list = AllDocuments(db());
  std::map<std::string, std::set<std::string>> seen;
  for (size_t r = 0; r < list.rows.size(); ++r) {
    for (const char* code : {"BILDA012", "BILDA013", "BILDA018", "BILDA019", "BILDA021"})
      seen[code].insert(list.Value(r, code).AsString());
    EXPECT_EQ(list.Value(r, "FLAG").AsInt64(), 0);
    for (const char* audit : {"CREATE_USER", "USER_GROUP", "CREATE_DATE", "MODIFIER", "MODI_DATE"})
      EXPECT_FALSE(list.Value(r, audit).IsNull()) << audit;
    EXPECT_GE(list.Value(r, "MODI_DATE").AsDateTime(), list.Value(r, "CREATE_DATE").AsDateTime());
  }
  EXPECT_EQ(seen["BILDA012"], (std::set<std::string>{"1", "2"}));
  EXPECT_EQ(seen["BILDA013"], (std::set<std::string>{"0", "1"}));
  EXPECT_EQ(seen["BILDA018"], (std::set<std::string>{"N", "Y", "X", "F"}));
  EXPECT_EQ(seen["BILDA019"], (std::set<std::string>{"0", "1"}));
  for (const std::string& c : seen["BILDA021"]) EXPECT_NE(std::string("01SRW").find(c), std::string::npos) << c;
}

TEST_F(DemoData, NamesAreChineseAndCodesUnique) {
  for (const auto& [view, name, code] : std::vector<std::tuple<std::string, std::string, std::string>>{
           {"vh_pubgo", "PUBGO003", "PUBGO001"},
           {"vh_pubig_t1", "PUBIG004", "PUBIG_ID"},
           {"vh_pubcb", "PUBCB002", "PUBCB001"},
           {"vh_pubcc", "PUBCC002", "PUBCC001"},
           {"vh_pubcd", "PUBCD003", "PUBCD002"},
           {"vh_pubfa", "PUBFA002", "PUBFA001"}}) {
    SCOPED_TRACE(view);
    RowSet rows = LookupAll(db(), view);
    ASSERT_FALSE(rows.rows.empty());
    std::set<std::string> codes;
    for (size_t r = 0; r < rows.rows.size(); ++r) {
      std::string text = rows.Value(r, name).AsString();
      EXPECT_LT(Utf8CharCount(text), text.size()) << text;  // holds characters beyond ASCII
      codes.insert(rows.Value(r, code).AsString());
    }
    EXPECT_EQ(codes.size(), rows.rows.size());  // one contract per stall: each stall once
  }
  EXPECT_GE(LookupAll(db(), "vh_pubgo").rows.size(), 50u);
  EXPECT_GE(LookupAll(db(), "vh_conbe").rows.size(), 100u);
}

TEST_F(DemoData, TheAdministratorLogsIn) {
  HostUser user;
  DbStatus st = db().FindUser(kDemoUserAccount, user);
  ASSERT_TRUE(st.ok()) << st.text;
  EXPECT_EQ(user.account, "admin");
  EXPECT_EQ(user.name, "系统管理员");
  EXPECT_EQ(user.group, "BM07");
  EXPECT_GT(user.id, 0);
  // Every account fits the audit columns it is stamped into.
  RowSet staff = LookupAll(db(), "vh_pubcd");
  for (size_t r = 0; r < staff.rows.size(); ++r) {
    EXPECT_LE(Cp936Length(staff.Value(r, "PUBCD002").AsString()), 12u);
    EXPECT_LE(Cp936Length(staff.Value(r, "PUBCD004C1").AsString()), 12u);
  }
  EXPECT_EQ(db().FindUser("nobody", user).code, DbCode::NotFound);
  EXPECT_EQ(db().FindUser("admin' OR '1'='1", user).code, DbCode::NotFound);
}

}  // namespace
}  // namespace hostdb_test
