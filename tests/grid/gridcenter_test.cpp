// The behaviour centre: events first, then a registered feature object, then the grid's own way.
#include "dbgrid_test_util.h"
#include "grid/datasetfeatures.h"
#include "grid/gridsearch.h"

namespace dbgridtest {
namespace {

class RecordingFeatures : public TDatasetFeaturesGx {
 public:
  RecordingFeatures() : TDatasetFeaturesGx(TMemTableGx::StaticClass()) {}
  bool LocateText(TCustomDBGridGx*, const std::string&, const std::string& text, int, int, int, int) override {
    located = text;
    return true;
  }
  void ApplySorting(TCustomDBGridGx*, TDataSet* ds, bool isReopen) override {
    sorted = ds;
    reopen = isReopen;
  }
  void ApplyFilter(TCustomDBGridGx*, TDataSet* ds, bool) override { filtered = ds; }
  bool MoveRecords(TCustomDBGridGx*, TBMListGx*, int toRecNo, bool) override { return toRecNo == 7; }
  std::string located;
  TDataSet* sorted = nullptr;
  TDataSet* filtered = nullptr;
  bool reopen = false;
};

class GridCenterTest : public DBGridTest {
 protected:
  void SetUp() override {
    DBGridTest::SetUp();
    AddRow(1, "one");
    AddRow(2, "two");
    table->First();
    MakeGrid();
    AddColumn("ID");
    AddColumn("NAME");
    Bind();
    grid->SetCol(grid->DataToRawColumn(1));
  }
  TDBGridGxCenter* center() { return grid->Center(); }
};

TEST_F(GridCenterTest, WithoutAFeatureObjectTheGridsOwnWayIsTaken) {
  ASSERT_NE(center(), nullptr);
  EXPECT_TRUE(center()->IsGridRegistered(grid));
  ASSERT_EQ(GetDatasetFeatures(table), nullptr);
  EXPECT_TRUE(center()->LocateText(grid, "", "two", 0, lgdDown, lgmWhole, 0));
  EXPECT_EQ(table->FieldByName("ID")->AsInteger(), 2);
  EXPECT_FALSE(center()->MoveRecords(grid, grid->SelectedRows(), 7, true));
  // Sorting and filtering change nothing in the data set.
  center()->ApplySorting(grid);
  center()->ApplyFilter(grid);
  EXPECT_EQ(table->RecordCount(), 2);
  EXPECT_EQ(table->FieldByName("ID")->AsInteger(), 2);
}

TEST_F(GridCenterTest, ARegisteredFeatureObjectTakesTheRequests) {
  auto owned = std::make_unique<RecordingFeatures>();
  RecordingFeatures* features = owned.get();
  RegisterDatasetFeatures(std::move(owned));
  EXPECT_TRUE(center()->LocateText(grid, "", "xyz", 0, lgdDown, lgmWhole, 0));
  EXPECT_EQ(features->located, "xyz");
  EXPECT_EQ(table->FieldByName("ID")->AsInteger(), 1);
  center()->ApplySorting(grid);
  EXPECT_EQ(features->sorted, table);
  EXPECT_TRUE(features->reopen);
  center()->ApplyFilter(grid);
  EXPECT_EQ(features->filtered, table);
  EXPECT_TRUE(center()->MoveRecords(grid, grid->SelectedRows(), 7, true));
  UnregisterDatasetFeatures(features);
}

TEST_F(GridCenterTest, EventsComeBeforeEverything) {
  int sorts = 0;
  center()->OnApplySorting = [&](TDBGridGxCenter*, TCustomDBGridGx* g) { sorts += g == grid; };
  center()->OnLocateText = [](TDBGridGxCenter*, TCustomDBGridGx*, const std::string&, const std::string&, int, int,
                              int, int) { return false; };
  center()->ApplySorting(grid);
  EXPECT_EQ(sorts, 1);
  EXPECT_FALSE(center()->LocateText(grid, "", "two", 0, lgdDown, lgmWhole, 0));
  EXPECT_EQ(table->FieldByName("ID")->AsInteger(), 1);
  center()->OnApplySorting = nullptr;
  center()->OnLocateText = nullptr;
}

TEST_F(GridCenterTest, GridsAreRegisteredOnceInTheirOrder) {
  TDBGridGxCenter own;
  auto* second = new TDBGridGx(form);
  own.RegisterGrid(grid);
  own.RegisterGrid(second);
  own.RegisterGrid(grid);
  EXPECT_EQ(own.Grids(), (std::vector<TCustomDBGridGx*>{grid, second}));
  EXPECT_TRUE(own.IsGridRegistered(second));
  own.UnRegisterGrid(grid);
  EXPECT_EQ(own.Grids(), (std::vector<TCustomDBGridGx*>{second}));
  own.UnRegisterGrid(second);
  EXPECT_TRUE(own.Grids().empty());
  // A grid given a centre is registered with it and leaves the one it had.
  TDBGridGxCenter* global = GetGridCenter();
  second->SetCenter(&own);
  EXPECT_EQ(own.Grids(), (std::vector<TCustomDBGridGx*>{second}));
  EXPECT_FALSE(global->IsGridRegistered(second));
  delete second;
  EXPECT_TRUE(own.Grids().empty());
}

// Grids never keep a centre that is gone: the centre hands them none, and their requests are
// dropped from then on; freeing the grids afterwards touches nothing of it.
TEST_F(GridCenterTest, AFreedCentreLeavesItsGridsWithoutOne) {
  TDBGridGxCenter* global = GetGridCenter();
  auto* second = new TDBGridGx(form);
  second->SetParent(form);
  second->SetDataSource(source);
  auto* own = new TDBGridGxCenter();
  int sorts = 0;
  own->OnApplySorting = [&](TDBGridGxCenter*, TCustomDBGridGx*) { ++sorts; };
  grid->SetCenter(own);
  second->SetCenter(own);
  ASSERT_EQ(own->GridCount(), 2);
  EXPECT_FALSE(global->IsGridRegistered(grid));
  grid->ApplySorting();
  EXPECT_EQ(sorts, 1);
  delete own;
  EXPECT_EQ(grid->Center(), nullptr);
  EXPECT_EQ(second->Center(), nullptr);
  EXPECT_EQ(GetGridCenter(), global);
  grid->ApplySorting();
  grid->FilterRowChanged();
  EXPECT_EQ(sorts, 1);
  delete second;
  grid->SetCenter(global);
  EXPECT_TRUE(global->IsGridRegistered(grid));
}

}  // namespace
}  // namespace dbgridtest

namespace dbgridtest {
namespace {

class SortMarkingTest : public GridCenterTest {
 protected:
  void SetUp() override {
    GridCenterTest::SetUp();
    AddColumn("AMOUNT");
    grid->SetOptionsGx(grid->OptionsGx() + dghAutoSortMarking + dghMultiSortMarking);
    grid->OnSortMarkingChanged = [this](TObject*) { ++changes; };
  }
  TColumnGx* col(int i) { return grid->Columns()->Items(i); }
  TSortMarkerGx marker(int i) { return col(i)->Title()->SortMarker(); }
  int changes = 0;
};

TEST_F(SortMarkingTest, ClicksCycleMarkersAndClearOthersWithoutCtrl) {
  grid->TitleClickSortMarking(col(0), false);
  EXPECT_EQ(marker(0), smDownGx);
  grid->TitleClickSortMarking(col(0), false);
  EXPECT_EQ(marker(0), smUpGx);
  grid->TitleClickSortMarking(col(0), false);
  EXPECT_EQ(marker(0), smDownGx);  // never back to none without Ctrl
  EXPECT_EQ(changes, 3);
  grid->TitleClickSortMarking(col(1), false);
  EXPECT_EQ(marker(0), smNoneGx);
  EXPECT_EQ(marker(1), smDownGx);
}

TEST_F(SortMarkingTest, CtrlClicksMakeOneChangeWhenCtrlIsReleased) {
  grid->TitleClickSortMarking(col(0), true);
  grid->TitleClickSortMarking(col(1), true);
  grid->TitleClickSortMarking(col(2), true);
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(grid->SortMarkedColumns().size(), 3u);
  EXPECT_EQ(col(2)->Title()->SortIndex(), 3);
  grid->Perform(WM_KEYUP, VK_CONTROL, 0);
  EXPECT_EQ(changes, 1);
  EXPECT_FALSE(grid->SortMarkingPending());
  // With Ctrl the cycle goes down, up, none.
  grid->TitleClickSortMarking(col(0), true);
  grid->TitleClickSortMarking(col(0), true);
  EXPECT_EQ(marker(0), smNoneGx);
}

TEST_F(SortMarkingTest, WithoutAutoSortMarkingNothingChanges) {
  grid->SetOptionsGx(grid->OptionsGx() - dghAutoSortMarking);
  grid->TitleClickSortMarking(col(0), false);
  EXPECT_EQ(marker(0), smNoneGx);
  grid->SortMarkingChanged();
  EXPECT_EQ(changes, 0);
}

TEST_F(SortMarkingTest, WithoutAHandlerTheCentreSortsOnce) {
  grid->OnSortMarkingChanged = nullptr;
  int sorts = 0;
  center()->OnApplySorting = [&](TDBGridGxCenter*, TCustomDBGridGx*) { ++sorts; };
  grid->TitleClickSortMarking(col(0), true);
  grid->TitleClickSortMarking(col(1), true);
  grid->Perform(WM_KEYUP, VK_CONTROL, 0);
  EXPECT_EQ(sorts, 1);
  center()->OnApplySorting = nullptr;
}

}  // namespace
}  // namespace dbgridtest
