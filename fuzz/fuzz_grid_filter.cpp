// Filter-row texts: the parser either fills the record or raises Exception (conversion errors
// included) and leaves the record as it was; a parsed record prints and parses back without harm.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "grid/filterexpr.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/sysutils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  // The first byte picks the column category and the decimal separator.
  const uint8_t mode = data[0];
  FormatSettings = TFormatSettings::Default();
  if (mode & 0x80) FormatSettings.DecimalSeparator = ',';
  std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  TSTFilterExpressionGx e;
  e.ExpressionType = static_cast<TSTFilterDataTypeGx>(mode % 5);
  e.Operator1 = foEqual;
  e.Operand1 = Variant("kept");
  try {
    ParseFilterExpression(text, e);
  } catch (const Exception&) {
    if (e.Operator1 != foEqual || e.Operand1.AsString() != "kept" || e.Relation != foNon) std::abort();
    return 0;
  }
  std::string printed = GetFilterExpressionText(e);
  (void)GetFilterExpressionText(e, true);
  TSTFilterExpressionGx again;
  again.ExpressionType = e.ExpressionType;
  try {
    ParseFilterExpression(printed, again);
  } catch (const Exception&) {
  }
  return 0;
}
