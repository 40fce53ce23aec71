// The data grid's keys end to end through the window queue: record and column movement, append at
// the end, Tab and Enter, deletes with their confirmations, the shortcut settings and the in-place
// search with its time-out on the simulated clock.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dbgrid_test_util.h"
#include "platform/forms/dialogs.h"
#include "platform/forms/menus.h"

using namespace dbgridtest;

namespace {

class DBGridKeysTest : public DBGridTest {
 protected:
  void SetUp() override {
    DBGridTest::SetUp();
    savedActions = DBGridGxLinkedActions();
  }
  void TearDown() override {
    DBGridGxLinkedActions() = savedActions;
    DBGridTest::TearDown();
  }
  // Fruit names in NAME, a bound and focused grid with ID and NAME columns, NAME current.
  void MakeFruitGrid(TDBGridGxOptions extra = {}) {
    AddRow(1, "Apple");
    AddRow(2, "Banana");
    AddRow(3, "blueberry");
    AddRow(4, "Cherry");
    table->First();
    MakeGrid();
    AddColumn("ID");
    AddColumn("NAME");
    Bind();
    grid->SetOptionsGx(grid->OptionsGx() + extra);
    Focus();
    grid->SetCol(grid->DataToRawColumn(1));
  }
  void Focus() {
    grid->SetFocus();
    gridtest::Pump();
  }
  std::string Name() { return table->FieldByName("NAME")->AsString(); }

  TDBGridGxLinkedActions savedActions;
};

}  // namespace

TEST_F(DBGridKeysTest, ShortcutSettingsAreSixteenBitValues) {
  MakeGrid();
  // virtual key + 0x2000 Shift + 0x4000 Ctrl + 0x8000 Alt
  EXPECT_EQ(DBGridGxInplaceSearchKey, 0x4000 + 'F');
  EXPECT_EQ(DBGridGxInplaceSearchNextKey, 0x4000 + VK_RETURN);
  EXPECT_EQ(DBGridGxInplaceSearchPriorKey, 0x6000 + VK_RETURN);
  EXPECT_EQ(DBGridGxSetValueFromPrevRecordKey, 0x4000 + 222);
  EXPECT_EQ(DBGridGxFindDialogKey, 0x4000 + 'F');
  EXPECT_EQ(DBGridGxInplaceSearchTimeOut, 1500);
}

TEST_F(DBGridKeysTest, DownAtTheLastRowAppendsOnlyWhenEverythingAllowsIt) {
  AddRows(3);
  MakeGrid();
  AddColumn("ID");
  AddColumn("NAME");
  Bind();
  Focus();
  Key(VK_DOWN);
  Key(VK_DOWN);
  EXPECT_EQ(table->RecNo(), 3);
  EXPECT_EQ(table->State(), dsBrowse);
  Key(VK_DOWN);
  EXPECT_EQ(table->State(), dsInsert);
  // Up on the untouched new record drops it instead of moving.
  Key(VK_UP);
  EXPECT_EQ(table->State(), dsBrowse);
  EXPECT_EQ(table->RecordCount(), 3);
  EXPECT_EQ(table->RecNo(), 3);
  // Down on an untouched new record does nothing more.
  Key(VK_DOWN);
  ASSERT_EQ(table->State(), dsInsert);
  Key(VK_DOWN);
  EXPECT_EQ(table->State(), dsInsert);
  EXPECT_EQ(table->RecordCount(), 3);
  Key(VK_ESCAPE);
  EXPECT_EQ(table->State(), dsBrowse);

  grid->SetAllowedOperations(kAllAllowedOperations - alopAppendGx);
  table->Last();
  Key(VK_DOWN);
  EXPECT_EQ(table->State(), dsBrowse);
  grid->SetAllowedOperations(kAllAllowedOperations);
  grid->SetReadOnly(true);
  Key(VK_DOWN);
  EXPECT_EQ(table->State(), dsBrowse);
  grid->SetReadOnly(false);
  grid->SetDBOptions(grid->DBOptions() - dgEditing);
  Key(VK_DOWN);
  EXPECT_EQ(table->State(), dsBrowse);
}

TEST_F(DBGridKeysTest, TabAndEnterAsTabWalkTheColumnsAndRows) {
  AddRows(3);
  MakeGrid();
  AddColumn("ID");
  AddColumn("NAME");
  AddColumn("AMOUNT");
  Bind();
  Focus();
  const int first = grid->IndicatorOffset();
  ASSERT_EQ(grid->Col(), first);
  Key(VK_TAB);
  EXPECT_EQ(grid->Col(), first + 1);
  Key(VK_TAB);
  Key(VK_TAB);
  EXPECT_EQ(grid->Col(), first);
  EXPECT_EQ(table->RecNo(), 2);
  Key(VK_TAB, true);
  EXPECT_EQ(grid->Col(), first + 2);
  EXPECT_EQ(table->RecNo(), 1);
  // Columns without a tab stop are stepped over.
  grid->SetTabStops(first, false);
  Key(VK_TAB);
  EXPECT_EQ(grid->Col(), first + 1);
  EXPECT_EQ(table->RecNo(), 2);
  grid->SetTabStops(first, true);

  // Without the option Enter opens the editor and does not move.
  Key(VK_RETURN);
  EXPECT_EQ(grid->Col(), first + 1);
  EXPECT_TRUE(grid->IsEditorVisible());
  grid->SetEditorMode(false);
  // Only looking at a cell leaves nothing to write back.
  EXPECT_FALSE(grid->DataLink()->IsModified());
  grid->SetOptionsGx(grid->OptionsGx() + dghEnterAsTab);
  grid->SetCol(first + 1);
  Key(VK_RETURN);
  EXPECT_EQ(grid->Col(), first + 2);
  Key(VK_RETURN);
  EXPECT_EQ(grid->Col(), first);
  EXPECT_EQ(table->RecNo(), 3);
}

TEST_F(DBGridKeysTest, HomeEndMoveColumnsOrRecordsWithASingleColumn) {
  AddRows(4);
  MakeGrid();
  AddColumn("ID");
  AddColumn("NAME");
  Bind();
  Focus();
  Key(VK_END);
  EXPECT_EQ(grid->Col(), grid->ColCount() - 1);
  EXPECT_EQ(table->RecNo(), 1);
  Key(VK_HOME);
  EXPECT_EQ(grid->Col(), grid->IndicatorOffset());
  Key(VK_END, false, true);
  EXPECT_EQ(table->RecNo(), 4);
  Key(VK_HOME, false, true);
  EXPECT_EQ(table->RecNo(), 1);
  Key(VK_RIGHT);
  EXPECT_EQ(grid->Col(), grid->IndicatorOffset() + 1);
  Key(VK_LEFT);
  EXPECT_EQ(grid->Col(), grid->IndicatorOffset());

  // A hidden column is stepped over.
  grid->Columns()->Items(0)->SetVisible(false);
  gridtest::Pump();
  Key(VK_HOME);
  EXPECT_EQ(grid->Col(), grid->IndicatorOffset() + 1);
  grid->Columns()->Items(0)->SetVisible(true);
  grid->Columns()->Delete(1);
  gridtest::Pump();
  ASSERT_EQ(grid->ColCount(), grid->IndicatorOffset() + 1);
  Key(VK_END);
  EXPECT_EQ(table->RecNo(), 4);
  Key(VK_HOME);
  EXPECT_EQ(table->RecNo(), 1);
}

// Ctrl with Up or PgUp goes to the top row of the window, with Down or PgDn to its bottom row (the
// last record when the records do not fill the window).
TEST_F(DBGridKeysTest, CtrlUpAndDownGoToTheWindowsEdges) {
  for (int count : {30, 3}) {
    SCOPED_TRACE(count);
    table->EmptyTable();
    AddRows(count);
    MakeGrid();
    AddColumn("ID");
    Bind();
    Focus();
    if (count > 3) {
      table->MoveBy(19);
      gridtest::Pump();
      Key(VK_UP);
    }
    const int top = grid->TopRow();
    const int bottom = std::min(top + grid->VisibleDataRowCount(), grid->RowCount()) - 1;
    ASSERT_GT(bottom - top, 1);
    for (UINT up : {VK_UP, VK_PRIOR}) {
      for (UINT down : {VK_DOWN, VK_NEXT}) {
        Key(down, false, true);
        EXPECT_EQ(grid->Row(), bottom);
        EXPECT_EQ(table->RecNo(), bottom - grid->GetTitleOffset() + 1);
        Key(up, false, true);
        EXPECT_EQ(grid->Row(), top);
        EXPECT_EQ(table->RecNo(), top - grid->GetTitleOffset() + 1);
      }
    }
    EXPECT_EQ(grid->TopRow(), top);
    form->Free();
    form = nullptr;
  }
}

TEST_F(DBGridKeysTest, InsertKeyInsertsOrAppendsByTheAllowedOperations) {
  AddRows(2);
  MakeGrid();
  AddColumn("ID");
  Bind();
  Focus();
  Key(VK_INSERT);
  EXPECT_EQ(table->State(), dsInsert);
  EXPECT_FALSE(table->Eof());
  Key(VK_ESCAPE);
  EXPECT_EQ(table->State(), dsBrowse);
  grid->SetAllowedOperations(TDBGridGxAllowedOperations{alopAppendGx});
  Key(VK_INSERT);
  EXPECT_EQ(table->State(), dsInsert);
  Key(VK_ESCAPE);
  grid->SetAllowedOperations(TDBGridGxAllowedOperations{alopUpdateGx});
  Key(VK_INSERT);
  EXPECT_EQ(table->State(), dsBrowse);
}

TEST_F(DBGridKeysTest, CtrlDelAsksBeforeDeletingAndCancelKeepsTheData) {
  AddRows(3);
  MakeGrid();
  AddColumn("ID");
  Bind();
  Focus();
  TScriptedDialogService dialogs(true);
  dialogs.Answer(mrCancel);
  Key(VK_DELETE, false, true);
  ASSERT_EQ(dialogs.Requests().size(), 1u);
  EXPECT_EQ(dialogs.Requests()[0].Text, "Delete record?");
  EXPECT_EQ(table->RecordCount(), 3);
  dialogs.Answer(mrOk);
  Key(VK_DELETE, false, true);
  EXPECT_EQ(table->RecordCount(), 2);
  EXPECT_EQ(table->FieldByName("ID")->AsInteger(), 2);
  // Without delete permission nothing is asked or deleted.
  grid->SetAllowedOperations(kAllAllowedOperations - alopDeleteGx);
  Key(VK_DELETE, false, true);
  EXPECT_EQ(dialogs.Requests().size(), 2u);
  EXPECT_EQ(table->RecordCount(), 2);
}

TEST_F(DBGridKeysTest, DeletingAWholeSelectionIsConfirmedToo) {
  AddRows(4);
  MakeGrid();
  AddColumn("ID");
  Bind();
  Focus();
  grid->SetDBOptions(grid->DBOptions() + dgMultiSelect);
  grid->SetEditActions(TDBGridGxEditActions{geaDeleteGx, geaSelectAllGx});
  TScriptedDialogService dialogs(true);
  Key('A', false, true);
  ASSERT_EQ(grid->Selection()->SelectionType(), gstAll);
  dialogs.Answer(mrCancel);
  Key(VK_DELETE, false, true);
  ASSERT_EQ(dialogs.Requests().size(), 1u);
  EXPECT_EQ(dialogs.Requests()[0].Text, "Delete all selected records?");
  EXPECT_EQ(table->RecordCount(), 4);
  dialogs.Answer(mrOk);
  Key(VK_DELETE, false, true);
  EXPECT_EQ(table->RecordCount(), 0);
  EXPECT_EQ(grid->Selection()->SelectionType(), gstNon);

  // Without the confirmation option the whole selection goes unasked.
  AddRows(2);
  grid->SetDBOptions(grid->DBOptions() - dgConfirmDelete);
  Key('A', false, true);
  Key(VK_DELETE, false, true);
  EXPECT_EQ(dialogs.Requests().size(), 2u);
  EXPECT_EQ(table->RecordCount(), 0);
}

TEST_F(DBGridKeysTest, MarkedRowsGoWithoutTheDeleteAction) {
  AddRows(4);
  MakeGrid();
  AddColumn("ID");
  Bind();
  Focus();
  grid->SetDBOptions(grid->DBOptions() + dgMultiSelect);
  ASSERT_TRUE(grid->EditActions().Empty());
  grid->SelectedRows()->SetCurrentRowSelected(true);
  table->MoveBy(2);
  grid->SelectedRows()->SetCurrentRowSelected(true);
  ASSERT_EQ(grid->SelectedRows()->Count(), 2);
  TScriptedDialogService dialogs(true);
  dialogs.Answer(mrOk);
  Key(VK_DELETE, false, true);
  ASSERT_EQ(dialogs.Requests().size(), 1u);
  EXPECT_EQ(dialogs.Requests()[0].Text, "Delete all selected records?");
  ASSERT_EQ(table->RecordCount(), 2);
  table->First();
  EXPECT_EQ(table->FieldByName("ID")->AsInteger(), 2);
  table->Next();
  EXPECT_EQ(table->FieldByName("ID")->AsInteger(), 4);
}

TEST_F(DBGridKeysTest, ClearingSelectedColumnsAsksAndHandsOverToTheClearAction) {
  AddRows(3);
  MakeGrid();
  AddColumn("ID");
  AddColumn("NAME");
  Bind();
  Focus();
  grid->SetDBOptions(grid->DBOptions() + dgMultiSelect);
  grid->SetEditActions(TDBGridGxEditActions{geaDeleteGx});
  int cleared = 0;
  DBGridGxLinkedActions().ClearCells = [&](TCustomDBGridGx* g) {
    EXPECT_EQ(g, grid);
    ++cleared;
  };
  grid->Selection()->Columns()->Select(grid->Columns()->Items(1), false);
  ASSERT_EQ(grid->Selection()->SelectionType(), gstColumns);
  TScriptedDialogService dialogs(true);
  dialogs.Answer(mrCancel);
  Key(VK_DELETE, false, true);
  ASSERT_EQ(dialogs.Requests().size(), 1u);
  EXPECT_EQ(dialogs.Requests()[0].Text, "Clear selected cells?");
  EXPECT_EQ(cleared, 0);
  dialogs.Answer(mrOk);
  Key(VK_DELETE, false, true);
  EXPECT_EQ(cleared, 1);
  EXPECT_EQ(table->RecordCount(), 3);
}

TEST_F(DBGridKeysTest, PossibilityTestsFollowPermissions) {
  AddRows(2);
  MakeGrid();
  AddColumn("ID");
  Bind();
  EXPECT_FALSE(grid->CanCopy());
  EXPECT_FALSE(grid->CanClearSelection());
  EXPECT_TRUE(grid->CanSelectAll());
  grid->SetAllowedSelections(kDefaultAllowedSelections - gstAll);
  EXPECT_FALSE(grid->CanSelectAll());
  grid->SetAllowedSelections(kDefaultAllowedSelections);
  grid->SetDBOptions(grid->DBOptions() + dgMultiSelect);
  grid->Selection()->SelectAll();
  EXPECT_TRUE(grid->CanCopy());
  EXPECT_TRUE(grid->CanCut());
  grid->SetAllowedOperations(kAllAllowedOperations - alopDeleteGx);
  EXPECT_FALSE(grid->CanClearSelection());
  EXPECT_FALSE(grid->CanCut());
  grid->SetAllowedOperations(kAllAllowedOperations);
  grid->SetReadOnly(true);
  EXPECT_FALSE(grid->CanClearSelection());
  EXPECT_FALSE(grid->CanPaste());
}

TEST_F(DBGridKeysTest, EscapeCancelsTheEditOfTheRecord) {
  AddRows(2);
  MakeGrid();
  AddColumn("NAME");
  Bind();
  Focus();
  table->Edit();
  table->FieldByName("NAME")->SetValue("changed");
  Key(VK_ESCAPE);
  EXPECT_EQ(table->State(), dsBrowse);
  EXPECT_EQ(Name(), "row1");
}

TEST_F(DBGridKeysTest, TypedSearchFollowsTheCellsCaseAndTimesOut) {
  MakeFruitGrid({dghPreferIncSearch});
  Type("b");
  ASSERT_TRUE(grid->InplaceSearching());
  EXPECT_EQ(Name(), "Banana");
  EXPECT_EQ(grid->InplaceSearchText(), "B");
  EXPECT_EQ(grid->InplaceSearchTimeOut(), 1500);
  EXPECT_FALSE(grid->IsEditorVisible());
  Type("l");
  EXPECT_EQ(Name(), "blueberry");
  EXPECT_EQ(grid->InplaceSearchText(), "bl");
  // A text nobody has keeps the previous one.
  Type("x");
  EXPECT_EQ(Name(), "blueberry");
  EXPECT_EQ(grid->InplaceSearchText(), "bl");
  // Each character starts the time-out again.
  gridtest::AdvanceAndPump(1400);
  Type("u");
  EXPECT_EQ(grid->InplaceSearchText(), "blu");
  gridtest::AdvanceAndPump(1400);
  EXPECT_TRUE(grid->InplaceSearching());
  gridtest::AdvanceAndPump(200);
  EXPECT_FALSE(grid->InplaceSearching());
  EXPECT_EQ(grid->InplaceSearchText(), "");
  EXPECT_EQ(Name(), "blueberry");
}

TEST_F(DBGridKeysTest, SearchKeyHasNoTimeOutAndStepsBetweenMatches) {
  MakeFruitGrid({dghIncSearch});
  Key('F', false, true);
  ASSERT_TRUE(grid->InplaceSearching());
  EXPECT_EQ(grid->InplaceSearchTimeOut(), -1);
  Type("b");
  EXPECT_EQ(Name(), "Banana");
  EXPECT_EQ(grid->InplaceSearchTimeOut(), -1);
  gridtest::AdvanceAndPump(10000, 500);
  EXPECT_TRUE(grid->InplaceSearching());
  Key(VK_RETURN, false, true);  // next
  EXPECT_EQ(Name(), "blueberry");
  Key(VK_RETURN, false, true);  // no further match: stays
  EXPECT_EQ(Name(), "blueberry");
  Key(VK_RETURN, true, true);  // prior
  EXPECT_EQ(Name(), "Banana");
  Key(VK_BACK);
  EXPECT_EQ(grid->InplaceSearchText(), "");
  EXPECT_TRUE(grid->InplaceSearching());
  Key(VK_ESCAPE);
  EXPECT_FALSE(grid->InplaceSearching());
  // A column change ends the search too.
  Key('F', false, true);
  Type("c");
  EXPECT_EQ(Name(), "Cherry");
  Key(VK_LEFT);
  EXPECT_FALSE(grid->InplaceSearching());
}

TEST_F(DBGridKeysTest, BackspaceRemovesAWholeChineseCharacter) {
  AddRow(1, "张三");
  AddRow(2, "李四");
  AddRow(3, "李五");
  table->First();
  MakeGrid();
  AddColumn("NAME");
  Bind();
  Focus();
  grid->SetOptionsGx(grid->OptionsGx() + dghIncSearch);
  Key('F', false, true);
  Type("李五");
  EXPECT_EQ(Name(), "李五");
  EXPECT_EQ(grid->InplaceSearchText(), "李五");
  Key(VK_BACK);
  EXPECT_EQ(grid->InplaceSearchText(), "李");
  Key(VK_BACK);
  EXPECT_EQ(grid->InplaceSearchText(), "");
}

TEST_F(DBGridKeysTest, ChangedSearchKeyAndTheFindDialogHandOver) {
  MakeFruitGrid({dghIncSearch});
  std::vector<bool> modal;
  DBGridGxLinkedActions().ShowFindDialog = [&](TCustomDBGridGx*, const std::string& text,
                                               const std::string& field, bool m) {
    EXPECT_EQ(text, "");
    EXPECT_EQ(field, "");
    modal.push_back(m);
  };
  const TShortCut saved = DBGridGxInplaceSearchKey;
  DBGridGxInplaceSearchKey = ShortCut('G', TShiftState{ssCtrl});
  Key('G', false, true);
  EXPECT_TRUE(grid->InplaceSearching());
  // Ctrl+F is now only the find dialog's.
  Key('F', false, true);
  EXPECT_EQ(modal.size(), 1u);
  EXPECT_TRUE(grid->InplaceSearching());
  DBGridGxInplaceSearchKey = saved;
  // With both on one key, a second press hands a running search over to the dialog.
  Key('F', false, true);
  EXPECT_FALSE(grid->InplaceSearching());
  ASSERT_EQ(modal.size(), 2u);
  EXPECT_TRUE(modal[1]);
}

TEST_F(DBGridKeysTest, TypingWithoutSearchOptionsStartsTheEditor) {
  MakeFruitGrid();
  Type("Z");
  EXPECT_FALSE(grid->InplaceSearching());
  EXPECT_TRUE(grid->IsEditorVisible());
  EXPECT_EQ(table->State(), dsEdit);
}

TEST_F(DBGridKeysTest, SetValueFromThePreviousRecord) {
  AddRows(3);
  MakeGrid();
  AddColumn("NAME");
  Bind();
  Focus();
  // Nothing above the first row.
  Key(222, false, true);
  EXPECT_EQ(table->State(), dsBrowse);
  Key(VK_DOWN);
  Key(222, false, true);
  EXPECT_EQ(table->State(), dsEdit);
  EXPECT_EQ(Name(), "row1");
  EXPECT_EQ(table->RecNo(), 2);
}

namespace dbgridtest {
namespace {

// Tab is a column change like any other: the search text does not carry into the next column.
TEST_F(DBGridKeysTest, TabEndsTheSearch) {
  MakeFruitGrid({dghIncSearch});
  grid->SetDBOptions(grid->DBOptions() + dgTabs);
  struct Case {
    int from;  // data column searched in
    const char* text;
    bool back;  // Shift+Tab
    const char* found;
  };
  for (const Case& c : {Case{1, "bl", true, "blueberry"}, Case{0, "4", false, "Cherry"}}) {
    SCOPED_TRACE(c.text);
    grid->StopInplaceSearch();  // (a search left running would make Ctrl+F open the find dialog)
    grid->SetCol(grid->DataToRawColumn(c.from));
    Key('F', false, true);
    Type(c.text);
    ASSERT_TRUE(grid->InplaceSearching());
    ASSERT_EQ(Name(), c.found);
    const int row = grid->Row();
    Key(VK_TAB, c.back);
    EXPECT_EQ(grid->Row(), row);
    EXPECT_EQ(grid->Col(), grid->DataToRawColumn(1 - c.from));
    EXPECT_FALSE(grid->InplaceSearching());
    EXPECT_EQ(grid->InplaceSearchText(), "");
  }
}

TEST_F(DBGridKeysTest, ARecordMovedByOtherCodeEndsTheTypedSearch) {
  MakeFruitGrid({dghIncSearch});
  Key('F', false, true);
  Type("b");
  ASSERT_TRUE(grid->InplaceSearching());
  EXPECT_EQ(Name(), "Banana");
  Key(VK_RETURN, false, true);  // the search itself moves on and keeps searching
  EXPECT_TRUE(grid->InplaceSearching());
  EXPECT_EQ(Name(), "blueberry");
  table->First();
  gridtest::Pump();
  EXPECT_FALSE(grid->InplaceSearching());
  EXPECT_EQ(grid->InplaceSearchText(), "");
}

}  // namespace
}  // namespace dbgridtest

// Auto-scroll steps the records just past the buffered rows up and down; sideways is the base grid's.
TEST_F(DBGridKeysTest, TimedScrollStepsPastTheBufferedRows) {
  MakeFruitGrid();
  TDBGridGx* g = grid;
  table->SetRecNo(2);
  g->TimedScroll(kScrollDown);
  EXPECT_EQ(table->RecNo(), 3);
  g->TimedScroll(kScrollUp);
  EXPECT_EQ(table->RecNo(), 2);
  const int col = grid->Col();
  g->TimedScroll(kScrollLeft);
  EXPECT_EQ(table->RecNo(), 2);
  EXPECT_EQ(grid->Col(), col - 1);  // the base grid moves the anchor, and the cell with it
}
