#include "shell/globalvar.h"

#include <exception>

#include "platform/os/winuser.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/strings.h"

namespace GlobalVar {

HWND HostWindow = nullptr;
const HostInformationRecord* HostInfo = nullptr;
const ColorSchemeRecord* ColorScheme = nullptr;

std::string HostUserAccount() { return HostInfo ? Utf16ToUtf8(HostInfo->UserAccount) : std::string(); }
std::string HostUserName() { return HostInfo ? Utf16ToUtf8(HostInfo->UserName) : std::string(); }
std::string HostUserGroup() { return HostInfo ? Utf16ToUtf8(HostInfo->UserGroup) : std::string(); }
std::string HostDirectory() { return HostInfo ? Utf16ToUtf8(HostInfo->HostDirectory) : std::string(); }
int32_t HostUserId() { return HostInfo ? HostInfo->UserId : 0; }

}  // namespace GlobalVar

void SendHostMessage(WPARAM kind, std::string_view text) noexcept {
  if (!GlobalVar::HostWindow) return;
  try {
    std::string z(text);
    SendMessage(GlobalVar::HostWindow, HM_SHOWMESSAGE, kind, reinterpret_cast<LPARAM>(z.c_str()));
  } catch (...) {
    // Out of memory for the copy: nothing more can be told.
  }
}

std::string CurrentExceptionText() {
  try {
    throw;
  } catch (const Exception& e) {
    return e.Message();
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "Unknown error";
  }
}

void ReportHostException() noexcept {
  try {
    try {
      throw;
    } catch (const EAbort&) {
      return;
    } catch (...) {
      SendHostMessage(HOST_MESSAGE_ERROR, CurrentExceptionText());
    }
  } catch (...) {
  }
}
