#pragma once
// Text and small images in a cell rectangle, for the data grid's cell painters and the lookup
// grid: a text writer with alignment, layout, word wrap, "..." ellipsis and margins; a writer of
// text turned by 90 degrees (vertical titles) with a font made for it; an image writer that clips
// to the cell; the off-screen bitmap shared by every grid for colours the device cannot show; and
// the tool-tip window (editors/tooltips.h), which measures a hint in the font of the cell it shows.
//
//   WriteTextGx(canvas, cell, true, 2, 2, "合计", taRightJustify, tlCenter, false, true, 0, 0, false);
//   int needed = WriteTextVerticalGx(canvas, cell, false, 2, 2, title, taCenter, tlCenter, false, true);
//
// Texts are UTF-8; shortening cuts between characters, never inside one.
#include <string>
#include <string_view>

#include "editors/tooltips.h"
#include "platform/forms/forms.h"
#include "platform/forms/graphics.h"
#include "platform/forms/imglist.h"
#include "platform/forms/stdctrls.h"

// ---- the shared off-screen bitmap

// Each user (a grid) holds it while it lives: the first creates it, the last release frees it.
void DrawBitmapAddRef();
void DrawBitmapRelease();
// The bitmap while someone holds it; null otherwise.
TBitmap* DrawBitmap();
int DrawBitmapUseCount();

// ---- text

// Writes the text inside the rectangle. DX and DY move it off the left and top edges; right-aligned
// single-line text ends 3 pixels before the right edge. Without FillRect the background stays as
// it is. A brush colour the device cannot show exactly goes through the shared bitmap.
void WriteTextGx(TCanvas* canvas, const TRect& rect, bool fillRect, int dx, int dy, std::string_view text,
                 TAlignment alignment, TTextLayout layout, bool multiLine, bool endEllipsis, int leftMargin,
                 int rightMargin, bool rightToLeft);
// The draw-text path of WriteTextGx: alignment, word break with MultiLine, end ellipsis, reading
// order and margins through the platform's DrawTextEx, in the rectangle less DX and DY.
void DrawClippedText(TCanvas* canvas, const TRect& rect, bool fillRect, int dx, int dy, std::string_view text,
                     TAlignment alignment, TTextLayout layout, bool multiLine, bool endEllipsis, int leftMargin,
                     int rightMargin, bool rightToLeft);
// The text as it is when it fits in maxWidth; otherwise its leading characters followed by "...",
// as many as fit ("..." alone at the shortest).
std::string EllipsisText(std::string_view text, TCanvas* canvas, int maxWidth);

// ---- rotated text

// A new font like `font`, turned by 90 degrees to read upwards; the caller deletes it.
HFONT CreateRotatedFont(TFont* font);
// Writes the text upwards in the cell and answers its length along the cell (the text width plus
// the font's overhang); with CalcOnly it only measures. Across the cell by Alignment (left + DX,
// against the right edge, or centred); along the cell by the layout's ordinal: 0 ends the text at
// the top, 1 starts it DY above the bottom, 2 centres it.
int WriteTextVerticalGx(TCanvas* canvas, const TRect& rect, bool fillRect, int dx, int dy, std::string_view text,
                        TAlignment alignment, TTextLayout layout, bool endEllipsis, bool calcOnly);

// ---- clipping

// Draws with the clip region narrowed to the cell (unless the caller knows the drawing stays
// inside it); the old region (or none) comes back, also when drawing raises.
template <class Draw>
void DrawClippedToCell(HDC dc, const TRect& cell, bool inside, Draw&& draw) {
  if (inside) {
    draw();
    return;
  }
  HRGN saved = CreateRectRgn(0, 0, 0, 0);
  const bool hadClip = GetClipRgn(dc, saved) == 1;
  IntersectClipRect(dc, cell.Left, cell.Top, cell.Right, cell.Bottom);
  try {
    draw();
  } catch (...) {
    SelectClipRgn(dc, hadClip ? saved : nullptr);
    DeleteObject(saved);
    throw;
  }
  SelectClipRgn(dc, hadClip ? saved : nullptr);
  DeleteObject(saved);
}

// ---- images

// One image in the cell: across by Alignment moved by XOffset, centred vertically; clipped to the
// cell when it does not fit.
void DrawImage(TCustomImageList* images, TCanvas* canvas, TAlignment alignment, int xOffset, int index,
               const TRect& rect);
void DrawImage(TGraphic* graphic, TCanvas* canvas, TAlignment alignment, int xOffset, const TRect& rect);

