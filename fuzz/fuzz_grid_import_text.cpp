// Tab-separated text pasted into a data grid: malformed data raises Exception, nothing crashes, and the
// data set gets its controls back.
#include "grid_import_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return gridimportfuzz::Run<TDBGridGxImportAsText>(data, size);
}
