// Image lists (masks, background colours, blends) and the visual themes switch with our theme.
#include <gtest/gtest.h>

#include <string>

#include "platform/os/gdi_test_util.h"
#include "platform/os/imagelist.h"
#include "platform/os/uxtheme.h"
#include "platform/os/wingdi.h"

using namespace gdi_test;

namespace {

constexpr COLORREF kMagenta = RGB(255, 0, 255);

// A strip of n 4 x 4 images in the given colours; pixel (1, 1) of every image is `dot`.
HBITMAP Strip(std::initializer_list<COLORREF> colours, COLORREF dot) {
  int n = static_cast<int>(colours.size());
  HBITMAP bm = CreateBitmap(4 * n, 4, 1, 32, nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bm);
  int k = 0;
  for (COLORREF c : colours) {
    HBRUSH b = CreateSolidBrush(c);
    RECT r{4 * k, 0, 4 * k + 4, 4};
    FillRect(dc, &r, b);
    DeleteObject(b);
    SetPixel(dc, 4 * k + 1, 1, dot);
    ++k;
  }
  SelectObject(dc, old);
  DeleteDC(dc);
  return bm;
}

}  // namespace

TEST(GdiImageList, AddDrawAndMasks) {
  HIMAGELIST il = ImageList_Create(4, 4, ILC_MASK | ILC_COLOR24, 4, 4);
  ASSERT_NE(il, nullptr);
  int cx = 0, cy = 0;
  ASSERT_TRUE(ImageList_GetIconSize(il, &cx, &cy));
  EXPECT_EQ(cx, 4);
  HBITMAP strip = Strip({kRed, kGreen, kBlue}, kMagenta);
  EXPECT_EQ(ImageList_AddMasked(il, strip, kMagenta), 0);
  EXPECT_EQ(ImageList_GetImageCount(il), 3);
  EXPECT_EQ(ImageList_GetBkColor(il), CLR_NONE);

  // No background colour: the masked pixel shows what was there.
  MemCanvas c(12, 4, kBlack);
  SetPixel(c.dc, 1, 1, RGB(9, 9, 9));
  ASSERT_TRUE(ImageList_Draw(il, 0, c.dc, 0, 0, ILD_NORMAL));
  EXPECT_EQ(c.At(0, 0), kRed);
  EXPECT_EQ(c.At(1, 1), RGB(9, 9, 9));
  // With one, the masked pixels take it; ILD_TRANSPARENT still leaves them alone.
  ImageList_SetBkColor(il, kGreen);
  ImageList_Draw(il, 2, c.dc, 4, 0, ILD_NORMAL);
  EXPECT_EQ(c.At(5, 1), kGreen);
  EXPECT_EQ(c.At(4, 0), kBlue);
  SetPixel(c.dc, 9, 1, RGB(7, 7, 7));
  ImageList_Draw(il, 1, c.dc, 8, 0, ILD_TRANSPARENT);
  EXPECT_EQ(c.At(9, 1), RGB(7, 7, 7));
  EXPECT_EQ(c.At(8, 0), kGreen);

  // The mask: opaque pixels in the text colour (black), transparent ones in the background (white).
  MemCanvas m(4, 4, kRed);
  ImageList_Draw(il, 0, m.dc, 0, 0, ILD_MASK);
  EXPECT_EQ(m.At(0, 0), kBlack);
  EXPECT_EQ(m.At(1, 1), kWhite);

  // Blends mix the opaque pixels with the given colour.
  MemCanvas b(4, 4);
  ImageList_DrawEx(il, 0, b.dc, 0, 0, 0, 0, CLR_NONE, kBlue, ILD_BLEND50);
  EXPECT_EQ(b.At(0, 0), RGB(128, 0, 128));
  EXPECT_EQ(b.At(1, 1), kWhite);
  ImageList_DrawEx(il, 0, b.dc, 0, 0, 0, 0, CLR_NONE, CLR_DEFAULT, ILD_SELECTED);
  COLORREF hi = GetSysColor(COLOR_HIGHLIGHT);
  EXPECT_EQ(b.At(0, 0), RGB((255 + GetRValue(hi) + 1) / 2, (GetGValue(hi) + 1) / 2, (GetBValue(hi) + 1) / 2));
  ImageList_DrawEx(il, 1, b.dc, 0, 0, 0, 0, CLR_NONE, kBlack, ILD_FOCUS);
  EXPECT_EQ(b.At(0, 0), RGB(0, 191, 0));  // a quarter of the way to black

  // A part of the image.
  MemCanvas p(4, 4);
  ImageList_DrawEx(il, 0, p.dc, 0, 0, 2, 3, CLR_NONE, CLR_NONE, ILD_NORMAL);
  EXPECT_EQ(p.At(0, 2), kRed);
  EXPECT_EQ(p.At(2, 0), kWhite);
  EXPECT_EQ(p.At(0, 3), kWhite);
  DeleteObject(strip);
  ImageList_Destroy(il);
}

TEST(GdiImageList, ExplicitMasksAndUnmaskedLists) {
  HBITMAP strip = Strip({kRed, kGreen}, kRed);
  // Mask: image 0 pixel (3, 3) transparent.
  const uint8_t bits[] = {0, 0, 0, 0, 0, 0, 0x10, 0};  // 8 x 4, rows of 16 bits
  HBITMAP mask = CreateBitmap(8, 4, 1, 1, bits);
  HIMAGELIST il = ImageList_Create(4, 4, ILC_MASK, 0, 0);
  EXPECT_EQ(ImageList_Add(il, strip, mask), 0);
  MemCanvas c(8, 4, kBlack);
  ImageList_Draw(il, 0, c.dc, 0, 0, ILD_TRANSPARENT);
  // ImageList_Add keeps the image as it is, so a masked pixel that is not black mixes with the
  // destination (OR), as the original does.
  EXPECT_EQ(c.At(3, 3), kRed);
  EXPECT_EQ(c.At(2, 3), kRed);
  MemCanvas g(8, 4, kGreen);
  ImageList_Draw(il, 0, g.dc, 0, 0, ILD_TRANSPARENT);
  EXPECT_EQ(g.At(3, 3), RGB(255, 255, 0));
  // Without ILC_MASK masks are ignored and images draw opaque.
  HIMAGELIST plain = ImageList_Create(4, 4, ILC_COLOR32, 0, 0);
  EXPECT_EQ(ImageList_AddMasked(plain, strip, kRed), 0);
  ImageList_Draw(plain, 1, g.dc, 4, 0, ILD_TRANSPARENT);
  EXPECT_EQ(g.At(5, 1), kRed);
  EXPECT_EQ(g.At(4, 0), kGreen);
  // A strip narrower than one image adds nothing.
  HBITMAP thin = CreateBitmap(3, 4, 1, 32, nullptr);
  EXPECT_EQ(ImageList_Add(il, thin, nullptr), -1);
  EXPECT_EQ(ImageList_Add(il, nullptr, nullptr), -1);
  for (HGDIOBJ o : {static_cast<HGDIOBJ>(strip), static_cast<HGDIOBJ>(mask), static_cast<HGDIOBJ>(thin)}) DeleteObject(o);
  ImageList_Destroy(il);
  ImageList_Destroy(plain);
}

TEST(GdiImageList, ReplaceRemoveCountsAndHandles) {
  HIMAGELIST il = ImageList_Create(4, 4, ILC_MASK, 0, 0);
  HBITMAP strip = Strip({kRed, kGreen, kBlue}, kBlack);
  ImageList_Add(il, strip, nullptr);
  HBITMAP white = Strip({kWhite}, kWhite);
  ASSERT_TRUE(ImageList_Replace(il, 1, white, nullptr));
  EXPECT_FALSE(ImageList_Replace(il, 3, white, nullptr));
  MemCanvas c(4, 4, kBlack);
  ImageList_Draw(il, 1, c.dc, 0, 0, ILD_NORMAL);
  EXPECT_EQ(c.At(0, 0), kWhite);
  ASSERT_TRUE(ImageList_Remove(il, 0));
  EXPECT_EQ(ImageList_GetImageCount(il), 2);
  ImageList_Draw(il, 1, c.dc, 0, 0, ILD_NORMAL);  // the blue one moved up
  EXPECT_EQ(c.At(0, 0), kBlue);
  EXPECT_FALSE(ImageList_Remove(il, 5));
  EXPECT_FALSE(ImageList_Draw(il, 2, c.dc, 0, 0, ILD_NORMAL));
  ASSERT_TRUE(ImageList_SetImageCount(il, 5));
  EXPECT_EQ(ImageList_GetImageCount(il), 5);
  ImageList_Draw(il, 4, c.dc, 0, 0, ILD_NORMAL);
  EXPECT_EQ(c.At(0, 0), kBlack);
  ASSERT_TRUE(ImageList_Remove(il, -1));
  EXPECT_EQ(ImageList_GetImageCount(il), 0);
  ImageList_Add(il, strip, nullptr);
  ASSERT_TRUE(ImageList_SetIconSize(il, 8, 8));
  EXPECT_EQ(ImageList_GetImageCount(il), 0);
  // Recorded on the destination DC.
  HDC rec = FanoCreateRecordingDC(10, 10);
  HBITMAP reds = Strip({kRed, kRed}, kRed);
  ImageList_Add(il, reds, nullptr);
  DeleteObject(reds);
  ImageList_Draw(il, 0, rec, 1, 2, ILD_TRANSPARENT);
  char buf[64];
  FanoRecordFormat(rec, 0, buf, sizeof buf);
  EXPECT_STREQ(buf, "ImageList_Draw(0, 1, 2, 0, 0, 1)");
  DeleteDC(rec);
  // The handle is checked like any other.
  EXPECT_FALSE(DeleteObject(il));
  EXPECT_TRUE(ImageList_Destroy(il));
  EXPECT_FALSE(ImageList_Destroy(il));
  EXPECT_EQ(ImageList_GetImageCount(il), 0);
  EXPECT_EQ(ImageList_Add(il, strip, nullptr), -1);
  EXPECT_EQ(ImageList_Create(0, 4, 0, 0, 0), nullptr);
  DeleteObject(strip);
  DeleteObject(white);
}

class Themes : public ::testing::Test {
 protected:
  void TearDown() override { FanoSetThemesActive(FALSE); }
};

TEST_F(Themes, OffByDefaultAndOpenOnlyWhenOn) {
  EXPECT_FALSE(IsThemeActive());
  EXPECT_EQ(OpenThemeData(nullptr, u"BUTTON"), nullptr);
  FanoSetThemesActive(TRUE);
  EXPECT_TRUE(IsThemeActive());
  EXPECT_TRUE(IsAppThemed());
  HTHEME b = OpenThemeData(nullptr, u"Button");
  ASSERT_NE(b, nullptr);
  HTHEME t = OpenThemeData(nullptr, u"Unknown;Explorer::TreeView");
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(OpenThemeData(nullptr, u"NoSuchClass"), nullptr);
  EXPECT_TRUE(IsThemePartDefined(b, BP_CHECKBOX, 0));
  EXPECT_FALSE(IsThemePartDefined(b, 77, 0));
  EXPECT_TRUE(IsThemePartDefined(t, TVP_GLYPH, 0));
  EXPECT_EQ(CloseThemeData(b), S_OK);
  EXPECT_EQ(CloseThemeData(b), E_HANDLE);
  EXPECT_FALSE(DeleteObject(t));
  CloseThemeData(t);
}

TEST_F(Themes, OurThemeDrawsTheParts) {
  FanoSetThemesActive(TRUE);
  HTHEME b = OpenThemeData(nullptr, u"BUTTON");
  HTHEME c = OpenThemeData(nullptr, u"COMBOBOX");
  SIZE s{};
  ASSERT_EQ(GetThemePartSize(b, nullptr, BP_CHECKBOX, CBS_CHECKEDNORMAL, nullptr, TS_TRUE, &s), S_OK);
  EXPECT_EQ(s.cx, 13);
  EXPECT_TRUE(IsThemeBackgroundPartiallyTransparent(b, BP_CHECKBOX, CBS_CHECKEDNORMAL));
  EXPECT_FALSE(IsThemeBackgroundPartiallyTransparent(b, BP_PUSHBUTTON, PBS_NORMAL));

  MemCanvas u(13, 13, kRed), k(13, 13, kRed);
  RECT r{0, 0, 13, 13};
  ASSERT_EQ(DrawThemeBackground(b, u.dc, BP_CHECKBOX, CBS_UNCHECKEDNORMAL, &r, nullptr), S_OK);
  ASSERT_EQ(DrawThemeBackground(b, k.dc, BP_CHECKBOX, CBS_CHECKEDNORMAL, &r, nullptr), S_OK);
  EXPECT_EQ(u.At(0, 0), RGB(51, 51, 51));
  EXPECT_EQ(u.At(6, 6), kWhite);
  int inkU = 0, inkK = 0;
  for (int y = 1; y < 12; ++y)
    for (int x = 1; x < 12; ++x) {
      inkU += u.At(x, y) != kWhite;
      inkK += k.At(x, y) != kWhite;
    }
  EXPECT_EQ(inkU, 0);
  EXPECT_GT(inkK, 10);  // the check mark

  // The combo button shows its state in the border; its arrow sits in the middle.
  MemCanvas n(17, 17, kRed), h(17, 17, kRed);
  RECT cr{0, 0, 17, 17};
  DrawThemeBackground(c, n.dc, CP_DROPDOWNBUTTON, CBXS_NORMAL, &cr, nullptr);
  DrawThemeBackground(c, h.dc, CP_DROPDOWNBUTTON, CBXS_HOT, &cr, nullptr);
  EXPECT_EQ(n.At(8, 8), RGB(51, 51, 51));
  EXPECT_EQ(h.At(0, 0), RGB(0, 120, 215));
  EXPECT_NE(n.At(0, 0), h.At(0, 0));
  // The clip rectangle limits the drawing.
  MemCanvas q(17, 17, kRed);
  RECT half{0, 0, 8, 17};
  DrawThemeBackground(c, q.dc, CP_DROPDOWNBUTTON, CBXS_HOT, &cr, &half);
  EXPECT_EQ(q.At(16, 0), kRed);
  EXPECT_EQ(q.At(0, 0), RGB(0, 120, 215));
  EXPECT_EQ(DrawThemeBackground(c, q.dc, 99, 1, &cr, nullptr), E_INVALIDARG);

  COLORREF col = 0;
  ASSERT_EQ(GetThemeColor(b, BP_PUSHBUTTON, PBS_DISABLED, TMT_TEXTCOLOR, &col), S_OK);
  EXPECT_EQ(col, RGB(109, 109, 109));
  RECT content{};
  GetThemeBackgroundContentRect(b, nullptr, BP_PUSHBUTTON, PBS_NORMAL, &cr, &content);
  EXPECT_EQ(content.left, 3);
  CloseThemeData(b);
  CloseThemeData(c);
}

TEST_F(Themes, TextAndRecording) {
  FanoSetThemesActive(TRUE);
  HTHEME b = OpenThemeData(nullptr, u"BUTTON");
  HDC dc = FanoCreateRecordingDC(60, 20);
  HFONT f = CreateFontA(-10, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "FanoTest");
  HGDIOBJ old = SelectObject(dc, f);
  SetTextColor(dc, kRed);
  RECT r{0, 0, 60, 20};
  ASSERT_EQ(DrawThemeText(b, dc, BP_PUSHBUTTON, PBS_DISABLED, u"Ab", -1, DT_SINGLELINE, 0, &r), S_OK);
  EXPECT_EQ(GetPixel(dc, 1, 2), RGB(109, 109, 109));
  EXPECT_EQ(GetTextColor(dc), kRed);  // restored
  RECT box{0, 0, 13, 13};
  DrawThemeBackground(b, dc, BP_CHECKBOX, CBS_MIXEDNORMAL, &box, nullptr);
  ASSERT_EQ(FanoRecordCount(dc), 2);
  char buf[128];
  FanoRecordFormat(dc, 1, buf, sizeof buf);
  EXPECT_STREQ(buf, "DrawThemeBackground(3, 9, 0, 0, 13, 13) \"button\"");
  SelectObject(dc, old);
  DeleteObject(f);
  DeleteDC(dc);
  CloseThemeData(b);
}
