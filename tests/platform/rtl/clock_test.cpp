#include "platform/os/clock.h"

#include <gtest/gtest.h>

TEST(Clock, SimulatedTimeMovesOnlyWhenAdvanced) {
  SYSTEMTIME st{};
  st.wYear = 2024;
  st.wMonth = 2;
  st.wDay = 28;
  st.wHour = 23;
  st.wMinute = 59;
  st.wSecond = 59;
  st.wMilliseconds = 500;
  ClockSetLocalTime(&st);
  ASSERT_TRUE(ClockIsSimulated());
  uint64_t t0 = GetTickCount64();
  EXPECT_EQ(GetTickCount64(), t0);

  ClockAdvance(700);
  EXPECT_EQ(GetTickCount64(), t0 + 700);
  SYSTEMTIME now{};
  GetLocalTime(&now);
  // 2024 is a leap year: one second past 23:59:59.5 of 28 February is the 29th.
  EXPECT_EQ(now.wMonth, 2);
  EXPECT_EQ(now.wDay, 29);
  EXPECT_EQ(now.wHour, 0);
  EXPECT_EQ(now.wSecond, 0);
  EXPECT_EQ(now.wMilliseconds, 200);
  EXPECT_EQ(now.wDayOfWeek, 4);  // a Thursday

  ClockSetSimulated(0);
  EXPECT_FALSE(ClockIsSimulated());
  // Going back to real time never moves the tick count backwards.
  EXPECT_GE(GetTickCount64(), t0 + 700);
}
