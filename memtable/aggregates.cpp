#include "memtable/aggregates.h"

#include "memtable/recordsview.h"
#include "platform/classes/published.h"
#include "platform/db/dataset.h"
#include "platform/db/fields.h"

FANO_IMPLEMENT_CLASS_OWNED(TMTAggregateGx, TCollectionItem, TCollection)
FANO_IMPLEMENT_CLASS_WITH(TMTAggregatesGx, TCollection, [](TObject*) -> TObject* { return new TMTAggregatesGx(nullptr); })

FANO_PUBLISHED(TMTAggregateGx, p) {
  p.Property("Active", &TMTAggregateGx::Active, &TMTAggregateGx::SetActive).Default(false);
  p.Property("Expression", &TMTAggregateGx::Expression, &TMTAggregateGx::SetExpression);
}

// ---------------------------------------------------------------- item

TMTAggregateGx::TMTAggregateGx(TCollection* collection) : TMTAggregateGx(collection, nullptr) {}

TMTAggregateGx::TMTAggregateGx(TCollection* collection, TDataSet* dataSet) : TCollectionItem(collection) {
  dataSet_ = dataSet;
  if (!dataSet_) {
    if (auto* owner = dynamic_cast<TMTAggregatesGx*>(collection)) dataSet_ = owner->DataSet();
  }
  parser_ = std::make_unique<TDataSetExprParserGx>(dataSet_, TDataSetExprParserGx::ekAggregate);
}

TMTAggregateGx::~TMTAggregateGx() {
  // Aggregate fields that point here forget it.
  if (dataSet_) {
    for (TField* f : dataSet_->AggFields())
      if (auto* agg = dynamic_cast<TAggregateField*>(f); agg && agg->Handle() == this) agg->SetHandle(nullptr);
  }
}

TMTAggregatesGx* TMTAggregateGx::Aggregates() const { return dynamic_cast<TMTAggregatesGx*>(Collection()); }

TRecordsViewGx* TMTAggregateGx::View() const {
  TMTAggregatesGx* owner = Aggregates();
  return owner ? owner->View() : nullptr;
}

std::string TMTAggregateGx::GetDisplayName() const {
  return expression_.empty() ? TCollectionItem::GetDisplayName() : expression_;
}

void TMTAggregateGx::Assign(TPersistent* source) {
  if (auto* other = dynamic_cast<TMTAggregateGx*>(source)) {
    SetActive(other->Active());
    SetExpression(other->Expression());
    return;
  }
  if (auto* field = dynamic_cast<TAggregateField*>(source)) {
    SetActive(field->Active());
    SetExpression(field->Expression());
    return;
  }
  TCollectionItem::Assign(source);
}

void TMTAggregateGx::Prepare() {
  prepared_ = false;
  stale_ = false;
  TMTAggregatesGx* owner = Aggregates();
  if (dataSet_ && active_ && !expression_.empty() && owner && owner->Active() && owner->DataSetOpen()) {
    try {
      parser_->ParseExpression(expression_);
    } catch (...) {
      value_ = Null();  // no value for an expression that does not parse
      throw;
    }
    dataType_ = ftFloat;
    prepared_ = true;
  } else {
    value_ = Null();
  }
}

void TMTAggregateGx::Recalc() {
  stale_ = false;
  TRecordsViewGx* view = View();
  if (prepared_ && view) {
    Variant v;
    parser_->CalcAggregateValue(*view, v);
    value_ = std::move(v);
  } else {
    value_ = Null();
  }
}

const Variant& TMTAggregateGx::Value() {
  if (stale_) {
    TMTAggregatesGx* owner = Aggregates();
    if (owner && owner->CanCalculate()) {
      Recalc();
    } else {
      stale_ = false;
      value_ = Null();
    }
  }
  return value_;
}

void TMTAggregateGx::SetActive(bool value) {
  if (value == active_) return;
  active_ = value;
  TMTAggregatesGx* owner = Aggregates();
  if (!dataSet_ || (owner && owner->UpdateCount() > 0)) return;
  try {
    // Switching on prepares the expression; switching off drops it, so no stale value stays.
    Prepare();
    Recalc();
  } catch (...) {
    active_ = false;
    prepared_ = false;
    value_ = Null();
    throw;
  }
}

void TMTAggregateGx::SetExpression(const std::string& value) {
  if (value == expression_) return;
  expression_ = value;
  Prepare();
  TMTAggregatesGx* owner = Aggregates();
  if (!owner || owner->UpdateCount() == 0) Recalc();
}

// A row appended at the end is folded in now (the evaluator checks that its running state covers
// exactly the rows before it); any other change leaves the value to be calculated on its next
// read. Nothing here raises: a change of the view must not fail because an aggregate does.
void TMTAggregateGx::RowsChanged(bool appended) noexcept {
  if (!prepared_ || stale_) return;
  TRecordsViewGx* view = View();
  TMTAggregatesGx* owner = Aggregates();
  if (appended && view && owner && owner->CanCalculate()) {
    try {
      Variant v;
      if (parser_->CalcAggregateAppend(*view, v)) {
        value_ = std::move(v);
        return;
      }
    } catch (...) {
    }
  }
  stale_ = true;
}

// ---------------------------------------------------------------- collection

TMTAggregatesGx::TMTAggregatesGx(TRecordsViewGx* view) : TCollection(TMTAggregateGx::StaticClass()), view_(view) {}

TMTAggregatesGx::~TMTAggregatesGx() {
  // The items unbind their fields while the collection still knows its dataset.
  Clear();
}

TPersistent* TMTAggregatesGx::GetOwner() const { return view_; }

TDataSet* TMTAggregatesGx::DataSet() const { return view_ ? view_->DataSet() : nullptr; }

bool TMTAggregatesGx::DataSetOpen() const {
  TDataSet* ds = DataSet();
  if (!ds) return false;
  return CursorOpen ? CursorOpen() : ds->Active();
}

bool TMTAggregatesGx::CanCalculate() const {
  TDataSet* ds = DataSet();
  return ds && DataSetOpen() && !ds->InState(csLoading) && UpdateCount() == 0;
}

void TMTAggregatesGx::SetActive(bool value) {
  if (value == active_) return;
  active_ = value;
  Rebuild();
}

void TMTAggregatesGx::Recalculate() {
  const bool can = CanCalculate();
  for (int i = 0; i < Count(); ++i) {
    TMTAggregateGx* item = Items(i);
    if (can) {
      item->Recalc();
    } else {
      item->stale_ = false;
      item->value_ = Null();
    }
  }
}

void TMTAggregatesGx::Rebuild() {
  BeginUpdate();
  try {
    Clear();
    if (TDataSet* ds = DataSet()) {
      for (TField* f : ds->AggFields()) {
        auto* field = dynamic_cast<TAggregateField*>(f);
        if (!field) continue;
        TMTAggregateGx* item = Add();
        item->Assign(field);
        item->Prepare();
        field->SetHandle(item);
        field->SetResultType(item->DataType());
      }
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
  Recalculate();
}

void TMTAggregatesGx::RowsChanged(bool appended) noexcept {
  for (int i = 0; i < Count(); ++i) Items(i)->RowsChanged(appended);
}
