#include "editors/tools/gxconsts.h"

namespace GxConsts {

const char* LoadStr(int id) noexcept {
  switch (id) {
    case SFilterEmpty: return "(Empty)";
    case SFilterNotEmpty: return "(Not empty)";
    case SFilterAll: return "(All)";
    case SFilterClear: return "(Clear filter)";
    case SOrderAscending: return "(Order by ascending)";
    case SOrderDescending: return "(Order by descending)";
    case SClearSelectedCells: return "Clear selected cells?";
    case SInvalidTextFormat: return "Invalid text format";
    case SInvalidGridBifFormat: return "Invalid GRIDBIF format";
    case SErrorDuringInsert: return "Error during insert value:";
    case SIgnoreError: return "Ignore error?";
    case SFieldNameNotFound: return "Field name '%s' not found";
    case SVisibleColumns: return "Visible columns";
    case SMenuCut: return "Cut";
    case SMenuCopy: return "Copy";
    case SMenuPaste: return "Paste";
    case SMenuDelete: return "Delete";
    case SMenuSelectAll: return "Select All";
    default: return "";
  }
}

}  // namespace GxConsts
