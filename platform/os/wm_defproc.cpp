// The default window procedure: texts, closing, system commands, sizes, cursors, activation,
// mouse activation, erasing, the non-client area (hit testing and the classic frame, caption,
// edges and scroll bars) and the default handling that passes messages on to the parent.
#include <algorithm>
#include <cstring>

#include "platform/os/ctl_internal.h"
#include "platform/os/gdi_internal.h"
#include "platform/os/wingdi.h"
#include "platform/os/wm_internal.h"

namespace fano_os::wm {

namespace {

struct NcLayout {
  RECT window{0, 0, 0, 0};  // window coordinates
  int frame = 0;
  bool thick = false;
  RECT caption{0, 0, 0, 0};
  RECT closeBtn{0, 0, 0, 0}, maxBtn{0, 0, 0, 0}, minBtn{0, 0, 0, 0};
  RECT edge{0, 0, 0, 0};  // where the client or static edge is drawn
};

bool In(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

int Frame(const Window* w) {
  if (FramedByDisplay(w)) return 0;
  if (w->style & WS_THICKFRAME) return Metric(SM_CXFRAME);
  if ((w->style & WS_DLGFRAME) || (w->exStyle & WS_EX_DLGMODALFRAME)) return Metric(SM_CXDLGFRAME);
  if (w->style & WS_BORDER) return Metric(SM_CXBORDER);
  return 0;
}

NcLayout Layout(const Window* w) {
  NcLayout l;
  l.window = RECT{0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
  l.frame = Frame(w);
  l.thick = (w->style & WS_THICKFRAME) != 0;
  RECT in{l.frame, l.frame, l.window.right - l.frame, l.window.bottom - l.frame};
  if ((w->style & WS_CAPTION) == WS_CAPTION && !FramedByDisplay(w)) {
    int ch = (w->exStyle & WS_EX_TOOLWINDOW) ? Metric(SM_CYSMCAPTION) : Metric(SM_CYCAPTION);
    l.caption = RECT{in.left, in.top, in.right, in.top + ch - 1};
    in.top += ch;
    int bs = ch - 5;
    int x = l.caption.right - 2;
    int y = l.caption.top + 2;
    if (w->style & WS_SYSMENU) {
      l.closeBtn = RECT{x - bs - 2, y, x, y + bs};
      x = l.closeBtn.left - 2;
      if ((w->style & (WS_MAXIMIZEBOX | WS_MINIMIZEBOX)) && !(w->exStyle & WS_EX_TOOLWINDOW)) {
        l.maxBtn = RECT{x - bs - 2, y, x, y + bs};
        l.minBtn = RECT{l.maxBtn.left - bs - 2, y, l.maxBtn.left, y + bs};
      }
    }
  }
  l.edge = in;
  return l;
}

HBRUSH ClassBrush(const Window* w) {
  if (!w->cls || !w->cls->background) return nullptr;
  uintptr_t v = reinterpret_cast<uintptr_t>(w->cls->background);
  if (v > 0 && v <= FANO_SYSCOLOR_COUNT) return GetSysColorBrush(static_cast<int>(v - 1));
  return w->cls->background;
}

LRESULT NcHitTest(Window* w, POINT pt) {
  RECT wr = WindowRectScreen(w);
  if (!In(wr, pt)) return HTNOWHERE;
  if (w->style & WS_MINIMIZE) return HTCAPTION;
  if (In(ClientRectScreen(w), pt)) return HTCLIENT;
  POINT p{pt.x - wr.left, pt.y - wr.top};
  NcLayout l = Layout(w);
  if (l.frame > 0) {
    RECT inner{l.frame, l.frame, l.window.right - l.frame, l.window.bottom - l.frame};
    if (!In(inner, p)) {
      if (!l.thick) return HTBORDER;
      int corner = Metric(SM_CYCAPTION);
      bool left = p.x < inner.left, right = p.x >= inner.right, top = p.y < inner.top, bottom = p.y >= inner.bottom;
      if (top || bottom) {
        if (p.x < corner) return top ? HTTOPLEFT : HTBOTTOMLEFT;
        if (p.x >= l.window.right - corner) return top ? HTTOPRIGHT : HTBOTTOMRIGHT;
        return top ? HTTOP : HTBOTTOM;
      }
      if (left || right) {
        if (p.y < corner) return left ? HTTOPLEFT : HTTOPRIGHT;
        if (p.y >= l.window.bottom - corner) return left ? HTBOTTOMLEFT : HTBOTTOMRIGHT;
        return left ? HTLEFT : HTRIGHT;
      }
    }
  }
  if (In(l.caption, p) || (l.caption.bottom > l.caption.top && p.y == l.caption.bottom)) {
    if (In(l.closeBtn, p)) return HTCLOSE;
    if (In(l.maxBtn, p)) return HTMAXBUTTON;
    if (In(l.minBtn, p)) return HTMINBUTTON;
    return HTCAPTION;
  }
  RECT vb, hb;
  GetBarRects(w, SB_VERT, &vb);
  GetBarRects(w, SB_HORZ, &hb);
  if (In(vb, p)) return HTVSCROLL;
  if (In(hb, p)) return HTHSCROLL;
  if ((w->style & WS_VSCROLL) && (w->style & WS_HSCROLL) && vb.right > vb.left && hb.bottom > hb.top) {
    RECT box{vb.left, hb.top, vb.right, hb.bottom};
    if (In(box, p)) return l.thick ? HTBOTTOMRIGHT : HTNOWHERE;
  }
  return HTBORDER;
}

void NcPaint(Window* w) {
  HWND h = w->handle;
  HDC dc = GetDCEx(h, nullptr, DCX_WINDOW | DCX_CLIPSIBLINGS);
  if (!dc) return;
  if (!(w = FromHandle(h))) return;
  ExcludeClipRect(dc, w->client.left, w->client.top, w->client.right, w->client.bottom);
  NcLayout l = Layout(w);
  RECT r = l.window;
  if (l.thick || (w->style & WS_DLGFRAME) || (w->exStyle & WS_EX_DLGMODALFRAME)) {
    DrawEdge(dc, &r, EDGE_RAISED, BF_RECT | BF_ADJUST);
    for (int i = 2; i < l.frame; ++i) {
      FrameRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
      r.left += 1; r.top += 1; r.right -= 1; r.bottom -= 1;
    }
  } else if (w->style & WS_BORDER) {
    FrameRect(dc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
  }
  if (l.caption.bottom > l.caption.top) {
    bool active = GetActiveWindow() == TopLevelOf(w)->handle;
    RECT c = l.caption;
    FillRect(dc, &c, GetSysColorBrush(active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION));
    RECT line{c.left, c.bottom, c.right, c.bottom + 1};
    FillRect(dc, &line, GetSysColorBrush(COLOR_BTNFACE));
    RECT t{c.left + 3, c.top, (l.minBtn.left ? l.minBtn.left : l.closeBtn.left ? l.closeBtn.left : c.right) - 2, c.bottom};
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
    DrawTextA(dc, w->text.c_str(), -1, &t, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX | DT_END_ELLIPSIS);
    if (l.closeBtn.right > l.closeBtn.left) {
      RECT b = l.closeBtn;
      DrawFrameControl(dc, &b, DFC_CAPTION, DFCS_CAPTIONCLOSE);
    }
    if (l.maxBtn.right > l.maxBtn.left) {
      RECT b = l.maxBtn;
      DrawFrameControl(dc, &b, DFC_CAPTION,
                       ((w->style & WS_MAXIMIZE) ? DFCS_CAPTIONRESTORE : DFCS_CAPTIONMAX) |
                           ((w->style & WS_MAXIMIZEBOX) ? 0 : DFCS_INACTIVE));
      b = l.minBtn;
      DrawFrameControl(dc, &b, DFC_CAPTION, DFCS_CAPTIONMIN | ((w->style & WS_MINIMIZEBOX) ? 0 : DFCS_INACTIVE));
    }
  }
  RECT e = l.edge;
  if (w->exStyle & WS_EX_CLIENTEDGE) DrawEdge(dc, &e, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  if (w->exStyle & WS_EX_STATICEDGE) DrawEdge(dc, &e, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
  PaintScrollBars(w, dc);
  ReleaseDC(h, dc);
}

LRESULT EraseBackground(Window* w, HDC dc) {
  HBRUSH b = ClassBrush(w);
  if (!b || !dc) return 0;
  RECT r;
  if (GetClipBox(dc, &r) == ERROR) return 0;
  FillRect(dc, &r, b);
  return 1;
}

LRESULT SetCursorDefault(Window* w, WPARAM wp, LPARAM lp) {
  HWND h = w->handle;
  if ((w->style & WS_CHILD) && w->parent && w->parent != Desktop()) {
    if (SendMessage(w->parent->handle, WM_SETCURSOR, wp, lp)) return TRUE;
    if (!(w = FromHandle(h))) return FALSE;
  }
  int hit = static_cast<int16_t>(LOWORD(lp));
  const char* shape = IDC_ARROW;
  switch (hit) {
    case HTCLIENT:
      if (w->cls && w->cls->cursor) {
        SetCursor(w->cls->cursor);
        return TRUE;
      }
      return FALSE;
    case HTLEFT: case HTRIGHT: shape = IDC_SIZEWE; break;
    case HTTOP: case HTBOTTOM: shape = IDC_SIZENS; break;
    case HTTOPLEFT: case HTBOTTOMRIGHT: shape = IDC_SIZENWSE; break;
    case HTTOPRIGHT: case HTBOTTOMLEFT: shape = IDC_SIZENESW; break;
    case HTERROR:
      if (HIWORD(lp) == WM_LBUTTONDOWN) MessageBeep(0);
      break;
    default: break;
  }
  SetCursor(LoadCursor(nullptr, shape));
  return TRUE;
}

void SysCommand(Window* w, WPARAM wp, LPARAM lp) {
  HWND h = w->handle;
  UINT cmd = static_cast<UINT>(wp & 0xFFF0);
  switch (cmd) {
    case SC_CLOSE:
      if (!(w->cls && (w->cls->style & CS_NOCLOSE))) SendMessage(h, WM_CLOSE, 0, 0);
      break;
    case SC_MINIMIZE: ShowWindow(h, SW_MINIMIZE); break;
    case SC_MAXIMIZE: ShowWindow(h, SW_MAXIMIZE); break;
    case SC_RESTORE: ShowWindow(h, SW_RESTORE); break;
    case SC_MOVE:
    case SC_SIZE: {
      // From a mouse press (a hit code in the low bits): the window follows the mouse until the
      // button goes up.
      int hit = static_cast<int>(wp & 0x0F);
      if (cmd == SC_MOVE) hit = HTCAPTION;
      else hit = hit ? HTLEFT + hit - 1 : HTBOTTOMRIGHT;
      if (GetKeyState(VK_LBUTTON) < 0) {
        POINT pt;
        GetCursorPos(&pt);
        StartMoveSizeTracking(w, hit, pt);
      }
      break;
    }
    case SC_VSCROLL:
    case SC_HSCROLL: {
      POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      StartScrollTracking(w, cmd == SC_VSCROLL ? SB_VERT : SB_HORZ, pt);
      break;
    }
    default: break;
  }
}

}  // namespace

void PaintScrollBarsNow(Window* w) {
  HWND h = w->handle;
  if (!IsVisibleChain(w) || !(w->style & (WS_VSCROLL | WS_HSCROLL))) return;
  HDC dc = GetDCEx(h, nullptr, DCX_WINDOW | DCX_CLIPSIBLINGS);
  if (!dc) return;
  if ((w = FromHandle(h))) PaintScrollBars(w, dc);
  ReleaseDC(h, dc);
}

}  // namespace fano_os::wm

using namespace fano_os;
using namespace fano_os::wm;

extern "C" LRESULT DefWindowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  Window* w = FromHandle(wnd);
  if (!w) return 0;
  switch (msg) {
    case WM_NCCREATE: {
      const CREATESTRUCT* cs = reinterpret_cast<const CREATESTRUCT*>(lp);
      if (cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName)) w->text = ctl::ValidUtf8(cs->lpszName);
      if (IsTopLevel(w)) GetBackend()->TopLevelTitle(w);
      return TRUE;
    }
    case WM_NCCALCSIZE: return DefNcCalcSize(w, wp, lp);
    case WM_NCHITTEST: return NcHitTest(w, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
    case WM_NCPAINT: NcPaint(w); return 0;
    case WM_NCACTIVATE:
      if ((w->style & WS_CAPTION) == WS_CAPTION && IsVisibleChain(w)) NcPaint(w);
      return TRUE;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      if (BeginPaint(wnd, &ps)) EndPaint(wnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND: return EraseBackground(w, reinterpret_cast<HDC>(wp));
    case WM_SETTEXT: {
      const char* t = reinterpret_cast<const char*>(lp);
      w->text = ctl::ValidUtf8(t ? t : "");
      if (IsTopLevel(w)) GetBackend()->TopLevelTitle(w);
      if ((w->style & WS_CAPTION) == WS_CAPTION && IsVisibleChain(w)) NcPaint(w);
      return TRUE;
    }
    case WM_GETTEXT: {
      char* buf = reinterpret_cast<char*>(lp);
      if (!buf || wp == 0) return 0;
      size_t n = std::min(static_cast<size_t>(wp) - 1, w->text.size());
      while (n > 0 && n < w->text.size() && (static_cast<unsigned char>(w->text[n]) & 0xC0) == 0x80) --n;
      memcpy(buf, w->text.data(), n);
      buf[n] = 0;
      return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(w->text.size());
    case WM_CLOSE: DestroyWindow(wnd); return 0;
    case WM_SYSCOMMAND: SysCommand(w, wp, lp); return 0;
    case WM_WINDOWPOSCHANGED: {
      const WINDOWPOS* p = reinterpret_cast<const WINDOWPOS*>(lp);
      if (!p) return 0;
      if (!(p->flags & 0x0800)) {
        WPARAM kind = (w->style & WS_MAXIMIZE) ? SIZE_MAXIMIZED : (w->style & WS_MINIMIZE) ? SIZE_MINIMIZED : SIZE_RESTORED;
        SendMessage(wnd, WM_SIZE, kind, MAKELPARAM(w->client.right - w->client.left, w->client.bottom - w->client.top));
        if (!(w = FromHandle(wnd))) return 0;
      }
      if (!(p->flags & 0x1000))
        SendMessage(wnd, WM_MOVE, 0, MAKELPARAM(w->rect.left + w->client.left, w->rect.top + w->client.top));
      return 0;
    }
    case WM_SETCURSOR: return SetCursorDefault(w, wp, lp);
    case WM_MOUSEACTIVATE:
      if ((w->style & WS_CHILD) && w->parent && w->parent != Desktop()) {
        LRESULT r = SendMessage(w->parent->handle, WM_MOUSEACTIVATE, wp, lp);
        if (r) return r;
      }
      return MA_ACTIVATE;
    case WM_ACTIVATE:
      if (LOWORD(wp) != WA_INACTIVE && !HIWORD(wp)) SetFocus(wnd);
      return 0;
    case WM_CANCELMODE:
      CancelScrollTracking(w);
      if (GetCapture() == wnd) ReleaseCapture();
      return 0;
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
    case WM_CONTEXTMENU:
      if ((w->style & WS_CHILD) && w->parent && w->parent != Desktop())
        return SendMessage(w->parent->handle, msg, wp, lp);
      return 0;
    case WM_RBUTTONUP: {
      POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      ClientToScreen(wnd, &p);
      SendMessage(wnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(wnd), MAKELPARAM(p.x, p.y));
      return 0;
    }
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK: {
      POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      switch (static_cast<int>(wp)) {
        case HTVSCROLL: StartScrollTracking(w, SB_VERT, p); break;
        case HTHSCROLL: StartScrollTracking(w, SB_HORZ, p); break;
        case HTCAPTION:
          if (msg == WM_NCLBUTTONDBLCLK && (w->style & WS_MAXIMIZEBOX))
            SendMessage(wnd, WM_SYSCOMMAND, IsZoomed(wnd) ? SC_RESTORE : SC_MAXIMIZE, lp);
          else if (msg == WM_NCLBUTTONDOWN)
            SendMessage(wnd, WM_SYSCOMMAND, SC_MOVE + HTCAPTION, lp);
          break;
        case HTCLOSE: SendMessage(wnd, WM_SYSCOMMAND, SC_CLOSE, lp); break;
        case HTMAXBUTTON: SendMessage(wnd, WM_SYSCOMMAND, IsZoomed(wnd) ? SC_RESTORE : SC_MAXIMIZE, lp); break;
        case HTMINBUTTON: SendMessage(wnd, WM_SYSCOMMAND, SC_MINIMIZE, lp); break;
        default:
          if (wp >= HTLEFT && wp <= HTBOTTOMRIGHT && (w->style & WS_THICKFRAME))
            SendMessage(wnd, WM_SYSCOMMAND, SC_SIZE + (wp - HTLEFT + 1), lp);
          break;
      }
      return 0;
    }
    case WM_SYSKEYDOWN:
      if (wp == VK_F4 && (GetKeyState(VK_MENU) < 0))
        PostMessage(TopLevelOf(w)->handle, WM_SYSCOMMAND, SC_CLOSE, 0);
      return 0;
    case WM_IME_CHAR:
      PostMessage(wnd, WM_CHAR, wp, lp);
      return 0;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wp);
      int back = (msg == WM_CTLCOLOREDIT || msg == WM_CTLCOLORLISTBOX) ? COLOR_WINDOW
                 : msg == WM_CTLCOLORSCROLLBAR                           ? COLOR_SCROLLBAR
                                                                         : COLOR_BTNFACE;
      SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
      SetBkColor(dc, GetSysColor(back));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(back));
    }
    case WM_SETREDRAW:
      if (wp) w->style |= WS_VISIBLE;
      else w->style &= ~WS_VISIBLE;
      return 0;
    case WM_QUERYENDSESSION:
    case WM_QUERYOPEN:
      return TRUE;
    default:
      return 0;
  }
}
