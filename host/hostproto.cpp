#include "host/hostproto.h"

#include <charconv>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/strings.h"
#include "protocol/cvxmldom.h"
#include "xml/text.h"

namespace fanohost {

using hostdb::ChangeRow;
using hostdb::Printable;
using hostdb::RowStatus;

namespace {


bool IsControlAttribute(std::string_view name) { return name == "op" || name == "pk" || name == "fk" || name == "rn"; }

bool ReadOp(std::string_view op, RowStatus& status) {
  if (op == "0") status = RowStatus::Unmodified;
  else if (op == "1") status = RowStatus::Inserted;
  else if (op == "2" || op == "4") status = RowStatus::Deleted;
  else if (op == "3") status = RowStatus::Modified;
  else return false;
  return true;
}

bool ReadInt64(std::string_view text, int64_t& out) {
  std::string t = Trim(text);
  if (t.empty()) return false;
  const char* first = t.data();
  if (*first == '+') ++first;
  auto [end, ec] = std::from_chars(first, t.data() + t.size(), out);
  return ec == std::errc() && end == t.data() + t.size();
}

// The rows under a recordset or a "child" element, depth first, each after the row it nests under.
class RowReader {
 public:
  explicit RowReader(std::vector<ChangeRow>& out) : out_(out) {}

  bool ReadRows(const TXmlNode* container, int parent, std::string& why) {
    // An explicit stack: nesting comes from the input, and its depth is the input's choice.
    struct Pending {
      const TXmlNode* container;
      int parent;
      int next;
    };
    std::vector<Pending> stack{{container, parent, 0}};
    while (!stack.empty()) {
      Pending& top = stack.back();
      if (top.next >= top.container->NodeCount()) {
        stack.pop_back();
        continue;
      }
      const TXmlNode* row = top.container->Nodes(top.next++);
      if (!TCvXmlDom::IsElement(row)) continue;
      int rowParent = top.parent;
      ChangeRow change;
      change.table = row->Name();
      if (row->Name() == "child") {
        why = "a \"child\" element stands outside a row";
        return false;
      }
      auto op = TCvXmlDom::GetAttribute(row, "op");
      if (!op) {
        why = "the row " + Printable(row->Name()) + " has no \"op\"";
        return false;
      }
      if (!ReadOp(Trim(*op), change.status)) {
        why = "the row " + Printable(row->Name()) + " has an unknown op " + Printable(*op);
        return false;
      }
      change.parent = rowParent;
      std::string pk = TCvXmlDom::GetAttribute(row, "pk").value_or("");
      if (change.status == RowStatus::Inserted) {
        auto rn = TCvXmlDom::GetAttribute(row, "rn");
        if (!rn || !ReadInt64(*rn, change.rn)) {
          why = "the inserted row " + Printable(row->Name()) + " has no row number \"rn\"";
          return false;
        }
      }
      for (int a = 0; a < row->AttributeCount(); ++a) {
        std::string name = row->AttributeName(a);
        if (IsControlAttribute(name)) continue;
        std::string value = row->AttributeValue(a);
        // An empty attribute is a null field (the writer writes nulls that way).
        Variant v = value.empty() ? Variant::Null() : Variant(value);
        if (!pk.empty() && SameText(name, pk) && change.status != RowStatus::Inserted) change.key = v;
        change.values.emplace_back(std::move(name), std::move(v));
      }
      int index = static_cast<int>(out_.size());
      out_.push_back(std::move(change));
      // Its "child" elements: row elements of the child tables that nest under this row.
      std::vector<const TXmlNode*> children;
      for (int c = 0; c < row->NodeCount(); ++c) {
        const TXmlNode* child = row->Nodes(c);
        if (!TCvXmlDom::IsElement(child)) continue;
        if (child->Name() != "child") {
          why = "the row " + Printable(row->Name()) + " holds " + Printable(child->Name()) + " where only \"child\" may stand";
          return false;
        }
        children.push_back(child);
      }
      // Pushed in reverse so that they are read in document order.
      for (auto it = children.rbegin(); it != children.rend(); ++it) stack.push_back({*it, index, 0});
    }
    return true;
  }

 private:
  std::vector<ChangeRow>& out_;
};

bool ReadParams(const TXmlNode* params, HostRequest& out, std::string& why) {
  for (int i = 0; i < params->NodeCount(); ++i) {
    const TXmlNode* p = params->Nodes(i);
    if (!TCvXmlDom::IsElement(p)) continue;
    if (p->Name() != "param") {
      why = "\"params\" holds " + Printable(p->Name()) + " where only \"param\" may stand";
      return false;
    }
    auto typ = TCvXmlDom::GetAttribute(p, "typ");
    if (typ && *typ == "variable") {
      for (int v = 0; v < p->NodeCount(); ++v) {
        const TXmlNode* var = p->Nodes(v);
        if (!TCvXmlDom::IsElement(var)) continue;
        if (var->Name() != "var") {
          why = "a variable block holds " + Printable(var->Name());
          return false;
        }
        out.variables.push_back({TCvXmlDom::GetAttribute(var, "varname").value_or(""),
                                 TCvXmlDom::GetAttribute(var, "typ").value_or(""),
                                 TCvXmlDom::GetAttribute(var, "value").value_or("")});
      }
    } else if (typ && *typ == "recordset") {
      ++out.recordsets;
      RowReader reader(out.changes);
      if (!reader.ReadRows(p, -1, why)) return false;
    } else {
      RequestParam param;
      param.type = typ.value_or("");
      param.value = TCvXmlDom::Text(p);
      param.unset = !typ && p->NodeCount() == 0 && param.value.empty();
      out.params.push_back(std::move(param));
    }
  }
  return true;
}

}  // namespace

bool ParamAsInt64(const RequestParam& param, int64_t& out) { return ReadInt64(param.value, out); }

bool ReadRequest(std::string_view text, HostRequest& out, std::string& why) {
  out = HostRequest{};
  why.clear();
  try {
    TCvXmlDom dom;
    // One root and nothing after it: a request with a second root or trailing text is not one
    // the module wrote, and nothing of it is applied.
    dom.Document().SetStrictRootChecks(true);
    std::string error;
    if (Trim(text).empty()) {
      why = "the request is empty";
      return false;
    }
    if (!dom.LoadXml(text, &error)) {
      why = "the request is not XML: " + error;
      return false;
    }
    TXmlNode* root = dom.SelectSingleNode("corvane");
    if (!root) {
      why = "the request has no \"corvane\" element";
      return false;
    }
    TXmlNode* params = TCvXmlDom::SelectSingleNode(root, "params");
    if (!params) {
      why = "the request has no \"params\" element";
      return false;
    }
    if (!ReadParams(params, out, why)) {
      out = HostRequest{};
      return false;
    }
    return true;
  } catch (const std::exception& e) {
    out = HostRequest{};
    why = std::string("the request cannot be read: ") + e.what();
    return false;
  }
}

// ---- replies ----

// Replies are written straight into their text, the way TCvXmlDom writes a document (no
// indentation, every value escaped as it escapes attribute values, in double quotes): a list of many
// thousand rows would otherwise be built as nodes first and copied out after.
namespace {

void AppendReplyAttribute(std::string& out, std::string_view name, std::string_view value) {
  out += ' ';
  out.append(name);
  out += "=\"";
  TCvXmlDom::AppendAttributeValue(out, value);
  out += '"';
}

// Values from the database are UTF-8 already: they are checked in place and copied only when not.
void AppendReplyValue(std::string& out, std::string_view name, std::string_view value) {
  if (IsValidUtf8(value)) AppendReplyAttribute(out, name, value);
  else AppendReplyAttribute(out, name, SanitizeUtf8(value));
}

}  // namespace

ReplyWriter::ReplyWriter(int32_t code, std::string_view info) {
  text_ = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<corvane><status><code>" + std::to_string(code) + "</code>";
  if (info.empty()) {
    text_ += "<info/>";
  } else {
    text_ += "<info>";
    XmlEscapeAppend(text_, SanitizeUtf8(info));
    text_ += "</info>";
  }
  text_ += "</status>";
}

ReplyWriter::~ReplyWriter() = default;

void ReplyWriter::AddScalar(std::string_view type, std::string_view text) {
  text_ += "<rs";
  AppendReplyAttribute(text_, "typ", type);
  if (text.empty()) {
    text_ += "/>";
    return;
  }
  text_ += '>';
  XmlEscapeAppend(text_, SanitizeUtf8(text));
  text_ += "</rs>";
}

void ReplyWriter::BeginRecordset(std::string_view table, const std::vector<hostdb::Column>& columns) {
  fields_.clear();
  names_.clear();
  textColumns_.clear();
  for (const hostdb::Column& c : columns) {
    fields_ += (fields_.empty() ? "" : " ") + c.Describe();
    names_.push_back(UpperCase(c.name));
    TCvXmlDom::CheckName(names_.back());
    textColumns_.push_back(c.type == "VARCHAR");
  }
  columns_ = &columns;
  rowsWritten_ = 0;
  text_ += "<rs";
  AppendReplyAttribute(text_, "typ", "recordset");
  AppendReplyAttribute(text_, "tbname", table);
  text_ += '>';
}

void ReplyWriter::AddRow(const std::vector<Variant>& values) {
  const std::vector<hostdb::Column>& columns = *columns_;
  text_ += "<row";
  if (rowsWritten_++ == 0) AppendReplyAttribute(text_, "fields", fields_);
  for (size_t c = 0; c < columns.size() && c < values.size(); ++c) {
    const Variant& v = values[c];
    if (v.IsNull() || v.IsEmpty()) continue;
    if (textColumns_[c] && v.IsStr()) AppendReplyValue(text_, names_[c], v.StrRef());
    else AppendReplyValue(text_, names_[c], hostdb::ValueText(columns[c], v));
  }
  text_ += "/>";
}

void ReplyWriter::EndRecordset() {
  // A recordset without rows closes at once, as the library writes an empty element.
  if (rowsWritten_ == 0 && !text_.empty() && text_.back() == '>') {
    text_.back() = '/';
    text_ += '>';
  } else {
    text_ += "</rs>";
  }
  columns_ = nullptr;
}

void ReplyWriter::AddRecordset(const hostdb::RowSet& rows, size_t first, size_t count) {
  BeginRecordset(rows.table, rows.columns);
  size_t end = first + std::min(count, rows.rows.size() - std::min(first, rows.rows.size()));
  for (size_t r = first; r < end; ++r) AddRow(rows.rows[r]);
  EndRecordset();
}

void ReplyWriter::AddRowIds(const std::vector<hostdb::NewRowId>& ids) {
  std::vector<std::string> tables;
  for (const hostdb::NewRowId& id : ids) {
    bool seen = false;
    for (const std::string& t : tables) seen = seen || SameText(t, id.table);
    if (!seen) tables.push_back(id.table);
  }
  for (const std::string& table : tables) {
    text_ += "<rs";
    AppendReplyAttribute(text_, "typ", "recordset");
    AppendReplyAttribute(text_, "tbname", table);
    text_ += '>';
    for (const hostdb::NewRowId& id : ids) {
      if (!SameText(id.table, table)) continue;
      text_ += "<rowid";
      AppendReplyAttribute(text_, "rn", std::to_string(id.rn));
      AppendReplyAttribute(text_, "tbname", id.table);
      AppendReplyAttribute(text_, "id", std::to_string(id.id));
      text_ += "/>";
    }
    text_ += "</rs>";
  }
}

std::string ReplyWriter::Text() const { return text_ + "</corvane>\n"; }

std::string ReplyWriter::Take() {
  std::string out = std::move(text_);
  text_.clear();
  out += "</corvane>\n";
  return out;
}

std::string StatusReply(int32_t code, std::string_view info) {
  ReplyWriter w(code, info);
  return w.Take();
}

}  // namespace fanohost
