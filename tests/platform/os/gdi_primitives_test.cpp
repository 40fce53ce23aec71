// Pixel rules of the primitives: end points, right and bottom edges, pens, brushes, XOR drawing.
#include <gtest/gtest.h>

#include "platform/os/wingdi.h"
#include "platform/os/gdi_test_util.h"

using namespace gdi_test;

TEST(GdiLines, LinesExcludeTheirLastPoint) {
  MemCanvas c(20, 20);
  MoveToEx(c.dc, 2, 3, nullptr);
  ASSERT_TRUE(LineTo(c.dc, 8, 3));
  EXPECT_EQ(c.Row(3, 0, 10), "..######..");
  POINT cur{};
  GetCurrentPositionEx(c.dc, &cur);
  EXPECT_EQ(cur.x, 8);
  EXPECT_EQ(cur.y, 3);
  // Vertical, upwards: the start is drawn, the end is not.
  MoveToEx(c.dc, 10, 9, nullptr);
  LineTo(c.dc, 10, 5);
  EXPECT_EQ(c.Col(10, 4, 11), "..####.");
  // Diagonal.
  MoveToEx(c.dc, 12, 12, nullptr);
  LineTo(c.dc, 16, 16);
  EXPECT_EQ(c.At(12, 12), kBlack);
  EXPECT_EQ(c.At(15, 15), kBlack);
  EXPECT_EQ(c.At(16, 16), kWhite);
  // A zero-length line draws nothing.
  MoveToEx(c.dc, 1, 18, nullptr);
  LineTo(c.dc, 1, 18);
  EXPECT_EQ(c.At(1, 18), kWhite);
}

TEST(GdiLines, PolylineDrawsEveryVertexButTheLast) {
  MemCanvas c(12, 12);
  POINT pts[] = {{1, 1}, {6, 1}, {6, 6}};
  ASSERT_TRUE(Polyline(c.dc, pts, 3));
  EXPECT_EQ(c.Row(1, 0, 8), ".######.");  // the corner (6,1) starts the second segment
  EXPECT_EQ(c.Col(6, 0, 8), ".#####..");
  EXPECT_FALSE(Polyline(c.dc, pts, 1));
  // PolyPolyline draws each list alone.
  POINT two[] = {{0, 9}, {4, 9}, {8, 9}, {11, 9}};
  DWORD counts[] = {2, 2};
  ASSERT_TRUE(PolyPolyline(c.dc, two, counts, 2));
  EXPECT_EQ(c.Row(9, 0, 12), "####....###.");
}

TEST(GdiLines, DottedPenFillsGapsOnlyWhenOpaque) {
  MemCanvas c(20, 4);
  Selected pen(c.dc, CreatePen(PS_DOT, 1, kBlack));
  SetBkColor(c.dc, kRed);
  SetBkMode(c.dc, TRANSPARENT);
  MoveToEx(c.dc, 0, 1, nullptr);
  LineTo(c.dc, 12, 1);
  EXPECT_EQ(c.Row(1, 0, 13), "###...###....");
  SetBkMode(c.dc, OPAQUE);
  MoveToEx(c.dc, 0, 2, nullptr);
  LineTo(c.dc, 12, 2);
  EXPECT_EQ(c.Row(2, 0, 13, kBlack, kRed), "###...###...?");
  // A dotted pen wider than 1 draws solid, as the original does.
  Selected wide(c.dc, CreatePen(PS_DOT, 2, kBlack));
  LOGPEN lp{};
  ASSERT_EQ(GetObjectA(wide.obj, sizeof lp, &lp), static_cast<int>(sizeof lp));
  EXPECT_EQ(lp.lopnStyle, static_cast<UINT>(PS_SOLID));
}

TEST(GdiLines, WidePenFlatCapsStayBetweenTheEnds) {
  MemCanvas c(20, 20);
  LOGBRUSH lb{BS_SOLID, kBlack, 0};
  Selected pen(c.dc, ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_FLAT, 3, &lb, 0, nullptr));
  ASSERT_NE(pen.obj, nullptr);
  MoveToEx(c.dc, 2, 10, nullptr);
  LineTo(c.dc, 12, 10);
  for (int y : {9, 10, 11}) EXPECT_EQ(c.Row(y, 0, 14), "..##########..") << y;
  EXPECT_EQ(c.Row(8, 0, 14), "..............");
  EXPECT_EQ(c.Row(12, 0, 14), "..............");
  // Round caps (CreatePen wider than 1) reach past the ends.
  MemCanvas r(20, 20);
  Selected round(r.dc, CreatePen(PS_SOLID, 5, kBlack));
  MoveToEx(r.dc, 5, 10, nullptr);
  LineTo(r.dc, 12, 10);
  EXPECT_EQ(r.At(4, 10), kBlack);
  EXPECT_EQ(r.At(13, 10), kBlack);
  EXPECT_EQ(r.At(8, 12), kBlack);
  EXPECT_EQ(r.At(8, 13), kWhite);
}

TEST(GdiLines, ExtCreatePenRejectsBadCombinations) {
  LOGBRUSH lb{BS_SOLID, kBlack, 0};
  EXPECT_EQ(ExtCreatePen(PS_COSMETIC | PS_SOLID, 2, &lb, 0, nullptr), nullptr);  // cosmetic pens are 1 wide
  EXPECT_EQ(ExtCreatePen(PS_GEOMETRIC | PS_ALTERNATE, 2, &lb, 0, nullptr), nullptr);
  EXPECT_EQ(ExtCreatePen(PS_GEOMETRIC | PS_USERSTYLE, 2, &lb, 0, nullptr), nullptr);
  DWORD style[] = {2, 1};
  HPEN p = ExtCreatePen(PS_COSMETIC | PS_USERSTYLE, 1, &lb, 2, style);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(GetObjectType(p), static_cast<DWORD>(OBJ_EXTPEN));
  MemCanvas c(10, 3);
  HGDIOBJ old = SelectObject(c.dc, p);
  SetBkMode(c.dc, TRANSPARENT);
  MoveToEx(c.dc, 0, 1, nullptr);
  LineTo(c.dc, 9, 1);
  EXPECT_EQ(c.Row(1, 0, 9), "##.##.##.");
  SelectObject(c.dc, old);
  DeleteObject(p);
}

TEST(GdiShapes, RectangleExcludesRightAndBottomEdges) {
  MemCanvas c(12, 10);
  Selected brush(c.dc, CreateSolidBrush(kRed));
  ASSERT_TRUE(Rectangle(c.dc, 2, 2, 8, 6));
  EXPECT_EQ(c.Row(2, 0, 10), "..######..");
  EXPECT_EQ(c.Row(3, 0, 10, kBlack, kWhite), "..#????#..");
  EXPECT_EQ(c.At(3, 3), kRed);
  EXPECT_EQ(c.Row(5, 0, 10), "..######..");
  EXPECT_EQ(c.Row(6, 0, 10), "..........");
  // Without a pen the filled area is one pixel smaller on the right and bottom.
  MemCanvas n(12, 10);
  Selected nb(n.dc, CreateSolidBrush(kRed));
  HGDIOBJ old = SelectObject(n.dc, GetStockObject(NULL_PEN));
  Rectangle(n.dc, 2, 2, 8, 6);
  EXPECT_EQ(n.Row(2, 0, 10, kRed), "..#####...");
  EXPECT_EQ(n.Row(4, 0, 10, kRed), "..#####...");
  EXPECT_EQ(n.Row(5, 0, 10, kRed), "..........");
  SelectObject(n.dc, old);
}

TEST(GdiShapes, InsideFramePenKeepsTheFrameInside) {
  MemCanvas c(16, 16);
  Selected pen(c.dc, CreatePen(PS_INSIDEFRAME, 3, kBlack));
  Selected brush(c.dc, GetStockObject(NULL_BRUSH));
  Rectangle(c.dc, 2, 2, 12, 12);
  EXPECT_EQ(c.Row(7, 0, 14), "..###....###..");
  EXPECT_EQ(c.Col(7, 0, 14), "..###....###..");
}

TEST(GdiShapes, EllipseFitsInsideItsBox) {
  MemCanvas c(14, 14);
  Selected brush(c.dc, CreateSolidBrush(kRed));
  ASSERT_TRUE(Ellipse(c.dc, 1, 1, 11, 11));
  EXPECT_EQ(c.At(6, 6), kRed);
  EXPECT_EQ(c.At(1, 6), kBlack);   // leftmost column of the box
  EXPECT_EQ(c.At(10, 6), kBlack);  // rightmost column inside the box
  EXPECT_EQ(c.At(11, 6), kWhite);
  EXPECT_EQ(c.At(6, 10), kBlack);
  EXPECT_EQ(c.At(6, 11), kWhite);
  EXPECT_EQ(c.At(1, 1), kWhite);  // corners stay outside
  EXPECT_EQ(c.At(10, 10), kWhite);
  // The shape is symmetric.
  for (int y = 1; y < 11; ++y)
    for (int x = 1; x < 11; ++x) ASSERT_EQ(c.At(x, y), c.At(11 - x, y)) << x << "," << y;
}

TEST(GdiShapes, RoundRectCutsItsCorners) {
  MemCanvas c(20, 20);
  Selected brush(c.dc, CreateSolidBrush(kRed));
  RoundRect(c.dc, 2, 2, 18, 14, 6, 6);
  EXPECT_EQ(c.At(2, 2), kWhite);
  EXPECT_EQ(c.At(10, 2), kBlack);
  EXPECT_EQ(c.At(2, 8), kBlack);
  EXPECT_EQ(c.At(17, 8), kBlack);
  EXPECT_EQ(c.At(18, 8), kWhite);
  EXPECT_EQ(c.At(10, 8), kRed);
}

TEST(GdiShapes, PolygonFillsByModeAndOutlines) {
  // The arrow of a drop-down button: rows of 5, 3 and 1 pixels.
  MemCanvas c(12, 6);
  Selected brush(c.dc, CreateSolidBrush(kBlack));
  POINT tri[] = {{4, 1}, {8, 1}, {6, 3}};
  ASSERT_TRUE(Polygon(c.dc, tri, 3));
  EXPECT_EQ(c.Row(1, 0, 10), "....#####.");
  EXPECT_EQ(c.Row(2, 0, 10), ".....###..");
  EXPECT_EQ(c.Row(3, 0, 10), "......#...");
  EXPECT_EQ(c.Row(4, 0, 10), "..........");
  // A pentagram: its centre is inside with winding fill, outside with alternate fill.
  POINT star[] = {{10, 0}, {16, 19}, {0, 7}, {20, 7}, {4, 19}};
  MemCanvas a(22, 22), w(22, 22);
  HGDIOBJ np1 = SelectObject(a.dc, GetStockObject(NULL_PEN));
  HGDIOBJ np2 = SelectObject(w.dc, GetStockObject(NULL_PEN));
  Selected b1(a.dc, CreateSolidBrush(kBlack)), b2(w.dc, CreateSolidBrush(kBlack));
  EXPECT_EQ(GetPolyFillMode(a.dc), ALTERNATE);
  Polygon(a.dc, star, 5);
  SetPolyFillMode(w.dc, WINDING);
  Polygon(w.dc, star, 5);
  EXPECT_EQ(a.At(10, 10), kWhite);
  EXPECT_EQ(w.At(10, 10), kBlack);
  EXPECT_EQ(a.At(10, 3), kBlack);  // a point of the star
  SelectObject(a.dc, np1);
  SelectObject(w.dc, np2);
}

TEST(GdiShapes, XorDrawingTwiceErases) {
  MemCanvas c(20, 20, RGB(10, 200, 30));
  Selected brush(c.dc, CreateSolidBrush(RGB(1, 2, 3)));
  Selected pen(c.dc, CreatePen(PS_DOT, 1, RGB(200, 100, 50)));
  SetROP2(c.dc, R2_XORPEN);
  for (int pass = 0; pass < 2; ++pass) {
    Rectangle(c.dc, 1, 1, 15, 12);
    MoveToEx(c.dc, 0, 18, nullptr);
    LineTo(c.dc, 19, 18);
    Ellipse(c.dc, 3, 3, 17, 17);
    if (pass == 0) {
      EXPECT_NE(c.At(1, 1), RGB(10, 200, 30));
    }
  }
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) ASSERT_EQ(c.At(x, y), RGB(10, 200, 30)) << x << "," << y;
}

TEST(GdiShapes, Rop2CodesFollowTheirTruthTables) {
  const COLORREF pen = RGB(0xF0, 0x0F, 0xAA), dst = RGB(0xCC, 0x33, 0x55);
  struct Case {
    int rop;
    COLORREF want;
  } cases[] = {
      {R2_BLACK, 0},
      {R2_WHITE, 0xFFFFFF},
      {R2_COPYPEN, pen},
      {R2_NOTCOPYPEN, ~pen & 0xFFFFFF},
      {R2_NOP, dst},
      {R2_NOT, ~dst & 0xFFFFFF},
      {R2_XORPEN, pen ^ dst},
      {R2_NOTXORPEN, ~(pen ^ dst) & 0xFFFFFF},
      {R2_MASKPEN, pen & dst},
      {R2_MERGEPEN, pen | dst},
      {R2_MASKPENNOT, pen & ~dst & 0xFFFFFF},
      {R2_MERGENOTPEN, (~pen | dst) & 0xFFFFFF},
      {R2_NOTMASKPEN, ~(pen & dst) & 0xFFFFFF},
      {R2_NOTMERGEPEN, ~(pen | dst) & 0xFFFFFF},
      {R2_MASKNOTPEN, ~pen & dst},
      {R2_MERGEPENNOT, (pen | ~dst) & 0xFFFFFF},
  };
  for (const Case& k : cases) {
    MemCanvas c(4, 4, dst);
    Selected p(c.dc, CreatePen(PS_SOLID, 1, pen));
    SetROP2(c.dc, k.rop);
    MoveToEx(c.dc, 0, 1, nullptr);
    LineTo(c.dc, 3, 1);
    EXPECT_EQ(c.At(1, 1), k.want) << "rop2 " << k.rop;
  }
}

TEST(GdiUser, FillRectAndFrameRect) {
  MemCanvas c(10, 10);
  Selected b(c.dc, CreateSolidBrush(kBlack));
  RECT r{2, 2, 5, 5};
  ASSERT_TRUE(FillRect(c.dc, &r, static_cast<HBRUSH>(b.obj)));
  EXPECT_EQ(c.Row(4, 0, 7), "..###..");
  EXPECT_EQ(c.Row(5, 0, 7), ".......");
  MemCanvas f(10, 10);
  Selected fb(f.dc, CreateSolidBrush(kBlack));
  RECT q{1, 1, 6, 5};
  FrameRect(f.dc, &q, static_cast<HBRUSH>(fb.obj));
  EXPECT_EQ(f.Row(1, 0, 7), ".#####.");
  EXPECT_EQ(f.Row(2, 0, 7), ".#...#.");
  EXPECT_EQ(f.Row(4, 0, 7), ".#####.");
  EXPECT_EQ(f.Row(5, 0, 7), ".......");
  // A system colour index + 1 stands for its brush.
  RECT z{7, 7, 9, 9};
  FillRect(f.dc, &z, reinterpret_cast<HBRUSH>(static_cast<uintptr_t>(COLOR_BTNFACE + 1)));
  EXPECT_EQ(f.At(7, 7), GetSysColor(COLOR_BTNFACE));
  // An empty or inverted rectangle draws nothing.
  RECT e{5, 5, 3, 8};
  EXPECT_TRUE(FillRect(f.dc, &e, static_cast<HBRUSH>(fb.obj)));
  EXPECT_EQ(f.At(4, 6), kWhite);
}

TEST(GdiUser, FocusRectIsXorAndTwiceErases) {
  MemCanvas c(12, 12, kRed);
  RECT r{1, 1, 9, 7};
  DrawFocusRect(c.dc, &r);
  int changed = 0;
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 12; ++x)
      if (c.At(x, y) != kRed) {
        ++changed;
        EXPECT_EQ(c.At(x, y), kRed ^ 0xFFFFFF);
        EXPECT_TRUE(x == 1 || x == 8 || y == 1 || y == 6) << x << "," << y;
      }
  EXPECT_GT(changed, 8);
  EXPECT_EQ(c.At(4, 4), kRed);     // inside untouched
  EXPECT_NE(c.At(1, 1), c.At(2, 1));  // dotted
  DrawFocusRect(c.dc, &r);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 12; ++x) ASSERT_EQ(c.At(x, y), kRed);
}

TEST(GdiUser, InvertRectAndPatBlt) {
  MemCanvas c(8, 8, RGB(1, 2, 3));
  RECT r{0, 0, 4, 4};
  InvertRect(c.dc, &r);
  EXPECT_EQ(c.At(3, 3), RGB(254, 253, 252));
  EXPECT_EQ(c.At(4, 4), RGB(1, 2, 3));
  Selected b(c.dc, CreateSolidBrush(RGB(0x0F, 0xF0, 0x00)));
  PatBlt(c.dc, 4, 4, 2, 2, PATCOPY);
  EXPECT_EQ(c.At(5, 5), RGB(0x0F, 0xF0, 0x00));
  PatBlt(c.dc, 4, 4, 2, 2, PATINVERT);
  EXPECT_EQ(c.At(5, 5), 0u);
  PatBlt(c.dc, 6, 6, -2, -2, WHITENESS);  // negative extents go left and up
  EXPECT_EQ(c.At(4, 4), kWhite);
  EXPECT_EQ(c.At(6, 6), RGB(1, 2, 3));
  EXPECT_FALSE(PatBlt(c.dc, 0, 0, 1, 1, SRCCOPY));  // needs a source
}

TEST(GdiBrushes, HatchAndPatternBrushes) {
  MemCanvas c(16, 16);
  SetBkColor(c.dc, kRed);
  {
    Selected b(c.dc, CreateHatchBrush(HS_HORIZONTAL, kBlack));
    RECT r{0, 0, 8, 8};
    SetBkMode(c.dc, OPAQUE);
    FillRect(c.dc, &r, static_cast<HBRUSH>(b.obj));
    EXPECT_EQ(c.At(0, 7), kBlack);
    EXPECT_EQ(c.At(0, 6), kRed);
  }
  {
    // A monochrome pattern paints 0 bits in the text colour and 1 bits in the background colour.
    const uint8_t bits[] = {0xAA, 0, 0x55, 0};  // 2 x 8 pattern, rows padded to 16 bits
    HBITMAP pat = CreateBitmap(8, 2, 1, 1, bits);
    Selected b(c.dc, CreatePatternBrush(pat));
    DeleteObject(pat);  // the brush keeps its own copy
    SetTextColor(c.dc, kBlue);
    SetBkColor(c.dc, kGreen);
    RECT r{8, 8, 16, 10};
    FillRect(c.dc, &r, static_cast<HBRUSH>(b.obj));
    EXPECT_EQ(c.At(8, 8), kGreen);  // bit 1
    EXPECT_EQ(c.At(9, 8), kBlue);
    EXPECT_EQ(c.At(8, 9), kBlue);
    EXPECT_EQ(c.At(9, 9), kGreen);
    // The brush origin shifts the pattern.
    SetBrushOrgEx(c.dc, 1, 0, nullptr);
    FillRect(c.dc, &r, static_cast<HBRUSH>(b.obj));
    EXPECT_EQ(c.At(9, 8), kGreen);
  }
}

TEST(GdiGradient, RectanglesRunFromTheFirstToTheSecondColour) {
  MemCanvas c(10, 10);
  TRIVERTEX v[2] = {{0, 0, 0xFF00, 0, 0, 0}, {10, 4, 0, 0, 0xFF00, 0}};
  GRADIENT_RECT g{0, 1};
  ASSERT_TRUE(GradientFill(c.dc, v, 2, &g, 1, GRADIENT_FILL_RECT_H));
  EXPECT_EQ(c.At(0, 0), RGB(255, 0, 0));
  EXPECT_LT(GetRValue(c.At(9, 3)), 40);
  EXPECT_GT(GetBValue(c.At(9, 3)), 200);
  EXPECT_EQ(c.At(0, 4), kWhite);  // bottom edge excluded
  // Vertical.
  TRIVERTEX w[2] = {{0, 4, 0, 0, 0, 0}, {10, 10, 0xFF00, 0xFF00, 0xFF00, 0}};
  ASSERT_TRUE(GradientFill(c.dc, w, 2, &g, 1, GRADIENT_FILL_RECT_V));
  EXPECT_EQ(c.At(5, 4), kBlack);
  EXPECT_GT(GetGValue(c.At(5, 9)), 200);
  EXPECT_EQ(c.At(5, 6), c.At(0, 6));  // one colour per row
  GRADIENT_RECT bad{0, 5};
  EXPECT_FALSE(GradientFill(c.dc, w, 2, &bad, 1, GRADIENT_FILL_RECT_V));
}
