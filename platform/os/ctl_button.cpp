// The button control (class "BUTTON"): push buttons (default or not), check boxes with two or
// three states (set by the program or by the control itself), radio buttons, group boxes and
// owner-drawn buttons; pressed by the mouse or the space bar, telling BN_CLICKED.
#include <algorithm>

#include "platform/os/ctl_internal.h"

namespace fano_os::ctl {

namespace {

struct Button {
  explicit Button(HWND w) : wnd(w) {}
  HWND wnd;
  TextMeasure measure;
  int check = BST_UNCHECKED;
  bool pushed = false;    // drawn pressed
  bool focused = false;
  bool tracking = false;  // the left button went down on it
  bool spaceDown = false;

  DWORD Style() const { return static_cast<DWORD>(GetWindowLong(wnd, GWL_STYLE)); }
  UINT Type() const { return Style() & BS_TYPEMASK; }
  bool IsPush() const { return Type() == BS_PUSHBUTTON || Type() == BS_DEFPUSHBUTTON; }
  bool IsCheck() const {
    UINT t = Type();
    return t == BS_CHECKBOX || t == BS_AUTOCHECKBOX || t == BS_3STATE || t == BS_AUTO3STATE;
  }
  bool IsRadio() const { return Type() == BS_RADIOBUTTON || Type() == BS_AUTORADIOBUTTON; }
  bool IsGroup() const { return Type() == BS_GROUPBOX; }
};

void SetPushed(Button* b, bool v) {
  if (b->pushed == v) return;
  b->pushed = v;
  InvalidateRect(b->wnd, nullptr, FALSE);
}

// The automatic styles change their state themselves; then the parent hears of the click.
void Clicked(Button* b) {
  switch (b->Type()) {
    case BS_AUTOCHECKBOX: b->check = b->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED; break;
    case BS_AUTO3STATE: b->check = (b->check + 1) % 3; break;
    case BS_AUTORADIOBUTTON: {
      b->check = BST_CHECKED;
      // The other automatic radio buttons of the group (up to the next WS_GROUP) go off.
      HWND parent = GetParent(b->wnd);
      HWND first = b->wnd;
      while (!(GetWindowLong(first, GWL_STYLE) & WS_GROUP)) {
        HWND prev = GetWindow(first, GW_HWNDPREV);
        if (!prev) break;
        first = prev;
      }
      for (HWND w = first; w; w = GetWindow(w, GW_HWNDNEXT)) {
        if (w != first && (GetWindowLong(w, GWL_STYLE) & WS_GROUP)) break;
        if (w == b->wnd || GetParent(w) != parent) continue;
        char cls[16] = {};
        GetClassName(w, cls, sizeof cls);
        if (EqualsNoCase(cls, WC_BUTTON) && (GetWindowLong(w, GWL_STYLE) & BS_TYPEMASK) == BS_AUTORADIOBUTTON)
          SendMessage(w, BM_SETCHECK, BST_UNCHECKED, 0);
      }
      break;
    }
    default: break;
  }
  InvalidateRect(b->wnd, nullptr, FALSE);
  NotifyParent(b->wnd, BN_CLICKED);
}

std::string TextOf(HWND wnd) {
  int len = GetWindowTextLength(wnd);
  std::string t(static_cast<size_t>(len) + 1, '\0');
  GetWindowText(wnd, t.data(), len + 1);
  t.resize(static_cast<size_t>(len));
  return t;
}

void DrawLabel(HDC dc, const std::string& text, RECT r, UINT format, bool enabled) {
  if (enabled) {
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, format);
    return;
  }
  COLORREF old = SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
  RECT shadow = r;
  OffsetRect(&shadow, 1, 1);
  DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &shadow, format);
  SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
  DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, format);
  SetTextColor(dc, old);
}

void Paint(Button* b, HDC given) {
  PAINTSTRUCT ps{};
  HDC dc = given ? given : BeginPaint(b->wnd, &ps);
  if (!dc) return;
  RECT c;
  GetClientRect(b->wnd, &c);
  bool enabled = IsWindowEnabled(b->wnd);
  DWORD style = b->Style();
  if (b->Type() == BS_OWNERDRAW) {
    DRAWITEMSTRUCT d{};
    d.CtlType = ODT_BUTTON;
    d.CtlID = static_cast<UINT>(GetDlgCtrlID(b->wnd));
    d.itemAction = ODA_DRAWENTIRE;
    d.itemState = (b->pushed ? ODS_SELECTED : 0) | (b->focused ? ODS_FOCUS : 0) | (enabled ? 0 : ODS_DISABLED);
    d.hwndItem = b->wnd;
    d.hDC = dc;
    d.rcItem = c;
    if (HWND parent = GetParent(b->wnd)) SendMessage(parent, WM_DRAWITEM, d.CtlID, reinterpret_cast<LPARAM>(&d));
    if (!given) EndPaint(b->wnd, &ps);
    return;
  }
  HBRUSH brush = ControlColor(b->wnd, dc, b->IsPush() ? WM_CTLCOLORBTN : WM_CTLCOLORSTATIC);
  int saved = SaveDC(dc);
  SelectObject(dc, b->measure.DrawFont());
  SetBkMode(dc, TRANSPARENT);
  std::string text = TextOf(b->wnd);
  if (b->IsPush()) {
    RECT r = c;
    if (b->Type() == BS_DEFPUSHBUTTON || b->focused) {
      FrameRect(dc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
      InflateRect(&r, -1, -1);
    }
    DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (b->pushed ? DFCS_PUSHED | DFCS_FLAT : 0));
    if (b->pushed) FrameRect(dc, &r, GetSysColorBrush(COLOR_BTNSHADOW));
    RECT tr = r;
    if (b->pushed) OffsetRect(&tr, 1, 1);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    UINT fmt = DT_CENTER | DT_VCENTER | ((style & BS_MULTILINE) ? DT_WORDBREAK : DT_SINGLELINE);
    DrawLabel(dc, text, tr, fmt, enabled);
    if (b->focused) {
      RECT fr = r;
      InflateRect(&fr, -3, -3);
      DrawFocusRect(dc, &fr);
    }
  } else if (b->IsGroup()) {
    if (brush) FillRect(dc, &c, brush);
    SIZE sz{0, 0};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &sz);
    RECT frame = c;
    frame.top += sz.cy / 2;
    DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
    if (!text.empty()) {
      RECT tr{c.left + 8, c.top, c.left + 8 + sz.cx + 4, c.top + sz.cy};
      if (brush) FillRect(dc, &tr, brush);
      tr.left += 2;
      DrawLabel(dc, text, tr, DT_LEFT | DT_SINGLELINE, enabled);
    }
  } else {
    if (brush) FillRect(dc, &c, brush);
    const int box = 13;
    bool leftText = (style & BS_LEFTTEXT) != 0;
    int top = (c.bottom - c.top - box) / 2;
    RECT br = leftText ? RECT{c.right - box, top, c.right, top + box} : RECT{c.left, top, c.left + box, top + box};
    UINT state = b->IsRadio() ? DFCS_BUTTONRADIO : DFCS_BUTTONCHECK;
    if (b->check == BST_CHECKED) state |= DFCS_CHECKED;
    if (b->check == BST_INDETERMINATE) state |= DFCS_CHECKED | DFCS_BUTTON3STATE;
    if (b->pushed) state |= DFCS_PUSHED;
    if (!enabled) state |= DFCS_INACTIVE;
    DrawFrameControl(dc, &br, DFC_BUTTON, state);
    RECT tr = leftText ? RECT{c.left, c.top, br.left - 4, c.bottom} : RECT{br.right + 4, c.top, c.right, c.bottom};
    DrawLabel(dc, text, tr, (leftText ? DT_RIGHT : DT_LEFT) | DT_VCENTER | DT_SINGLELINE, enabled);
    if (b->focused && !text.empty()) {
      RECT calc = tr;
      DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &calc, DT_CALCRECT | DT_SINGLELINE);
      int h = calc.bottom - calc.top;
      RECT fr{leftText ? tr.right - (calc.right - calc.left) - 1 : tr.left - 1, (c.bottom - c.top - h) / 2 - 1,
              leftText ? tr.right + 1 : tr.left + (calc.right - calc.left) + 1, (c.bottom - c.top - h) / 2 + h + 1};
      IntersectRect(&fr, &fr, &c);
      DrawFocusRect(dc, &fr);
    }
  }
  RestoreDC(dc, saved);
  if (!given) EndPaint(b->wnd, &ps);
}

LRESULT Proc(Button* b, UINT msg, WPARAM wp, LPARAM lp) {
  HWND wnd = b->wnd;
  switch (msg) {
    case WM_NCDESTROY: return DefWindowProc(wnd, msg, wp, lp);
    case WM_SETFONT:
      b->measure.SetFont(reinterpret_cast<HFONT>(wp));
      if (LOWORD(lp)) InvalidateRect(wnd, nullptr, TRUE);
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(b->measure.Font());
    case WM_SETTEXT: {
      LRESULT r = DefWindowProc(wnd, msg, wp, lp);
      InvalidateRect(wnd, nullptr, TRUE);
      return r;
    }
    case WM_ERASEBKGND: return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT: Paint(b, reinterpret_cast<HDC>(wp)); return 0;
    case WM_ENABLE: InvalidateRect(wnd, nullptr, TRUE); return 0;
    case WM_GETDLGCODE:
      if (b->IsGroup()) return DLGC_STATIC;
      if (b->Type() == BS_DEFPUSHBUTTON) return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
      if (b->Type() == BS_PUSHBUTTON) return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
      if (b->IsRadio()) return DLGC_BUTTON | DLGC_RADIOBUTTON;
      return DLGC_BUTTON;
    case WM_SETFOCUS:
      b->focused = true;
      InvalidateRect(wnd, nullptr, FALSE);
      if (b->Style() & BS_NOTIFY) NotifyParent(wnd, BN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      b->focused = false;
      b->spaceDown = false;
      if (b->tracking && GetCapture() == wnd) ReleaseCapture();
      b->tracking = false;
      SetPushed(b, false);
      InvalidateRect(wnd, nullptr, FALSE);
      if (b->Style() & BS_NOTIFY) NotifyParent(wnd, BN_KILLFOCUS);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (b->IsGroup()) return 0;
      if (msg == WM_LBUTTONDBLCLK && (b->Style() & BS_NOTIFY)) {
        NotifyParent(wnd, BN_DOUBLECLICKED);
        return 0;
      }
      if (GetFocus() != wnd) SetFocus(wnd);
      if (!IsWindow(wnd)) return 0;
      b->tracking = true;
      SetCapture(wnd);
      SetPushed(b, true);
      return 0;
    case WM_MOUSEMOVE:
      if (b->tracking && GetCapture() == wnd) {
        RECT c;
        GetClientRect(wnd, &c);
        SetPushed(b, PtInRect(&c, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)}) != FALSE);
      }
      return 0;
    case WM_LBUTTONUP: {
      if (!b->tracking) return 0;
      b->tracking = false;
      bool click = b->pushed;
      SetPushed(b, false);
      if (GetCapture() == wnd) ReleaseCapture();
      if (click) Clicked(b);
      return 0;
    }
    case WM_CAPTURECHANGED:
      if (b->tracking) {
        b->tracking = false;
        SetPushed(b, false);
      }
      return 0;
    case WM_KEYDOWN:
      if (wp == VK_SPACE && !b->IsGroup()) {
        b->spaceDown = true;
        SetPushed(b, true);
      }
      return 0;
    case WM_KEYUP:
      if (wp == VK_SPACE && b->spaceDown) {
        b->spaceDown = false;
        SetPushed(b, false);
        Clicked(b);
      }
      return 0;
    case WM_CHAR: return 0;
    case BM_GETCHECK: return b->IsCheck() || b->IsRadio() ? b->check : BST_UNCHECKED;
    case BM_SETCHECK: {
      int v = static_cast<int>(wp);
      if (v == BST_INDETERMINATE && b->Type() != BS_3STATE && b->Type() != BS_AUTO3STATE) v = BST_CHECKED;
      if (v != BST_UNCHECKED && v != BST_CHECKED && v != BST_INDETERMINATE) v = BST_CHECKED;
      if (b->check != v) {
        b->check = v;
        InvalidateRect(wnd, nullptr, FALSE);
      }
      return 0;
    }
    case BM_GETSTATE:
      return (b->IsCheck() || b->IsRadio() ? b->check : 0) | (b->pushed ? BST_PUSHED : 0) | (b->focused ? BST_FOCUS : 0);
    case BM_SETSTATE: SetPushed(b, wp != 0); return 0;
    case BM_SETSTYLE: {
      DWORD s = (b->Style() & ~static_cast<DWORD>(0xFFFF)) | static_cast<DWORD>(LOWORD(wp));
      SetWindowLong(wnd, GWL_STYLE, static_cast<LONG>(s));
      if (lp) InvalidateRect(wnd, nullptr, TRUE);
      return 0;
    }
    case BM_CLICK:
      if (!IsWindowEnabled(wnd) || b->IsGroup()) return 0;
      Clicked(b);
      return 0;
    default: return DefWindowProc(wnd, msg, wp, lp);
  }
}

LRESULT ButtonWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) { return WithState<Button>(wnd, msg, wp, lp, &Proc); }

}  // namespace

void RegisterButtonClass() {
  RegisterControlClass(WC_BUTTON, &ButtonWndProc, CS_DBLCLKS | CS_PARENTDC | CS_HREDRAW | CS_VREDRAW);
}

}  // namespace fano_os::ctl
