#include "editors/dbeditors_dropdown.h"

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
