#include "shell/childbase.h"

#include "controls/cvpagecontrol.h"
#include "controls/flatcheckbox.h"
#include "controls/flatcombobox.h"
#include "controls/flatedit.h"
#include "controls/flatpanel.h"
#include "controls/flatspeedbutton.h"
#include "controls/register.h"
#include "editors/dbcheckbox.h"
#include "editors/dbcombobox.h"
#include "editors/dbdatetime.h"
#include "editors/dbeditbase.h"
#include "editors/dbnumberedit.h"
#include "grid/dbgrid.h"
#include "memtable/memtable.h"
#include "platform/forms/extctrls.h"
#include "platform/classes/classreg.h"
#include "platform/classes/published.h"
#include "platform/forms/cmessages.h"
#include "platform/rtl/strings.h"
#include "protocol/cvprotocol.h"
#include "shell/globalvar.h"

FANO_IMPLEMENT_ABSTRACT(TfrmChildBase, TForm)

FANO_PUBLISHED(TfrmChildBase, p) {
  p.Field("pnlFormTitle", &TfrmChildBase::pnlFormTitle);
  p.Field("pnlFormTileRight", &TfrmChildBase::pnlFormTileRight);
  p.Field("pbTitleRight", &TfrmChildBase::pbTitleRight);
  p.Field("pnlFormTitleLeft", &TfrmChildBase::pnlFormTitleLeft);
  p.Field("pnlFormTitleBtn", &TfrmChildBase::pnlFormTitleBtn);
  p.Field("pnlFormTitleCloseBtn", &TfrmChildBase::pnlFormTitleCloseBtn);
  p.Field("btnFormTitleColse", &TfrmChildBase::btnFormTitleColse);
  p.Field("pnlFormTitleMaxBtn", &TfrmChildBase::pnlFormTitleMaxBtn);
  p.Field("btnFormTitleMax", &TfrmChildBase::btnFormTitleMax);
  p.Field("pnlFormTitleMinBtn", &TfrmChildBase::pnlFormTitleMinBtn);
  p.Field("btnFormTitleMin", &TfrmChildBase::btnFormTitleMin);
  p.Field("pnlFormTileMid", &TfrmChildBase::pnlFormTileMid);
  p.Field("chldcmnd", &TfrmChildBase::chldcmnd);
  p.Field("chldcmndBase", &TfrmChildBase::chldcmndBase);
  p.Method("FormCreate", &TfrmChildBase::FormCreate);
  p.Method("FormShow", &TfrmChildBase::FormShow);
  p.Method("FormActivate", &TfrmChildBase::FormActivate);
  p.Method("pnlFormTileMidMouseDown", &TfrmChildBase::pnlFormTileMidMouseDown);
  p.Method("pbTitleRightPaint", &TfrmChildBase::pbTitleRightPaint);
  p.Method("FormClose", &TfrmChildBase::FormClose);
  p.Method("FormKeyDown", &TfrmChildBase::FormKeyDown);
  p.Method("btnFormTitleMinClick", &TfrmChildBase::btnFormTitleMinClick);
  p.Method("btnFormTitleMaxClick", &TfrmChildBase::btnFormTitleMaxClick);
  p.Method("btnFormTitleColseClick", &TfrmChildBase::btnFormTitleColseClick);
  p.Method("chldcmndBaseCommands0Execute", &TfrmChildBase::chldcmndBaseCommands0Execute);
  p.Method("chldcmndBaseCommands1Execute", &TfrmChildBase::chldcmndBaseCommands1Execute);
  p.Method("chldcmndBaseCommands2Execute", &TfrmChildBase::chldcmndBaseCommands2Execute);
  p.Method("chldcmndBaseCommands3Execute", &TfrmChildBase::chldcmndBaseCommands3Execute);
  p.Method("chldcmndBaseCommands4Execute", &TfrmChildBase::chldcmndBaseCommands4Execute);
  p.Method("chldcmndBaseCommands5Execute", &TfrmChildBase::chldcmndBaseCommands5Execute);
  p.Method("chldcmndBaseCommands6Execute", &TfrmChildBase::chldcmndBaseCommands6Execute);
  p.Method("chldcmndBaseCommands7Execute", &TfrmChildBase::chldcmndBaseCommands7Execute);
  p.Method("chldcmndBaseCommands8Execute", &TfrmChildBase::chldcmndBaseCommands8Execute);
  p.Method("chldcmndBaseCommands9Execute", &TfrmChildBase::chldcmndBaseCommands9Execute);
}

namespace {
// The classes that the forms' resources name, registered before the first form reads its own.
void RegisterFormClasses() {
  static const bool registered = [] {
    RegisterFlatControlsClasses();
    RegisterDBEditClasses();
    RegisterDBDateTimeEditClasses();
    RegisterDBComboBoxClasses();
    RegisterDBNumberEditClasses();
    RegisterDBCheckBoxClasses();
    RegisterDBGridClasses();
    return true;
  }();
  (void)registered;
}
}  // namespace

TfrmChildBase::TfrmChildBase(TComponent* owner) : TForm(owner) { RegisterFormClasses(); }

TfrmChildBase::~TfrmChildBase() = default;

// ---- life cycle -------------------------------------------------------------------------------

void TfrmChildBase::FormCreate(TObject*) {
  sessionId_ = 0;
  sizeCommand_ = SC_RESTORE;
  ShowTitle(true);
  editState_ = esInitial;  // stored directly: nothing to lock yet
  TBorderIcons icons = BorderIcons();
  if (pnlFormTitleMinBtn) pnlFormTitleMinBtn->SetVisible(icons.Contains(biMinimize));
  if (pnlFormTitleMaxBtn) pnlFormTitleMaxBtn->SetVisible(icons.Contains(biMaximize));
  if (pnlFormTitleCloseBtn) pnlFormTitleCloseBtn->SetVisible(icons.Contains(biSystemMenu));
  MakeTitleGlyphs();
  InitData();
}

void TfrmChildBase::FormShow(TObject*) {
  if (pnlFormTileMid) pnlFormTileMid->SetCaption(Caption());
}

void TfrmChildBase::Activate() {
  // A copy: the handler clears the form's own event while it runs.
  TNotifyEvent handler = OnActivate;
  if (handler) handler(this);
}

void TfrmChildBase::FormActivate(TObject*) {
  OnActivate = nullptr;  // the first activation only
  if (dataFreed_) return;
  ActivateData();
  AfterActivate();
}

void TfrmChildBase::FormClose(TObject*, TCloseAction&) {
  // The host may ask again after the close: the data goes once, and its session with it.
  if (dataFreed_) return;
  dataFreed_ = true;
  FreeData();
}

void TfrmChildBase::InitData() { protocol_ = std::make_unique<TCvProtocol>(); }

void TfrmChildBase::FreeData() {
  protocol_.reset();
  lockContainers_.clear();
}

void TfrmChildBase::ActivateData() {
  if (pbTitleRight) pbTitleRight->Invalidate();
}

void TfrmChildBase::ShowTitle(bool Visible) {
  titleVisible_ = Visible;
  if (!pnlFormTitle) return;
  pnlFormTitle->SetVisible(Visible);
  pnlFormTitle->SetHeight(Visible ? kTitleHeight : 0);
}

void TfrmChildBase::SetEditState(uint8_t NewState) {
  closeAgreed_ = false;
  editState_ = NewState;
  if (documentDm_) {
    for (int i = 0; i < documentDm_->ComponentCount(); ++i) {
      auto* table = dynamic_cast<TMemTableGx*>(documentDm_->Components(i));
      if (!table) continue;
      if (table->Tag() != kDataTableTag && table->Tag() != kDeltaTableTag) continue;
      if (table->State() == dsEdit || table->State() == dsInsert) table->Post();
      if (table->Tag() == kDeltaTableTag && NewState == esBrowse) table->EmptyTable();
    }
  }
  if (NewState == esEditing || NewState == esNew)
    SetReadOnly(false, lockContainers_);
  else if (NewState == esBrowse || NewState == esInitial)
    SetReadOnly(true, lockContainers_);
}

// ---- locking ----------------------------------------------------------------------------------

void TfrmChildBase::SetReadOnly(bool ReadOnly, const std::vector<TWinControl*>& Containers) {
  for (TWinControl* container : Containers) {
    if (auto* pages = dynamic_cast<TCvPageControl*>(container)) {
      for (int i = 0; i < pages->GetPageCount(); ++i) SetContainerReadOnly(ReadOnly, pages->GetPage(i));
    } else if (dynamic_cast<TCustomPanel*>(container)) {
      SetContainerReadOnly(ReadOnly, container);
    }
  }
}

bool TfrmChildBase::IsControlReadOnly(TDataSource* DataSource, std::string_view DataField, bool ReadOnly) {
  if (ReadOnly || !DataSource || Trim(std::string(DataField)).empty()) return ReadOnly;
  try {
    TDataSet* data = DataSource->DataSet();
    if (!data) return false;
    // A joined text is never sent to the host: typed into an editor it would be lost.
    TField* field = data->FieldByName(Trim(std::string(DataField)));
    return field->ReadOnly() || field->IsJoin();
  } catch (...) {
    return false;  // no such field: the flag alone decides
  }
}

void TfrmChildBase::SetContainerReadOnly(bool ReadOnly, TWinControl* Container) {
  if (!Container) return;
  for (int i = 0; i < Container->ControlCount(); ++i) {
    TControl* control = Container->Controls(i);
    if (TCustomDBEditGx* edit = AsFieldEditor(control)) {
      edit->SetReadOnly(IsControlReadOnly(edit->DataSource(), edit->DataField(), ReadOnly));
    } else if (auto* check = dynamic_cast<TDBCheckBoxGx*>(control)) {
      check->SetReadOnly(IsControlReadOnly(check->DataSource(), check->DataField(), ReadOnly));
    } else if (auto* edit = dynamic_cast<TFlatEdit*>(control)) {
      edit->SetReadOnly(ReadOnly);
    } else if (auto* memo = dynamic_cast<TFlatMemo*>(control)) {
      memo->SetReadOnly(ReadOnly);
    } else if (dynamic_cast<TFlatComboBox*>(control) || dynamic_cast<TFlatCheckBox*>(control) ||
               dynamic_cast<TFlatRadioButton*>(control)) {
      control->SetEnabled(!ReadOnly);
    } else if (auto* grid = dynamic_cast<TDBGridGx*>(control)) {
      grid->SetReadOnly(ReadOnly);
    }
  }
}

TCustomDBEditGx* TfrmChildBase::AsFieldEditor(TControl* control) {
  if (auto* e = dynamic_cast<TDBEditGx*>(control)) return e;
  if (auto* e = dynamic_cast<TDBDateTimeEditGx*>(control)) return e;
  if (auto* e = dynamic_cast<TDBComboBoxGx*>(control)) return e;
  if (auto* e = dynamic_cast<TDBNumberEditGx*>(control)) return e;
  return nullptr;
}

// ---- title strip ------------------------------------------------------------------------------

namespace {
// A 16 x 16 glyph in silver on the colour that the speed button makes transparent (its
// bottom-left pixel).
void DrawGlyph(TFlatSpeedButton* button, const std::function<void(TCanvas*)>& draw) {
  if (!button) return;
  TBitmap bmp;
  bmp.SetWidth(16);
  bmp.SetHeight(16);
  TCanvas* c = bmp.Canvas();
  c->Brush()->SetColor(clFuchsia);
  c->FillRect(TRect{0, 0, 16, 16});
  c->Pen()->SetColor(clSilver);
  c->Brush()->SetColor(clSilver);
  draw(c);
  button->SetGlyph(&bmp);
}
}  // namespace

void TfrmChildBase::MakeTitleGlyphs() {
  DrawGlyph(btnFormTitleMin, [](TCanvas* c) { c->FillRect(TRect{4, 10, 12, 12}); });
  DrawGlyph(btnFormTitleMax, [](TCanvas* c) {
    c->FillRect(TRect{3, 3, 13, 5});
    c->Brush()->SetStyle(bsClear);
    c->Rectangle(3, 3, 13, 13);
  });
  DrawGlyph(btnFormTitleColse, [](TCanvas* c) {
    for (int i = 0; i < 8; ++i) {
      c->FillRect(TRect{4 + i, 4 + i, 6 + i, 5 + i});
      c->FillRect(TRect{10 - i, 4 + i, 12 - i, 5 + i});
    }
  });
}

void TfrmChildBase::pnlFormTileMidMouseDown(TObject*, TMouseButton, TShiftState, int, int) {
  ReleaseCapture();
  SendMessage(Handle(), WM_SYSCOMMAND, kMoveByTitle, 0);
}

void TfrmChildBase::pbTitleRightPaint(TObject*) { PaintTitleRight(); }

void TfrmChildBase::PaintTitleRight() {
  if (!pbTitleRight) return;
  const ColorSchemeRecord* scheme = GlobalVar::ColorScheme;
  TColor title = scheme ? static_cast<TColor>(scheme->TitleColor) : pnlFormTitle ? pnlFormTitle->Color() : Color();
  TColor form = scheme ? static_cast<TColor>(scheme->FormColor) : Color();
  TCanvas* c = pbTitleRight->Canvas();
  const int l = 0, t = 0, w = pbTitleRight->Width(), h = pbTitleRight->Height();
  c->Pen()->SetStyle(psSolid);
  c->Pen()->SetMode(pmCopy);
  c->Brush()->SetStyle(bsSolid);
  c->Pen()->SetColor(title);
  c->Brush()->SetColor(title);
  c->Polygon({TPoint{l, t}, TPoint{l, t + h}, TPoint{l + w, t}});
  c->Pen()->SetColor(form);
  c->Brush()->SetColor(form);
  c->Polygon({TPoint{l, t + h}, TPoint{l + w, t + h}, TPoint{l + w, t}});
}

// ---- keys and the title strip -----------------------------------------------------------------

void TfrmChildBase::FormKeyDown(TObject*, uint16_t& key, TShiftState shift) {
  if (key != VK_TAB) return;
  Perform(WM_NEXTDLGCTL, shift.Contains(ssShift) ? 1 : 0, 0);
}

void TfrmChildBase::btnFormTitleMinClick(TObject*) { PostMessage(Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0); }

void TfrmChildBase::btnFormTitleMaxClick(TObject*) {
  sizeCommand_ = sizeCommand_ == SC_MAXIMIZE ? SC_RESTORE : SC_MAXIMIZE;
  PostMessage(Handle(), WM_SYSCOMMAND, sizeCommand_, 0);
}

void TfrmChildBase::btnFormTitleColseClick(TObject*) {
  if (!CanCloseForm()) return;
  PostMessage(Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
  if (GlobalVar::HostWindow)
    PostMessage(GlobalVar::HostWindow, HM_CHILDCLOSED, reinterpret_cast<WPARAM>(Handle()), 0);
}

// ---- commands ---------------------------------------------------------------------------------

void TfrmChildBase::RunCommand(void (TfrmChildBase::*operation)()) {
  closeAgreed_ = false;
  if (dataFreed_) return;
  (this->*operation)();
}

void TfrmChildBase::chldcmndBaseCommands0Execute(TObject*) { RunCommand(&TfrmChildBase::DoNew); }
void TfrmChildBase::chldcmndBaseCommands1Execute(TObject*) { RunCommand(&TfrmChildBase::DoUpdate); }
void TfrmChildBase::chldcmndBaseCommands2Execute(TObject*) { RunCommand(&TfrmChildBase::DoDelete); }
void TfrmChildBase::chldcmndBaseCommands3Execute(TObject*) { RunCommand(&TfrmChildBase::DoSave); }
void TfrmChildBase::chldcmndBaseCommands4Execute(TObject*) { RunCommand(&TfrmChildBase::DoSearch); }
void TfrmChildBase::chldcmndBaseCommands5Execute(TObject*) { RunCommand(&TfrmChildBase::DoCancel); }
void TfrmChildBase::chldcmndBaseCommands6Execute(TObject*) { RunCommand(&TfrmChildBase::DoFirst); }
void TfrmChildBase::chldcmndBaseCommands7Execute(TObject*) { RunCommand(&TfrmChildBase::DoPrior); }
void TfrmChildBase::chldcmndBaseCommands8Execute(TObject*) { RunCommand(&TfrmChildBase::DoNext); }
void TfrmChildBase::chldcmndBaseCommands9Execute(TObject*) { RunCommand(&TfrmChildBase::DoLast); }

void TfrmChildBase::RegisterCommands() {
  hostCommands_ = chldcmnd;
  SendMessage(GlobalVar::HostWindow, HM_REGISTERCOMMANDS, reinterpret_cast<WPARAM>(&hostCommands_), 0);
}

void TfrmChildBase::RegisterBaseCommands() {
  hostBaseCommands_ = chldcmndBase;
  SendMessage(GlobalVar::HostWindow, HM_REGISTERBASECOMMANDS, reinterpret_cast<WPARAM>(&hostBaseCommands_), 0);
}

// ---- the host's messages ----------------------------------------------------------------------

void TfrmChildBase::Dispatch(TMessage& m) {
  void (TfrmChildBase::*handler)(TMessage&) = nullptr;
  switch (m.Msg) {
    case HM_HIDE: handler = &TfrmChildBase::HMHide; break;
    case HM_SHOW: handler = &TfrmChildBase::HMShow; break;
    case HM_CLOSEREQUEST: handler = &TfrmChildBase::HMCloseRequest; break;
    case HM_HOSTINFO: handler = &TfrmChildBase::HMHostInfo; break;
    case HM_COLORSCHEME: handler = &TfrmChildBase::HMColorScheme; break;
    case HM_ACTIVATECHILD: handler = &TfrmChildBase::HMActivateChild; break;
    case HM_CANCLOSE: handler = &TfrmChildBase::HMCanClose; break;
    default: TForm::Dispatch(m); return;
  }
  // The host called: an error is told to the host and goes no further.
  try {
    (this->*handler)(m);
  } catch (...) {
    ReportHostException();
  }
}

void TfrmChildBase::HMHide(TMessage&) { Hide(); }

void TfrmChildBase::HMShow(TMessage&) {
  closeAgreed_ = false;
  Show();
  RegisterCommands();
  RegisterBaseCommands();
}

void TfrmChildBase::HMCloseRequest(TMessage& m) {
  const bool agreed = closeAgreed_;
  closeAgreed_ = false;
  if (!agreed && !CanCloseForm()) {
    m.Result = 1;
    return;
  }
  m.Result = 0;
  Close();
}

void TfrmChildBase::HMHostInfo(TMessage& m) {
  GlobalVar::HostInfo = reinterpret_cast<const HostInformationRecord*>(m.WParam);
  std::string_view text = m.LParam ? reinterpret_cast<const char*>(m.LParam) : "";
  size_t colon = text.find(':');
  if (moduleCode_.empty()) moduleCode_ = colon == std::string_view::npos ? std::string() : std::string(text.substr(0, colon));
  functionName_ = colon == std::string_view::npos ? std::string(text) : std::string(text.substr(colon + 1));
}

void TfrmChildBase::HMColorScheme(TMessage& m) {
  GlobalVar::ColorScheme = reinterpret_cast<const ColorSchemeRecord*>(m.WParam);
  ApplyColors();
}

void TfrmChildBase::HMActivateChild(TMessage& m) {
  closeAgreed_ = false;
  SetParentWindow(reinterpret_cast<HWND>(m.WParam));
  if (m.LParam < 0 || reinterpret_cast<HWND>(m.LParam) != formHandle_) {
    Hide();
    return;
  }
  Show();
  RegisterCommands();
  RegisterBaseCommands();
}

void TfrmChildBase::HMCanClose(TMessage& m) {
  closeAgreed_ = CanCloseForm();
  m.Result = closeAgreed_ ? 0 : 1;
}

// ---- requests to the host ---------------------------------------------------------------------

std::string TfrmChildBase::SendRequest(UINT msg, TShareVar& share, LPARAM lParam, std::u16string TShareVar::*reply) {
  SendMessage(GlobalVar::HostWindow, msg, reinterpret_cast<WPARAM>(&share), lParam);
  return Utf16ToUtf8(share.*reply);
}

int32_t TfrmChildBase::OpenHostSession(std::string_view RequestName) {
  if (!protocol_) return sessionId_;
  TShareVar share;
  share.RequestName = Utf8ToUtf16(RequestName);
  share.ModuleCode = Utf8ToUtf16(moduleCode_);
  std::string reply = SendRequest(HM_OPENSESSION, share, reinterpret_cast<LPARAM>(formHandle_), &TShareVar::ReplyOpen);
  // Not a reply: no session was opened, whatever an earlier reply said.
  if (!ReadHostReply(reply, "session open")) return sessionId_;
  if (protocol_->Code() < 0) {
    ShowHostMessage(HOST_MESSAGE_ERROR, protocol_->Info());
    return sessionId_;
  }
  int32_t id = protocol_->Code();
  if (protocol_->GetParamCount() > 0) id = protocol_->GetParam(0)->AsInteger();
  sessionId_ = id;
  sessionOpen_ = true;
  return sessionId_;
}

int32_t TfrmChildBase::CloseHostSession(int32_t SessionId) {
  if (!protocol_ || !sessionOpen_) return 0;
  sessionOpen_ = false;  // closed once, whatever the host answers
  TShareVar share;
  share.SessionId = SessionId;
  share.ModuleCode = Utf8ToUtf16(moduleCode_);
  std::string reply = SendRequest(HM_CLOSESESSION, share, reinterpret_cast<LPARAM>(formHandle_), &TShareVar::ReplyClose);
  if (ReadHostReply(reply, "session close") && protocol_->Code() < 0)
    ShowHostMessage(HOST_MESSAGE_ERROR, protocol_->Info());
  return 0;
}

void TfrmChildBase::ExecHostCommand(int32_t SessionId, std::string_view Command, std::string_view RequestXml,
                                    std::string& Reply) {
  Reply.clear();
  if (dataFreed_) return;
  TShareVar share;
  share.SessionId = SessionId;
  share.ModuleCode = Utf8ToUtf16(moduleCode_);
  share.CommandName = Utf8ToUtf16(Command);
  share.RequestXml = Utf8ToUtf16(RequestXml);
  Reply = SendRequest(HM_EXECCOMMAND, share, reinterpret_cast<LPARAM>(formHandle_), &TShareVar::ReplyCommand);
}

void TfrmChildBase::HostSearch(const TArgArr& Args, std::string& Reply) {
  Reply.clear();
  if (dataFreed_) return;
  TShareVar share;
  share.FunctionName = Utf8ToUtf16(functionName_);
  Reply = SendRequest(HM_SEARCH, share, reinterpret_cast<LPARAM>(&Args), &TShareVar::ReplySearch);
}

void TfrmChildBase::HostLookup(std::string_view View, uint8_t FlagB, uint8_t FlagA, uint8_t FlagC, const TArgArr& Args,
                               std::string& Reply) {
  Reply.clear();
  if (dataFreed_) return;
  TShareVar share;
  share.FunctionName = Utf8ToUtf16(View);
  share.LookupFlagB = FlagB;
  share.LookupFlagA = FlagA;
  share.LookupFlagC = FlagC;
  Reply = SendRequest(HM_LOOKUP, share, reinterpret_cast<LPARAM>(&Args), &TShareVar::ReplyLookup);
}

void TfrmChildBase::ShowHostMessage(int32_t Kind, std::string_view Text) {
  SendHostMessage(static_cast<WPARAM>(Kind), Text);
}

bool TfrmChildBase::ReadHostReply(std::string_view Reply, std::string_view RequestName) {
  if (!protocol_) return false;
  std::string why;
  try {
    if (protocol_->ParseReply(Reply)) return true;
    why = protocol_->ErrorText();
  } catch (...) {
    why = CurrentExceptionText();
  }
  ShowHostMessage(HOST_MESSAGE_ERROR,
                  "The host's reply to the " + std::string(RequestName) + " request could not be read: " + why);
  return false;
}
