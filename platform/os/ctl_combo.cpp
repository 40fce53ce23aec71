// The combo box (class "COMBOBOX"): a selection field (an edit child for the simple and drop-down
// styles, a field drawn by the combo box for the drop-down-list style) and a list ("ComboLBox"),
// always shown under the field (simple style) or dropped down as a pop-up window. CB_ messages work
// on the list and the field; changes reach the owner as CBN_ notifications.
#include <algorithm>
#include <cstring>

#include "platform/os/ctl_internal.h"

namespace fano_os::ctl {

namespace {

enum Type { kSimple = CBS_SIMPLE, kDropDown = CBS_DROPDOWN, kDropDownList = CBS_DROPDOWNLIST };

struct Combo {
  explicit Combo(HWND w) : wnd(w) {}
  HWND wnd;
  DWORD style = 0;
  int type = kDropDown;
  HWND edit = nullptr;
  HWND list = nullptr;
  TextMeasure measure;
  int fieldHeight = 14;
  bool fieldHeightSet = false;
  int droppedHeight = 0;  // room for the dropped list: what the window was asked to be beyond the field
  int minVisible = 0;     // CB_SETMINVISIBLE
  int droppedWidth = 0;
  bool dropped = false;
  bool focused = false;
  bool extendedUI = false;
  int selBeforeDrop = -1;
  bool settingText = false;  // the field shows an item: no edit notifications

  bool OwnerDraw() const { return (style & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE)) != 0; }
  int Border() const { return 2; }
  int ButtonWidth() const { return GetSystemMetrics(SM_CXVSCROLL); }
  // Height of the window without the list: the field in a sunken frame.
  int FieldWindowHeight() const { return fieldHeight + 2 * Border() + 2; }
};

LRESULT ToList(Combo* c, UINT msg, WPARAM wp, LPARAM lp) { return c->list ? SendMessage(c->list, msg, wp, lp) : CB_ERR; }

RECT ButtonRect(Combo* c) {
  RECT r;
  GetClientRect(c->wnd, &r);
  if (c->type == kSimple) return RECT{0, 0, 0, 0};
  return RECT{r.right - c->Border() - c->ButtonWidth(), c->Border(), r.right - c->Border(), r.bottom - c->Border()};
}

RECT ItemRect(Combo* c) {
  RECT r;
  GetClientRect(c->wnd, &r);
  int b = c->Border();
  if (c->type == kSimple) return RECT{b + 1, b + 1, r.right - b - 1, b + 1 + c->fieldHeight};
  RECT btn = ButtonRect(c);
  return RECT{b + 1, b + 1, btn.left - 1, r.bottom - b - 1};
}

void Layout(Combo* c) {
  RECT item = ItemRect(c);
  if (c->edit) MoveWindow(c->edit, item.left, item.top, item.right - item.left, item.bottom - item.top, TRUE);
  if (c->type == kSimple && c->list) {
    RECT r;
    GetClientRect(c->wnd, &r);
    int top = c->FieldWindowHeight();
    MoveWindow(c->list, 0, top, r.right, std::max<LONG>(0, r.bottom - top), TRUE);
  }
}

std::string ItemText(Combo* c, int index) {
  LRESULT len = ToList(c, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (len < 0) return {};
  std::string s(static_cast<size_t>(len) + sizeof(uintptr_t) + 1, '\0');
  LRESULT got = ToList(c, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(s.data()));
  if (got < 0) return {};
  s.resize(static_cast<size_t>(got));
  return s;
}

int Current(Combo* c) { return static_cast<int>(ToList(c, LB_GETCURSEL, 0, 0)); }

// The field shows the current item.
void ShowCurrent(Combo* c, bool selectAll) {
  int i = Current(c);
  if (c->edit) {
    std::string t = i >= 0 ? ItemText(c, i) : std::string();
    c->settingText = true;
    SetWindowText(c->edit, t.c_str());
    c->settingText = false;
    if (selectAll) SendMessage(c->edit, EM_SETSEL, 0, -1);
  }
  InvalidateRect(c->wnd, nullptr, FALSE);
}

void Notify(Combo* c, WORD code) { NotifyParent(c->wnd, code); }

// ---- dropping down

void CloseList(Combo* c, bool accept, bool notifyEnd) {
  if (!c->dropped) return;
  c->dropped = false;
  ListBoxSetDropped(c->list, false, false);
  if (GetCapture() == c->list) ReleaseCapture();
  ShowWindow(c->list, SW_HIDE);
  InvalidateRect(c->wnd, nullptr, FALSE);
  if (accept) {
    int sel = Current(c);
    if (sel != c->selBeforeDrop) {
      ShowCurrent(c, true);
      Notify(c, CBN_SELCHANGE);
      if (!IsWindow(c->wnd)) return;
    }
    if (notifyEnd) Notify(c, CBN_SELENDOK);
  } else {
    if (Current(c) != c->selBeforeDrop) ToList(c, LB_SETCURSEL, static_cast<WPARAM>(c->selBeforeDrop), 0);
    if (notifyEnd) Notify(c, CBN_SELENDCANCEL);
  }
  if (IsWindow(c->wnd)) Notify(c, CBN_CLOSEUP);
}

void DropList(Combo* c, bool tracking) {
  if (c->dropped || c->type == kSimple || !c->list) return;
  Notify(c, CBN_DROPDOWN);
  if (!IsWindow(c->wnd)) return;
  c->selBeforeDrop = Current(c);
  int itemH = std::max(1, ListBoxItemHeight(c->list));
  int count = static_cast<int>(ToList(c, LB_GETCOUNT, 0, 0));
  int rows = c->minVisible > 0 ? c->minVisible : (c->droppedHeight > 2 ? (c->droppedHeight - 2) / itemH : 8);
  rows = std::max(1, std::min(std::max(count, 1), std::max(1, rows)));
  RECT wr;
  GetWindowRect(c->wnd, &wr);
  int w = std::max<int>(wr.right - wr.left, c->droppedWidth);
  int h = rows * itemH + 2;
  RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0);
  int y = wr.bottom;
  if (y + h > work.bottom && wr.top - h >= work.top) y = wr.top - h;
  int x = std::max<int>(work.left, std::min<int>(wr.left, work.right - w));
  c->dropped = true;
  SetWindowPos(c->list, HWND_TOPMOST, x, y, w, h, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  ListBoxSetDropped(c->list, true, tracking);
  SetCapture(c->list);
  InvalidateRect(c->wnd, nullptr, FALSE);
}

// Selects the item and tells of it (the keys of a closed combo box, typing in the list style).
void SelectByUser(Combo* c, int index) {
  int old = Current(c);
  int count = static_cast<int>(ToList(c, LB_GETCOUNT, 0, 0));
  if (count == 0) return;
  index = std::clamp(index, 0, count - 1);
  if (index == old) return;
  ToList(c, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
  ShowCurrent(c, true);
  Notify(c, CBN_SELCHANGE);
}

bool Key(Combo* c, UINT msg, WPARAM vk) {
  bool alt = KeyDown(VK_MENU) || msg == WM_SYSKEYDOWN;
  if (msg == WM_CHAR) {
    if (c->dropped && (vk == '\r' || vk == 27)) {
      CloseList(c, vk == '\r', true);
      return true;
    }
    if (c->type == kDropDownList && vk >= 32) {
      std::string s;
      AppendUtf8(s, static_cast<char32_t>(vk));
      LRESULT i = ToList(c, LB_FINDSTRING, static_cast<WPARAM>(Current(c)), reinterpret_cast<LPARAM>(s.c_str()));
      if (i >= 0) {
        if (c->dropped) ToList(c, LB_SETCURSEL, static_cast<WPARAM>(i), 0);
        else SelectByUser(c, static_cast<int>(i));
      }
      return true;
    }
    return false;
  }
  if (vk == VK_F4 || (alt && (vk == VK_UP || vk == VK_DOWN))) {
    if (c->type == kSimple) return false;
    if (c->dropped) CloseList(c, true, true);
    else DropList(c, false);
    return true;
  }
  if (msg == WM_SYSKEYDOWN) return false;
  switch (vk) {
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT:
      if (c->dropped || c->type == kSimple) {
        // Keys choose at once, as the mouse does only with a click.
        int before = Current(c);
        ListBoxKey(c->list, vk);
        if (Current(c) != before) {
          c->selBeforeDrop = Current(c);
          ShowCurrent(c, true);
          Notify(c, CBN_SELCHANGE);
        }
        return true;
      }
      if (c->extendedUI && vk == VK_DOWN) {
        DropList(c, false);
        return true;
      }
      {
        int cur = Current(c);
        int step = (vk == VK_UP || vk == VK_DOWN) ? 1 : 8;
        SelectByUser(c, (vk == VK_UP || vk == VK_PRIOR) ? (cur < 0 ? 0 : cur - step) : cur + step);
      }
      return true;
    case VK_HOME:
    case VK_END:
      if (c->type != kDropDownList) return false;
      if (c->dropped) ListBoxKey(c->list, vk);
      else SelectByUser(c, vk == VK_HOME ? 0 : static_cast<int>(ToList(c, LB_GETCOUNT, 0, 0)) - 1);
      return true;
    default: return false;
  }
}

// ---- painting

void Paint(Combo* c, HDC given) {
  PAINTSTRUCT ps{};
  HDC dc = given ? given : BeginPaint(c->wnd, &ps);
  if (!dc) return;
  bool enabled = IsWindowEnabled(c->wnd);
  RECT client;
  GetClientRect(c->wnd, &client);
  HBRUSH back = ControlColor(c->wnd, dc, c->type == kDropDownList ? WM_CTLCOLORLISTBOX : WM_CTLCOLOREDIT);
  COLORREF text = enabled ? GetTextColor(dc) : GetSysColor(COLOR_GRAYTEXT);
  RECT frame = client;
  if (c->type == kSimple) frame.bottom = c->FieldWindowHeight();
  RECT inner = frame;
  InflateRect(&inner, -c->Border(), -c->Border());
  if (back) FillRect(dc, &inner, enabled ? back : GetSysColorBrush(COLOR_BTNFACE));
  DrawEdge(dc, &frame, EDGE_SUNKEN, BF_RECT);
  if (c->type != kSimple) {
    RECT btn = ButtonRect(c);
    UINT state = DFCS_SCROLLCOMBOBOX;
    if (c->dropped) state |= DFCS_PUSHED | DFCS_FLAT;
    if (!enabled) state |= DFCS_INACTIVE;
    DrawFrameControl(dc, &btn, DFC_SCROLL, state);
  }
  if (c->type == kDropDownList) {
    RECT item = ItemRect(c);
    int cur = Current(c);
    bool hot = c->focused && !c->dropped;
    int saved = SaveDC(dc);
    SelectObject(dc, c->measure.DrawFont());
    if (c->OwnerDraw()) {
      DRAWITEMSTRUCT d{};
      d.CtlType = ODT_COMBOBOX;
      d.CtlID = static_cast<UINT>(GetDlgCtrlID(c->wnd));
      d.itemID = static_cast<UINT>(cur);
      d.itemAction = ODA_DRAWENTIRE;
      d.itemState = ODS_COMBOBOXEDIT | (hot ? ODS_SELECTED | ODS_FOCUS : 0) | (enabled ? 0 : ODS_DISABLED);
      d.hwndItem = c->wnd;
      d.hDC = dc;
      d.rcItem = item;
      d.itemData = cur >= 0 ? static_cast<uintptr_t>(ToList(c, LB_GETITEMDATA, static_cast<WPARAM>(cur), 0)) : 0;
      if (HWND owner = GetParent(c->wnd)) SendMessage(owner, WM_DRAWITEM, d.CtlID, reinterpret_cast<LPARAM>(&d));
    } else {
      if (hot) {
        FillRect(dc, &item, GetSysColorBrush(COLOR_HIGHLIGHT));
        SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
      } else {
        SetTextColor(dc, text);
      }
      SetBkMode(dc, TRANSPARENT);
      if (cur >= 0) {
        std::string t = ItemText(c, cur);
        RECT tr = item;
        tr.left += 2;
        DrawTextA(dc, t.c_str(), static_cast<int>(t.size()), &tr, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
      }
      if (hot) DrawFocusRect(dc, &item);
    }
    RestoreDC(dc, saved);
  }
  if (!given) EndPaint(c->wnd, &ps);
}

void SetFieldHeight(Combo* c) {
  if (!c->fieldHeightSet) {
    c->fieldHeight = c->measure.Height() + 2;
    if (c->OwnerDraw() && c->list) {
      int h = c->measure.Height();
      ListBoxMeasureSelectionField(c->list, h);
      c->fieldHeight = h;
    }
  }
  if (c->type != kSimple) {
    RECT wr;
    GetWindowRect(c->wnd, &wr);
    SetWindowPos(c->wnd, nullptr, 0, 0, wr.right - wr.left, c->FieldWindowHeight(),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  Layout(c);
}

LRESULT Proc(Combo* c, UINT msg, WPARAM wp, LPARAM lp) {
  HWND wnd = c->wnd;
  switch (msg) {
    case WM_NCCREATE: {
      auto* cs = reinterpret_cast<const CREATESTRUCT*>(lp);
      c->style = static_cast<DWORD>(cs->style);
      c->type = static_cast<int>(c->style & 3);
      if (c->type == 0) c->type = kDropDown;
      if (c->OwnerDraw() && c->type == kDropDown) c->type = kDropDownList;
      // The scroll bar styles are the list's, not the combo box's own.
      SetWindowLong(wnd, GWL_STYLE, static_cast<LONG>(c->style & ~static_cast<DWORD>(WS_VSCROLL | WS_HSCROLL)));
      return DefWindowProc(wnd, msg, wp, lp);
    }
    case WM_CREATE: {
      auto* cs = reinterpret_cast<const CREATESTRUCT*>(lp);
      c->fieldHeight = c->measure.Height() + 2;
      if (c->type != kDropDownList) {
        DWORD es = WS_CHILD | WS_VISIBLE | ES_LEFT;
        if (c->style & CBS_AUTOHSCROLL) es |= ES_AUTOHSCROLL;
        if (c->style & CBS_UPPERCASE) es |= ES_UPPERCASE;
        if (c->style & CBS_LOWERCASE) es |= ES_LOWERCASE;
        RECT item = ItemRect(c);
        c->edit = CreateWindowEx(0, WC_EDIT, "", es, item.left, item.top, item.right - item.left, item.bottom - item.top,
                                 wnd, reinterpret_cast<HMENU>(static_cast<uintptr_t>(FANO_COMBO_EDIT_ID)), nullptr, nullptr);
        if (c->edit) EditSetCombo(c->edit, wnd);
      }
      DWORD ls = (c->style & WS_VSCROLL) | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
      if (c->style & CBS_OWNERDRAWFIXED) ls |= LBS_OWNERDRAWFIXED;
      if (c->style & CBS_OWNERDRAWVARIABLE) ls |= LBS_OWNERDRAWVARIABLE;
      if (c->style & CBS_HASSTRINGS) ls |= LBS_HASSTRINGS;
      if (c->style & CBS_SORT) ls |= LBS_SORT;
      if (c->style & CBS_DISABLENOSCROLL) ls |= LBS_DISABLENOSCROLL;
      if (c->type == kSimple) {
        c->list = CreateWindowEx(0, WC_COMBOLBOX, "", ls | WS_CHILD | WS_VISIBLE | WS_BORDER, 0, 0, 0, 0, wnd,
                                 reinterpret_cast<HMENU>(static_cast<uintptr_t>(FANO_COMBO_LIST_ID)), nullptr, nullptr);
      } else {
        c->list = CreateWindowEx(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, WC_COMBOLBOX, "", ls | WS_POPUP | WS_BORDER, 0, 0, 0,
                                 0, wnd, nullptr, nullptr, nullptr);
        c->droppedHeight = std::max(0, cs->cy - c->FieldWindowHeight());
      }
      SetFieldHeight(c);
      if (c->edit && cs->lpszName && !IS_INTRESOURCE(cs->lpszName) && *cs->lpszName) {
        c->settingText = true;
        SetWindowText(c->edit, cs->lpszName);
        c->settingText = false;
      }
      return 0;
    }
    case WM_DESTROY:
      if (c->list && c->type != kSimple) {
        HWND l = c->list;
        c->list = nullptr;
        c->dropped = false;
        DestroyWindow(l);
      }
      return 0;
    case WM_NCDESTROY: return DefWindowProc(wnd, msg, wp, lp);
    case WM_WINDOWPOSCHANGING: {
      auto* pos = reinterpret_cast<WINDOWPOS*>(lp);
      if (c->type != kSimple && pos && !(pos->flags & SWP_NOSIZE)) {
        if (pos->cy > c->FieldWindowHeight()) c->droppedHeight = pos->cy - c->FieldWindowHeight();
        pos->cy = c->FieldWindowHeight();
      }
      return DefWindowProc(wnd, msg, wp, lp);
    }
    case WM_SIZE:
      Layout(c);
      InvalidateRect(wnd, nullptr, TRUE);
      return 0;
    case WM_SETFONT:
      c->measure.SetFont(reinterpret_cast<HFONT>(wp));
      if (c->edit) SendMessage(c->edit, WM_SETFONT, wp, lp);
      if (c->list) SendMessage(c->list, WM_SETFONT, wp, lp);
      SetFieldHeight(c);
      InvalidateRect(wnd, nullptr, TRUE);
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(c->measure.Font());
    case WM_ERASEBKGND: return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT: Paint(c, reinterpret_cast<HDC>(wp)); return 0;
    case WM_ENABLE:
      if (c->edit) EnableWindow(c->edit, wp != 0);
      if (c->list) EnableWindow(c->list, wp != 0);
      if (!wp) CloseList(c, false, true);
      InvalidateRect(wnd, nullptr, TRUE);
      return 0;
    case WM_SETFOCUS:
      if (c->edit) {
        SetFocus(c->edit);
        SendMessage(c->edit, EM_SETSEL, 0, -1);
        return 0;
      }
      c->focused = true;
      InvalidateRect(wnd, nullptr, FALSE);
      Notify(c, CBN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      if (c->edit) return 0;
      c->focused = false;
      if (c->dropped && reinterpret_cast<HWND>(wp) != c->list) CloseList(c, false, true);
      InvalidateRect(wnd, nullptr, FALSE);
      if (IsWindow(wnd)) Notify(c, CBN_KILLFOCUS);
      return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS | (c->dropped ? DLGC_WANTALLKEYS : 0);
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_CHAR:
      if (Key(c, msg, wp)) return 0;
      if (c->edit && msg != WM_SYSKEYDOWN) return SendMessage(c->edit, msg, wp, lp);
      return DefWindowProc(wnd, msg, wp, lp);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      RECT btn = ButtonRect(c);
      if (GetFocus() != wnd && GetFocus() != c->edit) SetFocus(wnd);
      if (!IsWindow(wnd)) return 0;
      if (c->type == kDropDownList || PtInRect(&btn, p)) {
        if (c->dropped) CloseList(c, false, true);
        else DropList(c, true);
      }
      return 0;
    }
    case WM_COMMAND: {
      HWND from = reinterpret_cast<HWND>(lp);
      WORD code = HIWORD(wp);
      if (from == c->edit) {
        if (c->settingText && (code == EN_CHANGE || code == EN_UPDATE)) return 0;
        switch (code) {
          case EN_CHANGE: {
            if (c->type == kSimple || c->dropped) {
              int len = GetWindowTextLength(c->edit);
              std::string t(static_cast<size_t>(len) + 1, '\0');
              GetWindowText(c->edit, t.data(), len + 1);
              t.resize(static_cast<size_t>(len));
              LRESULT i = t.empty() ? -1 : ToList(c, LB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(t.c_str()));
              ToList(c, LB_SETCURSEL, static_cast<WPARAM>(i < 0 ? -1 : i), 0);
            }
            Notify(c, CBN_EDITCHANGE);
            break;
          }
          case EN_UPDATE: Notify(c, CBN_EDITUPDATE); break;
          case EN_SETFOCUS:
            c->focused = true;
            Notify(c, CBN_SETFOCUS);
            break;
          case EN_KILLFOCUS:
            c->focused = false;
            if (c->dropped && GetFocus() != c->list) CloseList(c, false, true);
            if (IsWindow(wnd)) Notify(c, CBN_KILLFOCUS);
            break;
          default: break;
        }
      } else if (from == c->list) {
        if (code == LBN_SELCHANGE && !c->dropped) {
          ShowCurrent(c, false);
          Notify(c, CBN_SELCHANGE);
        } else if (code == LBN_DBLCLK) {
          Notify(c, CBN_DBLCLK);
        }
      }
      return 0;
    }
    case WM_SETTEXT: {
      const char* s = reinterpret_cast<const char*>(lp);
      if (c->edit) {
        c->settingText = true;
        LRESULT r = SendMessage(c->edit, WM_SETTEXT, 0, lp);
        c->settingText = false;
        return r;
      }
      LRESULT i = ToList(c, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), lp);
      ToList(c, LB_SETCURSEL, static_cast<WPARAM>(i), 0);
      InvalidateRect(wnd, nullptr, FALSE);
      return (i >= 0 || !s || !*s) ? TRUE : CB_ERR;
    }
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH: {
      if (c->edit) return SendMessage(c->edit, msg, wp, lp);
      int cur = Current(c);
      std::string t = cur >= 0 ? ItemText(c, cur) : std::string();
      if (msg == WM_GETTEXTLENGTH) return static_cast<LRESULT>(t.size());
      char* buf = reinterpret_cast<char*>(lp);
      if (!buf || wp == 0) return 0;
      size_t n = CharStart(t, std::min(static_cast<size_t>(wp) - 1, t.size()));
      std::memcpy(buf, t.data(), n);
      buf[n] = 0;
      return static_cast<LRESULT>(n);
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSTATIC:
      // The parts' colours are the combo box's: its parent chooses them.
      return reinterpret_cast<LRESULT>(ControlColor(wnd, reinterpret_cast<HDC>(wp), msg));
    case CB_ADDSTRING: return ToList(c, LB_ADDSTRING, wp, lp);
    case CB_INSERTSTRING: return ToList(c, LB_INSERTSTRING, wp, lp);
    case CB_DELETESTRING: {
      LRESULT r = ToList(c, LB_DELETESTRING, wp, lp);
      InvalidateRect(wnd, nullptr, FALSE);
      return r;
    }
    case CB_RESETCONTENT:
      ToList(c, LB_RESETCONTENT, 0, 0);
      if (c->edit) {
        c->settingText = true;
        SetWindowText(c->edit, "");
        c->settingText = false;
      }
      InvalidateRect(wnd, nullptr, FALSE);
      return CB_OKAY;
    case CB_GETCOUNT: return ToList(c, LB_GETCOUNT, 0, 0);
    case CB_GETCURSEL: return Current(c);
    case CB_SETCURSEL: {
      LRESULT r = ToList(c, LB_SETCURSEL, wp, 0);
      c->selBeforeDrop = Current(c);
      ShowCurrent(c, false);
      return r;
    }
    case CB_GETLBTEXT: return ToList(c, LB_GETTEXT, wp, lp);
    case CB_GETLBTEXTLEN: return ToList(c, LB_GETTEXTLEN, wp, lp);
    case CB_GETITEMDATA: return ToList(c, LB_GETITEMDATA, wp, lp);
    case CB_SETITEMDATA: return ToList(c, LB_SETITEMDATA, wp, lp);
    case CB_FINDSTRING: return ToList(c, LB_FINDSTRING, wp, lp);
    case CB_FINDSTRINGEXACT: return ToList(c, LB_FINDSTRINGEXACT, wp, lp);
    case CB_SELECTSTRING: {
      LRESULT i = ToList(c, LB_FINDSTRING, wp, lp);
      if (i < 0) return CB_ERR;
      ToList(c, LB_SETCURSEL, static_cast<WPARAM>(i), 0);
      c->selBeforeDrop = static_cast<int>(i);
      ShowCurrent(c, false);
      return i;
    }
    case CB_SETITEMHEIGHT: {
      LONG index = static_cast<LONG>(wp);
      int h = static_cast<int>(LOWORD(lp));
      if (index == -1) {
        if (h <= 0 || h > 255) return CB_ERR;
        c->fieldHeight = h;
        c->fieldHeightSet = true;
        SetFieldHeight(c);
        InvalidateRect(wnd, nullptr, TRUE);
        return 0;
      }
      return ToList(c, LB_SETITEMHEIGHT, wp, lp);
    }
    case CB_GETITEMHEIGHT:
      if (static_cast<LONG>(wp) == -1) return c->fieldHeight;
      return ToList(c, LB_GETITEMHEIGHT, wp, 0);
    case CB_SHOWDROPDOWN:
      if (wp) DropList(c, false);
      else CloseList(c, true, true);
      return TRUE;
    case CB_GETDROPPEDSTATE: return c->dropped ? TRUE : FALSE;
    case CB_GETDROPPEDCONTROLRECT: {
      if (!lp) return CB_ERR;
      RECT r;
      if (c->list && (c->dropped || c->type == kSimple)) {
        GetWindowRect(c->list, &r);
      } else {
        GetWindowRect(wnd, &r);
        r.bottom += c->droppedHeight;
      }
      *reinterpret_cast<RECT*>(lp) = r;
      return TRUE;
    }
    case CB_SETDROPPEDWIDTH:
      c->droppedWidth = static_cast<int>(wp);
      return c->droppedWidth;
    case CB_GETDROPPEDWIDTH: {
      RECT r;
      GetWindowRect(wnd, &r);
      return std::max<LONG>(r.right - r.left, c->droppedWidth);
    }
    case CB_SETMINVISIBLE:
      if (static_cast<LONG>(wp) <= 0) return FALSE;
      c->minVisible = static_cast<int>(wp);
      return TRUE;
    case CB_GETMINVISIBLE: return c->minVisible > 0 ? c->minVisible : 30;
    case CB_SETEXTENDEDUI: c->extendedUI = wp != 0; return CB_OKAY;
    case CB_GETEXTENDEDUI: return c->extendedUI ? TRUE : FALSE;
    case CB_GETTOPINDEX: return ToList(c, LB_GETTOPINDEX, 0, 0);
    case CB_SETTOPINDEX: return ToList(c, LB_SETTOPINDEX, wp, 0);
    case CB_LIMITTEXT: return c->edit ? SendMessage(c->edit, EM_LIMITTEXT, wp, 0), TRUE : CB_ERR;
    case CB_GETEDITSEL:
      if (!c->edit) return CB_ERR;
      return SendMessage(c->edit, EM_GETSEL, wp, lp);
    case CB_SETEDITSEL:
      if (!c->edit) return CB_ERR;
      SendMessage(c->edit, EM_SETSEL, static_cast<WPARAM>(static_cast<int16_t>(LOWORD(lp))),
                  static_cast<LPARAM>(static_cast<int16_t>(HIWORD(lp))));
      return TRUE;
    case CB_GETCOMBOBOXINFO: {
      auto* info = reinterpret_cast<COMBOBOXINFO*>(lp);
      if (!info) return FALSE;
      info->rcItem = ItemRect(c);
      info->rcButton = ButtonRect(c);
      info->stateButton = c->type == kSimple ? STATE_SYSTEM_INVISIBLE : (c->dropped ? STATE_SYSTEM_PRESSED : 0);
      info->hwndCombo = wnd;
      info->hwndItem = c->edit ? c->edit : wnd;
      info->hwndList = c->list;
      return TRUE;
    }
    case CB_INITSTORAGE: return ToList(c, LB_GETCOUNT, 0, 0);
    case CB_DIR: return CB_ERR;
    case CB_GETLOCALE:
    case CB_SETLOCALE:
    case CB_GETHORIZONTALEXTENT: return 0;
    case CB_SETHORIZONTALEXTENT: return ToList(c, LB_SETHORIZONTALEXTENT, wp, 0);
    default: return DefWindowProc(wnd, msg, wp, lp);
  }
}

LRESULT ComboWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) { return WithState<Combo>(wnd, msg, wp, lp, &Proc); }

}  // namespace

void ComboListCloseUp(HWND combo, bool accept) {
  if (auto* c = StateOf<Combo>(combo)) CloseList(c, accept, true);
}

bool ComboEditKey(HWND combo, UINT msg, WPARAM key) {
  auto* c = StateOf<Combo>(combo);
  return c && Key(c, msg, key);
}

void RegisterComboBoxClass() {
  RegisterControlClass(WC_COMBOBOX, &ComboWndProc, CS_DBLCLKS | CS_PARENTDC | CS_HREDRAW | CS_VREDRAW);
}

}  // namespace fano_os::ctl
