// Edit buttons: widths, the layout of up-down halves, the bitmap cache, the repeat of a held
// button on the simulated clock, and the published settings of a button.
#include <gtest/gtest.h>

#include <functional>
#include <iterator>

#include "editor_fixture.h"
#include "editors/editbuttons.h"

using namespace edtest;

namespace {

class EditButtons : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    ClearButtonsBitmapCache();
    UseButtonsBitmapCache = true;
  }
};

TEST_F(EditButtons, DefaultWidthIsTwoThirdsOfTheFontMadeOddAndAtMostTheScrollBar) {
  int w = DefaultEditButtonWidth();
  EXPECT_EQ(w % 2, 1);
  EXPECT_LE(w, GetSystemMetrics(SM_CXVSCROLL));
  EXPECT_EQ(DefaultFlatButtonWidth(), w);
  EXPECT_EQ(ScaleByHalf(10, true), 15);
  EXPECT_EQ(ScaleByHalf(9, true), 14);  // 13.5 -> 14 (halves to even)
  EXPECT_EQ(ScaleByHalf(10, false), 10);
}

TEST_F(EditButtons, EqualButtonsShareOneCachedBitmapAndAPressedOneAddsAnEntry) {
  HDC dc = FanoCreateRecordingDC(60, 40);
  PaintEditButton(dc, Rect(0, 0, 17, 17), clBtnFace, cbUnchecked, true, false, false, 0, ebdsDropDownGx);
  PaintEditButton(dc, Rect(20, 0, 37, 17), clBtnFace, cbUnchecked, true, false, false, 0, ebdsDropDownGx);
  EXPECT_EQ(ButtonsBitmapCache().Count(), 1);
  PaintEditButton(dc, Rect(40, 0, 57, 17), clBtnFace, cbUnchecked, true, false, false, 1, ebdsDropDownGx);
  EXPECT_EQ(ButtonsBitmapCache().Count(), 2);
  ClearButtonsBitmapCache();
  EXPECT_EQ(ButtonsBitmapCache().Count(), 0);
  DeleteDC(dc);
}

TEST_F(EditButtons, UpDownButtonOfOddHeightHasTwoHalvesAndAParentColouredMiddleLine) {
  HDC dc = FanoCreateRecordingDC(20, 20);
  PaintEditButton(dc, Rect(0, 0, 15, 17), clRed, cbUnchecked, true, false, false, 0, ebdsUpDownGx);
  EXPECT_EQ(ButtonsBitmapCache().Count(), 2);  // upper and lower arrow, each 15 x 8
  EXPECT_EQ(GetPixel(dc, 7, 8), RGB(255, 0, 0));
  EXPECT_NE(GetPixel(dc, 7, 3), RGB(255, 0, 0));
  DeleteDC(dc);
}

TEST_F(EditButtons, FlatInactiveButtonIsFramedInTheParentColour) {
  HDC dc = FanoCreateRecordingDC(20, 20);
  PaintEditButton(dc, Rect(0, 0, 11, 17), clBlue, cbUnchecked, true, false, true, 0, ebdsEllipsisGx);
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0, 0, 255));
  EXPECT_EQ(GetPixel(dc, 10, 16), RGB(0, 0, 255));
  EXPECT_EQ(GetPixel(dc, 5, 0), RGB(0, 0, 255));
  DeleteDC(dc);
}

// A flat inactive button control (drawn where the origin is moved to it) shows the same glyph with
// the cache of drawn buttons and without it.
TEST_F(EditButtons, AFlatInactiveButtonDrawnWithoutTheCacheKeepsItsGlyph) {
  const TEditButtonStyleGx styles[] = {ebsDropDownGx, ebsEllipsisGx, ebsUpDownGx};
  auto* b = new TEditButtonControlGx(form);
  b->SetParent(form);
  b->SetBounds(40, 20, 15, 17);
  b->SetFlat(true);
  Show();
  auto glyphPixels = [&] {
    form->Repaint();
    Pump();
    int n = 0;
    for (int y = 0; y < b->Height(); ++y)
      for (int x = 0; x < b->Width(); ++x)
        if (uitest::WindowPixelAt(form, ScreenPoint(b, x, y)) == ColorToRGB(clBtnText)) ++n;
    return n;
  };
  for (TEditButtonStyleGx style : styles) {
    SCOPED_TRACE(static_cast<int>(style));
    b->SetStyle(style);
    UseButtonsBitmapCache = true;
    int cached = glyphPixels();
    UseButtonsBitmapCache = false;
    int direct = glyphPixels();
    UseButtonsBitmapCache = true;
    EXPECT_GT(cached, 0);
    EXPECT_EQ(direct, cached);
  }
}

// A flat check box is the plain box clipped inside a one-pixel frame: its dark inner ring shows.
TEST_F(EditButtons, AFlatCheckBoxKeepsTheDarkInnerRing) {
  for (bool active : {false, true}) {
    SCOPED_TRACE(active);
    HDC dc = FanoCreateRecordingDC(20, 20);
    PaintEditButton(dc, Rect(0, 0, 15, 15), clBtnFace, cbChecked, true, active, true, 0, ebdsCheckBoxGx);
    EXPECT_EQ(GetPixel(dc, 2, 7), GetSysColor(COLOR_3DDKSHADOW));  // left side of the inner ring
    EXPECT_EQ(GetPixel(dc, 7, 2), GetSysColor(COLOR_3DDKSHADOW));  // top side
    DeleteDC(dc);
  }
}

TEST_F(EditButtons, CheckBoxGlyphIsOneCellOfTheSystemBitmap) {
  TSize s = CheckBoxGlyphSize();
  EXPECT_EQ(s.cx, 13);
  EXPECT_EQ(s.cy, 13);
  TRect r = FitRectToMaxSize(Rect(0, 0, 40, 20), 2, 1);
  EXPECT_EQ(r, Rect(13, 3, 26, 16));
  r = FitRectToMaxSize(Rect(0, 0, 40, 20), 1, 2);
  EXPECT_EQ(r, Rect(27, 7, 40, 20));
  r = FitRectToMaxSize(Rect(0, 0, 10, 10), 0, 0);
  EXPECT_EQ(r, Rect(0, 0, 10, 10));
}

TEST_F(EditButtons, HeldUpperHalfRepeatsAfter400AndThenEvery100Milliseconds) {
  auto* b = new TEditButtonControlGx(form);
  b->SetParent(form);
  b->SetBounds(10, 10, 15, 17);
  b->SetStyle(ebsUpDownGx);
  std::vector<std::pair<uint32_t, bool>> downs;
  b->OnDown = [&](TObject*, bool top, bool& autoRepeat, bool&) {
    downs.push_back({GetTickCount(), top});
    EXPECT_TRUE(autoRepeat);
  };
  Show();
  uint32_t start = GetTickCount();
  MouseDown(b, 7, 2);
  ASSERT_EQ(downs.size(), 1u);
  EXPECT_TRUE(downs[0].second);
  AdvanceAndPump(390);
  EXPECT_EQ(downs.size(), 1u);
  AdvanceAndPump(20);
  ASSERT_EQ(downs.size(), 2u);
  EXPECT_GE(downs[1].first - start, 400u);
  AdvanceAndPump(300);
  EXPECT_EQ(downs.size(), 5u);
  MouseUp(b, 7, 2);
  AdvanceAndPump(500);
  EXPECT_EQ(downs.size(), 5u);
  EXPECT_FALSE(b->AutoRepeatRunning());
}

TEST_F(EditButtons, LowerHalfAndTheMiddleLine) {
  auto* b = new TEditButtonControlGx(form);
  b->SetParent(form);
  b->SetBounds(10, 10, 15, 17);
  b->SetStyle(ebsUpDownGx);
  int calls = 0;
  bool lastTop = true;
  b->OnDown = [&](TObject*, bool top, bool&, bool&) {
    ++calls;
    lastTop = top;
  };
  Show();
  MouseDown(b, 7, 14);
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(lastTop);
  EXPECT_EQ(b->DownButton(), 2);
  MouseUp(b, 7, 14);
  MouseDown(b, 7, 8);  // the line between the halves
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(b->DownButton(), 0);
  MouseUp(b, 7, 8);
}

TEST_F(EditButtons, MovingIntoTheOtherHalfReleasesAnUpDownButtonWithoutAClick) {
  auto* b = new TEditButtonControlGx(form);
  b->SetParent(form);
  b->SetBounds(10, 10, 15, 17);
  b->SetStyle(ebsUpDownGx);
  int downs = 0, clicks = 0;
  b->OnDown = [&](TObject*, bool, bool&, bool&) { ++downs; };
  b->OnClick = [&](TObject*) { ++clicks; };
  Show();
  MouseDown(b, 7, 2);
  TPoint p = ScreenPoint(b, 7, 14);
  FanoInputMouseMove(p.X, p.Y);
  Pump();
  EXPECT_EQ(b->State(), bsUp);
  EXPECT_FALSE(b->AutoRepeatRunning());
  AdvanceAndPump(600);
  EXPECT_EQ(downs, 1);
  MouseUp(b, 7, 14);
  EXPECT_EQ(clicks, 0);
  AdvanceAndPump(1000, 100);
  Click(b, 7, 2);  // a plain press and release clicks
  EXPECT_EQ(clicks, 1);
}

TEST_F(EditButtons, DropDownButtonFiresOnceUnlessItsHandlerAsksForRepeat) {
  auto* b = new TEditButtonControlGx(form);
  b->SetParent(form);
  b->SetBounds(10, 10, 15, 17);
  int calls = 0;
  bool ask = false;
  b->OnDown = [&](TObject*, bool, bool& autoRepeat, bool&) {
    ++calls;
    EXPECT_FALSE(autoRepeat && !ask);
    autoRepeat = ask;
  };
  Show();
  MouseDown(b, 5, 5);
  AdvanceAndPump(1000);
  EXPECT_EQ(calls, 1);
  MouseUp(b, 5, 5);
  ask = true;
  MouseDown(b, 5, 5);
  AdvanceAndPump(500);
  EXPECT_EQ(calls, 2 + 2);  // 400 and 500
  MouseUp(b, 5, 5);
}

TEST_F(EditButtons, NumGlyphsStayWithinOneToFourAndChangesReachTheCollection) {
  TEditButtonsGx buttons(form, TVisibleEditButtonGx::StaticClass());
  int changes = 0;
  buttons.OnChange = [&](TObject*) { ++changes; };
  TEditButtonGx* b = buttons.Add();
  EXPECT_TRUE(b->Visible());
  EXPECT_EQ(b->ShortCut(), 32808);
  int before = changes;
  b->SetNumGlyphs(0);
  EXPECT_EQ(b->NumGlyphs(), 1);
  b->SetNumGlyphs(9);
  EXPECT_EQ(b->NumGlyphs(), 4);
  EXPECT_GT(changes, before);
  TEditButtonGx* copy = buttons.Add();
  b->SetStyle(ebsEllipsisGx);
  b->SetWidth(12);
  copy->Assign(b);
  EXPECT_EQ(copy->Style(), ebsEllipsisGx);
  EXPECT_EQ(copy->Width(), 12);
  EXPECT_EQ(copy->NumGlyphs(), 4);
}

// The action's later changes reach a button property only while the button still holds the
// action's value; a change of something else of the action touches none of them.
TEST_F(EditButtons, AnActionPassesOnChangesOnlyOfPropertiesStillLinked) {
  TEditButtonsGx buttons(form, TEditButtonGx::StaticClass());
  TEditButtonGx* b = buttons.Add();
  auto* action = new TAction(form);
  action->SetHint("from the action");
  action->SetShortCut(TextToShortCut("Ctrl+E"));
  b->SetAction(action);
  ASSERT_EQ(b->Hint(), "from the action");
  b->SetHint("the button's own");
  b->SetVisible(true);  // the action's is True as well: still linked
  action->SetCaption("renamed");
  EXPECT_EQ(b->Hint(), "the button's own");
  EXPECT_EQ(b->ShortCut(), TextToShortCut("Ctrl+E"));
  struct Case {
    const char* name;
    std::function<void()> change;
    std::function<bool()> followed;
  };
  const Case cases[] = {
      {"Hint (own)", [&] { action->SetHint("new hint"); }, [&] { return b->Hint() == "new hint"; }},
      {"ShortCut", [&] { action->SetShortCut(TextToShortCut("Ctrl+F")); },
       [&] { return b->ShortCut() == TextToShortCut("Ctrl+F"); }},
      {"Enabled", [&] { action->SetEnabled(false); }, [&] { return !b->Enabled(); }},
      {"Visible", [&] { action->SetVisible(false); }, [&] { return !b->Visible(); }},
  };
  const bool expected[] = {false, true, true, true};
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].name);
    cases[i].change();
    EXPECT_EQ(cases[i].followed(), expected[i]);
  }
  EXPECT_EQ(b->Hint(), "the button's own");
  b->SetAction(nullptr);
}

// An action linked while it loads gives its shortcut only to a button without one, and its
// visibility only to a visible button, whatever the button class's own defaults.
TEST_F(EditButtons, ALoadingActionFillsOnlyAnEmptyShortCutAndHidesOnlyAVisibleButton) {
  struct TLoadingAction : TAction {
    using TAction::TAction;
    using TComponent::SetLoadingState;
  };
  // Each button ends hidden: a visible one takes the action's False, a hidden one keeps its own.
  struct Case {
    TClass cls;
    bool visible;
    bool actionVisible;
    TShortCut shortCutAfter;
  };
  const TShortCut ctrlE = TextToShortCut("Ctrl+E"), altDown = TextToShortCut("Alt+Down");
  const Case cases[] = {
      {TEditButtonGx::StaticClass(), true, false, ctrlE},
      {TEditButtonGx::StaticClass(), false, true, ctrlE},
      {TDropDownEditButtonGx::StaticClass(), false, true, altDown},
      {TVisibleEditButtonGx::StaticClass(), true, false, altDown},
      {TVisibleEditButtonGx::StaticClass(), false, true, altDown},
  };
  auto* action = new TLoadingAction(form);
  action->SetShortCut(ctrlE);
  action->SetLoadingState(true);
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.cls->Name) + (c.visible ? " visible" : " hidden"));
    TEditButtonsGx buttons(form, c.cls);
    TEditButtonGx* b = buttons.Add();
    b->SetVisible(c.visible);
    action->SetVisible(c.actionVisible);
    b->SetAction(action);
    EXPECT_FALSE(b->Visible());
    EXPECT_EQ(b->ShortCut(), c.shortCutAfter);
    b->SetAction(nullptr);
  }
  action->SetLoadingState(false);
}

TEST_F(EditButtons, ClickRunsOnClickOrElseTheAction) {
  TEditButtonsGx buttons(form, TEditButtonGx::StaticClass());
  TEditButtonGx* b = buttons.Add();
  bool handled = false;
  b->Click(b, handled);
  EXPECT_FALSE(handled);
  auto* action = new TAction(form);
  int runs = 0;
  action->SetOnExecute([&](TObject*) { ++runs; });
  action->SetHint("做点什么");
  b->SetAction(action);
  EXPECT_EQ(b->Hint(), "做点什么");
  b->Click(b, handled);
  EXPECT_TRUE(handled);
  EXPECT_EQ(runs, 1);
  int clicks = 0;
  b->OnClick = [&](TObject*, bool& h) {
    ++clicks;
    h = true;
  };
  handled = false;
  b->Click(b, handled);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(runs, 1);
  b->SetAction(nullptr);
}

}  // namespace
