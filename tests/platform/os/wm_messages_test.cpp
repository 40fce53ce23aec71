// Windows and messages: creation and destruction order, sending inside a send, posting after the
// handler, the loop's filters, WM_QUIT, message time, other threads, stale handles.
#include <atomic>
#include <thread>

#include "wm_test_util.h"

using namespace wmtest;

namespace {

class Messages : public WmTest {};

TEST_F(Messages, CreationSendsTheMessagesInOrderAndDestructionReachesChildrenFirst) {
  HWND top = Top(10, 10, 200, 100, WS_POPUP);
  auto ids = Ids(Of(top, {WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE}));
  EXPECT_EQ(ids, (std::vector<UINT>{WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE}));
  HWND child = Child(top, 5, 5, 50, 20);
  HWND grand = Child(child, 1, 1, 10, 10);
  EXPECT_EQ(Count(top, WM_PARENTNOTIFY), 2) << "the creation of a child is told to every ancestor";
  Log().clear();
  ASSERT_TRUE(DestroyWindow(top));
  std::vector<std::pair<HWND, UINT>> order;
  for (const Rec& r : Of(nullptr, {WM_DESTROY, WM_NCDESTROY})) order.emplace_back(r.hwnd, r.msg);
  std::vector<std::pair<HWND, UINT>> want{{top, WM_DESTROY},     {child, WM_DESTROY},   {grand, WM_DESTROY},
                                          {grand, WM_NCDESTROY}, {child, WM_NCDESTROY}, {top, WM_NCDESTROY}};
  EXPECT_EQ(order, want);
  EXPECT_FALSE(IsWindow(top));
  EXPECT_FALSE(IsWindow(child));
  EXPECT_FALSE(IsWindow(grand));
}

TEST_F(Messages, StaleAndForeignHandlesAreRefusedWithoutHarm) {
  HWND a = Top(0, 0, 10, 10);
  DestroyWindow(a);
  EXPECT_EQ(SendMessage(a, WM_USER, 1, 2), 0);
  EXPECT_FALSE(PostMessage(a, WM_USER, 1, 2));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  EXPECT_FALSE(SetWindowPos(a, nullptr, 0, 0, 1, 1, 0));
  EXPECT_FALSE(DestroyWindow(a));
  RECT r{1, 2, 3, 4};
  EXPECT_FALSE(GetWindowRect(a, &r));
  EXPECT_FALSE(IsWindow(reinterpret_cast<HWND>(static_cast<uintptr_t>(0x12345678))));
  EXPECT_FALSE(IsWindow(reinterpret_cast<HWND>(static_cast<uintptr_t>(0x10000000001ull))));
  EXPECT_EQ(GetParent(reinterpret_cast<HWND>(static_cast<uintptr_t>(7))), nullptr);
  // A new window never gets the handle of the one just destroyed.
  HWND b = Top(0, 0, 10, 10);
  EXPECT_NE(a, b);
  EXPECT_FALSE(IsWindow(a));
}

TEST_F(Messages, SendInsideSendRunsAtOnceAndPostRunsAfterTheHandler) {
  HWND a = Top(0, 0, 50, 50);
  HWND b = Top(60, 0, 50, 50);
  FanoPumpMessages();  // their first paint
  std::vector<std::string> trace;
  Hooks()[a] = [&](HWND, UINT m, WPARAM w, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_USER + 1) {
      trace.push_back("a:begin");
      PostMessage(b, WM_USER + 3, 0, 0);
      LRESULT r = SendMessage(b, WM_USER + 2, w + 1, 0);
      trace.push_back("a:end got " + std::to_string(r));
      return r * 10;
    }
    if (m == WM_USER + 4) {
      trace.push_back("a:nested from b");
      return 7;
    }
    return std::nullopt;
  };
  Hooks()[b] = [&](HWND, UINT m, WPARAM w, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_USER + 2) {
      trace.push_back("b:send " + std::to_string(w));
      LRESULT back = SendMessage(a, WM_USER + 4, 0, 0);  // back to the sender, re-entrant
      return static_cast<LRESULT>(w) + back;
    }
    if (m == WM_USER + 3) {
      trace.push_back("b:posted");
      return 0;
    }
    return std::nullopt;
  };
  EXPECT_EQ(SendMessage(a, WM_USER + 1, 1, 0), 90);
  EXPECT_EQ(trace, (std::vector<std::string>{"a:begin", "b:send 2", "a:nested from b", "a:end got 9"}));
  EXPECT_EQ(FanoPumpMessages(), 1);
  EXPECT_EQ(trace.back(), "b:posted");
}

TEST_F(Messages, PeekFiltersByWindowAndRangeAndCanLeaveTheMessage) {
  HWND a = Top(0, 0, 50, 50);
  HWND child = Child(a, 0, 0, 10, 10);
  HWND b = Top(60, 0, 50, 50);
  FanoPumpMessages();
  PostMessage(b, WM_USER + 1, 0, 0);
  PostMessage(child, WM_USER + 2, 0, 0);
  PostMessage(a, WM_USER + 3, 0, 0);
  PostThreadMessage(GetCurrentThreadId(), WM_USER + 4, 0, 0);
  MSG m;
  // Window filter: the window and its children.
  ASSERT_TRUE(PeekMessage(&m, a, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_USER + 2));
  EXPECT_EQ(m.hwnd, child);
  ASSERT_TRUE(PeekMessage(&m, a, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_USER + 2)) << "without removal the message stays";
  // Range filter.
  ASSERT_TRUE(PeekMessage(&m, nullptr, WM_USER + 3, WM_USER + 4, PM_REMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_USER + 3));
  // Thread messages only.
  ASSERT_TRUE(PeekMessage(&m, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_USER + 4));
  EXPECT_EQ(m.hwnd, nullptr);
  EXPECT_FALSE(PeekMessage(&m, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE));
  // What is left comes in posting order.
  ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_USER + 1));
  ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_USER + 2));
  EXPECT_FALSE(PeekMessage(&m, nullptr, WM_USER, WM_USER + 100, PM_REMOVE));
}

TEST_F(Messages, QuitComesAfterPostedMessagesAndAPeekedQuitCanBePostedAgain) {
  HWND a = Top(0, 0, 50, 50);
  FanoPumpMessages();
  PostQuitMessage(3);
  PostMessage(a, WM_USER, 0, 0);
  MSG m;
  ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_USER));
  ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_QUIT));
  ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(m.wParam, 3u);
  EXPECT_FALSE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
  // A modal loop that took the quit hands it back to the outer loop.
  PostQuitMessage(static_cast<int>(m.wParam));
  EXPECT_FALSE(GetMessage(&m, nullptr, 0, 0));
  EXPECT_EQ(m.wParam, 3u);
  // A window filter never sees the quit.
  PostQuitMessage(1);
  EXPECT_FALSE(PeekMessage(&m, a, 0, 0, PM_NOREMOVE));
  EXPECT_TRUE(PeekMessage(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(Messages, MessageTimeAndPositionComeFromTheClockAndThePointer) {
  HWND a = Top(0, 0, 50, 50);
  FanoPumpMessages();
  FanoInputMouseMove(17, 23);
  ClockAdvance(1234);
  DWORD now = GetTickCount();
  PostMessage(a, WM_USER, 0, 0);
  MSG m;
  ASSERT_TRUE(GetMessage(&m, a, WM_USER, WM_USER));
  EXPECT_EQ(m.time, now);
  EXPECT_EQ(GetMessageTime(), static_cast<LONG>(now));
  EXPECT_EQ(GET_X_LPARAM(GetMessagePos()), 17);
  EXPECT_EQ(GET_Y_LPARAM(GetMessagePos()), 23);
}

TEST_F(Messages, DispatchGoesThroughTheCurrentWindowProcedureAndSubclassingChains) {
  HWND a = Top(0, 0, 50, 50);
  static WNDPROC previous = nullptr;
  static int seen = 0;
  previous = reinterpret_cast<WNDPROC>(SetWindowLongPtr(
      a, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(+[](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m == WM_USER + 9) {
          ++seen;
          return CallWindowProc(previous, h, m, w, l) + 100;
        }
        return CallWindowProc(previous, h, m, w, l);
      })));
  ASSERT_EQ(previous, &RecordingProc);
  Hooks()[a] = [](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_USER + 9) return 5;
    return std::nullopt;
  };
  MSG m{a, WM_USER + 9, 0, 0, 0, {0, 0}};
  EXPECT_EQ(DispatchMessage(&m), 105);
  EXPECT_EQ(SendMessage(a, WM_USER + 9, 0, 0), 105);
  EXPECT_EQ(seen, 2);
}

TEST_F(Messages, TextAndLongsAndProperties) {
  HWND a = Top(0, 0, 50, 50);
  ASSERT_TRUE(SetWindowText(a, "费用垫付单"));
  char buf[64];
  EXPECT_EQ(GetWindowText(a, buf, sizeof buf), 15);
  EXPECT_STREQ(buf, "费用垫付单");
  EXPECT_EQ(GetWindowTextLength(a), 15);
  // A short buffer never splits a character.
  EXPECT_EQ(GetWindowText(a, buf, 5), 3);
  EXPECT_STREQ(buf, "费");
  SetWindowLongPtr(a, 8, 0x1234);
  EXPECT_EQ(GetWindowLongPtr(a, 8), 0x1234);
  EXPECT_EQ(GetWindowLongPtr(a, 16), 0) << "past the extra bytes";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_INDEX));
  SetWindowLongPtr(a, GWL_USERDATA, 77);
  EXPECT_EQ(GetWindowLongPtr(a, GWL_USERDATA), 77);
  EXPECT_TRUE(SetProp(a, "Owner", reinterpret_cast<HANDLE>(static_cast<uintptr_t>(5))));
  EXPECT_EQ(GetProp(a, "owner"), reinterpret_cast<HANDLE>(static_cast<uintptr_t>(5)));
  EXPECT_EQ(RemoveProp(a, "OWNER"), reinterpret_cast<HANDLE>(static_cast<uintptr_t>(5)));
  EXPECT_EQ(GetProp(a, "Owner"), nullptr);
  char cls[32];
  EXPECT_EQ(GetClassName(a, cls, sizeof cls), 6);
  EXPECT_STREQ(cls, "WmTest");
  // Style changes are announced.
  Log().clear();
  SetWindowLong(a, GWL_STYLE, static_cast<LONG>(GetWindowLong(a, GWL_STYLE) | WS_BORDER));
  EXPECT_EQ(Ids(Of(a, {WM_STYLECHANGING, WM_STYLECHANGED})), (std::vector<UINT>{WM_STYLECHANGING, WM_STYLECHANGED}));
}

TEST_F(Messages, ClassesAreFoundWithoutRegardToCaseAndCannotBeRegisteredTwice) {
  WNDCLASSEX wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = RecordingProc;
  wc.lpszClassName = "wmtest";
  EXPECT_EQ(RegisterClassEx(&wc), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));
  EXPECT_EQ(CreateWindowEx(0, "NoSuchClass", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));
  HWND a = CreateWindowEx(0, "WMTEST", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  EXPECT_NE(a, nullptr);
  WNDCLASSEX info{};
  ASSERT_TRUE(GetClassInfoEx(nullptr, "wmTest", &info));
  EXPECT_EQ(info.style, static_cast<UINT>(CS_DBLCLKS));
  // A child needs a parent.
  EXPECT_EQ(CreateWindowEx(0, "WmTest", "", WS_CHILD, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
}

TEST_F(Messages, CreationCanBeRefusedByTheWindow) {
  static bool refuse = true;
  WNDCLASSEX wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (m == WM_CREATE && refuse) return -1;
    return DefWindowProc(h, m, w, l);
  };
  wc.lpszClassName = "WmRefuse";
  static bool once = RegisterClassEx(&wc) != 0;
  ASSERT_TRUE(once);
  EXPECT_EQ(CreateWindowEx(0, "WmRefuse", "", WS_POPUP | WS_VISIBLE, 0, 0, 5, 5, nullptr, nullptr, nullptr, nullptr),
            nullptr);
  refuse = false;
  HWND ok = CreateWindowEx(0, "WmRefuse", "", WS_POPUP, 0, 0, 5, 5, nullptr, nullptr, nullptr, nullptr);
  EXPECT_NE(ok, nullptr);
  DestroyWindow(ok);
}

TEST_F(Messages, OtherThreadsPostAndSendThroughTheOwnersLoop) {
  HWND a = Top(0, 0, 50, 50);
  FanoPumpMessages();
  std::atomic<LRESULT> result{0};
  std::atomic<bool> done{false};
  DWORD mine = GetCurrentThreadId();
  std::atomic<DWORD> ranOn{0};
  Hooks()[a] = [&](HWND, UINT m, WPARAM w, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_USER + 5) {
      ranOn = GetCurrentThreadId();
      return static_cast<LRESULT>(w * 2);
    }
    return std::nullopt;
  };
  std::thread other([&] {
    PostMessage(a, WM_USER + 6, 0, 0);
    result = SendMessage(a, WM_USER + 5, 21, 0);
    done = true;
  });
  MSG m;
  bool sawPost = false;
  for (int i = 0; i < 2000 && !(done && sawPost); ++i) {
    if (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (m.message == WM_USER + 6) sawPost = true;
      DispatchMessage(&m);
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  other.join();
  EXPECT_TRUE(sawPost);
  EXPECT_EQ(result.load(), 42);
  EXPECT_EQ(ranOn.load(), mine) << "a send from another thread runs on the window's thread";
}

// The receiver destroys its own window while it handles the send: the sender still gets the
// handler's result, and the receiver's reply lands in a slot that is still alive.
TEST_F(WmTest, SendFromAnotherThreadWhoseReceiverDestroysItsWindow) {
  HWND a = Top(0, 0, 50, 50);
  FanoPumpMessages();
  Hooks()[a] = [&](HWND h, UINT m, WPARAM w, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_USER + 7) {
      DestroyWindow(h);
      return static_cast<LRESULT>(w + 1);
    }
    return std::nullopt;
  };
  std::atomic<LRESULT> result{0};
  std::atomic<bool> done{false};
  std::thread other([&] {
    result = SendMessage(a, WM_USER + 7, 76, 0);
    done = true;
  });
  MSG m;
  for (int i = 0; i < 2000000 && !done; ++i) {
    if (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&m);
    else std::this_thread::yield();
  }
  other.join();
  EXPECT_FALSE(IsWindow(a));
  EXPECT_EQ(result.load(), 77) << "the sender waits for the handler that runs, even when it destroys the window";
}

}  // namespace
