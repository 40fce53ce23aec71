// A bound grid with footers under random edits, posts, cancels, inserts and deletes, checked
// against a plain model of the table after every step.
#include <gtest/gtest.h>

#include <random>

#include "boundgrid_model.h"
#include "dbgrid_test_util.h"
#include "platform/forms/dialogs.h"

using namespace dbgridtest;

namespace {

class BoundGridRandomTest : public DBGridTest {
 protected:
  void MakeFooterGrid() {
    MakeGrid(400, 220);
    AddColumn("ID");
    AddColumn("NAME");
    amount = AddColumn("AMOUNT");
    grid->SetFooterRowCount(1);
    amount->Footer()->SetValueType(fvtSum);
    Bind();
    grid->SumList()->SetActive(true);
    grid->SetFocus();
    gridtest::Pump();
  }
  int64_t Sum() { return amount->Footer()->SumItem()->SumValue(); }
  TColumnGx* amount = nullptr;
};

}  // namespace

TEST_F(BoundGridRandomTest, DeletingTheRecordBeingEditedTakesItAwayWhole) {
  AddRow(1, "a", 4);
  AddRow(2, "b", 8);
  AddRow(3, "c", 16);
  table->First();
  MakeFooterGrid();
  ASSERT_EQ(Sum(), 28'0000);
  // The last record: the grid's current row has to step back to the one before.
  Key(VK_DOWN);
  Key(VK_DOWN);
  grid->SetCol(grid->DataToRawColumn(2));
  Type("100");
  ASSERT_EQ(table->State(), dsEdit);
  TScriptedDialogService dialogs(true);
  dialogs.Answer(mrOk);
  Key(VK_DELETE, false, true);
  EXPECT_EQ(table->State(), dsBrowse);
  ASSERT_EQ(table->RecordCount(), 2);
  EXPECT_EQ(grid->RowCount(), 3);
  EXPECT_EQ(grid->Row(), 2);
  EXPECT_EQ(table->FieldByName("ID")->AsInteger(), 2);
  table->First();
  EXPECT_EQ(table->FieldByName("ID")->AsInteger(), 1);
  table->Next();
  EXPECT_EQ(table->FieldByName("AMOUNT")->AsFloat(), 8.0);
  EXPECT_EQ(Sum(), 12'0000);
}

// Seeds of their own so that a failure names the walk that found it.
TEST(BoundGridWalkTest, RandomStepsKeepTableGridAndSumsWithTheModel) {
  FanoUseHeadless();
  FanoSetTestFont(TRUE);
  ClockSetSimulated(1);
  constexpr int kWalks = 4;
  constexpr int kSteps = 5000;
  for (int seed = 1; seed <= kWalks; ++seed) {
    boundgrid::BoundGridWalk walk;
    std::mt19937 rng(static_cast<unsigned>(seed));
    try {
      walk.Check();
      for (int i = 0; i < kSteps; ++i) walk.Step(rng(), rng());
    } catch (const boundgrid::Mismatch& m) {
      FAIL() << "seed " << seed << ": " << m.What;
    }
  }
}

TEST_F(BoundGridRandomTest, CtrlDelOnANewRecordBeingTypedDropsItQuietly) {
  AddRow(1, "a", 4);
  AddRow(2, "b", 8);
  table->First();
  MakeFooterGrid();
  grid->SetDBOptions(grid->DBOptions() - dgConfirmDelete);
  TScriptedDialogService dialogs(true);
  Key(VK_INSERT);
  grid->SetCol(grid->DataToRawColumn(2));
  Type("110");
  ASSERT_EQ(table->State(), dsInsert);
  Key(VK_DELETE, false, true);
  EXPECT_TRUE(dialogs.Requests().empty()) << dialogs.Requests().front().Text;
  EXPECT_EQ(table->State(), dsBrowse);
  EXPECT_EQ(table->RecordCount(), 2);
  EXPECT_EQ(Sum(), 12'0000);
}

TEST_F(BoundGridRandomTest, UpFromANewRecordWithTypedTextPostsIt) {
  AddRow(1, "a", 4);
  table->First();
  MakeFooterGrid();
  Key(VK_DOWN);
  ASSERT_EQ(table->State(), dsInsert);
  grid->SetCol(grid->DataToRawColumn(1));
  Type("new");
  Key(VK_UP);
  EXPECT_EQ(table->State(), dsBrowse);
  ASSERT_EQ(table->RecordCount(), 2);
  table->Last();
  EXPECT_EQ(table->FieldByName("NAME")->AsString(), "new");
}

TEST_F(BoundGridRandomTest, EscapeTwiceCancelsAnEdit) {
  AddRow(1, "a", 4);
  AddRow(2, "b", 8);
  table->First();
  MakeFooterGrid();
  grid->SetCol(grid->DataToRawColumn(1));
  Type("xyz");
  ASSERT_EQ(table->State(), dsEdit);
  Key(VK_ESCAPE);
  EXPECT_EQ(table->State(), dsEdit);
  EXPECT_FALSE(grid->DataLink()->IsModified());
  Key(VK_ESCAPE);
  EXPECT_EQ(table->State(), dsBrowse);
  EXPECT_EQ(table->FieldByName("NAME")->AsString(), "a");
}

TEST_F(BoundGridRandomTest, EscapeOnANewRecordLeavesItsFieldsNull) {
  AddRow(1, "a", 4);
  table->First();
  MakeFooterGrid();
  Key(VK_INSERT);
  grid->SetCol(grid->DataToRawColumn(1));
  Type("xyz");
  Key(VK_ESCAPE);
  ASSERT_EQ(table->State(), dsInsert);
  grid->SetCol(grid->DataToRawColumn(2));
  Type("5");
  table->Post();
  table->First();
  EXPECT_TRUE(table->FieldByName("NAME")->IsNull());
  EXPECT_EQ(table->FieldByName("AMOUNT")->AsFloat(), 5.0);
}

TEST_F(BoundGridRandomTest, CancellingCachedUpdatesBringsTheSumsBack) {
  AddRow(1, "a", 4);
  AddRow(2, "b", 8);
  table->First();
  MakeFooterGrid();
  table->SetCachedUpdates(true);
  table->Append();
  table->FieldByName("AMOUNT")->SetValue(100.0);
  table->Post();
  table->First();
  table->Delete();
  gridtest::Pump();
  ASSERT_EQ(Sum(), 108'0000);
  table->CancelUpdates();
  gridtest::Pump();
  EXPECT_EQ(table->RecordCount(), 2);
  EXPECT_EQ(Sum(), 12'0000);
}

TEST_F(BoundGridRandomTest, FittedHeightsFollowARecordStoredBeforeItsNewRow) {
  for (int i = 1; i <= 5; ++i) AddRow(i * 10, "x");
  table->SetSortOrder("ID");
  table->First();
  MakeGrid(400, 300);
  AddColumn("ID");
  TColumnGx* name = AddColumn("NAME");
  name->SetWordWrap(true);
  name->SetWidth(60);
  Bind();
  grid->SetOptionsGx(grid->OptionsGx() + dghAutoFitRowHeight);
  gridtest::Pump();
  const int offset = grid->GetTitleOffset();
  const int plain = grid->DataRowHeight();
  table->Append();
  table->FieldByName("ID")->SetValue(1);
  table->FieldByName("NAME")->SetValue("a b c d e f g h");
  table->Post();
  gridtest::Pump();
  ASSERT_EQ(grid->RowCount(), offset + 6);
  // Each row as high as its own record's text needs.
  table->First();
  ASSERT_EQ(table->FieldByName("ID")->AsInteger(), 1);
  std::vector<int> want, got;
  for (int r = offset; !table->Eof(); ++r, table->Next()) {
    want.push_back(std::max(plain, name->GetRowHeightForText()));
    got.push_back(grid->GetRowHeights(r));
  }
  EXPECT_EQ(got, want);
  EXPECT_GT(want.front(), want.back());
}
