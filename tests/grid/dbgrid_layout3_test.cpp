// Data grid layout: columns kept at the right edge, the multi-line-rows flag, the left column
// kept in row-select mode, and the line colours the cells are painted with.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "dbgrid_test_util.h"
#include "grid/dbgrid_dropdowns.h"
#include "platform/forms/controls.h"
#include "platform/os/wingdi.h"
#include "platform/os/winuser.h"

namespace dbgridtest {
namespace {

TEST_F(DBGridTest, ContraColumnsStayAtTheRightEdgeAndCountWithTheColumns) {
  FanoSetTestFont(FALSE);
  const char* names[] = {"差旅费报销", "办公用品采购", "会议场地租金"};
  for (int i = 0; i < 3; ++i) AddRow(101 + i, names[i], 125.5 * (i + 1), "是");
  table->First();
  MakeGrid(300, 140);
  TColumnGx* id = AddColumn("ID", "单号");
  TColumnGx* name = AddColumn("NAME", "摘要");
  TColumnGx* amount = AddColumn("AMOUNT", "金额");
  TColumnGx* flag = AddColumn("FLAG", "标记");
  id->SetWidth(60);
  name->SetWidth(150);
  amount->SetWidth(80);
  flag->SetWidth(50);
  Bind();
  grid->SetContraColCountProp(2);
  gridtest::Pump();
  const int ind = grid->IndicatorOffset();
  ASSERT_EQ(ind, 1);
  EXPECT_EQ(grid->ColCount(), ind + 2);
  EXPECT_EQ(grid->ContraColCount(), 2);
  EXPECT_EQ(grid->FullColCount(), ind + 4);
  EXPECT_EQ(grid->GetColWidths(ind + 2), 80);
  EXPECT_EQ(grid->GetColWidths(ind + 3), 50);
  // The last column ends one line short of the client's right edge, the one before it touches it.
  const TRect last = grid->CellRect(ind + 3, 1);
  const TRect before = grid->CellRect(ind + 2, 1);
  EXPECT_EQ(last.Right, grid->ClientWidth() - 1);
  EXPECT_EQ(last.Right - last.Left, 50);
  EXPECT_LE(before.Right, last.Left);
  EXPECT_GT(before.Right, last.Left - 3);
  // Scrolling leaves them where they are.
  grid->SetLeftCol(ind + 1);
  gridtest::Pump();
  EXPECT_EQ(grid->CellRect(ind + 3, 1), last);
  grid->SetLeftCol(ind);
  gridtest::Pump();
  ASSERT_NO_FATAL_FAILURE(uitest::WriteSnapshot(form, "grid_dbgrid_contra_columns.png"));

  // More asked than there are: one column is left to scroll, and the request is kept.
  grid->SetContraColCountProp(9);
  EXPECT_EQ(grid->ContraColCount(), 3);
  EXPECT_EQ(grid->ColCount(), ind + 1);
  EXPECT_EQ(grid->ContraColCountProp(), 9);
  grid->SetDataFrozenCols(1);
  EXPECT_EQ(grid->ContraColCount(), 2);
  grid->SetDataFrozenCols(0);
  grid->SetContraColCountProp(1);
  EXPECT_EQ(grid->ContraColCount(), 1);
  EXPECT_EQ(grid->ColCount(), ind + 3);
  EXPECT_THROW(grid->SetContraColCountProp(-1), EInvalidGridOperationGx);
}

TEST_F(DBGridTest, AContraColumnIsSizedByItsLeftBorder) {
  AddRows(3);
  MakeGrid(300, 140);
  AddColumn("ID")->SetWidth(60);
  AddColumn("NAME")->SetWidth(150);
  TColumnGx* amount = AddColumn("AMOUNT");
  TColumnGx* flag = AddColumn("FLAG");
  amount->SetWidth(80);
  flag->SetWidth(50);
  Bind();
  grid->SetContraColCountProp(2);
  gridtest::Pump();
  int changes = 0;
  grid->OnColWidthsChanged = [&](TObject*) { ++changes; };
  // Each contra column's left border, dragged 20 pixels to the left, widens it by 20.
  const struct {
    TColumnGx* column;
    int width;
  } cases[] = {{flag, 70}, {amount, 100}};
  for (const auto& c : cases) {
    changes = 0;
    const TRect r = grid->CellRect(grid->DataToRawColumn(c.column->Index()), 0);
    const int y = r.Top + 3;
    uitest::MouseDown(grid, r.Left, y);
    uitest::MoveMouse(grid, r.Left - 20, y);
    uitest::MouseUp(grid, r.Left - 20, y);
    gridtest::Pump();
    EXPECT_EQ(c.column->Width(), c.width);
    EXPECT_EQ(grid->GetColWidths(grid->DataToRawColumn(c.column->Index())), c.width);
    EXPECT_EQ(changes, 1);
  }
}

TEST_F(DBGridTest, AMissingValueInAContraColumnIsTheDataSetsMessage) {
  AddRows(2);
  MakeGrid(300, 140);
  AddColumn("ID");
  AddColumn("NAME");
  AddColumn("FLAG");
  table->FieldByName("FLAG")->SetRequired(true);
  table->FieldByName("NAME")->SetRequired(true);
  Bind();
  grid->SetContraColCountProp(1);
  grid->SetFocus();
  gridtest::Pump();
  // A right-anchored column can never be current: the data set says what is missing.
  table->Append();
  table->FieldByName("ID")->SetValue(9);
  table->FieldByName("NAME")->SetValue(std::string("x"));
  try {
    table->Post();
    FAIL() << "posted without FLAG";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "mtblTest: Field 'FLAG' must have a value");
  }
  EXPECT_EQ(grid->SelectedField(), table->FieldByName("ID"));
  // A scrolling column is made current and the message still comes.
  table->FieldByName("FLAG")->SetValue(std::string("Y"));
  table->FieldByName("NAME")->Clear();
  EXPECT_THROW(table->Post(), Exception);
  EXPECT_EQ(grid->SelectedField(), table->FieldByName("NAME"));
  table->Cancel();
}

TEST_F(DBGridTest, DefaultColumnsOfAnInactiveLinkKeepNoContraColumns) {
  MakeGrid();
  grid->SetContraColCountProp(2);
  EXPECT_EQ(grid->ContraColCount(), 0);
  EXPECT_EQ(grid->ColCount(), grid->IndicatorOffset() + 1);
  // Bound, the grid's own columns for the four fields take two of them to the right edge.
  AddRows(2);
  Bind();
  EXPECT_EQ(grid->ContraColCount(), 2);
  EXPECT_EQ(grid->FullColCount(), grid->IndicatorOffset() + 4);
}

struct DrawnText {
  std::string call;
  std::string text;
  int flags = 0;  // DrawText's format flags
};

// The texts drawn with their origin inside the area.
std::vector<DrawnText> TextsIn(TDBGridGx* grid, const TRect& area) {
  HDC dc = FanoCreateRecordingDC(grid->ClientWidth(), grid->ClientHeight());
  PaintWithCanvas(grid->Canvas(), dc, [grid] { grid->Paint(); });
  std::vector<DrawnText> out;
  for (const FANO_DRAW_RECORD& r : uitest::Records(dc)) {
    const std::string call = r.call;
    if ((call != "ExtTextOut" && call != "DrawText") || r.argCount < 2 || !r.text[0]) continue;
    if (r.args[0] >= area.Left - 1 && r.args[0] < area.Right && r.args[1] >= area.Top - 1 && r.args[1] < area.Bottom)
      out.push_back({call, r.text, call == "DrawText" && r.argCount > 4 ? static_cast<int>(r.args[4]) : 0});
  }
  DeleteDC(dc);
  return out;
}

TEST_F(DBGridTest, RowsWithRoomForMoreLinesWrapTheFooters) {
  FanoSetTestFont(FALSE);
  AddRows(2);
  MakeGrid();
  TColumnGx* name = AddColumn("NAME", "名称");
  name->SetWidth(60);
  grid->SetFooterRowCount(1);
  name->Footer()->SetValueType(fvtStaticText);
  name->Footer()->SetValue("合计 金额 共计");
  name->Footer()->SetWordWrap(true);
  Bind();
  gridtest::Pump();
  EXPECT_FALSE(grid->MultiLineRows());
  const int col = grid->DataToRawColumn(0);
  auto footerTexts = [&] { return TextsIn(grid, grid->CellRect(col, grid->RowCount())); };
  auto texts = footerTexts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].text, "合计 金额 共计");
  EXPECT_EQ(texts[0].flags & DT_WORDBREAK, 0);
  grid->SetRowLines(2);
  gridtest::Pump();
  EXPECT_TRUE(grid->MultiLineRows());
  EXPECT_GT(grid->DataRowHeight(), grid->DefaultTextRowHeight());
  texts = footerTexts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].text, "合计 金额 共计");
  EXPECT_NE(texts[0].flags & DT_WORDBREAK, 0);
  ASSERT_NO_FATAL_FAILURE(uitest::WriteSnapshot(form, "grid_dbgrid_footer_wrap.png"));
  grid->SetRowLines(0);
  EXPECT_FALSE(grid->MultiLineRows());
}

TEST_F(DBGridTest, AWrappedTextThatShowsWholeInATallRowGetsNoToolTip) {
  AddRow(1, "aa bb cc");
  AddRow(2, "aaaaaaaaaaaaaaaaaaaa");
  table->First();
  MakeGrid();
  TColumnGx* name = AddColumn("NAME", "名称");
  name->SetWidth(50);
  name->SetWordWrap(true);
  name->SetToolTips(true);
  grid->SetRowLines(3);
  Bind();
  gridtest::Pump();
  ASSERT_TRUE(grid->MultiLineRows());
  const int col = grid->DataToRawColumn(0);
  auto ask = [&](int row, THintInfo& info) { return AskHint(col, row, info); };
  THintInfo info;
  const int first = grid->GetTitleOffset();
  // Wider than the column on one line, but wrapped it fills fewer than three lines.
  EXPECT_NE(ask(first, info), 0) << info.HintStr;
  // A word wider than the column is cut however tall the row.
  EXPECT_EQ(ask(first + 1, info), 0);
  EXPECT_EQ(info.HintStr, "aaaaaaaaaaaaaaaaaaaa");
}

}  // namespace
}  // namespace dbgridtest

namespace dbgridtest {
namespace {

TEST_F(DBGridTest, RowSelectKeepsTheLeftColumnWhenTheRowsAreCountedAgain) {
  AddRows(30);
  MakeGrid(200, 150);
  for (const char* f : {"ID", "NAME", "AMOUNT", "FLAG", "ID", "NAME"}) AddColumn(f)->SetWidth(70);
  Bind();
  grid->SetDBOptions(grid->DBOptions() + dgRowSelect);
  gridtest::Pump();
  const int ind = grid->IndicatorOffset();
  grid->SetLeftCol(ind + 3);
  gridtest::Pump();
  ASSERT_EQ(grid->LeftCol(), ind + 3);
  // A record far below, reached while the controls were off: the rows are counted again.
  table->DisableControls();
  table->SetRecNo(25);
  table->EnableControls();
  gridtest::Pump();
  EXPECT_EQ(grid->Row(), grid->GetTitleOffset() + 24);
  EXPECT_EQ(grid->LeftCol(), ind + 3);
  // A layout pass keeps it too.
  grid->Columns()->Items(0)->SetWidth(60);
  gridtest::Pump();
  EXPECT_EQ(grid->LeftCol(), ind + 3);
  table->SetRecNo(3);
  gridtest::Pump();
  EXPECT_EQ(grid->LeftCol(), ind + 3);
  // More columns, a hidden first column, a record added at the end.
  AddColumn("AMOUNT")->SetWidth(70);
  grid->Columns()->Items(0)->SetVisible(false);
  gridtest::Pump();
  EXPECT_EQ(grid->LeftCol(), ind + 3);
  AddRow(99, "new");
  gridtest::Pump();
  EXPECT_EQ(grid->Row(), grid->RowCount() - 1);
  EXPECT_EQ(grid->LeftCol(), ind + 3);
}

}  // namespace
}  // namespace dbgridtest

namespace dbgridtest {
namespace {

TEST_F(DBGridTest, AFieldChangedUnderTheEditorIsShownInItSelected) {
  AddRows(3);
  MakeGrid();
  AddColumn("ID");
  TColumnGx* name = AddColumn("NAME");
  Bind();
  grid->SetFocus();
  grid->SetCol(grid->DataToRawColumn(name->Index()));
  grid->SetEditorMode(true);
  gridtest::Pump();
  TInplaceEdit* editor = grid->InplaceEditor();
  ASSERT_NE(editor, nullptr);
  ASSERT_EQ(editor->Text(), "row1");
  // Another column's field changing leaves the editor as it is.
  table->Edit();
  editor->SetSelStart(2);
  editor->SetSelLength(0);
  table->FieldByName("ID")->SetAsInteger(77);
  gridtest::Pump();
  EXPECT_EQ(editor->Text(), "row1");
  EXPECT_EQ(editor->SelStart(), 2);
  // Its own field set by code: the editor shows the new text, all of it selected.
  table->FieldByName("NAME")->SetAsString("外部值");
  gridtest::Pump();
  EXPECT_EQ(editor->Text(), "外部值");
  EXPECT_EQ(editor->SelStart(), 0);
  EXPECT_EQ(editor->SelLength(), static_cast<int>(std::string("外部值").size()));
  // Posted, the record keeps the field's value (the editor wrote nothing back over it).
  table->Post();
  gridtest::Pump();
  EXPECT_EQ(table->FieldByName("NAME")->AsString(), "外部值");
}

}  // namespace
}  // namespace dbgridtest

namespace dbgridtest {
namespace {

TEST_F(DBGridTest, AFreedListSourceLeavesTheDropDownBoxListingFromNone) {
  AddRows(2);
  MakeGrid();
  TColumnGx* name = AddColumn("NAME");
  TColumnGx* id = AddColumn("ID");
  Bind();
  auto* list = new TDataSource(nullptr);
  list->SetDataSet(table);
  name->DropDownBox()->SetListSource(list);
  id->DropDownBox()->SetListSource(source);
  ASSERT_EQ(name->GetLookupDataSet(), table);
  delete list;
  EXPECT_EQ(name->DropDownBox()->ListSource(), nullptr);
  EXPECT_EQ(name->GetLookupDataSet(), nullptr);  // the field is no lookup
  // Another box's source is its own affair.
  EXPECT_EQ(id->DropDownBox()->ListSource(), source);
  grid->Invalidate();
  gridtest::Pump();
}

}  // namespace
}  // namespace dbgridtest
