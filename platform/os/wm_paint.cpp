// Invalidation and painting: update regions, WM_PAINT / WM_NCPAINT / WM_ERASEBKGND, BeginPaint and
// EndPaint, window and client DCs with their visible regions, RedrawWindow, ScrollWindowEx and
// ScrollDC, window regions, the top-level surfaces and snapshots.
#include <algorithm>
#include <cstring>

#include "platform/os/gdi_internal.h"
#include "platform/os/wingdi.h"
#include "platform/os/wm_internal.h"

namespace fano_os::wm {

namespace {

RECT ClientBounds(const Window* w) {
  return RECT{0, 0, w->client.right - w->client.left, w->client.bottom - w->client.top};
}

RECT Offset(RECT r, int dx, int dy) { return RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}; }

// Client rectangle of w in its top-level window's coordinates.
RECT ClientInTop(const Window* w) {
  RECT wr = WindowRectInTop(w);
  return RECT{wr.left + w->client.left, wr.top + w->client.top, wr.left + w->client.right, wr.top + w->client.bottom};
}

Region ShapeInTop(const Window* c) {
  RECT r = WindowRectInTop(c);
  Region out(r);
  if (c->hasRegion) {
    Region shape = c->windowRegion;
    shape.Offset(r.left, r.top);
    out.Intersect(shape);
  }
  return out;
}

int RegionType(const Region& r) {
  if (r.Empty()) return NULLREGION;
  return r.Rects().size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

bool NeedsPaint(const Window* w) { return !w->update.Empty() || w->internalPaint || w->frameDirty; }

Window* FindPaint(Window* w, DWORD thread, HWND filter) {
  for (Window* c : w->children) {
    if (!(c->style & WS_VISIBLE) || c->destroying) continue;
    if (c->thread == thread && NeedsPaint(c) && !c->painting &&
        (!filter || c->handle == filter || IsChild(filter, c->handle)))
      return c;
    if (Window* d = FindPaint(c, thread, filter)) return d;
  }
  return nullptr;
}

void Validate(Window* w, const Region* area) {
  if (!area) {
    w->update.Clear();
    w->erase = false;
    w->internalPaint = false;
    return;
  }
  w->update.Subtract(*area);
  if (w->update.Empty()) w->erase = false;
}

void EraseNow(Window* w) {
  HWND h = w->handle;
  if (w->frameDirty) {
    w->frameDirty = false;
    SendNcPaint(w);
    if (!(w = FromHandle(h))) return;
  }
  if (!w->erase || w->update.Empty()) return;
  w->erase = false;
  HDC dc = GetDCEx(h, nullptr, DCX_INTERSECTUPDATE);
  if (!dc) return;
  SendMessage(h, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  ReleaseDC(h, dc);
}

void PaintNow(HWND h, bool children, bool eraseOnly) {
  Window* w = FromHandle(h);
  if (!w || !IsVisibleChain(w)) return;
  if (eraseOnly) {
    EraseNow(w);
  } else if (NeedsPaint(w) && !w->painting) {
    SendMessage(h, WM_PAINT, 0, 0);
  }
  if (!children || !(w = FromHandle(h))) return;
  std::vector<HWND> kids;
  for (Window* c : w->children) kids.push_back(c->handle);
  for (HWND k : kids) PaintNow(k, true, eraseOnly);
}

void CopyPixels(Surface* s, const Region& dst, int dx, int dy) {
  if (!s || s->width <= 0 || s->height <= 0) return;
  Region d = dst;
  d.Intersect(RECT{0, 0, s->width, s->height});
  Region src = d;
  src.Offset(-dx, -dy);
  src.Intersect(RECT{0, 0, s->width, s->height});
  std::vector<uint32_t> copy = s->pixels;  // the source as it was before the move
  for (const RECT& r : d.Rects())
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) {
        int sx = x - dx, sy = y - dy;
        if (sx < 0 || sy < 0 || sx >= s->width || sy >= s->height) continue;
        s->pixels[static_cast<size_t>(y) * s->width + x] = copy[static_cast<size_t>(sy) * s->width + sx];
      }
}

// The part of `bounds` that scrolls (inside both rectangles when given) and where it lands.
void ScrollAreas(const RECT& bounds, const RECT* scroll, const RECT* clip, int dx, int dy, Region* src, Region* dst,
                 Region* clipR) {
  *src = Region(bounds);
  if (scroll) src->Intersect(*scroll);
  *clipR = Region(bounds);
  if (clip) clipR->Intersect(*clip);
  src->Intersect(*clipR);
  *dst = *src;
  dst->Offset(dx, dy);
  dst->Intersect(*clipR);
}

}  // namespace

Region VisibleRegion(Window* w, bool nonClient, bool clipChildren, bool clipSiblings) {
  Region empty;
  if (!w || !IsVisibleChain(w)) return empty;
  if (w == Desktop()) return Region(w->rect);
  Window* top = TopLevelOf(w);
  Region rgn(nonClient ? WindowRectInTop(w) : ClientInTop(w));
  if (w->hasRegion) rgn.Intersect(ShapeInTop(w));
  if (clipSiblings && !IsTopLevel(w)) {
    for (Window* s : w->parent->children) {
      if (s == w) break;
      if (s->style & WS_VISIBLE) rgn.Subtract(ShapeInTop(s));
    }
  }
  for (Window* a = w->parent; a && a != Desktop(); a = a->parent) {
    rgn.Intersect(ClientInTop(a));
    if (a->hasRegion) rgn.Intersect(ShapeInTop(a));
    if ((a->style & WS_CLIPSIBLINGS) && !IsTopLevel(a)) {
      for (Window* s : a->parent->children) {
        if (s == a) break;
        if (s->style & WS_VISIBLE) rgn.Subtract(ShapeInTop(s));
      }
    }
  }
  if (clipChildren)
    for (Window* c : w->children)
      if (c->style & WS_VISIBLE) rgn.Subtract(ShapeInTop(c));
  RECT tr = WindowRectInTop(top);
  rgn.Intersect(RECT{0, 0, tr.right - tr.left, tr.bottom - tr.top});
  return rgn;
}

void InvalidateInternal(Window* w, const Region* rgnClient, bool erase, bool children, bool frame) {
  if (!w || w == Desktop() || !IsVisibleChain(w)) return;
  RECT cb = ClientBounds(w);
  Region area(cb);
  if (rgnClient) area.Intersect(*rgnClient);
  w->update.Add(area);
  if (erase && !area.Empty()) w->erase = true;
  if (frame) w->frameDirty = true;
  if (!children) return;
  for (Window* c : w->children) {
    if (!(c->style & WS_VISIBLE)) continue;
    Region inChild = area;
    inChild.Offset(-(c->rect.left + c->client.left), -(c->rect.top + c->client.top));
    Region inWindow = area;
    inWindow.Offset(-c->rect.left, -c->rect.top);
    inWindow.Intersect(RECT{0, 0, c->rect.right - c->rect.left, c->rect.bottom - c->rect.top});
    bool frameHit = false;
    if (!inWindow.Empty()) {
      Region nc = inWindow;
      nc.Subtract(c->client);
      frameHit = !nc.Empty();
    }
    if (inWindow.Empty()) continue;
    InvalidateInternal(c, &inChild, erase, true, frameHit);
  }
}

void ExposeInParent(Window* w, const RECT& rectInParent) {
  Window* p = w->parent;
  if (!p || p == Desktop()) return;
  Region area(rectInParent);  // w->rect is in the parent's client coordinates already
  InvalidateInternal(p, &area, true, true, false);
}

Window* FindPaintWindow(DWORD thread, HWND filter) { return FindPaint(Desktop(), thread, filter); }

void SendNcPaint(Window* w) {
  HWND h = w->handle;
  w->frameDirty = false;
  if (!IsVisibleChain(w)) return;
  SendMessage(h, WM_NCPAINT, 1, 0);
}

void EnsureSurface(Window* top) {
  if (!top) return;
  int wdt = std::max<int>(0, top->rect.right - top->rect.left);
  int hgt = std::max<int>(0, top->rect.bottom - top->rect.top);
  if (top->style & WS_MINIMIZE) {
    if (top->surface) return;  // keep the restored content
  }
  if (!top->surface) {
    top->surface = std::make_unique<Surface>();
    top->surface->Resize(wdt, hgt, SysColor(COLOR_WINDOW));
    return;
  }
  Surface* s = top->surface.get();
  if (s->width == wdt && s->height == hgt) return;
  std::vector<uint32_t> px(static_cast<size_t>(wdt) * hgt, SysColor(COLOR_WINDOW));
  int cw = std::min(wdt, s->width), ch = std::min(hgt, s->height);
  // A zero-width side has no pixels (and maybe no buffer) to copy from.
  if (cw > 0)
    for (int y = 0; y < ch; ++y)
      memcpy(px.data() + static_cast<size_t>(y) * wdt, s->pixels.data() + static_cast<size_t>(y) * s->width,
             static_cast<size_t>(cw) * sizeof(uint32_t));
  s->width = wdt;
  s->height = hgt;
  s->pixels.swap(px);
}

void DrawCaretXor(Window* w, const RECT& rc) {
  Window* top = TopLevelOf(w);
  if (!top || !top->surface) return;
  Region vis = VisibleRegion(w, false, (w->style & WS_CLIPCHILDREN) != 0, true);
  RECT c = ClientInTop(w);
  RECT r = Offset(rc, c.left, c.top);
  XorSurfaceRect(top->surface.get(), r, &vis.r);
  Region area(r);
  area.Intersect(vis);
  PresentTopArea(top, area);
}

void DropSurface(Window* top) {
  if (!top->surface) return;
  DetachSurfaceDCs(top->surface.get());
  top->surface.reset();
}

void PresentTop(Window* top) {
  if (!top) return;
  if (top->surface) top->damage.Add(RECT{0, 0, top->surface->width, top->surface->height});
  top->surfaceDirty = true;
  GetBackend()->Present(top);
}

void PresentTopArea(Window* top, const Region& area) {
  if (!top) return;
  top->damage.Add(area);
  top->surfaceDirty = true;
  GetBackend()->Present(top);
}

std::vector<RECT> TakeDamage(Window* top) {
  std::vector<RECT> out;
  if (!top || !top->surface) return out;
  Region d = top->damage;
  top->damage.Clear();
  d.Intersect(RECT{0, 0, top->surface->width, top->surface->height});
  out = d.Rects();
  // Many small pieces cost more in requests than the pixels between them.
  if (out.size() > 32) out.assign(1, d.Bounds());
  return out;
}

}  // namespace fano_os::wm

namespace fano_os {

bool GetWindowDrawTarget(HWND wnd, bool nonClient, WindowDrawTarget* out) {
  using namespace wm;
  Window* w = FromHandle(wnd);
  if (!w || !out) return false;
  Window* top = TopLevelOf(w);
  if (w == Desktop()) {
    out->surface = DesktopSurface();
    out->origin = POINT{0, 0};
    pixman_region32_init_rect(&out->visible, 0, 0, out->surface->width, out->surface->height);
    return true;
  }
  EnsureSurface(top);
  Region vis = VisibleRegion(w, nonClient, (w->style & WS_CLIPCHILDREN) != 0, (w->style & WS_CLIPSIBLINGS) != 0);
  RECT wr = WindowRectInTop(w);
  out->surface = top->surface.get();
  out->origin = nonClient ? POINT{wr.left, wr.top} : POINT{wr.left + w->client.left, wr.top + w->client.top};
  pixman_region32_init(&out->visible);
  pixman_region32_copy(&out->visible, &vis.r);
  return true;
}

}  // namespace fano_os

using namespace fano_os;
using namespace fano_os::wm;

extern "C" {

BOOL InvalidateRect(HWND wnd, const RECT* rect, BOOL erase) {
  if (!wnd) {
    ForEachWindow([&](Window* w) {
      if (IsTopLevel(w)) InvalidateInternal(w, nullptr, erase != 0, true, true);
    });
    return TRUE;
  }
  Window* w = FromHandle(wnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  Region area;
  if (rect) area.Add(*rect);
  InvalidateInternal(w, rect ? &area : nullptr, erase != 0, !(w->style & WS_CLIPCHILDREN), false);
  return TRUE;
}

BOOL InvalidateRgn(HWND wnd, HRGN rgn, BOOL erase) {
  Window* w = FromHandle(wnd);
  if (!w) return FALSE;
  if (!rgn) return InvalidateRect(wnd, nullptr, erase);
  const pixman_region32_t* p = RegionPixman(rgn);
  if (!p) return FALSE;
  Region area;
  pixman_region32_copy(&area.r, const_cast<pixman_region32_t*>(p));
  InvalidateInternal(w, &area, erase != 0, !(w->style & WS_CLIPCHILDREN), false);
  return TRUE;
}

BOOL ValidateRect(HWND wnd, const RECT* rect) {
  Window* w = FromHandle(wnd);
  if (!w) return FALSE;
  if (!rect) {
    Validate(w, nullptr);
    return TRUE;
  }
  Region area(*rect);
  Validate(w, &area);
  return TRUE;
}

BOOL ValidateRgn(HWND wnd, HRGN rgn) {
  Window* w = FromHandle(wnd);
  if (!w) return FALSE;
  if (!rgn) return ValidateRect(wnd, nullptr);
  const pixman_region32_t* p = RegionPixman(rgn);
  if (!p) return FALSE;
  Region area;
  pixman_region32_copy(&area.r, const_cast<pixman_region32_t*>(p));
  Validate(w, &area);
  return TRUE;
}

BOOL UpdateWindow(HWND wnd) {
  Window* w = FromHandle(wnd);
  if (!w || w->thread != CurrentThread()) return FALSE;
  PaintNow(wnd, true, false);
  return TRUE;
}

BOOL RedrawWindow(HWND wnd, const RECT* rect, HRGN rgn, UINT flags) {
  Window* w = wnd ? FromHandle(wnd) : Desktop();
  if (!w) return FALSE;
  if (w == Desktop()) {
    std::vector<HWND> tops;
    for (Window* c : w->children) tops.push_back(c->handle);
    for (HWND t : tops) RedrawWindow(t, nullptr, nullptr, flags | RDW_ALLCHILDREN);
    return TRUE;
  }
  Region area;
  const Region* ap = nullptr;
  if (rgn) {
    const pixman_region32_t* p = RegionPixman(rgn);
    if (!p) return FALSE;
    pixman_region32_copy(&area.r, const_cast<pixman_region32_t*>(p));
    ap = &area;
  } else if (rect) {
    area.Add(*rect);
    ap = &area;
  }
  bool children = (flags & RDW_ALLCHILDREN) || (!(flags & RDW_NOCHILDREN) && !(w->style & WS_CLIPCHILDREN));
  if (flags & RDW_INVALIDATE) InvalidateInternal(w, ap, (flags & RDW_ERASE) != 0, children, (flags & RDW_FRAME) != 0);
  if (flags & RDW_VALIDATE) {
    std::function<void(Window*, const Region*)> val = [&](Window* x, const Region* a) {
      Validate(x, a);
      if (flags & RDW_NOFRAME) x->frameDirty = false;
      if (flags & RDW_NOERASE) x->erase = false;
      if (!children) return;
      for (Window* c : x->children) {
        if (!a) {
          val(c, nullptr);
          continue;
        }
        Region in = *a;
        in.Offset(-(c->rect.left + c->client.left), -(c->rect.top + c->client.top));
        val(c, &in);
      }
    };
    val(w, ap);
  }
  if (flags & RDW_INTERNALPAINT) w->internalPaint = true;
  if (flags & RDW_NOINTERNALPAINT) w->internalPaint = false;
  if (flags & RDW_UPDATENOW) PaintNow(wnd, !(flags & RDW_NOCHILDREN), false);
  else if (flags & RDW_ERASENOW) PaintNow(wnd, !(flags & RDW_NOCHILDREN), true);
  return TRUE;
}

BOOL GetUpdateRect(HWND wnd, RECT* rect, BOOL erase) {
  Window* w = FromHandle(wnd);
  if (!w) return FALSE;
  if (erase && w->erase) {
    EraseNow(w);
    if (!(w = FromHandle(wnd))) return FALSE;
  }
  RECT b = w->update.Bounds();
  if (rect) *rect = b;
  return w->update.Empty() ? FALSE : TRUE;
}

int GetUpdateRgn(HWND wnd, HRGN rgn, BOOL erase) {
  Window* w = FromHandle(wnd);
  if (!w || !RegionPixman(rgn)) return ERROR;
  if (erase && w->erase) {
    EraseNow(w);
    if (!(w = FromHandle(wnd))) return ERROR;
  }
  SetRegionFromPixman(rgn, &w->update.r);
  return RegionType(w->update);
}

BOOL LockWindowUpdate(HWND) { return TRUE; }

HDC BeginPaint(HWND wnd, PAINTSTRUCT* ps) {
  Window* w = FromHandle(wnd);
  if (!w || !ps || w->thread != CurrentThread()) return nullptr;
  memset(ps, 0, sizeof *ps);
  CaretPaintBegin(wnd);
  if (w->frameDirty) {
    SendNcPaint(w);
    if (!(w = FromHandle(wnd))) return nullptr;
  }
  Region area = w->update;
  bool erase = w->erase;
  Validate(w, nullptr);
  w->painting = true;
  HDC dc = GetDCEx(wnd, nullptr, 0);
  if (!(w = FromHandle(wnd))) return nullptr;
  w->painting = false;
  if (!dc) return nullptr;
  RECT c = ClientInTop(w);
  Region inTop = area;
  inTop.Offset(c.left, c.top);
  RestrictSurfaceDC(dc, &inTop.r);
  ps->hdc = dc;
  ps->rcPaint = area.Bounds();
  ps->fErase = FALSE;
  if (erase) ps->fErase = SendMessage(wnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) ? FALSE : TRUE;
  return dc;
}

BOOL EndPaint(HWND wnd, const PAINTSTRUCT* ps) {
  if (!ps) return FALSE;
  if (ps->hdc) ReleaseDC(wnd, ps->hdc);
  CaretPaintEnd(wnd);
  return TRUE;
}

HDC GetDCEx(HWND wnd, HRGN clip, DWORD flags) {
  if (!wnd) {
    Surface* d = DesktopSurface();
    Region all(RECT{0, 0, d->width, d->height});
    return CreateSurfaceDC(d, POINT{0, 0}, &all.r, nullptr);
  }
  Window* w = FromHandle(wnd);
  if (!w) return nullptr;
  if (w == Desktop()) return GetDCEx(nullptr, clip, flags);
  Window* top = TopLevelOf(w);
  EnsureSurface(top);
  bool nonClient = (flags & DCX_WINDOW) != 0;
  // DCX_LOCKWINDOWUPDATE draws over the children whatever the style (drag outlines).
  bool clipChildren = !(flags & DCX_LOCKWINDOWUPDATE) && ((flags & DCX_CLIPCHILDREN) || (w->style & WS_CLIPCHILDREN));
  bool clipSiblings = (flags & DCX_CLIPSIBLINGS) || (w->style & WS_CLIPSIBLINGS);
  Region vis = VisibleRegion(w, nonClient, clipChildren, clipSiblings);
  RECT wr = WindowRectInTop(w);
  POINT origin = nonClient ? POINT{wr.left, wr.top} : POINT{wr.left + w->client.left, wr.top + w->client.top};
  if (clip && (flags & (DCX_INTERSECTRGN | DCX_EXCLUDERGN))) {
    if (const pixman_region32_t* p = RegionPixman(clip)) {
      Region r;
      pixman_region32_copy(&r.r, const_cast<pixman_region32_t*>(p));
      r.Offset(origin.x, origin.y);
      if (flags & DCX_INTERSECTRGN) vis.Intersect(r);
      else vis.Subtract(r);
    }
    DeleteObject(clip);  // the system owns the region handed to it
  }
  if (flags & (DCX_INTERSECTUPDATE | DCX_EXCLUDEUPDATE)) {
    Region u = w->update;
    RECT c = ClientInTop(w);
    u.Offset(c.left, c.top);
    if (flags & DCX_INTERSECTUPDATE) vis.Intersect(u);
    else vis.Subtract(u);
  }
  if (flags & DCX_VALIDATE) Validate(w, nullptr);
  return CreateSurfaceDC(top->surface.get(), origin, &vis.r, wnd);
}

HDC GetDC(HWND wnd) { return GetDCEx(wnd, nullptr, 0); }
HDC GetWindowDC(HWND wnd) { return GetDCEx(wnd, nullptr, DCX_WINDOW); }

int ReleaseDC(HWND wnd, HDC dc) {
  if (!dc) return 0;
  HWND owner = SurfaceDCOwner(dc);
  Surface* s = nullptr;
  POINT o;
  if (!DCSurface(dc, &s, &o)) return 0;
  if (wnd && owner != wnd) return 0;
  if (!wnd && owner) return 0;
  if (!wnd && s != DesktopSurface()) return 0;
  // Only what the DC could reach changed: that is what the display needs again.
  Region area;
  bool known = SurfaceDCArea(dc, &area.r);
  ReleaseSurfaceDC(dc);
  if (Window* w = FromHandle(wnd)) {
    if (known) PresentTopArea(TopLevelOf(w), area);
    else PresentTop(TopLevelOf(w));
  }
  return 1;
}

int ScrollWindowEx(HWND wnd, int dx, int dy, const RECT* scroll, const RECT* clip, HRGN update, RECT* updateRect,
                   UINT flags) {
  Window* w = FromHandle(wnd);
  if (!w || w->thread != CurrentThread()) return ERROR;
  Region src, dst, clipR;
  ScrollAreas(ClientBounds(w), scroll, clip, dx, dy, &src, &dst, &clipR);
  CaretPaintBegin(wnd);
  // Pixels: what is visible of the source moves; what arrives from hidden parts stays invalid.
  Region vis = VisibleRegion(w, false, false, true);
  RECT c = ClientInTop(w);
  vis.Offset(-c.left, -c.top);  // client coordinates
  Region visSrc = src;
  visSrc.Intersect(vis);
  Region valid = visSrc;
  valid.Offset(dx, dy);
  valid.Intersect(dst);
  valid.Intersect(vis);
  Window* top = TopLevelOf(w);
  if (top->surface && (dx || dy)) {
    Region inTop = valid;
    inTop.Offset(c.left, c.top);
    CopyPixels(top->surface.get(), inTop, dx, dy);
    PresentTopArea(top, inTop);
  }
  Region invalid = src;
  invalid.Add(dst);
  invalid.Subtract(valid);
  // A pending update inside the scrolled area moves with the pixels.
  Region moved = w->update;
  moved.Intersect(src);
  if (!moved.Empty()) {
    w->update.Subtract(src);
    moved.Offset(dx, dy);
    moved.Intersect(clipR);
    w->update.Add(moved);
  }
  if (flags & SW_SCROLLCHILDREN) {
    std::vector<HWND> kids;
    for (Window* k : w->children) {
      if (scroll) {
        RECT r = k->rect;
        RECT s = *scroll;
        if (r.right <= s.left || r.left >= s.right || r.bottom <= s.top || r.top >= s.bottom) continue;
      }
      kids.push_back(k->handle);
    }
    for (HWND k : kids)
      if (Window* kw = FromHandle(k))
        SetWindowPos(k, nullptr, kw->rect.left + dx, kw->rect.top + dy, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (!(w = FromHandle(wnd))) return ERROR;
  }
  if (flags & SW_INVALIDATE) InvalidateInternal(w, &invalid, (flags & SW_ERASE) != 0, !(w->style & WS_CLIPCHILDREN), false);
  if (update) SetRegionFromPixman(update, &invalid.r);
  if (updateRect) *updateRect = invalid.Bounds();
  CaretPaintEnd(wnd);
  return RegionType(invalid);
}

BOOL ScrollWindow(HWND wnd, int dx, int dy, const RECT* scroll, const RECT* clip) {
  UINT flags = SW_INVALIDATE | SW_ERASE | (scroll ? 0 : SW_SCROLLCHILDREN);
  return ScrollWindowEx(wnd, dx, dy, scroll, clip, nullptr, nullptr, flags) != ERROR;
}

BOOL ScrollDC(HDC dc, int dx, int dy, const RECT* scroll, const RECT* clip, HRGN update, RECT* updateRect) {
  Surface* s = nullptr;
  POINT origin;
  if (!DCSurface(dc, &s, &origin) || !s) return FALSE;
  RECT all{-origin.x, -origin.y, s->width - origin.x, s->height - origin.y};
  Region src, dst, clipR;
  ScrollAreas(all, scroll, clip, dx, dy, &src, &dst, &clipR);
  Region inSurface = dst;
  inSurface.Offset(origin.x, origin.y);
  CopyPixels(s, inSurface, dx, dy);
  Region invalid = src;
  invalid.Subtract(dst);
  if (update) SetRegionFromPixman(update, &invalid.r);
  if (updateRect) *updateRect = invalid.Bounds();
  if (HWND owner = SurfaceDCOwner(dc))
    if (Window* w = FromHandle(owner)) PresentTop(TopLevelOf(w));
  return TRUE;
}

int SetWindowRgn(HWND wnd, HRGN rgn, BOOL redraw) {
  Window* w = FromHandle(wnd);
  if (!w) return 0;
  RECT old = w->rect;
  if (rgn) {
    const pixman_region32_t* p = RegionPixman(rgn);
    if (!p) return 0;
    pixman_region32_copy(&w->windowRegion.r, const_cast<pixman_region32_t*>(p));
    w->hasRegion = true;
    DeleteObject(rgn);
  } else {
    w->hasRegion = false;
    w->windowRegion.Clear();
  }
  if (redraw && IsVisibleChain(w)) {
    ExposeInParent(w, old);
    InvalidateInternal(w, nullptr, true, true, true);
  }
  if (IsTopLevel(w)) GetBackend()->TopLevelMoved(w);
  return 1;
}

int GetWindowRgn(HWND wnd, HRGN rgn) {
  Window* w = FromHandle(wnd);
  if (!w || !w->hasRegion || !RegionPixman(rgn)) return ERROR;
  SetRegionFromPixman(rgn, &w->windowRegion.r);
  return RegionType(w->windowRegion);
}

BOOL FanoSnapshotWindow(HWND wnd, const char* pngPath) {
  Window* w = FromHandle(wnd);
  if (!w || !pngPath) return FALSE;
  Window* top = TopLevelOf(w);
  EnsureSurface(top);
  RECT r = WindowRectInTop(w);
  Surface shot;
  shot.Resize(r.right - r.left, r.bottom - r.top, 0xFFFFFF);
  const Surface* s = top->surface.get();
  for (int y = 0; y < shot.height; ++y)
    for (int x = 0; x < shot.width; ++x) {
      int sx = r.left + x, sy = r.top + y;
      if (sx >= 0 && sy >= 0 && sx < s->width && sy < s->height)
        shot.pixels[static_cast<size_t>(y) * shot.width + x] = s->pixels[static_cast<size_t>(sy) * s->width + sx];
    }
  return WriteSurfacePng(shot, pngPath) ? TRUE : FALSE;
}

COLORREF FanoGetWindowPixel(HWND wnd, int x, int y) {
  Window* w = FromHandle(wnd);
  if (!w) return CLR_INVALID;
  Window* top = TopLevelOf(w);
  if (!top->surface) return CLR_INVALID;
  RECT r = WindowRectInTop(w);
  int sx = r.left + x, sy = r.top + y;
  const Surface* s = top->surface.get();
  if (x < 0 || y < 0 || sx >= r.right || sy >= r.bottom || sx < 0 || sy < 0 || sx >= s->width || sy >= s->height)
    return CLR_INVALID;
  return s->pixels[static_cast<size_t>(sy) * s->width + sx];
}

int FanoTakeWindowDamage(HWND wnd, RECT* rects, int max) {
  Window* w = FromHandle(wnd);
  if (!w) return 0;
  std::vector<RECT> d = TakeDamage(TopLevelOf(w));
  int n = static_cast<int>(d.size());
  for (int i = 0; i < std::min(n, max); ++i) rects[i] = d[static_cast<size_t>(i)];
  return n;
}

}  // extern "C"
