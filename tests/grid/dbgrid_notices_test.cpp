// The data grid's window notices: a size change inside a lock taken once after it, the flat border
// in the non-client area, no erasing, the parent's font and colour, its own font, the wheel going to
// an open drop-down, the edit actions, and tool tips of multi-level title leaves.
#include <gtest/gtest.h>

#include <string>

#include "dbgrid_test_util.h"
#include "editors/tooltips.h"
#include "grid/dbgrid_inplace.h"
#include "platform/forms/actnlist.h"
#include "platform/forms/clipbrd.h"
#include "platform/forms/cmessages.h"
#include "platform/os/wingdi.h"
#include "platform/os/winuser.h"

using namespace dbgridtest;

namespace {

TEST_F(DBGridTest, ASizeChangeInsideALockIsTakenOnceTheLockEnds) {
  AddRows(40);
  MakeGrid(400, 120);
  AddColumn("ID");
  AddColumn("NAME");
  Bind();
  gridtest::Pump();
  const int page = grid->VertScrollValues().Page;
  ASSERT_GT(page, 0);
  grid->BeginUpdateGx();
  grid->SetBounds(0, 0, 400, 240);
  // Nothing follows the size while locked.
  EXPECT_TRUE(grid->DeferredSizePending());
  EXPECT_EQ(grid->VertScrollValues().Page, page);
  grid->EndUpdateGx();
  EXPECT_FALSE(grid->DeferredSizePending());
  EXPECT_GT(grid->VertScrollValues().Page, page + 3);
  // A size outside a lock is taken at once.
  grid->SetBounds(0, 0, 400, 120);
  EXPECT_EQ(grid->VertScrollValues().Page, page);
}

TEST_F(DBGridTest, AFlatSingleBorderedGridPaintsItsOwnBorder) {
  AddRows(3);
  MakeGrid(300, 150);
  AddColumn("ID");
  Bind();
  EXPECT_EQ(grid->FlatBorderWidth(), 0);
  EXPECT_EQ(grid->ClientWidth(), 300);
  const int height = grid->ClientHeight();  // less the horizontal bar
  grid->SetFlat(true);
  grid->SetBorderStyle(bsSingle);
  gridtest::Pump();
  ASSERT_TRUE(grid->Ctl3D());
  EXPECT_EQ(grid->FlatBorderWidth(), 1);
  // One pixel each side, not the sunken 3-D edge.
  EXPECT_EQ(grid->ClientWidth(), 298);
  EXPECT_EQ(grid->ClientHeight(), height - 2);
  grid->Invalidate();
  RedrawWindow(grid->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
  gridtest::Pump();
  // The sunken outer edge: shadow above and left, highlight below and right.
  EXPECT_EQ(FanoGetWindowPixel(grid->Handle(), 0, 5), ColorToRGB(clBtnShadow));
  EXPECT_EQ(FanoGetWindowPixel(grid->Handle(), 5, 0), ColorToRGB(clBtnShadow));
  EXPECT_EQ(FanoGetWindowPixel(grid->Handle(), 299, 20), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(FanoGetWindowPixel(grid->Handle(), 20, 149), ColorToRGB(clBtnHighlight));
  // Without the single border there is none.
  grid->SetBorderStyle(bsNone);
  gridtest::Pump();
  EXPECT_EQ(grid->FlatBorderWidth(), 0);
  EXPECT_EQ(grid->ClientWidth(), 300);
}

TEST_F(DBGridTest, TheBackgroundIsNeverErased) {
  MakeGrid();
  HDC dc = FanoCreateRecordingDC(50, 50);
  EXPECT_EQ(grid->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0), 1);
  EXPECT_EQ(FanoRecordCount(dc), 0);
  DeleteDC(dc);
}

TEST_F(DBGridTest, TheParentsFontReachesTitlesAndFootersUntilTheTitleFontIsSetApart) {
  AddRows(2);
  MakeGrid();
  AddColumn("ID");
  Bind();
  ASSERT_TRUE(grid->ParentFont());
  const int titleHeight = grid->TitleRowHeight();
  form->Font()->SetSize(form->Font()->Size() + 8);
  gridtest::Pump();
  EXPECT_EQ(grid->Font()->Size(), form->Font()->Size());
  EXPECT_EQ(grid->TitleFont()->Size(), form->Font()->Size());
  EXPECT_EQ(grid->FooterFont()->Size(), form->Font()->Size());
  EXPECT_TRUE(grid->ParentFont());  // following the parent is no setting of the grid's own
  EXPECT_GT(grid->TitleRowHeight(), titleHeight);
  // A title font of its own ends following the parent.
  grid->TitleFont()->SetStyle(TFontStyles{fsBold});
  EXPECT_FALSE(grid->ParentFont());
  const int size = grid->TitleFont()->Size();
  form->Font()->SetSize(size + 4);
  EXPECT_EQ(grid->TitleFont()->Size(), size);
}

TEST_F(DBGridTest, TheParentsColourReachesTheFooters) {
  MakeGrid();
  grid->SetParentColor(true);
  form->SetColor(clYellow);
  gridtest::Pump();
  EXPECT_EQ(grid->Color(), clYellow);
  EXPECT_EQ(grid->FooterColor(), clYellow);
}

TEST_F(DBGridTest, ItsOwnFontChangesTheRowHeightsAndTheColumnFonts) {
  AddRows(3);
  MakeGrid();
  TColumnGx* c = AddColumn("NAME");
  Bind();
  const int rowHeight = grid->DataRowHeight();
  grid->Font()->SetSize(grid->Font()->Size() + 10);
  EXPECT_GT(grid->DataRowHeight(), rowHeight);
  EXPECT_EQ(c->Font()->Size(), grid->Font()->Size());
  EXPECT_EQ(grid->GetRowHeights(grid->GetTitleOffset()), grid->DataRowHeight());
}

TEST_F(DBGridTest, TheWheelGoesToAnOpenDropDownAndLeavesTheRecord) {
  AddRows(5);
  MakeGrid();
  TColumnGx* c = AddColumn("NAME");
  c->PickList()->Add("甲");
  c->PickList()->Add("乙");
  Bind();
  grid->SetFocus();
  gridtest::Pump();
  grid->SetEditorMode(true);
  auto* ed = dynamic_cast<TDBGridInplaceEdit*>(grid->InplaceEditor());
  ASSERT_NE(ed, nullptr);
  ASSERT_EQ(ed->EditStyle(), esPickList);
  ed->DropDown();
  gridtest::Pump();
  ASSERT_TRUE(ed->ListVisible());
  auto* list = dynamic_cast<TPopupListboxGx*>(ed->ActiveList());
  ASSERT_NE(list, nullptr);
  int gridWheels = 0;
  grid->OnMouseWheelDown = [&](TObject*, TShiftState, const TPoint&, bool& handled) {
    ++gridWheels;
    handled = true;
  };
  list->SetItemIndex(0);
  const int before = table->RecNo();
  const LRESULT r = grid->Perform(CM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 0);
  EXPECT_EQ(r, 1);
  EXPECT_EQ(list->ItemIndex(), 1);  // the list stepped
  EXPECT_EQ(gridWheels, 0);
  EXPECT_EQ(table->RecNo(), before);
  ed->CloseUp(false);
  gridtest::Pump();
  // Closed, the wheel is the grid's again.
  grid->Perform(CM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 0);
  EXPECT_EQ(gridWheels, 1);
  EXPECT_EQ(list->ItemIndex(), 1);
}

// An action the application counts as its select-all action.
class TSelectAllTestAction : public TCustomAction {
  FANO_CLASS(TSelectAllTestAction)
 public:
  using TCustomAction::TCustomAction;
};
FANO_IMPLEMENT_CLASS_WITH(TSelectAllTestAction, TCustomAction, nullptr)

TEST_F(DBGridTest, EditActionsRunWhileTheGridHasTheFocus) {
  AddRows(4);
  MakeGrid();
  AddColumn("NAME");
  Bind();
  grid->SetDBOptions(grid->DBOptions() + dgMultiSelect);
  grid->SetEditActions(TDBGridGxEditActions{geaSelectAllGx});
  DBGridGxEditActionClasses().SelectAll = TSelectAllTestAction::StaticClass();
  TSelectAllTestAction action(nullptr);
  TCustomAction other(nullptr);
  grid->SetFocus();
  gridtest::Pump();
  action.SetEnabled(false);
  EXPECT_TRUE(grid->UpdateAction(&action));
  EXPECT_TRUE(action.Enabled());
  EXPECT_FALSE(grid->UpdateAction(&other));
  EXPECT_FALSE(grid->ExecuteAction(&other));
  EXPECT_TRUE(grid->ExecuteAction(&action));
  EXPECT_EQ(grid->Selection()->SelectionType(), gstAll);
  // Without the edit-action flag the grid neither updates nor runs it.
  grid->SetEditActions(TDBGridGxEditActions{});
  EXPECT_FALSE(grid->UpdateAction(&action));
  grid->Selection()->Clear();
  EXPECT_FALSE(grid->ExecuteAction(&action));
  EXPECT_EQ(grid->Selection()->SelectionType(), gstNon);
  // Nothing to select in an empty table.
  grid->SetEditActions(TDBGridGxEditActions{geaSelectAllGx});
  table->EmptyTable();
  EXPECT_TRUE(grid->UpdateAction(&action));
  EXPECT_FALSE(action.Enabled());
  // Unfocused the grid leaves actions alone.
  AddRows(2);
  grid->Selection()->Clear();
  ::SetFocus(nullptr);
  gridtest::Pump();
  EXPECT_FALSE(grid->ExecuteAction(&action));
  EXPECT_EQ(grid->Selection()->SelectionType(), gstNon);
  DBGridGxEditActionClasses().SelectAll = nullptr;
}

// Each edit action runs only while its own EditActions flag is set.
TEST_F(DBGridTest, EachEditActionNeedsItsFlag) {
  AddRows(4);
  MakeGrid();
  AddColumn("NAME");
  Bind();
  grid->SetDBOptions(grid->DBOptions() + dgMultiSelect - dgConfirmDelete);
  grid->SetFocus();
  gridtest::Pump();
  Clipboard()->SetAsText("甲");
  TDBGridGxEditActionClasses& classes = DBGridGxEditActionClasses();
  TDBGridGxLinkedActions& linked = DBGridGxLinkedActions();
  const TDBGridGxLinkedActions savedLinked = linked;
  std::string ran;
  linked.Copy = [&](TCustomDBGridGx*) { ran = "copy"; };
  linked.Cut = [&](TCustomDBGridGx*) { ran = "cut"; };
  linked.Paste = [&](TCustomDBGridGx*) { ran = "paste"; };
  struct Case {
    TClass TDBGridGxEditActionClasses::*slot;
    TDBGridGxEditAction flag;
    const char* ran;
  };
  TSelectAllTestAction action(nullptr);
  for (const Case& c : {Case{&TDBGridGxEditActionClasses::Copy, geaCopyGx, "copy"},
                        Case{&TDBGridGxEditActionClasses::Cut, geaCutGx, "cut"},
                        Case{&TDBGridGxEditActionClasses::Paste, geaPasteGx, "paste"},
                        Case{&TDBGridGxEditActionClasses::SelectAll, geaSelectAllGx, "select all"},
                        Case{&TDBGridGxEditActionClasses::Delete, geaDeleteGx, "delete"}}) {
    SCOPED_TRACE(c.ran);
    classes.*c.slot = TSelectAllTestAction::StaticClass();
    for (bool set : {false, true}) {
      ran.clear();
      grid->Selection()->Clear();
      grid->SelectedRows()->SetCurrentRowSelected(true);
      grid->SetEditActions(set ? TDBGridGxEditActions{c.flag} : TDBGridGxEditActions{});
      const int records = table->RecordCount();
      const bool done = grid->ExecuteAction(&action);
      if (grid->Selection()->SelectionType() == gstAll && ran.empty()) ran = "select all";
      if (table->RecordCount() < records) ran = "delete";
      EXPECT_EQ(done, set);
      EXPECT_EQ(ran, set ? c.ran : "");
    }
    classes.*c.slot = nullptr;
    if (table->RecordCount() < 4) AddRows(4 - table->RecordCount());
  }
  linked = savedLinked;
}

TEST_F(DBGridTest, ToolTipsOfMultiLevelTitlesShowTheLeafCaption) {
  AddRows(2);
  MakeGrid();
  AddColumn("ID", "单据|编号");
  TColumnGx* name = AddColumn("NAME", "单据|一个很长很长的摘要标题");
  name->SetWidth(60);
  name->Title()->SetToolTips(true);
  Bind();
  grid->SetUseMultiTitle(true);
  gridtest::Pump();
  const int col = grid->DataToRawColumn(1);
  const TRect leaf = grid->LeafTitleRect(col, 0);
  THintInfo info{};
  info.HintControl = grid;
  info.CursorPos = TPoint(leaf.Left + 3, leaf.Top + 3);
  EXPECT_EQ(grid->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)), 0);
  EXPECT_EQ(info.HintStr, "一个很长很长的摘要标题");
  EXPECT_EQ(info.HintPos.Y, grid->ClientToScreen(TPoint(0, leaf.Top)).Y);
  // A leaf caption that fits gets none.
  name->SetWidth(400);
  gridtest::Pump();
  const TRect wide = grid->LeafTitleRect(col, 0);
  info = THintInfo{};
  info.HintControl = grid;
  info.CursorPos = TPoint(wide.Left + 3, wide.Top + 3);
  EXPECT_NE(grid->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)), 0);
}

}  // namespace
