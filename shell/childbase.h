#pragma once
// TfrmChildBase: the frame of every child form the module shows inside the host. It holds its
// own title strip (the host embeds it without a frame), the link with the host (the host's
// messages to the form, the requests the form sends), the two command sets handed to the host and
// their dispatch to virtual operations, the protocol object, the edit state with the locking of
// the editors in LockContainers, the tables and grid columns built from field metadata
// (childbase_tables.cpp), the host's colour scheme (childbase_colors.cpp) and the life-cycle hooks
// a document form overrides:
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

class TCustomDBEditGx;
class TCvProtocol;
class TCvTbField;
class TColumnGx;
class TDBGridGx;
class TDataSet;
class TDataSource;
class TField;
class TMemTableGx;
class TPaintBox;
class TPanel;
class TFlatSpeedButton;

// Edit states of a child form.
constexpr uint8_t esBrowse = 0;
constexpr uint8_t esEditing = 1;
constexpr uint8_t esNew = 2;
constexpr uint8_t esInitial = 3;

// Table roles, by Tag: rows the user edits, and the log of deleted stored rows.
constexpr NativeInt kDataTableTag = 255;
constexpr NativeInt kDeltaTableTag = 256;
// Background of key columns built from field metadata (light green).
constexpr TColor kKeyColumnColor = 0xC0DCC0;

class TfrmChildBase : public TForm {
  FANO_CLASS(TfrmChildBase)
 public:
  explicit TfrmChildBase(TComponent* owner);
  ~TfrmChildBase() override;

  // ---- components of the resource
  // The title strip: the host embeds the form without a frame, so it draws its own.
  TPanel* pnlFormTitle = nullptr;
  TPanel* pnlFormTileRight = nullptr;
  TPaintBox* pbTitleRight = nullptr;  // the slanted corner in title and form colours
  TPanel* pnlFormTitleLeft = nullptr;
  TPanel* pnlFormTitleBtn = nullptr;
  TPanel* pnlFormTitleCloseBtn = nullptr;
  TFlatSpeedButton* btnFormTitleColse = nullptr;
  TPanel* pnlFormTitleMaxBtn = nullptr;
  TFlatSpeedButton* btnFormTitleMax = nullptr;
  TPanel* pnlFormTitleMinBtn = nullptr;
  TFlatSpeedButton* btnFormTitleMin = nullptr;
  TPanel* pnlFormTileMid = nullptr;  // the title text; a press drags the form
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
  // SetupTable, and the grid's columns from the same metadata: one column per item with its
  // caption, key colour, alignment, read-only and visibility, an ellipsis button, the drop-down
  // lists of DropDownDm or check boxes by the item's button style.
  virtual void SetupGridTable(TDBGridGx*& Grid, TMemTableGx*& Table, TMemTableGx*& Delta, TCvTbField*& TbField);
  // Builds the field definitions of Table and Delta from TbField (both must have none yet),
  // creates both data sets and gives every field its display properties, events and flags.
  virtual void SetupTable(TMemTableGx*& Table, TMemTableGx*& Delta, TCvTbField*& TbField);
  // Takes the colours of GlobalVar::ColorScheme (nothing while there is none).
  virtual void ApplyColors();
  virtual void AfterActivate() {}
  // Locks (ReadOnly) or unlocks the editors placed directly in each container: panels, and the
  // pages of page controls; other controls are passed over.
  virtual void SetReadOnly(bool ReadOnly, const std::vector<TWinControl*>& Containers);
  // Records the state; posts pending edits of data and delta tables of DocumentDm and empties the
  // delta tables on the return to browse; locks the containers in browse and initial states and
  // unlocks them for editing and new.
  virtual void SetEditState(uint8_t NewState);
  // Hand the host the address of the field that holds the command set's view.
  virtual void RegisterCommands();
  virtual void RegisterBaseCommands();

  void ShowTitle(bool Visible);

  // ---- field checks before a save
  // Mode 1: every record must have a non-blank value in each listed field; mode 0: the listed
  // fields' trimmed values must not repeat over the records. FieldList is comma-separated; names
  // the data set lacks are skipped. Msg is the failing field's display label, empty when the
  // check passed. The data set is left on the record that was current before.
  void CheckFieldValues(uint8_t Mode, TDataSet*& DataSet, std::string_view FieldList, std::string& Msg);

  // ---- locking and colours by control class
  // Direct children of Container only.
  void SetContainerReadOnly(bool ReadOnly, TWinControl* Container);
  // ReadOnly, or when unlocking, the read-only flag of the bound field: unlocking never makes a
  // read-only field editable. A field that cannot be found leaves the result false.
  static bool IsControlReadOnly(TDataSource* DataSource, std::string_view DataField, bool ReadOnly);
  // Key, required or ordinary field colour of the scheme.
  TColor GetFieldColor(TField* Field) const;
  void ApplyControlColors(TWinControl* Container);
  void ApplyPageControlColors(TColor TabBackGroundColor, TWinControl* Container);
  void ApplyGridColors(TDBGridGx* Grid);
  // Fills the two triangles of the title strip's right corner.
  void PaintTitleRight();

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
  void FormShow(TObject* sender);
  void pnlFormTileMidMouseDown(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  void pbTitleRightPaint(TObject* sender);
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

 protected:
  static constexpr int kTitleHeight = 18;
  // WM_SYSCOMMAND code that moves a window by its title.
  static constexpr WPARAM kMoveByTitle = 0xF011;
  // The text editors whose field decides their locking and colour: the plain, date-time, combo
  // box and number editors (not any other descendant of the base editor); null for others.
  static TCustomDBEditGx* AsFieldEditor(TControl* control);
  // The set-up after the field definitions: both data sets created (Delta first), table names,
  // and field i of Table given item i's display properties, events and flags (Delta's field i the
  // flags only).
  static void FinishTables(TMemTableGx* Table, TMemTableGx* Delta, TCvTbField* TbField);
  // Refills the column's key and pick lists from every memory table of DropDownDm tagged
  // DropDownTag: the first field's text as key, "key.text of the second field" as shown.
  void FillDropDownLists(TColumnGx* Column, int DropDownTag);

 private:
  // Draws the three title buttons' glyphs.
  void MakeTitleGlyphs();
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
  // The may-close query was answered yes (after the user's answer, when asked): the close request
  // that follows it closes without asking the same question again. Anything the user does first
  // withdraws it.
  bool closeAgreed_ = false;
  bool sessionOpen_ = false;
  // The fields whose addresses the host receives; they stay put while the form lives.
  IHostCommandSet* hostCommands_ = nullptr;
  IHostCommandSet* hostBaseCommands_ = nullptr;
};
