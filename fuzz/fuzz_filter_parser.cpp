// Filter and aggregate expression texts: the parser either answers a blob that follows the
// layout (checked by reading it back) or raises EDatabaseError; nothing else may happen.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/db/exprparser.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/strings.h"

namespace {

// A few fields of each kind, so that conversions of constants are reached too.
bool Resolve(std::string_view name, TExprFieldInfo& info) {
  static const struct {
    const char* Name;
    TFieldType Type;
    int No;
  } fields[] = {{"NAME", ftString, 1}, {"ID", ftInteger, 2}, {"AMOUNT", ftFloat, 3},
                {"DAY", ftDate, 4},    {"AT", ftDateTime, 5}, {"FLAG", ftBoolean, 6},
                {"T", ftTime, 7},      {"CALC", ftString, -1}};
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  // The first byte picks the options; the rest is the text.
  uint8_t mode = data[0];
  std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  TFilterOptions filterOptions;
  if (mode & 1) filterOptions.Include(foCaseInsensitive);
  if (mode & 2) filterOptions.Include(foNoPartialCompare);
  TParserOptions parserOptions;
  if (mode & 4) parserOptions.Include(poExtSyntax);
  if (mode & 8) parserOptions.Include(poAggregate);
  TExprFieldResolver resolver;
  if (!(mode & 16)) resolver = Resolve;
  try {
    TExprParser parser(resolver, text, filterOptions, parserOptions);
    if (parser.DataSize() > 0) {
      std::string dump = DumpExprBlob(parser.FilterData());
      if (dump.empty()) __builtin_trap();
    }
  } catch (const EDatabaseError&) {
  }
  return 0;
}
