#pragma once
// Shared by the grid import fuzz targets: a data grid over a small memory table, and one import
// of the input that must either succeed or raise Exception, and in both cases leave the table with
// its controls enabled and out of edit state once cancelled.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "grid/gridimport.h"
#include "memtable/memtable.h"
#include "platform/db/datasource.h"
#include "platform/forms/dialogs.h"
#include "platform/forms/forms.h"
#include "platform/os/wingdi.h"
#include "platform/os/winuser.h"
#include "platform/rtl/exceptions.h"

namespace gridimportfuzz {

struct Fixture {
  TMemTableGx* table = nullptr;
  TDataSource* source = nullptr;
  TForm* form = nullptr;
  TDBGridGx* grid = nullptr;
  TScriptedDialogService* dialogs = nullptr;

  Fixture() {
    FanoUseHeadless();
    // The fixed test font: fontconfig's caches, made on first use inside an input, would read as
    // a leak of that input.
    FanoSetTestFont(TRUE);
    table = new TMemTableGx(nullptr);
    table->FieldDefs().Add("ID", ftInteger);
    table->FieldDefs().Add("NAME", ftString, 20);
    table->FieldDefs().Add("WNAME", ftWideString, 20);
    table->FieldDefs().Add("AMOUNT", ftFloat);
    table->CreateDataSet();
    for (int i = 1; i <= 3; ++i) {
      table->Append();
      table->FieldByName("ID")->SetValue(i);
      table->Post();
    }
    source = new TDataSource(nullptr);
    source->SetDataSet(table);
    form = new TForm(nullptr);
    grid = new TDBGridGx(form);
    grid->SetParent(form);
    grid->SetDataSource(source);
    // Records are only changed, never added: the table stays small whatever the input.
    grid->SetAllowedOperations(grid->AllowedOperations() - alopAppendGx);
    dialogs = new TScriptedDialogService(true);
  }
};

template <class Importer>
int Run(const uint8_t* data, size_t size) {
  static Fixture* f = new Fixture();
  f->dialogs->ClearRequests();
  f->table->First();
  TMemoryStream stream;
  if (size) stream.WriteBuffer(data, static_cast<int64_t>(size));
  stream.SetPosition(0);
  try {
    ImportGridFromStream<Importer>(f->grid, &stream, false);
  } catch (const Exception&) {
  }
  if (f->table->ControlsDisabled()) std::abort();
  if (f->table->State() == dsEdit || f->table->State() == dsInsert) f->table->Cancel();
  if (f->table->RecordCount() != 3) std::abort();
  return 0;
}

}  // namespace gridimportfuzz
