// The scroll bar over the window system's scroll-bar control, and the windowless label.
#include <algorithm>

#include "platform/forms/menus.h"
#include "platform/forms/stdctrls.h"

FANO_IMPLEMENT_COMPONENT(TScrollBar, TWinControl)
FANO_IMPLEMENT_COMPONENT(TCustomLabel, TGraphicControl)
FANO_IMPLEMENT_COMPONENT(TLabel, TCustomLabel)

// ---- TScrollBar -----------------------------------------------------------------------------------

TScrollBar::TScrollBar(TComponent* owner) : TWinControl(owner) {
  SetControlStyle(TControlStyle{csFramed, csDoubleClicks, csOpaque});
  SetBounds(Left(), Top(), 121, GetSystemMetrics(SM_CYHSCROLL));
  SetTabStop(true);
}

void TScrollBar::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  CreateSubClass(params, WC_SCROLLBAR);
  params.Style |= kind_ == sbHorizontal ? SBS_HORZ : SBS_VERT;
}

void TScrollBar::CreateWnd() {
  TWinControl::CreateWnd();
  HWND h = WindowHandle();
  SCROLLINFO si{sizeof(SCROLLINFO), SIF_RANGE | SIF_PAGE | SIF_POS, min_, max_, static_cast<UINT>(pageSize_), position_, 0};
  SetScrollInfo(h, SB_CTL, &si, TRUE);
}

void TScrollBar::SetKind(TScrollBarKind v) {
  if (kind_ == v) return;
  kind_ = v;
  if (!InState(csLoading)) SetBounds(Left(), Top(), Height(), Width());
  RecreateWnd();
}

void TScrollBar::SetParams(int position, int min, int max) {
  if (max < min || max < position) throw EInvalidOperation("Scrollbar property out of range");
  position = std::clamp(position, min, max);
  if (min_ != min || max_ != max) {
    min_ = min;
    max_ = max;
    if (HandleAllocated()) SetScrollRange(WindowHandle(), SB_CTL, min, max, position_ == position);
  }
  if (position_ != position) {
    position_ = position;
    if (HandleAllocated()) SetScrollPos(WindowHandle(), SB_CTL, position_, TRUE);
    Change();
  }
}

void TScrollBar::SetPageSize(int v) {
  if (pageSize_ == v) return;
  pageSize_ = std::max(0, v);
  if (!HandleAllocated()) return;
  SCROLLINFO si{sizeof(SCROLLINFO), SIF_PAGE, 0, 0, static_cast<UINT>(pageSize_), 0, 0};
  SetScrollInfo(WindowHandle(), SB_CTL, &si, TRUE);
}

void TScrollBar::Change() {
  TControl::Changed();
  if (OnChange) OnChange(this);
}

void TScrollBar::Scroll(TScrollCode code, int& pos) {
  if (OnScroll) OnScroll(this, code, pos);
}

void TScrollBar::DoScroll(TMessage& m) {
  int pos = position_;
  auto code = static_cast<TScrollCode>(m.WParamLo());
  switch (code) {
    case scLineUp: pos -= smallChange_; break;
    case scLineDown: pos += smallChange_; break;
    case scPageUp: pos -= largeChange_; break;
    case scPageDown: pos += largeChange_; break;
    case scPosition:
    case scTrack: {
      SCROLLINFO si{sizeof(SCROLLINFO), SIF_TRACKPOS | SIF_POS, 0, 0, 0, 0, 0};
      GetScrollInfo(WindowHandle(), SB_CTL, &si);
      pos = code == scTrack ? si.nTrackPos : static_cast<int16_t>(m.WParamHi());
      if (code == scPosition && si.nTrackPos != pos) pos = si.nTrackPos;
      break;
    }
    case scTop: pos = min_; break;
    case scBottom: pos = max_; break;
    default: break;
  }
  int top = pageSize_ > 1 ? std::max(min_, max_ - pageSize_ + 1) : max_;
  pos = std::clamp(pos, min_, top);
  Scroll(code, pos);
  SetPosition(std::clamp(pos, min_, max_));
}

void TScrollBar::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case CN_HSCROLL:
    case CN_VSCROLL: DoScroll(m); return;
    case CM_CTL3DCHANGED:
      TWinControl::Dispatch(m);
      RecreateWnd();
      return;
    default: TWinControl::Dispatch(m); return;
  }
}

// ---- TCustomLabel ---------------------------------------------------------------------------------

TCustomLabel::TCustomLabel(TComponent* owner) : TGraphicControl(owner) {
  SetControlStyle(ControlStyle() + csOpaque + csReplicatable);
  SetBounds(Left(), Top(), 65, 17);
  TGraphicControl::SetAutoSize(true);
}

void TCustomLabel::DoDrawText(TRect& rect, UINT flags) {
  std::string text = GetLabelText();
  if ((flags & DT_CALCRECT) && (text.empty() || (showAccelChar_ && text == "&"))) text += ' ';
  if (!showAccelChar_) flags |= DT_NOPREFIX;
  TCanvas* c = Canvas();
  c->SetFont(Font());
  RECT r = rect;
  auto draw = [&] {
    c->RequiredState(TCanvasState{csHandleValid, csFontValid, csBrushValid});
    DrawTextA(c->Handle(), text.c_str(), static_cast<int>(text.size()), &r, flags);
  };
  if (!Enabled()) {
    OffsetRect(&r, 1, 1);
    c->Font()->SetColor(clBtnHighlight);
    draw();
    OffsetRect(&r, -1, -1);
    c->Font()->SetColor(clBtnShadow);
  }
  draw();
  rect = TRect(r);
}

namespace {
UINT LabelFlags(TAlignment alignment, bool wordWrap) {
  UINT f = DT_EXPANDTABS | (wordWrap ? DT_WORDBREAK : 0);
  if (alignment == taRightJustify) f |= DT_RIGHT;
  else if (alignment == taCenter) f |= DT_CENTER;
  return f;
}
}  // namespace

void TCustomLabel::Paint() {
  TCanvas* c = Canvas();
  if (!Transparent()) {
    c->Brush()->SetColor(Color());
    c->Brush()->SetStyle(bsSolid);
    c->FillRect(ClientRect());
  }
  c->Brush()->SetStyle(bsClear);
  TRect r = ClientRect();
  UINT flags = LabelFlags(alignment_, wordWrap_);
  if (layout_ != tlTop) {
    TRect calc = r;
    DoDrawText(calc, flags | DT_CALCRECT);
    int dy = layout_ == tlBottom ? Height() - calc.Bottom : (Height() - calc.Bottom) / 2;
    r.Offset(0, dy);
  }
  DoDrawText(r, flags);
}

void TCustomLabel::AdjustBounds() {
  if (InState(csReading) || InState(csLoading) || !AutoSize()) return;
  TRect r = ClientRect();
  HDC dc = GetDC(nullptr);
  Canvas()->SetHandle(dc);
  DoDrawText(r, DT_EXPANDTABS | DT_CALCRECT | (wordWrap_ ? DT_WORDBREAK : 0));
  Canvas()->SetHandle(nullptr);
  ReleaseDC(nullptr, dc);
  int x = Left();
  if (alignment_ == taRightJustify) x += Width() - r.Right;
  SetBounds(x, Top(), r.Right, r.Bottom);
}

void TCustomLabel::SetAlignment(TAlignment v) {
  if (alignment_ == v) return;
  alignment_ = v;
  Invalidate();
}

void TCustomLabel::SetAutoSize(bool v) {
  if (AutoSize() == v) return;
  TGraphicControl::SetAutoSize(v);
  AdjustBounds();
}

void TCustomLabel::SetLayout(TTextLayout v) {
  if (layout_ == v) return;
  layout_ = v;
  Invalidate();
}

void TCustomLabel::SetWordWrap(bool v) {
  if (wordWrap_ == v) return;
  wordWrap_ = v;
  AdjustBounds();
  Invalidate();
}

bool TCustomLabel::Transparent() const { return !ControlStyle().Contains(csOpaque); }

void TCustomLabel::SetTransparent(bool v) {
  if (Transparent() == v) return;
  SetControlStyle(v ? ControlStyle() - csOpaque : ControlStyle() + csOpaque);
  Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool v) {
  if (showAccelChar_ == v) return;
  showAccelChar_ = v;
  Invalidate();
}

void TCustomLabel::SetFocusControl(TWinControl* v) {
  if (focusControl_) focusControl_->RemoveFreeNotification(this);
  focusControl_ = v;
  if (v) v->FreeNotification(this);
}

void TCustomLabel::Notification(TComponent* component, TOperation operation) {
  TGraphicControl::Notification(component, operation);
  if (operation == opRemove && component == focusControl_) focusControl_ = nullptr;
}

void TCustomLabel::Loaded() {
  TGraphicControl::Loaded();
  AdjustBounds();
}

void TCustomLabel::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case CM_TEXTCHANGED:
      Invalidate();
      AdjustBounds();
      return;
    case CM_FONTCHANGED:
      TGraphicControl::Dispatch(m);
      AdjustBounds();
      return;
    case CM_DIALOGCHAR:
      if (focusControl_ && Enabled() && showAccelChar_ && IsAccel(m.CharCode(), Caption()) && focusControl_->CanFocus()) {
        focusControl_->SetFocus();
        m.Result = 1;
        return;
      }
      break;
    default: break;
  }
  TGraphicControl::Dispatch(m);
}
