// The memory table's record store against SQLite in memory on the same work: appending rows,
// appending under a unique index, locating keys through the index, sorting (by columns, and
// through a comparison callback against SQLite with the same collation), and editing rows under
// cached updates. Each program run ends with "ratio <case> vs sqlite: <value>" lines (our
// time over SQLite's).
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "memtable/mtdata.h"
#include "memtable/mtindex.h"
#include "memtable/mtrecords.h"
#include "sqlite_collation.h"

namespace {

constexpr int kRows = 20000;

struct Row {
  int id;
  std::string name;
  double amount;
};

const std::vector<Row>& Rows() {
  static const std::vector<Row> rows = [] {
    std::vector<Row> r;
    std::mt19937 rng(7);
    std::vector<int> ids(kRows);
    for (int i = 0; i < kRows; ++i) ids[static_cast<size_t>(i)] = i + 1;
    std::shuffle(ids.begin(), ids.end(), rng);
    for (int i = 0; i < kRows; ++i)
      r.push_back({ids[static_cast<size_t>(i)], "费用垫付单 " + std::to_string(rng() % 1000),
                   static_cast<double>(rng() % 100000) / 100.0});
    return r;
  }();
  return rows;
}

// ---------------------------------------------------------------- ours

std::unique_ptr<TMemTableDataGx> MakeStore(bool indexed) {
  auto store = std::make_unique<TMemTableDataGx>(nullptr);
  TMTDataStructGx* s = store->DataStruct();
  s->CreateField<TMTNumericDataFieldGx>()->SetFieldName("ID");
  auto* name = s->CreateField<TMTStringDataFieldGx>();
  name->SetFieldName("NAME");
  name->SetSize(40);
  auto* amount = s->CreateField<TMTNumericDataFieldGx>();
  amount->SetDataType(ftFloat);
  amount->SetFieldName("AMOUNT");
  if (indexed) {
    TMTIndexGx* index = store->RecordsList()->Indexes()->Add();
    index->SetFields("ID");
    index->SetUnique(true);
    index->SetActive(true);
  }
  return store;
}

void Load(TMemTableDataGx* store) {
  TRecordsListGx* list = store->RecordsList();
  for (const Row& r : Rows()) {
    TMemoryRecordGx* rec = list->NewRecord();
    rec->SetDataValue(0, rvCurrent, r.id);
    rec->SetDataValue(1, rvCurrent, r.name);
    rec->SetDataValue(2, rvCurrent, r.amount);
    list->AddRecord(rec);
  }
}

void LoadOurs(benchmark::State& st) {
  for (auto _ : st) {
    auto store = MakeStore(false);
    Load(store.get());
    benchmark::DoNotOptimize(store->RecordsList()->Count());
  }
}

void LoadIndexedOurs(benchmark::State& st) {
  for (auto _ : st) {
    auto store = MakeStore(true);
    Load(store.get());
    benchmark::DoNotOptimize(store->RecordsList()->Count());
  }
}

void LocateOurs(benchmark::State& st) {
  auto store = MakeStore(true);
  Load(store.get());
  TMTIndexGx* index = store->RecordsList()->Indexes()->Items(0);
  for (auto _ : st) {
    int64_t sum = 0;
    for (const Row& r : Rows()) {
      int at = -1;
      if (index->LocateKey(Variant(r.id), at)) sum += at;
    }
    benchmark::DoNotOptimize(sum);
  }
}

// The store sorted by its columns (what the table's SortData does with stored fields).
void SortOurs(benchmark::State& st) {
  auto store = MakeStore(false);
  Load(store.get());
  TRecordsListGx* list = store->RecordsList();
  bool byAmount = true;
  for (auto _ : st) {
    // Alternating keys, so that no pass starts from a sorted list.
    list->SortByFields(byAmount ? "AMOUNT" : "NAME");
    byAmount = !byAmount;
    benchmark::DoNotOptimize(list->Rec(0));
  }
}

// The same sorts through a comparison callback, which sees two records and nothing else: each
// comparison of texts is a call of the collator, as it is for SQLite with a collation of its
// own, the peer this case is set against.
void SortCallbackOurs(benchmark::State& st) {
  auto store = MakeStore(false);
  Load(store.get());
  TRecordsListGx* list = store->RecordsList();
  bool byAmount = true;
  for (auto _ : st) {
    int column = byAmount ? 2 : 1;
    list->SortData([column](TMemoryRecordGx* a, TMemoryRecordGx* b) { return VarCompare(a->Value(column), b->Value(column)); });
    byAmount = !byAmount;
    benchmark::DoNotOptimize(list->Rec(0));
  }
}

void UpdateOurs(benchmark::State& st) {
  auto store = MakeStore(false);
  Load(store.get());
  TRecordsListGx* list = store->RecordsList();
  list->SetCachedUpdates(true);
  double delta = 0.5;
  for (auto _ : st) {
    for (TMemoryRecordGx* r : list->Records()) {
      r->Edit();
      r->SetDataValue(2, rvCurrent, r->Value(2).AsDouble() + delta);
      r->Post();
    }
    list->MergeChangeLog();
    delta = -delta;
  }
}

// ---------------------------------------------------------------- SQLite

struct Db {
  sqlite3* db = nullptr;
  explicit Db(bool primaryKey) {
    sqlite3_open(":memory:", &db);
    RegisterSameCollation(db);
    Exec(primaryKey ? "CREATE TABLE t(id INTEGER PRIMARY KEY, name TEXT, amount REAL)"
                    : "CREATE TABLE t(id INTEGER, name TEXT, amount REAL)");
  }
  ~Db() { sqlite3_close(db); }
  void Exec(const char* sql) { sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }
  sqlite3_stmt* Prepare(const char* sql) {
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &s, nullptr);
    return s;
  }
  void Load() {
    Exec("BEGIN");
    sqlite3_stmt* s = Prepare("INSERT INTO t(id, name, amount) VALUES (?, ?, ?)");
    for (const Row& r : Rows()) {
      sqlite3_bind_int(s, 1, r.id);
      sqlite3_bind_text(s, 2, r.name.data(), static_cast<int>(r.name.size()), SQLITE_STATIC);
      sqlite3_bind_double(s, 3, r.amount);
      sqlite3_step(s);
      sqlite3_reset(s);
    }
    sqlite3_finalize(s);
    Exec("COMMIT");
  }
};

void LoadSqlite(benchmark::State& st) {
  for (auto _ : st) {
    Db db(false);
    db.Load();
  }
}

void LoadIndexedSqlite(benchmark::State& st) {
  for (auto _ : st) {
    Db db(true);
    db.Load();
  }
}

void LocateSqlite(benchmark::State& st) {
  Db db(true);
  db.Load();
  sqlite3_stmt* s = db.Prepare("SELECT rowid FROM t WHERE id = ?");
  for (auto _ : st) {
    int64_t sum = 0;
    for (const Row& r : Rows()) {
      sqlite3_bind_int(s, 1, r.id);
      if (sqlite3_step(s) == SQLITE_ROW) sum += sqlite3_column_int64(s, 0);
      sqlite3_reset(s);
    }
    benchmark::DoNotOptimize(sum);
  }
  sqlite3_finalize(s);
}

void SortSqliteWith(benchmark::State& st, const char* byNameSql) {
  Db db(false);
  db.Load();
  sqlite3_stmt* byAmount = db.Prepare("SELECT rowid FROM t ORDER BY amount");
  sqlite3_stmt* byName = db.Prepare(byNameSql);
  bool amount = true;
  for (auto _ : st) {
    sqlite3_stmt* s = amount ? byAmount : byName;
    int64_t first = 0;
    while (sqlite3_step(s) == SQLITE_ROW)
      if (!first) first = sqlite3_column_int64(s, 0);
    sqlite3_reset(s);
    amount = !amount;
    benchmark::DoNotOptimize(first);
  }
  sqlite3_finalize(byAmount);
  sqlite3_finalize(byName);
}

void SortSqlite(benchmark::State& st) { SortSqliteWith(st, "SELECT rowid FROM t ORDER BY name"); }
// Texts compared by the same collation as ours.
void SortSqliteZh(benchmark::State& st) { SortSqliteWith(st, "SELECT rowid FROM t ORDER BY name COLLATE ZH"); }

void UpdateSqlite(benchmark::State& st) {
  Db db(false);
  db.Load();
  sqlite3_stmt* s = db.Prepare("UPDATE t SET amount = amount + ? WHERE rowid = ?");
  double delta = 0.5;
  for (auto _ : st) {
    db.Exec("BEGIN");
    for (int i = 1; i <= kRows; ++i) {
      sqlite3_bind_double(s, 1, delta);
      sqlite3_bind_int(s, 2, i);
      sqlite3_step(s);
      sqlite3_reset(s);
    }
    db.Exec("COMMIT");
    delta = -delta;
  }
  sqlite3_finalize(s);
}

class Recorder : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> times;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs)
      if (r.run_type == Run::RT_Iteration) times[r.benchmark_name()] = r.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  Rows();
  const char* names[] = {"store_load", "store_load_indexed", "store_locate", "store_sort", "store_update"};
  void (*ours[])(benchmark::State&) = {LoadOurs, LoadIndexedOurs, LocateOurs, SortOurs, UpdateOurs};
  void (*theirs[])(benchmark::State&) = {LoadSqlite, LoadIndexedSqlite, LocateSqlite, SortSqlite, UpdateSqlite};
  for (size_t i = 0; i < std::size(names); ++i) {
    benchmark::RegisterBenchmark((std::string(names[i]) + "/ours").c_str(), ours[i])->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((std::string(names[i]) + "/sqlite").c_str(), theirs[i])->Unit(benchmark::kMillisecond);
  }
  benchmark::RegisterBenchmark("store_sort/sqlite_zh", SortSqliteZh)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("store_sort_callback/ours", SortCallbackOurs)->Unit(benchmark::kMillisecond);
  Recorder recorder;
  benchmark::RunSpecifiedBenchmarks(&recorder);
  std::printf("\n");
  for (const char* name : names) {
    auto a = recorder.times.find(std::string(name) + "/ours");
    auto b = recorder.times.find(std::string(name) + "/sqlite");
    if (a != recorder.times.end() && b != recorder.times.end() && b->second > 0)
      std::printf("ratio %s vs sqlite: %.2f\n", name, a->second / b->second);
  }
  auto a = recorder.times.find("store_sort/ours"), b = recorder.times.find("store_sort/sqlite_zh");
  if (a != recorder.times.end() && b != recorder.times.end() && b->second > 0)
    std::printf("ratio store_sort vs sqlite_zh: %.2f\n", a->second / b->second);
  a = recorder.times.find("store_sort_callback/ours");
  if (a != recorder.times.end() && b != recorder.times.end() && b->second > 0)
    std::printf("ratio store_sort_callback vs sqlite_zh: %.2f\n", a->second / b->second);
  benchmark::Shutdown();
  return 0;
}
