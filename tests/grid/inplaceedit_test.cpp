// The base in-place editor: shown over the current cell, moved with it, hidden with the text
// handed back, and the keys it passes to the grid.
#include <functional>

#include "grid_test_util.h"

using namespace gridtest;

namespace {

class InplaceEditTest : public GridTest {
 protected:
  void MakeEditingGrid(bool alwaysShow = false) {
    MakeGrid();
    grid->texts = {{{1, 1}, "alpha"}, {{2, 1}, "beta"}, {{1, 2}, "gamma"}};
    TGridOptions o = grid->Options();
    o.Include(goEditing);
    o.Include(goTabs);
    if (alwaysShow) o.Include(goAlwaysShowEditor);
    grid->SetOptions(o);
    Pump();
  }
  TInplaceEdit* Edit() const { return grid->InplaceEditor(); }
  void Sel(int& start, int& stop) { Edit()->GetSel(start, stop); }
  TRect EditBounds() const { return Edit()->BoundsRect(); }
};

TEST_F(InplaceEditTest, ShowsOverTheCurrentCellWithItsText) {
  MakeEditingGrid();
  EXPECT_EQ(Edit(), nullptr);  // made on first need
  Key(VK_F2);
  ASSERT_NE(Edit(), nullptr);
  EXPECT_TRUE(grid->EditorMode());
  EXPECT_TRUE(Edit()->GetVisible());
  EXPECT_EQ(EditBounds(), grid->CellRect(1, 1));
  EXPECT_EQ(Edit()->Text(), "alpha");
  EXPECT_EQ(grid->InplaceCol(), 1);
  EXPECT_EQ(grid->InplaceRow(), 1);
  EXPECT_TRUE(Edit()->Focused());
  // Editor mode turned on leaves the caret at the end with nothing selected.
  int start = -1, stop = -1;
  Sel(start, stop);
  EXPECT_EQ(start, 5);
  EXPECT_EQ(stop, 5);
  // The text rectangle lies inside the cell, two pixels in.
  RECT fmt{};
  SendMessage(Edit()->Handle(), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&fmt));
  EXPECT_EQ(fmt.left, 2);
  EXPECT_EQ(fmt.top, 2);
  EXPECT_EQ(fmt.right, Edit()->Width() - 2);
}

TEST_F(InplaceEditTest, MovesWithTheCurrentCellAndHandsTheTextBack) {
  MakeEditingGrid();
  Key(VK_F2);
  Key(VK_END);
  FanoInputKey('X', TRUE);
  FanoInputKey('X', FALSE);
  Pump();
  EXPECT_EQ(Edit()->Text(), "alphax");
  // Every change reaches the grid.
  ASSERT_FALSE(grid->edits.empty());
  EXPECT_EQ(grid->edits.back(), "1,1=alphax");
  grid->edits.clear();
  Key(VK_DOWN);  // always the grid's
  EXPECT_EQ(grid->Current(), (TGridCoord{1, 2}));
  ASSERT_FALSE(grid->edits.empty());
  EXPECT_EQ(grid->edits.front(), "1,1=alphax");
  // Moving the current cell hides the editor unless it is always shown.
  EXPECT_FALSE(grid->EditorMode());
  EXPECT_FALSE(Edit()->GetVisible());
  EXPECT_TRUE(grid->Focused());
  // Scrolling keeps the editor over its cell.
  grid->SetRowCount(40);
  Key(VK_F2);
  grid->SetTopRow(2);
  EXPECT_EQ(EditBounds(), grid->CellRect(1, 2));
  grid->SetTopRow(3);  // the cell scrolled out: the editor hides
  EXPECT_FALSE(Edit()->GetVisible());
}

TEST_F(InplaceEditTest, EnterTogglesAndATypedCharacterOpensTheEditor) {
  MakeEditingGrid();
  FanoInputKey('Q', TRUE);
  FanoInputKey('Q', FALSE);
  Pump();
  ASSERT_NE(Edit(), nullptr);
  EXPECT_TRUE(Edit()->GetVisible());
  EXPECT_EQ(Edit()->Text(), "q");  // the character replaced the selected text
  Key(VK_RETURN);
  EXPECT_FALSE(grid->EditorMode());
  EXPECT_FALSE(Edit()->GetVisible());
  EXPECT_EQ(grid->edits.back(), "1,1=q");
  Key(VK_RETURN);
  EXPECT_TRUE(Edit()->GetVisible());
  EXPECT_EQ(Edit()->Text(), "alpha");
  EXPECT_EQ(Edit()->GetTextLen(), 5);
}

TEST_F(InplaceEditTest, HorizontalKeysStayInTheEditorUnlessItIsAlwaysShown) {
  MakeEditingGrid();
  Key(VK_F2);
  Key(VK_RIGHT);
  Key(VK_RIGHT);
  EXPECT_EQ(grid->Col(), 1);
  Key(VK_HOME);
  Key(VK_LEFT);
  EXPECT_EQ(grid->Col(), 1);
  Key(VK_TAB);  // Tab always goes to the grid
  EXPECT_EQ(grid->Col(), 2);
}

TEST_F(InplaceEditTest, AlwaysShownEditorPassesArrowsAtTheTextEnds) {
  MakeEditingGrid(true);
  ASSERT_NE(Edit(), nullptr);
  EXPECT_TRUE(Edit()->GetVisible());
  // The whole text is selected with the caret at its end: Right moves on.
  Key(VK_RIGHT);
  EXPECT_EQ(grid->Col(), 2);
  EXPECT_TRUE(Edit()->GetVisible());
  EXPECT_EQ(Edit()->Text(), "beta");
  EXPECT_EQ(EditBounds(), grid->CellRect(2, 1));
  // Enter toggles between all selected and the caret at the end, never a line break.
  int start = -1, stop = -1;
  Key(VK_RETURN);
  Sel(start, stop);
  EXPECT_EQ(start, 4);
  EXPECT_EQ(stop, 4);
  Key(VK_RETURN);
  Sel(start, stop);
  EXPECT_EQ(start, 0);
  EXPECT_EQ(stop, 4);
  EXPECT_EQ(Edit()->Text(), "beta");
  EXPECT_TRUE(Edit()->GetVisible());
  // Caret inside the text: the arrows stay in the editor; at the start Left moves on.
  Edit()->SetSel(2, 2);
  Key(VK_LEFT);
  Key(VK_RIGHT);
  EXPECT_EQ(grid->Col(), 2);
  Edit()->SetSel(0, 0);
  Key(VK_LEFT);
  EXPECT_EQ(grid->Col(), 1);
  // Ctrl goes to the grid wherever the caret is (Ctrl+Right moves by a page of columns).
  Edit()->SetSel(2, 2);
  Key(VK_RIGHT, false, true);
  EXPECT_EQ(grid->Col(), 4);
}

TEST_F(InplaceEditTest, ModificationKeysFollowTheGridsPermission) {
  MakeEditingGrid();
  grid->editLimit = -1;  // the cell may not be modified
  Key(VK_F2);
  EXPECT_FALSE(grid->CanEditModify());
  Key(VK_HOME);
  Key(VK_DELETE);
  FanoInputKey('Z', TRUE);
  FanoInputKey('Z', FALSE);
  Key(VK_BACK);
  Pump();
  EXPECT_EQ(Edit()->Text(), "alpha");
  SendMessage(Edit()->Handle(), WM_CLEAR, 0, 0);
  EXPECT_EQ(Edit()->Text(), "alpha");
  SendMessage(Edit()->Handle(), WM_CHAR, 0x4E2D, 0);  // 中
  EXPECT_EQ(Edit()->Text(), "alpha");
  // Ctrl+Delete is always the grid's.
  bool gridSawDelete = false;
  grid->OnKeyDown = [&](TObject*, uint16_t& key, TShiftState shift) {
    if (key == VK_DELETE && shift.Contains(ssCtrl)) gridSawDelete = true;
  };
  Key(VK_DELETE, false, true);
  EXPECT_TRUE(gridSawDelete);
  // With permission the same keys edit.
  grid->editLimit = 0;
  grid->InvalidateEditor();
  EXPECT_TRUE(grid->CanEditModify());
  Key(VK_HOME);
  Key(VK_DELETE);
  EXPECT_EQ(Edit()->Text(), "lpha");
}

TEST_F(InplaceEditTest, F2LeftAloneByTheGridsHandlerOnlyDeselects) {
  MakeEditingGrid();
  Key(VK_F2);
  Edit()->SelectAll();
  int calls = 0;
  grid->OnKeyDown = [&](TObject*, uint16_t&, TShiftState) { ++calls; };
  Key(VK_F2);
  EXPECT_EQ(calls, 1);
  int start = -1, stop = -1;
  Sel(start, stop);
  EXPECT_EQ(start, 5);
  EXPECT_EQ(stop, 5);
  EXPECT_TRUE(Edit()->GetVisible());
}

TEST_F(InplaceEditTest, HideAndMoveEdgeCases) {
  MakeEditingGrid();
  auto* loose = new TInplaceEdit(form);
  loose->SetGrid(grid);
  EXPECT_NO_THROW(loose->Hide());  // never had a window
  EXPECT_FALSE(loose->HandleAllocated());
  loose->SetParent(grid);
  loose->Move(Rect(10, 10, 60, 30));
  EXPECT_TRUE(loose->GetVisible());
  loose->Move(Rect(0, 0, 0, 0));  // an empty rectangle hides
  EXPECT_FALSE(loose->GetVisible());
  // The window is multi-line, so that the text rectangle can be set.
  EXPECT_NE(GetWindowLong(loose->Handle(), GWL_STYLE) & ES_MULTILINE, 0);
  // A grid click followed quickly by a press in the editor is a double click.
  Key(VK_F2);
  int dbl = 0;
  grid->OnDblClick = [&](TObject*) { ++dbl; };
  Click(100, 60);  // another cell: the editor goes there on the next F2
  Key(VK_F2);
  const TRect r = EditBounds();
  Click(r.Left + 5, r.Top + 5);
  EXPECT_EQ(dbl, 1);
}

// An editor hidden by a press elsewhere comes back on a scroll only loaded for the current cell,
// so that what is typed into it reaches that cell.
TEST_F(InplaceEditTest, ScrollingBringsBackTheEditorOnlyForTheCurrentCell) {
  MakeEditingGrid();
  grid->SetRowCount(30);
  grid->texts.push_back({{2, 3}, "delta"});
  grid->MoveCurrent(2, 3, true, true);
  Key(VK_F2);
  ASSERT_TRUE(Edit()->GetVisible());
  Click(100, 10);  // a title cell: the editor hides, editor mode stays
  EXPECT_FALSE(Edit()->GetVisible());
  EXPECT_EQ(grid->InplaceRow(), -1);
  grid->SetTopRow(2);
  Pump();
  ASSERT_TRUE(Edit()->GetVisible());
  EXPECT_EQ(grid->InplaceCol(), 2);
  EXPECT_EQ(grid->InplaceRow(), 3);
  EXPECT_EQ(Edit()->Text(), "delta");
  EXPECT_EQ(EditBounds(), grid->CellRect(2, 3));
  grid->edits.clear();
  uitest::Type("z");
  ASSERT_FALSE(grid->edits.empty());
  EXPECT_EQ(grid->edits.back(), "2,3=z");
}

// A change of the fixed count sends the current cell back to the first one; the editor does not
// stay behind on the old cell, and what is typed next goes to the new current cell.
TEST_F(InplaceEditTest, FixedCountChangeTakesTheEditorOffTheOldCell) {
  MakeEditingGrid();
  Key(VK_F2);
  ASSERT_TRUE(Edit()->GetVisible());
  grid->SetFixedRows(2);
  EXPECT_EQ(grid->Current(), (TGridCoord{1, 2}));
  EXPECT_FALSE(Edit()->GetVisible() && grid->InplaceRow() != grid->Row());
  grid->edits.clear();
  uitest::Type("z");
  ASSERT_FALSE(grid->edits.empty());
  EXPECT_EQ(grid->edits.back(), "1,2=z");
}

// Editing switched off while the editor is open closes it: nothing typed afterwards reaches a cell.
TEST_F(InplaceEditTest, EditingSwitchedOffClosesTheEditor) {
  MakeEditingGrid();
  Key(VK_F2);
  ASSERT_TRUE(Edit()->GetVisible());
  TGridOptions o = grid->Options();
  o.Exclude(goEditing);
  grid->SetOptions(o);
  EXPECT_FALSE(grid->EditorMode());
  EXPECT_FALSE(Edit()->GetVisible());
  grid->edits.clear();
  uitest::Type("z");
  EXPECT_TRUE(grid->edits.empty());
}

// The open editor keeps covering its cell when the geometry around it changes.
TEST_F(InplaceEditTest, TheOpenEditorFollowsItsCellWhenTheGeometryChanges) {
  const struct {
    const char* what;
    std::function<void(TTestGrid*)> change;
  } cases[] = {
      {"narrower grid", [](TTestGrid* g) { g->SetBounds(0, 0, 250, 200); }},
      {"contra column", [](TTestGrid* g) { g->SetContraColCount(1); }},
      {"contra row", [](TTestGrid* g) { g->SetContraRowCount(2); }},
      {"no vertical lines", [](TTestGrid* g) {
         TGridOptions o = g->Options();
         o.Exclude(goVertLine);
         o.Exclude(goFixedVertLine);
         g->SetOptions(o);
       }},
      {"fewer rows", [](TTestGrid* g) { g->SetRowCount(4); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    MakeEditingGrid();
    grid->SetColCount(8);
    grid->SetColWidths(4, 100);
    grid->MoveCurrent(4, 3, true, true);
    Key(VK_F2);
    ASSERT_TRUE(Edit()->GetVisible());
    c.change(grid);
    Pump();
    const TRect cell = grid->CellRect(4, 3);
    if (cell.IsEmpty())
      EXPECT_FALSE(Edit()->GetVisible());
    else
      EXPECT_EQ(EditBounds(), cell);
    form->Free();
    form = nullptr;
  }
}

// An always-shown editor whose row is deleted does not stay behind with the deleted row's text:
// what is typed next goes to the current cell. With and without rows fixed at the bottom.
TEST_F(InplaceEditTest, DeletingTheEditorsRowLeavesNoEditorOnIt) {
  for (int contraRows : {0, 1}) {
    SCOPED_TRACE(contraRows);
    MakeEditingGrid(true);
    grid->SetContraRowCount(contraRows);
    grid->texts.push_back({{1, 4}, "last"});
    grid->MoveCurrent(1, 4, true, true);
    grid->InvalidateEditor();
    Pump();
    ASSERT_EQ(grid->InplaceRow(), 4);
    grid->DeleteRow(4);
    Pump();
    EXPECT_EQ(grid->Row(), 3);
    EXPECT_TRUE(grid->InplaceRow() == -1 || grid->InplaceRow() == 3);
    grid->edits.clear();
    grid->SetFocus();
    Key(VK_F2);
    uitest::Type("z");
    ASSERT_FALSE(grid->edits.empty());
    EXPECT_EQ(grid->edits.back().substr(0, 4), "1,3=");
    form->Free();
    form = nullptr;
  }
}

}  // namespace
