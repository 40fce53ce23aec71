// The editors' shared routines that need no window system.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "editors/tools/gxconsts.h"
#include "editors/tools/gxplatform.h"
#include "editors/tools/gxsort.h"
#include "editors/tools/toolctrlsgx.h"
#include "platform/db/testdataset.h"
#include "support/error_text.h"

namespace {

Variant Arr(std::initializer_list<Variant> items) { return Variant::ArrayOf(items); }

Variant ArrWithBounds(int lo, std::initializer_list<Variant> items) {
  Variant v = Variant::CreateArray(lo, lo + static_cast<int>(items.size()) - 1);
  int i = lo;
  for (const Variant& e : items) v.SetElement(i++, e);
  return v;
}

// ---------------------------------------------------------------- comparison

TEST(CompareVariants, NullSortsBeforeEveryValue) {
  EXPECT_EQ(CompareVariants(Null(), Variant(5)), vrLessThan);
  EXPECT_EQ(CompareVariants(Variant(5), Null()), vrGreaterThan);
  EXPECT_EQ(CompareVariants(Null(), Null()), vrEqual);
  EXPECT_EQ(CompareVariants(Null(), Variant("")), vrLessThan);
}

TEST(CompareVariants, SingleValuesFollowThePlatform) {
  EXPECT_EQ(CompareVariants(Variant(1), Variant(2)), vrLessThan);
  EXPECT_EQ(CompareVariants(Variant(2.5), Variant(2)), vrGreaterThan);
  EXPECT_EQ(CompareVariants(Variant("5"), Variant(5)), vrEqual);
  EXPECT_EQ(CompareVariants(Variant("abc"), Variant("abd")), vrLessThan);
  // The platform's error for values it cannot compare reaches the caller.
  EXPECT_EQ(ErrorText<EVariantError>([] { CompareVariants(Variant("abc"), Variant(5)); }),
            "Could not convert variant of type (String) into type (Double)");
  EXPECT_EQ(CompareVariants(Variant(), Variant(0)), vrNotEqual);
  EXPECT_EQ(CompareVariants(Variant(), Variant()), vrEqual);
}

TEST(CompareVariants, ArraysCompareElementByElement) {
  EXPECT_EQ(CompareVariants(Arr({1, 2}), Arr({1, 3})), vrLessThan);
  EXPECT_EQ(CompareVariants(Arr({1, 3}), Arr({1, 2})), vrGreaterThan);
  EXPECT_EQ(CompareVariants(Arr({1, "a"}), Arr({1, "a"})), vrEqual);
  EXPECT_EQ(CompareVariants(Arr({Null(), 2}), Arr({1, 0})), vrLessThan);
  EXPECT_THROW(CompareVariants(Arr({1, "x"}), Arr({1, 5})), EVariantError);
  EXPECT_EQ(CompareVariants(Arr({0, "x"}), Arr({1, 5})), vrLessThan);  // decided before "x"
  // An array against a single value is not equal; arrays of other bounds go to the platform as
  // single values, and its error reaches the caller.
  EXPECT_EQ(CompareVariants(Arr({1, 2}), Variant(1)), vrNotEqual);
  EXPECT_EQ(CompareVariants(Variant(1), Arr({1})), vrNotEqual);
  EXPECT_THROW(CompareVariants(ArrWithBounds(0, {1, 2}), ArrWithBounds(1, {1, 2})), EVariantError);
  EXPECT_THROW(CompareVariants(Arr({1, 2}), Arr({1, 2, 3})), EVariantError);
  // No elements: nothing to call equal.
  EXPECT_EQ(CompareVariants(Variant::CreateArray(0, -1), Variant::CreateArray(0, -1)), vrNotEqual);
}

TEST(VariantsEqual, IncomparableValuesAreNotEqual) {
  EXPECT_FALSE(VariantsEqual(Variant("abc"), Variant(5)));
  EXPECT_FALSE(VariantsEqual(Variant(5), Variant("abc")));
  EXPECT_FALSE(VariantsEqual(Arr({1, "abc"}), Arr({1, 5})));
  EXPECT_FALSE(VariantsEqual(Arr({"abc", 1}), Arr({5, 1})));
  EXPECT_FALSE(VariantsEqual(ArrWithBounds(0, {1, 2}), ArrWithBounds(1, {1, 2})));
}

TEST(VariantsEqual, SingleValues) {
  EXPECT_TRUE(VariantsEqual(Variant(5), Variant(5.0)));
  EXPECT_TRUE(VariantsEqual(Variant("5"), Variant(5)));
  EXPECT_TRUE(VariantsEqual(Null(), Null()));
  EXPECT_TRUE(VariantsEqual(Variant(), Variant()));
  EXPECT_FALSE(VariantsEqual(Variant(), Null()));
  EXPECT_FALSE(VariantsEqual(Variant(), Variant(0)));
  EXPECT_FALSE(VariantsEqual(Null(), Variant(0)));
  EXPECT_FALSE(VariantsEqual(Variant("a"), Variant("b")));
}

TEST(VariantsEqual, Arrays) {
  EXPECT_TRUE(VariantsEqual(Arr({1, "a"}), Arr({1, "a"})));
  EXPECT_FALSE(VariantsEqual(Arr({1, 2}), Arr({1, 3})));
  EXPECT_FALSE(VariantsEqual(Arr({1, 2}), Variant(1)));
  EXPECT_FALSE(VariantsEqual(Variant(1), Arr({1, 2})));
  EXPECT_FALSE(VariantsEqual(Variant::CreateArray(0, -1), Variant::CreateArray(0, -1)));
  EXPECT_TRUE(VariantsEqual(Arr({Null(), 2}), Arr({Null(), 2})));
}

// ---------------------------------------------------------------- platform layer

TEST(GxPlatform, LocaleComparisons) {
  EXPECT_EQ(CompareAnsiStrGx("abc", "abc", 0, false), 0);
  EXPECT_EQ(CompareAnsiStrGx("abc", "abd", 0, false), -1);
  EXPECT_EQ(CompareAnsiStrGx("abd", "abc", 0, false), 1);
  EXPECT_EQ(CompareAnsiStrGx("ABC", "abc", 0, true), 0);
  EXPECT_NE(CompareAnsiStrGx("ABC", "abc", 0, false), 0);
  // A length compares only that much; 0 runs to the terminating zero.
  EXPECT_EQ(CompareAnsiStrGx("abcX", "abcY", 3, false), 0);
  // The length counts characters, not bytes: two Chinese characters are six bytes.
  EXPECT_EQ(CompareAnsiStrGx("费用甲", "费用乙", 2, false), 0);
  EXPECT_NE(CompareAnsiStrGx("费用甲", "费用乙", 3, false), 0);
  EXPECT_EQ(CompareAnsiStrGx(std::string_view("ab\0x", 4), std::string_view("ab\0y", 4), 0, false), 0);
  EXPECT_EQ(CompareWideStrGx(u"abcX", u"abcY", 3, false), 0);
  EXPECT_EQ(CompareWideStrGx(u"Abc", u"aBC", 0, true), 0);
  EXPECT_EQ(CompareWideStrGx(u"a", u"b", 0, false), -1);
  EXPECT_EQ(AnsiCompareStrGx("b", "a"), 1);
  EXPECT_EQ(AnsiCompareTextGx("HELLO", "hello"), 0);
  EXPECT_EQ(AnsiUpperCaseGx("abc"), "ABC");
  EXPECT_EQ(AnsiLowerCaseGx("ABC"), "abc");
}

TEST(GxPlatform, VariantConversions) {
  EXPECT_EQ(VarToStrGx(Null()), "");
  EXPECT_EQ(VarToStrGx(Variant()), "");
  EXPECT_EQ(VarToStrGx(Variant(12)), "12");
  for (TVarType t : {varInteger, varString, varDouble, varVariant, varDate})
    EXPECT_TRUE(VarCastGx(Null(), t).IsNull()) << t;
  EXPECT_EQ(VarCastGx(Variant("12"), varInteger).VarType(), varInteger);
  EXPECT_EQ(VarCastGx(Variant("12"), varVariant).VarType(), varString);
  EXPECT_TRUE(VarAsVariantGx(Null()).IsNull());
  EXPECT_TRUE(VarAsVariantGx(Variant()).IsEmpty());
  EXPECT_EQ(VarAsVariantGx(Variant(3)).AsInteger(), 3);
  EXPECT_THROW(VarCastGx(Variant("x"), varInteger), EVariantTypeCastError);
  EXPECT_EQ(IntToVariant(7).VarType(), varInteger);
  EXPECT_EQ(VariantToInteger(Variant("42")), 42);
  Variant a = Arr({1, 2});
  VarArrayRedimGx(a, 3);
  EXPECT_EQ(a.ArrayHighBound(), 3);
  EXPECT_EQ(a[1].AsInteger(), 2);
}

TEST(GxPlatform, SmallHelpers) {
  TCharSetGx set;
  set.set('a');
  EXPECT_TRUE(CharInSetGx(U'a', set));
  EXPECT_TRUE(CharInSetGx(U'a' + 256, set));  // code mod 256
  EXPECT_FALSE(CharInSetGx(U'b', set));
  char16_t buffer[8] = {u'x', u'x', u'x', u'x', u'x', u'x', u'x', u'x'};
  EXPECT_EQ(WStrCopyGx(buffer, u"abc"), buffer);
  EXPECT_EQ(std::u16string(buffer), u"abc");
  EXPECT_EQ(buffer[4], u'x');
  int x = 0;
  EXPECT_EQ(IntToRef<int>(RefToInt(&x)), &x);
}

TEST(MemoryStreamGx, CapacityRoundsUpToTwiceTheStep) {
  TMemoryStreamGx s;
  EXPECT_EQ(s.GrowthStep(), 4096);
  s.WriteBuffer("x", 1);
  EXPECT_EQ(s.Capacity(), 8192);
  std::string block(8192, 'a');
  s.WriteBuffer(block.data(), static_cast<int64_t>(block.size()));
  EXPECT_EQ(s.Size(), 8193);
  EXPECT_EQ(s.Capacity(), 16384);
  // Asked for exactly its size, it gets exactly that.
  s.SetSize(8193);
  EXPECT_EQ(s.Capacity(), 8193);
}

TEST(MemoryStreamGx, StepThatIsNotAPowerOfTwoStillCoversTheRequest) {
  TMemoryStreamGx s;
  s.SetGrowthStep(3000);
  std::string block(7000, 'b');
  s.WriteBuffer(block.data(), static_cast<int64_t>(block.size()));
  // Rounded up to a multiple of 6000, never below what was asked.
  EXPECT_EQ(s.Capacity(), 12000);
  EXPECT_EQ(s.Size(), 7000);
  s.SetPosition(6999);
  char c = 0;
  s.ReadBuffer(&c, 1);
  EXPECT_EQ(c, 'b');
}

TEST(MemoryStreamGx, StepOfZeroOrLessFallsBackTo4096) {
  for (int step : {0, -5}) {
    TMemoryStreamGx s;
    s.SetGrowthStep(step);
    s.WriteBuffer("abc", 3);
    EXPECT_EQ(s.Capacity(), 8192) << step;
  }
}

TEST(GxConsts, TextsByIdentifier) {
  EXPECT_STREQ(GxConsts::LoadStr(65152), "(Empty)");
  EXPECT_STREQ(GxConsts::LoadStr(GxConsts::SOrderDescending), "(Order by descending)");
  EXPECT_STREQ(GxConsts::LoadStr(65177), "Field name '%s' not found");
  EXPECT_STREQ(GxConsts::LoadStr(65183), "Select All");
  EXPECT_STREQ(GxConsts::LoadStr(1), "");
}

// ---------------------------------------------------------------- dataset services

class DatasetServices : public ::testing::Test {
 protected:
  void SetUp() override {
    owner = std::make_unique<TComponent>(nullptr);
    ds = new TTestDataSet(owner.get());
    ds->SetName("tblLines");
    ds->FieldDefs().Add("ID", ftInteger);
    ds->FieldDefs().Add("NAME", ftString, 10);
    ds->AddRow({1, "b"});
    ds->AddRow({2, "a"});
    ds->AddRow({3, "b"});
    ds->Open();
  }
  std::unique_ptr<TComponent> owner;
  TTestDataSet* ds = nullptr;
};

TEST_F(DatasetServices, FieldListsResolveNamesInOrder) {
  TFieldsArrGx fields;
  GetFieldsArray(ds, ds, "NAME; ID", fields);
  ASSERT_EQ(fields.size(), 2u);
  EXPECT_EQ(fields[0]->FieldName(), "NAME");
  EXPECT_EQ(fields[1]->FieldName(), "ID");
  EXPECT_EQ(ErrorText<EDatabaseError>([&] { GetFieldsArray(ds, ds, "ID;NOPE", fields); }),
            "tblLines: Field 'NOPE' not found");
  // A null list only checks.
  EXPECT_NO_THROW(GetFieldsList(nullptr, ds, ds, "ID"));
  EXPECT_THROW(GetFieldsList(nullptr, ds, nullptr, "X"), EDatabaseError);
}

TEST_F(DatasetServices, SetFieldsValuesClearsOnNullAndWritesOtherwise) {
  ds->Edit();
  SetFieldsValues(ds, "ID;NAME", Arr({9, "z"}));
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 9);
  EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "z");
  SetFieldsValues(ds, "ID;NAME", Null());
  EXPECT_TRUE(ds->FieldByName("ID")->IsNull());
  EXPECT_TRUE(ds->FieldByName("NAME")->IsNull());
  ds->Cancel();
}

TEST_F(DatasetServices, DistinctValuesAreSortedAndFollowTheData) {
  TDatasetFieldValueListGx list;
  list.SetDataSet(ds);
  list.SetFieldName("NAME");
  TStrings* values = list.GetValues();
  ASSERT_EQ(values->Count(), 2);
  EXPECT_EQ(values->Strings(0), "a");
  EXPECT_EQ(values->Strings(1), "b");
  EXPECT_FALSE(list.Dirty());
  // A change of the data marks the list dirty; the next read sees the new value.
  ds->Append();
  ds->FieldByName("ID")->SetAsInteger(4);
  ds->FieldByName("NAME")->SetAsString("c");
  ds->Post();
  ds->Refresh();
  EXPECT_TRUE(list.Dirty());
  EXPECT_EQ(list.GetValues()->Count(), 3);
  list.SetFieldName("MISSING");
  EXPECT_EQ(list.GetValues()->Count(), 0);
}

// A bookmark list over the test dataset.
class TTestBMList : public TBMListGx {
 public:
  explicit TTestBMList(TDataSet* ds) : ds_(ds) {}
  TDataSet* GetDataSet() const override { return ds_; }
  int Updates = 0;

 protected:
  void UpdateState() override { ++Updates; }

 private:
  TDataSet* ds_;
};

TEST_F(DatasetServices, BookmarkListKeepsDatasetOrder) {
  TTestBMList list(ds);
  EXPECT_EQ(ErrorText<Exception>([&] { list.CurrentBookmark(); }), "Cannot perform this operation on a closed dataset");
  list.SetLinkActive(true);
  ds->Last();
  list.SetCurrentRowSelected(true);
  ds->First();
  list.SetCurrentRowSelected(true);
  ds->Next();
  std::string second = ds->Bookmark();
  EXPECT_FALSE(list.CurrentRowSelected());
  EXPECT_EQ(list.IndexOf(second), -1);
  int at = -1;
  EXPECT_FALSE(list.Find(second, at));
  EXPECT_EQ(at, 1);
  list.InsertItem(at, second);
  ASSERT_EQ(list.Count(), 3);
  // Sorted by dataset position: first, second, last.
  for (int i = 0; i + 1 < list.Count(); ++i) EXPECT_LT(list.CompareBookmarks(list.Items(i), list.Items(i + 1)), 0);
  EXPECT_EQ(list.IndexOf(second), 1);
  EXPECT_TRUE(list.CurrentRowSelected());
  list.SetCurrentRowSelected(false);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.IndexOf(second), -1);
}

TEST_F(DatasetServices, BookmarkListDeletesItsRecords) {
  TTestBMList list(ds);
  list.SetLinkActive(true);
  ds->First();
  list.SetCurrentRowSelected(true);
  ds->Last();
  list.SetCurrentRowSelected(true);
  int before = list.Updates;
  list.DeleteRecords();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_GT(list.Updates, before);
  ASSERT_EQ(ds->Rows().size(), 1u);
  EXPECT_EQ(ds->Rows()[0].Values[0].AsInteger(), 2);
}

TEST(BookmarkList, CustomSortAndClear) {
  TBMListGx list;
  for (const char* s : {"c", "a", "d", "b"}) list.InsertItem(list.Count(), s);
  list.CustomSort([](TBMListGx* l, void*, int i, int j) { return l->Items(i).compare(l->Items(j)); });
  EXPECT_EQ(list.Items(0) + list.Items(1) + list.Items(2) + list.Items(3), "abcd");
  // Without a dataset bookmarks compare byte by byte.
  int at = -1;
  EXPECT_TRUE(list.Find("c", at));
  EXPECT_EQ(at, 2);
  EXPECT_EQ(list.AddItem("bb"), 2);
  EXPECT_EQ(list.IndexOf("bb"), 2);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.IndexOf("a"), -1);
}

// ---------------------------------------------------------------- quicksort

std::vector<int> GxSorted(std::vector<int> v) {
  if (!v.empty())
    GxQuickSort(
        0, static_cast<int>(v.size()) - 1, [&](int a, int b) { return v[a] < v[b] ? -1 : v[a] > v[b] ? 1 : 0; },
        [&](int a, int b) { std::swap(v[a], v[b]); });
  return v;
}

TEST(GxQuickSort, SortsEveryShapeOfInput) {
  std::mt19937 rng(217);
  std::vector<std::vector<int>> inputs = {{}, {1}, {2, 1}, {1, 1, 1, 1}};
  for (int n : {7, 100, 5000}) {
    std::vector<int> up(n), down(n), saw(n), few(n), random(n);
    for (int i = 0; i < n; ++i) {
      up[i] = i;
      down[i] = n - i;
      saw[i] = i % 13;
      few[i] = static_cast<int>(rng() % 3);
      random[i] = static_cast<int>(rng() % 1000);
    }
    inputs.insert(inputs.end(), {up, down, saw, few, random});
  }
  for (const auto& in : inputs) {
    std::vector<int> expected = in;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(GxSorted(in), expected) << "n " << in.size();
  }
}

TEST(GxQuickSort, InconsistentComparisonStaysInsideTheRange) {
  std::vector<int> v(50);
  for (int i = 0; i < 50; ++i) v[i] = i;
  std::mt19937 rng(5);
  int lo = 10, hi = 39, outside = 0;
  GxQuickSort(
      lo, hi,
      [&](int a, int b) {
        outside += a < lo || a > hi || b < lo || b > hi;
        return static_cast<int>(rng() % 3) - 1;
      },
      [&](int a, int b) {
        outside += a < lo || a > hi || b < lo || b > hi;
        std::swap(v[a], v[b]);
      });
  EXPECT_EQ(outside, 0);
  std::vector<int> middle(v.begin() + lo, v.begin() + hi + 1);
  std::sort(middle.begin(), middle.end());
  for (int i = lo; i <= hi; ++i) EXPECT_EQ(middle[i - lo], i);
}

}  // namespace
