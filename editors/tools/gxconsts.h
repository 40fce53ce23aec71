#pragma once
// Texts of the editor and grid suite, by resource identifier. The editors' unit supplies them;
// the data grid shows them.
#include <string>

namespace GxConsts {

enum : int {
  SFilterEmpty = 65152,
  SFilterNotEmpty = 65153,
  SFilterAll = 65154,
  SFilterClear = 65155,
  SOrderAscending = 65156,
  SOrderDescending = 65157,
  SClearSelectedCells = 65172,
  SInvalidTextFormat = 65173,
  SInvalidGridBifFormat = 65174,
  SErrorDuringInsert = 65175,
  SIgnoreError = 65176,
  SFieldNameNotFound = 65177,
  SVisibleColumns = 65178,
  SMenuCut = 65179,
  SMenuCopy = 65180,
  SMenuPaste = 65181,
  SMenuDelete = 65182,
  SMenuSelectAll = 65183,
};

// The text of an identifier above; "" for any other.
const char* LoadStr(int id) noexcept;

}  // namespace GxConsts
