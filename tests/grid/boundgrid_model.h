#pragma once
// A randomized walk over a grid bound to a memory table with a sum footer: keys through the
// window queue (typing, Up/Down, Insert, Esc, Ctrl+Del with and without confirmation) and the
// table's own calls (Post, Cancel, Delete, Append, cached updates), each step checked against a
// plain model of the rows, the pending edit, the cursor and the footer sum. Shared by the grid
// tests (a fixed number of steps) and a fuzz target (steps drawn from the fuzzer's bytes).
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "grid/dbgrid.h"
#include "memtable/memtable.h"
#include "platform/db/datasource.h"
#include "platform/forms/dialogs.h"
#include "platform/forms/forms.h"

namespace boundgrid {

struct ModelRow {
  std::optional<std::string> Name;
  std::optional<double> Amount;
  bool operator==(const ModelRow&) const = default;
};

// Where the walk found the grid or the table differing from the model.
struct Mismatch {
  std::string What;
};

class BoundGridWalk {
 public:
  // Makes the table, the form and the grid (headless display and test font must be set up).
  BoundGridWalk();
  ~BoundGridWalk();
  BoundGridWalk(const BoundGridWalk&) = delete;
  BoundGridWalk& operator=(const BoundGridWalk&) = delete;

  // One step chosen by `choice`, with `arg` for its detail; throws Mismatch when a check fails.
  void Step(unsigned choice, unsigned arg);
  // Checks everything against the model; throws Mismatch.
  void Check();
  // The steps done so far, for a failure message.
  const std::vector<std::string>& Log() const { return log_; }
  int Steps() const { return steps_; }

 private:
  enum class State { Browse, Edit, Insert };
  void Key(unsigned vk, bool shift = false, bool ctrl = false);
  void Type(const std::string& text);
  int CurrentRow() const;
  // The model's side of leaving the record (moving, inserting, deleting): the editor's text is
  // written; a changed record is posted, an untouched one cancelled.
  void ModelWriteEditor();
  void ModelCheckBrowse();
  void ModelPost();
  void ModelCancel();
  void ModelStartEdit();
  void Fail(const std::string& what);

  void DoType(unsigned arg);
  void DoMove(bool down);
  void DoInsertKey();
  void DoEscape();
  void DoCtrlDelete(unsigned arg);
  void DoPost();
  void DoCancel();
  void DoTableDelete();
  void DoTableAppend();
  void DoCachedUpdates(unsigned arg);

  TForm* form_ = nullptr;
  TDBGridGx* grid_ = nullptr;
  TMemTableGx* table_ = nullptr;
  TDataSource* source_ = nullptr;
  TColumnGx* amount_ = nullptr;
  std::unique_ptr<TScriptedDialogService> dialogs_;
  TMessageEvent savedOnMessage_;

  std::vector<ModelRow> rows_;
  std::vector<ModelRow> base_;  // the rows when cached updates were last merged
  State state_ = State::Browse;
  ModelRow buffer_;             // the record buffer of an edit or insert
  bool dsModified_ = false;     // a field of the buffer was written
  int editorCol_ = -1;          // data column of the editor's unwritten text, -1 none
  std::string editorText_;
  int insertAt_ = -1;
  int editRow_ = -1;
  bool cached_ = false;
  int textSerial_ = 0;
  int steps_ = 0;
  std::vector<std::string> log_;
};

}  // namespace boundgrid
