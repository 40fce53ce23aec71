#pragma once
// The data grid's in-place editor: the base editor (inplaceedit.h) with a strip of edit buttons at
// the right of the cell, an edit style taken from the column (ellipsis, pick list, lookup list,
// calendar, up-down, drop-down), completion of typed and pasted text against the column's pick
// list or lookup data set, and the grid's search and find keys. The data grid makes it through
// CreateEditor and loads it with UpdateContents whenever it moves to a cell; the editor keeps the
// value being edited in the grid (SetEditText, SetEditValue), which writes it to the field.
//
//   grid->SetEditorMode(true);
//   auto* ed = static_cast<TDBGridInplaceEdit*>(grid->InplaceEditor());
//   ed->EditStyle();   // esPickList for a column with a pick list
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "editors/editbuttons.h"
#include "editors/popups.h"
#include "grid/dbgrid.h"
#include "grid/inplaceedit.h"
#include "platform/forms/extctrls.h"

enum TEditStyleGx : uint8_t { esSimple, esEllipsis, esPickList, esDataList, esDateCalendar, esUpDown, esDropDown };

// The edit style of a column; the cell painter draws the cell's button from it too. In design
// mode a lookup column whose key fields cannot be modified still shows its list button.
TEditStyleGx GetColumnEditStyle(TColumnGx* column);

class TPopupCalculatorGx;
class TPopupDataGridGx;

class TDBGridInplaceEdit : public TInplaceEdit, public IPopupControlOwnerGx {
  FANO_CLASS(TDBGridInplaceEdit)
 public:
  explicit TDBGridInplaceEdit(TComponent* owner);
  ~TDBGridInplaceEdit() override;

  TCustomDBGridGx* DBGrid() const;
  TColumnGx* Column() const;
  TEditStyleGx EditStyle() const noexcept { return editStyle_; }
  void SetEditStyle(TEditStyleGx value);
  int ButtonsWidth() const noexcept { return buttonsWidth_; }
  int ImageIndex() const noexcept { return imageIndex_; }
  bool ReadOnlyByCellParams() const noexcept { return readOnlyByCellParams_; }
  bool WordWrap() const noexcept { return wordWrap_; }
  bool UserChangedText() const noexcept { return userChangedText_; }
  bool ListVisible() const noexcept { return listVisible_; }
  // The drop-down of the current style (the open one while ListVisible), null while none was made.
  TWinControl* ActiveList() const;
  // Hands the wheel to the open drop-down; the entry it goes to shows in the editor, as with the
  // list keys.
  void WheelList(const TMessage& message);
  // The column's lookup drop-down while the style is esDataList and it was opened once.
  TPopupDataGridGx* DataList() const noexcept { return dataList_; }
  TPopupMonthCalendarGx* PopupCalendar() const noexcept { return popupCalendar_; }
  TPopupCalculatorGx* PopupCalculator() const noexcept { return popupCalculator_; }
  // The calculator, made on first use.
  virtual TPopupCalculatorGx* GetPopupCalculator();
  TPopupListboxGx* PickList() const noexcept { return pickListbox_; }
  // Its data set is the lookup data set while the data list is open.
  TDataSource* LookupSource() const noexcept { return lookupSource_; }
  // While set, CloseUp only lets the button up (the grid re-laying out its editor).
  bool CloseUpLocked() const noexcept { return closeUpLocked_; }
  void SetCloseUpLocked(bool value) noexcept { closeUpLocked_ = value; }
  bool ListColumnsMoved() const noexcept { return listColumnsMoved_; }
  // The recent values of the column (set at each load) and their drop-down.
  TMRUListGx* MRUList() const noexcept { return mruList_; }
  TMRUListboxGx* MRUListbox() const noexcept { return mruListbox_; }
  bool MRUListVisible() const;
  virtual TMRUListboxGx* CreateMRUListbox();
  // Drops down the recent values that begin with the text (re-filters an open list).
  void ShowMRUList();
  void CloseMRUList(bool accept);
  // Button 0 is the editor's own style button, button i the column's edit button i - 1.
  int EditButtonCount() const noexcept { return static_cast<int>(buttons_.size()); }
  TEditButtonControlGx* EditButtonControl(int index) const { return buttons_.at(static_cast<size_t>(index)).second; }
  TShape* EditButtonSeparator(int index) const { return buttons_.at(static_cast<size_t>(index)).first; }

  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void UpdateContents() override;
  void BoundsChanged() override;
  // The text rectangle inside the editor.
  virtual TRect GetEditRect();
  // Completes the typed text against the column's lists; empties s when it took the character.
  virtual void ProcessTypedText(std::string& s);
  // Presses the style button: steps an up-down value (down = the lower half), else opens the list.
  virtual void ButtonDown(bool down);
  virtual void EditButtonClick(TObject* sender);
  virtual void EditButtonMouseDown(TObject* sender, bool topButton, bool& autoRepeat, bool& handled);
  // A press on the style button dragged into the open list becomes a press there.
  virtual void EditButtonMouseMove(TObject* sender, TShiftState shift, int x, int y);
  virtual void EditButtonMouseUp(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  virtual void UpdateImageIndex();
  virtual void UserTextChanged();
  virtual void DropDown();
  void CloseUp(bool accept) override;

  void KeyDown(uint16_t& key, TShiftState shift) override;
  void KeyPress(TKeyChar& key) override;
  // The release of Ctrl reaches an open lookup list too (its deferred multi-column sort marks).
  void KeyUp(uint16_t& key, TShiftState shift) override;
  void Dispatch(TMessage& message) override;

  // ---- own painting and the mouse beside the text (dbgrid_inplace_paint.cpp)
  // The tree column's indent in tree mode (0 elsewhere); the text starts after it.
  int TreeIndent() const;
  // Whether the red dotted line of an empty required field shows (OnCheckDrawRequiredState may
  // change it), and the line itself.
  bool RequiredStateShown();
  virtual void DrawRequiredState(TCanvas* canvas);
  void PaintWindow(HDC dc) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void DefaultHandler(TMessage& message) override;
  // While a drop-down is open the wheel is not the grid's to scroll: it goes on to the grid's
  // notice, which hands it to the drop-down (dbgrid_dropdowns.cpp).
  bool DoMouseWheel(TShiftState shift, int wheelDelta, const TPoint& mousePos) override;

 protected:
  virtual TEditButtonControlGx* CreateEditButtonControl();
  void UpdateEditButtons();

 private:
  void StepUpDown(bool down);
  void DeleteListValue(uint16_t& key);
  void PasteText();
  // Writes a completed text (and for lookups its key) into the grid's edit value.
  void TakeText(const std::string& text, int selStart, int selLength);
  // The open (or next) lookup list marks the key the editor now holds.
  void ListKeyFollows(const Variant& key);
  bool CompleteFromLookup(const std::string& typed, bool& found);
  int FindPickEntry(const std::string& prefix) const;
  void SetPickValue(int index);

  TPopupListboxGx* PickListbox();
  void Notification(TComponent* component, TOperation operation) override;
  // The list of the current style, made on first use (null for styles without one).
  TWinControl* MakeActiveList();
  bool ListStyle() const;
  // Keys for an open list or the recent values (dbgrid_dropdowns.cpp); true when taken.
  bool ListKeyDown(uint16_t& key, TShiftState shift);
  bool ListKeyPress(TKeyChar& key);
  // Messages an open drop-down answers (focus loss, cancel mode); true when taken.
  bool DropDownMessage(TMessage& m);
  void FollowMRUList();
  void MRUListResized();
  void DropDownDataList(TPopupDataGridGx* list, int rows);
  void AcceptDataList(const Variant& value, const std::string& text);
  void RemovePendingChar();
  bool LookupHasText();

  TPopupListboxGx* pickListbox_ = nullptr;  // owned as a component, made on first use
  TPopupDataGridGx* dataList_ = nullptr;  // the column's
  TPopupMonthCalendarGx* popupCalendar_ = nullptr;
  TPopupCalculatorGx* popupCalculator_ = nullptr;
  TDataSource* lookupSource_ = nullptr;
  TMRUListGx* mruList_ = nullptr;  // the column's
  TMRUListboxGx* mruListbox_ = nullptr;
  TWinControl* openList_ = nullptr;
  bool closeUpLocked_ = false;
  bool listColumnsMoved_ = false;
  TEditStyleGx editStyle_ = esSimple;
  int buttonsWidth_ = 0;
  int imageIndex_ = -1;
  bool readOnlyByCellParams_ = false;
  bool wordWrap_ = false;
  bool userChangedText_ = false;
  bool listVisible_ = false;
  bool buttonPressOpened_ = false;
  int pickIndex_ = -1;
  std::vector<std::pair<TShape*, TEditButtonControlGx*>> buttons_;
};
