// Input: the input queue that the back-ends and the test helpers fill, routing of mouse and key
// events to windows (capture, disabled windows, non-client hits), double-click synthesis, mouse
// activation, WM_SETCURSOR, hover and leave tracking, keyboard state and character translation,
// focus, activation, capture, enabling, cursors and the caret.
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>

#include "platform/os/wm_internal.h"

namespace fano_os::wm {

namespace {

struct Cursor {
  int standardId = 0;  // 32512... for the standard ones
  int hotX = 0, hotY = 0, width = 0, height = 0;
  std::vector<uint32_t> argb;
};

struct Tracking {
  HWND hwnd = nullptr;
  DWORD flags = 0;  // TME_HOVER | TME_LEAVE | TME_NONCLIENT
  DWORD hoverTime = 400;
  uint64_t hoverStart = 0;
  POINT hoverPt{0, 0};
};

struct CaretState {
  HWND owner = nullptr;
  HBITMAP bitmap = nullptr;
  int width = 0, height = 0;
  POINT pos{0, 0};
  int hideCount = 1;
  bool drawn = false;
  bool paintHidden = false;
  UINT blink = 530;
};

struct InputState {
  std::mutex lock;  // the event queue and the asynchronous key state
  std::deque<InputEvent> events;
  BYTE asyncKeys[256] = {};
  POINT cursor{0, 0};
  bool cursorFromDisplay = false;  // the last mouse event came from the display server
  // Synchronous state: touched on the thread that takes the messages.
  BYTE keys[256] = {};
  HWND focus = nullptr;
  HWND active = nullptr;
  HWND capture = nullptr;
  ClickHistory lastClick;
  Tracking tracking;
  HWND lastMouseWindow = nullptr;
  CaretState caret;
  std::vector<std::unique_ptr<Cursor>> cursors;
  HCURSOR current = nullptr;
  int showCount = 0;
  UINT doubleClickTime = 500;
  MSG lastKeyMsg{};
  std::u16string lastKeyText;
  RECT clip{0, 0, 0, 0};
  bool clipped = false;
};

std::atomic<int> g_beeps{0};

InputState& S() {
  static InputState* s = new InputState;
  return *s;
}

HCURSOR CursorHandle(size_t index) { return reinterpret_cast<HCURSOR>((static_cast<uintptr_t>(index + 1) << 2) | 3); }

Cursor* CursorFrom(HCURSOR h) {
  uintptr_t v = reinterpret_cast<uintptr_t>(h);
  if ((v & 3) != 3) return nullptr;
  size_t index = (v >> 2) - 1;
  auto& c = S().cursors;
  return index < c.size() ? c[index].get() : nullptr;
}

UINT ButtonFlags(const BYTE* keys) {
  UINT f = 0;
  if (keys[VK_LBUTTON] & 0x80) f |= MK_LBUTTON;
  if (keys[VK_RBUTTON] & 0x80) f |= MK_RBUTTON;
  if (keys[VK_MBUTTON] & 0x80) f |= MK_MBUTTON;
  if (keys[VK_SHIFT] & 0x80) f |= MK_SHIFT;
  if (keys[VK_CONTROL] & 0x80) f |= MK_CONTROL;
  return f;
}

const int kButtonVk[3] = {VK_LBUTTON, VK_RBUTTON, VK_MBUTTON};

// A key goes down or up in a key table: bit 0x80 down, bit 1 toggled at every press. The generic
// shift, control and alt keys follow their left and right keys and the other way round.
void SetKey(BYTE* keys, UINT vk, bool down) {
  auto one = [&](UINT k) {
    if (down) {
      if (!(keys[k] & 0x80)) keys[k] ^= 1;
      keys[k] |= 0x80;
    } else {
      keys[k] &= 0x01;
    }
  };
  vk &= 0xFF;
  one(vk);
  if (vk == VK_LSHIFT || vk == VK_RSHIFT) one(VK_SHIFT);
  if (vk == VK_LCONTROL || vk == VK_RCONTROL) one(VK_CONTROL);
  if (vk == VK_LMENU || vk == VK_RMENU) one(VK_MENU);
  if (vk == VK_SHIFT) one(VK_LSHIFT);
  if (vk == VK_CONTROL) one(VK_LCONTROL);
  if (vk == VK_MENU) one(VK_LMENU);
}

UINT ButtonMessage(int button, bool down, bool dbl, bool nonClient) {
  static const UINT client[3][3] = {{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK},
                                    {WM_RBUTTONDOWN, WM_RBUTTONUP, WM_RBUTTONDBLCLK},
                                    {WM_MBUTTONDOWN, WM_MBUTTONUP, WM_MBUTTONDBLCLK}};
  UINT m = client[button][dbl ? 2 : (down ? 0 : 1)];
  return nonClient ? m - WM_MOUSEMOVE + WM_NCMOUSEMOVE : m;
}

bool IsButtonDown(UINT m) {
  return m == WM_LBUTTONDOWN || m == WM_RBUTTONDOWN || m == WM_MBUTTONDOWN || m == WM_LBUTTONDBLCLK ||
         m == WM_RBUTTONDBLCLK || m == WM_MBUTTONDBLCLK || m == WM_NCLBUTTONDOWN || m == WM_NCRBUTTONDOWN ||
         m == WM_NCMBUTTONDOWN || m == WM_NCLBUTTONDBLCLK || m == WM_NCRBUTTONDBLCLK || m == WM_NCMBUTTONDBLCLK;
}

LPARAM PointParam(POINT p) {
  return MAKELPARAM(static_cast<WORD>(static_cast<int16_t>(p.x)), static_cast<WORD>(static_cast<int16_t>(p.y)));
}

HWND KeyTarget(bool* sys) {
  InputState& s = S();
  if (s.focus && FromHandle(s.focus)) return s.focus;
  if (s.active && FromHandle(s.active)) {
    *sys = true;  // no focus: keys reach the active window as system keys
    return s.active;
  }
  return nullptr;
}

// Routes one event into a message, with the window state as it is now.
bool Route(InputEvent& ev) {
  InputState& s = S();
  POINT pt{ev.x, ev.y};
  ev.msg = MSG{};
  ev.msg.time = ev.time;
  ev.msg.pt = pt;
  if (ev.kind == InputEvent::Key) {
    bool sys = false;
    HWND t = KeyTarget(&sys);
    if (!t) return false;
    bool alt = ev.alt || ev.vk == VK_MENU;
    bool ctrl = ev.ctrl;
    if ((alt && !ctrl) || ev.vk == VK_F10) sys = true;
    ev.msg.hwnd = t;
    ev.msg.message = ev.down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
    ev.msg.wParam = ev.vk;
    bool extended = (ev.vk >= VK_PRIOR && ev.vk <= VK_DOWN) || ev.vk == VK_INSERT || ev.vk == VK_DELETE ||
                    ev.vk == VK_DIVIDE || ev.vk == VK_RCONTROL || ev.vk == VK_RMENU;
    DWORD lp = 1 | ((ev.scan & 0xFF) << 16) | (extended ? (1u << 24) : 0) | ((alt && !ctrl) ? (1u << 29) : 0);
    if (!ev.down) lp |= (1u << 30) | (1u << 31);
    else if (ev.button) lp |= (1u << 30);  // auto-repeat: the key was down before
    ev.msg.lParam = static_cast<LPARAM>(lp);
    return true;
  }
  if (ev.kind == InputEvent::Char) {
    bool sys = false;
    HWND t = KeyTarget(&sys);
    if (!t || ev.text.empty()) return false;
    ev.msg.hwnd = t;
    ev.msg.message = WM_CHAR;
    ev.msg.wParam = ev.text[0];
    ev.msg.lParam = 1;
    return true;
  }
  if (ev.kind == InputEvent::Wheel) {
    bool sys = false;
    HWND t = KeyTarget(&sys);
    if (!t) {
      LRESULT hit;
      t = HitTestWindow(pt, true, &hit);
    }
    if (!t) return false;
    ev.msg.hwnd = t;
    ev.msg.message = WM_MOUSEWHEEL;
    ev.msg.wParam = MAKEWPARAM(ev.scan, static_cast<WORD>(static_cast<int16_t>(ev.delta)));
    ev.msg.lParam = PointParam(pt);
    return true;
  }
  // Mouse move or button.
  HWND target = nullptr;
  LRESULT hit = HTCLIENT;
  bool captured = s.capture && FromHandle(s.capture);
  if (ev.away && !captured) return false;  // over another program's window: only tracking hears of it
  if (captured) {
    target = s.capture;
  } else {
    target = HitTestWindow(pt, true, &hit);
    Window* tw = FromHandle(target);
    if (!tw) return false;
    if ((tw->style & WS_DISABLED)) return false;  // a disabled top-level window takes no mouse input
  }
  Window* w = FromHandle(target);
  if (!w) return false;
  bool nonClient = hit != HTCLIENT;
  ev.msg.hwnd = target;
  UINT keys = ev.scan;  // button and shift flags recorded with the event
  if (ev.kind == InputEvent::MouseMove) {
    ev.msg.message = nonClient ? WM_NCMOUSEMOVE : WM_MOUSEMOVE;
  } else {
    bool dbl = false;
    if (ev.down) {
      ev.clickBefore = s.lastClick;
      ClickHistory& c = s.lastClick;
      int dx = std::abs(pt.x - c.pt.x), dy = std::abs(pt.y - c.pt.y);
      bool wantsDouble = nonClient || (w->cls && (w->cls->style & CS_DBLCLKS));
      if (c.hwnd == target && c.button == ev.button && c.nonClient == nonClient &&
          ev.time - c.time <= s.doubleClickTime && dx <= Metric(SM_CXDOUBLECLK) / 2 &&
          dy <= Metric(SM_CYDOUBLECLK) / 2 && wantsDouble) {
        dbl = true;
        c = ClickHistory{};  // a third click starts over
      } else {
        c = ClickHistory{target, ev.button, nonClient, ev.time, pt};
      }
    }
    ev.msg.message = ButtonMessage(ev.button, ev.down, dbl, nonClient);
  }
  if (nonClient) {
    ev.msg.wParam = static_cast<WPARAM>(hit);
    ev.msg.lParam = PointParam(pt);
  } else {
    POINT c = pt;
    ScreenToClient(target, &c);
    ev.msg.wParam = keys;
    ev.msg.lParam = PointParam(c);
  }
  ev.extra.clear();
  ev.extra.push_back(MSG{nullptr, static_cast<UINT>(hit), 0, 0, 0, {0, 0}});  // keep the hit code
  return true;
}

void PostLeave(const Tracking& t) {
  Window* w = FromHandle(t.hwnd);
  if (!w) return;
  PostInternal(w, (t.flags & TME_NONCLIENT) ? WM_NCMOUSELEAVE : WM_MOUSELEAVE, 0, 0);
}

// Mouse moved to pt: leave tracking ends when the pointer left the tracked window or its area
// (away: it left our windows altogether).
void UpdateTracking(POINT pt, bool away = false) {
  InputState& s = S();
  Tracking& t = s.tracking;
  if (!t.hwnd) return;
  Window* w = FromHandle(t.hwnd);
  if (!w) {
    t = Tracking{};
    return;
  }
  LRESULT hit = HTNOWHERE;
  HWND under = away ? nullptr : HitTestWindow(pt, false, &hit);
  bool inside = under == t.hwnd && ((t.flags & TME_NONCLIENT) ? hit != HTCLIENT : hit == HTCLIENT);
  if (!inside) {
    if (t.flags & TME_LEAVE) PostLeave(t);
    t = Tracking{};
    return;
  }
  int hw = 4, hh = 4;
  if (std::abs(pt.x - t.hoverPt.x) > hw / 2 || std::abs(pt.y - t.hoverPt.y) > hh / 2) {
    t.hoverPt = pt;
    t.hoverStart = GetTickCount64();
  }
}

void Activate(HWND wnd, WORD state);

// Effects of taking a mouse message off the queue. Returns false when the message is eaten.
bool ApplyMouseEffects(InputEvent& ev) {
  InputState& s = S();
  MSG& m = ev.msg;
  LRESULT hit = ev.extra.empty() ? HTCLIENT : static_cast<LRESULT>(ev.extra[0].message);
  if (ev.kind == InputEvent::MouseButton) SetKey(s.keys, static_cast<UINT>(kButtonVk[ev.button]), ev.down);
  if (ev.kind != InputEvent::Wheel) UpdateTracking(m.pt, ev.away);
  Window* w = FromHandle(m.hwnd);
  if (!w) return false;
  HWND h = m.hwnd;
  if (IsButtonDown(m.message)) {
    Window* top = TopLevelOf(w);
    if (top && top->handle != s.active && !(top->exStyle & WS_EX_NOACTIVATE) && !s.capture) {
      HWND topH = top->handle;
      LRESULT r = SendMessage(h, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(topH), MAKELPARAM(hit, m.message));
      if (r == MA_ACTIVATE || r == MA_ACTIVATEANDEAT || r == 0) Activate(topH, WA_CLICKACTIVE);
      if (r == MA_ACTIVATEANDEAT || r == MA_NOACTIVATEANDEAT) return false;
      if (!FromHandle(h)) return false;
    }
    w = FromHandle(h);
    if (w && (w->style & WS_CHILD) && m.message >= WM_MOUSEFIRST) {
      // Tell the ancestors about a press in a child.
      HWND c = h;
      while (Window* cw = FromHandle(c)) {
        if (!(cw->style & WS_CHILD) || (cw->exStyle & WS_EX_NOPARENTNOTIFY) || !cw->parent || IsTopLevel(cw)) break;
        Window* p = cw->parent;
        POINT pp = m.pt;
        ScreenToClient(p->handle, &pp);
        UINT ev2 = m.message;
        if (ev2 == WM_LBUTTONDBLCLK) ev2 = WM_LBUTTONDOWN;
        if (ev2 == WM_RBUTTONDBLCLK) ev2 = WM_RBUTTONDOWN;
        if (ev2 == WM_MBUTTONDBLCLK) ev2 = WM_MBUTTONDOWN;
        c = p->handle;
        SendMessage(c, WM_PARENTNOTIFY, MAKEWPARAM(ev2, 0), PointParam(pp));
      }
    }
  }
  if (!FromHandle(h)) return false;
  if (!s.capture && ev.kind != InputEvent::Wheel) {
    UINT mm = m.message;
    if (mm >= WM_NCMOUSEMOVE && mm <= WM_NCMBUTTONDBLCLK) mm = mm - WM_NCMOUSEMOVE + WM_MOUSEMOVE;
    SendMessage(h, WM_SETCURSOR, reinterpret_cast<WPARAM>(h), MAKELPARAM(hit, mm));
  }
  return FromHandle(h) != nullptr;
}

void ApplyKeyEffects(InputEvent& ev) {
  InputState& s = S();
  if (ev.kind != InputEvent::Key) return;
  SetKey(s.keys, ev.vk, ev.down);
  s.lastKeyMsg = ev.msg;
  s.lastKeyText = ev.text;
}

uint16_t ScanFor(UINT vk) {
  static const struct { uint8_t vk, scan; } table[] = {
      {VK_ESCAPE, 1},   {'1', 2},        {'2', 3},          {'3', 4},         {'4', 5},        {'5', 6},
      {'6', 7},         {'7', 8},        {'8', 9},          {'9', 10},        {'0', 11},       {VK_OEM_MINUS, 12},
      {VK_OEM_PLUS, 13}, {VK_BACK, 14},  {VK_TAB, 15},      {'Q', 16},        {'W', 17},       {'E', 18},
      {'R', 19},        {'T', 20},       {'Y', 21},         {'U', 22},        {'I', 23},       {'O', 24},
      {'P', 25},        {VK_OEM_4, 26},  {VK_OEM_6, 27},    {VK_RETURN, 28},  {VK_CONTROL, 29}, {VK_LCONTROL, 29},
      {'A', 30},        {'S', 31},       {'D', 32},         {'F', 33},        {'G', 34},       {'H', 35},
      {'J', 36},        {'K', 37},       {'L', 38},         {VK_OEM_1, 39},   {VK_OEM_7, 40},  {VK_OEM_3, 41},
      {VK_SHIFT, 42},   {VK_LSHIFT, 42}, {VK_OEM_5, 43},    {'Z', 44},        {'X', 45},       {'C', 46},
      {'V', 47},        {'B', 48},       {'N', 49},         {'M', 50},        {VK_OEM_COMMA, 51}, {VK_OEM_PERIOD, 52},
      {VK_OEM_2, 53},   {VK_RSHIFT, 54}, {VK_MULTIPLY, 55}, {VK_MENU, 56},    {VK_LMENU, 56},  {VK_SPACE, 57},
      {VK_CAPITAL, 58}, {VK_F1, 59},     {VK_F2, 60},       {VK_F3, 61},      {VK_F4, 62},     {VK_F5, 63},
      {VK_F6, 64},      {VK_F7, 65},     {VK_F8, 66},       {VK_F9, 67},      {VK_F10, 68},    {VK_NUMLOCK, 69},
      {VK_SCROLL, 70},  {VK_HOME, 71},   {VK_UP, 72},       {VK_PRIOR, 73},   {VK_SUBTRACT, 74}, {VK_LEFT, 75},
      {VK_CLEAR, 76},   {VK_RIGHT, 77},  {VK_ADD, 78},      {VK_END, 79},     {VK_DOWN, 80},   {VK_NEXT, 81},
      {VK_INSERT, 82},  {VK_DELETE, 83}, {VK_DECIMAL, 83},  {VK_F11, 87},     {VK_F12, 88},    {VK_RCONTROL, 29},
      {VK_RMENU, 56},   {VK_DIVIDE, 53}, {VK_NUMPAD7, 71},  {VK_NUMPAD8, 72}, {VK_NUMPAD9, 73}, {VK_NUMPAD4, 75},
      {VK_NUMPAD5, 76}, {VK_NUMPAD6, 77}, {VK_NUMPAD1, 79}, {VK_NUMPAD2, 80}, {VK_NUMPAD3, 81}, {VK_NUMPAD0, 82},
  };
  for (const auto& e : table)
    if (e.vk == vk) return e.scan;
  return 0;
}

// The character a key gives on the United States layout with the shift state, 0 for none.
char16_t CharFor(UINT vk, bool shift, bool caps, bool ctrl, bool alt) {
  if (ctrl && !alt) {
    if (vk >= 'A' && vk <= 'Z') return static_cast<char16_t>(vk - 'A' + 1);
    switch (vk) {
      case VK_OEM_4: return 27;
      case VK_OEM_5: return 28;
      case VK_OEM_6: return 29;
      case VK_RETURN: return 10;
      case VK_BACK: return 127;
      case VK_SPACE: return ' ';
      case VK_ESCAPE: return 27;
      case VK_TAB: return 0;
      default: return 0;
    }
  }
  if (vk >= 'A' && vk <= 'Z') return static_cast<char16_t>((shift != caps) ? vk : vk - 'A' + 'a');
  if (vk >= '0' && vk <= '9') return shift ? static_cast<char16_t>(")!@#$%^&*("[vk - '0']) : static_cast<char16_t>(vk);
  if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) return static_cast<char16_t>('0' + (vk - VK_NUMPAD0));
  switch (vk) {
    case VK_SPACE: return ' ';
    case VK_RETURN: return '\r';
    case VK_BACK: return 8;
    case VK_TAB: return 9;
    case VK_ESCAPE: return 27;
    case VK_MULTIPLY: return '*';
    case VK_ADD: return '+';
    case VK_SUBTRACT: return '-';
    case VK_DECIMAL: return '.';
    case VK_DIVIDE: return '/';
    case VK_OEM_1: return shift ? ':' : ';';
    case VK_OEM_PLUS: return shift ? '+' : '=';
    case VK_OEM_COMMA: return shift ? '<' : ',';
    case VK_OEM_MINUS: return shift ? '_' : '-';
    case VK_OEM_PERIOD: return shift ? '>' : '.';
    case VK_OEM_2: return shift ? '?' : '/';
    case VK_OEM_3: return shift ? '~' : '`';
    case VK_OEM_4: return shift ? '{' : '[';
    case VK_OEM_5: return shift ? '|' : '\\';
    case VK_OEM_6: return shift ? '}' : ']';
    case VK_OEM_7: return shift ? '"' : '\'';
    default: return 0;
  }
}

void KillFocusTo(HWND newFocus) {
  InputState& s = S();
  HWND old = s.focus;
  s.focus = newFocus;
  if (old && old != newFocus && FromHandle(old)) SendMessage(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(newFocus), 0);
}

bool InTree(HWND root, HWND wnd) { return wnd && (wnd == root || IsChild(root, wnd)); }

void Activate(HWND wnd, WORD state) {
  InputState& s = S();
  Window* w = FromHandle(wnd);
  HWND old = s.active;
  if (w) {
    w = TopLevelOf(w);
    wnd = w->handle;
  }
  if (old == wnd) return;
  // A capture inside the window losing activation is cancelled.
  if (s.capture && old && InTree(old, s.capture)) SendMessage(s.capture, WM_CANCELMODE, 0, 0);
  s.active = wnd;
  if (old && FromHandle(old)) {
    SendMessage(old, WM_NCACTIVATE, FALSE, 0);
    if (FromHandle(old))
      SendMessage(old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, IsIconic(old) ? 1 : 0), reinterpret_cast<LPARAM>(wnd));
  }
  if (!old || !wnd) {
    std::vector<HWND> tops;
    for (Window* c : Desktop()->children)
      if (c->thread == CurrentThread()) tops.push_back(c->handle);
    for (HWND t : tops)
      if (FromHandle(t)) SendMessage(t, WM_ACTIVATEAPP, wnd ? TRUE : FALSE, 0);
  }
  if (s.active != wnd) return;  // a handler moved the activation on
  if (wnd && (w = FromHandle(wnd))) {
    if (!(w->exStyle & WS_EX_NOACTIVATE) && w->parent)
      SetWindowPos(wnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    GetBackend()->Activate(w);
    SendMessage(wnd, WM_NCACTIVATE, TRUE, 0);
    if (FromHandle(wnd))
      SendMessage(wnd, WM_ACTIVATE, MAKEWPARAM(state, IsIconic(wnd) ? 1 : 0), reinterpret_cast<LPARAM>(old));
  }
  // Focus left behind in a window that is no longer active goes away.
  if (s.focus && s.active == wnd && !(wnd && InTree(wnd, s.focus))) {
    Window* f = FromHandle(s.focus);
    if (!f || TopLevelOf(f)->handle != wnd) KillFocusTo(nullptr);
  }
}

}  // namespace

void PushInput(InputEvent ev) {
  InputState& s = S();
  {
    std::lock_guard<std::mutex> g(s.lock);
    ev.time = GetTickCount() - ev.earlier;
    if (ev.kind == InputEvent::MouseMove || ev.kind == InputEvent::MouseButton || ev.kind == InputEvent::Wheel) {
      if (s.clipped) {
        ev.x = std::clamp(ev.x, static_cast<int>(s.clip.left), static_cast<int>(s.clip.right) - 1);
        ev.y = std::clamp(ev.y, static_cast<int>(s.clip.top), static_cast<int>(s.clip.bottom) - 1);
      }
      s.cursor = POINT{ev.x, ev.y};
      s.cursorFromDisplay = ev.fromDisplay;
    } else {
      ev.x = s.cursor.x;
      ev.y = s.cursor.y;
    }
    if (ev.kind == InputEvent::MouseButton) SetKey(s.asyncKeys, static_cast<UINT>(kButtonVk[ev.button]), ev.down);
    if (ev.kind == InputEvent::Key) {
      UINT vk = ev.vk & 0xFF;
      ev.button = (s.asyncKeys[vk] & 0x80) && ev.down ? 1 : 0;  // auto-repeat marker
      SetKey(s.asyncKeys, vk, ev.down);
      if (!ev.scan) ev.scan = ScanFor(vk);
      ev.alt = (s.asyncKeys[VK_MENU] & 0x80) != 0;
      ev.ctrl = (s.asyncKeys[VK_CONTROL] & 0x80) != 0;
    } else if (ev.kind != InputEvent::Char) {
      ev.scan = ButtonFlags(s.asyncKeys);  // key flags of the mouse message
    }
    // Moves that nobody has looked at yet collapse into the latest one (a move away stays: the
    // leave it stands for must not be lost).
    if (ev.kind == InputEvent::MouseMove && !s.events.empty() && s.events.back().kind == InputEvent::MouseMove &&
        !s.events.back().routed && !s.events.back().away)
      s.events.back() = ev;
    else
      s.events.push_back(std::move(ev));
  }
  GetBackend()->WakeUp();
}

void ForgetReleasedKeys(const BYTE held[256]) {
  BYTE down[256] = {};
  for (int vk = 0; vk < 256; ++vk) down[vk] = held[vk] ? 1 : 0;
  // The sided keys and their common key stand for each other.
  const UINT pairs[][3] = {{VK_SHIFT, VK_LSHIFT, VK_RSHIFT}, {VK_CONTROL, VK_LCONTROL, VK_RCONTROL}, {VK_MENU, VK_LMENU, VK_RMENU}};
  for (const auto& p : pairs) {
    if (down[p[1]] || down[p[2]]) down[p[0]] = 1;
    if (down[p[0]] && !down[p[2]]) down[p[1]] = 1;
  }
  InputState& s = S();
  auto release = [&](BYTE* keys) {
    for (int vk = 0; vk < 256; ++vk) {
      if (vk == VK_LBUTTON || vk == VK_RBUTTON || vk == VK_MBUTTON || vk == VK_XBUTTON1 || vk == VK_XBUTTON2) continue;
      if ((keys[vk] & 0x80) && !down[vk]) keys[vk] &= 0x01;
    }
  };
  {
    std::lock_guard<std::mutex> g(s.lock);
    release(s.asyncKeys);
  }
  release(s.keys);
}

bool HasInputFor(DWORD) {
  std::lock_guard<std::mutex> g(S().lock);
  return !S().events.empty();
}

bool TakeInputMessage(MSG* out, HWND filter, UINT minMsg, UINT maxMsg, bool remove) {
  InputState& s = S();
  DWORD me = CurrentThread();
  for (size_t i = 0;; ++i) {
    InputEvent ev;
    {
      std::lock_guard<std::mutex> g(s.lock);
      if (i >= s.events.size()) return false;
      ev = s.events[i];
    }
    // The user drags a scroll bar: the tracker takes the mouse until the button goes up.
    if (ScrollTrackingActive() && ev.kind != InputEvent::Key && ev.kind != InputEvent::Char) {
      if (!remove) continue;
      {
        std::lock_guard<std::mutex> g(s.lock);
        if (i < s.events.size()) s.events.erase(s.events.begin() + static_cast<long>(i));
      }
      UINT m = ev.kind == InputEvent::MouseMove ? WM_MOUSEMOVE : ev.down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
      if (ev.kind == InputEvent::MouseButton) SetKey(s.keys, static_cast<UINT>(kButtonVk[ev.button]), ev.down);
      if (ev.kind != InputEvent::Wheel && (ev.kind == InputEvent::MouseMove || ev.button == 0))
        ScrollTrackingMouse(m, POINT{ev.x, ev.y});
      --i;
      continue;
    }
    // A key or a character goes to the window that has the focus when it is taken: a look at the
    // queue made earlier (a peek for another message, while a click ahead of it had not yet moved
    // the focus) does not fix where it goes. A mouse event is routed once, when first looked at,
    // since its routing counts clicks towards a double click.
    const bool keyboard = ev.kind == InputEvent::Key || ev.kind == InputEvent::Char;
    if (!ev.routed || keyboard) {
      bool ok = Route(ev);
      if (!ok && remove && ev.kind == InputEvent::MouseMove) UpdateTracking(POINT{ev.x, ev.y}, ev.away);
      std::lock_guard<std::mutex> g(s.lock);
      if (!ok && keyboard && !remove) continue;  // nobody takes it now: dropped when it is taken
      if (!ok) {
        // Nobody takes it: dropped, but the mouse buttons it pressed or released still count.
        if (i < s.events.size()) s.events.erase(s.events.begin() + static_cast<long>(i));
        if (ev.kind == InputEvent::MouseButton) SetKey(s.keys, static_cast<UINT>(kButtonVk[ev.button]), ev.down);
        --i;
        continue;
      }
      ev.routed = true;
      if (i < s.events.size()) s.events[i] = ev;
    }
    Window* w = FromHandle(ev.msg.hwnd);
    if (!w || w->thread != me) continue;
    bool pass = (!filter || (filter != reinterpret_cast<HWND>(-1) && (ev.msg.hwnd == filter || IsChild(filter, ev.msg.hwnd)))) &&
                ((minMsg == 0 && maxMsg == 0) || (ev.msg.message >= minMsg && ev.msg.message <= maxMsg));
    if (!pass) continue;
    if (!remove) {
      *out = ev.msg;
      return true;
    }
    {
      std::lock_guard<std::mutex> g(s.lock);
      if (i < s.events.size()) s.events.erase(s.events.begin() + static_cast<long>(i));
    }
    if (ev.kind == InputEvent::Key || ev.kind == InputEvent::Char) {
      ApplyKeyEffects(ev);
      *out = ev.msg;
      return true;
    }
    if (!ApplyMouseEffects(ev)) {
      --i;
      continue;
    }
    s.lastMouseWindow = ev.msg.hwnd;
    *out = ev.msg;
    return true;
  }
}

void OnWindowHidden(Window* w) {
  InputState& s = S();
  if (s.caret.owner && InTree(w->handle, s.caret.owner) && s.caret.drawn) s.caret.drawn = false;
}

void OnWindowDestroyed(Window* w) {
  InputState& s = S();
  HWND h = w->handle;
  if (s.capture && InTree(h, s.capture)) ReleaseCapture();
  if (s.focus && InTree(h, s.focus)) {
    Window* p = (w->style & WS_CHILD) && w->parent && !w->parent->destroying ? w->parent : nullptr;
    if (p && p != Desktop()) SetFocus(p->handle);
    else KillFocusTo(nullptr);
  }
  if (s.active == h) {
    s.active = nullptr;
    // Hand activation to the owner or the next visible top-level window.
    Window* next = nullptr;
    if (w->owner && (w->owner->style & WS_VISIBLE) && !w->owner->destroying) next = w->owner;
    if (!next)
      for (Window* c : Desktop()->children)
        if (c != w && (c->style & WS_VISIBLE) && !c->destroying && !(c->style & WS_DISABLED) &&
            !(c->exStyle & WS_EX_NOACTIVATE)) {
          next = c;
          break;
        }
    if (next) Activate(next->handle, WA_ACTIVE);
  }
  if (s.caret.owner && InTree(h, s.caret.owner)) {
    KillSystemTimer(s.caret.owner, kSysTimerCaret);
    s.caret = CaretState{};
  }
  if (s.tracking.hwnd && InTree(h, s.tracking.hwnd)) s.tracking = Tracking{};
  if (s.lastClick.hwnd == h) s.lastClick = ClickHistory{};
  CancelScrollTracking(w);
}

void CheckHover() {
  InputState& s = S();
  Tracking& t = s.tracking;
  if (!t.hwnd || !(t.flags & TME_HOVER)) return;
  if (GetTickCount64() - t.hoverStart < t.hoverTime) return;
  Window* w = FromHandle(t.hwnd);
  if (!w) {
    t = Tracking{};
    return;
  }
  POINT c = t.hoverPt;
  bool nc = (t.flags & TME_NONCLIENT) != 0;
  if (!nc) ScreenToClient(t.hwnd, &c);
  PostInternal(w, nc ? WM_NCMOUSEHOVER : WM_MOUSEHOVER, ButtonFlags(s.keys), PointParam(c));
  t.flags &= ~TME_HOVER;
  if (!(t.flags & TME_LEAVE)) t = Tracking{};
}

bool CursorInfo(HCURSOR h, int* standardId, int* hotX, int* hotY, int* width, int* height,
                const std::vector<uint32_t>** argb) {
  Cursor* c = CursorFrom(h);
  if (!c) return false;
  *standardId = c->standardId;
  *hotX = c->hotX;
  *hotY = c->hotY;
  *width = c->width;
  *height = c->height;
  *argb = &c->argb;
  return true;
}

bool CaretSpot(HWND* top, POINT* spot) {
  const CaretState& c = S().caret;
  Window* w = FromHandle(c.owner);
  if (!w) return false;
  Window* t = TopLevelOf(w);
  if (!t) return false;
  POINT p{c.pos.x, c.pos.y + c.height};
  ClientToScreen(c.owner, &p);
  *top = t->handle;
  *spot = POINT{p.x - t->rect.left, p.y - t->rect.top};
  return true;
}

POINT LastCursorPos() {
  std::lock_guard<std::mutex> g(S().lock);
  return S().cursor;
}

UINT KeyboardShiftFlags() { return ButtonFlags(S().keys) & (MK_SHIFT | MK_CONTROL); }

std::u16string PendingKeyText(const MSG& m) {
  InputState& s = S();
  const MSG& k = s.lastKeyMsg;
  if (k.hwnd == m.hwnd && k.message == m.message && k.wParam == m.wParam && k.lParam == m.lParam && k.time == m.time)
    return s.lastKeyText;
  return u"";
}

void OnSystemTimer(Window* w, UINT_PTR id) {
  InputState& s = S();
  if (id == kSysTimerCaret && s.caret.owner == w->handle) {
    if (s.caret.hideCount > 0 || s.caret.paintHidden) return;
    RECT r{s.caret.pos.x, s.caret.pos.y, s.caret.pos.x + s.caret.width, s.caret.pos.y + s.caret.height};
    DrawCaretXor(w, r);
    s.caret.drawn = !s.caret.drawn;
  } else if (id == kSysTimerScroll) {
    ScrollTrackingTimer();
  }
}

// The caret goes off while a window paints and comes back afterwards.
void CaretPaintBegin(HWND wnd) {
  InputState& s = S();
  if (s.caret.owner != wnd || !s.caret.drawn) return;
  Window* w = FromHandle(wnd);
  if (!w) return;
  RECT r{s.caret.pos.x, s.caret.pos.y, s.caret.pos.x + s.caret.width, s.caret.pos.y + s.caret.height};
  DrawCaretXor(w, r);
  s.caret.drawn = false;
  s.caret.paintHidden = true;
}

void CaretPaintEnd(HWND wnd) {
  InputState& s = S();
  if (s.caret.owner != wnd || !s.caret.paintHidden) return;
  s.caret.paintHidden = false;
  Window* w = FromHandle(wnd);
  if (!w || s.caret.hideCount > 0) return;
  RECT r{s.caret.pos.x, s.caret.pos.y, s.caret.pos.x + s.caret.width, s.caret.pos.y + s.caret.height};
  DrawCaretXor(w, r);
  s.caret.drawn = true;
}

}  // namespace fano_os::wm

using namespace fano_os::wm;

namespace {

void CaretErase() {
  InputState& s = S();
  if (!s.caret.drawn) return;
  if (Window* w = FromHandle(s.caret.owner)) {
    RECT r{s.caret.pos.x, s.caret.pos.y, s.caret.pos.x + s.caret.width, s.caret.pos.y + s.caret.height};
    DrawCaretXor(w, r);
  }
  s.caret.drawn = false;
}

void CaretDrawNow() {
  InputState& s = S();
  if (s.caret.drawn || s.caret.hideCount > 0 || s.caret.paintHidden) return;
  Window* w = FromHandle(s.caret.owner);
  if (!w) return;
  RECT r{s.caret.pos.x, s.caret.pos.y, s.caret.pos.x + s.caret.width, s.caret.pos.y + s.caret.height};
  DrawCaretXor(w, r);
  s.caret.drawn = true;
  SetSystemTimer(s.caret.owner, kSysTimerCaret, s.caret.blink);
}

}  // namespace

extern "C" {

HWND SetFocus(HWND wnd) {
  InputState& s = S();
  HWND old = s.focus && FromHandle(s.focus) ? s.focus : nullptr;
  if (!wnd) {
    KillFocusTo(nullptr);
    return old;
  }
  Window* w = FromHandle(wnd);
  if (!w || w->thread != CurrentThread() || w == Desktop()) {
    SetError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  Window* top = TopLevelOf(w);
  if (top->style & WS_DISABLED) return nullptr;
  if (s.active != top->handle) {
    Activate(top->handle, WA_ACTIVE);
    if (!FromHandle(wnd) || s.active != TopLevelOf(FromHandle(wnd))->handle) return nullptr;
    if (s.focus == wnd) return old;  // the activation already gave it the focus
    old = s.focus && FromHandle(s.focus) ? s.focus : nullptr;
  }
  if (s.focus == wnd) return old;
  KillFocusTo(wnd);
  if (s.focus == wnd && FromHandle(wnd)) SendMessage(wnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
  return old;
}

HWND GetFocus(void) {
  HWND f = S().focus;
  return FromHandle(f) ? f : nullptr;
}

HWND SetActiveWindow(HWND wnd) {
  InputState& s = S();
  HWND old = FromHandle(s.active) ? s.active : nullptr;
  if (wnd) {
    Window* w = FromHandle(wnd);
    if (!w || w == Desktop() || w->thread != CurrentThread()) {
      SetError(ERROR_INVALID_WINDOW_HANDLE);
      return nullptr;
    }
    if (TopLevelOf(w)->style & WS_DISABLED) return nullptr;
  }
  Activate(wnd, WA_ACTIVE);
  return old;
}

HWND GetActiveWindow(void) {
  HWND a = S().active;
  return FromHandle(a) ? a : nullptr;
}

HWND GetForegroundWindow(void) { return GetActiveWindow(); }
BOOL SetForegroundWindow(HWND wnd) { return FromHandle(wnd) && (SetActiveWindow(wnd), TRUE); }

namespace {
// Mouse input goes where the capture says when it is taken: input routed at an earlier look is
// routed again after the capture changed (a press that closes a menu reaches the window under it).
void RerouteQueuedMouse() {
  InputState& s = S();
  std::lock_guard<std::mutex> g(s.lock);
  // Newest first, so the click history ends as it was before the oldest press.
  for (auto it = s.events.rbegin(); it != s.events.rend(); ++it) {
    if (!it->routed || it->kind == InputEvent::Key || it->kind == InputEvent::Char) continue;
    if (it->kind == InputEvent::MouseButton && it->down) s.lastClick = it->clickBefore;
    it->routed = false;
  }
}
}  // namespace

HWND SetCapture(HWND wnd) {
  InputState& s = S();
  HWND old = FromHandle(s.capture) ? s.capture : nullptr;
  Window* w = FromHandle(wnd);
  if (!w || w->thread != CurrentThread()) {
    SetError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  if (old == wnd) return old;
  s.capture = wnd;
  RerouteQueuedMouse();
  if (old) SendMessage(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(wnd));
  return old;
}

BOOL ReleaseCapture(void) {
  InputState& s = S();
  HWND old = s.capture;
  s.capture = nullptr;
  if (old) RerouteQueuedMouse();
  if (old && FromHandle(old)) SendMessage(old, WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

HWND GetCapture(void) {
  HWND c = S().capture;
  return FromHandle(c) ? c : nullptr;
}

BOOL EnableWindow(HWND wnd, BOOL enable) {
  Window* w = FromHandle(wnd);
  if (!w) {
    SetError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  bool wasDisabled = (w->style & WS_DISABLED) != 0;
  if (enable && wasDisabled) {
    w->style &= ~WS_DISABLED;
    SendMessage(wnd, WM_ENABLE, TRUE, 0);
  } else if (!enable && !wasDisabled) {
    SendMessage(wnd, WM_CANCELMODE, 0, 0);
    if (!(w = FromHandle(wnd))) return FALSE;
    w->style |= WS_DISABLED;
    InputState& s = S();
    if (s.focus && InTree(wnd, s.focus)) KillFocusTo(nullptr);
    if (s.capture && InTree(wnd, s.capture)) ReleaseCapture();
    if (FromHandle(wnd)) SendMessage(wnd, WM_ENABLE, FALSE, 0);
  }
  return wasDisabled ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND wnd) {
  Window* w = FromHandle(wnd);
  return w && !(w->style & WS_DISABLED);
}

int16_t GetKeyState(int vk) {
  if (vk < 0 || vk > 255) return 0;
  BYTE k = S().keys[vk];
  return static_cast<int16_t>(((k & 0x80) ? 0x8000 : 0) | (k & 1));
}

int16_t GetAsyncKeyState(int vk) {
  if (vk < 0 || vk > 255) return 0;
  std::lock_guard<std::mutex> g(S().lock);
  return (S().asyncKeys[vk] & 0x80) ? static_cast<int16_t>(0x8000) : 0;
}

BOOL GetKeyboardState(BYTE* keys) {
  if (!keys) return FALSE;
  memcpy(keys, S().keys, 256);
  return TRUE;
}

BOOL SetKeyboardState(const BYTE* keys) {
  if (!keys) return FALSE;
  memcpy(S().keys, keys, 256);
  return TRUE;
}

UINT MapVirtualKey(UINT code, UINT mapType) {
  switch (mapType) {
    case 0:  // virtual key to scan code
      return ScanFor(code);
    case 1:  // scan code to virtual key
      for (UINT vk = 1; vk < 256; ++vk)
        if (ScanFor(vk) == code && code != 0) return vk;
      return 0;
    case 2:  // virtual key to the unshifted character
      return CharFor(code, false, false, false, false);
    default:
      return 0;
  }
}

BOOL TranslateMessage(const MSG* msg) {
  if (!msg) return FALSE;
  if (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN) return FALSE;
  Window* w = FromHandle(msg->hwnd);
  if (!w) return FALSE;
  bool sys = msg->message == WM_SYSKEYDOWN;
  std::u16string text = PendingKeyText(*msg);
  if (text.empty()) {
    const BYTE* k = S().keys;
    char16_t c = CharFor(static_cast<UINT>(msg->wParam), (k[VK_SHIFT] & 0x80) != 0, (k[VK_CAPITAL] & 1) != 0,
                         (k[VK_CONTROL] & 0x80) != 0, (k[VK_MENU] & 0x80) != 0);
    if (!c && !((k[VK_CONTROL] & 0x80) && msg->wParam == '2' && (k[VK_SHIFT] & 0x80))) return FALSE;
    text.push_back(c);
  }
  for (char16_t c : text) PostInternal(w, sys ? WM_SYSCHAR : WM_CHAR, c, msg->lParam);
  return TRUE;
}

UINT GetDoubleClickTime(void) { return S().doubleClickTime; }
BOOL SetDoubleClickTime(UINT ms) {
  S().doubleClickTime = ms ? ms : 500;
  return TRUE;
}

BOOL TrackMouseEvent(TRACKMOUSEEVENT* tme) {
  if (!tme || tme->cbSize < sizeof(TRACKMOUSEEVENT)) {
    SetError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  InputState& s = S();
  Tracking& t = s.tracking;
  if (tme->dwFlags & TME_QUERY) {
    tme->dwFlags = t.hwnd ? t.flags : 0;
    tme->hwndTrack = t.hwnd;
    tme->dwHoverTime = t.hoverTime;
    return TRUE;
  }
  Window* w = FromHandle(tme->hwndTrack);
  if (!w) {
    SetError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (tme->dwFlags & TME_CANCEL) {
    if (t.hwnd == tme->hwndTrack) {
      t.flags &= ~(tme->dwFlags & (TME_HOVER | TME_LEAVE));
      if (!(t.flags & (TME_HOVER | TME_LEAVE))) t = Tracking{};
    }
    return TRUE;
  }
  POINT pt;
  GetCursorPos(&pt);
  LRESULT hit = HTNOWHERE;
  HWND under = HitTestWindow(pt, false, &hit);
  bool nc = (tme->dwFlags & TME_NONCLIENT) != 0;
  bool inside = under == tme->hwndTrack && (nc ? hit != HTCLIENT : hit == HTCLIENT);
  if (!inside) {
    // The pointer is not over the window: a leave request is answered at once.
    if (tme->dwFlags & TME_LEAVE) PostInternal(w, nc ? WM_NCMOUSELEAVE : WM_MOUSELEAVE, 0, 0);
    return TRUE;
  }
  if (t.hwnd && t.hwnd != tme->hwndTrack && (t.flags & TME_LEAVE)) PostLeave(t);
  if (t.hwnd != tme->hwndTrack) t = Tracking{};
  t.hwnd = tme->hwndTrack;
  t.flags = (t.flags & ~TME_NONCLIENT) | (tme->dwFlags & (TME_HOVER | TME_LEAVE | TME_NONCLIENT));
  if (tme->dwFlags & TME_HOVER) {
    t.hoverTime = tme->dwHoverTime == HOVER_DEFAULT ? 400 : tme->dwHoverTime;
    t.hoverStart = GetTickCount64();
    t.hoverPt = pt;
  }
  return TRUE;
}

HCURSOR LoadCursor(HINSTANCE instance, const char* name) {
  if (instance || !IS_INTRESOURCE(name)) return nullptr;
  int id = static_cast<int>(reinterpret_cast<uintptr_t>(name));
  static const int known[] = {32512, 32513, 32514, 32515, 32516, 32640, 32641, 32642,
                              32643, 32644, 32645, 32646, 32648, 32649, 32650, 32651};
  if (std::find(std::begin(known), std::end(known), id) == std::end(known)) return nullptr;
  InputState& s = S();
  for (size_t i = 0; i < s.cursors.size(); ++i)
    if (s.cursors[i] && s.cursors[i]->standardId == id) return CursorHandle(i);
  auto c = std::make_unique<Cursor>();
  c->standardId = id;
  c->width = c->height = 32;
  s.cursors.push_back(std::move(c));
  return CursorHandle(s.cursors.size() - 1);
}

HCURSOR CreateCursorFromPixels(int hotX, int hotY, int width, int height, const uint32_t* argb) {
  if (width <= 0 || height <= 0 || width > 256 || height > 256 || !argb) return nullptr;
  auto c = std::make_unique<Cursor>();
  c->hotX = std::clamp(hotX, 0, width - 1);
  c->hotY = std::clamp(hotY, 0, height - 1);
  c->width = width;
  c->height = height;
  c->argb.assign(argb, argb + static_cast<size_t>(width) * height);
  InputState& s = S();
  s.cursors.push_back(std::move(c));
  return CursorHandle(s.cursors.size() - 1);
}

HCURSOR CreateCursor(HINSTANCE, int hotX, int hotY, int width, int height, const void* andPlane, const void* xorPlane) {
  if (width <= 0 || height <= 0 || width > 256 || height > 256 || !andPlane || !xorPlane) return nullptr;
  // Rows of 1-bit planes are padded to 16 bits. AND 1 / XOR 0: transparent; AND 0: the XOR bit
  // gives white or black; AND 1 / XOR 1: inverted screen, shown as black here.
  int stride = ((width + 15) / 16) * 2;
  const uint8_t* a = static_cast<const uint8_t*>(andPlane);
  const uint8_t* x = static_cast<const uint8_t*>(xorPlane);
  std::vector<uint32_t> px(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y)
    for (int i = 0; i < width; ++i) {
      bool an = (a[y * stride + i / 8] >> (7 - i % 8)) & 1;
      bool xo = (x[y * stride + i / 8] >> (7 - i % 8)) & 1;
      uint32_t v = an ? (xo ? 0xFF000000u : 0u) : (xo ? 0xFFFFFFFFu : 0xFF000000u);
      px[static_cast<size_t>(y) * width + i] = v;
    }
  return CreateCursorFromPixels(hotX, hotY, width, height, px.data());
}

BOOL DestroyCursor(HCURSOR cursor) {
  Cursor* c = CursorFrom(cursor);
  if (!c || c->standardId) return FALSE;  // shared standard cursors stay
  uintptr_t v = reinterpret_cast<uintptr_t>(cursor);
  S().cursors[(v >> 2) - 1].reset();
  if (S().current == cursor) S().current = nullptr;
  return TRUE;
}

HCURSOR SetCursor(HCURSOR cursor) {
  InputState& s = S();
  if (cursor && !CursorFrom(cursor)) return s.current;
  HCURSOR old = s.current;
  if (old != cursor) {
    s.current = cursor;
    GetBackend()->SetCursorShape(cursor);
  }
  return old;
}

HCURSOR GetCursor(void) { return S().current; }

int ShowCursor(BOOL show) { return show ? ++S().showCount : --S().showCount; }

BOOL GetCursorPos(POINT* pt) {
  if (!pt) return FALSE;
  {
    std::lock_guard<std::mutex> g(S().lock);
    *pt = S().cursor;
    if (!S().cursorFromDisplay) return TRUE;  // a test or a script moves the pointer: its word counts
  }
  // The server knows where the pointer is after it left our windows, where no event tells us.
  POINT now;
  if (GetBackend()->PointerPosition(&now)) *pt = now;
  return TRUE;
}

BOOL SetCursorPos(int x, int y) {
  FanoInputMouseMove(x, y);  // the windows hear of the move as of any other
  return TRUE;
}

BOOL ClipCursor(const RECT* rect) {
  InputState& s = S();
  std::lock_guard<std::mutex> g(s.lock);
  s.clipped = rect != nullptr && rect->right > rect->left && rect->bottom > rect->top;
  if (s.clipped) s.clip = *rect;
  return TRUE;
}

// The display rings its bell (the X server's; the headless display is silent); every beep is
// counted, so that a test sees a refusal that only sounds.
BOOL MessageBeep(UINT) {
  g_beeps.fetch_add(1, std::memory_order_relaxed);
  GetBackend()->Bell();
  return TRUE;
}

int FanoBeepCount(void) { return g_beeps.load(std::memory_order_relaxed); }

BOOL CreateCaret(HWND wnd, HBITMAP bitmap, int width, int height) {
  Window* w = FromHandle(wnd);
  if (!w || w->thread != CurrentThread()) {
    SetError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  DestroyCaret();
  InputState& s = S();
  UINT blink = s.caret.blink;
  s.caret = CaretState{};
  s.caret.blink = blink;
  s.caret.owner = wnd;
  s.caret.bitmap = bitmap;
  s.caret.width = width > 0 ? width : Metric(SM_CXBORDER);
  s.caret.height = height > 0 ? height : Metric(SM_CYBORDER);
  s.caret.hideCount = 1;
  return TRUE;
}

BOOL DestroyCaret(void) {
  InputState& s = S();
  if (!s.caret.owner) return FALSE;
  CaretErase();
  KillSystemTimer(s.caret.owner, kSysTimerCaret);
  UINT blink = s.caret.blink;
  s.caret = CaretState{};
  s.caret.blink = blink;
  return TRUE;
}

BOOL ShowCaret(HWND wnd) {
  InputState& s = S();
  if (!s.caret.owner || (wnd && wnd != s.caret.owner)) return FALSE;
  if (s.caret.hideCount > 0) --s.caret.hideCount;
  if (s.caret.hideCount == 0) CaretDrawNow();
  return TRUE;
}

BOOL HideCaret(HWND wnd) {
  InputState& s = S();
  if (!s.caret.owner || (wnd && wnd != s.caret.owner)) return FALSE;
  CaretErase();
  ++s.caret.hideCount;
  return TRUE;
}

BOOL SetCaretPos(int x, int y) {
  InputState& s = S();
  if (!s.caret.owner) return FALSE;
  if (s.caret.pos.x == x && s.caret.pos.y == y) return TRUE;
  bool was = s.caret.drawn;
  CaretErase();
  s.caret.pos = POINT{x, y};
  if (was || s.caret.hideCount == 0) CaretDrawNow();
  return TRUE;
}

BOOL GetCaretPos(POINT* pt) {
  if (!pt || !S().caret.owner) return FALSE;
  *pt = S().caret.pos;
  return TRUE;
}

UINT GetCaretBlinkTime(void) { return S().caret.blink; }
BOOL SetCaretBlinkTime(UINT ms) {
  S().caret.blink = ms ? ms : 530;
  return TRUE;
}

BOOL FanoGetImeSpot(HWND* top, POINT* spot) {
  HWND t = nullptr;
  POINT p{0, 0};
  if (!CaretSpot(&t, &p)) return FALSE;
  if (top) *top = t;
  if (spot) *spot = p;
  return TRUE;
}

void FanoInputMouseMove(int x, int y) {
  InputEvent ev;
  ev.kind = InputEvent::MouseMove;
  ev.x = x;
  ev.y = y;
  PushInput(ev);
}

void FanoInputMouseButton(int button, BOOL down, int x, int y) {
  if (button < 0 || button > 2) return;
  FanoInputMouseMove(x, y);
  InputEvent ev;
  ev.kind = InputEvent::MouseButton;
  ev.button = button;
  ev.down = down != 0;
  ev.x = x;
  ev.y = y;
  PushInput(ev);
}

void FanoInputMouseWheel(int delta, int x, int y) {
  InputEvent ev;
  ev.kind = InputEvent::Wheel;
  ev.delta = delta;
  ev.x = x;
  ev.y = y;
  PushInput(ev);
}

void FanoInputKey(UINT vk, BOOL down) {
  if (vk == 0 || vk > 255) return;
  InputEvent ev;
  ev.kind = InputEvent::Key;
  ev.vk = vk;
  ev.down = down != 0;
  PushInput(ev);
}

void FanoInputText(const char* utf8) {
  if (!utf8) return;
  std::u16string units = Utf8ToUtf16(utf8);
  for (char16_t u : units) {
    InputEvent ev;
    ev.kind = InputEvent::Char;
    ev.text = std::u16string(1, u);
    PushInput(ev);
  }
}

}  // extern "C"
