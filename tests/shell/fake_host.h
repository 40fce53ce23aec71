#pragma once
// A host window of the test's own on our window system: it records every message the module sends
// it, copies the request records, answers the requests with canned reply documents and reads the
// command sets it is handed, as the real host would.
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/os/winuser.h"
#include "shell/hostapi.h"

namespace shelltest {

struct HostCall {
  UINT Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  std::string Text;      // HM_SHOWMESSAGE
  TShareVar Request;     // the request record as it arrived (requests only)
  std::vector<std::string> ArgNames, ArgValues;   // HM_SEARCH / HM_LOOKUP arguments
  std::vector<std::string> CommandNames;          // HM_REGISTER(BASE)COMMANDS
};

class FakeHost {
 public:
  FakeHost();
  ~FakeHost();
  HWND Handle() const { return wnd_; }

  // The reply document the host writes for a request message (UTF-8; stored as UTF-16).
  void SetReply(UINT msg, const std::string& reply) { replies_[msg] = reply; }
  // Called after recording each message; may act as the host would (send messages back...).
  std::function<void(const HostCall&)> OnCall;

  const std::vector<HostCall>& Calls() const { return calls_; }
  std::vector<const HostCall*> CallsOf(UINT msg) const;
  // The texts of HM_SHOWMESSAGE in order.
  std::vector<std::string> Messages() const;
  int Count(UINT msg) const { return static_cast<int>(CallsOf(msg).size()); }
  void Clear() { calls_.clear(); }
  // The command set the module last handed over with that message, read in place.
  IHostCommandSet* LastCommandSet(UINT msg) const;

 private:
  static LRESULT WndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
  HWND wnd_ = nullptr;
  std::map<UINT, std::string> replies_;
  std::vector<HostCall> calls_;
  std::map<UINT, IHostCommandSet* const*> sets_;
};

}  // namespace shelltest
