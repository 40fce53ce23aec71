// Long random sequences of edits, posts, cancels, deletes, moves, sorts, merges and cancelled
// change logs, with cached updates switched on and off, checked after every step against a plain
// model: no row is lost, duplicated or changed behind the caller's back, the notices let a
// listener keep an exact copy of the list, and an index stays in step.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>

#include "editors/tools/toolctrlsgx.h"
#include "memtable/mtindex.h"
#include "store_support.h"

using namespace mtstore_test;

namespace {

struct ModelRow {
  int tag;                   // the TAG column: which row this is
  std::string name;          // NAME
  int amount;                // AMOUNT
  std::optional<std::pair<std::string, int>> old;  // what CancelUpdates restores
  TUpdateStatus status = usUnmodified;
};

// Keeps its own list of the store's records from the notices alone.
class TMirror : public TRecordsListNotificatorGx {
 public:
  explicit TMirror(TMemTableDataGx* store) : store_(store) {
    OnRecordChange = [this](TMemoryRecordGx* r, int index, int code) {
      switch (code) {
        case rlBeforeInsert: pendingInsert_ = index; break;
        case rlInserted:
          ASSERT_EQ(index, pendingInsert_);
          ASSERT_LE(index, static_cast<int>(list_.size()));
          list_.insert(list_.begin() + index, r);
          break;
        case rlBeforeDelete:
          ASSERT_LT(index, static_cast<int>(list_.size()));
          ASSERT_EQ(list_[static_cast<size_t>(index)], r);
          break;
        case rlDeleted: list_.erase(list_.begin() + index); break;
        case rlBeforeChange:
        case rlChanged:
        case rlMarkedDeleted:
          ASSERT_LT(index, static_cast<int>(list_.size()));
          ASSERT_EQ(list_[static_cast<size_t>(index)], r);
          break;
        case rlListChanged: list_ = store_->RecordsList()->Records(); break;
        default: break;
      }
    };
    OnRecordMoved = [this](TMemoryRecordGx* r, int from, int to) {
      ASSERT_EQ(list_[static_cast<size_t>(from)], r);
      list_.erase(list_.begin() + from);
      list_.insert(list_.begin() + to, r);
    };
  }
  const std::vector<TMemoryRecordGx*>& List() const { return list_; }

 private:
  TMemTableDataGx* store_;
  std::vector<TMemoryRecordGx*> list_;
  int pendingInsert_ = -1;
};

class RandomStore {
 public:
  // `rows` fetched rows to start from.
  explicit RandomStore(uint32_t seed, int rows = 0) : rng_(seed), store_(std::make_unique<TMemTableDataGx>(nullptr)) {
    TMTDataStructGx* s = store_->DataStruct();
    auto* tag = s->CreateField<TMTNumericDataFieldGx>();
    tag->SetFieldName("TAG");
    s->CreateField<TMTStringDataFieldGx>()->SetFieldName("NAME");
    s->CreateField<TMTNumericDataFieldGx>()->SetFieldName("AMOUNT");
    list_ = store_->RecordsList();
    mirror_ = std::make_unique<TMirror>(store_.get());
    mirror_->SetMemTableData(store_.get());
    index_ = list_->Indexes()->Add();
    index_->SetFields("TAG");
    index_->SetUnique(true);
    index_->SetActive(true);
    byName_ = list_->Indexes()->Add();
    byName_->SetFields("NAME;AMOUNT");
    byName_->SetActive(true);
    // Without cached updates every change is resolved: new rows get their AMOUNT from "the
    // server" when it is negative.
    resolver_.OnResolve = [this](TMemTableDataGx* changes) {
      ++resolves_;
      TMemoryRecordGx* c = changes->RecordsList()->Rec(0);
      if (c->UpdateStatus() == usInserted && c->Value(2).AsInteger() < 0) c->SetDataValue(2, rvCurrent, 1000);
    };
    resolver_.SetMemTableData(store_.get());
    for (int i = 0; i < rows; ++i) {
      ModelRow m = NewModelRow();
      TMemoryRecordGx* r = list_->NewRecord();
      Fill(r, m);
      list_->FetchRecord(r);
      model_.push_back(m);
    }
  }
  ~RandomStore() {
    resolver_.SetMemTableData(nullptr);
    mirror_.reset();
  }

  int Resolves() const { return resolves_; }
  size_t MostRows() const { return mostRows_; }
  int Steps() const { return steps_; }

  void Run(int steps) {
    for (int step = 0; step < steps && !::testing::Test::HasFailure(); ++step) {
      Step();
      ++steps_;
      mostRows_ = std::max(mostRows_, model_.size());
      Check(step);
    }
  }

 private:
  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
  std::string RandomName() { return "n" + std::to_string(Pick(8)); }

  void Fill(TMemoryRecordGx* r, const ModelRow& m) {
    r->SetDataValue(0, rvCurrent, m.tag);
    r->SetDataValue(1, rvCurrent, m.name);
    r->SetDataValue(2, rvCurrent, m.amount);
  }

  ModelRow NewModelRow() {
    ModelRow m{nextTag_++, RandomName(), Pick(10) - 3, std::nullopt, usUnmodified};
    return m;
  }

  void EditAndPost(int i, bool cached) {
    ModelRow& m = model_[static_cast<size_t>(i)];
    TMemoryRecordGx* r = list_->Rec(i);
    r->Edit();
    std::string name = RandomName();
    int amount = Pick(10);
    r->SetDataValue(1, rvCurrent, name);
    r->SetDataValue(2, rvCurrent, amount);
    r->Post();
    if (cached) {
      if (m.status == usUnmodified) m.status = usModified;
      if (m.status == usModified && !m.old) m.old = std::make_pair(m.name, m.amount);
    }
    m.name = name;
    m.amount = amount;
  }

  void MarkDeleted(int i, bool cached) {
    ModelRow& m = model_[static_cast<size_t>(i)];
    if (cached && m.status == usDeleted) {
      EXPECT_THROW(list_->MarkDel(i), Exception);
      return;
    }
    list_->MarkDel(i);
    if (!cached || m.status == usInserted)
      model_.erase(model_.begin() + i);
    else
      m.status = usDeleted;  // values from before an edit stay for a cancel
  }

  void Step() {
    bool cached = list_->CachedUpdates();
    int n = static_cast<int>(model_.size());
    int op = Pick(15);
    lastOp_ = "op " + std::to_string(op) + (cached ? " cached" : "") + " n=" + std::to_string(n);
    switch (op) {
      case 0:
      case 1: {  // append
        ModelRow m = NewModelRow();
        TMemoryRecordGx* r = list_->NewRecord();
        Fill(r, m);
        if (Pick(2)) {
          r->Post();
        } else {
          list_->AddRecord(r);
        }
        if (!cached && m.amount < 0) m.amount = 1000;
        m.status = cached ? usInserted : usUnmodified;
        model_.push_back(m);
        break;
      }
      case 2: {  // insert at a position
        ModelRow m = NewModelRow();
        int at = Pick(n + 1);
        TMemoryRecordGx* r = list_->NewRecord();
        Fill(r, m);
        list_->InsertRecord(r, at);
        if (!cached && m.amount < 0) m.amount = 1000;
        m.status = cached ? usInserted : usUnmodified;
        model_.insert(model_.begin() + at, m);
        break;
      }
      case 3: {  // fetch
        ModelRow m = NewModelRow();
        TMemoryRecordGx* r = list_->NewRecord();
        Fill(r, m);
        list_->FetchRecord(r);
        model_.push_back(m);
        break;
      }
      case 4:
      case 5:  // edit and post
        if (n == 0) break;
        EditAndPost(Pick(n), cached);
        break;
      case 6: {  // edit and cancel
        if (n == 0) break;
        TMemoryRecordGx* r = list_->Rec(Pick(n));
        r->Edit();
        r->SetDataValue(1, rvCurrent, "cancelled");
        r->Cancel();
        break;
      }
      case 7:
      case 8:  // mark deleted (deletes without cached updates)
        if (n == 0) break;
        MarkDeleted(Pick(n), cached);
        break;
      case 14: {  // edit, then delete the same row: a cancel must bring back its first values
        if (n == 0) break;
        int i = Pick(n);
        if (model_[static_cast<size_t>(i)].status == usDeleted) break;
        EditAndPost(i, cached);
        MarkDeleted(i, cached);
        break;
      }
      case 9: {  // delete outright
        if (n == 0) break;
        int i = Pick(n);
        list_->DeleteRecord(i);
        model_.erase(model_.begin() + i);
        break;
      }
      case 10: {  // move
        if (n < 2) break;
        int from = Pick(n), to = Pick(n);
        list_->MoveRecord(from, to);
        ModelRow m = model_[static_cast<size_t>(from)];
        model_.erase(model_.begin() + from);
        model_.insert(model_.begin() + to, m);
        break;
      }
      case 11: {  // cancel or merge the change log
        if (Pick(2)) {
          list_->CancelUpdates();
          std::vector<ModelRow> kept;
          for (ModelRow& m : model_) {
            if (m.status == usInserted) continue;
            if (m.old) {
              m.name = m.old->first;
              m.amount = m.old->second;
            }
            m.old.reset();
            m.status = usUnmodified;
            kept.push_back(m);
          }
          model_.swap(kept);
        } else {
          list_->MergeChangeLog();
          std::vector<ModelRow> kept;
          for (ModelRow& m : model_) {
            if (m.status == usDeleted) continue;
            m.old.reset();
            m.status = usUnmodified;
            kept.push_back(m);
          }
          model_.swap(kept);
        }
        if (Pick(3) == 0) list_->CleanupChangedData();
        break;
      }
      case 12: {  // sort by amount, then tag
        list_->SortData([](TMemoryRecordGx* a, TMemoryRecordGx* b) {
          int r = VarCompare(a->Value(2), b->Value(2));
          return r ? r : VarCompare(a->Value(0), b->Value(0));
        });
        std::sort(model_.begin(), model_.end(), [](const ModelRow& a, const ModelRow& b) {
          return a.amount != b.amount ? a.amount < b.amount : a.tag < b.tag;
        });
        break;
      }
      case 13:  // switch cached updates
        list_->SetCachedUpdates(!cached);
        break;
    }
  }

  void Check(int step) {
    SCOPED_TRACE("step " + std::to_string(step) + ": " + lastOp_);
    const auto& records = list_->Records();
    ASSERT_EQ(records.size(), model_.size());
    ASSERT_EQ(mirror_->List(), records) << "the notices did not describe the list";
    for (size_t i = 0; i < records.size(); ++i) {
      const TMemoryRecordGx* r = records[i];
      const ModelRow& m = model_[i];
      ASSERT_EQ(r->Index(), static_cast<int>(i));
      ASSERT_EQ(r->Value(0).AsInteger(), m.tag) << "row " << i;
      ASSERT_EQ(r->Value(1).AsString(), m.name) << "tag " << m.tag;
      ASSERT_EQ(r->Value(2).AsInteger(), m.amount) << "tag " << m.tag;
      ASSERT_EQ(r->UpdateStatus(), m.status) << "tag " << m.tag;
      ASSERT_EQ(r->EditState(), resBrowse);
      // A pending change is queued exactly where the record says.
      if (m.status != usUnmodified) {
        ASSERT_GE(r->UpdateIndex(), 0) << "tag " << m.tag;
        ASSERT_EQ(list_->PendingList()[static_cast<size_t>(r->UpdateIndex())], r);
      } else {
        ASSERT_EQ(r->UpdateIndex(), -1) << "tag " << m.tag;
      }
      if (m.old) {
        ASSERT_TRUE(r->HasOldValues());
        ASSERT_EQ(r->GetDataValue(1, rvOld).AsString(), m.old->first);
      }
    }
    int queued = 0;
    for (size_t k = 0; k < list_->PendingList().size(); ++k)
      if (const TMemoryRecordGx* p = list_->PendingList()[k]) {
        ++queued;
        ASSERT_EQ(p->UpdateIndex(), static_cast<int>(k));
        ASSERT_NE(p->UpdateStatus(), usUnmodified);
      }
    ASSERT_EQ(list_->HasCachedChanges(), queued > 0);
    CheckIndex(index_);
    CheckIndex(byName_);
  }

  // Every item names a record that holds its key, each record at most once, the items sorted;
  // every record not marked deleted is there.
  void CheckIndex(const TMTIndexGx* index) {
    std::vector<int> seen(model_.size(), 0);
    for (int k = 0; k < index->Count(); ++k) {
      const TIndexItemGx& item = index->Items(k);
      ASSERT_GE(item.RecIndex, 0);
      ASSERT_LT(item.RecIndex, static_cast<int>(model_.size()));
      ++seen[static_cast<size_t>(item.RecIndex)];
      ASSERT_TRUE(VariantsEqual(index->KeyOf(list_->Rec(item.RecIndex), rvCurrent), item.KeyValue))
          << index->Fields() << " item " << k;
      if (k > 0) {
        ASSERT_NE(CompareVariants(index->Items(k - 1).KeyValue, item.KeyValue), vrGreaterThan);
      }
    }
    for (size_t i = 0; i < model_.size(); ++i) {
      ASSERT_LE(seen[i], 1) << index->Fields() << " row " << i;
      if (model_[i].status != usDeleted) {
        ASSERT_EQ(seen[i], 1) << index->Fields() << " row " << i;
      }
    }
  }

  std::mt19937 rng_;
  std::unique_ptr<TMemTableDataGx> store_;
  TRecordsListGx* list_;
  std::unique_ptr<TMirror> mirror_;
  TRecordsListNotificatorGx resolver_;
  TMTIndexGx* index_;
  TMTIndexGx* byName_;
  std::vector<ModelRow> model_;
  int nextTag_ = 1;
  int resolves_ = 0;
  std::string lastOp_;
  int steps_ = 0;
  size_t mostRows_ = 0;
};

TEST(RandomStore, LongSequencesAgreeWithTheModel) {
  for (uint32_t seed : {1u, 7u, 42u, 2024u, 31337u}) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    RandomStore s(seed);
    s.Run(4000);
    EXPECT_EQ(s.Steps(), 4000);
    EXPECT_GT(s.Resolves(), 100) << "changes without cached updates go through the resolve hook";
  }
}

// Long enough for the list to hold many hundred rows: the records list and its indexes keep them
// in chunks of a few hundred, so these runs also cross, split and merge chunks.
TEST(RandomStore, LargerListsAgreeWithTheModel) {
  RandomStore s(4242, 1200);
  s.Run(1200);
  EXPECT_EQ(s.Steps(), 1200);
  EXPECT_GT(s.MostRows(), 1000u);
}

}  // namespace
