// The drop-downs of the data grid's editor: the lookup list, the calendar, the calculator and the
// recent values; opening, keys, closing with accept and cancel (the focus back with the grid),
// what they write, and the column's drop-down settings.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "dbgrid_test_util.h"
#include "editors/calculator.h"
#include "grid/dbgrid_dropdowns.h"
#include "grid/dbgrid_inplace.h"
#include "platform/classes/filer.h"
#include "platform/forms/clipbrd.h"
#include "platform/forms/extctrls.h"
#include "platform/forms/imglist.h"
#include "platform/rtl/sysutils.h"
#include "support/clock_time.h"

using namespace dbgridtest;

namespace {

using uitest::SnapshotPath;

// One picture of windows as they stand on the screen (a form and its open drop-downs, which are
// windows of their own): each is taken alone, then they are laid out on a sheet by their screen
// places and the sheet is taken.
void WriteScreenSnapshot(const std::vector<HWND>& windows, const std::string& name) {
  struct Shot {
    std::unique_ptr<TPicture> picture;
    RECT place;
  };
  std::vector<Shot> shots;
  RECT all{};
  for (size_t i = 0; i < windows.size(); ++i) {
    const std::string part = SnapshotPath("part" + std::to_string(i) + "_" + name);
    ASSERT_TRUE(FanoSnapshotWindow(windows[i], part.c_str()));
    Shot shot{std::make_unique<TPicture>(), {}};
    shot.picture->LoadFromFile(part);
    std::remove(part.c_str());
    GetWindowRect(windows[i], &shot.place);
    if (i == 0) all = shot.place;
    UnionRect(&all, &all, &shot.place);
    shots.push_back(std::move(shot));
  }
  auto* sheet = new TForm(nullptr);
  sheet->SetBorderStyle(bsNone);
  sheet->SetBounds(0, 0, all.right - all.left, all.bottom - all.top);
  sheet->SetColor(clWhite);
  auto* box = new TPaintBox(sheet);
  box->SetParent(sheet);
  box->SetAlign(alClient);
  box->OnPaint = [&](TObject*) {
    for (const Shot& s : shots) box->Canvas()->Draw(s.place.left - all.left, s.place.top - all.top, s.picture->Graphic());
  };
  sheet->Show();
  gridtest::Pump();
  sheet->Invalidate();
  gridtest::Pump();
  const std::string path = SnapshotPath(name);
  const bool written = FanoSnapshotWindow(sheet->Handle(), path.c_str());
  sheet->Free();
  gridtest::Pump();
  ASSERT_TRUE(written);
  uitest::ExpectPngFile(path);
}

// Documents (a date, a city key with its lookup name, a quantity, a text) over a list of cities.
class DropDownTest : public DocsGridTest {
 protected:
  void SetUp() override {
    DBGridTest::SetUp();
    SetLocalTimeTo(2026, 3, 10, 9);
    cities = MakeCities({"北京", "上海", "广州", "深圳"});
    docs = std::make_unique<TMemTableGx>(nullptr);
    docs->FieldDefs().Add("ID", ftInteger);
    docs->FieldDefs().Add("DAY", ftDate);
    docs->FieldDefs().Add("CITY", ftInteger);
    docs->FieldDefs().Add("QTY", ftFloat);
    docs->FieldDefs().Add("MEMO", ftString, 30);
    CreateWithLookup(*docs, "CITYNAME", "CITY", cities.get(), "CID", "CNAME");
    for (int i = 1; i <= 3; ++i) {
      docs->Append();
      docs->FieldByName("ID")->SetAsInteger(i);
      docs->FieldByName("DAY")->SetAsDateTime(EncodeDate(2026, 3, i));
      docs->FieldByName("CITY")->SetAsInteger(1);
      docs->FieldByName("QTY")->SetAsFloat(10 * i);
      docs->Post();
    }
    docs->First();
    docSource = std::make_unique<TDataSource>(nullptr);
    docSource->SetDataSet(docs.get());
  }
  void Key(UINT vk, bool alt = false, bool ctrl = false) { uitest::KeyPress(vk, false, ctrl, alt); }
  // The drop-down hangs below the editor, its left edge at the editor's.
  void ExpectBelowTheCell(TDBGridInplaceEdit* ed, TWinControl* list) {
    RECT er{}, lr{};
    GetWindowRect(ed->WindowHandle(), &er);
    GetWindowRect(list->WindowHandle(), &lr);
    EXPECT_EQ(lr.top, er.bottom);
    EXPECT_EQ(lr.left, er.left);
  }
  // The cities get other names (their keys stay 1, 2, ...).
  void NameCities(std::initializer_list<const char*> names) {
    cities->First();
    for (const char* name : names) {
      cities->Edit();
      cities->FieldByName("CNAME")->SetAsString(name);
      cities->Post();
      cities->Next();
    }
    cities->First();
  }
  // The first document's city and memo again, the grid on it without its editor.
  void ResetFirstDoc(int city, const char* memo) {
    grid->SetEditorMode(false);
    docs->First();
    docs->Edit();
    docs->FieldByName("CITY")->SetAsInteger(city);
    docs->FieldByName("MEMO")->SetAsString(memo);
    docs->Post();
    docs->First();
  }

};

TEST_F(DropDownTest, TheLookupListOpensUnderTheCellAndTakesOrLeavesTheKey) {
  MakeGrid(400, 200);
  AddColumn("ID");
  TColumnGx* city = AddColumn("CITYNAME");
  city->SetWidth(120);
  BindDocs();
  TDBGridInplaceEdit* ed = OpenEditorAt(city);
  ASSERT_EQ(ed->EditStyle(), esDataList);
  Key(VK_DOWN, true);  // Alt+Down
  ASSERT_TRUE(ed->ListVisible());
  TPopupDataGridGx* list = ed->DataList();
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(ed->ActiveList(), list);
  EXPECT_TRUE(DropDownShowing(list));
  ExpectBelowTheCell(ed, list);
  EXPECT_EQ(ed->LookupSource()->DataSet(), cities.get());
  // Four cities and seven rows wanted: four rows.
  EXPECT_EQ(list->RowCountProp(), 4);
  EXPECT_EQ(list->Width(), ed->Width());
  EXPECT_EQ(list->KeyValue().AsInteger(), 1);
  EXPECT_TRUE(ed->EditButtonControl(0)->AlwaysDown());
  // Down moves in the list and shows the city; Esc leaves the value and the focus in the grid.
  Key(VK_DOWN);
  EXPECT_EQ(list->KeyValue().AsInteger(), 2);
  EXPECT_EQ(ed->Text(), "上海");
  Key(VK_ESCAPE);
  EXPECT_FALSE(ed->ListVisible());
  EXPECT_FALSE(DropDownShowing(list));
  EXPECT_FALSE(ed->EditButtonControl(0)->AlwaysDown());
  EXPECT_EQ(ed->Text(), "北京");
  EXPECT_TRUE(grid->GridFocused());
  EXPECT_TRUE(grid->IsEditorVisible());
  EXPECT_EQ(ed->LookupSource()->DataSet(), nullptr);
  EXPECT_EQ(docs->State(), dsBrowse);
  // Again, and Enter takes the city.
  Key(VK_DOWN, true);
  ASSERT_TRUE(ed->ListVisible());
  Key(VK_DOWN);
  Key(VK_DOWN);
  Key(VK_RETURN);
  EXPECT_FALSE(ed->ListVisible());
  EXPECT_EQ(ed->Text(), "广州");
  EXPECT_EQ(grid->EditValue().AsInteger(), 3);
  EXPECT_TRUE(grid->GridFocused());
  EXPECT_EQ(grid->Col(), grid->DataToRawColumn(1));  // Enter stayed with the list
  Key(VK_DOWN);
  docs->First();
  EXPECT_EQ(docs->FieldByName("CITY")->AsInteger(), 3);
  EXPECT_EQ(docs->FieldByName("CITYNAME")->AsString(), "广州");
}

// Without room below, the list opens above the cell and ends at its top the first time already,
// with its frame and, when its columns do not fit, its horizontal bar counted; a list as wide as
// its columns (-1) holds them without a bar.
TEST_F(DropDownTest, ALookupListAboveItsCellEndsAtTheCellsTop) {
  MakeGrid(400, 80);
  RECT work{};
  SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0);
  form->SetBounds(100, work.bottom - 90, 420, 80);
  TColumnGx* plain = AddColumn("CITYNAME");
  TColumnGx* wide = AddColumn("CITYNAME");
  TColumnGx* exact = AddColumn("CITYNAME");
  for (TColumnGx* c : {wide, exact}) {
    c->DropDownBox()->SetAutoFitColWidths(false);
    c->DropDownBox()->Columns()->Add()->SetFieldName("CNAME");
    c->DropDownBox()->Columns()->Items(0)->SetWidth(300);
  }
  wide->SetDropDownWidth(150);
  exact->SetDropDownWidth(-1);
  BindDocs();
  for (TColumnGx* c : {plain, wide, exact}) {
    SCOPED_TRACE(c->Index());
    TDBGridInplaceEdit* ed = OpenEditorAt(c);
    Key(VK_DOWN, true);
    ASSERT_TRUE(ed->ListVisible());
    TPopupDataGridGx* list = ed->DataList();
    const bool bar = (GetWindowLong(list->WindowHandle(), GWL_STYLE) & WS_HSCROLL) != 0;
    EXPECT_EQ(bar, c == wide);
    if (c == exact) {
      EXPECT_EQ(list->ClientWidth(), list->AllColumnsWidth());
    }
    RECT er{}, lr{};
    GetWindowRect(ed->WindowHandle(), &er);
    GetWindowRect(list->WindowHandle(), &lr);
    EXPECT_EQ(lr.bottom, er.top);
    EXPECT_EQ(lr.bottom - lr.top, list->Height());
    Key(VK_ESCAPE);
  }
}

// What changes the editor's value while the lookup list is open moves the list's key along, so
// that Enter takes what the editor shows.
TEST_F(DropDownTest, TheOpenLookupListFollowsTheEditorsValue) {
  NameCities({"北京", "Berlin", "Bern", "上海"});
  MakeGrid(400, 200);
  TColumnGx* city = AddColumn("CITYNAME");
  city->SetWidth(120);
  city->DropDownSpecRow()->SetCellsText("(无)");
  city->DropDownSpecRow()->SetVisible(true);
  BindDocs();
  struct Case {
    const char* name;
    std::function<void()> act;
    Variant key;  // the list's and the stored key afterwards
    const char* text;
    const char* taken;  // the text after Enter (an empty key is the special row's)
  };
  const Case cases[] = {
      {"completion", [&] { Type("be"); }, Variant(2), "Berlin", "Berlin"},
      {"paste",
       [&] {
         Clipboard()->SetAsText("ber");
         grid->InplaceEditor()->Perform(WM_PASTE, 0, 0);
       },
       Variant(2), "Berlin", "Berlin"},
      {"special row", [&] { uitest::KeyPress(VK_DELETE, false, false, true); }, Null(), "(无)", "(无)"},
      {"delete", [&] { Key(VK_DELETE); }, Null(), "", "(无)"},
  };
  for (const Case& tc : cases) {
    SCOPED_TRACE(tc.name);
    ResetFirstDoc(1, "");
    TDBGridInplaceEdit* ed = OpenEditorAt(city);
    Key(VK_DOWN, true);
    ASSERT_TRUE(ed->ListVisible());
    TPopupDataGridGx* list = ed->DataList();
    ASSERT_EQ(list->KeyValue(), Variant(1));
    ed->SelectAll();
    tc.act();
    EXPECT_EQ(ed->Text(), tc.text);
    EXPECT_EQ(grid->EditValue(), tc.key);
    EXPECT_EQ(list->KeyValue(), tc.key);
    Key(VK_RETURN);
    EXPECT_FALSE(ed->ListVisible());
    EXPECT_EQ(ed->Text(), tc.taken);
    Key(VK_DOWN);
    docs->First();
    EXPECT_EQ(docs->FieldByName("CITY")->Value(), tc.key);
  }
}

// Closing a list without taking its entry shows the value the cell keeps, typed meanwhile or not.
TEST_F(DropDownTest, ALeftListShowsTheValueTheCellKeeps) {
  NameCities({"北京", "Berlin", "Bern", "上海"});
  MakeGrid(400, 200);
  TColumnGx* city = AddColumn("CITYNAME");
  city->SetWidth(120);
  TColumnGx* memo = AddColumn("MEMO");
  memo->PickList()->SetText("Alpha\nBeta");
  memo->KeyList()->SetText("A\nB");
  BindDocs();
  struct Case {
    TColumnGx* column;
    const char* typed;
    const char* shown;
    const char* field;
    const char* stored;
  };
  for (const Case& tc : {Case{city, "be", "Berlin", "CITY", "2"}, Case{memo, "b", "Beta", "MEMO", "B"}}) {
    SCOPED_TRACE(tc.column->FieldName());
    ResetFirstDoc(1, "A");
    TDBGridInplaceEdit* ed = OpenEditorAt(tc.column);
    Key(VK_DOWN, true);
    ASSERT_TRUE(ed->ListVisible());
    ed->SelectAll();
    Type(tc.typed);
    ASSERT_EQ(ed->Text(), tc.shown);
    Key(VK_ESCAPE);
    EXPECT_FALSE(ed->ListVisible());
    EXPECT_EQ(ed->Text(), tc.shown);
    Key(VK_DOWN);
    docs->First();
    EXPECT_EQ(docs->FieldByName(tc.field)->AsString(), tc.stored);
  }
}

TEST_F(DropDownTest, AClickOnALookupRowTakesItAndTheWidthFollowsTheColumn) {
  MakeGrid(400, 200);
  TColumnGx* city = AddColumn("CITYNAME");
  city->SetWidth(60);
  city->SetDropDownWidth(-1);
  city->SetDropDownRows(2);
  BindDocs();
  TDBGridInplaceEdit* ed = OpenEditorAt(city);
  ed->ButtonDown(false);
  ASSERT_TRUE(ed->ListVisible());
  TPopupDataGridGx* list = ed->DataList();
  EXPECT_EQ(list->RowCountProp(), 2);
  // As wide as the city column (wider than this narrow cell).
  EXPECT_GT(list->Width(), ed->Width());
  // Press on the second row and release there: taken.
  const TRect r = list->CellRect(list->IndicatorOffset(), list->GetTitleOffset() + 1);
  const TPoint p = list->ClientToScreen(TPoint(r.Left + 4, (r.Top + r.Bottom) / 2));
  FanoInputMouseButton(0, TRUE, p.X, p.Y);
  FanoInputMouseButton(0, FALSE, p.X, p.Y);
  gridtest::Pump();
  EXPECT_FALSE(ed->ListVisible());
  EXPECT_EQ(ed->Text(), "上海");
  EXPECT_EQ(grid->EditValue().AsInteger(), 2);
  EXPECT_TRUE(grid->GridFocused());
  // The button while open closes without taking.
  ed->ButtonDown(false);
  ed->EditButtonClick(ed->EditButtonControl(0));  // the press that opened it: stays open
  EXPECT_TRUE(ed->ListVisible());
  ed->EditButtonClick(ed->EditButtonControl(0));
  EXPECT_FALSE(ed->ListVisible());
  EXPECT_EQ(ed->Text(), "上海");
}

// Press the button, drag into the list, release on a row: that row is taken.
TEST_F(DropDownTest, AButtonPressDraggedIntoTheListTakesTheRowReleasedOn) {
  MakeGrid(400, 200);
  TColumnGx* city = AddColumn("CITYNAME");
  city->SetWidth(120);
  TColumnGx* code = AddColumn("MEMO");
  code->PickList()->SetText("甲\n乙\n丙");
  BindDocs();
  TDBGridInplaceEdit* ed = OpenEditorAt(city);
  TEditButtonControlGx* button = ed->EditButtonControl(0);
  const TPoint press = button->ClientToScreen(TPoint(button->Width() / 2, button->Height() / 2));
  FanoInputMouseButton(0, TRUE, press.X, press.Y);
  gridtest::Pump();
  ASSERT_TRUE(ed->ListVisible());
  TPopupDataGridGx* list = ed->DataList();
  const TRect r = list->CellRect(list->IndicatorOffset(), list->GetTitleOffset() + 2);
  const TPoint over = list->ClientToScreen(TPoint(r.Left + 10, (r.Top + r.Bottom) / 2));
  FanoInputMouseMove(press.X, over.Y - 20);
  FanoInputMouseMove(over.X, over.Y);
  FanoInputMouseButton(0, FALSE, over.X, over.Y);
  gridtest::Pump();
  EXPECT_FALSE(ed->ListVisible());
  EXPECT_EQ(ed->Text(), "广州");
  EXPECT_EQ(grid->EditValue().AsInteger(), 3);
  EXPECT_TRUE(grid->GridFocused());
  // The same with the pick list.
  ed = OpenEditorAt(code);
  button = ed->EditButtonControl(0);
  const TPoint press2 = button->ClientToScreen(TPoint(button->Width() / 2, button->Height() / 2));
  FanoInputMouseButton(0, TRUE, press2.X, press2.Y);
  gridtest::Pump();
  ASSERT_TRUE(ed->ListVisible());
  auto* pick = static_cast<TPopupListboxGx*>(ed->ActiveList());
  const TRect item = pick->ItemRect(1);
  const TPoint over2 = pick->ClientToScreen(TPoint(item.Left + 5, (item.Top + item.Bottom) / 2));
  FanoInputMouseMove(over2.X, over2.Y);
  FanoInputMouseButton(0, FALSE, over2.X, over2.Y);
  gridtest::Pump();
  EXPECT_FALSE(ed->ListVisible());
  EXPECT_EQ(ed->Text(), "乙");
}

// A click on the style button of an open list closes it without taking what it shows; the same
// press does not open it again.
TEST_F(DropDownTest, ClickingTheButtonOfAnOpenListClosesIt) {
  MakeGrid(400, 200);
  TColumnGx* city = AddColumn("CITYNAME");
  city->SetWidth(120);
  TColumnGx* memo = AddColumn("MEMO");
  memo->PickList()->SetText("甲\n乙\n丙");
  BindDocs();
  for (TColumnGx* column : {city, memo}) {
    SCOPED_TRACE(column->FieldName());
    TDBGridInplaceEdit* ed = OpenEditorAt(column);
    const std::string before = ed->Text();
    TEditButtonControlGx* button = ed->EditButtonControl(0);
    const TPoint at = button->ClientToScreen(TPoint(button->Width() / 2, button->Height() / 2));
    auto click = [&] {
      FanoInputMouseButton(0, TRUE, at.X, at.Y);
      FanoInputMouseButton(0, FALSE, at.X, at.Y);
      gridtest::Pump();
    };
    click();
    ASSERT_TRUE(ed->ListVisible());
    Key(VK_DOWN);  // the list shows its next entry in the editor
    ASSERT_NE(ed->Text(), before);
    click();
    EXPECT_FALSE(ed->ListVisible());
    EXPECT_FALSE(button->AlwaysDown());
    EXPECT_EQ(ed->Text(), before);
    EXPECT_TRUE(grid->GridFocused());
  }
}

// With a key list only the pick-list entries that have a key are offered.
TEST_F(DropDownTest, WithAKeyListOnlyEntriesWithAKeyAreOffered) {
  MakeGrid(400, 200);
  TColumnGx* memo = AddColumn("MEMO");
  memo->PickList()->SetText("甲\n乙\n丙");
  memo->KeyList()->SetText("1\n2");
  BindDocs();
  TDBGridInplaceEdit* ed = OpenEditorAt(memo);
  ed->ButtonDown(false);
  ASSERT_TRUE(ed->ListVisible());
  auto* pick = static_cast<TPopupListboxGx*>(ed->ActiveList());
  EXPECT_EQ(pick->Items()->Text(), "甲\r\n乙\r\n");
  EXPECT_EQ(pick->RowCount(), 2);
  Key(VK_END, false, true);
  Key(VK_RETURN);
  EXPECT_EQ(ed->Text(), "乙");
  Key(VK_DOWN);
  docs->First();
  EXPECT_EQ(docs->FieldByName("MEMO")->AsString(), "2");
}

// The pick list marks the cell's entry, and none while the field is still empty, even when the
// text typed so far already is an entry.
TEST_F(DropDownTest, ThePickListMarksTheStoredEntryOnly) {
  MakeGrid(400, 200);
  TColumnGx* memo = AddColumn("MEMO");
  memo->PickList()->SetText("甲\n乙\n丙");
  BindDocs();
  struct Case {
    const char* stored;  // nullptr: the field is empty
    const char* typed;
    const char* text;
    int marked;
  };
  const Case cases[] = {{nullptr, "乙", "乙", -1}, {"丙", "", "丙", 2}, {"丙", "甲", "甲", 0}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.typed);
    grid->SetEditorMode(false);
    docs->First();
    docs->Edit();
    if (k.stored) docs->FieldByName("MEMO")->SetAsString(k.stored);
    else docs->FieldByName("MEMO")->Clear();
    docs->Post();
    TDBGridInplaceEdit* ed = OpenEditorAt(memo);
    if (*k.typed) {
      ed->SelectAll();
      Type(k.typed);
    }
    ASSERT_EQ(ed->Text(), k.text);
    ed->DropDown();
    ASSERT_TRUE(ed->ListVisible());
    EXPECT_EQ(static_cast<TPopupListboxGx*>(ed->ActiveList())->ItemIndex(), k.marked);
    ed->CloseUp(false);
    docs->Cancel();
  }
}

// The pick list shows the images of the column it drops down from, and none for a column without.
TEST_F(DropDownTest, ThePickListShowsTheColumnsImages) {
  MakeGrid(400, 200);
  TImageList images(nullptr, 8, 8);
  TColumnGx* memo = AddColumn("MEMO");
  memo->PickList()->SetText("甲\n乙");
  memo->KeyList()->SetText("1\n2");
  memo->SetImageList(&images);
  memo->SetShowImageAndText(true);
  TColumnGx* qty = AddColumn("QTY");
  qty->PickList()->SetText("1\n2");
  BindDocs();
  for (TColumnGx* column : {memo, qty, memo}) {
    SCOPED_TRACE(column->FieldName());
    TDBGridInplaceEdit* ed = OpenEditorAt(column);
    ASSERT_EQ(ed->EditStyle(), esPickList);
    ed->DropDown();
    ASSERT_TRUE(ed->ListVisible());
    EXPECT_EQ(ed->PickList()->Images(), column->ImageList());
    ed->CloseUp(false);
  }
  memo->SetImageList(nullptr);
}

// Ctrl does not keep a key from the open list; Shift does, Alt toggles it.
TEST_F(DropDownTest, ListKeysGoToTheListWithCtrlButNotWithShift) {
  MakeGrid(400, 200);
  TColumnGx* memo = AddColumn("MEMO");
  memo->PickList()->SetText("甲\n乙\n丙");
  BindDocs();
  TDBGridInplaceEdit* ed = OpenEditorAt(memo);
  ed->ButtonDown(false);
  ASSERT_TRUE(ed->ListVisible());
  auto* pick = static_cast<TPopupListboxGx*>(ed->ActiveList());
  ASSERT_EQ(pick->ItemIndex(), -1);
  Key(VK_DOWN, false, true);  // Ctrl+Down
  EXPECT_EQ(pick->ItemIndex(), 0);
  Key(VK_DOWN, false, true);
  EXPECT_EQ(pick->ItemIndex(), 1);
  EXPECT_EQ(ed->Text(), "乙");
  uitest::KeyPress(VK_UP, true, false, false);  // Shift+Up
  EXPECT_EQ(pick->ItemIndex(), 1);
  EXPECT_TRUE(ed->ListVisible());
  Key(VK_UP, true);  // Alt+Up closes, taking the entry
  EXPECT_FALSE(ed->ListVisible());
  EXPECT_EQ(ed->Text(), "乙");
  EXPECT_EQ(grid->Row(), grid->GetTitleOffset());
}

// Closing the list ends the mode of whatever holds the mouse.
TEST_F(DropDownTest, ClosingTheListCancelsAnyMouseCapture) {
  MakeGrid(400, 200);
  TColumnGx* memo = AddColumn("MEMO");
  memo->PickList()->SetText("甲\n乙");
  BindDocs();
  TDBGridInplaceEdit* ed = OpenEditorAt(memo);
  ed->ButtonDown(false);
  ASSERT_TRUE(ed->ListVisible());
  SetCapture(form->Handle());
  ASSERT_EQ(GetCapture(), form->Handle());
  ed->CloseUp(false);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_FALSE(ed->ListVisible());
}

// A mask that keeps its literals has no empty text: deleting back to its literals closes the
// recent values as an empty text does.
TEST_F(DropDownTest, RecentValuesCloseAtTheEmptyTextOfAMask) {
  MakeGrid(400, 200);
  TColumnGx* memo = AddColumn("MEMO");
  memo->SetEditMask("999-99;1;_");
  TMRUListGx* mru = memo->MRUList();
  mru->SetActive(true);
  mru->SetCancelWhenKeyPending(false);
  mru->Add("123-45");
  mru->Add("456-78");
  // Every text offered, so that only the empty text can close the list.
  mru->OnFilterItem = [](TObject*, bool& accept) { accept = true; };
  BindDocs();
  TDBGridInplaceEdit* ed = OpenEditorAt(memo);
  ASSERT_EQ(ed->Text(), "   -  ");
  ed->SetSelStart(0);
  ed->SetSelLength(0);
  // The masked editor lays out its text itself, which the edit control does not announce: the
  // change is told as the grid tells it, and followed after the next message.
  auto typed = [&](UINT key) {
    Key(key);
    ed->UserTextChanged();
    ed->Perform(WM_NULL, 0, 0);
  };
  typed('1');
  ASSERT_EQ(ed->Text(), "1  -  ");
  ASSERT_TRUE(ed->MRUListVisible());
  typed(VK_BACK);
  EXPECT_EQ(ed->Text(), "   -  ");
  EXPECT_FALSE(ed->MRUListVisible());
}

TEST_F(DropDownTest, APickListIsAsWideAsItsWidestEntry) {
  MakeGrid(400, 200);
  TColumnGx* memo = AddColumn("MEMO");
  memo->SetWidth(50);
  memo->PickList()->SetText("短\n一个很长很长的摘要文字\n中");
  BindDocs();
  TDBGridInplaceEdit* ed = OpenEditorAt(memo);
  ed->DropDown();
  ASSERT_TRUE(ed->ListVisible());
  auto* pick = static_cast<TPopupListboxGx*>(ed->ActiveList());
  TMeasureCanvas measure;
  measure.Canvas()->Font()->Assign(ed->Font());
  EXPECT_GE(pick->ClientWidth(), measure.Canvas()->TextWidth("一个很长很长的摘要文字") + 4);
  EXPECT_GT(pick->Width(), ed->Width());
  ed->CloseUp(false);
}

TEST_F(DropDownTest, NotInListKeepsEnterFromTakingAnUnknownText) {
  MakeGrid(400, 200);
  TColumnGx* city = AddColumn("CITYNAME");
  city->OnNotInList = [](TObject*, const std::string&, bool&) {};
  BindDocs();
  TDBGridInplaceEdit* ed = OpenEditorAt(city);
  ed->SelectAll();
  Type("成");  // no city: the text stays, the key is empty
  EXPECT_EQ(ed->Text(), "成");
  ed->DropDown();
  ASSERT_TRUE(ed->ListVisible());
  Key(VK_RETURN);
  EXPECT_FALSE(ed->ListVisible());
  EXPECT_EQ(ed->Text(), "成");
  EXPECT_TRUE(grid->EditValue().IsNull());
}

// A cell made read-only by its parameters still drops its list down, but Enter takes nothing:
// the editor goes back to the cell's text, not to the row the list was moved to.
TEST_F(DropDownTest, AReadOnlyCellShowsItsOwnValueAfterEnter) {
  MakeGrid(400, 200);
  TColumnGx* city = AddColumn("CITYNAME");
  TColumnGx* memo = AddColumn("MEMO");
  memo->PickList()->SetText("甲\n乙\n丙");
  ResetFirstDoc(1, "甲");
  auto readOnly = [](TObject*, bool editMode, TColCellParamsGx* p) {
    if (editMode) p->ReadOnly = true;
  };
  city->OnGetCellParams = readOnly;
  memo->OnGetCellParams = readOnly;
  BindDocs();
  struct Case {
    TColumnGx* column;
    const char* text;
    const char* field;
  };
  for (const Case& k : {Case{city, "北京", "CITY"}, Case{memo, "甲", "MEMO"}}) {
    SCOPED_TRACE(k.field);
    TDBGridInplaceEdit* ed = OpenEditorAt(k.column);
    ASSERT_TRUE(ed->ReadOnly());
    const std::string stored = docs->FieldByName(k.field)->AsString();
    Key(VK_DOWN, true);
    ASSERT_TRUE(ed->ListVisible());
    Key(VK_DOWN);
    EXPECT_NE(ed->Text(), k.text);  // the list moved on
    Key(VK_RETURN);
    EXPECT_FALSE(ed->ListVisible());
    EXPECT_EQ(ed->Text(), k.text);
    EXPECT_EQ(docs->FieldByName(k.field)->AsString(), stored);
    EXPECT_EQ(docs->State(), dsBrowse);
  }
}

// A record that refuses to be edited keeps its city: the editor shows the field's text with a
// blank after it, not the row the list was moved to, and the error goes on to the caller.
TEST_F(DropDownTest, AnEditRefusedByTheRecordShowsTheFieldsTextAndABlank) {
  MakeGrid(400, 200);
  TColumnGx* city = AddColumn("CITYNAME");
  BindDocs();
  TDBGridInplaceEdit* ed = OpenEditorAt(city);
  Key(VK_DOWN, true);
  ASSERT_TRUE(ed->ListVisible());
  Key(VK_DOWN);
  ASSERT_EQ(ed->Text(), "上海");
  docs->SetBeforeEdit([](TDataSet*) { throw Exception("locked"); });
  EXPECT_THROW(ed->CloseUp(true), Exception);
  docs->SetBeforeEdit(nullptr);
  EXPECT_FALSE(ed->ListVisible());
  EXPECT_EQ(ed->Text(), "北京 ");
  EXPECT_EQ(docs->FieldByName("CITYNAME")->AsString(), "北京");
  EXPECT_EQ(docs->State(), dsBrowse);
}

TEST_F(DropDownTest, ReleasingCtrlReachesTheOpenLookupList) {
  MakeGrid(400, 200);
  TColumnGx* city = AddColumn("CITYNAME");
  BindDocs();
  TDBGridInplaceEdit* ed = OpenEditorAt(city);
  ed->DropDown();
  TPopupDataGridGx* list = ed->DataList();
  int changes = 0;
  list->OnSortMarkingChanged = [&](TObject*) { ++changes; };
  list->SetOptionsGx(list->OptionsGx() + dghAutoSortMarking);
  list->SetSortMarkingPending(true);
  FanoInputKey(VK_CONTROL, TRUE);
  FanoInputKey(VK_CONTROL, FALSE);
  gridtest::Pump();
  EXPECT_EQ(changes, 1);
  EXPECT_FALSE(list->SortMarkingPending());
  EXPECT_TRUE(ed->ListVisible());
  ed->CloseUp(false);
}

TEST_F(DropDownTest, CloseUpLockedKeepsTheListOpen) {
  MakeGrid(400, 200);
  TColumnGx* city = AddColumn("CITYNAME");
  BindDocs();
  TDBGridInplaceEdit* ed = OpenEditorAt(city);
  ed->DropDown();
  ed->SetCloseUpLocked(true);
  ed->CloseUp(true);
  EXPECT_TRUE(ed->ListVisible());
  EXPECT_FALSE(ed->EditButtonControl(0)->AlwaysDown());
  ed->SetCloseUpLocked(false);
  ed->CloseUp(false);
  EXPECT_FALSE(ed->ListVisible());
}

TEST_F(DropDownTest, TheCalendarPicksADate) {
  MakeGrid(400, 200);
  TColumnGx* day = AddColumn("DAY");
  BindDocs();
  TDBGridInplaceEdit* ed = OpenEditorAt(day);
  ASSERT_EQ(ed->EditStyle(), esDateCalendar);
  Key(VK_DOWN, true);
  ASSERT_TRUE(ed->ListVisible());
  TPopupMonthCalendarGx* cal = ed->PopupCalendar();
  ASSERT_NE(cal, nullptr);
  EXPECT_EQ(ed->ActiveList(), cal);
  ExpectBelowTheCell(ed, cal);
  EXPECT_EQ(DateOf(cal->Date()), EncodeDate(2026, 3, 1));
  // Right and Down go to the calendar: a day and a week on.
  Key(VK_RIGHT);
  Key(VK_DOWN);
  EXPECT_EQ(DateOf(cal->Date()), EncodeDate(2026, 3, 9));
  Key(VK_ESCAPE);
  EXPECT_FALSE(ed->ListVisible());
  EXPECT_EQ(docs->FieldByName("DAY")->AsDateTime(), EncodeDate(2026, 3, 1));
  EXPECT_TRUE(grid->GridFocused());
  Key(VK_DOWN, true);
  Key(VK_RIGHT);
  Key(VK_RETURN);
  EXPECT_FALSE(ed->ListVisible());
  EXPECT_EQ(docs->FieldByName("DAY")->AsDateTime(), EncodeDate(2026, 3, 2));
  EXPECT_EQ(ed->Text(), docs->FieldByName("DAY")->EditText());
  EXPECT_TRUE(grid->GridFocused());
  // An empty cell opens on today.
  docs->FieldByName("DAY")->Clear();
  ed->SetText("");
  ed->DropDown();
  EXPECT_EQ(DateOf(cal->Date()), EncodeDate(2026, 3, 10));
  ed->CloseUp(false);
}

TEST_F(DropDownTest, TheCalculatorWorksOutTheNumber) {
  MakeGrid(400, 200);
  TColumnGx* qty = AddColumn("QTY");
  qty->SetButtonStyle(cbsDropDown);
  TColumnGx* memo = AddColumn("MEMO");
  memo->SetButtonStyle(cbsDropDown);
  BindDocs();
  TDBGridInplaceEdit* ed = OpenEditorAt(memo);
  ed->DropDown();  // not a number: no calculator
  EXPECT_FALSE(ed->ListVisible());
  ed = OpenEditorAt(qty);
  ASSERT_EQ(ed->EditStyle(), esDropDown);
  Key(VK_DOWN, true);
  ASSERT_TRUE(ed->ListVisible());
  TPopupCalculatorGx* calc = ed->PopupCalculator();
  ASSERT_NE(calc, nullptr);
  ExpectBelowTheCell(ed, calc);
  EXPECT_EQ(calc->GetValue(), 10.0);
  Type("*3=");
  EXPECT_TRUE(ed->ListVisible());  // "=" worked out the product
  EXPECT_EQ(calc->DisplayText(), "30");
  Key(VK_RETURN);
  EXPECT_FALSE(ed->ListVisible());
  EXPECT_EQ(ed->Text(), "30");
  EXPECT_TRUE(grid->GridFocused());
  Key(VK_DOWN);
  docs->First();
  EXPECT_EQ(docs->FieldByName("QTY")->AsFloat(), 30.0);
  // Escape leaves the number alone.
  ed = OpenEditorAt(qty);
  ed->DropDown();
  Type("+5");
  Key(VK_ESCAPE);
  EXPECT_FALSE(ed->ListVisible());
  EXPECT_EQ(ed->Text(), "30");
  EXPECT_TRUE(grid->IsEditorVisible());
}

// Keys under the open calculator are its: they neither edit the cell's text nor move the grid.
TEST_F(DropDownTest, KeysUnderTheOpenCalculatorAreItsOwn) {
  MakeGrid(400, 200);
  TColumnGx* qty = AddColumn("QTY");
  qty->SetButtonStyle(cbsDropDown);
  BindDocs();
  struct Case {
    UINT key;
    double shown;  // the calculator's value afterwards
  };
  for (const Case& tc : {Case{VK_DELETE, 0}, Case{VK_DOWN, 10}, Case{VK_END, 10}}) {
    SCOPED_TRACE(tc.key);
    TDBGridInplaceEdit* ed = OpenEditorAt(qty);
    ed->DropDown();
    ASSERT_TRUE(ed->ListVisible());
    const int row = grid->Row();
    Key(tc.key);
    EXPECT_TRUE(ed->ListVisible());
    EXPECT_EQ(ed->PopupCalculator()->GetValue(), tc.shown);
    EXPECT_EQ(ed->Text(), "10");
    EXPECT_EQ(grid->Row(), row);
    Key(VK_ESCAPE);
    EXPECT_FALSE(ed->ListVisible());
    EXPECT_EQ(ed->Text(), "10");
    EXPECT_EQ(grid->Row(), row);
    EXPECT_EQ(docs->FieldByName("QTY")->AsFloat(), 10.0);
  }
}

// The user's wheel over the cell (through the window system, to the focused editor) steps the
// open drop-down, one notch one step, and leaves the grid where it is.
TEST_F(DropDownTest, TheUsersWheelStepsTheOpenDropDown) {
  MakeGrid(400, 200);
  TColumnGx* day = AddColumn("DAY");
  TColumnGx* qty = AddColumn("QTY");
  qty->SetButtonStyle(cbsDropDown);
  TColumnGx* memo = AddColumn("MEMO");
  memo->PickList()->SetText("甲\n乙\n丙");
  BindDocs();
  int gridWheels = 0;
  grid->OnMouseWheelDown = [&](TObject*, TShiftState, const TPoint&, bool& handled) { handled = ++gridWheels > 0; };
  struct Case {
    TColumnGx* column;
    std::function<double(TDBGridInplaceEdit*)> value;
    double opened, stepped;  // down one notch
  };
  const Case cases[] = {
      {day, [](TDBGridInplaceEdit* e) { return DateOf(e->PopupCalendar()->Date()); }, EncodeDate(2026, 3, 1),
       EncodeDate(2026, 3, 2)},
      {qty, [](TDBGridInplaceEdit* e) { return e->PopupCalculator()->GetValue().AsDouble(); }, 10, 9},
      {memo, [](TDBGridInplaceEdit* e) { return e->PickList()->ItemIndex(); }, -1, 0},
  };
  for (const Case& tc : cases) {
    SCOPED_TRACE(tc.column->FieldName());
    TDBGridInplaceEdit* ed = OpenEditorAt(tc.column);
    Key(VK_DOWN, true);
    ASSERT_TRUE(ed->ListVisible());
    EXPECT_EQ(tc.value(ed), tc.opened);
    uitest::Wheel(ed, -WHEEL_DELTA);
    EXPECT_EQ(tc.value(ed), tc.stepped);
    EXPECT_TRUE(ed->ListVisible());
    // The entry the wheel went to shows in the editor, as with the list keys.
    if (tc.column == memo) {
      EXPECT_EQ(ed->Text(), "甲");
    }
    EXPECT_EQ(gridWheels, 0);
    EXPECT_EQ(docs->RecNo(), 1);
    Key(VK_ESCAPE);
  }
  // Closed, the wheel is the grid's again.
  uitest::Wheel(grid->InplaceEditor(), -WHEEL_DELTA);
  EXPECT_EQ(gridWheels, 1);
}

TEST_F(DropDownTest, RecentValuesFollowTheTyping) {
  MakeGrid(400, 200);
  TColumnGx* memo = AddColumn("MEMO");
  TMRUListGx* mru = memo->MRUList();
  mru->SetActive(true);
  mru->SetCancelWhenKeyPending(false);
  mru->Add("差旅费报销");
  mru->Add("差旅补助");
  mru->Add("办公用品");
  BindDocs();
  TDBGridInplaceEdit* ed = OpenEditorAt(memo);
  EXPECT_EQ(ed->MRUList(), mru);
  Type("差");
  ASSERT_TRUE(ed->MRUListVisible());
  TMRUListboxGx* list = ed->MRUListbox();
  EXPECT_EQ(list->Items()->Count(), 2);
  Type("旅补");
  EXPECT_EQ(list->Items()->Count(), 1);
  // Nothing matches: it closes.
  Type("x");
  EXPECT_FALSE(ed->MRUListVisible());
  ed->SetText("");
  Type("差");
  ASSERT_TRUE(ed->MRUListVisible());
  Key(VK_DOWN);
  Key(VK_DOWN);
  EXPECT_EQ(list->ItemIndex(), 1);
  Key(VK_RETURN);
  EXPECT_FALSE(ed->MRUListVisible());
  EXPECT_EQ(ed->Text(), "差旅补助");
  EXPECT_TRUE(grid->GridFocused());
  // Backspace in an empty text offers all; Esc closes without taking.
  ed->SetText("");
  Key(VK_BACK);
  ASSERT_TRUE(ed->MRUListVisible());
  EXPECT_EQ(list->Items()->Count(), 3);
  Key(VK_DOWN);
  Key(VK_ESCAPE);
  EXPECT_FALSE(ed->MRUListVisible());
  EXPECT_EQ(ed->Text(), "");
  // Opening a drop-down closes the recent values.
  TColumnGx* day = AddColumn("DAY");
  (void)day;
  ed = OpenEditorAt(memo);
  ed->SetText("");
  Type("办");
  ASSERT_TRUE(ed->MRUListVisible());
  ed->CloseMRUList(false);
}

// Enter on the recent values takes the highlighted one, also where Enter otherwise moves on.
TEST_F(DropDownTest, EnterOnTheRecentValuesTakesTheHighlightedOneWithEnterAsTab) {
  MakeGrid(400, 200);
  grid->SetOptionsGx(grid->OptionsGx() + dghEnterAsTab);
  TColumnGx* memo = AddColumn("MEMO");
  AddColumn("QTY");
  TMRUListGx* mru = memo->MRUList();
  mru->SetActive(true);
  mru->SetCancelWhenKeyPending(false);
  mru->Add("北京饭店");
  BindDocs();
  TDBGridInplaceEdit* ed = OpenEditorAt(memo);
  ed->SetText("");
  Type("北");
  ASSERT_TRUE(ed->MRUListVisible());
  Key(VK_DOWN);
  Key(VK_RETURN);
  EXPECT_FALSE(ed->MRUListVisible());
  EXPECT_EQ(ed->Text(), "北京饭店");
  EXPECT_EQ(grid->Col(), grid->DataToRawColumn(0));
  Key(VK_DOWN);
  docs->First();
  EXPECT_EQ(docs->FieldByName("MEMO")->AsString(), "北京饭店");
}

// The recent values give way to the drop-down keys.
TEST_F(DropDownTest, DropDownKeysOpenTheListOverTheRecentValues) {
  MakeGrid(400, 200);
  TColumnGx* memo = AddColumn("MEMO");
  memo->PickList()->SetText("甲\n乙");
  TMRUListGx* mru = memo->MRUList();
  mru->SetActive(true);
  mru->SetCancelWhenKeyPending(false);
  mru->Add("北京饭店");
  BindDocs();
  struct Case {
    const char* name;
    bool alt, ctrl;
    UINT key;
  };
  for (const Case& tc : {Case{"Alt+Down", true, false, VK_DOWN}, Case{"Ctrl+Enter", false, true, VK_RETURN}}) {
    SCOPED_TRACE(tc.name);
    TDBGridInplaceEdit* ed = OpenEditorAt(memo);
    ed->SetText("");
    Type("北");
    ASSERT_TRUE(ed->MRUListVisible());
    Key(tc.key, tc.alt, tc.ctrl);
    EXPECT_TRUE(ed->ListVisible());
    EXPECT_FALSE(ed->MRUListVisible());
    EXPECT_EQ(ed->Text(), "北");
    ed->CloseUp(false);
  }
}

TEST_F(DropDownTest, TheColumnDropDownBoxReachesTheList) {
  MakeGrid(400, 200);
  TColumnGx* city = AddColumn("CITYNAME");
  BindDocs();
  TColumnDropDownBoxGx* box = city->DropDownBox();
  EXPECT_TRUE(box->AutoFitColWidths());
  EXPECT_EQ(box->Options(), TDBLookupGridGxOptions{dlgColLinesGx});
  // Writing the grid to a form reads every box; that makes no drop-down grids.
  box->SetAutoFitColWidths(false);
  const std::string text = WriteComponentText(form);
  EXPECT_FALSE(box->ListMade());
  EXPECT_EQ(city->DropDownDataGridIfMade(), nullptr);
  EXPECT_NE(text.find("AutoFitColWidths = false"), std::string::npos) << text;
  box->SetAutoFitColWidths(true);
  box->SetOptions(TDBLookupGridGxOptions{dlgRowLinesGx});
  TPopupDataGridGx* list = city->GetDropDownDataGrid();
  EXPECT_EQ(list->Name(), "DataList");
  EXPECT_TRUE(list->DBOptions().Contains(dgRowLines));
  EXPECT_FALSE(list->DBOptions().Contains(dgColLines));
  // A list source of the box stands for the field's lookup set.
  TMemTableGx other(nullptr);
  other.FieldDefs().Add("CID", ftInteger);
  other.FieldDefs().Add("CNAME", ftString, 20);
  other.CreateDataSet();
  TDataSource otherSource(nullptr);
  otherSource.SetDataSet(&other);
  EXPECT_EQ(city->GetLookupDataSet(), cities.get());
  box->SetListSource(&otherSource);
  EXPECT_EQ(city->GetLookupDataSet(), &other);
  // Assign copies the settings between columns.
  TColumnGx* copy = grid->Columns()->Add();
  box->SetUseMultiTitle(true);
  box->SetAutoFitColWidths(false);
  copy->Assign(city);
  EXPECT_FALSE(copy->DropDownBox()->AutoFitColWidths());
  EXPECT_TRUE(copy->DropDownBox()->UseMultiTitle());
  EXPECT_EQ(copy->DropDownBox()->ListSource(), &otherSource);
  EXPECT_EQ(copy->DropDownBox()->Options(), TDBLookupGridGxOptions{dlgRowLinesGx});
  box->SetListSource(nullptr);
  copy->DropDownBox()->SetListSource(nullptr);
}

TEST_F(DropDownTest, AResizedListKeepsItsSizeForTheColumn) {
  MakeGrid(400, 200);
  TColumnGx* city = AddColumn("CITYNAME");
  city->SetDropDownSizing(true);
  city->SetDropDownRows(2);
  BindDocs();
  TDBGridInplaceEdit* ed = OpenEditorAt(city);
  ed->DropDown();
  TPopupDataGridGx* list = ed->DataList();
  EXPECT_TRUE(list->SizeGrip()->Visible());
  // The user drags the grip down and right.
  TSizeGripGx* grip = list->SizeGrip();
  const TPoint from = grip->ClientToScreen(TPoint(grip->Width() - 2, grip->Height() - 2));
  FanoInputMouseButton(0, TRUE, from.X, from.Y);
  FanoInputMouseMove(from.X + 30, from.Y + list->DefaultRowHeight() + 2);
  FanoInputMouseButton(0, FALSE, from.X + 30, from.Y + list->DefaultRowHeight() + 2);
  gridtest::Pump();
  ASSERT_TRUE(list->SizeGripResized());
  const int width = list->Width();
  ed->CloseUp(false);
  EXPECT_EQ(city->DropDownRows(), 3);
  EXPECT_EQ(city->DropDownWidth(), width);
}

// Each drop-down open under its cell, written with the real fonts for people to look at; pixel
// probes check the chosen rows are marked.
class DropDownSnapshot : public DropDownTest {
 protected:
  void SetUp() override {
    DropDownTest::SetUp();
    FanoSetTestFont(FALSE);
  }
  void TearDown() override {
    DropDownTest::TearDown();
    FanoSetTestFont(TRUE);
  }
  void MakeDocumentGrid() {
    MakeGrid(460, 200);
    AddColumn("ID", "序号")->SetWidth(40);
    AddColumn("DAY", "日期")->SetWidth(90);
    TColumnGx* city = AddColumn("CITYNAME", "城市");
    city->SetWidth(100);
    TColumnGx* qty = AddColumn("QTY", "金额");
    qty->SetButtonStyle(cbsDropDown);
    qty->SetWidth(80);
    TColumnGx* memo = AddColumn("MEMO", "摘要");
    memo->SetWidth(120);
    memo->PickList()->SetText("差旅费报销\n办公用品采购\n会议场地租金");
    BindDocs();
  }
  void Snap(TWinControl* list, const std::string& name) {
    gridtest::Pump();
    list->Invalidate();
    form->Invalidate();
    gridtest::Pump();
    WriteScreenSnapshot({form->Handle(), list->Handle()}, name);
  }
};

TEST_F(DropDownSnapshot, LookupList) {
  MakeDocumentGrid();
  TColumnGx* city = grid->Columns()->Items(2);
  city->SetDropDownShowTitles(true);
  city->DropDownSpecRow()->SetCellsText("(无)");
  city->DropDownSpecRow()->SetVisible(true);
  TDBGridInplaceEdit* ed = OpenEditorAt(city);
  ed->DropDown();
  Key(VK_DOWN);
  TPopupDataGridGx* list = ed->DataList();
  ASSERT_TRUE(list->Visible());
  const TRect marked = list->CellRect(list->IndicatorOffset(), list->GetTitleOffset() + 1);
  gridtest::Pump();
  const TPoint probe = list->ClientToScreen(TPoint(marked.Right - 3, marked.Top + 3));
  EXPECT_EQ(uitest::WindowPixelAt(list, probe), ColorToRGB(clHighlight));
  // (The sheet the picture is laid out on takes the focus, which closes the list.)
  Snap(list, "grid_dropdown_lookup.png");
  ed->CloseUp(false);
}

TEST_F(DropDownSnapshot, PickList) {
  MakeDocumentGrid();
  TDBGridInplaceEdit* ed = OpenEditorAt(grid->Columns()->Items(4));
  ed->DropDown();
  Key(VK_DOWN);
  ASSERT_TRUE(ed->ListVisible());
  Snap(ed->ActiveList(), "grid_dropdown_picklist.png");
  ed->CloseUp(false);
}

TEST_F(DropDownSnapshot, PickListWithImages) {
  MakeDocumentGrid();
  TImageList images(nullptr, 12, 12);
  for (TColor colour : {clRed, clGreen, clBlue}) {
    TBitmap bmp;
    bmp.SetSize(12, 12);
    bmp.Canvas()->Brush()->SetColor(colour);
    bmp.Canvas()->FillRect(TRect(0, 0, 12, 12));
    images.Add(&bmp, nullptr);
  }
  TColumnGx* memo = grid->Columns()->Items(4);
  memo->SetImageList(&images);
  memo->SetShowImageAndText(true);
  TDBGridInplaceEdit* ed = OpenEditorAt(memo);
  ed->DropDown();
  Key(VK_DOWN);
  ASSERT_TRUE(ed->ListVisible());
  TPopupListboxGx* pick = ed->PickList();
  gridtest::Pump();
  const TRect first = pick->ItemRect(2);
  const TPoint probe = pick->ClientToScreen(TPoint(first.Left + 7, (first.Top + first.Bottom) / 2));
  EXPECT_EQ(uitest::WindowPixelAt(pick, probe), ColorToRGB(clBlue));
  Snap(pick, "grid_dropdown_picklist_images.png");
  ed->CloseUp(false);
  memo->SetImageList(nullptr);
}

TEST_F(DropDownSnapshot, Calendar) {
  MakeDocumentGrid();
  TDBGridInplaceEdit* ed = OpenEditorAt(grid->Columns()->Items(1));
  ed->DropDown();
  ASSERT_TRUE(ed->ListVisible());
  Snap(ed->ActiveList(), "grid_dropdown_calendar.png");
  ed->CloseUp(false);
}

TEST_F(DropDownSnapshot, Calculator) {
  MakeDocumentGrid();
  TDBGridInplaceEdit* ed = OpenEditorAt(grid->Columns()->Items(3));
  ed->DropDown();
  Type("*3");
  ASSERT_TRUE(ed->ListVisible());
  Snap(ed->ActiveList(), "grid_dropdown_calculator.png");
  ed->CloseUp(false);
}

TEST_F(DropDownSnapshot, RecentValues) {
  MakeDocumentGrid();
  TColumnGx* memo = grid->Columns()->Items(4);
  memo->PickList()->Clear();
  memo->MRUList()->SetActive(true);
  memo->MRUList()->SetCancelWhenKeyPending(false);
  for (const char* t : {"差旅费报销（北京）", "差旅补助", "办公用品", "差额调整"}) memo->MRUList()->Add(t);
  TDBGridInplaceEdit* ed = OpenEditorAt(memo);
  Type("差");
  ASSERT_TRUE(ed->MRUListVisible());
  Key(VK_DOWN);
  Snap(ed->MRUListbox(), "grid_dropdown_recent.png");
  ed->CloseMRUList(false);
}

}  // namespace
