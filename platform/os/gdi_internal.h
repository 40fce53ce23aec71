#pragma once
// What the window manager needs from the drawing layer beyond the public interface (C++, never
// crosses the library boundary). CreateSurfaceDC and RestrictSurfaceDC are declared in surface.h.
#include <pixman.h>

#include <cstdint>
#include <vector>

#include "platform/os/surface.h"
#include "platform/os/wingdi.h"

// These functions are exported (default visibility) so that the tests can drive them; they are
// still internal: C++ and unstable, not part of the C interface.
#ifndef FANO_OS_INTERNAL
#define FANO_OS_INTERNAL __attribute__((visibility("default")))
#endif

namespace fano_os {

// The pixman region inside a region handle (owned by the region; null for a bad handle). Valid
// until the region is deleted or changed.
FANO_OS_INTERNAL const pixman_region32_t* RegionPixman(HRGN rgn);
// A new region handle holding a copy of `src` (0 on failure).
FANO_OS_INTERNAL HRGN CreateRegionFromPixman(const pixman_region32_t* src);
// Replaces the contents of a region handle.
FANO_OS_INTERNAL bool SetRegionFromPixman(HRGN rgn, const pixman_region32_t* src);

// Destroys a DC obtained through CreateSurfaceDC (ReleaseDC, EndPaint).
FANO_OS_INTERNAL void ReleaseSurfaceDC(HDC dc);
// Every DC drawing on `surface` becomes inert; call before the surface is freed.
FANO_OS_INTERNAL void DetachSurfaceDCs(const Surface* surface);
// The window a surface DC belongs to (0 for memory and screen DCs and bad handles).
FANO_OS_INTERNAL HWND SurfaceDCOwner(HDC dc);
// The part of its surface a window DC may draw on (surface coordinates); false for memory DCs and
// bad handles.
FANO_OS_INTERNAL bool SurfaceDCArea(HDC dc, pixman_region32_t* out);
// The surface and device origin of a DC (memory DCs: the selected bitmap); false for bad handles.
FANO_OS_INTERNAL bool DCSurface(HDC dc, Surface** surface, POINT* origin);

// Inverts (XOR 0xFFFFFF) the pixels of `r` (surface coordinates) inside `clip` (all of the surface
// when null). Twice restores them: the caret.
FANO_OS_INTERNAL void XorSurfaceRect(Surface* surface, const RECT& r, const pixman_region32_t* clip);

// PNG of a surface, for snapshots.
FANO_OS_INTERNAL bool WriteSurfacePng(const Surface& surface, const char* path);
FANO_OS_INTERNAL bool EncodeSurfacePng(const Surface& surface, std::vector<uint8_t>* out);

// The system colour table (GetSysColor without the handle checks).
FANO_OS_INTERNAL COLORREF SysColor(int index);

// The size the screen reports through GetDeviceCaps(HORZRES/VERTRES); the window manager sets it
// from its desktop surface (1024 x 768 until then).
FANO_OS_INTERNAL void SetDesktopSize(int width, int height);

}  // namespace fano_os
