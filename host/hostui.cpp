#include "host/hostui.h"

#include <algorithm>

namespace fanohost::ui {

HFONT Font() { return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

SIZE MeasureText(HDC dc, std::string_view text) {
  HGDIOBJ old = SelectObject(dc, Font());
  SIZE size{0, 0};
  GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size);
  if (size.cy == 0) {
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    size.cy = tm.tmHeight;
  }
  SelectObject(dc, old);
  return size;
}

void FillColor(HDC dc, const RECT& r, COLORREF color) {
  HBRUSH brush = CreateSolidBrush(color);
  FillRect(dc, &r, brush);
  DeleteObject(brush);
}

void DrawLabel(HDC dc, const RECT& r, std::string_view text, UINT format, COLORREF color) {
  HGDIOBJ old = SelectObject(dc, Font());
  int oldMode = SetBkMode(dc, TRANSPARENT);
  COLORREF oldColor = SetTextColor(dc, color);
  RECT box = r;
  DrawTextA(dc, text.data(), static_cast<int>(text.size()), &box, format | DT_NOPREFIX);
  SetTextColor(dc, oldColor);
  SetBkMode(dc, oldMode);
  SelectObject(dc, old);
}

void DrawButton(HDC dc, const RECT& r, std::string_view text, const ButtonLook& look) {
  FillColor(dc, r, GetSysColor(COLOR_BTNFACE));
  RECT edge = r;
  if (look.isDefault || look.focused) {
    FrameRect(dc, &edge, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    InflateRect(&edge, -1, -1);
  }
  if (look.pressed && look.hot) {
    DrawEdge(dc, &edge, EDGE_SUNKEN, BF_RECT);
  } else if (look.enabled) {
    DrawEdge(dc, &edge, EDGE_RAISED, BF_RECT);
  } else {
    DrawEdge(dc, &edge, BDR_RAISEDINNER, BF_RECT);
  }
  RECT label = r;
  if (look.pressed && look.hot) OffsetRect(&label, 1, 1);
  DrawLabel(dc, label, text, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS,
            GetSysColor(look.enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
  if (look.focused) {
    RECT focus = r;
    InflateRect(&focus, -4, -4);
    DrawFocusRect(dc, &focus);
  }
}

// ---- the row of buttons ----

void ButtonRow::LayoutLeft(HDC dc, int x, int y, int height, int minWidth) {
  for (Button& b : buttons) {
    if (b.gapBefore) x += 8;
    int width = std::max(minWidth, static_cast<int>(MeasureText(dc, b.text).cx) + 16);
    SetRect(&b.rect, x, y, x + width, y + height);
    x += width + 2;
  }
}

int ButtonRow::LayoutWrapped(HDC dc, int x, int y, int height, int minWidth, int right, int rowGap) {
  const int left = x;
  int rows = buttons.empty() ? 0 : 1;
  bool rowStart = true;
  for (Button& b : buttons) {
    const int width = std::max(minWidth, static_cast<int>(MeasureText(dc, b.text).cx) + 16);
    int at = rowStart ? x : x + (b.gapBefore ? 8 : 0);
    if (!rowStart && at + width > right) {
      // The separator of a group that starts a row is the row's start.
      y += height + rowGap;
      ++rows;
      at = left;
    }
    SetRect(&b.rect, at, y, at + width, y + height);
    x = at + width + 2;
    rowStart = false;
  }
  return rows;
}

void ButtonRow::LayoutCentered(int left, int right, int y, int height, int width, int gap) {
  int n = static_cast<int>(buttons.size());
  int total = n * width + std::max(0, n - 1) * gap;
  int x = left + (right - left - total) / 2;
  for (Button& b : buttons) {
    SetRect(&b.rect, x, y, x + width, y + height);
    x += width + gap;
  }
}

int ButtonRow::HitTest(POINT pt) const {
  for (size_t i = 0; i < buttons.size(); ++i)
    if (PtInRect(&buttons[i].rect, pt)) return static_cast<int>(i);
  return -1;
}

void ButtonRow::Paint(HDC dc) const {
  for (size_t i = 0; i < buttons.size(); ++i) {
    const Button& b = buttons[i];
    if (b.gapBefore) {
      RECT sep{b.rect.left - 5, b.rect.top + 2, b.rect.left - 3, b.rect.bottom - 2};
      DrawEdge(dc, &sep, EDGE_ETCHED, BF_LEFT);
    }
    ButtonLook look;
    int index = static_cast<int>(i);
    look.enabled = b.enabled;
    look.hot = hot == index;
    look.pressed = pressed == index;
    look.isDefault = defaultButton == index;
    look.focused = focus == index;
    DrawButton(dc, b.rect, b.text, look);
  }
}

int ButtonRow::Right() const { return buttons.empty() ? 0 : buttons.back().rect.right; }

void ButtonRow::InvalidateButton(HWND wnd, int index) const {
  if (index >= 0 && index < static_cast<int>(buttons.size())) InvalidateRect(wnd, &buttons[index].rect, FALSE);
}

bool ButtonRow::MouseDown(HWND wnd, POINT pt) {
  int i = HitTest(pt);
  if (i < 0 || !buttons[i].enabled) return false;
  pressed = i;
  hot = i;
  SetCapture(wnd);
  InvalidateButton(wnd, i);
  return true;
}

int ButtonRow::MouseUp(HWND wnd, POINT pt) {
  int was = pressed;
  if (was < 0) return -1;
  pressed = -1;
  int over = HitTest(pt);
  if (GetCapture() == wnd) ReleaseCapture();
  InvalidateButton(wnd, was);
  return over == was && was < static_cast<int>(buttons.size()) && buttons[was].enabled ? was : -1;
}

void ButtonRow::MouseMove(HWND wnd, POINT pt) {
  int over = HitTest(pt);
  if (over == hot) return;
  InvalidateButton(wnd, hot);
  hot = over;
  InvalidateButton(wnd, hot);
  if (over >= 0 && pressed < 0) {
    TRACKMOUSEEVENT tme{sizeof(TRACKMOUSEEVENT), TME_LEAVE, wnd, 0};
    TrackMouseEvent(&tme);
  }
}

void ButtonRow::CaptureLost(HWND wnd) {
  InvalidateButton(wnd, pressed);
  InvalidateButton(wnd, hot);
  pressed = -1;
  hot = -1;
}

// ---- modal loop ----

bool RunModal(HWND dialog, HWND owner, const bool& done) {
  HWND top = owner ? GetAncestor(owner, GA_ROOT) : nullptr;
  bool reenable = top && IsWindowEnabled(top);
  if (reenable) EnableWindow(top, FALSE);
  bool quit = false;
  int quitCode = 0;
  MSG msg;
  while (!done && IsWindow(dialog)) {
    if (!GetMessage(&msg, nullptr, 0, 0)) {
      quit = true;
      quitCode = static_cast<int>(msg.wParam);
      break;
    }
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }
  if (reenable && IsWindow(top)) EnableWindow(top, TRUE);
  if (top && IsWindow(top)) SetActiveWindow(top);
  if (quit) PostQuitMessage(quitCode);
  return !quit;
}

void CenterOver(HWND wnd, HWND owner, int width, int height) {
  RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (owner) GetWindowRect(GetAncestor(owner, GA_ROOT), &area);
  int x = area.left + (area.right - area.left - width) / 2;
  int y = area.top + (area.bottom - area.top - height) / 2;
  SetWindowPos(wnd, nullptr, std::max(0, x), std::max(0, y), width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace fanohost::ui
