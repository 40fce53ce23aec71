// The sizing half of the layout pass: tab stops and widths of the base grid's columns, auto-fitted
// widths, the line colours a pass chooses, column sizing taken over after loading, and scaling.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "dbgrid_test_util.h"
#include "platform/os/uxtheme.h"

using namespace dbgridtest;

namespace {

class TLoadingGrid : public TDBGridGx {
 public:
  using TDBGridGx::TDBGridGx;
  using TComponent::SetLoadingState;
  void InternalLayout() override {
    ++passes;
    TDBGridGx::InternalLayout();
  }
  int passes = 0;
};

// Visual themes for the length of one test.
struct ThemesOn {
  ThemesOn() { FanoSetThemesActive(TRUE); }
  ~ThemesOn() { FanoSetThemesActive(FALSE); }
};

}  // namespace

class Layout2Test : public DBGridTest {
 protected:
  // Everything the grid's columns and lines take of the client width.
  int UsedWidth() {
    const int line = grid->DBOptions().Contains(dgColLines) ? grid->GridLineWidth() : 0;
    int used = 0;
    for (int i = 0; i < grid->ColCount(); ++i) {
      const int w = grid->GetColWidths(i);
      if (w >= 0) used += w + line;
    }
    return used;
  }
};

TEST_F(Layout2Test, TabStopsOnlyWhereTheUserMayType) {
  AddRows(3);
  MakeGrid();
  AddColumn("ID");
  TColumnGx* name = AddColumn("NAME");
  AddColumn("AMOUNT");
  TColumnGx* flag = AddColumn("FLAG");
  const int ind = grid->IndicatorOffset();
  ASSERT_EQ(ind, 1);
  // Without data nothing takes input.
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(grid->GetTabStops(ind + i)) << i;
  Bind();
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(grid->GetTabStops(ind + i)) << i;
  name->SetReadOnly(true);
  table->FieldByName("AMOUNT")->SetReadOnly(true);
  flag->SetVisible(false);
  grid->LayoutChanged();
  EXPECT_TRUE(grid->GetTabStops(ind + 0));
  EXPECT_FALSE(grid->GetTabStops(ind + 1));  // read-only column
  EXPECT_FALSE(grid->GetTabStops(ind + 2));  // read-only field
  EXPECT_FALSE(grid->GetTabStops(ind + 3));  // hidden column
  name->SetReadOnly(false);
  EXPECT_TRUE(grid->GetTabStops(ind + 1));
}

TEST_F(Layout2Test, WidthsOfIndicatorShownAndHiddenColumns) {
  MakeGrid();
  TColumnGx* a = AddColumn("ID");
  TColumnGx* b = AddColumn("NAME");
  a->SetWidth(70);
  b->SetWidth(90);
  EXPECT_EQ(grid->GetColWidths(0), grid->IndicatorWidth());
  EXPECT_EQ(grid->GetColWidths(1), 70);
  EXPECT_EQ(grid->GetColWidths(2), 90);
  b->SetVisible(false);
  EXPECT_EQ(grid->GetColWidths(2), -1);  // its line goes too
  grid->SetDBOptions(grid->DBOptions() - TDBGridOptions{dgColLines});
  EXPECT_EQ(grid->GetColWidths(2), 0);
  b->SetVisible(true);
  EXPECT_EQ(grid->GetColWidths(2), 90);
}

TEST_F(Layout2Test, AutoFitSharesTheClientWidthByBaseWidths) {
  MakeGrid(400);
  TColumnGx* a = AddColumn("ID");
  TColumnGx* b = AddColumn("NAME");
  a->SetWidth(50);
  b->SetWidth(150);
  grid->SetAutoFitColWidths(true);
  EXPECT_EQ(UsedWidth(), grid->ClientWidth());
  EXPECT_NEAR(b->Width(), 3 * a->Width(), 3);
  EXPECT_EQ(grid->GetColWidths(1), a->Width());
  EXPECT_EQ(grid->GetColWidths(2), b->Width());
  // A wider grid: the same shares of more room; the base widths stay.
  grid->SetBounds(0, 0, 600, 220);
  EXPECT_EQ(UsedWidth(), grid->ClientWidth());
  EXPECT_NEAR(b->Width(), 3 * a->Width(), 3);
  EXPECT_EQ(a->AutoFitBaseWidth(), 50);
  EXPECT_EQ(b->AutoFitBaseWidth(), 150);
}

TEST_F(Layout2Test, ASizedColumnsShareIsRoundedAndAClampedWidthTellsOnce) {
  MakeGrid(105);
  TColumnGx* a = AddColumn("ID");
  grid->SetAutoFitColWidths(true);
  ASSERT_EQ(a->Width(), 92);  // all the room there is
  a->SetAutoFitBaseWidth(70);
  int changes = 0;
  grid->OnColWidthsChanged = [&](TObject*) { ++changes; };
  // Sized to 93: the share grows to 70 x 93 / 92 = 70.76, the nearest whole pixel.
  grid->SetColWidths(1, 93);
  EXPECT_EQ(a->AutoFitBaseWidth(), 71);
  EXPECT_EQ(changes, 1);
  // Sized below its least width: it takes that width, and the change is told once.
  grid->SetAutoFitColWidths(false);
  a->SetWidth(80);
  a->SetMinWidth(50);
  changes = 0;
  grid->SetColWidths(1, 30);
  EXPECT_EQ(grid->GetColWidths(1), 50);
  EXPECT_EQ(a->Width(), 50);
  EXPECT_EQ(changes, 1);
}

TEST_F(Layout2Test, AutoFitColumnThatWillNotTakeItsShare) {
  MakeGrid(400);
  TColumnGx* a = AddColumn("ID");
  TColumnGx* b = AddColumn("NAME");
  TColumnGx* c = AddColumn("AMOUNT");
  a->SetWidth(100);
  b->SetWidth(100);
  c->SetWidth(40);
  c->SetAutoFitColWidth(false);
  a->SetMaxWidth(60);
  grid->SetAutoFitColWidths(true);
  EXPECT_EQ(a->Width(), 60);
  EXPECT_EQ(c->Width(), 40);  // not fitted at all
  EXPECT_GT(b->Width(), 150);  // the room the first could not take
  EXPECT_EQ(UsedWidth(), grid->ClientWidth());
}

TEST_F(Layout2Test, AutoFitNeverNegative) {
  MakeGrid(60);
  TColumnGx* a = AddColumn("ID");
  TColumnGx* b = AddColumn("NAME");
  b->SetWidth(300);
  b->SetAutoFitColWidth(false);
  grid->SetAutoFitColWidths(true);
  EXPECT_EQ(a->Width(), 0);
  EXPECT_EQ(grid->GetColWidths(1), 0);
  EXPECT_EQ(b->Width(), 300);
  // A minimum fitting width wider than the client gives the fitting column room again.
  grid->SetMinAutoFitWidth(500);
  EXPECT_GT(a->Width(), 0);
  EXPECT_EQ(UsedWidth(), 500);
}

TEST_F(Layout2Test, LineColoursChosenByTheLayout) {
  MakeGrid();
  AddColumn("ID");
  EXPECT_EQ(grid->DataLineColor(), clBlack);
  EXPECT_EQ(grid->FooterLineColor(), grid->GridLineColors()->GetBrightColor());
  {
    ThemesOn themes;
    grid->LayoutChanged();
    EXPECT_EQ(grid->DataLineColor(), clBtnShadow);  // dghFixed3D is on by default
    grid->SetOptionsGx(grid->OptionsGx() - TDBGridGxOptions{dghFixed3D});
    EXPECT_EQ(grid->DataLineColor(), cl3DDkShadow);
    grid->SetFlat(true);
    grid->LayoutChanged();
    EXPECT_EQ(grid->DataLineColor(), static_cast<TColor>(0x808080));  // flat wins over themes
  }
  grid->SetFlat(false);
  grid->LayoutChanged();
  EXPECT_EQ(grid->DataLineColor(), clBlack);
  grid->SetFooterColor(clYellow);
  grid->LayoutChanged();
  EXPECT_EQ(grid->FooterLineColor(), grid->GridLineColors()->GetDarkColor());
  grid->SetFooterColor(clWindow);
  grid->SetOptionsGx(grid->OptionsGx() + TDBGridGxOptions{dghFooter3D});
  EXPECT_EQ(grid->FooterLineColor(), grid->GridLineColors()->GetDarkColor());
  grid->SetOptionsGx(grid->OptionsGx() - TDBGridGxOptions{dghFooter3D});
  EXPECT_EQ(grid->FooterLineColor(), grid->GridLineColors()->GetBrightColor());
}

TEST_F(Layout2Test, LoadedGridTakesOverColumnSizing) {
  form = new TForm(nullptr);
  form->SetBounds(10, 10, 440, 280);
  auto* g = new TLoadingGrid(form);
  grid = g;
  g->SetLoadingState(true);
  g->SetParent(form);
  g->SetBounds(0, 0, 400, 220);
  // Read as stored: dgColumnResize without the two column options it normally brings.
  g->SetDBOptions(g->DBOptions() + TDBGridOptions{dgColumnResize});
  g->SetOptionsGx(g->OptionsGx() - TDBGridGxOptions{dghColumnResize, dghColumnMove});
  g->SetAutoFitColWidths(true);
  TColumnGx* a = AddColumn("ID");
  TColumnGx* b = AddColumn("NAME");
  a->SetWidth(80);
  b->SetWidth(40);
  EXPECT_FALSE(g->OptionsGx().Contains(dghColumnResize));  // nothing is synchronized while loading
  g->SetLoadingState(false);
  g->Loaded();
  form->Show();
  gridtest::Pump();
  EXPECT_TRUE(g->OptionsGx().Contains(dghColumnResize));
  EXPECT_TRUE(g->OptionsGx().Contains(dghColumnMove));
  EXPECT_TRUE(g->Options().Contains(goColSizing));
  EXPECT_TRUE(g->Options().Contains(goColMoving));
  EXPECT_EQ(a->AutoFitBaseWidth(), 80);
  EXPECT_EQ(b->AutoFitBaseWidth(), 40);
  EXPECT_FALSE(g->HorzScrollBar()->Visible());
  EXPECT_NEAR(a->Width(), 2 * b->Width(), 2);
}

TEST_F(Layout2Test, ChangeScaleByOneChangesNothing) {
  MakeGrid();
  grid->SetParentFont(false);
  TColumnGx* a = AddColumn("ID");
  a->SetWidth(33);
  const int title = grid->TitleFont()->Size(), font = grid->Font()->Size(), width = grid->Width();
  grid->ChangeScale(96, 96);
  EXPECT_EQ(grid->TitleFont()->Size(), title);
  EXPECT_EQ(grid->Font()->Size(), font);
  EXPECT_EQ(a->Width(), 33);
  EXPECT_EQ(grid->Width(), width);
}

TEST_F(Layout2Test, ChangeScaleScalesFontsAndWidthsWithoutDrift) {
  MakeGrid();
  grid->SetParentFont(false);
  grid->Font()->SetSize(10);
  grid->FooterFont()->SetSize(9);
  TColumnGx* cols[3] = {AddColumn("ID"), AddColumn("NAME"), AddColumn("AMOUNT")};
  for (TColumnGx* c : cols) c->SetWidth(33);
  cols[0]->Font()->SetSize(12);  // set explicitly: scaled
  cols[1]->Title()->Font()->SetSize(20);
  grid->ChangeScale(3, 2);
  EXPECT_EQ(grid->Font()->Size(), 15);
  EXPECT_EQ(grid->TitleFont()->Size(), 15);
  EXPECT_EQ(grid->FooterFont()->Size(), 14);  // 13.5, rounded
  EXPECT_EQ(cols[0]->Font()->Size(), 18);
  EXPECT_EQ(cols[1]->Title()->Font()->Size(), 30);
  EXPECT_EQ(cols[2]->Title()->Font()->Size(), 15);  // follows the title font
  EXPECT_EQ(cols[2]->Font()->Size(), 15);  // follows the grid font
  // 33 each: edges 50, 99, 149 (49.5, 99, 148.5 rounded) rather than 50 three times.
  EXPECT_EQ(cols[0]->Width(), 50);
  EXPECT_EQ(cols[1]->Width(), 49);
  EXPECT_EQ(cols[2]->Width(), 50);
  EXPECT_EQ(grid->Width(), 600);
  EXPECT_EQ(grid->GetColWidths(2), 49);
}

TEST_F(Layout2Test, LoadedGridListsItsSortedColumnsAndLaysOutAgainLater) {
  form = new TForm(nullptr);
  form->SetBounds(10, 10, 440, 280);
  auto* g = new TLoadingGrid(form);
  grid = g;
  g->SetLoadingState(true);
  g->SetParent(form);
  g->SetBounds(0, 0, 400, 220);
  g->SetOptionsGx(g->OptionsGx() + TDBGridGxOptions{dghMultiSortMarking});
  form->Show();
  gridtest::Pump();
  TColumnGx* a = AddColumn("ID");
  TColumnGx* b = AddColumn("NAME");
  TColumnGx* c = AddColumn("AMOUNT");
  // Read as a resource reads them: inside the collection's update.
  g->Columns()->BeginUpdate();
  a->Title()->SetSortMarker(smDownGx);
  a->Title()->SetSortIndex(2);
  c->Title()->SetSortMarker(smUpGx);
  c->Title()->SetSortIndex(1);
  g->Columns()->EndUpdate();
  EXPECT_TRUE(g->SortMarkedColumns().empty());
  g->passes = 0;
  g->SetLoadingState(false);
  g->Loaded();
  ASSERT_EQ(g->SortMarkedColumns().size(), 2u);
  EXPECT_EQ(g->SortMarkedColumns()[0], c);
  EXPECT_EQ(g->SortMarkedColumns()[1], a);
  EXPECT_EQ(b->Title()->SortMarker(), smNoneGx);
  EXPECT_EQ(g->passes, 1);
  gridtest::Pump();  // the deferred pass, once the window's messages are handled
  EXPECT_EQ(g->passes, 2);
}

TEST_F(Layout2Test, FrozenColumnsStayFixedBesideTheIndicator) {
  AddRows(3);
  MakeGrid();
  TColumnGx* a = AddColumn("ID");
  TColumnGx* b = AddColumn("NAME");
  AddColumn("AMOUNT");
  AddColumn("FLAG");
  Bind();
  EXPECT_EQ(grid->FixedCols(), 1);
  grid->SetDataFrozenCols(1);
  EXPECT_EQ(grid->FixedCols(), 2);
  EXPECT_EQ(grid->FrozenCols(), 1);
  // A hidden column inside the frozen part does not count.
  a->SetVisible(false);
  EXPECT_EQ(grid->FixedCols(), 3);
  EXPECT_EQ(grid->FrozenCols(), 2);
  // One directly after it is taken in as well.
  a->SetVisible(true);
  b->SetVisible(false);
  EXPECT_EQ(grid->FixedCols(), 3);
  b->SetVisible(true);
  // More frozen columns than there are: one column is still left to scroll.
  grid->SetDataFrozenCols(10);
  EXPECT_EQ(grid->FixedCols(), grid->ColCount() - 1);
  grid->SetDataFrozenCols(0);
  EXPECT_EQ(grid->FixedCols(), 1);
  EXPECT_EQ(grid->FrozenCols(), 0);
}

TEST_F(Layout2Test, FrozenColumnsWaitForColumns) {
  MakeGrid();
  grid->SetDataFrozenCols(2);  // no data and no columns of its own: only the indicator is fixed
  EXPECT_EQ(grid->FixedCols(), 1);
  AddColumn("ID");
  AddColumn("NAME");
  AddColumn("AMOUNT");
  EXPECT_EQ(grid->FixedCols(), 3);
}

// A frozen first column stays beside the indicator while the others scroll; written with the real
// fonts for people to look at.
TEST_F(Layout2Test, SnapshotOfAFrozenColumnScrolled) {
  FanoSetTestFont(FALSE);
  const char* names[] = {"差旅费报销", "办公用品采购", "会议场地租金", "市场推广费用"};
  for (int i = 0; i < 4; ++i) AddRow(101 + i, names[i], 88.5 * (i + 1), "Y");
  table->First();
  MakeGrid(300, 160);
  AddColumn("ID", "单号");
  AddColumn("NAME", "摘要")->SetWidth(140);
  AddColumn("AMOUNT", "金额")->SetWidth(120);
  AddColumn("FLAG", "状态")->SetWidth(120);
  Bind();
  grid->SetDataFrozenCols(1);
  const TRect before = grid->CellRect(1, 1);
  grid->SetLeftCol(3);
  grid->Invalidate();
  gridtest::Pump();
  EXPECT_EQ(grid->LeftCol(), 3);
  const TRect frozen = grid->CellRect(1, 1);
  EXPECT_EQ(frozen.Left, before.Left);  // the frozen column has not moved
  EXPECT_EQ(grid->CellRect(3, 1).Left, frozen.Right + grid->GridLineWidth());
  EXPECT_TRUE(grid->CellRect(2, 1).IsEmpty());  // scrolled out of sight
  uitest::WriteSnapshot(form, "grid_frozen_column.png");
  FanoSetTestFont(TRUE);
}

TEST_F(Layout2Test, BuiltColumnsGoOnceAStoredOneFollowsThem) {
  AddRows(2);
  MakeGrid();
  Bind();
  ASSERT_EQ(grid->Columns()->Count(), 4);  // built from the fields
  ASSERT_TRUE(grid->Columns()->Items(0)->IsGridBuilt());
  TColumnGx* name = grid->Columns()->Items(1);
  name->SetStored(true);  // one of the user's now, behind a built one
  grid->LayoutChanged();
  ASSERT_EQ(grid->Columns()->Count(), 1);
  EXPECT_EQ(grid->Columns()->Items(0), name);
  EXPECT_TRUE(grid->Columns()->Customized());
  EXPECT_EQ(grid->ColCount(), grid->IndicatorOffset() + 1);
  EXPECT_EQ(grid->SelectedField(), table->FieldByName("NAME"));
}
