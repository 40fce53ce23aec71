#pragma once
// Menus: TMenuItem (a tree of items with captions, shortcuts, check marks and actions), TMenu,
// and TPopupMenu, which shows its items in a window of its own at a screen point. Popup runs a menu
// loop (the messages go on meanwhile) until the user picks an item, with the mouse or the keys
// (arrows, Enter, Escape, the underlined letter), or the menu is closed; the chosen item's OnClick
// runs last, after the menu has gone, and then Popup returns.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/forms/controls.h"
#include "platform/rtl/exceptions.h"

FANO_DECLARE_EXCEPTION(EMenuError, Exception);

class TMenu;
class TMenuItem;
class TPopupMenu;
class TMenuActionLink;
class TCustomImageList;
class TPopupMenuWindow;

// ---- shortcuts --------------------------------------------------------------------------------

TShortCut ShortCut(uint16_t key, TShiftState shift);
void ShortCutToKey(TShortCut shortCut, uint16_t& key, TShiftState& shift);
// "Ctrl+C", "Alt+Down", "Shift+Ctrl+F5", "" for none; TextToShortCut reads them back (0 when the
// text names no key).
std::string ShortCutToText(TShortCut shortCut);
TShortCut TextToShortCut(std::string_view text);
// The shortcut of a key message with the current modifier keys.
TShortCut ShortCutFromMessage(const TMessage& m);

// The text without the accelerator marks ("&File" -> "File", "&&" -> "&").
std::string StripHotkey(std::string_view text);
// The accelerator character of a caption (lower-case ASCII), 0 when none.
char32_t GetHotkey(std::string_view text);
bool IsAccel(char32_t ch, std::string_view caption);

// ---- items ------------------------------------------------------------------------------------

enum TMenuBreak { mbNone, mbBreak, mbBarBreak };
enum TMenuItemAutoFlag { maAutomatic, maManual, maParent };
using TMenuChangeEvent = std::function<void(TObject* sender, TMenuItem* source, bool rebuild)>;

class TMenuItem : public TComponent {
  FANO_CLASS(TMenuItem)
 public:
  explicit TMenuItem(TComponent* owner);
  ~TMenuItem() override;
  void BeforeDestruction() override;

  // ---- the tree
  int Count() const noexcept { return static_cast<int>(items_.size()); }
  TMenuItem* Items(int index) const;
  TMenuItem* Parent() const noexcept { return parent_; }
  int MenuIndex() const;
  void SetMenuIndex(int value);
  void Add(TMenuItem* item);
  void Insert(int index, TMenuItem* item);
  void Delete(int index);
  void Remove(TMenuItem* item);
  // Removes and frees every sub-item.
  void Clear();
  int IndexOf(const TMenuItem* item) const;
  // The first sub-item whose caption (without accelerator marks) is the text, ignoring case.
  TMenuItem* Find(std::string_view caption) const;
  TMenu* GetParentMenu() const;
  // A separator is an item whose caption is "-".
  bool IsLine() const { return caption_ == "-"; }

  // ---- properties
  const std::string& Caption() const noexcept { return caption_; }
  void SetCaption(std::string_view value);
  bool Checked() const noexcept { return checked_; }
  void SetChecked(bool value);
  bool Enabled() const noexcept { return enabled_; }
  void SetEnabled(bool value);
  bool Visible() const noexcept { return visible_; }
  void SetVisible(bool value);
  bool Default() const noexcept { return default_; }
  void SetDefault(bool value);
  bool RadioItem() const noexcept { return radioItem_; }
  void SetRadioItem(bool value);
  bool AutoCheck() const noexcept { return autoCheck_; }
  void SetAutoCheck(bool value) noexcept { autoCheck_ = value; }
  uint8_t GroupIndex() const noexcept { return groupIndex_; }
  void SetGroupIndex(uint8_t value);
  int ImageIndex() const noexcept { return imageIndex_; }
  void SetImageIndex(int value);
  TShortCut ShortCut() const noexcept { return shortCut_; }
  void SetShortCut(TShortCut value);
  const std::string& Hint() const noexcept { return hint_; }
  void SetHint(std::string_view value) { hint_ = std::string(value); }
  int HelpContext() const noexcept { return helpContext_; }
  void SetHelpContext(int value) noexcept { helpContext_ = value; }
  TMenuBreak Break() const noexcept { return break_; }
  void SetBreak(TMenuBreak value);
  TMenuItemAutoFlag AutoHotkeys() const noexcept { return autoHotkeys_; }
  void SetAutoHotkeys(TMenuItemAutoFlag value) noexcept { autoHotkeys_ = value; }
  TMenuItemAutoFlag AutoLineReduction() const noexcept { return autoLineReduction_; }
  void SetAutoLineReduction(TMenuItemAutoFlag value) noexcept { autoLineReduction_ = value; }
  TBitmap* Bitmap() const;
  void SetBitmap(TBitmap* value);
  bool HasBitmap() const noexcept { return bitmap_ != nullptr && !bitmap_->Empty(); }
  TCustomImageList* SubMenuImages() const noexcept { return subMenuImages_; }
  void SetSubMenuImages(TCustomImageList* value);
  TBasicAction* Action() const;
  void SetAction(TBasicAction* value);

  // Runs the item: toggles an auto-check item, then OnClick, else the action.
  virtual void Click();
  virtual void InitiateAction();
  TNotifyEvent OnClick;

  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* parent) override;
  void GetChildren(const TGetChildProc& proc, TComponent* root) override;
  void Notification(TComponent* component, TOperation operation) override;
  void Loaded() override;

  // Told of every change of the item or its sub-items (the menu rebuilds what it shows).
  TMenuChangeEvent OnChange;

 protected:
  virtual void MenuChanged(bool rebuild);
  virtual void ActionChange(TObject* sender, bool checkDefaults);

 private:
  friend class TMenu;
  void TurnSiblingsOff();
  TMenuItem* parent_ = nullptr;
  TMenu* menu_ = nullptr;  // the menu whose root item this is
  std::vector<TMenuItem*> items_;
  std::string caption_;
  bool checked_ = false;
  bool enabled_ = true;
  bool visible_ = true;
  bool default_ = false;
  bool radioItem_ = false;
  bool autoCheck_ = false;
  uint8_t groupIndex_ = 0;
  int imageIndex_ = -1;
  TShortCut shortCut_ = 0;
  std::string hint_;
  int helpContext_ = 0;
  TMenuBreak break_ = mbNone;
  TMenuItemAutoFlag autoHotkeys_ = maParent;
  TMenuItemAutoFlag autoLineReduction_ = maParent;
  mutable std::unique_ptr<TBitmap> bitmap_;
  TCustomImageList* subMenuImages_ = nullptr;
  std::unique_ptr<TMenuActionLink> actionLink_;
};

// The link of a menu item to an action.
class TMenuActionLink : public TActionLink {
 public:
  explicit TMenuActionLink(TObject* client) : TActionLink(client) { AssignClient(client); }
  bool IsCaptionLinked() override;
  bool IsCheckedLinked() override;
  bool IsEnabledLinked() override;
  bool IsHelpContextLinked() override;
  bool IsHintLinked() override;
  bool IsGroupIndexLinked() override;
  bool IsImageIndexLinked() override;
  bool IsShortCutLinked() override;
  bool IsVisibleLinked() override;
  void SetAutoCheck(bool value) override;
  void SetCaption(const std::string& value) override;
  void SetChecked(bool value) override;
  void SetEnabled(bool value) override;
  void SetHelpContext(int value) override;
  void SetHint(const std::string& value) override;
  void SetImageIndex(int value) override;
  void SetShortCut(TShortCut value) override;
  void SetVisible(bool value) override;

 protected:
  void AssignClient(TObject* client) override { client_ = dynamic_cast<TMenuItem*>(client); }
  TMenuItem* client_ = nullptr;
};

// ---- menus ------------------------------------------------------------------------------------

class TMenu : public TComponent {
  FANO_CLASS(TMenu)
 public:
  explicit TMenu(TComponent* owner);
  ~TMenu() override;

  // The root item; the menu's items are its sub-items.
  TMenuItem* Items() const noexcept { return items_.get(); }
  TCustomImageList* Images() const noexcept { return images_; }
  void SetImages(TCustomImageList* value);
  // Runs the enabled item (anywhere in the tree) whose shortcut matches; true when one did.
  bool IsShortCut(TShortCut shortCut);
  // The item with that shortcut, or null.
  TMenuItem* FindItemByShortCut(TShortCut shortCut) const;
  void GetChildren(const TGetChildProc& proc, TComponent* root) override;
  void Notification(TComponent* component, TOperation operation) override;

 protected:
  friend class TMenuItem;
  virtual void MenuChanged(TMenuItem* source, bool rebuild);

 private:
  std::unique_ptr<TMenuItem> items_;
  TCustomImageList* images_ = nullptr;
};

enum TPopupAlignment { paLeft, paRight, paCenter };

class TPopupMenu : public TMenu {
  FANO_CLASS(TPopupMenu)
 public:
  explicit TPopupMenu(TComponent* owner);
  ~TPopupMenu() override;
  void BeforeDestruction() override;

  // Shows the menu at the screen point (its left edge, right edge or centre there, by Alignment;
  // moved inside the work area) and returns once it has closed and the chosen item, if any, has
  // run. Any menu shown before closes first.
  virtual void Popup(int x, int y);
  // Closes the menu when it shows (no item runs).
  void CloseMenu();
  bool IsShowing() const noexcept { return window_ != nullptr; }
  // The window showing the top level of the menu while it shows.
  HWND PopupWindowHandle() const;

  TPopupAlignment Alignment() const noexcept { return alignment_; }
  void SetAlignment(TPopupAlignment v) noexcept { alignment_ = v; }
  bool AutoPopup() const noexcept { return autoPopup_; }
  void SetAutoPopup(bool v) noexcept { autoPopup_ = v; }
  TComponent* PopupComponent() const noexcept { return popupComponent_; }
  void SetPopupComponent(TComponent* c) noexcept { popupComponent_ = c; }
  TPoint PopupPoint() const noexcept { return popupPoint_; }

  TNotifyEvent OnPopup;
  TNotifyEvent OnClose;

  // The menu shown now (one at a time), or null.
  static TPopupMenu* ActiveMenu();

 protected:
  void MenuChanged(TMenuItem* source, bool rebuild) override;
  virtual void DoPopup(TObject* sender);

 private:
  friend class TPopupMenuWindow;
  friend bool PopupMenuKeyMessage(TMessage& m);
  friend bool PopupMenuPressAway();
  bool KeyMessage(TMessage& m);
  void WindowClosed(TPopupMenuWindow* window, TMenuItem* chosen);
  struct MenuLoop;
  TPopupAlignment alignment_ = paLeft;
  bool autoPopup_ = true;
  TComponent* popupComponent_ = nullptr;
  TPoint popupPoint_{-1, -1};
  TPopupMenuWindow* window_ = nullptr;
  MenuLoop* loop_ = nullptr;  // the loop of Popup while it runs
};

// Routes the keys of a message to the popup menu shown now; true when the menu took the message.
// The forms layer calls it for every key message that reaches one of its windows.
bool PopupMenuKeyMessage(TMessage& m);
// Closes the menu shown now when the next mouse message is a press away from it; the press stays
// in the queue for the window under the pointer, as a press outside the platform's own menus
// does. The forms layer calls it before it takes each message.
bool PopupMenuPressAway();

void RegisterMenusClasses();
