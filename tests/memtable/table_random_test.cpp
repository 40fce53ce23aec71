// Long random sequences of edits through the dataset (append, insert, edit, cancelled edit,
// delete, emptying), with cached updates switched on and off and the change log merged or
// cancelled, checked after every step against a plain model of the rows, their values and their
// update status.
#include <gtest/gtest.h>

#include <optional>
#include <random>

#include "table_support.h"

using namespace mttable_test;

namespace {

struct RandomRow {
  int id = 0;
  std::string name;
  int amount = 0;
  TUpdateStatus status = usUnmodified;
  std::optional<std::pair<std::string, int>> old;  // values before the first cached change
};

class Model {
 public:
  std::vector<RandomRow> rows;  // store order, rows marked deleted included
  bool cached = false;

  std::vector<size_t> Visible() const {
    std::vector<size_t> v;
    for (size_t i = 0; i < rows.size(); ++i)
      if (rows[i].status != usDeleted) v.push_back(i);
    return v;
  }
  void Merge() {
    std::vector<RandomRow> kept;
    for (RandomRow& r : rows)
      if (r.status != usDeleted) {
        r.status = usUnmodified;
        r.old.reset();
        kept.push_back(r);
      }
    rows = std::move(kept);
  }
  void CancelAll() {
    std::vector<RandomRow> kept;
    for (RandomRow& r : rows) {
      if (r.status == usInserted) continue;
      if (r.old) {
        r.name = r.old->first;
        r.amount = r.old->second;
      }
      r.status = usUnmodified;
      r.old.reset();
      kept.push_back(r);
    }
    rows = std::move(kept);
  }
  bool HasPending() const {
    for (const RandomRow& r : rows)
      if (r.status != usUnmodified) return true;
    return false;
  }
  void Add(size_t storePos, int id, const std::string& name, int amount) {
    RandomRow r;
    r.id = id;
    r.name = name;
    r.amount = amount;
    r.status = cached ? usInserted : usUnmodified;
    rows.insert(rows.begin() + static_cast<long>(storePos), r);
  }
  void Edit(size_t i, const std::string& name, int amount) {
    RandomRow& r = rows[i];
    if (cached) {
      if (r.status == usUnmodified) {
        r.status = usModified;
        if (!r.old) r.old = std::make_pair(r.name, r.amount);
      }
    }
    r.name = name;
    r.amount = amount;
  }
  void Delete(size_t i) {
    RandomRow& r = rows[i];
    if (!cached || r.status == usInserted) {
      rows.erase(rows.begin() + static_cast<long>(i));
      return;
    }
    r.status = usDeleted;  // the values from before an edit stay for a cancel
  }
};

void Check(TMemTableGx& t, const Model& m, int step) {
  std::vector<size_t> vis = m.Visible();
  ASSERT_EQ(t.RecordCount(), static_cast<int>(vis.size())) << "step " << step;
  t.First();
  for (size_t k = 0; k < vis.size(); ++k) {
    const RandomRow& r = m.rows[vis[k]];
    ASSERT_FALSE(t.Eof()) << "step " << step;
    ASSERT_EQ(t.FieldByName("ID")->AsInteger(), r.id) << "step " << step << " row " << k;
    ASSERT_EQ(t.FieldByName("NAME")->AsString(), r.name) << "step " << step << " row " << k;
    ASSERT_EQ(t.FieldByName("AMOUNT")->AsInteger(), r.amount) << "step " << step << " row " << k;
    ASSERT_EQ(t.UpdateStatus(), r.status) << "step " << step << " row " << k;
    t.Next();
  }
  ASSERT_TRUE(t.Eof());
  ASSERT_EQ(t.RecordsList()->Count(), static_cast<int>(m.rows.size())) << "step " << step;
  ASSERT_EQ(t.HasCachedChanges(), m.HasPending()) << "step " << step;
}

// `rows` rows appended before the random steps.
void RunSequence(unsigned seed, int steps, int rows = 0) {
  std::mt19937 rng(seed);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  TMemTableGx t;
  MakeTable(t, "mtblRandom");
  Model m;
  int nextId = 1;
  for (int i = 0; i < rows; ++i) {
    AppendRow(t, nextId, "r" + std::to_string(i % 50), i);
    m.Add(m.rows.size(), nextId++, "r" + std::to_string(i % 50), i);
  }
  for (int step = 0; step < steps; ++step) {
    std::vector<size_t> vis = m.Visible();
    const int op = pick(106);
    const std::string name = "n" + std::to_string(pick(50));
    const int amount = pick(1000);
    if (op < 20) {  // append
      AppendRow(t, nextId, name, amount);
      m.Add(m.rows.size(), nextId++, name, amount);
    } else if (op < 32) {  // insert before a visible row
      if (vis.empty()) continue;
      int p = pick(static_cast<int>(vis.size()));
      t.SetRecNo(p + 1);
      t.Insert();
      t.FieldByName("ID")->SetValue(nextId);
      t.FieldByName("NAME")->SetValue(name);
      t.FieldByName("AMOUNT")->SetValue(amount);
      t.Post();
      ASSERT_EQ(t.FieldByName("ID")->AsInteger(), nextId);
      m.Add(vis[static_cast<size_t>(p)], nextId++, name, amount);
      if (!m.cached) m.Merge();
    } else if (op < 52) {  // edit
      if (vis.empty()) continue;
      int p = pick(static_cast<int>(vis.size()));
      t.SetRecNo(p + 1);
      t.Edit();
      t.FieldByName("NAME")->SetValue(name);
      t.FieldByName("AMOUNT")->SetValue(amount);
      t.Post();
      m.Edit(vis[static_cast<size_t>(p)], name, amount);
      if (!m.cached) m.Merge();
    } else if (op < 60) {  // edit, then cancel
      if (vis.empty()) continue;
      int p = pick(static_cast<int>(vis.size()));
      t.SetRecNo(p + 1);
      t.Edit();
      t.FieldByName("NAME")->SetValue("cancelled");
      t.Cancel();
      if (!m.cached && m.HasPending()) m.CancelAll();
    } else if (op < 72) {  // delete
      if (vis.empty()) continue;
      int p = pick(static_cast<int>(vis.size()));
      t.SetRecNo(p + 1);
      t.Delete();
      m.Delete(vis[static_cast<size_t>(p)]);
      if (!m.cached) m.Merge();
    } else if (op < 80) {  // switch cached updates
      m.cached = !m.cached;
      t.SetCachedUpdates(m.cached);
    } else if (op < 86) {
      t.MergeChangeLog();
      m.Merge();
    } else if (op < 92) {
      t.CancelUpdates();
      m.CancelAll();
    } else if (op < 93) {
      if (rows > 0) continue;  // a large table stays large
      t.EmptyTable();
      m.rows.clear();
    } else if (op < 96) {  // append, then cancel the insert
      t.Append();
      t.FieldByName("ID")->SetValue(-1);
      t.Cancel();
    } else if (op < 100) {  // close and open again
      t.Close();
      t.Open();
    } else {  // edit a row, then delete it: a cancel brings back its values from before the edit
      if (vis.empty()) continue;
      int p = pick(static_cast<int>(vis.size()));
      t.SetRecNo(p + 1);
      t.Edit();
      t.FieldByName("NAME")->SetValue(name);
      t.FieldByName("AMOUNT")->SetValue(amount);
      t.Post();
      m.Edit(vis[static_cast<size_t>(p)], name, amount);
      t.Delete();
      m.Delete(vis[static_cast<size_t>(p)]);
      if (!m.cached) m.Merge();
    }
    Check(t, m, step);
    if (::testing::Test::HasFatalFailure()) return;
  }
}

}  // namespace

TEST(MemTableRandom, EditsThroughTheDatasetFollowTheModel) {
  for (unsigned seed : {1u, 2u, 3u, 4u, 5u, 6u}) {
    SCOPED_TRACE(seed);
    RunSequence(seed, 1500);
    if (HasFatalFailure()) return;
  }
}

// A table of a thousand rows and more: the records list and the view hold them in several chunks,
// which inserts, deletes, cancels and merges in the middle split and join.
TEST(MemTableRandom, LargerTablesFollowTheModel) {
  RunSequence(77, 600, 1000);
}
