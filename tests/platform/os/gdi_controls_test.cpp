// DrawEdge and DrawFrameControl in the classic look, the recording DC and surface DCs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/os/gdi_internal.h"
#include "platform/os/gdi_test_util.h"
#include "platform/os/wingdi.h"
#include "support/testpaths.h"

using namespace gdi_test;

namespace {

// Distinct system colours, so every probe can tell which one a pixel took.
class ClassicColours : public ::testing::Test {
 protected:
  static constexpr int kIdx[] = {COLOR_BTNFACE,   COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT, COLOR_3DDKSHADOW,
                                 COLOR_3DLIGHT,   COLOR_WINDOW,    COLOR_WINDOWFRAME,  COLOR_WINDOWTEXT,
                                 COLOR_BTNTEXT};
  static constexpr int kN = sizeof(kIdx) / sizeof(kIdx[0]);
  COLORREF saved_[kN];
  void SetUp() override {
    COLORREF mine[kN];
    for (int i = 0; i < kN; ++i) {
      saved_[i] = GetSysColor(kIdx[i]);
      mine[i] = RGB(10 + i, 20 + i, 30 + i);
    }
    SetSysColors(kN, kIdx, mine);
  }
  void TearDown() override { SetSysColors(kN, kIdx, saved_); }
  static COLORREF Sys(int i) { return GetSysColor(i); }
};

}  // namespace

TEST_F(ClassicColours, DrawEdgeRaisedAndSunken) {
  MemCanvas c(10, 8, kRed);
  RECT r{0, 0, 10, 8};
  ASSERT_TRUE(DrawEdge(c.dc, &r, EDGE_RAISED, BF_RECT | BF_MIDDLE));
  EXPECT_EQ(c.At(0, 0), Sys(COLOR_3DLIGHT));
  EXPECT_EQ(c.At(1, 1), Sys(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(c.At(9, 7), Sys(COLOR_3DDKSHADOW));
  EXPECT_EQ(c.At(9, 0), Sys(COLOR_3DDKSHADOW));  // the bottom-right colour covers the far corners
  EXPECT_EQ(c.At(0, 7), Sys(COLOR_3DDKSHADOW));
  EXPECT_EQ(c.At(8, 6), Sys(COLOR_BTNSHADOW));
  EXPECT_EQ(c.At(5, 4), Sys(COLOR_BTNFACE));
  EXPECT_EQ(r.left, 0);  // no BF_ADJUST

  DrawEdge(c.dc, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  EXPECT_EQ(c.At(0, 0), Sys(COLOR_BTNSHADOW));
  EXPECT_EQ(c.At(1, 1), Sys(COLOR_3DDKSHADOW));
  EXPECT_EQ(c.At(9, 7), Sys(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(c.At(8, 6), Sys(COLOR_3DLIGHT));
  EXPECT_EQ(r.left, 2);
  EXPECT_EQ(r.top, 2);
  EXPECT_EQ(r.right, 8);
  EXPECT_EQ(r.bottom, 6);

  RECT s{0, 0, 10, 8};
  DrawEdge(c.dc, &s, EDGE_RAISED, BF_RECT | BF_SOFT);
  EXPECT_EQ(c.At(0, 0), Sys(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(c.At(1, 1), Sys(COLOR_3DLIGHT));
}

TEST_F(ClassicColours, DrawEdgeSingleBordersSidesFlatAndMono) {
  MemCanvas c(10, 8, kRed);
  RECT r{0, 0, 10, 8};
  DrawEdge(c.dc, &r, BDR_SUNKENOUTER, BF_RECT);
  EXPECT_EQ(c.At(0, 0), Sys(COLOR_BTNSHADOW));
  EXPECT_EQ(c.At(9, 7), Sys(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(c.At(1, 1), kRed);
  MemCanvas b(10, 8, kRed);
  DrawEdge(b.dc, &r, BDR_RAISEDINNER, BF_BOTTOM);
  EXPECT_EQ(b.At(4, 7), Sys(COLOR_BTNSHADOW));
  EXPECT_EQ(b.At(0, 0), kRed);
  EXPECT_EQ(b.At(9, 3), kRed);
  MemCanvas f(10, 8, kRed);
  DrawEdge(f.dc, &r, EDGE_RAISED, BF_RECT | BF_FLAT | BF_MIDDLE);
  EXPECT_EQ(f.At(0, 0), Sys(COLOR_BTNSHADOW));
  EXPECT_EQ(f.At(9, 7), Sys(COLOR_BTNSHADOW));
  EXPECT_EQ(f.At(1, 1), Sys(COLOR_BTNFACE));
  EXPECT_EQ(f.At(5, 4), Sys(COLOR_WINDOW));
  MemCanvas m(10, 8, kRed);
  DrawEdge(m.dc, &r, EDGE_SUNKEN, BF_RECT | BF_MONO);
  EXPECT_EQ(m.At(0, 0), Sys(COLOR_WINDOWFRAME));
  EXPECT_EQ(m.At(1, 1), Sys(COLOR_WINDOW));
}

TEST_F(ClassicColours, CheckBoxStates) {
  RECT r{0, 0, 13, 13};
  MemCanvas u(13, 13, kRed);
  ASSERT_TRUE(DrawFrameControl(u.dc, &r, DFC_BUTTON, DFCS_BUTTONCHECK));
  EXPECT_EQ(u.At(0, 0), Sys(COLOR_BTNSHADOW));
  EXPECT_EQ(u.At(1, 1), Sys(COLOR_3DDKSHADOW));
  EXPECT_EQ(u.At(12, 12), Sys(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(u.At(6, 6), Sys(COLOR_WINDOW));
  EXPECT_EQ(u.At(5, 8), Sys(COLOR_WINDOW));

  // Checked: a "V" three pixels thick, lowest in column 5.
  MemCanvas c(13, 13, kRed);
  DrawFrameControl(c.dc, &r, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED);
  COLORREF ink = Sys(COLOR_WINDOWTEXT), paper = Sys(COLOR_WINDOW);
  EXPECT_EQ(c.Col(5, 2, 11, ink, paper), ".....###.");
  EXPECT_EQ(c.Col(3, 2, 11, ink, paper), "...###...");
  EXPECT_EQ(c.Col(9, 2, 11, ink, paper), ".###.....");
  EXPECT_EQ(c.Col(2, 2, 11, ink, paper), ".........");

  // Grayed (three-state): the mark in the shadow colour on a half-tone.
  MemCanvas g(13, 13, kRed);
  DrawFrameControl(g.dc, &r, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_BUTTON3STATE | DFCS_CHECKED);
  EXPECT_EQ(g.At(5, 8), Sys(COLOR_BTNSHADOW));
  EXPECT_NE(g.At(2, 2), g.At(3, 2));
  EXPECT_TRUE(g.At(2, 2) == Sys(COLOR_BTNFACE) || g.At(2, 2) == Sys(COLOR_BTNHIGHLIGHT));

  // Inactive and pushed boxes have a face-coloured interior; flat boxes a one-pixel frame.
  MemCanvas i(13, 13, kRed);
  DrawFrameControl(i.dc, &r, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_INACTIVE | DFCS_CHECKED);
  EXPECT_EQ(i.At(2, 2), Sys(COLOR_BTNFACE));
  EXPECT_EQ(i.At(5, 8), Sys(COLOR_BTNSHADOW));
  MemCanvas fl(13, 13, kRed);
  DrawFrameControl(fl.dc, &r, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_FLAT);
  EXPECT_EQ(fl.At(0, 0), Sys(COLOR_BTNSHADOW));
  EXPECT_EQ(fl.At(12, 12), Sys(COLOR_BTNSHADOW));
  EXPECT_EQ(fl.At(1, 1), Sys(COLOR_WINDOW));
}

TEST_F(ClassicColours, ComboAndScrollArrows) {
  RECT r{0, 0, 17, 17};
  MemCanvas c(17, 17, kRed);
  ASSERT_TRUE(DrawFrameControl(c.dc, &r, DFC_SCROLL, DFCS_SCROLLCOMBOBOX));
  COLORREF ink = Sys(COLOR_BTNTEXT), face = Sys(COLOR_BTNFACE);
  EXPECT_EQ(c.At(0, 0), Sys(COLOR_3DLIGHT));
  EXPECT_EQ(c.Row(6, 3, 14, ink, face), "..#######..");
  EXPECT_EQ(c.Row(7, 3, 14, ink, face), "...#####...");
  EXPECT_EQ(c.Row(9, 3, 14, ink, face), ".....#.....");
  EXPECT_EQ(c.Row(10, 3, 14, ink, face), "...........");

  MemCanvas p(17, 17, kRed);
  DrawFrameControl(p.dc, &r, DFC_SCROLL, DFCS_SCROLLCOMBOBOX | DFCS_PUSHED);
  EXPECT_EQ(p.At(0, 0), Sys(COLOR_BTNSHADOW));
  EXPECT_EQ(p.At(16, 16), Sys(COLOR_BTNSHADOW));
  EXPECT_EQ(p.Row(10, 3, 14, ink, face), "......#....");  // shifted one pixel right and down

  MemCanvas in(17, 17, kRed);
  DrawFrameControl(in.dc, &r, DFC_SCROLL, DFCS_SCROLLCOMBOBOX | DFCS_INACTIVE);
  EXPECT_EQ(in.At(8, 9), Sys(COLOR_BTNSHADOW));
  EXPECT_EQ(in.At(9, 10), Sys(COLOR_BTNHIGHLIGHT));

  MemCanvas up(17, 17, kRed);
  DrawFrameControl(up.dc, &r, DFC_SCROLL, DFCS_SCROLLUP);
  EXPECT_EQ(up.Row(6, 3, 14, ink, face), ".....#.....");
  EXPECT_EQ(up.Row(9, 3, 14, ink, face), "..#######..");
  EXPECT_FALSE(DrawFrameControl(up.dc, &r, DFC_SCROLL, 0x77));
  EXPECT_FALSE(DrawFrameControl(up.dc, &r, 99, 0));
}

TEST_F(ClassicColours, RadioButtonAndPushButton) {
  RECT r{0, 0, 13, 13};
  MemCanvas c(13, 13, kRed);
  DrawFrameControl(c.dc, &r, DFC_BUTTON, DFCS_BUTTONRADIO | DFCS_CHECKED);
  EXPECT_EQ(c.At(6, 6), Sys(COLOR_WINDOWTEXT));
  EXPECT_EQ(c.At(6, 0), Sys(COLOR_BTNSHADOW));
  EXPECT_EQ(c.At(6, 12), Sys(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(c.At(3, 6), Sys(COLOR_WINDOW));
  EXPECT_EQ(c.At(0, 0), kRed);  // outside the circle
  MemCanvas b(20, 10, kRed);
  RECT br{0, 0, 20, 10};
  DrawFrameControl(b.dc, &br, DFC_BUTTON, DFCS_BUTTONPUSH);
  EXPECT_EQ(b.At(10, 5), Sys(COLOR_BTNFACE));
  EXPECT_EQ(b.At(19, 9), Sys(COLOR_3DDKSHADOW));
}

TEST(GdiRecording, LogsOuterCallsWithTheirState) {
  HDC dc = FanoCreateRecordingDC(40, 40);
  ASSERT_NE(dc, nullptr);
  HPEN red = CreatePen(PS_DOT, 1, kRed);
  HGDIOBJ old = SelectObject(dc, red);
  Rectangle(dc, 1, 2, 10, 20);
  RECT r{20, 20, 30, 30};
  DrawEdge(dc, &r, EDGE_RAISED, BF_RECT | BF_MIDDLE);  // draws lines inside: one record only
  MoveToEx(dc, 3, 4, nullptr);
  LineTo(dc, 7, 4);
  ASSERT_EQ(FanoRecordCount(dc), 3);
  char buf[128];
  FanoRecordFormat(dc, 0, buf, sizeof buf);
  EXPECT_STREQ(buf, "Rectangle(1, 2, 10, 20)");
  FANO_DRAW_RECORD rec{};
  ASSERT_TRUE(FanoRecordGet(dc, 0, &rec));
  EXPECT_EQ(rec.penColor, kRed);
  EXPECT_EQ(rec.penStyle, PS_DOT);
  EXPECT_EQ(rec.brushColor, kWhite);
  FanoRecordFormat(dc, 1, buf, sizeof buf);
  EXPECT_EQ(std::string(buf), "DrawEdge(20, 20, 30, 30, " + std::to_string(EDGE_RAISED) + ", " +
                                  std::to_string(BF_RECT | BF_MIDDLE) + ")");
  FanoRecordFormat(dc, 2, buf, sizeof buf);
  EXPECT_STREQ(buf, "LineTo(3, 4, 7, 4)");
  // The recording DC draws too.
  EXPECT_EQ(GetPixel(dc, 1, 2), kRed);
  EXPECT_FALSE(FanoRecordGet(dc, 3, &rec));
  FanoRecordStop(dc);
  LineTo(dc, 9, 9);
  EXPECT_EQ(FanoRecordCount(dc), 3);
  FanoRecordStart(dc);
  EXPECT_EQ(FanoRecordCount(dc), 0);
  // Any DC can record.
  MemCanvas m(8, 8);
  FanoRecordStart(m.dc);
  PatBlt(m.dc, 0, 0, 4, 4, BLACKNESS);
  EXPECT_EQ(FanoRecordCount(m.dc), 1);
  int64_t args[8];
  EXPECT_EQ(FanoRecordArgs(m.dc, 0, args, 8), 5);
  EXPECT_EQ(args[2], 4);
  SelectObject(dc, old);
  DeleteObject(red);
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_EQ(FanoRecordCount(dc), 0);
}

TEST(GdiSurfaceDC, DrawsInsideTheVisibleAreaOnly) {
  fano_os::Surface s;
  s.Resize(40, 30, kWhite);
  pixman_region32_t vis;
  pixman_region32_init_rect(&vis, 5, 5, 20, 20);  // surface (5,5)-(25,25)
  HWND owner = reinterpret_cast<HWND>(uintptr_t(0x77));
  HDC dc = fano_os::CreateSurfaceDC(&s, POINT{10, 10}, &vis, owner);
  pixman_region32_fini(&vis);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(WindowFromDC(dc), owner);
  EXPECT_EQ(GetObjectType(dc), static_cast<DWORD>(OBJ_DC));
  RECT all{-100, -100, 100, 100};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  auto at = [&](int x, int y) { return s.pixels[static_cast<size_t>(y) * 40 + x]; };
  EXPECT_EQ(at(4, 4), kWhite);
  EXPECT_EQ(at(5, 5), kBlack);  // visible area left of and above the DC's origin
  EXPECT_EQ(at(24, 24), kBlack);
  EXPECT_EQ(at(25, 24), kWhite);
  RECT box{};
  GetClipBox(dc, &box);
  EXPECT_EQ(box.left, -5);
  EXPECT_EQ(box.right, 15);
  EXPECT_EQ(GetPixel(dc, 0, 0), kBlack);
  // A bitmap cannot go into a window DC.
  HBITMAP bm = CreateBitmap(2, 2, 1, 32, nullptr);
  EXPECT_EQ(SelectObject(dc, bm), nullptr);
  DeleteObject(bm);
  // BeginPaint's update region narrows the DC further.
  pixman_region32_t upd;
  pixman_region32_init_rect(&upd, 20, 20, 3, 3);
  fano_os::RestrictSurfaceDC(dc, &upd);
  pixman_region32_fini(&upd);
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  EXPECT_EQ(at(21, 21), kWhite);
  EXPECT_EQ(at(19, 19), kBlack);
  // A surface that goes away leaves an inert DC.
  fano_os::DetachSurfaceDCs(&s);
  EXPECT_TRUE(FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))));
  EXPECT_EQ(at(21, 21), kWhite);
  EXPECT_EQ(GetPixel(dc, 11, 11), CLR_INVALID);
  fano_os::ReleaseSurfaceDC(dc);
  EXPECT_EQ(GetObjectType(dc), 0u);
}

TEST(GdiSurfaceDC, XorRectangleTwiceRestores) {
  fano_os::Surface s;
  s.Resize(10, 10, RGB(1, 2, 3));
  fano_os::XorSurfaceRect(&s, RECT{2, 2, 4, 8}, nullptr);
  EXPECT_EQ(s.pixels[3 * 10 + 3], RGB(1, 2, 3) ^ 0xFFFFFF);
  EXPECT_EQ(s.pixels[3 * 10 + 4], RGB(1, 2, 3));
  fano_os::XorSurfaceRect(&s, RECT{2, 2, 4, 8}, nullptr);
  for (uint32_t p : s.pixels) ASSERT_EQ(p, RGB(1, 2, 3));
  // Regions cross the boundary both ways.
  HRGN r = CreateRectRgn(1, 2, 3, 4);
  const pixman_region32_t* pr = fano_os::RegionPixman(r);
  ASSERT_NE(pr, nullptr);
  HRGN copy = fano_os::CreateRegionFromPixman(pr);
  EXPECT_TRUE(EqualRgn(r, copy));
  DeleteObject(r);
  EXPECT_EQ(fano_os::RegionPixman(r), nullptr);
  DeleteObject(copy);
}

// The check mark stays one piece at every box size, sunken and flat: each column under it holds
// one run of ink, and neighbouring runs touch. A sheet of them is written for people to look at.
TEST_F(ClassicColours, CheckMarksAreWholeAtEverySize) {
  const COLORREF ink = Sys(COLOR_WINDOWTEXT);
  MemCanvas sheet(620, 110, kWhite);
  int sheetX = 5;
  for (int size : {13, 16, 20}) {
    for (UINT style : {0u, static_cast<UINT>(DFCS_FLAT)}) {
      SCOPED_TRACE(testing::Message() << "box " << size << (style ? " flat" : " sunken"));
      MemCanvas c(size, size, kRed);
      RECT r{0, 0, size, size};
      ASSERT_TRUE(DrawFrameControl(c.dc, &r, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED | style));
      int inset = style ? 1 : 2, n = size - 2 * inset;
      std::vector<int> cols;
      int prevTop = -1, prevBottom = -1;
      for (int x = inset; x < size - inset; ++x) {
        std::string col = c.Col(x, inset, size - inset, ink, Sys(COLOR_WINDOW));
        size_t top = col.find('#');
        if (top == std::string::npos) continue;
        size_t bottom = col.find_last_of('#');
        EXPECT_EQ(col.substr(top, bottom - top + 1).find('.'), std::string::npos) << "a broken run in column " << x;
        if (!cols.empty()) {
          EXPECT_EQ(cols.back(), x - 1) << "a gap before column " << x;
          EXPECT_TRUE(static_cast<int>(top) <= prevBottom + 1 && static_cast<int>(bottom) + 1 >= prevTop)
              << "column " << x << " does not touch the one before";
        }
        cols.push_back(x);
        prevTop = static_cast<int>(top);
        prevBottom = static_cast<int>(bottom);
      }
      ASSERT_FALSE(cols.empty());
      EXPECT_GE(static_cast<int>(cols.size()), n * 2 / 3) << "the mark spans most of the box";
    }
  }
  // The sheet in the real colours, five times enlarged.
  SetSysColors(kN, kIdx, saved_);
  for (int size : {13, 16, 20})
    for (UINT style : {0u, static_cast<UINT>(DFCS_FLAT)}) {
      MemCanvas c(size, size, kWhite);
      RECT r{0, 0, size, size};
      DrawFrameControl(c.dc, &r, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED | style);
      StretchBlt(sheet.dc, sheetX, 5, size * 5, size * 5, c.dc, 0, 0, size, size, SRCCOPY);
      sheetX += size * 5 + 10;
    }
  FanoSaveImageFile(sheet.bm, FANO_IMAGE_PNG, 0, testpaths::SnapshotPath("check_marks.png").c_str());
}

// Push buttons: checked (staying down) is sunken on a half-tone; flat ones show a raised frame
// under the pointer and a sunken one when down; transparent ones leave the face alone.
TEST_F(ClassicColours, PushButtonHotCheckedAndTransparentStates) {
  RECT r{0, 0, 20, 12};
  MemCanvas checked(20, 12, kRed);
  DrawFrameControl(checked.dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_CHECKED);
  EXPECT_EQ(checked.At(0, 0), Sys(COLOR_BTNSHADOW)) << "sunken";
  EXPECT_EQ(checked.At(19, 11), Sys(COLOR_BTNHIGHLIGHT));
  EXPECT_NE(checked.At(5, 5), checked.At(6, 5)) << "a half-tone face";
  EXPECT_TRUE(checked.At(5, 5) == Sys(COLOR_BTNFACE) || checked.At(5, 5) == Sys(COLOR_BTNHIGHLIGHT));

  MemCanvas flat(20, 12, kRed);
  DrawFrameControl(flat.dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_FLAT);
  EXPECT_EQ(flat.At(0, 0), Sys(COLOR_BTNSHADOW));
  EXPECT_EQ(flat.At(19, 11), Sys(COLOR_BTNSHADOW));
  MemCanvas hot(20, 12, kRed);
  DrawFrameControl(hot.dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_FLAT | DFCS_HOT);
  EXPECT_EQ(hot.At(0, 0), Sys(COLOR_BTNHIGHLIGHT)) << "raised under the pointer";
  EXPECT_EQ(hot.At(19, 11), Sys(COLOR_BTNSHADOW));
  EXPECT_EQ(hot.At(5, 5), Sys(COLOR_BTNFACE));
  MemCanvas down(20, 12, kRed);
  DrawFrameControl(down.dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_FLAT | DFCS_HOT | DFCS_PUSHED);
  EXPECT_EQ(down.At(0, 0), Sys(COLOR_BTNSHADOW)) << "sunken when down";
  EXPECT_EQ(down.At(19, 11), Sys(COLOR_BTNHIGHLIGHT));

  MemCanvas clear(20, 12, kRed);
  DrawFrameControl(clear.dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_TRANSPARENT);
  EXPECT_EQ(clear.At(10, 6), kRed) << "the face is left as it was";
  EXPECT_EQ(clear.At(19, 11), Sys(COLOR_3DDKSHADOW));

  // Check boxes: transparent keeps the cell behind; a hot flat box darkens its frame.
  RECT b{0, 0, 13, 13};
  MemCanvas cell(13, 13, kRed);
  DrawFrameControl(cell.dc, &b, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED | DFCS_FLAT | DFCS_TRANSPARENT);
  EXPECT_EQ(cell.At(2, 10), kRed);
  EXPECT_EQ(cell.At(0, 0), Sys(COLOR_BTNSHADOW));
  MemCanvas hotBox(13, 13, kRed);
  DrawFrameControl(hotBox.dc, &b, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_FLAT | DFCS_HOT);
  EXPECT_EQ(hotBox.At(0, 0), Sys(COLOR_3DDKSHADOW));
  EXPECT_EQ(hotBox.At(6, 6), Sys(COLOR_WINDOW));
}
