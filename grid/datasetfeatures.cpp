// The dataset-feature registry.
#include "grid/datasetfeatures.h"

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "platform/db/dataset.h"
#include "platform/rtl/strings.h"

FANO_IMPLEMENT_ABSTRACT(TDatasetFeaturesGx, TObject)

bool TDatasetFeaturesGx::LocateText(TCustomDBGridGx*, const std::string&, const std::string&, int, int, int,
                                    int) {
  return false;
}
bool TDatasetFeaturesGx::MoveRecords(TCustomDBGridGx*, TBMListGx*, int, bool) { return false; }
void TDatasetFeaturesGx::ApplySorting(TCustomDBGridGx*, TDataSet*, bool) {}
void TDatasetFeaturesGx::ApplyFilter(TCustomDBGridGx*, TDataSet*, bool) {}
void TDatasetFeaturesGx::ShowFindDialog(TCustomDBGridGx*, const std::string&, const std::string&, bool) {}

namespace {

// Freed front to back at shutdown, like everything the registry owns.
struct Registry {
  std::vector<std::unique_ptr<TDatasetFeaturesGx>> items;
  ~Registry() {
    while (!items.empty()) items.erase(items.begin());
  }
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

int ClassDistance(TClass from, TClass to) {
  const std::string name = UpperCase(to->Name);
  int steps = 0;
  for (TClass c = from; c; c = c->Parent, ++steps)
    if (UpperCase(c->Name) == name) return steps;
  return INT_MAX;
}

}  // namespace

void RegisterDatasetFeatures(std::unique_ptr<TDatasetFeaturesGx> features) {
  if (features) TheRegistry().items.push_back(std::move(features));
}

void UnregisterDatasetFeatures(TDatasetFeaturesGx* features) {
  auto& items = TheRegistry().items;
  auto it = std::find_if(items.begin(), items.end(), [&](const auto& p) { return p.get() == features; });
  if (it != items.end()) items.erase(it);
}

TDatasetFeaturesGx* GetDatasetFeatures(const TDataSet* dataSet) {
  if (!dataSet) return nullptr;
  TClass cls = dataSet->ClassType();
  TDatasetFeaturesGx* best = nullptr;
  int bestDistance = INT_MAX;
  for (const auto& item : TheRegistry().items) {
    TClass registered = item->DataSetClass();
    if (!registered || !cls->InheritsFrom(registered)) continue;
    int d = ClassDistance(cls, registered);
    if (d < bestDistance) {
      best = item.get();
      bestDistance = d;
    }
  }
  return best;
}
