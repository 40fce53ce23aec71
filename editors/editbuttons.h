#pragma once
// Edit buttons: the small buttons inside an editor's frame (drop-down arrow, ellipsis, glyph,
// up/down arrows, plus, minus), shared by the editors, the grid's in-place editor and its column
// buttons.
//
// - PaintEditButton draws one button in a state and look; the grid calls it for its cells. Drawn
//   buttons are kept in a cache of bitmaps keyed by size and state, so a grid of many equal buttons
//   draws each distinct one once (ClearButtonsBitmapCache empties it after colour changes).
// - TEditButtonGx describes one button (a collection item of TEditButtonsGx); an editor turns each
//   into a TEditButtonControlGx, the windowless control the user presses. A pressed up/down button
//   repeats its down event after 400 ms, then every 100 ms.
//
//   auto* buttons = new TEditButtonsGx(editor, TVisibleEditButtonGx::StaticClass());
//   auto* b = buttons->Add();
//   b->SetStyle(ebsEllipsisGx);
//   b->OnClick = [](TObject*, bool& handled) { ... };
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/classes/collection.h"
#include "platform/forms/buttons.h"
#include "platform/forms/menus.h"
#include "platform/forms/stdctrls.h"
#include "platform/forms/timer.h"

enum TEditButtonStyleGx { ebsDropDownGx, ebsEllipsisGx, ebsGlyphGx, ebsUpDownGx, ebsPlusGx, ebsMinusGx };

// What PaintEditButton draws.
enum TEditButtonDrawStyleGx { ebdsDropDownGx, ebdsEllipsisGx, ebdsUpDownGx, ebdsCheckBoxGx, ebdsPlusGx, ebdsMinusGx };

TEditButtonDrawStyleGx EditButtonDrawStyle(TEditButtonStyleGx style) noexcept;

// The key of a cached button bitmap; negative sizes are kept as 0.
struct TButtonBitmapInfoGx {
  int Width = 0;
  int Height = 0;
  uint8_t DrawStyle = 0;
  bool Flat = false;
  bool Pressed = false;
  bool Active = false;
  bool Enabled = false;
  bool LowerHalf = false;  // the lower arrow of an up-down button
  uint8_t CheckState = 0;
  friend bool operator==(const TButtonBitmapInfoGx&, const TButtonBitmapInfoGx&) = default;
};

// The drawn buttons, searched in order; entries live until Clear.
class TButtonsBitmapCache {
 public:
  TBitmap* GetButtonBitmap(TButtonBitmapInfoGx key);
  void Clear() { entries_.clear(); }
  int Count() const noexcept { return static_cast<int>(entries_.size()); }

 private:
  struct Entry {
    TButtonBitmapInfoGx Key;
    std::unique_ptr<TBitmap> Bitmap;
  };
  std::vector<Entry> entries_;
};

// The program's one cache, and whether buttons are drawn through it (True at start).
TButtonsBitmapCache& ButtonsBitmapCache();
extern bool UseButtonsBitmapCache;

// Two thirds of the screen font's height, made odd, at most the scroll-bar width.
int DefaultEditButtonWidth();
// The flat button width, computed once at first use.
int DefaultFlatButtonWidth();
// The height a button of that width takes when its editor is taller than it.
int DefaultEditButtonHeight(int width, bool flat);
int ScaleByHalf(int value, bool flag);
void ClearButtonsBitmapCache();
// Measures one cell of the system check-box bitmap (a 4 x 3 grid).
void LoadSystemGlyphs();
TSize CheckBoxGlyphSize();
// The rectangle no larger than a check-box glyph: horizontal 0 left, 1 right, 2 centre; vertical
// 0 top, 1 centre, 2 bottom.
TRect FitRectToMaxSize(const TRect& rect, int horzAlign, int vertAlign);
bool ThemesActive();

// downButton: 0 none, 1 the whole button or the upper half of an up-down button, 2 the lower half.
void PaintEditButton(HDC dc, TRect rect, TColor parentColor, TCheckBoxState checkState, bool enabled, bool active,
                     bool flat, int downButton, TEditButtonDrawStyleGx style);

// sender, top button (false: the lower half of an up-down button), auto-repeat, handled.
using TButtonDownEventGx = std::function<void(TObject* sender, bool topButton, bool& autoRepeat, bool& handled)>;
using TButtonClickEventGx = std::function<void(TObject* sender, bool& handled)>;

// The pressable button an editor shows for a TEditButtonGx.
class TEditButtonControlGx : public TSpeedButton {
  FANO_CLASS(TEditButtonControlGx)
 public:
  explicit TEditButtonControlGx(TComponent* owner);
  ~TEditButtonControlGx() override;

  bool Active() const noexcept { return active_; }
  void SetActive(bool value);
  TEditButtonStyleGx Style() const noexcept { return style_; }
  void SetStyle(TEditButtonStyleGx value);
  // 0 none, 1 whole or upper half, 2 lower half.
  int DownButton() const noexcept { return downButton_; }
  // Holds the button pressed (a group of its own) or lets it go.
  void SetAlwaysDown(bool value);
  bool AlwaysDown() const noexcept { return alwaysDown_; }
  // Starts (or, with 0, stops) the auto-repeat timer.
  void SetAutoRepeatTimer(unsigned interval);
  bool AutoRepeatRunning() const;
  unsigned AutoRepeatInterval() const;
  // Calls OnDown when assigned.
  void ButtonDown(bool topButton, bool& autoRepeat);

  TButtonDownEventGx OnDown;

  void Click() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

 protected:
  void Paint() override;

 private:
  void UpdateDownButton(int x, int y);
  void TimerTick();
  bool active_ = false;
  bool alwaysDown_ = false;
  int downButton_ = 0;
  bool suppressClick_ = false;
  TEditButtonStyleGx style_ = ebsDropDownGx;
  TTimer* timer_ = nullptr;  // owned as a component
};

// The published form of the button control.
class TSpeedButtonGx : public TEditButtonControlGx {
  FANO_CLASS(TSpeedButtonGx)
 public:
  explicit TSpeedButtonGx(TComponent* owner) : TEditButtonControlGx(owner) {}
};

class TEditButtonGx;

class TEditButtonActionLinkGx : public TActionLink {
 public:
  explicit TEditButtonActionLinkGx(TEditButtonGx* client);
  bool IsEnabledLinked() override;
  bool IsHintLinked() override;
  bool IsShortCutLinked() override;
  bool IsVisibleLinked() override;
  void SetEnabled(bool value) override;
  void SetHint(const std::string& value) override;
  void SetShortCut(TShortCut value) override;
  void SetVisible(bool value) override;

 private:
  TEditButtonGx* client_;
};

// One button of an editor: how it looks and what it does.
class TEditButtonGx : public TCollectionItem {
  FANO_CLASS(TEditButtonGx)
 public:
  explicit TEditButtonGx(TCollection* collection);
  // A button that is no collection item (an editor's main button).
  static TEditButtonGx* CreateForEditor(TComponent* editor);
  ~TEditButtonGx() override;
  void Assign(TPersistent* source) override;

  TComponent* Editor() const noexcept { return editor_; }
  TBasicAction* Action() const;
  void SetAction(TBasicAction* value);
  TEditButtonActionLinkGx* ActionLink() const noexcept { return actionLink_.get(); }
  TPopupMenu* DropdownMenu() const noexcept { return dropdownMenu_; }
  void SetDropdownMenu(TPopupMenu* value);
  bool Enabled() const noexcept { return enabled_; }
  void SetEnabled(bool value);
  TBitmap* Glyph() const noexcept { return glyph_.get(); }
  void SetGlyph(TBitmap* value);
  const std::string& Hint() const noexcept { return hint_; }
  void SetHint(const std::string& value);
  int NumGlyphs() const noexcept { return numGlyphs_; }
  // Kept within 1..4.
  void SetNumGlyphs(int value);
  TShortCut ShortCut() const noexcept { return shortCut_; }
  void SetShortCut(TShortCut value);
  TEditButtonStyleGx Style() const noexcept { return style_; }
  void SetStyle(TEditButtonStyleGx value);
  bool Visible() const noexcept { return visible_; }
  void SetVisible(bool value);
  // 0: the default width.
  int Width() const noexcept { return width_; }
  void SetWidth(int value);

  // The action properties are stored only when not taken from a linked action.
  bool IsEnabledStored() const;
  bool IsHintStored() const;
  bool IsShortCutStored() const;
  bool IsVisibleStored() const;

  // OnClick when assigned; otherwise the action, run for the editor, handles it.
  void Click(TObject* sender, bool& handled);
  virtual TEditButtonControlGx* CreateEditButtonControl();
  void InitiateAction();

  TButtonClickEventGx OnClick;
  TButtonDownEventGx OnDown;
  // Called on every property change instead of the collection's change notice.
  TNotifyEvent OnChange;

  TPersistent* GetOwner() const override;

 protected:
  virtual void ActionChange(TObject* sender, bool checkDefaults);
  void PropertyChanged();
  void SetEditor(TComponent* editor) noexcept { editor_ = editor; }

 private:
  friend class TEditButtonActionLinkGx;
  TComponent* editor_ = nullptr;
  std::unique_ptr<TEditButtonActionLinkGx> actionLink_;
  TPopupMenu* dropdownMenu_ = nullptr;
  bool enabled_ = true;
  std::unique_ptr<TBitmap> glyph_;
  std::string hint_;
  int numGlyphs_ = 1;
  TShortCut shortCut_ = 0;
  TEditButtonStyleGx style_ = ebsDropDownGx;
  bool visible_ = false;
  int width_ = 0;
};

// The drop-down button of a combo-like editor: Alt+Down presses it.
class TDropDownEditButtonGx : public TEditButtonGx {
  FANO_CLASS(TDropDownEditButtonGx)
 public:
  explicit TDropDownEditButtonGx(TCollection* collection);
  static TDropDownEditButtonGx* CreateForEditor(TComponent* editor);
};

// A button shown from the start, pressed by Alt+Down.
class TVisibleEditButtonGx : public TEditButtonGx {
  FANO_CLASS(TVisibleEditButtonGx)
 public:
  explicit TVisibleEditButtonGx(TCollection* collection);
  static TVisibleEditButtonGx* CreateForEditor(TComponent* editor);
};

class TEditButtonsGx : public TCollection {
  FANO_CLASS(TEditButtonsGx)
 public:
  TEditButtonsGx(TComponent* editor, TClass itemClass);
  TEditButtonGx* Add() { return static_cast<TEditButtonGx*>(TCollection::Add()); }
  TEditButtonGx* Items(int index) const { return static_cast<TEditButtonGx*>(TCollection::Items(index)); }
  TComponent* Editor() const noexcept { return editor_; }
  TPersistent* GetOwner() const override { return editor_; }
  // Called after every change of the collection or one of its buttons.
  TNotifyEvent OnChange;

 protected:
  void Update(TCollectionItem* item) override;

 private:
  TComponent* editor_;
};
