// Text written back from a cell goes through the column's kind: a key-list column stores the key of
// the picked text (Null for text in no list), a lookup column the key of the looked-up record.
#include <gtest/gtest.h>

#include "dbgrid_test_util.h"

using namespace dbgridtest;

namespace {

class WriteBackTest : public DBGridTest {
 protected:
  void MakeFlagGrid() {
    AddRow(1, "a", 1, "Y");
    AddRow(2, "b", 2, "Y");
    table->First();
    MakeGrid();
    AddColumn("ID");
    flag = AddColumn("FLAG");
    flag->PickList()->Add("是");
    flag->PickList()->Add("否");
    flag->KeyList()->Add("Y");
    flag->KeyList()->Add("N");
    Bind();
    grid->SetFocus();
    gridtest::Pump();
    grid->SetCol(grid->DataToRawColumn(1));
  }
  void Key(UINT vk) {
    FanoInputKey(vk, TRUE);
    FanoInputKey(vk, FALSE);
    gridtest::Pump();
  }
  TColumnGx* flag = nullptr;
};

}  // namespace

TEST_F(WriteBackTest, KeyListColumnStoresTheKeyOfTheText) {
  MakeFlagGrid();
  ASSERT_EQ(flag->GetColumnType(), ckKeyList);
  table->Edit();
  grid->SetEditText(grid->Col(), grid->Row(), "否");
  table->Post();
  EXPECT_EQ(table->FieldByName("FLAG")->AsString(), "N");
  EXPECT_EQ(flag->GetDisplayText(), "否");

  // Text in no list, and no text, leave no value.
  table->Edit();
  grid->SetEditText(grid->Col(), grid->Row(), "也许");
  table->Post();
  EXPECT_TRUE(table->FieldByName("FLAG")->IsNull());
  table->Edit();
  table->FieldByName("FLAG")->SetValue("Y");
  grid->SetEditText(grid->Col(), grid->Row(), "");
  table->Post();
  EXPECT_TRUE(table->FieldByName("FLAG")->IsNull());
}

TEST_F(WriteBackTest, UnknownTextAsksTheColumnFirst) {
  MakeFlagGrid();
  std::string asked;
  flag->OnNotInList = [&](TObject*, const std::string& text, bool& recheck) {
    asked = text;
    flag->PickList()->Add(text);
    flag->KeyList()->Add("M");
    recheck = true;
  };
  table->Edit();
  grid->SetEditText(grid->Col(), grid->Row(), "也许");
  table->Post();
  EXPECT_EQ(asked, "也许");
  EXPECT_EQ(table->FieldByName("FLAG")->AsString(), "M");
}

TEST_F(WriteBackTest, PickedTextThenDownKeepsTheKey) {
  MakeFlagGrid();
  FanoInputText("否");
  gridtest::Pump();
  Key(VK_RETURN);
  EXPECT_EQ(table->FieldByName("FLAG")->AsString(), "N");
  Key(VK_DOWN);
  table->First();
  EXPECT_EQ(table->FieldByName("FLAG")->AsString(), "N");
}

TEST_F(DBGridTest, LookupColumnStoresTheKeyOfTheLookedUpText) {
  LookupTables tables;
  TMemTableGx& main = tables.main;
  TDataSource& src = tables.source;
  MakeGrid();
  AddColumn("KNAME");
  grid->SetDataSource(&src);
  main.Edit();
  grid->SetEditText(grid->DataToRawColumn(0), grid->Row(), "乙");
  main.Post();
  EXPECT_EQ(main.FieldByName("KID")->AsInteger(), 2);
  main.Edit();
  grid->SetEditText(grid->DataToRawColumn(0), grid->Row(), "丁");
  main.Post();
  EXPECT_TRUE(main.FieldByName("KID")->IsNull());
  grid->SetDataSource(nullptr);
}
