// The program's entry: options, COM, the initial folder, the main window and its loop.
#include "common/common.h"
#include "resources/resource.h"
#include "setup/main_window.h"
#include "setup/options.h"

typedef BOOL(WINAPI* SetDefaultDllDirectoriesFunction)(DWORD directoryFlags);
// LOAD_LIBRARY_SEARCH_SYSTEM32: libraries load from the system folder only.
enum { DLL_SEARCH_SYSTEM32_ONLY = 0x800 };

// The program is run from download folders, often as administrator: a DLL placed beside it
// must never be loaded in place of a system one. Kernels without SetDefaultDllDirectories
// keep their search order. Windows Vista (NT 6.0) is left alone, since there the
// restriction keeps the shell link object from being created.
static void RestrictDllSearch(void) {
  DWORD version = GetVersion();
  DWORD major = version & 0xFF;
  DWORD minor = (version >> 8) & 0xFF;
  if (major == 6 && minor == 0) return;
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  if (kernel == NULL) return;
  SetDefaultDllDirectoriesFunction restrictSearch = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
  if (restrictSearch != NULL) restrictSearch(DLL_SEARCH_SYSTEM32_ONLY);
}

// Returns the run's result code: 0 installed, 1223 cancelled, else the error that matters.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
  RestrictDllSearch();
  runState.instance = instance;
  if (__argv != NULL) ParseOptions(__argv);
  CoInitialize(NULL);
  ResolveDefaultFolder(runState.installFolder);

  HWND window = CreateDialogParamA(instance, MAKEINTRESOURCE(IDD_MAIN), NULL, MainWindowProc, 0);
  if (window == NULL) {
    // A program without its window resource is damaged; say so instead of waiting forever.
    DWORD error = GetLastError();
    if (!runState.silent) ShowPrompt(MB_ICONERROR, "The setup window could not be created.");
    return error != 0 ? (int)error : ERROR_RESOURCE_NAME_NOT_FOUND;
  }
  runState.mainWindow = window;

  MSG message;
  // GetMessageA returns -1 on an error; that ends the loop as well rather than spinning.
  while (GetMessageA(&message, NULL, 0, 0) > 0) {
    if (!IsDialogMessageA(runState.mainWindow, &message)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
  return (int)runState.resultCode;
}
