// The virtual clock: Sleep, scheduled events and timers cost no real time and fire in order.
#include <gtest/gtest.h>

#include "platform/host/world_internal.h"
#include "platform/win32.h"
#include "ui_fixture.h"

namespace {

class ClockTest : public UiTest {};

TEST_F(ClockTest, SleepRunsTheEventsThatFallDueInTimeOrderAtTheirOwnTime) {
  std::vector<std::string> ran;
  DWORD start = world::Now();
  world::internal::ScheduleAt(start + 200, [&] { ran.push_back("b@" + std::to_string(world::Now() - start)); });
  world::internal::ScheduleAt(start + 100, [&] {
    ran.push_back("a@" + std::to_string(world::Now() - start));
    // An event that schedules another inside the same sleep sees it run too.
    world::internal::ScheduleAt(world::Now() + 50, [&] { ran.push_back("c@" + std::to_string(world::Now() - start)); });
  });
  world::internal::ScheduleAt(start + 200, [&] { ran.push_back("d@" + std::to_string(world::Now() - start)); });
  world::internal::ScheduleAt(start + 251, [&] { ran.push_back("late"); });
  Sleep(250);
  EXPECT_EQ(ran, (std::vector<std::string>{"a@100", "c@150", "b@200", "d@200"}));
  EXPECT_EQ(world::Now(), start + 250);
  EXPECT_EQ(GetTickCount(), world::Now());
  DWORD next = 0;
  ASSERT_TRUE(world::internal::NextEventTime(&next));
  EXPECT_EQ(next, start + 251);
  world::Advance(1);
  EXPECT_EQ(ran.back(), "late");
  EXPECT_FALSE(world::internal::NextEventTime(&next));
}

TEST_F(ClockTest, AWaitingLoopGetsEachTimerTickAtItsPeriod) {
  HWND main = MainWindow();
  ShowWindow(main, SW_SHOW);
  EXPECT_EQ(SetTimer(main, 1, 300, NULL), (UINT_PTR)1);
  std::vector<DWORD> times;
  MSG msg;
  while (times.size() < 3 && GetMessageA(&msg, NULL, 0, 0)) {
    if (msg.message == WM_TIMER && msg.hwnd == main && msg.wParam == 1) times.push_back(msg.time);
  }
  EXPECT_EQ(times, (std::vector<DWORD>{300, 600, 900}));
  EXPECT_TRUE(KillTimer(main, 1));
  EXPECT_FALSE(KillTimer(main, 1));
  EXPECT_EQ(GetMessageA(&msg, NULL, 0, 0), FALSE);
  ASSERT_EQ(stalls.size(), 1u) << "with the timer gone there is nothing left to wait for";
}

TEST_F(ClockTest, ALateTimerComesOnceAndThenKeepsItsPeriodFromThen) {
  HWND main = MainWindow();
  SetTimer(main, 7, 300, NULL);
  Sleep(1000);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, (UINT)WM_TIMER);
  EXPECT_EQ(msg.wParam, (WPARAM)7);
  EXPECT_FALSE(PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) << "missed ticks are not queued up";
  Sleep(299);
  EXPECT_FALSE(PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE));
  Sleep(1);
  EXPECT_TRUE(PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE));
}

int procTicks = 0;
void CALLBACK Tick(HWND, UINT message, UINT_PTR, DWORD) {
  if (message == WM_TIMER) ++procTicks;
}

TEST_F(ClockTest, ATimerProcedureIsCalledByDispatchAndATimerDiesWithItsWindow) {
  procTicks = 0;
  UINT_PTR id = SetTimer(NULL, 0, 50, Tick);
  EXPECT_NE(id, (UINT_PTR)0);
  HWND main = MainWindow();
  SetTimer(main, 1, 10, NULL);
  DestroyWindow(main);
  Sleep(60);
  MSG msg;
  int timerMessages = 0;
  while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_TIMER) ++timerMessages;
    DispatchMessageA(&msg);
  }
  EXPECT_EQ(timerMessages, 1) << "the destroyed window's timer is gone";
  EXPECT_EQ(procTicks, 1);
  EXPECT_EQ(SetTimer((HWND)0x4321, 1, 10, NULL), (UINT_PTR)0);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_WINDOW_HANDLE);
}

TEST_F(ClockTest, AScheduledEventWakesAWaitingLoop) {
  HWND main = MainWindow();
  ShowWindow(main, SW_SHOW);
  world::internal::ScheduleAt(world::Now() + 500, [main] { PostMessageA(main, WM_USER + 1, 0, 0); });
  MSG msg;
  ASSERT_TRUE(GetMessageA(&msg, NULL, 0, 0));
  EXPECT_EQ(msg.message, (UINT)(WM_USER + 1));
  EXPECT_EQ(world::Now(), 500u);
  EXPECT_TRUE(stalls.empty());
}

TEST_F(ClockTest, TenMinutesOfTicksThatChangeNothingAreAStall) {
  HWND main = MainWindow();
  ShowWindow(main, SW_SHOW);
  SetTimer(main, 1, 300, NULL);
  int seen = 0;
  MSG msg;
  while (GetMessageA(&msg, NULL, 0, 0)) ++seen;
  ASSERT_EQ(stalls.size(), 1u);
  EXPECT_EQ(stalls[0], "the program waits for input in window 115 \"Velmora\xAE Setup\", the script has nothing "
                       "left and nothing has happened for 10 minutes");
  EXPECT_EQ(seen, 2000);
  EXPECT_LE(world::Now(), 600000u);
}

TEST_F(ClockTest, TheUsersWaitLetsTimersTickAtTheirTimesAndCountsAsActivity) {
  HWND main = MainWindow();
  ShowWindow(main, SW_SHOW);
  SetTimer(main, 1, 300, NULL);
  world::Wait(20 * 60 * 1000);
  std::vector<DWORD> times;
  MSG msg;
  while (times.size() < 4000 && GetMessageA(&msg, NULL, 0, 0))
    if (msg.message == WM_TIMER) times.push_back(msg.time);
  EXPECT_TRUE(stalls.empty()) << stalls[0];
  ASSERT_EQ(times.size(), 4000u);
  EXPECT_EQ(times[0], 300u);
  EXPECT_EQ(times[1], 600u);
  EXPECT_EQ(world::Transcript().back(), "user waits 1200000 ms");
}

}  // namespace

namespace {

TEST_F(ClockTest, WhatIsDueNowHappensBeforeTheUsersNextAction) {
  HWND main = MainWindow();
  ShowWindow(main, SW_SHOW);
  quitOnOkOrCancel = true;
  // Another program reacts at once to something; the user clicks after that.
  world::internal::ScheduleAt(world::Now(), [main] { PostMessageA(main, WM_COMMAND, MAKEWPARAM(1001, BN_CLICKED), 0); });
  world::Click(IDCANCEL);
  EXPECT_EQ(RunLoop(main), IDCANCEL);
  EXPECT_EQ(commands, (std::vector<std::string>{"1001/0", "2/0"}));
  EXPECT_EQ(world::Now(), 0u);
}

}  // namespace
