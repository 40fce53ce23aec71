// The data grid's filter row: the column and grid filter objects, the filter editor, its list of
// values and commands, its keys, painting a filter cell, and handing the row to the appliers.
#include "grid/dbgrid_filterrow.h"

#include <algorithm>

#include "grid/celltext.h"
#include "editors/editbuttons.h"
#include "platform/classes/published.h"
#include "platform/db/dataset.h"
#include "platform/forms/cmessages.h"
#include "platform/rtl/strings.h"
#include "platform/os/winuser.h"

FANO_IMPLEMENT_CLASS_WITH(TSTDBGridGxFilter, TPersistent, [](TObject*) -> TObject* { return nullptr; })
FANO_IMPLEMENT_CLASS_WITH(TSTColumnFilterGx, TPersistent, [](TObject*) -> TObject* { return nullptr; })
FANO_IMPLEMENT_CLASS_OWNED(TInplaceFilterEditGx, TDBComboBoxGx, TComponent)

void TFilterRowDeleterGx::operator()(TSTColumnFilterGx* p) const noexcept { delete p; }
void TFilterRowDeleterGx::operator()(TSTDBGridGxFilter* p) const noexcept { delete p; }

namespace {

const char* const kEmptyItem = "(Empty)";
const char* const kNotEmptyItem = "(Not empty)";
const char* const kAllItem = "(All)";
const char* const kClearFilterItem = "(Clear filter)";
const char* const kOrderAscendingItem = "(Order by ascending)";
const char* const kOrderDescendingItem = "(Order by descending)";

TObject* TagObject(int tag) { return reinterpret_cast<TObject*>(static_cast<intptr_t>(tag)); }

// Brackets the grid's updating and the filter row's, so that moving to the filter column neither
// hides nor re-shows the filter editor on the way.
class TFilterUpdate {
 public:
  explicit TFilterUpdate(TCustomDBGridGx* grid) : grid_(grid) {
    grid_->BeginUpdateGx();
    grid_->STFilter()->BeginUpdate();
  }
  ~TFilterUpdate() {
    grid_->STFilter()->EndUpdate();
    grid_->EndUpdateGx();
  }
  TFilterUpdate(const TFilterUpdate&) = delete;
  TFilterUpdate& operator=(const TFilterUpdate&) = delete;

 private:
  TCustomDBGridGx* grid_;
};

// Text typed in a filter cell before its editor was hidden (a selection hides it) is stored as a
// shown editor's is when the editing ends or moves on, so that the cell does not show a filter
// that is not set.
void StoreTextTypedUnderHiddenEditor(TInplaceFilterEditGx* editor, TColumnGx* column) {
  if (!editor || editor->Visible() || !column || column->FieldName().empty()) return;
  TSTColumnFilterGx* f = column->STFilter();
  if (f->HasTypedText()) f->SetFilterText(std::string(f->FilterText()));
}

}  // namespace

int FilterItemTag(TStrings* items, int index) {
  if (!items || index < 0 || index >= items->Count()) return -1;
  return static_cast<int>(reinterpret_cast<intptr_t>(items->Objects(index)));
}

FANO_PUBLISHED(TSTDBGridGxFilter, p) {
  p.Property("Local", &TSTDBGridGxFilter::Local, &TSTDBGridGxFilter::SetLocal).Default(false);
  p.Property("Visible", &TSTDBGridGxFilter::Visible, &TSTDBGridGxFilter::SetVisible).Default(false);
}

FANO_PUBLISHED(TSTColumnFilterGx, p) {
  p.Property("DataField", &TSTColumnFilterGx::DataField, &TSTColumnFilterGx::SetDataField);
  p.Property("KeyField", &TSTColumnFilterGx::KeyField, &TSTColumnFilterGx::SetKeyField);
  p.Property("ListField", &TSTColumnFilterGx::ListField, &TSTColumnFilterGx::SetListField);
  p.Property("ListSource", &TSTColumnFilterGx::ListSource, &TSTColumnFilterGx::SetListSource);
  p.Property("Visible", &TSTColumnFilterGx::Visible, &TSTColumnFilterGx::SetVisible).Default(true);
}

// ---------------------------------------------------------------- grid-wide settings

void TSTDBGridGxFilter::Assign(TPersistent* source) {
  if (auto* s = dynamic_cast<TSTDBGridGxFilter*>(source)) {
    SetVisible(s->Visible());
    local_ = s->Local();
    return;
  }
  TPersistent::Assign(source);
}

void TSTDBGridGxFilter::SetVisible(bool value) {
  if (value == visible_) return;
  // Editing stops first: a text that does not parse keeps the row as it was.
  if (!value && grid_) grid_->StopFilterEdit();
  visible_ = value;
  if (!grid_) return;
  grid_->LayoutChanged();
  grid_->Invalidate();
  // The data rows moved: an open cell editor goes with its cell.
  if (grid_->InplaceEditor()) grid_->InvalidateEditor();
}

// ---------------------------------------------------------------- column filter

// Rebuilds the key and list texts whenever the list source opens, closes or changes.
class TSTColumnFilterGx::TListLink : public TDataLink {
 public:
  explicit TListLink(TSTColumnFilterGx* owner) : owner_(owner) {}
  void ActiveChanged() override { owner_->ListLinkActiveChanged(); }

 private:
  TSTColumnFilterGx* owner_;
};

TSTColumnFilterGx::TSTColumnFilterGx(TColumnGx* column)
    : column_(column),
      keyValues_(std::make_unique<TStringList>()),
      listValues_(std::make_unique<TStringList>()),
      listLink_(std::make_unique<TListLink>(this)) {}

TSTColumnFilterGx::~TSTColumnFilterGx() = default;

void TSTColumnFilterGx::Assign(TPersistent* source) {
  if (auto* s = dynamic_cast<TSTColumnFilterGx*>(source)) {
    dataField_ = s->DataField();
    SetVisible(s->Visible());
    keyField_ = s->KeyField();
    listField_ = s->ListField();
    SetListSource(s->ListSource());
    return;
  }
  TPersistent::Assign(source);
}

TCustomDBGridGx* TSTColumnFilterGx::Grid() const { return column_ ? column_->Grid() : nullptr; }

void TSTColumnFilterGx::SetKeyField(const std::string& value) {
  keyField_ = value;
  ListLinkActiveChanged();
}

void TSTColumnFilterGx::SetListField(const std::string& value) {
  listField_ = value;
  ListLinkActiveChanged();
}

TDataSource* TSTColumnFilterGx::ListSource() const { return listLink_->DataSource(); }

void TSTColumnFilterGx::SetListSource(TDataSource* value) {
  if (value == listLink_->DataSource()) return;
  listLink_->SetDataSource(value);
  valueList_.reset();
  ListLinkActiveChanged();
}

void TSTColumnFilterGx::SetVisible(bool value) {
  if (value == visible_) return;
  visible_ = value;
  if (TCustomDBGridGx* g = Grid()) g->Invalidate();
}

void TSTColumnFilterGx::ListLinkActiveChanged() {
  keyValues_->Clear();
  listValues_->Clear();
  TDataSet* ds = listLink_->DataSet();
  if (!listLink_->Active() || !ds || listField_.empty() || keyField_.empty()) return;
  TField* list = ds->FieldByName(listField_);
  TField* key = ds->FieldByName(keyField_);
  ds->DisableControls();
  try {
    ds->First();
    while (!ds->Eof()) {
      listValues_->Add(list->AsString());
      keyValues_->Add(key->AsString());
      ds->Next();
    }
    ds->First();
  } catch (...) {
    ds->EnableControls();
    throw;
  }
  ds->EnableControls();
}

std::string TSTColumnFilterGx::GetFilterFieldName() const {
  if (!dataField_.empty()) return dataField_;
  TField* f = column_ ? column_->Field() : nullptr;
  if (f && f->FieldKind() == fkLookup) return f->KeyFields();
  return column_ ? column_->FieldName() : std::string();
}

std::string TSTColumnFilterGx::GetKeyFieldName() const {
  if (!keyField_.empty()) return keyField_;
  TField* f = column_ ? column_->Field() : nullptr;
  return f && f->FieldKind() == fkLookup ? f->LookupKeyFields() : std::string();
}

std::string TSTColumnFilterGx::GetListFieldName() const {
  if (!listField_.empty()) return listField_;
  TField* f = column_ ? column_->Field() : nullptr;
  return f && f->FieldKind() == fkLookup ? f->LookupResultField() : std::string();
}

TDataSet* TSTColumnFilterGx::GetListDataSet() const {
  if (TDataSource* s = ListSource()) return s->DataSet();
  TField* f = column_ ? column_->Field() : nullptr;
  return f && f->FieldKind() == fkLookup ? f->LookupDataSet() : nullptr;
}

Variant TSTColumnFilterGx::GetOperand1() const {
  return GetKeyFieldName().empty() ? expression_.Operand1 : keyValue_;
}

Variant TSTColumnFilterGx::GetOperand2() const { return expression_.Operand2; }

bool TSTColumnFilterGx::CanDropDown() const {
  if (ListSource()) return true;
  TCustomDBGridGx* g = Grid();
  return g && g->MemTable() != nullptr;
}

std::unique_ptr<IMemTableDataFieldValueListGx> TSTColumnFilterGx::GetValueList() const {
  TCustomDBGridGx* g = Grid();
  TDataSource* source = ListSource();
  TDataSet* ds = source ? source->DataSet() : nullptr;
  if (!g || !g->DataLink()->Active() || !ds || !ds->Active()) return nullptr;
  auto list = std::make_unique<TDatasetFieldValueListGx>();
  list->SetDataSet(ds);
  list->SetFieldName(!listField_.empty() ? listField_ : column_->FieldName());
  return list;
}

void TSTColumnFilterGx::PickToKeyValues(TSTFilterExpressionGx& expression) const {
  if (!column_ || !column_->HasKeyList() || !column_->HasPickList()) return;
  TStrings* keys = column_->KeyList();
  TStrings* picks = column_->PickList();
  auto toKey = [&](const Variant& v) -> Variant {
    const int i = picks->IndexOf(v.AsString());
    return i >= 0 && i < keys->Count() ? Variant(keys->Strings(i)) : v;
  };
  auto convert = [&](TSTFilterOperatorGx op, Variant& operand) {
    if (op < foEqual || op > foNotIn) return;
    if (operand.IsArray()) {
      for (int i = operand.ArrayLowBound(); i <= operand.ArrayHighBound(); ++i)
        operand.SetElement(i, toKey(operand.GetElement(i)));
    } else {
      operand = toKey(operand);
    }
  };
  convert(expression.Operator1, expression.Operand1);
  convert(expression.Operator2, expression.Operand2);
}

std::string TSTColumnFilterGx::GetExpressionText() const {
  return GetFilterExpressionText(expression_, ListSource() != nullptr);
}

namespace {

// The conditions of a text for the column; the record is untouched when the text fails to parse.
void ParseForColumn(TColumnGx* column, const TSTColumnFilterGx& filter, const std::string& text,
                    TSTFilterExpressionGx& expression) {
  TSTFilterExpressionGx e = expression;
  if (column) {
    if (TField* f = column->Field()) e.ExpressionType = FilterDataTypeOfField(f->DataType());
    if (column->HasKeyList() && column->HasPickList()) e.ExpressionType = fdtString;
  }
  ParseFilterExpression(text, e);
  filter.PickToKeyValues(e);
  expression = e;
}

}  // namespace

void TSTColumnFilterGx::ParseText(const std::string& text, std::string& normalised) {
  ParseForColumn(column_, *this, text, expression_);
  normalised = GetExpressionText();
}

// Text and conditions change together or not at all.
void TSTColumnFilterGx::StoreText(const std::string& text) {
  TSTFilterExpressionGx e = expression_;
  Variant key = keyValue_;
  try {
    ParseForColumn(column_, *this, text, e);
  } catch (...) {
    filterText_ = storedText_;
    throw;
  }
  if (!GetKeyFieldName().empty() && e.Operator1 != foNull && e.Operator1 != foNotNull) {
    if (text.empty()) key = Variant::Unassigned();
    else if (TDataSet* list = GetListDataSet()) {
      key = list->Lookup(GetListFieldName(), Variant(text), GetKeyFieldName());
      // A memory table answers a miss with an empty value.
      if (key.IsEmpty()) key = Variant::Null();
    }
    ParseForColumn(column_, *this, std::string(), e);
    e.ExpressionType = fdtString;
    if (key.IsNull()) {
      // A text that is not in the list finds nothing: a test for no value.
      e.Operator1 = text.empty() ? foNon : foNull;
    } else {
      e.Operator1 = foIn;
      e.Operand1 = Variant(text);
    }
  }
  expression_ = e;
  keyValue_ = key;
  filterText_ = text;
  storedText_ = text;
}

void TSTColumnFilterGx::SetFilterText(const std::string& text) {
  StoreText(text);
  TCustomDBGridGx* g = Grid();
  if (g && g->FilterEditor() && g->FilterEditor()->Visible()) g->ShowFilterEditor(true);
}

void TSTColumnFilterGx::Clear() {
  keyValue_ = Variant::Unassigned();
  SetFilterText(std::string());
}

// ---------------------------------------------------------------- the column's and grid's objects

TSTColumnFilterGx* TColumnGx::STFilter() const {
  if (!stFilter_) stFilter_.reset(new TSTColumnFilterGx(const_cast<TColumnGx*>(this)));
  return stFilter_.get();
}

void TColumnGx::SetSTFilter(TSTColumnFilterGx* value) { STFilter()->Assign(value); }

void TColumnGx::ForgetFilterValueList() {
  if (stFilter_) stFilter_->ValueList().reset();
}

TSTDBGridGxFilter* TCustomDBGridGx::STFilter() const {
  if (!stFilter_) stFilter_.reset(new TSTDBGridGxFilter(const_cast<TCustomDBGridGx*>(this)));
  return stFilter_.get();
}

void TCustomDBGridGx::SetSTFilter(TSTDBGridGxFilter* value) { STFilter()->Assign(value); }

bool TCustomDBGridGx::IsFilterRowVisible() const { return stFilter_ && stFilter_->Visible(); }

// ---------------------------------------------------------------- the editor

TInplaceFilterEditGx::TInplaceFilterEditGx(TComponent* owner) : TDBComboBoxGx(owner) {}

void TInplaceFilterEditGx::SetValueAndText(const Variant& value, const std::string& text) {
  SetValue(value);
  SetText(text);
}

TRect TInplaceFilterEditGx::GetEditRect() {
  TRect r = TDBComboBoxGx::GetEditRect();
  ++r.Top;
  return r;
}

void TInplaceFilterEditGx::KeyDown(uint16_t& key, TShiftState shift) {
  if (grid_) grid_->FilterEditKeyDown(key, shift);
  if (key != 0) TDBComboBoxGx::KeyDown(key, shift);
}

void TInplaceFilterEditGx::WndProc(TMessage& m) {
  if (m.Msg == CM_WANTSPECIALKEY && m.WParam == VK_RETURN && grid_ && !ListVisible()) {
    m.Result = 1;
    return;
  }
  TDBComboBoxGx::WndProc(m);
  // The edit announces only typed text to the grid; text set by code (a list choice, a program)
  // comes this way.
  if (m.Msg == CM_TEXTCHANGED && grid_) grid_->FilterEditTextChanged();
}

void TInplaceFilterEditGx::KeyPress(TKeyChar& key) {
  if (grid_) grid_->FilterEditKeyPress(key);
  if (key != 0) TDBComboBoxGx::KeyPress(key);
}

// ---------------------------------------------------------------- the grid's side

bool TCustomDBGridGx::IsColumnFilterVisible(int dataCol) const {
  TColumnGx* c = ColumnAt(dataCol);
  return c && c->Visible() && c->STFilter()->Visible();
}

std::string TCustomDBGridGx::GetColumnFilterText(int dataCol) const {
  TColumnGx* c = ColumnAt(dataCol);
  return c && !c->FieldName().empty() ? c->STFilter()->FilterText() : std::string();
}

// The grid's own filter setting decides, not the extra fixed row a descendant may put there (the
// lookup grid's special row takes the filter row's place but is no filter row).
bool TCustomDBGridGx::IsFilterRow(int row) const {
  return TCustomDBGridGx::IsFilterRowVisible() && row == GetTitleOffset() - 1;
}

TColor TCustomDBGridGx::FilterCellColor() const {
  const COLORREF c = ColorToRGB(FixedColor());
  auto lighten = [](int v) { return std::min(255, v + v / 8); };
  return static_cast<TColor>(RGB(lighten(GetRValue(c)), lighten(GetGValue(c)), lighten(GetBValue(c))));
}

TInplaceFilterEditGx* TCustomDBGridGx::CreateFilterEditor() { return new TInplaceFilterEditGx(this); }

bool TCustomDBGridGx::CanShowFilterEditor() { return filterEditMode_ && selection_->SelectionType() == gstNon; }

void TCustomDBGridGx::StartFilterEdit(int dataCol) {
  if (!TCustomDBGridGx::IsFilterRowVisible() || !IsColumnFilterVisible(dataCol)) return;
  TDataSet* ds = DataSet();
  if (dataLink_->Active() && ds) ds->CheckBrowseMode();
  if (!filterEditor_) {
    filterEditor_ = CreateFilterEditor();
    filterEditor_->SetVisible(false);
    filterEditor_->SetParent(this);
    filterEditor_->SetGrid(this);
    filterEditor_->Font()->Assign(Font());
    filterEditor_->Font()->SetColor(static_cast<TColor>(0xFF0000));
    filterEditor_->SetColor(FilterCellColor());
    filterEditor_->SetFlat(Flat());
    filterEditor_->SetAutoSize(false);
  }
  // Tab moves between filter cells rather than out of the grid.
  filterEditor_->SetWantTabs(dbOptions_.Contains(dgTabs));
  const int previous = filterCol_;
  if (previous >= 0 && previous != dataCol && filterEditor_->Visible()) {
    StoreFilterEditText(previous);
    HideFilterEditor();
  } else if (previous >= 0 && previous != dataCol) {
    StoreTextTypedUnderHiddenEditor(filterEditor_, ColumnAt(previous));
  }
  filterCol_ = dataCol;
  filterColumnId_ = ColumnAt(dataCol)->ID();
  filterEditMode_ = true;
  {
    TFilterUpdate update(this);
    const int raw = DataToRawColumn(dataCol);
    if (raw >= ColCount()) {
      // A right-anchored column is always in sight and can never be the current cell.
    } else if (!dbOptions_.Contains(dgRowSelect)) {
      SetCol(raw);
    } else if (raw >= FixedCols()) {
      // Scrolled only when the column is out of sight, and then so that it shows at the right
      // edge, from either side.
      int fixedWidth = 0;
      for (int c = 0; c < FixedCols(); ++c) fixedWidth += GetColWidths(c) + GridLineWidth();
      const int room = ClientWidth() - fixedWidth;
      int width = GetColWidths(raw) + GridLineWidth();
      int left = raw;
      bool visible = raw >= LeftCol();
      for (int c = LeftCol(), w = 0; c <= raw; ++c) w += GetColWidths(c) + GridLineWidth(), visible = w <= room;
      if (!visible) {
        while (left - 1 >= FixedCols() && width + GetColWidths(left - 1) + GridLineWidth() <= room)
          width += GetColWidths(--left) + GridLineWidth();
        SetLeftCol(left);
      }
    }
  }
  const int row = GetTitleOffset() - 1;
  InvalidateCell(DataToRawColumn(dataCol), row);
  if (previous >= 0) InvalidateCell(DataToRawColumn(previous), row);
  ShowFilterEditor(true);
}

void TCustomDBGridGx::StopFilterEdit() {
  if (STFilter()->UpdateCount() > 0) return;
  const bool wasEditing = filterEditMode_;
  if (wasEditing) StoreTextTypedUnderHiddenEditor(filterEditor_, ColumnAt(filterCol_));
  HideFilterEditor();
  filterEditMode_ = false;
  if (wasEditing && dbOptions_.Contains(dgAlwaysShowEditor)) ShowEditor();
}

void TCustomDBGridGx::ShowFilterEditor(bool reload, bool keepCaret) {
  if (STFilter()->UpdateCount() > 0 || !filterEditor_) return;
  const int raw = DataToRawColumn(filterCol_);
  const int row = GetTitleOffset() - 1;
  TRect rect = TCustomDBGridGx::IsFilterRowVisible() && filterCol_ >= 0 && IsColumnFilterVisible(filterCol_) ? CellRect(raw, row)
                                                                                              : TRect();
  if (!filterEditMode_ || rect.IsEmpty()) {
    StopFilterEdit();
    return;
  }
  rect.Top += 1;
  if (!CanShowFilterEditor()) {
    // The focus stays in the grid, or the grid's exit step would cancel a record just appended.
    if (filterEditor_->HandleAllocated() && GetFocus() == filterEditor_->WindowHandle() && CanFocus()) SetFocus();
    filterEditor_->SetVisible(false);
    return;
  }
  // The user's place in the text, when the reload finds the same text there.
  const bool keep = keepCaret && reload && filterEditor_->Visible() && filterEditor_->HandleAllocated() &&
                    GetFocus() == filterEditor_->WindowHandle();
  const std::string shown = keep ? filterEditor_->Text() : std::string();
  const int selStart = keep ? filterEditor_->SelStart() : 0;
  const int selLength = keep ? filterEditor_->SelLength() : 0;
  // A reload shrinks the editor rather than hiding it: hiding would move the focus out of the
  // grid, and the grid's exit step would cancel a record a program has just appended.
  if (reload) filterEditor_->SetBoundsRect(TRect());
  filterEditor_->SetVisible(true);
  if (CanFocus() && filterEditor_->CanFocus()) filterEditor_->SetFocus();
  if (reload) {
    LoadFilterEditor(filterCol_);
    if (keep && filterEditor_->Text() == shown) {
      filterEditor_->SetSelStart(selStart);
      filterEditor_->SetSelLength(selLength);
    } else {
      filterEditor_->SelectAll();
    }
  }
  filterEditor_->SetBoundsRect(rect);
  if (filterEditor_->HandleAllocated()) SendMessage(filterEditor_->WindowHandle(), EM_SCROLLCARET, 0, 0);
}

void TCustomDBGridGx::HideFilterEditor() {
  if (!filterEditor_ || !filterEditor_->Visible()) return;
  if (filterEditor_->HandleAllocated() && GetFocus() == filterEditor_->WindowHandle() && CanFocus()) SetFocus();
  filterEditor_->SetVisible(false);
  if (filterCol_ < 0) return;
  StoreFilterEditText(filterCol_);
  InvalidateCell(DataToRawColumn(filterCol_), GetTitleOffset() - 1);
}

void TCustomDBGridGx::StoreFilterEditText(int dataCol) {
  TColumnGx* c = ColumnAt(dataCol);
  if (!c || c->FieldName().empty() || !filterEditor_) return;
  c->STFilter()->SetFilterText(filterEditor_->Text());
}

void TCustomDBGridGx::LoadFilterEditor(int dataCol) {
  TInplaceFilterEditGx* e = filterEditor_;
  TColumnGx* c = ColumnAt(dataCol);
  if (!e || !c) return;
  TSTColumnFilterGx* f = c->STFilter();
  struct Loading {
    TInplaceFilterEditGx* e;
    ~Loading() { e->SetLoading(false); }
  } loading{e};
  e->SetLoading(true);
  e->Items()->Clear();
  if (!f->ListSource() && !memTable_) {
    e->SetValue(Variant::Unassigned());
    e->OnBeforeDropDown = nullptr;
    e->EditButton()->SetVisible(false);
    e->SetText(GetColumnFilterText(dataCol));
    return;
  }
  e->OnCloseUp = [this](TObject*, bool accept) { FilterCloseUp(accept); };
  e->OnBeforeCloseUp = [this](TObject*, bool& accept) { FilterBeforeCloseUp(accept); };
  e->OnBeforeDropDown = [this](TObject*) { FilterBeforeDropDown(); };
  e->SetValue(Variant::Unassigned());
  e->EditButton()->SetVisible(true);
  e->DropDownBox()->SetSizable(true);
  if (!f->GetKeyFieldName().empty()) e->SetValueAndText(f->KeyValue(), f->FilterText());
  else e->SetText(f->FilterText());
  e->DropDownBox()->SetWidth(f->DropDownWidth() < 1 ? 100 : f->DropDownWidth());
  e->DropDownBox()->SetRows(f->DropDownRows() < 1 ? 17 : f->DropDownRows());
}

void TCustomDBGridGx::FilterBeforeDropDown() {
  TColumnGx* c = ColumnAt(filterCol_);
  if (!c || !filterEditor_) return;
  TSTColumnFilterGx* f = c->STFilter();
  TStrings* items = filterEditor_->Items();
  items->BeginUpdate();
  try {
    items->Clear();
    std::unique_ptr<IMemTableDataFieldValueListGx>& list = f->ValueList();
    if (!list) {
      if (!f->ListSource() && memTable_) memTable_->CreateFieldValueList(c->FieldName(), list);
      else if (f->ListSource()) list = f->GetValueList();
    }
    if (list) items->Assign(list->GetValues());
    if (c->HasKeyList() && c->HasPickList()) {
      for (int i = 0; i < items->Count(); ++i) {
        const int k = c->KeyList()->IndexOf(items->Strings(i));
        if (k >= 0 && k < c->PickList()->Count()) items->SetStrings(i, c->PickList()->Strings(k));
      }
    }
    // Each command goes on top: the list reads the sort commands, then "(Clear filter)",
    // "(All)", "(Not empty)", "(Empty)", then the values.
    items->InsertObject(0, kEmptyItem, TagObject(fltEmpty));
    items->InsertObject(0, kNotEmptyItem, TagObject(fltNotEmpty));
    items->InsertObject(0, kAllItem, TagObject(fltAll));
    items->InsertObject(0, kClearFilterItem, TagObject(fltClearFilter));
    if (optionsGx_.Contains(dghAutoSortMarking) && c->Title()->TitleButton()) {
      items->InsertObject(0, "-", TagObject(fltLine));
      items->InsertObject(0, kOrderAscendingItem, TagObject(fltOrderAscending));
      items->InsertObject(0, kOrderDescendingItem, TagObject(fltOrderDescending));
    }
  } catch (...) {
    items->EndUpdate();
    throw;
  }
  items->EndUpdate();
}

void TCustomDBGridGx::FilterBeforeCloseUp(bool& accept) {
  if (!accept || !filterEditor_) return;
  TColumnGx* column = ColumnAt(filterCol_);
  if (column && filterEditor_->Visible()) {
    column->STFilter()->SetDropDownWidth(filterEditor_->DropDownBox()->Width());
    column->STFilter()->SetDropDownRows(filterEditor_->DropDownBox()->Rows());
  }
  TPopupListboxGx* list = filterEditor_->PopupListbox();
  const int tag = list ? FilterItemTag(filterEditor_->Items(), list->ItemIndex()) : -1;
  if (tag < 1) return;
  accept = false;
  const bool applyCommands = center_ && center_->ApplyOnCloseUpFlags() != 0;
  switch (tag) {
    case fltEmpty: filterEditor_->SetText("=Null"); break;
    case fltNotEmpty: filterEditor_->SetText("<>Null"); break;
    case fltAll: filterEditor_->SetText(""); break;
    case fltClearFilter:
      ClearAllFilters();
      FilterRowChanged();
      return;
    case fltOrderAscending:
    case fltOrderDescending: {
      if (!column) return;
      for (int i = 0; i < columns_->Count(); ++i) columns_->Items(i)->Title()->SetSortMarker(smNoneGx);
      sortMarked_.clear();
      column->Title()->SetSortMarker(tag == fltOrderAscending ? smDownGx : smUpGx);
      SortMarkingChanged();
      InvalidateTitle();
      return;
    }
    default: return;
  }
  filterEditor_->SelectAll();
  if (applyCommands) FilterRowChanged();
}

void TCustomDBGridGx::FilterCloseUp(bool accept) {
  if (accept && center_ && (center_->ApplyOnCloseUpFlags() & 1)) FilterRowChanged();
}

void TCustomDBGridGx::FilterRowChanged() {
  if (filterCol_ >= 0 && filterEditor_ && filterEditor_->Visible()) StoreFilterEditText(filterCol_);
  else if (filterEditMode_) StoreTextTypedUnderHiddenEditor(filterEditor_, ColumnAt(filterCol_));
  const int left = LeftCol();
  if (OnApplyFilter) OnApplyFilter(this);
  else ApplyFilter();
  if (ColCount() > left && LeftCol() != left) SetLeftCol(left);
  ShowFilterEditor(true);
  if (sumList_ && sumList_->Active()) sumList_->RecalcAll();
  Invalidate();
}

void TCustomDBGridGx::ApplyFilter() {
  if (!center_) return;
  // The filter editor stays as it is while the applier works (its windows may take the focus).
  // Selected records the filter keeps stay selected.
  KeepingSelection([&] {
    BeginUpdateGx();
    STFilter()->BeginUpdate();
    try {
      center_->ApplyFilter(this);
    } catch (...) {
      STFilter()->EndUpdate();
      EndUpdateGx();
      throw;
    }
    STFilter()->EndUpdate();
    EndUpdateGx();
  });
}

void TCustomDBGridGx::FilterColumnMoved(TColumnGx* column) {
  if (!filterEditMode_ || !filterEditor_ || STFilter()->UpdateCount() > 0 || destroying_) return;
  // The filter column is a place among all columns, as the grid's own columns are: it follows the
  // edited column when others come, go or move. With that column gone its text has nowhere to go.
  if (column && column->Collection() == columns_.get()) filterColumnId_ = column->ID();
  TColumnGx* edited = nullptr;
  for (int i = 0; i < columns_->Count() && !edited; ++i)
    if (columns_->Items(i)->ID() == filterColumnId_) edited = columns_->Items(i);
  if (!edited) {
    filterCol_ = -1;
    StopFilterEdit();
    return;
  }
  filterCol_ = edited->Index();
  if (filterEditor_->Visible()) ShowFilterEditor(false);
}

void TCustomDBGridGx::ClearAllFilters() {
  StopFilterEdit();
  for (int i = 0; i < columns_->Count(); ++i) columns_->Items(i)->STFilter()->Clear();
  Invalidate();
}

// ---------------------------------------------------------------- ways in

bool TCustomDBGridGx::EnterFilterRowByKey(TShiftState shift) {
  TDataSet* ds = DataSet();
  if (!TCustomDBGridGx::IsFilterRowVisible() || !dataLink_->Active() || !ds || !(ds->Bof() || shift.Contains(ssCtrl))) return false;
  int target = -1;
  if (dbOptions_.Contains(dgRowSelect)) {
    // Hidden columns stay in the count: the search goes over every column.
    const int count = columns_->Count();
    auto seek = [&](int from) {
      for (int c = std::max(0, from); c < count; ++c)
        if (IsColumnFilterVisible(c)) return c;
      return -1;
    };
    target = seek(filterCol_);
    // A remembered column scrolled out of view is not brought back: the first one in view is taken.
    const int raw = target >= 0 ? DataToRawColumn(target) : -1;
    const bool inView = raw >= IndicatorOffset() &&
                        (raw < FixedCols() || (raw >= LeftCol() && raw < LeftCol() + VisibleColCount()));
    if (!inView) target = seek(RawToDataColumn(FixedCols() > IndicatorOffset() ? IndicatorOffset() : LeftCol()));
  } else {
    target = SelectedIndex();
  }
  if (target < 0 || !IsColumnFilterVisible(target)) return false;
  StartFilterEdit(target);
  return filterEditMode_;
}

bool TCustomDBGridGx::FilterRowMouseMessage(TMessage& m) {
  if ((m.Msg != WM_LBUTTONDOWN && m.Msg != WM_RBUTTONDOWN) || InState(csDesigning) ||
      !TCustomDBGridGx::IsFilterRowVisible())
    return false;
  const TGridCoord cell = MouseCoord(m.XPos(), m.YPos());
  if (cell.Y >= GetTitleOffset()) {
    if (filterEditMode_) StopFilterEdit();
    return false;
  }
  if (!IsFilterRow(cell.Y) || cell.X < IndicatorOffset() || !IsColumnFilterVisible(RawToDataColumn(cell.X)))
    return false;
  if (optionsGx_.Contains(dghClearSelection)) ClearSelection();
  StartFilterEdit(RawToDataColumn(cell.X));
  if (m.Msg == WM_LBUTTONDOWN && filterEditor_ && filterEditor_->Visible()) {
    // The press goes on to the editor, so it places the caret or presses its button.
    const TRect r = filterEditor_->BoundsRect();
    filterEditor_->Perform(WM_LBUTTONDOWN, m.WParam,
                           MAKELPARAM(static_cast<WORD>(m.XPos() - r.Left), static_cast<WORD>(m.YPos() - r.Top)));
  }
  return true;
}

// ---------------------------------------------------------------- keys of the editor

void TCustomDBGridGx::MoveFilterCell(int direction, bool toEnd) {
  const int first = IndicatorOffset();
  // Right-anchored columns have filter cells too.
  const int last = FullColCount() - 1;
  if (last < first) return;
  int col;
  int step = direction;
  if (toEnd) {
    // From just outside the far end, back towards the current cell: the outermost cell first.
    col = direction > 0 ? last + 1 : first - 1;
    step = -direction;
  } else {
    col = DataToRawColumn(filterCol_);
  }
  const int start = col;
  for (int guard = 0; guard <= last - first + 1; ++guard) {
    col += step;
    if (col > last) {
      if (toEnd) return;
      col = first;
    } else if (col < first) {
      if (toEnd) return;
      col = last;
    }
    if (col == start) return;
    if (IsColumnFilterVisible(RawToDataColumn(col))) {
      if (RawToDataColumn(col) != filterCol_) StartFilterEdit(RawToDataColumn(col));
      return;
    }
  }
}

void TCustomDBGridGx::FilterEditKeyDown(uint16_t& key, TShiftState shift) {
  TInplaceFilterEditGx* e = filterEditor_;
  if (!e || e->ListVisible()) return;
  const bool ctrl = shift.Contains(ssCtrl);
  // The selection counts bytes of the text.
  const int length = static_cast<int>(e->Text().size());
  const bool all = e->SelLength() == length;
  const bool atStart = (e->SelStart() == 0 && e->SelLength() == 0) || all;
  const bool atEnd = (e->SelStart() == length && e->SelLength() == 0) || all;
  switch (key) {
    case VK_LEFT:
      if (ctrl || atStart) MoveFilterCell(-1, ctrl), key = 0;
      break;
    case VK_RIGHT:
      if (ctrl || atEnd) MoveFilterCell(1, ctrl), key = 0;
      break;
    case VK_HOME:
      if (ctrl || atStart) MoveFilterCell(-1, true), key = 0;
      break;
    case VK_END:
      if (ctrl || atEnd) MoveFilterCell(1, true), key = 0;
      break;
    case VK_TAB:
      if (dbOptions_.Contains(dgTabs)) MoveFilterCell(shift.Contains(ssShift) ? -1 : 1, false), key = 0;
      break;
    case VK_UP:
      if (shift.Empty()) key = 0;
      break;
    case VK_DOWN: {
      if (!(shift.Empty() || shift == TShiftState{ssCtrl}) || !dataLink_->Active()) break;
      const int dataCol = filterCol_;
      TDataSet* ds = DataSet();
      StopFilterEdit();
      // A right-anchored column cannot be the current cell: the current column stays.
      if (!dbOptions_.Contains(dgRowSelect) && DataToRawColumn(dataCol) < ColCount()) SetCol(DataToRawColumn(dataCol));
      // Back to the record at the top of the window.
      if (!ctrl && ds && !ds->IsEmpty() && Row() != TopRow()) ds->MoveBy(TopRow() - Row());
      if (CanFocus()) SetFocus();
      key = 0;
      break;
    }
    case VK_F2:
      e->SetSelStart(length);
      e->SetSelLength(0);
      key = 0;
      break;
    default: break;
  }
}

void TCustomDBGridGx::FilterEditTextChanged() {
  if (!filterEditor_ || filterEditor_->Loading() || !filterEditMode_) return;
  TColumnGx* c = ColumnAt(filterCol_);
  if (c && c->STFilter()->FilterText() != filterEditor_->Text()) c->STFilter()->SetTypedText(filterEditor_->Text());
}

void TCustomDBGridGx::FilterEditKeyPress(TKeyChar& key) {
  if (key == VK_TAB && dbOptions_.Contains(dgTabs)) {
    key = 0;
  } else if (key == VK_RETURN) {
    key = 0;
    FilterRowChanged();
  }
}

// ---------------------------------------------------------------- painting a filter cell

void TCustomDBGridGx::PaintFilterCell(TCanvas* canvas, TColumnGx* column, int dataCol, const TRect& rect,
                                      const TRect& inner, int dx, int dy) {
  canvas->Font()->Assign(Font());
  canvas->Font()->SetColor(static_cast<TColor>(0xFF0000));
  canvas->Brush()->SetColor(FilterCellColor());
  TRect text = inner;
  if (column->STFilter()->CanDropDown()) {
    const int width = Flat() ? DefaultEditButtonWidth() : GetSystemMetrics(SM_CXVSCROLL);
    const int height = std::min(inner.Height(), DataRowHeight());
    TRect button(std::max(inner.Left, inner.Right - width), inner.Top, inner.Right, inner.Top + height);
    if (Flat()) {
      canvas->Pen()->SetColor(clBtnFace);
      canvas->MoveTo(button.Left - 1, inner.Top);
      canvas->LineTo(button.Left - 1, inner.Bottom);
      text.Right = button.Left - 1;
    } else {
      text.Right = button.Left;
    }
    if (button.Bottom < inner.Bottom) canvas->FillRect(TRect(button.Left, button.Bottom, button.Right, inner.Bottom));
    DrawEditButtonInCell(canvas, rect, button, 0, -1, false, dataLink_->Active(), false, false, clBtnFace, nullptr,
                         -1);
    canvas->Brush()->SetColor(FilterCellColor());
  }
  WriteTextGx(canvas, text, false, dx, dy, GetColumnFilterText(dataCol), column->Alignment(), column->Layout(), false,
              false, 0, 0, false);
}
