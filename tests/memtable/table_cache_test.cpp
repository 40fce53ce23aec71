// Rows through insert, edit, post, cancel and delete with cached updates on and off; the update
// status the protocol and the audit stamping read; emptying; the copy routines and the kept source
// row number; the field flags.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <tuple>

#include "platform/db/testdataset.h"
#include "store_support.h"
#include "table_support.h"

using namespace mttable_test;

namespace {

TUpdateStatus StatusOfRow(TCustomMemTableGx& t, int recNo) {
  t.SetRecNo(recNo);
  return t.UpdateStatus();
}

int Pending(TCustomMemTableGx& t) {
  int n = 0;
  for (TMemoryRecordGx* r : t.RecordsList()->PendingList()) n += r != nullptr;
  return n;
}

}  // namespace

TEST(MemTableLifecycle, CachedUpdatesOffLeavesNoChangeLog) {
  TMemTableGx t;
  MakeTable(t);
  AppendRow(t, 1, "a");
  AppendRow(t, 3, "c");
  t.Last();
  t.Insert();
  t.FieldByName("ID")->SetValue(2);
  t.Post();
  t.First();
  t.Edit();
  t.FieldByName("NAME")->SetValue("A");
  t.Post();
  t.Last();
  t.Delete();
  EXPECT_EQ(Ids(t), (std::vector<int>{1, 2}));
  EXPECT_EQ(Pending(t), 0);
  EXPECT_FALSE(t.HasCachedChanges());
  EXPECT_EQ(StatusOfRow(t, 1), usUnmodified);
  EXPECT_EQ(StatusOfRow(t, 2), usUnmodified);
  EXPECT_TRUE(t.RecordsList()->DeletedList().empty());
}

TEST(MemTableLifecycle, CachedUpdatesOnQueuesEveryChange) {
  TMemTableGx t;
  MakeTable(t);
  AppendRow(t, 1, "a");
  AppendRow(t, 2, "b");
  AppendRow(t, 3, "c");
  t.SetCachedUpdates(true);
  // Edit of a stored row: modified, old values kept.
  t.First();
  t.Edit();
  t.FieldByName("NAME")->SetValue("A");
  t.Post();
  EXPECT_EQ(t.UpdateStatus(), usModified);
  EXPECT_EQ(t.RecordsList()->Rec(0)->GetDataValue(1, rvOld), Variant("a"));
  // A new row: inserted.
  AppendRow(t, 4, "d");
  EXPECT_EQ(t.UpdateStatus(), usInserted);
  // Delete of a stored row: it leaves the view but waits as deleted.
  t.SetRecNo(2);
  t.Delete();
  EXPECT_EQ(Ids(t), (std::vector<int>{1, 3, 4}));
  EXPECT_EQ(t.RecordsList()->Count(), 4);
  EXPECT_EQ(t.RecordsList()->Rec(1)->UpdateStatus(), usDeleted);
  EXPECT_EQ(Pending(t), 3);
  // Delete of the inserted row: gone outright.
  t.Last();
  t.Delete();
  EXPECT_EQ(t.RecordsList()->Count(), 3);
  EXPECT_EQ(Pending(t), 2);
  // Cancelling the change log brings back the deleted row and the old name.
  t.CancelUpdates();
  EXPECT_EQ(Ids(t), (std::vector<int>{1, 2, 3}));
  t.First();
  EXPECT_EQ(t.FieldByName("NAME")->AsString(), "a");
  EXPECT_FALSE(t.HasCachedChanges());
}

TEST(MemTableLifecycle, MergeAcceptsTheChanges) {
  TMemTableGx t;
  MakeTable(t);
  AppendRow(t, 1, "a");
  AppendRow(t, 2, "b");
  t.SetCachedUpdates(true);
  t.First();
  t.Delete();
  AppendRow(t, 3, "c");
  t.MergeChangeLog();
  EXPECT_EQ(Ids(t), (std::vector<int>{2, 3}));
  EXPECT_EQ(t.RecordsList()->Count(), 2);
  EXPECT_EQ(StatusOfRow(t, 2), usUnmodified);
  EXPECT_FALSE(t.HasCachedChanges());
}

TEST(MemTableLifecycle, CancelBringsBackAnEditedRowThatWasThenDeleted) {
  TMemTableGx t;
  MakeTable(t);
  AppendRow(t, 1, "a", 5);
  AppendRow(t, 2, "x", 6);
  t.SetCachedUpdates(true);
  t.First();
  t.Edit();
  t.FieldByName("NAME")->SetValue("b");
  t.FieldByName("AMOUNT")->SetValue(7);
  t.Post();
  t.Delete();
  // The deleted row still knows what it was before the edit: the delete is applied by those
  // values, and cancelling restores them.
  TMemoryRecordGx* rec = t.RecordsList()->Rec(0);
  EXPECT_EQ(rec->UpdateStatus(), usDeleted);
  EXPECT_EQ(rec->GetDataValue(1, rvOriginal), Variant("a"));
  EXPECT_EQ(Pending(t), 1);
  t.CancelUpdates();
  EXPECT_EQ(Ids(t), (std::vector<int>{1, 2}));
  t.First();
  EXPECT_EQ(t.FieldByName("NAME")->AsString(), "a");
  EXPECT_EQ(t.FieldByName("AMOUNT")->AsInteger(), 5);
  EXPECT_EQ(t.UpdateStatus(), usUnmodified);
  EXPECT_FALSE(t.RecordsList()->Rec(0)->HasOldValues());
  EXPECT_FALSE(t.HasCachedChanges());
  // Merging such a delete instead drops the row for good.
  t.Edit();
  t.FieldByName("NAME")->SetValue("c");
  t.Post();
  t.Delete();
  t.MergeChangeLog();
  EXPECT_EQ(Ids(t), (std::vector<int>{2}));
  EXPECT_FALSE(t.HasCachedChanges());
}

TEST(MemTableLifecycle, CancelOfAnEditWithCachedUpdatesOffCancelsPendingChanges) {
  TMemTableGx t;
  MakeTable(t);
  AppendRow(t, 1, "a");
  t.SetCachedUpdates(true);
  AppendRow(t, 2, "b");  // queued while cached updates were on
  t.SetCachedUpdates(false);
  t.First();
  t.Edit();
  t.FieldByName("NAME")->SetValue("x");
  t.Cancel();
  // The pending insert is undone with the cancel.
  EXPECT_EQ(Ids(t), (std::vector<int>{1}));
  EXPECT_FALSE(t.HasCachedChanges());
}

TEST(MemTableUpdateStatus, RowsBeingInsertedOrEdited) {
  TMemTableGx t;
  MakeTable(t);
  AppendRow(t, 1, "a");
  // Insert state: inserted, whatever the flag.
  t.Append();
  EXPECT_EQ(t.UpdateStatus(), usInserted);
  t.Cancel();
  t.Insert();
  EXPECT_EQ(t.UpdateStatus(), usInserted);
  t.Cancel();
  // Edit of an unmodified row: modified with cached updates on, unmodified with them off.
  t.First();
  t.Edit();
  EXPECT_EQ(t.UpdateStatus(), usUnmodified);
  t.Cancel();
  t.SetCachedUpdates(true);
  t.Edit();
  EXPECT_EQ(t.UpdateStatus(), usModified);
  t.Post();
  // An inserted row being edited again stays inserted.
  AppendRow(t, 2, "b");
  t.Edit();
  EXPECT_EQ(t.UpdateStatus(), usInserted);
  t.Cancel();
  // Browse: the row's own status.
  EXPECT_EQ(StatusOfRow(t, 1), usModified);
  EXPECT_EQ(StatusOfRow(t, 2), usInserted);
}

TEST(MemTableUpdateStatus, AuditStampingBeforePostSeesNewRows) {
  // What a data module's BeforePost does: stamp a new row, not an edited one.
  TMemTableGx t;
  MakeTable(t);
  t.SetCachedUpdates(true);
  t.SetBeforePost([](TDataSet* ds) {
    if (ds->UpdateStatus() == usInserted) ds->FieldByName("NAME")->SetValue("stamped");
  });
  AppendRow(t, 1, Null());
  EXPECT_EQ(t.FieldByName("NAME")->AsString(), "stamped");
}

TEST(MemTableEmpty, QueuesNothingAndResetsTheCounter) {
  TMemTableGx t;
  t.EmptyTable();  // closed: nothing
  MakeTable(t);
  t.AutoIncrement()->SetInitValue(100);
  t.AutoIncrement()->SetStep(1);
  AppendRow(t, 1, "a");
  t.SetCachedUpdates(true);
  AppendRow(t, 2, "b");
  t.First();
  t.Edit();
  t.FieldByName("NAME")->SetValue("x");
  t.Post();
  t.EmptyTable();
  EXPECT_TRUE(t.Active());
  EXPECT_TRUE(t.IsEmpty());
  EXPECT_EQ(t.RecordCount(), 0);
  EXPECT_FALSE(t.HasCachedChanges());
  EXPECT_TRUE(t.RecordsList()->DeletedList().empty());
  EXPECT_EQ(t.AutoIncrement()->CurValue(), 100);
  AppendRow(t, 5, "e");
  EXPECT_EQ(Ids(t), (std::vector<int>{5}));
}

TEST(MemTableTransfer, AppendRecordsFromKeepsStatusAndRowNumber) {
  TMemTableGx src;
  MakeTable(src, "mtblSrc");
  AppendRow(src, 1, "a");
  AppendRow(src, 2, "b");
  src.SetCachedUpdates(true);
  AppendRow(src, 3, "c");
  src.First();
  src.Edit();
  src.FieldByName("NAME")->SetValue("A");
  src.Post();

  TMemTableGx dst;
  dst.SetName("mtblDst");
  dst.FieldDefs().Add("NAME", ftString, 20);
  dst.FieldDefs().Add("ID", ftInteger);
  dst.FieldDefs().Add("ONLYHERE", ftString, 5);
  dst.CreateDataSet();
  dst.SetCachedUpdates(true);
  EXPECT_EQ(dst.AppendRecordsFrom(&src), 3);
  EXPECT_EQ(dst.RecNo(), 1);  // the table goes to its first row
  EXPECT_TRUE(src.Active());
  EXPECT_TRUE(src.Eof());  // an open source is left at its end
  std::vector<TUpdateStatus> statuses;
  std::vector<int> rowNums;
  dst.First();
  while (!dst.Eof()) {
    statuses.push_back(dst.UpdateStatus());
    rowNums.push_back(dst.GetRecordRowNum());
    EXPECT_TRUE(dst.FieldByName("ONLYHERE")->IsNull());
    dst.Next();
  }
  EXPECT_EQ(statuses, (std::vector<TUpdateStatus>{usModified, usUnmodified, usInserted}));
  EXPECT_EQ(rowNums, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(Ids(dst), (std::vector<int>{1, 2, 3}));
  dst.First();
  EXPECT_EQ(dst.FieldByName("NAME")->AsString(), "A");
  // Every copied row is queued.
  EXPECT_EQ(Pending(dst), 3);
  EXPECT_EQ(dst.AppendRecordsFrom(&dst), 0);
}

TEST(MemTableTransfer, AClosedSourceIsOpenedAndClosedAgain) {
  TMemTableGx src;
  MakeTable(src, "mtblSrc");
  AppendRow(src, 1, "a");
  src.Close();
  TMemTableGx dst;
  MakeTable(dst, "mtblDst");
  EXPECT_EQ(dst.AppendRecordsFrom(&src), 1);
  EXPECT_FALSE(src.Active());
  EXPECT_EQ(Ids(dst), (std::vector<int>{1}));
}

TEST(MemTableTransfer, AppendChangedRecordsFromTakesChangedRowsOnly) {
  TMemTableGx src;
  MakeTable(src, "mtblSrc");
  AppendRow(src, 1, "a");
  AppendRow(src, 2, "b");
  TMemTableGx dst;
  MakeTable(dst, "mtblDst");
  dst.SetCachedUpdates(true);
  EXPECT_EQ(dst.AppendChangedRecordsFrom(&src), 0);
  src.SetCachedUpdates(true);
  src.Last();
  src.Edit();
  src.FieldByName("NAME")->SetValue("B");
  src.Post();
  AppendRow(src, 3, "c");
  src.First();
  src.Delete();  // deleted rows are not visited
  EXPECT_EQ(dst.AppendChangedRecordsFrom(&src), 2);
  EXPECT_EQ(Ids(dst), (std::vector<int>{2, 3}));
  EXPECT_EQ(StatusOfRow(dst, 1), usModified);
  EXPECT_EQ(dst.GetRecordRowNum(), 1);
  EXPECT_EQ(StatusOfRow(dst, 2), usInserted);
  EXPECT_EQ(dst.GetRecordRowNum(), 2);
  EXPECT_EQ(Pending(dst), 2);
}

TEST(MemTableTransfer, AppendCurrentRecordFromKeepsTheTargetsRow) {
  TMemTableGx src;
  MakeTable(src, "mtblSrc");
  AppendRow(src, 1, "a");
  AppendRow(src, 2, "b");
  TMemTableGx dst;
  MakeTable(dst, "mtblDst");
  AppendRow(dst, 10, "x");
  AppendRow(dst, 11, "y");
  dst.Last();
  src.First();
  EXPECT_EQ(dst.AppendCurrentRecordFrom(&src), 1);
  EXPECT_EQ(dst.FieldByName("ID")->AsInteger(), 11);  // the current row does not move to the first
  EXPECT_EQ(Ids(dst), (std::vector<int>{10, 11, 1}));
  dst.Last();
  EXPECT_EQ(dst.GetRecordRowNum(), 1);
  EXPECT_EQ(dst.AppendCurrentRecordFrom(&dst), 0);
}

// The source's current row is copied; a source at its end (also on its last row after Last) has
// none to give; a closed source is opened, its first row taken, and closed again.
TEST(MemTableTransfer, AppendCurrentRecordFromTakesTheSourcesCurrentRow) {
  struct Case {
    const char* name;
    int rows;
    std::function<void(TMemTableGx&)> place;
    int copied;  // the ID copied, 0 for none
  };
  const Case cases[] = {
      {"first", 3, [](TMemTableGx& s) { s.First(); }, 1},
      {"second", 3, [](TMemTableGx& s) { s.SetRecNo(2); }, 2},
      {"last row by number", 3, [](TMemTableGx& s) { s.SetRecNo(3); }, 3},
      {"after Last", 3, [](TMemTableGx& s) { s.Last(); }, 0},
      {"past the last row", 3, [](TMemTableGx& s) { s.Last(); s.Next(); }, 0},
      {"back from the end", 3, [](TMemTableGx& s) { s.Last(); s.Prior(); }, 2},
      {"a row just posted", 3, [](TMemTableGx& s) { AppendRow(s, 7, "g"); }, 7},
      {"closed", 3, [](TMemTableGx& s) { s.Close(); }, 1},
      {"empty", 0, [](TMemTableGx& s) { s.First(); }, 0},
      {"empty and closed", 0, [](TMemTableGx& s) { s.Close(); }, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TMemTableGx src;
    MakeTable(src, "mtblSrc");
    for (int i = 1; i <= c.rows; ++i) AppendRow(src, i, "r");
    c.place(src);
    const bool wasActive = src.Active();
    TMemTableGx dst;
    MakeTable(dst, "mtblDst");
    EXPECT_EQ(dst.AppendCurrentRecordFrom(&src), c.copied ? 1 : 0);
    EXPECT_EQ(Ids(dst), c.copied ? std::vector<int>{c.copied} : std::vector<int>{});
    EXPECT_EQ(src.Active(), wasActive);
  }
}

TEST(MemTableTransfer, LoadFromDataSetRangesAndModes) {
  TMemTableGx src;
  MakeTable(src, "mtblSrc");
  for (int i = 1; i <= 6; ++i) AppendRow(src, i, "n" + std::to_string(i), i * 1.5);
  TMemTableGx dst;
  MakeTable(dst, "mtblDst");
  src.SetRecNo(2);
  EXPECT_EQ(dst.LoadFromDataSet(&src, 3, 1, false), 3);
  EXPECT_EQ(Ids(dst), (std::vector<int>{2, 3, 4}));
  dst.First();
  EXPECT_EQ(dst.GetRecordRowNum(), 2);
  EXPECT_EQ(dst.UpdateStatus(), usUnmodified);
  EXPECT_FALSE(dst.HasCachedChanges());
  EXPECT_EQ(dst.LoadFromDataSet(&src, 0, 1, false), 6);
  EXPECT_EQ(dst.RecordCount(), 9);
  // Mode 0 takes the source's columns.
  TMemTableGx fresh;
  fresh.SetName("mtblFresh");
  EXPECT_EQ(fresh.LoadFromDataSet(&src, 0, 0, false), 6);
  EXPECT_EQ(fresh.FieldCount(), 3);
  EXPECT_EQ(Ids(fresh), (std::vector<int>{1, 2, 3, 4, 5, 6}));
}

// A source of the same columns is copied record by record: the rows the source shows (sorted and
// filtered), from its current row, with their row numbers, leaving the source where a row by row
// copy leaves it; the same as a copy read through the source's fields.
TEST(MemTableTransfer, LoadFromDataSetOfTheSameColumnsCopiesWholeRecords) {
  TMemTableGx src;
  MakeTable(src, "mtblSrc");
  for (int i = 1; i <= 700; ++i) AppendRow(src, i, i % 7 == 0 ? Null() : Variant("n" + std::to_string(i % 40)), i * 0.5);
  src.SetSortOrder("NAME;ID");
  src.SetFilter("ID > 100");
  src.SetFiltered(true);
  auto dump = [](TMemTableGx& t) {
    std::string out;
    t.First();
    while (!t.Eof()) {
      out += t.FieldByName("ID")->AsString() + "|" + t.FieldByName("NAME")->AsString() + "|" +
             t.FieldByName("AMOUNT")->AsString() + "@" + std::to_string(t.GetRecordRowNum()) + ";";
      t.Next();
    }
    return out;
  };
  auto viaFields = [&](int from, int count) {
    // A source that hooks its field reading is read through its fields, row by row.
    src.OnGetFieldValue = [](TCustomMemTableGx*, TField*, Variant&) {};
    TMemTableGx slow;
    MakeTable(slow, "mtblSlow");
    src.SetRecNo(from);
    slow.LoadFromDataSet(&src, count, 1, false);
    src.OnGetFieldValue = nullptr;
    return std::make_tuple(dump(slow), src.RecNo(), src.Eof());
  };
  for (auto [from, count] : {std::pair{1, 0}, std::pair{37, 250}, std::pair{590, 1000}, std::pair{600, 1}}) {
    SCOPED_TRACE(std::to_string(from) + "+" + std::to_string(count));
    const auto expected = viaFields(from, count);
    TMemTableGx fast;
    MakeTable(fast, "mtblFast");
    src.SetRecNo(from);
    const int copied = fast.LoadFromDataSet(&src, count, 1, false);
    EXPECT_EQ(copied, fast.RecordCount());
    EXPECT_EQ(dump(fast), std::get<0>(expected));
    EXPECT_EQ(src.RecNo(), std::get<1>(expected));
    EXPECT_EQ(src.Eof(), std::get<2>(expected));
  }
}

// Records copied whole between tables of one structure are the same as those filled column by
// column, and the table and its store tell their listeners the same things in the same order.
TEST(MemTableTransfer, WholeRecordCopiesTellTheSameAsColumnCopies) {
  TMemTableGx src;
  MakeTable(src, "mtblSrc");
  for (int i = 1; i <= 40; ++i) AppendRow(src, i, i % 5 == 0 ? Null() : Variant("名称" + std::to_string(i)), i % 3 ? Variant(i * 0.25) : Null());
  src.RecordsList()->Rec(3)->PutStored(2, Variant());  // an unassigned value
  auto load = [&](bool whole, std::string& notices) {
    auto t = std::make_unique<TMemTableGx>();
    MakeTable(*t, whole ? "mtblWhole" : "mtblColumns");
    // Columns in another order than the source's are filled one by one.
    if (!whole) {
      t->Close();
      t->FieldDefs().Clear();
      t->FieldDefs().Add("AMOUNT", ftFloat);
      t->FieldDefs().Add("ID", ftInteger);
      t->FieldDefs().Add("NAME", ftString, 20);
      t->CreateDataSet();
    }
    mtstore_test::TRecorder store(t->MemTableData());
    TDataSource ds(nullptr);
    ds.SetDataSet(t.get());
    TRecordingLink link;
    link.SetDataSource(&ds);
    link.Log.clear();
    src.First();
    EXPECT_EQ(t->LoadFromDataSet(&src, 0, 1, false), 40);
    notices = store.Take() + " / " + link.Joined();
    link.SetDataSource(nullptr);
    return t;
  };
  std::string wholeNotices, columnNotices;
  auto whole = load(true, wholeNotices);
  auto columns = load(false, columnNotices);
  EXPECT_EQ(wholeNotices, columnNotices);
  EXPECT_FALSE(wholeNotices.empty());
  ASSERT_EQ(whole->RecordCount(), 40);
  for (int i = 0; i < 40; ++i) {
    SCOPED_TRACE(i);
    const TMemoryRecordGx* a = whole->RecordsList()->Rec(i);
    const TMemoryRecordGx* b = columns->RecordsList()->Rec(i);
    EXPECT_TRUE(VarSameValue(a->Value(0), b->Value(1)));
    EXPECT_TRUE(VarSameValue(a->Value(1), b->Value(2)));
    EXPECT_TRUE(VarSameValue(a->Value(2), b->Value(0)));
    EXPECT_EQ(a->Value(2).VarType(), b->Value(0).VarType());
    EXPECT_EQ(a->RowNum(), b->RowNum());
    EXPECT_EQ(a->UpdateStatus(), b->UpdateStatus());
  }
  EXPECT_TRUE(whole->RecordsList()->Rec(3)->Value(2).IsNull());
}

TEST(MemTableTransfer, LoadFromDataSetStoresValuesAsItsColumnsHoldThem) {
  TMemTableGx src;
  MakeTable(src, "mtblSrc");
  AppendRow(src, 1, "7", 2.5);
  AppendRow(src, 2, Null(), Null());
  TMemTableGx dst;
  dst.SetName("mtblDst");
  dst.FieldDefs().Add("ID", ftString, 10);  // numbers become texts
  dst.FieldDefs().Add("NAME", ftInteger);   // texts become numbers
  dst.FieldDefs().Add("AMOUNT", ftFloat);   // taken as they are
  dst.CreateDataSet();
  EXPECT_EQ(dst.LoadFromDataSet(&src, 0, 1, false), 2);
  const TMemoryRecordGx* first = dst.RecordsList()->Rec(0);
  EXPECT_EQ(first->Value(0).VarType(), varString);
  EXPECT_EQ(first->Value(0).AsString(), "1");
  EXPECT_EQ(first->Value(1).VarType(), varInteger);
  EXPECT_EQ(first->Value(1).AsInteger(), 7);
  EXPECT_EQ(first->Value(2).VarType(), varDouble);
  EXPECT_EQ(first->Value(2).AsDouble(), 2.5);
  const TMemoryRecordGx* second = dst.RecordsList()->Rec(1);
  EXPECT_EQ(second->Value(0).AsString(), "2");
  EXPECT_TRUE(second->Value(1).IsNull());
  EXPECT_TRUE(second->Value(2).IsNull());
  // A source that changes what its fields read is read through its fields.
  src.OnGetFieldValue = [](TCustomMemTableGx*, TField* f, Variant& v) {
    if (f->FieldName() == "AMOUNT" && !v.IsNull()) v = v.AsDouble() * 2;
  };
  TMemTableGx again;
  MakeTable(again, "mtblAgain");
  EXPECT_EQ(again.LoadFromDataSet(&src, 0, 1, false), 2);
  EXPECT_EQ(again.RecordsList()->Rec(0)->Value(2).AsDouble(), 5.0);
  EXPECT_EQ(again.RecordsList()->Rec(0)->Value(1).AsString(), "7");
}

// A source record holding a value of another type than its column's (put there as stored) is not
// copied whole: every row then goes through the fields, which convert what they pass on.
TEST(MemTableTransfer, ASourceValueOfAnotherTypeIsConvertedAsTheFieldsConvertIt) {
  for (int col : {0, 1, 2}) {
    SCOPED_TRACE(col);
    TMemTableGx src;
    MakeTable(src, "mtblSrc");
    for (int i = 1; i <= 30; ++i) AppendRow(src, i, "n" + std::to_string(i), i * 0.5);
    // Row 20: an integer column holding a text, a text column a number, a float column a text.
    const Variant odd = col == 0 ? Variant("77") : col == 1 ? Variant(12) : Variant("3.25");
    src.RecordsList()->Rec(19)->PutStored(col, odd);
    TMemTableGx dst;
    MakeTable(dst, "mtblDst");
    src.First();
    ASSERT_EQ(dst.LoadFromDataSet(&src, 0, 1, false), 30);
    ASSERT_EQ(dst.RecordCount(), 30);
    const TMemoryRecordGx* converted = dst.RecordsList()->Rec(19);
    const TMemoryRecordGx* plain = dst.RecordsList()->Rec(0);
    for (int c = 0; c < 3; ++c) EXPECT_EQ(converted->Value(c).VarType(), plain->Value(c).VarType()) << c;
    EXPECT_EQ(converted->Value(col).AsString(), col == 0 ? "77" : col == 1 ? "12" : "3.25");
  }
}

// Whole records are made while their values' types are looked at, before any is added: one of
// another type part way (first, middle or last row) drops them all, and the table ends as a copy
// through the fields leaves it, down to the ids its next records take.
TEST(MemTableTransfer, AValueOfAnotherTypeFoundPartWayLeavesNothingOfTheWholeCopy) {
  for (int row : {0, 19, 29}) {
    SCOPED_TRACE(row);
    TMemTableGx src;
    MakeTable(src, "mtblSrc");
    for (int i = 1; i <= 30; ++i) AppendRow(src, i, "n" + std::to_string(i), i * 0.5);
    src.RecordsList()->Rec(row)->PutStored(1, Variant(12));
    auto load = [&](bool throughFields) {
      if (throughFields) src.OnGetFieldValue = [](TCustomMemTableGx*, TField*, Variant&) {};
      auto t = std::make_unique<TMemTableGx>();
      MakeTable(*t, "mtblDst");
      AppendRow(*t, 100, "old", 1.0);
      src.First();
      EXPECT_EQ(t->LoadFromDataSet(&src, 0, 1, false), 30);
      src.OnGetFieldValue = nullptr;
      return t;
    };
    auto fields = load(true);
    auto direct = load(false);
    ASSERT_EQ(direct->RecordCount(), 31);
    ASSERT_EQ(fields->RecordCount(), 31);
    EXPECT_EQ(direct->RecordsList()->NextID(), fields->RecordsList()->NextID());
    for (int i = 0; i < 31; ++i) {
      SCOPED_TRACE(i);
      const TMemoryRecordGx* a = direct->RecordsList()->Rec(i);
      const TMemoryRecordGx* b = fields->RecordsList()->Rec(i);
      for (int c = 0; c < 3; ++c) {
        EXPECT_TRUE(VarSameValue(a->Value(c), b->Value(c))) << c;
        EXPECT_EQ(a->Value(c).VarType(), b->Value(c).VarType()) << c;
      }
      EXPECT_EQ(a->ID(), b->ID());
      EXPECT_EQ(a->RowNum(), b->RowNum());
    }
    EXPECT_EQ(direct->RecordsList()->Rec(row + 1)->Value(1).AsString(), "12");
  }
}

// Records made and not added are freed, the last first, and their ids given back; added ones stay.
TEST(MemTableTransfer, DroppedNewRecordsGiveTheirIdsBack) {
  TMemTableGx t;
  MakeTable(t, "mtblDrop");
  AppendRow(t, 1, "a", 1.0);
  TRecordsListGx* list = t.RecordsList();
  const int next = list->NextID();
  std::vector<TMemoryRecordGx*> made{list->NewRecordFrom(*list->Rec(0)), list->NewRecord()};
  EXPECT_EQ(list->NextID(), next + 2);
  list->DropNewRecords(made);
  EXPECT_EQ(list->NextID(), next);
  EXPECT_EQ(list->Count(), 1);
  // A record whose value is of another type than asked for is not made and takes no id.
  const TVarType any = TRecordsListGx::kAnyVarType;
  const TVarType wantsText[3] = {any, varString, any};
  const TVarType wantsDate[3] = {any, varDate, any};
  TMemoryRecordGx* same = list->NewRecordFrom(*list->Rec(0), wantsText);
  ASSERT_NE(same, nullptr);
  EXPECT_EQ(same->Value(1).AsString(), "a");
  EXPECT_EQ(list->NextID(), next + 1);
  EXPECT_EQ(list->NewRecordFrom(*list->Rec(0), wantsDate), nullptr);
  EXPECT_EQ(list->NextID(), next + 1);
  list->FetchRecord(same);
  list->DropNewRecords({same});  // added: it stays
  EXPECT_EQ(list->Count(), 2);
  EXPECT_EQ(list->NextID(), next + 1);
}

// Rows copied whole into a table that only its own view listens to reach the view as one change
// of the list; the table ends the same as one told of each row (a second listener on its store
// makes it so): the same rows in the same order, the same current row, bookmarks that find the
// same rows, and the same rows after edits that follow.
TEST(MemTableTransfer, RowsCopiedWholeWhereOnlyTheViewListensReachItAsOneChange) {
  TMemTableGx src;
  MakeTable(src, "mtblSrc");
  for (int i = 1; i <= 300; ++i) AppendRow(src, i, i % 9 == 0 ? Null() : Variant("n" + std::to_string(i)), i * 0.25);
  struct Loaded {
    std::unique_ptr<TMemTableGx> table;
    std::unique_ptr<TRecordsListNotificatorGx> listener;
    std::shared_ptr<int> viewNotices = std::make_shared<int>(0);
  };
  auto load = [&](bool oneChange) {
    Loaded l;
    l.table = std::make_unique<TMemTableGx>();
    TMemTableGx& t = *l.table;
    MakeTable(t, oneChange ? "mtblOne" : "mtblEach");
    for (int i = 1; i <= 5; ++i) AppendRow(t, 1000 + i, "old", i);
    t.SetRecNo(3);
    if (!oneChange) {
      l.listener = std::make_unique<TRecordsListNotificatorGx>();
      l.listener->SetMemTableData(t.MemTableData());
    }
    auto tell = t.RecordsView()->OnViewDataChanged;
    t.RecordsView()->OnViewDataChanged = [notices = l.viewNotices, tell](TMemoryRecordGx* rec, int index, int action) {
      ++*notices;
      tell(rec, index, action);
    };
    src.First();
    EXPECT_EQ(t.LoadFromDataSet(&src, 0, 1, false), 300);
    return l;
  };
  auto dump = [](TMemTableGx& t) {
    std::string out;
    for (int i = 0; i < t.RecordsView()->ViewItemsCount(); ++i) {
      const TMemoryRecordGx* r = t.RecordsView()->GetViewRecord(i);
      out += VarToStr(r->Value(0)) + "|" + VarToStr(r->Value(1)) + "|" + VarToStr(r->Value(2)) + "@" +
             std::to_string(r->RowNum()) + "/" + std::to_string(r->UpdateStatus()) + ";";
    }
    return out;
  };
  Loaded one = load(true), each = load(false);
  EXPECT_EQ(*one.viewNotices, 1);
  EXPECT_EQ(*each.viewNotices, 300);
  TMemTableGx& a = *one.table;
  TMemTableGx& b = *each.table;
  ASSERT_EQ(a.RecordCount(), 305);
  EXPECT_EQ(b.RecordCount(), 305);
  EXPECT_EQ(dump(a), dump(b));
  EXPECT_EQ(a.RecNo(), b.RecNo());
  EXPECT_EQ(a.FieldByName("ID")->AsInteger(), b.FieldByName("ID")->AsInteger());
  for (int row : {1, 6, 150, 305}) {
    a.SetRecNo(row);
    b.SetRecNo(row);
    const TBookmark ma = a.GetBookmark(), mb = b.GetBookmark();
    a.Last();
    b.First();
    a.GotoBookmark(ma);
    b.GotoBookmark(mb);
    EXPECT_EQ(a.RecNo(), row);
    EXPECT_EQ(b.RecNo(), row);
    EXPECT_EQ(a.FieldByName("ID")->AsInteger(), b.FieldByName("ID")->AsInteger());
  }
  for (TMemTableGx* t : {&a, &b}) {
    AppendRow(*t, 9999, "new", 1.0);
    t->SetRecNo(10);
    t->Delete();
    t->SetSortOrder("AMOUNT DESC");
    t->First();
  }
  EXPECT_EQ(dump(a), dump(b));
  EXPECT_EQ(a.FieldByName("ID")->AsInteger(), b.FieldByName("ID")->AsInteger());
  EXPECT_EQ(Ids(a), Ids(b));
}

// A table whose aggregates are live is told of each copied row, and they come out as for rows
// appended one at a time.
TEST(MemTableTransfer, RowsCopiedWholeIntoATableWithAggregatesAreCountedRowByRow) {
  TMemTableGx src;
  MakeTable(src, "mtblSrc");
  for (int i = 1; i <= 50; ++i) AppendRow(src, i, "n", i % 7 ? Variant(i * 0.5) : Null());
  auto make = [](TMemTableGx& t, const char* name) {
    TAggregateField* total = MakeSumTable(t, name);
    t.SetAggregatesActive(true);
    return total;
  };
  TMemTableGx copied, appended;
  TAggregateField* copiedTotal = make(copied, "mtblCopied");
  TAggregateField* appendedTotal = make(appended, "mtblAppended");
  int notices = 0;
  auto tell = copied.RecordsView()->OnViewDataChanged;
  copied.RecordsView()->OnViewDataChanged = [&notices, tell](TMemoryRecordGx* rec, int index, int action) {
    ++notices;
    tell(rec, index, action);
  };
  src.First();
  EXPECT_EQ(copied.LoadFromDataSet(&src, 0, 1, false), 50);
  EXPECT_EQ(notices, 50);
  for (int i = 1; i <= 50; ++i) AppendRow(appended, i, "n", i % 7 ? Variant(i * 0.5) : Null());
  EXPECT_EQ(copiedTotal->AsFloat(), appendedTotal->AsFloat());
  EXPECT_GT(copiedTotal->AsFloat(), 0.0);
}

TEST(MemTableTransfer, LoadFromDataSetThroughCachedInserts) {
  TMemTableGx src;
  MakeTable(src, "mtblSrc");
  AppendRow(src, 1, "a");
  AppendRow(src, 2, "b");
  TMemTableGx dst;
  MakeTable(dst, "mtblDst");
  dst.SetCachedUpdates(true);
  int posts = 0;
  dst.SetAfterPost([&](TDataSet*) { ++posts; });
  EXPECT_EQ(dst.LoadFromDataSet(&src, 0, 1, true), 2);
  EXPECT_EQ(posts, 2);
  EXPECT_EQ(StatusOfRow(dst, 1), usInserted);
  EXPECT_EQ(dst.GetRecordRowNum(), 1);
  EXPECT_EQ(StatusOfRow(dst, 2), usInserted);
  EXPECT_EQ(dst.GetRecordRowNum(), 2);
  EXPECT_EQ(Pending(dst), 2);
}

// A loaded row the target's filter hides still takes its source row number, and the row that is
// current after its post keeps its own.
TEST(MemTableTransfer, LoadFromDataSetThroughCachedInsertsNumbersHiddenRowsToo) {
  TMemTableGx src;
  MakeTable(src, "mtblSrc");
  AppendRow(src, 7, "shown");
  AppendRow(src, 1, "hidden");
  AppendRow(src, 8, "shown");
  TMemTableGx dst;
  MakeTable(dst, "mtblDst");
  AppendRow(dst, 9, "kept");
  dst.SetRecordRowNum(42);
  dst.SetFilter("ID > 5");
  dst.SetFiltered(true);
  dst.SetCachedUpdates(true);
  EXPECT_EQ(dst.LoadFromDataSet(&src, 0, 1, true), 3);
  dst.SetFiltered(false);
  std::map<int, int> rowNums;  // ID -> row number
  for (dst.First(); !dst.Eof(); dst.Next()) rowNums[dst.FieldByName("ID")->AsInteger()] = dst.GetRecordRowNum();
  EXPECT_EQ(rowNums, (std::map<int, int>{{1, 2}, {7, 1}, {8, 3}, {9, 42}}));
}

// A row that AfterPost appends while a load posts its row keeps a row number of its own.
TEST(MemTableTransfer, LoadFromDataSetThroughCachedInsertsLeavesRowsAppendedAfterPostUnnumbered) {
  TMemTableGx src;
  MakeTable(src, "mtblSrc");
  AppendRow(src, 7, "a");
  AppendRow(src, 8, "b");
  TMemTableGx dst;
  MakeTable(dst, "mtblDst");
  dst.SetCachedUpdates(true);
  bool inside = false;
  dst.SetAfterPost([&](TDataSet* ds) {
    if (inside || ds->FieldByName("ID")->AsInteger() != 7) return;
    inside = true;
    AppendRow(dst, 100, "extra");
    inside = false;
  });
  EXPECT_EQ(dst.LoadFromDataSet(&src, 0, 1, true), 2);
  std::map<int, int> rowNums;  // ID -> row number
  for (dst.First(); !dst.Eof(); dst.Next()) rowNums[dst.FieldByName("ID")->AsInteger()] = dst.GetRecordRowNum();
  EXPECT_EQ(rowNums, (std::map<int, int>{{7, 1}, {8, 2}, {100, 0}}));
}

// A text longer than the target's field reads as the field cuts it, whichever way the row came:
// through the fields, or copied straight by every copy routine and each way LoadFromDataSet reads
// its source (whole records, column by column, through the source's fields).
TEST(MemTableTransfer, TextsCopiedStraightAreCutAsTheFieldsCutThem) {
  const std::vector<std::string> texts = {"abcdefgh", "一二三", "ab一二", "abcde", "a"};
  auto makeSource = [&](TMemTableGx& src, bool otherOrder) {
    src.SetName("mtblSrc");
    if (otherOrder) src.FieldDefs().Add("WIDE", ftWideString, 20);
    src.FieldDefs().Add("ID", ftInteger);
    src.FieldDefs().Add("NAME", ftString, 20);
    if (!otherOrder) src.FieldDefs().Add("WIDE", ftWideString, 20);
    src.CreateDataSet();
    src.SetCachedUpdates(true);  // rows stay inserted, for AppendChangedRecordsFrom
    for (size_t i = 0; i < texts.size(); ++i) {
      src.Append();
      src.FieldByName("ID")->SetValue(static_cast<int>(i));
      src.FieldByName("NAME")->SetValue(texts[i]);
      src.FieldByName("WIDE")->SetValue(texts[i]);
      src.Post();
    }
  };
  auto makeTarget = [](TMemTableGx& t) {
    t.SetName("mtblDst");
    t.FieldDefs().Add("ID", ftInteger);
    t.FieldDefs().Add("NAME", ftString, 5);
    t.FieldDefs().Add("WIDE", ftWideString, 3);
    t.CreateDataSet();
  };
  auto dump = [](TMemTableGx& t) {
    std::string out;
    for (t.First(); !t.Eof(); t.Next())
      out += t.FieldByName("NAME")->AsString() + "|" + VarToStr(t.FieldByName("WIDE")->Value()) + ";";
    return out;
  };
  std::string expected;
  {
    TMemTableGx t;
    makeTarget(t);
    for (const std::string& text : texts) {
      t.Append();
      t.FieldByName("NAME")->SetValue(text);
      t.FieldByName("WIDE")->SetValue(text);
      t.Post();
    }
    expected = dump(t);
  }
  EXPECT_EQ(expected, "abcde|abc;一二|一二三;ab一|ab一;abcde|abc;a|a;");
  struct Case {
    const char* name;
    bool otherOrder;
    std::function<int(TMemTableGx& target, TMemTableGx& src)> copy;
  };
  const Case cases[] = {
      {"AppendRecordsFrom", false, [](TMemTableGx& t, TMemTableGx& s) { return t.AppendRecordsFrom(&s); }},
      {"AppendChangedRecordsFrom", false, [](TMemTableGx& t, TMemTableGx& s) { return t.AppendChangedRecordsFrom(&s); }},
      {"AppendCurrentRecordFrom", false,
       [](TMemTableGx& t, TMemTableGx& s) {
         int n = 0;
         for (s.First(); !s.Eof(); s.Next()) n += t.AppendCurrentRecordFrom(&s);
         return n;
       }},
      {"LoadFromDataSet whole records", false, [](TMemTableGx& t, TMemTableGx& s) { return t.LoadFromDataSet(&s, 0, 1, false); }},
      {"LoadFromDataSet by column", true, [](TMemTableGx& t, TMemTableGx& s) { return t.LoadFromDataSet(&s, 0, 1, false); }},
      {"LoadFromDataSet through fields", false,
       [](TMemTableGx& t, TMemTableGx& s) {
         s.OnGetFieldValue = [](TCustomMemTableGx*, TField*, Variant&) {};
         const int n = t.LoadFromDataSet(&s, 0, 1, false);
         s.OnGetFieldValue = nullptr;
         return n;
       }},
      {"LoadFromDataSet cached", false,
       [](TMemTableGx& t, TMemTableGx& s) {
         t.SetCachedUpdates(true);
         return t.LoadFromDataSet(&s, 0, 1, true);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TMemTableGx src, t;
    makeSource(src, c.otherOrder);
    makeTarget(t);
    EXPECT_EQ(c.copy(t, src), static_cast<int>(texts.size()));
    EXPECT_EQ(dump(t), expected);
  }
}

// A source table whose text reads longer than its own field (shown so by its OnGetFieldValue, or
// written to its store itself): every copy cuts what it reads to the target's size.
TEST(MemTableTransfer, TextsASourceReadsLongerThanItsFieldsAreCut) {
  const std::string longText = "一二三四五六七八九十abcdefghij";
  struct Case {
    const char* name;
    std::function<int(TMemTableGx& target, TMemTableGx& src)> copy;
  };
  const Case cases[] = {
      {"LoadFromDataSet", [](TMemTableGx& t, TMemTableGx& s) { return t.LoadFromDataSet(&s, 0, 1, false); }},
      {"AppendRecordsFrom", [](TMemTableGx& t, TMemTableGx& s) { return t.AppendRecordsFrom(&s); }},
      {"AppendCurrentRecordFrom", [](TMemTableGx& t, TMemTableGx& s) { return t.AppendCurrentRecordFrom(&s); }},
  };
  for (const bool throughHook : {true, false}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (throughHook ? " hook" : " store"));
      TMemTableGx src, t;
      MakeTable(src, "mtblSrc");
      AppendRow(src, 1, "abc");
      if (throughHook) {
        src.OnGetFieldValue = [&](TCustomMemTableGx*, TField* f, Variant& v) {
          if (f->FieldName() == "NAME") v = longText;
        };
      } else {
        src.RecordsList()->Rec(0)->SetDataValue(1, rvCurrent, Variant(longText));
      }
      src.First();
      MakeTable(t, "mtblDst");
      EXPECT_EQ(c.copy(t, src), 1);
      t.First();
      EXPECT_EQ(t.FieldByName("NAME")->AsString(), "一二三四五六七八九十");
    }
  }
}

TEST(MemTableTransfer, RowNumberDuringAnInsertIsMinusOne) {
  TMemTableGx t;
  MakeTable(t);
  AppendRow(t, 1, "a");
  t.First();
  t.SetRecordRowNum(42);
  EXPECT_EQ(t.GetRecordRowNum(), 42);
  t.Append();
  EXPECT_EQ(t.GetRecordRowNum(), -1);
  t.SetRecordRowNum(7);  // nothing: no stored row yet
  t.Cancel();
  EXPECT_EQ(t.GetRecordRowNum(), 42);
}

TEST(MemTableTransfer, ErrorsLeaveTheCopiedRowsAndRestoreTheSource) {
  TMemTableGx src;
  MakeTable(src, "mtblSrc");
  AppendRow(src, 1, "a");
  AppendRow(src, 1, "b");
  src.Close();
  TMemTableGx dst;
  dst.SetName("mtblDst");
  DefineFields(dst);
  dst.IndexDefs()->Add("PK", "ID", {ixPrimary});
  dst.CreateDataSet();
  EXPECT_EQ(ErrorOf([&] { dst.AppendRecordsFrom(&src); }), "Unical key violation 1");
  EXPECT_FALSE(src.Active());
  EXPECT_FALSE(dst.ControlsDisabled());
  EXPECT_FALSE(src.ControlsDisabled());
  EXPECT_EQ(dst.RecordCount(), 1);
}

TEST(MemTableProperties, ServerNamesAndFieldFlags) {
  TMemTableGx t;
  MakeTable(t);
  EXPECT_EQ(t.CvTableName(), "");
  t.SetCvTableName("TB_BILDB");
  t.SetPKName("BILDB_ID");
  t.SetFKName("TB_BILDA:BILDB001");
  EXPECT_EQ(t.CvTableName(), "TB_BILDB");
  EXPECT_EQ(t.PKName(), "BILDB_ID");
  EXPECT_EQ(t.FKName(), "TB_BILDA:BILDB001");
  // Fields the table makes carry none of the three flags.
  for (TField* f : t.Fields()) {
    EXPECT_FALSE(f->IsKey());
    EXPECT_FALSE(f->IsJoin());
    EXPECT_FALSE(f->NotNull());
  }
  // A joined field is an ordinary field otherwise.
  t.FieldByName("NAME")->SetIsJoin(true);
  AppendRow(t, 1, "shown");
  EXPECT_EQ(t.FieldByName("NAME")->AsString(), "shown");
}

