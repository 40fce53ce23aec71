// Image data from outside (picture fields, resource files): PNG, JPEG and BMP readers.
#include <cstddef>
#include <cstdint>

#include "platform/os/wingdi.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  HBITMAP bm = FanoLoadImageMemory(data, size, 0xFFFFFF);
  if (bm) DeleteObject(bm);
  return 0;
}
