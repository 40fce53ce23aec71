#pragma once
// Text search over a data grid's cells: walks the records (and, when asked, every visible column
// cell by cell) from the current cell, moves the grid to the first cell that matches and makes its
// column the selected one. Without a match the grid stays where it was. The grid's behaviour centre
// calls it when no dataset feature object searches for it; the find dialog reaches it from there.
#include <string>

class TCustomDBGridGx;

// Option bits.
constexpr int lgtIgnoreCase = 1;
constexpr int lgtAllColumns = 2;
constexpr int lgtDisplayText = 4;  // compare the column's display text instead of the field's text
constexpr int lgtEscapeStops = 16;

enum TLocateGridDirectionGx { lgdUp = 0, lgdDown = 1, lgdAll = 2 };
enum TLocateGridMatchGx { lgmAnywhere = 0, lgmWhole = 1, lgmFromStart = 2 };

// True when a match was found and the grid now shows it. An empty fieldName searches the selected
// column; an unknown one raises "Field name '<name>' not found". treeScope is not used here.
bool LocateGridText(TCustomDBGridGx* grid, const std::string& fieldName, const std::string& text, int options,
                    int direction, int match, int treeScope = 0);
