#include "editors/popups.h"

#include <algorithm>

#include "editors/gxdraw.h"
#include "platform/os/clock.h"
#include "platform/rtl/strings.h"

FANO_IMPLEMENT_COMPONENT(TSizeGripGx, TCustomControl)
FANO_IMPLEMENT_COMPONENT(TPopupMonthCalendarGx, TMonthCalendar)
FANO_IMPLEMENT_COMPONENT(TPopupListboxGx, TCustomListBox)
FANO_IMPLEMENT_COMPONENT(TMRUListboxGx, TPopupListboxGx)

namespace {

TRect WorkAreaNear(const TRect& r) {
  RECT rc = r;
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (GetMonitorInfo(MonitorFromRect(&rc, MONITOR_DEFAULTTONEAREST), &info)) return TRect(info.rcWork);
  RECT work{};
  SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0);
  return TRect(work);
}

TRect WorkArea() {
  RECT work{};
  SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0);
  return TRect(work);
}

// The drop-down style: a top-level pop-up that never takes the activation. It belongs to no
// window: an owner would be the top-level window of the editor, which in a form shown inside a
// host's window is the host's and never hands the item drawing notices of an owner-drawn list
// back; unowned, the pop-up gets its notices itself.
void PopupParams(TCreateParams& params, bool ctl3D) {
  params.Style = (params.Style & ~(WS_CHILD | WS_BORDER)) | WS_POPUP | WS_CLIPCHILDREN;
  if (!ctl3D) params.Style |= WS_BORDER;
  params.ExStyle = (params.ExStyle & ~WS_EX_CLIENTEDGE) | WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
  params.WindowClass.style |= CS_SAVEBITS;
  params.WndParent = nullptr;
}

// A raised border of `width` pixels drawn in the non-client area.
void PaintRaisedBorder(HWND wnd, int width) {
  if (width <= 0) return;
  HDC dc = GetWindowDC(wnd);
  RECT wr;
  GetWindowRect(wnd, &wr);
  RECT r{0, 0, wr.right - wr.left, wr.bottom - wr.top};
  DrawEdge(dc, &r, BDR_RAISEDOUTER | BDR_RAISEDINNER, BF_RECT);
  ReleaseDC(wnd, dc);
}

void ShrinkClient(TMessage& m, int width) {
  if (width <= 0) return;
  auto* r = reinterpret_cast<RECT*>(m.LParam);
  if (m.WParam) r = &reinterpret_cast<NCCALCSIZE_PARAMS*>(m.LParam)->rgrc[0];
  InflateRect(r, -width, -width);
}

}  // namespace

TPoint AlignDropDownWindowRect(const TRect& r, TWinControl* dropDown, TDropDownAlign align) {
  // Some drop-downs take their final size only with their window (a lookup list counts its border
  // then): placed by the size before, one opening above would overlap its owner.
  dropDown->HandleNeeded();
  TRect a = WorkAreaNear(r);
  int w = dropDown->Width();
  int h = dropDown->Height();
  bool fitsBelow = r.Bottom + h <= a.Bottom;
  bool fitsAbove = r.Top - h >= a.Top;
  bool above = (!fitsBelow && fitsAbove) || (!fitsBelow && !fitsAbove && r.Top - a.Top > a.Bottom - r.Bottom);
  TPoint p;
  if (above) {
    if (!fitsAbove) h = r.Top - a.Top;
    p.Y = r.Top - h;
    dropDown->Perform(WM_SIZEGRIPCHANGEPOSITION, gmToTop, 0);
  } else {
    if (!fitsBelow) h = a.Bottom - r.Bottom;
    p.Y = r.Bottom;
    dropDown->Perform(WM_SIZEGRIPCHANGEPOSITION, gmToBottom, 0);
  }
  p.X = r.Left;
  if (align == daRight) p.X = r.Left - (w - r.Width());
  else if (align == daCenter) p.X = r.Left - (w - r.Width()) / 2;
  if (w > a.Width()) w = a.Width();
  if (p.X + w > a.Right) {
    p.X = a.Right - w;
    dropDown->Perform(WM_SIZEGRIPCHANGEPOSITION, gmToLeft, 0);
  } else if (p.X < a.Left) {
    p.X = a.Left;
    dropDown->Perform(WM_SIZEGRIPCHANGEPOSITION, gmToRight, 0);
  } else {
    dropDown->Perform(WM_SIZEGRIPCHANGEPOSITION, align == daRight ? gmToLeft : gmToRight, 0);
  }
  if (w != dropDown->Width() || h != dropDown->Height()) {
    dropDown->SetBounds(dropDown->Left(), dropDown->Top(), w, h);
    // A list keeps whole rows: stay against the owner with the height it took.
    if (above) p.Y = r.Top - dropDown->Height();
  }
  return p;
}

TPoint AlignDropDownWindow(TControl* owner, TWinControl* dropDown, TDropDownAlign align) {
  TRect r = owner->BoundsRect();
  if (owner->Parent()) {
    TPoint tl = owner->Parent()->ClientToScreen(r.TopLeft());
    r = Bounds(tl.X, tl.Y, r.Width(), r.Height());
  }
  return AlignDropDownWindowRect(r, dropDown, align);
}

void ShowDropDown(TWinControl* dropDown, const TPoint& at) {
  dropDown->SetBounds(at.X, at.Y, dropDown->Width(), dropDown->Height());
  // A window without a parent control shows (with its children) when told so itself.
  dropDown->SetVisible(true);
  dropDown->UpdateShowing();
  SetWindowPos(dropDown->Handle(), HWND_TOPMOST, at.X, at.Y, dropDown->Width(), dropDown->Height(),
               SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void HideDropDown(TWinControl* dropDown) {
  dropDown->SetVisible(false);
  dropDown->UpdateShowing();
  if (dropDown->HandleAllocated())
    SetWindowPos(dropDown->WindowHandle(), nullptr, 0, 0, 0, 0,
                 SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_HIDEWINDOW);
}

bool DropDownShowing(TWinControl* dropDown) {
  return dropDown->HandleAllocated() && IsWindowVisible(dropDown->WindowHandle());
}

IPopupControlOwnerGx* PopupOwnerOf(TComponent* popup) { return dynamic_cast<IPopupControlOwnerGx*>(popup->Owner()); }

// ---- TSizeGripGx -------------------------------------------------------------------------------

TSizeGripGx::TSizeGripGx(TComponent* owner) : TCustomControl(owner) {
  SetControlStyle(ControlStyle() + csCaptureMouse);
  SetBounds(0, 0, GetSystemMetrics(SM_CXVSCROLL), GetSystemMetrics(SM_CYVSCROLL));
  SetColor(clBtnFace);
  SetCursor(crSizeNWSE);
}

void TSizeGripGx::CreateParams(TCreateParams& params) {
  TCustomControl::CreateParams(params);
  params.Style |= WS_CLIPSIBLINGS;
}

void TSizeGripGx::CreateWnd() {
  TCustomControl::CreateWnd();
  UpdateShape();
  UpdatePosition();
}

void TSizeGripGx::SetPosition(TSizeGripPositionGx value) {
  if (position_ == value) return;
  position_ = value;
  if (HandleAllocated()) RecreateWnd();
  SetCursor(position_ == gpTopLeft || position_ == gpBottomRight ? crSizeNWSE : crSizeNESW);
  UpdatePosition();
}

void TSizeGripGx::SetPosition(TSizeGripMoveGx move) {
  TSizeGripPositionGx p = position_;
  switch (move) {
    case gmToLeft:
      if (p == gpTopRight) p = gpTopLeft;
      else if (p == gpBottomRight) p = gpBottomLeft;
      break;
    case gmToRight:
      if (p == gpTopLeft) p = gpTopRight;
      else if (p == gpBottomLeft) p = gpBottomRight;
      break;
    case gmToTop:
      if (p == gpBottomRight) p = gpTopRight;
      else if (p == gpBottomLeft) p = gpTopLeft;
      break;
    case gmToBottom:
      if (p == gpTopRight) p = gpBottomRight;
      else if (p == gpTopLeft) p = gpBottomLeft;
      break;
  }
  SetPosition(p);
}

void TSizeGripGx::SetGripStyle(bool triangle) {
  if (triangleWindow_ == triangle) return;
  triangleWindow_ = triangle;
  UpdateShape();
  Invalidate();
}

void TSizeGripGx::UpdateShape() {
  if (!HandleAllocated()) return;
  if (!triangleWindow_) {
    SetWindowRgn(WindowHandle(), nullptr, TRUE);
    return;
  }
  int w = Width(), h = Height();
  std::vector<POINT> pts;
  switch (position_) {
    case gpTopLeft: pts = {{w - 1, 0}, {0, 0}, {0, h - 1}}; break;
    case gpTopRight: pts = {{w, h - 1}, {w, 0}, {1, 0}}; break;
    case gpBottomRight: pts = {{0, h}, {w, h}, {w, 0}}; break;
    case gpBottomLeft: pts = {{w, h}, {0, h}, {0, 0}}; break;
  }
  SetWindowRgn(WindowHandle(), CreatePolygonRgn(pts.data(), 3, WINDING), TRUE);
}

void TSizeGripGx::UpdatePosition() {
  if (!Parent()) return;
  int cw = Parent()->ClientWidth(), ch = Parent()->ClientHeight();
  int w = Width(), h = Height();
  TPoint p;
  switch (position_) {
    case gpTopLeft: p = TPoint(0, 0); break;
    case gpTopRight: p = TPoint(cw - w, 0); break;
    case gpBottomRight: p = TPoint(cw - w, ch - h); break;
    case gpBottomLeft: p = TPoint(0, ch - h); break;
  }
  internalMove_ = true;
  SetBounds(p.X, p.Y, w, h);
  internalMove_ = false;
}

void TSizeGripGx::SetVisible(bool value) { TControl::SetVisible(value); }

void TSizeGripGx::Dispatch(TMessage& m) {
  TCustomControl::Dispatch(m);
  if (m.Msg == WM_MOVE && !internalMove_) UpdatePosition();
}

void TSizeGripGx::Paint() {
  TCanvas* c = Canvas();
  c->Brush()->SetColor(clBtnFace);
  c->FillRect(ClientRect());
  int w = Width(), h = Height();
  static const TColor colors[4] = {clBtnHighlight, clBtnShadow, clBtnShadow, clBtnFace};
  for (int k = 1; k < std::max(w, h); ++k) {
    c->Pen()->SetColor(colors[(k - 1) % 4]);
    switch (position_) {
      case gpBottomRight: c->MoveTo(w - k, h); c->LineTo(w, h - k); break;
      case gpBottomLeft: c->MoveTo(k - 1, h); c->LineTo(-1, h - k); break;
      case gpTopRight: c->MoveTo(w - k, -1); c->LineTo(w, k - 1); break;
      case gpTopLeft: c->MoveTo(k - 1, -1); c->LineTo(-1, k - 1); break;
    }
  }
}

void TSizeGripGx::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseDown(button, shift, x, y);
  if (button != mbLeft || !Parent()) return;
  pressPos_ = ClientToScreen(TPoint(x, y));
  lastPos_ = pressPos_;
  pressWidth_ = Parent()->Width();
  pressHeight_ = Parent()->Height();
  pressClientWidth_ = Parent()->ClientWidth();
  pressClientHeight_ = Parent()->ClientHeight();
}

void TSizeGripGx::MouseMove(TShiftState shift, int x, int y) {
  TCustomControl::MouseMove(shift, x, y);
  if (!shift.Contains(ssLeft) || !MouseCapture() || internalMove_ || !Parent()) return;
  TPoint p = ClientToScreen(TPoint(x, y));
  if (p == lastPos_) return;
  lastPos_ = p;
  TWinControl* par = Parent();
  TRect a = WorkArea();
  int oldCW = par->ClientWidth(), oldCH = par->ClientHeight();
  int minW = GetSystemMetrics(SM_CXVSCROLL), minH = GetSystemMetrics(SM_CYVSCROLL);
  bool left = position_ == gpTopLeft || position_ == gpBottomLeft;
  bool top = position_ == gpTopLeft || position_ == gpTopRight;
  if (left) {
    int right = par->Left() + par->Width();
    int nw = std::clamp(pressWidth_ + pressPos_.X - p.X, minW, std::max(minW, right - a.Left));
    par->SetBounds(right - nw, par->Top(), nw, par->Height());
  } else {
    int frame = par->Width() - par->ClientWidth();
    int ncw = std::max(minW - frame, pressClientWidth_ + p.X - pressPos_.X);
    ncw = std::min(ncw, a.Right - par->Left() - frame);
    par->SetClientWidth(ncw);
  }
  if (top) {
    int bottom = par->Top() + par->Height();
    int nh = std::clamp(pressHeight_ + pressPos_.Y - p.Y, minH, std::max(minH, bottom - a.Top));
    par->SetBounds(par->Left(), bottom - nh, par->Width(), nh);
    if (par->Top() + par->Height() != bottom) par->SetBounds(par->Left(), bottom - par->Height(), par->Width(), par->Height());
  } else {
    int frame = par->Height() - par->ClientHeight();
    int nch = std::max(minH - frame, pressClientHeight_ + p.Y - pressPos_.Y);
    nch = std::min(nch, a.Bottom - par->Top() - frame);
    par->SetClientHeight(nch);
  }
  if ((par->ClientWidth() != oldCW || par->ClientHeight() != oldCH) && OnParentResized) OnParentResized(this);
  UpdatePosition();
}

// ---- TPopupMonthCalendarGx -----------------------------------------------------------------------

TPopupMonthCalendarGx::TPopupMonthCalendarGx(TComponent* owner) : TMonthCalendar(owner) {
  SetParentCtl3D(false);
  SetCtl3D(true);
}

TSize TPopupMonthCalendarGx::PopupSize() {
  TRect r = MinReqRect();
  return TSize{r.Width() + 2 * BorderWidth(), r.Height() + 2 * BorderWidth()};
}

void TPopupMonthCalendarGx::CreateParams(TCreateParams& params) {
  TMonthCalendar::CreateParams(params);
  PopupParams(params, Ctl3D());
  params.ExStyle &= ~WS_EX_TOPMOST;
}

void TPopupMonthCalendarGx::CreateWnd() {
  TMonthCalendar::CreateWnd();
  TSize s = PopupSize();
  SetBounds(Left(), Top(), s.cx, s.cy);
}

void TPopupMonthCalendarGx::KeyDown(uint16_t& key, TShiftState shift) {
  if (key == VK_RETURN || key == VK_ESCAPE) {
    if (auto* owner = PopupOwnerOf(this)) owner->CloseUp(key == VK_RETURN);
    key = 0;
    return;
  }
  TMonthCalendar::KeyDown(key, shift);
}

void TPopupMonthCalendarGx::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case WM_NCCALCSIZE:
      TMonthCalendar::Dispatch(m);
      ShrinkClient(m, BorderWidth());
      return;
    case WM_NCPAINT:
      TMonthCalendar::Dispatch(m);
      PaintRaisedBorder(WindowHandle(), BorderWidth());
      return;
    case WM_GETDLGCODE:
      TMonthCalendar::Dispatch(m);
      m.Result |= DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTCHARS;
      return;
    case CM_WANTSPECIALKEY:
      if (m.WParam == VK_RETURN || m.WParam == VK_ESCAPE) {
        uint16_t key = static_cast<uint16_t>(m.WParam);
        KeyDown(key, TShiftState{});
        m.Result = 1;
        return;
      }
      break;
    case WM_LBUTTONDOWN: {
      TPoint p(GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
      if (!ClientRect().Contains(p)) {
        if (auto* owner = PopupOwnerOf(this)) owner->CloseUp(false);
        return;
      }
      break;
    }
    case WM_LBUTTONUP: {
      TMonthCalendar::Dispatch(m);
      TPoint p(GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
      if (!ClientRect().Contains(p)) return;
      // A date of this month or a trailing one of the months beside it; not the day names, the
      // week numbers or the title.
      UINT hit = HitTest(p) & ~static_cast<UINT>(MCHT_NEXT | MCHT_PREV);
      if (hit == MCHT_CALENDARDATE)
        if (auto* owner = PopupOwnerOf(this)) owner->CloseUp(true);
      return;
    }
    case WM_KILLFOCUS: {
      TMonthCalendar::Dispatch(m);
      HWND to = reinterpret_cast<HWND>(m.WParam);
      if (!to || (to != WindowHandle() && !IsChild(WindowHandle(), to))) PostMessage(WindowHandle(), WM_POPUPCLOSEUP, 0, 0);
      return;
    }
    case WM_POPUPCLOSEUP:
      if (auto* owner = PopupOwnerOf(this)) owner->CloseUp(false);
      return;
  }
  TMonthCalendar::Dispatch(m);
}

// The wheel comes from the editor it drops down for, or as a notice from a grid cell; whole
// notches only, so that a fine wheel's smaller turns add up to one day.
bool TPopupMonthCalendarGx::DoMouseWheelDown(TShiftState, const TPoint&) {
  SetDate(Date() + 1);
  return true;
}

bool TPopupMonthCalendarGx::DoMouseWheelUp(TShiftState, const TPoint&) {
  SetDate(Date() - 1);
  return true;
}

// ---- TPopupListboxGx -----------------------------------------------------------------------------

TPopupListboxGx::TPopupListboxGx(TComponent* owner) : TCustomListBox(owner) {
  SetStyle(lbOwnerDrawFixed);
  SetTabStop(false);
  SetParentCtl3D(false);
  SetCtl3D(true);
  SetIntegralHeight(false);
  sizeGrip_ = new TSizeGripGx(this);
  sizeGrip_->SetParent(this);
  sizeGrip_->OnParentResized = [this](TObject*) {
    sizeGripResized_ = true;
    if (OnSizeGripResized) OnSizeGripResized(this);
  };
  OnData = [this](TWinControl*, int index, std::string& data) { data = GetItemText(index); };
}

TPopupListboxGx::~TPopupListboxGx() = default;

void TPopupListboxGx::SetImages(TCustomImageList* value) {
  if (images_ == value) return;
  if (images_) images_->RemoveFreeNotification(this);
  images_ = value;
  if (images_) images_->FreeNotification(this);
  Invalidate();
}

void TPopupListboxGx::Notification(TComponent* component, TOperation operation) {
  TCustomListBox::Notification(component, operation);
  if (operation == opRemove && component == images_) images_ = nullptr;
}

void TPopupListboxGx::SetItemsSource(TStrings* value) {
  itemsSource_ = value;
  SetStyle(value ? lbVirtualOwnerDraw : lbOwnerDrawFixed);
  if (value && HandleAllocated()) SetCount(value->Count());
  Invalidate();
}

std::string TPopupListboxGx::GetItemText(int index) {
  if (itemsSource_ && index >= 0 && index < itemsSource_->Count()) return itemsSource_->Strings(index);
  return "";
}

int TPopupListboxGx::GetTextHeight() {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, Font()->Handle());
  TEXTMETRICA tm{};
  GetTextMetricsA(dc, &tm);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return tm.tmHeight;
}

int TPopupListboxGx::EffectiveItemHeight() {
  int h = ItemHeight();
  return h > 0 ? h : std::max(1, GetTextHeight());
}

int TPopupListboxGx::BorderHeight() {
  TCreateParams params;
  CreateParams(params);
  RECT r{0, 0, 0, 0};
  AdjustWindowRectEx(&r, params.Style & ~(WS_VSCROLL | WS_HSCROLL), FALSE, params.ExStyle);
  return (r.bottom - r.top) + 2 * BorderWidth();
}

void TPopupListboxGx::SetRowCount(int rows) { SetHeight(EffectiveItemHeight() * std::max(rows, 1) + BorderHeight()); }

void TPopupListboxGx::SetBounds(int left, int top, int width, int height) {
  int ih = EffectiveItemHeight();
  int bh = BorderHeight();
  int rows = std::max(1, (height - bh) / ih);
  rowCount_ = rows;
  TCustomListBox::SetBounds(left, top, std::max(width, GetSystemMetrics(SM_CXVSCROLL)), bh + rows * ih);
}

void TPopupListboxGx::CreateParams(TCreateParams& params) {
  TCustomListBox::CreateParams(params);
  PopupParams(params, Ctl3D());
  params.Style |= LBS_NOINTEGRALHEIGHT;
}

void TPopupListboxGx::CreateWnd() {
  TCustomListBox::CreateWnd();
  ::SetParent(WindowHandle(), nullptr);
  if (itemsSource_) SetCount(itemsSource_->Count());
  // Drawn as focused without taking the focus.
  CallWindowProc(DefWndProc(), WindowHandle(), WM_SETFOCUS, 0, 0);
}

void TPopupListboxGx::KeyPress(TKeyChar& key) {
  if (key == VK_BACK || key == VK_ESCAPE) {
    searchText_.clear();
    TCustomListBox::KeyPress(key);
    return;
  }
  if (key >= 32 && (key < 0xD800 || key > 0xDFFF)) {
    uint32_t now = GetTickCount();
    if (now - lastKeyTime_ > 2000) searchText_.clear();
    lastKeyTime_ = now;
    if (Utf8CharCount(searchText_) < 32) Utf8Append(searchText_, key);
    if (HandleAllocated()) SendMessage(WindowHandle(), LB_SELECTSTRING, 0xFFFF, reinterpret_cast<LPARAM>(searchText_.c_str()));
    key = 0;
    return;
  }
  TCustomListBox::KeyPress(key);
}

void TPopupListboxGx::DefaultHandler(TMessage& m) {
  switch (m.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      // The list box's own press would focus it, and so activate the drop-down.
      int index = ItemAtPos(TPoint(m.XPos(), m.YPos()), true);
      if (index >= 0 && index != ItemIndex()) SetItemIndex(index);
      if (HandleAllocated()) SetCapture(WindowHandle());
      m.Result = 0;
      return;
    }
    case WM_LBUTTONUP:
      TCustomListBox::DefaultHandler(m);
      if (HandleAllocated() && GetCapture() == WindowHandle()) ReleaseCapture();
      return;
    default: break;
  }
  TCustomListBox::DefaultHandler(m);
}

void TPopupListboxGx::MouseMove(TShiftState shift, int x, int y) {
  TCustomListBox::MouseMove(shift, x, y);
  if (shift.Contains(ssLeft) && HandleAllocated() && GetCapture() == WindowHandle()) {
    // Dragging with the button held follows the item under the pointer.
    int index = ItemAtPos(TPoint(x, y), true);
    if (index >= 0 && index != ItemIndex()) SetItemIndex(index);
    return;
  }
  if (shift.Contains(ssLeft) || shift.Contains(ssRight) || shift.Contains(ssMiddle)) return;
  TPoint p(x, y);
  if (p == lastMousePos_) return;
  lastMousePos_ = p;
  int index = ItemAtPos(p, true);
  if (index >= 0 && index != ItemIndex()) SetItemIndex(index);
}

bool TPopupListboxGx::DoMouseWheelDown(TShiftState, const TPoint&) {
  if (ItemIndex() < Count() - 1) SetItemIndex(ItemIndex() + 1);
  return true;
}

bool TPopupListboxGx::DoMouseWheelUp(TShiftState, const TPoint&) {
  if (ItemIndex() > 0) SetItemIndex(ItemIndex() - 1);
  return true;
}

void TPopupListboxGx::DrawItem(int index, const TRect& rect, TOwnerDrawState state) {
  TCanvas* c = Canvas();
  bool selected = state.Contains(odSelected);
  std::string text = IsVirtual() ? GetItemText(index) : Items()->Strings(index);
  if (!images_) {
    if (OnDrawItem) {
      OnDrawItem(this, index, rect, state);
      return;
    }
    c->FillRect(rect);
    c->TextRect(rect, rect.Left + 2, rect.Top, text);
    return;
  }
  int areaWidth = images_->Width() + 4;
  TRect imageRect(rect.Left, rect.Top, rect.Left + areaWidth, rect.Bottom);
  c->Brush()->SetColor(Color());
  c->FillRect(imageRect);
  int imageIndex = index;
  if (OnGetImageIndex) OnGetImageIndex(this, index, imageIndex);
  if (imageIndex >= 0) DrawImageInRect(c->Handle(), imageRect, images_, imageIndex, selected);
  TRect textRect(rect.Left + areaWidth, rect.Top, rect.Right, rect.Bottom);
  c->Brush()->SetColor(selected ? clHighlight : Color());
  c->Font()->SetColor(selected ? clHighlightText : Font()->Color());
  c->TextRect(textRect, rect.Left + images_->Width() + 5, rect.Top, text);
  if (state.Contains(odFocused)) {
    // The list inverts a focus rectangle round the whole row after this: drawn here first, that
    // one cancels out and only the text's shows.
    c->DrawFocusRect(rect);
    c->DrawFocusRect(textRect);
  }
}

void TPopupListboxGx::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case WM_NCCALCSIZE:
      TCustomListBox::Dispatch(m);
      ShrinkClient(m, BorderWidth());
      return;
    case WM_NCPAINT:
      TCustomListBox::Dispatch(m);
      PaintRaisedBorder(WindowHandle(), BorderWidth());
      return;
    case WM_SIZEGRIPCHANGEPOSITION:
      sizeGrip_->SetPosition(static_cast<TSizeGripMoveGx>(m.WParam));
      return;
    case WM_MOUSEACTIVATE:
      // Its editor keeps the activation and the focus (its grip's presses come here too).
      m.Result = MA_NOACTIVATE;
      return;
    case WM_SIZE:
      TCustomListBox::Dispatch(m);
      sizeGrip_->UpdatePosition();
      return;
    case WM_GETMINMAXINFO: {
      TCustomListBox::Dispatch(m);
      auto* info = reinterpret_cast<MINMAXINFO*>(m.LParam);
      info->ptMinTrackSize.x = GetSystemMetrics(SM_CXVSCROLL);
      info->ptMinTrackSize.y = GetSystemMetrics(SM_CYVSCROLL);
      return;
    }
  }
  TCustomListBox::Dispatch(m);
}

// ---- TMRUListboxGx -------------------------------------------------------------------------------

TMRUListboxGx::TMRUListboxGx(TComponent* owner) : TPopupListboxGx(owner) {
  scrollBar_ = new TScrollBar(this);
  scrollBar_->SetKind(sbVertical);
  scrollBar_->SetTabStop(false);
  scrollBar_->SetVisible(false);
  scrollBar_->SetParent(this);
  scrollBar_->SetWidth(GetSystemMetrics(SM_CXVSCROLL));
}

void TMRUListboxGx::CreateParams(TCreateParams& params) {
  TPopupListboxGx::CreateParams(params);
  params.Style &= ~(WS_VSCROLL | WS_HSCROLL);
}

void TMRUListboxGx::UpdateScrollBar() {
  if (inScrollBarMove_) return;
  int ih = EffectiveItemHeight();
  int rows = std::max(1, ClientHeight() / ih);
  int count = Count();
  bool show = count > rows;
  TSizeGripGx* grip = SizeGrip();
  bool gripRight = grip->Position() == gpTopRight || grip->Position() == gpBottomRight;
  if (show) {
    int w = GetSystemMetrics(SM_CXVSCROLL);
    int top = 0, bottom = ClientHeight();
    if (gripRight && grip->Position() == gpTopRight) top = grip->Height();
    if (gripRight && grip->Position() == gpBottomRight) bottom -= grip->Height();
    scrollBar_->SetBounds(ClientWidth() - w, top, w, std::max(0, bottom - top));
    scrollBar_->SetParams(std::min(TopIndex(), count - 1), 0, count - 1);
    scrollBar_->SetPageSize(rows);
  }
  scrollBar_->SetVisible(show);
  grip->SetGripStyle(!(show && gripRight));
}

void TMRUListboxGx::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case WM_VSCROLL:
      if (scrollBar_->HandleAllocated() && reinterpret_cast<HWND>(m.LParam) == scrollBar_->WindowHandle()) {
        inScrollBarMove_ = true;
        m.Result = CallWindowProc(DefWndProc(), WindowHandle(), WM_VSCROLL, m.WParam, 0);
        inScrollBarMove_ = false;
        UpdateScrollBar();
        return;
      }
      break;
    case WM_SIZE:
    case WM_MOUSEWHEEL:
    case WM_SIZEGRIPCHANGEPOSITION:
    case WM_KEYDOWN:
    case CM_CHANGED:
    case LB_ADDSTRING:
    case LB_INSERTSTRING:
    case LB_DELETESTRING:
    case LB_RESETCONTENT:
    case LB_SETTOPINDEX:
    case LB_SETCURSEL:
      TPopupListboxGx::Dispatch(m);
      UpdateScrollBar();
      return;
  }
  TPopupListboxGx::Dispatch(m);
}
