#include "shell/shellform.h"

#include "platform/classes/published.h"
#include "platform/db/fields.h"
#include "protocol/cvprotocol.h"
#include "shell/calldialog.h"

FANO_IMPLEMENT_COMPONENT(TfrmShellDocument, TfrmChildBase)

FANO_PUBLISHED(TfrmShellDocument, p) { p.Method("chldcmndLookupExecute", &TfrmShellDocument::chldcmndLookupExecute); }

namespace {
// The rows of reply table i, 0 when there is none.
int ReplyRows(TCvProtocol* p, int i) {
  if (i >= p->GetTableCount()) return 0;
  TMemTableGx* data = p->GetTable(i)->Data();
  return data && data->Active() ? data->RecordCount() : 0;
}
}  // namespace

TfrmShellDocument::TfrmShellDocument(TComponent* owner) : TfrmChildBase(owner) {}

void TfrmShellDocument::InitData() {
  TfrmChildBase::InitData();
  SetModuleCode("BIL");
}

void TfrmShellDocument::ActivateData() {
  TfrmChildBase::ActivateData();
  OpenHostSession("Fano217");
  SetEditState(esBrowse);
}

void TfrmShellDocument::FreeData() {
  CloseHostSession(SessionId());
  TfrmChildBase::FreeData();
}

bool TfrmShellDocument::CanCloseForm() {
  if (EditState() == esBrowse) return true;
  return CallDialog::HostMessageBox(CallDialog::kBoxCaption, ShellTexts::kCloseQuestion, HOST_BOX_YESNO) ==
         HOST_BOX_YES;
}

void TfrmShellDocument::DoNew() {
  if (EditState() != esBrowse) {
    CallDialog::HostMessageBox(CallDialog::kBoxCaption, ShellTexts::kNoNewWhileEditing, HOST_BOX_NOTICE);
    return;
  }
  SetEditState(esNew);
}

void TfrmShellDocument::DoUpdate() { SetEditState(esEditing); }

void TfrmShellDocument::DoSave() {
  if (EditState() == esBrowse) {
    CallDialog::HostMessageBox(CallDialog::kBoxCaption, ShellTexts::kNoSaveWhileBrowsing, HOST_BOX_NOTICE);
    return;
  }
  SetEditState(esBrowse);
}

void TfrmShellDocument::DoCancel() {
  if (EditState() == esBrowse) return;
  SetEditState(esBrowse);
  if (documentId_ != 0) LoadDocument(documentId_);
}

void TfrmShellDocument::DoSearch() {
  SetEditState(esBrowse);
  std::string reply;
  HostSearch(TArgArr(), reply);
  if (reply.empty() || !ReadReply(reply, "search")) return;
  listRows_ = ReplyRows(Protocol(), 0);
  if (listRows_ == 0) return;
  TMemTableGx* list = Protocol()->GetTable(0)->Data();
  list->First();
  TField* key = list->FindField("BILDA_ID");
  if (key) LoadDocument(key->AsInteger());
}

bool TfrmShellDocument::ReadReply(std::string_view reply, std::string_view what) {
  if (!ReadHostReply(reply, what)) return false;
  if (Protocol()->Code() != 0) {
    ShowHostMessage(HOST_MESSAGE_ERROR, Protocol()->Info());
    return false;
  }
  return true;
}

bool TfrmShellDocument::LoadDocument(int32_t id) {
  if (DataFreed()) return false;
  TCvProtocol* p = Protocol();
  p->Clear();
  p->GetParam(p->AddParam())->SetAsInteger(id);
  std::string request = p->BuildRequest();
  std::string reply;
  ExecHostCommand(SessionId(), "display", request, reply);
  if (!ReadReply(reply, "display")) return false;
  if (p->GetTableCount() > 0) {
    documentId_ = id;
    headerRows_ = ReplyRows(p, 0);
    lineRows_ = ReplyRows(p, 1);
  }
  SetEditState(esBrowse);
  return true;
}

bool TfrmShellDocument::Lookup(std::string_view view, const TArgArr& args) {
  if (DataFreed()) return false;
  std::string reply;
  HostLookup(view, 0, 1, 0, args, reply);
  if (reply.empty() || !ReadReply(reply, "lookup")) return false;
  lookupRows_ = ReplyRows(Protocol(), 0);
  return true;
}

void TfrmShellDocument::chldcmndLookupExecute(TObject* sender) {
  auto* command = dynamic_cast<TCommand*>(sender);
  if (command && !command->Data().empty()) Lookup(command->Data(), TArgArr());
}
