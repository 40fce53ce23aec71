// The behaviour centre's sorting, filtering, text search and record moves: events first, then
// the dataset feature object registered for the grid's data set, then the grid's own behaviour.
#include <algorithm>

#include "grid/datasetfeatures.h"
#include "grid/dbgrid.h"
#include "grid/gridexport.h"
#include "grid/gridfinddlg.h"
#include "grid/gridimport.h"
#include "grid/gridsearch.h"

namespace {

TDataSet* GridDataSet(TCustomDBGridGx* grid) { return grid ? grid->DataSet() : nullptr; }

// The grid keys' clipboard commands and find dialog: set up with the centre, which every program
// with a data grid has.
[[maybe_unused]] const bool gridActionsInstalled = [] {
  InstallGridExportActions();
  TDBGridGxLinkedActions& actions = DBGridGxLinkedActions();
  actions.Paste = [](TCustomDBGridGx* grid) { PasteFromClipboard(grid, false); };
  actions.ShowFindDialog = [](TCustomDBGridGx* grid, const std::string& text, const std::string& fieldName,
                               bool modal) {
    if (TDBGridGxCenter* center = grid->Center()) center->ShowFindDialog(grid, text, fieldName, modal);
    else ::ShowFindDialog(grid, text, "", modal);
  };
  return true;
}();

}  // namespace

bool TDBGridGxCenter::IsGridRegistered(TCustomDBGridGx* grid) const {
  return std::find(grids_.begin(), grids_.end(), grid) != grids_.end();
}

void TDBGridGxCenter::RegisterGrid(TCustomDBGridGx* grid) {
  if (!IsGridRegistered(grid)) grids_.push_back(grid);
}

void TDBGridGxCenter::UnRegisterGrid(TCustomDBGridGx* grid) {
  grids_.erase(std::remove(grids_.begin(), grids_.end(), grid), grids_.end());
}

bool TDBGridGxCenter::LocateText(TCustomDBGridGx* grid, const std::string& fieldName, const std::string& text,
                                 int options, int direction, int match, int treeScope) {
  if (OnLocateText) return OnLocateText(this, grid, fieldName, text, options, direction, match, treeScope);
  return DefaultLocateText(grid, fieldName, text, options, direction, match, treeScope);
}

bool TDBGridGxCenter::DefaultLocateText(TCustomDBGridGx* grid, const std::string& fieldName,
                                        const std::string& text, int options, int direction, int match,
                                        int treeScope) {
  TDataSet* ds = GridDataSet(grid);
  if (TDatasetFeaturesGx* features = ds ? GetDatasetFeatures(ds) : nullptr)
    return features->LocateText(grid, fieldName, text, options, direction, match, treeScope);
  return LocateGridText(grid, fieldName, text, options, direction, match, treeScope);
}

bool TDBGridGxCenter::MoveRecords(TCustomDBGridGx* grid, TBMListGx* bookmarks, int toRecNo, bool checkOnly) {
  return DefaultMoveRecords(grid, bookmarks, toRecNo, checkOnly);
}

bool TDBGridGxCenter::DefaultMoveRecords(TCustomDBGridGx* grid, TBMListGx* bookmarks, int toRecNo,
                                         bool checkOnly) {
  TDataSet* ds = GridDataSet(grid);
  TDatasetFeaturesGx* features = ds ? GetDatasetFeatures(ds) : nullptr;
  return features ? features->MoveRecords(grid, bookmarks, toRecNo, checkOnly) : false;
}

void TDBGridGxCenter::ApplyFilter(TCustomDBGridGx* grid) {
  if (OnApplyFilter) OnApplyFilter(this, grid);
  else DefaultApplyFilter(grid);
}

void TDBGridGxCenter::ApplySorting(TCustomDBGridGx* grid) {
  if (OnApplySorting) OnApplySorting(this, grid);
  else DefaultApplySorting(grid);
}

void TDBGridGxCenter::DefaultApplyFilter(TCustomDBGridGx* grid) {
  TDataSet* ds = GridDataSet(grid);
  if (TDatasetFeaturesGx* features = ds ? GetDatasetFeatures(ds) : nullptr)
    features->ApplyFilter(grid, ds, ds->Active());
}

void TDBGridGxCenter::DefaultApplySorting(TCustomDBGridGx* grid) {
  TDataSet* ds = GridDataSet(grid);
  if (TDatasetFeaturesGx* features = ds ? GetDatasetFeatures(ds) : nullptr)
    features->ApplySorting(grid, ds, ds->Active());
}

// ---------------------------------------------------------------- sort marking

void TCustomDBGridGx::TitleClickSortMarking(TColumnGx* column, bool ctrl) {
  sortMarkingPending_ = ctrl;
  if (!column || !optionsGx_.Contains(dghAutoSortMarking)) return;
  column->Title()->SetNextSortMarkerValue(ctrl);
  // Several Ctrl+clicks make one change, announced when Ctrl is let go.
  if (!ctrl) SortMarkingChanged();
}

void TCustomDBGridGx::SortMarkingChanged() {
  if (!optionsGx_.Contains(dghAutoSortMarking)) return;
  if (OnSortMarkingChanged) OnSortMarkingChanged(this);
  else ApplySorting();
}

void TCustomDBGridGx::ApplySorting() {
  if (!center_) return;
  // Sorted anew, the selected records stay selected where they now stand.
  KeepingSelection([&] { center_->ApplySorting(this); });
}
