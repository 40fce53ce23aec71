#pragma once
// The rows the memory-table benchmarks load: an even integer id (odd ones are free for inserts in
// the middle), a name of 10 to 20 characters (a letter, then digits and Chinese), an amount and a
// date; and the memory table they go into. Shared by bench_memtable and the append driver for
// instruction counts.
#include <sqlite3.h>

#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "memtable/memtable.h"

namespace bench_rows {

struct Data {
  std::vector<int> Id;
  std::vector<std::string> Name;
  std::vector<double> Amount;
  std::vector<double> Date;
};

// The same rows for a count each time they are asked for (made once).
inline const Data& Source(int rows) {
  static std::map<int, Data> cache;
  auto it = cache.find(rows);
  if (it != cache.end()) return it->second;
  static const char* const kChinese[] = {"费", "用", "垫", "付", "单", "商", "户", "摊", "位", "合",
                                         "同", "部", "门", "业", "务", "员", "公", "司", "组", "织"};
  Data d;
  std::mt19937 rng(42);
  d.Id.reserve(static_cast<size_t>(rows));
  for (int i = 0; i < rows; ++i) {
    d.Id.push_back(i * 2);
    std::string name(1, static_cast<char>('A' + rng() % 26));
    const int length = 10 + static_cast<int>(rng() % 11);
    for (int k = 1; k < length; ++k) {
      if (rng() % 3 == 0)
        name += static_cast<char>('0' + rng() % 10);
      else
        name += kChinese[rng() % 20];
    }
    d.Name.push_back(std::move(name));
    d.Amount.push_back(static_cast<double>(rng() % 100000) / 100.0);
    d.Date.push_back(40000.0 + static_cast<double>(rng() % 5000));
  }
  return cache.emplace(rows, std::move(d)).first->second;
}

// Inserts the rows into the SQLite table (id, name, amount, bdate) in one transaction through a
// prepared statement.
inline void InsertRows(sqlite3* db, const std::string& table, const Data& d) {
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  sqlite3_stmt* ins = nullptr;
  sqlite3_prepare_v2(db, ("INSERT INTO " + table + " VALUES (?, ?, ?, ?)").c_str(), -1, &ins, nullptr);
  for (size_t k = 0; k < d.Id.size(); ++k) {
    sqlite3_bind_int(ins, 1, d.Id[k]);
    sqlite3_bind_text(ins, 2, d.Name[k].c_str(), static_cast<int>(d.Name[k].size()), SQLITE_STATIC);
    sqlite3_bind_double(ins, 3, d.Amount[k]);
    sqlite3_bind_double(ins, 4, d.Date[k]);
    sqlite3_step(ins);
    sqlite3_reset(ins);
  }
  sqlite3_finalize(ins);
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
}

// An open memory table of the rows' columns (ID, NAME, AMOUNT, BDATE), empty.
inline std::unique_ptr<TMemTableGx> EmptyTable(const char* name = "mtblAppend") {
  auto t = std::make_unique<TMemTableGx>(nullptr);
  t->SetName(name);
  t->FieldDefs().Add("ID", ftInteger);
  t->FieldDefs().Add("NAME", ftString, 40);
  t->FieldDefs().Add("AMOUNT", ftFloat);
  t->FieldDefs().Add("BDATE", ftDateTime);
  t->CreateDataSet();
  return t;
}

}  // namespace bench_rows
