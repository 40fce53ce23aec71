#pragma once
// Helpers of the standard-control tests: clipboard text and messages to a control's window.
#include <string>

#include "forms_test_util.h"

namespace formstest {

// Puts UTF-8 text on the clipboard (as Unicode text).
void ClipboardText(const std::string& text);
// The clipboard's text ("" when none).
std::string ClipboardText();

}  // namespace formstest
