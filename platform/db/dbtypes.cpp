#include "platform/db/dbtypes.h"

#include "platform/rtl/strings.h"

const char* FieldTypeName(TFieldType type) noexcept {
  static const char* const names[FieldTypeCount] = {
      "Unknown",   "String",     "SmallInt",    "Integer",  "Word",        "Boolean",      "Float",
      "Currency",  "BCD",        "Date",        "Time",     "DateTime",    "Bytes",        "VarBytes",
      "AutoInc",   "Blob",       "Memo",        "Graphic",  "FmtMemo",     "ParadoxOle",   "dBaseOle",
      "TypedBinary", "Cursor",   "FixedChar",   "WideString", "Largeint",  "ADT",          "Array",
      "Reference", "DataSet",    "OraBlob",     "OraClob",  "Variant",     "Interface",    "IDispatch",
      "Guid",      "TimeStamp",  "FMTBcd",      "FixedWideChar", "WideMemo", "OraTimeStamp", "OraInterval"};
  return type < FieldTypeCount ? names[type] : "Unknown";
}

bool IsBlobType(TFieldType type) noexcept { return type >= ftBlob && type <= ftWideMemo; }

std::string Utf8Left(std::string_view s, size_t chars) {
  size_t pos = 0;
  for (; chars > 0 && pos < s.size(); --chars)
    pos += static_cast<size_t>(std::max(1, Utf8SequenceLength(static_cast<unsigned char>(s[pos]))));
  return std::string(s.substr(0, std::min(pos, s.size())));
}
