// Date-time edit formats: the parser either fills the element table and a mask whose input
// positions line up with the elements, or raises Exception with one of its three texts; the
// display format, the template and reading a text through the elements never fail.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "editors/dtformat.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/strings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  // Text after the first newline is read through the format as a typed text.
  size_t nl = input.find('\n');
  std::string_view format = input.substr(0, nl);
  std::string_view text = nl == std::string_view::npos ? std::string_view() : input.substr(nl + 1);

  std::string display = DateTimeEditDisplayFormat(format);
  std::string templ = DateTimeEditTemplate(format);
  TDateTimeElementsGx elements;
  std::string mask;
  try {
    DateTimeEditParseFormat(format, elements, mask);
  } catch (const Exception& e) {
    const std::string& m = e.Message();
    if (m.rfind("Element in EditFormat: ", 0) != 0 && m.rfind("Invalid datetime format element length: ", 0) != 0 &&
        m.rfind("Duplicating datetime format element: ", 0) != 0)
      __builtin_trap();
    return 0;
  }
  if (mask.size() < 5 || mask[0] != '!') __builtin_trap();
  int chars = static_cast<int>(Utf8CharCount(templ));  // one character per shown character
  for (const TDateTimeElementGx& el : elements)
    if (el.Present && (el.Pos < 1 || el.Pos + el.Length - 1 > chars)) __builtin_trap();

  TDateTimeValuesGx values;
  DateTimeEditTextToValues(text, elements, values);
  Variant value = Variant::Null();
  DateTimeEditValuesToVariant(values, elements, value, true);
  Variant strict = Variant::Null();
  DateTimeEditValuesToVariant(values, elements, strict, false);
  std::string stepped;
  int length = 0, position = static_cast<int>(size % 17);
  DateTimeEditStepElement(text, templ, (size & 1) != 0, stepped, length, position);
  return 0;
}
