#pragma once
// Helpers of the memory-table tests: a table of (ID integer, NAME string, AMOUNT float) made with
// CreateDataSet, rows appended through the fields, and readers of what the table shows.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "memtable/memtable.h"
#include "platform/db/dbconsts.h"

namespace mttable_test {

// A client that writes down every row notice it gets.
class TRecordingClient : public TComponent, public IMemTableNotificationGx {
 public:
  struct Notice {
    int Index, Code, Extra;
    friend bool operator==(const Notice&, const Notice&) = default;
  };
  explicit TRecordingClient(TComponent* owner = nullptr) : TComponent(owner) {}
  void MemTableRowNotification(int index, int code, int extra) override { Notices.push_back({index, code, extra}); }
  std::vector<Notice> Notices;
};

inline void DefineFields(TCustomMemTableGx& t) {
  t.FieldDefs().Add("ID", ftInteger);
  t.FieldDefs().Add("NAME", ftString, 20);
  t.FieldDefs().Add("AMOUNT", ftFloat);
}

// A named, open table with the three columns.
inline void MakeTable(TCustomMemTableGx& t, const std::string& name = "mtblTest") {
  t.SetName(name);
  DefineFields(t);
  t.CreateDataSet();
}

// A table with the three columns as fields of its own and one calculated integer field computed
// from the row by `calc`; created and open.
inline void MakeCalcTable(TCustomMemTableGx& t, const std::string& name, const std::string& calcName,
                          std::function<int(TDataSet*)> calc) {
  t.SetName(name);
  DefineFields(t);
  for (int i = 0; i < t.FieldDefs().Count(); ++i) t.FieldDefs().Items(i)->CreateField(&t);
  auto* field = new TIntegerField(&t);
  field->SetFieldName(calcName);
  field->SetFieldKind(fkCalculated);
  field->SetDataSet(&t);
  t.SetOnCalcFields([calcName, calc](TDataSet* ds) { ds->FieldByName(calcName)->SetValue(calc(ds)); });
  t.CreateDataSet();
}

// A table with the three columns as fields of its own and the aggregate TOTAL, SUM(AMOUNT); created
// and open, its aggregates not yet active.
inline TAggregateField* MakeSumTable(TCustomMemTableGx& t, const std::string& name) {
  t.SetName(name);
  DefineFields(t);
  for (int i = 0; i < t.FieldDefs().Count(); ++i) t.FieldDefs().Items(i)->CreateField(&t);
  auto* total = new TAggregateField(&t);
  total->SetFieldName("TOTAL");
  total->SetExpression("SUM(AMOUNT)");
  total->SetActive(true);
  total->SetDataSet(&t);
  t.CreateDataSet();
  return total;
}

inline void AppendRow(TCustomMemTableGx& t, const Variant& id, const Variant& name, const Variant& amount = Null()) {
  t.Append();
  t.FieldByName("ID")->SetValue(id);
  t.FieldByName("NAME")->SetValue(name);
  t.FieldByName("AMOUNT")->SetValue(amount);
  t.Post();
}

// The IDs of the rows in view order (the cursor ends after the last row).
inline std::vector<int> Ids(TCustomMemTableGx& t, const char* field = "ID") {
  std::vector<int> ids;
  t.First();
  while (!t.Eof()) {
    TField* f = t.FieldByName(field);
    ids.push_back(f->IsNull() ? -1 : f->AsInteger());
    t.Next();
  }
  return ids;
}

inline std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Exception& e) {
    return e.Message();
  }
  return "<no error>";
}

}  // namespace mttable_test
