// The base in-place editor: placement over the cell, and the keys it hands back to the grid.
#include "grid/inplaceedit.h"

#include "editors/gxwindows.h"
#include "grid/gridbase.h"

FANO_IMPLEMENT_COMPONENT(TInplaceEdit, TCustomMaskEdit)

TInplaceEdit::TInplaceEdit(TComponent* owner) : TCustomMaskEdit(owner) {
  SetParentCtl3D(false);
  SetCtl3D(false);
  SetTabStop(false);
  SetBorderStyle(bsNone);
  SetDoubleBuffered(false);
}

// Multi-line, so that the text rectangle can be set inside the cell.
void TInplaceEdit::CreateParams(TCreateParams& params) {
  TCustomMaskEdit::CreateParams(params);
  params.Style |= ES_MULTILINE;
}

void TInplaceEdit::Move(const TRect& loc) { InternalMove(loc, true); }

void TInplaceEdit::UpdateLoc(const TRect& loc) { InternalMove(loc, false); }

void TInplaceEdit::InternalMove(const TRect& loc, bool redraw) {
  if (loc.IsEmpty()) {
    Hide();
    return;
  }
  HWND wnd = Handle();
  redraw = redraw || !IsWindowVisible(wnd);
  Invalidate();
  SetWindowPos(wnd, HWND_TOP, loc.Left, loc.Top, loc.Width(), loc.Height(), SWP_SHOWWINDOW | SWP_NOREDRAW);
  BoundsChanged();
  if (redraw) Invalidate();
  if (grid_ && grid_->Focused()) ::SetFocus(wnd);
}

void TInplaceEdit::Hide() {
  if (!HandleAllocated() || !IsWindowVisible(WindowHandle())) return;
  Invalidate();
  const bool hadFocus = Focused();
  SetWindowPos(WindowHandle(), nullptr, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOZORDER | SWP_NOREDRAW);
  if (hadFocus && grid_ && grid_->HandleAllocated()) ::SetFocus(grid_->WindowHandle());
}

bool TInplaceEdit::GetVisible() const { return HandleAllocated() && IsWindowVisible(WindowHandle()); }

void TInplaceEdit::SetFocus() {
  if (GetVisible()) ::SetFocus(WindowHandle());
}

void TInplaceEdit::Invalidate() {
  if (!HandleAllocated()) return;
  HWND wnd = WindowHandle();
  WindowsValidateRect(wnd, nullptr);
  WindowsInvalidateRect(wnd, nullptr, true);
  if (!grid_ || !grid_->HandleAllocated()) return;
  RECT client{};
  GetClientRect(wnd, &client);
  MapWindowPoints(wnd, grid_->WindowHandle(), reinterpret_cast<POINT*>(&client), 2);
  TRect cell(client);
  WindowsValidateRect(grid_->WindowHandle(), &cell);
  WindowsInvalidateRect(grid_->WindowHandle(), &cell, false);
}

void TInplaceEdit::Deselect() {
  if (HandleAllocated()) SendMessage(WindowHandle(), EM_SETSEL, 0x7FFFFFFF, static_cast<LPARAM>(-1));
}

void TInplaceEdit::BoundsChanged() {
  if (!HandleAllocated()) return;
  TRect r(2, 2, Width() - 2, Height());
  RECT rc = {r.Left, r.Top, r.Right, r.Bottom};
  SendStructMessage(WindowHandle(), EM_SETRECTNP, 0, &rc);
  SendMessage(WindowHandle(), EM_SCROLLCARET, 0, 0);
}

// The mask goes in while the text is empty, so that the old text is not laid into the new mask.
void TInplaceEdit::UpdateContents() {
  if (!grid_) return;
  SetText("");
  SetEditMask(grid_->GetEditMask(grid_->Col(), grid_->Row()));
  SetText(grid_->GetEditText(grid_->Col(), grid_->Row()));
  editLimit_ = grid_->GetEditLimit();
  SetMaxLength(editLimit_ < 0 ? 0 : editLimit_);
}

bool TInplaceEdit::EditCanModify() { return grid_ ? grid_->CanEditModify() : true; }

void TInplaceEdit::KeyDown(uint16_t& key, TShiftState shift) {
  if (!grid_) {
    TCustomMaskEdit::KeyDown(key, shift);
    return;
  }
  auto sendToGrid = [&] {
    grid_->KeyDown(key, shift);
    key = 0;
  };
  auto gridEvent = [&] {
    if (grid_->OnKeyDown) grid_->OnKeyDown(grid_, key, shift);
  };
  const bool forward = grid_->Options().Contains(goAlwaysShowEditor);
  const bool ctrl = shift.Contains(ssCtrl);
  auto selection = [&](int& start, int& stop, int& atCaret, int& length) {
    SendGetSelMessage(WindowHandle(), &start, &stop);
    POINT caret{};
    GetCaretPos(&caret);
    atCaret = LOWORD(SendMessage(WindowHandle(), EM_CHARFROMPOS, 0, MAKELPARAM(caret.x, caret.y)));
    length = GetWindowTextLength(WindowHandle());
  };
  auto leftSide = [&] {
    int start, stop, atCaret, length;
    selection(start, stop, atCaret, length);
    return atCaret == 0 && start == 0 && (stop == 0 || stop == length);
  };
  auto rightSide = [&] {
    int start, stop, atCaret, length;
    selection(start, stop, atCaret, length);
    return atCaret == length && (start == 0 || start == stop) && stop == length;
  };
  switch (key) {
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_ESCAPE: sendToGrid(); break;
    case VK_INSERT:
      if (shift.Empty())
        sendToGrid();
      else if (shift == TShiftState{ssShift} && !grid_->CanEditModify())
        key = 0;
      break;
    case VK_LEFT:
    case VK_HOME:
      if (forward && (ctrl || leftSide())) sendToGrid();
      break;
    case VK_RIGHT:
    case VK_END:
      if (forward && (ctrl || rightSide())) sendToGrid();
      break;
    case VK_TAB:
      if (!shift.Contains(ssAlt)) sendToGrid();
      break;
    case VK_RETURN:
      if (!ctrl && !shift.Contains(ssAlt) && grid_->EnterMovesLikeTab()) sendToGrid();
      break;
    case VK_DELETE:
      if (ctrl)
        sendToGrid();
      else if (!grid_->CanEditModify())
        key = 0;
      break;
    case VK_F2:
      gridEvent();
      if (key == VK_F2) {
        Deselect();
        return;
      }
      break;
    default: break;
  }
  if (key != 0) {
    gridEvent();
    TCustomMaskEdit::KeyDown(key, shift);
  }
}

void TInplaceEdit::KeyPress(TKeyChar& key) {
  if (!grid_) {
    TCustomMaskEdit::KeyPress(key);
    return;
  }
  grid_->KeyPress(key);
  if (key >= 32 && !grid_->CanEditAcceptKey(key)) {
    key = 0;
    MessageBeep(0);
  }
  switch (key) {
    case 9:
    case 27: key = 0; break;
    case 13: {
      int start = 0, stop = 0;
      SendGetSelMessage(WindowHandle(), &start, &stop);
      if (start == 0 && stop == GetWindowTextLength(WindowHandle()))
        Deselect();
      else
        SelectAll();
      key = 0;
      break;
    }
    case 8:
    case 22:
    case 24:
      if (!grid_->CanEditModify()) key = 0;
      break;
    default:
      // Every printable character changes the text, Chinese ones as much as Latin ones.
      if (key >= 32 && !grid_->CanEditModify()) key = 0;
      break;
  }
  if (key != 0) TCustomMaskEdit::KeyPress(key);
}

void TInplaceEdit::KeyUp(uint16_t& key, TShiftState shift) {
  if (grid_) grid_->KeyUp(key, shift);
}

void TInplaceEdit::DblClick() {
  if (grid_) grid_->DblClick();
}

bool TInplaceEdit::DoMouseWheel(TShiftState shift, int wheelDelta, const TPoint& mousePos) {
  return grid_ ? grid_->DoMouseWheel(shift, wheelDelta, mousePos) : false;
}

void TInplaceEdit::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_SETFOCUS: {
      TCustomForm* form = ::GetParentForm(this);
      if (form && grid_ && !form->SetFocusedControl(grid_)) return;
      Dispatch(m);
      return;
    }
    case WM_LBUTTONDOWN:
      if (static_cast<uint32_t>(GetMessageTime()) - clickTime_ < GetDoubleClickTime()) m.Msg = WM_LBUTTONDBLCLK;
      clickTime_ = 0;
      break;
    default: break;
  }
  TCustomMaskEdit::WndProc(m);
}

void TInplaceEdit::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case CM_SHOWINGCHANGED: return;  // shown and hidden only through Move, UpdateLoc and Hide
    case WM_GETDLGCODE:
      TCustomMaskEdit::Dispatch(m);
      if (grid_ && grid_->Options().Contains(goTabs)) m.Result |= DLGC_WANTTAB;
      return;
    case WM_PASTE:
    case WM_CUT:
    case WM_CLEAR:
      if (EditCanModify()) TCustomMaskEdit::Dispatch(m);
      return;
    default: break;
  }
  TCustomMaskEdit::Dispatch(m);
}
