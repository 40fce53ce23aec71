#include "host/hostdb.h"

#include <algorithm>
#include <memory>
#include <optional>

#include "host/hostdb_schema.h"
#include "host/hostdb_sql.h"
#include "platform/rtl/strings.h"

namespace hostdb {

namespace detail {

DbStatus SqlError(sqlite3* db, const std::string& what) {
  return DbStatus::Error(DbCode::Sqlite, what + ": " + (db ? sqlite3_errmsg(db) : "out of memory"));
}

DbStatus Statement::Prepare(const std::string& sql) {
  sqlite3_finalize(stmt_);
  stmt_ = nullptr;
  if (sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &stmt_, nullptr) != SQLITE_OK)
    return SqlError(db_, "SQLite");
  return DbStatus::Ok();
}

namespace {

int BindStored(sqlite3_stmt* stmt, int index, const Stored& value) {
  if (const auto* i = std::get_if<int64_t>(&value)) return sqlite3_bind_int64(stmt, index, *i);
  if (const auto* d = std::get_if<double>(&value)) return sqlite3_bind_double(stmt, index, *d);
  if (const auto* s = std::get_if<std::string>(&value))
    return sqlite3_bind_text64(stmt, index, s->data(), s->size(), SQLITE_TRANSIENT, SQLITE_UTF8);
  return sqlite3_bind_null(stmt, index);
}

}  // namespace

DbStatus Statement::Bind(int index, const Stored& value) {
  return BindStored(stmt_, index, value) == SQLITE_OK ? DbStatus::Ok() : SqlError(db_, "SQLite");
}

DbStatus Statement::BindAll(const std::vector<Stored>& values) {
  for (size_t i = 0; i < values.size(); ++i)
    if (DbStatus st = Bind(static_cast<int>(i + 1), values[i]); !st.ok()) return st;
  return DbStatus::Ok();
}

DbStatus Statement::Step(bool& row) {
  int rc = sqlite3_step(stmt_);
  row = rc == SQLITE_ROW;
  if (rc == SQLITE_ROW || rc == SQLITE_DONE) return DbStatus::Ok();
  return SqlError(db_, "SQLite");
}

DbStatus Statement::Run() {
  bool row = true;
  while (row)
    if (DbStatus st = Step(row); !st.ok()) return st;
  return DbStatus::Ok();
}

Stored Statement::Get(int column) const {
  const int type = sqlite3_column_type(stmt_, column);
  switch (type) {
    case SQLITE_INTEGER: return static_cast<int64_t>(sqlite3_column_int64(stmt_, column));
    case SQLITE_FLOAT: return sqlite3_column_double(stmt_, column);
    case SQLITE_TEXT:
    case SQLITE_BLOB: {
      const void* p = type == SQLITE_TEXT
                          ? static_cast<const void*>(sqlite3_column_text(stmt_, column))
                          : sqlite3_column_blob(stmt_, column);
      int n = sqlite3_column_bytes(stmt_, column);
      return p ? std::string(static_cast<const char*>(p), static_cast<size_t>(n)) : std::string();
    }
    default: return std::monostate{};
  }
}

StatementCache::~StatementCache() {
  for (auto& [sql, stmt] : statements_) sqlite3_finalize(stmt);
}

sqlite3_stmt* StatementCache::Get(const std::string& sql, DbStatus& status) {
  auto it = statements_.find(sql);
  if (it != statements_.end()) {
    sqlite3_reset(it->second);
    sqlite3_clear_bindings(it->second);
    return it->second;
  }
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v3(db_, sql.c_str(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT, &stmt, nullptr) !=
      SQLITE_OK) {
    status = SqlError(db_, "SQLite");
    return nullptr;
  }
  statements_.emplace(sql, stmt);
  return stmt;
}

DbStatus Exec(sqlite3* db, const std::string& sql) {
  char* message = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK) return DbStatus::Ok();
  std::string text = message ? message : sqlite3_errmsg(db);
  sqlite3_free(message);
  return DbStatus::Error(DbCode::Sqlite, "SQLite: " + text);
}

namespace {

DbStatus Error(DbCode code, std::string text) { return DbStatus::Error(code, std::move(text)); }

}  // namespace

DbStatus InsertRow(sqlite3* db, const TableDef& table, const std::vector<BoundColumn>& values, int64_t& newId,
                   StatementCache* cache) {
  std::string sql = "INSERT INTO " + table.name;
  if (values.empty()) {
    sql += " DEFAULT VALUES";
  } else {
    std::string names, marks;
    for (const BoundColumn& v : values) {
      names += (names.empty() ? "" : ", ") + v.column->name;
      marks += marks.empty() ? "?" : ", ?";
    }
    sql += " (" + names + ") VALUES (" + marks + ")";
  }
  Statement own(db);
  sqlite3_stmt* stmt = nullptr;
  DbStatus s;
  if (cache) {
    stmt = cache->Get(sql, s);
  } else if ((s = own.Prepare(sql)).ok()) {
    stmt = own.get();
  }
  if (!stmt) return s;
  for (size_t i = 0; i < values.size(); ++i)
    if (BindStored(stmt, static_cast<int>(i + 1), values[i].value) != SQLITE_OK) return SqlError(db, "SQLite");
  if (sqlite3_step(stmt) != SQLITE_DONE) {
    s = SqlError(db, "SQLite");
    sqlite3_reset(stmt);
    return s;
  }
  sqlite3_reset(stmt);
  newId = sqlite3_last_insert_rowid(db);
  return DbStatus::Ok();
}

DbStatus BindValues(const TableDef& table, const NamedValues& values, std::vector<BoundColumn>& out, Variant* key) {
  const ViewDef* display = GetCatalog().FindView(table.displayView);
  for (const auto& [name, value] : values) {
    const ColumnDef* col = table.Find(name);
    if (!col) {
      if (display && display->Find(name)) continue;  // a joined column: display only
      return Error(DbCode::BadChange, table.name + " has no column " + Printable(name));
    }
    if (col->name == table.key) {
      if (key) *key = value;
      continue;
    }
    for (const BoundColumn& b : out)
      if (b.column == col) return Error(DbCode::BadChange, "the column " + col->name + " is given twice");
    Stored stored;
    std::string why;
    if (!ToStored(*col, value, stored, why)) return Error(DbCode::BadValue, table.name + "." + col->name + ": " + why);
    out.push_back({col, std::move(stored)});
  }
  return DbStatus::Ok();
}

}  // namespace detail

std::string Printable(std::string_view s) { return "\"" + SanitizeUtf8(Cp936Truncate(s, 40)) + "\""; }

using namespace detail;

namespace {

template <class F>
DbStatus Guarded(F&& f) noexcept {
  try {
    return f();
  } catch (const std::exception& e) {
    return DbStatus::Error(DbCode::Internal, std::string("Internal error: ") + e.what());
  } catch (...) {
    return DbStatus::Error(DbCode::Internal, "Internal error");
  }
}

DbStatus NotOpen() { return Error(DbCode::NotOpen, "The host database is not open."); }

class Transaction {
 public:
  explicit Transaction(sqlite3* db) noexcept : db_(db) {}
  ~Transaction() {
    if (open_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  }
  DbStatus Begin() {
    DbStatus st = Exec(db_, "BEGIN IMMEDIATE");
    open_ = st.ok();
    return st;
  }
  DbStatus Commit() {
    DbStatus st = Exec(db_, "COMMIT");
    if (st.ok()) open_ = false;
    return st;
  }

 private:
  sqlite3* db_;
  bool open_ = false;
};

DbStatus CreateSchema(sqlite3* db) {
  Transaction tx(db);
  if (DbStatus st = tx.Begin(); !st.ok()) return st;
  for (const std::string& sql : SchemaStatements())
    if (DbStatus st = Exec(db, sql); !st.ok()) return st;
  if (DbStatus st = FillDemoData(db); !st.ok()) return st;
  for (const std::string& sql : CaptionStatements())
    if (DbStatus st = Exec(db, sql); !st.ok()) return st;
  if (DbStatus st = Exec(db, "PRAGMA user_version = 1"); !st.ok()) return st;
  return tx.Commit();
}


DbStatus ColumnNames(sqlite3* db, const std::string& object, std::vector<std::string>& names) {
  Statement st(db);
  DbStatus s = st.Prepare("SELECT name FROM pragma_table_info(?1)");
  if (s.ok()) s = st.Bind(1, object);
  bool row = true;
  while (s.ok() && (s = st.Step(row)).ok() && row) {
    Stored name = st.Get(0);
    if (const auto* n = std::get_if<std::string>(&name)) names.push_back(*n);
  }
  return s;
}

DbStatus VerifySchema(sqlite3* db, const std::string& path) {
  const Catalog& cat = GetCatalog();
  auto check = [&](const std::string& object, const std::vector<ColumnDef>& columns) -> DbStatus {
    std::vector<std::string> names;
    if (DbStatus st = ColumnNames(db, object, names); !st.ok()) return st;
    std::string prefix = "\"" + path + "\" is not a database of this host: ";
    if (names.empty()) return Error(DbCode::NotOurs, prefix + object + " is missing");
    for (const ColumnDef& c : columns)
      if (std::none_of(names.begin(), names.end(), [&](const std::string& n) { return SameText(n, c.name); }))
        return Error(DbCode::NotOurs, prefix + object + " has no column " + c.name);
    return DbStatus::Ok();
  };
  for (const TableDef& t : cat.tables)
    if (DbStatus st = check(t.name, t.columns); !st.ok()) return st;
  for (const ViewDef& v : cat.views)
    if (DbStatus st = check(v.name, v.resolved); !st.ok()) return st;
  return DbStatus::Ok();
}

// A database of an older host has no captions yet: they are added (a kept caption stays).
DbStatus EnsureCaptions(sqlite3* db) {
  std::vector<std::string> names;
  if (DbStatus st = ColumnNames(db, "HOST_CAPTION", names); !st.ok() || !names.empty()) return st;
  Transaction tx(db);
  if (DbStatus st = tx.Begin(); !st.ok()) return st;
  for (const std::string& sql : CaptionStatements())
    if (DbStatus st = Exec(db, sql); !st.ok()) return st;
  return tx.Commit();
}

// The title and column captions kept for a view; nothing when there are none.
DbStatus ReadCaptions(sqlite3* db, const std::string& view, RowSet& out) {
  Statement st(db);
  DbStatus s = st.Prepare("SELECT FIELD_NAME, CAPTION FROM HOST_CAPTION WHERE OBJECT_NAME = ?1");
  if (s.ok()) s = st.Bind(1, view);
  bool row = true;
  while (s.ok() && (s = st.Step(row)).ok() && row) {
    const Stored field = st.Get(0), caption = st.Get(1);
    const auto* f = std::get_if<std::string>(&field);
    const auto* c = std::get_if<std::string>(&caption);
    if (!f || !c) continue;
    if (f->empty()) out.title = *c;
    for (size_t i = 0; i < out.columns.size(); ++i) {
      if (!SameText(out.columns[i].name, *f)) continue;
      out.captions.resize(out.columns.size());
      out.captions[i] = *c;
    }
  }
  return s;
}

std::string EscapeLike(std::string_view s) {
  std::string out;
  for (char c : s) {
    if (c == '\\' || c == '%' || c == '_') out.push_back('\\');
    out.push_back(c);
  }
  return out;
}

std::string TrimName(std::string_view s) {
  size_t end = s.size();
  while (end > 0 && (s[end - 1] == '\0' || s[end - 1] == ' ')) --end;
  return Trim(s.substr(0, end));
}

// The WHERE clause of a lookup or search: column names from the view, values as parameters.
DbStatus BuildFilter(const ViewDef& view, const std::vector<LookupArg>& args, std::string& where,
                     std::vector<Stored>& params) {
  for (const LookupArg& arg : args) {
    if (!arg.flag) continue;
    std::string name = TrimName(arg.name);
    const ColumnDef* col = nullptr;
    if (SameText(name, "arg")) {
      if (view.argColumn.empty())
        return Error(DbCode::BadArgument, "The view " + view.name + " takes no argument \"arg\".");
      col = view.Find(view.argColumn);
    } else {
      col = view.Find(name);
      if (!col) return Error(DbCode::BadArgument, "The view " + view.name + " has no column " + Printable(name) + ".");
    }
    std::string expr = col->name;
    bool byDay = col->type == ColType::Date;
    if (byDay) expr = "substr(" + col->name + ", 1, 10)";
    std::string value = Trim(arg.value);
    // A search value is no stored value: it may be longer or larger than the column's own.
    ColumnDef loose = *col;
    if (loose.type == ColType::Varchar) loose.size = 1 << 30;
    if (loose.type == ColType::Number) loose.size = 300 + loose.scale;
    Stored bound;
    if (!value.empty() && arg.kind != 1 && arg.kind != 2) {
      std::string why;
      if (!ToStored(loose, Variant(col->type == ColType::Varchar ? arg.value : value), bound, why))
        return Error(DbCode::BadArgument, "The argument " + Printable(name) + " of " + view.name + ": " + why + ".");
      if (byDay) bound = std::get<std::string>(bound).substr(0, 10);
    }
    std::string cond;
    switch (arg.kind) {
      case 0:
        cond = value.empty() ? col->name + " IS NULL" : expr + " = ?";
        break;
      case 1:
      case 2:
        if (col->type != ColType::Varchar)
          return Error(DbCode::BadArgument, "The argument " + Printable(name) + " of " + view.name +
                                                ": only text columns can be searched for a part.");
        if (arg.value.empty()) continue;
        cond = col->name + " LIKE ? ESCAPE '\\'";
        bound = (arg.kind == 1 ? "%" : "") + EscapeLike(arg.value) + "%";
        break;
      case 3:
      case 4:
        if (value.empty()) continue;
        cond = expr + (arg.kind == 3 ? " >= ?" : " <= ?");
        break;
      case 5:
        cond = value.empty() ? col->name + " IS NOT NULL" : "(" + col->name + " IS NULL OR " + expr + " <> ?)";
        break;
      default:
        return Error(DbCode::BadArgument, "The argument " + Printable(name) + " of " + view.name + " has an unknown kind " +
                                              std::to_string(arg.kind) + ".");
    }
    if (cond.find('?') != std::string::npos) params.push_back(bound);
    where += (where.empty() ? "" : " AND ") + cond;
  }
  return DbStatus::Ok();
}

// The rows of a view one at a time, in one vector of values reused for every row.
DbStatus SelectEach(sqlite3* db, const ViewDef& view, const std::string& where, const std::vector<Stored>& params,
                    std::vector<Column>& columns, const RowCallback& each) {
  columns.clear();
  std::string sql = "SELECT ";
  for (size_t i = 0; i < view.resolved.size(); ++i) {
    sql += (i ? ", " : "") + view.resolved[i].name;
    columns.push_back(view.resolved[i].Public());
  }
  sql += " FROM " + view.name;
  if (!where.empty()) sql += " WHERE " + where;
  if (!view.orderBy.empty()) sql += " ORDER BY " + view.orderBy;
  Statement st(db);
  DbStatus s = st.Prepare(sql);
  if (s.ok()) s = st.BindAll(params);
  bool row = true;
  std::vector<Variant> values(view.resolved.size());
  while (s.ok() && (s = st.Step(row)).ok() && row) {
    for (size_t i = 0; i < values.size(); ++i) {
      std::string why;
      if (!FromStored(view.resolved[i], st.Get(static_cast<int>(i)), values[i], why))
        return Error(DbCode::BadValue, view.name + ": " + why);
    }
    each(values);
  }
  return s;
}

DbStatus Select(sqlite3* db, const ViewDef& view, const std::string& where, const std::vector<Stored>& params,
                RowSet& out) {
  out.rows.clear();
  DbStatus s = SelectEach(db, view, where, params, out.columns,
                          [&out](const std::vector<Variant>& values) { out.rows.push_back(values); });
  if (!s.ok()) out.rows.clear();
  return s;
}

const char* StatusWord(RowStatus s) {
  switch (s) {
    case RowStatus::Unmodified: return "unmodified";
    case RowStatus::Modified: return "modified";
    case RowStatus::Inserted: return "inserted";
    case RowStatus::Deleted: return "deleted";
  }
  return "unknown";
}

std::string RowContext(size_t index, const ChangeRow& row) {
  std::string s = "Row " + std::to_string(index + 1) + " (" + SanitizeUtf8(Cp936Truncate(row.table, 40)) + ", " +
                  StatusWord(row.status);
  if (row.status == RowStatus::Inserted) s += ", rn " + std::to_string(row.rn);
  return s + ")";
}

// Runs a statement and answers how many rows it changed (or, for a count query, the count).
DbStatus Affected(sqlite3* db, const std::string& sql, const std::vector<Stored>& params, bool count, int64_t& n) {
  Statement st(db);
  DbStatus s = st.Prepare(sql);
  if (s.ok()) s = st.BindAll(params);
  bool row = false;
  if (s.ok()) s = st.Step(row);
  if (!s.ok()) return s;
  if (count) {
    Stored value = row ? st.Get(0) : Stored();
    const auto* v = std::get_if<int64_t>(&value);
    n = v ? *v : 0;
    return DbStatus::Ok();
  }
  n = sqlite3_changes64(db);
  return DbStatus::Ok();
}

}  // namespace

// ---- row sets ----

int RowSet::ColumnIndex(std::string_view name) const noexcept {
  for (size_t i = 0; i < columns.size(); ++i)
    if (SameText(columns[i].name, name)) return static_cast<int>(i);
  return -1;
}

const Variant& RowSet::Value(size_t row, std::string_view column) const noexcept {
  static const Variant null = Variant::Null();
  int c = ColumnIndex(column);
  if (c < 0 || row >= rows.size() || static_cast<size_t>(c) >= rows[row].size()) return null;
  return rows[row][c];
}

const std::vector<std::string>& ServedViews() {
  static const std::vector<std::string> views = [] {
    std::vector<std::string> v;
    for (const ViewDef& view : GetCatalog().views)
      if (view.served) v.push_back(view.name);
    return v;
  }();
  return views;
}

// ---- the database ----

HostDatabase::HostDatabase() = default;

HostDatabase::~HostDatabase() { Close(); }

void HostDatabase::Close() noexcept {
  if (db_) sqlite3_close_v2(db_);
  db_ = nullptr;
  created_ = false;
  path_.clear();
}

DbStatus HostDatabase::Open(const std::string& path) {
  Close();
  return Guarded([&]() -> DbStatus {
    sqlite3* raw = nullptr;
    // One thread uses the connection: no lock around every call (a list of many thousand rows makes
    // millions of them).
    int rc = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                             nullptr);
    std::unique_ptr<sqlite3, int (*)(sqlite3*)> db(raw, sqlite3_close_v2);
    auto fail = [&](DbStatus st) {
      st.text = "Cannot open the database \"" + path + "\": " + st.text;
      return st;
    };
    if (rc != SQLITE_OK) return fail(SqlError(raw, "SQLite"));
    sqlite3_extended_result_codes(raw, 1);
    sqlite3_busy_timeout(raw, 2000);
    if (DbStatus st = Exec(raw, "PRAGMA foreign_keys = ON"); !st.ok()) return fail(st);
    int64_t objects = 0;
    if (DbStatus st = Affected(raw, "SELECT count(*) FROM sqlite_schema WHERE name NOT LIKE 'sqlite\\_%' ESCAPE '\\'",
                               {}, true, objects);
        !st.ok())
      return fail(st);
    bool created = objects == 0;
    DbStatus st = created ? CreateSchema(raw) : VerifySchema(raw, path);
    if (st.ok() && !created) st = EnsureCaptions(raw);
    if (st.ok() && !created) st = Exec(raw, kListIndexSql);
    if (!st.ok()) return st.code == DbCode::NotOurs ? st : fail(st);
    db_ = db.release();
    created_ = created;
    path_ = path;
    return DbStatus::Ok();
  });
}

DbStatus HostDatabase::DocumentList(const std::vector<LookupArg>& args, RowSet& out) {
  out = RowSet{};
  if (!db_) return NotOpen();
  return Guarded([&]() -> DbStatus {
    const ViewDef& view = *GetCatalog().FindView("vd_bilda");
    out.table = "TB_BILDA";
    std::string where;
    std::vector<Stored> params;
    if (DbStatus st = BuildFilter(view, args, where, params); !st.ok()) return st;
    return Select(db_, view, where, params, out);
  });
}

DbStatus HostDatabase::DocumentList(const std::vector<LookupArg>& args, std::vector<Column>& columns,
                                    const RowCallback& each) {
  columns.clear();
  if (!db_) return NotOpen();
  return Guarded([&]() -> DbStatus {
    const ViewDef& view = *GetCatalog().FindView("vd_bilda");
    std::string where;
    std::vector<Stored> params;
    if (DbStatus st = BuildFilter(view, args, where, params); !st.ok()) return st;
    return SelectEach(db_, view, where, params, columns, each);
  });
}

DbStatus HostDatabase::Display(int64_t bildaId, RowSet& header, RowSet& lines) {
  header = RowSet{};
  lines = RowSet{};
  if (!db_) return NotOpen();
  return Guarded([&]() -> DbStatus {
    const Catalog& cat = GetCatalog();
    header.table = "TB_BILDA";
    lines.table = "TB_BILDB";
    DbStatus st = Select(db_, *cat.FindView("vd_bilda"), "BILDA_ID = ?", {bildaId}, header);
    if (st.ok()) st = Select(db_, *cat.FindView("vd_bildb"), "BILDB001 = ?", {bildaId}, lines);
    if (!st.ok()) header.rows.clear();
    return st;
  });
}

DbStatus HostDatabase::Lookup(std::string_view viewName, const std::vector<LookupArg>& args, RowSet& out) {
  out = RowSet{};
  if (!db_) return NotOpen();
  return Guarded([&]() -> DbStatus {
    const ViewDef* view = GetCatalog().FindView(viewName);
    if (!view || !view->served) {
      std::string list;
      for (const std::string& v : ServedViews()) list += (list.empty() ? "" : ", ") + v;
      return Error(DbCode::UnknownView, "The view " + Printable(viewName) + " is not served (served: " + list + ").");
    }
    out.table = view->name;
    std::string where;
    std::vector<Stored> params;
    if (DbStatus st = BuildFilter(*view, args, where, params); !st.ok()) return st;
    if (DbStatus st = Select(db_, *view, where, params, out); !st.ok()) return st;
    return ReadCaptions(db_, view->name, out);
  });
}

DbStatus HostDatabase::FindUser(std::string_view account, HostUser& out) {
  out = HostUser{};
  if (!db_) return NotOpen();
  return Guarded([&]() -> DbStatus {
    RowSet rows;
    DbStatus st = Select(db_, *GetCatalog().FindView("vh_pubcd"), "PUBCD002 = ?", {std::string(account)}, rows);
    if (!st.ok()) return st;
    if (rows.rows.empty()) return Error(DbCode::NotFound, "No staff member logs in as " + Printable(account) + ".");
    out.id = rows.Value(0, "PUBCD_ID").AsInt64();
    out.account = rows.Value(0, "PUBCD002").AsString();
    out.name = rows.Value(0, "PUBCD003").AsString();
    out.group = rows.Value(0, "PUBCD004C1").AsString();
    return DbStatus::Ok();
  });
}

DbStatus HostDatabase::ApplyChanges(const std::vector<ChangeRow>& rows, std::vector<NewRowId>& newIds) {
  newIds.clear();
  if (!db_) return NotOpen();
  return Guarded([&]() -> DbStatus {
    const Catalog& cat = GetCatalog();
    struct Applied {
      const TableDef* table;
      std::optional<int64_t> key;
    };
    std::vector<Applied> applied;
    std::vector<NewRowId> ids;
    Transaction tx(db_);
    if (DbStatus st = tx.Begin(); !st.ok()) return st;

    for (size_t i = 0; i < rows.size(); ++i) {
      const ChangeRow& row = rows[i];
      auto fail = [&](DbStatus st) {
        st.text = RowContext(i, row) + ": " + st.text;
        return st;
      };
      const TableDef* table = cat.FindTable(row.table);
      if (!table || !table->writable)
        return fail(Error(DbCode::BadChange, "the table " + Printable(row.table) + " cannot be changed"));
      if (static_cast<uint8_t>(row.status) > static_cast<uint8_t>(RowStatus::Deleted))
        return fail(Error(DbCode::BadChange, "unknown update status " + std::to_string(static_cast<int>(row.status))));

      // The row it nests under, and that row's key once applied (a new header's new id).
      const ColumnDef* fk = nullptr;
      std::optional<int64_t> parentKey;
      if (row.parent >= 0) {
        if (static_cast<size_t>(row.parent) >= i)
          return fail(Error(DbCode::BadChange, "it nests under row " + std::to_string(row.parent + 1) +
                                                   ", which does not come before it"));
        const Applied& p = applied[row.parent];
        if (!SameText(table->parent, p.table->name))
          return fail(Error(DbCode::BadChange, table->name + " rows cannot nest under " + p.table->name + " rows"));
        fk = table->Find(table->parentKey);
        parentKey = p.key;
      }

      std::vector<BoundColumn> values;
      Variant keyValue;
      if (row.status == RowStatus::Inserted || row.status == RowStatus::Modified) {
        if (DbStatus st = BindValues(*table, row.values, values, &keyValue); !st.ok()) return fail(st);
      } else {
        for (const auto& [name, value] : row.values)
          if (SameText(name, table->key)) keyValue = value;
      }
      if (!row.key.IsEmpty() && !row.key.IsNull()) keyValue = row.key;
      std::optional<int64_t> key;
      if (row.status != RowStatus::Inserted) {
        Stored k;
        std::string why;
        if (!ToStored(*table->Find(table->key), keyValue, k, why))
          return fail(Error(DbCode::BadValue, "the key " + table->key + ": " + why));
        if (const auto* v = std::get_if<int64_t>(&k)) key = *v;
      }

      // Lines nested under a header belong to it.
      if (fk && parentKey && (row.status == RowStatus::Inserted || row.status == RowStatus::Modified)) {
        auto it = std::find_if(values.begin(), values.end(), [&](const BoundColumn& b) { return b.column == fk; });
        if (it == values.end()) {
          values.emplace_back();
          values.back().column = fk;
          values.back().value.emplace<int64_t>(*parentKey);
        } else {
          const auto* given = std::get_if<int64_t>(&it->value);
          if (row.status == RowStatus::Modified && given && *given != *parentKey)
            return fail(Error(DbCode::BadChange, fk->name + " " + std::to_string(*given) +
                                                     " differs from the key of the row it nests under (" +
                                                     std::to_string(*parentKey) + ")"));
          it->value = *parentKey;
        }
      }

      std::string cond = table->key + " = ?";
      std::vector<Stored> condParams;
      if (key) condParams.push_back(*key);
      if (fk && parentKey) {
        cond += " AND " + fk->name + " = ?";
        condParams.push_back(*parentKey);
      }
      switch (row.status) {
        case RowStatus::Unmodified:
          break;
        case RowStatus::Inserted: {
          int64_t id = 0;
          if (DbStatus st = InsertRow(db_, *table, values, id); !st.ok()) return fail(st);
          key = id;
          ids.push_back({table->name, row.rn, id});
          break;
        }
        case RowStatus::Modified: {
          if (!key) return fail(Error(DbCode::BadChange, "a modified row needs its key " + table->key));
          std::vector<Stored> params;
          std::string sql;
          if (values.empty()) {
            sql = "SELECT count(*) FROM " + table->name + " WHERE " + cond;
          } else {
            sql = "UPDATE " + table->name + " SET ";
            for (size_t c = 0; c < values.size(); ++c) {
              sql += (c ? ", " : "") + values[c].column->name + " = ?";
              params.push_back(values[c].value);
            }
            sql += " WHERE " + cond;
          }
          params.insert(params.end(), condParams.begin(), condParams.end());
          int64_t n = 0;
          if (DbStatus st = Affected(db_, sql, params, values.empty(), n); !st.ok()) return fail(st);
          if (n == 0)
            return fail(Error(DbCode::NotFound, table->name + " has no row " + table->key + " = " + std::to_string(*key) +
                                                    (fk && parentKey ? " under " + fk->name + " = " + std::to_string(*parentKey)
                                                                     : std::string())));
          break;
        }
        case RowStatus::Deleted: {
          // A row that is gone already is what was asked for: deleting it again changes nothing.
          int64_t n = 0;
          std::string sql;
          if (key) {
            sql = "DELETE FROM " + table->name + " WHERE " + cond;
          } else if (fk && parentKey) {
            sql = "DELETE FROM " + table->name + " WHERE " + fk->name + " = ?";  // every line of the header
          } else {
            return fail(Error(DbCode::BadChange, "a deleted row needs its key " + table->key));
          }
          if (DbStatus st = Affected(db_, sql, condParams, false, n); !st.ok()) return fail(st);
          break;
        }
      }
      applied.push_back({table, key});
    }
    if (DbStatus st = tx.Commit(); !st.ok()) return st;
    newIds = std::move(ids);
    return DbStatus::Ok();
  });
}

}  // namespace hostdb
