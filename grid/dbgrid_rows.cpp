// Moving the current record and column while keeping the selection in step: distance moves
// with Shift extension, next and prior row (append at the end, drop an untouched new record),
// Tab steps, clearing the selection and confirming a delete.
#include <algorithm>
#include <climits>

#include "editors/tools/gxplatform.h"
#include "grid/dbgrid.h"
#include "platform/forms/dialogs.h"

void TCustomDBGridGx::SelectionChangedNotice() {
  selectionChangedPending_ = false;
  if (destroying_) return;
  if (OnSelectionChanged) OnSelectionChanged(this);
}

void TCustomDBGridGx::ClearSelection() {
  if (dbOptions_.Contains(dgMultiSelect)) bookmarks_->Clear();
  anchorSet_ = false;
  if (selection_->SelectionType() != gstNon) {
    selection_->Clear();
    selection_->SelectionChanged();
    Invalidate();
  }
}

void TCustomDBGridGx::ClearSelectionIfOption() {
  if (optionsGx_.Contains(dghClearSelection)) ClearSelection();
  anchorSet_ = false;
}

void TCustomDBGridGx::MoveRecordSelecting(bool select, int distance, bool toEnd, bool rowsOnly) {
  TDataSet* ds = DataSet();
  if (!ds || !dataLink_->Active() || distance == 0) return;
  if (!rowsOnly && !dbOptions_.Contains(dgRowSelect)) {
    if (select && CanSelectType(gstRectangle)) {
      BeginUpdateGx();
      try {
        TDBGridGxSelectionRect* r = selection_->Rect();
        // A corner left by an earlier one-cell click is no anchor: the rectangle starts here.
        if (selection_->SelectionType() != gstRectangle) r->Select(Col(), ds->Bookmark(), false);
        if (toEnd) {
          if (distance > 0) ds->Last();
          else ds->First();
        } else {
          ds->MoveBy(distance);
        }
        r->Select(Col(), ds->Bookmark(), true);
      } catch (...) {
        EndUpdateGx();
        throw;
      }
      EndUpdateGx();
    } else if (toEnd) {
      if (distance > 0) ds->Last();
      else ds->First();
    } else {
      ds->MoveBy(distance);
    }
    if (dbUpdateCount_ == 0) UpdateEdit();
    return;
  }
  select = select && allowedSelections_.Contains(gstRecordBookmarks);
  const int dir = distance > 0 ? 1 : -1;
  int steps = toEnd ? INT_MAX : std::abs(distance);
  const bool multi = dbOptions_.Contains(dgMultiSelect);
  // A walk over many records tells the data set's controls once, at its end.
  const bool many = steps > 1;
  BeginUpdateGx();
  if (many) ds->DisableControls();
  try {
    while (steps-- > 0) {
      bool stepBack = false;
      if (multi && dataLink_->Active()) {
        if (!select) {
          ClearSelectionIfOption();
        } else if (anchorSet_) {
          const int cmp = DataSetCompareBookmarks(ds, ds->Bookmark(), anchorBookmark_);
          stepBack = (dir > 0 && cmp < 0) || (dir < 0 && cmp > 0);
          if (stepBack) bookmarks_->SetCurrentRowSelected(keepSelection_ ? anchorWasSelected_ : false);
        } else {
          anchorSet_ = true;
          anchorBookmark_ = ds->Bookmark();
          anchorWasSelected_ = bookmarks_->CurrentRowSelected();
          bookmarks_->SetCurrentRowSelected(keepSelection_ ? !anchorWasSelected_ : true);
        }
      }
      if (ds->MoveBy(dir) == 0) break;
      if (select && multi && dataLink_->Active() && !stepBack)
        bookmarks_->SetCurrentRowSelected(keepSelection_ ? !anchorWasSelected_ : true);
    }
  } catch (...) {
    if (many) ds->EnableControls();
    EndUpdateGx();
    throw;
  }
  if (many) {
    ds->EnableControls();
    Invalidate();
  }
  EndUpdateGx();
  if (dbUpdateCount_ == 0) UpdateEdit();
}

namespace {
// Text typed into the editor and not yet written counts as a change too.
bool UntouchedInsert(TDataSet* ds, TGridDataLinkGx* link) {
  return ds->State() == dsInsert && !ds->Modified() && !link->IsModified();
}
}  // namespace

void TCustomDBGridGx::NextRow(bool select) {
  TDataSet* ds = DataSet();
  if (!ds || !dataLink_->Active()) return;
  if (UntouchedInsert(ds, dataLink_.get()) && !dataLink_->ReadOnly()) {
    if (!ds->Eof()) ds->Cancel();
    return;
  }
  if (select) MoveRecordSelecting(true, 1, false, !CanSelectType(gstRectangle));
  else MoveRecordSelecting(false, 1, false, true);
  if (ds->Eof() && ds->CanModify() && !readOnly_ && dbOptions_.Contains(dgEditing) &&
      allowedOperations_.Contains(alopAppendGx) && !dataLink_->ReadOnly())
    ds->Append();
}

void TCustomDBGridGx::PriorRow(bool select) {
  TDataSet* ds = DataSet();
  if (!ds || !dataLink_->Active()) return;
  if (UntouchedInsert(ds, dataLink_.get()) && ds->Eof() && !dataLink_->ReadOnly()) {
    ds->Cancel();
    return;
  }
  if (select) MoveRecordSelecting(true, -1, false, !CanSelectType(gstRectangle));
  else MoveRecordSelecting(false, -1, false, true);
}

void TCustomDBGridGx::TabStep(bool forward) {
  const int start = Col();
  const int first = IndicatorOffset();
  ClearSelectionIfOption();
  BeginUpdateGx();
  try {
    int col = start;
    for (;;) {
      col += forward ? 1 : -1;
      if (col >= ColCount()) {
        NextRow(false);
        col = first;
      } else if (col < first) {
        PriorRow(false);
        col = ColCount() - 1;
      }
      if (col == start) break;
      if (GetTabStops(col)) {
        MoveCol(col, forward ? 1 : -1, false);
        break;
      }
    }
  } catch (...) {
    EndUpdateGx();
    throw;
  }
  EndUpdateGx();
}

bool TCustomDBGridGx::ConfirmDelete() {
  const std::string msg = bookmarks_->Count() < 2 ? "Delete record?" : "Delete all selected records?";
  if (!dbOptions_.Contains(dgConfirmDelete)) return true;
  return MessageDlg(msg, mtConfirmation, mbOKCancel, 0) != mrCancel;
}
