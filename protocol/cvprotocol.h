#pragma once
// The host data protocol: one request document and one reply document per exchange, built from
// and read into one object graph. A form keeps one TCvProtocol and reuses it for every call:
//
//   p.Clear();
//   p.GetParam(p.AddParam())->SetAsInteger(id);          // parameters (and, for a save, tables)
//   std::string request = p.BuildRequest();              // the request document
//   ... the host link sends it and gets the reply text ...
//   if (p.ParseReply(reply) && p.Code() == 0)            // ErrorText() says why a reply was refused
//     p.GetTable(0)->CopyDataTo(mtblMain);
//
// For a save: AddTable, then SetData / SetDelta / AddChild on the table that GetTable answers;
// after the reply, ApplyNewIds on each form table whose inserted rows got keys from the host.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "memtable/memtable.h"
#include "platform/rtl/persistent.h"
#include "protocol/delimited.h"

class TCvXmlDom;
class TXmlNode;

// Type codes of a parameter or variable.
namespace CvType {
constexpr uint8_t String = 0;
constexpr uint8_t Integer = 1;
constexpr uint8_t Double = 2;
constexpr uint8_t Float = 3;
constexpr uint8_t DateTime = 4;
constexpr uint8_t Date = 5;
constexpr uint8_t Time = 6;
constexpr uint8_t Untyped = 7;
constexpr uint8_t Unset = 8;
}  // namespace CvType

// One parameter, reply scalar or named variable.
class TCvParam : public TPersistent {
  FANO_CLASS(TCvParam)
 public:
  TCvParam() = default;
  const std::string& Value() const noexcept { return value_; }
  void SetValue(std::string_view v) { value_.assign(v); }
  uint8_t DataType() const noexcept { return dataType_; }
  void SetDataType(uint8_t v) noexcept { dataType_ = v; }
  const std::string& Name() const noexcept { return name_; }
  void SetName(std::string_view v) { name_.assign(v); }

  const std::string& AsString() const noexcept { return value_; }
  void SetAsString(std::string_view v);
  // 0 when the value is no integer.
  int32_t AsInteger() const;
  void SetAsInteger(int32_t v);
  // Written with "." whatever the format settings say.
  void SetAsFloat(double v);

 private:
  std::string value_;
  uint8_t dataType_ = CvType::Unset;
  std::string name_;
};

// A list that owns its items; an index out of range raises EListError.
template <class T>
class TCvOwnedList : public TPersistent {
 public:
  int Add() {
    items_.push_back(std::make_unique<T>());
    return Count() - 1;
  }
  int Count() const noexcept { return static_cast<int>(items_.size()); }
  T* Items(int index) const;
  // Frees the items from the front.
  void Clear() noexcept {
    for (auto& item : items_) item.reset();
    items_.clear();
  }

 protected:
  std::vector<std::unique_ptr<T>> items_;
};

class TCvParams : public TCvOwnedList<TCvParam> {
  FANO_CLASS(TCvParams)
 public:
  TCvParams() = default;
};

// One row-id record of a reply: the key the host gave to the inserted row sent with "rn".
class TCvRowId : public TObject {
 public:
  TCvRowId() = default;
  int32_t Rn() const noexcept { return rn_; }
  void SetRn(int32_t v) noexcept { rn_ = v; }
  int32_t Id() const noexcept { return id_; }
  void SetId(int32_t v) noexcept { id_ = v; }
  const std::string& TbName() const noexcept { return tbName_; }
  void SetTbName(std::string_view v) { tbName_.assign(v); }

 private:
  int32_t rn_ = 0;
  int32_t id_ = 0;
  std::string tbName_;
};

// One recordset: the rows to send (or received) in Data, the deleted rows to send in Delta, and
// child tables whose rows nest under this table's rows.
class TCvTable : public TPersistent {
  FANO_CLASS(TCvTable)
 public:
  TCvTable();
  ~TCvTable() override;

  TMemTableGx* Data() const noexcept { return data_.get(); }
  TMemTableGx* Delta() const noexcept { return delta_.get(); }
  bool IsChild() const noexcept { return isChild_; }
  TCvTable* Parent() const noexcept { return parent_; }
  // 0: deletions are written with op "4"; anything else: op "2".
  uint8_t DeleteMode() const noexcept { return deleteMode_; }
  void SetDeleteMode(uint8_t v) noexcept { deleteMode_ = v; }
  // Rows SetData takes: 0 all, 1 the changed ones, 2 the current one.
  uint8_t CopyMode() const noexcept { return copyMode_; }
  void SetCopyMode(uint8_t v) noexcept { copyMode_ = v; }

  // Copies the structure, names, flags and rows (by CopyMode; a child takes all) of a form table.
  void SetData(TMemTableGx* source);
  // Copies the structure, names, flags and every row of a form's deleted-rows table.
  void SetDelta(TMemTableGx* source);
  TCvTable* AddChild(TMemTableGx* detailData, TMemTableGx* detailDelta);
  int GetChildCount() const noexcept { return static_cast<int>(children_.size()); }
  TCvTable* GetChild(int index) const;
  void ClearChildren() noexcept;
  // Loads every row of Data into the target (which keeps its own columns); nothing when Data is
  // closed or empty.
  void CopyDataTo(TMemTableGx* target);

  // ---- request writing ----
  // Appends this table's recordset element (top level) or "child" element to `parent`.
  void WriteRows(TCvXmlDom& dom, std::string_view parentKey, TXmlNode* parent);
  // Appends this table's deleted-row elements to `parent`.
  void WriteDeletedRows(TCvXmlDom& dom, TXmlNode* parent, bool cascade);
  // Whether a row of a child table under that key (or of their children) carries a change.
  bool ChildrenHaveChanges(std::string_view key);
  // The field of Data that refers to the parent table of that name; empty when none.
  std::string GetFKFieldName(std::string_view parentTableName) const;
  bool HasDeletedRowsBelow() const;
  // Data or Delta open with at least one row.
  bool HasRows() const;

  // Drops what the writer learnt about the rows (their order, keys and groups by parent key);
  // BuildRequest calls it before it starts.
  void ResetRowIndex() noexcept;

 private:
  struct RowIndex;
  void CopyFrom(TMemTableGx* target, TMemTableGx* source);
  RowIndex& Rows();
  // The rows of Data under a parent key, in Data's order (all of them for an empty key).
  const std::vector<int>& RowsUnder(std::string_view key);
  void WriteValues(TXmlNode* row, char op);
  std::vector<std::string> WriteDeletedRowsOf(TCvXmlDom& dom, TXmlNode* parent, bool keyFromData, const char* op,
                                              const std::vector<std::string>& parentKeys);
  // WriteDeletedRows, leaving out the rows of Delta under the parent's deleted rows `parentKeys`.
  void WriteDeletions(TCvXmlDom& dom, TXmlNode* parent, bool cascade, const std::vector<std::string>& parentKeys);
  void WriteDeletionsUnderKeptRows(TCvXmlDom& dom, TXmlNode* container, const std::vector<std::string>& deletedKeys);
  bool HasDeletionsOutside(const std::vector<std::string>& parentKeys);
  // The field of Delta that refers to the parent table; null when none.
  const TField* DeltaForeignKey() const;
  bool CoveredByParent(const std::vector<std::string>& parentKeys, const TField* fk) const;

  std::unique_ptr<TMemTableGx> data_;
  std::unique_ptr<TMemTableGx> delta_;
  std::vector<std::unique_ptr<TCvTable>> children_;
  bool isChild_ = false;
  TCvTable* parent_ = nullptr;
  uint8_t deleteMode_ = 0;
  uint8_t copyMode_ = 2;
  std::unique_ptr<RowIndex> rows_;
};

class TCvTables : public TCvOwnedList<TCvTable> {
  FANO_CLASS(TCvTables)
 public:
  TCvTables() = default;
};

class TCvProtocol : public TPersistent {
  FANO_CLASS(TCvProtocol)
 public:
  TCvProtocol();
  ~TCvProtocol() override;

  TCvParams* Params() const noexcept { return params_.get(); }
  TCvParams* Variables() const noexcept { return variables_.get(); }
  TCvTables* Tables() const noexcept { return tables_.get(); }
  // Reply code and information text of the last reply. A reply that could not be read sets the
  // code to -1 and the text to the reason.
  int32_t Code() const noexcept { return code_; }
  const std::string& Info() const noexcept { return info_; }
  // Why the last ParseReply answered false; empty after a successful one.
  const std::string& ErrorText() const noexcept { return errorText_; }
  uint8_t DeleteMode() const noexcept { return deleteMode_; }
  void SetDeleteMode(uint8_t v) noexcept { deleteMode_ = v; }
  uint8_t CopyMode() const noexcept { return copyMode_; }
  // A new value also goes to every table already added.
  void SetCopyMode(uint8_t v);

  int AddParam();
  TCvParam* GetParam(int index) const { return params_->Items(index); }
  int GetParamCount() const noexcept { return params_->Count(); }
  TCvParam* GetVariable(int index) const { return variables_->Items(index); }
  // The new table takes the protocol's delete and copy modes.
  int AddTable();
  TCvTable* GetTable(int index) const { return tables_->Items(index); }
  int GetTableCount() const noexcept { return tables_->Count(); }
  int AddRowId();
  TCvRowId* GetRowId(int index) const;
  int GetRowIdCount() const noexcept { return static_cast<int>(rowIds_.size()); }

  // Parameters, tables and variables; the reply code, text and row ids stay.
  void Clear();
  void ClearParams() { params_->Clear(); }
  void ClearVariables() { variables_->Clear(); }
  void ClearTables() { tables_->Clear(); }
  void ClearRowIds() noexcept;

  // The request document; an exception on the way propagates and no text is made.
  std::string BuildRequest();
  // Reads a reply document into Code, Info, Params, Tables and RowIds. False when the text is not
  // a reply that can be read whole (ErrorText says why); then no parameter, table or row id of it
  // is kept.
  bool ParseReply(std::string_view text);
  // The same read through the whole document tree, which ParseReply falls back on for a reply
  // that fails while its rows are read during the parse; kept callable for the checks that
  // compare the two.
  bool ParseReplyFromTree(std::string_view text);
  // The key the host gave to row `rowNum` of table `tableName` (ignoring ASCII case; the last
  // matching record wins); 0 when there is none.
  int32_t FindNewId(std::string_view tableName, int32_t rowNum) const;
  // Writes the host's keys into the inserted rows of a form table (by their row numbers, which
  // the request sent as "rn"). Rows the reply gave no key, or an id that reads 0 (not a number, or
  // past the 32-bit range), keep theirs rather than take 0: two such rows would share the key 0
  // (which a unique key refuses half-way), the rows keyed to them would nest under neither in the
  // next save, and a caller could no longer tell them from keyed rows. A key the table refuses
  // raises with that row left as it was.
  void ApplyNewIds(TMemTableGx* table);

 private:
  std::optional<int32_t> FindRowId(std::string_view tableName, int32_t rowNum) const;
  // Raises the reason a reply cannot be read; `streamed` reads the rows while the text is parsed.
  bool ReadReply(std::string_view text, bool streamed);
  void ReadRecordset(TXmlNode* rs);

  std::unique_ptr<TCvParams> params_;
  std::unique_ptr<TCvTables> tables_;
  std::unique_ptr<TCvParams> variables_;
  std::vector<std::unique_ptr<TCvRowId>> rowIds_;
  int32_t code_ = 0;
  std::string info_;
  std::string errorText_;
  uint8_t deleteMode_ = 0;
  uint8_t copyMode_ = 2;
};

// The type word a request writes for a type code ("string" ... "time"); empty for other codes.
std::string_view CvTypeWord(uint8_t code) noexcept;
