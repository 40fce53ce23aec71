// The base grid's painting (areas of lines, then cells, then the contra run) and its line colours.
#include <algorithm>

#include "grid/gridbase.h"
#include "grid/inplaceedit.h"

FANO_IMPLEMENT_CLASS_WITH(TGridLineColorsGx, TPersistent, nullptr)

// ---- line colours -------------------------------------------------------------------------------

TGridLineColorsGx::TGridLineColorsGx(TCustomGridGx* grid) : grid_(grid) {
  std::fill(std::begin(slots_), std::end(slots_), kDefault);
}

void TGridLineColorsGx::SetSlot(int slot, TColor value) {
  if (slot < 1 || slot > kSlotCount) return;
  if (slots_[slot - 1] == value) return;
  slots_[slot - 1] = value;
  if (grid_) grid_->Invalidate();
}

void TGridLineColorsGx::Assign(TPersistent* source) {
  if (auto* other = dynamic_cast<TGridLineColorsGx*>(source)) {
    std::copy(std::begin(other->slots_), std::end(other->slots_), std::begin(slots_));
    if (grid_) grid_->Invalidate();
    return;
  }
  TPersistent::Assign(source);
}

TColor TGridLineColorsGx::GetBrightColor() const {
  if (slots_[0] != kDefault) return slots_[0];
  if (grid_ && ColorToRGB(grid_->Color()) == static_cast<TColor>(0xC0C0C0)) return clGray;
  return clSilver;
}

TColor TGridLineColorsGx::GetDarkColor() const { return slots_[1] != kDefault ? slots_[1] : clGray; }

TColor TGridLineColorsGx::Resolved(int slot) const {
  if (slot == 1) return GetBrightColor();
  if (slot == 2) return GetDarkColor();
  if (slot < 1 || slot > kSlotCount) return GetBrightColor();
  if (slots_[slot - 1] != kDefault) return slots_[slot - 1];
  switch (slot) {
    case 5:
    case 6:
    case 7:
    case 10:
    case 13:
    case 16: return GetDarkColor();
    default: return GetBrightColor();
  }
}

TColor TGridLineColorsGx::GetCellLineColor(int col, int row) const {
  const TCustomGridGx* g = grid_;
  if (col < g->FixedCols() - g->FrozenCols() || row < g->FixedRows() - g->FrozenRows()) return GetDarkColor();
  const bool dataCol = col < g->ColCount(), dataRow = row < g->RowCount();
  if (dataCol && dataRow) return GetBrightColor();
  if (dataCol) return ContraRowLineColor();
  if (dataRow) return ContraColLineColor();
  return ContraRowLineColor();
}

TColor TGridLineColorsGx::GetVertLineColor(int col) const {
  return col == grid_->ColCount() ? ContraVertBoundaryColor() : GetBrightColor();
}

TColor TGridLineColorsGx::GetHorzLineColor(int, int row) const {
  return row == grid_->RowCount() ? ContraHorzBoundaryColor() : GetBrightColor();
}

TColor TGridLineColorsGx::GetFrozenColsLineColor(int col) const {
  return grid_->FrozenCols() > 0 && col == grid_->FixedCols() - 1 ? FrozenColsLineColor() : GetBrightColor();
}

TColor TGridLineColorsGx::GetFrozenRowsLineColor(int, int row) const {
  return grid_->FrozenRows() > 0 && row == grid_->FixedRows() - 1 ? GetDarkColor() : GetBrightColor();
}

// ---- the painter --------------------------------------------------------------------------------

namespace {

// Two-point strokes in one poly-polyline with a pen of the width (geometric, flat-ended, when
// wider than one pixel); the lists are emptied for the next set.
void PolyStrokes(HDC dc, std::vector<POINT>& points, std::vector<DWORD>& counts, TColor color, int width) {
  if (counts.empty()) return;
  const COLORREF rgb = static_cast<COLORREF>(ColorToRGB(color));
  HPEN pen;
  if (width > 1) {
    LOGBRUSH lb{BS_SOLID, rgb, 0};
    pen = ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_FLAT | PS_JOIN_MITER, static_cast<DWORD>(width), &lb, 0,
                       nullptr);
  } else {
    pen = CreatePen(PS_SOLID, 1, rgb);
  }
  HGDIOBJ old = SelectObject(dc, pen);
  PolyPolyline(dc, points.data(), counts.data(), static_cast<DWORD>(counts.size()));
  SelectObject(dc, old);
  DeleteObject(pen);
  points.clear();
  counts.clear();
}

}  // namespace

// One paint of a grid: the axis records, the canvas and the stroke lists, made once per paint.
class TGridGxPainter {
 public:
  TGridGxPainter(TCustomGridGx* grid, TCanvas* canvas) : g(grid), canvas(canvas), dc(canvas->Handle()) {
    g->CalcDrawInfo(info);
  }

  void Run();

  TCustomGridGx* g;
  TCanvas* canvas;
  HDC dc;
  TGridDrawInfo info;
  std::vector<POINT> points;
  std::vector<DWORD> counts;
  int maxStrokes = 0;
  bool active = false;
  bool editorShown = false;

 private:
  void SizeStrokes(int extra);
  void Lines(bool fixedOptions, int left, int top, int right, int bottom, int startCol, int startRow, TColor back);
  void Strokes(TColor color, int width);
  void HStroke(int y, int left, int right, TColor color);
  void VStroke(int x, int top, int bottom, TColor color);
  void Cells(int startCol, int startRow, int left, int top, int right, int bottom, TColor color, bool fixed,
             bool contra);
  void DrawOneCell(int col, int row, const TRect& where, TColor color, bool fixed, bool contra);
  void Fill(const TRect& r, TColor color);
  // Clip narrowing that is undone on leaving the scope.
  class ClipScope {
   public:
    ClipScope(HDC dc, bool on, const TRect& r) : dc_(dc), on_(on) {
      if (!on_) return;
      saved_ = CreateRectRgn(0, 0, 0, 0);
      had_ = GetClipRgn(dc_, saved_) == 1;
      IntersectClipRect(dc_, r.Left, r.Top, r.Right, r.Bottom);
    }
    ~ClipScope() {
      if (!on_) return;
      SelectClipRgn(dc_, had_ ? saved_ : nullptr);
      DeleteObject(saved_);
    }

   private:
    HDC dc_;
    bool on_;
    bool had_ = false;
    HRGN saved_ = nullptr;
  };
};

void TGridGxPainter::SizeStrokes(int extra) {
  const auto& h = info.Horz;
  const auto& v = info.Vert;
  int n = std::max(h.LastFullVisibleCell - g->LeftCol() + g->FixedCols(),
                   v.LastFullVisibleCell - g->TopRow() + g->FixedRows());
  n = std::max(n, extra) + 3;
  maxStrokes = n;
  points.reserve(static_cast<size_t>(n) * 2);
  counts.reserve(static_cast<size_t>(n));
}

void TGridGxPainter::Strokes(TColor color, int width) { PolyStrokes(dc, points, counts, color, width); }

// Every vertical line of an area in one call, then every horizontal one; a line whose option is
// off is drawn in the background colour so that it keeps its width.
void TGridGxPainter::Lines(bool fixedOptions, int left, int top, int right, int bottom, int startCol, int startRow,
                           TColor back) {
  const TGridOptions o = g->Options();
  const bool doVert = o.Contains(fixedOptions ? goFixedVertLine : goVertLine);
  const bool doHorz = o.Contains(fixedOptions ? goFixedHorzLine : goHorzLine);
  const TColor line = g->GridLineColors()->GetCellLineColor(startCol, startRow);
  g->DrawLines(doHorz, doVert, startCol, startRow, TRect(left, top, right, bottom), line, back, info);
}

void TGridGxPainter::HStroke(int y, int left, int right, TColor color) {
  const int lw = info.Vert.EffectiveLineWidth;
  if (lw <= 0 || right <= left) return;
  int py = y + lw / 2;
  points.push_back({left, py});
  points.push_back({right, py});
  counts.push_back(2);
  Strokes(color, g->GridLineWidth());
}

void TGridGxPainter::VStroke(int x, int top, int bottom, TColor color) {
  const int lw = info.Horz.EffectiveLineWidth;
  if (lw <= 0 || bottom <= top) return;
  int px = x + lw / 2;
  points.push_back({px, top});
  points.push_back({px, bottom});
  counts.push_back(2);
  Strokes(color, g->GridLineWidth());
}

void TGridGxPainter::Fill(const TRect& r, TColor color) {
  if (r.IsEmpty()) return;
  canvas->Brush()->SetColor(color);
  canvas->FillRect(r);
}

void TGridGxPainter::DrawOneCell(int col, int row, const TRect& where, TColor color, bool fixed, bool contra) {
  const TGridOptions o = g->Options();
  TGridDrawState state;
  if (fixed) state.Include(gdFixed);
  bool focused = false;
  if (!contra) {
    focused = active && col == g->Col() && row == g->Row();
    if (focused) state.Include(gdFocused);
    const TGridRect sel = g->Selection();
    if (col >= sel.Left && col <= sel.Right && row >= sel.Top && row <= sel.Bottom) state.Include(gdSelected);
  }
  const bool designing = g->InState(csDesigning);
  if (focused && o.Contains(goEditing) && editorShown && !designing) return;  // the editor covers it
  if (g->DefaultDrawing() || designing) {
    canvas->Font()->Assign(g->Font());
    if (state.Contains(gdSelected) &&
        (!focused || o.Contains(goDrawFocusSelected) || o.Contains(goRowSelect))) {
      canvas->Brush()->SetColor(clHighlight);
      canvas->Font()->SetColor(clHighlightText);
    } else {
      canvas->Brush()->SetColor(color);
    }
    canvas->FillRect(where);
  }
  g->DrawCell(col, row, where, state);
  if (g->DefaultDrawing() && fixed && g->Ctl3D() && !g->FramesFixedCells() &&
      (o.Contains(goFixedHorzLine) || o.Contains(goFixedVertLine))) {
    TRect frame = where;
    if (!o.Contains(goFixedVertLine))
      frame.Right += info.Horz.EffectiveLineWidth;
    else if (!o.Contains(goFixedHorzLine))
      frame.Bottom += info.Vert.EffectiveLineWidth;
    g->Paint3DFrame(canvas, frame, false);
  }
  if (g->DefaultDrawing() && !designing && focused && !g->FramesFocusedCell() &&
      !(o.Contains(goEditing) && o.Contains(goAlwaysShowEditor)) && !o.Contains(goRowSelect)) {
    canvas->DrawFocusRect(where);
  }
}

void TGridGxPainter::Cells(int startCol, int startRow, int left, int top, int right, int bottom, TColor color,
                           bool fixed, bool contra) {
  const int colLimit = contra ? g->FullColCount() : g->ColCount();
  const int rowLimit = contra ? g->FullRowCount() : g->RowCount();
  const int hlw = info.Horz.EffectiveLineWidth, vlw = info.Vert.EffectiveLineWidth;
  int y = top;
  for (int row = startRow; y < bottom && row < rowLimit; ++row) {
    const int h = info.Vert.Extent(row);
    int x = left;
    for (int col = startCol; x < right && col < colLimit; ++col) {
      const int w = info.Horz.Extent(col);
      TRect where(x, y, x + w, y + h);
      if (w > 0) {
        RECT rc = {where.Left, where.Top, where.Right, where.Bottom};
        if (RectVisible(dc, &rc)) DrawOneCell(col, row, where, color, fixed, contra);
      }
      x = where.Right + hlw;
    }
    y += h + vlw;
  }
}

void TGridGxPainter::Run() {
  const auto& h = info.Horz;
  const auto& v = info.Vert;
  const TColor fixedColor = g->FixedColor(), color = g->Color();
  const int fixedCols = g->FixedCols(), fixedRows = g->FixedRows();
  const int frozenCols = h.FrozenCount, frozenRows = v.FrozenCount;
  const int firstFrozenCol = fixedCols - frozenCols, firstFrozenRow = fixedRows - frozenRows;
  const int left = g->LeftCol(), top = g->TopRow();
  const bool hasContra = g->ContraColCount() > 0 || g->ContraRowCount() > 0;
  const bool pixelClip = g->HorzPixelOffset() != 0;
  const TRect scrollCols(h.FixedBoundary, 0, h.ClientExtent, v.ClientExtent);
  TGridLineColorsGx* lc = g->GridLineColors();
  const bool anyLines = h.EffectiveLineWidth != 0 || v.EffectiveLineWidth != 0;
  {
    ClipScope mainClip(dc, hasContra, TRect(0, 0, h.ContraBoundary, v.ContraBoundary));
    if (anyLines) {
      SizeStrokes(0);
      Lines(true, 0, 0, h.FixedBoundary, v.FrozenBoundary, 0, 0, fixedColor);
      Lines(true, 0, v.FrozenBoundary, h.FrozenBoundary, v.FixedBoundary, 0, firstFrozenRow, fixedColor);
      Lines(true, h.FrozenBoundary, v.FrozenBoundary, h.FixedBoundary - 1, v.FixedBoundary - 1, firstFrozenCol,
            firstFrozenRow, fixedColor);
      if (frozenRows > 0)
        HStroke(v.FixedBoundary - v.EffectiveLineWidth, 0, h.FixedBoundary,
                lc->GetFrozenRowsLineColor(0, fixedRows - 1));
      if (frozenCols > 0)
        VStroke(h.FixedBoundary - h.EffectiveLineWidth, 0, v.FixedBoundary, lc->GetFrozenColsLineColor(fixedCols - 1));
      {
        ClipScope offsetClip(dc, pixelClip, scrollCols);
        Lines(true, h.ScrollStart, 0, h.GridBoundary, v.FrozenBoundary, left, 0, fixedColor);
        Lines(true, h.ScrollStart, v.FrozenBoundary, h.GridBoundary, v.FixedBoundary, left, firstFrozenRow,
              fixedColor);
        if (frozenRows > 0)
          HStroke(v.FixedBoundary - v.EffectiveLineWidth, h.FixedBoundary, h.GridBoundary,
                  lc->GetFrozenRowsLineColor(left, fixedRows - 1));
      }
      Lines(true, 0, v.FixedBoundary, h.FrozenBoundary, v.GridBoundary, 0, top, fixedColor);
      Lines(true, h.FrozenBoundary, v.FixedBoundary, h.FixedBoundary - 1, v.GridBoundary, firstFrozenCol, top,
            fixedColor);
      if (frozenCols > 0)
        VStroke(h.FixedBoundary - h.EffectiveLineWidth, v.FixedBoundary, v.GridBoundary,
                lc->GetFrozenColsLineColor(fixedCols - 1));
      {
        ClipScope offsetClip(dc, pixelClip, scrollCols);
        Lines(false, h.ScrollStart, v.FixedBoundary, h.GridBoundary, v.GridBoundary, left, top, color);
      }
    }
    // Cells, in the order of the lines.
    Cells(0, 0, 0, 0, h.FixedBoundary, v.FrozenBoundary, fixedColor, true, false);
    Cells(0, firstFrozenRow, 0, v.FrozenBoundary, h.FrozenBoundary, v.FixedBoundary, fixedColor, true, false);
    Cells(firstFrozenCol, firstFrozenRow, h.FrozenBoundary, v.FrozenBoundary, h.FixedBoundary, v.FixedBoundary, color,
          false, false);
    {
      ClipScope offsetClip(dc, pixelClip, scrollCols);
      Cells(left, 0, h.ScrollStart, 0, h.GridBoundary, v.FrozenBoundary, fixedColor, true, false);
      Cells(left, firstFrozenRow, h.ScrollStart, v.FrozenBoundary, h.GridBoundary, v.FixedBoundary, color, false,
            false);
    }
    Cells(0, top, 0, v.FixedBoundary, h.FrozenBoundary, v.GridBoundary, fixedColor, true, false);
    Cells(firstFrozenCol, top, h.FrozenBoundary, v.FixedBoundary, h.FixedBoundary, v.GridBoundary, color, false, false);
    {
      ClipScope offsetClip(dc, pixelClip, scrollCols);
      Cells(left, top, h.ScrollStart, v.FixedBoundary, h.GridBoundary, v.GridBoundary, color, false, false);
    }
    // One focus rectangle around the selected rows.
    if (!g->InState(csDesigning) && g->Options().Contains(goRowSelect) && g->DefaultDrawing() && g->Focused() &&
        g->FramesCurrentRow()) {
      const TGridRect sel = g->Selection();
      TRect r = g->BoxRectEx(sel.Left, sel.Top, sel.Right, sel.Bottom, false, info);
      if (!r.IsEmpty()) canvas->DrawFocusRect(r);
    }
    Fill(TRect(h.GridBoundary, 0, h.GridExtent, v.GridExtent), color);
    Fill(TRect(0, v.GridBoundary, h.GridExtent, v.GridExtent), color);
  }
  if (!hasContra) return;

  // The contra run: rows fixed at the bottom, columns fixed at the right, and their corner.
  const int colCount = g->ColCount(), rowCount = g->RowCount();
  const int contraTop = v.ContraBoundary + v.EffectiveLineWidth;
  const int contraLeft = h.ContraBoundary + h.EffectiveLineWidth;
  const bool contraRows = g->ContraRowCount() > 0, contraCols = g->ContraColCount() > 0;
  if (anyLines) {
    SizeStrokes(std::max(g->ContraColCount(), g->ContraRowCount()));
    if (contraRows) {
      Lines(true, 0, contraTop, h.FrozenBoundary, v.ClientExtent, 0, rowCount, fixedColor);
      Lines(true, h.FrozenBoundary, contraTop, h.FixedBoundary - 1, v.ClientExtent, firstFrozenCol, rowCount,
            fixedColor);
      if (frozenCols > 0)
        VStroke(h.FixedBoundary - h.EffectiveLineWidth, contraTop, v.ClientExtent,
                lc->GetFrozenColsLineColor(fixedCols - 1));
      HStroke(v.ContraBoundary, 0, h.FixedBoundary, lc->GetHorzLineColor(0, rowCount));
      {
        ClipScope offsetClip(dc, pixelClip, TRect(h.FixedBoundary, 0, h.ContraBoundary, v.ClientExtent));
        Lines(false, h.ScrollStart, contraTop, h.GridBoundary, v.ClientExtent, left, rowCount, color);
        HStroke(v.ContraBoundary, h.FixedBoundary, h.GridBoundary, lc->GetHorzLineColor(left, rowCount));
      }
    }
    if (contraCols) {
      Lines(true, contraLeft, 0, h.ClientExtent, v.FrozenBoundary, colCount, 0, fixedColor);
      Lines(true, contraLeft, v.FrozenBoundary, h.ClientExtent, v.FixedBoundary - 1, colCount, firstFrozenRow,
            fixedColor);
      Lines(false, contraLeft, v.FixedBoundary, h.ClientExtent, v.GridBoundary, colCount, top, color);
      const TColor boundary = lc->GetVertLineColor(colCount);
      if (frozenRows > 0) VStroke(h.ContraBoundary, v.FrozenBoundary, v.FixedBoundary, boundary);
      VStroke(h.ContraBoundary, 0, v.FrozenBoundary, boundary);
      VStroke(h.ContraBoundary, v.FixedBoundary, v.GridBoundary, boundary);
      if (contraRows) VStroke(h.ContraBoundary, contraTop, v.ClientExtent, boundary);
    }
    if (contraRows && contraCols) {
      Lines(false, contraLeft, contraTop, h.ClientExtent, v.ClientExtent, colCount, rowCount, color);
      HStroke(v.ContraBoundary, h.ContraBoundary, h.ClientExtent, lc->GetHorzLineColor(colCount, rowCount));
    }
  }
  if (contraRows) {
    ClipScope band(dc, true, TRect(0, v.ContraBoundary, h.GridBoundary, v.ClientExtent));
    Cells(0, rowCount, 0, contraTop, h.FrozenBoundary, v.ClientExtent, fixedColor, true, true);
    Cells(firstFrozenCol, rowCount, h.FrozenBoundary, contraTop, h.FixedBoundary, v.ClientExtent, color, false, true);
    ClipScope offsetClip(dc, pixelClip, scrollCols);
    Cells(left, rowCount, h.ScrollStart, contraTop, h.GridBoundary, v.ClientExtent, color, false, true);
  }
  if (contraCols) {
    ClipScope band(dc, true, TRect(h.ContraBoundary, 0, h.ClientExtent, v.GridBoundary));
    Cells(colCount, 0, contraLeft, 0, h.ClientExtent, v.FrozenBoundary, fixedColor, true, true);
    Cells(colCount, firstFrozenRow, contraLeft, v.FrozenBoundary, h.ClientExtent, v.FixedBoundary, color, false, true);
    Cells(colCount, top, contraLeft, v.FixedBoundary, h.ClientExtent, v.GridBoundary, color, false, true);
  }
  if (contraRows && contraCols)
    Cells(colCount, rowCount, contraLeft, contraTop, h.ClientExtent, v.ClientExtent, color, false, true);
  if (contraCols) Fill(TRect(contraLeft, v.GridBoundary, h.ClientExtent, v.GridExtent), color);
  if (contraRows) Fill(TRect(h.GridBoundary, contraTop, h.GridExtent, v.ClientExtent), color);
}

// ---- the grid's painting operations --------------------------------------------------------------

void TCustomGridGx::Paint() {
  if (updateLock_ > 0) return;
  TGridGxPainter painter(this, Canvas());
  painter.active = IsActiveControl();
  painter.editorShown = inplaceEdit_ && inplaceEdit_->GetVisible();
  painter.Run();
}

void TCustomGridGx::DrawLines(bool doHorz, bool doVert, int startCol, int startRow, const TRect& cellsRect,
                              TColor lineColor, TColor backColor, const TGridDrawInfo& info) {
  if (cellsRect.IsEmpty()) return;
  HDC dc = Canvas()->Handle();
  const int hlw = info.Horz.EffectiveLineWidth, vlw = info.Vert.EffectiveLineWidth;
  const int maxStrokes = std::max(info.Horz.LastFullVisibleCell - topLeft_.X + fixedCols_,
                                  info.Vert.LastFullVisibleCell - topLeft_.Y + fixedRows_) +
                         3 + std::max(contraColCount_, contraRowCount_);
  std::vector<POINT>& points = linePoints_;
  std::vector<DWORD>& counts = lineCounts_;
  points.clear();
  counts.clear();
  points.reserve(static_cast<size_t>(maxStrokes) * 2);
  counts.reserve(static_cast<size_t>(maxStrokes));
  auto draw = [&](TColor color, int width) { PolyStrokes(dc, points, counts, color, width); };
  if (hlw > 0) {
    int pos = cellsRect.Left;
    for (int col = startCol; pos < cellsRect.Right && col < FullColCount() && static_cast<int>(counts.size()) < maxStrokes;
         ++col) {
      const int step = GetColWidths(col) + hlw;
      if (step >= 1) {
        const int x = pos + step - hlw + hlw / 2;
        points.push_back({x, cellsRect.Top});
        points.push_back({x, cellsRect.Bottom});
        counts.push_back(2);
      }
      pos += std::max(step, 0);
    }
    draw(doVert ? lineColor : backColor, gridLineWidth_);
  }
  if (vlw > 0) {
    int pos = cellsRect.Top;
    for (int row = startRow; pos < cellsRect.Bottom && row < FullRowCount() && static_cast<int>(counts.size()) < maxStrokes;
         ++row) {
      const int step = GetRowHeights(row) + vlw;
      if (step >= 1) {
        const int y = pos + step - vlw + vlw / 2;
        points.push_back({cellsRect.Left, y});
        points.push_back({cellsRect.Right, y});
        counts.push_back(2);
      }
      pos += std::max(step, 0);
    }
    draw(doHorz ? lineColor : backColor, gridLineWidth_);
  }
}

void TCustomGridGx::DrawPolyline(const std::vector<TPoint>& points) { Canvas()->Polyline(points); }

void TCustomGridGx::Paint3DFrame(TCanvas* canvas, const TRect& rect, bool pressed) {
  RECT r = {rect.Left, rect.Top, rect.Right, rect.Bottom};
  HDC dc = canvas->Handle();
  const UINT edge = pressed ? BDR_SUNKENINNER : BDR_RAISEDINNER;
  const UINT soft = SoftFrames() ? BF_SOFT : 0;
  if (flat_) {
    canvas->Pen()->SetColor(pressed ? clBtnShadow : clBtnHighlight);
    canvas->Pen()->SetWidth(1);
    canvas->MoveTo(rect.Left, rect.Bottom - 1);
    canvas->LineTo(rect.Left, rect.Top);
    canvas->LineTo(rect.Right, rect.Top);
    DrawEdge(dc, &r, edge, BF_BOTTOMRIGHT | soft);
  } else {
    DrawEdge(dc, &r, edge, BF_TOPLEFT | soft);
    DrawEdge(dc, &r, edge, BF_BOTTOMRIGHT | soft);
  }
}
