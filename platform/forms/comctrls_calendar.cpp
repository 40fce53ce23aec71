// The month calendar over the window system's month calendar.
#include <cmath>

#include "platform/forms/comctrls.h"
#include "platform/rtl/sysutils.h"

FANO_IMPLEMENT_COMPONENT(TMonthCalendar, TWinControl)

SYSTEMTIME DateToSystemTime(TDateTime date) {
  int y = 0, m = 0, d = 0;
  DecodeDate(date, y, m, d);
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(y);
  st.wMonth = static_cast<WORD>(m);
  st.wDay = static_cast<WORD>(d);
  st.wDayOfWeek = static_cast<WORD>(DayOfWeek(date) - 1);
  return st;
}

TDateTime SystemTimeToDate(const SYSTEMTIME& st) {
  TDateTime dt = 0;
  if (!TryEncodeDate(st.wYear, st.wMonth, st.wDay, dt)) return 0;
  return dt;
}

TMonthCalendar::TMonthCalendar(TComponent* owner) : TWinControl(owner), date_(std::floor(::Date())) {
  // The calendar tells its own clicks (MCN_SELECT).
  SetControlStyle(TControlStyle{csOpaque, csDoubleClicks});
  SetBounds(Left(), Top(), 191, 154);
  SetTabStop(true);
}

void TMonthCalendar::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  CreateSubClass(params, MONTHCAL_CLASS);
  if (!showToday_) params.Style |= MCS_NOTODAY;
  if (!showTodayCircle_) params.Style |= MCS_NOTODAYCIRCLE;
  if (weekNumbers_) params.Style |= MCS_WEEKNUMBERS;
}

void TMonthCalendar::CreateWnd() {
  TWinControl::CreateWnd();
  Apply();
  if (AutoSize()) AdjustSize();
}

void TMonthCalendar::Apply() {
  if (!HandleAllocated()) return;
  HWND h = WindowHandle();
  SYSTEMTIME range[2] = {DateToSystemTime(minDate_), DateToSystemTime(maxDate_)};
  WPARAM flags = (minDate_ != 0 ? GDTR_MIN : 0) | (maxDate_ != 0 ? GDTR_MAX : 0);
  SendMessage(h, MCM_SETRANGE, flags, reinterpret_cast<LPARAM>(range));
  SendMessage(h, MCM_SETFIRSTDAYOFWEEK, 0, firstDayOfWeek_ == dowLocaleDefault ? -1 : static_cast<LPARAM>(firstDayOfWeek_));
  SYSTEMTIME st = DateToSystemTime(date_);
  SendMessage(h, MCM_SETCURSEL, 0, reinterpret_cast<LPARAM>(&st));
}

TDateTime TMonthCalendar::Date() const {
  if (!HandleAllocated()) return date_;
  SYSTEMTIME st{};
  if (!SendMessage(WindowHandle(), MCM_GETCURSEL, 0, reinterpret_cast<LPARAM>(&st))) return date_;
  return SystemTimeToDate(st);
}

void TMonthCalendar::SetDate(TDateTime v) {
  v = std::floor(v);
  if (maxDate_ != 0 && v > maxDate_) throw EDateTimeError("Date exceeds maximum of " + DateToStr(maxDate_));
  if (minDate_ != 0 && v < minDate_) throw EDateTimeError("Date is less than minimum of " + DateToStr(minDate_));
  date_ = v;
  if (!HandleAllocated()) return;
  SYSTEMTIME st = DateToSystemTime(v);
  SendMessage(WindowHandle(), MCM_SETCURSEL, 0, reinterpret_cast<LPARAM>(&st));
}

void TMonthCalendar::SetMinDate(TDateTime v) {
  minDate_ = std::floor(v);
  if (minDate_ != 0 && date_ < minDate_) date_ = minDate_;
  Apply();
}

void TMonthCalendar::SetMaxDate(TDateTime v) {
  maxDate_ = std::floor(v);
  if (maxDate_ != 0 && date_ > maxDate_) date_ = maxDate_;
  Apply();
}

void TMonthCalendar::SetFirstDayOfWeek(TCalDayOfWeek v) {
  firstDayOfWeek_ = v;
  Apply();
}

void TMonthCalendar::SetShowToday(bool v) { SetAndRecreate(showToday_, v); }

void TMonthCalendar::SetShowTodayCircle(bool v) { SetAndRecreate(showTodayCircle_, v); }

void TMonthCalendar::SetWeekNumbers(bool v) { SetAndRecreate(weekNumbers_, v); }

TRect TMonthCalendar::MinReqRect() {
  RECT r{0, 0, 0, 0};
  SendMessage(Handle(), MCM_GETMINREQRECT, 0, reinterpret_cast<LPARAM>(&r));
  return TRect(r);
}

UINT TMonthCalendar::HitTest(const TPoint& p, TDateTime* date) {
  MCHITTESTINFO info{};
  info.cbSize = sizeof info;
  info.pt = p;
  SendMessage(Handle(), MCM_HITTEST, 0, reinterpret_cast<LPARAM>(&info));
  if (date) *date = info.st.wYear ? SystemTimeToDate(info.st) : 0;
  return info.uHit;
}

bool TMonthCalendar::CanAutoSize(int& newWidth, int& newHeight) {
  if (!HandleAllocated()) return false;
  TRect r = MinReqRect();
  RECT w{0, 0, r.Width(), r.Height()};
  AdjustWindowRectEx(&w, static_cast<DWORD>(GetWindowLong(WindowHandle(), GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLong(WindowHandle(), GWL_EXSTYLE)));
  newWidth = w.right - w.left;
  newHeight = w.bottom - w.top;
  return true;
}

void TMonthCalendar::Dispatch(TMessage& m) {
  if (m.Msg == CN_NOTIFY) {
    auto* hdr = reinterpret_cast<NMHDR*>(m.LParam);
    if (hdr && hdr->code == static_cast<UINT>(MCN_SELCHANGE)) {
      date_ = SystemTimeToDate(reinterpret_cast<NMSELCHANGE*>(m.LParam)->stSelStart);
      if (OnChange) OnChange(this);
      return;
    }
    if (hdr && hdr->code == static_cast<UINT>(MCN_SELECT)) {
      Click();
      return;
    }
  }
  TWinControl::Dispatch(m);
}
