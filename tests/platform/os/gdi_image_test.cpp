// PNG, JPEG and BMP round trips, surface snapshots and the handling of broken image data.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

#include "platform/os/gdi_internal.h"
#include "platform/os/gdi_test_util.h"
#include "platform/os/wingdi.h"

using namespace gdi_test;

namespace {

// A bitmap with four coloured quadrants and a few single pixels.
HBITMAP Sample(int w, int h) {
  MemCanvas c(w, h);
  const COLORREF q[4] = {kRed, kGreen, kBlue, RGB(200, 180, 20)};
  for (int i = 0; i < 4; ++i) {
    RECT r{(i % 2) * w / 2, (i / 2) * h / 2, (i % 2 + 1) * w / 2, (i / 2 + 1) * h / 2};
    HBRUSH b = CreateSolidBrush(q[i]);
    FillRect(c.dc, &r, b);
    DeleteObject(b);
  }
  SetPixel(c.dc, 0, 0, RGB(1, 2, 3));
  SetPixel(c.dc, w - 1, h - 1, RGB(250, 251, 252));
  // Hand the bitmap out: select it out of the canvas first.
  SelectObject(c.dc, c.old);
  HBITMAP out = c.bm;
  c.bm = CreateBitmap(1, 1, 1, 1, nullptr);
  c.old = SelectObject(c.dc, c.bm);
  return out;
}

COLORREF PixelOf(HBITMAP bm, int x, int y) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bm);
  COLORREF c = GetPixel(dc, x, y);
  SelectObject(dc, old);
  DeleteDC(dc);
  return c;
}

SIZE SizeOf(HBITMAP bm) {
  BITMAP info{};
  GetObjectA(bm, sizeof info, &info);
  return SIZE{info.bmWidth, info.bmHeight};
}

std::vector<uint8_t> Encode(HBITMAP bm, int format, int quality = 90) {
  size_t n = FanoEncodeImage(bm, format, quality, nullptr, 0);
  std::vector<uint8_t> data(n);
  EXPECT_EQ(FanoEncodeImage(bm, format, quality, data.data(), data.size()), n);
  return data;
}

bool Near(COLORREF a, COLORREF b, int tol) {
  return std::abs(GetRValue(a) - GetRValue(b)) <= tol && std::abs(GetGValue(a) - GetGValue(b)) <= tol &&
         std::abs(GetBValue(a) - GetBValue(b)) <= tol;
}

std::string TempPath(const char* name) {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir ? dir : "/tmp") + "/fano_gdi_" + std::to_string(::getpid()) + "_" + name;
}

}  // namespace

TEST(GdiImages, PngRoundTripIsExact) {
  HBITMAP bm = Sample(9, 7);
  std::vector<uint8_t> png = Encode(bm, FANO_IMAGE_PNG);
  ASSERT_GT(png.size(), 8u);
  EXPECT_EQ(png[1], 'P');
  EXPECT_EQ(FanoEncodeImage(bm, FANO_IMAGE_PNG, 0, png.data(), 4), png.size());  // too small: nothing written
  HBITMAP back = FanoLoadImageMemory(png.data(), png.size(), kWhite);
  ASSERT_NE(back, nullptr);
  SIZE s = SizeOf(back);
  EXPECT_EQ(s.cx, 9);
  EXPECT_EQ(s.cy, 7);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 9; ++x) ASSERT_EQ(PixelOf(back, x, y), PixelOf(bm, x, y)) << x << "," << y;
  DeleteObject(bm);
  DeleteObject(back);
}

TEST(GdiImages, PngAlphaBlendsOntoTheBackground) {
  // Two pixels: opaque red and fully transparent.
  uint8_t rgba[8] = {255, 0, 0, 255, 0, 255, 0, 0};
  png_image img;
  std::memset(&img, 0, sizeof img);
  img.version = PNG_IMAGE_VERSION;
  img.width = 2;
  img.height = 1;
  img.format = PNG_FORMAT_RGBA;
  png_alloc_size_t size = 0;
  ASSERT_TRUE(png_image_write_to_memory(&img, nullptr, &size, 0, rgba, 0, nullptr));
  std::vector<uint8_t> buf(size);
  ASSERT_TRUE(png_image_write_to_memory(&img, buf.data(), &size, 0, rgba, 0, nullptr));
  HBITMAP bm = FanoLoadImageMemory(buf.data(), size, kBlue);
  ASSERT_NE(bm, nullptr);
  EXPECT_EQ(PixelOf(bm, 0, 0), kRed);
  EXPECT_EQ(PixelOf(bm, 1, 0), kBlue);
  DeleteObject(bm);
}

TEST(GdiImages, JpegRoundTripKeepsColours) {
  HBITMAP bm = Sample(32, 32);
  std::vector<uint8_t> jpg = Encode(bm, FANO_IMAGE_JPEG, 95);
  ASSERT_GT(jpg.size(), 2u);
  EXPECT_EQ(jpg[0], 0xFF);
  EXPECT_EQ(jpg[1], 0xD8);
  HBITMAP back = FanoLoadImageMemory(jpg.data(), jpg.size(), kWhite);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(SizeOf(back).cx, 32);
  // Lossy: compare the middle of each quadrant.
  for (POINT p : {POINT{8, 8}, POINT{24, 8}, POINT{8, 24}, POINT{24, 24}})
    EXPECT_TRUE(Near(PixelOf(back, p.x, p.y), PixelOf(bm, p.x, p.y), 12)) << p.x << "," << p.y;
  // A lower quality makes a smaller file.
  EXPECT_LT(Encode(bm, FANO_IMAGE_JPEG, 10).size(), jpg.size());
  DeleteObject(bm);
  DeleteObject(back);
}

TEST(GdiImages, BmpFilesAndResourcesWithoutFileHeader) {
  HBITMAP bm = Sample(5, 3);
  std::vector<uint8_t> bmp = Encode(bm, FANO_IMAGE_BMP);
  ASSERT_GT(bmp.size(), 54u);
  HBITMAP back = FanoLoadImageMemory(bmp.data(), bmp.size(), kWhite);
  ASSERT_NE(back, nullptr);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) ASSERT_EQ(PixelOf(back, x, y), PixelOf(bm, x, y));
  // A bitmap resource is the same without the 14-byte file header.
  HBITMAP res = FanoLoadImageMemory(bmp.data() + 14, bmp.size() - 14, kWhite);
  ASSERT_NE(res, nullptr);
  EXPECT_EQ(PixelOf(res, 4, 2), PixelOf(bm, 4, 2));
  // Monochrome bitmaps travel as 1-bit files.
  HBITMAP mono = CreateBitmap(10, 2, 1, 1, nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, mono);
  SetPixel(dc, 3, 1, kWhite);
  SelectObject(dc, old);
  DeleteDC(dc);
  std::vector<uint8_t> mb = Encode(mono, FANO_IMAGE_BMP);
  EXPECT_EQ(mb[28], 1);  // biBitCount
  HBITMAP mback = FanoLoadImageMemory(mb.data(), mb.size(), kWhite);
  EXPECT_EQ(PixelOf(mback, 3, 1), kWhite);
  EXPECT_EQ(PixelOf(mback, 2, 1), kBlack);
  for (HBITMAP h : {bm, back, res, mono, mback}) DeleteObject(h);
}

TEST(GdiImages, FilesAndSnapshots) {
  HBITMAP bm = Sample(6, 6);
  std::string path = TempPath("a.jpg");
  ASSERT_TRUE(FanoSaveImageFile(bm, FANO_IMAGE_JPEG, 90, path.c_str()));
  HBITMAP back = FanoLoadImageFile(path.c_str(), kWhite);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(SizeOf(back).cy, 6);
  std::remove(path.c_str());
  EXPECT_EQ(FanoLoadImageFile(path.c_str(), kWhite), nullptr);
  EXPECT_FALSE(FanoSaveImageFile(nullptr, FANO_IMAGE_PNG, 0, path.c_str()));
  EXPECT_FALSE(FanoSaveImageFile(bm, 42, 0, path.c_str()));
  // A surface written as PNG for people to look at reads back the same.
  fano_os::Surface s;
  s.Resize(4, 3, RGB(10, 20, 30));
  s.pixels[5] = RGB(200, 100, 0);
  std::string snap = TempPath("snap.png");
  ASSERT_TRUE(fano_os::WriteSurfacePng(s, snap.c_str()));
  HBITMAP shot = FanoLoadImageFile(snap.c_str(), kWhite);
  ASSERT_NE(shot, nullptr);
  EXPECT_EQ(PixelOf(shot, 1, 1), RGB(200, 100, 0));
  EXPECT_EQ(PixelOf(shot, 0, 0), RGB(10, 20, 30));
  std::remove(snap.c_str());
  fano_os::Surface empty;
  std::vector<uint8_t> out;
  EXPECT_FALSE(fano_os::EncodeSurfacePng(empty, &out));
  for (HBITMAP h : {bm, back, shot}) DeleteObject(h);
}

TEST(GdiImages, BrokenDataFailsCleanly) {
  HBITMAP bm = Sample(16, 16);
  for (int format : {FANO_IMAGE_PNG, FANO_IMAGE_JPEG, FANO_IMAGE_BMP}) {
    std::vector<uint8_t> data = Encode(bm, format);
    // Every truncation either fails or yields a bitmap; none crashes.
    for (size_t n = 0; n < data.size(); n += 7) {
      HBITMAP h = FanoLoadImageMemory(data.data(), n, kWhite);
      if (h) DeleteObject(h);
    }
    // Flipped bytes in the header.
    for (size_t i = 0; i < 64 && i < data.size(); ++i) {
      std::vector<uint8_t> bad = data;
      bad[i] ^= 0xA5;
      HBITMAP h = FanoLoadImageMemory(bad.data(), bad.size(), kWhite);
      if (h) DeleteObject(h);
    }
  }
  // A BMP header that claims an enormous image is refused before anything is allocated.
  std::vector<uint8_t> huge = Encode(bm, FANO_IMAGE_BMP);
  huge[18] = 0xFF;
  huge[19] = 0xFF;
  huge[20] = 0xFF;
  huge[21] = 0x0F;
  EXPECT_EQ(FanoLoadImageMemory(huge.data(), huge.size(), kWhite), nullptr);
  const char junk[] = "not an image at all";
  EXPECT_EQ(FanoLoadImageMemory(junk, sizeof junk, kWhite), nullptr);
  EXPECT_EQ(FanoLoadImageMemory(nullptr, 100, kWhite), nullptr);
  DeleteObject(bm);
}
