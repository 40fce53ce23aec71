#pragma once
// What the editors with a drop-down of their own (the combo box's list, the number editor's
// calculator, the date-time editor's calendar) do alike while it is open: they want Enter and
// Escape, close it when the focus goes elsewhere or another control cancels modes, and keep the
// character of the key that closed it out of the text.
//
//   if (closingKey_.Swallow(m)) return;               // first in WndProc
//   if (dropped && HandleOpenDropDownMessage(m, this, list)) return;
#include "editors/dbeditbase.h"

// The messages every open drop-down answers alike (the closes go through the editor's CloseUp);
// true when the message is answered and goes no further.
bool HandleOpenDropDownMessage(TMessage& m, TCustomDBEditGx* editor, TWinControl* dropDown);

// A press on the editor's main button dragged into the open drop-down becomes a press there:
// true when the point (in the button's client coordinates) lies in the drop-down.
bool HandButtonPressToDropDown(TCustomDBEditGx* editor, TObject* sender, TShiftState shift, int x, int y,
                               TWinControl* dropDown);

// The Enter or Escape that closed a drop-down: its character, which follows the key, is dropped.
class TClosingKeyGx {
 public:
  void Closed(WPARAM virtualKey) noexcept { pending_ = virtualKey == VK_RETURN ? '\r' : 27; }
  // True (and the character dropped) for the character of the closing key; a new key forgets it.
  bool Swallow(const TMessage& m) noexcept {
    if (m.Msg == WM_KEYDOWN) pending_ = 0;
    if (m.Msg != WM_CHAR || !pending_ || m.WParam != pending_) return false;
    pending_ = 0;
    return true;
  }

 private:
  WPARAM pending_ = 0;
};
