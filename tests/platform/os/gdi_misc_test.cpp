// Region painting, DC brush and pen colours, device capabilities, isotropic mapping and clip offsets.
#include <gtest/gtest.h>

#include "platform/os/gdi_test_util.h"
#include "platform/os/wingdi.h"

using namespace gdi_test;

TEST(GdiRegionPaint, FillFramePaintInvert) {
  MemCanvas c(20, 20);
  HRGN r = CreateRectRgn(2, 2, 10, 8);
  HBRUSH red = CreateSolidBrush(kRed);
  SetROP2(c.dc, R2_XORPEN);  // FillRgn ignores the binary raster operation
  ASSERT_TRUE(FillRgn(c.dc, r, red));
  EXPECT_EQ(c.At(2, 2), kRed);
  EXPECT_EQ(c.At(9, 7), kRed);
  EXPECT_EQ(c.At(10, 7), kWhite);
  SetROP2(c.dc, R2_COPYPEN);
  // FrameRgn: a frame of the given thickness inside the region.
  MemCanvas f(20, 20);
  ASSERT_TRUE(FrameRgn(f.dc, r, red, 2, 1));
  EXPECT_EQ(f.Row(4, 0, 12, kRed), "..##....##..");
  EXPECT_EQ(f.Row(2, 0, 12, kRed), "..########..");
  EXPECT_EQ(f.Row(3, 0, 12, kRed), "..##....##..");
  EXPECT_FALSE(FrameRgn(f.dc, r, red, 0, 1));
  // PaintRgn uses the selected brush and the ROP2; InvertRgn inverts.
  MemCanvas p(20, 20);
  Selected b(p.dc, CreateSolidBrush(kBlue));
  ASSERT_TRUE(PaintRgn(p.dc, r));
  EXPECT_EQ(p.At(5, 5), kBlue);
  ASSERT_TRUE(InvertRgn(p.dc, r));
  EXPECT_EQ(p.At(5, 5), RGB(255, 255, 0));
  // Regions are logical: the viewport origin moves them.
  SetViewportOrgEx(p.dc, 10, 10, nullptr);
  FillRgn(p.dc, r, red);
  SetViewportOrgEx(p.dc, 0, 0, nullptr);
  EXPECT_EQ(p.At(12, 12), kRed);
  HRGN round = CreateRoundRectRgn(0, 0, 20, 20, 8, 8);
  EXPECT_FALSE(PtInRegion(round, 0, 0));
  EXPECT_TRUE(PtInRegion(round, 10, 0));
  EXPECT_TRUE(PtInRegion(round, 10, 10));
  EXPECT_FALSE(FillRgn(p.dc, nullptr, red));
  DeleteObject(round);
  DeleteObject(r);
  DeleteObject(red);
}

TEST(GdiStockObjects, DcBrushAndPenFollowTheirColours) {
  MemCanvas c(10, 10);
  HGDIOBJ oldB = SelectObject(c.dc, GetStockObject(DC_BRUSH));
  HGDIOBJ oldP = SelectObject(c.dc, GetStockObject(DC_PEN));
  EXPECT_EQ(SetDCBrushColor(c.dc, kGreen), kWhite);
  EXPECT_EQ(SetDCPenColor(c.dc, kRed), kBlack);
  Rectangle(c.dc, 0, 0, 6, 6);
  EXPECT_EQ(c.At(0, 0), kRed);
  EXPECT_EQ(c.At(2, 2), kGreen);
  EXPECT_EQ(GetDCBrushColor(c.dc), kGreen);
  SelectObject(c.dc, oldB);
  SelectObject(c.dc, oldP);
  // The DC starts with the stock black pen, white brush and system font.
  HDC fresh = CreateCompatibleDC(nullptr);
  EXPECT_EQ(GetCurrentObject(fresh, OBJ_PEN), GetStockObject(BLACK_PEN));
  EXPECT_EQ(GetCurrentObject(fresh, OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(GetCurrentObject(fresh, OBJ_FONT), GetStockObject(SYSTEM_FONT));
  EXPECT_EQ(GetCurrentObject(fresh, OBJ_PAL), GetStockObject(DEFAULT_PALETTE));
  EXPECT_EQ(GetBkColor(fresh), kWhite);
  EXPECT_EQ(GetBkMode(fresh), OPAQUE);
  EXPECT_EQ(GetROP2(fresh), R2_COPYPEN);
  EXPECT_EQ(GetMapMode(fresh), MM_TEXT);
  EXPECT_EQ(SetBkMode(fresh, 7), 0);
  EXPECT_EQ(SetROP2(fresh, 0), 0);
  DeleteDC(fresh);
}

TEST(GdiDeviceCaps, ScreenAnswers) {
  HDC dc = CreateCompatibleDC(nullptr);
  EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSX), 96);
  EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSY), 96);
  EXPECT_EQ(GetDeviceCaps(dc, BITSPIXEL), 32);
  EXPECT_EQ(GetDeviceCaps(dc, PLANES), 1);
  EXPECT_EQ(GetDeviceCaps(dc, NUMCOLORS), -1);  // more than 256 colours
  EXPECT_EQ(GetDeviceCaps(dc, TECHNOLOGY), DT_RASDISPLAY);
  EXPECT_GT(GetDeviceCaps(dc, HORZRES), 0);
  EXPECT_TRUE(GetDeviceCaps(dc, RASTERCAPS) & RC_STRETCHBLT);
  HPALETTE pal = CreateHalftonePalette(dc);
  EXPECT_EQ(SelectPalette(dc, pal, FALSE), GetStockObject(DEFAULT_PALETTE));
  EXPECT_EQ(RealizePalette(dc), 0u);
  EXPECT_EQ(SelectPalette(dc, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), FALSE), pal);
  DeleteObject(pal);
  DeleteDC(dc);
  EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSX), 0);
}

TEST(GdiCoordinates, IsotropicKeepsUnitsSquareAndClipOffsets) {
  MemCanvas c(40, 40);
  SetMapMode(c.dc, MM_ISOTROPIC);
  SetWindowExtEx(c.dc, 10, 10, nullptr);
  SetViewportExtEx(c.dc, 40, 20, nullptr);  // the wider axis gives in: 2 pixels per unit both ways
  SIZE vp{};
  GetViewportExtEx(c.dc, &vp);
  EXPECT_EQ(vp.cx, 20);
  EXPECT_EQ(vp.cy, 20);
  POINT p{5, 5};
  LPtoDP(c.dc, &p, 1);
  EXPECT_EQ(p.x, 10);
  EXPECT_EQ(p.y, 10);
  SIZE old{};
  EXPECT_FALSE(SetWindowExtEx(c.dc, 0, 5, &old));
  SetMapMode(c.dc, MM_TEXT);
  GetViewportExtEx(c.dc, &vp);
  EXPECT_EQ(vp.cx, 1);
  EXPECT_EQ(SetMapMode(c.dc, 42), 0);
  // OffsetClipRgn moves the clip in device units.
  IntersectClipRect(c.dc, 0, 0, 4, 4);
  OffsetClipRgn(c.dc, 10, 10);
  RECT box{};
  GetClipBox(c.dc, &box);
  EXPECT_EQ(box.left, 10);
  EXPECT_EQ(box.bottom, 14);
}
