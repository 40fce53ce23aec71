// Regions on pixman: rectangles, polygons (scan conversion by pixel centres), ellipses, combining,
// and the region calls of the interface.
#include <algorithm>
#include <cmath>

#include "platform/os/gdi_core.h"
#include "platform/os/gdi_internal.h"

namespace fano_os::gdi {

static void InitRect(pixman_region32_t* r, int64_t l, int64_t t, int64_t rr, int64_t b) {
  int L = ClampCoord(std::min(l, rr)), R = ClampCoord(std::max(l, rr));
  int T = ClampCoord(std::min(t, b)), B = ClampCoord(std::max(t, b));
  if (L == R || T == B) {
    pixman_region32_init(r);
    return;
  }
  pixman_region32_init_rect(r, L, T, static_cast<unsigned>(R - L), static_cast<unsigned>(B - T));
}

Region::Region(const RECT& r) { InitRect(&r_, r.left, r.top, r.right, r.bottom); }
Region::Region(int left, int top, int right, int bottom) { InitRect(&r_, left, top, right, bottom); }

void Region::SetRect(int left, int top, int right, int bottom) {
  pixman_region32_fini(&r_);
  InitRect(&r_, left, top, right, bottom);
}

RECT Region::Box() const {
  if (Empty()) return RECT{0, 0, 0, 0};
  const pixman_box32_t* e = pixman_region32_extents(const_cast<pixman_region32_t*>(&r_));
  return RECT{e->x1, e->y1, e->x2, e->y2};
}

int Region::Type() const {
  int n = 0;
  pixman_region32_rectangles(const_cast<pixman_region32_t*>(&r_), &n);
  return n == 0 ? NULLREGION : (n == 1 ? SIMPLEREGION : COMPLEXREGION);
}

void Region::Translate(int dx, int dy) {
  if (Empty()) return;
  // Keep every coordinate inside the safe range: boxes pushed past it are cut there.
  RECT b = Box();
  int64_t l = int64_t(b.left) + dx, r = int64_t(b.right) + dx, t = int64_t(b.top) + dy, bt = int64_t(b.bottom) + dy;
  if (l >= -kCoordLimit && r <= kCoordLimit && t >= -kCoordLimit && bt <= kCoordLimit) {
    pixman_region32_translate(&r_, dx, dy);
    return;
  }
  std::vector<pixman_box32_t> boxes = Boxes();
  std::vector<pixman_box32_t> moved;
  for (auto bx : boxes) {
    pixman_box32_t m{ClampCoord(int64_t(bx.x1) + dx), ClampCoord(int64_t(bx.y1) + dy),
                     ClampCoord(int64_t(bx.x2) + dx), ClampCoord(int64_t(bx.y2) + dy)};
    if (m.x1 < m.x2 && m.y1 < m.y2) moved.push_back(m);
  }
  SetBoxes(moved);
}

void Region::Xor(const Region& o) {
  Region a(*this), b(o);
  a.Subtract(o);
  b.Subtract(*this);
  a.Union(b);
  *this = a;
}

void Region::IntersectRect(const RECT& r) { Intersect(Region(r)); }

std::vector<pixman_box32_t> Region::Boxes() const {
  int n = 0;
  const pixman_box32_t* b = pixman_region32_rectangles(const_cast<pixman_region32_t*>(&r_), &n);
  return std::vector<pixman_box32_t>(b, b + n);
}

void Region::SetBoxes(const std::vector<pixman_box32_t>& boxes) {
  pixman_region32_fini(&r_);
  if (boxes.empty()) {
    pixman_region32_init(&r_);
    return;
  }
  // init_rects validates, so overlapping boxes merge.
  if (!pixman_region32_init_rects(&r_, boxes.data(), static_cast<int>(boxes.size()))) pixman_region32_init(&r_);
}

// ---- polygon scan conversion ------------------------------------------------------------------

namespace {

struct Edge {
  int64_t x0, y0, x1, y1;  // 1/16 pixel units, y0 < y1
  int dir;
};

// ceil(a / b) for b > 0
inline __int128 CeilDiv(__int128 a, __int128 b) {
  __int128 q = a / b;
  if ((a % b) != 0 && a > 0) ++q;
  return q;
}

// The first pixel row whose sample point (16 y, in 1/16 units) is at or below v.
inline int64_t RowAt(int64_t v) { return static_cast<int64_t>(CeilDiv(__int128(v), 16)); }

// The first pixel column whose sample point lies at or right of the edge on row y.
inline int64_t ColAt(const Edge& e, int64_t y) {
  int64_t Y = 16 * y;
  __int128 dy = e.y1 - e.y0, dx = e.x1 - e.x0;
  __int128 num = __int128(e.x0) * dy + __int128(Y - e.y0) * dx;
  return static_cast<int64_t>(CeilDiv(num, 16 * dy));
}

}  // namespace

bool ScanPolygons(const std::vector<std::vector<PolyPoint>>& polys, bool winding, bool subpixel,
                  const pixman_box32_t* limit, std::vector<pixman_box32_t>* out) {
  std::vector<Edge> edges;
  for (const auto& poly : polys) {
    size_t n = poly.size();
    if (n < 2) continue;
    for (size_t i = 0; i < n; ++i) {
      PolyPoint a = poly[i], b = poly[(i + 1) % n];
      int64_t ax = subpixel ? a.x : a.x * 16, ay = subpixel ? a.y : a.y * 16;
      int64_t bx = subpixel ? b.x : b.x * 16, by = subpixel ? b.y : b.y * 16;
      if (ay == by) continue;
      if (ay < by)
        edges.push_back({ax, ay, bx, by, 1});
      else
        edges.push_back({bx, by, ax, ay, -1});
    }
  }
  if (edges.empty()) return true;
  // Row events: where edges start and end.
  std::vector<int64_t> events;
  for (const Edge& e : edges) {
    events.push_back(RowAt(e.y0));
    events.push_back(RowAt(e.y1));
  }
  std::sort(events.begin(), events.end());
  events.erase(std::unique(events.begin(), events.end()), events.end());
  int64_t xlo = limit ? limit->x1 : -kCoordLimit, xhi = limit ? limit->x2 : kCoordLimit;
  int64_t ylo = limit ? limit->y1 : INT64_MIN, yhi = limit ? limit->y2 : INT64_MAX;
  int64_t budget = int64_t(1) << 22;  // rows with slanted edges we agree to scan
  std::vector<std::pair<int64_t, int>> xs;
  auto emitRow = [&](int64_t y0, int64_t y1, int64_t sampleRow, const std::vector<const Edge*>& active) {
    xs.clear();
    for (const Edge* e : active) xs.push_back({ColAt(*e, sampleRow), e->dir});
    std::sort(xs.begin(), xs.end());
    int wind = 0;
    for (size_t i = 0; i < xs.size(); ++i) {
      wind += winding ? xs[i].second : 1;
      bool inside = winding ? wind != 0 : (wind & 1) != 0;
      if (inside && i + 1 < xs.size()) {
        int64_t a = std::max(xs[i].first, xlo), b = std::min(xs[i + 1].first, xhi);
        if (a < b)
          out->push_back(pixman_box32_t{static_cast<int32_t>(a), static_cast<int32_t>(y0), static_cast<int32_t>(b),
                                        static_cast<int32_t>(y1)});
      }
    }
  };
  std::vector<const Edge*> active;
  for (size_t k = 0; k + 1 < events.size(); ++k) {
    int64_t ya = std::max(events[k], ylo), yb = std::min(events[k + 1], yhi);
    if (ya >= yb) continue;
    ya = std::max<int64_t>(ya, -kCoordLimit);
    yb = std::min<int64_t>(yb, kCoordLimit);
    if (ya >= yb) continue;
    active.clear();
    bool slanted = false;
    for (const Edge& e : edges) {
      if (RowAt(e.y0) <= events[k] && RowAt(e.y1) >= events[k + 1]) {
        active.push_back(&e);
        if (e.x0 != e.x1) slanted = true;
      }
    }
    if (active.empty()) continue;
    if (!slanted) {
      emitRow(ya, yb, ya, active);
      continue;
    }
    budget -= yb - ya;
    if (budget < 0) return false;
    for (int64_t y = ya; y < yb; ++y) emitRow(y, y + 1, y, active);
  }
  return true;
}

// ---- ellipses ---------------------------------------------------------------------------------

std::vector<RowSpan> EllipseRows(int l, int t, int r, int b) {
  std::vector<RowSpan> rows;
  if (r < l) std::swap(l, r);
  if (b < t) std::swap(t, b);
  int64_t W = int64_t(r) - l, H = int64_t(b) - t;
  if (W <= 0 || H <= 0 || H > (int64_t(1) << 22)) return rows;
  double cx = l + W / 2.0, cy = t + H / 2.0, a = W / 2.0, bb = H / 2.0;
  rows.resize(static_cast<size_t>(H));
  for (int64_t i = 0; i < H; ++i) {
    double dy = (t + i + 0.5 - cy) / bb;
    double q = 1.0 - dy * dy;
    if (q < 0) {
      rows[i] = RowSpan{1, 0};
      continue;
    }
    double dx = a * std::sqrt(q) + 1e-9;
    int xl = static_cast<int>(std::ceil(cx - dx - 0.5));
    int xr = static_cast<int>(std::floor(cx + dx - 0.5));
    rows[i] = RowSpan{std::max(xl, l), std::min(xr, r - 1)};
  }
  return rows;
}

std::vector<RowSpan> RoundRectRows(int l, int t, int r, int b, int ew, int eh) {
  if (r < l) std::swap(l, r);
  if (b < t) std::swap(t, b);
  std::vector<RowSpan> rows;
  int64_t H = int64_t(b) - t;
  if (r - l <= 0 || H <= 0 || H > (int64_t(1) << 22)) return rows;
  ew = std::min(std::abs(ew), r - l);
  eh = std::min(std::abs(eh), b - t);
  rows.assign(static_cast<size_t>(H), RowSpan{l, r - 1});
  if (ew < 2 || eh < 2) return rows;
  std::vector<RowSpan> top = EllipseRows(l, t, l + ew, t + eh);
  std::vector<RowSpan> bot = EllipseRows(l, b - eh, l + ew, b);
  int half = eh / 2;
  for (int i = 0; i < half && i < H; ++i) {
    int inset = top[i].xr < top[i].xl ? ew / 2 : top[i].xl - l;
    rows[i] = RowSpan{l + inset, r - 1 - inset};
  }
  for (int i = 0; i < half && i < H; ++i) {
    size_t bi = bot.size() - 1 - i;
    int inset = bot[bi].xr < bot[bi].xl ? ew / 2 : bot[bi].xl - l;
    rows[H - 1 - i] = RowSpan{l + inset, r - 1 - inset};
  }
  return rows;
}

void ShapeBoxes(const std::vector<RowSpan>& rows, int t, bool outlineOnly, std::vector<pixman_box32_t>* out) {
  int n = static_cast<int>(rows.size());
  auto push = [&](int x0, int x1, int y) {
    if (x0 <= x1) out->push_back(pixman_box32_t{x0, y, x1 + 1, y + 1});
  };
  for (int i = 0; i < n; ++i) {
    RowSpan s = rows[i];
    if (s.xr < s.xl) continue;
    int y = t + i;
    if (!outlineOnly) {
      push(s.xl, s.xr, y);
      continue;
    }
    // Interior: pixels whose four neighbours are all inside.
    int il = s.xl + 1, ir = s.xr - 1;
    if (i == 0 || i == n - 1) {
      il = 1;
      ir = 0;
    } else {
      RowSpan u = rows[i - 1], d = rows[i + 1];
      il = std::max({il, u.xl, d.xl});
      ir = std::min({ir, u.xr, d.xr});
    }
    if (il > ir) {
      push(s.xl, s.xr, y);
    } else {
      push(s.xl, il - 1, y);
      push(ir + 1, s.xr, y);
    }
  }
}

}  // namespace fano_os::gdi

// ---- internal accessors -------------------------------------------------------------------------

namespace fano_os {

using namespace gdi;

const pixman_region32_t* RegionPixman(HRGN rgn) {
  FANO_GDI_LOCK;
  auto r = Get<RegionObj>(rgn);
  return r ? r->rgn.get() : nullptr;
}

HRGN CreateRegionFromPixman(const pixman_region32_t* src) {
  FANO_GDI_LOCK;
  if (!src) return nullptr;
  auto r = std::make_shared<RegionObj>();
  r->rgn = Region(src);
  return Register(r);
}

bool SetRegionFromPixman(HRGN rgn, const pixman_region32_t* src) {
  FANO_GDI_LOCK;
  auto r = Get<RegionObj>(rgn);
  if (!r || !src) return false;
  r->rgn = Region(src);
  return true;
}

}  // namespace fano_os

using namespace fano_os::gdi;
using fano_os::Surface;

static HRGN NewRegion(Region&& rg) {
  auto r = std::make_shared<RegionObj>();
  r->rgn = rg;
  return Register(r);
}

extern "C" {

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  FANO_GDI_LOCK;
  return NewRegion(Region(left, top, right, bottom));
}

HRGN CreateRectRgnIndirect(const RECT* r) {
  if (!r) return nullptr;
  return CreateRectRgn(r->left, r->top, r->right, r->bottom);
}

HRGN CreateEllipticRgn(int left, int top, int right, int bottom) {
  FANO_GDI_LOCK;
  int l = ClampCoord(left), t = ClampCoord(top), r = ClampCoord(right), b = ClampCoord(bottom);
  if (std::abs(int64_t(b) - t) > (int64_t(1) << 22)) return nullptr;
  std::vector<pixman_box32_t> boxes;
  ShapeBoxes(EllipseRows(l, t, r, b), std::min(t, b), false, &boxes);
  Region rg;
  rg.SetBoxes(boxes);
  return NewRegion(std::move(rg));
}

HRGN CreateEllipticRgnIndirect(const RECT* r) {
  if (!r) return nullptr;
  return CreateEllipticRgn(r->left, r->top, r->right, r->bottom);
}

HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int w, int h) {
  FANO_GDI_LOCK;
  int l = ClampCoord(left), t = ClampCoord(top), r = ClampCoord(right), b = ClampCoord(bottom);
  if (std::abs(int64_t(b) - t) > (int64_t(1) << 22)) return nullptr;
  std::vector<pixman_box32_t> boxes;
  ShapeBoxes(RoundRectRows(l, t, r, b, ClampCoord(w), ClampCoord(h)), std::min(t, b), false, &boxes);
  Region rg;
  rg.SetBoxes(boxes);
  return NewRegion(std::move(rg));
}

HRGN CreatePolyPolygonRgn(const POINT* points, const int* counts, int polygons, int fillMode) {
  FANO_GDI_LOCK;
  if (!points || !counts || polygons <= 0 || (fillMode != ALTERNATE && fillMode != WINDING)) return nullptr;
  std::vector<std::vector<PolyPoint>> polys;
  const POINT* p = points;
  for (int i = 0; i < polygons; ++i) {
    if (counts[i] < 0) return nullptr;
    std::vector<PolyPoint> poly;
    for (int k = 0; k < counts[i]; ++k, ++p) poly.push_back({ClampCoord(p->x), ClampCoord(p->y)});
    polys.push_back(std::move(poly));
  }
  std::vector<pixman_box32_t> boxes;
  if (!ScanPolygons(polys, fillMode == WINDING, false, nullptr, &boxes)) return nullptr;
  Region rg;
  rg.SetBoxes(boxes);
  return NewRegion(std::move(rg));
}

HRGN CreatePolygonRgn(const POINT* points, int count, int fillMode) {
  if (count < 0) return nullptr;
  return CreatePolyPolygonRgn(points, &count, 1, fillMode);
}

int CombineRgn(HRGN dst, HRGN src1, HRGN src2, int mode) {
  FANO_GDI_LOCK;
  auto d = Get<RegionObj>(dst);
  auto a = Get<RegionObj>(src1);
  if (!d || !a || mode < RGN_AND || mode > RGN_COPY) return ERROR;
  if (mode == RGN_COPY) {
    d->rgn = a->rgn;
    return d->rgn.Type();
  }
  auto b = Get<RegionObj>(src2);
  if (!b) return ERROR;
  Region res(a->rgn);
  switch (mode) {
    case RGN_AND: res.Intersect(b->rgn); break;
    case RGN_OR: res.Union(b->rgn); break;
    case RGN_XOR: res.Xor(b->rgn); break;
    case RGN_DIFF: res.Subtract(b->rgn); break;
  }
  d->rgn = res;
  return d->rgn.Type();
}

BOOL SetRectRgn(HRGN rgn, int left, int top, int right, int bottom) {
  FANO_GDI_LOCK;
  auto r = Get<RegionObj>(rgn);
  if (!r) return FALSE;
  r->rgn.SetRect(left, top, right, bottom);
  return TRUE;
}

int OffsetRgn(HRGN rgn, int dx, int dy) {
  FANO_GDI_LOCK;
  auto r = Get<RegionObj>(rgn);
  if (!r) return ERROR;
  r->rgn.Translate(dx, dy);
  return r->rgn.Type();
}

BOOL PtInRegion(HRGN rgn, int x, int y) {
  FANO_GDI_LOCK;
  auto r = Get<RegionObj>(rgn);
  return r && r->rgn.Contains(x, y) ? TRUE : FALSE;
}

BOOL RectInRegion(HRGN rgn, const RECT* rc) {
  FANO_GDI_LOCK;
  auto r = Get<RegionObj>(rgn);
  if (!r || !rc) return FALSE;
  Region t(*rc);
  t.Intersect(r->rgn);
  return t.Empty() ? FALSE : TRUE;
}

int GetRgnBox(HRGN rgn, RECT* out) {
  FANO_GDI_LOCK;
  auto r = Get<RegionObj>(rgn);
  if (!r || !out) return ERROR;
  *out = r->rgn.Box();
  return r->rgn.Type();
}

BOOL EqualRgn(HRGN a, HRGN b) {
  FANO_GDI_LOCK;
  auto ra = Get<RegionObj>(a);
  auto rb = Get<RegionObj>(b);
  if (!ra || !rb) return FALSE;
  return ra->rgn.Equal(rb->rgn) ? TRUE : FALSE;
}

}  // extern "C"
