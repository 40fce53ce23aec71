// The request document: parameters, variables and, for a save, one recordset per table with the
// deleted rows first, then the inserted and modified rows, child rows nested in their parent's row.
//
// Child rows are found through groups of the child's rows by foreign-key value, built once per
// request, so the writer stays linear in the rows; each group keeps the child table's row order.
#include <cmath>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"
#include "protocol/cvprotocol.h"
#include "protocol/cvxmldom.h"

namespace {

constexpr std::string_view kDeclaration = "version=\"1.0\" encoding=\"utf-8\"";

bool IsIntegralType(TFieldType t) noexcept {
  return t == ftSmallint || t == ftInteger || t == ftWord || t == ftLargeint || t == ftAutoInc;
}

bool IsFloatType(TFieldType t) noexcept { return t == ftFloat || t == ftCurrency; }

bool IsDecimalType(TFieldType t) noexcept { return t == ftBCD || t == ftFMTBcd; }

// The text of a field as the documents carry it: numbers with "." whatever the format settings say.
std::string KeyText(const TField* f) {
  const TFieldType t = f->DataType();
  if (IsFloatType(t)) return f->IsNull() ? std::string() : FloatToStr(f->AsFloat(), TFormatSettings::Invariant());
  if (IsDecimalType(t)) return f->IsNull() ? std::string() : CurrToStr(f->AsCurrency(), TFormatSettings::Invariant());
  return f->AsString();
}

// The value attribute of a field in an inserted or modified row.
std::string ValueText(const TField* f) {
  switch (f->DataType()) {
    case ftDate:
    case ftDateTime:
    case ftTimeStamp:
      return f->IsNull() ? std::string()
                         : FormatDateTime("yyyy-mm-dd hh:nn:ss", f->AsDateTime(), TFormatSettings::Invariant());
    case ftTime:
      return f->IsNull() ? std::string() : FormatDateTime("hh:nn:ss", f->AsDateTime(), TFormatSettings::Invariant());
    case ftBoolean: return !f->IsNull() && f->AsBoolean() ? "1" : "0";
    default: return KeyText(f);
  }
}

// Foreign-key values are matched as numbers when the column holds numbers ("12", "12.0" and " 12"
// are one key), else as texts.
std::string CanonicalNumber(double d) {
  if (std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 9.2e18) return IntToStr(static_cast<int64_t>(d));
  return FloatToStr(d, TFormatSettings::Invariant());
}

std::optional<std::string> CanonicalKey(const TField* fk, std::string_view key) {
  const TFieldType t = fk->DataType();
  if (!IsIntegralType(t) && !IsFloatType(t) && !IsDecimalType(t)) return std::string(key);
  const std::string trimmed = Trim(key);
  int64_t i = 0;
  if (TryStrToInt64(trimmed, i)) return IntToStr(i);
  double d = 0;
  if (TryStrToFloat(trimmed, d, TFormatSettings::Invariant())) return CanonicalNumber(d);
  return std::nullopt;
}

std::optional<std::string> CanonicalValue(const TField* fk) {
  if (fk->IsNull()) return std::nullopt;
  const TFieldType t = fk->DataType();
  if (IsIntegralType(t)) return IntToStr(fk->AsLargeInt());
  if (IsFloatType(t) || IsDecimalType(t)) return CanonicalNumber(fk->AsFloat());
  return fk->AsString();
}

const char* OpOfDeletion(uint8_t deleteMode) { return deleteMode != 0 ? "2" : "4"; }

bool HasRecords(TMemTableGx* t) { return t->Active() && t->RecordCount() > 0; }

void SetRowHead(TXmlNode* row, const char* op, TMemTableGx* data) {
  TCvXmlDom::SetCheckedAttribute(row, "op", op);
  TCvXmlDom::SetCheckedAttribute(row, "pk", data->PKName());
  TCvXmlDom::SetCheckedAttribute(row, "fk", data->FKName());
}

}  // namespace

// What the writer knows about Data's rows during one request.
struct TCvTable::RowIndex {
  std::vector<int> recNos;             // the row's RecNo in Data
  std::vector<TUpdateStatus> status;
  std::vector<std::string> keys;       // the untrimmed text of the key field
  std::vector<int> all;                // every row, in order
  bool grouped = false;
  std::unordered_map<std::string, std::vector<int>> groups;  // rows by canonical foreign-key value
  const TField* fkField = nullptr;
  std::unordered_map<std::string, bool> changesBelow;        // ChildrenHaveChanges by key
  // Columns written for inserted and modified rows, with their attribute names.
  std::vector<TField*> valueFields;
  std::vector<std::string> valueNames;
  bool valuesReady = false;
};

// Here, where the row index is a complete type.
TCvTable::TCvTable() : data_(std::make_unique<TMemTableGx>(nullptr)), delta_(std::make_unique<TMemTableGx>(nullptr)) {}

TCvTable::~TCvTable() { ClearChildren(); }

void TCvTable::ResetRowIndex() noexcept {
  rows_.reset();
  for (auto& child : children_) child->ResetRowIndex();
}

TCvTable::RowIndex& TCvTable::Rows() {
  if (rows_) return *rows_;
  // A closed Data cannot be walked: its rows are unknown, not none (its Delta may be open).
  data_->CheckActive();
  auto r = std::make_unique<RowIndex>();
  const TField* key = data_->PKName().empty() ? nullptr : data_->FieldByName(data_->PKName());
  const int count = data_->RecordCount();
  r->recNos.reserve(count);
  r->status.reserve(count);
  r->keys.reserve(count);
  data_->First();
  for (int i = 0; i < count && !data_->Eof(); ++i) {
    r->recNos.push_back(data_->RecNo());
    r->status.push_back(data_->UpdateStatus());
    r->keys.push_back(key ? KeyText(key) : std::string());
    r->all.push_back(i);
    data_->Next();
  }
  rows_ = std::move(r);
  return *rows_;
}

const std::vector<int>& TCvTable::RowsUnder(std::string_view key) {
  RowIndex& r = Rows();
  if (key.empty()) return r.all;
  if (!r.grouped) {
    const std::string parentName = parent_ ? parent_->Data()->CvTableName() : std::string();
    const std::string fk = GetFKFieldName(parentName);
    if (fk.empty())
      throw EDatabaseError(Format("Table %s has no foreign key to %s", {data_->CvTableName(), parentName}));
    r.fkField = data_->FieldByName(fk);
    data_->First();
    for (int i = 0; i < static_cast<int>(r.all.size()) && !data_->Eof(); ++i) {
      if (auto v = CanonicalValue(r.fkField)) r.groups[*v].push_back(i);
      data_->Next();
    }
    r.grouped = true;
  }
  static const std::vector<int> none;
  auto canonical = CanonicalKey(r.fkField, key);
  if (!canonical) return none;
  auto it = r.groups.find(*canonical);
  return it == r.groups.end() ? none : it->second;
}

std::string TCvTable::GetFKFieldName(std::string_view parentTableName) const {
  std::string list = data_->FKName();
  if (list.empty()) return {};
  if (list.back() != ';') list += ';';
  const int n = CountSubStr(list, ";");
  for (int i = 1; i <= n; ++i) {
    const std::string_view item = GetDelimitedItem(list, ';', i);
    const size_t colon = item.find(':');
    const std::string_view name = colon == std::string_view::npos ? std::string_view() : item.substr(0, colon);
    if (SameText(name, parentTableName))
      return std::string(colon == std::string_view::npos ? item : item.substr(colon + 1));
  }
  return {};
}

bool TCvTable::HasDeletedRowsBelow() const {
  for (const auto& child : children_)
    if (HasRecords(child->Delta()) || child->HasDeletedRowsBelow()) return true;
  return false;
}

bool TCvTable::ChildrenHaveChanges(std::string_view key) {
  RowIndex& self = Rows();
  const std::string memoKey(key);
  if (auto it = self.changesBelow.find(memoKey); it != self.changesBelow.end()) return it->second;
  bool changed = false;
  for (auto& child : children_) {
    RowIndex& rows = child->Rows();
    for (int r : child->RowsUnder(key)) {
      if (rows.status[r] != usUnmodified || child->ChildrenHaveChanges(Trim(rows.keys[r]))) {
        changed = true;
        break;
      }
    }
    if (changed) break;
  }
  self.changesBelow.emplace(memoKey, changed);
  return changed;
}

void TCvTable::WriteValues(TXmlNode* row, char op) {
  RowIndex& r = Rows();
  if (!r.valuesReady) {
    for (TField* f : data_->Fields()) {
      if (f->IsJoin()) continue;
      std::string name = UpperCase(f->FieldName());
      TCvXmlDom::CheckName(name);
      r.valueFields.push_back(f);
      r.valueNames.push_back(std::move(name));
    }
    r.valuesReady = true;
  }
  if (op == '1') TCvXmlDom::SetCheckedAttribute(row, "rn", IntToStr(data_->GetRecordRowNum()));
  for (size_t i = 0; i < r.valueFields.size(); ++i)
    TCvXmlDom::SetCheckedAttribute(row, r.valueNames[i], ValueText(r.valueFields[i]));
}

void TCvTable::WriteRows(TCvXmlDom& dom, std::string_view parentKey, TXmlNode* parent) {
  std::unique_ptr<TXmlNode> element;
  if (isChild_) {
    element = dom.CreateElement("child");
  } else {
    element = dom.CreateElement("param");
    TCvXmlDom::SetCheckedAttribute(element.get(), "typ", "recordset");
  }
  TCvXmlDom::SetCheckedAttribute(element.get(), "tbname", data_->CvTableName());
  if (!isChild_) WriteDeletedRows(dom, element.get(), false);

  const std::vector<int>& rows = RowsUnder(parentKey);
  RowIndex& r = Rows();
  for (int i : rows) {
    const TUpdateStatus status = r.status[i];
    std::string key;
    char op;
    if (status == usDeleted) continue;
    if (status == usModified) {
      op = '3';
      key = r.keys[i];
    } else if (status == usInserted) {
      op = '1';
      key = Trim(r.keys[i]);
    } else {
      key = Trim(r.keys[i]);
      if (!ChildrenHaveChanges(key)) continue;
      op = '0';
    }
    data_->SetRecNo(r.recNos[i]);
    auto row = dom.CreateElement(data_->CvTableName());
    const char opText[2] = {op, 0};
    SetRowHead(row.get(), opText, data_.get());
    if (op == '0') {
      if (!data_->PKName().empty()) {
        const std::string name = UpperCase(data_->PKName());
        TCvXmlDom::SetAttribute(row.get(), name, KeyText(data_->FieldByName(data_->PKName())));
      } else {
        for (TField* f : data_->Fields())
          if (f->IsKey() && !f->IsJoin()) TCvXmlDom::SetAttribute(row.get(), UpperCase(f->FieldName()), KeyText(f));
      }
    } else {
      WriteValues(row.get(), op);
    }
    for (auto& child : children_) child->WriteRows(dom, key, row.get());
    TCvXmlDom::AppendChild(element.get(), std::move(row));
  }
  TCvXmlDom::AppendChild(parent, std::move(element));
}

// Whether a row of Delta lies under one of the parent's deleted rows, whose cascade removes it.
bool TCvTable::CoveredByParent(const std::vector<std::string>& parentKeys, const TField* fk) const {
  if (!fk || parentKeys.empty()) return false;
  const auto value = CanonicalValue(fk);
  if (!value) return false;
  for (const std::string& key : parentKeys)
    if (CanonicalKey(fk, key) == value) return true;
  return false;
}

const TField* TCvTable::DeltaForeignKey() const {
  if (!parent_) return nullptr;
  const std::string name = GetFKFieldName(parent_->Data()->CvTableName());
  return name.empty() ? nullptr : delta_->FindField(name);
}

// One element per row of Delta carrying its key, leaving out the rows under `parentKeys`; each
// holds the cascade of the child tables. Answers the keys of the rows of Delta.
std::vector<std::string> TCvTable::WriteDeletedRowsOf(TCvXmlDom& dom, TXmlNode* parent, bool keyFromData,
                                                      const char* op, const std::vector<std::string>& parentKeys) {
  const std::string& keyName = keyFromData ? data_->PKName() : delta_->PKName();
  TCvXmlDom::CheckName(keyName);
  TField* key = delta_->FieldByName(delta_->PKName());
  const TField* fk = parentKeys.empty() ? nullptr : DeltaForeignKey();
  std::vector<std::string> keys;
  delta_->First();
  while (!delta_->Eof()) {
    keys.push_back(KeyText(key));
    if (!CoveredByParent(parentKeys, fk)) {
      auto row = dom.CreateElement(data_->CvTableName());
      SetRowHead(row.get(), op, data_.get());
      TCvXmlDom::SetCheckedAttribute(row.get(), keyName, keys.back());
      for (auto& child : children_) child->WriteDeletedRows(dom, row.get(), true);
      TCvXmlDom::AppendChild(parent, std::move(row));
    }
    delta_->Next();
  }
  return keys;
}

bool TCvTable::HasDeletionsOutside(const std::vector<std::string>& parentKeys) {
  if (HasDeletedRowsBelow()) return true;
  if (!HasRecords(delta_.get())) return false;
  const TField* fk = DeltaForeignKey();
  for (delta_->First(); !delta_->Eof(); delta_->Next())
    if (!CoveredByParent(parentKeys, fk)) return true;
  return false;
}

// After the deleted rows of this table: the deletions of child rows under the rows it keeps, each
// child table's in a keyless wrapper row. A request that deletes one header and a line of another
// must carry both.
void TCvTable::WriteDeletionsUnderKeptRows(TCvXmlDom& dom, TXmlNode* container,
                                           const std::vector<std::string>& deletedKeys) {
  for (auto& child : children_) {
    if (!child->HasDeletionsOutside(deletedKeys)) continue;
    auto wrapper = dom.CreateElement(data_->CvTableName());
    SetRowHead(wrapper.get(), "0", data_.get());
    child->WriteDeletions(dom, wrapper.get(), false, deletedKeys);
    TCvXmlDom::AppendChild(container, std::move(wrapper));
  }
}

void TCvTable::WriteDeletedRows(TCvXmlDom& dom, TXmlNode* parent, bool cascade) {
  WriteDeletions(dom, parent, cascade, {});
}

void TCvTable::WriteDeletions(TCvXmlDom& dom, TXmlNode* parent, bool cascade,
                              const std::vector<std::string>& parentKeys) {
  const char* op = OpOfDeletion(deleteMode_);
  if (delta_->PKName().empty() && data_->CvTableName() != "UNKNOWN") {
    const std::string& name = data_->CvTableName();
    delta_->SetPKName(UpperCase(name.size() > 3 ? std::string_view(name).substr(3) : std::string_view()) + "_ID");
  }
  if (data_->PKName().empty()) data_->SetPKName(delta_->PKName());
  const bool hasDeleted = HasRecords(delta_.get());

  if (!isChild_) {
    if (hasDeleted) {
      const std::vector<std::string> deleted = WriteDeletedRowsOf(dom, parent, false, op, {});
      WriteDeletionsUnderKeptRows(dom, parent, deleted);
      return;
    }
    // Wrappers that carry the deletions of the tables below.
    for (auto& child : children_) {
      if (!HasDeletedRowsBelow()) continue;
      auto wrapper = dom.CreateElement(data_->CvTableName());
      SetRowHead(wrapper.get(), "0", data_.get());
      child->WriteDeletedRows(dom, wrapper.get(), false);
      TCvXmlDom::AppendChild(parent, std::move(wrapper));
    }
    return;
  }

  if (!cascade && !hasDeleted) {
    for (auto& grandchild : children_) {
      if (!HasDeletedRowsBelow()) continue;
      auto element = dom.CreateElement("child");
      TCvXmlDom::SetCheckedAttribute(element.get(), "tbname", data_->CvTableName());
      auto wrapper = dom.CreateElement(data_->CvTableName());
      SetRowHead(wrapper.get(), "0", data_.get());
      grandchild->WriteDeletedRows(dom, wrapper.get(), false);
      TCvXmlDom::AppendChild(element.get(), std::move(wrapper));
      TCvXmlDom::AppendChild(parent, std::move(element));
    }
    return;
  }

  auto element = dom.CreateElement("child");
  TCvXmlDom::SetCheckedAttribute(element.get(), "tbname", data_->CvTableName());
  if (cascade) {
    // Every row of this table under the enclosing deleted row goes.
    auto row = dom.CreateElement(data_->CvTableName());
    SetRowHead(row.get(), op, data_.get());
    for (auto& grandchild : children_) grandchild->WriteDeletedRows(dom, row.get(), true);
    TCvXmlDom::AppendChild(element.get(), std::move(row));
  } else {
    const std::vector<std::string> deleted = WriteDeletedRowsOf(dom, element.get(), true, op, parentKeys);
    WriteDeletionsUnderKeptRows(dom, element.get(), deleted);
  }
  TCvXmlDom::AppendChild(parent, std::move(element));
}

std::string TCvProtocol::BuildRequest() {
  struct ResetRows {
    TCvTables* tables;
    void Run() noexcept {
      for (int i = 0; i < tables->Count(); ++i) tables->Items(i)->ResetRowIndex();
    }
    ~ResetRows() { Run(); }
  } reset{tables_.get()};
  reset.Run();

  TCvXmlDom dom;
  dom.AppendChild(dom.CreateProcessingInstruction("xml", kDeclaration));
  auto root = dom.CreateElement("corvane");
  auto params = dom.CreateElement("params");
  for (int i = 0; i < params_->Count(); ++i) {
    const TCvParam* p = params_->Items(i);
    auto e = dom.CreateElement("param");
    if (p->DataType() != CvType::Unset) TCvXmlDom::AppendChild(e.get(), dom.CreateTextNode(p->Value()));
    if (p->DataType() <= CvType::Time) TCvXmlDom::SetCheckedAttribute(e.get(), "typ", CvTypeWord(p->DataType()));
    TCvXmlDom::AppendChild(params.get(), std::move(e));
  }
  if (variables_->Count() > 0) {
    auto block = dom.CreateElement("param");
    TCvXmlDom::SetCheckedAttribute(block.get(), "typ", "variable");
    for (int i = 0; i < variables_->Count(); ++i) {
      const TCvParam* v = variables_->Items(i);
      if (v->DataType() == CvType::Unset) continue;
      auto e = dom.CreateElement("var");
      TCvXmlDom::SetCheckedAttribute(e.get(), "varname", v->Name());
      TCvXmlDom::SetCheckedAttribute(e.get(), "value", v->Value());
      if (v->DataType() <= CvType::Time) TCvXmlDom::SetCheckedAttribute(e.get(), "typ", CvTypeWord(v->DataType()));
      else if (v->DataType() == CvType::Untyped) TCvXmlDom::SetCheckedAttribute(e.get(), "typ", "var");
      TCvXmlDom::AppendChild(block.get(), std::move(e));
    }
    TCvXmlDom::AppendChild(params.get(), std::move(block));
  }
  for (int i = 0; i < tables_->Count(); ++i) {
    TCvTable* t = tables_->Items(i);
    // Deleted rows of a table below go out also when this table has no row of its own.
    if (t->HasRows() || t->HasDeletedRowsBelow()) {
      t->WriteRows(dom, {}, params.get());
    } else {
      auto e = dom.CreateElement("param");
      TCvXmlDom::SetCheckedAttribute(e.get(), "typ", "recordset");
      TCvXmlDom::SetCheckedAttribute(e.get(), "tbname", "UNKNOWN");
      TCvXmlDom::AppendChild(params.get(), std::move(e));
    }
  }
  TCvXmlDom::AppendChild(root.get(), std::move(params));
  dom.AppendChild(std::move(root));
  return dom.Xml();
}
