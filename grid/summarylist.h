#pragma once
// What the data grid's footers take from the summary engine: the kinds of value a footer shows,
// the grid's sum list (the producer the grid owns and publishes as SumList, whose items are its
// footers' aggregates) and the routine that keeps a footer's aggregate item in line with its
// value type and field.
//
//   TDBSum* item = nullptr;                                   // kept by the footer
//   item = SyncFooterSumItem(grid->SumList()->SumCollection(), item, fvtSum, "", "AMOUNT");
#include <cstdint>
#include <functional>
#include <string>

#include "grid/summary.h"

enum TFooterValueType : uint8_t { fvtNon, fvtSum, fvtAvg, fvtCount, fvtFieldValue, fvtStaticText };

// The grid's producer: made inactive and willing to work in a designing grid, where it only marks
// the dataset's events hooked and leaves the dataset itself alone.
class TDBGridGxSumList : public TDBSumListProducer {
  FANO_CLASS(TDBGridGxSumList)
 public:
  explicit TDBGridGxSumList(TComponent* grid);
  void SetDataSetEvents() override;
  void ReturnEvents() override;
  // The owning grid repaints its footers through this.
  std::function<void()> OnChangedForGrid;
  void RecalcAll() override;
  // The dataset's rows changed wholesale without an event the producer hears (cached updates
  // cancelled, say): the grid runs a full pass once the table's operation is over.
  void MarkStale() noexcept { stale_ = true; }
  bool Stale() const noexcept { return stale_; }

 protected:
  void DoSumListChanged() override;

 private:
  bool stale_ = false;
};

// After a footer's value type or field name changed: a sum or an average takes the footer's
// field (the column's when the footer names none), a count counts records; any other type frees
// the item. A footer without an item that needs one gets a new item of the collection. Answers
// the item the footer keeps from now on (null when none).
TDBSum* SyncFooterSumItem(TDBSumCollection* sums, TDBSum* item, TFooterValueType type,
                          const std::string& footerFieldName, const std::string& columnFieldName);
