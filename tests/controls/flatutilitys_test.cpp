// Gradients with their bands, button frames, glyph silhouettes, glyph layout and the sliced blits.
#include <memory>

#include "controls/flatutilitys.h"
#include "controls_test_util.h"

using namespace ctltest;

namespace {

class DrawHelpers : public ::testing::Test {
 protected:
  void SetUp() override {
    FanoUseHeadless();
    FanoSetTestFont(TRUE);
    dc = FanoCreateRecordingDC(60, 40);
    canvas = std::make_unique<TCanvas>();
    canvas->SetHandle(dc);
  }
  void TearDown() override {
    canvas.reset();
    DeleteDC(dc);
  }
  std::vector<FANO_DRAW_RECORD> Rects() {
    std::vector<FANO_DRAW_RECORD> out;
    for (auto& r : Records(dc))
      if (std::string(r.call) == "Rectangle") out.push_back(r);
    return out;
  }
  TColor Px(int x, int y) { return static_cast<TColor>(GetPixel(dc, x, y)); }
  HDC dc = nullptr;
  std::unique_ptr<TCanvas> canvas;
};

TEST_F(DrawHelpers, GradientBandsOverlapByOnePixelAndStopShortOfTheEnd) {
  DrawGradient(canvas.get(), Rgb(0, 0, 0), Rgb(100, 40, 0), true, TRect(0, 0, 40, 10), 4);
  auto r = Rects();
  ASSERT_EQ(r.size(), 4u);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(r[i].args[0], 10 * i);
    EXPECT_EQ(r[i].args[2], 10 * i + 11);
    EXPECT_EQ(r[i].args[1], 0);
    EXPECT_EQ(r[i].args[3], 10);
    EXPECT_EQ(r[i].penColor, r[i].brushColor);
    EXPECT_EQ(r[i].brushColor, RGB(25 * i, 10 * i, 0));
  }
  // The last band is one step short of the end colour.
  EXPECT_EQ(Px(39, 5), Rgb(75, 30, 0));
}

TEST_F(DrawHelpers, GradientStepsRoundHalvesToEven) {
  // 5 over 2 steps: 2.5 a step, band 1 gets 2 (even), not 3.
  DrawGradient(canvas.get(), Rgb(0, 0, 0), Rgb(5, 15, 0), false, TRect(0, 0, 10, 20), 2);
  auto r = Rects();
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[1].brushColor, RGB(2, 8, 0));  // 7.5 to 8
  EXPECT_EQ(r[1].args[1], 10);
  EXPECT_EQ(r[1].args[3], 21);
}

TEST_F(DrawHelpers, GradientWithoutStepsIsOneBandOfTheStartColour) {
  DrawGradient(canvas.get(), clRed, clBlue, false, TRect(2, 3, 30, 20), 0);
  auto r = Rects();
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0].brushColor, RGB(255, 0, 0));
  EXPECT_EQ(r[0].args[1], 3);
  EXPECT_EQ(r[0].args[3], 3 + 17 + 1);
  EXPECT_EQ(Px(10, 10), clRed);
}

TEST_F(DrawHelpers, GradientResolvesSystemColours) {
  GradientFill(canvas.get(), clBtnFace, clBtnFace, true, TRect(0, 0, 10, 10), 2);
  EXPECT_EQ(Rects()[0].brushColor, ColorToRGB(clBtnFace));
}

TEST_F(DrawHelpers, ButtonFrameRingsAndCorners) {
  canvas->Brush()->SetColor(clWhite);
  canvas->FillRect(TRect(0, 0, 60, 40));
  TRect r(2, 2, 12, 12);
  DrawButtonFrame(canvas.get(), r, clRed, 2, clBlue);
  EXPECT_EQ(r, TRect(2, 2, 12, 12));  // the caller's rectangle stays
  EXPECT_EQ(Px(2, 2), clRed);
  EXPECT_EQ(Px(2, 8), clRed);
  EXPECT_EQ(Px(8, 2), clRed);
  EXPECT_EQ(Px(11, 11), clBlue);
  EXPECT_EQ(Px(11, 2), clBlue);  // top-right belongs to the bottom colour
  EXPECT_EQ(Px(2, 11), clBlue);  // and so does bottom-left, drawn last
  EXPECT_EQ(Px(3, 3), clRed);    // second ring
  EXPECT_EQ(Px(10, 10), clBlue);
  EXPECT_EQ(Px(4, 4), clWhite);  // inside untouched
  EXPECT_EQ(Px(12, 12), clWhite);
}

TEST_F(DrawHelpers, GlyphSilhouetteWithHighlight) {
  TBitmap glyph;
  glyph.SetSize(4, 4);
  glyph.Canvas()->Brush()->SetColor(clBlack);
  glyph.Canvas()->FillRect(TRect(0, 0, 4, 4));
  glyph.Canvas()->SetPixels(1, 1, clRed);
  auto out = DrawButtonGlyph(&glyph, clBlack, clBtnFace, true, clBtnShadow, clBtnHighlight);
  ASSERT_EQ(out->Width(), 4);
  TCanvas* c = out->Canvas();
  EXPECT_EQ(c->Pixels(0, 0), static_cast<TColor>(ColorToRGB(clBtnFace)));
  EXPECT_EQ(c->Pixels(1, 1), static_cast<TColor>(ColorToRGB(clBtnShadow)));
  EXPECT_EQ(c->Pixels(2, 2), static_cast<TColor>(ColorToRGB(clBtnHighlight)));
  EXPECT_EQ(c->Pixels(3, 3), static_cast<TColor>(ColorToRGB(clBtnFace)));
}

TEST_F(DrawHelpers, LayoutWithoutCaptionOrGlyphIsCentredAndZero) {
  TPoint glyphPos;
  TRect text;
  CalcButtonLayout(canvas.get(), TRect(0, 0, 25, 25), TPoint(0, 0), "", blGlyphTop, -1, 4, glyphPos, text, nullptr, 1);
  EXPECT_EQ(glyphPos, TPoint(13, 13));
  EXPECT_EQ(text, TRect(13, 13, 13, 13));
}

TEST_F(DrawHelpers, LayoutGlyphLeftOfCaption) {
  TBitmap glyph;
  glyph.SetSize(32, 16);  // two cells of 16
  canvas->Font()->SetHeight(-10);
  int tw = canvas->TextWidth("OK");
  ASSERT_EQ(tw, 10);
  TPoint glyphPos;
  TRect text;
  // Margin 2, Spacing 4: glyph at 2, text after glyph and gap; rows centred, all moved by offset.
  CalcButtonLayout(canvas.get(), TRect(10, 20, 60, 40), TPoint(1, 1), "OK", blGlyphLeft, 2, 4, glyphPos, text, &glyph, 2);
  EXPECT_EQ(glyphPos, TPoint(10 + 2 + 1, 20 + (20 - 16 + 1) / 2 + 1));
  EXPECT_EQ(text.Left, 10 + 2 + 16 + 4 + 1);
  EXPECT_EQ(text.Width(), 10);
  EXPECT_EQ(text.Top, 20 + (20 - 10 + 1) / 2 + 1);
  // Both automatic: three equal gaps.
  CalcButtonLayout(canvas.get(), TRect(0, 0, 56, 20), TPoint(0, 0), "OK", blGlyphLeft, -1, -1, glyphPos, text, &glyph, 2);
  EXPECT_EQ(glyphPos.X, 10);
  EXPECT_EQ(text.Left, 36);
  // Glyph right, spacing automatic.
  CalcButtonLayout(canvas.get(), TRect(0, 0, 56, 20), TPoint(0, 0), "OK", blGlyphRight, 3, -1, glyphPos, text, &glyph, 2);
  EXPECT_EQ(glyphPos.X, 56 - 3 - 16);
  EXPECT_EQ(text.Right, glyphPos.X - (56 - 19 - 10) / 2);
}

TEST_F(DrawHelpers, LayoutMeasuresTheCaptionOnOneLine) {
  canvas->Font()->SetHeight(-10);
  TPoint glyphPos;
  TRect text;
  CalcButtonLayout(canvas.get(), TRect(0, 0, 100, 40), TPoint(0, 0), "a\nb", blGlyphTop, 0, 0, glyphPos, text, nullptr, 1);
  EXPECT_EQ(text.Height(), 10);
}

TEST(FlatMetrics, FontTextHeightAddsAnEighthRoundedToEven) {
  FanoUseHeadless();
  FanoSetTestFont(TRUE);
  TFont f;
  f.SetHeight(-16);
  EXPECT_EQ(FontTextHeight(&f), 18);
  f.SetHeight(-12);
  EXPECT_EQ(FontTextHeight(&f), 14);  // 13.5
  f.SetHeight(-20);
  EXPECT_EQ(FontTextHeight(&f), 22);  // 22.5
}

TEST(FlatMetrics, RectsIntersect) {
  EXPECT_TRUE(RectsIntersect(TRect(0, 0, 10, 10), TRect(9, 9, 20, 20)));
  EXPECT_FALSE(RectsIntersect(TRect(0, 0, 10, 10), TRect(10, 0, 20, 10)));
  EXPECT_FALSE(RectsIntersect(TRect(0, 0, 0, 10), TRect(0, 0, 10, 10)));
}

class SlicedBitmaps : public DrawHelpers {
 protected:
  void SetUp() override {
    DrawHelpers::SetUp();
    canvas->Brush()->SetColor(clWhite);
    canvas->FillRect(TRect(0, 0, 60, 40));
    bmp.SetSize(10, 4);
    TCanvas* c = bmp.Canvas();
    c->Brush()->SetColor(clRed);
    c->FillRect(TRect(0, 0, 5, 4));
    c->Brush()->SetColor(clBlue);
    c->FillRect(TRect(5, 0, 10, 4));
    c->SetPixels(4, 0, clLime);
    c->SetPixels(5, 0, clLime);
    c->SetPixels(0, 3, clFuchsia);  // the transparent colour
  }
  TBitmap bmp;
};

TEST_F(SlicedBitmaps, HorizontalEndsKeepTheirSizeAndTheMiddleStretches) {
  DrawSlicedBitmapHorz(&bmp, canvas.get(), 2, 30, 5);
  EXPECT_EQ(Px(2, 6), clRed);     // left end
  EXPECT_EQ(Px(2, 8), clWhite);   // transparent corner
  EXPECT_EQ(Px(15, 5), clLime);   // the middle columns stretched
  EXPECT_EQ(Px(30, 6), clBlue);   // right end
  EXPECT_EQ(Px(31, 6), clBlue);
  EXPECT_EQ(Px(32, 6), clWhite);  // 30 long from x = 2
}

TEST_F(SlicedBitmaps, EndsLongerThanTheLengthAreCut) {
  DrawSlicedBitmapHorz(&bmp, canvas.get(), 0, 6, 0);
  EXPECT_EQ(Px(0, 1), clRed);
  EXPECT_EQ(Px(5, 1), clBlue);
  EXPECT_EQ(Px(6, 1), clWhite);
  EXPECT_EQ(Px(8, 1), clWhite);
  DrawSlicedBitmapHorz(&bmp, canvas.get(), 0, 0, 10);
  EXPECT_EQ(Px(0, 11), clWhite);
}

TEST_F(SlicedBitmaps, VerticalAlongY) {
  TBitmap v;
  v.SetSize(4, 10);
  v.Canvas()->Brush()->SetColor(clRed);
  v.Canvas()->FillRect(TRect(0, 0, 4, 5));
  v.Canvas()->Brush()->SetColor(clBlue);
  v.Canvas()->FillRect(TRect(0, 5, 4, 10));
  v.Canvas()->SetPixels(0, 9, clFuchsia);
  DrawSlicedBitmapVert(&v, canvas.get(), 40, 30, 2);
  EXPECT_EQ(Px(41, 3), clRed);
  EXPECT_EQ(Px(41, 31), clBlue);
  EXPECT_EQ(Px(41, 32), clWhite);
  EXPECT_EQ(Px(40, 31), clWhite);  // the bottom-left pixel is the transparent colour
}

TEST_F(DrawHelpers, TransparentBitmapLeavesTheKeyColourOut) {
  canvas->Brush()->SetColor(clWhite);
  canvas->FillRect(TRect(0, 0, 60, 40));
  TBitmap b;
  b.SetSize(3, 3);
  b.Canvas()->Brush()->SetColor(clGreen);
  b.Canvas()->FillRect(TRect(0, 0, 3, 3));
  b.Canvas()->SetPixels(1, 1, clRed);
  b.Dormant();
  DrawTransparentBitmap(dc, b.Handle(), 5, 5, 0, 0, 3, 3, clGreen);
  EXPECT_EQ(Px(6, 6), clRed);
  EXPECT_EQ(Px(5, 5), clWhite);
  TransparentStretchBlt(dc, b.Handle(), 20, 20, 9, 9, 0, 0, 3, 3, clGreen);
  EXPECT_EQ(Px(24, 24), clRed);
  EXPECT_EQ(Px(20, 20), clWhite);
}

}  // namespace
