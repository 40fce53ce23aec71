// Option setters of the data grid and the options they carry along: the base grid's options
// derived from them, the two column-resize options kept in step with dgColumnResize, and what a
// change recomputes. Also the parts of the layout pass that size the columns (auto-fit, tab stops,
// widths), the line colours it chooses, the column sizing taken over after loading, and scaling.
#include <algorithm>
#include <cstdint>

#include "editors/editbuttons.h"
#include "grid/dbgrid.h"
#include "platform/rtl/sysutils.h"

namespace {

const TDBGridOptions kLayoutOptions{dgEditing,  dgAlwaysShowEditor, dgTitles,    dgIndicator,
                                    dgColLines, dgRowLines,         dgRowSelect, dgAlwaysShowSelection};

void Put(TGridOptions& o, bool on, TGridOption g) {
  if (on) o.Include(g);
  else o.Exclude(g);
}

// Rounded to the nearest, as the rest of the form is scaled.
int Scaled(int v, int m, int d) { return MulDiv(v, m, d); }

void ScaleFont(TFont* f, int m, int d) {
  if (f) f->SetSize(Scaled(f->Size(), m, d));
}

// A field the user may type into: not calculated, not read-only; a lookup field is read-only when
// every one of its key fields is.
bool FieldTakesInput(TField* f) {
  if (!f || f->FieldKind() == fkCalculated || f->ReadOnly()) return false;
  if (f->FieldKind() != fkLookup || f->KeyFields().empty() || !f->DataSet()) return true;
  std::vector<TField*> keys;
  f->DataSet()->GetFieldList(keys, f->KeyFields());
  if (keys.empty()) return true;
  return !std::all_of(keys.begin(), keys.end(), [](TField* k) { return k->ReadOnly(); });
}

}  // namespace

// dgColumnResize switched on brings both column options, switched off takes both away; when it
// stays, gaining both column options sets it and losing either clears it. A value equal to the
// old one with dgColumnResize set brings both column options back.
void SyncColumnResizeOptions(TDBGridOptions oldDb, TDBGridOptions& db, TDBGridGxOptions oldGx,
                             TDBGridGxOptions& gx) {
  const TDBGridGxOptions both{dghColumnResize, dghColumnMove};
  const bool was = oldDb.Contains(dgColumnResize), is = db.Contains(dgColumnResize);
  if (was != is) {
    if (is) gx = gx + both;
    else gx = gx - both;
    return;
  }
  if (db == oldDb && gx == oldGx) {
    if (is) gx = gx + both;
    return;
  }
  const bool hadBoth = oldGx.Contains(dghColumnResize) && oldGx.Contains(dghColumnMove);
  const bool hasBoth = gx.Contains(dghColumnResize) && gx.Contains(dghColumnMove);
  if (hasBoth && !hadBoth) db.Include(dgColumnResize);
  else if (!hasBoth && hadBoth) db.Exclude(dgColumnResize);
}

void TCustomDBGridGx::ApplyBaseOptions() {
  TGridOptions o = Options();
  Put(o, rowSizingAllowed_, goRowSizing);
  Put(o, dbOptions_.Contains(dgColLines), goFixedVertLine);
  Put(o, dbOptions_.Contains(dgColLines), goVertLine);
  Put(o, dbOptions_.Contains(dgRowLines), goFixedHorzLine);
  Put(o, dbOptions_.Contains(dgRowLines), goHorzLine);
  Put(o, dbOptions_.Contains(dgTabs), goTabs);
  Put(o, dbOptions_.Contains(dgRowSelect), goRowSelect);
  Put(o, dbOptions_.Contains(dgEditing), goEditing);
  Put(o, dbOptions_.Contains(dgAlwaysShowEditor), goAlwaysShowEditor);
  Put(o, optionsGx_.Contains(dghColumnResize), goColSizing);
  Put(o, optionsGx_.Contains(dghColumnMove), goColMoving);
  TCustomGridGx::SetOptions(o);
}

void TCustomDBGridGx::SetDBOptions(TDBGridOptions value) {
  // A selected row is no place for an editor.
  if (value.Contains(dgRowSelect)) {
    value.Exclude(dgEditing);
    value.Exclude(dgAlwaysShowEditor);
  }
  const TDBGridOptions old = dbOptions_;
  TDBGridGxOptions gx = optionsGx_;
  if (!InState(csLoading)) SyncColumnResizeOptions(old, value, optionsGx_, gx);
  if (value == old && gx == optionsGx_) return;
  dbOptions_ = value;
  optionsGx_ = gx;
  ApplyBaseOptions();
  if (!value.Contains(dgMultiSelect)) bookmarks_->Clear();
  const TDBGridGxSelectionType t = selection_->SelectionType();
  if (t != gstNon && !CanSelectType(t)) selection_->Clear();
  TDBGridOptions changed = (old - value) + (value - old);
  if (!(changed * kLayoutOptions).Empty()) LayoutChanged();
  else Invalidate();
  if (InplaceEditor()) InvalidateEditor();
}

void TCustomDBGridGx::SetOptionsGx(TDBGridGxOptions value) {
  const TDBGridGxOptions old = optionsGx_;
  TDBGridOptions db = dbOptions_;
  if (!InState(csLoading)) SyncColumnResizeOptions(db, db, old, value);
  if (value == old && db == dbOptions_) return;
  // Without multi-column sorting only the first sorted column keeps its marker.
  if (old.Contains(dghMultiSortMarking) && !value.Contains(dghMultiSortMarking) && sortMarked_.size() > 1) {
    const std::vector<TColumnGx*> rest(sortMarked_.begin() + 1, sortMarked_.end());
    for (TColumnGx* c : rest)
      if (c) c->Title()->SetSortMarker(smNoneGx);
  }
  optionsGx_ = value;
  dbOptions_ = db;
  ApplyBaseOptions();
  if (old.Contains(dghAutoFitRowHeight) != value.Contains(dghAutoFitRowHeight)) RecalcAllRowHeights();
  LayoutChanged();
}

// ---------------------------------------------------------------- column kinds

// Columns the grid built from the fields and columns of the user's own do not mix: once a built
// column is followed by one of the user's, the built ones go.
void TCustomDBGridGx::DropGridBuiltBeforeStored() {
  bool built = false, mixed = false;
  for (int i = 0; i < columns_->Count() && !mixed; ++i) {
    if (columns_->Items(i)->IsGridBuilt()) built = true;
    else mixed = built;
  }
  if (!mixed) return;
  for (int i = columns_->Count(); i-- > 0;)
    if (columns_->Items(i)->IsGridBuilt()) columns_->Delete(i);
}

// ---------------------------------------------------------------- frozen columns

// The frozen part holds DataFrozenCols visible columns and the hidden ones among them and directly
// after them; it stays fixed beside the indicator. It never takes every column: one column is left
// to scroll.
void TCustomDBGridGx::ApplyFrozenColumns() {
  const int ind = IndicatorOffset();
  int boundary = 0;
  if (dataLink_->Active() || columns_->Customized()) {
    const int count = columns_->Count();
    for (int shown = 0; boundary < count && shown < frozenCols_; ++boundary)
      if (columns_->Items(boundary)->Visible()) ++shown;
    while (boundary < count && !columns_->Items(boundary)->Visible()) ++boundary;
  }
  boundary = std::max(0, std::min(boundary, ColCount() - 1 - ind));
  if (ind + boundary != FixedCols()) SetFixedCols(ind + boundary);
  if (boundary != TCustomGridGx::FrozenCols()) SetFrozenCols(boundary);
}

// Columns kept at the right edge come from those beyond the frozen part, one always left to scroll.
// Without an active link and with default columns there are none.
int TCustomDBGridGx::LayoutContraCols(int count) const {
  if (!dataLink_->Active() && !columns_->Customized()) return 0;
  int frozen = 0;
  for (int shown = 0; frozen < columns_->Count() && shown < frozenCols_; ++frozen)
    if (columns_->Items(frozen)->Visible()) ++shown;
  return std::clamp(contraColsWanted_, 0, std::max(0, count - 1 - frozen));
}

// ---------------------------------------------------------------- column attributes

void TCustomDBGridGx::SetColumnAttributes() {
  const int ind = IndicatorOffset();
  if (ind > 0 && ColCount() > 0) SetColWidths(0, IndicatorWidth());
  const int hidden = dbOptions_.Contains(dgColLines) ? -1 : 0;
  const bool active = dataLink_->Active();
  for (int i = 0; i < columns_->Count() && ind + i < FullColCount(); ++i) {
    TColumnGx* c = columns_->Items(i);
    TField* f = c->Field();
    SetTabStops(ind + i, c->Visible() && !c->ReadOnly() && active && FieldTakesInput(f));
    SetColWidths(ind + i, c->Visible() ? c->Width() : hidden);
  }
}

// The client width shared out among the auto-fitting columns in proportion to their base widths. A
// column that will not take its share (a minimum or maximum width) keeps what it took and the rest
// is shared again among the others.
void TCustomDBGridGx::AutoFitColumnWidths() {
  if (!autoFitColWidths_ || InState(csDesigning) || !HandleAllocated() || visibleColumns_.empty()) return;
  const int ind = IndicatorOffset();
  const int line = dbOptions_.Contains(dgColLines) ? GridLineWidth() : 0;
  int avail = std::max(ClientWidth(), minAutoFitWidth_);
  if (ind > 0) avail -= IndicatorWidth() + line;
  std::vector<TColumnGx*> fitting;
  for (TColumnGx* c : visibleColumns_) {
    avail -= line;
    if (c->AutoFitColWidth()) fitting.push_back(c);
    else avail -= c->Width();
  }
  if (fitting.empty()) return;
  std::vector<bool> fixed(fitting.size(), false);
  for (size_t round = 0; round < visibleColumns_.size(); ++round) {
    int share = avail;
    int64_t baseSum = 0;
    for (size_t i = 0; i < fitting.size(); ++i) {
      if (fixed[i]) share -= fitting[i]->Width();
      else baseSum += std::max(0, fitting[i]->AutoFitBaseWidth());
    }
    bool changed = false;
    for (size_t i = 0; i < fitting.size(); ++i) {
      if (fixed[i]) continue;
      const int base = std::max(0, fitting[i]->AutoFitBaseWidth());
      const int wanted = baseSum > 0 ? static_cast<int>(base * static_cast<int64_t>(std::max(0, share)) / baseSum) : 0;
      if (fitting[i]->Width() == wanted) continue;
      fitting[i]->SetWidth(wanted);
      changed = true;
      if (fitting[i]->Width() != wanted) fixed[i] = true;
    }
    if (!changed) break;
  }
  int used = 0;
  for (TColumnGx* c : fitting) used += c->Width();
  for (size_t i = fitting.size(); i-- > 0;) {
    if (fixed[i]) continue;
    const int w = std::max(0, fitting[i]->Width() + avail - used);
    if (w != fitting[i]->Width()) fitting[i]->SetWidth(w);
    break;
  }
}

// ---------------------------------------------------------------- line colours

void TCustomDBGridGx::UpdateGridLineColors() {
  if (Flat()) dataLineColor_ = static_cast<TColor>(0x808080);
  else if (ThemesActive() && optionsGx_.Contains(dghFixed3D)) dataLineColor_ = clBtnShadow;
  else if (ThemesActive()) dataLineColor_ = cl3DDkShadow;
  else dataLineColor_ = clBlack;
  // A plain window-coloured footer has the lines of the data cells, a raised or coloured one the
  // darker lines of the fixed cells.
  const bool plainFooter = !optionsGx_.Contains(dghFooter3D) && footerColor_ == clWindow;
  footerLineColor_ = plainFooter ? GridLineColors()->GetBrightColor() : GridLineColors()->GetDarkColor();
}

// ---------------------------------------------------------------- loading and scaling

// After loading, the column-resize options agree with dgColumnResize, auto-fitting columns fit
// from the widths that were stored, and the sorted columns read with their markers are listed in
// their sort order (markers read inside the collection's update are not listed as they come).
void TCustomDBGridGx::LoadedColumnSizing() {
  RebuildSortedColumns();
  TDBGridOptions db = dbOptions_;
  TDBGridGxOptions gx = optionsGx_;
  SyncColumnResizeOptions(db, db, gx, gx);
  if (db != dbOptions_ || gx != optionsGx_) {
    dbOptions_ = db;
    optionsGx_ = gx;
    ApplyBaseOptions();
  }
  if (columns_->Count() == 0 || !autoFitColWidths_ || InState(csDesigning)) return;
  columns_->BeginUpdate();
  for (int i = 0; i < columns_->Count(); ++i) columns_->Items(i)->SetAutoFitBaseWidth(columns_->Items(i)->Width());
  columns_->EndUpdate();
  horzScrollBar_->SetVisible(false);
}

void TCustomDBGridGx::ChangeScale(int m, int d) {
  if (m == d || d == 0) return;
  BeginLayout();
  try {
    if (!ParentFont()) {
      titleFont_->SetSize(Scaled(Font()->Size(), m, d));
      ScaleFont(footerFont_.get(), m, d);
    }
    int total = 0, scaledTotal = 0;
    for (int i = 0; i < columns_->Count(); ++i) {
      TColumnGx* c = columns_->Items(i);
      if (c->IsAssigned(cvFont)) ScaleFont(c->Font(), m, d);
      if (c->IsAssigned(cvTitleFont)) ScaleFont(c->Title()->Font(), m, d);
      if (c->Footer()->FontAssigned()) ScaleFont(c->Footer()->Font(), m, d);
      for (int k = 0; k < c->Footers()->Count(); ++k) {
        TColumnFooterGx* foot = c->Footers()->Items(k);
        if (foot->FontAssigned()) ScaleFont(foot->Font(), m, d);
      }
      // Each right edge is scaled from the running total, so rounding does not add up.
      const int w = c->Width();
      total += w;
      const int edge = Scaled(total, m, d);
      c->SetWidth(edge - scaledTotal);
      scaledTotal = edge;
    }
    if (!ParentFont()) ScaleFont(Font(), m, d);
    SetBounds(Scaled(Left(), m, d), Scaled(Top(), m, d), Scaled(Width(), m, d), Scaled(Height(), m, d));
  } catch (...) {
    EndLayout();
    throw;
  }
  EndLayout();
}
