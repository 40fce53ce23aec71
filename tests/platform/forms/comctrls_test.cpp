// The tab control (notifications, rectangles, hit tests, display area, positions, rows, owner
// drawing, images) and the month calendar (hit tests over the date cells, trailing days, the
// weekday row and the title buttons; the date, the keyboard).
#include "platform/forms/comctrls.h"
#include "platform/forms/extctrls.h"
#include "platform/rtl/sysutils.h"
#include "std_test_util.h"

using namespace formstest;

namespace {

// The test font (height 12): narrow characters 6 wide, Chinese ones 12, text 12 high. A tab is
// its text plus 6 on each side, and 12 + 2 * 3 high; tabs start 2 from the edge.
constexpr int kTabH = 18;

class TabTest : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    form->SetBounds(10, 10, 500, 400);
    tabs = new TTabControl(form);
    tabs->SetName("Tabs1");
    tabs->SetParent(form);
    tabs->SetBounds(10, 10, 300, 200);
    tabs->OnChanging = [this](TObject*, bool& allow) {
      log.push_back("changing:" + std::to_string(tabs->TabIndex()));
      allow = allowChange;
    };
    tabs->OnChange = [this](TObject*) { log.push_back("change:" + std::to_string(tabs->TabIndex())); };
  }
  TTabControl* tabs = nullptr;
  std::vector<std::string> log;
  bool allowChange = true;
};

TEST_F(TabTest, TabsKeepTheirObjectsAndCodeChoosesSilently) {
  TObject a, b;
  tabs->Tabs()->AddObject("One", &a);
  tabs->Tabs()->AddObject("第二页", &b);
  tabs->Tabs()->Add("Three");
  EXPECT_FALSE(tabs->HandleAllocated());
  Show();
  EXPECT_EQ(SendMessage(tabs->Handle(), TCM_GETITEMCOUNT, 0, 0), 3);
  EXPECT_EQ(tabs->Tabs()->Objects(1), &b);
  EXPECT_EQ(tabs->Tabs()->Strings(1), "第二页");
  EXPECT_EQ(tabs->TabIndex(), 0);
  tabs->SetTabIndex(2);
  EXPECT_EQ(tabs->TabIndex(), 2);
  EXPECT_TRUE(log.empty());
  // A new window keeps tabs, objects and the chosen tab.
  tabs->SetHotTrack(true);
  EXPECT_EQ(tabs->Tabs()->Objects(0), &a);
  EXPECT_EQ(tabs->TabIndex(), 2);
  tabs->Tabs()->SetStrings(2, "3");
  tabs->Tabs()->Delete(0);
  EXPECT_EQ(tabs->Tabs()->Text(), "第二页\r\n3\r\n");
  EXPECT_THROW(tabs->Tabs()->Strings(5), EListError);
}

TEST_F(TabTest, AUsersChoiceAsksThenTells) {
  tabs->Tabs()->Add("One");
  tabs->Tabs()->Add("第二页");
  tabs->Tabs()->Add("Three");
  Show();
  TRect r1 = tabs->TabRect(1);
  ClickAt(tabs, r1.Left + 5, r1.Top + 5);
  EXPECT_EQ(tabs->TabIndex(), 1);
  EXPECT_EQ(log, (std::vector<std::string>{"changing:0", "change:1"}));
  // A refusal keeps the tab and tells no change.
  log.clear();
  allowChange = false;
  TRect r2 = tabs->TabRect(2);
  ClickAt(tabs, r2.Left + 5, r2.Top + 5);
  EXPECT_EQ(tabs->TabIndex(), 1);
  EXPECT_EQ(log, (std::vector<std::string>{"changing:1"}));
  // The keys choose the same way.
  log.clear();
  allowChange = true;
  EXPECT_EQ(FindControl(GetFocus()), tabs);
  KeyPress(VK_RIGHT);
  EXPECT_EQ(tabs->TabIndex(), 2);
  KeyPress(VK_RIGHT);  // the last stays
  EXPECT_EQ(log, (std::vector<std::string>{"changing:1", "change:2"}));
}

TEST_F(TabTest, MinusOneChoosesNoTabAndAClickChoosesAgain) {
  tabs->Tabs()->Add("One");
  tabs->Tabs()->Add("Two");
  Show();
  tabs->SetTabIndex(-1);
  EXPECT_EQ(tabs->TabIndex(), -1);
  TRect r0 = tabs->TabRect(0);
  ClickAt(tabs, r0.Left + 5, r0.Top + 5);
  EXPECT_EQ(tabs->TabIndex(), 0);
  EXPECT_EQ(log, (std::vector<std::string>{"changing:-1", "change:0"}));
}

TEST_F(TabTest, AChoiceWhoseAskingTookTabsAwayIsDropped) {
  tabs->Tabs()->Add("One");
  tabs->Tabs()->Add("Two");
  tabs->Tabs()->Add("Three");
  Show();
  tabs->OnChanging = [this](TObject*, bool&) { tabs->Tabs()->Delete(2); };
  TRect r2 = tabs->TabRect(2);
  ClickAt(tabs, r2.Left + 5, r2.Top + 5);
  EXPECT_EQ(tabs->Tabs()->Count(), 2);
  EXPECT_EQ(tabs->TabIndex(), 0);
  EXPECT_TRUE(log.empty());
}

TEST_F(TabTest, RectanglesHitTestsAndTheDisplayArea) {
  tabs->Tabs()->Add("One");
  tabs->Tabs()->Add("第二页");
  Show();
  EXPECT_EQ(tabs->TabRect(0), TRect(2, 2, 2 + 18 + 12, 2 + kTabH));
  EXPECT_EQ(tabs->TabRect(1), TRect(32, 2, 32 + 36 + 12, 2 + kTabH));
  EXPECT_EQ(tabs->IndexOfTabAt(40, 10), 1);
  EXPECT_EQ(tabs->IndexOfTabAt(5, 100), -1);
  EXPECT_TRUE(tabs->GetHitTestInfoAt(40, 10).Contains(htOnItem));
  EXPECT_TRUE(tabs->GetHitTestInfoAt(40, 10).Contains(htOnLabel));
  EXPECT_TRUE(tabs->GetHitTestInfoAt(200, 10).Contains(htNowhere));
  EXPECT_TRUE(tabs->GetHitTestInfoAt(-3, 10).Contains(htToLeft));
  TRect display = tabs->DisplayRect();
  EXPECT_EQ(display, TRect(4, 2 + kTabH + 4, 300 - 4, 200 - 4));
  // Children go into the display area.
  auto* page = new TPanel(form);
  page->SetParent(tabs);
  page->SetAlign(alClient);
  EXPECT_EQ(page->BoundsRect(), display);
  // No tabs: no strip.
  tabs->Tabs()->Clear();
  EXPECT_EQ(tabs->DisplayRect(), TRect(4, 4, 296, 196));
  EXPECT_EQ(page->BoundsRect(), TRect(4, 4, 296, 196));
}

TEST_F(TabTest, TabPositions) {
  tabs->Tabs()->Add("One");
  tabs->Tabs()->Add("Two");
  Show();
  tabs->SetTabPosition(tpBottom);
  EXPECT_EQ(tabs->TabRect(0), TRect(2, 200 - 2 - kTabH, 32, 198));
  EXPECT_EQ(tabs->DisplayRect().Bottom, 200 - 2 - kTabH - 4);
  // Side tabs need several rows.
  try {
    tabs->SetTabPosition(tpLeft);
    ADD_FAILURE() << "no error";
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), "MultiLine must be True when TabPosition is tpLeft or tpRight");
  }
  EXPECT_EQ(tabs->TabPosition(), tpBottom);
  tabs->SetMultiLine(true);
  tabs->SetTabPosition(tpLeft);
  EXPECT_EQ(tabs->TabRect(0), TRect(2, 2, 2 + kTabH, 32));
  EXPECT_EQ(tabs->TabRect(1), TRect(2, 32, 2 + kTabH, 62));
  EXPECT_EQ(tabs->DisplayRect().Left, 2 + kTabH + 4);
  EXPECT_EQ(tabs->IndexOfTabAt(10, 40), 1);
  tabs->SetTabPosition(tpRight);
  EXPECT_EQ(tabs->TabRect(0).Right, 300 - 2);
  EXPECT_THROW(tabs->SetMultiLine(false), EListError);
}

TEST_F(TabTest, RowsAndScrolling) {
  for (int i = 0; i < 12; ++i) tabs->Tabs()->Add("Tab " + std::to_string(i));  // 30 + 12 = 42 wide each
  Show();
  // One line: the tabs run on behind the scroll arrows.
  EXPECT_EQ(tabs->RowCount(), 1);
  EXPECT_EQ(tabs->TabRect(0).Left, 2);
  tabs->ScrollTabs(2);
  EXPECT_EQ(tabs->TabRect(2).Left, 2);
  EXPECT_LT(tabs->TabRect(0).Left, 0);
  tabs->ScrollTabs(-1);
  EXPECT_EQ(tabs->TabRect(1).Left, 2);
  // Several rows, stretched to the width; the chosen tab's row lies next to the page.
  tabs->SetMultiLine(true);
  int rows = tabs->RowCount();
  EXPECT_EQ(rows, 2);  // 7 tabs of 42 fit in 298
  EXPECT_EQ(tabs->TabRect(0).Bottom, 2 + 2 * kTabH);
  EXPECT_EQ(tabs->TabRect(6).Right, 300);
  EXPECT_EQ(tabs->TabRect(7).Bottom, 2 + kTabH);
  EXPECT_EQ(tabs->DisplayRect().Top, 2 + 2 * kTabH + 4);
  TRect far = tabs->TabRect(8);
  ClickAt(tabs, far.Left + 3, far.Top + 3);
  EXPECT_EQ(tabs->TabIndex(), 8);
  EXPECT_EQ(tabs->TabRect(8).Bottom, 2 + 2 * kTabH);
  EXPECT_EQ(tabs->TabRect(0).Bottom, 2 + kTabH);
  // Ragged rows keep their natural widths.
  tabs->SetRaggedRight(true);
  EXPECT_EQ(tabs->TabRect(6).Right, 2 + 7 * 42);
}

TEST_F(TabTest, OwnerDrawingAndImages) {
  tabs->Tabs()->Add("One");
  tabs->Tabs()->Add("Two");
  tabs->SetOwnerDraw(true);
  std::vector<std::pair<int, bool>> drawn;
  tabs->OnDrawTab = [&](TCustomTabControl*, int index, const TRect&, bool active) { drawn.push_back({index, active}); };
  Show();
  tabs->Repaint();
  ASSERT_GE(drawn.size(), 2u);
  EXPECT_EQ(drawn[drawn.size() - 2], std::make_pair(1, false));
  EXPECT_EQ(drawn.back(), std::make_pair(0, true));
  tabs->OnDrawTab = nullptr;
  // Images: each tab asks for its image.
  auto* images = new TImageList(form);
  images->SetWidth(16);
  images->SetHeight(16);
  tabs->OnGetImageIndex = [](TObject*, int tabIndex, int& imageIndex) { imageIndex = 10 + tabIndex; };
  tabs->SetImages(images);
  TCITEMA item{};
  item.mask = TCIF_IMAGE;
  SendMessage(tabs->Handle(), TCM_GETITEM, 1, reinterpret_cast<LPARAM>(&item));
  EXPECT_EQ(item.iImage, 11);
  EXPECT_EQ(reinterpret_cast<HIMAGELIST>(SendMessage(tabs->Handle(), TCM_GETIMAGELIST, 0, 0)), images->Handle());
  // The tab grows by the image; the strip by its height.
  EXPECT_EQ(tabs->TabRect(0).Height(), 16 + 6);
  images->Free();
  EXPECT_EQ(tabs->Images(), nullptr);
  // Highlighting.
  SendMessage(tabs->Handle(), TCM_HIGHLIGHTITEM, 0, MAKELPARAM(1, 0));
  item.mask = TCIF_STATE;
  item.dwStateMask = TCIS_HIGHLIGHTED;
  SendMessage(tabs->Handle(), TCM_GETITEM, 0, reinterpret_cast<LPARAM>(&item));
  EXPECT_EQ(item.dwState, static_cast<DWORD>(TCIS_HIGHLIGHTED));
}

// ---- month calendar

// The test font: a cell is 18 wide (two digits or one weekday name, plus 6) and 16 high; the
// title 20, the weekday row 18, the today row 18, a margin of 4 round the month.
constexpr int kCellW = 18;
constexpr int kCellH = 16;
constexpr int kGridTop = 4 + 20 + 18;

class CalendarTest : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    form->SetBounds(10, 10, 400, 300);
    cal = new TMonthCalendar(form);
    cal->SetParent(form);
    cal->SetLeft(10);
    cal->SetTop(10);
    cal->SetAutoSize(true);
    form->Show();
    Pump();
    cal->SetDate(EncodeDate(2024, 5, 15));  // a Wednesday
    SYSTEMTIME today = DateToSystemTime(EncodeDate(2024, 5, 20));
    SendMessage(cal->Handle(), MCM_SETTODAY, 0, reinterpret_cast<LPARAM>(&today));
  }
  TPoint Cell(int row, int col) { return TPoint(4 + col * kCellW + kCellW / 2, kGridTop + row * kCellH + kCellH / 2); }
  std::string Hit(const TPoint& p, TDateTime* date = nullptr) {
    UINT h = cal->HitTest(p, date);
    switch (h) {
      case MCHT_TITLEBTNPREV: return "prev";
      case MCHT_TITLEBTNNEXT: return "next";
      case MCHT_TITLEMONTH: return "month";
      case MCHT_TITLEYEAR: return "year";
      case MCHT_TITLEBK: return "title";
      case MCHT_CALENDARDAY: return "day";
      case MCHT_CALENDARDATE: return "date";
      case MCHT_CALENDARDATEPREV: return "date-prev";
      case MCHT_CALENDARDATENEXT: return "date-next";
      case MCHT_TODAYLINK: return "today";
      case MCHT_CALENDARBK: return "background";
      case MCHT_NOWHERE: return "nowhere";
      default: return std::to_string(h);
    }
  }
  TMonthCalendar* cal = nullptr;
};

TEST_F(CalendarTest, TheMinimumRectangleHoldsOneMonth) {
  EXPECT_EQ(cal->MinReqRect(), TRect(0, 0, 8 + 7 * kCellW, kGridTop + 6 * kCellH + 18 + 4));
  EXPECT_EQ(cal->ClientWidth(), 8 + 7 * kCellW);
  EXPECT_EQ(cal->ClientHeight(), kGridTop + 6 * kCellH + 18 + 4);
  cal->SetShowToday(false);
  EXPECT_EQ(cal->MinReqRect().Bottom, kGridTop + 6 * kCellH + 4);
}

TEST_F(CalendarTest, HitTestsTellTitleButtonsWeekdaysDatesAndTrailingDays) {
  EXPECT_EQ(Hit(TPoint(6, 10)), "prev");
  EXPECT_EQ(Hit(TPoint(cal->ClientWidth() - 6, 10)), "next");
  // The title "2024年5月" in the middle: the year, then the month.
  int titleW = 4 * 6 + 12 + 6 + 12;
  int titleX = (cal->ClientWidth() - titleW) / 2;
  EXPECT_EQ(Hit(TPoint(titleX + 2, 10)), "year");
  EXPECT_EQ(Hit(TPoint(titleX + titleW - 2, 10)), "month");
  EXPECT_EQ(Hit(TPoint(titleX - 10, 10)), "title");
  // The weekday row: Monday first.
  MCHITTESTINFO info{};
  info.cbSize = sizeof info;
  info.pt = POINT{4 + 2, 4 + 20 + 5};
  EXPECT_EQ(SendMessage(cal->Handle(), MCM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)), MCHT_CALENDARDAY);
  EXPECT_EQ(info.st.wDayOfWeek, 1);
  // May 2024 starts on a Wednesday: the first row begins with 29 and 30 April.
  TDateTime d = 0;
  EXPECT_EQ(Hit(Cell(0, 0), &d), "date-prev");
  EXPECT_EQ(d, EncodeDate(2024, 4, 29));
  EXPECT_EQ(Hit(Cell(0, 2), &d), "date");
  EXPECT_EQ(d, EncodeDate(2024, 5, 1));
  EXPECT_EQ(Hit(Cell(4, 4), &d), "date");
  EXPECT_EQ(d, EncodeDate(2024, 5, 31));
  EXPECT_EQ(Hit(Cell(5, 6), &d), "date-next");
  EXPECT_EQ(d, EncodeDate(2024, 6, 9));
  EXPECT_EQ(Hit(TPoint(20, kGridTop + 6 * kCellH + 5)), "today");
  EXPECT_EQ(Hit(TPoint(1, 60)), "background");
  EXPECT_EQ(Hit(TPoint(500, 10)), "nowhere");
  // A month starting on a Monday shows a whole week of the month before.
  cal->SetDate(EncodeDate(2024, 4, 10));
  EXPECT_EQ(Hit(Cell(0, 0), &d), "date-prev");
  EXPECT_EQ(d, EncodeDate(2024, 3, 25));
  EXPECT_EQ(Hit(Cell(1, 0), &d), "date");
  EXPECT_EQ(d, EncodeDate(2024, 4, 1));
  // Sunday first moves the columns.
  cal->SetFirstDayOfWeek(dowSunday);
  info.pt = POINT{4 + 2, 4 + 20 + 5};
  SendMessage(cal->Handle(), MCM_HITTEST, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.st.wDayOfWeek, 0);
  EXPECT_EQ(Hit(Cell(0, 1), &d), "date");
  EXPECT_EQ(d, EncodeDate(2024, 4, 1));
}

TEST_F(CalendarTest, ClicksAndKeysChooseTheDate) {
  std::vector<TDateTime> changes;
  int clicks = 0;
  cal->OnChange = [&](TObject*) { changes.push_back(cal->Date()); };
  cal->OnClick = [&](TObject*) { ++clicks; };
  ClickAt(cal, Cell(2, 3).X, Cell(2, 3).Y);  // 16 May
  EXPECT_EQ(cal->Date(), EncodeDate(2024, 5, 16));
  EXPECT_EQ(clicks, 1);
  // A trailing day brings its month.
  ClickAt(cal, Cell(0, 0).X, Cell(0, 0).Y);
  EXPECT_EQ(cal->Date(), EncodeDate(2024, 4, 29));
  TDateTime d = 0;
  EXPECT_EQ(Hit(Cell(5, 6), &d), "date-next");
  EXPECT_EQ(d, EncodeDate(2024, 5, 5));
  // The title buttons move by a month and keep the day.
  ClickAt(cal, cal->ClientWidth() - 6, 10);
  EXPECT_EQ(cal->Date(), EncodeDate(2024, 5, 29));
  ClickAt(cal, 6, 10);
  ClickAt(cal, 6, 10);
  EXPECT_EQ(cal->Date(), EncodeDate(2024, 3, 29));
  // Keys: days, weeks, months.
  KeyPress(VK_RIGHT);
  EXPECT_EQ(cal->Date(), EncodeDate(2024, 3, 30));
  KeyPress(VK_DOWN);
  EXPECT_EQ(cal->Date(), EncodeDate(2024, 4, 6));
  KeyPress(VK_NEXT);
  EXPECT_EQ(cal->Date(), EncodeDate(2024, 5, 6));
  KeyPress(VK_END);
  EXPECT_EQ(cal->Date(), EncodeDate(2024, 5, 31));
  EXPECT_EQ(changes.size(), 9u);
  EXPECT_EQ(changes.back(), EncodeDate(2024, 5, 31));
  // The program's date tells nothing.
  cal->SetDate(EncodeDate(2025, 1, 1));
  EXPECT_EQ(changes.size(), 9u);
  cal->OnChange = nullptr;
  cal->OnClick = nullptr;
}

TEST_F(CalendarTest, TheRangeLimitsTheDate) {
  cal->SetMinDate(EncodeDate(2024, 5, 10));
  cal->SetMaxDate(EncodeDate(2024, 5, 20));
  try {
    cal->SetDate(EncodeDate(2024, 6, 1));
    ADD_FAILURE() << "no error";
  } catch (const EDateTimeError& e) {
    EXPECT_EQ(std::string(e.what()), "Date exceeds maximum of " + DateToStr(EncodeDate(2024, 5, 20)));
  }
  EXPECT_THROW(cal->SetDate(EncodeDate(2024, 5, 1)), EDateTimeError);
  EXPECT_EQ(cal->Date(), EncodeDate(2024, 5, 15));
  // Out-of-range days cannot be chosen by the user either.
  ClickAt(cal, Cell(0, 2).X, Cell(0, 2).Y);  // 1 May
  EXPECT_EQ(cal->Date(), EncodeDate(2024, 5, 15));
  KeyPress(VK_NEXT);
  EXPECT_EQ(cal->Date(), EncodeDate(2024, 5, 20));
}

}  // namespace
