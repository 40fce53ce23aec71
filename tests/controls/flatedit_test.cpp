// The flat edit family's frame looks, the hover rule, colours, heights and the combo box's frame
// and arrow.
#include <functional>

#include "controls/flatcombobox.h"
#include "controls/flatedit.h"
#include "controls/flatpanel.h"
#include "controls_test_util.h"
#include "platform/classes/filer.h"
#include "platform/classes/published.h"
#include "platform/forms/stdctrls.h"

using namespace ctltest;

namespace {

class FlatEdits : public ControlsTest {
 protected:
  // The window's own pixel at (x, y) of its whole rectangle (frame included).
  TColor WindowPx(TWinControl* c, int x, int y) {
    RECT wr{};
    GetWindowRect(c->Handle(), &wr);
    return static_cast<TColor>(uitest::WindowPixelAt(form, TPoint(wr.left + x, wr.top + y)));
  }
};

TEST_F(FlatEdits, CreatedWithItsDefaults) {
  auto* e = new TFlatEdit(form);
  EXPECT_EQ(e->Width(), 121);
  EXPECT_EQ(e->Height(), 19);
  EXPECT_TRUE(e->ParentColor());
  EXPECT_EQ(e->BorderStyle(), bsNone);
  EXPECT_FALSE(e->Ctl3D());
  EXPECT_FALSE(e->ControlStyle().Contains(csFramed));
  EXPECT_EQ(e->ColorFocused(), 0xFFFFFF);
  EXPECT_EQ(e->ColorBorder(), 0x8396A0);
  EXPECT_EQ(e->ColorFlat(), 0xE1EAEB);
  EXPECT_EQ(e->AdvColorFocused(), 10);
  EXPECT_EQ(e->AdvColorBorder(), 50);
  auto* m = new TFlatMemo(form);
  EXPECT_EQ(m->Width(), 185);
  EXPECT_EQ(m->Height(), 89);
  auto* k = new TFlatMaskEdit(form);
  EXPECT_EQ(k->Width(), 121);
}

TEST_F(FlatEdits, FlatAndFocusedLooks) {
  auto* e = Add<TFlatEdit>(10, 10, 100, 20);
  e->SetColorFlat(clSilver);
  e->SetColorBorder(clRed);
  e->SetColorFocused(clWhite);
  auto* other = Add<TEdit>(10, 50, 100, 20);
  Show();
  other->SetFocus();
  Pump();
  // A 3-pixel frame outside the client area: the border, then two rings of the body colour.
  EXPECT_EQ(e->ClientWidth(), 94);
  EXPECT_EQ(WindowPx(e, 0, 10), clRed);
  EXPECT_EQ(WindowPx(e, 1, 10), clSilver);
  EXPECT_EQ(WindowPx(e, 2, 10), clSilver);
  EXPECT_EQ(e->Color(), clSilver);
  e->SetFocus();
  Pump();
  EXPECT_TRUE(e->FocusedLook());
  EXPECT_EQ(WindowPx(e, 0, 10), clRed);
  EXPECT_EQ(WindowPx(e, 1, 10), clWhite);
  EXPECT_EQ(e->Color(), clWhite);
}

TEST_F(FlatEdits, HoverLightsOnlyWhileNoFlatEditHasTheFocus) {
  auto* a = Add<TFlatEdit>(10, 10, 100, 20);
  auto* b = Add<TFlatEdit>(10, 40, 100, 20);
  auto* button = Add<TButton>(10, 80, 80, 24);
  Show();
  b->SetFocus();
  Pump();
  MoveMouse(a, 20, 5);
  EXPECT_TRUE(a->MouseInControl());
  EXPECT_FALSE(a->FocusedLook());
  button->SetFocus();
  Pump();
  a->RedrawBorder();
  EXPECT_TRUE(a->FocusedLook());
  EXPECT_EQ(a->Color(), a->ColorFocused());
  MoveMouse(form, 300, 250);
  EXPECT_FALSE(a->MouseInControl());
  EXPECT_FALSE(a->FocusedLook());
}

TEST_F(FlatEdits, ColorFlatStopsFollowingTheParent) {
  auto* panel = Add<TFlatPanel>(0, 0, 300, 100);
  panel->SetColor(clAqua);
  auto* e = Add<TFlatEdit>(10, 10, 100, 20, panel);
  Show();
  EXPECT_EQ(e->ColorFlat(), clAqua);
  panel->SetColor(clYellow);
  EXPECT_EQ(e->ColorFlat(), clYellow);
  e->SetColorFlat(clLime);
  EXPECT_FALSE(e->ParentColor());
  panel->SetColor(clFuchsia);
  EXPECT_EQ(e->ColorFlat(), clLime);
  e->SetParentColor(true);
  EXPECT_EQ(e->ColorFlat(), clFuchsia);
}

TEST_F(FlatEdits, AdvColoursAreShadesOfColorFlat) {
  form->SetColor(static_cast<TColor>(0xE1EAEB));
  auto* e = Add<TFlatEdit>(10, 10, 100, 20);
  e->SetColorFlat(0xE1EAEB);
  e->SetUseAdvColors(true);
  EXPECT_TRUE(e->ParentColor());
  EXPECT_EQ(e->ColorBorder(), CalcAdvancedColor(0xE1EAEB, 0, 50, true));
  EXPECT_EQ(e->ColorFocused(), CalcAdvancedColor(0xE1EAEB, 0, 10, false));
  // Offset 0 keeps the colour's own value.
  e->SetColorFocused(clRed);
  e->SetAdvColorFocused(0);
  EXPECT_EQ(e->ColorFocused(), clRed);
}

TEST_F(FlatEdits, AdvColoursTakeTheParentsColourOverAnExplicitColorFlat) {
  auto* panel = Add<TFlatPanel>(0, 0, 200, 100);
  panel->SetColor(static_cast<TColor>(0xC0E0F0));
  auto* e = Add<TFlatEdit>(10, 10, 100, 20, panel);
  e->SetColorFlat(clYellow);
  ASSERT_FALSE(e->ParentColor());
  e->SetUseAdvColors(true);
  EXPECT_TRUE(e->ParentColor());
  EXPECT_EQ(e->ColorFlat(), static_cast<TColor>(0xC0E0F0));
  EXPECT_EQ(e->ColorBorder(), CalcAdvancedColor(0xC0E0F0, 0x8396A0, 50, true));
  // The parent's later colours still reach it.
  panel->SetColor(static_cast<TColor>(0xF0F0F0));
  EXPECT_EQ(e->ColorFlat(), static_cast<TColor>(0xF0F0F0));
}

TEST_F(FlatEdits, FontChangeResizesTheEditNotTheMemo) {
  auto* e = Add<TFlatEdit>(10, 10, 100, 30);
  auto* m = Add<TFlatMemo>(10, 50, 100, 60);
  Show();
  e->SetParentFont(false);
  e->Font()->SetHeight(-20);
  EXPECT_EQ(e->Height(), 26);
  m->SetParentFont(false);
  m->Font()->SetHeight(-20);
  EXPECT_EQ(m->Height(), 60);
}

TEST_F(FlatEdits, MemoCornerBetweenScrollBars) {
  auto* m = Add<TFlatMemo>(10, 10, 120, 80);
  m->SetColorFlat(clYellow);
  m->SetScrollBars(ssBoth);
  auto* other = Add<TEdit>(10, 150, 100, 20);
  Show();
  other->SetFocus();
  Pump();
  m->RedrawBorder();
  EXPECT_EQ(WindowPx(m, 120 - 3 - 10, 80 - 3 - 10), clYellow);
}

TEST_F(FlatEdits, MemoScrollBarsSitBesideTheTextInsideTheFrame) {
  auto* m = Add<TFlatMemo>(10, 10, 120, 80);
  m->SetScrollBars(ssBoth);
  Show();
  RECT wr{}, cr{};
  GetWindowRect(m->Handle(), &wr);
  GetClientRect(m->Handle(), &cr);
  POINT origin{0, 0};
  ClientToScreen(m->Handle(), &origin);
  ASSERT_EQ(origin.x - wr.left, 3);
  ASSERT_EQ(origin.y - wr.top, 3);
  auto hit = [&](int x, int y) {
    return SendMessage(m->Handle(), WM_NCHITTEST, 0, MAKELPARAM(wr.left + x, wr.top + y));
  };
  int right = 3 + cr.right, bottom = 3 + cr.bottom;  // the text's right and bottom edges
  // The bars begin right at the text, so no strip is left between them.
  EXPECT_EQ(hit(right, 30), HTVSCROLL);
  EXPECT_EQ(hit(right + 15, 30), HTVSCROLL);
  EXPECT_EQ(hit(30, bottom), HTHSCROLL);
  EXPECT_EQ(hit(30, bottom + 15), HTHSCROLL);
  // And end inside the frame, which covers none of them.
  EXPECT_EQ(right + 16, 120 - 3);
  EXPECT_EQ(bottom + 16, 80 - 3);
  EXPECT_NE(hit(120 - 2, 30), HTVSCROLL);
  EXPECT_NE(hit(30, 80 - 2), HTHSCROLL);
  // The frame is drawn whole beside the bars.
  m->RedrawBorder();
  EXPECT_EQ(WindowPx(m, 119, 30), m->ColorBorder());
  EXPECT_EQ(WindowPx(m, 30, 79), m->ColorBorder());
}

TEST_F(FlatEdits, PropertiesRoundTripThroughAResource) {
  form->SetName("EditForm");
  auto* e = Add<TFlatEdit>(10, 10, 100, 20);
  e->SetName("edtCode");
  e->SetColorFlat(clYellow);
  auto* m = Add<TFlatMemo>(10, 40, 100, 60);
  m->SetName("memNote");
  std::string text = WriteComponentText(form);
  // ParentColor starts True: its declared False default must not hide a False value.
  EXPECT_NE(text.find("ParentColor = false"), std::string::npos) << text;
  EXPECT_NE(text.find("ColorFlat = 65535"), std::string::npos) << text;
  EXPECT_EQ(text.find("object TFlatMemo memNote {\n    Left = 10\n    Top = 40\n    Width = 100\n    Height = 60\n    ParentColor"),
            std::string::npos)
      << text;
  // Taken off the form before they go (see the page control's resource test).
  for (TWinControl* c : {static_cast<TWinControl*>(e), static_cast<TWinControl*>(m)}) {
    c->SetParent(nullptr);
    c->Free();
  }
  ReadComponentText(form, text);
  auto* back = dynamic_cast<TFlatEdit*>(form->FindComponent("edtCode"));
  ASSERT_NE(back, nullptr);
  EXPECT_FALSE(back->ParentColor());
  EXPECT_EQ(back->ColorFlat(), clYellow);
  auto* memo = dynamic_cast<TFlatMemo*>(form->FindComponent("memNote"));
  ASSERT_NE(memo, nullptr);
  EXPECT_TRUE(memo->ParentColor());
}

// ---- combo box ----------------------------------------------------------------------------------------

using FlatCombo = FlatEdits;

TEST_F(FlatCombo, CreatedWithItsDefaults) {
  auto* c = new TFlatComboBox(form);
  EXPECT_EQ(c->ColorArrow(), 0);
  EXPECT_EQ(c->ColorArrowBackground(), 0xC5D6D9);
  EXPECT_EQ(c->ColorBorder(), 0x8396A0);
  EXPECT_EQ(c->ButtonWidth(), 11);
  EXPECT_FALSE(c->ControlStyle().Contains(csFixedHeight));
  EXPECT_TRUE(c->ControlStyle().Contains(csOpaque));
}

TEST_F(FlatCombo, FrameButtonAndArrow) {
  auto* c = Add<TFlatComboBox>(10, 10, 120, 21);
  c->SetColor(clWhite);
  c->SetColorBorder(clRed);
  c->SetColorArrowBackground(clYellow);
  c->SetColorArrow(clBlue);
  Show();
  c->RedrawBorders();
  EXPECT_EQ(WindowPx(c, 0, 10), clRed);
  EXPECT_EQ(WindowPx(c, 1, 10), clWhite);
  TRect b = c->ButtonRect();
  EXPECT_EQ(b, TRect(120 - 13, 0, 120, c->Height()));
  EXPECT_EQ(WindowPx(c, b.Left, 10), clRed);
  EXPECT_EQ(WindowPx(c, b.Left + 2, 3), clYellow);
  // The arrow: base (Left + Width/2 - 6, Top + Height/2 - 1), pointing down.
  int x = b.Left + b.Width() / 2 - 6, y = b.Top + b.Height() / 2 - 1;
  EXPECT_EQ(WindowPx(c, x + 6, y + 1), clBlue);
  EXPECT_EQ(WindowPx(c, x + 6, y + 3), clYellow);
}

TEST_F(FlatCombo, DisabledArrowIsGreyEmbossed) {
  auto* c = Add<TFlatComboBox>(10, 10, 120, 21);
  c->SetColorArrowBackground(clYellow);
  c->SetEnabled(false);
  Show();
  c->RedrawBorders();
  TRect b = c->ButtonRect();
  int x = b.Left + b.Width() / 2 - 6, y = b.Top + b.Height() / 2 - 1;
  EXPECT_EQ(WindowPx(c, x + 6, y + 1), clGray);
  EXPECT_EQ(WindowPx(c, x + 7, y + 3), clWhite);
}

TEST_F(FlatCombo, AdvColoursFromAWhiteParent) {
  auto* panel = Add<TFlatPanel>(0, 0, 300, 100);
  panel->SetColor(clWhite);
  auto* c = Add<TFlatComboBox>(10, 10, 120, 21, panel);
  c->SetUseAdvColors(true);
  EXPECT_EQ(c->ColorBorder(), CalcAdvancedColor(clWhite, 0, 50, true));
  EXPECT_EQ(c->ColorArrowBackground(), CalcAdvancedColor(clWhite, 0, 10, true));
  EXPECT_NE(c->ColorBorder(), 0x8396A0);
}

TEST_F(FlatCombo, FocusStateFollowsTheEditChild) {
  auto* c = Add<TFlatComboBox>(10, 10, 120, 21);
  auto* other = Add<TEdit>(10, 50, 100, 20);
  Show();
  other->SetFocus();
  Pump();
  EXPECT_FALSE(c->FlatFocused());
  c->SetFocus();
  Pump();
  EXPECT_TRUE(c->FlatFocused());
  other->SetFocus();
  Pump();
  EXPECT_FALSE(c->FlatFocused());
}

TEST_F(FlatCombo, ListColourMessagesShareOneBrush) {
  auto* c = Add<TFlatComboBox>(10, 10, 120, 21);
  c->SetColor(clAqua);
  Show();
  HDC dc = GetDC(nullptr);
  LRESULT b1 = c->Perform(WM_CTLCOLORLISTBOX, reinterpret_cast<WPARAM>(dc), 0);
  LRESULT b2 = c->Perform(WM_CTLCOLORLISTBOX, reinterpret_cast<WPARAM>(dc), 0);
  EXPECT_EQ(b1, b2);
  EXPECT_EQ(GetBkColor(dc), static_cast<COLORREF>(clAqua));
  c->SetColor(clYellow);
  LRESULT b3 = c->Perform(WM_CTLCOLORLISTBOX, reinterpret_cast<WPARAM>(dc), 0);
  EXPECT_NE(b3, 0);
  ReleaseDC(nullptr, dc);
}

TEST_F(FlatCombo, FlatFaceColourIsWrittenThoughDeclaredTheDefault) {
  // The combo keeps the inherited window colour when made; the flat face colour it is given
  // must reach the resource even though it is the declared default.
  form->SetName("ComboForm");
  auto* c = Add<TFlatComboBox>(10, 10, 120, 21);
  c->SetName("cboKind");
  EXPECT_NE(c->Color(), 0xE1EAEB);
  c->SetColor(0xE1EAEB);
  c->SetColorArrow(clNavy);
  std::string text = WriteComponentText(form);
  EXPECT_NE(text.find("Color = 14805739"), std::string::npos) << text;
  c->SetParent(nullptr);
  c->Free();
  ReadComponentText(form, text);
  auto* back = dynamic_cast<TFlatComboBox*>(form->FindComponent("cboKind"));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->Color(), 0xE1EAEB);
  EXPECT_EQ(back->ColorArrow(), clNavy);
}

using EditSnapshot = SnapshotTest;

TEST_F(EditSnapshot, EditsAndCombos) {
  form->SetCaption("平面编辑框 Flat edits");
  form->SetBounds(10, 10, 420, 300);
  auto label = [&](int y, const char* s) {
    auto* l = new TLabel(form);
    l->SetParent(form);
    l->SetBounds(10, y + 3, 90, 18);
    l->SetCaption(s);
    return l;
  };
  label(10, "平面 Flat");
  auto* flat = Add<TFlatEdit>(110, 10, 180, 21);
  flat->SetText("费用垫付单 FD-001");
  label(40, "焦点 Focused");
  auto* focused = Add<TFlatEdit>(110, 40, 180, 21);
  focused->SetText("正在编辑");
  label(70, "掩码 Mask");
  auto* mask = Add<TFlatMaskEdit>(110, 70, 180, 21);
  mask->SetEditMask("!9999/99/99;1;_");
  mask->SetText("2024-05-15");
  label(100, "备注 Memo");
  auto* memo = Add<TFlatMemo>(110, 100, 180, 60);
  memo->Lines()->Add("第一行备注");
  memo->Lines()->Add("Second line");
  memo->Lines()->Add("第三行 third line");
  memo->Lines()->Add("第四行 fourth line, long enough to scroll");
  memo->SetScrollBars(ssBoth);
  label(170, "币种 Combo");
  auto* combo = Add<TFlatComboBox>(110, 170, 180, 21);
  for (const char* s : {"人民币", "美元"}) combo->Items()->Add(s);
  combo->SetItemIndex(0);
  label(200, "禁用 Disabled");
  auto* off = Add<TFlatComboBox>(110, 200, 180, 21);
  off->Items()->Add("停用");
  off->SetItemIndex(0);
  off->SetEnabled(false);
  auto* adv = Add<TFlatEdit>(110, 230, 180, 21);
  adv->SetUseAdvColors(true);
  adv->SetText("UseAdvColors 派生颜色");
  Show();
  focused->SetFocus();
  Pump();
  WriteSnapshot(form, "flat_edits.png");
}

}  // namespace

namespace {

// The edit child ends where the flat button begins, from the window's creation on: at first,
// after a resize, and in a window made anew for a font or a style.
TEST_F(FlatCombo, EditChildEndsBeforeTheButton) {
  auto* c = Add<TFlatComboBox>(10, 10, 120, 21);
  auto editSize = [&] {
    RECT r{};
    GetWindowRect(c->EditHandle(), &r);
    return std::pair<int, int>(r.right - r.left, r.bottom - r.top);
  };
  auto wanted = [&] { return std::pair<int, int>(c->ClientWidth() - c->ButtonWidth() - 8, c->Height() - 6); };
  Show();
  EXPECT_EQ(editSize(), wanted()) << "created";
  const std::function<void()> changes[] = {
      [&] { c->SetBounds(10, 10, 150, 24); },
      [&] { c->Font()->SetHeight(-20); },
      [&] { c->SetStyle(csSimple); },
  };
  for (size_t i = 0; i < std::size(changes); ++i) {
    changes[i]();
    Pump();
    ASSERT_TRUE(c->EditHandle());
    EXPECT_EQ(editSize(), wanted()) << "change " << i;
  }
}

}  // namespace
