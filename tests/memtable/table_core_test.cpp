// The memory table as a dataset: opening and its errors, field values and buffers, navigation,
// bookmarks, editing through the record store, Locate and Lookup.
#include <gtest/gtest.h>

#include <utility>

#include "platform/classes/filer.h"
#include "table_support.h"

using namespace mttable_test;

TEST(MemTableOpen, WithoutStructureOrFields) {
  TMemTableGx t;
  t.SetName("mtblEmpty");
  EXPECT_EQ(ErrorOf([&] { t.Open(); }), "mtblEmpty: MemTable don't have data.");
  EXPECT_FALSE(t.Active());
}

TEST(MemTableOpen, CreateDataSetOpensEmpty) {
  TMemTableGx t;
  MakeTable(t);
  ASSERT_TRUE(t.Active());
  EXPECT_EQ(t.RecordCount(), 0);
  EXPECT_TRUE(t.Bof());
  EXPECT_TRUE(t.Eof());
  Variant v;
  // Reading a field of an empty table yields no value, not an error.
  EXPECT_FALSE(t.FieldByName("ID")->GetData(v));
  EXPECT_TRUE(t.FieldByName("NAME")->IsNull());
}

namespace {
// A table that makes no fields of its own from the definitions.
class TNoFieldsTable : public TMemTableGx {
 public:
  void CreateFields() override {}
};
}  // namespace

TEST(MemTableOpen, NoFieldsDefined) {
  TNoFieldsTable t;
  t.SetName("mtblNoFields");
  t.MemTableData()->DataStruct()->CreateField<TMTStringDataFieldGx>()->SetFieldName("A");
  EXPECT_EQ(ErrorOf([&] { t.Open(); }), "mtblNoFields: No fields defined. Cannot create dataset.");
  EXPECT_FALSE(t.Active());
  // The same store opens once the table makes its fields.
  TMemTableGx u;
  u.MemTableData()->DataStruct()->CreateField<TMTStringDataFieldGx>()->SetFieldName("A");
  u.Open();
  EXPECT_EQ(u.FieldCount(), 1);
}

TEST(MemTableOpen, CloseAndReopenKeepsRows) {
  TMemTableGx t;
  MakeTable(t);
  AppendRow(t, 1, "a");
  AppendRow(t, 2, "b");
  t.Close();
  EXPECT_EQ(t.FieldCount(), 0);  // default fields go with the cursor
  t.Open();
  EXPECT_EQ(t.RecordCount(), 2);
  EXPECT_EQ(Ids(t), (std::vector<int>{1, 2}));
}

TEST(MemTableOpen, CreateDataSetFromFieldsMarksAutoIncrement) {
  TMemTableGx t;
  t.SetName("mtblAuto");
  auto* id = new TIntegerField(&t);
  id->SetFieldName("ID");
  id->SetAutoGenerateValue(arAutoInc);
  id->SetDataSet(&t);
  auto* name = new TStringField(&t);
  name->SetFieldName("NAME");
  name->SetSize(10);
  name->SetDataSet(&t);
  t.CreateDataSet();
  ASSERT_TRUE(t.Active());
  EXPECT_TRUE(t.MemTableData()->DataStruct()->FindField("ID")->AutoIncrement());
  t.Append();
  t.FieldByName("NAME")->SetValue("x");
  t.Post();
  t.Append();
  t.FieldByName("NAME")->SetValue("y");
  t.Post();
  // The counter starts at -1 and steps by -1.
  EXPECT_EQ(Ids(t), (std::vector<int>{-1, -2}));
}

TEST(MemTableOpen, CreateDataSetRefusesUnknownFieldTypes) {
  TMemTableGx t;
  t.SetName("mtblWide");
  auto* memo = new TWideMemoField(&t);
  memo->SetFieldName("TXT");
  memo->SetDataSet(&t);
  EXPECT_EQ(ErrorOf([&] { t.CreateDataSet(); }), "mtblWide: Field 'TXT' is of an unknown type");
}

TEST(MemTableFields, WritingOneFieldKeepsTheOthers) {
  TMemTableGx t;
  MakeTable(t);
  AppendRow(t, 1, "alpha", 10.5);
  t.First();
  t.Edit();
  t.FieldByName("NAME")->SetValue("beta");
  // The other fields still show the stored values in the edit buffer.
  EXPECT_EQ(t.FieldByName("ID")->AsInteger(), 1);
  EXPECT_DOUBLE_EQ(t.FieldByName("AMOUNT")->AsFloat(), 10.5);
  t.Post();
  EXPECT_EQ(t.FieldByName("NAME")->AsString(), "beta");
  EXPECT_EQ(t.FieldByName("ID")->AsInteger(), 1);
  EXPECT_DOUBLE_EQ(t.FieldByName("AMOUNT")->AsFloat(), 10.5);
}

TEST(MemTableFields, WritingOutsideEditRaises) {
  TMemTableGx t;
  MakeTable(t);
  AppendRow(t, 1, "a");
  EXPECT_EQ(ErrorOf([&] { t.FieldByName("NAME")->SetValue("z"); }), "mtblTest: Dataset not in edit or insert mode");
}

TEST(MemTableFields, ValueEventsReplaceValues) {
  TMemTableGx t;
  MakeTable(t);
  t.OnSetFieldValue = [](TCustomMemTableGx*, TField* f, Variant& v) {
    if (f->FieldName() == "NAME") v = VarToStr(v) + "!";
  };
  AppendRow(t, 1, "a");
  EXPECT_EQ(t.FieldByName("NAME")->AsString(), "a!");
  // What the handler makes is held as the field's text, cut to its 20 code-page bytes as every
  // other write is (a Chinese character takes two, and is never split; a number becomes text).
  struct Case {
    Variant made;
    const char* reads;
  };
  for (const Case& c : {Case{Variant("ab123456789012345678901"), "ab123456789012345678"},
                        Case{Variant("甲乙丙丁戊己庚辛壬癸子丑"), "甲乙丙丁戊己庚辛壬癸"},
                        Case{Variant("a甲乙丙丁戊己庚辛壬癸"), "a甲乙丙丁戊己庚辛壬"},
                        Case{Variant(-1.23456789012346e-300), "-1.23456789012346E-3"}}) {
    t.OnSetFieldValue = [&c](TCustomMemTableGx*, TField* f, Variant& v) {
      if (f->FieldName() == "NAME") v = c.made;
    };
    t.Edit();
    t.FieldByName("NAME")->SetValue("ab");
    EXPECT_EQ(t.FieldByName("NAME")->AsString(), c.reads);
    t.Post();
    EXPECT_EQ(t.FieldByName("NAME")->AsString(), c.reads);
    EXPECT_TRUE(t.FieldByName("NAME")->Value().IsStr());
  }
  // A handler that leaves no value writes Null, also into the stored row.
  t.OnSetFieldValue = [](TCustomMemTableGx*, TField*, Variant& v) { v = Variant(); };
  t.Edit();
  t.FieldByName("ID")->SetValue(7);
  t.FieldByName("NAME")->SetValue("ab");
  t.Post();
  EXPECT_TRUE(t.FieldByName("ID")->IsNull());
  EXPECT_TRUE(t.FieldByName("NAME")->IsNull());
  t.OnSetFieldValue = nullptr;
  t.OnGetFieldValue = [](TCustomMemTableGx*, TField* f, Variant& v) {
    if (f->FieldName() == "ID") v = Null();
  };
  EXPECT_TRUE(t.FieldByName("ID")->IsNull());
}

// A handler of the write that posts, cancels or closes the table leaves the value nowhere: the
// write is refused and the row keeps what it had.
TEST(MemTableFields, AHandlerThatEndsTheEditRefusesTheWrite) {
  const std::pair<const char*, std::function<void(TDataSet&)>> steps[] = {
      {"Post", [](TDataSet& t) { t.Post(); }},
      {"Cancel", [](TDataSet& t) { t.Cancel(); }},
      {"Close", [](TDataSet& t) { t.Close(); }},
      {"Post and edit the next row", [](TDataSet& t) {
         t.Post();
         t.Next();
         t.Edit();
       }}};
  for (bool ownFields : {true, false}) {
    for (bool validates : {false, true}) {
      for (const auto& [name, step] : steps) {
        SCOPED_TRACE(std::string(name) + (validates ? " in OnValidate" : " in OnSetFieldValue") +
                     (ownFields ? "" : ", default fields"));
        TMemTableGx t;
        // Default fields go with a Close: a validating field that closes its table is freed under its
        // own handler, and nothing may touch it afterwards (the sanitized run holds that).
        if (ownFields)
          MakeSumTable(t, "mtblEnd");
        else
          MakeTable(t, "mtblEnd");
        AppendRow(t, 1, "a");
        AppendRow(t, 2, "z");
        t.First();
        bool ended = false;
        auto end = [&t, &ended, &step = step] {
          if (!std::exchange(ended, true)) step(t);
        };
        if (validates)
          t.FieldByName("NAME")->SetOnValidate([&](TField*) { end(); });
        else
          t.OnSetFieldValue = [&](TCustomMemTableGx*, TField*, Variant&) { end(); };
        t.Edit();
        EXPECT_EQ(ErrorOf([&] { t.FieldByName("NAME")->SetValue("b"); }), "mtblEnd: Dataset not in edit or insert mode");
        t.Open();
        if (t.State() == dsEdit) t.Post();
        EXPECT_EQ(t.Lookup("ID", 1, "NAME"), Variant("a"));
        EXPECT_EQ(t.Lookup("ID", 2, "NAME"), Variant("z"));
      }
    }
  }
}

TEST(MemTableFields, OldValueReadsTheValuesBeforeTheCachedChange) {
  TMemTableGx t;
  MakeTable(t);
  AppendRow(t, 1, "before");
  t.SetCachedUpdates(true);
  t.Edit();
  t.FieldByName("NAME")->SetValue("after");
  t.Post();
  EXPECT_EQ(t.FieldByName("NAME")->AsString(), "after");
  EXPECT_EQ(VarToStr(t.FieldByName("NAME")->OldValue()), "before");
}

TEST(MemTableFields, CalculatedFieldsAreComputedPerRow) {
  TMemTableGx t;
  MakeCalcTable(t, "mtblCalc", "TWICE", [](TDataSet* ds) { return ds->FieldByName("ID")->AsInteger() * 2; });
  AppendRow(t, 3, "a");
  AppendRow(t, 5, "b");
  EXPECT_EQ(Ids(t, "TWICE"), (std::vector<int>{6, 10}));
}

TEST(MemTableNavigation, RecNoAndBookmarks) {
  TMemTableGx t;
  MakeTable(t);
  for (int i = 1; i <= 5; ++i) AppendRow(t, i, "n" + std::to_string(i));
  t.SetRecNo(3);
  EXPECT_EQ(t.RecNo(), 3);
  EXPECT_EQ(t.FieldByName("ID")->AsInteger(), 3);
  // Out of range does nothing.
  t.SetRecNo(0);
  t.SetRecNo(6);
  EXPECT_EQ(t.RecNo(), 3);
  TBookmark bm = t.GetBookmark();
  ASSERT_EQ(bm.size(), 4u);
  EXPECT_TRUE(t.BookmarkValid(bm));
  t.Last();
  EXPECT_EQ(t.RecNo(), 5);
  t.GotoBookmark(bm);
  EXPECT_EQ(t.FieldByName("ID")->AsInteger(), 3);
  EXPECT_LT(t.CompareBookmarks({}, bm), 0);
  EXPECT_EQ(t.CompareBookmarks({}, {}), 0);
  EXPECT_GT(t.CompareBookmarks(t.GetBookmark(), TBookmark{1, 0, 0, 0}), 0);
  EXPECT_FALSE(t.BookmarkValid(TBookmark{6, 0, 0, 0}));
  EXPECT_EQ(ErrorOf([&] { t.GotoBookmark(TBookmark{9, 0, 0, 0}); }), "mtblTest: Record not found");
}

TEST(MemTableNavigation, BookmarksArePositions) {
  TMemTableGx t;
  MakeTable(t);
  AppendRow(t, 1, "a");
  AppendRow(t, 2, "b");
  t.Last();
  TBookmark bm = t.GetBookmark();
  t.First();
  t.Insert();
  t.FieldByName("ID")->SetValue(0);
  t.Post();
  t.GotoBookmark(bm);
  // The bookmark names the second position, which now holds another row.
  EXPECT_EQ(t.FieldByName("ID")->AsInteger(), 1);
}

TEST(MemTableNavigation, RecNoOfARowBeingInsertedIsZero) {
  TMemTableGx t;
  MakeTable(t);
  AppendRow(t, 1, "a");
  t.Insert();
  EXPECT_EQ(t.RecNo(), 0);
  EXPECT_EQ(t.GetRowCount(), 2);
  t.Cancel();
  EXPECT_EQ(t.GetRowCount(), 1);
}

TEST(MemTableEditing, InsertPlacesTheRowBeforeTheCurrentOne) {
  TMemTableGx t;
  MakeTable(t);
  AppendRow(t, 1, "a");
  AppendRow(t, 3, "c");
  t.Last();
  t.Insert();
  t.FieldByName("ID")->SetValue(2);
  t.Post();
  EXPECT_EQ(t.FieldByName("ID")->AsInteger(), 2);
  EXPECT_EQ(t.RecNo(), 2);
  EXPECT_EQ(Ids(t), (std::vector<int>{1, 2, 3}));
  // Insert into an empty table.
  TMemTableGx u;
  MakeTable(u, "mtblU");
  u.Insert();
  u.FieldByName("ID")->SetValue(7);
  u.Post();
  EXPECT_EQ(Ids(u), (std::vector<int>{7}));
}

TEST(MemTableEditing, DeletingTheLastRowMovesToTheNewLast) {
  TMemTableGx t;
  MakeTable(t);
  for (int i = 1; i <= 3; ++i) AppendRow(t, i, "x");
  t.Last();
  t.Delete();
  EXPECT_EQ(t.RecordCount(), 2);
  EXPECT_EQ(t.FieldByName("ID")->AsInteger(), 2);
  t.First();
  t.Delete();
  EXPECT_EQ(t.FieldByName("ID")->AsInteger(), 2);
  t.Delete();
  EXPECT_TRUE(t.IsEmpty());
}

TEST(MemTableEditing, CancelOfAnEditRestoresTheStoredValues) {
  TMemTableGx t;
  MakeTable(t);
  AppendRow(t, 1, "a");
  t.Edit();
  t.FieldByName("NAME")->SetValue("changed");
  t.Cancel();
  EXPECT_EQ(t.FieldByName("NAME")->AsString(), "a");
  EXPECT_EQ(t.RecordsList()->Rec(0)->Value(1), Variant("a"));
}

TEST(MemTableEditing, ARefusedPostLeavesTheStoredRowAsItWas) {
  TMemTableGx t;
  t.SetName("mtblKeyed");
  DefineFields(t);
  t.IndexDefs()->Add("PK", "ID", {ixUnique});
  t.CreateDataSet();
  AppendRow(t, 1, "a");
  AppendRow(t, 2, "b");
  t.Last();
  t.Edit();
  t.FieldByName("ID")->SetValue(1);
  EXPECT_EQ(ErrorOf([&] { t.Post(); }), "Unical key violation 1");
  EXPECT_EQ(t.State(), dsEdit);
  // The store still holds 2; the edit waits in the buffer.
  EXPECT_EQ(t.RecordsList()->Rec(1)->Value(0), Variant(2));
  t.FieldByName("ID")->SetValue(3);
  t.Post();
  EXPECT_EQ(Ids(t), (std::vector<int>{1, 3}));
  // An insert with a duplicate key leaves nothing behind.
  t.Append();
  t.FieldByName("ID")->SetValue(3);
  EXPECT_EQ(ErrorOf([&] { t.Post(); }), "Unical key violation 3");
  t.Cancel();
  EXPECT_EQ(t.RecordsList()->Count(), 2);
}

TEST(MemTableEditing, ReadOnlyRefusesChanges) {
  TMemTableGx t;
  MakeTable(t);
  t.SetReadOnly(true);
  EXPECT_FALSE(t.CanModify());
  EXPECT_EQ(ErrorOf([&] { t.Append(); }), "mtblTest: Cannot modify a read-only dataset");
}

TEST(MemTableEditing, DefaultExpressionsAndRequiredFields) {
  TMemTableGx t;
  t.SetName("mtblDefaults");
  DefineFields(t);
  for (int i = 0; i < t.FieldDefs().Count(); ++i) t.FieldDefs().Items(i)->CreateField(&t);
  t.FieldByName("NAME")->SetDefaultExpression("'none'");
  t.FieldByName("AMOUNT")->SetDefaultExpression("1.5");
  t.FieldByName("ID")->SetRequired(true);
  t.CreateDataSet();
  t.Append();
  EXPECT_EQ(t.FieldByName("NAME")->AsString(), "none");
  EXPECT_DOUBLE_EQ(t.FieldByName("AMOUNT")->AsFloat(), 1.5);
  EXPECT_EQ(ErrorOf([&] { t.Post(); }), "mtblDefaults: Field 'ID' must have a value");
  t.Cancel();
}

TEST(MemTableLocate, ScanAndOptions) {
  TMemTableGx t;
  MakeTable(t);
  AppendRow(t, 1, "Apple");
  AppendRow(t, 2, "banana");
  AppendRow(t, 3, "Cherry");
  t.First();
  EXPECT_TRUE(t.Locate("NAME", "banana", {}));
  EXPECT_EQ(t.RecNo(), 2);
  EXPECT_FALSE(t.Locate("NAME", "BANANA", {}));
  EXPECT_EQ(t.RecNo(), 2);  // a miss leaves the cursor
  EXPECT_TRUE(t.Locate("NAME", "CHERRY", {loCaseInsensitive}));
  EXPECT_EQ(t.RecNo(), 3);
  EXPECT_TRUE(t.Locate("NAME", "App", {loPartialKey}));
  EXPECT_EQ(t.RecNo(), 1);
  EXPECT_TRUE(t.Locate("ID;NAME", VarArrayOf({3, "Cherry"}), {}));
  EXPECT_EQ(t.RecNo(), 3);
  EXPECT_FALSE(t.Locate("ID;NAME", VarArrayOf({3, "Apple"}), {}));
  EXPECT_FALSE(t.Locate("ID;NAME", 3, {}));
  EXPECT_EQ(ErrorOf([&] { t.Locate("NOPE", 1, {}); }), "mtblTest: Field 'NOPE' not found");
}

TEST(MemTableLocate, EmptyTableGivesFalse) {
  TMemTableGx t;
  MakeTable(t);
  EXPECT_FALSE(t.Locate("ID", 1, {}));
}

// The row a Locate lands on shows the record that is there when the buffers are read: a
// BeforeScroll handler that takes a row out in front of the one found moves it up by one, and
// the values and the row number must still agree.
TEST(MemTableLocate, ThroughAnIndexWhenTheRowsMoveBeforeTheScroll) {
  TMemTableGx t;
  t.SetName("mtblMove");
  DefineFields(t);
  t.IndexDefs()->Add("PK", "ID", {ixUnique});
  t.CreateDataSet();
  for (int i = 1; i <= 40; ++i) AppendRow(t, i, "n" + std::to_string(i), i);
  t.First();
  // Found first without interference: the row and its values agree.
  ASSERT_TRUE(t.Locate("ID", 30, {}));
  EXPECT_EQ(t.RecNo(), 30);
  EXPECT_EQ(t.FieldByName("ID")->AsInteger(), 30);
  t.First();
  bool once = true;
  t.SetBeforeScroll([&](TDataSet*) {
    if (!once) return;
    once = false;
    // A row in front goes, straight in the store (no scroll of the table itself).
    t.RecordsList()->DeleteRecord(0);
  });
  ASSERT_TRUE(t.Locate("ID", 25, {}));
  t.SetBeforeScroll(nullptr);
  const int shown = t.FieldByName("ID")->AsInteger();
  const int row = t.RecNo();
  // Whatever row it is, reading that row again gives the same record.
  t.SetRecNo(1);
  t.SetRecNo(row);
  EXPECT_EQ(t.FieldByName("ID")->AsInteger(), shown);
}

TEST(MemTableLocate, ThroughAnIndexButNeverToAHiddenRow) {
  TMemTableGx t;
  t.SetName("mtblIdx");
  DefineFields(t);
  t.IndexDefs()->Add("IX", "ID", {});
  t.CreateDataSet();
  for (int i = 1; i <= 6; ++i) AppendRow(t, i % 3, "n" + std::to_string(i), i);
  t.First();
  EXPECT_TRUE(t.Locate("ID", 2, {}));
  EXPECT_DOUBLE_EQ(t.FieldByName("AMOUNT")->AsFloat(), 2.0);  // the first of the equal keys in view order
  // The filter hides amounts below 4: the index finds row 2 first, which the view does not show.
  t.SetFilter("AMOUNT > 3");
  t.SetFiltered(true);
  t.First();
  ASSERT_TRUE(t.Locate("ID", 2, {}));
  EXPECT_DOUBLE_EQ(t.FieldByName("AMOUNT")->AsFloat(), 5.0);
  EXPECT_FALSE(t.Locate("ID", 7, {}));
  // A key the index cannot compare falls back to the scan.
  EXPECT_FALSE(t.Locate("ID", "x", {}));
}

TEST(MemTableLookup, HitAndMiss) {
  TMemTableGx t;
  MakeTable(t);
  AppendRow(t, 1, "a", 1.5);
  AppendRow(t, 2, "b", Null());
  t.First();
  Variant v = t.Lookup("ID", 2, "NAME");
  EXPECT_EQ(v, Variant("b"));
  EXPECT_EQ(t.RecNo(), 1);  // the cursor does not move
  Variant both = t.Lookup("NAME", "a", "ID;AMOUNT");
  ASSERT_TRUE(both.IsArray());
  EXPECT_EQ(both[0], Variant(1));
  EXPECT_EQ(both[1], Variant(1.5));
  // A Null value found is Null; a miss is unassigned.
  EXPECT_TRUE(t.Lookup("ID", 2, "AMOUNT").IsNull());
  Variant miss = t.Lookup("ID", 9, "NAME");
  EXPECT_TRUE(miss.IsEmpty());
  EXPECT_FALSE(miss.IsNull());
}

TEST(MemTableLookup, EmptyTableMissesWithUnassigned) {
  TMemTableGx t;
  MakeTable(t);
  EXPECT_TRUE(t.Lookup("ID", 1, "NAME").IsEmpty());
}

// OnGetFieldValue shows 'ABC' as 'DEF' and ID 2 as 20: a filter, Locate (scan or index) and
// Lookup see what the fields show, and the stored values again once the hook is gone.
TEST(MemTableFields, FilterLocateAndLookupReadTheValuesShown) {
  TMemTableGx t;
  t.SetName("mtblShown");
  DefineFields(t);
  t.IndexDefs()->Add("PK", "ID", {ixUnique});
  t.CreateDataSet();
  AppendRow(t, 1, "XYZ");
  AppendRow(t, 2, "ABC");
  auto hook = [](TCustomMemTableGx*, TField* f, Variant& v) {
    if (f->FieldName() == "NAME" && VarToStr(v) == "ABC") v = "DEF";
    if (f->FieldName() == "ID" && !v.IsNull() && v.AsInteger() == 2) v = 20;
  };
  struct Case {
    bool hooked;
    const char* filter;
    std::vector<int> ids;  // read with the hook off
  };
  for (const Case& c : {Case{true, "NAME = 'DEF'", {2}}, Case{true, "NAME = 'ABC'", {}}, Case{true, "ID = 20", {2}},
                        Case{true, "NAME LIKE 'D%' AND ID > 10", {2}}, Case{false, "NAME = 'ABC'", {2}},
                        Case{false, "NAME = 'DEF'", {}}}) {
    SCOPED_TRACE(std::string(c.filter) + (c.hooked ? " shown" : " stored"));
    t.OnGetFieldValue = c.hooked ? TCustomMemTableGx::TFieldValueEvent(hook) : nullptr;
    t.SetFilter(c.filter);
    t.SetFiltered(true);
    t.OnGetFieldValue = nullptr;
    EXPECT_EQ(Ids(t), c.ids);
    t.SetFiltered(false);
  }
  t.OnGetFieldValue = hook;
  t.First();
  EXPECT_TRUE(t.Locate("NAME", "DEF", {}));
  EXPECT_EQ(t.RecNo(), 2);
  t.First();
  EXPECT_TRUE(t.Locate("NAME", "de", {loPartialKey, loCaseInsensitive}));
  EXPECT_EQ(t.RecNo(), 2);
  t.First();
  EXPECT_TRUE(t.Locate("ID", 20, {}));  // the index holds 2: the rows are read as shown
  EXPECT_EQ(t.RecNo(), 2);
  EXPECT_FALSE(t.Locate("NAME", "ABC", {}));
  EXPECT_EQ(t.Lookup("ID", 20, "NAME"), Variant("DEF"));
  EXPECT_EQ(t.Lookup("NAME", "DEF", "ID"), Variant(20));
  EXPECT_TRUE(t.Lookup("ID", 2, "NAME").IsEmpty());
  t.OnGetFieldValue = nullptr;
  EXPECT_TRUE(t.Locate("ID", 2, {}));
  EXPECT_EQ(t.Lookup("ID", 2, "NAME"), Variant("ABC"));
}

TEST(MemTableStream, RowsAndPropertiesTravelWithTheForm) {
  RegisterMemTableClasses();
  TComponent root(nullptr);
  root.SetName("dmMain");
  for (const char* name : {"mtblMain", "mtblSub"}) {
    auto* t = new TMemTableGx(&root);
    MakeTable(*t, name);
    AppendRow(*t, 1, "一");
    AppendRow(*t, 2, Null(), 2.5);
    t->SetCvTableName("TB_BILDA");
    t->SetPKName("BILDA_ID");
    t->SetSortOrder("ID DESC");
  }
  std::string text = WriteComponentText(&root);
  TComponent copy(nullptr);
  ReadComponentText(&copy, text);
  // Only the tables belong to the form: each store went back to its own table.
  ASSERT_EQ(copy.ComponentCount(), 2);
  auto* t = dynamic_cast<TMemTableGx*>(copy.FindComponent("mtblSub"));
  ASSERT_NE(t, nullptr);
  EXPECT_TRUE(t->Active());
  EXPECT_EQ(t->CvTableName(), "TB_BILDA");
  EXPECT_EQ(t->PKName(), "BILDA_ID");
  EXPECT_EQ(Ids(*t), (std::vector<int>{2, 1}));
  t->Last();
  EXPECT_EQ(t->FieldByName("NAME")->AsString(), "一");
  EXPECT_TRUE(t->FieldByName("AMOUNT")->IsNull());
  // A table whose rows come from elsewhere writes no store.
  TMemTableGx other;
  other.SetExternalMemData(t);
  int children = 0;
  other.GetChildren([&](TComponent*) { ++children; }, &copy);
  EXPECT_EQ(children, 0);
}
