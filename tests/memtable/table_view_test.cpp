// What shapes the rows a table shows: sort orders, filters, master-detail; instant reading; tree
// mode; the grid interface and the coalesced client notices.
#include <gtest/gtest.h>

#include <utility>

#include "memtable/treelist.h"
#include "table_support.h"

using namespace mttable_test;

namespace {

void FillNames(TCustomMemTableGx& t) {
  AppendRow(t, 1, "pear", 3.0);
  AppendRow(t, 2, Null(), 1.0);
  AppendRow(t, 3, "apple", 2.0);
  AppendRow(t, 4, "pear", Null());
  AppendRow(t, 5, "fig", 5.0);
}

// The three columns, NAME holding values of any type: texts and numbers meet in one column.
void MakeMixedTable(TMemTableGx& t) {
  t.SetName("mtblMixed");
  t.FieldDefs().Add("ID", ftInteger);
  t.FieldDefs().Add("NAME", ftVariant);
  t.FieldDefs().Add("AMOUNT", ftFloat);
  t.CreateDataSet();
}

}  // namespace

// ---------------------------------------------------------------- sorting

TEST(MemTableSort, NullsFirstThenValuesAndDescending) {
  TMemTableGx t;
  MakeTable(t);
  FillNames(t);
  t.SetSortOrder("NAME;ID");
  EXPECT_EQ(Ids(t), (std::vector<int>{2, 3, 5, 1, 4}));
  t.SetSortOrder("NAME DESC, ID");
  EXPECT_EQ(Ids(t), (std::vector<int>{1, 4, 5, 3, 2}));
  t.SetSortOrder("NAME DESC ASC;ID DESC;");  // DESC stays; a trailing separator is fine
  EXPECT_EQ(Ids(t), (std::vector<int>{4, 1, 5, 3, 2}));
  t.SetSortOrder("AMOUNT");
  EXPECT_EQ(Ids(t), (std::vector<int>{4, 2, 3, 1, 5}));
  t.SetSortOrder("");
  EXPECT_EQ(Ids(t), (std::vector<int>{1, 2, 3, 4, 5}));
}

TEST(MemTableSort, BadTextsRaiseAndKeepTheOrder) {
  TMemTableGx t;
  MakeTable(t);
  FillNames(t);
  t.SetSortOrder("ID DESC");
  EXPECT_EQ(ErrorOf([&] { t.SetSortOrder("NAME ID"); }), " Invalid token - \"ID\"");
  EXPECT_EQ(ErrorOf([&] { t.SetSortOrder("NOPE"); }), " Field - \"NOPE\" not found.");
  EXPECT_EQ(ErrorOf([&] { t.SetSortOrder("NAME,,ID"); }), " Field - \",\" not found.");
  EXPECT_EQ(t.SortOrder(), "ID DESC");
  EXPECT_EQ(Ids(t), (std::vector<int>{5, 4, 3, 2, 1}));
  // The keys name the table's fields; a tab separates like a blank, as in every order-by text.
  TMTOrderByList keys(&t);
  keys.ParseOrderByStr("amount\tDESC;name");
  EXPECT_EQ(keys.Items(), (std::vector<TOrderByItemGx>{{2, true}, {1, false}}));
  t.SetSortOrder("AMOUNT\tDESC");
  EXPECT_EQ(Ids(t), (std::vector<int>{5, 1, 3, 2, 4}));
}

// Values the new keys cannot order (a text among numbers) refuse the order: the rows keep the old
// one, and rows posted afterwards are stored and shown once, in it.
TEST(MemTableSort, AnOrderTheValuesCannotTakeIsRefused) {
  TMemTableGx t;
  MakeMixedTable(t);
  AppendRow(t, 1, 10);
  AppendRow(t, 2, "北京");
  AppendRow(t, 3, 30);
  t.SetSortOrder("ID DESC");
  EXPECT_NE(ErrorOf([&] { t.SetSortOrder("NAME"); }), "<no error>");
  EXPECT_EQ(t.SortOrder(), "ID DESC");
  AppendRow(t, 4, 40);
  EXPECT_EQ(Ids(t), (std::vector<int>{4, 3, 2, 1}));
  EXPECT_EQ(t.RecordsList()->Count(), 4);
}

TEST(MemTableSort, TheCurrentRowStaysCurrentAndNewRowsFindTheirPlace) {
  TMemTableGx t;
  MakeTable(t);
  FillNames(t);
  t.Locate("ID", 3, {});
  t.SetSortOrder("ID DESC");
  EXPECT_EQ(t.FieldByName("ID")->AsInteger(), 3);
  EXPECT_EQ(t.RecNo(), 3);
  AppendRow(t, 10, "z");
  EXPECT_EQ(t.RecNo(), 1);  // after the post the row stands where the order puts it
  t.Edit();
  t.FieldByName("ID")->SetValue(0);
  t.Post();
  EXPECT_EQ(t.RecNo(), 6);
  // The order survives closing and opening.
  t.Close();
  t.Open();
  EXPECT_EQ(Ids(t), (std::vector<int>{5, 4, 3, 2, 1, 0}));
}

TEST(MemTableSort, SortDataReordersTheStore) {
  TMemTableGx t;
  MakeTable(t);
  FillNames(t);
  t.SortByOrderText("AMOUNT DESC");
  EXPECT_EQ(Ids(t), (std::vector<int>{5, 1, 3, 2, 4}));
  EXPECT_EQ(t.SortOrder(), "");
  EXPECT_EQ(t.RecordsList()->Rec(0)->Value(0), Variant(5));
  t.InstantReadEnter(0);
  EXPECT_EQ(ErrorOf([&] { t.SortByOrderText("ID"); }), "Sort data in InstantReadMode is not allowed.");
  t.InstantReadLeave();
}

// ---------------------------------------------------------------- filtering

TEST(MemTableFilter, TextFilterTestsTheRecordItself) {
  TMemTableGx t;
  t.SetName("mtblSub");
  t.FieldDefs().Add("BILDB_ID", ftInteger);
  t.FieldDefs().Add("BILDB001", ftInteger);
  t.CreateDataSet();
  int id = 1;
  for (int fk : {123, 5, 123, 7, 123}) {
    t.Append();
    t.FieldByName("BILDB_ID")->SetValue(id++);
    t.FieldByName("BILDB001")->SetValue(fk);
    t.Post();
  }
  t.SetFilter("BILDB001=123");
  t.SetFiltered(true);
  EXPECT_EQ(Ids(t, "BILDB_ID"), (std::vector<int>{1, 3, 5}));
  EXPECT_EQ(t.RecordCount(), 3);
  t.SetFilter("BILDB001=5");
  EXPECT_EQ(Ids(t, "BILDB_ID"), (std::vector<int>{2}));
  // A text that does not parse is refused, and the filter stays the one the rows follow.
  EXPECT_EQ(ErrorOf([&] { t.SetFilter("BILDB001 = = 7"); }), "mtblSub: Unexpected '=' at position 12 in expression");
  EXPECT_EQ(t.Filter(), "BILDB001=5");
  t.Append();
  t.FieldByName("BILDB_ID")->SetValue(6);
  t.FieldByName("BILDB001")->SetValue(7);
  t.Post();
  EXPECT_EQ(Ids(t, "BILDB_ID"), (std::vector<int>{2}));
  t.SetFiltered(false);
  EXPECT_EQ(t.RecordCount(), 6);
  // Unfiltered, a new text is not parsed, but the rows are refreshed all the same.
  int refreshes = 0;
  t.SetAfterRefresh([&](TDataSet*) { ++refreshes; });
  t.SetFilter("BILDB001 = = 7");
  EXPECT_EQ(refreshes, 1);
}

TEST(MemTableFilter, CalculatedFieldsInAFilterReadTheRecordUnderTest) {
  TMemTableGx t;
  MakeCalcTable(t, "mtblCalc", "TWICE", [](TDataSet* ds) { return ds->FieldByName("ID")->AsInteger() * 2; });
  for (int i = 1; i <= 5; ++i) AppendRow(t, i, "x");
  t.SetFilter("TWICE > 5");
  t.SetFiltered(true);
  EXPECT_EQ(Ids(t), (std::vector<int>{3, 4, 5}));
}

TEST(MemTableFilter, HandlerAndTextTogether) {
  TMemTableGx t;
  MakeTable(t);
  FillNames(t);
  std::vector<int> seen;
  t.SetOnFilterRecord([&](TDataSet* ds, bool& accept) {
    seen.push_back(ds->FieldByName("ID")->AsInteger());
    if (ds->FieldByName("ID")->AsInteger() == 1) accept = false;
  });
  EXPECT_EQ(t.RecordCount(), 5);  // a handler alone filters only while Filtered is on
  t.SetFilter("NAME = 'pear'");
  t.SetFiltered(true);
  EXPECT_EQ(Ids(t), (std::vector<int>{4}));
  // The handler saw every record, each as the current record of the filter state.
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4, 5}));
  t.SetFilter("");
  EXPECT_EQ(Ids(t), (std::vector<int>{2, 3, 4, 5}));
}

// A handler that refreshes or reopens its table mid-pass leaves each row shown once; one that
// closes it leaves it closed, the rows kept.
TEST(MemTableFilter, AHandlerThatRefreshesOrClosesTheTable) {
  const std::pair<const char*, std::function<void(TDataSet&)>> steps[] = {
      {"Refresh", [](TDataSet& t) { t.Refresh(); }},
      {"Close and Open", [](TDataSet& t) { t.Close(); t.Open(); }},
      {"Close", [](TDataSet& t) { t.Close(); }}};
  for (const auto& [name, step] : steps) {
    SCOPED_TRACE(name);
    TMemTableGx t;
    MakeSumTable(t, "mtblF");  // fields of its own, so that a Close leaves them
    FillNames(t);
    bool done = false;
    t.SetOnFilterRecord([&, &step = step](TDataSet* ds, bool& accept) {
      accept = ds->FieldByName("ID")->AsInteger() != 2;
      if (ds->FieldByName("ID")->AsInteger() == 3 && !std::exchange(done, true)) step(*ds);
    });
    ErrorOf([&] { t.SetFiltered(true); });
    if (!t.Active()) {
      EXPECT_STREQ(name, "Close");
      t.Open();
    }
    EXPECT_EQ(Ids(t), (std::vector<int>{1, 3, 4, 5}));
  }
}

TEST(MemTableFilter, TextIsNotParsedWhileFilteredIsOff) {
  TMemTableGx t;
  MakeTable(t);
  FillNames(t);
  EXPECT_NO_THROW(t.SetFilter("NAME = = ("));
  EXPECT_EQ(t.RecordCount(), 5);
  EXPECT_ANY_THROW(t.SetFiltered(true));
}

TEST(MemTableFilter, CaseOptionAndLike) {
  TMemTableGx t;
  MakeTable(t);
  AppendRow(t, 1, "Apple");
  AppendRow(t, 2, "apricot");
  AppendRow(t, 3, "banana");
  t.SetFilter("NAME LIKE 'A%'");
  t.SetFiltered(true);
  EXPECT_EQ(Ids(t), (std::vector<int>{1}));
  t.SetFilterOptions({foCaseInsensitive});
  EXPECT_EQ(Ids(t), (std::vector<int>{1, 2}));
}

TEST(MemTableFilter, RowsEditedOutOfTheFilterLeaveTheView) {
  TMemTableGx t;
  MakeTable(t);
  FillNames(t);
  t.SetFilter("AMOUNT > 1");
  t.SetFiltered(true);
  EXPECT_EQ(Ids(t), (std::vector<int>{1, 3, 5}));
  t.First();
  t.Edit();
  t.FieldByName("AMOUNT")->SetValue(0.5);
  t.Post();
  EXPECT_EQ(Ids(t), (std::vector<int>{3, 5}));
  AppendRow(t, 9, "new", 7.0);
  EXPECT_EQ(Ids(t), (std::vector<int>{3, 5, 9}));
}

// A post that the filter or the sort order refuses once the store has taken it (the handler or the
// expression raises, or a text cannot be placed among numbers) leaves the store as it was, the
// change log included, whichever of two tables sharing the store refuses: the error reaches the
// caller, the row waits in the buffer, and corrected it posts.
TEST(MemTableFilter, APostTheViewCannotPlaceLeavesTheStoreAsItWas) {
  for (const std::string kind : {"handler", "expression", "sort"})
    for (const std::string step : {"append", "insert", "edit"})
      for (bool cached : {false, true})
        for (bool refusedByOther : {false, true}) {
          SCOPED_TRACE(kind + " " + step + (cached ? " cached" : "") + (refusedByOther ? " other" : ""));
          TMemTableGx t, u;
          MakeMixedTable(t);
          t.SetCachedUpdates(cached);
          for (int id = 1; id <= 3; ++id) AppendRow(t, id, id * 10);
          if (cached) t.MergeChangeLog();
          u.SetExternalMemData(&t);
          u.Open();
          TMemTableGx& refuser = refusedByOther ? u : t;
          if (kind == "handler") {
            refuser.SetOnFilterRecord([](TDataSet* ds, bool&) {
              if (ds->FieldByName("NAME")->Value().IsStr()) throw EDatabaseError("refused");
            });
            refuser.SetFiltered(true);
          } else if (kind == "expression") {
            refuser.SetFilter("NAME * 2 > 5");
            refuser.SetFiltered(true);
          } else {
            refuser.SetSortOrder("NAME");
          }
          t.First();
          if (step == "edit") {
            t.Next();
            t.Edit();
          } else {
            step == "append" ? t.Append() : t.Insert();
            t.FieldByName("ID")->SetValue(4);
          }
          t.FieldByName("NAME")->SetValue("x");
          const int32_t nextId = t.RecordsList()->NextID();
          EXPECT_NE(ErrorOf([&] { t.Post(); }), "<no error>");
          EXPECT_EQ(t.RecordsList()->NextID(), nextId);
          EXPECT_EQ(t.State(), step == "edit" ? dsEdit : dsInsert);
          EXPECT_EQ(t.FieldByName("NAME")->AsString(), "x");
          TRecordsListGx* list = t.RecordsList();
          EXPECT_EQ(list->Count(), 3);
          for (int i = 0; i < std::min(list->Count(), 3); ++i) {
            EXPECT_EQ(list->Rec(i)->Value(1), Variant((i + 1) * 10));
            EXPECT_EQ(list->Rec(i)->UpdateStatus(), usUnmodified);
          }
          EXPECT_FALSE(list->HasCachedChanges());
          EXPECT_TRUE(list->PendingList().empty());
          EXPECT_EQ(Ids(u), (std::vector<int>{1, 2, 3}));
          // Corrected, the row posts, and both tables show it.
          t.FieldByName("NAME")->SetValue(25);
          t.Post();
          const int rows = step == "edit" ? 3 : 4;
          EXPECT_EQ(list->Count(), rows);
          EXPECT_EQ(u.RecordCount(), rows);
          EXPECT_TRUE(t.Locate("NAME", 25, {}));
          EXPECT_EQ(t.FieldByName("ID")->AsInteger(), rows == 3 ? 2 : 4);
          EXPECT_EQ(list->HasCachedChanges(), cached);
        }
}

// Whoever listens to the scroll events of switching the filter (footer sums, say) finds the rows
// of the new filter, not those of the old one; the refresh comes before the move to the first row.
TEST(MemTableFilter, ScrollEventsOfSwitchingTheFilterSeeTheFilteredRows) {
  TMemTableGx t;
  MakeTable(t);
  FillNames(t);
  t.SetFilter("AMOUNT > 1");
  std::vector<std::string> events;
  auto note = [&](const char* name) {
    return [&events, name](TDataSet* ds) {
      events.push_back(std::string(name) + " " + std::to_string(ds->RecordCount()) + " " +
                       ds->FieldByName("ID")->AsString());
    };
  };
  t.SetBeforeRefresh([&](TDataSet*) { events.push_back("BeforeRefresh"); });
  t.SetAfterRefresh([&](TDataSet*) { events.push_back("AfterRefresh"); });
  t.SetBeforeScroll([&](TDataSet*) { events.push_back("BeforeScroll"); });
  t.SetAfterScroll(note("AfterScroll"));
  t.Last();
  events.clear();
  t.SetFiltered(true);
  EXPECT_EQ(events, (std::vector<std::string>{"BeforeRefresh", "AfterRefresh", "BeforeScroll", "AfterScroll 3 1"}));
  EXPECT_EQ(Ids(t), (std::vector<int>{1, 3, 5}));
  t.Last();
  events.clear();
  t.SetFiltered(false);
  EXPECT_EQ(events, (std::vector<std::string>{"BeforeRefresh", "AfterRefresh", "BeforeScroll", "AfterScroll 5 1"}));
  // A filter text that does not parse: the error, and the table stays unfiltered.
  t.SetFilter("AMOUNT > > 1");
  EXPECT_ANY_THROW(t.SetFiltered(true));
  EXPECT_FALSE(t.Filtered());
  EXPECT_EQ(t.RecordCount(), 5);
}

// ---------------------------------------------------------------- master-detail

namespace {

struct MasterDetail {
  TMemTableGx master;
  TMemTableGx detail;
  TDataSource source{nullptr};
  // With `ownFields` the detail's fields are its own and outlive a Close.
  explicit MasterDetail(bool index, bool ownFields = false) {
    master.SetName("mtblMain");
    master.FieldDefs().Add("BILDA_ID", ftInteger);
    master.CreateDataSet();
    for (int id : {10, 20, 30}) {
      master.Append();
      master.FieldByName("BILDA_ID")->SetValue(id);
      master.Post();
    }
    detail.SetName("mtblSub");
    detail.FieldDefs().Add("BILDB_ID", ftInteger);
    detail.FieldDefs().Add("BILDB001", ftInteger);
    if (index) detail.IndexDefs()->Add("FK", "BILDB001", {});
    if (ownFields)
      for (int i = 0; i < detail.FieldDefs().Count(); ++i) detail.FieldDefs().Items(i)->CreateField(&detail);
    detail.CreateDataSet();
    int id = 1;
    for (int fk : {10, 20, 10, 30, 10}) {
      detail.Append();
      detail.FieldByName("BILDB_ID")->SetValue(id++);
      detail.FieldByName("BILDB001")->SetValue(fk);
      detail.Post();
    }
    source.SetDataSet(&master);
    detail.SetMasterSource(&source);
    detail.SetMasterFields("BILDA_ID");
    detail.SetDetailFields("BILDB001");
  }
};

}  // namespace

class MemTableMasterDetail : public ::testing::TestWithParam<bool> {};

TEST_P(MemTableMasterDetail, TheDetailFollowsTheMaster) {
  MasterDetail md(GetParam());
  md.master.First();
  EXPECT_EQ(Ids(md.detail, "BILDB_ID"), (std::vector<int>{1, 3, 5}));
  md.master.Next();
  EXPECT_EQ(Ids(md.detail, "BILDB_ID"), (std::vector<int>{2}));
  md.master.Last();
  EXPECT_EQ(Ids(md.detail, "BILDB_ID"), (std::vector<int>{4}));
  // A new detail row takes the master's key.
  md.detail.Append();
  EXPECT_EQ(md.detail.FieldByName("BILDB001")->AsInteger(), 30);
  md.detail.FieldByName("BILDB_ID")->SetValue(6);
  md.detail.Post();
  EXPECT_EQ(Ids(md.detail, "BILDB_ID"), (std::vector<int>{4, 6}));
  // Changing the master key field moves the detail too.
  md.master.Edit();
  md.master.FieldByName("BILDA_ID")->SetValue(20);
  EXPECT_EQ(Ids(md.detail, "BILDB_ID"), (std::vector<int>{2}));
  md.master.Cancel();
  EXPECT_EQ(Ids(md.detail, "BILDB_ID"), (std::vector<int>{4, 6}));
  // Dropping the link shows every row again.
  md.detail.SetMasterSource(nullptr);
  EXPECT_EQ(md.detail.RecordCount(), 6);
}

TEST_P(MemTableMasterDetail, AnEmptyMasterShowsRowsWithNullKeys) {
  MasterDetail md(GetParam());
  md.detail.Append();
  md.detail.FieldByName("BILDB_ID")->SetValue(99);
  md.detail.FieldByName("BILDB001")->Clear();
  md.detail.Post();
  md.master.EmptyTable();
  EXPECT_EQ(Ids(md.detail, "BILDB_ID"), (std::vector<int>{99}));
}

// Closed and opened again, the detail shows the rows of the master's row of that moment at once.
TEST_P(MemTableMasterDetail, CloseAndOpenTakeUpTheMastersRow) {
  MasterDetail md(GetParam());
  md.master.SetRecNo(2);
  EXPECT_EQ(Ids(md.detail, "BILDB_ID"), (std::vector<int>{2}));
  md.detail.Close();
  md.detail.Open();
  EXPECT_EQ(Ids(md.detail, "BILDB_ID"), (std::vector<int>{2}));
  md.detail.Close();
  md.master.First();
  md.detail.Open();
  EXPECT_EQ(Ids(md.detail, "BILDB_ID"), (std::vector<int>{1, 3, 5}));
  // A link set while the table is closed follows the master's row of the moment it opens too.
  MasterDetail own(GetParam(), true);
  own.detail.Close();
  own.detail.SetMasterFields("");
  own.master.First();
  own.detail.SetMasterFields("BILDA_ID");
  own.master.Last();
  own.detail.Open();
  EXPECT_EQ(Ids(own.detail, "BILDB_ID"), (std::vector<int>{4}));
}

// Other detail fields, set while the link stays on, match the rows again at once.
TEST_P(MemTableMasterDetail, NewDetailFieldsMatchAtOnce) {
  MasterDetail md(GetParam());
  md.master.Last();
  md.detail.Append();
  md.detail.FieldByName("BILDB_ID")->SetValue(10);
  md.detail.Post();
  md.master.First();
  EXPECT_EQ(Ids(md.detail, "BILDB_ID"), (std::vector<int>{1, 3, 5}));
  md.detail.SetDetailFields("BILDB_ID");
  EXPECT_EQ(Ids(md.detail, "BILDB_ID"), (std::vector<int>{10}));
  md.detail.SetDetailFields("BILDB001");
  EXPECT_EQ(Ids(md.detail, "BILDB_ID"), (std::vector<int>{1, 3, 5}));
}

// A field name the detail or the open master lacks is refused, and the link goes on as it was.
TEST_P(MemTableMasterDetail, NamesTheTablesLackAreRefused) {
  MasterDetail md(GetParam());
  EXPECT_EQ(ErrorOf([&] { md.detail.SetDetailFields("NOPE"); }), "mtblSub: Field 'NOPE' not found");
  EXPECT_EQ(ErrorOf([&] { md.detail.SetMasterFields("NOPE"); }), "mtblMain: Field 'NOPE' not found");
  EXPECT_EQ(md.detail.DetailFields(), "BILDB001");
  EXPECT_EQ(md.detail.MasterFields(), "BILDA_ID");
  md.master.SetRecNo(2);
  EXPECT_EQ(Ids(md.detail, "BILDB_ID"), (std::vector<int>{2}));
  md.master.Close();
  md.master.Open();
  EXPECT_EQ(Ids(md.detail, "BILDB_ID"), (std::vector<int>{1, 3, 5}));
  // So is an open master source that lacks the master fields; a closed one is taken, and the
  // detail shows every row while the names find nothing there, with no error at its opening or
  // closing, nor when it goes.
  TMemTableGx other;
  other.SetName("mtblOther");
  other.FieldDefs().Add("X", ftInteger);
  other.CreateDataSet();
  auto* otherSource = new TDataSource(nullptr);
  otherSource->SetDataSet(&other);
  EXPECT_EQ(ErrorOf([&] { md.detail.SetMasterSource(otherSource); }), "mtblOther: Field 'BILDA_ID' not found");
  EXPECT_EQ(md.detail.MasterSource(), &md.source);
  EXPECT_EQ(Ids(md.detail, "BILDB_ID"), (std::vector<int>{1, 3, 5}));
  other.Close();
  md.detail.SetMasterSource(otherSource);
  EXPECT_EQ(ErrorOf([&] { other.Open(); }), "<no error>");
  EXPECT_EQ(md.detail.RecordCount(), 5);
  EXPECT_EQ(ErrorOf([&] { other.Close(); }), "<no error>");
  EXPECT_EQ(ErrorOf([&] { delete otherSource; }), "<no error>");
  EXPECT_EQ(md.detail.MasterSource(), nullptr);
}

// What a link of an open table raises on hearing that the table goes does not come out of its
// destructor.
TEST(MemTableDestruction, WhatALinkRaisesIsDropped) {
  auto* t = new TMemTableGx;
  MakeTable(*t);
  TDataSource source(nullptr);
  source.SetDataSet(t);
  TMemTableGx detail;
  TMasterDataLink link(&detail);
  link.SetFieldNames("ID");
  link.SetDataSource(&source);
  link.SetOnMasterDisable([](TObject*) { throw EDatabaseError("refused"); });
  delete t;
  EXPECT_EQ(source.DataSet(), nullptr);
  EXPECT_FALSE(link.Active());
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutIndex, MemTableMasterDetail, ::testing::Bool());

// ---------------------------------------------------------------- instant reading

TEST(MemTableInstantRead, NestsAndLeavesTheCursor) {
  TMemTableGx t;
  MakeTable(t);
  FillNames(t);
  t.SetRecNo(2);
  t.InstantReadEnter(4);
  EXPECT_TRUE(t.InstantReadMode());
  EXPECT_EQ(t.FieldByName("ID")->AsInteger(), 5);
  EXPECT_EQ(t.RecNo(), 5);
  EXPECT_EQ(t.BookmarkToRowIndex(t.Bookmark()), 4);
  t.InstantReadEnter(0);
  EXPECT_EQ(t.FieldByName("ID")->AsInteger(), 1);
  t.InstantReadLeave();
  EXPECT_TRUE(t.InstantReadMode());  // entered twice, left once
  EXPECT_EQ(t.FieldByName("ID")->AsInteger(), 5);
  t.InstantReadLeave();
  EXPECT_FALSE(t.InstantReadMode());
  EXPECT_EQ(t.FieldByName("ID")->AsInteger(), 2);
  EXPECT_EQ(ErrorOf([&] { t.InstantReadLeave(); }), "TCustomMemTableGx not in instant read mode.");
}

TEST(MemTableInstantRead, RowsAroundAnInsert) {
  TMemTableGx t;
  MakeTable(t);
  FillNames(t);
  t.SetRecNo(3);
  t.Insert();
  t.FieldByName("ID")->SetValue(100);
  EXPECT_EQ(t.GetRowCount(), 6);
  // Row 2 is the new row with its values; row 3 is the stored row that was at 2.
  t.InstantReadEnter(2);
  EXPECT_EQ(t.FieldByName("ID")->AsInteger(), 100);
  EXPECT_EQ(t.GetActiveMemoryRecord(), nullptr);
  t.InstantReadLeave();
  t.InstantReadEnter(3);
  EXPECT_EQ(t.FieldByName("ID")->AsInteger(), 3);
  t.InstantReadLeave();
  t.InstantReadEnter(1);
  EXPECT_EQ(t.FieldByName("ID")->AsInteger(), 2);
  t.InstantReadLeave();
  EXPECT_EQ(t.FieldByName("ID")->AsInteger(), 100);
  t.Cancel();
}

TEST(MemTableInstantRead, EmptyTable) {
  TMemTableGx t;
  MakeTable(t);
  t.InstantReadEnter(0);
  EXPECT_TRUE(t.FieldByName("ID")->IsNull());
  t.InstantReadLeave();
}

// ---------------------------------------------------------------- tree mode

namespace {

void MakeTree(TMemTableGx& t) {
  t.SetName("mtblTree");
  t.FieldDefs().Add("ID", ftInteger);
  t.FieldDefs().Add("PARENT", ftInteger);
  t.FieldDefs().Add("NAME", ftString, 10);
  t.CreateDataSet();
  auto add = [&](int id, Variant parent, const char* name) {
    t.Append();
    t.FieldByName("ID")->SetValue(id);
    t.FieldByName("PARENT")->SetValue(parent);
    t.FieldByName("NAME")->SetValue(name);
    t.Post();
  };
  add(1, Null(), "root1");
  add(2, 1, "child");
  add(3, 2, "grand");
  add(4, Null(), "root2");
  add(5, 1, "child2");
  t.TreeList()->SetKeyFieldName("ID");
  t.TreeList()->SetRefParentFieldName("PARENT");
  t.TreeList()->SetActive(true);
}

}  // namespace

TEST(MemTableTree, CollapsedNodesHideTheirChildren) {
  TMemTableGx t;
  MakeTree(t);
  EXPECT_TRUE(t.IsTreeView());
  EXPECT_EQ(Ids(t), (std::vector<int>{1, 4}));
  t.First();
  EXPECT_EQ(t.GetNodeLevel(), 1);
  EXPECT_TRUE(t.GetNodeHasChildren() || !t.GetNodeExpanded());
  EXPECT_EQ(t.SetNodeExpanded(0, true), 1);
  EXPECT_EQ(Ids(t), (std::vector<int>{1, 2, 5, 4}));
  t.TreeList()->FullExpand();
  EXPECT_EQ(Ids(t), (std::vector<int>{1, 2, 3, 5, 4}));
  t.SetRecNo(3);
  EXPECT_EQ(t.GetNodeLevel(), 3);
  EXPECT_EQ(t.GetPriorRowNodeLevel(), 2);
  EXPECT_EQ(t.GetNextRowNodeLevel(), 2);
  EXPECT_TRUE(t.AncestorHasNextSibling(2));   // child 2 is followed by child2
  EXPECT_TRUE(t.AncestorHasNextSibling(1));   // root1 is followed by root2
  EXPECT_FALSE(t.AncestorHasNextSibling(3));  // grand is the only child
  EXPECT_FALSE(t.AncestorHasNextSibling(0));
  // Collapsing root1 keeps the current row where it can: on root1.
  EXPECT_EQ(t.SetNodeExpanded(0, false), 1);
  EXPECT_EQ(t.FieldByName("ID")->AsInteger(), 1);
  EXPECT_EQ(Ids(t), (std::vector<int>{1, 4}));
}

TEST(MemTableTree, LocateExpandsTheWayToTheRow) {
  TMemTableGx t;
  MakeTree(t);
  t.TreeList()->FullCollapse();
  ASSERT_TRUE(t.TreeList()->Locate("NAME", "gra", {loPartialKey}));
  EXPECT_EQ(t.FieldByName("ID")->AsInteger(), 3);
  EXPECT_EQ(t.RecNo(), 3);
  EXPECT_FALSE(t.TreeList()->Locate("NAME", "nothing", {}));
}

TEST(MemTableTree, ExpandingAsksTheEvents) {
  TMemTableGx t;
  MakeTree(t);
  std::vector<int> rows;
  t.OnRowExpanding = [&](TCustomMemTableGx* s, int rowNo, bool& allowed) {
    rows.push_back(rowNo);
    allowed = s->FieldByName("ID")->AsInteger() != 4;  // the row is readable while asked
  };
  t.SetNodeExpanded(1, true);  // root2: refused
  t.SetNodeExpanded(0, true);
  EXPECT_EQ(rows, (std::vector<int>{2, 1}));
  EXPECT_EQ(Ids(t), (std::vector<int>{1, 2, 5, 4}));
}

TEST(MemTableTree, AParentReferenceLoopIsRefused) {
  TMemTableGx t;
  MakeTree(t);
  t.First();
  t.Edit();
  t.FieldByName("PARENT")->SetValue(3);  // root1 under its own grandchild
  EXPECT_EQ(ErrorOf([&] { t.Post(); }), "Reference-loop found");
  t.Cancel();
  t.TreeList()->SetActive(false);
  EXPECT_EQ(Ids(t), (std::vector<int>{1, 2, 3, 4, 5}));
}

// ---------------------------------------------------------------- grid interface and notices

TEST(MemTableGrid, CountsPositionsAndRecords) {
  TMemTableGx t;
  MakeTable(t);
  IMemTableGx* grid = &t;
  EXPECT_EQ(grid->GetRowCount(), 0);
  FillNames(t);
  EXPECT_EQ(grid->GetRowCount(), 5);
  t.SetRecNo(4);
  EXPECT_EQ(grid->GetCurrentRowIndex(), 3);
  EXPECT_EQ(grid->GetRowReserved(), 0);
  EXPECT_EQ(grid->BookmarkToRowIndex(""), -1);
  TMemoryRecordGx* rec = grid->GetActiveMemoryRecord();
  ASSERT_NE(rec, nullptr);
  t.First();
  EXPECT_TRUE(grid->LocateRecord(rec));
  EXPECT_EQ(t.RecNo(), 4);
  EXPECT_FALSE(grid->IsTreeView());
  EXPECT_EQ(grid->GetNodeLevel(), -1);
  EXPECT_FALSE(grid->GetNodeExpanded());
  EXPECT_EQ(grid->GetPriorRowNodeLevel(), -1);
}

TEST(MemTableGrid, DistinctValueLists) {
  TMemTableGx t;
  MakeTable(t);
  FillNames(t);
  std::unique_ptr<IMemTableDataFieldValueListGx> list;
  t.CreateFieldValueList("NOPE", list);
  EXPECT_EQ(list, nullptr);
  t.CreateFieldValueList("NAME", list);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->GetValues()->ToVector(), (std::vector<std::string>{"", "apple", "fig", "pear"}));
  AppendRow(t, 6, "kiwi");
  EXPECT_EQ(list->GetValues()->ToVector(), (std::vector<std::string>{"", "apple", "fig", "kiwi", "pear"}));
  std::unique_ptr<IMemTableDataFieldValueListGx> ids;
  t.CreateFieldValueList("AMOUNT", ids);
  EXPECT_EQ(ids->GetValues()->ToVector(), (std::vector<std::string>{"", "1", "2", "3", "5"}));
}

TEST(MemTableGrid, MoveRecordsBeforeTheTargetRow) {
  TMemTableGx t;
  MakeTable(t);
  FillNames(t);
  TBMListGx marks;
  t.SetRecNo(1);
  marks.AddItem(t.Bookmark());
  t.SetRecNo(2);
  marks.AddItem(t.Bookmark());
  EXPECT_TRUE(t.MoveRecords(&marks, 5, 0, true));
  EXPECT_EQ(Ids(t), (std::vector<int>{1, 2, 3, 4, 5}));  // checking changes nothing
  EXPECT_TRUE(t.MoveRecords(&marks, 5, 0, false));
  EXPECT_EQ(Ids(t), (std::vector<int>{3, 4, 1, 2, 5}));
  // The bookmarks follow their rows.
  EXPECT_EQ(t.BookmarkToRowIndex(marks.Items(0)), 2);
  EXPECT_EQ(t.BookmarkToRowIndex(marks.Items(1)), 3);
  // A target outside the rows moves nothing; the place after the last row takes them to the end.
  TBMListGx one;
  t.SetRecNo(2);
  one.AddItem(t.Bookmark());
  for (int target : {8, 7, 0, -1}) {
    EXPECT_TRUE(t.MoveRecords(&one, target, 0, false)) << target;
    EXPECT_EQ(Ids(t), (std::vector<int>{3, 4, 1, 2, 5})) << target;
    EXPECT_EQ(t.BookmarkToRowIndex(one.Items(0)), 1) << target;
  }
  EXPECT_TRUE(t.MoveRecords(&one, 6, 0, false));
  EXPECT_EQ(Ids(t), (std::vector<int>{3, 1, 2, 5, 4}));
  // A closed table: nothing to move, and nothing refused.
  t.Close();
  EXPECT_TRUE(t.MoveRecords(&one, 1, 0, false));
  EXPECT_TRUE(t.MoveRecords(&one, 1, 0, true));
}

TEST(MemTableGrid, NoticesAndTheirCoalescing) {
  TMemTableGx t;
  MakeTable(t);
  FillNames(t);
  TRecordingClient client;
  EXPECT_EQ(t.RegisterClient(&client), 0);
  EXPECT_EQ(t.RegisterClient(&client), 0);
  using N = TRecordingClient::Notice;
  t.SetRecNo(2);
  t.Edit();
  t.FieldByName("NAME")->SetValue("x");
  t.Post();
  EXPECT_EQ(client.Notices, (std::vector<N>{{1, mtnRowChanged, -1}}));
  client.Notices.clear();
  // One change while disabled comes through as it was.
  t.DisableControls();
  t.Delete();
  EXPECT_TRUE(client.Notices.empty());
  t.EnableControls();
  EXPECT_EQ(client.Notices, (std::vector<N>{{1, mtnRowRemoved, -1}}));
  client.Notices.clear();
  // More than one becomes one "everything changed".
  t.DisableControls();
  t.First();
  t.Delete();
  t.Delete();
  t.EnableControls();
  EXPECT_EQ(client.Notices, (std::vector<N>{{-1, mtnAllChanged, -1}}));
  client.Notices.clear();
  // An insert shows a new row at once and takes it away after the post, which adds the real one.
  t.Last();
  t.Append();
  t.FieldByName("ID")->SetValue(9);
  t.Post();
  // The temporary row at 2; the stored row added behind it; the temporary row taken away.
  EXPECT_EQ(client.Notices, (std::vector<N>{{2, mtnRowAdded, -1}, {3, mtnRowAdded, -1}, {2, mtnRowRemoved, -1}}));
  t.UnregisterClient(&client);
  client.Notices.clear();
  t.EmptyTable();
  EXPECT_TRUE(client.Notices.empty());
}

TEST(MemTableGrid, NoticesNameTheRowWhereItIsAtThatMoment) {
  TMemTableGx t;
  MakeTable(t);
  for (int i = 1; i <= 5; ++i) AppendRow(t, i * 10, "x");
  t.SetSortOrder("ID");
  TRecordingClient client;
  t.RegisterClient(&client);
  using N = TRecordingClient::Notice;
  // Appended at the end, stored in front: the temporary row has moved on to 6 by then.
  t.Append();
  t.FieldByName("ID")->SetValue(1);
  t.Post();
  EXPECT_EQ(client.Notices, (std::vector<N>{{5, mtnRowAdded, -1}, {0, mtnRowAdded, -1}, {6, mtnRowRemoved, -1}}));
  EXPECT_EQ(Ids(t), (std::vector<int>{1, 10, 20, 30, 40, 50}));
  client.Notices.clear();
  // Inserted at 2, stored behind it: the temporary row stays where it is.
  t.SetRecNo(3);
  t.Insert();
  t.FieldByName("ID")->SetValue(45);
  t.Post();
  EXPECT_EQ(client.Notices, (std::vector<N>{{2, mtnRowAdded, -1}, {6, mtnRowAdded, -1}, {2, mtnRowRemoved, -1}}));
  EXPECT_EQ(Ids(t), (std::vector<int>{1, 10, 20, 30, 40, 45, 50}));
  t.UnregisterClient(&client);
}

TEST(MemTableGrid, AFreedClientIsForgotten) {
  TMemTableGx t;
  MakeTable(t);
  auto* client = new TRecordingClient;
  t.RegisterClient(client);
  client->Free();
  EXPECT_NO_THROW(AppendRow(t, 1, "a"));
  // Only the freed client left the list: the next one takes its place and hears the rows.
  TRecordingClient other;
  EXPECT_EQ(t.RegisterClient(&other), 0);
  AppendRow(t, 2, "b");
  EXPECT_FALSE(other.Notices.empty());
}

TEST(MemTableSort, ACalculatedFieldAsKey) {
  TMemTableGx t;
  MakeCalcTable(t, "mtblCalcSort", "REST", [](TDataSet* ds) { return ds->FieldByName("ID")->AsInteger() % 3; });
  for (int i = 1; i <= 6; ++i) AppendRow(t, i, "x");
  t.SetSortOrder("REST, ID DESC");
  EXPECT_EQ(Ids(t), (std::vector<int>{6, 3, 4, 1, 5, 2}));
  // A new row finds its place by the calculated key too.
  AppendRow(t, 9, "y");
  EXPECT_EQ(Ids(t), (std::vector<int>{9, 6, 3, 4, 1, 5, 2}));
  t.SetSortOrder("ID");
  EXPECT_EQ(Ids(t), (std::vector<int>{1, 2, 3, 4, 5, 6, 9}));
}
