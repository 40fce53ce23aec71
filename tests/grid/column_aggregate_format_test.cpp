// A column bound to an aggregate field formats the aggregate by the column's display format.
#include <gtest/gtest.h>

#include "dbgrid_test_util.h"
#include "platform/rtl/sysutils.h"

using namespace dbgridtest;

namespace {

class ColumnAggregateFormatTest : public DBGridTest {
 protected:
  void SetUp() override {
    DBGridTest::SetUp();
    aggTable = new TMemTableGx(nullptr);
    aggTable->FieldDefs().Add("ID", ftInteger);
    aggTable->FieldDefs().Add("AMOUNT", ftFloat);
    aggTable->FieldDefs().Add("DAY", ftDate);
    for (int i = 0; i < aggTable->FieldDefs().Count(); ++i) aggTable->FieldDefs().Items(i)->CreateField(aggTable);
    total = AddAggregate("TOTAL", "SUM(AMOUNT)");
    last = AddAggregate("LASTDAY", "MAX(DAY)");
    aggTable->CreateDataSet();
    auto add = [&](int id, double amount, TDateTime day) {
      aggTable->Append();
      aggTable->FieldByName("ID")->SetValue(id);
      aggTable->FieldByName("AMOUNT")->SetValue(amount);
      aggTable->FieldByName("DAY")->SetValue(Variant::FromDateTime(day));
      aggTable->Post();
    };
    add(1, 1234.5, EncodeDate(2026, 3, 1));
    add(2, 100.25, EncodeDate(2026, 5, 9));
    aggTable->SetAggregatesActive(true);
    aggSource = new TDataSource(nullptr);
    aggSource->SetDataSet(aggTable);
  }
  void TearDown() override {
    if (grid) grid->SetDataSource(nullptr);
    DBGridTest::TearDown();
    delete aggSource;
    delete aggTable;
  }
  TAggregateField* AddAggregate(const char* name, const char* expression) {
    auto* f = new TAggregateField(aggTable);
    f->SetFieldName(name);
    f->SetExpression(expression);
    f->SetActive(true);
    f->SetDataSet(aggTable);
    return f;
  }

  TMemTableGx* aggTable = nullptr;
  TDataSource* aggSource = nullptr;
  TAggregateField* total = nullptr;
  TAggregateField* last = nullptr;
};

}  // namespace

TEST_F(ColumnAggregateFormatTest, AFloatAggregateTakesTheColumnsNumberFormat) {
  MakeGrid();
  grid->SetDataSource(aggSource);
  TColumnGx* c = AddColumn("TOTAL");
  ASSERT_EQ(c->Field(), total);
  ASSERT_EQ(total->ResultType(), ftFloat);
  c->SetDisplayFormat("#,##0.00");
  EXPECT_EQ(c->GetDisplayText(), "1,334.75");
}

TEST_F(ColumnAggregateFormatTest, ADateAggregateTakesTheColumnsDateFormat) {
  MakeGrid();
  grid->SetDataSource(aggSource);
  TColumnGx* c = AddColumn("LASTDAY");
  ASSERT_EQ(c->Field(), last);
  last->SetResultType(ftDate);  // the table's maximum comes back as a number
  c->SetDisplayFormat("yyyy\"年\"m\"月\"d\"日\"");
  EXPECT_EQ(c->GetDisplayText(), "2026年5月9日");
}
