#pragma once
// The dataset-feature registry: a process-wide list binding a data-set class to a feature object
// that knows how to sort, filter and search that kind of data set. The grid's behaviour centre asks
// GetDatasetFeatures first and falls back to its own behaviour when it answers none. Nothing in this
// system registers a feature object; RegisterDatasetFeatures is there for modules that bring one.
#include <memory>

#include "platform/rtl/classinfo.h"

class TDataSet;
class TCustomDBGridGx;
class TBMListGx;

class TDatasetFeaturesGx : public TObject {
  FANO_CLASS(TDatasetFeaturesGx)
 public:
  explicit TDatasetFeaturesGx(TClass dataSetClass) : dataSetClass_(dataSetClass) {}
  TClass DataSetClass() const noexcept { return dataSetClass_; }

  // Text search over the grid's cells; the arguments are those of the grid's own text search.
  virtual bool LocateText(TCustomDBGridGx* grid, const std::string& fieldName, const std::string& text,
                          int options, int direction, int match, int treeScope);
  virtual bool MoveRecords(TCustomDBGridGx* grid, TBMListGx* bookmarks, int toRecNo, bool checkOnly);
  virtual void ApplySorting(TCustomDBGridGx* grid, TDataSet* dataSet, bool isReopen);
  virtual void ApplyFilter(TCustomDBGridGx* grid, TDataSet* dataSet, bool isReopen);
  virtual void ShowFindDialog(TCustomDBGridGx* grid, const std::string& text, const std::string& fieldName,
                              bool modal);

 private:
  TClass dataSetClass_;
};

// Adds a feature object to the registry, which owns it from then on. Null is ignored.
void RegisterDatasetFeatures(std::unique_ptr<TDatasetFeaturesGx> features);
// Removes and frees the registered feature object (no-op when it is not registered).
void UnregisterDatasetFeatures(TDatasetFeaturesGx* features);
// The registered feature object whose class is nearest to the data set's class (the first
// registered wins a tie), or null.
TDatasetFeaturesGx* GetDatasetFeatures(const TDataSet* dataSet);
