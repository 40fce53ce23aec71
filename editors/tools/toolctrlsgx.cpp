#include "editors/tools/toolctrlsgx.h"

#include <algorithm>
#include <cstring>

#include "editors/tools/gxplatform.h"
#include "editors/tools/gxsort.h"
#include "platform/db/dataset.h"
#include "platform/db/dbconsts.h"
#include "platform/db/fields.h"
#include "platform/rtl/exceptions.h"

FANO_IMPLEMENT_CLASS(TDataLinkGx, TDataLink)
FANO_IMPLEMENT_CLASS(TDatasetFieldValueListGx, TObject)
FANO_IMPLEMENT_CLASS(TBMListGx, TObject)

// ---------------------------------------------------------------- comparison

namespace {

// Arrays that the element-wise rules apply to: one dimension each (all our arrays have one) and
// the same bounds.
bool SameShape(const Variant& a, const Variant& b) {
  return VarArrayDimCount(a) == VarArrayDimCount(b) && a.ArrayLowBound() == b.ArrayLowBound() &&
         a.ArrayHighBound() == b.ArrayHighBound();
}

// The single-value rule of CompareVariants. Values the platform cannot compare ("abc" against 5)
// raise its error: the caller decides what that means.
TVariantRelationship CompareSingle(const Variant& a, const Variant& b) {
  bool an = a.IsNull(), bn = b.IsNull();
  if (an || bn) return an && bn ? vrEqual : (an ? vrLessThan : vrGreaterThan);
  // Empty against a value is not equal without an error; arrays of other shapes go to the
  // platform like any value, and it cannot compare them.
  if (a.IsEmpty() || b.IsEmpty()) return VarCompareValue(a, b);
  int r = VarCompare(a, b);
  return r == 0 ? vrEqual : (r < 0 ? vrLessThan : vrGreaterThan);
}

}  // namespace

bool VariantsEqual(const Variant& v1, const Variant& v2) {
  bool a1 = v1.IsArray(), a2 = v2.IsArray();
  if (a1 != a2) return false;
  if (a1 && SameShape(v1, v2)) {
    int lo = v1.ArrayLowBound(), hi = v1.ArrayHighBound();
    if (hi < lo) return false;
    for (int i = lo; i <= hi; ++i)
      if (!VarSameValue(v1.GetElement(i), v2.GetElement(i))) return false;
    return true;
  }
  if (v1.IsEmpty() != v2.IsEmpty()) return false;
  // Values the platform cannot compare ("abc" against 5, arrays of other shapes) differ.
  return VarSameValue(v1, v2);
}

TVariantRelationship CompareVariants(const Variant& v1, const Variant& v2) {
  bool a1 = v1.IsArray(), a2 = v2.IsArray();
  if (a1 != a2) return vrNotEqual;
  if (a1 && SameShape(v1, v2)) {
    int lo = v1.ArrayLowBound(), hi = v1.ArrayHighBound();
    if (hi < lo) return vrNotEqual;
    for (int i = lo; i <= hi; ++i) {
      TVariantRelationship r = CompareSingle(v1.GetElement(i), v2.GetElement(i));
      if (r != vrEqual) return r;
    }
    return vrEqual;
  }
  return CompareSingle(v1, v2);
}

// ---------------------------------------------------------------- field lists

void GetFieldsList(std::vector<TField*>* list, TDataSet* dataSet, const TComponent* component,
                   std::string_view fieldNames) {
  for (const std::string& name : SplitFieldNames(fieldNames)) {
    TField* field = dataSet ? dataSet->FindField(name) : nullptr;
    if (!field) DatabaseErrorFmt(SFieldNotFound, {name}, component);
    if (list) list->push_back(field);
  }
}

void GetFieldsArray(TDataSet* dataSet, const TComponent* component, std::string_view fieldNames, TFieldsArrGx& fields) {
  fields.clear();
  GetFieldsList(&fields, dataSet, component, fieldNames);
}

void SetFieldsValues(TDataSet* dataSet, std::string_view fieldNames, const Variant& value) {
  if (!dataSet) return;
  if (VariantsEqual(value, Variant::Null())) {
    TFieldsArrGx fields;
    GetFieldsArray(dataSet, dataSet, fieldNames, fields);
    for (TField* field : fields) field->Clear();
  } else {
    dataSet->SetFieldValues(fieldNames, value);
  }
}

// ---------------------------------------------------------------- data link

void TDataLinkGx::DataEvent(TDataEvent event, NativeInt info) {
  TDataLink::DataEvent(event, info);
  if (OnDataEvent) OnDataEvent(event, info);
}

// ---------------------------------------------------------------- distinct values

TDatasetFieldValueListGx::TDatasetFieldValueListGx()
    : values_(std::make_unique<TStringList>()),
      dataSource_(std::make_unique<TDataSource>(nullptr)),
      dataLink_(std::make_unique<TDataLinkGx>(this)) {
  values_->SetSorted(true);
  values_->SetDuplicates(dupIgnore);
  dataLink_->OnDataEvent = [this](TDataEvent event, NativeInt) { LinkDataEvent(event); };
  dataLink_->SetDataSource(dataSource_.get());
}

TDatasetFieldValueListGx::~TDatasetFieldValueListGx() {
  // The link goes before the sources it points at.
  dataLink_->OnDataEvent = nullptr;
  dataLink_->SetDataSource(nullptr);
  dataLink_.reset();
  dataSource_.reset();
}

void TDatasetFieldValueListGx::LinkDataEvent(TDataEvent event) {
  if (event == deDataSetChange || event == dePropertyChange || event == deFieldListChange) dirty_ = true;
}

void TDatasetFieldValueListGx::SetFieldName(const std::string& value) {
  fieldName_ = value;
  dirty_ = true;
}

TDataSet* TDatasetFieldValueListGx::DataSet() const { return dataLink_->DataSet(); }

void TDatasetFieldValueListGx::SetDataSet(TDataSet* value) {
  dataSource_->SetDataSet(value);
  dataLink_->SetDataSource(dataSource_.get());
  dirty_ = true;
}

void TDatasetFieldValueListGx::SetDataSource(TDataSource* value) {
  dataLink_->SetDataSource(value ? value : dataSource_.get());
  dirty_ = true;
}

TStrings* TDatasetFieldValueListGx::GetValues() {
  if (!dirty_) return values_.get();
  values_->Clear();
  TDataSet* ds = DataSet();
  TField* field = dataLink_->Active() && ds ? ds->FindField(fieldName_) : nullptr;
  if (field) {
    ds->DisableControls();
    try {
      ds->First();
      while (!ds->Eof()) {
        values_->Add(field->Text());
        ds->Next();
      }
    } catch (...) {
      ds->EnableControls();
      throw;
    }
    ds->EnableControls();
    dirty_ = false;
  }
  return values_.get();
}

// ---------------------------------------------------------------- bookmark list

TBMListGx::TBMListGx() : list_(std::make_unique<TStringList>()) {
  list_->OnChange = [this](TObject*) { StringsChanged(); };
}

TBMListGx::~TBMListGx() {
  // Clear runs the hooks, which descendants override; by now only ours remain.
  if (list_->Count() > 0) {
    list_->OnChange = nullptr;
    list_->Clear();
  }
}

void TBMListGx::StringsChanged() {
  cacheBookmark_.clear();
  cacheFound_ = false;
  cacheIndex_ = -1;
}

void TBMListGx::RaiseBMListError(const std::string& message) { throw Exception(message); }

int TBMListGx::CompareBookmarks(const std::string& bookmark1, const std::string& bookmark2) {
  if (TDataSet* ds = GetDataSet()) return DataSetCompareBookmarks(ds, bookmark1, bookmark2);
  int r = bookmark1.compare(bookmark2);
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

bool TBMListGx::Find(const std::string& bookmark, int& index) {
  if (cacheIndex_ >= 0 && cacheIndex_ <= Count() && bookmark == cacheBookmark_) {
    index = cacheIndex_;
    return cacheFound_;
  }
  bool found = false;
  int lo = 0, hi = Count() - 1;
  while (lo <= hi) {
    int mid = (lo + hi) >> 1;
    int c = CompareBookmarks(list_->Strings(mid), bookmark);
    if (c < 0) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
      if (c == 0) {
        found = true;
        lo = mid;
      }
    }
  }
  index = lo;
  cacheBookmark_ = bookmark;
  cacheIndex_ = lo;
  cacheFound_ = found;
  return found;
}

int TBMListGx::IndexOf(const std::string& bookmark) {
  int index;
  return Find(bookmark, index) ? index : -1;
}

int TBMListGx::AddItem(const std::string& bookmark) {
  int index;
  if (!Find(bookmark, index)) InsertItem(index, bookmark);
  return index;
}

std::string TBMListGx::CurrentBookmark() {
  TDataSet* ds = GetDataSet();
  if (!linked_ || !ds) RaiseBMListError(SDataSetClosed);
  return ds->Bookmark();
}

bool TBMListGx::CurrentRowSelected() {
  int index;
  return Find(CurrentBookmark(), index);
}

void TBMListGx::SetCurrentRowSelected(bool value) {
  std::string bookmark = CurrentBookmark();
  int index;
  bool found = Find(bookmark, index);
  if (value && !found)
    InsertItem(index, bookmark);
  else if (!value && found)
    DeleteItem(index);
}

void TBMListGx::DeleteRecords() {
  TDataSet* ds = GetDataSet();
  if (!ds || Count() == 0) return;
  ds->DisableControls();
  try {
    for (int i = Count() - 1; i >= 0; --i) {
      ds->SetBookmark(list_->Strings(i));
      ds->Delete();
      DeleteItem(i);
    }
  } catch (...) {
    ds->EnableControls();
    UpdateState();
    throw;
  }
  ds->EnableControls();
  UpdateState();
}

void TBMListGx::Clear() {
  if (Count() == 0) return;
  list_->Clear();
  UpdateState();
  Invalidate();
}

void TBMListGx::SetLinkActive(bool value) {
  Clear();
  UpdateState();
  linked_ = value;
}

void TBMListGx::Exchange(int i, int j) {
  std::string a = Items(i);
  SetItems(i, Items(j));
  SetItems(j, a);
}

void TBMListGx::CustomSort(const TBMListSortCompare& compare, void* extra) {
  if (Count() > 1 && compare)
    GxQuickSort(
        0, Count() - 1, [&](int i, int j) { return compare(this, extra, i, j); }, [&](int i, int j) { Exchange(i, j); });
}
