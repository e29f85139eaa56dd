// The message queue: order, filters, the quit message, and messages for windows that went away.
#include <gtest/gtest.h>

#include "platform/win32.h"
#include "ui_fixture.h"

namespace {

class MessageQueueTest : public UiTest {};

TEST_F(MessageQueueTest, PostedMessagesComeInOrderAndTheQuitMessageAfterThem) {
  HWND main = MainWindow();
  PostMessageA(main, WM_USER + 1, 1, 0);
  PostQuitMessage(1223);
  PostMessageA(NULL, WM_USER + 2, 2, 0);
  MSG msg;
  ASSERT_TRUE(GetMessageA(&msg, NULL, 0, 0));
  EXPECT_EQ(msg.message, (UINT)(WM_USER + 1));
  EXPECT_EQ(msg.hwnd, main);
  ASSERT_TRUE(GetMessageA(&msg, NULL, 0, 0));
  EXPECT_EQ(msg.message, (UINT)(WM_USER + 2));
  EXPECT_EQ(msg.hwnd, (HWND)NULL);
  EXPECT_EQ(GetMessageA(&msg, NULL, 0, 0), FALSE);
  EXPECT_EQ(msg.message, (UINT)WM_QUIT);
  EXPECT_EQ(msg.wParam, (WPARAM)1223);
  EXPECT_TRUE(stalls.empty());
}

TEST_F(MessageQueueTest, FiltersTakeOnlyTheirWindowOrRangeAndLeaveTheRest) {
  HWND main = MainWindow();
  HWND progress = CreateDialogParamA(NULL, MAKEINTRESOURCEA(103), main, RecordingProc, 0);
  PostMessageA(progress, WM_USER + 1, 0, 0);
  PostMessageA(NULL, WM_USER + 2, 0, 0);
  PostMessageA(GetDlgItem(main, 1000), WM_USER + 3, 0, 0);
  PostMessageA(main, WM_TIMER + 0x100, 0, 0);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, main, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(msg.message, (UINT)(WM_USER + 3)) << "a control's message is its dialog's";
  ASSERT_TRUE(PeekMessageA(&msg, (HWND)(LONG_PTR)-1, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, (UINT)(WM_USER + 2)) << "-1: messages for no window only";
  ASSERT_TRUE(PeekMessageA(&msg, NULL, WM_TIMER + 0x100, WM_TIMER + 0x100, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, main);
  ASSERT_TRUE(GetMessageA(&msg, NULL, 0, 0));
  EXPECT_EQ(msg.message, (UINT)(WM_USER + 1));
  ASSERT_TRUE(GetMessageA(&msg, NULL, 0, 0));
  EXPECT_EQ(msg.message, (UINT)(WM_USER + 3)) << "PM_NOREMOVE left it queued";
  EXPECT_FALSE(PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE));
}

TEST_F(MessageQueueTest, MessagesForADestroyedWindowAreDropped) {
  HWND main = MainWindow();
  PostMessageA(main, WM_COMMAND, IDOK, 0);
  DestroyWindow(main);
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE));
  EXPECT_EQ(SendMessageA(main, WM_COMMAND, IDOK, 0), 0);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_WINDOW_HANDLE);
  EXPECT_FALSE(PostMessageA(main, WM_COMMAND, IDOK, 0));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_WINDOW_HANDLE);
  msg.hwnd = main;
  msg.message = WM_COMMAND;
  msg.wParam = IDOK;
  msg.lParam = 0;
  EXPECT_EQ(DispatchMessageA(&msg), 0);
  EXPECT_TRUE(commands.empty());
}

TEST_F(MessageQueueTest, BadArgumentsGetMinusOneOrFalseWithoutWaiting) {
  EXPECT_EQ(GetMessageA(NULL, NULL, 0, 0), -1);
  MSG msg;
  EXPECT_EQ(GetMessageA(&msg, (HWND)0x4444, 0, 0), -1);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_WINDOW_HANDLE);
  EXPECT_EQ(DispatchMessageA(NULL), 0);
  EXPECT_FALSE(IsDialogMessageA(NULL, &msg));
  EXPECT_TRUE(stalls.empty());
}

TEST_F(MessageQueueTest, SendingRunsTheDialogProcedureAtOnceAndItsDefaultHandlingAfter) {
  HWND main = MainWindow();
  EXPECT_EQ(SendMessageA(main, WM_COMMAND, MAKEWPARAM(1001, BN_CLICKED), 0), 0);
  EXPECT_EQ(commands, (std::vector<std::string>{"1001/0"}));
  LRESULT defId = SendMessageA(main, DM_GETDEFID, 0, 0);
  EXPECT_EQ(LOWORD(defId), IDOK);
  EXPECT_EQ(HIWORD(defId), 0x534B) << "DC_HASDEFID";
  EXPECT_TRUE(SendMessageA(main, WM_SETTEXT, 0, (LPARAM) "Other caption"));
  char caption[32];
  GetWindowTextA(main, caption, sizeof caption);
  EXPECT_STREQ(caption, "Other caption");
}

}  // namespace
