#include "memtable/exprevaluator.h"

#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

#include "platform/db/dataset.h"
#include "platform/db/exprparser.h"
#include "editors/tools/gxplatform.h"
#include "memtable/mtdata.h"
#include "memtable/mtrecords.h"
#include "platform/db/fields.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"

namespace {

// Refused before a crafted blob can exhaust the stack (a parsed blob stays far below: its node
// area is at most 64 KiB).
constexpr int MaxCompileDepth = 4096;

}  // namespace

// Named, not file-local: the compiled Node holds an Fn, and a batched build would warn of a
// file-local type inside a class of the library.
namespace exprevaluator_detail {
enum class Fn : uint8_t {
  None, Substring, Upper, Lower, Trim, TrimLeft, TrimRight, Year, Month, Day, Hour, Minute, Second,
  GetDate, Date, Time, Sum, Min, Max, Avg, Count, CountStar
};
}  // namespace exprevaluator_detail

namespace {

using exprevaluator_detail::Fn;

struct FnName {
  const char* Name;
  Fn Id;
};
constexpr FnName FunctionNames[] = {
    {"SUBSTRING", Fn::Substring}, {"UPPER", Fn::Upper},       {"LOWER", Fn::Lower},
    {"TRIM", Fn::Trim},           {"TRIMLEFT", Fn::TrimLeft}, {"TRIMRIGHT", Fn::TrimRight},
    {"YEAR", Fn::Year},           {"MONTH", Fn::Month},       {"DAY", Fn::Day},
    {"HOUR", Fn::Hour},           {"MINUTE", Fn::Minute},     {"SECOND", Fn::Second},
    {"GETDATE", Fn::GetDate},     {"DATE", Fn::Date},         {"TIME", Fn::Time},
    {"SUM", Fn::Sum},             {"MIN", Fn::Min},           {"MAX", Fn::Max},
    {"AVG", Fn::Avg},             {"COUNT", Fn::Count},       {"COUNT(*)", Fn::CountStar},
};

bool IsAggregate(Fn f) noexcept {
  return f == Fn::Sum || f == Fn::Min || f == Fn::Max || f == Fn::Avg || f == Fn::Count;
}

// Parser type code to field type; codes the engine cannot decode map to a type that raises.
constexpr TFieldType ParserCodeToFieldType[27] = {
    ftUnknown,  ftString,   ftDate,      ftBlob,    ftBoolean, ftSmallint, ftInteger,
    ftFloat,    ftBCD,      ftBytes,     ftTime,    ftDateTime, ftWord,    ftInteger,
    ftUnknown,  ftVarBytes, ftUnknown,   ftUnknown, ftLargeint, ftLargeint, ftADT,
    ftArray,    ftReference, ftDataSet,  ftTimeStamp, ftFMTBcd, ftWideString};

[[noreturn]] void Fail(const std::string& message) { throw EExprEvalError(message); }
[[noreturn]] void BadBlob() { Fail("Invalid expression data"); }

std::string OperatorError(uint32_t cls, uint32_t op) {
  return Format("Operator <%d:%d> not supported.", {static_cast<int>(cls), static_cast<int64_t>(op)});
}

uint16_t Get16(const std::vector<Byte>& b, size_t at) {
  return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}
uint32_t Get32(const std::vector<Byte>& b, size_t at) {
  return static_cast<uint32_t>(b[at]) | (static_cast<uint32_t>(b[at + 1]) << 8) |
         (static_cast<uint32_t>(b[at + 2]) << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
uint64_t Get64(const std::vector<Byte>& b, size_t at) {
  return static_cast<uint64_t>(Get32(b, at)) | (static_cast<uint64_t>(Get32(b, at + 4)) << 32);
}
double GetDouble(const std::vector<Byte>& b, size_t at) {
  uint64_t bits = Get64(b, at);
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

// Packed BCD as the platform stores it: precision, then sign (bit 7) and decimal places (bits
// 0..5), then the digits two to a byte, high nibble first. False when it is malformed or does not
// fit a currency.
bool BcdToCurrency(const std::vector<Byte>& b, size_t at, size_t size, Currency& out) {
  if (size < 2) return false;
  int precision = b[at];
  int places = b[at + 1] & 0x3F;
  bool negative = (b[at + 1] & 0x80) != 0;
  if (precision < 1 || precision > 64 || places > precision) return false;
  if (2 + static_cast<size_t>((precision + 1) / 2) > size) return false;
  // Currency holds 4 decimals: digits beyond them are rounded half to even.
  constexpr int64_t Limit = std::numeric_limits<int64_t>::max() / 10;
  int64_t scaled = 0;
  int intDigits = precision - places;
  int keep = intDigits + std::min(places, 4);
  int roundDigit = -1;
  bool sticky = false;
  for (int i = 0; i < precision; ++i) {
    Byte pair = b[at + 2 + i / 2];
    int digit = (i % 2 == 0) ? (pair >> 4) : (pair & 0x0F);
    if (digit > 9) return false;
    if (i < keep) {
      if (scaled > Limit) return false;
      scaled = scaled * 10 + digit;
    } else if (i == keep) {
      roundDigit = digit;
    } else if (digit != 0) {
      sticky = true;
    }
  }
  for (int pad = std::min(places, 4); pad < 4; ++pad) {
    if (scaled > Limit) return false;
    scaled *= 10;
  }
  if (roundDigit > 5 || (roundDigit == 5 && (sticky || (scaled & 1)))) {
    if (scaled == std::numeric_limits<int64_t>::max()) return false;
    ++scaled;
  }
  out = Currency::FromScaled(negative ? -scaled : scaled);
  return true;
}

// SUM and AVG add only these.
bool IsSummable(const Variant& v) noexcept {
  switch (v.VarType()) {
    case varSmallint: case varInteger: case varSingle: case varDouble: case varCurrency:
    case varDate: case varBoolean: case varShortInt: case varByte: case varWord: case varLongWord:
    case varInt64:
      return true;
    default:
      return false;
  }
}

// Variant AND / OR: three-valued with Null, logical for Booleans and texts, bitwise for integers.
Variant VarLogic(const Variant& a, const Variant& b, bool isAnd) {
  auto truth = [](const Variant& v) { return v.IsEmpty() ? false : v.AsBoolean(); };
  bool aNull = a.IsNull(), bNull = b.IsNull();
  if (aNull || bNull) {
    if (aNull && bNull) return Null();
    const Variant& other = aNull ? b : a;
    bool t = truth(other);
    if (isAnd) return t ? Null() : Variant(false);
    return t ? Variant(true) : Null();
  }
  bool logical = a.VarType() == varBoolean || b.VarType() == varBoolean || a.IsStr() || b.IsStr() ||
                 a.IsEmpty() || b.IsEmpty();
  if (logical) return isAnd ? Variant(truth(a) && truth(b)) : Variant(truth(a) || truth(b));
  int64_t x = a.AsInt64(), y = b.AsInt64();
  return Variant(static_cast<long long>(isAnd ? (x & y) : (x | y)));
}

// ---- characters ----

// Code points of a UTF-8 text, into a reused buffer.
void Decode(std::string_view s, std::u32string& out) {
  out.clear();
  for (size_t pos = 0; pos < s.size();) out.push_back(Utf8Decode(s, pos));
}

// Byte offset of code point `chars` (or the end).
size_t CharOffset(std::string_view s, int64_t chars) {
  size_t pos = 0;
  for (; chars > 0 && pos < s.size(); --chars)
    pos += static_cast<size_t>(std::max(1, Utf8SequenceLength(static_cast<unsigned char>(s[pos]))));
  return std::min(pos, s.size());
}

void Collapse(std::string& p, std::string_view from) {
  for (size_t at; (at = p.find(from)) != std::string::npos;) p.replace(at, 2, "%");
}

// True when the text is equal to the empty text by the locale's comparison.
bool LocaleEmpty(std::string_view s) {
  if (s.empty()) return true;
  // Any letter or digit makes it non-empty; only texts of ignorable characters need the collator.
  for (unsigned char c : s) {
    if (c == 0) break;  // the text ends here
    if ((c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z')) return false;
  }
  return CompareAnsiStrGx(s, "", 0, false) == 0;
}

// The locale's comparison (-1, 0, 1) of the texts (up to a zero character, as the platform's
// zero-terminated texts), or of their first `chars` characters when `chars` is above 0.
int LocaleCompare(std::string_view a, std::string_view b, bool ignoreCase, int chars = 0) {
  if (a == b) return 0;
  return CompareAnsiStrGx(a, b, chars, ignoreCase);
}

std::string Trimmed(const std::string& s, const std::string& c, bool left, bool right) {
  // Only a trim text of exactly one character removes anything.
  size_t pos = 0;
  if (c.empty()) return s;
  Utf8Decode(c, pos);
  if (pos != c.size()) return s;
  size_t begin = 0, end = s.size();
  if (left)
    while (begin < end && s.compare(begin, c.size(), c) == 0) begin += c.size();
  if (right)
    while (end >= begin + c.size() && s.compare(end - c.size(), c.size(), c) == 0) end -= c.size();
  return s.substr(begin, end - begin);
}

}  // namespace

namespace {

// The walk of the LIKE matcher over a value and a normalised pattern of characters (bytes when
// both are ASCII, code points otherwise).
template <class Str>
bool LikeWalk(const Str& V, const Str& P) {
  using Ch = typename Str::value_type;
  auto segmentAt = [&](size_t at, size_t from, size_t n) {
    for (size_t k = 0; k < n; ++k)
      if (P[from + k] != Ch('_') && P[from + k] != V[at + k]) return false;
    return true;
  };
  size_t i = 0, j = 0;
  while (i < P.size()) {
    Ch c = P[i];
    if (c == Ch('%')) {
      size_t next = P.find(Ch('%'), i + 1);
      size_t seg = i + 1;
      size_t segLen = (next == Str::npos ? P.size() : next) - seg;
      if (next == Str::npos) {
        // The tail has to fit into what is left of the value, not overlap what was matched.
        if (V.size() - j < segLen) return false;
        return segmentAt(V.size() - segLen, seg, segLen);
      }
      size_t at = j;
      while (at + segLen <= V.size() && !segmentAt(at, seg, segLen)) ++at;
      if (at + segLen > V.size()) return false;
      j = at + segLen;
      i = next;
      continue;
    }
    if (j >= V.size()) break;
    if (c == Ch('_') || c == V[j]) {
      ++i;
      ++j;
      continue;
    }
    return false;
  }
  // Here either the pattern is used up or the value is (with a pattern character left that is
  // not "%": the "%" case never leaves the loop).
  return i >= P.size() && j >= V.size();
}

bool IsAscii(std::string_view s) noexcept {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}

}  // namespace

TExprFieldResolver StoreFieldResolver(const TMTDataStructGx* structure) {
  return [structure](std::string_view name, TExprFieldInfo& info) {
    int index = structure->FieldIndex(name);
    if (index < 0) return false;
    const TMTDataFieldGx* field = structure->DataFields(index);
    info.Name = field->FieldName();
    info.FieldNo = index + 1;
    info.DataType = field->DataType();
    info.Kind = fkData;
    return true;
  };
}

bool ExprLikeMatch(std::string_view value, std::string_view pattern, bool ignoreCase) {
  if (value == pattern) return true;
  std::string_view p = pattern;
  std::string collapsed;
  if (pattern.find("%%") != std::string_view::npos || pattern.find("_%") != std::string_view::npos ||
      pattern.find("%_") != std::string_view::npos) {
    collapsed.assign(pattern);
    Collapse(collapsed, "%%");
    Collapse(collapsed, "_%");
    Collapse(collapsed, "%_");
    p = collapsed;
  }
  if (p == "%") return true;
  if (value.empty() || p.empty()) return false;
  if (IsAscii(value) && IsAscii(p)) {
    if (!ignoreCase) return LikeWalk(value, p);
    thread_local std::string V, P;
    V = UpperCase(value);
    P = UpperCase(p);
    return LikeWalk(std::string_view(V), std::string_view(P));
  }
  thread_local std::u32string V, P;
  if (ignoreCase) {
    Decode(AnsiUpperCase(value), V);
    Decode(AnsiUpperCase(p), P);
  } else {
    Decode(value, V);
    Decode(p, P);
  }
  return LikeWalk(V, P);
}

TExprLikePatternGx::TExprLikePatternGx(std::string_view pattern, bool ignoreCase)
    : pattern_(pattern), collapsed_(pattern), ignoreCase_(ignoreCase) {
  Collapse(collapsed_, "%%");
  Collapse(collapsed_, "_%");
  Collapse(collapsed_, "%_");
  asciiPattern_ = IsAscii(collapsed_);
  validPattern_ = asciiPattern_ || IsValidUtf8(collapsed_);
  underscore_ = collapsed_.find('_') != std::string::npos;
  bytesDecide_ = !underscore_ && validPattern_ && collapsed_.find("\xEF\xBF\xBD") == std::string::npos;
  if (collapsed_ == "%") {
    shape_ = Shape::Any;
  } else if (!underscore_) {
    const size_t n = collapsed_.size();
    const size_t first = collapsed_.find('%');
    const bool lead = n > 0 && collapsed_[0] == '%';
    const bool trail = n > 1 && collapsed_[n - 1] == '%';
    const size_t inner = collapsed_.find('%', lead ? 1 : 0);
    if (first == std::string::npos) {
      shape_ = Shape::Exact;
      literal_ = collapsed_;
    } else if (!lead && inner == n - 1) {
      shape_ = Shape::Prefix;
      literal_ = collapsed_.substr(0, n - 1);
    } else if (lead && inner == std::string::npos) {
      shape_ = Shape::Suffix;
      literal_ = collapsed_.substr(1);
    } else if (lead && trail && inner == n - 1) {
      shape_ = Shape::Part;
      literal_ = collapsed_.substr(1, n - 2);
    }
  }
  upperPattern_ = UpperCase(collapsed_);
  upperLiteral_ = UpperCase(literal_);
}

bool TExprLikePatternGx::MatchBytes(std::string_view v, const std::string& pattern, const std::string& literal) const {
  switch (shape_) {
    case Shape::Exact: return v == literal;
    case Shape::Prefix: return v.size() >= literal.size() && v.compare(0, literal.size(), literal) == 0;
    case Shape::Suffix:
      return v.size() >= literal.size() && v.compare(v.size() - literal.size(), literal.size(), literal) == 0;
    case Shape::Part: return v.find(literal) != std::string_view::npos;
    default: return LikeWalk(v, std::string_view(pattern));
  }
}

bool TExprLikePatternGx::Match(std::string_view value) const {
  if (value == pattern_ || shape_ == Shape::Any) return true;
  if (value.empty() || collapsed_.empty()) return false;
  if (!ignoreCase_) {
    // Without "_" the bytes decide for any value: every byte that is not a continuation byte
    // starts a character, so the pattern's literal runs (valid UTF-8) match bytes exactly where
    // they match characters; only a replacement character in the pattern could meet a broken
    // byte of the value, and such a pattern takes the general matcher.
    if (bytesDecide_) return MatchBytes(value, collapsed_, literal_);
    if (asciiPattern_ && IsAscii(value)) return MatchBytes(value, collapsed_, literal_);
    return ExprLikeMatch(value, pattern_, false);
  }
  if (!asciiPattern_ || !IsAscii(value)) return ExprLikeMatch(value, pattern_, true);
  thread_local std::string upper;
  upper.assign(value);
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return MatchBytes(upper, upperPattern_, upperLiteral_);
}

// ---- compiled form ----

struct TDataSetExprParserGx::Node {
  uint32_t Cls = 0;
  uint32_t Op = 0;
  int A = -1;  // unary, binary, compare: operand 1; list element: expression; function: first element
  int B = -1;  // binary, compare: operand 2; list element: next element
  bool IgnoreCase = false;
  int Partial = 0;
  TExprFieldRef Field;
  Variant Constant;
  Fn Func = Fn::None;
  std::string Name;   // function name as written
  int ArgCount = 0;   // function: number of list elements
  int Agg = -1;       // aggregate function: index of its running state
  std::string Error;  // raised when the node is evaluated
  bool Logical = false;  // always yields a Boolean or Null (see Truth)
  // A constant LIKE pattern prepared on first use, case-sensitive and ignoring case.
  std::shared_ptr<TExprLikePatternGx> Like[2];
};

// The running value of one aggregate. Sums of plain integers or doubles are kept natively and
// turned into a variant only when a value of another kind arrives or the result is read; the
// arithmetic is the variant arithmetic's own (integers widen to Int64, then to double on
// overflow; a double beside an integer makes a double), so the result is the same.
struct TDataSetExprParserGx::AggState {
  enum class Raw : uint8_t { None, Int, Dbl };
  bool Started = false;
  Raw Native = Raw::None;
  bool Wide = false;  // an Int64 took part: the integer result stays Int64
  int64_t I = 0;
  double D = 0;
  Variant Acc;
  int64_t Count = 0;

  void Materialize() {
    if (Native == Raw::Int) Acc = !Wide && I >= INT32_MIN && I <= INT32_MAX ? Variant(static_cast<int>(I)) : Variant::FromInt64(I);
    else if (Native == Raw::Dbl) Acc = Variant(D);
    Native = Raw::None;
  }
  // Adds one summable, non-Null value.
  void Add(const Variant& v) {
    if (Native == Raw::None) Start(Acc);
    const TVarType t = v.VarType();
    const bool plainInt = t == varSmallint || t == varInteger || t == varShortInt || t == varInt64;
    if (Native == Raw::Int && plainInt) {
      int64_t r;
      if (!__builtin_add_overflow(I, v.AsInt64(), &r)) {
        I = r;
        // Once beyond 32 bits the variant sum is an Int64, and stays one.
        Wide = Wide || t == varInt64 || r < INT32_MIN || r > INT32_MAX;
        return;
      }
    } else if (Native == Raw::Int && t == varDouble) {
      D = static_cast<double>(I) + v.AsDouble();
      Native = Raw::Dbl;
      return;
    } else if (Native == Raw::Dbl && (plainInt || t == varDouble)) {
      D += v.AsDouble();
      return;
    }
    Materialize();
    Acc = Acc + v;
  }
  // A first value: kept natively when it is an Integer, an Int64 or a double, else as it is.
  void Start(const Variant& v) {
    const TVarType t = v.VarType();
    if (t == varInteger || t == varInt64) {
      Native = Raw::Int;
      I = v.AsInt64();
      Wide = t == varInt64;
    } else if (t == varDouble) {
      Native = Raw::Dbl;
      D = v.AsDouble();
    } else {
      Native = Raw::None;
      if (&v != &Acc) Acc = v;
      return;
    }
    Acc.Clear();
  }
  Variant Sum() {
    Materialize();
    return Acc;
  }
};

struct TDataSetExprParserGx::Context {
  TMemoryRecordGx* Rec = nullptr;
  const TExprAggregateRows* Rows = nullptr;
  int RowCount = 0;
  int Pos = -1;  // current aggregate row
  bool IgnoreCase = false;
  bool DirectFields = false;  // stored fields are read straight from the record
  bool UseState = false;  // aggregates answer from their running state
};

TDataSetExprParserGx::TDataSetExprParserGx(TDataSet* dataSet, Byte kind) : dataSet_(dataSet), kind_(kind) {}
TDataSetExprParserGx::~TDataSetExprParserGx() = default;

TFilterOptions TDataSetExprParserGx::FilterOptions() const noexcept {
  return dataSet_ ? dataSet_->FilterOptions() : filterOptions_;
}

void TDataSetExprParserGx::ParseExpression(std::string_view text) {
  TParserOptions options{poExtSyntax};
  if (kind_ == ekAggregate) options.Include(poAggregate);
  std::unique_ptr<TExprParser> parser;
  if (dataSet_)
    parser = std::make_unique<TExprParser>(dataSet_, text, FilterOptions(), options, &DefaultFieldMap());
  else
    parser = std::make_unique<TExprParser>(fieldResolver_, text, FilterOptions(), options, &DefaultFieldMap());
  std::vector<Byte> blob = parser->FilterData();
  std::vector<std::string> dependent = parser->DependentFields();
  SetExprData(std::move(blob));
  dependentFields_ = std::move(dependent);
}

void TDataSetExprParserGx::Clear() noexcept {
  data_.clear();
  nodes_.clear();
  dependentFields_.clear();
  aggStates_.clear();
  root_ = -1;
  aggRows_ = -1;
}

void TDataSetExprParserGx::SetExprData(std::vector<Byte> blob) {
  Clear();
  if (blob.empty()) return;
  data_ = std::move(blob);
  try {
    Compile();
  } catch (...) {
    Clear();
    throw;
  }
}

void TDataSetExprParserGx::Compile() {
  if (data_.size() < static_cast<size_t>(ExprHeaderSize)) BadBlob();
  size_t litStart = Get16(data_, 8);
  if (litStart <= static_cast<size_t>(ExprHeaderSize) || litStart > data_.size()) BadBlob();
  std::vector<int> byOffset(litStart - ExprHeaderSize, -1);
  root_ = CompileNode(0, 0, byOffset);
  MarkLogical();
}

// Compiles the node at `offset` (from the node-area start); answers its index. `byOffset` maps
// offsets to compiled nodes (-2 while a node is being compiled, so that a cycle is caught).
int TDataSetExprParserGx::CompileNode(size_t offset, int depth, std::vector<int>& byOffset) {
  const size_t litStart = byOffset.size() + ExprHeaderSize;
  auto checkNode = [&](size_t off, size_t operandWords) {
    if (off + 8 + 2 * operandWords > byOffset.size()) BadBlob();
  };
  auto literalText = [&](size_t litOff) {
    size_t at = litStart + litOff;
    if (at >= data_.size()) BadBlob();
    const void* nul = std::memchr(data_.data() + at, 0, data_.size() - at);
    if (!nul) BadBlob();
    return std::string(reinterpret_cast<const char*>(data_.data() + at),
                       static_cast<const Byte*>(nul) - (data_.data() + at));
  };

  if (depth > MaxCompileDepth) Fail("Expression nested too deeply");
  if (offset >= byOffset.size()) BadBlob();
  if (byOffset[offset] >= 0) return byOffset[offset];
  if (byOffset[offset] == -2) BadBlob();
  checkNode(offset, 0);
  byOffset[offset] = -2;

  const size_t at = ExprHeaderSize + offset;
  Node n;
  n.Cls = Get32(data_, at) & 0x7F;
  n.Op = Get32(data_, at + 4);
  int index = static_cast<int>(nodes_.size());
  auto operand = [&](int word) { return Get16(data_, at + 8 + 2 * word); };

  switch (n.Cls) {
    case nodeUNARY:
      checkNode(offset, 1);
      if (n.Op != coNOT && n.Op != coISBLANK && n.Op != coNOTBLANK && n.Op != coUPPER && n.Op != coLOWER)
        n.Error = OperatorError(n.Cls, n.Op);
      nodes_.push_back(std::move(n));
      nodes_[index].A = CompileNode(operand(0), depth + 1, byOffset);
      break;
    case nodeBINARY: {
      checkNode(offset, 2);
      bool known = (n.Op >= coEQ && n.Op <= coLE) || n.Op == coAND || n.Op == coOR ||
                   (n.Op >= coADD && n.Op <= coDIV) || n.Op == coLIKE || n.Op == coIN;
      if (!known) n.Error = OperatorError(n.Cls, n.Op);
      nodes_.push_back(std::move(n));
      int a = CompileNode(operand(0), depth + 1, byOffset);
      nodes_[index].A = a;
      int b = CompileNode(operand(1), depth + 1, byOffset);
      nodes_[index].B = b;
      break;
    }
    case nodeCOMPARE: {
      checkNode(offset, 4);
      if (n.Op != coEQ && n.Op != coNE && n.Op != coLIKE) n.Error = OperatorError(n.Cls, n.Op);
      n.IgnoreCase = operand(0) == 1;
      n.Partial = operand(1);
      nodes_.push_back(std::move(n));
      int a = CompileNode(operand(2), depth + 1, byOffset);
      nodes_[index].A = a;
      int b = CompileNode(operand(3), depth + 1, byOffset);
      nodes_[index].B = b;
      break;
    }
    case nodeFIELD:
      checkNode(offset, 2);
      if (n.Op != coFIELD2) n.Error = OperatorError(n.Cls, n.Op);
      n.Field.FieldNo = operand(0);
      n.Field.Name = literalText(operand(1));
      nodes_.push_back(std::move(n));
      break;
    case nodeCONST: {
      checkNode(offset, 3);
      if (n.Op != coCONST2) {
        n.Error = OperatorError(n.Cls, n.Op);
        nodes_.push_back(std::move(n));
        break;
      }
      uint16_t code = operand(0);
      size_t size = operand(1);
      size_t lit = litStart + operand(2);
      if (code >= fldNULL) {
        n.Constant = Null();
        nodes_.push_back(std::move(n));
        break;
      }
      TFieldType type = ParserCodeToFieldType[code];
      auto need = [&](size_t bytes) {
        if (lit + bytes > data_.size()) BadBlob();
      };
      switch (type) {
        case ftString: case ftFixedChar: case ftWideString: case ftGuid:
          need(size);
          n.Constant = Variant(std::string_view(reinterpret_cast<const char*>(data_.data() + lit),
                                                size > 0 ? size - 1 : 0));
          break;
        case ftSmallint:
          need(2);
          n.Constant = Variant::FromSmallint(static_cast<int16_t>(Get16(data_, lit)));
          break;
        case ftInteger: case ftAutoInc:
          need(4);
          n.Constant = Variant(static_cast<int32_t>(Get32(data_, lit)));
          break;
        case ftWord:
          need(2);
          n.Constant = Variant::FromWord(Get16(data_, lit));
          break;
        case ftBoolean:
          need(2);
          n.Constant = Variant(Get16(data_, lit) != 0);
          break;
        case ftFloat: case ftCurrency:
          need(8);
          n.Constant = Variant(GetDouble(data_, lit));
          break;
        case ftBCD: case ftFMTBcd: {
          need(size);
          Currency c;
          n.Constant = BcdToCurrency(data_, lit, size, c) ? Variant(c) : Null();
          break;
        }
        case ftDate:
          need(4);
          n.Constant = Variant::FromDateTime(static_cast<double>(static_cast<int32_t>(Get32(data_, lit))) - DateDelta);
          break;
        case ftTime:
          need(4);
          n.Constant = Variant::FromDateTime(static_cast<double>(static_cast<int32_t>(Get32(data_, lit))) / MSecsPerDay);
          break;
        case ftDateTime: {
          need(8);
          double ms = GetDouble(data_, lit);
          // Beyond the year 9999 the value is no date; refuse it instead of overflowing.
          if (!std::isfinite(ms) || std::fabs(ms) > 4.0e14) {
            n.Error = "Invalid date value";
            break;
          }
          int64_t total = std::llround(ms);
          int64_t days = total / MSecsPerDay, rest = total % MSecsPerDay;
          if (rest < 0) {
            rest += MSecsPerDay;
            --days;
          }
          n.Constant = Variant::FromDateTime(
              ComposeDateTime(static_cast<double>(days - DateDelta), static_cast<double>(rest) / MSecsPerDay));
          break;
        }
        case ftLargeint:
          // All eight bytes: a value beyond 32 bits must not lose its high half.
          if (size >= 8) {
            need(8);
            n.Constant = Variant::FromInt64(static_cast<int64_t>(Get64(data_, lit)));
          } else {
            need(4);
            n.Constant = Variant::FromInt64(static_cast<int32_t>(Get32(data_, lit)));
          }
          break;
        default:
          n.Error = Format("Unsupported data type: [%d].", {static_cast<int>(type)});
          break;
      }
      nodes_.push_back(std::move(n));
      break;
    }
    case nodeFUNC: {
      checkNode(offset, 2);
      if (n.Op != coFUNC2) {
        n.Error = OperatorError(n.Cls, n.Op);
        nodes_.push_back(std::move(n));
        break;
      }
      n.Name = literalText(operand(0));
      for (const FnName& f : FunctionNames)
        if (SameText(n.Name, f.Name)) n.Func = f.Id;
      if (n.Func == Fn::None) n.Error = Format("Unsupported function: %s", {n.Name});
      if (IsAggregate(n.Func)) {
        n.Agg = static_cast<int>(aggStates_.size());
        aggStates_.emplace_back();
      }
      uint16_t first = operand(1);
      nodes_.push_back(std::move(n));
      if (first > 0) {
        int a = CompileNode(first, depth + 1, byOffset);
        nodes_[index].A = a;
        // Arguments are the chain of list elements.
        int count = 0;
        for (int e = a; e >= 0 && count <= static_cast<int>(nodes_.size()); e = nodes_[e].B) {
          ++count;
          if (nodes_[e].Cls != nodeLISTELEM) break;
        }
        nodes_[index].ArgCount = count;
      }
      break;
    }
    case nodeLISTELEM: {
      // A chain of elements is walked in a loop, so a long IN list does not nest the compiler.
      // Its elements stay marked as in progress until the whole chain is done: a chain that
      // comes back to one of its own elements is a cycle.
      std::vector<std::pair<size_t, int>> chain;
      int prev = -1;
      size_t cur = offset;
      for (;;) {
        checkNode(cur, 2);
        Node e;
        e.Cls = Get32(data_, ExprHeaderSize + cur) & 0x7F;
        e.Op = Get32(data_, ExprHeaderSize + cur + 4);
        if (e.Op != coLISTELEM2) e.Error = OperatorError(e.Cls, e.Op);
        int ei = static_cast<int>(nodes_.size());
        nodes_.push_back(std::move(e));
        byOffset[cur] = -2;
        chain.emplace_back(cur, ei);
        if (prev >= 0) nodes_[prev].B = ei;
        uint16_t expr = Get16(data_, ExprHeaderSize + cur + 8);
        uint16_t next = Get16(data_, ExprHeaderSize + cur + 10);
        int x = CompileNode(expr, depth + 1, byOffset);
        nodes_[ei].A = x;
        prev = ei;
        if (next == 0) break;
        if (next >= byOffset.size() || byOffset[next] == -2) BadBlob();
        if (byOffset[next] >= 0) {
          nodes_[ei].B = byOffset[next];
          break;
        }
        checkNode(next, 0);
        if ((Get32(data_, ExprHeaderSize + next) & 0x7F) != nodeLISTELEM) {
          int y = CompileNode(next, depth + 1, byOffset);
          nodes_[ei].B = y;
          break;
        }
        cur = next;
      }
      for (const auto& [off, ei] : chain) byOffset[off] = ei;
      return index;
    }
    default:
      n.Error = OperatorError(n.Cls, n.Op);
      nodes_.push_back(std::move(n));
      break;
  }
  byOffset[offset] = index;
  return index;
}

// ---- evaluation ----

namespace {

// The variant comparison (-1, 0, 1), with the common same-kind numbers compared directly.
int CompareValues(const Variant& a, const Variant& b) {
  const TVarType ta = a.VarType(), tb = b.VarType();
  if (ta == varInteger && tb == varInteger) {
    int64_t x = a.AsInt64(), y = b.AsInt64();
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  if ((ta == varDouble || ta == varInteger) && (tb == varDouble || tb == varInteger)) {
    double x = a.AsDouble(), y = b.AsDouble();
    if (!std::isnan(x) && !std::isnan(y)) return x < y ? -1 : (x > y ? 1 : 0);
  }
  return VarCompare(a, b);
}

bool Relation(uint32_t op, int c) {
  switch (op) {
    case coEQ: return c == 0;
    case coNE: return c != 0;
    case coGT: return c > 0;
    case coLT: return c < 0;
    case coGE: return c >= 0;
    default: return c <= 0;
  }
}

constexpr int False = 0, True = 1, Unknown = 2;

// LIKE on two values taken as texts (a text is read in place).
bool Like(const Variant& a, const Variant& b, bool ignoreCase) {
  std::string ta, tb;
  std::string_view va = a.IsStr() ? std::string_view(a.StrRef()) : std::string_view(ta = VarToStr(a));
  std::string_view vb = b.IsStr() ? std::string_view(b.StrRef()) : std::string_view(tb = VarToStr(b));
  return ExprLikeMatch(va, vb, ignoreCase);
}

// Arithmetic of doubles and 32-bit integers done here, with the variant arithmetic's results
// (integers give an Integer while they fit, else an Int64; anything with a double a double);
// false for other operands, which the variant arithmetic takes.
bool FastArith(uint32_t op, const Variant& a, const Variant& b, Variant& result) {
  const TVarType ta = a.VarType(), tb = b.VarType();
  if (ta == varInteger && tb == varInteger && op != coDIV) {
    int64_t x = a.AsInt64(), y = b.AsInt64();
    int64_t r = op == coADD ? x + y : op == coSUB ? x - y : x * y;
    result = r >= INT32_MIN && r <= INT32_MAX ? Variant(static_cast<int>(r)) : Variant::FromInt64(r);
    return true;
  }
  if ((ta == varDouble || ta == varInteger) && (tb == varDouble || tb == varInteger)) {
    double x = a.AsDouble(), y = b.AsDouble();
    switch (op) {
      case coADD: result = Variant(x + y); return true;
      case coSUB: result = Variant(x - y); return true;
      case coMUL: result = Variant(x * y); return true;
      default:
        if (y == 0.0) return false;  // the variant arithmetic raises
        result = Variant(x / y);
        return true;
    }
  }
  return false;
}

}  // namespace

void TDataSetExprParserGx::MarkLogical() {
  // 0 not yet known, 1 in progress, 2 known.
  std::vector<uint8_t> state(nodes_.size(), 0);
  std::vector<int> stack;
  auto logical = [&](auto& self, int i) -> bool {
    if (i < 0) return false;
    if (state[static_cast<size_t>(i)] == 2) return nodes_[static_cast<size_t>(i)].Logical;
    if (state[static_cast<size_t>(i)] == 1) return false;
    state[static_cast<size_t>(i)] = 1;
    Node& n = nodes_[static_cast<size_t>(i)];
    bool r = false;
    if (n.Error.empty()) {
      if (n.Cls == nodeUNARY) r = n.Op == coNOT || n.Op == coISBLANK || n.Op == coNOTBLANK;
      else if (n.Cls == nodeCOMPARE) r = true;
      else if (n.Cls == nodeBINARY) {
        if ((n.Op >= coEQ && n.Op <= coLE) || n.Op == coLIKE || n.Op == coIN) r = true;
        else if (n.Op == coAND || n.Op == coOR) {
          bool a = self(self, n.A);
          bool b = self(self, n.B);
          r = a && b;
        }
      }
      // Operands are looked at too, so that every node gets its mark.
      if (n.Cls == nodeUNARY || n.Cls == nodeBINARY || n.Cls == nodeCOMPARE || n.Cls == nodeFUNC ||
          n.Cls == nodeLISTELEM) {
        self(self, n.A);
        self(self, n.B);
      }
    }
    nodes_[static_cast<size_t>(i)].Logical = r;
    state[static_cast<size_t>(i)] = 2;
    return r;
  };
  for (int i = 0; i < static_cast<int>(nodes_.size()); ++i) logical(logical, i);
}

bool TDataSetExprParserGx::CalcFilterResult(TMemoryRecordGx* rec) {
  if (DataSize() < 1 || root_ < 0) return false;
  Context ctx;
  ctx.Rec = rec;
  ctx.IgnoreCase = FilterOptions().Contains(foCaseInsensitive);
  ctx.DirectFields = readsRecordValues_ && rec;
  if (nodes_[static_cast<size_t>(root_)].Logical) return Truth(root_, ctx) == True;
  Variant result;
  Eval(root_, ctx, result);
  if (result.IsNull() || result.IsEmpty()) return false;
  return result.AsBoolean();
}

void TDataSetExprParserGx::CalcAggregateValue(const TExprAggregateRows& rows, Variant& value) {
  if (DataSize() < 1 || root_ < 0) {
    value = Variant(false);
    return;
  }
  RunAggregate(rows, value, false);
}

bool TDataSetExprParserGx::CalcAggregateAppend(const TExprAggregateRows& rows, Variant& value) {
  if (DataSize() < 1 || root_ < 0 || aggRows_ < 0) return false;
  if (rows.AggregateRowCount() != aggRows_ + 1) return false;
  RunAggregate(rows, value, true);
  return true;
}

void TDataSetExprParserGx::RunAggregate(const TExprAggregateRows& rows, Variant& value, bool useState) {
  Context ctx;
  ctx.Rows = &rows;
  ctx.RowCount = rows.AggregateRowCount();
  ctx.IgnoreCase = FilterOptions().Contains(foCaseInsensitive);
  ctx.UseState = useState;
  const int newRow = aggRows_;
  aggRows_ = -1;  // no running state while it is being changed
  try {
    if (useState) {
      for (const Node& n : nodes_)
        if (n.Agg >= 0 && n.Error.empty()) StepAggregate(n, aggStates_[static_cast<size_t>(n.Agg)], ctx, newRow);
    } else {
      for (AggState& st : aggStates_) st = AggState{};
    }
    Variant result;
    Eval(root_, ctx, result);
    value = std::move(result);
  } catch (...) {
    for (AggState& st : aggStates_) st = AggState{};
    throw;
  }
  aggRows_ = ctx.RowCount;
}

const Variant& TDataSetExprParserGx::FieldValue(const Node& n, Context& ctx, Variant& scratch) {
  if (ctx.Rows) {
    if (ctx.Pos < 0 || n.Field.FieldNo < 1) return scratch = Null();
    return ctx.Rows->AggregateRowValue(ctx.Pos, n.Field.FieldNo - 1, scratch);
  }
  if (ctx.DirectFields && n.Field.FieldNo >= 1 && n.Field.FieldNo <= ctx.Rec->FieldCount())
    return ctx.Rec->Value(n.Field.FieldNo - 1);
  if (fieldReader_) return scratch = fieldReader_(ctx.Rec, n.Field);
  if (dataSet_) return scratch = dataSet_->FieldByName(n.Field.Name)->Value();
  return scratch = Null();
}

const Variant& TDataSetExprParserGx::Value(int index, Context& ctx, Variant& scratch) {
  const Node& n = nodes_[static_cast<size_t>(index)];
  if (n.Error.empty()) {
    if (n.Cls == nodeCONST) return n.Constant;
    if (n.Cls == nodeFIELD) return FieldValue(n, ctx, scratch);
  }
  Eval(index, ctx, scratch);
  return scratch;
}

// The truth of a node: 0 False, 1 True, 2 Null. Nodes marked Logical are answered without
// building variants; any other node is evaluated and its value taken as a Boolean.
int TDataSetExprParserGx::Truth(int index, Context& ctx) {
  const Node& n = nodes_[static_cast<size_t>(index)];
  if (!n.Logical) {
    Variant v;
    Eval(index, ctx, v);
    if (v.IsNull()) return Unknown;
    return v.IsEmpty() ? False : (v.AsBoolean() ? True : False);
  }
  switch (n.Cls) {
    case nodeUNARY: {
      if (n.Op == coNOT) {
        int t = Truth(n.A, ctx);
        return t == True ? False : True;  // NOT Null is True
      }
      Variant sa;
      const Variant& a = Value(n.A, ctx, sa);
      bool blank = a.IsStr() ? LocaleEmpty(a.StrRef()) : a.IsNull();
      return (n.Op == coISBLANK ? blank : !blank) ? True : False;
    }
    case nodeBINARY: {
      if (n.Op == coAND || n.Op == coOR) {
        const int a = Truth(n.A, ctx);
        const int b = Truth(n.B, ctx);
        const bool isAnd = n.Op == coAND;
        if (a == Unknown || b == Unknown) {
          if (a == Unknown && b == Unknown) return Unknown;
          const bool other = (a == Unknown ? b : a) == True;
          if (isAnd) return other ? Unknown : False;
          return other ? True : Unknown;
        }
        return (isAnd ? (a == True && b == True) : (a == True || b == True)) ? True : False;
      }
      Variant sa;
      const Variant& a = Value(n.A, ctx, sa);
      if (n.Op == coIN) {
        // The list is evaluated element by element; comparison stops at the first match.
        bool found = false;
        Variant sv;
        for (int e = n.B; e >= 0;) {
          const Node& en = nodes_[static_cast<size_t>(e)];
          if (en.Cls != nodeLISTELEM) {
            const Variant& v = Value(e, ctx, sv);
            if (!found) found = a == v;
            break;
          }
          if (!en.Error.empty()) Fail(en.Error);
          const Variant& v = Value(en.A, ctx, sv);
          if (!found) found = a == v;
          e = en.B;
        }
        return found ? True : False;
      }
      Variant sb;
      const Variant& b = Value(n.B, ctx, sb);
      if (n.Op == coLIKE) return MatchLike(n, a, b, ctx.IgnoreCase) ? True : False;
      bool r;
      if (a.IsStr() || b.IsStr()) {
        // Texts by the locale; equality always case-sensitive.
        if (n.Op == coEQ) r = LocaleCompare(VarToStr(a), VarToStr(b), false) == 0;
        else r = Relation(n.Op, LocaleCompare(VarToStr(a), VarToStr(b), ctx.IgnoreCase));
      } else {
        r = Relation(n.Op, CompareValues(a, b));
      }
      return r ? True : False;
    }
    default: {  // nodeCOMPARE
      Variant sa, sb;
      const Variant& a = Value(n.A, ctx, sa);
      const Variant& b = Value(n.B, ctx, sb);
      if (n.Op == coLIKE) return MatchLike(n, a, b, n.IgnoreCase) ? True : False;
      int c = LocaleCompare(VarToStr(a), VarToStr(b), n.IgnoreCase, n.Partial);
      return (n.Op == coEQ ? c == 0 : c != 0) ? True : False;
    }
  }
}

bool TDataSetExprParserGx::MatchLike(const Node& n, const Variant& a, const Variant& b, bool ignoreCase) {
  if (a.IsStr() && b.IsStr() && nodes_[static_cast<size_t>(n.B)].Cls == nodeCONST) {
    std::shared_ptr<TExprLikePatternGx>& prepared = const_cast<Node&>(n).Like[ignoreCase ? 1 : 0];
    if (!prepared) prepared = std::make_shared<TExprLikePatternGx>(b.StrRef(), ignoreCase);
    return prepared->Match(a.StrRef());
  }
  return Like(a, b, ignoreCase);
}

void TDataSetExprParserGx::Eval(int index, Context& ctx, Variant& result) {
  const Node& n = nodes_[static_cast<size_t>(index)];
  if (n.Logical) {
    int t = Truth(index, ctx);
    if (t == Unknown) result = Null();
    else result = Variant(t == True);
    return;
  }
  switch (n.Cls) {
    case nodeUNARY: {
      Variant sa;
      const Variant& a = Value(n.A, ctx, sa);
      switch (n.Op) {
        case coUPPER:
        case coLOWER:
          if (a.IsNull()) result = Null();
          else result = Variant(n.Op == coUPPER ? AnsiUpperCase(VarToStr(a)) : AnsiLowerCase(VarToStr(a)));
          return;
        default:
          Fail(n.Error.empty() ? OperatorError(n.Cls, n.Op) : n.Error);
      }
    }
    case nodeBINARY: {
      Variant sa, sb;
      const Variant& a = Value(n.A, ctx, sa);
      const Variant& b = Value(n.B, ctx, sb);
      if (!n.Error.empty()) Fail(n.Error);
      switch (n.Op) {
        case coAND:
        case coOR:
          result = VarLogic(a, b, n.Op == coAND);
          return;
        case coADD:
          if (a.IsNull() && b.IsNull()) {
            result = Null();
            return;
          }
          if (a.IsStr() || b.IsStr()) {
            result = Variant(VarToStr(a) + VarToStr(b));
            return;
          }
          if (!FastArith(n.Op, a, b, result)) result = a + b;
          return;
        case coSUB:
          if (!FastArith(n.Op, a, b, result)) result = a - b;
          return;
        case coMUL:
          if (!FastArith(n.Op, a, b, result)) result = a * b;
          return;
        case coDIV:
          if (!FastArith(n.Op, a, b, result)) result = a / b;
          return;
        default:
          Fail(OperatorError(n.Cls, n.Op));
      }
    }
    case nodeCOMPARE: {
      // Only a compare node with an unsupported operator is not Logical.
      Variant sa, sb;
      Value(n.A, ctx, sa);
      Value(n.B, ctx, sb);
      Fail(n.Error.empty() ? OperatorError(n.Cls, n.Op) : n.Error);
    }
    case nodeFIELD: {
      if (!n.Error.empty()) Fail(n.Error);
      const Variant& v = FieldValue(n, ctx, result);
      if (&v != &result) result = v;
      return;
    }
    case nodeCONST:
      if (!n.Error.empty()) Fail(n.Error);
      result = n.Constant;
      return;
    case nodeLISTELEM: {
      // Outside a function or IN list: the elements are evaluated and the answer is True.
      Variant v;
      for (int e = index; e >= 0;) {
        const Node& en = nodes_[static_cast<size_t>(e)];
        if (en.Cls != nodeLISTELEM) {
          Eval(e, ctx, v);
          break;
        }
        if (!en.Error.empty()) Fail(en.Error);
        Eval(en.A, ctx, v);
        e = en.B;
      }
      result = Variant(true);
      return;
    }
    case nodeFUNC:
      if (!n.Error.empty()) Fail(n.Error);
      if (IsAggregate(n.Func) || n.Func == Fn::CountStar)
        EvalAggregate(n, ctx, result);
      else
        EvalFunction(n, ctx, result);
      return;
    default:
      Fail(n.Error.empty() ? OperatorError(n.Cls, n.Op) : n.Error);
  }
}

void TDataSetExprParserGx::EvalFunction(const Node& n, Context& ctx, Variant& result) {
  int minArgs = 1, maxArgs = 1;
  switch (n.Func) {
    case Fn::Substring: minArgs = 2; maxArgs = 3; break;
    case Fn::Trim: case Fn::TrimLeft: case Fn::TrimRight: maxArgs = 2; break;
    case Fn::GetDate: minArgs = maxArgs = 0; break;
    default: break;
  }
  if (n.ArgCount < minArgs || n.ArgCount > maxArgs)
    Fail(Format("Incorrect number of arguments in function <%s>", {n.Name}));
  std::array<Variant, 3> args;
  int count = 0;
  for (int e = n.A; e >= 0 && count < n.ArgCount;) {
    const Node& en = nodes_[static_cast<size_t>(e)];
    if (en.Cls != nodeLISTELEM) {
      Eval(e, ctx, args[static_cast<size_t>(count++)]);
      break;
    }
    if (!en.Error.empty()) Fail(en.Error);
    Eval(en.A, ctx, args[static_cast<size_t>(count++)]);
    e = en.B;
  }
  result = Null();
  const Variant& s = args[0];
  switch (n.Func) {
    case Fn::Substring: {
      if (s.IsNull()) return;
      std::string text = VarToStr(s);
      int64_t start = std::max<int64_t>(args[1].AsInt64(), 1);
      size_t from = CharOffset(text, start - 1);
      size_t to = text.size();
      if (n.ArgCount == 3) {
        int64_t length = args[2].AsInt64();
        to = length <= 0 ? from : from + CharOffset(std::string_view(text).substr(from), length);
      }
      result = Variant(text.substr(from, to - from));
      return;
    }
    case Fn::Upper:
    case Fn::Lower:
      if (!s.IsNull()) result = Variant(n.Func == Fn::Upper ? AnsiUpperCase(VarToStr(s)) : AnsiLowerCase(VarToStr(s)));
      return;
    case Fn::Trim:
    case Fn::TrimLeft:
    case Fn::TrimRight: {
      if (s.IsNull()) return;
      std::string c = n.ArgCount == 2 ? VarToStr(args[1]) : std::string(" ");
      result = Variant(Trimmed(VarToStr(s), c, n.Func != Fn::TrimRight, n.Func != Fn::TrimLeft));
      return;
    }
    case Fn::Year: case Fn::Month: case Fn::Day: {
      if (s.IsNull()) return;
      int y, m, d;
      DecodeDate(s.AsDateTime(), y, m, d);
      result = Variant(n.Func == Fn::Year ? y : n.Func == Fn::Month ? m : d);
      return;
    }
    case Fn::Hour: case Fn::Minute: case Fn::Second: {
      if (s.IsNull()) return;
      int h, mi, se, ms;
      DecodeTime(s.AsDateTime(), h, mi, se, ms);
      result = Variant(n.Func == Fn::Hour ? h : n.Func == Fn::Minute ? mi : se);
      return;
    }
    case Fn::GetDate:
      result = Variant::FromDateTime(Now());
      return;
    case Fn::Date:
      if (!s.IsNull()) result = Variant::FromDateTime(DateOf(s.AsDateTime()));
      return;
    case Fn::Time:
      if (!s.IsNull()) result = Variant::FromDateTime(TimeOf(s.AsDateTime()));
      return;
    default:
      Fail(Format("Unsupported function: %s", {n.Name}));
  }
}

// The argument of an aggregate for one row, folded into its running state.
void TDataSetExprParserGx::StepAggregate(const Node& n, AggState& st, Context& ctx, int row) {
  if (n.ArgCount != 1) Fail(Format("Incorrect number of arguments in function <%s>", {n.Name}));
  const Node& elem = nodes_[static_cast<size_t>(n.A)];
  if (elem.Cls == nodeLISTELEM && !elem.Error.empty()) Fail(elem.Error);
  const int arg = elem.Cls == nodeLISTELEM ? elem.A : n.A;
  const int saved = ctx.Pos;
  ctx.Pos = row;
  Variant scratch;
  const Variant& v = Value(arg, ctx, scratch);
  ctx.Pos = saved;
  if (!st.Started) {
    st.Started = true;
    switch (n.Func) {
      case Fn::Sum: case Fn::Avg:
        if (!v.IsNull() && IsSummable(v)) st.Start(v);
        else st.Start(Variant(0));
        break;
      case Fn::Min: case Fn::Max:
        st.Acc = v;
        break;
      default:
        st.Count = v.IsNull() ? 0 : 1;
        break;
    }
    return;
  }
  switch (n.Func) {
    case Fn::Sum: case Fn::Avg:
      if (!v.IsNull() && IsSummable(v)) st.Add(v);
      break;
    case Fn::Min: case Fn::Max: {
      int c;
      if (v.IsStr() || st.Acc.IsStr()) c = LocaleCompare(VarToStr(v), VarToStr(st.Acc), false);
      else c = CompareValues(v, st.Acc);
      if (n.Func == Fn::Min ? c < 0 : c > 0) st.Acc = v;
      break;
    }
    default:
      if (!v.IsNull()) ++st.Count;
      break;
  }
}

void TDataSetExprParserGx::EvalAggregate(const Node& n, Context& ctx, Variant& result) {
  if (n.Func == Fn::CountStar) {
    if (n.ArgCount != 0) Fail(Format("Incorrect number of arguments in function <%s>", {n.Name}));
    result = Variant(ctx.Rows ? ctx.RowCount : 0);
    return;
  }
  const int rowCount = ctx.Rows ? ctx.RowCount : 0;
  result = Null();
  if (rowCount < 1) return;  // the argument neither evaluated nor counted
  AggState& st = aggStates_[static_cast<size_t>(n.Agg)];
  if (!ctx.UseState) {
    st = AggState{};
    for (int row = 0; row < rowCount; ++row) StepAggregate(n, st, ctx, row);
  }
  switch (n.Func) {
    case Fn::Sum:
      result = st.Sum();
      return;
    case Fn::Min: case Fn::Max:
      result = st.Acc;
      return;
    case Fn::Avg:
      result = st.Sum() / Variant(rowCount);
      return;
    default:
      result = Variant(static_cast<long long>(st.Count));
      return;
  }
}
