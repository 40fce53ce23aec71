// Keyboard of the data grid: record and column movement, insert and delete, the clipboard keys,
// typed characters and the in-place search that typing starts (window timer 2 ends it).
#include <algorithm>

#include "editors/tools/gxplatform.h"
#include "grid/dbgrid.h"
#include "grid/dbgrid_filterrow.h"
#include "grid/gridsearch.h"
#include "grid/inplaceedit.h"
#include "platform/forms/clipbrd.h"
#include "platform/forms/dialogs.h"
#include "platform/forms/menus.h"
#include "platform/rtl/strings.h"

namespace {


bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }

// Drops the last character (a whole code point) of a UTF-8 text.
void PopLastChar(std::string& s) {
  if (s.empty()) return;
  size_t n = s.size() - 1;
  while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
  s.erase(n);
}

// The first `count` characters of a UTF-8 text.
std::string LeadingChars(const std::string& s, size_t count) {
  size_t pos = 0;
  while (count > 0 && pos < s.size()) {
    pos += static_cast<size_t>(Utf8SequenceLength(static_cast<unsigned char>(s[pos])));
    --count;
  }
  return s.substr(0, std::min(pos, s.size()));
}

bool StartsWithIgnoringCase(const std::string& text, const std::string& prefix) {
  return AnsiLowerCase(text).rfind(AnsiLowerCase(prefix), 0) == 0;
}

bool DataSetEditing(TDataSet* ds) {
  const TDataSetState s = ds->State();
  return s == dsEdit || s == dsInsert || s == dsSetKey;
}

UINT GridClipboardFormat() {
  static const UINT format = RegisterClipboardFormat("GRIDBIF");
  return format;
}

// Calls the base handling without firing OnKeyDown a second time.
template <typename F>
void WithoutKeyDownEvent(TKeyEvent& event, F&& call) {
  TKeyEvent saved = std::move(event);
  event = nullptr;
  try {
    call();
  } catch (...) {
    event = std::move(saved);
    throw;
  }
  event = std::move(saved);
}

}  // namespace

TDBGridGxLinkedActions& DBGridGxLinkedActions() {
  static TDBGridGxLinkedActions actions;
  return actions;
}

// ---------------------------------------------------------------- possibility tests

bool TCustomDBGridGx::CanCopy() const {
  return dataLink_->Active() && selection_->SelectionType() != gstNon;
}

bool TCustomDBGridGx::CanClearSelection() const {
  TDataSet* ds = DataSet();
  if (!dataLink_->Active() || !ds || readOnly_ || ds->IsEmpty() || !ds->CanModify()) return false;
  switch (selection_->SelectionType()) {
    case gstRecordBookmarks:
    case gstAll: return allowedOperations_.Contains(alopDeleteGx);
    case gstRectangle:
    case gstColumns: return allowedOperations_.Contains(alopUpdateGx);
    default: return false;
  }
}

bool TCustomDBGridGx::CanCut() const { return CanCopy() && CanClearSelection(); }

bool TCustomDBGridGx::CanPaste() const {
  TDataSet* ds = DataSet();
  if (!dataLink_->Active() || !ds || readOnly_ || !ds->CanModify()) return false;
  TClipboard* cb = Clipboard();
  if (!cb->HasFormat(GridClipboardFormat()) && !cb->HasFormat(CF_TEXT) && !cb->HasFormat(CF_UNICODETEXT))
    return false;
  return ds->State() == dsInsert || allowedOperations_.Contains(alopUpdateGx);
}

bool TCustomDBGridGx::CanSelectAll() const {
  TDataSet* ds = DataSet();
  return dataLink_->Active() && ds && !ds->IsEmpty() && allowedSelections_.Contains(gstAll);
}

// ---------------------------------------------------------------- deleting

bool TCustomDBGridGx::DeleteSelection() {
  TDataSet* ds = DataSet();
  if (!ds || !dataLink_->Active()) return false;
  const bool confirm = dbOptions_.Contains(dgConfirmDelete);
  auto ask = [&](const char* text) {
    return !confirm || MessageDlg(text, mtConfirmation, mbOKCancel, 0) != mrCancel;
  };
  const TDBGridGxSelectionType kind = selection_->SelectionType();
  // Without the delete action marked rows still go through the record delete below.
  if (kind != gstNon && editActions_.Contains(geaDeleteGx) && CanClearSelection()) {
    switch (kind) {
      case gstRecordBookmarks:
        if (!ConfirmDelete()) return false;
        bookmarks_->DeleteRecords();
        break;
      case gstAll: {
        // The whole data set goes: that is asked every time the grid confirms deletes.
        if (!ask("Delete all selected records?")) return false;
        ds->DisableControls();
        try {
          ds->First();
          while (!ds->IsEmpty()) ds->Delete();
        } catch (...) {
          ds->EnableControls();
          throw;
        }
        ds->EnableControls();
        ClearSelection();
        break;
      }
      default:
        if (!ask("Clear selected cells?")) return false;
        if (DBGridGxLinkedActions().ClearCells) DBGridGxLinkedActions().ClearCells(this);
        break;
    }
    return true;
  }
  if (readOnly_ || ds->IsEmpty() || !ds->CanModify() || !allowedOperations_.Contains(alopDeleteGx)) return false;
  if (!ConfirmDelete()) return false;
  if (bookmarks_->Count() == 0) ds->Delete();
  else bookmarks_->DeleteRecords();
  return true;
}

// ---------------------------------------------------------------- columns

void TCustomDBGridGx::MoveCol(int rawCol, int direction, bool extendSelection) {
  const int first = IndicatorOffset();
  const int last = ColCount() - 1;
  if (last < first) return;
  rawCol = std::clamp(rawCol, first, last);
  // Columns sized to nothing cannot take the focus.
  while (rawCol >= first && rawCol <= last && GetColWidths(rawCol) <= 0) rawCol += direction >= 0 ? 1 : -1;
  if (rawCol < first || rawCol > last) return;
  TDataSet* ds = DataSet();
  const bool rect = extendSelection && ds && dataLink_->Active() && CanSelectType(gstRectangle);
  if (rect) {
    TDBGridGxSelectionRect* r = selection_->Rect();
    // A corner left by an earlier one-cell click is no anchor: the rectangle starts here.
    if (selection_->SelectionType() != gstRectangle) r->Select(Col(), ds->Bookmark(), false);
  }
  if (rawCol != Col()) {
    if (inplaceSearching_) StopInplaceSearch();
    SetCol(rawCol);
  }
  if (rect) selection_->Rect()->Select(Col(), ds->Bookmark(), true);
}

// ---------------------------------------------------------------- key down

void TCustomDBGridGx::KeyDown(uint16_t& key, TShiftState shift) {
  keepSelection_ = shift.Contains(ssCtrl) || !optionsGx_.Contains(dghClearSelection);
  if (OnKeyDown) OnKeyDown(this, key, shift);
  if (key == 0) return;
  if (key == VK_UP && EnterFilterRowByKey(shift)) {
    key = 0;
    return;
  }
  TDataSet* ds = DataSet();
  if (!ds || !dataLink_->Active() || !CanGridAcceptKey(key, shift)) return;

  const bool ctrl = shift.Contains(ssCtrl);
  const bool withShift = shift.Contains(ssShift);
  const bool multi = dbOptions_.Contains(dgMultiSelect);
  const bool extend = withShift && multi;

  // ---- shortcuts, first match wins
  const TShortCut sc = ShortCut(key, shift);
  if (sc == DBGridGxSetValueFromPrevRecordKey) {
    SetValueFromPrevRecord();
    key = 0;
    return;
  }
  if (sc == DBGridGxInplaceSearchKey && optionsGx_.Contains(dghIncSearch)) {
    if (inplaceSearching_ && optionsGx_.Contains(dghDialogFind) && DBGridGxFindDialogKey == DBGridGxInplaceSearchKey) {
      StopInplaceSearch();
      ShowFindDialog({}, {}, FindDialogModal());
    } else {
      InplaceSearchText({}, -1, 2);
    }
    key = 0;
    return;
  }
  if (sc == DBGridGxFindDialogKey && optionsGx_.Contains(dghDialogFind)) {
    ShowFindDialog({}, {}, FindDialogModal());
    key = 0;
    return;
  }
  if (inplaceSearching_) {
    if (shift.Empty() && (key == VK_RETURN || key == VK_ESCAPE || key == VK_F2)) {
      StopInplaceSearch();
      key = 0;
      return;
    }
    if (shift.Empty() && key == VK_BACK) {
      PopLastChar(inplaceSearchText_);
      InvalidateRow(Row());
      RestartSearchTimer();
      key = 0;
      return;
    }
    if (sc == DBGridGxInplaceSearchNextKey || sc == DBGridGxInplaceSearchPriorKey) {
      InplaceSearchText({}, inplaceSearchTimeOut_, sc == DBGridGxInplaceSearchNextKey ? 1 : 0);
      key = 0;
      return;
    }
  }

  if (UseRightToLeftAlignment() && (key == VK_LEFT || key == VK_RIGHT)) key = key == VK_LEFT ? VK_RIGHT : VK_LEFT;

  const int first = IndicatorOffset();
  const int last = ColCount() - 1;
  const bool rowSelect = dbOptions_.Contains(dgRowSelect);
  bool handled = true;
  if (!ctrl) {
    switch (key) {
      case VK_UP:
        if (ds->State() == dsInsert && !ds->Modified() && ds->Eof() && !dataLink_->IsModified()) ds->Cancel();
        else PriorRow(withShift);
        break;
      case VK_DOWN:
        if (ds->State() == dsInsert && !ds->Modified() && !dataLink_->IsModified()) {
          if (!ds->Eof()) ds->Cancel();
        } else {
          NextRow(withShift);
        }
        break;
      case VK_TAB:
        if (shift.Contains(ssAlt)) handled = false;
        else TabStep(!withShift);
        break;
      case VK_RETURN:
        if (optionsGx_.Contains(dghEnterAsTab)) TabStep(!withShift);
        else handled = false;
        break;
      case VK_ESCAPE:
        if (dataLink_->IsModified()) {
          dataLink_->Reset();
          if (InplaceEditor() && IsEditorVisible()) InplaceEditor()->UpdateContents();
        } else {
          ds->Cancel();
        }
        ClearSelection();
        if (!dbOptions_.Contains(dgAlwaysShowEditor)) HideEditor();
        if ((GridState() != gsNormal && GridState() != gsSelecting) || mouseState_ == msTitleSizingGx ||
            mouseState_ == msRecordMovingGx)
          Perform(WM_CANCELMODE, 0, 0);
        break;
      case VK_PRIOR:
      case VK_NEXT: {
        const int page = std::max(1, VisibleDataRowCount());
        const int dist = key == VK_PRIOR ? -page : page;
        if (extend) {
          MoveRecordSelecting(true, dist, false, !CanSelectType(gstRectangle));
        } else {
          ClearSelectionIfOption();
          if (key == VK_NEXT && memTable_) {
            const int below = memTable_->GetRowCount() - (TopRow() - GetTitleOffset()) - VisibleDataRowCount();
            if (below < page) memTable_->FetchRecords(page);
          }
          ds->MoveBy(dist);
        }
        break;
      }
      case VK_HOME:
      case VK_END:
        if (ColCount() == first + 1 || rowSelect) {
          if (extend) MoveRecordSelecting(true, key == VK_HOME ? -1 : 1, true, true);
          else if (key == VK_HOME) ds->First();
          else ds->Last();
        } else if (key == VK_HOME) {
          MoveCol(first, 1, extend);
        } else {
          MoveCol(last, -1, extend);
        }
        break;
      case VK_LEFT:
      case VK_RIGHT:
        if (rowSelect) {
          handled = false;
        } else {
          if (!extend) ClearSelectionIfOption();
          MoveCol(Col() + (key == VK_LEFT ? -1 : 1), key == VK_LEFT ? -1 : 1, extend);
        }
        break;
      case VK_INSERT:
        if (!withShift) {
          if (ds->CanModify() && !readOnly_ && dbOptions_.Contains(dgEditing)) {
            if (allowedOperations_.Contains(alopInsertGx)) ds->Insert();
            else if (allowedOperations_.Contains(alopAppendGx)) ds->Append();
          }
        } else if (inplaceSearching_) {
          InplaceSearchText(Clipboard()->AsText(), inplaceSearchTimeOut_, 2);
        } else if (CanPaste() && editActions_.Contains(geaPasteGx) && DBGridGxLinkedActions().Paste) {
          DBGridGxLinkedActions().Paste(this);
        }
        break;
      case VK_DELETE:
        if (withShift) {
          if (CanCut() && editActions_.Contains(geaCutGx) && DBGridGxLinkedActions().Cut)
            DBGridGxLinkedActions().Cut(this);
        } else {
          handled = false;
        }
        break;
      case VK_MULTIPLY:
      case VK_ADD:
      case VK_SUBTRACT:
        if (memTable_ && memTable_->IsTreeView()) {
          const int rowIndex = Row() - GetTitleOffset();
          const bool expanded = memTable_->GetNodeExpanded();
          const bool want = key == VK_MULTIPLY ? !expanded : key == VK_ADD;
          if (want != expanded && (want ? memTable_->GetNodeHasChildren() : true))
            SetTreeNodeExpanded(rowIndex, want);
        } else {
          handled = false;
        }
        break;
      case VK_F2: SetEditorMode(true); break;
      default: handled = false; break;
    }
  } else {
    switch (key) {
      case VK_UP:
      case VK_DOWN:
      case VK_PRIOR:
      case VK_NEXT:
      case VK_HOME:
      case VK_END:
        if (!withShift) ClearSelectionIfOption();
        break;
      default: break;
    }
    switch (key) {
      case VK_UP:
      case VK_PRIOR: {
        // A memory table's link buffers one record: the window's rows are the grid's own.
        const int dist = memTable_ ? TopRow() - Row() : -dataLink_->ActiveRecord();
        if (dist != 0) {
          if (extend) MoveRecordSelecting(true, dist, false, true);
          else ds->MoveBy(dist);
        }
        break;
      }
      case VK_DOWN:
      case VK_NEXT: {
        const int dist = memTable_ ? std::min(TopRow() + VisibleDataRowCount(), RowCount()) - 1 - Row()
                                   : dataLink_->BufferCount() - dataLink_->ActiveRecord() - 1;
        if (dist > 0) {
          if (extend) MoveRecordSelecting(true, dist, false, true);
          else ds->MoveBy(dist);
        }
        break;
      }
      case VK_HOME:
      case VK_END:
        if (extend) MoveRecordSelecting(true, key == VK_HOME ? -1 : 1, true, true);
        else if (key == VK_HOME) ds->First();
        else ds->Last();
        break;
      case VK_LEFT: MoveCol(first, 1, false); break;
      case VK_RIGHT: MoveCol(last, -1, false); break;
      case VK_INSERT:
      case 'C':
        if (CanCopy() && editActions_.Contains(geaCopyGx) && DBGridGxLinkedActions().Copy)
          DBGridGxLinkedActions().Copy(this);
        break;
      case 'X':
        if (CanCut() && editActions_.Contains(geaCutGx) && DBGridGxLinkedActions().Cut)
          DBGridGxLinkedActions().Cut(this);
        break;
      case 'V':
        if (inplaceSearching_) InplaceSearchText(Clipboard()->AsText(), inplaceSearchTimeOut_, 2);
        else if (CanPaste() && editActions_.Contains(geaPasteGx) && DBGridGxLinkedActions().Paste)
          DBGridGxLinkedActions().Paste(this);
        break;
      case 'A':
        if (CanSelectAll() && editActions_.Contains(geaSelectAllGx)) selection_->SelectAll();
        break;
      case VK_DELETE:
        DeleteSelection();
        break;
      default: handled = false; break;
    }
  }

  // Del on a check box or image column empties the value.
  if (!handled && key == VK_DELETE && !ctrl && !rowSelect) {
    TColumnGx* c = SelectedColumn();
    const TColumnKindGx kind = c ? c->GetColumnType() : ckText;
    if (c && (kind == ckCheckbox || kind == ckImageList) && c->Field() && !c->Field()->ReadOnly() &&
        c->CanModify(true)) {
      c->Field()->SetValue(Null());
      handled = true;
    }
  }
  if (!handled) WithoutKeyDownEvent(OnKeyDown, [&] { TCustomGridGx::KeyDown(key, shift); });
}

void TCustomDBGridGx::KeyPress(TKeyChar& key) {
  if (optionsGx_.Contains(dghEnterAsTab) && key == 13) key = 9;
  if (!dbOptions_.Contains(dgAlwaysShowEditor) && key == 13) dataLink_->UpdateData();
  TCustomGridGx::KeyPress(key);
  if (key < 32) return;
  const bool toSearch = inplaceSearching_ || (optionsGx_.Contains(dghPreferIncSearch) &&
                                              !dbOptions_.Contains(dgAlwaysShowEditor) && !IsEditorVisible());
  TDataSet* ds = DataSet();
  if (!toSearch || !ds || !dataLink_->Active() || DataSetEditing(ds)) return;
  std::string text = typedChars_;
  if (text.empty()) text = Utf16ToUtf8(std::u16string(1, key));
  InplaceSearchText(text, inplaceSearching_ ? inplaceSearchTimeOut_ : DBGridGxInplaceSearchTimeOut, 2);
  key = 0;
}

void TCustomDBGridGx::KeyUp(uint16_t& key, TShiftState shift) {
  if (sortMarkingPending_ && key == VK_CONTROL) {
    sortMarkingPending_ = false;
    SortMarkingChanged();
  }
  TCustomGridGx::KeyUp(key, shift);
}

// ---------------------------------------------------------------- typed characters

void TCustomDBGridGx::HandleCharMessage(TMessage& m) {
  const char16_t ch = static_cast<char16_t>(m.WParam);
  std::u16string buffer(1, ch);
  MSG next{};
  bool pairPeeked = false;
  if (IsHighSurrogate(ch) && HandleAllocated() &&
      PeekMessage(&next, WindowHandle(), WM_CHAR, WM_CHAR, PM_NOREMOVE) && next.message != WM_QUIT) {
    buffer += static_cast<char16_t>(next.wParam);
    pairPeeked = true;
  }
  typedChars_ = Utf16ToUtf8(buffer);
  struct ClearTyped {
    std::string& s;
    ~ClearTyped() { s.clear(); }
  } clearTyped{typedChars_};

  // A character typed while a filter cell is current goes into that cell, even when its editor was hidden.
  if (filterEditMode_ && filterEditor_ && filterCol_ >= 0 && (ch == 8 || ch >= 32)) {
    ShowFilterEditor(false);
    if (filterEditor_->HandleAllocated()) PostMessage(filterEditor_->WindowHandle(), WM_CHAR, m.WParam, m.LParam);
    return;
  }
  TColumnGx* c = SelectedColumn();
  const TColumnKindGx kind = c ? c->GetColumnType() : ckText;
  TDataSet* ds = DataSet();
  bool consumed = false;
  if (ch == ' ' && c && (kind == ckCheckbox || kind == ckImageList) && !dbOptions_.Contains(dgRowSelect)) {
    DoKeyPress(m);
    if (m.CharCode() == ' ') c->StepValue(GetKeyState(VK_SHIFT) < 0 ? -1 : 1);
    return;
  }
  const bool quiet = (ch == 8 || ch >= 32) && ds && dataLink_->Active() && !DataSetEditing(ds);
  const bool search =
      inplaceSearching_ ||
      (optionsGx_.Contains(dghIncSearch) && (!dbOptions_.Contains(dgEditing) || !c || !c->CanModify(false))) ||
      (optionsGx_.Contains(dghPreferIncSearch) && !dbOptions_.Contains(dgAlwaysShowEditor) && !IsEditorVisible());
  if (search && quiet) {
    consumed = DoKeyPress(m);
  } else if (memTable_ && memTable_->IsTreeView() && (ch == '*' || ch == '+' || ch == '-')) {
    consumed = DoKeyPress(m);
  } else {
    TCustomGridGx::WndProc(m);
    return;
  }
  if (pairPeeked && consumed) PeekMessage(&next, WindowHandle(), WM_CHAR, WM_CHAR, PM_REMOVE);
}

// ---------------------------------------------------------------- in-place search

void TCustomDBGridGx::RestartSearchTimer() {
  if (searchTimerRunning_ && HandleAllocated()) KillTimer(WindowHandle(), kDBGridSearchTimer);
  searchTimerRunning_ = false;
  if (inplaceSearchTimeOut_ > -1 && HandleAllocated()) {
    SetTimer(WindowHandle(), kDBGridSearchTimer, static_cast<UINT>(inplaceSearchTimeOut_), nullptr);
    searchTimerRunning_ = true;
  }
}

void TCustomDBGridGx::InplaceSearchText(const std::string& text, int timeOut, int direction) {
  if (!dataLink_->Active()) return;
  std::string candidate = inplaceSearchText_ + text;
  bool found = false;
  if (!candidate.empty()) {
    BeginUpdate();
    searchLocating_ = true;
    try {
      found = LocateText(candidate, direction);
    } catch (...) {
      searchLocating_ = false;
      EndUpdate();
      throw;
    }
    searchLocating_ = false;
    EndUpdate();
    if (found) {
      // The search text takes the letter case of the cell it found.
      TColumnGx* c = SelectedColumn();
      if (c) candidate = LeadingChars(c->GetDisplayText(), Utf8CharCount(candidate));
      if (memTable_ && memTable_->IsTreeView()) {
        const int top = Row() - VisibleDataRowCount() / 2;
        if (top >= GetTitleOffset()) SetTopRow(top);
      }
    }
  }
  // Searching first, so that the grid taking the focus back does not show the editor again.
  inplaceSearching_ = true;
  HideEditor();
  if (found) inplaceSearchText_ = candidate;
  InvalidateRow(Row());
  inplaceSearchTimeOut_ = timeOut;
  RestartSearchTimer();
}

void TCustomDBGridGx::StopInplaceSearch() {
  if (searchTimerRunning_ && HandleAllocated()) KillTimer(WindowHandle(), kDBGridSearchTimer);
  searchTimerRunning_ = false;
  inplaceSearching_ = false;
  inplaceSearchText_.clear();
  InvalidateRow(Row());
  // The search took the grid out of editor mode: showing asks again whether the editor can show.
  if (dbOptions_.Contains(dgAlwaysShowEditor) && HandleAllocated()) ShowEditor();
}

bool TCustomDBGridGx::LocateText(const std::string& text, int direction) {
  // The behaviour centre searches (its handler, else a feature registered for the data set, else
  // the grid text search), under the hour-glass; a grid without a centre searches by itself.
  if (center_) {
    bool found = false;
    DBGridBeginHourGlass();
    try {
      found = center_->LocateText(this, std::string(), text, lgtIgnoreCase | lgtDisplayText, direction, lgmFromStart, 0);
    } catch (...) {
      DBGridEndHourGlass();
      throw;
    }
    DBGridEndHourGlass();
    return found;
  }
  TColumnGx* c = SelectedColumn();
  TDataSet* ds = DataSet();
  if (!c || !c->Field() || !ds || ds->IsEmpty()) return false;
  auto matches = [&] { return StartsWithIgnoringCase(c->GetDisplayText(), text); };
  const std::string start = ds->Bookmark();
  bool found = false;
  ds->DisableControls();
  try {
    if (direction == 2) {
      found = matches();
      while (!found && ds->MoveBy(1) != 0) found = matches();
      if (!found) {
        ds->First();
        while (!found && ds->Bookmark() != start) {
          found = matches();
          if (!found && ds->MoveBy(1) == 0) break;
        }
      }
    } else {
      const int step = direction == 1 ? 1 : -1;
      while (!found && ds->MoveBy(step) != 0) found = matches();
    }
    if (!found) ds->SetBookmark(start);
  } catch (...) {
    ds->EnableControls();
    throw;
  }
  ds->EnableControls();
  return found;
}

void TCustomDBGridGx::ShowFindDialog(const std::string& text, const std::string& fieldName, bool modal) {
  if (DBGridGxLinkedActions().ShowFindDialog) DBGridGxLinkedActions().ShowFindDialog(this, text, fieldName, modal);
}
