// Window and control messages the data grid handles before the base grid: typed characters and the
// search timer, thumb tracking of the scroll bars, cell tool tips,
// the editor's change notice and a few control notices.
#include <algorithm>

#include "editors/editbuttons.h"
#include "editors/tooltips.h"
#include "grid/dbgrid.h"
#include "grid/dbgrid_filterrow.h"
#include "grid/dbgrid_inplace.h"
#include "platform/forms/cmessages.h"
#include "platform/os/automation.h"
#include "platform/rtl/strings.h"

// Thumb tracking of the vertical bar in buffer mode, and tracking of the horizontal one; true when
// the message was handled here.
bool TCustomDBGridGx::HandleScrollMessage(TMessage& m) {
  const int code = LOWORD(m.WParam);
  if (m.Msg == WM_HSCROLL) {
    if (code == SB_THUMBTRACK && horzScrollBar_->Tracking())
      m.WParam = MAKEWPARAM(SB_THUMBPOSITION, HIWORD(m.WParam));
    TCustomGridGx::WndProc(m);
    UpdateHorzScrollBar();
    return true;
  }
  if (!CanFocus()) return true;
  TDataSet* ds = DataSet();
  if (memTable_ || !ds || !dataLink_->Active()) return false;
  if (code != SB_THUMBTRACK && code != SB_THUMBPOSITION) return false;
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;
  const bool haveInfo = vertScrollBar_->GetScrollInfo(si);
  // The bar's track position while it is dragged, else the position the message carries.
  const int track = haveInfo && si.nTrackPos != si.nPos ? si.nTrackPos : static_cast<int>(HIWORD(m.WParam));
  // Record numbers as the bar shows them: the sum list's (its virtual records number a data set
  // that does not number its own), else the data set's.
  TDBGridGxSumList* sums = sumList_ && sumList_->DataSet() == ds ? sumList_.get() : nullptr;
  const bool numbered = sums ? sums->IsSequenced() : ds->IsSequenced();
  if (code == SB_THUMBTRACK) {
    if (vertScrollBar_->Tracking() && numbered) {
      ds->MoveBy(track - (sums ? sums->GetRecNo() : ds->RecNo()));
      thumbHandled_ = true;
    }
  } else if (thumbHandled_) {
    thumbHandled_ = false;
  } else if (numbered) {
    if (track <= 1) ds->First();
    else if (track >= (sums ? sums->GetRecordCount() : ds->RecordCount())) ds->Last();
    else if (sums) sums->SetRecNo(track);
    else ds->SetRecNo(track);
  } else {
    switch (track) {
      case 0: ds->First(); break;
      case 1: ds->MoveBy(-VisibleDataRowCount()); break;
      case 3: ds->MoveBy(VisibleDataRowCount()); break;
      case 4: ds->Last(); break;
      default: break;
    }
  }
  m.Result = 0;
  return true;
}

bool TCustomDBGridGx::CellToolTip(THintInfo& info) {
  const TGridCoord cell = MouseCoord(info.CursorPos.X, info.CursorPos.Y);
  if (cell.X < IndicatorOffset() || cell.Y < 0) return true;
  const TCellTypeGx type = GetCellType(cell.X, cell.Y);
  TColumnGx* c = ColumnAt(type.DataCol);
  if (!c || !type.DataColumn) return true;
  const TRect cellRect = CellRect(cell.X, cell.Y);
  if (type.Area == caTitle && !c->Title()->Hint().empty()) {
    info.HintStr = GetShortHint(c->Title()->Hint());
    info.CursorRect = cellRect;
    return true;
  }
  TColumnFooterGx* footer = type.Area == caFooter ? c->GetFooter(type.Index) : nullptr;
  const bool wanted = (type.Area == caTitle && c->Title()->ToolTips()) ||
                      (type.Area == caData && dataLink_->Active() && c->ToolTips()) ||
                      (footer && footer->ToolTips());
  if (!wanted || GetCapture() != nullptr || GetKeyState(VK_CONTROL) < 0) return true;

  TRect rect = cellRect;
  std::string text;
  TFont* font = nullptr;
  TAlignment alignment = taLeftJustify;
  bool wrap = false;
  if (type.Area == caTitle) {
    text = c->Title()->Caption();
    // Under a multi-level title only the leaf's own caption and band count.
    if (THeadTreeNode* leaf = useMultiTitle_ ? LeafFor(c->Index()) : nullptr) {
      text = leaf->Text;
      rect = LeafTitleRect(cell.X, cell.Y);
    }
    font = c->Title()->Font();
    alignment = c->Title()->Alignment();
    if (c->Title()->SortMarker() != smNoneGx) rect.Right -= c->Title()->SortMarkerWidth();
  } else if (type.Area == caData) {
    BeginRowRead(cell.Y);
    try {
      // The tree column (the first one shown) has its text after the row's indent, as painted.
      if (IsTreeColumn(c))
        rect.Left = std::min(rect.Right, rect.Left + std::max(1, memTable_->GetNodeLevel()) * kTreeLevelWidth);
      const TColumnKindGx kind = c->GetColumnType();
      if (kind == ckCheckbox || kind == ckImageList) {
        const int index = c->GetValueListIndex();
        text = index >= 0 && c->HasPickList() && index < c->PickList()->Count() ? c->PickList()->Strings(index) : "";
      } else {
        text = c->GetDisplayText();
      }
    } catch (...) {
      EndRowRead();
      throw;
    }
    EndRowRead();
    font = c->Font();
    alignment = c->Alignment();
    if (c->AlwaysShowEditButton()) rect.Right -= c->GetEditButtonsWidth();
    if (c->ImageList() && c->ShowImageAndText()) rect.Left += c->ImageList()->Width() + 5;
    // A row with room for more lines shows the text wrapped, so it is measured wrapped.
    wrap = c->WordWrap() && c->TextFitsOneLine(rect.Height());
  } else {
    text = GetFooterValue(type.Index, c);
    font = footer->Font();
    alignment = footer->Alignment();
  }
  TMeasureCanvas measure;
  measure.Canvas()->Font()->Assign(font);
  int textWidth = 0, textHeight = 0;
  if (text.empty() || !TextExceedsRect(measure.Canvas(), text, rect, wrap, 2, 0, textWidth, textHeight)) return false;
  if (!toolTipFont_) toolTipFont_ = std::make_unique<TFont>();
  toolTipFont_->Assign(font);
  info.HintStr = text;
  info.HintWindowClass = TToolTipsWindow::StaticClass();
  info.HintData = toolTipFont_.get();
  info.CursorRect = cellRect;
  int x = rect.Left;
  if (alignment == taRightJustify) x = rect.Right - std::min(textWidth, rect.Width()) - 4;
  else if (alignment == taCenter) x = rect.Left + (rect.Width() - std::min(textWidth, rect.Width())) / 2 - 2;
  info.HintPos = ClientToScreen(TPoint(x, rect.Top));
  if (wrap) info.HintMaxWidth = rect.Width() - 4;
  return true;
}

void TCustomDBGridGx::PaintBuffered(TMessage& m) {
  const int w = std::max(1, ClientWidth()), h = std::max(1, ClientHeight());
  HDC screen = GetDC(nullptr);
  HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
  HDC mem = CreateCompatibleDC(screen);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(mem, bmp);
  PAINTSTRUCT ps{};
  HDC dc = BeginPaint(Handle(), &ps);
  try {
    // The grid skips its own erase; off-screen it costs no flicker.
    RECT all{0, 0, w, h};
    FillRect(mem, &all, Brush()->Handle());
    IntersectClipRect(mem, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right, ps.rcPaint.bottom);
    TMessage inner = m;
    inner.WParam = reinterpret_cast<WPARAM>(mem);
    TCustomGridGx::WndProc(inner);
    if (dc) BitBlt(dc, 0, 0, w, h, mem, 0, 0, SRCCOPY);
  } catch (...) {
    EndPaint(Handle(), &ps);
    SelectObject(mem, old);
    DeleteDC(mem);
    DeleteObject(bmp);
    throw;
  }
  EndPaint(Handle(), &ps);
  SelectObject(mem, old);
  DeleteDC(mem);
  DeleteObject(bmp);
  m.Result = 0;
}

bool TCustomDBGridGx::GoToDriverCell(int line, const std::string& field, RECT& cell) {
  TDataSet* ds = DataSet();
  if (!ds || !ds->Active() || !HandleAllocated()) return false;
  int dataCol = -1;
  for (int i = 0; columns_ && i < columns_->Count(); ++i) {
    TColumnGx* c = ColumnAt(i);
    if (c && c->Visible() && SameText(c->FieldName(), field)) {
      dataCol = i;
      break;
    }
  }
  if (dataCol < 0) return false;
  // "The last line" while one is being added is that line, which the table does not count yet.
  if (line == -1) {
    if (ds->State() != dsInsert && !ds->IsEmpty()) ds->Last();
  } else {
    if (line < 1 || line > ds->RecordCount()) return false;
    if (ds->RecNo() != line) ds->SetRecNo(line);
  }
  if (CanFocus()) SetFocus();
  SetCol(DataToRawColumn(dataCol));
  if (Col() != DataToRawColumn(dataCol)) return false;
  const TRect r = CellRect(Col(), Row());
  cell = RECT{r.Left, r.Top, r.Right, r.Bottom};
  return true;
}

// A driver of the interface asks for a cell by line and field (platform/os/automation.h).
static UINT DBGridCellMessageNumber() {
  static const UINT number = RegisterWindowMessage(kFanoGridCellMessage);
  return number;
}

void TCustomDBGridGx::WndProc(TMessage& m) {
  if (m.Msg >= 0xC000 && m.Msg == DBGridCellMessageNumber()) {
    auto* request = reinterpret_cast<FanoGridCellRequest*>(m.LParam);
    m.Result = 0;
    if (request && request->size >= sizeof(FanoGridCellRequest) && request->field)
      m.Result = GoToDriverCell(request->line, request->field, request->cell) ? 1 : 0;
    return;
  }
  if (FilterRowMouseMessage(m) || MouseMessage(m) || WindowNotice(m)) return;
  switch (m.Msg) {
    case WM_CHAR: HandleCharMessage(m); return;
    case WM_TIMER:
      if (m.WParam == kDBGridSearchTimer) {
        StopInplaceSearch();
        return;
      }
      break;
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (m.LParam == 0 && HandleScrollMessage(m)) return;
      break;
    case WM_PAINT:
      if (m.WParam == 0 && !DBGridGxDisableDoubleBuffer && NeedsDoubleBuffer()) {
        PaintBuffered(m);
        return;
      }
      break;
    case WM_GETDLGCODE:
      TCustomGridGx::WndProc(m);
      if (optionsGx_.Contains(dghPreferIncSearch)) m.Result |= DLGC_WANTCHARS;
      return;
    case WM_COMMAND:
      if (m.WParamHi() == EN_CHANGE && InplaceEditor() && InplaceEditor()->HandleAllocated() &&
          reinterpret_cast<HWND>(m.LParam) == InplaceEditor()->WindowHandle()) {
        TCustomGridGx::WndProc(m);
        if (auto* ed = dynamic_cast<TDBGridInplaceEdit*>(InplaceEditor())) ed->UserTextChanged();
        return;
      }
      if (m.WParamHi() == EN_CHANGE && filterEditor_ && filterEditor_->HandleAllocated() &&
          reinterpret_cast<HWND>(m.LParam) == filterEditor_->WindowHandle()) {
        TCustomGridGx::WndProc(m);
        FilterEditTextChanged();
        return;
      }
      break;
    case CM_WANTSPECIALKEY:
      TCustomGridGx::WndProc(m);
      // Esc cancels the edit of the record rather than closing the form.
      if (m.WParam == VK_ESCAPE && DataSet() && DataSet()->Modified()) m.Result = 1;
      return;
    case CM_SYSCOLORCHANGE:
      TCustomGridGx::WndProc(m);
      ClearButtonsBitmapCache();
      return;
    case CM_HINTSHOWPAUSE: {
      TCustomGridGx::WndProc(m);
      auto* pause = reinterpret_cast<int*>(m.LParam);
      if (!pause || !HandleAllocated()) return;
      POINT p{};
      GetCursorPos(&p);
      const TPoint pt = ScreenToClient(TPoint(p.x, p.y));
      const TGridCoord cell = MouseCoord(pt.X, pt.Y);
      if (cell.X < IndicatorOffset() || cell.Y < 0) return;
      const TCellTypeGx type = GetCellType(cell.X, cell.Y);
      TColumnGx* c = ColumnAt(type.DataCol);
      if (!c) return;
      TColumnFooterGx* footer = type.Area == caFooter ? c->GetFooter(type.Index) : nullptr;
      if ((footer && footer->ToolTips()) || (type.Area == caData && dataLink_->Active() && c->ToolTips()) ||
          (type.Area == caTitle && c->Title()->ToolTips() && c->Title()->ImageIndex() < 0))
        *pause = 0;
      return;
    }
    case CM_HINTSHOW:
      TCustomGridGx::WndProc(m);
      if (m.Result == 0) {
        auto* info = reinterpret_cast<THintInfo*>(m.LParam);
        if (info && !CellToolTip(*info)) m.Result = 1;
      }
      return;
    default: break;
  }
  TCustomGridGx::WndProc(m);
}
