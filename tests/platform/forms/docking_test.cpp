// Docking by dragging through the window system: the dock outline over a site that accepts, a
// site that refuses in GetSiteInfo, floating in a floating host form (sized to the control,
// titled by it, hiding it when closed), docking back, Escape, ManualDock and OnUnDock.
#include "forms_test_util.h"

#include "platform/forms/dragdock.h"

using namespace formstest;

namespace {

class Docking : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    form->SetBounds(100, 100, 500, 300);
    form->SetColor(clWhite);
    site = new TTestWin(form);
    site->SetName("Site");
    site->SetBounds(250, 20, 200, 200);
    site->SetColor(clWhite);
    site->SetParent(form);
    site->SetDockSite(true);
    site->OnDockOver = [this](TObject*, TDragDockObject*, int, int, TDragState state, bool&) {
      overs.push_back(state);
    };
    site->OnDockDrop = [this](TObject*, TDragDockObject* src, int, int) {
      ++dockDrops;
      dropped = src->Control();
      droppedObject = src;
    };
    client = new TTestWin(form);
    client->SetCaption("客户");
    client->SetBounds(20, 30, 120, 80);
    client->SetColor(clWhite);
    client->SetParent(form);
    client->SetDragKind(dkDock);
    client->SetDragMode(dmAutomatic);
    client->OnEndDock = [this](TObject*, TObject* target, int, int) { ends.push_back(target); };
    Show();
  }
  void TearDown() override {
    CancelDrag();
    FormTest::TearDown();
    Pump();
  }
  COLORREF FormPixel(const TPoint& screen) { return uitest::WindowPixelAt(form, screen); }
  TTestWin* site = nullptr;
  TTestWin* client = nullptr;
  std::vector<TDragState> overs;
  std::vector<TObject*> ends;
  int dockDrops = 0;
  TControl* dropped = nullptr;
  TDragDockObject* droppedObject = nullptr;
};

TEST_F(Docking, ADockDragShowsTheSiteOutlineAndDocksThere) {
  MouseDown(client, 10, 10);
  EXPECT_TRUE(client->Dragging());
  MoveMouseTo(ScreenPoint(client, 30, 10));
  ASSERT_TRUE(DragStarted());
  EXPECT_TRUE(overs.empty());
  TPoint over = ScreenPoint(site, 100, 100);
  MoveMouseTo(over);
  ASSERT_FALSE(overs.empty());
  EXPECT_EQ(overs.front(), dsDragEnter);
  TPoint o = ScreenPoint(site, 0, 0);
  EXPECT_EQ(DragOutlineRect(), TRect(o.X, o.Y, o.X + 200, o.Y + 200)) << "the site's client area";
  EXPECT_EQ(DragOutlineWindow(), form->Handle());
  EXPECT_EQ(FormPixel(o), RGB(0, 0, 0)) << "the white site inverted under the outline";
  EXPECT_EQ(FormPixel(ScreenPoint(site, 50, 50)), RGB(255, 255, 255));
  MouseUpAt(over);
  EXPECT_FALSE(client->Dragging());
  EXPECT_EQ(FormPixel(o), RGB(255, 255, 255)) << "the outline is gone";
  EXPECT_EQ(dockDrops, 1);
  EXPECT_EQ(dropped, client);
  EXPECT_EQ(client->Parent(), site);
  EXPECT_EQ(client->HostDockSite(), site);
  ASSERT_EQ(site->DockClientCount(), 1);
  EXPECT_EQ(site->DockClients(0), client);
  EXPECT_EQ(client->BoundsRect(), TRect(0, 0, 200, 200));
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_EQ(ends[0], site);
}

TEST_F(Docking, ASiteThatRefusesInGetSiteInfoGetsNothing) {
  int asked = 0;
  site->OnGetSiteInfo = [&](TObject*, TControl* c, TRect&, TPoint, bool& canDock) {
    ++asked;
    EXPECT_EQ(c, client);
    canDock = false;
  };
  MouseDown(client, 10, 10);
  TPoint over = ScreenPoint(site, 100, 100);
  MoveMouseTo(over);
  EXPECT_GT(asked, 0);
  EXPECT_TRUE(overs.empty()) << "a refusing site is not asked for DockOver";
  ASSERT_NE(ActiveDragObject(), nullptr);
  EXPECT_TRUE(static_cast<TDragDockObject*>(ActiveDragObject())->Floating());
  // The outline shows where the control would float: its size, held where it was pressed.
  EXPECT_EQ(DragOutlineRect(), TRect(over.X - 10, over.Y - 10, over.X - 10 + 120, over.Y - 10 + 80));
  MouseUpAt(over);
  EXPECT_EQ(site->DockClientCount(), 0);
  EXPECT_EQ(dockDrops, 0);
  EXPECT_NE(client->Parent(), site);
  EXPECT_TRUE(client->Floating()) << "the drop floats it instead";
}

TEST_F(Docking, DraggedOffItFloatsInAHostFormOfItsOwnAndDocksBack) {
  MouseDown(client, 10, 10);
  TPoint away(700, 600);  // off the form
  MoveMouseTo(away);
  EXPECT_EQ(DragOutlineRect(), TRect(690, 590, 810, 670));
  MouseUpAt(away);
  ASSERT_TRUE(client->Floating());
  auto* host = dynamic_cast<TFloatingDockHost*>(client->HostDockSite());
  ASSERT_NE(host, nullptr);
  EXPECT_EQ(client->Parent(), host);
  EXPECT_EQ(host->Caption(), "客户");
  EXPECT_EQ(host->BorderStyle(), bsToolWindow);
  EXPECT_TRUE(IsWindowVisible(host->Handle()));
  EXPECT_EQ(host->ClientWidth(), 120);
  EXPECT_EQ(host->ClientHeight(), 80);
  EXPECT_EQ(client->ClientToScreen(TPoint(0, 0)), TPoint(690, 590)) << "where the outline was";
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_EQ(ends[0], host);
  // The host follows the control's caption.
  client->SetCaption("新的");
  EXPECT_EQ(host->Caption(), "新的");
  // Docked back by dragging: the emptied host goes.
  MouseDown(client, 10, 10);
  TPoint over = ScreenPoint(site, 60, 60);
  MoveMouseTo(over);
  EXPECT_FALSE(static_cast<TDragDockObject*>(ActiveDragObject())->Floating());
  MouseUpAt(over);
  EXPECT_EQ(client->HostDockSite(), site);
  EXPECT_EQ(client->Parent(), site);
  EXPECT_FALSE(client->Floating());
  Pump();
  EXPECT_EQ(client->UndockWidth(), 120) << "it floats again with the size it had";
}

TEST_F(Docking, ClosingTheFloatingHostHidesTheControl) {
  ASSERT_TRUE(client->ManualDock(nullptr));
  auto* host = dynamic_cast<TFloatingDockHost*>(client->HostDockSite());
  ASSERT_NE(host, nullptr);
  host->Close();
  Pump();
  EXPECT_FALSE(client->Visible());
  EXPECT_FALSE(IsWindowVisible(host->Handle()));
  client->Show();
  EXPECT_TRUE(IsWindowVisible(host->Handle())) << "showing the control shows its host";
}

TEST_F(Docking, EscapeLeavesTheControlWhereItWas) {
  MouseDown(client, 10, 10);
  TPoint over = ScreenPoint(site, 100, 100);
  MoveMouseTo(over);
  TPoint o = ScreenPoint(site, 0, 0);
  EXPECT_EQ(FormPixel(o), RGB(0, 0, 0));
  KeyPress(VK_ESCAPE);
  EXPECT_FALSE(client->Dragging());
  EXPECT_EQ(FormPixel(o), RGB(255, 255, 255));
  EXPECT_EQ(overs.back(), dsDragLeave);
  MouseUpAt(over);
  EXPECT_EQ(client->Parent(), form);
  EXPECT_EQ(client->BoundsRect(), TRect(20, 30, 140, 110));
  EXPECT_EQ(client->HostDockSite(), nullptr);
  EXPECT_EQ(dockDrops, 0);
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_EQ(ends[0], nullptr);
}

TEST_F(Docking, ManualDockSendsTheDockMessagesAndOnUnDockMayRefuse) {
  MessageLog log;
  log.Watch(site, {CM_DOCKCLIENT, CM_UNDOCKCLIENT, CM_DOCKNOTIFICATION});
  ASSERT_TRUE(client->ManualDock(site));
  EXPECT_EQ(log.Joined(), "Site:CM_DOCKCLIENT");
  log.Clear();
  client->SetCaption("x");
  client->Hide();
  EXPECT_EQ(log.Joined(), "Site:CM_DOCKNOTIFICATION Site:CM_DOCKNOTIFICATION");
  client->Show();
  log.Clear();
  bool allow = false;
  site->OnUnDock = [&](TObject*, TControl* c, TWinControl* newTarget, bool& a) {
    EXPECT_EQ(c, client);
    EXPECT_EQ(newTarget, nullptr);
    a = allow;
  };
  EXPECT_FALSE(client->ManualDock(nullptr));
  EXPECT_EQ(client->HostDockSite(), site);
  allow = true;
  EXPECT_TRUE(client->ManualDock(nullptr));
  EXPECT_EQ(log.Joined(), "Site:CM_UNDOCKCLIENT");
  EXPECT_EQ(site->DockClientCount(), 0);
  EXPECT_TRUE(client->Floating());
}

TEST_F(Docking, OnStartDockMayGiveTheDragObject) {
  TDragDockObject mine(client);
  client->OnStartDock = [&](TObject* sender, TDragDockObject*& obj) {
    EXPECT_EQ(sender, client);
    obj = &mine;
  };
  MouseDown(client, 10, 10);
  EXPECT_EQ(ActiveDragObject(), &mine);
  TPoint over = ScreenPoint(site, 100, 100);
  MoveMouseTo(over);
  EXPECT_FALSE(mine.Floating());
  MouseUpAt(over);
  EXPECT_TRUE(mine.Dropped());
  EXPECT_EQ(dropped, client);
  EXPECT_EQ(droppedObject, &mine) << "the site gets the drag's own object";
  EXPECT_EQ(client->HostDockSite(), site);
}

TEST_F(Docking, AShownFormPutIntoAnotherBecomesItsChildWindow) {
  auto* other = new TForm(nullptr);
  other->SetBounds(700, 500, 150, 100);
  other->Show();
  Pump();
  ASSERT_TRUE(IsWindowVisible(other->Handle()));
  other->SetParent(site);
  other->SetBounds(10, 10, 150, 100);
  Pump();
  ASSERT_TRUE(other->HandleAllocated());
  EXPECT_EQ(GetParent(other->Handle()), site->Handle());
  RECT r;
  GetWindowRect(other->Handle(), &r);
  TPoint o = ScreenPoint(site, 10, 10);
  EXPECT_EQ(r.left, o.X) << "placed in the site, not on the screen";
  EXPECT_EQ(r.top, o.Y);
  other->Free();
}

}  // namespace
