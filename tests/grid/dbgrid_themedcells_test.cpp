// Themed fixed cells: the header item of the theme (normal, pressed), the indicator arrow's colour,
// and filter cells, which are never raised. Pixels are probed where no text is drawn.
#include <cstdlib>

#include "dbgrid_test_util.h"
#include "editors/gxdraw.h"
#include "grid/dbgrid_filterrow.h"
#include "platform/os/uxtheme.h"

namespace {

using dbgridtest::DBGridTest;

struct ThemedCellsOn {
  ThemedCellsOn() { FanoSetThemesActive(TRUE); }
  ~ThemedCellsOn() { FanoSetThemesActive(FALSE); }
};

class DBGridThemedCellsTest : public DBGridTest {
 protected:
  void Build() {
    AddRows(3);
    MakeGrid(300, 150);
    AddColumn("ID");
    AddColumn("NAME");
    Bind();
    grid->Invalidate();
    gridtest::Pump();
  }
  COLORREF TitleTop(int col) {
    grid->Invalidate();
    gridtest::Pump();
    const TRect r = grid->CellRect(col, 0);
    return static_cast<COLORREF>(uitest::PixelOf(grid, r.Right - 3, r.Top + 1));
  }
  // The header item's top is nearly white (its gradient runs down to a light grey).
  static bool LightTop(COLORREF c) { return GetRValue(c) >= 245 && GetGValue(c) >= 245 && GetBValue(c) >= 245; }
};

TEST_F(DBGridThemedCellsTest, ARaisedThemedTitleIsTheThemesHeaderItem) {
  ThemedCellsOn themes;
  Build();
  EXPECT_TRUE(LightTop(TitleTop(1))) << std::hex << TitleTop(1);
  grid->SetPressedTitleCol(1);
  EXPECT_EQ(TitleTop(1), RGB(188, 220, 244));  // pressed
  EXPECT_TRUE(LightTop(TitleTop(2)));
  FanoSnapshotWindow(grid->Handle(), uitest::SnapshotPath("dbgrid_themed_titles.png").c_str());
  grid->SetPressedTitleCol(-1);
  // A vertical caption is written over the header item (a flat grid's gradient), not on a block.
  grid->Columns()->Items(1)->Title()->SetOrientation(tohVertical);
  grid->SetTitleHeight(60);
  EXPECT_TRUE(LightTop(TitleTop(2))) << std::hex << TitleTop(2);
  grid->SetFlat(true);
  EXPECT_TRUE(LightTop(TitleTop(2))) << std::hex << TitleTop(2);
  FanoSnapshotWindow(grid->Handle(), uitest::SnapshotPath("dbgrid_themed_vertical_title.png").c_str());
  grid->SetFlat(false);
  // Without themes the cell keeps its own colour.
  FanoSetThemesActive(FALSE);
  EXPECT_EQ(TitleTop(1), ColorToRGB(grid->FixedColor()));
}

// A group of a multi-level title is one header item over its whole width, drawn in pieces with
// each of its columns.
TEST_F(DBGridThemedCellsTest, AThemedTitleGroupIsOneHeaderItem) {
  ThemedCellsOn themes;
  AddRows(2);
  MakeGrid(300, 150);
  AddColumn("ID", "金额|编号");
  AddColumn("NAME", "金额|名称");
  grid->SetUseMultiTitle(true);
  Bind();
  grid->Invalidate();
  gridtest::Pump();
  const TRect first = grid->CellRect(1, 0), second = grid->CellRect(2, 0);
  // The group's top row, away from its centred caption, on both columns.
  for (const int x : {first.Left + 3, second.Left - 1, second.Left, second.Right - 3})
    EXPECT_TRUE(LightTop(static_cast<COLORREF>(uitest::PixelOf(grid, x, first.Top + 1)))) << x;
  FanoSnapshotWindow(grid->Handle(), uitest::SnapshotPath("dbgrid_themed_title_group.png").c_str());
}

// A descendant that calls the raised cells of a flat grid themed: they are a gradient from the
// button face a tenth towards white down to it a twentieth towards black, not the header item.
class TFlatThemedGrid : public TDBGridGx {
 public:
  using TDBGridGx::TDBGridGx;
  bool IsThemedCell(int col, int row, TGridDrawState state, const TRect&) override {
    return ThemesActive() && CheckCellArea(col, row, state);
  }
};

TEST_F(DBGridThemedCellsTest, AThemedCellOfAFlatGridIsTheButtonFaceGradient) {
  ThemedCellsOn themes;
  AddRows(3);
  form = new TForm(nullptr);
  form->SetBounds(10, 10, 340, 210);
  grid = new TFlatThemedGrid(form);
  grid->SetBorderStyle(bsNone);
  grid->SetParent(form);
  grid->SetBounds(0, 0, 300, 150);
  grid->SetFlat(true);
  form->Show();
  AddColumn("ID");
  AddColumn("NAME");
  Bind();
  grid->Invalidate();
  gridtest::Pump();
  const TRect r = grid->CellRect(1, 0);
  // Within a step of the gradient: the themed cell is grown by a pixel on each side.
  auto near = [&](int y, TColor expected) {
    const COLORREF p = static_cast<COLORREF>(uitest::PixelOf(grid, r.Right - 3, y));
    const COLORREF e = ColorToRGB(expected);
    return std::abs(GetRValue(p) - GetRValue(e)) + std::abs(GetGValue(p) - GetGValue(e)) +
               std::abs(GetBValue(p) - GetBValue(e)) <= 4;
  };
  EXPECT_TRUE(near(r.Top, MixColors(clBtnFace, clWhite, 10)));
  EXPECT_TRUE(near(r.Bottom - 1, MixColors(clBtnFace, clBlack, 5)));
  FanoSnapshotWindow(grid->Handle(), uitest::SnapshotPath("dbgrid_themed_flat_titles.png").c_str());
}

TEST_F(DBGridThemedCellsTest, TheThemedCurrentRowArrowIsDarkShadow) {
  ThemedCellsOn themes;
  Build();
  TBitmap bmp;
  bmp.SetSize(20, 20);
  bmp.Canvas()->Brush()->SetColor(clWhite);
  bmp.Canvas()->FillRect(TRect(0, 0, 20, 20));
  grid->DrawIndicatorGlyph(bmp.Canvas(), TRect(0, 0, 20, 20), 0);
  // The arrow's middle, inside its outline.
  EXPECT_EQ(ColorToRGB(bmp.Canvas()->Pixels(9, 10)), RGB(64, 64, 64));
}

TEST_F(DBGridThemedCellsTest, AFilterCellIsNeverRaised) {
  Build();
  grid->STFilter()->SetVisible(true);
  gridtest::Pump();
  const int filterRow = grid->GetTitleOffset() - 1;
  ASSERT_TRUE(grid->IsFilterRow(filterRow));
  EXPECT_FALSE(grid->CheckCellArea(1, filterRow, TGridDrawState{gdFixed}));
  EXPECT_TRUE(grid->CheckCellArea(1, 0, TGridDrawState{gdFixed}));  // the title still is
  EXPECT_TRUE(grid->CheckCellArea(0, filterRow, TGridDrawState{gdFixed}));  // so is the indicator
}

// Raised footers, raised data cells and highlighted indicator cells of a themed grid are drawn on
// the theme's header item (pressed when highlighted); a flat grid's raised footer is a gradient
// down from the highlight. Cells are yellow, so the classic look shows through as yellow.
TEST_F(DBGridThemedCellsTest, RaisedFootersDataCellsAndSelectedIndicatorsGetTheThemedBackground) {
  ThemedCellsOn themes;
  Build();
  grid->SetFooterRowCount(1);
  grid->SetFooterColor(clYellow);
  grid->SetColor(clYellow);
  grid->SetDBOptions(grid->DBOptions() + TDBGridOptions{dgMultiSelect});
  grid->SetOptionsGx(grid->OptionsGx() + TDBGridGxOptions{dghFooter3D, dghData3D});
  table->Next();
  grid->SelectedRows()->SetCurrentRowSelected(true);
  table->First();
  auto top = [&](int col, int row) {
    grid->Invalidate();
    gridtest::Pump();
    const TRect r = grid->CellRect(col, row);
    return static_cast<COLORREF>(uitest::PixelOf(grid, r.Right - 3, r.Top + 1));
  };
  const int footer = grid->RowCount(), second = grid->GetTitleOffset() + 1, third = second + 1;
  EXPECT_TRUE(LightTop(top(1, footer))) << std::hex << top(1, footer);
  EXPECT_TRUE(LightTop(top(2, third))) << std::hex << top(2, third);
  EXPECT_EQ(top(0, second), RGB(188, 220, 244));  // the selected row's indicator: pressed
  EXPECT_TRUE(LightTop(top(0, third)));
  FanoSnapshotWindow(grid->Handle(), uitest::SnapshotPath("dbgrid_themed_footer_data.png").c_str());
  grid->SetFlat(true);
  // Yellow has no blue: the gradient starts nearly white and loses its blue going down.
  const int topBlue = GetBValue(top(1, footer));
  const TRect r = grid->CellRect(1, footer);
  const int bottomBlue = GetBValue(static_cast<COLORREF>(uitest::PixelOf(grid, r.Right - 3, r.Bottom - 2)));
  EXPECT_GE(topBlue, 200);
  EXPECT_LT(bottomBlue, topBlue - 50);
  // Without themes the cells keep their own colour.
  grid->SetFlat(false);
  FanoSetThemesActive(FALSE);
  EXPECT_EQ(top(1, footer), ColorToRGB(clYellow));
  EXPECT_EQ(top(2, third), ColorToRGB(clYellow));
}

}  // namespace

namespace {

// The indicator title's drop-down sign: a triangle of rows of 8, 6, 4 and 2 pixels at the cell's
// right, a polygon in the theme's colours when themes are active, the drop-down image otherwise.
TEST_F(DBGridThemedCellsTest, TheDropDownSignIsATriangleOfFourRows) {
  Build();
  grid->IndicatorTitle()->SetShowDropDownSign(true);
  const TRect cell = grid->CellRect(0, 0);
  // The widths of the rows that hold pixels of the colours asked for, top to bottom.
  auto rows = [&](std::initializer_list<COLORREF> colours) {
    grid->Invalidate();
    gridtest::Pump();
    std::vector<int> widths;
    for (int y = cell.Top; y < cell.Bottom; ++y) {
      int n = 0;
      for (int x = cell.Left; x < cell.Right; ++x) {
        const COLORREF p = static_cast<COLORREF>(uitest::PixelOf(grid, x, y));
        for (COLORREF c : colours) n += p == c;
      }
      if (n) widths.push_back(n);
    }
    return widths;
  };
  const std::vector<int> triangle{8, 6, 4, 2};
  EXPECT_EQ(rows({RGB(0, 0, 0)}), triangle);
  ThemedCellsOn themes;
  const COLORREF dark = ColorToRGB(cl3DDkShadow);
  EXPECT_EQ(rows({dark, ColorToRGB(MixColors(cl3DDkShadow, clBlack, 30))}), triangle);
  grid->SetPressedTitleCol(0);
  EXPECT_EQ(rows({RGB(255, 255, 255), ColorToRGB(MixColors(clWhite, clBlack, 30))}), triangle);
  FanoSnapshotWindow(grid->Handle(), uitest::SnapshotPath("dbgrid_dropdown_sign.png").c_str());
  grid->SetPressedTitleCol(-1);
}

}  // namespace
