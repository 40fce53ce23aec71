// Lookups, the document list with its filter arguments, and the display of one document: what each
// lookup reads back is there with the type and size it is copied into, the stall lookup filters by
// merchant, only the listed views are served, and input never becomes SQL.
#include <map>
#include <set>

#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"
#include "tests/host/hostdb_support.h"

namespace hostdb_test {
namespace {

using Lookups = SharedDb;
using DocumentList = SharedDb;

struct Copy {
  const char* from;
  const char* type;
  int maxSize;  // the size of the header field it is copied into (0 for ids)
};

// What each lookup of the document form copies from the chosen row.
const std::vector<std::pair<std::string, std::vector<Copy>>> kLookups = {
    {"vh_pubfa", {{"PUBFA001", "VARCHAR", 20}, {"PUBFA002", "VARCHAR", 30}, {"PUBFA_ID", "INTEGER", 0}}},
    {"vh_pubgo", {{"PUBGO001", "VARCHAR", 20}, {"PUBGO003", "VARCHAR", 30}, {"PUBGO_ID", "INTEGER", 0}}},
    {"vh_conbe", {{"CONBE003", "VARCHAR", 30}, {"CONBE_ID", "INTEGER", 0}}},
    {"vh_pubig_t1", {{"PUBIG_ID", "INTEGER", 0}, {"PUBIG003", "VARCHAR", 20}, {"PUBIG004", "VARCHAR", 30}}},
    {"vh_pubcb",
     {{"PUBCB001", "VARCHAR", 20}, {"PUBCB002", "VARCHAR", 30}, {"PUBCB_ID", "INTEGER", 0}, {"PUBCB005", "INTEGER", 0}}},
    {"vh_pubcc", {{"PUBCC001", "VARCHAR", 20}, {"PUBCC002", "VARCHAR", 30}, {"PUBCC_ID", "INTEGER", 0}}},
    {"vh_pubcd", {{"PUBCD002", "VARCHAR", 30}, {"PUBCD003", "VARCHAR", 30}, {"PUBCD_ID", "INTEGER", 0}}}};

TEST_F(Lookups, EachServesWhatItsLookupCopies) {
  std::vector<std::string> served;
  for (const auto& [view, copies] : kLookups) served.push_back(view);
  EXPECT_EQ(ServedViews(), served);

  for (const auto& [view, copies] : kLookups) {
    SCOPED_TRACE(view);
    RowSet rows = LookupAll(db(), view);
    EXPECT_EQ(rows.table, view);
    ASSERT_FALSE(rows.rows.empty());
    for (const Copy& c : copies) {
      int col = rows.ColumnIndex(c.from);
      ASSERT_GE(col, 0) << c.from;
      EXPECT_EQ(rows.columns[col].type, c.type) << c.from;
      if (c.maxSize) {
        EXPECT_LE(rows.columns[col].size, c.maxSize) << c.from;
      }
      for (size_t r = 0; r < rows.rows.size(); ++r) EXPECT_FALSE(rows.rows[r][col].IsNull()) << c.from;
    }
  }
}

TEST_F(Lookups, AreOrderedByCode) {
  RowSet rows = LookupAll(db(), "vh_pubgo");
  for (size_t r = 1; r < rows.rows.size(); ++r)
    EXPECT_LT(rows.Value(r - 1, "PUBGO001").AsString(), rows.Value(r, "PUBGO001").AsString());
}

TEST_F(Lookups, OrganisationCarriesItsCompany) {
  RowSet rows = LookupAll(db(), "vh_pubcb");
  for (size_t r = 0; r < rows.rows.size(); ++r) {
    EXPECT_FALSE(rows.Value(r, "PUBCB005").IsNull());
    EXPECT_FALSE(rows.Value(r, "PUBCB005C2").IsNull());
  }
}

TEST_F(Lookups, TheStallLookupOffersTheMerchantsStalls) {
  RowSet contracts = LookupAll(db(), "vh_conbe");
  std::map<int64_t, std::set<int64_t>> stallsOf;
  for (size_t r = 0; r < contracts.rows.size(); ++r)
    stallsOf[contracts.Value(r, "CONBE001").AsInt64()].insert(contracts.Value(r, "CONBE002").AsInt64());
  ASSERT_GE(stallsOf.size(), 2u);

  for (const auto& [merchant, stalls] : stallsOf) {
    // The record as the form builds it: "arg" zero-padded to 20 characters, kind 0, flag true.
    RowSet rows = LookupAll(db(), "vh_pubig_t1", {Arg(std::string("arg") + std::string(17, '\0'), 0, std::to_string(merchant))});
    std::set<int64_t> got;
    for (size_t r = 0; r < rows.rows.size(); ++r) {
      EXPECT_EQ(rows.Value(r, "PUBGO_ID").AsInt64(), merchant);
      got.insert(rows.Value(r, "PUBIG_ID").AsInt64());
    }
    EXPECT_EQ(got, stalls) << "merchant " << merchant;
  }

  // No merchant chosen yet: the form sends "0", and no stall belongs to merchant 0.
  EXPECT_TRUE(LookupAll(db(), "vh_pubig_t1", {Arg("arg", 0, "0")}).rows.empty());
  // The column may be named itself; a record whose flag is off imposes nothing.
  int64_t someone = stallsOf.begin()->first;
  EXPECT_EQ(LookupAll(db(), "vh_pubig_t1", {Arg("pubgo_id", 0, std::to_string(someone))}).rows.size(),
            stallsOf.begin()->second.size());
  EXPECT_EQ(LookupAll(db(), "vh_pubig_t1", {Arg("arg", 0, "1", false)}).rows.size(),
            LookupAll(db(), "vh_pubig_t1").rows.size());
}

TEST_F(Lookups, OnlyTheListedViewsAreServed) {
  for (const char* name : {"vh_pubxx", "vd_bilda", "vd_bildb", "TB_BILDA", "sqlite_schema", "", "vh_pubcb ",
                           "vh_pubcb; DROP TABLE TB_BILDA", "vh_pubcb--", "(SELECT * FROM TB_PUBCD)"}) {
    SCOPED_TRACE(name);
    RowSet rows;
    DbStatus st = db().Lookup(name, {}, rows);
    EXPECT_EQ(st.code, DbCode::UnknownView);
    EXPECT_NE(st.text.find("is not served"), std::string::npos) << st.text;
    EXPECT_TRUE(rows.rows.empty());
  }
  EXPECT_FALSE(LookupAll(db(), "VH_PUBCB").rows.empty());  // SQL names ignore case
  EXPECT_EQ(AllDocuments(db()).rows.size(), 320u);
}

TEST_F(Lookups, ArgumentsThatCannotBeUsedAreRefused) {
  struct Case {
    const char* view;
    LookupArg arg;
    const char* text;
  };
  const Case cases[] = {
      {"vh_pubcb", Arg("arg", 0, "1"), "takes no argument"},
      {"vh_pubig_t1", Arg("arg", 0, "1 OR 1=1"), "is not an integer"},
      {"vh_pubig_t1", Arg("arg", 0, "0; DROP TABLE TB_PUBIG"), "is not an integer"},
      {"vh_pubig_t1", Arg("PUBIG001 = PUBIG001 OR 1", 0, "1"), "has no column"},
      {"vh_pubig_t1", Arg("NOSUCH", 0, "1"), "has no column"},
      {"vh_pubig_t1", Arg("arg", 7, "1"), "unknown kind 7"},
      {"vh_pubig_t1", Arg("arg", 1, "1"), "only text columns"},
      {"vh_conbe", Arg("CONBE004", 3, "2023-13-01"), "is not a date"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arg.name + " " + c.arg.value);
    RowSet rows;
    DbStatus st = db().Lookup(c.view, {c.arg}, rows);
    EXPECT_EQ(st.code, DbCode::BadArgument);
    EXPECT_NE(st.text.find(c.text), std::string::npos) << st.text;
  }
  EXPECT_EQ(LookupAll(db(), "vh_pubig_t1").rows.size(), LookupAll(db(), "vh_conbe").rows.size());
}

TEST_F(Lookups, TextValuesAreData) {
  // Quotes, wildcards and SQL in a value match only themselves.
  for (const char* value : {"' OR '1'='1", "%", "_", "\\", "'); DROP TABLE TB_PUBGO; --"}) {
    EXPECT_TRUE(LookupAll(db(), "vh_pubgo", {Arg("PUBGO003", 1, value)}).rows.empty()) << value;
    EXPECT_TRUE(LookupAll(db(), "vh_pubgo", {Arg("PUBGO003", 0, value)}).rows.empty()) << value;
  }
  EXPECT_FALSE(LookupAll(db(), "vh_pubgo").rows.empty());
}

TEST_F(DocumentList, IsNewestFirst) {
  RowSet list = AllDocuments(db());
  for (size_t r = 1; r < list.rows.size(); ++r)
    EXPECT_GE(list.Value(r - 1, "BILDA003").AsDateTime(), list.Value(r, "BILDA003").AsDateTime());
}

TEST_F(DocumentList, FiltersByTheArguments) {
  RowSet all = AllDocuments(db());
  auto count = [&](auto pred) {
    size_t n = 0;
    for (size_t r = 0; r < all.rows.size(); ++r) n += pred(r) ? 1 : 0;
    return n;
  };
  auto search = [&](std::vector<LookupArg> args) {
    RowSet rows;
    DbStatus st = db().DocumentList(args, rows);
    EXPECT_TRUE(st.ok()) << st.text;
    return rows;
  };

  // Contains and starts with, on a text column; ASCII case ignored.
  RowSet march = search({Arg("BILDA002", 2, "fd202403")});
  EXPECT_EQ(march.rows.size(), count([&](size_t r) { return all.Value(r, "BILDA002").AsString().starts_with("FD202403"); }));
  EXPECT_GT(march.rows.size(), 0u);
  RowSet water = search({Arg("BILDA011", 1, "水费")});
  EXPECT_EQ(water.rows.size(), count([&](size_t r) { return Pos("水费", all.Value(r, "BILDA011").AsString()) > 0; }));
  EXPECT_GT(water.rows.size(), 0u);

  // Equality on a code and on a joined column; several arguments all apply.
  std::string merchant = all.Value(0, "BILDA006C1").AsString();
  RowSet open = search({Arg("BILDA018", 0, "N"), Arg("BILDA006C1", 0, merchant)});
  EXPECT_EQ(open.rows.size(), count([&](size_t r) {
              return all.Value(r, "BILDA018").AsString() == "N" && all.Value(r, "BILDA006C1").AsString() == merchant;
            }));

  // Dates go by the day, whatever time the value holds.
  RowSet q1 = search({Arg("BILDA003", 3, "2024-01-01"), Arg("BILDA003", 4, "2024-03-31 08:00")});
  TDateTime from = EncodeDate(2024, 1, 1), to = EncodeDate(2024, 3, 31);
  EXPECT_EQ(q1.rows.size(), count([&](size_t r) {
              TDateTime d = all.Value(r, "BILDA003").AsDateTime();
              return d >= from && d <= to;
            }));
  EXPECT_GT(q1.rows.size(), 0u);
  int enteredColumn = all.ColumnIndex("BILDA015");
  std::string day = ValueText(all.columns[enteredColumn], all.rows[0][enteredColumn]).substr(0, 10);
  RowSet entered = search({Arg("BILDA015", 0, day)});
  EXPECT_GE(entered.rows.size(), 1u);

  // An empty equal value matches NULL; not equal keeps NULLs.
  RowSet unaudited = search({Arg("BILDA016", 0, "")});
  EXPECT_EQ(unaudited.rows.size(), count([&](size_t r) { return all.Value(r, "BILDA016").IsNull(); }));
  RowSet notVoid = search({Arg("BILDA018", 5, "X")});
  EXPECT_EQ(notVoid.rows.size(), count([&](size_t r) { return all.Value(r, "BILDA018").AsString() != "X"; }));

  // Numbers: a value that is no stored value may still be searched for.
  EXPECT_TRUE(search({Arg("BILDA_ID", 0, "99999999999")}).rows.empty());
  EXPECT_EQ(search({Arg("BILDA002", 0, std::string(40, 'F'))}).rows.size(), 0u);

  // Refused: unknown column, wrong kind for the type, unreadable value.
  RowSet rows;
  EXPECT_EQ(db().DocumentList({Arg("BILDA099", 0, "1")}, rows).code, DbCode::BadArgument);
  EXPECT_EQ(db().DocumentList({Arg("BILDA001", 1, "1")}, rows).code, DbCode::BadArgument);
  EXPECT_EQ(db().DocumentList({Arg("BILDA003", 3, "yesterday")}, rows).code, DbCode::BadArgument);
  EXPECT_EQ(db().DocumentList({Arg("arg", 0, "1")}, rows).code, DbCode::BadArgument);
}

TEST_F(DocumentList, DisplayGivesTheHeaderAndItsLines) {
  RowSet all = AllDocuments(db());
  int64_t id = all.Value(7, "BILDA_ID").AsInt64();
  RowSet header, lines;
  ASSERT_TRUE(db().Display(id, header, lines).ok());
  ASSERT_EQ(header.rows.size(), 1u);
  EXPECT_EQ(header.rows[0], all.rows[7]);
  ASSERT_FALSE(lines.rows.empty());
  for (size_t l = 1; l < lines.rows.size(); ++l)
    EXPECT_LT(lines.Value(l - 1, "BILDB_ID").AsInt64(), lines.Value(l, "BILDB_ID").AsInt64());

  ASSERT_TRUE(db().Display(-5, header, lines).ok());
  EXPECT_TRUE(header.rows.empty());
  EXPECT_TRUE(lines.rows.empty());
  EXPECT_EQ(header.columns.size(), 45u);  // an empty answer still describes its fields
}

}  // namespace
}  // namespace hostdb_test
