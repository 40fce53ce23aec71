#pragma once
// TfrmChildBase: the frame of every child form the module shows inside the host. It holds the
// link with the host (the host's messages to the form, the requests the form sends), the two
// command sets handed to the host and their dispatch to virtual operations, the protocol object,
// the edit state and the life-cycle hooks a document form overrides:
//
//   create (resource, FormCreate -> InitData) -> shown by the entry -> first activation
//   (ActivateData, AfterActivate) -> hide / show / activate rounds driven by the host ->
//   close (FreeData, once); the object itself stays alive, hidden.
//
// Everything the host can reach (its messages, the commands) ends in a guard: an error is sent to
// the host with HM_SHOWMESSAGE and the call returns. Once the data is freed, commands and host
// requests do nothing.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/forms/forms.h"
#include "shell/childcommand.h"
#include "shell/hostapi.h"

class TCvProtocol;

// Edit states of a child form.
constexpr uint8_t esBrowse = 0;
constexpr uint8_t esEditing = 1;
constexpr uint8_t esNew = 2;
constexpr uint8_t esInitial = 3;

// Table roles, by Tag: rows the user edits, and the log of deleted stored rows.
constexpr NativeInt kDataTableTag = 255;
constexpr NativeInt kDeltaTableTag = 256;

class TfrmChildBase : public TForm {
  FANO_CLASS(TfrmChildBase)
 public:
  explicit TfrmChildBase(TComponent* owner);
  ~TfrmChildBase() override;

  // ---- components of the resource
  TChildCommand* chldcmnd = nullptr;      // the form's own commands
  TChildCommand* chldcmndBase = nullptr;  // the standard record commands the host knows by name

  // ---- state
  int32_t SessionId() const noexcept { return sessionId_; }
  void SetSessionId(int32_t v) noexcept { sessionId_ = v; }
  // The form's window, set by the entry; it identifies the form in its requests.
  HWND FormHandle() const noexcept { return formHandle_; }
  void SetFormHandle(HWND v) noexcept { formHandle_ = v; }
  // Last command posted by the maximise toggle (SC_RESTORE or SC_MAXIMIZE).
  uint32_t SizeCommand() const noexcept { return sizeCommand_; }
  bool TitleVisible() const noexcept { return titleVisible_; }
  // Owned; made by InitData, freed by FreeData (null afterwards).
  TCvProtocol* Protocol() const noexcept { return protocol_.get(); }
  const std::string& FunctionName() const noexcept { return functionName_; }
  void SetFunctionName(std::string_view v) { functionName_ = std::string(v); }
  const std::string& ModuleCode() const noexcept { return moduleCode_; }
  void SetModuleCode(std::string_view v) { moduleCode_ = std::string(v); }
  uint8_t EditState() const noexcept { return editState_; }
  // Not owned; the source of drop-down column lists. Nothing in the module sets it.
  TDataModule* DropDownDm() const noexcept { return dropDownDm_; }
  void SetDropDownDm(TDataModule* v) noexcept { dropDownDm_ = v; }
  // The containers SetEditState locks and unlocks; filled by the derived form.
  std::vector<TWinControl*>& LockContainers() noexcept { return lockContainers_; }
  // The form's data module, made by the derived InitData and freed by its FreeData.
  TDataModule* DocumentDm() const noexcept { return documentDm_; }
  void SetDocumentDm(TDataModule* v) noexcept { documentDm_ = v; }
  // True once the close has freed the form's data: commands and host requests then do nothing.
  bool DataFreed() const noexcept { return dataFreed_; }
  // True while a session opened by OpenHostSession has not been closed.
  bool SessionOpen() const noexcept { return sessionOpen_; }

  // ---- virtual operations
  // Whether the form may close now (asking the user when needed).
  virtual bool CanCloseForm() = 0;
  virtual void DoNew() {}
  virtual void DoUpdate() {}
  virtual void DoDelete() {}
  virtual void DoSave() {}
  virtual void DoSearch() {}
  virtual void DoCancel() {}
  virtual void DoFirst() {}
  virtual void DoPrior() {}
  virtual void DoNext() {}
  virtual void DoLast() {}
  // Makes the protocol object; derived forms add their data module and tables.
  virtual void InitData();
  // Frees the protocol object and forgets the lock containers; derived forms free their data
  // module and close the session first. Runs once per form (the close guards it).
  virtual void FreeData();
  // First activation only.
  virtual void ActivateData();
  virtual void AfterActivate() {}
  // Takes the colours of GlobalVar::ColorScheme.
  virtual void ApplyColors();
  // Records the state; posts pending edits of data and delta tables of DocumentDm and empties the
  // delta tables on the return to browse.
  virtual void SetEditState(uint8_t NewState);
  // Hand the host the address of the field that holds the command set's view.
  virtual void RegisterCommands();
  virtual void RegisterBaseCommands();

  void ShowTitle(bool Visible);

  // ---- requests to the host (GlobalVar::HostWindow); each builds one TShareVar for one message
  // Opens the session: the returned session id (the first reply parameter, else the reply code)
  // becomes SessionId. A refused or unreadable reply is reported to the host and leaves SessionId
  // as it was. Answers SessionId.
  int32_t OpenHostSession(std::string_view RequestName);
  // Closes the session opened by OpenHostSession, once; later calls send nothing. Answers 0.
  int32_t CloseHostSession(int32_t SessionId);
  // The reply is handed back unparsed (empty once the data is freed).
  void ExecHostCommand(int32_t SessionId, std::string_view Command, std::string_view RequestXml, std::string& Reply);
  void HostSearch(const TArgArr& Args, std::string& Reply);
  void HostLookup(std::string_view View, uint8_t FlagB, uint8_t FlagA, uint8_t FlagC, const TArgArr& Args,
                  std::string& Reply);
  void ShowHostMessage(int32_t Kind, std::string_view Text);
  // Reads a reply into Protocol. False when there is no protocol object or the text is not a reply
  // that can be read (also when reading it raised); the host is then told so, naming the request.
  bool ReadHostReply(std::string_view Reply, std::string_view RequestName);

  // ---- handlers bound in the resource
  void FormCreate(TObject* sender);
  void FormActivate(TObject* sender);
  void FormClose(TObject* sender, TCloseAction& action);
  void FormKeyDown(TObject* sender, uint16_t& key, TShiftState shift);
  // The title strip's buttons.
  void btnFormTitleMinClick(TObject* sender);
  void btnFormTitleMaxClick(TObject* sender);
  void btnFormTitleColseClick(TObject* sender);
  void chldcmndBaseCommands0Execute(TObject* sender);
  void chldcmndBaseCommands1Execute(TObject* sender);
  void chldcmndBaseCommands2Execute(TObject* sender);
  void chldcmndBaseCommands3Execute(TObject* sender);
  void chldcmndBaseCommands4Execute(TObject* sender);
  void chldcmndBaseCommands5Execute(TObject* sender);
  void chldcmndBaseCommands6Execute(TObject* sender);
  void chldcmndBaseCommands7Execute(TObject* sender);
  void chldcmndBaseCommands8Execute(TObject* sender);
  void chldcmndBaseCommands9Execute(TObject* sender);

  void Dispatch(TMessage& m) override;
  void Activate() override;

 protected:
  // The host's messages to the form.
  void HMHide(TMessage& m);
  void HMShow(TMessage& m);
  void HMCloseRequest(TMessage& m);
  void HMHostInfo(TMessage& m);
  void HMColorScheme(TMessage& m);
  void HMActivateChild(TMessage& m);
  void HMCanClose(TMessage& m);

 private:
  // Runs a standard command's operation unless the data is freed.
  void RunCommand(void (TfrmChildBase::*operation)());
  // Sends one request record and answers the reply slot's text.
  std::string SendRequest(UINT msg, TShareVar& share, LPARAM lParam, std::u16string TShareVar::*reply);

  int32_t sessionId_ = 0;
  HWND formHandle_ = nullptr;
  uint32_t sizeCommand_ = 0;
  bool titleVisible_ = true;
  std::unique_ptr<TCvProtocol> protocol_;
  std::string functionName_;
  uint8_t editState_ = esInitial;
  std::string moduleCode_;
  TDataModule* dropDownDm_ = nullptr;
  std::vector<TWinControl*> lockContainers_;
  TDataModule* documentDm_ = nullptr;
  bool dataFreed_ = false;
  bool sessionOpen_ = false;
  // The fields whose addresses the host receives; they stay put while the form lives.
  IHostCommandSet* hostCommands_ = nullptr;
  IHostCommandSet* hostBaseCommands_ = nullptr;
};
