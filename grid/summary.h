#pragma once
// The summary engine: running sums, averages and counts over the fields of one dataset.
//
// A TDBSumListProducer hooks the dataset's notification events. When it is activated, and when the
// dataset is opened, refiltered or its master record changes, it computes every aggregate in one
// pass over the records; afterwards it keeps them up to date record by record (the value a record
// contributed is taken before an edit and replaced after the post, and taken away before a
// delete). With VirtualRecords it also keeps the bookmarks of all records in order, so that record
// numbers and the record count exist for datasets that do not number their records.
//
// Values are fixed-point with four decimals: 64-bit integers holding value x 10000, every
// addition rounded. The data grid's footers read the results (TDBSum::SumValue); its sum list is a
// producer owned by the grid.
//
//   TDBSumListProducer sums(owner);
//   auto* total = static_cast<TDBSum*>(sums.SumCollection()->Add());
//   total->SetFieldName("AMOUNT");                   // goSum by default
//   sums.SetDataSet(table);
//   sums.SetActive(true);                            // hooks the events and computes
//   Currency c = total->Value();
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "editors/tools/toolctrlsgx.h"
#include "platform/classes/collection.h"
#include "platform/classes/component.h"
#include "platform/db/dataset.h"
#include "platform/rtl/types.h"
#include "platform/rtl/variant.h"

class TDBSumListProducer;
class TDBSumCollection;

enum TGroupOperation : uint8_t { goSum, goAvg, goCount };

// One aggregate of the collection. It takes part only when it has a field name or counts (a
// goCount item without field name counts records, with one the non-null values of the field).
class TDBSum : public TCollectionItem {
  FANO_CLASS(TDBSum)
 public:
  explicit TDBSum(TCollection* collection);

  // Operation, field name, the record's old contribution and the result.
  void Assign(TPersistent* source) override;

  const std::string& FieldName() const noexcept { return fieldName_; }
  // A different name (or operation) makes the producer compute everything again.
  void SetFieldName(const std::string& value);
  TGroupOperation GroupOperation() const noexcept { return groupOperation_; }
  void SetGroupOperation(TGroupOperation value);

  // The result, scaled by 10000. An OnRecalcAll handler of an externally computed list sets it.
  int64_t SumValue() const noexcept { return sumValue_; }
  void SetSumValue(int64_t value) noexcept { sumValue_ = value; }
  Currency Value() const noexcept { return Currency::FromScaled(sumValue_); }

  bool TakesPart() const noexcept { return !fieldName_.empty() || groupOperation_ == goCount; }
  // Record counting: an item that counts and names no field. It has no field to be null.
  bool CountsRecords() const noexcept { return groupOperation_ == goCount && fieldName_.empty(); }

 private:
  friend class TDBSumListProducer;
  void ClearValues() noexcept;
  void RecomputeAverage();

  std::string fieldName_;
  TGroupOperation groupOperation_ = goSum;
  int64_t sumValue_ = 0;
  int64_t oldValue_ = 0;    // what the record being edited contributed
  int64_t avgSum_ = 0;      // running sum of an average
  int64_t avgCount_ = 0;    // non-null values of an average
  Variant oldVarValue_;     // the field's value before the edit
};

// The aggregates of one producer.
class TDBSumCollection : public TCollection {
  FANO_CLASS(TDBSumCollection)
 public:
  explicit TDBSumCollection(TDBSumListProducer* producer);
  TDBSumListProducer* Producer() const noexcept { return producer_; }
  TPersistent* GetOwner() const override;
  TDBSum* Items(int index) const { return ItemAs<TDBSum>(index); }
  // The first item of that operation whose field name equals the name by the locale, ignoring
  // case; null when none.
  TDBSum* FindSum(TGroupOperation operation, std::string_view fieldName) const;

 protected:
  // A changed item: everything is computed again (not while the owner loads or goes).
  void Update(TCollectionItem* item) override;

 private:
  friend class TDBSumListProducer;
  TDBSumListProducer* producer_;
};

// The ordered bookmarks of every record, bound to the producer's dataset.
class TSLBookmarkListGx : public TBMListGx {
  FANO_CLASS(TSLBookmarkListGx)
 public:
  explicit TSLBookmarkListGx(TDBSumListProducer* producer) : producer_(producer) {}
  TDataSet* GetDataSet() const override;

 private:
  TDBSumListProducer* producer_;
};

class TDBSumListProducer : public TPersistent {
  FANO_CLASS(TDBSumListProducer)
 public:
  explicit TDBSumListProducer(TComponent* owner);
  // Gives the dataset its events back; the values stay as they are.
  ~TDBSumListProducer() override;

  // Active, DataSet, ExternalRecalc, the collection, the events and VirtualRecords.
  void Assign(TPersistent* source) override;
  TPersistent* GetOwner() const override { return owner_; }
  TComponent* Owner() const noexcept { return owner_; }

  TDataSet* DataSet() const noexcept { return dataSet_; }
  // The old dataset is given its events back and its values cleared; an active producer hooks the
  // new one and computes. While the owner loads (or designs, without design-time work) the
  // dataset is only stored.
  void SetDataSet(TDataSet* value);
  bool Active() const noexcept { return active_; }
  void SetActive(bool value);
  // The values are computed by OnRecalcAll instead of by a pass over the records.
  bool ExternalRecalc() const noexcept { return externalRecalc_; }
  void SetExternalRecalc(bool value);
  bool VirtualRecords() const noexcept { return virtualRecords_; }
  void SetVirtualRecords(bool value);
  TDBSumCollection* SumCollection() const noexcept { return sumCollection_.get(); }
  void SetSumCollection(TDBSumCollection* value);
  TSLBookmarkListGx* VirtualRecList() const noexcept { return virtualRecList_.get(); }
  bool EventsHooked() const noexcept { return eventsHooked_; }
  bool Recalculating() const noexcept { return recalculating_; }

  TDBSum* FindSum(TGroupOperation operation, std::string_view fieldName) const {
    return sumCollection_->FindSum(operation, fieldName);
  }

  // Sets Active; unless the owner forbids it, hooks the events and computes when asked.
  void Activate(bool recalc);
  // Clears Active; unless the owner forbids it, gives the events back and clears when asked.
  void Deactivate(bool clearSumValues);

  // Record numbers through the virtual-record list when it is in use (dataset not sequenced,
  // VirtualRecords and Active); the dataset's own otherwise.
  virtual int GetRecNo();
  // The bookmark's index in the virtual-record list, searched from the last one found; -1 when
  // absent.
  virtual int FindBookmarkIndex(const std::string& bookmark);
  virtual void SetRecNo(int value);

  // The producer's own handlers of the dataset's events.
  virtual void DataSetAfterCancel(TDataSet* dataSet);
  virtual void DataSetAfterClose(TDataSet* dataSet);
  virtual void DataSetAfterEdit(TDataSet* dataSet);
  virtual void DataSetAfterInsert(TDataSet* dataSet);
  virtual void DataSetAfterOpen(TDataSet* dataSet);
  virtual void DataSetAfterPost(TDataSet* dataSet);
  virtual void DataSetAfterScroll(TDataSet* dataSet);
  virtual void DataSetBeforeDelete(TDataSet* dataSet);
  virtual void MasterDataSetAfterScroll(TDataSet* dataSet);

  // Puts the saved handlers back and empties the virtual-record list.
  virtual void ReturnEvents();
  virtual bool IsSequenced();
  virtual int GetRecordCount();
  virtual void ClearSumValues();
  // One pass over the records (or OnRecalcAll alone with ExternalRecalc).
  virtual void RecalcAll();
  // Saves the dataset's handlers (and its master's AfterScroll) and installs the own ones.
  virtual void SetDataSetEvents();

  TNotifyEvent OnRecalcAll;
  TNotifyEvent OnAfterRecalcAll;
  // The owner's own handlers, run after the list's events (which a form may set apart).
  std::function<void()> RecalcAllHook;
  std::function<void()> AfterRecalcAllHook;
  // After every change of the values.
  TNotifyEvent SumListChanged;

 protected:
  // Whether the producer works inside a designing owner.
  bool DesignTimeWork() const noexcept { return designTimeWork_; }
  void SetDesignTimeWork(bool value) noexcept { designTimeWork_ = value; }
  void SetEventsHooked(bool value) noexcept { eventsHooked_ = value; }
  bool HandlersInstalled() const noexcept { return handlersInstalled_; }
  bool OwnerInState(TComponentStateItem state) const noexcept { return owner_ && owner_->InState(state); }
  // Designing without design-time work: the producer leaves the dataset alone.
  bool DesignBlocked() const noexcept { return OwnerInState(csDesigning) && !designTimeWork_; }
  virtual void DoSumListChanged();

 private:
  class TWatcher;
  friend class TWatcher;
  struct THandler;
  using EventGetter = const TDataSetNotifyEvent& (TDataSet::*)() const noexcept;
  using EventSetter = void (TDataSet::*)(TDataSetNotifyEvent);
  // Installs the own handler of one event, saving the dataset's.
  void Hook(TDataSet* ds, EventGetter get, EventSetter set, TDataSetNotifyEvent TDBSumListProducer::*saved,
            void (TDBSumListProducer::*method)(TDataSet*));
  // Takes the own handler of one event out, wherever it stands in a chain of producers.
  void Unhook(TDataSet* ds, EventGetter get, EventSetter set, TDataSetNotifyEvent TDBSumListProducer::*saved);
  friend class TDBSumCollection;
  bool VirtualRecordsInUse() const;
  // Places the bookmark in the virtual-record list at its sorted position, searching from the
  // last one found; an already listed bookmark is not added twice.
  void PlaceBookmark(const std::string& bookmark);
  void RememberFilter();
  // The dataset or its master goes: its events are given back first.
  void WatchedRemoved(TComponent* component);
  void Watch(TComponent* component, bool on);

  TComponent* owner_;
  TDataSet* dataSet_ = nullptr;
  TDataSet* masterDataSet_ = nullptr;
  bool active_ = false;
  bool externalRecalc_ = false;
  bool virtualRecords_ = false;
  bool eventsHooked_ = false;
  // The own handlers stand on the dataset (a designing owner may mark the events hooked only).
  bool handlersInstalled_ = false;
  bool recalculating_ = false;
  bool designTimeWork_ = false;
  bool pendingInsert_ = false;
  int lastFoundIndex_ = -1;
  std::string oldFilter_;
  bool oldFiltered_ = false;
  std::unique_ptr<TDBSumCollection> sumCollection_;
  std::unique_ptr<TSLBookmarkListGx> virtualRecList_;
  std::unique_ptr<TWatcher> watcher_;

  TDataSetNotifyEvent savedAfterCancel_, savedAfterClose_, savedAfterEdit_, savedAfterInsert_, savedAfterOpen_,
      savedAfterPost_, savedAfterScroll_, savedBeforeDelete_, savedMasterAfterScroll_;
};
