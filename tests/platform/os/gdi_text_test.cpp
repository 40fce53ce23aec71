// Text: the test font's metrics and glyph cells, alignment, rotation, ExtTextOut options,
// DrawText layout flags, and the installed fonts behind the real engine.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/os/gdi_test_util.h"
#include "platform/os/wingdi.h"

using namespace gdi_test;

namespace {

HFONT TestFont(int height, int escapement = 0, int width = 0, bool underline = false, bool italic = false) {
  return CreateFontA(height, width, escapement, escapement, FW_NORMAL, italic, underline, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                     "FanoTest");
}

// A canvas with the test font selected, transparent text in black.
struct TextCanvas : MemCanvas {
  Selected font;
  TextCanvas(int w, int h, HFONT f) : MemCanvas(w, h), font(dc, f) { SetBkMode(dc, TRANSPARENT); }
};

RECT Calc(HDC dc, const char* text, RECT r, UINT fmt) {
  DrawTextA(dc, text, -1, &r, fmt | DT_CALCRECT);
  return r;
}

}  // namespace

TEST(GdiTestFont, MetricsFollowTheDocumentedRules) {
  TextCanvas c(10, 10, TestFont(-16));
  TEXTMETRICA tm{};
  ASSERT_TRUE(GetTextMetricsA(c.dc, &tm));
  EXPECT_EQ(tm.tmHeight, 16);
  EXPECT_EQ(tm.tmDescent, 3);
  EXPECT_EQ(tm.tmAscent, 13);
  EXPECT_EQ(tm.tmInternalLeading, 0);
  EXPECT_EQ(tm.tmExternalLeading, 0);
  EXPECT_EQ(tm.tmAveCharWidth, 8);
  EXPECT_EQ(tm.tmMaxCharWidth, 16);
  {
    Selected f(c.dc, TestFont(13));  // positive heights mean the same: no internal leading
    GetTextMetricsA(c.dc, &tm);
    EXPECT_EQ(tm.tmHeight, 13);
    EXPECT_EQ(tm.tmDescent, 2);
    EXPECT_EQ(tm.tmAveCharWidth, 7);
  }
  {
    Selected f(c.dc, TestFont(-10, 0, 5));
    GetTextMetricsA(c.dc, &tm);
    EXPECT_EQ(tm.tmAveCharWidth, 5);
  }
  OUTLINETEXTMETRICA otm{};
  EXPECT_EQ(GetOutlineTextMetricsA(c.dc, 0, nullptr), sizeof(OUTLINETEXTMETRICA));
  ASSERT_NE(GetOutlineTextMetricsA(c.dc, sizeof otm, &otm), 0u);
  EXPECT_EQ(otm.otmsCharSlopeRise, 1);
  EXPECT_EQ(otm.otmsCharSlopeRun, 0);
  EXPECT_EQ(otm.otmEMSquare, 16u);
  EXPECT_EQ(otm.otmTextMetrics.tmHeight, 16);
  Selected it(c.dc, TestFont(-16, 0, 0, false, true));
  GetOutlineTextMetricsA(c.dc, sizeof otm, &otm);
  EXPECT_EQ(otm.otmsCharSlopeRise, 4);
  EXPECT_EQ(otm.otmsCharSlopeRun, 1);
}

TEST(GdiTestFont, ExtentsCountLatinOnceAndChineseTwice) {
  TextCanvas c(10, 10, TestFont(-16));
  SIZE s{};
  ASSERT_TRUE(GetTextExtentPoint32A(c.dc, "AB中", -1, &s));
  EXPECT_EQ(s.cx, 32);
  EXPECT_EQ(s.cy, 16);
  ASSERT_TRUE(GetTextExtentPoint32W(c.dc, u"AB中", 3, &s));
  EXPECT_EQ(s.cx, 32);
  ASSERT_TRUE(GetTextExtentPoint32A(c.dc, "", 0, &s));
  EXPECT_EQ(s.cx, 0);
  // Fit counts bytes of whole characters; the extents repeat a character's end for each byte.
  int fit = -1, dx[5] = {};
  ASSERT_TRUE(GetTextExtentExPointA(c.dc, "AB中", 5, 20, &fit, dx, &s));
  EXPECT_EQ(fit, 2);
  EXPECT_EQ(dx[0], 8);
  EXPECT_EQ(dx[1], 16);
  EXPECT_EQ(dx[2], 32);
  EXPECT_EQ(dx[4], 32);
  ASSERT_TRUE(GetTextExtentExPointW(c.dc, u"AB中文", 4, 32, &fit, nullptr, &s));
  EXPECT_EQ(fit, 3);
  EXPECT_EQ(s.cx, 48);
  int w[3] = {};
  ASSERT_TRUE(GetCharWidth32W(c.dc, 'A', 'C', w));
  EXPECT_EQ(w[2], 8);
  ASSERT_TRUE(GetCharWidth32W(c.dc, 0x4E2D, 0x4E2D, w));
  EXPECT_EQ(w[0], 16);
  EXPECT_FALSE(GetCharWidth32W(c.dc, 'C', 'A', w));
  // Character extra spacing adds to every character.
  SetTextCharacterExtra(c.dc, 2);
  GetTextExtentPoint32A(c.dc, "AB", 2, &s);
  EXPECT_EQ(s.cx, 20);
  SetTextCharacterExtra(c.dc, 0);
  char face[64];
  EXPECT_EQ(GetTextFaceA(c.dc, sizeof face, face), 9);
  EXPECT_STREQ(face, "FanoTest");
}

TEST(GdiTestFont, GlyphCellsAndBackground) {
  TextCanvas c(40, 20, TestFont(-10));  // E 10: ascent 8, descent 2, advance 5
  ASSERT_TRUE(TextOutA(c.dc, 2, 3, "AB", 2));
  EXPECT_EQ(c.At(2, 3), kWhite);   // the cell's top row stays blank
  EXPECT_EQ(c.At(2, 4), kBlack);
  EXPECT_EQ(c.At(5, 10), kBlack);  // last glyph row is just above the baseline
  EXPECT_EQ(c.At(2, 11), kWhite);  // baseline row: descent
  EXPECT_EQ(c.At(6, 5), kWhite);   // one blank column after each glyph
  EXPECT_EQ(c.At(7, 5), kBlack);
  EXPECT_EQ(c.At(11, 5), kWhite);
  // Opaque mode fills the whole cell with the background colour.
  SetBkMode(c.dc, OPAQUE);
  SetBkColor(c.dc, kRed);
  TextOutA(c.dc, 20, 3, "A", 1);
  EXPECT_EQ(c.At(20, 3), kRed);
  EXPECT_EQ(c.At(24, 12), kRed);
  EXPECT_EQ(c.At(20, 13), kWhite);
  EXPECT_EQ(c.At(25, 5), kWhite);
  // Spaces draw nothing but advance.
  MemCanvas n(20, 12);
  Selected f(n.dc, TestFont(-10));
  SetBkMode(n.dc, TRANSPARENT);
  TextOutW(n.dc, 0, 0, u"A B", 3);
  EXPECT_EQ(n.Row(5, 0, 15), "####......####.");
}

TEST(GdiTestFont, AlignmentAndCurrentPosition) {
  TextCanvas c(60, 30, TestFont(-10));
  SetTextAlign(c.dc, TA_BASELINE);
  TextOutA(c.dc, 2, 12, "A", 1);
  EXPECT_EQ(c.At(2, 11), kBlack);
  EXPECT_EQ(c.At(2, 12), kWhite);
  EXPECT_EQ(c.At(2, 5), kBlack);  // first glyph row: baseline - ascent + 1
  EXPECT_EQ(c.At(2, 4), kWhite);
  SetTextAlign(c.dc, TA_RIGHT | TA_BOTTOM);
  TextOutA(c.dc, 50, 30, "AB", 2);  // cell from (40,20) to (50,30)
  EXPECT_EQ(c.At(40, 21), kBlack);
  EXPECT_EQ(c.At(39, 21), kWhite);
  EXPECT_EQ(c.At(48, 27), kBlack);
  EXPECT_EQ(c.At(48, 28), kWhite);
  SetTextAlign(c.dc, TA_LEFT | TA_TOP | TA_UPDATECP);
  MoveToEx(c.dc, 20, 0, nullptr);
  TextOutA(c.dc, 0, 0, "AB", 2);
  POINT cp{};
  GetCurrentPositionEx(c.dc, &cp);
  EXPECT_EQ(cp.x, 30);
  EXPECT_EQ(c.At(20, 2), kBlack);
  EXPECT_EQ(GetTextAlign(c.dc), static_cast<UINT>(TA_UPDATECP));
}

TEST(GdiTestFont, RotatedTextReadsUpAndDown) {
  // Escapement 900: the text reads upwards; its cell spans x [20, 30) and y [20, 30).
  TextCanvas up(60, 60, TestFont(-10, 900));
  ASSERT_TRUE(TextOutA(up.dc, 20, 30, "AB", 2));
  EXPECT_EQ(up.At(21, 29), kBlack);
  EXPECT_EQ(up.At(20, 29), kWhite);  // the cell's top is now its left column
  EXPECT_EQ(up.At(27, 26), kBlack);
  EXPECT_EQ(up.At(28, 26), kWhite);  // baseline column
  EXPECT_EQ(up.At(21, 25), kWhite);  // the gap between the glyphs
  EXPECT_EQ(up.At(21, 24), kBlack);  // "B" sits above "A"
  EXPECT_EQ(up.At(21, 20), kWhite);
  EXPECT_EQ(up.At(21, 30), kWhite);
  // The extent is measured along the baseline, whatever the angle.
  SIZE s{};
  GetTextExtentPoint32A(up.dc, "AB", 2, &s);
  EXPECT_EQ(s.cx, 10);
  EXPECT_EQ(s.cy, 10);
  // Escapement 2700: downwards; the cell spans x [10, 20) and y [30, 40).
  TextCanvas down(60, 60, TestFont(-10, 2700));
  TextOutA(down.dc, 20, 30, "AB", 2);
  EXPECT_EQ(down.At(18, 30), kBlack);
  EXPECT_EQ(down.At(19, 30), kWhite);
  EXPECT_EQ(down.At(12, 33), kBlack);
  EXPECT_EQ(down.At(11, 30), kWhite);
  EXPECT_EQ(down.At(15, 34), kWhite);
  EXPECT_EQ(down.At(15, 35), kBlack);
  EXPECT_EQ(down.At(15, 29), kWhite);
  // -900 is the same direction as 2700.
  TextCanvas minus(60, 60, TestFont(-10, -900));
  TextOutA(minus.dc, 20, 30, "AB", 2);
  for (int y = 25; y < 45; ++y)
    for (int x = 5; x < 25; ++x) ASSERT_EQ(minus.At(x, y), down.At(x, y)) << x << "," << y;
}

TEST(GdiTestFont, ExtTextOutOptionsAndSpacing) {
  TextCanvas c(60, 20, TestFont(-10));
  SetBkColor(c.dc, kRed);
  RECT r{0, 0, 8, 12};
  ASSERT_TRUE(ExtTextOutA(c.dc, 2, 0, ETO_OPAQUE | ETO_CLIPPED, &r, "AB", 2, nullptr));
  EXPECT_EQ(c.At(0, 0), kRed);   // the rectangle is filled whatever the background mode
  EXPECT_EQ(c.At(7, 11), kRed);
  EXPECT_EQ(c.At(2, 2), kBlack);
  EXPECT_EQ(c.At(7, 2), kBlack);  // "B" starts at 7 and is cut at 8
  EXPECT_EQ(c.At(8, 2), kWhite);
  // Spacing array: one entry per byte; a character advances by the sum of its bytes' entries.
  int dx[5] = {10, 10, 4, 4, 4};
  ExtTextOutA(c.dc, 20, 0, 0, nullptr, "AB中", 5, dx);
  EXPECT_EQ(c.At(30, 2), kBlack);
  EXPECT_EQ(c.At(28, 2), kWhite);
  EXPECT_EQ(c.At(40, 2), kBlack);  // the Chinese character starts after 10 + 10
  EXPECT_FALSE(ExtTextOutA(c.dc, 0, 0, 0, nullptr, nullptr, 3, nullptr));
  EXPECT_TRUE(ExtTextOutA(c.dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr));  // fills only
}

TEST(GdiTestFont, UnderlineAndStrikeOut) {
  TextCanvas c(30, 20, TestFont(-10, 0, 0, true));
  TextOutA(c.dc, 0, 0, "A", 1);
  EXPECT_EQ(c.Row(8, 0, 6), "#####.");  // the baseline row, full advance
  EXPECT_EQ(c.At(0, 9), kWhite);
}

TEST(GdiDrawText, CalcRectAndWordBreaks) {
  TextCanvas c(10, 10, TestFont(-16));
  RECT r = Calc(c.dc, "abc", RECT{5, 5, 200, 200}, DT_SINGLELINE);
  EXPECT_EQ(r.left, 5);
  EXPECT_EQ(r.right, 29);
  EXPECT_EQ(r.bottom, 21);
  r = Calc(c.dc, "aaa bbb ccc", RECT{0, 0, 64, 0}, DT_WORDBREAK);
  EXPECT_EQ(r.right, 56);
  EXPECT_EQ(r.bottom, 32);
  // A word longer than the line overflows unless the edit-control rules cut it.
  r = Calc(c.dc, "aaaaaaaaaa", RECT{0, 0, 40, 0}, DT_WORDBREAK);
  EXPECT_EQ(r.right, 80);
  EXPECT_EQ(r.bottom, 16);
  r = Calc(c.dc, "aaaaaaaaaa", RECT{0, 0, 40, 0}, DT_WORDBREAK | DT_EDITCONTROL);
  EXPECT_EQ(r.bottom, 32);
  // Chinese breaks between any two characters.
  r = Calc(c.dc, "中文中文中", RECT{0, 0, 40, 0}, DT_WORDBREAK);
  EXPECT_EQ(r.bottom, 48);
  EXPECT_EQ(r.right, 32);
  // Line breaks, with and without single-line.
  r = Calc(c.dc, "ab\r\ncd\ne", RECT{0, 0, 100, 0}, 0);
  EXPECT_EQ(r.bottom, 48);
  EXPECT_EQ(r.right, 16);
  r = Calc(c.dc, "ab\r\ncd", RECT{0, 0, 100, 0}, DT_SINGLELINE);
  EXPECT_EQ(r.bottom, 16);
  EXPECT_EQ(r.right, 48);
  RECT e{3, 4, 50, 50};
  EXPECT_EQ(DrawTextA(c.dc, "", 0, &e, DT_CALCRECT), 0);
  EXPECT_EQ(e.right, 3);
  EXPECT_EQ(e.bottom, 4);
}

TEST(GdiDrawText, PrefixesTabsAndMargins) {
  TextCanvas c(120, 40, TestFont(-16));
  EXPECT_EQ(Calc(c.dc, "&ab", RECT{0, 0, 100, 0}, DT_SINGLELINE).right, 16);
  EXPECT_EQ(Calc(c.dc, "&ab", RECT{0, 0, 100, 0}, DT_SINGLELINE | DT_NOPREFIX).right, 24);
  EXPECT_EQ(Calc(c.dc, "a&&b", RECT{0, 0, 100, 0}, DT_SINGLELINE).right, 24);
  EXPECT_EQ(Calc(c.dc, "a\tb", RECT{0, 0, 200, 0}, DT_SINGLELINE | DT_EXPANDTABS).right, 72);
  EXPECT_EQ(Calc(c.dc, "a\tb", RECT{0, 0, 200, 0}, DT_SINGLELINE).right, 24);
  // DT_TABSTOP takes the high byte as the tab length (so it cannot measure: DT_CALCRECT is in it).
  RECT t{0, 0, 100, 20};
  DrawTextA(c.dc, "a\tb", -1, &t, DT_SINGLELINE | DT_EXPANDTABS | DT_TABSTOP | (4 << 8));
  EXPECT_EQ(c.At(32, 5), kBlack);
  EXPECT_EQ(c.At(24, 5), kWhite);
  EXPECT_EQ(t.right, 100);
  RECT clear{0, 0, 120, 40};
  FillRect(c.dc, &clear, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  DRAWTEXTPARAMS p{sizeof(DRAWTEXTPARAMS), 0, 5, 7, 0};
  RECT r{0, 0, 100, 0};
  DrawTextExA(c.dc, const_cast<char*>("ab"), -1, &r, DT_SINGLELINE | DT_CALCRECT, &p);
  EXPECT_EQ(r.right, 28);
  EXPECT_EQ(p.uiLengthDrawn, 2u);
  DRAWTEXTPARAMS bad{3, 0, 0, 0, 0};
  EXPECT_EQ(DrawTextExA(c.dc, const_cast<char*>("ab"), -1, &r, DT_SINGLELINE, &bad), 0);

  // The accelerator is underlined on the baseline row; the prefix itself is not drawn.
  RECT d{0, 0, 100, 20};
  ASSERT_EQ(DrawTextA(c.dc, "&ab", -1, &d, DT_SINGLELINE), 16);
  EXPECT_EQ(c.Row(13, 0, 17), "########.........");
  EXPECT_EQ(c.At(9, 5), kBlack);    // "b" right after "a"
  EXPECT_EQ(c.At(16, 5), kWhite);
  MemCanvas h(60, 20);
  Selected hf(h.dc, TestFont(-16));
  SetBkMode(h.dc, TRANSPARENT);
  DrawTextA(h.dc, "&ab", -1, &d, DT_SINGLELINE | DT_HIDEPREFIX);
  EXPECT_EQ(h.At(0, 13), kWhite);
  MemCanvas o(60, 20);
  Selected of(o.dc, TestFont(-16));
  SetBkMode(o.dc, TRANSPARENT);
  DrawTextA(o.dc, "&ab", -1, &d, DT_SINGLELINE | DT_PREFIXONLY);
  EXPECT_EQ(o.At(0, 13), kBlack);
  EXPECT_EQ(o.At(0, 5), kWhite);
  // Margins move the text.
  MemCanvas m(60, 20);
  Selected mf(m.dc, TestFont(-16));
  SetBkMode(m.dc, TRANSPARENT);
  RECT mr{0, 0, 60, 20};
  DrawTextExA(m.dc, const_cast<char*>("a"), -1, &mr, DT_SINGLELINE, &p);
  EXPECT_EQ(m.At(4, 5), kWhite);
  EXPECT_EQ(m.At(5, 5), kBlack);
}

TEST(GdiDrawText, AlignmentAndVerticalPlacement) {
  auto firstInk = [](const MemCanvas& c, int y) {
    for (int x = 0; x < 100; ++x)
      if (c.At(x, y) == kBlack) return x;
    return -1;
  };
  auto firstInkRow = [](const MemCanvas& c, int x) {
    for (int y = 0; y < 40; ++y)
      if (c.At(x, y) == kBlack) return y;
    return -1;
  };
  RECT r{0, 0, 100, 40};
  TextCanvas a(100, 40, TestFont(-16));
  DrawTextA(a.dc, "ab", -1, &r, DT_SINGLELINE | DT_CENTER);
  EXPECT_EQ(firstInk(a, 5), 42);
  TextCanvas b(100, 40, TestFont(-16));
  DrawTextA(b.dc, "ab", -1, &r, DT_SINGLELINE | DT_RIGHT);
  EXPECT_EQ(firstInk(b, 5), 84);
  TextCanvas v(100, 40, TestFont(-16));
  EXPECT_EQ(DrawTextA(v.dc, "ab", -1, &r, DT_SINGLELINE | DT_VCENTER), 28);
  EXPECT_EQ(firstInkRow(v, 1), 13);
  TextCanvas w(100, 40, TestFont(-16));
  EXPECT_EQ(DrawTextA(w.dc, "ab", -1, &r, DT_SINGLELINE | DT_BOTTOM), 40);
  EXPECT_EQ(firstInkRow(w, 1), 25);
  // Without DT_SINGLELINE the vertical flags do nothing.
  TextCanvas m(100, 40, TestFont(-16));
  EXPECT_EQ(DrawTextA(m.dc, "ab", -1, &r, DT_VCENTER), 16);
  EXPECT_EQ(firstInkRow(m, 1), 1);
  // Clipped to the rectangle unless DT_NOCLIP.
  RECT small{0, 0, 12, 40};
  TextCanvas clip(100, 40, TestFont(-16));
  DrawTextA(clip.dc, "ab", -1, &small, DT_SINGLELINE);
  EXPECT_EQ(clip.At(11, 5), kBlack);
  EXPECT_EQ(clip.At(12, 5), kWhite);
  TextCanvas noclip(100, 40, TestFont(-16));
  DrawTextA(noclip.dc, "ab", -1, &small, DT_SINGLELINE | DT_NOCLIP);
  EXPECT_EQ(noclip.At(12, 5), kBlack);
}

TEST(GdiDrawText, Ellipses) {
  RECT r{0, 0, 40, 20};
  TextCanvas a(100, 20, TestFont(-16));
  DrawTextA(a.dc, "abcdefghij", -1, &r, DT_SINGLELINE | DT_NOCLIP);
  EXPECT_EQ(a.At(44, 5), kBlack);
  TextCanvas b(100, 20, TestFont(-16));
  DrawTextA(b.dc, "abcdefghij", -1, &r, DT_SINGLELINE | DT_NOCLIP | DT_END_ELLIPSIS);
  EXPECT_EQ(b.At(36, 5), kBlack);  // "ab..." fills the 40 pixels
  EXPECT_EQ(b.At(44, 5), kWhite);
  EXPECT_EQ(Calc(b.dc, "abcdefghij", r, DT_SINGLELINE | DT_END_ELLIPSIS).right, 40);
  EXPECT_EQ(Calc(b.dc, "c:\\dir\\file.txt", RECT{0, 0, 104, 0}, DT_SINGLELINE | DT_PATH_ELLIPSIS).right, 104);
  EXPECT_EQ(Calc(b.dc, "c:\\dir\\file.txt", RECT{0, 0, 104, 0}, DT_SINGLELINE).right, 120);
  // Text that runs past the bottom closes its last visible line with "...".
  RECT one{0, 0, 64, 16};
  TextCanvas c(100, 40, TestFont(-16));
  DrawTextA(c.dc, "aaa b ccc", -1, &one, DT_WORDBREAK | DT_END_ELLIPSIS);
  EXPECT_EQ(c.At(44, 5), kBlack);
  TextCanvas d(100, 40, TestFont(-16));
  DrawTextA(d.dc, "aaa b ccc", -1, &one, DT_WORDBREAK);
  EXPECT_EQ(d.At(44, 5), kWhite);
  // The edit-control rule leaves out a partly visible last line.
  RECT part{0, 0, 64, 24};
  TextCanvas e(100, 40, TestFont(-16));
  DrawTextA(e.dc, "ab\ncd", -1, &part, DT_EDITCONTROL);
  EXPECT_EQ(e.At(1, 17), kWhite);
  TextCanvas f(100, 40, TestFont(-16));
  DrawTextA(f.dc, "ab\ncd", -1, &part, 0);
  EXPECT_EQ(f.At(1, 17), kBlack);
}

TEST(GdiFonts, ObjectsAndTheTestSwitch) {
  HFONT f = CreateFontA(-12, 0, 900, 900, FW_BOLD, 0, 0, 0, GB2312_CHARSET, 0, 0, 0, 0, "宋体");
  ASSERT_NE(f, nullptr);
  LOGFONTA a{};
  ASSERT_EQ(GetObjectA(f, sizeof a, &a), static_cast<int>(sizeof a));
  EXPECT_STREQ(a.lfFaceName, "宋体");
  EXPECT_EQ(a.lfEscapement, 900);
  EXPECT_EQ(a.lfWeight, FW_BOLD);
  LOGFONTW w{};
  GetObjectW(f, sizeof w, &w);
  EXPECT_EQ(w.lfFaceName[0], 0x5B8B);
  EXPECT_EQ(w.lfFaceName[2], 0);
  FanoSetTestFont(TRUE);
  EXPECT_TRUE(FanoTestFontActive());
  MemCanvas c(10, 10);
  HGDIOBJ old = SelectObject(c.dc, f);
  TEXTMETRICW tm{};
  GetTextMetricsW(c.dc, &tm);
  EXPECT_EQ(tm.tmHeight, 12);
  EXPECT_EQ(tm.tmAveCharWidth, 6);
  FanoSetTestFont(FALSE);
  SelectObject(c.dc, old);
  DeleteObject(f);
  EXPECT_EQ(SelectObject(c.dc, f), nullptr);
  // A long UTF-8 face name is cut at a character boundary.
  LOGFONTA big{};
  std::string face;
  for (int i = 0; i < 12; ++i) face += "宋";
  std::memcpy(big.lfFaceName, face.data(), LF_FACESIZE);
  HFONT g = CreateFontIndirectA(&big);
  LOGFONTA back{};
  GetObjectA(g, sizeof back, &back);
  EXPECT_EQ(std::strlen(back.lfFaceName) % 3, 0u);
  DeleteObject(g);
}

TEST(GdiFonts, InstalledFontsThroughTheRealEngine) {
  if (FanoTestFontActive()) GTEST_SKIP() << "FANO_TEST_FONT forces the test engine";
  HFONT song = CreateFontA(-16, 0, 0, 0, FW_NORMAL, 0, 0, 0, GB2312_CHARSET, 0, 0, 0, 0, "宋体");
  char file[512];
  ASSERT_GT(FanoGetFontFile(song, file, sizeof file), 0);
  EXPECT_NE(std::string(file).find("wqy"), std::string::npos) << file;  // a Chinese face for 宋体
  HFONT tahoma = CreateFontA(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Tahoma");
  EXPECT_GT(FanoGetFontFile(tahoma, file, sizeof file), 0);
  MemCanvas c(80, 40);
  HGDIOBJ old = SelectObject(c.dc, song);
  TEXTMETRICA tm{};
  GetTextMetricsA(c.dc, &tm);
  EXPECT_GE(tm.tmHeight, 16);
  EXPECT_EQ(tm.tmAscent + tm.tmDescent, tm.tmHeight);
  EXPECT_EQ(tm.tmInternalLeading, tm.tmHeight - 16);
  SIZE s{};
  GetTextExtentPoint32A(c.dc, "中文", -1, &s);
  EXPECT_GE(s.cx, 28);
  EXPECT_LE(s.cx, 36);
  SetBkMode(c.dc, TRANSPARENT);
  TextOutA(c.dc, 2, 2, "中文", -1);
  int ink = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 80; ++x) ink += c.At(x, y) != kWhite;
  EXPECT_GT(ink, 40);
  // Latin text in a Western face.
  SelectObject(c.dc, tahoma);
  GetTextExtentPoint32A(c.dc, "Hello", -1, &s);
  EXPECT_GT(s.cx, 15);
  SelectObject(c.dc, old);
  DeleteObject(song);
  DeleteObject(tahoma);
}

TEST(GdiFonts, RotatedRealTextStaysInsideItsTurnedCell) {
  if (FanoTestFontActive()) GTEST_SKIP() << "FANO_TEST_FONT forces the test engine";
  for (int esc : {900, 2700}) {
    HFONT f = CreateFontA(-14, 0, esc, esc, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Tahoma");
    MemCanvas c(100, 100);
    HGDIOBJ old = SelectObject(c.dc, f);
    SetBkMode(c.dc, TRANSPARENT);
    SIZE s{};
    GetTextExtentPoint32A(c.dc, "Hello", -1, &s);
    TextOutA(c.dc, 50, 50, "Hello", -1);
    // 900: x in [50, 50 + height), y in [50 - width, 50); 2700: x in [50 - height, 50), y in [50, 50 + width).
    int x0 = esc == 900 ? 50 : 50 - s.cy, x1 = esc == 900 ? 50 + s.cy : 50;
    int y0 = esc == 900 ? 50 - s.cx : 50, y1 = esc == 900 ? 50 : 50 + s.cx;
    int inside = 0, outside = 0;
    for (int y = 0; y < 100; ++y)
      for (int x = 0; x < 100; ++x) {
        if (c.At(x, y) == kWhite) continue;
        bool in = x >= x0 - 1 && x < x1 + 1 && y >= y0 - 1 && y < y1 + 1;
        (in ? inside : outside)++;
      }
    EXPECT_GT(inside, 20) << esc;
    EXPECT_EQ(outside, 0) << esc;
    SelectObject(c.dc, old);
    DeleteObject(f);
  }
}

TEST(GdiFonts, RecordedTextCalls) {
  HDC dc = FanoCreateRecordingDC(60, 30);
  HFONT f = TestFont(-10);
  HGDIOBJ old = SelectObject(dc, f);
  TextOutA(dc, 1, 2, "AB中", -1);
  RECT r{0, 0, 50, 20};
  RECT m = r;
  DrawTextW(dc, u"文字", -1, &m, DT_SINGLELINE | DT_CALCRECT);  // measuring is not logged
  DrawTextW(dc, u"文字", -1, &r, DT_SINGLELINE);
  ASSERT_EQ(FanoRecordCount(dc), 2);
  FANO_DRAW_RECORD rec{};
  FanoRecordGet(dc, 0, &rec);
  EXPECT_STREQ(rec.call, "TextOut");
  EXPECT_STREQ(rec.text, "AB中");
  EXPECT_STREQ(rec.fontFace, "FanoTest");
  EXPECT_EQ(rec.fontHeight, -10);
  char buf[128];
  FanoRecordFormat(dc, 1, buf, sizeof buf);
  EXPECT_EQ(std::string(buf), "DrawText(0, 0, 50, 20, " + std::to_string(DT_SINGLELINE) + ") \"文字\"");
  SelectObject(dc, old);
  DeleteObject(f);
  DeleteDC(dc);
}
