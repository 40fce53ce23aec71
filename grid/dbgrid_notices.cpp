// Window notices of the data grid beyond keys and mouse: size changes held back while the grid is
// locked, the flat border in the non-client area, no background erasing, the parent's font and
// colour, its own font, the wheel while a drop-down is open, and the edit actions.
#include "grid/dbgrid.h"
#include "grid/dbgrid_filterrow.h"
#include "grid/dbgrid_inplace.h"
#include "platform/forms/cmessages.h"

TDBGridGxEditActionClasses& DBGridGxEditActionClasses() {
  static TDBGridGxEditActionClasses classes;
  return classes;
}

// ---------------------------------------------------------------- size

void TCustomDBGridGx::Resize() {
  TCustomGridGx::Resize();
  if (destroying_ || !columns_) return;
  // A locked grid is mid-change: the size is taken once the lock ends (EndUpdateGx).
  if (dbUpdateCount_ > 0) deferredSize_ = true;
  else SizeChangedLayout();
  UpdateHorzScrollBar();
}

void TCustomDBGridGx::SizeChangedLayout() {
  if (autoFitColWidths_ && !InState(csDesigning)) {
    LayoutChanged();
    InvalidateEditor();
  } else {
    UpdateRowCount();
    UpdateVertScrollBar();
    // Columns kept at the right edge move with it.
    FilterColumnMoved(nullptr);
  }
}

void TCustomDBGridGx::DeferredSize() {
  deferredSize_ = false;
  if (destroying_ || !columns_) return;
  if (IndicatorOffset() > 0 && HasColWidths() && GetColWidths(0) != IndicatorWidth()) LayoutChanged();
  SizeChangedLayout();
  UpdateHorzScrollBar();
}

// ---------------------------------------------------------------- actions

namespace {
bool IsActionOf(TBasicAction* action, TClass cls) { return action && cls && action->InheritsFrom(cls); }
}  // namespace

bool TCustomDBGridGx::ExecuteAction(TBasicAction* action) {
  if (dataLink_->ExecuteAction(action)) return true;
  if (!GridFocused()) return TCustomGridGx::ExecuteAction(action);
  const TDBGridGxEditActionClasses& k = DBGridGxEditActionClasses();
  TDBGridGxLinkedActions& linked = DBGridGxLinkedActions();
  if (editActions_.Contains(geaCopyGx) && IsActionOf(action, k.Copy) && CanCopy()) {
    if (linked.Copy) linked.Copy(this);
    return true;
  }
  if (editActions_.Contains(geaPasteGx) && IsActionOf(action, k.Paste) && CanPaste()) {
    if (linked.Paste) linked.Paste(this);
    return true;
  }
  if (editActions_.Contains(geaCutGx) && IsActionOf(action, k.Cut) && CanCut()) {
    if (linked.Cut) linked.Cut(this);
    return true;
  }
  if (editActions_.Contains(geaSelectAllGx) && IsActionOf(action, k.SelectAll) && CanSelectAll()) {
    selection_->SelectAll();
    return true;
  }
  if (editActions_.Contains(geaDeleteGx) && IsActionOf(action, k.Delete) && CanClearSelection()) {
    DeleteSelection();
    return true;
  }
  return TCustomGridGx::ExecuteAction(action);
}

bool TCustomDBGridGx::UpdateAction(TBasicAction* action) {
  if (dataLink_->UpdateAction(action)) return true;
  if (!GridFocused()) return TCustomGridGx::UpdateAction(action);
  auto* a = dynamic_cast<TCustomAction*>(action);
  const TDBGridGxEditActionClasses& k = DBGridGxEditActionClasses();
  auto take = [&](TClass cls, TDBGridGxEditAction kind, bool possible) {
    if (!a || !editActions_.Contains(kind) || !IsActionOf(action, cls)) return false;
    a->SetEnabled(possible);
    return true;
  };
  if (take(k.Copy, geaCopyGx, CanCopy()) || take(k.Paste, geaPasteGx, CanPaste()) ||
      take(k.Cut, geaCutGx, CanCut()) || take(k.SelectAll, geaSelectAllGx, CanSelectAll()) ||
      take(k.Delete, geaDeleteGx, CanClearSelection()))
    return true;
  return TCustomGridGx::UpdateAction(action);
}

// ---------------------------------------------------------------- notices

void TCustomDBGridGx::PaintFlatBorder() {
  if (flatBorderWidth_ == 0 || !HandleAllocated()) return;
  HDC dc = GetWindowDC(WindowHandle());
  if (!dc) return;
  RECT r{};
  GetWindowRect(WindowHandle(), &r);
  OffsetRect(&r, -r.left, -r.top);
  DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
  ReleaseDC(WindowHandle(), dc);
}

// Selected and current cells take other colours with the focus: they are repainted when it comes
// to the grid (or its editor) or leaves both.
void TCustomDBGridGx::FocusLookChanged(bool focused) {
  if (focused == focusLook_) return;
  focusLook_ = focused;
  if (HandleAllocated()) Invalidate();
}

// True when the notice was handled here.
bool TCustomDBGridGx::WindowNotice(TMessage& m) {
  switch (m.Msg) {
    case WM_NCCALCSIZE: {
      TCustomGridGx::WndProc(m);
      if (flatBorderWidth_ == 0) return true;
      RECT* r = m.WParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(m.LParam)->rgrc[0] : reinterpret_cast<RECT*>(m.LParam);
      if (r) InflateRect(r, -flatBorderWidth_, -flatBorderWidth_);
      return true;
    }
    case WM_NCPAINT:
      TCustomGridGx::WndProc(m);
      PaintFlatBorder();
      return true;
    case WM_KILLFOCUS: {
      TCustomGridGx::WndProc(m);
      // Ctrl is let go elsewhere: the marks set with it take effect now (not for the grid's editor).
      const HWND to = reinterpret_cast<HWND>(m.WParam);
      const bool toEditor = InplaceEditor() && InplaceEditor()->HandleAllocated() && to == InplaceEditor()->WindowHandle();
      if (sortMarkingPending_ && !toEditor) {
        sortMarkingPending_ = false;
        SortMarkingChanged();
      }
      FocusLookChanged(toEditor || (to && to == WindowHandle()));
      return true;
    }
    case WM_SETFOCUS: {
      // Back from another control: a filter cell left open there is done, so that typing goes to
      // the records again (the filter editor handing the focus back keeps it).
      const HWND from = reinterpret_cast<HWND>(m.WParam);
      const bool fromFilter = filterEditor_ && filterEditor_->HandleAllocated() && from == filterEditor_->WindowHandle();
      TCustomGridGx::WndProc(m);
      if (filterEditMode_ && !fromFilter) StopFilterEdit();
      // The input method of the column the user lands on (the editor may have just been made).
      SetColumnIme();
      FocusLookChanged(GridFocused());
      return true;
    }
    case WM_ERASEBKGND:
      // Every pixel is painted by the cells; erasing first would only flicker.
      m.Result = 1;
      return true;
    case WM_IME_STARTCOMPOSITION:
      ShowEditor();
      TCustomGridGx::WndProc(m);
      return true;
    case CM_PARENTFONTCHANGED:
      TCustomGridGx::WndProc(m);
      if (ParentFont()) {
        parentFontChanging_ = true;
        try {
          titleFont_->Assign(Font());
          footerFont_->Assign(Font());
        } catch (...) {
          parentFontChanging_ = false;
          throw;
        }
        parentFontChanging_ = false;
        LayoutChanged();
      }
      return true;
    case CM_PARENTCOLORCHANGED:
      TCustomGridGx::WndProc(m);
      if (ParentColor()) {
        // Not through SetFooterColor: a footer colour of the user's own ends following the parent.
        footerColor_ = Color();
        Invalidate();
      }
      return true;
    case CM_FONTCHANGED:
      TCustomGridGx::WndProc(m);
      if (!columns_ || destroying_) return true;
      BeginLayout();
      try {
        for (int i = 0; i < columns_->Count(); ++i) columns_->Items(i)->RefreshDefaultFont();
      } catch (...) {
        EndLayout();
        throw;
      }
      EndLayout();
      return true;
    case CM_MOUSEWHEEL: {
      // An open drop-down takes the wheel; the grid's record stays.
      auto* ed = dynamic_cast<TDBGridInplaceEdit*>(InplaceEditor());
      if (ed && ed->GetVisible() && ed->ListVisible() && ed->ActiveList()) {
        ed->WheelList(m);
        m.Result = 1;
        return true;
      }
      // So does a filter cell being edited; what it leaves comes back up here and ends.
      if (filterEditMode_ && filterEditor_ && filterEditor_->Visible()) {
        if (!filterWheel_) {
          filterWheel_ = true;
          try {
            filterEditor_->Perform(CM_MOUSEWHEEL, m.WParam, m.LParam);
          } catch (...) {
            filterWheel_ = false;
            throw;
          }
          filterWheel_ = false;
        }
        m.Result = 1;
        return true;
      }
      return false;
    }
    default: return false;
  }
}
