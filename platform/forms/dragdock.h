#pragma once
// Dragging between controls and docking. A drag starts with TControl::BeginDrag (or a left press
// on a control whose DragMode is dmAutomatic) and runs on a capture of its own: each move finds
// the control under the pointer and asks it (DragOver) whether it takes the drag, the cursor
// showing crDrag (the source's DragCursor) or crNoDrop; the release drops on a target that
// accepted (DragDrop) and the source hears of the end (OnEndDrag, a null target when nothing took
// it). Escape and a lost capture cancel. A control with DragKind dkDock docks instead: the dock
// site under the pointer (DockSite, GetSiteInfo, DockOver) places the dock rectangle, shown as an
// outline, or the control would float there in a floating host form; the release docks or floats
// it (CM_DOCKCLIENT to the new site, CM_UNDOCKCLIENT to the old one). A docked control that is
// freed sends its site CM_UNDOCKCLIENT too (with no new site), so the site lets go of it.
#include "platform/forms/controls.h"
#include "platform/forms/forms.h"

// What is being dragged. OnStartDrag may give one of its own (the handler keeps it); otherwise the
// drag makes a TDragControlObject (TDragDockObject for docking) and frees it at the end. The
// events see the control of a TDragControlObject as the source, any other object as itself.
class TDragObject : public TObject {
  FANO_CLASS(TDragObject)
 public:
  TDragObject() = default;
  ~TDragObject() override = default;
  // The control under the pointer and the pointer in its client coordinates.
  TControl* DragTarget() const noexcept { return dragTarget_; }
  TPoint DragTargetPos() const noexcept { return dragTargetPos_; }
  // The pointer (screen).
  TPoint DragPos() const noexcept { return dragPos_; }
  bool Cancelling() const noexcept { return cancelling_; }
  bool Dropped() const noexcept { return dropped_; }
  // The cursor over a target that accepts (or refuses) the drag.
  virtual TCursor GetDragCursor(bool accepted, int x, int y);
  // The picture that follows the pointer (see TControl::GetDragImage); none by default.
  virtual HBITMAP GetDragImage(TPoint& hotSpot);

 private:
  friend struct DragManager;
  TControl* dragTarget_ = nullptr;
  TPoint dragTargetPos_;
  TPoint dragPos_;
  bool cancelling_ = false;
  bool dropped_ = false;
};

// A drag of a control: the events see the control as the source.
class TDragControlObject : public TDragObject {
  FANO_CLASS(TDragControlObject)
 public:
  explicit TDragControlObject(TControl* control) : control_(control) {}
  TControl* Control() const noexcept { return control_; }
  TCursor GetDragCursor(bool accepted, int x, int y) override;
  HBITMAP GetDragImage(TPoint& hotSpot) override;

 private:
  TControl* control_;
};

// A dock drag: where the control would go (screen), and whether that is floating.
class TDragDockObject : public TDragControlObject {
  FANO_CLASS(TDragDockObject)
 public:
  explicit TDragDockObject(TControl* control) : TDragControlObject(control) {}
  const TRect& DockRect() const noexcept { return dockRect_; }
  void SetDockRect(const TRect& r) noexcept { dockRect_ = r; }
  bool Floating() const noexcept { return floating_; }
  TAlign DropAlign() const noexcept { return dropAlign_; }
  TControl* DropOnControl() const noexcept { return dropOnControl_; }
  int FrameWidth() const noexcept { return 4; }
  TCursor GetDragCursor(bool accepted, int x, int y) override;

 private:
  friend struct DragManager;
  friend class TControl;
  TRect dockRect_;
  bool floating_ = true;
  TAlign dropAlign_ = alNone;
  TControl* dropOnControl_ = nullptr;
};

// The small tool window a floating control lives in: sized to it, titled by its caption; closing
// it hides the control; freed once the control leaves it.
class TFloatingDockHost : public TCustomForm {
  FANO_CLASS(TFloatingDockHost)
 public:
  explicit TFloatingDockHost(TComponent* owner);
  TControl* Client() const noexcept { return client_; }
  void Dispatch(TMessage& m) override;
  void Notification(TComponent* component, TOperation operation) override;
  void DoClose(TCloseAction& action) override;

 private:
  friend class TControl;
  TControl* client_ = nullptr;
};

// Cancels the drag going on, if any (OnEndDrag with no target).
void CancelDrag();
// The drag going on (null when none) and its source control; for tests and owner-drawn feedback.
TDragObject* ActiveDragObject();
TControl* ActiveDragControl();
// The drag has passed its threshold (its feedback shows).
bool DragStarted();
// The outline a dock drag shows now (screen; empty when none) and the window it is drawn on.
TRect DragOutlineRect();
HWND DragOutlineWindow();
// The window showing the drag image (null when none).
HWND DragImageWindow();
// The default threshold of a drag that is not immediate, in pixels.
constexpr int kDefaultDragThreshold = 5;
