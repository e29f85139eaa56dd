// Top-level windows of simulated programs beside the setup's own: enumeration, owners,
// messages to them, and placement.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/host/world_internal.h"
#include "platform/win32.h"
#include "ui_fixture.h"

namespace {

class ForeignWindowTest : public UiTest {};

struct Seen {
  std::vector<HWND> windows;
  HWND stopAt = NULL;
};

BOOL CALLBACK Collect(HWND window, LPARAM lParam) {
  Seen* seen = (Seen*)lParam;
  seen->windows.push_back(window);
  return window != seen->stopAt;
}

TEST_F(ForeignWindowTest, EnumWindowsListsTheProgramsDialogsAndOtherProgramsWindowsWithTheirProcesses) {
  HWND main = MainWindow();  // hidden windows are listed too
  std::vector<std::string> received;
  HWND editor = world::internal::CreateForeignWindow(
      4242, "Velmora - family.vlm", true,
      [&](HWND, UINT message, WPARAM wParam, LPARAM) { received.push_back(std::to_string(message) + ":" + std::to_string(wParam)); });
  HWND hidden = world::internal::CreateForeignWindow(4242, "hidden helper", false, nullptr);

  Seen seen;
  EXPECT_TRUE(EnumWindows(Collect, (LPARAM)&seen));
  ASSERT_EQ(seen.windows.size(), 3u);
  EXPECT_NE(std::find(seen.windows.begin(), seen.windows.end(), main), seen.windows.end());
  EXPECT_EQ(std::find(seen.windows.begin(), seen.windows.end(), GetDlgItem(main, 1000)), seen.windows.end())
      << "controls are not top-level windows";
  DWORD pid = 0;
  EXPECT_NE(GetWindowThreadProcessId(editor, &pid), 0u);
  EXPECT_EQ(pid, 4242u);
  EXPECT_NE(GetWindowThreadProcessId(main, &pid), 0u);
  EXPECT_EQ(pid, world::internal::OwnProcessId());
  EXPECT_EQ(GetWindowThreadProcessId((HWND)0x999, &pid), 0u);
  EXPECT_EQ(pid, 0u);
  EXPECT_TRUE(IsWindowVisible(editor));
  EXPECT_FALSE(IsWindowVisible(hidden));
  char title[64];
  EXPECT_EQ(GetWindowTextA(editor, title, sizeof title), 20);
  EXPECT_STREQ(title, "Velmora - family.vlm");
  EXPECT_EQ(FindWindowA(NULL, "velmora - FAMILY.vlm"), editor);

  EXPECT_TRUE(PostMessageA(editor, WM_COMMAND, IDCANCEL, 0));
  EXPECT_TRUE(PostMessageA(editor, WM_CLOSE, 0, 0));
  EXPECT_EQ(received, (std::vector<std::string>{"273:2", "16:0"}));
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) << "nothing lands in the setup's own queue";

  EXPECT_FALSE(DestroyWindow(editor)) << "another program's window";
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
  world::internal::DestroyForeignWindow(editor);
  EXPECT_FALSE(IsWindow(editor));
  EXPECT_FALSE(PostMessageA(editor, WM_CLOSE, 0, 0));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_WINDOW_HANDLE);
}

BOOL CALLBACK CloseEach(HWND window, LPARAM count) {
  ++*(int*)count;
  world::internal::DestroyForeignWindow(window);
  return TRUE;
}

TEST_F(ForeignWindowTest, EnumerationSurvivesWindowsClosingUnderItAndStopsWhenTold) {
  for (int i = 0; i < 3; ++i) world::internal::CreateForeignWindow(100 + i, "w" + std::to_string(i), true, nullptr);
  Seen seen;
  EnumWindows(Collect, (LPARAM)&seen);
  seen.stopAt = seen.windows[1];
  seen.windows.clear();
  EXPECT_FALSE(EnumWindows(Collect, (LPARAM)&seen));
  EXPECT_EQ(seen.windows.size(), 2u);
  int count = 0;
  EXPECT_TRUE(EnumWindows(CloseEach, (LPARAM)&count));
  EXPECT_EQ(count, 3);
  seen.windows.clear();
  seen.stopAt = NULL;
  EXPECT_TRUE(EnumWindows(Collect, (LPARAM)&seen));
  EXPECT_TRUE(seen.windows.empty());
}

TEST_F(ForeignWindowTest, BringingAWindowToTheFrontIsSeenAsTopmost) {
  HWND editor = world::internal::CreateForeignWindow(4242, "Velmora", false, nullptr);
  const UINT flags = SWP_ASYNCWINDOWPOS | SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE;
  EXPECT_FALSE(world::internal::IsForeignWindowTopmostSeen(editor));
  EXPECT_TRUE(SetWindowPos(editor, HWND_TOPMOST, 0, 0, 0, 0, flags));
  EXPECT_TRUE(SetWindowPos(editor, HWND_NOTOPMOST, 0, 0, 0, 0, flags));
  EXPECT_TRUE(world::internal::IsForeignWindowTopmostSeen(editor));
  EXPECT_TRUE(IsWindowVisible(editor)) << "SWP_SHOWWINDOW";
  EXPECT_TRUE(ShowWindowAsync(editor, SW_HIDE));
  EXPECT_FALSE(IsWindowVisible(editor));
  EXPECT_TRUE(ShowWindowAsync(editor, SW_SHOWNORMAL));
  EXPECT_TRUE(IsWindowVisible(editor));
  EXPECT_EQ(GetForegroundWindow(), editor);
  EXPECT_EQ(GetActiveWindow(), (HWND)NULL) << "the setup's own active window is unaffected";
  EXPECT_FALSE(SetWindowPos((HWND)0x999, HWND_TOPMOST, 0, 0, 0, 0, flags));
}

TEST_F(ForeignWindowTest, ASimulatedProgramThatClosesOnWmCloseIsGoneAfterTheSleep) {
  world::ProcessSpec programSpec;
  programSpec.image = "C:\\Program Files\\Velmora\\Velmora.exe";
  world::ProcessWindow window;
  window.title = "Velmora";
  window.closesOnCloseAfterMs = 100;
  programSpec.windows.push_back(window);
  DWORD pid = world::StartProcess(programSpec);
  HWND found = FindWindowA(NULL, "Velmora");
  ASSERT_NE(found, (HWND)NULL);
  PostMessageA(found, WM_CLOSE, 0, 0);
  EXPECT_TRUE(world::ProcessRunning(pid));
  Sleep(250);
  EXPECT_FALSE(IsWindow(found));
  EXPECT_FALSE(world::ProcessRunning(pid));
}

}  // namespace
