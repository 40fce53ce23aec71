#pragma once
// Between the host's dialog library (dialog.so) and the host itself. The module loads the library
// for each box and calls CvMessageBox; the library first tells the host window (found from the
// owner window, else by class) with the registered message kMessageBoxMessage:
//   phase Ask:    WParam = FanoMessageBoxRequest*. The host logs caption, text and flags; a host
//                 that answers from a script sets `answer` and returns 1, and no box appears.
//                 Otherwise (0) the library shows its box.
//   phase Answer: after a box the user answered; `answer` holds the button, for the host's log.
#include <cstdint>

#include "platform/os/wintypes.h"

namespace fanohost {

constexpr const char* kMessageBoxMessage = "FanoHostMessageBox";
// The window class of the host's main window.
constexpr const char* kHostWindowClass = "FanoHostWindow";

enum class BoxPhase : int32_t { Ask = 0, Answer = 1 };

struct FanoMessageBoxRequest {
  uint32_t size = sizeof(FanoMessageBoxRequest);
  BoxPhase phase = BoxPhase::Ask;
  HWND owner = nullptr;
  const char* caption = nullptr;  // UTF-8, zero-terminated
  const char* text = nullptr;
  int32_t flags = 0;
  int32_t answer = 0;
};

// Buttons a box answers with.
constexpr int32_t kBoxOk = 1;
constexpr int32_t kBoxYes = 6;
constexpr int32_t kBoxNo = 7;

}  // namespace fanohost
