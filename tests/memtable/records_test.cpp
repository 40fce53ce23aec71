// Records, the records list, its change log and the order and codes of its notices.
#include <gtest/gtest.h>

#include "memtable/mtindex.h"
#include "store_support.h"
#include "support/error_text.h"

using namespace mtstore_test;

namespace {

class RecordsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    store = MakeStore();
    list = store->RecordsList();
    rec = std::make_unique<TRecorder>(store.get());
    rec->Take();
  }
  void TearDown() override {
    rec.reset();
    store.reset();
  }
  std::unique_ptr<TMemTableDataGx> store;
  TRecordsListGx* list = nullptr;
  std::unique_ptr<TRecorder> rec;
};

// ---------------------------------------------------------------- notices

TEST_F(RecordsTest, AttachingSendsBeforeAndAfterWithThePosition) {
  for (bool cached : {false, true}) {
    list->Clear();
    list->SetCachedUpdates(cached);
    rec->Take();
    TMemoryRecordGx* a = AddRow(list, {1, "a", 1.0});
    TMemoryRecordGx* b = AddRow(list, {2, "b", 2.0});
    EXPECT_EQ(rec->Take(), "0:0@" + std::to_string(a->ID()) + " 1:0@" + std::to_string(a->ID()) + " 0:1@" +
                               std::to_string(b->ID()) + " 1:1@" + std::to_string(b->ID()))
        << cached;
    TMemoryRecordGx* c = list->NewRecord();
    EXPECT_EQ(list->InsertRecord(c, 1), 1);
    std::string id = std::to_string(c->ID());
    EXPECT_EQ(rec->Take(), "0:1@" + id + " 1:1@" + id) << cached;
    EXPECT_EQ(b->Index(), 2);
    EXPECT_EQ(c->UpdateStatus(), cached ? usInserted : usUnmodified);
    EXPECT_EQ(list->HasCachedChanges(), cached);
    EXPECT_EQ(c->EditState(), resBrowse);
  }
}

TEST_F(RecordsTest, PostOfAnEditSendsTwoAndThree) {
  for (bool cached : {false, true}) {
    list->Clear();
    list->SetCachedUpdates(cached);
    FetchRow(list, {1, "a", 1.0});
    TMemoryRecordGx* r = FetchRow(list, {2, "b", 2.0});
    rec->Take();
    r->Edit();
    r->SetDataValue(1, rvCurrent, "bb");
    EXPECT_EQ(rec->Take(), "") << "editing is silent";
    r->Post();
    std::string id = std::to_string(r->ID());
    EXPECT_EQ(rec->Take(), "2:1@" + id + " 3:1@" + id);
    EXPECT_EQ(r->UpdateStatus(), cached ? usModified : usUnmodified);
    EXPECT_EQ(r->HasOldValues(), cached);
    // Cancelling an edit is silent and brings the values back.
    r->Edit();
    r->SetDataValue(1, rvCurrent, "x");
    r->Cancel();
    EXPECT_EQ(rec->Take(), "");
    EXPECT_EQ(r->Value(1).AsString(), "bb");
  }
}

TEST_F(RecordsTest, DeleteSendsFourAndFiveAndFreesTheRecord) {
  for (bool cached : {false, true}) {
    list->Clear();
    list->SetCachedUpdates(false);
    FetchRow(list, {1, "a", 1.0});
    TMemoryRecordGx* r = FetchRow(list, {2, "b", 2.0});
    FetchRow(list, {3, "c", 3.0});
    list->SetCachedUpdates(cached);
    rec->Take();
    std::string id = std::to_string(r->ID());
    list->DeleteRecord(1);
    EXPECT_EQ(rec->Take(), "4:1@" + id + " 5:1@" + id);
    EXPECT_EQ(Dump(list), "1|a|1\n3|c|3\n");
    EXPECT_EQ(list->Rec(1)->Index(), 1);
  }
}

TEST_F(RecordsTest, MarkDelUnderCachedUpdatesSendsNineAndKeepsTheRecord) {
  FetchRow(list, {1, "a", 1.0});
  TMemoryRecordGx* r = FetchRow(list, {2, "b", 2.0});
  list->SetCachedUpdates(true);
  rec->Take();
  list->MarkDel(1);
  EXPECT_EQ(rec->Take(), "9:1@" + std::to_string(r->ID()));
  EXPECT_EQ(list->Count(), 2);
  EXPECT_EQ(r->UpdateStatus(), usDeleted);
  EXPECT_EQ(r->UpdateIndex(), 0);
  EXPECT_EQ(ErrorText<Exception>([&] { list->MarkDel(1); }), "Can not MarkDel Deleted record");
  EXPECT_EQ(rec->Take(), "");
}

TEST_F(RecordsTest, MarkDelWithoutCachedUpdatesDeletes) {
  FetchRow(list, {1, "a", 1.0});
  TMemoryRecordGx* r = FetchRow(list, {2, "b", 2.0});
  std::string id = std::to_string(r->ID());
  rec->Take();
  list->MarkDel(1);
  EXPECT_EQ(rec->Take(), "4:1@" + id + " 5:1@" + id);
  EXPECT_EQ(list->Count(), 1);
}

TEST_F(RecordsTest, MarkDelOfAnInsertedRecordDeletesItAndLeavesAHole) {
  list->SetCachedUpdates(true);
  TMemoryRecordGx* r = AddRow(list, {1, "a", 1.0});
  std::string id = std::to_string(r->ID());
  rec->Take();
  list->MarkDel(0);
  EXPECT_EQ(rec->Take(), "4:0@" + id + " 5:0@" + id);
  EXPECT_EQ(list->Count(), 0);
  ASSERT_EQ(list->PendingList().size(), 1u);
  EXPECT_EQ(list->PendingList()[0], nullptr);
  EXPECT_FALSE(list->HasCachedChanges());
}

TEST_F(RecordsTest, MoveSendsTheMovedNoticeAndRenumbers) {
  for (int i = 0; i < 4; ++i) FetchRow(list, {i, "r", 0.0});
  TMemoryRecordGx* r = list->Rec(0);
  rec->Take();
  list->MoveRecord(0, 2);
  EXPECT_EQ(rec->Take(), "move:0>2");
  EXPECT_EQ(r->Index(), 2);
  for (int i = 0; i < list->Count(); ++i) EXPECT_EQ(list->Rec(i)->Index(), i);
  EXPECT_EQ(Dump(list), "1|r|0\n2|r|0\n0|r|0\n3|r|0\n");
  list->MoveRecord(3, 0);
  EXPECT_EQ(rec->Take(), "move:3>0");
  EXPECT_EQ(Dump(list), "3|r|0\n1|r|0\n2|r|0\n0|r|0\n");
  list->MoveRecord(1, 1);
  EXPECT_EQ(rec->Take(), "");
  EXPECT_THROW(list->MoveRecord(0, 4), EListError);
}

TEST_F(RecordsTest, WholeListNoticesAndSuspension) {
  FetchRow(list, {1, "a", 1.0});
  rec->Take();
  list->BeginUpdate();
  list->BeginUpdate();
  FetchRow(list, {2, "b", 2.0});
  list->DeleteRecord(0);
  list->EndUpdate();
  EXPECT_EQ(rec->Take(), "");
  list->EndUpdate();
  EXPECT_EQ(rec->Take(), "7:-1");
  list->EndUpdate();  // unmatched: nothing
  EXPECT_EQ(rec->Take(), "");
  list->SortData([](TMemoryRecordGx*, TMemoryRecordGx*) { return 0; });
  EXPECT_EQ(rec->Take(), "7:-1");
  list->CancelUpdates();
  EXPECT_EQ(rec->Take(), "7:-1");
  list->Clear();
  EXPECT_EQ(rec->Take(), "7:-1");
}

TEST_F(RecordsTest, ChangingTheSourceTellsTheNotificatorItself) {
  TRecorder other;
  other.SetMemTableData(store.get());
  EXPECT_EQ(other.Take(), "6:-1 7:-1");
  auto second = MakeStore();
  other.SetMemTableData(second.get());
  EXPECT_EQ(other.Take(), "6:-1 7:-1");
  EXPECT_EQ(other.MemTableData(), second.get());
  // Only the new source is heard.
  FetchRow(list, {1, "a", 1.0});
  EXPECT_EQ(other.Take(), "");
  FetchRow(second->RecordsList(), {1, "a", 1.0});
  EXPECT_NE(other.Take(), "");
  other.SetMemTableData(second.get());
  EXPECT_EQ(other.Take(), "");
  // A store that goes leaves its listeners detached.
  second.reset();
  EXPECT_EQ(other.Source(), nullptr);
}

TEST_F(RecordsTest, ListenersHearInAttachOrderAndMayLeave) {
  std::vector<std::string> order;
  TRecordsListNotificatorGx first, second;
  first.OnRecordChange = [&](TMemoryRecordGx*, int, int code) { order.push_back("first:" + std::to_string(code)); };
  second.OnRecordChange = [&](TMemoryRecordGx*, int, int code) { order.push_back("second:" + std::to_string(code)); };
  first.SetMemTableData(store.get());
  second.SetMemTableData(store.get());
  order.clear();
  FetchRow(list, {1, "a", 1.0});
  EXPECT_EQ(order, (std::vector<std::string>{"first:0", "second:0", "first:1", "second:1"}));
  {
    TRecordsListNotificatorGx gone;
    gone.SetMemTableData(store.get());
  }
  EXPECT_EQ(store->Notificators().size(), 3u);  // rec, first, second
}

// ---------------------------------------------------------------- values

TEST_F(RecordsTest, ValueVersions) {
  list->SetCachedUpdates(true);
  TMemoryRecordGx* r = FetchRow(list, {1, "a", 1.0});
  EXPECT_EQ(ErrorText<EDatabaseError>([&] { r->GetDataValue(1, rvOld); }),
            "TMemoryRecordGx.GetDataValues: Old values is not accessible.");
  EXPECT_EQ(ErrorText<EDatabaseError>([&] { r->GetDataValue(1, rvCurrentEditing); }),
            "TMemoryRecordGx.GetDataValues: Edit values is not accessible.");
  EXPECT_EQ(ErrorText<EListError>([&] { r->GetDataValue(3, rvCurrent); }), "List index out of bounds (3)");
  EXPECT_TRUE(r->GetDataValue(1, 6).IsEmpty());
  r->Edit();
  r->SetDataValue(1, rvCurrent, "b");
  EXPECT_EQ(r->GetDataValue(1, rvEditOrCurrent).AsString(), "a");
  EXPECT_EQ(r->GetDataValue(1, rvCurrentEditing).AsString(), "b");
  EXPECT_EQ(r->GetDataValue(1, rvOriginal).AsString(), "a");
  EXPECT_EQ(r->GetDataValue(1, rvOldOrCurrent).AsString(), "b");
  r->Post();
  r->Edit();
  r->SetDataValue(1, rvCurrent, "c");
  r->Post();
  // The old values are those before the first cached edit.
  EXPECT_EQ(r->GetDataValue(1, rvOld).AsString(), "a");
  EXPECT_EQ(r->GetDataValue(1, rvOriginal).AsString(), "a");
  EXPECT_EQ(r->GetDataValue(1, rvCurrent).AsString(), "c");
  r->SetDataValue(1, rvOldOrCurrent, "old");
  EXPECT_EQ(r->GetDataValue(1, rvOld).AsString(), "old");
  EXPECT_EQ(r->GetDataValue(1, rvCurrent).AsString(), "c");
}

TEST_F(RecordsTest, ValuesAreConvertedToTheColumnType) {
  TMemoryRecordGx* r = list->NewRecord();
  r->SetDataValue(0, rvCurrent, "42");
  EXPECT_EQ(r->Value(0).VarType(), varInteger);
  r->SetDataValue(2, rvCurrent, 3);
  EXPECT_EQ(r->Value(2).VarType(), varDouble);
  r->SetDataValue(1, rvCurrent, 12);
  EXPECT_EQ(r->Value(1).VarType(), varString);
  r->SetDataValue(0, rvCurrent, Null());
  EXPECT_TRUE(r->Value(0).IsNull());
  EXPECT_THROW(r->SetDataValue(0, rvCurrent, "abc"), EVariantError);
  r->Cancel();  // a new record: freed
}

// A record of another list of the same columns gives a new record its values in one go: a detached
// record in insert state with an id of its own, texts shared, an unassigned value as Null.
TEST_F(RecordsTest, ARecordIsMadeFromTheValuesOfAnother) {
  auto other = MakeStore();
  TMemoryRecordGx* from = other->RecordsList()->NewRecord();
  from->SetDataValue(1, rvCurrent, std::string(40, 'x').substr(0, 20));
  from->PutStored(2, Variant());  // unassigned
  TMemoryRecordGx* kept = FetchRow(list, {1, "a", 1.0});
  const int32_t nextId = kept->ID() + 1;
  TMemoryRecordGx* copy = list->NewRecordFrom(*from);
  EXPECT_EQ(copy->ID(), nextId);
  EXPECT_FALSE(copy->Attached());
  EXPECT_EQ(copy->RecordsList(), list);
  ASSERT_EQ(copy->FieldCount(), 3);
  EXPECT_TRUE(copy->Value(0).IsNull());
  EXPECT_EQ(copy->Value(1).AsString(), std::string(20, 'x'));
  EXPECT_TRUE(copy->Value(2).IsNull());
  EXPECT_TRUE(from->Value(2).IsEmpty());
  // The text outlives the record it came from, and the source's outlives the copy.
  from->Free();
  EXPECT_EQ(copy->Value(1).AsString(), std::string(20, 'x'));
  list->FetchRecord(copy);
  EXPECT_EQ(Dump(list), "1|a|1\nnull|xxxxxxxxxxxxxxxxxxxx|null\n");
  TMemoryRecordGx* again = list->NewRecordFrom(*copy);
  list->DeleteRecord(copy->Index());
  EXPECT_EQ(again->Value(1).AsString(), std::string(20, 'x'));
  again->Free();
  // A record of other columns is refused.
  auto narrow = std::make_unique<TMemTableDataGx>(nullptr);
  narrow->DataStruct()->CreateField<TMTStringDataFieldGx>()->SetFieldName("ONLY");
  TMemoryRecordGx* small = narrow->RecordsList()->NewRecord();
  EXPECT_EQ(ErrorText<EInvalidOperation>([&] { list->NewRecordFrom(*small); }),
            "The record to copy has not as many values as the list has columns.");
  small->Free();
}

TEST_F(RecordsTest, ObjectReferenceColumnsKeepNullAndCopyValues) {
  auto* ref = store->DataStruct()->CreateField<TMTRefObjectFieldGx>();
  ref->SetFieldName("OBJ");
  list->SetCachedUpdates(true);
  TMemoryRecordGx* r = list->NewRecord();
  int obj = 0;
  r->SetDataValue(3, rvOld + 4, Variant::FromPointer(&obj));  // any version lands in the current values
  EXPECT_EQ(r->Value(3).AsPointer(), &obj);
  r->SetDataValue(3, rvCurrent, Null());
  EXPECT_TRUE(r->Value(3).IsNull());
  list->AddRecord(r);
  r->Edit();
  r->SetDataValue(3, rvEditOrCurrent, "text");
  EXPECT_EQ(r->Value(3).AsString(), "text");
  r->Cancel();
}

TEST_F(RecordsTest, ValuesByNamesAndByIndexes) {
  TMemoryRecordGx* r = FetchRow(list, {1, "a", 2.5});
  Variant both = r->GetDataValues("NAME;ID", rvCurrent);
  ASSERT_TRUE(both.IsArray());
  EXPECT_EQ(both.ArrayLowBound(), 0);
  EXPECT_EQ(both[0].AsString(), "a");
  EXPECT_EQ(both[1].AsInteger(), 1);
  EXPECT_EQ(r->GetDataValues("amount", rvCurrent).AsDouble(), 2.5);
  EXPECT_EQ(ErrorText<EListError>([&] { r->GetDataValues("NOPE", rvCurrent); }), "List index out of bounds (-1)");
  EXPECT_EQ(ErrorText<EDatabaseError>([&] { r->GetDataValues("ID;NOPE", rvCurrent); }), "DataStruct: Field 'NOPE' not found");
  // Several indexes give all their values, not only the last one's.
  Variant byIdx = r->GetDataValuesByIndexes({2, 0}, rvCurrent);
  ASSERT_TRUE(byIdx.IsArray());
  EXPECT_EQ(byIdx.ArrayCount(), 2);
  EXPECT_EQ(byIdx[0].AsDouble(), 2.5);
  EXPECT_EQ(byIdx[1].AsInteger(), 1);
  EXPECT_EQ(r->GetDataValuesByIndexes({1}, rvCurrent).AsString(), "a");
  EXPECT_TRUE(r->GetDataValuesByIndexes({}, rvCurrent).IsEmpty());
  r->SetDataValues("ID;NAME", rvCurrent, Variant::ArrayOf({7, "z"}));
  EXPECT_EQ(Dump(list), "7|z|2.5\n");
}

TEST_F(RecordsTest, PostAndCancelOutsideEditingRaise) {
  TMemoryRecordGx* r = FetchRow(list, {1, "a", 1.0});
  EXPECT_EQ(ErrorText<EDatabaseError>([&] { r->Post(); }), "Dataset not in edit or insert mode");
  EXPECT_EQ(ErrorText<EDatabaseError>([&] { r->Cancel(); }), "Dataset not in edit or insert mode");
  EXPECT_EQ(r->EditState(), resBrowse);
  r->SetFlag(true);
  r->Edit();
  EXPECT_FALSE(r->Flag());
  r->Edit();  // already editing: nothing
  EXPECT_EQ(r->EditState(), resEdit);
  r->Cancel();
}

TEST_F(RecordsTest, AttachingChecksTheRecord) {
  auto other = MakeStore();
  TMemoryRecordGx* foreign = other->RecordsList()->NewRecord();
  EXPECT_EQ(ErrorText<Exception>([&] { list->AddRecord(foreign); }), "Record.RecordsList is not the same.");
  foreign->Cancel();
  TMemoryRecordGx* r = FetchRow(list, {1, "a", 1.0});
  EXPECT_EQ(ErrorText<Exception>([&] { list->FetchRecord(r); }), "The record already attached to RecordsList.");
  TMemoryRecordGx* n = list->NewRecord();
  EXPECT_THROW(list->InsertRecord(n, 5), EListError);
  EXPECT_FALSE(n->Attached());
  n->Cancel();
  // A record still held by the list refuses to go.
  EXPECT_EQ(ErrorText<Exception>([&] { r->Free(); }), "Can not delete Record if it present in active list.");
  list->SetCachedUpdates(true);
  list->MarkDel(0);
  EXPECT_EQ(ErrorText<Exception>([&] { r->Free(); }), "Can not delete Record if it present in CachedUpdate pending list.");
  r->MergeChanges();
  EXPECT_EQ(ErrorText<Exception>([&] { r->Free(); }), "Can not delete Record if it present in DeletedList.");
  EXPECT_EQ(list->DeletedList().size(), 1u);
}

TEST_F(RecordsTest, IdsAndAutoIncrement) {
  auto* inc = store->DataStruct()->CreateField<TMTNumericDataFieldGx>();
  inc->SetDataType(ftAutoInc);
  inc->SetFieldName("SEQ");
  auto* flagged = store->DataStruct()->CreateField<TMTNumericDataFieldGx>();
  flagged->SetFieldName("SEQ2");
  flagged->MarkAutoIncrement(false);  // marks whatever it is given
  EXPECT_TRUE(flagged->AutoIncrement());
  EXPECT_EQ(store->AutoIncFieldIndexes(), std::vector<int>{3});
  TMemoryRecordGx* a = AddRow(list, {1});
  TMemoryRecordGx* b = AddRow(list, {2});
  // One number per record, shared by its auto-increment columns; the defaults count down from -1.
  EXPECT_EQ(a->Value(3).AsInteger(), -1);
  EXPECT_EQ(a->Value(4).AsInteger(), -1);
  EXPECT_EQ(b->Value(3).AsInteger(), -2);
  EXPECT_EQ(b->Value(4).AsInteger(), -2);
  EXPECT_EQ(b->ID(), a->ID() + 1);
  // Fetching takes no number.
  list->SetCachedUpdates(true);
  TMemoryRecordGx* c = FetchRow(list, {3});
  EXPECT_TRUE(c->Value(3).IsNull());
  EXPECT_EQ(c->UpdateStatus(), usUnmodified);
  EXPECT_EQ(store->AutoIncrement()->CurValue(), -3);
  EXPECT_TRUE(list->CachedUpdates());
}

TEST(AutoIncrement, InitValueAndAssign) {
  TAutoIncrementGx a;
  a.SetStep(5);
  a.SetInitValue(10);
  EXPECT_EQ(a.CurValue(), 10);  // followed the initial value
  EXPECT_EQ(a.Promote(), 10);
  EXPECT_EQ(a.Promote(), 15);
  a.SetInitValue(100);  // the current value has moved on: it stays
  EXPECT_EQ(a.CurValue(), 20);
  a.Reset();
  EXPECT_EQ(a.CurValue(), 100);
  TAutoIncrementGx b;
  b.Assign(&a);
  EXPECT_EQ(b.Step(), 5);
  EXPECT_EQ(b.InitValue(), 100);
  EXPECT_EQ(b.CurValue(), 100);
}

// Records hold their values in their own block, sized by the columns at the time they are made.
TEST(RecordValues, EachRecordHoldsItsOwnValuesForAnyNumberOfColumns) {
  {
    // No columns: nothing to read, but the record still attaches and goes.
    auto bare = std::make_unique<TMemTableDataGx>(nullptr);
    TMemoryRecordGx* r = bare->RecordsList()->NewRecord();
    EXPECT_EQ(r->FieldCount(), 0);
    EXPECT_THROW(r->Value(0), Exception);
    bare->RecordsList()->AddRecord(r);
    EXPECT_EQ(bare->RecordsList()->Count(), 1);
  }
  auto wide = std::make_unique<TMemTableDataGx>(nullptr);
  constexpr int kColumns = 40;
  for (int c = 0; c < kColumns; ++c) {
    auto* f = wide->DataStruct()->CreateField<TMTStringDataFieldGx>();
    f->SetFieldName("C" + std::to_string(c));
    f->SetSize(200);
  }
  TRecordsListGx* list = wide->RecordsList();
  auto text = [](int row, int c, const char* tag) {
    return std::string(tag) + "费用垫付单" + std::to_string(row) + "/" + std::to_string(c) + std::string(40, 'x');
  };
  for (int row = 0; row < 3; ++row) {
    TMemoryRecordGx* r = list->NewRecord();
    ASSERT_EQ(r->FieldCount(), kColumns);
    for (int c = 0; c < kColumns; ++c) {
      EXPECT_TRUE(r->Value(c).IsNull());
      r->SetDataValue(c, rvCurrent, text(row, c, "a"));
    }
    list->AddRecord(r);
  }
  EXPECT_THROW(list->Rec(0)->Value(kColumns), Exception);
  // An edit dropped gives the values back; one kept in cached updates is undone by the log.
  TMemoryRecordGx* mid = list->Rec(1);
  mid->Edit();
  for (int c = 0; c < kColumns; ++c) mid->SetDataValue(c, rvCurrent, text(1, c, "b"));
  mid->Cancel();
  list->SetCachedUpdates(true);
  mid->Edit();
  for (int c = 0; c < kColumns; c += 2) mid->SetDataValue(c, rvCurrent, text(1, c, "c"));
  mid->Post();
  EXPECT_EQ(mid->Value(2).AsString(), text(1, 2, "c"));
  EXPECT_EQ(mid->ValueRef(2, rvOld).AsString(), text(1, 2, "a"));
  list->CancelUpdates();
  for (int row = 0; row < 3; ++row)
    for (int c = 0; c < kColumns; ++c) ASSERT_EQ(list->Rec(row)->Value(c).AsString(), text(row, c, "a")) << row << " " << c;
}

// ---------------------------------------------------------------- change log

TEST_F(RecordsTest, CancelUpdatesRestoresTheValuesBeforeTheFirstEdit) {
  FetchRow(list, {1, "a", 1.0});
  FetchRow(list, {2, "b", 2.0});
  list->SetCachedUpdates(true);
  TMemoryRecordGx* r = list->Rec(1);
  for (const char* v : {"x", "y"}) {
    r->Edit();
    r->SetDataValue(1, rvCurrent, v);
    r->Post();
  }
  AddRow(list, {3, "c", 3.0});
  list->MarkDel(0);
  EXPECT_EQ(Dump(list), "1|a|1\n2|y|2\n3|c|3\n");
  rec->Take();
  list->CancelUpdates();
  EXPECT_EQ(rec->Take(), "7:-1");
  EXPECT_EQ(Dump(list), "1|a|1\n2|b|2\n");
  for (const TMemoryRecordGx* x : list->Records()) {
    EXPECT_EQ(x->UpdateStatus(), usUnmodified);
    EXPECT_EQ(x->UpdateIndex(), -1);
    EXPECT_FALSE(x->HasOldValues());
  }
  EXPECT_TRUE(list->PendingList().empty());
  EXPECT_FALSE(list->HasCachedChanges());
}

TEST_F(RecordsTest, CancelUpdatesGoesPastAModifiedRecordWithoutOldValues) {
  // Rows copied in with their status keep no old values; the walk must not stop at one.
  FetchRow(list, {1, "a", 1.0});
  list->SetCachedUpdates(true);
  TMemoryRecordGx* copied = list->NewRecord();
  copied->SetDataValue(0, rvCurrent, 2);
  list->AddRecordWithStatus(copied, usModified);
  list->MarkDel(0);
  AddRow(list, {3, "c", 3.0});
  rec->Take();
  list->CancelUpdates();
  EXPECT_EQ(rec->Take(), "7:-1");
  EXPECT_EQ(Dump(list), "1|a|1\n2|null|null\n");
  EXPECT_EQ(list->Rec(0)->UpdateStatus(), usUnmodified);
  EXPECT_EQ(copied->UpdateStatus(), usUnmodified);
  EXPECT_TRUE(list->PendingList().empty());
}

TEST_F(RecordsTest, MarkDelOfAModifiedRecordThenCancelRestoresTheFirstValues) {
  FetchRow(list, {1, "a", 1.0});
  FetchRow(list, {2, "b", 2.0});
  list->SetCachedUpdates(true);
  TMemoryRecordGx* r = list->Rec(0);
  r->Edit();
  r->SetDataValue(1, rvCurrent, "m");
  r->Post();
  list->Rec(1)->Edit();
  list->Rec(1)->Post();
  list->MarkDel(0);
  // The delete goes to the end of the log, the values from before the edit kept.
  EXPECT_TRUE(r->HasOldValues());
  EXPECT_EQ(r->GetDataValue(1, rvOld), Variant("a"));
  EXPECT_EQ(r->UpdateIndex(), 2);
  list->CancelUpdates();
  EXPECT_EQ(Dump(list), "1|a|1\n2|b|2\n");
  EXPECT_EQ(r->UpdateStatus(), usUnmodified);
  EXPECT_FALSE(r->HasOldValues());
}

TEST_F(RecordsTest, MergeChangeLogAcceptsEverything) {
  FetchRow(list, {1, "a", 1.0});
  FetchRow(list, {2, "b", 2.0});
  FetchRow(list, {3, "c", 3.0});
  list->SetCachedUpdates(true);
  TMemoryRecordGx* r = list->Rec(2);
  r->Edit();
  r->SetDataValue(1, rvCurrent, "cc");
  r->Post();
  AddRow(list, {4, "d", 4.0});
  std::string gone = std::to_string(list->Rec(0)->ID());
  list->MarkDel(0);
  rec->Take();
  list->MergeChangeLog();
  // Only the deleted record's pair of notices.
  EXPECT_EQ(rec->Take(), "4:0@" + gone + " 5:0@" + gone);
  EXPECT_EQ(Dump(list), "2|b|2\n3|cc|3\n4|d|4\n");
  for (const TMemoryRecordGx* x : list->Records()) {
    EXPECT_EQ(x->UpdateStatus(), usUnmodified);
    EXPECT_EQ(x->UpdateIndex(), -1);
    EXPECT_FALSE(x->HasOldValues());
  }
  EXPECT_TRUE(list->PendingList().empty());
  EXPECT_TRUE(list->DeletedList().empty());
  list->CancelUpdates();
  EXPECT_EQ(Dump(list), "2|b|2\n3|cc|3\n4|d|4\n");
}

TEST_F(RecordsTest, CleanupPacksThePendingListAndKeepsQueuePositions) {
  list->SetCachedUpdates(true);
  TMemoryRecordGx* a = AddRow(list, {1, "a", 1.0});
  AddRow(list, {2, "b", 2.0});
  TMemoryRecordGx* c = AddRow(list, {3, "c", 3.0});
  list->MarkDel(1);  // an inserted record: a hole
  ASSERT_EQ(list->PendingList().size(), 3u);
  list->CleanupChangedData();
  ASSERT_EQ(list->PendingList().size(), 2u);
  EXPECT_EQ(a->UpdateIndex(), 0);
  EXPECT_EQ(c->UpdateIndex(), 1);
  // The packed positions stay usable: a later cancel finds the right slots.
  list->MarkDel(1);
  EXPECT_EQ(list->PendingList()[0], a);
  list->CancelUpdates();
  EXPECT_EQ(list->Count(), 0);
}

TEST_F(RecordsTest, MergeChangesOfOneRecord) {
  FetchRow(list, {1, "a", 1.0});
  list->SetCachedUpdates(true);
  TMemoryRecordGx* r = list->Rec(0);
  r->Edit();
  r->SetDataValue(0, rvCurrent, 5);
  r->Post();
  ASSERT_EQ(r->UpdateIndex(), 0);
  r->MergeChanges();
  EXPECT_EQ(r->UpdateStatus(), usUnmodified);
  EXPECT_EQ(r->UpdateIndex(), -1);
  EXPECT_EQ(list->PendingList()[0], nullptr);
  EXPECT_FALSE(r->HasOldValues());
}

// ---------------------------------------------------------------- resolving without cached updates

TEST_F(RecordsTest, ResolveHookSeesAOneRecordChangeLogAndMayChangeIt) {
  FetchRow(list, {1, "a", 1.0});
  std::vector<std::string> seen;
  rec->OnResolve = [&](TMemTableDataGx* changes) {
    TRecordsListGx* log = changes->RecordsList();
    EXPECT_NE(changes, store.get());
    EXPECT_EQ(changes->DataStruct(), store->DataStruct());
    ASSERT_EQ(log->Count(), 1);
    TMemoryRecordGx* c = log->Rec(0);
    std::string line = std::to_string(c->UpdateStatus()) + ":" + VarToStr(c->Value(1));
    if (c->HasOldValues()) line += "<" + VarToStr(c->GetDataValue(1, rvOld));
    seen.push_back(line);
    // A server would assign the key.
    if (c->UpdateStatus() == usInserted) c->SetDataValue(0, rvCurrent, 100);
  };
  TMemoryRecordGx* r = list->Rec(0);
  r->Edit();
  r->SetDataValue(1, rvCurrent, "b");
  r->Post();
  TMemoryRecordGx* n = AddRow(list, {0, "new", 1.0});
  list->DeleteRecord(0);
  EXPECT_EQ(seen, (std::vector<std::string>{"1:b<a", "2:new", "3:b"}));
  EXPECT_EQ(n->Value(0).AsInteger(), 100);
  EXPECT_EQ(n->UpdateStatus(), usUnmodified);
  EXPECT_FALSE(list->HasCachedChanges());
  // A failing resolve leaves the edit in place.
  rec->OnResolve = [](TMemTableDataGx*) { throw Exception("rejected"); };
  n->Edit();
  n->SetDataValue(1, rvCurrent, "zzz");
  EXPECT_EQ(ErrorText<Exception>([&] { n->Post(); }), "rejected");
  EXPECT_EQ(n->EditState(), resEdit);
  n->Cancel();
  EXPECT_EQ(n->Value(1).AsString(), "new");
}

// A change a listener refuses once the list has taken it (a view whose filter or sort order
// raises) is taken back: every listener hears it come and go, the resolvers are handed its
// reverse, and the list, its change log and the auto-increment counter are as before.
TEST_F(RecordsTest, AChangeAListenerRefusesIsTakenBack) {
  auto* seq = store->DataStruct()->CreateField<TMTNumericDataFieldGx>();
  seq->SetDataType(ftAutoInc);
  seq->SetFieldName("SEQ");
  for (bool cached : {false, true}) {
    SCOPED_TRACE(cached);
    list->Clear();
    list->SetCachedUpdates(false);
    TMemoryRecordGx* r = FetchRow(list, {1, "a", 1.0});
    list->SetCachedUpdates(cached);
    TRecordsListNotificatorGx refuser;
    refuser.SetMemTableData(store.get());
    refuser.OnRecordChange = [](TMemoryRecordGx*, int, int code) {
      if (code == rlInserted || code == rlChanged) throw Exception("refused");
    };
    TRecorder after(store.get());
    std::vector<std::string> resolved;
    rec->OnResolve = [&](TMemTableDataGx* changes) {
      TMemoryRecordGx* c = changes->RecordsList()->Rec(0);
      resolved.push_back(std::to_string(c->UpdateStatus()) + ":" + VarToStr(c->Value(1)));
    };
    rec->Take();
    after.Take();
    const int32_t counter = store->AutoIncrement()->CurValue();
    TMemoryRecordGx* n = list->NewRecord();
    n->SetDataValue(1, rvCurrent, "new");
    EXPECT_EQ(ErrorText<Exception>([&] { list->AddRecord(n); }), "refused");
    EXPECT_FALSE(n->Attached());
    EXPECT_EQ(n->EditState(), resInsert);
    const std::string id = std::to_string(n->ID());
    n->Cancel();
    EXPECT_EQ(rec->Take(), "0:1@" + id + " 1:1@" + id + " 4:1@" + id + " 5:1@" + id);
    EXPECT_EQ(after.Take(), "0:1@" + id + " 1:1@" + id + " 4:1@" + id + " 5:1@" + id);
    EXPECT_EQ(store->AutoIncrement()->CurValue(), counter);
    r->Edit();
    r->SetDataValue(1, rvCurrent, "b");
    EXPECT_EQ(ErrorText<Exception>([&] { r->Post(); }), "refused");
    EXPECT_EQ(r->EditState(), resBrowse);
    const std::string rid = std::to_string(r->ID());
    EXPECT_EQ(after.Take(), "2:0@" + rid + " 3:0@" + rid + " 2:0@" + rid + " 3:0@" + rid);
    EXPECT_EQ(Dump(list), "1|a|1|null\n");
    EXPECT_EQ(r->UpdateStatus(), usUnmodified);
    EXPECT_FALSE(r->HasOldValues());
    EXPECT_FALSE(list->HasCachedChanges());
    EXPECT_TRUE(list->PendingList().empty());
    EXPECT_EQ(resolved, cached ? std::vector<std::string>{}
                               : (std::vector<std::string>{"2:new", "3:new", "1:b", "1:a"}));
    rec->OnResolve = nullptr;
  }
}

// ---------------------------------------------------------------- sorting and lookups

TEST_F(RecordsTest, SortDataOrdersAndRenumbers) {
  for (int v : {5, 3, 9, 1, 7, 3}) FetchRow(list, {v, "x", 0.0});
  list->SortData([](TMemoryRecordGx* a, TMemoryRecordGx* b) { return VarCompare(a->Value(0), b->Value(0)); });
  std::string ids;
  for (int i = 0; i < list->Count(); ++i) {
    ids += VarToStr(list->Rec(i)->Value(0));
    EXPECT_EQ(list->Rec(i)->Index(), i);
  }
  EXPECT_EQ(ids, "133579");
  EXPECT_EQ(ErrorText<EListError>([&] { list->Rec(6); }), "List index out of bounds (6)");
  TMemoryRecordGx* x = list->ExtractRecord(0);
  EXPECT_FALSE(x->Attached());
  EXPECT_EQ(list->Rec(0)->Index(), 0);
  x->Free();
}


// ---------------------------------------------------------------- the record's own bookkeeping

TEST_F(RecordsTest, ManyRecordsKeepTheirOwnEditAndOldValues) {
  // The versions of all records live in one shared table: enough records with versions at once
  // for it to grow several times, each still reading its own.
  const int n = 600;
  for (int i = 0; i < n; ++i) FetchRow(list, {i, "v" + std::to_string(i), 1.0 * i});
  list->SetCachedUpdates(true);
  for (int i = 0; i < n; ++i) {
    TMemoryRecordGx* r = list->Rec(i);
    r->Edit();
    r->SetDataValue(1, rvCurrent, "e" + std::to_string(i));
    if (i % 2 == 0) r->Post();  // even rows keep old values, odd ones stay in edit
  }
  for (int i = 0; i < n; ++i) {
    const TMemoryRecordGx* r = list->Rec(i);
    ASSERT_EQ(r->GetDataValue(1, rvOriginal).AsString(), "v" + std::to_string(i));
    ASSERT_EQ(r->GetDataValue(1, rvCurrent).AsString(), "e" + std::to_string(i));
    ASSERT_EQ(r->HasOldValues(), i % 2 == 0);
    ASSERT_EQ(r->HasEditValues(), i % 2 == 1);
  }
  for (int i = 1; i < n; i += 2) list->Rec(i)->Cancel();
  for (int i = 1; i < n; i += 2) {
    ASSERT_FALSE(list->Rec(i)->HasEditValues());
    ASSERT_EQ(list->Rec(i)->GetDataValue(1, rvCurrent).AsString(), "v" + std::to_string(i));
  }
  // A record freed with versions takes them along: a new record at a reused address has none.
  list->SetCachedUpdates(false);
  TMemoryRecordGx* e = list->Rec(0);
  e->Edit();
  list->DeleteRecord(0);
  for (int k = 0; k < 50; ++k) {
    TMemoryRecordGx* fresh = list->NewRecord();
    EXPECT_FALSE(fresh->HasEditValues());
    EXPECT_FALSE(fresh->HasOldValues());
    EXPECT_THROW(fresh->GetDataValue(1, rvOld), EDatabaseError);
    fresh->Free();
  }
  list->MergeChangeLog();
  for (const TMemoryRecordGx* r : list->Records()) EXPECT_FALSE(r->HasOldValues());
}

TEST_F(RecordsTest, ARecordKnowsItsListInAndOutOfTheActiveList) {
  TMemoryRecordGx* fresh = list->NewRecord();
  EXPECT_EQ(fresh->RecordsList(), list);
  EXPECT_EQ(fresh->Index(), -1);
  // Enough rows for several chunks; inserts in the middle split them.
  for (int i = 0; i < 700; ++i) FetchRow(list, {i, "r", 1.0});
  for (int i = 0; i < 300; ++i) list->InsertRecord(list->NewRecord(), 350);
  for (int i = 0; i < list->Count(); ++i) {
    ASSERT_EQ(list->Rec(i)->RecordsList(), list);
    ASSERT_EQ(list->Rec(i)->Index(), i);
  }
  TMemoryRecordGx* out = list->ExtractRecord(500);
  EXPECT_EQ(out->RecordsList(), list);
  EXPECT_FALSE(out->Attached());
  EXPECT_EQ(list->InsertRecord(out, 3), 3);
  EXPECT_EQ(out->RecordsList(), list);
  list->SetCachedUpdates(true);
  TMemoryRecordGx* gone = list->Rec(10);
  gone->Edit();
  gone->SetDataValue(1, rvCurrent, "x");
  gone->Post();
  list->MarkDel(10);
  gone->MergeChanges();  // to the deleted list, not freed yet
  ASSERT_EQ(list->DeletedList().size(), 1u);
  EXPECT_EQ(gone->RecordsList(), list);
  EXPECT_FALSE(gone->Attached());
  EXPECT_THROW(gone->Free(), EInvalidOperation);
  // A record of another list is refused, in or out of its own list.
  auto other = MakeStore();
  TMemoryRecordGx* foreign = FetchRow(other->RecordsList(), {1, "f", 1.0});
  EXPECT_THROW(list->InsertRecord(foreign, 0), EInvalidOperation);
  TMemoryRecordGx* foreignNew = other->RecordsList()->NewRecord();
  EXPECT_THROW(list->AddRecord(foreignNew), EInvalidOperation);
  foreignNew->Free();
  fresh->Free();
}

}  // namespace
