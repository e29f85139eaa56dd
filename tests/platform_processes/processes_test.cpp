// Other programs on the simulated machine: how their windows answer WM_CLOSE and IDCANCEL,
// the files they hold, their images, ending them, and starting one with WinExec.
#include <algorithm>
#include <string>
#include <vector>

#include "platform/host/world.h"
#include "support/world_fixture.h"

namespace {

const char kImage[] = "C:\\Program Files\\Velmora\\Velmora.exe";

struct WindowSearch {
  DWORD processId;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM data) {
  WindowSearch* search = (WindowSearch*)data;
  DWORD processId = 0;
  if (GetWindowThreadProcessId(window, &processId) != 0 && processId == search->processId)
    search->found.push_back(window);
  return TRUE;
}

// The top-level windows EnumWindows reports for a process.
std::vector<HWND> WindowsOf(DWORD processId) {
  WindowSearch search = {processId, {}};
  EnumWindows(CollectWindow, (LPARAM)&search);
  return search.found;
}

bool TranscriptHas(const std::string& line) {
  const std::vector<std::string>& transcript = world::Transcript();
  return std::find(transcript.begin(), transcript.end(), line) != transcript.end();
}

std::string EndsLine(DWORD processId, const std::string& image) {
  return "process " + std::to_string(processId) + " \"" + image + "\" ends";
}

world::ProcessSpec OneWindow(int closeDelay, int cancelDelay) {
  world::ProcessSpec programSpec;
  programSpec.image = kImage;
  world::ProcessWindow window;
  window.title = "Velmora - family.vlm";
  window.closesOnCloseAfterMs = closeDelay;
  window.closesOnCancelAfterMs = cancelDelay;
  programSpec.windows.push_back(window);
  return programSpec;
}

class ProcessesTest : public WorldTest {};

// ---- windows and how they close --------------------------------------------------------------

struct CloseCase {
  const char* name;
  int closeDelay;
  int cancelDelay;
  UINT message;
  WPARAM wParam;
  DWORD stillRunningAt;   // ms after the message; 0 = not checked
  DWORD goneAt;           // ms after the message; 0 = never goes
};

const CloseCase kCloseCases[] = {
    {"closes on WM_CLOSE after its delay", 200, -1, WM_CLOSE, 0, 150, 250},
    {"closes on WM_CLOSE at once", 0, -1, WM_CLOSE, 0, 0, 1},
    {"ignores WM_CLOSE", -1, -1, WM_CLOSE, 0, 0, 0},
    {"closes on IDCANCEL", -1, 100, WM_COMMAND, IDCANCEL, 50, 150},
    {"ignores IDCANCEL", 0, -1, WM_COMMAND, IDCANCEL, 0, 0},
    {"ignores other commands", 0, 0, WM_COMMAND, IDOK, 0, 0},
};

TEST_F(ProcessesTest, WindowAnswersMessagesOnTheClock) {
  for (const CloseCase& test : kCloseCases) {
    SCOPED_TRACE(test.name);
    world::ClearTranscript();
    DWORD pid = world::StartProcess(OneWindow(test.closeDelay, test.cancelDelay));
    std::vector<HWND> windows = WindowsOf(pid);
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_TRUE(PostMessageA(windows[0], test.message, test.wParam, 0));
    DWORD start = world::Now();
    if (test.stillRunningAt != 0) {
      Sleep(test.stillRunningAt);
      EXPECT_TRUE(world::ProcessRunning(pid));
      EXPECT_EQ(WindowsOf(pid).size(), 1u);
    }
    if (test.goneAt != 0) {
      Sleep(start + test.goneAt - world::Now());
      EXPECT_FALSE(world::ProcessRunning(pid));
      EXPECT_TRUE(WindowsOf(pid).empty());
      EXPECT_FALSE(IsWindow(windows[0]));
      EXPECT_TRUE(TranscriptHas(EndsLine(pid, kImage)));
    } else {
      Sleep(60000);
      EXPECT_TRUE(world::ProcessRunning(pid));
      EXPECT_EQ(WindowsOf(pid).size(), 1u);
      EXPECT_FALSE(TranscriptHas(EndsLine(pid, kImage)));
    }
  }
}

TEST_F(ProcessesTest, ProcessEndsWithItsLastWindowOnly) {
  world::ProcessSpec programSpec = OneWindow(0, -1);
  world::ProcessWindow hidden;
  hidden.title = "";
  hidden.visible = false;
  hidden.closesOnCloseAfterMs = 300;
  programSpec.windows.push_back(hidden);
  DWORD pid = world::StartProcess(programSpec);
  std::vector<HWND> windows = WindowsOf(pid);
  ASSERT_EQ(windows.size(), 2u);
  int visible = 0;
  for (HWND window : windows) visible += IsWindowVisible(window) ? 1 : 0;
  EXPECT_EQ(visible, 1);

  for (HWND window : windows) PostMessageA(window, WM_CLOSE, 0, 0);
  Sleep(100);
  EXPECT_TRUE(world::ProcessRunning(pid));
  EXPECT_EQ(WindowsOf(pid).size(), 1u);
  Sleep(250);
  EXPECT_FALSE(world::ProcessRunning(pid));
  EXPECT_EQ(std::count(world::Transcript().begin(), world::Transcript().end(), EndsLine(pid, kImage)), 1);
}

TEST_F(ProcessesTest, RunningProcessesListsOnlyTheLiving) {
  DWORD first = world::StartProcess(OneWindow(0, -1));
  DWORD second = world::StartProcess(OneWindow(-1, -1));
  EXPECT_NE(first, second);
  EXPECT_NE(first, 0u);
  std::vector<DWORD> running = world::RunningProcesses();
  EXPECT_EQ(running, (std::vector<DWORD>{first, second}));
  PostMessageA(WindowsOf(first)[0], WM_CLOSE, 0, 0);
  Sleep(10);
  EXPECT_EQ(world::RunningProcesses(), (std::vector<DWORD>{second}));
}

// ---- held files -------------------------------------------------------------------------------

TEST_F(ProcessesTest, HeldFileRefusesWritesAndDeletesUntilTheProcessEnds) {
  const char document[] = "C:\\Program Files\\Velmora\\family.vlm";
  world::PutFile(document, "old document");
  world::PutFile("C:\\Program Files\\Velmora\\Readme.txt", "free");
  world::ProcessSpec programSpec = OneWindow(50, -1);
  programSpec.heldFiles.push_back(document);
  DWORD pid = world::StartProcess(programSpec);

  const char* spellings[] = {document, "c:\\program files\\VELMORA\\family.VLM",
                             "C:\\Program Files\\Velmora\\.\\Sub\\..\\family.vlm"};
  for (const char* path : spellings) {
    SCOPED_TRACE(path);
    SetLastError(0);
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    EXPECT_EQ(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_SHARING_VIOLATION);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    SetLastError(0);
    EXPECT_FALSE(DeleteFileA(path));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_SHARING_VIOLATION);
  }
  EXPECT_EQ(world::FileBytes(document), "old document");
  // A file the program does not hold is not affected.
  EXPECT_TRUE(DeleteFileA("C:\\Program Files\\Velmora\\Readme.txt"));

  PostMessageA(WindowsOf(pid)[0], WM_CLOSE, 0, 0);
  Sleep(60);
  ASSERT_FALSE(world::ProcessRunning(pid));
  HANDLE file = CreateFileA(document, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(file, "new", 3, &written, NULL));
  EXPECT_TRUE(CloseHandle(file));
  EXPECT_EQ(world::FileBytes(document), "new");
  EXPECT_TRUE(DeleteFileA(document));
}

// ---- a running program's image ----------------------------------------------------------------

// What Windows allows on the image of a running program, which it maps rather than holds
// open: reading and attribute changes work; opening to write or delete is a sharing
// violation; deleting it is access denied (not a sharing violation, which callers that only
// look for 32 miss).
struct ImageOpenCase {
  const char* name;
  DWORD access;
  DWORD share;
  DWORD disposition;
  DWORD error;  // 0: opens
};

const ImageOpenCase kImageOpenCases[] = {
    {"read, sharing read", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0},
    {"read, sharing all", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING, 0},
    {"write, existing", GENERIC_WRITE, 0, OPEN_EXISTING, ERROR_SHARING_VIOLATION},
    {"write, sharing all", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING,
     ERROR_SHARING_VIOLATION},
    {"overwrite", GENERIC_WRITE, 0, CREATE_ALWAYS, ERROR_SHARING_VIOLATION},
    {"read and write", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS, ERROR_SHARING_VIOLATION},
    {"delete access", 0x00010000 /* DELETE */, FILE_SHARE_READ | FILE_SHARE_DELETE, OPEN_EXISTING,
     ERROR_SHARING_VIOLATION},
};

TEST_F(ProcessesTest, RunningImageCanBeReadButNotWrittenOrDeleted) {
  world::PutFile(kImage, "old program", FILE_ATTRIBUTE_READONLY);
  const char otherCopy[] = "D:\\Backup\\Velmora.exe";  // same name, another folder
  world::PutFile(otherCopy, "copy");
  DWORD pid = world::StartProcess(OneWindow(50, -1));  // holds no file open

  const char* spellings[] = {kImage, "c:\\program files\\VELMORA\\velmora.EXE",
                             "C:\\Program Files\\Velmora\\.\\Sub\\..\\Velmora.exe"};
  for (const char* path : spellings) {
    SCOPED_TRACE(path);
    // Installed files are read-only: setup clears that first, which Windows allows.
    EXPECT_TRUE(SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL));
    SetLastError(0);
    EXPECT_FALSE(DeleteFileA(path));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
    for (const ImageOpenCase& test : kImageOpenCases) {
      SCOPED_TRACE(test.name);
      SetLastError(0);
      HANDLE file = CreateFileA(path, test.access, test.share, NULL, test.disposition, FILE_ATTRIBUTE_NORMAL, NULL);
      if (test.error != 0) {
        EXPECT_EQ(file, INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), test.error);
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
        continue;
      }
      ASSERT_NE(file, INVALID_HANDLE_VALUE);
      char bytes[32] = "";
      DWORD read = 0;
      EXPECT_TRUE(ReadFile(file, bytes, sizeof bytes, &read, NULL));
      EXPECT_EQ(std::string(bytes, read), "old program");
      EXPECT_TRUE(CloseHandle(file));
    }
  }
  EXPECT_EQ(world::FileBytes(kImage), "old program");
  // Only the image itself is protected: a copy elsewhere goes.
  EXPECT_TRUE(DeleteFileA(otherCopy));

  PostMessageA(WindowsOf(pid)[0], WM_CLOSE, 0, 0);
  Sleep(60);
  ASSERT_FALSE(world::ProcessRunning(pid));
  HANDLE file = CreateFileA(kImage, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(file, "new", 3, &written, NULL));
  EXPECT_TRUE(CloseHandle(file));
  EXPECT_EQ(world::FileBytes(kImage), "new");
  EXPECT_TRUE(DeleteFileA(kImage));
  EXPECT_FALSE(world::FileExists(kImage));
}

TEST_F(ProcessesTest, ProgramWithoutWindowsHoldsItsFileUntilTerminated) {
  world::PutFile("D:\\Tools\\helper.dll", "dll");
  world::ProcessSpec programSpec;
  programSpec.image = "D:\\Tools\\helper.exe";
  programSpec.heldFiles.push_back("D:\\Tools\\helper.dll");
  DWORD pid = world::StartProcess(programSpec);
  Sleep(60000);
  EXPECT_TRUE(world::ProcessRunning(pid));
  EXPECT_FALSE(DeleteFileA("D:\\Tools\\helper.dll"));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_SHARING_VIOLATION);

  HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, pid);
  ASSERT_NE(process, (HANDLE)NULL);
  EXPECT_TRUE(TerminateProcess(process, 1223));
  EXPECT_TRUE(CloseHandle(process));
  EXPECT_TRUE(DeleteFileA("D:\\Tools\\helper.dll"));
  EXPECT_FALSE(world::FileExists("D:\\Tools\\helper.dll"));
}

// ---- OpenProcess, TerminateProcess, GetExitCodeProcess, CloseHandle -------------------------

TEST_F(ProcessesTest, TerminateEndsATerminableProgram) {
  DWORD pid = world::StartProcess(OneWindow(-1, -1));
  HANDLE process = OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION, FALSE, pid);
  ASSERT_NE(process, (HANDLE)NULL);
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeProcess(process, &code));
  EXPECT_EQ(code, (DWORD)STILL_ACTIVE);

  EXPECT_TRUE(TerminateProcess(process, 1223));
  EXPECT_FALSE(world::ProcessRunning(pid));
  EXPECT_TRUE(WindowsOf(pid).empty());
  EXPECT_TRUE(TranscriptHas(EndsLine(pid, kImage)));
  EXPECT_TRUE(GetExitCodeProcess(process, &code));
  EXPECT_EQ(code, 1223u);
  // A second attempt on the ended program is refused, as on Windows.
  SetLastError(0);
  EXPECT_FALSE(TerminateProcess(process, 1));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
  EXPECT_TRUE(CloseHandle(process));
  // It cannot be opened again.
  SetLastError(0);
  EXPECT_EQ(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid), (HANDLE)NULL);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
}

struct RefusedCase {
  const char* name;
  bool terminable;
  DWORD access;
};

const RefusedCase kRefusedCases[] = {
    {"program that may not be ended", false, PROCESS_TERMINATE},
    {"handle without PROCESS_TERMINATE", true, PROCESS_QUERY_INFORMATION | PROCESS_VM_READ},
};

TEST_F(ProcessesTest, TerminateIsRefused) {
  for (const RefusedCase& test : kRefusedCases) {
    SCOPED_TRACE(test.name);
    world::ClearTranscript();
    world::ProcessSpec programSpec = OneWindow(-1, -1);
    programSpec.terminable = test.terminable;
    DWORD pid = world::StartProcess(programSpec);
    HANDLE process = OpenProcess(test.access, FALSE, pid);
    ASSERT_NE(process, (HANDLE)NULL);
    SetLastError(0);
    EXPECT_FALSE(TerminateProcess(process, 1223));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
    EXPECT_TRUE(world::ProcessRunning(pid));
    EXPECT_EQ(WindowsOf(pid).size(), 1u);
    EXPECT_TRUE(world::Transcript().empty());
    EXPECT_TRUE(CloseHandle(process));
  }
}

TEST_F(ProcessesTest, OpenProcessOfUnknownIdFails) {
  const DWORD ids[] = {0, 12345, 2001};
  for (DWORD id : ids) {
    SCOPED_TRACE(id);
    SetLastError(0);
    EXPECT_EQ(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id), (HANDLE)NULL);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
  }
}

TEST_F(ProcessesTest, ProcessHandleClosesOnce) {
  DWORD pid = world::StartProcess(OneWindow(0, -1));
  HANDLE first = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid);
  HANDLE second = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid);
  ASSERT_NE(first, (HANDLE)NULL);
  ASSERT_NE(second, (HANDLE)NULL);
  EXPECT_NE(first, second);
  EXPECT_TRUE(CloseHandle(first));
  SetLastError(0);
  EXPECT_FALSE(CloseHandle(first));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
  DWORD code = 0;
  EXPECT_FALSE(GetExitCodeProcess(first, &code));
  EXPECT_TRUE(GetExitCodeProcess(second, &code));
  EXPECT_EQ(code, (DWORD)STILL_ACTIVE);
  EXPECT_TRUE(CloseHandle(second));
}

TEST_F(ProcessesTest, OpenProcessFaultFromThePlan) {
  DWORD pid = world::StartProcess(OneWindow(0, -1));
  world::Fault fault;
  fault.function = "OpenProcess";
  fault.error = ERROR_ACCESS_DENIED;
  world::AddFault(fault);
  SetLastError(0);
  EXPECT_EQ(OpenProcess(PROCESS_TERMINATE, FALSE, pid), (HANDLE)NULL);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
  HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, pid);  // the fault fired once
  EXPECT_NE(process, (HANDLE)NULL);
  CloseHandle(process);
}

// ---- WinExec ----------------------------------------------------------------------------------

struct WinExecCase {
  const char* name;
  const char* commandLine;
  UINT error;            // 0: started
  const char* image;     // what the started program runs
};

const WinExecCase kWinExecCases[] = {
    {"quoted path with an argument", "\"C:\\Program Files\\Velmora\\Velmora.exe\" /install", 0,
     "C:\\Program Files\\Velmora\\Velmora.exe"},
    {"quoted path alone", "\"C:\\Program Files\\Velmora\\Velmora.exe\"", 0,
     "C:\\Program Files\\Velmora\\Velmora.exe"},
    {"unquoted path without blanks", "D:\\Apps\\tool.exe -q", 0, "D:\\Apps\\tool.exe"},
    {"unquoted path with blanks, tried at each blank", "C:\\Program Files\\Velmora\\Velmora.exe /install",
     0, "C:\\Program Files\\Velmora\\Velmora.exe"},
    {"extension implied", "D:\\Apps\\tool -q", 0, "D:\\Apps\\tool.exe"},
    {"missing file", "\"C:\\Program Files\\Velmora\\Missing.exe\" /install", ERROR_FILE_NOT_FOUND, ""},
    {"missing folder", "\"C:\\Nowhere\\Velmora.exe\"", ERROR_PATH_NOT_FOUND, ""},
    {"empty command line", "", ERROR_FILE_NOT_FOUND, ""},
};

typedef DWORD(WINAPI* ImageNameFunction)(HANDLE, HMODULE, LPSTR, DWORD);

TEST_F(ProcessesTest, WinExecStartsTheProgramTheCommandLineNames) {
  world::PutFile("C:\\Program Files\\Velmora\\Velmora.exe", "MZ");
  world::PutFile("D:\\Apps\\tool.exe", "MZ");
  HMODULE psapi = LoadLibraryA("C:\\Windows\\System32\\psapi.dll");
  ASSERT_NE(psapi, (HMODULE)NULL);
  ImageNameFunction imageName = (ImageNameFunction)GetProcAddress(psapi, "GetModuleFileNameExA");
  ASSERT_NE(imageName, (ImageNameFunction)NULL);

  for (const WinExecCase& test : kWinExecCases) {
    SCOPED_TRACE(test.name);
    world::ClearTranscript();
    std::vector<DWORD> before = world::RunningProcesses();
    std::vector<std::string> startedBefore = world::StartedCommands();
    UINT result = WinExec(test.commandLine, SW_SHOWNORMAL);
    std::vector<DWORD> after = world::RunningProcesses();
    if (test.error != 0) {
      EXPECT_EQ(result, test.error);
      EXPECT_EQ(after, before);
      EXPECT_EQ(world::StartedCommands(), startedBefore);
      EXPECT_TRUE(world::Transcript().empty());
      continue;
    }
    EXPECT_GT(result, 31u);
    ASSERT_EQ(after.size(), before.size() + 1);
    EXPECT_EQ(world::StartedCommands().back(), test.commandLine);
    EXPECT_EQ(world::Transcript(), (std::vector<std::string>{std::string("started \"") + test.commandLine + "\""}));
    DWORD pid = after.back();
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    char image[MAX_PATH] = "";
    EXPECT_EQ(imageName(process, NULL, image, sizeof image), strlen(test.image));
    EXPECT_STREQ(image, test.image);
    CloseHandle(process);
    // The started program has a window and closes when asked.
    std::vector<HWND> windows = WindowsOf(pid);
    ASSERT_EQ(windows.size(), 1u);
    PostMessageA(windows[0], WM_CLOSE, 0, 0);
    Sleep(10);
    EXPECT_FALSE(world::ProcessRunning(pid));
  }
}

// Why the program quotes what it starts: an unquoted path with blanks runs a planted
// C:\Program.exe, exactly as Windows would.
TEST_F(ProcessesTest, WinExecOfUnquotedPathPrefersAnEarlierFile) {
  world::PutFile("C:\\Program Files\\Velmora\\Velmora.exe", "MZ");
  world::PutFile("C:\\Program.exe", "MZ planted");
  ASSERT_GT(WinExec("C:\\Program Files\\Velmora\\Velmora.exe /install", SW_SHOWNORMAL), 31u);
  ASSERT_GT(WinExec("\"C:\\Program Files\\Velmora\\Velmora.exe\" /install", SW_SHOWNORMAL), 31u);
  HMODULE psapi = LoadLibraryA("C:\\Windows\\System32\\psapi.dll");
  ImageNameFunction imageName = (ImageNameFunction)GetProcAddress(psapi, "GetModuleFileNameExA");
  ASSERT_NE(imageName, (ImageNameFunction)NULL);
  std::vector<std::string> images;
  for (DWORD pid : world::RunningProcesses()) {
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    char image[MAX_PATH] = "";
    imageName(process, NULL, image, sizeof image);
    images.push_back(image);
    CloseHandle(process);
  }
  EXPECT_EQ(images, (std::vector<std::string>{"C:\\Program.exe", "C:\\Program Files\\Velmora\\Velmora.exe"}));
}

TEST_F(ProcessesTest, WinExecShowsTheWindowAsAsked) {
  world::PutFile("D:\\Apps\\tool.exe", "MZ");
  const UINT shows[] = {SW_SHOWNORMAL, SW_HIDE};
  for (UINT show : shows) {
    SCOPED_TRACE(show);
    ASSERT_GT(WinExec("D:\\Apps\\tool.exe", show), 31u);
    std::vector<HWND> windows = WindowsOf(world::RunningProcesses().back());
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_EQ(IsWindowVisible(windows[0]) != FALSE, show != SW_HIDE);
  }
}

TEST_F(ProcessesTest, WinExecFaultStartsNothing) {
  world::PutFile("C:\\Program Files\\Velmora\\Velmora.exe", "MZ");
  world::Fault fault;
  fault.function = "WinExec";
  fault.error = ERROR_FILE_NOT_FOUND;
  world::AddFault(fault);
  EXPECT_EQ(WinExec("\"C:\\Program Files\\Velmora\\Velmora.exe\"", SW_SHOWNORMAL), (UINT)ERROR_FILE_NOT_FOUND);
  EXPECT_TRUE(world::RunningProcesses().empty());
  EXPECT_TRUE(world::StartedCommands().empty());
}

// A new world forgets the programs of the last one, and their pending closes do nothing.
TEST_F(ProcessesTest, CreateForgetsEarlierPrograms) {
  world::ProcessSpec programSpec = OneWindow(500, -1);
  programSpec.heldFiles.push_back("C:\\held.txt");
  DWORD pid = world::StartProcess(programSpec);
  PostMessageA(WindowsOf(pid)[0], WM_CLOSE, 0, 0);
  world::Create(root_);
  EXPECT_TRUE(world::RunningProcesses().empty());
  EXPECT_TRUE(world::StartedCommands().empty());
  world::PutFile("C:\\held.txt", "x");
  EXPECT_TRUE(DeleteFileA("C:\\held.txt"));
  DWORD again = world::StartProcess(OneWindow(-1, -1));
  Sleep(1000);
  EXPECT_TRUE(world::ProcessRunning(again));
  EXPECT_TRUE(world::Transcript().empty());
}

}  // namespace
