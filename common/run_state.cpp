// The one run-wide record and its start-of-process state.
#include <string.h>

#include "common/common.h"

RunState runState;

void ResetRunState(void) {
  memset(&runState, 0, sizeof runState);
  runState.logFile = INVALID_HANDLE_VALUE;
  // The top bit of GetVersion is set on the Windows 95 family, which has no all-users folders.
  runState.allUsers = (GetVersion() & 0x80000000u) == 0 ? 1 : 0;
}

// Runs before the entry so that every part sees a ready runState.
static const int runStateReady = (ResetRunState(), 1);
