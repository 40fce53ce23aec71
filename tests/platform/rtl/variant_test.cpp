#include "platform/rtl/variant.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/sysutils.h"
#include "support/error_text.h"

// ---- counting allocations -------------------------------------------------------------------
// Every plain form of operator new and delete is replaced (so that the pairs always match, also
// under the address sanitizer); they only count while a test asks them to.
namespace {
std::atomic<bool> g_counting{false};
std::atomic<long> g_allocations{0};

void* CountedAlloc(std::size_t n) {
  if (g_counting.load(std::memory_order_relaxed)) g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}

// Allocations made by the statements in between.
class AllocationCounter {
 public:
  AllocationCounter() {
    g_allocations = 0;
    g_counting = true;
  }
  ~AllocationCounter() { g_counting = false; }
  long Count() const { return g_allocations.load(); }
};
}  // namespace

void* operator new(std::size_t n) { return CountedAlloc(n); }
void* operator new[](std::size_t n) { return CountedAlloc(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
  try {
    return CountedAlloc(n);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
  try {
    return CountedAlloc(n);
  } catch (...) {
    return nullptr;
  }
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace {

// Restores the global format settings after a test that changes them.
class VariantTest : public ::testing::Test {
 protected:
  void TearDown() override { FormatSettings = TFormatSettings::Default(); }
};

template <class F>
std::string CastMessage(F f) {
  return ErrorText<EVariantTypeCastError>(f);
}

}  // namespace

// ---- storage --------------------------------------------------------------------------------

TEST_F(VariantTest, ScalarsAndCopiesOfTextsDoNotAllocate) {
  Variant text(std::string(100, 'x'));  // allocated here, before counting
  AllocationCounter counter;
  {
    Variant a(42);
    Variant b(3.25);
    Variant c(Currency::FromScaled(12345));
    Variant d = Variant::FromDateTime(45000.5);
    Variant e(true);
    Variant f = Variant::FromInt64(1LL << 40);
    Variant g = Variant::Null();
    Variant h("");  // empty texts are held in place
    Variant copy1 = text;
    Variant copy2 = copy1;
    copy2 = a;
    Variant sum = a + b;
    bool same = a == Variant(42);
    EXPECT_TRUE(same);
    EXPECT_EQ(copy1.StrRef().size(), 100u);
    EXPECT_EQ(VarType(sum), varDouble);
    (void)c; (void)d; (void)e; (void)f; (void)g; (void)h;
  }
  EXPECT_EQ(counter.Count(), 0);
}

// Texts of every length around the block steps, with zero bytes inside, made and dropped in
// waves so blocks are reused; and texts dropped on another thread than the one that made them.
TEST_F(VariantTest, TextsKeepTheirBytesAcrossBlockReuse) {
  auto text = [](size_t n, int seed) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7 + static_cast<size_t>(seed)) % 251);
    return s;
  };
  for (int wave = 0; wave < 3; ++wave) {
    std::vector<Variant> values;
    for (size_t n = 0; n < 600; ++n) values.emplace_back(text(n, wave));
    for (size_t n = 0; n < 600; n += 3) values[n] = Variant::Null();
    for (size_t n = 0; n < 600; ++n) {
      if (n % 3 == 0) {
        EXPECT_TRUE(VarIsNull(values[n]));
        continue;
      }
      ASSERT_EQ(values[n].StrRef().size(), n);
      EXPECT_EQ(values[n].StrRef(), text(n, wave)) << n;
      EXPECT_EQ(VarToStr(values[n]), text(n, wave));
    }
  }
  std::vector<Variant> made;
  for (int i = 0; i < 1000; ++i) made.emplace_back(Format("text %d made on the first thread", {i}));
  std::vector<Variant> kept(made.begin(), made.begin() + 10);
  std::thread other([&made] {
    made.clear();
    for (int i = 0; i < 1000; ++i) made.emplace_back(Format("text %d of the other thread", {i}));
  });
  other.join();
  for (int i = 0; i < 10; ++i) EXPECT_EQ(VarToStr(kept[i]), Format("text %d made on the first thread", {i}));
  EXPECT_EQ(VarToStr(made[999]), "text 999 of the other thread");
  made.clear();
  Variant again("a text made after the other thread dropped its blocks");
  EXPECT_EQ(VarToStr(again), "a text made after the other thread dropped its blocks");
}

// Short texts are copied in fixed-size moves that overlap: every length up to past the largest
// move, from any place in the source, keeps every byte.
TEST_F(VariantTest, ShortTextsOfEveryLengthKeepEveryByte) {
  std::string source(128, '\0');
  for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<char>(1 + (i * 37) % 254);
  for (size_t n = 0; n <= 70; ++n) {
    for (size_t at = 0; at < 9; ++at) {
      const std::string_view text(source.data() + at, n);
      const Variant v(text);
      ASSERT_EQ(v.StrRef(), text) << n << " at " << at;
      const Variant copy = v;
      EXPECT_EQ(VarToStr(copy), std::string(text)) << n;
    }
  }
}

// Texts up to fourteen bytes live in the variant itself, longer ones in a block: both forms must
// read, copy, move, swap, convert and compare alike, across the boundary and with zero bytes.
TEST_F(VariantTest, ShortTextsHeldInPlaceBehaveAsBlockTexts) {
  {
    AllocationCounter counter;
    Variant code("CODE-000123-21");  // fourteen bytes: no block
    Variant copy = code;
    Variant empty("");
    EXPECT_EQ(counter.Count(), 0);
    Variant longer("CODE-000123-215");  // fifteen: a block, which copies share
    const Variant longerCopy = longer;
    EXPECT_EQ(longerCopy.StrRef().data(), longer.StrRef().data());
    EXPECT_NE(copy.StrRef().data(), code.StrRef().data());
    EXPECT_EQ(copy.StrRef(), "CODE-000123-21");
    EXPECT_EQ(longer.StrRef(), "CODE-000123-215");
    EXPECT_EQ(empty.StrRef(), "");
  }
  const std::string withZeros("a\0b\0c\0d\0e\0f\0g\0", 14);
  Variant z(withZeros);
  EXPECT_EQ(z.StrRef(), withZeros);
  EXPECT_EQ(VarType(z), varString);

  // Wide texts keep their type in both forms, and a cast between the two text types keeps the text.
  Variant wide(u"费用");
  EXPECT_EQ(VarType(wide), varOleStr);
  EXPECT_EQ(VarToStr(wide), "费用");
  Variant wideLong(u"费用垫付单的行");
  EXPECT_EQ(VarType(wideLong), varOleStr);
  Variant narrowed = VarCast(wide, varString);
  EXPECT_EQ(VarType(narrowed), varString);
  EXPECT_EQ(VarToStr(narrowed), "费用");
  EXPECT_EQ(VarType(VarCast(narrowed, varOleStr)), varOleStr);
  EXPECT_TRUE(wide == narrowed);

  // Swaps and assignments between the forms leave each value whole.
  Variant shortOne("短文本"), longOne("a text well past fourteen bytes");
  shortOne.Swap(longOne);
  EXPECT_EQ(shortOne.StrRef(), "a text well past fourteen bytes");
  EXPECT_EQ(longOne.StrRef(), "短文本");
  shortOne = longOne;
  EXPECT_EQ(shortOne.StrRef(), "短文本");
  longOne = Variant(42);
  EXPECT_EQ(longOne.AsInteger(), 42);
  EXPECT_EQ(shortOne.StrRef(), "短文本");
  Variant n("12.5");
  EXPECT_DOUBLE_EQ(n.AsDouble(), 12.5);
  EXPECT_EQ(n.AsInt64(), 12);

  // Moves (a vector growing) keep every text; equal texts compare equal whichever form holds them.
  std::vector<Variant> values;
  for (int i = 0; i < 200; ++i) values.emplace_back(std::string(static_cast<size_t>(i % 20), static_cast<char>('a' + i % 26)));
  for (int i = 0; i < 200; ++i)
    ASSERT_EQ(VarToStr(values[static_cast<size_t>(i)]), std::string(static_cast<size_t>(i % 20), static_cast<char>('a' + i % 26)));
  EXPECT_TRUE(Variant("abc") + Variant("defghijklmnop") == Variant("abcdefghijklmnop"));
  EXPECT_TRUE(Variant("abcdefghijklmn") < Variant("abcdefghijklmno"));
  Variant array = Variant::ArrayOf({Variant("x"), Variant("a text well past fourteen bytes")});
  Variant arrayCopy = array;
  EXPECT_EQ(VarToStr(arrayCopy[0]), "x");
  EXPECT_EQ(VarToStr(arrayCopy[1]), "a text well past fourteen bytes");
}

// Random copies, moves, swaps, assignments, casts between the two text types and joins over texts
// on both sides of the in-place limit, checked against plain strings after every step.
TEST_F(VariantTest, TextsFollowAModelThroughRandomOperations) {
  std::mt19937 rng(7);
  auto text = [&] {
    static const char* const kPieces[] = {"a", "Z", "9", "-", "费", "用"};
    std::string t;
    const int pieces = static_cast<int>(rng() % 12);
    for (int i = 0; i < pieces; ++i) {
      const unsigned k = rng() % 7;
      if (k == 6)
        t += '\0';
      else
        t += kPieces[k];
    }
    return t;
  };
  struct Slot {
    Variant v;
    std::string model;
    TVarType type = varString;
  };
  std::vector<Slot> slots(8);
  for (Slot& s : slots) {
    s.model = text();
    s.v = Variant(s.model);
  }
  for (int step = 0; step < 4000; ++step) {
    Slot& a = slots[rng() % slots.size()];
    Slot& b = slots[rng() % slots.size()];
    switch (rng() % 7) {
      case 0: a.model = text(); a.v = Variant(a.model); a.type = varString; break;
      case 1: a.v = b.v; a.model = b.model; a.type = b.type; break;
      case 2: {
        Variant moved(std::move(b.v));
        a.v = std::move(moved);
        a.model = b.model;
        a.type = b.type;
        b.v = Variant(b.model);
        b.type = varString;
        break;
      }
      case 3: a.v.Swap(b.v); std::swap(a.model, b.model); std::swap(a.type, b.type); break;
      case 4: a.type = a.type == varString ? varOleStr : varString; a.v = VarCast(a.v, a.type); break;
      case 5: {
        const std::string joined = a.model + b.model;
        if (a.model.empty() && !b.model.empty()) a.type = b.type;  // joined to an empty text: the other value
        a.v = a.v + b.v;
        a.model = joined;
        break;
      }
      default: {
        const Variant copy = a.v;  // a copy that goes while the original stays
        ASSERT_EQ(copy.StrRef(), a.model);
      }
    }
    for (const Slot& s : slots) {
      ASSERT_EQ(s.v.StrRef(), s.model) << "step " << step;
      ASSERT_EQ(VarType(s.v), s.type) << "step " << step;
    }
  }
}

TEST_F(VariantTest, CopiesOfTextsShareUntilReassigned) {
  Variant a(std::string("shared text that is longer than the small-string buffer"));
  Variant b = a;
  EXPECT_EQ(a.StrRef().data(), b.StrRef().data());
  b = Variant("other");
  EXPECT_EQ(a.StrRef(), "shared text that is longer than the small-string buffer");
  EXPECT_EQ(b.StrRef(), "other");

  Variant moved = std::move(a);
  EXPECT_TRUE(VarIsEmpty(a));  // NOLINT(bugprone-use-after-move): moved-from is Empty by contract
  EXPECT_EQ(VarToStr(moved).substr(0, 6), "shared");
  const Variant& self = moved;
  moved = self;  // self-assignment keeps the value
  EXPECT_EQ(VarToStr(moved).substr(0, 6), "shared");
}

TEST_F(VariantTest, EmptyAndNullAreDistinct) {
  Variant empty, null = Null();
  EXPECT_EQ(VarType(empty), varEmpty);
  EXPECT_EQ(VarType(null), varNull);
  EXPECT_TRUE(VarIsEmpty(empty));
  EXPECT_FALSE(VarIsNull(empty));
  EXPECT_TRUE(VarIsNull(null));
  EXPECT_FALSE(VarIsEmpty(null));
  EXPECT_FALSE(empty == null);
  EXPECT_EQ(VarToStr(empty), "");
  EXPECT_EQ(VarToStr(null), "");
  EXPECT_EQ(VarToStrDef(null, "-"), "-");
  // Empty converts to zero; Null does not convert at all.
  EXPECT_EQ(empty.AsInteger(), 0);
  EXPECT_EQ(CastMessage([&] { (void)null.AsInteger(); }),
            "Could not convert variant of type (Null) into type (Integer)");
}

TEST_F(VariantTest, ConstructorsPickTheNarrowestType) {
  EXPECT_EQ(VarType(Variant(5)), varInteger);
  EXPECT_EQ(VarType(Variant(5L)), varInteger);
  EXPECT_EQ(VarType(Variant(5000000000LL)), varInt64);
  EXPECT_EQ(VarType(Variant(size_t{7})), varInteger);
  EXPECT_EQ(VarType(Variant(~uint64_t{0})), varUInt64);
  EXPECT_EQ(VarType(Variant(5u)), varLongWord);
  EXPECT_EQ(VarType(Variant(1.0f)), varSingle);
  EXPECT_EQ(VarType(Variant(u"宽")), varOleStr);
  EXPECT_EQ(VarToStr(Variant(u"宽字符")), "宽字符");
  EXPECT_EQ(Variant("中文").AsWideString(), u"中文");
  EXPECT_EQ(VarType(Variant::FromSmallint(-3)), varSmallint);
  EXPECT_EQ(Variant::FromSmallint(-3).AsInteger(), -3);
  EXPECT_EQ(VarType(Variant::FromByte(200)), varByte);
  EXPECT_TRUE(Variant::FromByte(200).IsOrdinal());
  EXPECT_FALSE(Variant(true).IsNumeric());
  EXPECT_TRUE(Variant(Currency()).IsFloat());
  int object = 0;
  Variant ref = Variant::FromPointer(&object);
  EXPECT_EQ(ref.AsPointer(), &object);
  EXPECT_TRUE(ref == Variant::FromPointer(&object));
}

// ---- conversions ----------------------------------------------------------------------------

TEST_F(VariantTest, IntegerConversionRoundsHalfToEven) {
  EXPECT_EQ(Variant(2.5).AsInteger(), 2);
  EXPECT_EQ(Variant(3.5).AsInteger(), 4);
  EXPECT_EQ(Variant(-2.5).AsInteger(), -2);
  EXPECT_EQ(Variant(Currency::FromScaled(25000)).AsInteger(), 2);
  EXPECT_EQ(Variant(Currency::FromScaled(35000)).AsInteger(), 4);
  EXPECT_EQ(Variant(Currency::FromScaled(-25001)).AsInteger(), -3);
  EXPECT_EQ(Variant("12").AsInteger(), 12);
  EXPECT_EQ(Variant(" 0x1F").AsInteger(), 31);
  EXPECT_EQ(Variant("2.5").AsInteger(), 2);
  EXPECT_EQ(Variant(true).AsInteger(), -1);
  EXPECT_THROW((void)Variant(3e9).AsInteger(), EVariantOverflowError);
  EXPECT_THROW((void)Variant(1e300).AsInt64(), EVariantOverflowError);
  EXPECT_THROW((void)Variant("3000000000").AsInteger(), EVariantOverflowError);
  EXPECT_EQ(Variant("3000000000").AsInt64(), 3000000000LL);
  EXPECT_THROW((void)Variant(-1).AsUInt64(), EVariantOverflowError);
}

TEST_F(VariantTest, TextThatIsNotANumberRaisesAConversionError) {
  EXPECT_EQ(CastMessage([] { (void)VarCast(Variant("abc"), varDouble); }),
            "Could not convert variant of type (String) into type (Double)");
  EXPECT_EQ(CastMessage([] { (void)Variant("12x").AsInteger(); }),
            "Could not convert variant of type (String) into type (Integer)");
  EXPECT_EQ(CastMessage([] { (void)Variant(u"x").AsCurrency(); }),
            "Could not convert variant of type (OleStr) into type (Currency)");
  EXPECT_EQ(CastMessage([] { (void)Variant("maybe").AsBoolean(); }),
            "Could not convert variant of type (String) into type (Boolean)");
  EXPECT_EQ(CastMessage([] { (void)Variant("31.02.2024").AsDateTime(); }),
            "Could not convert variant of type (String) into type (Date)");
  EXPECT_EQ(CastMessage([] { (void)VarArrayOf({1}).AsString(); }),
            "Could not convert variant of type (Array of Variant) into type (String)");
  EXPECT_THROW((void)Variant::FromError(5).AsDouble(), EVariantTypeCastError);
}

TEST_F(VariantTest, VarCastFollowsTheTargetType) {
  Variant s = VarCast(Variant(1.5), varString);
  EXPECT_EQ(VarType(s), varString);
  EXPECT_EQ(s.StrRef(), "1.5");
  EXPECT_EQ(VarType(VarCast(Variant("7"), varSmallint)), varSmallint);
  EXPECT_THROW(VarCast(Variant(70000), varSmallint), EVariantOverflowError);
  EXPECT_THROW(VarCast(Variant(-1), varByte), EVariantOverflowError);
  EXPECT_EQ(VarCast(Variant("1.23455"), varCurrency).AsCurrency().Value, 12346);  // half to even
  EXPECT_EQ(VarCast(Variant("1.23445"), varCurrency).AsCurrency().Value, 12344);
  Variant d = VarCast(Variant("2024-05-01 08:30:00"), varDate);
  EXPECT_EQ(VarType(d), varDate);
  EXPECT_DOUBLE_EQ(d.AsDouble(), EncodeDateTime(2024, 5, 1, 8, 30, 0, 0));
  EXPECT_TRUE(VarCast(Variant("true"), varBoolean).AsBoolean());
  EXPECT_FALSE(VarCast(Variant("0"), varBoolean).AsBoolean());
  EXPECT_EQ(VarType(VarCast(Variant("x"), varOleStr)), varOleStr);
  EXPECT_EQ(VarType(VarCast(Variant(5), varVariant)), varInteger);
  EXPECT_TRUE(VarIsEmpty(VarCast(Variant(5), varEmpty)));
  // Null casts only to Null (callers that want Null to pass through check first).
  EXPECT_TRUE(VarIsNull(VarCast(Null(), varNull)));
  EXPECT_THROW(VarCast(Null(), varInteger), EVariantTypeCastError);
  EXPECT_THROW(VarCast(Variant(1), varArray | varVariant), EVariantTypeCastError);
}

TEST_F(VariantTest, TextFormsFollowTheFormatSettings) {
  EXPECT_EQ(VarToStr(Variant(1.5)), "1.5");
  EXPECT_EQ(VarToStr(Variant(0.1f)), "0.1");  // single precision shows 7 digits
  EXPECT_EQ(VarToStr(Variant(1.0 / 3)), "0.333333333333333");
  EXPECT_EQ(VarToStr(Variant(Currency::FromScaled(-12345))), "-1.2345");
  EXPECT_EQ(VarToStr(Variant(true)), "True");
  EXPECT_EQ(VarToStr(Variant::FromUInt64(~uint64_t{0})), "18446744073709551615");
  EXPECT_EQ(VarToStr(Variant::FromDateTime(EncodeDate(2024, 1, 2))), "2024-01-02");
  EXPECT_EQ(VarToStr(Variant::FromDateTime(EncodeDateTime(2024, 1, 2, 3, 4, 5, 0))), "2024-01-02 03:04:05");

  FormatSettings.DecimalSeparator = ',';
  FormatSettings.DateSeparator = '/';
  FormatSettings.ShortDateFormat = "dd/mm/yyyy";
  EXPECT_EQ(VarToStr(Variant(1.5)), "1,5");
  EXPECT_DOUBLE_EQ(Variant("2,25").AsDouble(), 2.25);
  EXPECT_THROW((void)Variant("2.25").AsDouble(), EVariantTypeCastError);
  EXPECT_EQ(VarToStr(Variant::FromDateTime(EncodeDate(2024, 1, 2))), "02/01/2024");
  EXPECT_DOUBLE_EQ(Variant("02/01/2024").AsDateTime(), EncodeDate(2024, 1, 2));
}

// ---- comparison -----------------------------------------------------------------------------

TEST_F(VariantTest, NullEqualsNullAndSortsFirst) {
  EXPECT_TRUE(Null() == Null());
  EXPECT_FALSE(Null() == Variant(0));
  EXPECT_FALSE(Variant("") == Null());
  EXPECT_TRUE(Null() < Variant(5));
  EXPECT_TRUE(Variant(5) > Null());
  EXPECT_TRUE(Null() < Variant());
  EXPECT_TRUE(Null() <= Null());
  EXPECT_EQ(VarCompare(Null(), Variant("a")), -1);
  EXPECT_EQ(VarCompare(Variant("a"), Null()), 1);
}

TEST_F(VariantTest, IncomparableValuesRaise) {
  EXPECT_THROW((void)(Variant("abc") == Variant(5)), EVariantTypeCastError);
  EXPECT_THROW((void)(Variant(5) < Variant("abc")), EVariantTypeCastError);
  EXPECT_THROW((void)(Variant("yes") == Variant(true)), EVariantTypeCastError);
  EXPECT_THROW((void)(VarArrayOf({1, 2}) == Variant(1)), EVariantInvalidOpError);
  EXPECT_THROW((void)(VarArrayOf({1}) == VarArrayOf({1})), EVariantInvalidOpError);
  EXPECT_THROW((void)(Variant::FromError(1) == Variant(1)), EVariantInvalidOpError);
  // The forms that never raise.
  EXPECT_EQ(VarCompareValue(Variant("abc"), Variant(5)), vrNotEqual);
  EXPECT_EQ(VarCompareValue(Null(), Variant(5)), vrNotEqual);
  EXPECT_EQ(VarCompareValue(Null(), Null()), vrEqual);
  EXPECT_EQ(VarCompareValue(Variant(1), Variant(2)), vrLessThan);
  EXPECT_EQ(VarCompareValue(Variant(3.5), Variant(2)), vrGreaterThan);
  EXPECT_FALSE(VarSameValue(Variant("abc"), Variant(5)));
  EXPECT_TRUE(VarSameValue(Variant("5"), Variant(5)));
}

TEST_F(VariantTest, MixedTypesCompareByValue) {
  EXPECT_TRUE(Variant("10") == Variant(10));
  EXPECT_TRUE(Variant("9") < Variant(10));  // as numbers, not as texts
  EXPECT_TRUE(Variant(" 2.5 ") == Variant(2.5));
  EXPECT_TRUE(Variant(1) == Variant(1.0));
  EXPECT_TRUE(Variant(Currency::FromInt(3)) == Variant(3));
  EXPECT_TRUE(Variant(Currency::FromScaled(30001)) > Variant(3));
  EXPECT_TRUE(Variant("1.0001") == Variant(Currency::FromScaled(10001)));
  // Large integers compare exactly, not through doubles.
  EXPECT_TRUE(Variant::FromInt64((1LL << 62) + 1) > Variant::FromInt64(1LL << 62));
  EXPECT_TRUE(Variant::FromUInt64(~uint64_t{0}) > Variant(-1));
  EXPECT_TRUE(Variant(false) < Variant(true));
  EXPECT_TRUE(Variant(true) == Variant(-1));
  // Empty stands for zero, the empty text or False.
  EXPECT_TRUE(Variant() == Variant(0));
  EXPECT_TRUE(Variant() == Variant(""));
  EXPECT_TRUE(Variant() == Variant(false));
  EXPECT_TRUE(Variant() < Variant("a"));
  EXPECT_TRUE(Variant() == Variant());
  // Dates against dates, numbers and date texts.
  Variant day = Variant::FromDateTime(EncodeDate(2024, 5, 1));
  EXPECT_TRUE(day == Variant("2024-05-01"));
  EXPECT_TRUE(day < Variant("2024-05-01 00:00:01"));
  EXPECT_TRUE(day == Variant(EncodeDate(2024, 5, 1)));
}

TEST_F(VariantTest, TextsCompareByCollation) {
  EXPECT_TRUE(Variant("a") < Variant("B"));  // not by byte value
  EXPECT_TRUE(Variant("abc") == Variant(u"abc"));
  EXPECT_FALSE(Variant("abc") == Variant("ABC"));
  EXPECT_TRUE(Variant("abc") < Variant("abd"));
  EXPECT_TRUE(Variant("") < Variant("a"));
}

// ---- arithmetic -----------------------------------------------------------------------------

TEST_F(VariantTest, AdditionConcatenatesTexts) {
  Variant r = Variant("费用") + Variant("垫付");
  EXPECT_EQ(VarType(r), varString);
  EXPECT_EQ(VarToStr(r), "费用垫付");
  EXPECT_EQ(VarToStr(Variant("a") + Variant()), "a");
  Variant n = Variant("1") + Variant(2);  // a text beside a number is read as a number
  EXPECT_EQ(VarType(n), varDouble);
  EXPECT_DOUBLE_EQ(n.AsDouble(), 3.0);
  EXPECT_THROW(Variant("x") + Variant(2), EVariantTypeCastError);
  Variant acc = "a";
  acc += "b";
  acc += "c";
  EXPECT_EQ(VarToStr(acc), "abc");
}

TEST_F(VariantTest, NullPropagatesAndBadOperandsRaise) {
  EXPECT_TRUE(VarIsNull(Null() + Variant(1)));
  EXPECT_TRUE(VarIsNull(Variant("a") * Null()));
  EXPECT_TRUE(VarIsNull(-Null()));
  EXPECT_THROW(VarArrayOf({1}) + Variant(1), EVariantInvalidOpError);
  EXPECT_THROW(Variant::FromError(1) - Variant(1), EVariantInvalidOpError);
  EXPECT_THROW(Variant(1) / Variant(0), EZeroDivide);
  EXPECT_THROW(IntDiv(Variant(1), Variant(0)), EDivByZero);
  EXPECT_THROW(IntMod(Variant(1), Variant()), EDivByZero);
}

TEST_F(VariantTest, IntegerResultsWiden) {
  Variant a = Variant(2147483647) + Variant(1);
  EXPECT_EQ(VarType(a), varInt64);
  EXPECT_EQ(a.AsInt64(), 2147483648LL);
  Variant b = Variant(3) * Variant(4);
  EXPECT_EQ(VarType(b), varInteger);
  EXPECT_EQ(b.AsInteger(), 12);
  Variant c = Variant::FromInt64(INT64_MAX) + Variant(1);
  EXPECT_EQ(VarType(c), varDouble);
  EXPECT_DOUBLE_EQ(c.AsDouble(), 9223372036854775808.0);
  Variant d = -Variant(INT32_MIN);
  EXPECT_EQ(VarType(d), varInt64);
  EXPECT_EQ(d.AsInt64(), 2147483648LL);
  EXPECT_EQ(VarType(Variant(1) / Variant(2)), varDouble);
  EXPECT_DOUBLE_EQ((Variant(1) / Variant(2)).AsDouble(), 0.5);
  EXPECT_EQ(IntDiv(Variant(7), Variant(2)).AsInteger(), 3);
  EXPECT_EQ(IntMod(Variant(-7), Variant(2)).AsInteger(), -1);
  EXPECT_EQ(VarType(Variant::FromSmallint(1) + Variant::FromByte(2)), varInteger);
}

TEST_F(VariantTest, CurrencyArithmeticIsExact) {
  Variant price(Currency::FromScaled(19999));  // 1.9999
  Variant total = price * Variant(3);
  EXPECT_EQ(VarType(total), varCurrency);
  EXPECT_EQ(total.AsCurrency().Value, 59997);
  Variant product = Variant(Currency::FromScaled(15)) * Variant(Currency::FromScaled(5000));
  // 0.0015 × 0.5 = 0.00075: halves go to even at the fourth decimal.
  EXPECT_EQ(product.AsCurrency().Value, 8);
  Variant sum = Variant(Currency::FromScaled(1)) + Variant(Currency::FromScaled(2));
  EXPECT_EQ(sum.AsCurrency().Value, 3);
  EXPECT_EQ(VarType(Variant(Currency::FromInt(1)) + Variant(0.5)), varDouble);
}

TEST_F(VariantTest, DateArithmetic) {
  Variant day = Variant::FromDateTime(EncodeDate(2024, 2, 28));
  Variant next = day + Variant(1);
  EXPECT_EQ(VarType(next), varDate);
  EXPECT_EQ(VarToStr(next), "2024-02-29");
  Variant span = Variant::FromDateTime(EncodeDate(2024, 3, 1)) - day;
  EXPECT_EQ(VarType(span), varDouble);
  EXPECT_DOUBLE_EQ(span.AsDouble(), 2.0);
}

// ---- arrays ---------------------------------------------------------------------------------

TEST_F(VariantTest, ArraysKeepBoundsAndRedimension) {
  Variant a = VarArrayCreate(1, 3, varInteger);
  EXPECT_TRUE(VarIsArray(a));
  EXPECT_EQ(VarType(a), varArray | varInteger);
  EXPECT_EQ(VarArrayDimCount(a), 1);
  EXPECT_EQ(VarArrayLowBound(a), 1);
  EXPECT_EQ(VarArrayHighBound(a), 3);
  EXPECT_EQ(VarType(a[1]), varInteger);  // numeric elements start at zero
  a.SetElement(2, Variant("42"));       // converted to the element type
  EXPECT_EQ(VarType(a[2]), varInteger);
  EXPECT_EQ(a[2].AsInteger(), 42);
  EXPECT_THROW(a.SetElement(3, Variant("x")), EVariantTypeCastError);
  EXPECT_THROW((void)a[0], EVariantBadIndexError);
  EXPECT_THROW((void)a[4], EVariantBadIndexError);
  EXPECT_THROW((void)VarArrayLowBound(a, 2), EVariantBadIndexError);

  VarArrayRedim(a, 5);
  EXPECT_EQ(VarArrayHighBound(a), 5);
  EXPECT_EQ(a[2].AsInteger(), 42);
  EXPECT_EQ(a[5].AsInteger(), 0);
  VarArrayRedim(a, 1);
  EXPECT_EQ(a.ArrayCount(), 1);
  VarArrayRedim(a, 0);  // no elements left
  EXPECT_EQ(a.ArrayCount(), 0);
  EXPECT_THROW(VarArrayRedim(a, -1), EVariantArrayCreateError);
  EXPECT_THROW(VarArrayCreate(5, 2), EVariantArrayCreateError);
  EXPECT_THROW(VarArrayCreate(0, INT32_MAX), EVariantArrayCreateError);
  EXPECT_THROW((void)Variant(1).ArrayCount(), EVariantInvalidOpError);

  Variant texts = VarArrayCreate(0, 1, varOleStr);  // text elements start empty
  EXPECT_EQ(VarType(texts[0]), varOleStr);
  EXPECT_EQ(VarToStr(texts[0]), "");
  texts.SetElement(1, Variant(12));
  EXPECT_EQ(VarType(texts[1]), varOleStr);
  EXPECT_EQ(VarToStr(texts[1]), "12");
  EXPECT_FALSE(VarArrayCreate(0, 0, varBoolean)[0].AsBoolean());
}

TEST_F(VariantTest, ArrayCopiesAreIndependent) {
  Variant a = VarArrayOf({1, "two", Null()});
  EXPECT_EQ(VarType(a), varArray | varVariant);
  EXPECT_EQ(VarArrayLowBound(a), 0);
  EXPECT_EQ(VarArrayHighBound(a), 2);
  Variant b = a;
  b[0] = Variant(100);
  EXPECT_EQ(a[0].AsInteger(), 1);
  EXPECT_EQ(b[0].AsInteger(), 100);
  EXPECT_TRUE(VarIsNull(b[2]));
  EXPECT_EQ(VarToStr(a[1]), "two");
  // Nested arrays copy deeply too.
  Variant outer = VarArrayOf({a});
  Variant outerCopy = outer;
  outerCopy[0][1] = Variant("changed");
  EXPECT_EQ(VarToStr(outer[0][1]), "two");
}
