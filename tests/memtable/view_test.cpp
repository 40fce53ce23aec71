#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <functional>
#include <random>
#include <set>

#include "memtable/view_fixture.h"
#include "platform/rtl/exceptions.h"

using namespace viewtest;

namespace {

class RecordsViewTest : public StoreViewTest {
 protected:
  void SetUp() override {
    StoreViewTest::SetUp();
    rec.Attach(*view);
  }

  Recorder rec;
};

using Ints = std::vector<int>;
using Notices = std::vector<Notice>;

TEST_F(RecordsViewTest, AttachingBuildsTheViewFromTheStore) {
  Owned<TRecordsViewGx> late(new TRecordsViewGx());
  Add(list, 1, Null(), "a");
  Add(list, 2, Null(), "b");
  Recorder r;
  r.Attach(*late);
  late->SetMemTableData(store.get());
  EXPECT_EQ(Ids(*late), (Ints{1, 2}));
  EXPECT_EQ(r.Take(), (Notices{{-1, -1, rlListChanged}}));
  EXPECT_TRUE(late->ViewChangedFlag());
  late->SetMemTableData(nullptr);
  EXPECT_EQ(late->ViewItemsCount(), 0);
}

TEST_F(RecordsViewTest, FollowsInsertsInStoreOrder) {
  rec.Take();
  TMemoryRecordGx* a = Add(list, 1, Null(), "a");
  TMemoryRecordGx* c = Add(list, 3, Null(), "c");
  TMemoryRecordGx* b = Make(list, 2, Null(), "b");
  view->InsertRecord(1, b);  // before the record now at view position 1
  EXPECT_EQ(Ids(*view), (Ints{1, 2, 3}));
  EXPECT_EQ(rec.Take(), (Notices{{1, 0, rlInserted}, {3, 1, rlInserted}, {2, 1, rlInserted}}));
  TMemoryRecordGx* d = Make(list, 4, Null(), "d");
  view->InsertRecord(0, d);
  EXPECT_EQ(Ids(*view), (Ints{4, 1, 2, 3}));
  TMemoryRecordGx* e = Make(list, 5, Null(), "e");
  view->InsertRecord(99, e);  // past the end: appended
  EXPECT_EQ(Ids(*view), (Ints{4, 1, 2, 3, 5}));
  EXPECT_EQ(view->IndexOfRecord(c), 3);
  EXPECT_EQ(view->IndexOfRecord(a), 1);
  EXPECT_EQ(view->FlatRecord(0), d);
  EXPECT_EQ(view->FlatRecord(5), nullptr);
  EXPECT_EQ(view->GetViewRecord(-1), nullptr);
}

TEST_F(RecordsViewTest, FollowsDeletesAndEdits) {
  Add(list, 1, Null(), "a");
  TMemoryRecordGx* b = Add(list, 2, Null(), "b");
  Add(list, 3, Null(), "c");
  rec.Take();
  Set(b, NAME, "bb");
  EXPECT_EQ(rec.Take(), (Notices{{2, 1, rlChanged}}));
  view->DeleteRecord(1);
  EXPECT_EQ(Ids(*view), (Ints{1, 3}));
  EXPECT_EQ(rec.Take(), (Notices{{2, 1, rlDeleted}}));
  list->DeleteRecord(0);
  EXPECT_EQ(Ids(*view), (Ints{3}));
  EXPECT_EQ(view->IndexOfRecord(list->Rec(0)), 0);
  EXPECT_THROW(view->DeleteRecord(5), EListError);
}

TEST_F(RecordsViewTest, FilterDecidesWhatTheViewShows) {
  view->FilterRecordCallback = [](TMemoryRecordGx* r) { return !r->Value(AMOUNT).IsNull() && r->Value(AMOUNT).AsDouble() > 10; };
  view->RebuildView();
  TMemoryRecordGx* a = Add(list, 1, Null(), "a", 5.0);
  TMemoryRecordGx* b = Add(list, 2, Null(), "b", 20.0);
  TMemoryRecordGx* c = Add(list, 3, Null(), "c", 30.0);
  EXPECT_EQ(Ids(*view), (Ints{2, 3}));
  rec.Take();
  // Starts passing: announced as inserted at its place.
  Set(a, AMOUNT, 15.0);
  EXPECT_EQ(Ids(*view), (Ints{1, 2, 3}));
  EXPECT_EQ(rec.Take(), (Notices{{1, 0, rlInserted}}));
  // Stops passing: announced as deleted at its old place.
  Set(b, AMOUNT, 1.0);
  EXPECT_EQ(Ids(*view), (Ints{1, 3}));
  EXPECT_EQ(rec.Take(), (Notices{{2, 1, rlDeleted}}));
  // Changes outside the view announce nothing.
  Set(b, NAME, "x");
  EXPECT_EQ(rec.Take(), Notices{});
  // A filtered-out insert is not shown.
  Add(list, 4, Null(), "d", 0.0);
  EXPECT_EQ(Ids(*view), (Ints{1, 3}));
  EXPECT_EQ(view->IndexOfRecord(c), 1);
  EXPECT_EQ(view->IndexOfRecord(b), -1);
}

TEST_F(RecordsViewTest, StatusFilterHidesDeletedRecordsUnderCachedUpdates) {
  Add(list, 1, Null(), "a");
  TMemoryRecordGx* b = Add(list, 2, Null(), "b");
  list->SetCachedUpdates(true);
  Add(list, 3, Null(), "c");
  view->FilterRecordCallback = [](TMemoryRecordGx*) { return true; };  // accepts everything
  rec.Take();
  list->MarkDel(1);
  EXPECT_EQ(b->UpdateStatus(), usDeleted);
  EXPECT_EQ(Ids(*view), (Ints{1, 3}));
  EXPECT_EQ(rec.Take(), (Notices{{2, 1, rlDeleted}}));
  // Only the deleted ones.
  view->SetStatusFilter({usDeleted});
  EXPECT_EQ(Ids(*view), (Ints{2}));
  view->SetStatusFilter({usUnmodified, usModified, usInserted});
  // Cancelling brings it back (a whole-list notice rebuilds the view).
  rec.Take();
  list->CancelUpdates();
  EXPECT_EQ(Ids(*view), (Ints{1, 2}));
  EXPECT_EQ(rec.Take(), (Notices{{-1, -1, rlListChanged}}));
}

TEST_F(RecordsViewTest, MarkDeletedUnderAStatusFilterThatShowsIt) {
  Add(list, 1, Null(), "a");
  Add(list, 2, Null(), "b");
  list->SetCachedUpdates(true);
  view->SetStatusFilter({usUnmodified, usDeleted});
  rec.Take();
  list->MarkDel(0);
  EXPECT_EQ(Ids(*view), (Ints{1, 2}));
  EXPECT_EQ(rec.Take(), (Notices{{1, 0, rlMarkedDeleted}}));
  list->MergeChangeLog();
  EXPECT_EQ(Ids(*view), (Ints{2}));
}

TEST_F(RecordsViewTest, SortOrderKeepsRowsSortedChangeByChange) {
  Add(list, 1, Null(), "m");
  Add(list, 2, Null(), "c");
  TMemoryRecordGx* x = Add(list, 3, Null(), "x");
  rec.Take();
  view->SetOrderByStr("NAME");
  EXPECT_EQ(Ids(*view), (Ints{2, 1, 3}));
  EXPECT_EQ(rec.Take(), (Notices{{-1, -1, rlListChanged}}));
  view->SetOrderByStr("NAME");  // the same text: nothing
  EXPECT_EQ(rec.Take(), Notices{});
  Add(list, 4, Null(), "d");
  EXPECT_EQ(Ids(*view), (Ints{2, 4, 1, 3}));
  EXPECT_EQ(rec.Take(), (Notices{{4, 1, rlInserted}}));
  // A change that moves the row: the move first, then the change at the new place.
  Set(x, NAME, "a");
  EXPECT_EQ(Ids(*view), (Ints{3, 2, 4, 1}));
  EXPECT_EQ(rec.Take(), (Notices{{3, 3 * 1000 + 0, Moved}, {3, 0, rlChanged}}));
  // A change that keeps the place.
  Set(x, NAME, "b");
  EXPECT_EQ(rec.Take(), (Notices{{3, 0, rlChanged}}));
  view->SetOrderByStr("NAME DESC");
  EXPECT_EQ(Ids(*view), (Ints{1, 4, 2, 3}));
}

TEST_F(RecordsViewTest, ClearingTheSortOrderReturnsToStoreOrder) {
  Add(list, 1, Null(), "m");
  Add(list, 2, Null(), "c");
  Add(list, 3, Null(), "x");
  view->SetOrderByStr("NAME DESC");
  EXPECT_EQ(Ids(*view), (Ints{3, 1, 2}));
  rec.Take();
  view->SetOrderByStr("");
  EXPECT_EQ(Ids(*view), (Ints{1, 2, 3}));
  EXPECT_EQ(view->OrderByList().Count(), 0);
  EXPECT_EQ(rec.Take(), (Notices{{-1, -1, rlListChanged}}));
  // New rows then follow store order too.
  TMemoryRecordGx* r = Make(list, 4, Null(), "a");
  list->InsertRecord(r, 1);
  EXPECT_EQ(Ids(*view), (Ints{1, 4, 2, 3}));
  view->SetOrderByStr("NAME");
  view->SetOrderByStr("   ");
  EXPECT_EQ(Ids(*view), (Ints{1, 4, 2, 3}));
}

TEST_F(RecordsViewTest, SortOrderErrorsKeepTheOrder) {
  Add(list, 1, Null(), "b");
  Add(list, 2, Null(), "a");
  view->SetOrderByStr("NAME");
  EXPECT_THROW(view->SetOrderByStr("NAME, PRICE"), Exception);
  EXPECT_THROW(view->SetOrderByStr("NAME ID"), Exception);
  EXPECT_EQ(view->OrderByStr(), "NAME");
  EXPECT_EQ(Ids(*view), (Ints{2, 1}));
  // Names are looked up in the store, ignoring ASCII case.
  view->SetOrderByStr("name desc");
  EXPECT_EQ(Ids(*view), (Ints{1, 2}));
}

TEST_F(RecordsViewTest, TheTableCanParseTheSortText) {
  Add(list, 1, Null(), "b", 2.0);
  Add(list, 2, Null(), "a", 1.0);
  std::vector<std::string> seen;
  view->ParseOrderBy = [&](std::string_view text, TOrderByList& keys) {
    seen.emplace_back(text);
    if (text == "BAD") throw Exception("bad");
    keys.Add({AMOUNT, text == "BY AMOUNT DESC"});
  };
  view->SetOrderByStr("BY AMOUNT");
  EXPECT_EQ(Ids(*view), (Ints{2, 1}));
  view->SetOrderByStr("BY AMOUNT DESC");
  EXPECT_EQ(Ids(*view), (Ints{1, 2}));
  EXPECT_THROW(view->SetOrderByStr("BAD"), Exception);
  EXPECT_EQ(view->OrderByStr(), "BY AMOUNT DESC");
  EXPECT_EQ(view->OrderByList().Items(), (std::vector<TOrderByItemGx>{{AMOUNT, true}}));
  view->SetOrderByStr("");
  EXPECT_EQ(Ids(*view), (Ints{1, 2}));
  EXPECT_EQ(view->OrderByList().Count(), 0);
  EXPECT_EQ(seen, (std::vector<std::string>{"BY AMOUNT", "BY AMOUNT DESC", "BAD", ""}));
}

TEST_F(RecordsViewTest, NullsSortFirstAscendingAndLastDescending) {
  Add(list, 1, Null(), "a", 5.0);
  Add(list, 2, Null(), "b", Null());
  Add(list, 3, Null(), "c", 1.0);
  view->SetOrderByStr("AMOUNT");
  EXPECT_EQ(Ids(*view), (Ints{2, 3, 1}));
  view->SetOrderByStr("AMOUNT DESC");
  EXPECT_EQ(Ids(*view), (Ints{1, 3, 2}));
  // Several keys: the first difference decides.
  Add(list, 4, Null(), "a", 1.0);
  view->SetOrderByStr("AMOUNT DESC, NAME DESC");
  EXPECT_EQ(Ids(*view), (Ints{1, 3, 4, 2}));
}

TEST_F(RecordsViewTest, TheTableCanSupplyTheComparison) {
  Add(list, 1, Null(), "bb");
  Add(list, 2, Null(), "a");
  Add(list, 3, Null(), "ccc");
  int calls = 0;
  view->CompareRecords = [&](TMemoryRecordGx* r1, TMemoryRecordGx* r2, const TOrderByList& keys) {
    ++calls;
    EXPECT_EQ(keys.Count(), 1);
    return static_cast<int>(r1->Value(NAME).AsString().size()) - static_cast<int>(r2->Value(NAME).AsString().size());
  };
  view->SetOrderByStr("NAME");
  EXPECT_EQ(Ids(*view), (Ints{2, 1, 3}));
  EXPECT_GT(calls, 0);
}

TEST_F(RecordsViewTest, AChangeThatKeepsThePlaceLooksOnlyAtTheNeighbours) {
  for (int i = 0; i < 64; ++i) Add(list, i, Null(), std::string(1, static_cast<char>('A' + i % 26)) + std::to_string(i));
  std::vector<std::pair<int, int>> compared;
  view->CompareRecords = [&](TMemoryRecordGx* r1, TMemoryRecordGx* r2, const TOrderByList&) {
    compared.emplace_back(IdOf(r1), IdOf(r2));
    return IdOf(r1) - IdOf(r2);
  };
  view->SetOrderByStr("ID");
  rec.Take();
  compared.clear();
  TMemoryRecordGx* r = list->Rec(30);
  Set(r, NAME, "changed");
  // The row is checked against the rows beside it and stays: no search through the list.
  EXPECT_EQ(compared, (std::vector<std::pair<int, int>>{{29, 30}, {31, 30}}));
  EXPECT_EQ(rec.Take(), (Notices{{30, 30, rlChanged}}));
  EXPECT_EQ(view->FlatRecord(30), r);
  // A key that leaves the place is searched for and moved.
  compared.clear();
  Set(r, ID, 100);
  EXPECT_GT(compared.size(), 2u);
  EXPECT_EQ(view->FlatRecord(63), r);
  EXPECT_EQ(rec.Take(), (Notices{{100, 30 * 1000 + 63, Moved}, {100, 63, rlChanged}}));
  // In store order nothing is compared at all.
  view->CompareRecords = nullptr;
  view->SetOrderByStr("");
  rec.Take();
  Set(list->Rec(10), AMOUNT, 5.5);
  EXPECT_EQ(rec.Take(), (Notices{{10, 10, rlChanged}}));
  EXPECT_EQ(view->FlatRecord(10), list->Rec(10));
}

TEST_F(RecordsViewTest, UpdateLockKeepsChangesAwayUntilTheListIsRebuilt) {
  Add(list, 1, Null(), "a");
  rec.Take();
  view->BeginUpdateLock();
  Add(list, 2, Null(), "b");
  list->DeleteRecord(0);
  EXPECT_EQ(rec.Take(), Notices{});
  view->EndUpdateLock();
  list->BeginUpdate();
  list->EndUpdate();  // the whole-list notice
  EXPECT_EQ(Ids(*view), (Ints{2}));
}

TEST_F(RecordsViewTest, StoreMovesKeepTheViewInStoreOrder) {
  for (int i = 1; i <= 5; ++i) Add(list, i, Null(), "r", static_cast<double>(i));
  rec.Take();
  list->MoveRecord(4, 1);
  EXPECT_EQ(Ids(*view), (Ints{1, 5, 2, 3, 4}));
  EXPECT_EQ(rec.Take(), (Notices{{-1, -1, rlBeforeSourceChange}}));
  list->MoveRecord(0, 4);
  EXPECT_EQ(Ids(*view), (Ints{5, 2, 3, 4, 1}));
  // With rows filtered out: a row moved past only hidden rows keeps its place.
  view->FilterRecordCallback = [](TMemoryRecordGx* r) { return r->Value(ID).AsInteger() != 2 && r->Value(ID).AsInteger() != 3; };
  view->RebuildView();
  EXPECT_EQ(Ids(*view), (Ints{5, 4, 1}));
  list->MoveRecord(3, 1);  // store: 5 4 2 3 1
  EXPECT_EQ(Ids(*view), (Ints{5, 4, 1}));
  list->MoveRecord(1, 3);  // store: 5 2 3 4 1
  EXPECT_EQ(Ids(*view), (Ints{5, 4, 1}));
  list->MoveRecord(4, 0);  // store: 1 5 2 3 4
  EXPECT_EQ(Ids(*view), (Ints{1, 5, 4}));
}

TEST_F(RecordsViewTest, ClientsHearTheViewsNotices) {
  Add(list, 1, Null(), "a");
  std::vector<Notice> heard;
  Owned<TRecordsListNotificatorGx> client(new TRecordsListNotificatorGx());
  client->OnRecordChange = [&](TMemoryRecordGx* r, int index, int code) { heard.emplace_back(IdOf(r), index, code); };
  client->SetMemTableData(view.get());
  ASSERT_EQ(view->NotificationClients().size(), 1u);
  EXPECT_EQ(heard, (Notices{{-1, -1, rlBeforeSourceChange}, {-1, -1, rlListChanged}}));
  heard.clear();
  view->SetOrderByStr("NAME DESC");
  Add(list, 2, Null(), "b");
  EXPECT_EQ(heard, (Notices{{-1, -1, rlListChanged}, {2, 0, rlInserted}}));
  // The view going away leaves the client without a source.
  view.reset();
  EXPECT_EQ(client->Source(), nullptr);
  client->SetMemTableData(nullptr);
}

TEST_F(RecordsViewTest, ClientsDetachingWhileTold) {
  Owned<TRecordsListNotificatorGx> a(new TRecordsListNotificatorGx());
  Owned<TRecordsListNotificatorGx> b(new TRecordsListNotificatorGx());
  int bHeard = 0;
  a->SetMemTableData(view.get());
  b->SetMemTableData(view.get());
  a->OnRecordChange = [&](TMemoryRecordGx*, int, int code) {
    if (code == rlInserted) b->SetMemTableData(nullptr);
  };
  b->OnRecordChange = [&](TMemoryRecordGx*, int, int code) {
    if (code == rlInserted) ++bHeard;
  };
  Add(list, 1, Null(), "a");
  EXPECT_EQ(bHeard, 0);
  EXPECT_EQ(view->NotificationClients().size(), 1u);
  a->SetMemTableData(nullptr);
}

TEST_F(RecordsViewTest, AStoreThatGoesAwayLeavesAnEmptyView) {
  Add(list, 1, Null(), "a");
  Add(list, 2, Null(), "b");
  view->SetTreeKeyFieldName("ID");
  view->SetTreeRefParentFieldName("PARENT");
  store.reset();
  EXPECT_EQ(view->Store(), nullptr);
  EXPECT_EQ(view->ViewItemsCount(), 0);
  EXPECT_EQ(view->GetViewRecord(0), nullptr);
  EXPECT_EQ(view->AggregateRowCount(), 0);
  // A new store rebuilds it, in tree mode too.
  store = MakeViewStore();
  list = store->RecordsList();
  Add(list, 7, Null(), "x");
  Add(list, 8, 7, "y");
  view->SetMemTableData(store.get());
  EXPECT_EQ(Ids(*view), (Ints{7, 8}));
  view->SetOrderByStr("NAME DESC");
  view->SetViewAsTreeList(true);
  EXPECT_EQ(AllIds(*view), (Ints{7, 8}));
  store.reset();
  EXPECT_EQ(view->AllVisibleCount(), 0);
  // Reshaping a view without a store touches none of the records that went.
  view->RebuildView();
  view->Resort();
  view->SetViewAsTreeList(false);
  view->SetOrderByStr("");
  EXPECT_EQ(view->ViewItemsCount(), 0);
}

TEST_F(RecordsViewTest, RecordOperationsGoThroughTheStore) {
  list->SetCachedUpdates(true);
  TMemoryRecordGx* r = view->NewRecord();
  r->SetDataValue(ID, rvCurrent, 1);
  view->AddRecord(r);
  EXPECT_EQ(r->UpdateStatus(), usInserted);
  view->MergeChangeLog();
  EXPECT_EQ(r->UpdateStatus(), usUnmodified);
  view->DeleteRecord(0);
  EXPECT_EQ(view->ViewItemsCount(), 0);
  view->CancelUpdates();
  EXPECT_EQ(Ids(*view), (Ints{1}));
  Owned<TRecordsViewGx> detached(new TRecordsViewGx());
  EXPECT_THROW(detached->NewRecord(), EInvalidOperation);
}

// A view sorted on its keys lists the records as a view sorted by the record comparison does.
void ExpectKeyedSortMatches(TMemTableDataGx* store, const char* order,
                            const std::function<int(TMemoryRecordGx*, TMemoryRecordGx*, const TOrderByList&)>& byRecords) {
  Owned<TRecordsViewGx> fast(new TRecordsViewGx());
  fast->SetMemTableData(store);
  fast->SetOrderByStr(order);
  Owned<TRecordsViewGx> slow(new TRecordsViewGx());
  slow->CompareRecords = byRecords;
  slow->SetMemTableData(store);
  slow->SetOrderByStr(order);
  ASSERT_EQ(fast->FlatList(), slow->FlatList()) << order;
  for (int i = 1; i < fast->ViewItemsCount(); ++i)
    ASSERT_LE(byRecords(fast->FlatRecord(i - 1), fast->FlatRecord(i), fast->OrderByList()), 0) << order;
}

// The view sorts by keys it reads once; a table's comparison callback sorts by the records. Both
// must give the same order, ties included (the same quicksort sees the same answers).
TEST(RecordsViewSort, KeysReadOnceSortAsTheRecordComparison) {
  Owned<TMemTableDataGx> store = MakeViewStore();
  auto* any = store->DataStruct()->CreateField<TMTVariantDataFieldGx>();
  any->SetVariantDataType(fdtVariant);
  any->SetFieldName("ANY");
  TRecordsListGx* list = store->RecordsList();
  std::mt19937 rng(11);
  const char* names[] = {"张三", "陈五", "abc", "ABC", "Abc", "b", "", "阿四", "a b", "a-b"};
  for (int i = 0; i < 400; ++i) {
    TMemoryRecordGx* r = Make(list, static_cast<int>(rng() % 50), rng() % 9 == 0 ? Variant(Null()) : Variant(static_cast<int>(rng() % 5)),
                              rng() % 11 == 0 ? Variant(Null()) : Variant(names[rng() % 10]),
                              rng() % 7 == 0 ? Variant(Null()) : Variant(static_cast<double>(rng() % 20) / 4));
    // A general column: numbers of several kinds and texts that read as numbers.
    Variant v;
    switch (rng() % 4) {
      case 0: v = Variant(static_cast<int>(rng() % 10)); break;
      case 1: v = Variant(static_cast<double>(rng() % 10) / 2); break;
      case 2: v = Variant(std::to_string(rng() % 10)); break;
      default: v = Null(); break;
    }
    r->SetDataValue(4, rvCurrent, v);
    list->AddRecord(r);
  }
  auto byRecords = [](TMemoryRecordGx* r1, TMemoryRecordGx* r2, const TOrderByList& keys) {
    for (const TOrderByItemGx& k : keys.Items()) {
      const Variant &a = r1->Value(k.FieldIndex), &b = r2->Value(k.FieldIndex);
      int c = a.IsNull() || b.IsNull() ? (a.IsNull() == b.IsNull() ? 0 : (a.IsNull() ? -1 : 1)) : VarCompare(a, b);
      if (k.Desc) c = -c;
      if (c != 0) return c;
    }
    return 0;
  };
  for (const char* order : {"NAME", "NAME DESC, AMOUNT", "AMOUNT, PARENT DESC", "ID", "ANY, NAME", "PARENT, ANY DESC, ID"}) {
    ExpectKeyedSortMatches(store.get(), order, byRecords);
  }
}

// Long texts that share their first characters leave the key prefixes equal, so the collator and
// then the bytes decide: the order must still be the records' own.
TEST(RecordsViewSort, TextsWithLongCommonBeginningsSortAsTheRecordComparison) {
  Owned<TMemTableDataGx> store = MakeViewStore();
  TRecordsListGx* list = store->RecordsList();
  std::mt19937 rng(23);
  const char* heads[] = {"费用垫付单", "费用垫付", "Expense advance ", "expense advance ", "1234567890"};
  const char* tails[] = {"", "a", "A", "b", "张", "陈", " ", "-", "1", "é", "e"};
  for (int i = 0; i < 600; ++i) {
    std::string name = heads[rng() % 5];
    for (int k = static_cast<int>(rng() % 3); k >= 0; --k) name += tails[rng() % 11];
    list->AddRecord(Make(list, static_cast<int>(rng() % 40), Variant(0), Variant(name), Variant(1.0)));
  }
  auto byRecords = [](TMemoryRecordGx* r1, TMemoryRecordGx* r2, const TOrderByList& keys) {
    for (const TOrderByItemGx& k : keys.Items()) {
      int c = VarCompare(r1->Value(k.FieldIndex), r2->Value(k.FieldIndex));
      if (k.Desc) c = -c;
      if (c != 0) return c;
    }
    return 0;
  };
  for (const char* order : {"NAME", "NAME DESC", "NAME, ID DESC"}) {
    ExpectKeyedSortMatches(store.get(), order, byRecords);
  }
}

// Long random sequences of store changes: the view must always equal a view built from scratch.
class RecordsViewModelTest : public ::testing::TestWithParam<int> {};

TEST_P(RecordsViewModelTest, FollowsTheStoreChangeByChange) {
  const int mode = GetParam();  // 0 store order, 1 sorted, 2 sorted + filter, 3 filter
  std::mt19937 rng(1234 + mode);
  Owned<TMemTableDataGx> store = MakeViewStore();
  TRecordsListGx* list = store->RecordsList();
  Owned<TRecordsViewGx> view(new TRecordsViewGx());
  view->SetMemTableData(store.get());
  auto filter = [](TMemoryRecordGx* r) { return r->Value(AMOUNT).IsNull() || r->Value(AMOUNT).AsDouble() < 60; };
  if (mode >= 2) view->FilterRecordCallback = filter;
  if (mode == 1 || mode == 2) view->SetOrderByStr("NAME DESC, ID");
  int nextId = 1;
  for (int step = 0; step < 1500; ++step) {
    int count = list->Count();
    int op = static_cast<int>(rng() % 100);
    Variant amount = rng() % 7 == 0 ? Null() : Variant(static_cast<double>(rng() % 100));
    std::string name(1, static_cast<char>('a' + rng() % 6));
    if (op < 30 || count == 0) {
      TMemoryRecordGx* r = Make(list, nextId++, Null(), name, amount);
      if (count > 0 && rng() % 2) list->InsertRecord(r, static_cast<int>(rng() % (count + 1)));
      else list->AddRecord(r);
    } else if (op < 55) {
      TMemoryRecordGx* r = list->Rec(static_cast<int>(rng() % count));
      r->Edit();
      if (rng() % 2) r->SetDataValue(NAME, rvCurrent, name);
      r->SetDataValue(AMOUNT, rvCurrent, amount);
      r->Post();
    } else if (op < 65) {
      int at = static_cast<int>(rng() % count);
      if (list->Rec(at)->UpdateStatus() != usDeleted) list->MarkDel(at);
    } else if (op < 72) {
      list->DeleteRecord(static_cast<int>(rng() % count));
    } else if (op < 78) {
      list->MoveRecord(static_cast<int>(rng() % count), static_cast<int>(rng() % count));
    } else if (op < 82) {
      list->SetCachedUpdates(!list->CachedUpdates());
    } else if (op < 85) {
      list->MergeChangeLog();
    } else if (op < 88) {
      list->CancelUpdates();
    } else if (op < 90 && mode == 1) {
      view->SetOrderByStr(rng() % 2 ? "NAME DESC, ID" : "AMOUNT, ID");
    } else {
      TMemoryRecordGx* r = list->Rec(static_cast<int>(rng() % count));
      r->Edit();
      r->SetDataValue(AMOUNT, rvCurrent, amount);
      r->Cancel();  // nothing reaches the view
    }
    // The model: the store's records that pass, in store order or sorted.
    std::vector<TMemoryRecordGx*> model;
    for (TMemoryRecordGx* r : list->Records())
      if (r->UpdateStatus() != usDeleted && (mode < 2 || filter(r))) model.push_back(r);
    if (mode == 1 || mode == 2) {
      const bool byAmount = view->OrderByStr() == "AMOUNT, ID";
      std::stable_sort(model.begin(), model.end(), [&](TMemoryRecordGx* a, TMemoryRecordGx* b) {
        if (byAmount) {
          const Variant &x = a->Value(AMOUNT), &y = b->Value(AMOUNT);
          if (x.IsNull() != y.IsNull()) return x.IsNull();
          if (!x.IsNull() && x.AsDouble() != y.AsDouble()) return x.AsDouble() < y.AsDouble();
        } else {
          std::string x = a->Value(NAME).AsString(), y = b->Value(NAME).AsString();
          if (x != y) return x > y;
        }
        return a->Value(ID).AsInteger() < b->Value(ID).AsInteger();
      });
    }
    ASSERT_EQ(view->FlatList(), model) << "step " << step << " op " << op;
  }
}

INSTANTIATE_TEST_SUITE_P(Modes, RecordsViewModelTest, ::testing::Values(0, 1, 2, 3));

}  // namespace
