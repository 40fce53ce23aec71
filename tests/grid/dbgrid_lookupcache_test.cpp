// A lookup column's text in the editor comes through the column's lookup cache: the text last
// written through the column stays shown while the record holds its key, or while the lookup list
// no longer holds the record's key.
#include <gtest/gtest.h>

#include "dbgrid_test_util.h"

using namespace dbgridtest;

namespace {

struct LookupCacheCase {
  const char* name;
  int cacheKey;        // 0: no cache
  const char* cacheText;
  bool dropKeyFromList;  // the list loses the record's key (3)
  bool nullRecordKey;
  const char* want;
};

// gtest would otherwise print the raw bytes, padding included, which valgrind reports as unset.
void PrintTo(const LookupCacheCase& tc, std::ostream* os) { *os << tc.name; }

class LookupCacheTest : public DBGridTest, public ::testing::WithParamInterface<LookupCacheCase> {};

}  // namespace

TEST_P(LookupCacheTest, EditTextOfALookupColumn) {
  const LookupCacheCase& tc = GetParam();
  LookupTables tables;  // the record's key is 3 (丙)
  MakeGrid();
  TColumnGx* c = AddColumn("KNAME");
  grid->SetDataSource(&tables.source);
  ASSERT_EQ(c->GetColumnType(), ckLookup);
  if (tc.nullRecordKey) {
    tables.main.Edit();
    tables.main.FieldByName("KID")->Clear();
    tables.main.Post();
  }
  if (tc.cacheKey) c->SetLookupCache(Variant(tc.cacheKey), tc.cacheText);
  if (tc.dropKeyFromList) {
    ASSERT_TRUE(tables.lookup.Locate("ID", Variant(3), {}));
    tables.lookup.Delete();
  }
  EXPECT_EQ(grid->GetEditText(grid->DataToRawColumn(0), grid->Row()), tc.want);
  grid->SetDataSource(nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Grid, LookupCacheTest,
    ::testing::Values(LookupCacheCase{"NoCache", 0, "", false, false, "丙"},
                      LookupCacheCase{"SameKey", 3, "丙(缓存)", false, false, "丙(缓存)"},
                      LookupCacheCase{"OtherKeyStillListed", 2, "乙", false, false, "丙"},
                      LookupCacheCase{"OtherKeyNotListed", 2, "乙", true, false, "乙"},
                      LookupCacheCase{"NullKey", 2, "乙", false, true, ""}),
    [](const ::testing::TestParamInfo<LookupCacheCase>& info) { return std::string(info.param.name); });

// Typed into the editor and written back, the picked text survives the list losing its row.
TEST_F(DBGridTest, LookupTextWrittenBackIsCachedAndOutlivesTheList) {
  LookupTables tables;
  MakeGrid();
  TColumnGx* c = AddColumn("KNAME");
  grid->SetDataSource(&tables.source);
  const int col = grid->DataToRawColumn(0);
  tables.main.Edit();
  grid->SetEditText(col, grid->Row(), "乙");
  grid->UpdateData();
  tables.main.Post();
  EXPECT_EQ(tables.main.FieldByName("KID")->AsInteger(), 2);
  EXPECT_TRUE(c->LookupCacheValid());
  ASSERT_TRUE(tables.lookup.Locate("ID", Variant(2), {}));
  tables.lookup.Delete();
  tables.main.Refresh();
  EXPECT_EQ(tables.main.FieldByName("KNAME")->AsString(), "");  // the field itself has lost it
  EXPECT_EQ(grid->GetEditText(col, grid->Row()), "乙");
  grid->SetDataSource(nullptr);
  EXPECT_FALSE(c->LookupCacheValid());  // another link, other keys
}

// Picked from the open lookup list and posted, the text outlives the list losing its row too.
TEST_F(DBGridTest, LookupTextPickedFromTheListIsCachedAndOutlivesTheList) {
  LookupTables tables;  // the record's key is 3 (丙)
  MakeGrid();
  TColumnGx* c = AddColumn("KNAME");
  grid->SetDataSource(&tables.source);
  grid->SetFocus();
  grid->SetEditorMode(true);
  gridtest::Pump();
  auto* ed = static_cast<TDBGridInplaceEdit*>(grid->InplaceEditor());
  ASSERT_EQ(ed->EditStyle(), esDataList);
  uitest::KeyPress(VK_DOWN, false, false, true);  // Alt+Down
  ASSERT_TRUE(ed->ListVisible());
  Key(VK_UP);
  Key(VK_RETURN);
  ASSERT_FALSE(ed->ListVisible());
  ASSERT_EQ(ed->Text(), "乙");
  tables.main.Post();
  EXPECT_EQ(tables.main.FieldByName("KID")->AsInteger(), 2);
  EXPECT_TRUE(c->LookupCacheValid());
  ASSERT_TRUE(tables.lookup.Locate("ID", Variant(2), {}));
  tables.lookup.Delete();
  tables.main.Refresh();
  grid->SetEditorMode(false);
  grid->SetEditorMode(true);
  gridtest::Pump();
  EXPECT_EQ(ed->Text(), "乙");
  grid->SetDataSource(nullptr);
}
