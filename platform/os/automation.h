#pragma once
// What a driver of the user interface (the stand-in host's scripts, tests) asks windows, so that it
// can address a control by its name and a grid cell by line and field instead of by pixels that
// move with every layout change. Both are registered messages; a window that does not know them
// answers 0.
//
//   UINT nameMsg = RegisterWindowMessage(kFanoControlNameMessage);
//   char name[64];
//   LRESULT len = SendMessage(wnd, nameMsg, sizeof name, (LPARAM)name);  // 0: no name
//
//   FanoGridCellRequest cell{sizeof cell, 3, "BILDB006", {}};
//   SendMessage(grid, RegisterWindowMessage(kFanoGridCellMessage), 0, (LPARAM)&cell);
//   // 1: the grid has the focus and line 3 (from 1; -1 the last line) is current in the column of
//   // that field, shown at `cell` (client coordinates); 0: no such line or field.
#include <cstdint>

#include "platform/os/wintypes.h"

// WPARAM the buffer's size in bytes, LPARAM the buffer: the control's name, NUL-terminated (cut
// to fit); answers its length.
inline constexpr const char* kFanoControlNameMessage = "FanoControlName";
// LPARAM a FanoGridCellRequest.
inline constexpr const char* kFanoGridCellMessage = "FanoGridCell";

struct FanoGridCellRequest {
  uint32_t size;      // sizeof(FanoGridCellRequest)
  int32_t line;       // the data line, from 1; -1 the last one
  const char* field;  // the field the column shows (case ignored)
  RECT cell;          // answered: the cell, in the grid's client coordinates
};
