#pragma once
// The script of user actions the host runs headless (and, when given, with a window too). One
// action per line; blank lines and lines starting with "#" are ignored. Words are separated by
// blanks; a word with blanks is written in double quotes (\" and \\ inside). Positions are in the
// host window's client area, in pixels.
//
//   wait <ms>                     advance the simulated clock by ms milliseconds, running timers
//                                 and messages as they fall due
//   command <name>                run the module's command of that name (its own set first, then
//                                 the standard set; case ignored), as a tool-bar click would
//   click <x> <y> [left|right|double]
//                                 a mouse click at that point of the host window
//   click-window <text> [<x> <y>] a click on the first visible window under the host window whose
//                                 text, class name or control name is <text> (case ignored); at
//                                 its centre, or at x, y inside it (negative: from the right or
//                                 bottom edge)
//   focus <control>               give the focus to the module's control of that name (its
//                                 component name, e.g. DBEditGx4; case ignored)
//   cell <grid> <line|last> <field>
//                                 a click on the cell of that line (from 1, or the last) and of
//                                 the column showing that field in the module's grid of that
//                                 name; the grid brings the cell into view first
//   key <key> ...                 press and release keys: Enter, Tab, Esc, Space, Backspace,
//                                 Delete, Insert, Home, End, PageUp, PageDown, Up, Down, Left,
//                                 Right, F1..F12, a letter or digit; modifiers joined with "+":
//                                 Ctrl+S, Shift+Tab, Alt+F4
//   text <text>                   type the rest of the line (quotes optional)
//   answer <yes|no|ok|cancel|N>   the answer of the next message box (queued in order; a box with
//                                 nothing queued answers No to a question and OK to a notice,
//                                 and the log says it was unscripted), or of the next dialog of
//                                 the class library (the grid's "Confirm"), which has no such
//                                 default: headless, one without an answer ends the run (exit 2)
//   pick <first|last|none|N|COLUMN=value>
//                                 the choice of the next lookup: a row (N from 1), the first row
//                                 whose column holds that value, or none (cancel); queued in order,
//                                 the first row when nothing is queued
//   garble <open|close|display|save|command|search|lookup|any> [cut|nocode|foreign-ids|nameless-ids]
//                                 the next reply of that kind is sent cut in half (not XML), or
//                                 without its status code, or with its new row ids naming
//                                 another table, or naming none (no "tbname")
//   snapshot <file.png>           a PNG of the host window (relative names go to the output folder)
//   probe <x> <y>                 write the colour shown at that point into the log (PROBE line,
//                                 the colour as 0xBBGGRR hex)
//   read <control>                write the text the module's control of that name shows into
//                                 the log (READ line: the name and the text in quotes)
//   activate                      tell the form it is the active child again (0x475)
//   hide | show                   hide (0x464) or show (0x465) the form
//   close                         ask the form to close: 0x476, then 0x467 when it may
//   reopen                        after a close: the module's entry makes the form again
//   quit                          end the script: close the form and the host
//   note <text>                   write the rest of the line into the log
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fanohost {

enum class ActionKind {
  Wait,
  Command,
  Click,
  ClickWindow,
  Focus,
  Cell,
  Key,
  Text,
  Answer,
  Pick,
  Garble,
  Snapshot,
  Probe,
  Read,
  Activate,
  Hide,
  Show,
  Close,
  Reopen,
  Quit,
  Note,
};

enum class ClickKind { Left, Right, Double };

struct KeyStroke {
  uint32_t vk = 0;
  bool ctrl = false;
  bool shift = false;
  bool alt = false;
};

struct PickChoice {
  enum Kind { First, Last, None, Row, Match } kind = First;
  int row = 0;             // Row: from 1
  std::string column;      // Match
  std::string value;
};

struct ScriptAction {
  int line = 0;
  ActionKind kind = ActionKind::Note;
  std::string text;                 // command name, window text, control name, typed text, file,
                                    // note, garble kind
  int cellLine = 0;                 // cell: from 1, -1 the last
  std::string field;                // cell
  int x = 0, y = 0;                 // click positions
  bool hasPosition = false;         // click-window with x, y
  ClickKind click = ClickKind::Left;
  uint32_t ms = 0;                  // wait
  std::vector<KeyStroke> keys;
  int32_t answer = 0;
  PickChoice pick;
};

// The kinds of reply `garble` names.
bool IsGarbleKind(std::string_view kind);

// Reads a script; false with "line N: ..." in `error` at the first line that is not an action.
bool ReadScript(std::string_view text, std::vector<ScriptAction>& out, std::string& error);
// Reads one key stroke such as "Ctrl+Shift+F2"; false when it names no key.
bool ReadKeyStroke(std::string_view text, KeyStroke& out);

}  // namespace fanohost
