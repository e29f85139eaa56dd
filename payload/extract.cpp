// Writing the package's files into the install folder: decoded, read-only, time-stamped
// and logged, with the user asked what to do when one cannot be written.
#include "payload/extract.h"

#include <stdlib.h>
#include <string.h>

#include "common/common.h"
#include "installlog/folders.h"
#include "installlog/install_log.h"
#include "instances/guard.h"
#include "payload/package.h"
#include "resources/resource.h"

#define EXTRA_FILE_NAME "Velmora.drl"
#define REASON_PERMISSION "you have permission to write files in this folder"
#define REASON_DISK_SPACE "there is enough free disk space"

// Installed files are created read-only in one sequential write.
static const DWORD INSTALLED_FILE_FLAGS =
    FILE_FLAG_SEQUENTIAL_SCAN | FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_READONLY;

// 1 when a package entry name stays inside the install folder once joined to it: no
// absolute start, no drive or other colon, no network start and no part made only of dots
// and spaces (Windows would read "..", or strip the dots of "...", and leave the folder).
static int IsContainedName(const char* name) {
  if (name[0] == '\0' || name[0] == '\\' || name[0] == '/') return 0;
  const char* part = name;
  for (const char* at = name;; at++) {
    if (*at == ':') return 0;
    if (*at == '\\' || *at == '/' || *at == '\0') {
      int onlyDots = at > part;
      for (const char* c = part; c < at; c++)
        if (*c != '.' && *c != ' ') onlyDots = 0;
      if (onlyDots) return 0;
      if (*at == '\0') break;
      part = at + 1;
    }
  }
  return 1;
}

// One attempt at writing the file. FILE_WRITTEN, or FILE_FAILED with *err set to the code
// that explains the failure and *reason to the hint for the user.
static enum FileOutcome WriteOnce(const char* target, const FILETIME* time,
                                  const unsigned char* data, DWORD size, DWORD storedSize,
                                  DWORD* err, const char** reason) {
  *reason = REASON_PERMISSION;
  SetFileAttributesA(target, FILE_ATTRIBUTE_NORMAL);
  HANDLE file = CreateFileA(target, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, INSTALLED_FILE_FLAGS, NULL);
  if (file == INVALID_HANDLE_VALUE) {
    *err = GetLastError();
    return FILE_FAILED;
  }

  unsigned char* decoded = NULL;
  const unsigned char* contents = data;
  int good = 1;
  *err = 0;
  if (storedSize > 0 && storedSize < size) {
    decoded = (unsigned char*)malloc(size);
    DWORD produced = 0;
    if (decoded == NULL) {
      good = 0;
      *err = ERROR_NOT_ENOUGH_MEMORY;
    } else if (Decompress(decoded, size, data, storedSize, &produced) != 0 || produced != size) {
      good = 0;
      *err = ERROR_INVALID_DATA;
    }
    contents = decoded;
  }

  int complete = 0;
  if (good) {
    DWORD written = 0;
    BOOL wrote = WriteFile(file, contents, size, &written, NULL);
    complete = written == size;
    if (!complete) {
      *reason = REASON_DISK_SPACE;
      // A short count with a successful call carries no system code of its own.
      *err = wrote ? ERROR_WRITE_FAULT : GetLastError();
    }
    // Even a partly written file is recorded, so that the uninstaller removes it.
    if (time != NULL) {
      SetFileTime(file, time, time, time);
      LogFile(target);
    }
  }
  free(decoded);
  BOOL closed = CloseHandle(file);
  if (good && complete && closed) return FILE_WRITTEN;
  if (good && complete) *err = GetLastError();
  return FILE_FAILED;
}

enum FileOutcome InstallOneFile(const char* name, const FILETIME* time, const unsigned char* data,
                                DWORD size, DWORD storedSize) {
  for (;;) {
    if (runState.progressText != NULL) {
      char progress[PATH_CAPACITY + 32];
      FormatText(progress, sizeof progress, "Installing %s...", name);
      SetWindowTextA(runState.progressText, progress);
    }
    SetWaitCursor();

    char target[PATH_CAPACITY];
    const char* shown = target;
    const char* reason = REASON_PERMISSION;
    DWORD err;
    enum FileOutcome outcome = FILE_FAILED;
    int joined = JoinPath(target, runState.installFolder, name);
    if (!joined) shown = name;
    if (!IsContainedName(name)) {
      // A name that would leave the install folder: fail this file, create nothing.
      err = ERROR_INVALID_NAME;
    } else if (!joined) {
      // The full path would not fit a Windows path.
      err = ERROR_FILENAME_EXCED_RANGE;
    } else {
      char folder[PATH_CAPACITY];
      ParentFolder(target, folder);
      CreateFolderTree(folder);
      outcome = WriteOnce(target, time, data, size, storedSize, &err, &reason);
      if (outcome == FILE_WRITTEN) return FILE_WRITTEN;
    }
    if (err == 0) err = ERROR_WRITE_FAULT;

    if (runState.silent) {
      runState.resultCode = err;
      return FILE_FAILED;
    }
    if (err == ERROR_SHARING_VIOLATION) {
      if (ResolveFileInUse(target)) continue;
      // The guard gave up without finding the holder: let the user decide below.
      if (!InUseRetryLimitReached()) {
        runState.resultCode = err;
        return FILE_FAILED;
      }
    }
    int answer = ShowPrompt(MB_ABORTRETRYIGNORE | MB_ICONQUESTION | MB_DEFBUTTON2,
                            "Unable to install file '%s' (err=%d).  Please make sure %s.\n\n"
                            "Click on the ignore button if you want to skip this error.",
                            shown, (int)err, reason);
    if (answer == IDRETRY) continue;
    runState.resultCode = err;
    return answer == IDIGNORE ? FILE_SKIPPED : FILE_FAILED;
  }
}

// The program's own resource holding files to install exists but could not be read: the
// install fails with the system's code rather than ending as if there were nothing to write.
static int FailUnreadableResource(DWORD error) {
  runState.resultCode = error != 0 ? error : ERROR_INVALID_DATA;
  if (!runState.silent)
    ShowPrompt(MB_ICONWARNING, "Unable to read the files to install (err=%d).", (int)runState.resultCode);
  return 0;
}

int ExtractPayload(void) {
  if (!HasDataResource(IDR_PACKAGE)) {
    DWORD error = GetLastError();
    return IsMissingResourceError(error) ? 1 : FailUnreadableResource(error);
  }
  struct PackageView view;
  memset(&view, 0, sizeof view);
  if (OpenPackage(&view)) {
    struct PackageEntry entry;
    while (NextEntry(&view, &entry)) {
      int compressed = entry.storedSize > 0 && entry.storedSize < entry.size;
      // Raw data is read for the installed size: it must lie within the resource too.
      if (!compressed && (DWORD)(view.data + view.dataSize - entry.data) < entry.size) break;
      FILETIME time;
      memcpy(&time, entry.time, sizeof time);
      if (InstallOneFile(entry.name, &time, entry.data, entry.size, entry.storedSize) == FILE_FAILED) {
        ClosePackage(&view);
        return 0;
      }
    }
    ClosePackage(&view);
  } else if (view.loadError != 0) {
    return FailUnreadableResource(view.loadError);
  }

  const unsigned char* extra = NULL;
  DWORD extraCount = 0;
  if (!OpenExtraFile(&extra, &extraCount)) {
    DWORD error = GetLastError();
    return IsMissingResourceError(error) ? 1 : FailUnreadableResource(error);
  }
  return InstallOneFile(EXTRA_FILE_NAME, NULL, extra, extraCount, 0) == FILE_FAILED ? 0 : 1;
}
