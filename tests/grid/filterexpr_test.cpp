// The filter language: parsing, printing, errors and the dataset-feature registry.
#include "grid/filterexpr.h"

#include <gtest/gtest.h>

#include "grid/datasetfeatures.h"
#include "memtable/memtable.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/sysutils.h"

namespace {

class FilterExprTest : public ::testing::Test {
 protected:
  void SetUp() override { FormatSettings = TFormatSettings::Default(); }
  void TearDown() override { FormatSettings = TFormatSettings::Default(); }

  static TSTFilterExpressionGx Parse(std::string_view text, TSTFilterDataTypeGx type) {
    TSTFilterExpressionGx e;
    e.ExpressionType = type;
    ParseFilterExpression(text, e);
    return e;
  }
  static std::string ErrorOf(std::string_view text, TSTFilterDataTypeGx type) {
    try {
      Parse(text, type);
    } catch (const Exception& ex) {
      return ex.Message();
    }
    return "(no error)";
  }
};

TEST_F(FilterExprTest, BareValuesTakeTheOperatorOfTheColumnCategory) {
  auto s = Parse("abc", fdtString);
  EXPECT_EQ(s.Operator1, foLike);
  EXPECT_EQ(s.Operand1.AsString(), "abc");
  EXPECT_EQ(s.Relation, foNon);

  auto n = Parse("5", fdtNumber);
  EXPECT_EQ(n.Operator1, foEqual);
  EXPECT_EQ(n.Operand1.VarType(), varDouble);
  EXPECT_DOUBLE_EQ(n.Operand1.AsDouble(), 5.0);

  auto list = Parse("a,b", fdtString);
  EXPECT_EQ(list.Operator1, foIn);
  ASSERT_TRUE(list.Operand1.IsArray());
  EXPECT_EQ(list.Operand1.ArrayCount(), 2);
  EXPECT_EQ(list.Operand1[1].AsString(), "b");

  // Blanks inside an unquoted text belong to it; control characters at the ends do not.
  EXPECT_EQ(Parse("\t abc def \r\n", fdtString).Operand1.AsString(), "abc def");
  EXPECT_EQ(Parse("", fdtString).Operator1, foNon);
}

TEST_F(FilterExprTest, NullTestsAndNegatedKeywords) {
  EXPECT_EQ(Parse("= NULL", fdtString).Operator1, foNull);
  EXPECT_TRUE(Parse("= NULL", fdtString).Operand1.IsEmpty());
  EXPECT_EQ(Parse("<> null", fdtNumber).Operator1, foNotNull);
  EXPECT_EQ(Parse("!= Null", fdtNumber).Operator1, foNotNull);

  auto nl = Parse("NOT LIKE x", fdtString);
  EXPECT_EQ(nl.Operator1, foNotLike);
  EXPECT_EQ(nl.Operand1.AsString(), "x");

  auto ni = Parse("NOT IN (1,2)", fdtNumber);
  EXPECT_EQ(ni.Operator1, foNotIn);
  ASSERT_EQ(ni.Operand1.ArrayCount(), 2);
  EXPECT_DOUBLE_EQ(ni.Operand1[0].AsDouble(), 1.0);
  EXPECT_DOUBLE_EQ(ni.Operand1[1].AsDouble(), 2.0);

  // The blank after a comma stays with the value.
  auto in = Parse("In (a, b)", fdtString);
  EXPECT_EQ(in.Operator1, foIn);
  EXPECT_EQ(in.Operand1[1].AsString(), " b");

  auto q = Parse("~ 'x y'", fdtString);
  EXPECT_EQ(q.Operator1, foLike);
  EXPECT_EQ(q.Operand1.AsString(), "x y");
}

TEST_F(FilterExprTest, TwoConditionsJoinedByARelation) {
  auto e = Parse("> 1 AND < 5", fdtNumber);
  EXPECT_EQ(e.Operator1, foGreaterThan);
  EXPECT_DOUBLE_EQ(e.Operand1.AsDouble(), 1.0);
  EXPECT_EQ(e.Relation, foAND);
  EXPECT_EQ(e.Operator2, foLessThan);
  EXPECT_DOUBLE_EQ(e.Operand2.AsDouble(), 5.0);

  auto o = Parse("<>Null | >= 10", fdtNumber);
  EXPECT_EQ(o.Operator1, foNotNull);
  EXPECT_EQ(o.Relation, foOR);
  EXPECT_EQ(o.Operator2, foGreaterOrEqual);

  // A relation with nothing after it is kept without a second condition.
  auto dangling = Parse("> 1 AND", fdtNumber);
  EXPECT_EQ(dangling.Relation, foAND);
  EXPECT_EQ(dangling.Operator2, foNon);

  auto dates = Parse(">= now", fdtDateTime);
  EXPECT_EQ(dates.Operand1.AsString(), "now");
  auto date = Parse("< 2024-03-05", fdtDateTime);
  EXPECT_TRUE(date.Operand1.IsDate());
  EXPECT_EQ(DateToStr(date.Operand1.AsDateTime()), "2024-03-05");
}

TEST_F(FilterExprTest, ErrorsNameTheWholeTrimmedText) {
  EXPECT_EQ(ErrorOf("'abc", fdtString), "Quote is absent: 'abc");
  EXPECT_EQ(ErrorOf("IN 1", fdtNumber), "'(' expected: IN 1");
  EXPECT_EQ(ErrorOf("IN (1,2", fdtNumber), "')' expected: IN (1,2");
  EXPECT_EQ(ErrorOf("  (  ", fdtString), "Error in expression: (");
  EXPECT_EQ(ErrorOf("> NULL", fdtNumber), "Unexpected expression before Null: > NULL");
  EXPECT_EQ(ErrorOf("NOT NULL", fdtString), "Unexpected expression after operator: NOT NULL");
  EXPECT_EQ(ErrorOf("> 1 XOR 2", fdtNumber), "Unexpected AND or OR: > 1 XOR 2");
  EXPECT_EQ(ErrorOf("In (a) ( x", fdtString), "Incorrect expression: In (a) ( x");
  EXPECT_EQ(ErrorOf("In (a) )", fdtString), "Unexpected AND or OR: In (a) )");
  // A value ends before "!~" as before any other operator; «!» alone still belongs to it.
  EXPECT_EQ(ErrorOf("x !~ y", fdtString), "Unexpected AND or OR: x !~ y");
  EXPECT_EQ(ErrorOf("x NOT LIKE y", fdtString), "Unexpected AND or OR: x NOT LIKE y");
  EXPECT_EQ(Parse("x !y", fdtString).Operand1.AsString(), "x !y");
  // The second condition is checked as the first one is.
  EXPECT_EQ(ErrorOf("> 1 AND < 5 )", fdtNumber), "Incorrect expression: > 1 AND < 5 )");
  EXPECT_EQ(ErrorOf("> 1 OR In (2,3", fdtNumber), "')' expected: > 1 OR In (2,3");
  EXPECT_EQ(ErrorOf("> 1 OR = Null ~", fdtNumber), "Incorrect expression: > 1 OR = Null ~");
  // A text that is no number fails conversion.
  EXPECT_THROW(Parse("> abc", fdtNumber), EConvertError);
}

TEST_F(FilterExprTest, AFailedParseLeavesTheRecordAsItWas) {
  TSTFilterExpressionGx e;
  e.ExpressionType = fdtNumber;
  ParseFilterExpression("> 1 AND < 5", e);
  EXPECT_THROW(ParseFilterExpression(">= 3 OR IN 4", e), Exception);
  EXPECT_EQ(e.Operator1, foGreaterThan);
  EXPECT_EQ(e.Operator2, foLessThan);
  EXPECT_DOUBLE_EQ(e.Operand2.AsDouble(), 5.0);
  EXPECT_EQ(GetFilterExpressionText(e), "> 1 AND < 5");
}

// Blanks before a list's comma belong to the number before it; elsewhere a blank ends a number.
TEST_F(FilterExprTest, NumberListsTakeBlanksBeforeTheirCommas) {
  const struct {
    const char* text;
    TSTFilterOperatorGx op;
    std::vector<double> values;
  } cases[] = {
      {"In (1 ,2)", foIn, {1, 2}},
      {"5 ,6", foIn, {5, 6}},
      {"In (1  , 2 ,3 )", foIn, {1, 2, 3}},
      {"!In (7 ,8)", foNotIn, {7, 8}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    auto e = Parse(c.text, fdtNumber);
    EXPECT_EQ(e.Operator1, c.op);
    ASSERT_EQ(e.Operand1.ArrayCount(), static_cast<int>(c.values.size()));
    for (size_t i = 0; i < c.values.size(); ++i) EXPECT_DOUBLE_EQ(e.Operand1[static_cast<int>(i)].AsDouble(), c.values[i]);
  }
  EXPECT_EQ(ErrorOf("> 1 XOR 2", fdtNumber), "Unexpected AND or OR: > 1 XOR 2");
}

TEST_F(FilterExprTest, CommaDecimalSeparatorOnNumberColumns) {
  FormatSettings.DecimalSeparator = ',';
  auto one = Parse("1,5", fdtNumber);
  EXPECT_EQ(one.Operator1, foEqual);
  EXPECT_DOUBLE_EQ(one.Operand1.AsDouble(), 1.5);

  auto list = Parse("In (1,5)", fdtNumber);
  EXPECT_EQ(list.Operator1, foIn);
  ASSERT_EQ(list.Operand1.ArrayCount(), 2);
  EXPECT_DOUBLE_EQ(list.Operand1[1].AsDouble(), 5.0);

  // After the list the comma is a decimal separator again.
  auto after = Parse("In (1,5) OR > 2,5", fdtNumber);
  EXPECT_DOUBLE_EQ(after.Operand2.AsDouble(), 2.5);
  EXPECT_EQ(GetFilterExpressionText(after), "In (1,5) OR > 2,5");

  // Text columns still read a comma as a list.
  EXPECT_EQ(Parse("1,5", fdtString).Operator1, foIn);
  EXPECT_EQ(ErrorOf("> 1,5 XOR 2", fdtNumber), "Unexpected AND or OR: > 1,5 XOR 2");
  EXPECT_EQ(ErrorOf("In 1,5", fdtNumber), "'(' expected: In 1,5");
}

TEST_F(FilterExprTest, PrintingGivesCanonicalText) {
  EXPECT_EQ(GetFilterExpressionText(Parse("abc", fdtString)), "~ 'abc'");
  EXPECT_EQ(GetFilterExpressionText(Parse("a,b", fdtString)), "In ('a','b')");
  EXPECT_EQ(GetFilterExpressionText(Parse("not in (1, 2.5)", fdtNumber)), "!In (1,2.5)");
  EXPECT_EQ(GetFilterExpressionText(Parse("=null or >5", fdtNumber)), "=Null OR > 5");
  EXPECT_EQ(GetFilterExpressionText(Parse("<> NULL", fdtString)), "<>Null");
  EXPECT_EQ(GetFilterExpressionText(Parse("!~ x", fdtString)), "!~ 'x'");
  EXPECT_EQ(GetFilterExpressionText(Parse("<= 2024-01-31", fdtDateTime)), "<= 2024-01-31");
  // Without a category or an operator there is nothing to print.
  EXPECT_EQ(GetFilterExpressionText(Parse("abc", fdtNone)), "");
  // A list source shows the first operand alone.
  EXPECT_EQ(GetFilterExpressionText(Parse("a,b", fdtString), true), "'a','b'");
  EXPECT_EQ(GetFilterExpressionText(Parse("abc", fdtString), true), "abc");

  EXPECT_EQ(GetFilterExpressionText(Parse("= a,b", fdtString)), "= 'a','b'");

  std::string cond;
  BuildFilterCondition(foIn, Variant::ArrayOf({Variant(1), Variant("x")}), cond);
  EXPECT_EQ(cond, "In ('1','x')");
}

TEST(FilterTables, OperatorNamesAndFieldCategories) {
  EXPECT_STREQ(STFldFilterOperatorsDisplayNames[foNotIn], "!In");
  EXPECT_STREQ(STFldFilterOperatorsDisplayNames[foNotNull], "Null");
  EXPECT_STREQ(STFilterOperatorsStrMap[foNotNull], "IS NOT NULL");
  EXPECT_STREQ(STFilterOperatorsStrMap[foNotLike], "NOT LIKE");
  EXPECT_STREQ(STFilterMarkerText, "/*FILTER*/");
  EXPECT_EQ(FilterDataTypeOfField(ftWideMemo), fdtString);
  EXPECT_EQ(FilterDataTypeOfField(ftOraInterval), fdtString);
  EXPECT_EQ(FilterDataTypeOfField(ftFMTBcd), fdtNumber);
  EXPECT_EQ(FilterDataTypeOfField(ftTimeStamp), fdtDateTime);
  EXPECT_EQ(FilterDataTypeOfField(ftBoolean), fdtBoolean);
  EXPECT_EQ(FilterDataTypeOfField(ftOraTimeStamp), fdtNone);
  EXPECT_EQ(FilterDataTypeOfField(ftBlob), fdtNone);
}

class MarkingFeatures : public TDatasetFeaturesGx {
 public:
  MarkingFeatures(TClass cls, int tag) : TDatasetFeaturesGx(cls), tag(tag) {}
  int tag;
};

TEST(DatasetFeatures, NearestRegisteredClassWinsAndNoneWhenEmpty) {
  TMemTableGx table;
  EXPECT_EQ(GetDatasetFeatures(&table), nullptr);
  EXPECT_EQ(GetDatasetFeatures(nullptr), nullptr);

  auto general = std::make_unique<MarkingFeatures>(TDataSet::StaticClass(), 1);
  auto generalTwice = std::make_unique<MarkingFeatures>(TDataSet::StaticClass(), 2);
  auto* g = general.get();
  auto* g2 = generalTwice.get();
  RegisterDatasetFeatures(std::move(general));
  RegisterDatasetFeatures(std::move(generalTwice));
  // A tie goes to the first registered.
  EXPECT_EQ(GetDatasetFeatures(&table), g);

  auto exact = std::make_unique<MarkingFeatures>(TMemTableGx::StaticClass(), 3);
  auto* x = exact.get();
  RegisterDatasetFeatures(std::move(exact));
  EXPECT_EQ(GetDatasetFeatures(&table), x);

  UnregisterDatasetFeatures(x);
  UnregisterDatasetFeatures(g);
  EXPECT_EQ(GetDatasetFeatures(&table), g2);
  UnregisterDatasetFeatures(g2);
  EXPECT_EQ(GetDatasetFeatures(&table), nullptr);
}

}  // namespace
