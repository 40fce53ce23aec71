// Filter and aggregate texts parsed and evaluated against a small record store: every record is
// filtered, the records view is rebuilt with the expression as its filter, and aggregates are
// calculated both in full and row by row. Errors of the language (EDatabaseError, variant and
// conversion errors) are expected; anything else, and an incremental aggregate that differs from
// the full one, is a finding.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "memtable/exprevaluator.h"
#include "memtable/mtdata.h"
#include "memtable/mtrecords.h"
#include "memtable/recordsview.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/sysutils.h"

namespace {

struct Fixture {
  TMemTableDataGx* Store;
  TRecordsViewGx* View;
};

Fixture& Shared() {
  static Fixture f = [] {
    auto* store = new TMemTableDataGx(nullptr);
    TMTDataStructGx* s = store->DataStruct();
    auto* name = s->CreateField<TMTStringDataFieldGx>();
    name->SetFieldName("NAME");
    auto* id = s->CreateField<TMTNumericDataFieldGx>();
    id->SetNumericDataType(fdtIntegerGx);
    id->SetFieldName("ID");
    auto* amount = s->CreateField<TMTNumericDataFieldGx>();
    amount->SetNumericDataType(fdtFloatGx);
    amount->SetFieldName("AMOUNT");
    auto* day = s->CreateField<TMTDateTimeDataFieldGx>();
    day->SetDateTimeDataType(fdtDateTimeGx);
    day->SetFieldName("DAY");
    auto* flag = s->CreateField<TMTBooleanDataFieldGx>();
    flag->SetFieldName("FLAG");
    auto* big = s->CreateField<TMTNumericDataFieldGx>();
    big->SetNumericDataType(fdtLargeintGx);
    big->SetFieldName("BIG");
    const Variant rows[][6] = {
        {Variant("abc"), Variant(1), Variant(2.5), Variant::FromDateTime(45000.25), Variant(true), Variant::FromInt64(5000000000LL)},
        {Variant(""), Variant(-7), Variant(0.0), Variant::FromDateTime(-700000.5), Variant(false), Variant::FromInt64(-1)},
        {Null(), Null(), Null(), Null(), Null(), Null()},
        {Variant("费用垫付单"), Variant(2147483647), Variant(1e300), Variant::FromDateTime(2958465.99), Variant(true), Variant::FromInt64(INT64_MIN)},
        {Variant("  %_a_% "), Variant(0), Variant(-1e-300), Variant::FromDateTime(0.0), Variant(false), Variant::FromInt64(0)},
        {Variant("ABC"), Variant(3), Variant(3.0), Variant::FromDateTime(1.5), Variant(true), Variant::FromInt64(3)},
    };
    TRecordsListGx* list = store->RecordsList();
    for (const auto& row : rows) {
      TMemoryRecordGx* r = list->NewRecord();
      for (int c = 0; c < 6; ++c) r->SetDataValue(c, rvCurrent, row[c]);
      list->AddRecord(r);
    }
    auto* view = new TRecordsViewGx(nullptr);
    view->SetMemTableData(store);
    return Fixture{store, view};
  }();
  return f;
}


// The first `count` rows of the view.
class Prefix : public TExprAggregateRows {
 public:
  Prefix(const TRecordsViewGx& view, int count) : view_(view), count_(count) {}
  int AggregateRowCount() const override { return count_; }
  const Variant& AggregateRowValue(int row, int field, Variant& scratch) const override {
    return view_.AggregateRowValue(row, field, scratch);
  }

 private:
  const TRecordsViewGx& view_;
  int count_;
};

bool Same(const Variant& a, const Variant& b) {
  if (a.VarType() != b.VarType()) return false;
  if (a.VarType() == varDouble || a.VarType() == varDate) {
    double x = a.AsDouble(), y = b.AsDouble();
    return (std::isnan(x) && std::isnan(y)) || std::memcmp(&x, &y, sizeof x) == 0;
  }
  return VarSameValue(a, b) || (a.IsNull() && b.IsNull());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t mode = data[0];
  std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  Fixture& fx = Shared();
  TFilterOptions options;
  if (mode & 1) options.Include(foCaseInsensitive);
  if (mode & 2) options.Include(foNoPartialCompare);
  const bool aggregate = (mode & 4) != 0;

  TDataSetExprParserGx parser(nullptr, aggregate ? TDataSetExprParserGx::ekAggregate : TDataSetExprParserGx::ekFilter);
  parser.SetFieldResolver(StoreFieldResolver(Shared().Store->DataStruct()));
  parser.SetFilterOptions(options);
  parser.SetFieldReader([](TMemoryRecordGx* rec, const TExprFieldRef& f) {
    return f.FieldNo >= 1 && f.FieldNo <= rec->FieldCount() ? rec->Value(f.FieldNo - 1) : Null();
  });
  try {
    parser.ParseExpression(text);
  } catch (const EDatabaseError&) {
    return 0;
  }

  if (!aggregate) {
    for (TMemoryRecordGx* rec : fx.Store->RecordsList()->Records()) {
      try {
        parser.CalcFilterResult(rec);
      } catch (const Exception&) {
      }
    }
    fx.View->FilterRecordCallback = [&parser](TMemoryRecordGx* rec) { return parser.CalcFilterResult(rec); };
    if (mode & 8) fx.View->SetOrderByStr("NAME DESC, AMOUNT");
    try {
      fx.View->RebuildView();
    } catch (const Exception&) {
    }
    fx.View->FilterRecordCallback = nullptr;
    fx.View->SetOrderByStr("");
    fx.View->RebuildView();
    return 0;
  }

  // Aggregates: row by row must give what a full calculation gives.
  if (!parser.HasExpression()) return 0;
  const int rows = fx.View->AggregateRowCount();
  Variant running;
  bool haveRunning = false;
  for (int n = 0; n <= rows; ++n) {
    Prefix prefix(*fx.View, n);
    Variant full;
    bool fullOk = true;
    TDataSetExprParserGx fresh(nullptr, TDataSetExprParserGx::ekAggregate);
    fresh.SetExprData(parser.ExprData());
    try {
      fresh.CalcAggregateValue(prefix, full);
    } catch (const Exception&) {
      fullOk = false;
    }
    bool stepOk = true;
    try {
      if (haveRunning) {
        if (!parser.CalcAggregateAppend(prefix, running)) __builtin_trap();
      } else {
        parser.CalcAggregateValue(prefix, running);
      }
    } catch (const Exception&) {
      stepOk = false;
    }
    if (fullOk != stepOk) __builtin_trap();
    if (fullOk && !Same(full, running)) __builtin_trap();
    haveRunning = stepOk;
  }
  return 0;
}
