// Text: font objects, TextOut and ExtTextOut (rotated by escapement), extents and metrics, and
// DrawText with its layout flags (word breaks, ellipses, prefixes, tabs, alignment, margins).
#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

#include "platform/os/gdi_core.h"
#include "platform/os/gdi_font.h"

namespace fano_os::gdi {

namespace {

int64_t ScaleLen(int64_t v, LONG num, LONG den) {
  if (num == den) return v;
  int64_t r = v * num;
  int64_t q = r / den;
  if ((r % den) * 2 >= den) ++q;  // round half up for positive lengths
  return q;
}

// Lengths between logical and device units, per axis.
int DevX(DC& d, int v) { return static_cast<int>(ScaleLen(v, std::abs(d.st.vpExt.cx), std::abs(d.st.wndExt.cx))); }
int DevY(DC& d, int v) { return static_cast<int>(ScaleLen(v, std::abs(d.st.vpExt.cy), std::abs(d.st.wndExt.cy))); }
int LogX(DC& d, int v) { return static_cast<int>(ScaleLen(v, std::abs(d.st.wndExt.cx), std::abs(d.st.vpExt.cx))); }
int LogY(DC& d, int v) { return static_cast<int>(ScaleLen(v, std::abs(d.st.wndExt.cy), std::abs(d.st.vpExt.cy))); }

Font& CurrentFont(DC& d, bool system = false) {
  if (system || !d.st.font) return *StockFont(SYSTEM_FONT);
  return *d.st.font;
}

FontInstance& Instance(DC& d, Font& f) {
  int h = f.lf.lfHeight < 0 ? -DevY(d, -f.lf.lfHeight) : DevY(d, f.lf.lfHeight);
  int w = DevX(d, std::max<LONG>(0, f.lf.lfWidth));
  if (!f.instance || f.engineGeneration != g_fontEngineGeneration || f.instHeight != h || f.instWidth != w) {
    f.instance = RealizeFont(f.lf, f.face, h, w);
    f.engineGeneration = g_fontEngineGeneration;
    f.instHeight = h;
    f.instWidth = w;
  }
  return *f.instance;
}

// The text direction: u along the baseline, v from the ascent towards the descent.
struct Orient {
  double ux = 1, uy = 0, vx = 0, vy = 1;
};

Orient OrientFor(LONG escapement) {
  int e = static_cast<int>(((escapement % 3600) + 3600) % 3600);
  Orient o;
  switch (e) {
    case 0: return o;
    case 900: return Orient{0, -1, 1, 0};
    case 1800: return Orient{-1, 0, 0, -1};
    case 2700: return Orient{0, 1, -1, 0};
    default: {
      double t = e * M_PI / 1800.0;
      return Orient{std::cos(t), -std::sin(t), std::sin(t), std::cos(t)};
    }
  }
}

// A rectangle of the text frame (x along the baseline from the origin, y down from it) filled in
// device space.
void FillFrameRect(const Canvas& cv, const Orient& o, double bx, double by, double x0, double y0, double x1, double y1,
                   uint32_t color) {
  if (x0 >= x1 || y0 >= y1 || cv.Empty()) return;
  auto pt = [&](double x, double y) {
    return PolyPoint{std::llround((bx + o.ux * x + o.vx * y) * 16), std::llround((by + o.uy * x + o.vy * y) * 16)};
  };
  std::vector<std::vector<PolyPoint>> poly{{pt(x0, y0), pt(x1, y0), pt(x1, y1), pt(x0, y1)}};
  pixman_box32_t limit{cv.ext.x1 - cv.ox, cv.ext.y1 - cv.oy, cv.ext.x2 - cv.ox, cv.ext.y2 - cv.oy};
  std::vector<pixman_box32_t> boxes;
  if (!ScanPolygons(poly, true, true, &limit, &boxes)) return;
  uint32_t c = cv.mono ? ToMono(color) : color;
  for (const auto& b : boxes) cv.ForBox(b.x1, b.y1, b.x2, b.y2, [c](uint32_t& px, int, int) { px = c; });
}

inline uint32_t Blend(uint32_t dst, uint32_t src, unsigned a) {
  auto ch = [&](int shift) {
    unsigned d = (dst >> shift) & 0xFF, s = (src >> shift) & 0xFF;
    return ((d * (255 - a) + s * a + 127) / 255) << shift;
  };
  return ch(0) | ch(8) | ch(16);
}

struct TextStyle {
  uint32_t color = 0;
  bool opaque = false;
  uint32_t bk = 0xFFFFFF;
  bool underline = false;
  bool strike = false;
};

// Draws glyphs with their advances from the baseline origin (bx, by), device coordinates.
void DrawRun(const Canvas& cv, FontInstance& fi, const Orient& o, double bx, double by, const std::vector<char32_t>& cps,
             const std::vector<int>& adv, const TextStyle& st, bool glyphs = true) {
  if (cv.Empty()) return;
  int64_t width = 0;
  for (int a : adv) width += a;
  if (st.opaque) FillFrameRect(cv, o, bx, by, 0, -fi.tm.tmAscent, double(width), fi.tm.tmDescent, st.bk);
  uint32_t color = cv.mono ? ToMono(st.color) : st.color;
  double pen = 0;
  for (size_t i = 0; i < cps.size() && glyphs; ++i) {
    const Glyph& g = fi.GetGlyph(cps[i]);
    double px = bx + o.ux * pen, py = by + o.uy * pen;
    pen += adv[i];
    if (g.width <= 0 || g.height <= 0) continue;
    // Device bounds of the glyph box.
    double xs[4], ys[4];
    int k = 0;
    for (double gx : {double(g.left), double(g.left + g.width)})
      for (double gy : {double(g.top), double(g.top + g.height)}) {
        xs[k] = px + o.ux * gx + o.vx * gy;
        ys[k] = py + o.uy * gx + o.vy * gy;
        ++k;
      }
    int64_t X0 = static_cast<int64_t>(std::floor(*std::min_element(xs, xs + 4)));
    int64_t X1 = static_cast<int64_t>(std::ceil(*std::max_element(xs, xs + 4)));
    int64_t Y0 = static_cast<int64_t>(std::floor(*std::min_element(ys, ys + 4)));
    int64_t Y1 = static_cast<int64_t>(std::ceil(*std::max_element(ys, ys + 4)));
    if (X1 < cv.ext.x1 - cv.ox || X0 > cv.ext.x2 - cv.ox || Y1 < cv.ext.y1 - cv.oy || Y0 > cv.ext.y2 - cv.oy) continue;
    bool mono = cv.mono;
    cv.ForBox(X0, Y0, X1, Y1, [&](uint32_t& p, int X, int Y) {
      double dx = X + 0.5 - px, dy = Y + 0.5 - py;
      int64_t gx = static_cast<int64_t>(std::floor(dx * o.ux + dy * o.uy)) - g.left;
      int64_t gy = static_cast<int64_t>(std::floor(dx * o.vx + dy * o.vy)) - g.top;
      if (gx < 0 || gy < 0 || gx >= g.width || gy >= g.height) return;
      unsigned a = g.alpha[static_cast<size_t>(gy) * g.width + static_cast<size_t>(gx)];
      if (a == 0) return;
      if (mono) {
        if (a >= 128) p = color;
      } else {
        p = a == 255 ? color : Blend(p, color, a);
      }
    });
  }
  if (st.underline)
    FillFrameRect(cv, o, bx, by, 0, fi.underlinePos, double(width), fi.underlinePos + fi.underlineSize, st.color);
  if (st.strike) FillFrameRect(cv, o, bx, by, 0, -fi.strikePos, double(width), -fi.strikePos + fi.strikeSize, st.color);
}

// Per-character advances from a per-unit spacing array: a character takes the sum of its units'.
std::vector<int> AdvancesFromDx(DC& d, const std::vector<int>& offsets, size_t units, const int* dx) {
  std::vector<int> adv(offsets.size());
  for (size_t i = 0; i < offsets.size(); ++i) {
    size_t end = i + 1 < offsets.size() ? static_cast<size_t>(offsets[i + 1]) : units;
    int64_t sum = 0;
    for (size_t k = static_cast<size_t>(offsets[i]); k < end; ++k) sum += dx[k];
    adv[i] = DevX(d, static_cast<int>(std::clamp<int64_t>(sum, -kCoordLimit, kCoordLimit)));
  }
  return adv;
}

std::vector<int> NaturalAdvances(DC& d, FontInstance& fi, const std::vector<char32_t>& cps) {
  std::vector<int> adv(cps.size());
  int extra = d.st.charExtra ? DevX(d, std::abs(d.st.charExtra)) * (d.st.charExtra < 0 ? -1 : 1) : 0;
  for (size_t i = 0; i < cps.size(); ++i) adv[i] = fi.Advance(cps[i]) + extra;
  return adv;
}

struct Text {
  std::vector<char32_t> cps;
  std::vector<int> offsets;  // unit offset of each character
  size_t units = 0;
  std::string utf8;  // for the record
};

Text FromA(const char* s, int n) {
  Text t;
  if (!s) return t;
  size_t len = n < 0 ? std::strlen(s) : static_cast<size_t>(n);
  DecodeUtf8(std::string_view(s, len), &t.cps, &t.offsets);
  t.units = len;
  t.utf8.assign(s, len);
  return t;
}

Text FromW(const char16_t* s, int n) {
  Text t;
  if (!s) return t;
  size_t len = n < 0 ? StrLen16(s) : static_cast<size_t>(n);
  DecodeUtf16(s, len, &t.cps, &t.offsets);
  t.units = len;
  t.utf8 = Utf16ToUtf8(s, len);
  return t;
}

BOOL ExtTextOutImpl(HDC dc, int x, int y, UINT options, const RECT* rc, const Text& t, const int* dx, const char* name) {
  FANO_DC_OR(FALSE);
  std::vector<int64_t> args{x, y};
  if (std::strcmp(name, "ExtTextOut") == 0) {
    args.push_back(options);
    if (rc) {
      for (int64_t v : {rc->left, rc->top, rc->right, rc->bottom}) args.push_back(v);
    }
  }
  CallScope scope(d, name, args, t.utf8);
  Font& f = CurrentFont(d);
  FontInstance& fi = Instance(d, f);
  std::vector<int> adv = dx ? AdvancesFromDx(d, t.offsets, t.units, dx) : NaturalAdvances(d, fi, t.cps);
  int64_t width = 0;
  for (int a : adv) width += a;
  bool updateCp = (d.st.textAlign & TA_UPDATECP) != 0;
  POINT ref = updateCp ? d.st.cur : POINT{x, y};
  POINT dev = d.ToDev(ref);
  Canvas cv = PrepareCanvas(d);
  if ((options & ETO_OPAQUE) && rc) {
    RECT r = d.RectToDev(*rc);
    uint32_t bk = cv.mono ? ToMono(d.st.bkColor) : d.st.bkColor;
    cv.ForBox(r.left, r.top, r.right, r.bottom, [bk](uint32_t& px, int, int) { px = bk; });
  }
  if ((options & ETO_CLIPPED) && rc) cv = ClipCanvas(cv, d.RectToDev(*rc));
  Orient o = OrientFor(f.lf.lfEscapement);
  UINT ha = d.st.textAlign & TA_CENTER, va = d.st.textAlign & TA_BASELINE;
  double ax = ha == TA_CENTER ? -double(width / 2) : (ha == TA_RIGHT ? -double(width) : 0.0);
  double ay = va == TA_BASELINE ? 0.0 : (va == TA_BOTTOM ? -double(fi.tm.tmDescent) : double(fi.tm.tmAscent));
  double bx = dev.x + o.ux * ax + o.vx * ay, by = dev.y + o.uy * ax + o.vy * ay;
  TextStyle st;
  st.color = d.st.textColor;
  st.opaque = d.st.bkMode == OPAQUE;
  st.bk = d.st.bkColor;
  st.underline = f.lf.lfUnderline != 0;
  st.strike = f.lf.lfStrikeOut != 0;
  DrawRun(cv, fi, o, bx, by, t.cps, adv, st);
  if (updateCp && ha != TA_CENTER) {
    double sign = ha == TA_RIGHT ? -1.0 : 1.0;
    int lw = LogX(d, static_cast<int>(width));
    d.st.cur = POINT{ClampCoord(ref.x + std::llround(sign * o.ux * lw)), ClampCoord(ref.y + std::llround(sign * o.uy * lw))};
  }
  return TRUE;
}

BOOL ExtentImpl(HDC dc, const Text& t, int maxExtent, int* fit, int* dxOut, SIZE* out) {
  FANO_DC_OR(FALSE);
  if (!out) return FALSE;
  FontInstance& fi = Instance(d, CurrentFont(d));
  std::vector<int> adv = NaturalAdvances(d, fi, t.cps);
  int64_t pos = 0;
  int fitUnits = 0;
  bool fits = true;
  for (size_t i = 0; i < t.cps.size(); ++i) {
    pos += adv[i];
    size_t end = i + 1 < t.cps.size() ? static_cast<size_t>(t.offsets[i + 1]) : t.units;
    int lpos = LogX(d, static_cast<int>(std::min<int64_t>(pos, kCoordLimit)));
    if (fits && fit && maxExtent >= 0 && lpos > maxExtent) fits = false;
    if (fits) fitUnits = static_cast<int>(end);
    if (dxOut)
      for (size_t k = static_cast<size_t>(t.offsets[i]); k < end; ++k) dxOut[k] = lpos;
  }
  if (fit) *fit = fitUnits;
  out->cx = LogX(d, static_cast<int>(std::min<int64_t>(pos, kCoordLimit)));
  out->cy = LogY(d, fi.tm.tmHeight);
  return TRUE;
}

void ScaleMetrics(DC& d, const TEXTMETRICW& in, TEXTMETRICW* out) {
  *out = in;
  out->tmHeight = LogY(d, in.tmHeight);
  out->tmAscent = LogY(d, in.tmAscent);
  out->tmDescent = LogY(d, in.tmDescent);
  out->tmInternalLeading = LogY(d, in.tmInternalLeading);
  out->tmExternalLeading = LogY(d, in.tmExternalLeading);
  out->tmAveCharWidth = LogX(d, in.tmAveCharWidth);
  out->tmMaxCharWidth = LogX(d, in.tmMaxCharWidth);
}

BOOL MetricsImpl(HDC dc, TEXTMETRICW* out) {
  FANO_DC_OR(FALSE);
  if (!out) return FALSE;
  ScaleMetrics(d, Instance(d, CurrentFont(d)).tm, out);
  return TRUE;
}

UINT OutlineImpl(HDC dc, UINT size, OUTLINETEXTMETRICW* out) {
  FANO_DC_OR(0);
  OUTLINETEXTMETRICW m = Instance(d, CurrentFont(d)).otm;
  ScaleMetrics(d, m.otmTextMetrics, &m.otmTextMetrics);
  if (!out || size == 0) return sizeof(OUTLINETEXTMETRICW);
  UINT n = std::min<UINT>(size, sizeof m);
  std::memcpy(out, &m, n);
  if (n >= sizeof(UINT)) out->otmSize = sizeof(OUTLINETEXTMETRICW);
  return n;
}

BOOL CharWidthImpl(HDC dc, UINT first, UINT last, int* out) {
  FANO_DC_OR(FALSE);
  if (!out || last < first || last - first > 0x10FFFF) return FALSE;
  FontInstance& fi = Instance(d, CurrentFont(d));
  for (UINT c = first; c <= last; ++c) out[c - first] = LogX(d, fi.Advance(c));
  return TRUE;
}

// ---- DrawText ---------------------------------------------------------------------------------

struct Line {
  std::vector<char32_t> cps;
  std::vector<bool> prefix;  // the underlined (accelerator) character
  std::vector<int> adv;
  int width = 0;
};

class DrawTextLayout {
 public:
  DrawTextLayout(FontInstance& fi, UINT fmt, int tabWidth) : fi_(fi), fmt_(fmt), tab_(tabWidth) {}

  // Advances of a line, tabs expanded from the line's start.
  void Measure(Line& l) {
    l.adv.resize(l.cps.size());
    int x = 0;
    for (size_t i = 0; i < l.cps.size(); ++i) {
      int a = fi_.Advance(l.cps[i]);
      if (l.cps[i] == '\t' && (fmt_ & DT_EXPANDTABS)) a = tab_ > 0 ? tab_ - (x % tab_) : 0;
      l.adv[i] = a;
      x += a;
    }
    l.width = x;
  }

  // Splits one paragraph into lines no wider than w where breaks allow.
  std::vector<Line> Wrap(const Line& para, int w) {
    std::vector<Line> out;
    size_t n = para.cps.size(), start = 0;
    auto sub = [&](size_t a, size_t b) {
      Line l;
      l.cps.assign(para.cps.begin() + static_cast<ptrdiff_t>(a), para.cps.begin() + static_cast<ptrdiff_t>(b));
      l.prefix.assign(para.prefix.begin() + static_cast<ptrdiff_t>(a), para.prefix.begin() + static_cast<ptrdiff_t>(b));
      Measure(l);
      return l;
    };
    auto isBreakSpace = [](char32_t c) { return c == ' ' || c == 0x3000 || c == '\t'; };
    while (start < n) {
      // Leading spaces of a wrapped line are dropped.
      if (!out.empty())
        while (start < n && isBreakSpace(para.cps[start])) ++start;
      if (start >= n) break;
      int x = 0;
      size_t i = start, lastBreak = SIZE_MAX;
      for (; i < n; ++i) {
        char32_t c = para.cps[i];
        int a = fi_.Advance(c);
        if (c == '\t' && (fmt_ & DT_EXPANDTABS)) a = tab_ > 0 ? tab_ - (x % tab_) : 0;
        if (isBreakSpace(c)) {
          lastBreak = i;  // break before the space
        } else if (i > start && (IsWideChar(c) || IsWideChar(para.cps[i - 1]))) {
          lastBreak = i;  // between Chinese characters
        }
        if (x + a > w && i > start && !isBreakSpace(c)) break;
        x += a;
      }
      if (i >= n) {
        out.push_back(sub(start, n));
        break;
      }
      size_t cut;
      if (lastBreak != SIZE_MAX && lastBreak > start) {
        cut = lastBreak;
      } else if (fmt_ & (DT_EDITCONTROL | DT_WORD_ELLIPSIS)) {
        cut = i;  // a word longer than the line is cut where it overflows
      } else {
        // The word stays whole and overflows: the line ends at the next break.
        cut = i;
        while (cut < n && !isBreakSpace(para.cps[cut]) && !IsWideChar(para.cps[cut])) ++cut;
      }
      size_t end = cut;
      while (end > start && isBreakSpace(para.cps[end - 1])) --end;
      out.push_back(sub(start, end));
      start = cut;
    }
    if (out.empty()) out.push_back(Line());
    return out;
  }

  // Shortens a line to w with "..." at its end (or in the middle of a path).
  void Ellipsize(Line& l, int w, bool path, bool word) {
    if (l.width <= w) return;
    static const std::vector<char32_t> dots{'.', '.', '.'};
    int dotsW = 0;
    for (char32_t c : dots) dotsW += fi_.Advance(c);
    if (path) {
      size_t sep = SIZE_MAX;
      for (size_t i = 0; i < l.cps.size(); ++i)
        if (l.cps[i] == '\\' || l.cps[i] == '/') sep = i;
      if (sep != SIZE_MAX && sep > 0) {
        std::vector<char32_t> tail(l.cps.begin() + static_cast<ptrdiff_t>(sep), l.cps.end());
        int tailW = 0;
        for (char32_t c : tail) tailW += fi_.Advance(c);
        size_t head = sep;
        int headW = 0;
        for (size_t i = 0; i < head; ++i) headW += fi_.Advance(l.cps[i]);
        while (head > 0 && headW + dotsW + tailW > w) headW -= fi_.Advance(l.cps[--head]);
        if (headW + dotsW + tailW <= w) {
          Line r;
          r.cps.assign(l.cps.begin(), l.cps.begin() + static_cast<ptrdiff_t>(head));
          r.cps.insert(r.cps.end(), dots.begin(), dots.end());
          r.cps.insert(r.cps.end(), tail.begin(), tail.end());
          r.prefix.assign(r.cps.size(), false);
          Measure(r);
          l = r;
          return;
        }
        l.cps = tail;  // even the file name alone is too long: shorten it at its end
        l.prefix.assign(l.cps.size(), false);
        Measure(l);
      }
    }
    size_t keep = l.cps.size();
    int x = l.width;
    while (keep > 0 && x + dotsW > w) x -= l.adv[--keep];
    if (word) {
      size_t k = keep;
      while (k > 0 && l.cps[k - 1] != ' ') --k;
      if (k > 0) keep = k;
    }
    while (keep > 0 && l.cps[keep - 1] == ' ') --keep;
    l.cps.resize(keep);
    l.prefix.resize(keep);
    l.cps.insert(l.cps.end(), dots.begin(), dots.end());
    l.prefix.insert(l.prefix.end(), 3, false);
    Measure(l);
  }

 private:
  FontInstance& fi_;
  UINT fmt_;
  int tab_;
};

int DrawTextImpl(HDC dc, const Text& t, RECT* rc, UINT fmt, DRAWTEXTPARAMS* params) {
  FANO_DC_OR(0);
  if (!rc) return 0;
  if (params && params->cbSize != sizeof(DRAWTEXTPARAMS)) return 0;
  int tabChars = 8;
  if (fmt & DT_TABSTOP) {
    tabChars = static_cast<int>((fmt >> 8) & 0xFF);
    fmt &= ~static_cast<UINT>(0xFF00);  // the high byte is the tab length, not flags
  } else if (params && params->iTabLength > 0) {
    tabChars = params->iTabLength;
  }
  bool calc = (fmt & DT_CALCRECT) != 0;
  std::vector<int64_t> args{rc->left, rc->top, rc->right, rc->bottom, static_cast<int64_t>(fmt)};
  std::optional<CallScope> scope;  // measuring draws nothing, so it is not logged
  if (!calc) scope.emplace(d, "DrawText", args, t.utf8);
  Font& f = CurrentFont(d, (fmt & DT_INTERNAL) != 0);
  FontInstance& fi = Instance(d, f);
  int lm = params ? DevX(d, std::max(0, params->iLeftMargin)) : 0;
  int rm = params ? DevX(d, std::max(0, params->iRightMargin)) : 0;
  if (params) params->uiLengthDrawn = static_cast<UINT>(t.units);
  if (t.cps.empty()) {
    if (calc) {
      rc->right = rc->left;
      rc->bottom = rc->top;
    }
    return 0;
  }
  RECT dev = d.RectToDev(*rc);
  int lineH = fi.tm.tmHeight + ((fmt & DT_EXTERNALLEADING) ? fi.tm.tmExternalLeading : 0);
  int avail = std::max(0, static_cast<int>(dev.right - dev.left) - lm - rm);
  DrawTextLayout lay(fi, fmt, std::max(1, tabChars) * fi.tm.tmAveCharWidth);

  // The '&' prefix: "&&" is one '&', "&x" underlines x.
  Line all;
  bool prefixes = !(fmt & DT_NOPREFIX);
  for (size_t i = 0; i < t.cps.size(); ++i) {
    char32_t c = t.cps[i];
    if (prefixes && c == '&') {
      if (i + 1 < t.cps.size() && t.cps[i + 1] == '&') {
        all.cps.push_back('&');
        all.prefix.push_back(false);
        ++i;
      } else if (i + 1 < t.cps.size()) {
        all.cps.push_back(t.cps[i + 1]);
        all.prefix.push_back(true);
        ++i;
      }
      continue;
    }
    all.cps.push_back(c);
    all.prefix.push_back(false);
  }

  std::vector<Line> lines;
  if (fmt & DT_SINGLELINE) {
    lay.Measure(all);
    lines.push_back(all);
  } else {
    Line para;
    auto flush = [&]() {
      lay.Measure(para);
      if (fmt & DT_WORDBREAK) {
        for (Line& l : lay.Wrap(para, avail)) lines.push_back(std::move(l));
      } else {
        lines.push_back(para);
      }
      para = Line();
    };
    for (size_t i = 0; i < all.cps.size(); ++i) {
      char32_t c = all.cps[i];
      if (c == '\r' || c == '\n') {
        if (c == '\r' && i + 1 < all.cps.size() && all.cps[i + 1] == '\n') ++i;
        flush();
        continue;
      }
      para.cps.push_back(c);
      para.prefix.push_back(all.prefix[i]);
    }
    if (!para.cps.empty() || lines.empty() || all.cps.back() == '\n' || all.cps.back() == '\r') flush();
  }

  bool ell = (fmt & (DT_END_ELLIPSIS | DT_PATH_ELLIPSIS | DT_WORD_ELLIPSIS)) != 0;
  if (ell)
    for (Line& l : lines) lay.Ellipsize(l, avail, (fmt & DT_PATH_ELLIPSIS) != 0, (fmt & DT_WORD_ELLIPSIS) != 0);

  int maxW = 0;
  for (const Line& l : lines) maxW = std::max(maxW, l.width);
  int textH = static_cast<int>(lines.size()) * lineH;
  if (calc) {
    rc->right = rc->left + LogX(d, lm + maxW + rm);
    rc->bottom = rc->top + LogY(d, (fmt & DT_SINGLELINE) ? lineH : textH);
    return rc->bottom - rc->top;
  }

  int boxH = static_cast<int>(dev.bottom - dev.top);
  // Lines below the rectangle's bottom: an end ellipsis closes the last line that fits.
  if ((fmt & DT_WORDBREAK) && (fmt & DT_END_ELLIPSIS) && !(fmt & DT_SINGLELINE) && textH > boxH && lineH > 0) {
    size_t fitLines = static_cast<size_t>(std::max(1, boxH / lineH));
    if (fitLines < lines.size()) {
      lines.resize(fitLines);
      Line& last = lines.back();
      static const char32_t kDots[] = {'.', '.', '.'};
      last.cps.insert(last.cps.end(), kDots, kDots + 3);
      last.prefix.insert(last.prefix.end(), 3, false);
      lay.Measure(last);
      // Drop characters before the dots until the line fits.
      while (last.width > avail && last.cps.size() > 3) {
        last.cps.erase(last.cps.end() - 4);
        last.prefix.erase(last.prefix.end() - 4);
        lay.Measure(last);
      }
    }
  }

  int top = static_cast<int>(dev.top);
  if (fmt & DT_SINGLELINE) {
    if (fmt & DT_VCENTER)
      top = static_cast<int>(dev.top) + (boxH - lineH) / 2;
    else if (fmt & DT_BOTTOM)
      top = static_cast<int>(dev.bottom) - lineH;
  }
  Canvas cv = PrepareCanvas(d);
  if (!(fmt & DT_NOCLIP)) cv = ClipCanvas(cv, dev);
  Orient o = OrientFor(f.lf.lfEscapement);
  TextStyle st;
  st.color = d.st.textColor;
  st.opaque = d.st.bkMode == OPAQUE;
  st.bk = d.st.bkColor;
  st.underline = f.lf.lfUnderline != 0;
  st.strike = f.lf.lfStrikeOut != 0;
  bool drawGlyphs = !(fmt & DT_PREFIXONLY);
  bool drawPrefix = !(fmt & DT_HIDEPREFIX);
  for (size_t i = 0; i < lines.size(); ++i) {
    const Line& l = lines[i];
    int y = top + static_cast<int>(i) * lineH;
    if ((fmt & DT_EDITCONTROL) && !(fmt & DT_NOCLIP) && y + lineH > dev.bottom && i > 0) break;
    int x;
    if (fmt & DT_CENTER)
      x = static_cast<int>(dev.left) + lm + (avail - l.width) / 2;
    else if (fmt & DT_RIGHT)
      x = static_cast<int>(dev.right) - rm - l.width;
    else
      x = static_cast<int>(dev.left) + lm;
    double bx = x + o.vx * fi.tm.tmAscent, by = y + o.vy * fi.tm.tmAscent;
    DrawRun(cv, fi, o, bx, by, l.cps, l.adv, st, drawGlyphs);
    if (drawPrefix) {
      int px = 0;
      for (size_t k = 0; k < l.cps.size(); ++k) {
        if (l.prefix[k])
          FillFrameRect(cv, o, bx, by, px, fi.underlinePos, px + l.adv[k], fi.underlinePos + 1, st.color);
        px += l.adv[k];
      }
    }
  }
  int result = (fmt & DT_SINGLELINE) && (fmt & (DT_VCENTER | DT_BOTTOM)) ? top - static_cast<int>(dev.top) + lineH : textH;
  return LogY(d, result);
}

HFONT NewFont(const LOGFONTW& lf, std::string face) {
  auto f = std::make_shared<Font>();
  f->lf = lf;
  f->lf.lfHeight = std::clamp<LONG>(lf.lfHeight, -kCoordLimit, kCoordLimit);
  f->lf.lfWidth = std::clamp<LONG>(lf.lfWidth, -kCoordLimit, kCoordLimit);
  f->face = std::move(face);
  return Register(f);
}

}  // namespace

}  // namespace fano_os::gdi

using namespace fano_os::gdi;

extern "C" {

HFONT CreateFontIndirectW(const LOGFONTW* lf) {
  FANO_GDI_LOCK;
  if (!lf) return nullptr;
  LOGFONTW copy = *lf;
  size_t n = 0;
  while (n < LF_FACESIZE && copy.lfFaceName[n]) ++n;
  if (n == LF_FACESIZE) copy.lfFaceName[LF_FACESIZE - 1] = 0, n = LF_FACESIZE - 1;
  return NewFont(copy, Utf16ToUtf8(copy.lfFaceName, n));
}

HFONT CreateFontIndirectA(const LOGFONTA* lf) {
  FANO_GDI_LOCK;
  if (!lf) return nullptr;
  LOGFONTW w{};
  std::memcpy(&w, lf, offsetof(LOGFONTA, lfFaceName));
  size_t n = strnlen(lf->lfFaceName, LF_FACESIZE);
  std::string face(lf->lfFaceName, n);
  std::u16string f16 = Utf8ToUtf16(face);
  for (size_t i = 0; i < f16.size() && i < LF_FACESIZE - 1; ++i) w.lfFaceName[i] = f16[i];
  return NewFont(w, Utf16ToUtf8(w.lfFaceName, std::min<size_t>(f16.size(), LF_FACESIZE - 1)));
}

static LOGFONTW MakeLogFont(int height, int width, int esc, int orient, int weight, DWORD italic, DWORD underline,
                            DWORD strike, DWORD charSet, DWORD outPrec, DWORD clipPrec, DWORD quality, DWORD pitch) {
  LOGFONTW lf{};
  lf.lfHeight = height;
  lf.lfWidth = width;
  lf.lfEscapement = esc;
  lf.lfOrientation = orient;
  lf.lfWeight = weight;
  lf.lfItalic = italic ? 1 : 0;
  lf.lfUnderline = underline ? 1 : 0;
  lf.lfStrikeOut = strike ? 1 : 0;
  lf.lfCharSet = static_cast<BYTE>(charSet);
  lf.lfOutPrecision = static_cast<BYTE>(outPrec);
  lf.lfClipPrecision = static_cast<BYTE>(clipPrec);
  lf.lfQuality = static_cast<BYTE>(quality);
  lf.lfPitchAndFamily = static_cast<BYTE>(pitch);
  return lf;
}

HFONT CreateFontW(int height, int width, int esc, int orient, int weight, DWORD italic, DWORD underline, DWORD strike,
                  DWORD charSet, DWORD outPrec, DWORD clipPrec, DWORD quality, DWORD pitch, const FANO_WCHAR* face) {
  LOGFONTW lf = MakeLogFont(height, width, esc, orient, weight, italic, underline, strike, charSet, outPrec, clipPrec,
                            quality, pitch);
  for (size_t i = 0; face && face[i] && i < LF_FACESIZE - 1; ++i) lf.lfFaceName[i] = face[i];
  return CreateFontIndirectW(&lf);
}

HFONT CreateFontA(int height, int width, int esc, int orient, int weight, DWORD italic, DWORD underline, DWORD strike,
                  DWORD charSet, DWORD outPrec, DWORD clipPrec, DWORD quality, DWORD pitch, const char* face) {
  LOGFONTW lf = MakeLogFont(height, width, esc, orient, weight, italic, underline, strike, charSet, outPrec, clipPrec,
                            quality, pitch);
  std::u16string f16 = Utf8ToUtf16(face ? std::string_view(face, strnlen(face, 256)) : std::string_view());
  for (size_t i = 0; i < f16.size() && i < LF_FACESIZE - 1; ++i) lf.lfFaceName[i] = f16[i];
  return CreateFontIndirectW(&lf);
}

BOOL TextOutA(HDC dc, int x, int y, const char* text, int length) {
  if (!text && length != 0) return FALSE;
  return ExtTextOutImpl(dc, x, y, 0, nullptr, FromA(text, length), nullptr, "TextOut");
}
BOOL TextOutW(HDC dc, int x, int y, const FANO_WCHAR* text, int length) {
  if (!text && length != 0) return FALSE;
  return ExtTextOutImpl(dc, x, y, 0, nullptr, FromW(text, length), nullptr, "TextOut");
}
BOOL ExtTextOutA(HDC dc, int x, int y, UINT options, const RECT* r, const char* text, UINT length, const int* dx) {
  if (!text && length != 0) return FALSE;
  return ExtTextOutImpl(dc, x, y, options, r, FromA(text, static_cast<int>(std::min<UINT>(length, 1u << 30))), dx,
                        "ExtTextOut");
}
BOOL ExtTextOutW(HDC dc, int x, int y, UINT options, const RECT* r, const FANO_WCHAR* text, UINT length, const int* dx) {
  if (!text && length != 0) return FALSE;
  return ExtTextOutImpl(dc, x, y, options, r, FromW(text, static_cast<int>(std::min<UINT>(length, 1u << 30))), dx,
                        "ExtTextOut");
}

BOOL GetTextExtentPoint32A(HDC dc, const char* text, int length, SIZE* out) {
  if (!text && length != 0) return FALSE;
  return ExtentImpl(dc, FromA(text, length), -1, nullptr, nullptr, out);
}
BOOL GetTextExtentPoint32W(HDC dc, const FANO_WCHAR* text, int length, SIZE* out) {
  if (!text && length != 0) return FALSE;
  return ExtentImpl(dc, FromW(text, length), -1, nullptr, nullptr, out);
}
BOOL GetTextExtentExPointA(HDC dc, const char* text, int length, int maxExtent, int* fit, int* dx, SIZE* out) {
  if (!text && length != 0) return FALSE;
  return ExtentImpl(dc, FromA(text, length), maxExtent, fit, dx, out);
}
BOOL GetTextExtentExPointW(HDC dc, const FANO_WCHAR* text, int length, int maxExtent, int* fit, int* dx, SIZE* out) {
  if (!text && length != 0) return FALSE;
  return ExtentImpl(dc, FromW(text, length), maxExtent, fit, dx, out);
}

BOOL GetTextMetricsA(HDC dc, TEXTMETRICA* out) { return MetricsImpl(dc, out); }
BOOL GetTextMetricsW(HDC dc, TEXTMETRICW* out) { return MetricsImpl(dc, out); }
UINT GetOutlineTextMetricsA(HDC dc, UINT size, OUTLINETEXTMETRICA* out) { return OutlineImpl(dc, size, out); }
UINT GetOutlineTextMetricsW(HDC dc, UINT size, OUTLINETEXTMETRICW* out) { return OutlineImpl(dc, size, out); }
BOOL GetCharWidthA(HDC dc, UINT first, UINT last, int* out) { return CharWidthImpl(dc, first, last, out); }
BOOL GetCharWidthW(HDC dc, UINT first, UINT last, int* out) { return CharWidthImpl(dc, first, last, out); }
BOOL GetCharWidth32A(HDC dc, UINT first, UINT last, int* out) { return CharWidthImpl(dc, first, last, out); }
BOOL GetCharWidth32W(HDC dc, UINT first, UINT last, int* out) { return CharWidthImpl(dc, first, last, out); }

int GetTextFaceA(HDC dc, int size, char* out) {
  FANO_DC_OR(0);
  const std::string& face = CurrentFont(d).face;
  int need = static_cast<int>(face.size()) + 1;
  if (!out) return need;
  if (size <= 0) return 0;
  size_t n = std::min(face.size(), static_cast<size_t>(size - 1));
  while (n > 0 && n < face.size() && (static_cast<unsigned char>(face[n]) & 0xC0) == 0x80) --n;
  if (n) std::memcpy(out, face.data(), n);
  out[n] = 0;
  return static_cast<int>(n) + 1;
}

int GetTextFaceW(HDC dc, int size, FANO_WCHAR* out) {
  FANO_DC_OR(0);
  std::u16string face = Utf8ToUtf16(CurrentFont(d).face);
  int need = static_cast<int>(face.size()) + 1;
  if (!out) return need;
  if (size <= 0) return 0;
  size_t n = std::min(face.size(), static_cast<size_t>(size - 1));
  for (size_t i = 0; i < n; ++i) out[i] = face[i];
  out[n] = 0;
  return static_cast<int>(n) + 1;
}

int FanoGetFontFile(HFONT font, char* out, int size) {
  FANO_GDI_LOCK;
  auto f = Get<Font>(font);
  if (!f) return 0;
  std::shared_ptr<FontInstance> inst = RealizeFont(f->lf, f->face, f->lf.lfHeight, std::max<LONG>(0, f->lf.lfWidth));
  const std::string& file = inst->file;
  if (out && size > 0) {
    size_t n = std::min(file.size(), static_cast<size_t>(size - 1));
    if (n) std::memcpy(out, file.data(), n);
    out[n] = 0;
  }
  return static_cast<int>(file.size());
}

int DrawTextA(HDC dc, const char* text, int length, RECT* r, UINT format) {
  if (!text && length != 0) return 0;
  return DrawTextImpl(dc, FromA(text, length), r, format, nullptr);
}
int DrawTextW(HDC dc, const FANO_WCHAR* text, int length, RECT* r, UINT format) {
  if (!text && length != 0) return 0;
  return DrawTextImpl(dc, FromW(text, length), r, format, nullptr);
}
int DrawTextExA(HDC dc, const char* text, int length, RECT* r, UINT format, DRAWTEXTPARAMS* params) {
  if (!text && length != 0) return 0;
  return DrawTextImpl(dc, FromA(text, length), r, format, params);
}
int DrawTextExW(HDC dc, const FANO_WCHAR* text, int length, RECT* r, UINT format, DRAWTEXTPARAMS* params) {
  if (!text && length != 0) return 0;
  return DrawTextImpl(dc, FromW(text, length), r, format, params);
}

}  // extern "C"
