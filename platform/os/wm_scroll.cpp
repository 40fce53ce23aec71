// Scroll bars: the bars of a window (SB_HORZ, SB_VERT) in its non-client area and the scroll-bar
// control (class "ScrollBar", SB_CTL): range, page, position, track position, disabling instead of
// hiding, showing a bar (which changes the client size), the classic drawing, and the user's
// interaction (arrows and pages with repeat, dragging the thumb) with WM_HSCROLL / WM_VSCROLL.
// The same tracker moves and sizes windows for SC_MOVE / SC_SIZE.
#include <algorithm>
#include <cstring>

#include "platform/os/gdi_internal.h"
#include "platform/os/wingdi.h"
#include "platform/os/wm_internal.h"

namespace fano_os::wm {

namespace {

enum Part { kNone = -1, kLineUp = SB_LINEUP, kLineDown = SB_LINEDOWN, kPageUp = SB_PAGEUP, kPageDown = SB_PAGEDOWN,
            kThumb = SB_THUMBTRACK };

struct Geometry {
  RECT bar{0, 0, 0, 0};
  bool vertical = true;
  int arrow = 0;       // length of each arrow button
  int thumbStart = 0;  // offset along the bar
  int thumbLen = 0;    // 0: no thumb
  int trackLen = 0;
};

struct Tracker {
  enum Kind { None, Scroll, MoveSize } kind = None;
  HWND hwnd = nullptr;
  int bar = SB_VERT;
  int part = kNone;
  bool pressedShown = false;
  int thumbGrab = 0;  // pointer offset inside the thumb
  POINT start{0, 0};
  RECT startRect{0, 0, 0, 0};
  int hit = 0;
  POINT last{0, 0};
};

Tracker& T() {
  static Tracker t;
  return t;
}

// A window of the class, or of a class made over it (a subclass keeps the scroll-bar procedure as
// its default procedure): the procedure marks its windows when they are made.
const char* const kScrollBarMark = "FanoScrollBarControl";
bool IsScrollBarControl(const Window* w) {
  return w && ((w->cls && w->cls->key == "scrollbar") || GetProp(w->handle, kScrollBarMark) != nullptr);
}

ScrollBarState* BarState(Window* w, int bar) {
  if (bar == SB_CTL) return IsScrollBarControl(w) ? &w->bars[0] : nullptr;
  if (bar == SB_HORZ) return &w->bars[0];
  if (bar == SB_VERT) return &w->bars[1];
  return nullptr;
}

// The bar's rectangle in the coordinates drawing uses: window coordinates for window bars,
// client coordinates for the control.
Geometry Measure(Window* w, int bar) {
  Geometry g;
  if (bar == SB_CTL) {
    g.bar = RECT{0, 0, w->client.right - w->client.left, w->client.bottom - w->client.top};
    g.vertical = (w->style & SBS_VERT) != 0;
  } else {
    GetBarRects(w, bar, &g.bar);
    g.vertical = bar == SB_VERT;
  }
  ScrollBarState* sb = BarState(w, bar);
  int len = g.vertical ? g.bar.bottom - g.bar.top : g.bar.right - g.bar.left;
  int arrow = g.vertical ? Metric(SM_CYVSCROLL) : Metric(SM_CXHSCROLL);
  if (len < 2 * arrow) arrow = len / 2;
  g.arrow = arrow;
  g.trackLen = std::max(0, len - 2 * arrow);
  if (!sb) return g;
  bool enabled = (sb->arrows & ESB_DISABLE_BOTH) != ESB_DISABLE_BOTH && !(w->style & WS_DISABLED);
  int range = sb->max - sb->min;
  int scrollMax = sb->max - std::max<int>(static_cast<int>(sb->page) - 1, 0);
  if (!enabled || scrollMax <= sb->min) return g;
  int thumb = sb->page ? static_cast<int>(static_cast<int64_t>(g.trackLen) * sb->page / (static_cast<int64_t>(range) + 1))
                       : (g.vertical ? Metric(SM_CYVTHUMB) : Metric(SM_CXHTHUMB));
  thumb = std::max(thumb, 8);
  if (thumb > g.trackLen) return g;
  int pos = sb->tracking ? sb->trackPos : sb->pos;
  int positions = scrollMax - sb->min;
  g.thumbLen = thumb;
  g.thumbStart = arrow + static_cast<int>(static_cast<int64_t>(g.trackLen - thumb) * (pos - sb->min) / positions);
  return g;
}

int PartAt(const Geometry& g, POINT p) {
  if (p.x < g.bar.left || p.x >= g.bar.right || p.y < g.bar.top || p.y >= g.bar.bottom) return kNone;
  int off = g.vertical ? p.y - g.bar.top : p.x - g.bar.left;
  int len = g.vertical ? g.bar.bottom - g.bar.top : g.bar.right - g.bar.left;
  if (off < g.arrow) return kLineUp;
  if (off >= len - g.arrow) return kLineDown;
  if (!g.thumbLen) return kNone;
  if (off < g.thumbStart) return kPageUp;
  if (off >= g.thumbStart + g.thumbLen) return kPageDown;
  return kThumb;
}

RECT Span(const Geometry& g, int from, int to) {
  if (g.vertical) return RECT{g.bar.left, g.bar.top + from, g.bar.right, g.bar.top + to};
  return RECT{g.bar.left + from, g.bar.top, g.bar.left + to, g.bar.bottom};
}

void PaintBar(HDC dc, Window* w, int bar, int pressed) {
  Geometry g = Measure(w, bar);
  if (g.bar.right <= g.bar.left || g.bar.bottom <= g.bar.top) return;
  ScrollBarState* sb = BarState(w, bar);
  if (!sb) return;
  bool winDisabled = (w->style & WS_DISABLED) != 0;
  int len = g.vertical ? g.bar.bottom - g.bar.top : g.bar.right - g.bar.left;
  RECT up = Span(g, 0, g.arrow), down = Span(g, len - g.arrow, len);
  UINT upState = (g.vertical ? DFCS_SCROLLUP : DFCS_SCROLLLEFT) |
                 ((winDisabled || (sb->arrows & ESB_DISABLE_LTUP)) ? DFCS_INACTIVE : 0) |
                 (pressed == kLineUp ? DFCS_PUSHED | DFCS_FLAT : 0);
  UINT downState = (g.vertical ? DFCS_SCROLLDOWN : DFCS_SCROLLRIGHT) |
                   ((winDisabled || (sb->arrows & ESB_DISABLE_RTDN)) ? DFCS_INACTIVE : 0) |
                   (pressed == kLineDown ? DFCS_PUSHED | DFCS_FLAT : 0);
  if (g.arrow > 0) {
    DrawFrameControl(dc, &up, DFC_SCROLL, upState);
    DrawFrameControl(dc, &down, DFC_SCROLL, downState);
  }
  HBRUSH track = GetSysColorBrush(COLOR_SCROLLBAR);
  HBRUSH pressedTrack = GetSysColorBrush(COLOR_3DDKSHADOW);
  if (g.thumbLen) {
    RECT before = Span(g, g.arrow, g.thumbStart);
    RECT thumb = Span(g, g.thumbStart, g.thumbStart + g.thumbLen);
    RECT after = Span(g, g.thumbStart + g.thumbLen, len - g.arrow);
    FillRect(dc, &before, pressed == kPageUp ? pressedTrack : track);
    FillRect(dc, &after, pressed == kPageDown ? pressedTrack : track);
    DrawEdge(dc, &thumb, EDGE_RAISED, BF_RECT | BF_MIDDLE);
  } else {
    RECT mid = Span(g, g.arrow, len - g.arrow);
    FillRect(dc, &mid, track);
  }
}

void Redraw(Window* w, int bar) {
  if (bar == SB_CTL) {
    InvalidateRect(w->handle, nullptr, FALSE);
    UpdateWindow(w->handle);
  } else {
    PaintScrollBarsNow(w);
  }
}

// Window bars: showing or hiding one changes the frame and so the client size.
void ShowBar(Window* w, int bar, bool show) {
  DWORD bit = bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL;
  if (((w->style & bit) != 0) == show) return;
  if (show) w->style |= bit;
  else w->style &= ~bit;
  SetWindowPos(w->handle, nullptr, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Clamp(ScrollBarState& sb) {
  if (sb.max < sb.min) sb.max = sb.min;
  UINT span = static_cast<UINT>(static_cast<int64_t>(sb.max) - sb.min + 1);
  if (sb.page > span) sb.page = span;
  int hi = sb.max - std::max<int>(static_cast<int>(sb.page) - 1, 0);
  if (hi < sb.min) hi = sb.min;
  sb.pos = std::clamp(sb.pos, sb.min, hi);
  if (!sb.tracking) sb.trackPos = sb.pos;
}

bool SameLook(const Geometry& a, const Geometry& b) {
  return EqualRect(&a.bar, &b.bar) && a.arrow == b.arrow && a.thumbStart == b.thumbStart && a.thumbLen == b.thumbLen;
}

int Apply(Window* w, int bar, const SCROLLINFO* si, BOOL redraw) {
  ScrollBarState* sb = BarState(w, bar);
  if (!sb || !si) return 0;
  // A window's bar is drawn again only when what it shows changes (a long text growing by a line
  // moves no pixel of a thumb already at its smallest).
  const bool compare = redraw && bar != SB_CTL;
  const Geometry before = compare ? Measure(w, bar) : Geometry{};
  const UINT arrowsBefore = sb->arrows;
  const DWORD styleBefore = w->style;
  if (si->fMask & SIF_RANGE) {
    sb->min = si->nMin;
    sb->max = si->nMax;
  }
  if (si->fMask & SIF_PAGE) sb->page = si->nPage;
  if (si->fMask & SIF_POS) sb->pos = si->nPos;
  Clamp(*sb);
  int pos = sb->pos;
  if (si->fMask & (SIF_RANGE | SIF_PAGE | SIF_DISABLENOSCROLL)) {
    bool scrollable = sb->max - std::max<int>(static_cast<int>(sb->page) - 1, 0) > sb->min;
    HWND h = w->handle;
    if (!scrollable) {
      if (si->fMask & SIF_DISABLENOSCROLL) {
        sb->arrows = ESB_DISABLE_BOTH;
        if (bar != SB_CTL) ShowBar(w, bar, true);
      } else if (bar != SB_CTL && (si->fMask & (SIF_RANGE | SIF_PAGE))) {
        ShowBar(w, bar, false);
      }
    } else if (si->fMask != SIF_PAGE || sb->arrows == ESB_DISABLE_BOTH) {
      sb->arrows = ESB_ENABLE_BOTH;
      if (bar != SB_CTL) ShowBar(w, bar, true);
    }
    if (!(w = FromHandle(h))) return pos;
    sb = BarState(w, bar);
  }
  if (compare && sb->arrows == arrowsBefore && w->style == styleBefore && SameLook(before, Measure(w, bar))) return pos;
  if (redraw) Redraw(w, bar);
  return pos;
}

void Notify(Window* w, int bar, int code, int pos) {
  UINT msg = (bar == SB_HORZ || (bar == SB_CTL && !(w->style & SBS_VERT))) ? WM_HSCROLL : WM_VSCROLL;
  WPARAM wp = MAKEWPARAM(code, static_cast<WORD>(pos));
  if (bar == SB_CTL) {
    if (w->parent && w->parent != Desktop())
      SendMessage(w->parent->handle, msg, wp, reinterpret_cast<LPARAM>(w->handle));
  } else {
    SendMessage(w->handle, msg, wp, 0);
  }
}

// The pointer in the bar's coordinates (window coordinates, or client ones for the control).
POINT BarPoint(Window* w, int bar, POINT screen) {
  if (bar == SB_CTL) {
    ScreenToClient(w->handle, &screen);
    return screen;
  }
  RECT wr = WindowRectScreen(w);
  return POINT{screen.x - wr.left, screen.y - wr.top};
}

void ThumbTo(Window* w, POINT screen) {
  Tracker& t = T();
  ScrollBarState* sb = BarState(w, t.bar);
  if (!sb) return;
  Geometry g = Measure(w, t.bar);
  if (!g.thumbLen) return;
  POINT p = BarPoint(w, t.bar, screen);
  int off = (g.vertical ? p.y - g.bar.top : p.x - g.bar.left) - t.thumbGrab - g.arrow;
  int room = g.trackLen - g.thumbLen;
  int scrollMax = sb->max - std::max<int>(static_cast<int>(sb->page) - 1, 0);
  int pos = sb->min;
  if (room > 0) {
    off = std::clamp(off, 0, room);
    pos = sb->min + static_cast<int>((static_cast<int64_t>(off) * (scrollMax - sb->min) + room / 2) / room);
  }
  if (pos == sb->trackPos) return;
  sb->trackPos = pos;
  HWND h = w->handle;
  int bar = t.bar;
  Notify(w, bar, SB_THUMBTRACK, pos);
  if ((w = FromHandle(h))) Redraw(w, bar);
}

bool PartStillUnder(Window* w, POINT screen) {
  Tracker& t = T();
  Geometry g = Measure(w, t.bar);
  return PartAt(g, BarPoint(w, t.bar, screen)) == t.part;
}

void EndTracking() {
  Tracker& t = T();
  Tracker done = t;
  t = Tracker{};
  KillSystemTimer(done.hwnd, kSysTimerScroll);
  Window* w = FromHandle(done.hwnd);
  if (!w) return;
  if (done.kind == Tracker::MoveSize) {
    SendMessage(done.hwnd, WM_EXITSIZEMOVE, 0, 0);
    return;
  }
  ScrollBarState* sb = BarState(w, done.bar);
  if (done.part == kThumb && sb) {
    Notify(w, done.bar, SB_THUMBPOSITION, sb->trackPos);
    if (!(w = FromHandle(done.hwnd))) return;
    sb = BarState(w, done.bar);
  }
  if (sb) sb->tracking = false;
  Notify(w, done.bar, SB_ENDSCROLL, 0);
  if ((w = FromHandle(done.hwnd))) Redraw(w, done.bar);
}

LRESULT CALLBACK_ScrollBarProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  Window* w = FromHandle(h);
  if (!w) return 0;
  ScrollBarState& sb = w->bars[0];
  switch (msg) {
    case WM_CREATE:
      sb = ScrollBarState{};
      SetProp(h, kScrollBarMark, reinterpret_cast<HANDLE>(1));
      return 0;
    case WM_NCDESTROY:
      RemoveProp(h, kScrollBarMark);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(h, &ps);
      if (dc && (w = FromHandle(h))) PaintBar(dc, w, SB_CTL, T().hwnd == h && T().pressedShown ? T().part : kNone);
      EndPaint(h, &ps);
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      if (w->style & WS_TABSTOP) SetFocus(h);
      POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      ClientToScreen(h, &p);
      if ((w = FromHandle(h))) StartScrollTracking(w, SB_CTL, p);
      return 0;
    }
    case WM_KEYDOWN: {
      bool vert = (w->style & SBS_VERT) != 0;
      int code = -1;
      switch (wp) {
        case VK_UP: code = vert ? SB_LINEUP : -1; break;
        case VK_DOWN: code = vert ? SB_LINEDOWN : -1; break;
        case VK_LEFT: code = vert ? -1 : SB_LINELEFT; break;
        case VK_RIGHT: code = vert ? -1 : SB_LINERIGHT; break;
        case VK_PRIOR: code = SB_PAGEUP; break;
        case VK_NEXT: code = SB_PAGEDOWN; break;
        case VK_HOME: code = SB_TOP; break;
        case VK_END: code = SB_BOTTOM; break;
        default: break;
      }
      if (code >= 0) {
        Notify(w, SB_CTL, code, 0);
        if ((w = FromHandle(h))) Notify(w, SB_CTL, SB_ENDSCROLL, 0);
      }
      return 0;
    }
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS;
    case WM_ENABLE:
      InvalidateRect(h, nullptr, FALSE);
      return 0;
    case SBM_SETSCROLLINFO:
      return Apply(w, SB_CTL, reinterpret_cast<const SCROLLINFO*>(lp), static_cast<BOOL>(wp));
    case SBM_GETSCROLLINFO: {
      SCROLLINFO* si = reinterpret_cast<SCROLLINFO*>(lp);
      if (!si) return FALSE;
      if (si->fMask & SIF_RANGE) { si->nMin = sb.min; si->nMax = sb.max; }
      if (si->fMask & SIF_PAGE) si->nPage = sb.page;
      if (si->fMask & SIF_POS) si->nPos = sb.pos;
      if (si->fMask & SIF_TRACKPOS) si->nTrackPos = sb.tracking ? sb.trackPos : sb.pos;
      return TRUE;
    }
    case SBM_SETPOS: {
      int old = sb.pos;
      SCROLLINFO si{sizeof si, SIF_POS, 0, 0, 0, static_cast<int>(wp), 0};
      Apply(w, SB_CTL, &si, static_cast<BOOL>(lp));
      return old;
    }
    case SBM_GETPOS:
      return sb.pos;
    case SBM_SETRANGE:
    case SBM_SETRANGEREDRAW: {
      int old = sb.pos;
      SCROLLINFO si{sizeof si, SIF_RANGE, static_cast<int>(wp), static_cast<int>(lp), 0, 0, 0};
      Apply(w, SB_CTL, &si, msg == SBM_SETRANGEREDRAW);
      return old;
    }
    case SBM_GETRANGE:
      if (wp) *reinterpret_cast<int*>(wp) = sb.min;
      if (lp) *reinterpret_cast<int*>(lp) = sb.max;
      return 0;
    case SBM_ENABLE_ARROWS:
      sb.arrows = static_cast<UINT>(wp) & ESB_DISABLE_BOTH;
      InvalidateRect(h, nullptr, FALSE);
      return TRUE;
    default:
      return DefWindowProc(h, msg, wp, lp);
  }
}

}  // namespace

void GetBarRects(Window* w, int bar, RECT* out) {
  *out = RECT{0, 0, 0, 0};
  bool v = (w->style & WS_VSCROLL) != 0, hz = (w->style & WS_HSCROLL) != 0;
  RECT in = NcInnerRect(w);
  int cx = Metric(SM_CXVSCROLL), cy = Metric(SM_CYHSCROLL);
  bool vShown = v && in.right - in.left >= cx, hShown = hz && in.bottom - in.top >= cy;
  bool left = (w->exStyle & WS_EX_LEFTSCROLLBAR) != 0;
  // The bars stand beside the client area the window's WM_NCCALCSIZE settled on (a window that
  // draws a frame of its own inside its border keeps them clear of it), within the inner border.
  const RECT& c = w->client;
  if (bar == SB_VERT && vShown) {
    int x = left ? std::max(in.left, static_cast<int>(c.left) - cx) : std::min(static_cast<int>(c.right), static_cast<int>(in.right) - cx);
    *out = RECT{x, c.top, x + cx, c.bottom};
  } else if (bar == SB_HORZ && hShown) {
    int y = std::min(static_cast<int>(c.bottom), static_cast<int>(in.bottom) - cy);
    *out = RECT{c.left, y, c.right, y + cy};
  }
  if (out->right < out->left) out->right = out->left;
  if (out->bottom < out->top) out->bottom = out->top;
}

void PaintScrollBars(Window* w, HDC dc) {
  Tracker& t = T();
  int pv = (t.kind == Tracker::Scroll && t.hwnd == w->handle && t.bar == SB_VERT && t.pressedShown) ? t.part : kNone;
  int ph = (t.kind == Tracker::Scroll && t.hwnd == w->handle && t.bar == SB_HORZ && t.pressedShown) ? t.part : kNone;
  if (w->style & WS_VSCROLL) PaintBar(dc, w, SB_VERT, pv);
  if (w->style & WS_HSCROLL) PaintBar(dc, w, SB_HORZ, ph);
  RECT vb, hb;
  GetBarRects(w, SB_VERT, &vb);
  GetBarRects(w, SB_HORZ, &hb);
  if (vb.right > vb.left && hb.bottom > hb.top) {
    RECT box{vb.left, hb.top, vb.right, hb.bottom};
    FillRect(dc, &box, GetSysColorBrush(COLOR_BTNFACE));
  }
}

bool StartScrollTracking(Window* w, int bar, POINT screen) {
  Tracker& t = T();
  if (t.kind != Tracker::None) return false;
  ScrollBarState* sb = BarState(w, bar);
  if (!sb || (w->style & WS_DISABLED)) return false;
  Geometry g = Measure(w, bar);
  int part = PartAt(g, BarPoint(w, bar, screen));
  if (part == kNone) return false;
  if ((part == kLineUp && (sb->arrows & ESB_DISABLE_LTUP)) || (part == kLineDown && (sb->arrows & ESB_DISABLE_RTDN)))
    return false;
  t = Tracker{};
  t.kind = Tracker::Scroll;
  t.hwnd = w->handle;
  t.bar = bar;
  t.part = part;
  t.pressedShown = true;
  t.start = t.last = screen;
  HWND h = w->handle;
  if (part == kThumb) {
    POINT p = BarPoint(w, bar, screen);
    t.thumbGrab = (g.vertical ? p.y - g.bar.top : p.x - g.bar.left) - g.thumbStart;
    sb->tracking = true;
    sb->trackPos = sb->pos;
    Redraw(w, bar);
    return true;
  }
  Redraw(w, bar);
  if (!(w = FromHandle(h))) return true;
  Notify(w, bar, part, 0);
  SetSystemTimer(h, kSysTimerScroll, 200);  // first repeat after a pause, then faster
  return true;
}

void StartMoveSizeTracking(Window* w, int hit, POINT screen) {
  Tracker& t = T();
  if (t.kind != Tracker::None) return;
  t = Tracker{};
  t.kind = Tracker::MoveSize;
  t.hwnd = w->handle;
  t.hit = hit;
  t.start = t.last = screen;
  t.startRect = w->rect;
  SendMessage(w->handle, WM_ENTERSIZEMOVE, 0, 0);
}

bool ScrollTrackingActive() { return T().kind != Tracker::None; }

void ScrollTrackingMouse(UINT msg, POINT screen) {
  Tracker& t = T();
  Window* w = FromHandle(t.hwnd);
  if (!w) {
    t = Tracker{};
    return;
  }
  t.last = screen;
  if (msg == WM_LBUTTONUP) {
    EndTracking();
    return;
  }
  if (msg != WM_MOUSEMOVE) return;
  if (t.kind == Tracker::MoveSize) {
    int dx = screen.x - t.start.x, dy = screen.y - t.start.y;
    RECT r = t.startRect;
    switch (t.hit) {
      case HTCAPTION: r.left += dx; r.right += dx; r.top += dy; r.bottom += dy; break;
      case HTLEFT: r.left += dx; break;
      case HTRIGHT: r.right += dx; break;
      case HTTOP: r.top += dy; break;
      case HTBOTTOM: r.bottom += dy; break;
      case HTTOPLEFT: r.left += dx; r.top += dy; break;
      case HTTOPRIGHT: r.right += dx; r.top += dy; break;
      case HTBOTTOMLEFT: r.left += dx; r.bottom += dy; break;
      case HTBOTTOMRIGHT: r.right += dx; r.bottom += dy; break;
      default: break;
    }
    int minW = Metric(SM_CXMINTRACK) / 4, minH = Metric(SM_CYMINTRACK) / 2;
    if (t.hit != HTCAPTION) {
      if (r.right - r.left < minW) (t.hit == HTLEFT || t.hit == HTTOPLEFT || t.hit == HTBOTTOMLEFT) ? r.left = r.right - minW : r.right = r.left + minW;
      if (r.bottom - r.top < minH) (t.hit == HTTOP || t.hit == HTTOPLEFT || t.hit == HTTOPRIGHT) ? r.top = r.bottom - minH : r.bottom = r.top + minH;
    }
    SetWindowPos(t.hwnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
    return;
  }
  if (t.part == kThumb) {
    ThumbTo(w, screen);
    return;
  }
  bool under = PartStillUnder(w, screen);
  if (under != t.pressedShown) {
    t.pressedShown = under;
    Redraw(w, t.bar);
  }
}

void ScrollTrackingTimer() {
  Tracker& t = T();
  Window* w = FromHandle(t.hwnd);
  if (!w || t.kind != Tracker::Scroll || t.part == kThumb) return;
  SetSystemTimer(t.hwnd, kSysTimerScroll, 50);
  if (!PartStillUnder(w, t.last)) return;  // repeats only while the pointer stays on the part
  Notify(w, t.bar, t.part, 0);
}

void CancelScrollTracking(Window* w) {
  Tracker& t = T();
  if (t.kind == Tracker::None || !w || (t.hwnd != w->handle && !IsChild(w->handle, t.hwnd))) return;
  HWND h = t.hwnd;
  int bar = t.bar;
  Tracker::Kind kind = t.kind;
  KillSystemTimer(h, kSysTimerScroll);
  t = Tracker{};
  Window* tw = FromHandle(h);
  if (!tw || tw->destroying) return;
  if (kind == Tracker::Scroll) {
    if (ScrollBarState* sb = BarState(tw, bar)) sb->tracking = false;
    Redraw(tw, bar);
  }
}

void RegisterScrollBarClass() {
  WNDCLASSEX wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW | CS_PARENTDC | CS_GLOBALCLASS;
  wc.lpfnWndProc = CALLBACK_ScrollBarProc;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = "ScrollBar";
  RegisterClassEx(&wc);
}

}  // namespace fano_os::wm

using namespace fano_os::wm;

extern "C" {

int SetScrollInfo(HWND wnd, int bar, const SCROLLINFO* info, BOOL redraw) {
  Window* w = FromHandle(wnd);
  if (!w || !info) return 0;
  if (bar == SB_CTL && !IsScrollBarControl(w)) return static_cast<int>(SendMessage(wnd, SBM_SETSCROLLINFO, redraw, reinterpret_cast<LPARAM>(info)));
  if (bar != SB_CTL && bar != SB_HORZ && bar != SB_VERT) return 0;
  return Apply(w, bar, info, redraw);
}

BOOL GetScrollInfo(HWND wnd, int bar, SCROLLINFO* info) {
  Window* w = FromHandle(wnd);
  if (!w || !info) return FALSE;
  if (bar == SB_CTL && !IsScrollBarControl(w)) return static_cast<BOOL>(SendMessage(wnd, SBM_GETSCROLLINFO, 0, reinterpret_cast<LPARAM>(info)));
  ScrollBarState* sb = BarState(w, bar);
  if (!sb) return FALSE;
  if (info->fMask & SIF_RANGE) { info->nMin = sb->min; info->nMax = sb->max; }
  if (info->fMask & SIF_PAGE) info->nPage = sb->page;
  if (info->fMask & SIF_POS) info->nPos = sb->pos;
  if (info->fMask & SIF_TRACKPOS) info->nTrackPos = sb->tracking ? sb->trackPos : sb->pos;
  return TRUE;
}

int SetScrollPos(HWND wnd, int bar, int pos, BOOL redraw) {
  Window* w = FromHandle(wnd);
  if (!w) return 0;
  ScrollBarState* sb = BarState(w, bar);
  int old = sb ? sb->pos : 0;
  SCROLLINFO si{sizeof si, SIF_POS, 0, 0, 0, pos, 0};
  SetScrollInfo(wnd, bar, &si, redraw);
  return old;
}

int GetScrollPos(HWND wnd, int bar) {
  SCROLLINFO si{sizeof si, SIF_POS, 0, 0, 0, 0, 0};
  return GetScrollInfo(wnd, bar, &si) ? si.nPos : 0;
}

BOOL SetScrollRange(HWND wnd, int bar, int minPos, int maxPos, BOOL redraw) {
  if (!FromHandle(wnd)) return FALSE;
  SCROLLINFO si{sizeof si, SIF_RANGE, minPos, maxPos, 0, 0, 0};
  SetScrollInfo(wnd, bar, &si, redraw);
  return TRUE;
}

BOOL GetScrollRange(HWND wnd, int bar, int* minPos, int* maxPos) {
  SCROLLINFO si{sizeof si, SIF_RANGE, 0, 0, 0, 0, 0};
  if (!GetScrollInfo(wnd, bar, &si)) return FALSE;
  if (minPos) *minPos = si.nMin;
  if (maxPos) *maxPos = si.nMax;
  return TRUE;
}

BOOL ShowScrollBar(HWND wnd, int bar, BOOL show) {
  Window* w = FromHandle(wnd);
  if (!w) return FALSE;
  if (bar == SB_CTL) {
    ShowWindow(wnd, show ? SW_SHOW : SW_HIDE);
    return TRUE;
  }
  DWORD bits = bar == SB_HORZ ? WS_HSCROLL : bar == SB_VERT ? WS_VSCROLL : bar == SB_BOTH ? (WS_HSCROLL | WS_VSCROLL) : 0;
  if (!bits) return FALSE;
  DWORD want = show ? (w->style | bits) : (w->style & ~bits);
  if (want == w->style) return TRUE;
  w->style = want;
  SetWindowPos(wnd, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  return TRUE;
}

BOOL EnableScrollBar(HWND wnd, UINT bar, UINT arrows) {
  Window* w = FromHandle(wnd);
  if (!w) return FALSE;
  arrows &= ESB_DISABLE_BOTH;
  bool changed = false;
  auto set = [&](int b) {
    ScrollBarState* sb = BarState(w, b);
    if (sb && sb->arrows != arrows) {
      sb->arrows = arrows;
      changed = true;
    }
  };
  if (bar == SB_BOTH) {
    set(SB_HORZ);
    set(SB_VERT);
  } else {
    set(static_cast<int>(bar));
  }
  if (changed) {
    if (bar == SB_CTL) {
      InvalidateRect(wnd, nullptr, FALSE);
    } else {
      PaintScrollBarsNow(w);
    }
  }
  return changed ? TRUE : FALSE;
}

}  // extern "C"
