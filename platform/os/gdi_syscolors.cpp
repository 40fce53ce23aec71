// System colours: the table behind GetSysColor, its stock brushes and SetSysColors.
#include "platform/os/gdi_core.h"
#include "platform/os/gdi_internal.h"
#include "platform/os/messages.h"
#include "platform/os/wm_hooks.h"

namespace fano_os::gdi {

namespace {

// The classic scheme.
COLORREF g_colors[FANO_SYSCOLOR_COUNT] = {
    RGB(212, 208, 200),  // COLOR_SCROLLBAR
    RGB(58, 110, 165),   // COLOR_BACKGROUND
    RGB(10, 36, 106),    // COLOR_ACTIVECAPTION
    RGB(128, 128, 128),  // COLOR_INACTIVECAPTION
    RGB(212, 208, 200),  // COLOR_MENU
    RGB(255, 255, 255),  // COLOR_WINDOW
    RGB(0, 0, 0),        // COLOR_WINDOWFRAME
    RGB(0, 0, 0),        // COLOR_MENUTEXT
    RGB(0, 0, 0),        // COLOR_WINDOWTEXT
    RGB(255, 255, 255),  // COLOR_CAPTIONTEXT
    RGB(212, 208, 200),  // COLOR_ACTIVEBORDER
    RGB(212, 208, 200),  // COLOR_INACTIVEBORDER
    RGB(128, 128, 128),  // COLOR_APPWORKSPACE
    RGB(10, 36, 106),    // COLOR_HIGHLIGHT
    RGB(255, 255, 255),  // COLOR_HIGHLIGHTTEXT
    RGB(212, 208, 200),  // COLOR_BTNFACE
    RGB(128, 128, 128),  // COLOR_BTNSHADOW
    RGB(128, 128, 128),  // COLOR_GRAYTEXT
    RGB(0, 0, 0),        // COLOR_BTNTEXT
    RGB(212, 208, 200),  // COLOR_INACTIVECAPTIONTEXT
    RGB(255, 255, 255),  // COLOR_BTNHIGHLIGHT
    RGB(64, 64, 64),     // COLOR_3DDKSHADOW
    RGB(212, 208, 200),  // COLOR_3DLIGHT
    RGB(0, 0, 0),        // COLOR_INFOTEXT
    RGB(255, 255, 225),  // COLOR_INFOBK
    RGB(181, 181, 181),  // 25 (unused)
    RGB(0, 0, 128),      // COLOR_HOTLIGHT
    RGB(166, 202, 240),  // COLOR_GRADIENTACTIVECAPTION
    RGB(192, 192, 192),  // COLOR_GRADIENTINACTIVECAPTION
    RGB(49, 106, 197),   // COLOR_MENUHILIGHT
    RGB(236, 233, 216),  // COLOR_MENUBAR
};

}  // namespace

COLORREF SysColor(int index) {
  if (index < 0 || index >= FANO_SYSCOLOR_COUNT) return 0;
  return g_colors[index];
}

}  // namespace fano_os::gdi

namespace fano_os {
COLORREF SysColor(int index) {
  FANO_GDI_LOCK;
  return gdi::SysColor(index);
}
}  // namespace fano_os

using namespace fano_os::gdi;
using fano_os::Surface;

extern "C" {

DWORD GetSysColor(int index) {
  FANO_GDI_LOCK;
  return SysColor(index);
}

HBRUSH GetSysColorBrush(int index) {
  FANO_GDI_LOCK;
  return HandleOf(SysColorBrushObj(index).get());
}

BOOL SetSysColors(int count, const int* indexes, const COLORREF* colors) {
  {
    FANO_GDI_LOCK;
    if (count < 0 || (count > 0 && (!indexes || !colors))) return FALSE;
    for (int i = 0; i < count; ++i)
      if (indexes[i] < 0 || indexes[i] >= FANO_SYSCOLOR_COUNT) return FALSE;
    for (int i = 0; i < count; ++i) g_colors[indexes[i]] = colors[i] & 0xFFFFFF;
  }
  // Outside the lock: the windows' handlers may draw.
  fano_os::BroadcastSystemChange(WM_SYSCOLORCHANGE);
  return TRUE;
}

}  // extern "C"
