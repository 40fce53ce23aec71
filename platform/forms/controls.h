#pragma once
// The control tree: TControl (windowless), TWinControl (owns a window of the window system),
// TCustomControl (a window with a canvas and Paint), TGraphicControl (paints on its parent's
// window and gets its mouse input through it).
//
// Messages. Every control handles messages through one chain: Perform (or the window procedure of
// a TWinControl) calls WindowProc, which starts as WndProc; WndProc does what must happen for
// whole message ranges (mouse capture, hints, focus) and calls Dispatch; Dispatch routes a
// message to its handler by number; a message no class handles reaches DefaultHandler (for a
// TWinControl: the window class's own procedure). A descendant adds a handler by overriding
// Dispatch:
//
//   void Dispatch(TMessage& m) override {
//     switch (m.Msg) {
//       case CM_ENABLEDCHANGED:
//         TCustomControl::Dispatch(m);   // "inherited"
//         Invalidate();
//         return;
//     }
//     TCustomControl::Dispatch(m);
//   }
//
// and may replace WindowProc to watch or filter every message of a control it does not own.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/forms/actnlist.h"
#include "platform/forms/cmessages.h"
#include "platform/forms/geometry.h"
#include "platform/forms/graphics.h"
#include "platform/os/winuser.h"

class TControl;
class TWinControl;
class TCustomForm;
class TPopupMenu;
class TControlCanvas;
class TControlActionLink;

// ---- enumerations -----------------------------------------------------------------------------

enum TMouseButton { mbLeft, mbRight, mbMiddle };
enum TShiftStateItem { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateItem>;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
using TAlignSet = TSet<TAlign>;
enum TAnchorKind { akLeft, akTop, akRight, akBottom };
using TAnchors = TSet<TAnchorKind>;

enum TControlStyleItem {
  csAcceptsControls, csCaptureMouse, csDesignInteractive, csClickEvents, csFramed, csSetCaption, csOpaque,
  csDoubleClicks, csFixedWidth, csFixedHeight, csNoDesignVisible, csReplicatable, csNoStdEvents,
  csDisplayDragImage, csReflector, csActionClient, csMenuEvents, csNeedsBorderPaint, csParentBackground
};
using TControlStyle = TSet<TControlStyleItem>;
enum TControlStateItem {
  csLButtonDown, csClicked, csPalette, csReadingState, csAlignmentNeeded, csFocusing, csCreating, csPaintCopy,
  csCustomPaint, csDestroyingHandle, csDocking
};
using TControlState = TSet<TControlStateItem>;

enum TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };

using TCursor = int16_t;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crDrag = -12;
constexpr TCursor crNoDrop = -13;
constexpr TCursor crHSplit = -14;
constexpr TCursor crVSplit = -15;
constexpr TCursor crMultiDrag = -16;
constexpr TCursor crSQLWait = -17;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHelp = -20;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;
constexpr TCursor crSize = -22;

using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = 1;
constexpr TModalResult mrCancel = 2;
constexpr TModalResult mrAbort = 3;
constexpr TModalResult mrRetry = 4;
constexpr TModalResult mrIgnore = 5;
constexpr TModalResult mrYes = 6;
constexpr TModalResult mrNo = 7;
constexpr TModalResult mrAll = 8;
constexpr TModalResult mrNoToAll = 9;
constexpr TModalResult mrYesToAll = 10;

// Dragging between controls and docking.
enum TDragMode { dmManual, dmAutomatic };
enum TDragKind { dkDrag, dkDock };
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };
class TDragObject;
class TDragDockObject;

// A character of a key press: one UTF-16 unit, as WM_CHAR carries it.
using TKeyChar = char16_t;

// ---- events -----------------------------------------------------------------------------------

using TMouseEvent = std::function<void(TObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TObject* sender, TShiftState shift, int x, int y)>;
using TKeyEvent = std::function<void(TObject* sender, uint16_t& key, TShiftState shift)>;
using TKeyPressEvent = std::function<void(TObject* sender, TKeyChar& key)>;
using TMouseWheelEvent =
    std::function<void(TObject* sender, TShiftState shift, int wheelDelta, TPoint mousePos, bool& handled)>;
using TMouseWheelUpDownEvent = std::function<void(TObject* sender, TShiftState shift, TPoint mousePos, bool& handled)>;
using TContextPopupEvent = std::function<void(TObject* sender, TPoint mousePos, bool& handled)>;
using TCanResizeEvent = std::function<void(TObject* sender, int& newWidth, int& newHeight, bool& resize)>;
// Sources and targets of a drag: the dragged control itself, or the drag object OnStartDrag gave.
using TStartDragEvent = std::function<void(TObject* sender, TDragObject*& dragObject)>;
using TDragOverEvent =
    std::function<void(TObject* sender, TObject* source, int x, int y, TDragState state, bool& accept)>;
using TDragDropEvent = std::function<void(TObject* sender, TObject* source, int x, int y)>;
// target: where the drop went (null when the drag was cancelled or refused).
using TEndDragEvent = std::function<void(TObject* sender, TObject* target, int x, int y)>;
using TStartDockEvent = std::function<void(TObject* sender, TDragDockObject*& dragObject)>;
using TDockOverEvent =
    std::function<void(TObject* sender, TDragDockObject* source, int x, int y, TDragState state, bool& accept)>;
using TDockDropEvent = std::function<void(TObject* sender, TDragDockObject* source, int x, int y)>;
using TGetSiteInfoEvent = std::function<void(TObject* sender, TControl* dockClient, TRect& influenceRect,
                                             TPoint mousePos, bool& canDock)>;
using TUnDockEvent = std::function<void(TObject* sender, TControl* client, TWinControl* newTarget, bool& allow)>;

TShiftState KeysToShiftState(WORD keys);
TShiftState KeyDataToShiftState(LPARAM keyData);
// From the keyboard state of the current message.
TShiftState KeyboardStateToShiftState();

// ---- hints ------------------------------------------------------------------------------------

class THintWindow;

// What CM_HINTSHOW hands a control (LParam): it may change any of it, or answer non-zero to
// suppress the hint.
struct THintInfo {
  TControl* HintControl = nullptr;
  TClass HintWindowClass = nullptr;  // a THintWindow class
  TPoint HintPos;                    // screen position of the hint window
  int HintMaxWidth = 0;
  TColor HintColor = clInfoBk;
  TRect CursorRect;                  // client coordinates of HintControl; leaving it hides the hint
  TPoint CursorPos;                  // client coordinates of HintControl
  int ReshowTimeout = 0;
  int HideTimeout = 0;
  std::string HintStr;
  void* HintData = nullptr;
};

// The short part of a hint ("short|long").
std::string GetShortHint(std::string_view hint);
std::string GetLongHint(std::string_view hint);

// ---- TControl ---------------------------------------------------------------------------------

using TWndMethod = std::function<void(TMessage& message)>;

// The smallest and largest size a control takes (0: no limit). Setting bounds keeps within them,
// and a changed limit resizes the control at once. A minimum above the maximum raises the maximum
// with it (a maximum below the minimum lowers the minimum); negative values count as 0.
//
//   sheet->Constraints()->SetMinWidth(120);   // the sheet is never narrower than 120 pixels
class TSizeConstraints : public TPersistent {
  FANO_CLASS(TSizeConstraints)
 public:
  explicit TSizeConstraints(TControl* control = nullptr) : control_(control) {}
  void Assign(TPersistent* source) override;
  TPersistent* GetOwner() const override;
  int MinWidth() const noexcept { return minWidth_; }
  int MinHeight() const noexcept { return minHeight_; }
  int MaxWidth() const noexcept { return maxWidth_; }
  int MaxHeight() const noexcept { return maxHeight_; }
  void SetMinWidth(int v);
  void SetMinHeight(int v);
  void SetMaxWidth(int v);
  void SetMaxHeight(int v);
  // Brings a size within the limits.
  void Constrain(int& width, int& height) const noexcept;

 private:
  void Changed();
  TControl* control_;
  int minWidth_ = 0;
  int minHeight_ = 0;
  int maxWidth_ = 0;
  int maxHeight_ = 0;
};

class TControl : public TComponent {
  FANO_CLASS(TControl)
 public:
  explicit TControl(TComponent* owner);
  ~TControl() override;
  void BeforeDestruction() override;

  // ---- tree
  TWinControl* Parent() const noexcept { return parent_; }
  virtual void SetParent(TWinControl* parent);
  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* parent) override;
  // The windowed control this one draws on (itself for a TWinControl... its parent otherwise).
  bool IsControlOf(const TWinControl* container) const;

  // ---- bounds (parent client coordinates)
  int Left() const noexcept { return left_; }
  int Top() const noexcept { return top_; }
  int Width() const noexcept { return width_; }
  int Height() const noexcept { return height_; }
  void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
  void SetTop(int v) { SetBounds(left_, v, width_, height_); }
  void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
  void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
  virtual void SetBounds(int left, int top, int width, int height);
  TRect BoundsRect() const { return Bounds(left_, top_, width_, height_); }
  void SetBoundsRect(const TRect& r) { SetBounds(r.Left, r.Top, r.Width(), r.Height()); }
  virtual TRect ClientRect();
  int ClientWidth() const { return const_cast<TControl*>(this)->ClientRect().Right; }
  int ClientHeight() const { return const_cast<TControl*>(this)->ClientRect().Bottom; }
  void SetClientWidth(int v) { SetClientSize(TPoint(v, ClientHeight())); }
  void SetClientHeight(int v) { SetClientSize(TPoint(ClientWidth(), v)); }
  virtual void SetClientSize(const TPoint& size);
  // Screen position of the client origin.
  virtual TPoint ClientOrigin();
  TPoint ClientToScreen(const TPoint& p) { return p + ClientOrigin(); }
  TPoint ScreenToClient(const TPoint& p) { return p - ClientOrigin(); }
  TPoint ClientToParent(const TPoint& p, TWinControl* parent = nullptr);
  TPoint ParentToClient(const TPoint& p, TWinControl* parent = nullptr);

  TAlign Align() const noexcept { return align_; }
  virtual void SetAlign(TAlign value);
  // Size limits kept by SetBounds (and so by alignment and form resources).
  TSizeConstraints* Constraints() const noexcept { return constraints_.get(); }
  void SetConstraints(TSizeConstraints* value) { constraints_->Assign(value); }
  TAnchors Anchors() const noexcept { return anchors_; }
  void SetAnchors(TAnchors value);
  bool AutoSize() const noexcept { return autoSize_; }
  virtual void SetAutoSize(bool value);

  // ---- state
  bool Visible() const noexcept { return visible_; }
  void SetVisible(bool value);
  void Show();
  void Hide() { SetVisible(false); }
  virtual bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool value);
  TControlStyle ControlStyle() const noexcept { return controlStyle_; }
  void SetControlStyle(TControlStyle s) noexcept { controlStyle_ = s; }
  TControlState ControlState() const noexcept { return controlState_; }
  void SetControlState(TControlState s) noexcept { controlState_ = s; }
  TCursor Cursor() const noexcept { return cursor_; }
  void SetCursor(TCursor value);
  bool MouseCapture();
  void SetMouseCapture(bool value);

  // ---- appearance
  TColor Color() const noexcept { return color_; }
  void SetColor(TColor value);
  bool ParentColor() const noexcept { return parentColor_; }
  void SetParentColor(bool value);
  TFont* Font() const noexcept { return font_.get(); }
  void SetFont(TFont* value) { font_->Assign(value); }
  bool ParentFont() const noexcept { return parentFont_; }
  void SetParentFont(bool value);
  // Caption and Text are one string, read and written through WM_GETTEXT / WM_SETTEXT.
  std::string Caption() const { return GetText(); }
  void SetCaption(std::string_view value) { SetText(value); }
  std::string Text() const { return GetText(); }
  void SetText(std::string_view value);
  int GetTextLen() const;
  std::string GetText() const;

  // What the parent gives is not stored in resources.
  bool IsColorStored() const noexcept { return !parentColor_; }
  bool IsFontStored() const noexcept { return !parentFont_; }
  bool IsShowHintStored() const noexcept { return !parentShowHint_; }

  // ---- hints
  const std::string& Hint() const noexcept { return hint_; }
  void SetHint(std::string_view value) { hint_ = std::string(value); }
  bool ShowHint() const noexcept { return showHint_; }
  void SetShowHint(bool value);
  bool ParentShowHint() const noexcept { return parentShowHint_; }
  void SetParentShowHint(bool value);

  // ---- menus and actions
  TPopupMenu* PopupMenu() const noexcept { return popupMenu_; }
  void SetPopupMenu(TPopupMenu* value);
  virtual TPopupMenu* GetPopupMenu() { return popupMenu_; }
  TBasicAction* Action() const;
  void SetAction(TBasicAction* value);
  TControlActionLink* ActionLink() const noexcept { return actionLink_.get(); }
  virtual void InitiateAction();
  virtual bool ExecuteAction(TBasicAction* action);
  virtual bool UpdateAction(TBasicAction* action);

  int HelpContext() const noexcept { return helpContext_; }
  void SetHelpContext(int v) noexcept { helpContext_ = v; }

  // Right-to-left reading is never on.
  TBiDiMode BiDiMode() const noexcept { return bdLeftToRight; }
  bool UseRightToLeftAlignment() const noexcept { return false; }
  bool UseRightToLeftReading() const noexcept { return false; }
  bool UseRightToLeftScrollBar() const noexcept { return false; }
  bool IsRightToLeft() const noexcept { return false; }
  int DrawTextBiDiModeFlags(int flags) const noexcept { return flags; }
  int DrawTextBiDiModeFlagsReadingOnly() const noexcept { return 0; }

  // ---- messages
  const TWndMethod& WindowProc() const noexcept { return windowProc_; }
  void SetWindowProc(TWndMethod proc);
  LRESULT Perform(UINT msg, WPARAM wParam, LPARAM lParam);
  virtual void WndProc(TMessage& message);
  virtual void Dispatch(TMessage& message);
  virtual void DefaultHandler(TMessage& message);

  // ---- painting
  virtual void Invalidate();
  virtual void Update();
  virtual void Repaint();
  void Refresh() { Repaint(); }
  // A device context for drawing on this control (origin and clip set to it); the window it
  // belongs to is returned through `window`.
  virtual HDC GetDeviceContext(HWND& window);

  // ---- z-order
  void BringToFront() { SetZOrder(true); }
  void SendToBack() { SetZOrder(false); }
  virtual void SetZOrder(bool topMost);

  // ---- user events
  virtual void Click();
  virtual void DblClick();
  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseUp;
  TMouseWheelEvent OnMouseWheel;
  TMouseWheelUpDownEvent OnMouseWheelDown;
  TMouseWheelUpDownEvent OnMouseWheelUp;
  TNotifyEvent OnResize;
  TCanResizeEvent OnCanResize;
  TContextPopupEvent OnContextPopup;

  // ---- component protocol
  void Loaded() override;
  void ReadState(TReader& reader) override;
  void Notification(TComponent* component, TOperation operation) override;
  // The form holding the control (null when none).
  TCustomForm* GetParentForm() const;

  // Mouse handlers (the message handlers call them; csNoStdEvents skips them).
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  virtual bool DoMouseWheel(TShiftState shift, int wheelDelta, const TPoint& mousePos);
  virtual bool DoMouseWheelDown(TShiftState shift, const TPoint& mousePos);
  virtual bool DoMouseWheelUp(TShiftState shift, const TPoint& mousePos);

  // The control's parts that descendants and the framework use.
  virtual void Resize();
  virtual bool CanResize(int& newWidth, int& newHeight);
  virtual void AdjustSize();
  virtual bool CanAutoSize(int& newWidth, int& newHeight);
  void RequestAlign();
  void UpdateAnchorRules();
  virtual void VisibleChanging() {}
  virtual void Changed();
  void SendCancelMode(TControl* sender);
  bool IsShowing() const;  // visible with every parent up to a windowed top showing

  // ---- dragging and docking (dragdock.cpp)
  TDragMode DragMode() const noexcept { return dragMode_; }
  void SetDragMode(TDragMode v) noexcept { dragMode_ = v; }
  TDragKind DragKind() const noexcept { return dragKind_; }
  void SetDragKind(TDragKind v) noexcept { dragKind_ = v; }
  TCursor DragCursor() const noexcept { return dragCursor_; }
  void SetDragCursor(TCursor v) noexcept { dragCursor_ = v; }
  // Starts dragging this control (docking it when DragKind is dkDock). Not immediate: the drag
  // starts once the pointer moves more than `threshold` pixels (-1: the system's 5) with the
  // button held; a release before that ends it without a drop.
  void BeginDrag(bool immediate, int threshold = -1);
  // A left press on a dmAutomatic control: a drag past the default threshold.
  void BeginAutoDrag();
  // Ends this control's drag: dropped where the pointer is when `drop` and the target accepts.
  void EndDrag(bool drop);
  bool Dragging() const;
  // The dock site holding this control (a floating host form while it floats), null when none.
  TWinControl* HostDockSite() const noexcept { return hostDockSite_; }
  void SetHostDockSite(TWinControl* site) noexcept { hostDockSite_ = site; }
  // In a floating host form of its own.
  bool Floating() const;
  // Docks into newDockSite; null floats the control in a floating host form. False when the
  // present site refuses to let it go (OnUnDock).
  bool ManualDock(TWinControl* newDockSite, TControl* dropControl = nullptr, TAlign controlSide = alNone);
  // Docks into newDockSite as the drag object says (the step ManualDock and a dock drag share):
  // leaves the present site (false when it refuses), then the site's DockDrop.
  bool Dock(TWinControl* newDockSite, TDragDockObject* source, int x, int y);
  // Floats the control with its client area at screenRect.
  bool ManualFloat(const TRect& screenRect);
  // The size the control floats with (its size before it was docked).
  int UndockWidth() const noexcept { return undockWidth_ > 0 ? undockWidth_ : width_; }
  int UndockHeight() const noexcept { return undockHeight_ > 0 ? undockHeight_ : height_; }
  // A drag over this control (x, y client): OnDragOver decides; refused without one.
  virtual void DragOver(TObject* source, int x, int y, TDragState state, bool& accept);
  virtual void DragDrop(TObject* source, int x, int y);
  virtual void DoStartDrag(TDragObject*& dragObject);
  virtual void DoEndDrag(TObject* target, int x, int y);
  virtual void DoStartDock(TDragDockObject*& dragObject);
  virtual void DoEndDock(TObject* target, int x, int y);
  // The picture a drag of this control shows under the pointer, with the point of it that stays
  // under the pointer; none by default. The drag copies it; the control keeps its bitmap.
  virtual HBITMAP GetDragImage(TPoint& hotSpot);
  TStartDragEvent OnStartDrag;
  TDragOverEvent OnDragOver;
  TDragDropEvent OnDragDrop;
  TEndDragEvent OnEndDrag;
  TStartDockEvent OnStartDock;
  TEndDragEvent OnEndDock;

 protected:
  // Handlers of the messages TControl knows (Dispatch routes to them).
  void WMLButtonDown(TMessage& m);
  void WMLButtonDblClk(TMessage& m);
  void WMLButtonUp(TMessage& m);
  void WMOtherButton(TMessage& m, TMouseButton button, bool up, bool dbl);
  void WMMouseMove(TMessage& m);
  void WMMouseWheel(TMessage& m);
  void WMCancelMode(TMessage& m);
  void WMContextMenu(TMessage& m);
  void CMMouseWheel(TMessage& m);
  void CMEnabledChanged(TMessage& m);
  void CMVisibleChanged(TMessage& m);
  void CMFontChanged(TMessage& m);
  void CMColorChanged(TMessage& m);
  void CMParentColorChanged(TMessage& m);
  void CMParentFontChanged(TMessage& m);
  void CMParentShowHintChanged(TMessage& m);
  void CMSysFontChanged(TMessage& m);
  void CMHitTest(TMessage& m);
  void CMHintShow(TMessage& m);

  virtual void ActionChange(TObject* sender, bool checkDefaults);
  void DoActionChange(TObject* sender);
  virtual void DoContextPopup(const TPoint& mousePos, bool& handled);
  void DoMouseDown(TMessage& m, TMouseButton button, TShiftState shift);
  void DoMouseUp(TMessage& m, TMouseButton button);
  virtual void FontChanged(TObject* sender);
  void InvalidateControl(bool isVisible, bool isOpaque);
  void SetParentFlag(bool& flag, bool value, UINT notice);
  virtual void SetTextValue(std::string_view value);

  int left_ = 0;
  int top_ = 0;
  int width_ = 0;
  int height_ = 0;
  TControlStyle controlStyle_;
  TControlState controlState_;
  std::string text_;  // the caption while the control has no window

 private:
  friend class TWinControl;
  friend class TSizeConstraints;
  // Resizes the control into changed limits.
  void ConstraintsChanged();
  TWinControl* parent_ = nullptr;
  TAlign align_ = alNone;
  TAnchors anchors_{akLeft, akTop};
  TPoint anchorRules_;
  TPoint originalParentSize_;
  bool anchorMove_ = false;
  bool autoSize_ = false;
  bool visible_ = true;
  bool enabled_ = true;
  TColor color_ = clWindow;
  bool parentColor_ = true;
  std::unique_ptr<TFont> font_;
  std::unique_ptr<TSizeConstraints> constraints_;
  bool parentFont_ = true;
  std::string hint_;
  bool showHint_ = false;
  bool parentShowHint_ = true;
  TPopupMenu* popupMenu_ = nullptr;
  TCursor cursor_ = crDefault;
  int helpContext_ = 0;
  TWndMethod windowProc_;
  std::unique_ptr<TControlActionLink> actionLink_;
  int wheelAccumulator_ = 0;
  TDragMode dragMode_ = dmManual;
  TDragKind dragKind_ = dkDrag;
  TCursor dragCursor_ = crDrag;
  TWinControl* hostDockSite_ = nullptr;
  int undockWidth_ = 0;
  int undockHeight_ = 0;
};

// ---- TWinControl ------------------------------------------------------------------------------

struct TCreateParams {
  std::string Caption;
  DWORD Style = 0;
  DWORD ExStyle = 0;
  int X = 0;
  int Y = 0;
  int Width = 0;
  int Height = 0;
  HWND WndParent = nullptr;
  void* Param = nullptr;
  WNDCLASS WindowClass{};
  std::string WinClassName;
};

class TWinControl : public TControl {
  FANO_CLASS(TWinControl)
 public:
  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;
  void BeforeDestruction() override;

  // ---- the window
  // Makes the window when it does not exist yet.
  HWND Handle();
  HWND WindowHandle() const noexcept { return handle_; }
  bool HandleAllocated() const noexcept { return handle_ != nullptr; }
  void HandleNeeded() { Handle(); }
  void RecreateWnd();
  // The window this control is a child of when it has no parent control (a foreign window).
  HWND ParentWindow() const noexcept { return parentWindow_; }
  void SetParentWindow(HWND value);
  // Makes a window for a foreign parent window and places this control in it.
  static TWinControl* CreateParented(TClass cls, HWND parentWindow);
  // The window procedure of the window class this control's window belongs to.
  WNDPROC DefWndProc() const noexcept { return defWndProc_; }

  // ---- children
  int ControlCount() const noexcept { return static_cast<int>(controls_.size()); }
  TControl* Controls(int index) const;
  void InsertControl(TControl* control);
  void RemoveControl(TControl* control);
  bool ContainsControl(const TControl* control) const;
  // The child under the point (client coordinates); windowless ones unless allowWinControls.
  TControl* ControlAtPos(const TPoint& pos, bool allowDisabled, bool allowWinControls = false);
  TControl* FindChildControl(std::string_view name) const;
  // Sends the message to every child until one answers non-zero.
  void Broadcast(TMessage& message);
  void NotifyControls(UINT msg);
  void PaintControls(HDC dc, TControl* first);

  // ---- focus and tab order
  int TabOrder() const;
  void SetTabOrder(int value);
  bool TabStop() const noexcept { return tabStop_; }
  void SetTabStop(bool value);
  void GetTabOrderList(std::vector<TWinControl*>& list);
  TWinControl* FindNextControl(TWinControl* cur, bool goForward, bool checkTabStop, bool checkParent);
  void SelectNext(TWinControl* cur, bool goForward, bool checkTabStop);
  void SelectFirst();
  virtual bool CanFocus();
  virtual bool Focused();
  virtual void SetFocus();
  bool Showing() const noexcept { return showing_; }

  // ---- docking (dragdock.cpp)
  bool DockSite() const noexcept { return dockSite_; }
  void SetDockSite(bool v) noexcept { dockSite_ = v; }
  // Off: no docking manager arranges the clients (a site places them itself).
  bool UseDockManager() const noexcept { return useDockManager_; }
  void SetUseDockManager(bool v) noexcept { useDockManager_ = v; }
  // The controls docked here.
  int DockClientCount() const noexcept { return static_cast<int>(dockClients_.size()); }
  TControl* DockClients(int index) const { return dockClients_.at(static_cast<size_t>(index)); }
  // A dock drag over this site: places the drag's dock rectangle, then OnDockOver decides
  // (accepted without one).
  virtual void DockOver(TDragDockObject* source, int x, int y, TDragState state, bool& accept);
  // The client docks here (CM_DOCKCLIENT), then OnDockDrop.
  virtual void DockDrop(TDragDockObject* source, int x, int y);
  // Whether the client may dock here and where the pointer counts (screen); OnGetSiteInfo may refuse.
  virtual void GetSiteInfo(TControl* client, TRect& influenceRect, const TPoint& mousePos, bool& canDock);
  // Asks OnUnDock whether the client may leave for newTarget (null: floating).
  virtual bool DoUnDock(TWinControl* newTarget, TControl* client);
  void AddDockClient(TControl* client);
  void RemoveDockClient(TControl* client);
  TDockOverEvent OnDockOver;
  TDockDropEvent OnDockDrop;
  TGetSiteInfoEvent OnGetSiteInfo;
  TUnDockEvent OnUnDock;

  // ---- appearance
  TBrush* Brush() const noexcept { return brush_.get(); }
  bool Ctl3D() const noexcept { return ctl3D_; }
  void SetCtl3D(bool value);
  bool ParentCtl3D() const noexcept { return parentCtl3D_; }
  bool IsCtl3DStored() const noexcept { return !parentCtl3D_; }
  void SetParentCtl3D(bool value);
  bool DoubleBuffered() const noexcept { return doubleBuffered_; }
  void SetDoubleBuffered(bool value) noexcept { doubleBuffered_ = value; }
  int BorderWidth() const noexcept { return borderWidth_; }
  void SetBorderWidth(int value);

  // ---- layout
  void SetBounds(int left, int top, int width, int height) override;
  TRect ClientRect() override;
  TPoint ClientOrigin() override;
  void SetClientSize(const TPoint& size) override;
  void DisableAlign();
  void EnableAlign();
  void Realign();
  void ReAlign() { Realign(); }
  void ScrollBy(int deltaX, int deltaY);
  void UpdateControlState();

  // ---- painting and messages
  void Invalidate() override;
  void Update() override;
  void Repaint() override;
  HDC GetDeviceContext(HWND& window) override;
  void SetZOrder(bool topMost) override;
  void WndProc(TMessage& message) override;
  void Dispatch(TMessage& message) override;
  void DefaultHandler(TMessage& message) override;
  // The entry of the window procedure: runs WindowProc and hands exceptions to the application.
  void MainWndProc(TMessage& message);
  void PaintTo(HDC dc, int x, int y);

  // ---- keyboard
  virtual void KeyDown(uint16_t& key, TShiftState shift);
  virtual void KeyUp(uint16_t& key, TShiftState shift);
  virtual void KeyPress(TKeyChar& key);
  TKeyEvent OnKeyDown;
  TKeyPressEvent OnKeyPress;
  TKeyEvent OnKeyUp;
  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;

  // ---- component protocol
  void GetChildren(const TGetChildProc& proc, TComponent* root) override;
  void Loaded() override;
  void ReadState(TReader& reader) override;
  void Notification(TComponent* component, TOperation operation) override;
  bool ExecuteAction(TBasicAction* action) override;

  // Parts for descendants.
  virtual void CreateParams(TCreateParams& params);
  virtual void CreateWnd();
  virtual void CreateWindowHandle(const TCreateParams& params);
  virtual void DestroyWnd();
  virtual void DestroyWindowHandle();
  void CreateHandle();
  void DestroyHandle();
  // Makes this control's window a subclass of the window class `className`.
  void CreateSubClass(TCreateParams& params, const char* className);
  virtual void AlignControls(TControl* control, TRect& rect);
  virtual void AdjustClientRect(TRect& rect);
  virtual void PaintWindow(HDC dc);
  void PaintHandler(TMessage& m);
  virtual void DoEnter();
  virtual void DoExit();
  // kind: 0 key down, 1 key up, 2 character.
  bool DoKey(TMessage& m, int kind);
  bool DoKeyDown(TMessage& m) { return DoKey(m, 0); }
  bool DoKeyUp(TMessage& m) { return DoKey(m, 1); }
  bool DoKeyPress(TMessage& m) { return DoKey(m, 2); }
  virtual void UpdateShowing();
  void UpdateShowingIn(bool parentShows);
  void UpdateBounds();
  void RemoveFocus(bool removing);
  void AlignControl(TControl* control);
  virtual bool IsMenuKey(TMessage& m);

 protected:
  // Stores a setting the window is made with; a change makes the window again.
  template <class T>
  void SetAndRecreate(T& field, const T& value) {
    if (field == value) return;
    field = value;
    RecreateWnd();
  }
  void WMPaint(TMessage& m);
  void WMEraseBkgnd(TMessage& m);
  void WMSetFocus(TMessage& m);
  void WMKillFocus(TMessage& m);
  void WMCommand(TMessage& m);
  void WMNotify(TMessage& m);
  void WMCtlColor(TMessage& m);
  void WMScroll(TMessage& m);
  void WMWindowPosChanged(TMessage& m);
  void WMSize(TMessage& m);
  void WMSetCursor(TMessage& m);
  void WMNCDestroy(TMessage& m);
  void WMKeyDown(TMessage& m);
  void WMKeyUp(TMessage& m);
  void WMChar(TMessage& m);
  void WMContextMenuWin(TMessage& m);
  void WMMouseMoveWin(TMessage& m);
  // Asks for WM_MOUSELEAVE once the pointer is over the window (or a graphic control in it).
  void StartMouseTracking();
  void WMMouseLeave(TMessage& m);
  void WMSetText(TMessage& m);
  void CNKeyDown(TMessage& m);
  void CNKeyUp(TMessage& m);
  void CNChar(TMessage& m);
  void CNSysChar(TMessage& m);
  void CMEnabledChangedWin(TMessage& m);
  void CMVisibleChangedWin(TMessage& m);
  void CMShowingChanged(TMessage& m);
  void CMColorChangedWin(TMessage& m);
  void CMFontChangedWin(TMessage& m);
  void CMCtl3DChanged(TMessage& m);
  void CMParentCtl3DChanged(TMessage& m);
  void CMEnter(TMessage& m);
  void CMExit(TMessage& m);
  void CMInvalidate(TMessage& m);
  void CMRecreateWnd(TMessage& m);
  void CMSysColorChange(TMessage& m);
  void CMShowHintChanged(TMessage& m);
  void CMCursorChanged(TMessage& m);
  void CMFocusChanged(TMessage& m);
  void CMDialogKey(TMessage& m);
  void CMDialogChar(TMessage& m);
  void CMDockClient(TMessage& m);
  void CMUnDockClient(TMessage& m);
  // Places the drag's dock rectangle over this site (its client area).
  void PositionDockRect(TDragDockObject* source);
  void DoDockOver(TDragDockObject* source, int x, int y, TDragState state, bool& accept);
  // Routes a mouse message to the windowless child under the mouse (or holding the capture); the
  // wheel stays with the window it was sent to.
  bool IsControlMouseMsg(TMessage& m);
  // Sends a child's notification back to it as CN_ + message.
  bool DoControlMsg(HWND control, TMessage& m);
  HWND PrecedingWindow(TWinControl* control);
  void UpdateTabList();
  void InvalidateFrame();

 private:
  friend class TControl;
  friend LRESULT FormsWndProc(HWND, UINT, WPARAM, LPARAM);
  friend LRESULT FormsInitWndProc(HWND, UINT, WPARAM, LPARAM);
  void Insert(TControl* control);
  void Remove(TControl* control);
  void ForgetDockClients();
  void FreeChildControls();
  void FixupTabList();
  void UpdateTabOrder(int value);
  HWND handle_ = nullptr;
  HWND parentWindow_ = nullptr;
  WNDPROC defWndProc_ = nullptr;
  std::vector<TControl*> controls_;       // every child, windowless ones included, in z-order (bottom first)
  std::vector<TWinControl*> tabList_;     // windowed children in tab order
  std::unique_ptr<TBrush> brush_;
  bool tabStop_ = false;
  bool showing_ = false;
  bool ctl3D_ = true;
  bool parentCtl3D_ = true;
  bool doubleBuffered_ = false;
  int borderWidth_ = 0;
  int alignLevel_ = 0;
  bool childrenFreed_ = false;
  bool recreating_ = false;
  bool mouseTracking_ = false;
  bool dockSite_ = false;
  bool useDockManager_ = false;
  std::vector<TControl*> dockClients_;
  int tabOrderRead_ = -1;  // the TabOrder a resource gave, applied once the parent is read
  TPoint designSize_;
};

// ---- TControlCanvas, TCustomControl, TGraphicControl ------------------------------------------

// A canvas on a control: it asks the control for a device context when drawing starts outside of
// painting, and gives it back after the message that needed it.
class TControlCanvas : public TCanvas {
  FANO_CLASS(TControlCanvas)
 public:
  TControlCanvas() = default;
  ~TControlCanvas() override;
  TControl* Control() const noexcept { return control_; }
  void SetControl(TControl* control);
  void FreeHandle();
  void UpdateTextFlags();

 protected:
  void CreateHandle() override;

 private:
  TControl* control_ = nullptr;
  HDC deviceContext_ = nullptr;
  HWND windowHandle_ = nullptr;
};

// Gives back every device context a control canvas holds (after each message and when idle).
void FreeDeviceContexts();
// Runs paint with the canvas drawing on the device context (and on none afterwards).
void PaintWithCanvas(TCanvas* canvas, HDC dc, const std::function<void()>& paint);

class TCustomControl : public TWinControl {
  FANO_CLASS(TCustomControl)
 public:
  explicit TCustomControl(TComponent* owner);
  ~TCustomControl() override;
  TCanvas* Canvas() const noexcept { return canvas_.get(); }
  void Dispatch(TMessage& message) override;

 protected:
  virtual void Paint() {}
  void PaintWindow(HDC dc) override;

 private:
  std::unique_ptr<TControlCanvas> canvas_;
};

class TGraphicControl : public TControl {
  FANO_CLASS(TGraphicControl)
 public:
  explicit TGraphicControl(TComponent* owner);
  ~TGraphicControl() override;
  TCanvas* Canvas() const noexcept { return canvas_.get(); }
  void Dispatch(TMessage& message) override;

 protected:
  virtual void Paint() {}

 private:
  std::unique_ptr<TControlCanvas> canvas_;
};

// The link of a control to an action: caption, enabled, hint and visible follow the action.
class TControlActionLink : public TActionLink {
 public:
  explicit TControlActionLink(TObject* client);
  bool IsCaptionLinked() override;
  bool IsEnabledLinked() override;
  bool IsHelpContextLinked() override;
  bool IsHintLinked() override;
  bool IsVisibleLinked() override;
  void SetCaption(const std::string& value) override;
  void SetEnabled(bool value) override;
  void SetHelpContext(int value) override;
  void SetHint(const std::string& value) override;
  void SetVisible(bool value) override;
  // Asks the action (OnHint) whether and how the control's hint shows.
  virtual bool DoShowHint(std::string& hintStr);

 protected:
  void AssignClient(TObject* client) override;
  TControl* client_ = nullptr;
};

// ---- globals ----------------------------------------------------------------------------------

// The control a window belongs to (null for foreign windows and windows of other module copies).
TWinControl* FindControl(HWND window);
bool IsVCLControl(HWND window);
// The control (windowed, or windowless inside it) under a screen point.
TControl* FindDragTarget(const TPoint& pos, bool allowDisabled);
// A control going away: a drag of it (or over it) forgets it.
void DragControlDestroyed(TControl* control);
// The control holding the mouse capture (a windowless one when it captured through its parent).
TControl* GetCaptureControl();
void SetCaptureControl(TControl* control);
// The form a control lies in; ValidParentForm raises EInvalidOperation "Control '%s' has no parent
// form" when there is none.
TCustomForm* GetParentForm(const TControl* control);
TCustomForm* ValidParentForm(const TControl* control);

// The instance handle this module copy registers its window classes with.
HINSTANCE FormsInstance();
// Makes the registries of windows and device contexts at start-up, before the application, so
// that they outlive it at exit (the application frees its forms last).
void InitControlsRegistries();

// Published properties of the classes above (called by the forms layer's start-up).
void RegisterControlsClasses();
