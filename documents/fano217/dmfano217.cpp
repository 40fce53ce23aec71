#include "documents/fano217/dmfano217.h"

#include "platform/classes/classreg.h"
#include "platform/classes/published.h"
#include "platform/db/fields.h"

FANO_IMPLEMENT_COMPONENT(TFano217DM, TDoubleSimpleDm)

FANO_PUBLISHED(TFano217DM, p) {
  p.Field("tbfldMain1", &TFano217DM::tbfldMain1);
  p.Field("mtblMain1", &TFano217DM::mtblMain1);
  p.Field("dsMain1", &TFano217DM::dsMain1);
  p.Field("mtblMainDelta1", &TFano217DM::mtblMainDelta1);
  p.Method("mtblMainBeforePost", &TFano217DM::mtblMainBeforePost);
  p.Method("mtblSubBeforePost", &TFano217DM::mtblSubBeforePost);
}

TFano217DM::TFano217DM(TComponent* owner) : TDoubleSimpleDm(owner) {}

bool TFano217DM::CollectionChecked() const {
  TComponent* form = OwnerForm();
  TComponent* box = form ? form->FindComponent("DBCheckBoxGx1") : nullptr;
  if (!box || !GetPropInfo(box, "Checked")) return false;
  return GetPropValue(box, "Checked").AsBoolean();
}

void TFano217DM::mtblMainBeforePost(TDataSet* DataSet) {
  if (mtblMain->Active()) {
    if (mtblMain->State() != dsEdit && mtblMain->State() != dsInsert) {
      // An empty header has no row to put into edit: the list row is stamped all the same.
      if (!mtblMain->IsEmpty()) mtblMain->Edit();
    }
    if (TField* f = mtblMain->FindField("BILDA013"); f && (mtblMain->State() == dsEdit || mtblMain->State() == dsInsert))
      f->SetAsString(CollectionChecked() ? "1" : "0");
  }
  SetFlagField(0, DataSet);
  StampAuditFields(DataSet);
}

void TFano217DM::mtblSubBeforePost(TDataSet* DataSet) {
  SetFlagField(0, DataSet);
  StampAuditFields(DataSet);
}
