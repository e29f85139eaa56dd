// Finding the running programs whose image is a locked file, asking them to close, and the
// in-use dialog that lets the user show or end them.
#include "instances/guard.h"

#include <string.h>

#include "common/common.h"
#include "resources/resource.h"

enum { IN_USE_PAUSE_MS = 250, IN_USE_TICK_MS = 300, IN_USE_TIMER_ID = 1 };

// psapi's GetModuleFileNameExA, reached only through GetProcAddress.
typedef DWORD(WINAPI* ModuleFileNameFunction)(HANDLE process, HMODULE module, LPSTR fileName,
                                              DWORD size);
static ModuleFileNameFunction getModuleFileNameEx;
// A copy of the caller's path, so it stays valid after ResolveFileInUse returns.
static char inUseTarget[PATH_CAPACITY];
static DWORD foundProcess;
static DWORD lastProcessSeen;
// Pauses in a row, for the same file, after which no matching program was found.
static int unmatchedPauses;
static char unmatchedPath[PATH_CAPACITY];
static int retryLimitReached;

// psapi is taken from the system folder by its full path: setup usually runs from a
// downloads folder, where a planted psapi.dll would otherwise be loaded first.
static int LoadPsapi(void) {
  if (getModuleFileNameEx != NULL) return 1;
  char systemFolder[PATH_CAPACITY];
  UINT length = GetSystemDirectoryA(systemFolder, sizeof systemFolder);
  if (length == 0 || length >= sizeof systemFolder) return 0;
  char libraryPath[PATH_CAPACITY];
  if (!JoinPath(libraryPath, systemFolder, "psapi.dll")) return 0;
  HMODULE psapi = LoadLibraryA(libraryPath);
  if (psapi == NULL) return 0;
  getModuleFileNameEx =
      (ModuleFileNameFunction)(void*)GetProcAddress(psapi, "GetModuleFileNameExA");
  return getModuleFileNameEx != NULL;
}

static void ApplyAction(HWND window, DWORD processId, int action) {
  switch (action) {
    case IN_USE_POST_CANCEL:
      PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
      break;
    case IN_USE_POST_CLOSE:
      PostMessageA(window, WM_CLOSE, 0, 0);
      break;
    case IN_USE_TERMINATE: {
      HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, processId);
      if (process != NULL) {
        TerminateProcess(process, ERROR_CANCELLED);
        CloseHandle(process);
      }
      break;
    }
    case IN_USE_SHOW:
      if (IsWindowVisible(window)) {
        const UINT flags = SWP_ASYNCWINDOWPOS | SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE;
        SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, flags);
        SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, flags);
        ShowWindowAsync(window, SW_SHOWNORMAL);
      }
      break;
    default:
      break;
  }
}

// Examines one top-level window; always goes on with the enumeration.
static BOOL CALLBACK ExamineWindow(HWND window, LPARAM action) {
  DWORD processId = 0;
  if (GetWindowThreadProcessId(window, &processId) == 0 || processId == 0) return TRUE;
  // Windows of one process usually come together: look at each process once in a row.
  if (processId == lastProcessSeen) return TRUE;
  lastProcessSeen = processId;
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
  if (process == NULL) return TRUE;
  char image[PATH_CAPACITY];
  DWORD length = getModuleFileNameEx(process, NULL, image, PATH_CAPACITY);
  CloseHandle(process);
  if (length == 0) return TRUE;
  image[length < PATH_CAPACITY ? length : PATH_CAPACITY - 1] = '\0';
  if (lstrcmpiA(image, inUseTarget) != 0) return TRUE;
  foundProcess = processId;
  // Every further window of a matching process gets the action too.
  lastProcessSeen = 0;
  ApplyAction(window, processId, (int)action);
  return TRUE;
}

DWORD FindRunningInstance(int action) {
  foundProcess = 0;
  if (!LoadPsapi()) return 0;
  EnumWindows(ExamineWindow, (LPARAM)action);
  return foundProcess;
}

// Counts a pause that found no matching program while the caller's file stays locked.
// Returns 1 when the caller may try again, 0 when IN_USE_RETRY_LIMIT pauses in a row (about
// five seconds) have passed for the same file: the lock is held by something this guard
// cannot recognise or close (a program without a window, or no psapi), and retrying forever
// would hang setup. The callers then take their own error path with ERROR_SHARING_VIOLATION.
static int CountUnmatchedPause(const char* path) {
  if (lstrcmpiA(unmatchedPath, path) != 0) {
    unmatchedPauses = 0;
    size_t length = strlen(path);
    if (length > PATH_MAX_LENGTH) length = PATH_MAX_LENGTH;
    memcpy(unmatchedPath, path, length);
    unmatchedPath[length] = '\0';
  }
  if (++unmatchedPauses < IN_USE_RETRY_LIMIT) return 1;
  unmatchedPauses = 0;
  unmatchedPath[0] = '\0';
  retryLimitReached = 1;
  return 0;
}

// Makes path the file the searches look for; a longer path is cut to PATH_MAX_LENGTH.
static void SetInUseTarget(const char* path) {
  size_t length = strlen(path);
  if (length > PATH_MAX_LENGTH) length = PATH_MAX_LENGTH;
  memcpy(inUseTarget, path, length);
  inUseTarget[length] = '\0';
}

int IsRunningImage(const char* path) {
  SetInUseTarget(path);
  return FindRunningInstance(IN_USE_DETECT) != 0 ? 1 : 0;
}

int ResolveFileInUse(const char* path) {
  SetInUseTarget(path);
  retryLimitReached = 0;
  FindRunningInstance(IN_USE_POST_CANCEL);
  FindRunningInstance(IN_USE_POST_CLOSE);
  Sleep(IN_USE_PAUSE_MS);
  if (FindRunningInstance(IN_USE_DETECT) == 0) return CountUnmatchedPause(path);
  unmatchedPauses = 0;
  unmatchedPath[0] = '\0';
  INT_PTR answer = DialogBoxParamA(runState.instance, MAKEINTRESOURCE(IDD_IN_USE),
                                   runState.mainWindow, InUseDialogProc, 0);
  return answer == IDOK ? 1 : 0;
}

int InUseRetryLimitReached(void) { return retryLimitReached; }

void ResetInstanceGuard(void) {
  getModuleFileNameEx = NULL;
  inUseTarget[0] = '\0';
  foundProcess = 0;
  lastProcessSeen = 0;
  unmatchedPauses = 0;
  unmatchedPath[0] = '\0';
  retryLimitReached = 0;
}

INT_PTR CALLBACK InUseDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      char text[PATH_CAPACITY + 32];
      FormatText(text, sizeof text, "Error installing file '%s'", inUseTarget);
      SetDlgItemTextA(dialog, IDC_IN_USE_FILE, text);
      SetTimer(dialog, IN_USE_TIMER_ID, IN_USE_TICK_MS, NULL);
      break;
    }
    case WM_TIMER:
      if (wParam == IN_USE_TIMER_ID && FindRunningInstance(IN_USE_DETECT) == 0) {
        KillTimer(dialog, IN_USE_TIMER_ID);
        EndDialog(dialog, IDOK);
      }
      break;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_SHOW_WINDOW:
          FindRunningInstance(IN_USE_SHOW);
          break;
        case IDC_END_PROGRAM:
          if (ShowPrompt(MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2,
                         "This action will terminate Velmora without saving your work!  We "
                         "recommend to switch to Velmora, save your work, and quit Velmora "
                         "normally.\n\nAre you sure you want to terminate Velmora.exe?") == IDYES)
            FindRunningInstance(IN_USE_TERMINATE);
          break;
        case IDC_ABORT_INSTALL:
        case IDCANCEL:
          KillTimer(dialog, IN_USE_TIMER_ID);
          EndDialog(dialog, IDCANCEL);
          break;
        default:
          break;
      }
      break;
    default:
      break;
  }
  return FALSE;
}
