#pragma once
// The interfaces through which the data grid and its find dialog drive a memory table without
// knowing its class: IMemTableGx (rows, tree nodes, instant reading, moving rows, distinct-value
// lists, client registration), and the notification a registered client receives of row changes.
#include <memory>
#include <string>

class TBMListGx;
class TComponent;
class TMemoryRecordGx;
class IMemTableDataFieldValueListGx;

// Row notification codes.
enum : int {
  mtnRowAdded = 0,
  mtnRowChanged = 1,
  mtnRowRemoved = 2,
  mtnRowMoved = 3,       // extra: the new position
  mtnAllChanged = 4,     // index and extra -1
};

// Implemented by a component that registers with a memory table (the data grid).
class IMemTableNotificationGx {
 public:
  virtual ~IMemTableNotificationGx() = default;
  // index: the row's view position (-1 for everything); extra: the new position of a moved row.
  virtual void MemTableRowNotification(int index, int code, int extra) = 0;
};

// A row index is 0-based in the table's view, a row number 1-based. The current record is the
// one under the cursor, or the row entered by InstantReadEnter.
class IMemTableGx {
 public:
  virtual ~IMemTableGx() = default;
  // Up to count more rows from the table's source (-1: all); 0 when the table is closed.
  virtual int FetchRecords(int count) = 0;
  // The view index of the current row, once the cursor is brought in line.
  virtual int GetCurrentRowIndex() = 0;
  // Always 0.
  virtual int GetRowReserved() = 0;
  // The current row's tree node: expanded, has children, level (1 at the top; -1 without node).
  virtual bool GetNodeExpanded() = 0;
  virtual bool GetNodeHasChildren() = 0;
  virtual int GetNodeLevel() = 0;
  // Levels of the rows before and after the current one; -1 when there is none.
  virtual int GetPriorRowNodeLevel() = 0;
  virtual int GetNextRowNodeLevel() = 0;
  // The record the current row shows (null for a new row).
  virtual TMemoryRecordGx* GetActiveMemoryRecord() = 0;
  // -1 for an empty bookmark.
  virtual int BookmarkToRowIndex(const std::string& bookmark) = 0;
  // The view's row count, plus one while a row is being inserted.
  virtual int GetRowCount() = 0;
  virtual bool IsTreeView() = 0;
  // Whether the current row's ancestor at that level has a later visible sibling.
  virtual bool AncestorHasNextSibling(int level) = 0;
  // Makes the record current when the view shows it.
  virtual bool LocateRecord(TMemoryRecordGx* rec) = 0;
  // Expands or collapses the node of the row; answers the row number to make current (-1: none).
  virtual int SetNodeExpanded(int rowIndex, bool expanded) = 0;
  // The distinct values of a field; nothing when the table has no such field.
  virtual void CreateFieldValueList(const std::string& fieldName, std::unique_ptr<IMemTableDataFieldValueListGx>& list) = 0;
  // Moves the listed rows before the target row (in tree view to the level); with checkOnly only
  // answers whether they may be moved.
  virtual bool MoveRecords(TBMListGx* bookmarks, int targetRecNo, int treeLevel, bool checkOnly) = 0;
  // Reads a row without moving the cursor; calls nest.
  virtual void InstantReadEnter(int rowIndex) = 0;
  // Raises "TCustomMemTableGx not in instant read mode." when none was entered.
  virtual void InstantReadLeave() = 0;
  // Adds a client (once) and answers its position in the client list.
  virtual int RegisterClient(TComponent* client) = 0;
  virtual void UnregisterClient(TComponent* client) = 0;
};
