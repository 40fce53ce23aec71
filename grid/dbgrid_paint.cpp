// Cell painting of the data grid: the cell is classified and handed to the title, indicator, data
// or footer painter, each of which chooses font, background, frame and content.
#include <algorithm>

#include "editors/editbuttons.h"
#include "editors/gxdraw.h"
#include "editors/gxwindows.h"
#include "grid/celltext.h"
#include "grid/dbgrid.h"
#include "grid/dbgrid_inplace.h"
#include "platform/os/uxtheme.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"

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

bool TCustomDBGridGx::SoftFrames() const { return !(Flat() && ThemesActive()); }

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

void FillFixed(TCanvas* c, const TCellFrame& f, const TRect& cell, bool flat, bool pressed = false);

}  // namespace

// ---------------------------------------------------------------- footers

void TCustomDBGridGx::DrawFooterCell(int col, int row, const TCellTypeGx& type, TGridDrawState state, TRect rect) {
  (void)row;
  TCanvas* c = Canvas();
  TColumnGx* column = ColumnAt(type.DataCol);
  TColumnFooterGx* footer = column ? column->GetFooter(type.Index) : nullptr;
  const bool raised = CheckCellArea(col, row, state);
  const bool themed = raised && IsThemedCell(col, row, state, rect);
  const TCellFrame f = MakeFrame(raised, themed, Flat(), rect, true);
  // Raised footers of a themed grid: the theme's element, or the gradient when flat.
  const bool themedBack = raised && ThemesActive();
  if (!footer) {
    c->Brush()->SetColor(footerColor_);
    if (themedBack) FillFixed(c, f, rect, Flat());
    else c->FillRect(rect);
    if (raised && !themed) Paint3DFrame(c, rect, false);
    return;
  }
  scratchFont_->Assign(footer->Font());
  TColor background = footer->Color();
  TAlignment alignment = footer->Alignment();
  std::string text = GetFooterValue(type.Index, column);
  GetFooterParams(type.DataCol, type.Index, column, scratchFont_.get(), background, alignment, state, text);
  const bool selected = IsFixedCellSelected(col, row, type, state);
  if (selected) FixedCellColors(col, type, scratchFont_.get(), background, false);
  c->Font()->Assign(scratchFont_.get());
  c->Brush()->SetColor(background);
  if (DefaultDrawing()) {
    if (themedBack) FillFixed(c, f, rect, Flat(), selected);
    const bool wrap = footer->WordWrap() && multiLineRows_;
    WriteTextGx(c, f.inner, !themedBack, f.dx, f.dy, text, alignment, column->Layout(), wrap, footer->EndEllipsis(), 0,
                0, false);
  }
  if (raised && !themed) Paint3DFrame(c, rect, false);
  if (OnDrawFooterCell) OnDrawFooterCell(this, type.DataCol, type.Index, column, rect, state);
}

// ---------------------------------------------------------------- shared parts

namespace {

// Fixed-cell background: the theme's header item on themed grids (pressed while the cell is
// pressed or highlighted), a gradient on flat themed grids, else the brush over the inner part.
// A themed cell of a flat grid (a descendant may call one so) is a button-face gradient of its
// own; the text then goes over it on a clear brush.
void FillFixed(TCanvas* c, const TCellFrame& f, const TRect& cell, bool flat, bool pressed) {
  if (f.themed && flat) {
    FillGradient(c, f.inner, MixColors(clBtnFace, clWhite, 10), MixColors(clBtnFace, clBlack, 5));
    c->Brush()->SetStyle(bsClear);
    return;
  }
  if (f.themed) {
    c->FillRect(f.inner);
    if (HTHEME theme = OpenThemeData(nullptr, u"HEADER")) {
      const RECT r = f.inner;
      DrawThemeBackground(theme, c->Handle(), HP_HEADERITEM, pressed ? HIS_PRESSED : HIS_NORMAL, &r, nullptr);
      CloseThemeData(theme);
    }
    return;
  }
  if (flat && ThemesActive() && f.raised) FillGradient(c, cell, clBtnHighlight, c->Brush()->Color());
  else c->FillRect(f.inner);
}

// Edit-button look of a column's own button.
TEditButtonDrawStyleGx ColumnButtonLook(TColumnGx* column) {
  switch (column->ButtonStyle()) {
    case cbsEllipsis: return ebdsEllipsisGx;
    case cbsUpDown: case cbsAltUpDown: return ebdsUpDownGx;
    default: return ebdsDropDownGx;
  }
}

TEditButtonDrawStyleGx ExtraButtonLook(TEditButtonStyleGx style) {
  switch (style) {
    case ebsUpDownGx: return ebdsUpDownGx;
    case ebsPlusGx: return ebdsPlusGx;
    case ebsMinusGx: return ebdsMinusGx;
    case ebsDropDownGx: return ebdsDropDownGx;
    default: return ebdsEllipsisGx;
  }
}

constexpr int kSortMarkerWidth = 16;

bool IsBreakSpace(char32_t ch) { return ch == ' ' || ch == '\t' || ch == 0x3000; }

// Whether the text writer may break a line between the two characters of `pair` (it does between
// Chinese ones): set in the first one's width, the pair takes two lines.
bool BreaksBetween(TCanvas* c, std::string_view pair, size_t second) {
  TRect r(0, 0, std::max(1, c->TextWidth(pair.substr(0, second))), 0);
  const UINT flags = DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS;
  return DrawTextExGx(c->Handle(), pair, -1, r, flags, nullptr) > c->TextHeight(pair);
}

// The line the word-wrapping text writer makes from `from` in `width` pixels: where its text ends
// and where the next line starts. Where the next word does not fit, the line ends before a space
// or between Chinese characters (the spaces there are dropped); a word longer than the line stays
// whole; CR, LF or CR LF end a line.
std::pair<size_t, size_t> WrappedLine(TCanvas* c, std::string_view text, size_t from, int width) {
  auto trimmed = [&](size_t end) {  // without the spaces it ends with
    for (;;) {
      if (end > from && (text[end - 1] == ' ' || text[end - 1] == '\t')) --end;
      else if (end >= from + 3 && text.substr(end - 3, 3) == "\xE3\x80\x80") end -= 3;  // U+3000
      else return end;
    }
  };
  auto fits = [&](size_t end) { return c->TextWidth(text.substr(from, trimmed(end) - from)) <= width; };
  auto cut = [&](size_t at) {
    size_t next = at;
    while (next < text.size()) {
      size_t p = next;
      if (!IsBreakSpace(Utf8Decode(text, p))) break;
      next = p;
    }
    return std::pair<size_t, size_t>(trimmed(at), next);
  };
  size_t best = std::string_view::npos;
  size_t pos = from, prevStart = from;
  char32_t prev = 0;
  while (pos < text.size()) {
    size_t next = pos;
    const char32_t ch = Utf8Decode(text, next);
    if (ch == '\r' || ch == '\n') {
      if (!fits(pos) && best != std::string_view::npos) return cut(best);
      if (ch == '\r' && next < text.size() && text[next] == '\n') ++next;
      return {pos, next};
    }
    // Chinese characters may break from their neighbours; others (below U+1100) never do.
    const bool wide = prev >= 0x1100 || ch >= 0x1100;
    if (pos > from &&
        (IsBreakSpace(ch) || (wide && BreaksBetween(c, text.substr(prevStart, next - prevStart), pos - prevStart)))) {
      if (!fits(pos)) return cut(best != std::string_view::npos ? best : pos);
      best = pos;
    }
    prev = ch;
    prevStart = pos;
    pos = next;
  }
  if (!fits(pos) && best != std::string_view::npos) return cut(best);
  return {pos, pos};
}

}  // namespace

// ---------------------------------------------------------------- titles

void TCustomDBGridGx::DrawTitleCell(int col, int row, const TCellTypeGx& type, TGridDrawState state, TRect rect) {
  TCanvas* c = Canvas();
  TColumnGx* column = ColumnAt(type.DataCol);
  const bool raised = CheckCellArea(col, row, state);
  const bool themed = raised && IsThemedCell(col, row, state, rect);
  const TCellFrame f = MakeFrame(raised, themed, Flat(), rect, false);
  if (!column) {
    c->Brush()->SetColor(FixedColor());
    FillFixed(c, f, rect, Flat());
    if (raised && !themed) Paint3DFrame(c, rect, false);
    return;
  }
  TColumnTitleGx* title = column->Title();
  scratchFont_->Assign(title->Font());
  TColor background = title->Color();
  if (type.Area == caSubTitle) {  // the filter row's own painter draws its content
    c->Brush()->SetColor(FilterCellColor());
    FillFixed(c, f, rect, Flat());
    if (raised && !themed) Paint3DFrame(c, rect, false);
    PaintFilterCell(c, column, type.DataCol, rect, f.inner, f.dx, f.dy);
    return;
  }
  const bool pressed = pressedTitleCol_ == col;
  const int pressOffset = pressed ? ((useMultiTitle_ || titleHeight_ != 0 || titleLines_ != 0) ? 2 : 1) : 0;
  TRect textRect = f.inner;
  TRect leafCell = rect;
  THeadTreeNode* leaf = useMultiTitle_ ? LeafFor(column->Index()) : nullptr;
  if (leaf && leaf->Host && leaf->Host != headTree_.get()) {
    leafCell.Top = std::min(rect.Bottom - 1, rect.Top + TitleBandsAbove(leaf));
    textRect.Top = std::max(textRect.Top, leafCell.Top);
  }
  TSortMarkerGx marker = title->SortMarker();
  if (column->Field() && OnGetBtnParams) OnGetBtnParams(this, column, scratchFont_.get(), background, marker, pressed);
  const bool selected = IsFixedCellSelected(col, row, type, state);
  if (selected) FixedCellColors(col, type, scratchFont_.get(), background, pressed);
  c->Font()->Assign(scratchFont_.get());
  c->Brush()->SetColor(background);
  // Under a group the leaf's own part only: the group's element spans its columns unbroken.
  FillFixed(c, leafCell == rect ? f : MakeFrame(raised, themed, Flat(), leafCell, false), leafCell, Flat(),
            pressed || selected);
  textRect.Top += pressOffset;

  // Sort marker and, with several sorted columns, the column's place among them.
  const bool imageShown = titleImages_ && title->ImageIndex() != -1;
  if (marker != smNoneGx) {
    TCustomImageList* markers = DBGridSortMarkerImages();
    std::string digits;
    int digitsWidth = 0;
    if (sortMarked_.size() > 1) {
      digits = std::to_string(title->SortIndex());
      TFont* saved = new TFont;
      saved->Assign(c->Font());
      c->Font()->Assign(DBGridSortIndexFont());
      digitsWidth = c->TextWidth(digits);
      c->Font()->Assign(saved);
      delete saved;
    }
    bool showImage = markers != nullptr;
    // The digits take room of their own beside the marker's 16 pixels, so the caption never runs
    // under the marker; without the marker the caption reaches the digits.
    textRect.Right -= kSortMarkerWidth + digitsWidth;
    const int minRight = textRect.Left + (imageShown ? titleImages_->Width() : 0);
    if (textRect.Right < minRight) {
      textRect.Right += 14;
      showImage = false;
      if (textRect.Right < minRight) {
        textRect.Right += 2 + digitsWidth;
        digits.clear();
      }
    }
    int right = f.inner.Right - 2 + pressOffset;
    if (!digits.empty()) {
      c->Font()->Assign(DBGridSortIndexFont());
      if (selected) c->Font()->SetColor(clWhite);
      const TBrushStyle oldStyle = c->Brush()->Style();
      c->Brush()->SetStyle(bsClear);
      const int imageTop = markers ? (leafCell.Top + leafCell.Bottom - markers->Height()) / 2 : leafCell.Top;
      c->TextOut(right - digitsWidth, imageTop - 1 + pressOffset, digits);
      c->Brush()->SetStyle(oldStyle);
      c->Font()->Assign(scratchFont_.get());
      right -= digitsWidth + 2;
    }
    if (showImage) {
      const int top = (leafCell.Top + leafCell.Bottom - markers->Height()) / 2 + pressOffset;
      markers->Draw(c, right - markers->Width(), top, marker == smDownGx ? 0 : 1);
    }
    c->Brush()->SetColor(background);
  }

  if (imageShown) {
    TRect imageRect = textRect;
    imageRect.Offset(pressOffset, 0);
    DrawImage(titleImages_, c, useMultiTitle_ ? taCenter : title->Alignment(), 0, title->ImageIndex(), imageRect);
  } else if (title->Orientation() == tohVertical) {
    // Placement 2 both ways: centred across the cell and along it. Written with fill, except over
    // a theme's header or gradient, which a fill would cover with a flat block.
    const bool plainBack = !(raised && ThemesActive());
    WriteTextVerticalGx(c, textRect, plainBack, f.dx + 2 + pressOffset, f.dy + 2, title->Caption(), taCenter,
                        static_cast<TTextLayout>(2), title->EndEllipsis(), false);
  } else {
    const bool tall = useMultiTitle_ || titleHeight_ != 0 || titleLines_ != 0;
    const std::string caption = leaf ? leaf->Text : title->Caption();
    const int lines = std::max(1, c->TextHeight("Wg"));
    // A caption that keeps to one line stays on one line even in tall title rows.
    const bool wrap = tall && textRect.Height() >= 2 * lines;
    WriteTextGx(c, textRect, false, f.dx + pressOffset, f.dy, caption, title->Alignment(), tall ? tlCenter : tlTop,
                wrap, title->EndEllipsis(), 0, 0, false);
  }
  if (raised && !themed) Paint3DFrame(c, leafCell, pressed);
  if (leaf && leaf->Host && leaf->Host != headTree_.get())
    DrawTitleNodes(leaf, rect, selected ? state + gdSelected : state - gdSelected, title->EndEllipsis());
}

// The upper levels over a leaf: each node is laid out over its full width (some of it may lie
// off the cell or off the screen) and drawn clipped to this cell and the line after it, so the
// pieces drawn with each column join up and the caption stays centred over the whole node.
void TCustomDBGridGx::DrawTitleNodes(THeadTreeNode* leaf, const TRect& cell, TGridDrawState state,
                                     bool endEllipsis) {
  TCanvas* c = Canvas();
  const int line = dbOptions_.Contains(dgColLines) ? GridLineWidth() : 0;
  HDC dc = c->Handle();
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, cell.Left, cell.Top, cell.Right + line, cell.Bottom);
  THeadTreeNode* child = leaf;
  int childLeft = cell.Left;
  for (THeadTreeNode* node = leaf->Host; node && node != headTree_.get(); node = node->Host) {
    // Left edge: the child's left less the children before it.
    for (THeadTreeNode* n = node->Child; n && n != child; n = n->Next) {
      const int w = NodeWidth(n);
      if (w >= 0) childLeft -= w + line;
    }
    const int width = NodeWidth(node);
    const int top = cell.Top + TitleBandsAbove(node);
    TRect r(childLeft, top, childLeft + width, top + node->Height);
    r.Bottom = std::min(r.Bottom, cell.Bottom);
    TColor background = FixedColor();
    const bool selected = state.Contains(gdSelected);  // the leaf's title is
    c->Font()->Assign(titleFont_.get());
    if (selected) {
      // The selection colours change the font too: white on the dark background.
      TCellTypeGx t;
      t.DataColumn = true;
      FixedCellColors(-1, t, c->Font(), background, false);
    }
    c->Brush()->SetColor(background);
    // The whole node is one fixed cell: themed, the header element spans it, cut by the clip.
    const bool raised = optionsGx_.Contains(dghFixed3D);
    const bool themed = raised && ThemesActive() && !Flat();
    const TCellFrame f = MakeFrame(raised, themed, Flat(), r, false);
    FillFixed(c, f, r, Flat(), selected);
    WriteTextGx(c, f.inner, false, 2, 1, node->Text, taCenter, tlCenter, true, endEllipsis, 0, 0, false);
    if (raised && !themed) Paint3DFrame(c, r, false);
    if (dbOptions_.Contains(dgRowLines)) {
      c->Pen()->SetColor(GridLineColors()->IndicatorLineColor());
      c->Pen()->SetStyle(psSolid);
      c->Pen()->SetWidth(1);
      c->MoveTo(r.Left, r.Bottom);
      c->LineTo(r.Right + line, r.Bottom);
    }
    child = node;
  }
  RestoreDC(dc, saved);
  // The restored context holds other objects than the canvas believes selected.
  c->Refresh();
}

// A node's width: a leaf its column's (negative when hidden), a group the sum of its children
// and the lines between them.
int TCustomDBGridGx::NodeWidth(THeadTreeNode* node) const {
  if (!node->Child) {
    if (!node->Column || !node->Column->Visible()) return -1;
    return node->Column->Width();
  }
  const int line = dbOptions_.Contains(dgColLines) ? GridLineWidth() : 0;
  int total = 0;
  bool first = true;
  THeadTreeNode* n = node->Child;
  do {
    const int w = NodeWidth(n);
    if (w >= 0) {
      total += w + (first ? 0 : line);
      first = false;
    }
    n = n->Next;
  } while (n != node->Child);
  return total;
}

// ---------------------------------------------------------------- indicator

void TCustomDBGridGx::DrawIndicatorCell(int col, int row, const TCellTypeGx& type, TGridDrawState state,
                                        TRect rect) {
  TCanvas* c = Canvas();
  const bool raised = CheckCellArea(col, row, state);
  const bool themed = raised && IsThemedCell(col, row, state, rect);
  const TCellFrame f = MakeFrame(raised, themed, Flat(), rect, type.Area == caFooter);
  const bool showRecNo = optionsGx_.Contains(dghShowRecNo);
  const int markWidth = dbOptions_.Contains(dgIndicator) ? (showRecNo ? kRecNoMarkWidth : 11) : 0;
  TColor background = FixedColor();
  scratchFont_->Assign(Font());
  auto writeNumber = [&](int n) {
    if (n < 1) return;
    TRect r = f.inner;
    r.Right -= markWidth + (markWidth ? 2 : 0);  // a gap to the mark
    scratchFont_->SetSize(Font()->Size() - 1);
    c->Font()->Assign(scratchFont_.get());
    WriteTextGx(c, r, false, 0, 0, std::to_string(n), taCenter, tlCenter, true, false, 0, 0, false);
  };
  if (type.Area == caTitle) {
    const bool selected = IsFixedCellSelected(col, row, type, state);
    if (selected) FixedCellColors(col, type, scratchFont_.get(), background, false);
    c->Brush()->SetColor(background);
    FillFixed(c, f, rect, Flat(), pressedTitleCol_ == col || selected);
    if (indicatorTitle_->ShowDropDownSign()) DrawDropDownSign(c, f.inner);
  } else if (type.Area == caData && dataLink_->Active() && IsDataRowInBuffer(row)) {
    TDataSet* ds = DataSet();
    BeginRowRead(row);
    try {
      const bool current = IsCurrentRecordRow(row);
      const bool selected = IsFixedCellSelected(col, row, type, state);
      if (ThemesActive() && current) background = MixColors(background, clBlack, 10);
      if (selected) FixedCellColors(col, type, scratchFont_.get(), background, false);
      c->Brush()->SetColor(background);
      FillFixed(c, f, rect, Flat(), selected);
      if (dbOptions_.Contains(dgIndicator) && current) {
        int kind = 0;
        if (ds->State() == dsEdit) kind = 2;
        else if (ds->State() == dsInsert) kind = 3;
        else if (ds->State() != dsBrowse) kind = 0;  // the arrow in any other state
        else if (selected) kind = 1;
        else if (inplaceSearching_) kind = 4;
        TRect strip = f.inner;
        strip.Left = std::max(strip.Left, strip.Right - markWidth);  // a raised cell's frame stays clear
        DrawIndicatorGlyph(c, strip, kind);
      }
      if (showRecNo && !(current && ds->State() == dsInsert)) writeNumber(RecordNumberOfRow(row));
    } catch (...) {
      EndRowRead();
      throw;
    }
    EndRowRead();
  } else {
    c->Brush()->SetColor(background);
    FillFixed(c, f, rect, Flat());
    if (type.Area == caFooter && type.Index == 0 && showRecNo && dataLink_->Active()) {
      const int count = memTable_ ? memTable_->GetRowCount() : DataSet()->RecordCount();
      writeNumber(count);
    }
  }
  if (raised && !themed) Paint3DFrame(c, rect, type.Area == caTitle && pressedTitleCol_ == col);
}

bool TCustomDBGridGx::IsFixedCellSelected(int col, int row, const TCellTypeGx& type, TGridDrawState state) {
  if (!type.DataColumn) {
    if (type.Area == caTitle) return selection_->SelectionType() == gstAll;
    if (type.Area != caData || !dbOptions_.Contains(dgMultiSelect)) return false;
    const TDBGridGxSelectionType kind = selection_->SelectionType();
    return kind == gstAll || (kind == gstRecordBookmarks && bookmarks_->IndexOf(DataSet()->Bookmark()) >= 0);
  }
  if (type.Area != caTitle && type.Area != caFooter) return state.Contains(gdSelected);
  return selection_->SelectionType() != gstNon && IsCellSelected(col, row, std::string(), type.DataCol);
}

void TCustomDBGridGx::DrawDropDownSign(TCanvas* canvas, const TRect& inner) {
  // A down triangle of rows 8, 6, 4 and 2 pixels wide, centred; the sign is the indicator title's.
  if (ThemesActive()) {
    const TColor base = pressedTitleCol_ == 0 ? clWhite : cl3DDkShadow;
    const int x = inner.Left + (inner.Width() - 8) / 2;
    const int y = inner.Top + (inner.Height() - 4) / 2;
    canvas->Pen()->SetColor(MixColors(base, clBlack, 30));
    canvas->Brush()->SetColor(base);
    canvas->Polygon({TPoint(x, y), TPoint(x + 7, y), TPoint(x + 4, y + 3), TPoint(x + 3, y + 3)});
    return;
  }
  DrawImage(DBGridSortMarkerImages(), canvas, taCenter, 0, 2, inner);
}

void TCustomDBGridGx::GetCellParams(TColumnGx* column, TFont* font, TColor& background, TGridDrawState state) {
  if (OnGetCellParams) OnGetCellParams(this, column, font, background, state);
}

void TCustomDBGridGx::GetFooterParams(int dataCol, int row, TColumnGx* column, TFont* font, TColor& background,
                                      TAlignment& alignment, TGridDrawState state, std::string& text) {
  if (OnGetFooterParams) OnGetFooterParams(this, dataCol, row, column, font, background, alignment, state, text);
}

void TCustomDBGridGx::DrawColumnCell(const TRect& rect, int dataCol, TColumnGx* column, TGridDrawState state) {
  if (OnDrawColumnCell) OnDrawColumnCell(this, rect, dataCol, column, state);
}

void TCustomDBGridGx::DrawFieldCell(const TRect& rect, TField* field, TGridDrawState state) {
  if (OnDrawDataCell) OnDrawDataCell(this, rect, field, state);
}

bool TCustomDBGridGx::IsDataRowInBuffer(int row) {
  const int record = row - GetTitleOffset();
  if (record < 0 || !DataSet() || DataSet()->IsEmpty()) return false;
  return memTable_ ? record < memTable_->GetRowCount() : record < dataLink_->RecordCount();
}

// The record number of the row being read (BeginRowRead): the dataset's own, or the sum list's
// when it keeps the records in order; -1 when neither knows it.
int TCustomDBGridGx::RecordNumberOfRow(int row) {
  if (memTable_) return row - GetTitleOffset() + 1;
  TDataSet* ds = DataSet();
  if (ds->IsSequenced()) return ds->RecNo();
  if (sumList_ && sumList_->Active() && sumList_->VirtualRecords()) return sumList_->GetRecNo();
  return -1;
}

// ---------------------------------------------------------------- data cells

// The display text of a row's cell as the painter shows it (after OnGetCellParams).
std::string TCustomDBGridGx::CellTextOfRow(TColumnGx* column, int row) {
  BeginRowRead(row);
  try {
    column->FillCellParams(cellParams_.get());
    column->FireGetCellParams(false, cellParams_.get());
  } catch (...) {
    EndRowRead();
    throw;
  }
  EndRowRead();
  return cellParams_->Text;
}

namespace {
int readsBeforeBuffer = 0;
}  // namespace

bool TCustomDBGridGx::ReadingBeforeBuffer() noexcept { return readsBeforeBuffer > 0; }

// Another link may keep the record in the ring; otherwise the dataset goes there and back with its
// controls off: from the ring's first record one back fetches it (the last record drops out), and
// one past the ring's end fetches that one again, so the ring ends as it was.
bool TCustomDBGridGx::TextBeforeBuffer(TColumnGx* column, std::string& text) {
  TDataSet* ds = DataSet();
  if (memTable_ || !ds || !dataLink_->Active() || ds->State() != dsBrowse || rowReadDepth_ > 0) return false;
  if (ds->ActiveRecord() > dataLink_->ActiveRecord()) {
    text = CellTextOfRow(column, GetTitleOffset() - 1);
    return true;
  }
  const int count = ds->BufferedRecordCount();
  if (count < ds->BufferCount()) return false;  // the ring holds the whole dataset
  const int active = ds->ActiveRecord();
  ++readsBeforeBuffer;
  ds->DisableControls();
  bool found = false;
  try {
    ds->MoveBy(-active);
    if (ds->MoveBy(-1) == -1) {
      column->FillCellParams(cellParams_.get());
      column->FireGetCellParams(false, cellParams_.get());
      text = cellParams_->Text;
      found = true;
      ds->MoveBy(count - 1);
      ds->MoveBy(1);
      ds->MoveBy(active - (count - 1));
    } else {
      ds->MoveBy(active);
    }
  } catch (...) {
    ds->EnableControls();
    --readsBeforeBuffer;
    throw;
  }
  ds->EnableControls();
  --readsBeforeBuffer;
  return found;
}

void TCustomDBGridGx::DrawDataCell(int col, int row, const TCellTypeGx& type, TGridDrawState state, TRect rect) {
  TCanvas* c = Canvas();
  TColumnGx* column = ColumnAt(type.DataCol);
  c->Font()->Assign(column ? column->Font() : Font());
  c->Brush()->SetColor(column ? column->Color() : Color());
  if (!column || !dataLink_->Active() || !IsDataRowInBuffer(row)) {
    c->FillRect(rect);
    return;
  }
  const bool raised = CheckCellArea(col, row, state);
  const bool themed = raised && IsThemedCell(col, row, state, rect);
  const TCellFrame f = MakeFrame(raised, themed, Flat(), rect, false);
  TDataSet* ds = DataSet();
  // Neighbour texts first: each reads its own row.
  bool hideTop = false, hideBottom = false;
  std::string text;
  if (column->HideDuplicates()) {
    text = CellTextOfRow(column, row);
    if (row > GetTitleOffset() && IsDataRowInBuffer(row - 1)) {
      hideTop = CellTextOfRow(column, row - 1) == text;
    } else if (row == GetTitleOffset() && !memTable_) {
      std::string before;
      hideTop = TextBeforeBuffer(column, before) && before == text;
    }
    if (IsDataRowInBuffer(row + 1) && row + 1 < RowCount()) hideBottom = CellTextOfRow(column, row + 1) == text;
  }
  BeginRowRead(row);
  try {
    TColor background = column->Color();
    if (background == Color()) {
      const int recNo = RecordNumberOfRow(row);
      if (recNo > 0 && (evenRowColorSet_ || oddRowColorSet_)) background = recNo % 2 ? OddRowColor() : EvenRowColor();
    }
    TRect textRect = f.inner;
    // The tree lines are drawn once the cell is filled (below); the text starts after them.
    const bool treeColumn = IsTreeColumn(column);
    if (treeColumn)
      textRect.Left = std::min(textRect.Right, textRect.Left + std::max(1, memTable_->GetNodeLevel()) * kTreeLevelWidth);
    const bool buttons = column->AlwaysShowEditButton();
    int buttonsWidth = buttons ? column->GetEditButtonsWidth() : 0;
    buttonsWidth = std::min(buttonsWidth, textRect.Width());
    textRect.Right -= buttonsWidth;

    TColCellParamsGx* p = cellParams_.get();
    column->FillCellParams(p);
    p->State = state;
    p->Col = col;
    p->Row = row;
    p->Background = background;
    p->Font->Assign(c->Font());
    column->FireGetCellParams(false, p);
    TGridDrawState cellState = p->State;
    background = p->Background;
    GetCellParams(column, p->Font, background, cellState);
    if (IsCellSelected(col, row, selection_->SelectionType() != gstNon ? ds->Bookmark() : std::string(),
                       type.DataCol))
      cellState.Include(gdSelected);
    if (DataCellColors(col, row, p->Font, background, cellState)) cellState.Include(gdSelected);
    if (MarkDataRow(row)) {
      background = clHighlight;
      p->Font->SetColor(clHighlightText);
      cellState.Include(gdSelected);
    }
    c->Font()->Assign(p->Font);
    c->Brush()->SetColor(background);
    std::string cellText = p->Text;
    int imageIndex = p->ImageIndex;
    if (hideTop) {
      cellText.clear();
      imageIndex = -1;
    }

    // Word wrap when the column asks for it and the row holds more than one line.
    const bool wraps = column->WordWrap() && textRect.Height() >= 2 * std::max(1, c->TextHeight("Wg"));
    if (DefaultDrawing()) {
      if (themed) FillFixed(c, f, rect, Flat(), cellState.Contains(gdSelected));
      else c->FillRect(f.inner);
    }
    // The tree's lines and boxes are the grid's also where the application draws the cells.
    if (treeColumn) {
      DrawTreeNode(c, TRect(f.inner.Left, f.inner.Top, textRect.Left, f.inner.Bottom), background);
      c->Brush()->SetColor(background);
    }
    if (DefaultDrawing()) {
      switch (column->GetColumnType()) {
        case ckImageList:
          if (column->ShowImageAndText() && column->ImageList()) {
            TRect slot = textRect;
            slot.Right = std::min(textRect.Right, slot.Left + column->ImageList()->Width() + 4);
            if (imageIndex >= 0) DrawImage(column->ImageList(), c, taCenter, 0, imageIndex, slot);
            c->Brush()->SetColor(background);
            TRect rest = textRect;
            rest.Left = slot.Right + 1;
            WriteTextGx(c, rest, false, f.dx, f.dy, cellText, p->Alignment, column->Layout(), false,
                        column->EndEllipsis(), 0, 0, false);
          } else if (column->ImageList() && imageIndex >= 0) {
            DrawImage(column->ImageList(), c, taCenter, 0, imageIndex, textRect);
          }
          break;
        case ckCheckbox: {
          if (!hideTop) {
            const TSize glyph = CheckBoxGlyphSize();
            TRect box(0, 0, glyph.cx, glyph.cy);
            box.Offset(textRect.Left + (textRect.Width() - glyph.cx) / 2, textRect.Top + (textRect.Height() - glyph.cy) / 2);
            HDC dc = c->Handle();
            const int saved = SaveDC(dc);
            IntersectClipRect(dc, textRect.Left, textRect.Top, textRect.Right, textRect.Bottom);
            PaintEditButton(dc, box, background, static_cast<TCheckBoxState>(std::clamp(p->CheckState, 0, 2)), true,
                            false, Flat(), 0, ebdsCheckBoxGx);
            RestoreDC(dc, saved);
          }
          break;
        }
        case ckGraphic:
          if (!hideTop) DrawGraphicCell(c, textRect, column, cellText, f.dx, f.dy);
          break;
        default:
          WriteTextGx(c, textRect, false, f.dx, f.dy, cellText, p->Alignment, column->Layout(), wraps,
                      column->EndEllipsis(), 0, 0, false);
          break;
      }
    }

    if (buttons && buttonsWidth > 0) {
      HDC dc = c->Handle();
      int x = textRect.Right;
      // As tall as the grid's cell buttons (the in-place editor's are the same), at most the cell.
      const int height = std::min(f.inner.Height(), EditButtonHeight());
      auto paintButton = [&](int width, TEditButtonDrawStyleGx look) {
        const TRect b(x, f.inner.Top, std::min(f.inner.Right, x + width), f.inner.Top + height);
        PaintEditButton(dc, b, background, cbUnchecked, true, false, Flat(), 0, look);
        x = b.Right + (Flat() ? 1 : 0);
      };
      const bool flat = Flat();
      const int def = flat ? DefaultEditButtonWidth() + 1 : GetSystemMetrics(SM_CXVSCROLL);
      if (GetColumnEditStyle(column) != esSimple) paintButton(def, ColumnButtonLook(column));
      for (int i = 0; i < column->EditButtons()->Count(); ++i) {
        TEditButtonGx* b = column->EditButtons()->Items(i);
        if (b->Visible()) paintButton(b->Width() > 0 ? b->Width() : def, ExtraButtonLook(b->Style()));
      }
      if (height < f.inner.Height()) c->FillRect(TRect(textRect.Right, f.inner.Top + height, f.inner.Right, f.inner.Bottom));
    }

    // A required field left empty while the record is being edited.
    if (column->HighlightRequired() && IsCurrentRecordRow(row) && (ds->State() == dsEdit || ds->State() == dsInsert) &&
        column->Field() && column->Field()->Required() && column->Field()->IsNull()) {
      bool draw = true;
      if (column->OnCheckDrawRequiredState) column->OnCheckDrawRequiredState(column, cellText, draw);
      if (draw) {
        const TColor oldColor = c->Pen()->Color();
        const TPenStyle oldStyle = c->Pen()->Style();
        c->Pen()->SetColor(static_cast<TColor>(0x0000FF));
        c->Pen()->SetStyle(psDot);
        c->MoveTo(rect.Left + 2, rect.Bottom - 1);
        c->LineTo(rect.Right - 3, rect.Bottom - 1);
        c->Pen()->SetColor(oldColor);
        c->Pen()->SetStyle(oldStyle);
      }
    }

    if (!columns_->Customized()) DrawFieldCell(rect, column->Field(), cellState);
    DrawColumnCell(rect, type.DataCol, column, cellState);

    // The typed prefix of a running in-place search over the start of the text.
    if (!inplaceSearchText_.empty() && state.Contains(gdFocused) && IsCurrentRecordRow(row) && col == Col() &&
        !DesignOrUpdating() && (dbOptions_.Contains(dgAlwaysShowSelection) || GridFocused())) {
      const std::string prefix = inplaceSearchText_.substr(0, std::min(inplaceSearchText_.size(), cellText.size()));
      c->Brush()->SetColor(DBGridGxInplaceSearchColor);
      c->Font()->SetColor(DBGridGxInplaceSearchTextColor);
      if (wraps) {
        // Each line of the wrapped text gets its part of the prefix, where the writer puts that line.
        TRect r = textRect;
        r.Inflate(-f.dx, -f.dy);
        const int lineHeight = c->TextHeight(cellText);
        int y = r.Top;
        if (column->Layout() != tlTop) {
          TRect calc = r;
          UINT flags = DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS;
          if (column->EndEllipsis()) flags |= DT_END_ELLIPSIS;
          const int h = DrawTextExGx(c->Handle(), cellText, -1, calc, flags, nullptr);
          y = column->Layout() == tlCenter ? r.Top + r.Height() / 2 - h / 2 : r.Bottom - h;
        }
        for (size_t from = 0; from < prefix.size() && y < textRect.Bottom; y += lineHeight) {
          const auto [end, next] = WrappedLine(c, cellText, from, r.Width());
          if (next <= from) break;
          const std::string_view part = std::string_view(prefix).substr(from, std::min(end, prefix.size()) - from);
          const int lineWidth = std::min(r.Width(), c->TextWidth(std::string_view(cellText).substr(from, end - from)));
          int x = r.Left;
          if (p->Alignment == taRightJustify) x = r.Right - lineWidth;
          else if (p->Alignment == taCenter) x = r.Left + (r.Width() - lineWidth) / 2;
          TRect pr(x, y, x + c->TextWidth(part), y + lineHeight);
          pr.Top = std::max(pr.Top, textRect.Top);  // lines above the cell are cut off, as the text is
          pr.Left = std::max(pr.Left, textRect.Left);
          pr.Right = std::min(pr.Right, textRect.Right);
          pr.Bottom = std::min(pr.Bottom, textRect.Bottom);
          if (!part.empty() && pr.Top < pr.Bottom) c->TextRect(pr, x, y, std::string(part));
          from = next;
        }
      } else {
        // The rest of the text keeps its room on the right, so the prefix stands where it does in
        // the whole text.
        const std::string_view after = std::string_view(cellText).substr(prefix.size());
        const int rest = p->Alignment == taLeftJustify ? 0 : c->TextWidth(after);
        TRect pr = textRect;
        if (p->Alignment == taLeftJustify) {
          pr.Right = std::min(pr.Right, pr.Left + f.dx + c->TextWidth(prefix) + 1);
        } else if (p->Alignment == taCenter) {
          pr.Left = textRect.Left + textRect.Width() / 2 - c->TextWidth(cellText) / 2;  // as the writer centres
          pr.Right = pr.Left + c->TextWidth(prefix);
        } else {
          // A single line ends 3 pixels inside the right edge, whatever the offset.
          pr.Right -= rest;
          pr.Left = std::max(textRect.Left, pr.Right - c->TextWidth(prefix) - 3);
        }
        WriteTextGx(c, pr, true, p->Alignment == taLeftJustify ? f.dx : 0, f.dy, prefix, taLeftJustify,
                    column->Layout(), false, false, 0, 0, false);
      }
    }

    // Equal neighbours: the line between them is painted over.
    if (dbOptions_.Contains(dgRowLines) && (hideTop || hideBottom)) {
      c->Brush()->SetColor(column->Color());
      const int lw = GridLineWidth();
      if (hideTop) c->FillRect(TRect(rect.Left, rect.Top - lw, rect.Right, rect.Top));
      if (hideBottom) c->FillRect(TRect(rect.Left, rect.Bottom, rect.Right, rect.Bottom + lw));
    }
    if (raised && !themed) Paint3DFrame(c, rect, false);
    if (DefaultDrawing() && state.Contains(gdFocused) && GridFocused() && !dbOptions_.Contains(dgRowSelect) &&
        !DesignOrUpdating() && !InState(csDesigning) && col == Col() && IsCurrentRecordRow(row))
      c->DrawFocusRect(textRect);
  } catch (...) {
    EndRowRead();
    throw;
  }
  EndRowRead();
}

// Level lines and the expand sign of a tree row; answers the indent taken.
// Levels count from 1 (a root); each takes one box: the ancestors' lines, then the node's own.
int TCustomDBGridGx::DrawTreeNode(TCanvas* canvas, const TRect& rect, TColor background) {
  constexpr int kStep = kTreeLevelWidth;
  const int level = std::max(1, memTable_->GetNodeLevel());
  canvas->Brush()->SetColor(background);
  canvas->Pen()->SetColor(clGray);
  for (int l = 1; l <= level; ++l) {
    TRect r(rect.Left + (l - 1) * kStep, rect.Top, rect.Left + l * kStep, rect.Bottom);
    canvas->FillRect(r);
    if (l < level) {
      if (memTable_->AncestorHasNextSibling(l)) DrawButtonGlyph(canvas, r, 9, false, 1.0, 1.0, false);
      continue;
    }
    // The last of its siblings, whatever rows its own children add below it.
    const bool last = !memTable_->AncestorHasNextSibling(level);
    if (memTable_->GetNodeHasChildren()) {
      const int kind = (memTable_->GetNodeExpanded() ? 0 : 3) + (last ? 1 : 0);
      DrawButtonGlyph(canvas, r, kind, false, 1.0, 1.0, false);
    } else {
      DrawButtonGlyph(canvas, r, last ? 7 : 6, false, 1.0, 1.0, false);
    }
  }
  if (dbOptions_.Contains(dgRowLines)) {
    // The row line under the indent takes the brush colour, so the level lines run on into the
    // next row; a silver line closes the indent off from the text.
    const int right = rect.Left + level * kStep;
    canvas->Brush()->SetColor(background);
    canvas->FillRect(TRect(rect.Left, rect.Bottom, right, rect.Bottom + GridLineWidth()));
    canvas->Pen()->SetColor(static_cast<TColor>(0xC0C0C0));
    canvas->MoveTo(right - 1, rect.Top);
    canvas->LineTo(right - 1, rect.Bottom + GridLineWidth());
  }
  return level * kStep;
}
