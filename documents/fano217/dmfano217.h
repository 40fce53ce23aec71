#pragma once
// The expense advance document's data module: the header of the document on screen (mtblMain),
// its lines (mtblSub) and the document list (mtblMain1), each described by its field metadata
// and followed by a delta table that logs deleted stored rows. The form creates it with itself as
// owner in InitData; the tables are built from the metadata by the form's table set-up.
//
//   auto* dm = CreateForm<TFano217DM>(form);   // form holds the collection check box
//   form->SetupTable(dm->mtblMain, dm->mtblMainDelta, dm->tbfldMain);
#include "shell/dmbase.h"

class TFano217DM : public TDoubleSimpleDm {
  FANO_CLASS(TFano217DM)
 public:
  explicit TFano217DM(TComponent* owner);

  TCvTbField* tbfldMain1 = nullptr;
  TMemTableGx* mtblMain1 = nullptr;
  TDataSource* dsMain1 = nullptr;
  TMemTableGx* mtblMainDelta1 = nullptr;

  // Header and list rows: the header table is put into edit and its collection flag
  // "BILDA013" follows the owner form's check box DBCheckBoxGx1 ("1" ticked, else "0"); then the
  // posted row (Sender) gets its flag and audit stamps.
  void mtblMainBeforePost(TDataSet* DataSet);
  // Lines: flag and audit stamps.
  void mtblSubBeforePost(TDataSet* DataSet);

 private:
  // The owner form's collection check box is ticked (false without one).
  bool CollectionChecked() const;
};
