// String-list texts: whatever the bytes, reading comma text, delimited text and Text never fails,
// and what was read is written back so that reading it again gives the same items.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/rtl/lists.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view s(reinterpret_cast<const char*>(data), size);
  TStringList a, b;
  a.SetCommaText(s);
  b.SetCommaText(a.CommaText());
  if (!a.Equals(&b)) std::abort();

  a.SetDelimiter(';');
  a.SetQuoteChar('\'');
  a.SetDelimitedText(s);
  b.SetDelimiter(';');
  b.SetQuoteChar('\'');
  b.SetDelimitedText(a.DelimitedText());
  if (!a.Equals(&b)) std::abort();

  a.SetText(s);
  b.SetText(a.Text());
  if (!a.Equals(&b)) std::abort();

  // Sorting keeps the items (duplicates included) in order.
  int count = a.Count();
  a.SetSorted(true);
  if (a.Count() != count) std::abort();
  for (int i = 1; i < a.Count(); ++i)
    if (a.CompareStrings(a[i - 1], a[i]) > 0) std::abort();
  return 0;
}
