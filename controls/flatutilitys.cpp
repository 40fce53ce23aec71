// Gradients, frames, parent images, glyph silhouettes and layout, and the masked blits.
#include "controls/flatutilitys.h"

#include <algorithm>
#include <cstdlib>

#include "platform/rtl/sysutils.h"

namespace {

int R(COLORREF c) { return static_cast<int>(c & 0xFF); }
int G(COLORREF c) { return static_cast<int>((c >> 8) & 0xFF); }
int B(COLORREF c) { return static_cast<int>((c >> 16) & 0xFF); }

}  // namespace

void DrawGradient(TCanvas* canvas, TColor fromColor, TColor toColor, bool horizontal, const TRect& rect, int steps) {
  COLORREF c1 = ColorToRGB(fromColor);
  COLORREF c2 = ColorToRGB(toColor);
  int n = steps <= 0 ? 1 : steps;
  double stepR = static_cast<double>(R(c2) - R(c1)) / n;
  double stepG = static_cast<double>(G(c2) - G(c1)) / n;
  double stepB = static_cast<double>(B(c2) - B(c1)) / n;
  double band = static_cast<double>(horizontal ? rect.Right - rect.Left : rect.Bottom - rect.Top) / n;
  int bandLen = static_cast<int>(Round(band));
  canvas->Pen()->SetStyle(psSolid);
  canvas->Brush()->SetStyle(bsSolid);
  for (int i = 0; i < n; ++i) {
    int r = std::clamp(R(c1) + static_cast<int>(Round(i * stepR)), 0, 255);
    int g = std::clamp(G(c1) + static_cast<int>(Round(i * stepG)), 0, 255);
    int b = std::clamp(B(c1) + static_cast<int>(Round(i * stepB)), 0, 255);
    TColor c = static_cast<TColor>(RGB(r, g, b));
    canvas->Pen()->SetColor(c);
    canvas->Brush()->SetColor(c);
    int p = static_cast<int>(static_cast<int16_t>(static_cast<uint16_t>(Round(i * band))));
    if (horizontal)
      canvas->Rectangle(rect.Left + p, rect.Top, rect.Left + p + bandLen + 1, rect.Bottom);
    else
      canvas->Rectangle(rect.Left, rect.Top + p, rect.Right, rect.Top + p + bandLen + 1);
  }
}

void GradientFill(TCanvas* canvas, TColor fromColor, TColor toColor, bool horizontal, const TRect& rect, int steps) {
  DrawGradient(canvas, fromColor, toColor, horizontal, rect, steps);
}

void DrawButtonFrame(TCanvas* canvas, const TRect& rect, TColor topColor, int width, TColor bottomColor) {
  TRect r = rect;
  canvas->Pen()->SetWidth(1);
  canvas->Pen()->SetStyle(psSolid);
  --r.Right;
  --r.Bottom;
  for (int i = 0; i < width; ++i) {
    canvas->Pen()->SetColor(topColor);
    canvas->Polyline({TPoint(r.Left, r.Bottom), TPoint(r.Left, r.Top), TPoint(r.Right, r.Top)});
    canvas->Pen()->SetColor(bottomColor);
    canvas->Polyline({TPoint(r.Right, r.Top), TPoint(r.Right, r.Bottom), TPoint(r.Left - 1, r.Bottom)});
    r.Inflate(-1, -1);
  }
}

void DrawParentImage(TControl* control, TCanvas* dest) {
  TWinControl* parent = control->Parent();
  if (!parent) return;
  HDC dc = dest->Handle();
  int saved = SaveDC(dc);
  POINT org{0, 0};
  GetViewportOrgEx(dc, &org);
  SetViewportOrgEx(dc, org.x - control->Left(), org.y - control->Top(), nullptr);
  IntersectClipRect(dc, 0, 0, parent->ClientWidth(), parent->ClientHeight());
  parent->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  parent->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
  RestoreDC(dc, saved);
}

std::unique_ptr<TBitmap> DrawButtonGlyph(TBitmap* glyph, TColor maskColor, TColor backColor, bool highlight,
                                         TColor faceColor, TColor highlightColor) {
  auto result = std::make_unique<TBitmap>();
  int w = glyph->Width(), h = glyph->Height();
  result->SetSize(w, h);
  // The mask: black where the glyph has the mask colour, white where the glyph draws; the blit
  // paints the brush through the white (D xor P and S xor D).
  COLORREF key = ColorToRGB(maskColor);
  TBitmap mask;
  mask.SetSize(w, h);
  TCanvas* src = glyph->Canvas();
  TCanvas* mc = mask.Canvas();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      mc->SetPixels(x, y, static_cast<COLORREF>(src->Pixels(x, y)) == key ? clBlack : clWhite);
  TCanvas* rc = result->Canvas();
  rc->Brush()->SetColor(backColor);
  rc->Brush()->SetStyle(bsSolid);
  rc->FillRect(TRect(0, 0, w, h));
  constexpr DWORD kPaintThroughMask = 0xE20746;
  HDC maskDC = mask.Canvas()->Handle();
  auto blit = [&](int at, TColor brush) {
    rc->Brush()->SetColor(brush);
    rc->RequiredState(TCanvasState{csHandleValid, csBrushValid});
    BitBlt(rc->Handle(), at, at, w, h, maskDC, 0, 0, kPaintThroughMask);
  };
  if (highlight) blit(1, highlightColor);
  blit(0, faceColor);
  return result;
}

void CalcButtonLayout(TCanvas* canvas, const TRect& client, const TPoint& offset, const std::string& caption,
                      TButtonLayout layout, int margin, int spacing, TPoint& glyphPos, TRect& textBounds,
                      TBitmap* glyph, int numGlyphs) {
  TSize glyphSize{0, 0};
  if (glyph && !glyph->Empty()) glyphSize = TSize{glyph->Width() / std::max(1, numGlyphs), glyph->Height()};
  // The caption is measured on one line: line breaks count as blanks.
  std::string oneLine = caption;
  std::replace_if(oneLine.begin(), oneLine.end(), [](char ch) { return ch == '\r' || ch == '\n'; }, ' ');
  ::CalcButtonLayout(canvas, client, offset, oneLine, layout, margin, spacing, glyphSize, glyphPos, textBounds);
}

int FontTextHeight(TFont* font) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font->Handle());
  TEXTMETRICA tm{};
  GetTextMetricsA(dc, &tm);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return static_cast<int>(Round(tm.tmHeight + tm.tmHeight / 8.0));
}

bool RectsIntersect(const TRect& r1, const TRect& r2) {
  RECT a = r1, b = r2, out{};
  return IntersectRect(&out, &a, &b) != FALSE;
}

void TransparentStretchBlt(HDC dc, HBITMAP bitmap, int x, int y, int width, int height, int srcX, int srcY,
                           int srcWidth, int srcHeight, TColor transparentColor) {
  if (width <= 0 || height <= 0 || srcWidth <= 0 || srcHeight <= 0) return;
  HDC src = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(src, bitmap);
  TransparentBlt(dc, x, y, width, height, src, srcX, srcY, srcWidth, srcHeight, ColorToRGB(transparentColor));
  SelectObject(src, old);
  DeleteDC(src);
}

void DrawTransparentBitmap(HDC dc, HBITMAP bitmap, int x, int y, int srcX, int srcY, int width, int height,
                           TColor transparentColor) {
  TransparentStretchBlt(dc, bitmap, x, y, width, height, srcX, srcY, width, height, transparentColor);
}

namespace {

// Ends of a three-slice bitmap that do not fit the length are cut: the first end keeps the
// larger half of the length, the second end the rest, taken from its far edge.
void DrawSliced(TBitmap* bitmap, TCanvas* canvas, int x, int length, int y, bool horz) {
  if (!bitmap || bitmap->Empty() || length <= 0) return;
  int w = bitmap->Width(), h = bitmap->Height();
  TColor tc = static_cast<TColor>(bitmap->Canvas()->Pixels(0, h - 1));
  bitmap->Dormant();
  HBITMAP hb = bitmap->Handle();
  HDC dc = canvas->Handle();
  int size = horz ? w : h;
  int half = size / 2;
  int first = std::min(half, length - length / 2);
  int second = std::min(size - half, length - first);
  int middle = length - size;
  auto part = [&](int at, int from, int len, int stretchTo) {
    if (len <= 0 || stretchTo <= 0) return;
    if (horz)
      TransparentStretchBlt(dc, hb, x + at, y, stretchTo, h, from, 0, len, h, tc);
    else
      TransparentStretchBlt(dc, hb, x, y + at, w, stretchTo, 0, from, w, len, tc);
  };
  part(0, 0, first, first);
  if (middle > 0) {
    part(half, half - 1, std::min(2, size - (half - 1)), middle);
    part(half + middle, half, size - half, size - half);
  } else {
    part(length - second, size - second, second, second);
  }
}

}  // namespace

void DrawSlicedBitmapHorz(TBitmap* bitmap, TCanvas* canvas, int x, int length, int y) {
  DrawSliced(bitmap, canvas, x, length, y, true);
}

void DrawSlicedBitmapVert(TBitmap* bitmap, TCanvas* canvas, int x, int length, int y) {
  DrawSliced(bitmap, canvas, x, length, y, false);
}

void DrawEmbossedText(TCanvas* canvas, const std::string& text, TRect rect, UINT flags) {
  canvas->Brush()->SetStyle(bsClear);
  auto draw = [&](const TRect& r, TColor color) {
    canvas->Font()->SetColor(color);
    canvas->RequiredState(TCanvasState{csHandleValid, csFontValid, csBrushValid});
    RECT rr = r;
    DrawTextA(canvas->Handle(), text.c_str(), static_cast<int>(text.size()), &rr, flags);
  };
  rect.Offset(1, 1);
  draw(rect, clBtnHighlight);
  rect.Offset(-1, -1);
  draw(rect, clBtnShadow);
}
