#pragma once
// The common controls the Parts build on: the tab control (the base of the page control) and the
// month calendar, over the window system's "SysTabControl32" and "SysMonthCal32".
#include <functional>
#include <memory>
#include <string>

#include "platform/forms/controls.h"
#include "platform/forms/imglist.h"
#include "platform/os/commctrl.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/types.h"

enum THitTest {
  htAbove, htBelow, htNowhere, htOnItem, htOnButton, htOnIcon, htOnIndent, htOnLabel, htOnRight, htOnStateIcon,
  htToLeft, htToRight
};
using THitTests = TSet<THitTest>;

// ---- tab control -------------------------------------------------------------------------------------

enum TTabPosition { tpTop, tpBottom, tpLeft, tpRight };
enum TTabStyle { tsTabs, tsButtons, tsFlatButtons };

class TCustomTabControl;
using TTabChangingEvent = std::function<void(TObject* sender, bool& allowChange)>;
using TDrawTabEvent = std::function<void(TCustomTabControl* control, int tabIndex, const TRect& rect, bool active)>;
using TTabGetImageEvent = std::function<void(TObject* sender, int tabIndex, int& imageIndex)>;

// The tabs (texts with an object each) of a tab control; kept by the window, or by a list of
// their own while there is none.
class TTabStrings : public TStrings {
  FANO_CLASS(TTabStrings)
 public:
  explicit TTabStrings(TCustomTabControl* tabControl);
  ~TTabStrings() override;
  void Clear() override;
  void Delete(int index) override;
  void Insert(int index, std::string_view s) override;
  void InsertObject(int index, std::string_view s, TObject* obj) override;
  void HandleCreated();
  void HandleDestroying();

 protected:
  std::string Get(int index) const override;
  int GetCount() const override;
  TObject* GetObject(int index) const override;
  void Put(int index, std::string_view s) override;
  void PutObject(int index, TObject* obj) override;
  void SetUpdateState(bool updating) override;

 private:
  bool Live() const;
  HWND Wnd() const;
  TCustomTabControl* tabControl_;
  std::unique_ptr<TStringList> pending_;
};

class TCustomTabControl : public TWinControl {
  FANO_CLASS(TCustomTabControl)
 public:
  explicit TCustomTabControl(TComponent* owner);
  ~TCustomTabControl() override;

  TStrings* Tabs() const noexcept { return tabs_.get(); }
  void SetTabs(TStrings* v) { tabs_->Assign(v); }
  // The chosen tab (-1 none). Setting it tells nothing: only a user's choice asks CanChange and
  // runs Change.
  int TabIndex() const;
  void SetTabIndex(int v);
  bool HotTrack() const noexcept { return hotTrack_; }
  void SetHotTrack(bool v);
  TCustomImageList* Images() const noexcept { return images_; }
  void SetImages(TCustomImageList* v);
  // Left and right tabs need it: raises EListError "MultiLine must be True when TabPosition is
  // tpLeft or tpRight" otherwise.
  bool MultiLine() const noexcept { return multiLine_; }
  void SetMultiLine(bool v);
  bool OwnerDraw() const noexcept { return ownerDraw_; }
  void SetOwnerDraw(bool v);
  bool RaggedRight() const noexcept { return raggedRight_; }
  void SetRaggedRight(bool v);
  bool ScrollOpposite() const noexcept { return scrollOpposite_; }
  void SetScrollOpposite(bool v);
  TTabStyle Style() const noexcept { return style_; }
  void SetStyle(TTabStyle v);
  TTabPosition TabPosition() const noexcept { return tabPosition_; }
  // Left and right tabs without MultiLine raise the MultiLine error and change nothing.
  void SetTabPosition(TTabPosition v);
  // Raises that error when v may not be set now; for descendants that prepare the change.
  void CheckTabPosition(TTabPosition v) const;
  int TabHeight() const noexcept { return tabHeight_; }
  void SetTabHeight(int v);
  int TabWidth() const noexcept { return tabWidth_; }
  void SetTabWidth(int v);
  TCanvas* Canvas() const noexcept { return canvas_.get(); }

  TRect TabRect(int index);
  // -1 when no tab is at the point (client coordinates).
  int IndexOfTabAt(int x, int y);
  THitTests GetHitTestInfoAt(int x, int y);
  // Where the pages go: the client area less the tabs and the frame.
  TRect DisplayRect();
  int RowCount();
  void ScrollTabs(int delta);
  // Gives every tab the image GetImageIndex answers.
  void UpdateTabImages();

  TNotifyEvent OnChange;
  TTabChangingEvent OnChanging;
  TDrawTabEvent OnDrawTab;
  TTabGetImageEvent OnGetImageIndex;

  void AdjustClientRect(TRect& rect) override;
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void WndProc(TMessage& m) override;
  void Dispatch(TMessage& m) override;
  void Notification(TComponent* component, TOperation operation) override;

  virtual bool CanChange();
  virtual void Change();
  virtual bool CanShowTab(int tabIndex);
  virtual void DrawTab(int tabIndex, const TRect& rect, bool active);
  virtual int GetImageIndex(int tabIndex);
  // The tabs changed: the display area may have too.
  void TabsChanged();

 private:
  void ImageListChange(TObject* sender);
  void SetTabSize();
  std::unique_ptr<TTabStrings> tabs_;
  std::unique_ptr<TControlCanvas> canvas_;
  std::unique_ptr<TChangeLink> imageChangeLink_;
  TCustomImageList* images_ = nullptr;
  bool hotTrack_ = false;
  bool multiLine_ = false;
  bool ownerDraw_ = false;
  bool raggedRight_ = false;
  bool scrollOpposite_ = false;
  TTabStyle style_ = tsTabs;
  TTabPosition tabPosition_ = tpTop;
  int tabHeight_ = 0;
  int tabWidth_ = 0;
  int savedIndex_ = -1;
  bool updating_ = false;
};

class TTabControl : public TCustomTabControl {
  FANO_CLASS(TTabControl)
 public:
  explicit TTabControl(TComponent* owner) : TCustomTabControl(owner) {}
};

// ---- month calendar ----------------------------------------------------------------------------------

FANO_DECLARE_EXCEPTION(EDateTimeError, Exception);

enum TCalDayOfWeek { dowMonday, dowTuesday, dowWednesday, dowThursday, dowFriday, dowSaturday, dowSunday, dowLocaleDefault };

class TMonthCalendar : public TWinControl {
  FANO_CLASS(TMonthCalendar)
 public:
  explicit TMonthCalendar(TComponent* owner);
  // The chosen day (whole days since 1899-12-30; the time of day is dropped). Raises
  // EDateTimeError "Date exceeds maximum of %s" / "Date is less than minimum of %s" outside the
  // range (a limit of 0 is none).
  TDateTime Date() const;
  void SetDate(TDateTime v);
  TDateTime MinDate() const noexcept { return minDate_; }
  void SetMinDate(TDateTime v);
  TDateTime MaxDate() const noexcept { return maxDate_; }
  void SetMaxDate(TDateTime v);
  TCalDayOfWeek FirstDayOfWeek() const noexcept { return firstDayOfWeek_; }
  void SetFirstDayOfWeek(TCalDayOfWeek v);
  bool ShowToday() const noexcept { return showToday_; }
  void SetShowToday(bool v);
  bool ShowTodayCircle() const noexcept { return showTodayCircle_; }
  void SetShowTodayCircle(bool v);
  bool WeekNumbers() const noexcept { return weekNumbers_; }
  void SetWeekNumbers(bool v);
  // The smallest size that shows one month (MCM_GETMINREQRECT).
  TRect MinReqRect();
  // What is at a client point (MCM_HITTEST): the MCHT_ code, and the date for the date cells.
  UINT HitTest(const TPoint& p, TDateTime* date = nullptr);

  TNotifyEvent OnChange;  // MCN_SELCHANGE: the chosen day changed (by the user or on the keyboard)

  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void Dispatch(TMessage& m) override;
  bool CanAutoSize(int& newWidth, int& newHeight) override;

 private:
  void Apply();
  TDateTime date_;
  TDateTime minDate_ = 0;
  TDateTime maxDate_ = 0;
  TCalDayOfWeek firstDayOfWeek_ = dowLocaleDefault;
  bool showToday_ = true;
  bool showTodayCircle_ = true;
  bool weekNumbers_ = false;
};

// SYSTEMTIME of a TDateTime (the day only) and back.
SYSTEMTIME DateToSystemTime(TDateTime date);
TDateTime SystemTimeToDate(const SYSTEMTIME& st);

void RegisterComCtrlsClasses();
