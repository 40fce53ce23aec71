// Typing into a data grid's cell: characters the cell's field cannot hold are refused as they
// are typed, with the editor already open as much as for the key that opens it, so an amount never
// reaches the field as a text it cannot convert.
#include <gtest/gtest.h>

#include <string>

#include "dbgrid_test_util.h"
#include "grid/dbgrid_inplace.h"
#include "platform/forms/forms.h"
#include "platform/rtl/sysutils.h"

using namespace dbgridtest;

namespace {

class DBGridValidChars : public DBGridTest {
 protected:
  void SetUp() override {
    DBGridTest::SetUp();
    // An error raised while handling a key is recorded, not shown in a box.
    Application->OnException = [this](TObject*, const std::exception& e) { errors += e.what(); };
    AddRow(1, "alpha", 3);
    table->First();
    MakeGrid();
    AddColumn("NAME");
    AddColumn("AMOUNT");
    Bind();
    grid->SetFocus();
    gridtest::Pump();
  }
  void Type(const char* text) {
    FanoInputText(text);
    gridtest::Pump();
  }
  void Key(UINT vk) {
    FanoInputKey(vk, TRUE);
    FanoInputKey(vk, FALSE);
    gridtest::Pump();
  }
  void TearDown() override {
    Application->OnException = nullptr;
    DBGridTest::TearDown();
  }
  std::string errors;
  std::string EditorText() const { return grid->InplaceEditor() ? grid->InplaceEditor()->EditText() : "<none>"; }
};

TEST_F(DBGridValidChars, AnAmountTakesOnlyWhatANumberCanHold) {
  grid->SetCol(grid->DataToRawColumn(1));
  const int beeps = FanoBeepCount();
  Type("1a2b.c5");
  ASSERT_TRUE(grid->IsEditorVisible());
  EXPECT_EQ(EditorText(), "12.5");
  EXPECT_EQ(FanoBeepCount() - beeps, 3) << "each refused letter sounds";
  Key(VK_RETURN);  // the text goes to the field without a conversion error
  EXPECT_EQ(errors, "");
  EXPECT_DOUBLE_EQ(table->FieldByName("AMOUNT")->AsFloat(), 12.5);
}

TEST_F(DBGridValidChars, AnOpenEditorRefusesLettersToo) {
  grid->SetCol(grid->DataToRawColumn(1));
  grid->SetEditorMode(true);
  gridtest::Pump();
  ASSERT_TRUE(grid->IsEditorVisible());
  grid->InplaceEditor()->SelectAll();
  Type("x7y-");
  EXPECT_EQ(EditorText(), "7-");
  Type("1e2");
  EXPECT_EQ(EditorText(), "7-1e2");  // an exponent is a float's
}

TEST_F(DBGridValidChars, ATextCellTakesAnything) {
  grid->SetCol(grid->DataToRawColumn(0));
  Type("a1.b垫");
  EXPECT_EQ(EditorText(), "a1.b垫");
}

TEST_F(DBGridValidChars, ADateTypedAsDigitsAloneIsTheDateTyped) {
  TMemTableGx days(nullptr);
  days.FieldDefs().Add("DAY", ftDate);
  days.CreateDataSet();
  days.Append();
  days.Post();
  TDataSource daySource(nullptr);
  daySource.SetDataSet(&days);
  grid->Columns()->Clear();
  grid->SetDataSource(&daySource);
  TColumnGx* day = grid->Columns()->Add();
  day->SetFieldName("DAY");
  gridtest::Pump();
  grid->SetCol(grid->DataToRawColumn(0));
  Type("20261201");
  Key(VK_RETURN);
  EXPECT_EQ(errors, "");
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd", days.FieldByName("DAY")->AsDateTime()), "2026-12-01");
  // With separators as the locale writes them, as before.
  grid->SetEditorMode(true);
  gridtest::Pump();
  grid->InplaceEditor()->SelectAll();
  Type("2026-11-30");
  Key(VK_RETURN);
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd", days.FieldByName("DAY")->AsDateTime()), "2026-11-30");
  // Day first in a day-month-year locale.
  FormatSettings.ShortDateFormat = "dd/mm/yyyy";
  FormatSettings.DateSeparator = '/';
  grid->SetEditorMode(true);
  gridtest::Pump();
  grid->InplaceEditor()->SelectAll();
  Type("05072025");
  Key(VK_RETURN);
  FormatSettings = TFormatSettings::Default();
  EXPECT_EQ(errors, "");
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd", days.FieldByName("DAY")->AsDateTime()), "2025-07-05");
  grid->SetDataSource(nullptr);
}

}  // namespace
