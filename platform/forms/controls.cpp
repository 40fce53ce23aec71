#include "platform/forms/controls.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "platform/classes/filer.h"
#include "platform/forms/forms.h"
#include "platform/forms/menus.h"
#include "platform/os/automation.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"

FANO_IMPLEMENT_CLASS_OWNED(TSizeConstraints, TPersistent, TControl)
FANO_IMPLEMENT_COMPONENT(TControl, TComponent)
FANO_IMPLEMENT_COMPONENT(TWinControl, TControl)
FANO_IMPLEMENT_CLASS(TControlCanvas, TCanvas)
FANO_IMPLEMENT_COMPONENT(TCustomControl, TWinControl)
FANO_IMPLEMENT_COMPONENT(TGraphicControl, TControl)

// ---- window registry --------------------------------------------------------------------------

namespace {

std::unordered_map<HWND, TWinControl*>& Registry() {
  static std::unordered_map<HWND, TWinControl*> map;
  return map;
}

// The control whose window is being made: the first message of the new window binds them.
TWinControl* creationControl = nullptr;
// A windowless control holding the mouse capture through its parent's window.
TControl* captureControl = nullptr;

char instanceAnchor;

}  // namespace

HINSTANCE FormsInstance() { return reinterpret_cast<HINSTANCE>(&instanceAnchor); }

namespace {
std::vector<TControlCanvas*>& CanvasList();
}  // namespace

void InitControlsRegistries() {
  Registry();
  CanvasList();
}

TWinControl* FindControl(HWND window) {
  if (!window) return nullptr;
  auto& r = Registry();
  auto it = r.find(window);
  return it == r.end() ? nullptr : it->second;
}

bool IsVCLControl(HWND window) { return FindControl(window) != nullptr; }

LRESULT FormsWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  TWinControl* c = FindControl(wnd);
  if (!c) return DefWindowProc(wnd, msg, wp, lp);
  TMessage m{msg, wp, lp, 0};
  c->MainWndProc(m);
  return m.Result;
}

LRESULT FormsInitWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  TWinControl* c = creationControl;
  if (!c) return DefWindowProc(wnd, msg, wp, lp);
  creationControl = nullptr;
  c->handle_ = wnd;
  Registry()[wnd] = c;
  SetWindowLongPtr(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FormsWndProc));
  return FormsWndProc(wnd, msg, wp, lp);
}

TControl* GetCaptureControl() {
  TControl* result = FindControl(GetCapture());
  if (result && captureControl && captureControl->Parent() == result) result = captureControl;
  return result;
}

void SetCaptureControl(TControl* control) {
  ReleaseCapture();
  captureControl = nullptr;
  if (!control) return;
  if (!dynamic_cast<TWinControl*>(control)) {
    if (!control->Parent()) return;
    captureControl = control;
    control = control->Parent();
  }
  SetCapture(static_cast<TWinControl*>(control)->Handle());
}

TControl* FindDragTarget(const TPoint& pos, bool allowDisabled) {
  HWND wnd = WindowFromPoint(pos);
  if (!wnd) return nullptr;
  TWinControl* win = FindControl(wnd);
  // A window of another kind inside one of ours (a native part): the nearest control of ours.
  while (!win && wnd) {
    wnd = GetParent(wnd);
    win = FindControl(wnd);
  }
  if (!win) return nullptr;
  if (TControl* c = win->ControlAtPos(win->ScreenToClient(pos), allowDisabled)) return c;
  return win;
}

TCustomForm* GetParentForm(const TControl* control) {
  const TControl* c = control;
  while (c && c->Parent()) c = c->Parent();
  return const_cast<TCustomForm*>(dynamic_cast<const TCustomForm*>(c));
}

TCustomForm* ValidParentForm(const TControl* control) {
  TCustomForm* f = GetParentForm(control);
  if (!f) throw EInvalidOperation("Control '" + (control ? control->Name() : std::string()) + "' has no parent form");
  return f;
}

TShiftState KeysToShiftState(WORD keys) {
  TShiftState s;
  if (keys & MK_SHIFT) s.Include(ssShift);
  if (keys & MK_CONTROL) s.Include(ssCtrl);
  if (keys & MK_LBUTTON) s.Include(ssLeft);
  if (keys & MK_RBUTTON) s.Include(ssRight);
  if (keys & MK_MBUTTON) s.Include(ssMiddle);
  if (GetKeyState(VK_MENU) < 0) s.Include(ssAlt);
  return s;
}

TShiftState KeyDataToShiftState(LPARAM keyData) {
  TShiftState s;
  if (GetKeyState(VK_SHIFT) < 0) s.Include(ssShift);
  if (GetKeyState(VK_CONTROL) < 0) s.Include(ssCtrl);
  if (keyData & 0x20000000) s.Include(ssAlt);  // the context-code bit of WM_SYSKEYDOWN
  else if (GetKeyState(VK_MENU) < 0) s.Include(ssAlt);
  return s;
}

TShiftState KeyboardStateToShiftState() {
  TShiftState s;
  if (GetKeyState(VK_SHIFT) < 0) s.Include(ssShift);
  if (GetKeyState(VK_CONTROL) < 0) s.Include(ssCtrl);
  if (GetKeyState(VK_MENU) < 0) s.Include(ssAlt);
  if (GetKeyState(VK_LBUTTON) < 0) s.Include(ssLeft);
  if (GetKeyState(VK_RBUTTON) < 0) s.Include(ssRight);
  if (GetKeyState(VK_MBUTTON) < 0) s.Include(ssMiddle);
  return s;
}

std::string GetShortHint(std::string_view hint) {
  size_t bar = hint.find('|');
  return std::string(bar == std::string_view::npos ? hint : hint.substr(0, bar));
}

std::string GetLongHint(std::string_view hint) {
  size_t bar = hint.find('|');
  return std::string(bar == std::string_view::npos ? hint : hint.substr(bar + 1));
}

// ---- TSizeConstraints -------------------------------------------------------------------------

void TSizeConstraints::Assign(TPersistent* source) {
  if (auto* c = dynamic_cast<TSizeConstraints*>(source)) {
    minWidth_ = c->minWidth_;
    minHeight_ = c->minHeight_;
    maxWidth_ = c->maxWidth_;
    maxHeight_ = c->maxHeight_;
    Changed();
    return;
  }
  TPersistent::Assign(source);
}

TPersistent* TSizeConstraints::GetOwner() const { return control_; }

namespace {

// Stores one limit of a min/max pair; the other one gives way (0 stays "no limit").
bool SetLimit(int& field, int& other, int value, bool isMin) {
  value = std::max(0, value);
  if (field == value) return false;
  field = value;
  if (value > 0 && other > 0 && (isMin ? value > other : value < other)) other = value;
  return true;
}

}  // namespace

void TSizeConstraints::SetMinWidth(int v) {
  if (SetLimit(minWidth_, maxWidth_, v, true)) Changed();
}
void TSizeConstraints::SetMinHeight(int v) {
  if (SetLimit(minHeight_, maxHeight_, v, true)) Changed();
}
void TSizeConstraints::SetMaxWidth(int v) {
  if (SetLimit(maxWidth_, minWidth_, v, false)) Changed();
}
void TSizeConstraints::SetMaxHeight(int v) {
  if (SetLimit(maxHeight_, minHeight_, v, false)) Changed();
}

void TSizeConstraints::Constrain(int& width, int& height) const noexcept {
  if (maxWidth_ > 0 && width > maxWidth_) width = maxWidth_;
  if (minWidth_ > 0 && width < minWidth_) width = minWidth_;
  if (maxHeight_ > 0 && height > maxHeight_) height = maxHeight_;
  if (minHeight_ > 0 && height < minHeight_) height = minHeight_;
}

void TSizeConstraints::Changed() {
  if (control_) control_->ConstraintsChanged();
}

// ---- TControl ---------------------------------------------------------------------------------

TControl::TControl(TComponent* owner)
    : TComponent(owner), font_(std::make_unique<TFont>()), constraints_(std::make_unique<TSizeConstraints>(this)) {
  windowProc_ = [this](TMessage& m) { WndProc(m); };
  font_->SetOwner(this);
  font_->OnChange = [this](TObject* s) { FontChanged(s); };
  controlStyle_ = TControlStyle{csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
}

void TControl::BeforeDestruction() {
  TComponent::BeforeDestruction();
  if (Application) Application->ControlDestroyed(this);
  // A docked control that goes leaves its site as if undocked, while it is still whole: the site
  // lets go of what it made for it (a page, a floating host).
  if (TWinControl* site = hostDockSite_) {
    site->Perform(CM_UNDOCKCLIENT, 0, reinterpret_cast<LPARAM>(this));
    site->RemoveDockClient(this);
  }
}

TControl::~TControl() {
  if (Application) Application->ControlDestroyed(this);
  DragControlDestroyed(this);
  if (hostDockSite_) hostDockSite_->RemoveDockClient(this);
  if (captureControl == this) captureControl = nullptr;
  if (parent_) parent_->RemoveControl(this);
  actionLink_.reset();
}

TComponent* TControl::GetParentComponent() const { return parent_; }

void TControl::SetParentComponent(TComponent* parent) {
  if (auto* w = dynamic_cast<TWinControl*>(parent)) SetParent(w);
}

void TControl::SetParent(TWinControl* parent) {
  if (parent_ == parent) return;
  if (parent == this) throw EInvalidOperation("A control cannot have itself as its parent");
  if (auto* self = dynamic_cast<TWinControl*>(this); self && parent && self->ContainsControl(parent))
    throw EInvalidOperation("A control cannot have one of its own children as its parent");
  if (parent_) parent_->RemoveControl(this);
  // A top-level window (a form docked into another) is made again as a child of its new parent.
  if (auto* self = dynamic_cast<TWinControl*>(this); self && !parent_ && parent && self->HandleAllocated() &&
                                                      !self->ParentWindow())
    self->DestroyHandle();
  if (parent) {
    parent->InsertControl(this);
    UpdateAnchorRules();
  }
}

bool TControl::IsControlOf(const TWinControl* container) const {
  for (const TControl* c = this; c; c = c->parent_)
    if (c == container) return true;
  return false;
}

void TControl::SetWindowProc(TWndMethod proc) {
  windowProc_ = proc ? std::move(proc) : TWndMethod([this](TMessage& m) { WndProc(m); });
}

LRESULT TControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam) {
  TMessage m{msg, wParam, lParam, 0};
  windowProc_(m);
  return m.Result;
}

void TControl::WndProc(TMessage& m) {
  if (m.Msg >= WM_KEYFIRST && m.Msg <= WM_KEYLAST) {
    // A form's WantChildKey hook is not used by this system.
  } else if (m.Msg >= WM_MOUSEFIRST && m.Msg <= WM_MOUSELAST) {
    if (!controlStyle_.Contains(csDoubleClicks)) {
      switch (m.Msg) {
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDBLCLK:
        case WM_MBUTTONDBLCLK:
          m.Msg -= WM_LBUTTONDBLCLK - WM_LBUTTONDOWN;
          break;
        default: break;
      }
    }
    switch (m.Msg) {
      case WM_MOUSEMOVE:
        if (Application) Application->HintMouseMessage(this, m);
        break;
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK:
        if (dragMode_ == dmAutomatic && !InState(csDesigning)) {
          BeginAutoDrag();
          return;
        }
        controlState_.Include(csLButtonDown);
        break;
      case WM_LBUTTONUP:
        controlState_.Exclude(csLButtonDown);
        break;
      default: break;
    }
  }
  const UINT msg = m.Msg;
  Dispatch(m);
  // A docked control's site follows its caption and visibility. (Other messages may have freed
  // the control: only these two look at it again.)
  if ((msg == WM_SETTEXT || msg == CM_VISIBLECHANGED) && hostDockSite_)
    hostDockSite_->Perform(CM_DOCKNOTIFICATION, reinterpret_cast<WPARAM>(this), reinterpret_cast<LPARAM>(&m));
}

void TControl::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case WM_LBUTTONDOWN: WMLButtonDown(m); return;
    case WM_LBUTTONDBLCLK: WMLButtonDblClk(m); return;
    case WM_LBUTTONUP: WMLButtonUp(m); return;
    case WM_RBUTTONDOWN: WMOtherButton(m, mbRight, false, false); return;
    case WM_RBUTTONDBLCLK: WMOtherButton(m, mbRight, false, true); return;
    case WM_RBUTTONUP: WMOtherButton(m, mbRight, true, false); return;
    case WM_MBUTTONDOWN: WMOtherButton(m, mbMiddle, false, false); return;
    case WM_MBUTTONDBLCLK: WMOtherButton(m, mbMiddle, false, true); return;
    case WM_MBUTTONUP: WMOtherButton(m, mbMiddle, true, false); return;
    case WM_MOUSEMOVE: WMMouseMove(m); return;
    case WM_MOUSEWHEEL: WMMouseWheel(m); return;
    case WM_CANCELMODE: WMCancelMode(m); return;
    case WM_CONTEXTMENU: WMContextMenu(m); return;
    case CM_MOUSEWHEEL: CMMouseWheel(m); return;
    case CM_ENABLEDCHANGED: CMEnabledChanged(m); return;
    case CM_VISIBLECHANGED: CMVisibleChanged(m); return;
    case CM_FONTCHANGED: CMFontChanged(m); return;
    case CM_COLORCHANGED: CMColorChanged(m); return;
    case CM_PARENTCOLORCHANGED: CMParentColorChanged(m); return;
    case CM_PARENTFONTCHANGED: CMParentFontChanged(m); return;
    case CM_PARENTSHOWHINTCHANGED: CMParentShowHintChanged(m); return;
    case CM_SYSFONTCHANGED: CMSysFontChanged(m); return;
    case CM_HITTEST: CMHitTest(m); return;
    case CM_HINTSHOW: CMHintShow(m); return;
    default: DefaultHandler(m); return;
  }
}

void TControl::DefaultHandler(TMessage& m) {
  switch (m.Msg) {
    case WM_GETTEXT: {
      char* buf = reinterpret_cast<char*>(m.LParam);
      if (!buf || m.WParam == 0) {
        m.Result = 0;
        return;
      }
      size_t n = std::min(static_cast<size_t>(m.WParam) - 1, text_.size());
      while (n > 0 && n < text_.size() && (static_cast<unsigned char>(text_[n]) & 0xC0) == 0x80) --n;
      std::memcpy(buf, text_.data(), n);
      buf[n] = 0;
      m.Result = static_cast<LRESULT>(n);
      return;
    }
    case WM_GETTEXTLENGTH: m.Result = static_cast<LRESULT>(text_.size()); return;
    case WM_SETTEXT: {
      const char* t = reinterpret_cast<const char*>(m.LParam);
      text_ = t ? t : "";
      m.Result = 1;
      return;
    }
    default: return;
  }
}

// ---- bounds and layout

void TControl::SetBounds(int left, int top, int width, int height) {
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  if (!CanResize(width, height)) return;
  constraints_->Constrain(width, height);
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  InvalidateControl(visible_, false);
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  UpdateAnchorRules();
  Invalidate();
  RequestAlign();
  if (!InState(csLoading)) Resize();
}

void TControl::ConstraintsChanged() {
  int w = width_, h = height_;
  constraints_->Constrain(w, h);
  if (w != width_ || h != height_) SetBounds(left_, top_, w, h);
  // A limit taken off lets an aligned control have the size its place gives it again.
  else RequestAlign();
}

bool TControl::CanResize(int& newWidth, int& newHeight) {
  bool resize = true;
  if (OnCanResize) OnCanResize(this, newWidth, newHeight, resize);
  return resize;
}

void TControl::Resize() {
  if (OnResize) OnResize(this);
}

bool TControl::CanAutoSize(int&, int&) { return false; }

void TControl::AdjustSize() {
  if (!autoSize_ || InState(csLoading)) return;
  int w = width_, h = height_;
  if (CanAutoSize(w, h)) SetBounds(left_, top_, w, h);
}

void TControl::SetAutoSize(bool value) {
  if (autoSize_ == value) return;
  autoSize_ = value;
  if (value) AdjustSize();
}

TRect TControl::ClientRect() { return Rect(0, 0, width_, height_); }

void TControl::SetClientSize(const TPoint& size) {
  TRect client = ClientRect();
  SetBounds(left_, top_, width_ - client.Right + size.X, height_ - client.Bottom + size.Y);
}

TPoint TControl::ClientOrigin() {
  if (!parent_) throw EInvalidOperation("Control '" + Name() + "' has no parent window");
  return parent_->ClientOrigin() + TPoint(left_, top_);
}

TPoint TControl::ClientToParent(const TPoint& p, TWinControl* parent) {
  if (!parent) parent = parent_;
  if (!parent) throw EInvalidOperation("Control '" + Name() + "' has no parent window");
  TPoint r = p;
  for (TControl* c = this; c != parent; c = c->parent_) {
    if (!c->parent_) throw EInvalidOperation("Control '" + parent->Name() + "' is not a parent of '" + Name() + "'");
    r = r + TPoint(c->left_, c->top_);
  }
  return r;
}

TPoint TControl::ParentToClient(const TPoint& p, TWinControl* parent) {
  TPoint origin = ClientToParent(TPoint(0, 0), parent);
  return p - origin;
}

void TControl::SetAlign(TAlign value) {
  if (align_ == value) return;
  TAlign old = align_;
  align_ = value;
  anchors_ = value == alLeft ? TAnchors{akLeft, akTop, akBottom}
             : value == alTop ? TAnchors{akLeft, akTop, akRight}
             : value == alRight ? TAnchors{akRight, akTop, akBottom}
             : value == alBottom ? TAnchors{akLeft, akRight, akBottom}
             : value == alClient ? TAnchors{akLeft, akTop, akRight, akBottom}
                                 : TAnchors{akLeft, akTop};
  if (!InState(csLoading) && old != alNone && value == alNone) {
    // Going back to free placement keeps the size the alignment gave.
  }
  RequestAlign();
}

void TControl::SetAnchors(TAnchors value) {
  if (anchors_ == value) return;
  anchors_ = value;
  if (!InState(csLoading)) UpdateAnchorRules();
}

void TControl::UpdateAnchorRules() {
  if (anchorMove_ || InState(csLoading)) return;
  if (anchors_ == TAnchors{akLeft, akTop}) {
    originalParentSize_ = TPoint(0, 0);
    return;
  }
  if (anchors_.Contains(akRight))
    anchorRules_.X = anchors_.Contains(akLeft) ? width_ : left_;
  else
    anchorRules_.X = left_ + width_ / 2;
  if (anchors_.Contains(akBottom))
    anchorRules_.Y = anchors_.Contains(akTop) ? height_ : top_;
  else
    anchorRules_.Y = top_ + height_ / 2;
  if (parent_) {
    if (parent_->InState(csReading))
      originalParentSize_ = parent_->designSize_;
    else if (parent_->HandleAllocated())
      originalParentSize_ = parent_->ClientRect().BottomRight();
    else
      originalParentSize_ = TPoint(parent_->Width(), parent_->Height());
  }
}

void TControl::RequestAlign() {
  if (parent_) parent_->AlignControl(this);
}

// ---- state

void TControl::SetVisible(bool value) {
  if (visible_ == value) return;
  VisibleChanging();
  visible_ = value;
  Perform(CM_VISIBLECHANGED, value ? 1 : 0, 0);
  RequestAlign();
}

void TControl::Show() {
  if (parent_) parent_->Show();
  if (!InState(csDesigning) || controlStyle_.Contains(csNoDesignVisible)) SetVisible(true);
}

void TControl::SetEnabled(bool value) {
  if (enabled_ == value) return;
  enabled_ = value;
  Perform(CM_ENABLEDCHANGED, 0, 0);
}

void TControl::SetCursor(TCursor value) {
  if (cursor_ == value) return;
  cursor_ = value;
  Perform(CM_CURSORCHANGED, 0, 0);
}

bool TControl::MouseCapture() { return GetCaptureControl() == this; }

void TControl::SetMouseCapture(bool value) {
  if (MouseCapture() == value) return;
  SetCaptureControl(value ? this : nullptr);
}

bool TControl::IsShowing() const {
  if (auto* w = dynamic_cast<const TWinControl*>(this)) return w->Showing();
  return visible_ && parent_ && parent_->Showing();
}

// ---- appearance

void TControl::SetColor(TColor value) {
  if (color_ == value) return;
  color_ = value;
  parentColor_ = false;
  Perform(CM_COLORCHANGED, 0, 0);
}

// Following the parent again takes the parent's setting at once (not while reading: the resource
// is applied first, the parent's settings after it).
void TControl::SetParentFlag(bool& flag, bool value, UINT notice) {
  if (flag == value) return;
  flag = value;
  if (parent_ && !InState(csReading)) Perform(notice, 0, 0);
}

void TControl::SetParentColor(bool value) { SetParentFlag(parentColor_, value, CM_PARENTCOLORCHANGED); }

void TControl::FontChanged(TObject*) {
  parentFont_ = false;
  Perform(CM_FONTCHANGED, 0, 0);
}

void TControl::SetParentFont(bool value) { SetParentFlag(parentFont_, value, CM_PARENTFONTCHANGED); }

void TControl::SetShowHint(bool value) {
  if (showHint_ == value) return;
  showHint_ = value;
  parentShowHint_ = false;
  Perform(CM_SHOWHINTCHANGED, 0, 0);
}

void TControl::SetParentShowHint(bool value) { SetParentFlag(parentShowHint_, value, CM_PARENTSHOWHINTCHANGED); }

int TControl::GetTextLen() const {
  return static_cast<int>(const_cast<TControl*>(this)->Perform(WM_GETTEXTLENGTH, 0, 0));
}

std::string TControl::GetText() const {
  int len = GetTextLen();
  if (len <= 0) return {};
  std::string buf(static_cast<size_t>(len) + 1, '\0');
  LRESULT got = const_cast<TControl*>(this)->Perform(WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()));
  buf.resize(static_cast<size_t>(std::clamp<LRESULT>(got, 0, len)));
  return buf;
}

void TControl::SetText(std::string_view value) {
  if (GetText() != value) SetTextValue(value);
}

void TControl::SetTextValue(std::string_view value) {
  std::string copy(value);
  Perform(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(copy.c_str()));
  Perform(CM_TEXTCHANGED, 0, 0);
}

// ---- menus and actions

void TControl::SetPopupMenu(TPopupMenu* value) {
  if (popupMenu_ == value) return;
  if (popupMenu_) popupMenu_->RemoveFreeNotification(this);
  popupMenu_ = value;
  if (value) value->FreeNotification(this);
}

TBasicAction* TControl::Action() const { return actionLink_ ? actionLink_->Action() : nullptr; }

void TControl::SetAction(TBasicAction* value) {
  if (!value) {
    actionLink_.reset();
    controlStyle_.Exclude(csActionClient);
    return;
  }
  controlStyle_.Include(csActionClient);
  if (!actionLink_) actionLink_ = std::make_unique<TControlActionLink>(this);
  actionLink_->SetAction(value);
  actionLink_->OnChange = [this](TObject* s) { DoActionChange(s); };
  ActionChange(value, InState(csLoading));
  value->FreeNotification(this);
}

void TControl::DoActionChange(TObject* sender) {
  if (actionLink_ && sender == actionLink_->Action()) ActionChange(sender, false);
}

void TControl::ActionChange(TObject* sender, bool checkDefaults) {
  auto* a = dynamic_cast<TCustomAction*>(sender);
  if (!a) return;
  if (!checkDefaults || GetText().empty() || GetText() == Name()) SetText(a->Caption());
  if (!checkDefaults || Enabled()) SetEnabled(a->Enabled());
  if (!checkDefaults || hint_.empty()) SetHint(a->Hint());
  if (!checkDefaults || visible_) SetVisible(a->Visible());
  if (!checkDefaults || helpContext_ == 0) SetHelpContext(a->HelpContext());
}

void TControl::InitiateAction() {
  if (actionLink_) actionLink_->Update();
}

bool TControl::ExecuteAction(TBasicAction* action) {
  if (action && action->HandlesTarget(this)) {
    action->ExecuteTarget(this);
    return true;
  }
  return false;
}

bool TControl::UpdateAction(TBasicAction* action) {
  if (action && action->HandlesTarget(this)) {
    action->UpdateTarget(this);
    return true;
  }
  return false;
}

void TControl::Click() {
  if (OnClick) OnClick(this);
  else if (actionLink_ && !InState(csDesigning)) actionLink_->Execute(this);
}

void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}

// ---- component protocol

void TControl::Loaded() {
  TComponent::Loaded();
  if (actionLink_ && actionLink_->Action()) ActionChange(actionLink_->Action(), true);
  UpdateAnchorRules();
}

void TControl::ReadState(TReader& reader) {
  controlState_.Include(csReadingState);
  try {
    TComponent::ReadState(reader);
  } catch (...) {
    controlState_.Exclude(csReadingState);
    throw;
  }
  controlState_.Exclude(csReadingState);
  // What the resource did not set follows the parent.
  if (parent_) {
    Perform(CM_PARENTCOLORCHANGED, 0, 0);
    Perform(CM_PARENTFONTCHANGED, 0, 0);
    Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
    Perform(CM_SYSFONTCHANGED, 0, 0);
  }
}

void TControl::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove) {
    if (component == popupMenu_) popupMenu_ = nullptr;
    if (actionLink_ && component == actionLink_->Action()) {
      actionLink_->SetAction(nullptr);
      actionLink_.reset();
    }
  }
}

TCustomForm* TControl::GetParentForm() const { return ::GetParentForm(this); }

void TControl::Changed() { Perform(CM_CHANGED, 0, reinterpret_cast<LPARAM>(this)); }

void TControl::SendCancelMode(TControl* sender) {
  for (TControl* c = this; c; c = c->parent_)
    if (auto* f = dynamic_cast<TCustomForm*>(c)) f->SendCancelMode(sender);
}

// ---- painting

void TControl::InvalidateControl(bool isVisible, bool isOpaque) {
  if ((isVisible || InState(csDesigning)) && parent_ && parent_->HandleAllocated()) {
    RECT r = BoundsRect();
    InvalidateRect(parent_->WindowHandle(), &r, !(isOpaque || parent_->ControlStyle().Contains(csOpaque)));
  }
}

void TControl::Invalidate() { InvalidateControl(visible_, controlStyle_.Contains(csOpaque)); }

void TControl::Update() {
  if (parent_) parent_->Update();
}

void TControl::Repaint() {
  if (!visible_ || !parent_ || !parent_->HandleAllocated()) return;
  if (controlStyle_.Contains(csOpaque)) {
    HDC dc = GetDC(parent_->WindowHandle());
    IntersectClipRect(dc, left_, top_, left_ + width_, top_ + height_);
    parent_->PaintControls(dc, this);
    ReleaseDC(parent_->WindowHandle(), dc);
  } else {
    Invalidate();
    Update();
  }
}

HDC TControl::GetDeviceContext(HWND& window) {
  if (!parent_) throw EInvalidOperation("Control '" + Name() + "' has no parent window");
  HDC dc = parent_->GetDeviceContext(window);
  SetViewportOrgEx(dc, left_, top_, nullptr);
  IntersectClipRect(dc, 0, 0, width_, height_);
  return dc;
}

void TControl::SetZOrder(bool topMost) {
  if (!parent_) return;
  auto& list = parent_->controls_;
  auto it = std::find(list.begin(), list.end(), this);
  if (it == list.end()) return;
  list.erase(it);
  // Windowless controls always lie below the windowed ones: they draw on the parent's surface.
  if (topMost) {
    auto firstWin = std::find_if(list.begin(), list.end(), [](TControl* c) { return dynamic_cast<TWinControl*>(c) != nullptr; });
    list.insert(firstWin, this);
  } else {
    list.insert(list.begin(), this);
  }
  Invalidate();
}

// ---- mouse

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TControl::DoMouseDown(TMessage& m, TMouseButton button, TShiftState shift) {
  if (!controlStyle_.Contains(csNoStdEvents)) MouseDown(button, KeysToShiftState(m.Keys()) + shift, m.XPos(), m.YPos());
}

void TControl::DoMouseUp(TMessage& m, TMouseButton button) {
  if (!controlStyle_.Contains(csNoStdEvents)) MouseUp(button, KeysToShiftState(m.Keys()), m.XPos(), m.YPos());
}

void TControl::WMLButtonDown(TMessage& m) {
  SendCancelMode(this);
  DefaultHandler(m);
  if (controlStyle_.Contains(csCaptureMouse)) SetMouseCapture(true);
  if (controlStyle_.Contains(csClickEvents)) controlState_.Include(csClicked);
  DoMouseDown(m, mbLeft, TShiftState{});
}

void TControl::WMLButtonDblClk(TMessage& m) {
  SendCancelMode(this);
  DefaultHandler(m);
  if (controlStyle_.Contains(csCaptureMouse)) SetMouseCapture(true);
  if (controlStyle_.Contains(csClickEvents)) DblClick();
  DoMouseDown(m, mbLeft, TShiftState{ssDouble});
}

void TControl::WMLButtonUp(TMessage& m) {
  DefaultHandler(m);
  if (controlStyle_.Contains(csCaptureMouse)) SetMouseCapture(false);
  if (controlState_.Contains(csClicked)) {
    controlState_.Exclude(csClicked);
    if (ClientRect().Contains(TPoint(m.XPos(), m.YPos()))) Click();
  }
  DoMouseUp(m, mbLeft);
}

void TControl::WMOtherButton(TMessage& m, TMouseButton button, bool up, bool dbl) {
  DefaultHandler(m);
  if (up) DoMouseUp(m, button);
  else DoMouseDown(m, button, dbl ? TShiftState{ssDouble} : TShiftState{});
}

void TControl::WMMouseMove(TMessage& m) {
  DefaultHandler(m);
  if (!controlStyle_.Contains(csNoStdEvents)) MouseMove(KeysToShiftState(m.Keys()), m.XPos(), m.YPos());
}

namespace {
// CM_MOUSEWHEEL packs the shift state in the low word of WParam and the delta in the high word.
WPARAM WheelWParam(TShiftState shift, int delta) {
  return static_cast<WPARAM>((static_cast<uint32_t>(shift.Bits()) & 0xFFFF) |
                             (static_cast<uint32_t>(static_cast<uint16_t>(static_cast<int16_t>(delta))) << 16));
}
}  // namespace

void TControl::WMMouseWheel(TMessage& m) {
  TShiftState shift = KeysToShiftState(m.WParamLo());
  int delta = static_cast<int16_t>(m.WParamHi());
  TMessage cm{CM_MOUSEWHEEL, WheelWParam(shift, delta), m.LParam, 0};
  TCustomForm* form = ::GetParentForm(this);
  if (form && form != static_cast<TControl*>(this)) form->MouseWheelHandler(cm);
  else cm.Result = Perform(CM_MOUSEWHEEL, cm.WParam, cm.LParam);
  m.Result = cm.Result;
  // CM_MOUSEWHEEL went up the parents already; only a window outside our controls (a host's) is
  // told through the window system.
  if (m.Result == 0 && !parent_) DefaultHandler(m);
}

void TControl::CMMouseWheel(TMessage& m) {
  TShiftState shift = TShiftState::FromBits(m.WParam & 0xFFFF);
  int delta = static_cast<int16_t>((m.WParam >> 16) & 0xFFFF);
  m.Result = 0;
  if (DoMouseWheel(shift, delta, LParamToPoint(m.LParam))) m.Result = 1;
  else if (parent_) m.Result = parent_->Perform(CM_MOUSEWHEEL, m.WParam, m.LParam);
}

bool TControl::DoMouseWheel(TShiftState shift, int wheelDelta, const TPoint& mousePos) {
  bool result = false;
  if (OnMouseWheel) OnMouseWheel(this, shift, wheelDelta, mousePos, result);
  if (!result) {
    // Whole notches only; the rest waits for the next turn.
    int& acc = wheelAccumulator_;
    acc += wheelDelta;
    while (std::abs(acc) >= WHEEL_DELTA) {
      bool neg = acc < 0;
      acc = std::abs(acc) - WHEEL_DELTA;
      if (neg) {
        if (acc != 0) acc = -acc;
        result = DoMouseWheelDown(shift, mousePos);
      } else {
        result = DoMouseWheelUp(shift, mousePos);
      }
    }
  }
  return result;
}

bool TControl::DoMouseWheelDown(TShiftState shift, const TPoint& mousePos) {
  bool result = false;
  if (OnMouseWheelDown) OnMouseWheelDown(this, shift, mousePos, result);
  return result;
}

bool TControl::DoMouseWheelUp(TShiftState shift, const TPoint& mousePos) {
  bool result = false;
  if (OnMouseWheelUp) OnMouseWheelUp(this, shift, mousePos, result);
  return result;
}

void TControl::WMCancelMode(TMessage&) {
  if (MouseCapture()) {
    SetMouseCapture(false);
    if (controlState_.Contains(csLButtonDown)) Perform(WM_LBUTTONUP, 0, static_cast<LPARAM>(static_cast<int32_t>(0xFFFFFFFF)));
  } else {
    controlState_.Exclude(csLButtonDown);
  }
}

void TControl::DoContextPopup(const TPoint& mousePos, bool& handled) {
  if (OnContextPopup) OnContextPopup(this, mousePos, handled);
}

void TControl::WMContextMenu(TMessage& m) {
  if (m.Result != 0) return;
  TPoint pt = LParamToPoint(m.LParam);
  bool invalid = pt.X == -1 && pt.Y == -1;
  TPoint local = pt;
  if (!invalid) {
    local = ScreenToClient(pt);
    if (!ClientRect().Contains(local)) {
      DefaultHandler(m);
      return;
    }
  }
  bool handled = false;
  DoContextPopup(local, handled);
  m.Result = handled ? 1 : 0;
  if (handled) return;
  TPopupMenu* menu = GetPopupMenu();
  if (menu && menu->AutoPopup()) {
    SendCancelMode(nullptr);
    menu->SetPopupComponent(this);
    if (invalid) pt = ClientToScreen(TPoint(0, 0));
    menu->Popup(pt.X, pt.Y);
    m.Result = 1;
  }
  if (m.Result == 0) DefaultHandler(m);
}

// ---- notifications

void TControl::CMEnabledChanged(TMessage&) { Invalidate(); }

void TControl::CMVisibleChanged(TMessage&) {
  if (!InState(csDesigning) || controlStyle_.Contains(csNoDesignVisible))
    InvalidateControl(true, visible_ && controlStyle_.Contains(csOpaque));
}

void TControl::CMFontChanged(TMessage&) { Invalidate(); }

void TControl::CMColorChanged(TMessage&) { Invalidate(); }

void TControl::CMParentColorChanged(TMessage& m) {
  if (!parentColor_) return;
  if (m.WParam != 0) SetColor(static_cast<TColor>(m.LParam));
  else if (parent_) SetColor(parent_->Color());
  parentColor_ = true;
}

void TControl::CMParentFontChanged(TMessage& m) {
  if (!parentFont_) return;
  if (m.WParam != 0) SetFont(reinterpret_cast<TFont*>(m.LParam));
  else if (parent_) SetFont(parent_->Font());
  parentFont_ = true;
}

void TControl::CMParentShowHintChanged(TMessage&) {
  if (!parentShowHint_ || !parent_) return;
  SetShowHint(parent_->ShowHint());
  parentShowHint_ = true;
}

void TControl::CMSysFontChanged(TMessage&) {}

void TControl::CMHitTest(TMessage& m) { m.Result = HTCLIENT; }

void TControl::CMHintShow(TMessage& m) {
  auto* info = reinterpret_cast<THintInfo*>(m.LParam);
  if (info && actionLink_ && !actionLink_->DoShowHint(info->HintStr)) m.Result = 1;
}


// ---- TWinControl ------------------------------------------------------------------------------

TWinControl::TWinControl(TComponent* owner) : TControl(owner), brush_(std::make_unique<TBrush>()) {
  brush_->SetColor(Color());
  tabStop_ = false;
}

void TWinControl::FreeChildControls() {
  if (childrenFreed_) return;
  childrenFreed_ = true;
  while (!controls_.empty()) {
    TControl* c = controls_.back();
    Remove(c);
    c->Free();
  }
}

void TWinControl::ForgetDockClients() {
  for (TControl* c : dockClients_)
    if (c->HostDockSite() == this) c->SetHostDockSite(nullptr);
  dockClients_.clear();
}

void TWinControl::BeforeDestruction() {
  TControl::BeforeDestruction();
  ForgetDockClients();
  if (Parent() || parentWindow_) RemoveFocus(true);
  if (handle_) DestroyWindowHandle();
  FreeChildControls();
}

TWinControl::~TWinControl() {
  ForgetDockClients();
  // Deleted without Free(): the same steps with only this part of the object left. The window's
  // own class procedure gets its last messages, so that a native control frees what it holds.
  if (handle_) {
    HWND h = handle_;
    Registry().erase(h);
    handle_ = nullptr;
    SetWindowLongPtr(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(defWndProc_ ? defWndProc_ : &DefWindowProc));
    DestroyWindow(h);
  }
  // Off the parent while this part is still whole: the base destructor would see a plain control.
  if (Parent()) Parent()->RemoveControl(this);
  FreeChildControls();
}

HWND TWinControl::Handle() {
  if (!handle_) {
    if (Parent()) Parent()->Handle();
    CreateHandle();
  }
  return handle_;
}

void TWinControl::CreateHandle() {
  if (handle_) return;
  CreateWnd();
  if (Parent()) SetWindowPos(handle_, Parent()->PrecedingWindow(this), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  for (TControl* c : controls_) c->UpdateAnchorRules();
}

void TWinControl::CreateParams(TCreateParams& params) {
  params = TCreateParams{};
  params.Caption = text_;
  params.Style = WS_CHILD | WS_CLIPSIBLINGS;
  if (ControlStyle().Contains(csAcceptsControls)) {
    params.Style |= WS_CLIPCHILDREN;
    params.ExStyle |= WS_EX_CONTROLPARENT;
  }
  if (!InState(csDesigning) && !Enabled()) params.Style |= WS_DISABLED;
  if (tabStop_) params.Style |= WS_TABSTOP;
  params.X = left_;
  params.Y = top_;
  params.Width = width_;
  params.Height = height_;
  params.WndParent = Parent() ? Parent()->Handle() : parentWindow_;
  params.WindowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  params.WindowClass.lpfnWndProc = &DefWindowProc;
  params.WindowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  params.WindowClass.hbrBackground = nullptr;
  params.WindowClass.hInstance = FormsInstance();
  params.WinClassName = ClassName();
}

void TWinControl::CreateSubClass(TCreateParams& params, const char* className) {
  HINSTANCE save = params.WindowClass.hInstance;
  WNDCLASS wc{};
  if (GetClassInfo(FormsInstance(), className, &wc) || GetClassInfo(nullptr, className, &wc)) {
    params.WindowClass = wc;
    params.WindowClass.lpszClassName = nullptr;
    params.WindowClass.lpszMenuName = nullptr;
  }
  params.WindowClass.hInstance = save;
  params.WindowClass.style =
      (params.WindowClass.style & ~(CS_OWNDC | CS_CLASSDC | CS_PARENTDC | CS_GLOBALCLASS)) | CS_VREDRAW | CS_HREDRAW;
}

namespace {

// Registers the window class of a control under its name, or under a name of this module copy's
// own when another copy already owns that name.
std::string RegisterControlClass(const TCreateParams& params) {
  std::string name = params.WinClassName;
  for (int attempt = 0; attempt < 2; ++attempt) {
    WNDCLASS existing{};
    if (GetClassInfo(FormsInstance(), name.c_str(), &existing)) {
      if (existing.lpfnWndProc == &FormsInitWndProc && existing.hInstance == FormsInstance()) return name;
      // Another module copy owns the name: this copy takes a name of its own.
      char suffix[32];
      std::snprintf(suffix, sizeof suffix, ".%llx", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(FormsInstance())));
      name = params.WinClassName + suffix;
      continue;
    }
    WNDCLASS wc = params.WindowClass;
    wc.lpfnWndProc = &FormsInitWndProc;
    wc.lpszClassName = name.c_str();
    wc.hInstance = FormsInstance();
    if (RegisterClass(&wc)) return name;
    throw EOutOfResources("Cannot register window class " + name);
  }
  throw EOutOfResources("Cannot register window class " + params.WinClassName);
}

}  // namespace

void TWinControl::CreateWnd() {
  TCreateParams params;
  CreateParams(params);
  if (!params.WndParent && (params.Style & WS_CHILD)) {
    auto* ownerWin = dynamic_cast<TWinControl*>(Owner());
    if (ownerWin && Owner()->InState(csReading)) params.WndParent = ownerWin->Handle();
    else throw EInvalidOperation("Control '" + Name() + "' has no parent window");
  }
  defWndProc_ = params.WindowClass.lpfnWndProc ? params.WindowClass.lpfnWndProc : &DefWindowProc;
  params.WinClassName = RegisterControlClass(params);
  creationControl = this;
  try {
    CreateWindowHandle(params);
  } catch (...) {
    creationControl = nullptr;
    throw;
  }
  creationControl = nullptr;
  if (!handle_) throw EOutOfResources("Error creating window of control '" + Name() + "'");
  if ((GetWindowLong(handle_, GWL_STYLE) & WS_CHILD) && GetWindowLong(handle_, GWL_ID) == 0)
    SetWindowLong(handle_, GWL_ID, static_cast<LONG>(reinterpret_cast<uintptr_t>(handle_)));
  text_.clear();
  UpdateBounds();
  Perform(WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), 1);
  if (AutoSize()) AdjustSize();
}

void TWinControl::CreateWindowHandle(const TCreateParams& params) {
  HWND h = CreateWindowEx(params.ExStyle, params.WinClassName.c_str(), params.Caption.c_str(), params.Style, params.X,
                          params.Y, params.Width, params.Height, params.WndParent, nullptr,
                          params.WindowClass.hInstance, params.Param);
  if (h && !handle_) {
    // A window class that does not go through our procedure first (never the case for our own).
    handle_ = h;
    Registry()[h] = this;
  }
}

void TWinControl::DestroyWnd() {
  // The window's text lives on in the control.
  int len = static_cast<int>(Perform(WM_GETTEXTLENGTH, 0, 0));
  std::string t;
  if (len > 0) {
    t.assign(static_cast<size_t>(len) + 1, '\0');
    LRESULT got = Perform(WM_GETTEXT, t.size(), reinterpret_cast<LPARAM>(t.data()));
    t.resize(static_cast<size_t>(std::clamp<LRESULT>(got, 0, len)));
  }
  DestroyWindowHandle();
  text_ = std::move(t);
}

void TWinControl::DestroyWindowHandle() {
  controlState_.Include(csDestroyingHandle);
  HWND h = handle_;
  if (h) DestroyWindow(h);
  if (handle_ == h && h) {
    Registry().erase(h);
    handle_ = nullptr;
  }
  controlState_.Exclude(csDestroyingHandle);
  showing_ = false;
  mouseTracking_ = false;
}

void TWinControl::DestroyHandle() {
  if (!handle_) return;
  for (TControl* c : controls_)
    if (auto* w = dynamic_cast<TWinControl*>(c)) w->DestroyHandle();
  DestroyWnd();
}

void TWinControl::RecreateWnd() {
  if (handle_) Perform(CM_RECREATEWND, 0, 0);
}

void TWinControl::CMRecreateWnd(TMessage&) {
  bool wasFocused = Focused();
  recreating_ = true;
  DestroyHandle();
  UpdateControlState();
  recreating_ = false;
  if (wasFocused && handle_) ::SetFocus(handle_);
}

void TWinControl::SetParentWindow(HWND value) {
  if (Parent() || parentWindow_ == value) return;
  if (handle_ && parentWindow_ && value) {
    parentWindow_ = value;
    ::SetParent(handle_, value);
  } else {
    DestroyHandle();
    parentWindow_ = value;
  }
  UpdateControlState();
}

TWinControl* TWinControl::CreateParented(TClass cls, HWND parentWindow) {
  if (!cls || !cls->InheritsFrom(TWinControl::StaticClass()) || !cls->Create)
    throw EInvalidOperation("Not a windowed control class");
  TObject* obj = cls->Create(nullptr);
  auto* w = dynamic_cast<TWinControl*>(obj);
  if (!w) {
    delete obj;
    throw EInvalidOperation("Not a windowed control class");
  }
  w->parentWindow_ = parentWindow;
  return w;
}

// ---- children

TControl* TWinControl::Controls(int index) const {
  if (index < 0 || index >= ControlCount()) throw EListError(Format("List index out of bounds (%d)", {index}));
  return controls_[static_cast<size_t>(index)];
}

void TWinControl::Insert(TControl* control) {
  if (!control) return;
  if (auto* w = dynamic_cast<TWinControl*>(control)) {
    controls_.push_back(control);
    tabList_.push_back(w);
  } else {
    // Windowless children keep below windowed ones in paint order; among themselves, in order.
    auto firstWin = std::find_if(controls_.begin(), controls_.end(), [](TControl* c) { return dynamic_cast<TWinControl*>(c) != nullptr; });
    controls_.insert(firstWin, control);
  }
  control->parent_ = this;
}

void TWinControl::Remove(TControl* control) {
  // By address, not by a cast: a control on its way out may no longer be known as windowed.
  std::erase_if(tabList_, [control](TWinControl* w) { return static_cast<TControl*>(w) == control; });
  controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
  control->parent_ = nullptr;
}

void TWinControl::InsertControl(TControl* control) {
  if (!control) return;
  Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(control), 1);
  Insert(control);
  if (!control->InState(csReading)) {
    control->Perform(CM_PARENTCOLORCHANGED, 0, 0);
    control->Perform(CM_PARENTFONTCHANGED, 0, 0);
    control->Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
    control->Perform(CM_PARENTBIDIMODECHANGED, 0, 0);
    if (auto* w = dynamic_cast<TWinControl*>(control)) {
      control->Perform(CM_PARENTCTL3DCHANGED, 0, 0);
      w->UpdateControlState();
    } else if (handle_) {
      control->Invalidate();
    }
    AlignControl(control);
  }
  Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(control), 1);
}

void TWinControl::RemoveControl(TControl* control) {
  if (!control || control->parent_ != this) return;
  Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(control), 0);
  if (auto* w = dynamic_cast<TWinControl*>(control)) {
    w->RemoveFocus(true);
    w->DestroyHandle();
  } else if (handle_) {
    control->InvalidateControl(control->Visible(), false);
  }
  Remove(control);
  Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(control), 0);
  Realign();
}

bool TWinControl::ContainsControl(const TControl* control) const {
  for (const TControl* c = control; c; c = c->parent_)
    if (c == this) return true;
  return false;
}

TControl* TWinControl::ControlAtPos(const TPoint& pos, bool allowDisabled, bool allowWinControls) {
  for (size_t i = controls_.size(); i > 0; --i) {
    TControl* c = controls_[i - 1];
    if (!allowWinControls && dynamic_cast<TWinControl*>(c)) continue;
    if (!c->Visible() || (!allowDisabled && !c->Enabled())) continue;
    TPoint p = pos - TPoint(c->Left(), c->Top());
    if (p.X < 0 || p.Y < 0 || p.X >= c->Width() || p.Y >= c->Height()) continue;
    if (c->Perform(CM_HITTEST, 0, PointToLParam(p)) != 0) return c;
  }
  return nullptr;
}

TControl* TWinControl::FindChildControl(std::string_view name) const {
  for (TControl* c : controls_)
    if (SameText(c->Name(), name)) return c;
  return nullptr;
}

void TWinControl::Broadcast(TMessage& message) {
  for (size_t i = 0; i < controls_.size(); ++i) {
    TControl* c = controls_[i];
    c->windowProc_(message);
    if (message.Result != 0) return;
  }
}

void TWinControl::NotifyControls(UINT msg) {
  TMessage m{msg, 0, 0, 0};
  Broadcast(m);
}

void TWinControl::GetChildren(const TGetChildProc& proc, TComponent* root) {
  for (TControl* c : controls_)
    if (c->Owner() == root) proc(c);
}

// ---- focus and tab order

int TWinControl::TabOrder() const {
  if (controlState_.Contains(csReadingState) || !Parent()) return tabOrderRead_;
  auto& list = Parent()->tabList_;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TWinControl::SetTabOrder(int value) {
  if (controlState_.Contains(csReadingState) || !Parent()) {
    tabOrderRead_ = value;
    return;
  }
  UpdateTabOrder(value);
}

void TWinControl::FixupTabList() {
  size_t count = tabList_.size();
  std::vector<TWinControl*> order(count, nullptr);
  for (TWinControl* c : tabList_) {
    int j = c->tabOrderRead_;
    if (j >= 0 && static_cast<size_t>(j) < count) order[static_cast<size_t>(j)] = c;
  }
  for (size_t i = 0; i < count; ++i)
    if (order[i]) order[i]->UpdateTabOrder(static_cast<int>(i));
}

void TWinControl::UpdateTabOrder(int value) {
  if (!Parent()) return;
  auto& list = Parent()->tabList_;
  auto it = std::find(list.begin(), list.end(), this);
  if (it == list.end()) return;
  int count = static_cast<int>(list.size());
  if (value < 0) value = 0;
  if (value >= count) value = count - 1;
  list.erase(it);
  list.insert(list.begin() + value, this);
}

void TWinControl::SetTabStop(bool value) {
  if (tabStop_ == value) return;
  tabStop_ = value;
  if (handle_) {
    LONG style = GetWindowLong(handle_, GWL_STYLE);
    SetWindowLong(handle_, GWL_STYLE, value ? (style | WS_TABSTOP) : (style & ~static_cast<LONG>(WS_TABSTOP)));
  }
  Perform(CM_TABSTOPCHANGED, 0, 0);
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list) {
  for (TWinControl* c : tabList_) {
    list.push_back(c);
    c->GetTabOrderList(list);
  }
}

TWinControl* TWinControl::FindNextControl(TWinControl* cur, bool goForward, bool checkTabStop, bool checkParent) {
  std::vector<TWinControl*> list;
  GetTabOrderList(list);
  if (list.empty()) return nullptr;
  int count = static_cast<int>(list.size());
  auto it = std::find(list.begin(), list.end(), cur);
  int start = it == list.end() ? (goForward ? count - 1 : 0) : static_cast<int>(it - list.begin());
  int i = start;
  do {
    if (goForward) {
      if (++i == count) i = 0;
    } else {
      if (i == 0) i = count;
      --i;
    }
    TWinControl* c = list[static_cast<size_t>(i)];
    if (c->CanFocus() && (!checkTabStop || c->TabStop()) && (!checkParent || c->Parent() == this)) return c;
  } while (i != start);
  return nullptr;
}

void TWinControl::SelectNext(TWinControl* cur, bool goForward, bool checkTabStop) {
  TWinControl* next = FindNextControl(cur, goForward, checkTabStop, !checkTabStop);
  if (next) next->SetFocus();
}

void TWinControl::SelectFirst() {
  TCustomForm* form = ::GetParentForm(this);
  if (!form) return;
  TWinControl* c = FindNextControl(nullptr, true, true, false);
  if (!c) c = FindNextControl(nullptr, true, false, false);
  if (c) form->SetActiveControl(c);
}

bool TWinControl::CanFocus() {
  TCustomForm* form = ::GetParentForm(this);
  if (form) {
    for (TControl* c = this; c != form; c = c->Parent())
      if (!c->Visible() || !c->Enabled()) return false;
    return true;
  }
  // A control in a foreign window (no form of ours above it).
  for (TControl* c = this; c; c = c->Parent())
    if (!c->Visible() || !c->Enabled()) return false;
  return true;
}

bool TWinControl::Focused() { return handle_ && GetFocus() == handle_; }

void TWinControl::SetFocus() {
  TCustomForm* form = ::GetParentForm(this);
  if (form) form->FocusControl(this);
  else if (parentWindow_ || Parent()) ::SetFocus(Handle());
  else ValidParentForm(this);
}

void TWinControl::RemoveFocus(bool removing) {
  TCustomForm* form = ::GetParentForm(this);
  if (form) form->DefocusControl(this, removing);
}

// ---- showing

void TWinControl::UpdateShowing() { UpdateShowingIn(!Parent() || Parent()->Showing()); }

// Showing: visible, with every parent up to the top showing. Children learn it before their
// parent when showing (their windows exist when the parent's appears) and after it when hiding.
void TWinControl::UpdateShowingIn(bool parentShows) {
  bool show = parentShows && (Visible() || (InState(csDesigning) && !ControlStyle().Contains(csNoDesignVisible))) &&
              !controlState_.Contains(csReadingState);
  if (show) {
    if (!handle_) CreateHandle();
    for (size_t i = 0; i < controls_.size(); ++i)
      if (auto* w = dynamic_cast<TWinControl*>(controls_[i])) w->UpdateShowingIn(true);
  }
  if (showing_ != show && (handle_ || !show)) {
    showing_ = show;
    try {
      Perform(CM_SHOWINGCHANGED, 0, 0);
    } catch (...) {
      showing_ = !show;
      throw;
    }
  }
  if (!show)
    for (size_t i = 0; i < controls_.size(); ++i)
      if (auto* w = dynamic_cast<TWinControl*>(controls_[i]); w && w->showing_) w->UpdateShowingIn(false);
}

void TWinControl::UpdateControlState() {
  TWinControl* c = this;
  while (c->Parent()) {
    c = c->Parent();
    if (!c->Showing()) return;
  }
  if (dynamic_cast<TCustomForm*>(c) || c->parentWindow_) UpdateShowing();
}

void TWinControl::CMShowingChanged(TMessage&) {
  static const UINT flags[2] = {SWP_HIDEWINDOW, SWP_SHOWWINDOW};
  if (handle_)
    SetWindowPos(handle_, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | flags[showing_ ? 1 : 0]);
}

// ---- appearance

void TWinControl::SetCtl3D(bool value) {
  if (ctl3D_ == value) return;
  ctl3D_ = value;
  parentCtl3D_ = false;
  Perform(CM_CTL3DCHANGED, 0, 0);
}

void TWinControl::SetParentCtl3D(bool value) { SetParentFlag(parentCtl3D_, value, CM_PARENTCTL3DCHANGED); }

void TWinControl::SetBorderWidth(int value) {
  if (borderWidth_ == value) return;
  borderWidth_ = value;
  if (handle_) SetWindowPos(handle_, nullptr, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE | SWP_FRAMECHANGED);
  Realign();
}

// ---- layout

void TWinControl::SetBounds(int left, int top, int width, int height) {
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  if (!CanResize(width, height)) return;
  Constraints()->Constrain(width, height);
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  if (handle_ && !IsIconic(handle_)) {
    SetWindowPos(handle_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  } else {
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    if (handle_) {
      WINDOWPLACEMENT wp{};
      wp.length = sizeof wp;
      GetWindowPlacement(handle_, &wp);
      wp.rcNormalPosition = BoundsRect();
      SetWindowPlacement(handle_, &wp);
    }
  }
  UpdateAnchorRules();
  RequestAlign();
}

void TWinControl::UpdateBounds() {
  if (!handle_) return;
  RECT r;
  if (IsIconic(handle_)) {
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    GetWindowPlacement(handle_, &wp);
    r = wp.rcNormalPosition;
  } else {
    GetWindowRect(handle_, &r);
    if (GetWindowLong(handle_, GWL_STYLE) & WS_CHILD) {
      if (HWND p = GetParent(handle_)) {
        POINT pts[2] = {{r.left, r.top}, {r.right, r.bottom}};
        ::ScreenToClient(p, &pts[0]);
        ::ScreenToClient(p, &pts[1]);
        r = RECT{pts[0].x, pts[0].y, pts[1].x, pts[1].y};
      }
    }
  }
  if (left_ != r.left || top_ != r.top || width_ != r.right - r.left || height_ != r.bottom - r.top) {
    left_ = r.left;
    top_ = r.top;
    width_ = r.right - r.left;
    height_ = r.bottom - r.top;
    UpdateAnchorRules();
  }
}

TRect TWinControl::ClientRect() {
  if (!handle_) return TControl::ClientRect();
  RECT r{0, 0, 0, 0};
  GetClientRect(handle_, &r);
  return r;
}

TPoint TWinControl::ClientOrigin() {
  POINT p{0, 0};
  ::ClientToScreen(Handle(), &p);
  return p;
}

void TWinControl::SetClientSize(const TPoint& size) {
  TRect client = ClientRect();
  SetBounds(left_, top_, width_ - client.Right + size.X, height_ - client.Bottom + size.Y);
}

void TWinControl::DisableAlign() { ++alignLevel_; }

void TWinControl::EnableAlign() {
  if (--alignLevel_ == 0 && controlState_.Contains(csAlignmentNeeded)) Realign();
}

void TWinControl::Realign() { AlignControl(nullptr); }

void TWinControl::AlignControl(TControl* control) {
  if (!handle_ || InState(csDestroying)) return;
  if (alignLevel_ != 0) {
    controlState_.Include(csAlignmentNeeded);
    return;
  }
  DisableAlign();
  try {
    TRect r = ClientRect();
    AlignControls(control, r);
  } catch (...) {
    controlState_.Exclude(csAlignmentNeeded);
    EnableAlign();
    throw;
  }
  controlState_.Exclude(csAlignmentNeeded);
  EnableAlign();
}

void TWinControl::AdjustClientRect(TRect& rect) { rect.Inflate(-borderWidth_, -borderWidth_); }

void TWinControl::AlignControls(TControl* control, TRect& rect) {
  bool work = false;
  for (TControl* c : controls_)
    if (c->Align() != alNone || !(c->Anchors() == TAnchors{akLeft, akTop})) work = true;
  if (!work) return;
  AdjustClientRect(rect);
  auto insertBefore = [](TControl* c1, TControl* c2, TAlign a) {
    switch (a) {
      case alTop: return c1->Top() < c2->Top();
      case alBottom: return c1->Top() + c1->Height() >= c2->Top() + c2->Height();
      case alLeft: return c1->Left() < c2->Left();
      case alRight: return c1->Left() + c1->Width() >= c2->Left() + c2->Width();
      default: return false;
    }
  };
  auto doPosition = [&](TControl* c, TAlign a) {
    if (a == alNone || !(c->Anchors() == (a == alLeft   ? TAnchors{akLeft, akTop, akBottom}
                                          : a == alTop   ? TAnchors{akLeft, akTop, akRight}
                                          : a == alRight ? TAnchors{akRight, akTop, akBottom}
                                          : a == alBottom ? TAnchors{akLeft, akRight, akBottom}
                                                          : TAnchors{akLeft, akTop, akRight, akBottom}))) {
      if (c->originalParentSize_.X != 0 && c->originalParentSize_.Y != 0) {
        int newLeft = c->Left(), newTop = c->Top(), newWidth = c->Width(), newHeight = c->Height();
        TPoint parentSize = ClientRect().BottomRight();
        TAnchors an = c->Anchors();
        if (an.Contains(akRight)) {
          if (an.Contains(akLeft)) newWidth = parentSize.X - (c->originalParentSize_.X - c->anchorRules_.X);
          else newLeft = parentSize.X - (c->originalParentSize_.X - c->anchorRules_.X);
        } else if (!an.Contains(akLeft)) {
          newLeft = MulDiv(c->anchorRules_.X, parentSize.X, c->originalParentSize_.X) - newWidth / 2;
        }
        if (an.Contains(akBottom)) {
          if (an.Contains(akTop)) newHeight = parentSize.Y - (c->originalParentSize_.Y - c->anchorRules_.Y);
          else newTop = parentSize.Y - (c->originalParentSize_.Y - c->anchorRules_.Y);
        } else if (!an.Contains(akTop)) {
          newTop = MulDiv(c->anchorRules_.Y, parentSize.Y, c->originalParentSize_.Y) - newHeight / 2;
        }
        c->anchorMove_ = true;
        try {
          c->SetBounds(newLeft, newTop, newWidth, newHeight);
        } catch (...) {
          c->anchorMove_ = false;
          throw;
        }
        c->anchorMove_ = false;
        if (a == alNone) return;
      }
    }
    if (a == alNone) return;
    int newWidth = rect.Right - rect.Left;
    if (newWidth < 0 || a == alLeft || a == alRight || a == alCustom) newWidth = c->Width();
    int newHeight = rect.Bottom - rect.Top;
    if (newHeight < 0 || a == alTop || a == alBottom || a == alCustom) newHeight = c->Height();
    int newLeft = rect.Left, newTop = rect.Top;
    switch (a) {
      case alTop: rect.Top += newHeight; break;
      case alBottom:
        rect.Bottom -= newHeight;
        newTop = rect.Bottom;
        break;
      case alLeft: rect.Left += newWidth; break;
      case alRight:
        rect.Right -= newWidth;
        newLeft = rect.Right;
        break;
      default: break;
    }
    c->anchorMove_ = true;
    try {
      c->SetBounds(newLeft, newTop, newWidth, newHeight);
    } catch (...) {
      c->anchorMove_ = false;
      throw;
    }
    c->anchorMove_ = false;
    // A control that did not take the size it was given gives the rest back. A client-aligned
    // one took nothing from the rest: growing it would give the next one room past the parent.
    if (c->Width() != newWidth || c->Height() != newHeight) {
      switch (a) {
        case alTop: rect.Top -= newHeight - c->Height(); break;
        case alBottom: rect.Bottom += newHeight - c->Height(); break;
        case alLeft: rect.Left -= newWidth - c->Width(); break;
        case alRight: rect.Right += newWidth - c->Width(); break;
        default: break;
      }
    }
  };
  std::vector<TControl*> list;
  auto doAlign = [&](TAlign a) {
    list.clear();
    if (control && (a == alNone || control->Visible()) && control->Align() == a) list.push_back(control);
    for (TControl* c : controls_) {
      if (c->Align() != a || (a != alNone && !c->Visible())) continue;
      if (c == control) continue;
      size_t j = 0;
      while (j < list.size() && !insertBefore(c, list[j], a)) ++j;
      list.insert(list.begin() + static_cast<ptrdiff_t>(j), c);
    }
    for (TControl* c : std::vector<TControl*>(list)) doPosition(c, a);
  };
  doAlign(alTop);
  doAlign(alBottom);
  doAlign(alLeft);
  doAlign(alRight);
  doAlign(alClient);
  doAlign(alCustom);
  doAlign(alNone);
}

void TWinControl::ScrollBy(int deltaX, int deltaY) {
  if (handle_ && IsWindowVisible(handle_)) ScrollWindow(handle_, deltaX, deltaY, nullptr, nullptr);
  for (TControl* c : controls_) {
    if (auto* w = dynamic_cast<TWinControl*>(c); w && w->HandleAllocated()) {
      if (!handle_ || !IsWindowVisible(handle_)) w->SetBounds(w->Left() + deltaX, w->Top() + deltaY, w->Width(), w->Height());
      else w->UpdateBounds();
    } else {
      c->left_ += deltaX;
      c->top_ += deltaY;
    }
  }
  Realign();
}

// ---- painting

void TWinControl::Invalidate() { Perform(CM_INVALIDATE, 0, 0); }

void TWinControl::CMInvalidate(TMessage& m) {
  if (!handle_) return;
  if (Parent()) Parent()->Perform(CM_INVALIDATE, 1, 0);
  if (m.WParam == 0) InvalidateRect(handle_, nullptr, !ControlStyle().Contains(csOpaque));
}

void TWinControl::Update() {
  if (handle_) UpdateWindow(handle_);
}

void TWinControl::Repaint() {
  Invalidate();
  Update();
}

HDC TWinControl::GetDeviceContext(HWND& window) {
  HDC dc = GetDC(Handle());
  if (!dc) throw EOutOfResources("Error creating window device context");
  window = handle_;
  return dc;
}

HWND TWinControl::PrecedingWindow(TWinControl* control) {
  auto it = std::find(controls_.begin(), controls_.end(), control);
  if (it != controls_.end()) {
    for (++it; it != controls_.end(); ++it)
      if (auto* w = dynamic_cast<TWinControl*>(*it); w && w->HandleAllocated()) return w->WindowHandle();
  }
  return HWND_BOTTOM;
}

void TWinControl::SetZOrder(bool topMost) {
  if (!Parent()) {
    if (handle_) SetWindowPos(handle_, topMost ? HWND_TOP : HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return;
  }
  auto& list = Parent()->controls_;
  auto it = std::find(list.begin(), list.end(), this);
  if (it == list.end()) return;
  list.erase(it);
  if (topMost) list.push_back(this);
  else {
    // Below every windowed sibling, still above the windowless ones.
    auto firstWin = std::find_if(list.begin(), list.end(), [](TControl* c) { return dynamic_cast<TWinControl*>(c) != nullptr; });
    list.insert(firstWin, this);
  }
  if (handle_)
    SetWindowPos(handle_, topMost ? HWND_TOP : HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TWinControl::PaintWindow(HDC dc) {
  TMessage m{WM_PAINT, reinterpret_cast<WPARAM>(dc), 0, 0};
  DefaultHandler(m);
}

void TWinControl::PaintControls(HDC dc, TControl* first) {
  size_t i = 0;
  if (first) {
    auto it = std::find(controls_.begin(), controls_.end(), first);
    if (it != controls_.end()) i = static_cast<size_t>(it - controls_.begin());
  }
  for (; i < controls_.size(); ++i) {
    TControl* c = controls_[i];
    if (dynamic_cast<TWinControl*>(c)) continue;
    if (!c->Visible()) continue;
    RECT r{c->Left(), c->Top(), c->Left() + c->Width(), c->Top() + c->Height()};
    if (!RectVisible(dc, &r)) continue;
    if (controlState_.Contains(csPaintCopy)) c->controlState_.Include(csPaintCopy);
    int saved = SaveDC(dc);
    POINT org;
    GetWindowOrgEx(dc, &org);
    SetWindowOrgEx(dc, org.x - c->Left(), org.y - c->Top(), nullptr);
    IntersectClipRect(dc, 0, 0, c->Width(), c->Height());
    c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
    RestoreDC(dc, saved);
    c->controlState_.Exclude(csPaintCopy);
  }
  // The 3-D frame of framed windowed children lies on this control's surface.
  for (TControl* c : controls_) {
    auto* w = dynamic_cast<TWinControl*>(c);
    if (!w || !w->Ctl3D() || !w->ControlStyle().Contains(csFramed) || !w->Visible()) continue;
    HBRUSH shadow = CreateSolidBrush(ColorToRGB(clBtnShadow));
    RECT r1{w->Left() - 1, w->Top() - 1, w->Left() + w->Width(), w->Top() + w->Height()};
    ::FrameRect(dc, &r1, shadow);
    DeleteObject(shadow);
    HBRUSH light = CreateSolidBrush(ColorToRGB(clBtnHighlight));
    RECT r2{w->Left(), w->Top(), w->Left() + w->Width() + 1, w->Top() + w->Height() + 1};
    ::FrameRect(dc, &r2, light);
    DeleteObject(light);
  }
}

void TWinControl::PaintHandler(TMessage& m) {
  HDC dc = reinterpret_cast<HDC>(m.WParam);
  PAINTSTRUCT ps{};
  if (!dc) dc = BeginPaint(Handle(), &ps);
  if (!dc) return;
  try {
    bool anyWindowless = std::any_of(controls_.begin(), controls_.end(), [](TControl* c) { return !dynamic_cast<TWinControl*>(c); });
    if (!anyWindowless) {
      PaintWindow(dc);
    } else {
      int saved = SaveDC(dc);
      int clip = SIMPLEREGION;
      for (TControl* c : controls_) {
        if (dynamic_cast<TWinControl*>(c)) continue;
        if (c->Visible() && c->ControlStyle().Contains(csOpaque)) {
          clip = ExcludeClipRect(dc, c->Left(), c->Top(), c->Left() + c->Width(), c->Top() + c->Height());
          if (clip == NULLREGION) break;
        }
      }
      if (clip != NULLREGION) PaintWindow(dc);
      RestoreDC(dc, saved);
    }
    PaintControls(dc, nullptr);
  } catch (...) {
    if (!m.WParam) EndPaint(handle_, &ps);
    throw;
  }
  if (!m.WParam) EndPaint(handle_, &ps);
}

void TWinControl::PaintTo(HDC dc, int x, int y) {
  if (!handle_) return;
  int saved = SaveDC(dc);
  POINT org;
  GetViewportOrgEx(dc, &org);
  SetViewportOrgEx(dc, org.x + x, org.y + y, nullptr);
  IntersectClipRect(dc, 0, 0, width_, height_);
  Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
  RestoreDC(dc, saved);
  for (TControl* c : controls_)
    if (auto* w = dynamic_cast<TWinControl*>(c); w && w->Visible()) w->PaintTo(dc, x + w->Left(), y + w->Top());
}

void TWinControl::WMPaint(TMessage& m) {
  bool anyWindowless = std::any_of(controls_.begin(), controls_.end(), [](TControl* c) { return !dynamic_cast<TWinControl*>(c); });
  if (!controlState_.Contains(csCustomPaint) && !anyWindowless) DefaultHandler(m);
  else PaintHandler(m);
}

void TWinControl::WMEraseBkgnd(TMessage& m) {
  HDC dc = reinterpret_cast<HDC>(m.WParam);
  RECT r = ClientRect();
  ::FillRect(dc, &r, brush_->Handle());
  m.Result = 1;
}

// ---- the message chain

void TWinControl::MainWndProc(TMessage& m) {
  try {
    // A focus change refused while this message is handled is reported with it; the refusal in
    // WM_SETFOCUS itself goes on to the code that moved the focus.
    TFocusRefusals refusals(m.Msg != WM_SETFOCUS);
    // While a popup menu shows, the keys are its.
    if (m.Msg >= WM_KEYFIRST && m.Msg <= WM_KEYLAST && PopupMenuKeyMessage(m)) return;
    windowProc_(m);
    refusals.Raise();
  } catch (...) {
    FreeDeviceContexts();
    if (Application) Application->HandleException(this);
    return;
  }
  FreeDeviceContexts();
}

// A driver of the interface finds a control by its name (platform/os/automation.h).
static UINT ControlNameMessageNumber() {
  static const UINT number = RegisterWindowMessage(kFanoControlNameMessage);
  return number;
}

void TWinControl::WndProc(TMessage& m) {
  if (m.Msg >= 0xC000 && m.Msg == ControlNameMessageNumber()) {
    char* buf = reinterpret_cast<char*>(m.LParam);
    const std::string& name = Name();
    m.Result = 0;
    if (!buf || m.WParam == 0 || name.empty()) return;
    const size_t n = std::min(static_cast<size_t>(m.WParam) - 1, name.size());
    std::memcpy(buf, name.data(), n);
    buf[n] = 0;
    m.Result = static_cast<LRESULT>(n);
    return;
  }
  switch (m.Msg) {
    case WM_SETFOCUS: {
      TCustomForm* form = ::GetParentForm(this);
      if (form && !form->SetFocusedControl(this)) return;
      break;
    }
    case WM_KILLFOCUS:
      if (controlState_.Contains(csFocusing)) return;
      break;
    case WM_NCHITTEST:
      TControl::WndProc(m);
      if (m.Result == HTTRANSPARENT && handle_) {
        POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
        ::ScreenToClient(handle_, &p);
        if (ControlAtPos(TPoint(p), false)) m.Result = HTCLIENT;
      }
      return;
    case WM_CANCELMODE:
      if (handle_ && GetCapture() == handle_ && captureControl && captureControl->Parent() == this)
        captureControl->Perform(WM_CANCELMODE, 0, 0);
      break;
    default:
      if (m.Msg >= WM_MOUSEFIRST && m.Msg <= WM_MOUSELAST && IsControlMouseMsg(m)) {
        if (m.Result == 0 && handle_) DefWindowProc(handle_, m.Msg, m.WParam, m.LParam);
        if (m.Msg == WM_MOUSEMOVE) {
          // A graphic control under the pointer lights up too: its leave must come as soon as
          // the pointer leaves the window, not at the next idle.
          StartMouseTracking();
          if (Application) Application->DoMouseIdle();
        }
        return;
      }
      break;
  }
  TControl::WndProc(m);
}

bool TWinControl::IsControlMouseMsg(TMessage& m) {
  // The wheel belongs to the window it was sent to (the focused one) and carries a screen point,
  // not a client one: no control of ours is under it.
  if (m.Msg == WM_MOUSEWHEEL || m.Msg == WM_MOUSEHWHEEL) return false;
  TControl* c = nullptr;
  if (handle_ && GetCapture() == handle_) {
    if (captureControl && captureControl->Parent() == this) c = captureControl;
  } else {
    c = ControlAtPos(TPoint(m.XPos(), m.YPos()), false);
  }
  if (!c) return false;
  TPoint p(m.XPos() - c->Left(), m.YPos() - c->Top());
  m.Result = c->Perform(m.Msg, m.WParam, PointToLParam(p));
  return true;
}

bool TWinControl::DoControlMsg(HWND control, TMessage& m) {
  TWinControl* c = FindControl(control);
  if (!c) return false;
  m.Result = c->Perform(m.Msg + CN_BASE, m.WParam, m.LParam);
  return true;
}

void TWinControl::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case WM_PAINT: WMPaint(m); return;
    case WM_ERASEBKGND: WMEraseBkgnd(m); return;
    case WM_SETFOCUS: WMSetFocus(m); return;
    case WM_KILLFOCUS: WMKillFocus(m); return;
    case WM_COMMAND: WMCommand(m); return;
    case WM_NOTIFY: WMNotify(m); return;
    case WM_HSCROLL:
    case WM_VSCROLL: WMScroll(m); return;
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_DELETEITEM:
    case WM_COMPAREITEM:
    case WM_CHARTOITEM:
    case WM_VKEYTOITEM: WMCtlColor(m); return;
    case WM_WINDOWPOSCHANGED: WMWindowPosChanged(m); return;
    case WM_SIZE: WMSize(m); return;
    case WM_SETCURSOR: WMSetCursor(m); return;
    case WM_NCDESTROY: WMNCDestroy(m); return;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: WMKeyDown(m); return;
    case WM_KEYUP:
    case WM_SYSKEYUP: WMKeyUp(m); return;
    case WM_CHAR: WMChar(m); return;
    case WM_CONTEXTMENU: WMContextMenuWin(m); return;
    case WM_MOUSEMOVE: WMMouseMoveWin(m); return;
    case WM_MOUSELEAVE: WMMouseLeave(m); return;
    case WM_SYSCOLORCHANGE: Perform(CM_SYSCOLORCHANGE, 0, 0); DefaultHandler(m); return;
    case WM_SETTEXT: WMSetText(m); return;
    case CN_KEYDOWN:
    case CN_SYSKEYDOWN: CNKeyDown(m); return;
    case CN_KEYUP: CNKeyUp(m); return;
    case CN_CHAR: CNChar(m); return;
    case CN_SYSCHAR: CNSysChar(m); return;
    case CM_ENABLEDCHANGED: CMEnabledChangedWin(m); return;
    case CM_VISIBLECHANGED: CMVisibleChangedWin(m); return;
    case CM_SHOWINGCHANGED: CMShowingChanged(m); return;
    case CM_COLORCHANGED: CMColorChangedWin(m); return;
    case CM_FONTCHANGED: CMFontChangedWin(m); return;
    case CM_CTL3DCHANGED: CMCtl3DChanged(m); return;
    case CM_PARENTCTL3DCHANGED: CMParentCtl3DChanged(m); return;
    case CM_ENTER: CMEnter(m); return;
    case CM_EXIT: CMExit(m); return;
    case CM_INVALIDATE: CMInvalidate(m); return;
    case CM_RECREATEWND: CMRecreateWnd(m); return;
    case CM_SYSCOLORCHANGE: CMSysColorChange(m); return;
    case CM_SHOWHINTCHANGED: CMShowHintChanged(m); return;
    case CM_CURSORCHANGED: CMCursorChanged(m); return;
    case CM_FOCUSCHANGED: CMFocusChanged(m); return;
    case CM_DIALOGKEY: CMDialogKey(m); return;
    case CM_DIALOGCHAR: CMDialogChar(m); return;
    case CM_DOCKCLIENT: CMDockClient(m); return;
    case CM_UNDOCKCLIENT: CMUnDockClient(m); return;
    default: TControl::Dispatch(m); return;
  }
}

void TWinControl::DefaultHandler(TMessage& m) {
  if (!handle_) {
    TControl::DefaultHandler(m);
    return;
  }
  if (m.Msg == WM_CONTEXTMENU && Parent()) {
    m.Result = Parent()->Perform(m.Msg, m.WParam, m.LParam);
    if (m.Result != 0) return;
  }
  if (m.Msg >= WM_CTLCOLORMSGBOX && m.Msg <= WM_CTLCOLORSTATIC) {
    HWND child = reinterpret_cast<HWND>(m.LParam);
    if (FindControl(child)) {
      m.Result = SendMessage(child, CN_BASE + m.Msg, m.WParam, m.LParam);
      return;
    }
  } else if (m.Msg >= CN_CTLCOLORMSGBOX && m.Msg <= CN_CTLCOLORSTATIC) {
    HDC dc = reinterpret_cast<HDC>(m.WParam);
    SetTextColor(dc, ColorToRGB(Font()->Color()) & 0xFFFFFF);
    SetBkColor(dc, ColorToRGB(brush_->Color()) & 0xFFFFFF);
    m.Result = reinterpret_cast<LRESULT>(brush_->Handle());
    return;
  }
  m.Result = CallWindowProc(defWndProc_ ? defWndProc_ : &DefWindowProc, handle_, m.Msg, m.WParam, m.LParam);
}

void TWinControl::WMSetFocus(TMessage& m) { DefaultHandler(m); }

void TWinControl::WMKillFocus(TMessage& m) { DefaultHandler(m); }

void TWinControl::WMCommand(TMessage& m) {
  if (!DoControlMsg(reinterpret_cast<HWND>(m.LParam), m)) DefaultHandler(m);
}

void TWinControl::WMNotify(TMessage& m) {
  auto* hdr = reinterpret_cast<NMHDR*>(m.LParam);
  if (!hdr || !DoControlMsg(hdr->hwndFrom, m)) DefaultHandler(m);
}

void TWinControl::WMScroll(TMessage& m) {
  if (!m.LParam || !DoControlMsg(reinterpret_cast<HWND>(m.LParam), m)) DefaultHandler(m);
}

void TWinControl::WMCtlColor(TMessage& m) {
  HWND child = nullptr;
  switch (m.Msg) {
    case WM_DRAWITEM:
      if (auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam); d && d->CtlType != ODT_MENU) child = d->hwndItem;
      break;
    case WM_MEASUREITEM:
      if (auto* mi = reinterpret_cast<MEASUREITEMSTRUCT*>(m.LParam); mi && mi->CtlType != ODT_MENU)
        child = GetDlgItem(handle_, static_cast<int>(mi->CtlID));
      break;
    case WM_DELETEITEM:
    case WM_COMPAREITEM:
      child = GetDlgItem(handle_, static_cast<int>(m.WParam));
      break;
    case WM_CHARTOITEM:
    case WM_VKEYTOITEM:
      child = reinterpret_cast<HWND>(m.LParam);
      break;
    default: break;
  }
  if (!child || !DoControlMsg(child, m)) DefaultHandler(m);
}

void TWinControl::WMWindowPosChanged(TMessage& m) {
  auto* pos = reinterpret_cast<WINDOWPOS*>(m.LParam);
  bool framed = Ctl3D() && ControlStyle().Contains(csFramed) && Parent() && pos && !(pos->flags & SWP_NOREDRAW);
  bool movedOrSized = pos && (!(pos->flags & SWP_NOMOVE) || !(pos->flags & SWP_NOSIZE));
  if (framed && movedOrSized) InvalidateFrame();
  if (!controlState_.Contains(csDestroyingHandle)) UpdateBounds();
  DefaultHandler(m);
  if (framed && (movedOrSized || (pos->flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW)))) InvalidateFrame();
}

void TWinControl::InvalidateFrame() {
  if (!Parent() || !Parent()->HandleAllocated()) return;
  RECT r = BoundsRect();
  InflateRect(&r, 1, 1);
  InvalidateRect(Parent()->WindowHandle(), &r, TRUE);
}

void TWinControl::WMSize(TMessage& m) {
  UpdateBounds();
  DefaultHandler(m);
  Realign();
  if (!InState(csLoading)) Resize();
}

void TWinControl::WMSetCursor(TMessage& m) {
  if (reinterpret_cast<HWND>(m.WParam) == handle_ && static_cast<int16_t>(m.LParamLo()) == HTCLIENT) {
    TCursor cur = Screen ? Screen->Cursor() : crDefault;
    if (cur == crDefault) {
      POINT p;
      GetCursorPos(&p);
      POINT local = p;
      ::ScreenToClient(handle_, &local);
      if (TControl* c = ControlAtPos(TPoint(local), false)) cur = c->Cursor();
      if (cur == crDefault) cur = Cursor();
    }
    if (cur != crDefault && Screen) {
      ::SetCursor(Screen->Cursors(cur));
      m.Result = 1;
      return;
    }
  }
  DefaultHandler(m);
}

void TWinControl::WMNCDestroy(TMessage& m) {
  DefaultHandler(m);
  if (handle_) Registry().erase(handle_);
  handle_ = nullptr;
  showing_ = false;
  mouseTracking_ = false;
}

void TWinControl::WMSetText(TMessage& m) { DefaultHandler(m); }

void TWinControl::StartMouseTracking() {
  // Ask for WM_MOUSELEAVE so that leaving the window is noticed in any message loop.
  if (handle_ && !mouseTracking_) {
    TRACKMOUSEEVENT tme{sizeof(TRACKMOUSEEVENT), TME_LEAVE, handle_, 0};
    if (TrackMouseEvent(&tme)) mouseTracking_ = true;
  }
}

void TWinControl::WMMouseMoveWin(TMessage& m) {
  StartMouseTracking();
  TControl::Dispatch(m);
  if (Application) Application->DoMouseIdle();
}

void TWinControl::WMMouseLeave(TMessage& m) {
  mouseTracking_ = false;
  DefaultHandler(m);
  if (Application) Application->DoMouseIdle();
}

void TWinControl::WMContextMenuWin(TMessage& m) {
  if (m.Result != 0) return;
  if (handle_) {
    POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
    if (!(p.x == -1 && p.y == -1)) {
      ::ScreenToClient(handle_, &p);
      if (TControl* c = ControlAtPos(TPoint(p), false)) m.Result = c->Perform(WM_CONTEXTMENU, 0, m.LParam);
    }
  }
  if (m.Result == 0) TControl::Dispatch(m);
}

// ---- keyboard

// The form sees the key first when it previews keys; then the control's handler, which may
// change the key or clear it (true: the key is used up).
bool TWinControl::DoKey(TMessage& m, int kind) {
  TCustomForm* form = ::GetParentForm(this);
  if (form && form != static_cast<TControl*>(this) && form->KeyPreview() && form->DoKey(m, kind)) return true;
  if (ControlStyle().Contains(csNoStdEvents)) return false;
  if (kind == 2) {
    TKeyChar ch = static_cast<TKeyChar>(m.CharCode());
    KeyPress(ch);
    m.SetCharCode(ch);
    return ch == 0;
  }
  uint16_t key = m.CharCode();
  if (kind == 0) KeyDown(key, KeyDataToShiftState(m.KeyData()));
  else KeyUp(key, KeyDataToShiftState(m.KeyData()));
  m.SetCharCode(key);
  return key == 0;
}

void TWinControl::KeyDown(uint16_t& key, TShiftState shift) {
  if (OnKeyDown) OnKeyDown(this, key, shift);
}

void TWinControl::KeyUp(uint16_t& key, TShiftState shift) {
  if (OnKeyUp) OnKeyUp(this, key, shift);
}

void TWinControl::KeyPress(TKeyChar& key) {
  if (OnKeyPress) OnKeyPress(this, key);
}

void TWinControl::WMKeyDown(TMessage& m) {
  if (!DoKeyDown(m)) DefaultHandler(m);
}

void TWinControl::WMKeyUp(TMessage& m) {
  if (!DoKeyUp(m)) DefaultHandler(m);
}

void TWinControl::WMChar(TMessage& m) {
  if (!DoKeyPress(m)) DefaultHandler(m);
}

bool TWinControl::IsMenuKey(TMessage& m) {
  if (InState(csDesigning)) return false;
  TShortCut sc = ShortCutFromMessage(m);
  for (TControl* c = this; c; c = c->Parent()) {
    TPopupMenu* menu = c->GetPopupMenu();
    if (menu && menu->IsShortCut(sc)) return true;
  }
  if (TCustomForm* form = ::GetParentForm(this); form && form->IsShortCut(m)) return true;
  return Application && Application->IsShortCut(m);
}

void TWinControl::CNKeyDown(TMessage& m) {
  m.Result = 1;
  if (IsMenuKey(m)) return;
  if (!InState(csDesigning)) {
    if (Perform(CM_CHILDKEY, m.CharCode(), reinterpret_cast<LPARAM>(this)) != 0) return;
    UINT mask = 0;
    switch (m.CharCode()) {
      case VK_TAB: mask = DLGC_WANTTAB; break;
      case VK_LEFT:
      case VK_RIGHT:
      case VK_UP:
      case VK_DOWN: mask = DLGC_WANTARROWS; break;
      case VK_RETURN:
      case VK_EXECUTE:
      case VK_ESCAPE:
      case VK_CANCEL: mask = DLGC_WANTALLKEYS; break;
      default: break;
    }
    if (mask != 0 && Perform(CM_WANTSPECIALKEY, m.CharCode(), 0) == 0 &&
        (static_cast<UINT>(Perform(WM_GETDLGCODE, 0, 0)) & mask) == 0) {
      TCustomForm* form = ::GetParentForm(this);
      if (form && form->Perform(CM_DIALOGKEY, m.CharCode(), m.KeyData()) != 0) return;
    }
  }
  m.Result = 0;
}

void TWinControl::CNKeyUp(TMessage& m) { m.Result = 0; }

void TWinControl::CNChar(TMessage& m) {
  if (InState(csDesigning)) return;
  m.Result = 1;
  if ((static_cast<UINT>(Perform(WM_GETDLGCODE, 0, 0)) & DLGC_WANTCHARS) == 0) {
    TCustomForm* form = ::GetParentForm(this);
    if (form && form->Perform(CM_DIALOGCHAR, m.CharCode(), m.KeyData()) != 0) return;
  }
  m.Result = 0;
}

// Alt with a letter is an accelerator whatever the focused control takes in; Alt+Space is the
// window's menu.
void TWinControl::CNSysChar(TMessage& m) {
  m.Result = 0;
  if (InState(csDesigning) || m.CharCode() == VK_SPACE) return;
  if (TCustomForm* form = ::GetParentForm(this)) m.Result = form->Perform(CM_DIALOGCHAR, m.CharCode(), m.KeyData());
}

// ---- notifications

void TWinControl::CMEnabledChangedWin(TMessage&) {
  if (!Enabled() && Parent()) RemoveFocus(false);
  if (handle_ && !InState(csDesigning)) EnableWindow(handle_, Enabled());
}

void TWinControl::CMVisibleChangedWin(TMessage&) {
  if (!Visible() && Parent()) RemoveFocus(false);
  if (!InState(csDesigning) || ControlStyle().Contains(csNoDesignVisible)) UpdateControlState();
}

void TWinControl::CMColorChangedWin(TMessage& m) {
  TControl::Dispatch(m);
  brush_->SetColor(Color());
  NotifyControls(CM_PARENTCOLORCHANGED);
}

void TWinControl::CMFontChangedWin(TMessage& m) {
  TControl::Dispatch(m);
  if (handle_) Perform(WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), 0);
  NotifyControls(CM_PARENTFONTCHANGED);
}

void TWinControl::CMCtl3DChanged(TMessage&) { NotifyControls(CM_PARENTCTL3DCHANGED); }

void TWinControl::CMParentCtl3DChanged(TMessage& m) {
  if (!parentCtl3D_) return;
  if (m.WParam != 0) SetCtl3D(m.LParam != 0);
  else if (Parent()) SetCtl3D(Parent()->Ctl3D());
  parentCtl3D_ = true;
}

void TWinControl::DoEnter() {
  if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
  if (OnExit) OnExit(this);
}

void TWinControl::CMEnter(TMessage&) { DoEnter(); }

void TWinControl::CMExit(TMessage&) { DoExit(); }

void TWinControl::CMSysColorChange(TMessage& m) { Broadcast(m); }

void TWinControl::CMShowHintChanged(TMessage& m) {
  TControl::Dispatch(m);
  NotifyControls(CM_PARENTSHOWHINTCHANGED);
}

void TWinControl::CMCursorChanged(TMessage&) {
  if (GetCapture()) return;
  POINT p;
  GetCursorPos(&p);
  if (FindDragTarget(TPoint(p), false) == this && handle_) Perform(WM_SETCURSOR, reinterpret_cast<WPARAM>(handle_), HTCLIENT);
}

void TWinControl::CMFocusChanged(TMessage& m) { Broadcast(m); }

void TWinControl::CMDialogKey(TMessage& m) { Broadcast(m); }

void TWinControl::CMDialogChar(TMessage& m) { Broadcast(m); }

// ---- component protocol

void TWinControl::Loaded() {
  TControl::Loaded();
  if (handle_) Realign();
}

void TWinControl::ReadState(TReader& reader) {
  DisableAlign();
  try {
    TControl::ReadState(reader);
  } catch (...) {
    EnableAlign();
    throw;
  }
  EnableAlign();
  designSize_ = TPoint(ClientWidth(), ClientHeight());
  FixupTabList();
  if (Parent()) Perform(CM_PARENTCTL3DCHANGED, 0, 0);
  UpdateControlState();
}

void TWinControl::Notification(TComponent* component, TOperation operation) { TControl::Notification(component, operation); }

bool TWinControl::ExecuteAction(TBasicAction* action) { return TControl::ExecuteAction(action); }

// ---- TControlCanvas ---------------------------------------------------------------------------

namespace {
std::vector<TControlCanvas*>& CanvasList() {
  static std::vector<TControlCanvas*> list;
  return list;
}
}  // namespace

void FreeDeviceContexts() {
  auto& list = CanvasList();
  while (!list.empty()) list.back()->FreeHandle();
}

TControlCanvas::~TControlCanvas() { FreeHandle(); }

void TControlCanvas::SetControl(TControl* control) {
  if (control_ == control) return;
  FreeHandle();
  control_ = control;
}

void TControlCanvas::CreateHandle() {
  if (!control_) return;
  if (!deviceContext_) {
    deviceContext_ = control_->GetDeviceContext(windowHandle_);
    CanvasList().push_back(this);
  }
  SetHandle(deviceContext_);
  UpdateTextFlags();
}

void TControlCanvas::FreeHandle() {
  if (!deviceContext_) return;
  SetHandle(nullptr);
  auto& list = CanvasList();
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  ReleaseDC(windowHandle_, deviceContext_);
  deviceContext_ = nullptr;
}

void TControlCanvas::UpdateTextFlags() { SetTextFlags(TextFlags() & ~ETO_RTLREADING); }

// ---- TCustomControl, TGraphicControl ----------------------------------------------------------

TCustomControl::TCustomControl(TComponent* owner) : TWinControl(owner), canvas_(std::make_unique<TControlCanvas>()) {
  canvas_->SetControl(this);
}

TCustomControl::~TCustomControl() { canvas_->SetControl(nullptr); }

void TCustomControl::Dispatch(TMessage& m) {
  if (m.Msg == WM_PAINT) {
    controlState_.Include(csCustomPaint);
    try {
      TWinControl::Dispatch(m);
    } catch (...) {
      controlState_.Exclude(csCustomPaint);
      throw;
    }
    controlState_.Exclude(csCustomPaint);
    return;
  }
  TWinControl::Dispatch(m);
}

void PaintWithCanvas(TCanvas* canvas, HDC dc, const std::function<void()>& paint) {
  canvas->Lock();
  canvas->SetHandle(dc);
  try {
    paint();
  } catch (...) {
    canvas->SetHandle(nullptr);
    canvas->Unlock();
    throw;
  }
  canvas->SetHandle(nullptr);
  canvas->Unlock();
}

void TCustomControl::PaintWindow(HDC dc) {
  PaintWithCanvas(canvas_.get(), dc, [this] {
    canvas_->UpdateTextFlags();
    Paint();
  });
}

TGraphicControl::TGraphicControl(TComponent* owner) : TControl(owner), canvas_(std::make_unique<TControlCanvas>()) {
  canvas_->SetControl(this);
}

TGraphicControl::~TGraphicControl() { canvas_->SetControl(nullptr); }

void TGraphicControl::Dispatch(TMessage& m) {
  if (m.Msg == WM_PAINT) {
    HDC dc = reinterpret_cast<HDC>(m.WParam);
    if (dc && !InState(csDestroying)) PaintWithCanvas(canvas_.get(), dc, [this] { Paint(); });
    return;
  }
  TControl::Dispatch(m);
}

// ---- TControlActionLink -----------------------------------------------------------------------

TControlActionLink::TControlActionLink(TObject* client) : TActionLink(client) { AssignClient(client); }

void TControlActionLink::AssignClient(TObject* client) { client_ = dynamic_cast<TControl*>(client); }

bool TControlActionLink::IsCaptionLinked() {
  return TActionLink::IsCaptionLinked() && client_ && CustomAction() && client_->Caption() == CustomAction()->Caption();
}
bool TControlActionLink::IsEnabledLinked() {
  return TActionLink::IsEnabledLinked() && client_ && CustomAction() && client_->Enabled() == CustomAction()->Enabled();
}
bool TControlActionLink::IsHelpContextLinked() {
  return TActionLink::IsHelpContextLinked() && client_ && CustomAction() &&
         client_->HelpContext() == CustomAction()->HelpContext();
}
bool TControlActionLink::IsHintLinked() {
  return TActionLink::IsHintLinked() && client_ && CustomAction() && client_->Hint() == CustomAction()->Hint();
}
bool TControlActionLink::IsVisibleLinked() {
  return TActionLink::IsVisibleLinked() && client_ && CustomAction() && client_->Visible() == CustomAction()->Visible();
}
void TControlActionLink::SetCaption(const std::string& value) {
  if (IsCaptionLinked()) client_->SetCaption(value);
}
void TControlActionLink::SetEnabled(bool value) {
  if (IsEnabledLinked()) client_->SetEnabled(value);
}
void TControlActionLink::SetHelpContext(int value) {
  if (IsHelpContextLinked()) client_->SetHelpContext(value);
}
void TControlActionLink::SetHint(const std::string& value) {
  if (IsHintLinked()) client_->SetHint(value);
}
void TControlActionLink::SetVisible(bool value) {
  if (IsVisibleLinked()) client_->SetVisible(value);
}
bool TControlActionLink::DoShowHint(std::string& hintStr) {
  if (auto* a = CustomAction()) return a->DoHint(hintStr);
  return true;
}
