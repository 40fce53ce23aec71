// The month-calendar drop-down telling its owner to close, and where an editor's unfocused text
// is drawn.
#include <gtest/gtest.h>

#include "editor_fixture.h"
#include "editors/dbeditbase.h"
#include "editors/popups.h"
#include "platform/rtl/sysutils.h"

using namespace edtest;

namespace {

class TCalendarOwner : public TComponent, public IPopupControlOwnerGx {
 public:
  explicit TCalendarOwner(TComponent* owner) : TComponent(owner) {}
  std::vector<bool> closes;
  void CloseUp(bool accept) override { closes.push_back(accept); }
};

class PopupCalendar : public EditorTest {};

TEST_F(PopupCalendar, EnterAcceptsEscapeCancelsAndTheWheelMovesByOneDay) {
  auto* owner = new TCalendarOwner(form);
  auto* cal = new TPopupMonthCalendarGx(owner);
  cal->SetDate(EncodeDate(2024, 5, 15));
  TSize size = cal->PopupSize();
  EXPECT_EQ(size.cx, cal->MinReqRect().Width() + 4);
  ShowDropDown(cal, TPoint(100, 100));
  Pump();
  EXPECT_EQ(cal->Width(), size.cx);
  EXPECT_EQ(cal->Perform(CM_WANTSPECIALKEY, VK_RETURN, 0), 1);
  ASSERT_EQ(owner->closes.size(), 1u);
  EXPECT_TRUE(owner->closes[0]);
  uint16_t key = VK_ESCAPE;
  cal->KeyDown(key, TShiftState{});
  EXPECT_EQ(key, 0);
  ASSERT_EQ(owner->closes.size(), 2u);
  EXPECT_FALSE(owner->closes[1]);
  cal->Perform(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 0);
  EXPECT_EQ(cal->Date(), EncodeDate(2024, 5, 16));
  cal->Perform(WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
  cal->Perform(WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
  EXPECT_EQ(cal->Date(), EncodeDate(2024, 5, 14));
  // A grid cell hands its open calendar the wheel as CM_MOUSEWHEEL.
  EXPECT_EQ(cal->Perform(CM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 0), 1);
  EXPECT_EQ(cal->Date(), EncodeDate(2024, 5, 15));
  cal->Perform(CM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
  EXPECT_EQ(cal->Date(), EncodeDate(2024, 5, 14));
  EXPECT_EQ(cal->Perform(WM_GETDLGCODE, 0, 0) & (DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTCHARS),
            DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTCHARS);
  PostMessage(cal->Handle(), WM_POPUPCLOSEUP, 0, 0);
  Pump();
  ASSERT_EQ(owner->closes.size(), 3u);
  EXPECT_FALSE(owner->closes[2]);
  HideDropDown(cal);
}

// A release closes the calendar with acceptance only over a date (trailing ones of the months
// beside it too), not over the week numbers, the day names or the title.
TEST_F(PopupCalendar, OnlyAReleaseOverADateAccepts) {
  auto* owner = new TCalendarOwner(form);
  auto* cal = new TPopupMonthCalendarGx(owner);
  cal->SetWeekNumbers(true);
  cal->SetDate(EncodeDate(2024, 5, 15));
  ShowDropDown(cal, TPoint(100, 100));
  Pump();
  const std::pair<UINT, bool> cases[] = {{MCHT_CALENDARDATE, true},      {MCHT_CALENDARDATEPREV, true},
                                         {MCHT_CALENDARDATENEXT, true},  {MCHT_CALENDARWEEKNUM, false},
                                         {MCHT_CALENDARDAY, false},      {MCHT_TITLEMONTH, false}};
  for (const auto& [kind, accepts] : cases) {
    SCOPED_TRACE(kind);
    TPoint at(-1, -1);
    for (int y = 0; y < cal->ClientHeight() && at.X < 0; ++y)
      for (int x = 0; x < cal->ClientWidth() && at.X < 0; ++x)
        if (cal->HitTest(TPoint(x, y)) == kind) at = TPoint(x, y);
    ASSERT_GE(at.X, 0);
    owner->closes.clear();
    uitest::MouseUp(cal, at.X, at.Y);
    EXPECT_EQ(owner->closes, accepts ? std::vector<bool>{true} : std::vector<bool>{});
  }
  HideDropDown(cal);
}

TEST_F(PopupCalendar, WithoutAnOwnerInterfaceNothingHappens) {
  auto* cal = new TPopupMonthCalendarGx(form);
  ShowDropDown(cal, TPoint(100, 100));
  Pump();
  uint16_t key = VK_RETURN;
  cal->KeyDown(key, TShiftState{});
  PostMessage(cal->Handle(), WM_POPUPCLOSEUP, 0, 0);
  Pump();
  EXPECT_EQ(key, 0);
  HideDropDown(cal);
}


class UnfocusedText : public EditorTest {
 protected:
  bool InkBetween(TDBEditGx* e, int x0, int x1) {
    TPoint o = e->ClientToScreen(TPoint(0, 0));
    COLORREF bg = ColorToRGB(e->Color());
    for (int x = x0; x < x1; ++x)
      for (int y = 2; y < e->ClientHeight() - 2; ++y)
        if (uitest::WindowPixelAt(form, TPoint(o.X + x, o.Y + y)) != bg) return true;
    return false;
  }
};

TEST_F(UnfocusedText, ARightAlignedEditorDrawsItsTextAtTheRightUntilFocused) {
  auto* e = Add<TDBEditGx>(10, 10, 200, 21);
  e->SetAlignment(taRightJustify);
  e->SetText("12");
  auto* other = Add<TDBEditGx>(10, 40, 200, 21);
  Show();
  other->SetFocus();
  Pump();
  int w = e->ClientWidth();
  EXPECT_TRUE(InkBetween(e, w - 40, w));
  EXPECT_FALSE(InkBetween(e, 0, w / 2));
  e->SetFocus();
  Pump();
  EXPECT_TRUE(InkBetween(e, 0, 40));
  EXPECT_FALSE(InkBetween(e, w / 2, w));
}

}  // namespace
