#include "shell/dmbase.h"

#include <algorithm>

#include "platform/classes/classreg.h"
#include "platform/classes/published.h"
#include "platform/db/fields.h"
#include "platform/rtl/sysutils.h"
#include "shell/globalvar.h"

FANO_IMPLEMENT_COMPONENT(TBaseDm, TDataModule)
FANO_IMPLEMENT_COMPONENT(TSingleMuliColDm, TBaseDm)
FANO_IMPLEMENT_COMPONENT(TDoubleSimpleDm, TSingleMuliColDm)

FANO_PUBLISHED(TSingleMuliColDm, p) {
  p.Field("tbfldMain", &TSingleMuliColDm::tbfldMain);
  p.Field("mtblMain", &TSingleMuliColDm::mtblMain);
  p.Field("dsMain", &TSingleMuliColDm::dsMain);
  p.Field("mtblMainDelta", &TSingleMuliColDm::mtblMainDelta);
  p.Method("mtblMainAfterOpen", &TSingleMuliColDm::mtblMainAfterOpen);
  p.Method("mtblMainBeforeDelete", &TSingleMuliColDm::mtblMainBeforeDelete);
  p.Method("mtblMainAfterPost", &TSingleMuliColDm::mtblMainAfterPost);
}

FANO_PUBLISHED(TDoubleSimpleDm, p) {
  p.Field("tbfldSub", &TDoubleSimpleDm::tbfldSub);
  p.Field("mtblSub", &TDoubleSimpleDm::mtblSub);
  p.Field("dsSub", &TDoubleSimpleDm::dsSub);
  p.Field("mtblSubDelta", &TDoubleSimpleDm::mtblSubDelta);
  p.Method("mtblSubAfterOpen", &TDoubleSimpleDm::mtblSubAfterOpen);
  p.Method("mtblSubBeforeDelete", &TDoubleSimpleDm::mtblSubBeforeDelete);
}

namespace {

const bool classesRegistered = [] {
  RegisterMemTableClasses();
  RegisterTbFieldClasses();
  return true;
}();

// Opens a delta table: from its field definitions when it has them (a memory table without its
// data made cannot simply open).
void OpenDelta(TMemTableGx* delta) {
  if (delta->Active()) return;
  if (delta->GetFieldDefs()->Count() > 0)
    delta->CreateDataSet();
  else
    delta->Open();
}

bool Editing(const TDataSet* ds) { return ds->State() == dsEdit || ds->State() == dsInsert; }

// The stamping routines stop quietly where a column is missing: tables without audit columns are
// stamped as far as they go.
template <class Fn>
void Quietly(Fn&& fn) {
  try {
    fn();
  } catch (...) {
  }
}

}  // namespace

// ---- TBaseDm ----------------------------------------------------------------------------------

TBaseDm::TBaseDm(TComponent* owner) : TDataModule(owner), ownerForm_(owner) {}

void TBaseDm::StampCreateFields(TDataSet* DataSet) {
  if (!DataSet || !DataSet->Active()) return;
  Quietly([&] {
    if (DataSet->UpdateStatus() != usInserted) return;
    if (!Editing(DataSet)) DataSet->Edit();
    DataSet->FieldByName("CREATE_USER")->SetAsString(GlobalVar::HostUserAccount());
    DataSet->FieldByName("USER_GROUP")->SetAsString(GlobalVar::HostUserGroup());
    DataSet->FieldByName("CREATE_DATE")->SetAsDateTime(Now());
  });
}

void TBaseDm::StampModifyFields(TDataSet* DataSet) {
  if (!DataSet || !DataSet->Active()) return;
  Quietly([&] {
    if (DataSet->UpdateStatus() != usModified) return;
    if (!Editing(DataSet)) DataSet->Edit();
    DataSet->FieldByName("MODIFIER")->SetAsString(GlobalVar::HostUserAccount());
    DataSet->FieldByName("MODI_DATE")->SetAsDateTime(Now());
  });
}

void TBaseDm::StampAuditFields(TDataSet* DataSet) {
  StampCreateFields(DataSet);
  StampModifyFields(DataSet);
}

void TBaseDm::SetFlagField(int32_t Value, TDataSet* DataSet) {
  if (!DataSet || !DataSet->Active()) return;
  Quietly([&] {
    if (!Editing(DataSet)) DataSet->Edit();
    DataSet->FieldByName("FLAG")->SetAsString(std::to_string(Value));
  });
}

void TBaseDm::LogDeletedRow(TDataSet* table, TMemTableGx* delta) {
  // A table without a current row (its last row already gone) has nothing to log.
  if (table->IsEmpty() || table->UpdateStatus() == usInserted) return;
  OpenDelta(delta);
  delta->Append();
  try {
    int n = std::min(table->FieldCount(), delta->FieldCount());
    for (int i = 0; i < n; ++i) delta->Fields()[i]->SetValue(table->Fields()[i]->Value());
    delta->Post();
  } catch (...) {
    // No half-written log row: the delete fails as a whole.
    delta->Cancel();
    throw;
  }
}

// ---- TSingleMuliColDm -------------------------------------------------------------------------

TSingleMuliColDm::TSingleMuliColDm(TComponent* owner) : TBaseDm(owner) {}

void TSingleMuliColDm::mtblMainAfterOpen(TDataSet*) {
  if (!mtblMainDelta->Active() && mtblMainDelta->GetFieldDefs()->Count() > 0) mtblMainDelta->CreateDataSet();
}

void TSingleMuliColDm::mtblMainBeforeDelete(TDataSet*) {
  if (mtblMainDelta->FieldCount() == 0 && mtblMainDelta->GetFieldDefs()->Count() == 0) return;
  LogDeletedRow(mtblMain, mtblMainDelta);
}

void TSingleMuliColDm::mtblMainAfterPost(TDataSet*) {}

// ---- TDoubleSimpleDm --------------------------------------------------------------------------

TDoubleSimpleDm::TDoubleSimpleDm(TComponent* owner) : TSingleMuliColDm(owner) {}

void TDoubleSimpleDm::mtblSubAfterOpen(TDataSet*) {
  OpenDelta(mtblSubDelta);
}

void TDoubleSimpleDm::mtblSubBeforeDelete(TDataSet*) { LogDeletedRow(mtblSub, mtblSubDelta); }
