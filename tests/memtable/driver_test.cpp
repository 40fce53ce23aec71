// The data driver: reading a provider into the store, applying changes back to it, the SQL texts
// of one changed record, and a memory table driven by it.
#include <gtest/gtest.h>

#include <algorithm>

#include "memtable/datadriver.h"
#include "table_support.h"

using namespace mttable_test;

namespace {

std::vector<std::string> Lines(TSQLCommandGx& cmd) { return cmd.SQL()->ToVector(); }

// A store with columns K, A, B, C and one record in the given state.
struct SqlRecord {
  TMemTableDataGx store{nullptr};
  TMemoryRecordGx* rec = nullptr;
  SqlRecord() {
    for (const char* name : {"K", "A", "B", "C", "LONGCOLUMNNAME_ONE", "LONGCOLUMNNAME_TWO"}) {
      auto* f = store.DataStruct()->CreateField<TMTStringDataFieldGx>();
      f->SetFieldName(name);
      f->SetSize(40);
    }
    rec = store.RecordsList()->NewRecord();
    for (int i = 0; i < 6; ++i) rec->SetDataValue(i, rvCurrent, "v");
    store.RecordsList()->FetchRecord(rec);
    store.RecordsList()->SetCachedUpdates(true);
  }
  void Modify(int column, const char* value) {
    rec->Edit();
    rec->SetDataValue(column, rvCurrent, value);
    rec->Post();
  }
};

}  // namespace

TEST(SqlGeneration, UpdateStatement) {
  SqlRecord r;
  r.Modify(1, "x");
  TSQLCommandGx cmd;
  cmd.UpdateSettings() = {"TB_X", "A,B,C", "K", false};
  cmd.SQL()->Add("old text");
  TServerSpecOperationsGx ops;
  ops.GenerateUpdateSQL(r.rec, &cmd);
  EXPECT_EQ(Lines(cmd), (std::vector<std::string>{"update TB_X", "set", " A = :A,", " B = :B,", " C = :C", "where",
                                                  " K = :OLD_K"}));
  cmd.UpdateSettings().KeyFields = "K,A";
  ops.GenerateUpdateSQL(r.rec, &cmd);
  EXPECT_EQ(Lines(cmd), (std::vector<std::string>{"update TB_X", "set", " A = :A,", " B = :B,", " C = :C", "where",
                                                  " K = :OLD_K and", " A = :OLD_A"}));
  // Only the fields that changed.
  cmd.UpdateSettings().UpdateChangedFieldsOnly = true;
  ops.GenerateUpdateSQL(r.rec, &cmd);
  EXPECT_EQ(Lines(cmd), (std::vector<std::string>{"update TB_X", "set", " A = :A", "where", " K = :OLD_K and",
                                                  " A = :OLD_A"}));
}

TEST(SqlGeneration, InsertStatementBreaksLongLines) {
  SqlRecord r;
  TMemoryRecordGx* rec = r.store.RecordsList()->NewRecord();
  r.store.RecordsList()->AddRecord(rec);
  ASSERT_EQ(rec->UpdateStatus(), usInserted);
  TSQLCommandGx cmd;
  cmd.UpdateSettings() = {"TB_X", "A,B", "K", false};
  TServerSpecOperationsGx ops;
  ops.GenerateUpdateSQL(rec, &cmd);
  EXPECT_EQ(Lines(cmd), (std::vector<std::string>{"insert into TB_X", "  (K, A, B)", "values", "  (:K, :A, :B)"}));
  // A line is broken once it passes 70 characters, after the name that made it long.
  cmd.UpdateSettings().UpdateFields = "LONGCOLUMNNAME_ONE,LONGCOLUMNNAME_TWO,A,LONGCOLUMNNAME_ONE,LONGCOLUMNNAME_TWO,B";
  ops.GenerateUpdateSQL(rec, &cmd);
  EXPECT_EQ(Lines(cmd), (std::vector<std::string>{
                            "insert into TB_X",
                            "  (K, LONGCOLUMNNAME_ONE, LONGCOLUMNNAME_TWO, A, LONGCOLUMNNAME_ONE, LONGCOLUMNNAME_TWO",
                            "   , B)",
                            "values",
                            "  (:K, :LONGCOLUMNNAME_ONE, :LONGCOLUMNNAME_TWO, :A, :LONGCOLUMNNAME_ONE",
                            "   , :LONGCOLUMNNAME_TWO, :B)",
                        }));
  // The last name of a list never breaks the line.
  cmd.UpdateSettings().UpdateFields = "LONGCOLUMNNAME_ONE,LONGCOLUMNNAME_TWO,A,B,LONGCOLUMNNAME_ONE";
  ops.GenerateUpdateSQL(rec, &cmd);
  EXPECT_EQ(Lines(cmd)[1], "  (K, LONGCOLUMNNAME_ONE, LONGCOLUMNNAME_TWO, A, B, LONGCOLUMNNAME_ONE)");
  EXPECT_EQ(Lines(cmd)[3], "  (:K, :LONGCOLUMNNAME_ONE, :LONGCOLUMNNAME_TWO, :A, :B, :LONGCOLUMNNAME_ONE)");
}

TEST(SqlGeneration, DeleteAndUnmodified) {
  SqlRecord r;
  TSQLCommandGx cmd;
  cmd.UpdateSettings() = {"TB_X", "A", "", false};
  TServerSpecOperationsGx ops;
  ops.GenerateUpdateSQL(r.rec, &cmd);
  EXPECT_TRUE(Lines(cmd).empty());
  r.store.RecordsList()->MarkDel(0);
  ops.GenerateUpdateSQL(r.rec, &cmd);
  EXPECT_EQ(Lines(cmd), (std::vector<std::string>{"delete from TB_X"}));
  cmd.UpdateSettings().KeyFields = "K";
  ops.GenerateUpdateSQL(r.rec, &cmd);
  EXPECT_EQ(Lines(cmd), (std::vector<std::string>{"delete from TB_X", "where", " K = :OLD_K"}));
}

TEST(SqlGeneration, ChangedFieldsErrors) {
  SqlRecord r;
  TServerSpecOperationsGx ops;
  TStringList fields, result;
  fields.SetCommaText("A,NOPE");
  r.Modify(1, "x");
  EXPECT_EQ(ErrorOf([&] { ops.GetChangedFields(r.rec, &fields, &result); }),
            "Invalid field name \"NOPE\" in field list \"A,NOPE\"");
  SqlRecord plain;
  fields.SetCommaText("A");
  EXPECT_EQ(ErrorOf([&] { ops.GetChangedFields(plain.rec, &fields, &result); }),
            "TMemoryRecordGx.GetDataValues: Old values is not accessible.");
}

TEST(SqlResolver, RoutesThroughEventsOrOperations) {
  struct Driver : ISQLDataDriverGx {
    TServerSpecOperationsGx* own = nullptr;
    TServerSpecOperationsGx* named = nullptr;
    int handled = 0;
    TServerSpecOperationsGx* Operations() const override { return own; }
    TServerSpecOperationsGx* NamedOperations() const override { return named; }
    void HandleCommand(TSQLCommandGx*, TMemoryRecordGx*) override { ++handled; }
  } driver;
  TSQLDataDriverResolver resolver;
  TSQLCommandGx cmd;
  bool processed = true;
  EXPECT_EQ(resolver.CommandRequest(&driver, &cmd, processed), -1);
  EXPECT_FALSE(processed);
  EXPECT_EQ(resolver.GetServerSpecOperations(&driver, processed), nullptr);
  EXPECT_FALSE(processed);
  resolver.ExecuteCommand(&driver, &cmd, nullptr, processed);
  EXPECT_TRUE(processed);
  EXPECT_EQ(driver.handled, 1);
  resolver.CommandHook(&driver, &cmd, processed);
  EXPECT_FALSE(processed);
  driver.named = DefaultServerSpecOperations();
  resolver.CommandHook(&driver, &cmd, processed);
  EXPECT_TRUE(processed);
  resolver.SetServerSpecOperations(DefaultServerSpecOperations());
  EXPECT_EQ(resolver.GetServerSpecOperations(&driver, processed), DefaultServerSpecOperations());
  EXPECT_TRUE(processed);
  // Operations of the resolver's own pass the command on to the driver's handler.
  resolver.ExecuteCommand(&driver, &cmd, nullptr, processed);
  EXPECT_EQ(driver.handled, 2);
  // A procedure that takes the command keeps it from the driver.
  resolver.ExecuteProc = [](ISQLDataDriverGx*, TSQLCommandGx*, TMemoryRecordGx*, bool& p) { p = true; };
  resolver.ExecuteCommand(&driver, &cmd, nullptr, processed);
  EXPECT_EQ(driver.handled, 2);
  EXPECT_NE(DefaultSQLDataDriverResolver(), nullptr);
}

// ---------------------------------------------------------------- applying to a provider

namespace {

struct ProviderSetup {
  TMemTableGx provider;
  TDataDriverGx driver{nullptr};
  TMemTableGx table;
  ProviderSetup() {
    MakeTable(provider, "mtblProvider");
    for (int i = 1; i <= 4; ++i) AppendRow(provider, i, "p" + std::to_string(i), i * 10.0);
    driver.SetName("ddMain");
    driver.SetProviderDataSet(&provider);
    driver.SetKeyFields("ID");
    table.SetName("mtblDriven");
    table.SetDataDriver(&driver);
  }
};

}  // namespace

TEST(DataDriver, OpenBuildsTheColumnsAndFetchesAsNeeded) {
  ProviderSetup s;
  s.table.Open();
  EXPECT_EQ(s.table.FieldCount(), 3);
  // Rows come one at a time as the cursor moves past the last one read.
  EXPECT_LT(s.table.RecordsList()->Count(), 4);
  EXPECT_EQ(Ids(s.table), (std::vector<int>{1, 2, 3, 4}));
  EXPECT_TRUE(s.driver.ProviderEof());
  s.table.Close();
  s.table.SetFetchAllOnOpen(true);
  s.table.Open();
  s.table.Next();
  EXPECT_EQ(s.table.RecordsList()->Count(), 4);
}

TEST(DataDriver, AProviderClosedWhileReadingEndsTheReading) {
  ProviderSetup s;
  s.table.Open();
  const int before = s.table.RecordsList()->Count();
  ASSERT_LT(before, 4);
  s.provider.Close();
  // No row is read a second time from a provider opened anew.
  std::vector<int> expected;
  for (int id = 1; id <= before; ++id) expected.push_back(id);
  EXPECT_EQ(Ids(s.table), expected);
  EXPECT_TRUE(s.driver.ProviderEof());
  EXPECT_FALSE(s.provider.Active());
  // Opening the table again reads the provider from its first row.
  s.table.Close();
  s.table.SetFetchAllOnOpen(true);
  s.table.Open();
  EXPECT_EQ(Ids(s.table), (std::vector<int>{1, 2, 3, 4}));
}

TEST(DataDriver, LocateAndFetchRecordsReadFurtherRows) {
  ProviderSetup s;
  s.table.Open();
  EXPECT_TRUE(s.table.Locate("ID", 4, {}));
  EXPECT_EQ(s.table.FieldByName("NAME")->AsString(), "p4");
  s.table.Close();
  s.table.Open();
  const int before = s.table.RecordsList()->Count();
  EXPECT_GE(s.table.FetchRecords(-1), 4 - before);
  EXPECT_EQ(s.table.RecordsList()->Count(), 4);
  EXPECT_EQ(s.table.FetchRecords(5), 0);
}

TEST(DataDriver, CachedChangesGoToTheProvider) {
  ProviderSetup s;
  s.table.SetFetchAllOnOpen(true);
  s.table.Open();
  s.table.SetCachedUpdates(true);
  s.table.Locate("ID", 2, {});
  s.table.Edit();
  s.table.FieldByName("NAME")->SetValue("two");
  s.table.Post();
  s.table.Locate("ID", 3, {});
  s.table.Delete();
  AppendRow(s.table, 9, "nine", 90.0);
  EXPECT_EQ(s.table.ApplyUpdates(), 3);
  EXPECT_FALSE(s.table.HasCachedChanges());
  std::vector<int> ids = Ids(s.provider);
  std::sort(ids.begin(), ids.end());
  EXPECT_EQ(ids, (std::vector<int>{1, 2, 4, 9}));
  EXPECT_EQ(VarToStr(s.provider.Lookup("ID", 2, "NAME")), "two");
}

TEST(DataDriver, AChangeWithoutItsRowIsNeitherCountedNorMerged) {
  ProviderSetup s;
  s.table.SetFetchAllOnOpen(true);
  s.table.Open();
  s.table.SetCachedUpdates(true);
  s.table.Locate("ID", 1, {});
  s.table.Edit();
  s.table.FieldByName("NAME")->SetValue("one");
  s.table.Post();
  s.table.Locate("ID", 2, {});
  s.table.Edit();
  s.table.FieldByName("NAME")->SetValue("lost");
  s.table.Post();
  // Someone else removed row 2 from the provider meanwhile.
  s.provider.Locate("ID", 2, {});
  s.provider.Delete();
  EXPECT_EQ(s.table.ApplyUpdates(), 1);
  EXPECT_TRUE(s.table.HasCachedChanges());
  s.table.Locate("ID", 2, {});
  EXPECT_EQ(s.table.UpdateStatus(), usModified);
  s.table.Locate("ID", 1, {});
  EXPECT_EQ(s.table.UpdateStatus(), usUnmodified);
}

TEST(DataDriver, UpdateErrorActions) {
  ProviderSetup s;
  s.table.SetFetchAllOnOpen(true);
  s.table.Open();
  s.table.SetCachedUpdates(true);
  for (int id : {1, 2, 3}) {
    s.table.Locate("ID", id, {});
    s.table.Edit();
    s.table.FieldByName("NAME")->SetValue("n" + std::to_string(id));
    s.table.Post();
  }
  s.driver.OnUpdateRecord = [](TDataDriverGx*, TMemTableDataGx*, TMemoryRecordGx* rec, bool&) {
    if (rec->Value(0) == Variant(2)) throw EDatabaseError("refused");
  };
  int asked = 0;
  s.driver.OnUpdateError = [&](TDataDriverGx*, TMemTableDataGx*, TMemoryRecordGx*, const Exception& e, int& action) {
    ++asked;
    EXPECT_EQ(e.Message(), "refused");
    action = uaRetainGx;
  };
  EXPECT_EQ(s.table.ApplyUpdates(), 2);
  EXPECT_EQ(asked, 1);
  s.table.Locate("ID", 2, {});
  EXPECT_EQ(s.table.UpdateStatus(), usModified);  // kept pending
  ASSERT_NE(s.driver.UpdateError(s.table.GetActiveMemoryRecord()), nullptr);
  EXPECT_EQ(s.driver.UpdateError(s.table.GetActiveMemoryRecord())->Message(), "refused");
  s.table.Locate("ID", 1, {});
  EXPECT_EQ(s.table.UpdateStatus(), usUnmodified);
  // Without a handler the error passes on.
  s.driver.OnUpdateError = nullptr;
  EXPECT_EQ(ErrorOf([&] { s.table.ApplyUpdates(); }), "refused");
}

TEST(DataDriver, ChangesResolveAtOnceWithCachedUpdatesOff) {
  ProviderSetup s;
  s.table.SetFetchAllOnOpen(true);
  s.table.Open();
  s.table.Locate("ID", 4, {});
  s.table.Edit();
  s.table.FieldByName("AMOUNT")->SetValue(44.0);
  s.table.Post();
  EXPECT_EQ(s.provider.Lookup("ID", 4, "AMOUNT"), Variant(44.0));
  s.table.Delete();
  EXPECT_TRUE(s.provider.Lookup("ID", 4, "AMOUNT").IsEmpty());
  AppendRow(s.table, 7, "seven");
  EXPECT_EQ(VarToStr(s.provider.Lookup("ID", 7, "NAME")), "seven");
  EXPECT_FALSE(s.table.HasCachedChanges());
}

TEST(DataDriver, RefreshRecordReadsTheProviderRow) {
  ProviderSetup s;
  s.table.SetFetchAllOnOpen(true);
  s.table.Open();
  s.provider.Locate("ID", 3, {});
  s.provider.Edit();
  s.provider.FieldByName("NAME")->SetValue("fresh");
  s.provider.Post();
  s.table.Locate("ID", 3, {});
  TMemoryRecordGx* rec = s.table.GetActiveMemoryRecord();
  s.driver.RefreshRecord(s.table.MemTableData(), rec);
  EXPECT_EQ(rec->Value(1), Variant("fresh"));
  rec->SetDataValue(0, rvCurrent, 99);
  EXPECT_EQ(ErrorOf([&] { s.driver.RefreshRecord(s.table.MemTableData(), rec); }), "Key is not found in ProviderDataSet");
}

TEST(DataDriver, OneDriverServesOneTable) {
  ProviderSetup s;
  TMemTableGx other;
  other.SetDataDriver(&s.driver);
  EXPECT_EQ(s.table.DataDriver(), nullptr);
  EXPECT_EQ(s.driver.GetMemTable(), &other);
  EXPECT_EQ(ErrorOf([&] { other.SetExternalMemData(&s.table); }),
            "Assigning to ExternalMemData is not allowed if DataDriver is assigned");
  other.SetDataDriver(nullptr);
  other.SetExternalMemData(&s.table);
  EXPECT_EQ(ErrorOf([&] { other.SetDataDriver(&s.driver); }),
            "Assigning to DataDriver is not allowed if ExternalMemData is assigned");
  EXPECT_EQ(ErrorOf([&] { other.SetExternalMemData(&other); }), "Circular datalinks are not allowed");
}

TEST(DataDriver, AFreedDriverOrProviderIsForgotten) {
  TMemTableGx table;
  auto* provider = new TMemTableGx;
  MakeTable(*provider, "mtblP");
  auto* driver = new TDataDriverGx(nullptr);
  driver->SetProviderDataSet(provider);
  table.SetDataDriver(driver);
  provider->Free();
  EXPECT_EQ(driver->ProviderDataSet(), nullptr);
  driver->Free();
  EXPECT_EQ(table.DataDriver(), nullptr);
}

TEST(ExternalMemData, TwoTablesShareOneStore) {
  TMemTableGx a;
  MakeTable(a, "mtblA");
  AppendRow(a, 1, "a");
  TMemTableGx b;
  b.SetName("mtblB");
  b.SetExternalMemData(&a);
  b.Open();
  EXPECT_EQ(Ids(b), (std::vector<int>{1}));
  b.SetCachedUpdates(true);
  EXPECT_TRUE(a.CachedUpdates());  // the flag is the store's
  AppendRow(b, 2, "b");
  EXPECT_EQ(Ids(a), (std::vector<int>{1, 2}));
  EXPECT_TRUE(a.HasCachedChanges());
  b.Close();
  b.SetExternalMemData(nullptr);
  EXPECT_EQ(ErrorOf([&] { b.Open(); }), "mtblB: MemTable don't have data.");
}

TEST(ExternalMemData, TheOwnerOfTheStoreGoesFirst) {
  auto a = std::make_unique<TMemTableGx>();
  MakeTable(*a, "mtblA");
  AppendRow(*a, 1, "a");
  TMemTableGx b;
  b.SetName("mtblB");
  b.SetExternalMemData(a.get());
  b.Open();
  a.reset();
  EXPECT_FALSE(b.Active());
  EXPECT_EQ(b.ExternalMemData(), nullptr);
  EXPECT_EQ(ErrorOf([&] { b.Open(); }), "mtblB: MemTable don't have data.");
}
