#pragma once
// Evaluation of filter and aggregate expressions. The platform's expression parser turns the text
// into a blob (layout in platform/db/exprparser.h); this unit reads that blob and evaluates it,
// either for one record (filtering) or over the rows of a records view (aggregates).
//
// The blob is decoded once into a compact node table (constants decoded, function names looked
// up), so evaluating a record allocates nothing beyond the values the expression itself makes.
// Errors that belong to evaluation (an operator a class does not support, an unknown function, a
// constant of an unsupported type) are kept in the node and raised only when that node is
// evaluated, as a direct reading of the blob would.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/db/dbtypes.h"
#include "platform/db/exprparser.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/variant.h"

class TDataSet;
class TMemoryRecordGx;
class TMTDataStructGx;

// Raised for every evaluation error and for a blob that does not follow the layout.
FANO_DECLARE_EXCEPTION(EExprEvalError, EDatabaseError);

// The rows an aggregate runs over, in view order (the records view is one).
class TExprAggregateRows {
 public:
  virtual ~TExprAggregateRows() = default;
  virtual int AggregateRowCount() const = 0;
  // Current value (an edit in progress included) of store column `fieldIndex` (0-based) of `row`:
  // a reference to the stored value, or to `scratch` holding it.
  virtual const Variant& AggregateRowValue(int row, int fieldIndex, Variant& scratch) const = 0;
};

// A field named by a filter expression: its 1-based store position (0 or less when it is not a
// stored field) and its name as the expression's dataset spells it.
struct TExprFieldRef {
  int FieldNo = 0;
  std::string Name;
};

// Reads a field for filter evaluation. Without one the dataset's field of that name is read (the
// dataset presents the record under test as its current record while filtering).
using TExprFieldReader = std::function<Variant(TMemoryRecordGx* rec, const TExprFieldRef& field)>;

// Resolves the names of an expression against the columns of a store's structure (field number:
// column position + 1), for evaluating expressions over a store without a dataset.
TExprFieldResolver StoreFieldResolver(const TMTDataStructGx* structure);

// LIKE: "%" any run, "_" any one character; the whole value must match.
bool ExprLikeMatch(std::string_view value, std::string_view pattern, bool ignoreCase);

// A LIKE pattern prepared once for matching many values exactly as ExprLikeMatch does: its runs
// of wildcards collapsed and its shape found (the whole text, a prefix, a suffix, a part, or
// general), so that most values are decided by comparing bytes, ASCII letters folded without the
// collator. Values the byte path cannot decide (a non-ASCII text under "_" or ignoring case) go to
// ExprLikeMatch.
class TExprLikePatternGx {
 public:
  TExprLikePatternGx(std::string_view pattern, bool ignoreCase);
  bool Match(std::string_view value) const;

 private:
  enum class Shape : uint8_t { Any, Exact, Prefix, Suffix, Part, General };
  bool MatchBytes(std::string_view value, const std::string& pattern, const std::string& literal) const;

  std::string pattern_;    // as given
  std::string collapsed_;  // wildcard runs collapsed
  std::string literal_;    // the text between the wildcards of the simple shapes
  std::string upperPattern_, upperLiteral_;  // the same with ASCII letters upper-cased
  Shape shape_ = Shape::General;
  bool ignoreCase_;
  bool asciiPattern_ = false;
  bool validPattern_ = false;
  bool underscore_ = false;
  bool bytesDecide_ = false;  // case-sensitive matches are decided by bytes for every value
};

class TDataSetExprParserGx {
 public:
  static constexpr Byte ekFilter = 0;
  static constexpr Byte ekAggregate = 1;

  TDataSetExprParserGx(TDataSet* dataSet, Byte kind);
  ~TDataSetExprParserGx();
  TDataSetExprParserGx(const TDataSetExprParserGx&) = delete;
  TDataSetExprParserGx& operator=(const TDataSetExprParserGx&) = delete;

  // Parses with the dataset's fields and filter options; parse errors are the parser's and leave
  // the previous expression in place. An empty text leaves no expression.
  void ParseExpression(std::string_view text);
  // Takes a blob made elsewhere, as a parse would; a blob that breaks the layout raises
  // EExprEvalError and leaves no expression.
  void SetExprData(std::vector<Byte> blob);
  void Clear() noexcept;

  bool HasExpression() const noexcept { return DataSize() > 0; }
  const std::vector<Byte>& ExprData() const noexcept { return data_; }
  int DataSize() const noexcept { return static_cast<int>(data_.size()); }
  Byte Kind() const noexcept { return kind_; }
  TDataSet* DataSet() const noexcept { return dataSet_; }
  // Names of the fields the expression reads (filled by ParseExpression).
  const std::vector<std::string>& DependentFields() const noexcept { return dependentFields_; }

  void SetFieldReader(TExprFieldReader reader) { fieldReader_ = std::move(reader); }
  // Fields that are stored fields (field number 1 or more) are read straight from the record under
  // test, without the reader or the dataset: for a dataset whose field numbers are the store's
  // column positions.
  void SetReadsRecordValues(bool value) noexcept { readsRecordValues_ = value; }
  // Names are resolved through this when there is no dataset (tests, a store without a table).
  void SetFieldResolver(TExprFieldResolver resolver) { fieldResolver_ = std::move(resolver); }
  // Filter options used when there is no dataset (with one, the dataset's are read).
  void SetFilterOptions(TFilterOptions options) noexcept { filterOptions_ = options; }
  TFilterOptions FilterOptions() const noexcept;

  // The expression's truth for one record; false without an expression and for a Null result.
  bool CalcFilterResult(TMemoryRecordGx* rec);
  // The expression over the rows; False without an expression.
  void CalcAggregateValue(const TExprAggregateRows& rows, Variant& value);
  // After CalcAggregateValue over the same rows, one row was appended at the end: folds that row
  // into the running aggregates instead of reading every row again. The result is exactly what a
  // full calculation gives. Answers false (and computes nothing) when there is no running state
  // to extend; the caller then calculates in full.
  bool CalcAggregateAppend(const TExprAggregateRows& rows, Variant& value);

 private:
  struct Node;
  struct AggState;
  struct Context;

  void Compile();
  int CompileNode(size_t offset, int depth, std::vector<int>& byOffset);
  void MarkLogical();
  void Eval(int node, Context& ctx, Variant& result);
  const Variant& Value(int node, Context& ctx, Variant& scratch);
  int Truth(int node, Context& ctx);
  // LIKE of a node's operands; a constant pattern is prepared once per case mode.
  bool MatchLike(const Node& n, const Variant& a, const Variant& b, bool ignoreCase);
  void EvalFunction(const Node& n, Context& ctx, Variant& result);
  void EvalAggregate(const Node& n, Context& ctx, Variant& result);
  void StepAggregate(const Node& n, AggState& st, Context& ctx, int row);
  const Variant& FieldValue(const Node& n, Context& ctx, Variant& scratch);
  void RunAggregate(const TExprAggregateRows& rows, Variant& value, bool useState);

  TDataSet* dataSet_;
  Byte kind_;
  std::vector<Byte> data_;
  std::vector<std::string> dependentFields_;
  std::vector<Node> nodes_;
  int root_ = -1;
  std::vector<AggState> aggStates_;  // one per aggregate function node, in node order
  int aggRows_ = -1;                 // rows folded into aggStates_, -1 when there is no state
  TExprFieldReader fieldReader_;
  TExprFieldResolver fieldResolver_;
  TFilterOptions filterOptions_;
  bool readsRecordValues_ = false;
};
