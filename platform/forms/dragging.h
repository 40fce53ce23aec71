#pragma once
// Dragging inside a control, for whatever a user moves or sizes with the mouse (a grid's column
// or record, a drop-down's size grip): the control takes the mouse (capture) and the drag shows
// either as an image that follows the pointer (a picture of what is carried) or as an outline
// drawn in XOR over the control's form (where a border or a window would go), with the cursor
// the drag asks for (crDrag by default). The control feeds the tracker its mouse moves and ends
// it on the button's release; Escape or the loss of the capture cancel it.
//
//   TDragTracker drag(grid);
//   drag.BeginImage(picture, hotSpot, screenPos);   // or drag.BeginOutline(screenRect)
//   ... on WM_MOUSEMOVE: drag.Move(screenPos)         (or drag.MoveOutline(newScreenRect))
//   ... on WM_LBUTTONUP: drag.End(); then drop at the pointer
#include "platform/forms/controls.h"
#include "platform/forms/geometry.h"

class TDragTracker {
 public:
  explicit TDragTracker(TWinControl* owner) : owner_(owner) {}
  ~TDragTracker();
  TDragTracker(const TDragTracker&) = delete;
  TDragTracker& operator=(const TDragTracker&) = delete;

  // Starts a drag shown by a copy of `image`, placed so that its point `hotSpot` stays under the
  // pointer (screen coordinates).
  void BeginImage(HBITMAP image, const TPoint& hotSpot, const TPoint& screenPos, TCursor cursor = crDrag);
  // Starts a drag shown by the cursor alone (an image or an outline may come later).
  void Begin(TCursor cursor = crDrag) { Start(cursor); }
  // Starts a drag shown by the outline of a rectangle (screen coordinates), `thickness` pixels.
  void BeginOutline(const TRect& screenRect, int thickness = 2, TCursor cursor = crDrag);
  // The pointer moved: the image follows it.
  void Move(const TPoint& screenPos);
  // The outline goes to a new place; `over` is the top-level window it is drawn on (null: the
  // owner's form).
  void MoveOutline(const TRect& screenRect, HWND over = nullptr);
  // Takes the outline away (the drag goes on).
  void HideOutline();
  void SetOutlineThickness(int pixels) { thickness_ = pixels < 1 ? 1 : pixels; }
  HWND OutlineWindow() const noexcept { return outlineWnd_; }
  // Ends the drag: the feedback goes, the mouse and the cursor are given back. `cancelled` tells
  // whether the drag ended without a drop (Escape, capture lost) rather than by End().
  void End();
  bool Active() const noexcept { return active_; }
  bool Cancelled() const noexcept { return cancelled_; }
  // Escape or the capture going elsewhere: ends the drag as cancelled. Answers true when the
  // message was the drag's (the control then does no more with it).
  bool HandleMessage(const TMessage& m);

  // The window showing the drag image (0 unless an image drag is on), for tests.
  HWND ImageWindow() const noexcept { return imageWnd_; }
  const TRect& Outline() const noexcept { return outline_; }

 private:
  void Start(TCursor cursor);
  void InvertOutline();
  TWinControl* owner_;
  bool active_ = false;
  bool cancelled_ = false;
  HWND imageWnd_ = nullptr;
  HBITMAP image_ = nullptr;
  TPoint hotSpot_;
  TRect outline_;
  bool outlineShown_ = false;
  HWND outlineWnd_ = nullptr;  // where the shown outline is drawn
  int thickness_ = 2;
  TCursor savedCursor_ = crDefault;
};
