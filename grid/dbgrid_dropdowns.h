#pragma once
// The settings of a column's lookup drop-down (TColumnDropDownBoxGx). Columns, ColumnDefValues,
// Options and SortLocal are the drop-down grid's own, reached through the column; the rest is
// kept here. The in-place editor opens the drop-down from these (dbgrid_dropdowns.cpp).
//
//   column->DropDownBox()->SetAutoFitColWidths(false);
//   column->DropDownBox()->Columns()->Add()->SetFieldName("CNAME");
#include <memory>

#include "editors/mrulist.h"
#include "grid/dbgrid.h"
#include "grid/lookupgrid.h"

class TColumnDropDownBoxGx : public TPersistent {
  FANO_CLASS(TColumnDropDownBoxGx)
 public:
  explicit TColumnDropDownBoxGx(TColumnGx* column);
  ~TColumnDropDownBoxGx() override;
  void Assign(TPersistent* source) override;
  TPersistent* GetOwner() const override { return column_; }
  TColumnGx* Column() const noexcept { return column_; }

  bool AutoFitColWidths() const noexcept { return autoFitColWidths_; }
  void SetAutoFitColWidths(bool value) noexcept { autoFitColWidths_ = value; }
  TDataSource* ListSource() const noexcept { return listSource_; }
  // Handed to the drop-down grid as well.
  void SetListSource(TDataSource* value);
  bool UseMultiTitle() const noexcept { return useMultiTitle_; }
  void SetUseMultiTitle(bool value) noexcept { useMultiTitle_ = value; }
  TSpecRowGx* SpecRow() const noexcept { return specRow_.get(); }

  // The drop-down grid's; nil, empty or false (and writes dropped) while there is none.
  TDBGridColumnsGx* Columns() const;
  void SetColumns(TDBGridColumnsGx* value);
  TColumnDefValuesGx* ColumnDefValues() const;
  void SetColumnDefValues(TColumnDefValuesGx* value);
  TDBLookupGridGxOptions Options() const;
  void SetOptions(TDBLookupGridGxOptions value);
  bool SortLocal() const;
  void SetSortLocal(bool value);
  bool ColumnsStored() const;
  // Whether the column made its drop-down grid yet.
  bool ListMade() const;

 private:
  TPopupDataGridGx* List() const;
  TColumnGx* column_;
  bool autoFitColWidths_ = true;
  TDataSource* listSource_ = nullptr;
  bool useMultiTitle_ = false;
  std::unique_ptr<TSpecRowGx> specRow_;
};
