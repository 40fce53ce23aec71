// The data grid's in-place editor: edit styles per column, the button strip and text rectangle,
// completion of typed and pasted text against pick lists, key lists and lookups, the keys it hands
// to the grid, and the up-down step.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "dbgrid_test_util.h"
#include "grid/dbgrid_inplace.h"
#include "grid/lookupgrid.h"
#include "platform/forms/clipbrd.h"
#include "platform/forms/menus.h"
#include "platform/forms/stdctrls.h"

using namespace dbgridtest;

namespace {

// A table with a date, a lookup and a code field beside the fixture's, over a list of cities.
class DBGridInplaceTest : public DocsGridTest {
 protected:
  void SetUp() override {
    DBGridTest::SetUp();
    cities = MakeCities({"北京", "Berlin", "Bern", "上海"});
    docs = std::make_unique<TMemTableGx>(nullptr);
    docs->FieldDefs().Add("ID", ftInteger);
    docs->FieldDefs().Add("DAY", ftDate);
    docs->FieldDefs().Add("CITY", ftInteger);
    docs->FieldDefs().Add("CODE", ftString, 4);
    docs->FieldDefs().Add("QTY", ftInteger);
    CreateWithLookup(*docs, "CITYNAME", "CITY", cities.get(), "CID", "CNAME");
    for (int i = 1; i <= 3; ++i) {
      docs->Append();
      docs->FieldByName("ID")->SetAsInteger(i);
      docs->FieldByName("CITY")->SetAsInteger(1);
      docs->FieldByName("CODE")->SetAsString("A");
      docs->FieldByName("QTY")->SetAsInteger(10 * i);
      docs->Post();
    }
    docs->First();
    docSource = std::make_unique<TDataSource>(nullptr);
    docSource->SetDataSet(docs.get());
  }
  // CODE as a key-list column: Alfa stores A, Bravo stores B.
  TColumnGx* AddKeyListCode() {
    TColumnGx* code = AddColumn("CODE");
    code->PickList()->Add("Alfa");
    code->PickList()->Add("Bravo");
    code->KeyList()->Add("A");
    code->KeyList()->Add("B");
    return code;
  }
};

}  // namespace

TEST_F(DBGridInplaceTest, EditStylePerColumn) {
  MakeGrid();
  TColumnGx* id = AddColumn("ID");
  TColumnGx* day = AddColumn("DAY");
  TColumnGx* city = AddColumn("CITYNAME");
  TColumnGx* code = AddColumn("CODE");
  TColumnGx* none = grid->Columns()->Add();
  BindDocs();
  EXPECT_EQ(GetColumnEditStyle(id), esSimple);
  EXPECT_EQ(GetColumnEditStyle(day), esDateCalendar);
  EXPECT_EQ(GetColumnEditStyle(city), esDataList);
  EXPECT_EQ(GetColumnEditStyle(none), esSimple);
  // The button style decides first.
  id->SetButtonStyle(cbsEllipsis);
  EXPECT_EQ(GetColumnEditStyle(id), esEllipsis);
  id->SetButtonStyle(cbsUpDown);
  EXPECT_EQ(GetColumnEditStyle(id), esUpDown);
  id->SetButtonStyle(cbsDropDown);
  EXPECT_EQ(GetColumnEditStyle(id), esDropDown);
  day->SetButtonStyle(cbsNone);
  EXPECT_EQ(GetColumnEditStyle(day), esSimple);
  day->SetButtonStyle(cbsAuto);
  // A date column with a pick list shows the pick list; read-only columns show neither.
  day->PickList()->Add("2026-01-01");
  EXPECT_EQ(GetColumnEditStyle(day), esPickList);
  day->SetReadOnly(true);
  EXPECT_EQ(GetColumnEditStyle(day), esSimple);
  code->PickList()->Add("Alpha");
  EXPECT_EQ(GetColumnEditStyle(code), esPickList);
  // A lookup over a read-only grid or an inactive link edits as plain text.
  grid->SetReadOnly(true);
  EXPECT_EQ(GetColumnEditStyle(city), esSimple);
  grid->SetReadOnly(false);
  city->SetReadOnly(true);
  EXPECT_EQ(GetColumnEditStyle(city), esSimple);
  city->SetReadOnly(false);
  docSource->SetEnabled(false);
  EXPECT_EQ(GetColumnEditStyle(city), esSimple);
  docSource->SetEnabled(true);
  EXPECT_EQ(GetColumnEditStyle(city), esDataList);
}

TEST_F(DBGridInplaceTest, TheButtonRoomFollowsTheEditStyle) {
  MakeGrid(500);
  TColumnGx* id = AddColumn("ID");
  TColumnGx* day = AddColumn("DAY");
  TColumnGx* flag = AddColumn("QTY");
  TColumnGx* code = AddColumn("CODE");
  flag->KeyList()->Add("10");
  flag->KeyList()->Add("20");
  flag->SetCheckboxes(true);
  code->PickList()->Add("A");
  code->SetReadOnly(true);
  for (TColumnGx* c : {id, day, flag, code}) c->SetAlwaysShowEditButton(true);
  BindDocs();
  ASSERT_EQ(flag->GetColumnType(), ckCheckbox);
  const int button = GetSystemMetrics(SM_CXVSCROLL);
  // A date has its calendar button; a check box and a read-only pick list have none.
  const struct {
    TColumnGx* column;
    int width;
  } cases[] = {{id, 0}, {day, button}, {flag, 0}, {code, 0}};
  for (const auto& c : cases) {
    EXPECT_EQ(c.column->GetEditButtonsWidth(), c.width) << c.column->FieldName();
    // The painter draws a button exactly where there is room for one.
    const TRect cell = grid->CellRect(grid->DataToRawColumn(c.column->Index()), grid->Row());
    HDC dc = FanoCreateRecordingDC(grid->ClientWidth(), grid->ClientHeight());
    PaintWithCanvas(grid->Canvas(), dc, [&] { grid->Paint(); });
    int buttons = 0;
    for (const FANO_DRAW_RECORD& r : uitest::Records(dc)) {
      const std::string call = r.call;
      // A button is a picture put at the cell's right end.
      if (call == "StretchBlt" && r.argCount >= 4 && r.args[0] + r.args[2] == cell.Right && r.args[1] >= cell.Top &&
          r.args[1] < cell.Bottom)
        ++buttons;
    }
    DeleteDC(dc);
    EXPECT_EQ(buttons, c.width > 0 ? 1 : 0) << c.column->FieldName();
  }
}

TEST_F(DBGridInplaceTest, LoadingShowsTheStyleButtonAndNarrowsTheTextRectangle) {
  MakeGrid(500);
  TColumnGx* id = AddColumn("ID");
  TColumnGx* day = AddColumn("DAY");
  id->SetWidth(80);
  day->SetWidth(100);
  BindDocs();
  TDBGridInplaceEdit* ed = OpenEditorAt(id);
  ASSERT_NE(ed, nullptr);
  ASSERT_TRUE(grid->IsEditorVisible());
  EXPECT_EQ(ed->EditStyle(), esSimple);
  EXPECT_EQ(ed->ButtonsWidth(), 0);
  EXPECT_FALSE(ed->EditButtonControl(0)->Visible());
  EXPECT_EQ(ed->Text(), "1");
  TRect r = ed->GetEditRect();
  EXPECT_EQ(r.Left, 2);
  EXPECT_EQ(r.Right, ed->Width() - 2);

  ed = OpenEditorAt(day);
  EXPECT_EQ(ed->EditStyle(), esDateCalendar);
  ASSERT_TRUE(ed->EditButtonControl(0)->Visible());
  EXPECT_EQ(ed->EditButtonControl(0)->Style(), ebsDropDownGx);
  const int bw = GetSystemMetrics(SM_CXVSCROLL);
  EXPECT_EQ(ed->ButtonsWidth(), bw);
  EXPECT_EQ(ed->EditButtonControl(0)->Left(), ed->Width() - bw);
  r = ed->GetEditRect();
  EXPECT_EQ(r.Right, ed->Width() - 2 - bw);

  // A column button takes the right edge, the style button moves left of it.
  TEditButtonGx* extra = day->EditButtons()->Add();
  extra->SetVisible(true);
  extra->SetStyle(ebsEllipsisGx);
  extra->SetWidth(12);
  grid->SetCol(grid->DataToRawColumn(0));
  ed = OpenEditorAt(day);
  ASSERT_EQ(ed->EditButtonCount(), 2);
  EXPECT_EQ(ed->EditButtonControl(1)->Width(), 12);
  EXPECT_EQ(ed->EditButtonControl(1)->Left(), ed->Width() - 12);
  EXPECT_EQ(ed->EditButtonControl(0)->Left(), ed->Width() - 12 - bw);
  EXPECT_FALSE(ed->EditButtonSeparator(0)->Visible());  // separators only when flat
  EXPECT_EQ(ed->ButtonsWidth(), bw + 12);
}

TEST_F(DBGridInplaceTest, TypingCompletesAgainstAPickList) {
  MakeGrid();
  AddColumn("ID");
  TColumnGx* code = AddColumn("CODE");
  code->PickList()->Add("Alfa");
  code->PickList()->Add("Bravo");
  code->PickList()->Add("Bolt");
  BindDocs();
  TDBGridInplaceEdit* ed = OpenEditorAt(code);
  ASSERT_EQ(ed->EditStyle(), esPickList);
  ed->SelectAll();
  Type("b");
  EXPECT_EQ(ed->Text(), "Bravo");
  EXPECT_EQ(ed->SelStart(), 1);
  EXPECT_EQ(ed->SelLength(), 4);
  Type("o");
  EXPECT_EQ(ed->Text(), "Bolt");
  EXPECT_EQ(ed->SelText(), "lt");
  // An unmatched character is typed normally on a plain pick list.
  Type("x");
  EXPECT_EQ(ed->Text(), "Box");
  Key(VK_DOWN);  // leaving the row writes the text
  docs->First();
  EXPECT_EQ(docs->FieldByName("CODE")->AsString(), "Box");
}

TEST_F(DBGridInplaceTest, AKeyListColumnTakesOnlyItsEntriesUnlessNotInListIsAssigned) {
  MakeGrid();
  AddColumn("ID");
  TColumnGx* code = AddKeyListCode();
  BindDocs();
  ASSERT_EQ(code->GetColumnType(), ckKeyList);
  TDBGridInplaceEdit* ed = OpenEditorAt(code);
  EXPECT_EQ(ed->Text(), "Alfa");
  ed->SelectAll();
  Type("z");
  EXPECT_EQ(ed->Text(), "Alfa");  // nothing typed
  Type("b");
  EXPECT_EQ(ed->Text(), "Bravo");
  ASSERT_TRUE(grid->EditValuePending());
  EXPECT_EQ(grid->EditValue().AsString(), "B");
  Key(VK_DOWN);
  docs->First();
  EXPECT_EQ(docs->FieldByName("CODE")->AsString(), "B");

  // With OnNotInList the text stays as typed and the value is empty.
  code->OnNotInList = [](TObject*, const std::string&, bool&) {};
  docs->First();
  ed = OpenEditorAt(code);
  ed->SelectAll();
  Type("q");
  EXPECT_EQ(ed->Text(), "q");
  EXPECT_TRUE(grid->EditValue().IsNull());
}

TEST_F(DBGridInplaceTest, TypingAndDeletingInALookupColumn) {
  MakeGrid();
  AddColumn("ID");
  TColumnGx* city = AddColumn("CITYNAME");
  BindDocs();
  TDBGridInplaceEdit* ed = OpenEditorAt(city);
  ASSERT_EQ(ed->EditStyle(), esDataList);
  EXPECT_EQ(ed->Text(), "北京");
  ed->SelectAll();
  Type("be");
  EXPECT_EQ(ed->Text(), "Berlin");
  EXPECT_EQ(ed->SelText(), "rlin");
  Type("rn");
  EXPECT_EQ(ed->Text(), "Bern");
  EXPECT_EQ(grid->EditValue().AsInteger(), 3);
  // Backspace is swallowed, not a partial text.
  Key(VK_BACK);
  EXPECT_EQ(ed->Text(), "Bern");
  Key(VK_DOWN);
  docs->First();
  EXPECT_EQ(docs->FieldByName("CITY")->AsInteger(), 3);
  EXPECT_EQ(docs->FieldByName("CITYNAME")->AsString(), "Bern");

  // Delete over the whole text empties the key.
  docs->First();
  ed = OpenEditorAt(city);
  ed->SelectAll();
  Key(VK_DELETE);
  EXPECT_EQ(ed->Text(), "");
  Key(VK_DOWN);
  docs->First();
  EXPECT_TRUE(docs->FieldByName("CITY")->IsNull());
}

TEST_F(DBGridInplaceTest, TheSpecialRowShortcutWritesItsValue) {
  MakeGrid();
  TColumnGx* city = AddColumn("CITYNAME");
  city->DropDownSpecRow()->SetCellsText("(无)");
  city->DropDownSpecRow()->SetValue(Variant(4));
  city->DropDownSpecRow()->SetVisible(true);
  BindDocs();
  TDBGridInplaceEdit* ed = OpenEditorAt(city);
  Key(VK_DELETE, false, false);  // plain Del: nothing selected partially without OnNotInList
  FanoInputKey(VK_MENU, TRUE);
  Key(VK_DELETE);
  FanoInputKey(VK_MENU, FALSE);
  gridtest::Pump();
  EXPECT_EQ(ed->Text(), "(无)");
  EXPECT_EQ(grid->EditValue().AsInteger(), 4);
}

TEST_F(DBGridInplaceTest, PastingIntoAKeyListColumnIsChecked) {
  MakeGrid();
  TColumnGx* code = AddKeyListCode();
  BindDocs();
  TDBGridInplaceEdit* ed = OpenEditorAt(code);
  ed->SelectAll();
  Clipboard()->SetAsText("nothing");
  ed->Perform(WM_PASTE, 0, 0);
  EXPECT_EQ(ed->Text(), "Alfa");
  Clipboard()->SetAsText("br");
  ed->Perform(WM_PASTE, 0, 0);
  EXPECT_EQ(ed->Text(), "Bravo");
  EXPECT_EQ(ed->SelText(), "avo");
  EXPECT_EQ(grid->EditValue().AsString(), "B");
  // A read-only column takes no paste at all.
  code->SetReadOnly(true);
  ed->SelectAll();
  Clipboard()->SetAsText("Al");
  ed->Perform(WM_PASTE, 0, 0);
  EXPECT_EQ(ed->Text(), "Bravo");
}

// Cutting from a key-list column removes only what Delete would: a part of an entry stays put
// (and the stored key with it) unless OnNotInList is assigned.
TEST_F(DBGridInplaceTest, CuttingFromAKeyListColumnRemovesAsDeleteDoes) {
  MakeGrid();
  AddColumn("ID");
  TColumnGx* code = AddKeyListCode();
  BindDocs();
  struct Case {
    bool notInList;
    int selStart, selLength;
    const char* text;  // after the cut
    const char* clipboard;
    const char* stored;  // nullptr: empty
  };
  const Case cases[] = {
      {false, 2, 2, "Alfa", "-", "A"},
      {true, 2, 2, "Al", "fa", nullptr},
      {false, 0, 4, "", "Alfa", nullptr},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.text);
    code->OnNotInList = nullptr;
    if (k.notInList) code->OnNotInList = [](TObject*, const std::string&, bool&) {};
    grid->SetEditorMode(false);
    docs->First();
    docs->Edit();
    docs->FieldByName("CODE")->SetAsString("A");
    docs->Post();
    Clipboard()->SetAsText("-");
    TDBGridInplaceEdit* ed = OpenEditorAt(code);
    ASSERT_EQ(ed->Text(), "Alfa");
    ed->SetSelStart(k.selStart);
    ed->SetSelLength(k.selLength);
    Key('X', false, true);
    EXPECT_EQ(ed->Text(), k.text);
    EXPECT_EQ(Clipboard()->AsText(), k.clipboard);
    Key(VK_DOWN);
    docs->First();
    if (k.stored) EXPECT_EQ(docs->FieldByName("CODE")->AsString(), k.stored);
    else EXPECT_TRUE(docs->FieldByName("CODE")->IsNull());
  }
}

TEST_F(DBGridInplaceTest, CtrlEnterOnAnEllipsisColumnClicksAndInsertsNoLineBreak) {
  MakeGrid();
  TColumnGx* code = AddColumn("CODE");
  code->SetButtonStyle(cbsEllipsis);
  int gridClicks = 0, columnClicks = 0;
  grid->OnEditButtonClick = [&](TObject*) { ++gridClicks; };
  code->OnEditButtonClick = [&](TObject*, bool&) { ++columnClicks; };
  BindDocs();
  TDBGridInplaceEdit* ed = OpenEditorAt(code);
  ASSERT_EQ(ed->EditStyle(), esEllipsis);
  Key(VK_RETURN, false, true);
  EXPECT_EQ(gridClicks, 1);
  EXPECT_EQ(ed->Text(), "A");
  // The button's click reaches the grid and the column.
  ed->EditButtonClick(ed->EditButtonControl(0));
  EXPECT_EQ(gridClicks, 2);
  EXPECT_EQ(columnClicks, 1);
}

TEST_F(DBGridInplaceTest, UpDownStepsByTheIncrement) {
  MakeGrid();
  TColumnGx* qty = AddColumn("QTY");
  qty->SetButtonStyle(cbsUpDown);
  qty->SetIncrement(5);
  TColumnGx* code = AddColumn("CODE");
  code->SetButtonStyle(cbsUpDown);
  code->PickList()->Add("A");
  code->PickList()->Add("B");
  code->PickList()->Add("C");
  BindDocs();
  TDBGridInplaceEdit* ed = OpenEditorAt(qty);
  ASSERT_EQ(ed->EditStyle(), esUpDown);
  ed->ButtonDown(false);  // upper half
  EXPECT_EQ(docs->FieldByName("QTY")->AsInteger(), 15);
  EXPECT_EQ(ed->Text(), "15");
  ed->ButtonDown(true);
  ed->ButtonDown(true);
  EXPECT_EQ(docs->FieldByName("QTY")->AsInteger(), 5);
  docs->Post();
  // On a pick-list column the upper half goes to the previous entry.
  docs->FieldByName("CODE");
  docs->Edit();
  docs->FieldByName("CODE")->SetAsString("B");
  docs->Post();
  ed = OpenEditorAt(code);
  ed->ButtonDown(false);
  EXPECT_EQ(docs->FieldByName("CODE")->AsString(), "A");
}

TEST_F(DBGridInplaceTest, EnterAsTabAndTheSearchKeyGoToTheGrid) {
  MakeGrid();
  TColumnGx* id = AddColumn("ID");
  AddColumn("CODE");
  BindDocs();
  grid->SetOptionsGx(grid->OptionsGx() + dghEnterAsTab + dghIncSearch);
  TDBGridInplaceEdit* ed = OpenEditorAt(id);
  ASSERT_TRUE(grid->IsEditorVisible());
  (void)ed;
  Key(VK_RETURN);
  EXPECT_EQ(grid->Col(), grid->DataToRawColumn(1));
  grid->SetEditorMode(true);
  gridtest::Pump();
  ASSERT_TRUE(grid->IsEditorVisible());
  Key('F', false, true);
  EXPECT_TRUE(grid->InplaceSearching());
  EXPECT_FALSE(grid->IsEditorVisible());
}

// The document lines are typed this way: Enter steps to the next column, Down at the last line
// appends the next one; a word-wrapping column must not keep Down in the editor.
TEST_F(DBGridInplaceTest, LinesTypedWithEnterAsTabAndDownAppending) {
  MakeGrid(500, 240);
  AddColumn("ID");
  AddColumn("AMOUNT");
  TColumnGx* name = AddColumn("NAME");
  name->SetWordWrap(true);
  Bind();
  grid->SetOptionsGx(grid->OptionsGx() + dghEnterAsTab);
  grid->SetFocus();
  gridtest::Pump();
  table->Append();
  gridtest::Pump();
  grid->SetCol(grid->DataToRawColumn(0));
  Key(VK_RETURN);
  Type("12.5");
  Key(VK_RETURN);
  Type("第一行");
  Key(VK_DOWN);
  Key(VK_HOME);
  Key(VK_RETURN);
  Type("7.25");
  Key(VK_RETURN);
  Type("第二行");
  Key(VK_RETURN);  // past the last column: the next line
  EXPECT_EQ(table->State(), dsInsert);
  table->Cancel();
  ASSERT_EQ(table->RecordCount(), 2);
  table->First();
  EXPECT_EQ(table->FieldByName("AMOUNT")->AsFloat(), 12.5);
  EXPECT_EQ(table->FieldByName("NAME")->AsString(), "第一行");
  table->Next();
  EXPECT_EQ(table->FieldByName("AMOUNT")->AsFloat(), 7.25);
  EXPECT_EQ(table->FieldByName("NAME")->AsString(), "第二行");
}

TEST_F(DBGridInplaceTest, ThePickListDropsDownAndClosesWithAcceptOrCancel) {
  MakeGrid();
  AddColumn("ID");
  TColumnGx* code = AddColumn("CODE");
  code->PickList()->Add("Alfa");
  code->PickList()->Add("Beta");
  code->PickList()->Add("Cat");
  code->SetDropDownRows(2);
  BindDocs();
  TDBGridInplaceEdit* ed = OpenEditorAt(code);
  ASSERT_EQ(ed->EditStyle(), esPickList);
  // The style button opens the list, sized by the column.
  ed->ButtonDown(false);
  ASSERT_TRUE(ed->ListVisible());
  auto* list = static_cast<TPopupListboxGx*>(ed->ActiveList());
  ASSERT_NE(list, nullptr);
  EXPECT_TRUE(list->Visible());
  EXPECT_EQ(list->Items()->Count(), 3);
  EXPECT_EQ(list->RowCount(), 2);
  // As wide as the editor, or as the widest entry where the cell is narrower.
  TMeasureCanvas measure;
  measure.Canvas()->Font()->Assign(ed->Font());
  const int needed = list->Width() - list->ClientWidth() + measure.Canvas()->TextWidth("Alfa") + 4;
  EXPECT_EQ(list->Width(), std::max(ed->Width(), needed));
  EXPECT_EQ(list->ItemIndex(), -1);  // "A" is no entry
  // Down moves in the list, Esc leaves the value alone and keeps the focus in the grid.
  Key(VK_DOWN);
  Key(VK_DOWN);
  EXPECT_EQ(list->ItemIndex(), 1);
  Key(VK_ESCAPE);
  EXPECT_FALSE(ed->ListVisible());
  EXPECT_FALSE(list->Visible());
  EXPECT_EQ(ed->Text(), "A");
  EXPECT_TRUE(grid->GridFocused());
  EXPECT_TRUE(grid->IsEditorVisible());
  EXPECT_EQ(docs->State(), dsBrowse);
  // Alt+Down opens it again; Enter takes the item.
  FanoInputKey(VK_MENU, TRUE);
  Key(VK_DOWN);
  FanoInputKey(VK_MENU, FALSE);
  gridtest::Pump();
  ASSERT_TRUE(ed->ListVisible());
  Key(VK_DOWN);
  Key(VK_DOWN);
  Key(VK_RETURN);
  EXPECT_FALSE(ed->ListVisible());
  EXPECT_EQ(ed->Text(), "Beta");
  EXPECT_TRUE(grid->GridFocused());
  EXPECT_EQ(grid->Col(), grid->DataToRawColumn(1));  // Enter went to the list, not to the grid
  Key(VK_DOWN);
  docs->First();
  EXPECT_EQ(docs->FieldByName("CODE")->AsString(), "Beta");
}

// A cell made read-only by its parameters is read-only alone: the next cell is as its column is.
TEST_F(DBGridInplaceTest, ReadOnlyFromCellParamsEndsWithTheCell) {
  MakeGrid();
  TColumnGx* id = AddColumn("ID");
  TColumnGx* code = AddColumn("CODE");
  TColumnGx* qty = AddColumn("QTY");
  qty->SetReadOnly(true);
  id->OnGetCellParams = [](TObject*, bool editMode, TColCellParamsGx* p) {
    if (editMode) p->ReadOnly = true;
  };
  BindDocs();
  struct Step {
    TColumnGx* column;
    bool readOnly, byCellParams;
  };
  for (const Step& s : {Step{id, true, true}, Step{code, false, false}, Step{id, true, true}, Step{qty, true, false},
                        Step{code, false, false}}) {
    SCOPED_TRACE(s.column->FieldName());
    TDBGridInplaceEdit* ed = OpenEditorAt(s.column);
    ASSERT_NE(ed, nullptr);
    EXPECT_EQ(ed->ReadOnly(), s.readOnly);
    EXPECT_EQ(ed->ReadOnlyByCellParams(), s.byCellParams);
  }
  // The last cell takes typing.
  TDBGridInplaceEdit* ed = OpenEditorAt(code);
  ed->SelectAll();
  Type("Z");
  EXPECT_EQ(ed->Text(), "Z");
}

// A lookup cell made read-only by its parameters takes no paste, Delete, Backspace or special-row
// key, although its column could be changed.
TEST_F(DBGridInplaceTest, AReadOnlyLookupCellKeepsItsKey) {
  MakeGrid();
  AddColumn("ID");
  TColumnGx* city = AddColumn("CITYNAME");
  city->DropDownSpecRow()->SetCellsText("(无)");
  city->DropDownSpecRow()->SetVisible(true);
  city->OnNotInList = [](TObject*, const std::string&, bool&) {};
  city->OnGetCellParams = [](TObject*, bool editMode, TColCellParamsGx* p) {
    if (editMode) p->ReadOnly = true;
  };
  BindDocs();
  struct Case {
    const char* name;
    std::function<void(TDBGridInplaceEdit*)> act;
  };
  const Case cases[] = {
      {"paste", [](TDBGridInplaceEdit* ed) {
         Clipboard()->SetAsText("be");
         ed->Perform(WM_PASTE, 0, 0);
       }},
      {"delete", [this](TDBGridInplaceEdit*) { Key(VK_DELETE); }},
      {"backspace", [this](TDBGridInplaceEdit* ed) {
         ed->SetSelStart(2);
         ed->SetSelLength(0);
         Key(VK_BACK);
       }},
      {"special row", [](TDBGridInplaceEdit*) {
         FanoInputKey(VK_MENU, TRUE);
         uitest::KeyPress(VK_DELETE, false, false);
         FanoInputKey(VK_MENU, FALSE);
         gridtest::Pump();
       }},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    TDBGridInplaceEdit* ed = OpenEditorAt(city);
    ASSERT_TRUE(ed->ReadOnly());
    ed->SelectAll();
    k.act(ed);
    EXPECT_EQ(ed->Text(), "北京");
    EXPECT_EQ(docs->State(), dsBrowse);
    Key(VK_DOWN);
    docs->First();
    EXPECT_EQ(docs->FieldByName("CITY")->AsInteger(), 1);
    grid->SetEditorMode(false);
  }
}

// Nor does such a cell step its value, by the up-down button or by a double click.
TEST_F(DBGridInplaceTest, AReadOnlyCellDoesNotStep) {
  MakeGrid();
  TColumnGx* qty = AddColumn("QTY");
  qty->SetButtonStyle(cbsUpDown);
  TColumnGx* code = AddColumn("CODE");
  code->PickList()->Add("A");
  code->PickList()->Add("B");
  code->SetDblClickNextVal(true);
  auto readOnly = [](TObject*, bool editMode, TColCellParamsGx* p) {
    if (editMode) p->ReadOnly = true;
  };
  qty->OnGetCellParams = readOnly;
  code->OnGetCellParams = readOnly;
  BindDocs();
  TDBGridInplaceEdit* ed = OpenEditorAt(qty);
  ASSERT_TRUE(ed->ReadOnly());
  ed->ButtonDown(false);
  EXPECT_EQ(ed->Text(), "10");
  EXPECT_EQ(docs->FieldByName("QTY")->AsInteger(), 10);
  ed = OpenEditorAt(code);
  ASSERT_TRUE(ed->ReadOnly());
  const TRect text = ed->GetEditRect();
  const TPoint p = ed->ClientToScreen(TPoint(text.Left + 3, ed->ClientHeight() / 2));
  FanoInputMouseMove(p.X, p.Y);
  for (int i = 0; i < 2; ++i) {
    FanoInputMouseButton(0, TRUE, p.X, p.Y);
    FanoInputMouseButton(0, FALSE, p.X, p.Y);
  }
  gridtest::Pump();
  EXPECT_EQ(ed->Text(), "A");
  EXPECT_EQ(docs->FieldByName("CODE")->AsString(), "A");
  EXPECT_EQ(docs->State(), dsBrowse);
}

// A column button with a drop-down menu pops it up under its left edge after its OnDown, unless
// that handled the press.
TEST_F(DBGridInplaceTest, AColumnButtonPopsUpItsDropdownMenu) {
  MakeGrid();
  TColumnGx* code = AddColumn("CODE");
  TEditButtonGx* extra = code->EditButtons()->Add();
  extra->SetVisible(true);
  extra->SetWidth(14);
  auto* menu = new TPopupMenu(form);
  auto* item = new TMenuItem(menu);
  item->SetCaption("一");
  menu->Items()->Add(item);
  extra->SetDropdownMenu(menu);
  BindDocs();
  for (bool handledByOnDown : {false, true}) {
    SCOPED_TRACE(handledByOnDown);
    std::string order;
    extra->OnDown = [&](TObject*, bool, bool&, bool& handled) {
      order += "down;";
      handled = handledByOnDown;
    };
    menu->OnPopup = [&](TObject*) { order += "menu;"; };
    TDBGridInplaceEdit* ed = OpenEditorAt(code);
    TEditButtonControlGx* button = ed->EditButtonControl(1);
    const TPoint at = button->ClientToScreen(TPoint(button->Width() / 2, button->Height() / 2));
    const bool shown = uitest::WithMenu(
        [&] {
          FanoInputMouseButton(0, TRUE, at.X, at.Y);
          gridtest::Pump();
        },
        [&] {
          EXPECT_EQ(menu->PopupPoint(), button->ClientToScreen(TPoint(0, button->Height())));
          // Let go, then press the button again: the press closes the menu and opens no other.
          FanoInputMouseButton(0, FALSE, at.X, at.Y);
          FanoInputMouseButton(0, TRUE, at.X, at.Y);
        });
    EXPECT_EQ(shown, !handledByOnDown);
    FanoInputMouseButton(0, FALSE, at.X, at.Y);
    gridtest::Pump();
    EXPECT_EQ(order, handledByOnDown ? "down;" : "down;menu;");
    EXPECT_FALSE(menu->IsShowing());
    EXPECT_FALSE(button->Down());
  }
}

// A column button's shortcut presses and clicks it as the mouse does: a drop-down menu opens too.
TEST_F(DBGridInplaceTest, AColumnButtonsShortCutPressesAndClicksIt) {
  MakeGrid();
  TColumnGx* code = AddColumn("CODE");
  TEditButtonGx* extra = code->EditButtons()->Add();
  extra->SetVisible(true);
  extra->SetShortCut(ShortCut('K', TShiftState{ssCtrl}));
  auto* menu = new TPopupMenu(form);
  auto* item = new TMenuItem(menu);
  item->SetCaption("一");
  menu->Items()->Add(item);
  BindDocs();
  std::string order;
  extra->OnDown = [&](TObject*, bool, bool&, bool&) { order += "down;"; };
  extra->OnClick = [&](TObject*, bool&) { order += "click;"; };
  menu->OnPopup = [&](TObject*) { order += "menu;"; };
  for (bool withMenu : {false, true}) {
    SCOPED_TRACE(withMenu);
    extra->SetDropdownMenu(withMenu ? menu : nullptr);
    order.clear();
    TDBGridInplaceEdit* ed = OpenEditorAt(code);
    ASSERT_EQ(ed->EditButtonCount(), 2);
    const bool shown = uitest::WithMenu([&] { Key('K', false, true); }, [] {});
    EXPECT_EQ(shown, withMenu);
    EXPECT_EQ(order, withMenu ? "down;menu;click;" : "down;click;");
    EXPECT_EQ(ed->Text(), "A");  // no letter typed
  }
}

// An editor shown before the grid had data shows the field's text once the data source comes.
TEST_F(DBGridInplaceTest, AnEditorAlwaysShownTakesTheTextOfTheBoundRecord) {
  MakeGrid();
  AddColumn("CODE");
  AddColumn("QTY");
  grid->SetDBOptions(grid->DBOptions() + dgAlwaysShowEditor);
  grid->SetFocus();
  gridtest::Pump();
  BindDocs();
  ASSERT_TRUE(grid->IsEditorVisible());
  EXPECT_EQ(grid->InplaceEditor()->Text(), "A");
  grid->SetCol(grid->DataToRawColumn(1));
  gridtest::Pump();
  EXPECT_EQ(grid->InplaceEditor()->Text(), "10");
}

// Moving onto a cell readies the list of its style before anything drops down.
TEST_F(DBGridInplaceTest, TheStyleBringsItsListAlong) {
  MakeGrid();
  TColumnGx* id = AddColumn("ID");
  TColumnGx* day = AddColumn("DAY");
  TColumnGx* city = AddColumn("CITYNAME");
  TColumnGx* code = AddColumn("CODE");
  code->PickList()->SetText("A\nB");
  BindDocs();
  for (TColumnGx* column : {day, city, code, id}) {
    SCOPED_TRACE(column->FieldName());
    TDBGridInplaceEdit* ed = OpenEditorAt(column);
    ASSERT_FALSE(ed->ListVisible());
    switch (ed->EditStyle()) {
      case esDateCalendar: EXPECT_EQ(ed->ActiveList(), static_cast<TWinControl*>(ed->PopupCalendar())); break;
      case esDataList: EXPECT_EQ(ed->ActiveList(), static_cast<TWinControl*>(city->GetDropDownDataGrid())); break;
      case esPickList: EXPECT_EQ(ed->ActiveList(), static_cast<TWinControl*>(ed->PickList())); break;
      default: EXPECT_EQ(ed->ActiveList(), nullptr); break;
    }
    if (column != id) {
      EXPECT_NE(ed->ActiveList(), nullptr);
    }
  }
}

// The focus leaving or reaching the grid through its editor repaints what shows the grid's focus
// (the rest of the current row here). An editor always shown takes the focus back itself.
TEST_F(DBGridInplaceTest, TheEditorsFocusChangesRepaintTheGridsFocusLook) {
  MakeGrid(400, 200);
  grid->SetOptionsGx(grid->OptionsGx() + dghRowHighlight);
  TColumnGx* id = AddColumn("ID");
  TColumnGx* code = AddColumn("CODE");
  auto* other = new TEdit(form);
  other->SetParent(form);
  other->SetBounds(0, 210, 60, 20);
  BindDocs();
  for (const bool alwaysShown : {false, true}) {
    SCOPED_TRACE(alwaysShown);
    if (alwaysShown) grid->SetDBOptions(grid->DBOptions() + dgAlwaysShowEditor);
    TDBGridInplaceEdit* ed = OpenEditorAt(code);
    ed->SetFocus();
    gridtest::Pump();
    const TRect cell = grid->CellRect(grid->DataToRawColumn(id->Index()), grid->Row());
    const TPoint probe = grid->ClientToScreen(TPoint(cell.Right - 3, cell.Top + 3));
    // What the cell looks like when painted afresh.
    auto repainted = [&] {
      grid->Invalidate();
      gridtest::Pump();
      return uitest::WindowPixelAt(grid, probe);
    };
    const COLORREF focused = repainted();
    other->SetFocus();
    gridtest::Pump();
    const COLORREF left = uitest::WindowPixelAt(grid, probe);
    EXPECT_NE(left, focused);
    EXPECT_EQ(left, repainted());
    if (alwaysShown) {
      ASSERT_TRUE(ed->Visible());
      ed->SetFocus();
    } else {
      grid->SetFocus();
    }
    gridtest::Pump();
    EXPECT_EQ(uitest::WindowPixelAt(grid, probe), focused);
  }
}
