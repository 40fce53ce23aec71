// Input from a display or a test is outside input for the window manager: any sequence of mouse,
// key and text events, clock steps and window changes (capture, focus, hiding, destroying, moving)
// is taken apart by the message loop without a crash.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/os/winuser.h"

namespace {

std::vector<HWND> g_windows;

LRESULT Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_LBUTTONDOWN) SetCapture(h);
  if (m == WM_LBUTTONUP) ReleaseCapture();
  if (m == WM_RBUTTONDOWN) SendMessage(h, WM_SYSCOMMAND, SC_MOVE + HTCAPTION, 0);
  if (m == WM_CHAR && w == 'x') DestroyWindow(h);
  if (m == WM_MOUSEMOVE) {
    TRACKMOUSEEVENT t{sizeof t, TME_LEAVE | TME_HOVER, h, 50};
    TrackMouseEvent(&t);
  }
  return DefWindowProc(h, m, w, l);
}

void Build() {
  for (HWND h : g_windows)
    if (IsWindow(h)) DestroyWindow(h);
  g_windows.clear();
  HWND top = CreateWindowEx(0, "FuzzInput", "top", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL, 0, 0,
                            300, 200, nullptr, nullptr, nullptr, nullptr);
  g_windows.push_back(top);
  for (int i = 0; i < 4; ++i)
    g_windows.push_back(CreateWindowEx(0, "FuzzInput", "child", WS_CHILD | WS_VISIBLE | (i == 1 ? WS_VSCROLL : 0),
                                       10 + 40 * i, 10 + 20 * i, 60, 40, i == 3 ? g_windows[1] : top, nullptr,
                                       nullptr, nullptr));
  g_windows.push_back(CreateWindowEx(WS_EX_TOPMOST, "FuzzInput", "popup", WS_POPUP | WS_VISIBLE | WS_BORDER, 150, 100,
                                     100, 80, top, nullptr, nullptr, nullptr));
  SCROLLINFO si{sizeof si, SIF_ALL, 0, 100, 10, 0, 0};
  SetScrollInfo(top, SB_VERT, &si, TRUE);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool init = [] {
    FanoUseHeadless();
    FanoSetTestFont(TRUE);  // captions are drawn: keep installed fonts out of it
    ClockSetSimulated(1);
    WNDCLASSEX wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = Proc;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<uintptr_t>(6));
    wc.lpszClassName = "FuzzInput";
    RegisterClassEx(&wc);
    return true;
  }();
  (void)init;
  Build();
  size_t i = 0;
  auto next = [&]() -> int { return i < size ? data[i++] : 0; };
  while (i < size) {
    int op = next() % 12;
    int a = next(), b = next();
    HWND target = g_windows[static_cast<size_t>(a) % g_windows.size()];
    switch (op) {
      case 0: FanoInputMouseMove(a + b - 20, b - 10); break;
      case 1: FanoInputMouseButton(b % 3, a & 1, a, b); break;
      case 2: FanoInputMouseWheel((a & 1) ? 120 : -120, a, b); break;
      case 3: FanoInputKey(static_cast<UINT>(b) % 255 + 1, a & 1); break;
      case 4: FanoInputText(std::string(1, static_cast<char>(b | 0x20)).c_str()); break;
      case 5: ClockAdvance(static_cast<uint32_t>(a) * 4); break;
      case 6: if (IsWindow(target)) SetFocus(target); break;
      case 7: if (IsWindow(target)) ShowWindow(target, (b & 1) ? SW_HIDE : SW_SHOWNA); break;
      case 8: if (IsWindow(target) && (b % 8) == 0) DestroyWindow(target); break;
      case 9: if (IsWindow(target)) SetWindowPos(target, nullptr, a - 50, b - 50, b, a, SWP_NOZORDER); break;
      case 10: if (IsWindow(target)) EnableWindow(target, b & 1); break;
      default: FanoPumpMessages(); break;
    }
  }
  FanoPumpMessages();
  ReleaseCapture();
  return 0;
}
