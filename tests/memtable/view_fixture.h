#pragma once
// A small record store (ID, PARENT, NAME, AMOUNT) and a records view over it, with a recorder of
// the notices the view sends, for the view, tree and aggregate tests.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "memtable/mtdata.h"
#include "memtable/mtrecords.h"
#include "memtable/recordsview.h"
#include "memtable/treelist.h"
#include "platform/rtl/exceptions.h"

namespace viewtest {

enum Col { ID = 0, PARENT = 1, NAME = 2, AMOUNT = 3 };

template <class T>
struct Freer {
  void operator()(T* p) const {
    if (p) p->Free();
  }
};
template <class T>
using Owned = std::unique_ptr<T, Freer<T>>;

inline Owned<TMemTableDataGx> MakeViewStore() {
  Owned<TMemTableDataGx> store(new TMemTableDataGx(nullptr));
  TMTDataStructGx* s = store->DataStruct();
  auto* id = s->CreateField<TMTNumericDataFieldGx>();
  id->SetNumericDataType(fdtIntegerGx);
  id->SetFieldName("ID");
  auto* parent = s->CreateField<TMTNumericDataFieldGx>();
  parent->SetNumericDataType(fdtIntegerGx);
  parent->SetFieldName("PARENT");
  auto* name = s->CreateField<TMTStringDataFieldGx>();
  name->SetFieldName("NAME");
  auto* amount = s->CreateField<TMTNumericDataFieldGx>();
  amount->SetNumericDataType(fdtFloatGx);
  amount->SetFieldName("AMOUNT");
  return store;
}

inline TMemoryRecordGx* Make(TRecordsListGx* list, Variant id, Variant parent, Variant name, Variant amount = Null()) {
  TMemoryRecordGx* r = list->NewRecord();
  r->SetDataValue(ID, rvCurrent, id);
  r->SetDataValue(PARENT, rvCurrent, parent);
  r->SetDataValue(NAME, rvCurrent, name);
  r->SetDataValue(AMOUNT, rvCurrent, amount);
  return r;
}

inline TMemoryRecordGx* Add(TRecordsListGx* list, Variant id, Variant parent, Variant name, Variant amount = Null()) {
  TMemoryRecordGx* r = Make(list, std::move(id), std::move(parent), std::move(name), std::move(amount));
  list->AddRecord(r);
  return r;
}

inline void Set(TMemoryRecordGx* r, int col, Variant value) {
  r->Edit();
  r->SetDataValue(col, rvCurrent, value);
  r->Post();
}

inline int IdOf(const TMemoryRecordGx* r) { return r && !r->Value(ID).IsNull() ? r->Value(ID).AsInteger() : -1; }

// The message of a post that raises, or "no error".
inline std::string ErrorOfPost(TMemoryRecordGx* r) {
  try {
    r->Post();
  } catch (const Exception& e) {
    return e.Message();
  }
  return "no error";
}

// The IDs in view order.
inline std::vector<int> Ids(TRecordsViewGx& view) {
  std::vector<int> out;
  for (int i = 0; i < view.ViewItemsCount(); ++i) out.push_back(IdOf(view.GetViewRecord(i)));
  return out;
}
inline std::vector<int> AllIds(TRecordsViewGx& view) {
  std::vector<int> out;
  for (int i = 0; i < view.AllVisibleCount(); ++i) out.push_back(IdOf(view.GetAllVisibleRecord(i)));
  return out;
}

// (id of the record or -1, index, action) of every notice; moves as action 100.
using Notice = std::tuple<int, int, int>;
constexpr int Moved = 100;

struct Recorder {
  std::vector<Notice> Notices;
  void Attach(TRecordsViewGx& view) {
    view.OnViewDataChanged = [this](TMemoryRecordGx* r, int index, int action) {
      Notices.emplace_back(IdOf(r), index, action);
    };
    view.OnViewRecordMoved = [this](TMemoryRecordGx* r, int from, int to) {
      Notices.emplace_back(IdOf(r), from * 1000 + to, Moved);
    };
  }
  std::vector<Notice> Take() {
    std::vector<Notice> out;
    out.swap(Notices);
    return out;
  }
};

// A store and a view attached to it.
class StoreViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    store = MakeViewStore();
    list = store->RecordsList();
    view = Owned<TRecordsViewGx>(new TRecordsViewGx());
    view->SetMemTableData(store.get());
  }
  void TearDown() override {
    view.reset();
    store.reset();
  }

  Owned<TMemTableDataGx> store;
  TRecordsListGx* list = nullptr;
  Owned<TRecordsViewGx> view;
};

}  // namespace viewtest
