#include <gtest/gtest.h>

#include <random>

#include "memtable/aggregates.h"
#include "memtable/view_fixture.h"
#include "platform/classes/published.h"
#include "platform/db/fields.h"
#include "platform/db/testdataset.h"
#include "platform/rtl/exceptions.h"

using namespace viewtest;

namespace {

// A dataset whose fields match the store's columns stands in for the memory table: the
// aggregates read field numbers from it and need it open.
class ViewAggregateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ds = std::make_unique<TTestDataSet>();
    ds->FieldDefs().Add("ID", ftInteger);
    ds->FieldDefs().Add("PARENT", ftInteger);
    ds->FieldDefs().Add("NAME", ftString, 20);
    ds->FieldDefs().Add("AMOUNT", ftFloat);
    total = AddAggregateField("TOTAL", "SUM(AMOUNT)");
    count = AddAggregateField("ROWS", "COUNT(*)");
    ds->Open();
    store = MakeViewStore();
    list = store->RecordsList();
    view = Owned<TRecordsViewGx>(new TRecordsViewGx(ds.get()));
    view->SetMemTableData(store.get());
    aggs = view->Aggregates();
  }
  void TearDown() override {
    view.reset();
    store.reset();
    ds.reset();
  }
  TAggregateField* AddAggregateField(const std::string& name, const std::string& expression) {
    auto* f = new TAggregateField(ds.get());
    f->SetFieldName(name);
    f->SetExpression(expression);
    f->SetActive(true);
    f->SetDataSet(ds.get());
    return f;
  }
  // What a calculation from scratch over the view gives.
  Variant Full(const std::string& expression) {
    TDataSetExprParserGx p(ds.get(), TDataSetExprParserGx::ekAggregate);
    p.ParseExpression(expression);
    Variant v;
    p.CalcAggregateValue(*view, v);
    return v;
  }

  std::unique_ptr<TTestDataSet> ds;
  TAggregateField* total = nullptr;
  TAggregateField* count = nullptr;
  Owned<TMemTableDataGx> store;
  TRecordsListGx* list = nullptr;
  Owned<TRecordsViewGx> view;
  TMTAggregatesGx* aggs = nullptr;
};

TEST_F(ViewAggregateTest, RebuildMakesOneItemPerAggregateField) {
  EXPECT_EQ(aggs->Count(), 0);
  aggs->SetActive(true);
  ASSERT_EQ(aggs->Count(), 2);
  TMTAggregateGx* sum = aggs->Items(0);
  EXPECT_EQ(sum->Expression(), "SUM(AMOUNT)");
  EXPECT_TRUE(sum->Active());
  EXPECT_TRUE(sum->Prepared());
  EXPECT_EQ(sum->DataType(), ftFloat);
  EXPECT_EQ(total->Handle(), sum);
  EXPECT_EQ(total->ResultType(), ftFloat);
  EXPECT_EQ(count->Handle(), aggs->Items(1));
  EXPECT_EQ(sum->DisplayName(), "SUM(AMOUNT)");
  // Over no rows: SUM is Null, COUNT(*) is 0.
  EXPECT_TRUE(sum->Value().IsNull());
  EXPECT_EQ(aggs->Items(1)->Value().AsInteger(), 0);
  // Destroying an item unbinds its field.
  aggs->Delete(0);
  EXPECT_EQ(total->Handle(), nullptr);
  EXPECT_EQ(count->Handle(), aggs->Items(0));
  aggs->SetActive(false);
  EXPECT_EQ(aggs->Count(), 2);  // rebuilt, but nothing is prepared while inactive
  EXPECT_FALSE(aggs->Items(0)->Prepared());
  EXPECT_TRUE(aggs->Items(0)->Value().IsNull());
}

TEST_F(ViewAggregateTest, ValuesFollowTheView) {
  aggs->SetActive(true);
  TMTAggregateGx* sum = aggs->Items(0);
  TMTAggregateGx* rows = aggs->Items(1);
  Add(list, 1, Null(), "a", 2.0);
  Add(list, 2, Null(), "b", 3.0);
  EXPECT_EQ(sum->Value().AsDouble(), 5.0);
  EXPECT_EQ(rows->Value().AsInteger(), 2);
  TMemoryRecordGx* c = Add(list, 3, Null(), "c", Null());
  EXPECT_EQ(sum->Value().AsDouble(), 5.0);
  Set(c, AMOUNT, 10.0);
  EXPECT_EQ(sum->Value().AsDouble(), 15.0);
  list->DeleteRecord(0);
  EXPECT_EQ(sum->Value().AsDouble(), 13.0);
  EXPECT_EQ(rows->Value().AsInteger(), 2);
  // The filter decides which rows count.
  view->FilterRecordCallback = [](TMemoryRecordGx* r) { return r->Value(AMOUNT).AsDouble() > 5; };
  view->RebuildView();
  EXPECT_EQ(sum->Value().AsDouble(), 10.0);
  EXPECT_EQ(rows->Value().AsInteger(), 1);
  // Rows inserted into a sorted view.
  view->FilterRecordCallback = nullptr;
  view->RebuildView();
  view->SetOrderByStr("NAME DESC");
  Add(list, 4, Null(), "a", 1.0);
  Add(list, 5, Null(), "z", 100.0);
  EXPECT_EQ(sum->Value().AsDouble(), 114.0);
  EXPECT_EQ(rows->Value().AsInteger(), 4);
}

TEST_F(ViewAggregateTest, AppendedRowsAreFoldedInExactly) {
  aggs->SetActive(true);
  TMTAggregateGx* item = aggs->Add();
  item->SetActive(true);
  item->SetExpression("SUM(AMOUNT * ID) / COUNT(*) + MIN(AMOUNT) - MAX(ID)");
  std::mt19937 rng(3);
  for (int i = 1; i <= 300; ++i) {
    Add(list, i, Null(), "n", rng() % 5 == 0 ? Variant(Null()) : Variant((rng() % 1000) / 3.0));
    if (i % 37 == 0) {
      Variant full = Full(item->Expression());
      ASSERT_TRUE(VarSameValue(item->Value(), full)) << i;
    }
  }
  EXPECT_TRUE(VarSameValue(aggs->Items(0)->Value(), Full("SUM(AMOUNT)")));
}

TEST_F(ViewAggregateTest, SettingItemsDirectly) {
  TMTAggregateGx* item = aggs->Add();
  Add(list, 1, Null(), "a", 4.0);
  // The collection is inactive: an expression is not prepared and the value stays Null.
  item->SetActive(true);
  item->SetExpression("MAX(AMOUNT)");
  EXPECT_FALSE(item->Prepared());
  EXPECT_TRUE(item->Value().IsNull());
  aggs->SetActive(true);  // rebuilds from the fields: the hand-made item goes
  ASSERT_EQ(aggs->Count(), 2);
  item = aggs->Add();
  item->SetActive(true);
  item->SetExpression("MAX(AMOUNT)");
  EXPECT_EQ(item->Value().AsDouble(), 4.0);
  // Switching off drops the value; switching on calculates it again.
  item->SetActive(false);
  EXPECT_TRUE(item->Value().IsNull());
  item->SetActive(true);
  EXPECT_EQ(item->Value().AsDouble(), 4.0);
  // An expression that fails when calculated leaves the aggregate inactive.
  item->SetActive(false);
  item->SetExpression("SUM(AMOUNT / (ID - ID))");
  EXPECT_ANY_THROW(item->SetActive(true));
  EXPECT_FALSE(item->Active());
  // A parse error passes out of the setter of an active aggregate.
  item->SetExpression("SUM(AMOUNT)");
  item->SetActive(true);
  EXPECT_THROW(item->SetExpression("SUM(AMOUNT"), EDatabaseError);
  EXPECT_FALSE(item->Prepared());
  EXPECT_TRUE(item->Value().IsNull());
  // Assign copies Active and Expression.
  TMTAggregateGx* copy = aggs->Add();
  aggs->Items(0)->SetActive(true);
  copy->Assign(aggs->Items(0));
  EXPECT_EQ(copy->Expression(), "SUM(AMOUNT)");
  EXPECT_TRUE(copy->Active());
  EXPECT_EQ(copy->Value().AsDouble(), 4.0);
}

TEST_F(ViewAggregateTest, ActiveAndExpressionArePublished) {
  aggs->SetActive(true);
  Add(list, 1, Null(), "a", 4.0);
  TMTAggregateGx* item = aggs->Add();
  const TPropInfo* active = GetPropInfo(item, "Active");
  ASSERT_NE(active, nullptr);
  ASSERT_TRUE(active->DefaultValue.has_value());
  EXPECT_EQ(*active->DefaultValue, Variant(false));
  ASSERT_NE(GetPropInfo(item, "Expression"), nullptr);
  // Through the properties as a form resource sets them: the setters run.
  SetPropValue(item, "Expression", Variant("MAX(AMOUNT)"));
  SetPropValue(item, "Active", Variant(true));
  EXPECT_EQ(item->Value().AsDouble(), 4.0);
  EXPECT_EQ(GetPropValue(item, "Expression"), Variant("MAX(AMOUNT)"));
  EXPECT_EQ(GetPropValue(item, "Active"), Variant(true));
}

TEST_F(ViewAggregateTest, AClosedDatasetGivesNull) {
  aggs->SetActive(true);
  Add(list, 1, Null(), "a", 4.0);
  EXPECT_EQ(aggs->Items(0)->Value().AsDouble(), 4.0);
  ds->Close();
  aggs->Recalculate();
  EXPECT_TRUE(aggs->Items(0)->Value().IsNull());
  Add(list, 2, Null(), "b", 1.0);
  EXPECT_TRUE(aggs->Items(0)->Value().IsNull());
  // Inside an update nothing is calculated either.
  ds->Open();
  aggs->BeginUpdate();
  aggs->Recalculate();
  EXPECT_TRUE(aggs->Items(0)->Value().IsNull());
  aggs->EndUpdate();
  aggs->Recalculate();
  EXPECT_EQ(aggs->Items(0)->Value().AsDouble(), 5.0);
}

TEST_F(ViewAggregateTest, TreeViewsCountEveryVisibleNode) {
  aggs->SetActive(true);
  view->SetTreeKeyFieldName("ID");
  view->SetTreeRefParentFieldName("PARENT");
  view->SetViewAsTreeList(true);
  Add(list, 1, Null(), "a", 1.0);
  Add(list, 2, 1, "b", 2.0);
  Add(list, 3, 2, "c", 4.0);
  EXPECT_EQ(view->ViewItemsCount(), 1);  // collapsed
  EXPECT_EQ(aggs->Items(0)->Value().AsDouble(), 7.0);
  EXPECT_EQ(aggs->Items(1)->Value().AsInteger(), 3);
}

// Without a reader the filter reads the dataset's fields by name on its current record, and
// follows the dataset's filter options.
TEST(DataSetFilter, ReadsTheCurrentRecordOfTheDataset) {
  TTestDataSet ds;
  ds.FieldDefs().Add("NAME", ftString, 20);
  ds.FieldDefs().Add("AMOUNT", ftFloat);
  ds.AddRow({Variant("abc"), Variant(5.0)});
  ds.AddRow({Variant("XYZ"), Variant(50.0)});
  ds.AddRow({Variant("Abd"), Null()});
  ds.Open();
  TDataSetExprParserGx p(&ds, TDataSetExprParserGx::ekFilter);
  p.ParseExpression("NAME LIKE 'a%' OR AMOUNT > 10");
  std::vector<bool> seen;
  for (ds.First(); !ds.Eof(); ds.Next()) seen.push_back(p.CalcFilterResult(nullptr));
  EXPECT_EQ(seen, (std::vector<bool>{true, true, false}));
  ds.SetFilterOptions({foCaseInsensitive});
  seen.clear();
  for (ds.First(); !ds.Eof(); ds.Next()) seen.push_back(p.CalcFilterResult(nullptr));
  EXPECT_EQ(seen, (std::vector<bool>{true, true, true}));
  EXPECT_EQ(p.DependentFields(), (std::vector<std::string>{"NAME", "AMOUNT"}));
  EXPECT_THROW(p.ParseExpression("PRICE > 1"), EDatabaseError);
}

}  // namespace
