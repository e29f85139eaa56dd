// Stand-in uninstaller of the demo package: removes what the setup program recorded in
// "Uninstall.cfg" beside it, then the product's uninstall entry.
//
//   Uninstall.exe [/S]     asks first (unless /S), then hands over to a copy of itself in the
//                          temporary folder, because a running program cannot delete its own file
//   (copy) /run PID FOLDER [/S]   waits for process PID to end, then removes the installation
//
// Only paths inside the install folder are removed, plus ".lnk" files directly in the Programs
// and Desktop folders (the user's and the all-users ones); any other line of the log is ignored,
// so a damaged or hostile log cannot make it delete anything else. Files lose their read-only
// attribute first; folders go in the reverse order of their lines and only when empty. The log
// and the uninstall entry are removed only when every listed file is gone, so a second run can
// finish what a first one could not. Exit code of the first instance: 0 once the copy runs,
// 1223 when the user declined; of the copy: 0 when everything listed is gone, 1 when
// something stayed, 2 when the log could not be read.
#include <windows.h>
#include <shlobj.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "log_reader.h"

static const char kCaption[] = "Velmora Uninstall";
static const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velmora";
static const unsigned kMaxLogSize = 16u * 1024u * 1024u;

struct Roots {
  char installFolder[MAX_PATH];
  char shortcutFolders[4][MAX_PATH];
  int shortcutFolderCount;
};

static bool SameText(const char* a, int aLength, const char* b, int bLength) {
  return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a, aLength, b, bLength) == CSTR_EQUAL;
}

// True when every component of `path` after its first `skip` characters is a plain name:
// not empty, no forward slash or colon, and not ending in a dot or a blank, which Windows
// strips when it opens a path (so ".", ".." and ".. " are all refused).
static bool IsPlainPath(const char* path, int skip) {
  const char* p = path + skip;
  while (*p) {
    const char* start = p;
    while (*p && *p != '\\') {
      if (*p == '/' || *p == ':') return false;
      ++p;
    }
    int length = (int)(p - start);
    if (length == 0) return false;
    if (start[length - 1] == '.' || start[length - 1] == ' ') return false;
    if (*p == '\\') {
      ++p;
      if (*p == 0) return false;
    }
  }
  return true;
}

// True when `path` is `folder` itself (allowSelf) or lies below it, compared without letter case.
static bool IsBelow(const char* path, const char* folder, bool allowSelf) {
  int folderLength = lstrlenA(folder);
  while (folderLength > 0 && folder[folderLength - 1] == '\\') --folderLength;
  int pathLength = lstrlenA(path);
  if (folderLength < 2 || pathLength < folderLength) return false;
  if (!SameText(path, folderLength, folder, folderLength)) return false;
  if (pathLength == folderLength) return allowSelf;
  return path[folderLength] == '\\' && IsPlainPath(path, folderLength + 1);
}

static bool EndsWithLnk(const char* path) {
  int length = lstrlenA(path);
  return length > 4 && SameText(path + length - 4, 4, ".lnk", 4);
}

// A file line may be removed when it lies in the install folder or is a shortcut directly in
// one of the shortcut folders.
static bool MayRemoveFile(const Roots& roots, const char* path) {
  if (IsBelow(path, roots.installFolder, false)) return true;
  if (!EndsWithLnk(path)) return false;
  for (int i = 0; i < roots.shortcutFolderCount; ++i) {
    const char* folder = roots.shortcutFolders[i];
    if (!IsBelow(path, folder, false)) continue;
    int skip = lstrlenA(folder);
    if (folder[skip - 1] != '\\') ++skip;
    if (strchr(path + skip, '\\') == NULL) return true;
  }
  return false;
}

// Clears the read-only attribute and deletes; true when the file is gone afterwards.
static bool RemoveFile(const char* path) {
  SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
  if (DeleteFileA(path)) return true;
  DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

static void AddShortcutFolder(Roots* roots, int csidl) {
  char* out = roots->shortcutFolders[roots->shortcutFolderCount];
  out[0] = 0;
  if (SHGetSpecialFolderPathA(NULL, out, csidl, FALSE) && out[0]) ++roots->shortcutFolderCount;
}

// Reads the whole log into a new zero-terminated buffer; NULL when it cannot be read in full.
static char* ReadLog(const char* path, unsigned* size) {
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                            FILE_FLAG_SEQUENTIAL_SCAN, NULL);
  if (file == INVALID_HANDLE_VALUE) return NULL;
  DWORD fileSize = GetFileSize(file, NULL);
  char* text = NULL;
  if (fileSize != INVALID_FILE_SIZE && fileSize <= kMaxLogSize) {
    text = (char*)malloc(fileSize + 1);
    DWORD got = 0;
    if (text && (!ReadFile(file, text, fileSize, &got, NULL) || got != fileSize)) {
      free(text);
      text = NULL;
    }
    if (text) {
      text[fileSize] = 0;
      *size = fileSize;
    }
  }
  CloseHandle(file);
  return text;
}

// Copies one log line into `out` (MAX_PATH bytes); false when it does not fit.
static bool CopyLine(char* out, const char* line, unsigned length) {
  if (length >= MAX_PATH) return false;
  memcpy(out, line, length);
  out[length] = 0;
  return true;
}

// Removes the installation recorded in FOLDER\Uninstall.cfg; returns the exit code above.
static int RemoveInstallation(const char* installFolder) {
  Roots roots = {};
  lstrcpynA(roots.installFolder, installFolder, MAX_PATH);
  AddShortcutFolder(&roots, CSIDL_PROGRAMS);
  AddShortcutFolder(&roots, CSIDL_COMMON_PROGRAMS);
  AddShortcutFolder(&roots, CSIDL_DESKTOPDIRECTORY);
  AddShortcutFolder(&roots, CSIDL_COMMON_DESKTOPDIRECTORY);

  char logPath[MAX_PATH + 16];
  wsprintfA(logPath, "%s\\Uninstall.cfg", installFolder);
  unsigned size = 0;
  char* text = ReadLog(logPath, &size);
  if (!text) return 2;

  bool everythingGone = true;
  unsigned position = 0;
  const char* line;
  unsigned length;
  while (NextLogLine(text, size, &position, &line, &length)) {
    char path[MAX_PATH];
    if (line[0] != 'f' || !CopyLine(path, line + 1, length - 1)) continue;
    if (!MayRemoveFile(roots, path)) continue;
    // The first instance may still be ending: give our own original file a few seconds.
    bool gone = RemoveFile(path);
    for (int attempt = 0; !gone && attempt < 50; ++attempt) {
      Sleep(100);
      gone = RemoveFile(path);
    }
    if (!gone) everythingGone = false;
  }

  // The extra file has no line of its own; the log itself goes last, once nothing is left.
  char extraPath[MAX_PATH + 16];
  wsprintfA(extraPath, "%s\\Velmora.drl", installFolder);
  if (!RemoveFile(extraPath)) everythingGone = false;
  if (everythingGone && !RemoveFile(logPath)) everythingGone = false;

  // Folders: last created first, so that sub-folders are emptied before their parents.
  unsigned folderLines = 0;
  position = 0;
  while (NextLogLine(text, size, &position, &line, &length)) {
    if (line[0] == 'd') ++folderLines;
  }
  const char** folderStarts = (const char**)malloc((folderLines + 1) * sizeof(const char*));
  unsigned* folderLengths = (unsigned*)malloc((folderLines + 1) * sizeof(unsigned));
  if (folderStarts && folderLengths) {
    unsigned count = 0;
    position = 0;
    while (count < folderLines && NextLogLine(text, size, &position, &line, &length)) {
      if (line[0] != 'd') continue;
      folderStarts[count] = line + 1;
      folderLengths[count++] = length - 1;
    }
    while (count > 0) {
      --count;
      char path[MAX_PATH];
      if (CopyLine(path, folderStarts[count], folderLengths[count]) &&
          IsBelow(path, roots.installFolder, true)) {
        RemoveDirectoryA(path);
      }
    }
  }
  free(folderStarts);
  free(folderLengths);
  free(text);

  if (everythingGone) RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKey);
  return everythingGone ? 0 : 1;
}

static bool HasSilentSwitch(int first) {
  for (int i = first; i < __argc; ++i) {
    if (lstrcmpiA(__argv[i], "/S") == 0) return true;
  }
  return false;
}

// First instance: asks, copies itself to the temporary folder and starts the copy.
static int HandOver() {
  bool silent = HasSilentSwitch(1);
  if (!silent && MessageBoxA(NULL, "Do you want to remove Velmora and all of its components?",
                             kCaption, MB_YESNO | MB_ICONQUESTION) != IDYES) {
    return ERROR_CANCELLED;
  }
  char self[MAX_PATH];
  DWORD selfLength = GetModuleFileNameA(NULL, self, MAX_PATH);
  if (selfLength == 0 || selfLength >= MAX_PATH) return 1;
  char folder[MAX_PATH];
  lstrcpynA(folder, self, MAX_PATH);
  char* lastSlash = strrchr(folder, '\\');
  if (!lastSlash) return 1;
  *lastSlash = 0;

  char copy[MAX_PATH + 48];
  DWORD tempLength = GetTempPathA(MAX_PATH, copy);
  if (tempLength == 0 || tempLength >= MAX_PATH) return 1;
  wsprintfA(copy + tempLength, "Velmora-uninstall-%lu.exe", GetCurrentProcessId());
  if (!CopyFileA(self, copy, FALSE)) return 1;

  char commandLine[3 * MAX_PATH + 64];
  wsprintfA(commandLine, "\"%s\" /run %lu \"%s\"%s", copy, GetCurrentProcessId(), folder,
            silent ? " /S" : "");
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(copy, commandLine, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) {
    DeleteFileA(copy);
    return 1;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return 0;
}

// The copy: waits for the first instance, removes, then schedules its own file for deletion.
static int RunCopy() {
  DWORD firstInstance = strtoul(__argv[2], NULL, 10);
  const char* folder = __argv[3];
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, firstInstance);
  if (process) {
    WaitForSingleObject(process, 10000);
    CloseHandle(process);
  }
  int result = RemoveInstallation(folder);
  if (!HasSilentSwitch(4)) {
    MessageBoxA(NULL,
                result == 0   ? "Velmora was removed from your computer."
                : result == 2 ? "The install log Uninstall.cfg could not be read."
                              : "Some parts of Velmora could not be removed.",
                kCaption, MB_OK | (result == 0 ? MB_ICONINFORMATION : MB_ICONWARNING));
  }
  char self[MAX_PATH];
  DWORD selfLength = GetModuleFileNameA(NULL, self, MAX_PATH);
  if (selfLength > 0 && selfLength < MAX_PATH) {
    MoveFileExA(self, NULL, MOVEFILE_DELAY_UNTIL_REBOOT);
  }
  return result;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  if (__argc >= 4 && lstrcmpiA(__argv[1], "/run") == 0) return RunCopy();
  return HandOver();
}
