#include "memtable/datadriver.h"

#include "editors/tools/toolctrlsgx.h"
#include "memtable/memtable.h"
#include "platform/db/dataset.h"
#include "platform/db/fields.h"
#include "platform/db/params.h"
#include "platform/rtl/sysutils.h"

FANO_IMPLEMENT_COMPONENT(TDataDriverGx, TComponent)
FANO_IMPLEMENT_CLASS(TSQLCommandGx, TObject)
FANO_IMPLEMENT_CLASS(TServerSpecOperationsGx, TObject)
FANO_IMPLEMENT_CLASS(TSQLDataDriverResolver, TPersistent)

namespace {

// Frees a record that no list holds.
void FreeDetached(TMemoryRecordGx* rec) noexcept {
  if (rec && !rec->Attached()) rec->Free();
}

// The ";"-list of every field of the dataset.
std::string AllFieldNames(TDataSet* dataSet) {
  std::string names;
  for (TField* f : dataSet->Fields()) {
    if (!names.empty()) names += ';';
    names += f->FieldName();
  }
  return names;
}

}  // namespace

// ---------------------------------------------------------------- the driver

TDataDriverGx::TDataDriverGx(TComponent* owner) : TComponent(owner) {}

TDataDriverGx::~TDataDriverGx() {
  FreeReader();
  if (providerDataSet_) providerDataSet_->RemoveFreeNotification(this);
}

void TDataDriverGx::SetProviderDataSet(TDataSet* value) {
  if (value == providerDataSet_) return;
  if (providerDataSet_) {
    if (reader_ == providerDataSet_) reader_ = nullptr;
    providerDataSet_->RemoveFreeNotification(this);
  }
  providerDataSet_ = value;
  mappedDataSet_ = nullptr;
  if (value) value->FreeNotification(this);
}

void TDataDriverGx::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == providerDataSet_) {
    providerDataSet_ = nullptr;
    if (reader_ == component) reader_ = nullptr;
  }
  if (component == reader_) {
    reader_ = nullptr;
    readerOwned_ = false;
  }
  if (memTable_ && component == static_cast<TComponent*>(memTable_)) memTable_ = nullptr;
  if (component == mappedDataSet_) mappedDataSet_ = nullptr;
}

const TUpdateErrorGx* TDataDriverGx::UpdateError(const TMemoryRecordGx* rec) const {
  if (!rec) return nullptr;
  auto it = updateErrors_.find(rec->ID());
  return it == updateErrors_.end() ? nullptr : it->second.get();
}

void TDataDriverGx::FreeReader() noexcept {
  TDataSet* reader = reader_;
  bool owned = readerOwned_;
  reader_ = nullptr;
  readerOwned_ = false;
  mappedDataSet_ = nullptr;
  if (owned && reader && reader != providerDataSet_) {
    reader->RemoveFreeNotification(this);
    reader->Free();
  }
}

void TDataDriverGx::ReaderDone() {
  providerEof_ = true;
  if (readerOwned_) FreeReader();
}

// ---- reading

TDataSet* TDataDriverGx::OpenReader() {
  if (reader_ && reader_->Active()) return reader_;
  FreeReader();
  readerOwned_ = false;
  providerEof_ = false;
  readerStarted_ = true;
  TDataSet* reader = nullptr;
  bool owned = false;
  if (OnOpenReader)
    OnOpenReader(this, reader, owned);
  else
    DefaultOpenReader(reader, owned);
  reader_ = reader;
  readerOwned_ = owned && reader;
  if (reader_ && reader_ != providerDataSet_) reader_->FreeNotification(this);
  return reader_;
}

void TDataDriverGx::DefaultOpenReader(TDataSet*& reader, bool& owned) {
  owned = false;
  reader = providerDataSet_;
  if (!reader) return;
  reader->Open();
  reader->First();
}

void TDataDriverGx::CloseReader() {
  if (providerDataSet_) providerDataSet_->Close();
  FreeReader();
  providerEof_ = true;
}

void TDataDriverGx::Restart() {
  CloseReader();
  providerEof_ = false;
  readerStarted_ = false;
}

void TDataDriverGx::TableClosed() { CloseReader(); }

int TDataDriverGx::ReadRecords(TMemTableDataGx* store, int count) {
  if (providerEof_ || !store) return 0;
  // The reader opens once per reading; one closed or freed since ends the reading rather than
  // starting it again from its first row, which would read those rows twice.
  if (!OnReadRecord && !readerStarted_) OpenReader();
  mappedDataSet_ = nullptr;  // the reader's fields are looked up once per call
  TRecordsListGx* list = store->RecordsList();
  int read = 0;
  while (count != 0) {
    TMemoryRecordGx* rec = list->NewRecord();
    bool eof = false;
    try {
      if (OnReadRecord)
        OnReadRecord(this, store, rec, eof);
      else
        DefaultReadRecord(store, rec, eof);
      if (!eof) list->FetchRecord(rec);
    } catch (...) {
      FreeDetached(rec);
      throw;
    }
    ++read;
    if (eof) {
      FreeDetached(rec);
      ReaderDone();
      break;
    }
    if (count > 0) --count;
  }
  return read;
}

void TDataDriverGx::DefaultReadRecord(TMemTableDataGx* store, TMemoryRecordGx* rec, bool& eof) {
  TDataSet* reader = reader_;
  eof = !reader || !reader->Active() || reader->Eof();
  if (eof) return;
  const int columns = store->DataStruct()->Count();
  for (int c = 0; c < columns; ++c) AssignFieldValue(store, rec, reader, rvCurrent, c);
  reader->Next();
}

const std::vector<TField*>& TDataDriverGx::ColumnFields(TDataSet* dataSet, TMTDataStructGx* dataStruct) {
  if (dataSet != mappedDataSet_ || dataStruct != mappedStruct_ || dataStruct->Version() != mappedVersion_ ||
      dataSet->FieldCount() != mappedFieldCount_) {
    columnFields_.assign(static_cast<size_t>(dataStruct->Count()), nullptr);
    for (int c = 0; c < dataStruct->Count(); ++c)
      columnFields_[static_cast<size_t>(c)] = dataSet->FindField(dataStruct->DataFields(c)->FieldName());
    mappedDataSet_ = dataSet;
    mappedStruct_ = dataStruct;
    mappedVersion_ = dataStruct->Version();
    mappedFieldCount_ = dataSet->FieldCount();
  }
  return columnFields_;
}

void TDataDriverGx::AssignFieldValue(TMemTableDataGx* store, TMemoryRecordGx* rec, TDataSet* dataSet, int version,
                                     int column) {
  if (OnAssignFieldValue)
    OnAssignFieldValue(this, store, rec, dataSet, version, column);
  else
    DefaultAssignFieldValue(store, rec, dataSet, version, column);
}

void TDataDriverGx::DefaultAssignFieldValue(TMemTableDataGx* store, TMemoryRecordGx* rec, TDataSet* dataSet,
                                            int version, int column) {
  if (!dataSet || !rec) return;
  TMTDataStructGx* ds = store ? store->DataStruct() : rec->DataStruct();
  if (!ds || column < 0 || column >= ds->Count()) return;
  TField* field = nullptr;
  if (dataSet == reader_) {
    // The reader's fields stay as they are while it reads: look them up once.
    field = ColumnFields(dataSet, ds)[static_cast<size_t>(column)];
  } else {
    field = dataSet->FindField(ds->DataFields(column)->FieldName());
  }
  if (field) rec->SetDataValue(column, version, field->Value());
}

// ---- structure

void TDataDriverGx::BuildDataStruct(TMTDataStructGx* dataStruct) {
  if (OnBuildDataStruct) {
    OnBuildDataStruct(this, dataStruct);
  } else if (OnOpenReader) {
    TDataSet* reader = OpenReader();
    if (reader) dataStruct->BuildStructFromFields(&reader->Fields());
  } else {
    DefaultBuildDataStruct(dataStruct);
  }
  StructBuilt();
}

void TDataDriverGx::DefaultBuildDataStruct(TMTDataStructGx* dataStruct) {
  if (reader_ && reader_->Active()) {
    dataStruct->BuildStructFromFields(&reader_->Fields());
    return;
  }
  TDataSet* p = providerDataSet_;
  if (!p) return;
  if (p->FieldCount() == 0) {
    // The provider makes its fields when it opens.
    const bool wasActive = p->Active();
    p->Open();
    try {
      dataStruct->BuildStructFromFields(&p->Fields());
    } catch (...) {
      if (!wasActive) p->Close();
      throw;
    }
    if (!wasActive) p->Close();
    return;
  }
  dataStruct->BuildStructFromFields(&p->Fields());
}

// ---- writing back

bool TDataDriverGx::UpdateRecord(TMemTableDataGx* store, TMemoryRecordGx* rec) {
  if (OnUpdateRecord) {
    bool applied = true;
    OnUpdateRecord(this, store, rec, applied);
    return applied;
  }
  return DefaultUpdateRecord(store, rec);
}

void TDataDriverGx::DefaultUpdateError(TMemTableDataGx*, TMemoryRecordGx*, const Exception&, int& action) {
  action = uaFailGx;
}

int TDataDriverGx::ApplyUpdates(TMemTableDataGx* store) {
  if (!store) return 0;
  TRecordsListGx* list = store->RecordsList();
  updateErrors_.clear();
  int applied = 0;
  // Merging leaves holes in the pending list, it never moves its entries.
  for (size_t i = 0; i < list->PendingList().size(); ++i) {
    TMemoryRecordGx* rec = list->PendingList()[i];
    if (!rec) continue;
    int action = uaFailGx;
    try {
      if (UpdateRecord(store, rec))
        ++applied;
      else
        action = uaRetainGx;  // its row was not found: the change is still to be applied
    } catch (Exception& e) {
      if (OnUpdateError)
        OnUpdateError(this, store, rec, e, action);
      else
        DefaultUpdateError(store, rec, e, action);
      if (action == uaFailGx) throw;
      updateErrors_[rec->ID()] = std::make_unique<TUpdateErrorGx>(std::current_exception(), e.Message());
    }
    if (action == uaStopGx) break;
    if (action == uaRetainGx) continue;
    rec->MergeChanges();
  }
  list->CleanupChangedData();
  return applied;
}

bool TDataDriverGx::DefaultUpdateRecord(TMemTableDataGx* store, TMemoryRecordGx* rec) {
  (void)store;
  TDataSet* p = providerDataSet_;
  // With nowhere to write, the change is the store's alone.
  if (!resolveToProvider_ || !p) return true;
  const TUpdateStatus status = rec->UpdateStatus();
  if (status == usUnmodified) return true;
  TMTDataStructGx* ds = rec->DataStruct();
  TBookmark saved = p->Active() ? p->GetBookmark() : TBookmark();
  const std::string keys = keyFields_.empty() ? AllFieldNames(p) : keyFields_;
  bool found = true;
  auto restore = [&] {
    if (!saved.empty() && p->Active() && p->BookmarkValid(saved)) p->GotoBookmark(saved);
  };
  try {
    if (status == usModified || status == usDeleted) {
      Variant key = rec->GetDataValues(keys, rvOriginal);
      found = p->Locate(keys, key, {});
      if (found && status == usDeleted && !saved.empty() && p->CompareBookmarks(p->GetBookmark(), saved) == 0)
        saved.clear();
    }
    if (found) {
      if (status == usDeleted) {
        p->Delete();
      } else {
        if (status == usModified)
          p->Edit();
        else
          p->Insert();
        std::vector<std::pair<TField*, int>> columns;
        for (TField* f : p->Fields()) {
          int c = ds->FieldIndex(f->FieldName());
          if (c >= 0 && !f->ReadOnly()) columns.emplace_back(f, c);
        }
        try {
          for (auto& [f, c] : columns) f->SetValue(rec->Value(c));
          p->Post();
        } catch (...) {
          p->Cancel();
          throw;
        }
        // The provider may have filled values of its own (keys, defaults).
        rec->Edit();
        try {
          for (auto& [f, c] : columns) rec->SetDataValue(c, rvCurrent, f->Value());
          rec->Post();
        } catch (...) {
          if (rec->EditState() == resEdit) rec->Cancel();
          throw;
        }
      }
    }
  } catch (...) {
    try {
      restore();
    } catch (...) {
    }
    throw;
  }
  restore();
  return found;
}

void TDataDriverGx::RefreshRecord(TMemTableDataGx* store, TMemoryRecordGx* rec) {
  if (OnRefreshRecord)
    OnRefreshRecord(this, store, rec);
  else
    DefaultRefreshRecord(rec);
}

void TDataDriverGx::DefaultRefreshRecord(TMemoryRecordGx* rec) {
  TDataSet* p = providerDataSet_;
  if (!p || !rec) return;
  TBookmark saved = p->Active() ? p->GetBookmark() : TBookmark();
  const std::string keys = keyFields_.empty() ? AllFieldNames(p) : keyFields_;
  Variant key = rec->GetDataValues(keys, rec->UpdateStatus() == usModified ? rvOld : rvCurrent);
  if (!p->Locate(keys, key, {})) throw Exception("Key is not found in ProviderDataSet");
  TMemTableDataGx* store = rec->RecordsList() ? rec->RecordsList()->MemTableData() : nullptr;
  const int columns = rec->FieldCount();
  for (int c = 0; c < columns; ++c) AssignFieldValue(store, rec, p, rvOldOrCurrent, c);
  if (!saved.empty() && p->BookmarkValid(saved)) p->GotoBookmark(saved);
}

// ---- master-detail on the provider

bool TDataDriverGx::MasterValuesChanged(TDataSet* master) {
  if (!providerDataSet_ || !master) return false;
  TParams* params = providerDataSet_->PSGetParams();
  if (!params) return false;
  for (int i = 0; i < params->Count(); ++i) {
    TParam* param = params->Items(i);
    TField* f = master->FindField(param->Name());
    if (f && !VariantsEqual(f->Value(), param->Value())) return true;
  }
  return false;
}

void TDataDriverGx::SetProviderParams(TDataSet* master) {
  if (!providerDataSet_ || !master) return;
  TParams* params = providerDataSet_->PSGetParams();
  if (!params) return;
  for (int i = 0; i < params->Count(); ++i) {
    TParam* param = params->Items(i);
    if (param->Bound()) continue;
    param->SetValue(master->FieldByName(param->Name())->Value());
    param->SetBound(false);
  }
}

// ---------------------------------------------------------------- SQL statements

TSQLCommandGx::TSQLCommandGx() : sql_(std::make_unique<TStringList>()) {}
TSQLCommandGx::~TSQLCommandGx() = default;

void TServerSpecOperationsGx::GenerateWhere(std::string_view keyFields, TStrings* target) {
  TStringList keys;
  keys.SetCommaText(keyFields);
  if (keys.Count() == 0) return;
  target->Add("where");
  for (int i = 0; i < keys.Count(); ++i) {
    std::string line = " " + keys[i] + " = :OLD_" + keys[i];
    if (i < keys.Count() - 1) line += " and";
    target->Add(line);
  }
}

void TServerSpecOperationsGx::GetChangedFields(TMemoryRecordGx* rec, TStrings* fieldList, TStrings* result) {
  result->Clear();
  TMTDataStructGx* ds = rec->DataStruct();
  for (int i = 0; i < fieldList->Count(); ++i) {
    std::string name = fieldList->Strings(i);
    int c = ds ? ds->FieldIndex(name) : -1;
    if (c < 0)
      throw Exception("Invalid field name \"" + name + "\" in field list \"" + fieldList->CommaText() + "\"");
    if (!VariantsEqual(rec->ValueRef(c, rvCurrent), rec->ValueRef(c, rvOld))) result->Add(name);
  }
}

void TServerSpecOperationsGx::PassToDriver(ISQLDataDriverGx* driver, TSQLCommandGx* command, TMemoryRecordGx* rec) {
  if (driver) driver->HandleCommand(command, rec);
}

void TServerSpecOperationsGx::GenerateUpdateSQL(TMemoryRecordGx* rec, TSQLCommandGx* command) {
  TStrings* sql = command->SQL();
  sql->Clear();
  const TSQLUpdateSettingsGx& settings = command->UpdateSettings();
  TStringList fields;
  fields.SetCommaText(settings.UpdateFields);
  const TUpdateStatus status = rec->UpdateStatus();
  if (settings.UpdateChangedFieldsOnly && status == usModified) {
    TStringList changed;
    GetChangedFields(rec, &fields, &changed);
    fields.Assign(&changed);
  }
  switch (status) {
    case usInserted: {
      TStringList keys;
      keys.SetCommaText(settings.KeyFields);
      // Keys first, then the updated fields; a line is broken after 70 characters, the
      // continuation beginning with three blanks and the separator.
      auto columnList = [&](const char* prefix) {
        std::string line = "  (";
        std::string separator;
        for (TStrings* list : {static_cast<TStrings*>(&keys), static_cast<TStrings*>(&fields)}) {
          for (int i = 0; i < list->Count(); ++i) {
            line += separator + prefix + list->Strings(i);
            if (line.size() > 70 && i < list->Count() - 1) {
              sql->Add(line);
              line = "   ";
            }
            separator = ", ";
          }
        }
        sql->Add(line + ")");
      };
      sql->Add("insert into " + settings.TableName);
      columnList("");
      sql->Add("values");
      columnList(":");
      break;
    }
    case usModified:
      sql->Add("update " + settings.TableName);
      sql->Add("set");
      for (int i = 0; i < fields.Count(); ++i)
        sql->Add(" " + fields[i] + " = :" + fields[i] + (i < fields.Count() - 1 ? "," : ""));
      GenerateWhere(settings.KeyFields, sql);
      break;
    case usDeleted:
      sql->Add("delete from " + settings.TableName);
      GenerateWhere(settings.KeyFields, sql);
      break;
    default:
      break;
  }
}

// ---- resolver

int TSQLDataDriverResolver::CommandRequest(ISQLDataDriverGx* driver, TSQLCommandGx* command, bool& processed) {
  processed = false;
  if (!OnCommandRequest) return -1;
  return OnCommandRequest(driver, command, processed);
}

TServerSpecOperationsGx* TSQLDataDriverResolver::GetServerSpecOperations(ISQLDataDriverGx* driver, bool& processed) {
  processed = false;
  if (OnGetServerSpecOperations) return OnGetServerSpecOperations(driver, processed);
  if (operations_) processed = true;
  return operations_;
}

void TSQLDataDriverResolver::ExecuteCommand(ISQLDataDriverGx* driver, TSQLCommandGx* command, TMemoryRecordGx* rec,
                                            bool& processed) {
  processed = false;
  if (ExecuteProc) ExecuteProc(driver, command, rec, processed);
  if (!processed) PassToDriver(driver, command, rec, processed);
}

void TSQLDataDriverResolver::PassToDriver(ISQLDataDriverGx* driver, TSQLCommandGx* command, TMemoryRecordGx* rec,
                                          bool& processed) {
  TServerSpecOperationsGx* ops = operations_;
  if (!ops && driver) ops = driver->NamedOperations();
  if (ops)
    ops->PassToDriver(driver, command, rec);
  else if (driver)
    driver->HandleCommand(command, rec);
  processed = true;
}

void TSQLDataDriverResolver::PrepareCommand(ISQLDataDriverGx* driver, TSQLCommandGx* command, bool& processed) {
  processed = false;
  if (OnPrepareCommand)
    OnPrepareCommand(driver, command, processed);
  else
    CommandHook(driver, command, processed);
}

void TSQLDataDriverResolver::CommandHook(ISQLDataDriverGx* driver, TSQLCommandGx* command, bool& processed) {
  TServerSpecOperationsGx* ops = operations_;
  if (!ops && driver) ops = driver->Operations();
  if (!ops && driver) ops = driver->NamedOperations();
  processed = ops != nullptr;
  if (ops) ops->CommandHook(command);
}

TServerSpecOperationsGx* DefaultServerSpecOperations() {
  static TServerSpecOperationsGx operations;
  return &operations;
}

TSQLDataDriverResolver* DefaultSQLDataDriverResolver() {
  static TSQLDataDriverResolver resolver;
  return &resolver;
}
