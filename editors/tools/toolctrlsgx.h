#pragma once
// Services the editors, the memory table and the data grid share: comparing variants (single
// values and the one-dimensional arrays of multi-field keys), resolving lists of field names,
// writing one value into several fields, the distinct values of a field and a sorted list of
// bookmarks. (The colour, gradient and glyph drawing routines join this unit with the controls.)
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/db/datasource.h"
#include "platform/db/dbtypes.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/variant.h"

class TComponent;
class TDataSet;
class TField;

using TFieldsArrGx = std::vector<TField*>;

// Equal by the platform's comparison; arrays element by element (same bounds needed, an empty
// array equals nothing). Values that cannot be compared are not equal; never raises.
bool VariantsEqual(const Variant& v1, const Variant& v2);
// Three-way comparison: Null sorts before every value; arrays of the same bounds compare element
// by element (the first difference decides, no elements is vrNotEqual); an array against a single
// value, and Empty against a value, are vrNotEqual. Values the platform cannot compare ("abc"
// against 5, arrays of other bounds) raise its EVariantError.
TVariantRelationship CompareVariants(const Variant& v1, const Variant& v2);

// The fields of a ";"-separated list, in order; an unknown name raises the database error
// "Field '%s' not found" naming `component`. With a null list the names are only checked.
void GetFieldsList(std::vector<TField*>* list, TDataSet* dataSet, const TComponent* component,
                   std::string_view fieldNames);
void GetFieldsArray(TDataSet* dataSet, const TComponent* component, std::string_view fieldNames, TFieldsArrGx& fields);
// Null clears every named field; any other value goes to the dataset's field values (an array for
// several fields).
void SetFieldsValues(TDataSet* dataSet, std::string_view fieldNames, const Variant& value);

// A data link that reports its owner's data events through a callback.
class TDataLinkGx : public TDataLink {
  FANO_CLASS(TDataLinkGx)
 public:
  using TDataEventCallback = std::function<void(TDataEvent event, NativeInt info)>;
  explicit TDataLinkGx(TObject* owner = nullptr) : owner_(owner) {}
  TObject* Owner() const noexcept { return owner_; }
  TDataEventCallback OnDataEvent;
  void DataEvent(TDataEvent event, NativeInt info) override;

 private:
  TObject* owner_;
};

// What a distinct-value list offers: the sorted texts.
class IMemTableDataFieldValueListGx {
 public:
  virtual ~IMemTableDataFieldValueListGx() = default;
  virtual TStrings* GetValues() = 0;
};

// The distinct texts of one field of a dataset, read lazily: any change of the data, of the field
// name or of the dataset marks the list dirty, and the next GetValues reads the dataset again.
class TDatasetFieldValueListGx : public TObject, public IMemTableDataFieldValueListGx {
  FANO_CLASS(TDatasetFieldValueListGx)
 public:
  TDatasetFieldValueListGx();
  ~TDatasetFieldValueListGx() override;

  const std::string& FieldName() const noexcept { return fieldName_; }
  void SetFieldName(const std::string& value);
  TDataSet* DataSet() const;
  // Points the own data source at the dataset (and the link at the own source).
  void SetDataSet(TDataSet* value);
  TDataSource* DataSource() const { return dataLink_->DataSource(); }
  // Links to another data source instead of the own one.
  void SetDataSource(TDataSource* value);
  bool Dirty() const noexcept { return dirty_; }

  TStrings* GetValues() override;

 private:
  void LinkDataEvent(TDataEvent event);
  std::string fieldName_;
  bool dirty_ = true;
  std::unique_ptr<TStringList> values_;
  std::unique_ptr<TDataSource> dataSource_;
  std::unique_ptr<TDataLinkGx> dataLink_;
};

// The bookmarks of selected rows, kept in dataset order so that a row is found by binary search.
class TBMListGx : public TObject {
  FANO_CLASS(TBMListGx)
 public:
  // Compares items index1 and index2 of the list: negative, zero or positive.
  using TBMListSortCompare = std::function<int(TBMListGx* list, void* extra, int index1, int index2)>;

  TBMListGx();
  ~TBMListGx() override;

  int Count() const { return list_->Count(); }
  std::string Items(int index) const { return list_->Strings(index); }
  void SetItems(int index, const std::string& bookmark) { list_->SetStrings(index, bookmark); }
  // -1 when absent.
  int IndexOf(const std::string& bookmark);
  // True when present; index is its position, or where it would go to keep the order.
  bool Find(const std::string& bookmark, int& index);
  bool CurrentRowSelected();
  virtual void SetCurrentRowSelected(bool value);
  std::string CurrentBookmark();
  // The dataset's comparison (bytes compared in order when there is no dataset).
  int CompareBookmarks(const std::string& bookmark1, const std::string& bookmark2);
  void InsertItem(int index, const std::string& bookmark) { list_->Insert(index, bookmark); }
  // Inserts the bookmark at its sorted position unless present; answers that position.
  int AddItem(const std::string& bookmark);
  void DeleteItem(int index) { list_->Delete(index); }
  // Deletes the records of every bookmark from the dataset, the last first, emptying the list.
  void DeleteRecords();
  virtual void Clear();
  void SetLinkActive(bool value);
  bool Linked() const noexcept { return linked_; }
  virtual void CustomSort(const TBMListSortCompare& compare, void* extra = nullptr);

  virtual TDataSet* GetDataSet() const { return nullptr; }

 protected:
  virtual void Invalidate() {}
  [[noreturn]] virtual void RaiseBMListError(const std::string& message);
  virtual void StringsChanged();
  virtual void UpdateState() {}

 private:
  void Exchange(int i, int j);

  std::unique_ptr<TStringList> list_;
  std::string cacheBookmark_;
  bool cacheFound_ = false;
  int cacheIndex_ = -1;
  bool linked_ = false;
};
