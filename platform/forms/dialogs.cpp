#include "platform/forms/dialogs.h"

#include <algorithm>

#include "platform/forms/menus.h"
#include "platform/os/automation.h"
#include "platform/rtl/sysutils.h"

std::string MsgDlgCaption(TMsgDlgType type) {
  switch (type) {
    case mtWarning: return "Warning";
    case mtError: return "Error";
    case mtInformation: return "Information";
    case mtConfirmation: return "Confirm";
    case mtCustom: break;
  }
  return Application ? Application->Title() : std::string();
}

std::string MsgDlgButtonCaption(TMsgDlgBtn button) {
  static const char* captions[] = {"&Yes", "&No", "OK", "Cancel", "&Abort", "&Retry", "&Ignore", "&All", "N&o to All", "Yes to &All", "&Help"};
  return captions[button];
}

TModalResult MsgDlgButtonResult(TMsgDlgBtn button) {
  static const TModalResult results[] = {mrYes, mrNo, mrOk, mrCancel, mrAbort, mrRetry, mrIgnore, mrAll, mrNoToAll, mrYesToAll, mrNone};
  return results[button];
}

namespace {

TMsgDlgBtn DefaultButtonOf(TMsgDlgButtons buttons) {
  if (buttons.Contains(mbOK)) return mbOK;
  if (buttons.Contains(mbYes)) return mbYes;
  if (buttons.Contains(mbRetry)) return mbRetry;
  for (int b = mbYes; b <= mbHelp; ++b)
    if (buttons.Contains(static_cast<TMsgDlgBtn>(b))) return static_cast<TMsgDlgBtn>(b);
  return mbOK;
}

TMsgDlgBtn CancelButtonOf(TMsgDlgButtons buttons) {
  if (buttons.Contains(mbCancel)) return mbCancel;
  if (buttons.Contains(mbNo)) return mbNo;
  return mbOK;
}

// The buttons and type a MessageBox flag word asks for.
TMsgDlgButtons BoxButtons(int flags, TMsgDlgBtn& defButton) {
  TMsgDlgButtons b;
  switch (flags & MB_TYPEMASK) {
    case MB_OKCANCEL: b = TMsgDlgButtons{mbOK, mbCancel}; break;
    case MB_ABORTRETRYIGNORE: b = TMsgDlgButtons{mbAbort, mbRetry, mbIgnore}; break;
    case MB_YESNOCANCEL: b = TMsgDlgButtons{mbYes, mbNo, mbCancel}; break;
    case MB_YESNO: b = TMsgDlgButtons{mbYes, mbNo}; break;
    case MB_RETRYCANCEL: b = TMsgDlgButtons{mbRetry, mbCancel}; break;
    default: b = TMsgDlgButtons{mbOK}; break;
  }
  std::vector<TMsgDlgBtn> order;
  for (int i = mbYes; i <= mbHelp; ++i)
    if (b.Contains(static_cast<TMsgDlgBtn>(i))) order.push_back(static_cast<TMsgDlgBtn>(i));
  // The box's own order: Abort Retry Ignore, Retry Cancel as listed above.
  if ((flags & MB_TYPEMASK) == MB_ABORTRETRYIGNORE) order = {mbAbort, mbRetry, mbIgnore};
  if ((flags & MB_TYPEMASK) == MB_RETRYCANCEL) order = {mbRetry, mbCancel};
  size_t which = (flags & MB_DEFBUTTON3) == MB_DEFBUTTON3 ? 2 : (flags & MB_DEFBUTTON2) ? 1 : 0;
  defButton = order[std::min(which, order.size() - 1)];
  return b;
}

TMsgDlgType BoxType(int flags) {
  switch (flags & MB_ICONMASK) {
    case MB_ICONHAND: return mtError;
    case MB_ICONQUESTION: return mtConfirmation;
    case MB_ICONEXCLAMATION: return mtWarning;
    case MB_ICONASTERISK: return mtInformation;
    default: return mtCustom;
  }
}

// ---- the dialog form's parts

class TMsgDlgText : public TGraphicControl {
 public:
  explicit TMsgDlgText(TComponent* owner) : TGraphicControl(owner) {}
  void Paint() override {
    RECT r = ClientRect();
    Canvas()->SetFont(Font());
    Canvas()->Brush()->SetStyle(bsClear);
    // Drawn straight on the device: the canvas's font and clear brush must be selected first.
    Canvas()->RequiredState(TCanvasState{csHandleValid, csFontValid, csBrushValid});
    std::string t = Caption();
    DrawTextA(Canvas()->Handle(), t.c_str(), -1, &r, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
  }
};

class TMsgDlgIcon : public TGraphicControl {
 public:
  TMsgDlgIcon(TComponent* owner, TMsgDlgType type) : TGraphicControl(owner), type_(type) {}
  void Paint() override {
    TCanvas* c = Canvas();
    c->Pen()->SetColor(clBlack);
    if (type_ == mtWarning) {
      c->Brush()->SetColor(clYellow);
      c->Polygon({TPoint(16, 1), TPoint(31, 30), TPoint(1, 30)});
    } else {
      c->Brush()->SetColor(type_ == mtError ? clRed : clBlue);
      c->Ellipse(1, 1, 31, 31);
    }
    c->Brush()->SetStyle(bsClear);
    c->Font()->SetColor(type_ == mtWarning ? clBlack : clWhite);
    c->Font()->SetStyle(TFontStyles{fsBold});
    c->Font()->SetHeight(-18);
    const char* mark = type_ == mtError ? "X" : type_ == mtWarning ? "!" : type_ == mtConfirmation ? "?" : "i";
    TSize s = c->TextExtent(mark);
    c->TextOut((32 - s.cx) / 2, (32 - s.cy) / 2 + (type_ == mtWarning ? 3 : 0), mark);
  }

 private:
  TMsgDlgType type_;
};

class TMsgDlgButton : public TCustomControl {
 public:
  TMsgDlgButton(TComponent* owner, TModalResult result, bool isDefault, bool isCancel)
      : TCustomControl(owner), result_(result), default_(isDefault), cancel_(isCancel), active_(isDefault) {
    SetTabStop(true);
    SetControlStyle(TControlStyle{csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks, csOpaque});
  }

  void Click() override {
    if (TCustomForm* f = GetParentForm()) f->SetModalResult(result_);
    TCustomControl::Click();
  }

  void Dispatch(TMessage& m) override {
    switch (m.Msg) {
      case WM_GETDLGCODE: m.Result = DLGC_BUTTON | (active_ ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON); return;
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK:
        if (CanFocus() && !Focused()) SetFocus();
        pressed_ = true;
        Invalidate();
        TCustomControl::Dispatch(m);
        return;
      case WM_LBUTTONUP:
        pressed_ = false;
        Invalidate();
        TCustomControl::Dispatch(m);
        return;
      case WM_KEYDOWN:
        if (m.CharCode() == VK_SPACE) {
          pressed_ = true;
          Invalidate();
        }
        TCustomControl::Dispatch(m);
        return;
      case WM_KEYUP:
        if (m.CharCode() == VK_SPACE && pressed_) {
          pressed_ = false;
          Invalidate();
          Click();
          return;
        }
        TCustomControl::Dispatch(m);
        return;
      case WM_SETFOCUS:
      case WM_KILLFOCUS:
        TCustomControl::Dispatch(m);
        Invalidate();
        return;
      case CM_FOCUSCHANGED: {
        auto* focused = reinterpret_cast<TWinControl*>(m.LParam);
        bool wasActive = active_;
        active_ = dynamic_cast<TMsgDlgButton*>(focused) ? focused == this : default_;
        if (wasActive != active_) Invalidate();
        return;
      }
      case CM_DIALOGKEY:
        if (((m.CharCode() == VK_RETURN && active_) || (m.CharCode() == VK_ESCAPE && cancel_)) &&
            KeyDataToShiftState(m.KeyData()).Empty() && CanFocus()) {
          Click();
          m.Result = 1;
          return;
        }
        TCustomControl::Dispatch(m);
        return;
      case CM_DIALOGCHAR: {
        std::string caption = Caption();
        if (IsAccel(static_cast<char32_t>(m.CharCode()), caption) && CanFocus()) {
          Click();
          m.Result = 1;
          return;
        }
        TCustomControl::Dispatch(m);
        return;
      }
      case CM_TEXTCHANGED:
      case CM_ENABLEDCHANGED:
        TCustomControl::Dispatch(m);
        Invalidate();
        return;
      default: TCustomControl::Dispatch(m); return;
    }
  }

  void Paint() override {
    TCanvas* c = Canvas();
    RECT r = ClientRect();
    if (active_) {
      c->Brush()->SetColor(clWindowFrame);
      c->FrameRect(r);
      InflateRect(&r, -1, -1);
    }
    DrawFrameControl(c->Handle(), &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed_ ? DFCS_PUSHED : 0));
    c->SetFont(Font());
    c->Font()->SetColor(Enabled() ? clBtnText : clGrayText);
    c->Brush()->SetStyle(bsClear);
    RECT tr = r;
    if (pressed_) OffsetRect(&tr, 1, 1);
    std::string t = Caption();
    c->RequiredState(TCanvasState{csHandleValid, csFontValid, csBrushValid});
    DrawTextA(c->Handle(), t.c_str(), -1, &tr, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    if (Focused()) {
      RECT fr = r;
      InflateRect(&fr, -3, -3);
      c->Brush()->SetStyle(bsSolid);
      DrawFocusRect(c->Handle(), &fr);
    }
  }

 private:
  TModalResult result_;
  bool default_;
  bool cancel_;
  bool active_;
  bool pressed_ = false;
};

class TDefaultDialogService : public TDialogService {};

TDefaultDialogService& DefaultService() {
  static TDefaultDialogService service;
  return service;
}

TDialogService* current = nullptr;

}  // namespace

TDialogService* GetDialogService() { return current ? current : &DefaultService(); }

TDialogService* SetDialogService(TDialogService* service) {
  TDialogService* previous = GetDialogService();
  current = service;
  return previous == &DefaultService() ? nullptr : previous;
}

TForm* CreateMessageDialog(std::string_view msg, TMsgDlgType type, TMsgDlgButtons buttons) {
  auto* form = new TForm(Application);
  try {
    form->SetBorderStyle(bsDialog);
    form->SetCaption(MsgDlgCaption(type));
    form->SetKeyPreview(true);
    form->SetPosition(poScreenCenter);
    TCanvas* c = form->Canvas();
    c->SetFont(form->Font());
    TSize avg = c->TextExtent("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    int dluX = std::max(1, avg.cx / 52), dluY = std::max(1, avg.cy);
    int horzMargin = MulDiv(8, dluX, 4), vertMargin = MulDiv(8, dluY, 8);
    int horzSpacing = MulDiv(10, dluX, 4), vertSpacing = MulDiv(10, dluY, 8);
    int buttonWidth = MulDiv(50, dluX, 4), buttonHeight = MulDiv(14, dluY, 8), buttonSpacing = MulDiv(4, dluX, 4);
    int screenWidth = Screen ? Screen->Width() : 1024;
    std::string text(msg);
    RECT tr{0, 0, screenWidth / 2, 0};
    c->SetFont(form->Font());
    c->RequiredState(TCanvasState{csHandleValid, csFontValid});
    DrawTextA(c->Handle(), text.c_str(), -1, &tr, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
    FreeDeviceContexts();
    int iconSize = type == mtCustom ? 0 : 32;
    int textLeft = iconSize ? iconSize + horzSpacing : 0;
    std::vector<TMsgDlgBtn> list;
    for (int b = mbYes; b <= mbHelp; ++b)
      if (buttons.Contains(static_cast<TMsgDlgBtn>(b))) list.push_back(static_cast<TMsgDlgBtn>(b));
    if (list.empty()) list.push_back(mbOK);
    // Buttons are as wide as their captions need, at least the standard width.
    for (TMsgDlgBtn b : list) {
      c->SetFont(form->Font());
      buttonWidth = std::max(buttonWidth, c->TextWidth(StripHotkey(MsgDlgButtonCaption(b))) + 8);
    }
    FreeDeviceContexts();
    int buttonGroupWidth = buttonWidth * static_cast<int>(list.size()) + buttonSpacing * (static_cast<int>(list.size()) - 1);
    int clientWidth = std::max(textLeft + static_cast<int>(tr.right), buttonGroupWidth) + horzMargin * 2;
    int clientHeight = std::max(iconSize, static_cast<int>(tr.bottom)) + vertSpacing + buttonHeight + vertMargin * 2;
    form->SetClientWidth(clientWidth);
    form->SetClientHeight(clientHeight);
    if (iconSize) {
      auto* icon = new TMsgDlgIcon(form, type);
      icon->SetName("Image");
      icon->SetBounds(horzMargin, vertMargin, 32, 32);
      icon->SetParent(form);
    }
    auto* label = new TMsgDlgText(form);
    label->SetName("Message");
    label->SetBounds(horzMargin + textLeft, vertMargin, tr.right, tr.bottom);
    label->SetCaption(text);
    label->SetParent(form);
    TMsgDlgBtn def = DefaultButtonOf(buttons), cancel = CancelButtonOf(buttons);
    int x = (clientWidth - buttonGroupWidth) / 2;
    int y = std::max(iconSize, static_cast<int>(tr.bottom)) + vertSpacing + vertMargin;
    static const char* names[] = {"Yes", "No", "OK", "Cancel", "Abort", "Retry", "Ignore", "All", "NoToAll", "YesToAll", "Help"};
    for (TMsgDlgBtn b : list) {
      auto* button = new TMsgDlgButton(form, MsgDlgButtonResult(b), b == def, b == cancel);
      button->SetName(names[b]);
      button->SetCaption(MsgDlgButtonCaption(b));
      button->SetBounds(x, y, buttonWidth, buttonHeight);
      button->SetParent(form);
      if (b == def) form->SetActiveControl(button);
      x += buttonWidth + buttonSpacing;
    }
  } catch (...) {
    form->Free();
    throw;
  }
  return form;
}

namespace {
// A dialog opens over the window it was asked from (the screen when there is none), kept inside
// the work area.
void CentreOverActiveWindow(TForm* form) {
  HWND active = GetActiveWindow();
  if (!active || !IsWindowVisible(active) || IsIconic(active)) return;  // the screen's centre
  RECT o;
  GetWindowRect(active, &o);
  TRect work = Screen ? Screen->WorkAreaRect() : TRect(0, 0, 1024, 768);
  int x = (o.left + o.right - form->Width()) / 2;
  int y = (o.top + o.bottom - form->Height()) / 2;
  x = std::max(work.Left, std::min(x, work.Right - form->Width()));
  y = std::max(work.Top, std::min(y, work.Bottom - form->Height()));
  form->SetPosition(poDesigned);
  form->SetBounds(x, y, form->Width(), form->Height());
}

// A driver that plays the user (a host running a script) may answer in place of a person; true
// when it did, with its answer in `answer`.
bool AskDriver(const TDialogRequest& request, int& answer) {
  HWND active = GetActiveWindow();
  if (!active) active = GetFocus();
  HWND root = active ? GetAncestor(active, GA_ROOT) : nullptr;
  if (!root) return false;
  const std::string caption = request.Caption.empty() ? MsgDlgCaption(request.Type) : request.Caption;
  std::string buttons;
  for (int b = mbYes; b <= mbHelp; ++b) {
    if (!request.Buttons.Contains(static_cast<TMsgDlgBtn>(b))) continue;
    if (!buttons.empty()) buttons += "/";
    buttons += StripHotkey(MsgDlgButtonCaption(static_cast<TMsgDlgBtn>(b)));
  }
  FanoDialogQuestion q{sizeof q, caption.c_str(), request.Text.c_str(), buttons.c_str(),
                       MsgDlgButtonResult(CancelButtonOf(request.Buttons))};
  if (SendMessage(root, RegisterWindowMessage(kFanoDialogQuestionMessage), 0, reinterpret_cast<LPARAM>(&q)) == 0)
    return false;
  answer = q.answer;
  return true;
}
}  // namespace

int TDialogService::MessageDlg(const TDialogRequest& request) {
  if (int answer = 0; AskDriver(request, answer)) return answer;
  TForm* form = CreateMessageDialog(request.Text, request.Type, request.Buttons);
  int result = mrNone;
  try {
    if (!request.Caption.empty()) form->SetCaption(request.Caption);
    if (request.X >= 0) form->SetLeft(request.X);
    if (request.Y >= 0) form->SetTop(request.Y);
    if (request.X >= 0 || request.Y >= 0) form->SetPosition(poDesigned);
    else CentreOverActiveWindow(form);
    result = form->ShowModal();
  } catch (...) {
    form->Free();
    throw;
  }
  form->Free();
  return result;
}

namespace {
TDialogRequest BoxRequest(std::string_view text, std::string_view caption, int flags, TMsgDlgBtn& defButton) {
  TDialogRequest r;
  r.kind = TDialogRequest::kMessageBox;
  r.Text = std::string(text);
  r.Caption = std::string(caption);
  r.Flags = flags;
  r.Type = BoxType(flags);
  r.Buttons = BoxButtons(flags, defButton);
  return r;
}
}  // namespace

int TDialogService::MessageBox(std::string_view text, std::string_view caption, int flags) {
  TMsgDlgBtn def;
  int result = MessageDlg(BoxRequest(text, caption, flags, def));
  return result == mrNone ? IDCANCEL : result;  // modal results and box answers share their numbers
}

TScriptedDialogService::TScriptedDialogService(bool install) {
  if (install) {
    previous_ = SetDialogService(this);
    installed_ = true;
  }
}

TScriptedDialogService::~TScriptedDialogService() {
  if (installed_ && GetDialogService() == this) SetDialogService(previous_);
}

int TScriptedDialogService::MessageDlg(const TDialogRequest& request) {
  requests_.push_back(request);
  if (!answers_.empty()) {
    int a = answers_.front();
    answers_.pop_front();
    return a;
  }
  return MsgDlgButtonResult(DefaultButtonOf(request.Buttons));
}

int TScriptedDialogService::MessageBox(std::string_view text, std::string_view caption, int flags) {
  TMsgDlgBtn def;
  requests_.push_back(BoxRequest(text, caption, flags, def));
  if (!answers_.empty()) {
    int a = answers_.front();
    answers_.pop_front();
    return a;
  }
  return MsgDlgButtonResult(def);
}

int MessageDlgPos(std::string_view msg, TMsgDlgType type, TMsgDlgButtons buttons, int helpCtx, int x, int y) {
  TDialogRequest r;
  r.Text = std::string(msg);
  r.Caption = MsgDlgCaption(type);
  r.Type = type;
  r.Buttons = buttons;
  r.HelpContext = helpCtx;
  r.X = x;
  r.Y = y;
  return GetDialogService()->MessageDlg(r);
}

int MessageDlg(std::string_view msg, TMsgDlgType type, TMsgDlgButtons buttons, int helpCtx) {
  return MessageDlgPos(msg, type, buttons, helpCtx, -1, -1);
}

void ShowMessage(std::string_view msg) { MessageDlgPos(msg, mtCustom, TMsgDlgButtons{mbOK}, 0, -1, -1); }
