// The base grid's painting through a recording device context: one poly-polyline per area and
// direction, line colours and their fall-backs, cell states, the contra run and the editor's cell;
// and a picture of a grid for people to look at.
#include <cstdlib>

#include "grid_test_util.h"

using namespace gridtest;

namespace {

using GridPaint = GridTest;

struct Strokes {
  int count = 0;
  COLORREF pen = 0;
  std::vector<int64_t> points;  // x, y pairs
};

std::vector<Strokes> PolyPolylines(HDC dc) {
  std::vector<Strokes> out;
  for (int i = 0; i < FanoRecordCount(dc); ++i) {
    FANO_DRAW_RECORD r{};
    FanoRecordGet(dc, i, &r);
    if (std::string(r.call) != "PolyPolyline") continue;
    std::vector<int64_t> args(static_cast<size_t>(r.argCount));
    FanoRecordArgs(dc, i, args.data(), r.argCount);
    Strokes s;
    s.count = static_cast<int>(args[0]);
    s.pen = r.penColor;
    s.points.assign(args.begin() + 1 + s.count, args.end());
    out.push_back(s);
  }
  return out;
}

bool AllVertical(const Strokes& s) {
  for (size_t i = 0; i + 3 < s.points.size(); i += 4)
    if (s.points[i] != s.points[i + 2]) return false;
  return true;
}

TEST_F(GridPaint, EachAreaDrawsItsLinesAsOnePolyPolylinePerDirection) {
  MakeGrid();
  HDC dc = PaintRecorded();
  auto lines = PolyPolylines(dc);
  // Title corner, title row over the scrolling columns, fixed column over the scrolling rows, data:
  // each a vertical and a horizontal set.
  ASSERT_EQ(lines.size(), 8u);
  for (size_t i = 0; i < lines.size(); i += 2) {
    EXPECT_TRUE(AllVertical(lines[i])) << i;
    EXPECT_FALSE(AllVertical(lines[i + 1])) << i;
  }
  const Strokes& dataVert = lines[6];
  ASSERT_EQ(dataVert.count, 4);
  EXPECT_EQ(dataVert.points[0], 129);
  EXPECT_EQ(dataVert.points[1], 25);
  EXPECT_EQ(dataVert.points[3], 125);
  EXPECT_EQ(dataVert.points[12], 324);
  EXPECT_EQ(dataVert.pen, RGB(0xC0, 0xC0, 0xC0));  // data lines: the bright colour
  EXPECT_EQ(lines[0].pen, RGB(0x80, 0x80, 0x80));  // fixed lines: the dark colour
  EXPECT_EQ(lines[7].count, 4);
  EXPECT_EQ(lines[7].points[1], 49);
  DeleteDC(dc);
}

TEST_F(GridPaint, LinesWhoseOptionIsOffKeepTheirWidthInTheBackground) {
  MakeGrid();
  grid->SetColor(clWhite);
  grid->SetOptions({goFixedVertLine, goFixedHorzLine, goHorzLine});
  HDC dc = PaintRecorded();
  auto lines = PolyPolylines(dc);
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[6].pen, RGB(255, 255, 255));
  EXPECT_EQ(lines[7].pen, RGB(0xC0, 0xC0, 0xC0));
  DeleteDC(dc);
  // Without any line option, or with no width, nothing is drawn and the cells abut.
  grid->SetOptions({});
  dc = PaintRecorded();
  EXPECT_TRUE(PolyPolylines(dc).empty());
  EXPECT_EQ(grid->drawn[1].Rect, Rect(64, 0, 128, 24));
  DeleteDC(dc);
  grid->SetOptions(kDefaultGridOptions);
  grid->SetGridLineWidth(0);
  dc = PaintRecorded();
  EXPECT_TRUE(PolyPolylines(dc).empty());
  DeleteDC(dc);
}

namespace {
// Line colours of a grid of its own: every data line green.
class TGreenLines : public TGridLineColorsGx {
 public:
  using TGridLineColorsGx::TGridLineColorsGx;
  TColor GetBrightColor() const override { return clGreen; }
};
class TGreenLinesGrid : public TTestGrid {
 public:
  using TTestGrid::TTestGrid;
  TGridLineColorsGx* CreateGridLineColors() override { return new TGreenLines(this); }
};
}  // namespace

TEST_F(GridPaint, ADescendantsLineColoursAreTheOnesUsed) {
  form = new TForm(nullptr);
  form->SetBounds(10, 10, 440, 240);
  auto* own = new TGreenLinesGrid(form);
  grid = own;
  grid->SetParent(form);
  grid->SetBorderStyle(bsNone);
  grid->SetBounds(0, 0, 400, 200);
  form->Show();
  Pump();
  EXPECT_NE(dynamic_cast<TGreenLines*>(grid->GridLineColors()), nullptr);
  HDC dc = PaintRecorded();
  int green = 0;
  for (const Strokes& s : PolyPolylines(dc)) green += s.pen == RGB(0, 128, 0);
  EXPECT_GT(green, 0);
  DeleteDC(dc);
}

TEST_F(GridPaint, LineColoursFallBack) {
  MakeGrid();
  TGridLineColorsGx* c = grid->GridLineColors();
  EXPECT_EQ(c->BrightColor(), clSilver);
  EXPECT_EQ(c->DarkColor(), clGray);
  EXPECT_EQ(c->ContraColLineColor(), clSilver);
  EXPECT_EQ(c->ContraVertBoundaryColor(), clGray);
  EXPECT_EQ(c->Resolved(3), clSilver);
  EXPECT_EQ(c->Resolved(6), clGray);
  // A silver grid gets grey bright lines.
  grid->SetColor(clSilver);
  EXPECT_EQ(c->BrightColor(), clGray);
  grid->SetColor(clWindow);
  c->SetBrightColor(clGreen);
  EXPECT_EQ(c->ContraRowLineColor(), clGreen);
  c->SetDarkColor(clNavy);
  EXPECT_EQ(c->FrozenColsLineColor(), clNavy);
  c->SetContraRowLineColor(clRed);
  EXPECT_EQ(c->ContraRowLineColor(), clRed);
  c->SetContraRowLineColor(TGridLineColorsGx::kDefault);
  EXPECT_EQ(c->ContraRowLineColor(), clGreen);
  c->SetBrightColor(TGridLineColorsGx::kDefault);
  EXPECT_EQ(c->BrightColor(), clSilver);
  // Per cell: fixed, data, contra row, contra column, the corner.
  grid->SetContraColCount(1);
  grid->SetContraRowCount(1);
  c->SetContraColLineColor(clYellow);
  c->SetContraRowLineColor(clAqua);
  EXPECT_EQ(c->GetCellLineColor(0, 2), clNavy);
  EXPECT_EQ(c->GetCellLineColor(2, 2), clSilver);
  EXPECT_EQ(c->GetCellLineColor(2, 5), clAqua);
  EXPECT_EQ(c->GetCellLineColor(5, 2), clYellow);
  EXPECT_EQ(c->GetCellLineColor(5, 5), clAqua);
  EXPECT_EQ(c->GetVertLineColor(5), clNavy);
  EXPECT_EQ(c->GetVertLineColor(4), clSilver);
  EXPECT_EQ(c->GetHorzLineColor(1, 5), clNavy);
  EXPECT_EQ(c->GetFrozenColsLineColor(0), clSilver);
  grid->SetFrozenCols(1);
  EXPECT_EQ(c->GetFrozenColsLineColor(0), clNavy);
  EXPECT_EQ(c->GetCellLineColor(0, 2), clSilver);  // a frozen cell is a data cell
}

TEST_F(GridPaint, ContraBoundariesAreDrawnInTheirColours) {
  MakeGrid();
  grid->SetContraColCount(1);
  grid->SetContraRowCount(1);
  grid->GridLineColors()->SetContraVertBoundaryColor(clRed);
  grid->GridLineColors()->SetContraHorzBoundaryColor(clBlue);
  HDC dc = PaintRecorded();
  int vert = 0, horz = 0;
  for (const Strokes& s : PolyPolylines(dc)) {
    if (s.pen == RGB(255, 0, 0)) {
      ++vert;
      EXPECT_EQ(s.points[0], 334);
      EXPECT_TRUE(AllVertical(s));
    }
    if (s.pen == RGB(0, 0, 255)) {
      ++horz;
      EXPECT_EQ(s.points[1], 174);
    }
  }
  EXPECT_EQ(vert, 3);  // title rows, scrolling rows, contra rows
  EXPECT_EQ(horz, 3);  // over the fixed columns, the scrolling columns, the corner
  DeleteDC(dc);
}

TEST_F(GridPaint, CellStatesAndFills) {
  MakeGrid();
  grid->MoveCurrent(2, 2, true, true);
  grid->MoveAnchor({3, 3}, true);
  HDC dc = PaintRecorded();
  auto find = [&](int col, int row) -> DrawnCell {
    for (const DrawnCell& d : grid->drawn)
      if (d.Col == col && d.Row == row) return d;
    ADD_FAILURE() << "cell " << col << "," << row << " not drawn";
    return {};
  };
  EXPECT_TRUE(find(0, 0).State.Contains(gdFixed));
  EXPECT_TRUE(find(3, 0).State.Contains(gdFixed));
  EXPECT_TRUE(find(0, 3).State.Contains(gdFixed));
  DrawnCell cur = find(2, 2);
  EXPECT_TRUE(cur.State.Contains(gdFocused));
  EXPECT_TRUE(cur.State.Contains(gdSelected));
  EXPECT_FALSE(cur.State.Contains(gdFixed));
  EXPECT_TRUE(find(3, 3).State.Contains(gdSelected));
  EXPECT_FALSE(find(4, 3).State.Contains(gdSelected));
  EXPECT_EQ(grid->drawn.size(), 25u);
  // The selected cell that is not focused is filled with the highlight; the focused one gets the
  // focus rectangle instead.
  int highlight = 0, focusRects = 0;
  for (const auto& r : Records(dc)) {
    if (std::string(r.call) == "FillRect" && r.brushColor == static_cast<COLORREF>(GetSysColor(COLOR_HIGHLIGHT)))
      ++highlight;
    if (std::string(r.call) == "DrawFocusRect") ++focusRects;
  }
  EXPECT_EQ(highlight, 3);
  EXPECT_EQ(focusRects, 1);
  DeleteDC(dc);
  // Row select: one focus rectangle around the row, none per cell.
  TGridOptions o = grid->Options();
  o.Include(goRowSelect);
  grid->SetOptions(o);
  dc = PaintRecorded();
  focusRects = 0;
  for (const auto& r : Records(dc, "DrawFocusRect")) {
    ++focusRects;
    EXPECT_EQ(r.args[0], 65);
    EXPECT_EQ(r.args[2], 324);
  }
  EXPECT_EQ(focusRects, 1);
  DeleteDC(dc);
}

TEST_F(GridPaint, FrozenCellsArePaintedAsDataCells) {
  MakeGrid();
  grid->SetColCount(6);
  grid->SetFixedCols(2);
  grid->SetFrozenCols(1);
  HDC dc = PaintRecorded();
  for (const DrawnCell& d : grid->drawn) {
    if (d.Col == 1 && d.Row > 0) {
      EXPECT_FALSE(d.State.Contains(gdFixed)) << d.Row;
    }
    if (d.Col == 0) {
      EXPECT_TRUE(d.State.Contains(gdFixed));
    }
  }
  // The frozen column's separator in its colour.
  grid->GridLineColors()->SetFrozenColsLineColor(clRed);
  DeleteDC(dc);
  dc = PaintRecorded();
  int red = 0;
  for (const Strokes& s : PolyPolylines(dc)) {
    if (s.pen == RGB(255, 0, 0)) {
      ++red;
      EXPECT_EQ(s.points[0], 129);
    }
  }
  EXPECT_EQ(red, 2);
  DeleteDC(dc);
}

TEST_F(GridPaint, MoreFrozenColumnsThanFixedOnesDrawNoCellBeforeTheFirst) {
  // The column count shrinks under the fixed and frozen columns; rows likewise.
  MakeGrid();
  grid->SetColCount(4);
  grid->SetFixedCols(2);
  grid->SetFrozenCols(2);
  grid->SetRowCount(4);
  grid->SetFixedRows(2);
  grid->SetFrozenRows(2);
  grid->SetColCount(2);
  grid->SetRowCount(2);
  ASSERT_EQ(grid->FixedCols(), 1);
  ASSERT_EQ(grid->FixedRows(), 1);
  HDC dc = PaintRecorded();
  ASSERT_FALSE(grid->drawn.empty());
  for (const DrawnCell& d : grid->drawn) {
    EXPECT_GE(d.Col, 0);
    EXPECT_GE(d.Row, 0);
  }
  DeleteDC(dc);
  // The sizing hit test finds no column before the first either.
  TGridDrawInfo info;
  grid->CalcDrawInfo(info);
  EXPECT_EQ(info.Horz.FrozenCount, 1);
  EXPECT_EQ(info.Vert.FrozenCount, 1);
}

TEST_F(GridPaint, ContraCellsDoNotDependOnTheScrollPosition) {
  MakeGrid();
  grid->SetColCount(20);
  grid->SetRowCount(30);
  grid->SetContraColCount(1);
  grid->SetContraRowCount(1);
  auto contraCells = [&] {
    std::vector<std::tuple<int, int, TRect>> out;
    for (const DrawnCell& d : grid->drawn)
      if (d.Col >= 20 || d.Row >= 30) out.emplace_back(d.Col == 20 ? 20 : -1, d.Row == 30 ? 30 : d.Row, d.Rect);
    return out;
  };
  HDC dc = PaintRecorded();
  DeleteDC(dc);
  auto before = contraCells();
  EXPECT_FALSE(before.empty());
  for (const DrawnCell& d : grid->drawn) {
    if (d.Col >= 20 || d.Row >= 30) {
      EXPECT_FALSE(d.State.Contains(gdFocused) || d.State.Contains(gdSelected));
    }
  }
  grid->MoveTopLeft(1, 1);
  dc = PaintRecorded();
  DeleteDC(dc);
  int corner = 0;
  for (const DrawnCell& d : grid->drawn)
    if (d.Col == 20 && d.Row == 30) {
      ++corner;
      EXPECT_EQ(d.Rect, Rect(335, 175, 399, 199));
    }
  EXPECT_EQ(corner, 1);
  grid->MoveTopLeft(9, 12);
  dc = PaintRecorded();
  DeleteDC(dc);
  for (const DrawnCell& d : grid->drawn) {
    if (d.Col == 20 && d.Row == 0) {
      EXPECT_EQ(d.Rect, Rect(335, 0, 399, 24));
    }
    // The scrolling cells never start inside the contra run.
    if (d.Col < 20 && d.Col >= 1) {
      EXPECT_LE(d.Rect.Left, 334);
    }
  }
}

TEST_F(GridPaint, NothingIsPaintedWhileUpdating) {
  MakeGrid();
  grid->BeginUpdate();
  HDC dc = PaintRecorded();
  EXPECT_EQ(FanoRecordCount(dc), 0);
  EXPECT_TRUE(grid->drawn.empty());
  DeleteDC(dc);
  grid->EndUpdate();
  grid->EndUpdate();  // never below zero
  EXPECT_FALSE(grid->IsUpdating());
}

TEST_F(GridPaint, FocusedCellUnderTheEditorIsNotDrawn) {
  MakeGrid();
  TGridOptions o = grid->Options();
  o.Include(goEditing);
  grid->SetOptions(o);
  grid->SetEditorMode(true);
  ASSERT_TRUE(grid->InplaceEditor() && grid->InplaceEditor()->GetVisible());
  HDC dc = PaintRecorded();
  for (const DrawnCell& d : grid->drawn) EXPECT_FALSE(d.Col == 1 && d.Row == 1);
  EXPECT_EQ(grid->drawn.size(), 24u);
  DeleteDC(dc);
}

// A picture of a grid with Chinese texts, fixed and contra runs and a selection, written with the
// real fonts for people to look at.
TEST_F(GridPaint, SnapshotOfABaseGrid) {
  FanoSetTestFont(FALSE);
  MakeGrid(520, 260, ssBoth);
  grid->SetColCount(8);
  grid->SetRowCount(12);
  grid->SetContraColCount(1);
  grid->SetContraRowCount(1);
  grid->SetFixedColor(clBtnFace);
  grid->SetColWidths(0, 40);
  grid->SetColWidths(8, 80);
  grid->SetColWidths(1, 90);
  grid->SetDefaultRowHeight(22);
  grid->drawTexts = true;
  const char* heads[] = {"单号", "日期", "金额", "摘要", "部门", "经办人", "状态"};
  for (int c = 1; c < 8; ++c) grid->texts.push_back({{c, 0}, heads[c - 1]});
  grid->texts.push_back({{8, 0}, "合计"});
  for (int r = 1; r < 12; ++r) {
    grid->texts.push_back({{0, r}, std::to_string(r)});
    grid->texts.push_back({{1, r}, "FD2024-" + std::to_string(100 + r)});
    grid->texts.push_back({{2, r}, "2024-05-" + std::to_string(10 + r)});
    grid->texts.push_back({{3, r}, std::to_string(r * 125) + ".00"});
    grid->texts.push_back({{4, r}, r % 2 ? "差旅费" : "办公用品"});
    grid->texts.push_back({{8, r}, std::to_string(r * 125)});
  }
  grid->texts.push_back({{0, 12}, "合"});
  grid->texts.push_back({{1, 12}, "总计"});
  grid->texts.push_back({{3, 12}, "8250.00"});
  grid->MoveCurrent(2, 3, true, true);
  grid->MoveAnchor({4, 5}, true);
  grid->Invalidate();
  Pump();
  ASSERT_NO_FATAL_FAILURE(uitest::WriteSnapshot(form, "grid_base.png"));
  FanoSetTestFont(TRUE);
}

}  // namespace
