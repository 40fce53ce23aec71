#include "editors/dbeditors_dropdown.h"

bool HandButtonPressToDropDown(TCustomDBEditGx* editor, TObject* sender, TShiftState shift, int x, int y,
                               TWinControl* dropDown) {
  if (!dropDown || !dropDown->HandleAllocated() || editor->ButtonControlCount() == 0) return false;
  TEditButtonControlGx* button = editor->ButtonControl(0);
  if (sender != button || !shift.Contains(ssLeft)) return false;
  TPoint screen = button->ClientToScreen(TPoint(x, y));
  RECT r{};
  GetWindowRect(dropDown->WindowHandle(), &r);
  if (screen.X < r.left || screen.X >= r.right || screen.Y < r.top || screen.Y >= r.bottom) return false;
  button->Perform(WM_CANCELMODE, 0, 0);
  ReleaseCapture();
  TPoint p = dropDown->ScreenToClient(screen);
  SendMessage(dropDown->WindowHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.X, p.Y));
  return true;
}

bool HandleOpenDropDownMessage(TMessage& m, TCustomDBEditGx* editor, TWinControl* dropDown) {
  switch (m.Msg) {
    case CM_WANTSPECIALKEY:
      if (m.WParam == VK_RETURN || m.WParam == VK_ESCAPE) {
        m.Result = 1;
        return true;
      }
      return false;
    case WM_KILLFOCUS: {
      HWND to = reinterpret_cast<HWND>(m.WParam);
      HWND own = dropDown->WindowHandle();
      if (!to || (to != own && !IsChild(own, to))) editor->CloseUp(false);
      return false;
    }
    case CM_CANCELMODE: {
      auto* sender = reinterpret_cast<TControl*>(m.LParam);
      bool related = sender == editor || sender == dropDown ||
                     (sender && (sender->Parent() == editor || sender->Parent() == dropDown));
      if (!related) editor->CloseUp(false);
      return false;
    }
    default:
      return false;
  }
}
