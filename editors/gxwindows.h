#pragma once
// GxPlatform's window-system part: text drawing, message forwarders, rectangles, regions and
// bitmaps, through which the editors and the data grid reach the window system. (Its other part,
// comparisons and variant conversions, is editors/gxplatform.h.)
#include <string_view>
#include <vector>

#include "platform/forms/geometry.h"
#include "platform/forms/graphics.h"
#include "platform/os/wingdi.h"
#include "platform/os/winuser.h"

// DrawText on the text's first `length` bytes (-1, or a length past the text: all of it); the
// rectangle is updated as DrawText updates it. Answers the height of the text drawn.
int DrawTextGx(HDC dc, std::string_view text, int length, TRect& rect, UINT format);
// DrawTextEx with a copy of the parameter record (null: none).
int DrawTextExGx(HDC dc, std::string_view text, int length, TRect& rect, UINT format, const DRAWTEXTPARAMS* params);
// ExtTextOut without a character-spacing array.
bool ExtTextOutGx(HDC dc, int x, int y, UINT options, const TRect* clip, std::string_view text, int length);
UINT GetOutlineTextMetricsGx(HDC dc, UINT size, OUTLINETEXTMETRICA* buffer);

LRESULT SendStructMessage(HWND wnd, UINT msg, WPARAM wParam, const void* data);
// The text goes as a zero-terminated copy in LParam.
LRESULT SendTextMessage(HWND wnd, UINT msg, WPARAM wParam, std::string_view text);
// EM_GETSEL into the two positions (either may be null).
void SendGetSelMessage(HWND wnd, int* selStart, int* selEnd);
bool SystemParametersInfoGx(UINT action, UINT param, void* data, UINT winIni);

// Null rectangles mean the whole client area.
bool WindowsInvalidateRect(HWND wnd, const TRect* rect, bool erase);
bool WindowsValidateRect(HWND wnd, const TRect* rect);
// ScrollWindowEx without an update region.
int WindowsScrollWindowEx(HWND wnd, int dx, int dy, const TRect* scroll, const TRect* clip, TRect* update, UINT flags);
bool WindowsScrollWindow(HWND wnd, int dx, int dy, const TRect* scroll, const TRect* clip);

inline TRect CopyRectGx(const TRect& r) { return r; }
inline void CopyRectGx(TRect& dest, const TRect& source) { dest = source; }
inline TRect EmptyRectGx() { return TRect(0, 0, 0, 0); }
// Both corners from logical to device coordinates.
void WindowsLPtoDP(HDC dc, TRect& rect);
// The first `count` points (never more than there are) as a polygon region.
HRGN WindowsCreatePolygonRgn(const std::vector<TPoint>& points, int count, int fillMode);

// A bitmap resource of the module (image data embedded under that name) into the bitmap.
void BitmapLoadFromResourceName(TBitmap* bitmap, HINSTANCE instance, std::string_view name);
// A bitmap by resource name, or a system bitmap by number with instance 0 (OBM_CHECKBOXES, the
// 4 x 3 grid of check boxes); 0 when there is none.
HBITMAP LoadBitmapGx(HINSTANCE instance, std::string_view name);
HBITMAP LoadBitmapGx(HINSTANCE instance, int ordinal);
constexpr int OBM_CHECKBOXES = 32759;
