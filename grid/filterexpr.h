#pragma once
// The little filter language the user types into a filter-row cell («> 5», «In (a,b)»,
// «<>Null AND < 10»): a lexer and parser that turn the text into one TSTFilterExpressionGx record
// (at most two conditions joined by one AND or OR), and the printer that turns a record back into
// its canonical text. Values are converted by the column's value category with the global locale
// (FormatSettings). Parse errors raise Exception with a fixed prefix followed by the trimmed text;
// the record passed in is only written when the whole text parsed.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/db/dbtypes.h"
#include "platform/rtl/variant.h"

enum TSTFilterOperatorGx : uint8_t {
  foNon, foEqual, foNotEqual, foGreaterThan, foLessThan, foGreaterOrEqual, foLessOrEqual,
  foLike, foNotLike, foIn, foNotIn, foNull, foNotNull, foAND, foOR, foValue
};
constexpr int FilterOperatorCount = foValue + 1;

enum TSTFilterDataTypeGx : uint8_t { fdtNone, fdtString, fdtNumber, fdtDateTime, fdtBoolean };

struct TSTFilterExpressionGx {
  TSTFilterDataTypeGx ExpressionType = fdtNone;
  TSTFilterOperatorGx Operator1 = foNon;
  Variant Operand1;
  TSTFilterOperatorGx Relation = foNon;
  TSTFilterOperatorGx Operator2 = foNon;
  Variant Operand2;
};

// Display names of the operators ("=", "<>", "~", "In", "Null", "AND", ...), by code.
extern const char* const STFldFilterOperatorsDisplayNames[FilterOperatorCount];
// Data-set filter keywords of the operators ("LIKE", "NOT IN", "IS NULL", ...), by code; published
// for feature objects that build a data-set filter string.
extern const char* const STFilterOperatorsStrMap[FilterOperatorCount];
// Marker text for feature objects that build a data-set filter string.
extern const char* const STFilterMarkerText;

// Value category of a field type.
TSTFilterDataTypeGx FilterDataTypeOfField(TFieldType type) noexcept;

// Resets both conditions and the relation; leaves ExpressionType.
void ClearExpressionNode(TSTFilterExpressionGx& expression) noexcept;

// Parses `text` for a column of category expression.ExpressionType. On success the record holds
// the result; on an error the record is left as it was.
void ParseFilterExpression(std::string_view text, TSTFilterExpressionGx& expression);

// Appends one condition («> 5», «In ('a','b')», «=Null») to `text`.
void BuildFilterCondition(TSTFilterOperatorGx op, const Variant& operand, std::string& text);
// The canonical text of a record. With a list source the text is the first operand alone.
std::string GetFilterExpressionText(const TSTFilterExpressionGx& expression, bool hasListSource = false);
