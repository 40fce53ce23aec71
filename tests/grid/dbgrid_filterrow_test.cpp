// The filter row: its list of commands and values, typing and applying a filter, the filter
// language's errors as the user sees them, lookups through a list source, the editor's keys, and
// a snapshot of a grid showing its filter row.
#include "grid/dbgrid_filterrow.h"

#include <cstdlib>

#include "dbgrid_test_util.h"
#include "grid/datasetfeatures.h"
#include "platform/classes/filer.h"
#include "platform/forms/dialogs.h"
#include "platform/forms/stdctrls.h"

namespace dbgridtest {
namespace {

class FilterFeatures : public TDatasetFeaturesGx {
 public:
  FilterFeatures() : TDatasetFeaturesGx(TMemTableGx::StaticClass()) {}
  void ApplyFilter(TCustomDBGridGx* grid, TDataSet*, bool) override {
    ++applied;
    // What an applier reads: the field and the first condition's operator and value.
    TColumnGx* c = grid->Columns()->Items(0);
    seen = c->STFilter()->GetFilterFieldName() + " " + std::to_string(c->STFilter()->Expression().Operator1) + " " +
           c->STFilter()->GetOperand1().AsString();
  }
  int applied = 0;
  std::string seen;
};

// An applier that shows a window of its own while it works: the focus goes there and comes back.
class FocusTakingFeatures : public TDatasetFeaturesGx {
 public:
  FocusTakingFeatures(TCustomDBGridGx* grid, TWinControl* window)
      : TDatasetFeaturesGx(TMemTableGx::StaticClass()), grid_(grid), window_(window) {}
  void ApplyFilter(TCustomDBGridGx*, TDataSet*, bool) override {
    window_->SetFocus();
    grid_->SetFocus();
  }

 private:
  TCustomDBGridGx* grid_;
  TWinControl* window_;
};

class FilterRowTest : public DBGridTest {
 protected:
  void SetUp() override {
    DBGridTest::SetUp();
    AddRow(1, "北京", 10);
    AddRow(2, "上海", 20);
    AddRow(3, "北京", 30);
    AddRow(4, "", 40);
    table->First();
    MakeGrid(420, 220);
    id = AddColumn("ID", "编号");
    name = AddColumn("NAME", "城市");
    amount = AddColumn("AMOUNT", "金额");
    Bind();
    grid->STFilter()->SetVisible(true);
    gridtest::Pump();
  }
  TInplaceFilterEditGx* Editor() { return grid->FilterEditor(); }
  // Opens the editor on a column and types the text over what it shows.
  void TypeFilter(int dataCol, const char* text) {
    grid->StartFilterEdit(dataCol);
    gridtest::Pump();
    ASSERT_TRUE(Editor()->Visible());
    Editor()->SelectAll();
    FanoInputText(text);
    gridtest::Pump();
  }
  std::string Items() {
    std::string s;
    TStrings* items = Editor()->Items();
    for (int i = 0; i < items->Count(); ++i)
      s += items->Strings(i) + "#" + std::to_string(FilterItemTag(items, i)) + "\n";
    return s;
  }
  // Chooses a list item by its text as a click in the open list would.
  void Choose(const std::string& text) {
    Editor()->DropDown();
    ASSERT_TRUE(Editor()->ListVisible());
    const int i = Editor()->Items()->IndexOf(text);
    ASSERT_GE(i, 0) << text;
    Editor()->PopupListbox()->SetItemIndex(i);
    Editor()->CloseUp(true);
  }

  TColumnGx* id = nullptr;
  TColumnGx* name = nullptr;
  TColumnGx* amount = nullptr;
};

TEST_F(FilterRowTest, TheRowSitsBelowTheTitlesAndOpensOnTheColumn) {
  EXPECT_EQ(grid->GetTitleOffset(), 2);
  EXPECT_TRUE(grid->IsFilterRow(1));
  EXPECT_FALSE(grid->IsFilterRow(0));
  EXPECT_EQ(grid->FilterEditor(), nullptr);
  grid->StartFilterEdit(1);
  ASSERT_NE(Editor(), nullptr);
  EXPECT_TRUE(grid->FilterEditMode());
  EXPECT_EQ(grid->FilterCol(), 1);
  EXPECT_EQ(grid->Col(), grid->DataToRawColumn(1));  // without dgRowSelect the column is selected
  TRect cell = grid->CellRect(grid->DataToRawColumn(1), 1);
  EXPECT_EQ(Editor()->BoundsRect(), TRect(cell.Left, cell.Top + 1, cell.Right, cell.Bottom));
  EXPECT_EQ(Editor()->Font()->Color(), static_cast<TColor>(0xFF0000));
  // The fixed colour lightened by an eighth of each part.
  const COLORREF face = ColorToRGB(grid->FixedColor());
  auto up = [](int v) { return std::min(255, v + v / 8); };
  EXPECT_EQ(ColorToRGB(Editor()->Color()), RGB(up(GetRValue(face)), up(GetGValue(face)), up(GetBValue(face))));
  // A column without a filter cell is not opened.
  amount->STFilter()->SetVisible(false);
  grid->StartFilterEdit(2);
  EXPECT_EQ(grid->FilterCol(), 1);
  // Hiding the row stops editing, keeping what was typed.
  Editor()->SetText("北");
  grid->STFilter()->SetVisible(false);
  EXPECT_FALSE(grid->FilterEditMode());
  EXPECT_FALSE(Editor()->Visible());
  EXPECT_EQ(name->STFilter()->FilterText(), "北");
  EXPECT_EQ(grid->GetTitleOffset(), 1);
}

TEST_F(FilterRowTest, TheListOffersCommandsOnTopThenTheValues) {
  grid->StartFilterEdit(1);
  ASSERT_TRUE(Editor()->EditButton()->Visible());  // the memory table can list its values
  Editor()->DropDown();
  EXPECT_EQ(Items(), "(Clear filter)#4\n(All)#3\n(Not empty)#2\n(Empty)#1\n#0\n北京#0\n上海#0\n");
  EXPECT_EQ(Editor()->DropDownBox()->Width(), 100);
  EXPECT_EQ(Editor()->DropDownBox()->Rows(), 17);
  Editor()->CloseUp(false);
  // With sort marking and a title button the sort commands come first.
  grid->SetOptionsGx(grid->OptionsGx() + dghAutoSortMarking);
  name->Title()->SetTitleButton(true);
  Editor()->DropDown();
  EXPECT_EQ(Items(),
            "(Order by descending)#7\n(Order by ascending)#6\n-#5\n(Clear filter)#4\n(All)#3\n(Not empty)#2\n"
            "(Empty)#1\n#0\n北京#0\n上海#0\n");
  Editor()->CloseUp(false);
}

TEST_F(FilterRowTest, ListCommandsFillTheTextOrActOnTheGrid) {
  int applied = 0;
  grid->OnApplyFilter = [&](TObject*) { ++applied; };
  grid->StartFilterEdit(1);
  Choose("(Empty)");
  EXPECT_EQ(Editor()->Text(), "=Null");
  Choose("(Not empty)");
  EXPECT_EQ(Editor()->Text(), "<>Null");
  Choose("(All)");
  EXPECT_EQ(Editor()->Text(), "");
  EXPECT_EQ(applied, 0);  // the value commands wait for Enter
  // A value is taken as it is.
  Choose("上海");
  EXPECT_EQ(Editor()->Text(), "上海");
  // With the centre's apply-on-close-up flags the commands apply at once, and bit 0 applies any
  // accepted choice.
  grid->Center()->SetApplyOnCloseUpFlags(2);
  Choose("(Not empty)");
  EXPECT_EQ(applied, 1);
  EXPECT_EQ(name->STFilter()->Expression().Operator1, foNotNull);
  Choose("北京");
  EXPECT_EQ(applied, 1);
  grid->Center()->SetApplyOnCloseUpFlags(1);
  Choose("北京");
  EXPECT_EQ(applied, 2);
  EXPECT_EQ(name->STFilter()->FilterText(), "北京");
  grid->Center()->SetApplyOnCloseUpFlags(0);
  // "(Clear filter)" clears every column and applies at once.
  id->STFilter()->SetFilterText("> 1");
  Choose("(Clear filter)");
  EXPECT_EQ(applied, 3);
  EXPECT_EQ(id->STFilter()->FilterText(), "");
  EXPECT_EQ(name->STFilter()->FilterText(), "");
  EXPECT_EQ(id->STFilter()->Expression().Operator1, foNon);
  EXPECT_FALSE(grid->FilterEditMode());
}

TEST_F(FilterRowTest, SortCommandsMarkOnlyThatColumn) {
  int changes = 0;
  grid->SetOptionsGx(grid->OptionsGx() + dghAutoSortMarking + dghMultiSortMarking);
  grid->OnSortMarkingChanged = [&](TObject*) { ++changes; };
  name->Title()->SetTitleButton(true);
  id->Title()->SetSortMarker(smUpGx);
  grid->StartFilterEdit(1);
  Choose("(Order by descending)");
  EXPECT_EQ(name->Title()->SortMarker(), smUpGx);
  EXPECT_EQ(id->Title()->SortMarker(), smNoneGx);
  EXPECT_EQ(grid->SortMarkedColumns().size(), 1u);
  EXPECT_EQ(changes, 1);
  Choose("(Order by ascending)");
  EXPECT_EQ(name->Title()->SortMarker(), smDownGx);
  EXPECT_EQ(changes, 2);
}

TEST_F(FilterRowTest, DropDownSizeIsKeptPerColumnOnceResized) {
  grid->StartFilterEdit(1);
  Editor()->DropDown();
  Editor()->DropDownBox()->SetWidth(160);  // as the size grip leaves it
  Editor()->DropDownBox()->SetRows(9);
  Editor()->PopupListbox()->SetItemIndex(5);
  Editor()->CloseUp(true);
  EXPECT_EQ(name->STFilter()->DropDownWidth(), 160);
  EXPECT_EQ(name->STFilter()->DropDownRows(), 9);
  grid->StartFilterEdit(0);
  EXPECT_EQ(Editor()->DropDownBox()->Width(), 100);
  grid->StartFilterEdit(1);
  EXPECT_EQ(Editor()->DropDownBox()->Width(), 160);
  EXPECT_EQ(Editor()->DropDownBox()->Rows(), 9);
}

TEST_F(FilterRowTest, EnterStoresTheNormalisedTextAndAppliesThroughTheCentre) {
  auto owned = std::make_unique<FilterFeatures>();
  FilterFeatures* features = owned.get();
  RegisterDatasetFeatures(std::move(owned));
  TypeFilter(0, ">2");
  EXPECT_EQ(features->applied, 0);
  Key(VK_RETURN);
  EXPECT_EQ(features->applied, 1);
  EXPECT_EQ(features->seen, "ID 3 2");
  EXPECT_EQ(id->STFilter()->FilterText(), ">2");
  EXPECT_EQ(id->STFilter()->GetExpressionText(), "> 2");
  EXPECT_TRUE(Editor()->Visible());  // shown again, reloaded
  EXPECT_EQ(Editor()->Text(), ">2");
  UnregisterDatasetFeatures(features);
  // Without a feature object the request changes nothing in the data.
  TypeFilter(1, "北京");
  Key(VK_RETURN);
  EXPECT_EQ(name->STFilter()->Expression().Operator1, foLike);
  EXPECT_EQ(table->RecordCount(), 4);
  // The grid's own handler comes first.
  int own = 0;
  grid->OnApplyFilter = [&](TObject* sender) { own += sender == grid; };
  Key(VK_RETURN);
  EXPECT_EQ(own, 1);
}

TEST_F(FilterRowTest, ParseErrorsReachTheUserAndKeepTheStoredFilter) {
  TScriptedDialogService dialogs(true);
  int applied = 0;
  grid->OnApplyFilter = [&](TObject*) { ++applied; };
  TypeFilter(0, "> 1");
  Key(VK_RETURN);
  ASSERT_EQ(applied, 1);
  ASSERT_TRUE(dialogs.Requests().empty());
  const struct {
    int col;
    const char* text;
    const char* message;
  } cases[] = {
      {1, "'abc", "Quote is absent: 'abc"},
      {0, "IN 1", "'(' expected: IN 1"},
      {0, "IN (1,2", "')' expected: IN (1,2"},
      {1, "(", "Error in expression: ("},
      {0, "> NULL", "Unexpected expression before Null: > NULL"},
      {1, "NOT NULL", "Unexpected expression after operator: NOT NULL"},
      {0, "> 1 XOR 2", "Unexpected AND or OR: > 1 XOR 2"},
      {0, "> 1 AND < 5 )", "Incorrect expression: > 1 AND < 5 )"},
  };
  for (const auto& c : cases) {
    dialogs.ClearRequests();
    TColumnGx* column = grid->Columns()->Items(c.col);
    const std::string before = column->STFilter()->FilterText();
    TypeFilter(c.col, c.text);
    Key(VK_RETURN);
    ASSERT_EQ(dialogs.Requests().size(), 1u) << c.text;
    EXPECT_EQ(dialogs.Requests()[0].Text.rfind(c.message, 0), 0u) << dialogs.Requests()[0].Text;
    EXPECT_EQ(column->STFilter()->FilterText(), before) << c.text;
    EXPECT_EQ(applied, 1) << c.text;  // nothing was applied
    // The text stays in the editor for the user to mend; here it is put back.
    EXPECT_EQ(Editor()->Text(), c.text);
    Editor()->SetText(before);
  }
  EXPECT_EQ(id->STFilter()->Expression().Operator1, foGreaterThan);
  EXPECT_EQ(id->STFilter()->Expression().Operand1.AsDouble(), 1.0);
}

TEST_F(FilterRowTest, KeysMoveBetweenFilterCellsAndBackToTheData) {
  table->Last();
  grid->StartFilterEdit(0);
  gridtest::Pump();
  Editor()->SetText("12");
  Editor()->SetSelStart(1);
  Key(VK_RIGHT);  // the caret moves inside the text
  EXPECT_EQ(grid->FilterCol(), 0);
  Key(VK_RIGHT);  // at the end: the next cell
  EXPECT_EQ(grid->FilterCol(), 1);
  EXPECT_EQ(id->STFilter()->FilterText(), "12");  // stored on the way
  Key(VK_RIGHT, false, true);  // Ctrl: the last cell
  EXPECT_EQ(grid->FilterCol(), 2);
  Key(VK_RIGHT);  // all text selected, past the last: round to the first
  EXPECT_EQ(grid->FilterCol(), 0);
  Key(VK_LEFT, false, true);  // Ctrl+Left at the first stays
  EXPECT_EQ(grid->FilterCol(), 0);
  Key(VK_TAB);
  EXPECT_EQ(grid->FilterCol(), 1);
  Key(VK_TAB, true);
  EXPECT_EQ(grid->FilterCol(), 0);
  Key(VK_END, false, true);
  EXPECT_EQ(grid->FilterCol(), 2);
  Key(VK_HOME, false, true);
  EXPECT_EQ(grid->FilterCol(), 0);
  // F2 puts the caret at the end; Up stays in the row.
  Key(VK_F2);
  EXPECT_EQ(Editor()->SelStart(), 2);
  EXPECT_EQ(Editor()->SelLength(), 0);
  Key(VK_UP);
  EXPECT_TRUE(grid->FilterEditMode());
  // Down leaves the row for the first record shown, on the filter's column.
  grid->StartFilterEdit(1);
  Key(VK_DOWN);
  EXPECT_FALSE(grid->FilterEditMode());
  EXPECT_FALSE(Editor()->Visible());
  EXPECT_EQ(grid->Col(), grid->DataToRawColumn(1));
  EXPECT_EQ(table->FieldByName("ID")->AsInteger(), 1);
  EXPECT_TRUE(grid->Focused());
}

// With whole rows selected, a filter cell out of sight comes in at the right edge from either
// side; Down leaves the row for the first record shown even when the current one is scrolled off.
TEST_F(FilterRowTest, RowSelectShowsTheFilterCellAtTheRightEdgeAndDownTakesTheTopRecord) {
  for (int i = 5; i <= 40; ++i) AddRow(i, "r" + std::to_string(i), i);
  table->First();
  grid->SetDBOptions(grid->DBOptions() + dgRowSelect);
  for (TColumnGx* c : {id, name, amount}) c->SetWidth(150);
  gridtest::Pump();
  const int idRaw = grid->DataToRawColumn(0), nameRaw = grid->DataToRawColumn(1);
  const int amountRaw = grid->DataToRawColumn(2);
  // Two columns of 150 fit beside the indicator, three do not.
  ASSERT_LT(2 * 151, grid->ClientWidth() - grid->GetColWidths(0));
  ASSERT_GT(3 * 151, grid->ClientWidth() - grid->GetColWidths(0));
  grid->StartFilterEdit(2);
  gridtest::Pump();
  EXPECT_EQ(grid->LeftCol(), nameRaw);
  grid->StartFilterEdit(1);  // in sight: no scrolling
  EXPECT_EQ(grid->LeftCol(), nameRaw);
  grid->SetLeftCol(amountRaw);
  grid->StartFilterEdit(1);  // from the left: it comes in at the right edge
  gridtest::Pump();
  EXPECT_EQ(grid->LeftCol(), idRaw);
  EXPECT_FALSE(grid->CellRect(nameRaw, 1).IsEmpty());
  // The window scrolled down away from the current first record.
  grid->SetTopRow(grid->GetTitleOffset() + 10);
  const int top = grid->TopRow();
  gridtest::Pump();
  Key(VK_DOWN);
  EXPECT_FALSE(grid->FilterEditMode());
  EXPECT_EQ(table->RecNo(), top - grid->GetTitleOffset() + 1);
  EXPECT_EQ(grid->Row(), grid->TopRow());
}

// The filter editor's text stands one pixel lower than a plain combo box's would.
TEST_F(FilterRowTest, TheEditorsTextRectangleStartsOnePixelLower) {
  grid->StartFilterEdit(1);
  gridtest::Pump();
  ASSERT_TRUE(Editor()->Visible());
  TDBComboBoxGx* plain = Editor();
  const TRect inherited = plain->TDBComboBoxGx::GetEditRect();
  const TRect own = plain->GetEditRect();
  EXPECT_EQ(own.Top, inherited.Top + 1);
  EXPECT_EQ(own.Left, inherited.Left);
  EXPECT_EQ(own.Bottom, inherited.Bottom);
  // The edit control lays its text out in it.
  RECT shown{};
  SendMessage(Editor()->Handle(), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&shown));
  EXPECT_EQ(shown.top, own.Top);
}

// Chinese text: the caret and the selection count bytes, so the ends are found as for ASCII.
TEST_F(FilterRowTest, ArrowKeysLeaveCellsOfChineseText) {
  table->Last();
  struct Case {
    const char* what;
    UINT key;
    bool selectAll;  // else the caret stands after the typed text
    int to;          // the filter column reached from the name column
  };
  const Case cases[] = {
      {"Right, all selected", VK_RIGHT, true, 2}, {"Left, all selected", VK_LEFT, true, 0},
      {"End, all selected", VK_END, true, 2},     {"Home, all selected", VK_HOME, true, 0},
      {"Right after typing", VK_RIGHT, false, 2}, {"End after typing", VK_END, false, 2},
      {"Left after typing", VK_LEFT, false, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TypeFilter(1, "北京");
    ASSERT_EQ(Editor()->Text(), "北京");
    if (c.selectAll) Editor()->SelectAll();
    Key(c.key);
    EXPECT_EQ(grid->FilterCol(), c.to);
  }
}

TEST_F(FilterRowTest, ListSourceLookupsTurnTextsIntoKeys) {
  TMemTableGx cities(nullptr);
  cities.FieldDefs().Add("CODE", ftString, 5);
  cities.FieldDefs().Add("CITY", ftString, 20);
  cities.CreateDataSet();
  for (auto [code, city] : {std::pair{"BJ", "北京"}, {"SH", "上海"}}) {
    cities.Append();
    cities.FieldByName("CODE")->SetValue(code);
    cities.FieldByName("CITY")->SetValue(city);
    cities.Post();
  }
  TDataSource citySource(nullptr);
  citySource.SetDataSet(&cities);
  TSTColumnFilterGx* f = name->STFilter();
  f->SetKeyField("CODE");
  f->SetListField("CITY");
  f->SetListSource(&citySource);
  EXPECT_EQ(f->ListValues()->Text(), "北京\r\n上海\r\n");
  EXPECT_EQ(f->KeyValues()->Text(), "BJ\r\nSH\r\n");
  f->SetFilterText("上海");
  EXPECT_EQ(f->KeyValue().AsString(), "SH");
  EXPECT_EQ(f->GetOperand1().AsString(), "SH");
  EXPECT_EQ(f->Expression().Operator1, foIn);
  EXPECT_EQ(f->GetExpressionText(), "上海");
  // Not in the list: a test for no value.
  f->SetFilterText("广州");
  EXPECT_EQ(f->Expression().Operator1, foNull);
  EXPECT_TRUE(f->KeyValue().IsNull());
  // Empty: In with an empty operand and no key.
  f->SetFilterText("");
  EXPECT_EQ(f->Expression().Operator1, foIn);
  EXPECT_EQ(f->Expression().Operand1.AsString(), "");
  EXPECT_TRUE(f->GetOperand1().IsEmpty());
  // Null tests are kept as typed.
  f->SetFilterText("=Null");
  EXPECT_EQ(f->Expression().Operator1, foNull);
  // Closing the list source empties the texts.
  cities.Close();
  EXPECT_EQ(f->ListValues()->Count(), 0);
  f->SetListSource(nullptr);
}

TEST_F(FilterRowTest, PickListTextsBecomeKeys) {
  TColumnGx* flag = AddColumn("FLAG", "标志");
  flag->PickList()->SetText("现金\n转账");
  flag->KeyList()->SetText("1\n2");
  flag->STFilter()->SetFilterText("In (现金,转账,x)");
  const Variant& op = flag->STFilter()->Expression().Operand1;
  ASSERT_TRUE(op.IsArray());
  EXPECT_EQ(op.GetElement(0).AsString(), "1");
  EXPECT_EQ(op.GetElement(1).AsString(), "2");
  EXPECT_EQ(op.GetElement(2).AsString(), "x");
  // Key-list values show as their pick-list texts in the drop-down.
  grid->StartFilterEdit(3);
  table->Edit();
  table->FieldByName("FLAG")->SetValue("2");
  table->Post();
  Editor()->DropDown();
  EXPECT_GE(Editor()->Items()->IndexOf("转账"), 0);
  EXPECT_LT(Editor()->Items()->IndexOf("2"), 0);
  Editor()->CloseUp(false);
}

// Written with the real fonts for people to look at: filter texts in Chinese, the open editor,
// drop-down buttons; probes check the cell colour and the blue text.
TEST_F(DBGridTest, SnapshotOfTheFilterRow) {
  FanoSetTestFont(FALSE);
  const char* names[] = {"差旅费报销", "办公用品采购", "会议场地租金", "市场推广费用"};
  for (int i = 0; i < 4; ++i) AddRow(101 + i, names[i], 125.5 * (i + 1));
  table->First();
  MakeGrid(460, 200);
  TColumnGx* id = AddColumn("ID", "单号");
  TColumnGx* name = AddColumn("NAME", "摘要");
  TColumnGx* amount = AddColumn("AMOUNT", "金额");
  name->SetWidth(170);
  amount->SetWidth(110);
  Bind();
  grid->STFilter()->SetVisible(true);
  id->STFilter()->SetFilterText(">101");
  name->STFilter()->SetFilterText("In (差旅费报销,员工培训)");
  grid->StartFilterEdit(2);
  grid->FilterEditor()->SetText("<= 300");
  grid->Invalidate();
  gridtest::Pump();
  EXPECT_EQ(grid->GetColumnFilterText(1), "In (差旅费报销,员工培训)");
  ASSERT_NO_FATAL_FAILURE(uitest::WriteSnapshot(form, "grid_dbgrid_filterrow.png"));
  // The filter cell is painted in the lightened fixed colour, its text in blue.
  const TRect cell = grid->CellRect(grid->DataToRawColumn(1), 1);
  EXPECT_EQ(FanoGetWindowPixel(grid->Handle(), cell.Right - 30, cell.Bottom - 3), ColorToRGB(grid->FilterCellColor()));
  bool blue = false;
  for (int x = cell.Left; x < cell.Right && !blue; ++x)
    for (int y = cell.Top; y < cell.Bottom && !blue; ++y) blue = FanoGetWindowPixel(grid->Handle(), x, y) == 0xFF0000;
  EXPECT_TRUE(blue);
  FanoSetTestFont(TRUE);
}

}  // namespace
}  // namespace dbgridtest

namespace dbgridtest {
namespace {

TEST_F(FilterRowTest, TheEditorFollowsItsCellWhenColumnsScrollOrMove) {
  name->SetWidth(250);
  amount->SetWidth(250);
  grid->StartFilterEdit(1);
  gridtest::Pump();
  const int raw = grid->DataToRawColumn(1);
  grid->SetLeftCol(raw);
  gridtest::Pump();
  TRect cell = grid->CellRect(raw, 1);
  EXPECT_EQ(Editor()->BoundsRect(), TRect(cell.Left, cell.Top + 1, cell.Right, cell.Bottom));
  // The column being filtered moves: the editor goes with it.
  grid->SetLeftCol(grid->FixedCols());
  Editor()->SetText("北");
  grid->MoveColumn(raw, raw + 1);
  gridtest::Pump();
  EXPECT_EQ(grid->FilterCol(), 2);
  EXPECT_EQ(grid->ColumnAt(2), name);
  // Scrolled out of sight, editing stops and keeps the text.
  grid->SetLeftCol(grid->DataToRawColumn(1));
  gridtest::Pump();
  cell = grid->CellRect(grid->DataToRawColumn(2), 1);
  if (cell.IsEmpty()) {
    EXPECT_FALSE(grid->FilterEditMode());
    EXPECT_EQ(name->STFilter()->FilterText(), "北");
  } else {
    EXPECT_EQ(Editor()->BoundsRect(), TRect(cell.Left, cell.Top + 1, cell.Right, cell.Bottom));
  }
}

// The filtered column is known by its place among all columns, hidden ones included.
TEST_F(FilterRowTest, TheEditedFilterStaysWithItsColumnPastAHiddenOne) {
  id->SetVisible(false);
  gridtest::Pump();
  grid->StartFilterEdit(1);
  gridtest::Pump();
  const int raw = grid->DataToRawColumn(1);
  grid->MoveColumn(raw, raw + 1);
  gridtest::Pump();
  EXPECT_EQ(grid->ColumnAt(grid->FilterCol()), name);
  const TRect cell = grid->CellRect(grid->DataToRawColumn(name->Index()), 1);
  EXPECT_EQ(Editor()->BoundsRect(), TRect(cell.Left, cell.Top + 1, cell.Right, cell.Bottom));
  // Hidden while edited: editing stops and the text stays with that column.
  Editor()->SelectAll();
  FanoInputText("北");
  gridtest::Pump();
  name->SetVisible(false);
  gridtest::Pump();
  EXPECT_FALSE(grid->FilterEditMode());
  EXPECT_FALSE(Editor()->Visible());
  EXPECT_EQ(name->STFilter()->FilterText(), "北");
  Key(VK_RETURN);
  EXPECT_EQ(amount->STFilter()->FilterText(), "");
  EXPECT_EQ(id->STFilter()->FilterText(), "");
}

// Columns that come or go in front of the edited one leave the editor with its column and what is
// typed in it; when the edited column itself goes, editing ends and no other column takes its text.
TEST_F(FilterRowTest, TheEditedFilterFollowsItsColumnWhenOthersComeAndGo) {
  enum Change { FrontGoes, OneComesInFront, EditedGoes };
  for (Change change : {FrontGoes, OneComesInFront, EditedGoes}) {
    SCOPED_TRACE(change);
    TColumnGx* flag = AddColumn("FLAG", "标志");
    gridtest::Pump();
    TypeFilter(1, "北京");
    switch (change) {
      case FrontGoes: id->Free(); break;
      case OneComesInFront: grid->Columns()->Insert(0); break;
      case EditedGoes: name->Free(); break;
    }
    gridtest::Pump();
    if (change == EditedGoes) {
      EXPECT_FALSE(grid->FilterEditMode());
      EXPECT_FALSE(Editor()->Visible());
    } else {
      ASSERT_EQ(grid->ColumnAt(grid->FilterCol()), name);
      const TRect cell = grid->CellRect(grid->DataToRawColumn(name->Index()), 1);
      EXPECT_EQ(Editor()->BoundsRect(), TRect(cell.Left, cell.Top + 1, cell.Right, cell.Bottom));
      Key(VK_RETURN);
      EXPECT_EQ(name->STFilter()->FilterText(), "北京");
      EXPECT_EQ(name->STFilter()->Expression().Operator1, foLike);
    }
    for (int i = 0; i < grid->Columns()->Count(); ++i)
      if (grid->Columns()->Items(i) != name) {
        EXPECT_EQ(grid->Columns()->Items(i)->STFilter()->FilterText(), "") << i;
      }
    // Back to ID, NAME, AMOUNT for the next round.
    grid->StopFilterEdit();
    grid->Columns()->Clear();
    id = AddColumn("ID", "编号");
    name = AddColumn("NAME", "城市");
    amount = AddColumn("AMOUNT", "金额");
    (void)flag;
    gridtest::Pump();
  }
}

// A selection hides the filter editor; when editing then ends, what was typed becomes the column's
// condition, as it does when the editor is shown, so the cell never shows a filter that is not set.
// The editing ends with a press on the data, goes on in another filter cell, or the row is applied.
TEST_F(FilterRowTest, TextTypedBeforeASelectionHidItIsStoredWhenEditingEnds) {
  grid->SetDBOptions(grid->DBOptions() + dgMultiSelect);
  grid->SetFocus();
  // Row 0 stands for applying the row while the editor is hidden.
  for (int pressRow : {3, 1, 0}) {
    SCOPED_TRACE(pressRow);
    name->STFilter()->Clear();
    TypeFilter(1, "北京");
    grid->Selection()->SelectAll();
    gridtest::Pump();
    ASSERT_FALSE(Editor()->Visible());
    ASSERT_TRUE(grid->FilterEditMode());
    if (pressRow == 0) {
      grid->FilterRowChanged();
    } else if (pressRow == 1) {
      grid->StartFilterEdit(2);
    } else {
      const TRect cell = grid->CellRect(grid->DataToRawColumn(2), pressRow);
      uitest::ClickAt(grid, cell.Left + 3, cell.Top + 3);
    }
    gridtest::Pump();
    EXPECT_EQ(grid->FilterEditMode(), pressRow < 3);
    EXPECT_EQ(grid->GetColumnFilterText(1), "北京");
    EXPECT_EQ(name->STFilter()->Expression().Operator1, foLike);
    EXPECT_EQ(name->STFilter()->GetExpressionText(), "~ '北京'");
    grid->StopFilterEdit();
    grid->ClearSelection();
  }
}

// A right-anchored column's filter cell opens on a press like any other; the current cell stays.
TEST_F(FilterRowTest, APressOnAContraColumnsFilterCellOpensItsEditor) {
  grid->SetContraColCountProp(1);
  gridtest::Pump();
  ASSERT_EQ(grid->ContraColCount(), 1);
  const int raw = grid->DataToRawColumn(amount->Index());
  ASSERT_GE(raw, grid->ColCount());
  const int col = grid->Col();
  const TRect cell = grid->CellRect(raw, 1);
  ASSERT_FALSE(cell.IsEmpty());
  const TPoint p = grid->ClientToScreen(TPoint(cell.Left + 5, (cell.Top + cell.Bottom) / 2));
  FanoInputMouseButton(0, TRUE, p.X, p.Y);
  FanoInputMouseButton(0, FALSE, p.X, p.Y);
  gridtest::Pump();
  EXPECT_TRUE(grid->FilterEditMode());
  EXPECT_EQ(grid->ColumnAt(grid->FilterCol()), amount);
  EXPECT_TRUE(Editor()->Visible());
  EXPECT_EQ(Editor()->BoundsRect(), TRect(cell.Left, cell.Top + 1, cell.Right, cell.Bottom));
  EXPECT_EQ(grid->Col(), col);
  // Down leaves the filter row for the data rows; the current column stays where it was.
  TScriptedDialogService dialogs(true);
  Key(VK_DOWN);
  EXPECT_TRUE(dialogs.Requests().empty());
  EXPECT_FALSE(grid->FilterEditMode());
  EXPECT_EQ(grid->Col(), col);
}

// A click on the filter row is no title click, whether its cell opens a filter editor or not; the
// title row above it still is.
TEST_F(FilterRowTest, AClickOnTheFilterRowIsNoTitleClick) {
  amount->STFilter()->SetVisible(false);
  grid->SetFocus();
  gridtest::Pump();
  std::vector<TColumnGx*> titles;
  int cells = 0;
  grid->OnTitleClick = [&](TColumnGx* c) { titles.push_back(c); };
  grid->OnCellClick = [&](TColumnGx*) { ++cells; };
  const struct {
    TColumnGx* column;
    int row;
    size_t titleClicks;
  } cases[] = {{name, 1, 0}, {amount, 1, 0}, {amount, 0, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.column->FieldName() + " row " + std::to_string(c.row));
    titles.clear();
    const TRect cell = grid->CellRect(grid->DataToRawColumn(c.column->Index()), c.row);
    const TPoint p = grid->ClientToScreen(TPoint(cell.Left + 5, (cell.Top + cell.Bottom) / 2));
    FanoInputMouseMove(p.X, p.Y);
    FanoInputMouseButton(0, TRUE, p.X, p.Y);
    gridtest::Pump();
    FanoInputMouseButton(0, FALSE, p.X, p.Y);
    gridtest::Pump();
    gridtest::AdvanceAndPump(1000, 250);
    EXPECT_EQ(titles.size(), c.titleClicks);
    if (!titles.empty()) {
      EXPECT_EQ(titles.front(), c.column);
    }
    EXPECT_EQ(cells, 0);
  }
}

// A filter cell of a column kept at the right edge moves when the grid is narrowed or widened,
// and its editor moves with it.
TEST_F(FilterRowTest, TheEditorOfAContraColumnFollowsASizeChange) {
  grid->SetContraColCountProp(1);
  gridtest::Pump();
  grid->StartFilterEdit(amount->Index());
  gridtest::Pump();
  ASSERT_TRUE(Editor()->Visible());
  const int raw = grid->DataToRawColumn(amount->Index());
  for (const int width : {360, 440}) {
    SCOPED_TRACE(width);
    grid->SetBounds(0, 0, width, 220);
    gridtest::Pump();
    const TRect cell = grid->CellRect(raw, 1);
    EXPECT_EQ(Editor()->BoundsRect(), TRect(cell.Left, cell.Top + 1, cell.Right, cell.Bottom));
  }
}

// The keys that move between filter cells reach a right-anchored column's cell too.
TEST_F(FilterRowTest, KeysReachAContraColumnsFilterCell) {
  grid->SetContraColCountProp(1);
  gridtest::Pump();
  ASSERT_GE(grid->DataToRawColumn(amount->Index()), grid->ColCount());
  const struct {
    int from;
    UINT key;
    bool ctrl;
    int to;
  } cases[] = {
      {0, VK_RIGHT, true, 2},   // Ctrl+Right: the last filter cell
      {0, VK_END, true, 2},     // Ctrl+End likewise
      {1, VK_RIGHT, false, 2},  // the next cell
      {2, VK_RIGHT, false, 0},  // past the last one, round to the first
      {0, VK_LEFT, false, 2},   // before the first one, round to the last
      {2, VK_LEFT, false, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.from) + " " + std::to_string(c.key) + " " + std::to_string(c.ctrl));
    grid->StartFilterEdit(c.from);
    gridtest::Pump();
    Editor()->SelectAll();
    Key(c.key, false, c.ctrl);
    EXPECT_EQ(grid->FilterCol(), c.to);
    EXPECT_TRUE(Editor()->Visible());
  }
}

TEST_F(FilterRowTest, FilterSettingsAreStoredWithTheForm) {
  grid->SetName("grdList");
  form->SetName("frmFilter");
  name->STFilter()->SetKeyField("CODE");
  name->STFilter()->SetListField("CITY");
  amount->STFilter()->SetVisible(false);
  grid->STFilter()->SetLocal(true);
  grid->SetDataSource(nullptr);  // the table is not the form's
  const std::string text = WriteComponentText(form);
  EXPECT_NE(text.find("STFilter.Local = true"), std::string::npos) << text;
  EXPECT_NE(text.find("STFilter.Visible = true"), std::string::npos);
  EXPECT_NE(text.find("STFilter.KeyField = \"CODE\""), std::string::npos);
  EXPECT_NE(text.find("STFilter.ListField = \"CITY\""), std::string::npos);
  EXPECT_NE(text.find("STFilter.Visible = false"), std::string::npos);
  // Columns copied into another grid take their filter settings along.
  auto* other = new TDBGridGx(form);
  other->Columns()->Assign(grid->Columns());
  EXPECT_EQ(other->Columns()->Items(1)->STFilter()->KeyField(), "CODE");
  EXPECT_FALSE(other->Columns()->Items(2)->STFilter()->Visible());
}

}  // namespace
}  // namespace dbgridtest

namespace dbgridtest {
namespace {

TEST_F(FilterRowTest, APressOnAFilterCellOpensItAndAPressOnTheDataEndsIt) {
  grid->SetFocus();
  gridtest::Pump();
  auto press = [&](int col, int row) {
    const TRect r = grid->CellRect(col, row);
    const TPoint p = grid->ClientToScreen(TPoint(r.Left + 5, (r.Top + r.Bottom) / 2));
    FanoInputMouseButton(0, TRUE, p.X, p.Y);
    FanoInputMouseButton(0, FALSE, p.X, p.Y);
    gridtest::Pump();
    gridtest::AdvanceAndPump(1000, 250);
  };
  press(grid->DataToRawColumn(1), 1);
  ASSERT_NE(Editor(), nullptr);
  EXPECT_TRUE(Editor()->Visible());
  EXPECT_EQ(grid->FilterCol(), 1);
  EXPECT_TRUE(Editor()->Focused());
  FanoInputText("上");
  gridtest::Pump();
  // The indicator's filter cell is no filter cell.
  press(0, 1);
  EXPECT_EQ(grid->FilterCol(), 1);
  press(grid->DataToRawColumn(0), 3);
  EXPECT_FALSE(grid->FilterEditMode());
  EXPECT_FALSE(Editor()->Visible());
  EXPECT_EQ(name->STFilter()->FilterText(), "上");
  EXPECT_EQ(table->FieldByName("ID")->AsInteger(), 2);  // the press went on to the data
}

TEST_F(FilterRowTest, UpFromTheFirstRecordOrWithCtrlEntersTheRow) {
  grid->SetFocus();
  grid->SetCol(grid->DataToRawColumn(2));
  table->First();
  gridtest::Pump();
  Key(VK_DOWN);
  Key(VK_UP);  // back on the first record
  EXPECT_EQ(table->FieldByName("ID")->AsInteger(), 1);
  EXPECT_FALSE(grid->FilterEditMode());
  // Once at the beginning (First, or Up on the first record), Up goes into the row.
  table->First();
  Key(VK_UP);
  EXPECT_TRUE(grid->FilterEditMode());
  EXPECT_EQ(grid->FilterCol(), 2);
  Key(VK_DOWN);
  EXPECT_FALSE(grid->FilterEditMode());
  Key(VK_DOWN);
  Key(VK_DOWN);
  Key(VK_UP, false, true);  // Ctrl from the middle
  EXPECT_TRUE(grid->FilterEditMode());
  EXPECT_EQ(grid->FilterCol(), 2);
  // Without a filter row Up only moves.
  Key(VK_DOWN);
  grid->STFilter()->SetVisible(false);
  EXPECT_FALSE(grid->EnterFilterRowByKey(TShiftState{ssCtrl}));
}

// With whole rows selected Up takes the remembered filter column when it is in view, else the first
// filterable column in view; a hidden column does not shorten the search.
TEST_F(FilterRowTest, UpWithRowSelectFindsAFilterColumnInView) {
  grid->SetDBOptions(grid->DBOptions() + dgRowSelect);
  grid->SetFocus();
  gridtest::Pump();
  struct Case {
    bool idHidden, nameFilter, wide;
    int remembered;  // -1: none
    int expected;
  };
  for (const Case& c : {Case{true, false, false, -1, 2}, Case{false, true, false, 2, 2},
                        Case{false, true, true, 2, 0}}) {
    SCOPED_TRACE(c.expected);
    grid->StopFilterEdit();
    id->SetVisible(!c.idHidden);
    name->STFilter()->SetVisible(c.nameFilter);
    for (TColumnGx* col : {id, name, amount}) col->SetWidth(c.wide ? 300 : 64);
    gridtest::Pump();
    if (c.remembered >= 0) {
      grid->StartFilterEdit(c.remembered);
      grid->StopFilterEdit();
    }
    grid->SetLeftCol(grid->FixedCols());
    table->First();
    gridtest::Pump();
    Key(VK_UP);
    EXPECT_TRUE(grid->FilterEditMode());
    EXPECT_EQ(grid->FilterCol(), c.expected);
  }
}

}  // namespace
}  // namespace dbgridtest

namespace dbgridtest {
namespace {

TEST_F(FilterRowTest, EnterAppliesTheRowRatherThanPressingTheDefaultButton) {
  auto* ok = new TButton(form);
  ok->SetParent(form);
  ok->SetBounds(10, 225, 60, 24);
  ok->SetDefault(true);
  int clicks = 0, applied = 0;
  ok->OnClick = [&](TObject*) { ++clicks; };
  grid->OnApplyFilter = [&](TObject*) { ++applied; };
  TypeFilter(2, "< 25");
  Key(VK_RETURN);
  EXPECT_EQ(applied, 1);
  EXPECT_EQ(clicks, 0);
  EXPECT_EQ(amount->STFilter()->Expression().Operator1, foLessThan);
}

}  // namespace
}  // namespace dbgridtest

namespace dbgridtest {
namespace {

// While the centre's applier works the filter editor stays as it is: a window of the applier's
// that takes the focus and gives it back to the grid does not end the editing.
TEST_F(FilterRowTest, AFocusTakenWhileApplyingLeavesTheFilterCellOpen) {
  auto* progress = new TButton(form);
  progress->SetParent(form);
  progress->SetBounds(10, 225, 60, 24);
  auto owned = std::make_unique<FocusTakingFeatures>(grid, progress);
  FocusTakingFeatures* features = owned.get();
  RegisterDatasetFeatures(std::move(owned));
  TypeFilter(1, "北京");
  Key(VK_RETURN);
  UnregisterDatasetFeatures(features);
  EXPECT_EQ(name->STFilter()->Expression().Operator1, foLike);
  EXPECT_TRUE(grid->FilterEditMode());
  ASSERT_TRUE(Editor()->Visible());
  EXPECT_EQ(GetFocus(), Editor()->WindowHandle());
  EXPECT_EQ(Editor()->Text(), "北京");
}

// The drop-down's value list reads the memory table's record store: a table freed while the grid
// lives must not leave the list behind for the grid to free later.
TEST_F(FilterRowTest, AFreedTableTakesTheFilterValueListsWithIt) {
  auto* other = new TMemTableGx(nullptr);
  other->FieldDefs().Add("ID", ftInteger);
  other->FieldDefs().Add("NAME", ftString, 20);
  other->CreateDataSet();
  other->Append();
  other->FieldByName("NAME")->SetValue("广州");
  other->Post();
  auto* otherSource = new TDataSource(nullptr);
  otherSource->SetDataSet(other);
  grid->SetDataSource(otherSource);
  grid->StartFilterEdit(1);
  Editor()->DropDown();
  EXPECT_GE(Editor()->Items()->IndexOf("广州"), 0);
  Editor()->CloseUp(false);
  grid->StopFilterEdit();
  delete other;
  delete otherSource;
  grid->SetDataSource(source);
  grid->StartFilterEdit(1);
  Editor()->DropDown();
  EXPECT_GE(Editor()->Items()->IndexOf("上海"), 0);
  EXPECT_LT(Editor()->Items()->IndexOf("广州"), 0);
  Editor()->CloseUp(false);
}

}  // namespace
}  // namespace dbgridtest

namespace dbgridtest {
namespace {

TEST_F(FilterRowTest, UpInTheCellEditorAtTheBeginningEntersTheRowToo) {
  grid->SetFocus();
  grid->SetCol(grid->DataToRawColumn(1));
  table->First();
  grid->ShowEditor();
  gridtest::Pump();
  ASSERT_TRUE(grid->IsEditorVisible());
  Key(VK_UP);
  EXPECT_TRUE(grid->FilterEditMode());
  EXPECT_EQ(grid->FilterCol(), 1);
  EXPECT_TRUE(Editor()->Focused());
}

}  // namespace
}  // namespace dbgridtest

namespace dbgridtest {
namespace {

TEST_F(FilterRowTest, HidingTheRowWithATextThatDoesNotParseKeepsTheRow) {
  grid->StartFilterEdit(1);
  Editor()->SetText("'abc");
  EXPECT_THROW(grid->STFilter()->SetVisible(false), Exception);
  EXPECT_TRUE(grid->STFilter()->Visible());
  EXPECT_EQ(grid->GetTitleOffset(), 2);
  EXPECT_EQ(grid->FixedRows(), 2);
  EXPECT_EQ(name->STFilter()->FilterText(), "");
}

TEST_F(FilterRowTest, TypedTextOutlivesAReloadOfTheEditor) {
  // Each change of a width reloads the filter editor from its column; what is typed, set by code
  // or chosen from the list must be there.
  enum How { Typed, ByCode, Chosen };
  const struct {
    bool autoFit;
    const char* text;
    How how;
  } cases[] = {{true, "xyz", Typed}, {false, "上海", ByCode}, {true, "=Null", Chosen}, {false, "北京", Typed},
               {false, "'ab", Typed}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    grid->SetAutoFitColWidths(c.autoFit);
    gridtest::Pump();
    if (c.how == Typed) {
      TypeFilter(1, c.text);
    } else {
      grid->StartFilterEdit(1);
      if (c.how == ByCode) Editor()->SetText(c.text);
      else Choose("(Empty)");
    }
    EXPECT_EQ(name->STFilter()->FilterText(), c.text);
    if (c.autoFit) grid->SetWidth(grid->Width() - 40);
    else name->SetWidth(name->Width() + 10);
    gridtest::Pump();
    ASSERT_TRUE(Editor()->Visible()) << c.text;
    EXPECT_EQ(Editor()->Text(), c.text);
    EXPECT_EQ(name->STFilter()->FilterText(), c.text);
    // Storing is what parses: a text that does not parse puts back the stored one (the last case).
    if (std::string(c.text) == "'ab") {
      EXPECT_THROW(grid->StopFilterEdit(), Exception);
      EXPECT_EQ(name->STFilter()->FilterText(), "北京");
    } else {
      grid->StopFilterEdit();
    }
  }
}

TEST_F(FilterRowTest, ACharacterTypedWhileTheCellEditorIsHiddenGoesIntoTheFilterCell) {
  grid->StartFilterEdit(1);
  gridtest::Pump();
  grid->HideFilterEditor();  // the cell stays current; the grid takes the focus
  gridtest::Pump();
  ASSERT_TRUE(grid->FilterEditMode());
  ASSERT_FALSE(Editor()->Visible());
  ASSERT_TRUE(grid->Focused());
  FanoInputText("北");
  gridtest::Pump();
  EXPECT_TRUE(Editor()->Visible());
  EXPECT_TRUE(Editor()->Focused());
  EXPECT_EQ(Editor()->Text(), "北");
  // Neither the data editor nor the record saw it.
  EXPECT_FALSE(grid->IsEditorVisible());
  EXPECT_NE(table->State(), dsEdit);
  EXPECT_EQ(table->FieldByName("NAME")->AsString(), "北京");
}

TEST_F(FilterRowTest, MovingTheFocusOnClosesTheFilterEditorsList) {
  grid->StartFilterEdit(1);
  gridtest::Pump();
  Editor()->DropDown();
  ASSERT_TRUE(Editor()->ListVisible());
  TEdit* other = new TEdit(form);
  other->SetParent(form);
  grid->Perform(CM_CANCELMODE, 0, reinterpret_cast<LPARAM>(other));
  EXPECT_FALSE(Editor()->ListVisible());
  // The editor's own list is no stranger to it.
  Editor()->DropDown();
  grid->Perform(CM_CANCELMODE, 0, reinterpret_cast<LPARAM>(Editor()));
  EXPECT_TRUE(Editor()->ListVisible());
  Editor()->CloseUp(false);
}

}  // namespace
}  // namespace dbgridtest

namespace dbgridtest {
namespace {

// A program that appends a record while the user sits in a filter cell: the reload of the filter
// editor keeps the focus inside the grid, so the grid's exit step never cancels the new record,
// and the caret where it was, so the user's next key goes on from there.
TEST_F(FilterRowTest, ARecordAppendedWhileInAFilterCellStaysInInsert) {
  ASSERT_TRUE(grid->DBOptions().Contains(dgCancelOnExit));
  TypeFilter(1, "北");
  ASSERT_TRUE(Editor()->Focused());
  table->Append();
  gridtest::Pump();
  ASSERT_EQ(table->State(), dsInsert);
  table->FieldByName("NAME")->SetValue("广州");
  table->Post();
  EXPECT_EQ(table->RecordCount(), 5);
  EXPECT_TRUE(Editor()->Focused());
  FanoInputText("京");
  gridtest::Pump();
  EXPECT_EQ(Editor()->Text(), "北京");
  TRect cell = grid->CellRect(grid->DataToRawColumn(1), 1);
  cell.Top += 1;
  EXPECT_EQ(Editor()->BoundsRect(), cell);
  // A selection made meanwhile hides the editor; the focus stays in the grid all the same.
  grid->SetDBOptions(grid->DBOptions() + dgMultiSelect);
  table->Append();
  gridtest::Pump();
  grid->Selection()->SelectAll();
  gridtest::Pump();
  EXPECT_FALSE(Editor()->Visible());
  EXPECT_TRUE(grid->Focused());
  EXPECT_EQ(table->State(), dsInsert);
  table->Cancel();
}

// The data rows move down when the filter row shows and up when it goes: an open cell editor goes
// with the current cell, and what was typed is kept.
TEST_F(FilterRowTest, ShowingOrHidingTheRowTakesTheCellEditorAlong) {
  grid->SetFocus();
  grid->SetCol(grid->DataToRawColumn(1));
  Type("x");
  for (bool shown : {false, true}) {
    grid->STFilter()->SetVisible(shown);
    gridtest::Pump();
    ASSERT_TRUE(grid->IsEditorVisible()) << shown;
    EXPECT_EQ(grid->InplaceEditor()->BoundsRect(), grid->CellRect(grid->Col(), grid->Row())) << shown;
  }
  table->Post();
  EXPECT_EQ(table->FieldByName("NAME")->AsString(), "x");
}

}  // namespace
}  // namespace dbgridtest
