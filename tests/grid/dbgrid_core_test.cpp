// The data grid's defaults, option bit orders, columns bound to fields, the data link and the
// row bookkeeping a memory table drives.
#include <gtest/gtest.h>
#include <memory>

#include "dbgrid_test_util.h"
#include "platform/classes/published.h"
#include "platform/db/testdataset.h"
#include "platform/os/wingdi.h"
#include "platform/os/winuser.h"
#include "platform/rtl/exceptions.h"

using namespace dbgridtest;

TEST_F(DBGridTest, DefaultsOfANewGrid) {
  MakeGrid();
  EXPECT_EQ(grid->AllowedOperations(), kAllAllowedOperations);
  EXPECT_EQ(grid->AllowedSelections(), (TDBGridGxAllowedSelections{gstRecordBookmarks, gstRectangle, gstColumns, gstAll}));
  EXPECT_EQ(grid->DBOptions().Bits(), 0xCFDu);  // editing, titles, indicator, resize, lines, tabs, confirm, cancel
  EXPECT_EQ(grid->OptionsGx().Bits(), 0x190061u);
  EXPECT_EQ(grid->VTitleMargin(), 10);
  EXPECT_EQ(grid->Color(), clWindow);
  EXPECT_EQ(grid->FooterColor(), clWindow);
  EXPECT_EQ(grid->FixedColor(), clBtnFace);
  EXPECT_FALSE(grid->ReadOnly());
  EXPECT_EQ(grid->ScrollBars(), ssHorizontal);
  EXPECT_EQ(grid->EvenRowColor(), grid->Color());
  EXPECT_FALSE(grid->EvenRowColorStored());
  grid->SetColor(clYellow);
  EXPECT_EQ(grid->OddRowColor(), clYellow);  // follows the grid until set
  grid->SetOddRowColor(clAqua);
  EXPECT_TRUE(grid->OddRowColorStored());
  EXPECT_FALSE(grid->IndicatorTitle()->ShowDropDownSign());
  EXPECT_TRUE(grid->IndicatorTitle()->UseGlobalMenu());
  EXPECT_EQ(grid->HeadTree()->Text, "Root");
  EXPECT_EQ(grid->HeadTree()->Height, 10);
  EXPECT_FALSE(grid->SumList()->Active());
  EXPECT_EQ(grid->Style(), GetDefaultGridStyle());
  {
    // No style asked for is the default one; a style that goes leaves its grids with none.
    auto own = std::make_unique<TDBGridGxStyle>();
    grid->SetStyle(own.get());
    own.reset();
    EXPECT_EQ(grid->Style(), nullptr);
    grid->SetStyle(nullptr);
    EXPECT_EQ(grid->Style(), GetDefaultGridStyle());
  }
  EXPECT_FALSE(grid->SaveCellExtents());
  EXPECT_TRUE(grid->FullRepaintOnResize());  // a change of the row or column count repaints all
  for (const char* name : {"AllowedOperations", "Options", "OptionsGx", "DataSource", "VTitleMargin", "FooterRowCount",
                           "OnCellClick", "OnColExit", "SumList", "TitleFont", "ColumnDefValues"})
    EXPECT_NE(GetPropInfo(grid, name), nullptr) << name;
}

// A change of the row or column count repaints the whole data grid, not only the strips at the
// old and new ends.
TEST_F(DBGridTest, ACountChangeRepaintsTheWholeGrid) {
  AddRows(3);
  MakeGrid();
  AddColumn("ID");
  AddColumn("NAME");
  Bind();
  gridtest::Pump();
  const TRect first = grid->CellRect(grid->DataToRawColumn(0), grid->GetTitleOffset());
  for (bool full : {true, false}) {  // the grid's own setting first, then the base grid's
    SCOPED_TRACE(full);
    if (!full) grid->SetFullRepaintOnResize(false);
    for (bool cols : {true, false}) {
      SCOPED_TRACE(cols);
      ValidateRect(grid->Handle(), nullptr);
      const int oldCols = grid->ColCount(), oldRows = grid->RowCount();
      if (cols) grid->SetColCount(oldCols + 1);
      else grid->SetRowCount(oldRows + 1);
      HRGN dirty = CreateRectRgn(0, 0, 0, 0);
      GetUpdateRgn(grid->Handle(), dirty, FALSE);
      EXPECT_EQ(PtInRegion(dirty, first.Left + 2, first.Top + 2) != FALSE, full);
      DeleteObject(dirty);
      grid->SetColCount(oldCols);
      grid->SetRowCount(oldRows);
    }
  }
}

TEST_F(DBGridTest, OptionNamesFollowTheBitOrder) {
  MakeGrid();
  EXPECT_EQ(GetEnumName(dgMultiSelect), "dgMultiSelect");
  EXPECT_EQ(static_cast<int>(dgMultiSelect), 12);
  EXPECT_EQ(static_cast<int>(dghAutoFitRowHeight), 21);
  EXPECT_EQ(static_cast<int>(dghColumnMove), 20);
  EXPECT_EQ(GetSetProp(grid, "Options"),
            "[dgEditing, dgTitles, dgIndicator, dgColumnResize, dgColLines, dgRowLines, dgTabs, dgConfirmDelete, "
            "dgCancelOnExit]");
  SetSetProp(grid, "OptionsGx", "[dghMultiSortMarking,dghRowHighlight]");
  EXPECT_EQ(grid->OptionsGx().Bits(), (1u << 9) | (1u << 14));
}

TEST_F(DBGridTest, ColumnsBindToFieldsAndShowRows) {
  AddRows(3);
  MakeGrid();
  TColumnGx* id = AddColumn("id", "编号");
  TColumnGx* name = AddColumn("NAME");
  Bind();
  EXPECT_EQ(id->Field(), table->FieldByName("ID"));
  EXPECT_EQ(id->FieldName(), "ID");  // the field's own letter case
  EXPECT_EQ(name->Title()->Caption(), "NAME");
  EXPECT_EQ(id->Title()->Caption(), "编号");
  EXPECT_EQ(grid->ColCount(), 3);
  EXPECT_EQ(grid->RowCount(), 4);
  EXPECT_EQ(grid->FixedRows(), 1);
  ASSERT_NE(grid->MemTable(), nullptr);
  table->Last();
  EXPECT_EQ(grid->Row(), 3);
  AddRow(4, "四");
  EXPECT_EQ(grid->RowCount(), 5);
  table->Delete();
  EXPECT_EQ(grid->RowCount(), 4);
  grid->SetDataSource(nullptr);
  EXPECT_EQ(grid->MemTable(), nullptr);
}

TEST_F(DBGridTest, DefaultColumnsFollowTheVisibleFields) {
  AddRows(2);
  table->FieldByName("FLAG")->SetVisible(false);
  MakeGrid();
  Bind();
  ASSERT_EQ(grid->Columns()->Count(), 3);
  EXPECT_FALSE(grid->Columns()->Customized());
  EXPECT_FALSE(grid->Columns()->Items(0)->Stored());
  EXPECT_EQ(grid->DataLink()->FieldCount(), 3);
  EXPECT_FALSE(grid->DataLink()->SparseMap());
}

TEST_F(DBGridTest, SparseFieldMapGrowsAndMarksMissingFields) {
  MakeGrid();
  AddColumn("ID");
  AddColumn("MISSING");
  Bind();
  TGridDataLinkGx* link = grid->DataLink();
  EXPECT_TRUE(link->SparseMap());
  EXPECT_EQ(link->GetMappedField(0), table->FieldByName("ID"));
  EXPECT_EQ(link->GetMappedField(1), nullptr);
  EXPECT_EQ(link->GetMappedField(2), nullptr);
  EXPECT_FALSE(link->GetDefaultFields());
  link->ClearMapping();
  for (int i = 0; i < 8; ++i) link->AddMapping("ID");
  EXPECT_EQ(link->MapCapacity(), 8);
  link->AddMapping("NAME");
  EXPECT_EQ(link->MapCapacity(), 16);
  EXPECT_EQ(link->GetMappedField(8), table->FieldByName("NAME"));
  link->SetSparseMap(false);
  EXPECT_THROW(link->AddMapping("NOPE"), Exception);
}

// A grid whose write fails: the link's guard must come back so that later edits are written.
namespace {
class TFailingGrid : public TDBGridGx {
 public:
  using TDBGridGx::TDBGridGx;
  int writes = 0;
  bool fail = true;
  void UpdateData() override {
    ++writes;
    // A second UpdateData from inside the write is ignored.
    DataLink()->UpdateData();
    if (fail) throw Exception("write failed");
  }
};
}  // namespace

TEST_F(DBGridTest, AFailedWriteKeepsTheEditPendingAndLaterEditsAreWritten) {
  AddRows(1);
  form = new TForm(nullptr);
  auto* g = new TFailingGrid(form);
  g->SetParent(form);
  g->SetDataSource(source);
  g->DataLink()->Modified();
  EXPECT_THROW(g->DataLink()->UpdateData(), Exception);
  EXPECT_EQ(g->writes, 1);
  EXPECT_FALSE(g->DataLink()->InUpdateData());
  EXPECT_TRUE(g->DataLink()->IsModified());
  g->fail = false;
  g->DataLink()->UpdateData();
  EXPECT_EQ(g->writes, 2);
  EXPECT_FALSE(g->DataLink()->IsModified());
}

TEST_F(DBGridTest, LayoutBracketsNestAndAcquireOnlyWhenFree) {
  MakeGrid();
  EXPECT_TRUE(grid->AcquireLayoutLock());
  EXPECT_EQ(grid->LayoutLock(), 1);
  EXPECT_FALSE(grid->AcquireLayoutLock());
  grid->BeginLayout();
  EXPECT_EQ(grid->LayoutLock(), 2);
  grid->EndLayout();
  grid->EndLayout();
  EXPECT_EQ(grid->LayoutLock(), 0);
  EXPECT_EQ(grid->DBUpdateCount(), 0);
  grid->EndLayout();  // unbalanced: nothing happens
  EXPECT_EQ(grid->LayoutLock(), 0);
  EXPECT_EQ(grid->RawToDataColumn(3), 2);
  EXPECT_EQ(grid->DataToRawColumn(0), 1);
}

TEST_F(DBGridTest, IndicatorStripIsNeverNegative) {
  MakeGrid();
  EXPECT_GT(grid->IndicatorWidth(), 0);
  grid->SetDBOptions(TDBGridOptions{dgTitles});
  EXPECT_EQ(grid->IndicatorWidth(), 0);
  EXPECT_EQ(grid->IndicatorOffset(), 0);
}

TEST_F(DBGridTest, AllowedOperationsDecideWhetherEditingIsPermitted) {
  MakeGrid();
  EXPECT_FALSE(grid->AllowedOperationsPermitEdit());  // no link
  Bind();
  grid->SetAllowedOperations(TDBGridGxAllowedOperations{alopUpdateGx});
  EXPECT_FALSE(grid->AllowedOperationsPermitEdit());  // empty table, no insert or append
  grid->SetAllowedOperations(TDBGridGxAllowedOperations{alopUpdateGx, alopAppendGx});
  EXPECT_TRUE(grid->AllowedOperationsPermitEdit());
  AddRows(1);
  grid->SetAllowedOperations(TDBGridGxAllowedOperations{alopInsertGx});
  EXPECT_FALSE(grid->AllowedOperationsPermitEdit());
  table->Insert();
  EXPECT_TRUE(grid->AllowedOperationsPermitEdit());
  table->Cancel();
}

TEST_F(DBGridTest, CanSelectTypeNeedsMultiSelectAndNoRowSelectForCells) {
  MakeGrid();
  EXPECT_TRUE(grid->CanSelectType(gstNon));
  EXPECT_FALSE(grid->CanSelectType(gstAll));
  grid->SetDBOptions(grid->DBOptions() + TDBGridOptions{dgMultiSelect});
  EXPECT_TRUE(grid->CanSelectType(gstRectangle));
  grid->SetDBOptions(grid->DBOptions() + TDBGridOptions{dgRowSelect});
  EXPECT_FALSE(grid->CanSelectType(gstRectangle));
  EXPECT_FALSE(grid->CanSelectType(gstColumns));
  EXPECT_TRUE(grid->CanSelectType(gstRecordBookmarks));
}

TEST_F(DBGridTest, BulkLoadKeepsOneRowPerRecordAndNoHeightList) {
  MakeGrid();
  AddColumn("ID");
  Bind();
  table->DisableControls();
  for (int i = 0; i < 500; ++i) AddRow(i, "x");
  table->EnableControls();
  EXPECT_EQ(grid->RowCount(), 501);
  for (int r : {1, 250, 500}) EXPECT_EQ(grid->GetRowHeights(r), grid->DataRowHeight());
  table->EmptyTable();
  EXPECT_EQ(grid->RowCount(), 2);  // the title and one empty data row
}

TEST_F(DBGridTest, RowHeightsFollowTheHandler) {
  AddRows(3);
  MakeGrid();
  AddColumn("ID");
  grid->OnGetRowHeight = [](TObject*, int& h) { h = 40; };
  Bind();
  grid->RecalcAllRowHeights();
  EXPECT_EQ(grid->GetRowHeights(1), 40);
  EXPECT_EQ(grid->GetRowHeights(3), 40);
  EXPECT_NE(grid->GetRowHeights(0), 40);
}

TEST_F(DBGridTest, TeardownWithAFocusedGridAndABoundTable) {
  AddRows(2);
  MakeGrid();
  Bind();
  grid->SetFocus();
  gridtest::Pump();
  form->Free();
  form = nullptr;
  SUCCEED();
}

TEST_F(DBGridTest, ClickingADataCellMovesTheRecordAndReportsTheColumn) {
  AddRows(5);
  MakeGrid();
  TColumnGx* id = AddColumn("ID");
  TColumnGx* name = AddColumn("NAME");
  Bind();
  TColumnGx* clicked = nullptr;
  int exits = 0;
  grid->OnCellClick = [&](TColumnGx* c) { clicked = c; };
  grid->OnColExit = [&](TObject*) { ++exits; };
  const TRect r = grid->CellRect(2, 3);
  const TPoint p = grid->ClientToScreen(TPoint(r.Left + 5, r.Top + 5));
  FanoInputMouseMove(p.X, p.Y);
  FanoInputMouseButton(0, TRUE, p.X, p.Y);
  FanoInputMouseButton(0, FALSE, p.X, p.Y);
  gridtest::Pump();
  EXPECT_EQ(table->RecNo(), 3);
  EXPECT_EQ(grid->Row(), 3);
  EXPECT_EQ(clicked, name);
  EXPECT_EQ(exits, 1);
  (void)id;
  // The Down key moves the record too.
  grid->SetFocus();
  FanoInputKey(VK_DOWN, TRUE);
  FanoInputKey(VK_DOWN, FALSE);
  gridtest::Pump();
  EXPECT_EQ(table->RecNo(), 4);
  EXPECT_EQ(grid->Row(), 4);
  // Moving the dataset moves the grid.
  table->First();
  EXPECT_EQ(grid->Row(), 1);
}

TEST_F(DBGridTest, EditedTextIsWrittenWhenTheRecordIsPosted) {
  AddRows(2);
  MakeGrid();
  AddColumn("ID");
  AddColumn("NAME");
  Bind();
  grid->SetCol(2);
  ASSERT_TRUE(grid->CanEditModify());
  EXPECT_EQ(table->State(), dsEdit);
  grid->SetEditText(2, 1, "改过");
  table->Post();
  EXPECT_EQ(table->FieldByName("NAME")->AsString(), "改过");
  // A pending text does not follow a cancelled edit to another record.
  ASSERT_TRUE(grid->CanEditModify());
  grid->SetEditText(2, 1, "丢弃");
  table->Cancel();
  table->Next();
  table->Edit();
  table->Post();
  EXPECT_EQ(table->FieldByName("NAME")->AsString(), "row2");
}

TEST_F(DBGridTest, LeavingTheGridDropsAnUntouchedNewRecord) {
  AddRows(2);
  MakeGrid();
  AddColumn("ID");
  Bind();
  table->Append();
  grid->DoExit();
  EXPECT_EQ(table->State(), dsBrowse);
  EXPECT_EQ(table->RecordCount(), 2);
  table->Append();
  table->FieldByName("ID")->SetAsInteger(9);
  grid->DoExit();  // touched: it stays for the dataset to post
  EXPECT_EQ(table->State(), dsInsert);
  table->Cancel();
}

TEST_F(DBGridTest, WheelScrollsRowsOrMovesRecords) {
  AddRows(60);
  MakeGrid(400, 200);
  AddColumn("ID");
  Bind();
  grid->DoMouseWheelDown(TShiftState{}, TPoint(5, 5));
  EXPECT_EQ(grid->TopRow(), 2);
  EXPECT_EQ(table->RecNo(), 1);
  grid->DoMouseWheelDown(TShiftState{ssCtrl}, TPoint(5, 5));
  EXPECT_EQ(grid->TopRow(), 2 + grid->VisibleDataRowCount());
  grid->DoMouseWheelDown(TShiftState{ssShift}, TPoint(5, 5));
  EXPECT_EQ(table->RecNo(), 2);
  grid->DoMouseWheelUp(TShiftState{ssShift}, TPoint(5, 5));
  EXPECT_EQ(table->RecNo(), 1);
}

TEST_F(DBGridTest, RaisedCellsFollowTheOptions) {
  AddRows(2);
  MakeGrid();
  AddColumn("ID");
  AddColumn("NAME");
  Bind();
  EXPECT_TRUE(grid->CheckCellArea(0, 1, TGridDrawState{gdFixed}));  // indicator, dghFixed3D by default
  EXPECT_FALSE(grid->CheckCellArea(1, 1, TGridDrawState{}));
  grid->SetOptionsGx(grid->OptionsGx() + dghData3D);
  EXPECT_TRUE(grid->CheckCellArea(1, 1, TGridDrawState{}));
  grid->SetDataFrozenCols(1);
  grid->SetOptionsGx(grid->OptionsGx() - dghData3D + dghFrozen3D);
  EXPECT_TRUE(grid->CheckCellArea(1, 1, TGridDrawState{}));
  EXPECT_FALSE(grid->CheckCellArea(2, 1, TGridDrawState{}));
}

TEST_F(DBGridTest, CopyFromTheRowAboveAndOptimalWidths) {
  AddRow(1, "上一行的名称很长很长");
  AddRow(2, "b");
  table->Last();
  MakeGrid();
  AddColumn("ID");
  TColumnGx* name = AddColumn("NAME");
  Bind();
  grid->SetCol(2);
  grid->SetValueFromPrevRecord();
  EXPECT_EQ(table->FieldByName("NAME")->AsString(), "上一行的名称很长很长");
  table->Post();
  name->SetWidth(30);  // too narrow for the long name
  const int before = name->Width();
  grid->OptimizeColsWidth({name});
  EXPECT_GT(name->Width(), before);
  EXPECT_EQ(table->RecNo(), 2);  // the position is kept
  int checked = 0;
  grid->OnCheckButton = [&](TObject*, int, TColumnGx*, bool& enabled) {
    ++checked;
    enabled = false;
  };
  EXPECT_FALSE(grid->CheckTitleButton(1));
  EXPECT_FALSE(grid->CheckTitleButton(9));  // no such column
  EXPECT_EQ(checked, 1);
}

namespace {
// Numbers its records round in threes, as a data set that starts over would.
class TWrappingDataSet : public TTestDataSet {
 public:
  using TTestDataSet::TTestDataSet;
  int GetRecNo() const override {
    const int n = TTestDataSet::GetRecNo();
    return n <= 0 ? n : (n - 1) % 3 + 1;
  }
};
}  // namespace

// The title counts as the cell shows it: the leaf of a multi-level caption, wrapped where titles
// wrap; a data set whose record numbers come round again is walked once.
TEST_F(DBGridTest, OptimalWidthMeasuresTheTitleAsShownAndStopsWhereNumbersWrap) {
  AddRow(1, "a");
  AddRow(2, "b");
  table->First();
  MakeGrid(600);
  TColumnGx* id = AddColumn("ID", "Advance details|No");
  Bind();
  TMeasureCanvas m;
  auto width = [&](TFont* font, const char* text) {
    m.Canvas()->Font()->Assign(font);
    return m.Canvas()->TextWidth(text);
  };
  const int data = std::max(width(id->Font(), "1"), width(id->Font(), "2"));
  struct Case {
    bool multi;
    int lines;
    const char* caption;
    const char* widest;  // the widest title line
  } cases[] = {
      {true, 0, "Advance details|No", "No"},
      {false, 2, "Advance details", "details"},
      {false, 0, "No", "No"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption);
    grid->SetUseMultiTitle(c.multi);
    grid->SetTitleLines(c.lines);
    id->Title()->SetCaption(c.caption);
    id->SetWidth(40);
    grid->OptimizeColsWidth({id});
    EXPECT_EQ(id->Width(), std::max(width(id->Title()->Font(), c.widest), data) + 4);
  }
  grid->SetTitleLines(0);
  id->Title()->SetCaption("");

  TWrappingDataSet wrapping(nullptr);
  wrapping.FieldDefs().Add("NAME", ftString, 40);
  for (const char* name : {"a", "b", "c", "a much longer name than the others"}) wrapping.AddRow({Variant(name)});
  wrapping.Open();
  ASSERT_TRUE(wrapping.IsSequenced());
  TDataSource src(nullptr);
  src.SetDataSet(&wrapping);
  grid->SetDataSource(&src);
  TColumnGx* name = grid->Columns()->Items(0);
  name->SetFieldName("NAME");
  name->SetWidth(20);
  grid->OptimizeColsWidth({name});
  EXPECT_EQ(name->Width(), std::max(width(name->Font(), "a"), std::max(width(name->Font(), "b"), width(name->Font(), "c"))) + 4);
  grid->SetDataSource(nullptr);
}

TEST_F(DBGridTest, TitleSizingPointsOnColumnBorders) {
  MakeGrid(600);
  AddColumn("ID")->SetWidth(60);
  AddColumn("NAME")->SetWidth(80);
  Bind();
  const int border = grid->GetColWidths(0) + grid->GridLineWidth() + 60;
  EXPECT_TRUE(grid->IsTitleSizingPoint(border, 3));
  EXPECT_FALSE(grid->IsTitleSizingPoint(border - 20, 3));
  EXPECT_FALSE(grid->IsTitleSizingPoint(border, grid->GetRowHeights(0) + 5));  // below the titles
}

TEST_F(DBGridTest, AcquireFocusUnlessRefused) {
  MakeGrid();
  auto* other = new TEdit(form);
  other->SetParent(form);
  other->SetBounds(0, 230, 80, 20);
  other->SetFocus();
  gridtest::Pump();
  grid->SetAcquireFocusAllowed(false);
  EXPECT_FALSE(grid->AcquireFocus());
  grid->SetAcquireFocusAllowed(true);
  EXPECT_TRUE(grid->AcquireFocus());
  EXPECT_TRUE(grid->GridFocused());
}
