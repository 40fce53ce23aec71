// User-interface drawing helpers: FillRect, FrameRect, InvertRect, DrawFocusRect, DrawEdge and
// DrawFrameControl in the classic look, coloured from the system colours.
#include <algorithm>
#include <cmath>

#include "platform/os/gdi_core.h"

namespace fano_os::gdi {

namespace {

void FillDev(const Canvas& cv, int64_t l, int64_t t, int64_t r, int64_t b, COLORREF c) {
  uint32_t v = cv.mono ? ToMono(c) : (c & 0xFFFFFF);
  cv.ForBox(l, t, r, b, [v](uint32_t& px, int, int) { px = v; });
}

void FillSys(const Canvas& cv, int64_t l, int64_t t, int64_t r, int64_t b, int sys) {
  if (sys >= 0) FillDev(cv, l, t, r, b, SysColor(sys));
}

// One ring of DrawEdge: top-left colour on the left and top sides, bottom-right colour on the
// right and bottom sides (which cover the top-right and bottom-left corners).
void Ring(const Canvas& cv, const RECT& r, UINT flags, int lt, int rb) {
  if (r.right <= r.left || r.bottom <= r.top) return;
  if (flags & BF_LEFT) FillSys(cv, r.left, r.top, r.left + 1, r.bottom, lt);
  if (flags & BF_TOP) FillSys(cv, r.left, r.top, r.right, r.top + 1, lt);
  if (flags & BF_RIGHT) FillSys(cv, r.right - 1, r.top, r.right, r.bottom, rb);
  if (flags & BF_BOTTOM) FillSys(cv, r.left, r.bottom - 1, r.right, r.bottom, rb);
}

void Shrink(RECT& r, UINT flags) {
  if (flags & BF_LEFT) ++r.left;
  if (flags & BF_TOP) ++r.top;
  if (flags & BF_RIGHT) --r.right;
  if (flags & BF_BOTTOM) --r.bottom;
}

}  // namespace

// DrawEdge on a device rectangle; returns the interior.
RECT EdgeDev(const Canvas& cv, RECT r, UINT edge, UINT flags) {
  int ltOut = -1, ltIn = -1, rbOut = -1, rbIn = -1;
  UINT outer = edge & BDR_OUTER, inner = edge & BDR_INNER;
  if (flags & BF_MONO) {
    if (outer) ltOut = rbOut = COLOR_WINDOWFRAME;
    if (inner) ltIn = rbIn = COLOR_WINDOW;
  } else if (flags & BF_FLAT) {
    if (outer) ltOut = rbOut = COLOR_BTNSHADOW;
    if (inner) ltIn = rbIn = COLOR_BTNFACE;
  } else {
    bool soft = (flags & BF_SOFT) != 0;
    if (outer & BDR_RAISEDOUTER) {
      ltOut = soft ? COLOR_BTNHIGHLIGHT : COLOR_3DLIGHT;
      rbOut = COLOR_3DDKSHADOW;
    } else if (outer & BDR_SUNKENOUTER) {
      ltOut = soft ? COLOR_3DDKSHADOW : COLOR_BTNSHADOW;
      rbOut = COLOR_BTNHIGHLIGHT;
    }
    if (inner & BDR_RAISEDINNER) {
      ltIn = soft ? COLOR_3DLIGHT : COLOR_BTNHIGHLIGHT;
      rbIn = COLOR_BTNSHADOW;
    } else if (inner & BDR_SUNKENINNER) {
      ltIn = soft ? COLOR_BTNSHADOW : COLOR_3DDKSHADOW;
      rbIn = COLOR_3DLIGHT;
    }
  }
  if (flags & BF_DIAGONAL) {
    // A diagonal edge: one line from the start corner to the end corner named by the flags.
    int64_t x0 = (flags & BF_LEFT) ? r.right - 1 : r.left, x1 = (flags & BF_LEFT) ? r.left : r.right - 1;
    int64_t y0 = (flags & BF_TOP) ? r.bottom - 1 : r.top, y1 = (flags & BF_TOP) ? r.top : r.bottom - 1;
    int64_t n = std::min(std::abs(x1 - x0), std::abs(y1 - y0));
    int c = outer ? rbOut : rbIn;
    for (int64_t k = 0; k <= n && c >= 0; ++k)
      FillSys(cv, x0 + (x1 > x0 ? k : -k), y0 + (y1 > y0 ? k : -k), x0 + (x1 > x0 ? k : -k) + 1,
              y0 + (y1 > y0 ? k : -k) + 1, c);
    return r;
  }
  if (outer) {
    Ring(cv, r, flags, ltOut, rbOut);
    Shrink(r, flags);
  }
  if (inner) {
    Ring(cv, r, flags, ltIn, rbIn);
    Shrink(r, flags);
  }
  if (flags & BF_MIDDLE)
    FillSys(cv, r.left, r.top, r.right, r.bottom, (flags & (BF_MONO | BF_FLAT)) ? COLOR_WINDOW : COLOR_BTNFACE);
  return r;
}

namespace {

// A solid triangle pointing in `dir` (0 up, 1 down, 2 left, 3 right) with `a` rows, its base
// centred on (cx, cy).
void Arrow(const Canvas& cv, int dir, int64_t cx, int64_t cy, int a, COLORREF c) {
  int64_t top = cy - a / 2;
  int64_t left = cx - a / 2;
  for (int i = 0; i < a; ++i) {
    int w = 2 * (a - i) - 1;  // widest row first
    switch (dir) {
      case 1: FillDev(cv, cx - (w / 2), top + i, cx + w / 2 + 1, top + i + 1, c); break;
      case 0: FillDev(cv, cx - (w / 2), top + a - 1 - i, cx + w / 2 + 1, top + a - i, c); break;
      case 3: FillDev(cv, left + i, cy - (w / 2), left + i + 1, cy + w / 2 + 1, c); break;
      case 2: FillDev(cv, left + a - 1 - i, cy - (w / 2), left + a - i, cy + w / 2 + 1, c); break;
    }
  }
}

void ArrowGlyph(const Canvas& cv, const RECT& in, int dir, bool pushed, bool inactive) {
  int64_t iw = in.right - in.left, ih = in.bottom - in.top;
  if (iw <= 0 || ih <= 0) return;
  int a = static_cast<int>(std::max<int64_t>(1, (std::min(iw, ih) + 3) / 4));
  int64_t cx = in.left + iw / 2 + (pushed ? 1 : 0), cy = in.top + ih / 2 + (pushed ? 1 : 0);
  if (inactive) {
    Arrow(cv, dir, cx + 1, cy + 1, a, SysColor(COLOR_BTNHIGHLIGHT));
    Arrow(cv, dir, cx, cy, a, SysColor(COLOR_BTNSHADOW));
  } else {
    Arrow(cv, dir, cx, cy, a, SysColor(COLOR_BTNTEXT));
  }
}

// The check mark of a box interior of n x n pixels: a "V" as in a 9 x 9 interior, (1,3)-(3,5)-(7,1)
// three pixels thick, scaled. Every column under the mark gets its run of pixels, so the mark stays
// whole at any size (the slope is one pixel per column, never more than the thickness).
void CheckMark(const Canvas& cv, int64_t x0, int64_t y0, int n, COLORREF c) {
  if (n < 3) return;
  const double s = n / 9.0;
  const int thick = std::max(1, (3 * n + 4) / 9);
  const int first = static_cast<int>(std::floor(1 * s + 0.5 * (s - 1)));
  const int last = static_cast<int>(std::floor(7 * s + 0.5 * (s - 1) + 0.5));
  for (int col = first; col <= last; ++col) {
    double x = std::clamp((col + 0.5) / s - 0.5, 1.0, 7.0);  // the column's centre in 9-pixel units
    double y = x <= 3 ? x + 2 : 8 - x;
    int64_t top = static_cast<int64_t>(std::floor((y + 0.5) * s - 0.5 + 0.5));
    FillDev(cv, x0 + col, y0 + top, x0 + col + 1, y0 + top + thick, c);
  }
}

void CheckBox(const Canvas& cv, RECT r, UINT state) {
  int64_t w = r.right - r.left, h = r.bottom - r.top;
  int64_t s = std::min(w, h);
  if (s <= 0) return;
  RECT box{static_cast<LONG>(r.left + (w - s) / 2), static_cast<LONG>(r.top + (h - s) / 2), 0, 0};
  box.right = static_cast<LONG>(box.left + s);
  box.bottom = static_cast<LONG>(box.top + s);
  RECT in;
  if (state & DFCS_MONO) {
    Ring(cv, box, BF_RECT, COLOR_WINDOWFRAME, COLOR_WINDOWFRAME);
    in = RECT{box.left + 1, box.top + 1, box.right - 1, box.bottom - 1};
  } else if (state & DFCS_FLAT) {
    // A flat box under the pointer darkens its frame.
    int frame = (state & DFCS_HOT) ? COLOR_3DDKSHADOW : COLOR_BTNSHADOW;
    Ring(cv, box, BF_RECT, frame, frame);
    in = RECT{box.left + 1, box.top + 1, box.right - 1, box.bottom - 1};
  } else {
    in = EdgeDev(cv, box, EDGE_SUNKEN, BF_RECT);
  }
  bool grayed = (state & DFCS_BUTTON3STATE) && (state & DFCS_CHECKED);
  bool dim = (state & (DFCS_PUSHED | DFCS_INACTIVE)) != 0;
  if (state & DFCS_TRANSPARENT) {
    // The interior keeps what is under it (a grid cell's own background).
  } else if (grayed) {
    // A half-tone of face and highlight, like the original's dithered brush.
    COLORREF a = SysColor(COLOR_BTNFACE), b = SysColor(COLOR_BTNHIGHLIGHT);
    uint32_t va = cv.mono ? ToMono(a) : a, vb = cv.mono ? ToMono(b) : b;
    cv.ForBox(in.left, in.top, in.right, in.bottom, [&](uint32_t& px, int x, int y) { px = ((x + y) & 1) ? vb : va; });
  } else {
    FillSys(cv, in.left, in.top, in.right, in.bottom, dim ? COLOR_BTNFACE : COLOR_WINDOW);
  }
  if (state & DFCS_CHECKED) {
    COLORREF c = SysColor((grayed || (state & DFCS_INACTIVE)) ? COLOR_BTNSHADOW : COLOR_WINDOWTEXT);
    CheckMark(cv, in.left, in.top, static_cast<int>(std::min(in.right - in.left, in.bottom - in.top)), c);
  }
}

void RadioButton(const Canvas& cv, RECT r, UINT state) {
  int64_t w = r.right - r.left, h = r.bottom - r.top;
  int s = static_cast<int>(std::min(w, h));
  if (s <= 0) return;
  int l = static_cast<int>(r.left + (w - s) / 2), t = static_cast<int>(r.top + (h - s) / 2);
  auto ring = [&](int inset, int ltSys, int rbSys) {
    auto outer = EllipseRows(l + inset, t + inset, l + s - inset, t + s - inset);
    std::vector<pixman_box32_t> ob;
    ShapeBoxes(outer, t + inset, true, &ob);
    double c = l + s / 2.0;
    double cy = t + s / 2.0;
    for (const auto& b : ob)
      for (int x = b.x1; x < b.x2; ++x) {
        bool tl = (x + 0.5 - c) + (b.y1 + 0.5 - cy) < 0;
        FillSys(cv, x, b.y1, x + 1, b.y2, tl ? ltSys : rbSys);
      }
  };
  bool dim = (state & (DFCS_PUSHED | DFCS_INACTIVE)) != 0;
  auto body = EllipseRows(l, t, l + s, t + s);
  std::vector<pixman_box32_t> bb;
  ShapeBoxes(body, t, false, &bb);
  for (const auto& b : bb) FillSys(cv, b.x1, b.y1, b.x2, b.y2, dim ? COLOR_BTNFACE : COLOR_WINDOW);
  if (state & DFCS_MONO) {
    ring(0, COLOR_WINDOWFRAME, COLOR_WINDOWFRAME);
  } else if (state & DFCS_FLAT) {
    ring(0, COLOR_BTNSHADOW, COLOR_BTNSHADOW);
  } else {
    ring(0, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT);
    if (s > 4) ring(1, COLOR_3DDKSHADOW, COLOR_3DLIGHT);
  }
  if (state & DFCS_CHECKED) {
    int dot = std::max(2, s / 3);
    int dl = l + (s - dot) / 2, dt = t + (s - dot) / 2;
    auto rows = EllipseRows(dl, dt, dl + dot, dt + dot);
    std::vector<pixman_box32_t> db;
    ShapeBoxes(rows, dt, false, &db);
    int c = (state & DFCS_INACTIVE) ? COLOR_BTNSHADOW : COLOR_WINDOWTEXT;
    for (const auto& b : db) FillSys(cv, b.x1, b.y1, b.x2, b.y2, c);
  }
}

// A push button: raised; pushed or checked (a button that stays down) sunken, the checked face in
// a half-tone of face and highlight. Flat buttons show a thin frame, raised under the pointer
// (DFCS_HOT) and sunken when down; DFCS_TRANSPARENT leaves the face as it is.
void PushButton(const Canvas& cv, const RECT& v, UINT state) {
  const bool down = (state & (DFCS_PUSHED | DFCS_CHECKED)) != 0;
  const UINT middle = (state & DFCS_TRANSPARENT) ? 0 : BF_MIDDLE;
  RECT in;
  if (state & DFCS_MONO) {
    in = EdgeDev(cv, v, EDGE_RAISED, BF_RECT | middle | BF_MONO);
  } else if (state & DFCS_FLAT) {
    if (down) in = EdgeDev(cv, v, BDR_SUNKENOUTER, BF_RECT | middle);
    else if (state & DFCS_HOT) in = EdgeDev(cv, v, BDR_RAISEDINNER, BF_RECT | middle);
    else in = EdgeDev(cv, v, EDGE_RAISED, BF_RECT | middle | BF_FLAT);
  } else {
    in = EdgeDev(cv, v, down ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | middle | (down ? 0 : BF_SOFT));
  }
  if ((state & DFCS_CHECKED) && !(state & DFCS_PUSHED) && middle) {
    COLORREF a = SysColor(COLOR_BTNFACE), b = SysColor(COLOR_BTNHIGHLIGHT);
    uint32_t va = cv.mono ? ToMono(a) : a, vb = cv.mono ? ToMono(b) : b;
    cv.ForBox(in.left, in.top, in.right, in.bottom, [&](uint32_t& px, int x, int y) { px = ((x + y) & 1) ? vb : va; });
  }
}

RECT ButtonFace(const Canvas& cv, const RECT& r, UINT state) {
  if (state & DFCS_MONO) return EdgeDev(cv, r, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_MONO);
  if (state & (DFCS_FLAT | DFCS_PUSHED)) {
    // Pushed and flat buttons: a one-pixel shadow frame around the face.
    Ring(cv, r, BF_RECT, COLOR_BTNSHADOW, COLOR_BTNSHADOW);
    RECT in{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
    FillSys(cv, in.left, in.top, in.right, in.bottom, COLOR_BTNFACE);
    return RECT{r.left + 2, r.top + 2, r.right - 2, r.bottom - 2};
  }
  return EdgeDev(cv, r, EDGE_RAISED, BF_RECT | BF_MIDDLE);
}

void SizeGrip(const Canvas& cv, const RECT& r, bool right) {
  FillSys(cv, r.left, r.top, r.right, r.bottom, COLOR_BTNFACE);
  int64_t s = std::min(r.right - r.left, r.bottom - r.top);
  // Diagonal lines in groups of highlight, shadow, shadow, face, from the corner outwards.
  static const int kColors[4] = {COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW, COLOR_BTNSHADOW, COLOR_BTNFACE};
  for (int64_t k = 0; k < s; ++k) {
    int sys = kColors[k % 4];
    for (int64_t i = 0; i <= k; ++i) {
      int64_t y = r.bottom - 1 - (k - i);
      int64_t x = right ? r.right - 1 - i : r.left + i;
      FillSys(cv, x, y, x + 1, y + 1, sys);
    }
  }
}

void CaptionGlyph(const Canvas& cv, const RECT& in, UINT kind, COLORREF c) {
  int64_t w = in.right - in.left, h = in.bottom - in.top;
  int64_t s = std::min(w, h) - 2;
  if (s < 3) return;
  int64_t l = in.left + (w - s) / 2, t = in.top + (h - s) / 2;
  switch (kind & 0xFF) {
    case DFCS_CAPTIONCLOSE:
      for (int64_t k = 0; k < s; ++k) {
        FillDev(cv, l + k, t + k, l + k + 2, t + k + 1, c);
        FillDev(cv, l + s - 1 - k - 1, t + k, l + s - k, t + k + 1, c);
      }
      break;
    case DFCS_CAPTIONMIN:
      FillDev(cv, l, t + s - 2, l + s * 2 / 3, t + s, c);
      break;
    case DFCS_CAPTIONMAX:
      FillDev(cv, l, t, l + s, t + 2, c);
      FillDev(cv, l, t, l + 1, t + s, c);
      FillDev(cv, l + s - 1, t, l + s, t + s, c);
      FillDev(cv, l, t + s - 1, l + s, t + s, c);
      break;
    case DFCS_CAPTIONRESTORE: {
      int64_t q = s * 2 / 3;
      for (int64_t o : {int64_t(0), s - q}) {
        int64_t x = l + (o ? 0 : s - q), y = t + o;
        FillDev(cv, x, y, x + q, y + 2, c);
        FillDev(cv, x, y, x + 1, y + q, c);
        FillDev(cv, x + q - 1, y, x + q, y + q, c);
        FillDev(cv, x, y + q - 1, x + q, y + q, c);
      }
      break;
    }
  }
}

}  // namespace

}  // namespace fano_os::gdi

using namespace fano_os::gdi;
using fano_os::Surface;


extern "C" {

int FillRect(HDC dc, const RECT* r, HBRUSH brush) {
  FANO_DC_OR(0);
  auto b = ResolveBrushArg(brush);
  if (!r || !b) return 0;
  CallScope scope(d, "FillRect", {r->left, r->top, r->right, r->bottom});
  if (r->right <= r->left || r->bottom <= r->top) return 1;
  Canvas cv = PrepareCanvas(d);
  RECT dv = d.RectToDev(*r);
  FillBoxRop3(cv, dv.left, dv.top, dv.right, dv.bottom, MakeSampler(d, b.get()), 0xF0);
  return 1;
}

int FrameRect(HDC dc, const RECT* r, HBRUSH brush) {
  FANO_DC_OR(0);
  auto b = ResolveBrushArg(brush);
  if (!r || !b) return 0;
  CallScope scope(d, "FrameRect", {r->left, r->top, r->right, r->bottom});
  if (r->right <= r->left || r->bottom <= r->top) return 1;
  Canvas cv = PrepareCanvas(d);
  RECT v = d.RectToDev(*r);
  BrushSampler s = MakeSampler(d, b.get());
  Region frame(v);
  frame.Subtract(Region(v.left + 1, v.top + 1, v.right - 1, v.bottom - 1));
  for (const pixman_box32_t& bx : frame.Boxes()) FillBoxRop3(cv, bx.x1, bx.y1, bx.x2, bx.y2, s, 0xF0);
  return 1;
}

BOOL InvertRect(HDC dc, const RECT* r) {
  FANO_DC_OR(FALSE);
  if (!r) return FALSE;
  CallScope scope(d, "InvertRect", {r->left, r->top, r->right, r->bottom});
  Canvas cv = PrepareCanvas(d);
  RECT v = d.RectToDev(*r);
  FillBoxRop3(cv, v.left, v.top, v.right, v.bottom, BrushSampler(), 0x55);
  return TRUE;
}

BOOL DrawFocusRect(HDC dc, const RECT* r) {
  FANO_DC_OR(FALSE);
  if (!r) return FALSE;
  CallScope scope(d, "DrawFocusRect", {r->left, r->top, r->right, r->bottom});
  if (r->right <= r->left || r->bottom <= r->top) return TRUE;
  Canvas cv = PrepareCanvas(d);
  RECT v = d.RectToDev(*r);
  Region frame(v);
  frame.Subtract(Region(v.left + 1, v.top + 1, v.right - 1, v.bottom - 1));
  bool mono = cv.mono;
  cv.ForRegion(frame, [mono](uint32_t& px, int x, int y) {
    if (((x + y) & 1) == 0) px = mono ? (px ? 0 : 0xFFFFFF) : (px ^ 0xFFFFFF);
  });
  return TRUE;
}

BOOL DrawEdge(HDC dc, RECT* r, UINT edge, UINT flags) {
  FANO_DC_OR(FALSE);
  if (!r) return FALSE;
  CallScope scope(d, "DrawEdge", {r->left, r->top, r->right, r->bottom, edge, flags});
  Canvas cv = PrepareCanvas(d);
  RECT v = d.RectToDev(*r);
  RECT in = EdgeDev(cv, v, edge, flags);
  if (flags & BF_ADJUST) {
    // Each drawn side moves in by the borders drawn on it, in logical units.
    int k = ((edge & BDR_OUTER) ? 1 : 0) + ((edge & BDR_INNER) ? 1 : 0);
    if (flags & BF_DIAGONAL) k = 0;
    if (flags & BF_LEFT) r->left += k;
    if (flags & BF_TOP) r->top += k;
    if (flags & BF_RIGHT) r->right -= k;
    if (flags & BF_BOTTOM) r->bottom -= k;
  }
  (void)in;
  return TRUE;
}

BOOL DrawFrameControl(HDC dc, RECT* r, UINT type, UINT state) {
  FANO_DC_OR(FALSE);
  if (!r) return FALSE;
  CallScope scope(d, "DrawFrameControl", {r->left, r->top, r->right, r->bottom, type, state});
  Canvas cv = PrepareCanvas(d);
  RECT v = d.RectToDev(*r);
  bool pushed = (state & DFCS_PUSHED) != 0, inactive = (state & DFCS_INACTIVE) != 0;
  switch (type) {
    case DFC_BUTTON: {
      UINT kind = state & 0xFF;
      if (kind & DFCS_BUTTONPUSH) {
        PushButton(cv, v, state);
        if (state & DFCS_ADJUSTRECT) *r = RECT{r->left + 2, r->top + 2, r->right - 2, r->bottom - 2};
        return TRUE;
      }
      if (kind & (DFCS_BUTTONRADIO | DFCS_BUTTONRADIOIMAGE | DFCS_BUTTONRADIOMASK)) {
        RadioButton(cv, v, state);
        return TRUE;
      }
      CheckBox(cv, v, state);
      return TRUE;
    }
    case DFC_SCROLL: {
      UINT kind = state & 0xFF;
      if (kind == DFCS_SCROLLSIZEGRIP || kind == DFCS_SCROLLSIZEGRIPRIGHT) {
        SizeGrip(cv, v, kind == DFCS_SCROLLSIZEGRIP);
        return TRUE;
      }
      int dir;
      switch (kind) {
        case DFCS_SCROLLUP: dir = 0; break;
        case DFCS_SCROLLDOWN:
        case DFCS_SCROLLCOMBOBOX: dir = 1; break;
        case DFCS_SCROLLLEFT: dir = 2; break;
        case DFCS_SCROLLRIGHT: dir = 3; break;
        default: return FALSE;
      }
      RECT in = ButtonFace(cv, v, state);
      ArrowGlyph(cv, in, dir, pushed, inactive);
      return TRUE;
    }
    case DFC_CAPTION: {
      RECT in = ButtonFace(cv, v, state);
      if (pushed) {
        ++in.left;
        ++in.top;
        ++in.right;
        ++in.bottom;
      }
      if (inactive) {
        RECT sh{in.left + 1, in.top + 1, in.right + 1, in.bottom + 1};
        CaptionGlyph(cv, sh, state, SysColor(COLOR_BTNHIGHLIGHT));
        CaptionGlyph(cv, in, state, SysColor(COLOR_BTNSHADOW));
      } else {
        CaptionGlyph(cv, in, state, SysColor(COLOR_BTNTEXT));
      }
      return TRUE;
    }
    case DFC_MENU: {
      // Menu glyphs are black on white, for use as masks.
      FillDev(cv, v.left, v.top, v.right, v.bottom, 0xFFFFFF);
      int64_t w = v.right - v.left, h = v.bottom - v.top;
      switch (state & 0xFF) {
        case DFCS_MENUARROW: Arrow(cv, 3, v.left + w / 2, v.top + h / 2, static_cast<int>(std::max<int64_t>(1, std::min(w, h) / 4)), 0); break;
        case DFCS_MENUCHECK: CheckMark(cv, v.left, v.top, static_cast<int>(std::min(w, h)), 0); break;
        case DFCS_MENUBULLET: {
          int64_t s = std::max<int64_t>(2, std::min(w, h) / 3);
          int l = static_cast<int>(v.left + (w - s) / 2), t = static_cast<int>(v.top + (h - s) / 2);
          std::vector<pixman_box32_t> bb;
          ShapeBoxes(EllipseRows(l, t, l + static_cast<int>(s), t + static_cast<int>(s)), t, false, &bb);
          for (const auto& b : bb) FillDev(cv, b.x1, b.y1, b.x2, b.y2, 0);
          break;
        }
        default: return FALSE;
      }
      return TRUE;
    }
    default:
      return FALSE;
  }
}

}  // extern "C"
