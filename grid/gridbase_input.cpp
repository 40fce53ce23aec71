// The base grid's input: mouse selection, sizing and moving of columns and rows, auto-scroll,
// keyboard navigation, the scroll bars in their three modes and the window messages.
#include <algorithm>
#include <cmath>

#include "editors/gxwindows.h"
#include "grid/gridbase.h"
#include "grid/inplaceedit.h"

namespace {

constexpr UINT kScrollPeriod = 60;

}  // namespace

// ---- hooks with their base behaviour ------------------------------------------------------------

// A press that only selected (no sizing or moving) is a click as well.
bool TCustomGridGx::CanClickCell(const TMessage& m) {
  return (gridState_ == gsNormal || gridState_ == gsSelecting) && m.XPos() >= 0 && m.YPos() >= 0;
}

int TCustomGridGx::GetHorzScrollStep() { return std::max(1, horzPageWidth_ / 20); }

bool TCustomGridGx::IsSmoothHorzScroll() { return options_.Contains(goRowSelect); }

bool TCustomGridGx::SelectCell(int, int) { return true; }

void TCustomGridGx::CellMouseClick(TGridCoord cell, TMouseButton button, TShiftState shift, int x, int y) {
  if (OnCellMouseClick)
    OnCellMouseClick(this, cell, button, shift, x, y);
  else
    DefaultCellMouseClick(cell, button, shift, x, y);
}

void TCustomGridGx::DefaultCellMouseClick(TGridCoord, TMouseButton, TShiftState, int, int) {}

bool TCustomGridGx::BeginColumnDrag(int&, int&, const TPoint&) { return true; }
bool TCustomGridGx::BeginRowDrag(int&, int&, const TPoint&) { return true; }
bool TCustomGridGx::CheckColumnDrag(int&, int&, const TPoint&) { return true; }
bool TCustomGridGx::CheckRowDrag(int&, int&, const TPoint&) { return true; }
bool TCustomGridGx::EndColumnDrag(int&, int&, const TPoint&) { return true; }
bool TCustomGridGx::EndRowDrag(int&, int&, const TPoint&) { return true; }

void TCustomGridGx::UpdateDesigner() {
  // No form designer runs in this product; a designing grid has nothing to tell.
}

// ---- sizing hit test ----------------------------------------------------------------------------

void TCustomGridGx::CalcSizingState(int x, int y, TGridState& state, int& index, int& sizingPos, int& sizingOfs,
                                    const TGridDrawInfo& info) {
  state = gsNormal;
  index = -1;
  TGridOptions opts = options_;
  if (InDesigner()) opts = opts + designOptionsBoost_;
  if (!opts.Contains(goColSizing) && !opts.Contains(goRowSizing)) return;
  const TGridAxisDrawInfo* a;
  int p;
  if (opts.Contains(goColSizing) && x > info.Horz.FrozenBoundary && y < info.Vert.FrozenBoundary) {
    a = &info.Horz;
    p = x;
    state = gsColSizing;
  } else if (opts.Contains(goRowSizing) && y > info.Vert.FrozenBoundary && x < info.Horz.FrozenBoundary) {
    a = &info.Vert;
    p = y;
    state = gsRowSizing;
  } else {
    return;
  }
  const int lw = a->EffectiveLineWidth;
  const int width = std::max(lw, 7);
  const int half = lw < 7 ? (7 - lw) / 2 : 0;
  auto hit = [&](int line) { return line - half <= p && p <= line - half + width; };
  auto found = [&](int line, int cell) {
    index = cell;
    sizingPos = line;
    sizingOfs = line - p;
  };
  // Frozen cells, then the scrolling cells that show.
  int pos = a->FrozenBoundary;
  for (int i = a->FixedCellCount - a->FrozenCount; i < a->FixedCellCount; ++i) {
    const int line = pos + a->Extent(i);
    if (line > a->GridBoundary) break;
    if (hit(line)) return found(line, i);
    pos = line + lw;
  }
  pos = a->ScrollStart;
  for (int i = a->FirstGridCell; i < a->GridCellCount; ++i) {
    const int line = pos + a->Extent(i);
    if (line > a->GridBoundary) break;
    if (hit(line)) return found(line, i);
    pos = line + lw;
  }
  if (a->GridExtent == a->GridBoundary && a->GridExtent - half <= p && p <= a->GridExtent) {
    const int cell = a->FullVisBoundary == a->FixedBoundary ? a->LastFullVisibleCell : a->LastFullVisibleCell + 1;
    if (cell < a->GridCellCount) return found(a->GridExtent, cell);
  }
  // Contra cells are sized by their left edge.
  if (a->ContraCount > 0) {
    if (a->ContraBoundary <= p && p <= a->GridExtent + half) return found(a->GridExtent, a->GridCellCount);
    pos = a->ContraBoundary + lw;
    for (int i = a->GridCellCount; i < a->FullCellCount - 1; ++i) {
      const int line = pos + a->Extent(i);
      if (line > a->ClientExtent) break;
      if (hit(line)) return found(line, i + 1);
      pos = line + lw;
    }
  }
  state = gsNormal;
}

void TCustomGridGx::SetSizingStateDirect(TGridState state, int index, int pos, int ofs) {
  gridState_ = state;
  sizingIndex_ = index;
  sizingPos_ = pos;
  sizingOfs_ = ofs;
}

bool TCustomGridGx::Sizing(int x, int y) {
  if (gridState_ != gsNormal) return false;
  TGridDrawInfo info;
  CalcDrawInfo(info);
  TGridState state;
  int index, pos, ofs;
  CalcSizingState(x, y, state, index, pos, ofs, info);
  return state != gsNormal;
}

// ---- feedback -----------------------------------------------------------------------------------

void TCustomGridGx::DrawSizingLine(const TGridDrawInfo& info) {
  TCanvas* c = Canvas();
  c->Pen()->SetStyle(psDot);
  c->Pen()->SetMode(pmXor);
  c->Pen()->SetWidth(1);
  c->Pen()->SetColor(clWhite);
  if (gridState_ == gsRowSizing) {
    c->MoveTo(0, sizingPos_);
    c->LineTo(info.Horz.PaintBoundary, sizingPos_);
  } else {
    c->MoveTo(sizingPos_, 0);
    c->LineTo(sizingPos_, info.Vert.PaintBoundary);
  }
  c->Pen()->SetMode(pmCopy);
  c->Pen()->SetStyle(psSolid);
}

void TCustomGridGx::DrawMove() {
  TCanvas* c = Canvas();
  c->Pen()->SetStyle(psDot);
  c->Pen()->SetMode(pmXor);
  c->Pen()->SetWidth(5);
  c->Pen()->SetColor(clWhite);
  const TRect r = CellRect(gridState_ == gsRowMoving ? 0 : movePos_, gridState_ == gsRowMoving ? movePos_ : 0);
  if (gridState_ == gsRowMoving) {
    const int y = movePos_ > moveIndex_ ? r.Bottom : r.Top;
    c->MoveTo(0, y);
    c->LineTo(ClientWidth(), y);
  } else {
    const int x = movePos_ > moveIndex_ ? r.Right : r.Left;
    c->MoveTo(x, 0);
    c->LineTo(x, ClientHeight());
  }
  c->Pen()->SetWidth(1);
  c->Pen()->SetMode(pmCopy);
  c->Pen()->SetStyle(psSolid);
}

// ---- timer --------------------------------------------------------------------------------------

void TCustomGridGx::StartScrollTimer(UINT ms) {
  if (!HandleAllocated()) return;
  SetTimer(WindowHandle(), kGridScrollTimer, ms, nullptr);
  timerRunning_ = true;
}

void TCustomGridGx::KillScrollTimer() {
  if (timerRunning_ && HandleAllocated()) KillTimer(WindowHandle(), kGridScrollTimer);
  timerRunning_ = false;
}

void TCustomGridGx::TimedScroll(int direction) {
  TGridCoord a = anchor_;
  if ((direction & kScrollLeft) && a.X > fixedCols_) --a.X;
  if ((direction & kScrollRight) && a.X < colCount_ - 1) ++a.X;
  if ((direction & kScrollUp) && a.Y > fixedRows_) --a.Y;
  if ((direction & kScrollDown) && a.Y < rowCount_ - 1) ++a.Y;
  if (!(a == anchor_)) MoveAnchor(a, true);
}

void TCustomGridGx::WMTimer() {
  if (gridState_ != gsSelecting && gridState_ != gsRowMoving && gridState_ != gsColMoving) return;
  POINT sp{};
  GetCursorPos(&sp);
  const TPoint pt = ScreenToClient(TPoint(sp.x, sp.y));
  TGridDrawInfo info;
  CalcDrawInfo(info);
  if (gridState_ == gsSelecting) {
    int dir = 0;
    if (pt.X < info.Horz.FixedBoundary)
      dir |= kScrollLeft;
    else if (pt.X > info.Horz.FullVisBoundary)
      dir |= kScrollRight;
    if (pt.Y < info.Vert.FixedBoundary)
      dir |= kScrollUp;
    else if (pt.Y > info.Vert.FullVisBoundary)
      dir |= kScrollDown;
    if (dir != 0) TimedScroll(dir);
    return;
  }
  const TGridCoord cell = CalcCoordFromPoint(pt.X, pt.Y, info);
  if (gridState_ == gsRowMoving) {
    MoveAndScroll(pt.Y, cell.Y, info, false, pt);
    return;
  }
  const int oldLeft = topLeft_.X, oldPos = horzScrollPos_;
  MoveAndScroll(pt.X, cell.X, info, true, pt);
  CalcDrawInfo(info);
  UINT period = kScrollPeriod;
  // Farther from the edge scrolls faster.
  auto byDistance = [](int room, int distance) {
    const int a = std::min(200, std::max(room, 0));
    const int d = std::min(a, std::max(distance, 0));
    const int b = d < 11 ? 1 : d - 10;
    return static_cast<UINT>(std::trunc(static_cast<double>(a) / b * 1.5)) + kScrollPeriod;
  };
  if (movePos_ < fixedCols_) {
    period = kScrollPeriod;
  } else if (pt.X < info.Horz.FixedBoundary) {
    const int edge = ClientToScreen(TPoint(info.Horz.FixedBoundary, 0)).X;
    period = byDistance(edge, info.Horz.FixedBoundary - pt.X);
  } else if (pt.X > info.Horz.GridExtent) {
    const int edge = ClientToScreen(TPoint(info.Horz.GridExtent, 0)).X;
    period = byDistance(GetSystemMetrics(SM_CXSCREEN) - edge, pt.X - info.Horz.GridExtent);
  } else {
    period = (topLeft_.X > oldLeft || horzScrollPos_ > oldPos) ? 360 : kScrollPeriod;
  }
  StartScrollTimer(period);
}

// ---- mouse --------------------------------------------------------------------------------------

void TCustomGridGx::MoveAndScroll(int mouse, int cellHit, const TGridDrawInfo& info, bool horz, const TPoint& mousePt) {
  const TGridAxisDrawInfo& a = horz ? info.Horz : info.Vert;
  if (cellHit == movePos_) return;
  if (movePos_ == a.FixedCellCount && a.FirstGridCell == a.FixedCellCount && mouse < a.FixedBoundary) return;
  if (movePos_ == a.GridCellCount - 1 && mouse > a.GridBoundary) return;
  DrawMove();
  const int bar = horz ? SB_HORZ : SB_VERT;
  if (mouse < a.FixedBoundary) {
    if (a.FirstGridCell > a.FixedCellCount) ModifyScrollBar(bar, SB_LINEUP, 0, false);
    cellHit = horz ? topLeft_.X : topLeft_.Y;
  } else if (mouse < a.GridBoundary) {
    if (cellHit < 0) cellHit = movePos_;
  } else {
    if (movePos_ == a.LastFullVisibleCell && movePos_ < a.GridCellCount - 1) ModifyScrollBar(bar, SB_LINEDOWN, 0, false);
    TGridDrawInfo now;
    CalcDrawInfo(now);
    cellHit = horz ? now.Horz.LastFullVisibleCell : now.Vert.LastFullVisibleCell;
  }
  int origin = moveIndex_;
  const bool ok = horz ? CheckColumnDrag(origin, cellHit, mousePt) : CheckRowDrag(origin, cellHit, mousePt);
  if (ok) movePos_ = cellHit;
  DrawMove();
}

void TCustomGridGx::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  HideEdit();
  if (!InDesigner()) {
    if (CanFocus() || !::GetParentForm(this)) SetFocus();
    if (!IsActiveControl()) {
      SetMouseCapture(false);
      return;
    }
  }
  bool markerDrawn = false;
  try {
    if (button == mbLeft && shift.Contains(ssDouble)) {
      DblClick();
    } else if (button == mbLeft) {
      TGridDrawInfo info;
      CalcDrawInfo(info);
      TGridState state;
      int index = -1, pos = 0, ofs = 0;
      CalcSizingState(x, y, state, index, pos, ofs, info);
      if (state != gsNormal) {
        gridState_ = state;
        sizingIndex_ = index;
        sizingPos_ = pos;
        sizingOfs_ = ofs;
        DrawSizingLine(info);
      } else {
        const TGridCoord cell = CalcCoordFromPoint(x, y, info);
        // A point outside every cell is no cell, even where more columns are frozen than fixed.
        const bool selectable = cell.X >= 0 && cell.X >= fixedCols_ - info.Horz.FrozenCount &&
                                cell.Y >= fixedRows_ - info.Vert.FrozenCount && cell.X < colCount_ &&
                                cell.Y < rowCount_;
        const TPoint pt(x, y);
        if (!selectable) {
          if (options_.Contains(goRowMoving) && cell.X >= 0 && cell.X < fixedCols_ && cell.Y >= fixedRows_ &&
              cell.Y < rowCount_) {
            moveIndex_ = movePos_ = cell.Y;
            if (BeginRowDrag(moveIndex_, movePos_, pt)) {
              gridState_ = gsRowMoving;
              Update();
              DrawMove();
              markerDrawn = true;
              StartScrollTimer(kScrollPeriod);
            }
          } else if (options_.Contains(goColMoving) && cell.Y >= 0 && cell.Y < fixedRows_ && cell.X >= fixedCols_ &&
                     cell.X < colCount_) {
            moveIndex_ = movePos_ = cell.X;
            if (BeginColumnDrag(moveIndex_, movePos_, pt)) {
              gridState_ = gsColMoving;
              Update();
              DrawMove();
              markerDrawn = true;
              StartScrollTimer(kScrollPeriod);
            }
          }
        } else if (!options_.Contains(goEditing)) {
          gridState_ = gsSelecting;
          StartScrollTimer(kScrollPeriod);
          if (shift.Contains(ssShift))
            MoveAnchor(cell, true);
          else
            MoveCurrent(cell.X, cell.Y, true, true);
        } else {
          if (cell == current_) {
            ShowEditor();
          } else {
            MoveCurrent(cell.X, cell.Y, true, true);
            UpdateEdit();
          }
          Click();
        }
      }
    }
    TCustomControl::MouseDown(button, shift, x, y);
  } catch (...) {
    if (markerDrawn) {
      DrawMove();
      KillScrollTimer();
      gridState_ = gsNormal;
    }
    throw;
  }
}

void TCustomGridGx::MouseMove(TShiftState shift, int x, int y) {
  TGridDrawInfo info;
  CalcDrawInfo(info);
  switch (gridState_) {
    case gsSelecting: {
      const TGridCoord cell = CalcCoordFromPoint(x, y, info);
      const bool valid =
          cell.X >= 0 &&
          (InDesigner() ||
           (cell.X >= fixedCols_ - info.Horz.FrozenCount &&
            cell.X <= std::min(info.Horz.LastFullVisibleCell + 1, colCount_ - 1) &&
            cell.Y >= fixedRows_ - info.Vert.FrozenCount && cell.Y <= std::min(info.Vert.LastFullVisibleCell + 1, rowCount_ - 1)));
      if (valid && !(cell == anchor_)) MoveAnchor(cell, true);
      break;
    }
    // A move follows the pointer along its own axis wherever it is across the other one (the
    // header being dragged lies in the fixed run of that other axis).
    case gsRowMoving: MoveAndScroll(y, CalcCoordFromPoint(x, y, info).Y, info, false, TPoint(x, y)); break;
    case gsColMoving: MoveAndScroll(x, CalcCoordFromPoint(x, y, info).X, info, true, TPoint(x, y)); break;
    case gsRowSizing:
    case gsColSizing:
      DrawSizingLine(info);
      sizingPos_ = sizingOfs_ + (gridState_ == gsRowSizing ? y : x);
      DrawSizingLine(info);
      break;
    default: break;
  }
  TCustomControl::MouseMove(shift, x, y);
}

// Start pixel of the cell being sized, for the size the line now gives it.
int TCustomGridGx::ColStartForSizing(const TGridDrawInfo& info) const {
  const TGridAxisDrawInfo& a = gridState_ == gsRowSizing ? info.Vert : info.Horz;
  const int lw = a.EffectiveLineWidth;
  int pos;
  if (sizingIndex_ >= a.GridCellCount) {
    pos = a.ContraBoundary + lw;
    for (int i = a.GridCellCount; i < sizingIndex_; ++i) pos += a.Extent(i) + lw;
    return pos;
  }
  if (sizingIndex_ < a.FixedCellCount) {
    pos = a.FrozenBoundary;
    for (int i = a.FixedCellCount - a.FrozenCount; i < sizingIndex_; ++i) pos += a.Extent(i) + lw;
    return pos;
  }
  pos = a.ScrollStart;
  for (int i = a.FirstGridCell; i < sizingIndex_; ++i) pos += a.Extent(i) + lw;
  return pos;
}

void TCustomGridGx::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  try {
    switch (gridState_) {
      case gsSelecting:
        MouseMove(shift, x, y);
        KillScrollTimer();
        UpdateEdit();
        Click();
        break;
      case gsRowSizing:
      case gsColSizing: {
        TGridDrawInfo info;
        CalcDrawInfo(info);
        DrawSizingLine(info);
        const bool rows = gridState_ == gsRowSizing;
        const TGridAxisDrawInfo& a = rows ? info.Vert : info.Horz;
        const int start = ColStartForSizing(info);
        int size;
        if (sizingIndex_ >= a.GridCellCount)
          size = start + a.Extent(sizingIndex_) - sizingPos_ - a.EffectiveLineWidth;
        else
          size = sizingPos_ - start;
        if (size > 1) {
          if (rows)
            SetRowHeights(sizingIndex_, size);
          else
            SetColWidths(sizingIndex_, size);
          UpdateDesigner();
        }
        break;
      }
      case gsColMoving:
      case gsRowMoving: {
        DrawMove();
        KillScrollTimer();
        const TPoint pt(x, y);
        // The hook may change where the move starts and ends.
        int from = moveIndex_, to = movePos_;
        const bool ok = gridState_ == gsColMoving ? EndColumnDrag(from, to, pt) : EndRowDrag(from, to, pt);
        if (ok && from != to) {
          if (gridState_ == gsColMoving)
            MoveColumn(from, to);
          else
            MoveRow(from, to);
          UpdateDesigner();
        }
        UpdateEdit();
        break;
      }
      default: break;
    }
    TCustomControl::MouseUp(button, shift, x, y);
  } catch (...) {
    gridState_ = gsNormal;
    throw;
  }
  gridState_ = gsNormal;
}

void TCustomGridGx::CancelMode() {
  try {
    switch (gridState_) {
      case gsSelecting: KillScrollTimer(); break;
      case gsRowSizing:
      case gsColSizing: {
        TGridDrawInfo info;
        CalcDrawInfo(info);
        DrawSizingLine(info);
        break;
      }
      case gsColMoving:
      case gsRowMoving:
        DrawMove();
        KillScrollTimer();
        break;
      default: break;
    }
  } catch (...) {
    gridState_ = gsNormal;
    throw;
  }
  gridState_ = gsNormal;
}

bool TCustomGridGx::DoMouseWheelDown(TShiftState shift, const TPoint& mousePos) {
  if (!TCustomControl::DoMouseWheelDown(shift, mousePos) && current_.Y < rowCount_ - 1) SetRow(current_.Y + 1);
  return true;
}

bool TCustomGridGx::DoMouseWheelUp(TShiftState shift, const TPoint& mousePos) {
  if (!TCustomControl::DoMouseWheelUp(shift, mousePos) && current_.Y > fixedRows_) SetRow(current_.Y - 1);
  return true;
}

// ---- keyboard -----------------------------------------------------------------------------------

void TCustomGridGx::KeyDown(uint16_t& key, TShiftState shift) {
  TCustomControl::KeyDown(key, shift);
  if (key != 0 && !CanGridAcceptKey(key, shift)) key = 0;
  if (key == 0) return;
  TGridDrawInfo info;
  CalcDrawInfo(info);
  const int pageWidth = std::max(1, info.Horz.LastFullVisibleCell - topLeft_.X);
  const int pageHeight = std::max(1, info.Vert.LastFullVisibleCell - topLeft_.Y);
  const bool rowSelect = options_.Contains(goRowSelect);
  TGridCoord cur = current_, tl = topLeft_;
  if (shift.Contains(ssCtrl)) {
    switch (key) {
      case VK_PRIOR: cur.Y = topLeft_.Y; break;
      case VK_NEXT: cur.Y = info.Vert.LastFullVisibleCell; break;
      case VK_END: cur = {colCount_ - 1, rowCount_ - 1}; break;
      case VK_HOME: cur = {fixedCols_, fixedRows_}; break;
      case VK_LEFT:
      case VK_RIGHT:
        if (!rowSelect) {
          const int d = key == VK_LEFT ? -pageWidth : pageWidth;
          cur.X += d;
          tl.X += d;
        }
        break;
      case VK_UP: --tl.Y; break;
      case VK_DOWN: ++tl.Y; break;
      default: break;
    }
  } else {
    switch (key) {
      case VK_LEFT:
      case VK_RIGHT:
        if (rowSelect) {
          ScrollHorzPixels(key == VK_LEFT ? -GetHorzScrollStep() : GetHorzScrollStep());
          return;
        }
        cur.X += key == VK_LEFT ? -1 : 1;
        break;
      case VK_UP: --cur.Y; break;
      case VK_DOWN: ++cur.Y; break;
      case VK_PRIOR:
        cur.Y -= pageHeight;
        tl.Y -= pageHeight;
        break;
      case VK_NEXT:
        cur.Y += pageHeight;
        tl.Y += pageHeight;
        break;
      case VK_HOME:
        if (rowSelect)
          cur.Y = fixedRows_;
        else
          cur.X = fixedCols_;
        break;
      case VK_END:
        if (rowSelect)
          cur.Y = rowCount_ - 1;
        else
          cur.X = colCount_ - 1;
        break;
      case VK_TAB:
        if (!shift.Contains(ssAlt)) {
          const bool backward = shift.Contains(ssShift);
          const int start = cur.X;
          do {
            if (backward) {
              if (--cur.X < fixedCols_) {
                cur.X = colCount_ - 1;
                if (--cur.Y < fixedRows_) cur.Y = rowCount_ - 1;
              }
            } else if (++cur.X >= colCount_) {
              cur.X = fixedCols_;
              if (++cur.Y >= rowCount_) cur.Y = fixedRows_;
            }
          } while (!GetTabStops(cur.X) && cur.X != start);
          if (backward) shift.Exclude(ssShift);
        }
        break;
      case VK_F2: SetEditorMode(true); break;
      default: break;
    }
  }
  const TGridCoord maxTopLeft = CalcMaxTopLeft({colCount_ - 1, rowCount_ - 1}, info);
  tl.X = std::max(fixedCols_, std::min(tl.X, maxTopLeft.X));
  tl.Y = std::max(fixedRows_, std::min(tl.Y, maxTopLeft.Y));
  if (!(tl == topLeft_)) MoveTopLeft(tl.X, tl.Y);
  cur.X = std::clamp(cur.X, fixedCols_, colCount_ - 1);
  cur.Y = std::clamp(cur.Y, fixedRows_, rowCount_ - 1);
  if (!(cur == current_)) FocusCell(cur.X, cur.Y, !shift.Contains(ssShift));
}

void TCustomGridGx::KeyPress(TKeyChar& key) {
  TCustomControl::KeyPress(key);
  if (key == 13 && !options_.Contains(goAlwaysShowEditor)) {
    if (inplaceEdit_ && inplaceEdit_->GetVisible())
      HideEditor();
    else
      ShowEditor();
    key = 0;
  }
}

// ---- scroll bars --------------------------------------------------------------------------------

void TCustomGridGx::SetScrollRange(int bar, int min, int max, int page, int pos) {
  SCROLLINFO& last = bar == SB_HORZ ? lastHorzInfo_ : lastVertInfo_;
  if (last.cbSize != 0 && last.nMin == min && last.nMax == max && static_cast<int>(last.nPage) == page &&
      last.nPos == pos)
    return;
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | (KeepsIdleScrollBar(bar) ? SIF_DISABLENOSCROLL : 0u);
  si.nMin = min;
  si.nMax = max;
  si.nPage = static_cast<UINT>(std::max(page, 0));
  si.nPos = pos;
  SetScrollInfo(WindowHandle(), bar, &si, TRUE);
  last = si;
}

void TCustomGridGx::UpdateHorzScrollExtent() {
  if (!IsSmoothHorzScroll()) return;
  int total = 0, before = 0;
  for (int i = fixedCols_; i < colCount_; ++i) {
    const int w = GetColWidths(i) + gridLineWidth_;
    total += w;
    if (i < topLeft_.X) before += w;
  }
  horzTotalWidth_ = total;
  horzScrollPos_ = before + horzPixelOffset_;
  TGridDrawInfo info;
  CalcDrawInfo(info);
  horzPageWidth_ = std::max(0, info.Horz.GridExtent - info.Horz.FixedBoundary);
}

void TCustomGridGx::UpdateScrollRange() {
  if (scrollBars_ == ssNone || !HandleAllocated() || !Showing()) return;
  const TGridCoord old = topLeft_;
  TGridDrawInfo info;
  CalcDrawInfo(info);
  const TGridCoord maxTopLeft = CalcMaxTopLeft({colCount_ - 1, rowCount_ - 1}, info);
  if (scrollBars_ == ssHorizontal || scrollBars_ == ssBoth) {
    if (IsSmoothHorzScroll()) {
      UpdateHorzScrollExtent();
      const int last = std::max(0, horzTotalWidth_ - horzPageWidth_);
      if (horzScrollPos_ > last) ScrollHorzPixels(last - horzScrollPos_);
      SetScrollRange(SB_HORZ, 0, std::max(0, horzTotalWidth_ - 1), horzPageWidth_, horzScrollPos_);
    } else if (colCount_ == 1) {
      SetScrollRange(SB_HORZ, 0, std::max(0, GetColWidths(0) - ClientWidth()), 0, colOffset_);
    } else {
      SetScrollRange(SB_HORZ, 0, maxTopLeft.X > fixedCols_ ? kGridScrollRange : 0, 0,
                     GetScrollPos(WindowHandle(), SB_HORZ));
      if (topLeft_.X > maxTopLeft.X) {
        Update();
        topLeft_.X = maxTopLeft.X;
      }
    }
  }
  if (scrollBars_ == ssVertical || scrollBars_ == ssBoth) {
    SetScrollRange(SB_VERT, 0, maxTopLeft.Y > fixedRows_ ? kGridScrollRange : 0, 0,
                   GetScrollPos(WindowHandle(), SB_VERT));
    if (topLeft_.Y > maxTopLeft.Y) {
      Update();
      topLeft_.Y = maxTopLeft.Y;
    }
  }
  UpdateScrollPos();
  if (!(old == topLeft_)) TopLeftMoved(old);
}

void TCustomGridGx::UpdateScrollPos() {
  if (scrollBars_ == ssNone || !HandleAllocated()) return;
  TGridDrawInfo info;
  CalcDrawInfo(info);
  const TGridCoord maxTopLeft = CalcMaxTopLeft({colCount_ - 1, rowCount_ - 1}, info);
  HWND wnd = WindowHandle();
  auto setPos = [&](int bar, int pos) {
    if (GetScrollPos(wnd, bar) == pos) return;
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_POS;
    si.nPos = pos;
    SetScrollInfo(wnd, bar, &si, TRUE);
    (bar == SB_HORZ ? lastHorzInfo_ : lastVertInfo_).nPos = pos;
  };
  if (scrollBars_ == ssHorizontal || scrollBars_ == ssBoth) {
    if (IsSmoothHorzScroll()) {
      int before = 0;
      for (int i = fixedCols_; i < topLeft_.X; ++i) before += GetColWidths(i) + gridLineWidth_;
      horzScrollPos_ = before + horzPixelOffset_;
      SetScrollRange(SB_HORZ, 0, std::max(0, horzTotalWidth_ - 1), horzPageWidth_, horzScrollPos_);
    } else if (colCount_ == 1) {
      const int visible = ClientWidth() - info.Horz.FixedBoundary;
      const int range = std::max(0, GetColWidths(0) - ClientWidth());
      setPos(SB_HORZ, colOffset_ > 0 && GetColWidths(0) - colOffset_ < visible ? range : colOffset_);
    } else if (auto pos = GridScale(topLeft_.X - fixedCols_, kGridScrollRange, maxTopLeft.X - fixedCols_)) {
      setPos(SB_HORZ, *pos);
    }
  }
  if (scrollBars_ == ssVertical || scrollBars_ == ssBoth) {
    if (auto pos = GridScale(topLeft_.Y - fixedRows_, kGridScrollRange, maxTopLeft.Y - fixedRows_))
      setPos(SB_VERT, *pos);
  }
}

void TCustomGridGx::ModifyScrollBar(int scrollBar, int scrollCode, int pos, bool) {
  if (Visible() && CanFocus() && TabStop() && !InDesigner()) SetFocus();
  TGridDrawInfo info;
  CalcDrawInfo(info);
  const bool tracking = options_.Contains(goThumbTracking);
  if (scrollBar == SB_HORZ && IsSmoothHorzScroll()) {
    int delta = 0;
    switch (scrollCode) {
      case SB_LINEUP: delta = -GetHorzScrollStep(); break;
      case SB_LINEDOWN: delta = GetHorzScrollStep(); break;
      case SB_PAGEUP: delta = -horzPageWidth_; break;
      case SB_PAGEDOWN: delta = horzPageWidth_; break;
      case SB_THUMBTRACK:
        if (!tracking) return;
        delta = pos - horzScrollPos_;
        break;
      case SB_THUMBPOSITION: delta = pos - horzScrollPos_; break;
      case SB_TOP: delta = -horzScrollPos_; break;
      case SB_BOTTOM: delta = horzTotalWidth_ - horzScrollPos_; break;
      default: return;
    }
    if (delta != 0) ScrollHorzPixels(delta);
    return;
  }
  if (scrollBar == SB_HORZ && colCount_ == 1) {
    ScrollSingleColumn(scrollCode, pos, info);
    return;
  }
  const bool horz = scrollBar == SB_HORZ;
  const TGridAxisDrawInfo& a = horz ? info.Horz : info.Vert;
  const int min = a.FixedCellCount;
  const TGridCoord maxTopLeft = CalcMaxTopLeft({colCount_ - 1, rowCount_ - 1}, info);
  const int max = std::max(min, horz ? maxTopLeft.X : maxTopLeft.Y);
  int first = a.FirstGridCell;
  int step = 0;
  switch (scrollCode) {
    case SB_LINEUP: step = -1; break;
    case SB_LINEDOWN: step = 1; break;
    case SB_PAGEUP: {
      const int room = a.GridExtent - a.FixedBoundary;
      int n = 0, sum = 0;
      for (int i = first - 1; i >= min; --i) {
        sum += a.Extent(i) + a.EffectiveLineWidth;
        if (sum > room) break;
        ++n;
      }
      first -= std::max(1, n);
      break;
    }
    case SB_PAGEDOWN: first += std::max(1, a.LastFullVisibleCell - first); break;
    case SB_THUMBTRACK:
      if (!tracking) return;
      [[fallthrough]];
    case SB_THUMBPOSITION:
      if (auto p = GridScale(pos, max - min, kGridScrollRange)) first = *p + min;
      break;
    case SB_TOP: first = min; break;
    case SB_BOTTOM: first = max; break;
    default: return;
  }
  if (step != 0) {
    // Zero-size cells are stepped over.
    first += step;
    while (first > min && first < max && a.Extent(first) <= 0) first += step;
  }
  first = std::clamp(first, min, max);
  if (horz)
    MoveTopLeft(first, topLeft_.Y);
  else
    MoveTopLeft(topLeft_.X, first);
}

void TCustomGridGx::ScrollSingleColumn(int scrollCode, int pos, const TGridDrawInfo& info) {
  const int visible = ClientWidth() - info.Horz.FixedBoundary;
  const int maxOffset = std::max(0, GetColWidths(0) - visible);
  int offset = colOffset_;
  auto charWidth = [&] {
    Canvas()->Font()->Assign(Font());
    return Canvas()->TextWidth("0");
  };
  switch (scrollCode) {
    case SB_LINEUP: offset -= charWidth(); break;
    case SB_LINEDOWN: offset += charWidth(); break;
    case SB_PAGEUP: offset -= visible; break;
    case SB_PAGEDOWN: offset += visible; break;
    case SB_THUMBTRACK:
      if (!options_.Contains(goThumbTracking)) return;
      offset = pos;
      break;
    case SB_THUMBPOSITION: offset = pos; break;
    case SB_TOP: offset = 0; break;
    case SB_BOTTOM: offset = maxOffset; break;
    default: return;
  }
  offset = std::clamp(offset, 0, maxOffset);
  if (offset == colOffset_) return;
  const int dx = colOffset_ - offset;
  colOffset_ = offset;
  if (!HandleAllocated()) return;
  WindowsScrollWindowEx(WindowHandle(), dx, 0, nullptr, nullptr, nullptr, SW_INVALIDATE);
  TRect fixedRows(0, 0, ClientWidth(), info.Vert.FixedBoundary);
  WindowsInvalidateRect(WindowHandle(), &fixedRows, false);
  Update();
  UpdateScrollPos();
}

void TCustomGridGx::ScrollHorzPixels(int delta) {
  TGridDrawInfo info;
  CalcDrawInfo(info);
  const int lw = info.Horz.EffectiveLineWidth;
  int left = topLeft_.X;
  int offset = horzPixelOffset_ + delta;
  auto colStep = [&](int col) { return GetColWidths(col) + lw; };
  if (delta < 1) {
    if (left == fixedCols_ && offset < 0) offset = 0;
    while (offset < 0 && left > fixedCols_) {
      --left;
      offset += colStep(left);
    }
    if (offset < 0) offset = 0;
  } else {
    const int visible = info.Horz.GridExtent - info.Horz.FixedBoundary;
    int sum = -horzPixelOffset_;
    for (int i = left; i < colCount_ && sum < visible + delta; ++i) sum += colStep(i);
    if (sum < visible + delta) {
      delta = std::max(0, sum - visible);
      if (delta == 0) return;
      offset = horzPixelOffset_ + delta;
    }
    while (left < colCount_ - 1 && offset >= colStep(left)) {
      offset -= colStep(left);
      ++left;
    }
  }
  // The distance the view actually moved.
  int moved = offset - horzPixelOffset_;
  for (int i = std::min(left, topLeft_.X); i < std::max(left, topLeft_.X); ++i)
    moved += left > topLeft_.X ? colStep(i) : -colStep(i);
  if (moved == 0 && left == topLeft_.X) return;
  topLeft_.X = left;
  horzPixelOffset_ = offset;
  ScrollData(-moved, 0);
  TopLeftChanged();
  UpdateScrollPos();
}

void TCustomGridGx::ScrollData(int dx, int dy) {
  if (!HandleAllocated()) return;
  TGridDrawInfo info;
  CalcDrawInfo(info);
  const auto& h = info.Horz;
  const auto& v = info.Vert;
  const UINT flags = SW_INVALIDATE | (defaultDrawing_ ? 0 : SW_ERASE);
  HWND wnd = WindowHandle();
  auto scroll = [&](int sx, int sy, const TRect& r) {
    if (!r.IsEmpty()) WindowsScrollWindowEx(wnd, sx, sy, &r, &r, nullptr, flags);
  };
  if (dy == 0) {
    scroll(dx, 0, TRect(h.FixedBoundary, 0, h.GridExtent, v.ClientExtent));
  } else if (dx == 0) {
    scroll(0, dy, TRect(0, v.FixedBoundary, h.ClientExtent, v.GridExtent));
  } else {
    scroll(dx, 0, TRect(h.FixedBoundary, 0, h.GridExtent, v.FixedBoundary));
    scroll(0, dy, TRect(0, v.FixedBoundary, h.FixedBoundary, v.GridExtent));
    scroll(dx, dy, TRect(h.FixedBoundary, v.FixedBoundary, h.GridExtent, v.GridExtent));
    scroll(dx, 0, TRect(h.FixedBoundary, v.GridExtent, h.GridExtent, v.ClientExtent));
    scroll(0, dy, TRect(h.GridExtent, v.FixedBoundary, h.ClientExtent, v.GridExtent));
  }
  if (options_.Contains(goRowSelect)) InvalidateGridRect(Selection());
}

// ---- window -------------------------------------------------------------------------------------

void TCustomGridGx::CreateParams(TCreateParams& params) {
  TCustomControl::CreateParams(params);
  params.Style |= WS_TABSTOP;
  if (scrollBars_ == ssVertical || scrollBars_ == ssBoth) params.Style |= WS_VSCROLL;
  if (scrollBars_ == ssHorizontal || scrollBars_ == ssBoth) params.Style |= WS_HSCROLL;
  params.WindowClass.style = CS_DBLCLKS;
  if (borderStyle_ == bsSingle) {
    if (Ctl3D()) {
      params.Style &= ~static_cast<DWORD>(WS_BORDER);
      params.ExStyle |= WS_EX_CLIENTEDGE;
    } else {
      params.Style |= WS_BORDER;
    }
  }
}

// A new window starts with empty scroll bars: nothing of the old settings may be taken as sent.
void TCustomGridGx::CreateWnd() {
  lastHorzInfo_ = {};
  lastVertInfo_ = {};
  TCustomControl::CreateWnd();
  UpdateScrollRange();
}

void TCustomGridGx::WMSetCursor(TMessage& m) {
  if (LOWORD(m.LParam) == HTCLIENT) {
    TGridState state = gridState_;
    if (state == gsNormal) {
      TGridDrawInfo info;
      CalcDrawInfo(info);
      int index, pos, ofs;
      CalcSizingState(hitTest_.X, hitTest_.Y, state, index, pos, ofs, info);
    }
    TCursor cur = state == gsRowSizing ? crVSplit : state == gsColSizing ? crHSplit : crDefault;
    if (cur != crDefault) {
      ::SetCursor(Screen->Cursors(cur));
      m.Result = 1;
      return;
    }
  }
  TCustomControl::Dispatch(m);
}

void TCustomGridGx::Dispatch(TMessage& m) {
  HWND editWnd = inplaceEdit_ ? inplaceEdit_->WindowHandle() : nullptr;
  switch (m.Msg) {
    case WM_GETDLGCODE:
      m.Result = DLGC_WANTARROWS;
      if (!options_.Contains(goRowSelect)) {
        if (options_.Contains(goTabs)) m.Result |= DLGC_WANTTAB;
        if (options_.Contains(goEditing)) m.Result |= DLGC_WANTCHARS;
      }
      return;
    case WM_CHAR:
      if (options_.Contains(goEditing) && (m.WParam == 8 || m.WParam >= 32)) {
        ShowEditorChar(static_cast<char16_t>(m.WParam));
        return;
      }
      break;
    case WM_COMMAND:
      if (m.WParamHi() == EN_CHANGE && editWnd && reinterpret_cast<HWND>(m.LParam) == editWnd) UpdateText();
      break;
    case WM_KILLFOCUS:
      TCustomControl::Dispatch(m);
      InvalidateGridRect(Selection());
      if (!editWnd || reinterpret_cast<HWND>(m.WParam) != editWnd) HideEdit();
      return;
    case WM_SETFOCUS:
      TCustomControl::Dispatch(m);
      if (!editWnd || reinterpret_cast<HWND>(m.WParam) != editWnd) {
        InvalidateGridRect(Selection());
        UpdateEdit();
      }
      return;
    case WM_LBUTTONDOWN: {
      TCustomControl::Dispatch(m);
      if (inplaceEdit_) inplaceEdit_->SetClickTime(static_cast<uint32_t>(GetMessageTime()));
      pressedCell_ = MouseCoord(m.XPos(), m.YPos());
      return;
    }
    case WM_LBUTTONUP: {
      const bool allowed = CanClickCell(m);
      TCustomControl::Dispatch(m);
      if (!allowed) return;
      const TGridCoord cell = MouseCoord(m.XPos(), m.YPos());
      if (cell.X >= 0 && cell.Y >= 0 && cell == pressedCell_) {
        const TRect r = CellRect(cell.X, cell.Y);
        CellMouseClick(cell, mbLeft, KeysToShiftState(static_cast<WORD>(m.WParam)), m.XPos() - r.Left,
                       m.YPos() - r.Top);
      }
      return;
    }
    case WM_NCHITTEST:
      TCustomControl::Dispatch(m);
      hitTest_ = ScreenToClient(TPoint(m.XPos(), m.YPos()));
      return;
    case WM_SETCURSOR: WMSetCursor(m); return;
    case WM_SIZE:
      TCustomControl::Dispatch(m);
      UpdateScrollRange();
      if (NeedsRepaintOnContraSize()) Invalidate();
      PlaceOpenEditor();
      return;
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (m.LParam == 0) {
        ModifyScrollBar(m.Msg == WM_HSCROLL ? SB_HORZ : SB_VERT, m.WParamLo(), static_cast<int16_t>(m.WParamHi()),
                        true);
        m.Result = 0;
        return;
      }
      break;
    case WM_TIMER:
      if (m.WParam == kGridScrollTimer) {
        WMTimer();
        return;
      }
      break;
    // The state ends before the inherited handling releases the mouse: the button-up it sends
    // must not be taken as a release that stores a size or moves a column.
    case WM_CANCELMODE:
      CancelMode();
      TCustomControl::Dispatch(m);
      return;
    case CM_CANCELMODE:
      if (inplaceEdit_) inplaceEdit_->WindowProc()(m);
      CancelMode();
      TCustomControl::Dispatch(m);
      return;
    case CM_FONTCHANGED:
      if (inplaceEdit_) inplaceEdit_->SetFont(Font());
      break;
    case CM_CTL3DCHANGED:
      TCustomControl::Dispatch(m);
      RecreateWnd();
      return;
    case CM_WANTSPECIALKEY:
      TCustomControl::Dispatch(m);
      if (options_.Contains(goEditing) && m.WParam == VK_RETURN) m.Result = 1;
      return;
    case CM_SHOWINGCHANGED:
      TCustomControl::Dispatch(m);
      if (Showing()) UpdateScrollRange();
      return;
    case CM_DESIGNHITTEST: m.Result = Sizing(m.XPos(), m.YPos()) ? 1 : 0; return;
    default: break;
  }
  TCustomControl::Dispatch(m);
}
