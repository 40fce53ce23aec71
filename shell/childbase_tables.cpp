// The base child form's tables from field metadata (field definitions, display properties, events
// and the key, join and required flags), and the generic field checks run before a save.
#include <set>

#include "grid/dbgrid.h"
#include "memtable/memtable.h"
#include "platform/db/dataset.h"
#include "platform/db/fielddefs.h"
#include "platform/db/fields.h"
#include "platform/rtl/strings.h"
#include "protocol/tbfield.h"
#include "shell/childbase.h"

namespace {

void AddFieldDefs(TDataSet* table, const TTbField* item) {
  if (table) table->FieldDefs().Add(item->FieldName(), item->DataType(), item->FieldWidth(), false);
}

void SetTableNames(TCustomMemTableGx* table, const TCvTbField* meta) {
  if (!table) return;
  table->SetCvTableName(meta->TableName());
  table->SetFKName(meta->GetFKList());
  table->SetPKName(meta->PKName());
}

void SetFlags(TField* field, const TTbField* item) {
  field->SetIsKey(item->IsKey());
  field->SetIsJoin(item->IsJoin());
  field->SetNotNull(item->NotNull());
}

}  // namespace

void TfrmChildBase::SetupGridTable(TDBGridGx*& Grid, TMemTableGx*& Table, TMemTableGx*& Delta,
                                   TCvTbField*& TbField) {
  if (!Grid) {
    SetupTable(Table, Delta, TbField);
    return;
  }
  if (!Table || !TbField) return;
  Grid->Columns()->Clear();
  for (int i = 0; i < TbField->Count(); ++i) {
    TTbField* item = TbField->Items(i);
    AddFieldDefs(Table, item);
    AddFieldDefs(Delta, item);
    TColumnGx* column = Grid->Columns()->Add();
    column->SetFieldName(item->FieldName());
    column->Title()->SetCaption(item->DisplayLabel());
    column->Title()->SetAlignment(taCenter);
    if (item->IsKey()) column->SetColor(kKeyColumnColor);
    column->SetAlignment(item->Alignment());
    // A joined text is never sent to the host: typed into a cell it would be lost.
    column->SetReadOnly(item->ReadOnly() || item->IsJoin());
    column->SetVisible(item->Visible());
    column->OnUpdateData = item->OnUpdateData;
    switch (item->ButtonStyle()) {
      case gbsButton: {
        TEditButtonGx* button = column->EditButtons()->Add();
        button->SetStyle(ebsEllipsisGx);
        button->OnClick = item->OnButtonClick;
        break;
      }
      case gbsDropDown: FillDropDownLists(column, item->DropDownTag()); break;
      case gbsCheckbox: column->SetCheckboxes(true); break;
      case gbsNone: break;
    }
  }
  FinishTables(Table, Delta, TbField);
}

void TfrmChildBase::FillDropDownLists(TColumnGx* Column, int DropDownTag) {
  TDataModule* source = DropDownDm();
  if (!source || DropDownTag < 1) return;
  for (int i = 0; i < source->ComponentCount(); ++i) {
    auto* table = dynamic_cast<TMemTableGx*>(source->Components(i));
    if (!table || table->Tag() != DropDownTag) continue;
    TStrings* keys = Column->KeyList();
    TStrings* picks = Column->PickList();
    keys->Clear();
    picks->Clear();
    // A list needs a key and a text column; a closed or narrower table leaves the lists empty.
    if (!table->Active() || table->FieldCount() < 2) continue;
    for (table->First(); !table->Eof(); table->Next()) {
      std::string key = table->Fields().Fields(0)->AsString();
      keys->Add(key);
      picks->Add(key + "." + table->Fields().Fields(1)->AsString());
    }
  }
}

void TfrmChildBase::SetupTable(TMemTableGx*& Table, TMemTableGx*& Delta, TCvTbField*& TbField) {
  if (!Table || !TbField) return;
  for (int i = 0; i < TbField->Count(); ++i) {
    AddFieldDefs(Table, TbField->Items(i));
    AddFieldDefs(Delta, TbField->Items(i));
  }
  FinishTables(Table, Delta, TbField);
}

void TfrmChildBase::FinishTables(TMemTableGx* Table, TMemTableGx* Delta, TCvTbField* TbField) {
  if (Delta) Delta->CreateDataSet();
  Table->CreateDataSet();
  SetTableNames(Table, TbField);
  SetTableNames(Delta, TbField);
  for (int i = 0; i < Table->FieldCount() && i < TbField->Count(); ++i) {
    const TTbField* item = TbField->Items(i);
    TField* field = Table->Fields().Fields(i);
    field->SetReadOnly(item->ReadOnly());
    field->SetDisplayWidth(item->DisplayWidth());
    field->SetDisplayLabel(item->DisplayLabel());
    field->SetOnChange(item->OnChange);
    field->SetOnGetText(item->OnGetText);
    field->SetOnSetText(item->OnSetText);
    field->SetOnValidate(item->OnValidate);
    SetFlags(field, item);
    if (Delta && i < Delta->FieldCount()) SetFlags(Delta->Fields().Fields(i), item);
  }
}

void TfrmChildBase::CheckFieldValues(uint8_t Mode, TDataSet*& DataSet, std::string_view FieldList, std::string& Msg) {
  Msg.clear();
  TDataSet* data = DataSet;
  if (!data || !data->Active() || (Mode != 0 && Mode != 1)) return;
  std::vector<TField*> fields;
  for (const std::string& name : SplitString(FieldList, ',')) {
    if (TField* f = data->FindField(Trim(name))) fields.push_back(f);
  }
  if (fields.empty() || data->IsEmpty()) return;
  TBookmark current = data->GetBookmark();
  data->DisableControls();
  try {
    if (Mode == 1) {
      for (data->First(); !data->Eof() && Msg.empty(); data->Next()) {
        for (TField* f : fields) {
          if (Trim(f->AsString()).empty()) {
            Msg = f->DisplayLabel();
            break;
          }
        }
      }
    } else {
      for (TField* f : fields) {
        std::set<std::string> seen;
        for (data->First(); !data->Eof(); data->Next()) {
          if (!seen.insert(Trim(f->AsString())).second) {
            Msg = f->DisplayLabel();
            break;
          }
        }
        if (!Msg.empty()) break;
      }
    }
  } catch (...) {
    data->GotoBookmark(current);
    data->EnableControls();
    throw;
  }
  data->GotoBookmark(current);
  data->EnableControls();
}
