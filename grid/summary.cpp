#include "grid/summary.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "editors/tools/gxplatform.h"
#include "platform/classes/published.h"
#include "platform/rtl/exceptions.h"

FANO_IMPLEMENT_ITEM(TDBSum, TCollectionItem)
FANO_IMPLEMENT_ABSTRACT(TDBSumCollection, TCollection)
FANO_IMPLEMENT_ABSTRACT(TSLBookmarkListGx, TBMListGx)
FANO_IMPLEMENT_ABSTRACT(TDBSumListProducer, TPersistent)

FANO_ENUM_NAMES(TGroupOperation, "goSum", "goAvg", "goCount");

FANO_PUBLISHED(TDBSum, p) {
  p.Property("FieldName", &TDBSum::FieldName, &TDBSum::SetFieldName);
  p.Property("GroupOperation", &TDBSum::GroupOperation, &TDBSum::SetGroupOperation).Default(goSum);
}

namespace {

constexpr int64_t kOne = CurrencyScale;  // 1 in fixed point

int64_t CheckedAdd(int64_t a, int64_t b) {
  int64_t r;
  if (__builtin_add_overflow(a, b, &r)) throw EIntOverflow("Arithmetic overflow");
  return r;
}

int64_t CheckedSub(int64_t a, int64_t b) {
  int64_t r;
  if (__builtin_sub_overflow(a, b, &r)) throw EIntOverflow("Arithmetic overflow");
  return r;
}

// A field's value x 10000, rounded. Integers and fixed-point fields enter exactly, everything
// else through its floating value.
int64_t ScaledValue(const Variant& value, TFieldType type) {
  switch (type) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftLargeint: {
      int64_t r;
      if (__builtin_mul_overflow(value.AsInt64(), kOne, &r)) throw EIntOverflow("Arithmetic overflow");
      return r;
    }
    case ftCurrency:
    case ftBCD:
    case ftFMTBcd:
      return value.AsCurrency().Value;
    default:
      return Currency::FromDouble(value.AsDouble()).Value;
  }
}

// 0 for null.
int64_t ScaledValue(const TField* field) {
  if (field->IsNull()) return 0;
  return ScaledValue(field->Value(), field->DataType());
}

// sum / count rounded to the nearest, halves to even (count > 0).
int64_t RoundedQuotient(int64_t sum, int64_t count) {
  int64_t q = sum / count, r = sum % count;
  int64_t twice = 2 * (r < 0 ? -r : r);
  if (twice > count || (twice == count && (q & 1) != 0)) q += sum < 0 ? -1 : 1;
  return q;
}

// Calls a saved handler through a copy: the handler may hook the events anew.
void CallSaved(const TDataSetNotifyEvent& handler, TDataSet* dataSet) {
  if (!handler) return;
  TDataSetNotifyEvent copy = handler;
  copy(dataSet);
}

}  // namespace

// ---- TDBSum

TDBSum::TDBSum(TCollection* collection) : TCollectionItem(collection) {}

void TDBSum::Assign(TPersistent* source) {
  if (auto* s = dynamic_cast<TDBSum*>(source)) {
    groupOperation_ = s->groupOperation_;
    fieldName_ = s->fieldName_;
    oldValue_ = s->oldValue_;
    sumValue_ = s->sumValue_;
    return;
  }
  TCollectionItem::Assign(source);
}

void TDBSum::SetFieldName(const std::string& value) {
  if (value == fieldName_) return;
  fieldName_ = value;
  Changed(false);
}

void TDBSum::SetGroupOperation(TGroupOperation value) {
  if (value == groupOperation_) return;
  groupOperation_ = value;
  Changed(false);
}

void TDBSum::ClearValues() noexcept {
  sumValue_ = 0;
  oldValue_ = 0;
  avgSum_ = 0;
  avgCount_ = 0;
}

void TDBSum::RecomputeAverage() { sumValue_ = avgCount_ > 0 ? RoundedQuotient(avgSum_, avgCount_) : 0; }

// ---- TDBSumCollection

TDBSumCollection::TDBSumCollection(TDBSumListProducer* producer)
    : TCollection(TDBSum::StaticClass()), producer_(producer) {}

TPersistent* TDBSumCollection::GetOwner() const { return producer_; }

TDBSum* TDBSumCollection::FindSum(TGroupOperation operation, std::string_view fieldName) const {
  for (int i = 0; i < Count(); ++i) {
    TDBSum* item = Items(i);
    if (item->GroupOperation() == operation && AnsiCompareTextGx(item->FieldName(), fieldName) == 0) return item;
  }
  return nullptr;
}

void TDBSumCollection::Update(TCollectionItem* item) {
  TCollection::Update(item);
  if (!producer_ || producer_->OwnerInState(csLoading) || producer_->OwnerInState(csDestroying)) return;
  producer_->RecalcAll();
}

// ---- TSLBookmarkListGx

TDataSet* TSLBookmarkListGx::GetDataSet() const { return producer_ ? producer_->DataSet() : nullptr; }

// ---- TDBSumListProducer

// Hears of the destruction of the dataset and of its master, which the producer does not own.
class TDBSumListProducer::TWatcher : public TComponent {
 public:
  explicit TWatcher(TDBSumListProducer* producer) : TComponent(nullptr), producer_(producer) {}
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    if (operation == opRemove) producer_->WatchedRemoved(component);
  }

 private:
  TDBSumListProducer* producer_;
};

TDBSumListProducer::TDBSumListProducer(TComponent* owner)
    : owner_(owner),
      sumCollection_(std::make_unique<TDBSumCollection>(this)),
      virtualRecList_(std::make_unique<TSLBookmarkListGx>(this)),
      watcher_(std::make_unique<TWatcher>(this)) {}

TDBSumListProducer::~TDBSumListProducer() {
  Deactivate(false);
  ReturnEvents();  // also when the owner forbade it: nothing of ours may stay on the dataset
  Watch(dataSet_, false);
  dataSet_ = nullptr;
  sumCollection_->producer_ = nullptr;
}

void TDBSumListProducer::Assign(TPersistent* source) {
  auto* s = dynamic_cast<TDBSumListProducer*>(source);
  if (!s) {
    TPersistent::Assign(source);
    return;
  }
  SetActive(s->Active());
  SetDataSet(s->DataSet());
  SetExternalRecalc(s->ExternalRecalc());
  SetSumCollection(s->SumCollection());
  SumListChanged = s->SumListChanged;
  SetVirtualRecords(s->VirtualRecords());
  OnRecalcAll = s->OnRecalcAll;
  OnAfterRecalcAll = s->OnAfterRecalcAll;
}

void TDBSumListProducer::Watch(TComponent* component, bool on) {
  if (!component) return;
  if (on)
    watcher_->FreeNotification(component);
  else
    watcher_->RemoveFreeNotification(component);
}

void TDBSumListProducer::WatchedRemoved(TComponent* component) {
  // Told from the component's base destructor, the dataset part is gone: only drop references.
  const bool whole = dynamic_cast<TDataSet*>(component) != nullptr;
  if (component == masterDataSet_) {
    if (whole)
      Unhook(masterDataSet_, &TDataSet::AfterScroll, &TDataSet::SetAfterScroll,
             &TDBSumListProducer::savedMasterAfterScroll_);
    savedMasterAfterScroll_ = nullptr;
    masterDataSet_ = nullptr;
  }
  if (component == dataSet_) {
    if (whole) {
      ReturnEvents();
    } else {
      masterDataSet_ = nullptr;
      handlersInstalled_ = false;
      eventsHooked_ = false;
      virtualRecList_->Clear();
    }
    savedAfterCancel_ = savedAfterClose_ = savedAfterEdit_ = savedAfterInsert_ = savedAfterOpen_ = savedAfterPost_ =
        savedAfterScroll_ = savedBeforeDelete_ = nullptr;
    dataSet_ = nullptr;
    // A dataset closed on its way out tells no one: its values go here.
    ClearSumValues();
  }
}

void TDBSumListProducer::SetDataSet(TDataSet* value) {
  if (value == dataSet_) return;
  if (dataSet_ && dataSet_->InState(csDestroying)) {
    ReturnEvents();
    Watch(dataSet_, false);
    dataSet_ = nullptr;
    if (value == dataSet_) return;
  }
  if (OwnerInState(csLoading) || DesignBlocked()) {
    ReturnEvents();
    Watch(dataSet_, false);
    dataSet_ = value;
    Watch(dataSet_, true);
    return;
  }
  const bool wasActive = active_;
  Deactivate(true);
  Watch(dataSet_, false);
  dataSet_ = value;
  Watch(dataSet_, true);
  if (wasActive) Activate(true);
}

void TDBSumListProducer::SetActive(bool value) {
  if (value == active_) return;
  if (value)
    Activate(true);
  else
    Deactivate(true);
}

void TDBSumListProducer::Activate(bool recalc) {
  active_ = true;
  if (OwnerInState(csLoading) || DesignBlocked()) return;
  SetDataSetEvents();
  if (recalc) RecalcAll();
}

void TDBSumListProducer::Deactivate(bool clearSumValues) {
  active_ = false;
  if (OwnerInState(csLoading) || DesignBlocked()) return;
  ReturnEvents();
  if (clearSumValues) ClearSumValues();
}

void TDBSumListProducer::SetExternalRecalc(bool value) {
  externalRecalc_ = value;
  RecalcAll();
}

void TDBSumListProducer::SetVirtualRecords(bool value) {
  virtualRecords_ = value;
  if (value)
    RecalcAll();
  else
    virtualRecList_->Clear();  // nothing reads it any more
}

void TDBSumListProducer::SetSumCollection(TDBSumCollection* value) { sumCollection_->Assign(value); }

bool TDBSumListProducer::VirtualRecordsInUse() const {
  return dataSet_ && virtualRecords_ && active_ && !dataSet_->IsSequenced();
}

int TDBSumListProducer::GetRecNo() {
  if (!dataSet_) return -1;
  if (VirtualRecordsInUse()) return FindBookmarkIndex(dataSet_->Bookmark()) + 1;
  return dataSet_->RecNo();
}

void TDBSumListProducer::SetRecNo(int value) {
  if (!dataSet_) return;
  if (VirtualRecordsInUse()) {
    if (value < 1 || value > virtualRecList_->Count()) return;
    dataSet_->SetBookmark(virtualRecList_->Items(value - 1));
    lastFoundIndex_ = value - 1;
    return;
  }
  dataSet_->SetRecNo(value);
}

int TDBSumListProducer::GetRecordCount() {
  if (VirtualRecordsInUse()) return virtualRecList_->Count();
  return dataSet_ ? dataSet_->RecordCount() : 0;
}

bool TDBSumListProducer::IsSequenced() {
  if (!dataSet_) return false;
  if (dataSet_->IsSequenced()) return true;
  if (VirtualRecordsInUse()) return virtualRecList_->Count() > 0 || (dataSet_->Bof() && dataSet_->Eof());
  return false;
}

int TDBSumListProducer::FindBookmarkIndex(const std::string& bookmark) {
  TSLBookmarkListGx& list = *virtualRecList_;
  const int count = list.Count();
  if (count == 0) return -1;
  int i = lastFoundIndex_ >= 0 && lastFoundIndex_ < count ? lastFoundIndex_ : 0;
  int c = list.CompareBookmarks(list.Items(i), bookmark);
  const int step = c > 0 ? -1 : 1;
  while (c != 0) {
    i += step;
    if (i < 0 || i >= count) return -1;
    c = list.CompareBookmarks(list.Items(i), bookmark);
  }
  lastFoundIndex_ = i;
  return i;
}

void TDBSumListProducer::PlaceBookmark(const std::string& bookmark) {
  TSLBookmarkListGx& list = *virtualRecList_;
  const int count = list.Count();
  int pos = lastFoundIndex_ >= 0 && lastFoundIndex_ < count ? lastFoundIndex_ : 0;
  // The insertion point is the first listed bookmark above the new one (or the end).
  if (pos < count && list.CompareBookmarks(list.Items(pos), bookmark) > 0) {
    while (pos > 0 && list.CompareBookmarks(list.Items(pos - 1), bookmark) > 0) --pos;
  } else {
    while (pos < count && list.CompareBookmarks(list.Items(pos), bookmark) < 0) ++pos;
  }
  if (pos > 0 && list.CompareBookmarks(list.Items(pos - 1), bookmark) == 0) return;
  if (pos < count && list.CompareBookmarks(list.Items(pos), bookmark) == 0) return;
  list.InsertItem(pos, bookmark);
  lastFoundIndex_ = pos;
}

// The own handler as the dataset holds it: it names its producer and where that keeps the handler
// it replaced, so that a producer leaving can find itself in a chain of producers hooked to the
// same event (one may hold it as its dataset's, another as its master's).
struct TDBSumListProducer::THandler {
  TDBSumListProducer* producer;
  TDataSetNotifyEvent TDBSumListProducer::*saved;
  void (TDBSumListProducer::*method)(TDataSet*);
  void operator()(TDataSet* dataSet) const { (producer->*method)(dataSet); }
};

void TDBSumListProducer::Hook(TDataSet* ds, EventGetter get, EventSetter set, TDataSetNotifyEvent TDBSumListProducer::*saved,
                              void (TDBSumListProducer::*method)(TDataSet*)) {
  this->*saved = (ds->*get)();
  (ds->*set)(THandler{this, saved, method});
}

// Another producer hooked the event later (two grids on one dataset) holds this one's handler as
// its saved one: it takes this one's saved handler instead, and the chain stays whole whichever
// producer goes first. A handler put over this one by someone else stays.
void TDBSumListProducer::Unhook(TDataSet* ds, EventGetter get, EventSetter set,
                                TDataSetNotifyEvent TDBSumListProducer::*saved) {
  auto mine = [this, saved](const TDataSetNotifyEvent& h) {
    const THandler* t = h.target<THandler>();
    return t && t->producer == this && t->saved == saved;
  };
  if (mine((ds->*get)())) {
    (ds->*set)(this->*saved);
    return;
  }
  const TDataSetNotifyEvent* at = &(ds->*get)();
  while (const THandler* t = at->target<THandler>()) {
    TDataSetNotifyEvent& next = t->producer->*(t->saved);
    if (mine(next)) {
      next = this->*saved;
      return;
    }
    at = &next;
  }
}

void TDBSumListProducer::SetDataSetEvents() {
  if (!dataSet_ || eventsHooked_) return;
  masterDataSet_ = GetPropDataSet(dataSet_, GetPropInfo(dataSet_, "MasterSource"));
  if (masterDataSet_ == dataSet_) masterDataSet_ = nullptr;
  TDataSet* ds = dataSet_;
  Hook(ds, &TDataSet::AfterCancel, &TDataSet::SetAfterCancel, &TDBSumListProducer::savedAfterCancel_,
       &TDBSumListProducer::DataSetAfterCancel);
  Hook(ds, &TDataSet::AfterClose, &TDataSet::SetAfterClose, &TDBSumListProducer::savedAfterClose_,
       &TDBSumListProducer::DataSetAfterClose);
  Hook(ds, &TDataSet::AfterEdit, &TDataSet::SetAfterEdit, &TDBSumListProducer::savedAfterEdit_,
       &TDBSumListProducer::DataSetAfterEdit);
  Hook(ds, &TDataSet::AfterInsert, &TDataSet::SetAfterInsert, &TDBSumListProducer::savedAfterInsert_,
       &TDBSumListProducer::DataSetAfterInsert);
  Hook(ds, &TDataSet::AfterOpen, &TDataSet::SetAfterOpen, &TDBSumListProducer::savedAfterOpen_,
       &TDBSumListProducer::DataSetAfterOpen);
  Hook(ds, &TDataSet::AfterPost, &TDataSet::SetAfterPost, &TDBSumListProducer::savedAfterPost_,
       &TDBSumListProducer::DataSetAfterPost);
  Hook(ds, &TDataSet::AfterScroll, &TDataSet::SetAfterScroll, &TDBSumListProducer::savedAfterScroll_,
       &TDBSumListProducer::DataSetAfterScroll);
  Hook(ds, &TDataSet::BeforeDelete, &TDataSet::SetBeforeDelete, &TDBSumListProducer::savedBeforeDelete_,
       &TDBSumListProducer::DataSetBeforeDelete);
  if (masterDataSet_) {
    Hook(masterDataSet_, &TDataSet::AfterScroll, &TDataSet::SetAfterScroll,
         &TDBSumListProducer::savedMasterAfterScroll_, &TDBSumListProducer::MasterDataSetAfterScroll);
    Watch(masterDataSet_, true);
  }
  handlersInstalled_ = true;
  eventsHooked_ = true;
}

void TDBSumListProducer::ReturnEvents() {
  if (!eventsHooked_) return;
  TDataSet* ds = handlersInstalled_ ? dataSet_ : nullptr;
  if (ds) {
    Unhook(ds, &TDataSet::AfterCancel, &TDataSet::SetAfterCancel, &TDBSumListProducer::savedAfterCancel_);
    Unhook(ds, &TDataSet::AfterClose, &TDataSet::SetAfterClose, &TDBSumListProducer::savedAfterClose_);
    Unhook(ds, &TDataSet::AfterEdit, &TDataSet::SetAfterEdit, &TDBSumListProducer::savedAfterEdit_);
    Unhook(ds, &TDataSet::AfterInsert, &TDataSet::SetAfterInsert, &TDBSumListProducer::savedAfterInsert_);
    Unhook(ds, &TDataSet::AfterOpen, &TDataSet::SetAfterOpen, &TDBSumListProducer::savedAfterOpen_);
    Unhook(ds, &TDataSet::AfterPost, &TDataSet::SetAfterPost, &TDBSumListProducer::savedAfterPost_);
    Unhook(ds, &TDataSet::AfterScroll, &TDataSet::SetAfterScroll, &TDBSumListProducer::savedAfterScroll_);
    Unhook(ds, &TDataSet::BeforeDelete, &TDataSet::SetBeforeDelete, &TDBSumListProducer::savedBeforeDelete_);
  }
  if (masterDataSet_) {
    Unhook(masterDataSet_, &TDataSet::AfterScroll, &TDataSet::SetAfterScroll,
           &TDBSumListProducer::savedMasterAfterScroll_);
    Watch(masterDataSet_, false);
  }
  savedAfterCancel_ = savedAfterClose_ = savedAfterEdit_ = savedAfterInsert_ = savedAfterOpen_ = savedAfterPost_ =
      savedAfterScroll_ = savedBeforeDelete_ = savedMasterAfterScroll_ = nullptr;
  masterDataSet_ = nullptr;
  handlersInstalled_ = false;
  eventsHooked_ = false;
  virtualRecList_->Clear();
}

void TDBSumListProducer::DoSumListChanged() {
  if (SumListChanged) SumListChanged(this);
}

void TDBSumListProducer::ClearSumValues() {
  for (int i = 0; i < sumCollection_->Count(); ++i) sumCollection_->Items(i)->ClearValues();
  DoSumListChanged();
}

void TDBSumListProducer::RememberFilter() {
  if (!dataSet_) return;
  oldFilter_ = dataSet_->Filter();
  oldFiltered_ = dataSet_->Filtered();
}

void TDBSumListProducer::RecalcAll() {
  if (DesignBlocked() || OwnerInState(csLoading) || !active_ || !dataSet_ || !dataSet_->Active() || !eventsHooked_)
    return;
  TDataSet* ds = dataSet_;
  bool controlsDisabled = false;
  // Whatever happens: the dataset's controls come back, the flags are restored and the readers
  // hear of the (possibly cleared) values.
  auto finish = [&] {
    if (controlsDisabled) ds->EnableControls();
    controlsDisabled = false;
    RememberFilter();
    recalculating_ = false;
    DoSumListChanged();
  };
  try {
    ClearSumValues();
    lastFoundIndex_ = -1;
    if (OnRecalcAll) OnRecalcAll(this);
    if (RecalcAllHook) RecalcAllHook();
    TDBSumCollection& items = *sumCollection_;
    bool anyItem = false;
    for (int i = 0; i < items.Count(); ++i) anyItem = anyItem || items.Items(i)->TakesPart();
    const bool virtualRecs = VirtualRecordsInUse();
    if (!externalRecalc_ && (anyItem || virtualRecs)) {
      ds->DisableControls();
      controlsDisabled = true;
      virtualRecList_->Clear();
      recalculating_ = true;
      ds->First();
      // The taking-part items, and the fields they read, each field read once a record.
      struct Part {
        TDBSum* item;
        int slot;  // -1 for a record count
      };
      std::vector<Part> parts;
      std::vector<TField*> fields;
      std::vector<Variant> values;
      bool resolved = false;
      while (!ds->Eof()) {
        if (!resolved) {
          for (int i = 0; i < items.Count(); ++i) {
            TDBSum* item = items.Items(i);
            if (!item->TakesPart()) continue;
            int slot = -1;
            if (!item->CountsRecords()) {
              TField* field = ds->FieldByName(item->FieldName());
              auto at = std::find(fields.begin(), fields.end(), field);
              slot = static_cast<int>(at - fields.begin());
              if (at == fields.end()) fields.push_back(field);
            }
            parts.push_back({item, slot});
          }
          values.resize(fields.size());
          resolved = true;
        }
        for (size_t f = 0; f < fields.size(); ++f) values[f] = fields[f]->Value();
        for (const Part& part : parts) {
          TDBSum* item = part.item;
          if (part.slot < 0) {
            item->sumValue_ = CheckedAdd(item->sumValue_, kOne);
            continue;
          }
          const Variant& value = values[static_cast<size_t>(part.slot)];
          if (VarIsNullOrEmpty(value)) continue;
          switch (item->GroupOperation()) {
            case goSum:
              item->sumValue_ =
                  CheckedAdd(item->sumValue_, ScaledValue(value, fields[static_cast<size_t>(part.slot)]->DataType()));
              break;
            case goAvg:
              ++item->avgCount_;
              item->avgSum_ =
                  CheckedAdd(item->avgSum_, ScaledValue(value, fields[static_cast<size_t>(part.slot)]->DataType()));
              break;
            case goCount:
              item->sumValue_ = CheckedAdd(item->sumValue_, kOne);
              break;
          }
        }
        if (virtualRecs) virtualRecList_->InsertItem(virtualRecList_->Count(), ds->Bookmark());
        ds->Next();
      }
      ds->First();
      for (int i = 0; i < items.Count(); ++i)
        if (items.Items(i)->GroupOperation() == goAvg) items.Items(i)->RecomputeAverage();
      ds->EnableControls();
      controlsDisabled = false;
    }
    if (OnAfterRecalcAll) OnAfterRecalcAll(this);
    if (AfterRecalcAllHook) AfterRecalcAllHook();
  } catch (...) {
    finish();
    throw;
  }
  finish();
}

// ---- per-record maintenance

void TDBSumListProducer::DataSetAfterCancel(TDataSet* dataSet) {
  CallSaved(savedAfterCancel_, dataSet);
  pendingInsert_ = false;
}

void TDBSumListProducer::DataSetAfterClose(TDataSet* dataSet) {
  ClearSumValues();
  recalculating_ = false;
  virtualRecList_->Clear();
  CallSaved(savedAfterClose_, dataSet);
}

void TDBSumListProducer::DataSetAfterEdit(TDataSet* dataSet) {
  if (active_ && !recalculating_) {
    for (int i = 0; i < sumCollection_->Count(); ++i) {
      TDBSum* item = sumCollection_->Items(i);
      if (!item->TakesPart()) continue;
      if (item->CountsRecords()) {
        item->oldValue_ = kOne;
        continue;
      }
      TField* field = dataSet->FieldByName(item->FieldName());
      if (item->GroupOperation() == goCount) {
        item->oldValue_ = field->IsNull() ? 0 : kOne;
      } else {
        item->oldValue_ = ScaledValue(field);
        item->oldVarValue_ = field->Value();
      }
    }
  }
  CallSaved(savedAfterEdit_, dataSet);
}

void TDBSumListProducer::DataSetAfterInsert(TDataSet* dataSet) {
  if (active_ && !recalculating_) {
    for (int i = 0; i < sumCollection_->Count(); ++i) {
      TDBSum* item = sumCollection_->Items(i);
      if (!item->TakesPart()) continue;
      item->oldValue_ = 0;
      if (item->GroupOperation() != goCount) item->oldVarValue_ = Variant::Null();
    }
    if (VirtualRecordsInUse()) {
      if (dataSet->BookmarkAvailable())
        PlaceBookmark(dataSet->Bookmark());
      else
        pendingInsert_ = true;
    }
  }
  CallSaved(savedAfterInsert_, dataSet);
}

void TDBSumListProducer::DataSetAfterOpen(TDataSet* dataSet) {
  RecalcAll();
  CallSaved(savedAfterOpen_, dataSet);
}

void TDBSumListProducer::DataSetAfterPost(TDataSet* dataSet) {
  // During a full pass (a pending edit posted by its First) the pass itself counts the record.
  if (active_ && !recalculating_) {
    for (int i = 0; i < sumCollection_->Count(); ++i) {
      TDBSum* item = sumCollection_->Items(i);
      if (!item->TakesPart()) continue;
      if (item->CountsRecords()) {
        item->sumValue_ = CheckedAdd(CheckedSub(item->sumValue_, item->oldValue_), kOne);
        continue;
      }
      TField* field = dataSet->FieldByName(item->FieldName());
      const bool isNull = field->IsNull();
      switch (item->GroupOperation()) {
        case goSum:
          item->sumValue_ = CheckedAdd(CheckedSub(item->sumValue_, item->oldValue_), ScaledValue(field));
          break;
        case goAvg: {
          const bool wasNull = VarIsNullOrEmpty(item->oldVarValue_);
          if (isNull && !wasNull) --item->avgCount_;
          if (!isNull && wasNull) ++item->avgCount_;
          item->avgSum_ = CheckedAdd(CheckedSub(item->avgSum_, item->oldValue_), ScaledValue(field));
          item->RecomputeAverage();
          break;
        }
        case goCount:
          item->sumValue_ = CheckedAdd(CheckedSub(item->sumValue_, item->oldValue_), isNull ? 0 : kOne);
          break;
      }
    }
    if (pendingInsert_) {
      if (VirtualRecordsInUse()) PlaceBookmark(dataSet->Bookmark());
      pendingInsert_ = false;
    }
    DoSumListChanged();
  }
  CallSaved(savedAfterPost_, dataSet);
}

void TDBSumListProducer::DataSetAfterScroll(TDataSet* dataSet) {
  CallSaved(savedAfterScroll_, dataSet);
  if (recalculating_ || !dataSet_) return;
  if (dataSet_->Filtered() != oldFiltered_ || (dataSet_->Filtered() && dataSet_->Filter() != oldFilter_)) RecalcAll();
}

void TDBSumListProducer::DataSetBeforeDelete(TDataSet* dataSet) {
  CallSaved(savedBeforeDelete_, dataSet);
  if (!active_ || recalculating_) return;
  // A record deleted in the middle of an edit takes away what it contributed, not the unposted
  // values in its fields.
  const bool editing = dataSet->State() == dsEdit;
  for (int i = 0; i < sumCollection_->Count(); ++i) {
    TDBSum* item = sumCollection_->Items(i);
    if (!item->TakesPart()) continue;
    if (item->CountsRecords()) {
      item->sumValue_ = CheckedSub(item->sumValue_, kOne);
      continue;
    }
    TField* field = dataSet->FieldByName(item->FieldName());
    switch (item->GroupOperation()) {
      case goSum:
        item->sumValue_ = CheckedSub(item->sumValue_, editing ? item->oldValue_ : ScaledValue(field));
        break;
      case goAvg: {
        const bool wasNull = editing ? VarIsNullOrEmpty(item->oldVarValue_) : field->IsNull();
        item->avgSum_ = CheckedSub(item->avgSum_, editing ? item->oldValue_ : ScaledValue(field));
        if (!wasNull) --item->avgCount_;
        item->RecomputeAverage();
        break;
      }
      case goCount: {
        const bool wasNull = editing ? item->oldValue_ == 0 : field->IsNull();
        if (!wasNull) item->sumValue_ = CheckedSub(item->sumValue_, kOne);
        break;
      }
    }
  }
  if (VirtualRecordsInUse()) {
    int index = FindBookmarkIndex(dataSet->Bookmark());
    if (index >= 0) virtualRecList_->DeleteItem(index);
  }
  DoSumListChanged();
}

void TDBSumListProducer::MasterDataSetAfterScroll(TDataSet* dataSet) {
  CallSaved(savedMasterAfterScroll_, dataSet);
  if (!recalculating_) RecalcAll();
}
