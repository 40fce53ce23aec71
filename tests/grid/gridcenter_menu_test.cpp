// The centre's indicator-title menu, its items' commands, the clicks it receives and its find
// dialog call.
#include "dbgrid_test_util.h"
#include "grid/datasetfeatures.h"
#include "grid/gridfinddlg.h"
#include "platform/forms/clipbrd.h"

namespace dbgridtest {
namespace {

class FindDialogFeatures : public TDatasetFeaturesGx {
 public:
  FindDialogFeatures() : TDatasetFeaturesGx(TMemTableGx::StaticClass()) {}
  void ShowFindDialog(TCustomDBGridGx*, const std::string& text, const std::string&, bool modal) override {
    shown = text;
    wasModal = modal;
  }
  std::string shown = "-";
  bool wasModal = false;
};

class GridCenterMenuTest : public DBGridTest {
 protected:
  void SetUp() override {
    DBGridTest::SetUp();
    AddRow(1, "one");
    AddRow(2, "two");
    table->First();
    MakeGrid();
    AddColumn("ID", "编号");
    AddColumn("NAME", "名称");
    AddColumn("AMOUNT")->Title()->SetCaption("");  // not offered under "Visible columns"
    Bind();
    grid->SetEditActions(TDBGridGxEditActions{geaCutGx, geaCopyGx, geaPasteGx, geaDeleteGx, geaSelectAllGx});
  }
  void TearDown() override {
    if (TDBGridGxFindDlg* dlg = GridFindDialog()) dlg->Close();
    center()->SetIndicatorTitleMenuItems(0x3F);
    DBGridTest::TearDown();
  }
  TDBGridGxCenter* center() { return GetGridCenter(); }
  TPopupMenu* Build(TCustomDBGridGx* g) {
    TPopupMenu* menu = nullptr;
    center()->BuildIndicatorTitleMenu(g, menu);
    return menu;
  }
  static std::string Captions(TMenuItem* root) {
    std::string s;
    for (int i = 0; i < root->Count(); ++i) s += (i ? "," : "") + root->Items(i)->Caption();
    return s;
  }
  static void PutClipboardText(const std::string& text) {
    TClipboard* cb = Clipboard();
    cb->Open();
    cb->Clear();
    cb->SetAsText(text);
    cb->Close();
  }
};

TEST_F(GridCenterMenuTest, WithoutGlobalItemsAndOwnMenuTheMenuIsEmpty) {
  grid->IndicatorTitle()->SetUseGlobalMenu(false);
  TPopupMenu* menu = Build(grid);
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->Name(), "DBGridGxIndicatorTitlePopupMenu");
  EXPECT_EQ(menu->Items()->Count(), 0);
  EXPECT_EQ(menu, center()->IndicatorTitlePopupMenu());
}

TEST_F(GridCenterMenuTest, GlobalItemsThenASeparatorThenCopiesOfTheOwnMenu) {
  auto* own = new TPopupMenu(form);
  int clicked = 0;
  for (const char* caption : {"打印", "Refresh"}) {
    auto* item = new TMenuItem(own);
    item->SetCaption(caption);
    item->OnClick = [&](TObject*) { ++clicked; };
    own->Items()->Add(item);
  }
  own->Items()->Items(1)->SetEnabled(false);
  own->Items()->Items(1)->SetShortCut(ShortCut(VK_F5, {}));
  auto* sub = new TMenuItem(own);
  sub->SetCaption("sub");
  own->Items()->Items(0)->Add(sub);
  grid->IndicatorTitle()->SetDropdownMenu(own);
  TPopupMenu* menu = Build(grid);
  EXPECT_EQ(Captions(menu->Items()), "Visible columns,Cut,Copy,Paste,Delete,Select All,-,打印,Refresh");
  TMenuItem* print = menu->Items()->Items(7);
  TMenuItem* refresh = menu->Items()->Items(8);
  EXPECT_NE(print, own->Items()->Items(0));
  EXPECT_EQ(print->Count(), 0);  // sub-items are not copied
  EXPECT_FALSE(refresh->Enabled());
  EXPECT_EQ(refresh->ShortCut(), ShortCut(VK_F5, {}));
  print->Click();
  EXPECT_EQ(clicked, 1);
  // Built again: the copies are made anew, the global items are the same objects.
  TMenuItem* visible = menu->Items()->Items(0);
  menu = Build(grid);
  EXPECT_EQ(menu->Items()->Count(), 9);
  EXPECT_EQ(menu->Items()->Items(0), visible);
  // Only the offered global items.
  center()->SetIndicatorTitleMenuItems(0x04 | 0x20);
  EXPECT_EQ(Captions(Build(grid)->Items()), "Copy,Select All,-,打印,Refresh");
  center()->SetIndicatorTitleMenuItems(0);
  EXPECT_EQ(Captions(Build(grid)->Items()), "打印,Refresh");  // no separator before them
  grid->IndicatorTitle()->SetDropdownMenu(nullptr);
}

TEST_F(GridCenterMenuTest, VisibleColumnsListsCaptionedColumnsAndTogglesThem) {
  TMenuItem* visible = Build(grid)->Items()->Items(0);
  ASSERT_EQ(visible->Caption(), "Visible columns");
  EXPECT_EQ(Captions(visible), "编号,名称");
  EXPECT_TRUE(visible->Items(1)->Checked());
  visible->Items(1)->Click();
  EXPECT_FALSE(grid->Columns()->Items(1)->Visible());
  // The marks follow the columns at every opening.
  visible = Build(grid)->Items()->Items(0);
  EXPECT_EQ(visible->Count(), 2);
  EXPECT_FALSE(visible->Items(1)->Checked());
  EXPECT_TRUE(visible->Items(0)->Checked());
  visible->Items(1)->Click();
  EXPECT_TRUE(grid->Columns()->Items(1)->Visible());
}

TEST_F(GridCenterMenuTest, ItemsAreEnabledByTheGridAndItsEditActions) {
  PutClipboardText("9\tnine");
  TMenuItem* root = Build(grid)->Items();
  EXPECT_FALSE(root->Items(1)->Enabled());  // Cut: nothing selected
  EXPECT_FALSE(root->Items(2)->Enabled());  // Copy
  EXPECT_TRUE(root->Items(3)->Enabled());   // Paste
  EXPECT_FALSE(root->Items(4)->Enabled());  // Delete
  EXPECT_TRUE(root->Items(5)->Enabled());   // Select All
  grid->SetEditActions(TDBGridGxEditActions{geaCutGx, geaCopyGx, geaDeleteGx, geaSelectAllGx});
  root = Build(grid)->Items();
  EXPECT_FALSE(root->Items(3)->Enabled());  // Paste left out of EditActions
  // Select All, then Copy puts the records on the clipboard.
  root->Items(5)->Click();
  EXPECT_EQ(grid->Selection()->SelectionType(), gstAll);
  root = Build(grid)->Items();
  EXPECT_TRUE(root->Items(2)->Enabled());
  EXPECT_TRUE(root->Items(4)->Enabled());
  root->Items(2)->Click();
  EXPECT_EQ(Clipboard()->AsText(), "编号\t名称\t\r\n1\tone\t0\r\n2\ttwo\t0");
}

TEST_F(GridCenterMenuTest, ASecondGridReusesTheSharedItems) {
  TMenuItem* copy1 = Build(grid)->Items()->Items(2);
  auto* grid2 = new TDBGridGx(form);
  grid2->SetParent(form);
  grid2->SetDataSource(source);
  TMenuItem* copy2 = Build(grid2)->Items()->Items(2);
  EXPECT_EQ(copy1, copy2);
  auto* item = dynamic_cast<TDBGridGxMenuItem*>(copy2);
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->Grid, grid2);
  EXPECT_EQ(item->Action, 2);
  // Its "Visible columns" lists the second grid's columns.
  EXPECT_EQ(Captions(Build(grid2)->Items()->Items(0)), "ID,NAME,AMOUNT,FLAG");
}

TEST_F(GridCenterMenuTest, ClicksReachTheCentreAndItsDefaults) {
  int cellClicks = 0;
  TGridCoord clicked{-1, -1};
  center()->OnCellMouseClick = [&](TDBGridGxCenter*, TCustomDBGridGx* g, TGridCoord cell, TMouseButton, TShiftState,
                                   int, int) {
    cellClicks += g == grid;
    clicked = cell;
  };
  grid->CellMouseClick(TGridCoord{2, 1}, mbLeft, {}, 3, 3);
  center()->OnCellMouseClick = nullptr;
  EXPECT_EQ(cellClicks, 1);
  EXPECT_EQ(clicked.X, 2);
  // The indicator title: by default the grid's own handler, then the centre's event replaces it.
  int gridHandler = 0, centreHandler = 0;
  grid->OnIndicatorTitleMouseDown = [&](TObject*) { ++gridHandler; };
  center()->IndicatorTitleMouseDown(grid, TGridCoord{0, 0}, mbLeft, {}, 1, 1);
  EXPECT_EQ(gridHandler, 1);
  center()->OnIndicatorTitleMouseDown = [&](TDBGridGxCenter*, TCustomDBGridGx*, TGridCoord, TMouseButton,
                                            TShiftState, int, int) { ++centreHandler; };
  center()->IndicatorTitleMouseDown(grid, TGridCoord{0, 0}, mbLeft, {}, 1, 1);
  EXPECT_EQ(gridHandler, 1);
  EXPECT_EQ(centreHandler, 1);
  // A press on the indicator title goes through the centre.
  const TRect cell = grid->CellRect(0, 0);
  const TPoint p = grid->ClientToScreen(TPoint((cell.Left + cell.Right) / 2, (cell.Top + cell.Bottom) / 2));
  FanoInputMouseButton(0, TRUE, p.X, p.Y);
  FanoInputMouseButton(0, FALSE, p.X, p.Y);
  gridtest::Pump();
  center()->OnIndicatorTitleMouseDown = nullptr;
  EXPECT_EQ(centreHandler, 2);
  EXPECT_EQ(gridHandler, 1);
  // With its title button the indicator title pops up the centre's menu.
  grid->OnIndicatorTitleMouseDown = nullptr;
  grid->IndicatorTitle()->SetTitleButton(true);
  EXPECT_TRUE(uitest::WithMenu([&] { grid->IndicatorTitleMouseDown(); }, [&] {
    ASSERT_NE(center()->IndicatorTitlePopupMenu(), nullptr);
    EXPECT_TRUE(center()->IndicatorTitlePopupMenu()->IsShowing());
  }));
  // The shared menu belongs to the application and stays for the next time.
  EXPECT_NE(center()->IndicatorTitlePopupMenu(), nullptr);
}

TEST_F(GridCenterMenuTest, FindDialogFromTheGridOrAFeatureObject) {
  if (TDBGridGxFindDlg* dlg = GridFindDialog()) dlg->Close();
  grid->SetFocus();
  gridtest::Pump();
  grid->SetOptionsGx(grid->OptionsGx() + dghDialogFind);
  // Without a feature object Ctrl+F opens the grid's own dialog, modally.
  bool shownModally = false;
  Application->OnIdle = [&](TObject*, bool& done) {
    done = false;
    if (TDBGridGxFindDlg* dlg = GridFindDialog(); dlg && dlg->Visible()) {
      shownModally = dlg->FormState().Contains(fsModal);
      dlg->SetModalResult(mrCancel);
    }
  };
  FanoInputKey(VK_CONTROL, TRUE);
  FanoInputKey('F', TRUE);
  FanoInputKey('F', FALSE);
  FanoInputKey(VK_CONTROL, FALSE);
  gridtest::Pump();
  Application->OnIdle = nullptr;
  ASSERT_NE(GridFindDialog(), nullptr);
  EXPECT_TRUE(shownModally);
  EXPECT_FALSE(GridFindDialog()->Visible());
  auto owned = std::make_unique<FindDialogFeatures>();
  FindDialogFeatures* features = owned.get();
  RegisterDatasetFeatures(std::move(owned));
  center()->ShowFindDialog(grid, "two", "NAME", false);
  EXPECT_EQ(features->shown, "two");
  EXPECT_FALSE(GridFindDialog()->Visible());
  UnregisterDatasetFeatures(features);
}

}  // namespace
}  // namespace dbgridtest
