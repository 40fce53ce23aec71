// The chunked sequence under the records list and the records view, against a plain array: long
// random runs of inserts and removals in the middle, at the ends and in bursts (chunks split,
// emptied and merged), with every item's own idea of its position checked; then the same on a
// large record store with indexes and a records view, where positions, index items and the view
// must stay in step through many middle inserts and deletes.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "editors/tools/toolctrlsgx.h"
#include "memtable/chunkseq.h"
#include "memtable/mtindex.h"
#include "memtable/recordsview.h"
#include "store_support.h"

namespace {

struct Item {
  int Value = 0;
  const TSeqChunkGx* Chunk = nullptr;
  int Slot = -1;
};

struct ItemPlace {
  static void Place(Item*& item, const TSeqChunkGx* chunk, int slot) noexcept {
    item->Chunk = chunk;
    item->Slot = slot;
  }
};

using Seq = TChunkSeqGx<Item*, ItemPlace>;

void CheckSeq(const Seq& seq, const std::vector<Item*>& model) {
  ASSERT_EQ(seq.size(), model.size());
  ASSERT_TRUE(seq == model);
  for (size_t i = 0; i < model.size(); ++i) {
    ASSERT_EQ(seq[i], model[i]) << i;
    ASSERT_EQ(seq.PositionOf(model[i]->Chunk, model[i]->Slot), static_cast<int>(i)) << "item " << model[i]->Value;
  }
  // The chunks as searches read them: every item once, in order, each chunk where it starts.
  size_t seen = 0;
  for (size_t c = 0; c < seq.ChunkCount(); ++c) {
    ASSERT_EQ(seq.ChunkStart(c), static_cast<int>(seen));
    ASSERT_GT(seq.ChunkSize(c), 0);
    for (int i = 0; i < seq.ChunkSize(c); ++i) ASSERT_EQ(seq.ChunkData(c)[i], model[seen++]);
  }
  ASSERT_EQ(seen, model.size());
  // Reading backwards goes through the binary search rather than the last-read chunk.
  for (size_t i = model.size(); i-- > 0;) ASSERT_EQ(seq[i], model[i]) << i;
}

TEST(ChunkSeq, FollowsAPlainArrayThroughRandomEdits) {
  std::mt19937 rng(5);
  std::vector<std::unique_ptr<Item>> pool;
  std::vector<Item*> model;
  Seq seq;
  auto make = [&] {
    pool.push_back(std::make_unique<Item>());
    pool.back()->Value = static_cast<int>(pool.size());
    return pool.back().get();
  };
  for (int step = 0; step < 6000 && !testing::Test::HasFailure(); ++step) {
    const int op = static_cast<int>(rng() % 10);
    const size_t n = model.size();
    // Grow to a few thousand items, then shrink to nothing, then grow again.
    const bool growing = (step / 2000) % 2 == 0;
    if (op < (growing ? 6 : 3) || n == 0) {
      Item* item = make();
      size_t at = op == 0 ? n : (rng() % (n + 1));
      if (op == 1) at = 0;
      // Bursts at one place split the same chunk again and again.
      const int burst = op == 2 ? 40 : 1;
      for (int b = 0; b < burst; ++b) {
        Item* it = b == 0 ? item : make();
        seq.insert(at, it);
        model.insert(model.begin() + static_cast<std::ptrdiff_t>(at), it);
      }
    } else {
      size_t at = rng() % n;
      const int burst = op == 9 ? std::min<int>(30, static_cast<int>(n - at)) : 1;
      for (int b = 0; b < burst; ++b) {
        Item* gone = seq.erase(at);
        ASSERT_EQ(gone, model[at]);
        model.erase(model.begin() + static_cast<std::ptrdiff_t>(at));
      }
    }
    if (step % 50 == 0 || model.size() < 300) CheckSeq(seq, model);
  }
  CheckSeq(seq, model);
  seq.assign(std::vector<Item*>(model));
  CheckSeq(seq, model);
  seq.clear();
  EXPECT_TRUE(seq.empty());
  EXPECT_EQ(seq.begin(), seq.end());
}

// A store of a few thousand rows with a unique and a non-unique index and a records view: rows
// inserted, moved and deleted at random positions keep their positions, index items and view
// entries in step.
TEST(ChunkSeq, LargeStorePositionsIndexesAndViewStayInStep) {
  using namespace mtstore_test;
  auto store = MakeStore();
  TRecordsListGx* list = store->RecordsList();
  TMTIndexGx* byId = list->Indexes()->Add();
  byId->SetFields("ID");
  byId->SetUnique(true);
  byId->SetActive(true);
  TMTIndexGx* byName = list->Indexes()->Add();
  byName->SetFields("NAME");
  byName->SetActive(true);
  TRecordsViewGx view;
  view.SetMemTableData(store.get());
  std::mt19937 rng(11);
  std::vector<int> model;  // IDs in store order
  int nextId = 0;
  for (int i = 0; i < 3000; ++i) {
    FetchRow(list, {nextId, "n" + std::to_string(nextId % 97), 1.0});
    model.push_back(nextId++);
  }
  auto check = [&] {
    ASSERT_EQ(list->Count(), static_cast<int>(model.size()));
    ASSERT_EQ(view.ViewItemsCount(), static_cast<int>(model.size()));
    for (size_t i = 0; i < model.size(); ++i) {
      TMemoryRecordGx* r = list->Rec(static_cast<int>(i));
      ASSERT_EQ(r->Value(0).AsInteger(), model[i]) << i;
      ASSERT_EQ(r->Index(), static_cast<int>(i));
      ASSERT_EQ(view.FlatRecord(static_cast<int>(i)), r);
      ASSERT_EQ(view.IndexOfRecord(r), static_cast<int>(i));
    }
    for (TMTIndexGx* index : {byId, byName}) {
      ASSERT_EQ(index->Count(), static_cast<int>(model.size()));
      std::vector<int> seen(model.size(), 0);
      for (int k = 0; k < index->Count(); ++k) {
        const TIndexItemGx& item = index->Items(k);
        ASSERT_GE(item.RecIndex, 0);
        ASSERT_LT(item.RecIndex, static_cast<int>(model.size()));
        ++seen[static_cast<size_t>(item.RecIndex)];
        ASSERT_TRUE(VariantsEqual(index->KeyOf(list->Rec(item.RecIndex), rvCurrent), item.KeyValue));
        if (k > 0) {
          ASSERT_NE(CompareVariants(index->Items(k - 1).KeyValue, item.KeyValue), vrGreaterThan);
        }
      }
      for (int s : seen) ASSERT_EQ(s, 1);
    }
    for (int probe = 0; probe < 20 && !model.empty(); ++probe) {
      const size_t i = rng() % model.size();
      int at = -1;
      ASSERT_TRUE(byId->LocateKey(model[i], at));
      ASSERT_EQ(at, static_cast<int>(i));
    }
  };
  for (int step = 0; step < 3000 && !testing::Test::HasFailure(); ++step) {
    const int op = static_cast<int>(rng() % 6);
    const int n = static_cast<int>(model.size());
    if (op <= 1) {  // insert in the middle (or anywhere)
      const int at = static_cast<int>(rng() % static_cast<unsigned>(n + 1));
      TMemoryRecordGx* r = list->NewRecord();
      r->SetDataValue(0, rvCurrent, nextId);
      r->SetDataValue(1, rvCurrent, "n" + std::to_string(nextId % 97));
      list->InsertRecord(r, at);
      model.insert(model.begin() + at, nextId++);
    } else if (op == 2 && n > 0) {  // delete
      const int at = static_cast<int>(rng() % static_cast<unsigned>(n));
      list->DeleteRecord(at);
      model.erase(model.begin() + at);
    } else if (op == 3 && n > 1) {  // move
      const int from = static_cast<int>(rng() % static_cast<unsigned>(n));
      const int to = static_cast<int>(rng() % static_cast<unsigned>(n));
      list->MoveRecord(from, to);
      const int id = model[static_cast<size_t>(from)];
      model.erase(model.begin() + from);
      model.insert(model.begin() + to, id);
    } else if (op == 4 && n > 0) {  // a burst of deletes at one place: chunks empty and merge
      const int at = static_cast<int>(rng() % static_cast<unsigned>(n));
      for (int b = 0; b < 40 && at < static_cast<int>(model.size()); ++b) {
        list->DeleteRecord(at);
        model.erase(model.begin() + at);
      }
    } else if (op == 5 && n > 0) {  // edit a key
      const int at = static_cast<int>(rng() % static_cast<unsigned>(n));
      TMemoryRecordGx* r = list->Rec(at);
      r->Edit();
      r->SetDataValue(1, rvCurrent, "e" + std::to_string(step));
      r->Post();
    }
    if (step % 100 == 0) check();
  }
  check();
  // A sort renumbers everything at once.
  list->SortData([](TMemoryRecordGx* a, TMemoryRecordGx* b) { return b->Value(0).AsInteger() - a->Value(0).AsInteger(); });
  std::sort(model.begin(), model.end(), std::greater<int>());
  check();
  view.SetMemTableData(nullptr);
}

// Integer keys changed in place, inserted and deleted at random on an index of many chunks: each
// chunk's last key, which searches read from beside the chunk, must follow every change (a key
// changed to a value that keeps its item where it was included), so that every key is found at
// its record and no key that left is found.
TEST(ChunkSeq, IndexChunkKeysFollowKeyChanges) {
  using namespace mtstore_test;
  auto store = MakeStore();
  TRecordsListGx* list = store->RecordsList();
  TMTIndexGx* byId = list->Indexes()->Add();
  byId->SetFields("ID");
  byId->SetUnique(true);
  byId->SetActive(true);
  std::mt19937 rng(23);
  std::set<int> used;
  for (int i = 0; i < 3000; ++i) {
    FetchRow(list, {i * 10, "n", 1.0});
    used.insert(i * 10);
  }
  auto freeKey = [&](int near) {
    for (int k = near;; ++k)
      if (k >= 0 && !used.count(k)) return k;
  };
  auto check = [&] {
    ASSERT_EQ(byId->Count(), list->Count());
    for (int i = 0; i < list->Count(); ++i) {
      const int id = list->Rec(i)->Value(0).AsInteger();
      int at = -1;
      ASSERT_TRUE(byId->LocateKey(id, at)) << id;
      ASSERT_EQ(at, i) << id;
    }
    for (int probe = 0; probe < 200; ++probe) {
      const int k = static_cast<int>(rng() % 40000);
      int at = -1;
      ASSERT_EQ(byId->LocateKey(k, at), used.count(k) == 1) << k;
    }
  };
  for (int step = 0; step < 4000 && !testing::Test::HasFailure(); ++step) {
    const int op = static_cast<int>(rng() % 5) == 4 ? 0 : static_cast<int>(rng() % 4);
    const int n = list->Count();
    const int at = static_cast<int>(rng() % static_cast<unsigned>(n));
    TMemoryRecordGx* r = list->Rec(at);
    const int old = r->Value(0).AsInteger();
    if (op <= 1) {  // a new key: next to the old one (its item stays) or anywhere
      const int key = freeKey(op == 0 ? old + 1 : static_cast<int>(rng() % 40000));
      r->Edit();
      r->SetDataValue(0, rvCurrent, key);
      r->Post();
      used.erase(old);
      used.insert(key);
      int found = -1;
      ASSERT_TRUE(byId->LocateKey(key, found)) << key;
      ASSERT_EQ(found, at) << key;
      ASSERT_FALSE(byId->LocateKey(old, found)) << old;
    } else if (op == 2) {
      const int key = freeKey(static_cast<int>(rng() % 40000));
      TMemoryRecordGx* added = list->NewRecord();
      added->SetDataValue(0, rvCurrent, key);
      list->InsertRecord(added, at);
      used.insert(key);
    } else if (n > 100) {
      list->DeleteRecord(at);
      used.erase(old);
    }
    if (step % 200 == 0) check();
  }
  check();
}

}  // namespace
