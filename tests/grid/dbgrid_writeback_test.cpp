// Text written back from a cell goes through the column's kind: a key-list column stores the key of
// the picked text (Null for text in no list), a lookup column the key of the looked-up record.
#include <gtest/gtest.h>

#include "dbgrid_test_util.h"

using namespace dbgridtest;

namespace {

class WriteBackTest : public DBGridTest {
 protected:
  void MakeFlagGrid() {
    AddRow(1, "a", 1, "Y");
    AddRow(2, "b", 2, "Y");
    table->First();
    MakeGrid();
    AddColumn("ID");
    flag = AddColumn("FLAG");
    flag->PickList()->Add("是");
    flag->PickList()->Add("否");
    flag->KeyList()->Add("Y");
    flag->KeyList()->Add("N");
    Bind();
    grid->SetFocus();
    gridtest::Pump();
    grid->SetCol(grid->DataToRawColumn(1));
  }
  void Key(UINT vk) {
    FanoInputKey(vk, TRUE);
    FanoInputKey(vk, FALSE);
    gridtest::Pump();
  }
  TColumnGx* flag = nullptr;
};

}  // namespace

TEST_F(WriteBackTest, KeyListColumnStoresTheKeyOfTheText) {
  MakeFlagGrid();
  ASSERT_EQ(flag->GetColumnType(), ckKeyList);
  table->Edit();
  grid->SetEditText(grid->Col(), grid->Row(), "否");
  table->Post();
  EXPECT_EQ(table->FieldByName("FLAG")->AsString(), "N");
  EXPECT_EQ(flag->GetDisplayText(), "否");

  // Text in no list, and no text, leave no value.
  table->Edit();
  grid->SetEditText(grid->Col(), grid->Row(), "也许");
  table->Post();
  EXPECT_TRUE(table->FieldByName("FLAG")->IsNull());
  table->Edit();
  table->FieldByName("FLAG")->SetValue("Y");
  grid->SetEditText(grid->Col(), grid->Row(), "");
  table->Post();
  EXPECT_TRUE(table->FieldByName("FLAG")->IsNull());
}

TEST_F(WriteBackTest, UnknownTextAsksTheColumnFirst) {
  // Set by code, typed into the cell or cleared with Delete, and taken with Enter: a text in no
  // list asks the column; a handler that adds it stores its key, one that does not leaves Null,
  // and one that takes the data set to another record leaves the text no record to go to, so
  // neither record is written. An emptied key-list cell asks nothing; an emptied pick-list cell
  // asks about the empty text.
  enum How { Set, Typed, Cleared };
  enum Handler { Adds, Nothing, MovesOn };
  const struct {
    bool pickOnly;
    How how;
    Handler handler;
    const char* text;
    int asked;
    const char* flags;  // of both records, empty for Null
  } cases[] = {{false, Set, Adds, "也许", 1, "M Y"},      {false, Typed, Adds, "不", 1, "M Y"},
               {false, Typed, Nothing, "不", 1, " Y"},    {false, Cleared, Adds, "", 0, " Y"},
               {true, Cleared, Nothing, "", 1, " Y"},     {false, Typed, MovesOn, "不", 1, "Y Y"},
               {true, Typed, MovesOn, "不", 1, "Y Y"}};
  for (const auto& k : cases) {
    SCOPED_TRACE(std::to_string(&k - cases));
    MakeFlagGrid();
    if (k.pickOnly) flag->KeyList()->Clear();
    int asked = 0;
    flag->OnNotInList = [&](TObject*, const std::string& text, bool& recheck) {
      ++asked;
      EXPECT_EQ(text, k.text);
      if (k.handler == MovesOn) {
        table->Next();
        table->Edit();
      }
      if (k.handler != Adds) return;
      flag->PickList()->Add(text);
      flag->KeyList()->Add("M");
      recheck = true;
    };
    if (k.how == Set) {
      table->Edit();
      grid->SetEditText(grid->Col(), grid->Row(), k.text);
    } else {
      if (k.how == Typed) FanoInputText(k.text);
      else Key(VK_F2), grid->InplaceEditor()->SelectAll(), Key(VK_DELETE);
      gridtest::Pump();
      ASSERT_EQ(grid->InplaceEditor()->Text(), k.text);
      Key(VK_RETURN);
    }
    if (table->State() != dsBrowse) table->Post();
    EXPECT_EQ(asked, k.asked);
    table->First();
    std::string flags = table->FieldByName("FLAG")->AsString() + " ";
    table->Next();
    EXPECT_EQ(flags + table->FieldByName("FLAG")->AsString(), k.flags);
    form->Free();
    form = nullptr;
    table->EmptyTable();
  }
}

TEST_F(WriteBackTest, PickedTextThenDownKeepsTheKey) {
  MakeFlagGrid();
  FanoInputText("否");
  gridtest::Pump();
  Key(VK_RETURN);
  EXPECT_EQ(table->FieldByName("FLAG")->AsString(), "N");
  Key(VK_DOWN);
  table->First();
  EXPECT_EQ(table->FieldByName("FLAG")->AsString(), "N");
}

TEST_F(DBGridTest, LookupColumnStoresTheKeyOfTheLookedUpText) {
  LookupTables tables;
  TMemTableGx& main = tables.main;
  TDataSource& src = tables.source;
  MakeGrid();
  AddColumn("KNAME");
  grid->SetDataSource(&src);
  main.Edit();
  grid->SetEditText(grid->DataToRawColumn(0), grid->Row(), "乙");
  main.Post();
  EXPECT_EQ(main.FieldByName("KID")->AsInteger(), 2);
  main.Edit();
  grid->SetEditText(grid->DataToRawColumn(0), grid->Row(), "丁");
  main.Post();
  EXPECT_TRUE(main.FieldByName("KID")->IsNull());
  // Typed and taken with Enter, a text no record shows asks the column once, though the editor
  // keeps showing it until the record is saved; the special row's text (a Null key) asks nothing.
  TColumnGx* k = grid->Columns()->Items(0);
  int asked = 0;
  k->OnNotInList = [&](TObject*, const std::string&, bool&) { ++asked; };
  k->DropDownSpecRow()->SetCellsText("(无)");
  k->DropDownSpecRow()->SetVisible(true);
  grid->SetFocus();
  for (bool special : {false, true}) {
    SCOPED_TRACE(special);
    asked = 0;
    main.Edit();
    main.FieldByName("KID")->SetAsInteger(1);
    main.Post();
    grid->SetEditorMode(true);
    grid->InplaceEditor()->SelectAll();
    if (special) uitest::KeyPress(VK_DELETE, false, false, true);  // Alt+Del
    else Type("丁");
    ASSERT_EQ(grid->InplaceEditor()->Text(), special ? "(无)" : "丁");
    Key(VK_RETURN);
    main.Post();
    EXPECT_EQ(asked, special ? 0 : 1);
    EXPECT_TRUE(main.FieldByName("KID")->IsNull());
  }
  // A handler that moves to another record: that record keeps its key.
  main.Edit();
  main.FieldByName("KID")->SetAsInteger(1);
  main.Post();
  main.Append();
  main.FieldByName("KID")->SetAsInteger(2);
  main.Post();
  main.First();
  k->OnNotInList = [&](TObject*, const std::string&, bool&) { main.Next(); };
  grid->SetEditorMode(true);
  grid->InplaceEditor()->SelectAll();
  Type("丁");
  Key(VK_RETURN);
  if (main.State() != dsBrowse) main.Post();
  EXPECT_EQ(main.FieldByName("KID")->AsInteger(), 2);
  main.First();
  EXPECT_EQ(main.FieldByName("KID")->AsInteger(), 1);
  grid->SetDataSource(nullptr);
}

TEST_F(DBGridTest, ColumnsChangedByCodeWhileACellIsEditedKeepItsText) {
  // What happens to the columns while "row1" is edited in NAME; where the typed text must end.
  enum Change { Free, MoveFirst, Insert, WidenFirst };
  const struct {
    Change change;
    const char* name;  // NAME after posting
  } cases[] = {{Free, "row1"}, {MoveFirst, "row1ab"}, {Insert, "row1ab"}, {WidenFirst, "row1ab"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.change));
    AddRows(2);
    MakeGrid(600);
    AddColumn("ID");
    TColumnGx* name = AddColumn("NAME");
    AddColumn("AMOUNT");
    AddColumn("FLAG");
    grid->SetDBOptions(grid->DBOptions() + TDBGridOptions{dgEditing});
    Bind();
    grid->SetFocus();
    grid->SetCol(grid->DataToRawColumn(1));
    gridtest::Pump();
    Key(VK_F2);
    Key(VK_END);
    Type("ab");
    ASSERT_TRUE(grid->EditorMode());
    ASSERT_EQ(grid->InplaceEditor()->Text(), "row1ab");
    switch (c.change) {
      case Free: delete name; break;
      case MoveFirst: name->SetIndex(0); break;
      case Insert: {
        TColumnGx* extra = grid->Columns()->Add();
        extra->SetFieldName("FLAG");
        extra->SetIndex(0);
        break;
      }
      case WidenFirst: grid->Columns()->Items(0)->SetWidth(grid->Columns()->Items(0)->Width() + 40); break;
    }
    gridtest::Pump();
    // The editor sits on the current cell and shows that cell's text or the text typed for it.
    if (grid->EditorMode() && grid->InplaceEditor()->Visible()) {
      EXPECT_EQ(grid->InplaceEditor()->BoundsRect().Left, grid->CellRect(grid->Col(), grid->Row()).Left);
      if (grid->SelectedField() != table->FieldByName("NAME")) {
        EXPECT_EQ(grid->InplaceEditor()->Text(), grid->GetEditText(grid->Col(), grid->Row()));
      }
    }
    EXPECT_NO_THROW(table->Post());
    EXPECT_EQ(table->FieldByName("NAME")->AsString(), c.name);
    EXPECT_EQ(table->FieldByName("ID")->AsInteger(), 1);
    EXPECT_TRUE(table->FieldByName("FLAG")->IsNull());
    form->Free();
    form = nullptr;
    table->EmptyTable();
  }
}

// A program changing a field while a cell is being edited: another field leaves the typed text to
// be saved with the record, shown by the editor or handed back; the cell's own field wins.
TEST_F(DBGridTest, AFieldChangedByCodeWhileACellIsEditedKeepsTheTypedText) {
  const struct {
    const char* changed;
    bool hidden;  // the editor gone (by code) before the change
    const char* name;
  } cases[] = {{"AMOUNT", false, "zz"}, {"AMOUNT", true, "zz"}, {"NAME", false, "code"}};
  for (const auto& k : cases) {
    SCOPED_TRACE(std::string(k.changed) + (k.hidden ? " hidden" : ""));
    AddRows(2);
    MakeGrid();
    AddColumn("ID");
    AddColumn("NAME");
    Bind();
    grid->SetFocus();
    grid->SetCol(grid->DataToRawColumn(1));
    gridtest::Pump();
    Type("zz");
    if (k.hidden) grid->SetEditorMode(false);
    table->FieldByName(k.changed)->SetValue(std::string(k.changed) == "NAME" ? Variant("code") : Variant(9.5));
    gridtest::Pump();
    Key(VK_DOWN);
    if (table->State() != dsBrowse) table->Post();
    table->First();
    EXPECT_EQ(table->FieldByName("NAME")->AsString(), k.name);
    form->Free();
    form = nullptr;
    table->EmptyTable();
  }
}

// Text typed into a cell and then typed back to what the field holds stores the field's text, not
// the text typed before it, also when the editor is gone before the record is saved.
TEST_F(DBGridTest, ACellTypedBackToItsTextKeepsThatText) {
  AddRows(2);
  MakeGrid();
  AddColumn("ID");
  AddColumn("NAME");
  Bind();
  grid->SetFocus();
  grid->SetCol(grid->DataToRawColumn(1));
  gridtest::Pump();
  Type("xyz");
  ASSERT_EQ(grid->InplaceEditor()->Text(), "xyz");
  grid->InplaceEditor()->SelectAll();
  Type("row1");
  grid->SetEditorMode(false);
  ASSERT_EQ(table->State(), dsEdit);
  table->Post();
  EXPECT_EQ(table->FieldByName("NAME")->AsString(), "row1");
}

// The editor of a memo cell holds the memo: text added to it, or typed over it, is what is stored.
TEST_F(DBGridTest, MemoCellEditsTheMemoItself) {
  TMemTableGx notes(nullptr);
  notes.FieldDefs().Add("ID", ftInteger);
  notes.FieldDefs().Add("NOTE", ftMemo);
  notes.CreateDataSet();
  notes.Append();
  notes.FieldByName("ID")->SetAsInteger(1);
  notes.FieldByName("NOTE")->SetAsString("line1\nline2");
  notes.Post();
  TDataSource src(nullptr);
  src.SetDataSet(&notes);
  MakeGrid();
  grid->SetDrawMemoText(true);
  AddColumn("NOTE");
  grid->SetDataSource(&src);
  grid->SetFocus();
  gridtest::Pump();
  EXPECT_EQ(grid->GetEditText(grid->Col(), grid->Row()), "line1\r\nline2");

  struct Case {
    const char* memo;
    bool f2;  // F2 first puts the caret after the text; without it typing replaces the text
    const char* stored;
  };
  // CR LF is one line break, as LF alone is: the memo keeps its lines, none doubled.
  for (const Case& c : {Case{"line1\nline2", true, "line1\r\nline2x"}, Case{"line1\nline2", false, "x"},
                        Case{"line1\r\nline2", true, "line1\r\nline2x"}}) {
    SCOPED_TRACE(c.stored);
    notes.Edit();
    notes.FieldByName("NOTE")->SetAsString(c.memo);
    notes.Post();
    if (c.f2) Key(VK_F2);
    Type("x");
    Key(VK_RETURN);
    ASSERT_EQ(notes.State(), dsEdit);
    notes.Post();
    EXPECT_EQ(notes.FieldByName("NOTE")->AsString(), c.stored);
  }
  // A formatted memo shows its text too.
  TMemTableGx fmt(nullptr);
  fmt.FieldDefs().Add("NOTE", ftFmtMemo);
  fmt.CreateDataSet();
  fmt.Append();
  fmt.FieldByName("NOTE")->SetAsString("a\rb");
  fmt.Post();
  TDataSource fmtSrc(nullptr);
  fmtSrc.SetDataSet(&fmt);
  grid->SetDataSource(&fmtSrc);
  gridtest::Pump();
  EXPECT_EQ(grid->GetEditText(grid->Col(), grid->Row()), "a\r\nb");
  grid->SetDataSource(nullptr);
}
