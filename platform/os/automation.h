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

// A message dialog of the class library, before it is shown, asks the root window of the active
// window with kFanoDialogQuestionMessage (LPARAM a FanoDialogQuestion) whether a driver answers it:
// 1 means answered (the dialog's result is `answer` and no dialog appears), 0 that it is shown.
//
//   FanoDialogQuestion q{sizeof q, "Confirm", "Delete record?", "Yes/No", 7 /* No, what Esc gives */};
//   if (SendMessage(root, RegisterWindowMessage(kFanoDialogQuestionMessage), 0, (LPARAM)&q)) use(q.answer);
inline constexpr const char* kFanoDialogQuestionMessage = "FanoDialogQuestion";

struct FanoDialogQuestion {
  uint32_t size;        // sizeof(FanoDialogQuestion)
  const char* caption;  // UTF-8, NUL-terminated
  const char* text;
  const char* buttons;  // the captions of its buttons in order, joined by "/"
  int32_t answer;       // in: what Escape would answer; out: the result chosen (1 OK, 2 Cancel, 6 Yes, 7 No ...)
};

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
