// The lookup grid and the popup data grid: the key and its record, the special row, row count and
// whole-row sizing, keys, incremental search and its limits, the data side (plain and lookup
// fields), mouse picking and the popup's close requests and size grip.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "dbgrid_test_util.h"
#include "grid/lookupgrid.h"
#include "platform/classes/filer.h"
#include "platform/forms/dialogs.h"
#include "platform/db/testdataset.h"

using namespace dbgridtest;

namespace {

class LookupGridTest : public DBGridTest {
 protected:
  void SetUp() override {
    DBGridTest::SetUp();
    const char* names[] = {"北京", "Berlin", "Bern", "上海", "Boston", "Basel", "成都", "Dublin"};
    for (int i = 0; i < 8; ++i) AddRow(i + 1, names[i], 10.0 * (i + 1));
    table->First();
  }
  void TearDown() override {
    if (list) list->Free();
    list = nullptr;
    DBGridTest::TearDown();
  }
  // A five-row lookup grid by ID and NAME over 20 rows of a data set that is no memory table.
  TDBLookupGridGx* MakeBufferedList(TTestDataSet& ds, TDataSource& src) {
    ds.FieldDefs().Add("ID", ftInteger);
    ds.FieldDefs().Add("NAME", ftString, 20);
    for (int i = 1; i <= 20; ++i) ds.AddRow({Variant(i), Variant("第" + std::to_string(i) + "项")});
    ds.Open();
    src.SetDataSet(&ds);
    form = new TForm(nullptr);
    form->SetBounds(10, 10, 360, 300);
    auto* g = new TDBLookupGridGx(form);
    g->SetParent(form);
    g->SetBounds(10, 10, 300, 100);
    g->SetListSource(&src);
    g->SetKeyField("ID");
    g->SetListField("NAME");
    g->SetRowCountProp(5);
    form->Show();
    gridtest::Pump();
    return g;
  }
  // A lookup grid on its own form listing the table by ID and NAME.
  TDBLookupGridGx* MakeList(int rows = 4) {
    form = new TForm(nullptr);
    form->SetBounds(10, 10, 360, 300);
    auto* g = new TDBLookupGridGx(form);
    g->SetParent(form);
    g->SetBounds(10, 10, 300, 100);
    g->SetListSource(source);
    g->SetKeyField("ID");
    g->SetListField("NAME;AMOUNT");
    g->SetRowCountProp(rows);
    form->Show();
    gridtest::Pump();
    return g;
  }
  void Key(TWinControl* target, UINT vk) {
    target->SetFocus();
    FanoInputKey(vk, TRUE);
    FanoInputKey(vk, FALSE);
    gridtest::Pump();
  }
  void Type(TWinControl* target, const char* text) {
    target->SetFocus();
    FanoInputText(text);
    gridtest::Pump();
  }
  TPoint RowCentre(TDBLookupGridGx* g, int row) {
    const TRect r = g->CellRect(g->IndicatorOffset(), row);
    return g->ClientToScreen(TPoint(r.Left + 5, (r.Top + r.Bottom) / 2));
  }

  TPopupDataGridGx* list = nullptr;
};

TEST_F(LookupGridTest, KeyValueFindsItsRecordAndText) {
  TDBLookupGridGx* g = MakeList();
  ASSERT_TRUE(g->ListActive());
  EXPECT_EQ(g->DisplayField()->FieldName(), "NAME");
  ASSERT_EQ(g->Columns()->Count(), 2);  // the list fields, not every field
  EXPECT_EQ(g->Columns()->Items(0)->FieldName(), "NAME");
  g->SetKeyValue(Variant(3));
  EXPECT_EQ(table->FieldByName("ID")->AsInteger(), 3);
  EXPECT_EQ(g->DisplayText(), "Bern");
  EXPECT_TRUE(g->MarkDataRow(g->Row()));
  g->SetListFieldIndex(1);
  EXPECT_EQ(g->DisplayField()->FieldName(), "AMOUNT");
  EXPECT_EQ(g->DisplayText(), table->FieldByName("AMOUNT")->DisplayText());
  // A key that is nowhere: the list goes to its first record, nothing is marked.
  g->SetListFieldIndex(0);
  g->SetKeyValue(Variant(99));
  EXPECT_EQ(table->RecNo(), 1);
  EXPECT_FALSE(g->MarkDataRow(g->Row()));
  // No list field: the key shows.
  g->SetListField("");
  EXPECT_EQ(g->DisplayField()->FieldName(), "ID");
}

TEST_F(LookupGridTest, RowCountIsClampedAndSetsTheHeight) {
  TDBLookupGridGx* g = MakeList();
  g->SetRowCountProp(0);
  EXPECT_EQ(g->RowCountProp(), 1);
  const int one = g->Height();
  EXPECT_EQ(one, g->DefaultRowHeight() + g->BorderHeight());
  g->SetRowCountProp(500);
  EXPECT_EQ(g->RowCountProp(), 100);
  EXPECT_EQ(g->Height(), 100 * g->DefaultRowHeight() + g->BorderHeight());
  g->SetRowCountProp(5);
  EXPECT_EQ(g->Height(), 5 * g->DefaultRowHeight() + g->BorderHeight());
  // Titles and the special row add their rows.
  g->SetShowTitles(true);
  EXPECT_EQ(g->Height(), g->TitleRowHeight() + 5 * g->DefaultRowHeight() + g->BorderHeight());
  g->SpecRow()->SetVisible(true);
  EXPECT_EQ(g->Height(), g->TitleRowHeight() + 6 * g->DefaultRowHeight() + g->BorderHeight());
  // A free height is cut to whole rows.
  g->SetShowTitles(false);
  g->SpecRow()->SetVisible(false);
  g->SetBounds(g->Left(), g->Top(), g->Width(), g->BorderHeight() + 3 * g->DefaultRowHeight() + 7);
  EXPECT_EQ(g->Height(), 3 * g->DefaultRowHeight() + g->BorderHeight());
}

// Until a row count is set, the count is the rows the height holds, and it is not written.
TEST_F(LookupGridTest, AnUnsetRowCountIsTheRowsTheHeightHolds) {
  form = new TForm(nullptr);
  form->SetBounds(10, 10, 360, 300);
  auto* g = new TDBLookupGridGx(form);
  g->SetParent(form);
  g->SetListSource(source);
  g->SetKeyField("ID");
  g->SetListField("NAME");
  form->Show();
  gridtest::Pump();
  for (int rows : {3, 6}) {
    g->SetBounds(10, 10, 300, g->BorderHeight() + rows * g->DefaultRowHeight() + 7);
    EXPECT_EQ(g->RowCountProp(), rows);
    EXPECT_FALSE(g->RowCountStored());
  }
  // Titles (two levels high, too) and fitting keep those rows whole: the height follows.
  g->SetShowTitles(true);
  g->SetUseMultiTitle(true);
  g->SetAutoFitColWidths(true);
  EXPECT_EQ(g->RowCountProp(), 6);
  EXPECT_EQ(g->Height(), g->BorderHeight() + g->TitleRowHeight() + 6 * g->DefaultRowHeight());
  // The fitted columns fill the client width, and their width with lines is that width.
  EXPECT_EQ(g->AllColumnsWidth(), g->ClientWidth());
  g->SetShowTitles(false);
  EXPECT_EQ(g->Height(), g->BorderHeight() + 6 * g->DefaultRowHeight());
  EXPECT_FALSE(g->RowCountStored());
  g->SetRowCountProp(4);
  EXPECT_EQ(g->RowCountProp(), 4);
  EXPECT_TRUE(g->RowCountStored());
}

TEST_F(LookupGridTest, KeysMoveTheKeyAndReachTheSpecialRow) {
  TDBLookupGridGx* g = MakeList();
  g->SpecRow()->SetCellsText("(无)");
  g->SpecRow()->SetValue(Variant(0));
  g->SpecRow()->SetVisible(true);
  g->SetKeyValue(Variant(2));
  EXPECT_FALSE(g->SpecRow()->Selected());
  Key(g, VK_UP);
  EXPECT_EQ(g->KeyValue().AsInteger(), 1);
  EXPECT_EQ(g->DisplayText(), "北京");
  // Up on the first record: the special row.
  Key(g, VK_UP);
  EXPECT_TRUE(g->SpecRow()->Selected());
  EXPECT_EQ(g->KeyValue().AsInteger(), 0);
  EXPECT_EQ(g->DisplayText(), "(无)");
  Key(g, VK_UP);
  EXPECT_TRUE(g->SpecRow()->Selected());
  // Down from it: the first record.
  Key(g, VK_DOWN);
  EXPECT_FALSE(g->SpecRow()->Selected());
  EXPECT_EQ(g->KeyValue().AsInteger(), 1);
  Key(g, VK_END);
  EXPECT_EQ(g->KeyValue().AsInteger(), 8);
  Key(g, VK_HOME);
  EXPECT_EQ(g->KeyValue().AsInteger(), 1);
  Key(g, VK_NEXT);
  EXPECT_EQ(g->KeyValue().AsInteger(), 1 + g->VisibleRowCount() - 1);
  // A key the list lacks shows the special row (ShowIfNotInKeyList).
  g->SetKeyValue(Variant(77));
  EXPECT_TRUE(g->SpecRow()->Selected());
  // Hidden, it is chosen no longer: an unknown key sends the list to its first record.
  table->Last();
  g->SpecRow()->SetVisible(false);
  EXPECT_FALSE(g->SpecRow()->Selected());
  g->SetKeyValue(Variant(99));
  EXPECT_EQ(table->RecNo(), 1);
}

// Left and Right move the key unless a horizontal bar shows, and one shows only while the columns
// do not fit; the height follows the bar, so the rows stay whole.
TEST_F(LookupGridTest, LeftAndRightMoveTheKeyUnlessAHorizontalBarShows) {
  TDBLookupGridGx* g = MakeList();
  auto horzBar = [&] { return (GetWindowLong(g->WindowHandle(), GWL_STYLE) & WS_HSCROLL) != 0; };
  EXPECT_FALSE(horzBar());
  const int height = g->Height();
  g->SetKeyValue(Variant(2));
  Key(g, VK_RIGHT);
  EXPECT_EQ(g->KeyValue().AsInteger(), 3);
  Key(g, VK_LEFT);
  EXPECT_EQ(g->KeyValue().AsInteger(), 2);
  g->Columns()->Items(0)->SetWidth(400);
  gridtest::Pump();
  EXPECT_TRUE(horzBar());
  EXPECT_EQ(g->VisibleRowCount(), 4);
  EXPECT_GT(g->Height(), height);
  Key(g, VK_RIGHT);
  EXPECT_EQ(g->KeyValue().AsInteger(), 2);
  g->Columns()->Items(0)->SetWidth(60);
  gridtest::Pump();
  EXPECT_FALSE(horzBar());
  EXPECT_EQ(g->Height(), height);
}

TEST_F(LookupGridTest, IncrementalSearchPausesAndLimit) {
  TDBLookupGridGx* g = MakeList();
  g->SetKeyValue(Variant(1));
  Type(g, "b");
  EXPECT_EQ(g->KeyValue().AsInteger(), 2);  // Berlin
  Type(g, "ern");
  EXPECT_EQ(g->KeyValue().AsInteger(), 3);  // Bern
  EXPECT_EQ(g->SearchText(), "bern");
  // Unmatched: the text stays.
  Type(g, "x");
  EXPECT_EQ(g->SearchText(), "bern");
  EXPECT_EQ(g->KeyValue().AsInteger(), 3);
  // After more than two seconds a key starts a new search.
  gridtest::AdvanceAndPump(2100);
  Type(g, "上");
  EXPECT_EQ(g->SearchText(), "上");
  EXPECT_EQ(g->KeyValue().AsInteger(), 4);
  // Within two seconds it goes on.
  gridtest::AdvanceAndPump(1500);
  Type(g, "海");
  EXPECT_EQ(g->SearchText(), "上海");
  // Escape clears.
  Key(g, VK_ESCAPE);
  EXPECT_EQ(g->SearchText(), "");

}

TEST_F(LookupGridTest, IncrementalSearchStopsAt32Characters) {
  TMemTableGx names(nullptr);
  names.FieldDefs().Add("ID", ftInteger);
  names.FieldDefs().Add("NAME", ftString, 60);
  names.CreateDataSet();
  const std::string longName = std::string(31, 'z') + "报销单";
  for (int i = 1; i <= 2; ++i) {
    names.Append();
    names.FieldByName("ID")->SetAsInteger(i);
    names.FieldByName("NAME")->SetAsString(i == 1 ? std::string("a") : longName);
    names.Post();
  }
  TDataSource namesSource(nullptr);
  namesSource.SetDataSet(&names);
  TDBLookupGridGx* g = MakeList();
  g->SetListField("NAME");  // the new list lacks AMOUNT
  g->SetListSource(&namesSource);
  g->SetKeyValue(Variant(1));
  Type(g, std::string(31, 'z').c_str());
  EXPECT_EQ(g->KeyValue().AsInteger(), 2);
  Type(g, "报");  // the 32nd character, a whole Chinese one
  EXPECT_EQ(g->SearchText(), std::string(31, 'z') + "报");
  Type(g, "销");
  EXPECT_EQ(g->SearchText(), std::string(31, 'z') + "报");
  // A character of two UTF-16 units is one search character.
  gridtest::AdvanceAndPump(2100);
  names.Append();
  names.FieldByName("ID")->SetAsInteger(3);
  names.FieldByName("NAME")->SetAsString("𠀀字");
  names.Post();
  Type(g, "𠀀");
  EXPECT_EQ(g->SearchText(), "𠀀");
  EXPECT_EQ(g->KeyValue().AsInteger(), 3);
  g->SetListSource(nullptr);
}

TEST_F(LookupGridTest, PickingWritesTheDataField) {
  // Documents with a city key, edited through the list of cities.
  TMemTableGx docs(nullptr);
  docs.FieldDefs().Add("DOC", ftInteger);
  docs.FieldDefs().Add("CITY", ftInteger);
  docs.CreateDataSet();
  docs.Append();
  docs.FieldByName("DOC")->SetAsInteger(1);
  docs.FieldByName("CITY")->SetAsInteger(5);
  docs.Post();
  TDataSource docSource(nullptr);
  docSource.SetDataSet(&docs);
  TDBLookupGridGx* g = MakeList();
  g->SetDataSource(&docSource);
  g->SetDataField("CITY");
  EXPECT_EQ(g->KeyValue().AsInteger(), 5);
  EXPECT_EQ(g->DisplayText(), "Boston");
  EXPECT_TRUE(g->CanModify());
  Key(g, VK_DOWN);
  EXPECT_EQ(docs.State(), dsEdit);
  EXPECT_EQ(docs.FieldByName("CITY")->AsInteger(), 6);
  EXPECT_EQ(g->KeyValue().AsInteger(), 6);
  docs.Cancel();
  EXPECT_EQ(g->KeyValue().AsInteger(), 5);
  // The data set asking its controls to focus the field: the grid takes the focus.
  form->ActiveControl();
  g->SetTabStop(true);
  docs.FieldByName("CITY")->FocusControl();
  gridtest::Pump();
  EXPECT_TRUE(g->Focused());
  // A record that refuses the edit keeps its city when the special row is clicked, and the list
  // follows the city a program then sets.
  g->SpecRow()->SetCellsText("(无)");
  g->SpecRow()->SetValue(Variant(0));
  g->SpecRow()->SetVisible(true);
  docs.SetBeforeEdit([](TDataSet*) { throw Exception("locked"); });
  {
    TScriptedDialogService dialogs(true);
    const TPoint special = RowCentre(g, g->GetTitleOffset() - 1);
    FanoInputMouseButton(0, TRUE, special.X, special.Y);
    FanoInputMouseButton(0, FALSE, special.X, special.Y);
    gridtest::Pump();
    EXPECT_EQ(dialogs.Requests().size(), 1u);
  }
  docs.SetBeforeEdit(nullptr);
  EXPECT_EQ(docs.FieldByName("CITY")->AsInteger(), 5);
  docs.Edit();
  docs.FieldByName("CITY")->SetAsInteger(3);
  docs.Post();
  EXPECT_EQ(table->FieldByName("ID")->AsInteger(), 3);
  EXPECT_EQ(g->DisplayText(), "Bern");
  // An empty list has nothing to pick: the keys leave the city alone.
  table->SetFilter("ID > 100");
  table->SetFiltered(true);
  for (UINT vk : {VK_DOWN, VK_END, VK_NEXT}) Key(g, vk);
  EXPECT_EQ(docs.State(), dsBrowse);
  EXPECT_EQ(docs.FieldByName("CITY")->AsInteger(), 3);
  table->SetFiltered(false);
  // A read-only data field: the keys do not move the key.
  docs.FieldByName("CITY")->SetReadOnly(true);
  EXPECT_FALSE(g->CanModify());
  g->SetDataSource(nullptr);
}

// A list that is a detail of the very source the grid writes into would move under its own writes.
TEST_F(LookupGridTest, AListThatIsADetailOfTheDataSourceIsRefused) {
  TMemTableGx masters(nullptr);
  masters.FieldDefs().Add("ID", ftInteger);
  masters.CreateDataSet();
  masters.Append();
  masters.FieldByName("ID")->SetAsInteger(1);
  masters.Post();
  TDataSource masterSource(nullptr);
  masterSource.SetDataSet(&masters);
  table->SetMasterSource(&masterSource);
  TDBLookupGridGx* g = MakeList();
  g->SetDataSource(&masterSource);
  try {
    g->SetDataField("ID");
    FAIL() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_NE(std::string(e.Message()).find("Circular datalinks are not allowed"), std::string::npos);
  }
  g->SetDataSource(nullptr);
  table->SetMasterSource(nullptr);
}

TEST_F(LookupGridTest, ALookupDataFieldBringsItsListAndDisplayField) {
  TMemTableGx docs(nullptr);
  docs.FieldDefs().Add("DOC", ftInteger);
  docs.FieldDefs().Add("CITY", ftInteger);
  CreateWithLookup(docs, "CITYNAME", "CITY", table, "ID", "NAME");
  docs.Append();
  docs.FieldByName("DOC")->SetAsInteger(1);
  docs.FieldByName("CITY")->SetAsInteger(7);
  docs.Post();
  TDataSource docSource(nullptr);
  docSource.SetDataSet(&docs);
  form = new TForm(nullptr);
  auto* g = new TDBLookupGridGx(form);
  g->SetParent(form);
  g->SetBounds(0, 0, 200, 100);
  form->Show();
  g->SetDataSource(&docSource);
  g->SetDataField("CITYNAME");
  EXPECT_TRUE(g->LookupMode());
  ASSERT_EQ(g->DataFields().size(), 1u);
  EXPECT_EQ(g->DataFields()[0]->FieldName(), "CITY");
  EXPECT_EQ(g->ListDataSet(), table);
  EXPECT_EQ(g->KeyField(), "ID");
  ASSERT_NE(g->DisplayField(), nullptr);
  EXPECT_EQ(g->DisplayField()->FieldName(), "NAME");
  EXPECT_EQ(g->DisplayText(), "成都");
  // Its key and list are the field's.
  EXPECT_THROW(g->SetKeyField("NAME"), EDatabaseError);
  EXPECT_THROW(g->SetListSource(source), EDatabaseError);
  g->SetDataSource(nullptr);
  EXPECT_FALSE(g->LookupMode());
  EXPECT_EQ(g->ListSource(), nullptr);
}

TEST_F(LookupGridTest, AClickPicksARowAndADoubleClickOnItRunsDblClick) {
  TDBLookupGridGx* g = MakeList();
  int clicks = 0;
  g->OnDblClick = [&](TObject*) { ++clicks; };
  g->SetKeyValue(Variant(1));
  TPoint p = RowCentre(g, g->GetTitleOffset() + 2);
  FanoInputMouseButton(0, TRUE, p.X, p.Y);
  FanoInputMouseButton(0, FALSE, p.X, p.Y);
  gridtest::Pump();
  EXPECT_EQ(g->KeyValue().AsInteger(), 3);
  EXPECT_TRUE(g->Focused());
  FanoInputMouseButton(0, TRUE, p.X, p.Y);
  FanoInputMouseButton(0, FALSE, p.X, p.Y);
  gridtest::Pump();
  EXPECT_EQ(clicks, 1);
  // Dragging below the grid scrolls a record per tick.
  p = RowCentre(g, g->GetTitleOffset());
  FanoInputMouseButton(0, TRUE, p.X, p.Y);
  gridtest::Pump();
  EXPECT_EQ(g->KeyValue().AsInteger(), 1);
  const TPoint below = g->ClientToScreen(TPoint(p.X, g->ClientHeight() + 9));
  FanoInputMouseMove(p.X, below.Y);
  gridtest::Pump();
  const int start = g->KeyValue().AsInteger();
  gridtest::AdvanceAndPump(45, 5);  // the interval at 10 pixels below is 200 - 15 * 10
  EXPECT_EQ(g->KeyValue().AsInteger(), start);
  gridtest::AdvanceAndPump(5, 5);
  EXPECT_EQ(g->KeyValue().AsInteger(), start + 1);
  gridtest::AdvanceAndPump(50, 5);
  EXPECT_EQ(g->KeyValue().AsInteger(), start + 2);
  FanoInputMouseButton(0, FALSE, p.X, below.Y);
  gridtest::Pump();
  const int after = g->KeyValue().AsInteger();
  gridtest::AdvanceAndPump(500, 10);
  EXPECT_EQ(g->KeyValue().AsInteger(), after);
}

// The special row stands in the filter row's place but is no filter row: a click picks it.
TEST_F(LookupGridTest, AClickOnTheSpecialRowPicksIt) {
  TDBLookupGridGx* g = MakeList();
  g->SpecRow()->SetCellsText("(无)");
  g->SpecRow()->SetValue(Variant(0));
  g->SpecRow()->SetVisible(true);
  g->SetKeyValue(Variant(2));
  ASSERT_FALSE(g->SpecRow()->Selected());
  const TPoint p = RowCentre(g, g->GetTitleOffset() - 1);
  FanoInputMouseButton(0, TRUE, p.X, p.Y);
  FanoInputMouseButton(0, FALSE, p.X, p.Y);
  gridtest::Pump();
  EXPECT_EQ(g->FilterEditor(), nullptr);
  EXPECT_TRUE(g->SpecRow()->Selected());
  EXPECT_EQ(g->KeyValue().AsInteger(), 0);
  EXPECT_EQ(g->DisplayText(), "(无)");
}

// Every cell shows the list's hint, also the cells of a column with tool tips whose text fits.
TEST_F(LookupGridTest, EveryCellShowsTheListsHint) {
  TDBLookupGridGx* g = MakeList();
  g->SpecRow()->SetCellsText("(无)");
  g->SpecRow()->SetVisible(true);
  g->SetHint("选城市|从列表里选一个城市");
  g->Columns()->Items(0)->SetToolTips(true);
  gridtest::Pump();
  const int first = g->GetTitleOffset();
  for (int row : {first - 1, first, first + 1}) {
    SCOPED_TRACE(row);
    const TRect r = g->CellRect(g->IndicatorOffset(), row);
    THintInfo info{};
    info.HintControl = g;
    info.CursorPos = TPoint(r.Left + 3, r.Top + 3);
    info.HintStr = GetShortHint(g->Hint());  // as the application asks
    EXPECT_EQ(g->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)), 0);
    EXPECT_EQ(info.HintStr, "选城市");
  }
}

// Each lookup option is the data grid's: set alone, it is there; taken away, it is gone.
TEST_F(LookupGridTest, EachOptionReachesTheDataGrid) {
  TDBLookupGridGx* g = MakeList();
  struct Case {
    TDBLookupGridGxOption option;
    bool (*on)(TDBLookupGridGx*);
  };
  const Case cases[] = {
      {dlgColumnResizeGx, [](TDBLookupGridGx* l) { return l->DBOptions().Contains(dgColumnResize); }},
      {dlgColLinesGx, [](TDBLookupGridGx* l) { return l->DBOptions().Contains(dgColLines); }},
      {dlgRowLinesGx, [](TDBLookupGridGx* l) { return l->DBOptions().Contains(dgRowLines); }},
      {dlgAutoSortMarkingGx, [](TDBLookupGridGx* l) { return l->OptionsGx().Contains(dghAutoSortMarking); }},
      {dlgMultiSortMarkingGx, [](TDBLookupGridGx* l) { return l->OptionsGx().Contains(dghMultiSortMarking); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.option));
    g->SetOptions(TDBLookupGridGxOptions{c.option});
    EXPECT_TRUE(c.on(g));
    g->SetOptions(TDBLookupGridGxOptions{});
    EXPECT_FALSE(c.on(g));
  }
}

// With row lines the height counts one more line above the rows, titles or not, and given its
// own bounds again the grid keeps them.
TEST_F(LookupGridTest, RowLinesAddTheSameLineInEveryWayOfSizing) {
  TDBLookupGridGx* g = MakeList();
  g->SetOptions(TDBLookupGridGxOptions{dlgColLinesGx, dlgRowLinesGx});
  const int lw = g->GridLineWidth();
  ASSERT_GT(lw, 0);
  for (bool titles : {false, true}) {
    SCOPED_TRACE(titles);
    g->SetShowTitles(titles);
    g->SetRowCountProp(5);
    const int expected = (titles ? g->TitleRowHeight() : 0) + lw + 5 * (g->DefaultRowHeight() + lw) + g->BorderHeight();
    EXPECT_EQ(g->Height(), expected);
    g->SetBounds(g->Left(), g->Top(), g->Width(), g->Height());
    EXPECT_EQ(g->Height(), expected);
    EXPECT_EQ(g->RowCountProp(), 5);
  }
}

class PopupDataGridTest : public LookupGridTest {
 protected:
  TPopupDataGridGx* MakePopup() {
    MakeGrid(200, 100);
    list = new TPopupDataGridGx(nullptr);
    list->SetListSource(source);
    list->SetKeyField("ID");
    list->SetListField("NAME");
    list->SetRowCountProp(4);
    list->OnCloseUpRequest = [this](TObject*, bool accept) { requests.push_back(accept); };
    list->OnUserRowChange = [this](TObject*) { ++rowChanges; };
    const TPoint at = form->ClientToScreen(TPoint(10, 120));
    ShowDropDown(list, at);
    gridtest::Pump();
    return list;
  }
  std::vector<bool> requests;
  int rowChanges = 0;
};

TEST_F(PopupDataGridTest, AReleaseOnARowAcceptsOutsideCancels) {
  TPopupDataGridGx* p = MakePopup();
  ASSERT_TRUE(DropDownShowing(p));
  EXPECT_NE(GetWindowLong(p->WindowHandle(), GWL_STYLE) & WS_POPUP, 0);
  EXPECT_NE(GetWindowLong(p->WindowHandle(), GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);
  EXPECT_EQ(p->Perform(WM_MOUSEACTIVATE, 0, 0), MA_NOACTIVATE);
  p->SetKeyValue(Variant(1));
  // Hovering picks the row under the pointer.
  TPoint at = RowCentre(p, p->GetTitleOffset() + 1);
  FanoInputMouseMove(at.X, at.Y);
  gridtest::Pump();
  EXPECT_EQ(p->KeyValue().AsInteger(), 2);
  EXPECT_EQ(rowChanges, 1);
  FanoInputMouseButton(0, TRUE, at.X, at.Y);
  FanoInputMouseButton(0, FALSE, at.X, at.Y);
  gridtest::Pump();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_TRUE(requests[0]);
  // Pressed inside, released far outside: not accepted.
  at = RowCentre(p, p->GetTitleOffset());
  FanoInputMouseButton(0, TRUE, at.X, at.Y);
  gridtest::Pump();
  FanoInputMouseMove(at.X + 400, at.Y + 300);
  FanoInputMouseButton(0, FALSE, at.X + 400, at.Y + 300);
  gridtest::Pump();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_FALSE(requests[1]);
  HideDropDown(p);
}

// With Ctl3D the popup's frame is one raised edge: light at the top left, dark at the bottom
// right, nothing of the flat grid's sunken border over or inside it.
TEST_F(PopupDataGridTest, WithCtl3DThePopupHasOneRaisedEdge) {
  TPopupDataGridGx* p = MakePopup();
  ASSERT_TRUE(p->Ctl3D());
  RECT wr{};
  GetWindowRect(p->WindowHandle(), &wr);
  HDC dc = GetWindowDC(p->WindowHandle());
  const COLORREF topLeft = GetPixel(dc, 0, 0), bottomRight = GetPixel(dc, wr.right - wr.left - 1, wr.bottom - wr.top - 1);
  ReleaseDC(p->WindowHandle(), dc);
  auto light = [](COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c); };
  EXPECT_GT(light(topLeft), light(bottomRight)) << std::hex << topLeft << " " << bottomRight;
  EXPECT_EQ(p->FlatBorderWidth(), 0);
  TPoint origin = p->ClientToScreen(TPoint(0, 0));
  EXPECT_EQ(origin.X - wr.left, 1);
  HideDropDown(p);
}

// A release on the special row of the pop-up asks to close, taking it.
TEST_F(PopupDataGridTest, AReleaseOnTheSpecialRowAccepts) {
  TPopupDataGridGx* p = MakePopup();
  p->SpecRow()->SetCellsText("(无)");
  p->SpecRow()->SetValue(Variant(0));
  p->SpecRow()->SetVisible(true);
  p->SetKeyValue(Variant(2));
  gridtest::Pump();
  const TPoint at = RowCentre(p, p->GetTitleOffset() - 1);
  FanoInputMouseButton(0, TRUE, at.X, at.Y);
  FanoInputMouseButton(0, FALSE, at.X, at.Y);
  gridtest::Pump();
  EXPECT_EQ(p->FilterEditor(), nullptr);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_TRUE(requests[0]);
  EXPECT_TRUE(p->SpecRow()->Selected());
  EXPECT_EQ(p->KeyValue().AsInteger(), 0);
  HideDropDown(p);
}

// A press and release inside the pop-up but off its rows (its title, the room below the last
// record) changes nothing and asks nothing.
TEST_F(PopupDataGridTest, APressOffTheRowsDoesNothing) {
  TScriptedDialogService dialogs(true);  // an error would be told here
  struct Case {
    const char* name;
    bool titles;
    int rows;
  };
  for (const Case& tc : {Case{"title", true, 4}, Case{"below the records", false, 10}}) {
    SCOPED_TRACE(tc.name);
    TPopupDataGridGx* p = list ? list : MakePopup();
    ShowDropDown(p, form->ClientToScreen(TPoint(10, 120)));
    p->SetShowTitles(tc.titles);
    p->SetRowCountProp(tc.rows);
    p->SetKeyValue(Variant(2));
    gridtest::Pump();
    const TPoint at = tc.titles ? RowCentre(p, 0) : p->ClientToScreen(TPoint(20, p->ClientHeight() - 3));
    ASSERT_FALSE(p->DataAreaContains(p->ScreenToClient(at)));
    FanoInputMouseMove(at.X, at.Y);
    FanoInputMouseButton(0, TRUE, at.X, at.Y);
    FanoInputMouseButton(0, FALSE, at.X, at.Y);
    gridtest::Pump();
    EXPECT_TRUE(requests.empty());
    EXPECT_TRUE(dialogs.Requests().empty());
    EXPECT_EQ(p->KeyValue().AsInteger(), 2);
    EXPECT_TRUE(DropDownShowing(p));
    HideDropDown(p);
  }
}

// The grid's deferred layout message must not be taken for a grip move, nor the other way round.
TEST_F(PopupDataGridTest, TheGripMoveHasItsOwnMessage) {
  TPopupDataGridGx* p = MakePopup();
  p->SizeGrip()->SetPosition(gpBottomRight);
  EXPECT_NE(WM_SIZEGRIPCHANGEPOSITION, TCustomDBGridGx::kDeferredLayoutMessage);
  // A deferred layout (WParam 0, which as a grip move would be "to the left").
  p->DeferLayout();
  PostMessage(p->WindowHandle(), TCustomDBGridGx::kDeferredLayoutMessage, 0, 0);
  gridtest::Pump();
  EXPECT_EQ(p->SizeGrip()->Position(), gpBottomRight);
  p->Perform(WM_SIZEGRIPCHANGEPOSITION, gmToTop, 0);
  EXPECT_EQ(p->SizeGrip()->Position(), gpTopRight);
  p->Perform(WM_SIZEGRIPCHANGEPOSITION, gmToLeft, 0);
  EXPECT_EQ(p->SizeGrip()->Position(), gpTopLeft);
  // Placed above its owner when there is no room below: the grip goes to the top.
  p->SizeGrip()->SetPosition(gpBottomRight);
  const TRect low(10, 1000, 200, 1018);
  AlignDropDownWindowRect(low, p, daLeft);
  EXPECT_EQ(p->SizeGrip()->Position(), gpTopRight);
  HideDropDown(p);
}

TEST_F(LookupGridTest, PublishedPropertiesAreReadFromAResource) {
  form = new TForm(nullptr);
  auto* cities = new TDataSource(form);
  cities->SetName("dsCities");
  cities->SetDataSet(table);
  RegisterDBGridClasses();
  const char* text =
      "object TForm frmCities {\n"
      "  object TDBLookupGridGx lgCities {\n"
      "    ListSource = dsCities\n"
      "    KeyField = \"ID\"\n"
      "    ListField = \"NAME;AMOUNT\"\n"
      "    ListFieldIndex = 1\n"
      "    Options = [dlgRowLinesGx]\n"
      "    SpecRow.CellsText = \"(无);0\"\n"
      "    SpecRow.Visible = true\n"
      "    ColumnDefValues.EndEllipsis = true\n"
      "    ColumnDefValues.ToolTips = true\n"
      "    ColumnDefValues.Title.EndEllipsis = true\n"
      "  }\n"
      "}\n";
  ReadComponentText(form, text);
  auto* g = dynamic_cast<TDBLookupGridGx*>(form->FindComponent("lgCities"));
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->KeyField(), "ID");
  EXPECT_EQ(g->ListSource(), cities);
  ASSERT_TRUE(g->ListActive());
  EXPECT_EQ(g->DisplayField()->FieldName(), "AMOUNT");
  EXPECT_EQ(g->Options(), TDBLookupGridGxOptions{dlgRowLinesGx});
  EXPECT_TRUE(g->DBOptions().Contains(dgRowLines));
  EXPECT_FALSE(g->DBOptions().Contains(dgColLines));
  EXPECT_TRUE(g->SpecRow()->Visible());
  EXPECT_EQ(g->SpecRow()->GetCellText(0), "(无)");
  EXPECT_TRUE(g->ColumnDefValues()->EndEllipsis());
  EXPECT_TRUE(g->ColumnDefValues()->ToolTips());
  EXPECT_TRUE(g->ColumnDefValues()->Title()->EndEllipsis());
  // The column of a lookup grid carries its special-row cell; unassigned, it shows the row's.
  ASSERT_GE(g->Columns()->Count(), 1);
  auto* c = dynamic_cast<TDBLookupGridColumnGx*>(g->Columns()->Items(0));
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->SpecCell()->Text(), "(无)");
  c->SpecCell()->SetText("空");
  EXPECT_EQ(c->SpecCell()->Text(), "空");
  EXPECT_TRUE(c->SpecCell()->TextAssigned());
}

// Moving a grid-built column carries the display field and the special-row texts with it: the
// display column itself (NAME, index 0), or another column onto its place (AMOUNT shown, index 1).
TEST_F(LookupGridTest, MovingAColumnKeepsTheDisplayField) {
  struct Case {
    const char* cells;
    int key;  // 0: the special row
    int index;  // ListFieldIndex before the move
    const char* text;
  };
  for (const Case& tc : {Case{"", 2, 0, "Berlin"}, Case{"(无);0", 2, 0, "Berlin"}, Case{"(无);0", 0, 0, "(无)"},
                         Case{"", 2, 1, "20"}, Case{"(无);0", 0, 1, "0"}}) {
    SCOPED_TRACE(std::string(tc.cells) + " " + std::to_string(tc.key) + " " + std::to_string(tc.index));
    if (form) form->Free();
    TDBLookupGridGx* g = MakeList();
    g->SpecRow()->SetCellsText(tc.cells);
    g->SpecRow()->SetValue(Variant(0));
    g->SpecRow()->SetVisible(true);
    g->SetListFieldIndex(tc.index);
    g->SetKeyValue(Variant(tc.key));
    const std::string shown = tc.index == 0 ? "NAME" : "AMOUNT";
    ASSERT_EQ(g->DisplayText(), tc.text);
    g->MoveColumn(g->IndicatorOffset(), g->IndicatorOffset() + 1);
    EXPECT_EQ(g->ListField(), "AMOUNT;NAME");
    const int now = 1 - tc.index;
    EXPECT_EQ(g->ListFieldIndex(), now);
    ASSERT_NE(g->DisplayField(), nullptr);
    EXPECT_EQ(g->DisplayField()->FieldName(), shown);
    EXPECT_EQ(g->Columns()->Items(now)->FieldName(), shown);
    EXPECT_EQ(g->DisplayText(), tc.text);
    EXPECT_EQ(g->SpecRow()->GetCellText(1), *tc.cells ? "(无)" : "");
  }
}

// Sizing a grid-built column of a lookup grid leaves its field's display width alone.
TEST_F(LookupGridTest, SizingAGridBuiltColumnKeepsTheFieldsDisplayWidth) {
  TDBLookupGridGx* g = MakeList();
  TField* name = table->FieldByName("NAME");
  const int before = name->DisplayWidth();
  TColumnGx* c = g->Columns()->Items(0);
  ASSERT_EQ(c->Field(), name);
  c->SetWidth(150);
  EXPECT_EQ(c->Width(), 150);
  EXPECT_EQ(name->DisplayWidth(), before);
}

// A special-row cell takes the text and colour another one shows, its font only when that one
// has its own.
TEST_F(LookupGridTest, AssigningASpecialRowCellCopiesTextAndColourAndAnOwnFont) {
  TDBLookupGridGx* g = MakeList();
  g->SpecRow()->SetCellsText("(无);0");
  g->SpecRow()->SetColor(clYellow);
  auto* from = static_cast<TDBLookupGridColumnGx*>(g->Columns()->Items(0));
  auto* to = static_cast<TDBLookupGridColumnGx*>(g->Columns()->Items(1));
  ASSERT_EQ(to->SpecCell()->Text(), "0");
  to->SpecCell()->Assign(from->SpecCell());
  EXPECT_EQ(to->SpecCell()->Text(), "(无)");
  EXPECT_TRUE(to->SpecCell()->TextAssigned());
  EXPECT_EQ(to->SpecCell()->Color(), clYellow);
  EXPECT_TRUE(to->SpecCell()->ColorAssigned());
  EXPECT_FALSE(to->SpecCell()->FontAssigned());
  auto own = std::make_unique<TFont>();
  own->SetColor(clRed);
  from->SpecCell()->SetFont(own.get());
  ASSERT_TRUE(from->SpecCell()->FontAssigned());
  to->SpecCell()->Assign(from->SpecCell());
  EXPECT_TRUE(to->SpecCell()->FontAssigned());
  EXPECT_EQ(to->SpecCell()->Font()->Color(), clRed);
}

// A list that is no memory table scrolls through the data link's window; its bar counts records.
TEST_F(LookupGridTest, ABufferedListScrollsByItsOwnBarAndKeepsTheKey) {
  TTestDataSet ds(nullptr);
  TDataSource src(nullptr);
  TDBLookupGridGx* g = MakeBufferedList(ds, src);
  ASSERT_EQ(g->MemTable(), nullptr);
  g->SetKeyValue(Variant(2));
  gridtest::Pump();
  auto bar = [&] {
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    GetScrollInfo(g->WindowHandle(), SB_VERT, &si);
    return si;
  };
  SCROLLINFO si = bar();
  EXPECT_EQ(si.nMin, 0);
  EXPECT_EQ(si.nMax, 19);
  EXPECT_EQ(si.nPage, static_cast<UINT>(g->VisibleRowCount()));
  EXPECT_EQ(si.nPos, 0);
  // A line down shows the record after the last visible one; the key stays and stays current.
  g->Perform(WM_VSCROLL, SB_LINEDOWN, 0);
  gridtest::Pump();
  EXPECT_EQ(g->KeyValue().AsInteger(), 2);
  EXPECT_EQ(ds.FieldByName("ID")->AsInteger(), 2);
  EXPECT_EQ(bar().nPos, 1);
  // A page down leaves the key's record behind: the list rests where it went.
  g->Perform(WM_VSCROLL, SB_PAGEDOWN, 0);
  gridtest::Pump();
  EXPECT_EQ(g->KeyValue().AsInteger(), 2);
  EXPECT_GT(bar().nPos, 1);
  // Thumb tracking goes to the record under the thumb; bottom and top to the ends.
  g->Perform(WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 11), 0);
  gridtest::Pump();
  EXPECT_EQ(ds.RecNo(), 12);
  g->Perform(WM_VSCROLL, SB_BOTTOM, 0);
  gridtest::Pump();
  EXPECT_EQ(ds.RecNo(), 20);
  EXPECT_EQ(bar().nPos, 20 - g->VisibleRowCount());
  g->Perform(WM_VSCROLL, SB_TOP, 0);
  gridtest::Pump();
  EXPECT_EQ(bar().nPos, 0);
  // Back in the window with the key: the key's record is current again.
  EXPECT_EQ(ds.FieldByName("ID")->AsInteger(), 2);
  EXPECT_EQ(g->KeyValue().AsInteger(), 2);
  // The wheel scrolls as a line does; the key stays.
  g->SetFocus();
  for (const int delta : {-120, -120, 120}) {
    const UINT before = bar().nPos;
    uitest::Wheel(g, delta);
    EXPECT_EQ(bar().nPos, delta < 0 ? before + 1 : before - 1);
    EXPECT_EQ(g->KeyValue().AsInteger(), 2);
  }
  g->SetListSource(nullptr);
}

// In a buffered list a key first goes back to the key's row; scrolled out of the buffer, the key's
// record is found again and the key stays.
TEST_F(LookupGridTest, ABufferedListMovesFromTheKeysRow) {
  TTestDataSet ds(nullptr);
  TDataSource src(nullptr);
  TDBLookupGridGx* g = MakeBufferedList(ds, src);
  g->SetKeyValue(Variant(2));
  gridtest::Pump();
  g->Perform(WM_VSCROLL, SB_PAGEDOWN, 0);
  g->Perform(WM_VSCROLL, SB_PAGEDOWN, 0);
  gridtest::Pump();
  ASSERT_GT(ds.FieldByName("ID")->AsInteger(), 5);
  Key(g, VK_DOWN);
  EXPECT_EQ(g->KeyValue().AsInteger(), 2);
  EXPECT_EQ(ds.FieldByName("ID")->AsInteger(), 2);
  Key(g, VK_DOWN);
  EXPECT_EQ(g->KeyValue().AsInteger(), 3);
  // Scrolled a line, the key's row is still buffered: the move goes from it.
  g->Perform(WM_VSCROLL, SB_LINEDOWN, 0);
  gridtest::Pump();
  Key(g, VK_DOWN);
  EXPECT_EQ(g->KeyValue().AsInteger(), 4);
  g->SetListSource(nullptr);
}

// A lookup grid with titles and its special row chosen, written with the real fonts for people to
// look at; a probe checks the special row is painted as chosen.
TEST_F(LookupGridTest, SnapshotWithTheSpecialRowChosen) {
  FanoSetTestFont(FALSE);
  TDBLookupGridGx* g = MakeList(5);
  g->SetShowTitles(true);
  g->Columns()->Items(0)->Title()->SetCaption("城市名称");
  g->SpecRow()->SetCellsText("（全部城市）;");
  g->SpecRow()->SetValue(Variant(0));
  g->SpecRow()->SetVisible(true);
  g->SetKeyValue(Variant(0));
  g->SetFocus();
  gridtest::Pump();
  EXPECT_TRUE(g->SpecRow()->Selected());
  g->Invalidate();
  gridtest::Pump();
  const TRect special = g->CellRect(g->IndicatorOffset(), g->GetTitleOffset() - 1);
  const TPoint probe = g->ClientToScreen(TPoint(special.Right - 4, special.Top + 4));
  EXPECT_EQ(uitest::WindowPixelAt(form, probe), ColorToRGB(clHighlight));
  // The list's current record (the focused grid's current row) is not painted as chosen too.
  const TRect first = g->CellRect(g->IndicatorOffset(), g->GetTitleOffset());
  const TPoint plain = g->ClientToScreen(TPoint(first.Left + (first.Width() * 3) / 4, first.Top + 4));
  EXPECT_EQ(uitest::WindowPixelAt(form, plain), ColorToRGB(clWindow));
  uitest::WriteSnapshot(form, "grid_lookupgrid.png");
  FanoSetTestFont(TRUE);
}

// The chosen special row's frame goes round the whole row, also when the columns do not fit: its
// top runs on to the right edge and a column scrolled out of view takes its side with it.
TEST_F(LookupGridTest, TheSpecialRowsFrameRunsPastColumnsOutOfView) {
  TDBLookupGridGx* g = MakeList(4);
  g->SetListField("ID;NAME;AMOUNT");
  g->SpecRow()->SetCellsText("(无)");
  g->SpecRow()->SetValue(Variant(0));
  g->SpecRow()->SetVisible(true);
  g->SetKeyValue(Variant(0));
  ASSERT_TRUE(g->SpecRow()->Selected());
  const int row = g->GetTitleOffset() - 1;
  // Dots of the frame: pixels of its edge that differ from the highlighted pixel beside them.
  auto dots = [&](int x0, int x1, bool top) {
    g->Invalidate();
    gridtest::Pump();
    const TRect r = g->CellRect(g->IndicatorOffset(), row);
    int n = 0;
    for (int x = x0; x < x1; ++x) {
      const int y = top ? r.Top : r.Bottom - 1;
      n += uitest::PixelOf(g, x, y) != uitest::PixelOf(g, x, top ? y + 1 : y - 1);
    }
    return n;
  };
  const int w = g->ClientWidth();
  for (int width : {60, 150}) {
    SCOPED_TRACE(width);
    for (int i = 0; i < 3; ++i) g->Columns()->Items(i)->SetWidth(width);
    const int end = std::min(w, g->CellRect(g->ColCount() - 1, row).IsEmpty() ? w : g->CellRect(g->ColCount() - 1, row).Right);
    EXPECT_GT(dots(end - 20, end - 1, true), 4);
    EXPECT_GT(dots(end - 20, end - 1, false), 4);
  }
  // Scrolled to the last column, the first ones are out of view on the left: the top runs from 0.
  g->SetLeftCol(g->ColCount() - 1);
  EXPECT_GT(dots(1, 20, true), 4);
}

// With the special row chosen in a focused grid, the list's current record shows no focus frame:
// only the chosen row looks chosen.
TEST_F(LookupGridTest, TheChosenSpecialRowAloneCarriesTheFocusFrame) {
  TDBLookupGridGx* g = MakeList(4);
  g->SpecRow()->SetCellsText("(无)");
  g->SpecRow()->SetValue(Variant(0));
  g->SpecRow()->SetVisible(true);
  g->SetKeyValue(Variant(1));
  Key(g, VK_UP);  // the first record up to the special row
  ASSERT_TRUE(g->Focused());
  ASSERT_TRUE(g->SpecRow()->Selected());
  gridtest::Pump();
  auto pixel = [&](int x, int y) { return uitest::WindowPixelAt(form, g->ClientToScreen(TPoint(x, y))); };
  auto framed = [&](const TRect& row, TColor background) {
    int marks = 0;
    for (int x = row.Left + 2; x < row.Left + 40; ++x) {
      if (pixel(x, row.Top) != ColorToRGB(background)) ++marks;
      if (pixel(x, row.Bottom - 1) != ColorToRGB(background)) ++marks;
    }
    return marks;
  };
  const TRect first = g->CellRect(g->IndicatorOffset(), g->GetTitleOffset());
  ASSERT_EQ(g->Row(), g->GetTitleOffset());  // the list still stands on its first record
  EXPECT_EQ(framed(first, clWindow), 0);
  // The special row has its frame (dotted over the highlight).
  const TRect special = g->CellRect(g->IndicatorOffset(), g->GetTitleOffset() - 1);
  int dots = 0;
  for (int x = special.Left + 2; x < special.Left + 40; ++x)
    if (pixel(x, special.Top) != ColorToRGB(clHighlight)) ++dots;
  EXPECT_GT(dots, 0);
  // Back on a record, that record's row is framed again.
  Key(g, VK_DOWN);
  ASSERT_FALSE(g->SpecRow()->Selected());
  gridtest::Pump();
  const TRect current = g->CellRect(g->IndicatorOffset(), g->Row());
  EXPECT_GT(framed(current, clHighlight), 0);  // dotted over the marked record
}

}  // namespace
