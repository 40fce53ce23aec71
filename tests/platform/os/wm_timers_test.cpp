// Timers on the simulated clock: firing times, interval changes, interval 0, killing, timer
// procedures, thread timers, and WM_TIMER coming after everything else.
#include "wm_test_util.h"

using namespace wmtest;

namespace {

class Timers : public WmTest {};

TEST_F(Timers, FireAtTheirIntervalsOnTheSimulatedClock) {
  HWND a = Top(0, 0, 10, 10);
  FanoPumpMessages();
  std::vector<std::pair<UINT_PTR, DWORD>> fired;
  DWORD start = GetTickCount();
  Hooks()[a] = [&](HWND, UINT m, WPARAM w, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_TIMER) fired.emplace_back(w, GetTickCount() - start);
    return std::nullopt;
  };
  EXPECT_EQ(SetTimer(a, 1, 100, nullptr), 1u);
  EXPECT_EQ(SetTimer(a, 2, 250, nullptr), 2u);
  FanoAdvanceAndPump(99, 1);
  EXPECT_TRUE(fired.empty()) << "nothing before the first interval";
  FanoAdvanceAndPump(501, 1);
  std::vector<std::pair<UINT_PTR, DWORD>> want{{1, 100}, {1, 200}, {2, 250}, {1, 300}, {1, 400},
                                              {1, 500}, {2, 500}, {1, 600}};
  EXPECT_EQ(fired, want);
}

TEST_F(Timers, SettingAgainChangesTheIntervalAndRestartsAndZeroMeansTheMinimum) {
  HWND a = Top(0, 0, 10, 10);
  FanoPumpMessages();
  std::vector<DWORD> at;
  DWORD start = GetTickCount();
  Hooks()[a] = [&](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_TIMER) at.push_back(GetTickCount() - start);
    return std::nullopt;
  };
  SetTimer(a, 7, 100, nullptr);
  FanoAdvanceAndPump(150, 1);
  SetTimer(a, 7, 40, nullptr);  // restarts from now (150) with the new interval
  FanoAdvanceAndPump(100, 1);
  EXPECT_EQ(at, (std::vector<DWORD>{100, 190, 230}));
  at.clear();
  start = GetTickCount();
  SetTimer(a, 7, 0, nullptr);
  FanoAdvanceAndPump(35, 1);
  EXPECT_EQ(at, (std::vector<DWORD>{10, 20, 30})) << "interval 0 runs at the minimum of 10 ms";
  EXPECT_TRUE(KillTimer(a, 7));
  at.clear();
  FanoAdvanceAndPump(100, 5);
  EXPECT_TRUE(at.empty());
  EXPECT_FALSE(KillTimer(a, 7));
}

TEST_F(Timers, MissedPeriodsDoNotPileUp) {
  HWND a = Top(0, 0, 10, 10);
  FanoPumpMessages();
  SetTimer(a, 1, 10, nullptr);
  ClockAdvance(1000);
  FanoPumpMessages();
  EXPECT_EQ(Count(a, WM_TIMER), 1);
}

TEST_F(Timers, TimersAreKeptPerWindowAndIdAndDieWithTheWindow) {
  HWND a = Top(0, 0, 10, 10);
  HWND b = Top(20, 0, 10, 10);
  FanoPumpMessages();
  SetTimer(a, 1, 50, nullptr);
  SetTimer(b, 1, 30, nullptr);
  FanoAdvanceAndPump(60, 1);
  EXPECT_EQ(Count(a, WM_TIMER), 1);
  EXPECT_EQ(Count(b, WM_TIMER), 2);
  DestroyWindow(b);
  Log().clear();
  FanoAdvanceAndPump(100, 1);
  EXPECT_EQ(Count(b, WM_TIMER), 0);
  EXPECT_EQ(Count(a, WM_TIMER), 2);
  EXPECT_EQ(SetTimer(b, 1, 10, nullptr), 0u) << "no timer for a stale window";
}

TEST_F(Timers, ProceduresAndThreadTimers) {
  static std::vector<std::pair<HWND, UINT_PTR>> calls;
  calls.clear();
  HWND a = Top(0, 0, 10, 10);
  FanoPumpMessages();
  TIMERPROC proc = [](HWND h, UINT, UINT_PTR id, DWORD) { calls.emplace_back(h, id); };
  SetTimer(a, 4, 20, proc);
  UINT_PTR threadId = SetTimer(nullptr, 0, 30, proc);
  EXPECT_NE(threadId, 0u);
  FanoAdvanceAndPump(30, 1);
  std::vector<std::pair<HWND, UINT_PTR>> want{{a, 4}, {nullptr, threadId}};
  EXPECT_EQ(calls, want);
  EXPECT_EQ(Count(a, WM_TIMER), 0) << "a timer procedure takes the place of the window procedure";
  // A forged WM_TIMER with a procedure that no timer carries calls nothing.
  MSG forged{nullptr, WM_TIMER, 99, reinterpret_cast<LPARAM>(+[](HWND, UINT, UINT_PTR, DWORD) { calls.clear(); }), 0,
             {0, 0}};
  DispatchMessage(&forged);
  EXPECT_EQ(calls.size(), 2u);
  KillTimer(nullptr, threadId);
  KillTimer(a, 4);
}

TEST_F(Timers, TimerAndPaintWaitForPostedMessages) {
  HWND a = Top(0, 0, 10, 10);
  FanoPumpMessages();
  SetTimer(a, 1, 10, nullptr);
  ClockAdvance(10);
  InvalidateRect(a, nullptr, TRUE);
  PostMessage(a, WM_USER, 0, 0);
  MSG m;
  ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_USER));
  ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_PAINT));
  DispatchMessage(&m);
  ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_TIMER));
  EXPECT_FALSE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) << "the timer restarted when taken";
  KillTimer(a, 1);
}

TEST_F(Timers, PeekWithoutRemovalLeavesTheTimerDue) {
  HWND a = Top(0, 0, 10, 10);
  FanoPumpMessages();
  SetTimer(a, 3, 10, nullptr);
  ClockAdvance(10);
  MSG m;
  ASSERT_TRUE(PeekMessage(&m, a, WM_TIMER, WM_TIMER, PM_NOREMOVE));
  ASSERT_TRUE(PeekMessage(&m, a, WM_TIMER, WM_TIMER, PM_REMOVE));
  EXPECT_EQ(m.wParam, 3u);
  EXPECT_FALSE(PeekMessage(&m, a, WM_TIMER, WM_TIMER, PM_REMOVE));
  KillTimer(a, 3);
}

}  // namespace
