// Grid text search.
#include "grid/gridsearch.h"

#include <algorithm>

#include "editors/tools/gxconsts.h"
#include "grid/dbgrid.h"
#include "platform/db/dataset.h"
#include "platform/db/datasource.h"
#include "platform/db/fields.h"
#include "platform/os/winuser.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"

namespace {

bool Matches(std::string cell, std::string text, int options, int match) {
  if (options & lgtIgnoreCase) {
    cell = AnsiUpperCase(cell);
    text = AnsiUpperCase(text);
  }
  switch (match) {
    case lgmWhole: return cell == text;
    case lgmFromStart: return cell.compare(0, text.size(), text) == 0;
    default: return cell.find(text) != std::string::npos;
  }
}

bool EscapeWaiting(TCustomDBGridGx* grid) {
  MSG msg{};
  return PeekMessage(&msg, grid->Handle(), WM_KEYDOWN, WM_KEYDOWN, PM_NOREMOVE) && msg.wParam == VK_ESCAPE;
}

}  // namespace

bool LocateGridText(TCustomDBGridGx* grid, const std::string& fieldName, const std::string& text, int options,
                    int direction, int match, int /*treeScope*/) {
  TDataSource* src = grid ? grid->DataSource() : nullptr;
  TDataSet* ds = src ? src->DataSet() : nullptr;
  // An empty data set has no cell: even an empty text finds nothing there.
  if (!ds || !ds->Active() || ds->IsEmpty()) return false;

  const std::vector<TColumnGx*> visible = grid->VisibleColumns();
  TColumnGx* column = nullptr;
  int pos = 0;
  if (!fieldName.empty()) {
    TDBGridColumnsGx* all = grid->Columns();
    for (int i = 0; i < all->Count() && !column; ++i)
      if (SameText(all->Items(i)->FieldName(), fieldName)) column = all->Items(i);
    if (!column) throw Exception(Format(GxConsts::LoadStr(GxConsts::SFieldNameNotFound), {Variant(fieldName)}));
  } else {
    column = grid->SelectedColumn();
  }
  auto it = std::find(visible.begin(), visible.end(), column);
  pos = it == visible.end() ? 0 : static_cast<int>(it - visible.begin());
  // The columns stepped over with lgtAllColumns: every visible column.
  const int last = static_cast<int>(visible.size()) - 1;
  if (fieldName.empty() && grid->DBOptions().Contains(dgRowSelect)) pos = direction == lgdUp ? 0 : last;
  if (last < 0) return false;

  bool found = false;
  bool ended = false;
  const bool allColumns = (options & lgtAllColumns) != 0;
  auto step = [&] {
    if (!allColumns || (direction != lgdUp && pos >= last) || (direction == lgdUp && pos <= 0)) {
      if (direction == lgdUp) {
        ds->Prior();
        ended = ds->Bof();
      } else {
        ds->Next();
        ended = ds->Eof();
      }
      if (allColumns) pos = direction == lgdUp ? last : 0;
    } else {
      pos += direction == lgdUp ? -1 : 1;
    }
  };

  ds->DisableControls();
  try {
    grid->SaveBookmark();
    if (direction == lgdAll) {
      ds->First();
      ended = ds->Eof();
      if (allColumns) pos = 0;
    } else {
      step();
    }
    while (!ended) {
      TColumnGx* c = allColumns ? visible[static_cast<size_t>(pos)] : column;
      std::string cell;
      if (options & lgtDisplayText) cell = c->GetDisplayText();
      else if (TField* f = c->Field()) cell = f->AsString();
      if (Matches(cell, text, options, match)) {
        found = true;
        // Grid columns follow the collection, hidden columns included. A right-anchored column is
        // always in sight and can never be the current cell.
        const int raw = grid->DataToRawColumn(c->Index());
        if (c->Visible() && raw < grid->ColCount()) grid->SetCol(raw);
        break;
      }
      if ((options & lgtEscapeStops) && EscapeWaiting(grid)) break;
      step();
    }
    if (!found) grid->RestoreBookmark();
  } catch (...) {
    ds->EnableControls();
    throw;
  }
  ds->EnableControls();
  return found;
}
