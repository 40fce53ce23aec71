// The data grid editor's own parts: the red dotted line under an empty required field, the tree
// indent before the text with the node toggle in it, presses and the cursor beside the text, and a
// double click stepping the value.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "dbgrid_test_util.h"
#include "grid/dbgrid_inplace.h"
#include "platform/os/wingdi.h"
#include "platform/os/winuser.h"

using namespace dbgridtest;

namespace {

class DBGridEditorPaintTest : public DBGridTest {
 protected:
  TDBGridInplaceEdit* OpenEditor(TColumnGx* column) {
    grid->SetFocus();
    gridtest::Pump();
    grid->SetCol(grid->DataToRawColumn(column->Index()));
    grid->SetEditorMode(true);
    gridtest::Pump();
    return dynamic_cast<TDBGridInplaceEdit*>(grid->InplaceEditor());
  }
  // Red pixels along the editor's bottom line, as the window shows them.
  int RedPixelsAtTheBottom(TDBGridInplaceEdit* ed) {
    ed->Invalidate();
    UpdateWindow(ed->Handle());
    gridtest::Pump();
    int red = 0;
    for (int x = 0; x < ed->ClientWidth(); ++x)
      if (FanoGetWindowPixel(ed->Handle(), x, ed->ClientHeight() - 1) == RGB(255, 0, 0)) ++red;
    return red;
  }
  void PressAt(TWinControl* w, int x, int y) {
    const TPoint p = w->ClientToScreen(TPoint(x, y));
    FanoInputMouseMove(p.X, p.Y);
    FanoInputMouseButton(0, TRUE, p.X, p.Y);
    FanoInputMouseButton(0, FALSE, p.X, p.Y);
    gridtest::Pump();
  }
};

TEST_F(DBGridEditorPaintTest, AnEmptyRequiredFieldIsUnderlinedInRedWhileEdited) {
  AddRow(1, "a");
  MakeGrid();
  AddColumn("ID");
  TColumnGx* flag = AddColumn("FLAG");
  Bind();
  table->FieldByName("FLAG")->SetRequired(true);
  flag->SetHighlightRequired(true);
  table->Append();
  TDBGridInplaceEdit* ed = OpenEditor(flag);
  ASSERT_NE(ed, nullptr);
  ASSERT_TRUE(grid->IsEditorVisible());
  EXPECT_TRUE(ed->RequiredStateShown());
  const int red = RedPixelsAtTheBottom(ed);
  // Dotted: about every other pixel of the text width.
  EXPECT_GT(red, ed->GetEditRect().Width() / 3);
  EXPECT_LT(red, ed->GetEditRect().Width());
  // The column's handler may say otherwise.
  flag->OnCheckDrawRequiredState = [](TObject*, const std::string&, bool& draw) { draw = false; };
  EXPECT_FALSE(ed->RequiredStateShown());
  EXPECT_EQ(RedPixelsAtTheBottom(ed), 0);
  flag->OnCheckDrawRequiredState = nullptr;
  // Filled, or not highlighted, or not edited: no line.
  table->FieldByName("FLAG")->SetAsString("Y");
  EXPECT_FALSE(ed->RequiredStateShown());
  table->FieldByName("FLAG")->Clear();
  flag->SetHighlightRequired(false);
  EXPECT_FALSE(ed->RequiredStateShown());
  flag->SetHighlightRequired(true);
  table->Cancel();
  EXPECT_FALSE(ed->RequiredStateShown());
}

class DBGridEditorTreeTest : public DBGridEditorPaintTest {
 protected:
  void SetUp() override {
    DBGridEditorPaintTest::SetUp();
    tree = MakeTreeTable({{1, Null(), "差旅费"}, {2, 1, "交通"}, {3, 1, "住宿"}, {4, Null(), "办公费"}});
    treeSource = std::make_unique<TDataSource>(nullptr);
    treeSource->SetDataSet(tree.get());
    MakeGrid();
    name = AddColumn("NAME");
    AddColumn("ID");
    grid->SetDataSource(treeSource.get());
    gridtest::Pump();
  }
  void TearDown() override {
    if (grid) grid->SetDataSource(nullptr);
    DBGridEditorPaintTest::TearDown();
    treeSource.reset();
    tree.reset();
  }
  std::unique_ptr<TMemTableGx> tree;
  std::unique_ptr<TDataSource> treeSource;
  TColumnGx* name = nullptr;
};

TEST_F(DBGridEditorTreeTest, TheTextStartsAfterTheTreeIndentOfTheRecord) {
  ASSERT_TRUE(tree->IsTreeView());
  TDBGridInplaceEdit* ed = OpenEditor(name);
  ASSERT_NE(ed, nullptr);
  // A root: one level of 18 pixels, and a pixel more.
  EXPECT_EQ(ed->TreeIndent(), 18);
  EXPECT_EQ(ed->GetEditRect().Left, 2 + 18 + 1);
  tree->SetNodeExpanded(0, true);
  tree->Next();  // 交通, one level down
  gridtest::Pump();
  EXPECT_EQ(tree->FieldByName("ID")->AsInteger(), 2);
  ed->UpdateContents();
  EXPECT_EQ(ed->TreeIndent(), 36);
  EXPECT_EQ(ed->GetEditRect().Left, 2 + 36 + 1);
  // Only the first column is indented.
  grid->SetCol(grid->DataToRawColumn(1));
  gridtest::Pump();
  EXPECT_EQ(ed->TreeIndent(), 0);
}

TEST_F(DBGridEditorTreeTest, APressInTheNodesBoxTogglesItAndLeavesTheCaret) {
  TDBGridInplaceEdit* ed = OpenEditor(name);
  ASSERT_NE(ed, nullptr);
  ASSERT_TRUE(grid->IsEditorVisible());
  ASSERT_EQ(tree->GetRowCount(), 2);
  ed->SelectAll();
  const int selLength = ed->SelLength();
  ASSERT_GT(selLength, 0);
  PressAt(ed, 2 + 9, ed->ClientHeight() / 2);
  EXPECT_EQ(tree->GetRowCount(), 4);  // expanded
  // Beside the text the press is no text press: the selection stays.
  EXPECT_EQ(ed->SelLength(), selLength);
  gridtest::AdvanceAndPump(1000, 250);
  PressAt(ed, 2 + 9, ed->ClientHeight() / 2);
  EXPECT_EQ(tree->GetRowCount(), 2);  // collapsed again
  // The cursor there is the arrow.
  const TPoint beside = ed->ClientToScreen(TPoint(2 + 9, 5));
  FanoInputMouseMove(beside.X, beside.Y);
  gridtest::Pump();
  ::SetCursor(Screen->Cursors(crHSplit));
  EXPECT_EQ(ed->Perform(WM_SETCURSOR, reinterpret_cast<WPARAM>(ed->Handle()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), 1);
  EXPECT_EQ(GetCursor(), Screen->Cursors(crArrow));
}

TEST_F(DBGridEditorPaintTest, ADoubleClickInTheEditorStepsThroughThePickList) {
  AddRow(1, "a", 0, "N");
  MakeGrid();
  AddColumn("ID");
  TColumnGx* flag = AddColumn("FLAG");
  flag->PickList()->Add("N");
  flag->PickList()->Add("Y");
  flag->SetDblClickNextVal(true);
  Bind();
  TDBGridInplaceEdit* ed = OpenEditor(flag);
  ASSERT_NE(ed, nullptr);
  const TRect text = ed->GetEditRect();
  const TPoint p = ed->ClientToScreen(TPoint(text.Left + 3, ed->ClientHeight() / 2));
  FanoInputMouseMove(p.X, p.Y);
  FanoInputMouseButton(0, TRUE, p.X, p.Y);
  FanoInputMouseButton(0, FALSE, p.X, p.Y);
  FanoInputMouseButton(0, TRUE, p.X, p.Y);
  FanoInputMouseButton(0, FALSE, p.X, p.Y);
  gridtest::Pump();
  EXPECT_EQ(ed->Text(), "Y");
  EXPECT_EQ(table->FieldByName("FLAG")->AsString(), "Y");
}

}  // namespace

namespace {

TEST_F(DBGridEditorTreeTest, SnapshotOfTheEditorInATreeColumn) {
  FanoSetTestFont(FALSE);
  tree->SetNodeExpanded(0, true);
  tree->Next();
  name->SetWidth(160);
  TDBGridInplaceEdit* ed = OpenEditor(name);
  ASSERT_NE(ed, nullptr);
  ed->UpdateContents();
  ed->Invalidate();
  gridtest::Pump();
  uitest::WriteSnapshot(form, "grid_dbgrid_editor_tree.png");
  FanoSetTestFont(TRUE);
}

}  // namespace

namespace {

// The cells of the tree column show one box per level with the node's sign, the text after it.
TEST_F(DBGridEditorTreeTest, TreeCellsShowTheirLinesAndSignsOneBoxPerLevel) {
  tree->SetNodeExpanded(0, true);
  grid->Invalidate();
  gridtest::Pump();
  auto grayIn = [&](int row, int from, int to) {
    const TRect cell = grid->CellRect(grid->DataToRawColumn(0), row);
    int gray = 0;
    for (int x = cell.Left + from; x < cell.Left + to; ++x)
      for (int y = cell.Top; y < cell.Bottom; ++y)
        if (FanoGetWindowPixel(grid->Handle(), x, y) == ColorToRGB(clGray)) ++gray;
    return gray;
  };
  const int root = grid->GetTitleOffset();
  // The root's minus sign sits in the first box; nothing is drawn in a second one.
  EXPECT_GT(grayIn(root, 0, 18), 8);
  EXPECT_EQ(grayIn(root, 19, 36), 0);
  // A child: its parent's line in the first box and its own corner in the second.
  EXPECT_GT(grayIn(root + 1, 0, 18), 2);
  EXPECT_GT(grayIn(root + 1, 18, 36), 2);
}

}  // namespace

namespace {

TEST_F(DBGridEditorTreeTest, APressOnANodesBoxInTheGridOpensAndClosesIt) {
  grid->SetFocus();
  gridtest::Pump();
  const int row = grid->GetTitleOffset() + 1;  // 办公费 has no children; 差旅费 has
  const TRect root = grid->CellRect(grid->DataToRawColumn(0), grid->GetTitleOffset());
  auto click = [&](int x, int y) {
    PressAt(grid, x, y);
    gridtest::AdvanceAndPump(1000, 250);
  };
  ASSERT_EQ(tree->GetRowCount(), 2);
  click(root.Left + 9, root.Top + root.Height() / 2);
  EXPECT_EQ(tree->GetRowCount(), 4);
  EXPECT_EQ(tree->FieldByName("ID")->AsInteger(), 1);  // the cell was not entered
  click(root.Left + 9, root.Top + root.Height() / 2);
  EXPECT_EQ(tree->GetRowCount(), 2);
  // A node without children: the press in its box does nothing, and does not enter the cell.
  const TRect leaf = grid->CellRect(grid->DataToRawColumn(0), row);
  click(leaf.Left + 9, leaf.Top + leaf.Height() / 2);
  EXPECT_EQ(tree->GetRowCount(), 2);
  EXPECT_EQ(tree->FieldByName("ID")->AsInteger(), 1);
  // On the text the press is an ordinary one.
  click(leaf.Left + 40, leaf.Top + leaf.Height() / 2);
  EXPECT_EQ(tree->FieldByName("ID")->AsInteger(), 4);
}

}  // namespace

namespace {

// With row lines the indent's row line takes the cell's colour and a silver line closes the
// indent; past the indent the row line is the grid's.
TEST_F(DBGridEditorTreeTest, RowLinesStopAtTheTreeIndentWhichASilverLineCloses) {
  ASSERT_TRUE(grid->DBOptions().Contains(dgRowLines));
  grid->Invalidate();
  gridtest::Pump();
  const TRect cell = grid->CellRect(grid->DataToRawColumn(0), grid->GetTitleOffset());
  const int mid = cell.Top + cell.Height() / 2;
  EXPECT_EQ(FanoGetWindowPixel(grid->Handle(), cell.Left + 17, mid), static_cast<COLORREF>(0xC0C0C0));
  const COLORREF back = FanoGetWindowPixel(grid->Handle(), cell.Left + 1, cell.Top + 1);
  EXPECT_EQ(FanoGetWindowPixel(grid->Handle(), cell.Left + 1, cell.Bottom), back);
  EXPECT_NE(FanoGetWindowPixel(grid->Handle(), cell.Left + 60, cell.Bottom), back);
  grid->SetDBOptions(grid->DBOptions() - TDBGridOptions{dgRowLines});
  gridtest::Pump();
  const TRect bare = grid->CellRect(grid->DataToRawColumn(0), grid->GetTitleOffset());
  EXPECT_NE(FanoGetWindowPixel(grid->Handle(), bare.Left + 17, bare.Top + bare.Height() / 2),
            static_cast<COLORREF>(0xC0C0C0));
}

}  // namespace
