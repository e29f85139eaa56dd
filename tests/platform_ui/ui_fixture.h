// A fresh world with the program's dialogs, a stall handler that collects what the program
// waited on, and a dialog procedure that records the commands it gets.
#ifndef VELMORA_TESTS_PLATFORM_UI_UI_FIXTURE_H
#define VELMORA_TESTS_PLATFORM_UI_UI_FIXTURE_H

#include <string>
#include <vector>

#include "platform/host/world.h"
#include "support/world_fixture.h"

// Every WM_COMMAND a RecordingProc dialog got, as "id/code".
extern std::vector<std::string> commands;
// When set, RecordingProc ends its dialog with the command's id on IDOK, IDCANCEL and this id.
extern int endOnCommand;
// When set, RecordingProc posts the quit message on IDOK and IDCANCEL.
extern bool quitOnOkOrCancel;

INT_PTR CALLBACK RecordingProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

class UiTest : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    commands.clear();
    endOnCommand = 0;
    quitOnOkOrCancel = false;
    world::SetStallHandler([this](const std::string& what) { stalls.push_back(what); });
  }
  // The transcript lines recorded since `from`.
  std::vector<std::string> LinesFrom(size_t from) const {
    const std::vector<std::string>& all = world::Transcript();
    return std::vector<std::string>(all.begin() + (long)from, all.end());
  }
  bool HasLine(const std::string& line) const {
    for (const std::string& l : world::Transcript())
      if (l == line) return true;
    return false;
  }
  // Runs the program's side of a message loop until the queue is empty, without waiting.
  void Pump(HWND dialog) {
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) break;
      if (!dialog || !IsDialogMessageA(dialog, &msg)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
    }
  }
  // The program's main loop: until the quit message, through IsDialogMessageA for `dialog`.
  // Returns the quit code, or -1 when the run stalled.
  int RunLoop(HWND dialog) {
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
      if (!IsDialogMessageA(dialog, &msg)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
    }
    return stalls.empty() ? (int)msg.wParam : -1;
  }
  HWND MainWindow() { return CreateDialogParamA(NULL, MAKEINTRESOURCEA(115), NULL, RecordingProc, 0); }
  std::vector<std::string> stalls;
};

#endif
