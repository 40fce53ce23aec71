// Text from users reaches DrawText with every layout flag: prefixes, tabs, breaks, ellipses.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/os/wingdi.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static HDC dc = [] {
    FanoSetTestFont(TRUE);
    HDC d = FanoCreateRecordingDC(64, 48);
    FanoRecordStop(d);
    SelectObject(d, CreateFontA(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "FanoTest"));
    return d;
  }();
  if (size < 8) return 0;
  uint32_t flags;
  std::memcpy(&flags, data, 4);
  RECT r{0, 0, data[4] % 80, data[5] % 60};
  SetTextAlign(dc, data[6] & TA_MASK);
  DRAWTEXTPARAMS p{sizeof(DRAWTEXTPARAMS), data[7] % 9, data[7] % 5, data[7] % 7, 0};
  const char* text = reinterpret_cast<const char*>(data + 8);
  int n = static_cast<int>(size - 8);
  DrawTextExA(dc, text, n, &r, flags & ~static_cast<uint32_t>(DT_MODIFYSTRING), &p);
  RECT calc{0, 0, data[4] % 80, 0};
  DrawTextA(dc, text, n, &calc, (flags | DT_CALCRECT) & ~static_cast<uint32_t>(DT_TABSTOP));
  TextOutA(dc, data[4] % 64, data[5] % 48, text, n);
  SIZE s;
  int fit = 0;
  GetTextExtentExPointA(dc, text, n, data[4], &fit, nullptr, &s);
  return 0;
}
