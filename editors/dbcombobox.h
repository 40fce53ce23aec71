#pragma once
// The data-aware combo box: an editor with a drop-down list of choices, in one of two modes
// decided by its lists alone.
//
// - Text mode (KeyItems empty): the value is the text; Items offer completions while typing and
//   the drop-down list; any text may be typed.
// - Key mode (KeyItems not empty): Items[i] is shown for the key KeyItems[i]; the field and Value
//   hold the key; the edit window is read-only and typing searches the items.
//
//   auto* type = new TDBComboBoxGx(form);
//   type->Items()->SetText("现金\n转账");
//   type->KeyItems()->SetText("1\n2");         // key mode
//   type->SetValue(Variant("2"));              // shows "转账"
//
// The grid's filter row and find dialog use the same class: OnBeforeDropDown fills the items on
// demand and OnBeforeCloseUp may keep the chosen item out of the text.
#include <functional>
#include <memory>
#include <string>

#include "editors/dbeditbase.h"
#include "editors/dbeditors_dropdown.h"
#include "editors/popups.h"

using TNotInListEventGx = std::function<void(TObject* sender, const std::string& text, bool& handled)>;
using TCloseUpEventGx = std::function<void(TObject* sender, bool accept)>;
using TGetItemImageIndexEventGx = std::function<void(TObject* sender, int itemIndex, int& imageIndex)>;

// How the drop-down list of a combo box is laid out.
class TDropDownBoxGx : public TPersistent {
  FANO_CLASS(TDropDownBoxGx)
 public:
  TDropDownBoxGx() = default;
  void Assign(TPersistent* source) override;
  TDropDownAlign Align() const noexcept { return align_; }
  void SetAlign(TDropDownAlign value) noexcept { align_ = value; }
  // Open the list at the first printable character typed.
  bool AutoDrop() const noexcept { return autoDrop_; }
  void SetAutoDrop(bool value) noexcept { autoDrop_ = value; }
  int Rows() const noexcept { return rows_; }
  void SetRows(int value) noexcept { rows_ = value; }
  bool Sizable() const noexcept { return sizable_; }
  void SetSizable(bool value) noexcept { sizable_ = value; }
  // 0: as wide as the editor; -1: as wide as the widest item.
  int Width() const noexcept { return width_; }
  void SetWidth(int value) noexcept { width_ = value; }

 private:
  TDropDownAlign align_ = daLeft;
  bool autoDrop_ = false;
  int rows_ = 7;
  bool sizable_ = false;
  int width_ = 0;
};

class TCustomDBComboBoxGx : public TCustomDBEditGx {
  FANO_CLASS(TCustomDBComboBoxGx)
 public:
  explicit TCustomDBComboBoxGx(TComponent* owner);
  ~TCustomDBComboBoxGx() override;

  TDropDownBoxGx* DropDownBox() const noexcept { return dropDownBox_.get(); }
  void SetDropDownBox(TDropDownBoxGx* value) { dropDownBox_->Assign(value); }
  TStrings* Items() const noexcept { return items_.get(); }
  void SetItems(TStrings* value) { items_->Assign(value); }
  TStrings* KeyItems() const noexcept { return keyItems_.get(); }
  void SetKeyItems(TStrings* value) { keyItems_->Assign(value); }
  // -1 or within 0 .. ItemCount - 1.
  int ItemIndex() const noexcept { return itemIndex_; }
  // Bound: puts the dataset into edit state and writes the field at once.
  void SetItemIndex(int value);
  // Items that can be chosen: in key mode no more than there are keys.
  int ItemCount() const noexcept { return itemCount_; }
  bool KeyMode() const noexcept { return keyMode_; }
  bool ListVisible() const noexcept { return listVisible_; }
  // The drop-down list (null until it first drops down).
  TPopupListboxGx* PopupListbox() const noexcept { return popupListbox_; }
  int ItemImageIndex() const noexcept { return itemImageIndex_; }

  // Searches the items (ignoring case; with `partial` only as many characters as s has) and
  // chooses the first that matches, selecting its text after s; answers whether ItemIndex changed.
  bool LocateStr(const std::string& s, bool partial);
  // Key-mode typing: Backspace widens the selection, other text searches with the text before
  // the caret.
  void ProcessSearchStr(const std::string& s);
  // The previous (up) or next item.
  void SelectNextValue(bool up);

  TNotInListEventGx OnNotInList;
  TCloseUpEventGx OnCloseUp;
  TNotifyEvent OnDropDown;
  TGetItemImageIndexEventGx OnGetItemImageIndex;
  // Asked when the list is searched while Items is empty, so that it can be filled on demand.
  TNotifyEvent OnItemsRequest;
  // Makes the drop-down list (instead of a TPopupListboxGx).
  std::function<TPopupListboxGx*(TCustomDBComboBoxGx* owner)> ListboxFactory;

  // ---- overrides of the base editor
  void Clear() override;
  TAlignment DefaultAlignment() const override;
  int DefaultImageIndex() override { return itemImageIndex_; }
  std::string GetDisplayTextForPaint() override;
  Variant GetVariantValue() const override;
  bool IsValidChar(char32_t ch) override;
  void ButtonDownDefault(bool lowerHalf) override;
  void CloseUp(bool accept) override;
  void DataChanged() override;
  void DropDown() override;
  void EditButtonMouseMove(TObject* sender, TShiftState shift, int x, int y) override;
  void InternalSetText(std::string_view text) override;
  void InternalSetValue(const Variant& value) override;
  void InternalUpdatePostData() override;
  void CheckDataMaxLength() override;
  void UpdateReadOnlyState() override;
  void UpdateImageIndex() override;
  void UpdateData() override;
  void KeyDown(uint16_t& key, TShiftState shift) override;
  void KeyPress(TKeyChar& key) override;
  bool DoMouseWheelDown(TShiftState shift, const TPoint& mousePos) override;
  bool DoMouseWheelUp(TShiftState shift, const TPoint& mousePos) override;
  void WndProc(TMessage& m) override;
  void Notification(TComponent* component, TOperation operation) override;

 protected:
  // Asks for items when there are none (OnItemsRequest).
  virtual void BeforeLocate();
  // The item index without writing the field: key value, image, the open list and the text follow
  // (also how a chosen list item is applied).
  virtual void InternalSetItemIndex(int value);
  TEditButtonGx* CreateEditButton() override;
  TPopupListboxGx* GetListbox();

 private:
  void ItemsChanged();
  void KeyItemsChanged();
  void Recount();
  // ItemIndex from the text (text mode and after changes).
  void ItemIndexFromText();
  void ListFollows();
  void SetTextQuietly(std::string_view text);
  void TextModeCompletion(TKeyChar key);
  bool HandleListMessage(TMessage& m);

  std::unique_ptr<TDropDownBoxGx> dropDownBox_;
  int itemIndex_ = -1;
  std::unique_ptr<TStringList> items_;
  std::unique_ptr<TStringList> keyItems_;
  bool listVisible_ = false;
  TPopupListboxGx* popupListbox_ = nullptr;
  int itemCount_ = 0;
  bool keyMode_ = false;
  Variant keyValue_;
  int itemImageIndex_ = -1;
  bool charAccepted_ = false;
  TClosingKeyGx closingKey_;
};

class TDBComboBoxGx : public TCustomDBComboBoxGx {
  FANO_CLASS(TDBComboBoxGx)
 public:
  explicit TDBComboBoxGx(TComponent* owner) : TCustomDBComboBoxGx(owner) {}
};

void RegisterDBComboBoxClasses();
