#pragma once
// Sort keys of rows read once into arrays, for sorting many records without visiting them again
// on every comparison: the records view sorts by them, and so does the records list when it sorts
// by columns.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <algorithm>
#include <string_view>
#include <type_traits>
#include <vector>

#include "memtable/mtrecords.h"
#include "memtable/orderby.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/variant.h"

// The sort keys of the rows, read once into arrays, for sorting without the view's own
// comparison touching every record again on every comparison. Each key column is kept in the
// narrowest form that compares exactly as the platform's variant comparison does: integers,
// floating-point values (no NaN), texts by the first bytes of their collation keys and then by the
// collator (ties between texts the collation cannot tell apart are broken by their bytes, as the
// platform does), or else the variants themselves. Nulls sort first.
class TRowSortKeysGx {
 public:
  TRowSortKeysGx(const std::vector<TMemoryRecordGx*>& rows, const TOrderByList& order) {
    columns_.resize(static_cast<size_t>(order.Count()));
    for (int c = 0; c < order.Count(); ++c) {
      Fill(columns_[static_cast<size_t>(c)], rows, order[c]);
      anyGeneral_ = anyGeneral_ || columns_[static_cast<size_t>(c)].Type == Kind::Var;
    }
  }

  // Negative, zero or positive, as the view's comparison of the two rows.
  int Compare(uint32_t a, uint32_t b) const {
    // A row against itself (the pivot meets itself once per pass): equal, unless a column of
    // general values must be compared (their comparison may raise, as it would for the records).
    if (a == b && !anyGeneral_) return 0;
    for (const Column& col : columns_) {
      int r;
      const bool na = col.Null[a] != 0, nb = col.Null[b] != 0;
      if (na || nb) {
        r = na == nb ? 0 : (na ? -1 : 1);
      } else {
        switch (col.Type) {
          case Kind::Int: r = Cmp(col.Ints[a], col.Ints[b]); break;
          case Kind::Dbl: r = Cmp(col.Dbls[a], col.Dbls[b]); break;
          case Kind::Str:
            // Most keys differ in their first eight bytes, held inline; the rest are collated.
            r = Cmp(col.Prefix[a], col.Prefix[b]);
            if (r == 0 && SameText(col, a, b)) break;
            if (r == 0) r = AnsiCompareStr(col.Texts[a], col.Texts[b]);
            if (r == 0) r = CompareStr(col.Texts[a], col.Texts[b]);
            r = r < 0 ? -1 : (r > 0 ? 1 : 0);
            break;
          default: r = VarCompare(*col.Vars[a], *col.Vars[b]); break;
        }
      }
      if (col.Desc) r = -r;
      if (r != 0) return r;
    }
    return 0;
  }

  // The first key column folded into one number per row that orders as Compare does on that
  // column alone whenever two numbers differ (Null below every value): most comparisons of a
  // sort are then decided by two numbers lying side by side, without visiting the columns.
  struct Lead {
    uint64_t Key;  // Null 0; a value's order, shifted above Null, when the column has one
    uint32_t Row;
  };
  Lead LeadOf(uint32_t row) const {
    if (columns_.empty()) return {0, row};
    const Column& col = columns_[0];
    if (col.Null[row]) return {0, row};
    uint64_t k = 0;
    switch (col.Type) {
      case Kind::Int: k = static_cast<uint64_t>(col.Ints[row]) ^ (uint64_t{1} << 63); break;
      case Kind::Dbl: {
        const double d = col.Dbls[row] == 0 ? 0.0 : col.Dbls[row];  // -0 sorts as 0
        uint64_t bits;
        std::memcpy(&bits, &d, sizeof bits);
        k = (bits >> 63) ? ~bits : bits | (uint64_t{1} << 63);
        break;
      }
      case Kind::Str: k = col.Prefix[row]; break;
      default: break;
    }
    // Values one above Null: the lowest bit of a value's order is given up (ties go to Compare).
    return {(k >> 1) + 1, row};
  }
  // -1, 1, or 0 when the leads do not decide and Compare must.
  int CompareLeads(const Lead& a, const Lead& b) const {
    if (a.Key == b.Key) return 0;
    // Null against a value always decides; two values decide by their order only when the
    // column's values have one.
    if (a.Key != 0 && b.Key != 0 && (columns_[0].Type == Kind::Var)) return 0;
    const int r = a.Key < b.Key ? -1 : 1;
    return columns_[0].Desc ? -r : r;
  }

 private:
  enum class Kind { Int, Dbl, Str, Var };
  struct Column {
    Kind Type = Kind::Var;
    bool Desc = false;
    std::vector<uint8_t> Null;
    std::vector<int64_t> Ints;
    std::vector<double> Dbls;
    // The first eight bytes of each text's collation key, as a big-endian number.
    std::vector<uint64_t> Prefix;
    // A text of at most eight bytes held as a number: such equal texts are seen to be equal
    // without reading them.
    std::vector<uint64_t> Short;
    std::vector<std::string_view> Texts;
    std::vector<const Variant*> Vars;
  };

  template <class T>
  static int Cmp(T a, T b) noexcept {
    return a < b ? -1 : (b < a ? 1 : 0);
  }

  // Columns are read in a narrow form only when every value has one category: values of
  // different categories compare by rules of their own.
  enum class Category { Integer, Boolean, Double, Date, Text, Other };

  static Category CategoryOf(const Variant& v) {
    switch (v.VarType()) {
      case varSmallint: case varInteger: case varShortInt: case varByte: case varWord: case varLongWord:
      case varInt64:
        return Category::Integer;
      case varBoolean:
        return Category::Boolean;
      case varDouble:
        return std::isnan(v.AsDouble()) ? Category::Other : Category::Double;
      case varDate:
        return std::isnan(v.AsDouble()) ? Category::Other : Category::Date;
      case varString: case varOleStr:
        return IsValidUtf8(v.StrRef()) ? Category::Text : Category::Other;
      default:
        return Category::Other;
    }
  }

  static bool IsAlnum(std::string_view t) noexcept {
    for (char c : t)
      if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) return false;
    return true;
  }
  // For a column of ASCII letters and digits alone, whose first collation level orders them
  // plainly: the first ten characters' places at that level, six bits each, first character
  // highest (an end below every character). Prefixes that differ order the texts as the collator
  // does; equal ones leave it to the collator. Made without the collator.
  static uint64_t AlnumPrefix(std::string_view t) noexcept {
    uint64_t key = 0;
    for (size_t k = 0; k < 10; ++k) {
      uint64_t place = 0;
      if (k < t.size()) {
        const char c = t[k];
        place = c <= '9' ? 1 + static_cast<uint64_t>(c - '0')
                         : 11 + static_cast<uint64_t>((c >= 'a' ? c - 'a' : c - 'A'));
      }
      key = (key << 6) | place;
    }
    return key << 4;
  }

  // Whether two texts have the same bytes.
  static bool SameText(const Column& col, uint32_t a, uint32_t b) noexcept {
    const std::string_view x = col.Texts[a], y = col.Texts[b];
    if (x.size() != y.size()) return false;
    if (x.size() <= sizeof(uint64_t)) return col.Short[a] == col.Short[b];
    return std::memcmp(x.data(), y.data(), x.size()) == 0;
  }

  // The length of the start all the column's texts share, cut back to where a comparison of
  // the rests orders as the collator orders the whole texts.
  static size_t SharedStart(const Column& col) {
    const size_t n = col.Texts.size();
    std::string_view first;
    bool any = false;
    size_t len = 0;
    for (size_t i = 0; i < n; ++i) {
      if (col.Null[i]) continue;
      const std::string_view t = col.Texts[i];
      if (!any) {
        first = t;
        len = t.size();
        any = true;
        continue;
      }
      len = std::min(len, t.size());
      size_t k = 0;
      while (k < len && t[k] == first[k]) ++k;
      len = k;
      if (len == 0) return 0;
    }
    if (!any) return 0;
    auto isLead = [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; };
    while (len > 0 && len < first.size() && !isLead(first[len])) --len;
    // As the collator itself does with an equal start: when a text goes on with a character
    // that may join what precedes it, back up to a character that cannot.
    auto charAt = [](std::string_view t, size_t pos) { return Utf8Decode(t, pos); };
    bool joins = false;
    for (size_t i = 0; i < n && !joins && len > 0; ++i)
      if (!col.Null[i] && len < col.Texts[i].size() && AnsiCollatesWithPrevious(charAt(col.Texts[i], len))) joins = true;
    if (joins) {
      auto back = [&] {
        do --len;
        while (len > 0 && !isLead(first[len]));
      };
      back();
      while (len > 0 && AnsiCollatesWithPrevious(charAt(first, len))) back();
    }
    return len;
  }

  static void Fill(Column& col, const std::vector<TMemoryRecordGx*>& rows, const TOrderByItemGx& item) {
    const size_t n = rows.size();
    col.Desc = item.Desc;
    col.Null.resize(n);
    col.Vars.resize(n);
    bool any = false;
    Category category = Category::Other;
    for (size_t i = 0; i < n; ++i) {
      // The records lie anywhere in memory: those further on are fetched ahead.
      if (i + 16 < n) __builtin_prefetch(rows[i + 16]);
      if (i + 8 < n && item.FieldIndex < rows[i + 8]->FieldCount()) __builtin_prefetch(&rows[i + 8]->Value(item.FieldIndex));
      const Variant& v = rows[i]->Value(item.FieldIndex);
      col.Vars[i] = &v;
      col.Null[i] = v.IsNull();
      if (v.IsNull()) continue;
      Category c = CategoryOf(v);
      if (!any) category = c;
      else if (c != category) category = Category::Other;
      any = true;
    }
    switch (category) {
      case Category::Integer:
      case Category::Boolean:
        col.Type = Kind::Int;
        col.Ints.resize(n);
        for (size_t i = 0; i < n; ++i)
          if (!col.Null[i])
            col.Ints[i] = category == Category::Boolean ? (col.Vars[i]->AsBoolean() ? 1 : 0) : col.Vars[i]->AsInt64();
        break;
      case Category::Double:
      case Category::Date:
        col.Type = Kind::Dbl;
        col.Dbls.resize(n);
        for (size_t i = 0; i < n; ++i)
          if (!col.Null[i]) col.Dbls[i] = col.Vars[i]->AsDouble();
        break;
      case Category::Text:
        col.Type = Kind::Str;
        col.Prefix.resize(n);
        col.Texts.resize(n);
        for (size_t i = 0; i < n; ++i)
          if (!col.Null[i]) col.Texts[i] = col.Vars[i]->StrRef();
        {
          // A start that every text shares decides nothing: the texts are keyed and compared
          // from where they begin to differ (their bytes too), so that texts of one kind ("No.
          // 1", "No. 2") are told apart by their prefixes instead of by the collator.
          const size_t skip = SharedStart(col);
          col.Short.resize(n);
          bool alnum = AnsiOrdersAlnumPlainly();
          for (size_t i = 0; i < n && alnum; ++i)
            if (!col.Null[i]) alnum = IsAlnum(col.Texts[i].substr(skip));
          for (size_t i = 0; i < n; ++i) {
            if (col.Null[i]) continue;
            std::string_view& t = col.Texts[i];
            t.remove_prefix(skip);
            col.Prefix[i] = alnum ? AlnumPrefix(t) : AnsiSortPrefix(t);
            if (t.size() <= sizeof(uint64_t)) std::memcpy(&col.Short[i], t.data(), t.size());
          }
        }
        break;
      default:
        col.Type = any ? Kind::Var : Kind::Int;  // only Nulls: nothing to compare
        break;
    }
  }

  std::vector<Column> columns_;
  bool anyGeneral_ = false;
};

// A stable merge sort: fewer comparisons than a quicksort (about n log2 n), which counts when each
// comparison is a call of its own (a collator, a callback). Runs of eight are sorted by insertion
// first; a pair of runs already in order is only copied. Every step stays inside its range, so a
// comparison that breaks its contract cannot lead it past the items. `less(a, b)` answers whether
// a goes before b.
template <class T, class Less>
void StableSortGx(std::vector<T>& items, const Less& less) {
  const size_t n = items.size();
  if (n < 2) return;
  constexpr size_t kRun = 8;
  for (size_t lo = 0; lo < n; lo += kRun) {
    const size_t hi = std::min(n, lo + kRun);
    for (size_t i = lo + 1; i < hi; ++i) {
      T x = std::move(items[i]);
      size_t j = i;
      for (; j > lo && less(x, items[j - 1]); --j) items[j] = std::move(items[j - 1]);
      items[j] = std::move(x);
    }
  }
  if (n <= kRun) return;
  std::vector<T> merged(n);
  for (size_t width = kRun; width < n; width *= 2) {
    for (size_t lo = 0; lo < n; lo += 2 * width) {
      const size_t mid = std::min(n, lo + width), hi = std::min(n, lo + 2 * width);
      size_t i = lo, j = mid, k = lo;
      if (mid < hi && less(items[mid], items[mid - 1])) {
        while (i < mid && j < hi) {
          if constexpr (std::is_pointer_v<T>) {
            // What a comparison reads lies anywhere in memory: the items a few steps on are
            // fetched while these are compared.
            if (i + 4 < mid) __builtin_prefetch(items[i + 4]);
            if (j + 4 < hi) __builtin_prefetch(items[j + 4]);
          }
          merged[k++] = less(items[j], items[i]) ? std::move(items[j++]) : std::move(items[i++]);
        }
      }
      while (i < mid) merged[k++] = std::move(items[i++]);
      while (j < hi) merged[k++] = std::move(items[j++]);
    }
    items.swap(merged);
  }
}
