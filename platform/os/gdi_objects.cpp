// GDI objects: the handle registry, pens, brushes, palettes, bitmaps, stock objects and the
// generic object calls (SelectObject, DeleteObject, GetObject...).
#include <cstring>
#include <unordered_map>

#include "platform/os/gdi_core.h"

namespace fano_os::gdi {

std::recursive_mutex& Mutex() {
  static std::recursive_mutex m;
  return m;
}

namespace {

// GDI handles live in their own range (bit 40 set) so that a window handle can never hit one.
constexpr uintptr_t kHandleBase = uintptr_t(1) << 40;

struct Registry {
  std::unordered_map<uintptr_t, std::shared_ptr<Object>> objects;
  uintptr_t next = 1;
};

Registry& Reg() {
  static Registry* r = new Registry();  // outlives static destructors that may still free objects
  return *r;
}

}  // namespace

HANDLE Register(std::shared_ptr<Object> obj) {
  if (!obj) return nullptr;
  Registry& r = Reg();
  uintptr_t h = kHandleBase + (r.next++ << 4) + static_cast<uintptr_t>(obj->kind);
  obj->handle = h;
  r.objects.emplace(h, std::move(obj));
  return reinterpret_cast<HANDLE>(h);
}

std::shared_ptr<Object> Find(HANDLE h) {
  auto& m = Reg().objects;
  auto it = m.find(reinterpret_cast<uintptr_t>(h));
  return it == m.end() ? nullptr : it->second;
}

void Unregister(HANDLE h) { Reg().objects.erase(reinterpret_cast<uintptr_t>(h)); }

// ---- text helpers ------------------------------------------------------------------------------

void DecodeUtf8(std::string_view s, std::vector<char32_t>* cps, std::vector<int>* offsets) {
  size_t i = 0, n = s.size();
  while (i < n) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    char32_t cp = 0xFFFD;
    size_t len = 1;
    if (c < 0x80) {
      cp = c;
    } else if (c >= 0xC2 && c <= 0xF4) {
      size_t need = c < 0xE0 ? 2 : (c < 0xF0 ? 3 : 4);
      if (i + need <= n) {
        char32_t v = c & (need == 2 ? 0x1F : (need == 3 ? 0x0F : 0x07));
        bool ok = true;
        for (size_t k = 1; k < need; ++k) {
          unsigned char d = static_cast<unsigned char>(s[i + k]);
          if ((d & 0xC0) != 0x80) { ok = false; break; }
          v = (v << 6) | (d & 0x3F);
        }
        bool minimal = (need == 2) || (need == 3 && v >= 0x800) || (need == 4 && v >= 0x10000);
        if (ok && minimal && v <= 0x10FFFF && !(v >= 0xD800 && v <= 0xDFFF)) {
          cp = v;
          len = need;
        }
      }
    }
    if (cps) cps->push_back(cp);
    if (offsets) offsets->push_back(static_cast<int>(i));
    i += len;
  }
}

void DecodeUtf16(const char16_t* s, size_t n, std::vector<char32_t>* cps, std::vector<int>* offsets) {
  size_t i = 0;
  while (i < n) {
    char32_t c = s[i];
    size_t len = 1;
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      len = 2;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (cps) cps->push_back(c);
    if (offsets) offsets->push_back(static_cast<int>(i));
    i += len;
  }
}

static void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string Utf16ToUtf8(const char16_t* s, size_t n) {
  std::vector<char32_t> cps;
  DecodeUtf16(s, n, &cps, nullptr);
  std::string out;
  for (char32_t c : cps) AppendUtf8(out, c);
  return out;
}

std::u16string Utf8ToUtf16(std::string_view s) {
  std::vector<char32_t> cps;
  DecodeUtf8(s, &cps, nullptr);
  std::u16string out;
  for (char32_t c : cps) {
    if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  return out;
}

size_t StrLen16(const char16_t* s) {
  size_t n = 0;
  while (s[n]) ++n;
  return n;
}

// ---- colours -----------------------------------------------------------------------------------

// PALETTERGB values carry 0x02 in the high byte; palette indexes (0x01) have no palette to look in
// on a true-colour device and give black.
static COLORREF PlainColor(COLORREF c) { return (c >> 24) == 1 ? 0 : (c & 0xFFFFFF); }

// ---- bitmaps -----------------------------------------------------------------------------------

std::shared_ptr<Bitmap> NewBitmap(int width, int height, bool mono, uint32_t fill) {
  if (width < 0 || height < 0) return nullptr;
  if (int64_t(width) * height > kMaxBitmapPixels) return nullptr;
  auto bm = std::make_shared<Bitmap>();
  bm->surface.Resize(width, height, mono ? ToMono(fill) : (fill & 0xFFFFFF));
  bm->surface.monochrome = mono;
  bm->bpp = mono ? 1 : 32;
  return bm;
}

HBITMAP RegisterBitmap(std::shared_ptr<Bitmap> bm) { return Register(std::move(bm)); }

static void ReadDDBBits(Bitmap& bm, int bpp, const uint8_t* bits) {
  Surface& s = bm.surface;
  int w = s.width;
  size_t stride = ((static_cast<size_t>(w) * bpp + 15) / 16) * 2;
  for (int y = 0; y < s.height; ++y) {
    const uint8_t* row = bits + stride * y;
    uint32_t* out = s.Row(y);
    for (int x = 0; x < w; ++x) {
      uint32_t c = 0;
      switch (bpp) {
        case 1:
          c = (row[x >> 3] & (0x80 >> (x & 7))) ? 0xFFFFFF : 0;
          break;
        case 16: {
          uint16_t v = static_cast<uint16_t>(row[x * 2] | (row[x * 2 + 1] << 8));
          uint32_t r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
          c = RGB((r << 3) | (r >> 2), (g << 3) | (g >> 2), (b << 3) | (b >> 2));
          break;
        }
        case 24:
          c = RGB(row[x * 3 + 2], row[x * 3 + 1], row[x * 3]);
          break;
        case 32:
          c = RGB(row[x * 4 + 2], row[x * 4 + 1], row[x * 4]);
          break;
      }
      out[x] = c;
    }
  }
}

// ---- stock objects -----------------------------------------------------------------------------

namespace {

struct Stock {
  std::shared_ptr<Object> objects[20];
  std::shared_ptr<Brush> sysBrushes[FANO_SYSCOLOR_COUNT];
  std::shared_ptr<Bitmap> defaultBitmap;
};

std::shared_ptr<Font> MakeStockFont(const char* face, int height, int weight, int charset, int pitch) {
  auto f = std::make_shared<Font>();
  f->lf.lfHeight = height;
  f->lf.lfWeight = weight;
  f->lf.lfCharSet = static_cast<BYTE>(charset);
  f->lf.lfPitchAndFamily = static_cast<BYTE>(pitch);
  f->face = face;
  std::u16string w = Utf8ToUtf16(face);
  for (size_t i = 0; i < w.size() && i < LF_FACESIZE - 1; ++i) f->lf.lfFaceName[i] = w[i];
  return f;
}

Stock& Stocks() {
  static Stock* s = [] {
    auto* st = new Stock();
    auto brush = [](COLORREF c, int style) {
      auto b = std::make_shared<Brush>();
      b->color = c;
      b->style = style;
      return b;
    };
    auto pen = [](COLORREF c, int style) {
      auto p = std::make_shared<Pen>();
      p->color = c;
      p->style = style;
      return p;
    };
    st->objects[WHITE_BRUSH] = brush(0xFFFFFF, BS_SOLID);
    st->objects[LTGRAY_BRUSH] = brush(0xC0C0C0, BS_SOLID);
    st->objects[GRAY_BRUSH] = brush(0x808080, BS_SOLID);
    st->objects[DKGRAY_BRUSH] = brush(0x404040, BS_SOLID);
    st->objects[BLACK_BRUSH] = brush(0, BS_SOLID);
    st->objects[NULL_BRUSH] = brush(0, BS_NULL);
    st->objects[WHITE_PEN] = pen(0xFFFFFF, PS_SOLID);
    st->objects[BLACK_PEN] = pen(0, PS_SOLID);
    st->objects[NULL_PEN] = pen(0, PS_NULL);
    st->objects[OEM_FIXED_FONT] = MakeStockFont("Terminal", 12, FW_NORMAL, OEM_CHARSET, FIXED_PITCH | FF_MODERN);
    st->objects[ANSI_FIXED_FONT] = MakeStockFont("Courier", 13, FW_NORMAL, ANSI_CHARSET, FIXED_PITCH | FF_MODERN);
    st->objects[ANSI_VAR_FONT] = MakeStockFont("MS Sans Serif", 13, FW_NORMAL, ANSI_CHARSET, VARIABLE_PITCH | FF_SWISS);
    st->objects[SYSTEM_FONT] = MakeStockFont("宋体", 16, FW_NORMAL, GB2312_CHARSET, VARIABLE_PITCH | FF_SWISS);
    st->objects[DEVICE_DEFAULT_FONT] = MakeStockFont("宋体", 16, FW_NORMAL, GB2312_CHARSET, VARIABLE_PITCH | FF_SWISS);
    auto pal = std::make_shared<Palette>();
    static const BYTE kVga[20][3] = {
        {0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
        {128, 0, 128},   {0, 128, 128},   {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
        {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0},
        {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};
    for (auto& e : kVga) pal->entries.push_back(PALETTEENTRY{e[0], e[1], e[2], 0});
    st->objects[DEFAULT_PALETTE] = pal;
    st->objects[SYSTEM_FIXED_FONT] = MakeStockFont("Fixedsys", 15, FW_NORMAL, GB2312_CHARSET, FIXED_PITCH | FF_MODERN);
    st->objects[DEFAULT_GUI_FONT] = MakeStockFont("宋体", -12, FW_NORMAL, GB2312_CHARSET, DEFAULT_PITCH);
    auto dcb = brush(0xFFFFFF, BS_SOLID);
    dcb->dcBrush = true;
    st->objects[DC_BRUSH] = dcb;
    auto dcp = pen(0, PS_SOLID);
    dcp->dcPen = true;
    st->objects[DC_PEN] = dcp;
    for (auto& o : st->objects) {
      if (!o) continue;
      o->stock = true;
      Register(o);
    }
    for (int i = 0; i < FANO_SYSCOLOR_COUNT; ++i) {
      auto b = brush(0, BS_SOLID);
      b->sysColor = i;
      b->stock = true;
      Register(b);
      st->sysBrushes[i] = b;
    }
    st->defaultBitmap = NewBitmap(1, 1, true, 0);
    st->defaultBitmap->stock = true;
    Register(st->defaultBitmap);
    return st;
  }();
  return *s;
}

}  // namespace

std::shared_ptr<Brush> StockBrush(int index) {
  return std::static_pointer_cast<Brush>(Stocks().objects[index]);
}
std::shared_ptr<Pen> StockPen(int index) { return std::static_pointer_cast<Pen>(Stocks().objects[index]); }
std::shared_ptr<Font> StockFont(int index) { return std::static_pointer_cast<Font>(Stocks().objects[index]); }
std::shared_ptr<Bitmap> DefaultBitmap() { return Stocks().defaultBitmap; }
std::shared_ptr<Palette> DefaultPalette() {
  return std::static_pointer_cast<Palette>(Stocks().objects[DEFAULT_PALETTE]);
}
std::shared_ptr<Brush> SysColorBrushObj(int index) {
  if (index < 0 || index >= FANO_SYSCOLOR_COUNT) return nullptr;
  return Stocks().sysBrushes[index];
}

std::shared_ptr<Brush> ResolveBrushArg(HBRUSH b) {
  uintptr_t v = reinterpret_cast<uintptr_t>(b);
  if (v >= 1 && v <= FANO_SYSCOLOR_COUNT) return SysColorBrushObj(static_cast<int>(v - 1));
  return Get<Brush>(b);
}

COLORREF PenColor(DC& dc) {
  const Pen* p = dc.st.pen.get();
  if (!p) return 0;
  return p->dcPen ? dc.st.dcPenColor : p->color;
}

COLORREF BrushColor(DC& dc, const Brush& b) {
  if (b.dcBrush) return dc.st.dcBrushColor;
  if (b.sysColor >= 0) return SysColor(b.sysColor);
  return b.color;
}

}  // namespace fano_os::gdi

using namespace fano_os::gdi;
using fano_os::Surface;

extern "C" {

HGDIOBJ GetStockObject(int index) {
  FANO_GDI_LOCK;
  if (index < 0 || index >= 20 || index == 9) return nullptr;
  return HandleOf(Stocks().objects[index].get());
}

HPEN CreatePen(int style, int width, COLORREF color) {
  FANO_GDI_LOCK;
  if (style < PS_SOLID || style > PS_INSIDEFRAME) return nullptr;
  auto p = std::make_shared<Pen>();
  p->width = width < 0 ? 0 : width;
  p->color = PlainColor(color);
  p->style = style;
  if (p->width > 1 && style >= PS_DASH && style <= PS_DASHDOTDOT) p->style = PS_SOLID;
  p->geometric = p->width > 1;
  return Register(p);
}

HPEN CreatePenIndirect(const LOGPEN* lp) {
  if (!lp) return nullptr;
  return CreatePen(static_cast<int>(lp->lopnStyle), lp->lopnWidth.x, lp->lopnColor);
}

HPEN ExtCreatePen(DWORD style, DWORD width, const LOGBRUSH* brush, DWORD styleCount, const DWORD* styles) {
  FANO_GDI_LOCK;
  if (!brush) return nullptr;
  int kind = static_cast<int>(style & PS_STYLE_MASK);
  bool geometric = (style & PS_TYPE_MASK) == PS_GEOMETRIC;
  if (kind > PS_ALTERNATE) return nullptr;
  if (!geometric && (width != 1 || brush->lbStyle != BS_SOLID)) return nullptr;
  if (geometric && kind == PS_ALTERNATE) return nullptr;
  if (kind == PS_USERSTYLE) {
    if (styleCount == 0 || styleCount > 16 || !styles) return nullptr;
  } else if (styleCount != 0 || styles) {
    return nullptr;
  }
  if (width > 4096) return nullptr;
  auto p = std::make_shared<Pen>();
  p->ext = true;
  p->style = kind;
  p->width = static_cast<int>(width);
  p->color = PlainColor(brush->lbColor);
  p->geometric = geometric;
  p->endcap = static_cast<int>(style & PS_ENDCAP_MASK);
  p->join = static_cast<int>(style & PS_JOIN_MASK);
  p->brushStyle = brush->lbStyle;
  p->hatch = brush->lbHatch;
  if (brush->lbStyle == BS_NULL) p->style = PS_NULL;
  if (kind == PS_USERSTYLE) p->userStyle.assign(styles, styles + styleCount);
  return Register(p);
}

HBRUSH CreateSolidBrush(COLORREF color) {
  FANO_GDI_LOCK;
  auto b = std::make_shared<Brush>();
  b->color = PlainColor(color);
  return Register(b);
}

HBRUSH CreateHatchBrush(int hatch, COLORREF color) {
  FANO_GDI_LOCK;
  if (hatch < HS_HORIZONTAL || hatch > HS_DIAGCROSS) return nullptr;
  auto b = std::make_shared<Brush>();
  b->style = BS_HATCHED;
  b->hatch = hatch;
  b->color = PlainColor(color);
  return Register(b);
}

HBRUSH CreatePatternBrush(HBITMAP bitmap) {
  FANO_GDI_LOCK;
  auto bm = Get<Bitmap>(bitmap);
  if (!bm || bm->surface.width == 0 || bm->surface.height == 0) return nullptr;
  auto b = std::make_shared<Brush>();
  b->style = BS_PATTERN;
  b->pattern = std::make_shared<Surface>(bm->surface);
  b->patternHandle = reinterpret_cast<UINT_PTR>(bitmap);
  return Register(b);
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* lb) {
  if (!lb) return nullptr;
  switch (lb->lbStyle) {
    case BS_SOLID:
      return CreateSolidBrush(lb->lbColor);
    case BS_NULL: {
      FANO_GDI_LOCK;
      auto b = std::make_shared<Brush>();
      b->style = BS_NULL;
      return Register(b);
    }
    case BS_HATCHED:
      return CreateHatchBrush(static_cast<int>(lb->lbHatch), lb->lbColor);
    case BS_PATTERN:
    case BS_PATTERN8X8:
      return CreatePatternBrush(reinterpret_cast<HBITMAP>(lb->lbHatch));
    default:
      return nullptr;
  }
}

HPALETTE CreatePalette(const LOGPALETTE* lp) {
  FANO_GDI_LOCK;
  if (!lp || lp->palVersion != 0x300 || lp->palNumEntries == 0) return nullptr;
  auto p = std::make_shared<Palette>();
  p->entries.assign(lp->palPalEntry, lp->palPalEntry + lp->palNumEntries);
  return Register(p);
}

HPALETTE CreateHalftonePalette(HDC) {
  FANO_GDI_LOCK;
  auto p = std::make_shared<Palette>();
  // The 20 fixed colours, then a 6 x 6 x 6 colour cube: 236 entries, like the original's size.
  for (const PALETTEENTRY& e : DefaultPalette()->entries) p->entries.push_back(e);
  static const BYTE kLevels[6] = {0, 51, 102, 153, 204, 255};
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b) p->entries.push_back(PALETTEENTRY{kLevels[r], kLevels[g], kLevels[b], 0});
  return Register(p);
}

UINT GetPaletteEntries(HPALETTE pal, UINT start, UINT count, PALETTEENTRY* out) {
  FANO_GDI_LOCK;
  auto p = Get<Palette>(pal);
  if (!p) return 0;
  UINT n = static_cast<UINT>(p->entries.size());
  if (!out) return n;
  if (start >= n) return 0;
  UINT k = count < n - start ? count : n - start;
  for (UINT i = 0; i < k; ++i) out[i] = p->entries[start + i];
  return k;
}

UINT GetNearestPaletteIndex(HPALETTE pal, COLORREF color) {
  FANO_GDI_LOCK;
  auto p = Get<Palette>(pal);
  if (!p || p->entries.empty()) return CLR_INVALID;
  color = PlainColor(color);
  int r = GetRValue(color), g = GetGValue(color), b = GetBValue(color);
  UINT best = 0;
  long bestD = -1;
  for (UINT i = 0; i < p->entries.size(); ++i) {
    const PALETTEENTRY& e = p->entries[i];
    long d = long(e.peRed - r) * (e.peRed - r) + long(e.peGreen - g) * (e.peGreen - g) +
             long(e.peBlue - b) * (e.peBlue - b);
    if (bestD < 0 || d < bestD) {
      bestD = d;
      best = i;
    }
  }
  return best;
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
  FANO_GDI_LOCK;
  if (width < 0 || height < 0 || planes > 32 || bitsPerPixel > 32) return nullptr;
  if (width == 0 || height == 0) return RegisterBitmap(NewBitmap(1, 1, true, 0));
  int bpp = static_cast<int>(planes * bitsPerPixel);
  bool mono = bpp == 1;
  auto bm = NewBitmap(width, height, mono, 0);
  if (!bm) return nullptr;
  if (bits && (bpp == 1 || bpp == 16 || bpp == 24 || bpp == 32)) ReadDDBBits(*bm, bpp, static_cast<const uint8_t*>(bits));
  return RegisterBitmap(bm);
}

HBITMAP CreateBitmapIndirect(const BITMAP* bm) {
  if (!bm) return nullptr;
  return CreateBitmap(bm->bmWidth, bm->bmHeight, bm->bmPlanes, bm->bmBitsPixel, bm->bmBits);
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
  FANO_GDI_LOCK;
  auto d = GetDC_(dc);
  if (!d || width < 0 || height < 0) return nullptr;
  if (width == 0 || height == 0) return RegisterBitmap(NewBitmap(1, 1, true, 0));
  bool mono = d->memory && d->st.bitmap && d->st.bitmap->surface.monochrome;
  auto bm = NewBitmap(width, height, mono, 0);
  if (!bm) return nullptr;
  return RegisterBitmap(bm);
}

DWORD GetObjectType(HGDIOBJ obj) {
  FANO_GDI_LOCK;
  auto o = Find(obj);
  if (!o) return 0;
  switch (o->kind) {
    case Kind::DC:
      return static_cast<DC*>(o.get())->memory ? OBJ_MEMDC : OBJ_DC;
    case Kind::Pen:
      return static_cast<Pen*>(o.get())->ext ? OBJ_EXTPEN : OBJ_PEN;
    case Kind::Brush:
      return OBJ_BRUSH;
    case Kind::Font:
      return OBJ_FONT;
    case Kind::Bitmap:
      return OBJ_BITMAP;
    case Kind::Region:
      return OBJ_REGION;
    case Kind::Palette:
      return OBJ_PAL;
    default:
      return 0;
  }
}

BOOL DeleteObject(HGDIOBJ obj) {
  FANO_GDI_LOCK;
  auto o = Find(obj);
  if (!o) return FALSE;
  if (o->stock) return TRUE;
  switch (o->kind) {
    case Kind::DC:
    case Kind::ImageList:
    case Kind::Theme:
      return FALSE;
    case Kind::Bitmap:
      if (static_cast<Bitmap*>(o.get())->selectedIn) return FALSE;
      break;
    default:
      break;
  }
  // Pens, brushes and fonts still selected somewhere stay alive with that DC; their handles die now.
  Unregister(obj);
  return TRUE;
}

static int GetObjectImpl(HGDIOBJ obj, int size, void* out, bool wide) {
  FANO_GDI_LOCK;
  auto o = Find(obj);
  if (!o || size < 0) return 0;
  auto copy = [&](const void* src, int n) -> int {
    if (!out) return n;
    int k = size < n ? size : n;
    std::memcpy(out, src, static_cast<size_t>(k));
    return k;
  };
  switch (o->kind) {
    case Kind::Pen: {
      auto* p = static_cast<Pen*>(o.get());
      if (p->ext) {
        int n = static_cast<int>(offsetof(EXTLOGPEN, elpStyleEntry) + sizeof(DWORD) * p->userStyle.size());
        if (n < static_cast<int>(sizeof(EXTLOGPEN))) n = sizeof(EXTLOGPEN);
        std::vector<uint8_t> buf(static_cast<size_t>(n), 0);
        auto* e = reinterpret_cast<EXTLOGPEN*>(buf.data());
        e->elpPenStyle = static_cast<DWORD>(p->style | p->endcap | p->join | (p->geometric ? PS_GEOMETRIC : 0));
        e->elpWidth = static_cast<DWORD>(p->width);
        e->elpBrushStyle = p->brushStyle;
        e->elpColor = p->color;
        e->elpHatch = p->hatch;
        e->elpNumEntries = static_cast<DWORD>(p->userStyle.size());
        for (size_t i = 0; i < p->userStyle.size(); ++i) e->elpStyleEntry[i] = p->userStyle[i];
        return copy(buf.data(), n);
      }
      LOGPEN lp{static_cast<UINT>(p->style), POINT{p->width, 0}, p->color};
      return copy(&lp, sizeof lp);
    }
    case Kind::Brush: {
      auto* b = static_cast<Brush*>(o.get());
      LOGBRUSH lb{static_cast<UINT>(b->style), b->sysColor >= 0 ? SysColor(b->sysColor) : b->color,
                  b->style == BS_PATTERN ? b->patternHandle : static_cast<UINT_PTR>(b->hatch)};
      return copy(&lb, sizeof lb);
    }
    case Kind::Font: {
      auto* f = static_cast<Font*>(o.get());
      if (wide) return copy(&f->lf, sizeof(LOGFONTW));
      LOGFONTA a{};
      std::memcpy(&a, &f->lf, offsetof(LOGFONTA, lfFaceName));
      std::string face = f->face;
      // Cut at a character boundary that fits the field.
      size_t n = face.size();
      while (n > LF_FACESIZE - 1) {
        --n;
        while (n > 0 && (static_cast<unsigned char>(face[n]) & 0xC0) == 0x80) --n;
      }
      std::memcpy(a.lfFaceName, face.data(), n);
      return copy(&a, sizeof a);
    }
    case Kind::Bitmap: {
      auto* b = static_cast<Bitmap*>(o.get());
      BITMAP bm{};
      bm.bmWidth = b->surface.width;
      bm.bmHeight = b->surface.height;
      bm.bmPlanes = 1;
      bm.bmBitsPixel = static_cast<WORD>(b->bpp);
      bm.bmWidthBytes = ((b->surface.width * b->bpp + 15) / 16) * 2;
      return copy(&bm, sizeof bm);
    }
    case Kind::Palette: {
      WORD n = static_cast<WORD>(static_cast<Palette*>(o.get())->entries.size());
      return copy(&n, sizeof n);
    }
    default:
      return 0;
  }
}

int GetObjectA(HGDIOBJ obj, int size, void* out) { return GetObjectImpl(obj, size, out, false); }
int GetObjectW(HGDIOBJ obj, int size, void* out) { return GetObjectImpl(obj, size, out, true); }

}  // extern "C"
