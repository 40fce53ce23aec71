#pragma once
// The filter-expression parser: turns the text of a filter or aggregate expression into the
// expression blob that dataset engines evaluate.
//
// Grammar (keywords and function names ignore case; blanks separate tokens):
//   expr        := or
//   or          := and { OR and }
//   and         := not { AND not }
//   not         := NOT not | comparison
//   comparison  := sum [ compop sum | compop NULL | [NOT] LIKE sum
//                      | IS [NOT] NULL | [NOT] IN "(" expr { "," expr } ")" ]
//   compop      := "=" | "<>" | "!=" | "<" | ">" | "<=" | ">="
//   sum         := product { ("+" | "-") product }
//   product     := unary { ("*" | "/") unary }
//   unary       := ("-" | "+") unary | primary
//   primary     := number | string | TRUE | FALSE | NULL | field
//                | name "(" [ expr { "," expr } ] ")" | COUNT "(" "*" ")" | "(" expr ")"
//   field       := name | "[" any text but "]" "]" | '"' any text but '"' '"'
//   string      := "'" { any character | "''" } "'"
//   number      := digits [ "." digits ] [ ("e" | "E") ["+" | "-"] digits ]  (or "." digits ...)
//   name        := letter or "_" or a non-ASCII character, then also digits
// A minus before a number is folded into the constant (BILDB001=-1); before anything else it
// becomes 0 - operand. "x = NULL" and "x <> NULL" mean IS NULL and IS NOT NULL. Functions,
// IN and arithmetic need poExtSyntax; aggregates (SUM, MIN, MAX, AVG, COUNT, COUNT(*)) need
// poAggregate, and then every field must stand inside one aggregate.
//
// Blob layout (integers little-endian):
//   header, 10 bytes: five 16-bit words: version (2), total size, node count, node-area start
//     (10), literal-area start.
//   node area from byte 10; node offsets count from there, the root has offset 0. A node is
//     two 32-bit words, class and operator, then 16-bit operands:
//       1 unary      operand
//       2 binary     operand 1, operand 2 (IN: operand 2 is the first list element)
//       3 compare    ignore-case flag, partial length, operand 1, operand 2
//       4 field      field number, literal offset of the NUL-terminated name
//       5 constant   parser type code, size in bytes, literal offset of the value
//      10 function   literal offset of the NUL-terminated name, first list element (0 = none)
//      11 list elem  expression, next element (0 = last)
//   literal area: literal offsets count from its start.
// Constants: string code 1 (UTF-8 bytes and a NUL, size counts the NUL), Boolean 4 (16-bit),
// integer 6 (32-bit), float 7 (64-bit IEEE), large integer 18 (64-bit), date 2 (32-bit day
// number, 1 = 0001-01-01), time 10 (32-bit milliseconds of the day), date-time 11 (64-bit
// double, milliseconds since 0001-01-01 00:00), and NULL as code 27 with size 0. A string
// compared with a field of another type is converted to that type when parsed.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/db/dbtypes.h"

class TDataSet;
class TComponent;

enum TParserOption : uint8_t { poExtSyntax, poAggregate };
using TParserOptions = TSet<TParserOption>;

// Node classes of the blob.
enum TExprNodeClass : uint32_t {
  nodeNULL = 0, nodeUNARY = 1, nodeBINARY = 2, nodeCOMPARE = 3, nodeFIELD = 4, nodeCONST = 5,
  nodeTUPLE = 6, nodeCONTINUE = 7, nodeUDF = 8, nodeLIST = 9, nodeFUNC = 10, nodeLISTELEM = 11
};

// Operator codes of the blob.
enum TCANOperator : uint32_t {
  coNOTDEFINED = 0, coISBLANK = 1, coNOTBLANK = 2, coEQ = 3, coNE = 4, coGT = 5, coLT = 6,
  coGE = 7, coLE = 8, coNOT = 9, coAND = 10, coOR = 11, coTUPLE2 = 12, coFIELD2 = 13,
  coCONST2 = 14, coMINUS = 15, coADD = 16, coSUB = 17, coMUL = 18, coDIV = 19, coMOD = 20,
  coREM = 21, coSUM = 22, coCOUNT = 23, coMIN = 24, coMAX = 25, coAVG = 26, coCONT = 27,
  coUDF2 = 28, coCONTINUE2 = 29, coLIKE = 30, coIN = 31, coLIST2 = 32, coUPPER = 33,
  coLOWER = 34, coFUNC2 = 35, coLISTELEM2 = 36, coASSIGN = 37
};

// Parser type codes of constants and fields.
enum TExprTypeCode : uint16_t {
  fldUNKNOWN = 0, fldZSTRING = 1, fldDATE = 2, fldBLOB = 3, fldBOOL = 4, fldINT16 = 5,
  fldINT32 = 6, fldFLOAT = 7, fldBCD = 8, fldBYTES = 9, fldTIME = 10, fldTIMESTAMP = 11,
  fldUINT16 = 12, fldUINT32 = 13, fldFLOATIEEE = 14, fldVARBYTES = 15, fldLOCKINFO = 16,
  fldCURSOR = 17, fldINT64 = 18, fldUINT64 = 19, fldADT = 20, fldARRAY = 21, fldREF = 22,
  fldTABLE = 23, fldDATETIME = 24, fldFMTBCD = 25, fldWIDESTRING = 26,
  fldNULL = 27  // first code past the map: the constant is Null
};

constexpr int ExprHeaderSize = 10;
constexpr uint16_t ExprBlobVersion = 2;

// Field type to parser type code.
using TFieldMap = std::array<uint8_t, FieldTypeCount>;
const TFieldMap& DefaultFieldMap() noexcept;

// What the parser needs to know of a field named in the text.
struct TExprFieldInfo {
  std::string Name;  // as the dataset spells it
  int FieldNo = 0;   // 1-based position among the stored fields; 0 or less for others
  TFieldType DataType = ftUnknown;
  TFieldKind Kind = fkData;
};
// Answers false when there is no field of that name.
using TExprFieldResolver = std::function<bool(std::string_view name, TExprFieldInfo& info)>;

class TExprParser {
 public:
  // Fields are looked up in the dataset; a name it lacks raises "Field '%s' not found".
  TExprParser(TDataSet* dataSet, std::string_view text, TFilterOptions filterOptions = {},
              TParserOptions parserOptions = {poExtSyntax}, const TFieldMap* fieldMap = nullptr);
  // Fields are looked up through the resolver; without one every name is accepted with field
  // number 0 and unknown type. Errors name `errorComponent` when one is given.
  TExprParser(const TExprFieldResolver& resolver, std::string_view text,
              TFilterOptions filterOptions = {}, TParserOptions parserOptions = {poExtSyntax},
              const TFieldMap* fieldMap = nullptr, const TComponent* errorComponent = nullptr);

  // The blob; empty for a text without an expression.
  const std::vector<Byte>& FilterData() const noexcept { return data_; }
  int DataSize() const noexcept { return static_cast<int>(data_.size()); }
  // Names of the fields the expression reads, in order of first use.
  const std::vector<std::string>& DependentFields() const noexcept { return dependentFields_; }

 private:
  void Parse(const TExprFieldResolver& resolver, std::string_view text, TFilterOptions filterOptions,
             TParserOptions parserOptions, const TFieldMap& fieldMap,
             const TComponent* errorComponent);

  std::vector<Byte> data_;
  std::vector<std::string> dependentFields_;
};

// A readable rendering of a blob, for tests and diagnostics; a blob that does not follow the
// layout raises EDatabaseError. Examples: (= [BILDB001#2] -1), (cmp = ci p3 [NAME#1] 'ab'),
// (IN [A#1] 'x' 'y'), (fn SUM [AMOUNT#4]), (fn COUNT(*)).
std::string DumpExprBlob(const std::vector<Byte>& blob);
