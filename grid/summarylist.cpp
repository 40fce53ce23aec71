#include "grid/summarylist.h"

#include "platform/classes/published.h"

FANO_IMPLEMENT_ABSTRACT(TDBGridGxSumList, TDBSumListProducer)

FANO_ENUM_NAMES(TFooterValueType, "fvtNon", "fvtSum", "fvtAvg", "fvtCount", "fvtFieldValue", "fvtStaticText");

FANO_PUBLISHED(TDBGridGxSumList, p) {
  p.Property("Active", &TDBGridGxSumList::Active, &TDBGridGxSumList::SetActive).Default(false);
  p.Property("ExternalRecalc", &TDBGridGxSumList::ExternalRecalc, &TDBGridGxSumList::SetExternalRecalc).Default(false);
  p.Property("VirtualRecords", &TDBGridGxSumList::VirtualRecords, &TDBGridGxSumList::SetVirtualRecords).Default(false);
  p.Property("OnRecalcAll", &TDBGridGxSumList::OnRecalcAll);
  p.Property("OnAfterRecalcAll", &TDBGridGxSumList::OnAfterRecalcAll);
  p.Property("SumListChanged", &TDBGridGxSumList::SumListChanged);
}

TDBGridGxSumList::TDBGridGxSumList(TComponent* grid) : TDBSumListProducer(grid) { SetDesignTimeWork(true); }

void TDBGridGxSumList::SetDataSetEvents() {
  if (OwnerInState(csDesigning)) {
    if (DataSet()) SetEventsHooked(true);
    return;
  }
  TDBSumListProducer::SetDataSetEvents();
}

void TDBGridGxSumList::ReturnEvents() {
  // Handlers that really stand on the dataset always go back.
  if (OwnerInState(csDesigning) && !HandlersInstalled()) {
    SetEventsHooked(false);
    return;
  }
  TDBSumListProducer::ReturnEvents();
}

void TDBGridGxSumList::RecalcAll() {
  stale_ = false;
  TDBSumListProducer::RecalcAll();
}

void TDBGridGxSumList::DoSumListChanged() {
  TDBSumListProducer::DoSumListChanged();
  if (OnChangedForGrid) OnChangedForGrid();
}

TDBSum* SyncFooterSumItem(TDBSumCollection* sums, TDBSum* item, TFooterValueType type,
                          const std::string& footerFieldName, const std::string& columnFieldName) {
  if (!sums) return item;
  const bool aggregate = type == fvtSum || type == fvtAvg || type == fvtCount;
  if (!aggregate) {
    if (item) sums->Delete(item->Index());
    return nullptr;
  }
  // One pass for the whole change.
  WithUpdate(*sums, [&] {
    if (!item) item = static_cast<TDBSum*>(sums->Add());
    if (type == fvtCount) {
      item->SetGroupOperation(goCount);
      item->SetFieldName("");
    } else {
      item->SetGroupOperation(type == fvtSum ? goSum : goAvg);
      item->SetFieldName(footerFieldName.empty() ? columnFieldName : footerFieldName);
    }
  });
  return item;
}
