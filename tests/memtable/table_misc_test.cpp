// Aggregate fields, blob streams, object references, the sorted list of fetched master values,
// index definitions, master-detail on the provider, and moving rows in tree view.
#include <gtest/gtest.h>

#include "memtable/mtindex.h"
#include "memtable/treelist.h"
#include "platform/rtl/streams.h"
#include "support/error_text.h"
#include "table_support.h"

using namespace mttable_test;

TEST(MemTableAggregates, SumFollowsEveryChange) {
  TMemTableGx t;
  TAggregateField* total = MakeSumTable(t, "mtblAgg");
  AppendRow(t, 1, "a", 1.5);
  AppendRow(t, 2, "b", 2.5);
  // Off: no value.
  EXPECT_TRUE(total->IsNull());
  t.SetAggregatesActive(true);
  EXPECT_DOUBLE_EQ(total->AsFloat(), 4.0);
  t.First();
  t.Edit();
  t.FieldByName("AMOUNT")->SetValue(10.0);
  t.Post();
  EXPECT_DOUBLE_EQ(total->AsFloat(), 12.5);
  t.Delete();
  EXPECT_DOUBLE_EQ(total->AsFloat(), 2.5);
  // The filter narrows what is summed.
  AppendRow(t, 3, "c", 7.0);
  t.SetFilter("ID > 2");
  t.SetFiltered(true);
  EXPECT_DOUBLE_EQ(total->AsFloat(), 7.0);
  // A changed expression takes effect at once.
  total->SetExpression("COUNT(*)");
  EXPECT_DOUBLE_EQ(total->AsFloat(), 1.0);
  t.EmptyTable();
  EXPECT_TRUE(total->IsNull());
}

// Switched on while the table is closed, they are worked out as it opens, and again after each
// Close and Open.
TEST(MemTableAggregates, OnBeforeTheTableOpens) {
  TMemTableGx t;
  TAggregateField* total = MakeSumTable(t, "mtblAgg");
  AppendRow(t, 1, "a", 1.5);
  AppendRow(t, 2, "b", 2.5);
  t.Close();
  t.SetAggregatesActive(true);
  t.Open();
  EXPECT_DOUBLE_EQ(total->AsFloat(), 4.0);
  AppendRow(t, 3, "c", 6.0);
  EXPECT_DOUBLE_EQ(total->AsFloat(), 10.0);
  t.Close();
  EXPECT_TRUE(total->IsNull());
  t.Open();
  EXPECT_DOUBLE_EQ(total->AsFloat(), 10.0);
}

TEST(MemTableBlob, StreamsWriteIntoTheRow) {
  TMemTableGx t;
  t.SetName("mtblBlob");
  t.FieldDefs().Add("ID", ftInteger);
  t.FieldDefs().Add("NOTE", ftMemo);
  t.CreateDataSet();
  t.Append();
  t.FieldByName("ID")->SetValue(1);
  {
    std::unique_ptr<TStream> s = t.CreateBlobStream(t.FieldByName("NOTE"), bmWrite);
    s->Write("hello", 5);
  }
  t.Post();
  EXPECT_EQ(t.FieldByName("NOTE")->AsString(), "hello");
  std::unique_ptr<TStream> r = t.CreateBlobStream(t.FieldByName("NOTE"), bmRead);
  char buf[8] = {};
  EXPECT_EQ(r->Read(buf, 8), 5);
  EXPECT_EQ(std::string(buf), "hello");
  EXPECT_EQ(ErrorOf([&] { t.CreateBlobStream(t.FieldByName("NOTE"), bmWrite); }),
            "mtblBlob: Dataset not in edit or insert mode");
  EXPECT_EQ(ErrorOf([&] { t.CreateBlobStream(t.FieldByName("ID"), bmRead); }), "mtblBlob: Field 'ID' is not a blob field");
}

// A wide memo streams its text as UTF-16, both ways.
TEST(MemTableBlob, AWideMemoStreamsUtf16) {
  TMemTableGx t;
  t.SetName("mtblBlob");
  t.FieldDefs().Add("NOTE", ftWideMemo);
  t.CreateDataSet();
  t.Append();
  {
    std::unique_ptr<TStream> s = t.CreateBlobStream(t.FieldByName("NOTE"), bmWrite);
    const std::u16string text = u"北京";
    s->Write(text.data(), 3);  // half a unit waits for its other byte
    s->Write(reinterpret_cast<const char*>(text.data()) + 3, 1);
  }
  t.Post();
  EXPECT_EQ(t.FieldByName("NOTE")->AsString(), "北京");
  std::unique_ptr<TStream> r = t.CreateBlobStream(t.FieldByName("NOTE"), bmRead);
  std::u16string back(2, u' ');
  EXPECT_EQ(r->Read(back.data(), 8), 4);
  EXPECT_EQ(back, u"北京");
}

TEST(MemTableObjects, ReferencesAreHeldWhole) {
  TMemTableGx t;
  t.SetName("mtblObj");
  t.MemTableData()->DataStruct()->CreateField<TMTRefObjectFieldGx>()->SetFieldName("OBJ");
  t.Open();
  auto* f = dynamic_cast<TRefObjectField*>(t.FieldByName("OBJ"));
  ASSERT_NE(f, nullptr);
  TObject target;
  t.Append();
  f->SetAsObject(&target);
  t.Post();
  EXPECT_EQ(f->AsObject(), &target);
  EXPECT_EQ(f->Value().AsPointer(), &target);
  t.Edit();
  f->SetAsObject(nullptr);
  t.Post();
  EXPECT_TRUE(f->IsNull());
  TRefObjectField loose(nullptr);
  loose.SetFieldName("LOOSE");
  EXPECT_EQ(ErrorOf([&] { loose.AsObject(); }), "Object field 'LOOSE' has no dataset");
}

TEST(SortedVarlist, KeepsOrderAndFindsTheFirstEqual) {
  TSortedVarlistGx list;
  for (int v : {5, 1, 3, 3, 9}) list.Add(v);
  ASSERT_EQ(list.Count(), 5);
  EXPECT_EQ(list.Items(0), Variant(1));
  EXPECT_EQ(list.Items(4), Variant(9));
  int pos = -1;
  EXPECT_TRUE(list.FindKeyValueIndex(3, pos));
  EXPECT_EQ(pos, 1);
  EXPECT_FALSE(list.FindKeyValueIndex(4, pos));
  EXPECT_EQ(pos, 3);
  list.Add(Null());
  EXPECT_TRUE(list.Items(0).IsNull());  // Null before every value
  EXPECT_EQ(ErrorOf([&] { list.FindKeyValueIndex("x", pos); }),
            "TSortedVarlistGx.FindKeyValueIndex: values is not comparable.");
}

TEST(MemTableIndexes, DefinitionsMakeStoreIndexesOnce) {
  TMemTableGx t;
  t.SetName("mtblIdx");
  DefineFields(t);
  t.IndexDefs()->Add("PK", "ID", {ixPrimary, ixUnique});
  t.IndexDefs()->Add("BYNAME", "NAME", {});
  t.CreateDataSet();
  t.Close();
  t.Open();
  EXPECT_EQ(t.RecordsList()->Indexes()->Count(), 2);
  EXPECT_TRUE(t.RecordsList()->Indexes()->GetIndexForFields("id")->Unique());
  std::unique_ptr<TIndexDefs> primary = t.PSGetIndexDefs({ixPrimary});
  ASSERT_EQ(primary->Count(), 1);
  EXPECT_EQ(primary->Items(0)->Fields(), "ID");
  EXPECT_EQ(t.PSGetIndexDefs({})->Count(), 2);
}

// A key naming a column the store lacks is refused when the index is switched on (or given that
// key while on); the table then takes rows as before.
TEST(MemTableIndexes, AKeyOverAMissingColumnIsRefusedAtActivation) {
  struct Case {
    const char* fields;
    const char* error;
  };
  const Case cases[] = {
      {"NOPE", "DataStruct: Field 'NOPE' not found"},
      {"ID;NOPE", "DataStruct: Field 'NOPE' not found"},
      {"Nope2;ID", "DataStruct: Field 'Nope2' not found"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fields);
    TMemTableGx t;
    MakeTable(t, "mtblIdx");
    TMTIndexGx* index = t.RecordsList()->Indexes()->Add();
    index->SetFields(c.fields);
    EXPECT_EQ(ErrorText<EDatabaseError>([&] { index->SetActive(true); }), c.error);
    EXPECT_FALSE(index->Active());
    AppendRow(t, 1, "a", 1.0);
    EXPECT_EQ(t.RecordsList()->Count(), 1);
    EXPECT_EQ(t.RecordCount(), 1);

    index->SetFields("id");
    index->SetActive(true);
    EXPECT_EQ(ErrorText<EDatabaseError>([&] { index->SetFields(c.fields); }), c.error);
    EXPECT_EQ(index->Fields(), "id");
    EXPECT_TRUE(index->Active());
    AppendRow(t, 2, "b", 2.0);
    EXPECT_EQ(t.RecordCount(), 2);
    EXPECT_EQ(index->Count(), 2);
  }
}

// ---------------------------------------------------------------- master-detail on the provider

namespace {

// A provider whose rows the parameter MID selects.
class TParamTable : public TMemTableGx {
 public:
  TMemTableGx* all = nullptr;
  int opens = 0;
  void DoBeforeOpen() override {
    ++opens;
    TMemTableGx::DoBeforeOpen();
  }
};

}  // namespace

TEST(MemTableProviderDetail, FetchedOncePerMasterValue) {
  TMemTableGx master;
  master.SetName("mtblMaster");
  master.FieldDefs().Add("MID", ftInteger);
  master.CreateDataSet();
  for (int id : {1, 2}) {
    master.Append();
    master.FieldByName("MID")->SetValue(id);
    master.Post();
  }
  TDataSource source(nullptr);
  source.SetDataSet(&master);

  // The provider answers the rows of the master value in its parameter.
  TMemTableGx provider;
  provider.SetName("mtblProvider");
  provider.FieldDefs().Add("ID", ftInteger);
  provider.FieldDefs().Add("MID", ftInteger);
  provider.Params()->CreateParam(ftInteger, "MID", ptInput);
  provider.CreateDataSet();
  provider.SetBeforeOpen([](TDataSet* ds) {
    auto* p = static_cast<TMemTableGx*>(ds);
    Variant mid = p->Params()->Items(0)->Value();
    p->SetFilter("MID = " + VarToStr(mid));
    p->SetFiltered(!VarIsNullOrEmpty(mid));
  });
  provider.Close();
  // Rows of both masters are in the provider's store.
  provider.Open();
  provider.SetFiltered(false);
  for (int i = 1; i <= 5; ++i) {
    provider.Append();
    provider.FieldByName("ID")->SetValue(i);
    provider.FieldByName("MID")->SetValue(i % 2 ? 1 : 2);
    provider.Post();
  }
  provider.Close();

  TDataDriverGx driver(nullptr);
  driver.SetProviderDataSet(&provider);
  TMemTableGx detail;
  detail.SetName("mtblDetail");
  detail.SetDataDriver(&driver);
  detail.SetMasterDetailSide(mdsOnSelfAfterProviderGx);
  detail.SetMasterSource(&source);
  detail.SetMasterFields("MID");
  detail.SetDetailFields("MID");
  master.First();
  detail.Open();
  EXPECT_EQ(Ids(detail), (std::vector<int>{1, 3, 5}));
  master.Next();
  EXPECT_EQ(Ids(detail), (std::vector<int>{2, 4}));
  const int stored = detail.RecordsList()->Count();
  EXPECT_EQ(stored, 5);
  // Back to a master value fetched before: nothing is read again.
  master.First();
  EXPECT_EQ(Ids(detail), (std::vector<int>{1, 3, 5}));
  EXPECT_EQ(detail.RecordsList()->Count(), stored);
  // Opened again, the detail reads and shows the master's row of that moment.
  detail.Close();
  master.Next();
  detail.Open();
  EXPECT_EQ(Ids(detail), (std::vector<int>{2, 4}));
}

// ---------------------------------------------------------------- moving rows in tree view

TEST(MemTableTreeMove, ReparentsAndKeepsStoreOrder) {
  TMemTableGx t;
  t.SetName("mtblTree");
  t.FieldDefs().Add("ID", ftInteger);
  t.FieldDefs().Add("PARENT", ftInteger);
  t.CreateDataSet();
  auto add = [&](int id, Variant parent) {
    t.Append();
    t.FieldByName("ID")->SetValue(id);
    t.FieldByName("PARENT")->SetValue(parent);
    t.Post();
  };
  add(1, Null());
  add(2, 1);
  add(3, Null());
  add(4, 3);
  t.TreeList()->SetDefaultNodeExpanded(true);
  t.TreeList()->SetKeyFieldName("ID");
  t.TreeList()->SetRefParentFieldName("PARENT");
  t.TreeList()->SetActive(true);
  EXPECT_EQ(Ids(t), (std::vector<int>{1, 2, 3, 4}));
  // Row 4 (ID 4) dropped before row 2 at level 2: it becomes a child of 1, before 2.
  TBMListGx marks;
  t.SetRecNo(4);
  marks.AddItem(t.Bookmark());
  bool asked = false;
  t.OnNodeMoving = [&](TCustomMemTableGx*, TMemRecViewGx* node, TMemRecViewGx* parent, bool& allowed) {
    asked = true;
    EXPECT_EQ(node->Rec()->Value(0), Variant(4));
    EXPECT_EQ(parent->Rec()->Value(0), Variant(1));
    allowed = true;
  };
  EXPECT_TRUE(t.MoveRecords(&marks, 2, 2, true));
  EXPECT_TRUE(asked);
  EXPECT_EQ(Ids(t), (std::vector<int>{1, 2, 3, 4}));
  EXPECT_TRUE(t.MoveRecords(&marks, 2, 2, false));
  EXPECT_EQ(Ids(t), (std::vector<int>{1, 4, 2, 3}));
  EXPECT_EQ(t.Lookup("ID", 4, "PARENT"), Variant(1));
  // A refusal changes nothing.
  t.OnNodeMoving = [](TCustomMemTableGx*, TMemRecViewGx*, TMemRecViewGx*, bool& allowed) { allowed = false; };
  t.SetRecNo(4);
  marks.Clear();
  marks.AddItem(t.Bookmark());
  EXPECT_FALSE(t.MoveRecords(&marks, 1, 1, false));
  EXPECT_EQ(Ids(t), (std::vector<int>{1, 4, 2, 3}));
  // Dropped one level below a collapsed row, row 3 becomes that row's first child.
  t.OnNodeMoving = nullptr;
  t.SetNodeExpanded(0, false);
  t.SetRecNo(2);
  marks.Clear();
  marks.AddItem(t.Bookmark());
  EXPECT_TRUE(t.MoveRecords(&marks, 2, 2, false));
  t.TreeList()->FullExpand();
  EXPECT_EQ(Ids(t), (std::vector<int>{1, 3, 4, 2}));
}

// Several records going one level deeper: the check asks of each record what the move will meet,
// the rows the records after it have left and taken, and answers as the move does.
TEST(MemTableTreeMove, TheCheckOfSeveralRecordsAgreesWithTheMove) {
  TMemTableGx t;
  t.SetName("mtblTree");
  t.FieldDefs().Add("ID", ftInteger);
  t.FieldDefs().Add("PARENT", ftInteger);
  t.CreateDataSet();
  for (auto [id, parent] : std::vector<std::pair<int, Variant>>{{1, Null()}, {2, 1}, {3, 1}, {4, Null()}, {5, Null()}}) {
    t.Append();
    t.FieldByName("ID")->SetValue(id);
    t.FieldByName("PARENT")->SetValue(parent);
    t.Post();
  }
  t.TreeList()->SetDefaultNodeExpanded(true);
  t.TreeList()->SetKeyFieldName("ID");
  t.TreeList()->SetRefParentFieldName("PARENT");
  t.TreeList()->SetActive(true);
  auto marks = [&](std::initializer_list<int> rows) {
    auto list = std::make_unique<TBMListGx>();
    for (int row : rows) {
      t.SetRecNo(row);
      list->AddItem(t.Bookmark());
    }
    return list;
  };
  std::vector<std::pair<int, int>> asked;  // (record, new parent) as the moving event hears them
  t.OnNodeMoving = [&](TCustomMemTableGx*, TMemRecViewGx* node, TMemRecViewGx* parent, bool&) {
    asked.emplace_back(node->Rec()->Value(0).AsInteger(), parent->Rec()->Value(0).AsInteger());
  };
  // 4 and 5 dropped on the row of 3 at level 2: both go under 1, before 3.
  auto both = marks({4, 5});
  EXPECT_TRUE(t.MoveRecords(both.get(), 3, 2, true));
  EXPECT_EQ(asked, (std::vector<std::pair<int, int>>{{5, 1}, {4, 1}}));
  EXPECT_EQ(Ids(t), (std::vector<int>{1, 2, 3, 4, 5}));
  asked.clear();
  EXPECT_TRUE(t.MoveRecords(both.get(), 3, 2, false));
  EXPECT_EQ(asked, (std::vector<std::pair<int, int>>{{5, 1}, {4, 1}}));
  EXPECT_EQ(Ids(t), (std::vector<int>{1, 2, 4, 5, 3}));
  EXPECT_EQ(t.Lookup("ID", 4, "PARENT"), Variant(1));
  // Already standing there, they ask nothing and stay.
  asked.clear();
  both = marks({3, 4});
  EXPECT_TRUE(t.MoveRecords(both.get(), 5, 2, true));
  EXPECT_TRUE(asked.empty());
  // 1 cannot follow 3 under itself: the check says so as the move would.
  both = marks({1, 5});
  EXPECT_FALSE(t.MoveRecords(both.get(), 2, 2, true));
  // Refused for the second record only, the check refuses.
  t.OnNodeMoving = [&](TCustomMemTableGx*, TMemRecViewGx* node, TMemRecViewGx*, bool& allowed) {
    allowed = node->Rec()->Value(0).AsInteger() != 2;
  };
  both = marks({2, 4});
  EXPECT_FALSE(t.MoveRecords(both.get(), 1, 1, true));
  EXPECT_EQ(Ids(t), (std::vector<int>{1, 2, 4, 5, 3}));
  // Into a closed node: the first goes before the second, which the closed node hides.
  t.OnNodeMoving = nullptr;
  for (int id : {6, 7}) {
    t.Append();
    t.FieldByName("ID")->SetValue(id);
    t.Post();
  }
  t.SetNodeExpanded(0, false);
  ASSERT_EQ(Ids(t), (std::vector<int>{1, 6, 7}));
  both = marks({2, 3});
  EXPECT_TRUE(t.MoveRecords(both.get(), 2, 2, true));
  EXPECT_TRUE(t.MoveRecords(both.get(), 2, 2, false));
  t.TreeList()->FullExpand();
  EXPECT_EQ(Ids(t), (std::vector<int>{1, 6, 7, 2, 4, 5, 3}));
}
