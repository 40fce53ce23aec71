#pragma once
// The few window pieces the stand-in host and its dialog library draw themselves on the window
// system: push buttons in a row (the tool bar, the buttons of a box), text, and a modal loop.
// Plain functions over window handles; the windows that use them keep the state.
#include <string>
#include <string_view>
#include <vector>

#include "platform/os/winuser.h"

namespace fanohost::ui {

// The interface font (a stock object: never deleted).
HFONT Font();
// The size of a single line of text in the interface font.
SIZE MeasureText(HDC dc, std::string_view text);
void FillColor(HDC dc, const RECT& r, COLORREF color);
// Draws text in the interface font, transparent, with DrawText's format flags.
void DrawLabel(HDC dc, const RECT& r, std::string_view text, UINT format, COLORREF color);

struct ButtonLook {
  bool pressed = false;    // held down with the mouse over it
  bool hot = false;        // the mouse is over it
  bool enabled = true;
  bool isDefault = false;  // Enter presses it
  bool focused = false;    // the keyboard is on it
};
void DrawButton(HDC dc, const RECT& r, std::string_view text, const ButtonLook& look);

// A row of push buttons: layout, painting, hit tests and mouse tracking with capture.
class ButtonRow {
 public:
  struct Button {
    std::string id;
    std::string text;
    bool enabled = true;
    bool gapBefore = false;  // a separator before this button
    RECT rect{};
  };

  std::vector<Button> buttons;
  int hot = -1;
  int pressed = -1;  // index held down, -1 when none
  int focus = -1;
  int defaultButton = -1;

  // Left to right from x; each button as wide as its text plus padding, at least minWidth.
  void LayoutLeft(HDC dc, int x, int y, int height, int minWidth);
  // The same, but a button that would pass `right` starts a new row `height + rowGap` lower (a
  // row's first button stays, however wide). Answers the number of rows (0 for an empty row).
  int LayoutWrapped(HDC dc, int x, int y, int height, int minWidth, int right, int rowGap);
  // Buttons of one width, centred between left and right.
  void LayoutCentered(int left, int right, int y, int height, int width, int gap);
  int HitTest(POINT pt) const;
  void Paint(HDC dc) const;
  // The right edge of the last button (0 for an empty row).
  int Right() const;

  // Mouse handling of the window that shows the row. Down starts tracking (capture); up answers
  // the index clicked (released over the button it was pressed on), or -1.
  bool MouseDown(HWND wnd, POINT pt);
  int MouseUp(HWND wnd, POINT pt);
  void MouseMove(HWND wnd, POINT pt);
  void CaptureLost(HWND wnd);

 private:
  void InvalidateButton(HWND wnd, int index) const;
};

// Runs a modal loop for `dialog` until `done` is true or the window is gone; `owner` (and its
// top-level window) is disabled meanwhile. Answers false when WM_QUIT ended the loop (the quit is
// posted again for the outer loop).
bool RunModal(HWND dialog, HWND owner, const bool& done);

// Places a top-level window of the given size centred over `owner` (or the screen).
void CenterOver(HWND wnd, HWND owner, int width, int height);

}  // namespace fanohost::ui
