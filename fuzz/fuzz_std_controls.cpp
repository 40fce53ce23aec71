// Text that reaches the standard controls from outside (typed, pasted, set from data) and any
// sequence of their messages: the edit, list box and combo box controls take it without a crash
// and keep their answers inside the text; the mask language takes any mask and value.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/forms/mask.h"
#include "platform/os/commctrl.h"
#include "platform/os/winuser.h"

namespace {

struct Reader {
  const uint8_t* p;
  size_t n;
  uint8_t Byte() {
    if (!n) return 0;
    --n;
    return *p++;
  }
  int Int(int range) { return range > 0 ? Byte() % range : 0; }
  std::string Text() {
    size_t len = Byte() % 24;
    len = std::min(len, n);
    std::string s(reinterpret_cast<const char*>(p), len);
    p += len;
    n -= len;
    return s;
  }
};

HWND g_top = nullptr;
HWND g_shadow = nullptr;  // an edit of the same style and size, given the whole text at once

// The lines the edit laid out change by change are those of an edit given its text at once.
void SameLinesAsAFreshLayout(HWND h) {
  std::string text(static_cast<size_t>(SendMessage(h, WM_GETTEXTLENGTH, 0, 0)) + 1, '\0');
  SendMessage(h, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  SendMessage(g_shadow, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  LRESULT n = SendMessage(h, EM_GETLINECOUNT, 0, 0);
  if (n != SendMessage(g_shadow, EM_GETLINECOUNT, 0, 0)) __builtin_trap();
  for (LRESULT i = 0; i < n; ++i)
    if (SendMessage(h, EM_LINEINDEX, static_cast<WPARAM>(i), 0) != SendMessage(g_shadow, EM_LINEINDEX, static_cast<WPARAM>(i), 0))
      __builtin_trap();
}

void Drive(HWND h, Reader& r) {
  DWORD a = 0, b = 0;
  char buf[64];
  switch (r.Int(14)) {
    case 0: SendMessage(h, EM_SETSEL, static_cast<WPARAM>(r.Int(80) - 10), r.Int(80) - 10); break;
    case 1: {
      std::string s = r.Text();
      SendMessage(h, EM_REPLACESEL, r.Int(2), reinterpret_cast<LPARAM>(s.c_str()));
      break;
    }
    case 2: SendMessage(h, WM_CHAR, static_cast<WPARAM>(r.Byte() | (r.Byte() << 8)), 0); break;
    case 3: SendMessage(h, WM_KEYDOWN, static_cast<WPARAM>(VK_PRIOR + r.Int(14)), 0); break;
    case 4: {
      WORD cap = static_cast<WORD>(r.Int(static_cast<int>(sizeof buf)));
      std::memcpy(buf, &cap, sizeof cap);
      LRESULT got = SendMessage(h, EM_GETLINE, static_cast<WPARAM>(r.Int(6)), reinterpret_cast<LPARAM>(buf));
      if (got < 0 || got > cap) __builtin_trap();
      break;
    }
    case 5: SendMessage(h, EM_CHARFROMPOS, 0, MAKELPARAM(r.Int(300) - 20, r.Int(200) - 20)); break;
    case 6: SendMessage(h, EM_POSFROMCHAR, static_cast<WPARAM>(r.Int(80)), 0); break;
    case 7:
      SendMessage(h, EM_LINEINDEX, static_cast<WPARAM>(r.Int(8) - 1), 0);
      SendMessage(h, EM_LINELENGTH, static_cast<WPARAM>(r.Int(80) - 1), 0);
      SendMessage(h, EM_LINEFROMCHAR, static_cast<WPARAM>(r.Int(80) - 1), 0);
      break;
    case 8: SendMessage(h, EM_LIMITTEXT, static_cast<WPARAM>(r.Int(40)), 0); break;
    case 9: {
      RECT rc{r.Int(30), r.Int(30), r.Int(300), r.Int(200)};
      SendMessage(h, EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&rc));
      SendMessage(g_shadow, EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&rc));
      break;
    }
    case 10: SendMessage(h, WM_UNDO, 0, 0); break;
    case 11: {
      WPARAM pw = r.Int(2) ? '*' : 0;
      SendMessage(h, EM_SETPASSWORDCHAR, pw, 0);
      SendMessage(g_shadow, EM_SETPASSWORDCHAR, pw, 0);
      break;
    }
    case 12: {
      std::string s = r.Text();
      SendMessage(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(s.c_str()));
      break;
    }
    default: SendMessage(h, WM_PAINT, 0, 0); break;
  }
  SendMessage(h, EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
  size_t len = static_cast<size_t>(SendMessage(h, WM_GETTEXTLENGTH, 0, 0));
  if (a > b || b > len) __builtin_trap();
  SameLinesAsAFreshLayout(h);
}

void DriveList(HWND combo, Reader& r) {
  std::string s = r.Text();
  switch (r.Int(8)) {
    case 0: SendMessage(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s.c_str())); break;
    case 1: SendMessage(combo, CB_SETCURSEL, static_cast<WPARAM>(r.Int(10) - 2), 0); break;
    case 2: SendMessage(combo, CB_SELECTSTRING, static_cast<WPARAM>(r.Int(10) - 2), reinterpret_cast<LPARAM>(s.c_str())); break;
    case 3: SendMessage(combo, CB_DELETESTRING, static_cast<WPARAM>(r.Int(10) - 2), 0); break;
    case 4: SendMessage(combo, CB_SHOWDROPDOWN, r.Int(2), 0); break;
    case 5: SendMessage(combo, WM_KEYDOWN, static_cast<WPARAM>(VK_PRIOR + r.Int(14)), 0); break;
    case 6: SendMessage(combo, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(s.c_str())); break;
    default: {
      char buf[256];
      LRESULT i = SendMessage(combo, CB_GETCURSEL, 0, 0);
      if (i >= 0 && SendMessage(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0) < 200)
        SendMessage(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf));
      break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool init = [] {
    FanoUseHeadless();
    FanoSetTestFont(TRUE);
    WNDCLASS wc{};
    wc.lpfnWndProc = &DefWindowProc;
    wc.lpszClassName = "FuzzStdTop";
    RegisterClass(&wc);
    g_top = CreateWindowEx(0, "FuzzStdTop", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr,
                           nullptr, nullptr);
    return true;
  }();
  (void)init;
  Reader r{data, size};
  // The mask language.
  std::string mask = r.Text();
  std::string value = r.Text();
  TParsedMask parsed = ParseEditMask(mask);
  std::string shown = FormatMaskText(mask, value);
  if (!parsed.Positions.empty() && shown.empty()) __builtin_trap();
  // An edit (single- or multi-line, wrapping or not) and a combo box.
  DWORD style = WS_CHILD | WS_VISIBLE;
  switch (r.Int(4)) {
    case 0: style |= ES_AUTOHSCROLL; break;
    case 1: style |= ES_MULTILINE | ES_AUTOVSCROLL; break;
    case 2: style |= ES_MULTILINE | ES_AUTOHSCROLL | WS_VSCROLL; break;
    default: style |= ES_MULTILINE | ES_CENTER | ES_UPPERCASE; break;
  }
  std::string initial = r.Text();
  const int w = 10 + r.Int(200), h = 10 + r.Int(100);
  HWND edit = CreateWindowEx(0, WC_EDIT, initial.c_str(), style, 0, 0, w, h, g_top, nullptr, nullptr, nullptr);
  g_shadow = CreateWindowEx(0, WC_EDIT, "", style, 0, 0, w, h, g_top, nullptr, nullptr, nullptr);
  HWND combo = CreateWindowEx(0, WC_COMBOBOX, "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | (1 + r.Int(3)), 0, 120, 150, 120,
                              g_top, nullptr, nullptr, nullptr);
  while (r.n) {
    if (r.Int(3)) Drive(edit, r);
    else DriveList(combo, r);
  }
  FanoPumpMessages();
  DestroyWindow(combo);
  DestroyWindow(edit);
  DestroyWindow(g_shadow);
  return 0;
}
