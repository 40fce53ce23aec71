#pragma once
// Drop-down windows of the editors and the grid: where a drop-down opens on the screen, the resize
// grip in its corner, the month-calendar drop-down, the list-box drop-down with incremental search
// and item images, and the list box of recent values with its own scroll bar.
//
// A drop-down tells its owner to close through IPopupControlOwnerGx, found on its owner component;
// without one it ignores Enter, Escape and clicks.
//
//   auto* list = new TPopupListboxGx(editor);        // editor implements IPopupControlOwnerGx
//   list->Items()->Assign(texts);
//   list->SetRowCount(7);
//   TPoint at = AlignDropDownWindow(editor, list, daLeft);
//   ShowDropDown(list, at);
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/forms/comctrls.h"
#include "platform/forms/controls.h"
#include "platform/forms/imglist.h"
#include "platform/forms/stdctrls.h"

// The owner of a drop-down: closes it, taking its value or not.
class IPopupControlOwnerGx {
 public:
  virtual ~IPopupControlOwnerGx() = default;
  virtual void CloseUp(bool accept) = 0;
};

// To a drop-down: WParam a TSizeGripMoveGx (its grip changes corner). Not 0x464: the data grid
// posts that to itself for its deferred layout, and the popup data grid is both.
constexpr UINT WM_SIZEGRIPCHANGEPOSITION = 0x480;
// Posted to a drop-down: close without accepting.
constexpr UINT WM_POPUPCLOSEUP = 0x465;

enum TDropDownAlign { daLeft, daRight, daCenter };
enum TSizeGripPositionGx { gpTopLeft, gpTopRight, gpBottomRight, gpBottomLeft };
enum TSizeGripMoveGx { gmToLeft, gmToRight, gmToTop, gmToBottom };

// Where the drop-down's top-left corner goes beside the owner's screen rectangle: below it, or
// above when there is no room below but room above, or when there is room on neither side and
// more above. The drop-down is shortened and narrowed to the work area of the monitor nearest the
// rectangle, and its grip is told which corner to take.
TPoint AlignDropDownWindowRect(const TRect& ownerScreenRect, TWinControl* dropDown, TDropDownAlign align);
TPoint AlignDropDownWindow(TControl* owner, TWinControl* dropDown, TDropDownAlign align);
// Shows a drop-down window at the point without activating it.
void ShowDropDown(TWinControl* dropDown, const TPoint& at);
void HideDropDown(TWinControl* dropDown);
bool DropDownShowing(TWinControl* dropDown);
// The IPopupControlOwnerGx of the control's owner (null when it has none).
IPopupControlOwnerGx* PopupOwnerOf(TComponent* popup);

// A grip in one corner of its parent that resizes the parent when dragged.
class TSizeGripGx : public TCustomControl {
  FANO_CLASS(TSizeGripGx)
 public:
  explicit TSizeGripGx(TComponent* owner);
  TSizeGripPositionGx Position() const noexcept { return position_; }
  void SetPosition(TSizeGripPositionGx value);
  // Moves to the corner the move names (from its present corner).
  void SetPosition(TSizeGripMoveGx move);
  bool TriangleWindow() const noexcept { return triangleWindow_; }
  void SetGripStyle(bool triangle);
  // Back into its corner after the parent changed size.
  void UpdatePosition();
  void SetVisible(bool value);

  TNotifyEvent OnParentResized;

  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void Dispatch(TMessage& m) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;

 protected:
  void Paint() override;

 private:
  void UpdateShape();
  TSizeGripPositionGx position_ = gpBottomRight;
  bool triangleWindow_ = true;
  bool internalMove_ = false;
  TPoint pressPos_;
  int pressWidth_ = 0, pressHeight_ = 0, pressClientWidth_ = 0, pressClientHeight_ = 0;
  TPoint lastPos_;
};

// The month calendar as a drop-down.
class TPopupMonthCalendarGx : public TMonthCalendar {
  FANO_CLASS(TPopupMonthCalendarGx)
 public:
  explicit TPopupMonthCalendarGx(TComponent* owner);
  int BorderWidth() const { return Ctl3D() ? 2 : 0; }
  // The calendar's smallest rectangle plus the borders.
  TSize PopupSize();

  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void Dispatch(TMessage& m) override;
  void KeyDown(uint16_t& key, TShiftState shift) override;
  bool DoMouseWheelDown(TShiftState shift, const TPoint& mousePos) override;
  bool DoMouseWheelUp(TShiftState shift, const TPoint& mousePos) override;
};

using TListGetImageIndexEventGx = std::function<void(TObject* sender, int index, int& imageIndex)>;

// The owner-drawn drop-down list: fixed item height, rows snapped to whole items, a resize grip,
// incremental search on typed characters and hot tracking under the mouse.
class TPopupListboxGx : public TCustomListBox {
  FANO_CLASS(TPopupListboxGx)
 public:
  explicit TPopupListboxGx(TComponent* owner);
  ~TPopupListboxGx() override;

  TCustomImageList* Images() const noexcept { return images_; }
  void SetImages(TCustomImageList* value);
  // When set, the list shows these texts without holding them (virtual mode).
  TStrings* ItemsSource() const noexcept { return itemsSource_; }
  void SetItemsSource(TStrings* value);
  int RowCount() const noexcept { return rowCount_; }
  // Height for n rows (at least one) plus the border.
  void SetRowCount(int rows);
  int GetTextHeight();
  int BorderWidth() const { return Ctl3D() ? 2 : 0; }
  int BorderHeight();
  TSizeGripGx* SizeGrip() const noexcept { return sizeGrip_; }
  // The user resized the list; the owner clears it before showing.
  bool SizeGripResized() const noexcept { return sizeGripResized_; }
  void SetSizeGripResized(bool value) noexcept { sizeGripResized_ = value; }
  const std::string& SearchText() const noexcept { return searchText_; }
  // The control whose font and colour the list follows.
  void SetLinkedControl(TWinControl* control) noexcept { linkedControl_ = control; }
  TWinControl* LinkedControl() const noexcept { return linkedControl_; }

  TListGetImageIndexEventGx OnGetImageIndex;
  TNotifyEvent OnSizeGripResized;

  void SetBounds(int left, int top, int width, int height) override;
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void Dispatch(TMessage& m) override;
  // A press chooses the item without the list box taking the focus from its editor.
  void DefaultHandler(TMessage& m) override;
  void KeyPress(TKeyChar& key) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  bool DoMouseWheelDown(TShiftState shift, const TPoint& mousePos) override;
  bool DoMouseWheelUp(TShiftState shift, const TPoint& mousePos) override;
  void Notification(TComponent* component, TOperation operation) override;

 protected:
  // The text of an item in virtual mode.
  virtual std::string GetItemText(int index);
  void DrawItem(int index, const TRect& rect, TOwnerDrawState state) override;
  int EffectiveItemHeight();

 private:
  TCustomImageList* images_ = nullptr;
  TStrings* itemsSource_ = nullptr;
  int rowCount_ = 0;
  TSizeGripGx* sizeGrip_ = nullptr;
  std::string searchText_;
  uint32_t lastKeyTime_ = 0;
  TPoint lastMousePos_{-1, -1};
  bool sizeGripResized_ = false;
  TWinControl* linkedControl_ = nullptr;
};

// The drop-down of recent values: a popup list with its own vertical scroll bar beside the grip.
class TMRUListboxGx : public TPopupListboxGx {
  FANO_CLASS(TMRUListboxGx)
 public:
  explicit TMRUListboxGx(TComponent* owner);
  TScrollBar* ScrollBar() const noexcept { return scrollBar_; }
  // Shows, sizes and sets the scroll bar from the items and the visible rows.
  void UpdateScrollBar();

  void CreateParams(TCreateParams& params) override;
  void Dispatch(TMessage& m) override;

 private:
  TScrollBar* scrollBar_ = nullptr;
  bool inScrollBarMove_ = false;
};
