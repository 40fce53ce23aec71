// The host's dialog library (dialog.so): the message boxes of the module. The module loads it from
// the host's directory for each box and calls CvMessageBox(owner, caption, text, flags); flags 4
// asks yes/no (answer 6 yes, 7 no), anything else is a notice with one button (answer 1).
//
// The host hears of every box first (host/dialogapi.h): headless, it answers from its script and
// no box appears; with a display, the library shows its own small modal box over the owner. The
// library is unloaded after each call, so its window class goes with the box.
#include <algorithm>
#include <cstdio>
#include <string>

#include "host/dialogapi.h"
#include "host/hostui.h"

namespace {

using namespace fanohost;

constexpr int kTextWidth = 360;
constexpr int kMargin = 14;
constexpr int kIconSize = 32;
constexpr int kButtonWidth = 78;
constexpr int kButtonHeight = 24;

struct Box {
  std::string text;
  bool question = false;
  ui::ButtonRow buttons;
  RECT textRect{};
  RECT iconRect{};
  int32_t answer = 0;
  bool done = false;
};

int32_t AnswerOf(const Box& box, int button) {
  if (!box.question) return kBoxOk;
  return button == 0 ? kBoxYes : kBoxNo;
}

void Finish(Box& box, int32_t answer) {
  box.answer = answer;
  box.done = true;
}

void PaintIcon(HDC dc, const RECT& r, bool question) {
  HBRUSH brush = CreateSolidBrush(question ? RGB(0x1E, 0x5A, 0xC8) : RGB(0xE0, 0x8A, 0x00));
  HGDIOBJ oldBrush = SelectObject(dc, brush);
  HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
  Ellipse(dc, r.left, r.top, r.right, r.bottom);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  DeleteObject(brush);
  ui::DrawLabel(dc, r, question ? "?" : "!", DT_CENTER | DT_VCENTER | DT_SINGLELINE, RGB(255, 255, 255));
}

LRESULT BoxProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  Box* box = reinterpret_cast<Box*>(GetWindowLongPtr(wnd, GWLP_USERDATA));
  switch (msg) {
    case WM_CREATE: {
      auto* cs = reinterpret_cast<CREATESTRUCT*>(lp);
      SetWindowLongPtr(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
      return 0;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(wnd, &ps);
      if (box) {
        RECT client;
        GetClientRect(wnd, &client);
        ui::FillColor(dc, client, GetSysColor(COLOR_BTNFACE));
        PaintIcon(dc, box->iconRect, box->question);
        ui::DrawLabel(dc, box->textRect, box->text, DT_LEFT | DT_WORDBREAK, GetSysColor(COLOR_BTNTEXT));
        box->buttons.Paint(dc);
      }
      EndPaint(wnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_LBUTTONDOWN:
      if (box) box->buttons.MouseDown(wnd, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
      return 0;
    case WM_MOUSEMOVE:
      if (box) box->buttons.MouseMove(wnd, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
      return 0;
    case WM_MOUSELEAVE:
      if (box && box->buttons.pressed < 0) box->buttons.MouseMove(wnd, POINT{-1, -1});
      return 0;
    case WM_LBUTTONUP:
      if (box) {
        int clicked = box->buttons.MouseUp(wnd, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
        if (clicked >= 0) Finish(*box, AnswerOf(*box, clicked));
      }
      return 0;
    case WM_CAPTURECHANGED:
      if (box && reinterpret_cast<HWND>(lp) != wnd) box->buttons.CaptureLost(wnd);
      return 0;
    case WM_KEYDOWN:
      if (!box) break;
      switch (wp) {
        case VK_RETURN:
        case VK_SPACE:
          Finish(*box, AnswerOf(*box, box->buttons.focus));
          return 0;
        case VK_ESCAPE:
          Finish(*box, box->question ? kBoxNo : kBoxOk);
          return 0;
        case VK_LEFT:
        case VK_RIGHT:
        case VK_TAB: {
          int n = static_cast<int>(box->buttons.buttons.size());
          int step = wp == VK_LEFT || (wp == VK_TAB && GetKeyState(VK_SHIFT) < 0) ? n - 1 : 1;
          box->buttons.focus = (box->buttons.focus + step) % n;
          box->buttons.defaultButton = box->buttons.focus;
          InvalidateRect(wnd, nullptr, FALSE);
          return 0;
        }
        case 'Y':
          if (box->question) Finish(*box, kBoxYes);
          return 0;
        case 'N':
          if (box->question) Finish(*box, kBoxNo);
          return 0;
      }
      return 0;
    case WM_CLOSE:
      if (box) Finish(*box, box->question ? kBoxNo : kBoxOk);
      return 0;
  }
  return DefWindowProc(wnd, msg, wp, lp);
}

// The host's main window: the owner's top-level window when it is the host's, else found by class.
HWND FindHost(HWND owner) {
  char name[64] = {};
  if (owner && IsWindow(owner)) {
    HWND root = GetAncestor(owner, GA_ROOTOWNER);
    if (root && GetClassName(root, name, sizeof name) > 0 && std::string(name) == kHostWindowClass) return root;
  }
  return FindWindow(kHostWindowClass, nullptr);
}

// Anything that marks this library's own code: the instance its window class is registered with.
HINSTANCE LibraryInstance() {
  static int anchor;
  return reinterpret_cast<HINSTANCE>(&anchor);
}

int32_t ShowBox(HWND owner, const char* caption, const std::string& text, bool question) {
  std::string className = "FanoHostMessageBox." + std::to_string(reinterpret_cast<uintptr_t>(LibraryInstance()));
  WNDCLASS wc{};
  wc.lpfnWndProc = BoxProc;
  wc.hInstance = LibraryInstance();
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = className.c_str();
  // A class left by an earlier copy of this library would point at unloaded code.
  UnregisterClass(className.c_str(), LibraryInstance());
  if (!RegisterClass(&wc)) return 0;

  Box box;
  box.text = text;
  box.question = question;
  if (question) {
    box.buttons.buttons = {{"yes", "是(Y)", true, false, {}}, {"no", "否(N)", true, false, {}}};
  } else {
    box.buttons.buttons = {{"ok", "确定", true, false, {}}};
  }
  box.buttons.focus = 0;
  box.buttons.defaultButton = 0;

  // Measure the text wrapped to the box's width.
  HDC screen = GetDC(nullptr);
  HGDIOBJ old = SelectObject(screen, ui::Font());
  RECT measure{0, 0, kTextWidth, 0};
  DrawTextA(screen, text.c_str(), static_cast<int>(text.size()), &measure, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  SelectObject(screen, old);
  ReleaseDC(nullptr, screen);
  int textW = std::max<int>(measure.right - measure.left, 120);
  int textH = std::max<int>(measure.bottom - measure.top, kIconSize);
  int clientW = kMargin + kIconSize + kMargin + textW + kMargin;
  int buttonsW = static_cast<int>(box.buttons.buttons.size()) * (kButtonWidth + 10) + 2 * kMargin;
  clientW = std::max(clientW, buttonsW);
  int clientH = kMargin + textH + kMargin + kButtonHeight + kMargin;
  SetRect(&box.iconRect, kMargin, kMargin, kMargin + kIconSize, kMargin + kIconSize);
  SetRect(&box.textRect, 2 * kMargin + kIconSize, kMargin, clientW - kMargin, kMargin + textH);
  box.buttons.LayoutCentered(0, clientW, clientH - kMargin - kButtonHeight, kButtonHeight, kButtonWidth, 10);

  DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  DWORD exStyle = WS_EX_DLGMODALFRAME;
  RECT frame{0, 0, clientW, clientH};
  AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  HWND top = owner ? GetAncestor(owner, GA_ROOT) : nullptr;
  HWND wnd = CreateWindowEx(exStyle, className.c_str(), caption, style, 0, 0, frame.right - frame.left,
                            frame.bottom - frame.top, top, nullptr, LibraryInstance(), &box);
  int32_t answer = 0;
  // The control that had the keyboard gets it back once the box is answered.
  HWND focused = GetFocus();
  if (wnd) {
    // The frame as this window has it: none of ours when the window manager draws it.
    RECT wr, cr;
    GetWindowRect(wnd, &wr);
    GetClientRect(wnd, &cr);
    int frameW = (wr.right - wr.left) - cr.right, frameH = (wr.bottom - wr.top) - cr.bottom;
    ui::CenterOver(wnd, top, clientW + frameW, clientH + frameH);
    ShowWindow(wnd, SW_SHOW);
    SetActiveWindow(wnd);
    SetFocus(wnd);
    ui::RunModal(wnd, top, box.done);
    answer = box.done ? box.answer : (question ? kBoxNo : kBoxOk);
    if (IsWindow(wnd)) DestroyWindow(wnd);
    if (focused && focused != GetFocus() && IsWindow(focused) && IsWindowVisible(focused) && IsWindowEnabled(focused) &&
        GetAncestor(focused, GA_ROOT) == GetActiveWindow())
      SetFocus(focused);
  }
  UnregisterClass(className.c_str(), LibraryInstance());
  return answer;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int32_t CvMessageBox(HWND owner, const char* caption,
                                                                       const char* text, int32_t flags) {
  try {
    const char* cap = caption ? caption : "";
    std::string body = text ? text : "";
    bool question = flags == 4;
    UINT message = RegisterWindowMessage(kMessageBoxMessage);
    HWND host = FindHost(owner);
    FanoMessageBoxRequest request;
    request.owner = owner;
    request.caption = cap;
    request.text = body.c_str();
    request.flags = flags;
    if (host && SendMessage(host, message, reinterpret_cast<WPARAM>(&request), 0) != 0) return request.answer;
    int32_t answer = 0;
    if (FanoDisplayKind() == FANO_DISPLAY_HEADLESS) {
      // Nobody can press a button here: the safe answer, told on the error stream.
      answer = question ? kBoxNo : kBoxOk;
      std::fprintf(stderr, "dialog.so: unanswered box \"%s\": \"%s\" (flags %d) -> %d\n", cap, body.c_str(),
                   static_cast<int>(flags), static_cast<int>(answer));
      return answer;
    }
    answer = ShowBox(owner, cap, body, question);
    if (host && IsWindow(host)) {
      request.phase = BoxPhase::Answer;
      request.answer = answer;
      SendMessage(host, message, reinterpret_cast<WPARAM>(&request), 0);
    }
    return answer;
  } catch (...) {
    return 0;
  }
}
