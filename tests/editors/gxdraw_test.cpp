// The drawing and window routines the editors and the grid share: text and message forwarders,
// colour blending, gradients, images in cells, tree glyphs and pending clicks.
#include <gtest/gtest.h>

#include "editors/gxdraw.h"
#include "editors/gxwindows.h"
#include "platform/forms/forms.h"
#include "platform/os/clock.h"
#include "support/ui_input.h"

namespace {

class GxDraw : public ::testing::Test {
 protected:
  void SetUp() override {
    FanoUseHeadless();
    FanoSetTestFont(TRUE);
    ClockSetSimulated(1);
    dc = FanoCreateRecordingDC(100, 60);
    canvas = std::make_unique<TCanvas>();
    canvas->SetHandle(dc);
  }
  void TearDown() override {
    canvas.reset();
    DeleteDC(dc);
  }
  std::vector<FANO_DRAW_RECORD> Records() { return uitest::Records(dc); }
  HDC dc = nullptr;
  std::unique_ptr<TCanvas> canvas;
};

TEST_F(GxDraw, MixColorsRoundsHalvesToEven) {
  EXPECT_EQ(MixColors(clBlack, clWhite, 50), static_cast<TColor>(RGB(128, 128, 128)));  // 127.5 -> 128
  EXPECT_EQ(MixColors(clRed, clBlue, 0), clRed);
  EXPECT_EQ(MixColors(clRed, clBlue, 100), clBlue);
  EXPECT_EQ(MixColors(RGB(0, 0, 1), RGB(0, 0, 0), 50), static_cast<TColor>(RGB(0, 0, 0)));  // 0.5 -> 0
  // Out of range percentages stay within the channels.
  EXPECT_EQ(MixColors(clBlack, clWhite, 200), clWhite);
  EXPECT_EQ(MixColors(clBlack, clWhite, -50), clBlack);
  // System colours are resolved first.
  EXPECT_EQ(MixColors(clBtnFace, clBtnFace, 30), static_cast<TColor>(GetSysColor(COLOR_BTNFACE)));
}

TEST_F(GxDraw, FillGradientDrawsOneRowPerLineFromTopToBottom) {
  FillGradient(canvas.get(), Rect(2, 3, 12, 8), clBlack, static_cast<TColor>(RGB(200, 100, 0)));
  auto rec = Records();
  ASSERT_EQ(rec.size(), 5u);
  EXPECT_STREQ(rec[0].call, "Rectangle");
  EXPECT_EQ(rec[0].args[0], 2);
  EXPECT_EQ(rec[0].args[1], 3);
  EXPECT_EQ(rec[0].args[2], 12);
  EXPECT_EQ(rec[0].args[3], 4);
  EXPECT_EQ(rec[0].penColor, RGB(0, 0, 0));
  EXPECT_EQ(rec[2].penColor, RGB(100, 50, 0));
  EXPECT_EQ(rec[4].penColor, RGB(200, 100, 0));
  EXPECT_EQ(rec[4].args[1], 7);
  // Row 7 of 11 from 0 to 45: 45 / 10 * 7 = 31.5, a half that goes to even.
  FanoRecordStart(dc);
  FillGradient(canvas.get(), Rect(0, 0, 5, 11), clBlack, static_cast<TColor>(RGB(45, 0, 0)));
  EXPECT_EQ(Records()[7].penColor, RGB(32, 0, 0));
  // One row: the start colour, no division by zero.
  FanoRecordStart(dc);
  FillGradient(canvas.get(), Rect(0, 0, 5, 1), clRed, clBlue);
  rec = Records();
  ASSERT_EQ(rec.size(), 1u);
  EXPECT_EQ(rec[0].penColor, RGB(255, 0, 0));
}

TEST_F(GxDraw, DrawGradientExColoursThePairsInOrder) {
  DrawGradientEx(canvas.get(), TPoint(10, 20), {{0, 0}, {5, 0}, {0, 1}, {5, 1}, {0, 2}, {5, 2}, {9, 9}}, clBlack,
                 static_cast<TColor>(RGB(0, 0, 100)));
  auto rec = Records();
  ASSERT_EQ(rec.size(), 3u);  // the unpaired last point is left out
  EXPECT_STREQ(rec[0].call, "Polyline");
  EXPECT_EQ(rec[0].args[0], 10);
  EXPECT_EQ(rec[0].args[1], 20);
  EXPECT_EQ(rec[1].penColor, RGB(0, 0, 50));
  EXPECT_EQ(rec[2].penColor, RGB(0, 0, 100));
  FanoRecordStart(dc);
  DrawGradientEx(canvas.get(), TPoint(0, 0), {{0, 0}, {1, 1}}, clRed, clBlue);
  rec = Records();
  ASSERT_EQ(rec.size(), 1u);
  EXPECT_EQ(rec[0].penColor, RGB(255, 0, 0));
}

TEST_F(GxDraw, ButtonGlyphsDrawDottedLinesOnOneCheckerboard) {
  // A plus box in the middle of a list: lines above, below and to the right.
  DrawButtonGlyph(canvas.get(), Rect(0, 0, 20, 20), 3, false, 1.0, 1.0, false);
  auto rec = Records();
  ASSERT_FALSE(rec.empty());
  EXPECT_STREQ(rec[0].call, "PolyPolyline");
  EXPECT_EQ(rec[0].penColor, GetSysColor(COLOR_BTNSHADOW));
  // The box: filled, framed, then the minus bar and the plus bar.
  int lines = 0;
  for (auto& r : rec)
    if (std::string(r.call) == "LineTo") ++lines;
  EXPECT_EQ(lines, 2);
  // A minus box has one bar only.
  FanoRecordStart(dc);
  DrawButtonGlyph(canvas.get(), Rect(0, 0, 20, 20), 1, false, 1.0, 1.0, false);
  lines = 0;
  for (auto& r : Records())
    if (std::string(r.call) == "LineTo") ++lines;
  EXPECT_EQ(lines, 1);
}

TEST_F(GxDraw, ButtonGlyphDotsFollowTheCheckerboard) {
  TBitmap b;
  b.SetSize(20, 20);
  b.Canvas()->Brush()->SetColor(clWhite);
  b.Canvas()->FillRect(Rect(0, 0, 20, 20));
  // Vertical line only, starting at (10, 0): parity even. With the phase off the dots start at y 0.
  DrawButtonGlyph(b.Canvas(), Rect(0, 0, 20, 20), 9, false, 1.0, 1.0, false);
  TColor shadow = static_cast<TColor>(GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(b.Canvas()->Pixels(10, 0), shadow);
  EXPECT_EQ(b.Canvas()->Pixels(10, 1), clWhite);
  EXPECT_EQ(b.Canvas()->Pixels(10, 2), shadow);
  // With the phase on they move one pixel down.
  b.Canvas()->FillRect(Rect(0, 0, 20, 20));
  DrawButtonGlyph(b.Canvas(), Rect(0, 0, 20, 20), 9, false, 1.0, 1.0, true);
  EXPECT_EQ(b.Canvas()->Pixels(10, 0), clWhite);
  EXPECT_EQ(b.Canvas()->Pixels(10, 1), shadow);
}

TEST_F(GxDraw, TextAndRectangleForwarders) {
  TRect r(0, 0, 100, 0);
  int h = DrawTextGx(canvas->Handle(), "金额 and more", 6, r, DT_CALCRECT | DT_SINGLELINE);
  // The handle carries the canvas's font; the two characters of the first 6 bytes.
  EXPECT_EQ(h, canvas->TextHeight("金额"));
  EXPECT_EQ(r.Right, canvas->TextWidth("金额"));
  EXPECT_NE(h, 16);  // not the context's default font
  DRAWTEXTPARAMS p{sizeof(DRAWTEXTPARAMS), 4, 3, 0, 0};
  TRect r2(0, 0, 100, 40);
  EXPECT_GT(DrawTextExGx(canvas->Handle(), "x", -1, r2, DT_LEFT, &p), 0);
  EXPECT_EQ(p.iLeftMargin, 3);  // the caller's record is not written
  EXPECT_EQ(EmptyRectGx(), TRect(0, 0, 0, 0));
  EXPECT_EQ(CopyRectGx(Rect(1, 2, 3, 4)), Rect(1, 2, 3, 4));
  TRect lp(1, 1, 5, 5);
  SetViewportOrgEx(canvas->Handle(), 10, 20, nullptr);
  WindowsLPtoDP(canvas->Handle(), lp);
  EXPECT_EQ(lp, Rect(11, 21, 15, 25));
  // A count past the points is cut to them.
  HRGN rgn = WindowsCreatePolygonRgn({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, 99, ALTERNATE);
  ASSERT_NE(rgn, nullptr);
  RECT box;
  GetRgnBox(rgn, &box);
  EXPECT_EQ(TRect(box), Rect(0, 0, 10, 10));
  DeleteObject(rgn);
}

TEST_F(GxDraw, TheSystemCheckBoxBitmapIsAFourByThreeGrid) {
  HBITMAP b = LoadBitmapGx(nullptr, OBM_CHECKBOXES);
  ASSERT_NE(b, nullptr);
  BITMAP bm{};
  GetObjectA(b, sizeof bm, &bm);
  EXPECT_EQ(bm.bmWidth / 4, 13);
  EXPECT_EQ(bm.bmHeight / 3, 13);
  DeleteObject(b);
  EXPECT_EQ(LoadBitmapGx(nullptr, "NoSuchBitmap"), nullptr);
}

TEST_F(GxDraw, ImagesAreCentredAndClippedToTheirCell) {
  TImageList list(nullptr, 6, 6);
  TBitmap img;
  img.SetSize(6, 6);
  img.Canvas()->Brush()->SetColor(clRed);
  img.Canvas()->FillRect(Rect(0, 0, 6, 6));
  list.Add(&img, nullptr);
  TBitmap target;
  target.SetSize(20, 20);
  target.Canvas()->Brush()->SetColor(clWhite);
  target.Canvas()->FillRect(Rect(0, 0, 20, 20));
  DrawImageInRect(target.Canvas()->Handle(), Rect(0, 0, 10, 10), &list, 0, false);
  EXPECT_EQ(target.Canvas()->Pixels(2, 2), clRed);  // (10 - 6) / 2
  EXPECT_EQ(target.Canvas()->Pixels(1, 1), clWhite);
  EXPECT_EQ(target.Canvas()->Pixels(7, 7), clRed);
  EXPECT_EQ(target.Canvas()->Pixels(8, 8), clWhite);
  // A cell smaller than the image: clipped to the cell.
  DrawImageInRect(target.Canvas()->Handle(), Rect(12, 12, 16, 16), &list, 0, false);
  EXPECT_EQ(target.Canvas()->Pixels(12, 12), clRed);
  EXPECT_EQ(target.Canvas()->Pixels(16, 16), clWhite);
  EXPECT_EQ(target.Canvas()->Pixels(11, 11), clWhite);
  // Selected: blended with the highlight colour.
  DrawImageInRect(target.Canvas()->Handle(), Rect(0, 10, 10, 20), &list, 0, true);
  EXPECT_NE(target.Canvas()->Pixels(4, 14), clRed);
  // No list: nothing.
  DrawImageInRect(target.Canvas()->Handle(), Rect(0, 0, 10, 10), nullptr, 0, false);
}

TEST_F(GxDraw, DoubleClickTimeAndDistance) {
  EXPECT_TRUE(IsDoubleClick(TPoint(10, 10), TPoint(11, 12), 100));
  EXPECT_FALSE(IsDoubleClick(TPoint(10, 10), TPoint(10, 10), GetDoubleClickTime() + 1));
  EXPECT_FALSE(IsDoubleClick(TPoint(10, 10), TPoint(10 + GetSystemMetrics(SM_CXDOUBLECLK) + 1, 10), 10));
}

TEST_F(GxDraw, APendingPressIsTakenOffTheQueue) {
  auto* form = new TForm(nullptr);
  form->SetBounds(50, 50, 200, 150);
  auto* w = new TCustomControl(form);
  w->SetBounds(10, 10, 50, 30);
  w->SetParent(form);
  auto* g = new TGraphicControl(form);
  g->SetBounds(100, 10, 40, 30);
  g->SetParent(form);
  form->Show();
  Application->ProcessMessages();
  EXPECT_FALSE(IsMouseDownPending(w));
  TPoint p = w->ClientToScreen(TPoint(5, 5));
  FanoInputMouseButton(0, TRUE, p.X, p.Y);
  EXPECT_TRUE(IsMouseDownPending(w));
  EXPECT_FALSE(IsMouseDownPending(w));  // taken
  // On the windowless control: through its parent's window.
  TPoint q = g->ClientToScreen(TPoint(5, 5));
  FanoInputMouseButton(0, FALSE, p.X, p.Y);
  Application->ProcessMessages();
  FanoInputMouseButton(0, TRUE, q.X, q.Y);
  EXPECT_FALSE(IsMouseDownPending(w));
  EXPECT_TRUE(IsMouseDownPending(g));
  FanoInputMouseButton(0, FALSE, q.X, q.Y);
  Application->ProcessMessages();
  form->Free();
}

}  // namespace
