#pragma once
// Forms and the application: TScrollingWinControl (a container that scrolls its children),
// TCustomForm / TForm (top-level or child windows read from form resources), TDataModule,
// TApplication (message loop, exception reporting, hints, the host's application window),
// TScreen (forms, active control, cursors, metrics) and THintWindow.
//
// Making a form or data module: construct it, then let it read its resources and run OnCreate:
//
//   auto* f = CreateForm<TfrmFano217>(Application);   // new T(owner) + AfterConstruction()
//
// (the constructor itself must not read resources: a C++ constructor cannot reach the derived
// class's published fields yet).
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/forms/controls.h"
#include "platform/os/winuser.h"

class TCustomForm;
class TDataModule;
class TApplication;
class TScreen;
class THintWindow;

// ---- scrolling --------------------------------------------------------------------------------

enum TScrollBarKind { sbHorizontal, sbVertical };
class TScrollingWinControl;

// One scroll bar of a scrolling control: the range its children need and the position.
class TControlScrollBar : public TPersistent {
  FANO_CLASS(TControlScrollBar)
 public:
  TControlScrollBar(TScrollingWinControl* control, TScrollBarKind kind);
  void Assign(TPersistent* source) override;
  TPersistent* GetOwner() const override;

  TScrollBarKind Kind() const noexcept { return kind_; }
  int Increment() const noexcept { return increment_; }
  void SetIncrement(int v) noexcept { increment_ = v; }
  int Margin() const noexcept { return margin_; }
  void SetMargin(int v);
  int Position() const noexcept { return position_; }
  void SetPosition(int v);
  int Range() const noexcept { return range_; }
  void SetRange(int v);
  bool Tracking() const noexcept { return tracking_; }
  void SetTracking(bool v) noexcept { tracking_ = v; }
  bool Visible() const noexcept { return visible_; }
  void SetVisible(bool v);
  bool IsScrollBarVisible();
  int ScrollPos() { return visible_ ? position_ : 0; }
  bool RangeStored() const;

 private:
  friend class TScrollingWinControl;
  int ControlSize(bool controlSB, bool assumeSB);
  void CalcAutoRange();
  bool NeedsScrollBarVisible();
  void ScrollMessage(TMessage& m);
  void Update(bool controlSB, bool assumeSB);
  void DoSetRange(int v);
  TScrollingWinControl* control_;
  TScrollBarKind kind_;
  int increment_ = 8;
  int margin_ = 0;
  int position_ = 0;
  int range_ = 0;
  int calcRange_ = 0;
  bool tracking_ = false;
  bool visible_ = true;
  bool updateNeeded_ = true;
};

class TScrollingWinControl : public TWinControl {
  FANO_CLASS(TScrollingWinControl)
 public:
  explicit TScrollingWinControl(TComponent* owner);
  ~TScrollingWinControl() override;

  bool AutoScroll() const noexcept { return autoScroll_; }
  void SetAutoScroll(bool v);
  TControlScrollBar* HorzScrollBar() const noexcept { return horz_.get(); }
  TControlScrollBar* VertScrollBar() const noexcept { return vert_.get(); }
  // Scrolls so that the control lies inside the client area.
  void ScrollInView(TControl* control);
  void DisableAutoRange() { ++autoRangeCount_; }
  void EnableAutoRange();
  void Dispatch(TMessage& m) override;
  void AlignControls(TControl* control, TRect& rect) override;
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void AutoScrollInView(TControl* control);

 protected:
  void CalcAutoRange();
  void UpdateScrollBars();
  void DoFlipChildren() {}

 private:
  friend class TControlScrollBar;
  std::unique_ptr<TControlScrollBar> horz_;
  std::unique_ptr<TControlScrollBar> vert_;
  bool autoScroll_ = true;
  int autoRangeCount_ = 0;
  bool updatingScrollBars_ = false;
};

// ---- forms ------------------------------------------------------------------------------------

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
using TBorderStyle = TFormBorderStyle;  // controls use bsNone and bsSingle only
enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = TSet<TBorderIcon>;
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TPosition {
  poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter, poMainFormCenter,
  poOwnerFormCenter
};
enum TCloseAction { caNone, caHide, caFree, caMinimize };
enum TFormStateItem { fsCreating, fsVisible, fsShowing, fsModal, fsCreatedMDIChild, fsActivated };
using TFormState = TSet<TFormStateItem>;

using TCloseEvent = std::function<void(TObject* sender, TCloseAction& action)>;
using TCloseQueryEvent = std::function<void(TObject* sender, bool& canClose)>;
using TShortCutEvent = std::function<void(TMessage& message, bool& handled)>;

// An exit handler that raises refuses the focus change: the control keeps the focus and the
// exception goes to the code that moved it. A form's SetWindowFocus raises it to its caller; a move
// a control makes by itself (a press on it) is answered when the message it came in is handled.
// While a scope lives it waits for those refusals; Raise throws the one that came.
class TFocusRefusals {
 public:
  explicit TFocusRefusals(bool waits = true);
  ~TFocusRefusals();
  TFocusRefusals(const TFocusRefusals&) = delete;
  TFocusRefusals& operator=(const TFocusRefusals&) = delete;
  void Raise();

 private:
  bool waits_;
  std::exception_ptr outer_;
};

class TCustomForm : public TScrollingWinControl {
  FANO_CLASS(TCustomForm)
 public:
  // A form without its resources (CreateNew of the original).
  explicit TCustomForm(TComponent* owner);
  ~TCustomForm() override;
  void BeforeDestruction() override;
  // Reads the form's resources (of its class and its ancestors) and runs OnCreate. Raises
  // EResNotFound "Resource %s not found" for a class below TForm without one.
  virtual void AfterConstruction();

  // ---- window
  TFormBorderStyle BorderStyle() const noexcept { return borderStyle_; }
  void SetBorderStyle(TFormBorderStyle v);
  TBorderIcons BorderIcons() const noexcept { return borderIcons_; }
  void SetBorderIcons(TBorderIcons v);
  TWindowState WindowState() const;
  void SetWindowState(TWindowState v);
  TFormStyle FormStyle() const noexcept { return formStyle_; }
  void SetFormStyle(TFormStyle v);
  TPosition Position() const noexcept { return position_; }
  void SetPosition(TPosition v) noexcept { position_ = v; }
  TFormState FormState() const noexcept { return formState_; }
  bool KeyPreview() const noexcept { return keyPreview_; }
  void SetKeyPreview(bool v) noexcept { keyPreview_ = v; }
  int PixelsPerInch() const noexcept { return pixelsPerInch_; }
  void SetPixelsPerInch(int v) noexcept { pixelsPerInch_ = v; }
  TCanvas* Canvas() const noexcept { return canvas_.get(); }
  bool Active() const noexcept { return active_; }

  // ---- focus
  TWinControl* ActiveControl() const noexcept { return activeControl_; }
  // Raises EInvalidOperation "Cannot focus a disabled or invisible window" for a control that
  // cannot take the focus.
  void SetActiveControl(TWinControl* control);
  void FocusControl(TWinControl* control);
  void DefocusControl(TWinControl* control, bool removing);
  // Moves the focus within the form's bookkeeping (CM_EXIT up from the old control, CM_ENTER down
  // to the new one); false when a handler moved the focus elsewhere meanwhile.
  bool SetFocusedControl(TWinControl* control);
  TWinControl* FocusedControl() const noexcept { return focusedControl_; }
  void SetFocus() override;
  bool CanFocus() override { return Visible() && Enabled(); }
  void SendCancelMode(TControl* sender);
  void MouseWheelHandler(TMessage& m);
  virtual bool IsShortCut(TMessage& m);

  // ---- showing and closing
  void Show();
  void Hide() { SetVisible(false); }
  void Close();
  virtual bool CloseQuery();
  // Raises EInvalidOperation "Cannot make a visible window modal" for a visible, disabled or
  // already modal form. Runs the application's messages until ModalResult is set.
  virtual int ShowModal();
  TModalResult ModalResult() const noexcept { return modalResult_; }
  void SetModalResult(TModalResult v) noexcept { modalResult_ = v; }
  // Frees the form once the messages now queued have run.
  void Release();

  // ---- events
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;
  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnPaint;
  TShortCutEvent OnShortCut;

  // ---- parts
  void Dispatch(TMessage& m) override;
  void WndProc(TMessage& m) override;
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void SetClientSize(const TPoint& size) override;
  TRect ClientRect() override;
  void Loaded() override;
  void ReadState(TReader& reader) override;
  void GetChildren(const TGetChildProc& proc, TComponent* root) override;
  void Notification(TComponent* component, TOperation operation) override;
  void VisibleChanging() override;
  bool ExecuteAction(TBasicAction* action) override;
  bool UpdateAction(TBasicAction* action) override;
  void DoCreate();
  void DoDestroy();
  virtual void DoShow();
  virtual void DoHide();
  virtual void DoClose(TCloseAction& action);
  virtual void Activate();
  virtual void Deactivate();
  virtual void ActiveChanged() {}
  virtual void Paint();
  void CloseModal();
  void SetWindowFocus();
  void SetActive(bool value);
  bool WantChildKey(TControl*, TMessage&) { return false; }
  // A form stores its client size unless it scrolls (then its whole size).
  bool FormSizeStored() const;
  bool ClientSizeStored() const { return !FormSizeStored(); }

 protected:
  void PaintWindow(HDC dc) override;
  void CMShowingChangedForm(TMessage& m);
  void CMActivate(TMessage& m);
  void CMDeactivate(TMessage& m);
  void CMDialogKeyForm(TMessage& m);
  void CMRelease(TMessage& m);
  void CMActionDispatch(TMessage& m, bool execute);
  void WMActivate(TMessage& m);
  void WMClose(TMessage& m);
  void WMNextDlgCtl(TMessage& m);
  void WMMouseActivate(TMessage& m);
  void WMSysCommand(TMessage& m);
  // The window styles of the border style and icons.
  void FormStyles(TCreateParams& params);
  void FocusEmbedded();

 private:
  TWinControl* activeControl_ = nullptr;
  TWinControl* focusedControl_ = nullptr;
  TFormBorderStyle borderStyle_ = bsSizeable;
  TBorderIcons borderIcons_{biSystemMenu, biMinimize, biMaximize};
  TWindowState windowState_ = wsNormal;
  TFormStyle formStyle_ = fsNormal;
  TPosition position_ = poDesigned;
  TFormState formState_;
  TModalResult modalResult_ = mrNone;
  bool keyPreview_ = false;
  bool active_ = false;
  bool created_ = false;
  bool destroyed_ = false;
  int pixelsPerInch_ = 96;
  TPoint pendingClientSize_{-1, -1};
  std::unique_ptr<TControlCanvas> canvas_;
};

class TForm : public TCustomForm {
  FANO_CLASS(TForm)
 public:
  explicit TForm(TComponent* owner) : TCustomForm(owner) {}
};

// A container of non-visual components read from its own resource.
class TDataModule : public TComponent {
  FANO_CLASS(TDataModule)
 public:
  explicit TDataModule(TComponent* owner);
  ~TDataModule() override;
  void BeforeDestruction() override;
  // Reads the resources and runs OnCreate (as for forms).
  virtual void AfterConstruction();
  void GetChildren(const TGetChildProc& proc, TComponent* root) override;
  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;

 private:
  bool destroyed_ = false;
};

// Constructs a form or data module and completes it (resources, OnCreate). A failure frees it.
template <class T>
T* CreateForm(TComponent* owner) {
  T* obj = new T(owner);
  try {
    obj->AfterConstruction();
  } catch (...) {
    obj->Free();
    throw;
  }
  return obj;
}

// ---- hints ------------------------------------------------------------------------------------

class THintWindow : public TCustomControl {
  FANO_CLASS(THintWindow)
 public:
  explicit THintWindow(TComponent* owner);
  // Shows the hint over the rectangle (screen coordinates) without taking the activation.
  virtual void ActivateHint(TRect rect, const std::string& hint);
  virtual void ActivateHintData(TRect rect, const std::string& hint, void* data);
  // The size the hint needs at most maxWidth wide, at (0, 0).
  virtual TRect CalcHintRect(int maxWidth, const std::string& hint, void* data);
  virtual bool IsHintMsg(const MSG& msg);
  void ReleaseHandle();
  void CreateParams(TCreateParams& params) override;
  void Dispatch(TMessage& m) override;

 protected:
  void Paint() override;
};

// ---- application ------------------------------------------------------------------------------

using TExceptionEvent = std::function<void(TObject* sender, const std::exception& e)>;
using TMessageEvent = std::function<void(MSG& msg, bool& handled)>;
using TIdleEvent = std::function<void(TObject* sender, bool& done)>;
using TShowHintEvent = std::function<void(std::string& hintStr, bool& canShow, THintInfo& hintInfo)>;
using THelpEvent = std::function<bool(uint16_t command, int data, bool& callHelp)>;

class TApplication : public TComponent {
  FANO_CLASS(TApplication)
 public:
  explicit TApplication(TComponent* owner);
  ~TApplication() override;

  // The application window. Setting it adopts a window of the host: the forms then belong to it.
  HWND Handle() const noexcept { return handle_; }
  void SetHandle(HWND value);
  // Makes an own hidden application window (a program of its own; a module adopts the host's).
  void CreateHandle();
  const std::string& Title() const noexcept { return title_; }
  void SetTitle(std::string_view v) { title_ = std::string(v); }
  TCustomForm* MainForm() const noexcept { return mainForm_; }
  void SetMainForm(TCustomForm* form) noexcept { mainForm_ = form; }
  bool Terminated() const noexcept { return terminate_; }
  bool Active() const noexcept { return active_; }

  // Makes a form (or data module) of class T owned by the application; the first form made becomes
  // the main form.
  template <class T>
  void CreateForm(T*& reference) {
    T* obj = ::CreateForm<T>(this);
    reference = obj;
    if (!mainForm_)
      if (auto* f = dynamic_cast<TCustomForm*>(obj)) mainForm_ = f;
  }

  // ---- the message loop
  void Run();
  // Runs every message now waiting; returns when none is left.
  void ProcessMessages();
  // Runs one message, or idles (and waits for one) when none is waiting.
  void HandleMessage();
  bool ProcessMessage(MSG& msg);
  void Idle(const MSG& msg);
  void Terminate();
  // The parts of the loop that act before a message is dispatched.
  bool IsKeyMsg(MSG& msg);
  bool IsHintMsg(MSG& msg);
  bool IsDlgMsg(MSG&) { return false; }
  bool IsShortCut(TMessage& m);

  // ---- exceptions
  // Reports the exception being handled (call inside a catch block): OnException, else
  // ShowException. EAbort is silent. Nothing escapes.
  void HandleException(TObject* sender);
  void ShowException(const std::exception& e);
  // A message box through the dialog service (the answer: IDOK, IDYES ...).
  int MessageBox(std::string_view text, std::string_view caption, int flags);

  // ---- hints
  bool ShowHint() const noexcept { return showHint_; }
  void SetShowHint(bool v);
  const std::string& Hint() const noexcept { return hint_; }
  void SetHint(std::string_view v);
  TColor HintColor() const noexcept { return hintColor_; }
  void SetHintColor(TColor v) noexcept { hintColor_ = v; }
  int HintPause() const noexcept { return hintPause_; }
  void SetHintPause(int v) noexcept { hintPause_ = v; }
  int HintShortPause() const noexcept { return hintShortPause_; }
  void SetHintShortPause(int v) noexcept { hintShortPause_ = v; }
  int HintHidePause() const noexcept { return hintHidePause_; }
  void SetHintHidePause(int v) noexcept { hintHidePause_ = v; }
  void ActivateHint(const TPoint& cursorPos);
  void CancelHint();
  void HideHint();
  void HintMouseMessage(TControl* control, TMessage& m);
  THintWindow* HintWindow() const noexcept { return hintWindow_; }
  TControl* HintControl() const noexcept { return hintControl_; }
  bool HintActive() const noexcept { return hintActive_; }
  // The class of the hint window the application makes (a THintWindow class).
  static TClass HintWindowClass;

  // ---- mouse tracking (CM_MOUSEENTER / CM_MOUSELEAVE)
  TControl* DoMouseIdle();
  TControl* MouseControl() const noexcept { return mouseControl_; }
  void ControlDestroyed(TControl* control);

  // ---- actions
  bool ExecuteAction(TBasicAction* action);
  bool UpdateAction(TBasicAction* action);
  // Offers the action to the active form, then the main form (CM_ACTIONEXECUTE / CM_ACTIONUPDATE).
  bool DispatchAction(UINT msg, TBasicAction* action);

  // ---- modal state
  void ModalStarted();
  void ModalFinished();
  int ModalLevel() const noexcept { return modalLevel_; }
  void BringToFront();
  void Minimize();
  void Restore();

  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TExceptionEvent OnException;
  TNotifyEvent OnHint;
  TIdleEvent OnIdle;
  TMessageEvent OnMessage;
  TShowHintEvent OnShowHint;
  TNotifyEvent OnModalBegin;
  TNotifyEvent OnModalEnd;

  void Notification(TComponent* component, TOperation operation) override;
  // The window procedure of the own application window.
  void WndProc(TMessage& m);

 private:
  friend class TCustomForm;
  static void HintTimerProc(HWND, UINT, UINT_PTR, DWORD);
  enum class TimerMode { Show, Hide };
  void StartHintTimer(int value, TimerMode mode);
  void StopHintTimer();
  void HintTimerExpired();
  TControl* GetHintControl(TControl* control);
  HWND handle_ = nullptr;
  bool ownHandle_ = false;
  std::string title_;
  TCustomForm* mainForm_ = nullptr;
  bool terminate_ = false;
  bool active_ = true;
  bool showHint_ = true;
  std::string hint_;
  TColor hintColor_ = clInfoBk;
  int hintPause_ = 500;
  int hintShortPause_ = 50;
  int hintHidePause_ = 2500;
  THintWindow* hintWindow_ = nullptr;
  TControl* hintControl_ = nullptr;
  bool hintActive_ = false;
  TRect hintCursorRect_;
  UINT_PTR hintTimer_ = 0;
  TimerMode timerMode_ = TimerMode::Show;
  TControl* mouseControl_ = nullptr;
  int modalLevel_ = 0;
};

// ---- screen -----------------------------------------------------------------------------------

class TScreen : public TComponent {
  FANO_CLASS(TScreen)
 public:
  explicit TScreen(TComponent* owner);
  ~TScreen() override;

  TWinControl* ActiveControl() const noexcept { return activeControl_; }
  TCustomForm* ActiveCustomForm() const noexcept { return activeCustomForm_; }
  TForm* ActiveForm() const noexcept { return activeForm_; }
  TCustomForm* FocusedForm() const noexcept { return focusedForm_; }
  int CustomFormCount() const noexcept { return static_cast<int>(customForms_.size()); }
  TCustomForm* CustomForms(int i) const { return customForms_.at(static_cast<size_t>(i)); }
  int FormCount() const;
  TForm* Forms(int i) const;
  int DataModuleCount() const noexcept { return static_cast<int>(dataModules_.size()); }
  TDataModule* DataModules(int i) const { return dataModules_.at(static_cast<size_t>(i)); }

  // The cursor shown everywhere while not crDefault.
  TCursor Cursor() const noexcept { return cursor_; }
  void SetCursor(TCursor value);
  HCURSOR Cursors(TCursor index);
  void SetCursors(TCursor index, HCURSOR cursor);

  int PixelsPerInch() const noexcept { return 96; }
  int Width() const;
  int Height() const;
  TRect DesktopRect() const;
  TRect WorkAreaRect() const;
  int WorkAreaLeft() const { return WorkAreaRect().Left; }
  int WorkAreaTop() const { return WorkAreaRect().Top; }
  int WorkAreaWidth() const { return WorkAreaRect().Width(); }
  int WorkAreaHeight() const { return WorkAreaRect().Height(); }
  TFont* HintFont() const noexcept { return hintFont_.get(); }
  TFont* IconFont() const noexcept { return iconFont_.get(); }
  TFont* MenuFont() const noexcept { return menuFont_.get(); }

  TNotifyEvent OnActiveControlChange;
  TNotifyEvent OnActiveFormChange;

  void UpdateLastActive();

 private:
  friend class TCustomForm;
  friend class TDataModule;
  friend class TApplication;
  void AddForm(TCustomForm* form);
  void RemoveForm(TCustomForm* form);
  void SetActiveControlInternal(TWinControl* control);
  TWinControl* activeControl_ = nullptr;
  TWinControl* lastActiveControl_ = nullptr;
  TCustomForm* activeCustomForm_ = nullptr;
  TCustomForm* lastActiveCustomForm_ = nullptr;
  TForm* activeForm_ = nullptr;
  TCustomForm* focusedForm_ = nullptr;
  std::vector<TCustomForm*> customForms_;
  std::vector<TDataModule*> dataModules_;
  std::vector<TCustomForm*> saveFocusedList_;
  TCursor cursor_ = crDefault;
  int cursorCount_ = 0;
  std::vector<std::pair<TCursor, HCURSOR>> cursors_;
  std::unique_ptr<TFont> hintFont_;
  std::unique_ptr<TFont> iconFont_;
  std::unique_ptr<TFont> menuFont_;
};

// The application and the screen of this module copy; they live from start-up to exit.
extern TApplication* Application;
extern TScreen* Screen;

// The message-box flags and answers of Application::MessageBox.
#define MB_OK 0x00000000
#define MB_OKCANCEL 0x00000001
#define MB_ABORTRETRYIGNORE 0x00000002
#define MB_YESNOCANCEL 0x00000003
#define MB_YESNO 0x00000004
#define MB_RETRYCANCEL 0x00000005
#define MB_ICONHAND 0x00000010
#define MB_ICONSTOP MB_ICONHAND
#define MB_ICONERROR MB_ICONHAND
#define MB_ICONQUESTION 0x00000020
#define MB_ICONEXCLAMATION 0x00000030
#define MB_ICONWARNING MB_ICONEXCLAMATION
#define MB_ICONASTERISK 0x00000040
#define MB_ICONINFORMATION MB_ICONASTERISK
#define MB_DEFBUTTON1 0x00000000
#define MB_DEFBUTTON2 0x00000100
#define MB_DEFBUTTON3 0x00000200
#define MB_TYPEMASK 0x0000000F
#define MB_ICONMASK 0x000000F0
#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7

// Published properties of the forms layer's classes (run at start-up).
void RegisterFormsClasses();
