// Heights of multi-level titles: each band is as tall as its caption wrapped in the band's width
// (a vertical caption as long as it stands), and painting and hit tests follow those bands.
#include <gtest/gtest.h>

#include <vector>

#include "dbgrid_test_util.h"
#include "platform/forms/controls.h"

using namespace dbgridtest;

namespace {

struct TitleHeightsCase {
  const char* name;
  std::vector<const char*> captions;
  int width;           // of every column
  bool verticalFirst;  // the first column's title stands on end
  int groupLines;      // lines of the group caption
  int firstLeafBand;   // the first leaf's band over the line height and margin, when not 0
};

// gtest would otherwise print the raw bytes, padding included, which valgrind reports as unset.
void PrintTo(const TitleHeightsCase& tc, std::ostream* os) { *os << tc.name; }

class TitleHeightsTest : public DBGridTest, public ::testing::WithParamInterface<TitleHeightsCase> {};

const char* const kTitleHeightFields[] = {"ID", "NAME", "AMOUNT", "FLAG"};

}  // namespace

TEST_P(TitleHeightsTest, BandsAreMeasuredAndPaintedWhereMeasured) {
  const TitleHeightsCase& tc = GetParam();
  AddRows(2);
  MakeGrid(500, 220);
  for (size_t i = 0; i < tc.captions.size(); ++i) {
    TColumnGx* c = AddColumn(kTitleHeightFields[i], tc.captions[i]);
    c->SetWidth(tc.width);
    if (i == 0 && tc.verticalFirst) c->Title()->SetOrientation(tohVertical);
  }
  grid->SetUseMultiTitle(true);
  Bind();
  TMeasureCanvas m;
  m.Canvas()->Font()->Assign(grid->TitleFont());
  const int line = m.Canvas()->TextHeight("Wg");
  const int margin = grid->VTitleMargin();
  THeadTreeNode* leaf = grid->LeafFor(0);
  ASSERT_NE(leaf->Host, grid->HeadTree());
  THeadTreeNode* group = leaf->Host;
  EXPECT_EQ(group->Height, tc.groupLines * line + margin);
  const int leafBand = tc.firstLeafBand ? tc.firstLeafBand : line + margin;
  const int tallestLeaf = std::max(line + margin, leafBand);
  const int total = group->Height + tallestLeaf;
  EXPECT_EQ(leaf->Height, tallestLeaf);
  const int fixed3DLess = grid->OptionsGx().Contains(dghFixed3D) ? 1 : 3;
  EXPECT_EQ(grid->GetRowHeights(0), total - fixed3DLess);

  // The line under the group lies where the group's band ends, not higher.
  HDC dc = FanoCreateRecordingDC(grid->ClientWidth(), grid->ClientHeight());
  PaintWithCanvas(grid->Canvas(), dc, [this] { grid->Paint(); });
  const COLORREF lineColour = ColorToRGB(grid->GridLineColors()->IndicatorLineColor());
  const TRect title = grid->CellRect(grid->DataToRawColumn(0), 0);
  const int x = title.Left + title.Width() / 2;
  EXPECT_EQ(GetPixel(dc, x, title.Top + group->Height), lineColour);
  EXPECT_NE(GetPixel(dc, x, title.Top + group->Height - 3), lineColour);
  DeleteDC(dc);
  // Presses and hints find the leaf's own part under the same band.
  EXPECT_EQ(grid->LeafTitleRect(grid->DataToRawColumn(0), 0).Top, title.Top + group->Height);
}

INSTANTIATE_TEST_SUITE_P(
    Grid, TitleHeightsTest,
    ::testing::Values(TitleHeightsCase{"OneLine", {"A|B", "A|C"}, 64, false, 1, 0},
                      TitleHeightsCase{"GroupWrapsInItsWidth", {"Advance details|Date", "Advance details|Sum"}, 30,
                                       false, 2, 0},
                      TitleHeightsCase{"Chinese", {"费用|日期", "费用|金额"}, 64, false, 1, 0},
                      // "Amount" stands 36 pixels tall in the test font, and 6 more.
                      TitleHeightsCase{"VerticalLeaf", {"A|Amount", "A|B"}, 40, true, 1, 42}),
    [](const ::testing::TestParamInfo<TitleHeightsCase>& info) { return std::string(info.param.name); });

// A group caption wraps 2 pixels in from each side of its band (and clear of a raised frame): a
// caption that only fits the whole band takes two lines.
TEST_F(DBGridTest, AGroupCaptionWrapsInsideItsMargins) {
  const char* caption = "Aaa Bbb";
  for (int extra : {3, 4}) {
    AddRows(1);
    MakeGrid(500, 220);
    grid->SetUseMultiTitle(true);
    TMeasureCanvas m;
    m.Canvas()->Font()->Assign(grid->TitleFont());
    const int text = m.Canvas()->TextWidth(caption);
    const int line = m.Canvas()->TextHeight("Wg");
    const int frame = grid->OptionsGx().Contains(dghFixed3D) && !grid->Flat() ? 2 : 0;
    AddColumn("ID", std::string(caption) + "|Date")->SetWidth(text + frame + extra);
    Bind();
    THeadTreeNode* group = grid->LeafFor(0)->Host;
    ASSERT_NE(group, grid->HeadTree());
    EXPECT_EQ(group->Height, (extra < 4 ? 2 : 1) * line + grid->VTitleMargin()) << extra;
    form->Free();
    form = nullptr;
    table->EmptyTable();
  }
}

// Three levels in the installed fonts: a group caption that wraps over narrow columns, a vertical
// leaf beside them; written for people to look at.
TEST_F(DBGridTest, SnapshotOfThreeLevelTitles) {
  FanoSetTestFont(FALSE);
  AddRow(1, "差旅费报销", 125.5, "Y");
  AddRow(2, "办公用品采购", 251, "N");
  MakeGrid(420, 200);
  AddColumn("ID", "费用垫付单据明细及审核信息|基本|单号")->SetWidth(50);
  AddColumn("NAME", "费用垫付单据明细及审核信息|基本|摘要")->SetWidth(58);
  AddColumn("AMOUNT", "费用垫付单据明细及审核信息|金额")->SetWidth(50);
  TColumnGx* flag = AddColumn("FLAG", "已审核");
  flag->SetWidth(30);
  flag->Title()->SetOrientation(tohVertical);
  grid->SetUseMultiTitle(true);
  Bind();
  grid->Invalidate();
  gridtest::Pump();
  ASSERT_NO_FATAL_FAILURE(uitest::WriteSnapshot(form, "grid_dbgrid_multititle.png"));
  TMeasureCanvas m;
  m.Canvas()->Font()->Assign(grid->TitleFont());
  const int line = m.Canvas()->TextHeight("Wg");
  // Every leaf keeps at least a line of its own under its groups.
  for (int i = 0; i < 3; ++i) {
    THeadTreeNode* leaf = grid->LeafFor(i);
    int above = 0;
    for (THeadTreeNode* h = leaf->Host; h != grid->HeadTree(); h = h->Host) above += h->Height;
    EXPECT_GE(grid->GetRowHeights(0) - above, line) << i;
  }
  EXPECT_GE(grid->GetRowHeights(0), m.Canvas()->TextWidth("已审核"));  // the vertical caption stands whole
}
