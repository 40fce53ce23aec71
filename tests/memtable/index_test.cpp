// Record indexes kept in step with the records list.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "editors/tools/toolctrlsgx.h"
#include "memtable/mtindex.h"
#include "store_support.h"
#include "support/error_text.h"

using namespace mtstore_test;

namespace {

class IndexTest : public ::testing::Test {
 protected:
  void SetUp() override {
    store = MakeStore();
    list = store->RecordsList();
  }
  TMTIndexGx* AddIndex(const std::string& fields, bool unique = false) {
    TMTIndexGx* index = list->Indexes()->Add();
    index->SetFields(fields);
    index->SetUnique(unique);
    index->SetActive(true);
    return index;
  }
  // Every item's key and position, in index order ("key@pos").
  static std::string Items(const TMTIndexGx* index) {
    std::string s;
    for (int i = 0; i < index->Count(); ++i) {
      const TIndexItemGx& item = index->Items(i);
      std::string key;
      if (item.KeyValue.IsArray())
        for (int k = item.KeyValue.ArrayLowBound(); k <= item.KeyValue.ArrayHighBound(); ++k)
          key += (k ? "," : "") + VarToStr(item.KeyValue[k]);
      else
        key = item.KeyValue.IsNull() ? "null" : VarToStr(item.KeyValue);
      s += (s.empty() ? "" : " ") + key + "@" + std::to_string(item.RecIndex);
    }
    return s;
  }
  // Every item must name a record whose key it holds.
  void CheckConsistent(const TMTIndexGx* index) {
    for (int i = 0; i < index->Count(); ++i) {
      const TIndexItemGx& item = index->Items(i);
      ASSERT_GE(item.RecIndex, 0);
      ASSERT_LT(item.RecIndex, list->Count());
      EXPECT_TRUE(VariantsEqual(index->KeyOf(list->Rec(item.RecIndex), rvCurrent), item.KeyValue)) << i;
      if (i > 0) {
        EXPECT_NE(CompareVariants(index->Items(i - 1).KeyValue, item.KeyValue), vrGreaterThan);
      }
    }
  }
  std::unique_ptr<TMemTableDataGx> store;
  TRecordsListGx* list = nullptr;
};

TEST_F(IndexTest, BuildsSortedAndFindsByBinarySearch) {
  for (int v : {30, 10, 20}) FetchRow(list, {v, "n" + std::to_string(v), 0.0});
  TMTIndexGx* index = AddIndex("ID");
  EXPECT_EQ(Items(index), "10@1 20@2 30@0");
  int rec = -1;
  EXPECT_TRUE(index->LocateKey(20, rec));
  EXPECT_EQ(rec, 2);
  int pos = -1;
  EXPECT_FALSE(index->FindKeyValueIndex(25, pos));
  EXPECT_EQ(pos, 2);
  EXPECT_FALSE(index->FindKeyValueIndex(5, pos));
  EXPECT_EQ(pos, 0);
  EXPECT_EQ(list->Indexes()->GetIndexForFields("id"), index);
  EXPECT_EQ(list->Indexes()->GetIndexForFields("NAME"), nullptr);
}

TEST_F(IndexTest, InactiveOrEmptyIndexesIgnoreNotices) {
  FetchRow(list, {1, "a", 0.0});
  TMTIndexGx* idle = list->Indexes()->Add();
  idle->SetFields("ID");
  TMTIndexGx* blank = AddIndex("");
  FetchRow(list, {2, "b", 0.0});
  EXPECT_EQ(idle->Count(), 0);
  EXPECT_EQ(blank->Count(), 0);
  idle->SetActive(true);
  EXPECT_EQ(Items(idle), "1@0 2@1");
  idle->SetActive(false);
  EXPECT_EQ(idle->Count(), 0);
}

TEST_F(IndexTest, UniqueIndexRefusesDuplicatesOnInsertAndOnChange) {
  FetchRow(list, {1, "a", 0.0});
  FetchRow(list, {2, "b", 0.0});
  TMTIndexGx* index = AddIndex("ID", true);
  TMemoryRecordGx* dup = list->NewRecord();
  dup->SetDataValue(0, rvCurrent, 2);
  EXPECT_EQ(ErrorText<EDatabaseError>([&] { list->AddRecord(dup); }), "Unical key violation 2");
  EXPECT_FALSE(dup->Attached());
  EXPECT_EQ(list->Count(), 2);
  dup->Cancel();
  TMemoryRecordGx* r = list->Rec(0);
  r->Edit();
  r->SetDataValue(0, rvCurrent, 2);
  EXPECT_EQ(ErrorText<EDatabaseError>([&] { r->Post(); }), "Unical key violation 2");
  EXPECT_EQ(r->EditState(), resEdit);
  r->Cancel();
  // Its own unchanged key is accepted, and so is a change of another column.
  r->Edit();
  r->SetDataValue(1, rvCurrent, "aa");
  r->Post();
  EXPECT_EQ(Items(index), "1@0 2@1");
  r->Edit();
  r->SetDataValue(0, rvCurrent, 5);
  r->Post();
  EXPECT_EQ(Items(index), "2@1 5@0");
  CheckConsistent(index);
}

TEST_F(IndexTest, PrimaryIndexRefusesToo) {
  FetchRow(list, {1, "a", 0.0});
  TMTIndexGx* index = list->Indexes()->Add();
  index->SetFields("NAME");
  index->SetPrimary(true);
  index->SetActive(true);
  EXPECT_EQ(ErrorText<EDatabaseError>([&] { AddRow(list, {2, "a", 0.0}); }), "Unical key violation a");
}

TEST_F(IndexTest, TwoFieldKeysNeedBothEqual) {
  FetchRow(list, {1, "a", 0.0});
  FetchRow(list, {1, "b", 0.0});
  TMTIndexGx* index = AddIndex("ID;NAME", true);
  EXPECT_EQ(Items(index), "1,a@0 1,b@1");
  EXPECT_TRUE(index->KeyValue(0).IsArray());
  int rec = -1;
  EXPECT_TRUE(index->LocateKey(Variant::ArrayOf({1, "b"}), rec));
  EXPECT_EQ(rec, 1);
  EXPECT_FALSE(index->LocateKey(Variant::ArrayOf({2, "a"}), rec));
  EXPECT_EQ(ErrorText<EDatabaseError>([&] { AddRow(list, {1, "b", 0.0}); }), "Unical key violation 1;b");
  EXPECT_NO_THROW(AddRow(list, {2, "b", 0.0}));
  CheckConsistent(index);
}

TEST_F(IndexTest, InsertInTheMiddleRenumbersLaterPositions) {
  for (int v : {1, 2, 3}) FetchRow(list, {v, "x", 0.0});
  TMTIndexGx* index = AddIndex("ID");
  TMemoryRecordGx* r = list->NewRecord();
  r->SetDataValue(0, rvCurrent, 9);
  list->InsertRecord(r, 1);
  EXPECT_EQ(Items(index), "1@0 2@2 3@3 9@1");
  list->DeleteRecord(0);
  EXPECT_EQ(Items(index), "2@1 3@2 9@0");
  list->MoveRecord(0, 2);
  EXPECT_EQ(Items(index), "2@0 3@1 9@2");
  list->MoveRecord(2, 0);
  EXPECT_EQ(Items(index), "2@1 3@2 9@0");
  CheckConsistent(index);
}

TEST_F(IndexTest, MarkedDeletedRecordLeavesTheIndexAndItsKeyCanBeUsedAgain) {
  for (int v : {1, 2, 3}) FetchRow(list, {v, "x", 0.0});
  TMTIndexGx* index = AddIndex("ID", true);
  list->SetCachedUpdates(true);
  list->MarkDel(1);
  EXPECT_EQ(Items(index), "1@0 3@2");
  TMemoryRecordGx* again = AddRow(list, {2, "again", 0.0});
  EXPECT_EQ(again->Index(), 3);
  EXPECT_EQ(Items(index), "1@0 2@3 3@2");
  // A record inserted before the end moves every later item up, including those past the item
  // count (the marked record has none).
  TMemoryRecordGx* mid = list->NewRecord();
  mid->SetDataValue(0, rvCurrent, 7);
  list->InsertRecord(mid, 2);
  EXPECT_EQ(Items(index), "1@0 2@4 3@3 7@2");
  CheckConsistent(index);
  list->DeleteRecord(2);
  EXPECT_EQ(Items(index), "1@0 2@3 3@2");
  // Merging removes the marked record for good: its item is gone already, and the later
  // positions still close up.
  list->MergeChangeLog();
  EXPECT_EQ(Items(index), "1@0 2@2 3@1");
  CheckConsistent(index);
}

TEST_F(IndexTest, CancelUpdatesRebuildsFromTheRestoredValues) {
  for (int v : {1, 2}) FetchRow(list, {v, "x", 0.0});
  TMTIndexGx* index = AddIndex("ID");
  list->SetCachedUpdates(true);
  TMemoryRecordGx* r = list->Rec(0);
  r->Edit();
  r->SetDataValue(0, rvCurrent, 7);
  r->Post();
  list->MarkDel(1);
  AddRow(list, {3, "x", 0.0});
  EXPECT_EQ(Items(index), "3@2 7@0");
  list->CancelUpdates();
  EXPECT_EQ(Items(index), "1@0 2@1");
  CheckConsistent(index);
}

TEST_F(IndexTest, NotComparableKeysRaise) {
  FetchRow(list, {1, "x", 0.0});
  FetchRow(list, {2, "y", 0.0});
  TMTIndexGx* index = AddIndex("ID");
  int pos = 0;
  EXPECT_EQ(ErrorText<EDatabaseError>([&] { index->FindKeyValueIndex("abc", pos); }),
            "TMTIndexGx.FindKeyValueIndex: values is not comparable.");
  // A text that reads as a number compares with numbers.
  EXPECT_TRUE(index->FindKeyValueIndex("2", pos));
  EXPECT_EQ(pos, 1);
}

// The list stores a record before its indexes hear of it: a key that cannot be placed among the
// others still gets its item, so that the index never lacks a record the list holds; an index
// built over such keys holds them all too.
TEST_F(IndexTest, AStoredKeyThatCannotBePlacedKeepsItsItem) {
  store->DataStruct()->CreateField<TMTVariantDataFieldGx>()->SetFieldName("V");
  FetchRow(list, {1, "x", 0.0, "abc"});
  TMTIndexGx* index = AddIndex("V");
  TMemoryRecordGx* r = AddRow(list, {2, "y", 0.0, 5});
  EXPECT_EQ(Items(index), "abc@0 5@1");
  EXPECT_EQ(AddIndex("V")->Count(), 2);
  r->Edit();
  r->SetDataValue(3, rvCurrent, "zzz");
  r->Post();
  EXPECT_EQ(Items(index), "abc@0 zzz@1");
  list->DeleteRecord(1);
  EXPECT_EQ(Items(index), "abc@0");
}

TEST_F(IndexTest, NullKeysSortFirstAndDuplicatesAreListed) {
  for (const Variant& v : {Variant(2), Null(), Variant(2), Variant(1), Variant(2)}) FetchRow(list, {v, "x", 0.0});
  TMTIndexGx* index = AddIndex("ID");
  EXPECT_EQ(index->KeyValue(0).IsNull(), true);
  std::vector<TMemoryRecordGx*> found;
  index->GetKeyRecords(2, found);
  ASSERT_EQ(found.size(), 3u);
  std::vector<int> positions;
  for (TMemoryRecordGx* r : found) positions.push_back(r->Index());
  std::sort(positions.begin(), positions.end());
  EXPECT_EQ(positions, (std::vector<int>{0, 2, 4}));
  found.clear();
  index->GetKeyRecords(5, found);
  EXPECT_TRUE(found.empty());
  CheckConsistent(index);
}

TEST_F(IndexTest, ChangingFieldsOrFlagsRebuilds) {
  for (int v : {2, 1}) FetchRow(list, {v, v == 2 ? "a" : "b", 0.0});
  TMTIndexGx* index = AddIndex("ID");
  EXPECT_EQ(Items(index), "1@1 2@0");
  index->SetFields("NAME");
  EXPECT_EQ(Items(index), "a@0 b@1");
  index->SetUnique(true);
  EXPECT_EQ(index->Count(), 2);
  EXPECT_EQ(ErrorText<EDatabaseError>([&] { index->SetFields("NOPE"); }), "DataStruct: Field 'NOPE' not found");
  EXPECT_EQ(Items(index), "a@0 b@1");
  // A field added to the structure after the records were made passes the name check, but the
  // records hold no value for it: the rebuild fails, and the index goes back to the key it had.
  auto* late = store->DataStruct()->CreateField<TMTNumericDataFieldGx>();
  late->SetDataType(ftInteger);
  late->SetFieldName("LATE");
  EXPECT_EQ(ErrorText<Exception>([&] { index->SetFields("LATE"); }), "List index out of bounds (3)");
  EXPECT_EQ(index->Fields(), "NAME");
  EXPECT_TRUE(index->Active());
  EXPECT_EQ(Items(index), "a@0 b@1");
  CheckConsistent(index);
  AddRow(list, {3, "c", 0.0});
  EXPECT_EQ(Items(index), "a@0 b@1 c@2");
}

// Names are read trimmed by the check and by the key alike: a padded key is the same key, and a
// key that the check refuses leaves the index with the key it had.
TEST_F(IndexTest, PaddedNamesAreTheNamesTheyPad) {
  struct Case {
    const char* fields;
    const char* items;    // after a fourth record (ID 0, NAME "d") is added; "" when refused
    const char* missing;  // the name the refusal names
  };
  for (const Case& c : {Case{" ID", "0@3 1@1 2@0 3@2", ""}, Case{"ID ", "0@3 1@1 2@0 3@2", ""},
                        Case{" NAME ;ID", "a,2@0 b,1@1 c,3@2 d,0@3", ""},
                        Case{"NAME; ID ", "a,2@0 b,1@1 c,3@2 d,0@3", ""}, Case{"  ", "", ""},
                        Case{" NOPE", "", "NOPE"}, Case{"ID;NOPE ", "", "NOPE"}}) {
    SCOPED_TRACE(std::string("'") + c.fields + "'");
    list->Clear();
    FetchRow(list, {2, "a", 0.0});
    FetchRow(list, {1, "b", 0.0});
    FetchRow(list, {3, "c", 0.0});
    TMTIndexGx* index = AddIndex("AMOUNT");
    if (*c.items) {
      index->SetFields(c.fields);
      EXPECT_EQ(index->Fields(), c.fields);
    } else {
      EXPECT_EQ(ErrorText<EDatabaseError>([&] { index->SetFields(c.fields); }),
                std::string("DataStruct: Field '") + c.missing + "' not found");
      EXPECT_EQ(index->Fields(), "AMOUNT");
    }
    AddRow(list, {0, "d", 1.0});
    EXPECT_EQ(list->Count(), 4);
    if (*c.items) {
      EXPECT_EQ(Items(index), c.items);
    }
    EXPECT_EQ(index->Count(), 4);
    CheckConsistent(index);
    list->Indexes()->Delete(index->Index());
  }
}

TEST_F(IndexTest, MissingFieldFailsActivationAndLeavesTheIndexInactive) {
  FetchRow(list, {1, "a", 0.0});
  TMTIndexGx* index = list->Indexes()->Add();
  index->SetFields("ID;NOPE");
  EXPECT_THROW(index->SetActive(true), EDatabaseError);
  EXPECT_FALSE(index->Active());
  EXPECT_EQ(index->Count(), 0);
}

TEST_F(IndexTest, SortDataAndClearRebuild) {
  for (int v : {3, 1, 2}) FetchRow(list, {v, "x", 0.0});
  TMTIndexGx* index = AddIndex("ID");
  list->SortData([](TMemoryRecordGx* a, TMemoryRecordGx* b) { return VarCompare(a->Value(0), b->Value(0)); });
  EXPECT_EQ(Items(index), "1@0 2@1 3@2");
  list->Clear();
  EXPECT_EQ(index->Count(), 0);
}

TEST_F(IndexTest, ManyRecordsInRandomOrderStayConsistent) {
  // Enough items for the index to hold them in many chunks.
  std::vector<int> keys(3000);
  for (int i = 0; i < 3000; ++i) keys[static_cast<size_t>(i)] = i * 2;
  std::mt19937 rng(5);
  std::shuffle(keys.begin(), keys.end(), rng);
  TMTIndexGx* index = AddIndex("ID", true);
  for (int k : keys) AddRow(list, {k, "x", 0.0});
  EXPECT_EQ(index->Count(), 3000);
  CheckConsistent(index);
  for (int i = 0; i < 700; ++i) list->DeleteRecord(static_cast<int>(rng() % static_cast<unsigned>(list->Count())));
  for (int i = 0; i < 500; ++i) {
    TMemoryRecordGx* r = list->NewRecord();
    r->SetDataValue(0, rvCurrent, 2 * i + 1);  // odd keys: never taken
    list->InsertRecord(r, static_cast<int>(rng() % static_cast<unsigned>(list->Count() + 1)));
  }
  for (int i = 0; i < 300; ++i) {
    TMemoryRecordGx* r = list->Rec(static_cast<int>(rng() % static_cast<unsigned>(list->Count())));
    r->Edit();
    r->SetDataValue(0, rvCurrent, 100000 + i);
    r->Post();
  }
  list->SetCachedUpdates(true);
  for (int i = 0; i < 200; ++i) {
    int at = static_cast<int>(rng() % static_cast<unsigned>(list->Count()));
    if (list->Rec(at)->UpdateStatus() != usDeleted) list->MarkDel(at);
  }
  list->MergeChangeLog();
  EXPECT_EQ(index->Count(), list->Count());
  CheckConsistent(index);
  for (int i = 0; i < index->Count(); ++i) {
    int rec = -1;
    ASSERT_TRUE(index->LocateKey(index->KeyValue(i), rec));
    EXPECT_EQ(index->Items(i).RecIndex, rec);
  }
}

TEST_F(IndexTest, AnIndexMayWatchAnotherList) {
  auto other = MakeStore();
  FetchRow(other->RecordsList(), {5, "x", 0.0});
  FetchRow(other->RecordsList(), {4, "y", 0.0});
  auto* index = new TMTIndexGx(list->Indexes(), other->RecordsList());
  index->SetFields("ID");
  index->SetActive(true);
  EXPECT_EQ(index->RecordsList(), other->RecordsList());
  EXPECT_EQ(Items(index), "4@1 5@0");
  // It goes before the list it watches.
  index->Free();
}

}  // namespace
