// Graphic fields in the data grid: the stored picture drawn fitted and centred in its cell (PNG
// and BMP bytes made here), the display text when pictures are off, unreadable bytes, the picture
// row heights of fitted rows, and a snapshot for people to look at.
#include <gtest/gtest.h>

#include <cstdlib>

#include "dbgrid_test_util.h"
#include "platform/rtl/streams.h"

using namespace dbgridtest;

namespace {

// A picture w x h: a red frame one pixel wide around a blue inside; as PNG or BMP bytes.
std::string PictureBytes(int w, int h, bool png) {
  TBitmap bmp;
  bmp.SetSize(w, h);
  bmp.Canvas()->Brush()->SetColor(clRed);
  bmp.Canvas()->FillRect(TRect(0, 0, w, h));
  bmp.Canvas()->Brush()->SetColor(clBlue);
  bmp.Canvas()->FillRect(TRect(1, 1, w - 1, h - 1));
  TStringStream out;
  if (png) {
    TPngImage image;
    image.Assign(&bmp);
    image.SaveToStream(out);
  } else {
    bmp.SaveToStream(out);
  }
  return out.DataString();
}

}  // namespace

class GraphicCellTest : public DBGridTest {
 protected:
  void SetUp() override {
    DBGridTest::SetUp();
    pics = new TMemTableGx(nullptr);
    pics->FieldDefs().Add("ID", ftInteger);
    pics->FieldDefs().Add("PIC", ftGraphic);
    pics->CreateDataSet();
    pictureSource = new TDataSource(nullptr);
    pictureSource->SetDataSet(pics);
  }
  void TearDown() override {
    if (form) form->Free();
    form = nullptr;
    delete pictureSource;
    delete pics;
    DBGridTest::TearDown();
  }
  void AddPicture(int id, const std::string& bytes) {
    pics->Append();
    pics->FieldByName("ID")->SetValue(id);
    if (!bytes.empty()) pics->FieldByName("PIC")->SetAsString(bytes);
    pics->Post();
  }
  // A grid of ID and PIC (width picWidth) over the picture table.
  void MakePictureGrid(int picWidth, bool drawPictures = true) {
    pics->First();
    MakeGrid(300, 240);
    AddColumn("ID");
    pic = AddColumn("PIC");
    pic->SetWidth(picWidth);
    grid->SetDrawGraphicData(drawPictures);
    grid->SetDataSource(pictureSource);
    gridtest::Pump();
  }
  HDC Paint() {
    HDC dc = FanoCreateRecordingDC(grid->ClientWidth(), grid->ClientHeight());
    PaintWithCanvas(grid->Canvas(), dc, [this] { grid->Paint(); });
    return dc;
  }
  TRect Cell(int dataRow) const { return grid->CellRect(grid->DataToRawColumn(1), grid->GetTitleOffset() + dataRow); }
  // The box of the pixels of the colour inside the area (empty when none).
  static TRect Box(HDC dc, const TRect& area, COLORREF color) {
    TRect b(area.Right, area.Bottom, area.Left, area.Top);
    for (int y = area.Top; y < area.Bottom; ++y)
      for (int x = area.Left; x < area.Right; ++x)
        if (GetPixel(dc, x, y) == color) {
          b.Left = std::min(b.Left, x);
          b.Top = std::min(b.Top, y);
          b.Right = std::max(b.Right, x + 1);
          b.Bottom = std::max(b.Bottom, y + 1);
        }
    return b.Left < b.Right ? b : TRect();
  }

  TMemTableGx* pics = nullptr;
  TDataSource* pictureSource = nullptr;
  TColumnGx* pic = nullptr;
};

TEST_F(GraphicCellTest, FitAndCentringOfAPicture) {
  const TRect cell(10, 20, 110, 60);  // 100 x 40
  EXPECT_EQ(GraphicCellRect(20, 10, cell), TRect(50, 35, 70, 45));  // smaller: its own size, centred
  EXPECT_EQ(GraphicCellRect(21, 11, cell), TRect(49, 34, 70, 45));  // odd spare space: the half towards zero
  EXPECT_EQ(GraphicCellRect(200, 20, cell), TRect(10, 35, 110, 45));  // twice too wide: halved
  EXPECT_EQ(GraphicCellRect(50, 80, cell), TRect(47, 20, 72, 60));   // twice too high: halved
  EXPECT_EQ(GraphicCellRect(300, 80, cell), TRect(10, 26, 110, 53));  // width decides: 80 / 3 = 26.67 -> 27
  EXPECT_EQ(GraphicRowHeight(40, 30, 100), 30);
  EXPECT_EQ(GraphicRowHeight(200, 30, 100), 15);
  EXPECT_EQ(GraphicRowHeight(300, 50, 100), 17);  // 16.67 rounded
}

TEST_F(GraphicCellTest, PngAndBmpPicturesAreDrawnInTheirCells) {
  AddPicture(1, PictureBytes(12, 8, true));
  AddPicture(2, PictureBytes(10, 6, false));
  MakePictureGrid(80);
  ASSERT_EQ(pic->GetColumnType(), ckGraphic);
  HDC dc = Paint();
  for (int r = 0; r < 2; ++r) {
    SCOPED_TRACE(r);
    const TRect cell = Cell(r);
    const int w = r == 0 ? 12 : 10, h = r == 0 ? 8 : 6;
    const TRect blue = Box(dc, cell, ColorToRGB(clBlue));
    const TRect red = Box(dc, cell, ColorToRGB(clRed));
    // The picture at its own size, framed in red, in the middle of the cell.
    EXPECT_EQ(red.Width(), w);
    EXPECT_EQ(red.Height(), h);
    EXPECT_EQ(blue, TRect(red.Left + 1, red.Top + 1, red.Right - 1, red.Bottom - 1));
    EXPECT_LE(std::abs((red.Left - cell.Left) - (cell.Right - red.Right)), 5);
    EXPECT_LE(std::abs((red.Top - cell.Top) - (cell.Bottom - red.Bottom)), 3);
  }
  // No "(GRAPHIC)" text in the picture cells.
  for (const FANO_DRAW_RECORD& rec : uitest::Records(dc)) {
    EXPECT_EQ(std::string(rec.text).find("GRAPHIC"), std::string::npos) << rec.call;
  }
  DeleteDC(dc);
}

TEST_F(GraphicCellTest, ALargePictureIsShrunkToTheCellKeepingItsShape) {
  AddPicture(1, PictureBytes(400, 40, true));
  MakePictureGrid(80);
  HDC dc = Paint();
  const TRect cell = Cell(0);
  // Whatever differs from the cell's background is the picture.
  const COLORREF back = GetPixel(dc, cell.Left + 1, cell.Top + 1);
  TRect drawn(cell.Right, cell.Bottom, cell.Left, cell.Top);
  for (int y = cell.Top; y < cell.Bottom; ++y)
    for (int x = cell.Left; x < cell.Right; ++x)
      if (GetPixel(dc, x, y) != back) {
        drawn.Left = std::min(drawn.Left, x);
        drawn.Top = std::min(drawn.Top, y);
        drawn.Right = std::max(drawn.Right, x + 1);
        drawn.Bottom = std::max(drawn.Bottom, y + 1);
      }
  ASSERT_FALSE(drawn.IsEmpty());
  // Ten to one into a cell about 76 wide: the width decides, the shape is kept, it sits in the middle.
  EXPECT_GE(drawn.Width(), cell.Width() - 6);
  EXPECT_NEAR(static_cast<double>(drawn.Width()) / drawn.Height(), 10.0, 1.5);
  EXPECT_LE(std::abs((drawn.Top - cell.Top) - (cell.Bottom - drawn.Bottom)), 3);
  EXPECT_FALSE(Box(dc, cell, ColorToRGB(clBlue)).IsEmpty());
  DeleteDC(dc);
}

TEST_F(GraphicCellTest, WithoutPicturesTheTextIsCentredAndBadBytesLeaveTheCellEmpty) {
  AddPicture(1, "not a picture at all");
  AddPicture(2, "");
  MakePictureGrid(120, false);
  EXPECT_EQ(pic->GetColumnType(), ckText);
  HDC dc = Paint();
  bool text = false;
  for (const FANO_DRAW_RECORD& rec : uitest::Records(dc)) {
    if (std::string(rec.text) == "(GRAPHIC)") text = true;
  }
  EXPECT_TRUE(text);
  DeleteDC(dc);
  grid->SetDrawGraphicData(true);
  ASSERT_EQ(pic->GetColumnType(), ckGraphic);
  dc = Paint();  // must not throw
  const COLORREF back = GetPixel(dc, Cell(0).Left + 2, Cell(0).Top + 2);
  for (int r = 0; r < 2; ++r) {
    const TRect cell = Cell(r);
    int other = 0;
    for (int y = cell.Top; y < cell.Bottom; ++y)
      for (int x = cell.Left; x < cell.Right; ++x)
        if (GetPixel(dc, x, y) != back) ++other;
    EXPECT_EQ(other, 0) << r;
  }
  DeleteDC(dc);
  TPicture picture;
  EXPECT_FALSE(LoadFieldPicture(pics->FieldByName("PIC"), picture));
  EXPECT_EQ(picture.Graphic(), nullptr);
}

TEST_F(GraphicCellTest, FittedRowsTakeThePictureHeight) {
  AddPicture(1, PictureBytes(30, 50, true));    // narrower than the column: its own height
  AddPicture(2, PictureBytes(200, 60, false));  // twice the column width: half the height
  AddPicture(3, PictureBytes(8, 4, true));      // lower than a text row: the text row height
  MakePictureGrid(100);
  grid->SetOptionsGx(grid->OptionsGx() + dghAutoFitRowHeight);
  gridtest::Pump();
  const int offset = grid->GetTitleOffset();
  const int plain = grid->DataRowHeight();
  ASSERT_LT(plain, 30);
  EXPECT_EQ(grid->GetRowHeights(offset), 50);
  EXPECT_EQ(grid->GetRowHeights(offset + 1), 30);
  EXPECT_EQ(grid->GetRowHeights(offset + 2), plain);
  pics->First();
  EXPECT_EQ(pic->GetRowHeightForText(), 50);
  // Without fitting every row keeps the plain height.
  grid->SetOptionsGx(grid->OptionsGx() - dghAutoFitRowHeight);
  gridtest::Pump();
  EXPECT_EQ(grid->GetRowHeights(offset), plain);
  EXPECT_EQ(pic->GetRowHeightForText(), plain);
}

// Pictures beside Chinese names in rows fitted to them; written for people to look at.
TEST_F(GraphicCellTest, SnapshotOfPictureRows) {
  FanoSetTestFont(FALSE);
  pics->Close();
  pics->FieldDefs().Add("NAME", ftString, 20);
  pics->CreateDataSet();
  const char* names[] = {"发票扫描件", "收据照片", "报销凭证"};
  const int sizes[][2] = {{40, 30}, {160, 48}, {24, 24}};
  for (int i = 0; i < 3; ++i) {
    AddPicture(i + 1, PictureBytes(sizes[i][0], sizes[i][1], i != 1));
    pics->Edit();
    pics->FieldByName("NAME")->SetValue(names[i]);
    pics->Post();
  }
  MakePictureGrid(100);
  TColumnGx* name = AddColumn("NAME", "附件名称");
  name->SetWidth(110);
  pic->Title()->SetCaption("图片");
  grid->SetOptionsGx(grid->OptionsGx() + dghAutoFitRowHeight);
  pics->First();
  grid->Invalidate();
  gridtest::Pump();
  const int offset = grid->GetTitleOffset();
  EXPECT_EQ(grid->GetRowHeights(offset), 30);
  EXPECT_EQ(grid->GetRowHeights(offset + 1), 30);
  ASSERT_NO_FATAL_FAILURE(uitest::WriteSnapshot(form, "grid_dbgrid_graphic.png"));
  HDC dc = Paint();
  EXPECT_FALSE(Box(dc, Cell(1), ColorToRGB(clBlue)).IsEmpty());
  DeleteDC(dc);
}
