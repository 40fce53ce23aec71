#pragma once
// What the drawing layer calls in the window manager (C++, never crosses the library boundary).
#include "platform/os/wintypes.h"

#ifndef FANO_OS_INTERNAL
#define FANO_OS_INTERNAL __attribute__((visibility("default")))
#endif

namespace fano_os {

// Tells the windows of a system-wide change: WM_SYSCOLORCHANGE goes to every top-level window,
// WM_THEMECHANGED and WM_SETTINGCHANGE to every window. Windows of other threads get it posted.
FANO_OS_INTERNAL void BroadcastSystemChange(UINT msg);

}  // namespace fano_os
