// Dragging between controls and docking: the drag's own capture window takes the mouse (and,
// being the capture, Escape through the application's key routing), finds the target under the
// pointer at each move and shows the feedback through a TDragTracker.
#include "platform/forms/dragdock.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "platform/forms/dragging.h"

FANO_IMPLEMENT_ABSTRACT(TDragObject, TObject)
FANO_IMPLEMENT_ABSTRACT(TDragControlObject, TDragObject)
FANO_IMPLEMENT_ABSTRACT(TDragDockObject, TDragControlObject)
FANO_IMPLEMENT_ABSTRACT(TFloatingDockHost, TCustomForm)

namespace {

// A hidden window that holds the mouse while a drag goes on.
class TDragCapture : public TWinControl {
 public:
  explicit TDragCapture(TComponent* owner) : TWinControl(owner) {
    SetVisible(false);
    SetBounds(-100, -100, 1, 1);
  }
  void CreateParams(TCreateParams& p) override {
    TWinControl::CreateParams(p);
    p.Style = WS_POPUP;
    p.ExStyle = WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;
    p.WndParent = nullptr;
  }
  void WndProc(TMessage& m) override;
};

TRect ScreenRectOf(TControl* c) {
  TPoint o = c->ClientToScreen(TPoint(0, 0));
  return TRect(o.X, o.Y, o.X + c->Width(), o.Y + c->Height());
}

TRect WindowRectOf(TWinControl* c) {
  RECT r;
  if (c->HandleAllocated() && GetWindowRect(c->WindowHandle(), &r)) return TRect(r.left, r.top, r.right, r.bottom);
  return ScreenRectOf(c);
}

bool IsInside(TControl* c, TControl* container) {
  for (TControl* p = c; p; p = p->Parent())
    if (p == container) return true;
  return false;
}

}  // namespace

struct DragManager {
  TControl* control = nullptr;
  TDragObject* object = nullptr;
  bool ownsObject = false;
  bool dock = false;
  bool started = false;
  bool automatic = false;
  bool ending = false;
  bool takingCapture = false;
  int threshold = kDefaultDragThreshold;
  TPoint startPos;
  TPoint grab;  // the pointer inside the floating rectangle
  TControl* target = nullptr;
  TWinControl* site = nullptr;
  bool accepted = false;
  TWinControl* capture = nullptr;  // a TDragCapture (a type of this file only)
  std::unique_ptr<TDragTracker> tracker;

  static DragManager& Get() {
    static DragManager d;
    return d;
  }
  bool Active() const { return control != nullptr; }
  // What the events see as the source: the dragged control for a drag of a control (whoever made
  // the object), an object of another kind that OnStartDrag gave as itself.
  TObject* Source() const {
    if (auto* co = dynamic_cast<TDragControlObject*>(object)) return co->Control();
    return object;
  }
  TDragDockObject* DockObject() const { return static_cast<TDragDockObject*>(object); }

  void Begin(TControl* c, bool immediate, int thresh, bool automaticPress);
  void TakeCapture();
  void Move(const TPoint& pos);
  void MoveDrag(const TPoint& pos);
  void MoveDock(const TPoint& pos);
  void Done(bool drop, const TPoint& pos);
  void Forget(TControl* c);
  TWinControl* FindSite(const TPoint& pos);
  HWND OutlineWindowAt(const TPoint& pos) const;
};

void TDragCapture::WndProc(TMessage& m) {
  DragManager& d = DragManager::Get();
  if (!d.Active() || d.ending) {
    TWinControl::WndProc(m);
    return;
  }
  auto screenPos = [&] {
    POINT p{m.XPos(), m.YPos()};
    ::ClientToScreen(WindowHandle(), &p);
    return TPoint(p.x, p.y);
  };
  switch (m.Msg) {
    case WM_MOUSEMOVE: d.Move(screenPos()); return;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP: d.Done(true, screenPos()); return;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK: return;
    case CN_KEYDOWN:
    case WM_KEYDOWN:
      if (m.WParam == VK_ESCAPE) {
        POINT p;
        GetCursorPos(&p);
        d.Done(false, TPoint(p.x, p.y));
        m.Result = 1;
        return;
      }
      break;
    case WM_CAPTURECHANGED:
      if (!d.takingCapture && reinterpret_cast<HWND>(m.LParam) != WindowHandle()) {
        POINT p;
        GetCursorPos(&p);
        d.Done(false, TPoint(p.x, p.y));
      }
      return;
    case WM_CANCELMODE: {
      POINT p;
      GetCursorPos(&p);
      d.Done(false, TPoint(p.x, p.y));
      return;
    }
    default: break;
  }
  TWinControl::WndProc(m);
}

void DragManager::TakeCapture() {
  if (!capture) capture = new TDragCapture(Application);
  takingCapture = true;
  capture->SetMouseCapture(true);
  takingCapture = false;
}

void DragManager::Begin(TControl* c, bool immediate, int thresh, bool automaticPress) {
  if (Active()) return;
  POINT p;
  GetCursorPos(&p);
  startPos = TPoint(p.x, p.y);
  threshold = thresh < 0 ? kDefaultDragThreshold : thresh;
  dock = c->DragKind() == dkDock;
  automatic = automaticPress;
  started = false;
  accepted = false;
  target = nullptr;
  site = nullptr;
  object = nullptr;
  ownsObject = false;
  control = c;
  if (dock) {
    TDragDockObject* given = nullptr;
    c->DoStartDock(given);
    object = given;
    if (!object) {
      object = new TDragDockObject(c);
      ownsObject = true;
    }
  } else {
    c->DoStartDrag(object);
    if (!object) {
      object = new TDragControlObject(c);
      ownsObject = true;
    }
  }
  if (control != c) return;  // a handler cancelled it
  // Where the pointer holds the floating rectangle: where it holds the control, kept inside.
  TRect own = ScreenRectOf(c);
  grab = TPoint(std::clamp(startPos.X - own.Left, 0, std::max(0, c->UndockWidth() - 1)),
                std::clamp(startPos.Y - own.Top, 0, std::max(0, c->UndockHeight() - 1)));
  object->dragPos_ = startPos;
  TakeCapture();
  if (immediate) {
    threshold = -1;  // any position is past it
    Move(startPos);
  }
}

HWND DragManager::OutlineWindowAt(const TPoint& pos) const {
  if (site && site->HandleAllocated()) return GetAncestor(site->WindowHandle(), GA_ROOT);
  if (HWND under = WindowFromPoint(POINT{pos.X, pos.Y})) return GetAncestor(under, GA_ROOT);
  TWinControl* w = dynamic_cast<TWinControl*>(control);
  if (!w) w = control->Parent();
  return w && w->HandleAllocated() ? GetAncestor(w->WindowHandle(), GA_ROOT) : nullptr;
}

void DragManager::Move(const TPoint& pos) {
  if (!started) {
    if (std::abs(pos.X - startPos.X) <= threshold && std::abs(pos.Y - startPos.Y) <= threshold) return;
    started = true;
    // A press that became a drag is no click of the control's any more.
    TControlState st = control->ControlState();
    st.Exclude(csLButtonDown);
    st.Exclude(csClicked);
    control->SetControlState(st);
    tracker = std::make_unique<TDragTracker>(capture);
    takingCapture = true;
    TPoint hot;
    HBITMAP image = dock ? nullptr : object->GetDragImage(hot);
    if (image) tracker->BeginImage(image, hot, pos, crNoDrop);
    else tracker->Begin(crNoDrop);
    if (dock) tracker->SetOutlineThickness(DockObject()->FrameWidth());
    takingCapture = false;
  }
  object->dragPos_ = pos;
  if (dock) MoveDock(pos);
  else MoveDrag(pos);
}

void DragManager::MoveDrag(const TPoint& pos) {
  TControl* t = FindDragTarget(pos, false);
  TDragState state = dsDragMove;
  if (t != target) {
    if (target) {
      bool a = false;
      TPoint lp = target->ScreenToClient(pos);
      target->DragOver(Source(), lp.X, lp.Y, dsDragLeave, a);
      if (!Active()) return;
    }
    target = t;
    state = dsDragEnter;
  }
  accepted = false;
  TPoint lp = target ? target->ScreenToClient(pos) : pos;
  if (target) target->DragOver(Source(), lp.X, lp.Y, state, accepted);
  if (!Active()) return;
  object->dragTarget_ = target;
  object->dragTargetPos_ = lp;
  if (tracker) tracker->Move(pos);
  if (Screen) Screen->SetCursor(object->GetDragCursor(accepted, lp.X, lp.Y));
}

TWinControl* DragManager::FindSite(const TPoint& pos) {
  TControl* under = FindDragTarget(pos, false);
  TWinControl* w = under ? dynamic_cast<TWinControl*>(under) : nullptr;
  if (under && !w) w = under->Parent();
  for (; w; w = w->Parent()) {
    if (!w->DockSite() || IsInside(w, control)) continue;
    TRect influence = WindowRectOf(w);
    bool canDock = true;
    w->GetSiteInfo(control, influence, pos, canDock);
    if (canDock && influence.Contains(pos)) return w;
  }
  return nullptr;
}

void DragManager::MoveDock(const TPoint& pos) {
  TDragDockObject* dob = DockObject();
  TWinControl* s = FindSite(pos);
  TDragState state = dsDragMove;
  if (s != site) {
    if (site) {
      bool a = false;
      TPoint lp = site->ScreenToClient(pos);
      site->DockOver(dob, lp.X, lp.Y, dsDragLeave, a);
      if (!Active()) return;
    }
    site = s;
    state = dsDragEnter;
  }
  accepted = false;
  TPoint lp = site ? site->ScreenToClient(pos) : pos;
  if (site) {
    accepted = true;
    site->DockOver(dob, lp.X, lp.Y, state, accepted);
    if (!Active()) return;
  }
  dob->floating_ = !accepted;
  if (!accepted)
    dob->dockRect_ = TRect(pos.X - grab.X, pos.Y - grab.Y, pos.X - grab.X + control->UndockWidth(),
                           pos.Y - grab.Y + control->UndockHeight());
  object->dragTarget_ = accepted ? site : nullptr;
  object->dragTargetPos_ = lp;
  if (tracker) {
    HWND over = accepted && site->HandleAllocated() ? GetAncestor(site->WindowHandle(), GA_ROOT) : nullptr;
    if (!over) {
      TWinControl* keep = site;
      site = nullptr;
      over = OutlineWindowAt(pos);
      site = keep;
    }
    tracker->MoveOutline(dob->dockRect_, over);
  }
  if (Screen) Screen->SetCursor(object->GetDragCursor(accepted, lp.X, lp.Y));
}

void DragManager::Done(bool drop, const TPoint& pos) {
  if (!Active() || ending) return;
  ending = true;
  TControl* src = control;
  TDragObject* obj = object;
  bool owns = ownsObject, wasStarted = started, wasAutomatic = automatic, wasDock = dock;
  TControl* tgt = target;
  TWinControl* dockSite = site;
  bool took = accepted;
  obj->dragPos_ = pos;
  obj->cancelling_ = !drop;
  TObject* source = Source();
  // The feedback and the mouse go first: the events may start another drag or show a dialog.
  if (tracker) tracker->End();
  tracker.reset();
  if (capture && capture->MouseCapture()) capture->SetMouseCapture(false);
  control = nullptr;
  object = nullptr;
  target = nullptr;
  site = nullptr;
  ending = false;

  TObject* endTarget = nullptr;
  TPoint endPos = pos;
  if (!wasStarted) {
    // Released before the threshold: a plain click for the control that began it.
    if (drop && !wasAutomatic) {
      TPoint lp = src->ScreenToClient(pos);
      src->Perform(WM_LBUTTONUP, 0, PointToLParam(lp));
    }
  } else if (!wasDock) {
    if (tgt) {
      TPoint lp = tgt->ScreenToClient(pos);
      if (drop && took) {
        obj->dropped_ = true;
        tgt->DragDrop(source, lp.X, lp.Y);
        endTarget = tgt;
        endPos = lp;
      } else {
        bool a = false;
        tgt->DragOver(source, lp.X, lp.Y, dsDragLeave, a);
      }
    }
  } else {
    auto* dob = static_cast<TDragDockObject*>(obj);
    if (drop && took && dockSite) {
      TPoint lp = dockSite->ScreenToClient(pos);
      obj->dropped_ = src->Dock(dockSite, dob, lp.X, lp.Y) && src->HostDockSite() == dockSite;
      if (obj->dropped_) {
        endTarget = dockSite;
        endPos = lp;
      }
    } else if (drop && dob->Floating()) {
      obj->dropped_ = src->ManualFloat(dob->DockRect());
      if (obj->dropped_) endTarget = src->HostDockSite();
    } else if (dockSite) {
      bool a = false;
      TPoint lp = dockSite->ScreenToClient(pos);
      dockSite->DockOver(dob, lp.X, lp.Y, dsDragLeave, a);
    }
  }
  if (wasDock) src->DoEndDock(endTarget, endPos.X, endPos.Y);
  else src->DoEndDrag(endTarget, endPos.X, endPos.Y);
  if (owns) delete obj;
}

void DragManager::Forget(TControl* c) {
  if (!Active()) return;
  if (c == target) target = nullptr;
  if (c == site) site = nullptr;
  if (c == control) {
    // The dragged control goes: the drag ends without a word to it.
    ending = true;
    if (tracker) tracker->End();
    tracker.reset();
    if (capture && capture->MouseCapture()) capture->SetMouseCapture(false);
    if (ownsObject) delete object;
    control = nullptr;
    object = nullptr;
    target = nullptr;
    site = nullptr;
    ending = false;
  }
  if (c == capture) capture = nullptr;
}

// ---- drag objects -------------------------------------------------------------------------------

TCursor TDragObject::GetDragCursor(bool accepted, int, int) { return accepted ? crDrag : crNoDrop; }

HBITMAP TDragObject::GetDragImage(TPoint&) { return nullptr; }

TCursor TDragControlObject::GetDragCursor(bool accepted, int, int) {
  return accepted ? control_->DragCursor() : crNoDrop;
}

HBITMAP TDragControlObject::GetDragImage(TPoint& hotSpot) { return control_->GetDragImage(hotSpot); }

// A dock drag shows its outline; the cursor stays the arrow.
TCursor TDragDockObject::GetDragCursor(bool, int, int) { return crArrow; }

// ---- globals ----------------------------------------------------------------------------------------

void CancelDrag() {
  DragManager& d = DragManager::Get();
  if (!d.Active()) return;
  POINT p;
  GetCursorPos(&p);
  d.Done(false, TPoint(p.x, p.y));
}

TDragObject* ActiveDragObject() { return DragManager::Get().object; }
TControl* ActiveDragControl() { return DragManager::Get().control; }
bool DragStarted() { return DragManager::Get().Active() && DragManager::Get().started; }

TRect DragOutlineRect() {
  DragManager& d = DragManager::Get();
  return d.tracker && d.dock ? d.tracker->Outline() : TRect();
}

HWND DragOutlineWindow() {
  DragManager& d = DragManager::Get();
  return d.tracker && d.dock ? d.tracker->OutlineWindow() : nullptr;
}

HWND DragImageWindow() {
  DragManager& d = DragManager::Get();
  return d.tracker ? d.tracker->ImageWindow() : nullptr;
}

void DragControlDestroyed(TControl* control) { DragManager::Get().Forget(control); }

// ---- TControl ---------------------------------------------------------------------------------------

void TControl::BeginDrag(bool immediate, int threshold) {
  if (InState(csDesigning)) return;
  DragManager::Get().Begin(this, immediate, threshold, false);
}

void TControl::BeginAutoDrag() { DragManager::Get().Begin(this, false, -1, true); }

void TControl::EndDrag(bool drop) {
  DragManager& d = DragManager::Get();
  if (d.control != this) return;
  POINT p;
  GetCursorPos(&p);
  d.Done(drop, TPoint(p.x, p.y));
}

bool TControl::Dragging() const { return DragManager::Get().control == this; }

bool TControl::Floating() const { return dynamic_cast<TFloatingDockHost*>(hostDockSite_) != nullptr; }

void TControl::DragOver(TObject* source, int x, int y, TDragState state, bool& accept) {
  accept = false;
  if (OnDragOver) {
    accept = true;
    OnDragOver(this, source, x, y, state, accept);
  }
}

void TControl::DragDrop(TObject* source, int x, int y) {
  if (OnDragDrop) OnDragDrop(this, source, x, y);
}

void TControl::DoStartDrag(TDragObject*& dragObject) {
  if (OnStartDrag) OnStartDrag(this, dragObject);
}

void TControl::DoEndDrag(TObject* target, int x, int y) {
  if (OnEndDrag) OnEndDrag(this, target, x, y);
}

void TControl::DoStartDock(TDragDockObject*& dragObject) {
  if (OnStartDock) OnStartDock(this, dragObject);
}

void TControl::DoEndDock(TObject* target, int x, int y) {
  if (OnEndDock) OnEndDock(this, target, x, y);
}

HBITMAP TControl::GetDragImage(TPoint&) { return nullptr; }

namespace {

// A docked form shows no frame of its own: its site (a page, a floating host) gives it one.
void DropFormBorder(TControl* c) {
  if (auto* f = dynamic_cast<TCustomForm*>(c); f && f->BorderStyle() != bsNone) f->SetBorderStyle(bsNone);
}

// Takes the control off its present site (asking it first); false when the site keeps it.
bool LeaveSite(TControl* c, TWinControl* newSite) {
  TWinControl* old = c->HostDockSite();
  if (!old) return true;
  if (!old->DoUnDock(newSite, c)) return false;
  old->Perform(CM_UNDOCKCLIENT, reinterpret_cast<WPARAM>(newSite), reinterpret_cast<LPARAM>(c));
  old->RemoveDockClient(c);
  return true;
}

}  // namespace

bool TControl::ManualDock(TWinControl* newDockSite, TControl* dropControl, TAlign controlSide) {
  if (!newDockSite) {
    TRect own = ScreenRectOf(this);
    return ManualFloat(TRect(own.Left, own.Top, own.Left + UndockWidth(), own.Top + UndockHeight()));
  }
  TDragDockObject obj(this);
  newDockSite->PositionDockRect(&obj);
  obj.dropOnControl_ = dropControl;
  obj.dropAlign_ = controlSide;
  obj.floating_ = false;
  POINT cur;
  GetCursorPos(&cur);
  TPoint at = newDockSite->ScreenToClient(TPoint(cur.x, cur.y));
  return Dock(newDockSite, &obj, at.X, at.Y);
}

bool TControl::Dock(TWinControl* newDockSite, TDragDockObject* source, int x, int y) {
  if (newDockSite == hostDockSite_) return true;
  if (IsInside(newDockSite, this)) return false;
  const bool wasFree = !hostDockSite_ || Floating();
  const int w = width_, h = height_;
  if (!LeaveSite(this, newDockSite)) return false;
  if (wasFree) {
    undockWidth_ = w;
    undockHeight_ = h;
  }
  DropFormBorder(this);
  newDockSite->DockDrop(source, x, y);
  return true;
}

bool TControl::ManualFloat(const TRect& screenRect) {
  if (auto* host = dynamic_cast<TFloatingDockHost*>(hostDockSite_)) {
    TPoint o = host->ClientOrigin();
    host->SetBounds(host->Left() + screenRect.Left - o.X, host->Top() + screenRect.Top - o.Y, host->Width(),
                    host->Height());
    return true;
  }
  const bool wasFree = !hostDockSite_;
  const int w = width_, h = height_;
  if (!LeaveSite(this, nullptr)) return false;
  if (wasFree) {
    undockWidth_ = w;
    undockHeight_ = h;
  }
  auto* host = new TFloatingDockHost(Application);
  host->SetCaption(Caption());
  host->SetBounds(screenRect.Left, screenRect.Top, screenRect.Width(), screenRect.Height());
  host->SetClientSize(TPoint(screenRect.Width(), screenRect.Height()));
  // The client area, not the frame, goes where the rectangle is.
  TPoint o = host->ClientOrigin();
  host->SetBounds(host->Left() + screenRect.Left - o.X, host->Top() + screenRect.Top - o.Y, host->Width(),
                  host->Height());
  host->client_ = this;
  FreeNotification(host);
  DropFormBorder(this);
  SetAlign(alNone);
  SetParent(host);
  SetBounds(0, 0, screenRect.Width(), screenRect.Height());
  SetAlign(alClient);
  hostDockSite_ = host;
  host->AddDockClient(this);
  if (visible_) host->Show();
  return true;
}

// ---- TWinControl ------------------------------------------------------------------------------------

void TWinControl::PositionDockRect(TDragDockObject* source) {
  TPoint o = ClientToScreen(TPoint(0, 0));
  source->SetDockRect(TRect(o.X, o.Y, o.X + ClientWidth(), o.Y + ClientHeight()));
}

void TWinControl::DoDockOver(TDragDockObject* source, int x, int y, TDragState state, bool& accept) {
  if (OnDockOver) OnDockOver(this, source, x, y, state, accept);
}

void TWinControl::DockOver(TDragDockObject* source, int x, int y, TDragState state, bool& accept) {
  PositionDockRect(source);
  DoDockOver(source, x, y, state, accept);
}

void TWinControl::DockDrop(TDragDockObject* source, int x, int y) {
  TControl* client = source->Control();
  Perform(CM_DOCKCLIENT, reinterpret_cast<WPARAM>(source), reinterpret_cast<LPARAM>(client));
  client->SetHostDockSite(this);
  AddDockClient(client);
  if (OnDockDrop) OnDockDrop(this, source, x, y);
}

void TWinControl::GetSiteInfo(TControl* client, TRect& influenceRect, const TPoint& mousePos, bool& canDock) {
  if (OnGetSiteInfo) OnGetSiteInfo(this, client, influenceRect, mousePos, canDock);
}

bool TWinControl::DoUnDock(TWinControl* newTarget, TControl* client) {
  bool allow = true;
  if (OnUnDock) OnUnDock(this, client, newTarget, allow);
  return allow;
}

void TWinControl::AddDockClient(TControl* client) {
  if (std::find(dockClients_.begin(), dockClients_.end(), client) == dockClients_.end()) dockClients_.push_back(client);
}

void TWinControl::RemoveDockClient(TControl* client) {
  dockClients_.erase(std::remove(dockClients_.begin(), dockClients_.end(), client), dockClients_.end());
  if (client->HostDockSite() == this) client->SetHostDockSite(nullptr);
}

// The client goes into this site at the drag's dock rectangle.
void TWinControl::CMDockClient(TMessage& m) {
  m.Result = 0;
  auto* source = reinterpret_cast<TDragDockObject*>(m.WParam);
  auto* client = reinterpret_cast<TControl*>(m.LParam);
  if (!client) return;
  client->SetParent(this);
  if (source) {
    TRect r = source->DockRect();
    TPoint o = ScreenToClient(TPoint(r.Left, r.Top));
    client->SetBounds(o.X, o.Y, r.Width(), r.Height());
  }
}

void TWinControl::CMUnDockClient(TMessage& m) { m.Result = 0; }

// ---- TFloatingDockHost ------------------------------------------------------------------------------

TFloatingDockHost::TFloatingDockHost(TComponent* owner) : TCustomForm(owner) {
  SetBorderStyle(bsToolWindow);
  SetBorderIcons(TBorderIcons{biSystemMenu});
}

void TFloatingDockHost::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case CM_UNDOCKCLIENT:
      m.Result = 0;
      if (client_ && reinterpret_cast<TControl*>(m.LParam) == client_) {
        client_->RemoveFreeNotification(this);
        client_->SetAlign(alNone);
        client_ = nullptr;
        Release();
      }
      return;
    case CM_DOCKNOTIFICATION: {
      auto* client = reinterpret_cast<TControl*>(m.WParam);
      auto* note = reinterpret_cast<TMessage*>(m.LParam);
      if (client && client == client_ && note) {
        if (note->Msg == WM_SETTEXT) SetCaption(client->Caption());
        else if (note->Msg == CM_VISIBLECHANGED) SetVisible(note->WParam != 0);
      }
      return;
    }
    default: break;
  }
  TCustomForm::Dispatch(m);
}

void TFloatingDockHost::Notification(TComponent* component, TOperation operation) {
  TCustomForm::Notification(component, operation);
  if (operation == opRemove && component == client_) {
    client_ = nullptr;
    Release();
  }
}

void TFloatingDockHost::DoClose(TCloseAction& action) {
  TCustomForm::DoClose(action);
  if (action == caNone) return;
  action = caHide;
  if (client_) client_->Hide();
}
