#include "support/ui_input.h"

#include <algorithm>
#include <cstring>
#include <exception>

#include "platform/forms/menus.h"
#include "platform/os/clock.h"

namespace uitest {

void Pump() { Application->ProcessMessages(); }

void AdvanceAndPump(uint32_t ms, uint32_t step) {
  Pump();
  while (ms > 0) {
    uint32_t s = std::min(ms, step);
    ClockAdvance(s);
    ms -= s;
    Pump();
  }
}

bool WithMenu(const std::function<void()>& open, const std::function<void()>& inside) {
  bool shown = false;
  std::exception_ptr failure;  // thrown by `inside`: the test sees it, not the application's report
  const TIdleEvent saved = Application->OnIdle;
  Application->OnIdle = [&](TObject*, bool& done) {
    done = false;
    TPopupMenu* menu = TPopupMenu::ActiveMenu();
    if (!menu) return;
    if (!shown) {
      shown = true;
      try {
        inside();
        return;  // what `inside` left in the queue runs first
      } catch (...) {
        failure = std::current_exception();
      }
    }
    if ((menu = TPopupMenu::ActiveMenu())) menu->CloseMenu();
  };
  try {
    open();
  } catch (...) {
    Application->OnIdle = saved;
    throw;
  }
  Application->OnIdle = saved;
  if (failure) std::rethrow_exception(failure);
  return shown;
}

TPoint ScreenPoint(TControl* control, int x, int y) { return control->ClientToScreen(TPoint(x, y)); }

void MoveMouseTo(const TPoint& screen) {
  FanoInputMouseMove(screen.X, screen.Y);
  Pump();
}

void MouseDownAt(const TPoint& screen) {
  FanoInputMouseMove(screen.X, screen.Y);
  FanoInputMouseButton(0, TRUE, screen.X, screen.Y);
  Pump();
}

void MouseUpAt(const TPoint& screen) {
  FanoInputMouseMove(screen.X, screen.Y);
  FanoInputMouseButton(0, FALSE, screen.X, screen.Y);
  Pump();
}

void MoveMouse(TControl* control, int x, int y) { MoveMouseTo(ScreenPoint(control, x, y)); }

void MouseDown(TControl* control, int x, int y) { MouseDownAt(ScreenPoint(control, x, y)); }

void MouseUp(TControl* control, int x, int y) { MouseUpAt(ScreenPoint(control, x, y)); }

void ClickAt(TControl* control, int x, int y) {
  MouseDown(control, x, y);
  MouseUp(control, x, y);
}

void Wheel(TControl* control, int delta) {
  TPoint p = ScreenPoint(control, control->Width() / 2, control->Height() / 2);
  FanoInputMouseMove(p.X, p.Y);
  FanoInputMouseWheel(delta, p.X, p.Y);
  Pump();
}

void KeyPress(UINT vk, bool shift, bool ctrl, bool alt) {
  if (shift) FanoInputKey(VK_SHIFT, TRUE);
  if (ctrl) FanoInputKey(VK_CONTROL, TRUE);
  if (alt) FanoInputKey(VK_MENU, TRUE);
  FanoInputKey(vk, TRUE);
  FanoInputKey(vk, FALSE);
  if (alt) FanoInputKey(VK_MENU, FALSE);
  if (ctrl) FanoInputKey(VK_CONTROL, FALSE);
  if (shift) FanoInputKey(VK_SHIFT, FALSE);
  Pump();
}

void Type(const char* utf8) {
  FanoInputText(utf8);
  Pump();
}

TColor PixelOf(TWinControl* control, int x, int y) {
  RECT wr{};
  GetWindowRect(control->Handle(), &wr);
  TPoint origin = control->ClientOrigin();
  return static_cast<TColor>(
      FanoGetWindowPixel(control->Handle(), x + origin.X - wr.left, y + origin.Y - wr.top));
}

COLORREF WindowPixelAt(TWinControl* window, const TPoint& screen) {
  RECT wr{};
  GetWindowRect(window->Handle(), &wr);
  return FanoGetWindowPixel(window->Handle(), screen.X - wr.left, screen.Y - wr.top);
}

std::vector<FANO_DRAW_RECORD> Records(HDC dc, const char* call) {
  std::vector<FANO_DRAW_RECORD> out;
  for (int i = 0; i < FanoRecordCount(dc); ++i) {
    FANO_DRAW_RECORD r{};
    FanoRecordGet(dc, i, &r);
    if (!call || std::strcmp(r.call, call) == 0) out.push_back(r);
  }
  return out;
}

std::vector<std::string> Formatted(HDC dc) {
  std::vector<std::string> out;
  for (int i = 0; i < FanoRecordCount(dc); ++i) {
    char buf[512];
    FanoRecordFormat(dc, i, buf, sizeof buf);
    out.push_back(buf);
  }
  return out;
}

}  // namespace uitest
