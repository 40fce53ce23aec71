#pragma once
// SQLite plumbing shared by the query layer and the demo-data filler: a statement that finalises
// itself, typed reads and writes through the schema, and the checked row insert.
#include <sqlite3.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "host/hostdb.h"
#include "host/hostdb_schema.h"

namespace hostdb::detail {

DbStatus SqlError(sqlite3* db, const std::string& what);

class Statement {
 public:
  explicit Statement(sqlite3* db) noexcept : db_(db) {}
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  DbStatus Prepare(const std::string& sql);
  DbStatus Bind(int index, const Stored& value);  // index from 1
  DbStatus BindAll(const std::vector<Stored>& values);
  // Runs one step: `row` tells whether a row is there to read.
  DbStatus Step(bool& row);
  // Runs to the end, ignoring rows.
  DbStatus Run();
  Stored Get(int column) const;  // column from 0
  sqlite3_stmt* get() const noexcept { return stmt_; }

 private:
  sqlite3* db_;
  sqlite3_stmt* stmt_ = nullptr;
};

DbStatus Exec(sqlite3* db, const std::string& sql);

// Prepared statements kept by their SQL text, for many rows of the same shape.
class StatementCache {
 public:
  explicit StatementCache(sqlite3* db) noexcept : db_(db) {}
  ~StatementCache();
  StatementCache(const StatementCache&) = delete;
  StatementCache& operator=(const StatementCache&) = delete;
  // The statement for `sql`, reset and without bindings; null (with `status` set) on failure.
  sqlite3_stmt* Get(const std::string& sql, DbStatus& status);

 private:
  sqlite3* db_;
  std::map<std::string, sqlite3_stmt*> statements_;
};

// Column values by name, as a change row or the demo data gives them.
using NamedValues = std::vector<std::pair<std::string, Variant>>;

// A checked row value: the column of the table and the value as stored.
struct BoundColumn {
  const ColumnDef* column;
  Stored value;
};

// Inserts one row of checked values; the key is assigned by the database. With a cache the
// statement is prepared once per shape of row.
DbStatus InsertRow(sqlite3* db, const TableDef& table, const std::vector<BoundColumn>& values, int64_t& newId,
                   StatementCache* cache = nullptr);

// Checks named values against a table: unknown names, repeated names and values the column cannot
// take are refused; the table's joined display columns are skipped, and so is the key column,
// whose value goes to `key` when it is given.
DbStatus BindValues(const TableDef& table, const NamedValues& values, std::vector<BoundColumn>& out,
                    Variant* key = nullptr);

// Fills a freshly created database with the demo data (inside the caller's transaction).
DbStatus FillDemoData(sqlite3* db);

}  // namespace hostdb::detail
