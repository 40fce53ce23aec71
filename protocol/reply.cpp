// The reply document: status, scalar results, recordsets with their own field description, and
// the keys the host gave to inserted rows. A reply is outside input: whatever it holds, reading it
// either succeeds whole or leaves nothing of it behind and says why.
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <memory>
#include <span>
#include <unordered_map>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"
#include "protocol/cvprotocol.h"
#include "protocol/cvxmldom.h"
#include "xml/text.h"

namespace {

// Raised while a reply is read; ParseReply turns it into its answer.
class EBadReply : public Exception {
 public:
  using Exception::Exception;
};

std::string TrimXmlBlanks(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && IsXmlBlank(s[b])) ++b;
  while (e > b && IsXmlBlank(s[e - 1])) --e;
  return std::string(s.substr(b, e - b));
}

int32_t IntOrZero(std::string_view text) {
  int32_t v = 0;
  return TryStrToInt(TrimXmlBlanks(text), v) ? v : 0;
}

// One column of the field description "NAME:TYPE:SIZE:SCALE".
struct TReplyColumn {
  std::string name;
  TFieldType type = ftString;
  int size = 0;
};

// A SIZE or SCALE part: nothing when empty, else a decimal integer.
std::optional<int32_t> DescriptionNumber(std::string_view part, std::string_view what, std::string_view item) {
  if (part.empty()) return std::nullopt;
  int32_t v = 0;
  if (!TryStrToInt(part, v))
    throw EBadReply(Format("The %s of \"%s\" in the field description is not an integer", {what, item}));
  return v;
}

TReplyColumn ParseColumn(std::string_view item) {
  std::string text(item);
  if (text.back() != ':') text += ':';
  TReplyColumn c;
  c.name = std::string(GetDelimitedItem(text, ':', 1));
  if (c.name.empty()) throw EBadReply(Format("The field description item \"%s\" has no name", {item}));
  const std::string type = UpperCase(GetDelimitedItem(text, ':', 2));
  const std::string_view sizeText = GetDelimitedItem(text, ':', 3);
  const auto size = DescriptionNumber(sizeText, "size", item);
  const auto scale = DescriptionNumber(GetDelimitedItem(text, ':', 4), "scale", item);
  const bool sizeGiven = size && *size != 0;
  if (type.find("CHAR") != std::string::npos) {
    c.type = ftString;
    c.size = sizeGiven ? *size : 255;
  } else if (type == "INTEGER" || type == "NUMBER" || type == "NUMERIC") {
    c.type = scale && *scale > 0 ? ftFloat : ftLargeint;
  } else if (type == "DATE" || type == "DATETIME") {
    c.type = ftDate;
  } else {
    c.type = ftString;
    c.size = sizeGiven ? *size : 1000;
  }
  return c;
}

// The items, each ended by a blank, read in one pass: a wide recordset's description is not
// searched again from its start for every item.
std::vector<TReplyColumn> ParseFieldDescription(std::string fields) {
  if (fields.empty() || fields.back() != ' ') fields += ' ';
  std::vector<TReplyColumn> columns;
  columns.reserve(static_cast<size_t>(CountSubStr(fields, " ")));
  size_t start = 0;
  for (size_t end = fields.find(' '); end != std::string::npos; end = fields.find(' ', start)) {
    const std::string_view item(fields.data() + start, end - start);
    if (item.empty())
      throw EBadReply(Format("Item %d of the field description is empty", {static_cast<int>(columns.size()) + 1}));
    columns.push_back(ParseColumn(item));
    start = end + 1;
  }
  return columns;
}

// The number the two decimal digits at `at` make; `bad` is set when one is not a digit.
[[gnu::always_inline]] inline unsigned TwoDigits(const unsigned char* s, int at, unsigned& bad) {
  const unsigned a = s[at] - 48u, b = s[at + 1] - 48u;
  bad |= static_cast<unsigned>(a > 9) | static_cast<unsigned>(b > 9);
  return a * 10 + b;
}

// A date value that holds a time has its date before the first blank; one with a colon and no
// blank has no date and leaves the field null.
inline bool DateHasNoDatePart(std::string_view value) {
  if (value.size() > 10 && value[10] == ' ') return false;  // the host's own form, at once
  return value.find(' ') == std::string_view::npos && value.find(':') != std::string_view::npos;
}

// A date value: "yyyy-mm-dd", with the time of day after a blank when the host sends one
// ("2024-03-05 10:00:00"). The time is kept: a row written back on save carries all its values, so
// dropping it here would reset every creation time to midnight. A time that does not read leaves
// the date alone; other date forms go through the platform's reading.
// Out of line, as the number readers are: the row loop that calls them stays small.
[[gnu::noinline]] TDateTime ReadDate(std::string_view value) {
  // The host's own form, "yyyy-mm-dd hh:nn:ss", read in place: the value TryEncodeDate and
  // TryEncodeTime make, worked out here without their calls (a reply holds many dates a row).
  if (value.size() == 19 && value[4] == '-' && value[7] == '-' && value[10] == ' ' && value[13] == ':' &&
      value[16] == ':') {
    const auto* s = reinterpret_cast<const unsigned char*>(value.data());
    unsigned bad = 0;
    const unsigned year = TwoDigits(s, 0, bad) * 100 + TwoDigits(s, 2, bad), month = TwoDigits(s, 5, bad),
                   day = TwoDigits(s, 8, bad), hour = TwoDigits(s, 11, bad), minute = TwoDigits(s, 14, bad),
                   second = TwoDigits(s, 17, bad);
    const bool digits = bad == 0;
    static constexpr uint8_t kMonthDays[13] = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (digits && year >= 1 && month >= 1 && month <= 12 && day >= 1 &&
        day <= kMonthDays[month] + (month == 2 && IsLeapYear(static_cast<int>(year)) ? 1u : 0u)) {
      // Days since 1970-01-01 by the civil calendar (the year taken from March), then from the
      // date system's day zero, 1899-12-30.
      const unsigned y = year - (month <= 2);
      const unsigned era = y / 400, yoe = y - era * 400;
      const unsigned doy = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
      const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
      TDateTime date = static_cast<double>(static_cast<int64_t>(era) * 146097 + doe - 719468 + 25569);
      if (hour < 24 && minute < 60 && second < 60) {
        const TDateTime t = static_cast<double>(static_cast<int>(((hour * 60 + minute) * 60 + second) * 1000)) / MSecsPerDay;
        date += date < 0 ? -t : t;
      }
      return date;
    }
  }
  std::string_view time;
  if (value.find(':') != std::string_view::npos) {
    const size_t cut = value.find(' ');
    if (cut != std::string_view::npos) {
      time = value.substr(cut + 1);
      value = value.substr(0, cut);
    }
  }
  auto digits = [](std::string_view text, size_t from, size_t count) {
    int v = 0;
    for (size_t k = from; k < from + count; ++k) {
      if (text[k] < '0' || text[k] > '9') return -1;
      v = v * 10 + (text[k] - '0');
    }
    return v;
  };
  TDateTime date = 0;
  bool read = false;
  if (value.size() == 10 && value[4] == '-' && value[7] == '-') {
    const int y = digits(value, 0, 4), m = digits(value, 5, 2), d = digits(value, 8, 2);
    read = y >= 0 && m >= 0 && d >= 0 && TryEncodeDate(y, m, d, date);
  }
  if (!read) date = StrToDate(value, TFormatSettings::Invariant());
  // hh:nn or hh:nn:ss, seconds possibly with a fraction that is not kept.
  if ((time.size() == 5 || time.size() >= 8) && time[2] == ':' && (time.size() == 5 || time[5] == ':')) {
    const int h = digits(time, 0, 2), n = digits(time, 3, 2), sec = time.size() == 5 ? 0 : digits(time, 6, 2);
    TDateTime t;
    if (h >= 0 && n >= 0 && sec >= 0 && TryEncodeTime(h, n, sec, 0, t)) date += date < 0 ? -t : t;
  }
  return date;
}

// An integer column's value: plain decimals ("-1234") are read directly, anything else through the
// platform's reading.
[[gnu::noinline]] int64_t ReadInt64(std::string_view value) {
  const size_t i = !value.empty() && value[0] == '-' ? 1 : 0;
  if (value.size() > i && value.size() - i <= 18) {
    int64_t v = 0;
    size_t k = i;
    for (; k < value.size() && value[k] >= '0' && value[k] <= '9'; ++k) v = v * 10 + (value[k] - '0');
    if (k == value.size()) return i ? -v : v;
  }
  return StrToInt64(value);
}

// A number column's value: plain decimals ("-1234.56") are read directly, anything else through the
// platform's reading with ".". Up to 15 digits make an exact integer and a power of ten up to 10^15
// is exact, so one division rounds as a full decimal reading does.
[[gnu::noinline]] double ReadFloatPlain(std::string_view value) {
  static constexpr double kPow10[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                      1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  const char* p = value.data();
  const char* const end = p + value.size();
  const bool negative = value.size() > 1 && *p == '-';
  if (negative) ++p;
  const char* const whole = p;
  uint64_t mantissa = 0;
  while (p < end && static_cast<unsigned>(*p - '0') <= 9) mantissa = mantissa * 10 + static_cast<unsigned>(*p++ - '0');
  const size_t wholeDigits = static_cast<size_t>(p - whole);
  size_t fraction = 0;
  // A point between digits.
  if (wholeDigits > 0 && p + 1 < end && *p == '.') {
    const char* const part = ++p;
    while (p < end && static_cast<unsigned>(*p - '0') <= 9)
      mantissa = mantissa * 10 + static_cast<unsigned>(*p++ - '0');
    fraction = static_cast<size_t>(p - part);
  }
  if (p != end || wholeDigits + fraction == 0 || wholeDigits + fraction > 15)
    return StrToFloat(value, TFormatSettings::Invariant());
  double d = static_cast<double>(mantissa);
  if (fraction > 0) d /= kPow10[fraction];
  return negative ? -d : d;
}

// `from`, at or before the value, starts bytes that can be read up to the value's end: a value of
// up to 16 bytes is then looked at in one load that ends with it, the rest read as above.
[[gnu::noinline]] double ReadFloat(std::string_view value, const char* from) {
#if defined(__SSE2__)
  const size_t n = value.size();
  const char* const last = value.data() + n;
  if (n >= 1 && n <= 16 && last - from >= 16) {
    // The value fills the load's last n bytes. Its digits, each 0 to 9, weighted as one 16-digit
    // number with the point's place as a zero digit.
    const bool negative = n > 1 && value[0] == '-';
    const unsigned lanes = (0xFFFFu << (16 - n + (negative ? 1 : 0))) & 0xFFFFu;
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(last - 16));
    const __m128i isDigit = _mm_and_si128(_mm_cmpgt_epi8(x, _mm_set1_epi8('0' - 1)), _mm_cmplt_epi8(x, _mm_set1_epi8('9' + 1)));
    const unsigned digits = static_cast<unsigned>(_mm_movemask_epi8(isDigit)) & lanes;
    const unsigned point = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(x, _mm_set1_epi8('.')))) & lanes;
    // Only digits and at most one point, which stands between digits; 1 to 15 digits.
    if ((digits | point) == lanes && (point & (point - 1)) == 0 && digits != 0 && digits != 0xFFFFu &&
        (point == 0 || ((point & (lanes << 1)) != 0 && point < 0x8000u))) {
      const __m128i d = _mm_and_si128(_mm_sub_epi8(x, _mm_set1_epi8('0')), isDigit);
      // Keep the value's digits only: the lanes before it may hold digits of the name.
      alignas(16) static constexpr uint8_t kTail[32] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                        0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                                        0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
      const __m128i keep = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kTail + n));
      __m128i v = _mm_and_si128(d, keep);
      // A point's lane holds a zero: the whole part's digits move one lane on over it, so the lanes
      // hold the digits alone and make the number without the point.
      int fraction = 0;
      if (point != 0) {
        const int at = __builtin_ctz(point);  // the point's lane; the fraction's digits follow it
        fraction = 15 - at;                   // 1 to 14
        alignas(16) static constexpr uint8_t kHead[32] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                                          0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                                          0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        const __m128i upTo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kHead + fraction));  // lanes 0..at
        v = _mm_or_si128(_mm_and_si128(upTo, _mm_slli_si128(v, 1)), _mm_andnot_si128(upTo, v));
      }
      // Pairs, then groups of four, then two groups of eight digits.
      const __m128i pairs = _mm_add_epi16(_mm_mullo_epi16(_mm_and_si128(v, _mm_set1_epi16(0xFF)), _mm_set1_epi16(10)),
                                          _mm_srli_epi16(v, 8));
      const __m128i fours = _mm_madd_epi16(pairs, _mm_set1_epi32(0x00010064));  // 100, 1
      const __m128i packed = _mm_packs_epi32(fours, fours);
      const __m128i eights = _mm_madd_epi16(packed, _mm_set1_epi32(0x00012710));  // 10000, 1
      const uint64_t number = static_cast<uint64_t>(static_cast<uint32_t>(_mm_cvtsi128_si32(eights))) * 100000000u +
                              static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(eights, 4)));
      static constexpr double kPow10[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                          1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
      // At most 15 digits: an exact integer, so one division by an exact power rounds once.
      const double result = fraction ? static_cast<double>(number) / kPow10[fraction] : static_cast<double>(number);
      return negative ? -result : result;
    }
  }
#endif
  return ReadFloatPlain(value);
}

// The position of the entry named "rn" (what marks a row id); -1 when there is none.
int RowIdEntry(std::span<const std::string_view> entries) {
  for (size_t a = 0; a < entries.size(); ++a) {
    const std::string_view e = entries[a];
    if (e.size() >= 3 && e[0] == 'r' && e[1] == 'n' && e[2] == '=') return static_cast<int>(a);
  }
  return -1;
}

// Fills the rows of one recordset straight into the table's record store, as plain posted rows
// (cached updates off: unmodified, no change log). Attribute names are matched to columns once per
// position and checked again only when a row orders them differently.
class TRowReader {
 public:
  TRowReader(TMemTableGx* data, std::string tableName) : list_(data->RecordsList()), table_(std::move(tableName)) {
    TMTDataStructGx* store = data->MemTableData()->DataStruct();
    for (TField* f : data->Fields()) {
      Column c;
      c.attribute = UpperCase(f->FieldName());
      c.field = f->FieldName();
      c.index = store->FieldIndex(f->FieldName());
      c.type = f->DataType();
      c.size = f->Size();
      const TMTDataFieldGx* column =
          c.index >= 0 && c.index < store->Count() ? store->Fields()[static_cast<size_t>(c.index)] : nullptr;
      // What Store makes is of one type per column: whether the store takes it as it is is known
      // here once.
      c.asIs = column && column->StoresTypeAsIs(ConvertedType(c.type));
      // A name holding "=" is never an attribute's name.
      if (c.attribute.find('=') == std::string::npos) byName_.emplace(c.attribute, static_cast<int>(columns_.size()));
      columns_.push_back(std::move(c));
    }
    list_->BeginUpdate();
  }
  ~TRowReader() {
    // The table learns of its rows at once; a reply that failed half way is thrown away anyway.
    try {
      list_->EndUpdate();
    } catch (const Exception&) {
    }
  }

  // Reads one row from its attribute entries (name="value", as the XML library keeps them); false,
  // with nothing kept, when an entry is named "rn": the element is a row id, not a row.
  bool Read(std::span<const std::string_view> entries, int rowNo) {
    ++stamp_;
    TMemoryRecordGx* rec = list_->NewRecord();
    try {
      if (entries.size() > slots_.size()) slots_.resize(entries.size());
      Slot* const slots = slots_.data();
      Column* const columns = columns_.data();
      const std::string_view* const list = entries.data();
      for (size_t a = 0, n = entries.size(); a < n; ++a) {
        const std::string_view entry = list[a];
        Slot& slot = slots[a];
        // The name last seen at this position first; no name that can match holds a "=".
        size_t eq = slot.name.size();
        int c = slot.column;
        if (!(c != kUnseen && entry.size() > eq && entry[eq] == '=' && slot.Starts(entry.data())))
          c = Learn(entry, slot, eq);
        if (c < 0) {
          if (c != kRowId) continue;
          list_->DropNewRecords({rec});  // its id given back, as though never made
          return false;
        }
        Column& col = columns[c];
        if (col.seen == stamp_) continue;  // the first of two equal names counts
        col.seen = stamp_;
        if (eq == std::string_view::npos) continue;  // no value
        const std::string_view value = EntryText(entry, eq, scratch_);
        if (value.empty()) continue;
        // Bytes that can be read up to the value's end: the entry's, unless the value was unescaped.
        const char* const from = value.data() == scratch_.data() ? value.data() : entry.data();
        try {
          if (col.asIs) {
            Store(col, value, from, rec->StoredSlot(col.index));
          } else {
            Variant v;
            if (Store(col, value, from, v)) rec->SetDataValue(col.index, rvCurrent, v);
          }
        } catch (const Exception& e) {
          // A row id's other entries are not values: an "rn" further on makes the element one.
          if (RowIdEntry(entries) >= 0) {
            list_->DropNewRecords({rec});
            return false;
          }
          throw EBadReply(Format("Row %d of recordset %s, field %s: %s", {rowNo, table_, col.field, e.Message()}));
        }
      }
      list_->FetchRecord(rec);
    } catch (...) {
      if (!rec->Attached()) rec->Free();
      throw;
    }
    return true;
  }

 private:
  struct Column {
    std::string attribute;  // the field name upper-cased: the attribute that carries the value
    std::string field;
    int index = 0;          // the store's column
    TFieldType type = ftString;
    int size = 0;
    bool asIs = false;      // the store keeps Store's values without converting them
    uint32_t seen = 0;      // the row that last set it
  };
  // What the entry at one position named in the last row that had one there.
  static constexpr int kUnseen = -2;
  static constexpr int kRowId = -3;  // the "rn" entry of a row id
  struct Slot {
    int column = kUnseen;  // -1: no column
    std::string name;
    // A name of 8 to 16 bytes, the most common, as its first and its last eight bytes.
    uint64_t head = 0, tail = 0;
    // Whether `p` starts with the name; the caller has checked that it is long enough.
    bool Starts(const char* p) const {
      const size_t n = name.size();
      if (n >= 8 && n <= 16) {
        uint64_t a, b;
        std::memcpy(&a, p, 8);
        std::memcpy(&b, p + n - 8, 8);
        return a == head && b == tail;
      }
      return std::memcmp(p, name.data(), n) == 0;
    }
  };

  // Matches the entry's name to a column and remembers it for the position; `eq` becomes the place
  // of the entry's first "=" (npos without one).
  int Learn(std::string_view entry, Slot& slot, size_t& eq) {
    eq = entry.find('=');
    const std::string_view name = eq == std::string_view::npos ? std::string_view() : entry.substr(0, eq);
    if (eq != std::string_view::npos && name == "rn") {
      slot.column = kRowId;
    } else {
      auto it = byName_.find(std::string(name));
      slot.column = it == byName_.end() ? -1 : it->second;
    }
    slot.name.assign(name);
    if (name.size() >= 8 && name.size() <= 16) {
      std::memcpy(&slot.head, name.data(), 8);
      std::memcpy(&slot.tail, name.data() + name.size() - 8, 8);
    }
    return slot.column;
  }

  // The variant type Store makes for a column of that type.
  static TVarType ConvertedType(TFieldType type) {
    switch (type) {
      case ftLargeint: return varInt64;
      case ftFloat: return varDouble;
      case ftDate: return varDate;
      default: return varString;
    }
  }

  // Puts the value, read as its column's type, into `slot`; `from`: where the value's entry starts
  // (see ReadFloat). Made in place: a value made apart and then moved in is read back from memory
  // just written, which stalls. False, with `slot` untouched, for a value that leaves the field
  // null.
  [[gnu::always_inline]] static bool Store(const Column& c, std::string_view value, const char* from, Variant& slot) {
    switch (c.type) {
      case ftLargeint: slot = Variant::FromInt64(ReadInt64(value)); return true;
      case ftFloat: slot = Variant(ReadFloat(value, from)); return true;
      case ftDate:
        if (DateHasNoDatePart(value)) return false;
        slot = Variant::FromDateTime(ReadDate(value));
        return true;
      default:
        // As a string field takes a text: cut to its size, counted in code-page-936 bytes.
        if (c.size > 0 && value.size() > static_cast<size_t>(c.size))
          slot.AssignText(Cp936Truncate(value, c.size));
        else
          slot.AssignText(value);
        return true;
    }
  }

  // The unescaped text of an entry's value part, after the entry's first "=" (at `eq`, which it
  // has); a view of the entry itself unless it holds a reference or a doubled quote.
  [[gnu::always_inline]] static std::string_view EntryText(std::string_view entry, size_t eq, std::string& scratch) {
    const char* const v = entry.data() + eq + 1;
    const size_t size = entry.size() - eq - 1;
    if (size >= 2 && (*v == '"' || *v == '\'') && v[size - 1] == *v) {
      const std::string_view inner(v + 1, size - 2);
      if (HoldsNeither(entry.data(), inner, *v, '&')) return inner;
      if (inner.find(*v) == std::string_view::npos) {
        scratch = XmlUnescape(inner, true);
        return scratch;
      }
    }
    scratch = XmlUnescape(XmlUnquote(std::string_view(v, size)), true);
    return scratch;
  }

  // Whether `s` holds neither byte. The bytes from `from` up to `s` can be read too: a value of up
  // to 16 bytes, the most common, is looked at in one load that ends with it.
  static bool HoldsNeither(const char* from, std::string_view s, char a, char b) {
    const char* p = s.data();
    const char* const end = p + s.size();
#if defined(__SSE2__)
    const __m128i va = _mm_set1_epi8(a), vb = _mm_set1_epi8(b);
    auto hits = [&](const char* at) {
      const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
      return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(x, va), _mm_cmpeq_epi8(x, vb))));
    };
    for (; end - p >= 16; p += 16)
      if (hits(p)) return false;
    // The rest, as the last bytes of a load that ends where `s` does.
    if (end - from >= 16) return (hits(end - 16) >> (16 - (end - p))) == 0;
#endif
    for (; p < end; ++p)
      if (*p == a || *p == b) return false;
    return true;
  }

  TRecordsListGx* list_;
  std::string table_;
  std::vector<Column> columns_;
  std::unordered_map<std::string, int> byName_;
  std::vector<Slot> slots_;  // by position in the row
  std::string scratch_;
  uint32_t stamp_ = 0;
};

// The unescaped value of the first entry with that name, as the DOM reads an attribute.
std::optional<std::string> EntryAttribute(std::span<const std::string_view> entries, std::string_view name) {
  for (std::string_view e : entries)
    if (XmlEntryName(e) == name) return XmlUnescape(XmlUnquote(XmlEntryValue(e)), true);
  return std::nullopt;
}

// One recordset: its table, added when the recordset is met, then its child elements in order,
// each a row id or a data row.
class TRecordsetReader {
 public:
  TRecordsetReader(TCvProtocol& protocol, const std::optional<std::string>& tbname)
      : protocol_(protocol), name_(tbname ? UpperCase(*tbname) : std::string("UNKNOWN")) {
    data_ = protocol.GetTable(protocol.AddTable())->Data();
    data_->SetCvTableName(name_);
  }

  void Child(std::span<const std::string_view> entries) {
    // A data row as a rule: the first one (which no "rn" entry makes a row id) brings the columns;
    // after that the row's reader meets an "rn" entry on its way through the entries and hands the
    // element back as a row id.
    if (!rows_ && RowIdEntry(entries) < 0) {
      const auto fields = EntryAttribute(entries, "fields");
      if (!fields) throw EBadReply(Format("The first row of recordset %s has no field description", {name_}));
      data_->FieldDefs().Clear();
      for (const TReplyColumn& c : ParseFieldDescription(*fields))
        data_->FieldDefs().Add(c.name, c.type, c.size, false);
      data_->CreateDataSet();
      data_->SetCachedUpdates(false);
      rows_ = std::make_unique<TRowReader>(data_, name_);
    }
    if (rows_ && rows_->Read(entries, rowNo_ + 1)) {
      ++rowNo_;
      return;
    }
    const int rn = RowIdEntry(entries);
    // A row id that names no table is kept with an empty name: it matches no table, and the form
    // judges a save whose new rows get no key.
    RowId& id = rowIds_.emplace_back();
    if (auto rowTable = EntryAttribute(entries, "tbname")) id.table = std::move(*rowTable);
    id.rn = IntOrZero(XmlUnescape(XmlUnquote(XmlEntryValue(entries[rn])), true));
    if (const auto v = EntryAttribute(entries, "id")) id.id = IntOrZero(*v);
  }

  // The row ids read so far join the protocol's list. Recordsets inside the rows of another are
  // read while their parent is, but their row ids follow all of the parent's, as in a read of the
  // whole tree.
  void AddRowIds() {
    for (const RowId& r : rowIds_) {
      TCvRowId* id = protocol_.GetRowId(protocol_.AddRowId());
      id->SetTbName(r.table);
      id->SetRn(r.rn);
      id->SetId(r.id);
    }
    rowIds_.clear();
  }

 private:
  struct RowId {
    std::string table;
    int32_t rn = 0, id = 0;
  };
  TCvProtocol& protocol_;
  std::vector<RowId> rowIds_;
  std::string name_;
  TMemTableGx* data_;
  std::unique_ptr<TRowReader> rows_;
  int rowNo_ = 0;
};

bool IsRecordset(const TXmlNode* rs) {
  const auto typ = TCvXmlDom::GetAttribute(rs, "typ");
  return typ && LowerCase(*typ) == "recordset";
}

// Reads the rows of every recordset while the reply is parsed: row elements never become nodes.
// Recordsets are met in document order, so their tables take the numbers the tree walk gives them.
class TStreamedRows : public TXmlChildReader {
 public:
  explicit TStreamedRows(TCvProtocol& protocol) : protocol_(protocol) {}

  bool Choose(const TXmlNode* element) override {
    if (element->Name() != "rs" || !IsRecordset(element)) return false;
    auto reader = std::make_unique<TRecordsetReader>(protocol_, TCvXmlDom::GetAttribute(element, "tbname"));
    last_ = reader.get();
    lastNode_ = element;
    byNode_.emplace(element, last_);
    readers_.push_back(std::move(reader));
    return true;
  }

  bool Child(const TXmlNode* parent, std::string_view name, std::span<const std::string_view> entries,
             bool /*empty*/) override {
    if (parent != lastNode_) {
      lastNode_ = parent;
      last_ = byNode_.at(parent);
    }
    last_->Child(entries);
    // An "rs" is also a result of its own, which the tree walk reads.
    return name == "rs";
  }

  // The row ids in the order of their recordsets; the tables learn of their rows.
  void Finish() {
    for (auto& reader : readers_) reader->AddRowIds();
    byNode_.clear();
    readers_.clear();
  }

 private:
  TCvProtocol& protocol_;
  std::vector<std::unique_ptr<TRecordsetReader>> readers_;  // in document order
  std::unordered_map<const TXmlNode*, TRecordsetReader*> byNode_;
  const TXmlNode* lastNode_ = nullptr;
  TRecordsetReader* last_ = nullptr;
};

}  // namespace

bool TCvProtocol::ParseReply(std::string_view text) {
  // The rows are read while the text is parsed. A reply that fails that way is read again through
  // the whole tree, whose checks come in their own order and say why it fails.
  errorText_.clear();
  ClearParams();
  ClearTables();
  ClearRowIds();
  const int32_t code = code_;
  const std::string info = info_;
  try {
    if (ReadReply(text, true)) return true;
  } catch (...) {
  }
  code_ = code;
  info_ = info;
  return ParseReplyFromTree(text);
}

bool TCvProtocol::ParseReplyFromTree(std::string_view text) {
  errorText_.clear();
  ClearParams();
  ClearTables();
  ClearRowIds();
  bool ok = false;
  try {
    ok = ReadReply(text, false);
  } catch (const Exception& e) {
    errorText_ = e.Message();
  } catch (const std::bad_alloc&) {
    errorText_ = "Out of memory while reading the reply";
  } catch (const std::exception& e) {
    errorText_ = e.what();
  }
  if (ok) return true;
  // Nothing half read stays behind, and callers that judge only the code see a failure.
  ClearParams();
  ClearTables();
  ClearRowIds();
  if (errorText_.empty()) errorText_ = "The reply could not be read";
  code_ = -1;
  info_ = errorText_;
  return false;
}

bool TCvProtocol::ReadReply(std::string_view text, bool streamed) {
  TCvXmlDom dom;
  std::string error;
  if (streamed) {
    TStreamedRows rows(*this);
    if (!dom.LoadXml(text, rows, &error)) throw EBadReply("The reply is not XML: " + error);
    rows.Finish();
  } else if (!dom.LoadXml(text, &error)) {
    throw EBadReply("The reply is not XML: " + error);
  }
  TXmlNode* status = TCvXmlDom::SelectSingleNode(dom.SelectSingleNode("corvane"), "status");
  if (!status) throw EBadReply("The reply has no status");
  // A reply that does not say how the request went is no answer: an earlier code must not stand
  // for it.
  TXmlNode* code = TCvXmlDom::SelectSingleNode(status, "code");
  if (!code) throw EBadReply("The reply has no status code");
  code_ = IntOrZero(TCvXmlDom::Text(code));
  if (TXmlNode* info = TCvXmlDom::SelectSingleNode(status, "info")) info_ = TCvXmlDom::Text(info);

  for (TXmlNode* rs : dom.GetElementsByTagName("rs")) {
    const auto typ = TCvXmlDom::GetAttribute(rs, "typ");
    if (!typ) continue;
    const std::string kind = LowerCase(*typ);
    if (kind == "string" || kind == "date") {
      GetParam(AddParam())->SetAsString(TCvXmlDom::Text(rs));
    } else if (kind == "integer" || kind == "long") {
      GetParam(AddParam())->SetAsInteger(IntOrZero(TCvXmlDom::Text(rs)));
    } else if (kind == "double") {
      double v = 0;
      if (!TryStrToFloat(TrimXmlBlanks(TCvXmlDom::Text(rs)), v, TFormatSettings::Invariant())) v = 0;
      GetParam(AddParam())->SetAsFloat(v);
    } else if (kind == "recordset" && !streamed) {
      ReadRecordset(rs);
    }
    // A result of a type this reader does not know is skipped, as one without a type is: the
    // rest of the reply (a save's new row ids) still counts.
  }
  return true;
}

void TCvProtocol::ReadRecordset(TXmlNode* rs) {
  TRecordsetReader reader(*this, TCvXmlDom::GetAttribute(rs, "tbname"));
  std::vector<std::string_view> entries;
  for (int i = 0; i < rs->NodeCount(); ++i) {
    const TXmlNode* row = rs->Nodes(i);
    if (!TCvXmlDom::IsElement(row)) continue;
    entries.clear();
    for (int a = 0; a < row->AttributeCount(); ++a) entries.push_back(row->AttributeEntry(a));
    reader.Child(entries);
  }
  reader.AddRowIds();
}

std::optional<int32_t> TCvProtocol::FindRowId(std::string_view tableName, int32_t rowNum) const {
  std::optional<int32_t> found;
  for (const auto& r : rowIds_)
    if (r->Rn() == rowNum && SameText(r->TbName(), tableName)) found = r->Id();
  return found;
}

int32_t TCvProtocol::FindNewId(std::string_view tableName, int32_t rowNum) const {
  return FindRowId(tableName, rowNum).value_or(0);
}

void TCvProtocol::ApplyNewIds(TMemTableGx* table) {
  if (!table || !table->Active()) return;
  const TBookmark bookmark = table->GetBookmark();
  TMemoryRecordGx* const current = table->IsEmpty() ? nullptr : table->GetActiveMemoryRecord();
  table->DisableControls();
  struct Restore {
    TMemTableGx* table;
    const TBookmark& bookmark;
    TMemoryRecordGx* current;
    ~Restore() {
      try {
        table->EnableControls();
        // The row itself: a new key may have moved it in a sorted table.
        if (!(current && table->LocateRecord(current)) && table->BookmarkValid(bookmark)) table->GotoBookmark(bookmark);
      } catch (const Exception&) {
        // The keys are written; only the way back to the row failed.
      }
    }
  } restore{table, bookmark, current};
  // Every row is matched by its number before any key is written: a new key moves a row of a
  // table sorted by it (or takes it out of a filtered one), and the numbers behind it would no
  // longer be the ones the request sent. A row without a key from the host keeps its own (see the
  // header); so does a row whose id did not read as a number and reads 0.
  std::vector<std::pair<TMemoryRecordGx*, int32_t>> keyed;
  for (table->First(); !table->Eof(); table->Next()) {
    if (table->UpdateStatus() != usInserted) continue;
    if (const auto id = FindRowId(table->CvTableName(), table->RecNo()); id && *id != 0)
      if (TMemoryRecordGx* rec = table->GetActiveMemoryRecord()) keyed.emplace_back(rec, *id);
  }
  if (keyed.empty()) return;
  TField* key = table->FieldByName(table->PKName());
  for (const auto& [rec, id] : keyed) {
    if (!table->LocateRecord(rec)) continue;
    table->Edit();
    try {
      key->SetAsInteger(id);
      table->Post();
    } catch (...) {
      // A key the table refuses (one the host gave twice) leaves the row as it was, not in edit.
      table->Cancel();
      throw;
    }
  }
}
