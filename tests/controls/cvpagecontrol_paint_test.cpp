// The page control's painting at pixel probes (test font): strip, page frame, the three tab
// styles, gradients, close buttons, hover frame, bottom and side tabs; and snapshots of each look.
#include <string>

#include "controls/cvpagecontrol.h"
#include "controls_test_util.h"
#include "platform/forms/stdctrls.h"

using namespace ctltest;

namespace {

constexpr TColor kBorder = 0x0000C0;      // tab edges
constexpr TColor kFrame = 0xC00000;       // page frame
constexpr TColor kStrip = 0x00C000;       // behind the tabs
constexpr TColor kActive = 0x00FFFF;      // active tab
constexpr TColor kTab = 0xF0F0F0;         // other tabs
constexpr TColor kFace = 0xE0E0E0;        // the control's colour

class PagePaint : public ControlsTest {
 protected:
  void Build(TTabPosition pos = tpTop) {
    pc = new TCvPageControl(form);
    pc->SetParent(form);
    pc->SetBounds(0, 0, 300, 200);
    pc->SetColor(kFace);
    if (pos == tpLeft || pos == tpRight) pc->SetMultiLine(true);
    pc->SetTabPosition(pos);
    pc->SetTabBorderColor(kBorder);
    pc->SetTabSheetBorderColor(kFrame);
    pc->SetTabBackGroundColor(kStrip);
    pc->SetActiveColor(kActive);
    pc->SetDefaultTabColor(kTab);
    // Short captions: the native text, two characters shorter, sizes the tabs.
    for (const char* c : {"A", "B", "C"}) {
      auto* s = new TCvTabSheet(form);
      s->SetPageControl(pc);
      s->SetCaption(c);
      s->SetColor(clNone);
      pages.push_back(s);
    }
    pc->SetActivePage(pages[0]);
  }
  TColor Px(int x, int y) { return PixelOf(pc, x, y); }
  TRect Tab(int i) { return pc->TabRectOfPage(i); }
  TCvPageControl* pc = nullptr;
  std::vector<TCvTabSheet*> pages;
};

TEST_F(PagePaint, ClassicTopTabsStripAndFrame) {
  Build();
  Show();
  TRect a = Tab(0), b = Tab(1), c = Tab(2);
  int sb = a.Bottom;
  // Strip background and page frame.
  EXPECT_EQ(Px(c.Right + 10, 3), kStrip);
  EXPECT_EQ(Px(0, sb + 20), kFrame);
  EXPECT_EQ(Px(150, 199), kFrame);
  EXPECT_EQ(Px(299, 100), kFrame);
  EXPECT_EQ(Px(150, 198), kFace);  // inner line in the control's colour
  // The active tab: filled, three edges, open toward the page.
  EXPECT_EQ(Px(a.Left + 2, a.Top + 1), kActive);
  EXPECT_EQ(Px(a.Left + 3, a.Top), kBorder);
  EXPECT_EQ(Px(a.Left, a.Top + 5), kBorder);
  EXPECT_EQ(Px(a.Left + 3, sb), kFace);  // the strip edge joins it to the page
  // Another tab: a full rectangle reaching one pixel into the page edge.
  EXPECT_EQ(Px(b.Left + 3, b.Top + 1), kTab);
  EXPECT_EQ(Px(b.Left + 3, b.Top), kBorder);
  EXPECT_EQ(Px(b.Left + 3, sb), kBorder);
  // The frame line past the tabs.
  EXPECT_EQ(Px(c.Right + 10, sb), kFrame);
}

// One row of twenty tabs in a narrow control: a tab chosen by code or by Ctrl+Tab beyond the strip's
// end is scrolled in, painted, and found at its place, as a tab the user clicks or reaches by arrows.
TEST_F(PagePaint, ATabChosenByCodeOrCtrlTabIsScrolledIntoView) {
  pc = new TCvPageControl(form);
  pc->SetParent(form);
  pc->SetBounds(0, 0, 390, 200);
  pc->SetColor(kFace);
  pc->SetTabBackGroundColor(kStrip);
  pc->SetActiveColor(kActive);
  pc->SetDefaultTabColor(kTab);
  for (int i = 1; i <= 20; ++i) {
    auto* s = new TCvTabSheet(form);
    s->SetPageControl(pc);
    s->SetCaption("P" + std::to_string(i) + "  ");
    s->SetColor(clNone);
    pages.push_back(s);
  }
  pc->SetActivePage(pages[0]);
  Show();
  ASSERT_EQ(pc->RowCount(), 1);
  int beyond = -1;  // the first tab wholly past the control's right edge
  for (int i = 0; i < 20 && beyond < 0; ++i)
    if (Tab(i).Left >= pc->ClientWidth()) beyond = i;
  ASSERT_GE(beyond, 0) << "every tab fits: nothing to scroll";
  auto inView = [&](int page) {
    SCOPED_TRACE("page " + std::to_string(page));
    const TRect r = Tab(page);
    EXPECT_GE(r.Left, 0);
    EXPECT_LE(r.Right, pc->ClientWidth());
    const TPoint centre((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
    EXPECT_EQ(pc->TabAtPos(centre.X, centre.Y), page);
    EXPECT_EQ(Px(r.Left + 2, r.Top + 1), kActive);
  };
  pc->SetActivePage(pages[beyond]);
  Pump();
  EXPECT_EQ(pc->ActivePageIndex(), beyond);
  inView(beyond);
  // Back to the first, then Ctrl+Shift+Tab wraps to the last.
  pc->SetActivePage(pages[0]);
  Pump();
  inView(0);
  ASSERT_GE(Tab(19).Left, pc->ClientWidth());
  pc->SetFocus();
  Pump();
  KeyPress(VK_TAB, true, true);
  EXPECT_EQ(pc->ActivePageIndex(), 19);
  inView(19);
}

// A control narrower than its last tab and the scroll arrows: choosing that tab by code returns,
// and the tab leads the strip.
TEST_F(PagePaint, ATabWiderThanTheStripIsChosenByCode) {
  pc = new TCvPageControl(form);
  pc->SetParent(form);
  pc->SetBounds(0, 0, 60, 100);
  for (const char* c : {"基本信息", "明细 Lines", "审批记录"}) {
    auto* s = new TCvTabSheet(form);
    s->SetPageControl(pc);
    s->SetCaption(c);
    pages.push_back(s);
  }
  Show();
  ASSERT_GT(Tab(2).Right - Tab(2).Left, pc->ClientWidth() - 34);
  pc->SetActivePage(pages[2]);
  Pump();
  EXPECT_EQ(pc->ActivePageIndex(), 2);
  EXPECT_EQ(Tab(2).Left, 2);
  EXPECT_EQ(pc->TabAtPos(Tab(2).Left + 4, (Tab(2).Top + Tab(2).Bottom) / 2), 2);
}

TEST_F(PagePaint, ActiveTextInTheActiveFontLowered) {
  Build();
  pc->ActiveFont()->SetColor(clPurple);
  pc->ActiveFont()->SetHeight(-10);
  pc->Font()->SetHeight(-10);
  Show();
  TRect a = Tab(0);
  // Text origin (Left + 4, Top + 1 + LowerActive); the first glyph's block from its second row.
  EXPECT_EQ(Px(a.Left + 4 + 1, a.Top + 1 + 2 + 2), clPurple);
  TRect b = Tab(1);
  EXPECT_EQ(Px(b.Left + 4 + 1, b.Top + 1 + 2), static_cast<TColor>(ColorToRGB(pages[1]->TextColor())));
}

TEST_F(PagePaint, DotNetStyle) {
  Build();
  pc->SetTabStyle(CvPageControl::tsDotNet);
  pages[2]->SetTabColor(kTab);
  Show();
  TRect b = Tab(1), c = Tab(2);
  EXPECT_EQ(Px(b.Left + 3, b.Top), kTab);           // no top edge
  EXPECT_EQ(Px(b.Left + 3, b.Bottom - 1), kBorder);  // the edge toward the page
  // Separators in the active colour 2 and 3 pixels inside the far side (the last column).
  EXPECT_EQ(Px(b.Right - 3, b.Top + 5), kActive);
  EXPECT_EQ(Px(b.Right - 4, b.Top + 5), kActive);
  EXPECT_EQ(Px(c.Right - 3, c.Top + 5), kActive);
  TRect a = Tab(0);
  EXPECT_EQ(Px(a.Left + 3, a.Top), kBorder);  // the active tab's three edges
}

TEST_F(PagePaint, DotNetSeparatorLeftOutBeforeTheActiveTab) {
  Build();
  pc->SetTabStyle(CvPageControl::tsDotNet);
  pc->SetActivePage(pages[1]);
  Show();
  TRect a = Tab(0);
  EXPECT_NE(Px(a.Right - 3, a.Top + 5), kActive);
}

TEST_F(PagePaint, OndrelStyle) {
  Build();
  pc->SetTabStyle(CvPageControl::tsOndrel);
  Show();
  TRect a = Tab(0), b = Tab(1);
  EXPECT_EQ(Px(a.Left, a.Top + 5), kBorder);     // across the strip
  EXPECT_EQ(Px(a.Left + 5, a.Top), kActive);     // but no top edge
  EXPECT_EQ(Px(b.Right - 3, b.Top + 5), kBorder);  // one separator in the border colour
  EXPECT_EQ(Px(b.Right - 4, b.Top + 5), kTab);
}

TEST_F(PagePaint, ActiveColourNoneUsesThePagesOwn) {
  Build();
  pc->SetActiveColor(clNone);
  pages[0]->SetTabColor(clRed);
  Show();
  TRect a = Tab(0);
  EXPECT_EQ(Px(a.Left + 2, a.Top + 1), clRed);
}

TEST_F(PagePaint, GradientTab) {
  Build();
  pc->SetActiveColor(clWhite);
  pc->SetActiveColorTo(clBlack);
  Show();
  TRect a = Tab(0);
  TColor top = Px(a.Left + 3, a.Top + 1), bottom = Px(a.Left + 3, a.Bottom - 2);
  EXPECT_GT(top & 0xFF, bottom & 0xFF);
  EXPECT_GE(top & 0xFF, 0xE0);
}

TEST_F(PagePaint, CloseButtonPictures) {
  Build();
  pages[0]->SetShowClose(true);
  Show();
  TRect a = Tab(0);
  // Box (Left + 2, Top + 2 + LowerActive) - (Left + 14, Top + 13 + LowerActive).
  EXPECT_EQ(Px(a.Left + 2, a.Top + 8), clGray);
  EXPECT_EQ(Px(a.Left + 3, a.Top + 5), clWhite);
  EXPECT_EQ(Px(a.Left + 5, a.Top + 2 + 9), clBlack);  // the cross
  pc->SetTabHoverColor(kActive);
  MoveMouse(pc, a.Right - 2, a.Top + 6);  // hover the tab first (its repaint draws the normal button)
  MoveMouse(pc, a.Left + 6, a.Top + 6);
  ASSERT_TRUE(pc->CloseHot());
  EXPECT_EQ(Px(a.Left + 2, a.Top + 8), clBlack);
  EXPECT_EQ(Px(a.Left + 5, a.Top + 2 + 9), clGray);
  MouseDown(pc, a.Left + 6, a.Top + 6);
  EXPECT_EQ(Px(a.Left + 3, a.Top + 5), clSilver);  // pressed
  MouseUp(pc, 200, 150);
}

TEST_F(PagePaint, HoverFrame) {
  Build();
  pc->SetTabHoverColor(clYellow);
  pc->SetTabHoverBorder(clRed);
  Show();
  TRect b = Tab(1);
  MoveMouse(pc, b.Left + 5, b.Top + 5);
  Pump();
  EXPECT_EQ(Px(b.Left + 3, b.Top + 2), clYellow);
  EXPECT_EQ(Px(b.Left + 3, b.Top - 1), clRed);
  EXPECT_EQ(Px(b.Left, b.Top + 3), clRed);
}

TEST_F(PagePaint, SheetBand) {
  Build();
  pages[0]->SetColor(clAqua);
  Show();
  int sb = Tab(0).Bottom;
  EXPECT_EQ(Px(2, sb + 30), clAqua);
  EXPECT_EQ(Px(150, 197), clAqua);
  EXPECT_EQ(Px(Tab(0).Left + 4, sb), clAqua);  // the strip edge in the page's colour
}

TEST_F(PagePaint, SheetBandReachesThePageOnEverySide) {
  for (TTabPosition pos : {tpTop, tpBottom, tpLeft, tpRight}) {
    pages.clear();
    Build(pos);
    pages[0]->SetColor(clAqua);
    Show();
    // From the frame line on the tab side into the page, past where the page's own window begins.
    TRect sheet = pages[0]->BoundsRect();
    int strip = 0, step = 1, across = 0;
    switch (pos) {
      case tpTop: strip = Tab(0).Bottom; across = 150; break;
      case tpBottom: strip = Tab(0).Top - 1; step = -1; across = 150; break;
      case tpLeft: strip = Tab(0).Right; across = 100; break;
      case tpRight: strip = Tab(0).Left - 1; step = -1; across = 100; break;
    }
    bool vertical = pos == tpLeft || pos == tpRight;
    int reach = vertical ? (step > 0 ? sheet.Left - strip : strip - sheet.Right + 1) : (step > 0 ? sheet.Top - strip : strip - sheet.Bottom + 1);
    std::string seen;
    for (int k = 1; k <= reach + 2; ++k) {
      int at = strip + k * step;
      TColor px = vertical ? Px(at, across) : Px(across, at);
      if (px != clAqua) seen += " " + std::to_string(k) + ":" + std::to_string(px);
    }
    EXPECT_EQ(seen, "") << "position " << static_cast<int>(pos) << ", page window " << reach << " from the frame";
    pc->Free();
    pc = nullptr;
  }
}

TEST_F(PagePaint, BottomTabs) {
  Build(tpBottom);
  Show();
  TRect a = Tab(0), b = Tab(1);
  int st = a.Top;
  EXPECT_EQ(Px(Tab(2).Right + 10, 199 - 3), kStrip);
  EXPECT_EQ(Px(0, 50), kFrame);
  EXPECT_EQ(Px(150, 0), kFrame);
  EXPECT_EQ(Px(a.Left + 3, a.Bottom - 1), kBorder);
  EXPECT_EQ(Px(a.Left + 3, st - 1), kFace);
  EXPECT_EQ(Px(b.Left + 3, b.Bottom - 1), kBorder);
}

TEST_F(PagePaint, SideTabs) {
  Build(tpLeft);
  Show();
  TRect a = Tab(0);
  EXPECT_EQ(Px(a.Left + 5, a.Top + 2), kActive);
  EXPECT_EQ(Px(a.Left, a.Top + 5), kBorder);
  EXPECT_EQ(Px(a.Right + 10, 0), kFrame);
  pc->SetTabPosition(tpRight);
  Pump();
  TRect r = Tab(0);
  EXPECT_EQ(Px(r.Right - 1, r.Top + 5), kBorder);
}

TEST_F(PagePaint, NativeLookWithTabBorder3D) {
  Build();
  pc->SetTabBorder3D(true);
  Show();
  EXPECT_FALSE(pc->OwnerDraw());
  EXPECT_NE(Px(Tab(2).Right + 10, 3), kStrip);
  EXPECT_EQ(pc->Tabs()->Strings(0), "A");  // the caption, not the (empty) native text
}

// ---- snapshots -----------------------------------------------------------------------------------------

class PageSnapshot : public SnapshotTest {
 protected:
  TCvPageControl* Make(int x, int y, int w, int h, TTabPosition pos, CvPageControl::TTabStyle style) {
    auto* pc = new TCvPageControl(form);
    pc->SetParent(form);
    pc->SetBounds(x, y, w, h);
    if (pos == tpLeft || pos == tpRight) pc->SetMultiLine(true);
    pc->SetTabPosition(pos);
    pc->SetTabStyle(style);
    pc->SetActiveColor(clWhite);
    pc->SetActiveColorTo(0xF0D8C0);
    pc->SetDefaultTabColor(0xE8E8E8);
    pc->SetTabBorderColor(0x909090);
    pc->SetTabBackGroundColor(0xD8E4E8);
    int i = 0;
    for (const char* c : {"基本信息", "明细 Lines", "附件"}) {
      auto* s = new TCvTabSheet(form);
      s->SetPageControl(pc);
      s->SetCaption(c);
      s->SetShowClose(i == 1);
      if (i == 0) {
        auto* l = new TLabel(form);
        l->SetParent(s);
        l->SetBounds(10, 10, 200, 18);
        l->SetCaption("费用垫付单 页面内容");
      }
      ++i;
    }
    pc->SetActivePage(pc->GetPage(0));
    // As a form resource would: margins, then the end of loading.
    pc->TabMargin()->SetRightMargin(12);
    pc->Loaded();
    return pc;
  }
};

TEST_F(PageSnapshot, TabStylesAndPositions) {
  form->SetCaption("页面控件 Page control");
  form->SetBounds(10, 10, 760, 560);
  auto* classic = Make(10, 10, 360, 160, tpTop, CvPageControl::tsClassic);
  classic->SetTabHoverColor(0xC0F0FF);
  classic->SetTabHoverColorTo(0x80D0F0);
  classic->SetTabHoverBorder(0x0080FF);
  Make(380, 10, 360, 160, tpTop, CvPageControl::tsDotNet);
  auto* ondrel = Make(10, 180, 360, 160, tpTop, CvPageControl::tsOndrel);
  ondrel->GetPage(0)->SetColor(0xFFF0E0);
  ondrel->GetPage(0)->SetColorTo(clWhite);
  auto* bottom = Make(380, 180, 360, 160, tpBottom, CvPageControl::tsClassic);
  bottom->SetRoundEdges(true);
  bottom->ActiveFont()->SetStyle(TFontStyles{fsBold});
  Make(10, 350, 360, 160, tpLeft, CvPageControl::tsClassic);
  auto* native = Make(380, 350, 360, 160, tpTop, CvPageControl::tsClassic);
  native->SetTabBorder3D(true);
  Show();
  TRect hovered = classic->TabRectOfPage(2);
  MoveMouse(classic, hovered.Left + 5, hovered.Top + 5);  // the hover colours and frame
  WriteSnapshot(form, "cv_page_control.png");
}

}  // namespace
