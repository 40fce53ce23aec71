// Regions, clipping, coordinate mapping and the handle rules of device contexts and objects.
#include <gtest/gtest.h>

#include <chrono>

#include "platform/os/gdi_test_util.h"
#include "platform/os/wingdi.h"

using namespace gdi_test;

namespace {

RECT Box(HRGN r) {
  RECT b{};
  GetRgnBox(r, &b);
  return b;
}

bool Eq(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace

TEST(GdiRegions, CombineModes) {
  HRGN a = CreateRectRgn(0, 0, 10, 10);
  HRGN b = CreateRectRgn(5, 5, 15, 15);
  HRGN d = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetRgnBox(d, nullptr), ERROR);
  RECT e{};
  EXPECT_EQ(GetRgnBox(d, &e), NULLREGION);

  EXPECT_EQ(CombineRgn(d, a, b, RGN_AND), SIMPLEREGION);
  EXPECT_TRUE(Eq(Box(d), RECT{5, 5, 10, 10}));
  EXPECT_EQ(CombineRgn(d, a, b, RGN_OR), COMPLEXREGION);
  EXPECT_TRUE(Eq(Box(d), RECT{0, 0, 15, 15}));
  EXPECT_FALSE(PtInRegion(d, 12, 2));
  EXPECT_EQ(CombineRgn(d, a, b, RGN_XOR), COMPLEXREGION);
  EXPECT_FALSE(PtInRegion(d, 7, 7));
  EXPECT_TRUE(PtInRegion(d, 2, 2));
  EXPECT_TRUE(PtInRegion(d, 12, 12));
  EXPECT_EQ(CombineRgn(d, a, b, RGN_DIFF), COMPLEXREGION);
  EXPECT_TRUE(PtInRegion(d, 2, 7));
  EXPECT_FALSE(PtInRegion(d, 7, 7));
  EXPECT_EQ(CombineRgn(d, b, nullptr, RGN_COPY), SIMPLEREGION);
  EXPECT_TRUE(EqualRgn(d, b));
  EXPECT_EQ(CombineRgn(d, a, nullptr, RGN_AND), ERROR);
  EXPECT_EQ(CombineRgn(d, a, b, 9), ERROR);
  // Right and bottom edges are outside.
  EXPECT_TRUE(PtInRegion(a, 9, 9));
  EXPECT_FALSE(PtInRegion(a, 10, 9));
  RECT in{9, 9, 20, 20}, out{10, 0, 20, 5};
  EXPECT_TRUE(RectInRegion(a, &in));
  EXPECT_FALSE(RectInRegion(a, &out));
  EXPECT_EQ(OffsetRgn(a, 3, -2), SIMPLEREGION);
  EXPECT_TRUE(Eq(Box(a), RECT{3, -2, 13, 8}));
  EXPECT_TRUE(SetRectRgn(a, 1, 1, 2, 2));
  EXPECT_TRUE(Eq(Box(a), RECT{1, 1, 2, 2}));
  for (HRGN r : {a, b, d}) EXPECT_TRUE(DeleteObject(r));
  EXPECT_FALSE(PtInRegion(a, 1, 1));  // stale handle
  EXPECT_EQ(CombineRgn(a, b, d, RGN_OR), ERROR);
}

TEST(GdiRegions, PolygonRegions) {
  POINT sq[] = {{2, 3}, {12, 3}, {12, 9}, {2, 9}};
  HRGN p = CreatePolygonRgn(sq, 4, ALTERNATE);
  HRGN r = CreateRectRgn(2, 3, 12, 9);
  EXPECT_TRUE(EqualRgn(p, r));
  // The triangle of a bottom-right size grip: (0, H), (W, H), (W, 0).
  POINT tri[] = {{0, 10}, {10, 10}, {10, 0}};
  HRGN t = CreatePolygonRgn(tri, 3, WINDING);
  EXPECT_TRUE(PtInRegion(t, 9, 9));
  EXPECT_TRUE(PtInRegion(t, 9, 1));
  EXPECT_FALSE(PtInRegion(t, 1, 1));
  EXPECT_FALSE(PtInRegion(t, 0, 9) && PtInRegion(t, 9, 0) && PtInRegion(t, 1, 1));
  // Winding against alternate on a figure that overlaps itself.
  POINT twice[] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}, {10, 0}, {10, 10}, {0, 10}};
  HRGN w = CreatePolygonRgn(twice, 8, WINDING), a = CreatePolygonRgn(twice, 8, ALTERNATE);
  EXPECT_TRUE(PtInRegion(w, 5, 5));
  EXPECT_FALSE(PtInRegion(a, 5, 5));
  EXPECT_EQ(CreatePolygonRgn(sq, 4, 7), nullptr);
  EXPECT_EQ(CreatePolygonRgn(nullptr, 4, WINDING), nullptr);
  HRGN e = CreateEllipticRgn(0, 0, 10, 6);
  EXPECT_TRUE(PtInRegion(e, 5, 3));
  EXPECT_FALSE(PtInRegion(e, 0, 0));
  EXPECT_TRUE(Eq(Box(e), RECT{0, 0, 10, 6}));
  for (HRGN x : {p, r, t, w, a, e}) DeleteObject(x);
}

TEST(GdiRegions, AbsurdPolygonsFailFastInsteadOfHanging) {
  auto start = std::chrono::steady_clock::now();
  POINT huge[] = {{-2000000000, -2000000000}, {2000000000, 1999999999}, {0, 2000000000}};
  HRGN r = CreatePolygonRgn(huge, 3, WINDING);
  if (r) DeleteObject(r);
  // Drawing the same polygon clips to the bitmap and is cheap.
  MemCanvas c(16, 16);
  Selected b(c.dc, CreateSolidBrush(kBlack));
  EXPECT_TRUE(Polygon(c.dc, huge, 3));
  MoveToEx(c.dc, -2000000000, 5, nullptr);
  EXPECT_TRUE(LineTo(c.dc, 2000000000, 5));
  EXPECT_EQ(c.At(8, 5), kBlack);
  EXPECT_TRUE(Ellipse(c.dc, -2000000000, -2000000000, 2000000000, 2000000000));
  auto secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_LT(secs, 5.0);
}

TEST(GdiClipping, ClipRectanglesAndRegions) {
  MemCanvas c(20, 20);
  HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  RECT all{0, 0, 20, 20};
  HRGN probe = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetClipRgn(c.dc, probe), 0);
  RECT box{};
  EXPECT_EQ(GetClipBox(c.dc, &box), SIMPLEREGION);
  EXPECT_TRUE(Eq(box, RECT{0, 0, 20, 20}));

  int saved = SaveDC(c.dc);
  EXPECT_EQ(IntersectClipRect(c.dc, 2, 2, 10, 10), SIMPLEREGION);
  EXPECT_EQ(ExcludeClipRect(c.dc, 4, 4, 6, 6), COMPLEXREGION);
  EXPECT_EQ(GetClipRgn(c.dc, probe), 1);
  EXPECT_TRUE(Eq(Box(probe), RECT{2, 2, 10, 10}));
  FillRect(c.dc, &all, black);
  EXPECT_FALSE(PtVisible(c.dc, 4, 4));
  EXPECT_TRUE(PtVisible(c.dc, 3, 3));
  RECT inHole{4, 4, 6, 6};
  EXPECT_FALSE(RectVisible(c.dc, &inHole));
  EXPECT_EQ(c.At(4, 4), CLR_INVALID);  // GetPixel outside the clip region
  ASSERT_TRUE(RestoreDC(c.dc, saved));
  EXPECT_EQ(GetClipRgn(c.dc, probe), 0);
  EXPECT_EQ(c.At(2, 2), kBlack);
  EXPECT_EQ(c.At(9, 9), kBlack);
  EXPECT_EQ(c.At(10, 9), kWhite);
  EXPECT_EQ(c.At(1, 5), kWhite);
  EXPECT_EQ(c.At(4, 4), kWhite);  // the excluded hole
  EXPECT_EQ(c.At(5, 5), kWhite);
  EXPECT_EQ(c.At(6, 6), kBlack);

  // ExtSelectClipRgn combines with the current clip; SelectClipRgn(0) removes it.
  HRGN a = CreateRectRgn(12, 12, 16, 16), b = CreateRectRgn(14, 14, 18, 18);
  EXPECT_EQ(SelectClipRgn(c.dc, a), SIMPLEREGION);
  EXPECT_EQ(ExtSelectClipRgn(c.dc, b, RGN_OR), COMPLEXREGION);
  DeleteObject(a);  // the DC keeps its own copy
  FillRect(c.dc, &all, black);
  EXPECT_EQ(c.At(12, 12), kBlack);
  EXPECT_EQ(c.At(17, 17), kBlack);
  EXPECT_EQ(c.At(17, 12), CLR_INVALID);
  EXPECT_EQ(ExtSelectClipRgn(c.dc, b, RGN_DIFF), COMPLEXREGION);
  EXPECT_EQ(GetClipBox(c.dc, &box), COMPLEXREGION);
  EXPECT_TRUE(Eq(box, RECT{12, 12, 16, 16}));
  EXPECT_EQ(SelectClipRgn(c.dc, nullptr), SIMPLEREGION);
  EXPECT_EQ(GetClipRgn(c.dc, probe), 0);
  EXPECT_EQ(c.At(17, 12), kWhite);
  EXPECT_EQ(ExtSelectClipRgn(c.dc, nullptr, RGN_AND), ERROR);
  DeleteObject(b);
  DeleteObject(probe);
}

TEST(GdiClipping, SaveAndRestoreLevels) {
  MemCanvas c(4, 4);
  SetTextColor(c.dc, kRed);
  int l1 = SaveDC(c.dc);
  SetTextColor(c.dc, kGreen);
  int l2 = SaveDC(c.dc);
  SetTextColor(c.dc, kBlue);
  EXPECT_EQ(l1, 1);
  EXPECT_EQ(l2, 2);
  EXPECT_TRUE(RestoreDC(c.dc, -1));
  EXPECT_EQ(GetTextColor(c.dc), kGreen);
  EXPECT_FALSE(RestoreDC(c.dc, 2));  // that level is gone
  EXPECT_TRUE(RestoreDC(c.dc, 1));
  EXPECT_EQ(GetTextColor(c.dc), kRed);
  EXPECT_FALSE(RestoreDC(c.dc, -1));
  EXPECT_FALSE(RestoreDC(c.dc, 0));
}

TEST(GdiCoordinates, ViewportAndWindowOrigins) {
  MemCanvas c(30, 30);
  POINT old{};
  SetViewportOrgEx(c.dc, 10, 5, &old);
  EXPECT_EQ(old.x, 0);
  HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  RECT r{0, 0, 2, 2};
  FillRect(c.dc, &r, black);
  EXPECT_EQ(c.At(0, 0), kBlack);  // GetPixel takes logical coordinates too
  SetViewportOrgEx(c.dc, 0, 0, nullptr);
  EXPECT_EQ(c.At(10, 5), kBlack);
  EXPECT_EQ(c.At(12, 5), kWhite);
  OffsetViewportOrgEx(c.dc, 3, 3, nullptr);
  OffsetViewportOrgEx(c.dc, 1, -1, nullptr);
  POINT vp{};
  GetViewportOrgEx(c.dc, &vp);
  EXPECT_EQ(vp.x, 4);
  EXPECT_EQ(vp.y, 2);
  SetWindowOrgEx(c.dc, 2, 2, nullptr);
  POINT p[2] = {{2, 2}, {5, 7}};
  LPtoDP(c.dc, p, 2);
  EXPECT_EQ(p[0].x, 4);
  EXPECT_EQ(p[0].y, 2);
  EXPECT_EQ(p[1].x, 7);
  EXPECT_EQ(p[1].y, 7);
  DPtoLP(c.dc, p, 2);
  EXPECT_EQ(p[1].x, 5);
  EXPECT_EQ(p[1].y, 7);
  // Clip regions stay in device units whatever the origins.
  HRGN clip = CreateRectRgn(0, 0, 5, 5);
  SelectClipRgn(c.dc, clip);
  DeleteObject(clip);
  RECT box{};
  GetClipBox(c.dc, &box);  // logical
  EXPECT_EQ(box.left, -2);
  EXPECT_EQ(box.top, 0);
  // Mirroring through the extents (right-to-left grids).
  SelectClipRgn(c.dc, nullptr);
  SetViewportOrgEx(c.dc, 0, 0, nullptr);
  SetWindowOrgEx(c.dc, 0, 0, nullptr);
  SetMapMode(c.dc, MM_ANISOTROPIC);
  SetWindowOrgEx(c.dc, 30, 0, nullptr);
  SetWindowExtEx(c.dc, -30, 30, nullptr);
  SetViewportExtEx(c.dc, 30, 30, nullptr);
  RECT m{0, 20, 3, 22};
  FillRect(c.dc, &m, black);
  SetMapMode(c.dc, MM_TEXT);
  SetWindowOrgEx(c.dc, 0, 0, nullptr);
  EXPECT_EQ(c.At(29, 20), kBlack);
  EXPECT_EQ(c.At(27, 21), kBlack);
  EXPECT_EQ(c.At(26, 21), kWhite);
  EXPECT_EQ(c.At(0, 20), kWhite);
}

TEST(GdiObjects, HandlesAreValidatedAndStockObjectsSurvive) {
  HPEN pen = CreatePen(PS_SOLID, 1, kRed);
  ASSERT_NE(pen, nullptr);
  EXPECT_EQ(GetObjectType(pen), static_cast<DWORD>(OBJ_PEN));
  EXPECT_TRUE(DeleteObject(pen));
  EXPECT_FALSE(DeleteObject(pen));
  EXPECT_EQ(GetObjectType(pen), 0u);
  EXPECT_EQ(GetObjectA(pen, sizeof(LOGPEN), nullptr), 0);
  EXPECT_FALSE(DeleteObject(nullptr));
  EXPECT_FALSE(DeleteObject(reinterpret_cast<HGDIOBJ>(uintptr_t(0x1234))));
  HGDIOBJ white = GetStockObject(WHITE_BRUSH);
  EXPECT_TRUE(DeleteObject(white));
  EXPECT_EQ(GetObjectType(white), static_cast<DWORD>(OBJ_BRUSH));
  EXPECT_EQ(GetStockObject(9), nullptr);
  EXPECT_EQ(GetStockObject(-1), nullptr);
  // A DC is not an object for DeleteObject, and a bad DC fails every call.
  HDC dc = CreateCompatibleDC(nullptr);
  EXPECT_EQ(GetObjectType(dc), static_cast<DWORD>(OBJ_MEMDC));
  EXPECT_FALSE(DeleteObject(dc));
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_FALSE(DeleteDC(dc));
  EXPECT_EQ(SetBkColor(dc, 0), CLR_INVALID);
  EXPECT_FALSE(LineTo(dc, 1, 1));
  EXPECT_EQ(SelectObject(dc, GetStockObject(BLACK_PEN)), nullptr);
  EXPECT_EQ(CreateCompatibleDC(dc), nullptr);
}

TEST(GdiObjects, SelectedObjectsAndBitmaps) {
  HDC a = CreateCompatibleDC(nullptr), b = CreateCompatibleDC(nullptr);
  // A fresh memory DC holds a 1 x 1 monochrome bitmap, so its compatible bitmaps are monochrome.
  HBITMAP def = static_cast<HBITMAP>(GetCurrentObject(a, OBJ_BITMAP));
  BITMAP info{};
  ASSERT_EQ(GetObjectA(def, sizeof info, &info), static_cast<int>(sizeof info));
  EXPECT_EQ(info.bmWidth, 1);
  EXPECT_EQ(info.bmBitsPixel, 1);
  HBITMAP mono = CreateCompatibleBitmap(a, 8, 8);
  GetObjectA(mono, sizeof info, &info);
  EXPECT_EQ(info.bmBitsPixel, 1);
  HBITMAP color = CreateBitmap(8, 4, 1, 32, nullptr);
  GetObjectA(color, sizeof info, &info);
  EXPECT_EQ(info.bmBitsPixel, 32);
  EXPECT_EQ(info.bmWidthBytes, 32);
  EXPECT_EQ(SelectObject(a, color), def);
  HBITMAP compat = CreateCompatibleBitmap(a, 2, 2);
  GetObjectA(compat, sizeof info, &info);
  EXPECT_EQ(info.bmBitsPixel, 32);
  // One bitmap, one DC.
  EXPECT_EQ(SelectObject(b, color), nullptr);
  EXPECT_FALSE(DeleteObject(color));
  SelectObject(a, def);
  EXPECT_TRUE(DeleteObject(color));
  // A pen deleted while selected keeps drawing; its handle is gone.
  HPEN red = CreatePen(PS_SOLID, 1, kRed);
  SelectObject(a, mono);
  HGDIOBJ oldPen = SelectObject(a, red);
  EXPECT_TRUE(DeleteObject(red));
  EXPECT_TRUE(LineTo(a, 5, 5));
  EXPECT_EQ(GetCurrentObject(a, OBJ_PEN), red);
  SelectObject(a, oldPen);
  for (HBITMAP x : {mono, compat}) {
    SelectObject(a, def);
    DeleteObject(x);
  }
  // Zero-sized bitmaps are 1 x 1 monochrome; absurd sizes fail.
  HBITMAP z = CreateCompatibleBitmap(b, 0, 5);
  GetObjectA(z, sizeof info, &info);
  EXPECT_EQ(info.bmWidth, 1);
  DeleteObject(z);
  EXPECT_EQ(CreateBitmap(1 << 20, 1 << 20, 1, 32, nullptr), nullptr);
  EXPECT_EQ(CreateBitmap(-1, 5, 1, 32, nullptr), nullptr);
  DeleteDC(a);
  DeleteDC(b);
}

TEST(GdiObjects, GetObjectReportsWhatWasCreated) {
  HBRUSH h = CreateHatchBrush(HS_CROSS, kBlue);
  LOGBRUSH lb{};
  ASSERT_EQ(GetObjectA(h, sizeof lb, &lb), static_cast<int>(sizeof lb));
  EXPECT_EQ(lb.lbStyle, static_cast<UINT>(BS_HATCHED));
  EXPECT_EQ(lb.lbColor, kBlue);
  EXPECT_EQ(lb.lbHatch, static_cast<UINT_PTR>(HS_CROSS));
  DeleteObject(h);
  EXPECT_EQ(CreateHatchBrush(17, kBlue), nullptr);
  LOGBRUSH sys{};
  GetObjectA(GetSysColorBrush(COLOR_HIGHLIGHT), sizeof sys, &sys);
  EXPECT_EQ(sys.lbColor, GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(GetSysColorBrush(99), nullptr);
  HPALETTE pal = CreateHalftonePalette(nullptr);
  WORD n = 0;
  GetObjectA(pal, sizeof n, &n);
  EXPECT_EQ(n, 236);
  EXPECT_EQ(GetNearestPaletteIndex(pal, RGB(255, 255, 255)), 19u);
  DeleteObject(pal);
}

TEST(GdiObjects, SystemColoursChangeTheirBrushes) {
  int idx = COLOR_INFOBK;
  COLORREF old = GetSysColor(idx), want = RGB(1, 2, 3);
  ASSERT_TRUE(SetSysColors(1, &idx, &want));
  EXPECT_EQ(GetSysColor(idx), want);
  MemCanvas c(4, 4);
  RECT r{0, 0, 4, 4};
  FillRect(c.dc, &r, GetSysColorBrush(idx));
  EXPECT_EQ(c.At(1, 1), want);
  SetSysColors(1, &idx, &old);
  int bad = 200;
  EXPECT_FALSE(SetSysColors(1, &bad, &want));
}
