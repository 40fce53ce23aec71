#include "editors/gxwindows.h"

#include <algorithm>
#include <string>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/resources.h"

namespace {
int UsedLength(std::string_view text, int length) {
  return length < 0 || static_cast<size_t>(length) > text.size() ? static_cast<int>(text.size()) : length;
}
}  // namespace

int DrawTextGx(HDC dc, std::string_view text, int length, TRect& rect, UINT format) {
  RECT r = rect;
  int h = DrawTextA(dc, text.data(), UsedLength(text, length), &r, format);
  rect = r;
  return h;
}

int DrawTextExGx(HDC dc, std::string_view text, int length, TRect& rect, UINT format, const DRAWTEXTPARAMS* params) {
  RECT r = rect;
  DRAWTEXTPARAMS copy{};
  if (params) copy = *params;
  int h = DrawTextExA(dc, text.data(), UsedLength(text, length), &r, format, params ? &copy : nullptr);
  rect = r;
  return h;
}

bool ExtTextOutGx(HDC dc, int x, int y, UINT options, const TRect* clip, std::string_view text, int length) {
  RECT r{};
  if (clip) r = *clip;
  return ExtTextOutA(dc, x, y, options, clip ? &r : nullptr, text.data(), static_cast<UINT>(UsedLength(text, length)),
                     nullptr) != 0;
}

UINT GetOutlineTextMetricsGx(HDC dc, UINT size, OUTLINETEXTMETRICA* buffer) {
  return GetOutlineTextMetricsA(dc, size, buffer);
}

LRESULT SendStructMessage(HWND wnd, UINT msg, WPARAM wParam, const void* data) {
  return SendMessage(wnd, msg, wParam, reinterpret_cast<LPARAM>(data));
}

LRESULT SendTextMessage(HWND wnd, UINT msg, WPARAM wParam, std::string_view text) {
  std::string copy(text);
  return SendMessage(wnd, msg, wParam, reinterpret_cast<LPARAM>(copy.c_str()));
}

void SendGetSelMessage(HWND wnd, int* selStart, int* selEnd) {
  DWORD start = 0, end = 0;
  SendMessage(wnd, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  if (selStart) *selStart = static_cast<int>(start);
  if (selEnd) *selEnd = static_cast<int>(end);
}

bool SystemParametersInfoGx(UINT action, UINT param, void* data, UINT winIni) {
  return SystemParametersInfo(action, param, data, winIni) != 0;
}

bool WindowsInvalidateRect(HWND wnd, const TRect* rect, bool erase) {
  RECT r{};
  if (rect) r = *rect;
  return InvalidateRect(wnd, rect ? &r : nullptr, erase) != 0;
}

bool WindowsValidateRect(HWND wnd, const TRect* rect) {
  RECT r{};
  if (rect) r = *rect;
  return ValidateRect(wnd, rect ? &r : nullptr) != 0;
}

int WindowsScrollWindowEx(HWND wnd, int dx, int dy, const TRect* scroll, const TRect* clip, TRect* update, UINT flags) {
  RECT s{}, c{}, u{};
  if (scroll) s = *scroll;
  if (clip) c = *clip;
  int r = ScrollWindowEx(wnd, dx, dy, scroll ? &s : nullptr, clip ? &c : nullptr, nullptr, update ? &u : nullptr, flags);
  if (update) *update = u;
  return r;
}

bool WindowsScrollWindow(HWND wnd, int dx, int dy, const TRect* scroll, const TRect* clip) {
  RECT s{}, c{};
  if (scroll) s = *scroll;
  if (clip) c = *clip;
  return ScrollWindow(wnd, dx, dy, scroll ? &s : nullptr, clip ? &c : nullptr) != 0;
}

void WindowsLPtoDP(HDC dc, TRect& rect) {
  POINT pts[2] = {{rect.Left, rect.Top}, {rect.Right, rect.Bottom}};
  LPtoDP(dc, pts, 2);
  rect = TRect(pts[0].x, pts[0].y, pts[1].x, pts[1].y);
}

HRGN WindowsCreatePolygonRgn(const std::vector<TPoint>& points, int count, int fillMode) {
  count = std::clamp(count, 0, static_cast<int>(points.size()));
  std::vector<POINT> copy(points.begin(), points.begin() + count);
  return CreatePolygonRgn(copy.data(), count, fillMode);
}

void BitmapLoadFromResourceName(TBitmap* bitmap, HINSTANCE instance, std::string_view name) {
  if (bitmap) bitmap->LoadFromResourceName(instance, name);
}

namespace {

// The system's check-box bitmap: four states across (unchecked, checked, pushed, pushed
// checked), three rows (check boxes, radio buttons, three-state boxes), 13 pixels each.
HBITMAP CheckBoxesBitmap() {
  constexpr int cell = 13;
  HBITMAP b = CreateBitmap(cell * 4, cell * 3, 1, 32, nullptr);
  if (!b) return nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, b);
  RECT all{0, 0, cell * 4, cell * 3};
  FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
  static const UINT rows[3] = {DFCS_BUTTONCHECK, DFCS_BUTTONRADIO, DFCS_BUTTON3STATE};
  static const UINT states[4] = {0, DFCS_CHECKED, DFCS_PUSHED, DFCS_PUSHED | DFCS_CHECKED};
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col < 4; ++col) {
      RECT r{col * cell, row * cell, (col + 1) * cell, (row + 1) * cell};
      DrawFrameControl(dc, &r, DFC_BUTTON, rows[row] | states[col]);
    }
  SelectObject(dc, old);
  DeleteDC(dc);
  return b;
}

}  // namespace

HBITMAP LoadBitmapGx(HINSTANCE, std::string_view name) {
  const TResourceBlob* blob = FindResourceBlob(name);
  if (!blob) return nullptr;
  return FanoLoadImageMemory(blob->Data, blob->Size, RGB(255, 255, 255));
}

HBITMAP LoadBitmapGx(HINSTANCE instance, int ordinal) {
  if (!instance && ordinal == OBM_CHECKBOXES) return CheckBoxesBitmap();
  return LoadBitmapGx(instance, "#" + std::to_string(ordinal));
}
