// The expense advance form: set-up, the document load, search, and the edit commands.
#include "documents/fano217/frmfano217.h"

#include <string>
#include <unordered_map>

#include "controls/cvpagecontrol.h"
#include "controls/flatcheckbox.h"
#include "controls/flatpanel.h"
#include "documents/fano217/dmfano217.h"
#include "editors/dbcombobox.h"
#include "editors/dbdatetime.h"
#include "editors/dbeditbase.h"
#include "grid/dbgrid.h"
#include "platform/classes/classreg.h"
#include "platform/classes/published.h"
#include "platform/db/fields.h"
#include "platform/forms/forms.h"
#include "platform/rtl/sysutils.h"
#include "protocol/cvprotocol.h"
#include "shell/calldialog.h"
#include "shell/globalvar.h"

FANO_IMPLEMENT_COMPONENT(TfrmFano217, TfrmDoubleSimple)

FANO_PUBLISHED(TfrmFano217, p) {
  p.Field("DBEditGx1", &TfrmFano217::DBEditGx1);
  p.Field("DBEditGx2", &TfrmFano217::DBEditGx2);
  p.Field("DBEditGx16", &TfrmFano217::DBEditGx16);
  p.Field("DBEditGx4", &TfrmFano217::DBEditGx4);
  p.Field("DBEditGx11", &TfrmFano217::DBEditGx11);
  p.Field("DBEditGx6", &TfrmFano217::DBEditGx6);
  p.Field("DBEditGx9", &TfrmFano217::DBEditGx9);
  p.Field("DBEditGx17", &TfrmFano217::DBEditGx17);
  p.Field("DBComboBoxGx1", &TfrmFano217::DBComboBoxGx1);
  p.Field("DBCheckBoxGx1", &TfrmFano217::DBCheckBoxGx1);
  p.Field("DBDateTimeEditGx1", &TfrmFano217::DBDateTimeEditGx1);
  p.Field("DBEditGx10", &TfrmFano217::DBEditGx10);
  p.Field("DBEditGx14", &TfrmFano217::DBEditGx14);
  p.Field("DBEditGx18", &TfrmFano217::DBEditGx18);
  p.Field("DBEditGx19", &TfrmFano217::DBEditGx19);
  p.Field("DBEditGx5", &TfrmFano217::DBEditGx5);
  p.Field("DBEditGx8", &TfrmFano217::DBEditGx8);
  p.Field("DBEditGx21", &TfrmFano217::DBEditGx21);
  p.Field("DBComboBoxGx2", &TfrmFano217::DBComboBoxGx2);
  p.Field("DBEditGx3", &TfrmFano217::DBEditGx3);
  p.Field("DBEditGx12", &TfrmFano217::DBEditGx12);
  p.Field("DBDateTimeEditGx4", &TfrmFano217::DBDateTimeEditGx4);
  p.Field("DBEditGx13", &TfrmFano217::DBEditGx13);
  p.Field("DBEditGx15", &TfrmFano217::DBEditGx15);
  p.Field("DBDateTimeEditGx5", &TfrmFano217::DBDateTimeEditGx5);
  p.Field("pnl1", &TfrmFano217::pnl1);
  p.Field("DBEditGx20", &TfrmFano217::DBEditGx20);
  p.Method("grdAllViewCellClick", &TfrmFano217::grdAllViewCellClick);
  p.Method("grdMainColExit", &TfrmFano217::grdMainColExit);
  p.Method("DBEditGx1EditButtons0Click", &TfrmFano217::DBEditGx1EditButtons0Click);
  p.Method("DBEditGx4EditButtons0Click", &TfrmFano217::DBEditGx4EditButtons0Click);
  p.Method("DBEditGx6EditButtons0Click", &TfrmFano217::DBEditGx6EditButtons0Click);
  p.Method("DBEditGx9EditButtons0Click", &TfrmFano217::DBEditGx9EditButtons0Click);
  p.Method("DBEditGx10EditButtons0Click", &TfrmFano217::DBEditGx10EditButtons0Click);
  p.Method("DBEditGx18EditButtons0Click", &TfrmFano217::DBEditGx18EditButtons0Click);
  p.Method("DBEditGx5EditButtons0Click", &TfrmFano217::DBEditGx5EditButtons0Click);
}

namespace {

// The texts of the form's boxes.
constexpr const char* kNoNewWhileEditing = "编辑状态无法新增记录！";
constexpr const char* kEmpty = "数据集为空！";
constexpr const char* kNoDeleteWhileEditing = "编辑状态无法删除记录！";
constexpr const char* kDeleteQuestion = "您确定要删除该笔数据吗？";
constexpr const char* kNoSaveWhileBrowsing = "浏览状态无法保存记录！";
constexpr const char* kCloseQuestion = "有数据未保存，您确定要退出当前窗体吗？";
constexpr const char* kSaved = "保存成功！";
constexpr const char* kDeleted = "删除成功！";
// The header fields a save needs.
constexpr const char* kRequiredHeaderFields =
    "BILDA001,BILDA002,BILDA003,BILDA004,BILDA005,BILDA006,BILDA009,BILDA010,BILDA012,BILDA018";

bool Editing(const TDataSet* ds) { return ds->State() == dsEdit || ds->State() == dsInsert; }

void PostIfEditing(TDataSet* ds) {
  if (ds->Active() && Editing(ds)) ds->Post();
}

// A line appended and left untouched is given up, as the grid does when the cursor leaves it.
void CancelUntouchedInsert(TDataSet* ds) {
  if (ds->Active() && ds->State() == dsInsert && !ds->Modified()) ds->Cancel();
}

void FirstAndEmpty(TMemTableGx* table) {
  if (!table->Active()) return;
  table->First();
  table->EmptyTable();
}

void FocusIfPossible(TWinControl* control) {
  // Only on a form on screen: a hidden one cannot take the focus.
  if (control && control->Showing() && control->CanFocus()) control->SetFocus();
}

}  // namespace

TfrmFano217::TfrmFano217(TComponent* owner) : TfrmDoubleSimple(owner) {}

int32_t TfrmFano217::Notice(std::string_view Text, int32_t Flags) {
  return CallDialog::HostMessageBox(CallDialog::kBoxCaption, Text, Flags);
}

// ---- life cycle ---------------------------------------------------------------------------------

void TfrmFano217::InitData() {
  TfrmDoubleSimple::InitData();
  dm_ = CreateForm<TFano217DM>(this);
  SetDocumentDm(dm_);
  SetModuleCode("BIL");
  ShowLeftTop(false);
  // The header editors bind to the module's header source, which exists from here on.
  for (int i = 0; i < pnlMain->ControlCount(); ++i) {
    TControl* control = pnlMain->Controls(i);
    if (auto* edit = dynamic_cast<TCustomDBEditGx*>(control); edit && !edit->DataField().empty())
      edit->SetDataSource(dm_->dsMain);
  }
  SetupTable(dm_->mtblMain, dm_->mtblMainDelta, dm_->tbfldMain);
  SetupGridTable(grdAllView, dm_->mtblMain1, dm_->mtblMainDelta1, dm_->tbfldMain1);
  SetupGridTable(grdMain, dm_->mtblSub, dm_->mtblSubDelta, dm_->tbfldSub);
  FitListColumns();
  // A line deleted in the grid leaves the total at once (the document delete empties the lines
  // with the controls held and reloads).
  dm_->mtblSub->SetAfterDelete([this](TDataSet* lines) {
    if (!lines->ControlsDisabled()) UpdateTotalAmount();
  });
}

void TfrmFano217::SetupGridTable(TDBGridGx*& Grid, TMemTableGx*& Table, TMemTableGx*& Delta, TCvTbField*& TbField) {
  grdAllView->SetDataSource(dm_->dsMain1);
  grdMain->SetDataSource(dm_->dsSub);
  TfrmDoubleSimple::SetupGridTable(Grid, Table, Delta, TbField);
}

void TfrmFano217::ActivateData() {
  TfrmDoubleSimple::ActivateData();
  OpenHostSession("Fano217");
  LockContainers() = {pnlMain, pgcntrl, pnl1};
  SetEditState(esBrowse);
}

void TfrmFano217::FreeData() {
  // The grids and editors let go of the module's sources before it goes.
  if (grdAllView) grdAllView->SetDataSource(nullptr);
  if (grdMain) grdMain->SetDataSource(nullptr);
  for (int i = 0; pnlMain && i < pnlMain->ControlCount(); ++i)
    if (auto* edit = dynamic_cast<TCustomDBEditGx*>(pnlMain->Controls(i))) edit->SetDataSource(nullptr);
  SetDocumentDm(nullptr);
  delete dm_;
  dm_ = nullptr;
  CloseHostSession(SessionId());
  TfrmDoubleSimple::FreeData();
}

void TfrmFano217::ApplyColors() {
  TfrmDoubleSimple::ApplyColors();
  ApplyControlColors(pnlMain);
  ApplyControlColors(pnl1);
  ApplyControlColors(pnlLeft);
  ApplyPageControlColors(scrlbxMain->Color(), pgcntrl);
}

bool TfrmFano217::CanCloseForm() {
  if (EditState() == esBrowse) return true;
  return Notice(kCloseQuestion, HOST_BOX_YESNO) == HOST_BOX_YES;
}

// ---- load and search ----------------------------------------------------------------------------

bool TfrmFano217::ReadReply(std::string_view Reply, std::string_view What) {
  if (!ReadHostReply(Reply, What)) return false;
  if (Protocol()->Code() != 0) {
    ShowHostMessage(HOST_MESSAGE_ERROR, Protocol()->Info());
    return false;
  }
  return true;
}

void TfrmFano217::ShowCollectionFlag() {
  TField* flag = dm_->mtblMain->Active() ? dm_->mtblMain->FindField("BILDA013") : nullptr;
  DBCheckBoxGx1->SetChecked(flag && !dm_->mtblMain->IsEmpty() && flag->AsString() == "1");
}

void TfrmFano217::LoadDocument() {
  if (DataFreed() || !dm_) return;
  TCvProtocol* p = Protocol();
  p->Clear();
  TField* key = dm_->mtblMain1->FieldByName("BILDA_ID");
  p->GetParam(p->AddParam())->SetAsInteger(dm_->mtblMain1->IsEmpty() ? 0 : key->AsInteger());
  std::string request = p->BuildRequest();
  std::string reply;
  ExecHostCommand(SessionId(), "display", request, reply);
  if (ReadReply(reply, "display")) {
    if (p->GetTableCount() > 0) {
      // Pending edits go first: the copy replaces the rows.
      dm_->mtblMain->DisableControls();
      dm_->mtblSub->DisableControls();
      if (Editing(dm_->mtblMain)) dm_->mtblMain->Cancel();
      if (Editing(dm_->mtblSub)) dm_->mtblSub->Cancel();
      FirstAndEmpty(dm_->mtblMain);
      FirstAndEmpty(dm_->mtblSub);
      p->GetTable(0)->CopyDataTo(dm_->mtblMain);
      if (p->GetTableCount() > 1) p->GetTable(1)->CopyDataTo(dm_->mtblSub);
      dm_->mtblMain->MergeChangeLog();
      dm_->mtblSub->MergeChangeLog();
      dm_->mtblMain->First();
      dm_->mtblSub->First();
      dm_->mtblSub->EnableControls();
      dm_->mtblMain->EnableControls();
    }
    newNotListed_ = false;
    SetEditState(esBrowse);
    grdAllView->SetEnabled(true);
    UpdateTotalAmount();
  }
  ShowCollectionFlag();
}

void TfrmFano217::grdAllViewCellClick(TColumnGx*) { LoadDocument(); }

bool TfrmFano217::RefreshList() {
  std::string reply;
  HostSearch(TArgArr(), reply);
  if (reply.empty() || !ReadReply(reply, "search")) return false;
  if (Protocol()->GetTableCount() > 0) {
    TMemTableGx* list = dm_->mtblMain1;
    list->DisableControls();
    FirstAndEmpty(list);
    Protocol()->GetTable(0)->CopyDataTo(list);
    list->MergeChangeLog();
    list->First();
    list->EnableControls();
    FitListColumns();
  }
  return true;
}

void TfrmFano217::DoSearch() {
  TfrmDoubleSimple::DoSearch();
  // Open edits and pending deletions are given up without a question.
  if (Editing(dm_->mtblMain)) dm_->mtblMain->Cancel();
  if (Editing(dm_->mtblSub)) dm_->mtblSub->Cancel();
  const bool discard = EditState() != esBrowse;
  if (discard) {
    // Rows already posted go as well: a search the clerk closes without a choice loads nothing,
    // and unsaved rows would stay on screen as if stored.
    dm_->mtblMain->CancelUpdates();
    dm_->mtblSub->CancelUpdates();
    dm_->mtblMain1->CancelUpdates();
  }
  SetEditState(esBrowse);
  newNotListed_ = false;
  grdAllView->SetEnabled(true);
  if (discard) {
    UpdateTotalAmount();
    ShowCollectionFlag();
  }
  if (RefreshList()) LoadDocument();
}

// ---- edit commands --------------------------------------------------------------------------

void TfrmFano217::DoCancel() {
  TfrmDoubleSimple::DoCancel();
  if (EditState() == esBrowse) return;
  // The host's copy replaces whatever was changed: nothing of the edits is kept.
  if (Editing(dm_->mtblMain)) dm_->mtblMain->Cancel();
  if (Editing(dm_->mtblSub)) dm_->mtblSub->Cancel();
  dm_->mtblMain->CancelUpdates();
  dm_->mtblSub->CancelUpdates();
  dm_->mtblMain1->CancelUpdates();
  SetEditState(esBrowse);
  newNotListed_ = false;
  grdAllView->SetEnabled(true);
  // The stored lines are back: their total too, whether or not the host gives the document again.
  UpdateTotalAmount();
  LoadDocument();
}

void TfrmFano217::DoNew() {
  TfrmDoubleSimple::DoNew();
  if (EditState() != esBrowse) {
    Notice(kNoNewWhileEditing, HOST_BOX_NOTICE);
    return;
  }
  FirstAndEmpty(dm_->mtblMain);
  FirstAndEmpty(dm_->mtblSub);
  DBEditGx20->SetText("");
  FocusIfPossible(DBEditGx1);
  SetEditState(esNew);
  newNotListed_ = true;
  dm_->mtblMain->Append();
  dm_->mtblSub->Append();
  TDataSet* h = dm_->mtblMain;
  h->FieldByName("BILDA014")->SetAsInteger(GlobalVar::HostUserId());
  h->FieldByName("BILDA014C1")->SetAsString(GlobalVar::HostUserAccount());
  h->FieldByName("BILDA014C2")->SetAsString(GlobalVar::HostUserName());
  h->FieldByName("BILDA015")->SetAsDateTime(Now());
  DBComboBoxGx2->SetItemIndex(0);
  SetFixedEditorsReadOnly(true);
  grdAllView->SetEnabled(false);
  ShowCollectionFlag();
}

void TfrmFano217::DoUpdate() {
  TfrmDoubleSimple::DoUpdate();
  if (dm_->mtblMain->IsEmpty() && !Editing(dm_->mtblMain)) {
    Notice(kEmpty, HOST_BOX_EMPTY);
  } else {
    FocusIfPossible(DBEditGx1);
    // The state change posts what is being edited: a blank appended line would be stored.
    CancelUntouchedInsert(dm_->mtblSub);
    SetEditState(esEditing);
    dm_->mtblMain->Edit();
    if (!dm_->mtblSub->IsEmpty()) dm_->mtblSub->Edit();
    // A click on the list would load another document over the edit: locked as for a new one.
    grdAllView->SetEnabled(false);
  }
  SetFixedEditorsReadOnly(true);
}

void TfrmFano217::DoDelete() {
  TfrmDoubleSimple::DoDelete();
  if (EditState() != esBrowse) {
    Notice(kNoDeleteWhileEditing, HOST_BOX_NOTICE);
    return;
  }
  if (dm_->mtblMain->IsEmpty()) {
    Notice(kEmpty, HOST_BOX_EMPTY);
    return;
  }
  if (Notice(kDeleteQuestion, HOST_BOX_YESNO) != HOST_BOX_YES) return;
  // The list row of the document shown goes, wherever the list's cursor stands.
  TField* shownKey = dm_->mtblMain->FieldByName("BILDA_ID");
  const bool listed = !shownKey->IsNull() && FindListRow(shownKey->AsInteger());
  dm_->mtblMain->Delete();
  if (listed) dm_->mtblMain1->Delete();
  dm_->mtblSub->DisableControls();
  try {
    while (!dm_->mtblSub->IsEmpty()) {
      dm_->mtblSub->First();
      dm_->mtblSub->Delete();
    }
  } catch (...) {
    dm_->mtblSub->EnableControls();
    throw;
  }
  dm_->mtblSub->EnableControls();
  SetEditState(esEditing);
  // A delete inserts nothing, so no key can be missing from a success.
  if (SendChanges() == TSaveResult::Refused) {
    // The host kept the document: so does the form.
    dm_->mtblMain->CancelUpdates();
    dm_->mtblSub->CancelUpdates();
    dm_->mtblMain1->CancelUpdates();
    FirstAndEmpty(dm_->mtblMainDelta);
    FirstAndEmpty(dm_->mtblSubDelta);
    FirstAndEmpty(dm_->mtblMainDelta1);
    SetEditState(esBrowse);
    UpdateTotalAmount();
    ShowCollectionFlag();
    return;
  }
  dm_->mtblMain1->MergeChangeLog();
  FirstAndEmpty(dm_->mtblMainDelta1);
  Notice(kDeleted, HOST_BOX_NOTICE);
  MergeTables();
  SetEditState(esBrowse);
  LoadDocument();
}

void TfrmFano217::DoSave() {
  TfrmDoubleSimple::DoSave();
  if (EditState() == esBrowse) {
    Notice(kNoSaveWhileBrowsing, HOST_BOX_NOTICE);
    return;
  }
  // The check box is bound to nothing: after a refused or incomplete save the header is posted,
  // and a tick given then would not reach it.
  TMemTableGx* shown = dm_->mtblMain;
  if (TField* flag = shown->Active() ? shown->FindField("BILDA013") : nullptr;
      flag && !Editing(shown) && !shown->IsEmpty() && (flag->AsString() == "1") != DBCheckBoxGx1->Checked())
    shown->Edit();
  PostIfEditing(dm_->mtblMain);
  if (dm_->mtblMain->IsEmpty()) {
    Notice(kEmpty, HOST_BOX_EMPTY);
    return;
  }
  std::string label;
  TDataSet* header = dm_->mtblMain;
  CheckFieldValues(1, header, kRequiredHeaderFields, label);
  if (!label.empty()) {
    Notice("[" + label + "] 不得为空！", HOST_BOX_NOTICE);
    return;
  }
  CancelUntouchedInsert(dm_->mtblSub);
  PostIfEditing(dm_->mtblSub);
  switch (SendChanges()) {
    case TSaveResult::Refused: return;
    case TSaveResult::Unkeyed: ReloadSavedDocument(); return;
    case TSaveResult::Stored: break;
  }
  CopyHeaderToList(EditState() == esNew || newNotListed_);
  Notice(kSaved, HOST_BOX_NOTICE);
  SetEditState(esBrowse);
  MergeTables();
  grdAllView->SetEnabled(true);
  UpdateTotalAmount();
}

void TfrmFano217::ReloadSavedDocument() {
  TMemTableGx* header = dm_->mtblMain;
  TField* key = header->FieldByName("BILDA_ID");
  const bool keyed = !header->IsEmpty() && !key->IsNull();
  const std::string number = header->IsEmpty() ? std::string() : header->FieldByName("BILDA002")->AsString();
  // The list's row of the document: the display request asks for the key it holds.
  if (keyed) CopyHeaderToList(EditState() == esNew || newNotListed_);
  // What was sent is stored: no row stays new or changed for a second save to send again.
  MergeTables();
  Notice(kSaved, HOST_BOX_NOTICE);
  SetEditState(esBrowse);
  newNotListed_ = false;
  grdAllView->SetEnabled(true);
  if (!keyed) {
    // A new document whose key the reply did not give: the host's list has it, found by its number.
    dm_->mtblMain->DisableControls();
    dm_->mtblSub->DisableControls();
    FirstAndEmpty(dm_->mtblMain);
    FirstAndEmpty(dm_->mtblSub);
    dm_->mtblSub->EnableControls();
    dm_->mtblMain->EnableControls();
    UpdateTotalAmount();
    ShowCollectionFlag();
    if (!RefreshList()) return;
    TMemTableGx* list = dm_->mtblMain1;
    if (list->IsEmpty() || !list->Locate("BILDA002", Variant(number), {})) return;
  }
  LoadDocument();
}

void TfrmFano217::FitListColumns() {
  // Each shown column as wide as its title and its texts (3 pixels of margin either side), so that
  // the four of them fit the list's column of the form at its usual size.
  TMeasureCanvas measure;
  TCanvas* canvas = measure.Canvas();
  TMemTableGx* list = dm_->mtblMain1;
  std::vector<TColumnGx*> columns;
  std::vector<int> widths;
  for (int i = 0; i < grdAllView->Columns()->Count(); ++i) {
    TColumnGx* column = grdAllView->Columns()->Items(i);
    if (!column->Visible()) continue;
    canvas->Font()->Assign(column->Title()->Font());
    columns.push_back(column);
    widths.push_back(canvas->TextWidth(column->Title()->Caption()) + 6);
  }
  if (list->Active() && !list->IsEmpty()) {
    TBookmark current = list->GetBookmark();
    list->DisableControls();
    // A list of many thousand documents repeats its stalls, merchants and dates: each text is
    // measured once per column, and a column's font is taken only when another one was in use.
    std::vector<std::unordered_map<std::string, int>> measured(columns.size());
    TFont* inUse = nullptr;
    for (list->First(); !list->Eof(); list->Next()) {
      for (size_t i = 0; i < columns.size(); ++i) {
        TField* field = columns[i]->Field();
        if (!field) continue;
        auto [at, added] = measured[i].try_emplace(field->DisplayText(), 0);
        if (!added) continue;
        if (inUse != columns[i]->Font()) {
          inUse = columns[i]->Font();
          canvas->Font()->Assign(inUse);
        }
        at->second = canvas->TextWidth(at->first) + 6;
        widths[i] = std::max(widths[i], at->second);
      }
    }
    if (list->BookmarkValid(current)) list->GotoBookmark(current);
    list->EnableControls();
  }
  for (size_t i = 0; i < columns.size(); ++i) columns[i]->SetWidth(widths[i]);
}

bool TfrmFano217::FindListRow(int32_t Id) {
  TMemTableGx* list = dm_->mtblMain1;
  return list->Active() && !list->IsEmpty() && list->Locate("BILDA_ID", Variant(Id), {});
}

void TfrmFano217::CopyHeaderToList(bool Append) {
  TMemTableGx* list = dm_->mtblMain1;
  TDataSet* header = dm_->mtblMain;
  // The row of the document shown, not whichever row the list's cursor was moved to.
  TField* key = header->FieldByName("BILDA_ID");
  if (Append || key->IsNull() || !FindListRow(key->AsInteger()))
    list->Append();
  else
    list->Edit();
  list->FieldByName("BILDA_ID")->SetAsInteger(header->FieldByName("BILDA_ID")->AsInteger());
  for (const char* name : {"BILDA002", "BILDA007C1", "BILDA006C1"})
    list->FieldByName(name)->SetAsString(header->FieldByName(name)->AsString());
  TField* date = header->FieldByName("BILDA003");
  if (date->IsNull())
    list->FieldByName("BILDA003")->Clear();
  else
    list->FieldByName("BILDA003")->SetAsDateTime(date->AsDateTime());
  list->Post();
  newNotListed_ = false;
}

void TfrmFano217::MergeTables() {
  PostIfEditing(dm_->mtblMain);
  PostIfEditing(dm_->mtblSub);
  PostIfEditing(dm_->mtblMain1);
  dm_->mtblMain->MergeChangeLog();
  dm_->mtblSub->MergeChangeLog();
  dm_->mtblMain1->MergeChangeLog();
  FirstAndEmpty(dm_->mtblMainDelta);
  FirstAndEmpty(dm_->mtblSubDelta);
}
