// Layout passes under the layout lock, the option setters with the options they carry along, row
// heights fitted to whole text lines and the record-number column.
#include <gtest/gtest.h>

#include "dbgrid_test_util.h"

using namespace dbgridtest;

namespace {

// Counts the layout passes.
class TCountingGrid : public TDBGridGx {
 public:
  using TDBGridGx::TDBGridGx;
  void InternalLayout() override {
    ++passes;
    TDBGridGx::InternalLayout();
  }
  int passes = 0;
};

int TextLine(TFont* font) {
  TMeasureCanvas m;
  m.Canvas()->Font()->Assign(font);
  return m.Canvas()->TextHeight("Wg");
}

}  // namespace

class LayoutTest : public DBGridTest {
 protected:
  void MakeCountingGrid() {
    form = new TForm(nullptr);
    form->SetBounds(10, 10, 440, 280);
    counting = new TCountingGrid(form);
    grid = counting;
    grid->SetParent(form);
    grid->SetBounds(0, 0, 400, 220);
    form->Show();
    gridtest::Pump();
    counting->passes = 0;
  }
  TCountingGrid* counting = nullptr;
};

TEST_F(LayoutTest, NestedLayoutBracketsRunOnePass) {
  MakeCountingGrid();
  grid->BeginLayout();
  grid->BeginLayout();
  EXPECT_FALSE(grid->AcquireLayoutLock());
  grid->SetTitleLines(2);  // each of these asks for a layout
  grid->SetRowHeight(30);
  AddColumn("ID");
  EXPECT_EQ(counting->passes, 0);
  grid->EndLayout();
  EXPECT_EQ(counting->passes, 0);
  grid->EndLayout();
  EXPECT_EQ(counting->passes, 1);
  EXPECT_EQ(grid->LayoutLock(), 0);
  EXPECT_EQ(grid->DBUpdateCount(), 0);
  grid->EndLayout();  // unbalanced: nothing happens
  EXPECT_EQ(counting->passes, 1);
  EXPECT_TRUE(grid->AcquireLayoutLock());
  grid->EndLayout();
  EXPECT_EQ(counting->passes, 2);
}

TEST_F(LayoutTest, LayoutChangedWaitsOutAnUpdate) {
  MakeCountingGrid();
  grid->BeginUpdateGx();
  grid->LayoutChanged();
  EXPECT_EQ(counting->passes, 0);
  grid->EndUpdateGx();
  grid->LayoutChanged();
  EXPECT_EQ(counting->passes, 1);
  // That pass took the request waiting in the queue: no second one follows.
  gridtest::Pump();
  EXPECT_EQ(counting->passes, 1);
  // A request made inside the update is not lost: the queue runs it after the update.
  grid->BeginUpdateGx();
  grid->LayoutChanged();
  grid->LayoutChanged();
  grid->EndUpdateGx();
  EXPECT_EQ(counting->passes, 1);
  gridtest::Pump();
  EXPECT_EQ(counting->passes, 2);
}

TEST_F(LayoutTest, ColumnChangesInsideAnUpdateReachTheGrid) {
  AddRows(2);
  MakeGrid();
  TColumnGx* id = AddColumn("ID");
  TColumnGx* name = AddColumn("NAME");
  Bind();
  gridtest::Pump();
  ASSERT_EQ(grid->GetColWidths(1), id->Width());
  grid->BeginUpdateGx();
  id->SetWidth(111);
  name->SetVisible(false);
  grid->EndUpdateGx();
  gridtest::Pump();
  EXPECT_EQ(grid->GetColWidths(1), 111);
  EXPECT_LE(grid->GetColWidths(2), 0);  // hidden
}

TEST_F(LayoutTest, OptionChangesRecomputeOnlyWhenTheyShapeTheGrid) {
  MakeCountingGrid();
  grid->SetDBOptions(grid->DBOptions() - TDBGridOptions{dgTabs});
  EXPECT_EQ(counting->passes, 0);
  EXPECT_FALSE(grid->Options().Contains(goTabs));
  grid->SetDBOptions(grid->DBOptions() - TDBGridOptions{dgTitles});
  EXPECT_EQ(counting->passes, 1);
  EXPECT_EQ(grid->GetTitleOffset(), 0);
  grid->SetDBOptions(grid->DBOptions() - TDBGridOptions{dgColLines, dgRowLines});
  EXPECT_FALSE(grid->Options().Contains(goVertLine));
  EXPECT_FALSE(grid->Options().Contains(goFixedHorzLine));
  grid->SetOptionsGx(grid->OptionsGx() + TDBGridGxOptions{dghRowHighlight});
  EXPECT_EQ(counting->passes, 3);
}

TEST_F(LayoutTest, AnEditorAlwaysShownComesBackWithTheData) {
  AddRows(3);
  MakeGrid();
  AddColumn("ID");
  AddColumn("NAME");
  grid->SetDBOptions(grid->DBOptions() + TDBGridOptions{dgEditing, dgAlwaysShowEditor});
  Bind();
  grid->SetFocus();
  gridtest::Pump();
  ASSERT_TRUE(grid->IsEditorVisible());
  table->Close();
  gridtest::Pump();
  EXPECT_FALSE(grid->IsEditorVisible());
  table->Open();
  gridtest::Pump();
  EXPECT_TRUE(grid->IsEditorVisible());
  EXPECT_EQ(grid->InplaceEditor()->Text(), table->FieldByName("ID")->Text());
}

TEST_F(LayoutTest, RowSelectTakesAwayEditing) {
  MakeGrid();
  grid->SetDBOptions(grid->DBOptions() + TDBGridOptions{dgAlwaysShowEditor, dgRowSelect});
  EXPECT_TRUE(grid->DBOptions().Contains(dgRowSelect));
  EXPECT_FALSE(grid->DBOptions().Contains(dgEditing));
  EXPECT_FALSE(grid->DBOptions().Contains(dgAlwaysShowEditor));
  EXPECT_TRUE(grid->Options().Contains(goRowSelect));
  EXPECT_FALSE(grid->Options().Contains(goEditing));
}

TEST_F(LayoutTest, ColumnResizeOptionsMoveTogether) {
  MakeGrid();
  const TDBGridGxOptions both{dghColumnResize, dghColumnMove};
  grid->SetDBOptions(grid->DBOptions() - TDBGridOptions{dgColumnResize});
  EXPECT_TRUE((grid->OptionsGx() * both).Empty());
  EXPECT_FALSE(grid->Options().Contains(goColSizing));
  EXPECT_FALSE(grid->Options().Contains(goColMoving));
  grid->SetDBOptions(grid->DBOptions() + TDBGridOptions{dgColumnResize});
  EXPECT_EQ(grid->OptionsGx() * both, both);
  EXPECT_TRUE(grid->Options().Contains(goColSizing));
  EXPECT_TRUE(grid->Options().Contains(goColMoving));
  // Losing either column option clears dgColumnResize; gaining both sets it again.
  grid->SetOptionsGx(grid->OptionsGx() - TDBGridGxOptions{dghColumnMove});
  EXPECT_FALSE(grid->DBOptions().Contains(dgColumnResize));
  EXPECT_TRUE(grid->Options().Contains(goColSizing));  // sizing follows its own option
  EXPECT_FALSE(grid->Options().Contains(goColMoving));
  grid->SetOptionsGx(grid->OptionsGx() + TDBGridGxOptions{dghColumnMove});
  EXPECT_TRUE(grid->DBOptions().Contains(dgColumnResize));
  // The same Options again with dgColumnResize brings both back.
  grid->SetOptionsGx(grid->OptionsGx() - TDBGridGxOptions{dghColumnResize});
  grid->SetDBOptions(grid->DBOptions() + TDBGridOptions{dgColumnResize});
  EXPECT_EQ(grid->OptionsGx() * both, both);
}

TEST_F(LayoutTest, MultiSelectOffForgetsSelectedRows) {
  AddRows(3);
  MakeGrid();
  AddColumn("ID");
  Bind();
  grid->SetDBOptions(grid->DBOptions() + TDBGridOptions{dgMultiSelect});
  grid->SelectedRows()->SetCurrentRowSelected(true);
  ASSERT_EQ(grid->SelectedRows()->Count(), 1);
  grid->SetDBOptions(grid->DBOptions() - TDBGridOptions{dgMultiSelect});
  EXPECT_EQ(grid->SelectedRows()->Count(), 0);
}

TEST_F(LayoutTest, SingleSortMarkingKeepsTheFirstMarker) {
  AddRows(2);
  MakeGrid();
  TColumnGx* a = AddColumn("ID");
  TColumnGx* b = AddColumn("NAME");
  grid->SetOptionsGx(grid->OptionsGx() + TDBGridGxOptions{dghMultiSortMarking});
  a->Title()->SetSortMarker(smUpGx);
  b->Title()->SetSortMarker(smDownGx);
  ASSERT_EQ(grid->SortMarkedColumns().size(), 2u);
  grid->SetOptionsGx(grid->OptionsGx() - TDBGridGxOptions{dghMultiSortMarking});
  EXPECT_EQ(a->Title()->SortMarker(), smUpGx);
  EXPECT_EQ(b->Title()->SortMarker(), smNoneGx);
  EXPECT_EQ(grid->SortMarkedColumns().size(), 1u);
}

TEST_F(LayoutTest, RowHeightFittedToWholeLines) {
  MakeGrid();
  const int line = TextLine(grid->Font());
  ASSERT_EQ(line % 2, 0) << "the test font's line height is even";
  grid->SetOptionsGx(grid->OptionsGx() + TDBGridGxOptions{dghFitRowHeightToText});
  const int extra = 3 + 1;  // margins and the row line
  // Nothing set: one line, and the margins as the pixels beyond it.
  EXPECT_EQ(grid->RowLines(), 1);
  EXPECT_EQ(grid->RowHeight(), extra);
  EXPECT_EQ(grid->DataRowHeight(), line + extra);
  // Lines and pixels add up, and the fitting keeps a line: a new height is set without fitting.
  auto fitFrom = [&](int pixels) {
    grid->SetOptionsGx(grid->OptionsGx() - TDBGridGxOptions{dghFitRowHeightToText});
    grid->SetRowLines(0);
    grid->SetRowHeight(pixels);
    grid->SetOptionsGx(grid->OptionsGx() + TDBGridGxOptions{dghFitRowHeightToText});
  };
  fitFrom(extra + line + line / 2);  // exactly one and a half lines
  EXPECT_EQ(grid->RowLines(), 1);
  EXPECT_EQ(grid->DataRowHeight(), line + extra);
  fitFrom(extra + line + line / 2 + 1);  // a little more: two lines
  EXPECT_EQ(grid->RowLines(), 2);
  EXPECT_EQ(grid->DataRowHeight(), 2 * line + extra);
  fitFrom(2);  // never below one line
  EXPECT_EQ(grid->RowLines(), 1);
}

TEST_F(LayoutTest, RecordNumbersHaveAColumnOfTheirOwn) {
  AddRows(99);
  MakeGrid();
  grid->SetDBOptions(grid->DBOptions() - TDBGridOptions{dgIndicator});
  AddColumn("ID");
  Bind();
  EXPECT_EQ(grid->IndicatorOffset(), 0);
  grid->SetOptionsGx(grid->OptionsGx() + TDBGridGxOptions{dghShowRecNo});
  EXPECT_EQ(grid->IndicatorOffset(), 1);
  const int two = grid->IndicatorWidth();
  EXPECT_GE(two, 11);
  AddRow(100, "hundred");
  const int three = grid->IndicatorWidth();
  EXPECT_GT(three, two);  // one digit more
}

TEST_F(LayoutTest, TitleRowFitsTheLargestTitleFont) {
  MakeGrid();
  TColumnGx* a = AddColumn("ID", "编号");
  AddColumn("NAME", "名称");
  const int plain = grid->TitleRowHeight();
  EXPECT_EQ(plain, TextLine(grid->TitleFont()) + 3);
  a->Title()->Font()->SetSize(grid->TitleFont()->Size() * 2);
  EXPECT_EQ(grid->TitleRowHeight(), TextLine(a->Title()->Font()) + 3);
  EXPECT_GT(grid->TitleRowHeight(), plain);
}
