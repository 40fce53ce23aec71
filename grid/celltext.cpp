#include "grid/celltext.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "editors/gxwindows.h"
#include "platform/rtl/strings.h"


namespace {

// DrawText flags by TAlignment: no prefix and expanded tabs with the alignment.
constexpr UINT kAlignFlags[3] = {DT_NOPREFIX | DT_EXPANDTABS | DT_LEFT, DT_NOPREFIX | DT_EXPANDTABS | DT_RIGHT,
                                 DT_NOPREFIX | DT_EXPANDTABS | DT_CENTER};
constexpr UINT kRtlFlags[2] = {0, DT_RTLREADING};

UINT AlignFlags(TAlignment alignment) { return kAlignFlags[alignment <= taCenter ? alignment : taLeftJustify]; }

std::unique_ptr<TBitmap> drawBitmap;
int drawBitmapUses = 0;

// Holds the shared bitmap for one call when no grid holds it.
class TDrawBitmapHold {
 public:
  TDrawBitmapHold() { DrawBitmapAddRef(); }
  ~TDrawBitmapHold() { DrawBitmapRelease(); }
  TDrawBitmapHold(const TDrawBitmapHold&) = delete;
  TDrawBitmapHold& operator=(const TDrawBitmapHold&) = delete;
};

// True when the device shows the brush colour only approximately.
bool NeedsBitmap(TCanvas* canvas) {
  COLORREF rgb = ColorToRGB(canvas->Brush()->Color()) & 0x00FFFFFFu;
  return GetNearestColor(canvas->Handle(), rgb) != rgb;
}

// The shared bitmap at least w x h, with the canvas's font and brush, filled.
TBitmap* PrepareDrawBitmap(TCanvas* canvas, int w, int h) {
  TBitmap* bmp = DrawBitmap();
  if (bmp->Width() < w || bmp->Height() < h) bmp->SetSize(std::max(bmp->Width(), w), std::max(bmp->Height(), h));
  TCanvas* bc = bmp->Canvas();
  bc->SetFont(canvas->Font());
  bc->SetBrush(canvas->Brush());
  bc->FillRect(Rect(0, 0, w, h));
  return bmp;
}

// Restores a brush style on leaving, also when drawing raises.
class TBrushStyleKeep {
 public:
  explicit TBrushStyleKeep(TCanvas* canvas) : canvas_(canvas), style_(canvas->Brush()->Style()) {}
  ~TBrushStyleKeep() {
    if (canvas_->Brush()->Style() != style_) canvas_->Brush()->SetStyle(style_);
  }
  TBrushStyleKeep(const TBrushStyleKeep&) = delete;
  TBrushStyleKeep& operator=(const TBrushStyleKeep&) = delete;

 private:
  TCanvas* canvas_;
  TBrushStyle style_;
};

// Offsets of the characters of a UTF-8 text, with the text's length at the end.
std::vector<size_t> CharStarts(std::string_view text) {
  std::vector<size_t> starts;
  size_t pos = 0;
  while (pos < text.size()) {
    starts.push_back(pos);
    Utf8Decode(text, pos);
  }
  starts.push_back(text.size());
  return starts;
}

TRect ImageRect(TAlignment alignment, int xOffset, int w, int h, const TRect& rect) {
  int x;
  switch (alignment) {
    case taRightJustify:
      x = rect.Right - w + xOffset;
      break;
    case taCenter:
      x = (rect.Left + rect.Right - w) / 2 + xOffset;
      break;
    default:
      x = rect.Left + xOffset;
      break;
  }
  int y = (rect.Top + rect.Bottom - h) / 2;
  return Rect(x, y, x + w, y + h);
}

bool Inside(const TRect& inner, const TRect& outer) {
  return inner.Left >= outer.Left && inner.Top >= outer.Top && inner.Right <= outer.Right &&
         inner.Bottom <= outer.Bottom;
}

}  // namespace

// ---- the shared off-screen bitmap

void DrawBitmapAddRef() {
  if (drawBitmapUses++ == 0) drawBitmap = std::make_unique<TBitmap>();
}

void DrawBitmapRelease() {
  if (drawBitmapUses == 0) return;
  if (--drawBitmapUses == 0) drawBitmap.reset();
}

TBitmap* DrawBitmap() { return drawBitmap.get(); }

int DrawBitmapUseCount() { return drawBitmapUses; }

// ---- text

std::string EllipsisText(std::string_view text, TCanvas* canvas, int maxWidth) {
  std::string result(text);
  if (canvas->TextWidth(result) <= maxWidth) return result;
  const std::vector<size_t> starts = CharStarts(text);
  const int length = static_cast<int>(starts.size()) - 1;
  for (int k = 2; k <= length; ++k) {
    result.assign(text.substr(0, starts[static_cast<size_t>(length - k)]));
    result += "...";
    if (canvas->TextWidth(result) <= maxWidth) break;
  }
  return result;
}

void DrawClippedText(TCanvas* canvas, const TRect& rect, bool fillRect, int dx, int dy, std::string_view text,
                     TAlignment alignment, TTextLayout layout, bool multiLine, bool endEllipsis, int leftMargin,
                     int rightMargin, bool rightToLeft) {
  (void)fillRect;  // the caller has set the brush for it
  UINT flags = AlignFlags(alignment) | kRtlFlags[rightToLeft ? 1 : 0];
  if (multiLine) flags |= DT_WORDBREAK;
  if (endEllipsis) flags |= DT_END_ELLIPSIS;
  DRAWTEXTPARAMS params{};
  params.cbSize = sizeof(DRAWTEXTPARAMS);
  params.iTabLength = 0;
  params.iLeftMargin = leftMargin;
  params.iRightMargin = rightMargin;
  params.uiLengthDrawn = static_cast<UINT>(text.size());
  TRect r = rect;
  r.Left += dx;
  r.Right -= dx;
  r.Top += dy;
  r.Bottom -= dy;
  canvas->RequiredState(TCanvasState{csHandleValid, csFontValid, csBrushValid});
  HDC dc = canvas->Handle();
  if (layout == tlCenter || layout == tlBottom) {
    TRect calc = r;
    DRAWTEXTPARAMS calcParams = params;
    int h = DrawTextExGx(dc, text, -1, calc, flags | DT_CALCRECT, &calcParams);
    if (layout == tlCenter)
      r.Top = r.Top + (r.Bottom - r.Top) / 2 - h / 2;
    else
      r.Top = r.Bottom - h;
  }
  if (dx > 0) r.Bottom += 1;
  // Centred or bottom-aligned text taller than the rectangle starts above it: what lies above is
  // cut off there, not drawn over the cell above.
  const TRect clip(rect.Left, rect.Top, rect.Right, std::max(rect.Bottom, r.Bottom));
  DrawClippedToCell(dc, clip, r.Top >= rect.Top, [&] { DrawTextExGx(dc, text, -1, r, flags, &params); });
}

void WriteTextGx(TCanvas* canvas, const TRect& rect, bool fillRect, int dx, int dy, std::string_view text,
                 TAlignment alignment, TTextLayout layout, bool multiLine, bool endEllipsis, int leftMargin,
                 int rightMargin, bool rightToLeft) {
  if (!canvas) return;
  if (NeedsBitmap(canvas)) {
    TDrawBitmapHold hold;
    const int w = std::max(0, rect.Width()), h = std::max(0, rect.Height());
    TBitmap* bmp = PrepareDrawBitmap(canvas, w, h);
    TCanvas* bc = bmp->Canvas();
    bc->RequiredState(TCanvasState{csHandleValid, csFontValid, csBrushValid});
    SetBkMode(bc->Handle(), TRANSPARENT);
    {
      TBrushStyleKeep keep(bc);
      bc->Brush()->SetStyle(bsClear);
      DrawClippedText(bc, Rect(0, 0, w, h), fillRect, dx, dy, text, alignment, layout, multiLine, endEllipsis,
                      leftMargin, rightMargin, rightToLeft);
    }
    canvas->CopyRect(rect, bc, Rect(0, 0, w, h));
    return;
  }
  TBrushStyleKeep keep(canvas);
  if (multiLine) {
    if (!fillRect) canvas->Brush()->SetStyle(bsClear);
    DrawClippedText(canvas, rect, fillRect, dx, dy, text, alignment, layout, multiLine, endEllipsis, leftMargin,
                    rightMargin, rightToLeft);
    return;
  }
  std::string shown = endEllipsis ? EllipsisText(text, canvas, rect.Width() - dx) : std::string(text);
  int textWidth = 0;
  if (alignment != taLeftJustify) {
    const TFontStyles style = canvas->Font()->Style();
    if (style.Contains(fsBold) || style.Contains(fsItalic)) {
      // Bold and italic faces overhang: the drawn extent decides.
      TRect calc(0, 0, 0, 0);
      canvas->RequiredState(TCanvasState{csHandleValid, csFontValid});
      DrawTextGx(canvas->Handle(), shown, -1, calc, DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE);
      textWidth = calc.Width();
    } else {
      textWidth = canvas->TextWidth(shown);
    }
  }
  int x;
  switch (alignment) {
    case taRightJustify:
      x = rect.Right - textWidth - 3;
      break;
    case taCenter:
      x = rect.Width() == 0 ? rect.Left : rect.Left + (rect.Right - rect.Left) / 2 - textWidth / 2;
      break;
    default:
      x = rect.Left + dx;
      break;
  }
  int y = rect.Top + dy;
  const int textHeight = canvas->TextHeight(shown);
  if (textHeight < rect.Height() - dy) {
    if (layout == tlCenter)
      y = (rect.Top + rect.Bottom - textHeight) / 2;
    else if (layout == tlBottom)
      y = rect.Bottom - textHeight;
  }
  if (!fillRect) canvas->Brush()->SetStyle(bsClear);
  canvas->TextRect(rect, x, y, shown);
}

// ---- rotated text

HFONT CreateRotatedFont(TFont* font) {
  LOGFONTA lf{};
  lf.lfHeight = font->Height();
  lf.lfWidth = 0;
  lf.lfEscapement = 900;
  lf.lfOrientation = 900;
  const TFontStyles style = font->Style();
  lf.lfWeight = style.Contains(fsBold) ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = style.Contains(fsItalic) ? 1 : 0;
  lf.lfUnderline = style.Contains(fsUnderline) ? 1 : 0;
  lf.lfStrikeOut = style.Contains(fsStrikeOut) ? 1 : 0;
  lf.lfCharSet = static_cast<BYTE>(font->Charset());
  const std::string& face = font->Name() == "Default" ? TFont::DefaultName() : font->Name();
  // A face name that does not fit is cut before a character, never inside one.
  const std::vector<size_t> starts = CharStarts(face);
  size_t n = 0;
  for (size_t s : starts)
    if (s < sizeof(lf.lfFaceName)) n = s;
  std::memcpy(lf.lfFaceName, face.data(), n);
  lf.lfFaceName[n] = '\0';
  lf.lfOutPrecision = OUT_TT_ONLY_PRECIS;
  lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  lf.lfQuality = DEFAULT_QUALITY;
  switch (font->Pitch()) {
    case fpVariable:
      lf.lfPitchAndFamily = VARIABLE_PITCH;
      break;
    case fpFixed:
      lf.lfPitchAndFamily = FIXED_PITCH;
      break;
    default:
      lf.lfPitchAndFamily = DEFAULT_PITCH;
      break;
  }
  return CreateFontIndirectA(&lf);
}

int WriteTextVerticalGx(TCanvas* canvas, const TRect& rect, bool fillRect, int dx, int dy, std::string_view text,
                        TAlignment alignment, TTextLayout layout, bool endEllipsis, bool calcOnly) {
  (void)endEllipsis;
  if (!canvas) return 0;
  canvas->RequiredState(TCanvasState{csHandleValid, csFontValid, csBrushValid});
  HDC dc = canvas->Handle();
  HFONT rotated = CreateRotatedFont(canvas->Font());
  HGDIOBJ previous = SelectObject(dc, rotated);
  struct Restore {
    HDC dc;
    HGDIOBJ previous;
    HFONT rotated;
    ~Restore() {
      SelectObject(dc, previous);
      DeleteObject(rotated);
    }
  } restore{dc, previous, rotated};

  SIZE extent{0, 0};
  GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &extent);
  TEXTMETRICA tm{};
  GetTextMetricsA(dc, &tm);
  int overhang = tm.tmOverhang;
  if (tm.tmItalic) {
    OUTLINETEXTMETRICA otm{};
    if (GetOutlineTextMetricsGx(dc, sizeof(otm), &otm) != 0 && otm.otmsCharSlopeRise != 0)
      overhang = (tm.tmHeight - tm.tmInternalLeading) * otm.otmsCharSlopeRun / otm.otmsCharSlopeRise;
  }
  const int length = extent.cx + overhang;
  if (calcOnly) return length;
  const int textHeight = extent.cy;

  int x;
  switch (alignment) {
    case taRightJustify:
      x = rect.Right - textHeight;
      break;
    case taCenter:
      x = rect.Left + (rect.Right - rect.Left) / 2 - (textHeight + overhang) / 2;
      break;
    default:
      x = rect.Left + dx;
      break;
  }
  // By ordinal: 0 the text ends at the top, 1 it starts DY above the bottom, 2 it is centred.
  int y;
  switch (static_cast<int>(layout)) {
    case 0:
      y = rect.Top + length;
      break;
    case 1:
      y = rect.Bottom - dy;
      break;
    default:
      y = rect.Bottom - (rect.Bottom - rect.Top) / 2 + length / 2;
      break;
  }

  if (NeedsBitmap(canvas)) {
    // Drawn at the same place in a bitmap of the cell's size, then copied to the cell.
    TDrawBitmapHold hold;
    const int w = std::max(0, rect.Width()), h = std::max(0, rect.Height());
    TBitmap* bmp = PrepareDrawBitmap(canvas, w, h);
    TCanvas* bc = bmp->Canvas();
    bc->RequiredState(TCanvasState{csHandleValid, csFontValid, csBrushValid});
    HDC bdc = bc->Handle();
    HGDIOBJ bprevious = SelectObject(bdc, rotated);
    SetBkMode(bdc, TRANSPARENT);
    RECT cell{0, 0, w, h};
    ExtTextOutA(bdc, x - rect.Left, y - rect.Top, ETO_CLIPPED, &cell, text.data(), static_cast<UINT>(text.size()),
                nullptr);
    SelectObject(bdc, bprevious);
    canvas->CopyRect(rect, bc, Rect(0, 0, w, h));
    return length;
  }
  TBrushStyleKeep keep(canvas);
  if (!fillRect) canvas->Brush()->SetStyle(bsClear);
  canvas->RequiredState(TCanvasState{csHandleValid, csBrushValid});
  UINT options = ETO_CLIPPED;
  if (canvas->Brush()->Style() != bsClear) options |= ETO_OPAQUE;
  RECT cell = rect;
  ExtTextOutA(dc, x, y, options, &cell, text.data(), static_cast<UINT>(text.size()), nullptr);
  return length;
}

// ---- images

void DrawImage(TCustomImageList* images, TCanvas* canvas, TAlignment alignment, int xOffset, int index,
               const TRect& rect) {
  if (!images || !canvas) return;
  const TRect r = ImageRect(alignment, xOffset, images->Width(), images->Height(), rect);
  DrawClippedToCell(canvas->Handle(), rect, Inside(r, rect), [&] { images->Draw(canvas, r.Left, r.Top, index, true); });
}

void DrawImage(TGraphic* graphic, TCanvas* canvas, TAlignment alignment, int xOffset, const TRect& rect) {
  if (!graphic || !canvas) return;
  const TRect r = ImageRect(alignment, xOffset, graphic->Width(), graphic->Height(), rect);
  DrawClippedToCell(canvas->Handle(), rect, Inside(r, rect), [&] { canvas->Draw(r.Left, r.Top, graphic); });
}

