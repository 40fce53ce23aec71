// Rows appended one by one through the fields: where they go in views of every kind, what clients
// are told, and how the buffer's values reach the stored record.
#include <gtest/gtest.h>

#include "memtable/mtrecords.h"
#include "table_support.h"

using namespace mttable_test;

namespace {

using N = TRecordingClient::Notice;

// The store's records in store order, as (ID, NAME) texts.
std::vector<std::string> Stored(TCustomMemTableGx& t) {
  std::vector<std::string> rows;
  TRecordsListGx* list = t.RecordsList();
  for (int i = 0; i < list->Count(); ++i) {
    TMemoryRecordGx* r = list->Rec(i);
    rows.push_back(VarToStr(r->Value(0)) + ":" + VarToStr(r->Value(1)));
  }
  return rows;
}

}  // namespace

TEST(MemTableAppend, AppendedRowsFollowTheRowsShownInStoreOrder) {
  TMemTableGx t;
  MakeTable(t);
  TRecordingClient client;
  t.RegisterClient(&client);
  for (int i = 1; i <= 3; ++i) AppendRow(t, i, "a");
  // Each row shows at the end while it is written, then the stored row takes its place.
  EXPECT_EQ(client.Notices, (std::vector<N>{{0, mtnRowAdded, -1}, {1, mtnRowAdded, -1}, {0, mtnRowRemoved, -1},
                                            {1, mtnRowAdded, -1}, {2, mtnRowAdded, -1}, {1, mtnRowRemoved, -1},
                                            {2, mtnRowAdded, -1}, {3, mtnRowAdded, -1}, {2, mtnRowRemoved, -1}}));
  EXPECT_EQ(t.RecNo(), 3);
  EXPECT_EQ(t.FieldByName("ID")->AsInteger(), 3);
  // A row inserted in the middle of the store, then one appended after it.
  client.Notices.clear();
  t.SetRecNo(2);
  t.Insert();
  t.FieldByName("ID")->SetValue(15);
  t.Post();
  EXPECT_EQ(t.RecNo(), 2);
  AppendRow(t, 4, "b");
  EXPECT_EQ(t.RecNo(), 5);
  EXPECT_EQ(Ids(t), (std::vector<int>{1, 15, 2, 3, 4}));
  // The stored row is told one further down, behind the row still shown at 1.
  EXPECT_EQ(client.Notices, (std::vector<N>{{1, mtnRowAdded, -1}, {2, mtnRowAdded, -1}, {1, mtnRowRemoved, -1},
                                            {4, mtnRowAdded, -1}, {5, mtnRowAdded, -1}, {4, mtnRowRemoved, -1}}));
  t.UnregisterClient(&client);
}

TEST(MemTableAppend, AFilteredViewShowsAnAppendedRowAfterItsOwnRows) {
  TMemTableGx t;
  MakeTable(t);
  for (int i = 1; i <= 6; ++i) AppendRow(t, i, i % 2 ? "odd" : "even");
  t.SetFilter("NAME='odd'");
  t.SetFiltered(true);
  TRecordingClient client;
  t.RegisterClient(&client);
  // The view shows three of the six stored rows: the new one is its fourth row.
  AppendRow(t, 7, "odd");
  EXPECT_EQ(t.RecNo(), 4);
  EXPECT_EQ(t.FieldByName("ID")->AsInteger(), 7);
  EXPECT_EQ(client.Notices, (std::vector<N>{{3, mtnRowAdded, -1}, {4, mtnRowAdded, -1}, {3, mtnRowRemoved, -1}}));
  // A row the filter hides is stored but never shown.
  client.Notices.clear();
  AppendRow(t, 8, "even");
  EXPECT_EQ(client.Notices, (std::vector<N>{{4, mtnRowAdded, -1}, {4, mtnRowRemoved, -1}}));
  EXPECT_EQ(Ids(t), (std::vector<int>{1, 3, 5, 7}));
  t.SetFiltered(false);
  EXPECT_EQ(Ids(t), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
  t.UnregisterClient(&client);
}

TEST(MemTableAppend, ASortedViewPutsAnAppendedRowInItsPlace) {
  TMemTableGx t;
  MakeTable(t);
  for (int id : {30, 10, 20}) AppendRow(t, id, "x");
  t.SetSortOrder("ID");
  AppendRow(t, 15, "x");
  EXPECT_EQ(t.RecNo(), 2);
  EXPECT_EQ(Ids(t), (std::vector<int>{10, 15, 20, 30}));
  AppendRow(t, 40, "x");
  EXPECT_EQ(t.RecNo(), 5);
  t.SetSortOrder("");
  EXPECT_EQ(Ids(t), (std::vector<int>{30, 10, 20, 15, 40}));
}

TEST(MemTableAppend, ValuesOfAnotherTypeAreStoredAsTheColumnHoldsThem) {
  TMemTableGx t;
  MakeTable(t);
  // The handler hands texts to the number columns: the record holds numbers.
  t.OnSetFieldValue = [](TCustomMemTableGx*, TField* f, Variant& v) {
    if (f->FieldName() != "NAME" && !v.IsNull()) v = VarToStr(v);
  };
  AppendRow(t, 7, "seven", 2.5);
  AppendRow(t, 8, Null(), Null());
  TRecordsListGx* list = t.RecordsList();
  ASSERT_EQ(list->Count(), 2);
  EXPECT_EQ(list->Rec(0)->Value(0).VarType(), varInteger);
  EXPECT_EQ(list->Rec(0)->Value(0).AsInteger(), 7);
  EXPECT_EQ(list->Rec(0)->Value(1).VarType(), varString);
  EXPECT_EQ(list->Rec(0)->Value(2).VarType(), varDouble);
  EXPECT_DOUBLE_EQ(list->Rec(0)->Value(2).AsDouble(), 2.5);
  EXPECT_TRUE(list->Rec(1)->Value(1).IsNull());
  EXPECT_TRUE(list->Rec(1)->Value(2).IsNull());
  EXPECT_EQ(t.FieldByName("AMOUNT")->AsFloat(), 0.0);
  t.First();
  EXPECT_EQ(t.FieldByName("AMOUNT")->AsFloat(), 2.5);
}

TEST(MemTableAppend, FieldsInAnotherOrderThanTheColumnsStoreIntoTheirOwnColumns) {
  TMemTableGx t;
  t.SetName("mtblReversed");
  DefineFields(t);
  for (int i = t.FieldDefs().Count() - 1; i >= 0; --i) t.FieldDefs().Items(i)->CreateField(&t);
  t.CreateDataSet();
  ASSERT_EQ(t.Fields()[0]->FieldName(), "AMOUNT");
  AppendRow(t, 1, "one", 1.5);
  AppendRow(t, 2, "two", Null());
  EXPECT_EQ(Stored(t), (std::vector<std::string>{"1:one", "2:two"}));
  EXPECT_DOUBLE_EQ(t.RecordsList()->Rec(0)->Value(2).AsDouble(), 1.5);
  t.First();
  EXPECT_EQ(t.FieldByName("NAME")->AsString(), "one");
  EXPECT_EQ(t.FieldByName("AMOUNT")->AsFloat(), 1.5);
}

TEST(MemTableAppend, CachedAppendsAreLoggedAsInserted) {
  TMemTableGx t;
  MakeTable(t);
  t.SetCachedUpdates(true);
  for (int i = 1; i <= 3; ++i) AppendRow(t, i, "c");
  EXPECT_TRUE(t.HasCachedChanges());
  TRecordsListGx* list = t.RecordsList();
  for (int i = 0; i < 3; ++i) EXPECT_EQ(list->Rec(i)->UpdateStatus(), usInserted);
  t.CancelUpdates();
  EXPECT_EQ(t.RecordCount(), 0);
}

TEST(MemTableAppend, AWrittenTextIsSeenWhileValidatedAndKeptOnlyWhenAccepted) {
  TMemTableGx t;
  MakeTable(t);
  TField* name = t.FieldByName("NAME");
  std::vector<std::string> seen;
  name->SetOnValidate([&](TField* f) {
    seen.push_back(f->AsString());
    if (f->AsString() == "bad") throw EDatabaseError("refused");
  });
  t.Append();
  t.FieldByName("ID")->SetAsInteger(1);
  name->SetAsString("good");
  EXPECT_THROW(name->SetAsString("bad"), EDatabaseError);
  EXPECT_EQ(name->AsString(), "good");
  t.Post();
  EXPECT_EQ(seen, (std::vector<std::string>{"good", "bad"}));
  EXPECT_EQ(VarToStr(t.RecordsList()->Rec(0)->Value(1)), "good");
  // A field read only refuses the write whatever form the value comes in.
  name->SetReadOnly(true);
  t.Edit();
  EXPECT_THROW(name->SetAsString("x"), EDatabaseError);
  EXPECT_THROW(name->SetValue(Variant("x")), EDatabaseError);
  t.Cancel();
  name->SetReadOnly(false);
  // Outside the write states every write is refused.
  EXPECT_EQ(ErrorOf([&] { name->SetAsString("y"); }), ErrorOf([&] { name->SetValue(Variant("y")); }));
  EXPECT_EQ(name->AsString(), "good");
}

TEST(MemTableAppend, TheValueHandlerSeesTheTextWrittenAndItsCallerKeepsItsOwn) {
  TMemTableGx t;
  MakeTable(t);
  std::vector<std::string> seen;
  t.OnSetFieldValue = [&](TCustomMemTableGx*, TField* f, Variant& v) {
    if (f->FieldName() == "NAME") seen.push_back(VarToStr(v));
  };
  const std::string text = "费用垫付单";
  const Variant held(text);
  t.Append();
  t.FieldByName("NAME")->SetAsString(text);
  t.FieldByName("NAME")->SetValue(held);
  t.Post();
  EXPECT_EQ(seen, (std::vector<std::string>{text, text}));
  EXPECT_EQ(VarToStr(held), text);
  EXPECT_EQ(t.FieldByName("NAME")->AsString(), text);
}
