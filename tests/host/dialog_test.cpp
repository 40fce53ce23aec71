// The host's dialog library, loaded as the module loads it: headless the host window answers from
// its script (and the library answers safely when nobody does); under a virtual X server the
// library shows its box and a key or a click answers it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "host/dialogapi.h"
#include "shell/hostapi.h"
#include "platform/os/winuser.h"
#include "support/testpaths.h"
#include "support/xserver.h"

namespace {

using namespace fanohost;

std::string LibraryPath() {
  return (testpaths::BinaryDir() / "host" / kDialogLibrary).string();
}

struct Seen {
  BoxPhase phase;
  std::string caption, text;
  int32_t flags, answer;
  HWND owner;
};

std::vector<Seen> g_seen;
bool g_answers = true;
int32_t g_answer = 6;

LRESULT FakeHostProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  static UINT boxMessage = RegisterWindowMessage(kMessageBoxMessage);
  if (msg == boxMessage) {
    auto* r = reinterpret_cast<FanoMessageBoxRequest*>(wp);
    g_seen.push_back({r->phase, r->caption, r->text, r->flags, r->answer, r->owner});
    if (r->phase == BoxPhase::Ask && g_answers) {
      r->answer = g_answer;
      return 1;
    }
    return 0;
  }
  return DefWindowProc(wnd, msg, wp, lp);
}

class DialogLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("FANO_DIALOG_X11")) FanoUseHeadless();
    WNDCLASS wc{};
    if (!GetClassInfo(nullptr, kHostWindowClass, &wc)) {
      wc.lpfnWndProc = FakeHostProc;
      wc.lpszClassName = kHostWindowClass;
      ASSERT_TRUE(RegisterClass(&wc));
    }
    host = CreateWindowEx(0, kHostWindowClass, "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, 400, 300, nullptr,
                          nullptr, nullptr, nullptr);
    ASSERT_NE(host, nullptr);
    child = CreateWindowEx(0, kHostWindowClass, "child", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, host, nullptr, nullptr,
                           nullptr);
    lib = LoadLibrary(LibraryPath().c_str());
    ASSERT_NE(lib, nullptr) << LibraryPath();
    box = reinterpret_cast<TCvMessageBoxProc>(GetProcAddress(lib, kMessageBoxEntry));
    ASSERT_NE(box, nullptr);
    g_seen.clear();
    g_answers = true;
    g_answer = HOST_BOX_YES;
  }
  void TearDown() override {
    if (lib) FreeLibrary(lib);
    if (host) DestroyWindow(host);
  }
  HWND host = nullptr, child = nullptr;
  HMODULE lib = nullptr;
  TCvMessageBoxProc box = nullptr;
};

TEST_F(DialogLibrary, ExportsOnlyItsEntry) {
  EXPECT_EQ(GetProcAddress(lib, "_ZN8fanohost2ui4FontEv"), nullptr) << "the drawing helpers stay inside";
}

TEST_F(DialogLibrary, TheHostHearsOfEveryBoxAndItsScriptAnswers) {
  EXPECT_EQ(box(child, "提示：", "有数据未保存，您确定要退出当前窗体吗？", HOST_BOX_YESNO), HOST_BOX_YES);
  ASSERT_EQ(g_seen.size(), 1u);
  EXPECT_EQ(g_seen[0].phase, BoxPhase::Ask);
  EXPECT_EQ(g_seen[0].caption, "提示：");
  EXPECT_EQ(g_seen[0].text, "有数据未保存，您确定要退出当前窗体吗？");
  EXPECT_EQ(g_seen[0].flags, HOST_BOX_YESNO);
  EXPECT_EQ(g_seen[0].owner, child);
  g_answer = 7;
  EXPECT_EQ(box(nullptr, "c", "found by class", HOST_BOX_NOTICE), 7) << "no owner: the host is found by class";
  EXPECT_EQ(g_seen.size(), 2u);
}

TEST_F(DialogLibrary, HeadlessWithoutAnAnswerQuestionsAreNoAndNoticesOk) {
  g_answers = false;
  EXPECT_EQ(box(child, "提示：", "您确定要删除该笔数据吗？", HOST_BOX_YESNO), kBoxNo);
  EXPECT_EQ(box(child, "提示：", "数据集为空！", HOST_BOX_EMPTY), kBoxOk);
  EXPECT_EQ(box(child, nullptr, nullptr, HOST_BOX_NOTICE), kBoxOk) << "missing texts are empty ones";
  ASSERT_EQ(g_seen.size(), 3u);
  EXPECT_EQ(g_seen[2].caption, "");
  DestroyWindow(host);
  host = nullptr;
  EXPECT_EQ(box(nullptr, "c", "no host at all", HOST_BOX_YESNO), kBoxNo);
}

// ---- the real box, under a virtual X server ----

HWND FindBox() {
  struct Found {
    HWND wnd = nullptr;
  } found;
  EnumWindows(
      [](HWND w, LPARAM p) -> BOOL {
        char cls[128] = {};
        GetClassName(w, cls, sizeof cls);
        if (std::string(cls).rfind("FanoHostMessageBox.", 0) == 0 && IsWindowVisible(w)) {
          reinterpret_cast<Found*>(p)->wnd = w;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found.wnd;
}

enum class Press { KeyN, KeyEscape, ClickYes };
Press g_press;
int g_tries = 0;

void PressOnTheBox(HWND wnd, UINT, UINT_PTR id, DWORD) {
  HWND b = FindBox();
  if (!b) {
    if (++g_tries > 200) KillTimer(wnd, id);
    return;
  }
  KillTimer(wnd, id);
  switch (g_press) {
    case Press::KeyN:
      FanoInputKey('N', TRUE);
      FanoInputKey('N', FALSE);
      break;
    case Press::KeyEscape:
      FanoInputKey(VK_ESCAPE, TRUE);
      FanoInputKey(VK_ESCAPE, FALSE);
      break;
    case Press::ClickYes: {
      // Two buttons of 78 pixels, 10 apart, centred, 14 pixels above the bottom, 24 high.
      RECT c;
      GetClientRect(b, &c);
      POINT pt{(c.right - 166) / 2 + 39, c.bottom - 14 - 12};
      ClientToScreen(b, &pt);
      FanoInputMouseMove(pt.x, pt.y);
      FanoInputMouseButton(0, TRUE, pt.x, pt.y);
      FanoInputMouseButton(0, FALSE, pt.x, pt.y);
      break;
    }
  }
}

int32_t AskWithPress(HWND host, TCvMessageBoxProc box, Press press, int32_t flags) {
  g_press = press;
  g_tries = 0;
  SetTimer(host, 77, 50, PressOnTheBox);
  return box(host, "提示：", "一个真正的对话框", flags);
}

TEST_F(DialogLibrary, UnderX11TheBoxIsShownAndAnswered) {
  if (std::getenv("FANO_DIALOG_X11")) {
    ASSERT_EQ(FanoDisplayKind(), FANO_DISPLAY_X11);
    g_answers = false;
    EXPECT_EQ(AskWithPress(host, box, Press::KeyN, HOST_BOX_YESNO), kBoxNo);
    EXPECT_EQ(AskWithPress(host, box, Press::ClickYes, HOST_BOX_YESNO), kBoxYes);
    EXPECT_EQ(AskWithPress(host, box, Press::KeyEscape, HOST_BOX_NOTICE), kBoxOk);
    EXPECT_EQ(FindBox(), nullptr) << "the box is gone after it was answered";
    // Each box was told to the host before and after.
    ASSERT_EQ(g_seen.size(), 6u);
    EXPECT_EQ(g_seen[1].phase, BoxPhase::Answer);
    EXPECT_EQ(g_seen[1].answer, kBoxNo);
    EXPECT_EQ(g_seen[3].answer, kBoxYes);
    EXPECT_TRUE(IsWindowEnabled(host)) << "the owner is enabled again";
    return;
  }
  FANO_SKIP_OR_FAIL_UNLESS(xserver::Have("Xvfb"), "Xvfb is not installed");
  EXPECT_EQ(xserver::RunSelfUnderXvfb("DialogLibrary.UnderX11TheBoxIsShownAndAnswered", "FANO_DIALOG_X11=1"), 0);
}

// After a box the control that had the keyboard has it again (the host's window, activated
// again, would otherwise keep it).
TEST_F(DialogLibrary, UnderX11TheFocusedControlHasTheKeyboardAgain) {
  if (std::getenv("FANO_DIALOG_X11")) {
    ASSERT_EQ(FanoDisplayKind(), FANO_DISPLAY_X11);
    g_answers = false;
    SetActiveWindow(host);
    SetFocus(child);
    ASSERT_EQ(GetFocus(), child);
    EXPECT_EQ(AskWithPress(host, box, Press::KeyEscape, HOST_BOX_NOTICE), kBoxOk);
    EXPECT_EQ(GetFocus(), child) << "after a notice";
    EXPECT_EQ(AskWithPress(host, box, Press::ClickYes, HOST_BOX_YESNO), kBoxYes);
    EXPECT_EQ(GetFocus(), child) << "after a question answered by mouse";
    return;
  }
  FANO_SKIP_OR_FAIL_UNLESS(xserver::Have("Xvfb"), "Xvfb is not installed");
  EXPECT_EQ(xserver::RunSelfUnderXvfb("DialogLibrary.UnderX11TheFocusedControlHasTheKeyboardAgain", "FANO_DIALOG_X11=1"), 0);
}

}  // namespace
