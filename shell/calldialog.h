#pragma once
// Message boxes through the host's dialog library, so that they look like the host's own.
#include <cstdint>
#include <string>
#include <string_view>

namespace CallDialog {

// The caption of every box of the module.
inline constexpr const char* kBoxCaption = "提示：";

// Where the dialog library is looked for: the host directory with a separator added when it lacks
// one. Empty while the host has not told its directory.
std::string DialogLibraryPath();

// Shows the box and answers the button pressed (6 = yes for HOST_BOX_YESNO). The library is loaded
// for this one box and unloaded afterwards. A missing library or entry, or any failure, shows
// nothing and answers 0, which callers take as "no".
int32_t HostMessageBox(std::string_view Caption, std::string_view Text, int32_t Flags) noexcept;

}  // namespace CallDialog
