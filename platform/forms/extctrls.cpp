// Panels, splitters, paint boxes, shapes and scroll boxes.
#include "platform/forms/extctrls.h"

#include <algorithm>

FANO_IMPLEMENT_COMPONENT(TCustomPanel, TCustomControl)
FANO_IMPLEMENT_COMPONENT(TPanel, TCustomPanel)
FANO_IMPLEMENT_COMPONENT(TSplitter, TGraphicControl)
FANO_IMPLEMENT_COMPONENT(TPaintBox, TGraphicControl)
FANO_IMPLEMENT_COMPONENT(TShape, TGraphicControl)
FANO_IMPLEMENT_COMPONENT(TScrollBox, TScrollingWinControl)

void Frame3D(TCanvas* canvas, TRect& rect, TColor topColor, TColor bottomColor, int width) {
  canvas->Pen()->SetWidth(1);
  --rect.Bottom;
  --rect.Right;
  while (width-- > 0) {
    canvas->Pen()->SetColor(topColor);
    canvas->Polyline({TPoint(rect.Left, rect.Bottom), rect.TopLeft(), TPoint(rect.Right, rect.Top)});
    canvas->Pen()->SetColor(bottomColor);
    canvas->Polyline({TPoint(rect.Right, rect.Top), rect.BottomRight(), TPoint(rect.Left - 1, rect.Bottom)});
    rect.Inflate(-1, -1);
  }
  ++rect.Bottom;
  ++rect.Right;
}

// ---- TCustomPanel ---------------------------------------------------------------------------------

TCustomPanel::TCustomPanel(TComponent* owner) : TCustomControl(owner) {
  SetControlStyle(TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csOpaque, csDoubleClicks,
                                csReplicatable});
  SetBounds(Left(), Top(), 185, 41);
  SetColor(clBtnFace);
}

void TCustomPanel::CreateParams(TCreateParams& params) {
  TCustomControl::CreateParams(params);
  if (borderStyle_ == bsSingle) {
    if (Ctl3D()) params.ExStyle |= WS_EX_CLIENTEDGE;
    else params.Style |= WS_BORDER;
  }
  params.WindowClass.style &= ~static_cast<UINT>(CS_HREDRAW | CS_VREDRAW);
}

void TCustomPanel::AdjustClientRect(TRect& rect) {
  TCustomControl::AdjustClientRect(rect);  // the border width
  int bevel = (bevelOuter_ != bvNone ? bevelWidth_ : 0) + (bevelInner_ != bvNone ? bevelWidth_ : 0);
  rect.Inflate(-bevel, -bevel);
}

namespace {
void BevelColors(TPanelBevel bevel, TColor& top, TColor& bottom) {
  top = bevel == bvLowered ? clBtnShadow : clBtnHighlight;
  bottom = bevel == bvLowered ? clBtnHighlight : clBtnShadow;
}
}  // namespace

void TCustomPanel::Paint() {
  TCanvas* c = Canvas();
  TRect r = ClientRect();
  TColor top = clBtnHighlight, bottom = clBtnShadow;
  if (bevelOuter_ != bvNone) {
    BevelColors(bevelOuter_, top, bottom);
    Frame3D(c, r, top, bottom, bevelWidth_);
  }
  Frame3D(c, r, Color(), Color(), BorderWidth());
  if (bevelInner_ != bvNone) {
    BevelColors(bevelInner_, top, bottom);
    Frame3D(c, r, top, bottom, bevelWidth_);
  }
  c->Brush()->SetColor(Color());
  c->Brush()->SetStyle(bsSolid);
  c->FillRect(r);
  c->Brush()->SetStyle(bsClear);
  c->SetFont(Font());
  int h = c->TextHeight("W");
  r.Top = (r.Bottom + r.Top - h) / 2;
  r.Bottom = r.Top + h;
  UINT flags = DT_EXPANDTABS | DT_VCENTER | DT_SINGLELINE;
  flags |= alignment_ == taLeftJustify ? DT_LEFT : alignment_ == taRightJustify ? DT_RIGHT : DT_CENTER;
  std::string caption = Caption();
  RECT rr = r;
  c->RequiredState(TCanvasState{csHandleValid, csFontValid, csBrushValid});
  DrawTextA(c->Handle(), caption.c_str(), static_cast<int>(caption.size()), &rr, flags);
}

void TCustomPanel::BevelChanged() {
  Realign();
  Invalidate();
}

void TCustomPanel::SetAlignment(TAlignment v) {
  if (alignment_ == v) return;
  alignment_ = v;
  Invalidate();
}

void TCustomPanel::SetBevelInner(TPanelBevel v) {
  if (bevelInner_ == v) return;
  bevelInner_ = v;
  BevelChanged();
}

void TCustomPanel::SetBevelOuter(TPanelBevel v) {
  if (bevelOuter_ == v) return;
  bevelOuter_ = v;
  BevelChanged();
}

void TCustomPanel::SetBevelWidth(int v) {
  if (bevelWidth_ == v || v < 1) return;
  bevelWidth_ = v;
  BevelChanged();
}

void TCustomPanel::SetBorderStyle(TBorderStyle v) { SetAndRecreate(borderStyle_, v); }

void TCustomPanel::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case CM_TEXTCHANGED:
      TCustomControl::Dispatch(m);
      Invalidate();
      return;
    case CM_CTL3DCHANGED:
      TCustomControl::Dispatch(m);
      if (borderStyle_ == bsSingle) RecreateWnd();
      return;
    case WM_WINDOWPOSCHANGED:
      TCustomControl::Dispatch(m);
      if (fullRepaint_ || !Caption().empty()) Invalidate();
      return;
    default: TCustomControl::Dispatch(m); return;
  }
}

// ---- TSplitter --------------------------------------------------------------------------------------

TSplitter::TSplitter(TComponent* owner) : TGraphicControl(owner) {
  TGraphicControl::SetAlign(alLeft);
  SetBounds(Left(), Top(), 3, 100);
  SetCursor(crHSplit);
}

void TSplitter::SetAlign(TAlign value) {
  TGraphicControl::SetAlign(value);
  SetCursor(value == alTop || value == alBottom ? crVSplit : crHSplit);
}

void TSplitter::SetBeveled(bool v) {
  if (beveled_ == v) return;
  beveled_ = v;
  Invalidate();
}

TControl* TSplitter::FindControl() const {
  if (!Parent()) return nullptr;
  TPoint p(Left(), Top());
  switch (Align()) {
    case alLeft: --p.X; break;
    case alRight: p.X += Width(); break;
    case alTop: --p.Y; break;
    case alBottom: p.Y += Height(); break;
    default: return nullptr;
  }
  for (int i = 0; i < Parent()->ControlCount(); ++i) {
    TControl* c = Parent()->Controls(i);
    if (c == this || !c->Visible() || !c->Enabled()) continue;
    TRect r = c->BoundsRect();
    if (r.Width() == 0) {
      if (Align() == alTop || Align() == alLeft) --r.Left;
      else ++r.Right;
    }
    if (r.Height() == 0) {
      if (Align() == alTop || Align() == alLeft) --r.Top;
      else ++r.Bottom;
    }
    if (r.Contains(p)) return c;
  }
  return nullptr;
}

void TSplitter::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TGraphicControl::MouseDown(button, shift, x, y);
  if (button != mbLeft || !Parent()) return;
  control_ = FindControl();
  if (!control_) return;
  downPos_ = ClientToParent(TPoint(x, y));
  startSize_ = Horizontal() ? control_->Width() : control_->Height();
  // Room: the parent's extent less MinSize and every other control aligned on the same axis.
  maxSize_ = (Horizontal() ? Parent()->ClientWidth() : Parent()->ClientHeight()) - minSize_;
  for (int i = 0; i < Parent()->ControlCount(); ++i) {
    TControl* c = Parent()->Controls(i);
    if (!c->Visible()) continue;
    if (Horizontal() && (c->Align() == alLeft || c->Align() == alRight)) maxSize_ -= c->Width();
    if (!Horizontal() && (c->Align() == alTop || c->Align() == alBottom)) maxSize_ -= c->Height();
  }
  maxSize_ += startSize_;
}

void TSplitter::UpdateSize(int x, int y) {
  if (!control_) return;
  TPoint p = ClientToParent(TPoint(x, y));
  int delta = Horizontal() ? p.X - downPos_.X : p.Y - downPos_.Y;
  if (Align() == alRight || Align() == alBottom) delta = -delta;
  int size = std::min(startSize_ + delta, std::max(0, maxSize_));
  if (size < minSize_) size = autoSnap_ ? 0 : minSize_;
  bool accept = true;
  if (OnCanResize) OnCanResize(this, size, accept);
  if (!accept) return;
  size = std::max(0, size);
  switch (Align()) {
    case alLeft: control_->SetWidth(size); break;
    case alTop: control_->SetHeight(size); break;
    case alRight:
      control_->SetBounds(control_->Left() + control_->Width() - size, control_->Top(), size, control_->Height());
      break;
    case alBottom:
      control_->SetBounds(control_->Left(), control_->Top() + control_->Height() - size, control_->Width(), size);
      break;
    default: break;
  }
}

void TSplitter::MouseMove(TShiftState shift, int x, int y) {
  TGraphicControl::MouseMove(shift, x, y);
  if (control_ && shift.Contains(ssLeft)) UpdateSize(x, y);
}

void TSplitter::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TGraphicControl::MouseUp(button, shift, x, y);
  if (!control_ || button != mbLeft) return;
  UpdateSize(x, y);
  control_ = nullptr;
  if (OnMoved) OnMoved(this);
}

void TSplitter::Paint() {
  TCanvas* c = Canvas();
  TRect r = ClientRect();
  c->Brush()->SetColor(Color());
  c->FillRect(r);
  if (beveled_) {
    if (Horizontal()) r.Inflate(-1, 2);
    else r.Inflate(2, -1);
    r.Offset(1, 1);
    Frame3D(c, r, clBtnHighlight, clBtnHighlight, 1);
    r.Offset(-2, -2);
    Frame3D(c, r, clBtnShadow, clBtnShadow, 1);
  }
  if (OnPaint) OnPaint(this);
}

// ---- TPaintBox and TShape ---------------------------------------------------------------------------

TPaintBox::TPaintBox(TComponent* owner) : TGraphicControl(owner) {
  SetControlStyle(ControlStyle() + csReplicatable);
  SetBounds(Left(), Top(), 105, 105);
}

void TPaintBox::Paint() {
  TCanvas* c = Canvas();
  c->SetFont(Font());
  c->Brush()->SetColor(Color());
  if (InState(csDesigning)) {
    c->Pen()->SetStyle(psDash);
    c->Brush()->SetStyle(bsClear);
    c->Rectangle(0, 0, Width(), Height());
  }
  if (OnPaint) OnPaint(this);
}

TShape::TShape(TComponent* owner)
    : TGraphicControl(owner), pen_(std::make_unique<TPen>()), brush_(std::make_unique<TBrush>()) {
  SetControlStyle(ControlStyle() + csReplicatable);
  SetBounds(Left(), Top(), 65, 65);
  pen_->OnChange = [this](TObject*) { Invalidate(); };
  brush_->OnChange = [this](TObject*) { Invalidate(); };
}

TShape::~TShape() = default;

void TShape::SetShape(TShapeType v) {
  if (shape_ == v) return;
  shape_ = v;
  Invalidate();
}

void TShape::Paint() {
  TCanvas* c = Canvas();
  c->SetPen(pen_.get());
  c->SetBrush(brush_.get());
  int penWidth = std::max(1, pen_->Width());
  int x = penWidth / 2;
  int y = x;
  int w = Width() - penWidth + 1;
  int h = Height() - penWidth + 1;
  if (pen_->Width() == 0) {
    --w;
    --h;
  }
  int s = std::min(w, h);
  if (shape_ == stSquare || shape_ == stRoundSquare || shape_ == stCircle) {
    x += (w - s) / 2;
    y += (h - s) / 2;
    w = h = s;
  }
  switch (shape_) {
    case stRectangle:
    case stSquare: c->Rectangle(x, y, x + w, y + h); break;
    case stRoundRect:
    case stRoundSquare: c->RoundRect(x, y, x + w, y + h, s / 4, s / 4); break;
    case stEllipse:
    case stCircle: c->Ellipse(x, y, x + w, y + h); break;
  }
}

// ---- TScrollBox -------------------------------------------------------------------------------------

TScrollBox::TScrollBox(TComponent* owner) : TScrollingWinControl(owner) {
  SetControlStyle(TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks});
  SetBounds(Left(), Top(), 185, 41);
}

void TScrollBox::CreateParams(TCreateParams& params) {
  TScrollingWinControl::CreateParams(params);
  if (borderStyle_ == bsSingle) {
    if (Ctl3D()) params.ExStyle |= WS_EX_CLIENTEDGE;
    else params.Style |= WS_BORDER;
  }
}

void TScrollBox::SetBorderStyle(TBorderStyle v) { SetAndRecreate(borderStyle_, v); }

void TScrollBox::Dispatch(TMessage& m) {
  if (m.Msg == CM_CTL3DCHANGED && borderStyle_ == bsSingle) {
    TScrollingWinControl::Dispatch(m);
    RecreateWnd();
    return;
  }
  TScrollingWinControl::Dispatch(m);
}
