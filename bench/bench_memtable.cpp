// The memory table side by side with SQLite in memory (":memory:", prepared statements, one
// transaction), on tables of 100,000 and 1,000,000 rows of (integer id, name of 10 to 20
// characters with Chinese text, float amount, date): loading (through the data driver's fetch
// path, and row by row with Append and Post, cached updates on and off), sorting by name then id,
// filtering, Locate with and without an index, a SUM aggregate read again after one edit, and
// inserting a row in the middle under a unique index. It also reports the memory each side holds
// per row.
//
// Differences worth knowing when reading the ratios: our texts sort by the Chinese locale's
// collation (ICU), SQLite's by their bytes; the text cases are therefore also run on SQLite with
// the same collation and the same LIKE (sqlite_collation.h), reported as "vs sqlite_zh". SQLite steps through every row of its result while
// the table answers with its view (the rows are then read by position without further work).
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "memtable/datadriver.h"
#include "memtable/memtable.h"
#include "memtable_rows.h"
#include "sqlite_collation.h"

namespace {

using bench_rows::Data;
using bench_rows::Source;

// ---------------------------------------------------------------- our side

void BuildColumns(TMTDataStructGx* s) {
  auto* id = s->CreateField<TMTNumericDataFieldGx>();
  id->SetNumericDataType(fdtIntegerGx);
  id->SetFieldName("ID");
  auto* name = s->CreateField<TMTStringDataFieldGx>();
  name->SetFieldName("NAME");
  name->SetSize(40);
  auto* amount = s->CreateField<TMTNumericDataFieldGx>();
  amount->SetNumericDataType(fdtFloatGx);
  amount->SetFieldName("AMOUNT");
  auto* date = s->CreateField<TMTDateTimeDataFieldGx>();
  date->SetFieldName("BDATE");
}

// A table fed by a data driver that reads the rows from the arrays (the fetch path).
struct Fed {
  std::unique_ptr<TDataDriverGx> driver;
  std::unique_ptr<TMemTableGx> table;
  TAggregateField* total = nullptr;
  int next = 0;

  explicit Fed(int rows) {
    const Data& d = Source(rows);
    driver = std::make_unique<TDataDriverGx>(nullptr);
    driver->OnBuildDataStruct = [](TDataDriverGx*, TMTDataStructGx* s) { BuildColumns(s); };
    driver->OnReadRecord = [this, &d, rows](TDataDriverGx*, TMemTableDataGx*, TMemoryRecordGx* r, bool& eof) {
      if (next >= rows) {
        eof = true;
        return;
      }
      const size_t i = static_cast<size_t>(next++);
      r->SetDataValue(0, rvCurrent, d.Id[i]);
      r->SetDataValue(1, rvCurrent, d.Name[i]);
      r->SetDataValue(2, rvCurrent, d.Amount[i]);
      r->SetDataValue(3, rvCurrent, Variant::FromDateTime(d.Date[i]));
    };
    table = std::make_unique<TMemTableGx>(nullptr);
    table->SetName("mtblBench");
    table->SetDataDriver(driver.get());
  }
  ~Fed() {
    table.reset();
    driver.reset();
  }
  void Load() {
    next = 0;
    table->Open();
    table->Last();
  }
};

// A table built with its columns and loaded by the fetch path, then left without its driver so
// that the cases below work on the rows alone.
struct Shared {
  std::unique_ptr<Fed> fed;
  TMemTableGx& T() { return *fed->table; }
};

Shared& SharedTable(int rows) {
  static std::map<int, std::unique_ptr<Shared>> cache;
  auto& slot = cache[rows];
  if (!slot) {
    slot = std::make_unique<Shared>();
    slot->fed = std::make_unique<Fed>(rows);
    TMemTableGx& t = *slot->fed->table;
    // The aggregate field exists from the start; the aggregates are switched on only for their case.
    t.SetFetchAllOnOpen(true);
    slot->fed->Load();
    // The rows stay; the structure comes from the store from now on.
    t.Close();
    t.SetDataDriver(nullptr);
    auto* total = new TAggregateField(&t);
    total->SetFieldName("TOTAL");
    total->SetExpression("SUM(AMOUNT)");
    total->SetActive(true);
    total->SetDataSet(&t);
    slot->fed->total = total;
    t.Open();
  }
  return *slot;
}

// ---------------------------------------------------------------- SQLite

struct Sql {
  sqlite3* db = nullptr;
  Sql() {
    sqlite3_open(":memory:", &db);
    RegisterSameCollation(db);
  }
  ~Sql() { sqlite3_close(db); }
  void Exec(const char* sql) { sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }
  sqlite3_stmt* Prepare(const char* sql) {
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &s, nullptr);
    return s;
  }
  // Creates table `name` and inserts the rows in one transaction through a prepared statement.
  void Load(const char* name, int rows) { bench_rows::InsertRows(db, name, Source(rows)); }
};

Sql& SharedSql(int rows) {
  static std::map<int, std::unique_ptr<Sql>> cache;
  auto& slot = cache[rows];
  if (!slot) {
    slot = std::make_unique<Sql>();
    slot->Exec("CREATE TABLE t (id INTEGER, name TEXT, amount REAL, bdate REAL)");
    slot->Load("t", rows);
  }
  return *slot;
}

int64_t Steps(sqlite3_stmt* stmt) {
  int64_t sum = 0;
  while (sqlite3_step(stmt) == SQLITE_ROW) sum += sqlite3_column_int64(stmt, 0);
  sqlite3_reset(stmt);
  return sum;
}

// ---------------------------------------------------------------- cases

int RowsOf(const benchmark::State& s) { return static_cast<int>(s.range(0)); }

void load_fetch_ours(benchmark::State& state) {
  const int rows = RowsOf(state);
  for (auto _ : state) {
    state.PauseTiming();
    auto fed = std::make_unique<Fed>(rows);
    state.ResumeTiming();
    fed->Load();
    benchmark::DoNotOptimize(fed->table->RecordCount());
    state.PauseTiming();
    fed.reset();
    state.ResumeTiming();
  }
}

void LoadSqlite(benchmark::State& state) {
  const int rows = RowsOf(state);
  Sql sql;
  for (auto _ : state) {
    state.PauseTiming();
    sql.Exec("DROP TABLE IF EXISTS l");
    sql.Exec("CREATE TABLE l (id INTEGER, name TEXT, amount REAL, bdate REAL)");
    state.ResumeTiming();
    sql.Load("l", rows);
  }
}

void load_fetch_sqlite(benchmark::State& s) { LoadSqlite(s); }
void load_append_sqlite(benchmark::State& s) { LoadSqlite(s); }
void load_append_cached_sqlite(benchmark::State& s) { LoadSqlite(s); }

void AppendOurs(benchmark::State& state, bool cached) {
  const int rows = RowsOf(state);
  const Data& d = Source(rows);
  for (auto _ : state) {
    state.PauseTiming();
    auto t = bench_rows::EmptyTable();
    t->SetCachedUpdates(cached);
    TField* id = t->FieldByName("ID");
    TField* name = t->FieldByName("NAME");
    TField* amount = t->FieldByName("AMOUNT");
    TField* date = t->FieldByName("BDATE");
    state.ResumeTiming();
    for (int i = 0; i < rows; ++i) {
      const size_t k = static_cast<size_t>(i);
      t->Append();
      id->SetAsInteger(d.Id[k]);
      name->SetAsString(d.Name[k]);
      amount->SetAsFloat(d.Amount[k]);
      date->SetAsDateTime(d.Date[k]);
      t->Post();
    }
    benchmark::DoNotOptimize(t->RecordCount());
    state.PauseTiming();
    t.reset();
    state.ResumeTiming();
  }
}

void load_append_ours(benchmark::State& s) { AppendOurs(s, false); }
void load_append_cached_ours(benchmark::State& s) { AppendOurs(s, true); }

void sort_ours(benchmark::State& state) {
  TMemTableGx& t = SharedTable(RowsOf(state)).T();
  for (auto _ : state) {
    t.SetSortOrder("NAME;ID");
    benchmark::DoNotOptimize(t.FieldByName("ID")->AsInteger());
    state.PauseTiming();
    t.SetSortOrder("");
    state.ResumeTiming();
  }
}

void sort_sqlite(benchmark::State& state) {
  Sql& sql = SharedSql(RowsOf(state));
  sqlite3_stmt* stmt = sql.Prepare("SELECT id FROM t ORDER BY name, id");
  for (auto _ : state) benchmark::DoNotOptimize(Steps(stmt));
  sqlite3_finalize(stmt);
}

void sort_sqlite_zh(benchmark::State& state) {
  Sql& sql = SharedSql(RowsOf(state));
  sqlite3_stmt* stmt = sql.Prepare("SELECT id FROM t ORDER BY name COLLATE ZH, id");
  for (auto _ : state) benchmark::DoNotOptimize(Steps(stmt));
  sqlite3_finalize(stmt);
}

void FilterOurs(benchmark::State& state, const char* text) {
  TMemTableGx& t = SharedTable(RowsOf(state)).T();
  t.SetFilter(text);
  for (auto _ : state) {
    t.SetFiltered(true);
    benchmark::DoNotOptimize(t.RecordCount());
    state.PauseTiming();
    t.SetFiltered(false);
    state.ResumeTiming();
  }
  t.SetFilter("");
}

void FilterSqlite(benchmark::State& state, const char* text) {
  Sql& sql = SharedSql(RowsOf(state));
  sqlite3_stmt* stmt = sql.Prepare(text);
  for (auto _ : state) benchmark::DoNotOptimize(Steps(stmt));
  sqlite3_finalize(stmt);
}

void filter_like_ours(benchmark::State& s) { FilterOurs(s, "NAME LIKE 'A%'"); }
void filter_like_sqlite(benchmark::State& s) { FilterSqlite(s, "SELECT id FROM t WHERE name LIKE 'A%'"); }
void filter_like_sqlite_zh(benchmark::State& s) { FilterSqlite(s, "SELECT id FROM t WHERE zh_like(name, 'A%')"); }
void filter_amount_ours(benchmark::State& s) { FilterOurs(s, "AMOUNT > 100"); }
void filter_amount_sqlite(benchmark::State& s) { FilterSqlite(s, "SELECT id FROM t WHERE amount > 100"); }

// Keys spread over the whole table, the same on both sides.
std::vector<int> Keys(int rows, int count) {
  std::mt19937 rng(7);
  std::vector<int> keys;
  for (int i = 0; i < count; ++i) keys.push_back(static_cast<int>(rng() % static_cast<unsigned>(rows)) * 2);
  return keys;
}

void locate_scan_ours(benchmark::State& state) {
  TMemTableGx& t = SharedTable(RowsOf(state)).T();
  const std::vector<int> keys = Keys(RowsOf(state), 64);
  size_t k = 0;
  for (auto _ : state) benchmark::DoNotOptimize(t.Locate("ID", keys[k++ % keys.size()], {}));
}

void locate_scan_sqlite(benchmark::State& state) {
  Sql& sql = SharedSql(RowsOf(state));
  sqlite3_stmt* stmt = sql.Prepare("SELECT rowid FROM t WHERE id = ? LIMIT 1");
  const std::vector<int> keys = Keys(RowsOf(state), 64);
  size_t k = 0;
  for (auto _ : state) {
    sqlite3_bind_int(stmt, 1, keys[k++ % keys.size()]);
    benchmark::DoNotOptimize(Steps(stmt));
  }
  sqlite3_finalize(stmt);
}

void EnsureIndexes(int rows) {
  TMemTableGx& t = SharedTable(rows).T();
  if (t.IndexDefs()->Count() == 0) {
    t.IndexDefs()->Add("PK", "ID", {ixUnique});
    t.CreateIndexesFromDefs();
  }
  SharedSql(rows).Exec("CREATE UNIQUE INDEX IF NOT EXISTS t_id ON t (id)");
}

void locate_index_ours(benchmark::State& state) {
  EnsureIndexes(RowsOf(state));
  TMemTableGx& t = SharedTable(RowsOf(state)).T();
  const std::vector<int> keys = Keys(RowsOf(state), 4096);
  size_t k = 0;
  for (auto _ : state) benchmark::DoNotOptimize(t.Locate("ID", keys[k++ % keys.size()], {}));
}

void locate_index_sqlite(benchmark::State& state) {
  EnsureIndexes(RowsOf(state));
  Sql& sql = SharedSql(RowsOf(state));
  sqlite3_stmt* stmt = sql.Prepare("SELECT rowid FROM t WHERE id = ?");
  const std::vector<int> keys = Keys(RowsOf(state), 4096);
  size_t k = 0;
  for (auto _ : state) {
    sqlite3_bind_int(stmt, 1, keys[k++ % keys.size()]);
    benchmark::DoNotOptimize(Steps(stmt));
  }
  sqlite3_finalize(stmt);
}

void aggregate_ours(benchmark::State& state) {
  Shared& shared = SharedTable(RowsOf(state));
  TMemTableGx& t = shared.T();
  t.SetAggregatesActive(true);
  const std::vector<int> keys = Keys(RowsOf(state), 1024);
  TField* amount = t.FieldByName("AMOUNT");
  size_t k = 0;
  for (auto _ : state) {
    t.SetRecNo(keys[k++ % keys.size()] / 2 + 1);
    t.Edit();
    amount->SetAsFloat(amount->AsFloat() + 1.0);
    t.Post();
    benchmark::DoNotOptimize(shared.fed->total->AsFloat());
  }
  t.SetAggregatesActive(false);
}

void aggregate_sqlite(benchmark::State& state) {
  Sql& sql = SharedSql(RowsOf(state));
  sqlite3_stmt* update = sql.Prepare("UPDATE t SET amount = amount + 1 WHERE rowid = ?");
  sqlite3_stmt* sum = sql.Prepare("SELECT SUM(amount) FROM t");
  const std::vector<int> keys = Keys(RowsOf(state), 1024);
  size_t k = 0;
  sql.Exec("BEGIN");
  for (auto _ : state) {
    sqlite3_bind_int(update, 1, keys[k++ % keys.size()] / 2 + 1);
    sqlite3_step(update);
    sqlite3_reset(update);
    sqlite3_step(sum);
    benchmark::DoNotOptimize(sqlite3_column_double(sum, 0));
    sqlite3_reset(sum);
  }
  sql.Exec("COMMIT");
  sqlite3_finalize(update);
  sqlite3_finalize(sum);
}

void insert_middle_ours(benchmark::State& state) {
  const int rows = RowsOf(state);
  EnsureIndexes(rows);
  TMemTableGx& t = SharedTable(rows).T();
  TField* id = t.FieldByName("ID");
  TField* name = t.FieldByName("NAME");
  TField* amount = t.FieldByName("AMOUNT");
  static std::map<int, int> nextKey;  // the case runs more than once: keys stay unique
  int& key = nextKey.emplace(rows, 1).first->second;
  for (auto _ : state) {
    t.SetRecNo(t.RecordCount() / 2);
    t.Insert();
    id->SetAsInteger(key);
    name->SetAsString("M中间插入的一行");
    amount->SetAsFloat(1.0);
    t.Post();
    key += 2;
  }
}

void insert_middle_sqlite(benchmark::State& state) {
  const int rows = RowsOf(state);
  EnsureIndexes(rows);
  Sql& sql = SharedSql(rows);
  sqlite3_stmt* ins = sql.Prepare("INSERT INTO t VALUES (?, ?, ?, NULL)");
  static std::map<int, int> nextKey;
  int& key = nextKey.emplace(rows, 1).first->second;
  sql.Exec("BEGIN");
  for (auto _ : state) {
    sqlite3_bind_int(ins, 1, key);
    sqlite3_bind_text(ins, 2, "M中间插入的一行", -1, SQLITE_STATIC);
    sqlite3_bind_double(ins, 3, 1.0);
    sqlite3_step(ins);
    sqlite3_reset(ins);
    key += 2;
  }
  sql.Exec("COMMIT");
  sqlite3_finalize(ins);
}

// One field of one row changed through the dataset: Edit, a new value, Post (no sort, no filter,
// no aggregates).
void edit_post_ours(benchmark::State& state) {
  TMemTableGx& t = SharedTable(RowsOf(state)).T();
  const std::vector<int> keys = Keys(RowsOf(state), 1024);
  TField* amount = t.FieldByName("AMOUNT");
  size_t k = 0;
  for (auto _ : state) {
    t.SetRecNo(keys[k++ % keys.size()] / 2 + 1);
    t.Edit();
    amount->SetAsFloat(amount->AsFloat() + 1.0);
    t.Post();
  }
}

void edit_post_sqlite(benchmark::State& state) {
  Sql& sql = SharedSql(RowsOf(state));
  sqlite3_stmt* update = sql.Prepare("UPDATE t SET amount = amount + 1 WHERE rowid = ?");
  const std::vector<int> keys = Keys(RowsOf(state), 1024);
  size_t k = 0;
  sql.Exec("BEGIN");
  for (auto _ : state) {
    sqlite3_bind_int(update, 1, keys[k++ % keys.size()] / 2 + 1);
    sqlite3_step(update);
    sqlite3_reset(update);
  }
  sql.Exec("COMMIT");
  sqlite3_finalize(update);
}

// A row inserted in the middle under the unique index, then deleted again: the table keeps its
// size whatever the number of iterations.
void insert_delete_middle_ours(benchmark::State& state) {
  const int rows = RowsOf(state);
  EnsureIndexes(rows);
  TMemTableGx& t = SharedTable(rows).T();
  TField* id = t.FieldByName("ID");
  TField* name = t.FieldByName("NAME");
  TField* amount = t.FieldByName("AMOUNT");
  for (auto _ : state) {
    t.SetRecNo(t.RecordCount() / 2);
    t.Insert();
    id->SetAsInteger(-1);
    name->SetAsString("M中间插入的一行");
    amount->SetAsFloat(1.0);
    t.Post();
    t.Delete();
  }
}

void insert_delete_middle_sqlite(benchmark::State& state) {
  const int rows = RowsOf(state);
  EnsureIndexes(rows);
  Sql& sql = SharedSql(rows);
  sqlite3_stmt* ins = sql.Prepare("INSERT INTO t VALUES (?, ?, ?, NULL)");
  sqlite3_stmt* del = sql.Prepare("DELETE FROM t WHERE rowid = ?");
  sql.Exec("BEGIN");
  for (auto _ : state) {
    sqlite3_bind_int(ins, 1, -1);
    sqlite3_bind_text(ins, 2, "M中间插入的一行", -1, SQLITE_STATIC);
    sqlite3_bind_double(ins, 3, 1.0);
    sqlite3_step(ins);
    sqlite3_reset(ins);
    sqlite3_bind_int64(del, 1, sqlite3_last_insert_rowid(sql.db));
    sqlite3_step(del);
    sqlite3_reset(del);
  }
  sql.Exec("COMMIT");
  sqlite3_finalize(ins);
  sqlite3_finalize(del);
}

class Recorder : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.run_type != Run::RT_Iteration) continue;
      const std::string name = r.benchmark_name();
      auto it = times.find(name);
      // Processor time: the machine is shared, and both sides run on this one thread.
      if (it == times.end() || r.GetAdjustedCPUTime() < it->second) times[name] = r.GetAdjustedCPUTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> times;
};

size_t HeapInUse() { return mallinfo2().uordblks; }

// The process's resident memory in bytes (what the system sees, allocator slack included).
size_t Resident() {
  size_t pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%zu %zu", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident * static_cast<size_t>(sysconf(_SC_PAGESIZE));
}

// What one side's load took: heap in use and resident memory, in bytes.
struct Use {
  double heap = 0, resident = 0;
};

// Runs a measurement in a process forked for it: the heap and the small-block free lists then hold
// nothing that earlier cases or the other side left, which a load could reuse unseen.
template <class Measure>
Use Apart(Measure measure) {
  int fds[2];
  std::fflush(stdout);
  if (pipe(fds) != 0) return measure();
  const pid_t pid = fork();
  if (pid < 0) {
    close(fds[0]);
    close(fds[1]);
    return measure();
  }
  if (pid == 0) {
    close(fds[0]);
    const Use use = measure();
    const bool written = write(fds[1], &use, sizeof use) == static_cast<ssize_t>(sizeof use);
    _exit(written ? 0 : 1);
  }
  close(fds[1]);
  Use use;
  if (read(fds[0], &use, sizeof use) != static_cast<ssize_t>(sizeof use)) use = Use{};
  close(fds[0]);
  waitpid(pid, nullptr, 0);
  return use;
}

void ReportMemory(int rows) {
  Source(rows);  // the source rows exist before either side is measured
  const Use ours = Apart([rows] {
    malloc_trim(0);
    const size_t heap = HeapInUse();
    const size_t resident = Resident();
    Fed fed(rows);
    fed.Load();
    return Use{static_cast<double>(HeapInUse()) - static_cast<double>(heap),
               static_cast<double>(Resident()) - static_cast<double>(resident)};
  });
  const Use peer = Apart([rows] {
    malloc_trim(0);
    const sqlite3_int64 heap = sqlite3_memory_used();
    const size_t resident = Resident();
    Sql sql;
    sql.Exec("CREATE TABLE m (id INTEGER, name TEXT, amount REAL, bdate REAL)");
    sql.Load("m", rows);
    return Use{static_cast<double>(sqlite3_memory_used() - heap),
               static_cast<double>(Resident()) - static_cast<double>(resident)};
  });
  std::printf("memory per row (%d rows): table %.1f bytes, sqlite %.1f bytes\n", rows, ours.heap / rows,
              peer.heap / rows);
  std::printf("resident growth per row (%d rows): table %.1f bytes, sqlite %.1f bytes\n", rows,
              ours.resident / rows, peer.resident / rows);
  const char* size = rows > 100000 ? "1m" : "100k";
  std::printf("ratio memory_per_row_%s vs sqlite: %.2f\n", size, ours.heap / peer.heap);
  std::printf("ratio resident_per_row_%s vs sqlite: %.2f\n", size, ours.resident / peer.resident);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  struct Case {
    const char* name;
    void (*ours)(benchmark::State&);
    void (*peer)(benchmark::State&);
    void (*sameCollation)(benchmark::State&) = nullptr;
  };
  const Case cases[] = {
      {"load_fetch", load_fetch_ours, load_fetch_sqlite},
      {"load_append", load_append_ours, load_append_sqlite},
      {"load_append_cached", load_append_cached_ours, load_append_cached_sqlite},
      {"sort", sort_ours, sort_sqlite, sort_sqlite_zh},
      {"filter_like", filter_like_ours, filter_like_sqlite, filter_like_sqlite_zh},
      {"filter_amount", filter_amount_ours, filter_amount_sqlite},
      {"locate_scan", locate_scan_ours, locate_scan_sqlite},
      {"locate_index", locate_index_ours, locate_index_sqlite},
      {"aggregate", aggregate_ours, aggregate_sqlite},
      {"insert_middle", insert_middle_ours, insert_middle_sqlite},
      {"insert_delete_middle", insert_delete_middle_ours, insert_delete_middle_sqlite},
      {"edit_post", edit_post_ours, edit_post_sqlite},
  };
  // The cases whose cost must not grow with the table are also run on a small table.
  const char* const growth[] = {"edit_post", "insert_middle", "insert_delete_middle"};
  constexpr int kSmall = 10000;
  const int sizes[] = {100000, 1000000};
  for (int rows : sizes) {
    for (const Case& c : cases) {
      const bool heavy = std::string(c.name).rfind("load", 0) == 0;
      for (int side = 0; side < 2; ++side) {
        std::string name = std::string(c.name) + (side == 0 ? "_ours" : "_sqlite");
        auto* b = benchmark::RegisterBenchmark(name.c_str(), side == 0 ? c.ours : c.peer)->Arg(rows);
        b->Unit(heavy ? benchmark::kMillisecond : benchmark::kMicrosecond);
        // A load's first run also pays for fresh memory from the system, whichever side runs
        // first: each side's loads run three times and the fastest counts.
        if (heavy) b->Iterations(rows > 100000 ? 1 : 3)->Repetitions(3);
      }
      if (c.sameCollation)
        benchmark::RegisterBenchmark((std::string(c.name) + "_sqlite_zh").c_str(), c.sameCollation)
            ->Arg(rows)
            ->Unit(benchmark::kMicrosecond);
    }
  }
  for (const Case& c : cases)
    for (const char* g : growth)
      if (std::string(c.name) == g)
        benchmark::RegisterBenchmark((std::string(c.name) + "_ours").c_str(), c.ours)
            ->Arg(kSmall)
            ->Unit(benchmark::kMicrosecond);
  Recorder recorder;
  benchmark::RunSpecifiedBenchmarks(&recorder);
  std::printf("\n");
  if (!std::getenv("BENCH_NO_MEMORY"))
    for (int rows : sizes) ReportMemory(rows);
  for (int rows : sizes) {
    for (const Case& c : cases) {
      const std::string suffix = "/" + std::to_string(rows);
      const std::string limit = "/iterations:" + std::to_string(rows > 100000 ? 1 : 3);
      auto find = [&](const std::string& base) {
        auto it = recorder.times.find(base + suffix);
        if (it == recorder.times.end()) it = recorder.times.find(base + suffix + limit);
        if (it == recorder.times.end()) it = recorder.times.find(base + suffix + limit + "/repeats:3");
        return it;
      };
      auto ours = find(std::string(c.name) + "_ours");
      auto peer = find(std::string(c.name) + "_sqlite");
      if (ours != recorder.times.end() && peer != recorder.times.end() && peer->second > 0)
        std::printf("ratio %s_%s vs sqlite: %.2f\n", c.name, rows > 100000 ? "1m" : "100k", ours->second / peer->second);
      auto same = find(std::string(c.name) + "_sqlite_zh");
      if (ours != recorder.times.end() && same != recorder.times.end() && same->second > 0)
        std::printf("ratio %s_%s vs sqlite_zh: %.2f\n", c.name, rows > 100000 ? "1m" : "100k", ours->second / same->second);
    }
  }
  for (const char* g : growth) {
    auto at = [&](int rows) {
      auto it = recorder.times.find(std::string(g) + "_ours/" + std::to_string(rows));
      return it == recorder.times.end() ? 0.0 : it->second;
    };
    if (at(kSmall) > 0 && at(100000) > 0 && at(1000000) > 0)
      std::printf("growth %s 1m over 100k: %.2f, 1m over 10k: %.2f\n", g, at(1000000) / at(100000),
                  at(1000000) / at(kSmall));
  }
  benchmark::Shutdown();
  return 0;
}
