// Check boxes and radio buttons: clicks and their counts, groups, the drag-off rule, hover colours
// and the shared hover timer; the speed button's groups, glyph cells, clicks and timer.
#include <memory>

#include "controls/flatcheckbox.h"
#include "controls/flatpanel.h"
#include "controls/flatspeedbutton.h"
#include "controls_test_util.h"
#include "platform/forms/stdctrls.h"

using namespace ctltest;

namespace {

using FlatCheck = ControlsTest;

TEST_F(FlatCheck, CreatedWithItsDefaults) {
  auto* c = new TFlatCheckBox(form);
  EXPECT_EQ(c->Width(), 121);
  EXPECT_EQ(c->Height(), 17);
  EXPECT_TRUE(c->TabStop());
  EXPECT_TRUE(c->TControl::ParentColor());
  EXPECT_EQ(c->ColorDown(), 0xC5D6D9);
  EXPECT_EQ(c->Layout(), checkboxLeft);
  auto* r = new TFlatRadioButton(form);
  EXPECT_FALSE(r->TabStop());
  EXPECT_EQ(r->Layout(), radioLeft);
}

TEST_F(FlatCheck, CheckedInCodeClicksBothWays) {
  auto* c = Add<TFlatCheckBox>(10, 10, 100, 17);
  int clicks = 0;
  c->OnClick = [&](TObject*) { ++clicks; };
  c->SetChecked(true);
  c->SetChecked(true);
  c->SetChecked(false);
  EXPECT_EQ(clicks, 2);
  // A BN_CLICKED the parent reflects back clicks as well, and changes nothing; so for a radio button.
  auto* r = Add<TFlatRadioButton>(10, 40, 100, 17);
  r->OnClick = [&](TObject*) { clicks += 10; };
  Show();
  for (TWinControl* w : {static_cast<TWinControl*>(c), static_cast<TWinControl*>(r)})
    SendMessage(form->Handle(), WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(w->Handle()));
  EXPECT_EQ(clicks, 13);
  EXPECT_FALSE(c->Checked());
}

TEST_F(FlatCheck, MouseClickTogglesOnlyWhenReleasedInside) {
  auto* c = Add<TFlatCheckBox>(10, 10, 100, 17);
  int clicks = 0;
  c->OnClick = [&](TObject*) { ++clicks; };
  Show();
  MoveMouse(c, 5, 8);
  ClickAt(c, 5, 8);
  EXPECT_TRUE(c->Checked());
  EXPECT_EQ(clicks, 1);
  // Pressed, dragged off and released outside: no change.
  MouseDown(c, 5, 8);
  EXPECT_TRUE(c->MouseIsDown());
  MoveMouse(form, 300, 200);
  MouseUp(form, 300, 200);
  EXPECT_TRUE(c->Checked());
  EXPECT_EQ(clicks, 1);
  EXPECT_FALSE(c->MouseIsDown());
}

TEST_F(FlatCheck, SpaceTogglesTheFocusedBox) {
  auto* c = Add<TFlatCheckBox>(10, 10, 100, 17);
  Show();
  c->SetFocus();
  Pump();
  KeyPress(VK_SPACE);
  EXPECT_TRUE(c->Checked());
}

TEST_F(FlatCheck, DisabledIgnoresTheUser) {
  auto* c = Add<TFlatCheckBox>(10, 10, 100, 17);
  c->SetEnabled(false);
  Show();
  ClickAt(c, 5, 8);
  EXPECT_FALSE(c->Checked());
}

TEST_F(FlatCheck, BoxPixels) {
  auto* c = Add<TFlatCheckBox>(10, 10, 100, 17);
  c->SetColor(clWhite);
  c->SetColorBorder(clRed);
  c->SetColorCheck(clBlue);
  c->SetChecked(true);
  Show();
  // Box (1, 3) - (12, 14): frame, fill and the tick's first stroke.
  EXPECT_EQ(PixelOf(c, 1, 8), clRed);
  EXPECT_EQ(PixelOf(c, 11, 13), clRed);
  EXPECT_EQ(PixelOf(c, 1 + 2, 3 + 4), clBlue);
  EXPECT_EQ(PixelOf(c, 1 + 9, 3 + 9), clWhite);
  c->SetLayout(checkboxRight);
  Pump();
  EXPECT_EQ(PixelOf(c, 99, 8), clWhite);
  EXPECT_EQ(PixelOf(c, 100 - 12, 8), clRed);
}

TEST_F(FlatCheck, HoverColourFollowsTheLastHoveredBox) {
  auto* a = Add<TFlatCheckBox>(10, 10, 100, 17);
  auto* b = Add<TFlatCheckBox>(10, 40, 100, 17);
  a->SetColorFocused(clYellow);
  b->SetColorFocused(clYellow);
  Show();
  TFlatHoverTimer& hover = TFlatCheckBox::SharedHover();
  MoveMouse(a, 50, 8);
  EXPECT_TRUE(a->MouseInControl());
  EXPECT_EQ(hover.Tracked(), a);
  EXPECT_EQ(PixelOf(a, 5, 8), clYellow);
  MoveMouse(b, 50, 8);
  EXPECT_FALSE(a->MouseInControl());
  EXPECT_TRUE(b->MouseInControl());
  EXPECT_EQ(hover.Tracked(), b);
  ASSERT_NE(hover.Timer(), nullptr);
  EXPECT_TRUE(hover.Timer()->Enabled());
  // The pointer leaves without a move over another box: the timer notices.
  FanoInputMouseMove(0, 0);
  AdvanceAndPump(150);
  EXPECT_FALSE(b->MouseInControl());
  EXPECT_EQ(hover.Tracked(), nullptr);
  EXPECT_FALSE(hover.Timer()->Enabled());
}

TEST(FlatHover, TimerMadeByTheFirstInstanceAndFreedByTheLast) {
  TFlatHoverTimer& hover = TFlatCheckBox::SharedHover();
  ASSERT_EQ(hover.Count(), 0);
  EXPECT_EQ(hover.Timer(), nullptr);
  auto a = std::make_unique<TFlatCheckBox>(nullptr);
  ASSERT_NE(hover.Timer(), nullptr);
  EXPECT_EQ(hover.Timer()->Interval(), 100u);
  EXPECT_FALSE(hover.Timer()->Enabled());
  TTimer* first = hover.Timer();
  auto b = std::make_unique<TFlatCheckBox>(nullptr);
  EXPECT_EQ(hover.Timer(), first);
  EXPECT_EQ(hover.Count(), 2);
  // One timer per class: radio buttons have their own.
  auto r = std::make_unique<TFlatRadioButton>(nullptr);
  EXPECT_NE(TFlatRadioButton::SharedHover().Timer(), first);
  a.reset();
  EXPECT_EQ(hover.Timer(), first);
  b.reset();
  EXPECT_EQ(hover.Timer(), nullptr);
  r.reset();
  EXPECT_EQ(TFlatRadioButton::SharedHover().Timer(), nullptr);
  auto s = std::make_unique<TFlatSpeedButton>(nullptr);
  EXPECT_NE(TFlatSpeedButton::SharedHover().Timer(), nullptr);
  s.reset();
  EXPECT_EQ(TFlatSpeedButton::SharedHover().Timer(), nullptr);
}

// ---- radio buttons -----------------------------------------------------------------------------------

TEST_F(FlatCheck, RadioGroupsAmongSiblingsOfOneParent) {
  auto* panel = Add<TFlatPanel>(0, 0, 200, 120);
  auto* a = Add<TFlatRadioButton>(10, 10, 100, 17, panel);
  auto* b = Add<TFlatRadioButton>(10, 30, 100, 17, panel);
  auto* other = Add<TFlatRadioButton>(10, 50, 100, 17, panel);
  other->SetGroupIndex(1);
  auto* elsewhere = Add<TFlatRadioButton>(10, 150, 100, 17);
  int clicks = 0;
  a->OnClick = [&](TObject*) { ++clicks; };
  a->SetChecked(true);
  other->SetChecked(true);
  elsewhere->SetChecked(true);
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(a->TabStop());
  b->SetChecked(true);
  EXPECT_FALSE(a->Checked());
  EXPECT_FALSE(a->TabStop());
  EXPECT_EQ(clicks, 1);  // unchecking does not click
  EXPECT_TRUE(other->Checked());
  EXPECT_TRUE(elsewhere->Checked());
}

TEST_F(FlatCheck, RadioClickChecksAndNeverUnchecks) {
  auto* a = Add<TFlatRadioButton>(10, 10, 100, 17);
  auto* b = Add<TFlatRadioButton>(10, 30, 100, 17);
  int clicks = 0;
  a->OnClick = [&](TObject*) { ++clicks; };
  Show();
  ClickAt(a, 5, 8);
  EXPECT_TRUE(a->Checked());
  ClickAt(a, 5, 8);
  EXPECT_TRUE(a->Checked());
  EXPECT_EQ(clicks, 1);
  ClickAt(b, 5, 8);
  EXPECT_TRUE(b->Checked());
  EXPECT_FALSE(a->Checked());
}

TEST_F(FlatCheck, RadioDotPixels) {
  auto* r = Add<TFlatRadioButton>(10, 10, 100, 17);
  r->SetColor(clWhite);
  r->SetColorDot(clBlue);
  r->SetColorBorder(clRed);
  r->SetChecked(true);
  Show();
  EXPECT_EQ(PixelOf(r, 1 + 5, 3 + 5), clBlue);
  EXPECT_EQ(PixelOf(r, 1, 3 + 5), clRed);
  r->SetEnabled(false);
  Pump();
  EXPECT_EQ(PixelOf(r, 1 + 5, 3 + 5), static_cast<TColor>(ColorToRGB(clBtnShadow)));
}

// ---- speed buttons ------------------------------------------------------------------------------------

using FlatSpeed = ControlsTest;

TEST_F(FlatSpeed, CreatedWithItsDefaults) {
  auto* s = new TFlatSpeedButton(form);
  EXPECT_EQ(s->Width(), 25);
  EXPECT_EQ(s->Height(), 25);
  EXPECT_EQ(s->ControlStyle(), (TControlStyle{csCaptureMouse, csDoubleClicks}));
  EXPECT_EQ(s->Layout(), blGlyphTop);
  EXPECT_EQ(s->Spacing(), 4);
  EXPECT_EQ(s->Margin(), -1);
  EXPECT_EQ(s->TransparentMode(), FlatUtilitys::tmNone);
  s->SetMargin(-5);
  EXPECT_EQ(s->Margin(), -1);
}

TEST_F(FlatSpeed, GlyphCells) {
  auto* s = new TFlatSpeedButton(form);
  TBitmap g;
  g.SetSize(64, 16);
  s->SetGlyph(&g);
  EXPECT_EQ(s->NumGlyphs(), 4);
  g.SetSize(80, 16);
  s->SetGlyph(&g);
  EXPECT_EQ(s->NumGlyphs(), 1);
  g.SetSize(48, 16);
  s->SetGlyph(&g);
  EXPECT_EQ(s->NumGlyphs(), 3);
  EXPECT_EQ(s->GlyphCell(bsUp), 0);
  EXPECT_EQ(s->GlyphCell(bsDisabled), 1);
  EXPECT_EQ(s->GlyphCell(bsDown), 2);
  EXPECT_EQ(s->GlyphCell(bsExclusive), 2);
  s->SetNumGlyphs(4);
  EXPECT_EQ(s->GlyphCell(bsExclusive), 3);
  s->SetNumGlyphs(2);
  EXPECT_EQ(s->GlyphCell(bsDown), 0);
  EXPECT_EQ(s->GlyphCell(bsDisabled), 1);
}

TEST_F(FlatSpeed, GlyphCellDrawnForTheState) {
  auto* s = Add<TFlatSpeedButton>(10, 10, 40, 40);
  s->SetGroupIndex(3);
  TBitmap g;
  g.SetSize(64, 16);
  const TColor cells[4] = {clRed, clLime, clBlue, clYellow};
  for (int i = 0; i < 4; ++i) {
    g.Canvas()->Brush()->SetColor(cells[i]);
    g.Canvas()->FillRect(TRect(i * 16, 0, i * 16 + 16, 16));
  }
  g.Canvas()->SetPixels(0, 15, clFuchsia);
  s->SetGlyph(&g);
  Show();
  TPoint p = s->GlyphPos();
  EXPECT_EQ(PixelOf(form, 10 + p.X + 8, 10 + p.Y + 8), clRed);
  // The glyph's bottom-left pixel is its transparent colour.
  EXPECT_EQ(PixelOf(form, 10 + p.X, 10 + p.Y + 15), static_cast<TColor>(ColorToRGB(s->Color())));
  s->SetDown(true);
  Pump();
  p = s->GlyphPos();
  EXPECT_EQ(s->State(), bsExclusive);
  EXPECT_EQ(PixelOf(form, 10 + p.X + 8, 10 + p.Y + 8), clYellow);
}

TEST_F(FlatSpeed, GroupsKeepOneDown) {
  auto* a = Add<TFlatSpeedButton>(10, 10, 30, 30);
  auto* b = Add<TFlatSpeedButton>(50, 10, 30, 30);
  auto* lone = Add<TFlatSpeedButton>(90, 10, 30, 30);
  a->SetGroupIndex(1);
  b->SetGroupIndex(1);
  lone->SetDown(true);
  EXPECT_FALSE(lone->Down());  // no group, no latch
  a->SetDown(true);
  b->SetDown(true);
  EXPECT_FALSE(a->Down());
  EXPECT_TRUE(b->Down());
  Show();
  // Pressing the down one keeps it down without AllowAllUp.
  ClickAt(b, 10, 10);
  EXPECT_TRUE(b->Down());
  b->SetAllowAllUp(true);
  EXPECT_TRUE(a->AllowAllUp());  // the group shares it
  ClickAt(b, 10, 10);
  EXPECT_FALSE(b->Down());
}

TEST_F(FlatSpeed, ReleasedOutsideDoesNotClick) {
  auto* s = Add<TFlatSpeedButton>(10, 10, 30, 30);
  int clicks = 0;
  s->OnClick = [&](TObject*) { ++clicks; };
  Show();
  ClickAt(s, 10, 10);
  EXPECT_EQ(clicks, 1);
  MouseDown(s, 10, 10);
  EXPECT_EQ(s->State(), bsDown);
  MoveMouse(form, 300, 200);
  EXPECT_EQ(s->State(), bsUp);
  MouseUp(form, 300, 200);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(s->State(), bsUp);
  // The hovered face and frame go at the release, and the hover timer lets the button go.
  EXPECT_EQ(TFlatSpeedButton::SharedHover().Tracked(), nullptr);
  Pump();
  EXPECT_EQ(PixelOf(form, 10 + 15, 10 + 15), static_cast<TColor>(ColorToRGB(s->Color())));
  EXPECT_EQ(PixelOf(form, 10, 10 + 15), s->ColorBorder());
}

TEST_F(FlatSpeed, ModalResultGoesToTheFormAndNeedsNoForm) {
  auto* s = Add<TFlatSpeedButton>(10, 10, 30, 30);
  s->SetModalResult(mrOk);
  s->Click();
  EXPECT_EQ(form->ModalResult(), mrOk);
  // On a panel of no form: clicks all the same.
  TPanel orphanParent(nullptr);
  TFlatSpeedButton orphan(nullptr);
  orphan.SetParent(&orphanParent);
  orphan.SetModalResult(mrCancel);
  int clicks = 0;
  orphan.OnClick = [&](TObject*) { ++clicks; };
  orphan.Click();
  EXPECT_EQ(clicks, 1);
  orphan.SetParent(nullptr);
  TFlatSpeedButton none(nullptr);
  none.Click();
}

TEST_F(FlatSpeed, FaceAndFrameByStateAndMode) {
  auto* s = Add<TFlatSpeedButton>(10, 10, 30, 30);
  s->SetColor(clWhite);
  s->SetColorBorder(clRed);
  s->SetColorFocused(clYellow);
  s->SetColorHighLight(clLime);
  s->SetColorShadow(clBlue);
  Show();
  EXPECT_EQ(PixelOf(form, 10 + 15, 10 + 15), clWhite);
  EXPECT_EQ(PixelOf(form, 10, 10 + 15), clRed);
  MoveMouse(s, 15, 15);
  EXPECT_TRUE(s->MouseInControl());
  EXPECT_EQ(PixelOf(form, 10 + 15, 10 + 15), clYellow);
  EXPECT_EQ(PixelOf(form, 10, 10 + 15), clLime);
  EXPECT_EQ(PixelOf(form, 10 + 29, 10 + 15), clBlue);
  // Always transparent: only the frame.
  s->SetTransparentMode(FlatUtilitys::tmAlways);
  Pump();
  EXPECT_EQ(PixelOf(form, 10 + 15, 10 + 15), static_cast<TColor>(ColorToRGB(form->Color())));
  EXPECT_EQ(PixelOf(form, 10, 10 + 15), clLime);
}

TEST_F(FlatSpeed, HoverTimerFollowsTheButton) {
  auto* a = Add<TFlatSpeedButton>(10, 10, 30, 30);
  int enters = 0, leaves = 0;
  a->OnMouseEnter = [&](TObject*) { ++enters; };
  a->OnMouseLeave = [&](TObject*) { ++leaves; };
  Show();
  MoveMouse(a, 5, 5);
  EXPECT_TRUE(a->MouseInControl());
  EXPECT_GE(enters, 1);
  EXPECT_EQ(TFlatSpeedButton::SharedHover().Tracked(), a);
  FanoInputMouseMove(0, 0);
  AdvanceAndPump(150);
  EXPECT_FALSE(a->MouseInControl());
  EXPECT_GE(leaves, 1);
}

TEST_F(FlatSpeed, EnterAndLeaveHandlersRunOncePerVisit) {
  auto* a = Add<TFlatSpeedButton>(10, 10, 30, 30);
  auto* b = Add<TFlatSpeedButton>(60, 10, 30, 30);
  std::vector<std::string> log;
  for (auto* s : {a, b}) {
    std::string name = s == a ? "a" : "b";
    s->OnMouseEnter = [&log, name](TObject*) { log.push_back("enter " + name); };
    s->OnMouseLeave = [&log, name](TObject*) { log.push_back("leave " + name); };
  }
  Show();
  MoveMouse(a, 5, 5);
  MoveMouse(a, 8, 9);
  EXPECT_EQ(log, (std::vector<std::string>{"enter a"}));
  MoveMouse(b, 5, 5);
  EXPECT_EQ(log, (std::vector<std::string>{"enter a", "leave a", "enter b"}));
  FanoInputMouseMove(0, 0);
  AdvanceAndPump(150);
  EXPECT_EQ(log, (std::vector<std::string>{"enter a", "leave a", "enter b", "leave b"}));
  // A press and a release inside leave it entered; moving out then leaves once.
  log.clear();
  MoveMouse(a, 5, 5);
  MouseDown(a, 5, 5);
  MouseUp(a, 5, 5);
  FanoInputMouseMove(0, 0);
  AdvanceAndPump(150);
  EXPECT_EQ(log, (std::vector<std::string>{"enter a", "leave a"}));
}

TEST_F(FlatSpeed, AGlyphNarrowerThanItsCellsDrawsNoCell) {
  auto* s = Add<TFlatSpeedButton>(10, 10, 40, 40);
  TBitmap g;
  g.SetSize(3, 16);
  g.Canvas()->Brush()->SetColor(clRed);
  g.Canvas()->FillRect(TRect(0, 0, 3, 16));
  s->SetGlyph(&g);
  s->SetNumGlyphs(4);  // cells of 3 div 4 = 0 pixels
  s->SetCaption("确定");
  int errors = 0;
  Application->OnException = [&](TObject*, const std::exception&) { ++errors; };
  Show();
  s->Repaint();
  Pump();
  Application->OnException = nullptr;
  EXPECT_EQ(errors, 0);
  // The face is painted (no glyph, no red).
  EXPECT_NE(PixelOf(form, 10 + 20, 10 + 5), clRed);
  EXPECT_EQ(PixelOf(form, 10 + 20, 10 + 5), static_cast<TColor>(ColorToRGB(s->Color())));
}

// ---- snapshots ----------------------------------------------------------------------------------------

using ToggleSnapshot = SnapshotTest;

TEST_F(ToggleSnapshot, CheckBoxesRadioButtonsAndSpeedButtons) {
  form->SetCaption("复选框与按钮 Check boxes and buttons");
  form->SetBounds(10, 10, 420, 260);
  auto* c1 = Add<TFlatCheckBox>(10, 10, 180, 17);
  c1->SetCaption("已审核 Approved");
  c1->SetChecked(true);
  auto* c2 = Add<TFlatCheckBox>(10, 32, 180, 17);
  c2->SetCaption("未审核");
  auto* c3 = Add<TFlatCheckBox>(10, 54, 180, 17);
  c3->SetCaption("禁用 Disabled");
  c3->SetChecked(true);
  c3->SetEnabled(false);
  auto* c4 = Add<TFlatCheckBox>(10, 76, 180, 17);
  c4->SetCaption("Box on the right 右侧");
  c4->SetLayout(checkboxRight);
  auto* r1 = Add<TFlatRadioButton>(210, 10, 180, 17);
  r1->SetCaption("现金 Cash");
  r1->SetChecked(true);
  auto* r2 = Add<TFlatRadioButton>(210, 32, 180, 17);
  r2->SetCaption("转账 Transfer");
  auto* r3 = Add<TFlatRadioButton>(210, 54, 180, 17);
  r3->SetCaption("禁用");
  r3->SetEnabled(false);
  const char* captions[] = {"新增", "保存", "删除"};
  for (int i = 0; i < 3; ++i) {
    auto* s = Add<TFlatSpeedButton>(10 + i * 70, 110, 64, 40);
    s->SetCaption(captions[i]);
    TBitmap g;
    g.SetSize(16, 16);
    g.Canvas()->Brush()->SetColor(clWhite);
    g.Canvas()->FillRect(TRect(0, 0, 16, 16));
    g.Canvas()->Brush()->SetColor(i == 0 ? clGreen : i == 1 ? clNavy : clMaroon);
    g.Canvas()->FillRect(TRect(3, 3, 13, 13));
    s->SetGlyph(&g);
    if (i == 1) {
      s->SetGroupIndex(1);
      s->SetDown(true);
    }
    if (i == 2) s->SetEnabled(false);
  }
  auto* left = Add<TFlatSpeedButton>(220, 110, 120, 28);
  left->SetCaption("关闭 Close");
  left->SetLayout(blGlyphLeft);
  Show();
  MoveMouse(left, 60, 14);  // the hovered look
  WriteSnapshot(form, "flat_toggles.png");
}

}  // namespace

namespace {

TEST_F(FlatCheck, AcceleratorTogglesTheBoxAndOnlyFocusesTheRadio) {
  auto* c = Add<TFlatCheckBox>(10, 10, 100, 17);
  c->SetCaption("&Approved");
  auto* r = Add<TFlatRadioButton>(10, 40, 100, 17);
  r->SetCaption("&Cash");
  Show();
  EXPECT_EQ(c->Perform(CM_DIALOGCHAR, 'a', 0), 1);
  EXPECT_TRUE(c->Checked());
  EXPECT_EQ(c->Perform(CM_DIALOGCHAR, 'x', 0), 0);
  EXPECT_EQ(r->Perform(CM_DIALOGCHAR, 'c', 0), 1);
  Pump();
  EXPECT_FALSE(r->Checked());
  EXPECT_TRUE(r->Focused());
  // A speed button clicks by its accelerator only while it shows: not on a page that is hidden.
  auto* page = Add<TFlatPanel>(10, 70, 100, 40);
  auto* s = new TFlatSpeedButton(form);
  s->SetParent(page);
  s->SetCaption("&Save");
  int clicks = 0;
  s->OnClick = [&](TObject*) { ++clicks; };
  EXPECT_EQ(s->Perform(CM_DIALOGCHAR, 's', 0), 1);
  page->SetVisible(false);
  EXPECT_EQ(s->Perform(CM_DIALOGCHAR, 's', 0), 0);
  EXPECT_EQ(clicks, 1);
}

TEST_F(FlatCheck, AltWithTheAcceleratorReachesTheFlatControlsFromAnEdit) {
  auto* edit = Add<TEdit>(10, 100, 80, 20);
  auto* c = Add<TFlatCheckBox>(10, 10, 100, 17);
  c->SetCaption("&Approved");
  auto* r = Add<TFlatRadioButton>(10, 40, 100, 17);
  r->SetCaption("&Cash");
  auto* s = Add<TFlatSpeedButton>(10, 70, 60, 22);
  s->SetCaption("&Save");
  int clicks = 0;
  s->OnClick = [&](TObject*) { ++clicks; };
  Show();
  edit->SetFocus();
  KeyPress('S', false, false, true);
  EXPECT_EQ(clicks, 1);
  KeyPress('A', false, false, true);
  EXPECT_TRUE(c->Checked());
  edit->SetFocus();
  KeyPress('C', false, false, true);
  EXPECT_TRUE(r->Focused());
}

TEST_F(FlatCheck, UseAdvColorsShadesTheControlsColour) {
  auto* c = Add<TFlatCheckBox>(10, 10, 100, 17);
  form->SetColor(0xE1EAEB);
  c->SetUseAdvColors(true);
  EXPECT_TRUE(c->TControl::ParentColor());
  EXPECT_EQ(c->ColorBorder(), CalcAdvancedColor(0xE1EAEB, 0, 50, true));
  EXPECT_EQ(c->ColorDown(), CalcAdvancedColor(0xE1EAEB, 0, 10, true));
  EXPECT_EQ(c->ColorFocused(), CalcAdvancedColor(0xE1EAEB, 0, 10, false));
  form->SetColor(clWhite);
  EXPECT_EQ(c->ColorBorder(), CalcAdvancedColor(clWhite, 0, 50, true));
}

}  // namespace
