#pragma once
// The host's lookup dialog: the rows of a lookup view in a list with a header, for the user to
// choose one (double click, Enter or "确定") or none (Esc, "取消", closing the window).
#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "host/hostdb.h"
#include "platform/os/winuser.h"

namespace fanohost {

// Runs modally over `owner`; answers the chosen row's index, or nothing. The header shows the
// captions the rows carry (else the column names); the list has scroll bars of its own.
std::optional<size_t> ChooseRow(HWND owner, const std::string& title, const hostdb::RowSet& rows);

// Called with the dialog once it is shown, before its loop (tests look at it and answer it).
void SetLookupShownHook(std::function<void(HWND)> hook);
// Paints the list (header and rows) of a shown dialog into `dc`, as its own window shows it.
void PaintLookupList(HWND dialog, HDC dc);

}  // namespace fanohost
