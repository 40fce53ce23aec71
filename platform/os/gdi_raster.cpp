// The raster engine: binary and ternary raster operations, brushes as pixel sources, blits with
// stretching and colour/monochrome conversion, pixels, DIB conversion and gradient fills.
#include <algorithm>
#include <cstring>

#include "platform/os/gdi_core.h"

namespace fano_os::gdi {

uint32_t Rop2(int rop2, uint32_t p, uint32_t d) {
  switch (rop2) {
    case R2_COPYPEN: return p;
    case R2_XORPEN: return (p ^ d) & 0xFFFFFF;
    case R2_NOP: return d;
    case R2_NOT: return ~d & 0xFFFFFF;
    default: break;
  }
  unsigned t = static_cast<unsigned>(rop2 - 1) & 15;
  uint32_t r = 0;
  if (t & 1) r |= ~p & ~d;
  if (t & 2) r |= ~p & d;
  if (t & 4) r |= p & ~d;
  if (t & 8) r |= p & d;
  return r & 0xFFFFFF;
}

uint32_t Rop3(uint8_t code, uint32_t p, uint32_t s, uint32_t d) {
  switch (code) {
    case 0xCC: return s;
    case 0xF0: return p;
    case 0xAA: return d;
    case 0x00: return 0;
    case 0xFF: return 0xFFFFFF;
    case 0x66: return (s ^ d) & 0xFFFFFF;
    case 0x88: return s & d;
    case 0xEE: return (s | d) & 0xFFFFFF;
    case 0x33: return ~s & 0xFFFFFF;
    case 0x55: return ~d & 0xFFFFFF;
    case 0x5A: return (p ^ d) & 0xFFFFFF;
    default: break;
  }
  uint32_t r = 0;
  for (int i = 0; i < 8; ++i) {
    if (!((code >> i) & 1)) continue;
    r |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
  }
  return r & 0xFFFFFF;
}

// ---- brushes ----------------------------------------------------------------------------------

static bool HatchBit(int hatch, int x, int y) {
  switch (hatch) {
    case HS_HORIZONTAL: return y == 7;
    case HS_VERTICAL: return x == 7;
    case HS_FDIAGONAL: return x == y;
    case HS_BDIAGONAL: return x + y == 7;
    case HS_CROSS: return x == 7 || y == 7;
    case HS_DIAGCROSS: return x == y || x + y == 7;
    default: return false;
  }
}

static int Mod(int64_t a, int m) {
  int64_t r = a % m;
  return static_cast<int>(r < 0 ? r + m : r);
}

bool BrushSampler::Sample(int x, int y, uint32_t* out) const {
  uint32_t c;
  switch (type) {
    case 1:
      c = color;
      break;
    case 2: {
      if (HatchBit(hatch, Mod(int64_t(x) - orgX, 8), Mod(int64_t(y) - orgY, 8))) {
        c = color;
      } else {
        if (!opaque) return false;
        c = bg;
      }
      break;
    }
    case 3: {
      uint32_t v = pat->pixels[static_cast<size_t>(Mod(int64_t(y) - orgY, pat->height)) * pat->width +
                               Mod(int64_t(x) - orgX, pat->width)];
      c = patMono ? (v ? bg : fg) : v;
      break;
    }
    default:
      return false;
  }
  *out = monoTarget ? ToMono(c) : c;
  return true;
}

BrushSampler SolidSampler(uint32_t color, bool monoTarget) {
  BrushSampler s;
  s.type = 1;
  s.color = color & 0xFFFFFF;
  s.monoTarget = monoTarget;
  return s;
}

BrushSampler MakeSampler(DC& dc, const Brush* b) {
  BrushSampler s;
  s.monoTarget = dc.Mono();
  if (!b) return s;
  s.orgX = dc.st.brushOrg.x;
  s.orgY = dc.st.brushOrg.y;
  switch (b->style) {
    case BS_SOLID:
      s.type = 1;
      s.color = BrushColor(dc, *b);
      break;
    case BS_HATCHED:
      s.type = 2;
      s.hatch = b->hatch;
      s.color = b->color;
      s.bg = dc.st.bkColor;
      s.opaque = dc.st.bkMode == OPAQUE;
      break;
    case BS_PATTERN:
      if (b->pattern && b->pattern->width > 0 && b->pattern->height > 0) {
        s.type = 3;
        s.pat = b->pattern.get();
        s.patMono = b->pattern->monochrome;
        s.fg = dc.st.textColor;
        s.bg = dc.st.bkColor;
      }
      break;
    default:
      break;
  }
  return s;
}

void FillBoxRop2(DC&, const Canvas& cv, int64_t x0, int64_t y0, int64_t x1, int64_t y1, const BrushSampler& s,
                 int rop2) {
  if (s.type == 0) return;
  bool mono = cv.mono;
  if (s.type == 1 && rop2 == R2_COPYPEN) {
    cv.Fill(x0, y0, x1, y1, s.color);
    return;
  }
  cv.ForBox(x0, y0, x1, y1, [&](uint32_t& px, int x, int y) {
    uint32_t c;
    if (!s.Sample(x, y, &c)) return;
    uint32_t v = Rop2(rop2, c, px);
    px = mono ? ToMono(v) : v;
  });
}

void FillRegionRop2(DC& dc, const Canvas& cv, const Region& devRegion, const BrushSampler& s, int rop2) {
  for (const pixman_box32_t& b : devRegion.Boxes()) FillBoxRop2(dc, cv, b.x1, b.y1, b.x2, b.y2, s, rop2);
}

void FillBoxRop3(const Canvas& cv, int64_t x0, int64_t y0, int64_t x1, int64_t y1, const BrushSampler& s,
                 uint8_t code) {
  bool usesP = Rop3UsesPattern(code);
  bool mono = cv.mono;
  // Constant results fill whole spans.
  if (code == 0x00 || code == 0xFF || (code == 0xF0 && s.type == 1)) {
    cv.Fill(x0, y0, x1, y1, code == 0x00 ? 0 : (code == 0xFF ? 0xFFFFFF : s.color));
    return;
  }
  cv.ForBox(x0, y0, x1, y1, [&](uint32_t& px, int x, int y) {
    uint32_t p = 0;
    if (usesP && !s.Sample(x, y, &p)) return;
    uint32_t v = Rop3(code, p, 0, px);
    px = mono ? ToMono(v) : v;
  });
}

// ---- blits ------------------------------------------------------------------------------------

namespace {

struct Source {
  const Surface* surf = nullptr;
  int ox = 0, oy = 0;  // device -> surface
  COLORREF bk = 0xFFFFFF;
  bool mono = false;
};

// Maps destination index i (0 .. dn-1) to a source index (0 .. sn-1), nearest sample.
inline int64_t MapIndex(int64_t i, int64_t dn, int64_t sn) {
  if (dn == sn) return i;
  return ((2 * i + 1) * sn) / (2 * dn);
}

}  // namespace

bool Blit(DC& dst, int64_t x, int64_t y, int64_t w, int64_t h, DC* src, int64_t xs, int64_t ys, int64_t ws,
          int64_t hs, DWORD rop4, const Surface* mask, int xm, int ym, bool keyed, COLORREF key, bool stretch) {
  uint8_t fg = Rop3Code(rop4), bg = static_cast<uint8_t>((rop4 >> 24) & 0xFF);
  if (!mask) bg = fg;
  bool usesS = Rop3UsesSource(fg) || Rop3UsesSource(bg) || keyed;
  bool usesP = Rop3UsesPattern(fg) || Rop3UsesPattern(bg);
  // Destination rectangle in device space; the sign of each extent is the mirroring.
  int64_t dx0 = dst.XToDev(x), dy0 = dst.YToDev(y), dx1 = dst.XToDev(x + w), dy1 = dst.YToDev(y + h);
  Source s;
  Surface snap;  // the source rectangle, when the source is the destination surface
  int64_t sx0 = 0, sy0 = 0, sx1 = 0, sy1 = 0;
  if (usesS) {
    if (!src) return false;
    Surface* ss = src->Surf();
    if (!ss) return false;
    s.surf = ss;
    s.ox = src->memory ? 0 : src->origin.x;
    s.oy = src->memory ? 0 : src->origin.y;
    s.bk = src->st.bkColor;
    s.mono = ss->monochrome;
    if (!stretch) {
      ws = w;
      hs = h;
    }
    sx0 = src->XToDev(xs);
    sy0 = src->YToDev(ys);
    sx1 = src->XToDev(xs + ws);
    sy1 = src->YToDev(ys + hs);
  }
  Canvas cv = PrepareCanvas(dst);
  if (cv.Empty()) return true;
  int64_t dl = std::min(dx0, dx1), dr = std::max(dx0, dx1), dt = std::min(dy0, dy1), db = std::max(dy0, dy1);
  int64_t dw = dr - dl, dh = db - dt;
  if (dw == 0 || dh == 0) return true;
  bool mirrorX = false, mirrorY = false;
  int64_t sl = 0, st = 0, sw = 0, sh = 0;
  if (usesS) {
    sl = std::min(sx0, sx1);
    st = std::min(sy0, sy1);
    sw = std::max(sx0, sx1) - sl;
    sh = std::max(sy0, sy1) - st;
    if (sw == 0 || sh == 0) return true;
    mirrorX = (dx1 < dx0) != (sx1 < sx0);
    mirrorY = (dy1 < dy0) != (sy1 < sy0);
    if (s.surf == dst.Surf()) {
      // Overlapping copies (scrolling) read a snapshot of the source rectangle.
      int64_t l = std::max<int64_t>(0, sl + s.ox), t = std::max<int64_t>(0, st + s.oy);
      int64_t r = std::min<int64_t>(s.surf->width, sl + sw + s.ox), b = std::min<int64_t>(s.surf->height, st + sh + s.oy);
      if (l >= r || t >= b) return true;
      snap.Resize(static_cast<int>(r - l), static_cast<int>(b - t), 0);
      snap.monochrome = s.surf->monochrome;
      for (int64_t yy = t; yy < b; ++yy)
        std::copy_n(s.surf->pixels.data() + static_cast<size_t>(yy) * s.surf->width + l, r - l,
                    snap.Row(static_cast<int>(yy - t)));
      s.surf = &snap;
      s.ox -= static_cast<int>(l);
      s.oy -= static_cast<int>(t);
    }
  }
  BrushSampler pat = usesP ? MakeSampler(dst, dst.st.brush.get()) : BrushSampler();
  bool dstMono = cv.mono;
  COLORREF fgColor = dst.st.textColor, bgColor = dst.st.bkColor;
  int mode = dst.st.stretchMode;
  bool shrinkCombine = usesS && (sw > dw || sh > dh) && mode != COLORONCOLOR;

  // Fast paths: straight copies and nearest-sample stretches between like formats.
  bool plainCopy = usesS && !usesP && !mask && !keyed && fg == 0xCC && s.mono == dstMono && !shrinkCombine;
  if (plainCopy && sw == dw && sh == dh && !mirrorX && !mirrorY) {
    Surface* ds = cv.surf;
    cv.ForRects(dl, dt, dr, db, [&](int a, int b, int c, int d) {
      // Source surface coordinates of the destination rectangle, cut to the source surface.
      int64_t sa = a - cv.ox - dl + sl + s.ox, sb = b - cv.oy - dt + st + s.oy;
      int64_t cut0x = std::max<int64_t>(0, -sa), cut0y = std::max<int64_t>(0, -sb);
      int64_t wv = std::min<int64_t>(c - a, s.surf->width - sa) - cut0x;
      int64_t hv = std::min<int64_t>(d - b, s.surf->height - sb) - cut0y;
      if (wv <= 0 || hv <= 0) return;
      for (int64_t k = 0; k < hv; ++k)
        std::copy_n(s.surf->pixels.data() + static_cast<size_t>(sb + cut0y + k) * s.surf->width + (sa + cut0x), wv,
                    ds->Row(static_cast<int>(b + cut0y + k)) + (a + cut0x));
    });
    return true;
  }
  if (plainCopy) {
    // Source columns of the visible destination columns only: the destination may be huge.
    int64_t v0 = std::max<int64_t>(dl, cv.ext.x1 - cv.ox), v1 = std::min<int64_t>(dr, cv.ext.x2 - cv.ox);
    if (v0 >= v1) return true;
    std::vector<int64_t> xmap(static_cast<size_t>(v1 - v0));
    for (int64_t X = v0; X < v1; ++X) {
      int64_t i = X - dl;
      int64_t sx = sl + MapIndex(mirrorX ? dw - 1 - i : i, dw, sw) + s.ox;
      xmap[static_cast<size_t>(X - v0)] = sx >= 0 && sx < s.surf->width ? sx : -1;
    }
    cv.ForSpans(dl, dt, dr, db, [&](uint32_t* p, int a, int b, int Y) {
      int64_t j = Y - dt;
      int64_t sy = st + MapIndex(mirrorY ? dh - 1 - j : j, dh, sh) + s.oy;
      if (sy < 0 || sy >= s.surf->height) return;
      const uint32_t* srow = s.surf->pixels.data() + static_cast<size_t>(sy) * s.surf->width;
      const int64_t* m = xmap.data() + (a - v0);
      for (int k = 0; k < b - a; ++k)
        if (m[k] >= 0) p[k] = srow[m[k]];
    });
    return true;
  }

  auto fetch = [&](int64_t sx, int64_t sy, uint32_t* out) -> bool {
    int64_t px = sx + s.ox, py = sy + s.oy;
    if (px < 0 || py < 0 || px >= s.surf->width || py >= s.surf->height) return false;
    *out = s.surf->pixels[static_cast<size_t>(py) * s.surf->width + static_cast<size_t>(px)];
    return true;
  };

  cv.ForBox(dl, dt, dr, db, [&](uint32_t& px, int X, int Y) {
    uint32_t p = 0, sv = 0;
    if (usesP && !pat.Sample(X, Y, &p)) return;
    if (usesS) {
      int64_t i = X - dl, j = Y - dt;
      if (mirrorX) i = dw - 1 - i;
      if (mirrorY) j = dh - 1 - j;
      if (!shrinkCombine) {
        if (!fetch(sl + MapIndex(i, dw, sw), st + MapIndex(j, dh, sh), &sv)) return;
      } else {
        int64_t a0 = sw > dw ? i * sw / dw : MapIndex(i, dw, sw), a1 = sw > dw ? (i + 1) * sw / dw : a0 + 1;
        int64_t b0 = sh > dh ? j * sh / dh : MapIndex(j, dh, sh), b1 = sh > dh ? (j + 1) * sh / dh : b0 + 1;
        // Only the part of the block that lies on the source surface can contribute.
        a0 = std::max(a0, -s.ox - sl);
        a1 = std::min(a1, s.surf->width - s.ox - sl);
        b0 = std::max(b0, -s.oy - st);
        b1 = std::min(b1, s.surf->height - s.oy - st);
        uint32_t acc = mode == BLACKONWHITE ? 0xFFFFFF : 0;
        uint64_t r = 0, g = 0, b = 0, n = 0;
        for (int64_t bb = b0; bb < b1; ++bb)
          for (int64_t aa = a0; aa < a1; ++aa) {
            uint32_t v;
            if (!fetch(sl + aa, st + bb, &v)) continue;
            ++n;
            if (mode == BLACKONWHITE) acc &= v;
            else if (mode == WHITEONBLACK) acc |= v;
            else {
              r += v & 0xFF;
              g += (v >> 8) & 0xFF;
              b += (v >> 16) & 0xFF;
            }
          }
        if (n == 0) return;
        sv = mode == HALFTONE ? static_cast<uint32_t>(RGB(r / n, g / n, b / n)) : acc;
      }
      if (keyed && sv == (key & 0xFFFFFF)) return;
      if (s.mono && !dstMono) sv = sv ? bgColor : fgColor;
      else if (!s.mono && dstMono) sv = sv == s.bk ? 0xFFFFFF : 0;
    }
    uint8_t code = fg;
    if (mask) {
      int64_t mx = int64_t(xm) + (X - dl), my = int64_t(ym) + (Y - dt);
      bool on = true;
      if (mx >= 0 && my >= 0 && mx < mask->width && my < mask->height)
        on = mask->pixels[static_cast<size_t>(my) * mask->width + static_cast<size_t>(mx)] != 0;
      code = on ? fg : bg;
    }
    uint32_t v = Rop3(code, p, sv, px);
    px = dstMono ? ToMono(v) : v;
  });
  return true;
}

// ---- DIBs -------------------------------------------------------------------------------------

int64_t DibStride(int64_t width, int bpp) { return ((width * bpp + 31) / 32) * 4; }

static const std::vector<RGBQUAD>& Palette256() {
  static const std::vector<RGBQUAD> p = [] {
    std::vector<RGBQUAD> v;
    for (const PALETTEENTRY& e : DefaultPalette()->entries) v.push_back(RGBQUAD{e.peBlue, e.peGreen, e.peRed, 0});
    static const BYTE kLevels[6] = {0, 51, 102, 153, 204, 255};
    for (int r = 0; r < 6; ++r)
      for (int g = 0; g < 6; ++g)
        for (int b = 0; b < 6; ++b) v.push_back(RGBQUAD{kLevels[b], kLevels[g], kLevels[r], 0});
    while (v.size() < 256) v.push_back(RGBQUAD{0, 0, 0, 0});
    return v;
  }();
  return p;
}

static int Nearest(const RGBQUAD* table, int n, uint32_t c) {
  int r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
  int best = 0;
  long bestD = -1;
  for (int i = 0; i < n; ++i) {
    long d = long(table[i].rgbRed - r) * (table[i].rgbRed - r) + long(table[i].rgbGreen - g) * (table[i].rgbGreen - g) +
             long(table[i].rgbBlue - b) * (table[i].rgbBlue - b);
    if (bestD < 0 || d < bestD) {
      bestD = d;
      best = i;
    }
  }
  return best;
}

bool DecodeDib(const BITMAPINFOHEADER& h, const RGBQUAD* colors, int colorCount, const uint8_t* bits, size_t avail,
               int firstScan, int scans, Surface* dst) {
  int w = h.biWidth, H = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  if (w <= 0 || H <= 0 || dst->width <= 0) return false;
  int bpp = h.biBitCount;
  if (h.biCompression != BI_RGB && !(h.biCompression == BI_BITFIELDS && (bpp == 16 || bpp == 32))) return false;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return false;
  if (bpp <= 8 && (!colors || colorCount <= 0)) return false;
  uint32_t rm = 0x7C00, gm = 0x03E0, bmsk = 0x001F;
  if (bpp == 32) {
    rm = 0xFF0000;
    gm = 0xFF00;
    bmsk = 0xFF;
  }
  if (h.biCompression == BI_BITFIELDS) {
    // The three masks follow the header.
    const uint32_t* m = reinterpret_cast<const uint32_t*>(reinterpret_cast<const uint8_t*>(&h) + h.biSize);
    rm = m[0];
    gm = m[1];
    bmsk = m[2];
    if (!rm || !gm || !bmsk) return false;
  }
  auto channel = [](uint32_t v, uint32_t mask) -> uint32_t {
    int shift = 0;
    while (!((mask >> shift) & 1)) ++shift;
    uint32_t m = mask >> shift, x = (v & mask) >> shift;
    return m == 255 ? x : static_cast<uint32_t>((uint64_t(x) * 255 + m / 2) / m);
  };
  size_t stride = static_cast<size_t>(DibStride(w, bpp));
  bool bottomUp = h.biHeight > 0;
  int cw = std::min(w, dst->width);
  for (int k = 0; k < scans; ++k) {
    int scan = firstScan + k;  // DIB scan line (0 = first stored row)
    if (scan < 0 || scan >= H) continue;
    if ((static_cast<size_t>(k) + 1) * stride > avail) return false;
    const uint8_t* row = bits + static_cast<size_t>(k) * stride;
    int y = bottomUp ? H - 1 - scan : scan;
    if (y >= dst->height) continue;
    uint32_t* out = dst->Row(y);
    for (int x = 0; x < cw; ++x) {
      uint32_t c = 0;
      int idx = -1;
      switch (bpp) {
        case 1: idx = (row[x >> 3] >> (7 - (x & 7))) & 1; break;
        case 4: idx = (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15; break;
        case 8: idx = row[x]; break;
        case 16: {
          uint32_t v = row[x * 2] | (row[x * 2 + 1] << 8);
          c = RGB(channel(v, rm), channel(v, gm), channel(v, bmsk));
          break;
        }
        case 24: c = RGB(row[x * 3 + 2], row[x * 3 + 1], row[x * 3]); break;
        case 32: {
          uint32_t v = row[x * 4] | (row[x * 4 + 1] << 8) | (row[x * 4 + 2] << 16) | (uint32_t(row[x * 4 + 3]) << 24);
          c = RGB(channel(v, rm), channel(v, gm), channel(v, bmsk));
          break;
        }
      }
      if (idx >= 0) {
        const RGBQUAD q = idx < colorCount ? colors[idx] : RGBQUAD{0, 0, 0, 0};
        c = RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
      }
      out[x] = dst->monochrome ? ToMono(c) : c;
    }
  }
  return true;
}

static void EncodeDibRows(const Surface& src, int bpp, bool bottomUp, int firstScan, int scans, const RGBQUAD* table,
                   int tableSize, uint8_t* bits) {
  int w = src.width, H = src.height;
  size_t stride = static_cast<size_t>(DibStride(w, bpp));
  for (int k = 0; k < scans; ++k) {
    int scan = firstScan + k;
    if (scan < 0 || scan >= H) continue;
    int y = bottomUp ? H - 1 - scan : scan;
    const uint32_t* in = src.pixels.data() + static_cast<size_t>(y) * w;
    uint8_t* row = bits + static_cast<size_t>(k) * stride;
    std::memset(row, 0, stride);
    for (int x = 0; x < w; ++x) {
      uint32_t c = in[x];
      switch (bpp) {
        case 1: {
          int idx = src.monochrome || tableSize < 2 ? (c ? 1 : 0) : Nearest(table, 2, c);
          if (idx) row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
          break;
        }
        case 4: row[x >> 1] |= static_cast<uint8_t>(Nearest(table, tableSize, c) << ((x & 1) ? 0 : 4)); break;
        case 8: row[x] = static_cast<uint8_t>(Nearest(table, tableSize, c)); break;
        case 16: {
          uint32_t v = ((GetRValue(c) >> 3) << 10) | ((GetGValue(c) >> 3) << 5) | (GetBValue(c) >> 3);
          row[x * 2] = static_cast<uint8_t>(v);
          row[x * 2 + 1] = static_cast<uint8_t>(v >> 8);
          break;
        }
        case 24:
          row[x * 3] = GetBValue(c);
          row[x * 3 + 1] = GetGValue(c);
          row[x * 3 + 2] = GetRValue(c);
          break;
        case 32:
          row[x * 4] = GetBValue(c);
          row[x * 4 + 1] = GetGValue(c);
          row[x * 4 + 2] = GetRValue(c);
          row[x * 4 + 3] = 0;
          break;
      }
    }
  }
}

int ColorTableSize(const BITMAPINFOHEADER& h) {
  if (h.biBitCount > 8) return 0;
  int full = 1 << h.biBitCount;
  if (h.biClrUsed > 0 && h.biClrUsed < static_cast<DWORD>(full)) return static_cast<int>(h.biClrUsed);
  return full;
}

static bool ValidHeader(const BITMAPINFO* info) {
  if (!info || info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER)) return false;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  int64_t H = h.biHeight < 0 ? -int64_t(h.biHeight) : h.biHeight;
  return h.biWidth > 0 && H > 0 && int64_t(h.biWidth) * H <= kMaxBitmapPixels && h.biPlanes == 1;
}

static const RGBQUAD* ColorTable(const BITMAPINFO* info) {
  return reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const uint8_t*>(info) + info->bmiHeader.biSize +
                                          (info->bmiHeader.biCompression == BI_BITFIELDS ? 12 : 0));
}

// A surface decoded from a whole DIB (StretchDIBits and friends).
static std::shared_ptr<Bitmap> DibBitmap(const BITMAPINFO* info, const void* bits) {
  if (!ValidHeader(info) || !bits) return nullptr;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  int H = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  auto bm = NewBitmap(h.biWidth, H, false, 0);
  if (!bm) return nullptr;
  size_t avail = static_cast<size_t>(DibStride(h.biWidth, h.biBitCount)) * H;
  if (!DecodeDib(h, ColorTable(info), ColorTableSize(h), static_cast<const uint8_t*>(bits), avail, 0, H, &bm->surface))
    return nullptr;
  return bm;
}

}  // namespace fano_os::gdi

using namespace fano_os::gdi;
using fano_os::Surface;


extern "C" {

BOOL PatBlt(HDC dc, int x, int y, int w, int h, DWORD rop) {
  FANO_DC_OR(FALSE);
  uint8_t code = Rop3Code(rop);
  if (Rop3UsesSource(code)) return FALSE;
  CallScope scope(d, "PatBlt", {x, y, w, h, static_cast<int64_t>(rop)});
  Canvas cv = PrepareCanvas(d);
  if (cv.Empty()) return TRUE;
  RECT r = d.RectToDev(RECT{x, y, static_cast<LONG>(ClampCoord(int64_t(x) + w)), static_cast<LONG>(ClampCoord(int64_t(y) + h))});
  FillBoxRop3(cv, r.left, r.top, r.right, r.bottom, MakeSampler(d, d.st.brush.get()), code);
  return TRUE;
}

BOOL StretchBlt(HDC dc, int x, int y, int w, int h, HDC src, int xs, int ys, int ws, int hs, DWORD rop) {
  FANO_DC_OR(FALSE);
  auto s = GetDC_(src);
  if (src && !s) return FALSE;
  CallScope scope(d, "StretchBlt", {x, y, w, h, xs, ys, ws, hs, static_cast<int64_t>(rop & 0xFFFFFF)});
  return Blit(d, x, y, w, h, s.get(), xs, ys, ws, hs, rop & 0xFFFFFF, nullptr, 0, 0, false, 0, true) ? TRUE : FALSE;
}

BOOL BitBlt(HDC dc, int x, int y, int w, int h, HDC src, int xs, int ys, DWORD rop) {
  FANO_DC_OR(FALSE);
  auto s = GetDC_(src);
  if (src && !s) return FALSE;
  CallScope scope(d, "BitBlt", {x, y, w, h, xs, ys, static_cast<int64_t>(rop & 0xFFFFFF)});
  return Blit(d, x, y, w, h, s.get(), xs, ys, w, h, rop & 0xFFFFFF, nullptr, 0, 0, false, 0, false) ? TRUE : FALSE;
}

BOOL MaskBlt(HDC dc, int x, int y, int w, int h, HDC src, int xs, int ys, HBITMAP mask, int xm, int ym, DWORD rop4) {
  FANO_DC_OR(FALSE);
  auto s = GetDC_(src);
  if (src && !s) return FALSE;
  std::shared_ptr<Bitmap> m;
  if (mask) {
    m = Get<Bitmap>(mask);
    if (!m || !m->surface.monochrome) return FALSE;
  }
  CallScope scope(d, "MaskBlt", {x, y, w, h, xs, ys, xm, ym, static_cast<int64_t>(rop4)});
  return Blit(d, x, y, w, h, s.get(), xs, ys, w, h, rop4, m ? &m->surface : nullptr, xm, ym, false, 0, false) ? TRUE
                                                                                                              : FALSE;
}

BOOL TransparentBlt(HDC dc, int x, int y, int w, int h, HDC src, int xs, int ys, int ws, int hs, UINT transparent) {
  FANO_DC_OR(FALSE);
  auto s = GetDC_(src);
  if (!s || w < 0 || h < 0 || ws < 0 || hs < 0) return FALSE;
  CallScope scope(d, "TransparentBlt", {x, y, w, h, xs, ys, ws, hs, static_cast<int64_t>(transparent)});
  return Blit(d, x, y, w, h, s.get(), xs, ys, ws, hs, SRCCOPY, nullptr, 0, 0, true, transparent, true) ? TRUE : FALSE;
}

COLORREF GetPixel(HDC dc, int x, int y) {
  FANO_DC_OR(CLR_INVALID);
  Canvas cv = PrepareCanvas(d);
  POINT p = d.ToDev(POINT{x, y});
  if (!cv.Visible(p.x, p.y)) return CLR_INVALID;
  return cv.surf->pixels[static_cast<size_t>(p.y + cv.oy) * cv.surf->width + static_cast<size_t>(p.x + cv.ox)];
}

COLORREF SetPixel(HDC dc, int x, int y, COLORREF color) {
  FANO_DC_OR(CLR_INVALID);
  CallScope scope(d, "SetPixel", {x, y, static_cast<int64_t>(color)});
  Canvas cv = PrepareCanvas(d);
  POINT p = d.ToDev(POINT{x, y});
  if (!cv.Visible(p.x, p.y)) return CLR_INVALID;
  uint32_t c = (color >> 24) == 1 ? 0 : (color & 0xFFFFFF);
  if (cv.mono) c = ToMono(c);
  cv.surf->pixels[static_cast<size_t>(p.y + cv.oy) * cv.surf->width + static_cast<size_t>(p.x + cv.ox)] = c;
  return c;
}

BOOL SetPixelV(HDC dc, int x, int y, COLORREF color) { return SetPixel(dc, x, y, color) != CLR_INVALID; }

int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info, UINT usage) {
  FANO_DC_OR(0);
  auto bm = Get<Bitmap>(bitmap);
  if (!bm || !info || info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER) || usage != DIB_RGB_COLORS) return 0;
  BITMAPINFOHEADER& h = info->bmiHeader;
  const Surface& s = bm->surface;
  if (h.biBitCount == 0) {
    if (bits) return 0;
    int bpp = s.monochrome ? 1 : 32;
    h.biWidth = s.width;
    h.biHeight = s.height;
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(bpp);
    h.biCompression = BI_RGB;
    h.biSizeImage = static_cast<DWORD>(DibStride(s.width, bpp) * s.height);
    h.biClrUsed = 0;
    h.biClrImportant = 0;
    return s.height;
  }
  int bpp = h.biBitCount;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return 0;
  bool bottomUp = h.biHeight >= 0;
  h.biWidth = s.width;
  h.biHeight = bottomUp ? s.height : -s.height;
  h.biPlanes = 1;
  h.biCompression = BI_RGB;
  h.biSizeImage = static_cast<DWORD>(DibStride(s.width, bpp) * s.height);
  // Colour table: black and white for 1 bit, the 16 VGA colours for 4, the halftone set for 8.
  RGBQUAD* table = reinterpret_cast<RGBQUAD*>(reinterpret_cast<uint8_t*>(info) + h.biSize);
  int tableSize = 0;
  if (bpp <= 8) {
    tableSize = 1 << bpp;
    if (bpp == 1) {
      table[0] = RGBQUAD{0, 0, 0, 0};
      table[1] = RGBQUAD{255, 255, 255, 0};
    } else if (bpp == 4) {
      static const int kIdx[16] = {0, 1, 2, 3, 4, 5, 6, 7, 12, 13, 14, 15, 16, 17, 18, 19};
      for (int i = 0; i < 16; ++i) {
        const PALETTEENTRY& e = DefaultPalette()->entries[static_cast<size_t>(kIdx[i])];
        table[i] = RGBQUAD{e.peBlue, e.peGreen, e.peRed, 0};
      }
    } else {
      for (int i = 0; i < 256; ++i) table[i] = Palette256()[static_cast<size_t>(i)];
    }
    h.biClrUsed = 0;
  }
  if (!bits) return s.height;
  int first = static_cast<int>(std::min<UINT>(start, static_cast<UINT>(s.height)));
  int n = static_cast<int>(std::min<UINT>(lines, static_cast<UINT>(s.height - first)));
  EncodeDibRows(s, bpp, bottomUp, first, n, table, tableSize, static_cast<uint8_t*>(bits));
  return n;
}

int SetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, const void* bits, const BITMAPINFO* info, UINT usage) {
  FANO_GDI_LOCK;
  if (dc && !GetDC_(dc)) return 0;
  auto bm = Get<Bitmap>(bitmap);
  if (!bm || !bits || !ValidHeader(info) || usage != DIB_RGB_COLORS) return 0;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  int H = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  int first = static_cast<int>(std::min<UINT>(start, static_cast<UINT>(H)));
  int n = static_cast<int>(std::min<UINT>(lines, static_cast<UINT>(H - first)));
  size_t avail = static_cast<size_t>(DibStride(h.biWidth, h.biBitCount)) * static_cast<size_t>(n);
  if (!DecodeDib(h, ColorTable(info), ColorTableSize(h), static_cast<const uint8_t*>(bits), avail, first, n,
                 &bm->surface))
    return 0;
  return n;
}

HBITMAP CreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits, const BITMAPINFO* info,
                       UINT usage) {
  FANO_GDI_LOCK;
  if (!header) return nullptr;
  int H = header->biHeight < 0 ? -header->biHeight : header->biHeight;
  HBITMAP bm = CreateCompatibleBitmap(dc, header->biWidth, H);
  if (!bm) return nullptr;
  if ((init & CBM_INIT) && bits && info && !SetDIBits(dc, bm, 0, static_cast<UINT>(H), bits, info, usage)) {
    DeleteObject(bm);
    return nullptr;
  }
  return bm;
}

int StretchDIBits(HDC dc, int xd, int yd, int wd, int hd, int xs, int ys, int ws, int hs, const void* bits,
                  const BITMAPINFO* info, UINT usage, DWORD rop) {
  FANO_DC_OR(0);
  if (usage != DIB_RGB_COLORS) return 0;
  auto bm = DibBitmap(info, bits);
  if (!bm) return 0;
  CallScope scope(d, "StretchDIBits", {xd, yd, wd, hd, xs, ys, ws, hs, static_cast<int64_t>(rop)});
  DC tmp;
  tmp.memory = true;
  tmp.st.bitmap = bm;
  int H = bm->surface.height;
  // Source y of a bottom-up DIB counts from its last stored row (the bottom of the image).
  int sy = info->bmiHeader.biHeight > 0 ? H - ys - hs : ys;
  if (!Blit(d, xd, yd, wd, hd, &tmp, xs, sy, ws, hs, rop & 0xFFFFFF, nullptr, 0, 0, false, 0, true)) return 0;
  return hs < 0 ? -hs : hs;
}

int SetDIBitsToDevice(HDC dc, int xd, int yd, DWORD w, DWORD h, int xs, int ys, UINT startScan, UINT lines,
                      const void* bits, const BITMAPINFO* info, UINT usage) {
  FANO_DC_OR(0);
  if (usage != DIB_RGB_COLORS || !ValidHeader(info) || !bits || w > static_cast<DWORD>(kCoordLimit) ||
      h > static_cast<DWORD>(kCoordLimit))
    return 0;
  const BITMAPINFOHEADER& hd = info->bmiHeader;
  int H = hd.biHeight < 0 ? -hd.biHeight : hd.biHeight;
  auto bm = NewBitmap(hd.biWidth, H, false, 0);
  if (!bm) return 0;
  int first = static_cast<int>(std::min<UINT>(startScan, static_cast<UINT>(H)));
  int n = static_cast<int>(std::min<UINT>(lines, static_cast<UINT>(H - first)));
  size_t avail = static_cast<size_t>(DibStride(hd.biWidth, hd.biBitCount)) * static_cast<size_t>(n);
  if (!DecodeDib(hd, ColorTable(info), ColorTableSize(hd), static_cast<const uint8_t*>(bits), avail, first, n,
                 &bm->surface))
    return 0;
  CallScope scope(d, "SetDIBitsToDevice", {xd, yd, static_cast<int64_t>(w), static_cast<int64_t>(h), xs, ys});
  DC tmp;
  tmp.memory = true;
  tmp.st.bitmap = bm;
  int sy = hd.biHeight > 0 ? H - ys - static_cast<int>(h) : ys;
  Blit(d, xd, yd, static_cast<int>(w), static_cast<int>(h), &tmp, xs, sy, static_cast<int>(w), static_cast<int>(h),
       SRCCOPY, nullptr, 0, 0, false, 0, false);
  return n;
}

BOOL GradientFill(HDC dc, TRIVERTEX* v, ULONG nv, void* mesh, ULONG nm, ULONG mode) {
  FANO_DC_OR(FALSE);
  if (!v || !mesh || (mode != GRADIENT_FILL_RECT_H && mode != GRADIENT_FILL_RECT_V)) return FALSE;
  std::vector<int64_t> args{static_cast<int64_t>(mode)};
  auto* rects = static_cast<GRADIENT_RECT*>(mesh);
  for (ULONG i = 0; i < nm; ++i) {
    if (rects[i].UpperLeft >= nv || rects[i].LowerRight >= nv) return FALSE;
    const TRIVERTEX& a = v[rects[i].UpperLeft];
    const TRIVERTEX& b = v[rects[i].LowerRight];
    for (int64_t k : {int64_t(a.x), int64_t(a.y), int64_t(b.x), int64_t(b.y)}) args.push_back(k);
  }
  CallScope scope(d, "GradientFill", args);
  Canvas cv = PrepareCanvas(d);
  if (cv.Empty()) return TRUE;
  bool horz = mode == GRADIENT_FILL_RECT_H;
  for (ULONG i = 0; i < nm; ++i) {
    const TRIVERTEX* a = &v[rects[i].UpperLeft];
    const TRIVERTEX* b = &v[rects[i].LowerRight];
    POINT pa = d.ToDev(POINT{a->x, a->y}), pb = d.ToDev(POINT{b->x, b->y});
    // Colours run from the vertex with the smaller coordinate along the gradient's axis.
    bool swap = horz ? pa.x > pb.x : pa.y > pb.y;
    if (swap) {
      std::swap(a, b);
      std::swap(pa, pb);
    }
    int64_t l = std::min(pa.x, pb.x), r = std::max(pa.x, pb.x), t = std::min(pa.y, pb.y), btm = std::max(pa.y, pb.y);
    int64_t len = horz ? r - l : btm - t;
    if (len <= 0 || (horz ? btm == t : r == l)) continue;
    bool mono = cv.mono;
    cv.ForBox(l, t, r, btm, [&](uint32_t& px, int X, int Y) {
      int64_t pos = horz ? X - l : Y - t;
      auto ch = [&](COLOR16 c0, COLOR16 c1) -> uint32_t {
        int64_t c = (int64_t(c0) * (len - pos) + int64_t(c1) * pos) / len;
        return static_cast<uint32_t>(c >> 8);
      };
      uint32_t c = RGB(ch(a->Red, b->Red), ch(a->Green, b->Green), ch(a->Blue, b->Blue));
      px = mono ? ToMono(c) : c;
    });
  }
  return TRUE;
}

}  // extern "C"
