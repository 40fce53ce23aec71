#pragma once
// A small dataset over rows held in a vector, for driving the framework in tests. Each record
// buffer is a RecBuf; bookmarks are 4-byte row ids, so they survive inserts above a row.
#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/db/dataset.h"
#include "platform/db/datasource.h"
#include "platform/db/dbconsts.h"

class TTestDataSet : public TDataSet {
  FANO_CLASS(TTestDataSet)
 public:
  struct Row {
    int32_t Id;
    std::vector<Variant> Values;  // by field number - 1
  };

  explicit TTestDataSet(TComponent* owner = nullptr) : TDataSet(owner) {}
  ~TTestDataSet() override {
    Close();
  }

  // Rows are set before opening or between operations (then Refresh).
  void AddRow(std::vector<Variant> values) { rows_.push_back({nextId_++, std::move(values)}); }
  const std::vector<Row>& Rows() const { return rows_; }
  std::vector<Row>& MutableRows() { return rows_; }

  int Allocated() const { return allocated_; }
  int GetRecordCalls() const { return getRecordCalls_; }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool v) { readOnly_ = v; }

  bool GetFieldData(TField* field, Variant& value) override {
    RecBuf* b = reinterpret_cast<RecBuf*>(StateBuffer());
    if (State() == dsOldValue && b && b->Row >= 0) {
      int i = IndexOfId(b->Id);
      if (i >= 0 && field->FieldNo() > 0) {
        value = rows_[static_cast<size_t>(i)].Values[static_cast<size_t>(field->FieldNo() - 1)];
        return !VarIsNullOrEmpty(value);
      }
    }
    if (!b) return false;
    size_t idx = static_cast<size_t>(field->Index());
    if (idx >= b->Values.size()) return false;
    value = b->Values[idx];
    return !VarIsNullOrEmpty(value);
  }

  void SetFieldData(TField* field, const Variant& value) override {
    if (!dsWriteModes.Contains(State())) DatabaseError(SNotEditing, this);
    RecBuf* b = reinterpret_cast<RecBuf*>(StateBuffer());
    if (!b) DatabaseError(SNotEditing, this);
    field->Validate(value);
    size_t idx = static_cast<size_t>(field->Index());
    if (idx >= b->Values.size()) b->Values.resize(idx + 1);
    b->Values[idx] = value;
    TDataSetState s = State();
    if (s != dsCalcFields && s != dsFilter && s != dsNewValue && s != dsInternalCalc)
      DataEvent(deFieldChange, reinterpret_cast<NativeInt>(field));
  }

  // Buffers hold values by field index: a moved field needs them read again.
  void DataEvent(TDataEvent event, NativeInt info) override {
    TDataSet::DataEvent(event, info);
    if (event == deFieldListChange && Active() && State() == dsBrowse) Resync({});
  }

  using TDataSet::ActiveBuffer;
  using TDataSet::Buffers;
  using TDataSet::CalcBuffer;
  using TDataSet::TempBuffer;

  // The row id a ring slot holds (-1 for a new record).
  int SlotId(int slot) const { return reinterpret_cast<RecBuf*>(Buffers(slot))->Id; }

 protected:
  struct RecBuf {
    int32_t Id = -1;
    int Row = -1;
    TBookmarkFlag Flag = bfCurrent;
    std::vector<Variant> Values;  // by field index
  };

  TRecordBuffer AllocRecordBuffer() override {
    ++allocated_;
    auto* b = new RecBuf;
    b->Values.resize(static_cast<size_t>(FieldCount()));
    return reinterpret_cast<TRecordBuffer>(b);
  }
  void FreeRecordBuffer(TRecordBuffer& buffer) override {
    --allocated_;
    delete reinterpret_cast<RecBuf*>(buffer);
    buffer = nullptr;
  }

  TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) override {
    ++getRecordCalls_;
    RecBuf* b = reinterpret_cast<RecBuf*>(buffer);
    const int n = static_cast<int>(rows_.size());
    for (;;) {
      switch (mode) {
        case gmNext:
          if (current_ >= n - 1) {
            current_ = n;
            return grEOF;
          }
          ++current_;
          break;
        case gmPrior:
          if (current_ <= 0) {
            current_ = -1;
            return grBOF;
          }
          --current_;
          break;
        case gmCurrent:
          if (current_ < 0 || current_ >= n) {
            if (doCheck) DatabaseError("No data found", this);
            return grError;
          }
          break;
      }
      Fill(b, current_);
      if (Accept(b)) return grOK;
      if (mode == gmCurrent) return grError;
    }
  }

  int GetRecordSize() const override { return static_cast<int>(sizeof(RecBuf)); }
  void InternalOpen() override {
    BookmarkSize = 4;
    FieldDefs().SetUpdated(false);
    FieldDefs().Update();
    if (DefaultFields()) CreateFields();
    BindFields(true);
    if (FieldCount() == 0) DatabaseError("No fields defined", this);
    open_ = true;
    InternalFirst();
  }
  void InternalClose() override {
    open_ = false;
    BindFields(false);
    if (DefaultFields()) DestroyFields();
  }
  void InternalInitFieldDefs() override {}
  bool IsCursorOpen() const override { return open_; }
  void InternalFirst() override { current_ = -1; }
  void InternalLast() override { current_ = static_cast<int>(rows_.size()); }

  void InternalPost() override {
    TDataSet::InternalPost();
    RecBuf* b = reinterpret_cast<RecBuf*>(ActiveBuffer());
    if (State() == dsInsert) {
      InternalAddRecord(ActiveBuffer(), Eof());
    } else {
      int i = IndexOfId(b->Id);
      if (i < 0) DatabaseError(SRecordNotFound, this);
      Store(b, rows_[static_cast<size_t>(i)]);
      current_ = i;
    }
  }
  void InternalAddRecord(TRecordBuffer buffer, bool append) override {
    RecBuf* b = reinterpret_cast<RecBuf*>(buffer);
    Row row{nextId_++, std::vector<Variant>(static_cast<size_t>(FieldDefs().Count()), Null())};
    Store(b, row);
    if (append || current_ < 0 || current_ >= static_cast<int>(rows_.size())) {
      rows_.push_back(row);
      current_ = static_cast<int>(rows_.size()) - 1;
    } else {
      rows_.insert(rows_.begin() + current_, row);
    }
  }
  void InternalDelete() override {
    if (current_ < 0 || current_ >= static_cast<int>(rows_.size())) DatabaseError(SRecordNotFound, this);
    rows_.erase(rows_.begin() + current_);
    if (current_ >= static_cast<int>(rows_.size())) current_ = static_cast<int>(rows_.size()) - 1;
  }
  void InternalInitRecord(TRecordBuffer buffer) override {
    RecBuf* b = reinterpret_cast<RecBuf*>(buffer);
    b->Id = -1;
    b->Row = -1;
    b->Values.assign(static_cast<size_t>(FieldCount()), Null());
  }
  void ClearCalcFields(TRecordBuffer buffer) override {
    RecBuf* b = reinterpret_cast<RecBuf*>(buffer);
    for (TField* f : Fields())
      if (f->FieldKind() == fkCalculated || f->FieldKind() == fkLookup)
        b->Values[static_cast<size_t>(f->Index())] = Null();
  }
  void InternalSetToRecord(TRecordBuffer buffer) override {
    int32_t id = reinterpret_cast<RecBuf*>(buffer)->Id;
    InternalGotoBookmark(reinterpret_cast<const Byte*>(&id));
  }
  void InternalGotoBookmark(const Byte* bookmark) override {
    int32_t id;
    std::memcpy(&id, bookmark, 4);
    int i = IndexOfId(id);
    if (i < 0) DatabaseError(SRecordNotFound, this);
    current_ = i;
  }
  void GetBookmarkData(TRecordBuffer buffer, Byte* data) override {
    std::memcpy(data, &reinterpret_cast<RecBuf*>(buffer)->Id, 4);
  }
  void SetBookmarkData(TRecordBuffer buffer, const Byte* data) override {
    std::memcpy(&reinterpret_cast<RecBuf*>(buffer)->Id, data, 4);
  }
  TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) override { return reinterpret_cast<RecBuf*>(buffer)->Flag; }
  void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag value) override {
    reinterpret_cast<RecBuf*>(buffer)->Flag = value;
  }
  int GetRecNo() const override {
    CheckActive();
    if (IsEmpty()) return 0;
    auto* b = reinterpret_cast<RecBuf*>(ActiveBuffer());
    return b->Id < 0 ? 0 : IndexOfId(b->Id) + 1;
  }
  int GetRecordCount() const override {
    CheckActive();
    return static_cast<int>(rows_.size());
  }
  bool GetCanModify() const override { return !readOnly_; }

 public:
  void SetRecNo(int value) override {
    CheckBrowseMode();
    if (value < 1 || value > static_cast<int>(rows_.size())) return;
    DoBeforeScroll();
    current_ = value - 1;
    Resync({rmCenter});
    DoAfterScroll();
  }
  bool BookmarkValid(const TBookmark& bookmark) override {
    if (!Active() || bookmark.size() != 4) return false;
    int32_t id;
    std::memcpy(&id, bookmark.data(), 4);
    return IndexOfId(id) >= 0;
  }
  int CompareBookmarks(const TBookmark& a, const TBookmark& b) override {
    if (a.empty() || b.empty()) return TDataSet::CompareBookmarks(a, b);
    int32_t x, y;
    std::memcpy(&x, a.data(), 4);
    std::memcpy(&y, b.data(), 4);
    int ix = IndexOfId(x), iy = IndexOfId(y);
    return ix < iy ? -1 : ix > iy ? 1 : 0;
  }

 private:
  int IndexOfId(int32_t id) const {
    for (size_t i = 0; i < rows_.size(); ++i)
      if (rows_[i].Id == id) return static_cast<int>(i);
    return -1;
  }
  void Fill(RecBuf* b, int row) {
    const Row& r = rows_[static_cast<size_t>(row)];
    b->Id = r.Id;
    b->Row = row;
    b->Flag = bfCurrent;
    b->Values.assign(static_cast<size_t>(FieldCount()), Null());
    for (TField* f : Fields())
      if (f->FieldNo() > 0 && static_cast<size_t>(f->FieldNo() - 1) < r.Values.size())
        b->Values[static_cast<size_t>(f->Index())] = r.Values[static_cast<size_t>(f->FieldNo() - 1)];
    GetCalcFields(reinterpret_cast<TRecordBuffer>(b));
  }
  bool Accept(RecBuf* b) {
    if (!Filtered() || !OnFilterRecord()) return true;
    (void)b;
    bool accept = true;
    TDataSetState saved = SetTempState(dsFilter);
    try {
      OnFilterRecord()(this, accept);
    } catch (...) {
      RestoreState(saved);
      throw;
    }
    RestoreState(saved);
    return accept;
  }
  void Store(RecBuf* b, Row& row) {
    if (row.Values.size() < static_cast<size_t>(FieldDefs().Count())) row.Values.resize(static_cast<size_t>(FieldDefs().Count()));
    for (TField* f : Fields())
      if (f->FieldNo() > 0) row.Values[static_cast<size_t>(f->FieldNo() - 1)] = b->Values[static_cast<size_t>(f->Index())];
  }

  std::vector<Row> rows_;
  int32_t nextId_ = 1;
  int current_ = -1;
  bool open_ = false;
  bool readOnly_ = false;
  int allocated_ = 0;
  int getRecordCalls_ = 0;
};

// A link that records what it is told.
class TRecordingLink : public TDataLink {
 public:
  std::vector<std::string> Log;
  void ActiveChanged() override { Log.push_back(std::string("active:") + (Active() ? "1" : "0")); }
  void DataSetChanged() override { Log.push_back("changed"); }
  void DataSetScrolled(int distance) override { Log.push_back("scrolled:" + std::to_string(distance)); }
  void EditingChanged() override { Log.push_back(std::string("editing:") + (Editing() ? "1" : "0")); }
  void LayoutChanged() override { Log.push_back("layout"); }
  void RecordChanged(TField* field) override {
    Log.push_back("record:" + (field ? field->FieldName() : std::string("-")));
  }
  void UpdateData() override {
    Log.push_back("update");
    if (Pending) Pending();
  }
  void CheckBrowseMode() override { Log.push_back("checkbrowse"); }
  void DataEvent(TDataEvent event, NativeInt info) override {
    if (event == deDisabledStateChange) Log.push_back(info ? "enabled" : "disabled");
    TDataLink::DataEvent(event, info);
  }
  std::function<void()> Pending;
  std::string Joined() const {
    std::string s;
    for (const std::string& e : Log) s += (s.empty() ? "" : " ") + e;
    return s;
  }
};
