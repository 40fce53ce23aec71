// Message dialogs: the scriptable service that tests and headless hosts answer through, the real
// dialog form, modal forms, and exceptions that reach the message loop.
#include "forms_test_util.h"

#include <algorithm>

#include "platform/forms/dialogs.h"
#include "platform/forms/graphics.h"
#include "platform/forms/stdctrls.h"

using namespace formstest;

namespace {

using Dialogs = FormsTest;

TEST_F(Dialogs, AScriptedServiceAnswersInOrderAndRecordsTheQuestions) {
  TScriptedDialogService script(true);
  script.Answer(mrNo);
  script.Answer(mrAll);
  EXPECT_EQ(MessageDlg("Clear selected cells?", mtConfirmation, TMsgDlgButtons{mbOK, mbCancel}, 0), mrNo);
  EXPECT_EQ(MessageDlg("Error during insert value: x\nIgnore error?", mtConfirmation, TMsgDlgButtons{mbYes, mbNo, mbAll}, 0),
            mrAll);
  // With no answer queued: the dialog's default button.
  EXPECT_EQ(MessageDlg("Again?", mtConfirmation, TMsgDlgButtons{mbYes, mbNo, mbAll}, 0), mrYes);
  EXPECT_EQ(MessageDlg("Sure?", mtConfirmation, mbOKCancel, 0), mrOk);
  ASSERT_EQ(script.Requests().size(), 4u);
  const TDialogRequest& r = script.Requests()[1];
  EXPECT_EQ(r.Caption, "Confirm");
  EXPECT_EQ(r.Text, "Error during insert value: x\nIgnore error?");
  EXPECT_EQ(r.Buttons, (TMsgDlgButtons{mbYes, mbNo, mbAll}));
  EXPECT_EQ(r.Type, mtConfirmation);
}

TEST_F(Dialogs, MessageBoxGoesThroughTheServiceToo) {
  TScriptedDialogService script(true);
  script.Answer(IDNO);
  EXPECT_EQ(Application->MessageBox("删除吗？", "提示：", MB_YESNO | MB_ICONQUESTION), IDNO);
  EXPECT_EQ(Application->MessageBox("再删除吗？", "提示：", MB_YESNO | MB_DEFBUTTON2), IDNO);  // default button 2
  EXPECT_EQ(Application->MessageBox("好", "提示：", MB_OK), IDOK);
  ASSERT_EQ(script.Requests().size(), 3u);
  EXPECT_EQ(script.Requests()[0].kind, TDialogRequest::kMessageBox);
  EXPECT_EQ(script.Requests()[0].Type, mtConfirmation);
  EXPECT_EQ(script.Requests()[0].Caption, "提示：");
}

TEST_F(Dialogs, TheServiceIsRestoredWhenTheScriptGoes) {
  TDialogService* before = GetDialogService();
  {
    TScriptedDialogService script(true);
    EXPECT_EQ(GetDialogService(), &script);
  }
  EXPECT_EQ(GetDialogService(), before);
}

TEST_F(Dialogs, TheDialogFormHasItsButtonsInOrderWithTheDefaultFocused) {
  TForm* f = CreateMessageDialog("Ignore error?", mtConfirmation, TMsgDlgButtons{mbYes, mbNo, mbAll});
  EXPECT_EQ(f->Caption(), "Confirm");
  EXPECT_EQ(f->BorderStyle(), bsDialog);
  auto* yes = dynamic_cast<TWinControl*>(f->FindComponent("Yes"));
  auto* no = dynamic_cast<TWinControl*>(f->FindComponent("No"));
  auto* all = dynamic_cast<TWinControl*>(f->FindComponent("All"));
  ASSERT_TRUE(yes && no && all);
  EXPECT_EQ(yes->Caption(), "&Yes");
  EXPECT_EQ(all->Caption(), "&All");
  EXPECT_LT(yes->Left(), no->Left());
  EXPECT_LT(no->Left(), all->Left());
  EXPECT_EQ(yes->Top(), all->Top());
  EXPECT_EQ(f->ActiveControl(), yes);
  auto* message = dynamic_cast<TControl*>(f->FindComponent("Message"));
  ASSERT_NE(message, nullptr);
  EXPECT_EQ(message->Caption(), "Ignore error?");
  EXPECT_LT(message->Top() + message->Height(), yes->Top());
  f->Free();
}

TEST_F(Dialogs, TheRealDialogIsAnsweredWithTheKeyboard) {
  // Enter presses the focused default button; the modal loop runs the queued keys.
  int idles = 0;
  Application->OnIdle = [&](TObject*, bool& done) {
    done = false;
    if (++idles == 1) {
      FanoInputKey(VK_RIGHT, TRUE);  // to "No"
      FanoInputKey(VK_RIGHT, FALSE);
      FanoInputKey(VK_RETURN, TRUE);
      FanoInputKey(VK_RETURN, FALSE);
    }
    if (idles > 100) FAIL() << "the dialog never closed";
  };
  int result = MessageDlg("Save changes?", mtConfirmation, mbYesNoCancel, 0);
  EXPECT_EQ(result, mrNo);
  // Escape answers with the cancel button.
  idles = 0;
  Application->OnIdle = [&](TObject*, bool& done) {
    done = false;
    if (++idles == 1) {
      FanoInputKey(VK_ESCAPE, TRUE);
      FanoInputKey(VK_ESCAPE, FALSE);
    }
  };
  EXPECT_EQ(MessageDlg("Save changes?", mtWarning, mbYesNoCancel, 0), mrCancel);
  // An accelerator picks its button.
  idles = 0;
  Application->OnIdle = [&](TObject*, bool& done) {
    done = false;
    if (++idles == 1) FanoInputText("a");
  };
  EXPECT_EQ(MessageDlg("Replace?", mtConfirmation, TMsgDlgButtons{mbYes, mbNo, mbAll}, 0), mrAll);
  Application->OnIdle = nullptr;
}

// The dialog form shown by MessageDlg, found while it runs.
TForm* OpenDialog(const std::string& caption) {
  HWND w = FindWindow(nullptr, caption.c_str());
  return w ? dynamic_cast<TForm*>(FindControl(w)) : nullptr;
}

// A pixel of a window's client area.
COLORREF ClientPixel(HWND wnd, int x, int y) {
  RECT r;
  GetWindowRect(wnd, &r);
  POINT p{x, y};
  ClientToScreen(wnd, &p);
  return FanoGetWindowPixel(wnd, p.x - r.left, p.y - r.top);
}

// Longest run of dark pixels along one row of a window's client area, between two columns.
int LongestDarkRun(HWND wnd, int y, int x0, int x1) {
  int best = 0, run = 0;
  for (int x = x0; x < x1; ++x) {
    COLORREF c = ClientPixel(wnd, x, y);
    bool dark = GetRValue(c) < 64 && GetGValue(c) < 64 && GetBValue(c) < 64;
    run = dark ? run + 1 : 0;
    best = std::max(best, run);
  }
  return best;
}

TEST_F(Dialogs, TheConfirmationIsCentredOnItsOwnerAndShowsItsWholeTextAndReadableButtons) {
  auto* owner = new TForm(nullptr);
  owner->SetBounds(100, 80, 600, 400);
  owner->Show();
  Pump();
  ASSERT_EQ(GetActiveWindow(), owner->Handle());
  bool looked = false;
  Application->OnIdle = [&](TObject*, bool& done) {
    done = false;
    TForm* dlg = OpenDialog("Confirm");
    if (!dlg || looked) return;
    looked = true;
    // Centred on the window it was asked from.
    RECT o, d;
    GetWindowRect(owner->Handle(), &o);
    GetWindowRect(dlg->Handle(), &d);
    EXPECT_NEAR((d.left + d.right) / 2, (o.left + o.right) / 2, 1);
    EXPECT_NEAR((d.top + d.bottom) / 2, (o.top + o.bottom) / 2, 1);
    // The text in the form's font, whole: the label is as wide as the text measured so.
    auto* message = dynamic_cast<TControl*>(dlg->FindComponent("Message"));
    auto* ok = dynamic_cast<TControl*>(dlg->FindComponent("OK"));
    ASSERT_TRUE(message && ok);
    EXPECT_EQ(dlg->Font()->Height(), TFont().Height());
    TBitmap probe;
    probe.SetWidth(4);
    probe.SetHeight(4);
    probe.Canvas()->SetFont(dlg->Font());
    const int textWidth = probe.Canvas()->TextWidth("Delete record?");
    const int textHeight = probe.Canvas()->TextHeight("Delete record?");
    EXPECT_GE(message->Width(), textWidth);
    HWND w = dlg->Handle();
    UpdateWindow(w);
    POINT m{message->Left(), message->Top()};
    // Glyph rows (the test font draws blocks) are no taller than the form's font, and the last
    // character, the question mark, is drawn on the first line.
    int darkRows = 0;
    for (int y = 0; y < message->Height() + 4; ++y)
      if (LongestDarkRun(w, m.y + y, m.x, m.x + message->Width()) > 0) ++darkRows;
    EXPECT_GT(darkRows, 0);
    EXPECT_LE(darkRows, textHeight);
    const int charWidth = textWidth / 14;
    EXPECT_EQ(ClientPixel(w, m.x + 13 * charWidth + 1, m.y + textHeight / 2), RGB(0, 0, 0))
        << "the question mark is drawn";
    // The OK button: a raised face with its caption, not a block: along its middle row no dark run
    // is longer than one character.
    int mid = ok->Top() + ok->Height() / 2;
    EXPECT_LT(LongestDarkRun(w, mid, ok->Left() + 4, ok->Left() + ok->Width() - 4), charWidth);
    EXPECT_EQ(ClientPixel(w, ok->Left() + 6, mid), GetSysColor(COLOR_BTNFACE));
    FanoInputKey(VK_RETURN, TRUE);
    FanoInputKey(VK_RETURN, FALSE);
  };
  EXPECT_EQ(MessageDlg("Delete record?", mtConfirmation, mbOKCancel, 0), mrOk);
  Application->OnIdle = nullptr;
  EXPECT_TRUE(looked) << "the dialog never showed";
  owner->Free();
}

LRESULT PlainHostProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProc(w, m, wp, lp); }

// A form inside a window that is not ours (a host's, which takes the focus itself when it is
// activated again): after the dialog the edit that had the keyboard has it again.
TEST_F(Dialogs, TheFocusedControlOfAnEmbeddedFormHasTheKeyboardAfterTheDialog) {
  WNDCLASS wc{};
  wc.lpfnWndProc = PlainHostProc;
  wc.lpszClassName = "DialogsPlainHost";
  RegisterClass(&wc);
  HWND host = CreateWindowEx(0, "DialogsPlainHost", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 500, 400,
                             nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(host, nullptr);
  auto* form = new TForm(nullptr);
  form->SetBorderStyle(bsNone);
  form->SetParentWindow(host);
  form->SetBounds(0, 0, 400, 300);
  auto* first = new TEdit(form);
  first->SetParent(form);
  first->SetBounds(10, 10, 100, 22);
  auto* second = new TEdit(form);
  second->SetParent(form);
  second->SetBounds(10, 40, 100, 22);
  form->Show();
  SetActiveWindow(host);
  second->SetFocus();
  Pump();
  ASSERT_EQ(GetFocus(), second->Handle());
  Application->OnIdle = [&](TObject*, bool& done) {
    done = false;
    if (OpenDialog("Information")) {
      FanoInputKey(VK_RETURN, TRUE);
      FanoInputKey(VK_RETURN, FALSE);
    }
  };
  MessageDlg("保存成功！", mtInformation, TMsgDlgButtons{mbOK}, 0);
  Application->OnIdle = nullptr;
  Pump();
  EXPECT_EQ(GetActiveWindow(), host);
  EXPECT_EQ(GetFocus(), second->Handle()) << "the edit that had the keyboard has it again";
  // Typing reaches it.
  FanoInputText("7");
  Pump();
  EXPECT_EQ(second->Text(), "7");
  form->Free();
  DestroyWindow(host);
}

TEST_F(Dialogs, ShowModalRunsUntilAModalResultAndRefusesAVisibleForm) {
  auto* f = new TForm(nullptr);
  f->SetBounds(10, 10, 200, 100);
  int closes = 0;
  f->OnClose = [&](TObject*, TCloseAction& action) {
    ++closes;
    EXPECT_EQ(action, caHide);
  };
  Application->OnIdle = [&](TObject*, bool& done) {
    done = false;
    EXPECT_TRUE(f->FormState().Contains(fsModal));
    f->SetModalResult(mrRetry);
  };
  EXPECT_EQ(f->ShowModal(), mrRetry);
  Application->OnIdle = nullptr;
  EXPECT_EQ(closes, 1);
  EXPECT_FALSE(f->Visible());
  EXPECT_FALSE(f->FormState().Contains(fsModal));
  f->Show();
  EXPECT_THROW(f->ShowModal(), EInvalidOperation);
  f->Free();
}

TEST_F(Dialogs, CloseQueryCanKeepAModalFormOpen) {
  auto* f = new TForm(nullptr);
  int asked = 0;
  f->OnCloseQuery = [&](TObject*, bool& can) { can = ++asked > 1; };
  Application->OnIdle = [&](TObject*, bool& done) {
    done = false;
    f->SetModalResult(mrOk);
  };
  EXPECT_EQ(f->ShowModal(), mrOk);
  EXPECT_EQ(asked, 2);  // the first close was refused
  Application->OnIdle = nullptr;
  f->Free();
}

class Thrower : public TTestWin {
 public:
  using TTestWin::TTestWin;
  void Click() override { throw EConvertError("'abc' is not a valid integer value"); }
};

TEST_F(Dialogs, ExceptionsThatReachTheLoopAreReportedAndGoNoFurther) {
  TScriptedDialogService script(true);
  Application->SetTitle("Fano");
  auto* f = new TForm(nullptr);
  f->SetBounds(10, 10, 200, 100);
  auto* t = new Thrower(f);
  t->SetParent(f);
  f->Show();
  Pump();
  // Dispatched through the window system, as the host's loop would.
  TPoint p = ScreenPoint(t, 5, 5);
  FanoInputMouseButton(0, TRUE, p.X, p.Y);
  FanoInputMouseButton(0, FALSE, p.X, p.Y);
  EXPECT_NO_THROW(FanoPumpMessages());
  ASSERT_EQ(script.Requests().size(), 1u);
  EXPECT_EQ(script.Requests()[0].Text, "'abc' is not a valid integer value.");
  EXPECT_EQ(script.Requests()[0].Caption, "Fano");
  EXPECT_EQ(script.Requests()[0].Flags, MB_OK | MB_ICONSTOP);
  // An abort is silent; OnException takes over when set.
  std::vector<std::string> seen;
  Application->OnException = [&](TObject* sender, const std::exception& e) {
    EXPECT_EQ(sender, t);
    seen.push_back(e.what());
  };
  t->OnMouseDown = [](TObject*, TMouseButton, TShiftState, int, int) { Abort(); };
  FanoInputMouseButton(0, TRUE, p.X, p.Y);
  FanoInputMouseButton(0, FALSE, p.X, p.Y);
  FanoPumpMessages();
  // The press failed: reporting it cancelled the mouse mode, so no click followed.
  EXPECT_TRUE(seen.empty());
  EXPECT_EQ(GetCapture(), nullptr);
  t->OnMouseDown = nullptr;
  FanoInputMouseButton(0, TRUE, p.X, p.Y);
  FanoInputMouseButton(0, FALSE, p.X, p.Y);
  FanoPumpMessages();
  EXPECT_EQ(seen, std::vector<std::string>{"'abc' is not a valid integer value"});
  EXPECT_EQ(script.Requests().size(), 1u);
  Application->OnException = nullptr;
  f->Free();
}

}  // namespace

namespace {

// The product's form lives as long as the module: the application frees it at exit, while the
// window and device-context registries still exist.
TEST(ApplicationExit, FormsOwnedByTheApplicationGoWithItAtExit) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        FanoUseHeadless();
        ClockSetSimulated(1);
        TForm* f = nullptr;
        Application->CreateForm(f);
        auto* c = new TTestWin(f);
        c->SetParent(f);
        f->Show();
        Application->ProcessMessages();
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(ApplicationExit, CreateFormMakesTheFirstFormTheMainForm) {
  TForm* a = nullptr;
  TForm* b = nullptr;
  Application->CreateForm(a);
  Application->CreateForm(b);
  EXPECT_EQ(Application->MainForm(), a);
  EXPECT_EQ(a->Owner(), Application);
  a->Free();
  EXPECT_EQ(Application->MainForm(), nullptr);
  b->Free();
}

}  // namespace
