// The editors' state across the grid's own events: a filter cell left open when the focus went
// elsewhere, the wheel during a filter edit, an open pick list while the grid reloads its editor.
#include "dbgrid_test_util.h"
#include "grid/dbgrid_filterrow.h"
#include "grid/dbgrid_inplace.h"
#include "platform/forms/stdctrls.h"
#include "platform/os/wingdi.h"
#include "platform/os/winuser.h"

namespace {

using dbgridtest::DBGridTest;

class DBGridEditorStateTest : public DBGridTest {
 protected:
  void SetUp() override {
    DBGridTest::SetUp();
    AddRows(12);
    MakeGrid(400, 200);
    id = AddColumn("ID");
    name = AddColumn("NAME");
    name->PickList()->SetText("甲\n乙\n丙");
    Bind();
    grid->STFilter()->SetVisible(true);
    grid->SetFocus();
    gridtest::Pump();
  }
  TColumnGx* id = nullptr;
  TColumnGx* name = nullptr;
};

// Back in the grid after another control had the focus, typing goes to the records, not to the
// filter cell left open.
TEST_F(DBGridEditorStateTest, FocusBackFromAnotherControlEndsTheFilterEdit) {
  auto* other = new TEdit(form);
  other->SetParent(form);
  other->SetBounds(0, 205, 80, 22);
  grid->StartFilterEdit(0);
  gridtest::Pump();
  ASSERT_TRUE(grid->FilterEditMode());
  ASSERT_EQ(GetFocus(), grid->FilterEditor()->WindowHandle());
  other->SetFocus();
  gridtest::Pump();
  grid->SetFocus();
  gridtest::Pump();
  Type("7");
  EXPECT_FALSE(grid->FilterEditMode());
  EXPECT_EQ(grid->FilterEditor()->Text(), "");
  EXPECT_FALSE(grid->FilterEditor()->Visible());
  // The focus handed back by the filter editor itself keeps the edit.
  grid->StartFilterEdit(0);
  gridtest::Pump();
  grid->SetFocus();
  gridtest::Pump();
  EXPECT_TRUE(grid->FilterEditMode());
}

// During a filter edit the wheel is the filter cell's: the records stay.
TEST_F(DBGridEditorStateTest, TheWheelDuringAFilterEditLeavesTheRecords) {
  auto place = [&] { return std::make_pair(table->RecNo(), grid->TopRow()); };
  const auto start = place();
  uitest::Wheel(grid, -WHEEL_DELTA);
  ASSERT_NE(place(), start);  // outside a filter edit the wheel moves
  table->First();
  grid->SetTopRow(grid->FixedRows());
  gridtest::Pump();
  ASSERT_EQ(place(), start);
  grid->StartFilterEdit(0);
  gridtest::Pump();
  ASSERT_TRUE(grid->FilterEditMode());
  uitest::Wheel(grid, -WHEEL_DELTA);
  grid->Perform(CM_MOUSEWHEEL, static_cast<WPARAM>(static_cast<uint16_t>(-WHEEL_DELTA)) << 16, 0);
  EXPECT_EQ(place(), start);
}

// A change notice of the data set reloads the cell editor; its open pick list stays open.
TEST_F(DBGridEditorStateTest, AnOpenPickListSurvivesTheEditorReload) {
  grid->SetCol(grid->DataToRawColumn(name->Index()));
  grid->SetEditorMode(true);
  gridtest::Pump();
  auto* ed = static_cast<TDBGridInplaceEdit*>(grid->InplaceEditor());
  ASSERT_TRUE(ed);
  ed->DropDown();
  gridtest::Pump();
  ASSERT_TRUE(ed->ListVisible());
  grid->InvalidateEditor();
  gridtest::Pump();
  EXPECT_TRUE(ed->ListVisible());
  EXPECT_FALSE(ed->CloseUpLocked());
  table->Refresh();
  gridtest::Pump();
  EXPECT_TRUE(ed->ListVisible());
  ed->CloseUp(false);
  gridtest::Pump();
  EXPECT_FALSE(ed->ListVisible());
}

// A grid that always shows its editor keeps it through a change of ReadOnly and gets it back when a
// selection that hid it is cleared.
TEST_F(DBGridEditorStateTest, AnAlwaysShownEditorComesBack) {
  grid->SetDBOptions(grid->DBOptions() + dgAlwaysShowEditor + dgMultiSelect);
  grid->SetCol(grid->DataToRawColumn(1));
  gridtest::Pump();
  ASSERT_TRUE(grid->IsEditorVisible());
  for (bool readOnly : {true, false}) {
    grid->SetReadOnly(readOnly);
    gridtest::Pump();
    EXPECT_TRUE(grid->IsEditorVisible()) << readOnly;
  }
  Key(VK_DOWN, true);
  ASSERT_EQ(grid->Selection()->SelectionType(), gstRectangle);
  EXPECT_FALSE(grid->IsEditorVisible());
  Key(VK_DOWN);
  EXPECT_EQ(grid->Selection()->SelectionType(), gstNon);
  EXPECT_TRUE(grid->IsEditorVisible());
}

// An always-shown editor steps aside for an in-place search and comes back however it ends.
TEST_F(DBGridEditorStateTest, AnAlwaysShownEditorComesBackAfterASearch) {
  grid->STFilter()->SetVisible(false);
  grid->SetDBOptions(grid->DBOptions() + dgAlwaysShowEditor);
  grid->SetOptionsGx(grid->OptionsGx() + dghIncSearch);
  grid->SetCol(grid->DataToRawColumn(1));
  gridtest::Pump();
  ASSERT_TRUE(grid->IsEditorVisible());
  for (UINT key : {UINT{VK_ESCAPE}, UINT{VK_RETURN}, UINT{0}}) {  // 0: the time-out ends it
    SCOPED_TRACE(key);
    grid->InplaceSearchText("row", key ? -1 : 500, 2);
    gridtest::Pump();
    ASSERT_TRUE(grid->InplaceSearching());
    EXPECT_FALSE(grid->IsEditorVisible());
    if (key) Key(key);
    else gridtest::AdvanceAndPump(600);
    EXPECT_FALSE(grid->InplaceSearching());
    EXPECT_TRUE(grid->IsEditorVisible());
  }
}

// Marked records are painted in the focused colours only while the grid (or its editor) has the
// focus: they are repainted when it leaves and when it comes back.
TEST_F(DBGridEditorStateTest, MarkedRowsAreRepaintedWhenTheFocusLeaves) {
  grid->SetDBOptions(grid->DBOptions() + dgMultiSelect + dgRowSelect);
  auto* other = new TEdit(form);
  other->SetParent(form);
  other->SetBounds(0, 205, 80, 22);
  table->MoveBy(2);
  grid->SelectedRows()->SetCurrentRowSelected(true);
  table->First();
  gridtest::Pump();
  const TRect marked = grid->CellRect(grid->DataToRawColumn(1), grid->GetTitleOffset() + 2);
  auto repainted = [&] {
    HRGN dirty = CreateRectRgn(0, 0, 0, 0);
    GetUpdateRgn(grid->Handle(), dirty, FALSE);
    const bool in = PtInRegion(dirty, (marked.Left + marked.Right) / 2, (marked.Top + marked.Bottom) / 2) != FALSE;
    DeleteObject(dirty);
    return in;
  };
  for (TWinControl* to : {static_cast<TWinControl*>(other), static_cast<TWinControl*>(grid)}) {
    SCOPED_TRACE(to == grid);
    ::SetFocus(to->Handle());
    EXPECT_TRUE(repainted());
    gridtest::Pump();
  }
}

}  // namespace
