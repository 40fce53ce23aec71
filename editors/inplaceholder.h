#pragma once
// The contract between an editor and a control that holds it in place (the grid's in-place
// editing host). The holder implements IInplaceEditHolderGx and is handed to the editor through
// its InplaceEditHolder property; the editor then asks it before its own handling of every
// message and key, and whether its text may change.
//
//   class TMyGrid : public TCustomControl, public IInplaceEditHolderGx { ... };
//   editor->SetInplaceEditHolder(grid);   // raises when grid lacks the interface
#include <cstdint>

#include "platform/forms/controls.h"

class IInplaceEditHolderGx {
 public:
  virtual ~IInplaceEditHolderGx() = default;
  // False makes the editor's window read-only.
  virtual bool InplaceEditCanModify(TControl* editor) = 0;
  // Screen position and message time of the last mouse-down the holder saw.
  virtual void GetMouseDownInfo(TPoint& pos, uint32_t& time) = 0;
  // First look at every message of the editor; true ends the editor's own processing.
  virtual bool InplaceEditWndProc(TControl* editor, TMessage& message) = 0;
  // Before the editor's own key handling; setting the key to 0 consumes it.
  virtual void InplaceEditKeyDown(TControl* editor, uint16_t& key, TShiftState shift) = 0;
  virtual void InplaceEditKeyPress(TControl* editor, TKeyChar& key) = 0;
  virtual void InplaceEditKeyUp(TControl* editor, uint16_t& key, TShiftState shift) = 0;
};
