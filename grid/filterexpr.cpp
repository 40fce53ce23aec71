// Lexer, parser and printer of the filter-row language.
#include "grid/filterexpr.h"

#include <vector>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"

const char* const STFldFilterOperatorsDisplayNames[FilterOperatorCount] = {
    "", "=", "<>", ">", "<", ">=", "<=", "~", "!~", "In", "!In", "Null", "Null", "AND", "OR", ""};
const char* const STFilterOperatorsStrMap[FilterOperatorCount] = {
    "", "=", "<>", ">", "<", ">=", "<=", "LIKE", "NOT LIKE", "IN", "NOT IN", "IS NULL", "IS NOT NULL",
    "AND", "OR", ""};
const char* const STFilterMarkerText = "/*FILTER*/";

TSTFilterDataTypeGx FilterDataTypeOfField(TFieldType type) noexcept {
  switch (type) {
    case ftString: case ftMemo: case ftFmtMemo: case ftFixedChar: case ftWideString: case ftGuid:
    case ftFixedWideChar: case ftWideMemo: case ftOraInterval:
      return fdtString;
    case ftSmallint: case ftInteger: case ftWord: case ftFloat: case ftCurrency: case ftBCD:
    case ftAutoInc: case ftLargeint: case ftFMTBcd:
      return fdtNumber;
    case ftDate: case ftTime: case ftDateTime: case ftTimeStamp:
      return fdtDateTime;
    case ftBoolean:
      return fdtBoolean;
    default:
      return fdtNone;
  }
}

void ClearExpressionNode(TSTFilterExpressionGx& expression) noexcept {
  expression.Operator1 = foNon;
  expression.Operand1.Clear();
  expression.Relation = foNon;
  expression.Operator2 = foNon;
  expression.Operand2.Clear();
}

namespace {

// Token codes beyond the operators: the keywords that only prefix another token.
constexpr int kTokNot = 100;
constexpr int kTokIn = 101;

struct Token {
  int code = foNon;
  Variant value;
};

bool IsWordDelimiter(unsigned char c) {
  if (c < 32) return true;
  switch (c) {
    case ' ': case '!': case '"': case '&': case '\'': case '(': case ')': case '+': case ',':
    case '-': case '.': case '<': case '=': case '>': case '|': case '~':
      return true;
    default:
      return false;
  }
}

class FilterLexer {
 public:
  FilterLexer(std::string_view text, const std::string& whole, TSTFilterDataTypeGx type)
      : text_(text), whole_(whole), type_(type) {}

  bool listMode = true;
  size_t pos = 0;

  bool AtEnd() const { return pos >= text_.size(); }
  char Cur() const { return text_[pos]; }
  void SkipBlanks() {
    while (pos < text_.size() && text_[pos] == ' ') ++pos;
  }
  [[noreturn]] void Fail(const char* prefix) const { throw Exception(prefix + whole_); }

  Token Read() {
    Token t;
    if (AtEnd()) return t;
    if (Cur() == '\'') return ReadValues();
    int code = OperatorAt(pos, true);
    if (code < 0) {
      size_t wordEnd = pos;
      code = KeywordAt(pos, wordEnd);
      if (code < 0) return ReadValues();
      pos = wordEnd;
    }
    SkipBlanks();
    if (code == kTokNot) {
      Token next = Read();
      switch (next.code) {
        case foLike: t.code = foNotLike; break;
        case foIn: t.code = foNotIn; break;
        case foNull: t.code = foNotNull; break;
        default: t.code = foNon; break;
      }
      return t;
    }
    if (code == kTokIn) {
      if (AtEnd() || Cur() != '(') Fail("'(' expected: ");
      ++pos;
      t.code = foIn;
      return t;
    }
    t.code = code;
    return t;
  }

 private:
  // Operator characters at `at`: the code (or kTokNot for a lone "!"), moving past them when
  // `advance`; -1 when none starts there.
  int OperatorAt(size_t at, bool advance) {
    auto next = [&](size_t i) { return i + 1 < text_.size() ? text_[i + 1] : '\0'; };
    int code = -1;
    size_t len = 1;
    switch (text_[at]) {
      case '=': code = foEqual; break;
      case '!':
        if (next(at) == '=') code = foNotEqual, len = 2;
        else code = kTokNot;
        break;
      case '&': code = foAND; break;
      case '|': code = foOR; break;
      case '~': code = foLike; break;
      case '(': code = foNon; break;
      case '<':
        if (next(at) == '=') code = foLessOrEqual, len = 2;
        else if (next(at) == '>') code = foNotEqual, len = 2;
        else code = foLessThan;
        break;
      case '>':
        if (next(at) == '=') code = foGreaterOrEqual, len = 2;
        else code = foGreaterThan;
        break;
      default: break;
    }
    if (code >= 0 && advance) pos = at + len;
    return code;
  }

  // A keyword word at `at`: its code and the position past it, or -1.
  int KeywordAt(size_t at, size_t& wordEnd) const {
    size_t end = at;
    while (end < text_.size() && !IsWordDelimiter(static_cast<unsigned char>(text_[end]))) ++end;
    if (end == at) return -1;
    std::string word = UpperCase(text_.substr(at, end - at));
    int code = -1;
    if (word == "NOT") code = kTokNot;
    else if (word == "AND") code = foAND;
    else if (word == "OR") code = foOR;
    else if (word == "LIKE") code = foLike;
    else if (word == "IN") code = kTokIn;
    else if (word == "NULL") code = foNull;
    if (code >= 0) wordEnd = end;
    return code;
  }

  // The code (1..14) of the operator or keyword token that starts at `at`, without reading it;
  // 0 when none does.
  int PeekOperator(size_t at) {
    size_t save = pos;
    int code = OperatorAt(at, true);
    size_t after = pos;
    pos = save;
    if (code < 0) {
      size_t wordEnd = at;
      code = KeywordAt(at, wordEnd);
      if (code < 0) return 0;
      after = wordEnd;
    }
    if (code == kTokIn) return foIn;
    if (code != kTokNot) return code;
    while (after < text_.size() && text_[after] == ' ') ++after;
    if (after >= text_.size()) return 0;
    // As the lexer reads it: NOT takes the next token, an operator («!~») or a word.
    size_t wordEnd = after;
    int next = OperatorAt(after, false);
    if (next < 0) next = KeywordAt(after, wordEnd);
    switch (next) {
      case foLike: return foNotLike;
      case kTokIn: return foNotIn;
      case foNull: return foNotNull;
      default: return 0;
    }
  }

  std::string ReadOneValue() {
    if (!AtEnd() && Cur() == '\'') {
      size_t close = text_.find('\'', pos + 1);
      if (close == std::string_view::npos) Fail("Quote is absent: ");
      std::string v(text_.substr(pos + 1, close - pos - 1));
      pos = close + 1;
      return v;
    }
    size_t start = pos;
    bool seenText = false;
    size_t i = pos;
    for (; i < text_.size(); ++i) {
      char c = text_[i];
      if (c == '(' || c == ')') break;
      if (c == ',' && listMode) break;
      if (c == ' ') {
        size_t j = i;
        while (j < text_.size() && text_[j] == ' ') ++j;
        if (type_ == fdtNumber && seenText) {
          // Blanks before a list's comma belong to the number («In (1 ,2)»).
          if (listMode && j < text_.size() && text_[j] == ',') i = j;
          // Otherwise a number holds no blank: the word after it is the next token («> 1 XOR 2»).
          break;
        }
        if (j < text_.size()) {
          int code = PeekOperator(j);
          if (code >= foEqual && code <= foOR) break;
        }
      } else {
        seenText = true;
      }
    }
    pos = i;
    return std::string(text_.substr(start, i - start));
  }

  Token ReadValues() {
    Token t;
    t.code = foValue;
    std::vector<Variant> values;
    std::string v = ReadOneValue();
    values.emplace_back(v);
    while (listMode && !v.empty() && !AtEnd() && Cur() == ',') {
      ++pos;
      v = ReadOneValue();
      values.emplace_back(v);
    }
    if (values.size() == 1) t.value = values[0];
    else t.value = Variant::ArrayOf(values);
    return t;
  }

  std::string_view text_;
  const std::string& whole_;
  TSTFilterDataTypeGx type_;
};

bool DefaultListMode(TSTFilterDataTypeGx type) {
  return !(type == fdtNumber && FormatSettings.DecimalSeparator == ',');
}

// One condition starting with token `t`; `first` says whether this is the first one (an empty
// token is then an error).
void ReadCondition(FilterLexer& lx, Token t, TSTFilterExpressionGx& e, TSTFilterOperatorGx& op,
                   Variant& operand) {
  if (t.code == foValue) {
    if (t.value.IsArray()) op = foIn;
    else op = e.ExpressionType == fdtString ? foLike : foEqual;
    operand = t.value;
    return;
  }
  if (t.code == foNon) lx.Fail("Error in expression: ");
  if (t.code == foIn || t.code == foNotIn) lx.listMode = true;
  lx.SkipBlanks();
  Token t2 = lx.Read();
  op = static_cast<TSTFilterOperatorGx>(t.code);
  if (t2.code == foNull) {
    if (t.code == foEqual) op = foNull;
    else if (t.code == foNotEqual) op = foNotNull;
    else lx.Fail("Unexpected expression before Null: ");
  } else if (t2.code != foValue) {
    lx.Fail("Unexpected expression after operator: ");
  }
  operand = t2.value;
  if (t.code == foIn || t.code == foNotIn) {
    lx.SkipBlanks();
    if (lx.AtEnd() || lx.Cur() != ')') lx.Fail("')' expected: ");
    ++lx.pos;
    lx.listMode = DefaultListMode(e.ExpressionType);
  }
}

Variant ConvertOne(const Variant& v, TSTFilterDataTypeGx type) {
  switch (type) {
    case fdtNumber:
      return Variant(StrToFloat(Trim(VarToStr(v)), FormatSettings));
    case fdtDateTime: {
      std::string s = VarToStr(v);
      if (SameText(s, "NOW")) return v;
      return Variant::FromDateTime(StrToDateTime(Trim(s), FormatSettings));
    }
    default:
      return v;
  }
}

void ConvertOperand(TSTFilterOperatorGx op, Variant& operand, TSTFilterDataTypeGx type) {
  if (op < foEqual || op > foNotIn) {
    operand.Clear();
    return;
  }
  if (operand.IsArray()) {
    std::vector<Variant> items;
    for (int i = operand.ArrayLowBound(); i <= operand.ArrayHighBound(); ++i)
      items.push_back(ConvertOne(operand.GetElement(i), type));
    operand = Variant::ArrayOf(items);
  } else {
    operand = ConvertOne(operand, type);
  }
}

std::string ValueText(const Variant& v) {
  // «= a,b» reads a list after a single-value operator: print its values as typed.
  if (v.IsArray()) {
    std::string s;
    for (int i = v.ArrayLowBound(); i <= v.ArrayHighBound(); ++i)
      s += (s.empty() ? "" : ",") + ValueText(v.GetElement(i));
    return s;
  }
  if (v.IsFloat()) return FloatToStr(v.AsDouble(), FormatSettings);
  if (v.IsDate()) return DateToStr(v.AsDateTime(), FormatSettings);
  return "'" + VarToStr(v) + "'";
}

}  // namespace

void ParseFilterExpression(std::string_view text, TSTFilterExpressionGx& expression) {
  TSTFilterExpressionGx e;
  e.ExpressionType = expression.ExpressionType;
  const std::string trimmed = Trim(text);
  if (!trimmed.empty()) {
    FilterLexer lx(trimmed, trimmed, e.ExpressionType);
    lx.listMode = DefaultListMode(e.ExpressionType);
    lx.SkipBlanks();
    ReadCondition(lx, lx.Read(), e, e.Operator1, e.Operand1);
    lx.SkipBlanks();
    Token t3 = lx.Read();
    if (t3.code == foNon) {
      if (!lx.AtEnd()) lx.Fail("Incorrect expression: ");
    } else {
      if (t3.code != foAND && t3.code != foOR) lx.Fail("Unexpected AND or OR: ");
      e.Relation = static_cast<TSTFilterOperatorGx>(t3.code);
      lx.SkipBlanks();
      Token t4 = lx.Read();
      if (t4.code == foNon) {
        // A relation with nothing after it is accepted; anything else that reads as nothing is not.
        if (!lx.AtEnd()) lx.Fail("Incorrect expression: ");
      } else {
        ReadCondition(lx, t4, e, e.Operator2, e.Operand2);
        // The second condition is checked like the first: nothing may follow it.
        lx.SkipBlanks();
        if (!lx.AtEnd()) lx.Fail("Incorrect expression: ");
      }
    }
    ConvertOperand(e.Operator1, e.Operand1, e.ExpressionType);
    ConvertOperand(e.Operator2, e.Operand2, e.ExpressionType);
  }
  expression = std::move(e);
}

void BuildFilterCondition(TSTFilterOperatorGx op, const Variant& operand, std::string& text) {
  if (op == foNon || op >= foAND) return;
  if (op == foNull) {
    text += "=Null";
  } else if (op == foNotNull) {
    text += "<>Null";
  } else if (op == foIn || op == foNotIn) {
    text += STFldFilterOperatorsDisplayNames[op];
    text += " (";
    std::string list;
    if (operand.IsArray()) {
      for (int i = operand.ArrayLowBound(); i <= operand.ArrayHighBound(); ++i)
        list += ValueText(operand.GetElement(i)) + ",";
    } else {
      list += ValueText(operand) + ",";
    }
    list.pop_back();
    text += list + ")";
  } else {
    text += STFldFilterOperatorsDisplayNames[op];
    text += " ";
    text += ValueText(operand);
  }
}

std::string GetFilterExpressionText(const TSTFilterExpressionGx& expression, bool hasListSource) {
  if (expression.ExpressionType == fdtNone || expression.Operator1 == foNon) return {};
  const Variant& op1 = expression.Operand1;
  if (hasListSource) {
    if (!op1.IsArray()) return VarToStr(op1);
    std::string s;
    for (int i = op1.ArrayLowBound(); i <= op1.ArrayHighBound(); ++i) {
      if (!s.empty()) s += ",";
      s += "'" + VarToStr(op1.GetElement(i)) + "'";
    }
    return s;
  }
  std::string text;
  BuildFilterCondition(expression.Operator1, op1, text);
  if (expression.Relation != foNon) {
    text += " ";
    text += STFldFilterOperatorsDisplayNames[expression.Relation];
    text += " ";
    BuildFilterCondition(expression.Operator2, expression.Operand2, text);
  }
  return text;
}
