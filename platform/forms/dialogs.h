#pragma once
// Message dialogs. MessageDlg and the application's MessageBox ask a dialog service; the default
// service shows a modal dialog form, and tests (or a host without a screen) install a scripted one
// that answers from a queue and records every question.
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "platform/forms/forms.h"

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp };
using TMsgDlgButtons = TSet<TMsgDlgBtn>;
constexpr TMsgDlgButtons mbYesNoCancel{mbYes, mbNo, mbCancel};
constexpr TMsgDlgButtons mbYesAllNoAllCancel{mbYes, mbYesToAll, mbNo, mbNoToAll, mbCancel};
constexpr TMsgDlgButtons mbOKCancel{mbOK, mbCancel};
constexpr TMsgDlgButtons mbAbortRetryIgnore{mbAbort, mbRetry, mbIgnore};
constexpr TMsgDlgButtons mbAbortIgnore{mbAbort, mbIgnore};

// The caption of a dialog of that type ("Warning", "Error", "Information", "Confirm"; the
// application's title for mtCustom), the caption and the result of a button.
std::string MsgDlgCaption(TMsgDlgType type);
std::string MsgDlgButtonCaption(TMsgDlgBtn button);
TModalResult MsgDlgButtonResult(TMsgDlgBtn button);

// One question put to the user.
struct TDialogRequest {
  enum Kind { kMessageDlg, kMessageBox };
  Kind kind = kMessageDlg;
  std::string Text;
  std::string Caption;
  TMsgDlgType Type = mtInformation;
  TMsgDlgButtons Buttons;
  int HelpContext = 0;
  int Flags = 0;       // MessageBox flags
  int X = -1, Y = -1;  // MessageDlgPos position, -1 centred
};

class TDialogService {
 public:
  virtual ~TDialogService() = default;
  // Answers a modal result (mrYes, mrOk ...).
  virtual int MessageDlg(const TDialogRequest& request);
  // Answers IDOK, IDYES ...
  virtual int MessageBox(std::string_view text, std::string_view caption, int flags);
};

// The service in use (the default one unless one was set).
TDialogService* GetDialogService();
// Installs a service (not owned; null restores the default) and answers the previous one.
TDialogService* SetDialogService(TDialogService* service);

// Answers questions from a queue, in order, and keeps every question asked. With the queue empty
// it answers the dialog's default button (the first of OK, Yes, Retry, Abort... that it has).
class TScriptedDialogService : public TDialogService {
 public:
  TScriptedDialogService() = default;
  // Installs itself for its lifetime when asked.
  explicit TScriptedDialogService(bool install);
  ~TScriptedDialogService() override;

  void Answer(int modalResult) { answers_.push_back(modalResult); }
  const std::vector<TDialogRequest>& Requests() const noexcept { return requests_; }
  void ClearRequests() { requests_.clear(); }
  size_t PendingAnswers() const noexcept { return answers_.size(); }

  int MessageDlg(const TDialogRequest& request) override;
  int MessageBox(std::string_view text, std::string_view caption, int flags) override;

 private:
  std::deque<int> answers_;
  std::vector<TDialogRequest> requests_;
  TDialogService* previous_ = nullptr;
  bool installed_ = false;
};

int MessageDlg(std::string_view msg, TMsgDlgType type, TMsgDlgButtons buttons, int helpCtx);
int MessageDlgPos(std::string_view msg, TMsgDlgType type, TMsgDlgButtons buttons, int helpCtx, int x, int y);
void ShowMessage(std::string_view msg);
// The dialog form the default service shows (owned by the application; free it after use).
TForm* CreateMessageDialog(std::string_view msg, TMsgDlgType type, TMsgDlgButtons buttons);
