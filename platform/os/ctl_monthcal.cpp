// The month calendar (class "SysMonthCal32"): one month at a time with the days of the months
// before and after filling its six weeks, a title with buttons to the previous and next month,
// the row of weekday names, an optional row for today and a column of week numbers; the chosen
// day, a range, the first day of the week and the colours are settable. MCM_HITTEST tells what is
// under a point; the user's changes reach the parent as MCN_SELCHANGE and MCN_SELECT.
//
// The texts are those of the system's locale (Chinese): the title reads "2026年12月", the weekdays
// 日 一 二 三 四 五 六, and weeks start on Monday unless set otherwise.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/os/ctl_internal.h"

namespace fano_os::ctl {

namespace {

// ---- days: a serial day number (days from 1970-01-01, a Thursday)

int64_t DayNumber(int y, int m, int d) {
  y -= m <= 2;
  int64_t era = (y >= 0 ? y : y - 399) / 400;
  int64_t yoe = y - era * 400;
  int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void FromDayNumber(int64_t n, int& y, int& m, int& d) {
  n = n + 719468;
  int64_t era = (n >= 0 ? n : n - 146096) / 146097;
  int64_t doe = n - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t yy = yoe + era * 400;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yy + (m <= 2));
}

// 0 = Monday .. 6 = Sunday.
int Weekday(int64_t n) {
  int64_t w = (n + 3) % 7;
  if (w < 0) w += 7;
  return static_cast<int>(w);
}

int DaysInMonth(int y, int m) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (m == 2 && ((y % 4 == 0 && y % 100 != 0) || y % 400 == 0)) return 29;
  return days[m - 1];
}

bool ValidDate(const SYSTEMTIME& st) {
  return st.wYear >= 1601 && st.wYear <= 9999 && st.wMonth >= 1 && st.wMonth <= 12 && st.wDay >= 1 &&
         st.wDay <= DaysInMonth(st.wYear, st.wMonth);
}

int64_t DayOf(const SYSTEMTIME& st) { return DayNumber(st.wYear, st.wMonth, st.wDay); }

SYSTEMTIME SystemTimeOf(int64_t n) {
  int y, m, d;
  FromDayNumber(n, y, m, d);
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(y);
  st.wMonth = static_cast<WORD>(m);
  st.wDay = static_cast<WORD>(d);
  // SYSTEMTIME counts the weekday from Sunday.
  st.wDayOfWeek = static_cast<WORD>((Weekday(n) + 1) % 7);
  return st;
}

struct Calendar {
  explicit Calendar(HWND w) : wnd(w) {}
  HWND wnd;
  DWORD style = 0;
  int64_t sel = 0;
  int viewYear = 2000;
  int viewMonth = 1;
  int64_t today = 0;
  bool todaySet = false;
  int firstDay = 0;  // 0 Monday .. 6 Sunday
  bool firstDayLocale = true;
  int64_t minDay = 0;
  int64_t maxDay = 0;
  DWORD rangeFlags = 0;
  int monthDelta = 1;
  COLORREF colors[6]{};
  TextMeasure measure;
  bool focused = false;
  bool pressed = false;

  bool ShowToday() const { return !(style & MCS_NOTODAY); }
  bool WeekNumbers() const { return (style & MCS_WEEKNUMBERS) != 0; }
};

struct Geometry {
  int cellW, cellH, titleH, namesH, todayH, margin, btnW;
  int left, top;  // of the month block
  int width, height;
  int gridLeft, gridTop;
};

int64_t Today(Calendar* c) {
  if (c->todaySet) return c->today;
  SYSTEMTIME st{};
  GetLocalTime(&st);
  return DayOf(st);
}

const char* const kDayNames[7] = {"一", "二", "三", "四", "五", "六", "日"};  // Monday first

Geometry Measure(Calendar* c) {
  Geometry g{};
  int h = c->measure.Height();
  g.cellW = std::max(c->measure.Width("00"), c->measure.Width(kDayNames[0])) + 6;
  g.cellH = h + 4;
  g.titleH = h + 8;
  g.namesH = g.cellH + 2;
  g.todayH = c->ShowToday() ? g.cellH + 2 : 0;
  g.margin = 4;
  g.btnW = g.titleH;
  int cols = 7 + (c->WeekNumbers() ? 1 : 0);
  g.width = 2 * g.margin + cols * g.cellW;
  g.height = g.margin + g.titleH + g.namesH + 6 * g.cellH + g.todayH + g.margin;
  RECT r;
  GetClientRect(c->wnd, &r);
  g.left = std::max<int>(0, (r.right - g.width) / 2);
  g.top = std::max<int>(0, (r.bottom - g.height) / 2);
  g.gridLeft = g.left + g.margin + (c->WeekNumbers() ? g.cellW : 0);
  g.gridTop = g.top + g.margin + g.titleH + g.namesH;
  return g;
}

// The day in the first cell of the grid: the month's first day goes in the first week, with at
// least one day of the month before in front of it.
int64_t FirstCell(Calendar* c) {
  int64_t first = DayNumber(c->viewYear, c->viewMonth, 1);
  int offset = (Weekday(first) - c->firstDay + 7) % 7;
  if (offset == 0) offset = 7;
  return first - offset;
}

bool InRange(Calendar* c, int64_t day) {
  if ((c->rangeFlags & GDTR_MIN) && day < c->minDay) return false;
  if ((c->rangeFlags & GDTR_MAX) && day > c->maxDay) return false;
  return day >= DayNumber(1601, 1, 1) && day <= DayNumber(9999, 12, 31);
}

void ShowMonthOf(Calendar* c, int64_t day) {
  int y, m, d;
  FromDayNumber(day, y, m, d);
  c->viewYear = y;
  c->viewMonth = m;
}

void Notify(Calendar* c, UINT code) {
  NMSELCHANGE n{};
  n.stSelStart = n.stSelEnd = SystemTimeOf(c->sel);
  NotifyParentHeader(c->wnd, &n.nmhdr, code);
}

// The user chose a day.
void Choose(Calendar* c, int64_t day) {
  if (!InRange(c, day)) return;
  bool changed = day != c->sel;
  c->sel = day;
  ShowMonthOf(c, day);
  InvalidateRect(c->wnd, nullptr, TRUE);
  if (changed) Notify(c, static_cast<UINT>(MCN_SELCHANGE));
}

// Moves the view by months; the chosen day keeps its day of the month where it can.
void ScrollMonths(Calendar* c, int months) {
  int idx = c->viewYear * 12 + (c->viewMonth - 1) + months;
  int y = idx / 12;
  int m = idx % 12 + 1;
  if (y < 1601 || y > 9999) return;
  int sy, sm, sd;
  FromDayNumber(c->sel, sy, sm, sd);
  int64_t day = DayNumber(y, m, std::min(sd, DaysInMonth(y, m)));
  if (!InRange(c, day)) {
    if ((c->rangeFlags & GDTR_MIN) && day < c->minDay) day = c->minDay;
    if ((c->rangeFlags & GDTR_MAX) && day > c->maxDay) day = c->maxDay;
  }
  Choose(c, day);
  c->viewYear = y;
  c->viewMonth = m;
}

UINT HitTest(Calendar* c, POINT p, int64_t* day) {
  Geometry g = Measure(c);
  RECT block{g.left, g.top, g.left + g.width, g.top + g.height};
  if (!PtInRect(&block, p)) return MCHT_NOWHERE;
  int titleTop = g.top + g.margin;
  if (p.y >= titleTop && p.y < titleTop + g.titleH) {
    if (p.x < g.left + g.margin + g.btnW) return MCHT_TITLEBTNPREV;
    if (p.x >= g.left + g.width - g.margin - g.btnW) return MCHT_TITLEBTNNEXT;
    // The title "2026年12月": the year part, then the month part.
    char year[16];
    std::snprintf(year, sizeof year, "%d年", c->viewYear);
    char title[32];
    std::snprintf(title, sizeof title, "%d年%d月", c->viewYear, c->viewMonth);
    int tw = c->measure.Width(title);
    int tx = g.left + (g.width - tw) / 2;
    int yw = c->measure.Width(year);
    if (p.x >= tx && p.x < tx + yw) return MCHT_TITLEYEAR;
    if (p.x >= tx + yw && p.x < tx + tw) return MCHT_TITLEMONTH;
    return MCHT_TITLEBK;
  }
  int namesTop = titleTop + g.titleH;
  if (p.y >= namesTop && p.y < namesTop + g.namesH) {
    if (p.x >= g.gridLeft && p.x < g.gridLeft + 7 * g.cellW) {
      int col = (p.x - g.gridLeft) / g.cellW;
      if (day) *day = FirstCell(c) + col;
      return MCHT_CALENDARDAY;
    }
    return MCHT_CALENDARBK;
  }
  if (p.y >= g.gridTop && p.y < g.gridTop + 6 * g.cellH) {
    int row = (p.y - g.gridTop) / g.cellH;
    if (c->WeekNumbers() && p.x >= g.gridLeft - g.cellW && p.x < g.gridLeft) {
      if (day) *day = FirstCell(c) + row * 7;
      return MCHT_CALENDARWEEKNUM;
    }
    if (p.x >= g.gridLeft && p.x < g.gridLeft + 7 * g.cellW) {
      int col = (p.x - g.gridLeft) / g.cellW;
      int64_t d = FirstCell(c) + row * 7 + col;
      if (day) *day = d;
      int y, m, dd;
      FromDayNumber(d, y, m, dd);
      if (y * 12 + m < c->viewYear * 12 + c->viewMonth) return MCHT_CALENDARDATEPREV;
      if (y * 12 + m > c->viewYear * 12 + c->viewMonth) return MCHT_CALENDARDATENEXT;
      return MCHT_CALENDARDATE;
    }
    return MCHT_CALENDARBK;
  }
  if (c->ShowToday() && p.y >= g.gridTop + 6 * g.cellH && p.y < g.gridTop + 6 * g.cellH + g.todayH) {
    if (day) *day = Today(c);
    return MCHT_TODAYLINK;
  }
  return MCHT_CALENDARBK;
}

// ---- painting

void FillColor(HDC dc, const RECT& r, COLORREF color) {
  HBRUSH b = CreateSolidBrush(color);
  FillRect(dc, &r, b);
  DeleteObject(b);
}

void Paint(Calendar* c, HDC given) {
  PAINTSTRUCT ps{};
  HDC dc = given ? given : BeginPaint(c->wnd, &ps);
  if (!dc) return;
  Geometry g = Measure(c);
  RECT client;
  GetClientRect(c->wnd, &client);
  FillColor(dc, client, c->colors[MCSC_BACKGROUND]);
  RECT block{g.left, g.top, g.left + g.width, g.top + g.height};
  FillColor(dc, block, c->colors[MCSC_MONTHBK]);
  int saved = SaveDC(dc);
  SelectObject(dc, c->measure.DrawFont());
  SetBkMode(dc, TRANSPARENT);
  // Title with its two buttons.
  RECT title{g.left + g.margin, g.top + g.margin, g.left + g.width - g.margin, g.top + g.margin + g.titleH};
  FillColor(dc, title, c->colors[MCSC_TITLEBK]);
  RECT prev{title.left, title.top, title.left + g.btnW, title.bottom};
  RECT next{title.right - g.btnW, title.top, title.right, title.bottom};
  InflateRect(&prev, -2, -2);
  InflateRect(&next, -2, -2);
  DrawFrameControl(dc, &prev, DFC_SCROLL, DFCS_SCROLLLEFT | DFCS_FLAT);
  DrawFrameControl(dc, &next, DFC_SCROLL, DFCS_SCROLLRIGHT | DFCS_FLAT);
  char text[64];
  std::snprintf(text, sizeof text, "%d年%d月", c->viewYear, c->viewMonth);
  SetTextColor(dc, c->colors[MCSC_TITLETEXT]);
  DrawTextA(dc, text, -1, &title, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  // Weekday names and the line under them.
  int namesTop = title.bottom;
  SetTextColor(dc, c->colors[MCSC_TITLEBK]);
  for (int col = 0; col < 7; ++col) {
    RECT r{g.gridLeft + col * g.cellW, namesTop, g.gridLeft + (col + 1) * g.cellW, namesTop + g.cellH};
    DrawTextA(dc, kDayNames[(c->firstDay + col) % 7], -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
  HPEN pen = CreatePen(PS_SOLID, 1, c->colors[MCSC_TEXT]);
  HGDIOBJ oldPen = SelectObject(dc, pen);
  MoveToEx(dc, g.gridLeft, namesTop + g.cellH, nullptr);
  LineTo(dc, g.gridLeft + 7 * g.cellW, namesTop + g.cellH);
  // Days.
  int64_t first = FirstCell(c);
  int64_t today = Today(c);
  bool enabled = IsWindowEnabled(c->wnd);
  for (int row = 0; row < 6; ++row) {
    for (int col = 0; col < 7; ++col) {
      int64_t day = first + row * 7 + col;
      int y, m, d;
      FromDayNumber(day, y, m, d);
      RECT r{g.gridLeft + col * g.cellW, g.gridTop + row * g.cellH, g.gridLeft + (col + 1) * g.cellW,
             g.gridTop + (row + 1) * g.cellH};
      bool trailing = m != c->viewMonth;
      COLORREF color = trailing || !enabled || !InRange(c, day) ? c->colors[MCSC_TRAILINGTEXT] : c->colors[MCSC_TEXT];
      if (day == c->sel) {
        FillColor(dc, r, c->colors[MCSC_TITLEBK]);
        color = c->colors[MCSC_TITLETEXT];
      }
      if (day == today && !(c->style & MCS_NOTODAYCIRCLE)) {
        HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
        FrameRect(dc, &r, red);
        DeleteObject(red);
      }
      SetTextColor(dc, color);
      std::snprintf(text, sizeof text, "%d", d);
      DrawTextA(dc, text, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      if (c->focused && day == c->sel) {
        RECT fr = r;
        DrawFocusRect(dc, &fr);
      }
    }
    if (c->WeekNumbers()) {
      // ISO week of the row's Thursday.
      int64_t thursday = first + row * 7 + (3 - c->firstDay + 7) % 7;
      int ty, tm, td;
      FromDayNumber(thursday, ty, tm, td);
      int64_t jan1 = DayNumber(ty, 1, 1);
      int week = static_cast<int>((thursday - jan1) / 7 + 1);
      RECT r{g.gridLeft - g.cellW, g.gridTop + row * g.cellH, g.gridLeft, g.gridTop + (row + 1) * g.cellH};
      SetTextColor(dc, c->colors[MCSC_TITLEBK]);
      std::snprintf(text, sizeof text, "%d", week);
      DrawTextA(dc, text, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
  }
  if (c->ShowToday()) {
    int ty, tm, td;
    FromDayNumber(today, ty, tm, td);
    std::snprintf(text, sizeof text, "今天: %d-%d-%d", ty, tm, td);
    RECT r{g.gridLeft, g.gridTop + 6 * g.cellH, g.gridLeft + 7 * g.cellW, g.gridTop + 6 * g.cellH + g.todayH};
    MoveToEx(dc, r.left, r.top, nullptr);
    LineTo(dc, r.right, r.top);
    SetTextColor(dc, c->colors[MCSC_TEXT]);
    DrawTextA(dc, text, -1, &r, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  }
  SelectObject(dc, oldPen);
  DeleteObject(pen);
  RestoreDC(dc, saved);
  if (!given) EndPaint(c->wnd, &ps);
}

void KeyDownMsg(Calendar* c, WPARAM vk) {
  bool ctrl = KeyDown(VK_CONTROL);
  int y, m, d;
  FromDayNumber(c->sel, y, m, d);
  switch (vk) {
    case VK_LEFT: Choose(c, c->sel - 1); break;
    case VK_RIGHT: Choose(c, c->sel + 1); break;
    case VK_UP: Choose(c, c->sel - 7); break;
    case VK_DOWN: Choose(c, c->sel + 7); break;
    case VK_PRIOR: ScrollMonths(c, ctrl ? -12 : -1); break;
    case VK_NEXT: ScrollMonths(c, ctrl ? 12 : 1); break;
    case VK_HOME: Choose(c, ctrl ? DayNumber(y, 1, 1) : DayNumber(y, m, 1)); break;
    case VK_END: Choose(c, ctrl ? DayNumber(y, 12, 31) : DayNumber(y, m, DaysInMonth(y, m))); break;
    default: break;
  }
}

LRESULT Proc(Calendar* c, UINT msg, WPARAM wp, LPARAM lp) {
  HWND wnd = c->wnd;
  switch (msg) {
    case WM_NCCREATE: {
      auto* cs = reinterpret_cast<const CREATESTRUCT*>(lp);
      c->style = static_cast<DWORD>(cs->style);
      c->colors[MCSC_BACKGROUND] = GetSysColor(COLOR_WINDOW);
      c->colors[MCSC_TEXT] = GetSysColor(COLOR_WINDOWTEXT);
      c->colors[MCSC_TITLEBK] = GetSysColor(COLOR_ACTIVECAPTION);
      c->colors[MCSC_TITLETEXT] = GetSysColor(COLOR_CAPTIONTEXT);
      c->colors[MCSC_MONTHBK] = GetSysColor(COLOR_WINDOW);
      c->colors[MCSC_TRAILINGTEXT] = GetSysColor(COLOR_GRAYTEXT);
      c->sel = Today(c);
      ShowMonthOf(c, c->sel);
      return DefWindowProc(wnd, msg, wp, lp);
    }
    case WM_NCDESTROY: return DefWindowProc(wnd, msg, wp, lp);
    case WM_STYLECHANGED:
      c->style = static_cast<DWORD>(GetWindowLong(wnd, GWL_STYLE));
      InvalidateRect(wnd, nullptr, TRUE);
      return 0;
    case WM_SETFONT:
      c->measure.SetFont(reinterpret_cast<HFONT>(wp));
      if (LOWORD(lp)) InvalidateRect(wnd, nullptr, TRUE);
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(c->measure.Font());
    case WM_SIZE: InvalidateRect(wnd, nullptr, TRUE); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT: Paint(c, reinterpret_cast<HDC>(wp)); return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      c->focused = msg == WM_SETFOCUS;
      InvalidateRect(wnd, nullptr, FALSE);
      return 0;
    case WM_ENABLE: InvalidateRect(wnd, nullptr, TRUE); return 0;
    case WM_KEYDOWN: KeyDownMsg(c, wp); return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      if (GetFocus() != wnd) SetFocus(wnd);
      if (!IsWindow(wnd)) return 0;
      int64_t day = 0;
      UINT hit = HitTest(c, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)}, &day);
      switch (hit) {
        case MCHT_TITLEBTNPREV: ScrollMonths(c, -c->monthDelta); break;
        case MCHT_TITLEBTNNEXT: ScrollMonths(c, c->monthDelta); break;
        case MCHT_CALENDARDATE:
        case MCHT_CALENDARDATEPREV:
        case MCHT_CALENDARDATENEXT:
        case MCHT_TODAYLINK:
          Choose(c, day);
          c->pressed = true;
          SetCapture(wnd);
          break;
        default: break;
      }
      return 0;
    }
    case WM_LBUTTONUP:
      if (c->pressed) {
        c->pressed = false;
        if (GetCapture() == wnd) ReleaseCapture();
        Notify(c, static_cast<UINT>(MCN_SELECT));
      }
      return 0;
    case WM_CAPTURECHANGED: c->pressed = false; return 0;
    case MCM_GETCURSEL:
      if (!lp) return FALSE;
      *reinterpret_cast<SYSTEMTIME*>(lp) = SystemTimeOf(c->sel);
      return TRUE;
    case MCM_SETCURSEL: {
      auto* st = reinterpret_cast<const SYSTEMTIME*>(lp);
      if (!st || !ValidDate(*st) || !InRange(c, DayOf(*st))) return FALSE;
      c->sel = DayOf(*st);
      ShowMonthOf(c, c->sel);
      InvalidateRect(wnd, nullptr, TRUE);
      return TRUE;
    }
    case MCM_GETMAXSELCOUNT: return 1;
    case MCM_SETMAXSELCOUNT: return wp == 1;
    case MCM_GETSELRANGE:
      if (!lp) return FALSE;
      reinterpret_cast<SYSTEMTIME*>(lp)[0] = reinterpret_cast<SYSTEMTIME*>(lp)[1] = SystemTimeOf(c->sel);
      return TRUE;
    case MCM_SETSELRANGE: return FALSE;
    case MCM_GETMINREQRECT: {
      if (!lp) return FALSE;
      Geometry g = Measure(c);
      *reinterpret_cast<RECT*>(lp) = RECT{0, 0, g.width, g.height};
      return TRUE;
    }
    case MCM_HITTEST: {
      auto* info = reinterpret_cast<MCHITTESTINFO*>(lp);
      if (!info) return -1;
      int64_t day = 0;
      info->uHit = HitTest(c, info->pt, &day);
      std::memset(&info->st, 0, sizeof info->st);
      if (info->uHit & MCHT_CALENDAR) {
        if ((info->uHit & 0xFFFF) == (MCHT_CALENDARDATE & 0xFFFF) || info->uHit == MCHT_CALENDARWEEKNUM) info->st = SystemTimeOf(day);
        if (info->uHit == MCHT_CALENDARDAY) info->st.wDayOfWeek = static_cast<WORD>((Weekday(day) + 1) % 7);
      }
      if (info->uHit == MCHT_TODAYLINK) info->st = SystemTimeOf(day);
      return static_cast<LRESULT>(info->uHit);
    }
    case MCM_SETTODAY: {
      auto* st = reinterpret_cast<const SYSTEMTIME*>(lp);
      c->todaySet = st && ValidDate(*st);
      if (c->todaySet) c->today = DayOf(*st);
      InvalidateRect(wnd, nullptr, TRUE);
      return 0;
    }
    case MCM_GETTODAY:
      if (!lp) return FALSE;
      *reinterpret_cast<SYSTEMTIME*>(lp) = SystemTimeOf(Today(c));
      return TRUE;
    case MCM_SETFIRSTDAYOFWEEK: {
      LRESULT old = MAKELONG(c->firstDay, c->firstDayLocale ? 0 : 1);
      int v = static_cast<int>(static_cast<LONG>(lp));
      c->firstDayLocale = v < 0 || v > 6;
      c->firstDay = c->firstDayLocale ? 0 : v;
      InvalidateRect(wnd, nullptr, TRUE);
      return old;
    }
    case MCM_GETFIRSTDAYOFWEEK: return MAKELONG(c->firstDay, c->firstDayLocale ? 0 : 1);
    case MCM_SETRANGE: {
      auto* st = reinterpret_cast<const SYSTEMTIME*>(lp);
      c->rangeFlags = 0;
      if ((wp & GDTR_MIN) && st && ValidDate(st[0])) {
        c->rangeFlags |= GDTR_MIN;
        c->minDay = DayOf(st[0]);
      }
      if ((wp & GDTR_MAX) && st && ValidDate(st[1])) {
        c->rangeFlags |= GDTR_MAX;
        c->maxDay = DayOf(st[1]);
      }
      if ((c->rangeFlags & GDTR_MIN) && c->sel < c->minDay) c->sel = c->minDay;
      if ((c->rangeFlags & GDTR_MAX) && c->sel > c->maxDay) c->sel = c->maxDay;
      ShowMonthOf(c, c->sel);
      InvalidateRect(wnd, nullptr, TRUE);
      return TRUE;
    }
    case MCM_GETRANGE: {
      auto* st = reinterpret_cast<SYSTEMTIME*>(lp);
      if (st) {
        std::memset(st, 0, 2 * sizeof(SYSTEMTIME));
        if (c->rangeFlags & GDTR_MIN) st[0] = SystemTimeOf(c->minDay);
        if (c->rangeFlags & GDTR_MAX) st[1] = SystemTimeOf(c->maxDay);
      }
      return static_cast<LRESULT>(c->rangeFlags);
    }
    case MCM_GETMONTHRANGE: {
      auto* st = reinterpret_cast<SYSTEMTIME*>(lp);
      int64_t first = DayNumber(c->viewYear, c->viewMonth, 1);
      int64_t last = DayNumber(c->viewYear, c->viewMonth, DaysInMonth(c->viewYear, c->viewMonth));
      if (wp == GMR_DAYSTATE) {
        first = FirstCell(c);
        last = first + 41;
      }
      if (st) {
        st[0] = SystemTimeOf(first);
        st[1] = SystemTimeOf(last);
      }
      return wp == GMR_DAYSTATE ? 3 : 1;
    }
    case MCM_SETCOLOR: {
      int i = static_cast<int>(wp);
      if (i < 0 || i > 5) return static_cast<LRESULT>(-1);
      COLORREF old = c->colors[i];
      c->colors[i] = static_cast<COLORREF>(lp);
      InvalidateRect(wnd, nullptr, TRUE);
      return static_cast<LRESULT>(old);
    }
    case MCM_GETCOLOR: {
      int i = static_cast<int>(wp);
      if (i < 0 || i > 5) return static_cast<LRESULT>(-1);
      return static_cast<LRESULT>(c->colors[i]);
    }
    case MCM_SETMONTHDELTA: {
      int old = c->monthDelta;
      c->monthDelta = wp > 0 ? static_cast<int>(wp) : 1;
      return old;
    }
    case MCM_GETMONTHDELTA: return c->monthDelta;
    case MCM_GETMAXTODAYWIDTH: return c->measure.Width("今天: 0000-00-00");
    case MCM_SETDAYSTATE: return TRUE;
    default: return DefWindowProc(wnd, msg, wp, lp);
  }
}

LRESULT MonthCalWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) { return WithState<Calendar>(wnd, msg, wp, lp, &Proc); }

}  // namespace

void RegisterMonthCalClass() {
  RegisterControlClass(MONTHCAL_CLASS, &MonthCalWndProc, CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW);
}

}  // namespace fano_os::ctl
