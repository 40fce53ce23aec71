#pragma once
// Helpers for the record-store tests: a store with a few typed columns, rows added in one call,
// and a listener that writes down every notice it hears.
#include <memory>
#include <string>
#include <vector>

#include "memtable/mtdata.h"
#include "memtable/mtrecords.h"
#include "platform/rtl/exceptions.h"

namespace mtstore_test {

// A store with ID (integer), NAME (string, 20) and AMOUNT (float).
inline std::unique_ptr<TMemTableDataGx> MakeStore() {
  auto store = std::make_unique<TMemTableDataGx>(nullptr);
  TMTDataStructGx* s = store->DataStruct();
  auto* id = s->CreateField<TMTNumericDataFieldGx>();
  id->SetDataType(ftInteger);
  id->SetFieldName("ID");
  auto* name = s->CreateField<TMTStringDataFieldGx>();
  name->SetFieldName("NAME");
  name->SetSize(20);
  auto* amount = s->CreateField<TMTNumericDataFieldGx>();
  amount->SetDataType(ftFloat);
  amount->SetFieldName("AMOUNT");
  return store;
}

// Appends a record with the values (posted through AddRecord) and answers it.
inline TMemoryRecordGx* AddRow(TRecordsListGx* list, std::initializer_list<Variant> values) {
  TMemoryRecordGx* r = list->NewRecord();
  int i = 0;
  for (const Variant& v : values) r->SetDataValue(i++, rvCurrent, v);
  try {
    list->AddRecord(r);
  } catch (...) {
    r->Cancel();  // refused: still the caller's, never attached
    throw;
  }
  return r;
}

inline TMemoryRecordGx* FetchRow(TRecordsListGx* list, std::initializer_list<Variant> values) {
  TMemoryRecordGx* r = list->NewRecord();
  int i = 0;
  for (const Variant& v : values) r->SetDataValue(i++, rvCurrent, v);
  list->FetchRecord(r);
  return r;
}

// Writes every notice as "code:index" (with "@ID" when there is a record), moves as
// "move:from>to".
class TRecorder : public TRecordsListNotificatorGx {
 public:
  explicit TRecorder(TComponent* source = nullptr) : TRecordsListNotificatorGx(nullptr) {
    OnRecordChange = [this](TMemoryRecordGx* r, int index, int code) {
      std::string e = std::to_string(code) + ":" + std::to_string(index);
      if (r) e += "@" + std::to_string(r->ID());
      Log.push_back(e);
    };
    OnRecordMoved = [this](TMemoryRecordGx*, int from, int to) {
      Log.push_back("move:" + std::to_string(from) + ">" + std::to_string(to));
    };
    if (source) SetMemTableData(source);
  }
  std::string Take() {
    std::string s;
    for (const std::string& e : Log) s += (s.empty() ? "" : " ") + e;
    Log.clear();
    return s;
  }
  std::vector<std::string> Log;
};

// The current values of every record of the list, one line each ("1|a|1.5").
inline std::string Dump(const TRecordsListGx* list) {
  std::string out;
  for (const TMemoryRecordGx* r : list->Records()) {
    std::string line;
    for (int i = 0; i < r->FieldCount(); ++i) {
      if (i) line += "|";
      const Variant& v = r->Value(i);
      line += v.IsNull() ? "null" : VarToStr(v);
    }
    out += line + "\n";
  }
  return out;
}

}  // namespace mtstore_test
