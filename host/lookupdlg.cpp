#include "host/lookupdlg.h"

#include <algorithm>
#include <functional>
#include <vector>

#include "host/hostui.h"

namespace fanohost {

namespace {

constexpr const char* kLookupClass = "FanoHostLookup";
constexpr const char* kListClass = "FanoHostLookupList";
constexpr int kMargin = 8;
constexpr int kButtonHeight = 24;
constexpr int kButtonWidth = 78;
constexpr int kMaxColumn = 180;

struct Lookup {
  const hostdb::RowSet* rows = nullptr;
  std::vector<std::vector<std::string>> cells;  // row texts, computed once
  std::vector<int> widths;
  int rowHeight = 18;
  int top = 0;       // first row shown
  int selected = 0;
  int left = 0;      // horizontal scroll in pixels
  RECT list{};       // header and rows: the list window's client area
  HWND listWnd = nullptr;
  HWND dialog = nullptr;
  ui::ButtonRow buttons;
  bool done = false;
  std::optional<size_t> result;
};

HINSTANCE LookupInstance() {
  static int anchor;
  return reinterpret_cast<HINSTANCE>(&anchor);
}

int RowCount(const Lookup& l) { return static_cast<int>(l.cells.size()); }
// What the header shows for a column: the caption the database keeps, else the column's name.
const std::string& ColumnTitle(const Lookup& l, size_t c) {
  if (c < l.rows->captions.size() && !l.rows->captions[c].empty()) return l.rows->captions[c];
  return l.rows->columns[c].name;
}
int VisibleRows(const Lookup& l) { return std::max(1, (l.list.bottom - l.list.top - l.rowHeight) / l.rowHeight); }
int TotalWidth(const Lookup& l) {
  int w = 0;
  for (int c : l.widths) w += c;
  return w;
}

void UpdateScrollBars(HWND wnd, Lookup& l) {
  SCROLLINFO si{sizeof(SCROLLINFO), SIF_ALL, 0, std::max(0, RowCount(l) - 1), static_cast<UINT>(VisibleRows(l)), l.top, 0};
  SetScrollInfo(wnd, SB_VERT, &si, TRUE);
  SCROLLINFO sh{sizeof(SCROLLINFO), SIF_ALL, 0, std::max(0, TotalWidth(l) - 1),
                static_cast<UINT>(std::max<LONG>(1, l.list.right - l.list.left)), l.left, 0};
  SetScrollInfo(wnd, SB_HORZ, &sh, TRUE);
}

void ScrollTo(HWND wnd, Lookup& l, int top, int left) {
  l.top = std::clamp(top, 0, std::max(0, RowCount(l) - VisibleRows(l)));
  l.left = std::clamp(left, 0, std::max(0, TotalWidth(l) - static_cast<int>(l.list.right - l.list.left)));
  UpdateScrollBars(wnd, l);
  InvalidateRect(wnd, &l.list, FALSE);
}

void Select(HWND wnd, Lookup& l, int row) {
  if (RowCount(l) == 0) return;
  l.selected = std::clamp(row, 0, RowCount(l) - 1);
  int top = l.top;
  if (l.selected < top) top = l.selected;
  if (l.selected >= top + VisibleRows(l)) top = l.selected - VisibleRows(l) + 1;
  ScrollTo(wnd, l, top, l.left);
}

void Choose(Lookup& l, bool ok) {
  if (ok && RowCount(l) > 0) l.result = static_cast<size_t>(l.selected);
  l.done = true;
}

// The list window sits inside the dialog's margins, above the buttons; its scroll bars are its own.
void Layout(HWND dialog, Lookup& l) {
  RECT client;
  GetClientRect(dialog, &client);
  l.buttons.LayoutCentered(0, client.right, client.bottom - kMargin - kButtonHeight, kButtonHeight, kButtonWidth, 10);
  if (!l.listWnd) return;
  MoveWindow(l.listWnd, kMargin, kMargin, std::max<LONG>(1, client.right - 2 * kMargin),
             std::max<LONG>(1, client.bottom - 3 * kMargin - kButtonHeight), TRUE);
  GetClientRect(l.listWnd, &l.list);
  ScrollTo(l.listWnd, l, l.top, l.left);
}

void PaintDialog(HWND dialog, Lookup& l, HDC dc) {
  RECT client;
  GetClientRect(dialog, &client);
  ui::FillColor(dc, client, GetSysColor(COLOR_BTNFACE));
  if (l.listWnd) {
    RECT frame;
    GetWindowRect(l.listWnd, &frame);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&frame), 2);
    InflateRect(&frame, 1, 1);
    FrameRect(dc, &frame, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
  }
  l.buttons.Paint(dc);
}

void PaintList(Lookup& l, HDC dc) {
  ui::FillColor(dc, l.list, GetSysColor(COLOR_WINDOW));
  int saved = SaveDC(dc);
  IntersectClipRect(dc, l.list.left, l.list.top, l.list.right, l.list.bottom);
  // Header.
  RECT head{l.list.left, l.list.top, l.list.right, l.list.top + l.rowHeight};
  ui::FillColor(dc, head, GetSysColor(COLOR_BTNFACE));
  int x = l.list.left - l.left;
  for (size_t c = 0; c < l.widths.size(); ++c) {
    RECT cell{x, head.top, x + l.widths[c], head.bottom};
    RECT edge = cell;
    DrawEdge(dc, &edge, BDR_RAISEDINNER, BF_RECT);
    InflateRect(&cell, -3, 0);
    ui::DrawLabel(dc, cell, ColumnTitle(l, c), DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS,
                  GetSysColor(COLOR_BTNTEXT));
    x += l.widths[c];
  }
  // Rows.
  int y = head.bottom;
  for (int r = l.top; r < RowCount(l) && y < l.list.bottom; ++r, y += l.rowHeight) {
    bool sel = r == l.selected;
    RECT line{l.list.left, y, l.list.right, y + l.rowHeight};
    if (sel) ui::FillColor(dc, line, GetSysColor(COLOR_HIGHLIGHT));
    x = l.list.left - l.left;
    for (size_t c = 0; c < l.widths.size(); ++c) {
      RECT cell{x + 3, y, x + l.widths[c] - 3, y + l.rowHeight};
      bool number = l.rows->columns[c].type == "INTEGER" || l.rows->columns[c].type == "NUMBER";
      ui::DrawLabel(dc, cell, l.cells[r][c],
                    (number ? DT_RIGHT : DT_LEFT) | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS,
                    GetSysColor(sel ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
      x += l.widths[c];
    }
  }
  RestoreDC(dc, saved);
}

int RowAt(const Lookup& l, POINT pt) {
  if (!PtInRect(&l.list, pt) || pt.y < l.list.top + l.rowHeight) return -1;
  int r = l.top + (pt.y - l.list.top - l.rowHeight) / l.rowHeight;
  return r < RowCount(l) ? r : -1;
}

int ScrollPosition(HWND wnd, int bar, WPARAM wp, int pos, int line, int page) {
  switch (LOWORD(wp)) {
    case SB_LINEUP: return pos - line;
    case SB_LINEDOWN: return pos + line;
    case SB_PAGEUP: return pos - page;
    case SB_PAGEDOWN: return pos + page;
    case SB_TOP: return 0;
    case SB_BOTTOM: return 1 << 28;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
      SCROLLINFO si{sizeof(SCROLLINFO), SIF_TRACKPOS, 0, 0, 0, 0, 0};
      GetScrollInfo(wnd, bar, &si);
      return si.nTrackPos;
    }
  }
  return pos;
}

Lookup* Of(HWND wnd, UINT msg, LPARAM lp) {
  if (msg == WM_CREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCT*>(lp);
    SetWindowLongPtr(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  }
  return reinterpret_cast<Lookup*>(GetWindowLongPtr(wnd, GWLP_USERDATA));
}

// Keys of the list (and of the dialog, which hands its own on): moving, scrolling, choosing.
bool ListKey(Lookup& l, WPARAM key) {
  HWND wnd = l.listWnd;
  switch (key) {
    case VK_UP: Select(wnd, l, l.selected - 1); return true;
    case VK_DOWN: Select(wnd, l, l.selected + 1); return true;
    case VK_PRIOR: Select(wnd, l, l.selected - VisibleRows(l)); return true;
    case VK_NEXT: Select(wnd, l, l.selected + VisibleRows(l)); return true;
    case VK_HOME: Select(wnd, l, 0); return true;
    case VK_END: Select(wnd, l, RowCount(l) - 1); return true;
    case VK_LEFT: ScrollTo(wnd, l, l.top, l.left - 20); return true;
    case VK_RIGHT: ScrollTo(wnd, l, l.top, l.left + 20); return true;
    case VK_RETURN: Choose(l, true); return true;
    case VK_ESCAPE: Choose(l, false); return true;
  }
  return false;
}

LRESULT ListProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  Lookup* l = Of(wnd, msg, lp);
  if (msg == WM_CREATE || !l) return msg == WM_CREATE ? 0 : DefWindowProc(wnd, msg, wp, lp);
  POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
  switch (msg) {
    case WM_SIZE:
      GetClientRect(wnd, &l->list);
      ScrollTo(wnd, *l, l->top, l->left);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(wnd, &ps);
      PaintList(*l, dc);
      EndPaint(wnd, &ps);
      return 0;
    }
    case WM_LBUTTONDOWN: {
      SetFocus(wnd);
      int r = RowAt(*l, pt);
      if (r >= 0) Select(wnd, *l, r);
      return 0;
    }
    case WM_LBUTTONDBLCLK:
      if (RowAt(*l, pt) >= 0) {
        Select(wnd, *l, RowAt(*l, pt));
        Choose(*l, true);
      }
      return 0;
    case WM_MOUSEWHEEL:
      ScrollTo(wnd, *l, l->top - 3 * static_cast<short>(HIWORD(wp)) / WHEEL_DELTA, l->left);
      return 0;
    case WM_VSCROLL:
      ScrollTo(wnd, *l, ScrollPosition(wnd, SB_VERT, wp, l->top, 1, VisibleRows(*l)), l->left);
      return 0;
    case WM_HSCROLL:
      ScrollTo(wnd, *l, l->top, ScrollPosition(wnd, SB_HORZ, wp, l->left, 20, l->list.right - l->list.left));
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTALLKEYS;
    case WM_KEYDOWN:
      ListKey(*l, wp);
      return 0;
  }
  return DefWindowProc(wnd, msg, wp, lp);
}

LRESULT LookupProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  Lookup* l = Of(wnd, msg, lp);
  if (msg == WM_CREATE || !l) return msg == WM_CREATE ? 0 : DefWindowProc(wnd, msg, wp, lp);
  POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
  switch (msg) {
    case WM_SIZE:
      Layout(wnd, *l);
      InvalidateRect(wnd, nullptr, FALSE);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(wnd, &ps);
      PaintDialog(wnd, *l, dc);
      EndPaint(wnd, &ps);
      return 0;
    }
    case WM_SETFOCUS:
      if (l->listWnd) SetFocus(l->listWnd);
      return 0;
    case WM_LBUTTONDOWN:
      l->buttons.MouseDown(wnd, pt);
      return 0;
    case WM_MOUSEMOVE:
      l->buttons.MouseMove(wnd, pt);
      return 0;
    case WM_MOUSELEAVE:
      if (l->buttons.pressed < 0) l->buttons.MouseMove(wnd, POINT{-1, -1});
      return 0;
    case WM_LBUTTONUP: {
      int clicked = l->buttons.MouseUp(wnd, pt);
      if (clicked >= 0) Choose(*l, clicked == 0);
      return 0;
    }
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lp) != wnd) l->buttons.CaptureLost(wnd);
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTALLKEYS;
    case WM_KEYDOWN:
      ListKey(*l, wp);
      return 0;
    case WM_CLOSE:
      Choose(*l, false);
      return 0;
  }
  return DefWindowProc(wnd, msg, wp, lp);
}

std::function<void(HWND)>& ShownHook() {
  static std::function<void(HWND)> hook;
  return hook;
}

bool Register(const char* name, WNDPROC proc) {
  WNDCLASS wc{};
  if (GetClassInfo(LookupInstance(), name, &wc)) return true;
  wc = WNDCLASS{};
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = proc;
  wc.hInstance = LookupInstance();
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = name;
  return RegisterClass(&wc) != 0;
}

}  // namespace

void SetLookupShownHook(std::function<void(HWND)> hook) { ShownHook() = std::move(hook); }

void PaintLookupList(HWND dialog, HDC dc) {
  auto* l = reinterpret_cast<Lookup*>(GetWindowLongPtr(dialog, GWLP_USERDATA));
  if (l && l->listWnd) PaintList(*l, dc);
}

std::optional<size_t> ChooseRow(HWND owner, const std::string& title, const hostdb::RowSet& rows) {
  if (!Register(kLookupClass, LookupProc) || !Register(kListClass, ListProc)) return std::nullopt;
  Lookup l;
  l.rows = &rows;
  l.buttons.buttons = {{"ok", "确定", true, false, {}}, {"cancel", "取消", true, false, {}}};
  l.buttons.defaultButton = 0;
  HDC screen = GetDC(nullptr);
  l.rowHeight = ui::MeasureText(screen, "Hg单").cy + 4;
  l.widths.resize(rows.columns.size());
  for (size_t c = 0; c < rows.columns.size(); ++c)
    l.widths[c] = static_cast<int>(ui::MeasureText(screen, ColumnTitle(l, c)).cx) + 10;
  for (const auto& row : rows.rows) {
    std::vector<std::string> texts;
    for (size_t c = 0; c < rows.columns.size(); ++c) {
      texts.push_back(c < row.size() ? hostdb::ValueText(rows.columns[c], row[c]) : std::string());
      l.widths[c] = std::min(kMaxColumn, std::max<int>(l.widths[c], ui::MeasureText(screen, texts.back()).cx + 10));
    }
    l.cells.push_back(std::move(texts));
  }
  ReleaseDC(nullptr, screen);

  DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
  HWND top = owner ? GetAncestor(owner, GA_ROOT) : nullptr;
  HWND wnd = CreateWindowEx(WS_EX_DLGMODALFRAME, kLookupClass, title.c_str(), style, 0, 0, 640, 420, top, nullptr,
                            LookupInstance(), &l);
  if (!wnd) return std::nullopt;
  l.dialog = wnd;
  l.listWnd = CreateWindowEx(0, kListClass, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL, 0, 0,
                             10, 10, wnd, nullptr, LookupInstance(), &l);
  ui::CenterOver(wnd, top, 640, 420);
  Layout(wnd, l);
  ShowWindow(wnd, SW_SHOW);
  SetActiveWindow(wnd);
  SetFocus(l.listWnd ? l.listWnd : wnd);
  UpdateWindow(wnd);
  if (l.listWnd) UpdateWindow(l.listWnd);
  if (ShownHook()) ShownHook()(wnd);
  ui::RunModal(wnd, top, l.done);
  if (IsWindow(wnd)) DestroyWindow(wnd);
  return l.result;
}

}  // namespace fanohost
