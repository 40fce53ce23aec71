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

class TDBGridInplaceEdit : public TInplaceEdit {
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
  // The drop-down of the current style (the pick list), null while none was made.
  TWinControl* ActiveList() const;
  // Button 0 is the editor's own style button, button i the column's edit button i - 1.
  int EditButtonCount() const noexcept { return static_cast<int>(buttons_.size()); }
  TEditButtonControlGx* EditButtonControl(int index) const { return buttons_.at(static_cast<size_t>(index)).second; }
  TShape* EditButtonSeparator(int index) const { return buttons_.at(static_cast<size_t>(index)).first; }

  void CreateParams(TCreateParams& params) override;
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
  virtual void UpdateImageIndex();
  virtual void UserTextChanged();
  virtual void DropDown();
  virtual void CloseUp(bool accept);

  void KeyDown(uint16_t& key, TShiftState shift) override;
  void KeyPress(TKeyChar& key) override;
  void Dispatch(TMessage& message) override;

 protected:
  virtual TEditButtonControlGx* CreateEditButtonControl();
  void UpdateEditButtons();

 private:
  void StepUpDown(bool down);
  void DeleteListValue(uint16_t& key);
  void PasteText();
  // Writes a completed text (and for lookups its key) into the grid's edit value.
  void TakeText(const std::string& text, int selStart, int selLength);
  bool CompleteFromLookup(const std::string& typed, bool& found);
  int FindPickEntry(const std::string& prefix) const;
  void SetPickValue(int index);

  TPopupListboxGx* PickListbox();
  void Notification(TComponent* component, TOperation operation) override;

  TPopupListboxGx* pickListbox_ = nullptr;  // owned as a component, made on first use
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
