#pragma once
// The host database's schema as data: every table, view and column with its type and size. The
// SQL that creates the schema, the checks on values and the typing of result rows all come from
// here, so a name that reaches SQL text is always one of these.
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "host/hostdb.h"
#include "platform/rtl/types.h"

namespace hostdb::detail {

enum class ColType : uint8_t { Varchar, Integer, Number, Date };

struct ColumnDef {
  std::string name;
  ColType type = ColType::Integer;
  int size = 0;             // VARCHAR: code-page-936 bytes; NUMBER: precision
  int scale = 0;            // NUMBER: decimals
  std::string references;   // id columns: the table they point into
  bool notNull = false;
  bool cascade = false;     // the referenced row's deletion deletes this row

  Column Public() const;
};

struct TableDef {
  std::string name;
  std::string key;                 // INTEGER PRIMARY KEY, always the first column
  std::vector<ColumnDef> columns;
  bool writable = false;           // changed by ApplyChanges
  std::string parent;              // the header table of a line table
  std::string parentKey;           // the line's column that holds the header's key
  std::string displayView;         // stored and joined columns in field order

  const ColumnDef* Find(std::string_view column) const noexcept;
};

struct ViewColumn {
  std::string name;
  std::string alias;   // the source in the FROM clause
  std::string source;  // the column of that source
};

struct ViewDef {
  std::string name;
  bool distinct = false;
  std::vector<std::pair<std::string, std::string>> sources;  // alias -> table or earlier view
  std::string from;                                          // the FROM clause, without FROM
  std::vector<ViewColumn> columns;
  std::string orderBy;     // ORDER BY list for lookups and the list
  std::string argColumn;   // the column that the argument named "arg" filters
  bool served = false;     // a lookup view
  std::vector<ColumnDef> resolved;  // the columns typed from their sources

  const ColumnDef* Find(std::string_view column) const noexcept;
};

struct Catalog {
  std::vector<TableDef> tables;  // in creation order (referenced tables first)
  std::vector<ViewDef> views;    // in creation order (views used by others first)

  const TableDef* FindTable(std::string_view name) const noexcept;
  const ViewDef* FindView(std::string_view name) const noexcept;
};

const Catalog& GetCatalog();

// The captions a person reads for the served views: the view's own (an empty field) and its
// columns'. Kept in the table HOST_CAPTION (OBJECT_NAME, FIELD_NAME, CAPTION).
struct CaptionDef {
  const char* object;
  const char* field;
  const char* caption;
};
const std::vector<CaptionDef>& DefaultCaptions();
// The statements that create HOST_CAPTION when it is missing and add the default captions it
// lacks (a caption already kept stays).
std::vector<std::string> CaptionStatements();

// The statements that create the schema, in order.
// The document list in its order, read without a sort of the whole table (added on opening a
// database of an older host too).
inline constexpr const char* kListIndexSql =
    "CREATE INDEX IF NOT EXISTS IX_BILDA_LIST ON TB_BILDA (BILDA003 DESC, BILDA002 DESC, BILDA_ID DESC)";
std::vector<std::string> SchemaStatements();

// ---- values ----

// A value as SQLite stores it: NULL, integer, real or text.
using Stored = std::variant<std::monostate, int64_t, double, std::string>;

// Reads a value for a column: Null, Empty and "" become NULL; texts are read as the column's
// type. On failure answers false with the reason in `why`.
bool ToStored(const ColumnDef& column, const Variant& value, Stored& out, std::string& why);
// The Variant of a stored value of a column.
bool FromStored(const ColumnDef& column, const Stored& value, Variant& out, std::string& why);

// Dates are stored as "yyyy-mm-dd hh:nn:ss" text, which sorts by time and is SQLite's own form.
std::string IsoDateTime(TDateTime value);
// Reads yyyy-mm-dd with an optional time hh:nn or hh:nn:ss after a blank.
bool ParseIsoDateTime(std::string_view text, TDateTime& out);

}  // namespace hostdb::detail
