// Message dialogs: the scriptable service that tests and headless hosts answer through, the real
// dialog form, modal forms, and exceptions that reach the message loop.
#include "forms_test_util.h"

#include "platform/forms/dialogs.h"

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
