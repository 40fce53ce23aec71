// Grid and column settings that take effect as set: the sum-list events, a width set by code
// under auto-fit, title and row heights made of lines and pixels, image lists that change, the
// selected field and index, the sorted columns after the collection changed, and the published
// column properties.
#include "dbgrid_test_util.h"
#include "grid/lookupgrid.h"
#include "platform/classes/published.h"

namespace {

using dbgridtest::DBGridTest;

class DBGridPropsTest : public DBGridTest {
 protected:
  void Build() {
    AddRows(5);
    MakeGrid(400, 200);
    id = AddColumn("ID");
    name = AddColumn("NAME");
    amount = AddColumn("AMOUNT");
    Bind();
    gridtest::Pump();
  }
  TEXTMETRICW Metrics(TFont* font) {
    TMeasureCanvas bmp;
    bmp.Canvas()->Font()->Assign(font);
    TEXTMETRICW tm{};
    GetTextMetricsW(bmp.Canvas()->Handle(), &tm);
    return tm;
  }
  bool Invalidated() {
    RECT r{};
    return GetUpdateRect(grid->Handle(), &r, FALSE) != FALSE;
  }
  TColumnGx* id = nullptr;
  TColumnGx* name = nullptr;
  TColumnGx* amount = nullptr;
};

TEST_F(DBGridPropsTest, TheSumListEventsOfTheGridFire) {
  Build();
  amount->Footer()->SetValueType(fvtSum);
  grid->SetFooterRowCount(1);
  std::vector<std::string> fired;
  grid->OnSumListRecalcAll = [&](TObject* sender) {
    fired.push_back(sender == grid->SumList() ? "recalc" : "recalc from another sender");
  };
  grid->OnSumListAfterRecalcAll = [&](TObject*) { fired.push_back("after"); };
  grid->SumList()->SetActive(true);
  grid->SumList()->RecalcAll();
  ASSERT_GE(fired.size(), 2u);
  EXPECT_EQ(fired[fired.size() - 2], "recalc");
  EXPECT_EQ(fired.back(), "after");
  // Both are stored with the grid.
  EXPECT_NE(GetPropInfo(TDBGridGx::StaticClass(), "OnSumListRecalcAll"), nullptr);
}

// A width set by code while the columns fit the grid stays: the next column shown gives way (a
// hidden one between them takes no room).
TEST_F(DBGridPropsTest, AWidthSetByCodeUnderAutoFitIsKept) {
  Build();
  grid->SetAutoFitColWidths(true);
  for (const bool hiddenBetween : {false, true}) {
    SCOPED_TRACE(hiddenBetween);
    name->SetVisible(!hiddenBetween);
    gridtest::Pump();
    TColumnGx* next = hiddenBetween ? amount : name;
    const int raw = grid->DataToRawColumn(id->Index()), rawNext = grid->DataToRawColumn(next->Index());
    const int before = grid->GetColWidths(raw), nextBefore = grid->GetColWidths(rawNext),
              lastBefore = grid->GetColWidths(raw + 2);
    id->SetWidth(before + 40);
    gridtest::Pump();
    EXPECT_NEAR(grid->GetColWidths(raw), before + 40, 2);
    EXPECT_NEAR(grid->GetColWidths(rawNext), nextBefore - 40, 2);
    if (!hiddenBetween) {
      EXPECT_NEAR(grid->GetColWidths(raw + 2), lastBefore, 2);
    }
  }
}

// Title and data rows of lines and pixels: the lines asked for are never cut.
TEST_F(DBGridPropsTest, TitleAndRowHeightsAddLinesAndPixels) {
  Build();
  struct Case {
    int lines, pixels;
  };
  const TEXTMETRICW title = Metrics(grid->TitleFont());
  const int rowLine = 1;  // dgRowLines is on
  for (const Case& c : {Case{2, 10}, Case{1, 0}, Case{0, 12}, Case{3, 4}}) {
    SCOPED_TRACE(testing::Message() << c.lines << " lines, " << c.pixels << " pixels");
    grid->SetTitleLines(c.lines);
    grid->SetTitleHeight(c.pixels);
    gridtest::Pump();
    EXPECT_EQ(grid->GetRowHeights(0), c.lines * title.tmHeight + title.tmExternalLeading + 2 + c.pixels + rowLine);
  }
  const TEXTMETRICW data = Metrics(grid->Font());
  for (const Case& c : {Case{2, 30}, Case{1, 0}, Case{0, 30}}) {
    SCOPED_TRACE(testing::Message() << c.lines << " row lines, " << c.pixels << " pixels");
    grid->SetRowLines(c.lines);
    grid->SetRowHeight(c.pixels);
    gridtest::Pump();
    EXPECT_EQ(grid->GetRowHeights(grid->FixedRows()), (data.tmHeight + data.tmExternalLeading) * c.lines + c.pixels);
  }
}

TEST_F(DBGridPropsTest, AChangedImageListRepaintsTheGrid) {
  Build();
  auto* images = new TImageList(form, 16, 16);
  auto* titles = new TImageList(form, 16, 16);
  TBitmap picture;
  picture.SetSize(16, 16);
  for (bool titleList : {false, true}) {
    SCOPED_TRACE(titleList ? "TitleImages" : "column ImageList");
    if (titleList) grid->SetTitleImages(titles);
    else amount->SetImageList(images);
    gridtest::Pump();
    ASSERT_FALSE(Invalidated());
    (titleList ? titles : images)->AddMasked(&picture, clWhite);
    EXPECT_TRUE(Invalidated());
    gridtest::Pump();
  }
  // A list no longer shown repaints nothing.
  amount->SetImageList(nullptr);
  gridtest::Pump();
  images->AddMasked(&picture, clWhite);
  EXPECT_FALSE(Invalidated());
}

TEST_F(DBGridPropsTest, SelectedFieldAndIndexMoveTheCurrentColumn) {
  Build();
  grid->SetSelectedField(table->FieldByName("AMOUNT"));
  EXPECT_EQ(grid->SelectedColumn(), amount);
  grid->SetSelectedIndex(1);
  EXPECT_EQ(grid->SelectedColumn(), name);
  grid->SetSelectedField(nullptr);
  EXPECT_EQ(grid->SelectedColumn(), name);
  grid->SetSelectedIndex(7);
  EXPECT_EQ(grid->SelectedColumn(), name);
}

// Two titles with the same sort place after a change of the collection: the later one has it.
TEST_F(DBGridPropsTest, TheSortedColumnsAreRebuiltFromTheTitles) {
  Build();
  grid->SetOptionsGx(grid->OptionsGx() + dghMultiSortMarking);
  grid->Columns()->BeginUpdate();
  for (TColumnGx* c : {id, amount}) {
    c->Title()->SetSortMarker(smDownGx);
    c->Title()->SetSortIndex(1);
  }
  name->Title()->SetSortMarker(smUpGx);
  name->Title()->SetSortIndex(3);
  grid->Columns()->EndUpdate();
  const auto& sorted = grid->SortMarkedColumns();
  ASSERT_EQ(sorted.size(), 3u);
  EXPECT_EQ(sorted[0], amount);
  EXPECT_EQ(sorted[1], nullptr);
  EXPECT_EQ(sorted[2], name);
}

TEST_F(DBGridPropsTest, ColumnBiDiModeAndRequiredStateEventArePublished) {
  Build();
  EXPECT_EQ(GetEnumProp(name, "BiDiMode"), "bdLeftToRight");
  EXPECT_FALSE(name->BiDiModeStored());
  SetEnumProp(name, "BiDiMode", "bdRightToLeftReadingOnly");
  EXPECT_EQ(name->BiDiMode(), bdRightToLeftReadingOnly);
  EXPECT_TRUE(name->BiDiModeStored());
  EXPECT_NE(GetPropInfo(TDBGridColumnGx::StaticClass(), "OnCheckDrawRequiredState"), nullptr);
}

}  // namespace

namespace {

// Auto-fit off gives each column its width from before the fitting back and the horizontal bar;
// on hides the bar and shows the first column.
TEST_F(DBGridPropsTest, AutoFitOnAndOffKeepsTheColumnsOwnWidths) {
  Build();
  id->SetWidth(50);
  name->SetWidth(300);
  amount->SetWidth(90);
  grid->SetLeftCol(grid->FixedCols() + 1);
  grid->SetAutoFitColWidths(true);
  gridtest::Pump();
  EXPECT_EQ(grid->ScrollBars(), ssNone);
  EXPECT_EQ(grid->LeftCol(), grid->FixedCols());
  ASSERT_NE(name->Width(), 300);  // fitted into the client
  grid->SetAutoFitColWidths(false);
  gridtest::Pump();
  EXPECT_EQ(grid->ScrollBars(), ssHorizontal);
  EXPECT_EQ(id->Width(), 50);
  EXPECT_EQ(name->Width(), 300);
  EXPECT_EQ(amount->Width(), 90);
}

// A data row sized by the user sizes every data row: RowHeight takes it, RowLines goes.
TEST_F(DBGridPropsTest, ARowSizedByTheUserSetsTheRowHeight) {
  Build();
  grid->SetRowSizingAllowed(true);
  grid->SetRowLines(1);
  gridtest::Pump();
  const int first = grid->FixedRows();
  const int old = grid->GetRowHeights(first);
  const TRect cell = grid->CellRect(0, first);
  uitest::MouseDown(grid, 4, cell.Bottom);
  uitest::MoveMouse(grid, 4, cell.Bottom + 12);
  uitest::MouseUp(grid, 4, cell.Bottom + 12);
  EXPECT_EQ(grid->RowLines(), 0);
  EXPECT_EQ(grid->RowHeight(), old + 12);
  EXPECT_EQ(grid->GetRowHeights(first), old + 12);
  EXPECT_EQ(grid->GetRowHeights(first + 2), old + 12);
}

TEST_F(DBGridPropsTest, TheOptimalWidthCountsTheFooters) {
  Build();
  id->Footer()->SetValueType(fvtStaticText);
  id->Footer()->SetValue("一个很长很长的合计说明文字");
  grid->SetFooterRowCount(1);
  gridtest::Pump();
  grid->OptimizeColsWidth({id});
  TMeasureCanvas bmp;
  bmp.Canvas()->Font()->Assign(id->Footer()->Font());
  EXPECT_GE(id->Width(), bmp.Canvas()->TextWidth("一个很长很长的合计说明文字"));
}

// The gap between text lines is the grid's: narrower on a flat grid.
TEST_F(DBGridPropsTest, OneLineOfTextCountsTheGridsLineGap) {
  Build();
  const TEXTMETRICW tm = Metrics(name->Font());
  const int height = tm.tmHeight + tm.tmInternalLeading + tm.tmExternalLeading + 3;
  EXPECT_FALSE(name->TextFitsOneLine(height));
  grid->SetFlat(true);
  EXPECT_TRUE(name->TextFitsOneLine(height));
}

// The in-place search asks the behaviour centre first, under the hour-glass.
TEST_F(DBGridPropsTest, TheInPlaceSearchGoesThroughTheCentre) {
  Build();
  TDBGridGxCenter* center = grid->Center();
  ASSERT_NE(center, nullptr);
  std::vector<std::string> asked;
  int depth = -1;
  center->OnLocateText = [&](TDBGridGxCenter*, TCustomDBGridGx* g, const std::string& field, const std::string& text,
                             int, int, int, int) {
    asked.push_back(field + "|" + text);
    depth = DBGridHourGlassDepth();
    g->DataSet()->Last();
    return true;
  };
  grid->SetCol(grid->DataToRawColumn(name->Index()));
  grid->InplaceSearchText("zz", -1, 2);
  center->OnLocateText = nullptr;
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0], "|zz");
  EXPECT_EQ(depth, 1);
  EXPECT_EQ(DBGridHourGlassDepth(), 0);
  EXPECT_EQ(table->RecNo(), 5);  // where the centre found it
  // The centre's answer stands: a refusal is not searched again behind it.
  grid->StopInplaceSearch();
  table->First();
  center->OnLocateText = [](TDBGridGxCenter*, TCustomDBGridGx*, const std::string&, const std::string&, int, int, int,
                            int) { return false; };
  grid->InplaceSearchText("row3", -1, 2);
  center->OnLocateText = nullptr;
  EXPECT_EQ(table->RecNo(), 1);
}

}  // namespace

namespace {

// The column's drop-down box events are its drop-down data grid's, set through the column and
// never written with it.
TEST_F(DBGridPropsTest, TheDropDownBoxEventsAreTheDropDownGridsOwn) {
  Build();
  EXPECT_FALSE(name->OnDropDownBoxTitleBtnClick());
  EXPECT_EQ(name->DropDownDataGridIfMade(), nullptr);  // reading makes no grid
  int clicks = 0;
  const TPropInfo* prop = GetPropInfo(TDBGridColumnGx::StaticClass(), "OnDropDownBoxTitleBtnClick");
  ASSERT_NE(prop, nullptr);
  prop->SetEvent(name, std::any(TColumnGx::TDropDownBoxTitleBtnClickEvent([&](TObject*, int, TColumnGx*) { ++clicks; })));
  ASSERT_NE(name->DropDownDataGridIfMade(), nullptr);
  ASSERT_TRUE(name->DropDownDataGridIfMade()->OnTitleBtnClick);
  name->DropDownDataGridIfMade()->OnTitleBtnClick(nullptr, 1, nullptr);
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(prop->EventAssigned(name));
  EXPECT_FALSE(prop->StoredRule(name));
  name->SetOnDropDownBoxSortMarkingChanged([&](TObject*) { clicks += 10; });
  name->DropDownDataGridIfMade()->OnSortMarkingChanged(nullptr);
  EXPECT_EQ(clicks, 11);
  for (const char* event : {"OnDropDownBoxCheckButton", "OnDropDownBoxDrawColumnCell", "OnDropDownBoxGetCellParams",
                            "OnDropDownBoxSortMarkingChanged"})
    EXPECT_NE(GetPropInfo(TDBGridColumnGx::StaticClass(), event), nullptr) << event;
}

}  // namespace
