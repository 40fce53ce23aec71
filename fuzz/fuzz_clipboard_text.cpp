// Clipboard text from anywhere (another program, a paste): any bytes put in as CF_TEXT or as
// CF_UNICODETEXT, with or without a terminator, come back out in the other text format terminated
// at the end of its block.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/os/winuser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool init = [] {
    FanoUseHeadless();
    return true;
  }();
  (void)init;
  if (size < 1) return 0;
  UINT format = (data[0] & 1) ? CF_UNICODETEXT : CF_TEXT;
  if (!OpenClipboard(nullptr)) return 0;
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, size - 1);
  if (size > 1) {
    memcpy(GlobalLock(h), data + 1, size - 1);
    GlobalUnlock(h);
  }
  SetClipboardData(format, h);
  CloseClipboard();
  if (!OpenClipboard(nullptr)) return 0;
  UINT other = format == CF_TEXT ? CF_UNICODETEXT : CF_TEXT;
  HGLOBAL made = GetClipboardData(other);
  if (made) {
    // A block made from the other format always ends with its terminator.
    size_t n = GlobalSize(made);
    const uint8_t* p = static_cast<const uint8_t*>(GlobalLock(made));
    if (other == CF_UNICODETEXT) {
      if (n < 2 || p[n - 1] != 0 || p[n - 2] != 0) abort();
    } else if (n < 1 || p[n - 1] != 0) {
      abort();
    }
    GlobalUnlock(made);
  }
  CloseClipboard();
  return 0;
}
