// The page control's docking by dragging, through the window system: a form dragged onto the
// control becomes a page, its tab dragged off floats it in its own window, dragged back it is a
// page again, a double click on its tab floats it; a page's own client is not docked again.
#include <string>

#include "controls/cvpagecontrol.h"
#include "controls_test_util.h"
#include "platform/forms/dragdock.h"
#include "platform/forms/extctrls.h"

using namespace ctltest;

namespace {

class PageDocking : public SnapshotTest {
 protected:
  void SetUp() override {
    SnapshotTest::SetUp();
    form->SetBounds(100, 100, 460, 300);
    form->SetCaption("费用垫付单");
    pc = new TCvPageControl(form);
    pc->SetParent(form);
    pc->SetBounds(10, 10, 420, 240);
    pc->SetDockSite(true);
    auto* s = new TCvTabSheet(form);
    s->SetPageControl(pc);
    s->SetCaption("基本信息");
    first = s;
    Show();
    client = new TForm(nullptr);
    client->SetCaption("垫付明细");
    client->SetBounds(600, 150, 220, 140);
    client->SetColor(clWhite);
    client->SetDragKind(dkDock);
    client->SetDragMode(dmAutomatic);
    auto* panel = new TPanel(client);
    panel->SetParent(client);
    panel->SetAlign(alTop);
    panel->SetHeight(30);
    panel->SetCaption("明细行 3 条");
    client->OnEndDock = [this](TObject*, TObject* target, int, int) { ends.push_back(target); };
    client->Show();
    Pump();
  }
  void TearDown() override {
    CancelDrag();
    if (client) client->Free();
    Pump();
    SnapshotTest::TearDown();
  }
  TPoint TabCentre(int page) {
    TRect r = pc->TabRectOfPage(page);
    return ScreenPoint(pc, (r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
  }
  // Drags the client (pressed inside it) onto the middle of the page control.
  void DragClientOntoPages() {
    MouseDownAt(ScreenPoint(client, 100, 80));
    MoveMouseTo(ScreenPoint(client, 90, 80));
    MoveMouseTo(ScreenPoint(pc, 200, 120));
  }
  TRect PagesWindowRect() {
    RECT r;
    GetWindowRect(pc->Handle(), &r);
    return TRect(r.left, r.top, r.right, r.bottom);
  }
  TCvPageControl* pc = nullptr;
  TCvTabSheet* first = nullptr;
  TForm* client = nullptr;
  std::vector<TObject*> ends;
};

TEST_F(PageDocking, AFormDraggedOntoTheControlBecomesAPage) {
  DragClientOntoPages();
  ASSERT_TRUE(DragStarted());
  auto* drag = static_cast<TDragDockObject*>(ActiveDragObject());
  EXPECT_FALSE(drag->Floating());
  EXPECT_EQ(DragOutlineRect(), PagesWindowRect()) << "the control offers its window rectangle";
  EXPECT_EQ(DragOutlineWindow(), form->Handle());
  WriteSnapshot(form, "pagecontrol_dock_outline.png");
  MouseUpAt(ScreenPoint(pc, 200, 120));
  ASSERT_EQ(pc->GetPageCount(), 2);
  TCvTabSheet* page = pc->GetPage(1);
  EXPECT_EQ(client->Parent(), page);
  EXPECT_EQ(client->HostDockSite(), pc);
  EXPECT_EQ(pc->GetPageFromDockClient(client), page);
  EXPECT_EQ(page->Caption(), "垫付明细");
  EXPECT_EQ(pc->ActivePage(), page);
  EXPECT_EQ(client->Align(), alClient);
  EXPECT_EQ(client->BorderStyle(), bsNone) << "the page frames it, not a caption of its own";
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_EQ(ends[0], pc);
  Pump();
  WriteSnapshot(form, "pagecontrol_docked_form.png");
  // The page follows the form's caption.
  client->SetCaption("明细\n二");
  EXPECT_EQ(page->Caption(), "明细");
}

TEST_F(PageDocking, ItsTabDraggedOffFloatsItAndDraggedBackItIsAPageAgain) {
  ASSERT_TRUE(client->ManualDock(pc));
  ASSERT_EQ(pc->GetPageCount(), 2);
  Pump();
  TPoint tab = TabCentre(1);
  MouseDownAt(tab);
  EXPECT_TRUE(client->Dragging()) << "a press on a docked form's tab begins dragging it";
  EXPECT_FALSE(DragStarted()) << "not before the pointer moves past the threshold";
  // Over its own page control it is already a page: the control does not take it again.
  MoveMouseTo(TPoint(tab.X + 30, tab.Y + 60));
  ASSERT_TRUE(DragStarted());
  EXPECT_TRUE(static_cast<TDragDockObject*>(ActiveDragObject())->Floating());
  TPoint away(800, 700);
  MoveMouseTo(away);
  TRect outline = DragOutlineRect();
  EXPECT_EQ(outline.Width(), 220);
  EXPECT_EQ(outline.Height(), 140);
  EXPECT_TRUE(outline.Contains(away));
  MouseUpAt(away);
  ASSERT_TRUE(client->Floating());
  auto* host = dynamic_cast<TFloatingDockHost*>(client->HostDockSite());
  ASSERT_NE(host, nullptr);
  EXPECT_EQ(host->Caption(), "垫付明细");
  EXPECT_EQ(host->ClientWidth(), 220) << "sized to the form as it was before docking";
  EXPECT_EQ(host->ClientHeight(), 140);
  EXPECT_EQ(pc->GetPageCount(), 1) << "the emptied sheet is freed";
  EXPECT_EQ(pc->ActivePage(), first);
  Pump();
  WriteSnapshot(host, "pagecontrol_floating_form.png");
  // Docked back by dragging the form onto the control.
  DragClientOntoPages();
  EXPECT_FALSE(static_cast<TDragDockObject*>(ActiveDragObject())->Floating());
  MouseUpAt(ScreenPoint(pc, 200, 120));
  EXPECT_EQ(pc->GetPageCount(), 2);
  EXPECT_EQ(client->HostDockSite(), pc);
  Pump();  // the emptied floating host goes
  int hosts = 0;
  for (int i = 0; i < Screen->CustomFormCount(); ++i)
    if (dynamic_cast<TFloatingDockHost*>(Screen->CustomForms(i))) ++hosts;
  EXPECT_EQ(hosts, 0);
}

TEST_F(PageDocking, ADoubleClickOnItsTabFloatsIt) {
  ASSERT_TRUE(client->ManualDock(pc));
  Pump();
  TPoint tab = TabCentre(1);
  MouseDownAt(tab);
  MouseUpAt(tab);
  EXPECT_FALSE(client->Dragging()) << "a click without moving drags nothing";
  EXPECT_EQ(client->HostDockSite(), pc);
  MouseDownAt(tab);  // the second press of a double click
  MouseUpAt(tab);
  EXPECT_TRUE(client->Floating());
  EXPECT_EQ(pc->GetPageCount(), 1);
}

TEST_F(PageDocking, EscapeKeepsThePageAndNoDockSiteMeansNoDrag) {
  ASSERT_TRUE(client->ManualDock(pc));
  Pump();
  TPoint tab = TabCentre(1);
  MouseDownAt(tab);
  MoveMouseTo(TPoint(800, 700));
  ASSERT_TRUE(DragStarted());
  KeyPress(VK_ESCAPE);
  MouseUpAt(TPoint(800, 700));
  EXPECT_EQ(client->HostDockSite(), pc);
  EXPECT_EQ(pc->GetPageCount(), 2);
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_EQ(ends[0], nullptr);
  pc->SetDockSite(false);
  MouseDownAt(tab);
  EXPECT_FALSE(client->Dragging());
  MouseUpAt(tab);
}

TEST_F(PageDocking, ItsTabDraggedOntoAnotherPageControlMovesThePageThere) {
  pc->SetHeight(120);
  auto* other = new TCvPageControl(form);
  other->SetParent(form);
  other->SetBounds(10, 140, 420, 110);
  other->SetDockSite(true);
  ASSERT_TRUE(client->ManualDock(pc));
  Pump();
  MouseDownAt(TabCentre(1));
  MoveMouseTo(ScreenPoint(other, 100, 40));
  ASSERT_TRUE(DragStarted());
  RECT r;
  GetWindowRect(other->Handle(), &r);
  EXPECT_EQ(DragOutlineRect(), TRect(r.left, r.top, r.right, r.bottom));
  MouseUpAt(ScreenPoint(other, 100, 40));
  EXPECT_EQ(client->HostDockSite(), other);
  EXPECT_EQ(pc->GetPageCount(), 1);
  ASSERT_EQ(other->GetPageCount(), 1);
  EXPECT_EQ(other->GetPage(0)->Caption(), "垫付明细");
  EXPECT_EQ(client->Parent(), other->GetPage(0));
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_EQ(ends[0], other);
}

TEST_F(PageDocking, AFreedFormTakesItsPageAndTheNextPageShows) {
  auto* other = new TForm(nullptr);
  other->SetCaption("附件");
  other->Show();
  other->OnClose = [](TObject*, TCloseAction& action) { action = caFree; };
  ASSERT_TRUE(client->ManualDock(pc) && other->ManualDock(pc));
  pc->SetActivePage(pc->GetPage(1));
  client->Free();
  client = nullptr;
  ASSERT_EQ(pc->GetPageCount(), 2);
  EXPECT_EQ(pc->ActivePage()->Caption(), "附件");
  // Closed with caFree, after the site stopped taking clients: its page goes all the same.
  pc->SetDockSite(false);
  other->Close();
  Pump();
  EXPECT_EQ(pc->GetPageCount(), 1);
  EXPECT_EQ(pc->ActivePage(), first);
  EXPECT_EQ(pc->DockClientCount(), 0);
  WriteSnapshot(form, "pagecontrol_docked_form_freed.png");
}

TEST_F(PageDocking, ASiteThatRefusesGetsNothing) {
  pc->OnGetSiteInfo = [](TObject*, TControl*, TRect&, TPoint, bool& canDock) { canDock = false; };
  DragClientOntoPages();
  EXPECT_TRUE(static_cast<TDragDockObject*>(ActiveDragObject())->Floating());
  MouseUpAt(ScreenPoint(pc, 200, 120));
  EXPECT_EQ(pc->GetPageCount(), 1);
  EXPECT_NE(client->HostDockSite(), pc);
}

}  // namespace
