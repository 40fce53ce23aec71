// Font engines: FreeType through fontconfig for installed fonts (with a Chinese fallback face for
// characters the chosen face lacks), and the test engine with fixed, documented metrics.
#include "platform/os/gdi_font.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SIZES_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <list>
#include <map>

#include "platform/os/gdi_core.h"

namespace fano_os::gdi {

unsigned g_fontEngineGeneration = 1;

namespace {

bool g_testFontSwitch = false;
bool g_testFontEnvRead = false;

bool TestFontEverywhere() {
  if (!g_testFontEnvRead) {
    g_testFontEnvRead = true;
    const char* v = std::getenv("FANO_TEST_FONT");
    if (v && std::strcmp(v, "1") == 0) g_testFontSwitch = true;
  }
  return g_testFontSwitch;
}

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

constexpr int kMaxEm = 1024;

}  // namespace

bool IsWideChar(char32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) || (c >= 0x3041 && c <= 0x33FF) ||
         (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
         (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
         (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x2FFFD) ||
         (c >= 0x30000 && c <= 0x3FFFD);
}

bool IsSpaceChar(char32_t c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == 0xA0 || c == 0x3000 || (c >= 0x2000 && c <= 0x200B);
}

int FontInstance::Advance(char32_t c) {
  auto it = advances_.find(c);
  if (it != advances_.end()) return it->second;
  int a = ComputeAdvance(c);
  advances_.emplace(c, a);
  return a;
}

const Glyph& FontInstance::GetGlyph(char32_t c) {
  auto it = glyphs_.find(c);
  if (it != glyphs_.end()) return it->second;
  Glyph g;
  Render(c, &g);
  return glyphs_.emplace(c, std::move(g)).first->second;
}

// ---- the test engine --------------------------------------------------------------------------

namespace {

class TestFont : public FontInstance {
 public:
  TestFont(const LOGFONTW& lf, int devHeight, int devWidth) {
    test = true;
    int e = devHeight < 0 ? -devHeight : devHeight;
    if (e == 0) e = 16;
    e = std::min(e, kMaxEm);
    int desc = e / 5, asc = e - desc;
    n_ = devWidth > 0 ? std::min(devWidth, kMaxEm) : (e + 1) / 2;
    asc_ = asc;
    tm.tmHeight = e;
    tm.tmAscent = asc;
    tm.tmDescent = desc;
    tm.tmAveCharWidth = n_;
    tm.tmMaxCharWidth = 2 * n_;
    tm.tmWeight = lf.lfWeight ? lf.lfWeight : FW_NORMAL;
    tm.tmDigitizedAspectX = tm.tmDigitizedAspectY = 96;
    tm.tmFirstChar = 0x20;
    tm.tmLastChar = 0xFFFF;
    tm.tmDefaultChar = '?';
    tm.tmBreakChar = ' ';
    tm.tmItalic = lf.lfItalic ? 1 : 0;
    tm.tmUnderlined = lf.lfUnderline ? 1 : 0;
    tm.tmStruckOut = lf.lfStrikeOut ? 1 : 0;
    tm.tmPitchAndFamily = TMPF_FIXED_PITCH | TMPF_VECTOR | TMPF_TRUETYPE | (lf.lfPitchAndFamily & 0xF0);
    tm.tmCharSet = lf.lfCharSet;
    underlinePos = 0;
    underlineSize = 1;
    strikePos = asc - asc / 2;
    strikeSize = 1;
    otm.otmSize = sizeof(OUTLINETEXTMETRICW);
    otm.otmTextMetrics = tm;
    otm.otmEMSquare = static_cast<UINT>(e);
    otm.otmsCharSlopeRise = lf.lfItalic ? 4 : 1;
    otm.otmsCharSlopeRun = lf.lfItalic ? 1 : 0;
    otm.otmItalicAngle = lf.lfItalic ? -140 : 0;
    otm.otmAscent = asc;
    otm.otmDescent = -desc;
    otm.otmMacAscent = asc;
    otm.otmMacDescent = -desc;
    otm.otmrcFontBox = RECT{0, asc, 2 * n_, -desc};
    otm.otmsXHeight = static_cast<UINT>(asc / 2);
    otm.otmsCapEmHeight = static_cast<UINT>(asc);
    otm.otmsUnderscorePosition = -1;
    otm.otmsUnderscoreSize = 1;
    otm.otmsStrikeoutPosition = strikePos;
    otm.otmsStrikeoutSize = 1;
    otm.otmusMinimumPPEM = 1;
  }

 protected:
  int ComputeAdvance(char32_t c) override { return IsWideChar(c) ? 2 * n_ : n_; }
  void Render(char32_t c, Glyph* g) override {
    if (IsSpaceChar(c)) return;
    int adv = Advance(c);
    g->left = 0;
    g->top = -asc_ + 1;
    g->width = std::max(0, adv - 1);
    g->height = std::max(0, asc_ - 1);
    g->alpha.assign(static_cast<size_t>(g->width) * g->height, 255);
  }

 private:
  int n_ = 8;
  int asc_ = 13;
};

// ---- FreeType and fontconfig --------------------------------------------------------------------

FT_Library Library() {
  static FT_Library lib = [] {
    FT_Library l = nullptr;
    if (FT_Init_FreeType(&l) != 0) return static_cast<FT_Library>(nullptr);
    return l;
  }();
  return lib;
}

struct Resolved {
  std::string file;
  int index = 0;
  bool synthBold = false;
  bool synthItalic = false;
};

// Families to ask fontconfig for, by the name the resources use.
std::vector<std::string> FamiliesFor(const std::string& face, BYTE pitchFamily, bool* cjk) {
  static const std::map<std::string, int> kGroups = {
      {"宋体", 0},           {"新宋体", 0},        {"simsun", 0},          {"nsimsun", 0},
      {"黑体", 0},           {"simhei", 0},        {"微软雅黑", 0},        {"microsoft yahei", 0},
      {"楷体", 0},           {"楷体_gb2312", 0},   {"仿宋", 0},            {"仿宋_gb2312", 0},
      {"tahoma", 1},         {"ms sans serif", 1}, {"ms shell dlg", 1},    {"ms shell dlg 2", 1},
      {"microsoft sans serif", 1}, {"arial", 1},   {"verdana", 1},         {"segoe ui", 1},
      {"system", 1},         {"default", 1},       {"helvetica", 1},       {"", 1},
      {"times new roman", 2}, {"times", 2},        {"ms serif", 2},        {"courier new", 3},
      {"courier", 3},        {"fixedsys", 3},      {"terminal", 3},        {"lucida console", 3},
      {"consolas", 3},
  };
  *cjk = false;
  auto it = kGroups.find(Lower(face));
  int group = it == kGroups.end() ? -1 : it->second;
  switch (group) {
    case 0:
      *cjk = true;
      return {"WenQuanYi Micro Hei", "Noto Sans CJK SC", "Droid Sans Fallback", "sans-serif"};
    case 1: return {"DejaVu Sans", "Liberation Sans", "sans-serif"};
    case 2: return {"DejaVu Serif", "Liberation Serif", "serif"};
    case 3: return {"DejaVu Sans Mono", "Liberation Mono", "monospace"};
    default: break;
  }
  std::vector<std::string> v{face};
  if ((pitchFamily & 0x03) == FIXED_PITCH || (pitchFamily & 0xF0) == FF_MODERN)
    v.push_back("monospace");
  else if ((pitchFamily & 0xF0) == FF_ROMAN)
    v.push_back("serif");
  else
    v.push_back("sans-serif");
  return v;
}

bool Match(const std::vector<std::string>& families, bool cjk, bool bold, bool italic, Resolved* out) {
  // FcFini at exit hands fontconfig's caches back, so leak checkers see a clean exit.
  static bool inited = FcInit() == FcTrue && std::atexit([] { FcFini(); }) == 0;
  if (!inited) return false;
  FcPattern* p = FcPatternCreate();
  if (!p) return false;
  for (const std::string& f : families) FcPatternAddString(p, FC_FAMILY, reinterpret_cast<const FcChar8*>(f.c_str()));
  FcPatternAddInteger(p, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(p, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(p, FC_SCALABLE, FcTrue);
  if (cjk) FcPatternAddString(p, FC_LANG, reinterpret_cast<const FcChar8*>("zh-cn"));
  FcConfigSubstitute(nullptr, p, FcMatchPattern);
  FcDefaultSubstitute(p);
  FcResult res;
  FcPattern* m = FcFontMatch(nullptr, p, &res);
  FcPatternDestroy(p);
  if (!m) return false;
  FcChar8* file = nullptr;
  bool ok = FcPatternGetString(m, FC_FILE, 0, &file) == FcResultMatch && file;
  if (ok) {
    out->file = reinterpret_cast<const char*>(file);
    int idx = 0, w = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
    FcPatternGetInteger(m, FC_INDEX, 0, &idx);
    FcPatternGetInteger(m, FC_WEIGHT, 0, &w);
    FcPatternGetInteger(m, FC_SLANT, 0, &slant);
    out->index = idx;
    out->synthBold = bold && w < FC_WEIGHT_DEMIBOLD;
    out->synthItalic = italic && slant == FC_SLANT_ROMAN;
  }
  FcPatternDestroy(m);
  return ok;
}

// One FT_Face per file, shared by every size of it.
struct FaceFile {
  FT_Face face = nullptr;
  ~FaceFile() {
    if (face) FT_Done_Face(face);
  }
};

std::shared_ptr<FaceFile> OpenFace(const std::string& file, int index) {
  static std::map<std::pair<std::string, int>, std::shared_ptr<FaceFile>> cache;
  auto key = std::make_pair(file, index);
  auto it = cache.find(key);
  if (it != cache.end()) return it->second;
  FT_Library lib = Library();
  if (!lib) return nullptr;
  auto f = std::make_shared<FaceFile>();
  if (FT_New_Face(lib, file.c_str(), index, &f->face) != 0 || !FT_IS_SCALABLE(f->face)) {
    if (f->face) FT_Done_Face(f->face);
    f->face = nullptr;
    cache[key] = nullptr;
    return nullptr;
  }
  cache[key] = f;
  return f;
}

class FtFont : public FontInstance {
 public:
  ~FtFont() override {
    for (auto& s : sizes_)
      if (s.size) FT_Done_Size(s.size);
  }

  bool Init(const LOGFONTW& lf, const Resolved& primary, const Resolved* fallback, int devHeight, int devWidth) {
    mono_ = lf.lfQuality == NONANTIALIASED_QUALITY;
    if (!AddFace(primary)) return false;
    FT_Face face = sizes_[0].file->face;
    TT_OS2* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    TT_Postscript* post = static_cast<TT_Postscript*>(FT_Get_Sfnt_Table(face, FT_SFNT_POST));
    TT_HoriHeader* hhea = static_cast<TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
    double upem = face->units_per_EM > 0 ? face->units_per_EM : 2048;
    double winA = os2 ? os2->usWinAscent : face->ascender;
    double winD = os2 ? os2->usWinDescent : -face->descender;
    if (winA + winD <= 0) {
      winA = upem * 0.8;
      winD = upem * 0.2;
    }
    int em;
    if (devHeight < 0)
      em = -devHeight;
    else
      em = static_cast<int>(std::lround((devHeight ? devHeight : 16) * upem / (winA + winD)));
    em = std::clamp(em, 1, kMaxEm);
    double scale = em / upem;
    int xem = em;
    if (devWidth > 0 && os2 && os2->xAvgCharWidth > 0)
      xem = std::clamp(static_cast<int>(std::lround(em * devWidth / (os2->xAvgCharWidth * scale))), 1, kMaxEm);
    xscale_ = double(xem) / em;
    em_ = em;
    xem_ = xem;
    if (!SizeFace(sizes_[0])) return false;
    if (fallback && fallback->file != primary.file) AddFace(*fallback) && SizeFace(sizes_.back());

    tm.tmAscent = static_cast<LONG>(std::lround(winA * scale));
    tm.tmDescent = static_cast<LONG>(std::lround(winD * scale));
    tm.tmHeight = tm.tmAscent + tm.tmDescent;
    tm.tmInternalLeading = std::max<LONG>(0, tm.tmHeight - em);
    double lineGap = hhea ? (hhea->Ascender - hhea->Descender + hhea->Line_Gap) - (winA + winD) : 0;
    tm.tmExternalLeading = static_cast<LONG>(std::max(0.0, std::round(lineGap * scale)));
    tm.tmAveCharWidth = os2 && os2->xAvgCharWidth > 0 ? static_cast<LONG>(std::lround(os2->xAvgCharWidth * scale * xscale_))
                                                      : Advance('x');
    tm.tmMaxCharWidth = static_cast<LONG>(std::lround(face->max_advance_width * scale * xscale_));
    tm.tmWeight = lf.lfWeight ? lf.lfWeight : FW_NORMAL;
    tm.tmOverhang = 0;
    tm.tmDigitizedAspectX = tm.tmDigitizedAspectY = 96;
    tm.tmFirstChar = 0x20;
    tm.tmLastChar = 0xFFFF;
    tm.tmDefaultChar = 0x1F;
    tm.tmBreakChar = ' ';
    tm.tmItalic = lf.lfItalic ? 1 : 0;
    tm.tmUnderlined = lf.lfUnderline ? 1 : 0;
    tm.tmStruckOut = lf.lfStrikeOut ? 1 : 0;
    tm.tmPitchAndFamily = static_cast<BYTE>(TMPF_VECTOR | TMPF_TRUETYPE | (FT_IS_FIXED_WIDTH(face) ? 0 : TMPF_FIXED_PITCH) |
                                            (lf.lfPitchAndFamily & 0xF0));
    tm.tmCharSet = lf.lfCharSet;

    double ulPos = post ? post->underlinePosition : -upem / 10.0, ulThick = post ? post->underlineThickness : upem / 20.0;
    underlineSize = std::max(1, static_cast<int>(std::lround(ulThick * scale)));
    underlinePos = std::clamp(static_cast<int>(std::lround(-ulPos * scale - underlineSize / 2.0)), 0,
                              std::max(0, static_cast<int>(tm.tmDescent) - 1));
    double stPos = os2 && os2->yStrikeoutPosition ? os2->yStrikeoutPosition : upem * 0.3;
    double stSize = os2 && os2->yStrikeoutSize ? os2->yStrikeoutSize : ulThick;
    strikeSize = std::max(1, static_cast<int>(std::lround(stSize * scale)));
    strikePos = std::max(1, static_cast<int>(std::lround(stPos * scale)));

    otm.otmSize = sizeof(OUTLINETEXTMETRICW);
    otm.otmTextMetrics = tm;
    otm.otmEMSquare = static_cast<UINT>(upem);
    otm.otmsCharSlopeRise = hhea && hhea->caret_Slope_Rise ? hhea->caret_Slope_Rise : 1;
    otm.otmsCharSlopeRun = hhea ? hhea->caret_Slope_Run : 0;
    if (sizes_[0].synthItalic) {
      otm.otmsCharSlopeRise = 4;  // the synthetic slant leans about 12 degrees
      otm.otmsCharSlopeRun = 1;
    }
    otm.otmItalicAngle = post ? static_cast<int>(std::lround(post->italicAngle / 65536.0 * 10)) : 0;
    otm.otmAscent = static_cast<int>(std::lround((os2 ? os2->sTypoAscender : face->ascender) * scale));
    otm.otmDescent = static_cast<int>(std::lround((os2 ? os2->sTypoDescender : face->descender) * scale));
    otm.otmLineGap = static_cast<UINT>(std::max(0L, std::lround((os2 ? os2->sTypoLineGap : 0) * scale)));
    otm.otmMacAscent = static_cast<int>(std::lround(face->ascender * scale));
    otm.otmMacDescent = static_cast<int>(std::lround(face->descender * scale));
    otm.otmrcFontBox = RECT{static_cast<LONG>(std::lround(face->bbox.xMin * scale)), static_cast<LONG>(std::lround(face->bbox.yMax * scale)),
                            static_cast<LONG>(std::lround(face->bbox.xMax * scale)), static_cast<LONG>(std::lround(face->bbox.yMin * scale))};
    otm.otmsXHeight = static_cast<UINT>(os2 && os2->version >= 2 ? std::lround(os2->sxHeight * scale) : em / 2);
    otm.otmsCapEmHeight = static_cast<UINT>(os2 && os2->version >= 2 ? std::lround(os2->sCapHeight * scale) : tm.tmAscent);
    otm.otmsUnderscorePosition = static_cast<int>(std::lround(ulPos * scale));
    otm.otmsUnderscoreSize = underlineSize;
    otm.otmsStrikeoutPosition = strikePos;
    otm.otmsStrikeoutSize = static_cast<UINT>(strikeSize);
    otm.otmusMinimumPPEM = 1;
    file = primary.file;
    return true;
  }

 protected:
  int ComputeAdvance(char32_t c) override {
    Sized* s = Pick(c);
    if (!s || !Load(*s, c)) return 0;
    return static_cast<int>((s->file->face->glyph->advance.x + 32) >> 6);
  }

  void Render(char32_t c, Glyph* g) override {
    if (IsSpaceChar(c)) return;
    Sized* s = Pick(c);
    if (!s || !Load(*s, c)) return;
    FT_GlyphSlot slot = s->file->face->glyph;
    if (FT_Render_Glyph(slot, mono_ ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0) return;
    const FT_Bitmap& bm = slot->bitmap;
    g->left = slot->bitmap_left;
    g->top = -slot->bitmap_top;
    g->width = static_cast<int>(bm.width);
    g->height = static_cast<int>(bm.rows);
    g->alpha.assign(static_cast<size_t>(g->width) * g->height, 0);
    for (int y = 0; y < g->height; ++y) {
      const unsigned char* row = bm.buffer + static_cast<ptrdiff_t>(y) * bm.pitch;
      for (int x = 0; x < g->width; ++x) {
        uint8_t a = bm.pixel_mode == FT_PIXEL_MODE_MONO ? ((row[x >> 3] >> (7 - (x & 7))) & 1 ? 255 : 0) : row[x];
        g->alpha[static_cast<size_t>(y) * g->width + x] = a;
      }
    }
  }

 private:
  struct Sized {
    std::shared_ptr<FaceFile> file;
    FT_Size size = nullptr;
    bool synthBold = false;
    bool synthItalic = false;
  };

  bool AddFace(const Resolved& r) {
    auto f = OpenFace(r.file, r.index);
    if (!f) return false;
    Sized s;
    s.file = f;
    s.synthBold = r.synthBold;
    s.synthItalic = r.synthItalic;
    sizes_.push_back(s);
    return true;
  }

  bool SizeFace(Sized& s) {
    if (FT_New_Size(s.file->face, &s.size) != 0) {
      s.size = nullptr;
      return false;
    }
    FT_Activate_Size(s.size);
    return FT_Set_Pixel_Sizes(s.file->face, static_cast<FT_UInt>(xem_), static_cast<FT_UInt>(em_)) == 0;
  }

  // The face that has the character (the first one when none has it: its missing-glyph box).
  Sized* Pick(char32_t c) {
    for (Sized& s : sizes_)
      if (s.size && FT_Get_Char_Index(s.file->face, c) != 0) return &s;
    return sizes_.empty() || !sizes_[0].size ? nullptr : &sizes_[0];
  }

  bool Load(Sized& s, char32_t c) {
    FT_Face face = s.file->face;
    FT_Activate_Size(s.size);
    FT_Set_Transform(face, nullptr, nullptr);
    FT_UInt gi = FT_Get_Char_Index(face, c);
    FT_Int32 flags = FT_LOAD_DEFAULT | (mono_ ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_LIGHT);
    if (FT_Load_Glyph(face, gi, flags) != 0) return false;
    if (s.synthItalic) FT_GlyphSlot_Oblique(face->glyph);
    if (s.synthBold) FT_GlyphSlot_Embolden(face->glyph);
    return true;
  }

  std::vector<Sized> sizes_;
  bool mono_ = false;
  int em_ = 16, xem_ = 16;
  double xscale_ = 1;
};

struct CacheEntry {
  std::string key;
  std::shared_ptr<FontInstance> inst;
};

std::list<CacheEntry>& Cache() {
  static auto* c = new std::list<CacheEntry>();
  return *c;
}

}  // namespace

std::shared_ptr<FontInstance> RealizeFont(const LOGFONTW& lf, const std::string& face, int devHeight, int devWidth) {
  bool test = TestFontEverywhere() || Lower(face) == "fanotest";
  std::string key = (test ? "T|" : "F|") + Lower(face) + "|" + std::to_string(devHeight) + "|" + std::to_string(devWidth) +
                    "|" + std::to_string(lf.lfWeight) + "|" + std::to_string(lf.lfItalic) + std::to_string(lf.lfUnderline) +
                    std::to_string(lf.lfStrikeOut) + "|" + std::to_string(lf.lfQuality) + "|" +
                    std::to_string(lf.lfCharSet) + "|" + std::to_string(lf.lfPitchAndFamily);
  auto& cache = Cache();
  for (auto it = cache.begin(); it != cache.end(); ++it) {
    if (it->key == key) {
      cache.splice(cache.begin(), cache, it);
      return cache.front().inst;
    }
  }
  std::shared_ptr<FontInstance> inst;
  if (!test) {
    bool bold = lf.lfWeight >= FW_SEMIBOLD, italic = lf.lfItalic != 0, cjk = false;
    std::vector<std::string> fams = FamiliesFor(face, lf.lfPitchAndFamily, &cjk);
    Resolved primary, fallback;
    bool haveFallback = Match({"WenQuanYi Micro Hei", "Noto Sans CJK SC", "Droid Sans Fallback", "sans-serif"}, true,
                              bold, italic, &fallback);
    if (Match(fams, cjk, bold, italic, &primary)) {
      auto ft = std::make_shared<FtFont>();
      if (ft->Init(lf, primary, haveFallback ? &fallback : nullptr, devHeight, devWidth)) inst = ft;
    }
  }
  // Without a usable installed font the test engine keeps text working.
  if (!inst) inst = std::make_shared<TestFont>(lf, devHeight, devWidth);
  cache.push_front(CacheEntry{key, inst});
  if (cache.size() > 64) cache.pop_back();
  return inst;
}

}  // namespace fano_os::gdi

using namespace fano_os::gdi;

extern "C" {

void FanoSetTestFont(BOOL on) {
  FANO_GDI_LOCK;
  TestFontEverywhere();  // the environment is read once, before the switch overrides it
  if (g_testFontSwitch != (on != FALSE)) {
    g_testFontSwitch = on != FALSE;
    ++g_fontEngineGeneration;
  }
}

BOOL FanoTestFontActive(void) {
  FANO_GDI_LOCK;
  return TestFontEverywhere() ? TRUE : FALSE;
}

}  // extern "C"
