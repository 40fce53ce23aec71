// The list box (class "LISTBOX") and the list of a combo box (class "ComboLBox"): items with
// texts and data, sorting, single, multiple and extended selection, owner drawing with fixed or
// variable heights, lists without data (LBS_NODATA: only a count), searching, scrolling, keyboard
// and mouse, and the notifications LBN_SELCHANGE, LBN_DBLCLK, LBN_SETFOCUS, LBN_KILLFOCUS.
#include <algorithm>
#include <cstring>

#include "platform/os/ctl_internal.h"

namespace fano_os::ctl {

namespace {

struct Item {
  std::string text;
  uintptr_t data = 0;
  bool selected = false;
  int height = 0;  // LBS_OWNERDRAWVARIABLE
};

struct ListBox {
  explicit ListBox(HWND w) : wnd(w) {}
  HWND wnd;
  DWORD style = 0;
  bool comboList = false;  // class "ComboLBox"
  HWND combo = nullptr;    // its combo box
  std::vector<Item> items;
  int virtualCount = 0;    // LBS_NODATA
  int cur = -1;            // the selected item (single selection)
  int caret = 0;           // the focus item
  int anchor = 0;
  int top = 0;
  int itemHeight = 16;
  bool heightSet = false;
  int horzExtent = 0;
  int xOffset = 0;
  TextMeasure measure;
  bool focused = false;
  bool redraw = true;
  bool tracking = false;  // the left button is down in the list
  bool dropped = false;   // a combo's list that is showing
  bool updatingBars = false;

  bool NoData() const { return (style & LBS_NODATA) != 0; }
  bool OwnerDraw() const { return (style & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) != 0; }
  bool Variable() const { return (style & LBS_OWNERDRAWVARIABLE) != 0 && !NoData(); }
  bool HasStrings() const { return !NoData() && (!OwnerDraw() || (style & LBS_HASSTRINGS)); }
  bool Multi() const { return (style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0 && !comboList; }
  int Count() const { return NoData() ? virtualCount : static_cast<int>(items.size()); }
  bool Valid(int i) const { return i >= 0 && i < Count(); }
  int HeightOf(int i) const {
    if (Variable() && Valid(i)) return std::max(1, items[static_cast<size_t>(i)].height);
    return std::max(1, itemHeight);
  }
  bool IsSelected(int i) const {
    if (!Valid(i)) return false;
    if (Multi() && !NoData()) return items[static_cast<size_t>(i)].selected;
    return i == cur;
  }
};

int ClientHeight(ListBox* l) {
  RECT r;
  GetClientRect(l->wnd, &r);
  return r.bottom - r.top;
}

// Items that fit whole from the top index.
int VisibleCount(ListBox* l) {
  int h = ClientHeight(l);
  int n = 0;
  for (int i = l->top, y = 0; i < l->Count(); ++i) {
    y += l->HeightOf(i);
    if (y > h) break;
    ++n;
  }
  return std::max(1, n);
}

RECT ItemRect(ListBox* l, int index) {
  RECT c;
  GetClientRect(l->wnd, &c);
  int y = 0;
  if (index >= l->top) {
    for (int i = l->top; i < index; ++i) y += l->HeightOf(i);
  } else {
    for (int i = index; i < l->top; ++i) y -= l->HeightOf(i);
  }
  return RECT{c.left - l->xOffset, y, std::max(c.right, c.left + l->horzExtent) - l->xOffset, y + l->HeightOf(index)};
}

// The item under a client point; outside: the nearest, with *outside set.
int ItemAt(ListBox* l, int x, int y, bool* outside) {
  RECT c;
  GetClientRect(l->wnd, &c);
  bool out = x < c.left || x >= c.right || y < c.top || y >= c.bottom;
  int n = l->Count();
  if (n == 0) {
    if (outside) *outside = true;
    return -1;
  }
  int i = l->top;
  int yy = 0;
  if (y < 0) {
    i = std::max(0, l->top - 1);
    out = true;
  } else {
    while (i < n - 1 && yy + l->HeightOf(i) <= y) {
      yy += l->HeightOf(i);
      ++i;
    }
    if (yy + l->HeightOf(i) <= y) out = true;
  }
  if (outside) *outside = out;
  return i;
}

void Invalidate(ListBox* l) {
  if (l->redraw) InvalidateRect(l->wnd, nullptr, TRUE);
}

void UpdateScrollBars(ListBox* l) {
  if (l->updatingBars || !(l->style & WS_VSCROLL)) return;
  l->updatingBars = true;
  int vis = VisibleCount(l);
  SCROLLINFO si{sizeof(SCROLLINFO), SIF_RANGE | SIF_PAGE | SIF_POS, 0, std::max(0, l->Count() - 1),
                static_cast<UINT>(vis), l->top, 0};
  if (l->style & LBS_DISABLENOSCROLL) si.fMask |= SIF_DISABLENOSCROLL;
  SetScrollInfo(l->wnd, SB_VERT, &si, TRUE);
  if (l->style & WS_HSCROLL) {
    RECT c;
    GetClientRect(l->wnd, &c);
    SCROLLINFO h{sizeof(SCROLLINFO), SIF_RANGE | SIF_PAGE | SIF_POS, 0, std::max(0, l->horzExtent - 1),
                 static_cast<UINT>(std::max<LONG>(1, c.right - c.left)), l->xOffset, 0};
    if (l->style & LBS_DISABLENOSCROLL) h.fMask |= SIF_DISABLENOSCROLL;
    SetScrollInfo(l->wnd, SB_HORZ, &h, TRUE);
  }
  l->updatingBars = false;
}

int MaxTop(ListBox* l) {
  // The top index that shows the last item at the bottom.
  int h = ClientHeight(l);
  int i = l->Count() - 1;
  int y = 0;
  while (i >= 0 && y + l->HeightOf(i) <= h) {
    y += l->HeightOf(i);
    --i;
  }
  return std::max(0, std::min(l->Count() - 1, i + 1));
}

void SetTop(ListBox* l, int top) {
  top = std::clamp(top, 0, MaxTop(l));
  if (top == l->top) return;
  l->top = top;
  UpdateScrollBars(l);
  Invalidate(l);
}

void MakeVisible(ListBox* l, int index) {
  if (!l->Valid(index)) return;
  if (index < l->top) {
    SetTop(l, index);
    return;
  }
  int h = ClientHeight(l);
  RECT r = ItemRect(l, index);
  if (r.bottom > h) {
    int top = l->top;
    int y = r.bottom;
    while (y > h && top < index) {
      y -= l->HeightOf(top);
      ++top;
    }
    SetTop(l, top);
  }
}

// Measures an item of a variable list (WM_MEASUREITEM to the owner).
void MeasureItem(ListBox* l, int index);
LRESULT SendOwner(ListBox* l, UINT msg, WPARAM wp, LPARAM lp);

int Insert(ListBox* l, int index, const char* s, LPARAM raw) {
  if (l->NoData()) return LB_ERR;
  Item it;
  if (l->HasStrings()) it.text = ValidUtf8(s ? s : "");
  else it.data = static_cast<uintptr_t>(raw);
  int n = static_cast<int>(l->items.size());
  if (index < 0 || index > n) index = n;
  if ((l->style & LBS_SORT) && l->HasStrings() && index == n) {
    // Sorted ignoring case; the new text is brought to lower case once.
    const std::string key = LowerUtf8(it.text);
    index = static_cast<int>(std::upper_bound(l->items.begin(), l->items.end(), key,
                                              [](const std::string& k, const Item& i) { return k < LowerUtf8(i.text); }) -
                             l->items.begin());
  }
  l->items.insert(l->items.begin() + index, std::move(it));
  if (l->cur >= index) ++l->cur;
  if (l->caret >= index && l->Count() > 1) ++l->caret;
  if (l->Variable()) MeasureItem(l, index);
  UpdateScrollBars(l);
  Invalidate(l);
  return index;
}

int Delete(ListBox* l, int index) {
  if (l->NoData() || !l->Valid(index)) return LB_ERR;
  l->items.erase(l->items.begin() + index);
  if (l->cur == index) l->cur = -1;
  else if (l->cur > index) --l->cur;
  if (l->caret > index) --l->caret;
  l->caret = std::clamp(l->caret, 0, std::max(0, l->Count() - 1));
  l->top = std::clamp(l->top, 0, MaxTop(l));
  UpdateScrollBars(l);
  Invalidate(l);
  return l->Count();
}

void Reset(ListBox* l) {
  l->items.clear();
  l->virtualCount = 0;
  l->cur = -1;
  l->caret = 0;
  l->anchor = 0;
  l->top = 0;
  UpdateScrollBars(l);
  Invalidate(l);
}

// The first item after start (wrapping; start -1: from the first) that matches: its text begins
// with s (exact: is s) ignoring case, or, without texts, its data is raw.
int Find(ListBox* l, LONG start, const char* s, LPARAM raw, bool exact) {
  int n = l->Count();
  if (n == 0 || l->NoData()) return LB_ERR;
  const bool texts = l->HasStrings();
  const std::string p = texts ? LowerUtf8(s ? s : "") : std::string();
  int from = (start < 0 || start >= n) ? 0 : static_cast<int>(start) + 1;
  for (int k = 0; k < n; ++k) {
    int i = (from + k) % n;
    const Item& item = l->items[static_cast<size_t>(i)];
    if (!texts) {
      if (item.data == static_cast<uintptr_t>(raw)) return i;
      continue;
    }
    const std::string t = LowerUtf8(item.text);
    if (exact ? t == p : t.compare(0, p.size(), p) == 0) return i;
  }
  return LB_ERR;
}

void Notify(ListBox* l, WORD code) {
  if (l->style & LBS_NOTIFY) NotifyParent(l->wnd, code);
}

void InvalidateItem(ListBox* l, int i) {
  if (!l->Valid(i) || !l->redraw) return;
  RECT r = ItemRect(l, i);
  InvalidateRect(l->wnd, &r, TRUE);
}

// Makes index the selected and focus item (single selection), or the focus item.
void SetCurrent(ListBox* l, int index, bool notify) {
  if (!l->Valid(index)) return;
  int old = l->cur;
  InvalidateItem(l, l->caret);
  InvalidateItem(l, old);
  l->caret = index;
  if (!l->Multi()) l->cur = index;
  InvalidateItem(l, index);
  MakeVisible(l, index);
  if (notify && old != l->cur) Notify(l, LBN_SELCHANGE);
}

void SelectRange(ListBox* l, int a, int b, bool on) {
  if (l->NoData()) return;
  if (a > b) std::swap(a, b);
  for (int i = std::max(0, a); i <= b && i < l->Count(); ++i) l->items[static_cast<size_t>(i)].selected = on;
  Invalidate(l);
}

void ClearSelection(ListBox* l) {
  for (Item& it : l->items) it.selected = false;
}

// ---- owner drawing

LRESULT SendOwner(ListBox* l, UINT msg, WPARAM wp, LPARAM lp) {
  HWND owner = l->comboList ? GetParent(l->combo) : NoticeTarget(l->wnd);
  if (!owner) return 0;
  return SendMessage(owner, msg, wp, lp);
}

UINT CtlType(ListBox* l) { return l->comboList ? ODT_COMBOBOX : ODT_LISTBOX; }
HWND CtlWindow(ListBox* l) { return l->comboList ? l->combo : l->wnd; }

void MeasureItem(ListBox* l, int index) {
  MEASUREITEMSTRUCT mi{};
  mi.CtlType = CtlType(l);
  mi.CtlID = static_cast<UINT>(GetDlgCtrlID(CtlWindow(l)));
  mi.itemID = static_cast<UINT>(index);
  RECT c;
  GetClientRect(l->wnd, &c);
  mi.itemWidth = static_cast<UINT>(c.right - c.left);
  mi.itemHeight = static_cast<UINT>(l->itemHeight);
  if (index >= 0 && l->Valid(index)) mi.itemData = l->HasStrings() ? 0 : l->items[static_cast<size_t>(index)].data;
  SendOwner(l, WM_MEASUREITEM, mi.CtlID, reinterpret_cast<LPARAM>(&mi));
  if (index >= 0 && l->Variable() && l->Valid(index)) l->items[static_cast<size_t>(index)].height = static_cast<int>(mi.itemHeight);
  else if (index < 0 || !l->Variable()) l->itemHeight = std::max<int>(1, static_cast<int>(mi.itemHeight));
}

void DrawItem(ListBox* l, HDC dc, int i, const RECT& r, COLORREF text, bool enabled) {
  bool sel = l->IsSelected(i);
  bool focus = l->focused && i == l->caret;
  if (l->OwnerDraw()) {
    DRAWITEMSTRUCT d{};
    d.CtlType = CtlType(l);
    d.CtlID = static_cast<UINT>(GetDlgCtrlID(CtlWindow(l)));
    d.itemID = static_cast<UINT>(i);
    d.itemAction = ODA_DRAWENTIRE;
    d.itemState = (sel ? ODS_SELECTED : 0) | (focus ? ODS_FOCUS : 0) | (enabled ? 0 : ODS_DISABLED);
    d.hwndItem = CtlWindow(l);
    d.hDC = dc;
    d.rcItem = r;
    d.itemData = l->NoData() ? 0 : l->items[static_cast<size_t>(i)].data;
    int saved = SaveDC(dc);
    SendOwner(l, WM_DRAWITEM, d.CtlID, reinterpret_cast<LPARAM>(&d));
    RestoreDC(dc, saved);
    return;
  }
  if (sel) {
    RECT rr = r;
    FillRect(dc, &rr, GetSysColorBrush(COLOR_HIGHLIGHT));
    SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
  } else {
    SetTextColor(dc, enabled ? text : GetSysColor(COLOR_GRAYTEXT));
  }
  const std::string& t = l->items[static_cast<size_t>(i)].text;
  TextOutA(dc, r.left + 2, r.top, t.data(), static_cast<int>(t.size()));
  if (focus) {
    RECT fr = r;
    DrawFocusRect(dc, &fr);
  }
}

void Paint(ListBox* l, HDC given) {
  PAINTSTRUCT ps{};
  HDC dc = given ? given : BeginPaint(l->wnd, &ps);
  if (!dc) return;
  bool enabled = IsWindowEnabled(l->wnd);
  // A combo box's list asks the combo box (which asks its own parent unless it answers itself).
  HBRUSH brush = nullptr;
  if (l->comboList && l->combo) brush = reinterpret_cast<HBRUSH>(SendMessage(l->combo, WM_CTLCOLORLISTBOX, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(l->wnd)));
  if (!brush) brush = ControlColor(l->wnd, dc, WM_CTLCOLORLISTBOX);
  COLORREF text = GetTextColor(dc);
  RECT c;
  GetClientRect(l->wnd, &c);
  if (brush) FillRect(dc, &c, brush);
  int saved = SaveDC(dc);
  SelectObject(dc, l->measure.DrawFont());
  SetBkMode(dc, TRANSPARENT);
  for (int i = l->top; i < l->Count(); ++i) {
    RECT r = ItemRect(l, i);
    if (r.top >= c.bottom) break;
    DrawItem(l, dc, i, r, text, enabled);
  }
  RestoreDC(dc, saved);
  if (!given) EndPaint(l->wnd, &ps);
}

// ---- input

void Scroll(ListBox* l, int code, int thumb) {
  int vis = VisibleCount(l);
  int top = l->top;
  switch (code) {
    case SB_LINEUP: --top; break;
    case SB_LINEDOWN: ++top; break;
    case SB_PAGEUP: top -= std::max(1, vis - 1); break;
    case SB_PAGEDOWN: top += std::max(1, vis - 1); break;
    case SB_TOP: top = 0; break;
    case SB_BOTTOM: top = l->Count(); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: top = thumb; break;
    default: return;
  }
  SetTop(l, top);
}

void MoveCaret(ListBox* l, int index) {
  int n = l->Count();
  if (n == 0) return;
  index = std::clamp(index, 0, n - 1);
  bool shift = KeyDown(VK_SHIFT);
  if ((l->style & LBS_EXTENDEDSEL) && !l->comboList && !l->NoData()) {
    if (!shift) {
      ClearSelection(l);
      l->anchor = index;
    }
    SelectRange(l, l->anchor, index, true);
    SetCurrent(l, index, false);
    Notify(l, LBN_SELCHANGE);
    return;
  }
  SetCurrent(l, index, true);
}

void KeyDownMsg(ListBox* l, WPARAM vk) {
  if (l->style & LBS_WANTKEYBOARDINPUT) {
    LRESULT r = SendOwner(l, WM_VKEYTOITEM, MAKEWPARAM(vk, l->caret), reinterpret_cast<LPARAM>(l->wnd));
    if (r == -2) return;
    if (r >= 0) {
      MoveCaret(l, static_cast<int>(r));
      return;
    }
  }
  int vis = VisibleCount(l);
  int at = l->Multi() ? l->caret : (l->cur < 0 ? -1 : l->cur);
  switch (vk) {
    case VK_UP: MoveCaret(l, at < 0 ? 0 : at - 1); break;
    case VK_DOWN: MoveCaret(l, at + 1); break;
    case VK_PRIOR: MoveCaret(l, at - (vis - 1)); break;
    case VK_NEXT: MoveCaret(l, at + (vis - 1)); break;
    case VK_HOME: MoveCaret(l, 0); break;
    case VK_END: MoveCaret(l, l->Count() - 1); break;
    case VK_SPACE:
      if ((l->style & LBS_MULTIPLESEL) && l->Valid(l->caret) && !l->NoData()) {
        Item& it = l->items[static_cast<size_t>(l->caret)];
        it.selected = !it.selected;
        InvalidateItem(l, l->caret);
        Notify(l, LBN_SELCHANGE);
      }
      break;
    default: break;
  }
}

void CharMsg(ListBox* l, WPARAM ch) {
  if (!l->HasStrings()) {
    if (l->style & LBS_WANTKEYBOARDINPUT) {
      LRESULT r = SendOwner(l, WM_CHARTOITEM, MAKEWPARAM(ch, l->caret), reinterpret_cast<LPARAM>(l->wnd));
      if (r >= 0) MoveCaret(l, static_cast<int>(r));
    }
    return;
  }
  if (ch < 32) return;
  // The next item starting with the character.
  std::string s;
  AppendUtf8(s, static_cast<char32_t>(ch));
  int from = l->Multi() ? l->caret : l->cur;
  int i = Find(l, from, s.c_str(), 0, false);
  if (i != LB_ERR) MoveCaret(l, i);
}

void ButtonDown(ListBox* l, LPARAM lp, WPARAM keys, bool dbl) {
  bool outside = false;
  int i = ItemAt(l, GET_X_LPARAM(lp), GET_Y_LPARAM(lp), &outside);
  if (l->comboList && l->dropped) {
    RECT c;
    GetClientRect(l->wnd, &c);
    POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    if (!PtInRect(&c, p)) {
      ComboListCloseUp(l->combo, false);
      return;
    }
    l->tracking = true;
    if (!outside) SetCurrent(l, i, false);
    return;
  }
  if (!l->comboList && GetFocus() != l->wnd) SetFocus(l->wnd);
  if (!IsWindow(l->wnd)) return;
  if (outside || i < 0) {
    if (dbl) Notify(l, LBN_DBLCLK);
    return;
  }
  if (l->style & LBS_MULTIPLESEL && !l->NoData() && !l->comboList) {
    Item& it = l->items[static_cast<size_t>(i)];
    it.selected = !it.selected;
    SetCurrent(l, i, false);
    Notify(l, LBN_SELCHANGE);
  } else if ((l->style & LBS_EXTENDEDSEL) && !l->NoData() && !l->comboList) {
    if (keys & MK_SHIFT) {
      if (!(keys & MK_CONTROL)) ClearSelection(l);
      SelectRange(l, l->anchor, i, true);
    } else if (keys & MK_CONTROL) {
      Item& it = l->items[static_cast<size_t>(i)];
      it.selected = !it.selected;
      l->anchor = i;
    } else {
      ClearSelection(l);
      l->items[static_cast<size_t>(i)].selected = true;
      l->anchor = i;
    }
    SetCurrent(l, i, false);
    Invalidate(l);
    Notify(l, LBN_SELCHANGE);
  } else {
    SetCurrent(l, i, true);
  }
  if (dbl) Notify(l, LBN_DBLCLK);
  l->tracking = true;
  SetCapture(l->wnd);
}

void MouseMove(ListBox* l, LPARAM lp) {
  bool outside = false;
  int y = GET_Y_LPARAM(lp);
  if (l->comboList && l->dropped) {
    // The list follows the mouse.
    RECT c;
    GetClientRect(l->wnd, &c);
    POINT p{GET_X_LPARAM(lp), y};
    if (!PtInRect(&c, p)) {
      if (l->tracking && y < 0) Scroll(l, SB_LINEUP, 0);
      else if (l->tracking && y >= c.bottom) Scroll(l, SB_LINEDOWN, 0);
      else return;
    }
    int i = ItemAt(l, p.x, std::clamp<LONG>(y, 0, c.bottom - 1), &outside);
    if (i >= 0 && i != l->cur) SetCurrent(l, i, false);
    return;
  }
  if (!l->tracking || GetCapture() != l->wnd || l->Multi()) return;
  RECT c;
  GetClientRect(l->wnd, &c);
  if (y < 0) Scroll(l, SB_LINEUP, 0);
  else if (y >= c.bottom) Scroll(l, SB_LINEDOWN, 0);
  int i = ItemAt(l, GET_X_LPARAM(lp), std::clamp<LONG>(y, 0, c.bottom - 1), &outside);
  if (i >= 0) SetCurrent(l, i, true);
}

void ButtonUp(ListBox* l, LPARAM lp) {
  bool wasTracking = l->tracking;
  l->tracking = false;
  if (l->comboList && l->dropped) {
    RECT c;
    GetClientRect(l->wnd, &c);
    POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    if (wasTracking && PtInRect(&c, p)) ComboListCloseUp(l->combo, true);
    return;
  }
  if (GetCapture() == l->wnd) ReleaseCapture();
}

LRESULT Proc(ListBox* l, UINT msg, WPARAM wp, LPARAM lp) {
  HWND wnd = l->wnd;
  switch (msg) {
    case WM_NCCREATE: {
      auto* cs = reinterpret_cast<const CREATESTRUCT*>(lp);
      l->style = static_cast<DWORD>(cs->style);
      char cls[32] = {};
      GetClassName(wnd, cls, sizeof cls);
      l->comboList = EqualsNoCase(cls, WC_COMBOLBOX);
      if (l->comboList) l->combo = cs->hwndParent;
      if (l->NoData()) l->style &= ~static_cast<DWORD>(LBS_SORT | LBS_HASSTRINGS);
      return DefWindowProc(wnd, msg, wp, lp);
    }
    case WM_CREATE:
      l->itemHeight = l->measure.Height();
      if (l->OwnerDraw() && !l->Variable()) MeasureItem(l, 0);
      UpdateScrollBars(l);
      return 0;
    case WM_NCDESTROY: return DefWindowProc(wnd, msg, wp, lp);
    case WM_SETFONT:
      l->measure.SetFont(reinterpret_cast<HFONT>(wp));
      if (!l->OwnerDraw() && !l->heightSet) l->itemHeight = l->measure.Height();
      // An owner-drawn list asks its owner again: at creation the owner may not have known it yet.
      if (l->OwnerDraw() && !l->Variable() && !l->heightSet) MeasureItem(l, 0);
      UpdateScrollBars(l);
      if (LOWORD(lp)) Invalidate(l);
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(l->measure.Font());
    case WM_SIZE:
      l->top = std::clamp(l->top, 0, MaxTop(l));
      UpdateScrollBars(l);
      Invalidate(l);
      return 0;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT: Paint(l, reinterpret_cast<HDC>(wp)); return 0;
    case WM_SETREDRAW:
      l->redraw = wp != 0;
      if (l->redraw) {
        UpdateScrollBars(l);
        InvalidateRect(wnd, nullptr, TRUE);
      }
      return 0;
    case WM_ENABLE: Invalidate(l); return 0;
    case WM_SETFOCUS:
      l->focused = true;
      InvalidateItem(l, l->caret);
      Notify(l, LBN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      l->focused = false;
      InvalidateItem(l, l->caret);
      Notify(l, LBN_KILLFOCUS);
      return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_KEYDOWN: KeyDownMsg(l, wp); return 0;
    case WM_CHAR: CharMsg(l, wp); return 0;
    case WM_LBUTTONDOWN: ButtonDown(l, lp, wp, false); return 0;
    case WM_LBUTTONDBLCLK: ButtonDown(l, lp, wp, true); return 0;
    case WM_MOUSEMOVE: MouseMove(l, lp); return 0;
    case WM_LBUTTONUP: ButtonUp(l, lp); return 0;
    case WM_CAPTURECHANGED: l->tracking = false; return 0;
    case WM_VSCROLL: Scroll(l, LOWORD(wp), static_cast<int16_t>(HIWORD(wp))); return 0;
    case WM_HSCROLL: {
      RECT c;
      GetClientRect(wnd, &c);
      int w = c.right - c.left;
      int x = l->xOffset;
      switch (LOWORD(wp)) {
        case SB_LINELEFT: x -= l->measure.AveWidth(); break;
        case SB_LINERIGHT: x += l->measure.AveWidth(); break;
        case SB_PAGELEFT: x -= w; break;
        case SB_PAGERIGHT: x += w; break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: x = static_cast<int16_t>(HIWORD(wp)); break;
        default: return 0;
      }
      l->xOffset = std::clamp(x, 0, std::max(0, l->horzExtent - w));
      UpdateScrollBars(l);
      Invalidate(l);
      return 0;
    }
    case WM_MOUSEWHEEL: {
      int delta = static_cast<int16_t>(HIWORD(wp));
      UINT lines = 3;
      SystemParametersInfo(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
      int n = std::max(1, static_cast<int>(lines) * std::abs(delta) / 120);
      SetTop(l, l->top + (delta > 0 ? -n : n));
      return 0;
    }
    case LB_ADDSTRING: return Insert(l, -1, reinterpret_cast<const char*>(lp), lp);
    case LB_INSERTSTRING: return Insert(l, static_cast<int>(static_cast<LONG>(wp)), reinterpret_cast<const char*>(lp), lp);
    case LB_DELETESTRING: return Delete(l, static_cast<int>(static_cast<LONG>(wp)));
    case LB_RESETCONTENT: Reset(l); return 0;
    case LB_GETCOUNT: return l->Count();
    case LB_SETCOUNT:
      if (!l->NoData()) return LB_ERR;
      l->virtualCount = std::max(0, static_cast<int>(static_cast<LONG>(wp)));
      if (l->cur >= l->virtualCount) l->cur = -1;
      l->caret = std::clamp(l->caret, 0, std::max(0, l->virtualCount - 1));
      l->top = std::clamp(l->top, 0, MaxTop(l));
      UpdateScrollBars(l);
      Invalidate(l);
      return 0;
    case LB_INITSTORAGE: return l->Count();
    case LB_GETTEXT: {
      int i = static_cast<int>(static_cast<LONG>(wp));
      if (!l->Valid(i) || l->NoData() || !lp) return LB_ERR;
      if (!l->HasStrings()) {
        std::memcpy(reinterpret_cast<void*>(lp), &l->items[static_cast<size_t>(i)].data, sizeof(uintptr_t));
        return sizeof(uintptr_t);
      }
      const std::string& t = l->items[static_cast<size_t>(i)].text;
      std::memcpy(reinterpret_cast<char*>(lp), t.c_str(), t.size() + 1);
      return static_cast<LRESULT>(t.size());
    }
    case LB_GETTEXTLEN: {
      int i = static_cast<int>(static_cast<LONG>(wp));
      if (!l->Valid(i) || l->NoData()) return LB_ERR;
      return l->HasStrings() ? static_cast<LRESULT>(l->items[static_cast<size_t>(i)].text.size()) : sizeof(uintptr_t);
    }
    case LB_GETITEMDATA: {
      int i = static_cast<int>(static_cast<LONG>(wp));
      if (!l->Valid(i) || l->NoData()) return l->Valid(i) ? 0 : LB_ERR;
      return static_cast<LRESULT>(l->items[static_cast<size_t>(i)].data);
    }
    case LB_SETITEMDATA: {
      int i = static_cast<int>(static_cast<LONG>(wp));
      if (l->NoData()) return LB_ERR;
      if (i == -1) {
        for (Item& it : l->items) it.data = static_cast<uintptr_t>(lp);
        return 0;
      }
      if (!l->Valid(i)) return LB_ERR;
      l->items[static_cast<size_t>(i)].data = static_cast<uintptr_t>(lp);
      return 0;
    }
    case LB_SETCURSEL: {
      if (l->Multi()) return LB_ERR;
      int i = static_cast<int>(static_cast<LONG>(wp));
      if (!l->Valid(i)) {
        if (l->cur >= 0) InvalidateItem(l, l->cur);
        l->cur = -1;
        return LB_ERR;
      }
      SetCurrent(l, i, false);
      return i;
    }
    case LB_GETCURSEL:
      if (l->Multi()) return l->Count() ? l->caret : LB_ERR;
      return l->cur;
    case LB_SETSEL: {
      if (!l->Multi()) return LB_ERR;
      int i = static_cast<int>(static_cast<LONG>(lp));
      if (i == -1) {
        for (Item& it : l->items) it.selected = wp != 0;
        Invalidate(l);
        return 0;
      }
      if (!l->Valid(i)) return LB_ERR;
      l->items[static_cast<size_t>(i)].selected = wp != 0;
      InvalidateItem(l, i);
      return 0;
    }
    case LB_GETSEL: {
      int i = static_cast<int>(static_cast<LONG>(wp));
      if (!l->Valid(i)) return LB_ERR;
      return l->IsSelected(i) ? 1 : 0;
    }
    case LB_GETSELCOUNT: {
      if (!l->Multi()) return LB_ERR;
      return static_cast<LRESULT>(std::count_if(l->items.begin(), l->items.end(), [](const Item& it) { return it.selected; }));
    }
    case LB_GETSELITEMS: {
      if (!l->Multi()) return LB_ERR;
      int* out = reinterpret_cast<int*>(lp);
      int max = static_cast<int>(wp);
      int n = 0;
      for (int i = 0; i < l->Count() && n < max; ++i)
        if (l->items[static_cast<size_t>(i)].selected && out) out[n++] = i;
      return n;
    }
    case LB_SELITEMRANGE:
      if (!l->Multi()) return LB_ERR;
      SelectRange(l, LOWORD(lp), HIWORD(lp), wp != 0);
      return 0;
    case LB_SELITEMRANGEEX: {
      if (!l->Multi()) return LB_ERR;
      int a = static_cast<int>(static_cast<LONG>(wp));
      int b = static_cast<int>(static_cast<LONG>(lp));
      SelectRange(l, a, b, a <= b);
      return 0;
    }
    case LB_SETCARETINDEX: {
      int i = static_cast<int>(static_cast<LONG>(wp));
      if (!l->Valid(i)) return LB_ERR;
      InvalidateItem(l, l->caret);
      l->caret = i;
      InvalidateItem(l, i);
      MakeVisible(l, i);
      return 0;
    }
    case LB_GETCARETINDEX: return l->caret;
    case LB_SETANCHORINDEX: l->anchor = static_cast<int>(static_cast<LONG>(wp)); return 0;
    case LB_GETANCHORINDEX: return l->anchor;
    case LB_SETTOPINDEX: {
      int i = static_cast<int>(static_cast<LONG>(wp));
      if (!l->Valid(i) && !(i == 0 && l->Count() == 0)) return LB_ERR;
      SetTop(l, i);
      return 0;
    }
    case LB_GETTOPINDEX: return l->top;
    case LB_GETITEMRECT: {
      int i = static_cast<int>(static_cast<LONG>(wp));
      if (!lp || (!l->Valid(i) && !(i == 0 && l->Count() == 0))) return LB_ERR;
      *reinterpret_cast<RECT*>(lp) = ItemRect(l, i);
      return 1;
    }
    case LB_ITEMFROMPOINT: {
      bool outside = false;
      int i = ItemAt(l, GET_X_LPARAM(lp), GET_Y_LPARAM(lp), &outside);
      if (i < 0) return MAKELONG(0xFFFF, 1);
      return MAKELONG(static_cast<WORD>(i), outside ? 1 : 0);
    }
    case LB_SETITEMHEIGHT: {
      int h = static_cast<int>(LOWORD(lp));
      if (h <= 0 || h > 255) return LB_ERR;
      int i = static_cast<int>(static_cast<LONG>(wp));
      if (l->Variable()) {
        if (!l->Valid(i)) return LB_ERR;
        l->items[static_cast<size_t>(i)].height = h;
      } else {
        l->itemHeight = h;
        l->heightSet = true;
      }
      l->top = std::clamp(l->top, 0, MaxTop(l));
      UpdateScrollBars(l);
      Invalidate(l);
      return 0;
    }
    case LB_GETITEMHEIGHT: {
      int i = static_cast<int>(static_cast<LONG>(wp));
      if (l->Variable()) return l->Valid(i) ? l->HeightOf(i) : LB_ERR;
      return l->itemHeight;
    }
    case LB_FINDSTRING: return Find(l, static_cast<LONG>(wp), reinterpret_cast<const char*>(lp), lp, false);
    case LB_FINDSTRINGEXACT: return Find(l, static_cast<LONG>(wp), reinterpret_cast<const char*>(lp), lp, true);
    case LB_SELECTSTRING: {
      if (l->Multi()) return LB_ERR;
      int i = Find(l, static_cast<LONG>(wp), reinterpret_cast<const char*>(lp), lp, false);
      if (i == LB_ERR) return LB_ERR;
      SetCurrent(l, i, false);
      return i;
    }
    case LB_SETHORIZONTALEXTENT:
      l->horzExtent = static_cast<int>(wp);
      UpdateScrollBars(l);
      Invalidate(l);
      return 0;
    case LB_GETHORIZONTALEXTENT: return l->horzExtent;
    case LB_SETCOLUMNWIDTH:
    case LB_SETTABSTOPS: return TRUE;
    case LB_DIR:
    case LB_ADDFILE: return LB_ERR;
    case LB_GETLOCALE:
    case LB_SETLOCALE: return 0;
    default: return DefWindowProc(wnd, msg, wp, lp);
  }
}

LRESULT ListBoxWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) { return WithState<ListBox>(wnd, msg, wp, lp, &Proc); }

}  // namespace

void ListBoxSetDropped(HWND list, bool dropped, bool tracking) {
  if (auto* l = StateOf<ListBox>(list)) {
    l->dropped = dropped;
    l->tracking = dropped && tracking;
    if (dropped) MakeVisible(l, l->cur);
  }
}

void ListBoxKey(HWND list, WPARAM vk) {
  if (auto* l = StateOf<ListBox>(list)) {
    DWORD saved = l->style;
    l->style &= ~static_cast<DWORD>(LBS_NOTIFY);  // the combo box tells its own change
    KeyDownMsg(l, vk);
    l->style = saved;
  }
}

int ListBoxItemHeight(HWND list) {
  auto* l = StateOf<ListBox>(list);
  return l ? l->itemHeight : 0;
}

void ListBoxMeasureSelectionField(HWND list, int& height) {
  auto* l = StateOf<ListBox>(list);
  if (!l || !l->OwnerDraw()) return;
  MEASUREITEMSTRUCT mi{};
  mi.CtlType = ODT_COMBOBOX;
  mi.CtlID = static_cast<UINT>(GetDlgCtrlID(l->combo));
  mi.itemID = static_cast<UINT>(-1);
  mi.itemHeight = static_cast<UINT>(height);
  SendOwner(l, WM_MEASUREITEM, mi.CtlID, reinterpret_cast<LPARAM>(&mi));
  height = std::max<int>(1, static_cast<int>(mi.itemHeight));
}

void RegisterListBoxClasses() {
  RegisterControlClass(WC_LISTBOX, &ListBoxWndProc, CS_DBLCLKS | CS_PARENTDC);
  RegisterControlClass(WC_COMBOLBOX, &ListBoxWndProc, CS_DBLCLKS | CS_SAVEBITS);
}

}  // namespace fano_os::ctl
