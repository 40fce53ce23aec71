// The captions the host database keeps beside its lookup views, for the lookup dialog: a title
// per view and a caption per column, also in a database made before they were kept.
#include "hostdb_support.h"

namespace {

using namespace hostdb_test;

class Captions : public FreshDb {};

TEST_F(Captions, EveryServedViewHasATitleAndACaptionForEachColumn) {
  for (const std::string& view : ServedViews()) {
    RowSet rows;
    DbStatus st = db.Lookup(view, {}, rows);
    ASSERT_TRUE(st.ok()) << st.text;
    EXPECT_FALSE(rows.title.empty()) << view;
    EXPECT_NE(rows.title, view);
    ASSERT_EQ(rows.captions.size(), rows.columns.size()) << view;
    for (size_t i = 0; i < rows.columns.size(); ++i) {
      EXPECT_FALSE(rows.captions[i].empty()) << view << "." << rows.columns[i].name;
      EXPECT_NE(rows.captions[i], rows.columns[i].name);
    }
  }
  RowSet merchants;
  ASSERT_TRUE(db.Lookup("vh_pubgo", {}, merchants).ok());
  EXPECT_EQ(merchants.title, "商户");
  EXPECT_EQ(merchants.captions[merchants.ColumnIndex("PUBGO001")], "商户号");
  EXPECT_EQ(merchants.captions[merchants.ColumnIndex("PUBGO003")], "商户名称");
  // The reply's name stays the view's.
  EXPECT_EQ(merchants.table, "vh_pubgo");
}

TEST_F(Captions, ADatabaseWithoutThemGetsThemWhenOpenedAndKeptOnesStay) {
  db.Close();
  {
    RawDb raw(file.path());
    ASSERT_EQ(raw.Exec("DROP TABLE HOST_CAPTION"), SQLITE_OK);
  }
  ASSERT_TRUE(db.Open(file.path()).ok());
  EXPECT_FALSE(db.Created());
  RowSet stalls;
  ASSERT_TRUE(db.Lookup("vh_pubig_t1", {}, stalls).ok());
  EXPECT_EQ(stalls.title, "摊位");
  EXPECT_EQ(stalls.captions[stalls.ColumnIndex("PUBIG003")], "摊位编号");

  // A caption changed in the database is what the lookup gives, also after another open.
  db.Close();
  {
    RawDb raw(file.path());
    ASSERT_EQ(raw.Exec("UPDATE HOST_CAPTION SET CAPTION = '铺位' WHERE OBJECT_NAME = 'vh_pubig_t1' AND FIELD_NAME = ''"),
              SQLITE_OK);
  }
  ASSERT_TRUE(db.Open(file.path()).ok());
  ASSERT_TRUE(db.Lookup("vh_pubig_t1", {}, stalls).ok());
  EXPECT_EQ(stalls.title, "铺位");
}

}  // namespace
