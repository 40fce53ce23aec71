// What the data grid's editor draws over its text window and what its mouse does outside the text:
// the tree lines of the tree column, the image of an image column, the red dotted line under an
// empty required field, the node toggle in the tree indent, double clicks stepping the value, and
// presses beside the text band.
#include <algorithm>

#include "grid/dbgrid_inplace.h"
#include "platform/forms/cmessages.h"

int TDBGridInplaceEdit::TreeIndent() const {
  TCustomDBGridGx* g = DBGrid();
  if (!g || !g->IsTreeColumn(g->SelectedColumn())) return 0;
  return std::max(1, g->MemTable()->GetNodeLevel()) * kTreeLevelWidth;
}

bool TDBGridInplaceEdit::RequiredStateShown() {
  TCustomDBGridGx* g = DBGrid();
  TColumnGx* c = Column();
  if (!g || !c) return false;
  TField* f = c->Field();
  TDataSet* ds = g->DataSet();
  bool required = c->HighlightRequired() && f && ds && (ds->State() == dsEdit || ds->State() == dsInsert) &&
                  f->Required() && f->IsNull();
  if (c->OnCheckDrawRequiredState) c->OnCheckDrawRequiredState(this, Text(), required);
  return required;
}

void TDBGridInplaceEdit::DrawRequiredState(TCanvas* canvas) {
  if (!RequiredStateShown()) return;
  const TRect r = GetEditRect();
  const int y = ClientHeight() - 1;
  canvas->Pen()->SetColor(clRed);
  canvas->Pen()->SetStyle(psDot);
  canvas->Pen()->SetWidth(1);
  canvas->MoveTo(r.Left + 2, y);
  canvas->LineTo(r.Right - 3, y);
  canvas->Pen()->SetStyle(psSolid);
}

// The text window paints its whole client area, so the editor's own parts go on top of it.
void TDBGridInplaceEdit::PaintWindow(HDC dc) {
  TInplaceEdit::PaintWindow(dc);
  TCustomDBGridGx* g = DBGrid();
  TColumnGx* c = Column();
  if (!g || !c) return;
  TCanvas canvas;
  canvas.SetHandle(dc);
  try {
    const bool rtl = c->UseRightToLeftAlignment();
    const int indent = TreeIndent();
    if (indent > 0) {
      TRect tree = rtl ? TRect(ClientWidth() - 2 - indent, 0, ClientWidth() - 2, ClientHeight())
                       : TRect(2, 0, 2 + indent, ClientHeight());
      const int saved = SaveDC(dc);
      IntersectClipRect(dc, tree.Left, tree.Top, tree.Right, tree.Bottom);
      g->DrawTreeNode(&canvas, tree, Color());
      RestoreDC(dc, saved);
    }
    DrawRequiredState(&canvas);
    if (c->ImageList() && c->ShowImageAndText() && ImageIndex() >= 0) {
      TCustomImageList* images = c->ImageList();
      const int left = rtl ? ClientWidth() - 2 - indent - images->Width() : 2 + indent;
      const int top = (ClientHeight() - images->Height()) / 2;
      images->Draw(&canvas, left, top, ImageIndex());
    }
  } catch (...) {
    canvas.SetHandle(nullptr);
    throw;
  }
  canvas.SetHandle(nullptr);
}

void TDBGridInplaceEdit::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomDBGridGx* g = DBGrid();
  TColumnGx* c = Column();
  const int indent = TreeIndent();
  if (g && c && indent > 0 && button == mbLeft) {
    // The node's own box is the last level of the indent.
    const bool rtl = c->UseRightToLeftAlignment();
    const int boxLeft = rtl ? ClientWidth() - 2 - indent : 2 + indent - kTreeLevelWidth;
    if (x >= boxLeft && x < boxLeft + kTreeLevelWidth) {
      IMemTableGx* table = g->MemTable();
      if (table->GetNodeHasChildren()) g->SetTreeNodeExpanded(table->GetCurrentRowIndex(), !table->GetNodeExpanded());
    }
  }
  TInplaceEdit::MouseDown(button, shift, x, y);
  if (g && c && c->DblClickNextVal() && button == mbLeft && shift.Contains(ssDouble) && !ReadOnly()) {
    c->StepValue(shift.Contains(ssShift) ? -1 : 1);
    SetText(g->GetEditText(g->Col(), g->Row()));
    SelectAll();
  }
}

// The text window does not see presses beside the text (the image, the tree indent): they do not
// move its caret. The editor's own mouse handling (MouseDown) has run by then.
void TDBGridInplaceEdit::DefaultHandler(TMessage& m) {
  // The plain paint handler, so that PaintWindow draws over the text (it paints the text itself
  // into the handler's device context).
  if (m.Msg == WM_PAINT && m.WParam == 0) {
    PaintHandler(m);
    return;
  }
  if (HandleAllocated()) {
    const bool button = m.Msg >= WM_LBUTTONDOWN && m.Msg <= WM_MBUTTONDBLCLK;
    if (button || (m.Msg == WM_SETCURSOR && LOWORD(m.LParam) == HTCLIENT)) {
      TPoint p;
      if (button) {
        p = TPoint(m.XPos(), m.YPos());
      } else {
        POINT s{};
        GetCursorPos(&s);
        p = ScreenToClient(TPoint(s.x, s.y));
      }
      const TRect text = GetEditRect();
      if (p.X < text.Left || p.X >= text.Right) {
        if (!button) {
          ::SetCursor(Screen->Cursors(crArrow));
          m.Result = 1;
          return;
        }
        if (GetCapture() != WindowHandle()) return;
      }
    }
  }
  TInplaceEdit::DefaultHandler(m);
}
