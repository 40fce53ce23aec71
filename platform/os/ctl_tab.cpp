// The tab control (class "SysTabControl32"): tabs with texts, images, item data and states, laid
// out on one line (scrolled by two arrows when they do not fit) or on several (the row of the
// chosen tab next to the page), at the top, the bottom, the left or the right; a user's choice asks
// the parent first (TCN_SELCHANGING) and tells it after (TCN_SELCHANGE), a program's choice tells
// nothing; hit tests, tab rectangles, the display rectangle, owner drawing and hot tracking.
#include <algorithm>
#include <cstring>

#include "platform/os/ctl_internal.h"
#include "platform/os/imagelist.h"

namespace fano_os::ctl {

namespace {

struct Tab {
  std::string text;
  int image = -1;
  LPARAM param = 0;
  DWORD state = 0;
  RECT rect{0, 0, 0, 0};  // client coordinates, as not chosen
  int row = 0;
};

enum Side { kTop, kBottom, kLeft, kRight };

struct TabCtl {
  explicit TabCtl(HWND w) : wnd(w) {}
  HWND wnd;
  std::vector<Tab> tabs;
  int cur = -1;
  int focus = -1;
  int hot = -1;
  HIMAGELIST images = nullptr;
  TextMeasure measure;
  int fixedW = 0;
  int fixedH = 0;
  int padX = 6;
  int padY = 3;
  int minWidth = -1;
  int first = 0;      // the first tab shown on a single line
  int rows = 1;
  int stripDepth = 0;  // across the strip, all rows
  bool arrows = false;
  bool focused = false;
  bool tracking = false;
  unsigned edits = 0;  // counts insertions and deletions of tabs

  DWORD Style() const { return static_cast<DWORD>(GetWindowLong(wnd, GWL_STYLE)); }
  Side Where() const {
    DWORD s = Style();
    if (s & TCS_VERTICAL) return (s & TCS_RIGHT) ? kRight : kLeft;
    return (s & TCS_BOTTOM) ? kBottom : kTop;
  }
  bool Vertical() const { return Where() == kLeft || Where() == kRight; }
  bool MultiLine() const { return (Style() & TCS_MULTILINE) || Vertical(); }
  bool Valid(int i) const { return i >= 0 && i < static_cast<int>(tabs.size()); }
};

constexpr int kArrowWidth = 16;
constexpr int kMargin = 2;  // between the control's edge and the first tab

RECT Client(TabCtl* t) {
  RECT c;
  GetClientRect(t->wnd, &c);
  return c;
}

int TabThickness(TabCtl* t) {
  if (t->fixedH > 0) return t->fixedH;
  int h = t->measure.Height();
  if (t->images) {
    int cx = 0, cy = 0;
    ImageList_GetIconSize(t->images, &cx, &cy);
    h = std::max(h, cy);
  }
  return h + 2 * t->padY;
}

int TabLength(TabCtl* t, const Tab& tab) {
  if ((t->Style() & TCS_FIXEDWIDTH) && t->fixedW > 0) return t->fixedW;
  int w = t->measure.Width(tab.text) + 2 * t->padX;
  if (t->images && tab.image >= 0) {
    int cx = 0, cy = 0;
    ImageList_GetIconSize(t->images, &cx, &cy);
    w += cx + t->padX / 2;
  }
  int min = t->minWidth >= 0 ? t->minWidth : 4 * t->measure.AveWidth();
  return std::max(w, min);
}

// The rectangle of a tab in strip coordinates (along, across) turned into client coordinates.
RECT Place(TabCtl* t, int along, int across, int length, int thick) {
  RECT c = Client(t);
  switch (t->Where()) {
    case kTop: return RECT{along, across, along + length, across + thick};
    case kBottom: return RECT{along, c.bottom - across - thick, along + length, c.bottom - across};
    case kLeft: return RECT{across, along, across + thick, along + length};
    case kRight: return RECT{c.right - across - thick, along, c.right - across, along + length};
  }
  return RECT{0, 0, 0, 0};
}

void Layout(TabCtl* t) {
  RECT c = Client(t);
  int extent = t->Vertical() ? c.bottom - c.top : c.right - c.left;
  int thick = TabThickness(t);
  int n = static_cast<int>(t->tabs.size());
  std::vector<int> lengths(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) lengths[static_cast<size_t>(i)] = TabLength(t, t->tabs[static_cast<size_t>(i)]);
  t->arrows = false;
  if (!t->MultiLine()) {
    t->rows = 1;
    int total = kMargin;
    for (int l : lengths) total += l;
    t->arrows = total > extent && n > 1;
    int room = extent - (t->arrows ? 2 * kArrowWidth : 0);
    // The first shown tab never leaves room unused on the right; a last tab wider than the room
    // may still lead, or it could never be scrolled to.
    int maxFirst = 0;
    for (int i = n - 1, sum = kMargin; i >= 0; --i) {
      sum += lengths[static_cast<size_t>(i)];
      if (sum > room && i < n - 1) break;
      maxFirst = i;
    }
    t->first = t->arrows ? std::clamp(t->first, 0, maxFirst) : 0;
    int x = kMargin;
    for (int i = 0; i < t->first; ++i) x -= lengths[static_cast<size_t>(i)];
    for (int i = 0; i < n; ++i) {
      Tab& tab = t->tabs[static_cast<size_t>(i)];
      tab.row = 0;
      tab.rect = Place(t, x, kMargin, lengths[static_cast<size_t>(i)], thick);
      x += lengths[static_cast<size_t>(i)];
    }
    t->stripDepth = kMargin + thick;
    return;
  }
  // Several rows: fill each row, then stretch it to the width unless ragged.
  std::vector<std::vector<int>> rows(1);
  int used = kMargin;
  for (int i = 0; i < n; ++i) {
    int l = lengths[static_cast<size_t>(i)];
    if (!rows.back().empty() && used + l > extent) {
      rows.emplace_back();
      used = kMargin;
    }
    rows.back().push_back(i);
    used += l;
  }
  t->rows = static_cast<int>(rows.size());
  bool ragged = (t->Style() & TCS_RAGGEDRIGHT) != 0;
  // Rows from the farthest from the page to the nearest: the first row nearest; the row of the
  // chosen tab moves next to the page, the rows in front of it going to the far side in order.
  int chosenRow = 0;
  for (int r = 0; r < t->rows; ++r)
    for (int i : rows[static_cast<size_t>(r)])
      if (i == t->cur) chosenRow = r;
  std::vector<int> order;
  for (int r = t->rows - 1; r >= 0; --r) order.push_back(r);
  if (!(t->Style() & TCS_SCROLLOPPOSITE)) {
    auto it = std::find(order.begin(), order.end(), chosenRow);
    std::rotate(order.begin(), it + 1, order.end());
  }
  for (int slot = 0; slot < t->rows; ++slot) {
    const std::vector<int>& row = rows[static_cast<size_t>(order[static_cast<size_t>(slot)])];
    int sum = 0;
    for (int i : row) sum += lengths[static_cast<size_t>(i)];
    int spare = (!ragged && t->rows > 1) ? std::max(0, extent - kMargin - sum) : 0;
    int along = kMargin;
    int across = kMargin + slot * thick;
    for (size_t k = 0; k < row.size(); ++k) {
      int i = row[k];
      int l = lengths[static_cast<size_t>(i)];
      int extra = row.size() ? spare / static_cast<int>(row.size()) + (static_cast<int>(k) < spare % static_cast<int>(row.size()) ? 1 : 0) : 0;
      Tab& tab = t->tabs[static_cast<size_t>(i)];
      tab.row = slot;
      tab.rect = Place(t, along, across, l + extra, thick);
      along += l + extra;
    }
  }
  t->stripDepth = kMargin + t->rows * thick;
}

// The page: the client rectangle less the strip.
RECT PageRect(TabCtl* t) {
  RECT c = Client(t);
  if (t->tabs.empty()) return c;
  switch (t->Where()) {
    case kTop: c.top += t->stripDepth; break;
    case kBottom: c.bottom -= t->stripDepth; break;
    case kLeft: c.left += t->stripDepth; break;
    case kRight: c.right -= t->stripDepth; break;
  }
  return c;
}

bool InArrow(TabCtl* t, int which, POINT p);

RECT ArrowRect(TabCtl* t, int which) {
  RECT c = Client(t);
  int thick = TabThickness(t);
  int top = t->Where() == kBottom ? c.bottom - kMargin - thick : kMargin;
  int h = std::min(thick, kArrowWidth);
  int left = c.right - (2 - which) * kArrowWidth;
  return RECT{left, top, left + kArrowWidth, top + h};
}

bool InArrow(TabCtl* t, int which, POINT p) {
  RECT r = ArrowRect(t, which);
  return PtInRect(&r, p) != FALSE;
}

int HitTest(TabCtl* t, POINT p, UINT* flags) {
  if (flags) *flags = TCHT_NOWHERE;
  if (t->arrows && (InArrow(t, 0, p) || InArrow(t, 1, p))) return -1;
  for (int i = 0; i < static_cast<int>(t->tabs.size()); ++i) {
    const Tab& tab = t->tabs[static_cast<size_t>(i)];
    if (!PtInRect(&tab.rect, p)) continue;
    if (t->arrows && tab.rect.right > ArrowRect(t, 0).left && p.x >= ArrowRect(t, 0).left) continue;
    if (flags) {
      *flags = TCHT_ONITEMLABEL;
      if (t->images && tab.image >= 0) {
        int cx = 0, cy = 0;
        ImageList_GetIconSize(t->images, &cx, &cy);
        if (p.x < tab.rect.left + t->padX + cx) *flags = TCHT_ONITEMICON;
      }
    }
    return i;
  }
  return -1;
}

void Invalidate(TabCtl* t) { InvalidateRect(t->wnd, nullptr, TRUE); }

// A single line of tabs scrolls so that the tab shows whole (laid out already).
void ScrollIntoView(TabCtl* t, int index) {
  if (t->MultiLine() || !t->Valid(index)) return;
  if (index < t->first) {
    t->first = index;
    Layout(t);
  }
  RECT room = Client(t);
  if (t->arrows) room.right = ArrowRect(t, 0).left;
  while (t->tabs[static_cast<size_t>(index)].rect.right > room.right && t->first < index) {
    const int before = t->first;
    ++t->first;
    Layout(t);
    if (t->first <= before) break;  // held back by the layout: no further to go
  }
}

// A choice of the user: the parent may refuse it; then the new tab and the notice.
bool Choose(TabCtl* t, int index) {
  if (!t->Valid(index) || index == t->cur) return false;
  NMHDR h{};
  const unsigned edits = t->edits;
  if (NotifyParentHeader(t->wnd, &h, static_cast<UINT>(TCN_SELCHANGING))) return false;
  if (!IsWindow(t->wnd)) return false;
  // The parent added or took away tabs meanwhile: the index may name another tab, or none.
  if (t->edits != edits) return false;
  t->cur = index;
  t->focus = index;
  Layout(t);
  ScrollIntoView(t, index);
  Invalidate(t);
  NMHDR h2{};
  NotifyParentHeader(t->wnd, &h2, static_cast<UINT>(TCN_SELCHANGE));
  return true;
}

// ---- painting

HFONT RotatedFont(TabCtl* t) {
  if (!t->Vertical()) return nullptr;
  LOGFONTA lf{};
  HFONT base = t->measure.DrawFont();
  GetObjectA(base, sizeof lf, &lf);
  lf.lfEscapement = lf.lfOrientation = t->Where() == kLeft ? 900 : 2700;
  return CreateFontIndirectA(&lf);
}

void DrawTabFrame(TabCtl* t, HDC dc, RECT r, bool chosen) {
  HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
  FillRect(dc, &r, face);
  UINT edges = BF_RECT;
  switch (t->Where()) {
    case kTop: edges = BF_LEFT | BF_TOP | BF_RIGHT; break;
    case kBottom: edges = BF_LEFT | BF_BOTTOM | BF_RIGHT; break;
    case kLeft: edges = BF_LEFT | BF_TOP | BF_BOTTOM; break;
    case kRight: edges = BF_RIGHT | BF_TOP | BF_BOTTOM; break;
  }
  if (t->Style() & TCS_BUTTONS) edges = BF_RECT;
  DrawEdge(dc, &r, chosen && (t->Style() & TCS_BUTTONS) ? EDGE_SUNKEN : EDGE_RAISED, edges | BF_SOFT);
}

void Paint(TabCtl* t, HDC given) {
  PAINTSTRUCT ps{};
  HDC dc = given ? given : BeginPaint(t->wnd, &ps);
  if (!dc) return;
  bool enabled = IsWindowEnabled(t->wnd);
  bool buttons = (t->Style() & TCS_BUTTONS) != 0;
  if (!buttons) {
    RECT page = PageRect(t);
    DrawEdge(dc, &page, EDGE_RAISED, BF_RECT | BF_SOFT);
  }
  int saved = SaveDC(dc);
  HFONT rotated = RotatedFont(t);
  SelectObject(dc, rotated ? rotated : t->measure.DrawFont());
  SetBkMode(dc, TRANSPARENT);
  if (t->arrows) {
    RECT clip = Client(t);
    clip.right = ArrowRect(t, 0).left;
    IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);
  }
  int n = static_cast<int>(t->tabs.size());
  // The chosen tab last: it stands out over its neighbours and the page frame.
  std::vector<int> order;
  for (int i = 0; i < n; ++i)
    if (i != t->cur) order.push_back(i);
  if (t->Valid(t->cur)) order.push_back(t->cur);
  bool ownerDraw = (t->Style() & TCS_OWNERDRAWFIXED) != 0;
  for (int i : order) {
    const Tab& tab = t->tabs[static_cast<size_t>(i)];
    bool chosen = i == t->cur;
    RECT r = tab.rect;
    if (chosen && !buttons) {
      InflateRect(&r, 2, 2);
      switch (t->Where()) {
        case kTop: r.bottom -= 1; break;
        case kBottom: r.top += 1; break;
        case kLeft: r.right -= 1; break;
        case kRight: r.left += 1; break;
      }
    }
    DrawTabFrame(t, dc, r, chosen);
    if (tab.state & TCIS_HIGHLIGHTED) {
      RECT hr = r;
      InflateRect(&hr, -2, -2);
      FillRect(dc, &hr, GetSysColorBrush(COLOR_HIGHLIGHT));
    }
    RECT inner = r;
    InflateRect(&inner, -2, -2);
    if (ownerDraw) {
      DRAWITEMSTRUCT d{};
      d.CtlType = ODT_TAB;
      d.CtlID = static_cast<UINT>(GetDlgCtrlID(t->wnd));
      d.itemID = static_cast<UINT>(i);
      d.itemAction = ODA_DRAWENTIRE;
      d.itemState = (chosen ? ODS_SELECTED : 0) | (enabled ? 0 : ODS_DISABLED);
      d.hwndItem = t->wnd;
      d.hDC = dc;
      d.rcItem = inner;
      d.itemData = static_cast<uintptr_t>(tab.param);
      int s2 = SaveDC(dc);
      if (HWND parent = GetParent(t->wnd)) SendMessage(parent, WM_DRAWITEM, d.CtlID, reinterpret_cast<LPARAM>(&d));
      RestoreDC(dc, s2);
    } else {
      int x = inner.left + t->padX - 2;
      if (t->images && tab.image >= 0 && !t->Vertical()) {
        int cx = 0, cy = 0;
        ImageList_GetIconSize(t->images, &cx, &cy);
        ImageList_Draw(t->images, tab.image, dc, x, inner.top + (inner.bottom - inner.top - cy) / 2, ILD_TRANSPARENT);
        x += cx + t->padX / 2;
      }
      COLORREF color = !enabled ? GetSysColor(COLOR_GRAYTEXT)
                       : (tab.state & TCIS_HIGHLIGHTED) ? GetSysColor(COLOR_HIGHLIGHTTEXT)
                       : (i == t->hot && (t->Style() & TCS_HOTTRACK)) ? GetSysColor(COLOR_HOTLIGHT)
                                                                      : GetSysColor(COLOR_BTNTEXT);
      SetTextColor(dc, color);
      if (t->Vertical()) {
        int w = t->measure.Width(tab.text);
        int h = t->measure.Height();
        int cxm = (inner.left + inner.right) / 2;
        int cym = (inner.top + inner.bottom) / 2;
        if (t->Where() == kLeft) TextOutA(dc, cxm - h / 2, cym + w / 2, tab.text.c_str(), static_cast<int>(tab.text.size()));
        else TextOutA(dc, cxm + h / 2, cym - w / 2, tab.text.c_str(), static_cast<int>(tab.text.size()));
      } else {
        RECT tr{x, inner.top, inner.right, inner.bottom};
        if (!(t->images && tab.image >= 0)) tr.left = inner.left;
        UINT fmt = DT_SINGLELINE | DT_VCENTER | (t->images && tab.image >= 0 ? DT_LEFT : DT_CENTER);
        DrawTextA(dc, tab.text.c_str(), static_cast<int>(tab.text.size()), &tr, fmt);
      }
    }
    if (chosen && t->focused && !(t->Style() & TCS_FOCUSNEVER)) {
      RECT fr = r;
      InflateRect(&fr, -3, -3);
      DrawFocusRect(dc, &fr);
    }
  }
  RestoreDC(dc, saved);
  if (rotated) DeleteObject(rotated);
  if (t->arrows) {
    RECT a0 = ArrowRect(t, 0);
    RECT a1 = ArrowRect(t, 1);
    DrawFrameControl(dc, &a0, DFC_SCROLL, DFCS_SCROLLLEFT | (t->first == 0 ? DFCS_INACTIVE : 0));
    DrawFrameControl(dc, &a1, DFC_SCROLL, DFCS_SCROLLRIGHT);
  }
  if (!given) EndPaint(t->wnd, &ps);
}

bool GetItem(TabCtl* t, int index, TCITEMA* item) {
  if (!t->Valid(index) || !item) return false;
  const Tab& tab = t->tabs[static_cast<size_t>(index)];
  if ((item->mask & TCIF_TEXT) && item->pszText && item->cchTextMax > 0) {
    size_t n = std::min(tab.text.size(), static_cast<size_t>(item->cchTextMax - 1));
    n = CharStart(tab.text, n);
    std::memcpy(item->pszText, tab.text.data(), n);
    item->pszText[n] = 0;
  }
  if (item->mask & TCIF_IMAGE) item->iImage = tab.image;
  if (item->mask & TCIF_PARAM) item->lParam = tab.param;
  if (item->mask & TCIF_STATE) item->dwState = tab.state & item->dwStateMask;
  return true;
}

void SetItem(Tab& tab, const TCITEMA* item) {
  if (item->mask & TCIF_TEXT) tab.text = item->pszText ? item->pszText : "";
  if (item->mask & TCIF_IMAGE) tab.image = item->iImage;
  if (item->mask & TCIF_PARAM) tab.param = item->lParam;
  if (item->mask & TCIF_STATE) tab.state = (tab.state & ~item->dwStateMask) | (item->dwState & item->dwStateMask);
}

LRESULT Proc(TabCtl* t, UINT msg, WPARAM wp, LPARAM lp) {
  HWND wnd = t->wnd;
  switch (msg) {
    case WM_NCCREATE: {
      auto* cs = reinterpret_cast<const CREATESTRUCT*>(lp);
      // Side tabs always take several rows.
      if (cs->style & TCS_VERTICAL) SetWindowLong(wnd, GWL_STYLE, static_cast<LONG>(cs->style | TCS_MULTILINE));
      return DefWindowProc(wnd, msg, wp, lp);
    }
    case WM_NCDESTROY: return DefWindowProc(wnd, msg, wp, lp);
    case WM_STYLECHANGED:
    case WM_SIZE:
      Layout(t);
      Invalidate(t);
      return 0;
    case WM_SETFONT:
      t->measure.SetFont(reinterpret_cast<HFONT>(wp));
      Layout(t);
      if (LOWORD(lp)) Invalidate(t);
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(t->measure.Font());
    case WM_PAINT:
    case WM_PRINTCLIENT: Paint(t, reinterpret_cast<HDC>(wp)); return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_SETFOCUS:
      t->focused = true;
      Invalidate(t);
      return 0;
    case WM_KILLFOCUS:
      t->focused = false;
      Invalidate(t);
      return 0;
    case WM_ENABLE: Invalidate(t); return 0;
    case WM_HSCROLL: {
      // The scroll arrows of a single line of tabs: one tab at a time, or to a first tab.
      int first = t->first;
      switch (LOWORD(wp)) {
        case SB_LINELEFT: --first; break;
        case SB_LINERIGHT: ++first; break;
        case SB_THUMBPOSITION: first = static_cast<int16_t>(HIWORD(wp)); break;
        default: return 0;
      }
      if (!t->arrows || first < 0) return 0;
      int before = t->first;
      t->first = first;
      Layout(t);
      if (t->first != before) Invalidate(t);
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      if (t->arrows && (InArrow(t, 0, p) || InArrow(t, 1, p))) {
        SendMessage(wnd, WM_HSCROLL, InArrow(t, 0, p) ? SB_LINELEFT : SB_LINERIGHT, 0);
        return 0;
      }
      int i = HitTest(t, p, nullptr);
      if (i < 0) return 0;
      if (!(t->Style() & TCS_FOCUSNEVER) && GetFocus() != wnd) SetFocus(wnd);
      if (!IsWindow(wnd)) return 0;
      Choose(t, i);
      NMHDR h{};
      if (IsWindow(wnd)) NotifyParentHeader(wnd, &h, static_cast<UINT>(NM_CLICK));
      return 0;
    }
    case WM_RBUTTONUP: {
      NMHDR h{};
      if (NotifyParentHeader(wnd, &h, static_cast<UINT>(NM_RCLICK))) return 0;
      return DefWindowProc(wnd, msg, wp, lp);
    }
    case WM_MOUSEMOVE:
      if (t->Style() & TCS_HOTTRACK) {
        int i = HitTest(t, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)}, nullptr);
        if (i != t->hot) {
          t->hot = i;
          TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, wnd, 0};
          TrackMouseEvent(&tme);
          Invalidate(t);
        }
      }
      return 0;
    case WM_MOUSELEAVE:
      if (t->hot != -1) {
        t->hot = -1;
        Invalidate(t);
      }
      return 0;
    case WM_KEYDOWN: {
      int n = static_cast<int>(t->tabs.size());
      if (n == 0) return 0;
      int at = t->cur < 0 ? 0 : t->cur;
      int next = at;
      bool vertical = t->Vertical();
      switch (wp) {
        case VK_LEFT: if (!vertical) next = at - 1; break;
        case VK_RIGHT: if (!vertical) next = at + 1; break;
        case VK_UP: if (vertical) next = at - 1; break;
        case VK_DOWN: if (vertical) next = at + 1; break;
        case VK_HOME: next = 0; break;
        case VK_END: next = n - 1; break;
        default: break;
      }
      if (next != at && next >= 0 && next < n) Choose(t, next);
      return 0;
    }
    case TCM_GETITEMCOUNT: return static_cast<LRESULT>(t->tabs.size());
    case TCM_INSERTITEM: {
      auto* item = reinterpret_cast<const TCITEMA*>(lp);
      if (!item) return -1;
      int n = static_cast<int>(t->tabs.size());
      int index = std::clamp(static_cast<int>(static_cast<LONG>(wp)), 0, n);
      Tab tab;
      SetItem(tab, item);
      t->tabs.insert(t->tabs.begin() + index, std::move(tab));
      ++t->edits;
      if (t->cur >= index) ++t->cur;
      if (t->cur < 0) t->cur = 0;  // the first tab is chosen
      Layout(t);
      Invalidate(t);
      return index;
    }
    case TCM_DELETEITEM: {
      int i = static_cast<int>(static_cast<LONG>(wp));
      if (!t->Valid(i)) return FALSE;
      t->tabs.erase(t->tabs.begin() + i);
      ++t->edits;
      if (t->cur == i) t->cur = -1;
      else if (t->cur > i) --t->cur;
      if (t->hot == i) t->hot = -1;
      Layout(t);
      Invalidate(t);
      return TRUE;
    }
    case TCM_DELETEALLITEMS:
      t->tabs.clear();
      ++t->edits;
      t->cur = -1;
      t->hot = -1;
      t->first = 0;
      Layout(t);
      Invalidate(t);
      return TRUE;
    case TCM_GETITEM: return GetItem(t, static_cast<int>(static_cast<LONG>(wp)), reinterpret_cast<TCITEMA*>(lp)) ? TRUE : FALSE;
    case TCM_SETITEM: {
      int i = static_cast<int>(static_cast<LONG>(wp));
      auto* item = reinterpret_cast<const TCITEMA*>(lp);
      if (!t->Valid(i) || !item) return FALSE;
      SetItem(t->tabs[static_cast<size_t>(i)], item);
      Layout(t);
      Invalidate(t);
      return TRUE;
    }
    case TCM_GETITEMRECT: {
      int i = static_cast<int>(static_cast<LONG>(wp));
      if (!t->Valid(i) || !lp) return FALSE;
      *reinterpret_cast<RECT*>(lp) = t->tabs[static_cast<size_t>(i)].rect;
      return TRUE;
    }
    case TCM_GETCURSEL: return t->cur;
    case TCM_SETCURSEL: {
      int i = static_cast<int>(static_cast<LONG>(wp));
      // -1 chooses no tab.
      if (!t->Valid(i) && i != -1) return -1;
      int old = t->cur;
      t->cur = i;
      t->focus = i;
      Layout(t);
      // Chosen by a message, the tab comes into view as one the user chooses.
      ScrollIntoView(t, i);
      Invalidate(t);
      return old;
    }
    case TCM_GETCURFOCUS: return t->focus >= 0 ? t->focus : t->cur;
    case TCM_SETCURFOCUS: {
      int i = static_cast<int>(static_cast<LONG>(wp));
      if (!(t->Style() & TCS_BUTTONS)) Choose(t, i);
      else t->focus = i;
      return 0;
    }
    case TCM_HITTEST: {
      auto* info = reinterpret_cast<TCHITTESTINFO*>(lp);
      if (!info) return -1;
      return HitTest(t, info->pt, &info->flags);
    }
    case TCM_SETIMAGELIST: {
      HIMAGELIST old = t->images;
      t->images = reinterpret_cast<HIMAGELIST>(lp);
      Layout(t);
      Invalidate(t);
      return reinterpret_cast<LRESULT>(old);
    }
    case TCM_GETIMAGELIST: return reinterpret_cast<LRESULT>(t->images);
    case TCM_SETITEMSIZE: {
      LRESULT old = MAKELONG(t->fixedW, t->fixedH);
      t->fixedW = LOWORD(lp);
      t->fixedH = HIWORD(lp);
      Layout(t);
      Invalidate(t);
      return old;
    }
    case TCM_SETPADDING:
      t->padX = LOWORD(lp);
      t->padY = HIWORD(lp);
      Layout(t);
      Invalidate(t);
      return 0;
    case TCM_SETMINTABWIDTH: {
      int old = t->minWidth;
      t->minWidth = static_cast<int>(static_cast<LONG>(lp));
      Layout(t);
      Invalidate(t);
      return old;
    }
    case TCM_GETROWCOUNT: return t->rows;
    case TCM_HIGHLIGHTITEM: {
      int i = static_cast<int>(static_cast<LONG>(wp));
      if (!t->Valid(i)) return FALSE;
      DWORD& s = t->tabs[static_cast<size_t>(i)].state;
      s = LOWORD(lp) ? (s | TCIS_HIGHLIGHTED) : (s & ~static_cast<DWORD>(TCIS_HIGHLIGHTED));
      Invalidate(t);
      return TRUE;
    }
    case TCM_DESELECTALL:
      for (Tab& tab : t->tabs) tab.state &= ~static_cast<DWORD>(TCIS_BUTTONPRESSED);
      Invalidate(t);
      return 0;
    case TCM_ADJUSTRECT: {
      auto* r = reinterpret_cast<RECT*>(lp);
      if (!r) return 0;
      // The display area: the page less its frame and a margin of 2.
      int depth = t->tabs.empty() ? 0 : t->stripDepth;
      int in = 4;
      RECT add{in, in, in, in};
      switch (t->Where()) {
        case kTop: add.top += depth; break;
        case kBottom: add.bottom += depth; break;
        case kLeft: add.left += depth; break;
        case kRight: add.right += depth; break;
      }
      if (wp) {
        r->left -= add.left;
        r->top -= add.top;
        r->right += add.right;
        r->bottom += add.bottom;
      } else {
        r->left += add.left;
        r->top += add.top;
        r->right -= add.right;
        r->bottom -= add.bottom;
      }
      return 0;
    }
    case TCM_SETEXTENDEDSTYLE:
    case TCM_GETEXTENDEDSTYLE:
    case TCM_GETTOOLTIPS:
    case TCM_SETTOOLTIPS: return 0;
    case TCM_SETITEMEXTRA: return TRUE;
    case TCM_REMOVEIMAGE: {
      int img = static_cast<int>(static_cast<LONG>(wp));
      for (Tab& tab : t->tabs) {
        if (tab.image == img) tab.image = -1;
        else if (tab.image > img) --tab.image;
      }
      Invalidate(t);
      return 0;
    }
    default: return DefWindowProc(wnd, msg, wp, lp);
  }
}

LRESULT TabWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) { return WithState<TabCtl>(wnd, msg, wp, lp, &Proc); }

}  // namespace

void RegisterTabControlClass() {
  RegisterControlClass(WC_TABCONTROL, &TabWndProc, CS_DBLCLKS | CS_PARENTDC | CS_HREDRAW | CS_VREDRAW, IDC_ARROW,
                       reinterpret_cast<HBRUSH>(static_cast<uintptr_t>(COLOR_BTNFACE + 1)));
}

}  // namespace fano_os::ctl
