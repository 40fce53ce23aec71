// Input method contexts of windows: a window's context is the window itself; detaching it turns
// the input method off for that window. Open and conversion states are kept per window, so that
// controls which switch them per field see them where they set them.
#include "platform/os/wm_internal.h"

using namespace fano_os::wm;

namespace {

Window* ContextWindow(HIMC imc) {
  Window* w = FromHandle(static_cast<HWND>(imc));
  return w && !w->imeDetached ? w : nullptr;
}

}  // namespace

extern "C" {

HIMC ImmGetContext(HWND wnd) {
  Window* w = FromHandle(wnd);
  return w && !w->imeDetached ? static_cast<HIMC>(wnd) : nullptr;
}

BOOL ImmReleaseContext(HWND wnd, HIMC) { return FromHandle(wnd) != nullptr; }

HIMC ImmAssociateContext(HWND wnd, HIMC imc) {
  Window* w = FromHandle(wnd);
  if (!w) return nullptr;
  HIMC previous = w->imeDetached ? nullptr : static_cast<HIMC>(wnd);
  w->imeDetached = imc == nullptr;
  return previous;
}

BOOL ImmSetOpenStatus(HIMC imc, BOOL open) {
  Window* w = ContextWindow(imc);
  if (!w) return FALSE;
  w->imeOpen = open != FALSE;
  return TRUE;
}

BOOL ImmGetOpenStatus(HIMC imc) {
  Window* w = ContextWindow(imc);
  return w && w->imeOpen;
}

BOOL ImmSetConversionStatus(HIMC imc, DWORD conversion, DWORD sentence) {
  Window* w = ContextWindow(imc);
  if (!w) return FALSE;
  w->imeConversion = conversion;
  w->imeSentence = sentence;
  return TRUE;
}

BOOL ImmGetConversionStatus(HIMC imc, DWORD* conversion, DWORD* sentence) {
  Window* w = ContextWindow(imc);
  if (!w) return FALSE;
  if (conversion) *conversion = w->imeConversion;
  if (sentence) *sentence = w->imeSentence;
  return TRUE;
}

}  // extern "C"
