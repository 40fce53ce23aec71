// Cell painting of the data grid: titles with sort markers and several levels, the indicator in
// each record state, data cells (check boxes, alternating rows, hidden duplicates, required
// marks, edit buttons, the search overlay), checked on the recording context and by pixels; and a
// snapshot of a grid over Chinese sample data for people to look at.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <set>

#include "dbgrid_test_util.h"
#include "grid/dbgrid_filterrow.h"
#include "platform/db/testdataset.h"
#include "platform/forms/controls.h"
#include "platform/os/uxtheme.h"

using namespace dbgridtest;

namespace {

struct Recorded {
  std::string call;
  std::string text;
  int x = 0, y = 0;
  COLORREF textColor = 0, bkColor = 0, penColor = 0;
  int penStyle = 0;
};

std::vector<Recorded> Records(HDC dc) {
  std::vector<Recorded> out;
  for (const FANO_DRAW_RECORD& r : uitest::Records(dc)) {
    Recorded x;
    x.call = r.call;
    x.text = r.text;
    x.x = r.argCount > 0 ? static_cast<int>(r.args[0]) : 0;
    x.y = r.argCount > 1 ? static_cast<int>(r.args[1]) : 0;
    x.textColor = r.textColor;
    x.bkColor = r.bkColor;
    x.penColor = r.penColor;
    x.penStyle = r.penStyle;
    out.push_back(x);
  }
  return out;
}

bool Inside(const Recorded& r, const TRect& a) { return r.x >= a.Left - 1 && r.x < a.Right && r.y >= a.Top - 1 && r.y < a.Bottom; }

std::vector<std::string> TextsIn(HDC dc, const TRect& area) {
  std::vector<std::string> out;
  for (const Recorded& r : Records(dc))
    if ((r.call == "ExtTextOut" || r.call == "DrawText") && !r.text.empty() && Inside(r, area)) out.push_back(r.text);
  return out;
}

// Indices of the image-list images drawn with their origin in the area.
std::vector<int> ImagesIn(HDC dc, const TRect& area) {
  std::vector<int> out;
  for (const FANO_DRAW_RECORD& r : uitest::Records(dc)) {
    if (std::strcmp(r.call, "ImageList_Draw") != 0) continue;
    const int x = static_cast<int>(r.args[1]), y = static_cast<int>(r.args[2]);
    if (x >= area.Left && x < area.Right && y >= area.Top && y < area.Bottom) out.push_back(static_cast<int>(r.args[0]));
  }
  return out;
}

// Pixels of the area that differ from the colour.
int CountNot(HDC dc, const TRect& area, COLORREF color) {
  int n = 0;
  for (int y = area.Top; y < area.Bottom; ++y)
    for (int x = area.Left; x < area.Right; ++x)
      if (GetPixel(dc, x, y) != color) ++n;
  return n;
}

}  // namespace

class CellPaintTest : public DBGridTest {
 protected:
  void MakeBoundGrid(int rows = 3) {
    AddRows(rows);
    MakeGrid(400, 200);
    id = AddColumn("ID", "编号");
    name = AddColumn("NAME", "名称");
    amount = AddColumn("AMOUNT", "金额");
    Bind();
  }
  HDC Paint() {
    HDC dc = FanoCreateRecordingDC(grid->ClientWidth(), grid->ClientHeight());
    PaintWithCanvas(grid->Canvas(), dc, [this] { grid->Paint(); });
    return dc;
  }
  TRect Cell(int dataCol, int dataRow) const {
    return grid->CellRect(grid->DataToRawColumn(dataCol), grid->GetTitleOffset() + dataRow);
  }
  TRect Indicator(int dataRow) const { return grid->CellRect(0, grid->GetTitleOffset() + dataRow); }
  TRect Title(int dataCol) const { return grid->CellRect(grid->DataToRawColumn(dataCol), 0); }

  TColumnGx* id = nullptr;
  TColumnGx* name = nullptr;
  TColumnGx* amount = nullptr;
};

TEST_F(CellPaintTest, CellsAreClassifiedByArea) {
  MakeBoundGrid();
  grid->SetFooterRowCount(1);
  EXPECT_EQ(grid->GetCellType(0, 0).Area, caTitle);
  EXPECT_FALSE(grid->GetCellType(0, 0).DataColumn);
  EXPECT_EQ(grid->GetCellType(0, 2).DataCol, 0);  // the indicator column keeps its own index
  const TCellTypeGx data = grid->GetCellType(2, 2);
  EXPECT_EQ(data.Area, caData);
  EXPECT_EQ(data.DataCol, 1);
  EXPECT_EQ(data.Index, 1);
  EXPECT_EQ(grid->GetCellType(1, grid->RowCount()).Area, caFooter);
  EXPECT_THROW(grid->GetCellType(1, grid->RowCount() + 5), Exception);
}

TEST_F(CellPaintTest, TitlesShowCaptionsAndSortMarkers) {
  MakeBoundGrid();
  HDC dc = Paint();
  EXPECT_EQ(TextsIn(dc, Title(0)), std::vector<std::string>{"编号"});
  EXPECT_EQ(TextsIn(dc, Title(1)), std::vector<std::string>{"名称"});
  const TRect t = Title(2);
  const TRect markerArea(t.Right - 18, t.Top + 1, t.Right - 1, t.Bottom - 1);
  const int plain = CountNot(dc, markerArea, ColorToRGB(clBtnFace));
  DeleteDC(dc);

  amount->Title()->SetSortMarker(smDownGx);
  dc = Paint();
  EXPECT_GT(CountNot(dc, markerArea, ColorToRGB(clBtnFace)), plain + 4);  // the marker image
  DeleteDC(dc);
}

TEST_F(CellPaintTest, NarrowTitleDropsTheMarkerBeforeTheDigits) {
  MakeBoundGrid();
  grid->SetOptionsGx(grid->OptionsGx() + TDBGridGxOptions{dghMultiSortMarking});
  id->Title()->SetSortMarker(smUpGx);
  amount->Title()->SetSortMarker(smDownGx);
  ASSERT_EQ(grid->SortMarkedColumns().size(), 2u);
  HDC dc = Paint();
  const std::string second = std::to_string(amount->Title()->SortIndex());
  auto texts = TextsIn(dc, Title(2));
  EXPECT_NE(std::find(texts.begin(), texts.end(), second), texts.end());  // digits beside the marker
  EXPECT_EQ(ImagesIn(dc, Title(2)).size(), 1u);
  DeleteDC(dc);

  amount->SetWidth(14);
  dc = Paint();
  const TRect t = Title(2);
  texts = TextsIn(dc, t);
  EXPECT_NE(std::find(texts.begin(), texts.end(), second), texts.end());  // the digits stay
  EXPECT_TRUE(ImagesIn(dc, t).empty());  // no room for the image
  // The caption has the room up to the digits, the image's room given back.
  long long digitsX = -1, captionRight = -2;
  for (const FANO_DRAW_RECORD& r : uitest::Records(dc)) {
    if (std::strcmp(r.call, "ExtTextOut") != 0 || r.args[0] < t.Left || r.args[0] >= t.Right) continue;
    if (r.text == second) digitsX = r.args[0];
    if (r.text == std::string("金额") && r.argCount > 5) captionRight = r.args[5];
  }
  EXPECT_EQ(captionRight, digitsX);
  DeleteDC(dc);
}

TEST_F(CellPaintTest, TitleImageReplacesTheCaption) {
  MakeBoundGrid();
  TImageList images(nullptr);
  images.SetWidth(8);
  images.SetHeight(8);
  TBitmap bmp;
  bmp.SetSize(8, 8);
  bmp.Canvas()->Brush()->SetColor(clRed);
  bmp.Canvas()->FillRect(TRect(0, 0, 8, 8));
  images.Add(&bmp, nullptr);
  grid->SetTitleImages(&images);
  name->Title()->SetImageIndex(0);
  HDC dc = Paint();
  EXPECT_TRUE(TextsIn(dc, Title(1)).empty());
  EXPECT_GT(CountNot(dc, Title(1), ColorToRGB(clBtnFace)), 40);
  EXPECT_EQ(TextsIn(dc, Title(0)), std::vector<std::string>{"编号"});
  DeleteDC(dc);
  grid->SetTitleImages(nullptr);
}

// A vertical title reads upwards and stands in the middle of its cell both ways.
TEST_F(CellPaintTest, VerticalTitleIsCentred) {
  MakeBoundGrid();
  grid->SetTitleHeight(80);
  name->Title()->SetOrientation(tohVertical);
  HDC dc = Paint();
  const TRect t = Title(1);
  ASSERT_GE(t.Height(), 60);
  bool found = false;
  for (const FANO_DRAW_RECORD& r : uitest::Records(dc)) {
    if (std::strcmp(r.call, "ExtTextOut") != 0 || r.text != std::string("名称")) continue;
    found = true;
    EXPECT_TRUE(r.args[2] & ETO_OPAQUE);  // written with fill
    // Upward text starts at its bottom: the baseline lies near the middle across, the start
    // below the middle along the cell.
    EXPECT_NEAR(r.args[0], (t.Left + t.Right) / 2, 12);
    EXPECT_GT(r.args[1], (t.Top + t.Bottom) / 2);
    EXPECT_LT(r.args[1], t.Bottom - 4);
  }
  EXPECT_TRUE(found);
  DeleteDC(dc);
}

TEST_F(CellPaintTest, MultiLevelTitlesShareTheirUpperCaption) {
  AddRows(2);
  MakeGrid(400, 200);
  AddColumn("ID", "单据|编号");
  AddColumn("NAME", "单据|名称");
  AddColumn("AMOUNT", "金额");
  grid->SetUseMultiTitle(true);
  Bind();
  ASSERT_GE(grid->TitleRowHeight(), 30);
  HDC dc = Paint();
  const TRect t0 = Title(0), t1 = Title(1);
  std::vector<std::string> upper;
  for (const Recorded& r : Records(dc))
    if (r.call == "DrawText" && r.text == std::string("单据")) upper.push_back(r.text);
  EXPECT_EQ(upper.size(), 2u);  // drawn once with each column, clipped to it
  EXPECT_NE(std::find(TextsIn(dc, t0).begin(), TextsIn(dc, t0).end(), "编号"), TextsIn(dc, t0).end());
  // The upper band has no line between the two columns.
  const int midY = t0.Top + 10;
  EXPECT_EQ(GetPixel(dc, t0.Right, midY), GetPixel(dc, t0.Right - 6, midY - 8));
  // The leaf band keeps its column line.
  EXPECT_NE(GetPixel(dc, t0.Right, t1.Bottom - 3), GetPixel(dc, t0.Right - 4, t1.Bottom - 3));
  DeleteDC(dc);
  // A selected column's group part takes the selection colours, its caption white as well.
  grid->SetDBOptions(grid->DBOptions() + TDBGridOptions{dgMultiSelect});
  grid->Selection()->Columns()->Select(grid->Columns()->Items(0), false);
  dc = Paint();
  EXPECT_EQ(GetPixel(dc, t0.Left + 3, t0.Top + 3), 0x404040u);
  std::vector<COLORREF> colours;
  for (const Recorded& r : Records(dc))
    if (r.call == "DrawText" && r.text == std::string("单据")) colours.push_back(r.textColor);
  EXPECT_EQ(colours, (std::vector<COLORREF>{ColorToRGB(clWhite), ColorToRGB(grid->TitleFont()->Color())}));
  DeleteDC(dc);
}

TEST_F(CellPaintTest, IndicatorFollowsTheRecordState) {
  MakeBoundGrid();
  HDC dc = Paint();
  EXPECT_EQ(ImagesIn(dc, Indicator(0)), std::vector<int>{0});  // browsing: the arrow
  EXPECT_TRUE(ImagesIn(dc, Indicator(1)).empty());            // other rows: background only
  DeleteDC(dc);

  table->Edit();
  dc = Paint();
  EXPECT_EQ(ImagesIn(dc, Indicator(0)), std::vector<int>{1});  // the pencil
  DeleteDC(dc);
  table->Cancel();

  table->Insert();
  gridtest::Pump();
  dc = Paint();
  const int row = grid->Row() - grid->GetTitleOffset();
  EXPECT_EQ(ImagesIn(dc, Indicator(row)), std::vector<int>{2});  // the star
  DeleteDC(dc);
  table->Cancel();

  grid->SetDBOptions(grid->DBOptions() + TDBGridOptions{dgMultiSelect});
  grid->SelectedRows()->SetCurrentRowSelected(true);
  dc = Paint();
  EXPECT_EQ(ImagesIn(dc, Indicator(0)), std::vector<int>{5});  // the multi-select arrow
  DeleteDC(dc);
}

// The indicator column is 11 pixels wide, and each of its marks is drawn whole inside it.
TEST_F(CellPaintTest, TheIndicatorIsElevenPixelsAndItsMarksFitInside) {
  MakeBoundGrid();
  grid->SetDBOptions(grid->DBOptions() + TDBGridOptions{dgMultiSelect});
  EXPECT_EQ(grid->GetColWidths(0), 11);
  const int width = DBGridIndicatorImages()->Width();
  const std::function<void()> states[] = {[] {}, [this] { table->Edit(); }, [this] { table->Insert(); },
                                          [this] { grid->SelectedRows()->SetCurrentRowSelected(true); }};
  int shot = 0;
  for (const auto& enter : states) {
    enter();
    grid->Invalidate();
    gridtest::Pump();
    FanoSnapshotWindow(grid->Handle(),
                       uitest::SnapshotPath("grid_indicator_mark_" + std::to_string(shot++) + ".png").c_str());
    HDC dc = Paint();
    const TRect cell = Indicator(grid->Row() - grid->GetTitleOffset());
    int marks = 0;
    for (const FANO_DRAW_RECORD& r : uitest::Records(dc)) {
      if (std::strcmp(r.call, "ImageList_Draw") != 0) continue;
      ++marks;
      const int x = static_cast<int>(r.args[1]);
      EXPECT_GE(x, cell.Left);
      EXPECT_LE(x + width, cell.Right);
    }
    EXPECT_EQ(marks, 1);
    DeleteDC(dc);
    table->Cancel();
  }
}

// Raised cells get the soft edge (light, not white, at the top left), except in a flat grid while
// themes are active, whose edge is the flat one's highlight line.
TEST_F(CellPaintTest, RaisedCellsHaveTheSoftEdge) {
  MakeBoundGrid();
  grid->SetFooterRowCount(1);
  grid->SetOptionsGx(grid->OptionsGx() + TDBGridGxOptions{dghFixed3D, dghFooter3D});
  grid->SetFixedColor(clYellow);
  grid->SetFooterColor(clYellow);
  struct Case {
    bool flat;
    bool themes;
    COLORREF topLeft;
  };
  const Case cases[] = {{false, false, GetSysColor(COLOR_3DLIGHT)},
                        {true, false, ColorToRGB(clBtnHighlight)},
                        {true, true, ColorToRGB(clBtnHighlight)}};
  for (const Case& c : cases) {
    FanoSetThemesActive(c.themes ? TRUE : FALSE);
    grid->SetFlat(c.flat);
    HDC dc = Paint();
    for (const TRect& r : {Title(1), grid->CellRect(grid->DataToRawColumn(1), grid->RowCount())})
      EXPECT_EQ(GetPixel(dc, r.Left, r.Top + 3), c.topLeft) << c.flat << c.themes << " " << r.Top;
    DeleteDC(dc);
  }
  FanoSetThemesActive(FALSE);
}

TEST_F(CellPaintTest, RecordNumbersInTheIndicator) {
  MakeBoundGrid();
  grid->SetFooterRowCount(1);
  grid->SetOptionsGx(grid->OptionsGx() + TDBGridGxOptions{dghShowRecNo});
  HDC dc = Paint();
  EXPECT_EQ(TextsIn(dc, Indicator(1)), std::vector<std::string>{"2"});
  EXPECT_EQ(TextsIn(dc, grid->CellRect(0, grid->RowCount())), std::vector<std::string>{"3"});  // record count
  DeleteDC(dc);
  table->Insert();
  gridtest::Pump();
  dc = Paint();
  const int row = grid->Row() - grid->GetTitleOffset();
  EXPECT_TRUE(TextsIn(dc, Indicator(row)).empty());  // the new record has no number yet
  DeleteDC(dc);
  table->Cancel();
}

TEST_F(CellPaintTest, DataRowsShowTextAndAlternateColours) {
  MakeBoundGrid();
  grid->SetEvenRowColor(clAqua);
  grid->SetOddRowColor(clYellow);
  name->SetColor(clLime);  // a column of its own colour never alternates
  ::SetFocus(nullptr);
  gridtest::Pump();
  HDC dc = Paint();
  EXPECT_EQ(TextsIn(dc, Cell(1, 1)), std::vector<std::string>{"row2"});
  const TRect a0 = Cell(2, 0), a1 = Cell(2, 1), n1 = Cell(1, 1);
  EXPECT_EQ(GetPixel(dc, a0.Left + 1, a0.Bottom - 2), ColorToRGB(clYellow));  // record 1: odd
  EXPECT_EQ(GetPixel(dc, a1.Left + 1, a1.Bottom - 2), ColorToRGB(clAqua));
  EXPECT_EQ(GetPixel(dc, n1.Left + 1, n1.Bottom - 2), ColorToRGB(clLime));
  DeleteDC(dc);
}

TEST_F(CellPaintTest, CurrentCellIsHighlightedWhenFocused) {
  MakeBoundGrid();
  grid->SetFocus();
  gridtest::Pump();
  ASSERT_TRUE(grid->GridFocused());
  HDC dc = Paint();
  const TRect cur = Cell(0, 0);
  EXPECT_EQ(GetPixel(dc, cur.Right - 3, cur.Top + 2), ColorToRGB(clHighlight));
  bool whiteText = false;
  for (const Recorded& r : Records(dc))
    if (r.call == "ExtTextOut" && r.text == "1" && Inside(r, cur)) whiteText = r.textColor == ColorToRGB(clHighlightText);
  EXPECT_TRUE(whiteText);
  const TRect other = Cell(0, 1);
  EXPECT_EQ(GetPixel(dc, other.Right - 3, other.Top + 2), ColorToRGB(clWindow));
  DeleteDC(dc);
}

TEST_F(CellPaintTest, CheckBoxColumnDrawsTheState) {
  AddRow(1, "a", 0, "Y");
  AddRow(2, "b", 0, "N");
  AddRow(3, "c", 0, Null());
  table->First();
  MakeGrid(400, 200);
  AddColumn("ID");
  TColumnGx* flag = AddColumn("FLAG", "审核");
  flag->KeyList()->Add("Y");
  flag->KeyList()->Add("N");
  flag->SetCheckboxes(true);
  Bind();
  ASSERT_EQ(flag->GetColumnType(), ckCheckbox);
  table->Last();  // the current cell elsewhere
  grid->SetCol(1);
  ::SetFocus(nullptr);
  gridtest::Pump();
  HDC dc = Paint();
  const COLORREF window = ColorToRGB(clWindow);
  auto center = [&](int row) {
    const TRect c = Cell(1, row);
    const int cx = (c.Left + c.Right) / 2, cy = (c.Top + c.Bottom) / 2;
    return TRect(cx - 4, cy - 4, cx + 4, cy + 4);
  };
  EXPECT_TRUE(TextsIn(dc, Cell(1, 0)).empty());  // no text, a box
  const int checked = CountNot(dc, center(0), window);
  const int unchecked = CountNot(dc, center(1), window);
  EXPECT_GT(checked, unchecked + 4);  // the check mark
  const TRect c0 = Cell(1, 0);
  EXPECT_GT(CountNot(dc, c0, window), 20);  // the box frame
  DeleteDC(dc);
}

TEST_F(CellPaintTest, HiddenDuplicatesShowTheTextOnceWithoutLines) {
  AddRow(1, "同", 1);
  AddRow(2, "同", 2);
  AddRow(3, "同", 3);
  AddRow(4, "异", 4);
  table->First();
  MakeGrid(400, 200);
  AddColumn("ID");
  TColumnGx* n = AddColumn("NAME");
  n->SetHideDuplicates(true);
  Bind();
  grid->SetCol(1);
  ::SetFocus(nullptr);
  gridtest::Pump();
  HDC dc = Paint();
  EXPECT_EQ(TextsIn(dc, Cell(1, 0)), std::vector<std::string>{"同"});
  EXPECT_TRUE(TextsIn(dc, Cell(1, 1)).empty());
  EXPECT_TRUE(TextsIn(dc, Cell(1, 2)).empty());
  EXPECT_EQ(TextsIn(dc, Cell(1, 3)), std::vector<std::string>{"异"});
  const TRect c1 = Cell(1, 1), c2 = Cell(1, 2), c3 = Cell(1, 3);
  const int x = (c1.Left + c1.Right) / 2;
  EXPECT_EQ(GetPixel(dc, x + 10, c1.Bottom), ColorToRGB(clWindow));  // between equal rows: painted over
  EXPECT_NE(GetPixel(dc, x + 10, c2.Bottom), ColorToRGB(clWindow));  // before a different value: the line
  (void)c3;
  DeleteDC(dc);
}

// Over a dataset that is not a memory table, the record before the first buffered row is read
// from the dataset: a run that starts above the rows hides the top row's text as well, and the
// dataset, its rows and the window are left as they were.
TEST_F(CellPaintTest, HiddenDuplicatesReachAboveTheBufferedRows) {
  TTestDataSet ds(nullptr);
  ds.FieldDefs().Add("ID", ftInteger);
  ds.FieldDefs().Add("NAME", ftString, 10);
  for (int i = 1; i <= 30; ++i) ds.AddRow({Variant(i), Variant(std::string(i >= 20 ? "同" : "异") + (i < 20 ? std::to_string(i) : ""))});
  ds.Open();
  TDataSource src(nullptr);
  src.SetDataSet(&ds);
  MakeGrid(300, 120);
  AddColumn("ID");
  TColumnGx* n = AddColumn("NAME");
  n->SetHideDuplicates(true);
  grid->SetDataSource(&src);
  ds.Last();
  ::SetFocus(nullptr);
  gridtest::Pump();
  const int rows = grid->DataLink()->RecordCount();
  ASSERT_GT(rows, 2);
  ASSERT_LT(rows, 11);  // the run starts above the rows
  for (int pass = 0; pass < 2; ++pass) {
    HDC dc = Paint();
    EXPECT_EQ(TextsIn(dc, Cell(0, 0)), std::vector<std::string>{std::to_string(31 - rows)});
    for (int r = 0; r < rows; ++r) EXPECT_TRUE(TextsIn(dc, Cell(1, r)).empty()) << r;
    DeleteDC(dc);
  }
  EXPECT_EQ(ds.RecNo(), 30);
  EXPECT_EQ(grid->DataLink()->ActiveRecord(), rows - 1);
  grid->Invalidate();
  gridtest::Pump();
  RECT pending{};
  EXPECT_FALSE(GetUpdateRect(grid->Handle(), &pending, FALSE));  // the walk asks for no new paint
  // At the dataset's start there is nothing above: the top row shows its text.
  ds.First();
  gridtest::Pump();
  HDC dc = Paint();
  EXPECT_EQ(TextsIn(dc, Cell(1, 0)), std::vector<std::string>{"异1"});
  DeleteDC(dc);
  grid->SetDataSource(nullptr);
}

TEST_F(CellPaintTest, RequiredEmptyFieldIsUnderlinedWhileEditing) {
  MakeBoundGrid();
  name->SetHighlightRequired(true);
  table->FieldByName("NAME")->SetRequired(true);
  table->Edit();
  table->FieldByName("NAME")->Clear();
  HDC dc = Paint();
  bool dotted = false;
  for (const Recorded& r : Records(dc))
    if (r.call == "LineTo" && r.penColor == 0x0000FF && r.penStyle == PS_DOT) dotted = true;
  EXPECT_TRUE(dotted);
  DeleteDC(dc);
  bool asked = false;
  name->OnCheckDrawRequiredState = [&](TObject*, const std::string&, bool& draw) {
    asked = true;
    draw = false;
  };
  dc = Paint();
  EXPECT_TRUE(asked);
  for (const Recorded& r : Records(dc)) EXPECT_FALSE(r.call == "LineTo" && r.penColor == 0x0000FF && r.penStyle == PS_DOT);
  DeleteDC(dc);
  table->Cancel();
}

TEST_F(CellPaintTest, CellParamsAndDrawEvents) {
  MakeBoundGrid();
  name->OnGetCellParams = [](TObject*, bool editMode, TColCellParamsGx* p) {
    EXPECT_FALSE(editMode);
    p->Text = "<" + p->Text + ">";
    p->Background = clFuchsia;
  };
  std::set<std::pair<int, int>> columnCells;
  grid->OnDrawColumnCell = [&](TObject*, const TRect& r, int dataCol, TColumnGx* column, TGridDrawState) {
    EXPECT_EQ(grid->ColumnAt(dataCol), column);
    columnCells.insert({r.Left, r.Top});
  };
  ::SetFocus(nullptr);
  gridtest::Pump();
  HDC dc = Paint();
  EXPECT_EQ(TextsIn(dc, Cell(1, 2)), std::vector<std::string>{"<row3>"});
  const TRect c = Cell(1, 2);
  EXPECT_EQ(GetPixel(dc, c.Right - 2, c.Top + 1), ColorToRGB(clFuchsia));
  EXPECT_EQ(columnCells.size(), 9u);
  DeleteDC(dc);
}

TEST_F(CellPaintTest, EditButtonsAreShownWhenAlwaysVisible) {
  MakeBoundGrid();
  name->SetButtonStyle(cbsEllipsis);
  name->SetAlwaysShowEditButton(true);
  ::SetFocus(nullptr);
  gridtest::Pump();
  HDC dc = Paint();
  const TRect c = Cell(1, 1);
  const int w = name->GetEditButtonsWidth();
  ASSERT_GT(w, 4);
  EXPECT_EQ(GetPixel(dc, c.Right - w / 2, c.Top + 2), ColorToRGB(clBtnFace));  // the button face
  EXPECT_EQ(GetPixel(dc, c.Left + 1, c.Top + 2), ColorToRGB(clWindow));
  DeleteDC(dc);
  // In a tall row a button is the grid's cell-button height tall (the editor's buttons are too);
  // the cell's colour fills the strip below it.
  for (const bool flat : {false, true}) {
    SCOPED_TRACE(flat);
    grid->SetFlat(flat);
    grid->SetRowHeight(44);
    grid->RecreateWnd();
    gridtest::Pump();
    ASSERT_LT(grid->EditButtonHeight(), 40);
    dc = Paint();
    const TRect tall = Cell(1, 1);
    const int x = tall.Right - name->GetEditButtonsWidth() / 2;
    int bottom = tall.Top;
    for (int y = tall.Top; y < tall.Bottom; ++y)
      if (GetPixel(dc, x, y) != ColorToRGB(clWindow)) bottom = y + 1;
    EXPECT_EQ(bottom - tall.Top, grid->EditButtonHeight() - (flat ? 1 : 0));  // a flat button's frame
    DeleteDC(dc);
  }
}

TEST_F(CellPaintTest, SearchTextIsOverlaidOnTheCurrentCell) {
  MakeBoundGrid();
  grid->SetCol(2);
  grid->SetFocus();
  gridtest::Pump();
  grid->SetInplaceSearchText("ro");
  grid->SetCol(grid->DataToRawColumn(1));
  gridtest::Pump();
  HDC dc = Paint();
  bool overlay = false;
  for (const Recorded& r : Records(dc))
    if (r.call == "ExtTextOut" && r.text == "ro" && r.bkColor == ColorToRGB(DBGridGxInplaceSearchColor))
      overlay = r.textColor == ColorToRGB(DBGridGxInplaceSearchTextColor);
  EXPECT_TRUE(overlay);
  DeleteDC(dc);
  grid->SetInplaceSearchText("");
}

// The search arrow shows from the start of a search, before any text; the typed prefix of a
// right-aligned cell sits where it stands in the cell's text.
TEST_F(CellPaintTest, SearchArrowAndAlignedPrefix) {
  MakeBoundGrid();
  grid->SetOptionsGx(grid->OptionsGx() + dghIncSearch);
  name->SetAlignment(taRightJustify);
  grid->SetCol(grid->DataToRawColumn(1));
  grid->SetFocus();
  gridtest::Pump();
  Key('F', false, true);
  ASSERT_TRUE(grid->InplaceSearching());
  HDC dc = Paint();
  EXPECT_EQ(ImagesIn(dc, Indicator(0)), std::vector<int>{6});
  DeleteDC(dc);
  Type("ro");
  ASSERT_EQ(grid->InplaceSearchText(), "ro");
  dc = Paint();
  int full = -1, prefix = -1;
  for (const Recorded& r : Records(dc)) {
    if (r.call != "ExtTextOut" || !Inside(r, Cell(1, 0))) continue;
    if (r.text == "row1") full = r.x;
    if (r.text == "ro" && r.bkColor == ColorToRGB(DBGridGxInplaceSearchColor)) prefix = r.x;
  }
  DeleteDC(dc);
  ASSERT_GT(full, 0);
  EXPECT_EQ(prefix, full);
  // Wrapped, the text ends 2 pixels inside the edge, not 3: the prefix's room ends where the rest
  // of the text begins. (Test-font glyphs leave their cell's last column blank.)
  name->SetWordWrap(true);
  grid->SetRowHeight(3 * grid->Canvas()->TextHeight("Wg"));
  const TRect cell = Cell(1, 0);
  auto rightmost = [&](HDC in, COLORREF colour, bool equal) {
    int x = -1;
    for (int y = cell.Top + 1; y < cell.Bottom - 1; ++y)
      for (int px = cell.Left; px < cell.Right - 1; ++px)
        if ((GetPixel(in, px, y) == colour) == equal && GetPixel(in, px, y) != GetPixel(in, cell.Right - 2, y))
          x = std::max(x, px);
    return x;
  };
  Key('F', false, true);
  Type("ro");
  ASSERT_EQ(grid->InplaceSearchText(), "ro");
  dc = Paint();
  const int prefixEnd = rightmost(dc, ColorToRGB(DBGridGxInplaceSearchColor), true) + 1;
  DeleteDC(dc);
  grid->StopInplaceSearch();
  dc = Paint();
  const int textEnd = rightmost(dc, ColorToRGB(DBGridGxInplaceSearchColor), false) + 2;
  DeleteDC(dc);
  ASSERT_GT(prefixEnd, cell.Left);
  grid->Canvas()->Font()->Assign(name->Font());
  EXPECT_EQ(prefixEnd + grid->Canvas()->TextWidth("w1"), textEnd);
  // A text that wraps onto more lines: the prefix starts where its first line does, right-aligned
  // or centred.
  table->Edit();
  table->FieldByName("NAME")->SetValue("row1 alpha beta");
  table->Post();
  name->SetWidth(60);
  const TRect narrow = Cell(1, 0);
  auto topLeft = [&](HDC in, COLORREF colour, bool equal) {
    TPoint p(-1, -1);
    const COLORREF background = GetPixel(in, narrow.Left + 2, narrow.Bottom - 3);
    for (int y = narrow.Top + 2; y < narrow.Bottom - 2 && p.Y < 0; ++y)  // inside the focus frame
      for (int px = narrow.Left + 2; px < narrow.Right - 2; ++px)
        if ((GetPixel(in, px, y) == colour) == equal && GetPixel(in, px, y) != background) {
          p = TPoint(px, y);
          break;
        }
    return p;
  };
  for (const TAlignment alignment : {taRightJustify, taCenter}) {
    name->SetAlignment(alignment);
    dc = Paint();
    const TPoint text = topLeft(dc, ColorToRGB(DBGridGxInplaceSearchColor), false);
    DeleteDC(dc);
    Key('F', false, true);
    Type("ro");
    dc = Paint();
    const TPoint found = topLeft(dc, ColorToRGB(DBGridGxInplaceSearchColor), true);
    DeleteDC(dc);
    grid->StopInplaceSearch();
    EXPECT_GT(text.X, narrow.Left + 2) << alignment;
    EXPECT_EQ(found.X, text.X) << alignment;
    EXPECT_EQ(found.Y, text.Y - 1) << alignment;  // the glyphs' first row is blank
  }
  // Taller than its row and set at the bottom, the text loses its first line above the cell, and
  // the prefix on that line with it.
  table->Edit();
  table->FieldByName("NAME")->SetValue("row1 alpha beta gamma delta");
  table->Post();
  name->SetLayout(tlBottom);
  Key('F', false, true);
  Type("ro");
  dc = Paint();
  int above = 0;
  for (int y = 0; y < narrow.Top; ++y)
    for (int x = narrow.Left; x < narrow.Right; ++x) above += GetPixel(dc, x, y) == ColorToRGB(DBGridGxInplaceSearchColor);
  DeleteDC(dc);
  grid->StopInplaceSearch();
  EXPECT_EQ(above, 0);
}

// A grid over a sample table: Chinese texts, two title levels, a sort marker, a footer row with a
// total and a record count, a selected row; written for people to look at.
TEST_F(CellPaintTest, SnapshotOfAGridWithFootersAndMultiLevelTitles) {
  FanoSetTestFont(FALSE);
  const char* names[] = {"差旅费报销", "办公用品采购", "会议场地租金", "市场推广费用", "水电费垫付", "员工培训"};
  for (int i = 0; i < 6; ++i) AddRow(101 + i, names[i], 125.5 * (i + 1), i % 2 ? "N" : "Y");
  table->First();
  MakeGrid(520, 240);
  TColumnGx* c1 = AddColumn("ID", "单据|单号");
  TColumnGx* c2 = AddColumn("NAME", "单据|摘要");
  c2->SetWidth(130);
  TColumnGx* c3 = AddColumn("AMOUNT", "金额");
  c3->SetWidth(100);
  c3->SetDisplayFormat("#,##0.00");
  c3->SetAlignment(taRightJustify);
  c3->Title()->SetSortMarker(smDownGx);
  TColumnGx* c4 = AddColumn("FLAG", "已审核");
  c4->SetWidth(60);
  c4->KeyList()->Add("Y");
  c4->KeyList()->Add("N");
  c4->SetCheckboxes(true);
  c1->Footer()->SetValueType(fvtStaticText);
  c1->Footer()->SetValue("合计");
  c2->Footer()->SetValueType(fvtCount);
  c2->Footer()->SetDisplayFormat("共 0 笔");
  c3->Footer()->SetValueType(fvtSum);
  c3->Footer()->SetDisplayFormat("#,##0.00");
  for (TColumnGx* c : {c1, c2, c3, c4}) c->Title()->SetAlignment(taCenter);
  grid->SetUseMultiTitle(true);
  grid->SetFooterRowCount(1);
  grid->SetOptionsGx(grid->OptionsGx() + TDBGridGxOptions{dghFooter3D});
  grid->SetDBOptions(grid->DBOptions() + TDBGridOptions{dgMultiSelect});
  grid->SetOddRowColor(static_cast<TColor>(0xF4F0EC));
  Bind();
  grid->SumList()->SetActive(true);
  table->Next();
  grid->SelectedRows()->SetCurrentRowSelected(true);
  table->Next();
  grid->SetFocus();
  grid->Invalidate();
  gridtest::Pump();
  EXPECT_EQ(grid->GetFooterValue(0, c3), "2,635.50");
  ASSERT_NO_FATAL_FAILURE(uitest::WriteSnapshot(form, "grid_dbgrid_footers.png"));
  // The selected row is highlighted, the footer row has its text.
  const TRect selected = grid->CellRect(2, grid->GetTitleOffset() + 1);
  HDC dc = GetDC(grid->Handle());
  EXPECT_NE(GetPixel(dc, selected.Right - 3, selected.Top + 2), ColorToRGB(clWindow));
  ReleaseDC(grid->Handle(), dc);
  FanoSetTestFont(TRUE);
}

// A selected column's title and footer take the selection colours: the title white on dark grey,
// the footer the highlight while the grid has the focus. Without a style object the grid's own
// rules highlight the column's data cells too.
TEST_F(CellPaintTest, SelectedTitlesAndFootersTakeTheSelectionColours) {
  MakeBoundGrid();
  grid->DetachStyle();
  grid->SetFooterRowCount(1);
  grid->SetDBOptions(grid->DBOptions() + TDBGridOptions{dgMultiSelect});
  name->Footer()->SetValueType(fvtStaticText);
  grid->Selection()->Columns()->Select(name, false);
  ASSERT_EQ(grid->Selection()->SelectionType(), gstColumns);
  grid->SetCol(grid->DataToRawColumn(0));
  const TRect footer = grid->CellRect(grid->DataToRawColumn(1), grid->RowCount());
  const TRect otherFooter = grid->CellRect(grid->DataToRawColumn(2), grid->RowCount());
  struct Case {
    bool focused;
    COLORREF footer, data;
  };
  for (const Case& k : {Case{true, ColorToRGB(clHighlight), ColorToRGB(clHighlight)},
                        Case{false, ColorToRGB(clBtnFace), ColorToRGB(clBtnFace)}}) {
    SCOPED_TRACE(k.focused);
    if (k.focused) grid->SetFocus();
    else ::SetFocus(nullptr);
    gridtest::Pump();
    HDC dc = Paint();
    EXPECT_EQ(GetPixel(dc, Title(1).Right - 3, Title(1).Top + 2), 0x404040u);
    EXPECT_EQ(GetPixel(dc, Title(2).Right - 3, Title(2).Top + 2), ColorToRGB(grid->FixedColor()));
    EXPECT_EQ(GetPixel(dc, footer.Right - 3, footer.Top + 2), k.footer);
    EXPECT_EQ(GetPixel(dc, otherFooter.Right - 3, otherFooter.Top + 2), ColorToRGB(clWindow));
    EXPECT_EQ(GetPixel(dc, Cell(1, 1).Right - 3, Cell(1, 1).Top + 2), k.data);
    EXPECT_EQ(GetPixel(dc, Cell(2, 1).Right - 3, Cell(2, 1).Top + 2), ColorToRGB(clWindow));
    for (const Recorded& r : Records(dc)) {
      if (r.call == "ExtTextOut" && r.text == "名称") {
        EXPECT_EQ(r.textColor, ColorToRGB(clWhite));
      }
    }
    DeleteDC(dc);
  }
}

// The indicator title's drop-down sign: a down triangle of rows 8, 6, 4 and 2 pixels, centred;
// the image list's without themes, a polygon with them, white when the title is pressed.
TEST_F(CellPaintTest, TheIndicatorTitlesDropDownSign) {
  MakeBoundGrid();
  const TRect cell = grid->CellRect(0, 0);
  struct Case {
    bool themes, pressed;
    COLORREF inside;
  };
  for (const Case& k : {Case{false, false, 0x000000u}, Case{true, false, ColorToRGB(cl3DDkShadow)},
                        Case{true, true, 0xFFFFFFu}}) {
    SCOPED_TRACE(testing::Message() << "themes " << k.themes << " pressed " << k.pressed);
    FanoSetThemesActive(k.themes);
    grid->SetPressedTitleCol(k.pressed ? 0 : -1);
    // The sign is what changes when it is switched on.
    auto pixels = [&] {
      grid->Invalidate();
      gridtest::Pump();
      std::vector<COLORREF> out;
      for (int y = cell.Top; y < cell.Bottom; ++y)
        for (int x = cell.Left; x < cell.Right; ++x) out.push_back(FanoGetWindowPixel(grid->Handle(), x, y));
      return out;
    };
    grid->IndicatorTitle()->SetShowDropDownSign(false);
    const std::vector<COLORREF> without = pixels();
    grid->IndicatorTitle()->SetShowDropDownSign(true);
    const std::vector<COLORREF> with = pixels();
    if (k.themes && !k.pressed) uitest::WriteSnapshot(form, "grid_indicator_dropdown_sign.png");
    std::vector<int> widths;
    int first = -1, top = -1;
    bool inside = false;
    for (int y = 0; y < cell.Height(); ++y) {
      int n = 0, left = -1;
      for (int x = 0; x < cell.Width(); ++x) {
        const size_t i = static_cast<size_t>(y * cell.Width() + x);
        if (with[i] == without[i]) continue;
        if (left < 0) left = x;
        ++n;
        inside = inside || with[i] == k.inside;
      }
      if (n == 0) continue;
      if (widths.empty()) first = left, top = y;
      widths.push_back(n);
    }
    EXPECT_EQ(widths, (std::vector<int>{8, 6, 4, 2}));
    EXPECT_TRUE(inside);
    // Centred: as much room on either side, give or take the odd pixel.
    EXPECT_LE(std::abs(first - (cell.Width() - first - 8)), 2);
    EXPECT_LE(std::abs(top - (cell.Height() - top - 4)), 2);
  }
  FanoSetThemesActive(FALSE);
  grid->SetPressedTitleCol(-1);
}

namespace {

// Notes every overridable painting operation the grid calls, then does what the grid does.
#define NOTED(Result, Name, Params, Args) \
  Result Name Params override {           \
    calls.insert(#Name);                  \
    return TDBGridGx::Name Args;          \
  }
using TState = TGridDrawState;
using TType = TCellTypeGx;
class TNotingGrid : public TDBGridGx {
 public:
  using TDBGridGx::TDBGridGx;
  std::set<std::string> calls;
  NOTED(bool, CheckCellArea, (int c, int r, TState s), (c, r, s))
  NOTED(bool, IsFixedCellSelected, (int c, int r, const TType& t, TState s), (c, r, t, s))
  NOTED(bool, IsThemedCell, (int c, int r, TState s, const TRect& x), (c, r, s, x))
  NOTED(bool, FixedCellColors, (int c, const TType& t, TFont* f, TColor& b, bool d), (c, t, f, b, d))
  NOTED(bool, DataCellColors, (int c, int r, TFont* f, TColor& b, TState s), (c, r, f, b, s))
  NOTED(bool, GridFocused, (), ())
  NOTED(void, DrawTitleCell, (int c, int r, const TType& t, TState s, TRect x), (c, r, t, s, x))
  NOTED(void, DrawIndicatorCell, (int c, int r, const TType& t, TState s, TRect x), (c, r, t, s, x))
  NOTED(void, DrawDataCell, (int c, int r, const TType& t, TState s, TRect x), (c, r, t, s, x))
  NOTED(void, DrawFooterCell, (int c, int r, const TType& t, TState s, TRect x), (c, r, t, s, x))
  NOTED(int, DrawTreeNode, (TCanvas* v, const TRect& x, TColor b), (v, x, b))
  NOTED(void, PaintFilterCell, (TCanvas* v, TColumnGx* k, int c, const TRect& x, const TRect& i, int dx, int dy),
        (v, k, c, x, i, dx, dy))
  NOTED(void, DrawIndicatorGlyph, (TCanvas* v, const TRect& x, int k), (v, x, k))
  NOTED(void, DrawDropDownSign, (TCanvas* v, const TRect& x), (v, x))
  NOTED(void, DrawGraphicCell, (TCanvas* v, const TRect& x, TColumnGx* k, const std::string& t, int dx, int dy),
        (v, x, k, t, dx, dy))
  NOTED(std::string, GetFooterValue, (int r, TColumnGx* k), (r, k))
  NOTED(void, GetCellParams, (TColumnGx* k, TFont* f, TColor& b, TState s), (k, f, b, s))
  NOTED(void, GetFooterParams,
        (int c, int r, TColumnGx* k, TFont* f, TColor& b, TAlignment& a, TState s, std::string& t),
        (c, r, k, f, b, a, s, t))
  NOTED(void, DrawColumnCell, (const TRect& x, int c, TColumnGx* k, TState s), (x, c, k, s))
  NOTED(void, DrawFieldCell, (const TRect& x, TField* f, TState s), (x, f, s))
};
#undef NOTED

}  // namespace

// The focused cell of a focused grid gets one focus rectangle, around its text: in a tree column
// the indent lies outside it.
TEST_F(CellPaintTest, TheFocusedCellHasOneFocusRectangleAroundItsText) {
  auto tree = MakeTreeTable({{1, Null(), "差旅费"}, {2, 1, "交通"}});
  TDataSource treeSource(nullptr);
  treeSource.SetDataSet(tree.get());
  MakeBoundGrid();
  grid->SetDBOptions(grid->DBOptions() - dgAlwaysShowEditor);
  grid->SetFocus();
  gridtest::Pump();
  for (int indent : {0, kTreeLevelWidth}) {
    SCOPED_TRACE(indent);
    if (indent) grid->SetDataSource(&treeSource);
    gridtest::Pump();
    ASSERT_FALSE(grid->IsEditorVisible());
    HDC dc = Paint();
    const std::vector<FANO_DRAW_RECORD> rects = uitest::Records(dc, "DrawFocusRect");
    ASSERT_EQ(rects.size(), 1u);
    EXPECT_EQ(rects[0].args[0], Cell(0, 0).Left + indent);
    EXPECT_EQ(rects[0].args[2], Cell(0, 0).Right);
    DeleteDC(dc);
  }
  grid->SetDataSource(nullptr);
}

// A descendant's overrides of the painting operations and event hooks are the ones that run.
TEST_F(CellPaintTest, PaintingRunsADescendantsOverrides) {
  auto tree = MakeTreeTable({{1, Null(), "差旅费"}, {2, 1, "交通"}});
  TMemTableGx pictures(nullptr);
  pictures.FieldDefs().Add("PIC", ftGraphic);
  pictures.CreateDataSet();
  pictures.Append();
  pictures.Post();
  TDataSource treeSource(nullptr), pictureSource(nullptr);
  treeSource.SetDataSet(tree.get());
  pictureSource.SetDataSet(&pictures);
  AddRows(3);
  form = new TForm(nullptr);
  form->SetBounds(10, 10, 440, 260);
  auto* g = new TNotingGrid(form);
  grid = g;
  g->SetParent(form);
  g->SetBounds(0, 0, 400, 200);
  form->Show();
  g->SetFooterRowCount(1);
  g->STFilter()->SetVisible(true);
  g->IndicatorTitle()->SetShowDropDownSign(true);
  g->SetDBOptions(g->DBOptions() + TDBGridOptions{dgMultiSelect});
  Bind();  // default columns
  g->Columns()->Items(1)->Footer()->SetValueType(fvtCount);
  g->Selection()->SelectAll();
  g->SetFocus();
  gridtest::Pump();
  DeleteDC(Paint());
  g->SetDataSource(&treeSource);
  DeleteDC(Paint());
  g->SetDrawGraphicData(true);
  g->SetDataSource(&pictureSource);
  DeleteDC(Paint());
  g->SetDataSource(nullptr);
  const std::set<std::string> expected{
      "CheckCellArea",   "IsFixedCellSelected", "IsThemedCell",       "FixedCellColors",  "DataCellColors",
      "GridFocused",     "DrawTitleCell",       "DrawIndicatorCell",  "DrawDataCell",     "DrawFooterCell",
      "DrawTreeNode",    "PaintFilterCell",     "DrawIndicatorGlyph", "DrawDropDownSign", "DrawGraphicCell",
      "GetFooterValue",  "GetCellParams",       "GetFooterParams",    "DrawColumnCell",   "DrawFieldCell"};
  std::vector<std::string> missing;
  for (const std::string& name : expected)
    if (!g->calls.count(name)) missing.push_back(name);
  EXPECT_TRUE(missing.empty()) << ::testing::PrintToString(missing);
}
