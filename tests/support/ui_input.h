#pragma once
// Driving a headless UI from a test: running the messages, advancing the simulated clock, mouse
// and keys through the window system's queue, the pixels shown and the calls recorded on a DC.
// Needs no test framework (the fuzz targets use it too).
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/forms/controls.h"
#include "platform/forms/forms.h"
#include "platform/os/wingdi.h"
#include "platform/os/winuser.h"

namespace uitest {

// Runs the messages waiting now through the application's loop.
void Pump();
// Advances the simulated clock in steps, running the messages after each.
void AdvanceAndPump(uint32_t ms, uint32_t step = 10);

// A pop-up menu waits for its choice in a loop of its own, as a modal form does. Runs `open`, which
// pops a menu up (directly or through the input it sends), and `inside` once within the menu's
// loop, with the menu on the screen; the input `inside` leaves queued runs next, and a menu still
// open when the queue is empty is closed. The chosen item runs after that, before this returns.
// Returns whether a menu showed.
bool WithMenu(const std::function<void()>& open, const std::function<void()>& inside);

// Screen coordinates of a client point of a control.
TPoint ScreenPoint(TControl* control, int x, int y);
void MoveMouse(TControl* control, int x, int y);
void MouseDown(TControl* control, int x, int y);
void MouseUp(TControl* control, int x, int y);
void ClickAt(TControl* control, int x, int y);
// The same at a point of the screen.
void MoveMouseTo(const TPoint& screen);
void MouseDownAt(const TPoint& screen);
void MouseUpAt(const TPoint& screen);
// The wheel turned over the middle of a control.
void Wheel(TControl* control, int delta);
// A key pressed and let go with Shift, Ctrl and Alt held around it when asked.
void KeyPress(UINT vk, bool shift = false, bool ctrl = false, bool alt = false);
// Characters typed (each goes through WM_CHAR).
void Type(const char* utf8);

// The pixel shown at a client point of a windowed control.
TColor PixelOf(TWinControl* control, int x, int y);
// The pixel a window (a form, say, with what its controls drew) shows at a point of the screen.
COLORREF WindowPixelAt(TWinControl* window, const TPoint& screen);
// Same colour (0x00BBGGRR) as a TColor.
inline TColor Rgb(int r, int g, int b) { return static_cast<TColor>(RGB(r, g, b)); }

// The calls recorded on a DC (only those of one call name when given).
std::vector<FANO_DRAW_RECORD> Records(HDC dc, const char* call = nullptr);
// The same formatted ("Rectangle(0, 0, 11, 10)").
std::vector<std::string> Formatted(HDC dc);

}  // namespace uitest
