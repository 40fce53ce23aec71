// Cell painting of the data grid: the cell is classified and handed to the title, indicator, data
// or footer painter, each of which chooses font, background, frame and content.
#include <algorithm>

#include "editors/editbuttons.h"
#include "editors/gxdraw.h"
#include "grid/celltext.h"
#include "grid/dbgrid.h"

// ---------------------------------------------------------------- classification

void TCustomDBGridGx::DrawCell(int col, int row, const TRect& rect, TGridDrawState state) {
  const TCellTypeGx type = GetCellType(col, row);
  if (!type.DataColumn) DrawIndicatorCell(col, row, type, state, rect);
  else if (type.Area == caFooter) DrawFooterCell(col, row, type, state, rect);
  else if (type.Area == caData) DrawDataCell(col, row, type, state, rect);
  else DrawTitleCell(col, row, type, state, rect);
}

bool TCustomDBGridGx::IsThemedCell(int col, int row, TGridDrawState state, const TRect& /*rect*/) {
  return ThemesActive() && !Flat() && CheckCellArea(col, row, state);
}

bool TCustomDBGridGx::FixedCellColors(int col, const TCellTypeGx& type, TFont* font, TColor& background,
                                      bool down) {
  const int area = (type.DataColumn ? 1 : 0) | (static_cast<int>(type.Area) << 8);
  if (style_) return style_->GetFixedCellColors(this, col, font, background, true, down, area);
  if (type.DataColumn && type.Area == caFooter) {
    if (GridFocused()) {
      background = clHighlight;
      if (font) font->SetColor(clHighlightText);
    } else {
      background = clBtnFace;
    }
    return true;
  }
  background = static_cast<TColor>(0x404040);
  if (font) font->SetColor(clWhite);
  return true;
}

namespace {

// Where the content goes inside a cell, and how far the text keeps from its edges.
struct TCellFrame {
  bool raised = false;
  bool themed = false;
  TRect inner;
  int dx = 2;
  int dy = 2;
};

TCellFrame MakeFrame(bool raised, bool themed, bool flat, const TRect& rect, bool footer) {
  TCellFrame f;
  f.raised = raised;
  f.themed = themed;
  f.inner = rect;
  if (themed) f.inner.Inflate(1, 1);
  else if (raised && flat) {
    f.inner.Left += 1;
    f.inner.Top += 1;
  } else if (raised) {
    f.inner.Inflate(-1, -1);
  }
  f.dx = raised ? (themed && footer ? 3 : 1) : 2;
  f.dy = flat ? f.dx - 1 : f.dx;
  return f;
}

}  // namespace

// ---------------------------------------------------------------- footers

void TCustomDBGridGx::DrawFooterCell(int col, int row, const TCellTypeGx& type, TGridDrawState state, TRect rect) {
  (void)row;
  TCanvas* c = Canvas();
  TColumnGx* column = ColumnAt(type.DataCol);
  TColumnFooterGx* footer = column ? column->GetFooter(type.Index) : nullptr;
  const bool raised = CheckCellArea(col, row, state);
  const bool themed = raised && ThemesActive() && !Flat();
  const TCellFrame f = MakeFrame(raised, themed, Flat(), rect, true);
  if (!footer) {
    c->Brush()->SetColor(footerColor_);
    c->FillRect(rect);
    if (raised && !themed) Paint3DFrame(c, rect, false);
    return;
  }
  scratchFont_->Assign(footer->Font());
  TColor background = footer->Color();
  TAlignment alignment = footer->Alignment();
  std::string text = GetFooterValue(type.Index, column);
  if (OnGetFooterParams)
    OnGetFooterParams(this, type.DataCol, type.Index, column, scratchFont_.get(), background, alignment, state, text);
  if (state.Contains(gdSelected)) FixedCellColors(col, type, scratchFont_.get(), background, false);
  c->Font()->Assign(scratchFont_.get());
  c->Brush()->SetColor(background);
  if (DefaultDrawing()) {
    const bool wrap = footer->WordWrap() && DataRowHeight() > DefaultTextRowHeight();
    WriteTextGx(c, f.inner, true, f.dx, f.dy, text, alignment, column->Layout(), wrap, footer->EndEllipsis(), 0, 0,
                false);
  }
  if (raised && !themed) Paint3DFrame(c, rect, false);
  if (OnDrawFooterCell) OnDrawFooterCell(this, type.DataCol, type.Index, column, rect, state);
}

// ---------------------------------------------------------------- titles, indicator, data

void TCustomDBGridGx::DrawTitleCell(int col, int row, const TCellTypeGx& type, TGridDrawState state, TRect rect) {
  (void)type;
  DrawTitleCellPlain(col, row, rect, state);
}

void TCustomDBGridGx::DrawIndicatorCell(int col, int row, const TCellTypeGx& type, TGridDrawState state,
                                        TRect rect) {
  (void)type;
  if (type.Area == caFooter) {
    Canvas()->Brush()->SetColor(FixedColor());
    Canvas()->FillRect(rect);
    return;
  }
  DrawIndicatorCellPlain(col, row, rect, state);
}

void TCustomDBGridGx::DrawDataCell(int col, int row, const TCellTypeGx& type, TGridDrawState state, TRect rect) {
  (void)type;
  DrawDataCellPlain(col, row, rect, state);
}
