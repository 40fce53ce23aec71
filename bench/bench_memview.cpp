// The records view and the expression evaluator side by side with SQLite in memory, on one table
// of 100,000 rows (ID, NAME of eight letters, AMOUNT): sorting, filtering by an expression and
// aggregating. Our side works on a record store with a records view over it; SQLite runs the
// equivalent query and steps through every result row.
//
// Differences worth knowing when reading the ratios: texts sort here by the Chinese locale's
// collation (ICU) while SQLite compares bytes; our LIKE is case-sensitive and SQLite's is not for
// ASCII letters. The text cases also run on SQLite with the same collation and the same LIKE
// (sqlite_collation.h), reported as "vs sqlite_zh".
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "memtable/exprevaluator.h"
#include "memtable/mtdata.h"
#include "memtable/mtrecords.h"
#include "memtable/recordsview.h"
#include "ratio_report.h"
#include "sqlite_collation.h"

namespace {

constexpr int Rows = 100000;

struct Data {
  std::vector<int> Id;
  std::vector<std::string> Name;
  std::vector<double> Amount;
};

const Data& Source() {
  static const Data d = [] {
    Data data;
    std::mt19937 rng(42);
    for (int i = 0; i < Rows; ++i) {
      data.Id.push_back(i);
      std::string name;
      for (int k = 0; k < 8; ++k) name += static_cast<char>('a' + rng() % 26);
      data.Name.push_back(name);
      data.Amount.push_back(static_cast<double>(rng() % 100000) / 100.0);
    }
    return data;
  }();
  return d;
}

struct Ours {
  TMemTableDataGx* Store = nullptr;
  TRecordsViewGx* View = nullptr;
};

Ours& OursTable() {
  static Ours o = [] {
    Ours t;
    t.Store = new TMemTableDataGx(nullptr);
    TMTDataStructGx* s = t.Store->DataStruct();
    auto* id = s->CreateField<TMTNumericDataFieldGx>();
    id->SetNumericDataType(fdtIntegerGx);
    id->SetFieldName("ID");
    auto* name = s->CreateField<TMTStringDataFieldGx>();
    name->SetFieldName("NAME");
    auto* amount = s->CreateField<TMTNumericDataFieldGx>();
    amount->SetNumericDataType(fdtFloatGx);
    amount->SetFieldName("AMOUNT");
    const Data& d = Source();
    TRecordsListGx* list = t.Store->RecordsList();
    for (int i = 0; i < Rows; ++i) {
      TMemoryRecordGx* r = list->NewRecord();
      r->SetDataValue(0, rvCurrent, d.Id[i]);
      r->SetDataValue(1, rvCurrent, d.Name[i]);
      r->SetDataValue(2, rvCurrent, d.Amount[i]);
      list->FetchRecord(r);
    }
    t.View = new TRecordsViewGx(nullptr);
    t.View->SetMemTableData(t.Store);
    return t;
  }();
  return o;
}

sqlite3* Sqlite() {
  static sqlite3* db = [] {
    sqlite3* h = nullptr;
    sqlite3_open(":memory:", &h);
    RegisterSameCollation(h);
    sqlite3_exec(h, "CREATE TABLE t (id INTEGER, name TEXT, amount REAL)", nullptr, nullptr, nullptr);
    sqlite3_exec(h, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* ins = nullptr;
    sqlite3_prepare_v2(h, "INSERT INTO t VALUES (?, ?, ?)", -1, &ins, nullptr);
    const Data& d = Source();
    for (int i = 0; i < Rows; ++i) {
      sqlite3_bind_int(ins, 1, d.Id[i]);
      sqlite3_bind_text(ins, 2, d.Name[i].c_str(), -1, SQLITE_STATIC);
      sqlite3_bind_double(ins, 3, d.Amount[i]);
      sqlite3_step(ins);
      sqlite3_reset(ins);
    }
    sqlite3_finalize(ins);
    sqlite3_exec(h, "COMMIT", nullptr, nullptr, nullptr);
    return h;
  }();
  return db;
}

// Steps through every row of a query, reading the first column as an integer.
int64_t RunQuery(sqlite3_stmt* stmt) {
  int64_t sum = 0;
  while (sqlite3_step(stmt) == SQLITE_ROW) sum += sqlite3_column_int64(stmt, 0);
  sqlite3_reset(stmt);
  return sum;
}


// ---- sorting

void SortOurs(benchmark::State& state, const char* order) {
  Ours& t = OursTable();
  for (auto _ : state) {
    t.View->SetOrderByStr(order);
    benchmark::DoNotOptimize(t.View->FlatRecord(0));
    state.PauseTiming();
    t.View->SetOrderByStr("");
    state.ResumeTiming();
  }
}

void SortSqlite(benchmark::State& state, const char* sql) {
  sqlite3_stmt* stmt = nullptr;
  sqlite3_prepare_v2(Sqlite(), sql, -1, &stmt, nullptr);
  for (auto _ : state) benchmark::DoNotOptimize(RunQuery(stmt));
  sqlite3_finalize(stmt);
}

void sort_amount_ours(benchmark::State& s) { SortOurs(s, "AMOUNT, ID"); }
void sort_amount_sqlite(benchmark::State& s) { SortSqlite(s, "SELECT id FROM t ORDER BY amount, id"); }
void sort_name_ours(benchmark::State& s) { SortOurs(s, "NAME, ID"); }
void sort_name_sqlite(benchmark::State& s) { SortSqlite(s, "SELECT id FROM t ORDER BY name, id"); }
void sort_name_sqlite_zh(benchmark::State& s) { SortSqlite(s, "SELECT id FROM t ORDER BY name COLLATE ZH, id"); }

// ---- filtering: the view rebuilt with the expression as its filter

void FilterOurs(benchmark::State& state, const char* text) {
  Ours& t = OursTable();
  TDataSetExprParserGx parser(nullptr, TDataSetExprParserGx::ekFilter);
  parser.SetFieldResolver(StoreFieldResolver(OursTable().Store->DataStruct()));
  parser.SetReadsRecordValues(true);
  parser.ParseExpression(text);
  t.View->FilterRecordCallback = [&parser](TMemoryRecordGx* rec) { return parser.CalcFilterResult(rec); };
  for (auto _ : state) {
    t.View->RebuildView();
    benchmark::DoNotOptimize(t.View->ViewItemsCount());
  }
  t.View->FilterRecordCallback = nullptr;
  t.View->RebuildView();
}

void filter_numbers_ours(benchmark::State& s) { FilterOurs(s, "AMOUNT > 500 AND ID < 90000"); }
void filter_numbers_sqlite(benchmark::State& s) { SortSqlite(s, "SELECT id FROM t WHERE amount > 500 AND id < 90000"); }
void filter_like_ours(benchmark::State& s) { FilterOurs(s, "NAME LIKE 'ab%' OR NAME LIKE '%zz%'"); }
void filter_like_sqlite(benchmark::State& s) { SortSqlite(s, "SELECT id FROM t WHERE name LIKE 'ab%' OR name LIKE '%zz%'"); }
void filter_like_sqlite_zh(benchmark::State& s) {
  SortSqlite(s, "SELECT id FROM t WHERE zh_like(name, 'ab%') OR zh_like(name, '%zz%')");
}

// ---- aggregates over the whole view

void AggregateOurs(benchmark::State& state, const char* text) {
  Ours& t = OursTable();
  TDataSetExprParserGx parser(nullptr, TDataSetExprParserGx::ekAggregate);
  parser.SetFieldResolver(StoreFieldResolver(OursTable().Store->DataStruct()));
  parser.ParseExpression(text);
  for (auto _ : state) {
    Variant v;
    parser.CalcAggregateValue(*t.View, v);
    benchmark::DoNotOptimize(v);
  }
}

void aggregate_sum_ours(benchmark::State& s) { AggregateOurs(s, "SUM(AMOUNT)"); }
void aggregate_sum_sqlite(benchmark::State& s) { SortSqlite(s, "SELECT SUM(amount) FROM t"); }
void aggregate_mixed_ours(benchmark::State& s) { AggregateOurs(s, "SUM(AMOUNT * 2) / COUNT(*) + MAX(ID)"); }
void aggregate_mixed_sqlite(benchmark::State& s) { SortSqlite(s, "SELECT SUM(amount * 2) / COUNT(*) + MAX(id) FROM t"); }


}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  const char* cases[] = {"sort_amount", "sort_name", "filter_numbers", "filter_like", "aggregate_sum",
                         "aggregate_mixed"};
  benchmark::RegisterBenchmark("sort_amount_ours", sort_amount_ours)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("sort_amount_sqlite", sort_amount_sqlite)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("sort_name_ours", sort_name_ours)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("sort_name_sqlite", sort_name_sqlite)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("filter_numbers_ours", filter_numbers_ours)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("filter_numbers_sqlite", filter_numbers_sqlite)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("filter_like_ours", filter_like_ours)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("filter_like_sqlite", filter_like_sqlite)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("sort_name_sqlite_zh", sort_name_sqlite_zh)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("filter_like_sqlite_zh", filter_like_sqlite_zh)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("aggregate_sum_ours", aggregate_sum_ours)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("aggregate_sum_sqlite", aggregate_sum_sqlite)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("aggregate_mixed_ours", aggregate_mixed_ours)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("aggregate_mixed_sqlite", aggregate_mixed_sqlite)->Unit(benchmark::kMillisecond);
  RatioRecorder recorder;
  benchmark::RunSpecifiedBenchmarks(&recorder);
  std::printf("\n");
  for (const char* c : cases) recorder.PrintRatio(std::string(c) + "_ours", std::string(c) + "_sqlite", c, "sqlite");
  for (const char* c : {"sort_name", "filter_like"})
    recorder.PrintRatio(std::string(c) + "_ours", std::string(c) + "_sqlite_zh", c, "sqlite_zh");
  benchmark::Shutdown();
  return 0;
}
