// Grid columns: binding to fields, defaulted settings, the column kind, display text through key
// and pick lists, check-box states, value stepping and writing values back.
#include <algorithm>
#include <cmath>

#include "grid/dbgrid.h"
#include "grid/dbgrid_dropdowns.h"
#include "grid/dbgrid_filterrow.h"
#include "grid/dbgrid_inplace.h"
#include "grid/inplaceedit.h"
#include "grid/lookupgrid.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"

FANO_IMPLEMENT_ITEM(TColumnGx, TCollectionItem)
FANO_IMPLEMENT_ITEM(TDBGridColumnGx, TColumnGx)
FANO_IMPLEMENT_ABSTRACT(TDBGridColumnsGx, TCollection)
FANO_IMPLEMENT_CLASS(TColCellParamsGx, TObject)

namespace {

// A date typed as digits alone, in the locale's order (eight with a four-digit year, six with two),
// gets the locale's separators, so that the field reads it as the date typed.
std::string WithDateSeparators(const std::string& text) {
  if ((text.size() != 8 && text.size() != 6) ||
      !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return text;
  const size_t y = text.size() - 4;  // the year's length
  const std::string sep(1, FormatSettings.DateSeparator);
  switch (GetDateOrder(FormatSettings.ShortDateFormat)) {
    case TDateOrder::YMD: return text.substr(0, y) + sep + text.substr(y, 2) + sep + text.substr(y + 2, 2);
    case TDateOrder::MDY:
    case TDateOrder::DMY: break;
  }
  return text.substr(0, 2) + sep + text.substr(2, 2) + sep + text.substr(4);
}

bool IsDateColumnType(TFieldType t) { return t == ftDate || t == ftDateTime || t == ftTimeStamp; }

bool IsNumericType(TFieldType t) {
  switch (t) {
    case ftSmallint: case ftInteger: case ftWord: case ftFloat: case ftCurrency: case ftBCD: case ftFMTBcd:
      return true;
    default:
      return false;
  }
}

bool IsCheckNumericType(TFieldType t) {
  switch (t) {
    case ftSmallint: case ftInteger: case ftFloat: case ftCurrency: case ftBCD: case ftFMTBcd:
      return true;
    default:
      return false;
  }
}

bool IsMemoType(TFieldType t) { return t == ftMemo || t == ftWideMemo; }

// A key entry lists its accepted texts separated by ";"; an empty entry, or one ending in ";",
// also accepts the empty text.
bool KeyEntryMatches(const std::string& entry, const std::string& text) {
  if (entry.empty()) return text.empty();
  size_t start = 0;
  while (start <= entry.size()) {
    size_t end = entry.find(';', start);
    if (end == std::string::npos) end = entry.size();
    if (AnsiCompareText(entry.substr(start, end - start), text) == 0) {
      if (end != entry.size() || start < end || text.empty()) return true;
    }
    if (end == entry.size()) break;
    start = end + 1;
  }
  return false;
}

std::string FirstKeyPart(const std::string& entry) {
  const size_t p = entry.find(';');
  return p == std::string::npos ? entry : entry.substr(0, p);
}

}  // namespace

// ---------------------------------------------------------------- TColumnGx

TColumnGx::TColumnGx(TCollection* collection) : TCollectionItem(nullptr) {
  TCustomDBGridGx* grid = nullptr;
  if (auto* cols = dynamic_cast<TDBGridColumnsGx*>(collection)) grid = cols->Grid();
  if (grid) grid->BeginLayout();
  // A column the user adds replaces the columns the grid built from the fields.
  auto* cols = dynamic_cast<TDBGridColumnsGx*>(collection);
  if (cols && !cols->BuildingDefaults() && cols->Count() > 0 && !cols->Customized()) cols->Clear();
  font_ = std::make_unique<TFont>();
  font_->OnChange = [this](TObject*) { FontChanged(); };
  title_ = std::make_unique<TColumnTitleGx>(this);
  editButtons_ = std::make_unique<TEditButtonsGx>(grid, TVisibleEditButtonGx::StaticClass());
  editButtons_->OnChange = [this](TObject*) { ColumnChanged(false); };
  specRow_ = std::make_unique<TSpecRowGx>(this);
  specRow_->OnChanged = [this](TObject*) {
    ColumnChanged(false);
    // An open list shows the special row as it is now.
    if (dropDownDataGrid_) dropDownDataGrid_->SetSpecRow(specRow_.get());
  };
  mruList_ = std::make_unique<TMRUListGx>(grid);
  SetCollection(collection);
  footer_ = std::make_unique<TColumnFooterGx>(this);
  footers_ = std::make_unique<TColumnFootersGx>(this, TColumnFooterGx::StaticClass());
  RefreshDefaultFont();
  autoFitBaseWidth_ = Width();
  imageLink_ = std::make_unique<TChangeLink>();
  imageLink_->OnChange = [this](TObject* sender) {
    if (TCustomDBGridGx* g = Grid(); g && sender == imageList_) g->Invalidate();
  };
  if (grid) grid->EndLayout();
}

TColumnGx::~TColumnGx() {
  if (TCustomDBGridGx* g = Grid()) {
    auto& list = g->SortMarkedList();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    title_->ReleaseSortPlace();
    g->Selection()->Columns()->Remove(this);
    if (g->editColumn_ == this) g->editColumn_ = nullptr;
    if (g->editorColumn_ == this) g->editorColumn_ = nullptr;
    if (g->writtenColumn_ == this) g->writtenColumn_ = nullptr;
  }
  FreeDropDowns();
}

TBiDiMode TColumnGx::BiDiMode() const {
  if (IsAssigned(cvBiDiMode)) return biDiMode_;
  TCustomDBGridGx* g = Grid();
  return g ? g->BiDiMode() : biDiMode_;
}

void TColumnGx::SetBiDiMode(TBiDiMode value) {
  const bool changed = !IsAssigned(cvBiDiMode) || value != biDiMode_;
  assigned_.Include(cvBiDiMode);
  biDiMode_ = value;
  if (changed) ColumnChanged(false);
}

// ---- the drop-down data grid's events: read from the grid when it is made, written to it (made
// on the way)

TColumnGx::TDropDownBoxCheckButtonEvent TColumnGx::OnDropDownBoxCheckButton() const {
  return dropDownDataGrid_ ? dropDownDataGrid_->OnCheckButton : TDropDownBoxCheckButtonEvent();
}
void TColumnGx::SetOnDropDownBoxCheckButton(const TDropDownBoxCheckButtonEvent& handler) {
  GetDropDownDataGrid()->OnCheckButton = handler;
}
TColumnGx::TDropDownBoxDrawColumnCellEvent TColumnGx::OnDropDownBoxDrawColumnCell() const {
  return dropDownDataGrid_ ? dropDownDataGrid_->OnDrawColumnCell : TDropDownBoxDrawColumnCellEvent();
}
void TColumnGx::SetOnDropDownBoxDrawColumnCell(const TDropDownBoxDrawColumnCellEvent& handler) {
  GetDropDownDataGrid()->OnDrawColumnCell = handler;
}
TColumnGx::TDropDownBoxGetCellParamsEvent TColumnGx::OnDropDownBoxGetCellParams() const {
  return dropDownDataGrid_ ? dropDownDataGrid_->OnGetCellParams : TDropDownBoxGetCellParamsEvent();
}
void TColumnGx::SetOnDropDownBoxGetCellParams(const TDropDownBoxGetCellParamsEvent& handler) {
  GetDropDownDataGrid()->OnGetCellParams = handler;
}
TNotifyEvent TColumnGx::OnDropDownBoxSortMarkingChanged() const {
  return dropDownDataGrid_ ? dropDownDataGrid_->OnSortMarkingChanged : TNotifyEvent();
}
void TColumnGx::SetOnDropDownBoxSortMarkingChanged(const TNotifyEvent& handler) {
  GetDropDownDataGrid()->OnSortMarkingChanged = handler;
}
TColumnGx::TDropDownBoxTitleBtnClickEvent TColumnGx::OnDropDownBoxTitleBtnClick() const {
  return dropDownDataGrid_ ? dropDownDataGrid_->OnTitleBtnClick : TDropDownBoxTitleBtnClickEvent();
}
void TColumnGx::SetOnDropDownBoxTitleBtnClick(const TDropDownBoxTitleBtnClickEvent& handler) {
  GetDropDownDataGrid()->OnTitleBtnClick = handler;
}

TCustomDBGridGx* TColumnGx::Grid() const {
  auto* cols = dynamic_cast<TDBGridColumnsGx*>(Collection());
  return cols ? cols->Grid() : nullptr;
}

std::string TColumnGx::GetDisplayName() const {
  return fieldName_.empty() ? TCollectionItem::GetDisplayName() : fieldName_;
}

int TColumnGx::GridColumnIndex() const {
  TCustomDBGridGx* g = Grid();
  return g ? g->DataToRawColumn(Index()) : -1;
}

void TColumnGx::FontChanged() {
  if (fontUpdating_) return;
  MarkAssigned(cvFont);
  title_->Font();
  ColumnChanged(false);
}

void TColumnGx::RefreshDefaultFont() {
  if (IsAssigned(cvFont)) return;
  TCustomDBGridGx* g = Grid();
  if (!g) return;
  if (g->Font()->Handle() != font_->Handle() || g->Font()->Color() != font_->Color()) {
    fontUpdating_ = true;
    font_->Assign(g->Font());
    fontUpdating_ = false;
  }
}

TFont* TColumnGx::Font() const {
  const_cast<TColumnGx*>(this)->RefreshDefaultFont();
  return font_.get();
}

void TColumnGx::Assign(TPersistent* source) {
  auto* src = dynamic_cast<TColumnGx*>(source);
  if (!src) {
    TCollectionItem::Assign(source);
    return;
  }
  if (Collection()) Collection()->BeginUpdate();
  RestoreDefaults();
  SetFieldName(src->FieldName());
  if (src->IsAssigned(cvColor)) SetColor(src->Color());
  if (src->IsAssigned(cvWidth)) SetWidth(src->Width());
  if (src->IsAssigned(cvFont)) SetFont(src->Font());
  if (src->IsAssigned(cvImeMode)) SetImeMode(src->ImeMode());
  if (src->IsAssigned(cvImeName)) SetImeName(src->ImeName());
  if (src->IsAssigned(cvAlignment)) SetAlignment(src->Alignment());
  if (src->IsAssigned(cvReadOnly)) SetReadOnly(src->ReadOnly());
  title_->Assign(src->Title());
  footer_->Assign(src->Footer());
  footers_->Assign(src->Footers());
  // The filter cell's settings (and below, the special row) go along as well: columns copied into
  // another grid keep them, and a copy of a column that never set them has none.
  if (src->stFilter_ || stFilter_) STFilter()->Assign(src->STFilter());
  dropDownRows_ = src->dropDownRows_;
  SetButtonStyle(src->buttonStyle_);
  if (src->pickList_) SetPickList(src->pickList_.get());
  SetPopupMenu(src->popupMenu_);
  autoFitBaseWidth_ = src->autoFitBaseWidth_;
  SetAutoFitColWidth(src->autoFitColWidth_);
  if (src->IsAssigned(cvWordWrap)) SetWordWrap(src->WordWrap());
  SetEndEllipsis(src->EndEllipsis());
  SetDropDownWidth(src->dropDownWidth_);
  if (src->IsAssigned(cvLookupDisplayFields)) SetLookupDisplayFields(src->LookupDisplayFields());
  SetAutoDropDown(src->AutoDropDown());
  SetAlwaysShowEditButton(src->AlwaysShowEditButton());
  // Once more whether assigned or not: the copy wraps as the source does, also where the
  // source's default would not carry over (another field or grid).
  SetWordWrap(src->WordWrap());
  if (src->keyList_) SetKeyList(src->keyList_.get());
  if (src->IsAssigned(cvCheckboxes)) SetCheckboxes(src->Checkboxes());
  increment_ = src->increment_;
  SetToolTips(src->ToolTips());
  tag_ = src->tag_;
  SetVisible(src->visible_);
  SetImageList(src->imageList_);
  SetNotInKeyListIndex(src->notInKeyListIndex_);
  SetMinWidth(src->minWidth_);
  SetMaxWidth(src->maxWidth_);
  SetDblClickNextVal(src->DblClickNextVal());
  SetDropDownSizing(src->DropDownSizing());
  SetDropDownShowTitles(src->DropDownShowTitles());
  OnGetCellParams = src->OnGetCellParams;
  OnNotInList = src->OnNotInList;
  OnUpdateData = src->OnUpdateData;
  OnEditButtonClick = src->OnEditButtonClick;
  OnEditButtonDown = src->OnEditButtonDown;
  editButtons_->Assign(src->editButtons_.get());
  mruList_->Assign(src->mruList_.get());
  specRow_->Assign(src->specRow_.get());
  if (src->dropDownBox_) {
    SetDropDownBox(src->dropDownBox_);
  } else if (dropDownBox_) {
    // The source has its box's defaults: so has the copy, not what it was given before.
    TColumnDropDownBoxGx defaults(nullptr);
    SetDropDownBox(&defaults);
  }
  SetDisplayFormat(src->displayFormat_);
  SetEditMask(src->editMask_);
  SetShowImageAndText(src->showImageAndText_);
  SetHideDuplicates(src->hideDuplicates_);
  SetLayout(src->Layout());
  if (Collection()) Collection()->EndUpdate();
}

void TColumnGx::RestoreDefaults() {
  const bool fontAssigned = IsAssigned(cvFont);
  title_->RestoreDefaults();
  assigned_ = {};
  RefreshDefaultFont();
  pickList_.reset();
  buttonStyle_ = cbsAuto;
  ColumnChanged(fontAssigned);
  keyList_.reset();
}

void TColumnGx::SetIndex(int index) {
  TCustomDBGridGx* g = Grid();
  if (g && IsGridBuilt() && g->DataLink()->Active()) {
    TField* target = g->DataLink()->GetMappedField(index);
    if (TField* f = Field(); f && target) f->SetIndex(target->Index());
  }
  TCollectionItem::SetIndex(index);
}

// ---- binding

TField* TColumnGx::Field() const {
  TCustomDBGridGx* g = Grid();
  if (!field_ && !fieldName_.empty() && g && g->DataLink()->DataSet()) {
    TDataSet* ds = g->DataLink()->DataSet();
    if (!ds->Active() && ds->DefaultFields()) return field_;
    TField* f = ds->FindField(fieldName_);
    if (g->FieldGoing(f)) f = nullptr;
    if (f != field_) {
      field_ = f;
      if (f) const_cast<TColumnGx*>(this)->fieldName_ = f->FieldName();
    }
  }
  return field_;
}

void TColumnGx::SetField(TField* value) {
  if (value == field_) return;
  field_ = value;
  if (value) fieldName_ = value->FieldName();
  if (IsGridBuilt()) {
    if (!value) fieldName_.clear();
    RestoreDefaults();
    autoFitBaseWidth_ = Width();
  }
  SyncFooterSums();
  ColumnChanged(false);
}

void TColumnGx::SetFieldName(const std::string& value) {
  TCustomDBGridGx* g = Grid();
  Field();  // a dropped cache found again first: the same field is no change
  fieldName_ = value;
  if (g && g->DataLink()->DataSet() && !g->InState(csLoading)) {
    // Through the field setter, so a grid-built column takes the new field's defaults.
    SetField(value.empty() ? nullptr : g->DataLink()->DataSet()->FindField(value));
    if (field_) fieldName_ = field_->FieldName();
  } else {
    field_ = nullptr;
  }
  autoFitBaseWidth_ = Width();
  SyncFooterSums();  // a footer without a field name sums the column's field
  ColumnChanged(false);
}

// ---- defaulted properties

TAlignment TColumnGx::Alignment() const {
  if (IsAssigned(cvAlignment)) return alignment_;
  if (TField* f = Field()) return f->Alignment();
  return taLeftJustify;
}

void TColumnGx::SetAlignment(TAlignment value) {
  TCustomDBGridGx* g = Grid();
  if (IsGridBuilt() && g && g->DataLink()->Active()) {
    if (TField* f = Field()) {
      f->SetAlignment(value);
      return;
    }
  }
  if (IsAssigned(cvAlignment) && value == alignment_) return;
  alignment_ = value;
  MarkAssigned(cvAlignment);
  ColumnChanged(false);
}

TColor TColumnGx::Color() const {
  if (IsAssigned(cvColor)) return color_;
  if (TCustomDBGridGx* g = Grid()) return g->Color();
  return clWindow;
}

void TColumnGx::SetColor(TColor value) {
  if (IsAssigned(cvColor) && value == color_) return;
  color_ = value;
  MarkAssigned(cvColor);
  ColumnChanged(false);
}

bool TColumnGx::ReadOnly() const {
  if (IsAssigned(cvReadOnly)) return readOnly_;
  TCustomDBGridGx* g = Grid();
  if (g && g->ReadOnly()) return true;
  if (TField* f = Field()) return f->ReadOnly();
  return false;
}

void TColumnGx::SetReadOnly(bool value) {
  TCustomDBGridGx* g = Grid();
  if (IsGridBuilt() && g && g->DataLink()->Active()) {
    if (TField* f = Field()) {
      f->SetReadOnly(value);
      return;
    }
  }
  if (IsAssigned(cvReadOnly) && value == readOnly_) return;
  readOnly_ = value;
  MarkAssigned(cvReadOnly);
  ColumnChanged(false);
}

int TColumnGx::DefaultWidth() const {
  TCustomDBGridGx* g = Grid();
  if (!g) return 64;
  TField* f = Field();
  if (!f) return g->DefaultColWidth();
  TMeasureCanvas bmp;  // measuring needs no window
  TCanvas* c = bmp.Canvas();
  c->Font()->Assign(Font());
  TEXTMETRICW tm{};
  GetTextMetricsW(c->Handle(), &tm);
  const int w = c->TextWidth("0");
  const int o = tm.tmOverhang;
  return (w - o) * f->DisplayWidth() + o + 4;
}

int TColumnGx::Width() const { return IsAssigned(cvWidth) ? width_ : DefaultWidth(); }

void TColumnGx::SetWidth(int value) {
  TCustomDBGridGx* g = Grid();
  if (IsGridBuilt() && g) {
    TField* f = Field();
    if (g->HandleAllocated() && f && g->WriteDisplayWidths() && value >= 0) {
      TMeasureCanvas bmp;
      TCanvas* c = bmp.Canvas();
      c->Font()->Assign(Font());
      TEXTMETRICW tm{};
      GetTextMetricsW(c->Handle(), &tm);
      const int zero = std::max(1, c->TextWidth("0"));
      f->SetDisplayWidth((value + tm.tmAveCharWidth / 2 - tm.tmOverhang - 3) / zero);
    }
    if (g->InLayoutFromDataSet() && !IsAssigned(cvWidth)) return;
  }
  if (!IsAssigned(cvWidth) && value == DefaultWidth()) {
    ColumnChanged(false);
    return;
  }
  if (value == -1) return;
  width_ = value;
  MarkAssigned(cvWidth);
  if (maxWidth_ >= 1 && maxWidth_ < width_) width_ = maxWidth_;
  if (minWidth_ > width_) width_ = minWidth_;
  ColumnChanged(false);
}

void TColumnGx::SetMaxWidth(int value) {
  maxWidth_ = value;
  if (value > 0 && Width() > value) SetWidth(value);
}

void TColumnGx::SetMinWidth(int value) {
  minWidth_ = value;
  if (value > 0 && Width() < value) SetWidth(value);
}

bool TColumnGx::WordWrap() const {
  if (IsAssigned(cvWordWrap)) return wordWrap_;
  TField* f = Grid() ? Field() : nullptr;
  if (!f) return false;
  switch (f->DataType()) {
    case ftString: case ftMemo: case ftFmtMemo: case ftWideString: case ftWideMemo: return true;
    default: return false;
  }
}

void TColumnGx::SetWordWrap(bool value) {
  if (!IsAssigned(cvWordWrap) && value == WordWrap()) {
    TCustomDBGridGx* g = Grid();
    if (g && g->InState(csLoading)) {
      wordWrap_ = value;
      MarkAssigned(cvWordWrap);
    }
    ColumnChanged(false);
    return;
  }
  if (IsAssigned(cvWordWrap) && value == wordWrap_) return;
  wordWrap_ = value;
  MarkAssigned(cvWordWrap);
  ColumnChanged(false);
}

bool TColumnGx::Checkboxes() const {
  if (IsAssigned(cvCheckboxes)) return checkboxes_;
  TField* f = Field();
  return f && f->DataType() == ftBoolean;
}

void TColumnGx::SetCheckboxes(bool value) {
  if (IsAssigned(cvCheckboxes) && value == checkboxes_) return;
  checkboxes_ = value;
  MarkAssigned(cvCheckboxes);
  ColumnChanged(false);
}

std::string TColumnGx::LookupDisplayFields() const {
  if (IsAssigned(cvLookupDisplayFields)) return lookupDisplayFields_;
  TField* f = Field();
  return f ? f->LookupResultField() : std::string();
}

void TColumnGx::SetLookupDisplayFields(const std::string& value) {
  if (!IsAssigned(cvLookupDisplayFields) && value == LookupDisplayFields()) {
    ColumnChanged(false);
    return;
  }
  if (IsAssigned(cvLookupDisplayFields) && value == lookupDisplayFields_) return;
  lookupDisplayFields_ = value;
  MarkAssigned(cvLookupDisplayFields);
  GetDropDownDataGrid()->SetListField(value);
  ColumnChanged(false);
}

#define FANO_COLUMN_DEFAULTED_BOOL(Name, member, flag, signal)                      \
  bool TColumnGx::Name() const {                                                  \
    if (IsAssigned(flag)) return member;                                          \
    if (TCustomDBGridGx* g = Grid()) return g->ColumnDefValues()->Name();         \
    return false;                                                                 \
  }                                                                               \
  void TColumnGx::Set##Name(bool value) {                                         \
    if (signal && IsAssigned(flag) && value == member) return;                    \
    member = value;                                                               \
    MarkAssigned(flag);                                                           \
    if (signal) ColumnChanged(false);                                             \
  }

FANO_COLUMN_DEFAULTED_BOOL(AlwaysShowEditButton, alwaysShowEditButton_, cvAlwaysShowEditButton, true)
FANO_COLUMN_DEFAULTED_BOOL(EndEllipsis, endEllipsis_, cvEndEllipsis, true)
FANO_COLUMN_DEFAULTED_BOOL(HighlightRequired, highlightRequired_, cvHighlightRequired, true)
FANO_COLUMN_DEFAULTED_BOOL(AutoDropDown, autoDropDown_, cvAutoDropDown, false)
FANO_COLUMN_DEFAULTED_BOOL(DblClickNextVal, dblClickNextVal_, cvDblClickNextVal, false)
FANO_COLUMN_DEFAULTED_BOOL(DropDownSizing, dropDownSizing_, cvDropDownSizing, false)
FANO_COLUMN_DEFAULTED_BOOL(DropDownShowTitles, dropDownShowTitles_, cvDropDownShowTitles, false)
FANO_COLUMN_DEFAULTED_BOOL(ToolTips, toolTips_, cvToolTips, false)
#undef FANO_COLUMN_DEFAULTED_BOOL

TTextLayout TColumnGx::Layout() const {
  if (IsAssigned(cvLayout)) return layout_;
  if (TCustomDBGridGx* g = Grid()) return g->ColumnDefValues()->Layout();
  return tlTop;
}

void TColumnGx::SetLayout(TTextLayout value) {
  if (IsAssigned(cvLayout) && value == layout_) return;
  layout_ = value;
  MarkAssigned(cvLayout);
  ColumnChanged(false);
}

TImeMode TColumnGx::ImeMode() const {
  if (IsAssigned(cvImeMode)) return imeMode_;
  if (TCustomDBGridGx* g = Grid()) return g->ImeMode();
  return imeMode_;
}

void TColumnGx::SetImeMode(TImeMode value) {
  if (!IsAssigned(cvImeMode) && value == ImeMode()) {
    ColumnChanged(false);
    return;
  }
  imeMode_ = value;
  MarkAssigned(cvImeMode);
  ColumnChanged(false);
}

std::string TColumnGx::ImeName() const {
  if (IsAssigned(cvImeName)) return imeName_;
  if (TCustomDBGridGx* g = Grid()) return g->ImeName();
  return imeName_;
}

void TColumnGx::SetImeName(const std::string& value) {
  if (!IsAssigned(cvImeName) && value == ImeName()) {
    ColumnChanged(false);
    return;
  }
  imeName_ = value;
  MarkAssigned(cvImeName);
  ColumnChanged(false);
}

// ---- plain properties

void TColumnGx::SetButtonStyle(TColumnButtonStyleGx value) {
  if (value == buttonStyle_) return;
  buttonStyle_ = value;
  ColumnChanged(false);
}

void TColumnGx::SetDisplayFormat(const std::string& value) {
  if (value == displayFormat_) return;
  displayFormat_ = value;
  ColumnChanged(false);
}

void TColumnGx::SetEditMask(const std::string& value) {
  if (value == editMask_) return;
  editMask_ = value;
  ColumnChanged(false);
}

void TColumnGx::SetDropDownWidth(int value) {
  if (value == dropDownWidth_) return;
  dropDownWidth_ = value;
  ColumnChanged(false);
}

void TColumnGx::SetHideDuplicates(bool value) {
  if (value == hideDuplicates_) return;
  hideDuplicates_ = value;
  ColumnChanged(false);
}

void TColumnGx::SetShowImageAndText(bool value) {
  if (value == showImageAndText_) return;
  showImageAndText_ = value;
  ColumnChanged(false);
}

void TColumnGx::SetImageList(TCustomImageList* value) {
  if (value == imageList_) return;
  if (imageList_) imageList_->UnRegisterChanges(imageLink_.get());
  imageList_ = value;
  if (value) value->RegisterChanges(imageLink_.get());
  if (TCustomDBGridGx* g = Grid()) {
    if (value) value->FreeNotification(g);
    g->Invalidate();
  }
}

TStrings* TColumnGx::KeyList() const {
  if (!keyList_) keyList_ = std::make_unique<TStringList>();
  return keyList_.get();
}

void TColumnGx::SetKeyList(TStrings* value) {
  if (!value) keyList_.reset();
  else KeyList()->Assign(value);
  if (TCustomDBGridGx* g = Grid()) g->Invalidate();
}

TStrings* TColumnGx::PickList() const {
  if (!pickList_) pickList_ = std::make_unique<TStringList>();
  return pickList_.get();
}

void TColumnGx::SetPickList(TStrings* value) {
  if (!value) pickList_.reset();
  else PickList()->Assign(value);
  ColumnChanged(false);
}

void TColumnGx::SetNotInKeyListIndex(int value) {
  notInKeyListIndex_ = value;
  if (TCustomDBGridGx* g = Grid()) g->Invalidate();
}

void TColumnGx::SetPopupMenu(TPopupMenu* value) {
  popupMenu_ = value;
  if (value)
    if (TCustomDBGridGx* g = Grid()) value->FreeNotification(g);
}

void TColumnGx::SetVisible(bool value) {
  if (value == visible_) return;
  visible_ = value;
  ColumnChanged(true);
}

void TColumnGx::SetAutoFitColWidth(bool value) {
  if (value != autoFitColWidth_) {
    autoFitColWidth_ = value;
    TCustomDBGridGx* g = Grid();
    if (g && g->AutoFitColWidths() && !g->InState(csLoading) && !g->InState(csDesigning)) SetWidth(autoFitBaseWidth_);
  }
  ColumnChanged(false);
}

// ---- behaviour

TColumnKindGx TColumnGx::GetColumnType() const {
  if (Checkboxes()) return ckCheckbox;
  TField* f = Field();
  TCustomDBGridGx* g = Grid();
  if (f && f->IsBlob() && f->DataType() == ftGraphic && g && g->DrawGraphicData()) return ckGraphic;
  if (f && f->FieldKind() == fkLookup) return ckLookup;
  if (HasPickList() && !HasKeyList()) return ckPickList;
  if (imageList_ && !showImageAndText_) return ckImageList;
  if (HasKeyList() && HasPickList()) return ckKeyList;
  return ckText;
}

std::string TColumnGx::CurrentEditText() const {
  TField* f = Field();
  return f ? f->EditText() : std::string();
}

std::string TColumnGx::GetDisplayText() const {
  TField* f = Field();
  if (!f || GetColumnType() == ckImageList) return {};
  if (HasKeyList()) {
    const int k = keyList_->IndexOf(f->EditText());
    const int picks = pickList_ ? pickList_->Count() : 0;
    if (k != -1 && picks > k) return pickList_->Strings(k);
    if (notInKeyListIndex_ >= 0 && notInKeyListIndex_ < picks) return pickList_->Strings(notInKeyListIndex_);
    return {};
  }
  TCustomDBGridGx* g = Grid();
  if (g && g->DrawMemoText() && IsMemoType(f->DataType())) return f->AsString();
  if (f->FieldKind() == fkLookup && specRow_->Visible() && f->DataSet()) {
    const Variant keys = f->KeyFields().empty() ? Variant() : f->DataSet()->FieldValues(f->KeyFields());
    const bool lookupClosed = !f->LookupDataSet() || !f->LookupDataSet()->Active();
    if (VariantsEqual(keys, specRow_->Value()) || (specRow_->ShowIfNotInKeyList() && (f->IsNull() || lookupClosed)))
      return specRow_->GetCellText(0);
  }
  if (displayFormat_.empty()) return f->DisplayText();
  if (f->IsNull()) return {};
  if (dynamic_cast<TNumericField*>(f)) return FormatFloat(displayFormat_, f->AsFloat());
  if (dynamic_cast<TDateTimeField*>(f)) return FormatDateTime(displayFormat_, f->AsDateTime());
  if (auto* agg = dynamic_cast<TAggregateField*>(f)) {
    const TFieldType t = agg->ResultType();
    if (t == ftFloat || t == ftCurrency) return FormatFloat(displayFormat_, f->AsFloat());
    if (t == ftDate || t == ftTime || t == ftDateTime) return FormatDateTime(displayFormat_, f->AsVariant().AsDateTime());
  }
  return {};
}

int TColumnGx::GetValueListIndex() const {
  TField* f = Field();
  if (!f) return -1;
  int result;
  if (!HasKeyList()) {
    if (!HasPickList()) {
      result = IsNumericType(f->DataType()) ? FieldValueAsInt32(f, -1) : -1;
    } else {
      result = pickList_->IndexOf(f->EditText());
    }
  } else {
    result = keyList_->IndexOf(f->EditText());
  }
  return result == -1 ? notInKeyListIndex_ : result;
}

int TColumnGx::GetCheckboxState() const {
  TField* f = Field();
  if (!f) return 0;
  if (f->DataType() == ftBoolean && !HasKeyList()) {
    if (f->IsNull()) return 2;
    return f->AsBoolean() ? 1 : 0;
  }
  if (IsCheckNumericType(f->DataType()) && !HasKeyList()) {
    if (f->IsNull()) return 2;
    return f->AsFloat() == 1.0 ? 1 : 0;
  }
  // An empty key list holds neither a checked nor an unchecked entry: every value is grayed.
  if (!HasKeyList()) return 2;
  const std::string t = f->EditText();
  if (KeyEntryMatches(keyList_->Strings(0), t)) return 1;
  if (keyList_->Count() < 2) return 2;
  if (KeyEntryMatches(keyList_->Strings(1), t)) return 0;
  return 2;
}

void TColumnGx::SetCheckboxState(int state) {
  TField* f = Field();
  if (!f) return;
  if (state == 2) {
    UpdateDataValues("", Null(), false);
  } else if (f->DataType() == ftBoolean) {
    UpdateDataValues("", Variant(state == 1), false);
  } else if (IsCheckNumericType(f->DataType())) {
    UpdateDataValues("", Variant(state == 1 ? 1 : 0), false);
  } else {
    std::string k;
    if (state == 1 && HasKeyList()) k = keyList_->Strings(0);
    if (state == 0 && keyList_ && keyList_->Count() >= 2) k = keyList_->Strings(1);
    UpdateDataValues(FirstKeyPart(k), Null(), true);
  }
}

bool TColumnGx::ModifyTarget(TField*& target) const {
  TField* f = Field();
  target = nullptr;
  if (!f) return false;
  if (f->FieldKind() == fkLookup) {
    if (f->KeyFields().empty()) return false;
    std::vector<TField*> keys;
    try {
      f->DataSet()->GetFieldList(keys, f->KeyFields());
    } catch (const Exception&) {
      return false;
    }
    if (keys.empty() || !AllItemsSatisfy(keys)) return false;
    target = keys.front();
  } else {
    target = f;
  }
  return true;
}

bool TColumnGx::CanModify(bool tryEdit) {
  bool a = true;
  TCustomDBGridGx* g = Grid();
  if (g) a = !g->ReadOnly() && g->DataLink()->Active() && !g->DataLink()->ReadOnly();
  a = a && !ReadOnly();
  TField* target = nullptr;
  if (!Field()) return false;
  if (!ModifyTarget(target)) a = false;
  if (a) {
    a = target->CanModify();
    if (a && target->IsBlob() && !target->OnSetText()) {
      a = g && g->DrawMemoText() && IsMemoType(target->DataType());
    }
    if (a && g) a = g->AllowedOperationsPermitEdit();
  }
  if (tryEdit && a && g) {
    g->DataLink()->Edit();
    a = g->DataLink()->Editing();
    if (a) g->DataLink()->Modified();
  }
  return a;
}

void TColumnGx::StepValue(double step) {
  TCustomDBGridGx* g = Grid();
  if (!g || g->ReadOnly() || !g->DataLink()->Active() || g->DataLink()->ReadOnly() || ReadOnly()) return;
  TField* f = Field();
  TField* target = nullptr;
  if (!f || !ModifyTarget(target) || !target->CanModify()) return;
  if (target->IsBlob() && !target->OnSetText()) return;
  if (!g->AllowedOperationsPermitEdit()) return;
  g->DataLink()->Edit();
  if (!g->DataLink()->Editing()) return;
  g->DataLink()->Modified();
  const bool forward = step == 1.0;
  std::string text = g->IsEditorVisible() ? g->InplaceEditor()->Text() : f->EditText();
  const TColumnKindGx kind = GetColumnType();
  auto walk = [&](TStrings* list) -> int {
    const int n = list->Count();
    const int i = list->IndexOf(text);
    if (forward) return (i == -1 || i >= n - 1) ? 0 : i + 1;
    return (i <= 0) ? n - 1 : i - 1;
  };
  if (kind == ckCheckbox) {
    SetCheckboxState(GetCheckboxState() == 1 ? 0 : 1);
  } else if (kind == ckKeyList || kind == ckImageList) {
    // Nothing to step through without keys.
    if (!HasKeyList()) return;
    text = f->EditText();
    const std::string key = keyList_->Strings(walk(keyList_.get()));
    UpdateDataValues(key, Variant(key), false);
  } else if (kind == ckPickList) {
    text = f->EditText();
    const int i = pickList_->IndexOf(text);
    const int j = walk(pickList_.get());
    const bool wrapped = forward ? (i == -1 || i >= pickList_->Count() - 1) : i <= 0;
    if (wrapped) f->SetText(pickList_->Strings(j));
    else UpdateDataValues(pickList_->Strings(j), Null(), true);
  } else if (kind == ckLookup) {
    TDataSet* ld = GetLookupDataSet();
    if (!ld || !ld->Active()) return;
    if (f->IsNull()) {
      ld->First();
    } else if (ld->Locate(f->LookupKeyFields(), f->DataSet()->FieldValues(f->KeyFields()), {})) {
      if (forward) {
        ld->Next();
        if (ld->Eof()) ld->First();
      } else {
        ld->Prior();
        if (ld->Bof() && ld->RecNo() <= 1) {
          ld->Last();
        }
      }
    } else {
      ld->First();
    }
    const Variant keys = ld->FieldValues(f->LookupKeyFields());
    UpdateDataValues("", keys, false);
  } else if (IsNumericType(f->DataType())) {
    const double cur = f->IsNull() ? -step : f->AsFloat();
    UpdateDataValues("", Variant(cur + step), false);
  }
}

void TColumnGx::UpdateDataValues(const std::string& text, const Variant& value, bool useText) {
  TCustomDBGridGx* g = Grid();
  if (!g) return;
  std::string t = text;
  Variant v = value;
  bool use = useText;
  bool handled = false;
  if (OnUpdateData) OnUpdateData(this, t, v, use, handled);
  TField* f = Field();
  if (!handled && f) {
    if (use) {
      if (g->DrawMemoText() && IsMemoType(f->DataType())) f->SetAsString(t);
      else f->SetText(IsDateColumnType(f->DataType()) ? WithDateSeparators(Trim(t)) : t);
    } else if (f->FieldKind() != fkLookup || f->KeyFields().empty()) {
      f->SetValue(v);
    } else {
      f->DataSet()->SetFieldValues(f->KeyFields(), v);
    }
  }
  // What the user typed joins the recent values however it was stored: as its text, as the key
  // of a list entry, or by the column's own handler.
  if (mruList_->Active() && mruList_->AutoAdd() && g->IsEditorVisible() && g->InplaceEditor()->Modified())
    mruList_->Add(t);
}

void TColumnGx::SetLookupCache(const Variant& key, const std::string& text) {
  lookupCacheValid_ = !VarIsNullOrEmpty(key);
  lookupCacheKey_ = lookupCacheValid_ ? key : Variant();
  lookupCacheText_ = lookupCacheValid_ ? text : std::string();
}

void TColumnGx::InvalidateLookupCache() {
  lookupCacheValid_ = false;
  lookupCacheKey_ = Variant();
  lookupCacheText_.clear();
}

// GetLookupDataSet: dbgrid_dropdowns.cpp (the drop-down box's list source goes first).

void TColumnGx::FillCellParams(TColCellParamsGx* params) const {
  TCustomDBGridGx* g = Grid();
  params->Col = -1;
  params->Row = -1;
  params->State = {};
  params->Font = g ? g->ScratchFont() : nullptr;
  params->Background = Color();
  params->Alignment = Alignment();
  params->ImageIndex = GetValueListIndex();
  params->Text = GetDisplayText();
  params->CheckState = GetCheckboxState();
  params->ReadOnly = ReadOnly();
}

void TColumnGx::FireGetCellParams(bool editMode, TColCellParamsGx* params) {
  if (OnGetCellParams) OnGetCellParams(this, editMode, params);
}

int TColumnGx::GetEditButtonsWidth() const {
  TCustomDBGridGx* g = Grid();
  const bool flat = g && g->Flat();
  const int def = flat ? DefaultEditButtonWidth() + 1 : GetSystemMetrics(SM_CXVSCROLL);
  int w = 0;
  // The editor's own button: whatever style the column's editor takes but the plain one.
  const bool defaultButton = GetColumnEditStyle(const_cast<TColumnGx*>(this)) != esSimple;
  if (defaultButton) w += def;
  for (int i = 0; i < editButtons_->Count(); ++i) {
    TEditButtonGx* b = editButtons_->Items(i);
    if (!b->Visible()) continue;
    w += b->Width() > 0 ? b->Width() : def;
    if (flat) w += 1;
  }
  return w;
}

int TColumnGx::GetRowHeightForText() const {
  TCustomDBGridGx* g = Grid();
  if (!g) return 0;
  const int d = g->DataRowHeight();
  if (!g->OptionsGx().Contains(dghAutoFitRowHeight) || (g->MemTable() && g->MemTable()->IsTreeView())) return d;
  if (GetColumnType() == ckGraphic) {
    TPicture picture;
    LoadFieldPicture(Field(), picture);
    return GraphicRowHeight(picture.Width(), picture.Height(), Width());
  }
  TMeasureCanvas bmp;
  TCanvas* c = bmp.Canvas();
  c->Font()->Assign(Font());
  int m = 4;
  if (AlwaysShowEditButton()) m += GetEditButtonsWidth();
  if (showImageAndText_ && imageList_) m += imageList_->Width() + 4;
  RECT r{0, 0, std::max(1, Width() - m), 0};
  const std::string text = GetDisplayText();
  UINT flags = DT_CALCRECT | DT_NOPREFIX;
  if (WordWrap()) flags |= DT_WORDBREAK;
  DrawTextA(c->Handle(), text.c_str(), static_cast<int>(text.size()), &r, flags);
  // The text's own height, lower than a plain row too: the grid takes the larger.
  int h = r.bottom - r.top;
  if (h > d) {
    h += g->Flat() ? 1 : 3;
    if (g->DBOptions().Contains(dgRowLines)) h += g->GridLineWidth();
  }
  return h;
}

bool TColumnGx::TextFitsOneLine(int height) const {
  TMeasureCanvas bmp;
  TCanvas* c = bmp.Canvas();
  c->Font()->Assign(Font());
  TEXTMETRICW tm{};
  GetTextMetricsW(c->Handle(), &tm);
  // The grid's own gap between text lines (narrower on a flat grid).
  TCustomDBGridGx* g = Grid();
  const int gap = g ? g->textLineGap_ : 4;
  return height > tm.tmHeight + tm.tmInternalLeading + tm.tmExternalLeading + gap;
}

// ---------------------------------------------------------------- TDBGridColumnsGx

TDBGridColumnsGx::TDBGridColumnsGx(TCustomDBGridGx* grid, TClass itemClass) : TCollection(itemClass), grid_(grid) {}

TPersistent* TDBGridColumnsGx::GetOwner() const { return grid_; }

TColumnGx* TDBGridColumnsGx::AddGridBuilt() {
  buildingDefaults_ = true;
  TColumnGx* c = nullptr;
  try {
    c = Add();
  } catch (...) {
    buildingDefaults_ = false;
    throw;
  }
  buildingDefaults_ = false;
  c->SetStored(false);
  return c;
}

void TDBGridColumnsGx::ClearFieldBindings() {
  for (int i = 0; i < Count(); ++i) {
    Items(i)->ClearFieldBinding();
    Items(i)->ForgetFilterValueList();
  }
}

void TDBGridColumnsGx::Update(TCollectionItem* item) {
  if (!grid_ || grid_->InState(csLoading) || grid_->destroying_) return;
  if (!item) grid_->RebuildSortedColumns();
  // A width set by code while the columns fit the grid: the column's share grows by the same
  // ratio and the next column gives up the difference, so that the fitting keeps the new width.
  auto* column = dynamic_cast<TColumnGx*>(item);
  if (column && grid_->AutoFitColWidths() && !grid_->InState(csDesigning) && grid_->layoutLock_ == 0) {
    const int raw = column->GridColumnIndex();
    const int old = raw >= 0 && raw < grid_->ColCount() ? grid_->GetColWidths(raw) : 0;
    if (old > 0 && column->Visible() && column->Width() != old) {
      const int base = column->AutoFitBaseWidth();
      const int scaled = MulDiv(base, column->Width(), old);
      column->SetAutoFitBaseWidth(scaled);
      // A hidden column takes no room: the next one shown gives way.
      int i = column->Index() + 1;
      while (i < Count() && !Items(i)->Visible()) ++i;
      if (i < Count()) {
        TColumnGx* next = Items(i);
        next->SetAutoFitBaseWidth(std::max(0, next->AutoFitBaseWidth() + base - scaled));
      }
    }
  }
  grid_->ColumnChanged(static_cast<TColumnGx*>(item));
  if (grid_->layoutLock_ == 0 && !grid_->destroying_) grid_->ColumnsChangedUnderEditor();
}
