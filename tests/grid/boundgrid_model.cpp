#include "boundgrid_model.h"

#include <cmath>
#include <cstdlib>

#include "grid/inplaceedit.h"
#include "platform/os/winuser.h"
#include "platform/rtl/sysutils.h"
#include "support/ui_input.h"

namespace boundgrid {

namespace {

constexpr int kNameCol = 0;
constexpr int kAmountCol = 1;
constexpr int kMaxRows = 12;

using uitest::Pump;

// Painting every step would be most of the walk's time: the grid paints on every 32nd step
// (and so still reads every row it shows), the other steps drop their paint messages.
bool paintThisStep = true;

std::string Show(const ModelRow& r) {
  std::string s = r.Name ? *r.Name : "<null>";
  s += "/";
  s += r.Amount ? std::to_string(*r.Amount) : "<null>";
  return s;
}

int64_t Fixed4(double v) { return static_cast<int64_t>(std::llround(v * 10000.0)); }

}  // namespace

BoundGridWalk::BoundGridWalk() {
  table_ = new TMemTableGx(nullptr);
  table_->FieldDefs().Add("NAME", ftString, 20);
  table_->FieldDefs().Add("AMOUNT", ftFloat);
  table_->CreateDataSet();
  for (int i = 0; i < 4; ++i) {
    ModelRow r{"r" + std::to_string(i), 1.5 * (i + 1)};
    table_->Append();
    table_->FieldByName("NAME")->SetValue(*r.Name);
    table_->FieldByName("AMOUNT")->SetValue(*r.Amount);
    table_->Post();
    rows_.push_back(r);
  }
  table_->First();
  source_ = new TDataSource(nullptr);
  source_->SetDataSet(table_);
  form_ = new TForm(nullptr);
  form_->SetBounds(10, 10, 340, 200);
  grid_ = new TDBGridGx(form_);
  grid_->SetBorderStyle(bsNone);
  grid_->SetParent(form_);
  grid_->SetBounds(0, 0, 300, 150);
  grid_->Columns()->Add()->SetFieldName("NAME");
  amount_ = grid_->Columns()->Add();
  amount_->SetFieldName("AMOUNT");
  grid_->SetFooterRowCount(1);
  amount_->Footer()->SetValueType(fvtSum);
  grid_->SetDataSource(source_);
  grid_->SumList()->SetActive(true);
  form_->Show();
  Pump();
  grid_->SetFocus();
  Pump();
  dialogs_ = std::make_unique<TScriptedDialogService>(true);
  savedOnMessage_ = Application->OnMessage;
  Application->OnMessage = [](MSG& msg, bool& handled) {
    if (msg.message == WM_PAINT && !paintThisStep) {
      PAINTSTRUCT ps;
      BeginPaint(msg.hwnd, &ps);
      EndPaint(msg.hwnd, &ps);
      handled = true;
    }
  };
}

BoundGridWalk::~BoundGridWalk() {
  Application->OnMessage = savedOnMessage_;
  paintThisStep = true;
  dialogs_.reset();
  form_->Free();
  delete source_;
  delete table_;
  Pump();
}

void BoundGridWalk::Fail(const std::string& what) {
  std::string s = what + " (step " + std::to_string(steps_) + "; last steps:";
  const size_t from = log_.size() > 12 ? log_.size() - 12 : 0;
  for (size_t i = from; i < log_.size(); ++i) s += " " + log_[i];
  throw Mismatch{s + ")"};
}

void BoundGridWalk::Key(unsigned vk, bool shift, bool ctrl) { uitest::KeyPress(vk, shift, ctrl); }

void BoundGridWalk::Type(const std::string& text) { uitest::Type(text.c_str()); }

int BoundGridWalk::CurrentRow() const { return table_->GetCurrentRowIndex(); }

// ---- the model's rules

void BoundGridWalk::ModelStartEdit() {
  if (state_ != State::Browse) return;
  state_ = State::Edit;
  editRow_ = CurrentRow();
  buffer_ = rows_[static_cast<size_t>(editRow_)];
  dsModified_ = false;
}

void BoundGridWalk::ModelWriteEditor() {
  if (editorCol_ < 0) return;
  if (editorCol_ == kNameCol) {
    buffer_.Name = editorText_;
  } else {
    buffer_.Amount = StrToFloat(editorText_);
  }
  dsModified_ = true;
  editorCol_ = -1;
}

void BoundGridWalk::ModelPost() {
  ModelWriteEditor();
  if (state_ == State::Edit) rows_[static_cast<size_t>(editRow_)] = buffer_;
  else if (state_ == State::Insert) rows_.insert(rows_.begin() + insertAt_, buffer_);
  state_ = State::Browse;
  dsModified_ = false;
}

void BoundGridWalk::ModelCancel() {
  editorCol_ = -1;
  state_ = State::Browse;
  dsModified_ = false;
}

void BoundGridWalk::ModelCheckBrowse() {
  if (state_ == State::Browse) return;
  ModelWriteEditor();
  if (dsModified_) ModelPost();
  else ModelCancel();
}

// ---- steps

void BoundGridWalk::Step(unsigned choice, unsigned arg) {
  ++steps_;
  paintThisStep = steps_ % 32 == 0;
  switch (choice % 16) {
    case 0: case 1: case 2: case 3: DoType(arg); break;
    case 4: case 5: DoMove(true); break;
    case 6: case 7: DoMove(false); break;
    case 8: DoInsertKey(); break;
    case 9: DoEscape(); break;
    case 10: DoCtrlDelete(arg); break;
    case 11: DoPost(); break;
    case 12: DoCancel(); break;
    case 13: DoTableDelete(); break;
    case 14: DoTableAppend(); break;
    default: DoCachedUpdates(arg); break;
  }
  Check();
}

void BoundGridWalk::DoType(unsigned arg) {
  if (rows_.empty() && state_ != State::Insert) return;
  const int col = (arg & 1) ? kAmountCol : kNameCol;
  std::string text;
  if (col == kNameCol) text = "n" + std::to_string(++textSerial_ % 1000);
  else text = std::to_string((arg >> 1) % 200) + ((arg & 2) ? ".5" : "");
  log_.push_back("type" + std::to_string(col) + ":" + text);
  // Another column takes the editor's text first.
  if (editorCol_ >= 0 && editorCol_ != col) ModelWriteEditor();
  grid_->SetCol(grid_->DataToRawColumn(col));
  if (grid_->IsEditorVisible()) grid_->InplaceEditor()->SelectAll();
  Type(text);
  ModelStartEdit();
  editorCol_ = col;
  editorText_ = text;
}

void BoundGridWalk::DoMove(bool down) {
  log_.push_back(down ? "down" : "up");
  // A new record nobody wrote to is dropped instead of left (Down keeps it at the end).
  const bool untouched = state_ == State::Insert && !dsModified_ && editorCol_ < 0;
  const bool eof = table_->Eof();
  Key(down ? VK_DOWN : VK_UP);
  if (untouched) {
    if (down ? !eof : eof) {
      ModelCancel();
      return;
    }
    if (down) return;
  }
  ModelCheckBrowse();
  // At the last record Down appends a new one.
  if (down && table_->State() == dsInsert && rows_.size() < kMaxRows + 10) {
    state_ = State::Insert;
    buffer_ = ModelRow{};
    dsModified_ = false;
    insertAt_ = static_cast<int>(rows_.size());
  }
}

void BoundGridWalk::DoInsertKey() {
  if (rows_.size() >= kMaxRows) return;
  log_.push_back("ins");
  const bool wasInsert = state_ == State::Insert;
  const bool touched = dsModified_ || editorCol_ >= 0;
  Key(VK_INSERT);
  if (wasInsert && !touched) {
    // The untouched new record is cancelled and another one inserted where the cursor then is.
    ModelCancel();
  } else {
    ModelCheckBrowse();
  }
  state_ = State::Insert;
  buffer_ = ModelRow{};
  dsModified_ = false;
  insertAt_ = rows_.empty() ? 0 : CurrentRow();
}

void BoundGridWalk::DoEscape() {
  log_.push_back("esc");
  Key(VK_ESCAPE);
  if (editorCol_ >= 0) editorCol_ = -1;  // the editor's text goes, the record stays in edit
  else ModelCancel();
}

void BoundGridWalk::DoCtrlDelete(unsigned arg) {
  const unsigned mode = arg % 3;  // 0 confirmed, 1 refused, 2 unasked
  log_.push_back("ctrl+del" + std::to_string(mode));
  TDBGridOptions o = grid_->DBOptions();
  if (mode == 2) o.Exclude(dgConfirmDelete);
  else o.Include(dgConfirmDelete);
  grid_->SetDBOptions(o);
  if (table_->IsEmpty()) return;
  const size_t asked = dialogs_->Requests().size();
  if (mode == 0) dialogs_->Answer(mrOk);
  if (mode == 1) dialogs_->Answer(mrCancel);
  const int at = CurrentRow();
  Key(VK_DELETE, false, true);
  const size_t expectAsked = asked + (mode == 2 ? 0 : 1);
  if (dialogs_->Requests().size() != expectAsked || dialogs_->PendingAnswers() != 0)
    Fail("Ctrl+Del asked " + std::to_string(dialogs_->Requests().size() - asked) + " times" +
         (dialogs_->Requests().size() > asked ? ": " + dialogs_->Requests().back().Text : std::string()));
  if (mode == 1) return;
  if (state_ == State::Insert) {
    ModelCancel();
    return;
  }
  ModelWriteEditor();
  rows_.erase(rows_.begin() + at);
  state_ = State::Browse;
  dsModified_ = false;
}

void BoundGridWalk::DoPost() {
  if (state_ == State::Browse) return;
  log_.push_back("post");
  table_->Post();
  Pump();
  ModelPost();
}

void BoundGridWalk::DoCancel() {
  log_.push_back("cancel");
  table_->Cancel();
  Pump();
  ModelCancel();
}

void BoundGridWalk::DoTableDelete() {
  if (table_->IsEmpty()) return;
  log_.push_back("delete");
  const int at = CurrentRow();
  table_->Delete();
  Pump();
  if (state_ == State::Insert) {
    ModelCancel();
    return;
  }
  ModelWriteEditor();
  rows_.erase(rows_.begin() + at);
  state_ = State::Browse;
  dsModified_ = false;
}

void BoundGridWalk::DoTableAppend() {
  if (rows_.size() >= kMaxRows) return;
  log_.push_back("append");
  table_->Append();
  Pump();
  ModelCheckBrowse();
  state_ = State::Insert;
  buffer_ = ModelRow{};
  dsModified_ = false;
  insertAt_ = static_cast<int>(rows_.size());
}

void BoundGridWalk::DoCachedUpdates(unsigned arg) {
  if (state_ != State::Browse) {
    DoPost();
    return;
  }
  if (!cached_) {
    log_.push_back("cached on");
    table_->SetCachedUpdates(true);
    cached_ = true;
    base_ = rows_;
    return;
  }
  switch (arg % 3) {
    case 0:
      log_.push_back("cancel updates");
      table_->CancelUpdates();
      rows_ = base_;
      break;
    case 1:
      log_.push_back("merge");
      table_->MergeChangeLog();
      base_ = rows_;
      break;
    default:
      log_.push_back("cached off");
      table_->MergeChangeLog();
      table_->SetCachedUpdates(false);
      cached_ = false;
      break;
  }
  Pump();
}

// ---- checks

void BoundGridWalk::Check() {
  const TDataSetState st = table_->State();
  const TDataSetState want = state_ == State::Browse ? dsBrowse : (state_ == State::Edit ? dsEdit : dsInsert);
  if (st != want) Fail("table state " + std::to_string(st) + ", model " + std::to_string(want));
  const int offset = grid_->GetTitleOffset();
  const int n = static_cast<int>(rows_.size());
  const int shown = n + (state_ == State::Insert ? 1 : 0);
  if (table_->RecordCount() != n)
    Fail("record count " + std::to_string(table_->RecordCount()) + ", model " + std::to_string(n));
  if (table_->GetRowCount() != shown)
    Fail("row count " + std::to_string(table_->GetRowCount()) + ", model " + std::to_string(shown));
  if (grid_->RowCount() != offset + std::max(1, shown))
    Fail("grid rows " + std::to_string(grid_->RowCount()) + " for " + std::to_string(shown) + " records");
  int cur = CurrentRow();
  // A new record in an empty table stands before the (empty) start.
  if (cur == -1 && state_ == State::Insert && n == 0) cur = 0;
  if (shown > 0 && (cur < 0 || cur >= shown)) Fail("current row " + std::to_string(cur));
  if (shown > 0 && grid_->Row() != offset + cur)
    Fail("grid row " + std::to_string(grid_->Row()) + ", table row " + std::to_string(cur));
  if (state_ == State::Insert && cur != insertAt_)
    Fail("inserting at " + std::to_string(cur) + ", model " + std::to_string(insertAt_));
  // Every row as the grid reads it: the edited one with its buffer.
  for (int i = 0; i < shown; ++i) {
    ModelRow expect;
    if (state_ == State::Insert && i == insertAt_) expect = buffer_;
    else if (state_ == State::Edit && i == editRow_) expect = buffer_;
    else expect = rows_[static_cast<size_t>(state_ == State::Insert && i > insertAt_ ? i - 1 : i)];
    table_->InstantReadEnter(i);
    ModelRow got;
    TField* name = table_->FieldByName("NAME");
    TField* amount = table_->FieldByName("AMOUNT");
    if (!name->IsNull()) got.Name = name->AsString();
    if (!amount->IsNull()) got.Amount = amount->AsFloat();
    table_->InstantReadLeave();
    if (!(got == expect)) Fail("row " + std::to_string(i) + " is " + Show(got) + ", model " + Show(expect));
  }
  if (state_ == State::Browse) {
    int64_t sum = 0;
    for (const ModelRow& r : rows_)
      if (r.Amount) sum += Fixed4(*r.Amount);
    TDBSum* item = amount_->Footer()->SumItem();
    if (!item || item->SumValue() != sum)
      Fail("footer sum " + std::to_string(item ? item->SumValue() : -1) + ", model " + std::to_string(sum));
  }
}

}  // namespace boundgrid
