#pragma once
// The recent-values list of an editor (TMRUListGx) and the special first row of lookup lists
// (TSpecRowGx).
//
// TMRUListGx keeps the texts an editor has held, oldest first; Add moves an equal text (ignoring
// case unless CaseSensitive) to the end, and the list never holds more than Limit texts. The
// editor drops the texts that begin with what is typed (FilterItemsTo) down under itself.
//
//   editor->MRUList()->SetActive(true);
//   editor->MRUList()->Add("北京");
//
// TSpecRowGx describes one extra row shown above a lookup list: its cell texts (";"-separated,
// quoted where a cell holds a ";"), the value it stands for, and its own font and colour (or its
// owner's until given).
#include <functional>
#include <memory>
#include <string>

#include "platform/forms/actnlist.h"
#include "platform/forms/graphics.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/persistent.h"
#include "platform/rtl/variant.h"

class TComponent;

using TMRUFilterItemEventGx = std::function<void(TObject* sender, bool& accept)>;
using TMRUCloseUpEventGx = std::function<void(TObject* sender, bool accept)>;

class TMRUListGx : public TPersistent {
  FANO_CLASS(TMRUListGx)
 public:
  explicit TMRUListGx(TComponent* owner);
  ~TMRUListGx() override;
  void Assign(TPersistent* source) override;
  TPersistent* GetOwner() const override;

  bool AutoAdd() const noexcept { return autoAdd_; }
  void SetAutoAdd(bool value) noexcept { autoAdd_ = value; }
  bool Active() const noexcept { return active_; }
  void SetActive(bool value);
  bool CaseSensitive() const noexcept { return caseSensitive_; }
  void SetCaseSensitive(bool value) noexcept { caseSensitive_ = value; }
  TStrings* Items() const noexcept { return items_.get(); }
  void SetItems(TStrings* value) { items_->Assign(value); }
  int Limit() const noexcept { return limit_; }
  // Drops the oldest texts at once when there are more.
  void SetLimit(int value);
  int Rows() const noexcept { return rows_; }
  void SetRows(int value) noexcept { rows_ = value; }
  // Width of the dropped-down list; 0: the editor's width.
  int Width() const noexcept { return width_; }
  void SetWidth(int value) noexcept { width_ = value; }
  // Whether the editor shows the list now.
  bool DroppedDown() const noexcept { return droppedDown_; }
  void SetDroppedDown(bool value) noexcept { droppedDown_ = value; }
  // Filtering gives up when a key press waits (True at creation).
  bool CancelWhenKeyPending() const noexcept { return cancelWhenKeyPending_; }
  void SetCancelWhenKeyPending(bool value) noexcept { cancelWhenKeyPending_ = value; }

  // The trimmed text becomes the newest; an empty one is ignored.
  void Add(std::string_view text);
  // The texts that begin with `text` (and that OnFilterItem lets through) into the list; false
  // when a waiting key press cut the work short.
  bool FilterItemsTo(TStrings* list, std::string_view text);
  // Only call their events.
  void DropDown();
  void CloseUp(bool accept);

  TNotifyEvent OnActiveChanged;
  TMRUFilterItemEventGx OnFilterItem;
  TMRUCloseUpEventGx OnSetCloseUp;
  TNotifyEvent OnSetDropDown;

 private:
  void Trim();
  TComponent* owner_;
  bool autoAdd_ = true;
  bool active_ = false;
  bool caseSensitive_ = false;
  std::unique_ptr<TStringList> items_;
  int limit_ = 100;
  int rows_ = 7;
  int width_ = 0;
  bool droppedDown_ = false;
  bool cancelWhenKeyPending_ = true;
};

// Whether `item` begins with `text` (whole characters; case by the user locale unless
// caseSensitive). Every text begins with the empty text.
bool MRUItemStartsWith(std::string_view item, std::string_view text, bool caseSensitive);

class TSpecRowGx : public TPersistent {
  FANO_CLASS(TSpecRowGx)
 public:
  explicit TSpecRowGx(TPersistent* owner);
  ~TSpecRowGx() override;
  void Assign(TPersistent* source) override;
  TPersistent* GetOwner() const override { return owner_; }

  const std::string& CellsText() const noexcept { return cellsText_; }
  void SetCellsText(const std::string& value);
  // The owner's colour (for a custom control) until one is given.
  TColor Color() const;
  void SetColor(TColor value);
  // The owner's font (for a control) until one is given.
  TFont* Font() const;
  void SetFont(TFont* value);
  TShortCut ShortCut() const noexcept { return shortCut_; }
  void SetShortCut(TShortCut value);
  bool ShowIfNotInKeyList() const noexcept { return showIfNotInKeyList_; }
  void SetShowIfNotInKeyList(bool value);
  const Variant& Value() const noexcept { return value_; }
  void SetValue(const Variant& value);
  bool Visible() const noexcept { return visible_; }
  void SetVisible(bool value);
  // Set and read by the lookup list that shows the row.
  bool Selected() const noexcept { return selected_; }
  void SetSelected(bool value) noexcept { selected_ = value; }

  bool ColorAssigned() const noexcept { return colorAssigned_; }
  bool FontAssigned() const noexcept { return fontAssigned_; }
  bool IsValueStored() const;

  int CellCount() const { return cells_->Count(); }
  // "" outside 0..CellCount-1.
  std::string GetCellText(int index) const;
  void BeginUpdate() noexcept { ++updateCount_; }
  void EndUpdate();

  TNotifyEvent OnChanged;

 private:
  void Changed();
  void ParseCells();
  TPersistent* owner_;
  std::string cellsText_;
  TColor color_ = clWindow;
  std::unique_ptr<TFont> font_;
  TShortCut shortCut_ = 32814;  // Alt+Del
  bool showIfNotInKeyList_ = true;
  Variant value_;
  bool visible_ = false;
  bool selected_ = false;
  std::unique_ptr<TStringList> cells_;
  int updateCount_ = 0;
  bool colorAssigned_ = false;
  bool fontAssigned_ = false;
  bool followingOwner_ = false;
};
