// A driver for instruction counts under callgrind: loads rows through Append, field writes and
// Post (as bench_memtable's load_append does), or through SQLite's prepared INSERT.
//   valgrind --tool=callgrind --toggle-collect='*LoadRowsOurs*' bench/profile_append ours 100000 [plain|cached] [again]
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "memtable/memtable.h"
#include "memtable_rows.h"
#include "platform/rtl/strings.h"

namespace {

using Rows = bench_rows::Data;

__attribute__((noinline)) int FillRows(const Rows& d, TMemTableGx& t) {
  TField* id = t.FieldByName("ID");
  TField* name = t.FieldByName("NAME");
  TField* amount = t.FieldByName("AMOUNT");
  TField* date = t.FieldByName("BDATE");
  for (size_t k = 0; k < d.Id.size(); ++k) {
    t.Append();
    id->SetAsInteger(d.Id[k]);
    name->SetAsString(d.Name[k]);
    amount->SetAsFloat(d.Amount[k]);
    date->SetAsDateTime(d.Date[k]);
    t.Post();
  }
  return t.RecordCount();
}

__attribute__((noipa)) int LoadRowsOurs(const Rows& d, TMemTableGx& t) { return FillRows(d, t); }
// The same load, not counted.
__attribute__((noipa)) int LoadRowsFirst(const Rows& d, TMemTableGx& t) { return FillRows(d, t); }

__attribute__((noinline)) void LoadRowsSqlite(const Rows& d, sqlite3* db) { bench_rows::InsertRows(db, "l", d); }

// Rows inserted in the middle under a unique index (bench_memtable's insert_middle), each deleted
// again when `remove` (insert_delete_middle).
__attribute__((noipa)) void InsertMiddle(TMemTableGx& t, int count, bool remove) {
  TField* id = t.FieldByName("ID");
  TField* name = t.FieldByName("NAME");
  TField* amount = t.FieldByName("AMOUNT");
  for (int i = 0; i < count; ++i) {
    t.SetRecNo(t.RecordCount() / 2);
    t.Insert();
    id->SetAsInteger(remove ? -1 : 2 * i + 1);
    name->SetAsString("M中间插入的一行");
    amount->SetAsFloat(1.0);
    t.Post();
    if (remove) t.Delete();
  }
}

}  // namespace

int main(int argc, char** argv) {
  const bool sqlite = argc > 1 && std::strcmp(argv[1], "sqlite") == 0;
  // "insert" / "insertdelete": count rows loaded, then 1000 rows inserted in their middle.
  const bool insert = argc > 1 && std::strncmp(argv[1], "insert", 6) == 0;
  const int count = argc > 2 ? std::atoi(argv[2]) : 100000;
  const bool cached = argc > 3 && std::strcmp(argv[3], "cached") == 0;
  const Rows& d = bench_rows::Source(count);
  Cp936Length("费");  // builds the code page's length table outside the counted part
  if (sqlite) {
    sqlite3* db = nullptr;
    sqlite3_open(":memory:", &db);
    sqlite3_exec(db, "CREATE TABLE l (id INTEGER, name TEXT, amount REAL, bdate REAL)", nullptr, nullptr, nullptr);
    LoadRowsSqlite(d, db);
    sqlite3_close(db);
    return 0;
  }
  // "again": a first load is made and dropped before the counted one, whose memory then comes
  // from what the first gave back (as in the benchmark's later runs).
  const bool again = argc > 4 && std::strcmp(argv[4], "again") == 0;
  if (insert) {
    auto t = bench_rows::EmptyTable("mtblInsert");
    FillRows(d, *t);
    t->IndexDefs()->Add("PK", "ID", {ixUnique});
    t->CreateIndexesFromDefs();
    InsertMiddle(*t, 1000, std::strcmp(argv[1], "insertdelete") == 0);
    std::printf("%d rows\n", t->RecordCount());
    return 0;
  }
  for (int pass = again ? 0 : 1; pass < 2; ++pass) {
    auto t = bench_rows::EmptyTable();
    t->SetCachedUpdates(cached);
    const int n = pass == 0 ? LoadRowsFirst(d, *t) : LoadRowsOurs(d, *t);
    if (pass == 1) std::printf("%d rows\n", n);
  }
  return 0;
}
