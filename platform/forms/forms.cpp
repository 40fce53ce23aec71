#include "platform/forms/forms.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/classes/classreg.h"
#include "platform/classes/filer.h"
#include "platform/forms/actnlist.h"
#include "platform/forms/dialogs.h"
#include "platform/forms/menus.h"
#include "platform/forms/timer.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"

FANO_IMPLEMENT_CLASS_WITH(TControlScrollBar, TPersistent, nullptr)
FANO_IMPLEMENT_COMPONENT(TScrollingWinControl, TWinControl)
FANO_IMPLEMENT_COMPONENT(TCustomForm, TScrollingWinControl)
FANO_IMPLEMENT_COMPONENT(TForm, TCustomForm)
FANO_IMPLEMENT_COMPONENT(TDataModule, TComponent)
FANO_IMPLEMENT_COMPONENT(THintWindow, TCustomControl)
FANO_IMPLEMENT_COMPONENT(TApplication, TComponent)
FANO_IMPLEMENT_COMPONENT(TScreen, TComponent)

TApplication* Application = nullptr;
TScreen* Screen = nullptr;
TClass TApplication::HintWindowClass = THintWindow::StaticClass();

namespace {

// The start-up of the forms layer: screen first, then the application; the reverse at exit (the
// application frees the forms it owns while the screen still knows them).
struct FormsUnit {
  FormsUnit() {
    InitControlsRegistries();
    ActionLists();
    InitTimers();
    RegisterFormsClasses();
    Screen = new TScreen(nullptr);
    Application = new TApplication(nullptr);
  }
  ~FormsUnit() {
    TApplication* app = Application;
    Application = nullptr;
    if (app) {
      app->DestroyComponents();
      Application = app;
      app->Free();
      Application = nullptr;
    }
    TScreen* scr = Screen;
    Screen = nullptr;
    if (scr) scr->Free();
  }
};
const FormsUnit formsUnit;

int FocusCount = 0;

// A refused focus change waiting for the innermost TFocusRefusals scope.
std::exception_ptr focusRefusal;
int refusalScopes = 0;
// Above zero while the focus leaves a control that goes away, hides or is disabled: it cannot stay.
int focusMustLeave = 0;

// Sends a focus notification; false when the handler moved the focus again meanwhile. An exit
// handler's exception comes out of here, where it refuses the move, unless the focus must leave.
bool SendFocusMessage(HWND window, UINT msg) {
  int count = FocusCount;
  TWinControl* control = msg == CM_EXIT && focusMustLeave == 0 ? FindControl(window) : nullptr;
  if (control) control->Perform(msg, 0, 0);
  else SendMessage(window, msg, 0, 0);
  return FocusCount == count;
}

}  // namespace

TFocusRefusals::TFocusRefusals(bool waits) : waits_(waits) {
  if (!waits_) return;
  outer_ = std::exchange(focusRefusal, nullptr);
  ++refusalScopes;
}

TFocusRefusals::~TFocusRefusals() {
  if (!waits_) return;
  --refusalScopes;
  focusRefusal = std::move(outer_);
}

void TFocusRefusals::Raise() {
  if (waits_ && focusRefusal) std::rethrow_exception(std::exchange(focusRefusal, nullptr));
}

// ---- TControlScrollBar ------------------------------------------------------------------------

TControlScrollBar::TControlScrollBar(TScrollingWinControl* control, TScrollBarKind kind) : control_(control), kind_(kind) {}

TPersistent* TControlScrollBar::GetOwner() const { return control_; }

void TControlScrollBar::Assign(TPersistent* source) {
  if (auto* s = dynamic_cast<TControlScrollBar*>(source)) {
    visible_ = s->visible_;
    range_ = s->range_;
    position_ = s->position_;
    increment_ = s->increment_;
    margin_ = s->margin_;
    tracking_ = s->tracking_;
    control_->UpdateScrollBars();
    return;
  }
  TPersistent::Assign(source);
}

int TControlScrollBar::ControlSize(bool controlSB, bool assumeSB) {
  if (!control_->HandleAllocated()) return kind_ == sbVertical ? control_->Height() : control_->Width();
  LONG style = GetWindowLong(control_->WindowHandle(), GWL_STYLE);
  int borderAdjust = (style & (WS_BORDER | WS_THICKFRAME)) ? 1 : 0;
  auto adjustment = [&](DWORD bar, int metric) {
    if (controlSB) return 0;
    bool visible = (style & bar) != 0;
    if (assumeSB && !visible) return -(GetSystemMetrics(metric) - borderAdjust);
    if (!assumeSB && visible) return GetSystemMetrics(metric) - borderAdjust;
    return 0;
  };
  if (kind_ == sbVertical) return control_->ClientHeight() + adjustment(WS_HSCROLL, SM_CYHSCROLL);
  return control_->ClientWidth() + adjustment(WS_VSCROLL, SM_CXVSCROLL);
}

namespace {

// The room the contents of a container need along one direction when the container itself is
// stretched along it (aligned to top, bottom or client for the width; left, right or client for
// the height): its fixed children's far edges, the room of the children aligned to the far side,
// and what its nested containers need, plus its own border. Controls that are not containers
// (their children are their own parts, an in-place editor say) and controls that scroll by
// themselves need nothing more than they have.
int StretchedContentExtent(TControl* control, TScrollBarKind kind) {
  auto* c = dynamic_cast<TWinControl*>(control);
  if (!c || !c->ControlStyle().Contains(csAcceptsControls)) return 0;
  if (auto* s = dynamic_cast<TScrollingWinControl*>(c); s && s->AutoScroll()) return 0;
  const bool horz = kind == sbHorizontal;
  int extent = 0, farMargin = 0;
  for (int i = 0; i < c->ControlCount(); ++i) {
    TControl* d = c->Controls(i);
    if (!d->Visible()) continue;
    const TAlign a = d->Align();
    const TAnchors along = horz ? TAnchors{akLeft, akRight} : TAnchors{akTop, akBottom};
    const TAnchors nearOnly = horz ? TAnchors{akLeft} : TAnchors{akTop};
    if (a == (horz ? alLeft : alTop) || (a == alNone && (d->Anchors() * along) == nearOnly)) {
      extent = std::max(extent, horz ? d->Left() + d->Width() : d->Top() + d->Height());
    } else if (a == (horz ? alRight : alBottom)) {
      farMargin += horz ? d->Width() : d->Height();
    } else if (a == alClient || a == (horz ? alTop : alLeft) || a == (horz ? alBottom : alRight)) {
      int inner = StretchedContentExtent(d, kind);
      if (inner > 0) extent = std::max(extent, (horz ? d->Left() : d->Top()) + inner);
    }
  }
  if (extent == 0) return 0;
  int border = horz ? c->Width() - c->ClientWidth() : c->Height() - c->ClientHeight();
  return extent + farMargin + border;
}

}  // namespace

void TControlScrollBar::CalcAutoRange() {
  if (!control_->AutoScroll()) return;
  if (control_->AutoSize()) {
    DoSetRange(0);
    return;
  }
  int newRange = 0, alignMargin = 0;
  for (int i = 0; i < control_->ControlCount(); ++i) {
    TControl* c = control_->Controls(i);
    if (!c->Visible()) continue;
    if (kind_ == sbHorizontal) {
      if (c->Align() == alLeft || (c->Align() == alNone && (c->Anchors() * TAnchors{akLeft, akRight}) == TAnchors{akLeft}))
        newRange = std::max(newRange, position_ + c->Left() + c->Width());
      else if (c->Align() == alRight)
        alignMargin += c->Width();
      else if (c->Align() == alTop || c->Align() == alBottom || c->Align() == alClient)
        // A stretched panel whose fixed contents reach further than the client area.
        if (int need = StretchedContentExtent(c, kind_); need > 0)
          newRange = std::max(newRange, position_ + c->Left() + need);
    } else {
      if (c->Align() == alTop || (c->Align() == alNone && (c->Anchors() * TAnchors{akTop, akBottom}) == TAnchors{akTop}))
        newRange = std::max(newRange, position_ + c->Top() + c->Height());
      else if (c->Align() == alBottom)
        alignMargin += c->Height();
      else if (c->Align() == alLeft || c->Align() == alRight || c->Align() == alClient)
        if (int need = StretchedContentExtent(c, kind_); need > 0)
          newRange = std::max(newRange, position_ + c->Top() + need);
    }
  }
  DoSetRange(newRange + alignMargin + margin_);
}

bool TControlScrollBar::RangeStored() const { return !control_->AutoScroll(); }

bool TControlScrollBar::IsScrollBarVisible() {
  if (!visible_ || !control_->HandleAllocated()) return false;
  return (GetWindowLong(control_->WindowHandle(), GWL_STYLE) & (kind_ == sbVertical ? WS_VSCROLL : WS_HSCROLL)) != 0;
}

bool TControlScrollBar::NeedsScrollBarVisible() { return range_ > ControlSize(false, false); }

void TControlScrollBar::ScrollMessage(TMessage& m) {
  int code = m.WParamLo();
  int pos = static_cast<int16_t>(m.WParamHi());
  switch (code) {
    case SB_LINEUP: SetPosition(position_ - increment_); break;
    case SB_LINEDOWN: SetPosition(position_ + increment_); break;
    case SB_PAGEUP: SetPosition(position_ - ControlSize(true, false)); break;
    case SB_PAGEDOWN: SetPosition(position_ + ControlSize(true, false)); break;
    case SB_THUMBPOSITION: SetPosition(pos); break;
    case SB_THUMBTRACK:
      if (tracking_) SetPosition(pos);
      break;
    case SB_TOP: SetPosition(0); break;
    case SB_BOTTOM: SetPosition(calcRange_); break;
    default: break;
  }
}

void TControlScrollBar::SetPosition(int v) {
  if (control_->InState(csReading)) {
    position_ = v;
    return;
  }
  if (v > calcRange_) v = calcRange_;
  if (v < 0) v = 0;
  if (v != position_) {
    int old = position_;
    position_ = v;
    if (kind_ == sbHorizontal) control_->ScrollBy(old - v, 0);
    else control_->ScrollBy(0, old - v);
  }
  if (control_->HandleAllocated()) {
    int bar = kind_ == sbHorizontal ? SB_HORZ : SB_VERT;
    if (GetScrollPos(control_->WindowHandle(), bar) != position_) SetScrollPos(control_->WindowHandle(), bar, position_, TRUE);
  }
}

void TControlScrollBar::SetRange(int v) {
  control_->autoScroll_ = false;
  DoSetRange(v);
}

void TControlScrollBar::DoSetRange(int v) {
  range_ = std::max(v, 0);
  control_->UpdateScrollBars();
}

void TControlScrollBar::SetMargin(int v) {
  margin_ = v;
  if (visible_) control_->CalcAutoRange();
}

void TControlScrollBar::SetVisible(bool v) {
  visible_ = v;
  control_->UpdateScrollBars();
}

void TControlScrollBar::Update(bool controlSB, bool assumeSB) {
  calcRange_ = 0;
  int bar = kind_ == sbVertical ? SB_VERT : SB_HORZ;
  if (visible_) calcRange_ = std::max(0, range_ - ControlSize(controlSB, assumeSB));
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_ALL;
  si.nMin = 0;
  si.nMax = calcRange_ > 0 ? range_ : 0;
  si.nPage = static_cast<UINT>(std::max(0, ControlSize(controlSB, assumeSB) + 1));
  si.nPos = position_;
  si.nTrackPos = position_;
  updateNeeded_ = false;
  SetScrollInfo(control_->WindowHandle(), bar, &si, TRUE);
  SetPosition(position_);
}

// ---- TScrollingWinControl ---------------------------------------------------------------------

TScrollingWinControl::TScrollingWinControl(TComponent* owner)
    : TWinControl(owner),
      horz_(std::make_unique<TControlScrollBar>(this, sbHorizontal)),
      vert_(std::make_unique<TControlScrollBar>(this, sbVertical)) {}

TScrollingWinControl::~TScrollingWinControl() = default;

void TScrollingWinControl::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.WindowClass.style &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TScrollingWinControl::CreateWnd() {
  TWinControl::CreateWnd();
  UpdateScrollBars();
}

void TScrollingWinControl::SetAutoScroll(bool v) {
  if (autoScroll_ == v) return;
  autoScroll_ = v;
  if (v) {
    CalcAutoRange();
  } else {
    horz_->SetRange(0);
    vert_->SetRange(0);
  }
}

void TScrollingWinControl::CalcAutoRange() {
  if (autoRangeCount_ > 0) return;
  horz_->CalcAutoRange();
  vert_->CalcAutoRange();
}

void TScrollingWinControl::EnableAutoRange() {
  if (autoRangeCount_ > 0 && --autoRangeCount_ == 0) CalcAutoRange();
}

void TScrollingWinControl::UpdateScrollBars() {
  if (updatingScrollBars_ || !HandleAllocated()) return;
  updatingScrollBars_ = true;
  try {
    if (vert_->NeedsScrollBarVisible()) {
      horz_->Update(false, true);
      vert_->Update(true, false);
    } else if (horz_->NeedsScrollBarVisible()) {
      vert_->Update(false, true);
      horz_->Update(true, false);
    } else {
      vert_->Update(false, false);
      horz_->Update(true, false);
    }
  } catch (...) {
    updatingScrollBars_ = false;
    throw;
  }
  updatingScrollBars_ = false;
}

void TScrollingWinControl::AlignControls(TControl* control, TRect& rect) {
  CalcAutoRange();
  rect = Bounds(-horz_->Position(), -vert_->Position(), std::max(horz_->Range(), ClientWidth()),
                std::max(ClientHeight(), vert_->Range()));
  TWinControl::AlignControls(control, rect);
}

void TScrollingWinControl::ScrollInView(TControl* control) {
  if (!control) return;
  TRect r = control->ClientRect();
  r.Left -= horz_->Margin();
  r.Right += horz_->Margin();
  r.Top -= vert_->Margin();
  r.Bottom += vert_->Margin();
  TPoint tl = ScreenToClient(control->ClientToScreen(r.TopLeft()));
  TPoint br = ScreenToClient(control->ClientToScreen(r.BottomRight()));
  r = TRect(tl, br);
  if (r.Left < 0) horz_->SetPosition(horz_->Position() + r.Left);
  else if (r.Right > ClientWidth()) {
    if (r.Width() > ClientWidth()) r.Right = r.Left + ClientWidth();
    horz_->SetPosition(horz_->Position() + r.Right - ClientWidth());
  }
  if (r.Top < 0) vert_->SetPosition(vert_->Position() + r.Top);
  else if (r.Bottom > ClientHeight()) {
    if (r.Height() > ClientHeight()) r.Bottom = r.Top + ClientHeight();
    vert_->SetPosition(vert_->Position() + r.Bottom - ClientHeight());
  }
}

void TScrollingWinControl::AutoScrollInView(TControl* control) {
  if (control && !control->InState(csLoading) && !InState(csLoading)) ScrollInView(control);
}

void TScrollingWinControl::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case WM_SIZE:
      ++autoRangeCount_;
      try {
        TWinControl::Dispatch(m);
      } catch (...) {
        --autoRangeCount_;
        throw;
      }
      --autoRangeCount_;
      updatingScrollBars_ = true;
      CalcAutoRange();
      updatingScrollBars_ = false;
      if (horz_->Visible() || vert_->Visible()) UpdateScrollBars();
      return;
    case WM_HSCROLL:
      if (m.LParam == 0 && horz_->Visible()) {
        horz_->ScrollMessage(m);
        return;
      }
      break;
    case WM_VSCROLL:
      if (m.LParam == 0 && vert_->Visible()) {
        vert_->ScrollMessage(m);
        return;
      }
      break;
    default: break;
  }
  TWinControl::Dispatch(m);
}

// ---- TCustomForm ------------------------------------------------------------------------------

TCustomForm::TCustomForm(TComponent* owner) : TScrollingWinControl(owner), canvas_(std::make_unique<TControlCanvas>()) {
  canvas_->SetControl(this);
  SetControlStyle(TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks});
  left_ = 0;
  top_ = 0;
  width_ = 320;
  height_ = 240;
  SetVisible(false);
  SetParentColor(false);
  SetParentFont(false);
  SetCtl3D(true);
  SetColor(clBtnFace);
  Brush()->SetColor(clBtnFace);
  if (Screen) Screen->AddForm(this);
}

void TCustomForm::AfterConstruction() {
  if (ClassType() != TForm::StaticClass() && ClassType() != TCustomForm::StaticClass() && !InState(csDesigning)) {
    formState_.Include(fsCreating);
    try {
      if (!InitInheritedComponent(this, TForm::StaticClass()))
        throw EResNotFound("Resource " + ClassName() + " not found");
    } catch (...) {
      formState_.Exclude(fsCreating);
      throw;
    }
    formState_.Exclude(fsCreating);
  }
  DoCreate();
}

void TCustomForm::DoCreate() {
  created_ = true;
  if (OnCreate) {
    try {
      OnCreate(this);
    } catch (...) {
      if (!Application) throw;
      Application->HandleException(this);
    }
  }
  if (formState_.Contains(fsVisible)) SetVisible(true);
}

void TCustomForm::DoDestroy() {
  if (!OnDestroy) return;
  try {
    OnDestroy(this);
  } catch (...) {
    if (Application) Application->HandleException(this);
  }
}

void TCustomForm::BeforeDestruction() {
  if (!destroyed_) {
    destroyed_ = true;
    DoDestroy();
  }
  if (Screen) Screen->RemoveForm(this);
  TScrollingWinControl::BeforeDestruction();
}

TCustomForm::~TCustomForm() {
  if (Screen) Screen->RemoveForm(this);
  if (Application && Application->mainForm_ == this) Application->mainForm_ = nullptr;
  canvas_->SetControl(nullptr);
}

void TCustomForm::Notification(TComponent* component, TOperation operation) {
  TScrollingWinControl::Notification(component, operation);
  if (operation == opRemove) {
    if (component == activeControl_) activeControl_ = nullptr;
    if (component == focusedControl_) focusedControl_ = nullptr;
  }
}

void TCustomForm::GetChildren(const TGetChildProc& proc, TComponent* root) {
  TScrollingWinControl::GetChildren(proc, root);
  if (root == this)
    for (int i = 0; i < ComponentCount(); ++i) {
      TComponent* c = Components(i);
      if (!c->HasParent()) proc(c);
    }
}

void TCustomForm::ReadState(TReader& reader) {
  DisableAlign();
  try {
    TScrollingWinControl::ReadState(reader);
  } catch (...) {
    EnableAlign();
    throw;
  }
  EnableAlign();
}

void TCustomForm::Loaded() {
  if (pendingClientSize_.X >= 0) {
    TPoint size = pendingClientSize_;
    pendingClientSize_ = TPoint(-1, -1);
    SetClientSize(size);
  }
  TScrollingWinControl::Loaded();
  if (activeControl_ && !activeControl_->CanFocus()) activeControl_ = nullptr;
}

void TCustomForm::VisibleChanging() {
  if (formStyle_ == fsMDIChild && Visible() && !Parent()) throw EInvalidOperation("Cannot hide an MDI Child Form");
}

void TCustomForm::CreateParams(TCreateParams& params) {
  TScrollingWinControl::CreateParams(params);
  bool embedded = Parent() || ParentWindow();
  if (!embedded) params.WndParent = Application ? Application->Handle() : nullptr;
  params.WindowClass.style = CS_DBLCLKS;
  FormStyles(params);
}

void TCustomForm::FormStyles(TCreateParams& params) {
  bool embedded = Parent() || ParentWindow();
  if (!embedded) params.Style &= ~(WS_CHILD | WS_GROUP | WS_TABSTOP);
  TBorderIcons icons = borderIcons_;
  TFormBorderStyle style = borderStyle_;
  switch (style) {
    case bsNone:
      if (!embedded) params.Style |= WS_POPUP;
      icons = TBorderIcons{};
      break;
    case bsSingle:
    case bsToolWindow: params.Style |= WS_CAPTION | WS_BORDER; break;
    case bsSizeable:
    case bsSizeToolWin: params.Style |= WS_CAPTION | WS_THICKFRAME; break;
    case bsDialog:
      params.Style |= WS_POPUP | WS_CAPTION;
      params.ExStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
      icons = icons * TBorderIcons{biSystemMenu, biHelp};
      params.WindowClass.style |= CS_DBLCLKS | CS_SAVEBITS | CS_BYTEALIGNWINDOW;
      break;
  }
  if (embedded) params.Style &= ~static_cast<DWORD>(WS_POPUP);
  if (style == bsToolWindow || style == bsSizeToolWin) {
    params.ExStyle = WS_EX_TOOLWINDOW;
    icons = icons * TBorderIcons{biSystemMenu};
  }
  if (style == bsSingle || style == bsSizeable || style == bsNone) {
    if (icons.Contains(biMinimize)) params.Style |= WS_MINIMIZEBOX;
    if (icons.Contains(biMaximize)) params.Style |= WS_MAXIMIZEBOX;
  } else {
    windowState_ = wsNormal;
  }
  if (icons.Contains(biSystemMenu)) params.Style |= WS_SYSMENU;
  if (icons.Contains(biHelp)) params.ExStyle |= WS_EX_CONTEXTHELP;
  if (formStyle_ == fsStayOnTop && !embedded) params.ExStyle |= WS_EX_TOPMOST;
}

bool TCustomForm::FormSizeStored() const {
  return AutoScroll() || HorzScrollBar()->Range() != 0 || VertScrollBar()->Range() != 0;
}

void TCustomForm::SetClientSize(const TPoint& size) {
  if (ControlState().Contains(csReadingState)) {
    // Applied once the whole resource is in: the border style may still change.
    pendingClientSize_ = size;
    return;
  }
  if (HandleAllocated()) {
    TScrollingWinControl::SetClientSize(size);
    return;
  }
  // Without a window yet the frame comes from the styles the window will have.
  TCreateParams params;
  params.Style = WS_CLIPSIBLINGS;
  FormStyles(params);
  RECT r{0, 0, size.X, size.Y};
  AdjustWindowRectEx(&r, params.Style, FALSE, params.ExStyle);
  SetBounds(Left(), Top(), r.right - r.left, r.bottom - r.top);
}

TRect TCustomForm::ClientRect() {
  if (pendingClientSize_.X >= 0) return Rect(0, 0, pendingClientSize_.X, pendingClientSize_.Y);
  if (HandleAllocated()) return TScrollingWinControl::ClientRect();
  TCreateParams params;
  params.Style = WS_CLIPSIBLINGS;
  FormStyles(params);
  RECT frame{0, 0, 0, 0};
  AdjustWindowRectEx(&frame, params.Style, FALSE, params.ExStyle);
  return Rect(0, 0, std::max(0, Width() - (frame.right - frame.left)), std::max(0, Height() - (frame.bottom - frame.top)));
}

void TCustomForm::CreateWnd() {
  TScrollingWinControl::CreateWnd();
}

void TCustomForm::SetBorderStyle(TFormBorderStyle v) {
  if (borderStyle_ == v) return;
  borderStyle_ = v;
  if (!InState(csLoading)) RecreateWnd();
}

void TCustomForm::SetBorderIcons(TBorderIcons v) {
  if (borderIcons_ == v) return;
  borderIcons_ = v;
  if (!InState(csLoading)) RecreateWnd();
}

void TCustomForm::SetFormStyle(TFormStyle v) {
  if (formStyle_ == v) return;
  formStyle_ = v;
  if (!InState(csLoading)) RecreateWnd();
}

TWindowState TCustomForm::WindowState() const { return windowState_; }

void TCustomForm::SetWindowState(TWindowState v) {
  static const int commands[] = {SW_SHOWNORMAL, SW_MINIMIZE, SW_SHOWMAXIMIZED};
  if (windowState_ == v) return;
  windowState_ = v;
  if (!InState(csDesigning) && Showing()) ShowWindow(Handle(), commands[v]);
}

// ---- focus

void TCustomForm::SetActiveControl(TWinControl* control) {
  if (activeControl_ == control) return;
  if (control && !(control != static_cast<TWinControl*>(this) && ::GetParentForm(control) == this &&
                   (InState(csLoading) || control->CanFocus())))
    throw EInvalidOperation("Cannot focus a disabled or invisible window");
  activeControl_ = control;
  if (control) control->FreeNotification(this);
  if (!InState(csLoading)) {
    if (active_) SetWindowFocus();
    ActiveChanged();
  }
}

void TCustomForm::FocusControl(TWinControl* control) {
  bool wasActive = active_;
  SetActiveControl(control);
  if (!wasActive) SetFocus();
}

void TCustomForm::DefocusControl(TWinControl* control, bool removing) {
  if (removing && control->ContainsControl(focusedControl_)) focusedControl_ = control->Parent();
  if (!control->ContainsControl(activeControl_)) return;
  ++focusMustLeave;
  try {
    SetActiveControl(nullptr);
  } catch (...) {
    --focusMustLeave;
    throw;
  }
  --focusMustLeave;
}

void TCustomForm::SetWindowFocus() {
  HWND focus = activeControl_ ? activeControl_->Handle() : Handle();
  if (!focus) return;
  TFocusRefusals refusals;
  ::SetFocus(focus);
  refusals.Raise();
  if (GetFocus() == focus && focusedControl_) focusedControl_->Perform(CM_UIACTIVATE, 0, 0);
}

void TCustomForm::SetFocus() {
  if (active_) return;
  if (!(Visible() && Enabled())) throw EInvalidOperation("Cannot focus a disabled or invisible window");
  SetWindowFocus();
}

bool TCustomForm::SetFocusedControl(TWinControl* control) {
  ++FocusCount;
  activeControl_ = control != static_cast<TWinControl*>(this) ? control : nullptr;
  if (Screen) {
    Screen->SetActiveControlInternal(control);
    Screen->activeCustomForm_ = this;
    auto& forms = Screen->customForms_;
    forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
    forms.insert(forms.begin(), this);
    if (auto* f = dynamic_cast<TForm*>(this)) Screen->activeForm_ = f;
  }
  if (control->ControlState().Contains(csFocusing)) return false;
  control->SetControlState(control->ControlState() + csFocusing);
  auto done = [&](bool result) {
    control->SetControlState(control->ControlState() - csFocusing);
    return result;
  };
  try {
    if (Screen && Screen->focusedForm_ != this) {
      if (Screen->focusedForm_) {
        HWND h = Screen->focusedForm_->Handle();
        Screen->focusedForm_ = nullptr;
        if (!SendFocusMessage(h, CM_DEACTIVATE)) return done(false);
      }
      Screen->focusedForm_ = this;
      if (!SendFocusMessage(Handle(), CM_ACTIVATE)) return done(false);
    }
    if (!focusedControl_) focusedControl_ = this;
    if (focusedControl_ != control) {
      TWinControl* had = focusedControl_;
      while (focusedControl_ && !focusedControl_->ContainsControl(control)) {
        TWinControl* leaving = focusedControl_;
        HWND h = leaving->Handle();
        focusedControl_ = leaving->Parent();
        try {
          if (!SendFocusMessage(h, CM_EXIT)) return done(false);
        } catch (...) {
          // Refused: the control being left keeps the focus (given back to what had it inside).
          focusedControl_ = leaving;
          if (had->HandleAllocated()) ::SetFocus(had->WindowHandle());
          done(false);
          if (refusalScopes > 0 && !focusRefusal) focusRefusal = std::current_exception();
          else if (Application) Application->HandleException(leaving);
          return false;
        }
      }
      while (focusedControl_ != control) {
        TWinControl* temp = control;
        while (temp->Parent() != focusedControl_) temp = temp->Parent();
        focusedControl_ = temp;
        if (!SendFocusMessage(temp->Handle(), CM_ENTER)) return done(false);
      }
      for (TWinControl* p = control->Parent(); p; p = p->Parent())
        if (auto* s = dynamic_cast<TScrollingWinControl*>(p)) s->AutoScrollInView(control);
      Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(control));
    }
  } catch (...) {
    done(false);
    throw;
  }
  done(true);
  if (Screen) Screen->UpdateLastActive();
  return true;
}

void TCustomForm::SendCancelMode(TControl* sender) {
  // A form embedded in a foreign window never becomes the active window: holding the focus stands
  // for being active there.
  bool active = active_ || (Screen && Screen->FocusedForm() == this);
  if (active && activeControl_) activeControl_->Perform(CM_CANCELMODE, 0, reinterpret_cast<LPARAM>(sender));
}

void TCustomForm::MouseWheelHandler(TMessage& m) {
  if (focusedControl_ && focusedControl_ != static_cast<TWinControl*>(this)) m.Result = focusedControl_->Perform(CM_MOUSEWHEEL, m.WParam, m.LParam);
  else m.Result = Perform(CM_MOUSEWHEEL, m.WParam, m.LParam);
}

bool TCustomForm::IsShortCut(TMessage& m) {
  bool handled = false;
  if (OnShortCut) OnShortCut(m, handled);
  if (handled) return true;
  TShortCut sc = ShortCutFromMessage(m);
  for (int i = 0; i < ComponentCount(); ++i)
    if (auto* list = dynamic_cast<TCustomActionList*>(Components(i)); list && list->IsShortCut(sc)) return true;
  return false;
}

void TCustomForm::SetActive(bool value) {
  active_ = value;
  if (value) {
    if (!activeControl_ && !InState(csDesigning)) activeControl_ = FindNextControl(nullptr, true, true, false);
    SetWindowFocus();
  }
}

void TCustomForm::Activate() {
  if (OnActivate) OnActivate(this);
}

void TCustomForm::Deactivate() {
  if (OnDeactivate) OnDeactivate(this);
}

// ---- showing and closing

void TCustomForm::Show() {
  SetVisible(true);
  BringToFront();
}

void TCustomForm::DoShow() {
  if (OnShow) OnShow(this);
}

void TCustomForm::DoHide() {
  if (OnHide) OnHide(this);
}

void TCustomForm::CMShowingChangedForm(TMessage&) {
  static const int commands[] = {SW_SHOWNORMAL, SW_SHOWMINNOACTIVE, SW_SHOWMAXIMIZED};
  if (formState_.Contains(fsShowing)) throw EInvalidOperation("Cannot change Visible in OnShow or OnHide");
  formState_.Include(fsShowing);
  try {
    bool embedded = Parent() || ParentWindow();
    if (Showing()) {
      DoShow();
      if (!embedded) {
        TRect work = Screen ? Screen->WorkAreaRect() : TRect(0, 0, 1024, 768);
        auto center = [&](const TRect& area) {
          SetBounds(std::max(area.Left, area.Left + (area.Width() - Width()) / 2),
                    std::max(area.Top, area.Top + (area.Height() - Height()) / 2), Width(), Height());
        };
        if (position_ == poScreenCenter || position_ == poDesktopCenter) {
          center(Screen ? TRect(0, 0, Screen->Width(), Screen->Height()) : work);
        } else if (position_ == poMainFormCenter || position_ == poOwnerFormCenter) {
          TCustomForm* other = position_ == poOwnerFormCenter ? dynamic_cast<TCustomForm*>(Owner()) : nullptr;
          if (!other && Application) other = Application->MainForm();
          if (other && other != this && other->HandleAllocated()) {
            RECT r;
            GetWindowRect(other->WindowHandle(), &r);
            center(TRect(r));
          } else {
            center(TRect(0, 0, Screen ? Screen->Width() : 1024, Screen ? Screen->Height() : 768));
          }
        }
      }
      position_ = poDesigned;
      ShowWindow(Handle(), commands[windowState_]);
      if (embedded && Enabled()) {
        // Shown inside a window of the active top-level window: it takes the focus, as a form
        // that becomes active would.
        HWND top = GetAncestor(Handle(), GA_ROOT);
        if (top && top == GetActiveWindow() && !ContainsControl(Screen ? Screen->ActiveControl() : nullptr)) {
          if (!activeControl_) {
            TWinControl* first = FindNextControl(nullptr, true, true, false);
            if (first) activeControl_ = first;
          }
          SetWindowFocus();
        }
      }
    } else {
      DoHide();
      if (Screen && Screen->FocusedForm() == this && embedded) {
        // The focus leaves a hidden embedded form for its host window.
        if (HWND f = GetFocus(); f && IsChild(Handle(), f)) ::SetFocus(ParentWindow() ? ParentWindow() : GetParent(Handle()));
      }
      HWND next = nullptr;
      if (!embedded && GetActiveWindow() == Handle() && !IsIconic(Handle())) {
        for (HWND w = GetWindow(Handle(), GW_HWNDFIRST); w; w = GetWindow(w, GW_HWNDNEXT))
          if (w != Handle() && IsWindowVisible(w) && IsWindowEnabled(w) && GetParent(w) == nullptr) {
            next = w;
            break;
          }
      }
      if (next) {
        SetWindowPos(Handle(), nullptr, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        SetActiveWindow(next);
      } else {
        ShowWindow(Handle(), SW_HIDE);
      }
    }
  } catch (...) {
    formState_.Exclude(fsShowing);
    throw;
  }
  formState_.Exclude(fsShowing);
}

bool TCustomForm::CloseQuery() {
  bool result = true;
  if (OnCloseQuery) OnCloseQuery(this, result);
  return result;
}

void TCustomForm::DoClose(TCloseAction& action) {
  if (OnClose) OnClose(this, action);
}

void TCustomForm::Close() {
  if (formState_.Contains(fsModal)) {
    modalResult_ = mrCancel;
    return;
  }
  if (!CloseQuery()) return;
  TCloseAction action = caHide;
  DoClose(action);
  if (action == caNone) return;
  if (Application && Application->MainForm() == this) Application->Terminate();
  else if (action == caHide) Hide();
  else if (action == caMinimize) SetWindowState(wsMinimized);
  else Release();
}

void TCustomForm::CloseModal() {
  try {
    TCloseAction action = caNone;
    if (CloseQuery()) {
      action = caHide;
      DoClose(action);
    }
    if (action == caNone) modalResult_ = mrNone;
    else if (action == caFree) Release();
  } catch (...) {
    modalResult_ = mrNone;
    if (Application) Application->HandleException(this);
  }
}

int TCustomForm::ShowModal() {
  if (Visible() || !Enabled() || formState_.Contains(fsModal) || formStyle_ == fsMDIChild)
    throw EInvalidOperation("Cannot make a visible window modal");
  if (HWND cap = GetCapture()) SendMessage(cap, WM_CANCELMODE, 0, 0);
  ReleaseCapture();
  if (Application) Application->ModalStarted();
  formState_.Include(fsModal);
  HWND activeWindow = GetActiveWindow();
  // The control that had the keyboard gets it back afterwards, also inside a window that is not
  // one of our forms (a host's window that takes the focus itself when it is activated again).
  HWND focusedWindow = GetFocus();
  int saveFocusCount = FocusCount;
  if (Screen) {
    Screen->saveFocusedList_.insert(Screen->saveFocusedList_.begin(), Screen->focusedForm_);
    Screen->focusedForm_ = this;
  }
  TCursor saveCursor = Screen ? Screen->Cursor() : crDefault;
  if (Screen) Screen->SetCursor(crDefault);
  // Every other top-level window of the application stops taking input meanwhile.
  std::vector<HWND> disabled;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND w, LPARAM p) -> BOOL {
        auto* list = reinterpret_cast<std::vector<HWND>*>(p);
        if (IsWindowVisible(w) && IsWindowEnabled(w)) list->push_back(w);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&disabled));
  disabled.erase(std::remove_if(disabled.begin(), disabled.end(), [this](HWND w) { return w == WindowHandle() || GetParent(w) != nullptr; }),
                 disabled.end());
  for (HWND w : disabled) EnableWindow(w, FALSE);
  int result = mrNone;
  auto restore = [&] {
    for (HWND w : disabled)
      if (IsWindow(w)) EnableWindow(w, TRUE);
    if (Screen) {
      Screen->SetCursor(saveCursor);
      if (!Screen->saveFocusedList_.empty()) {
        Screen->focusedForm_ = Screen->saveFocusedList_.front();
        Screen->saveFocusedList_.erase(Screen->saveFocusedList_.begin());
      } else {
        Screen->focusedForm_ = nullptr;
      }
    }
    if (activeWindow && IsWindow(activeWindow)) {
      SetActiveWindow(activeWindow);
      if (focusedWindow && focusedWindow != GetFocus() && IsWindow(focusedWindow) && IsWindowVisible(focusedWindow) &&
          IsWindowEnabled(focusedWindow) && GetAncestor(focusedWindow, GA_ROOT) == GetActiveWindow())
        ::SetFocus(focusedWindow);
    }
    FocusCount = saveFocusCount;
    if (Application) Application->ModalFinished();
    formState_.Exclude(fsModal);
  };
  try {
    Show();
    try {
      SendMessage(Handle(), CM_ACTIVATE, 0, 0);
      modalResult_ = mrNone;
      do {
        if (Application) Application->HandleMessage();
        if (!Application || Application->Terminated()) modalResult_ = mrCancel;
        else if (modalResult_ != mrNone) CloseModal();
      } while (modalResult_ == mrNone);
      result = modalResult_;
      if (HandleAllocated()) SendMessage(Handle(), CM_DEACTIVATE, 0, 0);
      if (GetActiveWindow() != WindowHandle()) activeWindow = nullptr;
    } catch (...) {
      Hide();
      throw;
    }
    Hide();
  } catch (...) {
    restore();
    throw;
  }
  restore();
  return result;
}

void TCustomForm::Release() {
  if (HandleAllocated()) PostMessage(Handle(), CM_RELEASE, 0, 0);
  else Free();
}

// ---- painting

void TCustomForm::Paint() {
  if (OnPaint) OnPaint(this);
}

void TCustomForm::PaintWindow(HDC dc) {
  PaintWithCanvas(canvas_.get(), dc, [this] { Paint(); });
}

// ---- actions

bool TCustomForm::ExecuteAction(TBasicAction* action) { return TScrollingWinControl::ExecuteAction(action); }
bool TCustomForm::UpdateAction(TBasicAction* action) { return TScrollingWinControl::UpdateAction(action); }

// Offers the action to the active control, the form, then every showing control.
void TCustomForm::CMActionDispatch(TMessage& m, bool execute) {
  if (InState(csDesigning) || !Showing()) return;
  auto* action = reinterpret_cast<TBasicAction*>(m.LParam);
  auto offer = [&](TControl* c) { return c && (execute ? c->ExecuteAction(action) : c->UpdateAction(action)); };
  std::function<bool(TWinControl*)> traverse = [&](TWinControl* container) {
    if (!container->Showing()) return false;
    for (int i = 0; i < container->ControlCount(); ++i) {
      TControl* c = container->Controls(i);
      if (c->Visible() && offer(c)) return true;
      if (auto* w = dynamic_cast<TWinControl*>(c); w && traverse(w)) return true;
    }
    return false;
  };
  if (offer(activeControl_) || offer(this) || traverse(this)) m.Result = 1;
}

// ---- messages

void TCustomForm::WndProc(TMessage& m) { TScrollingWinControl::WndProc(m); }

void TCustomForm::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case CM_SHOWINGCHANGED: CMShowingChangedForm(m); return;
    case CM_ACTIVATE: CMActivate(m); return;
    case CM_DEACTIVATE: CMDeactivate(m); return;
    case CM_DIALOGKEY: CMDialogKeyForm(m); return;
    case CM_RELEASE: CMRelease(m); return;
    case CM_ACTIONEXECUTE: CMActionDispatch(m, true); return;
    case CM_ACTIONUPDATE: CMActionDispatch(m, false); return;
    case WM_ACTIVATE: WMActivate(m); return;
    case WM_CLOSE: WMClose(m); return;
    case WM_NEXTDLGCTL: WMNextDlgCtl(m); return;
    case WM_MOUSEACTIVATE: WMMouseActivate(m); return;
    case WM_PARENTNOTIFY:
      if (m.WParamLo() == WM_LBUTTONDOWN || m.WParamLo() == WM_RBUTTONDOWN || m.WParamLo() == WM_MBUTTONDOWN) FocusEmbedded();
      TScrollingWinControl::Dispatch(m);
      return;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      FocusEmbedded();
      TScrollingWinControl::Dispatch(m);
      return;
    case WM_SYSCOMMAND: WMSysCommand(m); return;
    case WM_SIZE:
      TScrollingWinControl::Dispatch(m);
      if (!InState(csDesigning)) {
        if (m.WParam == SIZE_RESTORED) {
          if (Showing()) windowState_ = wsNormal;
        } else if (m.WParam == SIZE_MINIMIZED) {
          windowState_ = wsMinimized;
        } else if (m.WParam == SIZE_MAXIMIZED) {
          windowState_ = wsMaximized;
        }
      }
      return;
    default: TScrollingWinControl::Dispatch(m); return;
  }
}

void TCustomForm::CMActivate(TMessage&) {
  if (!InState(csReading)) Activate();
  else formState_.Include(fsActivated);
}

void TCustomForm::CMDeactivate(TMessage&) {
  if (!InState(csReading)) Deactivate();
  else formState_.Exclude(fsActivated);
}

void TCustomForm::CMDialogKeyForm(TMessage& m) {
  if (GetKeyState(VK_MENU) >= 0) {
    switch (m.CharCode()) {
      case VK_TAB:
        if (GetKeyState(VK_CONTROL) >= 0) {
          SelectNext(activeControl_, GetKeyState(VK_SHIFT) >= 0, true);
          m.Result = 1;
          return;
        }
        break;
      case VK_LEFT:
      case VK_RIGHT:
      case VK_UP:
      case VK_DOWN:
        if (activeControl_ && activeControl_->Parent()) {
          activeControl_->Parent()->SelectNext(activeControl_, m.CharCode() == VK_RIGHT || m.CharCode() == VK_DOWN, false);
          m.Result = 1;
        }
        return;
      default: break;
    }
  }
  TScrollingWinControl::Dispatch(m);
}

void TCustomForm::CMRelease(TMessage&) { Free(); }

void TCustomForm::WMActivate(TMessage& m) {
  SetActive(m.WParamLo() != WA_INACTIVE);
  if (m.WParamLo() == WA_INACTIVE) DefaultHandler(m);
}

void TCustomForm::WMClose(TMessage&) { Close(); }

void TCustomForm::WMNextDlgCtl(TMessage& m) {
  if (m.LParamLo()) ::SetFocus(reinterpret_cast<HWND>(m.WParam));
  else SelectNext(activeControl_, m.WParam == 0, true);
}

void TCustomForm::WMMouseActivate(TMessage& m) {
  DefaultHandler(m);
  FocusEmbedded();
}

// A click into a form embedded in a foreign window (which never activates it as a top-level
// window) gives it the focus when the focus is elsewhere.
void TCustomForm::FocusEmbedded() {
  bool embedded = Parent() || ParentWindow();
  if (!embedded || !Enabled() || !Showing()) return;
  HWND f = GetFocus();
  if (f && (f == WindowHandle() || IsChild(WindowHandle(), f))) return;
  if (activeControl_ && !activeControl_->CanFocus()) activeControl_ = nullptr;
  if (!activeControl_) activeControl_ = FindNextControl(nullptr, true, true, false);
  SetWindowFocus();
}

void TCustomForm::WMSysCommand(TMessage& m) {
  if ((m.WParam & 0xFFF0) == SC_MINIMIZE && Application && Application->MainForm() == this && !ParentWindow()) {
    Application->Minimize();
    return;
  }
  DefaultHandler(m);
}

// ---- TDataModule ------------------------------------------------------------------------------

TDataModule::TDataModule(TComponent* owner) : TComponent(owner) {
  if (Screen) Screen->dataModules_.push_back(this);
}

void TDataModule::AfterConstruction() {
  if (ClassType() != TDataModule::StaticClass() && !InState(csDesigning)) {
    if (!InitInheritedComponent(this, TDataModule::StaticClass()))
      throw EResNotFound("Resource " + ClassName() + " not found");
  }
  if (OnCreate) {
    try {
      OnCreate(this);
    } catch (...) {
      if (!Application) throw;
      Application->HandleException(this);
    }
  }
}

void TDataModule::BeforeDestruction() {
  TComponent::BeforeDestruction();
  if (!destroyed_) {
    destroyed_ = true;
    if (OnDestroy) {
      try {
        OnDestroy(this);
      } catch (...) {
        if (Application) Application->HandleException(this);
      }
    }
  }
}

TDataModule::~TDataModule() {
  if (Screen) {
    auto& list = Screen->dataModules_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
  }
}

void TDataModule::GetChildren(const TGetChildProc& proc, TComponent* root) { TComponent::GetChildren(proc, root); }

// ---- THintWindow ------------------------------------------------------------------------------

THintWindow::THintWindow(TComponent* owner) : TCustomControl(owner) {
  SetColor(clInfoBk);
  if (Screen) Canvas()->SetFont(Screen->HintFont());
  Canvas()->Brush()->SetStyle(bsClear);
}

void THintWindow::CreateParams(TCreateParams& params) {
  TCustomControl::CreateParams(params);
  params.Style = WS_POPUP | WS_BORDER;
  params.WindowClass.style |= CS_SAVEBITS;
  params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
  params.WndParent = nullptr;
}

void THintWindow::Paint() {
  TRect r = ClientRect();
  r.Left += 2;
  r.Top += 2;
  Canvas()->Font()->SetColor(Screen ? Screen->HintFont()->Color() : clInfoText);
  RECT rr = r;
  std::string text = Caption();
  DrawTextA(Canvas()->Handle(), text.c_str(), -1, &rr, DT_LEFT | DT_NOPREFIX | DT_WORDBREAK);
}

TRect THintWindow::CalcHintRect(int maxWidth, const std::string& hint, void*) {
  RECT r{0, 0, maxWidth, 0};
  DrawTextA(Canvas()->Handle(), hint.c_str(), -1, &r, DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
  r.right += 6;
  r.bottom += 2;
  return r;
}

void THintWindow::ActivateHint(TRect rect, const std::string& hint) {
  SetCaption(hint);
  rect.Bottom += 4;
  int w = rect.Width(), h = rect.Height();
  TRect desk = Screen ? Screen->DesktopRect() : TRect(0, 0, 1024, 768);
  if (rect.Top + h > desk.Bottom) rect.Top = desk.Bottom - h;
  if (rect.Left + w > desk.Right) rect.Left = desk.Right - w;
  if (rect.Left < desk.Left) rect.Left = desk.Left;
  if (rect.Top < desk.Top) rect.Top = desk.Top;
  SetBounds(rect.Left, rect.Top, w, h);
  SetWindowPos(Handle(), HWND_TOPMOST, rect.Left, rect.Top, w, h, SWP_SHOWWINDOW | SWP_NOACTIVATE);
  Invalidate();
}

void THintWindow::ActivateHintData(TRect rect, const std::string& hint, void*) { ActivateHint(rect, hint); }

bool THintWindow::IsHintMsg(const MSG& msg) {
  UINT m = msg.message;
  return (m >= WM_KEYFIRST && m <= WM_KEYLAST) || m == CM_ACTIVATE || m == CM_DEACTIVATE || m == CM_APPKEYDOWN ||
         m == CM_APPSYSCOMMAND || m == WM_COMMAND || (m > WM_MOUSEMOVE && m <= WM_MOUSELAST) || m == WM_NCMOUSEMOVE;
}

void THintWindow::ReleaseHandle() { DestroyHandle(); }

void THintWindow::Dispatch(TMessage& m) {
  if (m.Msg == WM_NCHITTEST) {
    m.Result = HTTRANSPARENT;
    return;
  }
  TCustomControl::Dispatch(m);
}

// ---- TApplication -----------------------------------------------------------------------------

TApplication::TApplication(TComponent* owner) : TComponent(owner) {}

TApplication::~TApplication() {
  StopHintTimer();
  if (ownHandle_ && handle_) DestroyWindow(handle_);
  handle_ = nullptr;
}

void TApplication::SetHandle(HWND value) {
  if (ownHandle_ || value == handle_) return;
  handle_ = value;
}

namespace {
LRESULT ApplicationWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (Application && Application->Handle() == wnd) {
    TMessage m{msg, wp, lp, 0};
    Application->WndProc(m);
    return m.Result;
  }
  return DefWindowProc(wnd, msg, wp, lp);
}
}  // namespace

void TApplication::CreateHandle() {
  if (ownHandle_) return;
  WNDCLASS wc{};
  if (!GetClassInfo(FormsInstance(), "TApplication", &wc)) {
    wc.lpfnWndProc = &ApplicationWndProc;
    wc.hInstance = FormsInstance();
    wc.lpszClassName = "TApplication";
    RegisterClass(&wc);
  }
  handle_ = CreateWindowEx(0, "TApplication", title_.c_str(), WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                           0, 0, 0, 0, nullptr, nullptr, FormsInstance(), nullptr);
  ownHandle_ = handle_ != nullptr;
}

void TApplication::WndProc(TMessage& m) {
  try {
    switch (m.Msg) {
      case CM_ACTIONEXECUTE:
      case CM_ACTIONUPDATE:
        m.Result = DispatchAction(m.Msg, reinterpret_cast<TBasicAction*>(m.LParam)) ? 1 : 0;
        return;
      case WM_ACTIVATEAPP:
        active_ = m.WParam != 0;
        if (active_ && OnActivate) OnActivate(this);
        if (!active_ && OnDeactivate) OnDeactivate(this);
        break;
      default: break;
    }
    m.Result = DefWindowProc(handle_, m.Msg, m.WParam, m.LParam);
  } catch (...) {
    HandleException(this);
  }
}

void TApplication::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove) {
    if (component == mainForm_) mainForm_ = nullptr;
    if (component == hintWindow_) hintWindow_ = nullptr;
  }
}

void TApplication::Terminate() {
  terminate_ = true;
  PostQuitMessage(0);
}

bool TApplication::ProcessMessage(MSG& msg) {
  // The menu's loop ends before the press that closed it is taken: its caller may take it back.
  if (PopupMenuPressAway()) return true;
  if (!PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
  if (msg.message == WM_QUIT) {
    terminate_ = true;
    return true;
  }
  bool handled = false;
  if (OnMessage) OnMessage(msg, handled);
  if (!handled && msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) {
    TMessage km{msg.message, msg.wParam, msg.lParam, 0};
    handled = PopupMenuKeyMessage(km);
  }
  if (!IsHintMsg(msg) && !handled && !IsKeyMsg(msg) && !IsDlgMsg(msg)) {
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }
  return true;
}

void TApplication::ProcessMessages() {
  // Taking input off the queue may post messages (a mouse leaving a window) after the queue was
  // looked at: one more look finds them.
  MSG msg;
  for (int empty = 0; empty < 2;) {
    if (ProcessMessage(msg)) empty = 0;
    else ++empty;
  }
}

void TApplication::HandleMessage() {
  MSG msg;
  if (!ProcessMessage(msg)) Idle(msg);
}

void TApplication::Run() {
  terminate_ = false;
  if (!mainForm_) return;
  mainForm_->Show();
  do {
    try {
      HandleMessage();
    } catch (...) {
      HandleException(this);
    }
  } while (!terminate_);
}

void TApplication::Idle(const MSG&) {
  TControl* control = DoMouseIdle();
  if (showHint_ && !mouseControl_) CancelHint();
  (void)control;
  bool done = true;
  try {
    if (OnIdle) OnIdle(this, done);
    if (done) {
      // Actions of the visible forms follow their state.
      if (Screen)
        for (int i = 0; i < Screen->CustomFormCount(); ++i) {
          TCustomForm* f = Screen->CustomForms(i);
          if (f->HandleAllocated() && IsWindowVisible(f->WindowHandle()) && IsWindowEnabled(f->WindowHandle())) {
            std::function<void(TWinControl*)> walk = [&](TWinControl* w) {
              for (int j = 0; j < w->ControlCount(); ++j) {
                TControl* c = w->Controls(j);
                if (c->ActionLink()) c->InitiateAction();
                if (auto* cw = dynamic_cast<TWinControl*>(c)) walk(cw);
              }
            };
            walk(f);
          }
        }
      for (TCustomActionList* list : std::vector<TCustomActionList*>(ActionLists())) list->UpdateActions();
    }
  } catch (...) {
    HandleException(this);
  }
  if (done) WaitMessage();
}

bool TApplication::IsKeyMsg(MSG& msg) {
  if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
  HWND wnd = GetCapture();
  if (!wnd) {
    wnd = msg.hwnd;
    while (wnd && !IsVCLControl(wnd)) wnd = GetParent(wnd);
    if (!wnd) return false;  // not one of ours: nothing here knows the reflected messages
  } else if (!IsVCLControl(wnd)) {
    return false;
  }
  return SendMessage(wnd, CN_BASE + msg.message, msg.wParam, msg.lParam) != 0;
}

bool TApplication::IsHintMsg(MSG& msg) {
  if (hintWindow_ && hintWindow_->IsHintMsg(msg)) CancelHint();
  return false;
}

bool TApplication::IsShortCut(TMessage& m) {
  TShortCut sc = ShortCutFromMessage(m);
  if (sc == 0) return false;
  for (TCustomActionList* list : std::vector<TCustomActionList*>(ActionLists()))
    if (list->Owner() == this && list->IsShortCut(sc)) return true;
  return false;
}

// ---- exceptions

void TApplication::HandleException(TObject* sender) {
  if (HWND cap = GetCapture()) SendMessage(cap, WM_CANCELMODE, 0, 0);
  try {
    throw;
  } catch (const EAbort&) {
  } catch (const std::exception& e) {
    try {
      if (OnException) OnException(sender, e);
      else ShowException(e);
    } catch (...) {
      // A failing report must not escape either.
    }
  } catch (...) {
    try {
      ShowException(Exception("Unknown exception"));
    } catch (...) {
    }
  }
}

void TApplication::ShowException(const std::exception& e) {
  std::string msg = e.what();
  if (!msg.empty() && static_cast<unsigned char>(msg.back()) > '.') msg += '.';
  MessageBox(msg, title_, MB_OK | MB_ICONSTOP);
}

int TApplication::MessageBox(std::string_view text, std::string_view caption, int flags) {
  return GetDialogService()->MessageBox(text, caption, flags);
}

// ---- hints

void TApplication::SetShowHint(bool v) {
  if (showHint_ == v) return;
  showHint_ = v;
  if (!v) {
    CancelHint();
    if (hintWindow_) {
      THintWindow* h = hintWindow_;
      hintWindow_ = nullptr;
      h->Free();
    }
  }
}

void TApplication::SetHint(std::string_view v) {
  if (hint_ == v) return;
  hint_ = std::string(v);
  if (OnHint) OnHint(this);
}

TControl* TApplication::GetHintControl(TControl* control) {
  TControl* c = control;
  while (c && !c->ShowHint()) c = c->Parent();
  if (c && c->InState(csDesigning)) c = nullptr;
  return c;
}

void TApplication::HintTimerProc(HWND, UINT, UINT_PTR, DWORD) {
  if (Application) {
    try {
      Application->HintTimerExpired();
    } catch (...) {
      Application->HandleException(Application);
    }
  }
}

void TApplication::StartHintTimer(int value, TimerMode mode) {
  StopHintTimer();
  hintTimer_ = SetTimer(nullptr, 0, static_cast<UINT>(std::max(value, 1)), &HintTimerProc);
  timerMode_ = mode;
  if (!hintTimer_) CancelHint();
}

void TApplication::StopHintTimer() {
  if (hintTimer_) {
    KillTimer(nullptr, hintTimer_);
    hintTimer_ = 0;
  }
}

void TApplication::HintTimerExpired() {
  StopHintTimer();
  if (timerMode_ == TimerMode::Hide) {
    HideHint();
  } else {
    POINT p;
    GetCursorPos(&p);
    ActivateHint(TPoint(p));
  }
}

void TApplication::HideHint() {
  if (hintWindow_ && hintWindow_->HandleAllocated() && IsWindowVisible(hintWindow_->WindowHandle()))
    ShowWindow(hintWindow_->WindowHandle(), SW_HIDE);
}

void TApplication::CancelHint() {
  if (hintControl_) {
    HideHint();
    hintControl_ = nullptr;
    hintActive_ = false;
    StopHintTimer();
  }
}

void TApplication::HintMouseMessage(TControl* control, TMessage& m) {
  TPoint screen;
  try {
    screen = control->ClientToScreen(TPoint(m.XPos(), m.YPos()));
  } catch (const Exception&) {
    return;
  }
  TControl* newHintControl = GetHintControl(FindDragTarget(screen, true));
  if (!newHintControl || !newHintControl->ShowHint() || !showHint_) {
    CancelHint();
    return;
  }
  if (newHintControl != hintControl_ || !hintCursorRect_.Contains(screen)) {
    bool wasActive = hintActive_;
    int pause = wasActive ? hintShortPause_ : hintPause_;
    newHintControl->Perform(CM_HINTSHOWPAUSE, wasActive ? 1 : 0, reinterpret_cast<LPARAM>(&pause));
    CancelHint();
    hintActive_ = wasActive;
    hintControl_ = newHintControl;
    StartHintTimer(pause, TimerMode::Show);
  }
}

void TApplication::ActivateHint(const TPoint& cursorPos) {
  hintActive_ = false;
  THintInfo info;
  if (showHint_ && hintControl_ && hintControl_ == GetHintControl(FindDragTarget(cursorPos, false))) {
    info.HintControl = hintControl_;
    info.HintPos = cursorPos;
    info.HintPos.Y += 20;  // below the cursor
    info.HintMaxWidth = Screen ? Screen->Width() : 1024;
    info.HintColor = hintColor_;
    info.CursorRect = hintControl_->BoundsRect();
    TPoint clientOrigin = hintControl_->ClientOrigin();
    TPoint parentOrigin(0, 0);
    if (hintControl_->Parent()) {
      parentOrigin = hintControl_->Parent()->ClientOrigin();
    } else if (auto* w = dynamic_cast<TWinControl*>(hintControl_); w && w->ParentWindow()) {
      POINT p{0, 0};
      ::ClientToScreen(w->ParentWindow(), &p);
      parentOrigin = p;
    }
    info.CursorRect.Offset(parentOrigin.X - clientOrigin.X, parentOrigin.Y - clientOrigin.Y);
    info.CursorPos = hintControl_->ScreenToClient(cursorPos);
    // The hint of the control, or of the nearest parent that has one.
    std::string hint;
    for (TControl* c = hintControl_; c && hint.empty(); c = c->Parent()) hint = c->Hint();
    info.HintStr = GetShortHint(hint);
    info.ReshowTimeout = 0;
    info.HideTimeout = hintHidePause_;
    info.HintWindowClass = HintWindowClass;
    info.HintData = nullptr;
    bool canShow = hintControl_->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)) == 0;
    if (canShow && OnShowHint) OnShowHint(info.HintStr, canShow, info);
    hintActive_ = canShow && hintControl_;
    if (hintActive_ && !info.HintStr.empty()) {
      TClass cls = info.HintWindowClass ? info.HintWindowClass : HintWindowClass;
      if (hintWindow_ && hintWindow_->ClassType() != cls) {
        THintWindow* old = hintWindow_;
        hintWindow_ = nullptr;
        old->Free();
      }
      if (!hintWindow_) {
        TObject* obj = cls && cls->Create ? cls->Create(this) : nullptr;
        hintWindow_ = dynamic_cast<THintWindow*>(obj);
        if (!hintWindow_) {
          delete obj;
          hintWindow_ = new THintWindow(this);
        }
        hintWindow_->FreeNotification(this);
      }
      TRect r = hintWindow_->CalcHintRect(info.HintMaxWidth, info.HintStr, info.HintData);
      r.Offset(info.HintPos.X, info.HintPos.Y);
      hintCursorRect_ = TRect(hintControl_->ClientToScreen(info.CursorRect.TopLeft()),
                              hintControl_->ClientToScreen(info.CursorRect.BottomRight()));
      hintWindow_->SetColor(info.HintColor);
      hintWindow_->ActivateHintData(r, info.HintStr, info.HintData);
      if (info.ReshowTimeout > 0) StartHintTimer(info.ReshowTimeout, TimerMode::Show);
      else StartHintTimer(info.HideTimeout, TimerMode::Hide);
      return;
    }
  }
  if (info.ReshowTimeout > 0) StartHintTimer(info.ReshowTimeout, TimerMode::Show);
  else CancelHint();
}

// ---- mouse tracking

TControl* TApplication::DoMouseIdle() {
  POINT p;
  GetCursorPos(&p);
  TControl* target = FindDragTarget(TPoint(p), true);
  if (target && target->InState(csDesigning)) target = nullptr;
  TControl* capture = GetCaptureControl();
  if (mouseControl_ != target) {
    TControl* old = mouseControl_;
    bool told = (old && !capture) || (capture && old == capture);
    mouseControl_ = target;
    if (told && old) old->Perform(CM_MOUSELEAVE, 0, 0);
    if (mouseControl_ && ((!capture) || capture == mouseControl_)) mouseControl_->Perform(CM_MOUSEENTER, 0, 0);
  }
  return target;
}

void TApplication::ControlDestroyed(TControl* control) {
  if (mainForm_ == control) mainForm_ = nullptr;
  if (mouseControl_ == control) mouseControl_ = nullptr;
  if (hintControl_ == control) {
    hintControl_ = nullptr;
    hintActive_ = false;
    StopHintTimer();
    HideHint();
  }
  if (Screen) {
    if (Screen->activeControl_ == control) Screen->activeControl_ = nullptr;
    if (Screen->lastActiveControl_ == control) Screen->lastActiveControl_ = nullptr;
    if (Screen->activeCustomForm_ == control) Screen->activeCustomForm_ = nullptr;
    if (Screen->lastActiveCustomForm_ == control) Screen->lastActiveCustomForm_ = nullptr;
    if (Screen->activeForm_ == control) Screen->activeForm_ = nullptr;
    if (Screen->focusedForm_ == control) Screen->focusedForm_ = nullptr;
    for (auto& f : Screen->saveFocusedList_)
      if (f == control) f = nullptr;
  }
}

// ---- actions

bool TApplication::ExecuteAction(TBasicAction*) { return false; }
bool TApplication::UpdateAction(TBasicAction*) { return false; }

bool TApplication::DispatchAction(UINT msg, TBasicAction* action) {
  TCustomForm* form = Screen ? Screen->ActiveCustomForm() : nullptr;
  bool result = (form && form->Perform(msg, 0, reinterpret_cast<LPARAM>(action)) == 1) ||
                (mainForm_ && mainForm_ != form && mainForm_->Perform(msg, 0, reinterpret_cast<LPARAM>(action)) == 1);
  // An action that nothing handles and that has no handler of its own is disabled.
  if (!result)
    if (auto* ca = dynamic_cast<TCustomAction*>(action); ca && ca->Enabled() && ca->DisableIfNoHandler())
      ca->SetEnabled(static_cast<bool>(action->OnExecute()));
  return result;
}

void TApplication::ModalStarted() {
  ++modalLevel_;
  if (modalLevel_ == 1 && OnModalBegin) OnModalBegin(this);
}

void TApplication::ModalFinished() {
  --modalLevel_;
  if (modalLevel_ == 0 && OnModalEnd) OnModalEnd(this);
}

void TApplication::BringToFront() {
  if (mainForm_ && mainForm_->HandleAllocated()) SetForegroundWindow(mainForm_->WindowHandle());
}

void TApplication::Minimize() {
  if (mainForm_ && mainForm_->HandleAllocated()) ShowWindow(mainForm_->WindowHandle(), SW_MINIMIZE);
}

void TApplication::Restore() {
  if (mainForm_ && mainForm_->HandleAllocated()) ShowWindow(mainForm_->WindowHandle(), SW_RESTORE);
}

// ---- TScreen ----------------------------------------------------------------------------------

TScreen::TScreen(TComponent* owner)
    : TComponent(owner), hintFont_(std::make_unique<TFont>()), iconFont_(std::make_unique<TFont>()), menuFont_(std::make_unique<TFont>()) {
  hintFont_->SetColor(clInfoText);
  menuFont_->SetColor(clMenuText);
}

TScreen::~TScreen() = default;

void TScreen::AddForm(TCustomForm* form) {
  if (std::find(customForms_.begin(), customForms_.end(), form) == customForms_.end()) customForms_.push_back(form);
}

void TScreen::RemoveForm(TCustomForm* form) {
  customForms_.erase(std::remove(customForms_.begin(), customForms_.end(), form), customForms_.end());
  if (activeCustomForm_ == form) activeCustomForm_ = nullptr;
  if (lastActiveCustomForm_ == form) lastActiveCustomForm_ = nullptr;
  if (activeForm_ == form) activeForm_ = nullptr;
  if (focusedForm_ == form) focusedForm_ = nullptr;
  if (activeControl_ && ::GetParentForm(activeControl_) == form) activeControl_ = nullptr;
  if (lastActiveControl_ && ::GetParentForm(lastActiveControl_) == form) lastActiveControl_ = nullptr;
  for (auto& f : saveFocusedList_)
    if (f == form) f = nullptr;
}

int TScreen::FormCount() const {
  return static_cast<int>(std::count_if(customForms_.begin(), customForms_.end(), [](TCustomForm* f) { return dynamic_cast<TForm*>(f) != nullptr; }));
}

TForm* TScreen::Forms(int i) const {
  for (TCustomForm* f : customForms_)
    if (auto* t = dynamic_cast<TForm*>(f)) {
      if (i == 0) return t;
      --i;
    }
  throw EListError(Format("List index out of bounds (%d)", {i}));
}

void TScreen::SetActiveControlInternal(TWinControl* control) { activeControl_ = control; }

void TScreen::UpdateLastActive() {
  if (activeCustomForm_ != lastActiveCustomForm_) {
    lastActiveCustomForm_ = activeCustomForm_;
    if (OnActiveFormChange) OnActiveFormChange(this);
  }
  if (activeControl_ != lastActiveControl_) {
    lastActiveControl_ = activeControl_;
    if (OnActiveControlChange) OnActiveControlChange(this);
  }
}

void TScreen::SetCursor(TCursor value) {
  if (value != cursor_) {
    cursor_ = value;
    if (value == crDefault) {
      // The window under the mouse picks its own cursor again.
      POINT p;
      GetCursorPos(&p);
      HWND h = WindowFromPoint(p);
      if (h && GetWindowThreadProcessId(h, nullptr) == GetCurrentThreadId()) {
        LRESULT code = SendMessage(h, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y));
        SendMessage(h, WM_SETCURSOR, reinterpret_cast<WPARAM>(h), MAKELPARAM(code, WM_MOUSEMOVE));
      }
    } else {
      ::SetCursor(Cursors(value));
    }
  }
  ++cursorCount_;
}

namespace {

// The drag cursors: the arrow carrying a box (two boxes for several things), white with a black
// edge, made once.
HCURSOR MakeDragCursor(bool multi) {
  constexpr int kSize = 32;
  std::vector<uint32_t> px(kSize * kSize, 0);
  auto set = [&](int x, int y, uint32_t c) {
    if (x >= 0 && y >= 0 && x < kSize && y < kSize) px[static_cast<size_t>(y) * kSize + x] = c;
  };
  const uint32_t black = 0xFF000000u, white = 0xFFFFFFFFu;
  for (int y = 0; y < 16; ++y) {
    int right = y * 2 / 3;
    for (int x = 0; x <= right; ++x) set(x, y, (x == 0 || x == right || y == 15) ? black : white);
  }
  auto box = [&](int l, int t) {
    for (int y = t; y < t + 9; ++y)
      for (int x = l; x < l + 12; ++x) set(x, y, (y == t || y == t + 8 || x == l || x == l + 11) ? black : white);
  };
  if (multi) box(11, 17);
  box(8, 20);
  return CreateCursorFromPixels(0, 0, kSize, kSize, px.data());
}

}  // namespace

HCURSOR TScreen::Cursors(TCursor index) {
  for (auto& [i, h] : cursors_)
    if (i == index) return h;
  const char* name = IDC_ARROW;
  switch (index) {
    case crNone: return nullptr;
    case crDrag:
    case crMultiDrag: {
      HCURSOR made = MakeDragCursor(index == crMultiDrag);
      if (made) cursors_.emplace_back(index, made);
      return made;
    }
    case crCross: name = IDC_CROSS; break;
    case crIBeam: name = IDC_IBEAM; break;
    case crSizeAll: name = IDC_SIZEALL; break;
    case crSizeNESW: name = IDC_SIZENESW; break;
    case crSizeNS:
    case crVSplit: name = IDC_SIZENS; break;
    case crSizeNWSE: name = IDC_SIZENWSE; break;
    case crSizeWE:
    case crHSplit: name = IDC_SIZEWE; break;
    case crUpArrow: name = IDC_UPARROW; break;
    case crHourGlass:
    case crSQLWait: name = IDC_WAIT; break;
    case crNo:
    case crNoDrop: name = IDC_NO; break;
    case crAppStart: name = IDC_APPSTARTING; break;
    case crHelp: name = IDC_HELP; break;
    case crHandPoint: name = IDC_HAND; break;
    default: break;
  }
  return LoadCursor(nullptr, name);
}

void TScreen::SetCursors(TCursor index, HCURSOR cursor) {
  for (auto& [i, h] : cursors_)
    if (i == index) {
      h = cursor;
      return;
    }
  cursors_.emplace_back(index, cursor);
}

int TScreen::Width() const { return GetSystemMetrics(SM_CXSCREEN); }
int TScreen::Height() const { return GetSystemMetrics(SM_CYSCREEN); }
TRect TScreen::DesktopRect() const {
  return Bounds(GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN));
}
TRect TScreen::WorkAreaRect() const {
  RECT r{0, 0, 0, 0};
  SystemParametersInfo(SPI_GETWORKAREA, 0, &r, 0);
  return r;
}
