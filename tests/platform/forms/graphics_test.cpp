// The canvas and its drawing objects, checked through a recording device context; bitmaps and
// pictures in BMP, PNG and JPEG.
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "forms_test_util.h"

#include "platform/forms/graphics.h"
#include "platform/rtl/streams.h"

using namespace formstest;

namespace {

class CanvasRecord : public FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    dc = FanoCreateRecordingDC(200, 100);
    canvas = std::make_unique<TCanvas>();
    canvas->SetHandle(dc);
  }
  void TearDown() override {
    canvas.reset();
    DeleteDC(dc);
    FormsTest::TearDown();
  }
  std::vector<std::string> Calls() { return uitest::Formatted(dc); }
  FANO_DRAW_RECORD Record(int i) {
    FANO_DRAW_RECORD r{};
    FanoRecordGet(dc, i, &r);
    return r;
  }
  HDC dc = nullptr;
  std::unique_ptr<TCanvas> canvas;
};

TEST_F(CanvasRecord, ShapesDrawWithThePenAndBrushOfTheCanvas) {
  canvas->Pen()->SetColor(clRed);
  canvas->Pen()->SetWidth(2);
  canvas->Brush()->SetColor(clBlue);
  canvas->Rectangle(1, 2, 30, 40);
  canvas->Brush()->SetStyle(bsClear);
  canvas->Pen()->SetStyle(psDot);
  canvas->Pen()->SetWidth(1);
  canvas->Ellipse(Rect(5, 5, 15, 15));
  canvas->MoveTo(0, 0);
  canvas->LineTo(50, 60);
  auto calls = Calls();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0], "Rectangle(1, 2, 30, 40)");
  FANO_DRAW_RECORD r = Record(0);
  EXPECT_EQ(r.penColor, RGB(255, 0, 0));
  EXPECT_EQ(r.penWidth, 2);
  EXPECT_EQ(r.brushColor, RGB(0, 0, 255));
  EXPECT_EQ(r.brushStyle, BS_SOLID);
  r = Record(1);
  EXPECT_EQ(r.brushStyle, BS_HOLLOW);
  EXPECT_EQ(r.penStyle, PS_DOT);
  EXPECT_EQ(calls[2], "LineTo(0, 0, 50, 60)");  // the recording names the start too
  EXPECT_EQ(canvas->PenPos(), TPoint(50, 60));
}

TEST_F(CanvasRecord, TextUsesTheFontAndTheBrushAsBackground) {
  canvas->Font()->SetName("宋体");
  canvas->Font()->SetHeight(-12);
  canvas->Font()->SetColor(clGreen);
  canvas->Font()->SetStyle(TFontStyles{fsBold});
  canvas->Brush()->SetColor(clYellow);
  canvas->TextOut(3, 4, "金额");
  FANO_DRAW_RECORD r = Record(0);
  EXPECT_STREQ(r.call, "ExtTextOut");
  EXPECT_STREQ(r.text, "金额");
  EXPECT_STREQ(r.fontFace, "宋体");
  EXPECT_EQ(r.fontHeight, -12);
  EXPECT_EQ(r.fontWeight, FW_BOLD);
  EXPECT_EQ(r.textColor, RGB(0, 128, 0));
  EXPECT_EQ(r.bkColor, RGB(255, 255, 0));
  EXPECT_EQ(r.bkMode, OPAQUE);
  // The pen moves past the text: the test font advances 6 pixels for each half-width unit.
  EXPECT_EQ(canvas->PenPos(), TPoint(3 + 24, 4));
  EXPECT_EQ(canvas->TextWidth("金额"), 24);
  EXPECT_EQ(canvas->TextHeight("金额"), 12);
  // A clear brush draws text transparently; TextRect clips.
  canvas->Brush()->SetStyle(bsClear);
  canvas->TextRect(Rect(0, 0, 10, 10), 1, 1, "abc");
  r = Record(1);
  EXPECT_EQ(r.bkMode, TRANSPARENT);
  int64_t args[16];
  int n = FanoRecordArgs(dc, 1, args, 16);
  ASSERT_GE(n, 3);
  EXPECT_EQ(args[2] & ETO_CLIPPED, ETO_CLIPPED);
  EXPECT_EQ(args[2] & ETO_OPAQUE, 0);
}

TEST_F(CanvasRecord, ChangingAnObjectReselectsItForTheNextCall) {
  canvas->Brush()->SetColor(clRed);
  canvas->FillRect(Rect(0, 0, 5, 5));
  canvas->Brush()->SetColor(clLime);
  canvas->FillRect(Rect(5, 0, 10, 5));
  EXPECT_EQ(Record(0).brushColor, RGB(255, 0, 0));
  EXPECT_EQ(Record(1).brushColor, RGB(0, 255, 0));
  // System colours resolve through the colour table.
  canvas->Brush()->SetColor(clBtnFace);
  canvas->FillRect(Rect(0, 0, 1, 1));
  EXPECT_EQ(Record(2).brushColor, GetSysColor(COLOR_BTNFACE));
  // The pen mode is the raster operation.
  canvas->Pen()->SetMode(pmXor);
  canvas->LineTo(3, 3);
  EXPECT_EQ(Record(3).rop2, R2_XORPEN);
}

TEST_F(CanvasRecord, TheHandleHandedOutHoldsTheCanvasFontPenAndBrush) {
  canvas->TextOut(0, 0, "a");  // the old font is in the context
  canvas->Font()->SetName("宋体");
  canvas->Font()->SetHeight(-30);
  canvas->Font()->SetColor(clRed);
  canvas->Pen()->SetColor(clBlue);
  canvas->Pen()->SetWidth(3);
  canvas->Brush()->SetColor(clYellow);
  // Code drawing straight on the context meets the objects just assigned.
  HDC h = canvas->Handle();
  RECT r{0, 0, 0, 0};
  DrawTextA(h, "金额", -1, &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  EXPECT_EQ(r.right - r.left, canvas->TextWidth("金额"));
  EXPECT_EQ(r.bottom - r.top, 30);
  ExtTextOutA(h, 1, 1, 0, nullptr, "金额", 6, nullptr);
  ::Rectangle(h, 1, 2, 30, 40);
  const int n = FanoRecordCount(dc);
  ASSERT_GE(n, 2);
  FANO_DRAW_RECORD t = Record(n - 2);
  EXPECT_STREQ(t.call, "ExtTextOut");
  EXPECT_STREQ(t.fontFace, "宋体");
  EXPECT_EQ(t.fontHeight, -30);
  EXPECT_EQ(t.textColor, RGB(255, 0, 0));
  EXPECT_EQ(t.bkColor, RGB(255, 255, 0));
  FANO_DRAW_RECORD s = Record(n - 1);
  EXPECT_EQ(s.penColor, RGB(0, 0, 255));
  EXPECT_EQ(s.penWidth, 3);
  EXPECT_EQ(s.brushColor, RGB(255, 255, 0));
  // A change after the handle was handed out is in the next one.
  canvas->Font()->SetHeight(-16);
  r = RECT{0, 0, 0, 0};
  DrawTextA(canvas->Handle(), "金额", -1, &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  EXPECT_EQ(r.bottom - r.top, 16);
}

TEST_F(CanvasRecord, ACanvasWithoutAContextRefusesToDraw) {
  TCanvas bare;
  try {
    bare.FillRect(Rect(0, 0, 1, 1));
    FAIL() << "no error";
  } catch (const EInvalidOperation& e) {
    EXPECT_EQ(e.Message(), "Canvas does not allow drawing");
  }
}

TEST_F(CanvasRecord, CanvasEventsSurroundEveryDrawing) {
  std::vector<std::string> events;
  canvas->OnChanging = [&](TObject*) { events.push_back("changing"); };
  canvas->OnChange = [&](TObject*) { events.push_back("change"); };
  canvas->FillRect(Rect(0, 0, 2, 2));
  EXPECT_EQ(events, (std::vector<std::string>{"changing", "change"}));
}

TEST(Fonts, SizeAndHeightAndChangeNotices) {
  TFont f;
  EXPECT_EQ(f.Name(), "宋体");
  EXPECT_EQ(f.Height(), -12);
  EXPECT_EQ(f.Size(), 9);
  EXPECT_EQ(f.Charset(), GB2312_CHARSET);
  int changes = 0;
  f.OnChange = [&](TObject*) { ++changes; };
  f.SetSize(12);
  EXPECT_EQ(f.Height(), -16);
  f.SetHeight(-16);  // no change, no notice
  f.SetColor(clRed);
  EXPECT_EQ(changes, 2);
  TFont g;
  g.Assign(&f);
  EXPECT_EQ(g.Height(), -16);
  EXPECT_EQ(g.Color(), clRed);
  LOGFONTA lf{};
  ASSERT_EQ(GetObjectA(g.Handle(), sizeof lf, &lf), static_cast<int>(sizeof lf));
  EXPECT_EQ(lf.lfHeight, -16);
  EXPECT_STREQ(lf.lfFaceName, "宋体");
  // A long face name is cut at a whole character.
  g.SetName("微软雅黑微软雅黑微软雅黑微软雅黑");
  g.GetLogFont(lf);
  EXPECT_EQ(std::string(lf.lfFaceName), "微软雅黑微软雅黑微软");
}

TEST(Colors, NamesAndValues) {
  EXPECT_EQ(ColorToString(clBtnFace), "clBtnFace");
  EXPECT_EQ(ColorToString(0xC0DCC0), "clMoneyGreen");
  EXPECT_EQ(ColorToString(12825237), "$00C3B295");
  EXPECT_EQ(StringToColor("clRed"), clRed);
  EXPECT_EQ(StringToColor("$00C3B295"), 12825237);
  EXPECT_EQ(StringToColor("12825237"), 12825237);
  EXPECT_THROW(StringToColor("clNothing"), EConvertError);
  EXPECT_EQ(ColorToRGB(clWindow), GetSysColor(COLOR_WINDOW));
  EXPECT_EQ(ColorToRGB(0x123456), 0x123456u);
}

// ---- bitmaps and pictures ----

// A file of this process's own: two runs at once keep theirs apart.
std::string TempFile(const std::string& name) {
  return ::testing::TempDir() + "forms_test_" + std::to_string(getpid()) + "_" + name;
}

void Paint(TBitmap& b) {
  b.SetSize(8, 6);
  b.Canvas()->Brush()->SetColor(clWhite);
  b.Canvas()->FillRect(Rect(0, 0, 8, 6));
  b.Canvas()->Brush()->SetColor(clRed);
  b.Canvas()->FillRect(Rect(0, 0, 4, 3));
  b.Canvas()->SetPixels(7, 5, clBlue);
}

using Pictures = FormsTest;

TEST_F(Pictures, BitmapsKeepTheirPictureWhenResized) {
  TBitmap b;
  Paint(b);
  EXPECT_EQ(b.Canvas()->Pixels(1, 1), clRed);
  EXPECT_EQ(b.Canvas()->Pixels(7, 5), clBlue);
  b.SetWidth(4);
  EXPECT_EQ(b.Width(), 4);
  EXPECT_EQ(b.Canvas()->Pixels(1, 1), clRed);
  auto line = b.ScanLine(0);
  ASSERT_EQ(line.size(), 4u);
  EXPECT_EQ(line[0], 0xFF0000u);  // red as 0x00RRGGBB
  EXPECT_THROW(b.ScanLine(6), EInvalidGraphicOperation);
}

TEST_F(Pictures, PngRoundTripThroughAPicture) {
  TBitmap b;
  Paint(b);
  TPngImage png;
  png.Assign(&b);
  std::string file = TempFile("pic.png");
  png.SaveToFile(file);
  TPicture pic;
  pic.LoadFromFile(file);
  ASSERT_NE(pic.Graphic(), nullptr);
  EXPECT_TRUE(pic.Graphic()->Is<TPngImage>());
  EXPECT_EQ(pic.Width(), 8);
  EXPECT_EQ(pic.Height(), 6);
  TBitmap* back = static_cast<TPngImage*>(pic.Graphic())->Bitmap();
  EXPECT_EQ(back->Canvas()->Pixels(1, 1), clRed);
  EXPECT_EQ(back->Canvas()->Pixels(7, 5), clBlue);
  EXPECT_EQ(back->Canvas()->Pixels(6, 4), clWhite);
  std::remove(file.c_str());
}

TEST_F(Pictures, JpegIsARegisteredFormatAndLoadsFromAStream) {
  EXPECT_EQ(TPicture::FileFormatClass("jpg"), TJPEGImage::StaticClass());
  EXPECT_EQ(TPicture::FileFormatClass(".JPEG"), TJPEGImage::StaticClass());
  TBitmap b;
  b.SetSize(16, 16);
  b.Canvas()->Brush()->SetColor(RGB(200, 40, 40));
  b.Canvas()->FillRect(Rect(0, 0, 16, 16));
  TJPEGImage jpg;
  jpg.SetCompressionQuality(95);
  jpg.Assign(&b);
  TMemoryStream s;
  jpg.SaveToStream(s);
  ASSERT_GT(s.Size(), 100);
  s.SetPosition(0);
  TPicture pic;
  pic.LoadFromStream(s);
  ASSERT_TRUE(pic.Graphic()->Is<TJPEGImage>());
  COLORREF c = static_cast<COLORREF>(static_cast<TJPEGImage*>(pic.Graphic())->Bitmap()->Canvas()->Pixels(8, 8));
  // Lossy: near the colour drawn.
  EXPECT_NEAR(GetRValue(c), 200, 6);
  EXPECT_NEAR(GetGValue(c), 40, 6);
  EXPECT_NEAR(GetBValue(c), 40, 6);
}

TEST_F(Pictures, BadDataAndUnknownExtensionsAreRefused) {
  TMemoryStream s;
  s.WriteString("\x89PNG\r\n\x1a\nnot really a png");
  s.SetPosition(0);
  TPicture pic;
  EXPECT_THROW(pic.LoadFromStream(s), EInvalidGraphic);
  TMemoryStream t;
  t.WriteString("plain text");
  t.SetPosition(0);
  try {
    pic.LoadFromStream(t);
    FAIL() << "no error";
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), "Unknown picture format");
  }
  try {
    pic.LoadFromFile("x.tiff");
    FAIL() << "no error";
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), "Unknown picture file extension (.tiff)");
  }
  // A JPEG class given PNG data refuses it.
  TBitmap b;
  Paint(b);
  TPngImage png;
  png.Assign(&b);
  TMemoryStream p;
  png.SaveToStream(p);
  p.SetPosition(0);
  TJPEGImage jpg;
  EXPECT_THROW(jpg.LoadFromStream(p), EInvalidGraphic);
  EXPECT_TRUE(jpg.Empty());
}

TEST_F(Pictures, TransparentBitmapsLeaveTheirTransparentColourOut) {
  TBitmap src;
  Paint(src);  // bottom-left pixel white: the automatic transparent colour
  src.SetTransparent(true);
  EXPECT_EQ(src.TransparentColor(), clWhite);
  TBitmap dst;
  dst.SetSize(8, 6);
  dst.Canvas()->Brush()->SetColor(clLime);
  dst.Canvas()->FillRect(Rect(0, 0, 8, 6));
  dst.Canvas()->Draw(0, 0, &src);
  EXPECT_EQ(dst.Canvas()->Pixels(1, 1), clRed);
  EXPECT_EQ(dst.Canvas()->Pixels(6, 4), clLime);
  // The mask marks the transparent pixels.
  HBITMAP mask = src.MaskHandle();
  ASSERT_NE(mask, nullptr);
  BITMAP bm{};
  GetObjectA(mask, sizeof bm, &bm);
  EXPECT_EQ(bm.bmBitsPixel, 1);
}

TEST_F(Pictures, BitmapsStreamInResourcesAsTheirImageData) {
  TBitmap b;
  Paint(b);
  TMemoryStream s;
  b.SaveToStream(s);
  s.SetPosition(0);
  TBitmap c;
  c.LoadFromStream(s);
  EXPECT_EQ(c.Width(), 8);
  EXPECT_EQ(c.Canvas()->Pixels(7, 5), clBlue);
  TMemoryStream empty;
  EXPECT_THROW(c.LoadFromStream(empty), EInvalidGraphic);
}

}  // namespace
