// Raster operations, monochrome conversion, stretching, masks, colour keys and DIB conversion.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <vector>

#include "platform/os/gdi_test_util.h"
#include "platform/os/wingdi.h"

using namespace gdi_test;

TEST(GdiBlit, TernaryRasterOperations) {
  const COLORREF P = RGB(0xF0, 0xF0, 0x0F), S = RGB(0xCC, 0x0F, 0x33), D = RGB(0xAA, 0x55, 0x3C);
  struct Case {
    DWORD rop;
    COLORREF want;
  } cases[] = {
      {SRCCOPY, S},
      {SRCAND, S & D},
      {SRCPAINT, S | D},
      {SRCINVERT, S ^ D},
      {NOTSRCCOPY, ~S & 0xFFFFFF},
      {PATCOPY, P},
      {PATINVERT, P ^ D},
      {DSTINVERT, ~D & 0xFFFFFF},
      {BLACKNESS, 0},
      {WHITENESS, 0xFFFFFF},
      {MERGECOPY, P & S},
      {SRCERASE, S & ~D & 0xFFFFFF},
      {0x00E20746u, ((D ^ P) & S) ^ D},  // the brush where the source is 1, the destination where 0
  };
  MemCanvas src(2, 2, S);
  for (const Case& k : cases) {
    MemCanvas dst(2, 2, D);
    Selected b(dst.dc, CreateSolidBrush(P));
    ASSERT_TRUE(BitBlt(dst.dc, 0, 0, 2, 2, src.dc, 0, 0, k.rop)) << std::hex << k.rop;
    EXPECT_EQ(dst.At(1, 1), k.want) << std::hex << k.rop;
  }
}

TEST(GdiBlit, E20746PaintsTheBrushThroughAMonochromeMask) {
  // Mask: left column 0 (black), right column 1 (white).
  const uint8_t bits[] = {0x40, 0, 0x40, 0};
  HBITMAP mask = CreateBitmap(2, 2, 1, 1, bits);
  HDC m = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(m, mask);
  MemCanvas dst(2, 2, kGreen);
  Selected b(dst.dc, CreateSolidBrush(kRed));
  SetTextColor(dst.dc, kBlack);
  SetBkColor(dst.dc, kWhite);
  BitBlt(dst.dc, 0, 0, 2, 2, m, 0, 0, 0x00E20746u);
  EXPECT_EQ(dst.At(0, 0), kGreen);
  EXPECT_EQ(dst.At(1, 0), kRed);
  SelectObject(m, old);
  DeleteObject(mask);
  DeleteDC(m);
}

TEST(GdiBlit, MonochromeConversionBothWays) {
  // Colour to monochrome: the source DC's background colour becomes 1 (white), the rest 0.
  MemCanvas colour(4, 1, kRed);
  SetPixel(colour.dc, 1, 0, kBlue);
  SetPixel(colour.dc, 2, 0, kWhite);
  SetBkColor(colour.dc, kRed);
  MemCanvas mono(4, 1, kBlack, true);
  BitBlt(mono.dc, 0, 0, 4, 1, colour.dc, 0, 0, SRCCOPY);
  EXPECT_EQ(mono.Row(0, 0, 4, kBlack, kWhite), ".##.");
  // Monochrome to colour: 0 takes the destination's text colour, 1 its background colour.
  MemCanvas back(4, 1, kBlack);
  SetTextColor(back.dc, kBlue);
  SetBkColor(back.dc, kGreen);
  BitBlt(back.dc, 0, 0, 4, 1, mono.dc, 0, 0, SRCCOPY);
  EXPECT_EQ(back.At(0, 0), kGreen);
  EXPECT_EQ(back.At(1, 0), kBlue);
  EXPECT_EQ(back.At(2, 0), kBlue);
  EXPECT_EQ(back.At(3, 0), kGreen);
  // Drawing with a colour on a monochrome bitmap picks black or white.
  SetPixel(mono.dc, 0, 0, RGB(200, 200, 200));
  EXPECT_EQ(mono.At(0, 0), kWhite);
  EXPECT_EQ(GetNearestColor(mono.dc, RGB(20, 20, 20)), kBlack);
  EXPECT_EQ(GetNearestColor(back.dc, RGB(20, 20, 20)), RGB(20, 20, 20));
}

TEST(GdiBlit, StretchAndMirror) {
  MemCanvas src(2, 2);
  SetPixel(src.dc, 0, 0, kRed);
  SetPixel(src.dc, 1, 0, kGreen);
  SetPixel(src.dc, 0, 1, kBlue);
  SetPixel(src.dc, 1, 1, kBlack);
  MemCanvas dst(4, 4);
  ASSERT_TRUE(StretchBlt(dst.dc, 0, 0, 4, 4, src.dc, 0, 0, 2, 2, SRCCOPY));
  EXPECT_EQ(dst.At(0, 0), kRed);
  EXPECT_EQ(dst.At(1, 1), kRed);
  EXPECT_EQ(dst.At(2, 1), kGreen);
  EXPECT_EQ(dst.At(1, 2), kBlue);
  EXPECT_EQ(dst.At(3, 3), kBlack);
  // A negative destination width mirrors into [x + w, x).
  MemCanvas row(4, 1);
  SetPixel(row.dc, 0, 0, kRed);
  SetPixel(row.dc, 3, 0, kBlue);
  MemCanvas mir(4, 1);
  StretchBlt(mir.dc, 4, 0, -4, 1, row.dc, 0, 0, 4, 1, SRCCOPY);
  EXPECT_EQ(mir.At(0, 0), kBlue);
  EXPECT_EQ(mir.At(3, 0), kRed);
  // Shrinking with the default mode ANDs the eliminated pixels; COLORONCOLOR drops them.
  MemCanvas wide(2, 1);
  SetPixel(wide.dc, 0, 0, RGB(0xF0, 0xFF, 0xFF));
  SetPixel(wide.dc, 1, 0, RGB(0x0F, 0xFF, 0xFF));
  MemCanvas one(1, 1);
  EXPECT_EQ(GetStretchBltMode(one.dc), BLACKONWHITE);
  StretchBlt(one.dc, 0, 0, 1, 1, wide.dc, 0, 0, 2, 1, SRCCOPY);
  EXPECT_EQ(one.At(0, 0), RGB(0, 0xFF, 0xFF));
  SetStretchBltMode(one.dc, HALFTONE);
  StretchBlt(one.dc, 0, 0, 1, 1, wide.dc, 0, 0, 2, 1, SRCCOPY);
  EXPECT_EQ(one.At(0, 0), RGB(0x7F, 0xFF, 0xFF));
}

TEST(GdiBlit, OverlappingCopyOnOneSurface) {
  MemCanvas c(6, 1);
  for (int x = 0; x < 6; ++x) SetPixel(c.dc, x, 0, RGB(x * 10, 0, 0));
  BitBlt(c.dc, 1, 0, 5, 1, c.dc, 0, 0, SRCCOPY);
  for (int x = 1; x < 6; ++x) EXPECT_EQ(c.At(x, 0), RGB((x - 1) * 10, 0, 0)) << x;
  // Source pixels outside the source bitmap leave the destination alone.
  MemCanvas d(4, 1, kGreen);
  MemCanvas s(2, 1, kRed);
  BitBlt(d.dc, 0, 0, 4, 1, s.dc, 0, 0, SRCCOPY);
  EXPECT_EQ(d.Row(0, 0, 4, kRed, kGreen), "##..");
  EXPECT_FALSE(BitBlt(d.dc, 0, 0, 1, 1, nullptr, 0, 0, SRCCOPY));
  EXPECT_TRUE(BitBlt(d.dc, 0, 0, 1, 1, nullptr, 0, 0, BLACKNESS));
}

TEST(GdiBlit, TransparentAndMaskBlits) {
  MemCanvas src(3, 1, kRed);
  SetPixel(src.dc, 1, 0, RGB(255, 0, 255));
  MemCanvas dst(3, 1, kGreen);
  ASSERT_TRUE(TransparentBlt(dst.dc, 0, 0, 3, 1, src.dc, 0, 0, 3, 1, RGB(255, 0, 255)));
  EXPECT_EQ(dst.Row(0, 0, 3, kRed, kGreen), "#.#");
  EXPECT_FALSE(TransparentBlt(dst.dc, 0, 0, -3, 1, src.dc, 0, 0, 3, 1, 0));
  // MaskBlt: where the mask is 1 the foreground operation, where 0 the background one.
  const uint8_t bits[] = {0xA0, 0};  // 1 0 1
  HBITMAP mask = CreateBitmap(3, 1, 1, 1, bits);
  MemCanvas m(3, 1, kGreen);
  ASSERT_TRUE(MaskBlt(m.dc, 0, 0, 3, 1, src.dc, 0, 0, mask, 0, 0, MAKEROP4(SRCCOPY, 0x00AA0029u)));
  EXPECT_EQ(m.At(0, 0), kRed);
  EXPECT_EQ(m.At(1, 0), kGreen);
  EXPECT_EQ(m.At(2, 0), kRed);
  HBITMAP colourMask = CreateBitmap(3, 1, 1, 32, nullptr);
  EXPECT_FALSE(MaskBlt(m.dc, 0, 0, 3, 1, src.dc, 0, 0, colourMask, 0, 0, SRCCOPY));
  DeleteObject(mask);
  DeleteObject(colourMask);
}

TEST(GdiBlit, DibRoundTrips) {
  MemCanvas c(3, 2);
  // A 24-bit bottom-up DIB: the first stored row is the bottom one; rows padded to 4 bytes.
  std::vector<uint8_t> bits = {
      0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0,       // bottom: red, green, blue
      0, 0, 0, 255, 255, 255, 128, 128, 128, 0, 0, 0  // top: black, white, grey
  };
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = 3;
  bi.bmiHeader.biHeight = 2;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  HBITMAP bm = static_cast<HBITMAP>(GetCurrentObject(c.dc, OBJ_BITMAP));
  ASSERT_EQ(SetDIBits(c.dc, bm, 0, 2, bits.data(), &bi, DIB_RGB_COLORS), 2);
  EXPECT_EQ(c.At(0, 1), kRed);
  EXPECT_EQ(c.At(2, 1), kBlue);
  EXPECT_EQ(c.At(1, 0), kWhite);
  EXPECT_EQ(c.At(2, 0), RGB(128, 128, 128));
  // Read back as 32-bit top-down.
  BITMAPINFO q{};
  q.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  ASSERT_EQ(GetDIBits(c.dc, bm, 0, 0, nullptr, &q, DIB_RGB_COLORS), 2);
  EXPECT_EQ(q.bmiHeader.biWidth, 3);
  EXPECT_EQ(q.bmiHeader.biBitCount, 32);
  q.bmiHeader.biHeight = -2;
  std::vector<uint8_t> out(3 * 2 * 4);
  ASSERT_EQ(GetDIBits(c.dc, bm, 0, 2, out.data(), &q, DIB_RGB_COLORS), 2);
  EXPECT_EQ(out[12 + 2], 255);  // row 1, pixel 0: red in the third byte
  EXPECT_EQ(out[12 + 0], 0);
  EXPECT_EQ(out[4 + 0], 255);   // row 0, pixel 1: white
  // A 1-bit DIB with its colour table.
  struct {
    BITMAPINFOHEADER h;
    RGBQUAD colors[2];
  } mono{};
  mono.h = bi.bmiHeader;
  mono.h.biBitCount = 1;
  mono.h.biHeight = -2;
  mono.colors[0] = RGBQUAD{0, 0, 255, 0};  // red
  mono.colors[1] = RGBQUAD{255, 0, 0, 0};  // blue
  uint8_t mbits[8] = {0xA0, 0, 0, 0, 0x40, 0, 0, 0};
  ASSERT_EQ(SetDIBits(c.dc, bm, 0, 2, mbits, reinterpret_cast<BITMAPINFO*>(&mono), DIB_RGB_COLORS), 2);
  EXPECT_EQ(c.At(0, 0), kBlue);
  EXPECT_EQ(c.At(1, 0), kRed);
  EXPECT_EQ(c.At(1, 1), kBlue);
  // Bad headers fail.
  BITMAPINFO bad = bi;
  bad.bmiHeader.biBitCount = 7;
  EXPECT_EQ(SetDIBits(c.dc, bm, 0, 2, bits.data(), &bad, DIB_RGB_COLORS), 0);
  bad = bi;
  bad.bmiHeader.biWidth = -3;
  EXPECT_EQ(SetDIBits(c.dc, bm, 0, 2, bits.data(), &bad, DIB_RGB_COLORS), 0);
}

TEST(GdiBlit, StretchDIBitsCountsBottomUpRowsFromTheBottom) {
  MemCanvas c(2, 2);
  std::vector<uint8_t> bits = {
      0, 0, 255, 0, 255, 0, 0, 0,  // bottom row: red, green (24-bit, padded)
      255, 0, 0, 0, 0, 0, 0, 0     // top row: blue, black
  };
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = 2;
  bi.bmiHeader.biHeight = 2;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  // Source rectangle (0, 0, 2, 1) is the bottom row of the image.
  ASSERT_EQ(StretchDIBits(c.dc, 0, 0, 2, 1, 0, 0, 2, 1, bits.data(), &bi, DIB_RGB_COLORS, SRCCOPY), 1);
  EXPECT_EQ(c.At(0, 0), kRed);
  EXPECT_EQ(c.At(1, 0), kGreen);
  HBITMAP made = CreateDIBitmap(c.dc, &bi.bmiHeader, CBM_INIT, bits.data(), &bi, DIB_RGB_COLORS);
  ASSERT_NE(made, nullptr);
  HDC m = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(m, made);
  EXPECT_EQ(GetPixel(m, 0, 0), kBlue);
  EXPECT_EQ(GetPixel(m, 1, 1), kGreen);
  SelectObject(m, old);
  DeleteObject(made);
  DeleteDC(m);
}

TEST(GdiBlit, AbsurdSizesStayCheap) {
  auto start = std::chrono::steady_clock::now();
  MemCanvas src(64, 64, kRed), dst(16, 16);
  EXPECT_TRUE(StretchBlt(dst.dc, 0, 0, 1000000000, 1000000000, src.dc, 0, 0, 64, 64, SRCCOPY));
  EXPECT_EQ(dst.At(5, 5), kRed);
  EXPECT_TRUE(StretchBlt(dst.dc, 0, 0, 4, 4, src.dc, 0, 0, 1000000000, 1000000000, SRCCOPY));
  EXPECT_TRUE(StretchBlt(dst.dc, 0, 0, 4, 4, src.dc, -1000000000, 0, 1000000000, 64, SRCAND));
  EXPECT_TRUE(BitBlt(dst.dc, -1000000000, -1000000000, 2000000000, 2000000000, src.dc, 0, 0, SRCCOPY));
  EXPECT_TRUE(PatBlt(dst.dc, -2000000000, -2000000000, 2000000000, 2000000000, WHITENESS));
  auto secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_LT(secs, 5.0);
}
