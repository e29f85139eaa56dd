// Run-wide state and the helpers every part of the setup program shares.
#ifndef VELMORA_COMMON_COMMON_H
#define VELMORA_COMMON_COMMON_H

#include <stdarg.h>

#include "platform/win32.h"

// Paths are ANSI text held in buffers of this many bytes: at most 259 characters and a zero.
enum { PATH_CAPACITY = 260, PATH_MAX_LENGTH = PATH_CAPACITY - 1 };

// The process exit code: a Win32 error code, 0 for success.
typedef DWORD ResultCode;

// The one run-wide record. Option fields point into the argument vector.
struct RunState {
  HINSTANCE instance;
  char installFolder[PATH_CAPACITY];
  const char* folderOption;
  int pathForced;
  const char* saveAsPath;
  int unattended;
  int silent;
  int hidden;
  int noDesktop;
  int allUsers;
  int launchAfter;
  ResultCode resultCode;
  HWND mainWindow;
  HWND progressText;
  HANDLE logFile;
};

extern RunState runState;

// Puts runState back to its state at process start: zeroed, no log open, and allUsers from
// the Windows family (1 on the NT family). Runs as a static initialiser; tests call it again.
void ResetRunState(void);

// out = folder joined with name by one backslash (none added when folder ends in one, one
// leading backslash of name dropped); folder empty: a copy of name. Returns 1 when the whole
// path fits in PATH_CAPACITY, else 0 with out emptied. out must not overlap the inputs.
int JoinPath(char* out, const char* folder, const char* name);
// The same rule in place; on 0 the folder is left unchanged.
int AppendPath(char* folder, const char* name);
// out = path up to its last backslash; a cut within the first four characters keeps the
// backslash (C:\x gives C:\); a path without one is copied. At most 259 characters.
void ParentFolder(const char* path, char* out);
// True when the path exists and is a folder.
int IsFolder(const char* path);
// The shell folder for csidl in out (PATH_CAPACITY bytes); 0 and out empty when it has none.
int GetSpecialFolder(int csidl, char* out);
// printf-style into capacity bytes, always zero-terminated, cut when longer. Returns the length.
int FormatText(char* out, int capacity, const char* format, ...);
int FormatTextV(char* out, int capacity, const char* format, va_list arguments);
// A message box with the caption "Velmora® Setup", owned by the active window or the main
// window's last active pop-up. The text is cut at 2047 characters. Returns the button.
int ShowPrompt(UINT type, const char* format, ...);
// The system's wait cursor.
void SetWaitCursor(void);

// Texts shared by several windows.
#define VELMORA_CAPTION "Velmora\xAE Setup"

#endif
