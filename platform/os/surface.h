#pragma once
// Internal contract between the window manager and the drawing layer of the OS stand-in (C++,
// never crosses the library boundary). Pixels are 32-bit COLORREF values (0x00BBGGRR), row-major.
#include <pixman.h>

#include <cstdint>
#include <vector>

#include "platform/os/wintypes.h"

namespace fano_os {

struct Surface {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;  // width * height COLORREF values
  bool monochrome = false;       // 1-bit bitmaps keep 0x000000 / 0xFFFFFF only

  void Resize(int w, int h, uint32_t fill = 0xFFFFFF) {
    width = w < 0 ? 0 : w;
    height = h < 0 ? 0 : h;
    pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), fill);
  }
  uint32_t* Row(int y) { return pixels.data() + static_cast<size_t>(y) * width; }
};

// Where a window's device context draws: the surface of its top-level window, the position of
// the DC's origin (client or window origin) in that surface, and the part of the surface it may
// touch (after clipping by parents, and by children and siblings as the window's styles ask).
struct WindowDrawTarget {
  Surface* surface = nullptr;
  POINT origin{0, 0};
  pixman_region32_t visible;  // surface coordinates; the caller owns and finalises it
};

// Implemented by the window manager. nonClient: origin at the window's top-left instead of its
// client area, visible area including the non-client area.
bool GetWindowDrawTarget(HWND wnd, bool nonClient, WindowDrawTarget* out);

// Implemented by the drawing layer: a device context over a surface. `visible` (surface
// coordinates) bounds everything the DC draws, whatever clip region is selected later; it is
// copied. `owner` is the window the DC belongs to (0 for memory and screen DCs).
HDC CreateSurfaceDC(Surface* surface, POINT origin, const pixman_region32_t* visible, HWND owner);
// Limits an existing window DC further (BeginPaint's update region), in surface coordinates.
void RestrictSurfaceDC(HDC dc, const pixman_region32_t* area);

}  // namespace fano_os
