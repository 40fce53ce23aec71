#pragma once
// Fixture of the window-manager tests: headless display, simulated clock, a window class whose
// procedure records every message and lets a test answer some of them.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/os/clock.h"
#include "platform/os/winuser.h"

namespace wmtest {

struct Rec {
  HWND hwnd;
  UINT msg;
  WPARAM wp;
  LPARAM lp;
};

using Hook = std::function<std::optional<LRESULT>(HWND, UINT, WPARAM, LPARAM)>;

inline std::vector<Rec>& Log() {
  static std::vector<Rec> log;
  return log;
}

inline std::map<HWND, Hook>& Hooks() {
  static std::map<HWND, Hook> hooks;
  return hooks;
}

inline LRESULT RecordingProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  Log().push_back(Rec{h, m, w, l});
  auto it = Hooks().find(h);
  if (it != Hooks().end() && it->second) {
    Hook hook = it->second;  // the hook may replace itself
    if (auto r = hook(h, m, w, l)) return *r;
  }
  return DefWindowProc(h, m, w, l);
}

class WmTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FanoUseHeadless();
    ClockSetSimulated(1);
    static bool registered = false;
    if (!registered) {
      registered = true;
      WNDCLASSEX wc{};
      wc.cbSize = sizeof wc;
      wc.style = CS_DBLCLKS;
      wc.lpfnWndProc = RecordingProc;
      wc.cbWndExtra = 16;
      wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
      wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<uintptr_t>(5 + 1));  // COLOR_WINDOW
      wc.lpszClassName = "WmTest";
      ASSERT_NE(RegisterClassEx(&wc), 0);
      wc.style = 0;
      wc.lpszClassName = "WmTestPlain";
      ASSERT_NE(RegisterClassEx(&wc), 0);
    }
    Reset();
  }

  void TearDown() override {
    ReleaseCapture();
    std::vector<HWND> tops;
    EnumThreadWindows(GetCurrentThreadId(), [](HWND h, LPARAM p) {
      reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
      return TRUE;
    }, reinterpret_cast<LPARAM>(&tops));
    Hooks().clear();
    for (HWND h : tops) DestroyWindow(h);
    Reset();
  }

  void Reset() {
    FanoPumpMessages();
    MSG m;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
    }
    Log().clear();
  }

  HWND Top(int x, int y, int w, int h, DWORD style = WS_POPUP | WS_VISIBLE, DWORD ex = 0,
           const char* cls = "WmTest", HWND owner = nullptr) {
    HWND wnd = CreateWindowEx(ex, cls, "top", style, x, y, w, h, owner, nullptr, nullptr, nullptr);
    EXPECT_NE(wnd, nullptr);
    return wnd;
  }

  HWND Child(HWND parent, int x, int y, int w, int h, DWORD style = WS_CHILD | WS_VISIBLE, int id = 0,
             const char* cls = "WmTest", DWORD ex = 0) {
    HWND wnd = CreateWindowEx(ex, cls, "child", style, x, y, w, h, parent,
                              reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), nullptr, nullptr);
    EXPECT_NE(wnd, nullptr);
    return wnd;
  }

  // Messages of one window (or all windows for 0), in order, optionally only those listed.
  static std::vector<Rec> Of(HWND h, std::vector<UINT> only = {}) {
    std::vector<Rec> out;
    for (const Rec& r : Log()) {
      if (h && r.hwnd != h) continue;
      if (!only.empty() && std::find(only.begin(), only.end(), r.msg) == only.end()) continue;
      out.push_back(r);
    }
    return out;
  }
  static int Count(HWND h, UINT msg) { return static_cast<int>(Of(h, {msg}).size()); }
  static std::vector<UINT> Ids(const std::vector<Rec>& recs) {
    std::vector<UINT> out;
    for (const Rec& r : recs) out.push_back(r.msg);
    return out;
  }
};

}  // namespace wmtest
