#pragma once
// The stand-in host application: a main window with a tool bar, a client area and a status line;
// it loads the module, shows its form in the client area, shows the module's command sets as tool
// bar buttons, answers the module's requests from the host database, answers the module's message
// boxes (through its dialog library) and runs a script of user actions. With a display it is an X11
// window; headless it runs its script (or just starts, snapshots and ends) on the simulated clock.
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/dialogapi.h"
#include "host/hostdb.h"
#include "host/hostlog.h"
#include "host/hostscript.h"
#include "host/hostservice.h"
#include "host/hostui.h"
#include "platform/os/automation.h"
#include "shell/hostapi.h"

namespace fanohost {

struct HostOptions {
  std::string modulePath;  // empty: kModuleLibrary next to the executable
  std::string dbPath;      // empty: DefaultDatabasePath()
  std::string scriptPath;
  std::string outDir;      // empty: "fano_host_out" in the working directory
  std::string logPath;     // empty: <outDir>/host.log
  std::string account = hostdb::kDemoUserAccount;
  std::vector<std::string> garble;  // reply kinds garbled from the start
  bool headless = false;
  bool echo = false;
  bool logReplies = false;  // whole replies into the log, not only their size and beginning
  int width = 1100;
  int height = 760;
};

// Reads the command line. False with the reason in `error`; `help` is set for --help.
bool ParseOptions(const std::vector<std::string>& args, HostOptions& out, bool& help, std::string& error);
std::string UsageText();
// $XDG_DATA_HOME/fano217/host.db, else ~/.local/share/fano217/host.db, else in the temporary folder.
std::string DefaultDatabasePath();
// The folder of the running program, ending in "/".
std::string ProgramDirectory();

class HostApp {
 public:
  explicit HostApp(HostOptions options);
  ~HostApp();
  HostApp(const HostApp&) = delete;
  HostApp& operator=(const HostApp&) = delete;

  // Starts, runs the script or the window's loop, and ends. The exit code: 0 done, 1 the host could
  // not start, 2 the script failed.
  int Run();

  // Window procedures reach the one application through this.
  LRESULT MainProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT ToolBarProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT StatusProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT ClientProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);

 private:
  struct ToolItem {
    std::string name;
    bool own = false;
  };

  bool Start();
  bool CreateWindows();
  bool LoadModule();
  // Calls the module's entry for a form (again after a close), as at the start.
  bool OpenForm();
  void SendHostRecords();
  void ActivateForm();
  void Finish();
  void Layout();

  // ---- the link ----
  LRESULT OnLink(UINT msg, WPARAM wp, LPARAM lp);
  void ReadCommandSets(const char* why);
  IHostCommand* FindCommand(const std::string& name);
  bool RunCommand(const std::string& name, std::string& error);
  // Hands the module its reply in `slot`: garbled first when the script asked for it, and logged
  // under the message `code`.
  void Answer(const char* code, const std::string& kind, std::string reply, std::u16string& slot);
  std::vector<hostdb::LookupArg> Arguments(const TArgArr* args, std::string& shown);
  std::optional<size_t> Choose(std::string_view view, const hostdb::RowSet& rows);
  LRESULT OnMessageBox(FanoMessageBoxRequest* request);
  LRESULT OnDialogQuestion(FanoDialogQuestion* question);
  void ShowText(const std::string& text, bool error);
  void ShowToolHint();
  // HM_CANCLOSE, then HM_CLOSEREQUEST when the form may close. True when the form closed.
  bool CloseForm();
  // The form closed (asked by the host or by its own close button): the tool bar offers to open it
  // again.
  void FormGone();
  // The tool bar's buttons were replaced: no hot or pressed button, laid out and painted again.
  void ToolsChanged();
  // The module's entry again, after a close.
  bool ReopenForm(std::string& error);

  // ---- the script ----
  int RunScript();
  bool RunAction(const ScriptAction& action, std::string& error);
  bool Snapshot(const std::string& file, std::string& error);
  void Pump();
  void Wait(uint32_t ms);
  // The first visible window under the host window whose control (component) name is `name`, or,
  // unless `controlNameOnly`, whose text or class name is.
  HWND FindWindowNamed(const std::string& name, bool controlNameOnly);

  HostOptions opt_;
  bool headless_ = false;
  // True while a script runs: nobody is there to answer a box, so it takes its default answer.
  bool scripting_ = false;
  HostLog log_;
  hostdb::HostDatabase db_;
  std::unique_ptr<RequestHandler> handler_;
  hostdb::HostUser user_;
  HostInformationRecord hostInfo_;
  ColorSchemeRecord colors_;
  std::string hostInfoText_;

  HMODULE module_ = nullptr;
  TShowChildFormProc entry_ = nullptr;
  HWND main_ = nullptr;
  HWND toolbar_ = nullptr;
  HWND client_ = nullptr;
  HWND status_ = nullptr;
  HWND form_ = nullptr;  // registered with HM_REGISTERFORM
  bool formClosed_ = false;
  bool quitting_ = false;
  IHostCommandSet* const* ownSet_ = nullptr;
  IHostCommandSet* const* baseSet_ = nullptr;
  std::vector<ToolItem> tools_;
  ui::ButtonRow toolRow_;
  // The tool bar's layout last logged.
  int toolRows_ = 0;
  size_t toolCount_ = 0;
  std::string statusText_;
  bool statusError_ = false;
  // The hint of the tool button under the pointer, shown over the status text while there.
  std::string hoverText_;

  // Real seconds spent on the module's messages since the script's command began, and the peak
  // memory when the last of them was answered.
  double answerSeconds_ = 0;
  double answerPeakMegabytes_ = 0;

  UINT boxMessage_ = 0;
  // The class library's own dialogs (the grid's confirmation), asked before they are shown.
  UINT dialogMessage_ = 0;
  std::deque<int32_t> answers_;
  // Headless, a dialog of the class library came without an answer queued: why the run ends.
  std::string unansweredBox_;
  std::deque<PickChoice> picks_;
  std::vector<std::string> garbles_;
  std::deque<std::string> pendingCommands_;
  std::deque<std::string> textsToShow_;
};

}  // namespace fanohost
