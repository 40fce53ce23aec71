// The lookup grid: data and list sides, the key and its record, the special row, keys, incremental
// search, mouse tracking and the whole-row sizing; and the popup data grid built on it.
#include "grid/lookupgrid.h"

#include <algorithm>

#include "editors/tools/toolctrlsgx.h"
#include "grid/celltext.h"
#include "platform/classes/classreg.h"
#include "platform/classes/published.h"
#include "platform/db/dbconsts.h"
#include "platform/os/clock.h"
#include "platform/rtl/strings.h"

FANO_IMPLEMENT_ABSTRACT(TLookupGridDataLinkGx, TDataLink)
FANO_IMPLEMENT_ABSTRACT(TGridColumnSpecCellGx, TPersistent)
FANO_IMPLEMENT_ITEM(TDBLookupGridColumnGx, TColumnGx)
FANO_IMPLEMENT_ABSTRACT(TDBLookupGridColumnDefValuesGx, TColumnDefValuesGx)
FANO_IMPLEMENT_COMPONENT(TDBLookupGridGx, TCustomDBGridGx)
FANO_IMPLEMENT_COMPONENT(TPopupDataGridGx, TDBLookupGridGx)

namespace {

constexpr int kSearchPause = 2000;
constexpr size_t kSearchLimit = 32;
constexpr UINT_PTR kScrollTimer = 1;
constexpr const char* SPropDefByLookup = "Property already defined by lookup field";
constexpr const char* SDataSourceFixed = "Operation not allowed in a DBCtrlGrid";

// The time of the last search key, one for all lookup grids.
uint32_t lastSearchTime = 0;

std::string JoinNames(const std::vector<TField*>& fields) {
  std::string s;
  for (TField* f : fields) {
    if (!s.empty()) s += ';';
    s += f->FieldName();
  }
  return s;
}

}  // namespace

// ---- data link ----------------------------------------------------------------------------------

void TLookupGridDataLinkGx::ActiveChanged() { grid_->UpdateDataFields(); }
void TLookupGridDataLinkGx::LayoutChanged() { grid_->UpdateDataFields(); }
void TLookupGridDataLinkGx::RecordChanged(TField* field) { grid_->DataLinkRecordChanged(field); }
void TLookupGridDataLinkGx::FocusControl(TField*& field) { grid_->FocusRequest(field); }

// ---- special-row cells ----------------------------------------------------------------------------

TGridColumnSpecCellGx::TGridColumnSpecCellGx(TDBLookupGridColumnGx* column)
    : column_(column), font_(std::make_unique<TFont>()) {
  font_->OnChange = [this](TObject*) {
    fontAssigned_ = true;
    if (column_) column_->ColumnChanged(false);
  };
}

TGridColumnSpecCellGx::~TGridColumnSpecCellGx() { font_->OnChange = nullptr; }

TPersistent* TGridColumnSpecCellGx::GetOwner() const { return column_; }

TSpecRowGx* TGridColumnSpecCellGx::SpecRow() const {
  TDBLookupGridGx* g = column_ ? column_->LookupGrid() : nullptr;
  return g ? g->SpecRow() : nullptr;
}

void TGridColumnSpecCellGx::Assign(TPersistent* source) {
  auto* s = dynamic_cast<TGridColumnSpecCellGx*>(source);
  if (!s) {
    TPersistent::Assign(source);
    return;
  }
  SetText(s->Text());
  SetColor(s->Color());
  if (s->fontAssigned_) SetFont(s->font_.get());
}

std::string TGridColumnSpecCellGx::Text() const {
  if (textAssigned_) return text_;
  TSpecRowGx* row = SpecRow();
  return row && column_ ? row->GetCellText(column_->Index()) : std::string();
}

void TGridColumnSpecCellGx::SetText(const std::string& value) {
  text_ = value;
  textAssigned_ = true;
  if (column_) column_->ColumnChanged(false);
}

TColor TGridColumnSpecCellGx::Color() const {
  if (colorAssigned_) return color_;
  TSpecRowGx* row = SpecRow();
  return row ? row->Color() : clWindow;
}

void TGridColumnSpecCellGx::SetColor(TColor value) {
  color_ = value;
  colorAssigned_ = true;
  if (column_) column_->ColumnChanged(false);
}

TFont* TGridColumnSpecCellGx::Font() const {
  if (fontAssigned_) return font_.get();
  TSpecRowGx* row = SpecRow();
  return row ? row->Font() : font_.get();
}

void TGridColumnSpecCellGx::SetFont(TFont* value) { font_->Assign(value); }

// ---- lookup column ----------------------------------------------------------------------------------

TDBLookupGridColumnGx::TDBLookupGridColumnGx(TCollection* collection)
    : TColumnGx(collection), specCell_(std::make_unique<TGridColumnSpecCellGx>(this)) {}

TDBLookupGridColumnGx::~TDBLookupGridColumnGx() = default;

void TDBLookupGridColumnGx::Assign(TPersistent* source) {
  TColumnGx::Assign(source);
  if (auto* s = dynamic_cast<TDBLookupGridColumnGx*>(source)) specCell_->Assign(s->specCell_.get());
}

TDBLookupGridGx* TDBLookupGridColumnGx::LookupGrid() const { return dynamic_cast<TDBLookupGridGx*>(Grid()); }

// ---- lookup grid ------------------------------------------------------------------------------------

TDBLookupGridGx::TDBLookupGridGx(TComponent* owner) : TCustomDBGridGx(owner) {
  // Sizing a column here is the list's own business, not its fields' display widths.
  SetWriteDisplayWidths(false);
  ReplaceColumns(new TDBLookupGridColumnDefValuesGx(this),
                 new TDBGridColumnsGx(this, TDBLookupGridColumnGx::StaticClass()));
  dataLink_ = std::make_unique<TLookupGridDataLinkGx>(this);
  internalSource_ = std::make_unique<TDataSource>(nullptr);
  specRow_ = std::make_unique<TSpecRowGx>(this);
  specRow_->OnChanged = [this](TObject*) {
    if (destroying_) return;
    LayoutChanged();
    if (rowCount_ > 0) ResizeToRows(rowCount_);
    KeyValueChanged();
  };
  keyValue_ = Null();
  SetControlStyle(ControlStyle() + csReplicatable);
  SetTabStop(false);
  SetDBOptions(TDBGridOptions{dgColLines, dgRowSelect});
  // Only the key's row is painted as chosen, not the current row of the focused grid as well.
  SetOptionsGx(OptionsGx() + dghTraceColSizing - dghHighlightFocus);
  options_ = TDBLookupGridGxOptions{dlgColLinesGx};
  SetFlat(true);
  SetDrawMemoText(true);
  SetVTitleMargin(5);
  TCustomDBGridGx::SetAutoFitColWidths(false);
}

TDBLookupGridGx::~TDBLookupGridGx() {
  destroying_ = true;
  StopTimer();
  specRow_->OnChanged = nullptr;
  dataLink_->SetDataSource(nullptr);
  TCustomDBGridGx::SetDataSource(nullptr);
}

void TDBLookupGridGx::Notification(TComponent* component, TOperation operation) {
  TCustomDBGridGx::Notification(component, operation);
  if (operation == opRemove && dataLink_ && component == dataLink_->DataSource()) SetDataSource(nullptr);
}

void TDBLookupGridGx::Loaded() {
  TCustomDBGridGx::Loaded();
  if (rowCount_ > 0) ResizeToRows(rowCount_);
}

void TDBLookupGridGx::SetDataSource(TDataSource* value) {
  if (value == dataLink_->DataSource()) return;
  if (dataLink_->DataSourceFixed() && InState(csLoading)) return;
  if (TDataSource* old = dataLink_->DataSource()) old->RemoveFreeNotification(this);
  dataLink_->SetDataSource(value);
  if (value) value->FreeNotification(this);
}

void TDBLookupGridGx::SetDataField(const std::string& value) {
  if (value == dataFieldName_) return;
  dataFieldName_ = value;
  UpdateDataFields();
}

void TDBLookupGridGx::SetListSource(TDataSource* value) {
  if (lookupMode_) DatabaseError(SPropDefByLookup, this);
  if (dataLink_->DataSourceFixed()) DatabaseError(SDataSourceFixed, this);
  TCustomDBGridGx::SetDataSource(value);
}

void TDBLookupGridGx::SetKeyField(const std::string& value) {
  if (lookupMode_) DatabaseError(SPropDefByLookup, this);
  if (dataLink_->DataSourceFixed()) DatabaseError(SDataSourceFixed, this);
  if (value == keyFieldName_) return;
  keyFieldName_ = value;
  UpdateListFields();
}

void TDBLookupGridGx::SetListField(const std::string& value) {
  if (value == listFieldName_) return;
  listFieldName_ = value;
  UpdateListFields();
}

void TDBLookupGridGx::SetListFieldIndex(int value) {
  if (value == listFieldIndex_) return;
  listFieldIndex_ = value;
  UpdateListFields();
}

void TDBLookupGridGx::SetKeyValue(const Variant& value) {
  if (VariantsEqual(keyValue_, value)) return;
  keyValue_ = value;
  KeyValueChanged();
}

void TDBLookupGridGx::CheckNotCircular() {
  TDataSource* data = dataLink_->DataSource();
  TDataSet* list = ListDataSet();
  if (data && list && dataLink_->Active() && data->IsLinkedTo(list)) DatabaseError(SCircularDataLink, this);
}

// ---- data side

void TDBLookupGridGx::UpdateDataFields() {
  if (destroying_) return;
  dataFields_.clear();
  dataFieldNames_.clear();
  TField* lookup = nullptr;
  if (dataLink_->Active() && !dataFieldName_.empty()) {
    CheckNotCircular();
    dataLink_->DataSet()->GetFieldList(dataFields_, dataFieldName_);
  }
  if (dataFields_.size() == 1 && dataFields_[0]->FieldKind() == fkLookup) {
    lookup = dataFields_[0];
    dataFields_.clear();
    lookup->DataSet()->GetFieldList(dataFields_, lookup->KeyFields());
  }
  dataFieldNames_ = JoinNames(dataFields_);
  lookupField_ = lookup;
  if (lookup) {
    lookupMode_ = true;
    internalSource_->SetDataSet(lookup->LookupDataSet());
    keyFieldName_ = lookup->LookupKeyFields();
    if (TCustomDBGridGx::DataSource() != internalSource_.get()) TCustomDBGridGx::SetDataSource(internalSource_.get());
    else UpdateListFields();
  } else if (lookupMode_) {
    lookupMode_ = false;
    TCustomDBGridGx::SetDataSource(nullptr);
    internalSource_->SetDataSet(nullptr);
  }
  DataLinkRecordChanged(nullptr);
}

void TDBLookupGridGx::DataLinkRecordChanged(TField* field) {
  if (destroying_) return;
  if (field && std::find(dataFields_.begin(), dataFields_.end(), field) == dataFields_.end()) return;
  if (dataFields_.empty() || !dataLink_->Active()) SetKeyValue(Null());
  else SetKeyValue(dataLink_->DataSet()->FieldValues(dataFieldNames_));
}

void TDBLookupGridGx::FocusRequest(TField*& field) {
  TField* first = lookupField_ ? lookupField_ : (dataFields_.empty() ? nullptr : dataFields_[0]);
  if (!field || field != first) return;
  if (CanFocus()) {
    SetFocus();
    field = nullptr;
  }
}

// ---- list side

void TDBLookupGridGx::ResolveListFields() {
  listActive_ = false;
  listFields_.clear();
  keyFields_.clear();
  displayField_ = nullptr;
  TDataSet* ds = ListDataSet();
  if (!DataLink()->Active() || keyFieldName_.empty() || !ds) return;
  CheckNotCircular();
  ds->GetFieldList(keyFields_, keyFieldName_);
  ds->GetFieldList(listFields_, listFieldName_);
  if (lookupMode_ && lookupField_) {
    displayField_ = ds->FieldByName(lookupField_->LookupResultField());
    if (std::find(listFields_.begin(), listFields_.end(), displayField_) == listFields_.end())
      listFields_.insert(listFields_.begin(), displayField_);
  } else {
    if (listFields_.empty()) listFields_ = keyFields_;
    const int n = static_cast<int>(listFields_.size());
    displayField_ = listFieldIndex_ >= 0 && listFieldIndex_ < n ? listFields_[static_cast<size_t>(listFieldIndex_)]
                                                                : listFields_.front();
  }
  listActive_ = true;
}

void TDBLookupGridGx::UpdateListFields() {
  if (destroying_) return;
  ResolveListFields();
  LayoutChanged();
  if (listActive_) KeyValueChanged();
  else ListDataChanged();
}

void TDBLookupGridGx::LinkActive(bool value) {
  if (destroying_) return;
  ResolveListFields();
  TCustomDBGridGx::LinkActive(value);
  if (listActive_) KeyValueChanged();
  else ListDataChanged();
}

void TDBLookupGridGx::GetDefaultColumnFields(std::vector<TField*>& fields) { fields = listFields_; }

void TDBLookupGridGx::DefineFieldMap() {
  if (Columns()->Customized()) {
    TCustomDBGridGx::DefineFieldMap();
    return;
  }
  DataLink()->ClearMapping();
  DataLink()->SetSparseMap(false);
  for (TField* f : listFields_) DataLink()->AddMapping(f->FieldName());
}

Variant TDBLookupGridGx::ListKey() const {
  TDataSet* ds = ListDataSet();
  if (!ds || !ds->Active() || keyFieldName_.empty() || ds->IsEmpty()) return Null();
  return ds->FieldValues(keyFieldName_);
}

bool TDBLookupGridGx::LocateKey() {
  TDataSet* ds = ListDataSet();
  if (VarIsNullOrEmpty(keyValue_) || !ds || !ds->Active() || keyFieldName_.empty()) return false;
  if (!ds->Locate(keyFieldName_, keyValue_, TLocateOptions{})) return false;
  if (MemTable() && HandleAllocated()) {
    // The found row half a page below the top.
    const int row = GetTitleOffset() + MemTable()->GetCurrentRowIndex();
    SetTopRow(std::max(FixedRows(), row - VisibleRowCount() / 2));
    ClampTopRow();
  }
  return true;
}

void TDBLookupGridGx::KeyValueChanged() {
  if (destroying_) return;
  if (specRow_->Visible()) {
    specRow_->SetSelected(VariantsEqual(keyValue_, specRow_->Value()));
    if (!locking_ && !specRow_->Selected() && specRow_->ShowIfNotInKeyList() && !LocateKey())
      specRow_->SetSelected(true);
  } else {
    specRow_->SetSelected(false);  // a hidden row is chosen no longer
  }
  if (listActive_ && !locking_ && !LocateKey() && !specRow_->Selected()) ListDataSet()->First();
  ListDataChanged();
  if (specRow_->Visible() && specRow_->Selected()) displayText_ = specRow_->GetCellText(listFieldIndex_);
  else if (displayField_ && ListDataSet() && ListDataSet()->Active() && !ListDataSet()->IsEmpty())
    displayText_ = displayField_->DisplayText();
  else displayText_.clear();
}

void TDBLookupGridGx::ListDataChanged() {
  if (!HandleAllocated() || destroying_) return;
  UpdateVertScrollBar();
  InvalidateUnlessLoading();
}

void TDBLookupGridGx::InvalidateUnlessLoading() {
  if (!InState(csLoading)) Invalidate();
}

void TDBLookupGridGx::SelectKeyValue(const Variant& value) {
  if (dataFields_.empty()) {
    SetKeyValue(value);
  } else if (dataLink_->Edit()) {
    SetFieldsValues(dataLink_->DataSet(), dataFieldNames_, value);
  }
  Invalidate();
  Click();
}

bool TDBLookupGridGx::CanModify() {
  if (!listActive_ || dataLink_->ReadOnly()) return false;
  if (!dataLink_->DataSource()) return true;
  if (dataFields_.empty()) return false;
  return std::all_of(dataFields_.begin(), dataFields_.end(), [](TField* f) { return f->CanModify(); });
}

void TDBLookupGridGx::Scroll(int distance) {
  TCustomDBGridGx::Scroll(distance);
  if (destroying_) return;
  FollowKeyInBuffer();
  ListDataChanged();
}

int TDBLookupGridGx::KeyRowInBuffer() {
  TDataSet* ds = ListDataSet();
  const int offset = GetTitleOffset();
  int found = -1;
  for (int r = 0; r < DataLink()->RecordCount() && found < 0; ++r) {
    BeginRowRead(offset + r);
    if (VariantsEqual(ds->FieldValues(keyFieldName_), keyValue_)) found = r;
    EndRowRead();
  }
  return found;
}

// After the window of a buffered list moved, the current row goes back onto the key's record
// when the window still holds it.
void TDBLookupGridGx::FollowKeyInBuffer() {
  TDataSet* ds = ListDataSet();
  if (MemTable() || followingKey_ || locking_ || !listActive_ || !ds || VarIsNullOrEmpty(keyValue_)) return;
  if (VariantsEqual(ListKey(), keyValue_)) return;
  const int found = KeyRowInBuffer();
  if (found < 0) return;
  followingKey_ = true;
  struct Reset {
    bool& f;
    ~Reset() { f = false; }
  } reset{followingKey_};
  ds->MoveBy(found - DataLink()->ActiveRecord());
}

void TDBLookupGridGx::UpdateVertScrollBar() {
  if (MemTable() || destroying_) {
    TCustomDBGridGx::UpdateVertScrollBar();
    return;
  }
  if (!HandleAllocated()) return;
  TDataSet* ds = ListDataSet();
  int min = 0, max = 0, page = 0, pos = 0;
  if (!listActive_ || !ds || !ds->Active()) {
    max = 2;
  } else if (ds->IsSequenced()) {
    max = std::max(0, ds->RecordCount() - 1);
    page = VisibleRowCount();
    // The top row's record; left alone while a record is inserted.
    pos = ds->State() == dsInsert ? std::max(0, vertPos_) : std::max(0, ds->RecNo() - 1 - DataLink()->ActiveRecord());
  } else if (DataLink()->RecordCount() >= VisibleRowCount()) {
    max = 4;
    pos = DataLink()->Bof() ? 0 : DataLink()->Eof() ? 4 : 2;
  }
  if (min == vertMin_ && max == vertMax_ && page == vertPage_ && pos == vertPos_) return;
  vertMin_ = min;
  vertMax_ = max;
  vertPage_ = page;
  vertPos_ = pos;
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  si.nMin = min;
  si.nMax = max;
  si.nPage = static_cast<UINT>(page);
  si.nPos = pos;
  SetScrollInfo(WindowHandle(), SB_VERT, &si, TRUE);
}

void TDBLookupGridGx::ListScroll(int code, int thumb) {
  TDataSet* ds = ListDataSet();
  const int rows = VisibleRowCount();
  switch (code) {
    case SB_LINEUP: ds->MoveBy(-DataLink()->ActiveRecord() - 1); break;
    case SB_LINEDOWN: ds->MoveBy(DataLink()->RecordCount() - DataLink()->ActiveRecord()); break;
    case SB_PAGEUP: ds->MoveBy(-rows); break;
    case SB_PAGEDOWN: ds->MoveBy(rows); break;
    case SB_THUMBTRACK:
      if (ds->IsSequenced()) ds->SetRecNo(std::clamp(thumb + 1, 1, std::max(1, ds->RecordCount())));
      break;
    case SB_THUMBPOSITION:
      if (ds->IsSequenced()) break;
      switch (thumb) {
        case 0: ds->First(); break;
        case 1: ds->MoveBy(-rows); break;
        case 3: ds->MoveBy(rows); break;
        case 4: ds->Last(); break;
        default: break;
      }
      break;
    case SB_TOP: ds->First(); break;
    case SB_BOTTOM: ds->Last(); break;
    default: break;
  }
  FollowKeyInBuffer();
  UpdateVertScrollBar();
  Invalidate();
}

void TDBLookupGridGx::RecordChanged(TField* field) {
  TCustomDBGridGx::RecordChanged(field);
  if (!destroying_ && !locking_ && listActive_ && !field) {
    if (specRow_->Visible() && specRow_->Selected()) return;
    if (displayField_ && !ListDataSet()->IsEmpty() && VariantsEqual(ListKey(), keyValue_))
      displayText_ = displayField_->DisplayText();
  }
}

bool TDBLookupGridGx::MarkDataRow(int row) {
  (void)row;
  if (DBUpdateCount() > 0 || VarIsNullOrEmpty(keyValue_) || keyFields_.empty() || !ListDataSet()) return false;
  if (specRow_->Visible() && specRow_->Selected()) return false;
  return VariantsEqual(ListDataSet()->FieldValues(keyFieldName_), keyValue_);
}

// ---- shape

int TDBLookupGridGx::BorderHeight() { return HandleAllocated() ? Height() - ClientHeight() : 0; }

int TDBLookupGridGx::SpecRowHeight() {
  if (!specRow_->Visible()) return 0;
  return DefaultRowHeight() + LineWidth();
}

int TDBLookupGridGx::LookupDataRowHeight() { return DefaultRowHeight() + LineWidth(); }

int TDBLookupGridGx::VisibleRowCount() {
  const int title = ShowTitles() ? TitleRowHeight() + LineWidth() : 0;
  const int h = ClientHeight() - title - SpecRowHeight();
  return std::max(1, h / std::max(1, LookupDataRowHeight()));
}

// Row lines add one line above the data rows, with titles or without.
int TDBLookupGridGx::HeightForRows(int rows) {
  const int lw = LineWidth();
  return (ShowTitles() ? TitleRowHeight() : 0) + lw + DefaultRowHeight() * rows + rows * lw + BorderHeight() +
         SpecRowHeight();
}

void TDBLookupGridGx::ResizeToRows(int rows) {
  const int height = HeightForRows(rows);
  sizing_ = true;
  TCustomDBGridGx::SetBounds(Left(), Top(), Width(), height);
  sizing_ = false;
}

int TDBLookupGridGx::RowCountProp() const {
  return rowCount_ > 0 ? rowCount_ : const_cast<TDBLookupGridGx*>(this)->VisibleRowCount();
}

void TDBLookupGridGx::SetRowCountProp(int value) {
  value = std::clamp(value, 1, 100);
  rowCount_ = value;
  ResizeToRows(value);
}

// Titles and fitting change what the height holds besides the rows: the rows stay as many, set
// or not, and whole.
void TDBLookupGridGx::KeepRows(int rows) {
  if (rowCount_ > 0) ResizeToRows(rowCount_);
  else if (!InState(csLoading)) ResizeToRows(rows);
}

void TDBLookupGridGx::SetShowTitles(bool value) {
  if (value == ShowTitles()) return;
  const int rows = RowCountProp();
  TDBGridOptions o = DBOptions();
  if (value) o.Include(dgTitles);
  else o.Exclude(dgTitles);
  SetDBOptions(o);
  KeepRows(rows);
}

void TDBLookupGridGx::SetUseMultiTitle(bool value) {
  const int rows = RowCountProp();
  TCustomDBGridGx::SetUseMultiTitle(value);
  KeepRows(rows);
}

void TDBLookupGridGx::SetAutoFitColWidths(bool value) {
  const int rows = RowCountProp();
  TCustomDBGridGx::SetAutoFitColWidths(value);
  SetScrollBars(value ? ssNone : ssHorizontal);
  if (value) UpdateColumnsWidth();
  KeepRows(rows);
}

void TDBLookupGridGx::UpdateColumnsWidth() {
  if (!TCustomDBGridGx::AutoFitColWidths()) return;
  const int rows = RowCountProp();
  // The data grid's fitting fills the client width; the widths it gives become the defaults.
  LayoutChanged();
  for (TColumnGx* c : VisibleColumns()) c->SetWidth(c->Width());
  KeepRows(rows);
}

void TDBLookupGridGx::SetOptions(TDBLookupGridGxOptions value) {
  options_ = value;
  auto apply = [](auto& set, bool on, auto item) {
    if (on) set.Include(item);
    else set.Exclude(item);
  };
  TDBGridOptions o = DBOptions();
  apply(o, value.Contains(dlgColumnResizeGx), dgColumnResize);
  apply(o, value.Contains(dlgColLinesGx), dgColLines);
  apply(o, value.Contains(dlgRowLinesGx), dgRowLines);
  SetDBOptions(o);
  // Read after the data options: column resizing brings its own extended options along.
  TDBGridGxOptions gx = OptionsGx();
  apply(gx, value.Contains(dlgAutoSortMarkingGx), dghAutoSortMarking);
  apply(gx, value.Contains(dlgMultiSortMarkingGx), dghMultiSortMarking);
  SetOptionsGx(gx);
}

void TDBLookupGridGx::SetBounds(int left, int top, int width, int height) {
  if (sizing_ || InState(csLoading)) {
    TCustomDBGridGx::SetBounds(left, top, width, height);
    return;
  }
  // Whole rows only.
  const int title = ShowTitles() ? TitleRowHeight() : 0;
  const int rowHeight = std::max(1, LookupDataRowHeight());
  const int rows = std::max(1, (height - BorderHeight() - title - SpecRowHeight()) / rowHeight);
  const int h = HeightForRows(rows);
  sizing_ = true;
  TCustomDBGridGx::SetBounds(left, top, width, h);
  sizing_ = false;
  if (rowCount_ > 0) rowCount_ = rows;
}

void TDBLookupGridGx::CreateWnd() {
  TCustomDBGridGx::CreateWnd();
  if (rowCount_ > 0) ResizeToRows(rowCount_);
}

void TDBLookupGridGx::Resize() {
  TCustomDBGridGx::Resize();
  // The horizontal bar came or went: the height follows, so the rows stay whole.
  if (rowCount_ > 0 && !sizing_ && HandleAllocated() && Height() != HeightForRows(rowCount_))
    ResizeToRows(rowCount_);
  if (TCustomDBGridGx::AutoFitColWidths() && !sizing_) {
    for (TColumnGx* c : VisibleColumns()) c->SetWidth(c->Width());
  }
}

// With the fitting on, the widths it gave are the ones the columns keep (Resize stores them).
int TDBLookupGridGx::AllColumnsWidth() {
  int w = 0;
  for (TColumnGx* c : VisibleColumns()) w += c->Width() + (DBOptions().Contains(dgColLines) ? GridLineWidth() : 0);
  return w;
}

void TDBLookupGridGx::ColWidthsChanged() {
  TCustomDBGridGx::ColWidthsChanged();
  if (!TCustomDBGridGx::AutoFitColWidths() || sizing_ || !HandleAllocated()) return;
  // The user sized a column: the control takes the columns' width.
  int w = 0;
  for (TColumnGx* c : VisibleColumns()) w += c->Width() + (DBOptions().Contains(dgColLines) ? GridLineWidth() : 0);
  sizing_ = true;
  SetClientWidth(w);
  sizing_ = false;
  for (TColumnGx* c : VisibleColumns()) c->SetWidth(c->Width());
}

void TDBLookupGridGx::ColumnMoved(int fromIndex, int toIndex) {
  const int from = RawToDataColumn(fromIndex), to = RawToDataColumn(toIndex);
  const bool gridBuilt = !Columns()->Customized();
  TCustomDBGridGx::ColumnMoved(fromIndex, toIndex);
  // The list fields take the new order first: a change of the special row rebuilds grid-built
  // columns from them.
  if (gridBuilt && listActive_ && from >= 0 && to >= 0 && from != to) {
    if (listFieldIndex_ == from) listFieldIndex_ = to;
    else if (from < listFieldIndex_ && to >= listFieldIndex_) --listFieldIndex_;
    else if (from > listFieldIndex_ && to <= listFieldIndex_) ++listFieldIndex_;
    std::string names;
    for (int i = 0; i < Columns()->Count(); ++i) {
      if (!names.empty()) names += ';';
      names += Columns()->Items(i)->FieldName();
    }
    listFieldName_ = names;
    UpdateListFields();
  }
  // The special row's texts move with their columns.
  if (from >= 0 && to >= 0 && from != to && specRow_->CellCount() > 0) {
    std::vector<std::string> cells;
    for (int i = 0; i < std::max(specRow_->CellCount(), std::max(from, to) + 1); ++i)
      cells.push_back(specRow_->GetCellText(i));
    std::string moved = cells[static_cast<size_t>(from)];
    cells.erase(cells.begin() + from);
    cells.insert(cells.begin() + to, moved);
    std::string text;
    for (size_t i = 0; i < cells.size(); ++i) {
      if (i) text += ';';
      const bool quote = cells[i].find(';') != std::string::npos || cells[i].find('"') != std::string::npos;
      text += quote ? AnsiQuotedStr(cells[i], '"') : cells[i];
    }
    specRow_->SetCellsText(text);
  }
  if (OnColumnMovedByUser) OnColumnMovedByUser(this);
}

// ---- painting

void TDBLookupGridGx::DrawCell(int col, int row, const TRect& rect, TGridDrawState state) {
  const bool specialRow = specRow_->Visible() && row >= TitleRowCount() && row < GetTitleOffset();
  if (!specialRow || col < IndicatorOffset()) {
    TCustomDBGridGx::DrawCell(col, row, rect, state);
    return;
  }
  TCanvas* c = Canvas();
  auto* column = dynamic_cast<TDBLookupGridColumnGx*>(ColumnAt(RawToDataColumn(col)));
  c->Font()->Assign(column ? column->SpecCell()->Font() : specRow_->Font());
  TColor background = column ? column->SpecCell()->Color() : specRow_->Color();
  if (specRow_->Selected()) {
    background = clHighlight;
    c->Font()->SetColor(clHighlightText);
  }
  c->Brush()->SetColor(background);
  c->FillRect(rect);
  const std::string text = column ? column->SpecCell()->Text() : std::string();
  const TAlignment align = column ? column->Alignment() : taLeftJustify;
  TRect r = rect;
  r.Left += 2;
  r.Right -= 2;
  const int w = c->TextWidth(text);
  int x = r.Left;
  if (align == taRightJustify) x = r.Right - w;
  else if (align == taCenter) x = r.Left + (r.Width() - w) / 2;
  c->TextRect(rect, x, rect.Top + 2, text);
  c->Font()->SetColor(clWindowText);
  c->Brush()->SetColor(clWindow);
  if (!specRow_->Selected()) return;
  // The focus frame goes round the whole row, scrolled-out columns and all. Each cell draws its
  // own part of it (with the line after it), so the frame is whole whichever cells are painted.
  const int line = DBOptions().Contains(dgColLines) ? GridLineWidth() : 0;
  TRect whole = rect;
  for (int i = IndicatorOffset(); i < col; ++i) whole.Left -= GetColWidths(i) + line;
  for (int i = col + 1; i < ColCount(); ++i) whole.Right += GetColWidths(i) + line;
  DrawClippedToCell(c->Handle(), TRect(rect.Left, rect.Top, rect.Right + line, rect.Bottom), false,
                    [&] { c->DrawFocusRect(whole); });
}

// ---- keys and search

bool TDBLookupGridGx::AtListStart() {
  TDataSet* ds = ListDataSet();
  if (!ds || !ds->Active()) return true;
  if (ds->Bof()) return true;
  return ds->IsSequenced() && ds->RecNo() <= 1;
}

void TDBLookupGridGx::MoveList(int distance, bool toFirst, bool toLast) {
  TDataSet* ds = ListDataSet();
  if (!ds || !ds->Active()) return;
  const bool special = specRow_->Visible();
  locking_ = true;
  struct Unlock {
    bool& f;
    ~Unlock() { f = false; }
  } unlock{locking_};
  if (toFirst) {
    ds->First();
  } else if (toLast) {
    ds->Last();
  } else if (distance < 0 && special && (specRow_->Selected() || AtListStart())) {
    ds->First();
    if (!VariantsEqual(keyValue_, specRow_->Value()) || !specRow_->Selected()) {
      SelectKeyValue(specRow_->Value());
      specRow_->SetSelected(true);
      displayText_ = specRow_->GetCellText(listFieldIndex_);
      Invalidate();
      UserRowChange();
    }
    return;
  } else if (distance > 0 && special && specRow_->Selected()) {
    ds->First();
    if (distance > 1) ds->MoveBy(distance - 1);
  } else {
    if (!MemTable() && !VariantsEqual(ListKey(), keyValue_) && !VarIsNullOrEmpty(keyValue_)) {
      // Back to the key's row first. Scrolled out of the buffer, the key's record is looked up
      // again and the list stays there.
      const int found = KeyRowInBuffer();
      if (found < 0) {
        locking_ = false;
        KeyValueChanged();
        return;
      }
      ds->MoveBy(found - DataLink()->ActiveRecord());
    }
    ds->MoveBy(distance);
  }
  // An empty list has no record to pick: the key stays (and the data field keeps its value).
  if (ds->IsEmpty()) return;
  const Variant key = ListKey();
  specRow_->SetSelected(false);
  if (!VariantsEqual(key, keyValue_)) {
    SelectKeyValue(key);
    UserRowChange();
  }
  if (displayField_ && !ds->IsEmpty()) displayText_ = displayField_->DisplayText();
  Invalidate();
}

void TDBLookupGridGx::UserRowChange() { DoUserRowChange(); }

void TDBLookupGridGx::KeyDown(uint16_t& key, TShiftState shift) {
  if (!CanModify() || shift.Contains(ssAlt)) {
    TCustomDBGridGx::KeyDown(key, shift);
    return;
  }
  // A shown horizontal bar: one with nothing to scroll is hidden (KeepsIdleScrollBar).
  const bool horzBar = HandleAllocated() && (GetWindowLong(WindowHandle(), GWL_STYLE) & WS_HSCROLL) != 0;
  switch (key) {
    case VK_UP: MoveList(-1, false, false); break;
    case VK_DOWN: MoveList(1, false, false); break;
    case VK_PRIOR: MoveList(1 - VisibleRowCount(), false, false); break;
    case VK_NEXT: MoveList(VisibleRowCount() - 1, false, false); break;
    case VK_HOME: MoveList(0, true, false); break;
    case VK_END: MoveList(0, false, true); break;
    case VK_LEFT:
    case VK_RIGHT:
      if (horzBar) {
        TCustomDBGridGx::KeyDown(key, shift);
        return;
      }
      MoveList(key == VK_LEFT ? -1 : 1, false, false);
      break;
    default: TCustomDBGridGx::KeyDown(key, shift); return;
  }
  key = 0;
}

void TDBLookupGridGx::KeyPress(TKeyChar& key) {
  if (CanModify() && displayField_) {
    char32_t ch = key;
    // A character beyond the basic plane comes in two messages: the second is taken here.
    MSG next{};
    if (key >= 0xD800 && key <= 0xDBFF && HandleAllocated() &&
        PeekMessage(&next, WindowHandle(), WM_CHAR, WM_CHAR, PM_REMOVE)) {
      const auto low = static_cast<char32_t>(next.wParam);
      if (low >= 0xDC00 && low <= 0xDFFF) ch = 0x10000 + ((ch - 0xD800) << 10) + (low - 0xDC00);
    }
    ProcessSearchKey(ch);
    key = 0;
    return;
  }
  TCustomDBGridGx::KeyPress(key);
}

void TDBLookupGridGx::ProcessSearchKey(char32_t key) {
  if (!displayField_ || displayField_->DataType() != ftString) return;
  if (displayField_->FieldKind() != fkData && displayField_->FieldKind() != fkInternalCalc) return;
  if (!CanModify()) return;
  if (key == 8 || key == 27) {
    searchText_.clear();
    return;
  }
  if (key < 32 || (key >= 0xD800 && key <= 0xDFFF)) return;
  const uint32_t now = GetTickCount();
  if (now - lastSearchTime > kSearchPause) searchText_.clear();
  lastSearchTime = now;
  if (Utf8CharCount(searchText_) >= kSearchLimit) return;
  std::string text = searchText_;
  Utf8Append(text, key);
  TDataSet* ds = ListDataSet();
  bool found = false;
  {
    locking_ = true;
    struct Unlock {
      bool& f;
      ~Unlock() { f = false; }
    } unlock{locking_};
    found = ds->Locate(displayField_->FieldName(), Variant(text), TLocateOptions{loCaseInsensitive, loPartialKey});
    if (found) {
      searchText_ = text;
      specRow_->SetSelected(false);
      const Variant k = ListKey();
      if (!VariantsEqual(k, keyValue_)) {
        SelectKeyValue(k);
        UserRowChange();
      }
      displayText_ = displayField_->DisplayText();
    }
  }
  if (found) Invalidate();
}

// ---- mouse

bool TDBLookupGridGx::DataAreaContains(const TPoint& p) {
  if (!ClientRect().Contains(p)) return false;
  const TGridCoord cell = MouseCoord(p.X, p.Y);
  if (cell.Y < 0 || cell.X < IndicatorOffset()) return false;
  if (specRow_->Visible() && cell.Y >= TitleRowCount() && cell.Y < GetTitleOffset()) return true;
  return cell.Y >= GetTitleOffset() && cell.Y < RowCount() && IsDataRowInBuffer(cell.Y);
}

int TDBLookupGridGx::RecordRowAt(int y) {
  y = std::clamp(y, 0, std::max(0, ClientHeight() - 1));
  TGridCoord cell = MouseCoord(std::max(0, std::min(ClientWidth() - 1, CellRect(IndicatorOffset(), 0).Left + 1)), y);
  if (cell.Y < 0) {
    // Below the last row: the last visible one.
    cell.Y = RowCount() - 1;
  }
  if (specRow_->Visible() && cell.Y >= TitleRowCount() && cell.Y < GetTitleOffset()) return -1;
  return std::clamp(cell.Y, GetTitleOffset(), RowCount() - 1);
}

void TDBLookupGridGx::SelectRow(int row) {
  TDataSet* ds = ListDataSet();
  if (!ds || !ds->Active()) return;
  if (row < 0) {
    if (!specRow_->Selected()) {
      {
        // Writing the data field may raise: the lock ends all the same.
        locking_ = true;
        struct Unlock {
          bool& f;
          ~Unlock() { f = false; }
        } unlock{locking_};
        SelectKeyValue(specRow_->Value());
      }
      specRow_->SetSelected(true);
      displayText_ = specRow_->GetCellText(listFieldIndex_);
      Invalidate();
      UserRowChange();
    }
    return;
  }
  if (!IsDataRowInBuffer(row) || ds->IsEmpty()) return;
  const int current = MemTable() ? MemTable()->GetCurrentRowIndex() : DataLink()->ActiveRecord();
  const int distance = (row - GetTitleOffset()) - current;
  locking_ = true;
  struct Unlock {
    bool& f;
    ~Unlock() { f = false; }
  } unlock{locking_};
  if (distance != 0) ds->MoveBy(distance);
  const Variant key = ListKey();
  const bool wasSpecial = specRow_->Selected();
  specRow_->SetSelected(false);
  if (!VariantsEqual(key, keyValue_) || wasSpecial) {
    SelectKeyValue(key);
    UserRowChange();
  }
  if (displayField_) displayText_ = displayField_->DisplayText();
  Invalidate();
}

void TDBLookupGridGx::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  const TPoint p(x, y);
  if (button != mbLeft || !DataAreaContains(p)) {
    TCustomDBGridGx::MouseDown(button, shift, x, y);
    return;
  }
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
  if (!InState(csDesigning) && !dynamic_cast<TPopupDataGridGx*>(this) && !Focused()) {
    if (CanFocus()) SetFocus();
    if (!Focused()) return;
  }
  if (!CanModify()) return;
  if (shift.Contains(ssDouble)) {
    const int row = RecordRowAt(y);
    if (row >= 0 && IsCurrentRecordRow(row)) DblClick();
    return;
  }
  tracking_ = true;
  SetMouseCapture(true);
  SelectRow(RecordRowAt(y));
}

void TDBLookupGridGx::MouseMove(TShiftState shift, int x, int y) {
  if (!tracking_) {
    TCustomDBGridGx::MouseMove(shift, x, y);
    return;
  }
  if (y >= 0 && y < ClientHeight()) {
    StopTimer();
    SelectRow(RecordRowAt(y));
    return;
  }
  // Outside: scroll a record per tick, faster the farther the pointer is.
  const int distance = y < 0 ? -y : y - ClientHeight() + 1;
  const int interval = std::max(0, 200 - 15 * distance);
  timerDirection_ = y < 0 ? kScrollUp : kScrollDown;
  if (HandleAllocated()) {
    SetTimer(WindowHandle(), kScrollTimer, static_cast<UINT>(interval), nullptr);
    timerOn_ = true;
  }
}

void TDBLookupGridGx::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (tracking_) {
    tracking_ = false;
    StopTimer();
    SetMouseCapture(false);
    if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
    return;
  }
  TCustomDBGridGx::MouseUp(button, shift, x, y);
}

void TDBLookupGridGx::StopTimer() {
  if (timerOn_ && HandleAllocated()) KillTimer(WindowHandle(), kScrollTimer);
  timerOn_ = false;
}

void TDBLookupGridGx::TimedScroll(int direction) {
  if (!tracking_) {
    TCustomDBGridGx::TimedScroll(direction);
    return;
  }
  if (direction & kScrollUp) MoveList(-1, false, false);
  else if (direction & kScrollDown) MoveList(1, false, false);
}

// A buffered list scrolls a line: the record beyond the visible rows comes in, the key stays.
bool TDBLookupGridGx::DoMouseWheelDown(TShiftState shift, const TPoint& mousePos) {
  if (MemTable() || !CanModify()) return TCustomDBGridGx::DoMouseWheelDown(shift, mousePos);
  ListScroll(SB_LINEDOWN, 0);
  return true;
}

bool TDBLookupGridGx::DoMouseWheelUp(TShiftState shift, const TPoint& mousePos) {
  if (MemTable() || !CanModify()) return TCustomDBGridGx::DoMouseWheelUp(shift, mousePos);
  ListScroll(SB_LINEUP, 0);
  return true;
}

void TDBLookupGridGx::WndProc(TMessage& message) {
  // A buffered list scrolls its own way; a memory table's rows scroll as the data grid's.
  if (message.Msg == WM_VSCROLL && !message.LParam && !MemTable() && ListDataSet() && DataLink()->Active()) {
    ListScroll(LOWORD(message.WParam), static_cast<short>(HIWORD(message.WParam)));
    return;
  }
  TCustomDBGridGx::WndProc(message);
  // A cell without a tip of its own still shows the list's hint.
  if (message.Msg == CM_HINTSHOW && message.Result != 0 && !Hint().empty()) {
    if (auto* info = reinterpret_cast<THintInfo*>(message.LParam)) {
      info->HintStr = GetShortHint(Hint());
      message.Result = 0;
    }
  }
}

void TDBLookupGridGx::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case WM_TIMER:
      if (timerOn_ && message.WParam == kScrollTimer) {
        TimedScroll(timerDirection_);
        return;
      }
      break;
    case WM_GETDLGCODE:
      message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
      return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      TCustomDBGridGx::Dispatch(message);
      Invalidate();
      return;
    case WM_CANCELMODE:
      tracking_ = false;
      StopTimer();
      break;
  }
  TCustomDBGridGx::Dispatch(message);
}

// ---- popup data grid ----------------------------------------------------------------------------------

TPopupDataGridGx::TPopupDataGridGx(TComponent* owner) : TDBLookupGridGx(owner) {
  SetControlStyle(ControlStyle() + csNoDesignVisible);
  sizeGrip_ = new TSizeGripGx(this);
  sizeGrip_->SetParent(this);
  sizeGrip_->SetGripStyle(true);
  sizeGrip_->OnParentResized = [this](TObject*) { sizeGripResized_ = true; };
  SetShowHint(true);
}

TPopupDataGridGx::~TPopupDataGridGx() = default;

void TPopupDataGridGx::CreateParams(TCreateParams& params) {
  TDBLookupGridGx::CreateParams(params);
  params.Style = (params.Style & ~(WS_CHILD | WS_BORDER)) | WS_POPUP | WS_CLIPCHILDREN;
  if (!Ctl3D()) params.Style |= WS_BORDER;
  params.ExStyle = (params.ExStyle & ~WS_EX_CLIENTEDGE) | WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
  params.WindowClass.style |= CS_SAVEBITS | CS_HREDRAW;
  params.WndParent = nullptr;
  auto* w = dynamic_cast<TWinControl*>(Owner());
  if (w && w->HandleAllocated()) params.WndParent = w->WindowHandle();
}

void TPopupDataGridGx::CreateWnd() {
  TDBLookupGridGx::CreateWnd();
  ::SetParent(WindowHandle(), nullptr);
}

void TPopupDataGridGx::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case WM_MOUSEACTIVATE:
      message.Result = MA_NOACTIVATE;
      return;
    case WM_ERASEBKGND:
      message.Result = 1;
      return;
    case WM_NCCALCSIZE:
      TDBLookupGridGx::Dispatch(message);
      if (Ctl3D()) {
        auto* r = reinterpret_cast<RECT*>(message.LParam);
        if (message.WParam) r = &reinterpret_cast<NCCALCSIZE_PARAMS*>(message.LParam)->rgrc[0];
        InflateRect(r, -1, -1);
      }
      return;
    case WM_NCPAINT:
      TDBLookupGridGx::Dispatch(message);
      if (Ctl3D()) {
        HDC dc = GetWindowDC(WindowHandle());
        RECT r{0, 0, Width(), Height()};
        DrawEdge(dc, &r, BDR_RAISEDOUTER, BF_RECT);
        ReleaseDC(WindowHandle(), dc);
      }
      return;
    case WM_GETMINMAXINFO: {
      TDBLookupGridGx::Dispatch(message);
      auto* info = reinterpret_cast<MINMAXINFO*>(message.LParam);
      info->ptMinTrackSize.x = GetSystemMetrics(SM_CXVSCROLL);
      info->ptMinTrackSize.y = GetSystemMetrics(SM_CYVSCROLL);
      return;
    }
    case WM_SIZE:
      TDBLookupGridGx::Dispatch(message);
      sizeGrip_->UpdatePosition();
      return;
    default:
      if (message.Msg == WM_SIZEGRIPCHANGEPOSITION) {
        sizeGrip_->SetPosition(static_cast<TSizeGripMoveGx>(message.WParam));
        return;
      }
      break;
  }
  TDBLookupGridGx::Dispatch(message);
}

void TPopupDataGridGx::DoUserRowChange() {
  if (OnUserRowChange) OnUserRowChange(this);
}

void TPopupDataGridGx::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  pressedInside_ = ClientRect().Contains(TPoint(x, y));
  // Off the rows (the titles, the room below the last record) a press does nothing: the data
  // grid's own handling would focus this window, which never takes the focus.
  if (pressedInside_ && !DataAreaContains(TPoint(x, y))) return;
  TDBLookupGridGx::MouseDown(button, shift, x, y);
}

void TPopupDataGridGx::MouseMove(TShiftState shift, int x, int y) {
  const bool button = shift.Contains(ssLeft) || shift.Contains(ssRight) || shift.Contains(ssMiddle);
  if (!button && !tracking_) {
    // Hot tracking: the record under the pointer.
    const TPoint p(x, y);
    if (p != lastHotPos_ && !LookupDataLink()->ReadOnly() && DataAreaContains(p)) {
      lastHotPos_ = p;
      SelectRow(RecordRowAt(y));
    }
    TCustomDBGridGx::MouseMove(shift, x, y);
    return;
  }
  TDBLookupGridGx::MouseMove(shift, x, y);
}

void TPopupDataGridGx::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  const bool pressed = pressedInside_;
  pressedInside_ = false;
  TDBLookupGridGx::MouseUp(button, shift, x, y);
  if (!pressed || button != mbLeft) return;
  const TPoint p(x, y);
  if (DataAreaContains(p)) {
    if (OnCloseUpRequest) OnCloseUpRequest(this, true);
    return;
  }
  const TPoint s = ClientToScreen(p);
  RECT wr{};
  GetWindowRect(WindowHandle(), &wr);
  const bool inWindow = s.X >= wr.left && s.X < wr.right && s.Y >= wr.top && s.Y < wr.bottom;
  if (!inWindow && OnCloseUpRequest) OnCloseUpRequest(this, false);
}

// ---- registration

FANO_PUBLISHED(TGridColumnSpecCellGx, p) {
  p.Property("Color", &TGridColumnSpecCellGx::Color, &TGridColumnSpecCellGx::SetColor)
      .Stored(&TGridColumnSpecCellGx::ColorAssigned);
  p.Property("Font", &TGridColumnSpecCellGx::Font, &TGridColumnSpecCellGx::SetFont)
      .Stored(&TGridColumnSpecCellGx::FontAssigned);
  p.Property("Text", &TGridColumnSpecCellGx::Text, &TGridColumnSpecCellGx::SetText)
      .Stored(&TGridColumnSpecCellGx::TextAssigned);
}

FANO_ENUM_NAMES(TDBLookupGridGxOption, "dlgColumnResizeGx", "dlgColLinesGx", "dlgRowLinesGx", "dlgAutoSortMarkingGx",
                "dlgMultiSortMarkingGx");

FANO_PUBLISHED(TDBLookupGridColumnGx, p) {
  p.Property("FieldName", &TColumnGx::FieldName, &TColumnGx::SetFieldName);
  p.Property("Alignment", &TColumnGx::Alignment, &TColumnGx::SetAlignment);
  p.Property("AutoFitColWidth", &TColumnGx::AutoFitColWidth, &TColumnGx::SetAutoFitColWidth).Default(true);
  p.Property("Checkboxes", &TColumnGx::Checkboxes, &TColumnGx::SetCheckboxes);
  p.Property("Color", &TColumnGx::Color, &TColumnGx::SetColor);
  p.Property("EndEllipsis", &TColumnGx::EndEllipsis, &TColumnGx::SetEndEllipsis);
  p.Property("Font", &TColumnGx::Font, &TColumnGx::SetFont);
  p.Property("ImageList", &TColumnGx::ImageList, &TColumnGx::SetImageList);
  p.Property("ImeMode", &TColumnGx::ImeMode, &TColumnGx::SetImeMode);
  p.Property("ImeName", &TColumnGx::ImeName, &TColumnGx::SetImeName);
  p.Property("KeyList", &TColumnGx::KeyList, &TColumnGx::SetKeyList);
  p.Property("MaxWidth", &TColumnGx::MaxWidth, &TColumnGx::SetMaxWidth).Default(0);
  p.Property("MinWidth", &TColumnGx::MinWidth, &TColumnGx::SetMinWidth).Default(0);
  p.Property("NotInKeyListIndex", &TColumnGx::NotInKeyListIndex, &TColumnGx::SetNotInKeyListIndex).Default(-1);
  p.Property("PickList", &TColumnGx::PickList, &TColumnGx::SetPickList);
  p.Property("PopupMenu", &TColumnGx::PopupMenu, &TColumnGx::SetPopupMenu);
  p.Property("ShowImageAndText", &TColumnGx::ShowImageAndText, &TColumnGx::SetShowImageAndText).Default(false);
  p.Property("SpecCell", &TDBLookupGridColumnGx::SpecCell, &TDBLookupGridColumnGx::SetSpecCell);
  p.Property("Title", &TColumnGx::Title, &TColumnGx::SetTitle);
  p.Property("ToolTips", &TColumnGx::ToolTips, &TColumnGx::SetToolTips);
  p.Property("Visible", &TColumnGx::Visible, &TColumnGx::SetVisible).Default(true);
  p.Property("Width", &TColumnGx::Width, &TColumnGx::SetWidth);
  p.Property("OnGetCellParams", &TColumnGx::OnGetCellParams);
}

FANO_PUBLISHED(TDBLookupGridColumnDefValuesGx, p) {
  p.Property("EndEllipsis", &TColumnDefValuesGx::EndEllipsis, &TColumnDefValuesGx::SetEndEllipsis).Default(false);
  p.Property("Title", &TColumnDefValuesGx::Title, &TColumnDefValuesGx::SetTitle);
  p.Property("ToolTips", &TColumnDefValuesGx::ToolTips, &TColumnDefValuesGx::SetToolTips).Default(false);
}

FANO_PUBLISHED(TDBLookupGridGx, p) {
  p.Property("AutoFitColWidths", &TDBLookupGridGx::AutoFitColWidths, &TDBLookupGridGx::SetAutoFitColWidths)
      .Default(false);
  p.Property("ColumnDefValues", &TDBLookupGridGx::ColumnDefValues, &TDBLookupGridGx::SetColumnDefValues);
  p.Property("DataField", &TDBLookupGridGx::DataField, &TDBLookupGridGx::SetDataField);
  p.Property("DataSource", &TDBLookupGridGx::DataSource, &TDBLookupGridGx::SetDataSource);
  p.Property("Flat", &TDBLookupGridGx::Flat, &TDBLookupGridGx::SetFlat).Default(true);
  p.Property("KeyField", &TDBLookupGridGx::KeyField, &TDBLookupGridGx::SetKeyField);
  p.Property("ListField", &TDBLookupGridGx::ListField, &TDBLookupGridGx::SetListField);
  p.Property("ListFieldIndex", &TDBLookupGridGx::ListFieldIndex, &TDBLookupGridGx::SetListFieldIndex).Default(0);
  p.Property("ListSource", &TDBLookupGridGx::ListSource, &TDBLookupGridGx::SetListSource);
  p.Property("Options", &TDBLookupGridGx::Options, &TDBLookupGridGx::SetOptions)
      .Default(static_cast<int64_t>(TDBLookupGridGxOptions{dlgColLinesGx}.Bits()));
  p.Property("RowCount", &TDBLookupGridGx::RowCountProp, &TDBLookupGridGx::SetRowCountProp)
      .Stored(&TDBLookupGridGx::RowCountStored);
  p.Property("ShowTitles", &TDBLookupGridGx::ShowTitles, &TDBLookupGridGx::SetShowTitles).Default(false);
  p.Property("SpecRow", &TDBLookupGridGx::SpecRow, &TDBLookupGridGx::SetSpecRow);
  p.Property("UseMultiTitle", &TDBLookupGridGx::UseMultiTitle, &TDBLookupGridGx::SetUseMultiTitle).Default(false);
  p.Property("OnCellClick", &TDBLookupGridGx::OnCellClick);
  p.Property("OnColumnMoved", &TDBLookupGridGx::OnColumnMoved);
  p.Property("OnGetCellParams", &TDBLookupGridGx::OnGetCellParams);
}

void RegisterLookupGridClasses() {
  RegisterClasses({TDBLookupGridGx::StaticClass(), TPopupDataGridGx::StaticClass(),
                   TDBLookupGridColumnGx::StaticClass()});
}
