#pragma once
// ToolCtrlsGx's drawing part: colour blending and gradients, image-list images centred in a cell,
// the tree lines and expand buttons of hierarchical grids, and tests for pending mouse clicks.
// (Its other part, variant comparison and field lists, is editors/toolctrlsgx.h.)
#include <vector>

#include "platform/forms/controls.h"
#include "platform/forms/graphics.h"
#include "platform/forms/imglist.h"

// Each channel round((c2 - c1) * percent / 100 + c1), halves to even, within 0..255.
TColor MixColors(TColor color1, TColor color2, int percent);
// Row by row from `from` at the top to `to` at the bottom, each row a one-pixel-high rectangle
// drawn with the pen.
void FillGradient(TCanvas* canvas, const TRect& rect, TColor from, TColor to);
// The points in pairs, each pair a line from origin + first to origin + second, coloured from
// `from` (first pair) to `to` (last pair).
void DrawGradientEx(TCanvas* canvas, const TPoint& origin, const std::vector<TPoint>& points, TColor from, TColor to);
// The image centred in the rectangle (clipped to it when it does not fit), blended with the
// highlight colour when selected.
void DrawImageInRect(HDC dc, const TRect& rect, TCustomImageList* images, int index, bool selected);

// Element kinds of DrawButtonGlyph: a minus box (0 between siblings, 1 last, 2 first), a plus box
// (3, 4, 5 alike), or lines only (6 full height, 7 upper half, 8 lower half, each with the
// horizontal line to the right; 9 vertical only).
void DrawButtonGlyph(TCanvas* canvas, const TRect& rect, int kind, bool shift, double vertScale, double horzScale,
                     bool dotPhase);

// A left press (or double-click) queued for the control, inside its client area: taken off the
// queue, true. The At form takes one anywhere on the control's window.
bool IsMouseDownPending(TControl* control);
bool IsMouseDownPendingAt(TControl* control);
// The same for a press on an area of a window (client coordinates), a grid cell say.
bool IsMouseDownPendingIn(TWinControl* window, const TRect& area);
// Within the double-click time and distances.
bool IsDoubleClick(const TPoint& p1, const TPoint& p2, uint32_t elapsedMs);
