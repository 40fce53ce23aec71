#include "editors/gxdraw.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/rtl/sysutils.h"

namespace {

int Channel(double v) { return static_cast<int>(std::clamp<double>(RoundHalfEven(v), 0.0, 255.0)); }

struct RgbParts {
  int r, g, b;
};

RgbParts ToRgb(TColor c) {
  COLORREF v = ColorToRGB(c) & 0x00FFFFFFu;
  return {GetRValue(v), GetGValue(v), GetBValue(v)};
}

// The colour at step i of n steps from `from` to `to` (step 0 is `from`); one step only: `from`.
// The step of each channel is divided first and then multiplied, so that a half falls where it
// should: 45 / 10 * 7 is 31.5 (to 32), 45 * (7 / 10) a little less (to 31).
TColor Step(const RgbParts& from, const RgbParts& to, int i, int n) {
  if (n <= 1) return static_cast<TColor>(RGB(from.r, from.g, from.b));
  auto channel = [&](int f, int t) { return Channel(f - static_cast<double>(f - t) / (n - 1) * i); };
  return static_cast<TColor>(RGB(channel(from.r, to.r), channel(from.g, to.g), channel(from.b, to.b)));
}

}  // namespace

TColor MixColors(TColor color1, TColor color2, int percent) {
  RgbParts a = ToRgb(color1), b = ToRgb(color2);
  auto mix = [percent](int c1, int c2) { return Channel((c2 - c1) * percent / 100.0 + c1); };
  return static_cast<TColor>(RGB(mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b)));
}

void FillGradient(TCanvas* canvas, const TRect& rect, TColor from, TColor to) {
  if (!canvas) return;
  RgbParts f = ToRgb(from), t = ToRgb(to);
  int height = rect.Height();
  // A rectangle one row high has no step to take: it gets the start colour.
  for (int row = 0; row < height; ++row) {
    canvas->Pen()->SetColor(Step(f, t, row, height));
    canvas->Rectangle(rect.Left, rect.Top + row, rect.Right, rect.Top + row + 1);
  }
}

void DrawGradientEx(TCanvas* canvas, const TPoint& origin, const std::vector<TPoint>& points, TColor from, TColor to) {
  if (!canvas) return;
  RgbParts f = ToRgb(from), t = ToRgb(to);
  int pairs = static_cast<int>(points.size() / 2);  // an unpaired last point is left out
  // One pair: the start colour (no step to divide by).
  for (int i = 0; i < pairs; ++i) {
    canvas->Pen()->SetColor(Step(f, t, i, pairs));
    canvas->Polyline({origin + points[static_cast<size_t>(2 * i)], origin + points[static_cast<size_t>(2 * i + 1)]});
  }
}

void DrawImageInRect(HDC dc, const TRect& rect, TCustomImageList* images, int index, bool selected) {
  if (!images || !images->HandleAllocated()) return;
  int x = rect.Left + (rect.Width() - images->Width()) / 2;
  int y = rect.Top + (rect.Height() - images->Height()) / 2;
  bool inside = x >= rect.Left && y >= rect.Top && x + images->Width() <= rect.Right && y + images->Height() <= rect.Bottom;
  int saved = 0;
  if (!inside) {
    saved = SaveDC(dc);
    IntersectClipRect(dc, rect.Left, rect.Top, rect.Right, rect.Bottom);
  }
  COLORREF blend = selected ? (ColorToRGB(clHighlight) & 0x00FFFFFFu) : ImageListColor(images->BlendColor());
  UINT style = images->ImageType() == itMask ? ILD_MASK : ILD_NORMAL;
  if (selected) style |= ILD_BLEND50;
  ImageList_DrawEx(images->Handle(), index, dc, x, y, 0, 0, ImageListColor(images->BkColor()), blend, style);
  if (!inside) RestoreDC(dc, saved);
}

void DrawButtonGlyph(TCanvas* canvas, const TRect& rect, int kind, bool shift, double vertScale, double horzScale,
                     bool dotPhase) {
  if (!canvas || kind < 0 || kind > 9) return;
  HDC dc = canvas->Handle();
  int cx = (rect.Left + rect.Right) / 2;
  int cy = (rect.Top + rect.Bottom) / 2;
  int halfW = static_cast<int>(RoundHalfEven(4 * horzScale));
  int halfH = static_cast<int>(RoundHalfEven(4 * vertScale));
  int step = 2 * std::max(1, canvas->Pen()->Width());
  std::vector<POINT> pts;
  std::vector<DWORD> counts;
  // A dotted line of one-pixel dots; the dots of every row fall on one checkerboard.
  auto dotted = [&](int x1, int y1, int x2, int y2) {  // end point excluded
    bool horizontal = y1 == y2;
    int length = horizontal ? x2 - x1 : y2 - y1;
    bool parity = ((x1 ^ y1) & 1) != 0;
    if (dotPhase != parity) {
      if (horizontal) ++x1;
      else ++y1;
      --length;
    }
    for (int d = 0; d < length; d += step) {
      int x = horizontal ? x1 + d : x1, y = horizontal ? y1 : y1 + d;
      pts.push_back(POINT{x, y});
      pts.push_back(POINT{horizontal ? x + 1 : x, horizontal ? y : y + 1});
      counts.push_back(2);
    }
  };
  bool box = kind <= 5;
  int boxLeft = cx - halfW - (shift ? 1 : 0), boxRight = cx + halfW - (shift ? 1 : 0);
  int boxTop = cy - halfH, boxBottom = cy + halfH;
  if (box) {
    dotted(boxRight + 1, cy, rect.Right, cy);
    if (kind == 0 || kind == 1 || kind == 3 || kind == 4) dotted(cx, rect.Top, cx, boxTop);
    if (kind == 0 || kind == 2 || kind == 3 || kind == 5) dotted(cx, boxBottom + 1, cx, rect.Bottom);
  } else {
    int top = kind == 8 ? cy : rect.Top;
    int bottom = kind == 7 ? cy + 1 : rect.Bottom;
    dotted(cx, top, cx, bottom);
    if (kind != 9) dotted(cx, cy, rect.Right, cy);
  }
  if (!pts.empty()) {
    HPEN pen = CreatePen(PS_SOLID, 1, ColorToRGB(clBtnShadow) & 0xFFFFFF);
    HGDIOBJ old = SelectObject(dc, pen);
    PolyPolyline(dc, pts.data(), counts.data(), static_cast<DWORD>(counts.size()));
    SelectObject(dc, old);
    DeleteObject(pen);
  }
  if (!box) return;
  RECT r{boxLeft, boxTop, boxRight + 1, boxBottom + 1};
  FillRect(dc, &r, GetSysColorBrush(COLOR_WINDOW));
  FrameRect(dc, &r, GetSysColorBrush(COLOR_BTNSHADOW));
  int barX = static_cast<int>(RoundHalfEven(2 * horzScale));
  int barY = static_cast<int>(RoundHalfEven(2 * vertScale));
  HPEN text = CreatePen(PS_SOLID, 1, ColorToRGB(clWindowText) & 0xFFFFFF);
  HGDIOBJ old = SelectObject(dc, text);
  MoveToEx(dc, boxLeft + barX, cy, nullptr);
  LineTo(dc, boxRight - barX + 1, cy);
  if (kind >= 3) {
    int vx = cx - (shift ? 1 : 0);
    MoveToEx(dc, vx, boxTop + barY, nullptr);
    LineTo(dc, vx, boxBottom - barY + 1);
  }
  SelectObject(dc, old);
  DeleteObject(text);
  canvas->Refresh();  // the objects selected behind the canvas's back are gone
}

namespace {

// Takes the first queued left-button message of the window when it is a press (or double-click)
// that `accept` takes; the point is in the window's client coordinates.
template <class Accept>
bool TakePendingPress(TWinControl* window, Accept accept) {
  if (!window || !window->HandleAllocated()) return false;
  HWND wnd = window->WindowHandle();
  MSG msg;
  if (!PeekMessage(&msg, wnd, WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, PM_NOREMOVE)) return false;
  if (msg.message != WM_LBUTTONDOWN && msg.message != WM_LBUTTONDBLCLK) return false;
  if (!accept(LParamToPoint(msg.lParam))) return false;
  PeekMessage(&msg, wnd, msg.message, msg.message, PM_REMOVE);
  return true;
}

bool PendingPress(TControl* control, bool checkClient) {
  if (!control) return false;
  auto* win = dynamic_cast<TWinControl*>(control);
  TWinControl* owner = win ? win : control->Parent();
  return TakePendingPress(owner, [&](TPoint p) {
    if (!win) {
      // A windowless control: the press must fall on it, not on a sibling.
      if (owner->ControlAtPos(p, false) != control) return false;
      p = p - TPoint(control->Left(), control->Top());
    }
    return !checkClient || control->ClientRect().Contains(p);
  });
}

}  // namespace

bool IsMouseDownPending(TControl* control) { return PendingPress(control, true); }

bool IsMouseDownPendingAt(TControl* control) { return PendingPress(control, false); }

bool IsMouseDownPendingIn(TWinControl* window, const TRect& area) {
  return TakePendingPress(window, [&](TPoint p) { return area.Contains(p); });
}

bool IsDoubleClick(const TPoint& p1, const TPoint& p2, uint32_t elapsedMs) {
  return elapsedMs <= GetDoubleClickTime() && std::abs(p1.X - p2.X) <= GetSystemMetrics(SM_CXDOUBLECLK) &&
         std::abs(p1.Y - p2.Y) <= GetSystemMetrics(SM_CYDOUBLECLK);
}
