// Primitives: cosmetic and geometric lines, polylines, polygons, rectangles, ellipses, round
// rectangles and region painting, with the original pixel conventions (last points and the right
// and bottom edges excluded).
#include <algorithm>
#include <cmath>

#include "platform/os/gdi_core.h"

namespace fano_os::gdi {

namespace {

// On/off run lengths of a styled pen (empty: solid). Cosmetic styles are in pixels; geometric
// styles scale with the pen's width.
std::vector<int> StyleRuns(const Pen& p, int devWidth) {
  std::vector<int> v;
  int k = p.geometric ? std::max(1, devWidth) : 1;
  switch (p.style) {
    case PS_DASH: v = p.geometric ? std::vector<int>{3, 1} : std::vector<int>{18, 6}; break;
    case PS_DOT: v = p.geometric ? std::vector<int>{1, 1} : std::vector<int>{3, 3}; break;
    case PS_DASHDOT: v = p.geometric ? std::vector<int>{3, 1, 1, 1} : std::vector<int>{9, 6, 3, 6}; break;
    case PS_DASHDOTDOT:
      v = p.geometric ? std::vector<int>{3, 1, 1, 1, 1, 1} : std::vector<int>{9, 3, 3, 3, 3, 3};
      break;
    case PS_ALTERNATE: v = {1, 1}; break;
    case PS_USERSTYLE:
      for (DWORD s : p.userStyle) v.push_back(static_cast<int>(std::min<DWORD>(s, 1u << 16)));
      if (v.size() % 2) {  // an odd list repeats with on and off swapped
        std::vector<int> w = v;
        v.insert(v.end(), w.begin(), w.end());
      }
      if (p.geometric) k = 1;
      break;
    default: break;
  }
  int total = 0;
  for (int& x : v) {
    x *= k;
    total += x;
  }
  if (total == 0) v.clear();
  return v;
}

struct StyleState {
  std::vector<int> runs;
  int64_t pos = 0;  // position along the pattern
  int total = 0;
  void Init(std::vector<int> r) {
    runs = std::move(r);
    total = 0;
    for (int x : runs) total += x;
    pos = 0;
  }
  bool On() const {
    if (runs.empty()) return true;
    int64_t q = pos % total;
    for (size_t i = 0; i < runs.size(); ++i) {
      if (q < runs[i]) return (i % 2) == 0;
      q -= runs[i];
    }
    return true;
  }
};

struct LinePainter {
  DC& dc;
  const Canvas& cv;
  uint32_t color;
  uint32_t gap;
  bool opaqueGaps;
  int rop2;
  StyleState style;

  void Plot(int64_t x, int64_t y, bool on) {
    if (!on && !opaqueGaps) return;
    if (x < -kCoordLimit || y < -kCoordLimit || x > kCoordLimit || y > kCoordLimit) return;
    if (!cv.Visible(static_cast<int>(x), static_cast<int>(y))) return;
    uint32_t& px = cv.surf->pixels[static_cast<size_t>(y + cv.oy) * cv.surf->width + static_cast<size_t>(x + cv.ox)];
    uint32_t v = Rop2(rop2, on ? color : gap, px);
    px = cv.mono ? ToMono(v) : v;
  }

  // Pixels from a to b, b excluded; only the steps that can be visible are visited.
  void Segment(POINT a, POINT b) {
    int64_t dx = int64_t(b.x) - a.x, dy = int64_t(b.y) - a.y;
    int64_t adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
    int64_t n = std::max(adx, ady);
    if (n == 0) return;
    int sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -1 : 1;
    bool xMajor = adx >= ady;
    // Steps whose major coordinate lies inside the canvas extents.
    int64_t lo = xMajor ? cv.ext.x1 - cv.ox : cv.ext.y1 - cv.oy;
    int64_t hi = xMajor ? cv.ext.x2 - cv.ox : cv.ext.y2 - cv.oy;  // exclusive
    int64_t start = xMajor ? a.x : a.y;
    int64_t s = xMajor ? sx : sy;
    int64_t k0, k1;  // inclusive step range
    if (s > 0) {
      k0 = lo - start;
      k1 = hi - 1 - start;
    } else {
      k0 = start - (hi - 1);
      k1 = start - lo;
    }
    k0 = std::max<int64_t>(k0, 0);
    k1 = std::min<int64_t>(k1, n - 1);
    int64_t major = xMajor ? adx : ady, minor = xMajor ? ady : adx;
    for (int64_t k = k0; k <= k1; ++k) {
      int64_t m = static_cast<int64_t>((__int128(2) * k * minor + major) / (__int128(2) * major));
      int64_t x = xMajor ? a.x + sx * k : a.x + sx * m;
      int64_t y = xMajor ? a.y + sy * m : a.y + sy * k;
      style.pos = styleBase + k;
      Plot(x, y, style.On());
    }
    styleBase += n;
  }
  int64_t styleBase = 0;
};

using PolyList = std::vector<std::vector<PolyPoint>>;

// Polygons covering a wide line's segments, caps and joins, in 1/16 pixel units; integer
// coordinates name pixel sample points, so the pen is centred on them.
void AddCircle(PolyList& out, double cx, double cy, double r) {
  int n = std::clamp(static_cast<int>(r * 2), 12, 64);
  std::vector<PolyPoint> c;
  for (int i = 0; i < n; ++i) {
    double t = 2 * M_PI * i / n;
    c.push_back({std::llround((cx + r * std::cos(t)) * 16), std::llround((cy + r * std::sin(t)) * 16)});
  }
  out.push_back(std::move(c));
}

void AddQuad(PolyList& out, double x0, double y0, double x1, double y1, double x2, double y2, double x3, double y3) {
  out.push_back({{std::llround(x0 * 16), std::llround(y0 * 16)},
                 {std::llround(x1 * 16), std::llround(y1 * 16)},
                 {std::llround(x2 * 16), std::llround(y2 * 16)},
                 {std::llround(x3 * 16), std::llround(y3 * 16)}});
}

void WideSegment(PolyList& out, double ax, double ay, double bx, double by, double hw, int startCap, int endCap) {
  double dx = bx - ax, dy = by - ay, len = std::hypot(dx, dy);
  if (len == 0) {
    if (startCap == PS_ENDCAP_ROUND) AddCircle(out, ax, ay, hw);
    else if (startCap == PS_ENDCAP_SQUARE) AddQuad(out, ax - hw, ay - hw, ax + hw, ay - hw, ax + hw, ay + hw, ax - hw, ay + hw);
    return;
  }
  double ux = dx / len, uy = dy / len, nx = -uy * hw, ny = ux * hw;
  if (startCap == PS_ENDCAP_SQUARE) {
    ax -= ux * hw;
    ay -= uy * hw;
  }
  if (endCap == PS_ENDCAP_SQUARE) {
    bx += ux * hw;
    by += uy * hw;
  }
  AddQuad(out, ax + nx, ay + ny, bx + nx, by + ny, bx - nx, by - ny, ax - nx, ay - ny);
  if (startCap == PS_ENDCAP_ROUND) AddCircle(out, ax, ay, hw);
  if (endCap == PS_ENDCAP_ROUND) AddCircle(out, bx, by, hw);
}

void WideJoin(PolyList& out, POINT a, POINT v, POINT b, double hw, int join) {
  if (join == PS_JOIN_ROUND) {
    AddCircle(out, v.x, v.y, hw);
    return;
  }
  double d1x = v.x - a.x, d1y = v.y - a.y, d2x = b.x - v.x, d2y = b.y - v.y;
  double l1 = std::hypot(d1x, d1y), l2 = std::hypot(d2x, d2y);
  if (l1 == 0 || l2 == 0) return;
  double n1x = -d1y / l1 * hw, n1y = d1x / l1 * hw, n2x = -d2y / l2 * hw, n2y = d2x / l2 * hw;
  for (int side : {1, -1}) {
    double p1x = v.x + side * n1x, p1y = v.y + side * n1y, p2x = v.x + side * n2x, p2y = v.y + side * n2y;
    if (join == PS_JOIN_MITER) {
      // Intersection of the two offset lines.
      double ex = d1x / l1, ey = d1y / l1, fx = d2x / l2, fy = d2y / l2;
      double den = ex * fy - ey * fx;
      if (std::fabs(den) > 1e-9) {
        double t = ((p2x - p1x) * fy - (p2y - p1y) * fx) / den;
        double mx = p1x + ex * t, my = p1y + ey * t;
        if (std::hypot(mx - v.x, my - v.y) <= 10 * hw) {
          AddQuad(out, v.x, v.y, p1x, p1y, mx, my, p2x, p2y);
          continue;
        }
      }
    }
    out.push_back({{int64_t(v.x) * 16, int64_t(v.y) * 16},
                   {std::llround(p1x * 16), std::llround(p1y * 16)},
                   {std::llround(p2x * 16), std::llround(p2y * 16)}});
  }
}

void FillPolys(DC& dc, const Canvas& cv, const PolyList& polys, bool winding, bool subpixel, const BrushSampler& s,
               int rop2) {
  if (cv.Empty() || polys.empty()) return;
  pixman_box32_t limit{cv.ext.x1 - cv.ox, cv.ext.y1 - cv.oy, cv.ext.x2 - cv.ox, cv.ext.y2 - cv.oy};
  std::vector<pixman_box32_t> boxes;
  if (subpixel) {
    // Shapes of a wide line overlap: scan each alone and let the region merge them.
    for (const auto& p : polys) {
      PolyList one{p};
      if (!ScanPolygons(one, true, true, &limit, &boxes)) return;
    }
  } else if (!ScanPolygons(polys, winding, false, &limit, &boxes)) {
    return;
  }
  Region r;
  r.SetBoxes(boxes);
  FillRegionRop2(dc, cv, r, s, rop2);
}

void DrawWide(DC& dc, const Canvas& cv, const std::vector<POINT>& pts, bool closed, int width) {
  const Pen& p = *dc.st.pen;
  double hw = width / 2.0;
  int cap = p.ext ? p.endcap : PS_ENDCAP_ROUND;
  int join = p.ext ? p.join : PS_JOIN_ROUND;
  PolyList polys;
  std::vector<int> runs = StyleRuns(p, width);
  size_t n = pts.size();
  size_t segs = closed ? n : n - 1;
  if (runs.empty()) {
    for (size_t i = 0; i < segs; ++i) {
      POINT a = pts[i], b = pts[(i + 1) % n];
      int sc = (!closed && i == 0) ? cap : PS_ENDCAP_FLAT;
      int ec = (!closed && i == segs - 1) ? cap : PS_ENDCAP_FLAT;
      WideSegment(polys, a.x, a.y, b.x, b.y, hw, sc, ec);
    }
    for (size_t i = 1; i < n; ++i) {
      if (!closed && i == n - 1) break;
      WideJoin(polys, pts[i - 1], pts[i], pts[(i + 1) % n], hw, join);
    }
    if (closed && n > 2) WideJoin(polys, pts[n - 1], pts[0], pts[1], hw, join);
  } else {
    // Dashes: each "on" run becomes its own capped piece.
    int total = 0;
    for (int r : runs) total += r;
    double pos = 0;
    for (size_t i = 0; i < segs; ++i) {
      POINT a = pts[i], b = pts[(i + 1) % n];
      double len = std::hypot(double(b.x) - a.x, double(b.y) - a.y);
      double t = 0;
      while (t < len && total > 0) {
        double q = std::fmod(pos, total);
        size_t k = 0;
        double acc = 0;
        while (k < runs.size() && q >= acc + runs[k]) acc += runs[k++];
        if (k >= runs.size()) k = runs.size() - 1;
        double left = acc + runs[k] - q;
        double step = std::min(left, len - t);
        if (k % 2 == 0) {
          double x0 = a.x + (b.x - a.x) * t / len, y0 = a.y + (b.y - a.y) * t / len;
          double x1 = a.x + (b.x - a.x) * (t + step) / len, y1 = a.y + (b.y - a.y) * (t + step) / len;
          WideSegment(polys, x0, y0, x1, y1, hw, cap, cap);
        }
        t += step;
        pos += step;
      }
    }
  }
  FillPolys(dc, cv, polys, true, true, SolidSampler(PenColor(dc), cv.mono), dc.st.rop2);
}

}  // namespace

// Draws the current pen along device points (each segment without its last point; a closed path
// comes back to its first point).
void DrawPolylineDev(DC& dc, const Canvas& cv, const std::vector<POINT>& pts, bool closed) {
  const Pen* p = dc.st.pen.get();
  if (!p || p->style == PS_NULL || pts.size() < 2 || cv.Empty()) return;
  int width = p->geometric ? dc.WidthToDev(std::max(1, p->width)) : 1;
  if (p->geometric && width > 1) {
    DrawWide(dc, cv, pts, closed, width);
    return;
  }
  LinePainter lp{dc, cv, 0, 0, false, dc.st.rop2, {}};
  lp.color = cv.mono ? ToMono(PenColor(dc)) : PenColor(dc);
  lp.gap = cv.mono ? ToMono(dc.st.bkColor) : dc.st.bkColor;
  lp.opaqueGaps = dc.st.bkMode == OPAQUE;
  lp.style.Init(StyleRuns(*p, 1));
  size_t n = pts.size();
  for (size_t i = 0; i + 1 < n; ++i) lp.Segment(pts[i], pts[i + 1]);
  if (closed) lp.Segment(pts[n - 1], pts[0]);
}

static std::vector<POINT> ToDevPoints(DC& dc, const POINT* pts, size_t n) {
  std::vector<POINT> out(n);
  for (size_t i = 0; i < n; ++i) out[i] = dc.ToDev(pts[i]);
  return out;
}

// Outline and fill of a row-span shape (Ellipse, RoundRect).
static void DrawShape(DC& dc, const RECT& dev, bool round, int ew, int eh) {
  Canvas cv = PrepareCanvas(dc);
  if (cv.Empty()) return;
  const Pen* p = dc.st.pen.get();
  bool nullPen = !p || p->style == PS_NULL;
  RECT r = dev;
  if (nullPen) {  // without a pen the figure is one pixel smaller
    r.right -= 1;
    r.bottom -= 1;
  }
  if (r.right <= r.left || r.bottom <= r.top) return;
  auto rows = round ? RoundRectRows(r.left, r.top, r.right, r.bottom, ew, eh) : EllipseRows(r.left, r.top, r.right, r.bottom);
  std::vector<pixman_box32_t> all;
  ShapeBoxes(rows, r.top, false, &all);
  Region shape;
  shape.SetBoxes(all);
  Region outline;
  if (!nullPen) {
    int w = p->geometric ? std::max(1, dc.WidthToDev(p->width)) : 1;
    if (w == 1) {
      std::vector<pixman_box32_t> ob;
      ShapeBoxes(rows, r.top, true, &ob);
      outline.SetBoxes(ob);
    } else {
      RECT in{r.left + w, r.top + w, r.right - w, r.bottom - w};
      Region inner;
      if (in.right > in.left && in.bottom > in.top) {
        auto irows = round ? RoundRectRows(in.left, in.top, in.right, in.bottom, std::max(0, ew - 2 * w),
                                           std::max(0, eh - 2 * w))
                           : EllipseRows(in.left, in.top, in.right, in.bottom);
        std::vector<pixman_box32_t> ib;
        ShapeBoxes(irows, in.top, false, &ib);
        inner.SetBoxes(ib);
      }
      outline = shape;
      outline.Subtract(inner);
    }
  }
  Region fill = shape;
  fill.Subtract(outline);
  FillRegionRop2(dc, cv, fill, MakeSampler(dc, dc.st.brush.get()), dc.st.rop2);
  if (!nullPen) FillRegionRop2(dc, cv, outline, SolidSampler(PenColor(dc), cv.mono), dc.st.rop2);
}

// A logical region in device coordinates.
static Region RegionToDev(DC& dc, const Region& r) {
  Region out;
  if (dc.Identity()) {
    out = r;
    out.Translate(dc.st.vpOrg.x - dc.st.wndOrg.x, dc.st.vpOrg.y - dc.st.wndOrg.y);
    return out;
  }
  std::vector<pixman_box32_t> boxes;
  for (const pixman_box32_t& b : r.Boxes()) {
    RECT d = dc.RectToDev(RECT{b.x1, b.y1, b.x2, b.y2});
    if (d.left < d.right && d.top < d.bottom) boxes.push_back(pixman_box32_t{d.left, d.top, d.right, d.bottom});
  }
  out.SetBoxes(boxes);
  return out;
}

}  // namespace fano_os::gdi

using namespace fano_os::gdi;
using fano_os::Surface;


extern "C" {

BOOL LineTo(HDC dc, int x, int y) {
  FANO_DC_OR(FALSE);
  POINT from = d.st.cur;
  CallScope scope(d, "LineTo", {from.x, from.y, x, y});
  Canvas cv = PrepareCanvas(d);
  DrawPolylineDev(d, cv, {d.ToDev(from), d.ToDev(POINT{x, y})}, false);
  d.st.cur = POINT{x, y};
  return TRUE;
}

static std::vector<int64_t> PointArgs(const POINT* pts, size_t n) {
  std::vector<int64_t> a;
  for (size_t i = 0; i < n; ++i) {
    a.push_back(pts[i].x);
    a.push_back(pts[i].y);
  }
  return a;
}

BOOL Polyline(HDC dc, const POINT* pts, int count) {
  FANO_DC_OR(FALSE);
  if (!pts || count < 2) return FALSE;
  CallScope scope(d, "Polyline", PointArgs(pts, static_cast<size_t>(count)));
  Canvas cv = PrepareCanvas(d);
  DrawPolylineDev(d, cv, ToDevPoints(d, pts, static_cast<size_t>(count)), false);
  return TRUE;
}

BOOL PolylineTo(HDC dc, const POINT* pts, DWORD count) {
  FANO_DC_OR(FALSE);
  if (!pts || count < 1 || count > (1u << 28)) return FALSE;
  std::vector<POINT> all{d.st.cur};
  all.insert(all.end(), pts, pts + count);
  CallScope scope(d, "PolylineTo", PointArgs(all.data(), all.size()));
  Canvas cv = PrepareCanvas(d);
  DrawPolylineDev(d, cv, ToDevPoints(d, all.data(), all.size()), false);
  d.st.cur = pts[count - 1];
  return TRUE;
}

BOOL PolyPolyline(HDC dc, const POINT* pts, const DWORD* counts, DWORD polylines) {
  FANO_DC_OR(FALSE);
  if (!pts || !counts || polylines == 0) return FALSE;
  size_t total = 0;
  for (DWORD i = 0; i < polylines; ++i) {
    if (counts[i] < 2) return FALSE;
    total += counts[i];
  }
  std::vector<int64_t> args{static_cast<int64_t>(polylines)};
  for (DWORD i = 0; i < polylines; ++i) args.push_back(counts[i]);
  std::vector<int64_t> p = PointArgs(pts, total);
  args.insert(args.end(), p.begin(), p.end());
  CallScope scope(d, "PolyPolyline", args);
  Canvas cv = PrepareCanvas(d);
  const POINT* cur = pts;
  for (DWORD i = 0; i < polylines; ++i) {
    DrawPolylineDev(d, cv, ToDevPoints(d, cur, counts[i]), false);
    cur += counts[i];
  }
  return TRUE;
}

BOOL PolyPolygon(HDC dc, const POINT* pts, const int* counts, int polygons) {
  FANO_DC_OR(FALSE);
  if (!pts || !counts || polygons <= 0) return FALSE;
  size_t total = 0;
  for (int i = 0; i < polygons; ++i) {
    if (counts[i] < 2) return FALSE;
    total += static_cast<size_t>(counts[i]);
  }
  std::vector<int64_t> args{polygons};
  for (int i = 0; i < polygons; ++i) args.push_back(counts[i]);
  std::vector<int64_t> p = PointArgs(pts, total);
  args.insert(args.end(), p.begin(), p.end());
  CallScope scope(d, polygons == 1 ? "Polygon" : "PolyPolygon", args);
  Canvas cv = PrepareCanvas(d);
  if (cv.Empty()) return TRUE;
  PolyList polys;
  std::vector<std::vector<POINT>> dev;
  const POINT* cur = pts;
  for (int i = 0; i < polygons; ++i) {
    dev.push_back(ToDevPoints(d, cur, static_cast<size_t>(counts[i])));
    std::vector<PolyPoint> poly;
    for (const POINT& q : dev.back()) poly.push_back({q.x, q.y});
    polys.push_back(std::move(poly));
    cur += counts[i];
  }
  FillPolys(d, cv, polys, d.st.polyFill == WINDING, false, MakeSampler(d, d.st.brush.get()), d.st.rop2);
  for (const auto& poly : dev) DrawPolylineDev(d, cv, poly, true);
  return TRUE;
}

BOOL Polygon(HDC dc, const POINT* pts, int count) {
  if (count < 2) return FALSE;
  return PolyPolygon(dc, pts, &count, 1);
}

BOOL Rectangle(HDC dc, int left, int top, int right, int bottom) {
  FANO_DC_OR(FALSE);
  CallScope scope(d, "Rectangle", {left, top, right, bottom});
  Canvas cv = PrepareCanvas(d);
  if (cv.Empty()) return TRUE;
  RECT r = d.RectToDev(RECT{left, top, right, bottom});
  const Pen* p = d.st.pen.get();
  bool nullPen = !p || p->style == PS_NULL;
  if (nullPen) {
    FillBoxRop2(d, cv, r.left, r.top, r.right - 1, r.bottom - 1, MakeSampler(d, d.st.brush.get()), d.st.rop2);
    return TRUE;
  }
  if (r.right <= r.left || r.bottom <= r.top) return TRUE;
  int w = p->geometric ? std::max(1, d.WidthToDev(p->width)) : 1;
  if (w > 1 && p->style == PS_INSIDEFRAME) {
    // The whole pen stays inside the rectangle.
    int in = w / 2;
    RECT q{r.left + in, r.top + in, r.right - (w - in) + 1, r.bottom - (w - in) + 1};
    if (q.right <= q.left || q.bottom <= q.top) {
      FillBoxRop2(d, cv, r.left, r.top, r.right, r.bottom, SolidSampler(PenColor(d), cv.mono), d.st.rop2);
      return TRUE;
    }
    r = q;
  }
  if (w == 1 && (r.right - r.left < 2 || r.bottom - r.top < 2)) {
    FillBoxRop2(d, cv, r.left, r.top, r.right, r.bottom, SolidSampler(PenColor(d), cv.mono), d.st.rop2);
    return TRUE;
  }
  FillBoxRop2(d, cv, r.left + 1, r.top + 1, r.right - 1, r.bottom - 1, MakeSampler(d, d.st.brush.get()), d.st.rop2);
  DrawPolylineDev(d, cv,
                  {POINT{r.left, r.top}, POINT{r.right - 1, r.top}, POINT{r.right - 1, r.bottom - 1},
                   POINT{r.left, r.bottom - 1}},
                  true);
  return TRUE;
}

BOOL Ellipse(HDC dc, int left, int top, int right, int bottom) {
  FANO_DC_OR(FALSE);
  CallScope scope(d, "Ellipse", {left, top, right, bottom});
  DrawShape(d, d.RectToDev(RECT{left, top, right, bottom}), false, 0, 0);
  return TRUE;
}

BOOL RoundRect(HDC dc, int left, int top, int right, int bottom, int w, int h) {
  FANO_DC_OR(FALSE);
  CallScope scope(d, "RoundRect", {left, top, right, bottom, w, h});
  DrawShape(d, d.RectToDev(RECT{left, top, right, bottom}), true, d.WidthToDev(w), d.WidthToDev(h));
  return TRUE;
}

BOOL FillRgn(HDC dc, HRGN rgn, HBRUSH brush) {
  FANO_DC_OR(FALSE);
  auto r = Get<RegionObj>(rgn);
  auto b = ResolveBrushArg(brush);
  if (!r || !b) return FALSE;
  RECT box = r->rgn.Box();
  CallScope scope(d, "FillRgn", {box.left, box.top, box.right, box.bottom});
  Canvas cv = PrepareCanvas(d);
  Region dev = RegionToDev(d, r->rgn);
  BrushSampler s = MakeSampler(d, b.get());
  for (const pixman_box32_t& bx : dev.Boxes()) FillBoxRop3(cv, bx.x1, bx.y1, bx.x2, bx.y2, s, 0xF0);
  return TRUE;
}

BOOL PaintRgn(HDC dc, HRGN rgn) {
  FANO_DC_OR(FALSE);
  auto r = Get<RegionObj>(rgn);
  if (!r) return FALSE;
  RECT box = r->rgn.Box();
  CallScope scope(d, "PaintRgn", {box.left, box.top, box.right, box.bottom});
  Canvas cv = PrepareCanvas(d);
  FillRegionRop2(d, cv, RegionToDev(d, r->rgn), MakeSampler(d, d.st.brush.get()), d.st.rop2);
  return TRUE;
}

BOOL InvertRgn(HDC dc, HRGN rgn) {
  FANO_DC_OR(FALSE);
  auto r = Get<RegionObj>(rgn);
  if (!r) return FALSE;
  RECT box = r->rgn.Box();
  CallScope scope(d, "InvertRgn", {box.left, box.top, box.right, box.bottom});
  Canvas cv = PrepareCanvas(d);
  for (const pixman_box32_t& bx : RegionToDev(d, r->rgn).Boxes())
    FillBoxRop3(cv, bx.x1, bx.y1, bx.x2, bx.y2, BrushSampler(), 0x55);
  return TRUE;
}

BOOL FrameRgn(HDC dc, HRGN rgn, HBRUSH brush, int w, int h) {
  FANO_DC_OR(FALSE);
  auto r = Get<RegionObj>(rgn);
  auto b = ResolveBrushArg(brush);
  if (!r || !b || w <= 0 || h <= 0) return FALSE;
  RECT box = r->rgn.Box();
  CallScope scope(d, "FrameRgn", {box.left, box.top, box.right, box.bottom, w, h});
  Region dev = RegionToDev(d, r->rgn);
  // Erosion past the region's own size changes nothing more, so the loops stay short.
  RECT db = dev.Box();
  int dw = std::min(std::max(1, d.WidthToDev(w)), db.right - db.left + 1);
  int dh = std::min(std::max(1, d.WidthToDev(h)), db.bottom - db.top + 1);
  // The frame is what erosion by the brush's w x h footprint removes.
  Region inner = dev;
  for (int k = 1; k <= dw; ++k) {
    Region a = dev, c = dev;
    a.Translate(k, 0);
    c.Translate(-k, 0);
    inner.Intersect(a);
    inner.Intersect(c);
  }
  for (int k = 1; k <= dh; ++k) {
    Region a = dev, c = dev;
    a.Translate(0, k);
    c.Translate(0, -k);
    inner.Intersect(a);
    inner.Intersect(c);
  }
  Region frame = dev;
  frame.Subtract(inner);
  Canvas cv = PrepareCanvas(d);
  BrushSampler s = MakeSampler(d, b.get());
  for (const pixman_box32_t& bx : frame.Boxes()) FillBoxRop3(cv, bx.x1, bx.y1, bx.x2, bx.y2, s, 0xF0);
  return TRUE;
}

}  // extern "C"
