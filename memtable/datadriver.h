#pragma once
// The data driver of a memory table: it fills the record store from a provider dataset, builds
// the store's columns from it, refreshes single records and applies the store's cached changes
// back to it. Beside it stand the pieces an SQL-based driver uses: the statement writer for one
// changed record (TServerSpecOperationsGx) and the resolver that routes a driver's requests
// through event handlers or server-specific operations (TSQLDataDriverResolver).
#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "memtable/mtdata.h"
#include "memtable/mtrecords.h"
#include "platform/classes/component.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/lists.h"

class TCustomMemTableGx;
class TDataDriverGx;
class TDataSet;
class TField;

// The link between a driver and the one memory table it serves.
class IMemTableDataDriverGx {
 public:
  virtual ~IMemTableDataDriverGx() = default;
  virtual TCustomMemTableGx* GetMemTable() const = 0;
  virtual void SetMemTable(TCustomMemTableGx* table) = 0;
};

// A 32-bit value handed to a driver by whoever configures it; nothing in the engine reads it.
class IDataDriverValueGx {
 public:
  virtual ~IDataDriverValueGx() = default;
  virtual void SetDriverValue(int32_t value) = 0;
};

// What ApplyUpdates does after an update error (the error handler chooses; default: fail).
enum : int {
  uaStopGx = 0,    // the walk ends here
  uaFailGx = 1,    // the error passes on (also the code of a record applied without error)
  uaMergeGx = 2,   // the record's change is merged as if applied
  uaRetainGx = 4,  // the record's change stays pending
};

// The error an update raised, kept for the record it belongs to.
class TUpdateErrorGx {
 public:
  TUpdateErrorGx(std::exception_ptr error, std::string message) : error_(std::move(error)), message_(std::move(message)) {}
  const std::string& Message() const noexcept { return message_; }
  [[noreturn]] void Raise() const { std::rethrow_exception(error_); }

 private:
  std::exception_ptr error_;
  std::string message_;
};

class TDataDriverGx : public TComponent, public IMemTableDataDriverGx, public IDataDriverValueGx {
  FANO_CLASS(TDataDriverGx)
 public:
  using TAssignFieldValueEvent = std::function<void(TDataDriverGx* sender, TMemTableDataGx* store, TMemoryRecordGx* rec,
                                                    TDataSet* dataSet, int version, int column)>;
  using TBuildDataStructEvent = std::function<void(TDataDriverGx* sender, TMTDataStructGx* dataStruct)>;
  using TOpenReaderEvent = std::function<void(TDataDriverGx* sender, TDataSet*& reader, bool& owned)>;
  using TReadRecordEvent = std::function<void(TDataDriverGx* sender, TMemTableDataGx* store, TMemoryRecordGx* rec, bool& eof)>;
  using TRefreshRecordEvent = std::function<void(TDataDriverGx* sender, TMemTableDataGx* store, TMemoryRecordGx* rec)>;
  using TUpdateErrorEvent = std::function<void(TDataDriverGx* sender, TMemTableDataGx* store, TMemoryRecordGx* rec,
                                               const Exception& error, int& action)>;
  using TUpdateRecordEvent = std::function<void(TDataDriverGx* sender, TMemTableDataGx* store, TMemoryRecordGx* rec,
                                                bool& applied)>;

  explicit TDataDriverGx(TComponent* owner);
  ~TDataDriverGx() override;

  // ";"-separated key field names; empty: every field of the provider.
  const std::string& KeyFields() const noexcept { return keyFields_; }
  void SetKeyFields(const std::string& value) { keyFields_ = value; }

  TAssignFieldValueEvent OnAssignFieldValue;
  TBuildDataStructEvent OnBuildDataStruct;
  TOpenReaderEvent OnOpenReader;
  TReadRecordEvent OnReadRecord;
  TRefreshRecordEvent OnRefreshRecord;
  TUpdateErrorEvent OnUpdateError;
  TUpdateRecordEvent OnUpdateRecord;

  TDataSet* ProviderDataSet() const noexcept { return providerDataSet_; }
  void SetProviderDataSet(TDataSet* value);
  // True once the reader has no more rows (until the reader is opened again).
  bool ProviderEof() const noexcept { return providerEof_; }
  TDataSet* ReaderDataSet() const noexcept { return reader_; }
  bool ReaderOwned() const noexcept { return readerOwned_; }
  // Whether DefaultUpdateRecord writes changes to the provider (true after creation).
  bool ResolveToProvider() const noexcept { return resolveToProvider_; }
  void SetResolveToProvider(bool value) noexcept { resolveToProvider_ = value; }
  int32_t DriverValue() const noexcept { return driverValue_; }
  void SetDriverValue(int32_t value) override { driverValue_ = value; }

  TCustomMemTableGx* GetMemTable() const override { return memTable_; }
  void SetMemTable(TCustomMemTableGx* table) override { memTable_ = table; }

  // The error kept for a record by the last ApplyUpdates (null when none).
  const TUpdateErrorGx* UpdateError(const TMemoryRecordGx* rec) const;

  // ---- operations, in the order of the driver's virtual slots
  // Called after the structure was built.
  virtual void StructBuilt() {}
  // Applies every pending change of the store; answers how many were applied.
  virtual int ApplyUpdates(TMemTableDataGx* store);
  // Writes one changed record to the provider; false when its row was not found there.
  virtual bool DefaultUpdateRecord(TMemTableDataGx* store, TMemoryRecordGx* rec);
  // The reader, opened when none is open.
  virtual TDataSet* OpenReader();
  // Reads up to count records (a negative count: all) into the store; answers how many were read.
  virtual int ReadRecords(TMemTableDataGx* store, int count);
  // Whether a parameter of the provider differs from the master field of its name.
  virtual bool MasterValuesChanged(TDataSet* master);
  virtual void AssignFieldValue(TMemTableDataGx* store, TMemoryRecordGx* rec, TDataSet* dataSet, int version, int column);
  virtual bool UpdateRecord(TMemTableDataGx* store, TMemoryRecordGx* rec);
  // Closes the provider; the reader is at its end.
  virtual void CloseReader();
  virtual void DefaultAssignFieldValue(TMemTableDataGx* store, TMemoryRecordGx* rec, TDataSet* dataSet, int version,
                                       int column);
  virtual void DefaultBuildDataStruct(TMTDataStructGx* dataStruct);
  virtual void DefaultOpenReader(TDataSet*& reader, bool& owned);
  virtual void DefaultReadRecord(TMemTableDataGx* store, TMemoryRecordGx* rec, bool& eof);
  virtual void DefaultUpdateError(TMemTableDataGx* store, TMemoryRecordGx* rec, const Exception& error, int& action);
  virtual void DefaultRefreshRecord(TMemoryRecordGx* rec);
  virtual void BuildDataStruct(TMTDataStructGx* dataStruct);
  virtual void RefreshRecord(TMemTableDataGx* store, TMemoryRecordGx* rec);
  // Unbound parameters of the provider take the values of the master fields of their names.
  virtual void SetProviderParams(TDataSet* master);

  // The memory table starts reading again from the top (its provider closed, nothing at the end).
  virtual void Restart();
  // The memory table closed.
  virtual void TableClosed();

  void Notification(TComponent* component, TOperation operation) override;

 private:
  void FreeReader() noexcept;
  void ReaderDone();
  // The reader's field for each column of the structure (null where it has none).
  const std::vector<TField*>& ColumnFields(TDataSet* dataSet, TMTDataStructGx* dataStruct);

  std::string keyFields_;
  TDataSet* providerDataSet_ = nullptr;
  bool providerEof_ = false;
  TDataSet* reader_ = nullptr;
  bool readerOwned_ = false;
  bool readerStarted_ = false;  // a reader was asked for since the last restart
  bool resolveToProvider_ = true;
  int32_t driverValue_ = 0;
  TCustomMemTableGx* memTable_ = nullptr;
  std::map<int32_t, std::unique_ptr<TUpdateErrorGx>> updateErrors_;  // by record ID
  // Column map cache.
  TDataSet* mappedDataSet_ = nullptr;
  const TMTDataStructGx* mappedStruct_ = nullptr;
  uint64_t mappedVersion_ = 0;
  int mappedFieldCount_ = -1;
  std::vector<TField*> columnFields_;
};

// ---------------------------------------------------------------- SQL statements

// The update settings of an SQL command: the table written to, the fields written (comma text),
// the key fields (comma text), and whether an update writes only the fields that changed.
struct TSQLUpdateSettingsGx {
  std::string TableName;
  std::string UpdateFields;
  std::string KeyFields;
  bool UpdateChangedFieldsOnly = false;
};

// A command of an SQL driver: its statement text and its update settings.
class TSQLCommandGx : public TObject {
  FANO_CLASS(TSQLCommandGx)
 public:
  TSQLCommandGx();
  ~TSQLCommandGx() override;
  TStrings* SQL() const noexcept { return sql_.get(); }
  TSQLUpdateSettingsGx& UpdateSettings() noexcept { return settings_; }
  const TSQLUpdateSettingsGx& UpdateSettings() const noexcept { return settings_; }

 private:
  std::unique_ptr<TStringList> sql_;
  TSQLUpdateSettingsGx settings_;
};

class TServerSpecOperationsGx;

// What the resolver needs of an SQL driver.
class ISQLDataDriverGx {
 public:
  virtual ~ISQLDataDriverGx() = default;
  // The driver's own server operations (may be null).
  virtual TServerSpecOperationsGx* Operations() const = 0;
  // The operations the driver names for its server (may be null).
  virtual TServerSpecOperationsGx* NamedOperations() const = 0;
  // The driver's own handling of a command for a record.
  virtual void HandleCommand(TSQLCommandGx* command, TMemoryRecordGx* rec) = 0;
};

// Writes the statement that applies one changed record: insert, update or delete.
class TServerSpecOperationsGx : public TObject {
  FANO_CLASS(TServerSpecOperationsGx)
 public:
  TServerSpecOperationsGx() = default;

  bool Flag() const noexcept { return flag_; }
  void SetFlag(bool value) noexcept { flag_ = value; }

  // "where" and one line per key (comma text); nothing for no keys.
  virtual void GenerateWhere(std::string_view keyFields, TStrings* target);
  // The names of the list (comma text) whose current value differs from the old one.
  virtual void GetChangedFields(TMemoryRecordGx* rec, TStrings* fieldList, TStrings* result);
  // Hands the command and the record to the SQL driver's own handler.
  virtual void PassToDriver(ISQLDataDriverGx* driver, TSQLCommandGx* command, TMemoryRecordGx* rec);
  // Called by the resolver for each command; nothing here.
  virtual void CommandHook(TSQLCommandGx* command) { (void)command; }
  // The statement for the record's update status (empty for an unmodified record).
  virtual void GenerateUpdateSQL(TMemoryRecordGx* rec, TSQLCommandGx* command);
  virtual void Hook1() {}
  virtual void Hook2() {}
  virtual void Hook3() {}

 private:
  bool flag_ = false;
};

// Routes an SQL driver's requests: through its event handlers when assigned, else through
// server-specific operations (its own, the driver's, or those the driver names).
class TSQLDataDriverResolver : public TPersistent {
  FANO_CLASS(TSQLDataDriverResolver)
 public:
  using TCommandRequestEvent = std::function<int(ISQLDataDriverGx* driver, TSQLCommandGx* command, bool& processed)>;
  using TPrepareEvent = std::function<void(ISQLDataDriverGx* driver, TSQLCommandGx* command, bool& processed)>;
  using TGetOperationsEvent = std::function<TServerSpecOperationsGx*(ISQLDataDriverGx* driver, bool& processed)>;
  using TExecuteProc = std::function<void(ISQLDataDriverGx* driver, TSQLCommandGx* command, TMemoryRecordGx* rec,
                                          bool& processed)>;

  TSQLDataDriverResolver() = default;

  TServerSpecOperationsGx* ServerSpecOperations() const noexcept { return operations_; }
  void SetServerSpecOperations(TServerSpecOperationsGx* value) noexcept { operations_ = value; }
  TCommandRequestEvent OnCommandRequest;
  TPrepareEvent OnPrepareCommand;
  TGetOperationsEvent OnGetServerSpecOperations;
  TExecuteProc ExecuteProc;

  // Answered by OnCommandRequest; unassigned: not processed, -1.
  virtual int CommandRequest(ISQLDataDriverGx* driver, TSQLCommandGx* command, bool& processed);
  virtual TServerSpecOperationsGx* GetServerSpecOperations(ISQLDataDriverGx* driver, bool& processed);
  // Answered by ExecuteProc; when that leaves it unprocessed, PassToDriver.
  virtual void ExecuteCommand(ISQLDataDriverGx* driver, TSQLCommandGx* command, TMemoryRecordGx* rec, bool& processed);
  // Own operations, else the driver's named ones, else the driver's own handler; always processed.
  virtual void PassToDriver(ISQLDataDriverGx* driver, TSQLCommandGx* command, TMemoryRecordGx* rec, bool& processed);
  // Answered by OnPrepareCommand; when unassigned, the per-command hook.
  virtual void PrepareCommand(ISQLDataDriverGx* driver, TSQLCommandGx* command, bool& processed);
  // The per-command hook of the own operations, else the driver's, else those it names.
  virtual void CommandHook(ISQLDataDriverGx* driver, TSQLCommandGx* command, bool& processed);

 private:
  TServerSpecOperationsGx* operations_ = nullptr;
};

// The unit's defaults, living from start-up to the end of the program.
TServerSpecOperationsGx* DefaultServerSpecOperations();
TSQLDataDriverResolver* DefaultSQLDataDriverResolver();
