#pragma once
// The host's side of the data protocol: it reads the request documents the module writes and
// writes the reply documents the module reads, both over our XML library (protocol/cvxmldom.h).
//
//   HostRequest req;
//   std::string why;
//   if (!ReadRequest(text, req, why)) ...              // not a request document: `why` says so
//   req.params[0].value                                 // positional parameters
//   req.changes                                         // the rows of every recordset, flattened
//
//   ReplyWriter reply(0, "");                           // status code and info text
//   reply.AddScalar("integer", "42");
//   reply.AddRecordset(rows);                           // a row set of the host database
//   reply.AddRowIds(newIds);
//   std::string text = reply.Take();            // (Text() leaves the writer as it is)
//
// The request document: root "corvane" holding "params"; in it "param" elements: plain parameters
// (optional "typ", the value as text; an element without content is an unset parameter), one
// variable block (typ "variable" with "var" elements) and recordsets (typ "recordset", "tbname").
// A recordset holds row elements named by their table with "op" (0 unmodified, 1 inserted,
// 2 and 4 deleted, 3 modified), "pk", "fk", "rn" for inserted rows and one attribute per field;
// a row holds "child" elements ("tbname") whose row elements nest under it.
//
// The reply document: the declaration, root "corvane", "status" with "code" and "info", then one
// "rs" element per result: scalars (typ "string", "integer", "double", "date") with the value as
// text, and recordsets (typ "recordset", "tbname") with one "row" element per row; the first row
// carries "fields", the field description NAME:TYPE:SIZE:SCALE separated by blanks, and every row
// one attribute per non-null value, named by the upper-case field name. New row ids travel as
// "rowid" elements ("rn", "tbname", "id") in a recordset of their table.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/hostdb.h"

class TCvXmlDom;
class TXmlNode;

namespace fanohost {

struct RequestParam {
  std::string type;   // the "typ" word as written; empty when absent
  std::string value;  // the text
  bool unset = false; // written empty, without a type
};

struct RequestVariable {
  std::string name;
  std::string type;
  std::string value;
};

struct HostRequest {
  std::vector<RequestParam> params;
  std::vector<RequestVariable> variables;
  // Every row of every recordset in document order; nested rows name the row they nest under.
  std::vector<hostdb::ChangeRow> changes;
  int recordsets = 0;  // recordset elements, the empty ones ("UNKNOWN") included
};

// Reads a request document. False when the text is not one (not XML, no "corvane" with
// "params", a row without a known "op", a "child" outside a row); `why` then says what is wrong.
bool ReadRequest(std::string_view text, HostRequest& out, std::string& why);

// The integer of a parameter's text; false when it is none (blanks around it are allowed).
bool ParamAsInt64(const RequestParam& param, int64_t& out);

class ReplyWriter {
 public:
  ReplyWriter(int32_t code, std::string_view info);
  ~ReplyWriter();
  ReplyWriter(const ReplyWriter&) = delete;
  ReplyWriter& operator=(const ReplyWriter&) = delete;

  // A scalar result: `type` is "string", "integer", "double" or "date".
  void AddScalar(std::string_view type, std::string_view text);
  // A recordset named by the row set's table: `count` rows from `first` (all by default).
  void AddRecordset(const hostdb::RowSet& rows, size_t first = 0, size_t count = SIZE_MAX);
  // A recordset written row by row (a list too large to hold whole): the columns must stay alive
  // until EndRecordset.
  void BeginRecordset(std::string_view table, const std::vector<hostdb::Column>& columns);
  void AddRow(const std::vector<Variant>& values);
  void EndRecordset();
  // The new ids of a save, one recordset per table in the order the tables first appear.
  void AddRowIds(const std::vector<hostdb::NewRowId>& ids);
  std::string Text() const;
  // The document without a copy; the writer is spent after it.
  std::string Take();

 private:
  std::string text_;
  // The recordset being written.
  const std::vector<hostdb::Column>* columns_ = nullptr;
  std::string fields_;
  std::vector<std::string> names_;
  std::vector<bool> textColumns_;
  size_t rowsWritten_ = 0;
};

// A reply that carries only a status.
std::string StatusReply(int32_t code, std::string_view info);

}  // namespace fanohost
