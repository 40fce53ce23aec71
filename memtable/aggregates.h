#pragma once
// Aggregates of a records view: named expressions (sums, counts, minima...) evaluated over the
// view's rows. The memory table shows them through its aggregate fields.
//
// The view reports every change; a row appended at the end of the view is folded into the running
// values at once (constant work), any other change only marks the values stale, and they are
// calculated again the next time they are read. A reader therefore always sees what a full
// calculation over the view gives at that moment, without every change paying for a full pass.
#include <functional>
#include <memory>
#include <string>

#include "memtable/exprevaluator.h"
#include "platform/classes/collection.h"
#include "platform/db/dbtypes.h"
#include "platform/rtl/variant.h"

class TAggregateField;
class TDataSet;
class TRecordsViewGx;
class TMTAggregatesGx;

class TMTAggregateGx : public TCollectionItem {
  FANO_CLASS(TMTAggregateGx)
 public:
  explicit TMTAggregateGx(TCollection* collection);
  TMTAggregateGx(TCollection* collection, TDataSet* dataSet);
  ~TMTAggregateGx() override;

  // Another aggregate or a platform aggregate field: Active, then Expression.
  void Assign(TPersistent* source) override;

  bool Active() const noexcept { return active_; }
  // Prepares (or, switched off, drops) the expression and calculates it outside an update; when
  // that raises, the aggregate is left inactive and the error passes on.
  void SetActive(bool value);
  const std::string& Expression() const noexcept { return expression_; }
  // On a change (case counts): prepares the expression and, outside an update, calculates it.
  void SetExpression(const std::string& value);
  // ftFloat once prepared.
  TFieldType DataType() const noexcept { return dataType_; }
  bool Prepared() const noexcept { return prepared_; }
  // Null until calculated; a stale value is calculated again here.
  const Variant& Value();
  TDataSet* DataSet() const noexcept { return dataSet_; }
  TMTAggregatesGx* Aggregates() const;

  // Parses the expression when the dataset is open and the aggregate and its collection are
  // active; otherwise the value becomes Null.
  void Prepare();
  // The value over the owning view (Null when not prepared).
  void Recalc();

 protected:
  std::string GetDisplayName() const override;

 private:
  friend class TMTAggregatesGx;
  void RowsChanged(bool appended) noexcept;
  TRecordsViewGx* View() const;

  bool active_ = false;
  std::unique_ptr<TDataSetExprParserGx> parser_;
  TDataSet* dataSet_ = nullptr;
  TFieldType dataType_ = ftUnknown;
  std::string expression_;
  bool prepared_ = false;
  bool stale_ = false;
  Variant value_ = Null();
};

class TMTAggregatesGx : public TCollection {
  FANO_CLASS(TMTAggregatesGx)
 public:
  explicit TMTAggregatesGx(TRecordsViewGx* view);
  ~TMTAggregatesGx() override;

  TRecordsViewGx* View() const noexcept { return view_; }
  TPersistent* GetOwner() const override;
  // The view's memory table.
  TDataSet* DataSet() const;

  TMTAggregateGx* Add() { return static_cast<TMTAggregateGx*>(TCollection::Add()); }
  TMTAggregateGx* Items(int index) const { return ItemAs<TMTAggregateGx>(index); }

  bool Active() const noexcept { return active_; }
  // On a change: stores it and rebuilds from the dataset's aggregate fields.
  void SetActive(bool value);
  // Every item calculated again (Null while the dataset is closed, loading or inside an update).
  void Recalculate();
  // One item per aggregate field of the dataset, each prepared and bound to its field; then
  // Recalculate.
  void Rebuild();

  // The view changed: `appended` when exactly one row was added at the end of the view.
  void RowsChanged(bool appended) noexcept;

  // Whether the dataset's cursor is open. A table's cursor opens before the table reports itself
  // active, and the aggregates are prepared in between; unset, the dataset's Active stands for it.
  std::function<bool()> CursorOpen;

 private:
  friend class TMTAggregateGx;
  bool DataSetOpen() const;
  bool CanCalculate() const;

  TRecordsViewGx* view_;
  bool active_ = false;
};
