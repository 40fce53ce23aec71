#include "platform/db/exprparser.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>

#include "platform/db/dataset.h"
#include "platform/db/dbconsts.h"
#include "platform/db/fields.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"

namespace {

// Deep nesting is refused before it can exhaust the stack.
constexpr int MaxDepth = 200;
// Chains of operators (A+0+0+...) nest without parentheses; more nodes than a blob can hold are
// refused while parsing, which also bounds the depth the blob writer and evaluators walk.
constexpr int MaxNodes = 4096;

enum class Tok { End, Name, QuotedName, String, Number, LParen, RParen, Comma, Eq, Ne, Lt, Gt, Le, Ge,
                 Plus, Minus, Star, Slash };

struct Token {
  Tok Kind = Tok::End;
  std::string Text;  // name, string contents or number text
  size_t Pos = 0;    // byte offset in the text
};

// Coarse value types, enough to decide conversions and case-insensitive comparisons.
enum class VType { Unknown, String, Number, Date, Time, DateTime, Bool, Null };

enum class NodeKind { Unary, Binary, Compare, Field, Const, Func, In };

enum class ConstKind { String, Int, Float, Bool, Date, Time, DateTime, Null };

struct Node {
  NodeKind Kind = NodeKind::Const;
  TCANOperator Op = coNOTDEFINED;
  size_t Pos = 0;
  std::vector<std::unique_ptr<Node>> Kids;  // operands; for In: [value, list...]; for Func: args
  // field
  std::string Name;  // field name or function name
  int FieldNo = 0;
  TFieldType FieldType = ftUnknown;
  // constant
  ConstKind CKind = ConstKind::String;
  std::string Str;
  int64_t Int = 0;
  double Float = 0;
  // compare
  bool IgnoreCase = false;
  uint16_t Partial = 0;
  VType Type = VType::Unknown;

  Node() = default;
  Node(const Node&) = delete;
  Node& operator=(const Node&) = delete;
  // A long chain is a deep tree: its nodes are freed from a list, not by recursion.
  ~Node() {
    std::vector<std::unique_ptr<Node>> pending = std::move(Kids);
    while (!pending.empty()) {
      std::unique_ptr<Node> n = std::move(pending.back());
      pending.pop_back();
      if (!n) continue;
      for (auto& kid : n->Kids) pending.push_back(std::move(kid));
      n->Kids.clear();
    }
  }
};
using NodePtr = std::unique_ptr<Node>;

bool IsStringFieldType(TFieldType t) {
  switch (t) {
    case ftString: case ftFixedChar: case ftWideString: case ftFixedWideChar: case ftMemo:
    case ftFmtMemo: case ftWideMemo: case ftGuid: case ftOraClob: case ftOraInterval:
      return true;
    default:
      return false;
  }
}

VType TypeOfField(TFieldType t) {
  if (IsStringFieldType(t)) return VType::String;
  switch (t) {
    case ftSmallint: case ftInteger: case ftWord: case ftFloat: case ftCurrency: case ftBCD:
    case ftAutoInc: case ftLargeint: case ftFMTBcd:
      return VType::Number;
    case ftBoolean: return VType::Bool;
    case ftDate: return VType::Date;
    case ftTime: return VType::Time;
    case ftDateTime: case ftTimeStamp: case ftOraTimeStamp: return VType::DateTime;
    default: return VType::Unknown;
  }
}

bool IsAggregateName(std::string_view name) {
  return SameText(name, "SUM") || SameText(name, "MIN") || SameText(name, "MAX") ||
         SameText(name, "AVG") || SameText(name, "COUNT");
}

VType FunctionType(std::string_view name, const std::vector<NodePtr>& args) {
  static const char* const stringFns[] = {"SUBSTRING", "UPPER", "LOWER", "TRIM", "TRIMLEFT", "TRIMRIGHT"};
  static const char* const numberFns[] = {"YEAR", "MONTH", "DAY", "HOUR", "MINUTE", "SECOND",
                                          "SUM", "AVG", "COUNT", "COUNT(*)"};
  for (const char* f : stringFns)
    if (SameText(name, f)) return VType::String;
  for (const char* f : numberFns)
    if (SameText(name, f)) return VType::Number;
  if (SameText(name, "GETDATE")) return VType::DateTime;
  if (SameText(name, "DATE")) return VType::Date;
  if (SameText(name, "TIME")) return VType::Time;
  if ((SameText(name, "MIN") || SameText(name, "MAX")) && args.size() == 1) return args[0]->Type;
  return VType::Unknown;
}

// Days from 0001-01-01 (day 1) to 1899-12-30, the zero of TDateTime.
constexpr int64_t DateDelta = 693594;
constexpr double MSecsPerDay = 86400000.0;

class Parser {
 public:
  Parser(std::string_view text, const TExprFieldResolver& resolver, TFilterOptions filterOptions,
         TParserOptions parserOptions, const TComponent* component)
      : text_(text), resolver_(resolver), filterOptions_(filterOptions), options_(parserOptions),
        component_(component) {}

  NodePtr ParseAll() {
    Next();
    if (tok_.Kind == Tok::End) return nullptr;
    NodePtr root = ParseOr();
    if (tok_.Kind != Tok::End) Fail("Unexpected " + Describe(tok_), tok_.Pos);
    return root;
  }

  std::vector<std::string> dependent;

 private:
  // ---- errors ----

  [[noreturn]] void Fail(const std::string& what, size_t bytePos) const {
    DatabaseError(what + " at position " + std::to_string(CharPosition(bytePos)) +
                      " in expression",
                  component_);
  }

  size_t CharPosition(size_t bytePos) const {
    size_t n = 1;
    for (size_t i = 0; i < bytePos && i < text_.size();) {
      i += std::max(1, Utf8SequenceLength(static_cast<unsigned char>(text_[i])));
      ++n;
    }
    return n;
  }

  static std::string Describe(const Token& t) {
    switch (t.Kind) {
      case Tok::End: return "end of expression";
      case Tok::Name: return "'" + t.Text + "'";
      case Tok::QuotedName: return "field name '" + t.Text + "'";
      case Tok::String: return "string '" + t.Text + "'";
      case Tok::Number: return "number " + t.Text;
      default: return "'" + t.Text + "'";
    }
  }

  // ---- lexer ----

  static bool IsNameStart(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
  }
  static bool IsNameChar(unsigned char c) { return IsNameStart(c) || (c >= '0' && c <= '9'); }
  static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

  void Next() {
    size_t& i = pos_;
    while (i < text_.size() && (text_[i] == ' ' || text_[i] == '\t' || text_[i] == '\r' || text_[i] == '\n'))
      ++i;
    tok_ = Token{};
    tok_.Pos = i;
    if (i >= text_.size()) return;
    char c = text_[i];
    auto single = [&](Tok k) {
      tok_.Kind = k;
      tok_.Text = std::string(1, c);
      ++i;
    };
    switch (c) {
      case '(': return single(Tok::LParen);
      case ')': return single(Tok::RParen);
      case ',': return single(Tok::Comma);
      case '+': return single(Tok::Plus);
      case '-': return single(Tok::Minus);
      case '*': return single(Tok::Star);
      case '/': return single(Tok::Slash);
      case '=': return single(Tok::Eq);
      case '<':
        if (i + 1 < text_.size() && text_[i + 1] == '>') { tok_.Kind = Tok::Ne; tok_.Text = "<>"; i += 2; return; }
        if (i + 1 < text_.size() && text_[i + 1] == '=') { tok_.Kind = Tok::Le; tok_.Text = "<="; i += 2; return; }
        return single(Tok::Lt);
      case '>':
        if (i + 1 < text_.size() && text_[i + 1] == '=') { tok_.Kind = Tok::Ge; tok_.Text = ">="; i += 2; return; }
        return single(Tok::Gt);
      case '!':
        if (i + 1 < text_.size() && text_[i + 1] == '=') { tok_.Kind = Tok::Ne; tok_.Text = "!="; i += 2; return; }
        break;
      case '\'': {
        size_t start = i++;
        std::string s;
        for (;;) {
          if (i >= text_.size()) Fail("Unterminated string", start);
          if (text_[i] == '\'') {
            if (i + 1 < text_.size() && text_[i + 1] == '\'') { s += '\''; i += 2; continue; }
            ++i;
            break;
          }
          if (text_[i] == '\0') Fail("Invalid character in string", i);
          s += text_[i++];
        }
        tok_.Kind = Tok::String;
        tok_.Text = std::move(s);
        return;
      }
      case '[':
      case '"': {
        char close = c == '[' ? ']' : '"';
        size_t start = i++;
        size_t end = text_.find(close, i);
        if (end == std::string_view::npos) Fail("Unterminated field name", start);
        tok_.Kind = Tok::QuotedName;
        tok_.Text = std::string(text_.substr(i, end - i));
        if (tok_.Text.find('\0') != std::string::npos) Fail("Invalid character in field name", start);
        if (Trim(tok_.Text).empty()) Fail("Field name missing", start);
        i = end + 1;
        return;
      }
      default:
        break;
    }
    if (IsDigit(c) || (c == '.' && i + 1 < text_.size() && IsDigit(text_[i + 1]))) {
      size_t start = i;
      while (i < text_.size() && IsDigit(text_[i])) ++i;
      if (i < text_.size() && text_[i] == '.') {
        ++i;
        while (i < text_.size() && IsDigit(text_[i])) ++i;
      }
      if (i < text_.size() && (text_[i] == 'e' || text_[i] == 'E')) {
        size_t e = i + 1;
        if (e < text_.size() && (text_[e] == '+' || text_[e] == '-')) ++e;
        if (e >= text_.size() || !IsDigit(text_[e])) Fail("Invalid number", start);
        i = e;
        while (i < text_.size() && IsDigit(text_[i])) ++i;
      }
      if (i < text_.size() && IsNameChar(static_cast<unsigned char>(text_[i])))
        Fail("Invalid number", start);
      tok_.Kind = Tok::Number;
      tok_.Text = std::string(text_.substr(start, i - start));
      return;
    }
    if (IsNameStart(static_cast<unsigned char>(c))) {
      size_t start = i;
      while (i < text_.size() && IsNameChar(static_cast<unsigned char>(text_[i]))) ++i;
      tok_.Kind = Tok::Name;
      tok_.Text = std::string(text_.substr(start, i - start));
      return;
    }
    if (c == '\0') Fail("Invalid character", i);
    std::string shown(text_.substr(i, std::max(1, Utf8SequenceLength(static_cast<unsigned char>(c)))));
    Fail("Invalid character '" + SanitizeUtf8(shown) + "'", i);
  }

  bool IsKeyword(const char* word) const { return tok_.Kind == Tok::Name && SameText(tok_.Text, word); }

  void Expect(Tok kind, const char* what) {
    if (tok_.Kind != kind) Fail(std::string("Expected ") + what + " but found " + Describe(tok_), tok_.Pos);
    Next();
  }

  void NeedExtSyntax(const char* what, size_t pos) const {
    if (!options_.Contains(poExtSyntax)) Fail(std::string(what) + " needs the extended syntax", pos);
  }

  struct DepthGuard {
    explicit DepthGuard(Parser& p) : p_(p) {
      if (++p_.depth_ > MaxDepth) p_.Fail("Expression nested too deeply", p_.tok_.Pos);
    }
    ~DepthGuard() { --p_.depth_; }
    Parser& p_;
  };

  // ---- node builders ----

  NodePtr Make(NodeKind kind, TCANOperator op, size_t pos, VType type) {
    if (++nodes_ > MaxNodes) DatabaseError("Expression is too long", component_);
    auto n = std::make_unique<Node>();
    n->Kind = kind;
    n->Op = op;
    n->Pos = pos;
    n->Type = type;
    return n;
  }
  NodePtr MakeUnary(TCANOperator op, NodePtr a, size_t pos, VType type) {
    NodePtr n = Make(NodeKind::Unary, op, pos, type);
    n->Kids.push_back(std::move(a));
    return n;
  }
  NodePtr MakeBinary(TCANOperator op, NodePtr a, NodePtr b, size_t pos, VType type) {
    NodePtr n = Make(NodeKind::Binary, op, pos, type);
    n->Kids.push_back(std::move(a));
    n->Kids.push_back(std::move(b));
    return n;
  }

  // ---- grammar ----

  NodePtr ParseOr() {
    DepthGuard g(*this);
    NodePtr left = ParseAnd();
    while (IsKeyword("OR")) {
      size_t pos = tok_.Pos;
      Next();
      left = MakeBinary(coOR, std::move(left), ParseAnd(), pos, VType::Bool);
    }
    return left;
  }

  NodePtr ParseAnd() {
    DepthGuard g(*this);
    NodePtr left = ParseNot();
    while (IsKeyword("AND")) {
      size_t pos = tok_.Pos;
      Next();
      left = MakeBinary(coAND, std::move(left), ParseNot(), pos, VType::Bool);
    }
    return left;
  }

  NodePtr ParseNot() {
    DepthGuard g(*this);
    if (IsKeyword("NOT")) {
      size_t pos = tok_.Pos;
      Next();
      return MakeUnary(coNOT, ParseNot(), pos, VType::Bool);
    }
    return ParseComparison();
  }

  static TCANOperator CompareOp(Tok k) {
    switch (k) {
      case Tok::Eq: return coEQ;
      case Tok::Ne: return coNE;
      case Tok::Lt: return coLT;
      case Tok::Gt: return coGT;
      case Tok::Le: return coLE;
      case Tok::Ge: return coGE;
      default: return coNOTDEFINED;
    }
  }

  NodePtr ParseComparison() {
    DepthGuard g(*this);
    NodePtr left = ParseSum();
    size_t pos = tok_.Pos;
    TCANOperator op = CompareOp(tok_.Kind);
    if (op != coNOTDEFINED) {
      Next();
      if (IsKeyword("NULL") && (op == coEQ || op == coNE)) {
        Next();
        return MakeUnary(op == coEQ ? coISBLANK : coNOTBLANK, std::move(left), pos, VType::Bool);
      }
      NodePtr right = ParseSum();
      return MakeComparison(op, std::move(left), std::move(right), pos);
    }
    if (IsKeyword("IS")) {
      Next();
      bool negate = false;
      if (IsKeyword("NOT")) {
        negate = true;
        Next();
      }
      if (!IsKeyword("NULL")) Fail("Expected NULL but found " + Describe(tok_), tok_.Pos);
      Next();
      return MakeUnary(negate ? coNOTBLANK : coISBLANK, std::move(left), pos, VType::Bool);
    }
    bool negate = false;
    if (IsKeyword("NOT")) {
      negate = true;
      Next();
      if (!IsKeyword("LIKE") && !IsKeyword("IN")) Fail("Expected LIKE or IN after NOT but found " + Describe(tok_), tok_.Pos);
    }
    if (IsKeyword("LIKE")) {
      Next();
      NodePtr right = ParseSum();
      NodePtr like = MakeComparison(coLIKE, std::move(left), std::move(right), pos);
      return negate ? MakeUnary(coNOT, std::move(like), pos, VType::Bool) : std::move(like);
    }
    if (IsKeyword("IN")) {
      NeedExtSyntax("IN", tok_.Pos);
      Next();
      Expect(Tok::LParen, "'('");
      NodePtr in = Make(NodeKind::In, coIN, pos, VType::Bool);
      in->Kids.push_back(std::move(left));
      for (;;) {
        in->Kids.push_back(ParseOr());
        if (tok_.Kind == Tok::Comma) {
          Next();
          continue;
        }
        Expect(Tok::RParen, "',' or ')'");
        break;
      }
      Node* value = in->Kids[0].get();
      for (size_t i = 1; i < in->Kids.size(); ++i) Coerce(value, in->Kids[i].get());
      return negate ? MakeUnary(coNOT, std::move(in), pos, VType::Bool) : std::move(in);
    }
    return left;
  }

  NodePtr ParseSum() {
    DepthGuard g(*this);
    NodePtr left = ParseProduct();
    while (tok_.Kind == Tok::Plus || tok_.Kind == Tok::Minus) {
      TCANOperator op = tok_.Kind == Tok::Plus ? coADD : coSUB;
      size_t pos = tok_.Pos;
      NeedExtSyntax("Arithmetic", pos);
      Next();
      NodePtr right = ParseProduct();
      VType t = VType::Number;
      if (op == coADD && (left->Type == VType::String || right->Type == VType::String)) t = VType::String;
      else if (left->Type == VType::Date || left->Type == VType::DateTime) t = left->Type;
      left = MakeBinary(op, std::move(left), std::move(right), pos, t);
    }
    return left;
  }

  NodePtr ParseProduct() {
    DepthGuard g(*this);
    NodePtr left = ParseUnary();
    while (tok_.Kind == Tok::Star || tok_.Kind == Tok::Slash) {
      TCANOperator op = tok_.Kind == Tok::Star ? coMUL : coDIV;
      size_t pos = tok_.Pos;
      NeedExtSyntax("Arithmetic", pos);
      Next();
      left = MakeBinary(op, std::move(left), ParseUnary(), pos, VType::Number);
    }
    return left;
  }

  NodePtr ParseUnary() {
    DepthGuard g(*this);
    if (tok_.Kind == Tok::Plus) {
      Next();
      return ParseUnary();
    }
    if (tok_.Kind == Tok::Minus) {
      size_t pos = tok_.Pos;
      Next();
      NodePtr operand = ParseUnary();
      if (operand->Kind == NodeKind::Const && (operand->CKind == ConstKind::Int || operand->CKind == ConstKind::Float)) {
        Negate(*operand);
        operand->Pos = pos;
        return operand;
      }
      NeedExtSyntax("Arithmetic", pos);
      NodePtr zero = Make(NodeKind::Const, coCONST2, pos, VType::Number);
      zero->CKind = ConstKind::Int;
      return MakeBinary(coSUB, std::move(zero), std::move(operand), pos, VType::Number);
    }
    return ParsePrimary();
  }

  static void Negate(Node& n) {
    if (n.CKind == ConstKind::Int) {
      if (n.Int == std::numeric_limits<int64_t>::min()) {
        n.CKind = ConstKind::Float;
        n.Float = -static_cast<double>(n.Int);
      } else {
        n.Int = -n.Int;
      }
    } else {
      n.Float = -n.Float;
    }
  }

  NodePtr ParseNumber() {
    NodePtr n = Make(NodeKind::Const, coCONST2, tok_.Pos, VType::Number);
    const std::string& t = tok_.Text;
    bool integral = t.find_first_of(".eE") == std::string::npos;
    if (integral) {
      int64_t v = 0;
      bool overflow = false;
      for (char c : t) {
        int d = c - '0';
        if (v > (std::numeric_limits<int64_t>::max() - d) / 10) {
          overflow = true;
          break;
        }
        v = v * 10 + d;
      }
      if (!overflow) {
        n->CKind = ConstKind::Int;
        n->Int = v;
        Next();
        return n;
      }
    }
    // Always '.' in expressions, whatever the user's decimal separator.
    double d = std::strtod(t.c_str(), nullptr);
    if (!std::isfinite(d)) Fail("Number out of range", tok_.Pos);
    n->CKind = ConstKind::Float;
    n->Float = d;
    Next();
    return n;
  }

  NodePtr ParsePrimary() {
    DepthGuard g(*this);
    size_t pos = tok_.Pos;
    switch (tok_.Kind) {
      case Tok::Number:
        return ParseNumber();
      case Tok::String: {
        NodePtr n = Make(NodeKind::Const, coCONST2, pos, VType::String);
        n->CKind = ConstKind::String;
        n->Str = tok_.Text;
        Next();
        return n;
      }
      case Tok::QuotedName: {
        std::string name = tok_.Text;
        Next();
        return MakeField(name, pos);
      }
      case Tok::LParen: {
        Next();
        NodePtr inner = ParseOr();
        Expect(Tok::RParen, "')'");
        return inner;
      }
      case Tok::Name:
        break;
      default:
        Fail("Unexpected " + Describe(tok_), pos);
    }
    std::string name = tok_.Text;
    if (SameText(name, "TRUE") || SameText(name, "FALSE")) {
      NodePtr n = Make(NodeKind::Const, coCONST2, pos, VType::Bool);
      n->CKind = ConstKind::Bool;
      n->Int = SameText(name, "TRUE") ? 1 : 0;
      Next();
      return n;
    }
    if (SameText(name, "NULL")) {
      NodePtr n = Make(NodeKind::Const, coCONST2, pos, VType::Null);
      n->CKind = ConstKind::Null;
      Next();
      return n;
    }
    static const char* const reserved[] = {"AND", "OR", "NOT", "LIKE", "IS", "IN"};
    for (const char* r : reserved)
      if (SameText(name, r)) Fail("Unexpected keyword " + Describe(tok_), pos);
    Next();
    if (tok_.Kind == Tok::LParen) return ParseFunction(name, pos);
    return MakeField(name, pos);
  }

  NodePtr ParseFunction(const std::string& name, size_t pos) {
    NeedExtSyntax("A function call", pos);
    bool aggregate = IsAggregateName(name);
    if (aggregate) {
      if (!options_.Contains(poAggregate)) Fail("Aggregate " + name + " is not allowed in a filter", pos);
      if (inAggregate_) Fail("Aggregate " + name + " inside another aggregate", pos);
    }
    Next();  // '('
    NodePtr fn = Make(NodeKind::Func, coFUNC2, pos, VType::Unknown);
    fn->Name = name;
    if (aggregate && SameText(name, "COUNT") && tok_.Kind == Tok::Star) {
      Next();
      Expect(Tok::RParen, "')'");
      fn->Name = name + "(*)";
      fn->Type = VType::Number;
      return fn;
    }
    bool saved = inAggregate_;
    inAggregate_ = inAggregate_ || aggregate;
    if (tok_.Kind != Tok::RParen) {
      for (;;) {
        fn->Kids.push_back(ParseOr());
        if (tok_.Kind == Tok::Comma) {
          Next();
          continue;
        }
        break;
      }
    }
    inAggregate_ = saved;
    Expect(Tok::RParen, "',' or ')'");
    fn->Type = FunctionType(name, fn->Kids);
    // The one-argument case conversions have operators of their own.
    if (fn->Kids.size() == 1 && (SameText(name, "UPPER") || SameText(name, "LOWER")))
      return MakeUnary(SameText(name, "UPPER") ? coUPPER : coLOWER, std::move(fn->Kids[0]), pos, VType::String);
    return fn;
  }

  NodePtr MakeField(const std::string& name, size_t pos) {
    if (options_.Contains(poAggregate) && !inAggregate_)
      Fail("Field '" + name + "' must stand inside an aggregate", pos);
    NodePtr n = Make(NodeKind::Field, coFIELD2, pos, VType::Unknown);
    TExprFieldInfo info;
    if (resolver_) {
      if (!resolver_(name, info)) DatabaseErrorFmt(SFieldNotFound, {name}, component_);
      n->Name = info.Name.empty() ? name : info.Name;
      n->FieldNo = info.FieldNo;
      n->FieldType = info.DataType;
      n->Type = TypeOfField(info.DataType);
      if (options_.Contains(poAggregate) && info.FieldNo < 1)
        Fail("Field '" + name + "' is not a stored field and cannot be aggregated", pos);
    } else {
      n->Name = name;
    }
    bool known = false;
    for (const std::string& d : dependent)
      if (SameText(d, n->Name)) known = true;
    if (!known) dependent.push_back(n->Name);
    return n;
  }

  // ---- conversions and comparison nodes ----

  static bool IsStringConst(const Node* n) { return n->Kind == NodeKind::Const && n->CKind == ConstKind::String; }

  // A string constant compared with a field of another type takes the field's type.
  void Coerce(const Node* field, Node* constant) {
    if (field->Kind != NodeKind::Field || !IsStringConst(constant)) return;
    const std::string text = Trim(constant->Str);
    switch (TypeOfField(field->FieldType)) {
      case VType::Number: {
        bool integral = field->FieldType == ftSmallint || field->FieldType == ftInteger ||
                        field->FieldType == ftWord || field->FieldType == ftAutoInc ||
                        field->FieldType == ftLargeint;
        int64_t i = 0;
        double d = 0;
        if (integral && TryStrToInt64(text, i)) {
          constant->CKind = ConstKind::Int;
          constant->Int = i;
        } else if (TryStrToFloat(text, d)) {
          constant->CKind = ConstKind::Float;
          constant->Float = d;
        } else {
          Fail("'" + constant->Str + "' is not a valid number for field '" + field->Name + "'", constant->Pos);
        }
        constant->Type = VType::Number;
        return;
      }
      case VType::Bool: {
        bool b = false;
        if (!TryStrToBool(text, b))
          Fail("'" + constant->Str + "' is not a valid boolean for field '" + field->Name + "'", constant->Pos);
        constant->CKind = ConstKind::Bool;
        constant->Int = b ? 1 : 0;
        constant->Type = VType::Bool;
        return;
      }
      case VType::Date:
      case VType::Time:
      case VType::DateTime: {
        VType t = TypeOfField(field->FieldType);
        TDateTime dt = 0;
        bool ok = t == VType::Date   ? TryStrToDate(text, dt) || TryStrToDateTime(text, dt)
                  : t == VType::Time ? TryStrToTime(text, dt)
                                     : TryStrToDateTime(text, dt);
        if (!ok)
          Fail("'" + constant->Str + "' is not a valid " +
                   (t == VType::Date ? "date" : t == VType::Time ? "time" : "date and time") +
                   " for field '" + field->Name + "'",
               constant->Pos);
        if (!std::isfinite(dt) || std::fabs(dt) > 2958466.0)
          Fail("'" + constant->Str + "' is out of the date range", constant->Pos);
        constant->CKind = t == VType::Date ? ConstKind::Date : t == VType::Time ? ConstKind::Time : ConstKind::DateTime;
        constant->Float = dt;
        constant->Type = t;
        return;
      }
      default:
        return;
    }
  }

  NodePtr MakeComparison(TCANOperator op, NodePtr a, NodePtr b, size_t pos) {
    if (op != coLIKE) {
      Coerce(a.get(), b.get());
      Coerce(b.get(), a.get());
    }
    bool textual = (a->Type == VType::String || a->Type == VType::Unknown) &&
                   (b->Type == VType::String || b->Type == VType::Unknown) &&
                   (a->Type == VType::String || b->Type == VType::String);
    bool ignoreCase = filterOptions_.Contains(foCaseInsensitive);
    uint16_t partial = 0;
    if (textual && (op == coEQ || op == coNE) && !filterOptions_.Contains(foNoPartialCompare)) {
      Node* c = IsStringConst(b.get()) ? b.get() : IsStringConst(a.get()) ? a.get() : nullptr;
      // 'abc*' matches every text that starts with abc.
      if (c && c->Str.size() > 1 && c->Str.back() == '*') {
        c->Str.pop_back();
        size_t chars = Utf8CharCount(c->Str);
        partial = static_cast<uint16_t>(std::min<size_t>(chars, 0xFFFF));
      }
    }
    if (textual && (op == coEQ || op == coNE || op == coLIKE) && (ignoreCase || partial > 0)) {
      NodePtr n = Make(NodeKind::Compare, op, pos, VType::Bool);
      n->IgnoreCase = ignoreCase;
      n->Partial = partial;
      n->Kids.push_back(std::move(a));
      n->Kids.push_back(std::move(b));
      return n;
    }
    return MakeBinary(op, std::move(a), std::move(b), pos, VType::Bool);
  }

  std::string_view text_;
  const TExprFieldResolver& resolver_;
  TFilterOptions filterOptions_;
  TParserOptions options_;
  const TComponent* component_;
  size_t pos_ = 0;
  Token tok_;
  int depth_ = 0;
  int nodes_ = 0;
  bool inAggregate_ = false;
};

// ---- blob writer ----

class Writer {
 public:
  Writer(const TFieldMap& map, const TComponent* component) : map_(map), component_(component) {}

  std::vector<Byte> Write(const Node& root) {
    WriteNode(root);
    size_t literalStart = ExprHeaderSize + nodes_.size();
    size_t total = literalStart + literals_.size();
    if (total > 0xFFFF) TooBig();
    std::vector<Byte> out;
    out.reserve(total);
    Put16(out, ExprBlobVersion);
    Put16(out, static_cast<uint16_t>(total));
    Put16(out, static_cast<uint16_t>(nodeCount_));
    Put16(out, ExprHeaderSize);
    Put16(out, static_cast<uint16_t>(literalStart));
    out.insert(out.end(), nodes_.begin(), nodes_.end());
    out.insert(out.end(), literals_.begin(), literals_.end());
    return out;
  }

 private:
  [[noreturn]] void TooBig() const { DatabaseError("Expression is too long", component_); }

  static void Put16(std::vector<Byte>& v, uint16_t x) {
    v.push_back(static_cast<Byte>(x & 0xFF));
    v.push_back(static_cast<Byte>(x >> 8));
  }
  static void Put32(std::vector<Byte>& v, uint32_t x) {
    for (int i = 0; i < 4; ++i) v.push_back(static_cast<Byte>(x >> (8 * i)));
  }
  void Set16(size_t at, size_t x) {
    if (x > 0xFFFF) TooBig();
    nodes_[at] = static_cast<Byte>(x & 0xFF);
    nodes_[at + 1] = static_cast<Byte>(x >> 8);
  }

  // Reserves a node with `operands` 16-bit words; answers its offset.
  size_t Reserve(TExprNodeClass cls, TCANOperator op, int operands) {
    size_t at = nodes_.size();
    if (at > 0xFFFF) TooBig();
    Put32(nodes_, cls);
    Put32(nodes_, op);
    nodes_.resize(nodes_.size() + 2 * operands, 0);
    ++nodeCount_;
    return at;
  }

  size_t Literal(const void* data, size_t size) {
    size_t at = literals_.size();
    if (at > 0xFFFF || size > 0xFFFF) TooBig();
    const Byte* p = static_cast<const Byte*>(data);
    literals_.insert(literals_.end(), p, p + size);
    return at;
  }
  size_t LiteralText(const std::string& s) {
    size_t at = Literal(s.data(), s.size());
    literals_.push_back(0);
    return at;
  }

  size_t WriteNode(const Node& n) {
    switch (n.Kind) {
      case NodeKind::Unary: {
        size_t at = Reserve(nodeUNARY, n.Op, 1);
        Set16(at + 8, WriteNode(*n.Kids[0]));
        return at;
      }
      case NodeKind::Binary: {
        size_t at = Reserve(nodeBINARY, n.Op, 2);
        Set16(at + 8, WriteNode(*n.Kids[0]));
        Set16(at + 10, WriteNode(*n.Kids[1]));
        return at;
      }
      case NodeKind::Compare: {
        size_t at = Reserve(nodeCOMPARE, n.Op, 4);
        Set16(at + 8, n.IgnoreCase ? 1 : 0);
        Set16(at + 10, n.Partial);
        Set16(at + 12, WriteNode(*n.Kids[0]));
        Set16(at + 14, WriteNode(*n.Kids[1]));
        return at;
      }
      case NodeKind::In: {
        size_t at = Reserve(nodeBINARY, coIN, 2);
        Set16(at + 8, WriteNode(*n.Kids[0]));
        Set16(at + 10, WriteList(n.Kids, 1));
        return at;
      }
      case NodeKind::Func: {
        size_t at = Reserve(nodeFUNC, coFUNC2, 2);
        Set16(at + 8, LiteralText(n.Name));
        Set16(at + 10, n.Kids.empty() ? 0 : WriteList(n.Kids, 0));
        return at;
      }
      case NodeKind::Field: {
        size_t at = Reserve(nodeFIELD, coFIELD2, 2);
        Set16(at + 8, static_cast<uint16_t>(std::clamp(n.FieldNo, 0, 0xFFFF)));
        Set16(at + 10, LiteralText(n.Name));
        return at;
      }
      case NodeKind::Const:
        return WriteConst(n);
    }
    return 0;
  }

  // Writes the elements kids[from..] as a chain of list elements; answers the first one.
  size_t WriteList(const std::vector<NodePtr>& kids, size_t from) {
    size_t first = 0, prev = 0;
    for (size_t i = from; i < kids.size(); ++i) {
      size_t at = Reserve(nodeLISTELEM, coLISTELEM2, 2);
      if (i == from) first = at;
      else Set16(prev + 10, at);
      Set16(at + 8, WriteNode(*kids[i]));
      prev = at;
    }
    return first;
  }

  size_t WriteConst(const Node& n) {
    size_t at = Reserve(nodeCONST, coCONST2, 3);
    uint16_t code = 0;
    size_t size = 0, lit = 0;
    auto put = [&](TFieldType type, const void* data, size_t bytes) {
      code = map_[type];
      size = bytes;
      lit = Literal(data, bytes);
    };
    switch (n.CKind) {
      case ConstKind::String: {
        code = map_[ftString];
        size = n.Str.size() + 1;
        lit = LiteralText(n.Str);
        break;
      }
      case ConstKind::Int: {
        if (n.Int >= std::numeric_limits<int32_t>::min() && n.Int <= std::numeric_limits<int32_t>::max()) {
          int32_t v = static_cast<int32_t>(n.Int);
          Byte b[4];
          for (int i = 0; i < 4; ++i) b[i] = static_cast<Byte>(static_cast<uint32_t>(v) >> (8 * i));
          put(ftInteger, b, 4);
        } else {
          Byte b[8];
          for (int i = 0; i < 8; ++i) b[i] = static_cast<Byte>(static_cast<uint64_t>(n.Int) >> (8 * i));
          put(ftLargeint, b, 8);
        }
        break;
      }
      case ConstKind::Float: {
        Byte b[8];
        PutDouble(b, n.Float);
        put(ftFloat, b, 8);
        break;
      }
      case ConstKind::Bool: {
        Byte b[2] = {static_cast<Byte>(n.Int ? 1 : 0), 0};
        put(ftBoolean, b, 2);
        break;
      }
      case ConstKind::Date: {
        int32_t day = static_cast<int32_t>(DateDelta + static_cast<int64_t>(std::trunc(n.Float)));
        Byte b[4];
        for (int i = 0; i < 4; ++i) b[i] = static_cast<Byte>(static_cast<uint32_t>(day) >> (8 * i));
        put(ftDate, b, 4);
        break;
      }
      case ConstKind::Time: {
        double frac = std::fabs(n.Float - std::trunc(n.Float));
        int32_t ms = static_cast<int32_t>(std::llround(frac * MSecsPerDay));
        if (ms >= 86400000) ms = 86399999;
        Byte b[4];
        for (int i = 0; i < 4; ++i) b[i] = static_cast<Byte>(static_cast<uint32_t>(ms) >> (8 * i));
        put(ftTime, b, 4);
        break;
      }
      case ConstKind::DateTime: {
        double day = static_cast<double>(DateDelta + static_cast<int64_t>(std::trunc(n.Float)));
        double ms = std::round(std::fabs(n.Float - std::trunc(n.Float)) * MSecsPerDay);
        Byte b[8];
        PutDouble(b, day * MSecsPerDay + ms);
        put(ftDateTime, b, 8);
        break;
      }
      case ConstKind::Null:
        code = fldNULL;
        size = 0;
        lit = literals_.size();
        break;
    }
    Set16(at + 8, code);
    Set16(at + 10, size);
    Set16(at + 12, lit);
    return at;
  }

  static void PutDouble(Byte* b, double d) {
    uint64_t bits;
    std::memcpy(&bits, &d, 8);
    for (int i = 0; i < 8; ++i) b[i] = static_cast<Byte>(bits >> (8 * i));
  }

  const TFieldMap& map_;
  const TComponent* component_;
  std::vector<Byte> nodes_;
  std::vector<Byte> literals_;
  size_t nodeCount_ = 0;
};

}  // namespace

const TFieldMap& DefaultFieldMap() noexcept {
  static const TFieldMap map = [] {
    TFieldMap m{};
    m[ftUnknown] = fldUNKNOWN;
    m[ftString] = fldZSTRING;
    m[ftSmallint] = fldINT16;
    m[ftInteger] = fldINT32;
    m[ftWord] = fldUINT16;
    m[ftBoolean] = fldBOOL;
    m[ftFloat] = fldFLOAT;
    m[ftCurrency] = fldFLOAT;
    m[ftBCD] = fldBCD;
    m[ftDate] = fldDATE;
    m[ftTime] = fldTIME;
    m[ftDateTime] = fldTIMESTAMP;
    m[ftBytes] = fldBYTES;
    m[ftVarBytes] = fldVARBYTES;
    m[ftAutoInc] = fldINT32;
    for (int t = ftBlob; t <= ftTypedBinary; ++t) m[t] = fldBLOB;
    m[ftCursor] = fldCURSOR;
    m[ftFixedChar] = fldZSTRING;
    m[ftWideString] = fldZSTRING;
    m[ftLargeint] = fldINT64;
    m[ftADT] = fldADT;
    m[ftArray] = fldARRAY;
    m[ftReference] = fldREF;
    m[ftDataSet] = fldTABLE;
    m[ftOraBlob] = fldBLOB;
    m[ftOraClob] = fldBLOB;
    m[ftVariant] = fldUNKNOWN;
    m[ftInterface] = fldUNKNOWN;
    m[ftIDispatch] = fldUNKNOWN;
    m[ftGuid] = fldZSTRING;
    m[ftTimeStamp] = fldDATETIME;
    m[ftFMTBcd] = fldFMTBCD;
    m[ftFixedWideChar] = fldWIDESTRING;
    m[ftWideMemo] = fldBLOB;
    m[ftOraTimeStamp] = fldDATETIME;
    m[ftOraInterval] = fldZSTRING;
    return m;
  }();
  return map;
}

TExprParser::TExprParser(TDataSet* dataSet, std::string_view text, TFilterOptions filterOptions,
                         TParserOptions parserOptions, const TFieldMap* fieldMap) {
  TExprFieldResolver resolver;
  if (dataSet) {
    resolver = [dataSet](std::string_view name, TExprFieldInfo& info) {
      TField* f = dataSet->FindField(name);
      if (!f) return false;
      info.Name = f->FieldName();
      info.FieldNo = f->FieldNo();
      info.DataType = f->DataType();
      info.Kind = f->FieldKind();
      return true;
    };
  }
  Parse(resolver, text, filterOptions, parserOptions, fieldMap ? *fieldMap : DefaultFieldMap(), dataSet);
}

TExprParser::TExprParser(const TExprFieldResolver& resolver, std::string_view text,
                         TFilterOptions filterOptions, TParserOptions parserOptions,
                         const TFieldMap* fieldMap, const TComponent* errorComponent) {
  Parse(resolver, text, filterOptions, parserOptions, fieldMap ? *fieldMap : DefaultFieldMap(), errorComponent);
}

void TExprParser::Parse(const TExprFieldResolver& resolver, std::string_view text,
                        TFilterOptions filterOptions, TParserOptions parserOptions,
                        const TFieldMap& fieldMap, const TComponent* errorComponent) {
  Parser p(text, resolver, filterOptions, parserOptions, errorComponent);
  NodePtr root = p.ParseAll();
  dependentFields_ = std::move(p.dependent);
  if (!root) {
    data_.clear();
    return;
  }
  Writer w(fieldMap, errorComponent);
  data_ = w.Write(*root);
}

// ---- dump ----

namespace {

class Dumper {
 public:
  explicit Dumper(const std::vector<Byte>& b) : b_(b) {}

  std::string Run() {
    if (b_.size() < ExprHeaderSize) Bad();
    size_t total = U16(2);
    literalStart_ = U16(8);
    if (total != b_.size() || U16(6) != ExprHeaderSize || literalStart_ < ExprHeaderSize || literalStart_ > b_.size())
      Bad();
    return Node(0, 0);
  }

 private:
  [[noreturn]] static void Bad() { throw EDatabaseError("Malformed expression blob"); }

  uint16_t U16(size_t at) const {
    if (at + 2 > b_.size()) Bad();
    return static_cast<uint16_t>(b_[at] | (b_[at + 1] << 8));
  }
  uint32_t U32(size_t at) const {
    if (at + 4 > b_.size()) Bad();
    return static_cast<uint32_t>(b_[at]) | (static_cast<uint32_t>(b_[at + 1]) << 8) |
           (static_cast<uint32_t>(b_[at + 2]) << 16) | (static_cast<uint32_t>(b_[at + 3]) << 24);
  }
  // Byte position of node operand word i, checked to lie inside the node area.
  size_t Operand(size_t node, int i) const {
    size_t at = ExprHeaderSize + node + 8 + 2 * i;
    if (at + 2 > literalStart_) Bad();
    return at;
  }
  std::string Text(size_t lit) const {
    size_t at = literalStart_ + lit;
    if (at >= b_.size()) Bad();
    size_t end = at;
    while (end < b_.size() && b_[end] != 0) ++end;
    if (end >= b_.size()) Bad();
    return std::string(reinterpret_cast<const char*>(b_.data() + at), end - at);
  }

  static const char* OpName(uint32_t op) {
    switch (op) {
      case coISBLANK: return "ISNULL";
      case coNOTBLANK: return "NOTNULL";
      case coEQ: return "=";
      case coNE: return "<>";
      case coGT: return ">";
      case coLT: return "<";
      case coGE: return ">=";
      case coLE: return "<=";
      case coNOT: return "NOT";
      case coAND: return "AND";
      case coOR: return "OR";
      case coMINUS: return "MINUS";
      case coADD: return "+";
      case coSUB: return "-";
      case coMUL: return "*";
      case coDIV: return "/";
      case coLIKE: return "LIKE";
      case coIN: return "IN";
      case coUPPER: return "UPPER";
      case coLOWER: return "LOWER";
      default: return nullptr;
    }
  }
  static std::string OpText(uint32_t op) {
    const char* n = OpName(op);
    return n ? n : "op" + std::to_string(op);
  }

  std::string List(size_t elem, int depth) {
    std::string out;
    int guard = 0;
    while (true) {
      size_t at = ExprHeaderSize + elem;
      if ((U32(at) & 0x7F) != nodeLISTELEM || ++guard > 0x8000) Bad();
      out += " " + Node(U16(Operand(elem, 0)), depth + 1);
      size_t next = U16(Operand(elem, 1));
      if (next == 0) break;
      elem = next;
    }
    return out;
  }

  std::string Node(size_t node, int depth) {
    if (depth > 1000) Bad();
    size_t at = ExprHeaderSize + node;
    if (at + 8 > literalStart_) Bad();
    uint32_t cls = U32(at) & 0x7F;
    uint32_t op = U32(at + 4);
    switch (cls) {
      case nodeUNARY:
        return "(" + OpText(op) + " " + Node(U16(Operand(node, 0)), depth + 1) + ")";
      case nodeBINARY:
        if (op == coIN) return "(IN " + Node(U16(Operand(node, 0)), depth + 1) + List(U16(Operand(node, 1)), depth) + ")";
        return "(" + OpText(op) + " " + Node(U16(Operand(node, 0)), depth + 1) + " " +
               Node(U16(Operand(node, 1)), depth + 1) + ")";
      case nodeCOMPARE: {
        std::string s = "(cmp " + OpText(op);
        if (U16(Operand(node, 0))) s += " ci";
        if (uint16_t p = U16(Operand(node, 1))) s += " p" + std::to_string(p);
        return s + " " + Node(U16(Operand(node, 2)), depth + 1) + " " + Node(U16(Operand(node, 3)), depth + 1) + ")";
      }
      case nodeFIELD:
        return "[" + Text(U16(Operand(node, 1))) + "#" + std::to_string(U16(Operand(node, 0))) + "]";
      case nodeCONST:
        return Const(U16(Operand(node, 0)), U16(Operand(node, 1)), U16(Operand(node, 2)));
      case nodeFUNC: {
        std::string s = "(fn " + Text(U16(Operand(node, 0)));
        if (size_t first = U16(Operand(node, 1))) s += List(first, depth);
        return s + ")";
      }
      default:
        Bad();
    }
  }

  std::string Const(uint16_t code, uint16_t size, uint16_t lit) {
    size_t at = literalStart_ + lit;
    if (code >= fldNULL) return "null";
    if (at + size > b_.size()) Bad();
    const Byte* p = b_.data() + at;
    auto le = [&](int n) {
      uint64_t v = 0;
      for (int i = 0; i < n; ++i) v |= static_cast<uint64_t>(p[i]) << (8 * i);
      return v;
    };
    auto dbl = [&] {
      uint64_t bits = le(8);
      double d;
      std::memcpy(&d, &bits, 8);
      return d;
    };
    switch (code) {
      case fldZSTRING:
        if (size < 1 || p[size - 1] != 0) Bad();
        return "'" + std::string(reinterpret_cast<const char*>(p), size - 1) + "'";
      case fldBOOL:
        if (size != 2) Bad();
        return le(2) ? "true" : "false";
      case fldINT32:
        if (size != 4) Bad();
        return std::to_string(static_cast<int32_t>(le(4)));
      case fldINT64:
        if (size != 8) Bad();
        return std::to_string(static_cast<int64_t>(le(8))) + "L";
      case fldFLOAT: {
        if (size != 8) Bad();
        char buf[40];
        std::snprintf(buf, sizeof buf, "%.17g", dbl());
        std::string s = buf;
        if (s.find_first_of(".eEn") == std::string::npos) s += ".0";
        return s;
      }
      case fldDATE:
        if (size != 4) Bad();
        return "date:" + std::to_string(static_cast<int32_t>(le(4)));
      case fldTIME:
        if (size != 4) Bad();
        return "time:" + std::to_string(static_cast<int32_t>(le(4)));
      case fldTIMESTAMP: {
        if (size != 8) Bad();
        char buf[40];
        std::snprintf(buf, sizeof buf, "%.0f", dbl());
        return std::string("datetime:") + buf;
      }
      default:
        return "const" + std::to_string(code) + ":" + std::to_string(size);
    }
  }

  const std::vector<Byte>& b_;
  size_t literalStart_ = 0;
};

}  // namespace

std::string DumpExprBlob(const std::vector<Byte>& blob) {
  if (blob.empty()) return "";
  return Dumper(blob).Run();
}
