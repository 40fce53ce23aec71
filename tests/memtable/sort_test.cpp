// Sorting the records list by columns on keys read once, against sorting it through a comparison
// callback: texts that share a start (also one that ends before a character that collates with
// the one before it), duplicates, Nulls, mixed case, Chinese and digits; and the table's own
// SortData on stored fields against the order its record comparison gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "memtable/memtable.h"
#include "memtable/mtrecords.h"
#include "platform/rtl/strings.h"
#include "store_support.h"
#include "table_support.h"

namespace {

using namespace mtstore_test;

// The comparison the table and the view make between two values of a key column.
int CompareValues(const Variant& a, const Variant& b) {
  if (a.IsNull() || b.IsNull()) return a.IsNull() == b.IsNull() ? 0 : (a.IsNull() ? -1 : 1);
  if (a == b) return 0;
  return a < b ? -1 : 1;
}

std::vector<TMemoryRecordGx*> Order(TRecordsListGx* list) { return list->Records().ToVector(); }

// A character the collator joins to the one before it, found in the collator itself.
std::string JoiningCharacter() {
  for (char32_t c : {U'\u0301', U'\u0308', U'\u0327', U'\u0e31', U'\u0bcd'})
    if (AnsiCollatesWithPrevious(c)) {
      std::string s;
      // UTF-8 of a character below U+10000.
      if (c < 0x800) {
        s += static_cast<char>(0xC0 | (c >> 6));
        s += static_cast<char>(0x80 | (c & 0x3F));
      } else {
        s += static_cast<char>(0xE0 | (c >> 12));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
      }
      return s;
    }
  return {};
}

// Texts of a few shapes: one shared start with numbers after it, Chinese, mixed case, texts that
// are the shared start itself or end before it, and Nulls.
std::vector<Variant> Texts(std::mt19937& rng, int count, const std::string& start) {
  static const char* const kParts[] = {"费", "用", "a", "A", "b", "B", "1", "2", "10", " ", "单", "z"};
  std::vector<Variant> out;
  for (int i = 0; i < count; ++i) {
    const unsigned kind = rng() % 10;
    if (kind == 0) {
      out.push_back(Null());
      continue;
    }
    std::string s = kind == 1 ? start.substr(0, start.size() / 2) : start;
    const int parts = kind == 2 ? 0 : static_cast<int>(rng() % 4);
    for (int k = 0; k < parts; ++k) s += kParts[rng() % std::size(kParts)];
    out.push_back(Variant(s));
  }
  return out;
}

void ExpectSameSortAsCallback(const std::string& start, unsigned seed) {
  std::mt19937 rng(seed);
  auto keyed = MakeStore();
  auto called = MakeStore();
  const std::vector<Variant> texts = Texts(rng, 600, start);
  for (size_t i = 0; i < texts.size(); ++i) {
    const Variant amount = rng() % 7 == 0 ? Null() : Variant(static_cast<double>(rng() % 20));
    FetchRow(keyed->RecordsList(), {static_cast<int>(i), texts[i], amount});
    FetchRow(called->RecordsList(), {static_cast<int>(i), texts[i], amount});
  }
  for (const char* order : {"NAME", "NAME DESC", "NAME, ID DESC", "AMOUNT, NAME", "AMOUNT DESC, NAME DESC, ID"}) {
    SCOPED_TRACE(order);
    TOrderByList keys;
    {
      // The column list the callback compares by, parsed the same way.
      struct Names : TOrderByList {
        int FieldIndexByName(std::string_view n) const override {
          return n == "ID" ? 0 : (n == "NAME" ? 1 : (n == "AMOUNT" ? 2 : -1));
        }
      } names;
      names.ParseOrderByStr(order);
      for (const TOrderByItemGx& item : names.Items()) keys.Add(item);
    }
    keyed->RecordsList()->SortByFields(order);
    called->RecordsList()->SortData([&keys](TMemoryRecordGx* a, TMemoryRecordGx* b) {
      for (const TOrderByItemGx& k : keys.Items()) {
        int r = CompareValues(a->Value(k.FieldIndex), b->Value(k.FieldIndex));
        if (k.Desc) r = -r;
        if (r != 0) return r;
      }
      return 0;
    });
    // Record for record, equal ones included: the same comparisons made in the same order.
    const std::vector<TMemoryRecordGx*> a = Order(keyed->RecordsList()), b = Order(called->RecordsList());
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
      ASSERT_EQ(a[i]->Value(0).AsInteger(), b[i]->Value(0).AsInteger()) << i;
      ASSERT_EQ(a[i]->Index(), static_cast<int>(i));
    }
  }
}

// Texts of ASCII letters and digits alone, keyed without the collator: short and long (past
// the ten characters the key holds), both cases, digits, shared starts and duplicates.
TEST(SortByColumns, LettersAndDigitsAlone) {
  // The Chinese collation orders them plainly (accented letters, which it joins, never occur).
  ASSERT_TRUE(AnsiOrdersAlnumPlainly());
  std::mt19937 rng(31);
  auto keyed = MakeStore();
  auto called = MakeStore();
  const std::string alphabet = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  for (int i = 0; i < 800; ++i) {
    std::string s = rng() % 3 == 0 ? "Ab1" : "";
    const int length = static_cast<int>(rng() % 15);
    for (int k = 0; k < length; ++k) s += alphabet[rng() % (rng() % 4 == 0 ? alphabet.size() : 6)];
    if (rng() % 9 == 0) s = "abcdefghijK" + std::to_string(rng() % 3);  // alike past the key
    FetchRow(keyed->RecordsList(), {i, s, 1.0});
    FetchRow(called->RecordsList(), {i, s, 1.0});
  }
  for (bool desc : {false, true}) {
    keyed->RecordsList()->SortByFields(desc ? "NAME DESC" : "NAME");
    called->RecordsList()->SortData([desc](TMemoryRecordGx* a, TMemoryRecordGx* b) {
      const int r = CompareValues(a->Value(1), b->Value(1));
      return desc ? -r : r;
    });
    const std::vector<TMemoryRecordGx*> a = Order(keyed->RecordsList()), b = Order(called->RecordsList());
    for (size_t i = 0; i < a.size(); ++i) ASSERT_EQ(a[i]->Value(0).AsInteger(), b[i]->Value(0).AsInteger()) << i;
  }
}

TEST(SortByColumns, TextsWithAStartTheyAllShare) { ExpectSameSortAsCallback("费用垫付单 No.", 3); }

TEST(SortByColumns, TextsWithoutAStartTheyShare) { ExpectSameSortAsCallback("", 4); }

TEST(SortByColumns, SharedStartEndingBeforeAJoiningCharacter) {
  const std::string joining = JoiningCharacter();
  ASSERT_FALSE(joining.empty()) << "the collator names none of the usual combining marks";
  // Every text goes on with the joining character or ends: the shared start must not be cut
  // between the letter and the mark.
  std::mt19937 rng(9);
  auto keyed = MakeStore();
  auto called = MakeStore();
  const char* const tails[] = {"", "a", "A", "e", "E", "o"};
  for (int i = 0; i < 300; ++i) {
    std::string s = "cafe";
    s += joining;
    if (rng() % 2) s += joining;
    s += tails[rng() % std::size(tails)];
    if (rng() % 3 == 0) s = "cafe" + std::string(tails[rng() % std::size(tails)]);
    FetchRow(keyed->RecordsList(), {i, s, 1.0});
    FetchRow(called->RecordsList(), {i, s, 1.0});
  }
  keyed->RecordsList()->SortByFields("NAME, ID");
  called->RecordsList()->SortData([](TMemoryRecordGx* a, TMemoryRecordGx* b) {
    const int r = CompareValues(a->Value(1), b->Value(1));
    return r != 0 ? r : CompareValues(a->Value(0), b->Value(0));
  });
  const std::vector<TMemoryRecordGx*> a = Order(keyed->RecordsList()), b = Order(called->RecordsList());
  for (size_t i = 0; i < a.size(); ++i) ASSERT_EQ(a[i]->Value(0).AsInteger(), b[i]->Value(0).AsInteger()) << i;
}

TEST(SortByColumns, UnknownNamesRaiseAndLeaveTheOrder) {
  auto store = MakeStore();
  for (int i = 0; i < 5; ++i) FetchRow(store->RecordsList(), {5 - i, "n", 1.0});
  const std::vector<TMemoryRecordGx*> before = Order(store->RecordsList());
  EXPECT_THROW(store->RecordsList()->SortByFields("NOPE"), Exception);
  EXPECT_EQ(Order(store->RecordsList()), before);
  store->RecordsList()->SortByFields("ID");
  EXPECT_EQ(store->RecordsList()->Rec(0)->Value(0).AsInteger(), 1);
  EXPECT_EQ(store->RecordsList()->Rec(4)->Value(0).AsInteger(), 5);
}

// The table sorts stored fields on the keys of the records list: the rows come in the order the
// table's own record comparison gives, and a calculated key still goes through that comparison.
TEST(SortByColumns, TableSortDataOnStoredAndCalculatedFields) {
  using namespace mttable_test;
  TMemTableGx t(nullptr);
  MakeCalcTable(t, "mtblSort", "NEG", [](TDataSet* ds) { return -ds->FieldByName("ID")->AsInteger(); });
  std::mt19937 rng(17);
  for (int i = 0; i < 200; ++i) {
    const char* names[] = {"费用", "费用垫付", "Abc", "abc", "单", "1"};
    AppendRow(t, i, Variant(std::string(names[rng() % std::size(names)])), static_cast<double>(rng() % 5));
  }
  auto rows = [&] {
    std::vector<std::pair<std::string, int>> out;
    for (t.First(); !t.Eof(); t.Next()) out.emplace_back(t.FieldByName("NAME")->AsString(), t.FieldByName("ID")->AsInteger());
    return out;
  };
  t.SortByOrderText("NAME DESC, ID");
  auto sorted = rows();
  ASSERT_EQ(sorted.size(), 200u);
  for (size_t i = 1; i < sorted.size(); ++i) {
    const int r = AnsiCompareStr(sorted[i - 1].first, sorted[i].first);
    const int bytes = CompareStr(sorted[i - 1].first, sorted[i].first);
    ASSERT_TRUE(r > 0 || (r == 0 && bytes > 0) || (r == 0 && bytes == 0 && sorted[i - 1].second < sorted[i].second)) << i;
  }
  t.SortByOrderText("NEG");
  sorted = rows();
  for (size_t i = 1; i < sorted.size(); ++i) ASSERT_GT(sorted[i - 1].second, sorted[i].second);
}

}  // namespace
