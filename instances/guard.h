// Finding and closing running copies of the product that hold a file open.
#ifndef VELMORA_INSTANCES_GUARD_H
#define VELMORA_INSTANCES_GUARD_H

#include "platform/win32.h"

// What to do to each window of a matching process.
enum InUseAction {
  IN_USE_DETECT = 0,
  IN_USE_POST_CANCEL = 1041,
  IN_USE_POST_CLOSE = 1042,
  IN_USE_TERMINATE = 1043,
  IN_USE_SHOW = 1044
};

// How many 250 ms pauses ResolveFileInUse allows in a row while the file stays locked and
// no matching program is found, before it gives up.
enum { IN_USE_RETRY_LIMIT = 20 };

// The last process whose image is the in-use target, after applying action to its windows;
// 0 when none (or psapi is unavailable).
DWORD FindRunningInstance(int action);
// Closes or lets the user close the programs running `path`. 1: try the file again;
// 0: give up (the user abandoned it, or the retry limit was reached).
int ResolveFileInUse(const char* path);
// 1 when a running program found by its windows has `path` as its image (the same search
// ResolveFileInUse makes, and it makes path the target); 0 otherwise. Windows refuses to
// delete such a file with ERROR_ACCESS_DENIED rather than ERROR_SHARING_VIOLATION.
int IsRunningImage(const char* path);
// 1 when the last ResolveFileInUse gave up because IN_USE_RETRY_LIMIT was reached (rather
// than because the user abandoned the in-use dialog): the caller then takes its own error path.
int InUseRetryLimitReached(void);
// Forgets the loaded psapi entry point and every search and retry state (for tests that
// change the machine between runs in one process).
void ResetInstanceGuard(void);
INT_PTR CALLBACK InUseDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#endif
