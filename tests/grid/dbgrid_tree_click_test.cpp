// Opening and closing a tree node with the mouse on the tree column's indent: the data set's
// controls are off while the node changes, and on again afterwards, also when the change fails.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "dbgrid_test_util.h"
#include "grid/dbgrid.h"
#include "grid_test_util.h"
#include "platform/os/winuser.h"
#include "platform/rtl/exceptions.h"

using namespace dbgridtest;

namespace {

class DBGridTreeClickTest : public DBGridTest {
 protected:
  // 差旅费 (1) holds 交通 (2) and 住宿 (4); 办公费 (3) stands alone. Nodes start closed.
  void Build(std::initializer_list<TreeNode> nodes = {{1, Null(), "差旅费"}, {2, 1, "交通"}, {3, Null(), "办公费"},
                                                      {4, 1, "住宿"}}) {
    tree = MakeTreeTable(nodes);
    treeSource = std::make_unique<TDataSource>(nullptr);
    treeSource->SetDataSet(tree.get());
    MakeGrid();
    AddColumn("NAME", "名称");
    AddColumn("ID", "编号");
    grid->SetDataSource(treeSource.get());
    grid->SetFocus();
    gridtest::Pump();
    ASSERT_TRUE(tree->IsTreeView());
  }
  // The middle of the first data row's node box (a top-level node: the indent's first box).
  TPoint FirstNodeBox() const {
    const TRect r = grid->CellRect(grid->IndicatorOffset(), grid->GetTitleOffset());
    return TPoint(r.Left + kTreeLevelWidth / 2, (r.Top + r.Bottom) / 2);
  }
  void Click(TPoint p) {
    const TPoint s = grid->ClientToScreen(p);
    FanoInputMouseMove(s.X, s.Y);
    FanoInputMouseButton(0, TRUE, s.X, s.Y);
    gridtest::Pump();
    FanoInputMouseButton(0, FALSE, s.X, s.Y);
    gridtest::Pump();
    gridtest::AdvanceAndPump(1000, 250);  // the next press is not a double click
  }
  int DataRows() const { return grid->RowCount() - grid->GetTitleOffset(); }
  std::string CurrentName() { return tree->FieldByName("NAME")->AsString(); }

  std::unique_ptr<TMemTableGx> tree;
  std::unique_ptr<TDataSource> treeSource;
};

TEST_F(DBGridTreeClickTest, ControlsAreOffWhileANodeOpensAndOnAgainAfter) {
  Build();
  ASSERT_EQ(DataRows(), 2);
  tree->Last();
  gridtest::Pump();
  ASSERT_EQ(CurrentName(), "办公费");
  int asked = 0;
  bool disabledWhileAsked = false;
  tree->OnNodeExpanding = [&](TCustomMemTableGx* sender, TMemRecViewGx*, bool& allowed) {
    ++asked;
    disabledWhileAsked = sender->ControlsDisabled();
    allowed = true;
  };
  Click(FirstNodeBox());
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(disabledWhileAsked);
  EXPECT_FALSE(tree->ControlsDisabled());
  // The grid follows the opened node: four rows, the current record kept on its new row.
  EXPECT_EQ(DataRows(), 4);
  EXPECT_EQ(CurrentName(), "办公费");
  EXPECT_EQ(grid->Row() - grid->GetTitleOffset(), 3);
  EXPECT_EQ(grid->TopRow(), grid->GetTitleOffset());
  // A selected record stays selected on its new row; one that the closing hides drops out.
  grid->SetDBOptions(grid->DBOptions() + dgMultiSelect + dgRowSelect);
  for (const char* name : {"住宿", "办公费"}) {
    tree->Locate("NAME", std::string(name), {});
    grid->SelectedRows()->SetCurrentRowSelected(true);
  }
  EXPECT_TRUE(grid->IsCellSelected(0, 4, grid->RowBookmark(4), -1));

  // Closing it again: the same bracket, and the grid shrinks back.
  Click(FirstNodeBox());
  EXPECT_FALSE(tree->ControlsDisabled());
  EXPECT_EQ(DataRows(), 2);
  EXPECT_EQ(CurrentName(), "办公费");
  EXPECT_EQ(grid->Row() - grid->GetTitleOffset(), 1);
  ASSERT_EQ(grid->SelectedRows()->Count(), 1);
  EXPECT_TRUE(grid->IsCellSelected(0, 2, grid->RowBookmark(2), -1));
  // Opened by the keyboard, the same.
  tree->First();
  Key(VK_ADD);
  EXPECT_EQ(DataRows(), 4);
  EXPECT_TRUE(grid->IsCellSelected(0, 4, grid->RowBookmark(4), -1));
  EXPECT_FALSE(grid->IsCellSelected(0, 2, grid->RowBookmark(2), -1));
  // Closed by the keyboard, then opened by a program: no selected row shows another record.
  Key(VK_SUBTRACT);
  ASSERT_TRUE(grid->IsCellSelected(0, 2, grid->RowBookmark(2), -1));
  tree->SetNodeExpanded(0, true);
  gridtest::Pump();
  EXPECT_EQ(DataRows(), 4);
  const std::string names = SelectedValues("NAME");
  EXPECT_TRUE(names.empty() || names == "办公费 ") << names;
}

// The indent belongs to the tree: a click there opens or closes a node and is no cell click; a
// click on a node's text is one.
TEST_F(DBGridTreeClickTest, AClickInTheIndentIsNoCellClick) {
  Build();
  int clicks = 0;
  grid->OnCellClick = [&](TColumnGx*) { ++clicks; };
  const TPoint box = FirstNodeBox();
  const TRect second = grid->CellRect(grid->IndicatorOffset(), grid->GetTitleOffset() + 1);
  struct Case {
    TPoint at;
    int rows;  // data rows after the click
    int clicks;
  };
  for (const Case& c : {Case{box, 4, 0}, Case{box, 2, 0}, Case{TPoint(second.Left + 2 * kTreeLevelWidth, second.Top + 3), 2, 1}}) {
    SCOPED_TRACE(c.at.X);
    clicks = 0;
    Click(c.at);
    EXPECT_EQ(DataRows(), c.rows);
    EXPECT_EQ(clicks, c.clicks);
  }
}

// The tree column's tool tip measures the text in what the indent leaves of the cell; the tree
// column is the first one shown, also behind a hidden one.
TEST_F(DBGridTreeClickTest, TheTreeColumnsToolTipCountsTheIndent) {
  Build();
  TColumnGx* name = grid->Columns()->Items(0);
  TColumnGx* id = grid->Columns()->Items(1);
  name->SetToolTips(true);
  grid->Canvas()->Font()->Assign(name->Font());
  const int textWidth = grid->Canvas()->TextWidth("差旅费");
  struct Case {
    bool hiddenBefore;
    int width;
    bool tip;
  };
  for (const Case& c : {Case{false, textWidth + 10, true}, Case{false, textWidth + kTreeLevelWidth + 10, false},
                        Case{true, textWidth + 10, true}, Case{true, textWidth + kTreeLevelWidth + 10, false}}) {
    SCOPED_TRACE(std::to_string(c.hiddenBefore) + " " + std::to_string(c.width));
    id->SetIndex(c.hiddenBefore ? 0 : 1);
    id->SetVisible(!c.hiddenBefore);
    name->SetWidth(c.width);
    gridtest::Pump();
    THintInfo info;
    const LRESULT r = AskHint(grid->DataToRawColumn(name->Index()), grid->GetTitleOffset(), info);
    EXPECT_EQ(r == 0 && info.HintStr == "差旅费", c.tip);
  }
}

// A tree keeps its column in view: scrolling right stops at it unless it is frozen.
TEST_F(DBGridTreeClickTest, TheTreeColumnStaysInView) {
  Build();
  AddColumn("PARENT", "上级");
  for (int i = 0; i < grid->Columns()->Count(); ++i) grid->Columns()->Items(i)->SetWidth(250);
  gridtest::Pump();
  for (int frozen : {0, 1}) {
    SCOPED_TRACE(frozen);
    grid->SetDataFrozenCols(frozen);
    gridtest::Pump();
    const int first = grid->FixedCols();
    grid->SetLeftCol(first + 1);
    gridtest::Pump();
    EXPECT_EQ(grid->LeftCol(), frozen ? first + 1 : first);
    grid->SetLeftCol(first);
  }
  // The current cell keeps its room: the tree column comes back only as far as it still shows.
  grid->SetDataFrozenCols(0);
  grid->SetCol(grid->DataToRawColumn(0));
  gridtest::Pump();
  Key(VK_RIGHT);
  Key(VK_RIGHT);
  ASSERT_EQ(grid->Col(), grid->DataToRawColumn(2));
  EXPECT_EQ(grid->LeftCol(), grid->Col());
  EXPECT_FALSE(grid->CellRect(grid->Col(), grid->Row()).IsEmpty());
  Key(VK_LEFT);
  EXPECT_EQ(grid->LeftCol(), grid->DataToRawColumn(1));
  Key(VK_LEFT);
  EXPECT_EQ(grid->LeftCol(), grid->DataToRawColumn(0));
}

// Behind a hidden column the tree's column is the first one shown: that one stays in view.
TEST_F(DBGridTreeClickTest, TheTreeColumnBehindAHiddenOneStaysInView) {
  Build();
  AddColumn("PARENT", "上级");
  for (int i = 0; i < grid->Columns()->Count(); ++i) grid->Columns()->Items(i)->SetWidth(250);
  TColumnGx* name = grid->Columns()->Items(0);
  TColumnGx* id = grid->Columns()->Items(1);
  id->SetIndex(0);
  id->SetVisible(false);
  gridtest::Pump();
  const int treeCol = grid->DataToRawColumn(name->Index());
  grid->SetLeftCol(treeCol + 1);
  gridtest::Pump();
  EXPECT_EQ(grid->LeftCol(), treeCol);
}

TEST_F(DBGridTreeClickTest, AFailedOpeningLeavesTheControlsOn) {
  Build();
  tree->OnNodeExpanding = [&](TCustomMemTableGx*, TMemRecViewGx*, bool&) { throw Exception("不能展开"); };
  const TPoint p = FirstNodeBox();
  EXPECT_THROW(grid->TreeAreaPress(mbLeft, {}, p.X, p.Y), Exception);
  EXPECT_FALSE(tree->ControlsDisabled());
  EXPECT_EQ(DataRows(), 2);
  // The grid still follows the data set.
  tree->OnNodeExpanding = nullptr;
  tree->Last();
  gridtest::Pump();
  EXPECT_EQ(grid->Row() - grid->GetTitleOffset(), 1);
  Click(FirstNodeBox());
  EXPECT_EQ(DataRows(), 4);
}

}  // namespace

namespace {

// With the first column hidden the tree goes with the first column shown: its box opens the node,
// its text starts after the indent, and the cell editor there leaves the indent free.
TEST_F(DBGridTreeClickTest, TheTreeGoesWithTheFirstColumnShown) {
  Build();
  grid->Columns()->Items(0)->SetVisible(false);  // NAME
  gridtest::Pump();
  const int raw = grid->DataToRawColumn(1);
  const TRect r = grid->CellRect(raw, grid->GetTitleOffset());
  ASSERT_FALSE(r.IsEmpty());
  Click(TPoint(r.Left + kTreeLevelWidth / 2, (r.Top + r.Bottom) / 2));
  EXPECT_EQ(DataRows(), 4);
  // The first record's number is drawn after the indent.
  HDC dc = FanoCreateRecordingDC(grid->ClientWidth(), grid->ClientHeight());
  PaintWithCanvas(grid->Canvas(), dc, [this] { grid->Paint(); });
  bool found = false;
  for (const FANO_DRAW_RECORD& rec : uitest::Records(dc))
    if (std::strcmp(rec.call, "ExtTextOut") == 0 && std::string(rec.text) == "1") {
      found = true;
      EXPECT_GE(rec.args[0], r.Left + kTreeLevelWidth);
    }
  EXPECT_TRUE(found);
  DeleteDC(dc);
  // Shown again, the first column takes the tree back.
  grid->Columns()->Items(0)->SetVisible(true);
  gridtest::Pump();
  Click(FirstNodeBox());
  EXPECT_EQ(DataRows(), 2);
}

// A node's box has a line on down to its next sibling; the last of its siblings has none, also
// when it is open and its children follow it. The grid draws them also when the application
// draws the cells.
TEST_F(DBGridTreeClickTest, OnlyANodeWithALaterSiblingHasALineBelowItsBox) {
  auto check = [&](std::initializer_list<TreeNode> nodes, bool line, bool defaultDrawing) {
    SCOPED_TRACE(line);
    if (form) form->Free();
    Build(nodes);
    grid->SetDefaultDrawing(defaultDrawing);
    Click(FirstNodeBox());
    ASSERT_EQ(DataRows(), static_cast<int>(nodes.size()));
    HDC dc = FanoCreateRecordingDC(grid->ClientWidth(), grid->ClientHeight());
    PaintWithCanvas(grid->Canvas(), dc, [this] { grid->Paint(); });
    const TRect r = grid->CellRect(grid->IndicatorOffset(), grid->GetTitleOffset());
    const int x = r.Left + kTreeLevelWidth / 2, boxBottom = (r.Top + r.Bottom) / 2 + 4;
    int dots = 0;
    for (int y = boxBottom + 1; y < r.Bottom; ++y) dots += GetPixel(dc, x, y) == ColorToRGB(clBtnShadow);
    EXPECT_EQ(dots > 0, line);
    DeleteDC(dc);
  };
  check({{1, Null(), "差旅费"}, {2, 1, "交通"}, {3, Null(), "办公费"}}, true, true);
  check({{1, Null(), "差旅费"}, {2, 1, "交通"}}, false, true);
  check({{1, Null(), "差旅费"}, {2, 1, "交通"}, {3, Null(), "办公费"}}, true, false);
}

}  // namespace
