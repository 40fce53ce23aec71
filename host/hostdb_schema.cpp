#include "host/hostdb_schema.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"

namespace hostdb::detail {

namespace {

ColumnDef Key(const char* name) { return {name, ColType::Integer, 0, 0, {}, true, false}; }
ColumnDef Text(const char* name, int size) { return {name, ColType::Varchar, size, 0, {}, false, false}; }
ColumnDef Int(const char* name, const char* references = "") {
  return {name, ColType::Integer, 0, 0, references, false, false};
}
ColumnDef Num(const char* name, int precision, int scale) {
  return {name, ColType::Number, precision, scale, {}, false, false};
}
ColumnDef Day(const char* name) { return {name, ColType::Date, 0, 0, {}, false, false}; }

void AddAudit(std::vector<ColumnDef>& columns) {
  columns.push_back(Text("CREATE_USER", 12));
  columns.push_back(Text("USER_GROUP", 12));
  columns.push_back(Day("CREATE_DATE"));
  columns.push_back(Text("MODIFIER", 12));
  columns.push_back(Day("MODI_DATE"));
  columns.push_back(Int("FLAG"));
}

TableDef Table(const char* name, std::vector<ColumnDef> columns) {
  TableDef t;
  t.name = name;
  t.key = columns.front().name;
  t.columns = std::move(columns);
  return t;
}

// A view column named like its source column.
ViewColumn Same(const char* alias, const char* column) { return {column, alias, column}; }

void AddSame(ViewDef& v, const char* alias, std::initializer_list<const char*> columns) {
  for (const char* c : columns) v.columns.push_back(Same(alias, c));
}

ViewDef View(const char* name, std::vector<std::pair<std::string, std::string>> sources, const char* from) {
  ViewDef v;
  v.name = name;
  v.sources = std::move(sources);
  v.from = from;
  return v;
}

const std::initializer_list<const char*> kAudit = {"CREATE_USER", "USER_GROUP", "CREATE_DATE",
                                                   "MODIFIER",    "MODI_DATE",  "FLAG"};

void BuildTables(Catalog& c) {
  c.tables.push_back(Table("TB_PUBCA", {Key("PUBCA_ID"), Text("PUBCA001", 20), Text("PUBCA002", 30)}));
  c.tables.push_back(Table("TB_PUBCB", {Key("PUBCB_ID"), Text("PUBCB001", 20), Text("PUBCB002", 30),
                                        Text("PUBCB003", 12), Text("PUBCB004", 20), Int("PUBCB005", "TB_PUBCA")}));
  c.tables.push_back(Table("TB_PUBCC", {Key("PUBCC_ID"), Text("PUBCC001", 20), Text("PUBCC002", 30)}));
  c.tables.push_back(Table("TB_PUBCD", {Key("PUBCD_ID"), Text("PUBCD001", 20), Text("PUBCD002", 30),
                                        Text("PUBCD003", 30), Int("PUBCD004", "TB_PUBCC")}));
  c.tables.push_back(Table("TB_PUBFA", {Key("PUBFA_ID"), Text("PUBFA001", 20), Text("PUBFA002", 30),
                                        Text("PUBFA003", 12)}));
  c.tables.push_back(Table("TB_PUBGO", {Key("PUBGO_ID"), Text("PUBGO001", 20), Text("PUBGO002", 20),
                                        Text("PUBGO003", 30), Text("PUBGO004", 12), Text("PUBGO005", 20)}));
  c.tables.push_back(Table("TB_PUBIG", {Key("PUBIG_ID"), Text("PUBIG001", 20), Int("PUBIG002"),
                                        Text("PUBIG003", 20), Text("PUBIG004", 30), Num("PUBIG005", 10, 2),
                                        Int("PUBIG006", "TB_PUBCB")}));
  c.tables.push_back(Table("TB_CONBE", {Key("CONBE_ID"), Int("CONBE001", "TB_PUBGO"), Int("CONBE002", "TB_PUBIG"),
                                        Text("CONBE003", 30), Day("CONBE004"), Day("CONBE005"),
                                        Num("CONBE006", 12, 2)}));
  c.tables.push_back(Table("TB_ACCSU", {Key("ACCSU_ID"), Text("ACCSU001", 20), Text("ACCSU002", 30)}));
  c.tables.push_back(Table("TB_PUBFE", {Key("PUBFE_ID"), Text("PUBFE001", 20), Text("PUBFE002", 30),
                                        Text("PUBFE003", 1), Int("PUBFE004", "TB_ACCSU")}));
  c.tables.push_back(Table("TB_ARCPA", {Key("ARCPA_ID"), Text("ARCPA001", 20), Int("ARCPA002", "TB_PUBGO"),
                                        Day("ARCPA003"), Num("ARCPA004", 14, 2)}));

  std::vector<ColumnDef> a = {
      Key("BILDA_ID"),          Int("BILDA001", "TB_PUBFA"), Text("BILDA002", 16),
      Day("BILDA003"),          Int("BILDA004", "TB_PUBCA"), Int("BILDA005", "TB_PUBCB"),
      Int("BILDA006", "TB_PUBGO"), Int("BILDA007", "TB_PUBIG"), Int("BILDA008", "TB_CONBE"),
      Int("BILDA009", "TB_PUBCC"), Int("BILDA010", "TB_PUBCD"), Text("BILDA011", 255),
      Text("BILDA012", 1),      Text("BILDA013", 1),         Int("BILDA014", "TB_PUBCD"),
      Day("BILDA015"),          Int("BILDA016", "TB_PUBCD"), Day("BILDA017"),
      Text("BILDA018", 1),      Text("BILDA019", 1),         Text("BILDA020", 30),
      Text("BILDA021", 1)};
  AddAudit(a);
  TableDef bilda = Table("TB_BILDA", std::move(a));
  bilda.writable = true;
  bilda.displayView = "vd_bilda";
  c.tables.push_back(std::move(bilda));

  ColumnDef fk = Int("BILDB001", "TB_BILDA");
  fk.notNull = true;
  fk.cascade = true;
  std::vector<ColumnDef> b = {
      Key("BILDB_ID"),       fk,                          Int("BILDB002", "TB_ARCPA"),
      Int("BILDB003", "TB_PUBFE"), Text("BILDB004", 1),   Int("BILDB005", "TB_ACCSU"),
      Num("BILDB006", 14, 2), Text("BILDB008", 255),      Int("BILDB009"),
      Text("BILDB010", 16),  Int("BILDB011"),             Text("BILDB012", 16)};
  AddAudit(b);
  TableDef bildb = Table("TB_BILDB", std::move(b));
  bildb.writable = true;
  bildb.parent = "TB_BILDA";
  bildb.parentKey = "BILDB001";
  bildb.displayView = "vd_bildb";
  c.tables.push_back(std::move(bildb));
}

void BuildViews(Catalog& c) {
  {
    ViewDef v = View("vh_pubfa", {{"fa", "TB_PUBFA"}}, "TB_PUBFA fa");
    AddSame(v, "fa", {"PUBFA_ID", "PUBFA001", "PUBFA002", "PUBFA003"});
    v.orderBy = "PUBFA001";
    v.served = true;
    c.views.push_back(std::move(v));
  }
  {
    ViewDef v = View("vh_pubgo", {{"go", "TB_PUBGO"}}, "TB_PUBGO go");
    AddSame(v, "go", {"PUBGO_ID", "PUBGO001", "PUBGO002", "PUBGO003", "PUBGO004", "PUBGO005"});
    v.orderBy = "PUBGO001";
    v.served = true;
    c.views.push_back(std::move(v));
  }
  {
    ViewDef v = View("vh_conbe", {{"ct", "TB_CONBE"}, {"go", "TB_PUBGO"}, {"ig", "TB_PUBIG"}},
                     "TB_CONBE ct LEFT JOIN TB_PUBGO go ON go.PUBGO_ID = ct.CONBE001 "
                     "LEFT JOIN TB_PUBIG ig ON ig.PUBIG_ID = ct.CONBE002");
    AddSame(v, "ct", {"CONBE_ID", "CONBE001"});
    v.columns.push_back({"CONBE001C1", "go", "PUBGO001"});
    v.columns.push_back({"CONBE001C2", "go", "PUBGO003"});
    AddSame(v, "ct", {"CONBE002"});
    v.columns.push_back({"CONBE002C1", "ig", "PUBIG003"});
    v.columns.push_back({"CONBE002C2", "ig", "PUBIG004"});
    AddSame(v, "ct", {"CONBE003", "CONBE004", "CONBE005", "CONBE006"});
    v.orderBy = "CONBE003";
    v.served = true;
    c.views.push_back(std::move(v));
  }
  {
    // Stalls with the merchants that hold them under a contract: one row per stall and merchant.
    ViewDef v = View("vh_pubig_t1", {{"ig", "TB_PUBIG"}, {"ct", "TB_CONBE"}, {"cb", "TB_PUBCB"}},
                     "TB_PUBIG ig JOIN TB_CONBE ct ON ct.CONBE002 = ig.PUBIG_ID "
                     "LEFT JOIN TB_PUBCB cb ON cb.PUBCB_ID = ig.PUBIG006");
    v.distinct = true;
    AddSame(v, "ig", {"PUBIG_ID", "PUBIG001", "PUBIG002", "PUBIG003", "PUBIG004", "PUBIG005", "PUBIG006"});
    v.columns.push_back({"PUBIG006C1", "cb", "PUBCB001"});
    v.columns.push_back({"PUBIG006C2", "cb", "PUBCB002"});
    v.columns.push_back({"PUBGO_ID", "ct", "CONBE001"});
    v.orderBy = "PUBIG003, PUBGO_ID";
    v.argColumn = "PUBGO_ID";
    v.served = true;
    c.views.push_back(std::move(v));
  }
  {
    ViewDef v = View("vh_pubcb", {{"cb", "TB_PUBCB"}, {"ca", "TB_PUBCA"}},
                     "TB_PUBCB cb LEFT JOIN TB_PUBCA ca ON ca.PUBCA_ID = cb.PUBCB005");
    AddSame(v, "cb", {"PUBCB_ID", "PUBCB001", "PUBCB002", "PUBCB003", "PUBCB004", "PUBCB005"});
    v.columns.push_back({"PUBCB005C1", "ca", "PUBCA001"});
    v.columns.push_back({"PUBCB005C2", "ca", "PUBCA002"});
    v.orderBy = "PUBCB001";
    v.served = true;
    c.views.push_back(std::move(v));
  }
  {
    ViewDef v = View("vh_pubcc", {{"cc", "TB_PUBCC"}}, "TB_PUBCC cc");
    AddSame(v, "cc", {"PUBCC_ID", "PUBCC001", "PUBCC002"});
    v.orderBy = "PUBCC001";
    v.served = true;
    c.views.push_back(std::move(v));
  }
  {
    ViewDef v = View("vh_pubcd", {{"cd", "TB_PUBCD"}, {"cc", "TB_PUBCC"}},
                     "TB_PUBCD cd LEFT JOIN TB_PUBCC cc ON cc.PUBCC_ID = cd.PUBCD004");
    AddSame(v, "cd", {"PUBCD_ID", "PUBCD001", "PUBCD002", "PUBCD003", "PUBCD004"});
    v.columns.push_back({"PUBCD004C1", "cc", "PUBCC001"});
    v.columns.push_back({"PUBCD004C2", "cc", "PUBCC002"});
    v.orderBy = "PUBCD001";
    v.served = true;
    c.views.push_back(std::move(v));
  }
  {
    // The header record in the module's field order, its joined columns taken through the
    // lookup views (the stall straight from its table: the stall view repeats a stall per
    // merchant).
    ViewDef v = View("vd_bilda",
                     {{"a", "TB_BILDA"},
                      {"fa", "vh_pubfa"},
                      {"cb", "vh_pubcb"},
                      {"go", "vh_pubgo"},
                      {"ig", "TB_PUBIG"},
                      {"ct", "vh_conbe"},
                      {"cc", "vh_pubcc"},
                      {"sp", "vh_pubcd"},
                      {"eu", "vh_pubcd"},
                      {"au", "vh_pubcd"}},
                     "TB_BILDA a "
                     "LEFT JOIN vh_pubfa fa ON fa.PUBFA_ID = a.BILDA001 "
                     "LEFT JOIN vh_pubcb cb ON cb.PUBCB_ID = a.BILDA005 "
                     "LEFT JOIN vh_pubgo go ON go.PUBGO_ID = a.BILDA006 "
                     "LEFT JOIN TB_PUBIG ig ON ig.PUBIG_ID = a.BILDA007 "
                     "LEFT JOIN vh_conbe ct ON ct.CONBE_ID = a.BILDA008 "
                     "LEFT JOIN vh_pubcc cc ON cc.PUBCC_ID = a.BILDA009 "
                     "LEFT JOIN vh_pubcd sp ON sp.PUBCD_ID = a.BILDA010 "
                     "LEFT JOIN vh_pubcd eu ON eu.PUBCD_ID = a.BILDA014 "
                     "LEFT JOIN vh_pubcd au ON au.PUBCD_ID = a.BILDA016");
    AddSame(v, "a", {"BILDA002"});
    v.columns.push_back({"BILDA007C1", "ig", "PUBIG003"});
    v.columns.push_back({"BILDA006C1", "go", "PUBGO001"});
    AddSame(v, "a", {"BILDA003", "BILDA_ID", "BILDA001", "BILDA004", "BILDA005", "BILDA006", "BILDA007",
                     "BILDA008", "BILDA009", "BILDA010", "BILDA011", "BILDA012", "BILDA013", "BILDA014",
                     "BILDA015", "BILDA016", "BILDA017", "BILDA018", "BILDA019", "BILDA020", "BILDA021"});
    AddSame(v, "a", kAudit);
    v.columns.push_back({"BILDA001C1", "fa", "PUBFA001"});
    v.columns.push_back({"BILDA001C2", "fa", "PUBFA002"});
    v.columns.push_back({"BILDA005C1", "cb", "PUBCB001"});
    v.columns.push_back({"BILDA005C2", "cb", "PUBCB002"});
    v.columns.push_back({"BILDA006C2", "go", "PUBGO003"});
    v.columns.push_back({"BILDA007C2", "ig", "PUBIG004"});
    v.columns.push_back({"BILDA008C1", "ct", "CONBE003"});
    v.columns.push_back({"BILDA009C1", "cc", "PUBCC001"});
    v.columns.push_back({"BILDA009C2", "cc", "PUBCC002"});
    v.columns.push_back({"BILDA010C1", "sp", "PUBCD002"});
    v.columns.push_back({"BILDA010C2", "sp", "PUBCD003"});
    v.columns.push_back({"BILDA014C1", "eu", "PUBCD002"});
    v.columns.push_back({"BILDA014C2", "eu", "PUBCD003"});
    v.columns.push_back({"BILDA016C1", "au", "PUBCD002"});
    v.columns.push_back({"BILDA016C2", "au", "PUBCD003"});
    v.orderBy = "BILDA003 DESC, BILDA002 DESC, BILDA_ID DESC";
    c.views.push_back(std::move(v));
  }
  {
    ViewDef v = View("vd_bildb", {{"b", "TB_BILDB"}, {"rc", "TB_ARCPA"}, {"fe", "TB_PUBFE"}, {"su", "TB_ACCSU"}},
                     "TB_BILDB b "
                     "LEFT JOIN TB_ARCPA rc ON rc.ARCPA_ID = b.BILDB002 "
                     "LEFT JOIN TB_PUBFE fe ON fe.PUBFE_ID = b.BILDB003 "
                     "LEFT JOIN TB_ACCSU su ON su.ACCSU_ID = b.BILDB005");
    AddSame(v, "b", {"BILDB_ID", "BILDB001", "BILDB002"});
    v.columns.push_back({"BILDB002C1", "rc", "ARCPA001"});
    AddSame(v, "b", {"BILDB003"});
    v.columns.push_back({"BILDB003C1", "fe", "PUBFE001"});
    v.columns.push_back({"BILDB003C2", "fe", "PUBFE002"});
    AddSame(v, "b", {"BILDB004", "BILDB005"});
    v.columns.push_back({"BILDB005C1", "su", "ACCSU002"});
    AddSame(v, "b", {"BILDB006", "BILDB008", "BILDB009", "BILDB010", "BILDB011", "BILDB012"});
    AddSame(v, "b", kAudit);
    v.orderBy = "BILDB_ID";
    c.views.push_back(std::move(v));
  }
}

// Types every view column from the table or earlier view it reads.
void ResolveViews(Catalog& c) {
  for (size_t i = 0; i < c.views.size(); ++i) {
    ViewDef& v = c.views[i];
    for (const ViewColumn& vc : v.columns) {
      std::string source;
      for (const auto& [alias, object] : v.sources)
        if (alias == vc.alias) source = object;
      const ColumnDef* from = nullptr;
      if (const TableDef* t = c.FindTable(source)) from = t->Find(vc.source);
      for (size_t j = 0; j < i && !from; ++j)
        if (SameText(c.views[j].name, source)) from = c.views[j].Find(vc.source);
      if (!from) throw std::logic_error("host schema: view " + v.name + " reads an unknown column " + vc.alias + "." + vc.source);
      ColumnDef col = *from;
      col.name = vc.name;
      col.references.clear();
      col.notNull = false;
      col.cascade = false;
      v.resolved.push_back(std::move(col));
    }
  }
}

std::string TypeSql(const ColumnDef& c) {
  switch (c.type) {
    case ColType::Varchar: return "VARCHAR(" + std::to_string(c.size) + ")";
    case ColType::Integer: return "INTEGER";
    case ColType::Number: return "NUMBER(" + std::to_string(c.size) + "," + std::to_string(c.scale) + ")";
    case ColType::Date: return "DATE";
  }
  return "";
}

// Guards for other writers of the file: the storage class, the date form, and the size in
// characters (the exact code-page-936 byte count is checked before every write of ours).
std::string CheckSql(const ColumnDef& c) {
  const std::string& n = c.name;
  switch (c.type) {
    case ColType::Varchar:
      return "CHECK (" + n + " IS NULL OR (typeof(" + n + ") = 'text' AND length(" + n + ") <= " +
             std::to_string(c.size) + "))";
    case ColType::Integer: return "CHECK (typeof(" + n + ") IN ('integer', 'null'))";
    case ColType::Number: return "CHECK (typeof(" + n + ") IN ('integer', 'real', 'null'))";
    case ColType::Date:
      return "CHECK (" + n + " IS NULL OR (typeof(" + n + ") = 'text' AND " + n +
             " GLOB '[0-9][0-9][0-9][0-9]-[0-1][0-9]-[0-3][0-9] [0-2][0-9]:[0-5][0-9]:[0-5][0-9]'))";
  }
  return "";
}

std::string CreateTableSql(const Catalog& cat, const TableDef& t) {
  std::string sql = "CREATE TABLE " + t.name + " (\n";
  for (size_t i = 0; i < t.columns.size(); ++i) {
    const ColumnDef& c = t.columns[i];
    sql += "  " + c.name + " ";
    if (c.name == t.key) {
      sql += "INTEGER PRIMARY KEY AUTOINCREMENT";
    } else {
      sql += TypeSql(c);
      if (c.notNull) sql += " NOT NULL";
      if (!c.references.empty()) {
        const TableDef* target = cat.FindTable(c.references);
        if (!target) throw std::logic_error("host schema: " + t.name + "." + c.name + " refers to an unknown table");
        sql += " REFERENCES " + target->name + " (" + target->key + ")";
        if (c.cascade) sql += " ON DELETE CASCADE";
      }
      sql += " " + CheckSql(c);
    }
    sql += i + 1 < t.columns.size() ? ",\n" : "\n";
  }
  return sql + ")";
}

std::string CreateViewSql(const ViewDef& v) {
  std::string sql = "CREATE VIEW " + v.name + " AS SELECT ";
  if (v.distinct) sql += "DISTINCT ";
  for (size_t i = 0; i < v.columns.size(); ++i) {
    const ViewColumn& c = v.columns[i];
    if (i) sql += ", ";
    sql += c.alias + "." + c.source + " AS " + c.name;
  }
  return sql + " FROM " + v.from;
}

bool ReadDigits(std::string_view s, size_t& pos, int minDigits, int maxDigits, int& out) {
  int n = 0;
  int value = 0;
  while (pos < s.size() && n < maxDigits && s[pos] >= '0' && s[pos] <= '9') {
    value = value * 10 + (s[pos] - '0');
    ++pos;
    ++n;
  }
  out = value;
  return n >= minDigits;
}

bool Expect(std::string_view s, size_t& pos, char c) {
  if (pos >= s.size() || s[pos] != c) return false;
  ++pos;
  return true;
}

double Pow10(int n) {
  double p = 1;
  for (int i = 0; i < n; ++i) p *= 10;
  return p;
}

// A number kept to `scale` decimals as a database keeps the decimal it is given: the shortest text of
// the double (the decimal the module sent) rounded half away from zero, digit by digit, so that
// 1.005 keeps 1.01 though the double nearest it lies just below.
double RoundToScale(double d, int scale) {
  char buf[400];
  const auto r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::fixed);
  if (r.ec != std::errc()) return std::round(d * Pow10(scale)) / Pow10(scale);
  std::string text(buf, r.ptr);
  const size_t point = text.find('.');
  if (point == std::string::npos || text.size() - point - 1 <= static_cast<size_t>(scale)) return d;
  const bool up = text[point + 1 + scale] >= '5';
  text.resize(scale > 0 ? point + 1 + scale : point);
  if (up) {
    size_t i = text.size();
    while (i > 0) {
      char& c = text[--i];
      if (c == '.') continue;
      if (c == '-') {
        ++i;
        break;
      }
      if (c != '9') {
        ++c;
        i = std::string::npos;
        break;
      }
      c = '0';
    }
    if (i != std::string::npos) text.insert(i, 1, '1');
  }
  double rounded = 0;
  std::from_chars(text.data(), text.data() + text.size(), rounded);
  return rounded;
}

const TDateTime kMinDate = -693593;  // 0001-01-01
const TDateTime kEndDate = 2958466;  // 10000-01-01

}  // namespace

Column ColumnDef::Public() const {
  static const char* const kWords[] = {"VARCHAR", "INTEGER", "NUMBER", "DATE"};
  return {name, kWords[static_cast<int>(type)], type == ColType::Varchar || type == ColType::Number ? size : 0,
          type == ColType::Number ? scale : 0};
}

namespace {
// Schema names are SQL names: case is ignored.
template <class T>
const T* FindNamed(const std::vector<T>& items, std::string_view name) noexcept {
  for (const T& item : items)
    if (SameText(item.name, name)) return &item;
  return nullptr;
}
}  // namespace

const ColumnDef* TableDef::Find(std::string_view column) const noexcept { return FindNamed(columns, column); }
const ColumnDef* ViewDef::Find(std::string_view column) const noexcept { return FindNamed(resolved, column); }
const TableDef* Catalog::FindTable(std::string_view name) const noexcept { return FindNamed(tables, name); }
const ViewDef* Catalog::FindView(std::string_view name) const noexcept { return FindNamed(views, name); }

const Catalog& GetCatalog() {
  static const Catalog catalog = [] {
    Catalog c;
    BuildTables(c);
    BuildViews(c);
    ResolveViews(c);
    return c;
  }();
  return catalog;
}

std::vector<std::string> SchemaStatements() {
  const Catalog& cat = GetCatalog();
  std::vector<std::string> out;
  for (const TableDef& t : cat.tables) {
    out.push_back(CreateTableSql(cat, t));
    // Lines are read and deleted by their header; the stall lookup goes through the contracts.
    if (!t.parentKey.empty())
      out.push_back("CREATE INDEX IX_" + t.parentKey + " ON " + t.name + " (" + t.parentKey + ")");
  }
  out.push_back("CREATE INDEX IX_CONBE001 ON TB_CONBE (CONBE001)");
  out.push_back("CREATE INDEX IX_CONBE002 ON TB_CONBE (CONBE002)");
  out.push_back(kListIndexSql);
  for (const ViewDef& v : cat.views) out.push_back(CreateViewSql(v));
  return out;
}

const std::vector<CaptionDef>& DefaultCaptions() {
  static const std::vector<CaptionDef> captions = {
      {"vh_pubfa", "", "单别"},
      {"vh_pubfa", "PUBFA_ID", "单别ID"},
      {"vh_pubfa", "PUBFA001", "单别代码"},
      {"vh_pubfa", "PUBFA002", "单别名称"},
      {"vh_pubfa", "PUBFA003", "所属模块"},
      {"vh_pubgo", "", "商户"},
      {"vh_pubgo", "PUBGO_ID", "商户ID"},
      {"vh_pubgo", "PUBGO001", "商户号"},
      {"vh_pubgo", "PUBGO002", "经营项目"},
      {"vh_pubgo", "PUBGO003", "商户名称"},
      {"vh_pubgo", "PUBGO004", "联系人"},
      {"vh_pubgo", "PUBGO005", "联系电话"},
      {"vh_conbe", "", "合同"},
      {"vh_conbe", "CONBE_ID", "合同ID"},
      {"vh_conbe", "CONBE001", "商户ID"},
      {"vh_conbe", "CONBE001C1", "商户号"},
      {"vh_conbe", "CONBE001C2", "商户名称"},
      {"vh_conbe", "CONBE002", "摊位ID"},
      {"vh_conbe", "CONBE002C1", "摊位编号"},
      {"vh_conbe", "CONBE002C2", "摊位名称"},
      {"vh_conbe", "CONBE003", "合同号"},
      {"vh_conbe", "CONBE004", "起租日期"},
      {"vh_conbe", "CONBE005", "到期日期"},
      {"vh_conbe", "CONBE006", "租金"},
      {"vh_pubig_t1", "", "摊位"},
      {"vh_pubig_t1", "PUBIG_ID", "摊位ID"},
      {"vh_pubig_t1", "PUBIG001", "区域"},
      {"vh_pubig_t1", "PUBIG002", "楼层"},
      {"vh_pubig_t1", "PUBIG003", "摊位编号"},
      {"vh_pubig_t1", "PUBIG004", "摊位名称"},
      {"vh_pubig_t1", "PUBIG005", "面积"},
      {"vh_pubig_t1", "PUBIG006", "营运组织ID"},
      {"vh_pubig_t1", "PUBIG006C1", "营运组织代码"},
      {"vh_pubig_t1", "PUBIG006C2", "营运组织名称"},
      {"vh_pubig_t1", "PUBGO_ID", "商户ID"},
      {"vh_pubcb", "", "营运组织"},
      {"vh_pubcb", "PUBCB_ID", "营运组织ID"},
      {"vh_pubcb", "PUBCB001", "营运组织代码"},
      {"vh_pubcb", "PUBCB002", "营运组织名称"},
      {"vh_pubcb", "PUBCB003", "负责人"},
      {"vh_pubcb", "PUBCB004", "电话"},
      {"vh_pubcb", "PUBCB005", "公司ID"},
      {"vh_pubcb", "PUBCB005C1", "公司代码"},
      {"vh_pubcb", "PUBCB005C2", "公司名称"},
      {"vh_pubcc", "", "业务部门"},
      {"vh_pubcc", "PUBCC_ID", "部门ID"},
      {"vh_pubcc", "PUBCC001", "部门代码"},
      {"vh_pubcc", "PUBCC002", "部门名称"},
      {"vh_pubcd", "", "业务人员"},
      {"vh_pubcd", "PUBCD_ID", "人员ID"},
      {"vh_pubcd", "PUBCD001", "工号"},
      {"vh_pubcd", "PUBCD002", "帐号"},
      {"vh_pubcd", "PUBCD003", "姓名"},
      {"vh_pubcd", "PUBCD004", "部门ID"},
      {"vh_pubcd", "PUBCD004C1", "部门代码"},
      {"vh_pubcd", "PUBCD004C2", "部门名称"},
  };
  return captions;
}

std::vector<std::string> CaptionStatements() {
  auto quoted = [](std::string_view text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("''") : std::string(1, c);
    return out + "'";
  };
  std::vector<std::string> out = {
      "CREATE TABLE IF NOT EXISTS HOST_CAPTION (OBJECT_NAME VARCHAR(30) NOT NULL, FIELD_NAME VARCHAR(30) NOT NULL, "
      "CAPTION VARCHAR(60) NOT NULL, PRIMARY KEY (OBJECT_NAME, FIELD_NAME))"};
  for (const CaptionDef& c : DefaultCaptions())
    out.push_back("INSERT OR IGNORE INTO HOST_CAPTION VALUES (" + quoted(c.object) + ", " + quoted(c.field) + ", " +
                  quoted(c.caption) + ")");
  return out;
}

// ---- values ----

std::string IsoDateTime(TDateTime value) {
  int y, mo, d, h, mi, s, ms;
  DecodeDateTime(value, y, mo, d, h, mi, s, ms);
  if (y < 0 || y > 9999) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", y, mo, d, h, mi, s);
    return buf;
  }
  // Every date of a long list goes through here: the digits are placed, not formatted.
  std::string out = "0000-00-00 00:00:00";
  auto put = [&out](size_t at, int value, int digits) {
    for (int i = digits - 1; i >= 0; --i, value /= 10) out[at + static_cast<size_t>(i)] = static_cast<char>('0' + value % 10);
  };
  put(0, y, 4);
  put(5, mo, 2);
  put(8, d, 2);
  put(11, h, 2);
  put(14, mi, 2);
  put(17, s, 2);
  return out;
}

bool ParseIsoDateTime(std::string_view text, TDateTime& out) {
  size_t pos = 0;
  int y, mo, d, h = 0, mi = 0, s = 0;
  if (!ReadDigits(text, pos, 4, 4, y) || !Expect(text, pos, '-') || !ReadDigits(text, pos, 1, 2, mo) ||
      !Expect(text, pos, '-') || !ReadDigits(text, pos, 1, 2, d))
    return false;
  if (pos < text.size()) {
    if (!Expect(text, pos, ' ') || !ReadDigits(text, pos, 1, 2, h) || !Expect(text, pos, ':') ||
        !ReadDigits(text, pos, 2, 2, mi))
      return false;
    if (pos < text.size() && (!Expect(text, pos, ':') || !ReadDigits(text, pos, 2, 2, s))) return false;
    if (pos != text.size()) return false;
  }
  TDateTime date, time;
  if (!TryEncodeDate(y, mo, d, date) || !TryEncodeTime(h, mi, s, 0, time)) return false;
  out = ComposeDateTime(date, time);
  return true;
}

bool ToStored(const ColumnDef& column, const Variant& value, Stored& out, std::string& why) {
  out = std::monostate{};
  if (value.IsNull() || value.IsEmpty()) return true;
  try {
    switch (column.type) {
      case ColType::Varchar: {
        std::string s;
        // Booleans as the request writes them: "1" and "0".
        if (value.IsStr()) s = std::string(value.StrRef());
        else if (value.VarType() == varBoolean) s = value.AsBoolean() ? "1" : "0";
        else if (value.IsNumeric()) s = VarToStr(value);
        else break;
        if (s.empty()) return true;
        if (!IsValidUtf8(s)) {
          why = "the text is not valid UTF-8";
          return false;
        }
        size_t bytes = Cp936Length(s);
        if (bytes > static_cast<size_t>(column.size)) {
          why = "the text takes " + std::to_string(bytes) + " bytes, more than the " +
                std::to_string(column.size) + " the column holds";
          return false;
        }
        out = std::move(s);
        return true;
      }
      case ColType::Integer: {
        int64_t v;
        if (value.VarType() == varBoolean) {
          v = value.AsBoolean() ? 1 : 0;
        } else if (value.IsOrdinal()) {
          v = value.AsInt64();
        } else if (value.IsFloat()) {
          double d = value.AsDouble();
          if (!std::isfinite(d) || d != std::trunc(d) || std::fabs(d) >= 9.2e18) {
            why = "the value " + VarToStr(value) + " is not an integer";
            return false;
          }
          v = static_cast<int64_t>(d);
        } else if (value.IsStr()) {
          std::string t = Trim(value.StrRef());
          if (t.empty()) return true;
          if (!TryStrToInt64(t, v)) {
            why = "'" + SanitizeUtf8(Cp936Truncate(t, 40)) + "' is not an integer";
            return false;
          }
        } else {
          break;
        }
        out = v;
        return true;
      }
      case ColType::Number: {
        double d;
        if (value.IsNumeric()) {
          d = value.AsDouble();
        } else if (value.IsStr()) {
          std::string t = Trim(value.StrRef());
          if (t.empty()) return true;
          if (!TryStrToFloat(t, d, TFormatSettings::Invariant())) {
            why = "'" + SanitizeUtf8(Cp936Truncate(t, 40)) + "' is not a number";
            return false;
          }
        } else {
          break;
        }
        if (!std::isfinite(d)) {
          why = "the number is not finite";
          return false;
        }
        d = RoundToScale(d, column.scale);
        if (std::fabs(d) >= Pow10(column.size - column.scale)) {
          why = "the number " + FloatToStr(d, TFormatSettings::Invariant()) + " has more than " +
                std::to_string(column.size - column.scale) + " integer digits";
          return false;
        }
        out = d;
        return true;
      }
      case ColType::Date: {
        TDateTime dt;
        if (value.IsDate()) {
          dt = value.AsDateTime();
        } else if (value.IsStr()) {
          std::string t = Trim(value.StrRef());
          if (t.empty()) return true;
          if (!ParseIsoDateTime(t, dt)) {
            why = "'" + SanitizeUtf8(Cp936Truncate(t, 40)) + "' is not a date (yyyy-mm-dd hh:nn:ss)";
            return false;
          }
        } else {
          break;
        }
        if (!std::isfinite(dt) || dt < kMinDate || dt >= kEndDate) {
          why = "the date is out of range";
          return false;
        }
        out = IsoDateTime(dt);
        return true;
      }
    }
  } catch (const std::exception& e) {
    why = e.what();
    return false;
  }
  why = "a value of type " + VarTypeAsText(value.VarType()) + " does not fit the column";
  return false;
}

bool FromStored(const ColumnDef& column, const Stored& value, Variant& out, std::string& why) {
  out = Variant::Null();
  if (std::holds_alternative<std::monostate>(value)) return true;
  const int64_t* i = std::get_if<int64_t>(&value);
  const double* d = std::get_if<double>(&value);
  const std::string* s = std::get_if<std::string>(&value);
  switch (column.type) {
    case ColType::Varchar:
      if (s) out = Variant(*s);
      else if (i) out = Variant(std::to_string(*i));
      else out = Variant(FloatToStr(*d, TFormatSettings::Invariant()));
      return true;
    case ColType::Integer: {
      int64_t v;
      if (i) v = *i;
      else if (d && std::isfinite(*d) && *d == std::trunc(*d) && std::fabs(*d) < 9.2e18) v = static_cast<int64_t>(*d);
      else if (!s || !TryStrToInt64(*s, v)) break;
      out = Variant::FromInt64(v);
      return true;
    }
    case ColType::Number: {
      double v;
      if (i) v = static_cast<double>(*i);
      else if (d) v = *d;
      else if (!TryStrToFloat(*s, v, TFormatSettings::Invariant())) break;
      out = Variant(v);
      return true;
    }
    case ColType::Date: {
      TDateTime dt;
      if (!s || !ParseIsoDateTime(*s, dt)) break;
      out = Variant::FromDateTime(dt);
      return true;
    }
  }
  why = "column " + column.name + " holds a value that is not of its type";
  return false;
}

}  // namespace hostdb::detail

namespace hostdb {

std::string Column::Describe() const {
  return name + ":" + type + ":" + std::to_string(size) + ":" + std::to_string(scale);
}

std::string ValueText(const Column& column, const Variant& value) {
  if (value.IsNull() || value.IsEmpty()) return {};
  try {
    if (column.type == "INTEGER") return std::to_string(value.AsInt64());
    if (column.type == "NUMBER") {
      char buf[64];
      auto r = std::to_chars(buf, buf + sizeof buf, value.AsDouble(), std::chars_format::fixed, column.scale);
      if (r.ec == std::errc()) return std::string(buf, r.ptr);
      return FloatToStr(value.AsDouble(), TFormatSettings::Invariant());
    }
    if (column.type == "DATE") return detail::IsoDateTime(value.AsDateTime());
    return value.AsString();
  } catch (const std::exception&) {
  }
  try {
    return VarToStr(value);
  } catch (const std::exception&) {
    return {};
  }
}

}  // namespace hostdb
