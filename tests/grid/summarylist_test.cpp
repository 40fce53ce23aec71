// The grid's sum list and the footers' aggregate items: a designing grid leaves the dataset
// alone, the published settings, and items that follow a footer's value type and field.
#include <gtest/gtest.h>

#include <string>

#include "grid/summarylist.h"
#include "memtable/table_support.h"
#include "platform/classes/published.h"

using namespace mttable_test;

namespace {

struct SumListFixture : public ::testing::Test {
  TComponent grid{nullptr};  // stands for the grid that owns the list
  TMemTableGx table{&grid};
  TDBGridGxSumList sums{&grid};
  void SetUp() override {
    MakeTable(table);
    AppendRow(table, 1, "a", 1.5);
    AppendRow(table, 2, "b", Null());
    AppendRow(table, 3, "c", 4.0);
    sums.SetDataSet(&table);
  }
  TDBSumCollection* Items() { return sums.SumCollection(); }
};

}  // namespace

TEST_F(SumListFixture, MadeInactiveWithItsSettingsPublished) {
  EXPECT_FALSE(sums.Active());
  EXPECT_FALSE(sums.EventsHooked());
  for (const char* name : {"Active", "ExternalRecalc", "VirtualRecords", "OnRecalcAll", "OnAfterRecalcAll",
                           "SumListChanged"})
    EXPECT_NE(GetPropInfo(&sums, name), nullptr) << name;
  EXPECT_EQ(sums.Owner(), &grid);
}

TEST_F(SumListFixture, ADesigningGridOnlyMarksTheEventsHooked) {
  int posts = 0;
  table.SetAfterPost([&](TDataSet*) { ++posts; });
  grid.SetDesigning(true);
  TDBSum* item = SyncFooterSumItem(Items(), nullptr, fvtSum, "", "AMOUNT");
  sums.SetActive(true);
  EXPECT_TRUE(sums.EventsHooked());
  EXPECT_EQ(item->SumValue(), 55000);  // computed once for the designer...
  AppendRow(table, 4, "d", 1.0);
  EXPECT_EQ(posts, 1);
  EXPECT_EQ(item->SumValue(), 55000);  // ...but not followed record by record
  sums.SetActive(false);
  EXPECT_FALSE(sums.EventsHooked());
  AppendRow(table, 5, "e", 1.0);
  EXPECT_EQ(posts, 2);  // the dataset's own handler was never replaced
  grid.SetDesigning(false);
  sums.SetActive(true);
  EXPECT_EQ(item->SumValue(), 75000);
  AppendRow(table, 6, "f", 1.0);
  EXPECT_EQ(posts, 3);
  EXPECT_EQ(item->SumValue(), 85000);
}

TEST_F(SumListFixture, HandlersStandingOnTheDatasetGoBackAlsoWhenTheGridTurnsToDesign) {
  int posts = 0;
  table.SetAfterPost([&](TDataSet*) { ++posts; });
  sums.SetActive(true);
  grid.SetDesigning(true);
  sums.ReturnEvents();
  EXPECT_FALSE(sums.EventsHooked());
  grid.SetDesigning(false);
  sums.SetActive(false);
  AppendRow(table, 4, "d", 1.0);
  EXPECT_EQ(posts, 1);  // the own handler is back, not an empty one
}

TEST_F(SumListFixture, FooterItemsFollowTheValueTypeAndField) {
  sums.SetActive(true);
  // A sum without a footer field sums the column's field.
  TDBSum* item = SyncFooterSumItem(Items(), nullptr, fvtSum, "", "AMOUNT");
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(Items()->Count(), 1);
  EXPECT_EQ(item->FieldName(), "AMOUNT");
  EXPECT_EQ(item->SumValue(), 55000);
  // The footer's own field wins.
  EXPECT_EQ(SyncFooterSumItem(Items(), item, fvtAvg, "ID", "AMOUNT"), item);
  EXPECT_EQ(item->GroupOperation(), goAvg);
  EXPECT_EQ(item->SumValue(), 20000);
  // A count counts records, whatever field the footer names.
  EXPECT_EQ(SyncFooterSumItem(Items(), item, fvtCount, "AMOUNT", "AMOUNT"), item);
  EXPECT_EQ(item->FieldName(), "");
  EXPECT_EQ(item->SumValue(), 30000);
  // Static text needs no item; back to a sum makes a new one.
  EXPECT_EQ(SyncFooterSumItem(Items(), item, fvtStaticText, "", "AMOUNT"), nullptr);
  EXPECT_EQ(Items()->Count(), 0);
  item = SyncFooterSumItem(Items(), nullptr, fvtSum, "", "AMOUNT");
  EXPECT_EQ(Items()->Count(), 1);
  EXPECT_EQ(item->SumValue(), 55000);
  EXPECT_EQ(SyncFooterSumItem(Items(), nullptr, fvtFieldValue, "", "AMOUNT"), nullptr);
  EXPECT_EQ(SyncFooterSumItem(Items(), nullptr, fvtNon, "", "AMOUNT"), nullptr);
  EXPECT_EQ(Items()->Count(), 1);
}

TEST_F(SumListFixture, OneChangeOfAFooterIsOnePass) {
  sums.SetActive(true);
  int passes = 0;
  sums.OnRecalcAll = [&](TObject*) { ++passes; };
  TDBSum* item = SyncFooterSumItem(Items(), nullptr, fvtAvg, "", "AMOUNT");
  EXPECT_EQ(passes, 1);
  SyncFooterSumItem(Items(), item, fvtSum, "ID", "AMOUNT");
  EXPECT_EQ(passes, 2);
  EXPECT_EQ(item->SumValue(), 60000);
}
