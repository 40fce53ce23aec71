// Record stores read from component text: whatever the bytes, reading fills the store or raises an
// exception of the platform and never crashes; a store that was read holds one value per column in
// every record, writes itself again, and that text reads back to the same text.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "memtable/mtdata.h"
#include "memtable/mtrecords.h"
#include "platform/classes/filer.h"
#include "platform/rtl/exceptions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  TMemTableDataGx store(nullptr);
  try {
    ReadComponentText(&store, text, "fuzz");
  } catch (const Exception&) {
    return 0;
  }
  const int columns = store.DataStruct()->Count();
  for (const TMemoryRecordGx* r : store.RecordsList()->Records())
    if (r->FieldCount() != columns) std::abort();
  std::string written;
  try {
    written = WriteComponentText(&store);
  } catch (const Exception&) {
    return 0;  // an unassigned value in a variant column cannot be written
  }
  TMemTableDataGx again(nullptr);
  try {
    ReadComponentText(&again, written, "fuzz-again");
  } catch (const Exception&) {
    std::abort();  // what was written must read
  }
  if (WriteComponentText(&again) != written) std::abort();
  return 0;
}
