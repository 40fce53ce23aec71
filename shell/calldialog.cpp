#include "shell/calldialog.h"

#include "platform/forms/forms.h"
#include "platform/os/winuser.h"
#include "shell/globalvar.h"

namespace CallDialog {

std::string DialogLibraryPath() {
  std::string dir = GlobalVar::HostDirectory();
  // Without a directory a bare name would make the loader search the system's paths.
  if (dir.empty()) return {};
  if (dir.back() != '/') dir += '/';
  return dir + kDialogLibrary;
}

int32_t HostMessageBox(std::string_view Caption, std::string_view Text, int32_t Flags) noexcept {
  try {
    std::string path = DialogLibraryPath();
    if (path.empty()) return 0;
    HMODULE lib = LoadLibrary(path.c_str());
    if (!lib) return 0;
    struct Unload {
      HMODULE lib;
      ~Unload() { FreeLibrary(lib); }
    } unload{lib};
    auto box = reinterpret_cast<TCvMessageBoxProc>(GetProcAddress(lib, kMessageBoxEntry));
    if (!box) return 0;
    std::string caption(Caption), text(Text);
    HWND owner = Application ? Application->Handle() : nullptr;
    return box(owner, caption.c_str(), text.c_str(), Flags);
  } catch (...) {
    return 0;
  }
}

}  // namespace CallDialog
