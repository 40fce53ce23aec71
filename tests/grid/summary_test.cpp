// The summary engine over a memory table and over a dataset that does not number its records:
// the full pass, record-by-record maintenance through edits, inserts and deletes, refiltering and
// master scrolls, the ordered virtual-record list, and giving the events back.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "grid/summary.h"
#include "memtable/table_support.h"
#include "platform/db/testdataset.h"

using namespace mttable_test;

namespace {

constexpr int64_t F(double v) { return static_cast<int64_t>(v * 10000 + (v < 0 ? -0.5 : 0.5)); }

// A table of ID, NAME and AMOUNT with the given amounts (ID 1, 2, ...) and a producer over it.
struct SumFixture : public ::testing::Test {
  TComponent owner{nullptr};
  TMemTableGx table{&owner};
  TDBSumListProducer sums{&owner};
  int notices = 0;

  void Fill(const std::vector<Variant>& amounts) {
    MakeTable(table);
    int id = 1;
    for (const Variant& a : amounts) AppendRow(table, id++, "n", a);
  }
  TDBSum* AddSum(TGroupOperation op, const std::string& field) {
    auto* item = static_cast<TDBSum*>(sums.SumCollection()->Add());
    item->SetGroupOperation(op);
    item->SetFieldName(field);
    return item;
  }
  void Start() {
    sums.SumListChanged = [this](TObject*) { ++notices; };
    sums.SetDataSet(&table);
    sums.SetActive(true);
  }
};

}  // namespace

TEST_F(SumFixture, ActivationComputesEveryKindAndLeavesTheTableOnItsFirstRecord) {
  Fill({1.0, Null(), 2.0});
  TDBSum* sum = AddSum(goSum, "AMOUNT");
  TDBSum* avg = AddSum(goAvg, "amount");
  TDBSum* values = AddSum(goCount, "AMOUNT");
  TDBSum* records = AddSum(goCount, "");
  TDBSum* idle = AddSum(goSum, "");  // names no field: takes no part
  table.Last();
  Start();
  EXPECT_TRUE(sums.EventsHooked());
  EXPECT_EQ(sum->SumValue(), F(3));
  EXPECT_EQ(avg->SumValue(), F(1.5));  // the null is not counted
  EXPECT_EQ(values->SumValue(), F(2));
  EXPECT_EQ(records->SumValue(), F(3));
  EXPECT_EQ(idle->SumValue(), 0);
  EXPECT_EQ(sum->Value(), Currency::FromInt(3));
  EXPECT_EQ(table.FieldByName("ID")->AsInteger(), 1);
  EXPECT_GE(notices, 1);
  EXPECT_EQ(sums.FindSum(goAvg, "AMOUNT"), avg);
  EXPECT_EQ(sums.FindSum(goCount, ""), records);
  EXPECT_EQ(sums.FindSum(goAvg, "ID"), nullptr);
}

TEST_F(SumFixture, ValuesAreFixedPointWithFourDecimals) {
  Fill({1.0, 1.0, 2.0, 0.00004, 0.33335});
  TDBSum* sum = AddSum(goSum, "AMOUNT");
  TDBSum* avg = AddSum(goAvg, "AMOUNT");
  Start();
  // 0.00004 rounds to 0, 0.33335 to 0.3334 (each value on its own).
  EXPECT_EQ(sum->SumValue(), 43334);
  EXPECT_EQ(avg->SumValue(), 8667);  // 43334 / 5 = 8666.8
  table.Last();
  table.Delete();
  table.Delete();
  EXPECT_EQ(avg->SumValue(), 13333);  // 4 / 3
}

TEST_F(SumFixture, EditAndPostReplaceTheRecordsContribution) {
  Fill({1.0, Null(), 2.0});
  TDBSum* sum = AddSum(goSum, "AMOUNT");
  TDBSum* avg = AddSum(goAvg, "AMOUNT");
  TDBSum* values = AddSum(goCount, "AMOUNT");
  Start();
  table.Next();  // the null row
  table.Edit();
  table.FieldByName("AMOUNT")->SetValue(6.5);
  table.Post();
  EXPECT_EQ(sum->SumValue(), F(9.5));
  EXPECT_EQ(avg->SumValue(), F(9.5 / 3));
  EXPECT_EQ(values->SumValue(), F(3));
  table.First();
  table.Edit();
  table.FieldByName("AMOUNT")->Clear();
  table.Post();
  EXPECT_EQ(sum->SumValue(), F(8.5));
  EXPECT_EQ(avg->SumValue(), F(4.25));
  EXPECT_EQ(values->SumValue(), F(2));
  // A cancelled edit changes nothing.
  table.Edit();
  table.FieldByName("AMOUNT")->SetValue(100.0);
  table.Cancel();
  EXPECT_EQ(sum->SumValue(), F(8.5));
  table.Edit();
  table.Post();
  EXPECT_EQ(sum->SumValue(), F(8.5));
  EXPECT_EQ(values->SumValue(), F(2));
}

TEST_F(SumFixture, AppendedRecordsCountOnceTheyArePosted) {
  Fill({1.0, 2.0});
  TDBSum* sum = AddSum(goSum, "AMOUNT");
  TDBSum* avg = AddSum(goAvg, "AMOUNT");
  TDBSum* values = AddSum(goCount, "AMOUNT");
  TDBSum* records = AddSum(goCount, "");
  Start();
  // The new record's counted field has a value before it is posted.
  table.SetOnNewRecord([](TDataSet* ds) { ds->FieldByName("AMOUNT")->SetValue(4.0); });
  table.Append();
  EXPECT_EQ(sum->SumValue(), F(3));
  table.FieldByName("ID")->SetValue(3);
  table.Post();
  EXPECT_EQ(sum->SumValue(), F(7));
  EXPECT_EQ(avg->SumValue(), F(7.0 / 3));
  EXPECT_EQ(values->SumValue(), F(3));
  EXPECT_EQ(records->SumValue(), F(3));
  // A cancelled insert adds nothing.
  table.Append();
  table.Cancel();
  EXPECT_EQ(records->SumValue(), F(3));
  table.SetOnNewRecord(nullptr);
  AppendRow(table, 4, "x");  // amount null
  EXPECT_EQ(records->SumValue(), F(4));
  EXPECT_EQ(values->SumValue(), F(3));
  EXPECT_EQ(avg->SumValue(), F(7.0 / 3));
}

TEST_F(SumFixture, RecordCountsHaveNoFieldToBeNull) {
  Fill({1.0, Null()});
  TDBSum* records = AddSum(goCount, "");
  Start();
  EXPECT_EQ(records->SumValue(), F(2));
  // Edit and post of a record keep the count; nothing asks for a field named "".
  table.Edit();
  table.FieldByName("NAME")->SetValue("m");
  ASSERT_NO_THROW(table.Post());
  EXPECT_EQ(records->SumValue(), F(2));
  ASSERT_NO_THROW(table.Delete());
  EXPECT_EQ(records->SumValue(), F(1));
}

TEST_F(SumFixture, DeleteTakesAwayWhatTheRecordContributed) {
  Fill({1.0, Null(), 2.0});
  TDBSum* sum = AddSum(goSum, "AMOUNT");
  TDBSum* avg = AddSum(goAvg, "AMOUNT");
  TDBSum* values = AddSum(goCount, "AMOUNT");
  Start();
  notices = 0;
  table.Next();
  table.Delete();  // the null: the average's count stays
  EXPECT_EQ(avg->SumValue(), F(1.5));
  EXPECT_EQ(values->SumValue(), F(2));
  EXPECT_EQ(notices, 1);
  table.First();
  table.Delete();
  EXPECT_EQ(sum->SumValue(), F(2));
  EXPECT_EQ(avg->SumValue(), F(2));
  EXPECT_EQ(values->SumValue(), F(1));
  table.Delete();
  EXPECT_EQ(sum->SumValue(), 0);
  EXPECT_EQ(avg->SumValue(), 0);
  EXPECT_EQ(values->SumValue(), 0);
}

TEST_F(SumFixture, DeletingARecordInEditTakesAwayItsPostedValue) {
  Fill({1.0, 2.0});
  TDBSum* sum = AddSum(goSum, "AMOUNT");
  TDBSum* avg = AddSum(goAvg, "AMOUNT");
  TDBSum* values = AddSum(goCount, "AMOUNT");
  Start();
  table.Edit();
  table.FieldByName("AMOUNT")->SetValue(50.0);
  table.Delete();
  EXPECT_EQ(sum->SumValue(), F(2));
  EXPECT_EQ(avg->SumValue(), F(2));
  EXPECT_EQ(values->SumValue(), F(1));
  // Deleting an inserted record cancels it.
  table.Append();
  table.FieldByName("AMOUNT")->SetValue(7.0);
  table.Delete();
  EXPECT_EQ(sum->SumValue(), F(2));
  EXPECT_EQ(values->SumValue(), F(1));
}

TEST_F(SumFixture, ActivatingDuringAnEditCountsThePostedRecordOnce) {
  Fill({1.0, 2.0});
  TDBSum* sum = AddSum(goSum, "AMOUNT");
  TDBSum* records = AddSum(goCount, "");
  sums.SetDataSet(&table);
  table.First();
  table.Edit();
  table.FieldByName("AMOUNT")->SetValue(5.0);
  sums.SetActive(true);  // the pass's First posts the edit
  EXPECT_EQ(table.State(), dsBrowse);
  EXPECT_EQ(sum->SumValue(), F(7));
  EXPECT_EQ(records->SumValue(), F(2));
}

TEST_F(SumFixture, CloseClearsAndOpenComputesAgain) {
  Fill({1.0, 2.0});
  TDBSum* sum = AddSum(goSum, "AMOUNT");
  Start();
  table.Close();
  EXPECT_EQ(sum->SumValue(), 0);
  EXPECT_TRUE(sums.Active());
  table.Open();
  EXPECT_EQ(sum->SumValue(), F(3));
  // Deactivation clears; activation computes.
  sums.SetActive(false);
  EXPECT_EQ(sum->SumValue(), 0);
  EXPECT_FALSE(sums.EventsHooked());
  AppendRow(table, 3, "c", 10.0);
  EXPECT_EQ(sum->SumValue(), 0);
  sums.SetActive(true);
  EXPECT_EQ(sum->SumValue(), F(13));
}

TEST_F(SumFixture, TheMastersScrollComputesTheDetailAgain) {
  TMemTableGx master(&owner);
  master.SetName("mtblMaster");
  master.FieldDefs().Add("MID", ftInteger);
  master.CreateDataSet();
  for (int id : {10, 20}) {
    master.Append();
    master.FieldByName("MID")->SetValue(id);
    master.Post();
  }
  table.SetName("mtblDetail");
  table.FieldDefs().Add("ID", ftInteger);
  table.FieldDefs().Add("MID", ftInteger);
  table.FieldDefs().Add("AMOUNT", ftCurrency);
  table.CreateDataSet();
  int id = 1;
  for (auto [mid, amount] : std::vector<std::pair<int, double>>{{10, 1.25}, {20, 7}, {10, 2.5}}) {
    table.Append();
    table.FieldByName("ID")->SetValue(id++);
    table.FieldByName("MID")->SetValue(mid);
    table.FieldByName("AMOUNT")->SetValue(amount);
    table.Post();
  }
  TDataSource source(&owner);
  source.SetDataSet(&master);
  table.SetMasterSource(&source);
  table.SetMasterFields("MID");
  table.SetDetailFields("MID");
  int masterScrolls = 0;
  master.SetAfterScroll([&](TDataSet*) { ++masterScrolls; });
  TDBSum* sum = AddSum(goSum, "AMOUNT");
  master.First();
  Start();
  masterScrolls = 0;
  EXPECT_EQ(sum->SumValue(), F(3.75));
  master.Next();
  EXPECT_EQ(sum->SumValue(), F(7));
  EXPECT_EQ(masterScrolls, 1);  // the master's own handler still runs
  // A new master record has no lines yet; cancelling it brings the master's lines back.
  master.Append();
  EXPECT_EQ(sum->SumValue(), 0);
  master.Cancel();
  EXPECT_EQ(master.FieldByName("MID")->AsInteger(), 20);
  EXPECT_EQ(sum->SumValue(), F(7));
  masterScrolls = 1;
  sums.SetActive(false);
  master.First();
  EXPECT_EQ(masterScrolls, 2);
  EXPECT_EQ(sum->SumValue(), 0);
}

// A producer on a master and one on its detail both hook the master's after-scroll, one as its
// dataset's and one as its master's: whichever hooks first and whichever goes first, the master's
// own handler is what stays.
TEST_F(SumFixture, ProducersOnAMasterAndItsDetailGiveTheMastersScrollBack) {
  TMemTableGx master(&owner);
  master.FieldDefs().Add("MID", ftInteger);
  master.FieldDefs().Add("AMOUNT", ftCurrency);
  master.CreateDataSet();
  for (int id : {10, 20}) {
    master.Append();
    master.FieldByName("MID")->SetValue(id);
    master.FieldByName("AMOUNT")->SetValue(id);
    master.Post();
  }
  TDataSource source(&owner);
  source.SetDataSet(&master);
  MakeTable(table);
  table.SetMasterSource(&source);
  int scrolls = 0;
  auto own = [&](TDataSet*) { ++scrolls; };
  master.SetAfterScroll(own);
  for (bool detailFirst : {true, false}) {
    for (bool detailGoesFirst : {true, false}) {
      SCOPED_TRACE(std::string(detailFirst ? "detail hooked first" : "master hooked first") +
                   (detailGoesFirst ? ", detail goes first" : ", master goes first"));
      auto detailSums = std::make_unique<TDBSumListProducer>(&owner);
      auto masterSums = std::make_unique<TDBSumListProducer>(&owner);
      detailSums->SetDataSet(&table);
      masterSums->SetDataSet(&master);
      static_cast<TDBSum*>(masterSums->SumCollection()->Add())->SetFieldName("AMOUNT");
      (detailFirst ? detailSums : masterSums)->SetActive(true);
      (detailFirst ? masterSums : detailSums)->SetActive(true);
      (detailGoesFirst ? detailSums : masterSums).reset();
      master.Next();
      if (masterSums) {
        EXPECT_EQ(static_cast<TDBSum*>(masterSums->SumCollection()->Items(0))->SumValue(), F(30));
      }
      detailSums.reset();
      masterSums.reset();
      EXPECT_NE(master.AfterScroll().target<decltype(own)>(), nullptr);
      scrolls = 0;
      master.First();
      EXPECT_EQ(scrolls, 1);
    }
  }
  table.SetMasterSource(nullptr);
  master.SetAfterScroll(nullptr);
}

TEST_F(SumFixture, OwnHandlersRunAndComeBackWhenTheEventsAreReturned) {
  Fill({1.0});
  std::vector<std::string> calls;
  table.SetAfterPost([&](TDataSet*) { calls.push_back("post"); });
  table.SetBeforeDelete([&](TDataSet*) { calls.push_back("delete"); });
  AddSum(goSum, "AMOUNT");
  Start();
  AppendRow(table, 2, "b", 1.0);
  table.Delete();
  EXPECT_EQ(calls, (std::vector<std::string>{"post", "delete"}));
  TMemTableGx other(&owner);
  MakeTable(other, "mtblOther");
  sums.SetDataSet(&other);  // the first table gets its own handlers back
  EXPECT_TRUE(sums.EventsHooked());
  calls.clear();
  AppendRow(table, 3, "c", 1.0);
  EXPECT_EQ(calls, (std::vector<std::string>{"post"}));
  AppendRow(other, 1, "a", 4.0);
  EXPECT_EQ(sums.SumCollection()->Items(0)->SumValue(), F(4));
  EXPECT_EQ(calls.size(), 1u);
}

TEST_F(SumFixture, AnUnknownFieldRaisesAndThePassStillEndsCleanly) {
  Fill({1.0, 2.0});
  AddSum(goSum, "AMOUNT");
  sums.SetDataSet(&table);
  sums.SetActive(true);
  sums.SumListChanged = [this](TObject*) { ++notices; };
  EXPECT_EQ(ErrorOf([&] { AddSum(goSum, "MISSING"); }), "mtblTest: Field 'MISSING' not found");
  EXPECT_FALSE(table.ControlsDisabled());
  EXPECT_FALSE(sums.Recalculating());
  EXPECT_GE(notices, 1);
  // The per-record maintenance raises the same error.
  EXPECT_EQ(ErrorOf([&] { table.Edit(); }), "mtblTest: Field 'MISSING' not found");
}

TEST_F(SumFixture, ChangingAnItemOrExternalRecalcComputesAgain) {
  Fill({1.0, 2.0});
  TDBSum* item = AddSum(goSum, "AMOUNT");
  Start();
  item->SetGroupOperation(goAvg);
  EXPECT_EQ(item->SumValue(), F(1.5));
  item->SetFieldName("ID");
  EXPECT_EQ(item->SumValue(), F(1.5));
  item->SetGroupOperation(goSum);
  EXPECT_EQ(item->SumValue(), F(3));
  // Computed outside: the pass is left to the handler.
  sums.OnRecalcAll = [&](TObject*) { item->SetSumValue(F(42)); };
  sums.SetExternalRecalc(true);
  EXPECT_EQ(item->SumValue(), F(42));
  sums.OnRecalcAll = nullptr;
  sums.SetExternalRecalc(false);
  EXPECT_EQ(item->SumValue(), F(3));
}

TEST_F(SumFixture, AssignCopiesTheSettingsAndTheItems) {
  Fill({1.0, 2.0});
  AddSum(goAvg, "AMOUNT");
  Start();
  TDBSumListProducer copy(&owner);
  copy.Assign(&sums);
  EXPECT_TRUE(copy.Active());
  EXPECT_EQ(copy.DataSet(), &table);
  ASSERT_EQ(copy.SumCollection()->Count(), 1);
  EXPECT_EQ(copy.SumCollection()->Items(0)->GroupOperation(), goAvg);
  EXPECT_EQ(copy.SumCollection()->Items(0)->SumValue(), F(1.5));
}

TEST_F(SumFixture, ALoadingOrDesigningOwnerLeavesTheDatasetAlone) {
  Fill({1.0, 2.0});
  TDBSum* sum = AddSum(goSum, "AMOUNT");
  owner.SetDesigning(true);
  sums.SetDataSet(&table);
  sums.SetActive(true);
  EXPECT_TRUE(sums.Active());
  EXPECT_FALSE(sums.EventsHooked());
  EXPECT_EQ(sum->SumValue(), 0);
  owner.SetDesigning(false);
  sums.SetActive(false);
  sums.SetActive(true);
  EXPECT_EQ(sum->SumValue(), F(3));
}

TEST(SumListLifetime, ADestroyedDatasetIsForgotten) {
  TComponent owner(nullptr);
  TDBSumListProducer sums(&owner);
  auto* table = new TMemTableGx(&owner);
  MakeTable(*table);
  AppendRow(*table, 1, "a", 2.0);
  auto* item = static_cast<TDBSum*>(sums.SumCollection()->Add());
  item->SetFieldName("AMOUNT");
  sums.SetDataSet(table);
  sums.SetActive(true);
  EXPECT_EQ(item->SumValue(), F(2));
  table->Free();
  EXPECT_EQ(sums.DataSet(), nullptr);
  EXPECT_FALSE(sums.EventsHooked());
  EXPECT_EQ(item->SumValue(), 0);  // closed on the way out
  // Deleted without Free: only the references go.
  auto* other = new TMemTableGx(&owner);
  MakeTable(*other, "mtblOther");
  sums.SetDataSet(other);
  delete other;
  EXPECT_EQ(sums.DataSet(), nullptr);
}

// ---- virtual records

namespace {

// A dataset that numbers nothing: the producer keeps the record order.
class TUnnumberedDataSet : public TTestDataSet {
 public:
  using TTestDataSet::TTestDataSet;
  bool IsSequenced() const override { return false; }
};

struct VirtualFixture : public ::testing::Test {
  TComponent owner{nullptr};
  TUnnumberedDataSet ds{&owner};
  TDBSumListProducer sums{&owner};

  void SetUp() override {
    ds.FieldDefs().Add("ID", ftInteger);
    for (int id : {1, 3, 5}) ds.AddRow({id});
    ds.Open();
    sums.SetDataSet(&ds);
    sums.SetVirtualRecords(true);
    sums.SetActive(true);
  }
  // The IDs of the listed bookmarks, in list order.
  std::vector<int> ListedIds() {
    std::vector<int> ids;
    for (int i = 0; i < sums.VirtualRecList()->Count(); ++i) {
      ds.SetBookmark(sums.VirtualRecList()->Items(i));
      ids.push_back(ds.FieldByName("ID")->AsInteger());
    }
    return ids;
  }
  void InsertBefore(int recNo, int id) {
    sums.SetRecNo(recNo);
    ds.Insert();
    ds.FieldByName("ID")->SetValue(id);
    ds.Post();
  }
};

}  // namespace

// The filter text is read by OnFilterRecord: amounts above the number it holds.
TEST(SumListFilter, RefilteringComputesOnTheNextScrollAndScrollingAloneDoesNot) {
  TComponent owner(nullptr);
  TTestDataSet ds(&owner);
  ds.FieldDefs().Add("AMOUNT", ftFloat);
  for (double a : {1.0, 5.0, 10.0}) ds.AddRow({a});
  ds.SetOnFilterRecord([](TDataSet* d, bool& accept) {
    accept = d->FieldByName("AMOUNT")->AsFloat() > std::stod(d->Filter().empty() ? "0" : d->Filter());
  });
  ds.Open();
  TDBSumListProducer sums(&owner);
  auto* sum = static_cast<TDBSum*>(sums.SumCollection()->Add());
  sum->SetFieldName("AMOUNT");
  int passes = 0;
  sums.OnRecalcAll = [&](TObject*) { ++passes; };
  sums.SetDataSet(&ds);
  sums.SetActive(true);
  EXPECT_EQ(passes, 1);
  ds.Next();
  ds.Last();
  ds.First();
  EXPECT_EQ(passes, 1);
  ds.SetFilter("2");  // not filtered: nothing to do
  ds.Next();
  EXPECT_EQ(passes, 1);
  ds.SetFiltered(true);  // scrolls to the first record
  EXPECT_EQ(sum->SumValue(), F(15));
  EXPECT_EQ(passes, 2);
  ds.Next();
  EXPECT_EQ(passes, 2);
  ds.SetFilter("6");
  EXPECT_EQ(sum->SumValue(), F(10));
  EXPECT_EQ(passes, 3);
  ds.SetFiltered(false);
  EXPECT_EQ(sum->SumValue(), F(16));
  EXPECT_EQ(passes, 4);
}

TEST_F(VirtualFixture, RecordNumbersComeFromTheList) {
  EXPECT_EQ(sums.GetRecordCount(), 3);
  EXPECT_TRUE(sums.IsSequenced());
  EXPECT_EQ(sums.GetRecNo(), 1);
  sums.SetRecNo(3);
  EXPECT_EQ(ds.FieldByName("ID")->AsInteger(), 5);
  EXPECT_EQ(sums.GetRecNo(), 3);
  sums.SetRecNo(9);  // out of range: stays
  EXPECT_EQ(sums.GetRecNo(), 3);
  ds.Prior();
  EXPECT_EQ(sums.GetRecNo(), 2);
  EXPECT_EQ(ListedIds(), (std::vector<int>{1, 3, 5}));
  EXPECT_EQ(sums.FindBookmarkIndex(std::string("\x7f\0\0\0", 4)), -1);
}

TEST_F(VirtualFixture, AnInsertedRecordTakesItsPlaceInOrder) {
  InsertBefore(3, 4);  // the search starts at 5, above the new record
  EXPECT_EQ(ListedIds(), (std::vector<int>{1, 3, 4, 5}));
  InsertBefore(1, 0);
  EXPECT_EQ(ListedIds(), (std::vector<int>{0, 1, 3, 4, 5}));
  InsertBefore(3, 2);  // the search starts at 0, below the new record
  EXPECT_EQ(ListedIds(), (std::vector<int>{0, 1, 2, 3, 4, 5}));
  ds.Last();
  ds.Append();
  ds.FieldByName("ID")->SetValue(6);
  ds.Post();
  EXPECT_EQ(ListedIds(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(sums.GetRecordCount(), 7);
  // A cancelled insert leaves nothing behind.
  ds.First();
  ds.Insert();
  ds.Cancel();
  ds.Edit();
  ds.Post();
  EXPECT_EQ(sums.GetRecordCount(), 7);
}

TEST_F(VirtualFixture, ADeletedRecordLeavesTheList) {
  sums.SetRecNo(2);
  ds.Delete();
  EXPECT_EQ(ListedIds(), (std::vector<int>{1, 5}));
  ds.First();
  ds.Delete();
  ds.Delete();
  EXPECT_EQ(sums.GetRecordCount(), 0);
  EXPECT_TRUE(sums.IsSequenced());  // empty
  sums.SetVirtualRecords(false);
  EXPECT_FALSE(sums.IsSequenced());
}
