// The page control's model: pages, hidden tabs, native texts, colours, margins, change events in
// order, Ctrl+Tab, closing and docking.
#include <string>
#include <vector>

#include "controls/cvpagecontrol.h"
#include "controls_test_util.h"
#include "platform/classes/filer.h"
#include "platform/classes/published.h"
#include "platform/forms/stdctrls.h"

using namespace ctltest;

namespace {

class PageControl : public ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    form->SetName("PagesForm");
    pc = new TCvPageControl(form);
    pc->SetName("pcMain");
    pc->SetParent(form);
    pc->SetBounds(0, 0, 300, 200);
  }
  TCvTabSheet* AddPage(const std::string& caption) {
    auto* s = new TCvTabSheet(form);
    s->SetName("ts" + std::to_string(pc->GetPageCount()));
    s->SetPageControl(pc);
    s->SetCaption(caption);
    return s;
  }
  void ThreePages() {
    p0 = AddPage("Alpha");
    p1 = AddPage("Beta");
    p2 = AddPage("Gamma");
    pc->SetActivePage(p0);
  }
  // The centre of a page's tab.
  TPoint TabCentre(int page) {
    TRect r = pc->TabRectOfPage(page);
    return TPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
  }
  void ClickTab(int page) {
    TPoint p = TabCentre(page);
    ClickAt(pc, p.X, p.Y);
  }
  void LogEvents() {
    pc->OnCanChange = [this](TObject*, int from, int to, bool& allow) {
      log.push_back("can " + std::to_string(from) + ">" + std::to_string(to));
      allow = allow && !vetoCan;
    };
    pc->OnChanging = [this](TObject*, bool&) { log.push_back("changing"); };
    pc->OnChange = [this](TObject*) { log.push_back("change " + std::to_string(pc->ActivePageIndex())); };
  }
  TCvPageControl* pc = nullptr;
  TCvTabSheet* p0 = nullptr;
  TCvTabSheet* p1 = nullptr;
  TCvTabSheet* p2 = nullptr;
  std::vector<std::string> log;
  bool vetoCan = false;
};

TEST_F(PageControl, CreatedWithItsDefaults) {
  EXPECT_EQ(pc->Font()->Name(), "Tahoma");
  EXPECT_EQ(pc->ActiveFont()->Name(), "Tahoma");
  EXPECT_EQ(pc->ControlStyle(), (TControlStyle{csOpaque, csDoubleClicks}));
  EXPECT_TRUE(pc->OwnerDraw());
  EXPECT_EQ(pc->Images(), nullptr);
  EXPECT_EQ(pc->SizingImages()->Width(), 1);
  EXPECT_EQ(pc->DefaultTabColor(), clBtnFace);
  EXPECT_EQ(pc->ActiveColor(), clBtnFace);
  EXPECT_EQ(pc->LowerActive(), 2);
  EXPECT_EQ(pc->HoverIndex(), -1);
  EXPECT_EQ(pc->TabStyle(), CvPageControl::tsClassic);
  EXPECT_EQ(pc->Version(), "1.5.0.4");
  auto* s = new TCvTabSheet(form);
  EXPECT_EQ(s->Align(), alClient);
  EXPECT_FALSE(s->Visible());
  EXPECT_TRUE(s->ControlStyle().Contains(csAcceptsControls));
  EXPECT_EQ(s->PageIndex(), -1);
  EXPECT_EQ(s->TabIndex(), -1);
}

TEST_F(PageControl, PagesKeepTheirOrderAndTabs) {
  ThreePages();
  ASSERT_EQ(pc->GetPageCount(), 3);
  EXPECT_EQ(pc->GetPage(1), p1);
  EXPECT_EQ(p2->PageIndex(), 2);
  EXPECT_EQ(pc->Tabs()->Count(), 3);
  EXPECT_EQ(pc->Tabs()->Objects(2), p2);
  EXPECT_EQ(pc->ActivePage(), p0);
  EXPECT_TRUE(p0->Visible());
  EXPECT_FALSE(p1->Visible());
  pc->SetActivePage(p2);
  EXPECT_EQ(pc->TabIndex(), 2);
  EXPECT_FALSE(p0->Visible());
  EXPECT_TRUE(p2->Visible());
  // Moving a page moves its tab.
  p2->SetPageIndex(0);
  EXPECT_EQ(pc->GetPage(0), p2);
  EXPECT_EQ(pc->Tabs()->Objects(0), p2);
  EXPECT_EQ(pc->TabIndex(), 0);
  EXPECT_THROW(p2->SetPageIndex(3), EListError);
  EXPECT_EQ(p2->PageIndex(), 0);
}

TEST_F(PageControl, HiddenTabsMapTabIndexesToPages) {
  ThreePages();
  Show();
  p0->SetTabVisible(false);
  EXPECT_FALSE(p0->TabShowing());
  EXPECT_EQ(pc->Tabs()->Count(), 2);
  EXPECT_EQ(p1->TabIndex(), 0);
  EXPECT_EQ(p2->TabIndex(), 1);
  // The active page lost its tab: the one now at its place is shown.
  EXPECT_EQ(pc->ActivePage(), p1);
  EXPECT_EQ(pc->TabRectOfPage(1), pc->TabRect(0));
  EXPECT_EQ(pc->TabRectOfPage(2), pc->TabRect(1));
  EXPECT_EQ(pc->TabRectOfPage(0), TRect());
  TRect r = pc->TabRect(1);
  EXPECT_EQ(pc->TabAtPos(r.Left + 2, r.Top + 2), 2);
  EXPECT_EQ(pc->TabAtPos(299, 199), -1);
  // CanShowTab asks the page of that tab, not the page at that index.
  p0->SetEnabled(true);
  p2->SetEnabled(false);
  EXPECT_TRUE(pc->CanShowTab(0));
  EXPECT_FALSE(pc->CanShowTab(1));
  p0->SetTabVisible(true);
  EXPECT_EQ(pc->Tabs()->Objects(0), p0);
  EXPECT_EQ(pc->Tabs()->Count(), 3);
}

TEST_F(PageControl, NativeTextCutsWholeCharacters) {
  auto* s = AddPage("Alpha");
  EXPECT_EQ(s->NativeText(), "Alp");
  s->SetCaption("A");
  EXPECT_EQ(s->NativeText(), "");
  s->SetCaption("明细");  // two bytes a character in code page 936
  EXPECT_EQ(s->NativeText(), "明");
  s->SetCaption("a明");
  EXPECT_EQ(s->NativeText(), "a");
  s->SetCaption("明a");  // one byte would split the character: it goes whole
  EXPECT_EQ(s->NativeText(), "");
  s->SetShowClose(true);
  EXPECT_EQ(s->NativeText(), "明a ");
  EXPECT_EQ(pc->Tabs()->Strings(0), "明a ");
}

TEST_F(PageControl, ImageIndexesBelowZero) {
  auto* s = AddPage("A");
  s->SetImageIndex(-5);
  EXPECT_EQ(s->ImageIndex(), -1);
  EXPECT_EQ(s->NativeImageIndex(), 0);
  s->SetImageIndex(3);
  EXPECT_EQ(s->NativeImageIndex(), 3);
  EXPECT_EQ(pc->GetImageIndex(0), 3);
  s->SetActiveImageIndex(-2);
  EXPECT_EQ(s->ActiveImageIndex(), -1);
  pc->OnGetImageIndex = [](TObject*, int, int& index) { index = 7; };
  EXPECT_EQ(pc->GetImageIndex(0), 7);
}

TEST_F(PageControl, DefaultColoursReachOnlyPagesStillHoldingThem) {
  pc->SetDefaultTextColor(clNavy);
  auto* a = AddPage("A");
  EXPECT_EQ(a->TextColor(), clNavy);  // 0 counts as unset
  EXPECT_EQ(a->TabColor(), clBtnFace);
  auto* b = AddPage("B");
  b->SetTabColor(clYellow);
  pc->SetDefaultTabColor(clSilver);
  EXPECT_EQ(a->TabColor(), clSilver);
  EXPECT_EQ(b->TabColor(), clYellow);
  EXPECT_EQ(pc->DefaultTabColor(), clSilver);
  pc->SetDefaultTabColorTo(clWhite);
  EXPECT_EQ(a->TabColorTo(), clWhite);
  pc->SetTabBackGroundColor(clRed);
  EXPECT_EQ(pc->TabBackGroundColor(), clRed);
  a->SetColor(clAqua);
  EXPECT_EQ(a->Color(), clAqua);
}

TEST_F(PageControl, TabEnable) {
  ThreePages();
  Show();
  EXPECT_THROW(p0->SetTabEnable(false), Exception);
  EXPECT_TRUE(p0->TabEnable());
  try {
    p0->SetTabEnable(false);
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Can not disable active tab.");
  }
  // A disabled tab is not activated.
  p2->SetTabEnable(false);
  pc->SetActivePage(p2);
  EXPECT_EQ(pc->ActivePage(), p0);
  ClickTab(2);
  EXPECT_EQ(pc->ActivePage(), p0);
  // Enabling the active page (made active while designing) never raises.
  pc->SetDesigning(true, false);
  pc->SetActivePage(p2);
  pc->SetDesigning(false, false);
  ASSERT_EQ(pc->ActivePage(), p2);
  EXPECT_NO_THROW(p2->SetTabEnable(true));
  EXPECT_TRUE(p2->TabEnable());
}

TEST_F(PageControl, TabSplitLineRefusedForTheFlatStyles) {
  pc->SetTabStyle(CvPageControl::tsDotNet);
  try {
    pc->SetTabSplitLine(true);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "TabSplitLine must be false when TabStyle is tsDotNet/tsOndrel");
  }
  EXPECT_FALSE(pc->TabSplitLine());
  pc->SetTabStyle(CvPageControl::tsClassic);
  pc->SetTabSplitLine(true);
  pc->SetTabStyle(CvPageControl::tsOndrel);  // not checked again
  EXPECT_TRUE(pc->TabSplitLine());
}

TEST_F(PageControl, SideTabsWithoutMultiLineAreRefusedBeforeAnythingChanges) {
  ThreePages();
  Show();
  TRect before = pc->TabRect(0);
  for (TTabPosition side : {tpLeft, tpRight}) {
    EXPECT_THROW(pc->SetTabPosition(side), EListError);
    EXPECT_EQ(pc->TabPosition(), tpTop);
    EXPECT_EQ(pc->TCustomTabControl::Images(), pc->SizingImages());
    EXPECT_EQ(pc->TabRect(0), before) << "the tabs keep the width reserved for images";
  }
}

TEST_F(PageControl, ClickEventsInOrder) {
  ThreePages();
  Show();
  LogEvents();
  ClickTab(2);
  EXPECT_EQ(log, (std::vector<std::string>{"can 0>2", "changing", "change 2"}));
  EXPECT_EQ(pc->ActivePage(), p2);
  log.clear();
  vetoCan = true;
  ClickTab(1);
  EXPECT_EQ(log, (std::vector<std::string>{"can 2>1"}));
  EXPECT_EQ(pc->ActivePage(), p2);
}

TEST_F(PageControl, KeyboardChangeReportsTheRealDestination) {
  ThreePages();
  Show();
  p1->SetTabVisible(false);
  pc->SetFocus();
  Pump();
  LogEvents();
  KeyPress(VK_RIGHT);
  // The tab to the right is page 2: page 1 is hidden.
  EXPECT_EQ(log, (std::vector<std::string>{"can 0>2", "changing", "change 2"}));
  log.clear();
  KeyPress(VK_HOME);
  EXPECT_EQ(log, (std::vector<std::string>{"can 2>0", "changing", "change 0"}));
}

TEST_F(PageControl, CtrlTabSwitchesVisiblePagesWithWrapAround) {
  ThreePages();
  auto* edit = new TEdit(form);
  edit->SetParent(p0);
  edit->SetBounds(5, 5, 80, 20);
  Show();
  edit->SetFocus();
  Pump();
  LogEvents();
  p1->SetTabVisible(false);
  KeyPress(VK_TAB, false, true);
  EXPECT_EQ(pc->ActivePage(), p2);
  EXPECT_EQ(log, (std::vector<std::string>{"can 0>2", "changing", "change 2"}));
  KeyPress(VK_TAB, false, true);
  EXPECT_EQ(pc->ActivePage(), p0);
  // Ctrl+Shift+Tab on the first page: the last visible one.
  KeyPress(VK_TAB, true, true);
  EXPECT_EQ(pc->ActivePage(), p2);
  log.clear();
  vetoCan = true;
  KeyPress(VK_TAB, false, true);
  EXPECT_EQ(pc->ActivePage(), p2);
  EXPECT_EQ(log, (std::vector<std::string>{"can 2>0"}));
}

TEST_F(PageControl, SelectNextPageFindsVisiblePages) {
  ThreePages();
  EXPECT_EQ(pc->FindNextPage(p2, true, true), p0);
  EXPECT_EQ(pc->FindNextPage(p0, false, true), p2);
  EXPECT_EQ(pc->FindNextPage(nullptr, true, true), p0);
  p1->SetTabVisible(false);
  p2->SetTabVisible(false);
  EXPECT_EQ(pc->FindNextPage(p0, true, true), p0);
  EXPECT_EQ(pc->FindNextPage(p0, true, false), p1);
}

class Closing : public PageControl {
 protected:
  void SetUp() override {
    PageControl::SetUp();
    ThreePages();
    for (auto* p : {p0, p1, p2}) {
      p->SetShowClose(true);
      p->OnCanClose = [this, p](TObject* sender, bool& can) {
        log.push_back("canclose " + p->Caption());
        EXPECT_EQ(sender, p);
        can = !vetoClose;
      };
      p->OnClose = [this, p](TObject*) { log.push_back("close " + p->Caption()); };
    }
    Show();
  }
  TPoint CloseButton(int page) {
    TRect r = pc->TabRectOfPage(page);
    return TPoint(r.Left + 6, r.Top + 6);
  }
  void ClickClose(int page) {
    TPoint p = CloseButton(page);
    ClickAt(pc, p.X, p.Y);
  }
  bool vetoClose = false;
};

TEST_F(Closing, CloseButtonClosesTheActivePageAndKeepsIt) {
  pc->SetActivePage(p1);
  pc->OnChange = [this](TObject*) { log.push_back("change"); };
  ASSERT_TRUE(pc->PtInCloseButton(1, CloseButton(1).X, CloseButton(1).Y));
  ClickClose(1);
  EXPECT_EQ(log, (std::vector<std::string>{"canclose Beta", "close Beta", "change"}));
  EXPECT_EQ(pc->ActivePage(), p2);
  EXPECT_EQ(pc->GetPageCount(), 2);
  EXPECT_EQ(p1->PageControl(), nullptr);
  int at = pc->ClosedPages()->IndexOf("ts1");
  ASSERT_GE(at, 0);
  EXPECT_EQ(pc->ClosedPages()->Objects(at), p1);
}

TEST_F(Closing, LastPageSelectsThePreviousOne) {
  pc->SetActivePage(p2);
  ClickClose(2);
  EXPECT_EQ(pc->ActivePage(), p1);
}

TEST_F(Closing, VetoKeepsThePage) {
  vetoClose = true;
  ClickClose(0);
  EXPECT_EQ(log, (std::vector<std::string>{"canclose Alpha"}));
  EXPECT_EQ(pc->GetPageCount(), 3);
  EXPECT_EQ(pc->ActivePage(), p0);
}

TEST_F(Closing, ReleasingElsewhereClosesNothing) {
  auto* other = Add<TEdit>(310, 10, 60, 20);
  other->SetFocus();
  Pump();
  TPoint p = CloseButton(0);
  MouseDown(pc, p.X, p.Y);
  EXPECT_EQ(pc->GetPageCount(), 3);
  // The button shows pressed, also on the press that gives the control the focus.
  TRect r = pc->TabRectOfPage(0);
  EXPECT_EQ(PixelOf(pc, r.Left + 3, r.Top + 5), 0xC0C0C0);
  MouseUp(pc, 150, 150);
  EXPECT_EQ(pc->GetPageCount(), 3);
  EXPECT_TRUE(log.empty());
}

TEST_F(Closing, OnlyAnInactivePagesButtonDoesNotClose) {
  // A press on another tab's button area chooses that tab first; the hit box is the active tab's.
  EXPECT_FALSE(pc->PtInCloseButton(0, 200, 5));
  EXPECT_FALSE(pc->PtInCloseButton(5, 1, 1));
}

TEST_F(Closing, FreeOnCloseFreesThePages) {
  pc->SetFreeOnClose(true);
  p1->SetTabVisible(false);
  p2->SetTabVisible(false);
  // The only visible page: nothing is left to choose, and the freed page is never touched again.
  ClickClose(0);
  EXPECT_EQ(pc->GetPageCount(), 2);
  EXPECT_EQ(pc->ActivePage(), nullptr);
  EXPECT_EQ(form->FindComponent("ts0"), nullptr);
  EXPECT_EQ(pc->ClosedPages()->Count(), 0);
}

TEST_F(Closing, AHandlerThatFreesThePageLeavesNothingDangling) {
  p0->OnClose = [this](TObject*) {
    log.push_back("close Alpha");
    p0->Free();
  };
  ClickClose(0);
  EXPECT_EQ(pc->GetPageCount(), 2);
  EXPECT_EQ(pc->ClosedPages()->Count(), 0);
  EXPECT_EQ(pc->ActivePage(), p1);
  // And one that frees the page to show next: the control shows what its tabs say.
  p1->SetShowClose(true);
  p1->OnClose = [this](TObject*) { p2->Free(); };
  ClickClose(0);
  EXPECT_EQ(pc->GetPageCount(), 0);
  EXPECT_EQ(pc->ActivePage(), nullptr);
}

TEST_F(PageControl, MarginsWidenTheTabsOnceLoaded) {
  ThreePages();
  Show();
  int before = pc->TabRect(0).Width();
  pc->TabMargin()->SetLeftMargin(10);  // not loaded yet: only a repaint
  EXPECT_EQ(pc->SizingImages()->Width(), 1);
  pc->Loaded();
  EXPECT_TRUE(pc->IsLoaded());
  EXPECT_EQ(pc->SizingImages()->Width(), 10);
  EXPECT_GT(pc->TabRect(0).Width(), before);
  pc->TabMargin()->SetRightMargin(4);
  EXPECT_EQ(pc->SizingImages()->Width(), 14);
  pc->TabMargin()->SetLeftMargin(-40);  // never below one pixel
  EXPECT_EQ(pc->SizingImages()->Width(), 1);
  TImageList images(form);
  images.SetWidth(16);
  images.SetHeight(16);
  pc->TabMargin()->SetLeftMargin(2);
  pc->SetImages(&images);
  EXPECT_EQ(pc->SizingImages()->Width(), 22);
  pc->SetImages(nullptr);
}

TEST_F(PageControl, MarginCallbackSeesNewAndOld) {
  TTabMargin m;
  std::vector<int> seen;
  m.OnMarginChange = [&](int n, int o, int i) { seen = {n, o, i}; };
  m.SetTopMargin(5);
  EXPECT_EQ(seen, (std::vector<int>{5, 0, 1}));
  seen.clear();
  m.SetTopMargin(5);
  EXPECT_TRUE(seen.empty());
  TTabMargin other;
  other.Assign(&m);
  EXPECT_EQ(other.TopMargin(), 5);
}

TEST_F(PageControl, ReadFromAFormResource) {
  // Taken off the form first: a windowed control freed while it has a parent stays in the
  // parent's tab list (the platform's removal runs when only the TControl part is left).
  pc->SetParent(nullptr);
  pc->Free();
  ReadComponentText(form, R"(object TForm PagesForm {
  object TCvPageControl pcMain {
    Width = 300
    Height = 200
    TabStyle = tsDotNet
    ActiveColor = 65535
    TabMargin.LeftMargin = 6
    object TCvTabSheet tsA {
      Caption = "基本"
      ShowClose = true
      Constraints.MaxWidth = 100
    }
    object TCvTabSheet tsB {
      Caption = "明细"
      TabVisible = false
    }
    ActivePage = tsA
  }
})");
  pc = dynamic_cast<TCvPageControl*>(form->FindComponent("pcMain"));
  ASSERT_NE(pc, nullptr);
  ASSERT_EQ(pc->GetPageCount(), 2);
  EXPECT_EQ(pc->TabStyle(), CvPageControl::tsDotNet);
  EXPECT_EQ(pc->ActiveColor(), clYellow);
  EXPECT_EQ(pc->GetPage(0)->Caption(), "基本");
  EXPECT_EQ(pc->GetPage(0)->NativeText(), "基本 ");
  EXPECT_FALSE(pc->GetPage(1)->TabShowing());
  EXPECT_EQ(pc->ActivePage(), pc->GetPage(0));
  EXPECT_TRUE(pc->IsLoaded());
  EXPECT_EQ(pc->SizingImages()->Width(), 6);
  // The page fills the control only as far as its constraints let it.
  Show();
  EXPECT_EQ(pc->GetPage(0)->Width(), 100);
  EXPECT_GT(pc->GetPage(0)->Height(), 100);
  std::string text = WriteComponentText(form);
  EXPECT_NE(text.find("Constraints.MaxWidth = 100"), std::string::npos) << text;
  EXPECT_EQ(text.find("Constraints.MinWidth"), std::string::npos) << text;
  EXPECT_NE(text.find("TabStyle = tsDotNet"), std::string::npos) << text;
  EXPECT_NE(text.find("object TCvTabSheet tsB"), std::string::npos) << text;
  // Of the margins, the left one is written as it differs from 0, the right one always, the top
  // one not while it holds its default.
  EXPECT_NE(text.find("TabMargin.LeftMargin = 6"), std::string::npos) << text;
  EXPECT_NE(text.find("TabMargin.RightMargin = 0"), std::string::npos) << text;
  EXPECT_EQ(text.find("TopMargin"), std::string::npos) << text;
}

TEST_F(PageControl, HoverFollowsTheMouse) {
  ThreePages();
  pc->SetTabHoverColor(clYellow);
  Show();
  TPoint c = TabCentre(1);
  MoveMouse(pc, c.X, c.Y);
  EXPECT_EQ(pc->HoverIndex(), 1);
  c = TabCentre(2);
  MoveMouse(pc, c.X, c.Y);
  EXPECT_EQ(pc->HoverIndex(), 2);
  MoveMouse(form, 350, 250);
  EXPECT_EQ(pc->HoverIndex(), -1);
  // Without hover colours nothing is tracked.
  pc->SetTabHoverColor(clNone);
  MoveMouse(pc, c.X, c.Y);
  EXPECT_EQ(pc->HoverIndex(), -1);
}

TEST_F(PageControl, CloseButtonTurnsHotUnderTheMouse) {
  ThreePages();
  p0->SetShowClose(true);
  pc->SetTabHoverColor(clYellow);
  Show();
  TRect r = pc->TabRectOfPage(0);
  // Onto the button from outside the tab: the tab's hover repaint does not cover the hot box.
  MoveMouse(pc, r.Left + 6, r.Top + 6);
  EXPECT_TRUE(pc->CloseHot());
  EXPECT_EQ(PixelOf(pc, r.Left + 2, r.Top + 8), clBlack);
  MoveMouse(pc, r.Right - 2, r.Top + 6);
  EXPECT_FALSE(pc->CloseHot());
  EXPECT_EQ(PixelOf(pc, r.Left + 2, r.Top + 8), clGray);
}

TEST_F(PageControl, DockedFormsBecomePages) {
  ThreePages();
  pc->SetDockSite(true);
  Show();
  auto* client = new TForm(nullptr);
  client->SetCaption("停靠\n第二行");
  client->SetBounds(0, 0, 100, 80);
  client->Show();
  pc->Perform(CM_DOCKCLIENT, 0, reinterpret_cast<LPARAM>(static_cast<TControl*>(client)));
  ASSERT_EQ(pc->GetPageCount(), 4);
  TCvTabSheet* page = pc->GetPage(3);
  EXPECT_EQ(pc->GetPageFromDockClient(client), page);
  EXPECT_EQ(client->Parent(), page);
  EXPECT_EQ(client->Align(), alClient);
  EXPECT_EQ(pc->ActivePage(), page);
  EXPECT_EQ(pc->NewDockSheet(), nullptr);
  // The caption follows the client's text up to its first line break.
  client->SetCaption("新标题\r\nmore");
  TMessage note{WM_SETTEXT, 0, 0, 0};
  pc->Perform(CM_DOCKNOTIFICATION, reinterpret_cast<WPARAM>(static_cast<TControl*>(client)), reinterpret_cast<LPARAM>(&note));
  EXPECT_EQ(page->Caption(), "新标题");
  TMessage hide{CM_VISIBLECHANGED, 0, 0, 0};
  pc->Perform(CM_DOCKNOTIFICATION, reinterpret_cast<WPARAM>(static_cast<TControl*>(client)), reinterpret_cast<LPARAM>(&hide));
  EXPECT_FALSE(page->TabVisible());
  page->SetTabVisible(true);
  pc->SetActivePage(page);
  pc->Perform(CM_UNDOCKCLIENT, 0, reinterpret_cast<LPARAM>(static_cast<TControl*>(client)));
  EXPECT_EQ(pc->GetPageCount(), 3);
  EXPECT_EQ(client->Parent(), nullptr);
  EXPECT_EQ(client->Align(), alNone);
  EXPECT_EQ(pc->UndockingPage(), nullptr);
  EXPECT_EQ(pc->ActivePage(), p0);
  client->Free();
}

TEST_F(PageControl, SheetEventsOnShowAndHide) {
  ThreePages();
  p1->OnShow = [this](TObject*) { log.push_back("show Beta"); };
  p0->OnHide = [this](TObject*) { log.push_back("hide Alpha"); };
  Show();
  pc->SetActivePage(p1);
  EXPECT_EQ(log, (std::vector<std::string>{"show Beta", "hide Alpha"}));
}

TEST_F(PageControl, DestroyingTheControlLeavesNoDanglingPage) {
  ThreePages();
  Show();
  pc->SetParent(nullptr);
  pc->Free();
  pc = nullptr;
  Pump();
  EXPECT_EQ(form->FindComponent("ts0"), nullptr);
}

}  // namespace

namespace {

class PageControlMore : public ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    pc = new TCvPageControl(form);
    pc->SetParent(form);
    pc->SetBounds(0, 0, 300, 200);
    for (const char* c : {"Alpha", "Beta", "Gamma"}) {
      auto* s = new TCvTabSheet(form);
      s->SetPageControl(pc);
      s->SetCaption(c);
    }
    pc->SetActivePage(pc->GetPage(0));
  }
  TCvPageControl* pc = nullptr;
};

TEST_F(PageControlMore, HighlightedReachesTheNativeTab) {
  Show();
  pc->GetPage(1)->SetHighlighted(true);
  TCITEMA item{};
  item.mask = TCIF_STATE;
  item.dwStateMask = TCIS_HIGHLIGHTED;
  SendMessage(pc->Handle(), TCM_GETITEM, 1, reinterpret_cast<LPARAM>(&item));
  EXPECT_TRUE(item.dwState & TCIS_HIGHLIGHTED);
  EXPECT_TRUE(pc->GetPage(1)->Highlighted());
}

TEST_F(PageControlMore, ActiveFontWiderThanTheFontPadsTheNativeText) {
  pc->Font()->SetHeight(-10);
  pc->ActiveFont()->SetHeight(-20);
  pc->ActiveFont()->SetStyle(TFontStyles{fsBold});
  Show();
  // "Alp" is 30 pixels in the active font and 15 in the font: three blanks of 5 make up the 15.
  EXPECT_EQ(pc->Tabs()->Strings(0), "Alp   ");
  EXPECT_EQ(pc->Tabs()->Strings(1), "Be");
  pc->SetActivePage(pc->GetPage(1));
  EXPECT_EQ(pc->Tabs()->Strings(0), "Alp");
  EXPECT_EQ(pc->Tabs()->Strings(1), "Be  ");
}

TEST_F(PageControlMore, OnDrawTabTakesOverBackgroundImageAndText) {
  std::vector<std::string> calls;
  pc->OnDrawTab = [&](TCustomTabControl* control, int index, const TRect& r, bool active) {
    EXPECT_EQ(control, pc);
    EXPECT_EQ(r, pc->TabRectOfPage(index));
    calls.push_back(std::to_string(index) + (active ? "*" : ""));
  };
  pc->GetPage(1)->SetTabVisible(false);
  Show();
  calls.clear();
  HDC dc = FanoCreateRecordingDC(300, 200);
  TCanvas c;
  c.SetHandle(dc);
  pc->PaintTabs(&c);
  // Page indexes, the last first; the hidden page has no tab.
  EXPECT_EQ(calls, (std::vector<std::string>{"2", "0*"}));
  for (auto& r : Records(dc)) EXPECT_STRNE(r.call, "DrawText");
  c.SetHandle(nullptr);
  DeleteDC(dc);
}

TEST_F(PageControlMore, FocusFrameOnTheActiveTabWhileFocused) {
  pc->SetShowFocus(true);
  Show();
  pc->SetFocus();
  Pump();
  HDC dc = FanoCreateRecordingDC(300, 200);
  TCanvas c;
  c.SetHandle(dc);
  pc->PaintTabs(&c);
  TRect r = pc->TabRectOfPage(0);
  bool found = false;
  for (auto& rec : Records(dc))
    if (std::string(rec.call) == "Rectangle" && rec.penStyle == PS_DOT) {
      found = true;
      EXPECT_EQ(rec.args[0], r.Left + 5);
      EXPECT_EQ(rec.args[1], r.Top + 3);
      EXPECT_EQ(rec.args[2], r.Right - 3);
      EXPECT_EQ(rec.args[3], r.Bottom - 5);
    }
  EXPECT_TRUE(found);
  c.SetHandle(nullptr);
  DeleteDC(dc);
}

TEST_F(PageControlMore, DesignerClickThroughOnOtherTabs) {
  Show();
  TRect a = pc->TabRectOfPage(0), b = pc->TabRectOfPage(1);
  EXPECT_EQ(pc->Perform(CM_DESIGNHITTEST, 0, MAKELPARAM(b.Left + 3, b.Top + 3)), 1);
  EXPECT_EQ(pc->Perform(CM_DESIGNHITTEST, 0, MAKELPARAM(a.Left + 3, a.Top + 3)), 0);
  EXPECT_EQ(pc->Perform(CM_DESIGNHITTEST, 0, MAKELPARAM(150, 150)), 0);
}

TEST_F(PageControlMore, DockSiteClosesOnPressAndAReleaseOnlyWhatItPressed) {
  pc->SetDockSite(true);
  for (int i = 0; i < 3; ++i) pc->GetPage(i)->SetShowClose(true);
  Show();
  TRect a = pc->TabRectOfPage(0);
  MouseDown(pc, a.Left + 6, a.Top + 6);
  EXPECT_EQ(pc->GetPageCount(), 2);
  EXPECT_EQ(pc->ActivePage(), pc->GetPage(0));
  EXPECT_EQ(pc->ActivePage()->Caption(), "Beta");
  // The release lands on Beta's close button, now under the pointer: one click closes one page.
  ASSERT_TRUE(pc->PtInCloseButton(0, a.Left + 6, a.Top + 6));
  MouseUp(pc, a.Left + 6, a.Top + 6);
  ASSERT_EQ(pc->GetPageCount(), 2);
  EXPECT_EQ(pc->ActivePage()->Caption(), "Beta");
  // Without a dock site the release closes, but only the page whose button took the press.
  pc->SetDockSite(false);
  MouseDown(pc, a.Left + 6, a.Top + 6);
  MouseUp(pc, a.Left + 6, a.Top + 6);
  EXPECT_EQ(pc->GetPageCount(), 1);
  EXPECT_EQ(pc->ActivePage()->Caption(), "Gamma");
}

TEST_F(PageControlMore, SheetGradient) {
  TCvTabSheet* s = pc->GetPage(0);
  s->SetColor(clWhite);
  s->SetColorTo(clBlack);
  Show();
  TColor top = PixelOf(s, 10, 1), bottom = PixelOf(s, 10, s->Height() - 2);
  EXPECT_GT(top & 0xFF, 0xF0);
  EXPECT_LT(bottom & 0xFF, 0x10);
}

TEST_F(PageControlMore, DesignTimeHintOnAnEmptyControl) {
  auto* empty = new TCvPageControl(form);
  empty->SetParent(form);
  empty->SetBounds(0, 0, 300, 200);
  empty->SetDesigning(true, false);
  Show();
  HDC dc = FanoCreateRecordingDC(300, 200);
  TCanvas c;
  c.SetHandle(dc);
  empty->PaintTabs(&c);
  std::vector<std::string> texts;
  for (auto& r : Records(dc))
    if (std::string(r.call) == "TextOut" || std::string(r.call) == "ExtTextOut") texts.push_back(r.text);
  ASSERT_EQ(texts.size(), 4u);
  EXPECT_EQ(texts[0], "Right-click and choose \"New Page\"");
  EXPECT_EQ(texts[3], "please install designtime package!");
  c.SetHandle(nullptr);
  DeleteDC(dc);
}

}  // namespace

namespace {

TEST_F(PageControlMore, BitmapTabsWithAnActiveBitmapPaintedLast) {
  TBitmap tab, active;
  for (auto [b, color] : {std::pair<TBitmap*, TColor>{&tab, clRed}, {&active, clLime}}) {
    b->SetSize(20, 20);
    b->Canvas()->Brush()->SetColor(color);
    b->Canvas()->FillRect(TRect(0, 0, 20, 20));
    b->Canvas()->SetPixels(0, 19, clFuchsia);
  }
  pc->SetTabBackGround(&tab);
  pc->SetTabBackGroundActive(&active);
  pc->SetTabBorderColor(clBlue);
  Show();
  TRect a = pc->TabRectOfPage(0), b = pc->TabRectOfPage(1);
  // Left of the captions, which start 4 pixels in.
  EXPECT_EQ(PixelOf(pc, b.Left + 1, b.Top + 3), clRed);
  EXPECT_EQ(PixelOf(pc, a.Left + 1, a.Top + 3), clLime);
  EXPECT_NE(PixelOf(pc, b.Left + 1, b.Top), clBlue);  // no borders over bitmaps
  // Hover is not tracked over bitmap tabs.
  pc->SetTabHoverColor(clYellow);
  MoveMouse(pc, b.Left + 5, b.Top + 5);
  EXPECT_EQ(pc->HoverIndex(), -1);
}

}  // namespace

// ---- handlers that take pages away, and the native selection ------------------------------------

class PageChoice : public PageControl {
 protected:
  // The page shown, the native tab chosen and the tabs agree.
  void ExpectConsistent() {
    int tab = pc->TabIndex();
    EXPECT_LT(tab, pc->Tabs()->Count());
    TCvTabSheet* chosen = nullptr;
    for (int i = 0; i < pc->GetPageCount(); ++i)
      if (tab >= 0 && pc->GetPage(i)->TabIndex() == tab) chosen = pc->GetPage(i);
    EXPECT_EQ(pc->ActivePage(), chosen);
    if (pc->ActivePage()) {
      EXPECT_EQ(pc->ActivePage()->TabIndex(), tab);
      EXPECT_TRUE(pc->ActivePage()->Visible());
    }
  }
};

TEST_F(PageChoice, CtrlTabWhoseCanChangeFreesTheDestination) {
  ThreePages();
  auto* edit = new TEdit(form);
  edit->SetParent(p0);
  edit->SetBounds(5, 5, 80, 20);
  Show();
  edit->SetFocus();
  Pump();
  pc->OnCanChange = [this](TObject*, int, int to, bool&) {
    if (to == 1 && p1) {
      p1->Free();
      p1 = nullptr;
    }
  };
  KeyPress(VK_TAB, false, true);
  EXPECT_EQ(pc->GetPageCount(), 2);
  ExpectConsistent();
  // The next press goes on from where the control is.
  pc->OnCanChange = nullptr;
  KeyPress(VK_TAB, false, true);
  ExpectConsistent();
  EXPECT_NE(pc->ActivePage(), nullptr);
}

TEST_F(PageChoice, AnExitHandlerThatRaisesKeepsThePage) {
  ThreePages();
  auto* edit = new TEdit(form);
  edit->SetParent(p0);
  edit->SetBounds(5, 5, 80, 20);
  Show();
  edit->SetFocus();
  Pump();
  std::vector<std::string> reported;
  Application->OnException = [&](TObject*, const std::exception& e) { reported.push_back(e.what()); };
  int exits = 0;
  edit->OnExit = [&](TObject*) {
    ++exits;
    throw Exception("Amount missing");
  };
  ClickTab(2);
  KeyPress(VK_TAB, false, true);
  EXPECT_THROW(pc->SetActivePage(p1), Exception);
  EXPECT_EQ(pc->ActivePage(), p0);
  ExpectConsistent();
  EXPECT_TRUE(edit->Focused());
  EXPECT_EQ(exits, 3);
  EXPECT_EQ(reported, (std::vector<std::string>{"Amount missing", "Amount missing"}));
  edit->OnExit = nullptr;
  ClickTab(2);
  EXPECT_EQ(pc->ActivePage(), p2);
  ExpectConsistent();
  Application->OnException = nullptr;
}

TEST_F(PageChoice, ClickWhoseCanChangeFreesTheDestination) {
  ThreePages();
  Show();
  pc->OnCanChange = [this](TObject*, int, int to, bool&) {
    if (to == 2 && p2) {
      p2->Free();
      p2 = nullptr;
    }
  };
  ClickTab(2);
  EXPECT_EQ(pc->GetPageCount(), 2);
  ExpectConsistent();
  EXPECT_EQ(pc->ActivePage(), p0);
}

TEST_F(PageChoice, ClickWhoseCanChangeFreesAnEarlierPage) {
  ThreePages();
  Show();
  pc->OnCanChange = [this](TObject*, int, int, bool&) {
    if (p1) {
      p1->Free();
      p1 = nullptr;
    }
  };
  ClickTab(2);
  EXPECT_EQ(pc->GetPageCount(), 2);
  ExpectConsistent();
  EXPECT_NE(pc->ActivePage(), nullptr);
}

TEST_F(PageChoice, ClickWhoseChangeHandlerFreesTheNewPage) {
  ThreePages();
  Show();
  pc->OnChange = [this](TObject*) {
    if (pc->ActivePage() == p2) {
      p2->Free();
      p2 = nullptr;
    }
  };
  ClickTab(2);
  EXPECT_EQ(pc->GetPageCount(), 2);
  ExpectConsistent();
  EXPECT_NE(pc->ActivePage(), nullptr);
}

TEST_F(PageChoice, ClearingTheActivePageClearsTheTabAndAClickOpensItAgain) {
  ThreePages();
  Show();
  pc->SetActivePage(nullptr);
  EXPECT_EQ(pc->ActivePage(), nullptr);
  EXPECT_EQ(pc->TabIndex(), -1);
  EXPECT_FALSE(p0->Visible());
  ClickTab(0);
  EXPECT_EQ(pc->ActivePage(), p0);
  ExpectConsistent();
}

TEST_F(PageChoice, AClickOnADisabledTabLeavesTheSelection) {
  ThreePages();
  Show();
  p2->SetTabEnable(false);
  ClickTab(2);
  EXPECT_EQ(pc->ActivePage(), p0);
  EXPECT_EQ(pc->TabIndex(), 0);
  ExpectConsistent();
  p2->SetTabEnable(true);
  ClickTab(2);
  EXPECT_EQ(pc->ActivePage(), p2);
  ExpectConsistent();
}

TEST_F(PageChoice, ShowAndHideHandlersThatFreePages) {
  ThreePages();
  Show();
  // Showing the new page frees the old one.
  p1->OnShow = [this](TObject*) {
    if (p0) {
      TCvTabSheet* gone = p0;
      p0 = nullptr;
      gone->Free();
    }
  };
  ClickTab(1);
  EXPECT_EQ(pc->GetPageCount(), 2);
  ExpectConsistent();
  EXPECT_NE(pc->ActivePage(), nullptr);
  // Hiding the old page frees the one being shown.
  p1->OnShow = nullptr;
  TCvTabSheet* active = pc->ActivePage();
  active->OnHide = [this](TObject*) {
    if (p2) {
      TCvTabSheet* gone = p2;
      p2 = nullptr;
      gone->Free();
    }
  };
  if (p2) ClickTab(p2->PageIndex());
  ExpectConsistent();
  EXPECT_NE(pc->ActivePage(), nullptr);
  active->OnHide = nullptr;
}
