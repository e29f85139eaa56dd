// Creating the install folder tree and clearing out the installation an old log records.
#include "installlog/folders.h"

#include <stdlib.h>
#include <string.h>

#include "installlog/install_log.h"
#include "instances/guard.h"

// An old log larger than this is not a log this program wrote; it is ignored.
enum { OLD_LOG_LIMIT = 0x3FFFFFFF };

ResultCode CreateFolderTree(const char* path) {
  if (IsFolder(path)) return 0;
  size_t length = strlen(path);
  if (length <= 3) return 0;
  if (length > PATH_MAX_LENGTH) return ERROR_INVALID_NAME;
  char work[PATH_CAPACITY];
  memcpy(work, path, length + 1);

  size_t start;
  if (work[0] == '\\' && work[1] == '\\') {
    // Skip the server and the share: neither can be created.
    char* serverEnd = strchr(work + 3, '\\');
    char* shareEnd = serverEnd != NULL ? strchr(serverEnd + 1, '\\') : NULL;
    if (shareEnd == NULL || shareEnd[1] == '\0') return ERROR_INVALID_NAME;
    start = (size_t)(shareEnd + 1 - work);
  } else if (work[1] != ':') {
    return ERROR_INVALID_NAME;
  } else {
    start = 3;
  }

  for (size_t at = start; at < length; at++) {
    if (work[at] != '\\') continue;
    work[at] = '\0';
    if (CreateDirectoryA(work, NULL))
      LogFolder(work);
    else if (GetLastError() == ERROR_ACCESS_DENIED)
      return ERROR_ACCESS_DENIED;
    work[at] = '\\';
  }

  if (CreateDirectoryA(path, NULL)) {
    if (IsFolder(path)) {
      LogFolder(path);
      return 0;
    }
  } else {
    DWORD error = GetLastError();
    // A path with a trailing backslash was made, and logged, by the loop above.
    if (IsFolder(path)) return 0;
    SetLastError(error);
  }
  return GetLastError() == ERROR_ACCESS_DENIED ? ERROR_ACCESS_DENIED : ERROR_INVALID_NAME;
}

// Deletes one file an old log lists, read-only or not. 0 when it is gone (deleted now or
// before); otherwise the system code, ERROR_SHARING_VIOLATION when it stays locked and the
// running-instance guard gave up. Windows refuses to delete a running program's image with
// ERROR_ACCESS_DENIED: when the guard finds a program running this file, that counts as in
// use too, so the product left running in the install folder is closed, not reported as a
// folder without rights.
static ResultCode DeleteOldFile(const char* path) {
  for (;;) {
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    if (DeleteFileA(path)) return 0;
    DWORD error = GetLastError();
    // Gone already, with or without its folder: nothing left to remove. A name Windows
    // refuses as invalid cannot name an existing file either; such a line (this program
    // never writes one) must not stop every later install into the folder.
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME)
      return 0;
    int inUse = error == ERROR_SHARING_VIOLATION ||
                (error == ERROR_ACCESS_DENIED && IsRunningImage(path));
    if (!inUse) return error != 0 ? error : ERROR_ACCESS_DENIED;
    if (!ResolveFileInUse(path)) return ERROR_SHARING_VIOLATION;
  }
}

// The extension of a log line's path: the text after the last "." that follows its last
// backslash, or NULL.
static const char* LineExtension(const char* path, size_t length, size_t* extensionLength) {
  const char* dot = NULL;
  for (size_t i = 0; i < length; i++) {
    if (path[i] == '\\')
      dot = NULL;
    else if (path[i] == '.')
      dot = path + i;
  }
  if (dot == NULL) return NULL;
  *extensionLength = (size_t)(path + length - dot - 1);
  return dot + 1;
}

static int IsShortcutLine(const char* path, size_t length) {
  size_t extensionLength = 0;
  const char* extension = LineExtension(path, length, &extensionLength);
  if (extension == NULL || extensionLength != 3) return 0;
  char text[4];
  memcpy(text, extension, 3);
  text[3] = '\0';
  return lstrcmpiA(text, "lnk") == 0;
}

// Reads the whole old log into a new zero-terminated buffer; NULL when there is none or it
// cannot be read in full. *size gets its length.
static char* ReadOldLog(const char* logPath, DWORD* size) {
  HANDLE file = CreateFileA(logPath, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                            FILE_FLAG_SEQUENTIAL_SCAN, NULL);
  if (file == INVALID_HANDLE_VALUE) return NULL;
  DWORD fileSize = GetFileSize(file, NULL);
  char* text = NULL;
  if (fileSize != INVALID_FILE_SIZE && fileSize <= OLD_LOG_LIMIT) {
    text = (char*)malloc((size_t)fileSize + 1);
    DWORD read = 0;
    if (text != NULL && (!ReadFile(file, text, fileSize, &read, NULL) || read < fileSize)) {
      free(text);
      text = NULL;
    }
    if (text != NULL) {
      text[fileSize] = '\0';
      *size = fileSize;
    }
  }
  CloseHandle(file);
  return text;
}

// Walks the old log: removes the files it lists inside the install folder and collects its
// folder lines into kept (capacity 2 * size + 2). Returns the last deletion's result.
static ResultCode ClearOldInstallation(const char* text, DWORD size, char* kept,
                                       size_t* keptLength) {
  ResultCode result = 0;
  unsigned position = 0;
  const char* line;
  unsigned length;
  *keptLength = 0;
  while (NextLogLine(text, size, &position, &line, &length)) {
    if (line[0] == 'd') {
      memcpy(kept + *keptLength, line, length);
      *keptLength += length;
      kept[(*keptLength)++] = '\r';
      kept[(*keptLength)++] = '\n';
      continue;
    }
    if (line[0] != 'f') continue;
    const char* path = line + 1;
    size_t pathLength = length - 1;
    if (IsShortcutLine(path, pathLength)) continue;
    // The log may have been edited by anyone who can write the install folder: only files
    // that lie inside it are removed; any other line is dropped.
    if (pathLength > PATH_MAX_LENGTH) continue;
    char listed[PATH_CAPACITY];
    memcpy(listed, path, pathLength);
    listed[pathLength] = '\0';
    char resolved[PATH_CAPACITY];
    if (!PathInsideFolder(listed, runState.installFolder, resolved)) continue;
    result = DeleteOldFile(resolved);
  }
  return result;
}

ResultCode PrepareInstallFolder(void) {
  SetWaitCursor();
  // An empty folder (an unattended run given /Path "") names no folder: joined names would
  // be relative and the product and its log would land in the current directory.
  if (runState.installFolder[0] == '\0') return ERROR_INVALID_NAME;
  char logPath[PATH_CAPACITY];
  if (!JoinPath(logPath, runState.installFolder, INSTALL_LOG_NAME)) return ERROR_INVALID_NAME;
  ResultCode result = CreateFolderTree(runState.installFolder);
  if (result != 0) return result;

  char* kept = NULL;
  size_t keptLength = 0;
  DWORD oldSize = 0;
  char* oldLog = ReadOldLog(logPath, &oldSize);
  int carriedOver = 0;
  if (oldLog != NULL) {
    kept = (char*)malloc((size_t)oldSize * 2 + 2);
    if (kept != NULL) {
      result = ClearOldInstallation(oldLog, oldSize, kept, &keptLength);
      carriedOver = 1;
    }
    free(oldLog);
  }

  runState.logFile = CreateFileA(logPath, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, NULL);
  if (runState.logFile == INVALID_HANDLE_VALUE) {
    result = GetLastError() == ERROR_ACCESS_DENIED ? ERROR_ACCESS_DENIED : ERROR_INVALID_NAME;
  } else if (carriedOver) {
    DWORD written = 0;
    if (keptLength > 0) WriteFile(runState.logFile, kept, (DWORD)keptLength, &written, NULL);
    if (written < keptLength) {
      result = ERROR_ACCESS_DENIED;
      CloseHandle(runState.logFile);
      runState.logFile = INVALID_HANDLE_VALUE;
    }
  } else {
    LogFolder(runState.installFolder);
  }
  free(kept);
  return result;
}
