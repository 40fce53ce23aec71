// The grid's summary engine side by side with SQLite in memory (":memory:", prepared statements),
// on 100,000 rows of (integer id, float amount with a null in every tenth row): the full pass
// that computes a sum, an average, a count of values and a count of records, against one SELECT
// of the four aggregates; and one edit of an amount followed by reading the sum, which the
// engine keeps up to date from the record's own events while SQLite scans the table again.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <memory>
#include <string>

#include "ratio_report.h"
#include "grid/summary.h"
#include "memtable/memtable.h"

namespace {

constexpr int kRows = 100000;

double AmountOf(int i) { return static_cast<double>((i * 7919) % 100000) / 100.0; }

struct Ours {
  TComponent owner{nullptr};
  TMemTableGx table{&owner};
  TDBSumListProducer sums{&owner};
  TDBSum* sum = nullptr;
  Ours() {
    table.FieldDefs().Add("ID", ftInteger);
    table.FieldDefs().Add("AMOUNT", ftFloat);
    table.CreateDataSet();
    TField* id = table.FieldByName("ID");
    TField* amount = table.FieldByName("AMOUNT");
    for (int i = 0; i < kRows; ++i) {
      table.Append();
      id->SetValue(i);
      if (i % 10 != 0) amount->SetValue(AmountOf(i));
      table.Post();
    }
    auto add = [&](TGroupOperation op, const char* field) {
      auto* item = static_cast<TDBSum*>(sums.SumCollection()->Add());
      item->SetGroupOperation(op);
      item->SetFieldName(field);
      return item;
    };
    sum = add(goSum, "AMOUNT");
    add(goAvg, "AMOUNT");
    add(goCount, "AMOUNT");
    add(goCount, "");
    sums.SetDataSet(&table);
    sums.SetActive(true);
  }
};

Ours& SharedOurs() {
  static Ours ours;
  return ours;
}

struct Sql {
  sqlite3* db = nullptr;
  sqlite3_stmt* all = nullptr;
  sqlite3_stmt* sum = nullptr;
  sqlite3_stmt* update = nullptr;
  Sql() {
    sqlite3_open(":memory:", &db);
    sqlite3_exec(db, "CREATE TABLE t (id INTEGER PRIMARY KEY, amount REAL); BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* ins = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO t VALUES (?, ?)", -1, &ins, nullptr);
    for (int i = 0; i < kRows; ++i) {
      sqlite3_bind_int(ins, 1, i);
      if (i % 10 != 0)
        sqlite3_bind_double(ins, 2, AmountOf(i));
      else
        sqlite3_bind_null(ins, 2);
      sqlite3_step(ins);
      sqlite3_reset(ins);
    }
    sqlite3_finalize(ins);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_prepare_v2(db, "SELECT SUM(amount), AVG(amount), COUNT(amount), COUNT(*) FROM t", -1, &all, nullptr);
    sqlite3_prepare_v2(db, "SELECT SUM(amount) FROM t", -1, &sum, nullptr);
    sqlite3_prepare_v2(db, "UPDATE t SET amount = ? WHERE id = ?", -1, &update, nullptr);
  }
  ~Sql() {
    sqlite3_finalize(all);
    sqlite3_finalize(sum);
    sqlite3_finalize(update);
    sqlite3_close(db);
  }
};

Sql& SharedSql() {
  static Sql sql;
  return sql;
}

void recalc_all_ours(benchmark::State& state) {
  Ours& o = SharedOurs();
  for (auto _ : state) {
    o.sums.RecalcAll();
    benchmark::DoNotOptimize(o.sum->SumValue());
  }
}

void recalc_all_sqlite(benchmark::State& state) {
  Sql& s = SharedSql();
  for (auto _ : state) {
    sqlite3_step(s.all);
    benchmark::DoNotOptimize(sqlite3_column_double(s.all, 0));
    sqlite3_reset(s.all);
  }
}

void edit_post_ours(benchmark::State& state) {
  Ours& o = SharedOurs();
  o.table.SetRecNo(kRows / 2);
  TField* amount = o.table.FieldByName("AMOUNT");
  double v = 1;
  for (auto _ : state) {
    o.table.Edit();
    amount->SetValue(v += 1);
    o.table.Post();
    benchmark::DoNotOptimize(o.sum->SumValue());
  }
}

void edit_post_sqlite(benchmark::State& state) {
  Sql& s = SharedSql();
  double v = 1;
  for (auto _ : state) {
    sqlite3_bind_double(s.update, 1, v += 1);
    sqlite3_bind_int(s.update, 2, kRows / 2);
    sqlite3_step(s.update);
    sqlite3_reset(s.update);
    sqlite3_step(s.sum);
    benchmark::DoNotOptimize(sqlite3_column_double(s.sum, 0));
    sqlite3_reset(s.sum);
  }
}

}  // namespace

BENCHMARK(recalc_all_ours)->Unit(benchmark::kMillisecond);
BENCHMARK(recalc_all_sqlite)->Unit(benchmark::kMillisecond);
BENCHMARK(edit_post_ours)->Unit(benchmark::kMicrosecond);
BENCHMARK(edit_post_sqlite)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioRecorder recorder;
  benchmark::RunSpecifiedBenchmarks(&recorder);
  recorder.PrintRatio("recalc_all_ours", "recalc_all_sqlite", "recalc_all_100k", "sqlite");
  recorder.PrintRatio("edit_post_ours", "edit_post_sqlite", "edit_post_sum_100k", "sqlite");
  benchmark::Shutdown();
  return 0;
}
