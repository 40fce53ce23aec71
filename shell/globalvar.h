#pragma once
// The module's globals: the host window that receives every child-to-host message and the two
// records the host owns and hands over by message. The records are read here, never written or
// freed. Also the one way errors reach the user inside the host: a text sent with HM_SHOWMESSAGE.
#include <cstdint>
#include <string>
#include <string_view>

#include "shell/hostapi.h"

namespace GlobalVar {

extern HWND HostWindow;                         // set by ShowChildForm
extern const HostInformationRecord* HostInfo;   // set by HM_HOSTINFO; null before
extern const ColorSchemeRecord* ColorScheme;    // set by HM_COLORSCHEME; null before

// Fields of the host-information record as module text; empty (0) while the host sent none.
std::string HostUserAccount();
std::string HostUserName();
std::string HostUserGroup();
std::string HostDirectory();
int32_t HostUserId();

}  // namespace GlobalVar

// Sends a text to the host window (HM_SHOWMESSAGE); nothing when no host window is known.
void SendHostMessage(WPARAM kind, std::string_view text) noexcept;
// Inside a catch block: tells the host of the exception being handled as an error. Never throws,
// so entries from the host can end with it instead of letting the exception unwind into the host.
// EAbort stays silent.
void ReportHostException() noexcept;
// The text that ReportHostException sends for the exception being handled.
std::string CurrentExceptionText();
