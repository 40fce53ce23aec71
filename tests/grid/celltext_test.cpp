// Text and images in cells: placement of single-line text by alignment and layout, the flags and
// rectangle of the draw-text path, ellipsis by characters (Chinese text included), rotated titles
// and their font, images clipped to their cell, the shared bitmap and the tool-tip measure. A
// picture of sample cells is written for people to look at (celltext.png beside the tests, or in
// FANO_SNAPSHOT_DIR).
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "grid/celltext.h"
#include "platform/os/clock.h"
#include "platform/rtl/strings.h"
#include "support/ui_fixture.h"

namespace {

class CellText : public ::testing::Test {
 protected:
  void SetUp() override {
    FanoUseHeadless();
    FanoSetTestFont(TRUE);
    ClockSetSimulated(1);
    dc = FanoCreateRecordingDC(200, 100);
    canvas = std::make_unique<TCanvas>();
    canvas->SetHandle(dc);
    canvas->Font()->SetHeight(-12);  // narrow characters 6 wide, Chinese 12, lines 12 high
    canvas->Brush()->SetColor(clWhite);
  }
  void TearDown() override {
    canvas.reset();
    DeleteDC(dc);
  }
  std::vector<FANO_DRAW_RECORD> Records(const char* call) { return uitest::Records(dc, call); }
  // The one text output of a WriteTextGx call: x, y and the text.
  FANO_DRAW_RECORD Write(const TRect& rect, std::string_view text, TAlignment alignment, TTextLayout layout,
                         bool fill = true, bool ellipsis = false, int dx = 2, int dy = 1) {
    FanoRecordStart(dc);
    WriteTextGx(canvas.get(), rect, fill, dx, dy, text, alignment, layout, false, ellipsis, 0, 0, false);
    auto outs = Records("ExtTextOut");
    EXPECT_EQ(outs.size(), 1u);
    return outs.empty() ? FANO_DRAW_RECORD{} : outs[0];
  }
  HDC dc = nullptr;
  std::unique_ptr<TCanvas> canvas;
};

}  // namespace

TEST_F(CellText, SingleLineTextIsPlacedByAlignmentAndLayout) {
  const TRect cell = Rect(10, 10, 110, 40);
  auto r = Write(cell, "合计", taLeftJustify, tlTop);
  EXPECT_EQ(r.args[0], 12);  // left + DX
  EXPECT_EQ(r.args[1], 11);  // top + DY
  EXPECT_EQ(std::string(r.text), "合计");
  EXPECT_EQ(r.args[2], ETO_CLIPPED | ETO_OPAQUE);
  EXPECT_EQ((std::vector<int64_t>{r.args[3], r.args[4], r.args[5], r.args[6]}), (std::vector<int64_t>{10, 10, 110, 40}));
  r = Write(cell, "合计", taRightJustify, tlCenter);
  EXPECT_EQ(r.args[0], 110 - 24 - 3);  // ends 3 pixels before the right edge
  EXPECT_EQ(r.args[1], (10 + 40 - 12) / 2);
  r = Write(cell, "合计", taCenter, tlBottom);
  EXPECT_EQ(r.args[0], 10 + 50 - 12);
  EXPECT_EQ(r.args[1], 40 - 12);
  // Bold text is measured as drawn: the same width with the test font.
  canvas->Font()->SetStyle(TFontStyles{fsBold});
  r = Write(cell, "ab", taRightJustify, tlTop);
  EXPECT_EQ(r.args[0], 110 - 12 - 3);
  // Too low a cell for the text: top + DY whatever the layout.
  r = Write(Rect(0, 0, 50, 12), "ab", taLeftJustify, tlBottom);
  EXPECT_EQ(r.args[1], 1);
  // Without FillRect the background stays and the brush comes back afterwards.
  r = Write(cell, "ab", taLeftJustify, tlTop, false);
  EXPECT_EQ(r.args[2], ETO_CLIPPED);
  EXPECT_EQ(r.bkMode, TRANSPARENT);
  EXPECT_EQ(canvas->Brush()->Style(), bsSolid);
}

TEST_F(CellText, EllipsisCutsWholeCharacters) {
  const std::string text = "合计金额汇总";  // 72 wide; "..." is 18
  EXPECT_EQ(EllipsisText(text, canvas.get(), 72), text);
  EXPECT_EQ(EllipsisText(text, canvas.get(), 66), "合计金额...");
  EXPECT_EQ(EllipsisText(text, canvas.get(), 65), "合计金...");
  EXPECT_EQ(EllipsisText(text, canvas.get(), 30), "合...");
  EXPECT_EQ(EllipsisText(text, canvas.get(), 29), "...");
  EXPECT_EQ(EllipsisText(text, canvas.get(), 0), "...");  // the shortest, even when too wide
  // Every width gives whole characters of the text, then "...".
  const std::string mixed = "ab合c计d金额";
  for (int w = 0; w <= 80; ++w) {
    std::string s = EllipsisText(mixed, canvas.get(), w);
    ASSERT_TRUE(IsValidUtf8(s)) << w;
    if (s != mixed) {
      ASSERT_GE(s.size(), 3u);
      EXPECT_EQ(s.substr(s.size() - 3), "...");
      EXPECT_EQ(mixed.compare(0, s.size() - 3, s, 0, s.size() - 3), 0) << w;
    }
  }
  EXPECT_EQ(EllipsisText(mixed, canvas.get(), 47), "ab合...");
  EXPECT_EQ(EllipsisText("", canvas.get(), 0), "");
  // A single line with EndEllipsis writes the shortened text within the width less DX.
  auto r = Write(Rect(0, 0, 42, 20), text, taLeftJustify, tlTop, true, true);
  EXPECT_EQ(std::string(r.text), "合...");
}

TEST_F(CellText, MultiLineTextGoesThroughDrawTextWithItsFlagsAndMargins) {
  FanoRecordStart(dc);
  WriteTextGx(canvas.get(), Rect(10, 10, 110, 70), true, 2, 3, "合计金额", taRightJustify, tlTop, true, true, 4, 5, true);
  auto draws = Records("DrawText");
  ASSERT_EQ(draws.size(), 1u);
  EXPECT_EQ(draws[0].args[4], 0x842 | DT_WORDBREAK | DT_END_ELLIPSIS | DT_RTLREADING);
  // Less DX and DY; the bottom one pixel lower because DX > 0.
  EXPECT_EQ((std::vector<int64_t>{draws[0].args[0], draws[0].args[1], draws[0].args[2], draws[0].args[3]}),
            (std::vector<int64_t>{12, 13, 108, 68}));
  // Centred: measured first; one line of 12 in 54 starts at 13 + 27 - 6.
  FanoRecordStart(dc);
  DrawClippedText(canvas.get(), Rect(10, 10, 110, 70), true, 0, 3, "合计", taCenter, tlCenter, false, false, 0, 0,
                  false);
  draws = Records("DrawText");
  ASSERT_EQ(draws.size(), 1u);
  EXPECT_EQ(draws[0].args[4], 0x841);
  EXPECT_EQ(draws[0].args[1], 13 + 27 - 6);
  EXPECT_EQ(draws[0].args[3], 67);
  FanoRecordStart(dc);
  DrawClippedText(canvas.get(), Rect(10, 10, 110, 70), true, 0, 0, "合计", taLeftJustify, tlBottom, false, false, 0, 0,
                  false);
  draws = Records("DrawText");
  ASSERT_EQ(draws.size(), 1u);
  EXPECT_EQ(draws[0].args[4], 0x840);
  EXPECT_EQ(draws[0].args[1], 70 - 12);
  // Text taller than its rectangle, centred or at the bottom, draws nothing above the rectangle.
  for (const TTextLayout layout : {tlCenter, tlBottom}) {
    canvas->FillRect(Rect(0, 0, 200, 100));
    WriteTextGx(canvas.get(), Rect(10, 40, 50, 64), true, 0, 0, "aa bb cc dd ee ff", taLeftJustify, layout, true,
                false, 0, 0, false);
    int above = 0, inside = 0;
    for (int y = 0; y < 64; ++y)
      for (int x = 10; x < 50; ++x) (y < 40 ? above : inside) += GetPixel(dc, x, y) != RGB(255, 255, 255);
    EXPECT_EQ(above, 0) << layout;
    EXPECT_GT(inside, 0) << layout;
  }
  // Without FillRect the text is drawn on a clear brush, restored afterwards.
  FanoRecordStart(dc);
  WriteTextGx(canvas.get(), Rect(0, 0, 50, 50), false, 0, 0, "ab", taLeftJustify, tlTop, true, false, 0, 0, false);
  draws = Records("DrawText");
  ASSERT_EQ(draws.size(), 1u);
  EXPECT_EQ(draws[0].bkMode, TRANSPARENT);
  EXPECT_EQ(canvas->Brush()->Style(), bsSolid);
}

TEST_F(CellText, RotatedFontsTurnTheCellsFont) {
  canvas->Font()->SetName("Default");
  canvas->Font()->SetHeight(-15);
  canvas->Font()->SetStyle(TFontStyles{fsBold, fsItalic});
  canvas->Font()->SetPitch(fpFixed);
  HFONT f = CreateRotatedFont(canvas->Font());
  ASSERT_NE(f, nullptr);
  LOGFONTA lf{};
  ASSERT_NE(GetObjectA(f, sizeof(lf), &lf), 0);
  EXPECT_EQ(lf.lfHeight, -15);
  EXPECT_EQ(lf.lfEscapement, 900);
  EXPECT_EQ(lf.lfOrientation, 900);
  EXPECT_EQ(lf.lfWeight, 700);
  EXPECT_EQ(lf.lfItalic, 1);
  EXPECT_EQ(lf.lfUnderline, 0);
  EXPECT_EQ(lf.lfPitchAndFamily, FIXED_PITCH);
  EXPECT_EQ(lf.lfOutPrecision, OUT_TT_ONLY_PRECIS);
  EXPECT_EQ(std::string(lf.lfFaceName), TFont::DefaultName());
  DeleteObject(f);
  canvas->Font()->SetName("黑体");
  canvas->Font()->SetStyle(TFontStyles{});
  canvas->Font()->SetPitch(fpVariable);
  f = CreateRotatedFont(canvas->Font());
  ASSERT_NE(GetObjectA(f, sizeof(lf), &lf), 0);
  EXPECT_EQ(std::string(lf.lfFaceName), "黑体");
  EXPECT_EQ(lf.lfWeight, 400);
  EXPECT_EQ(lf.lfPitchAndFamily, VARIABLE_PITCH);
  DeleteObject(f);
}

TEST_F(CellText, VerticalTitlesArePlacedAlongAndAcrossTheCell) {
  const TRect cell = Rect(20, 10, 50, 90);
  // Measuring draws nothing; an italic face adds its slant.
  FanoRecordStart(dc);
  EXPECT_EQ(WriteTextVerticalGx(canvas.get(), cell, true, 2, 3, "金额", taLeftJustify, tlTop, false, true), 24);
  EXPECT_EQ(FanoRecordCount(dc), 0);
  canvas->Font()->SetStyle(TFontStyles{fsItalic});
  EXPECT_EQ(WriteTextVerticalGx(canvas.get(), cell, true, 2, 3, "金额", taLeftJustify, tlTop, false, true), 24 + 3);
  canvas->Font()->SetStyle(TFontStyles{});
  struct Case {
    TAlignment alignment;
    int layout;
    int x, y;
  };
  for (const Case& c : {Case{taLeftJustify, 0, 22, 10 + 24}, Case{taRightJustify, 1, 50 - 12, 90 - 3},
                        Case{taCenter, 2, 20 + 15 - 6, 90 - 40 + 12}}) {
    FanoRecordStart(dc);
    EXPECT_EQ(WriteTextVerticalGx(canvas.get(), cell, false, 2, 3, "金额", c.alignment, static_cast<TTextLayout>(c.layout),
                                  false, false),
              24);
    auto outs = Records("ExtTextOut");
    ASSERT_EQ(outs.size(), 1u);
    EXPECT_EQ(outs[0].args[0], c.x) << c.layout;
    EXPECT_EQ(outs[0].args[1], c.y) << c.layout;
    EXPECT_EQ(outs[0].fontEscapement, 900);
    EXPECT_EQ(outs[0].args[2], ETO_CLIPPED);  // no FillRect
    EXPECT_EQ(std::string(outs[0].text), "金额");
  }
  // The canvas's own font is back.
  FanoRecordStart(dc);
  canvas->TextOut(0, 0, "x");
  auto outs = Records("ExtTextOut");
  ASSERT_EQ(outs.size(), 1u);
  EXPECT_EQ(outs[0].fontEscapement, 0);
}

TEST_F(CellText, VerticalTextReadsUpwardsInTheCell) {
  TBitmap bmp;
  bmp.SetSize(40, 60);
  TCanvas* c = bmp.Canvas();
  c->Font()->SetHeight(-12);
  c->Brush()->SetColor(clWhite);
  c->FillRect(Rect(0, 0, 40, 60));
  c->Font()->SetColor(clBlack);
  WriteTextVerticalGx(c, Rect(0, 0, 40, 60), false, 2, 3, "ab", taLeftJustify, static_cast<TTextLayout>(1), false,
                      false);
  // From 3 above the bottom, 12 long, across 2..14: the glyph blocks are there and nowhere else.
  EXPECT_EQ(c->Pixels(8, 52), clBlack);
  EXPECT_EQ(c->Pixels(8, 60 - 3 - 12 - 2), clWhite);
  EXPECT_EQ(c->Pixels(20, 52), clWhite);
}

TEST_F(CellText, ColoursTheDeviceCannotShowGoThroughTheSharedBitmap) {
  HDC mono = CreateCompatibleDC(nullptr);
  HBITMAP monoBmp = CreateBitmap(100, 40, 1, 1, nullptr);
  HGDIOBJ old = SelectObject(mono, monoBmp);
  TCanvas mc;
  mc.SetHandle(mono);
  mc.Font()->SetHeight(-12);
  mc.Brush()->SetColor(TColor(RGB(200, 30, 30)));
  FanoRecordStart(mono);
  EXPECT_EQ(DrawBitmapUseCount(), 0);
  WriteTextGx(&mc, Rect(10, 5, 90, 35), true, 2, 1, "合计", taLeftJustify, tlTop, false, false, 0, 0, false);
  int texts = 0, blits = 0;
  for (const FANO_DRAW_RECORD& r : uitest::Records(mono)) {
    std::string call = r.call;
    if (call == "DrawText" || call == "ExtTextOut" || call == "TextOut") ++texts;
    if (call == "StretchBlt" || call == "BitBlt") ++blits;
  }
  EXPECT_EQ(texts, 0);
  EXPECT_EQ(blits, 1);
  EXPECT_EQ(DrawBitmapUseCount(), 0);  // held for the call only
  EXPECT_EQ(DrawBitmap(), nullptr);
  // A grid that holds it keeps it, grown to the largest cell.
  DrawBitmapAddRef();
  DrawBitmapAddRef();
  WriteTextGx(&mc, Rect(0, 0, 80, 30), true, 2, 1, "ab", taLeftJustify, tlTop, false, false, 0, 0, false);
  WriteTextVerticalGx(&mc, Rect(0, 0, 20, 36), true, 2, 1, "ab", taLeftJustify, tlTop, false, false);
  ASSERT_NE(DrawBitmap(), nullptr);
  EXPECT_EQ(DrawBitmap()->Width(), 80);
  EXPECT_EQ(DrawBitmap()->Height(), 36);
  DrawBitmapRelease();
  EXPECT_NE(DrawBitmap(), nullptr);
  DrawBitmapRelease();
  EXPECT_EQ(DrawBitmap(), nullptr);
  DrawBitmapRelease();  // one too many does nothing
  EXPECT_EQ(DrawBitmapUseCount(), 0);
  mc.SetHandle(nullptr);
  SelectObject(mono, old);
  DeleteObject(monoBmp);
  DeleteDC(mono);
}

TEST_F(CellText, ImagesArePlacedByAlignmentAndClippedToTheirCell) {
  TImageList list(nullptr, 8, 8);
  TBitmap img;
  img.SetSize(8, 8);
  img.Canvas()->Brush()->SetColor(clRed);
  img.Canvas()->FillRect(Rect(0, 0, 8, 8));
  list.Add(&img, nullptr);
  TBitmap target;
  target.SetSize(60, 20);
  TCanvas* c = target.Canvas();
  c->Brush()->SetColor(clWhite);
  c->FillRect(Rect(0, 0, 60, 20));
  DrawImage(&list, c, taLeftJustify, 1, 0, Rect(0, 0, 20, 20));  // x 1, y 6
  EXPECT_EQ(c->Pixels(1, 6), clRed);
  EXPECT_EQ(c->Pixels(0, 6), clWhite);
  EXPECT_EQ(c->Pixels(1, 5), clWhite);
  DrawImage(&list, c, taRightJustify, 0, 0, Rect(20, 0, 40, 20));  // x 32
  EXPECT_EQ(c->Pixels(39, 10), clRed);
  EXPECT_EQ(c->Pixels(31, 10), clWhite);
  // Sticking out of its cell on the right: clipped to it, and no clipping is left behind.
  DrawImage(&list, c, taRightJustify, 5, 0, Rect(40, 0, 50, 20));
  EXPECT_EQ(c->Pixels(49, 10), clRed);
  EXPECT_EQ(c->Pixels(50, 10), clWhite);
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetClipRgn(c->Handle(), rgn), 0);
  // A clip region of the caller comes back as it was.
  IntersectClipRect(c->Handle(), 0, 0, 55, 20);
  DrawImage(&img, c, taCenter, 0, Rect(50, 0, 54, 20));
  EXPECT_EQ(c->Pixels(51, 10), clRed);
  EXPECT_EQ(c->Pixels(54, 10), clWhite);
  ASSERT_EQ(GetClipRgn(c->Handle(), rgn), 1);
  RECT box{};
  GetRgnBox(rgn, &box);
  EXPECT_EQ(box.right, 55);
  DeleteObject(rgn);
}

TEST_F(CellText, ToolTipsAreMeasuredInTheCellsFont) {
  TToolTipsWindow tips(nullptr);
  TFont font;
  font.SetHeight(-20);
  font.SetColor(clRed);
  TRect r = tips.CalcHintRect(300, "合计", &font);
  EXPECT_EQ(r.Height(), 20 + 2);
  EXPECT_EQ(r.Width(), 40 + 6);
  EXPECT_EQ(tips.Canvas()->Font()->Height(), -20);
  EXPECT_EQ(tips.Canvas()->Font()->Color(), clWindowText);
}

// Drawn with the installed fonts, for people to look at.
TEST_F(CellText, SampleCellsSnapshot) {
  FanoSetTestFont(FALSE);
  TBitmap bmp;
  bmp.SetSize(300, 90);
  TCanvas* c = bmp.Canvas();
  c->Font()->SetHeight(-13);
  c->Brush()->SetColor(clWhite);
  c->FillRect(Rect(0, 0, 300, 90));
  c->Pen()->SetColor(clSilver);
  auto cell = [&](const TRect& r, TColor colour) {
    c->Brush()->SetColor(colour);
    c->Rectangle(r);
  };
  cell(Rect(0, 0, 120, 24), clWhite);
  WriteTextGx(c, Rect(0, 0, 120, 24), false, 2, 2, "费用垫付单", taLeftJustify, tlCenter, false, false, 0, 0, false);
  cell(Rect(0, 23, 120, 47), TColor(RGB(255, 255, 225)));
  WriteTextGx(c, Rect(0, 23, 120, 47), false, 2, 2, "1,234.50", taRightJustify, tlCenter, false, false, 0, 0, false);
  cell(Rect(0, 46, 120, 70), clWhite);
  WriteTextGx(c, Rect(0, 46, 120, 70), false, 2, 2, "合计金额与垫付说明很长", taLeftJustify, tlCenter, false, true, 0, 0,
              false);
  cell(Rect(119, 0, 240, 70), clWhite);
  WriteTextGx(c, Rect(119, 0, 240, 70), false, 2, 2, "多行文本在单元格里自动换行", taCenter, tlCenter, true, false, 0, 0,
              false);
  cell(Rect(239, 0, 270, 90), TColor(RGB(230, 230, 230)));
  WriteTextVerticalGx(c, Rect(239, 0, 270, 90), false, 2, 3, "竖排标题", taCenter, static_cast<TTextLayout>(2), false,
                      false);
  cell(Rect(269, 0, 300, 90), TColor(RGB(230, 230, 230)));
  WriteTextVerticalGx(c, Rect(269, 0, 300, 90), false, 2, 3, "金额", taCenter, static_cast<TTextLayout>(1), false,
                      false);
  // Nothing of the right-aligned amount in the 3 pixels before the cell's right edge.
  for (int y = 24; y < 46; ++y)
    for (int x = 120 - 3; x < 120 - 1; ++x) EXPECT_NE(c->Pixels(x, y), clBlack) << x << "," << y;
  FanoSetTestFont(TRUE);
  const std::string path = uitest::SnapshotPath("celltext.png");
  EXPECT_TRUE(FanoSaveImageFile(bmp.Handle(), FANO_IMAGE_PNG, 0, path.c_str())) << path;
}
