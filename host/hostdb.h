#pragma once
// The stand-in host's database: an embedded SQLite file holding the expense advance documents
// (header TB_BILDA, lines TB_BILDB), the records they refer to (document types, companies,
// operating organisations, departments, staff, merchants, stalls, contracts, advance receipts, fee
// items, account subjects), the lookup views the module asks for, and demo data. The host's
// request handlers call this layer and turn its row sets into reply documents; nothing here knows
// the protocol or the window messages.
//
//   HostDatabase db;
//   DbStatus st = db.Open(path);   // a missing or empty file is created and filled with demo
//                                  // data; an existing database is opened as it is
//   db.DocumentList(args, list);                 // the document list (search, 0x473)
//   db.Display(bildaId, header, lines);          // one document ("display", 0x470)
//   db.Lookup("vh_pubig_t1", args, rows);        // a lookup view (0x474)
//   db.ApplyChanges(changes, newIds);            // a save ("singleRecordSet")
//   db.FindUser("admin", user);                  // the logged-in user for the host records
//
// Every call answers a DbStatus: code 0 (DbCode::Ok) and an empty text on success, otherwise a
// non-zero code and a text fit to show to the user. No call throws; a closed database answers
// DbCode::NotOpen.
//
// Row sets are neutral: column descriptions (name, SQL type word, size, scale) and rows of
// Variants. Types and the values that carry them:
//   "VARCHAR"  size = maximum bytes in code page 936      string (UTF-8)
//   "INTEGER"  size 0                                     varInt64
//   "NUMBER"   size = precision, scale = decimals         double
//   "DATE"     size 0                                     varDate (TDateTime, time kept)
// A NULL column value is Variant::Null(). Column::Describe() and ValueText() give the
// NAME:TYPE:SIZE:SCALE item and the value text of the reply document.
//
// Arguments (the lookup and search argument records, decoded to UTF-8): each names a column of the
// served view or of the document list, case ignored; trailing blanks and NULs of the name are
// ignored; the name "arg" stands for the view's own argument column (vh_pubig_t1: the merchant id
// PUBGO_ID). A record whose flag is false is skipped. The kind chooses the comparison:
//   0 equal        (an empty value matches NULL)
//   1 contains     (text columns only; ASCII case ignored; an empty value imposes nothing)
//   2 starts with  (text columns only; likewise)
//   3 at least     4 at most   (an empty value imposes nothing)
//   5 not equal    (an empty value matches every non-NULL value)
// The value is read as the column's type (integers in decimal, numbers with ".", dates as
// yyyy-mm-dd with an optional hh:nn[:ss]; date comparisons go by the day). Unknown names, kinds and
// unreadable values are refused with DbCode::BadArgument. Values are always bound as parameters;
// table and column names come from the schema, never from the input.
//
// Changes (the rows of a save): each ChangeRow names TB_BILDA or TB_BILDB, carries the update
// status, the key (for modified and deleted rows; an empty key is taken from the values), the row
// number of an inserted row and its column values by name. A row may nest under an earlier row of
// the set (a line under its header): inserted and modified lines then belong to that header (an
// inserted header's new id included), and a deleted line without a key means "every line of that
// header". An unmodified row only carries its key for the rows nested under it. Display-only
// joined columns (…C1, …C2) among the values are ignored; the key column of an inserted row is
// ignored (the database assigns keys). All rows are applied in one transaction, in order: any
// failure rolls every row back, and its text starts with the row ("Row 3 (TB_BILDB, inserted, rn
// 2): ..."). A modified row that does not exist (or not under the header it nests under) fails with
// DbCode::NotFound; a deleted row that is gone already is no failure, the row being gone as asked.
// Deleting a header deletes its lines.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/rtl/variant.h"

struct sqlite3;

namespace hostdb {

enum class DbCode : int {
  Ok = 0,
  NotOpen = 1,       // Open was not called or failed
  Sqlite = 2,        // SQLite reported an error (the text holds its message)
  NotOurs = 3,       // the file is a database without this host's schema
  UnknownView = 4,   // a lookup asked for a view that is not served
  BadArgument = 5,   // a lookup or search argument that cannot be used
  BadChange = 6,     // a change row that cannot be applied (table, column, status, nesting)
  BadValue = 7,      // a value that its column cannot take (type, size, range)
  NotFound = 8,      // a modified or deleted row that does not exist
  Internal = 9,      // anything unexpected (out of memory, a broken invariant)
};

struct DbStatus {
  DbCode code = DbCode::Ok;
  std::string text;

  bool ok() const noexcept { return code == DbCode::Ok; }
  static DbStatus Ok() { return {}; }
  static DbStatus Error(DbCode code, std::string text) { return {code, std::move(text)}; }
};

struct Column {
  std::string name;  // upper-case field name
  std::string type;  // "VARCHAR", "INTEGER", "NUMBER" or "DATE"
  int size = 0;
  int scale = 0;

  // The field item of the reply's field description: NAME:TYPE:SIZE:SCALE.
  std::string Describe() const;
};

struct RowSet {
  std::string table;  // the name to reply with: "TB_BILDA", "TB_BILDB" or the view's name
  std::string title;  // what a person reads for a lookup view ("商户"); empty when none is kept
  std::vector<Column> columns;
  std::vector<std::string> captions;  // the same for each column, when kept (lookup views)
  std::vector<std::vector<Variant>> rows;

  int ColumnIndex(std::string_view name) const noexcept;  // case ignored; -1 when absent
  // The value of a named column; Null for an unknown column or row.
  const Variant& Value(size_t row, std::string_view column) const noexcept;
};

// The text of a value as the reply document carries it: "" for NULL, decimal integers, numbers
// with "." and the column's scale, dates as yyyy-mm-dd hh:nn:ss, strings as they are.
std::string ValueText(const Column& column, const Variant& value);

// A name or value from the input, fit to quote in an error text: cut short, made printable and
// put in double quotes.
std::string Printable(std::string_view s);

using RowCallback = std::function<void(const std::vector<Variant>& values)>;

struct LookupArg {
  std::string name;
  uint8_t kind = 0;
  bool flag = true;
  std::string value;
};

enum class RowStatus : uint8_t { Unmodified = 0, Modified = 1, Inserted = 2, Deleted = 3 };

struct ChangeRow {
  std::string table;  // "TB_BILDA" or "TB_BILDB", case ignored
  RowStatus status = RowStatus::Unmodified;
  Variant key;        // modified, deleted and unmodified rows; Empty/Null: taken from the values
  int64_t rn = 0;     // inserted rows: echoed with the new id
  std::vector<std::pair<std::string, Variant>> values;  // column name (case ignored) -> value
  int parent = -1;    // index of an earlier row of the set that this row nests under
};

struct NewRowId {
  std::string table;  // "TB_BILDA" or "TB_BILDB"
  int64_t rn = 0;
  int64_t id = 0;
};

struct HostUser {
  int64_t id = 0;         // PUBCD_ID, the host-information record's user id
  std::string account;    // login (at most 12 bytes: it is stamped into CREATE_USER and MODIFIER)
  std::string name;
  std::string group;      // department code, stamped into USER_GROUP
};

// The account of the demo database's administrator, a member of the information department.
inline constexpr const char* kDemoUserAccount = "admin";

// The lookup views the host serves, in the order the module's lookups list them.
const std::vector<std::string>& ServedViews();

class HostDatabase {
 public:
  HostDatabase();
  ~HostDatabase();
  HostDatabase(const HostDatabase&) = delete;
  HostDatabase& operator=(const HostDatabase&) = delete;

  // Opens the database at `path` (":memory:" for a private one). A file that does not exist or
  // holds no tables gets the schema and the demo data; a file with the schema is used as it is; a
  // database with other tables and without this schema is refused (DbCode::NotOurs).
  DbStatus Open(const std::string& path);
  void Close() noexcept;
  bool IsOpen() const noexcept { return db_ != nullptr; }
  // True when the last Open created the schema and filled the demo data.
  bool Created() const noexcept { return created_; }
  const std::string& Path() const noexcept { return path_; }

  // Every document of the list (the header record with its joined columns), newest date first,
  // filtered by the arguments.
  DbStatus DocumentList(const std::vector<LookupArg>& args, RowSet& out);
  // The same, one row at a time (the list of a large database is never held whole): `columns` is
  // set first, then `each` sees every row's values (one vector, reused). The list's table is
  // TB_BILDA. A failure may come after some rows.
  DbStatus DocumentList(const std::vector<LookupArg>& args, std::vector<Column>& columns, const RowCallback& each);
  // One document: its header (no row when there is no such document) and its lines.
  DbStatus Display(int64_t bildaId, RowSet& header, RowSet& lines);
  // The rows of one served lookup view, filtered by the arguments, ordered by code; with the
  // view's title and column captions that the database keeps beside its views (HOST_CAPTION).
  // A database without that table (made by an older host) gets it, with the usual captions, when
  // it is opened.
  DbStatus Lookup(std::string_view view, const std::vector<LookupArg>& args, RowSet& out);
  // Applies a save in one transaction; `newIds` gets one item per inserted row, in order.
  DbStatus ApplyChanges(const std::vector<ChangeRow>& rows, std::vector<NewRowId>& newIds);
  // The staff member who logs in with `account` (NotFound when there is none).
  DbStatus FindUser(std::string_view account, HostUser& out);

 private:
  sqlite3* db_ = nullptr;
  bool created_ = false;
  std::string path_;
};

}  // namespace hostdb
