// The module's one export. The host loads the library, calls ShowChildForm and from then on talks
// to the form by window messages only.
#include <type_traits>

#include "shell/shellentry.h"

extern "C" __attribute__((visibility("default"))) HWND ShowChildForm(HWND AppHandle, HWND HostWindow,
                                                                    HWND ParentWindow, const char* Caption) {
  return ShowShellChildForm(AppHandle, HostWindow, ParentWindow, Caption);
}

// The export has the type the host calls it by.
static_assert(std::is_same_v<decltype(&ShowChildForm), TShowChildFormProc>);
