// The find dialog: its options, direction handling and the columns it offers.
#include "grid/gridfinddlg.h"

#include "dbgrid_test_util.h"
#include "editors/dbcheckbox.h"
#include "editors/dbcombobox.h"

namespace dbgridtest {
namespace {

class GridFindDlgTest : public DBGridTest {
 protected:
  void SetUp() override {
    DBGridTest::SetUp();
    AddRow(1, "Apple");
    AddRow(2, "pear");
    AddRow(3, "apple");
    AddRow(4, "PEAR");
    table->First();
    MakeGrid();
    AddColumn("ID", "No");
    AddColumn("NAME", "Name");
    Bind();
    grid->SetCol(grid->DataToRawColumn(1));
  }
  void TearDown() override {
    // The one dialog outlives the test: back to its first settings.
    if (TDBGridGxFindDlg* dlg = GridFindDialog()) {
      dlg->Close();
      dlg->cbCharCase->SetChecked(false);
      dlg->cbUseFormat->SetChecked(true);
      dlg->cbMatchinType->SetItemIndex(0);
      dlg->cbFindDirection->SetItemIndex(2);
    }
    DBGridTest::TearDown();
  }
  int Id() { return table->FieldByName("ID")->AsInteger(); }
};

TEST_F(GridFindDlgTest, PrepareOffersVisibleColumnsThenAllAndSelectsTheCurrentOne) {
  ::ShowFindDialog(grid, "pear", "", false);
  TDBGridGxFindDlg* dlg = GridFindDialog();
  ASSERT_NE(dlg, nullptr);
  EXPECT_EQ(dlg->Caption(), "Find text");
  EXPECT_EQ(dlg->cbFindIn->Items()->Text(), "No\r\nName\r\n<All>\r\n");
  EXPECT_EQ(dlg->cbFindIn->ItemIndex(), 1);
  EXPECT_EQ(dlg->cbText->Text(), "pear");
  EXPECT_EQ(dlg->cbFindDirection->ItemIndex(), 2);
  EXPECT_FALSE(dlg->cbCharCase->Checked());
  EXPECT_TRUE(dlg->cbUseFormat->Checked());
  // No tree: the tree row is hidden and the dialog ends above it.
  EXPECT_FALSE(dlg->dbcTreeFindRange->Visible());
  EXPECT_EQ(dlg->ClientHeight(), dlg->dbcTreeFindRange->Top());
  EXPECT_TRUE(dlg->Visible());
  // The same dialog serves the next request.
  ::ShowFindDialog(grid, "x", "", false);
  EXPECT_EQ(GridFindDialog(), dlg);
}

TEST_F(GridFindDlgTest, AllStartsAtTheFirstRecordThenContinuesDown) {
  table->Last();
  ::ShowFindDialog(grid, "pear", "", false);
  TDBGridGxFindDlg* dlg = GridFindDialog();
  dlg->cbCharCase->SetChecked(false);
  dlg->cbMatchinType->SetItemIndex(0);
  dlg->cbFindDirection->SetItemIndex(2);
  EXPECT_TRUE(dlg->FindNext(false));
  EXPECT_EQ(Id(), 2);
  EXPECT_FALSE(dlg->NewSearch());
  EXPECT_TRUE(dlg->FindNext(false));
  EXPECT_EQ(Id(), 4);
  // The text is remembered once.
  const int remembered = dlg->cbText->Items()->Count();
  dlg->FindNext(false);
  EXPECT_EQ(dlg->cbText->Items()->Count(), remembered);
  EXPECT_GE(dlg->cbText->Items()->IndexOf("pear"), 0);
  // Match case leaves out the other spelling.
  dlg->cbCharCase->SetChecked(true);
  dlg->cbFindDirection->SetItemIndex(0);  // Up
  EXPECT_TRUE(dlg->FindNext(false));
  EXPECT_EQ(Id(), 2);
}

TEST_F(GridFindDlgTest, ReverseTurnsTheDirectionAndAllSearchesEveryColumn) {
  ::ShowFindDialog(grid, "3", "", false);
  TDBGridGxFindDlg* dlg = GridFindDialog();
  // The one dialog keeps the settings of earlier searches.
  dlg->cbCharCase->SetChecked(false);
  dlg->cbMatchinType->SetItemIndex(0);
  dlg->cbFindDirection->SetItemIndex(1);  // Down
  // Only NAME is searched: no name holds "3".
  EXPECT_FALSE(dlg->FindNext(false));
  dlg->cbFindIn->SetItemIndex(2);  // <All>
  EXPECT_TRUE(dlg->FindNext(false));
  EXPECT_EQ(Id(), 3);
  // Ctrl with "Down" searches upwards.
  dlg->cbText->SetText("apple");
  dlg->cbMatchinType->SetItemIndex(1);  // whole field
  dlg->cbFindIn->SetItemIndex(1);
  ASSERT_EQ(dlg->cbText->Text(), "apple");
  ASSERT_EQ(dlg->cbMatchinType->ItemIndex(), 1);
  ASSERT_EQ(dlg->cbFindIn->ItemIndex(), 1);
  EXPECT_TRUE(dlg->FindNext(true));
  EXPECT_EQ(Id(), 1);
}

TEST_F(GridFindDlgTest, EnterFindsAndEscapeClosesAModelessDialog) {
  ::ShowFindDialog(grid, "pear", "", false);
  TDBGridGxFindDlg* dlg = GridFindDialog();
  gridtest::Pump();
  ASSERT_EQ(dlg->ActiveControl(), dlg->cbText);
  FanoInputKey(VK_RETURN, TRUE);
  FanoInputKey(VK_RETURN, FALSE);
  gridtest::Pump();
  EXPECT_EQ(Id(), 2);
  EXPECT_FALSE(dlg->NewSearch());
  EXPECT_FALSE(dlg->cbText->Modified());
  FanoInputKey(VK_RETURN, TRUE);
  FanoInputKey(VK_RETURN, FALSE);
  gridtest::Pump();
  EXPECT_EQ(Id(), 4);
  EXPECT_TRUE(dlg->Visible());
  // A changed text wants Escape for itself; once Enter has searched with it, Escape closes.
  dlg->cbText->SetModified(true);
  FanoInputKey(VK_ESCAPE, TRUE);
  FanoInputKey(VK_ESCAPE, FALSE);
  gridtest::Pump();
  EXPECT_TRUE(dlg->Visible());
  uint16_t enter = VK_RETURN;
  dlg->cbText->SetModified(true);
  dlg->FormKeyDown(enter, {});
  EXPECT_EQ(enter, 0);
  EXPECT_FALSE(dlg->cbText->Modified());
  FanoInputKey(VK_ESCAPE, TRUE);
  FanoInputKey(VK_ESCAPE, FALSE);
  gridtest::Pump();
  EXPECT_FALSE(dlg->Visible());
}

TEST_F(GridFindDlgTest, EnterInTheOpenListIsTheListsAndEscapeEndsAModalDialog) {
  ::ShowFindDialog(grid, "pear", "", false);
  TDBGridGxFindDlg* dlg = GridFindDialog();
  dlg->FindNext(false);
  dlg->cbText->Items()->Add("apple");
  gridtest::Pump();
  const int id = Id();
  dlg->cbText->DropDown();
  ASSERT_TRUE(dlg->cbText->ListVisible());
  uint16_t key = VK_RETURN;
  dlg->FormKeyDown(key, {});
  EXPECT_EQ(key, VK_RETURN);  // left to the list
  EXPECT_EQ(Id(), id);
  dlg->cbText->CloseUp(false);
  dlg->Close();
  // Shown modally, Escape goes on to the "Close" button, which ends the dialog.
  int idles = 0;
  bool leftAlone = false;
  Application->OnIdle = [&](TObject*, bool& done) {
    done = false;
    if (++idles == 1) {
      uint16_t esc = VK_ESCAPE;
      dlg->FormKeyDown(esc, {});
      leftAlone = esc == VK_ESCAPE && dlg->Visible();
      FanoInputKey(VK_ESCAPE, TRUE);
      FanoInputKey(VK_ESCAPE, FALSE);
    } else if (idles > 50) {
      dlg->SetModalResult(mrAbort);
    }
  };
  ::ShowFindDialog(grid, "pear", "", true);
  Application->OnIdle = nullptr;
  EXPECT_TRUE(leftAlone);
  EXPECT_EQ(dlg->ModalResult(), 2);
  EXPECT_FALSE(dlg->Visible());
}

// A modeless dialog outlives the grid it searches: told that the grid went, it stops searching
// until it is prepared for another grid.
TEST_F(GridFindDlgTest, AFreedGridDisablesTheSearchOfAModelessDialog) {
  ::ShowFindDialog(grid, "pear", "", false);
  TDBGridGxFindDlg* dlg = GridFindDialog();
  ASSERT_TRUE(dlg->FindNext(false));
  ASSERT_TRUE(dlg->bFind->Enabled());
  delete grid;
  grid = nullptr;
  EXPECT_FALSE(dlg->bFind->Enabled());
  EXPECT_FALSE(dlg->FindNext(false));
  uint16_t enter = VK_RETURN;
  dlg->FormKeyDown(enter, {});
  EXPECT_TRUE(dlg->Visible());
  grid = new TDBGridGx(form);
  grid->SetParent(form);
  AddColumn("NAME", "Name");
  Bind();
  ::ShowFindDialog(grid, "pear", "", false);
  EXPECT_TRUE(dlg->bFind->Enabled());
  EXPECT_TRUE(dlg->FindNext(false));
}

// The dialog outlives columns too: a choice whose column is gone is not searched; a column that
// took its place in the list is not taken for it.
TEST_F(GridFindDlgTest, AChoiceWhoseColumnIsFreedIsNotSearched) {
  ::ShowFindDialog(grid, "pear", "", false);
  TDBGridGxFindDlg* dlg = GridFindDialog();
  ASSERT_EQ(dlg->cbFindIn->ItemIndex(), 1);
  grid->Columns()->Items(1)->Free();
  AddColumn("FLAG", "Flag");
  EXPECT_FALSE(dlg->FindNext(false));
  EXPECT_EQ(Id(), 1);
  ::ShowFindDialog(grid, "2", "", false);
  dlg->cbFindIn->SetItemIndex(0);
  EXPECT_TRUE(dlg->FindNext(false));
  EXPECT_EQ(Id(), 2);
}

}  // namespace
}  // namespace dbgridtest
