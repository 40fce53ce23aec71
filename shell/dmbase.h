#pragma once
// The base data modules of the document forms. TBaseDm stamps the audit columns every host table
// carries; TSingleMuliColDm adds the main table (memory table, data source, field metadata and the
// delta table that logs deleted stored rows); TDoubleSimpleDm the same for a detail table. The
// request writer reads the delta tables to tell the host which rows to remove.
#include <cstdint>

#include "memtable/memtable.h"
#include "platform/db/datasource.h"
#include "platform/forms/forms.h"
#include "protocol/tbfield.h"

class TBaseDm : public TDataModule {
  FANO_CLASS(TBaseDm)
 public:
  explicit TBaseDm(TComponent* owner);

  // The component given as owner at creation (the form).
  TComponent* OwnerForm() const noexcept { return ownerForm_; }

  // Each does nothing on a missing or closed data set and stops quietly at the first audit column
  // the data set lacks. The user's account and group come from the host-information record.
  // Inserted row: CREATE_USER, USER_GROUP, CREATE_DATE.
  void StampCreateFields(TDataSet* DataSet);
  // Modified row: MODIFIER, MODI_DATE.
  void StampModifyFields(TDataSet* DataSet);
  void StampAuditFields(TDataSet* DataSet);
  // FLAG := Value as decimal text.
  void SetFlagField(int32_t Value, TDataSet* DataSet);

 protected:
  // Copies the current row of `table` into `delta` (fields by index, values as they are) unless
  // the row was appended and never stored with the host, or the table has no current row.
  static void LogDeletedRow(TDataSet* table, TMemTableGx* delta);

 private:
  TComponent* ownerForm_;
};

class TSingleMuliColDm : public TBaseDm {
  FANO_CLASS(TSingleMuliColDm)
 public:
  explicit TSingleMuliColDm(TComponent* owner);

  TCvTbField* tbfldMain = nullptr;
  TMemTableGx* mtblMain = nullptr;
  TDataSource* dsMain = nullptr;
  TMemTableGx* mtblMainDelta = nullptr;

  // Whichever table raised them, the handlers act on mtblMain / mtblMainDelta.
  void mtblMainAfterOpen(TDataSet* DataSet);
  void mtblMainBeforeDelete(TDataSet* DataSet);
  void mtblMainAfterPost(TDataSet* DataSet);
};

class TDoubleSimpleDm : public TSingleMuliColDm {
  FANO_CLASS(TDoubleSimpleDm)
 public:
  explicit TDoubleSimpleDm(TComponent* owner);

  TCvTbField* tbfldSub = nullptr;
  TMemTableGx* mtblSub = nullptr;
  TDataSource* dsSub = nullptr;
  TMemTableGx* mtblSubDelta = nullptr;

  void mtblSubAfterOpen(TDataSet* DataSet);
  void mtblSubBeforeDelete(TDataSet* DataSet);
};
