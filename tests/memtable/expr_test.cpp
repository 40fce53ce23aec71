#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "memtable/exprevaluator.h"
#include "platform/db/exprparser.h"
#include "platform/os/clock.h"
#include "support/clock_time.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"

namespace {

// A small table: the evaluator reads its rows through the field reader (filters) and through
// TExprAggregateRows (aggregates).
struct Column {
  const char* Name;
  TFieldType Type;
};
const Column Columns[] = {{"NAME", ftString}, {"CODE", ftInteger}, {"AMOUNT", ftFloat}, {"DAY", ftDate},
                          {"AT", ftDateTime}, {"FLAG", ftBoolean}, {"BIG", ftLargeint}, {"NOTE", ftString}};
constexpr int ColumnCount = sizeof(Columns) / sizeof(Columns[0]);

bool Resolve(std::string_view name, TExprFieldInfo& info) {
  for (int i = 0; i < ColumnCount; ++i) {
    if (SameText(name, Columns[i].Name)) {
      info.Name = Columns[i].Name;
      info.DataType = Columns[i].Type;
      info.FieldNo = i + 1;
      return true;
    }
  }
  return false;
}

using Row = std::vector<Variant>;

Row MakeRow(Variant name, Variant code = Null(), Variant amount = Null()) {
  Row r(ColumnCount, Null());
  r[0] = std::move(name);
  r[1] = std::move(code);
  r[2] = std::move(amount);
  return r;
}

class Rows : public TExprAggregateRows {
 public:
  std::vector<Row> Data;
  int AggregateRowCount() const override { return static_cast<int>(Data.size()); }
  const Variant& AggregateRowValue(int row, int field, Variant&) const override { return Data.at(row).at(field); }
};

class Filter {
 public:
  explicit Filter(std::string_view text, TFilterOptions options = {}) : parser_(nullptr, TDataSetExprParserGx::ekFilter) {
    parser_.SetFieldResolver(Resolve);
    parser_.SetFilterOptions(options);
    parser_.SetFieldReader([this](TMemoryRecordGx*, const TExprFieldRef& f) { return row_->at(f.FieldNo - 1); });
    parser_.ParseExpression(text);
  }
  bool operator()(const Row& row) {
    row_ = &row;
    return parser_.CalcFilterResult(nullptr);
  }
  TDataSetExprParserGx& Parser() { return parser_; }

 private:
  TDataSetExprParserGx parser_;
  const Row* row_ = nullptr;
};

bool Matches(std::string_view text, const Row& row, TFilterOptions options = {}) {
  Filter f(text, options);
  return f(row);
}

// The value of an expression that does not read fields, taken through an aggregate over no rows
// would be Null; a filter-kind parser evaluates it as a Boolean only, so values go through a
// one-row aggregate of a constant-only expression built by the test itself.
std::string ErrorOf(std::string_view text, const Row& row = MakeRow("x")) {
  try {
    Matches(text, row);
  } catch (const Exception& e) {
    return e.Message();
  }
  return "no error";
}

Variant Aggregate(std::string_view text, const Rows& rows) {
  TDataSetExprParserGx p(nullptr, TDataSetExprParserGx::ekAggregate);
  p.SetFieldResolver(Resolve);
  p.ParseExpression(text);
  Variant v;
  p.CalcAggregateValue(rows, v);
  return v;
}

// Builds blobs by hand, for node shapes the parser never writes.
class Blob {
 public:
  // Reserves a node; operands are filled with Set.
  uint16_t Node(uint32_t cls, uint32_t op, int operandWords) {
    uint16_t at = static_cast<uint16_t>(nodes_.size());
    Put32(nodes_, cls);
    Put32(nodes_, op);
    nodes_.resize(nodes_.size() + 2 * operandWords, 0);
    return at;
  }
  void Set(uint16_t node, int word, uint16_t value) {
    nodes_[node + 8 + 2 * word] = static_cast<Byte>(value);
    nodes_[node + 9 + 2 * word] = static_cast<Byte>(value >> 8);
  }
  uint16_t Literal(const void* data, size_t size) {
    uint16_t at = static_cast<uint16_t>(lits_.size());
    const Byte* p = static_cast<const Byte*>(data);
    lits_.insert(lits_.end(), p, p + size);
    return at;
  }
  uint16_t Text(const std::string& s) { return Literal(s.c_str(), s.size() + 1); }
  uint16_t Const(uint16_t code, const void* data, size_t size) {
    uint16_t n = Node(nodeCONST, coCONST2, 3);
    Set(n, 0, code);
    Set(n, 1, static_cast<uint16_t>(size));
    Set(n, 2, Literal(data, size));
    return n;
  }
  std::vector<Byte> Build() const {
    std::vector<Byte> b(10, 0);
    size_t total = 10 + nodes_.size() + lits_.size();
    auto put16 = [&](size_t at, size_t v) {
      b[at] = static_cast<Byte>(v);
      b[at + 1] = static_cast<Byte>(v >> 8);
    };
    put16(0, 2);
    put16(2, total);
    put16(6, 10);
    put16(8, 10 + nodes_.size());
    b.insert(b.end(), nodes_.begin(), nodes_.end());
    b.insert(b.end(), lits_.begin(), lits_.end());
    return b;
  }

 private:
  static void Put32(std::vector<Byte>& v, uint32_t x) {
    for (int i = 0; i < 4; ++i) v.push_back(static_cast<Byte>(x >> (8 * i)));
  }
  std::vector<Byte> nodes_, lits_;
};

// The value of a hand-made expression: the root is wrapped as SUM-free aggregate over one row.
Variant ValueOf(const std::vector<Byte>& blob) {
  TDataSetExprParserGx p(nullptr, TDataSetExprParserGx::ekAggregate);
  p.SetExprData(blob);
  Rows rows;
  rows.Data.push_back(MakeRow("x"));
  Variant v;
  p.CalcAggregateValue(rows, v);
  return v;
}

std::string ValueError(const std::vector<Byte>& blob) {
  try {
    ValueOf(blob);
  } catch (const Exception& e) {
    return e.Message();
  }
  return "no error";
}

// A function call with constant integer arguments.
std::vector<Byte> Call(const std::string& name, std::vector<int32_t> args) {
  Blob b;
  uint16_t fn = b.Node(nodeFUNC, coFUNC2, 2);
  b.Set(fn, 0, b.Text(name));
  uint16_t prev = 0;
  for (size_t i = 0; i < args.size(); ++i) {
    uint16_t e = b.Node(nodeLISTELEM, coLISTELEM2, 2);
    if (i == 0) b.Set(fn, 1, e);
    else b.Set(prev, 1, e);
    b.Set(e, 0, b.Const(fldINT32, &args[i], 4));
    prev = e;
  }
  return b.Build();
}

TEST(ExprEvaluator, ComparisonsOfEachKind) {
  Row r = MakeRow("Beta", 7, 2.5);
  r[3] = Variant::FromDateTime(EncodeDate(2024, 1, 31));
  r[4] = Variant::FromDateTime(EncodeDateTime(2024, 1, 31, 10, 30, 0, 0));
  r[5] = Variant(true);
  r[6] = Variant::FromInt64(5000000000LL);
  EXPECT_TRUE(Matches("CODE = 7 AND AMOUNT > 2 AND AMOUNT < 3", r));
  EXPECT_TRUE(Matches("CODE >= 7 AND CODE <= 7 AND CODE <> 8", r));
  EXPECT_FALSE(Matches("CODE > 7 OR CODE < 7", r));
  EXPECT_TRUE(Matches("NAME = 'Beta' AND NAME > 'Alpha' AND NAME < 'Gamma'", r));
  EXPECT_TRUE(Matches("DAY = '2024-01-31' AND DAY < '2024-02-01'", r));
  EXPECT_TRUE(Matches("AT > '2024-01-31 10:29:59' AND AT < '2024-01-31 10:30:01'", r));
  EXPECT_TRUE(Matches("FLAG = TRUE", r));
  EXPECT_TRUE(Matches("BIG = 5000000000", r));
  // A large constant keeps its high half: 5000000000 is not 705032704 (its low 32 bits).
  EXPECT_FALSE(Matches("BIG = 705032704", r));
  EXPECT_TRUE(Matches("CODE * 2 + 1 = 15 AND AMOUNT / 2 = 1.25 AND CODE - 10 = -3", r));
}

TEST(ExprEvaluator, CaseRulesOfStringComparisons) {
  Row r = MakeRow("abc");
  // Parsed with case ignored, = and <> become case-insensitive comparison nodes.
  EXPECT_TRUE(Matches("NAME = 'ABC'", r, {foCaseInsensitive}));
  EXPECT_FALSE(Matches("NAME <> 'ABC'", r, {foCaseInsensitive}));
  EXPECT_FALSE(Matches("NAME = 'ABC'", r));
  // Options changed after parsing: plain = stays case-sensitive, the other comparisons follow.
  Filter eq("NAME = 'ABC'");
  eq.Parser().SetFilterOptions({foCaseInsensitive});
  EXPECT_FALSE(eq(r));
  Filter ge("NAME >= 'ABC' AND NAME <= 'ABC'");
  ge.Parser().SetFilterOptions({foCaseInsensitive});
  EXPECT_TRUE(ge(r));
  Filter ne("NAME <> 'ABC'");
  ne.Parser().SetFilterOptions({foCaseInsensitive});
  EXPECT_FALSE(ne(r));
  // A string against a number compares as text.
  EXPECT_TRUE(Matches("NAME = 12", MakeRow("12")));
  EXPECT_TRUE(Matches("NAME > 100", MakeRow("2")));
}

TEST(ExprEvaluator, PartialComparisons) {
  EXPECT_TRUE(Matches("NAME = 'ab*'", MakeRow("abc")));
  EXPECT_TRUE(Matches("NAME = 'ab*'", MakeRow("ab")));
  EXPECT_FALSE(Matches("NAME = 'ab*'", MakeRow("a")));
  EXPECT_FALSE(Matches("NAME = 'ab*'", MakeRow("ABc")));
  EXPECT_TRUE(Matches("NAME = 'ab*'", MakeRow("ABc"), {foCaseInsensitive}));
  EXPECT_TRUE(Matches("NAME <> 'ab*'", MakeRow("axc")));
  EXPECT_FALSE(Matches("NAME <> 'ab*'", MakeRow("abx")));
  // Characters, not bytes.
  EXPECT_TRUE(Matches("NAME = '费用*'", MakeRow("费用垫付单")));
  EXPECT_FALSE(Matches("NAME = '费用*'", MakeRow("费")));
}

TEST(ExprEvaluator, LikeMatcher) {
  struct Case {
    const char* Value;
    const char* Pattern;
    bool Result;
  } cases[] = {
      {"abc", "abc", true},      {"abc", "a%", true},        {"abc", "%c", true},
      {"abc", "%b%", true},      {"abc", "a_c", true},       {"abc", "a_", false},
      {"abc", "_bc", true},      {"abc", "ab", false},       {"ab", "abc", false},
      {"", "%", true},           {"", "", true},             {"", "_", false},
      {"a", "", false},          {"a", "a_%", true},         {"a", "%_a", true},
      {"ab", "%ab%b", false},    {"abb", "%ab%b", true},     {"abab", "%ab%b", true},
      {"xaby", "%ab%", true},    {"xay", "%ab%", false},     {"abcabc", "a%c%c", true},
      {"abcab", "a%c%c", false}, {"aXbYc", "a_b_c", true},   {"aXbYc", "%X%Y%", true},
      {"aXbYc", "%Y%X%", false}, {"a%b", "a%b", true},       {"费用垫付单", "费用%", true},
      {"费用垫付单", "费_垫%", true}, {"费用", "费_", true}, {"费用", "_", false},
      {"abc", "%%c", true},      {"abc", "a%%", true},       {"ab", "a%b%", true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ExprLikeMatch(c.Value, c.Pattern, false), c.Result) << c.Value << " LIKE " << c.Pattern;
  EXPECT_FALSE(ExprLikeMatch("abc", "A%", false));
  EXPECT_TRUE(ExprLikeMatch("abc", "A%", true));
  EXPECT_TRUE(ExprLikeMatch("ABC", "%b_", true));
}

// A pattern prepared once answers as the plain matcher on every value: texts of ASCII letters,
// Chinese characters, full-width letters and the wildcards themselves, patterns of every shape,
// both case modes.
TEST(ExprEvaluator, PreparedLikeAgreesWithTheMatcher) {
  const char* const pieces[] = {"a", "b", "A", "B", "z", "费", "用", "Ａ", "ａ", "%", "_", "1"};
  const char* const patternPieces[] = {"a", "b", "A", "B", "费", "用", "Ａ", "ａ", "%", "%", "_", "1", "\xEF\xBF\xBD"};
  std::mt19937 rng(3);
  auto make = [&](const char* const* from, size_t count, int maxLength) {
    std::string s;
    const int length = static_cast<int>(rng() % static_cast<unsigned>(maxLength + 1));
    for (int i = 0; i < length; ++i) s += from[rng() % count];
    return s;
  };
  std::vector<std::string> values;
  for (int i = 0; i < 60; ++i) values.push_back(make(pieces, std::size(pieces), 6));
  values.push_back("");
  // Broken UTF-8: a lone lead byte before a character, a stray continuation byte, a cut-off
  // sequence at the end, and the replacement character itself.
  for (const char* broken : {"ab\xff", "\xE8\xB4\xB9\xE7", "\xE7\xE8\xB4\xB9" "a", "\x80" "A\xE8\xB4\xB9", "A\xEF\xBF\xBD"})
    values.push_back(broken);
  int matched = 0;
  for (int p = 0; p < 300; ++p) {
    std::string pattern = make(patternPieces, std::size(patternPieces), 5);
    if (p % 7 == 0) pattern = values[rng() % values.size()];  // a value as its own pattern
    for (bool ignoreCase : {false, true}) {
      TExprLikePatternGx prepared(pattern, ignoreCase);
      for (const std::string& v : values) {
        const bool expected = ExprLikeMatch(v, pattern, ignoreCase);
        ASSERT_EQ(prepared.Match(v), expected) << v << " LIKE " << pattern << (ignoreCase ? " (ignoring case)" : "");
        matched += expected;
      }
    }
  }
  EXPECT_GT(matched, 1000);
  // The simple shapes, on texts with Chinese characters.
  EXPECT_TRUE(TExprLikePatternGx("A%", false).Match("A费用"));
  EXPECT_FALSE(TExprLikePatternGx("A%", false).Match("a费用"));
  EXPECT_TRUE(TExprLikePatternGx("A%", true).Match("a费用"));
  EXPECT_TRUE(TExprLikePatternGx("%用", false).Match("A费用"));
  EXPECT_TRUE(TExprLikePatternGx("%费%", false).Match("A费用"));
  EXPECT_FALSE(TExprLikePatternGx("%垫%", false).Match("A费用"));
  EXPECT_TRUE(TExprLikePatternGx("A_用", false).Match("A费用"));
}

TEST(ExprEvaluator, LikeInFilters) {
  EXPECT_TRUE(Matches("NAME LIKE 'A%'", MakeRow("abc"), {foCaseInsensitive}));
  EXPECT_FALSE(Matches("NAME LIKE 'A%'", MakeRow("abc")));
  EXPECT_FALSE(Matches("NAME LIKE '%ab%b'", MakeRow("ab")));
  EXPECT_TRUE(Matches("NAME NOT LIKE '%ab%b'", MakeRow("ab")));
  // A number is matched as its text.
  EXPECT_TRUE(Matches("CODE LIKE '1%'", MakeRow("x", 123)));
}

TEST(ExprEvaluator, NullRules) {
  Row empty = MakeRow("");
  Row null = MakeRow(Null());
  EXPECT_TRUE(Matches("NAME IS NULL", empty));
  EXPECT_TRUE(Matches("NAME IS NULL", null));
  EXPECT_FALSE(Matches("NAME IS NOT NULL", empty));
  EXPECT_TRUE(Matches("CODE IS NULL", MakeRow("x", Null())));
  EXPECT_FALSE(Matches("CODE IS NULL", MakeRow("x", 0)));
  EXPECT_TRUE(Matches("CODE IS NOT NULL", MakeRow("x", 0)));
  // Null arithmetic: Null + Null is Null; a string beside Null is the string.
  EXPECT_TRUE(Matches("CODE + AMOUNT IS NULL", MakeRow("x", Null(), Null())));
  EXPECT_TRUE(Matches("NAME + NOTE = 'a'", MakeRow("a")));
  EXPECT_TRUE(Matches("CODE + 1 IS NULL", MakeRow("x", Null())));
  EXPECT_TRUE(Matches("AMOUNT * 2 IS NULL", MakeRow("x", 1, Null())));
  // NOT of Null is True; a Null result filters the record out.
  EXPECT_TRUE(Matches("NOT (CODE + 1 = 2 OR NULL IS NULL AND FALSE)", MakeRow("x", Null())));
  EXPECT_FALSE(Matches("CODE + 1", MakeRow("x", Null())));
  // Null against a value, with the platform's rule that Null sorts first.
  EXPECT_TRUE(Matches("CODE < 5", MakeRow("x", Null())));
  EXPECT_FALSE(Matches("CODE = 5", MakeRow("x", Null())));
}

TEST(ExprEvaluator, ThreeValuedAndOr) {
  Row r = MakeRow("x", Null(), 1.0);
  // (CODE = 1) is a comparison with Null: False by the platform's rules; Null itself comes from
  // arithmetic.
  EXPECT_FALSE(Matches("(CODE + 1 > 0) AND TRUE", r));
  EXPECT_TRUE(Matches("(CODE + 1 > 0) OR TRUE", r));
  EXPECT_TRUE(Matches("NOT ((CODE + 1) AND FALSE)", r));
}

TEST(ExprEvaluator, InLists) {
  EXPECT_TRUE(Matches("NAME IN ('A', 'B')", MakeRow("B")));
  EXPECT_FALSE(Matches("NAME IN ('A', 'B')", MakeRow("C")));
  EXPECT_TRUE(Matches("CODE IN (1, 2, 3000000000)", MakeRow("x", 2)));
  EXPECT_FALSE(Matches("CODE NOT IN (1, 2)", MakeRow("x", 1)));
  // Scanning stops at the first match: the second element is never compared (a text against a
  // number that is no number would raise).
  EXPECT_TRUE(Matches("NAME IN ('a', 5)", MakeRow("a")));
  EXPECT_NE(ErrorOf("NAME IN ('a', 5)", MakeRow("b")), "no error");
  // A long list does not nest the evaluator.
  std::string text = "CODE IN (";
  for (int i = 0; i < 2000; ++i) text += std::to_string(i) + ",";
  text += "-1)";
  EXPECT_TRUE(Matches(text, MakeRow("x", 1999)));
  EXPECT_FALSE(Matches(text, MakeRow("x", 2000)));
}

TEST(ExprEvaluator, StringFunctions) {
  Row r = MakeRow("  Hello  ", 2);
  r[3] = Variant::FromDateTime(EncodeDate(2023, 5, 6));
  EXPECT_TRUE(Matches("TRIM(NAME) = 'Hello'", r));
  EXPECT_TRUE(Matches("TRIMLEFT(NAME) = 'Hello  '", r));
  EXPECT_TRUE(Matches("TRIMRIGHT(NAME) = '  Hello'", r));
  EXPECT_TRUE(Matches("UPPER(TRIM(NAME)) = 'HELLO' AND LOWER(NAME) = '  hello  '", r));
  EXPECT_TRUE(Matches("TRIM(NAME, 'x') = 'a'", MakeRow("xxaxx")));
  EXPECT_TRUE(Matches("TRIM(NAME) = ''", MakeRow("  ")));
  EXPECT_TRUE(Matches("TRIM(NAME, 'ab') = 'ab'", MakeRow("ab")));
  EXPECT_TRUE(Matches("TRIM(NAME, '费') = '用'", MakeRow("费费用费")));
  EXPECT_TRUE(Matches("TRIM(NOTE) IS NULL AND UPPER(NOTE) IS NULL", r));
  EXPECT_TRUE(Matches("SUBSTRING(NAME, 3) = 'Hello  '", r));
  EXPECT_TRUE(Matches("SUBSTRING(NAME, 3, 4) = 'Hell'", r));
  EXPECT_TRUE(Matches("SUBSTRING(NAME, 0, 3) = '  H'", r));
  EXPECT_TRUE(Matches("SUBSTRING(NAME, 50) = ''", r));
  EXPECT_TRUE(Matches("SUBSTRING(NAME, 2, 0) = ''", r));
  EXPECT_TRUE(Matches("SUBSTRING(NAME, 2, 2) = '用垫'", MakeRow("费用垫付单")));
  EXPECT_TRUE(Matches("SUBSTRING(NOTE, 1) IS NULL", r));
  // An inner call is evaluated with its own arguments.
  EXPECT_TRUE(Matches("SUBSTRING(TRIM(NAME), 1, YEAR(DAY) - 2020) = 'Hel'", r));
  EXPECT_TRUE(Matches("SUBSTRING(TRIM(NAME), CODE, CODE + 1) = 'ell'", r));
}

TEST(ExprEvaluator, DateFunctions) {
  Row r = MakeRow("x");
  r[4] = Variant::FromDateTime(EncodeDateTime(2024, 2, 29, 13, 45, 30, 0));
  EXPECT_TRUE(Matches("YEAR(AT) = 2024 AND MONTH(AT) = 2 AND DAY(AT) = 29", r));
  EXPECT_TRUE(Matches("HOUR(AT) = 13 AND MINUTE(AT) = 45 AND SECOND(AT) = 30", r));
  EXPECT_TRUE(Matches("DATE(AT) = '2024-02-29'", r));
  EXPECT_TRUE(Matches("TIME(AT) > 0.57 AND TIME(AT) < 0.58", r));
  EXPECT_TRUE(Matches("YEAR(DAY) IS NULL AND DATE(DAY) IS NULL AND HOUR(DAY) IS NULL", r));
  SetLocalTimeTo(2030, 6, 1, 8);
  EXPECT_TRUE(Matches("AT < GETDATE() AND YEAR(GETDATE()) = 2030 AND HOUR(GETDATE()) = 8", r));
  ClockSetSimulated(0);
}

TEST(ExprEvaluator, FunctionErrors) {
  EXPECT_EQ(ErrorOf("SUBSTRING(NAME) = 'x'"), "Incorrect number of arguments in function <SUBSTRING>");
  EXPECT_EQ(ErrorOf("SUBSTRING(NAME, 1, 2, 3) = 'x'"), "Incorrect number of arguments in function <SUBSTRING>");
  EXPECT_EQ(ErrorOf("GetDate(1) = 1"), "Incorrect number of arguments in function <GetDate>");
  EXPECT_EQ(ErrorOf("TRIM(NAME, 'a', 'b') = 'x'"), "Incorrect number of arguments in function <TRIM>");
  EXPECT_EQ(ErrorOf("YEAR() = 1"), "Incorrect number of arguments in function <YEAR>");
  EXPECT_EQ(ErrorOf("FOO(NAME) = 1"), "Unsupported function: FOO");
  EXPECT_EQ(ValueError(Call("COUNT(*)", {1})), "Incorrect number of arguments in function <COUNT(*)>");
  EXPECT_EQ(ValueError(Call("sum", {1, 2})), "Incorrect number of arguments in function <sum>");
  // The instance stays usable after an error.
  Filter f("SUBSTRING(NAME) = 'x'");
  EXPECT_THROW(f(MakeRow("x")), EExprEvalError);
  EXPECT_THROW(f(MakeRow("x")), EExprEvalError);
  EXPECT_TRUE(f.Parser().HasExpression());
}

TEST(ExprEvaluator, ConstantsOfEveryDecodedType) {
  auto constant = [](uint16_t code, const void* data, size_t size) {
    Blob b;
    b.Const(code, data, size);
    return b.Build();
  };
  int16_t small = -12;
  EXPECT_EQ(ValueOf(constant(fldINT16, &small, 2)).VarType(), varSmallint);
  EXPECT_EQ(ValueOf(constant(fldINT16, &small, 2)).AsInteger(), -12);
  uint16_t word = 65000;
  EXPECT_EQ(ValueOf(constant(fldUINT16, &word, 2)).VarType(), varWord);
  EXPECT_EQ(ValueOf(constant(fldUINT16, &word, 2)).AsInteger(), 65000);
  int32_t i32 = -7;
  EXPECT_EQ(ValueOf(constant(fldUINT32, &i32, 4)).AsInteger(), -7);
  uint16_t yes = 1;
  EXPECT_TRUE(ValueOf(constant(fldBOOL, &yes, 2)).AsBoolean());
  double d = 1.5;
  EXPECT_EQ(ValueOf(constant(fldFLOAT, &d, 8)).AsDouble(), 1.5);
  int64_t big = 0x123456789LL;
  Variant v = ValueOf(constant(fldINT64, &big, 8));
  EXPECT_EQ(v.VarType(), varInt64);
  EXPECT_EQ(v.AsInt64(), 0x123456789LL);
  int32_t small64 = -5;
  EXPECT_EQ(ValueOf(constant(fldUINT64, &small64, 4)).AsInt64(), -5);
  int32_t day = DateDelta + 45000;  // day 1 is 0001-01-01
  EXPECT_EQ(ValueOf(constant(fldDATE, &day, 4)).AsDateTime(), 45000.0);
  int32_t ms = 6 * 3600 * 1000;
  EXPECT_DOUBLE_EQ(ValueOf(constant(fldTIME, &ms, 4)).AsDateTime(), 0.25);
  double stamp = (DateDelta + 45000.0) * 86400000.0 + 18 * 3600 * 1000;
  EXPECT_DOUBLE_EQ(ValueOf(constant(fldTIMESTAMP, &stamp, 8)).AsDateTime(), 45000.75);
  // Before 1899-12-30 the time still counts forward from the date.
  double early = (DateDelta - 2.0) * 86400000.0 + 6 * 3600 * 1000;
  EXPECT_DOUBLE_EQ(ValueOf(constant(fldTIMESTAMP, &early, 8)).AsDateTime(), -2.25);
  const char text[] = "费用";
  EXPECT_EQ(ValueOf(constant(fldZSTRING, text, sizeof text)).AsString(), "费用");
  EXPECT_EQ(ValueOf(constant(fldWIDESTRING, text, sizeof text)).AsString(), "费用");
  // BCD: precision 6, two places, -1234.56.
  const Byte bcd[] = {6, 0x82, 0x12, 0x34, 0x56};
  Variant c = ValueOf(constant(fldBCD, bcd, sizeof bcd));
  EXPECT_EQ(c.VarType(), varCurrency);
  EXPECT_EQ(c.AsCurrency().Value, -12345600);
  const Byte badBcd[] = {6, 0x02, 0x1F, 0x34, 0x56};
  EXPECT_TRUE(ValueOf(constant(fldFMTBCD, badBcd, sizeof badBcd)).IsNull());
  // Codes from 27 up are Null, without decoding.
  EXPECT_TRUE(ValueOf(constant(27, nullptr, 0)).IsNull());
  EXPECT_TRUE(ValueOf(constant(300, nullptr, 0)).IsNull());
  // Types the engine does not decode name the field type.
  EXPECT_EQ(ValueError(constant(fldBLOB, text, 4)), "Unsupported data type: [15].");
  EXPECT_EQ(ValueError(constant(fldDATETIME, &stamp, 8)), "Unsupported data type: [36].");
  EXPECT_EQ(ValueError(constant(fldUNKNOWN, &stamp, 8)), "Unsupported data type: [0].");
}

TEST(ExprEvaluator, UnsupportedOperators) {
  Blob unaryMinus;
  uint16_t u = unaryMinus.Node(nodeUNARY, coMINUS, 1);
  int32_t one = 1;
  unaryMinus.Set(u, 0, unaryMinus.Const(fldINT32, &one, 4));
  EXPECT_EQ(ValueError(unaryMinus.Build()), "Operator <1:15> not supported.");

  Blob mod;
  uint16_t m = mod.Node(nodeBINARY, coMOD, 2);
  mod.Set(m, 0, mod.Const(fldINT32, &one, 4));
  mod.Set(m, 1, mod.Const(fldINT32, &one, 4));
  EXPECT_EQ(ValueError(mod.Build()), "Operator <2:20> not supported.");

  Blob cmp;
  uint16_t c = cmp.Node(nodeCOMPARE, coLT, 4);
  cmp.Set(c, 2, cmp.Const(fldINT32, &one, 4));
  cmp.Set(c, 3, cmp.Const(fldINT32, &one, 4));
  EXPECT_EQ(ValueError(cmp.Build()), "Operator <3:6> not supported.");

  Blob tuple;
  tuple.Node(nodeTUPLE, coTUPLE2, 2);
  EXPECT_EQ(ValueError(tuple.Build()), "Operator <6:12> not supported.");

  Blob field;
  uint16_t f = field.Node(nodeFIELD, coCONST2, 2);
  field.Set(f, 1, field.Text("NAME"));
  EXPECT_EQ(ValueError(field.Build()), "Operator <4:14> not supported.");

  // Only the low seven bits of the class count.
  Blob high;
  high.Const(fldINT32, &one, 4);
  std::vector<Byte> b = high.Build();
  b[10 + 3] = 0x80;
  EXPECT_EQ(ValueOf(b).AsInteger(), 1);
}

TEST(ExprEvaluator, MalformedBlobsAreRefused) {
  TDataSetExprParserGx p(nullptr, TDataSetExprParserGx::ekFilter);
  EXPECT_THROW(p.SetExprData({1, 2, 3}), EExprEvalError);
  EXPECT_FALSE(p.HasExpression());
  // A node that runs into the literal area.
  Blob b;
  int32_t one = 1;
  b.Const(fldINT32, &one, 4);
  std::vector<Byte> blob = b.Build();
  std::vector<Byte> cut = blob;
  cut[8] = 14;  // literal area starts inside the node
  EXPECT_THROW(p.SetExprData(cut), EExprEvalError);
  // A literal offset past the end.
  std::vector<Byte> far = blob;
  far[10 + 12] = 0xFF;
  EXPECT_THROW(p.SetExprData(far), EExprEvalError);
  // A node that is its own operand.
  Blob loop;
  uint16_t n = loop.Node(nodeUNARY, coNOT, 1);
  loop.Set(n, 0, n);
  EXPECT_THROW(p.SetExprData(loop.Build()), EExprEvalError);
  // A list whose last element points back at the first.
  Blob ring;
  uint16_t in = ring.Node(nodeBINARY, coIN, 2);
  ring.Set(in, 0, ring.Const(fldINT32, &one, 4));
  uint16_t e1 = ring.Node(nodeLISTELEM, coLISTELEM2, 2);
  uint16_t e2 = ring.Node(nodeLISTELEM, coLISTELEM2, 2);
  ring.Set(in, 1, e1);
  ring.Set(e1, 0, ring.Const(fldINT32, &one, 4));
  ring.Set(e1, 1, e2);
  ring.Set(e2, 0, ring.Const(fldINT32, &one, 4));
  ring.Set(e2, 1, e1);
  EXPECT_THROW(p.SetExprData(ring.Build()), EExprEvalError);
  // A good blob afterwards works.
  p.SetExprData(blob);
  EXPECT_TRUE(p.HasExpression());
}

TEST(ExprEvaluator, AggregatesOverRows) {
  Rows rows;
  EXPECT_TRUE(Aggregate("SUM(AMOUNT)", rows).IsNull());
  EXPECT_TRUE(Aggregate("MIN(NAME)", rows).IsNull());
  EXPECT_TRUE(Aggregate("COUNT(CODE)", rows).IsNull());
  EXPECT_EQ(Aggregate("COUNT(*)", rows).AsInteger(), 0);

  rows.Data = {MakeRow("b", 2, 2.0), MakeRow("a", Null(), Null()), MakeRow("C", 4, 4.0)};
  EXPECT_EQ(Aggregate("SUM(AMOUNT)", rows).AsDouble(), 6.0);
  EXPECT_EQ(Aggregate("SUM(CODE)", rows).AsInteger(), 6);
  EXPECT_EQ(Aggregate("AVG(AMOUNT)", rows).AsDouble(), 2.0);  // Nulls count in the divisor
  EXPECT_EQ(Aggregate("COUNT(CODE)", rows).AsInteger(), 2);
  EXPECT_EQ(Aggregate("COUNT(*)", rows).AsInteger(), 3);
  EXPECT_EQ(Aggregate("MAX(CODE)", rows).AsInteger(), 4);
  EXPECT_EQ(Aggregate("MAX(NAME)", rows).AsString(), "C");
  EXPECT_EQ(Aggregate("MIN(NAME)", rows).AsString(), "a");
  // Null sorts before every value, so a Null row is the minimum.
  EXPECT_TRUE(Aggregate("MIN(CODE)", rows).IsNull());
  EXPECT_EQ(Aggregate("SUM(AMOUNT * 2) / COUNT(*) + MAX(CODE)", rows).AsDouble(), 8.0);
  // Strings are not summed; a sum of only Nulls is 0.
  EXPECT_EQ(Aggregate("SUM(NAME)", rows).AsInteger(), 0);
  EXPECT_EQ(Aggregate("SUM(NOTE)", rows).AsInteger(), 0);
  // Without an expression the value is False.
  TDataSetExprParserGx none(nullptr, TDataSetExprParserGx::ekAggregate);
  Variant v = Null();
  none.CalcAggregateValue(rows, v);
  EXPECT_EQ(v.VarType(), varBoolean);
  EXPECT_FALSE(v.AsBoolean());
}

TEST(ExprEvaluator, AppendedRowsGiveWhatAFullCalculationGives) {
  const char* expressions[] = {"SUM(AMOUNT)", "AVG(CODE)",  "MIN(NAME)", "MAX(AMOUNT) - MIN(AMOUNT)",
                               "COUNT(CODE) * 10 + COUNT(*)", "SUM(CODE * AMOUNT) / COUNT(*)", "MAX(NAME)"};
  std::mt19937 rng(7);
  for (const char* text : expressions) {
    TDataSetExprParserGx inc(nullptr, TDataSetExprParserGx::ekAggregate);
    inc.SetFieldResolver(Resolve);
    inc.ParseExpression(text);
    Rows rows;
    Variant running;
    inc.CalcAggregateValue(rows, running);
    for (int i = 0; i < 60; ++i) {
      Variant code = rng() % 4 == 0 ? Null() : Variant(static_cast<int>(rng() % 100) - 50);
      Variant amount = rng() % 5 == 0 ? Null() : Variant((rng() % 10000) / 7.0);
      rows.Data.push_back(MakeRow(std::string(1, static_cast<char>('a' + rng() % 26)), code, amount));
      ASSERT_TRUE(inc.CalcAggregateAppend(rows, running));
      Variant full = Aggregate(text, rows);
      ASSERT_EQ(running.IsNull(), full.IsNull()) << text << " row " << i;
      if (!full.IsNull()) {
        ASSERT_EQ(running.VarType(), full.VarType()) << text;
        ASSERT_TRUE(VarSameValue(running, full)) << text << " row " << i;
      }
    }
    // Skipping a row (two appended at once) is refused: the caller calculates in full.
    rows.Data.push_back(MakeRow("x"));
    rows.Data.push_back(MakeRow("y"));
    EXPECT_FALSE(inc.CalcAggregateAppend(rows, running));
  }
}

// Sums of plain numbers are kept natively; the result must be what folding the variants gives,
// type included: Integer while it fits, Int64 once beyond 32 bits (and after), double with any
// double, currency and dates by the variant arithmetic.
TEST(ExprEvaluator, SumsGiveTheVariantArithmeticsResult) {
  std::mt19937 rng(21);
  for (int round = 0; round < 300; ++round) {
    Rows rows;
    const int n = 1 + static_cast<int>(rng() % 8);
    Variant expected;
    for (int i = 0; i < n; ++i) {
      Variant v;
      switch (rng() % 9) {
        case 0: v = Variant(static_cast<int>(rng() % 2000000000) - 1000000000); break;
        case 1: v = Variant(2000000000); break;
        case 2: v = Variant(-2000000000); break;
        case 3: v = Variant::FromInt64(static_cast<int64_t>(rng() % 100) - 50); break;
        case 4: v = Variant(static_cast<double>(rng() % 1000) / 8); break;
        case 5: v = Variant(Currency::FromScaled(static_cast<int64_t>(rng() % 100000))); break;
        case 6: v = Null(); break;
        case 7: v = Variant::FromInt64(INT64_MAX - static_cast<int64_t>(rng() % 3)); break;
        default: v = Variant::FromSmallint(static_cast<int16_t>(rng() % 100)); break;
      }
      Row r = MakeRow("x");
      r[7] = v;  // NOTE, a column of any value here
      rows.Data.push_back(r);
      const bool summable = !v.IsNull();
      if (i == 0) expected = summable ? v : Variant(0);
      else if (summable) expected = expected + v;
    }
    TDataSetExprParserGx p(nullptr, TDataSetExprParserGx::ekAggregate);
    p.SetFieldResolver(Resolve);
    p.ParseExpression("SUM(NOTE)");
    Variant got;
    p.CalcAggregateValue(rows, got);
    ASSERT_EQ(got.VarType(), expected.VarType()) << round;
    ASSERT_TRUE(VarSameValue(got, expected)) << round << ": " << VarToStr(got) << " / " << VarToStr(expected);
  }
}

TEST(ExprEvaluator, AggregateErrorsLeaveNoRunningState) {
  TDataSetExprParserGx p(nullptr, TDataSetExprParserGx::ekAggregate);
  p.SetFieldResolver(Resolve);
  p.ParseExpression("SUM(AMOUNT / CODE)");
  Rows rows;
  rows.Data = {MakeRow("a", 2, 4.0)};
  Variant v;
  p.CalcAggregateValue(rows, v);
  EXPECT_EQ(v.AsDouble(), 2.0);
  rows.Data.push_back(MakeRow("b", 0, 1.0));
  EXPECT_ANY_THROW(p.CalcAggregateAppend(rows, v));
  rows.Data.pop_back();
  // The state was dropped: appending again needs a full calculation first.
  rows.Data.push_back(MakeRow("c", 1, 1.0));
  EXPECT_FALSE(p.CalcAggregateAppend(rows, v));
  p.CalcAggregateValue(rows, v);
  EXPECT_EQ(v.AsDouble(), 3.0);
}

TEST(ExprEvaluator, ParseErrorsKeepThePreviousExpression) {
  Filter f("CODE = 1");
  EXPECT_THROW(f.Parser().ParseExpression("CODE = = 1"), EDatabaseError);
  EXPECT_TRUE(f(MakeRow("x", 1)));
  f.Parser().ParseExpression("");
  EXPECT_FALSE(f.Parser().HasExpression());
  EXPECT_FALSE(f(MakeRow("x", 1)));
  // Aggregates are refused in a filter, fields outside aggregates in an aggregate.
  EXPECT_THROW(Filter("SUM(CODE) > 1"), EDatabaseError);
  EXPECT_THROW(Aggregate("CODE + SUM(CODE)", Rows()), EDatabaseError);
}

}  // namespace
