// The data grid's messages: scroll-bar settings and an external bar, thumb tracking, the deferred
// layout request, cell tool tips only for cut texts, and Esc wanted while a record is modified.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "dbgrid_test_util.h"
#include "editors/tooltips.h"
#include "platform/classes/filer.h"
#include "platform/classes/published.h"
#include "platform/forms/cmessages.h"
#include "platform/os/automation.h"
#include "platform/rtl/strings.h"
#include "platform/db/testdataset.h"
#include "platform/rtl/exceptions.h"

using namespace dbgridtest;

namespace {
// A grid over `rows` numbered records of a data set without memory-table rows (buffer mode).
class DBGridBufferedTest : public DBGridTest {
 protected:
  TDataSet* ShowBuffered(TTestDataSet& ds, TDataSource& src, int rows) {
    ds.FieldDefs().Add("ID", ftInteger);
    for (int i = 1; i <= rows; ++i) ds.AddRow({Variant(i)});
    ds.Open();
    src.SetDataSet(&ds);
    MakeGrid(400, 150);
    AddColumn("ID");
    grid->SetDataSource(&src);
    return &ds;
  }
};
}  // namespace

// Only the vertical bar publishes its mode, and stores the mode rather than Visible; the horizontal
// bar stores Visible.
TEST_F(DBGridTest, OnlyTheVerticalBarStoresItsMode) {
  EXPECT_EQ(GetPropInfo(TDBGridGxScrollBar::StaticClass(), "VisibleMode"), nullptr);
  EXPECT_NE(GetPropInfo(TVertDBGridGxScrollBar::StaticClass(), "VisibleMode"), nullptr);
  MakeGrid();
  grid->SetName("grdLines");
  grid->HorzScrollBar()->SetVisible(false);
  grid->VertScrollBar()->SetVisible(false);
  const std::string text = WriteComponentText(form);
  EXPECT_NE(text.find("HorzScrollBar.Visible = false"), std::string::npos) << text;
  EXPECT_EQ(text.find("HorzScrollBar.VisibleMode"), std::string::npos) << text;
  EXPECT_NE(text.find("VertScrollBar.VisibleMode = sbNeverShowGx"), std::string::npos) << text;
  EXPECT_EQ(text.find("VertScrollBar.Visible ="), std::string::npos) << text;
}

TEST_F(DBGridTest, ScrollBarVisibleFollowsTheMode) {
  MakeGrid();
  TDBGridGxScrollBar* v = grid->VertScrollBar();
  EXPECT_TRUE(v->Visible());
  EXPECT_EQ(v->VisibleMode(), sbAutoShowGx);
  v->SetVisibleMode(sbAlwaysShowGx);
  EXPECT_TRUE(v->Visible());
  v->SetVisible(false);
  EXPECT_EQ(v->VisibleMode(), sbNeverShowGx);
  EXPECT_FALSE(v->Visible());
  // Visible again means shown when needed, not always.
  v->SetVisible(true);
  EXPECT_EQ(v->VisibleMode(), sbAutoShowGx);
  // Assign takes visibility and tracking.
  TVertDBGridGxScrollBar other(grid);
  other.SetVisible(false);
  other.SetTracking(true);
  v->Assign(&other);
  EXPECT_FALSE(v->Visible());
  EXPECT_TRUE(v->Tracking());
}

TEST_F(DBGridBufferedTest, AnExternalBarBelongsToOneGridAndForwardsItsScrolling) {
  TTestDataSet ds(nullptr);
  TDataSource src(nullptr);
  TDataSet* table = ShowBuffered(ds, src, 30);
  auto* bar = new TScrollBar(form);
  bar->SetName("sbLines");
  bar->SetKind(sbVertical);
  bar->SetParent(form);
  grid->VertScrollBar()->SetExtScrollBar(bar);
  EXPECT_EQ(grid->VertScrollBar()->ExtScrollBar(), bar);
  EXPECT_TRUE(grid->VertScrollBar()->IsScrollBarShowing());

  auto* second = new TDBGridGx(form);
  second->SetParent(form);
  try {
    second->VertScrollBar()->SetExtScrollBar(bar);
    FAIL() << "a bar hooked by another grid was taken";
  } catch (const Exception& e) {
    EXPECT_EQ(std::string(e.what()), "Possible sbLines already attached to the other control.");
  }
  EXPECT_EQ(second->VertScrollBar()->ExtScrollBar(), nullptr);

  // The bar's scroll notices move the grid's records.
  ASSERT_EQ(table->RecNo(), 1);
  bar->Perform(CN_VSCROLL, SB_BOTTOM, 0);
  EXPECT_EQ(table->RecNo(), 30);
  bar->Perform(CN_VSCROLL, SB_TOP, 0);
  EXPECT_EQ(table->RecNo(), 1);
  // Hiding the settings hides the bar.
  grid->VertScrollBar()->SetVisible(false);
  EXPECT_FALSE(bar->Visible());
  grid->VertScrollBar()->SetVisible(true);

  // Let go, the other grid may take it; a freed bar is forgotten.
  grid->VertScrollBar()->SetExtScrollBar(nullptr);
  bar->Perform(CN_VSCROLL, SB_BOTTOM, 0);
  EXPECT_EQ(table->RecNo(), 1);
  second->VertScrollBar()->SetExtScrollBar(bar);
  EXPECT_EQ(second->VertScrollBar()->ExtScrollBar(), bar);
  bar->Free();
  EXPECT_EQ(second->VertScrollBar()->ExtScrollBar(), nullptr);
  grid->SetDataSource(nullptr);
}

TEST_F(DBGridBufferedTest, ATrackedThumbDragIsNotRepeatedByTheFinalPosition) {
  TTestDataSet ds(nullptr);
  TDataSource src(nullptr);
  TDataSet* table = ShowBuffered(ds, src, 20);
  grid->SetFocus();
  gridtest::Pump();
  // Without tracking the drag itself moves nothing.
  grid->Perform(WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 5), 0);
  EXPECT_EQ(table->RecNo(), 1);
  grid->VertScrollBar()->SetTracking(true);
  grid->Perform(WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 5), 0);
  EXPECT_EQ(table->RecNo(), 5);
  grid->Perform(WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 9), 0);
  EXPECT_EQ(table->RecNo(), 9);
  grid->Perform(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 1), 0);
  EXPECT_EQ(table->RecNo(), 9);  // ignored once
  grid->Perform(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 12), 0);
  EXPECT_EQ(table->RecNo(), 12);
  grid->Perform(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 1), 0);
  EXPECT_EQ(table->RecNo(), 1);
  grid->Perform(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 99), 0);
  EXPECT_EQ(table->RecNo(), 20);
  grid->SetDataSource(nullptr);
}

TEST_F(DBGridBufferedTest, AWindowMadeAgainGetsItsVerticalBarBack) {
  // Each way a grid's window is made again, over both kinds of data set.
  enum Way { Rebuild, AutoFit, Docking };
  for (bool buffered : {false, true}) {
    for (Way way : {Rebuild, AutoFit, Docking}) {
      SCOPED_TRACE(std::to_string(buffered) + " " + std::to_string(way));
      TTestDataSet ds(nullptr);
      TDataSource src(nullptr);
      if (buffered) {
        ShowBuffered(ds, src, 30);
      } else {
        AddRows(30);
        MakeGrid(400, 150);
        AddColumn("ID");
        Bind();
      }
      gridtest::Pump();
      auto barShown = [&] {
        return (GetWindowLong(grid->WindowHandle(), GWL_STYLE) & WS_VSCROLL) != 0;
      };
      ASSERT_TRUE(barShown());
      HWND old = grid->WindowHandle();
      TForm* other = nullptr;
      switch (way) {
        case Rebuild: grid->RecreateWnd(); break;
        case AutoFit: grid->SetAutoFitColWidths(true); break;
        case Docking:
          other = new TForm(form);
          other->SetBounds(20, 20, 440, 200);
          other->Show();
          grid->SetParent(other);
          break;
      }
      gridtest::Pump();
      grid->HandleNeeded();
      EXPECT_NE(grid->WindowHandle(), old);
      EXPECT_TRUE(barShown());
      SCROLLINFO si{};
      si.cbSize = sizeof(si);
      si.fMask = SIF_RANGE | SIF_PAGE;
      ASSERT_TRUE(GetScrollInfo(grid->WindowHandle(), SB_VERT, &si));
      EXPECT_GT(si.nMax - si.nMin + 1, static_cast<int>(si.nPage));
      grid->SetDataSource(nullptr);
      form->Free();
      form = nullptr;
      if (!buffered) table->EmptyTable();
    }
  }
}

TEST_F(DBGridTest, TheHorizontalThumbDroppedInTheMiddleShowsTheNearestColumn) {
  AddRows(3);
  MakeGrid(150, 150);
  for (const char* f : {"ID", "NAME", "AMOUNT", "FLAG"}) AddColumn(f)->SetWidth(100);
  Bind();
  gridtest::Pump();
  TGridDrawInfo info;
  grid->CalcDrawInfo(info);
  ASSERT_EQ(grid->CalcMaxTopLeft({grid->ColCount() - 1, grid->TopRow()}, info).X - grid->FixedCols(), 3);
  // Three steps: 64 of 127 is nearer the third column than the second.
  grid->Perform(WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 64), 0);
  EXPECT_EQ(grid->ColumnAt(grid->RawToDataColumn(grid->LeftCol()))->FieldName(), "AMOUNT");
  grid->Perform(WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 63), 0);
  EXPECT_EQ(grid->ColumnAt(grid->RawToDataColumn(grid->LeftCol()))->FieldName(), "NAME");
}

TEST_F(DBGridTest, LayoutRequestsWaitInTheQueueOnlyOnce) {
  MakeGrid();
  AddColumn("ID");
  grid->DeferLayout();
  grid->DeferLayout();
  grid->DeferLayout();
  int queued = 0;
  MSG msg{};
  while (PeekMessage(&msg, grid->WindowHandle(), TCustomDBGridGx::kDeferredLayoutMessage, TCustomDBGridGx::kDeferredLayoutMessage, PM_REMOVE))
    ++queued;
  EXPECT_EQ(queued, 1);
  // The request runs the layout when no lock is held: a column added meanwhile gets its grid column.
  grid->Columns()->BeginUpdate();
  AddColumn("NAME");
  grid->Columns()->EndUpdate();
  grid->DeferLayout();
  gridtest::Pump();
  EXPECT_EQ(grid->ColCount(), grid->IndicatorOffset() + 2);
}

TEST_F(DBGridTest, ToolTipsOnlyForCutTexts) {
  AddRow(1, "short");
  AddRow(2, "a long name here");
  table->First();
  MakeGrid();
  AddColumn("ID");
  TColumnGx* name = AddColumn("NAME", "名称");
  name->SetWidth(60);
  name->Title()->SetHint("The name|The name of the row");
  Bind();
  gridtest::Pump();
  const int col = grid->DataToRawColumn(1);
  const int firstRow = grid->GetTitleOffset();
  auto ask = [&](int row, THintInfo& info) { return AskHint(col, row, info); };
  THintInfo info;
  // Without ToolTips the cells keep the plain hint.
  EXPECT_EQ(ask(firstRow + 1, info), 0);
  EXPECT_EQ(info.HintWindowClass, nullptr);
  name->SetToolTips(true);
  EXPECT_NE(ask(firstRow, info), 0);  // "short" fits: no tip
  EXPECT_EQ(ask(firstRow + 1, info), 0);
  EXPECT_EQ(info.HintStr, "a long name here");
  EXPECT_EQ(info.HintWindowClass, TToolTipsWindow::StaticClass());
  EXPECT_EQ(info.CursorRect, grid->CellRect(col, firstRow + 1));
  // The title shows the short part of its hint.
  EXPECT_EQ(ask(0, info), 0);
  EXPECT_EQ(info.HintStr, "The name");
  // No pause over a data cell with tool tips; the usual one over the indicator.
  const TRect r = grid->CellRect(col, firstRow);
  const TPoint p = grid->ClientToScreen(TPoint(r.Left + 3, r.Top + 3));
  FanoInputMouseMove(p.X, p.Y);
  int pause = 500;
  grid->Perform(CM_HINTSHOWPAUSE, 0, reinterpret_cast<LPARAM>(&pause));
  EXPECT_EQ(pause, 0);
  const TPoint q = grid->ClientToScreen(TPoint(3, r.Top + 3));
  FanoInputMouseMove(q.X, q.Y);
  pause = 500;
  grid->Perform(CM_HINTSHOWPAUSE, 0, reinterpret_cast<LPARAM>(&pause));
  EXPECT_EQ(pause, 500);
}

TEST_F(DBGridTest, EscapeIsWantedWhileTheRecordIsModified) {
  AddRows(2);
  MakeGrid();
  AddColumn("NAME");
  Bind();
  EXPECT_EQ(grid->Perform(CM_WANTSPECIALKEY, VK_ESCAPE, 0), 0);
  table->Edit();
  table->FieldByName("NAME")->SetAsString("x");
  EXPECT_NE(grid->Perform(CM_WANTSPECIALKEY, VK_ESCAPE, 0), 0);
  table->Cancel();
}

namespace dbgridtest {
namespace {

TEST_F(DBGridBufferedTest, AnEditorKeptOpenShowsTheRecordScrolledUnderIt) {
  TTestDataSet ds(nullptr);
  TDataSource src(nullptr);
  TDataSet* table = ShowBuffered(ds, src, 30);
  grid->SetDBOptions(grid->DBOptions() + dgAlwaysShowEditor);
  grid->SetFocus();
  gridtest::Pump();
  TInplaceEdit* editor = grid->InplaceEditor();
  ASSERT_NE(editor, nullptr);
  ASSERT_TRUE(editor->GetVisible());
  EXPECT_EQ(editor->Text(), "1");
  // Down to the last row the buffer shows, then past it: the rows scroll under the editor.
  const int last = grid->RowCount() - 1;
  while (grid->Row() < last) {
    table->Next();
    gridtest::Pump();
  }
  const int recNo = table->RecNo();
  table->Next();
  gridtest::Pump();
  ASSERT_EQ(grid->Row(), last);
  ASSERT_EQ(table->RecNo(), recNo + 1);
  EXPECT_EQ(editor->Text(), std::to_string(recNo + 1));
}

}  // namespace
}  // namespace dbgridtest

// A driver of the interface asks for a cell by line and field: the grid brings that record and
// column into view, takes the focus and answers where the cell is; no such line or shown field
// answers 0 and moves nothing.
TEST_F(DBGridTest, ADriverFindsACellByLineAndField) {
  MakeGrid(200, 120);
  AddColumn("ID");
  AddColumn("NAME");
  AddColumn("AMOUNT");
  AddColumn("FLAG")->SetVisible(false);
  AddRows(30);
  Bind();
  const UINT message = RegisterWindowMessage(kFanoGridCellMessage);
  struct Case {
    int line;
    const char* field;
    bool found;
    int recNo;  // where the table stands after
  } cases[] = {{3, "name", true, 3},  {25, "AMOUNT", true, 25}, {-1, "ID", true, 30},
               {31, "ID", false, 30}, {0, "ID", false, 30},     {2, "FLAG", false, 30},
               {2, "NOPE", false, 30}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.line) + " " + c.field);
    FanoGridCellRequest request{sizeof(FanoGridCellRequest), c.line, c.field, {}};
    const LRESULT answer = SendMessage(grid->Handle(), message, 0, reinterpret_cast<LPARAM>(&request));
    EXPECT_EQ(answer != 0, c.found);
    EXPECT_EQ(table->RecNo(), c.recNo);
    if (!c.found) continue;
    EXPECT_EQ(grid->SelectedField()->FieldName(), UpperCase(c.field));
    EXPECT_TRUE(grid->Focused());
    // The cell answered is the one shown at that point, inside the grid.
    const TGridCoord at = grid->MouseCoord((request.cell.left + request.cell.right) / 2,
                                           (request.cell.top + request.cell.bottom) / 2);
    EXPECT_EQ(at.X, grid->Col());
    EXPECT_EQ(at.Y, grid->Row());
    EXPECT_GE(request.cell.left, 0);
    EXPECT_LE(request.cell.bottom, grid->ClientHeight());
  }
  // A request too short for its fields is refused.
  FanoGridCellRequest small{4, 1, "ID", {}};
  EXPECT_EQ(SendMessage(grid->Handle(), message, 0, reinterpret_cast<LPARAM>(&small)), 0);
}
