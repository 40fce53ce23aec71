#pragma once
// The host's lookup dialog: the rows of a lookup view in a list with a header, for the user to
// choose one (double click, Enter or "确定") or none (Esc, "取消", closing the window).
#include <cstddef>
#include <optional>
#include <string>

#include "host/hostdb.h"
#include "platform/os/winuser.h"

namespace fanohost {

// Runs modally over `owner`; answers the chosen row's index, or nothing.
std::optional<size_t> ChooseRow(HWND owner, const std::string& title, const hostdb::RowSet& rows);

}  // namespace fanohost
