// The data grid's construction and teardown, its published settings, layout brackets, the field
// map, edit permissions, automatic fitting of column widths and the row bookkeeping that a
// memory table drives.
#include <algorithm>

#include "editors/gxdraw.h"
#include "grid/dbgrid.h"
#include "grid/dbgrid_dropdowns.h"
#include "grid/dbgrid_filterrow.h"
#include "grid/dbgrid_inplace.h"
#include "grid/celltext.h"
#include "grid/inplaceedit.h"
#include "platform/rtl/sysutils.h"
#include "platform/classes/classreg.h"
#include "platform/classes/filer.h"
#include "platform/classes/published.h"
#include "platform/forms/dialogs.h"

FANO_IMPLEMENT_ABSTRACT(TCustomDBGridGx, TCustomGridGx)
FANO_IMPLEMENT_COMPONENT(TDBGridGx, TCustomDBGridGx)

// ---------------------------------------------------------------- construction

TCustomDBGridGx::TCustomDBGridGx(TComponent* owner) : TCustomGridGx(owner) {
  InitDBGridUnit();
  SetStyle(GetDefaultGridStyle());
  SetCenter(GetGridCenter());
  acquireFocus_ = true;
  writeDisplayWidths_ = true;
  SetDesignOptionsBoost(TGridOptions{goColSizing});
  DrawBitmapAddRef();
  SetScrollBars(ssHorizontal);
  // Row heights and widths follow the data and the columns: a form keeps neither.
  SetSaveCellExtents(false);
  SetFullRepaintOnResize(true);
  TCustomGridGx::SetOptions(
      TGridOptions{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goColSizing, goColMoving, goEditing, goTabs});
  columnDefValues_.reset(CreateColumnDefValues());
  columns_.reset(CreateColumns());
  SetRowCount(2);
  SetColCount(2);
  dataLink_ = std::make_unique<TGridDataLinkGx>(this);
  SetColor(clWindow);
  footerColor_ = clWindow;
  SetParentColor(false);
  titleFont_ = std::make_unique<TFont>();
  titleFont_->Assign(Font());
  titleFont_->OnChange = [this](TObject*) { TitleFontChanged(); };
  SetDefaultDrawing(true);
  bookmarks_ = std::make_unique<TBookmarkListGx>(this);
  HideEditor();
  headTree_ = std::make_unique<THeadTreeNode>("Root", 10, 0);
  sumList_ = std::make_unique<TDBGridGxSumList>(this);
  sumList_->OnChangedForGrid = [this] { InvalidateFooter(); };
  sumList_->RecalcAllHook = [this] {
    if (OnSumListRecalcAll) OnSumListRecalcAll(sumList_.get());
  };
  sumList_->AfterRecalcAllHook = [this] {
    if (OnSumListAfterRecalcAll) OnSumListAfterRecalcAll(sumList_.get());
  };
  horzScrollBar_ = std::make_unique<TDBGridGxScrollBar>(this, SB_HORZ);
  vertScrollBar_ = std::make_unique<TVertDBGridGxScrollBar>(this);
  optionsGx_ = kDefaultDBGridGxOptions;
  selection_ = std::make_unique<TDBGridGxSelection>(this);
  footerFont_ = std::make_unique<TFont>();
  footerFont_->Assign(Font());
  footerFont_->OnChange = [this](TObject*) { FooterFontChanged(); };
  textLineGap_ = 4;
  cellParams_ = std::make_unique<TColCellParamsGx>();
  indicatorTitle_ = std::make_unique<TDBGridGxIndicatorTitle>(this);
  scratchFont_ = std::make_unique<TFont>();
  titleImagesLink_ = std::make_unique<TChangeLink>();
  titleImagesLink_->OnChange = [this](TObject* sender) {
    if (sender == titleImages_) Invalidate();
  };
  CalcTitleHeight();
  CalcDataRowHeight();
  SetDefaultRowHeight(dataRowHeight_);
  SetColWidths(0, IndicatorWidth());
}

// The window goes first: a focus message sent while it is destroyed must still find the data
// link and the columns alive.
TCustomDBGridGx::~TCustomDBGridGx() {
  destroying_ = true;
  if (HandleAllocated()) DestroyHandle();
  SetDataSource(nullptr);
  indicatorTitle_.reset();
  if (memTable_) memTable_->UnregisterClient(this);
  memTable_ = nullptr;
  memTableDataSet_ = nullptr;
  // Not SetStyle(nullptr): that would join the default style on the way out.
  if (style_) style_->RemoveGrid(this);
  style_ = nullptr;
  SetCenter(nullptr);
  cellParams_.reset();
  bookmarks_->Clear();
  columns_.reset();
  columnDefValues_.reset();
  visibleColumns_.clear();
  sortMarked_.clear();
  dataLink_.reset();
  horzScrollBar_.reset();
  vertScrollBar_.reset();
  titleFont_.reset();
  DrawBitmapRelease();
  leaves_.clear();
  headTree_.reset();
  sumList_.reset();
  selection_.reset();
  bookmarks_.reset();
  footerFont_.reset();
  scratchFont_.reset();
  GridUnitGridGone();
}

TColumnDefValuesGx* TCustomDBGridGx::CreateColumnDefValues() { return new TDBGridGxColumnDefValuesGx(this); }

TDBGridColumnsGx* TCustomDBGridGx::CreateColumns() {
  return new TDBGridColumnsGx(this, TDBGridColumnGx::StaticClass());
}

void TCustomDBGridGx::ReplaceColumns(TColumnDefValuesGx* defValues, TDBGridColumnsGx* columns) {
  columns_.reset(columns);
  columnDefValues_.reset(defValues);
  visibleColumns_.clear();
}

TInplaceEdit* TCustomDBGridGx::CreateEditor() { return new TDBGridInplaceEdit(this); }

void TCustomDBGridGx::SetStyle(TDBGridGxStyle* value) {
  // No style is the unit's default one.
  if (!value) value = GetDefaultGridStyle();
  if (value == style_) return;
  if (style_) style_->RemoveGrid(this);
  style_ = value;
  if (style_) style_->AddGrid(this);
}

void TCustomDBGridGx::SetCenter(TDBGridGxCenter* value) {
  if (value == center_) return;
  if (center_) center_->UnRegisterGrid(this);
  center_ = value;
  if (center_) center_->RegisterGrid(this);
}

void TCustomDBGridGx::DetachStyle() {
  if (style_) style_->RemoveGrid(this);
  style_ = nullptr;
}

void TCustomDBGridGx::InvalidateRowCells(int row) {
  if (row < 0 || row >= FullRowCount()) return;
  InvalidateGridRect(TGridRect{0, row, FullColCount() - 1, row});
}

void TCustomDBGridGx::Notification(TComponent* component, TOperation operation) {
  TCustomGridGx::Notification(component, operation);
  if (operation != opRemove || destroying_) return;
  if (dataLink_ && component == DataSource()) SetDataSource(nullptr);
  if (horzScrollBar_ && component == horzScrollBar_->ExtScrollBar()) horzScrollBar_->ExtScrollBarFreed();
  if (vertScrollBar_ && component == vertScrollBar_->ExtScrollBar()) vertScrollBar_->ExtScrollBarFreed();
  if (component == titleImages_) {
    titleImages_ = nullptr;
    LayoutChanged();
  }
  if (columns_) {
    for (int i = 0; i < columns_->Count(); ++i) {
      TColumnGx* c = columns_->Items(i);
      if (c->PopupMenu() == component) c->SetPopupMenu(nullptr);
      if (c->ImageList() == component) c->SetImageList(nullptr);
      c->ListSourceFreed(component);
    }
    if (dataLink_)
      if (auto* field = dynamic_cast<TField*>(component)) FieldFreed(field);
  }
  if (indicatorTitle_ && indicatorTitle_->DropdownMenu() == component) indicatorTitle_->SetDropdownMenu(nullptr);
  if (memTableDataSet_ == component) {
    memTable_ = nullptr;
    memTableDataSet_ = nullptr;
    LayoutChanged();
  }
}

void TCustomDBGridGx::DefineProperties(TFiler& filer) {
  TCustomGridGx::DefineProperties(filer);
  // Columns are written only when the user or the form made them; in an inherited form only when
  // they are not the ancestor's.
  bool store = columns_->Customized();
  if (auto* ancestor = dynamic_cast<TCustomDBGridGx*>(filer.Ancestor()))
    store = ancestor->columns_->Customized() != columns_->Customized() ||
            !CollectionsEqual(columns_.get(), ancestor->columns_.get(), Owner(), ancestor->Owner());
  filer.DefineProperty(
      "Columns",
      [this](TReader& reader) {
        columns_->Clear();
        reader.ReadCollection(columns_.get());
      },
      [this](TWriter& writer) { writer.WriteCollection(columns_.get()); }, store);
}

void TCustomDBGridGx::Loaded() {
  TCustomGridGx::Loaded();
  LoadedColumnSizing();
  // An Active read from the resource was only stored: the sums start here.
  if (DataSource() && sumList_) {
    if (sumList_->DataSet() != DataSet()) sumList_->SetDataSet(DataSet());
    sumList_->Activate(true);
  }
  LayoutChanged();
  DeferLayout();
}

// ---------------------------------------------------------------- data source

void TCustomDBGridGx::SetDataSource(TDataSource* value) {
  if (value == dataLink_->DataSource()) return;
  bookmarks_->Clear();
  dataLink_->SetDataSource(value);
  if (value) value->FreeNotification(this);
  if (!destroying_) LinkActive(dataLink_->Active());
  if (sumList_) sumList_->SetDataSet(DataSet());
}

// ---------------------------------------------------------------- settings

void TCustomDBGridGx::SetAllowedSelections(TDBGridGxAllowedSelections value) {
  allowedSelections_ = value;
  const TDBGridGxSelectionType t = selection_->SelectionType();
  if (t != gstNon && !value.Contains(t)) selection_->Clear();
}

void TCustomDBGridGx::SetAutoFitColWidths(bool value) {
  if (value == autoFitColWidths_) return;
  autoFitColWidths_ = value;
  if (InState(csDesigning)) return;
  if (!value) {
    // Each column gets back the width it had before the fitting.
    columns_->BeginUpdate();
    try {
      for (int i = 0; i < columns_->Count(); ++i) columns_->Items(i)->SetWidth(columns_->Items(i)->AutoFitBaseWidth());
    } catch (...) {
      columns_->EndUpdate();
      throw;
    }
    columns_->EndUpdate();
    SetScrollBars(ssHorizontal);
  } else {
    if (!InState(csLoading))
      for (int i = 0; i < columns_->Count(); ++i) columns_->Items(i)->SetAutoFitBaseWidth(columns_->Items(i)->Width());
    // Every column is in view: nothing scrolls sideways.
    SetScrollBars(ssNone);
    if (LeftCol() != FixedCols() && FixedCols() < ColCount()) SetLeftCol(FixedCols());
  }
  LayoutChanged();
}

void TCustomDBGridGx::SetDrawGraphicData(bool value) {
  drawGraphicData_ = value;
  Invalidate();
}

void TCustomDBGridGx::SetDrawMemoText(bool value) {
  drawMemoText_ = value;
  Invalidate();
}

void TCustomDBGridGx::SetEvenRowColor(TColor value) {
  const bool changed = !evenRowColorSet_ || value != evenRowColor_;
  evenRowColorSet_ = true;
  evenRowColor_ = value;
  if (changed) Invalidate();
}

void TCustomDBGridGx::SetOddRowColor(TColor value) {
  const bool changed = !oddRowColorSet_ || value != oddRowColor_;
  oddRowColorSet_ = true;
  oddRowColor_ = value;
  if (changed) Invalidate();
}

void TCustomDBGridGx::SetFooterColor(TColor value) {
  if (!InState(csLoading)) SetParentColor(false);
  footerColor_ = value;
  if (footerRowCount_ > 0) InvalidateFooter();
}

void TCustomDBGridGx::SetFooterRowCount(int value) {
  if (value < 0 || value == footerRowCount_) return;
  footerRowCount_ = value;
  RegisterMemTable();
  LayoutChanged();
}

void TCustomDBGridGx::SetDataFrozenCols(int value) {
  if (value < 0 || value == frozenCols_) return;
  frozenCols_ = value;
  LayoutChanged();
}

void TCustomDBGridGx::SetMinAutoFitWidth(int value) {
  minAutoFitWidth_ = value;
  LayoutChanged();
}

void TCustomDBGridGx::SetRowHeight(int value) {
  rowHeight_ = std::max(0, value);
  LayoutChanged();
  RecalcAllRowHeights();
}

void TCustomDBGridGx::SetRowLines(int value) {
  rowLines_ = std::max(0, value);
  LayoutChanged();
  RecalcAllRowHeights();
}

void TCustomDBGridGx::SetTitleHeight(int value) {
  titleHeight_ = value;
  LayoutChanged();
}

void TCustomDBGridGx::SetTitleLines(int value) {
  titleLines_ = value;
  LayoutChanged();
}

void TCustomDBGridGx::SetVTitleMargin(int value) {
  vTitleMargin_ = value;
  LayoutChanged();
}

void TCustomDBGridGx::SetUseMultiTitle(bool value) {
  useMultiTitle_ = value;
  LayoutChanged();
}

void TCustomDBGridGx::SetRowSizingAllowed(bool value) {
  rowSizingAllowed_ = value;
  TGridOptions o = Options();
  if (value) o.Include(goRowSizing);
  else o.Exclude(goRowSizing);
  TCustomGridGx::SetOptions(o);
}

void TCustomDBGridGx::SetReadOnly(bool value) {
  if (value == readOnly_) return;
  readOnly_ = value;
  Invalidate();
  if (!InState(csLoading) && !InState(csDesigning)) InvalidateEditor();
}

void TCustomDBGridGx::SetTitleImages(TCustomImageList* value) {
  if (titleImages_) titleImages_->UnRegisterChanges(titleImagesLink_.get());
  titleImages_ = value;
  if (value) value->RegisterChanges(titleImagesLink_.get());
  if (value) value->FreeNotification(this);
  LayoutChanged();
}

void TCustomDBGridGx::SetContraColCountProp(int value) {
  if (value < 0) RaiseGridError("FContraColCount can not be negative.");
  if (value == contraColsWanted_) return;
  contraColsWanted_ = value;
  LayoutChanged();
}

void TCustomDBGridGx::SetFixedColorProp(TColor value) {
  if (value == FixedColor()) return;
  SetFixedColor(value);
}

void TCustomDBGridGx::TitleFontChanged() {
  // A title font of its own no longer follows the parent's.
  if (!parentFontChanging_ && !InState(csLoading) && !destroying_) SetParentFont(false);
  if (!columns_) return;
  for (int i = 0; i < columns_->Count(); ++i) columns_->Items(i)->Title()->Font();
  LayoutChanged();
}

void TCustomDBGridGx::FooterFontChanged() {
  if (footerRowCount_ > 0) LayoutChanged();
}

// ---------------------------------------------------------------- layout brackets

void TCustomDBGridGx::EndUpdateGx() {
  if (dbUpdateCount_ > 0) --dbUpdateCount_;
  FlushSelectionChanged();
  if (dbUpdateCount_ == 0 && deferredSize_) DeferredSize();
}

void TCustomDBGridGx::BeginLayout() {
  BeginUpdateGx();
  if (layoutLock_ == 0 && columns_) columns_->BeginUpdate();
  ++layoutLock_;
}

void TCustomDBGridGx::EndLayout() {
  if (layoutLock_ <= 0) return;
  if (layoutLock_ == 1) {
    try {
      if (!destroying_ && !InState(csLoading)) InternalLayout();
    } catch (...) {
      if (columns_) columns_->EndUpdate();
      --layoutLock_;
      EndUpdateGx();
      throw;
    }
    if (columns_) columns_->EndUpdate();
  }
  --layoutLock_;
  EndUpdateGx();
}

void TCustomDBGridGx::EndLayoutNoRelayout() {
  if (layoutLock_ <= 0) return;
  if (layoutLock_ == 1 && columns_) columns_->EndUpdate();
  --layoutLock_;
  EndUpdateGx();
}

bool TCustomDBGridGx::AcquireLayoutLock() {
  if (dbUpdateCount_ == 0 && layoutLock_ == 0) {
    BeginLayout();
    return true;
  }
  return false;
}

// ---------------------------------------------------------------- the layout pass

void TCustomDBGridGx::LayoutChanged() {
  if (destroying_ || !columns_) return;
  if (AcquireLayoutLock()) EndLayout();
  // Held by an update alone, no pass is coming: the queue runs it once the update is over.
  else if (layoutLock_ == 0) DeferLayout();
}

void TCustomDBGridGx::ColumnChanged(TColumnGx* column) {
  (void)column;
  if (layoutLock_ > 0 || destroying_) return;
  LayoutChanged();
}

void TCustomDBGridGx::GetDefaultColumnFields(std::vector<TField*>& fields) {
  TDataSet* ds = DataSet();
  for (int i = 0; i < ds->FieldCount(); ++i) {
    TField* f = ds->Fields().Fields(i);
    if (!FieldGoing(f) && f->Visible()) fields.push_back(f);
  }
}

// Columns of fields that stay keep what was set on them (width, tag); only the missing are made.
void TCustomDBGridGx::BuildDefaultColumns() {
  if (!DataSet()) {
    columns_->Clear();
    return;
  }
  std::vector<TField*> fields;
  if (dataLink_->Active()) GetDefaultColumnFields(fields);
  for (int i = columns_->Count() - 1; i >= 0; --i) {
    TField* f = columns_->Items(i)->Field();
    // Without fields the first empty column stays the one empty column.
    const bool keep = f ? std::find(fields.begin(), fields.end(), f) != fields.end() : fields.empty() && i == 0;
    if (!keep) columns_->Delete(i);
  }
  for (size_t i = 0; i < fields.size(); ++i) {
    TColumnGx* c = nullptr;
    for (int j = static_cast<int>(i); j < columns_->Count() && !c; ++j)
      if (columns_->Items(j)->Field() == fields[i]) c = columns_->Items(j);
    if (!c) {
      c = columns_->AddGridBuilt();
      c->SetField(fields[i]);
    }
    if (c->Index() != static_cast<int>(i)) c->SetIndex(static_cast<int>(i));
  }
  if (fields.empty() && columns_->Count() == 0) columns_->AddGridBuilt();
}

void TCustomDBGridGx::DefineFieldMap() {
  dataLink_->ClearMapping();
  if (!columns_->Customized()) {
    dataLink_->SetSparseMap(false);
    TDataSet* ds = DataSet();
    if (!ds) return;
    for (int i = 0; i < ds->FieldCount(); ++i) {
      TField* f = ds->Fields().Fields(i);
      if (!FieldGoing(f) && f->Visible()) dataLink_->AddMapping(f->FieldName());
    }
  } else {
    dataLink_->SetSparseMap(true);
    for (int i = 0; i < columns_->Count(); ++i) dataLink_->AddMapping(columns_->Items(i)->FieldName());
  }
}

void TCustomDBGridGx::RebuildVisibleColumns() {
  visibleColumns_.clear();
  for (int i = 0; i < columns_->Count(); ++i)
    if (columns_->Items(i)->Visible()) visibleColumns_.push_back(columns_->Items(i));
  selection_->Columns()->Refresh();
}

// A plain pass: columns, field map, the base grid's columns and widths, titles and rows. The full
// recalculation (footers, frozen parts, the filter row) comes with the layout code.
void TCustomDBGridGx::InternalLayout() {
  if (inLayout_) return;
  inLayout_ = true;
  struct Reset {
    bool& f;
    ~Reset() { f = false; }
  } reset{inLayout_};
  // This pass is the one a queued request asks for.
  if (HandleAllocated()) {
    MSG queued{};
    while (PeekMessage(&queued, WindowHandle(), kDeferredLayoutMessage, kDeferredLayoutMessage, PM_REMOVE)) {
    }
  }
  // A selected row is not a place: the columns scrolled to stay where the user left them.
  const int keptLeft = dbOptions_.Contains(dgRowSelect) ? LeftCol() : -1;
  DropGridBuiltBeforeStored();
  // The field map before the default columns: a column put in its place moves its field to the
  // mapped field's place, which must be that of the fields shown now.
  dataLink_->ClearMapping();
  if (dataLink_->Active()) DefineFieldMap();
  if (!columns_->Customized()) {
    BuildDefaultColumns();
  } else if (DataSet()) {
    // Found again by name: after a change of data set the old fields are another table's.
    for (int i = 0; i < columns_->Count(); ++i) columns_->Items(i)->ClearFieldBinding();
  }
  RebuildVisibleColumns();
  const int ind = IndicatorOffset();
  const int count = std::max(1, columns_->Count());
  const int contra = LayoutContraCols(count);
  const int wanted = ind + count - contra;
  if (FixedCols() >= wanted) SetFixedCols(0);
  SetColCount(wanted);
  if (ContraColCount() != contra) SetContraColCount(contra);
  ApplyFrozenColumns();
  CalcTitleHeight();
  CalcDataRowHeight();
  multiLineRows_ = dataRowHeight_ > DefaultTextRowHeight();
  AutoFitColumnWidths();
  if (useMultiTitle_) {
    // The tree needs the fitted widths; its measured height then makes the title row.
    BuildTitleTree();
    CalcTitleHeight();
  }
  SetColumnAttributes();
  UpdateRowCount();
  UpdateActive();
  UpdateVertScrollBar();
  UpdateHorzScrollBar();
  UpdateGridLineColors();
  // The current column is never a hidden one while there are visible ones.
  TColumnGx* current = SelectedColumn();
  if ((Col() < ind || (current && !current->Visible())) && !visibleColumns_.empty() && ColCount() > ind)
    MoveColRow(ind + visibleColumns_.front()->Index(), Row(), true, false);
  if (keptLeft >= FixedCols() && keptLeft != LeftCol()) {
    TGridDrawInfo info;
    CalcDrawInfo(info);
    const int left = std::min(keptLeft, CalcMaxTopLeft(TGridCoord{ColCount() - 1, TopRow()}, info).X);
    if (left >= FixedCols() && left != LeftCol()) SetLeftCol(left);
  }
  // The filter editor goes to its cell again, or stops when its column went out of sight.
  FilterColumnMoved(nullptr);
  Invalidate();
}

void TCustomDBGridGx::LinkActive(bool value) {
  if (destroying_) return;
  ForgetGoneField();
  // The filter lists' values belong to the data set that was linked.
  for (int i = 0; i < columns_->Count(); ++i) {
    columns_->Items(i)->ForgetFilterValueList();
    columns_->Items(i)->InvalidateLookupCache();  // keys of another data set
  }
  selection_->LinkActive(value);
  // After the selection is cleared, which shows an always-shown editor again.
  if (!value) HideEditor();
  if (sumList_ && sumList_->DataSet() != DataSet()) sumList_->SetDataSet(DataSet());
  RegisterMemTable();
  LayoutChanged();
  if (value) RecalcAllRowHeights();
  // The editor hidden when the data went comes back with it.
  if (value && dbOptions_.Contains(dgAlwaysShowEditor)) ShowEditor();
}

void TCustomDBGridGx::RefreshLayout() {
  editPending_ = false;  // the record's values are the dataset's again
  writtenColumn_ = nullptr;
  if (sumList_ && sumList_->Stale()) DeferSums();
  if (!HandleAllocated() || inRefreshLayout_ || destroying_) {
    if (!HandleAllocated() && !inRefreshLayout_ && !destroying_) UpdateRowCount();
    return;
  }
  inRefreshLayout_ = true;
  struct Reset {
    bool& f;
    ~Reset() { f = false; }
  } reset{inRefreshLayout_};
  const int oldTitle = titleRowHeight_;
  CalcTitleHeight();
  if (oldTitle != titleRowHeight_) LayoutChanged();
  else UpdateRowCount();
  UpdateVertScrollBar();
  UpdateHorzScrollBar();
  InvalidateEditor();
  Invalidate();
}

void TCustomDBGridGx::TimedScroll(int direction) {
  if (dataLink_->Active()) {
    TDataSet* ds = DataSet();
    if (direction & kScrollUp) ds->MoveBy(-dataLink_->ActiveRecord() - 1);
    if (direction & kScrollDown) ds->MoveBy(dataLink_->RecordCount() - dataLink_->ActiveRecord());
  }
  if (const int sideways = direction & (kScrollLeft | kScrollRight)) TCustomGridGx::TimedScroll(sideways);
}

void TCustomDBGridGx::Scroll(int distance) {
  (void)distance;
  if (!HandleAllocated() || destroying_) return;
  if (!memTable_) UpdateRowCount();
  UpdateVertScrollBar();
  UpdateActive();
  Invalidate();
}

namespace {
// Whether a change of the field is a change of what the column shows: its own field, or a key
// field behind its lookup.
bool ColumnShowsField(TColumnGx* c, TField* field) {
  TField* own = c ? c->Field() : nullptr;
  if (!own) return false;
  if (own == field) return true;
  if (own->FieldKind() != fkLookup || own->KeyFields().empty() || !own->DataSet()) return false;
  for (TField* key : own->DataSet()->GetFieldList(own->KeyFields()))
    if (key == field) return true;
  return false;
}
}  // namespace

void TCustomDBGridGx::RecordChanged(TField* field) {
  // The cell's own value changed (or the whole record): that value stands, and what was handed
  // back for the cell is dropped. Another field changing leaves it waiting to be written.
  if (!field || ColumnShowsField(editColumn_, field)) editPending_ = false;
  if (!field || ColumnShowsField(editorColumn_, field) || ColumnShowsField(SelectedColumn(), field))
    editValueSet_ = false;
  if (!HandleAllocated() || destroying_) return;
  if (!field) {
    Invalidate();
  } else {
    for (int i = 0; i < columns_->Count(); ++i)
      if (columns_->Items(i)->Field() == field) InvalidateCell(DataToRawColumn(i), Row());
  }
  // The field changed under the editor (by code, or the record reset): the editor shows it again.
  TInplaceEdit* editor = InplaceEditor();
  if (!editor || !EditorMode() || (field && field != SelectedField())) return;
  if (GetEditText(Col(), Row()) == editor->Text()) return;
  InvalidateEditor();
  editor->SelectAll();
}

bool TCustomDBGridGx::EditWaitsPast(TField* field) {
  if (!field) return false;
  if (editPending_) return true;
  return IsEditorVisible() && InplaceEditor()->Modified() && !ColumnShowsField(editorColumn_, field);
}

// Writes the editor's text to the field of the current column.
void TCustomDBGridGx::UpdateData() {
  const bool fromEditor = IsEditorVisible() && InplaceEditor()->Modified();
  TColumnGx* c = fromEditor ? editorColumn_ : editPending_ ? editColumn_ : ColumnAt(RawToDataColumn(Col()));
  const std::string text = fromEditor ? InplaceEditor()->Text() : editText_;
  if (!c || (!fromEditor && !editPending_)) return;
  // The record may have been posted meanwhile (a column-exit handler that posts): edit it again.
  if (!dataLink_->Editing()) dataLink_->Edit();
  // A value found for the text stands; a text that nothing matched goes the text's way, so the
  // column is asked about it. The special row's text stands for its value, Null or not.
  TSpecRowGx* spec = c->DropDownSpecRow();
  const bool specText = c->GetColumnType() == ckLookup && spec && spec->Visible() && text == spec->GetCellText(0);
  const bool unmatched = VarIsNullOrEmpty(editValue_) && !text.empty() && !specText;
  if (editValueSet_ && text == editValueText_ && !unmatched) {
    c->UpdateDataValues(text, editValue_, false);
    if (c->GetColumnType() == ckLookup) c->SetLookupCache(editValue_, text);
  } else {
    WriteColumnText(c, text);
  }
  editPending_ = false;
  editValueSet_ = false;
  writtenText_ = text;
  writtenColumn_ = c;
}

namespace {
// Asks the column about a text in none of its lists; true when the handler wants another look.
// The handler may move the data set to another record (or end a new one): `left` tells, and the
// text is then no one's to write.
bool AskNotInList(TColumnGx* c, const std::string& text, TDataSet* ds, bool& left) {
  left = false;
  if (!c->OnNotInList) return false;
  const bool inserting = ds && ds->State() == dsInsert;
  // A bookmark is a place in the view: a record deleted in front of it shows in the count.
  const TBookmarkStr before = ds && !inserting && !ds->IsEmpty() ? ds->Bookmark() : TBookmarkStr();
  const int count = ds ? ds->RecordCount() : 0;
  bool recheck = false;
  c->OnNotInList(c, text, recheck);
  if (ds) {
    if (inserting) left = ds->State() != dsInsert;
    else left = ds->State() == dsInsert || ds->IsEmpty() || ds->RecordCount() != count || ds->Bookmark() != before;
  }
  return recheck;
}
}  // namespace

// A cell's text goes back by the column's kind: a key list stores the key of the picked text, a
// lookup the key of the record showing it; an unmatched text stores nothing. A pick list is asked
// about any text it lacks, an empty one too; key lists and lookups only about a text.
void TCustomDBGridGx::WriteColumnText(TColumnGx* c, const std::string& text) {
  TField* f = c->Field();
  TDataSet* ds = DataSet();
  bool left = false;
  switch (f ? c->GetColumnType() : ckText) {
    case ckKeyList: {
      auto keyOf = [&]() -> Variant {
        const int i = c->PickList()->IndexOf(text);
        if (i < 0 || i >= c->KeyList()->Count() || text.empty()) return Null();
        return Variant(c->KeyList()->Strings(i));
      };
      Variant key = keyOf();
      if (key.IsNull() && !text.empty() && AskNotInList(c, text, ds, left)) key = keyOf();
      if (left) return;
      c->UpdateDataValues(text, key, false);
      break;
    }
    case ckPickList:
      if (c->PickList()->IndexOf(text) < 0) AskNotInList(c, text, ds, left);
      if (left) return;
      c->UpdateDataValues(text, Null(), true);
      break;
    case ckLookup: {
      TDataSet* ld = c->GetLookupDataSet();
      auto keyOf = [&]() -> Variant {
        if (text.empty() || !ld || !ld->Active()) return Null();
        return ld->Lookup(f->LookupResultField(), Variant(text), f->LookupKeyFields());
      };
      Variant key = keyOf();
      if (VarIsNullOrEmpty(key) && !text.empty() && AskNotInList(c, text, ds, left)) key = keyOf();
      if (left) return;
      if (VarIsNullOrEmpty(key)) key = Null();
      if (c->CanModify(false)) {
        if (!dataLink_->Editing()) dataLink_->Edit();
        c->UpdateDataValues(text, key, false);
        c->SetLookupCache(key, text);
      }
      break;
    }
    default:
      c->UpdateDataValues(text, Null(), true);
      break;
  }
}

void TCustomDBGridGx::UpdateActive() {
  // A record moved by anything but the search itself ends the search.
  if (inplaceSearching_ && !searchLocating_) StopInplaceSearch();
  if (!dataLink_->Active() || !HandleAllocated()) return;
  MoveCurrentToRecord();
  // An editor loaded before there was a record (always shown before the data came) shows the
  // field's text; one the user is typing in keeps it.
  TInplaceEdit* editor = InplaceEditor();
  if (editor && IsEditorVisible() && !editor->Modified() && GetEditText(Col(), Row()) != editor->Text())
    InvalidateEditor();
}

// ---------------------------------------------------------------- columns

TColumnGx* TCustomDBGridGx::ColumnAt(int dataCol) const {
  if (!columns_ || dataCol < 0 || dataCol >= columns_->Count()) return nullptr;
  return columns_->Items(dataCol);
}

TColumnGx* TCustomDBGridGx::SelectedColumn() const { return ColumnAt(RawToDataColumn(Col())); }

TField* TCustomDBGridGx::SelectedField() const {
  TColumnGx* c = SelectedColumn();
  return c ? c->Field() : nullptr;
}

void TCustomDBGridGx::SetSelectedField(TField* field) {
  if (!field || !columns_) return;
  for (int i = 0; i < columns_->Count(); ++i)
    if (columns_->Items(i)->Field() == field) {
      MoveCol(DataToRawColumn(i), 0, false);
      return;
    }
}

void TCustomDBGridGx::SetSelectedIndex(int dataCol) {
  if (!columns_ || dataCol < 0 || dataCol >= columns_->Count()) return;
  MoveCol(DataToRawColumn(dataCol), 0, false);
}

void TCustomDBGridGx::InvalidateEditor() {
  // The editor is loaded again for its cell; an open list of it stays open meanwhile.
  auto* ed = dynamic_cast<TDBGridInplaceEdit*>(InplaceEditor());
  const bool lock = ed && ed->ListVisible();
  const bool wasLocked = lock && ed->CloseUpLocked();
  if (lock) ed->SetCloseUpLocked(true);
  try {
    TCustomGridGx::InvalidateEditor();
  } catch (...) {
    if (lock) ed->SetCloseUpLocked(wasLocked);
    throw;
  }
  if (lock) ed->SetCloseUpLocked(wasLocked);
  // The data or the columns changed under a filter cell being typed in: the user goes on typing.
  if (filterEditMode_ && filterEditor_) ShowFilterEditor(true, true);
}

void TCustomDBGridGx::ColumnsChangedUnderEditor() {
  TInplaceEdit* ed = InplaceEditor();
  if (ed && editorColumn_ && editorColumn_ == SelectedColumn()) {
    // Still its column: what is typed stays, the editor follows the cell.
    if (IsEditorVisible()) ed->Move(CellRect(Col(), Row()));
    if (filterEditMode_ && filterEditor_) ShowFilterEditor(true, true);
  } else if (ed || (filterEditMode_ && filterEditor_)) {
    InvalidateEditor();
  }
}

void TCustomDBGridGx::RebuildSortedColumns() {
  sortMarked_.clear();
  if (!columns_) return;
  for (int i = 0; i < columns_->Count(); ++i) {
    TColumnGx* c = columns_->Items(i);
    const int index = c->Title()->SortIndex();
    if (index <= 0) continue;
    if (static_cast<int>(sortMarked_.size()) < index) sortMarked_.resize(static_cast<size_t>(index), nullptr);
    sortMarked_[static_cast<size_t>(index - 1)] = c;
  }
}

void TCustomDBGridGx::SetCol(int col) {
  if (col >= IndicatorOffset() && col < ColCount()) MoveColRow(col, Row(), true, true);
  else TCustomGridGx::SetCol(col);
}

void TCustomDBGridGx::ColumnMoved(int fromIndex, int toIndex) {
  const int from = RawToDataColumn(fromIndex), to = RawToDataColumn(toIndex);
  TColumnGx* moving = ColumnAt(from);
  TColumnGx* target = ColumnAt(to);
  TColumnGx* filtered = filterCol_ >= 0 ? ColumnAt(filterCol_) : nullptr;
  if (moving && target) {
    // The base grid has moved its own column already; the collection follows.
    BeginLayout();
    moving->SetIndex(to);
    EndLayoutNoRelayout();
    RebuildVisibleColumns();
  }
  if (OnColumnMoved) OnColumnMoved(this, from, to);
  FilterColumnMoved(filtered);
}

void TCustomDBGridGx::ColWidthsChanged() {
  // A width clamped below is part of the change being handled: it is told once, by that one.
  if (!columns_ || inLayout_ || destroying_ || inColWidthsChanged_) {
    TCustomGridGx::ColWidthsChanged();
    return;
  }
  const int ind = IndicatorOffset();
  struct Reset {
    bool& f;
    ~Reset() { f = false; }
  } reset{inColWidthsChanged_};
  inColWidthsChanged_ = true;
  if ((dataLink_->Active() || columns_->Customized()) && AcquireLayoutLock()) {
    for (size_t i = 0; i < visibleColumns_.size(); ++i) {
      TColumnGx* c = visibleColumns_[i];
      const int raw = ind + c->Index();
      if (raw >= FullColCount()) break;
      int w = GetColWidths(raw);
      if (c->MinWidth() > 0 && w < c->MinWidth()) w = c->MinWidth();
      if (c->MaxWidth() > 0 && w > c->MaxWidth()) w = c->MaxWidth();
      if (w != GetColWidths(raw)) SetColWidths(raw, w);
    }
    for (size_t i = 0; i < visibleColumns_.size(); ++i) {
      TColumnGx* c = visibleColumns_[i];
      const int raw = ind + c->Index();
      if (raw >= FullColCount()) break;
      const int g = GetColWidths(raw);
      if (g == c->Width()) continue;
      if (autoFitColWidths_ && !InState(csDesigning)) {
        if (!c->AutoFitColWidth()) {
          c->SetWidth(g);
          continue;
        }
        const int b = c->AutoFitBaseWidth();
        const int w = std::max(1, c->Width());
        const int b2 = MulDiv(b, g, w);
        c->SetAutoFitBaseWidth(b2);
        if (!optionsGx_.Contains(dghResizeWholeRightPart)) {
          if (i + 1 < visibleColumns_.size()) {
            TColumnGx* n = visibleColumns_[i + 1];
            n->SetAutoFitBaseWidth(std::max(0, n->AutoFitBaseWidth() + b - b2));
          }
        } else {
          const int d = g - c->Width();
          int s = 0;
          for (size_t j = i + 1; j < visibleColumns_.size(); ++j)
            if (visibleColumns_[j]->AutoFitColWidth()) s += visibleColumns_[j]->Width();
          if (s > 0)
            for (size_t j = i + 1; j < visibleColumns_.size(); ++j) {
              TColumnGx* n = visibleColumns_[j];
              if (!n->AutoFitColWidth()) continue;
              n->SetAutoFitBaseWidth(
                  std::max(1, MulDiv(s - d, n->AutoFitBaseWidth(), s)));
            }
        }
      } else {
        c->SetWidth(g);
      }
    }
    EndLayout();
  } else {
    TCustomGridGx::ColWidthsChanged();
  }
  InvalidateEditor();
  if (dataLink_->Active() && memTable_) RecalcAllRowHeights();
  else rowHeightsPending_ = true;
  if (OnColWidthsChanged) OnColWidthsChanged(this);
  FilterColumnMoved(nullptr);
  UpdateHorzScrollBar();
}

// ---------------------------------------------------------------- edit permissions

bool TCustomDBGridGx::AllowedOperationsPermitEdit() const {
  if (!dataLink_->Active()) return false;
  TDataSet* ds = DataSet();
  const bool insert = ds && ds->State() == dsInsert;
  if (!allowedOperations_.Contains(alopUpdateGx) && !insert) return false;
  return !ds->IsEmpty() || allowedOperations_.Contains(alopInsertGx) || allowedOperations_.Contains(alopAppendGx);
}

bool TCustomDBGridGx::CanEditShow() {
  if (layoutLock_ > 0) return false;
  TColumnGx* c = SelectedColumn();
  bool result = TCustomGridGx::CanEditShow() && c && c->GetColumnType() != ckImageList &&
                c->GetColumnType() != ckCheckbox &&
                (selection_->SelectionType() == gstNon ||
                 !(optionsGx_.Contains(dghClearSelection) && allowedSelections_.Contains(gstRectangle))) &&
                !InplaceSearching();
  if (!result && InplaceEditor()) HideEditor();
  return result;
}

bool TCustomDBGridGx::IsEditorVisible() const { return InplaceEditor() && InplaceEditor()->GetVisible(); }

bool TCustomDBGridGx::CanEditAcceptKey(char16_t key) {
  TColumnGx* c = SelectedColumn();
  TField* f = c ? c->Field() : nullptr;
  if (dataLink_->Active() && f) {
    if (IsEditorVisible() && InplaceEditor()->ReadOnly()) return false;
    // The cell's text becomes the field's: what the field cannot hold is not typed at all.
    if (c->HasKeyList()) return true;
    return f->IsValidChar(key);
  }
  if (IsEditorVisible()) return !InplaceEditor()->ReadOnly();
  return false;
}

bool TCustomDBGridGx::CanEditModify() {
  TColumnGx* c = SelectedColumn();
  if (!c || c->GetColumnType() == ckCheckbox || InplaceSearching()) return false;
  if (IsEditorVisible() && InplaceEditor()->ReadOnly()) return false;
  if (readOnly_ || !dataLink_->Active() || dataLink_->ReadOnly() || c->ReadOnly()) return false;
  TField* f = c->Field();
  if (!f) return false;
  if (f->FieldKind() == fkLookup) {
    if (f->KeyFields().empty()) return false;
    std::vector<TField*> keys;
    f->DataSet()->GetFieldList(keys, f->KeyFields());
    if (!AllItemsSatisfy(keys)) return false;
  } else if (!f->CanModify()) {
    return false;
  }
  if (f->IsBlob() && !f->OnSetText() && !(drawMemoText_ && (f->DataType() == ftMemo || f->DataType() == ftWideMemo)))
    return false;
  if (!c->CanModify(false)) return false;
  dataLink_->Edit();
  const bool editing = dataLink_->Editing();
  if (editing) dataLink_->Modified();
  return editing;
}

bool TCustomDBGridGx::CanEditModifyColumn(int dataCol) {
  TColumnGx* c = ColumnAt(dataCol);
  return c && c->CanModify(false) && dbOptions_.Contains(dgEditing);
}

bool TCustomDBGridGx::CanSelectType(TDBGridGxSelectionType kind) const {
  if (kind == gstNon) return true;
  if (!dbOptions_.Contains(dgMultiSelect) || !allowedSelections_.Contains(kind)) return false;
  if ((kind == gstRectangle || kind == gstColumns) && dbOptions_.Contains(dgRowSelect)) return false;
  return true;
}

std::string TCustomDBGridGx::GetEditText(int col, int row) {
  (void)row;
  TColumnGx* c = ColumnAt(RawToDataColumn(col));
  if (!c || !c->Field()) return {};
  if (c->GetColumnType() == ckKeyList || c->GetColumnType() == ckPickList) return c->GetDisplayText();
  TField* f = c->Field();
  if (f->FieldKind() == fkLookup && !f->KeyFields().empty() && f->DataSet()) {
    lookupKeyValue_ = f->DataSet()->FieldValues(f->KeyFields());
    if (c->LookupCacheValid() && !VarIsNullOrEmpty(lookupKeyValue_)) {
      bool useCache = c->LookupCacheKey() == lookupKeyValue_;
      if (!useCache) {
        // Asked without moving the list's cursor: an open drop-down stays where it is.
        TDataSet* list = c->GetLookupDataSet();
        useCache = list && list->Active() &&
                   VarIsNullOrEmpty(list->Lookup(f->LookupKeyFields(), lookupKeyValue_, f->LookupKeyFields()));
      }
      if (useCache) {
        lookupKeyValue_ = c->LookupCacheKey();
        return c->LookupCacheText();
      }
    }
  }
  // A memo's edit text is its type name: the editor gets the memo itself, each line ending CR LF.
  if (drawMemoText_ && (f->DataType() == ftMemo || f->DataType() == ftWideMemo || f->DataType() == ftFmtMemo)) {
    const std::string memo = f->AsString();
    std::string text;
    text.reserve(memo.size());
    for (size_t i = 0; i < memo.size(); ++i) {
      if (memo[i] != '\r' && memo[i] != '\n') {
        text += memo[i];
        continue;
      }
      text += "\r\n";
      if (memo[i] == '\r' && i + 1 < memo.size() && memo[i + 1] == '\n') ++i;
    }
    return text;
  }
  return f->EditText();
}

// The editor's text waits until the data link asks for it (posting, or leaving the cell).
void TCustomDBGridGx::SetEditText(int col, int row, const std::string& value) {
  (void)row;
  // Text the user could not change (the record is not being edited) is nothing to write back.
  if (!dataLink_->Editing()) return;
  TColumnGx* c = ColumnAt(RawToDataColumn(col));
  // The field's own text handed back (the editor reloaded or hidden), or the text just written
  // to it, changes nothing.
  if (!dataLink_->IsModified() &&
      (value == GetEditText(col, row) || (writtenColumn_ && writtenColumn_ == c && value == writtenText_))) {
    editPending_ = false;
    return;
  }
  if (col == InplaceCol() && row == InplaceRow() && editorColumn_ != c) {
    // The columns changed under the editor: its text is its own column's, if that still exists.
    c = editorColumn_;
    if (!c) return;
  } else if (editPending_ && editColumn_ != c && value == GetEditText(col, row)) {
    return;  // a field's own text (an editor loaded again) keeps another column's edit waiting
  }
  editText_ = value;
  editColumn_ = c;
  editPending_ = true;
  dataLink_->Modified();
}

void TCustomDBGridGx::SaveBookmark() {
  TDataSet* ds = DataSet();
  if (!ds || !ds->Active()) return;
  savedRecord_ = nullptr;
  if (memTable_) {
    savedBookmark_ = ds->Bookmark();
    savedOffset_ = 0;
    savedRecord_ = RecordOfBookmark(savedBookmark_);
    return;
  }
  const int count = dataLink_->RecordCount();
  savedOffset_ = dataLink_->ActiveRecord() - (count / 2) + ((count + 1) % 2);
  ds->MoveBy(-savedOffset_);
  savedBookmark_ = ds->Bookmark();
  ds->MoveBy(savedOffset_);
}

void TCustomDBGridGx::RestoreBookmark() {
  TDataSet* ds = DataSet();
  if (!ds || !ds->Active() || savedBookmark_.empty()) return;
  if (memTable_ && savedRecord_) {
    // A memory table's bookmark is a place in its view, and an edit posted in a sorted or filtered
    // view moves its record elsewhere: the record is looked for by itself. When no row shows it any
    // more, the row that now stands at its place is taken, or the last.
    const int place = memTable_->BookmarkToRowIndex(savedBookmark_);
    if (GoToRecord(savedRecord_, place)) return;
    if (const int rows = memTable_->GetRowCount(); rows > 0) ds->SetRecNo(std::clamp(place, 0, rows - 1) + 1);
    return;
  }
  ds->SetBookmark(savedBookmark_);
  if (!memTable_ && savedOffset_ != 0) ds->MoveBy(savedOffset_);
}

int TCustomDBGridGx::GetRecNoOfRow(int row) {
  if (memTable_) return row + 1;
  TDataSet* ds = DataSet();
  if (!ds) return -1;
  const int saved = dataLink_->ActiveRecord();
  dataLink_->SetActiveRecord(row);
  const int n = ds->RecNo();
  dataLink_->SetActiveRecord(saved);
  return n;
}

// ---------------------------------------------------------------- hooks

void TCustomDBGridGx::CellClick(TColumnGx* column) {
  if (OnCellClick) OnCellClick(column);
}

void TCustomDBGridGx::ColEnter() {
  UpdateEdit();
  SetColumnIme();
  if (OnColEnter) OnColEnter(this);
}

void TCustomDBGridGx::ColExit() {
  UpdateEdit();
  if (OnColExit) OnColExit(this);
}

void TCustomDBGridGx::TitleClick(TColumnGx* column) {
  if (OnTitleClick) OnTitleClick(column);
}

// Moving the grid's current cell moves the dataset: a data row is a record. A pending edit is
// written before another column or record is entered.
bool TCustomDBGridGx::SelectCell(int col, int row) {
  if (!TCustomGridGx::SelectCell(col, row)) return false;
  if (destroying_ || inSelectCell_ || inRowNotice_) return true;
  inSelectCell_ = true;
  struct Reset {
    bool& f;
    ~Reset() { f = false; }
  } reset{inSelectCell_};
  const bool colChanged = col != Col();
  TDataSet* ds = DataSet();
  const int offset = GetTitleOffset();
  if ((colChanged || row != Row()) && dataLink_->Active()) dataLink_->UpdateData();
  if (colChanged) ColExit();
  if (ds && dataLink_->Active() && row >= offset && row != Row() && !ds->IsEmpty()) {
    const int current = memTable_ ? memTable_->GetCurrentRowIndex() : dataLink_->ActiveRecord();
    const int distance = (row - offset) - current;
    if (distance != 0) ds->MoveBy(distance);
  }
  return true;
}

// Entering another column: the counterpart of the ColExit that SelectCell fired before the move.
void TCustomDBGridGx::CurrentMoved(TGridCoord oldCurrent) {
  if (!destroying_ && oldCurrent.X != Col()) ColEnter();
}

// The cell click itself (CellClick) comes from the release of the button (dbgrid_mouse.cpp).
void TCustomDBGridGx::DefaultCellMouseClick(TGridCoord cell, TMouseButton button, TShiftState shift, int x, int y) {
  TCustomGridGx::DefaultCellMouseClick(cell, button, shift, x, y);
  if (center_) center_->CellMouseClick(this, cell, button, shift, x, y);
}

void TCustomDBGridGx::CreateWnd() {
  BeginUpdateGx();
  try {
    TCustomGridGx::CreateWnd();
  } catch (...) {
    EndUpdateGx();
    throw;
  }
  EndUpdateGx();
  // The new window knows nothing of the bar the old one showed: the settings go to it again.
  vertValues_ = TScrollValues{-1, -1, -1, -1};
  vertBarShown_ = (GetWindowLong(WindowHandle(), GWL_STYLE) & WS_VSCROLL) != 0;
  // Cell buttons: the flat width or the scroll-bar width, at most half again as tall as wide.
  editButtonWidth_ = Flat() ? DefaultFlatButtonWidth() : GetSystemMetrics(SM_CXVSCROLL);
  editButtonHeight_ = dataRowHeight_;
  if (editButtonHeight_ > ScaleByHalf(editButtonWidth_, true))
    editButtonHeight_ = Flat() ? ScaleByHalf(editButtonWidth_, true) : editButtonWidth_;
  if (autoFitColWidths_) LayoutChanged();
  else {
    UpdateRowCount();
    UpdateHorzScrollBar();
  }
  UpdateVertScrollBar();
  SetColumnIme();
}

void TCustomDBGridGx::FlatChanged() {
  textLineGap_ = Flat() ? 2 : 4;
  LayoutChanged();
}

// ---------------------------------------------------------------- memory-table rows

// The table is still inside its own operation (post, delete, cancel): the grid only follows with
// its rows and current cell; the dataset is moved to, or written, never from here. Its scroll or
// change notice at the end of the operation brings the current row in line.
void TCustomDBGridGx::MemTableRowNotification(int index, int code, int extra) {
  if (!memTable_ || destroying_) return;
  const bool saved = inRowNotice_;
  inRowNotice_ = true;
  struct Reset {
    bool& f;
    bool v;
    ~Reset() { f = v; }
  } reset{inRowNotice_, saved};
  SelectionFollowsRows(index, code, extra);
  const int offset = GetTitleOffset();
  const int records = memTable_->GetRowCount();
  switch (code) {
    case mtnRowAdded:
      if (records > 1) {
        SetRowCount(RowCount() + 1);
        const int at = offset + index;
        if (at >= offset && at < RowCount()) MoveRow(RowCount() - 1, at);
        RecalcRowHeight(index);
      } else {
        UpdateRowCount();
      }
      break;
    case mtnRowChanged:
      RecalcRowHeight(index);
      break;
    case mtnRowRemoved:
      if (records > 0 && offset + index < RowCount() && RowCount() > offset + 1) DeleteRow(offset + index);
      break;
    case mtnRowMoved:
      if (offset + index < RowCount() && offset + extra < RowCount() && index >= 0 && extra >= 0)
        MoveRow(offset + index, offset + extra);
      break;
    case mtnAllChanged:
      SetRowCount(offset + std::max(1, records));
      RecalcAllRowHeights();
      // The sums need a pass over the rows: that moves the table, so it waits for the queue.
      if (sumList_ && sumList_->Active()) {
        sumList_->MarkStale();
        DeferSums();
      }
      break;
    default:
      break;
  }
}

void TCustomDBGridGx::RecalcRowHeight(int record) {
  if (!memTable_) return;
  const int row = GetTitleOffset() + record;
  if (record < 0 || row >= RowCount()) return;
  int h = dataRowHeight_;
  if (optionsGx_.Contains(dghAutoFitRowHeight)) {
    memTable_->InstantReadEnter(record);
    try {
      for (TColumnGx* c : visibleColumns_) h = std::max(h, c->GetRowHeightForText());
    } catch (...) {
      memTable_->InstantReadLeave();
      throw;
    }
    memTable_->InstantReadLeave();
  }
  if (OnGetRowHeight) OnGetRowHeight(this, h);
  // The height list is made only when a row differs from the default.
  if (GetRowHeights(row) != h) SetRowHeights(row, h);
}

void TCustomDBGridGx::RecalcAllRowHeights() {
  rowHeightsPending_ = false;
  if (!memTable_ || !dataLink_->Active()) {
    const int first = GetTitleOffset();
    if (first < RowCount() && GetRowHeights(first) != dataRowHeight_) SetRowHeights(first, dataRowHeight_);
    return;
  }
  // Every row has the default height unless text fitting or a handler says otherwise.
  if (!optionsGx_.Contains(dghAutoFitRowHeight) && !OnGetRowHeight) {
    if (HasRowHeights()) {
      const int title = titleRowHeight_;
      SetDefaultRowHeight(dataRowHeight_);
      if (dbOptions_.Contains(dgTitles) && RowCount() > 0) SetRowHeights(0, title);
    }
    return;
  }
  BeginUpdate();
  const int n = memTable_->GetRowCount();
  for (int i = 0; i < n; ++i) RecalcRowHeight(i);
  EndUpdate();
  Invalidate();
}

// ---------------------------------------------------------------- classes and published settings

FANO_ENUM_NAMES(TDBGridOption, "dgEditing", "dgAlwaysShowEditor", "dgTitles", "dgIndicator", "dgColumnResize",
                "dgColLines", "dgRowLines", "dgTabs", "dgRowSelect", "dgAlwaysShowSelection", "dgConfirmDelete",
                "dgCancelOnExit", "dgMultiSelect");
FANO_ENUM_NAMES(TDBGridGxOption, "dghFixed3D", "dghFrozen3D", "dghFooter3D", "dghData3D", "dghResizeWholeRightPart",
                "dghHighlightFocus", "dghClearSelection", "dghFitRowHeightToText", "dghAutoSortMarking",
                "dghMultiSortMarking", "dghEnterAsTab", "dghTraceColSizing", "dghIncSearch", "dghPreferIncSearch",
                "dghRowHighlight", "dghDblClickOptimizeColWidth", "dghDialogFind", "dghRecordMoving", "dghShowRecNo",
                "dghColumnResize", "dghColumnMove", "dghAutoFitRowHeight");
FANO_ENUM_NAMES(TDBGridGxAllowedOperation, "alopInsertGx", "alopUpdateGx", "alopDeleteGx", "alopAppendGx");
FANO_ENUM_NAMES(TDBGridGxSelectionType, "gstNon", "gstRecordBookmarks", "gstRectangle", "gstColumns", "gstAll");
FANO_ENUM_NAMES(TDBGridGxEditAction, "geaCutGx", "geaCopyGx", "geaPasteGx", "geaDeleteGx", "geaSelectAllGx");
FANO_ENUM_NAMES(TSortMarkerGx, "smNoneGx", "smDownGx", "smUpGx");
FANO_ENUM_NAMES(TTextOrientationGx, "tohHorizontal", "tohVertical");
FANO_ENUM_NAMES(TColumnButtonStyleGx, "cbsAuto", "cbsEllipsis", "cbsNone", "cbsUpDown", "cbsDropDown", "cbsAltDropDown",
                "cbsAltUpDown");
FANO_ENUM_NAMES(TScrollBarVisibleModeGx, "sbAlwaysShowGx", "sbNeverShowGx", "sbAutoShowGx");
FANO_ENUM_NAMES(TImeMode, "imDisable", "imClose", "imOpen", "imDontCare", "imSAlpha", "imAlpha", "imHira", "imSKata",
                "imKata", "imChinese", "imSHanguel", "imHanguel");
FANO_ENUM_NAMES(TBiDiMode, "bdLeftToRight", "bdRightToLeft", "bdRightToLeftNoAlign", "bdRightToLeftReadingOnly");

FANO_PUBLISHED(TDBGridGx, p) {
  p.Property("AllowedOperations", &TDBGridGx::AllowedOperations, &TDBGridGx::SetAllowedOperations)
      .Default(static_cast<int64_t>(kAllAllowedOperations.Bits()));
  p.Property("AllowedSelections", &TDBGridGx::AllowedSelections, &TDBGridGx::SetAllowedSelections)
      .Default(static_cast<int64_t>(kDefaultAllowedSelections.Bits()));
  p.Property("AutoFitColWidths", &TDBGridGx::AutoFitColWidths, &TDBGridGx::SetAutoFitColWidths).Default(false);
  p.Property("BorderStyle", &TDBGridGx::BorderStyle, &TDBGridGx::SetBorderStyle);
  p.Property("ColumnDefValues", &TDBGridGx::ColumnDefValues, &TDBGridGx::SetColumnDefValues);
  p.Property("ContraColCount", &TDBGridGx::ContraColCountProp, &TDBGridGx::SetContraColCountProp).Default(0);
  p.Property("DataSource", &TDBGridGx::DataSource, &TDBGridGx::SetDataSource);
  p.Property("DefaultDrawing", &TDBGridGx::DefaultDrawing, &TDBGridGx::SetDefaultDrawing).Default(true);
  p.Property("DrawGraphicData", &TDBGridGx::DrawGraphicData, &TDBGridGx::SetDrawGraphicData).Default(false);
  p.Property("DrawMemoText", &TDBGridGx::DrawMemoText, &TDBGridGx::SetDrawMemoText).Default(false);
  p.Property("EditActions", &TDBGridGx::EditActions, &TDBGridGx::SetEditActions).Default(static_cast<int64_t>(0));
  p.Property("EvenRowColor", &TDBGridGx::EvenRowColor, &TDBGridGx::SetEvenRowColor).Stored(&TDBGridGx::EvenRowColorStored);
  p.Property("OddRowColor", &TDBGridGx::OddRowColor, &TDBGridGx::SetOddRowColor).Stored(&TDBGridGx::OddRowColorStored);
  p.Property("FixedColor", &TDBGridGx::FixedColor, &TDBGridGx::SetFixedColorProp);
  p.Property("Flat", &TDBGridGx::Flat, &TDBGridGx::SetFlat).Default(false);
  p.Property("FooterColor", &TDBGridGx::FooterColor, &TDBGridGx::SetFooterColor);
  p.Property("FooterFont", &TDBGridGx::FooterFont, &TDBGridGx::SetFooterFont);
  p.Property("FooterRowCount", &TDBGridGx::FooterRowCount, &TDBGridGx::SetFooterRowCount).Default(0);
  p.Property("FrozenCols", &TDBGridGx::DataFrozenCols, &TDBGridGx::SetDataFrozenCols).Default(0);
  p.Property("HorzScrollBar", &TDBGridGx::HorzScrollBar, &TDBGridGx::SetHorzScrollBar);
  p.Property("ImeMode", &TDBGridGx::ImeMode, &TDBGridGx::SetImeMode).Default(static_cast<int>(imDontCare));
  p.Property("ImeName", &TDBGridGx::ImeName, &TDBGridGx::SetImeName);
  p.Property("IndicatorTitle", &TDBGridGx::IndicatorTitle, &TDBGridGx::SetIndicatorTitle);
  p.Property("MinAutoFitWidth", &TDBGridGx::MinAutoFitWidth, &TDBGridGx::SetMinAutoFitWidth).Default(0);
  p.Property("Options", &TDBGridGx::DBOptions, &TDBGridGx::SetDBOptions)
      .Default(static_cast<int64_t>(kDefaultDBGridOptions.Bits()));
  p.Property("OptionsGx", &TDBGridGx::OptionsGx, &TDBGridGx::SetOptionsGx)
      .Default(static_cast<int64_t>(kDefaultDBGridGxOptions.Bits()));
  p.Property("ReadOnly", &TDBGridGx::ReadOnly, &TDBGridGx::SetReadOnly).Default(false);
  p.Property("RowHeight", &TDBGridGx::RowHeight, &TDBGridGx::SetRowHeight).Default(0);
  p.Property("RowLines", &TDBGridGx::RowLines, &TDBGridGx::SetRowLines).Default(0);
  p.Property("RowSizingAllowed", &TDBGridGx::RowSizingAllowed, &TDBGridGx::SetRowSizingAllowed).Default(false);
  p.Property("SortLocal", &TDBGridGx::SortLocal, &TDBGridGx::SetSortLocal).Default(false);
  p.Property("STFilter", &TDBGridGx::STFilter, &TDBGridGx::SetSTFilter);
  p.Property("SumList", &TDBGridGx::SumList);
  p.Property("TitleFont", &TDBGridGx::TitleFont, &TDBGridGx::SetTitleFont);
  p.Property("TitleHeight", &TDBGridGx::TitleHeight, &TDBGridGx::SetTitleHeight).Default(0);
  p.Property("TitleImages", &TDBGridGx::TitleImages, &TDBGridGx::SetTitleImages);
  p.Property("TitleLines", &TDBGridGx::TitleLines, &TDBGridGx::SetTitleLines).Default(0);
  p.Property("UseMultiTitle", &TDBGridGx::UseMultiTitle, &TDBGridGx::SetUseMultiTitle).Default(false);
  p.Property("VertScrollBar", &TDBGridGx::VertScrollBar, &TDBGridGx::SetVertScrollBar);
  p.Property("VTitleMargin", &TDBGridGx::VTitleMargin, &TDBGridGx::SetVTitleMargin).Default(10);
  p.Property("TabStop", &TDBGridGx::TabStop, &TDBGridGx::SetTabStop);
  p.Property("OnCellClick", &TDBGridGx::OnCellClick);
  p.Property("OnColEnter", &TDBGridGx::OnColEnter);
  p.Property("OnColExit", &TDBGridGx::OnColExit);
  p.Property("OnColumnMoved", &TDBGridGx::OnColumnMoved);
  p.Property("OnColWidthsChanged", &TDBGridGx::OnColWidthsChanged);
  p.Property("OnTitleBtnClick", &TDBGridGx::OnTitleBtnClick);
  p.Property("OnCheckButton", &TDBGridGx::OnCheckButton);
  p.Property("OnTitleClick", &TDBGridGx::OnTitleClick);
  p.Property("OnGetRowHeight", &TDBGridGx::OnGetRowHeight);
  p.Property("OnSelectionChanged", &TDBGridGx::OnSelectionChanged);
  p.Property("OnSortMarkingChanged", &TDBGridGx::OnSortMarkingChanged);
  p.Property("OnSumListRecalcAll", &TDBGridGx::OnSumListRecalcAll);
  p.Property("OnSumListAfterRecalcAll", &TDBGridGx::OnSumListAfterRecalcAll);
  p.Property("OnMoveRecords", &TDBGridGx::OnMoveRecords);
  p.Property("OnGetCellParams", &TDBGridGx::OnGetCellParams);
  p.Property("OnBuildIndicatorTitleMenu", &TDBGridGx::OnBuildIndicatorTitleMenu);
  p.Property("OnIndicatorTitleMouseDown", &TDBGridGx::OnIndicatorTitleMouseDown);
  p.Property("OnApplyFilter", &TDBGridGx::OnApplyFilter);
  p.Property("OnCellMouseClick", &TDBGridGx::OnCellMouseClick);
  p.Property("OnDrawColumnCell", &TDBGridGx::OnDrawColumnCell);
  p.Property("OnDrawDataCell", &TDBGridGx::OnDrawDataCell);
  p.Property("OnDrawFooterCell", &TDBGridGx::OnDrawFooterCell);
  p.Property("OnEditButtonClick", &TDBGridGx::OnEditButtonClick);
  p.Property("OnGetBtnParams", &TDBGridGx::OnGetBtnParams);
  p.Property("OnGetFooterParams", &TDBGridGx::OnGetFooterParams);
}

// The default is what the getter gives while the flag is off.
template <TColumnAssignedGx Flag, auto Get>
bool TColumnGx::DefaultedStored() const {
  if (!IsAssigned(Flag)) return false;
  auto* self = const_cast<TColumnGx*>(this);
  const auto own = (this->*Get)();
  self->UnmarkAssigned(Flag);
  const auto fallback = (this->*Get)();
  self->MarkAssigned(Flag);
  return own != fallback;
}

template <TColumnAssignedGx Flag, auto Get>
bool TColumnTitleGx::DefaultedStored() const {
  if (!column_->IsAssigned(Flag)) return false;
  const auto own = (this->*Get)();
  column_->UnmarkAssigned(Flag);
  const auto fallback = (this->*Get)();
  column_->MarkAssigned(Flag);
  return own != fallback;
}

// The rules as typed pointers, so that no compiler reads them as a plain flag.
template <TColumnAssignedGx Flag, auto Get>
constexpr bool (TColumnGx::*kColumnStored)() const = &TColumnGx::DefaultedStored<Flag, Get>;
template <TColumnAssignedGx Flag, auto Get>
constexpr bool (TColumnTitleGx::*kTitleStored)() const = &TColumnTitleGx::DefaultedStored<Flag, Get>;

FANO_PUBLISHED(TColumnTitleGx, p) {
  p.Property("Alignment", &TColumnTitleGx::Alignment, &TColumnTitleGx::SetAlignment)
      .Stored(&TColumnTitleGx::DefaultAlignmentStored)
      .NoDefault();
  p.Property("Caption", &TColumnTitleGx::Caption, &TColumnTitleGx::SetCaption)
      .Stored(&TColumnTitleGx::CaptionStored)
      .NoDefault();
  p.Property("Color", &TColumnTitleGx::Color, &TColumnTitleGx::SetColor)
      .Stored(&TColumnTitleGx::ColorStored)
      .NoDefault();
  p.Property("EndEllipsis", &TColumnTitleGx::EndEllipsis, &TColumnTitleGx::SetEndEllipsis)
      .Stored(kTitleStored<cvTitleEndEllipsis, &TColumnTitleGx::EndEllipsis>)
      .NoDefault();
  p.Property("Font", &TColumnTitleGx::Font, &TColumnTitleGx::SetFont).Stored(&TColumnTitleGx::FontStored);
  p.Property("Hint", &TColumnTitleGx::Hint, &TColumnTitleGx::SetHint);
  p.Property("ImageIndex", &TColumnTitleGx::ImageIndex, &TColumnTitleGx::SetImageIndex).Default(-1);
  p.Property("Orientation", &TColumnTitleGx::Orientation, &TColumnTitleGx::SetOrientation)
      .Stored(kTitleStored<cvTitleOrientation, &TColumnTitleGx::Orientation>)
      .NoDefault();
  p.Property("SortIndex", &TColumnTitleGx::SortIndex, &TColumnTitleGx::SetSortIndex).Default(0);
  p.Property("SortMarker", &TColumnTitleGx::SortMarker, &TColumnTitleGx::SetSortMarker)
      .Default(static_cast<int>(smNoneGx));
  p.Property("TitleButton", &TColumnTitleGx::TitleButton, &TColumnTitleGx::SetTitleButton)
      .Stored(kTitleStored<cvTitleButton, &TColumnTitleGx::TitleButton>)
      .NoDefault();
  p.Property("ToolTips", &TColumnTitleGx::ToolTips, &TColumnTitleGx::SetToolTips)
      .Stored(kTitleStored<cvTitleToolTips, &TColumnTitleGx::ToolTips>)
      .NoDefault();
}

FANO_PUBLISHED(TColumnTitleDefValuesGx, p) {
  p.Property("Alignment", &TColumnTitleDefValuesGx::Alignment, &TColumnTitleDefValuesGx::SetAlignment)
      .Stored(&TColumnTitleDefValuesGx::AlignmentStored)
      .NoDefault();
  p.Property("Color", &TColumnTitleDefValuesGx::Color, &TColumnTitleDefValuesGx::SetColor)
      .Stored(&TColumnTitleDefValuesGx::ColorStored)
      .NoDefault();
  p.Property("EndEllipsis", &TColumnTitleDefValuesGx::EndEllipsis, &TColumnTitleDefValuesGx::SetEndEllipsis)
      .Default(false);
  p.Property("Orientation", &TColumnTitleDefValuesGx::Orientation, &TColumnTitleDefValuesGx::SetOrientation);
  p.Property("TitleButton", &TColumnTitleDefValuesGx::TitleButton, &TColumnTitleDefValuesGx::SetTitleButton)
      .Default(false);
  p.Property("ToolTips", &TColumnTitleDefValuesGx::ToolTips, &TColumnTitleDefValuesGx::SetToolTips).Default(false);
}

FANO_PUBLISHED(TColumnFooterDefValuesGx, p) {
  p.Property("ToolTips", &TColumnFooterDefValuesGx::ToolTips, &TColumnFooterDefValuesGx::SetToolTips).Default(false);
}

FANO_PUBLISHED(TDBGridGxColumnDefValuesGx, p) {
  p.Property("AlwaysShowEditButton", &TColumnDefValuesGx::AlwaysShowEditButton,
             &TColumnDefValuesGx::SetAlwaysShowEditButton)
      .Default(false);
  p.Property("AutoDropDown", &TColumnDefValuesGx::AutoDropDown, &TColumnDefValuesGx::SetAutoDropDown).Default(false);
  p.Property("DblClickNextVal", &TColumnDefValuesGx::DblClickNextVal, &TColumnDefValuesGx::SetDblClickNextVal)
      .Default(false);
  p.Property("DropDownShowTitles", &TColumnDefValuesGx::DropDownShowTitles, &TColumnDefValuesGx::SetDropDownShowTitles)
      .Default(false);
  p.Property("DropDownSizing", &TColumnDefValuesGx::DropDownSizing, &TColumnDefValuesGx::SetDropDownSizing)
      .Default(false);
  p.Property("EndEllipsis", &TColumnDefValuesGx::EndEllipsis, &TColumnDefValuesGx::SetEndEllipsis).Default(false);
  p.Property("Footer", &TColumnDefValuesGx::Footer, &TColumnDefValuesGx::SetFooter);
  p.Property("HighlightRequired", &TColumnDefValuesGx::HighlightRequired, &TColumnDefValuesGx::SetHighlightRequired)
      .Default(false);
  p.Property("Layout", &TColumnDefValuesGx::Layout, &TColumnDefValuesGx::SetLayout).Default(static_cast<int>(tlTop));
  p.Property("Title", &TColumnDefValuesGx::Title, &TColumnDefValuesGx::SetTitle);
  p.Property("ToolTips", &TColumnDefValuesGx::ToolTips, &TColumnDefValuesGx::SetToolTips).Default(false);
}

FANO_PUBLISHED(TDBGridColumnGx, p) {
  p.Property("FieldName", &TColumnGx::FieldName, &TColumnGx::SetFieldName);
  p.Property("Alignment", &TColumnGx::Alignment, &TColumnGx::SetAlignment)
      .Stored(kColumnStored<cvAlignment, &TColumnGx::Alignment>)
      .NoDefault();
  p.Property("AlwaysShowEditButton", &TColumnGx::AlwaysShowEditButton, &TColumnGx::SetAlwaysShowEditButton)
      .Stored(kColumnStored<cvAlwaysShowEditButton, &TColumnGx::AlwaysShowEditButton>)
      .NoDefault();
  p.Property("AutoDropDown", &TColumnGx::AutoDropDown, &TColumnGx::SetAutoDropDown)
      .Stored(kColumnStored<cvAutoDropDown, &TColumnGx::AutoDropDown>)
      .NoDefault();
  p.Property("AutoFitColWidth", &TColumnGx::AutoFitColWidth, &TColumnGx::SetAutoFitColWidth).Default(true);
  p.Property("ButtonStyle", &TColumnGx::ButtonStyle, &TColumnGx::SetButtonStyle).Default(static_cast<int>(cbsAuto));
  p.Property("Checkboxes", &TColumnGx::Checkboxes, &TColumnGx::SetCheckboxes)
      .Stored(kColumnStored<cvCheckboxes, &TColumnGx::Checkboxes>)
      .NoDefault();
  p.Property("Color", &TColumnGx::Color, &TColumnGx::SetColor)
      .Stored(kColumnStored<cvColor, &TColumnGx::Color>)
      .NoDefault();
  p.Property("DblClickNextVal", &TColumnGx::DblClickNextVal, &TColumnGx::SetDblClickNextVal)
      .Stored(kColumnStored<cvDblClickNextVal, &TColumnGx::DblClickNextVal>)
      .NoDefault();
  p.Property("DisplayFormat", &TColumnGx::DisplayFormat, &TColumnGx::SetDisplayFormat);
  p.Property("DropDownRows", &TColumnGx::DropDownRows, &TColumnGx::SetDropDownRows).Default(7);
  p.Property("DropDownShowTitles", &TColumnGx::DropDownShowTitles, &TColumnGx::SetDropDownShowTitles)
      .Stored(kColumnStored<cvDropDownShowTitles, &TColumnGx::DropDownShowTitles>)
      .NoDefault();
  p.Property("DropDownSizing", &TColumnGx::DropDownSizing, &TColumnGx::SetDropDownSizing)
      .Stored(kColumnStored<cvDropDownSizing, &TColumnGx::DropDownSizing>)
      .NoDefault();
  p.Property("DropDownWidth", &TColumnGx::DropDownWidth, &TColumnGx::SetDropDownWidth).Default(0);
  p.Property("EditButtons", &TColumnGx::EditButtons, &TColumnGx::SetEditButtons);
  p.Property("DropDownSpecRow", &TColumnGx::DropDownSpecRow, &TColumnGx::SetDropDownSpecRow);
  p.Property("DropDownBox", &TColumnGx::DropDownBox, &TColumnGx::SetDropDownBox);
  p.Property("MRUList", &TColumnGx::MRUList, &TColumnGx::SetMRUList);
  p.Property("EditMask", &TColumnGx::EditMask, &TColumnGx::SetEditMask);
  p.Property("EndEllipsis", &TColumnGx::EndEllipsis, &TColumnGx::SetEndEllipsis)
      .Stored(kColumnStored<cvEndEllipsis, &TColumnGx::EndEllipsis>)
      .NoDefault();
  p.Property("Font", &TColumnGx::Font, &TColumnGx::SetFont).Stored(&TColumnGx::FontStored);
  p.Property("Footer", &TColumnGx::Footer, &TColumnGx::SetFooter);
  p.Property("Footers", &TColumnGx::Footers, &TColumnGx::SetFooters);
  p.Property("HideDuplicates", &TColumnGx::HideDuplicates, &TColumnGx::SetHideDuplicates).Default(false);
  p.Property("HighlightRequired", &TColumnGx::HighlightRequired, &TColumnGx::SetHighlightRequired)
      .Stored(kColumnStored<cvHighlightRequired, &TColumnGx::HighlightRequired>)
      .NoDefault();
  p.Property("ImageList", &TColumnGx::ImageList, &TColumnGx::SetImageList);
  p.Property("BiDiMode", &TColumnGx::BiDiMode, &TColumnGx::SetBiDiMode).Stored(&TColumnGx::BiDiModeStored);
  p.Property("ImeMode", &TColumnGx::ImeMode, &TColumnGx::SetImeMode)
      .Stored(kColumnStored<cvImeMode, &TColumnGx::ImeMode>)
      .NoDefault();
  p.Property("ImeName", &TColumnGx::ImeName, &TColumnGx::SetImeName)
      .Stored(kColumnStored<cvImeName, &TColumnGx::ImeName>)
      .NoDefault();
  p.Property("Increment", &TColumnGx::Increment, &TColumnGx::SetIncrement).Stored(&TColumnGx::IncrementStored);
  p.Property("KeyList", &TColumnGx::KeyList, &TColumnGx::SetKeyList);
  p.Property("Layout", &TColumnGx::Layout, &TColumnGx::SetLayout)
      .Stored(kColumnStored<cvLayout, &TColumnGx::Layout>)
      .NoDefault();
  p.Property("LookupDisplayFields", &TColumnGx::LookupDisplayFields, &TColumnGx::SetLookupDisplayFields)
      .Stored(kColumnStored<cvLookupDisplayFields, &TColumnGx::LookupDisplayFields>)
      .NoDefault();
  p.Property("MaxWidth", &TColumnGx::MaxWidth, &TColumnGx::SetMaxWidth).Default(0);
  p.Property("MinWidth", &TColumnGx::MinWidth, &TColumnGx::SetMinWidth).Default(0);
  p.Property("NotInKeyListIndex", &TColumnGx::NotInKeyListIndex, &TColumnGx::SetNotInKeyListIndex).Default(-1);
  p.Property("PickList", &TColumnGx::PickList, &TColumnGx::SetPickList);
  p.Property("PopupMenu", &TColumnGx::PopupMenu, &TColumnGx::SetPopupMenu);
  p.Property("ReadOnly", &TColumnGx::ReadOnly, &TColumnGx::SetReadOnly)
      .Stored(kColumnStored<cvReadOnly, &TColumnGx::ReadOnly>)
      .NoDefault();
  p.Property("ShowImageAndText", &TColumnGx::ShowImageAndText, &TColumnGx::SetShowImageAndText).Default(false);
  p.Property("STFilter", &TColumnGx::STFilter, &TColumnGx::SetSTFilter);
  p.Property("Tag", &TColumnGx::Tag, &TColumnGx::SetTag).Default(0);
  p.Property("Title", &TColumnGx::Title, &TColumnGx::SetTitle);
  p.Property("ToolTips", &TColumnGx::ToolTips, &TColumnGx::SetToolTips)
      .Stored(kColumnStored<cvToolTips, &TColumnGx::ToolTips>)
      .NoDefault();
  p.Property("Visible", &TColumnGx::Visible, &TColumnGx::SetVisible).Default(true);
  p.Property("Width", &TColumnGx::Width, &TColumnGx::SetWidth)
      .Stored(kColumnStored<cvWidth, &TColumnGx::Width>)
      .NoDefault();
  p.Property("WordWrap", &TColumnGx::WordWrap, &TColumnGx::SetWordWrap)
      .Stored(kColumnStored<cvWordWrap, &TColumnGx::WordWrap>)
      .NoDefault();
  p.Property("OnEditButtonClick", &TColumnGx::OnEditButtonClick);
  p.Property("OnEditButtonDown", &TColumnGx::OnEditButtonDown);
  p.Property("OnGetCellParams", &TColumnGx::OnGetCellParams);
  p.Property("OnCheckDrawRequiredState", &TColumnGx::OnCheckDrawRequiredState);
  p.Property("OnDropDownBoxCheckButton", &TColumnGx::OnDropDownBoxCheckButton, &TColumnGx::SetOnDropDownBoxCheckButton)
      .Stored(false);
  p.Property("OnDropDownBoxDrawColumnCell", &TColumnGx::OnDropDownBoxDrawColumnCell,
             &TColumnGx::SetOnDropDownBoxDrawColumnCell)
      .Stored(false);
  p.Property("OnDropDownBoxGetCellParams", &TColumnGx::OnDropDownBoxGetCellParams,
             &TColumnGx::SetOnDropDownBoxGetCellParams)
      .Stored(false);
  p.Property("OnDropDownBoxSortMarkingChanged", &TColumnGx::OnDropDownBoxSortMarkingChanged,
             &TColumnGx::SetOnDropDownBoxSortMarkingChanged)
      .Stored(false);
  p.Property("OnDropDownBoxTitleBtnClick", &TColumnGx::OnDropDownBoxTitleBtnClick,
             &TColumnGx::SetOnDropDownBoxTitleBtnClick)
      .Stored(false);
  p.Property("OnNotInList", &TColumnGx::OnNotInList);
  p.Property("OnUpdateData", &TColumnGx::OnUpdateData);
}

FANO_PUBLISHED(TDBGridGxScrollBar, p) {
  p.Property("Tracking", &TDBGridGxScrollBar::Tracking, &TDBGridGxScrollBar::SetTracking).Default(false);
  p.Property("Visible", &TDBGridGxScrollBar::Visible, &TDBGridGxScrollBar::SetVisible).Default(true);
}

// The vertical bar stores its mode; Visible only follows from it.
FANO_PUBLISHED(TVertDBGridGxScrollBar, p) {
  p.Property("Visible", &TVertDBGridGxScrollBar::Visible, &TVertDBGridGxScrollBar::SetVisible).Stored(false);
  p.Property("VisibleMode", &TVertDBGridGxScrollBar::VisibleMode, &TVertDBGridGxScrollBar::SetVisibleMode)
      .Default(static_cast<int>(sbAutoShowGx));
}

FANO_PUBLISHED(TDBGridGxIndicatorTitle, p) {
  p.Property("DropdownMenu", &TDBGridGxIndicatorTitle::DropdownMenu, &TDBGridGxIndicatorTitle::SetDropdownMenu);
  p.Property("ShowDropDownSign", &TDBGridGxIndicatorTitle::ShowDropDownSign,
             &TDBGridGxIndicatorTitle::SetShowDropDownSign)
      .Default(false);
  p.Property("TitleButton", &TDBGridGxIndicatorTitle::TitleButton, &TDBGridGxIndicatorTitle::SetTitleButton)
      .Default(false);
  p.Property("UseGlobalMenu", &TDBGridGxIndicatorTitle::UseGlobalMenu, &TDBGridGxIndicatorTitle::SetUseGlobalMenu)
      .Default(true);
}

void RegisterDBGridClasses() {
  RegisterClasses({TDBGridGx::StaticClass(), TDBGridColumnGx::StaticClass()});
  RegisterLookupGridClasses();
}

// ---------------------------------------------------------------- small input hooks

// Leaving the grid: an untouched new record goes, otherwise pending edits are written.
void TCustomDBGridGx::DoExit() {
  if (dataLink_ && dataLink_->Active() && !destroying_) {
    TDataSet* ds = DataSet();
    if (dbOptions_.Contains(dgCancelOnExit) && ds->State() == dsInsert && !ds->Modified() && !dataLink_->IsModified())
      ds->Cancel();
    else
      dataLink_->UpdateData();
  }
  TCustomGridGx::DoExit();
}

bool TCustomDBGridGx::WheelStep(bool down, TShiftState shift, const TPoint& mousePos) {
  TDataSet* ds = DataSet();
  if (!ds || !dataLink_->Active()) return true;
  if (!memTable_) {
    ds->MoveBy(down ? 1 : -1);
    return true;
  }
  bool handled = false;
  const TMouseWheelUpDownEvent& e = down ? OnMouseWheelDown : OnMouseWheelUp;
  if (e) e(this, shift, mousePos, handled);
  if (handled) return true;
  const int page = std::max(1, VisibleDataRowCount());
  if (!shift.Contains(ssShift)) {
    const int step = shift.Contains(ssCtrl) ? page : 1;
    ScrollToRow(TopRow() + (down ? step : -step), false);
  } else {
    ds->MoveBy((down ? 1 : -1) * (shift.Contains(ssCtrl) ? page : 1));
  }
  return true;
}

bool TCustomDBGridGx::DoMouseWheelDown(TShiftState shift, const TPoint& mousePos) {
  return WheelStep(true, shift, mousePos);
}

bool TCustomDBGridGx::DoMouseWheelUp(TShiftState shift, const TPoint& mousePos) {
  return WheelStep(false, shift, mousePos);
}

// Rows are sized only over the indicator column.
void TCustomDBGridGx::CalcSizingState(int x, int y, TGridState& state, int& index, int& sizingPos, int& sizingOfs,
                                      const TGridDrawInfo& info) {
  TCustomGridGx::CalcSizingState(x, y, state, index, sizingPos, sizingOfs, info);
  if (state == gsRowSizing) {
    int w = 0;
    for (int i = 0; i < IndicatorOffset(); ++i) w += GetColWidths(i) + GridLineWidth();
    if (x >= w) state = gsNormal;
  }
}

void TCustomDBGridGx::DrawSizingLine(int x, int y) {
  TCanvas* c = Canvas();
  TPen saved;
  saved.Assign(c->Pen());
  c->Pen()->SetStyle(psDot);
  c->Pen()->SetMode(pmXor);
  c->Pen()->SetWidth(1);
  c->Pen()->SetColor(clWhite);
  if (GridState() == gsRowSizing) {
    c->MoveTo(0, y);
    c->LineTo(x, y);
  } else {
    c->MoveTo(x, 0);
    c->LineTo(x, y);
  }
  c->Pen()->Assign(&saved);
}

void TCustomDBGridGx::CreateParams(TCreateParams& params) {
  TCustomGridGx::CreateParams(params);
  params.Style |= WS_CLIPCHILDREN;
  flatBorderWidth_ = 0;
  if (Flat() && Ctl3D()) {
    params.ExStyle &= ~static_cast<DWORD>(WS_EX_CLIENTEDGE);
    params.Style &= ~static_cast<DWORD>(WS_BORDER);
    if (BorderStyle() == bsSingle && PaintsFlatBorder()) flatBorderWidth_ = 1;
  }
}

void TCustomDBGridGx::TitleBtnClick(int col, TColumnGx* column) {
  if (OnTitleBtnClick) OnTitleBtnClick(this, col, column);
}

bool TCustomDBGridGx::CheckTitleButton(int dataCol) {
  TColumnGx* c = ColumnAt(dataCol);
  if (!c) return false;
  bool enabled = true;
  if (OnCheckButton) OnCheckButton(this, dataCol, c, enabled);
  return enabled;
}

bool TCustomDBGridGx::UseThemedFixedCells() const {
  return !Flat() && ThemesActive() && optionsGx_.Contains(dghFixed3D);
}

bool TCustomDBGridGx::NeedsDoubleBuffer() {
  return UseThemedFixedCells() || (memTable_ && memTable_->IsTreeView() && dbOptions_.Contains(dgRowLines));
}

bool TCustomDBGridGx::RowSelectFocused() {
  return !InState(csDesigning) && dbOptions_.Contains(dgRowSelect) && DefaultDrawing() && HandleAllocated() &&
         GetFocus() == WindowHandle();
}

void TCustomDBGridGx::IndicatorTitleMouseDown() {
  if (OnIndicatorTitleMouseDown) OnIndicatorTitleMouseDown(this);
  else DefaultIndicatorTitleMouseDown();
}

void TCustomDBGridGx::DefaultIndicatorTitleMouseDown() {
  if (indicatorTitle_->TitleButton()) {
    // Pressed while its menu is made and open.
    pressedTitleCol_ = 0;
    InvalidateCell(0, 0);
    TPopupMenu* menu = indicatorTitle_->DropdownMenu();
    if (OnBuildIndicatorTitleMenu) OnBuildIndicatorTitleMenu(this, menu);
    else if (center_) center_->BuildIndicatorTitleMenu(this, menu);
    bool shown = false;
    if (menu && menu->Items()->Count() > 0 && HandleAllocated()) {
      const TRect cell = CellRect(0, 0);
      const TPoint p = ClientToScreen(TPoint(cell.Left, cell.Bottom));
      menu->SetPopupComponent(this);
      TFreeWatch grid(this), watchedMenu(menu);
      menu->Popup(p.X, p.Y);
      if (grid.Gone()) return;
      if (watchedMenu.Gone()) menu = nullptr;
      shown = true;
      // The press on this title that closed the menu does not open it again.
      IsMouseDownPendingIn(this, CellRect(0, 0));
    }
    if (menu && !menu->Owner()) menu->Free();
    pressedTitleCol_ = -1;
    InvalidateCell(0, 0);
    // No menu: the title is a plain button, pressed until the release.
    if (!shown && MouseCapture()) {
      titleBtnDown_ = true;
      titleBtnCol_ = 0;
      pressedTitleCol_ = 0;
      InvalidateCell(0, 0);
    }
    return;
  }
  if (dbOptions_.Contains(dgMultiSelect) && dataLink_->Active() && allowedSelections_.Contains(gstAll)) {
    if (selection_->SelectionType() != gstNon) ClearSelection();
    else selection_->SelectAll();
  }
}

void TCustomDBGridGx::DeferSums() {
  if (!HandleAllocated()) return;
  MSG m{};
  if (!PeekMessage(&m, WindowHandle(), kDeferredSumsMessage, kDeferredSumsMessage, PM_NOREMOVE))
    PostMessage(WindowHandle(), kDeferredSumsMessage, 0, 0);
}

void TCustomDBGridGx::FieldFreed(TField* field) {
  TDataSet* ds = DataSet();
  // It stays in the data set's lists until its destructor runs: a name looked up until then
  // must not find it again.
  if (ds && (ds->Fields().IndexOf(field) >= 0 || ds->AggFields().IndexOf(field) >= 0)) fieldGoing_ = field;
  BeginLayout();
  bool bound = false;
  for (int i = 0; i < columns_->Count(); ++i) {
    TColumnGx* c = columns_->Items(i);
    if (c->Field() != field) continue;
    c->ClearFieldBinding();
    bound = true;
  }
  if (!bound || (ds && ds->InState(csDestroying))) {
    EndLayoutNoRelayout();
    DeferLayout();
    return;
  }
  try {
    EndLayout();
  } catch (...) {
    // A layout that fails here must not stop the field going: the deferred one tries again.
    DeferLayout();
  }
}

// Once the field has left the lists (the data set says so), nothing can find it any more.
void TCustomDBGridGx::ForgetGoneField() {
  if (!fieldGoing_) return;
  TDataSet* ds = DataSet();
  if (!ds || (ds->Fields().IndexOf(fieldGoing_) < 0 && ds->AggFields().IndexOf(fieldGoing_) < 0)) fieldGoing_ = nullptr;
}

void TCustomDBGridGx::DeferLayout() {
  if (!HandleAllocated()) return;
  MSG m{};
  if (!PeekMessage(&m, WindowHandle(), kDeferredLayoutMessage, kDeferredLayoutMessage, PM_NOREMOVE))
    PostMessage(WindowHandle(), kDeferredLayoutMessage, 0, 0);
}

bool TCustomDBGridGx::AcquireFocus() {
  if (acquireFocus_ && CanFocus() && !InState(csDesigning)) SetFocus();
  return GridFocused();
}

// Copies the same field of the record above into the current record.
void TCustomDBGridGx::SetValueFromPrevRecord() {
  TDataSet* ds = DataSet();
  TColumnGx* c = SelectedColumn();
  if (!ds || !ds->Active() || !c || !c->Field() || ds->Bof()) return;
  const int record = memTable_ ? memTable_->GetCurrentRowIndex() : dataLink_->ActiveRecord();
  if (record <= 0 || !c->CanModify(false)) return;
  TField* f = c->Field();
  const bool lookup = f->FieldKind() == fkLookup && !f->KeyFields().empty();
  Variant value;
  BeginRowRead(GetTitleOffset() + record - 1);
  try {
    value = lookup ? ds->FieldValues(f->KeyFields()) : f->Value();
  } catch (...) {
    EndRowRead();
    throw;
  }
  EndRowRead();
  if (!c->CanModify(true)) return;
  c->UpdateDataValues("", value, false);
  ClearSelection();
  ShowEditor();
}

// The widest of the title and every record's text, for the given columns.
void TCustomDBGridGx::OptimizeColsWidth(const std::vector<TColumnGx*>& cols) {
  if (autoFitColWidths_ || cols.empty()) return;
  TMeasureCanvas m;
  TCanvas* c = m.Canvas();
  std::vector<int> widths(cols.size(), 0);
  for (size_t i = 0; i < cols.size(); ++i) {
    c->Font()->Assign(cols[i]->Title()->Font());
    int w = cols[i]->Title()->SortMarkerWidth() > 2 ? cols[i]->Title()->SortMarkerWidth() + 2 : 0;
    if (titleImages_ && cols[i]->Title()->ImageIndex() >= 0) {
      w = std::max(w, titleImages_->Width() + 4);
    } else {
      // The title cell shows the leaf part of a multi-level caption, wrapped where titles wrap.
      std::string caption = cols[i]->Title()->Caption();
      if (useMultiTitle_) caption.erase(0, caption.rfind('|') + 1);  // npos + 1: nothing goes
      if (useMultiTitle_ || titleHeight_ > 0 || titleLines_ > 0) {
        RECT r{0, 0, std::max(1, cols[i]->Width() - 4), 0};
        DrawTextA(c->Handle(), caption.data(), static_cast<int>(caption.size()), &r,
                  DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
        w += r.right - r.left + 4;
      } else {
        w += TextWidthEx(c, caption) + 4;
      }
    }
    widths[i] = w;
  }
  TDataSet* ds = DataSet();
  if (dataLink_->Active() && ds) {
    ds->DisableControls();
    const std::string saved = ds->Bookmark();
    try {
      ds->First();
      // A sequenced data set that comes round to its first records again has been walked.
      const bool sequenced = ds->IsSequenced();
      int lastRecNo = 0;
      while (!ds->Eof()) {
        if (sequenced) {
          const int recNo = ds->RecNo();
          if (recNo < lastRecNo) break;
          lastRecNo = recNo;
        }
        for (size_t i = 0; i < cols.size(); ++i) {
          c->Font()->Assign(cols[i]->Font());
          widths[i] = std::max(widths[i], TextWidthEx(c, cols[i]->GetDisplayText()) + 4);
        }
        ds->Next();
      }
    } catch (...) {
      if (!saved.empty()) ds->SetBookmark(saved);
      ds->EnableControls();
      throw;
    }
    if (!saved.empty()) ds->SetBookmark(saved);
    ds->EnableControls();
  }
  // The footers' texts are shown in the column too.
  for (size_t i = 0; i < cols.size(); ++i)
    for (int row = 0; row < footerRowCount_; ++row) {
      TColumnFooterGx* foot = cols[i]->GetFooter(row);
      c->Font()->Assign(foot ? foot->Font() : footerFont_.get());
      widths[i] = std::max(widths[i], TextWidthEx(c, GetFooterValue(row, cols[i])) + 4);
    }
  BeginLayout();
  for (size_t i = 0; i < cols.size(); ++i) cols[i]->SetWidth(widths[i]);
  EndLayout();
}
