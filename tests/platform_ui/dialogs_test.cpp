// Dialogs built from the program's templates: what the transcript shows, the controls'
// notifications and states, modal loops, the keyboard, closing and destruction.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/win32.h"
#include "ui_fixture.h"

std::vector<std::string> commands;
int endOnCommand = 0;
bool quitOnOkOrCancel = false;

namespace {

std::vector<UINT> seenMessages;  // what RecordingProc got besides WM_COMMAND

}  // namespace

INT_PTR CALLBACK RecordingProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) {
    int id = LOWORD(wParam);
    commands.push_back(std::to_string(id) + "/" + std::to_string(HIWORD(wParam)));
    if (endOnCommand && (id == IDOK || id == IDCANCEL || id == endOnCommand)) EndDialog(dialog, id);
    if (quitOnOkOrCancel && (id == IDOK || id == IDCANCEL)) PostQuitMessage(id);
    return TRUE;
  }
  seenMessages.push_back(message);
  return FALSE;
}

namespace {

const std::string kCaption = "Velmora\xAE Setup";

class DialogTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    seenMessages.clear();
  }
};

TEST_F(DialogTest, ShowingADialogRecordsItsCaptionAndEveryNonEmptyControlText) {
  HWND main = MainWindow();
  ASSERT_NE(main, (HWND)NULL);
  EXPECT_TRUE(world::Transcript().empty()) << "115 is not visible when created";
  char caption[64];
  EXPECT_EQ(GetWindowTextA(main, caption, sizeof caption), (int)kCaption.size());
  EXPECT_EQ(std::string(caption), kCaption) << "UTF-16 (R) becomes the 1252 byte 0xAE";

  SetDlgItemTextA(main, 1000, "C:\\Program Files\\Velmora");
  ShowWindow(main, SW_SHOW);
  std::vector<std::string> expected = {
      "window 115 shown \"" + kCaption + "\"",
      "  115/1036 \"v 2.5.4.1\"",
      "  115/1033 \"&License Agreement\"",
      "  115/1025 \"I &accept the agreement\"",
      "  115/1026 \"I do &NOT accept the agreement\"",
      "  115/-1 \"Velmora Installation\"",
      "  115/-1 \"Install &Folder\"",
      "  115/1000 \"C:\\Program Files\\Velmora\"",
      "  115/1001 \"&Browse...\"",
      "  115/1002 \"&Create Shortcut to Desktop\"",
      "  115/1004 \"&Launch Velmora after install\"",
      "  115/1 \"&Install\"",
      "  115/2 \"Cancel\"",
  };
  EXPECT_EQ(world::Transcript(), expected);
}

TEST_F(DialogTest, TextChangesAreRecordedOnlyWhileTheWindowIsVisibleAndOnlyWhenTheyChange) {
  HWND main = MainWindow();
  SetDlgItemTextA(main, 1047, "hidden change");
  ShowWindow(main, SW_SHOW);
  size_t start = world::Transcript().size();
  SetDlgItemTextA(main, 1047, "/PathSaveAs D:\\Trees");
  SetDlgItemTextA(main, 1047, "/PathSaveAs D:\\Trees");
  ShowWindow(main, SW_HIDE);
  SetDlgItemTextA(main, 1047, "after hiding");
  DestroyWindow(main);
  EXPECT_EQ(LinesFrom(start), (std::vector<std::string>{"text 115/1047 \"/PathSaveAs D:\\Trees\"",
                                                         "window 115 closed"}));
}

TEST_F(DialogTest, AVisibleTemplateShowsAtCreationWithTheTextsSetDuringInitialisation) {
  HWND progress = CreateDialogParamA(NULL, MAKEINTRESOURCEA(103), NULL, RecordingProc, 0);
  ASSERT_NE(progress, (HWND)NULL);
  EXPECT_TRUE(IsWindowVisible(progress));
  SetDlgItemTextA(progress, 1003, "Installing Velmora.exe...");
  DestroyWindow(progress);
  EXPECT_EQ(world::Transcript(), (std::vector<std::string>{
                                     "window 103 shown \"" + kCaption + "\"",
                                     "  103/1003 \"Creating uninstall file...\"",
                                     "text 103/1003 \"Installing Velmora.exe...\"",
                                     "window 103 closed"}));
  EXPECT_FALSE(IsWindow(progress));
}

// How the program may set an edit's text, and whether the dialog hears EN_CHANGE.
struct TextSetting {
  const char* name;
  int control;
  void (*set)(HWND dialog, int control, const char* text);
  bool notifies;
};

const TextSetting kTextSettings[] = {
    {"SetDlgItemTextA on the folder box", 1000,
     [](HWND d, int c, const char* t) { SetDlgItemTextA(d, c, t); }, true},
    {"SetWindowTextA on the folder box", 1000,
     [](HWND d, int c, const char* t) { SetWindowTextA(GetDlgItem(d, c), t); }, true},
    {"WM_SETTEXT to the folder box", 1000,
     [](HWND d, int c, const char* t) { SendDlgItemMessageA(d, c, WM_SETTEXT, 0, (LPARAM)t); }, true},
    {"the same text again", 1000,
     [](HWND d, int c, const char* t) {
       SetDlgItemTextA(d, c, t);
       commands.clear();
       SetDlgItemTextA(d, c, t);
     },
     true},
    {"SetDlgItemTextA on the multi-line agreement", 1028,
     [](HWND d, int c, const char* t) { SetDlgItemTextA(d, c, t); }, false},
};

TEST_F(DialogTest, SettingAnEditsTextSendsEnChangeExceptForMultiLineEdits) {
  for (const TextSetting& setting : kTextSettings) {
    SCOPED_TRACE(setting.name);
    HWND main = MainWindow();
    commands.clear();
    setting.set(main, setting.control, "D:\\Apps");
    std::vector<std::string> expected;
    if (setting.notifies) expected.push_back(std::to_string(setting.control) + "/768");
    EXPECT_EQ(commands, expected);
    char text[32];
    EXPECT_EQ(GetDlgItemTextA(main, setting.control, text, sizeof text), 7u);
    EXPECT_STREQ(text, "D:\\Apps");
    DestroyWindow(main);
  }
}

TEST_F(DialogTest, AutoRadioButtonsClearTheOthersOfTheirGroupOnly) {
  HWND main = MainWindow();
  CheckDlgButton(main, 1002, BST_CHECKED);
  SendDlgItemMessageA(main, 1025, BM_CLICK, 0, 0);
  EXPECT_EQ(IsDlgButtonChecked(main, 1025), (UINT)BST_CHECKED);
  EXPECT_EQ(IsDlgButtonChecked(main, 1026), (UINT)BST_UNCHECKED);
  SendDlgItemMessageA(main, 1026, BM_CLICK, 0, 0);
  EXPECT_EQ(IsDlgButtonChecked(main, 1025), (UINT)BST_UNCHECKED);
  EXPECT_EQ(SendDlgItemMessageA(main, 1026, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(IsDlgButtonChecked(main, 1002), (UINT)BST_CHECKED) << "1002 is in the next group";
  EXPECT_EQ(commands, (std::vector<std::string>{"1025/0", "1026/0"}));

  // Setting a check by message touches that button only, as on Windows.
  CheckDlgButton(main, 1025, BST_CHECKED);
  EXPECT_EQ(IsDlgButtonChecked(main, 1026), (UINT)BST_CHECKED);
  CheckRadioButton(main, 1025, 1026, 1025);
  EXPECT_EQ(IsDlgButtonChecked(main, 1025), (UINT)BST_CHECKED);
  EXPECT_EQ(IsDlgButtonChecked(main, 1026), (UINT)BST_UNCHECKED);
}

TEST_F(DialogTest, AutoCheckBoxesToggleOnEachClickAndPushButtonsOnlyReport) {
  HWND main = MainWindow();
  SendDlgItemMessageA(main, 1004, BM_CLICK, 0, 0);
  EXPECT_EQ(IsDlgButtonChecked(main, 1004), (UINT)BST_CHECKED);
  SendDlgItemMessageA(main, 1004, BM_CLICK, 0, 0);
  EXPECT_EQ(IsDlgButtonChecked(main, 1004), (UINT)BST_UNCHECKED);
  SendDlgItemMessageA(main, 1001, BM_CLICK, 0, 0);
  EXPECT_EQ(IsDlgButtonChecked(main, 1001), 0u);
  CheckDlgButton(main, 1001, BST_CHECKED);
  EXPECT_EQ(IsDlgButtonChecked(main, 1001), 0u) << "a push button keeps no check";
  EXPECT_EQ(commands, (std::vector<std::string>{"1004/0", "1004/0", "1001/0"}));
}

TEST_F(DialogTest, ADisabledButtonShowsInItsStyleAndTheUserCannotClickIt) {
  HWND main = MainWindow();
  ShowWindow(main, SW_SHOW);
  HWND install = GetDlgItem(main, IDOK);
  EXPECT_FALSE(EnableWindow(install, FALSE)) << "it was enabled before";
  EXPECT_TRUE(EnableWindow(install, FALSE)) << "it was disabled before";
  EXPECT_FALSE(IsWindowEnabled(install));
  EXPECT_TRUE(GetWindowLongA(install, GWL_STYLE) & WS_DISABLED);
  world::Click(IDOK);
  MSG msg;
  EXPECT_FALSE(GetMessageA(&msg, NULL, 0, 0));
  EXPECT_TRUE(commands.empty());
  ASSERT_EQ(stalls.size(), 1u);
  EXPECT_NE(stalls[0].find("control 1 of window 115"), std::string::npos) << stalls[0];
  EXPECT_NE(stalls[0].find("is disabled"), std::string::npos) << stalls[0];
  EXPECT_TRUE(EnableWindow(install, TRUE));
  EXPECT_FALSE(GetWindowLongA(install, GWL_STYLE) & WS_DISABLED);
  EXPECT_EQ(GetWindowLongA(install, GWL_ID), IDOK);
}

TEST_F(DialogTest, TheUserCannotClickIntoAWindowThatIsDisabled) {
  HWND main = MainWindow();
  ShowWindow(main, SW_SHOW);
  EnableWindow(main, FALSE);
  world::Click(IDOK);
  MSG msg;
  EXPECT_FALSE(GetMessageA(&msg, NULL, 0, 0));
  ASSERT_EQ(stalls.size(), 1u);
  EXPECT_EQ(stalls[0], "next action clicks 1 but no window takes input (the program waits in window 115 \"" + kCaption + "\")");
}

// Keys the dialog manager handles, and the command each gives.
struct KeyCase {
  const char* name;
  int key;
  int focusControl;     // 0: no control has the focus
  int disabledControl;  // 0: none
  std::vector<std::string> commands;
};

TEST_F(DialogTest, IsDialogMessageTurnsEscAndEnterIntoCommands) {
  const KeyCase cases[] = {
      {"Esc is Cancel", VK_ESCAPE, 0, 0, {"2/0"}},
      {"Esc with Cancel disabled is still Cancel", VK_ESCAPE, 0, IDCANCEL, {"2/0"}},
      {"Enter presses the default button", VK_RETURN, 1028, 0, {"1/0"}},
      {"Enter presses a focused push button", VK_RETURN, 1001, 0, {"1001/0"}},
      {"Enter with the default button disabled does nothing", VK_RETURN, 1000, IDOK, {}},
  };
  for (const KeyCase& c : cases) {
    SCOPED_TRACE(c.name);
    HWND main = MainWindow();
    ShowWindow(main, SW_SHOW);
    if (c.disabledControl) EnableWindow(GetDlgItem(main, c.disabledControl), FALSE);
    HWND focus = c.focusControl ? GetDlgItem(main, c.focusControl) : main;
    if (c.focusControl) SetFocus(focus);
    commands.clear();
    PostMessageA(focus, WM_KEYDOWN, (WPARAM)c.key, 0);
    Pump(main);
    EXPECT_EQ(commands, c.commands);
    DestroyWindow(main);
  }
}

TEST_F(DialogTest, TheCloseBoxBecomesCancelUnlessCancelIsDisabled) {
  HWND main = MainWindow();
  SendMessageA(main, WM_CLOSE, 0, 0);
  Pump(main);
  EXPECT_EQ(commands, (std::vector<std::string>{"2/0"}));
  commands.clear();
  EnableWindow(GetDlgItem(main, IDCANCEL), FALSE);
  SendMessageA(main, WM_CLOSE, 0, 0);
  Pump(main);
  EXPECT_TRUE(commands.empty());
}

TEST_F(DialogTest, AModalDialogDisablesItsOwnerAndReturnsTheEndDialogResult) {
  HWND main = MainWindow();
  ShowWindow(main, SW_SHOW);
  world::Click(1045);
  endOnCommand = 1045;
  size_t start = world::Transcript().size();
  INT_PTR result = DialogBoxParamA(NULL, MAKEINTRESOURCEA(116), main, RecordingProc, 0);
  EXPECT_EQ(result, 1045);
  EXPECT_TRUE(stalls.empty()) << stalls[0];
  EXPECT_TRUE(IsWindowEnabled(main)) << "the owner is enabled again";
  std::vector<std::string> lines = LinesFrom(start);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], "window 116 shown \"Velmora\xAE Setup Error!\"");
  EXPECT_EQ(lines[lines.size() - 2], "user clicks 1045");
  EXPECT_EQ(lines.back(), "window 116 closed");
  EXPECT_EQ(FindWindowA(NULL, "Velmora\xAE Setup Error!"), (HWND)NULL) << "the dialog is gone";
}

INT_PTR CALLBACK OwnerCheckingProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    HWND owner = GetParent(dialog);
    commands.push_back(IsWindowEnabled(owner) ? "owner enabled" : "owner disabled");
    commands.push_back(GetActiveWindow() == dialog ? "active" : "not active yet");
    EndDialog(dialog, 7);
  }
  return FALSE;
}

TEST_F(DialogTest, EndDialogDuringInitialisationEndsTheModalDialogBeforeItIsShown) {
  HWND main = MainWindow();
  ShowWindow(main, SW_SHOW);
  size_t start = world::Transcript().size();
  EXPECT_EQ(DialogBoxParamA(NULL, MAKEINTRESOURCEA(116), main, OwnerCheckingProc, 0), 7);
  EXPECT_EQ(commands, (std::vector<std::string>{"owner disabled", "not active yet"}));
  EXPECT_TRUE(LinesFrom(start).empty());
  EXPECT_TRUE(IsWindowEnabled(main));
}

TEST_F(DialogTest, EndDialogHidesAModelessDialogWithoutDestroyingIt) {
  HWND main = MainWindow();
  ShowWindow(main, SW_SHOW);
  EXPECT_TRUE(EndDialog(main, 1));
  EXPECT_EQ(world::Transcript().back(), "window 115 closed");
  EXPECT_TRUE(IsWindow(main));
  EXPECT_FALSE(IsWindowVisible(main));
  EXPECT_FALSE(EndDialog((HWND)0x1234, 1));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_WINDOW_HANDLE);
}

TEST_F(DialogTest, DestroyingAWindowDestroysTheWindowsItOwnsAndItsControls) {
  HWND main = MainWindow();
  ShowWindow(main, SW_SHOW);
  HWND progress = CreateDialogParamA(NULL, MAKEINTRESOURCEA(103), main, RecordingProc, 0);
  HWND folder = GetDlgItem(main, 1000);
  EXPECT_EQ(GetParent(progress), main);
  EXPECT_EQ(GetParent(folder), main);
  EXPECT_EQ(GetDlgCtrlID(folder), 1000);
  EXPECT_EQ(GetActiveWindow(), progress);
  EXPECT_EQ(GetLastActivePopup(main), progress);
  seenMessages.clear();
  EXPECT_TRUE(DestroyWindow(main));
  EXPECT_FALSE(IsWindow(main));
  EXPECT_FALSE(IsWindow(progress));
  EXPECT_FALSE(IsWindow(folder));
  EXPECT_EQ(std::count(seenMessages.begin(), seenMessages.end(), (UINT)WM_DESTROY), 2);
  EXPECT_EQ(world::Transcript()[world::Transcript().size() - 2], "window 103 closed");
  EXPECT_EQ(world::Transcript().back(), "window 115 closed");
  EXPECT_EQ(GetActiveWindow(), (HWND)NULL);
  EXPECT_FALSE(DestroyWindow(main));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_WINDOW_HANDLE);
  EXPECT_EQ(GetDlgItem(main, 1000), (HWND)NULL);
  HWND again = MainWindow();
  EXPECT_NE(again, main) << "a handle is never given out twice";
}

TEST_F(DialogTest, AHiddenWindowIsNeverActiveSoPromptsFallBackToItsLastActivePopup) {
  HWND main = MainWindow();
  EXPECT_EQ(GetActiveWindow(), (HWND)NULL);
  EXPECT_EQ(GetLastActivePopup(main), main);
  ShowWindow(main, SW_SHOW);
  EXPECT_EQ(GetActiveWindow(), main);
  EXPECT_EQ(GetForegroundWindow(), main);
}

TEST_F(DialogTest, TextsAreCopiedWithinTheCallersBuffer) {
  HWND main = MainWindow();
  char text[5] = {'x', 'x', 'x', 'x', 'x'};
  EXPECT_EQ(GetWindowTextA(main, text, sizeof text), 4);
  EXPECT_STREQ(text, "Velm");
  EXPECT_EQ(GetWindowTextLengthA(main), (int)kCaption.size());
  char one[1] = {'x'};
  EXPECT_EQ(GetDlgItemTextA(main, 1001, one, 1), 0u);
  EXPECT_EQ(one[0], 0);
  char none[4] = "abc";
  EXPECT_EQ(GetDlgItemTextA(main, 4242, none, sizeof none), 0u) << "no such control";
  EXPECT_EQ(none[0], 0);
  EXPECT_FALSE(SetDlgItemTextA(main, 4242, "x"));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_CONTROL_ID_NOT_FOUND);
}

TEST_F(DialogTest, TheIconCursorAndSelectionAreKept) {
  HWND main = MainWindow();
  HICON icon = LoadIconA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(102));
  ASSERT_NE(icon, (HICON)NULL);
  EXPECT_EQ(LoadIconA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(102)), icon);
  EXPECT_EQ(SendMessageA(main, WM_SETICON, ICON_BIG, (LPARAM)icon), 0);
  EXPECT_EQ(SendMessageA(main, WM_SETICON, ICON_BIG, (LPARAM)icon), (LRESULT)icon);
  EXPECT_EQ(world::WindowIconId(main, true), 102);
  EXPECT_EQ(world::WindowIconId(main, false), 0);
  EXPECT_EQ(world::FindDialog(115), main);
  EXPECT_EQ(world::FindDialog(116), (HWND)NULL);
  EXPECT_EQ(world::CursorId(), 0);
  SetCursor(LoadCursorA(NULL, IDC_WAIT));
  EXPECT_EQ(world::CursorId(), 32514);
  EXPECT_EQ(LoadCursorA(NULL, MAKEINTRESOURCEA(4711)), (HCURSOR)NULL);
  EXPECT_EQ(LoadIconA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(4711)), (HICON)NULL);
  EXPECT_NE(LoadIconA(NULL, IDI_ERROR), (HICON)NULL);

  SetDlgItemTextA(main, 1028, "agreement text");
  SendDlgItemMessageA(main, 1028, EM_SETSEL, 0, 0);
  DWORD start = 99, end = 99;
  SendDlgItemMessageA(main, 1028, EM_GETSEL, (WPARAM)&start, (LPARAM)&end);
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, 0u);
  SendDlgItemMessageA(main, 1028, EM_SETSEL, 0, -1);
  SendDlgItemMessageA(main, 1028, EM_GETSEL, (WPARAM)&start, (LPARAM)&end);
  EXPECT_EQ(end, 14u) << "-1 selects to the end";
}

TEST_F(DialogTest, AMissingOrDamagedTemplateCreatesNoWindow) {
  EXPECT_EQ(CreateDialogParamA(NULL, MAKEINTRESOURCEA(999), NULL, RecordingProc, 0), (HWND)NULL);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_RESOURCE_NAME_NOT_FOUND);
  EXPECT_EQ(DialogBoxParamA(NULL, MAKEINTRESOURCEA(999), NULL, RecordingProc, 0), -1);
  EXPECT_TRUE(stalls.empty());
  EXPECT_TRUE(world::Transcript().empty());
}

}  // namespace

namespace {

// The window calls that can fail on Windows take part in the fault plan.
TEST_F(DialogTest, DialogsTimersAndMessageBoxesCanBeMadeToFail) {
  struct FailingCall {
    const char* function;
    bool (*fails)();
  };
  const FailingCall calls[] = {
      {"CreateDialogParamA", [] { return CreateDialogParamA(NULL, MAKEINTRESOURCEA(115), NULL, RecordingProc, 0) == NULL; }},
      {"DialogBoxParamA", [] { return DialogBoxParamA(NULL, MAKEINTRESOURCEA(116), NULL, RecordingProc, 0) == -1; }},
      {"SetTimer", [] { return SetTimer(NULL, 0, 100, NULL) == 0; }},
      {"MessageBoxA", [] { return MessageBoxA(NULL, "text", "caption", MB_OK) == 0; }},
  };
  for (const FailingCall& call : calls) {
    SCOPED_TRACE(call.function);
    world::ClearFaults();
    world::Fault fault;
    fault.function = call.function;
    fault.error = ERROR_NOT_ENOUGH_MEMORY;
    world::AddFault(fault);
    EXPECT_TRUE(call.fails());
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_NOT_ENOUGH_MEMORY);
  }
  world::ClearFaults();
  EXPECT_TRUE(stalls.empty()) << "a box that failed waited for no answer";
  EXPECT_TRUE(world::Transcript().empty());
}

}  // namespace
