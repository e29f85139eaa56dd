// The user script: actions played when the program waits, message boxes answered by their
// text, the folder picker, and the stalls that end a run which waits for nothing.
#include <gtest/gtest.h>

#include "platform/host/world_internal.h"
#include "platform/win32.h"
#include "ui_fixture.h"

namespace {

const std::string kCaption = "Velmora\xAE Setup";

class ScriptTest : public UiTest {};

TEST_F(ScriptTest, TypingAndClicksReachTheWindowThroughTheProgramsMessageLoop) {
  HWND main = MainWindow();
  ShowWindow(main, SW_SHOW);
  quitOnOkOrCancel = true;
  world::Type(1000, "D:\\Trees");
  world::Click(1025);
  world::Click(IDOK);
  size_t start = world::Transcript().size();
  EXPECT_EQ(RunLoop(main), IDOK);
  EXPECT_EQ(commands, (std::vector<std::string>{"1000/768", "1025/0", "1/0"}));
  EXPECT_EQ(LinesFrom(start), (std::vector<std::string>{"user types \"D:\\Trees\" into 1000",
                                                         "text 115/1000 \"D:\\Trees\"",
                                                         "user clicks 1025", "user clicks 1"}));
  EXPECT_EQ(IsDlgButtonChecked(main, 1025), (UINT)BST_CHECKED);
  EXPECT_EQ(world::PendingActions(), 0u);
}

TEST_F(ScriptTest, TypingIsCutToTheEditsLimitAndKeysGoToTheFocusedControl) {
  HWND main = MainWindow();
  ShowWindow(main, SW_SHOW);
  quitOnOkOrCancel = true;
  SendDlgItemMessageA(main, 1000, EM_LIMITTEXT, 4, 0);
  SetFocus(GetDlgItem(main, 1001));
  world::PressKey(VK_RETURN);  // presses the focused Browse button
  world::Type(1000, "D:\\Trees");  // the user is in the folder box now
  world::PressKey(VK_RETURN);  // the default button
  EXPECT_EQ(RunLoop(main), IDOK);
  char text[16];
  GetDlgItemTextA(main, 1000, text, sizeof text);
  EXPECT_STREQ(text, "D:\\T");
  EXPECT_EQ(GetFocus(), GetDlgItem(main, 1000));
  EXPECT_EQ(commands, (std::vector<std::string>{"1001/0", "1000/768", "1/0"}));
  EXPECT_TRUE(HasLine("user presses Enter"));
}

TEST_F(ScriptTest, TheCloseBoxReachesTheDialogAsCancel) {
  HWND main = MainWindow();
  ShowWindow(main, SW_SHOW);
  quitOnOkOrCancel = true;
  world::CloseWindow();
  EXPECT_EQ(RunLoop(main), IDCANCEL);
  EXPECT_EQ(commands, (std::vector<std::string>{"2/0"}));
  EXPECT_TRUE(HasLine("user closes window 115"));
}

// Script actions the program cannot take where it waits, and what the stall says.
struct StallCase {
  const char* name;
  void (*prepare)(HWND main);
  std::string says;
};

TEST_F(ScriptTest, AnActionThatCannotBePlayedStallsWithAMessageThatSaysWhy) {
  const std::string inMain = "window 115 \"" + kCaption + "\"";
  const StallCase cases[] = {
      {"nothing left", [](HWND) {},
       "the program waits for input in " + inMain + " but the script has nothing left"},
      {"disabled control",
       [](HWND m) {
         EnableWindow(GetDlgItem(m, IDOK), FALSE);
         world::Click(IDOK);
       },
       "next action clicks 1 but control 1 of " + inMain + " is disabled"},
      {"missing control", [](HWND) { world::Click(4242); }, "next action clicks 4242 but " + inMain + " has no control 4242"},
      {"typing into a button", [](HWND) { world::Type(1001, "x"); },
       "next action types \"x\" into 1001 but control 1001 of " + inMain + " is not an edit box"},
      {"typing into the read-only agreement", [](HWND) { world::Type(1028, "x"); },
       "next action types \"x\" into 1028 but edit 1028 of " + inMain + " is read-only"},
      {"an answer with no message box", [](HWND) { world::Answer("Complete", IDOK); },
       "next action answers \"Complete\" with IDOK but no message box is shown (the program waits in " + inMain + ")"},
      {"a folder with no picker", [](HWND) { world::PickFolder("D:\\Trees"); },
       "next action picks \"D:\\Trees\" but no folder picker is shown (the program waits in " + inMain + ")"},
      {"closing a window without a close box",
       [](HWND m) {
         CreateDialogParamA(NULL, MAKEINTRESOURCEA(103), m, RecordingProc, 0);
         world::CloseWindow();
       },
       "next action closes the window but window 103 \"" + kCaption + "\" has no close box"},
      {"a click with no window shown",
       [](HWND m) {
         ShowWindow(m, SW_HIDE);
         world::Click(IDOK);
       },
       "next action clicks 1 but no window takes input (the program waits with no window shown)"},
  };
  for (const StallCase& c : cases) {
    SCOPED_TRACE(c.name);
    world::Create(root_);
    ASSERT_TRUE(world::LoadResourceFile(VELMORA_DIALOGS_RES));
    stalls.clear();
    world::SetStallHandler([this](const std::string& what) { stalls.push_back(what); });
    HWND main = MainWindow();
    ShowWindow(main, SW_SHOW);
    c.prepare(main);
    size_t pending = world::PendingActions();
    MSG msg;
    EXPECT_EQ(GetMessageA(&msg, NULL, 0, 0), FALSE) << "a stalled wait ends the loop";
    EXPECT_EQ(GetMessageA(&msg, NULL, 0, 0), FALSE) << "and every wait after it";
    ASSERT_EQ(stalls.size(), 1u) << "the handler hears of it once";
    EXPECT_EQ(stalls[0], c.says);
    EXPECT_EQ(world::PendingActions(), pending) << "the action is not played";
  }
}

TEST(ScriptDeathTest, TheDefaultStallHandlerPrintsTheTranscriptAndEndsWithStatus86) {
  std::string root = ::testing::TempDir() + "velmora-stall-death-" + std::to_string(getpid());
  EXPECT_EXIT(
      {
        world::Create(root);
        world::LoadResourceFile(VELMORA_DIALOGS_RES);
        HWND main = CreateDialogParamA(NULL, MAKEINTRESOURCEA(115), NULL, RecordingProc, 0);
        ShowWindow(main, SW_SHOW);
        MSG msg;
        GetMessageA(&msg, NULL, 0, 0);
      },
      ::testing::ExitedWithCode(86), "script has nothing left.*window 115 shown \"Velmora\xC2\xAE Setup\"");
}

// ---- message boxes ----

struct BoxCase {
  const char* name;
  UINT type;
  void (*script)();
  int answer;        // 0: the box stalls
  std::string line;  // the transcript's last line, or the stall message
};

TEST_F(ScriptTest, AMessageBoxIsAnsweredByItsTextWithOneOfItsButtons) {
  const std::string text = "Error installing Velmora in folder 'C:\\X': Access Denied";
  const std::string box = "message box \"" + kCaption + "\" ";
  const BoxCase cases[] = {
      {"an answer", MB_ICONWARNING, [] { world::Answer("Access Denied", IDOK); }, IDOK,
       box + "0x30: \"" + text + "\" -> IDOK"},
      {"an empty text matches any box", MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2,
       [] { world::Answer("", IDYES); }, IDYES, box + "0x123: \"" + text + "\" -> IDYES"},
      {"Enter takes the default button", MB_YESNOCANCEL | MB_DEFBUTTON2,
       [] { world::PressKey(VK_RETURN); }, IDNO, box + "0x103: \"" + text + "\" -> IDNO"},
      {"Esc on an OK box is OK", MB_OK, [] { world::PressKey(VK_ESCAPE); }, IDOK,
       box + "0x0: \"" + text + "\" -> IDOK"},
      {"Esc on Yes/No does nothing", MB_YESNO,
       [] {
         world::PressKey(VK_ESCAPE);
         world::Answer("Access", IDNO);
       },
       IDNO, box + "0x4: \"" + text + "\" -> IDNO"},
      {"the close box is Cancel", MB_RETRYCANCEL, [] { world::CloseWindow(); }, IDCANCEL,
       box + "0x5: \"" + text + "\" -> IDCANCEL"},
      {"another text", MB_ICONWARNING, [] { world::Answer("Installation Complete", IDOK); }, 0,
       "next action answers \"Installation Complete\" but the message box says \"" + text + "\""},
      {"a button the box lacks", MB_ABORTRETRYIGNORE, [] { world::Answer("Access", IDOK); }, 0,
       "next action answers \"Access\" with IDOK but " + box + "0x2: \"" + text + "\" has no such button"},
      {"no close box on Yes/No", MB_YESNO, [] { world::CloseWindow(); }, 0,
       "next action closes the window but " + box + "0x4: \"" + text + "\" has no close box"},
      {"a click meant for a window", MB_OK, [] { world::Click(IDOK); }, 0,
       "next action clicks 1 but " + box + "0x0: \"" + text + "\" is waiting for an answer"},
      {"nothing left", MB_ICONWARNING, [] {}, 0, box + "0x30: \"" + text + "\" shown but the script has nothing left"},
  };
  for (const BoxCase& c : cases) {
    SCOPED_TRACE(c.name);
    world::Create(root_);
    ASSERT_TRUE(world::LoadResourceFile(VELMORA_DIALOGS_RES));
    stalls.clear();
    world::SetStallHandler([this](const std::string& what) { stalls.push_back(what); });
    HWND main = MainWindow();
    ShowWindow(main, SW_SHOW);
    c.script();
    EXPECT_EQ(MessageBoxA(main, text.c_str(), kCaption.c_str(), c.type), c.answer);
    EXPECT_TRUE(IsWindowEnabled(main)) << "the owner is enabled again";
    if (c.answer) {
      EXPECT_TRUE(stalls.empty());
      EXPECT_EQ(world::Transcript().back(), c.line);
    } else {
      ASSERT_EQ(stalls.size(), 1u);
      EXPECT_EQ(stalls[0], c.line);
      EXPECT_EQ(world::Transcript().back().find("message box"), std::string::npos) << "no answer, no line";
    }
  }
}

int ticks = 0;
bool ownerEnabledDuringBox = true;

void CALLBACK CountTick(HWND, UINT, UINT_PTR, DWORD) { ++ticks; }

TEST_F(ScriptTest, WhileAMessageBoxWaitsItsOwnerTakesNoInputButTimersRun) {
  HWND main = MainWindow();
  ShowWindow(main, SW_SHOW);
  ticks = 0;
  SetTimer(main, 1, 300, CountTick);
  world::internal::ScheduleAt(world::Now() + 10, [main] { ownerEnabledDuringBox = IsWindowEnabled(main); });
  world::Wait(1000);
  world::Answer("terminate", IDNO);
  EXPECT_EQ(MessageBoxA(main, "Are you sure you want to terminate Velmora.exe?", kCaption.c_str(),
                        MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2),
            IDNO);
  EXPECT_EQ(ticks, 3) << "at 300, 600 and 900 ms";
  EXPECT_FALSE(ownerEnabledDuringBox);
  EXPECT_TRUE(IsWindowEnabled(main));
  EXPECT_EQ(world::Now(), 1000u);
}

// ---- the folder picker ----

LPITEMIDLIST Browse(HWND owner, char* displayName) {
  BROWSEINFOA info = {};
  info.hwndOwner = owner;
  info.pszDisplayName = displayName;
  info.lpszTitle = "Please select the folder you want to install Velmora";
  info.ulFlags = BIF_NEWDIALOGSTYLE | BIF_EDITBOX;
  return SHBrowseForFolderA(&info);
}

TEST_F(ScriptTest, ThePickerReturnsTheScriptedFolderAVirtualFolderOrNothing) {
  HWND main = MainWindow();
  ShowWindow(main, SW_SHOW);
  const std::string picker = "picker \"Please select the folder you want to install Velmora\" -> ";
  char name[MAX_PATH] = "";
  char path[MAX_PATH] = "";

  world::PickFolder("D:\\Family Trees");
  LPITEMIDLIST chosen = Browse(main, name);
  ASSERT_NE(chosen, (LPITEMIDLIST)NULL);
  EXPECT_TRUE(SHGetPathFromIDListA(chosen, path));
  EXPECT_STREQ(path, "D:\\Family Trees");
  EXPECT_STREQ(name, "Family Trees");
  EXPECT_EQ(world::Transcript().back(), picker + "\"D:\\Family Trees\"");
  CoTaskMemFree(chosen);

  world::PickVirtualFolder();
  chosen = Browse(main, name);
  ASSERT_NE(chosen, (LPITEMIDLIST)NULL);
  EXPECT_FALSE(SHGetPathFromIDListA(chosen, path));
  EXPECT_EQ(world::Transcript().back(), picker + "virtual folder");
  CoTaskMemFree(chosen);

  world::CancelPicker();
  EXPECT_EQ(Browse(main, name), (LPITEMIDLIST)NULL);
  EXPECT_EQ(world::Transcript().back(), picker + "cancelled");

  world::PressKey(VK_ESCAPE);
  EXPECT_EQ(Browse(main, name), (LPITEMIDLIST)NULL);
  EXPECT_EQ(world::Transcript().back(), picker + "cancelled");
  EXPECT_TRUE(stalls.empty());
  EXPECT_TRUE(IsWindowEnabled(main));
}

TEST_F(ScriptTest, ThePickerStallsOnAnActionThatIsNotAChoiceOfFolder) {
  HWND main = MainWindow();
  ShowWindow(main, SW_SHOW);
  char name[MAX_PATH];
  world::Click(IDOK);
  EXPECT_EQ(Browse(main, name), (LPITEMIDLIST)NULL);
  ASSERT_EQ(stalls.size(), 1u);
  EXPECT_EQ(stalls[0],
            "next action clicks 1 but the folder picker \"Please select the folder you want to install Velmora\" is shown");
}

TEST_F(ScriptTest, ALongDisplayNameIsCutToTheDocumentedBuffer) {
  std::string longFolder = "D:\\" + std::string(300, 'a');
  world::PickFolder(longFolder);
  std::vector<char> name(MAX_PATH + 64, 'x');
  LPITEMIDLIST chosen = Browse(NULL, name.data());
  EXPECT_EQ(strlen(name.data()), (size_t)MAX_PATH - 1);
  EXPECT_EQ(name[MAX_PATH], 'x') << "nothing written past MAX_PATH bytes";
  if (chosen) CoTaskMemFree(chosen);
}

}  // namespace
