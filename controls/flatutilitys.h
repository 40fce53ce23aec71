#pragma once
// The drawing helpers every flat control and the page control draw with: the shade of an adv
// colour (editors/hslutils.h), banded gradients, two-colour button frames, the parent's background
// under a control, the greyed glyph of a disabled button, glyph and caption placement, and the
// masked and three-slice bitmap blits of the page control's tabs.
//
//   DrawGradient(canvas, clWhite, clNavy, /*horizontal*/ false, rect, 16);
//   DrawButtonFrame(canvas, rect, clBtnHighlight, 1, clBtnShadow);
//   CalcButtonLayout(canvas, client, {0, 0}, caption, blGlyphTop, -1, 4, glyphPos, textBounds, glyph, 1);
#include <cstdint>
#include <memory>
#include <string>

#include "editors/hslutils.h"
#include "platform/forms/buttons.h"
#include "platform/forms/controls.h"
#include "platform/forms/graphics.h"

// A lightness offset 0..100 of the adv colours.
using TAdvColors = uint8_t;

// The flat controls' own transparency modes (the graphics layer has a TTransparentMode of its own).
namespace FlatUtilitys {
enum TTransparentMode { tmAlways, tmNotFocused, tmNone };
}  // namespace FlatUtilitys

enum TCheckBoxLayout { checkboxLeft, checkboxRight };
enum TRadioButtonLayout { radioLeft, radioRight };

// The flat palette.
constexpr TColor FlatFaceColor = 0xE1EAEB;
constexpr TColor FlatDownColor = 0xC5D6D9;
constexpr TColor FlatBorderColor = 0x8396A0;
constexpr TColor FlatFocusedColor = 0xFFFFFF;

// Steps bands (1 when 0) from fromColor towards toColor, each a rectangle in pen and brush of its
// colour, one pixel longer than the band so that neighbours overlap. The last band is one step
// short of toColor.
void DrawGradient(TCanvas* canvas, TColor fromColor, TColor toColor, bool horizontal, const TRect& rect, int steps);
// Width rings inside rect: top and left in topColor, bottom and right in bottomColor.
void DrawButtonFrame(TCanvas* canvas, const TRect& rect, TColor topColor, int width, TColor bottomColor);
// The parent's background and painting under the control, drawn on dest (nothing without a parent).
void DrawParentImage(TControl* control, TCanvas* dest);
// The silhouette of a glyph: backColor where the glyph has maskColor, faceColor elsewhere, with a
// highlightColor copy one pixel down-right under it when highlight.
std::unique_ptr<TBitmap> DrawButtonGlyph(TBitmap* glyph, TColor maskColor, TColor backColor, bool highlight,
                                         TColor faceColor, TColor highlightColor);
// Glyph position and caption rectangle inside client (moved by offset), by the platform's button
// layout with the cell size of a glyph of numGlyphs cells. Margin -1 centres; Spacing -1 spreads;
// the caption is measured on one line. glyph may be null.
void CalcButtonLayout(TCanvas* canvas, const TRect& client, const TPoint& offset, const std::string& caption,
                      TButtonLayout layout, int margin, int spacing, TPoint& glyphPos, TRect& textBounds,
                      TBitmap* glyph, int numGlyphs);
// The font's height plus an eighth, rounded.
int FontTextHeight(TFont* font);
bool RectsIntersect(const TRect& r1, const TRect& r2);

// ---- the page control's blits -------------------------------------------------------------------

// The same bands as DrawGradient.
void GradientFill(TCanvas* canvas, TColor fromColor, TColor toColor, bool horizontal, const TRect& rect, int steps);
// Part of a bitmap copied to (x, y), leaving its pixels of transparentColor out.
void DrawTransparentBitmap(HDC dc, HBITMAP bitmap, int x, int y, int srcX, int srcY, int width, int height,
                           TColor transparentColor);
// The same, stretched from the source rectangle to the destination.
void TransparentStretchBlt(HDC dc, HBITMAP bitmap, int x, int y, int width, int height, int srcX, int srcY,
                           int srcWidth, int srcHeight, TColor transparentColor);
// A three-slice bitmap along X (Y): both halves unscaled at the ends, the two pixels at the middle
// stretched between them, the whole length long; its bottom-left pixel is transparent.
void DrawSlicedBitmapHorz(TBitmap* bitmap, TCanvas* canvas, int x, int length, int y);
void DrawSlicedBitmapVert(TBitmap* bitmap, TCanvas* canvas, int x, int length, int y);

// Disabled text: once at (1, 1) in clBtnHighlight, once in place in clBtnShadow.
void DrawEmbossedText(TCanvas* canvas, const std::string& text, TRect rect, UINT flags);
