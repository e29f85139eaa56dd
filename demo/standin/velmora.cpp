// Stand-in for the Velmora editor, installed by the demo package.
// Every start appends its command line to "velmora-started.txt" in the temporary folder, so a
// test can see how the setup program started it. With the argument /stay it keeps a window
// titled "Velmora" open until the window gets WM_CLOSE (and notes that in the same file), so
// the setup program's running-instance guard has something to find and close. With /stubborn
// it notes WM_CLOSE and stays open, like a program with unsaved work; only ending the process
// removes it.
#include <windows.h>
#include <string.h>

static const char kRecordName[] = "velmora-started.txt";

// Appends `text` and CR LF to the record file; failures are ignored (nothing to report to).
static void AppendRecord(const char* text) {
  char path[MAX_PATH + 32];
  DWORD length = GetTempPathA(MAX_PATH, path);
  if (length == 0 || length >= MAX_PATH) return;
  lstrcatA(path, kRecordName);
  HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, text, (DWORD)lstrlenA(text), &written, NULL);
  WriteFile(file, "\r\n", 2, &written, NULL);
  CloseHandle(file);
}

static bool gStubborn = false;

// True when the command line holds `word` (such as "/stay", any letter case) as an argument.
static bool HasSwitch(const char* commandLine, const char* word) {
  int length = lstrlenA(word);
  const char* p = commandLine;
  while ((p = strchr(p, '/')) != NULL) {
    if (CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, p, length, word, length) ==
            CSTR_EQUAL &&
        (p[length] == 0 || p[length] == ' ' || p[length] == '"')) {
      return true;
    }
    ++p;
  }
  return false;
}

static LRESULT CALLBACK StandInWindowProc(HWND window, UINT message, WPARAM wParam,
                                          LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      AppendRecord(gStubborn ? "WM_CLOSE ignored" : "WM_CLOSE");
      if (!gStubborn) DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  const char* commandLine = GetCommandLineA();
  AppendRecord(commandLine);
  gStubborn = HasSwitch(commandLine, "/stubborn");
  if (!gStubborn && !HasSwitch(commandLine, "/stay")) return 0;

  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = StandInWindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursor(NULL, IDC_ARROW);
  windowClass.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
  windowClass.lpszClassName = "VelmoraStandIn";
  if (!RegisterClassA(&windowClass)) return 1;
  HWND window = CreateWindowA("VelmoraStandIn", "Velmora", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                              CW_USEDEFAULT, CW_USEDEFAULT, 320, 200, NULL, NULL, instance,
                              NULL);
  if (!window) return 1;
  AppendRecord("window open");

  MSG message;
  while (GetMessageA(&message, NULL, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}
