#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/db/exprparser.h"
#include "platform/db/testdataset.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"

namespace {

bool Resolve(std::string_view name, TExprFieldInfo& info) {
  static const struct {
    const char* Name;
    TFieldType Type;
    int No;
  } fields[] = {{"NAME", ftString, 1}, {"BILDB001", ftInteger, 2}, {"AMOUNT", ftFloat, 3},
                {"DAY", ftDate, 4},    {"AT", ftDateTime, 5},      {"FLAG", ftBoolean, 6},
                {"T", ftTime, 7},      {"My Field", ftString, 8},  {"CALC", ftString, -1},
                {"名称", ftString, 9}, {"BIG", ftLargeint, 10}};
  for (const auto& f : fields) {
    if (SameText(name, f.Name)) {
      info.Name = f.Name;
      info.DataType = f.Type;
      info.FieldNo = f.No;
      info.Kind = f.No > 0 ? fkData : fkCalculated;
      return true;
    }
  }
  return false;
}

std::string Dump(std::string_view text, TFilterOptions fo = {}, TParserOptions po = {poExtSyntax}) {
  TExprParser p(Resolve, text, fo, po);
  return DumpExprBlob(p.FilterData());
}

std::string ErrorOf(std::string_view text, TParserOptions po = {poExtSyntax}) {
  try {
    TExprParser p(Resolve, text, {}, po);
  } catch (const EDatabaseError& e) {
    return e.Message();
  }
  return "no error";
}

uint16_t Word(const std::vector<Byte>& b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }
uint32_t DWord(const std::vector<Byte>& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

TEST(ExprParser, BlobLayoutOfAComparison) {
  TExprParser p(Resolve, "BILDB001=-1", {}, {poExtSyntax});
  const std::vector<Byte>& b = p.FilterData();
  // Header: version, total size, node count, node start, literal start.
  ASSERT_GE(b.size(), 10u);
  EXPECT_EQ(Word(b, 0), 2);
  EXPECT_EQ(Word(b, 2), b.size());
  EXPECT_EQ(Word(b, 4), 3);
  EXPECT_EQ(Word(b, 6), 10);
  size_t lit = Word(b, 8);
  // Root at node offset 0: binary "=" with two operands.
  EXPECT_EQ(DWord(b, 10), nodeBINARY);
  EXPECT_EQ(DWord(b, 14), coEQ);
  size_t fieldNode = 10 + Word(b, 18);
  size_t constNode = 10 + Word(b, 20);
  EXPECT_EQ(DWord(b, fieldNode), nodeFIELD);
  EXPECT_EQ(DWord(b, fieldNode + 4), coFIELD2);
  EXPECT_EQ(Word(b, fieldNode + 8), 2);  // field number
  EXPECT_STREQ(reinterpret_cast<const char*>(b.data() + lit + Word(b, fieldNode + 10)), "BILDB001");
  EXPECT_EQ(DWord(b, constNode), nodeCONST);
  EXPECT_EQ(DWord(b, constNode + 4), coCONST2);
  EXPECT_EQ(Word(b, constNode + 8), fldINT32);
  EXPECT_EQ(Word(b, constNode + 10), 4);
  int32_t v;
  std::memcpy(&v, b.data() + lit + Word(b, constNode + 12), 4);
  EXPECT_EQ(v, -1);  // the minus is folded into the constant
  EXPECT_EQ(b.size(), lit + 9 + 4);  // "BILDB001\0" and the integer
}

TEST(ExprParser, PrecedenceAndGrouping) {
  EXPECT_EQ(Dump("NAME = 'a' OR BILDB001 > 2 AND NOT FLAG = TRUE"),
            "(OR (= [NAME#1] 'a') (AND (> [BILDB001#2] 2) (NOT (= [FLAG#6] true))))");
  EXPECT_EQ(Dump("(NAME = 'a' OR BILDB001 > 2) AND AMOUNT <= 1.5"),
            "(AND (OR (= [NAME#1] 'a') (> [BILDB001#2] 2)) (<= [AMOUNT#3] 1.5))");
  EXPECT_EQ(Dump("AMOUNT + 2 * 3 - 1 / 4 >= 0"), "(>= (- (+ [AMOUNT#3] (* 2 3)) (/ 1 4)) 0)");
  EXPECT_EQ(Dump("-AMOUNT < -2.5e1"), "(< (- 0 [AMOUNT#3]) -25.0)");
  EXPECT_EQ(Dump("BILDB001 <> 3 and BILDB001 != 4"), "(AND (<> [BILDB001#2] 3) (<> [BILDB001#2] 4))");
}

TEST(ExprParser, NullTestsLikeAndIn) {
  EXPECT_EQ(Dump("NAME IS NULL"), "(ISNULL [NAME#1])");
  EXPECT_EQ(Dump("NAME is not null"), "(NOTNULL [NAME#1])");
  EXPECT_EQ(Dump("NAME = NULL"), "(ISNULL [NAME#1])");
  EXPECT_EQ(Dump("NAME <> NULL"), "(NOTNULL [NAME#1])");
  EXPECT_EQ(Dump("NAME LIKE 'A%'"), "(LIKE [NAME#1] 'A%')");
  EXPECT_EQ(Dump("NAME NOT LIKE 'A_'"), "(NOT (LIKE [NAME#1] 'A_'))");
  EXPECT_EQ(Dump("NAME IN ('A', 'B')"), "(IN [NAME#1] 'A' 'B')");
  EXPECT_EQ(Dump("BILDB001 NOT IN (1, -2, 3000000000)"), "(NOT (IN [BILDB001#2] 1 -2 3000000000L))");
  EXPECT_EQ(Dump("AMOUNT + NULL IS NULL"), "(ISNULL (+ [AMOUNT#3] null))");
}

TEST(ExprParser, FieldNamesQuotedStringsAndNumbers) {
  EXPECT_EQ(Dump("[My Field] = 'it''s'"), "(= [My Field#8] 'it's')");
  EXPECT_EQ(Dump("\"My Field\" = ''"), "(= [My Field#8] '')");
  EXPECT_EQ(Dump("名称 = '费用垫付单'"), "(= [名称#9] '费用垫付单')");
  EXPECT_EQ(Dump("name = 'x'"), "(= [NAME#1] 'x')");  // the dataset's spelling
  EXPECT_EQ(Dump("BIG = 9223372036854775807"), "(= [BIG#10] 9223372036854775807L)");
  EXPECT_EQ(Dump("AMOUNT = 99999999999999999999"), "(= [AMOUNT#3] 1e+20)");
  EXPECT_EQ(Dump("AMOUNT = .5"), "(= [AMOUNT#3] 0.5)");
  EXPECT_EQ(Dump("CALC = 'x'"), "(= [CALC#0] 'x')");  // calculated: no field number
  EXPECT_EQ(Dump("  "), "");
}

TEST(ExprParser, StringsTakeTheTypeOfTheFieldTheyMeet) {
  EXPECT_EQ(Dump("BILDB001 = '12'"), "(= [BILDB001#2] 12)");
  EXPECT_EQ(Dump("AMOUNT > '1.25'"), "(> [AMOUNT#3] 1.25)");
  EXPECT_EQ(Dump("FLAG = 'True'"), "(= [FLAG#6] true)");
  // 2024-01-31 is day 738916 counted from 0001-01-01 as day 1.
  EXPECT_EQ(Dump("DAY >= '2024-01-31'"), "(>= [DAY#4] date:738916)");
  EXPECT_EQ(Dump("'2024-01-31' <= DAY"), "(<= date:738916 [DAY#4])");
  EXPECT_EQ(Dump("T = '01:00:00'"), "(= [T#7] time:3600000)");
  EXPECT_EQ(Dump("AT < '2024-01-31 00:00:01'"), "(< [AT#5] datetime:63842342401000)");
  EXPECT_EQ(Dump("DAY IN ('2024-01-31', '2024-02-01')"), "(IN [DAY#4] date:738916 date:738917)");
  EXPECT_EQ(ErrorOf("BILDB001 = 'abc'"), "'abc' is not a valid number for field 'BILDB001' at position 12 in expression");
  EXPECT_EQ(ErrorOf("DAY = '2024-13-45'"), "'2024-13-45' is not a valid date for field 'DAY' at position 7 in expression");
  // LIKE keeps its pattern as text.
  EXPECT_EQ(Dump("DAY LIKE '2024%'"), "(LIKE [DAY#4] '2024%')");
}

TEST(ExprParser, CaseInsensitiveAndPartialComparisons) {
  EXPECT_EQ(Dump("NAME = 'ab'", {foCaseInsensitive}), "(cmp = ci [NAME#1] 'ab')");
  EXPECT_EQ(Dump("NAME <> 'ab'", {foCaseInsensitive}), "(cmp <> ci [NAME#1] 'ab')");
  EXPECT_EQ(Dump("NAME LIKE 'a%'", {foCaseInsensitive}), "(cmp LIKE ci [NAME#1] 'a%')");
  EXPECT_EQ(Dump("NAME = 'ab*'"), "(cmp = p2 [NAME#1] 'ab')");
  EXPECT_EQ(Dump("NAME = '费用*'", {foCaseInsensitive}), "(cmp = ci p2 [NAME#1] '费用')");
  EXPECT_EQ(Dump("NAME = 'ab*'", {foNoPartialCompare}), "(= [NAME#1] 'ab*')");
  EXPECT_EQ(Dump("NAME = '*'"), "(= [NAME#1] '*')");
  // Numbers are not text: no compare node.
  EXPECT_EQ(Dump("BILDB001 = 5", {foCaseInsensitive}), "(= [BILDB001#2] 5)");
  EXPECT_EQ(Dump("NAME > 'ab'", {foCaseInsensitive}), "(> [NAME#1] 'ab')");
}

TEST(ExprParser, Functions) {
  EXPECT_EQ(Dump("UPPER(NAME) = 'A'"), "(= (UPPER [NAME#1]) 'A')");
  EXPECT_EQ(Dump("lower(NAME) = 'a'"), "(= (LOWER [NAME#1]) 'a')");
  EXPECT_EQ(Dump("SUBSTRING(NAME, 2, YEAR(DAY)) = 'x'"), "(= (fn SUBSTRING [NAME#1] 2 (fn YEAR [DAY#4])) 'x')");
  EXPECT_EQ(Dump("UPPER(TRIM(NAME, 'x')) = 'A'"), "(= (UPPER (fn TRIM [NAME#1] 'x')) 'A')");
  EXPECT_EQ(Dump("DAY < GETDATE()"), "(< [DAY#4] (fn GETDATE))");
  // Argument counts are the evaluator's to check.
  EXPECT_EQ(Dump("SUBSTRING(NAME) = 'x'"), "(= (fn SUBSTRING [NAME#1]) 'x')");
  EXPECT_EQ(Dump("UPPER(NAME, 1) = 'x'"), "(= (fn UPPER [NAME#1] 1) 'x')");
  EXPECT_EQ(ErrorOf("UPPER(NAME) = 'A'", {}), "A function call needs the extended syntax at position 1 in expression");
}

TEST(ExprParser, Aggregates) {
  TParserOptions agg{poExtSyntax, poAggregate};
  EXPECT_EQ(Dump("SUM(AMOUNT)", {}, agg), "(fn SUM [AMOUNT#3])");
  EXPECT_EQ(Dump("count(*)", {}, agg), "(fn count(*))");
  EXPECT_EQ(Dump("SUM(AMOUNT * 2) / COUNT(*) + MAX(BILDB001)", {}, agg),
            "(+ (/ (fn SUM (* [AMOUNT#3] 2)) (fn COUNT(*))) (fn MAX [BILDB001#2]))");
  EXPECT_EQ(ErrorOf("SUM(AMOUNT) > 1"), "Aggregate SUM is not allowed in a filter at position 1 in expression");
  EXPECT_EQ(ErrorOf("AMOUNT + SUM(AMOUNT)", agg), "Field 'AMOUNT' must stand inside an aggregate at position 1 in expression");
  EXPECT_EQ(ErrorOf("SUM(MAX(AMOUNT))", agg), "Aggregate MAX inside another aggregate at position 5 in expression");
  EXPECT_EQ(ErrorOf("SUM(CALC)", agg), "Field 'CALC' is not a stored field and cannot be aggregated at position 5 in expression");
}

TEST(ExprParser, ErrorsNameThePosition) {
  EXPECT_EQ(ErrorOf("NAME = 'abc"), "Unterminated string at position 8 in expression");
  EXPECT_EQ(ErrorOf("[My Field = 1"), "Unterminated field name at position 1 in expression");
  EXPECT_EQ(ErrorOf("NAME = "), "Unexpected end of expression at position 8 in expression");
  EXPECT_EQ(ErrorOf("NAME = 'a' 'b'"), "Unexpected string 'b' at position 12 in expression");
  EXPECT_EQ(ErrorOf("(NAME = 'a'"), "Expected ')' but found end of expression at position 12 in expression");
  EXPECT_EQ(ErrorOf("NAME # 1"), "Invalid character '#' at position 6 in expression");
  EXPECT_EQ(ErrorOf("名称 = 'x' ; 1"), "Invalid character ';' at position 10 in expression");
  EXPECT_EQ(ErrorOf("NAME IS 5"), "Expected NULL but found number 5 at position 9 in expression");
  EXPECT_EQ(ErrorOf("NAME NOT 5"), "Expected LIKE or IN after NOT but found number 5 at position 10 in expression");
  EXPECT_EQ(ErrorOf("1.5e"), "Invalid number at position 1 in expression");
  EXPECT_EQ(ErrorOf("12abc = 1"), "Invalid number at position 1 in expression");
  EXPECT_EQ(ErrorOf("NAME = AND"), "Unexpected keyword 'AND' at position 8 in expression");
  EXPECT_EQ(ErrorOf("NOPE = 1"), "Field 'NOPE' not found");
  EXPECT_EQ(ErrorOf("[ ] = 1"), "Field name missing at position 1 in expression");
  EXPECT_EQ(ErrorOf(std::string_view("NAME = \0", 8)), "Invalid character at position 8 in expression");
}

TEST(ExprParser, DeepNestingIsRefusedNotOverflowed) {
  std::string deep(5000, '(');
  deep += "1";
  EXPECT_EQ(ErrorOf(deep).rfind("Expression nested too deeply", 0), 0u);
  std::string minus(5000, '-');
  minus += "1";
  EXPECT_EQ(ErrorOf(minus).rfind("Expression nested too deeply", 0), 0u);
}

TEST(ExprParser, LongOperatorChainsAreRefusedNotOverflowed) {
  // Chains nest without parentheses: each is a tree as deep as it is long.
  std::string sum = "BILDB001";
  for (int i = 0; i < 262144; ++i) sum += "+0";
  sum += "=1";
  EXPECT_EQ(ErrorOf(sum), "Expression is too long");
  std::string plus;
  for (int i = 0; i < 200000; ++i) plus += "+BILDB001";
  EXPECT_EQ(ErrorOf(plus + "=1"), "Expression is too long");
  std::string ors;
  for (int i = 0; i < 100000; ++i) ors += "BILDB001=0 OR ";
  EXPECT_EQ(ErrorOf(ors + "BILDB001=1"), "Expression is too long");
  std::string ands;
  for (int i = 0; i < 100000; ++i) ands += "NOT BILDB001=0 AND ";
  EXPECT_EQ(ErrorOf(ands + "FLAG"), "Expression is too long");
  // An error in the middle of a long chain frees what was read.
  EXPECT_EQ(ErrorOf(ors.substr(0, 14 * 1000) + "BILDB001 = ").rfind("Unexpected end of expression", 0), 0u);

  // A chain the blob can hold still parses, and its dump shows it nested to the left.
  std::string fits = "BILDB001";
  for (int i = 0; i < 900; ++i) fits += "+1";
  const std::string dump = Dump(fits + "=1");
  EXPECT_EQ(dump.rfind("(= (+ (+ (+ ", 0), 0u) << dump.substr(0, 40);
  EXPECT_EQ(ErrorOf(fits + "=1"), "no error");
}

TEST(ExprParser, OversizedBlobIsRefused) {
  std::string text = "NAME IN (";
  for (int i = 0; i < 3000; ++i) text += (i ? ",'" : "'") + std::string(30, 'x') + "'";
  text += ")";
  EXPECT_EQ(ErrorOf(text), "Expression is too long");
}

TEST(ExprParser, DatasetFieldsAndDependentFields) {
  TTestDataSet ds;
  ds.SetName("mtblMain");
  ds.FieldDefs().Add("BILDB001", ftInteger);
  ds.FieldDefs().Add("BILDB002", ftString, 20);
  ds.Open();
  TExprParser p(&ds, "bildb002 = 'a' or BILDB001 > 0 or BILDB002 is null");
  EXPECT_EQ(DumpExprBlob(p.FilterData()), "(OR (OR (= [BILDB002#2] 'a') (> [BILDB001#1] 0)) (ISNULL [BILDB002#2]))");
  EXPECT_EQ(p.DependentFields(), (std::vector<std::string>{"BILDB002", "BILDB001"}));
  try {
    TExprParser bad(&ds, "BILDB009 = 1");
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "mtblMain: Field 'BILDB009' not found");
  }
  TExprParser empty(&ds, "");
  EXPECT_EQ(empty.DataSize(), 0);
}

TEST(ExprParser, DumpRefusesBrokenBlobs) {
  TExprParser p(Resolve, "NAME = 'x'", {}, {poExtSyntax});
  std::vector<Byte> b = p.FilterData();
  std::vector<Byte> cut(b.begin(), b.end() - 3);
  EXPECT_THROW(DumpExprBlob(cut), EDatabaseError);
  std::vector<Byte> loop = b;
  loop[18] = 0;  // the root's first operand points at the root itself
  loop[19] = 0;
  EXPECT_THROW(DumpExprBlob(loop), EDatabaseError);
}

}  // namespace
