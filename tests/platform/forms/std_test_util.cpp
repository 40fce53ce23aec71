#include "std_test_util.h"

#include <cstring>

#include "platform/rtl/strings.h"

namespace formstest {

void ClipboardText(const std::string& text) {
  std::u16string w = Utf8ToUtf16(text);
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, (w.size() + 1) * sizeof(char16_t));
  std::memcpy(GlobalLock(mem), w.c_str(), (w.size() + 1) * sizeof(char16_t));
  GlobalUnlock(mem);
  SetClipboardData(CF_UNICODETEXT, mem);
  CloseClipboard();
}

std::string ClipboardText() {
  std::string out;
  if (!OpenClipboard(nullptr)) return out;
  if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
    const auto* p = static_cast<const char16_t*>(GlobalLock(h));
    if (p) out = Utf16ToUtf8(std::u16string(p));
    GlobalUnlock(h);
  }
  CloseClipboard();
  return out;
}

}  // namespace formstest
