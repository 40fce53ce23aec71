// Off-screen painting of the data grid: when the grid asks for it, and that the window shows the
// same picture either way.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "dbgrid_test_util.h"
#include "platform/os/uxtheme.h"
#include "platform/os/wingdi.h"
#include "platform/os/winuser.h"

using namespace dbgridtest;

namespace {

// Notes, for every paint, whether it went to a window's own context or to a memory one.
class TPaintWatchGrid : public TDBGridGx {
 public:
  using TDBGridGx::TDBGridGx;
  void Paint() override {
    (WindowFromDC(Canvas()->Handle()) ? toWindow : toMemory)++;
    TDBGridGx::Paint();
  }
  int toWindow = 0;
  int toMemory = 0;
};

struct ThemesOn {
  ThemesOn() { FanoSetThemesActive(TRUE); }
  ~ThemesOn() { FanoSetThemesActive(FALSE); }
};

class GridDoubleBufferTest : public DBGridTest {
 protected:
  void TearDown() override {
    DBGridGxDisableDoubleBuffer = false;
    if (grid) grid->SetDataSource(nullptr);
    DBGridTest::TearDown();
    treeSource.reset();
    tree.reset();
  }
  void MakeWatchGrid() {
    form = new TForm(nullptr);
    form->SetBounds(10, 10, 440, 280);
    watch = new TPaintWatchGrid(form);
    grid = watch;
    grid->SetBorderStyle(bsNone);
    grid->SetParent(form);
    grid->SetBounds(0, 0, 400, 220);
    form->Show();
    gridtest::Pump();
  }
  // Scribbles over the window, repaints it and reads back what it shows.
  std::vector<COLORREF> Repaint() {
    HDC dc = GetDC(grid->Handle());
    RECT all{0, 0, grid->ClientWidth(), grid->ClientHeight()};
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(dc, &all, red);
    DeleteObject(red);
    ReleaseDC(grid->Handle(), dc);
    grid->Invalidate();
    UpdateWindow(grid->Handle());
    std::vector<COLORREF> px;
    for (int y = 0; y < grid->ClientHeight(); ++y)
      for (int x = 0; x < grid->ClientWidth(); ++x) px.push_back(FanoGetWindowPixel(grid->Handle(), x, y));
    return px;
  }
  void MakeTree() {
    tree = MakeTreeTable({{1, Null(), "差旅费"}, {2, 1, "交通"}, {3, Null(), "办公费"}});
    treeSource = std::make_unique<TDataSource>(nullptr);
    treeSource->SetDataSet(tree.get());
  }

  TPaintWatchGrid* watch = nullptr;
  std::unique_ptr<TMemTableGx> tree;
  std::unique_ptr<TDataSource> treeSource;
};

}  // namespace

TEST_F(GridDoubleBufferTest, ThemedRaisedTitlesOfAFramedGridAskForIt) {
  MakeGrid();
  ASSERT_TRUE(grid->OptionsGx().Contains(dghFixed3D));
  ASSERT_FALSE(grid->Flat());
  EXPECT_FALSE(grid->NeedsDoubleBuffer());  // the classic look
  ThemesOn themes;
  EXPECT_TRUE(grid->NeedsDoubleBuffer());
  grid->SetFlat(true);
  EXPECT_FALSE(grid->NeedsDoubleBuffer());
  grid->SetFlat(false);
  grid->SetOptionsGx(grid->OptionsGx() - TDBGridGxOptions{dghFixed3D});
  EXPECT_FALSE(grid->NeedsDoubleBuffer());
}

TEST_F(GridDoubleBufferTest, ATreeWithRowLinesAsksForIt) {
  MakeTree();
  MakeGrid();
  AddColumn("NAME");
  grid->SetDataSource(treeSource.get());
  gridtest::Pump();
  ASSERT_TRUE(tree->IsTreeView());
  ASSERT_TRUE(grid->DBOptions().Contains(dgRowLines));
  EXPECT_TRUE(grid->NeedsDoubleBuffer());
  grid->SetDBOptions(grid->DBOptions() - TDBGridOptions{dgRowLines});
  EXPECT_FALSE(grid->NeedsDoubleBuffer());
  // A plain table, lines or not, does not.
  grid->SetDBOptions(grid->DBOptions() + TDBGridOptions{dgRowLines});
  grid->SetDataSource(source);
  gridtest::Pump();
  EXPECT_FALSE(grid->NeedsDoubleBuffer());
}

TEST_F(GridDoubleBufferTest, TheBufferedPaintShowsWhatTheDirectOneShows) {
  ThemesOn themes;
  AddRows(12);
  MakeWatchGrid();
  AddColumn("ID", "编号");
  AddColumn("NAME", "名称");
  AddColumn("AMOUNT", "金额");
  Bind();
  table->Next();
  gridtest::Pump();
  ASSERT_TRUE(grid->NeedsDoubleBuffer());

  DBGridGxDisableDoubleBuffer = true;
  watch->toWindow = watch->toMemory = 0;
  const std::vector<COLORREF> direct = Repaint();
  EXPECT_GT(watch->toWindow, 0);
  EXPECT_EQ(watch->toMemory, 0);

  DBGridGxDisableDoubleBuffer = false;
  watch->toWindow = watch->toMemory = 0;
  const std::vector<COLORREF> buffered = Repaint();
  EXPECT_EQ(watch->toWindow, 0);
  EXPECT_GT(watch->toMemory, 0);

  ASSERT_EQ(direct.size(), buffered.size());
  int differ = 0, red = 0;
  for (size_t i = 0; i < direct.size(); ++i) {
    if (direct[i] != buffered[i] && differ < 12)
      ADD_FAILURE() << "x " << i % grid->ClientWidth() << " y " << i / grid->ClientWidth() << " direct " << std::hex
                    << direct[i] << " buffered " << buffered[i];
    differ += direct[i] != buffered[i];
    red += buffered[i] == RGB(255, 0, 0);
  }
  EXPECT_EQ(differ, 0);
  EXPECT_EQ(red, 0);  // the whole window was painted over
}

TEST_F(GridDoubleBufferTest, OnlyTheInvalidPartIsCopied) {
  ThemesOn themes;
  AddRows(5);
  MakeWatchGrid();
  AddColumn("ID");
  AddColumn("NAME");
  Bind();
  gridtest::Pump();
  ASSERT_TRUE(grid->NeedsDoubleBuffer());
  HDC dc = GetDC(grid->Handle());
  RECT all{0, 0, grid->ClientWidth(), grid->ClientHeight()};
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  FillRect(dc, &all, red);
  DeleteObject(red);
  ReleaseDC(grid->Handle(), dc);
  RECT part{0, 0, grid->ClientWidth(), 10};
  InvalidateRect(grid->Handle(), &part, FALSE);
  UpdateWindow(grid->Handle());
  EXPECT_NE(FanoGetWindowPixel(grid->Handle(), 30, 5), RGB(255, 0, 0));
  EXPECT_EQ(FanoGetWindowPixel(grid->Handle(), 30, grid->ClientHeight() - 5), RGB(255, 0, 0));
}
