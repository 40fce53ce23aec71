// A text editor bound to a numeric field refuses as they are typed the characters the field cannot
// hold, and takes those a number of its kind needs (a float's decimal separator).
#include <gtest/gtest.h>

#include "dbeditor_fixture.h"
#include "editors/dbeditbase.h"
#include "memtable/memtable.h"

using namespace dbfix;

namespace {

class DBEditValidChars : public EditorFixture {
 protected:
  void SetUp() override {
    EditorFixture::SetUp();
    table = new TMemTableGx(form);
    table->FieldDefs().Add("AMOUNT", ftFloat);
    table->FieldDefs().Add("QTY", ftInteger);
    table->CreateDataSet();
    table->Append();
    auto* source = new TDataSource(form);
    source->SetDataSet(table);
    amount = Add<TDBEditGx>(20, 20, 120, 21);
    amount->SetDataSource(source);
    amount->SetDataField("AMOUNT");
    qty = Add<TDBEditGx>(20, 60, 120, 21);
    qty->SetDataSource(source);
    qty->SetDataField("QTY");
    Show();
  }
  TMemTableGx* table = nullptr;
  TDBEditGx* amount = nullptr;
  TDBEditGx* qty = nullptr;
};

TEST_F(DBEditValidChars, AFloatTakesDigitsSignsAndTheDecimalSeparator) {
  amount->SetFocus();
  Pump();
  Type("1a2b.c5");
  EXPECT_EQ(amount->Text(), "12.5");
  qty->SetFocus();
  Pump();
  EXPECT_DOUBLE_EQ(table->FieldByName("AMOUNT")->AsFloat(), 12.5);
  Type("3.x4");
  EXPECT_EQ(qty->Text(), "34");  // an integer has no decimals
}

}  // namespace
