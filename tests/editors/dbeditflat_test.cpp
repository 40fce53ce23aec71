// Flat mode: the three rings in the non-client area in each look, the colour setters that only
// act in flat mode, and the colours derived from the flat colour.
#include <gtest/gtest.h>

#include "editor_fixture.h"
#include "editors/dbeditbase.h"
#include "editors/hslutils.h"
#include "platform/forms/extctrls.h"

using namespace edtest;

namespace {

constexpr TColor kBorder = static_cast<TColor>(0x000080);
constexpr TColor kFlat = static_cast<TColor>(0xF0F0F0);
constexpr TColor kFocused = static_cast<TColor>(0x80FFFF);

class DBEditFlat : public EditorTest {
 protected:
  TDBEditGx* FlatEdit(int y) {
    auto* e = Add<TDBEditGx>(20, y, 120, 21);
    e->SetBorderStyle(bsNone);
    e->SetCtl3D(false);
    e->SetColorBorder(kBorder);
    e->SetColorFlat(kFlat);
    e->SetColorFocused(kFocused);
    return e;
  }
  // Outer ring, the two inner rings and a client pixel, read from the screen.
  std::vector<COLORREF> Rings(TDBEditGx* e) {
    const TPoint o = e->ClientToScreen(TPoint(0, 0));
    auto px = [&](int dx, int dy) { return uitest::WindowPixelAt(form, TPoint(o.X + dx, o.Y + dy)); };
    return {px(-3, 7), px(-2, 7), px(-1, 7), px(60, 2)};
  }
};

TEST_F(DBEditFlat, FlatModeTakesThreePixelsOnEachSide) {
  auto* e = FlatEdit(20);
  auto* plain = Add<TDBEditGx>(20, 60, 120, 21);
  plain->SetBorderStyle(bsNone);
  Show();
  EXPECT_EQ(e->ClientWidth(), e->Width() - 6);
  EXPECT_EQ(e->ClientHeight(), e->Height() - 6);
  EXPECT_EQ(plain->ClientWidth(), plain->Width());  // Ctl3D on: not flat mode
}

TEST_F(DBEditFlat, NormalAndFocusedLooks) {
  auto* e = FlatEdit(20);
  auto* other = Add<TDBEditGx>(20, 60, 120, 21);
  Show();
  other->SetFocus();
  Pump();
  auto rings = Rings(e);
  EXPECT_EQ(rings[0], ColorToRGB(kBorder));
  EXPECT_EQ(rings[1], ColorToRGB(kFlat));
  EXPECT_EQ(rings[2], ColorToRGB(kFlat));
  EXPECT_EQ(rings[3], ColorToRGB(kFlat));
  EXPECT_EQ(e->Color(), kFlat);
  e->SetFocus();
  Pump();
  rings = Rings(e);
  EXPECT_EQ(rings[0], ColorToRGB(kBorder));
  EXPECT_EQ(rings[1], ColorToRGB(kFocused));
  EXPECT_EQ(rings[2], ColorToRGB(kFocused));
  EXPECT_EQ(rings[3], ColorToRGB(kFocused));
  EXPECT_EQ(e->Color(), kFocused);
  other->SetFocus();
  Pump();
  EXPECT_EQ(Rings(e)[1], ColorToRGB(kFlat));
}

TEST_F(DBEditFlat, HoverLightsUpOnlyWhileNoOtherEditorIsActive) {
  auto* e = FlatEdit(20);
  auto* other = FlatEdit(60);
  auto* button = Add<TButton>(20, 100, 80, 25);
  Show();
  other->SetFocus();
  Pump();
  e->Perform(CM_MOUSEENTER, 0, 0);
  EXPECT_TRUE(e->MouseIn());
  EXPECT_EQ(Rings(e)[1], ColorToRGB(kFlat));
  e->Perform(CM_MOUSELEAVE, 0, 0);
  button->SetFocus();
  Pump();
  e->Perform(CM_MOUSEENTER, 0, 0);
  EXPECT_EQ(Rings(e)[1], ColorToRGB(kFocused));
  e->Perform(CM_MOUSELEAVE, 0, 0);
  EXPECT_FALSE(e->MouseIn());
  EXPECT_EQ(Rings(e)[1], ColorToRGB(kFlat));
}

TEST_F(DBEditFlat, ColourSettersOutsideFlatModeChangeNothing) {
  auto* e = Add<TDBEditGx>(20, 20, 120, 21);
  TColor before = e->ColorFlat();
  e->SetColorFlat(clRed);
  e->SetColorBorder(clRed);
  EXPECT_EQ(e->ColorFlat(), before);
  EXPECT_EQ(e->ColorBorder(), static_cast<TColor>(0x8396A0));
  e->SetParentColorFlat(true);
  EXPECT_FALSE(e->ParentColorFlat());
  e->SetBorderStyle(bsNone);
  e->SetCtl3D(false);
  e->SetColorFlat(clRed);
  EXPECT_EQ(e->ColorFlat(), clRed);
}

TEST_F(DBEditFlat, ColoursDerivedFromTheFlatColourWithTheirCaps) {
  auto* panel = Add<TPanel>(0, 0, 300, 200);
  panel->SetColor(clWhite);
  auto* e = new TDBEditGx(form);
  e->SetParent(panel);
  e->SetBorderStyle(bsNone);
  e->SetCtl3D(false);
  e->SetUseCvColors(true);
  EXPECT_TRUE(e->ParentColorFlat());
  EXPECT_EQ(e->ColorFlat(), clWhite);
  int h, s, l;
  RGBtoHSLRange(ColorToRGB(e->ColorFocused()), h, s, l);
  EXPECT_EQ(l, 100);  // 240 + 10 + 10, capped at 100
  RGBtoHSLRange(ColorToRGB(e->ColorBorder()), h, s, l);
  EXPECT_EQ(l, 200);  // 240 + 10 - 50
  TColor focused = e->ColorFocused();
  e->SetCvColorFocused(0);
  EXPECT_EQ(e->ColorFocused(), focused);  // offset 0 leaves it
  panel->SetColor(static_cast<TColor>(0x2060C0));
  EXPECT_EQ(e->ColorFlat(), static_cast<TColor>(0x2060C0));
  RGBtoHSLRange(ColorToRGB(e->ColorBorder()), h, s, l);
  int ph, ps, pl;
  RGBtoHSLRange(0x2060C0, ph, ps, pl);
  EXPECT_EQ(l, pl + 10 - 50);
  e->SetColorFlat(clYellow);
  EXPECT_FALSE(e->ParentColorFlat());
}

TEST_F(DBEditFlat, NearWhiteColoursStayInTheirChannels) {
  for (TColor c : {static_cast<TColor>(0xFFFFFF), static_cast<TColor>(0xFEFFFF), static_cast<TColor>(0xFFFEFD)}) {
    TColor lighter = TCustomDBEditGx::ShadeColor(c, clNone, 100, false);
    TColor darker = TCustomDBEditGx::ShadeColor(c, clNone, 5, true);
    EXPECT_EQ(lighter & 0xFF000000u, 0u);
    EXPECT_EQ(darker & 0xFF000000u, 0u);
    int h, s, l;
    RGBtoHSLRange(darker, h, s, l);
    EXPECT_LE(l, 240);
  }
  EXPECT_EQ(TCustomDBEditGx::ShadeColor(clWhite, clRed, 0, true), clRed);
}

TEST_F(DBEditFlat, BothScrollBarsFillTheCornerWithTheInnerColour) {
  auto* e = FlatEdit(20);
  e->SetAutoSize(false);
  e->SetHeight(80);
  e->SetScrollBars(ssBoth);
  Show();
  HWND h = e->Handle();
  RECT wr;
  GetWindowRect(h, &wr);
  TPoint local(wr.right - wr.left - 3 - 8, wr.bottom - wr.top - 3 - 8);  // inside the 16 x 16 corner
  COLORREF c = uitest::WindowPixelAt(form, TPoint(wr.left + local.X, wr.top + local.Y));
  EXPECT_EQ(c, ColorToRGB(e->Focused() ? kFocused : kFlat));
}

TEST_F(DBEditFlat, TheFlatPropertyBorderIsSunkenWhileActive) {
  auto* e = Add<TDBEditGx>(20, 20, 120, 21);
  e->SetFlat(true);
  auto* other = Add<TDBEditGx>(20, 60, 120, 21);
  Show();
  other->SetFocus();
  Pump();
  EXPECT_FALSE(e->BorderActive());
  e->SetFocus();
  Pump();
  EXPECT_TRUE(e->BorderActive());
  e->SetAlwaysShowBorder(true);
  other->SetFocus();
  Pump();
  EXPECT_TRUE(e->BorderActive());
}

}  // namespace
