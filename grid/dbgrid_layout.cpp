// Option setters of the data grid and the options they carry along: the base grid's options
// derived from them, the two column-resize options kept in step with dgColumnResize, and what a
// change recomputes.
#include "grid/dbgrid.h"

namespace {

const TDBGridOptions kLayoutOptions{dgEditing,  dgAlwaysShowEditor, dgTitles,    dgIndicator,
                                    dgColLines, dgRowLines,         dgRowSelect, dgAlwaysShowSelection};

void Put(TGridOptions& o, bool on, TGridOption g) {
  if (on) o.Include(g);
  else o.Exclude(g);
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
    for (TColumnGx* c : rest) c->Title()->SetSortMarker(smNoneGx);
  }
  optionsGx_ = value;
  dbOptions_ = db;
  ApplyBaseOptions();
  if (old.Contains(dghAutoFitRowHeight) != value.Contains(dghAutoFitRowHeight)) RecalcAllRowHeights();
  LayoutChanged();
}
