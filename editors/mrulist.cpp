#include "editors/mrulist.h"

#include "editors/tools/gxplatform.h"
#include "editors/tools/toolctrlsgx.h"
#include "platform/classes/published.h"
#include "platform/forms/controls.h"
#include "platform/os/winuser.h"
#include "platform/rtl/strings.h"

FANO_IMPLEMENT_ABSTRACT(TMRUListGx, TPersistent)
FANO_IMPLEMENT_ABSTRACT(TSpecRowGx, TPersistent)

namespace {

bool KeyPressWaiting() {
  MSG msg;
  return PeekMessage(&msg, nullptr, WM_KEYDOWN, WM_KEYDOWN, PM_NOREMOVE) ||
         PeekMessage(&msg, nullptr, WM_CHAR, WM_CHAR, PM_NOREMOVE);
}

}  // namespace

bool MRUItemStartsWith(std::string_view item, std::string_view text, bool caseSensitive) {
  if (text.empty()) return true;
  int length = static_cast<int>(Utf8CharCount(text));
  return CompareAnsiStrGx(item, text, length, !caseSensitive) == 0;
}

// ---- TMRUListGx --------------------------------------------------------------------------------

TMRUListGx::TMRUListGx(TComponent* owner) : owner_(owner), items_(std::make_unique<TStringList>()) {}

TMRUListGx::~TMRUListGx() = default;

TPersistent* TMRUListGx::GetOwner() const { return owner_; }

void TMRUListGx::Assign(TPersistent* source) {
  auto* s = dynamic_cast<TMRUListGx*>(source);
  if (!s) {
    TPersistent::Assign(source);
    return;
  }
  SetActive(s->Active());
  items_->Assign(s->Items());
  SetLimit(s->Limit());
  rows_ = s->Rows();
  caseSensitive_ = s->CaseSensitive();
  width_ = s->Width();
}

void TMRUListGx::SetActive(bool value) {
  if (active_ == value) return;
  active_ = value;
  if (OnActiveChanged) OnActiveChanged(this);
}

void TMRUListGx::SetLimit(int value) {
  limit_ = value;
  Trim();
}

void TMRUListGx::Trim() {
  items_->BeginUpdate();
  while (items_->Count() > std::max(limit_, 0)) items_->Delete(0);
  items_->EndUpdate();
}

void TMRUListGx::Add(std::string_view text) {
  std::string s = ::Trim(text);
  if (s.empty()) return;
  int found = -1;
  for (int i = 0; i < items_->Count() && found < 0; ++i) {
    std::string item = items_->Strings(i);
    if (caseSensitive_ ? item == s : AnsiCompareTextGx(item, s) == 0) found = i;
  }
  if (found >= 0) items_->Move(found, items_->Count() - 1);
  else items_->Add(s);
  Trim();
}

bool TMRUListGx::FilterItemsTo(TStrings* list, std::string_view text) {
  list->BeginUpdate();
  bool complete = true;
  try {
    list->Clear();
    for (int i = 0; i < items_->Count(); ++i) {
      if (i % 100 == 0 && cancelWhenKeyPending_ && KeyPressWaiting()) {
        complete = false;
        break;
      }
      std::string item = items_->Strings(i);
      bool accept = MRUItemStartsWith(item, text, caseSensitive_);
      if (OnFilterItem) OnFilterItem(this, accept);
      if (accept) list->Add(item);
    }
  } catch (...) {
    list->EndUpdate();
    throw;
  }
  list->EndUpdate();
  return complete;
}

void TMRUListGx::DropDown() {
  if (OnSetDropDown) OnSetDropDown(this);
}

void TMRUListGx::CloseUp(bool accept) {
  if (OnSetCloseUp) OnSetCloseUp(this, accept);
}

// ---- TSpecRowGx --------------------------------------------------------------------------------

TSpecRowGx::TSpecRowGx(TPersistent* owner)
    : owner_(owner), font_(std::make_unique<TFont>()), value_(Null()), cells_(std::make_unique<TStringList>()) {
  font_->OnChange = [this](TObject*) {
    if (followingOwner_) return;
    fontAssigned_ = true;
    Changed();
  };
}

TSpecRowGx::~TSpecRowGx() { font_->OnChange = nullptr; }

void TSpecRowGx::Changed() {
  if (updateCount_ == 0 && OnChanged) OnChanged(this);
}

void TSpecRowGx::EndUpdate() {
  if (updateCount_ > 0) --updateCount_;
  Changed();
}

void TSpecRowGx::Assign(TPersistent* source) {
  auto* s = dynamic_cast<TSpecRowGx*>(source);
  if (!s) {
    TPersistent::Assign(source);
    return;
  }
  BeginUpdate();
  try {
    SetCellsText(s->CellsText());
    SetColor(s->Color());
    if (s->FontAssigned()) SetFont(s->Font());
    SetShortCut(s->ShortCut());
    SetShowIfNotInKeyList(s->ShowIfNotInKeyList());
    SetValue(s->Value());
    SetVisible(s->Visible());
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TSpecRowGx::SetCellsText(const std::string& value) {
  if (cellsText_ == value) return;
  cellsText_ = value;
  ParseCells();
  Changed();
}

void TSpecRowGx::ParseCells() {
  cells_->Clear();
  const std::string& s = cellsText_;
  auto isControl = [](unsigned char c) { return c >= 1 && c <= 31; };
  size_t i = 0, n = s.size();
  while (i < n && static_cast<unsigned char>(s[i]) >= 1 && static_cast<unsigned char>(s[i]) <= 32) ++i;
  while (i < n) {
    std::string cell;
    if (s[i] == '"') {
      cell = AnsiExtractQuotedStr(s, i, '"');
    } else {
      size_t start = i;
      while (i < n && s[i] != ';' && !isControl(static_cast<unsigned char>(s[i]))) ++i;
      cell = s.substr(start, i - start);
    }
    cells_->Add(cell);
    while (i < n && isControl(static_cast<unsigned char>(s[i]))) ++i;
    if (i < n && s[i] == ';') {
      ++i;
      while (i < n && isControl(static_cast<unsigned char>(s[i]))) ++i;
    }
  }
}

std::string TSpecRowGx::GetCellText(int index) const {
  if (index < 0 || index >= cells_->Count()) return "";
  return cells_->Strings(index);
}

TColor TSpecRowGx::Color() const {
  if (!colorAssigned_)
    if (auto* c = dynamic_cast<TCustomControl*>(owner_)) return c->Color();
  return color_;
}

void TSpecRowGx::SetColor(TColor value) {
  colorAssigned_ = true;
  if (color_ == value) return;
  color_ = value;
  Changed();
}

TFont* TSpecRowGx::Font() const {
  if (!fontAssigned_)
    if (auto* c = dynamic_cast<TControl*>(owner_)) {
      auto* self = const_cast<TSpecRowGx*>(this);
      self->followingOwner_ = true;
      font_->Assign(c->Font());
      self->followingOwner_ = false;
    }
  return font_.get();
}

void TSpecRowGx::SetFont(TFont* value) {
  font_->Assign(value);
  fontAssigned_ = true;
}

void TSpecRowGx::SetShortCut(TShortCut value) {
  if (shortCut_ == value) return;
  shortCut_ = value;
  Changed();
}

void TSpecRowGx::SetShowIfNotInKeyList(bool value) {
  if (showIfNotInKeyList_ == value) return;
  showIfNotInKeyList_ = value;
  Changed();
}

void TSpecRowGx::SetValue(const Variant& value) {
  if (VariantsEqual(value_, value) && value_.IsNull() == value.IsNull()) return;
  value_ = value;
  Changed();
}

void TSpecRowGx::SetVisible(bool value) {
  if (visible_ == value) return;
  visible_ = value;
  Changed();
}

bool TSpecRowGx::IsValueStored() const { return !value_.IsNull(); }

FANO_PUBLISHED(TMRUListGx, p) {
  p.Property("AutoAdd", &TMRUListGx::AutoAdd, &TMRUListGx::SetAutoAdd);
  p.Property("Active", &TMRUListGx::Active, &TMRUListGx::SetActive);
  p.Property("CaseSensitive", &TMRUListGx::CaseSensitive, &TMRUListGx::SetCaseSensitive);
  p.Property("Items", &TMRUListGx::Items, &TMRUListGx::SetItems);
  p.Property("Limit", &TMRUListGx::Limit, &TMRUListGx::SetLimit);
  p.Property("Rows", &TMRUListGx::Rows, &TMRUListGx::SetRows);
  p.Property("Width", &TMRUListGx::Width, &TMRUListGx::SetWidth);
}

FANO_PUBLISHED(TSpecRowGx, p) {
  p.Property("CellsText", &TSpecRowGx::CellsText, &TSpecRowGx::SetCellsText);
  p.Property("Color", &TSpecRowGx::Color, &TSpecRowGx::SetColor).Stored(&TSpecRowGx::ColorAssigned);
  p.Property("Font", &TSpecRowGx::Font, &TSpecRowGx::SetFont).Stored(&TSpecRowGx::FontAssigned);
  p.Property("ShortCut", &TSpecRowGx::ShortCut, &TSpecRowGx::SetShortCut);
  p.Property("ShowIfNotInKeyList", &TSpecRowGx::ShowIfNotInKeyList, &TSpecRowGx::SetShowIfNotInKeyList);
  p.Property("Value", &TSpecRowGx::Value, &TSpecRowGx::SetValue).Stored(&TSpecRowGx::IsValueStored);
  p.Property("Visible", &TSpecRowGx::Visible, &TSpecRowGx::SetVisible);
}
