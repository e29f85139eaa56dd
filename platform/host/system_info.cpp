// The machine's facts as kernel32 reports them: the last error, the version, the current,
// system and Windows folders, and the setup program's own image path.
#include <string>

#include "platform/host/core_state.h"

namespace {

DWORD lastError = ERROR_SUCCESS;

const char kSystemFolder[] = "C:\\Windows\\System32";
const char kWindowsFolder[] = "C:\\Windows";
const char kOwnImage[] = "C:\\Users\\user\\Downloads\\VelmoraSetup.exe";

// The documented rule of the Get*DirectoryA calls: the length without the zero when the
// text fits, else the size needed with the zero and nothing written.
DWORD CopyFolderText(const std::string& text, LPSTR buffer, DWORD capacity) {
  DWORD length = (DWORD)text.size();
  if (!buffer || capacity <= length) return length + 1;
  memcpy(buffer, text.c_str(), length + 1);
  return length;
}

}  // namespace

DWORD WINAPI GetLastError(void) { return lastError; }

void WINAPI SetLastError(DWORD errorCode) { lastError = errorCode; }

DWORD WINAPI GetVersion(void) { return world::core::TheMachine().version; }

DWORD WINAPI GetCurrentDirectoryA(DWORD bufferLength, LPSTR buffer) {
  return CopyFolderText(world::core::TheMachine().currentDirectory, buffer, bufferLength);
}

UINT WINAPI GetSystemDirectoryA(LPSTR buffer, UINT size) { return CopyFolderText(kSystemFolder, buffer, size); }

UINT WINAPI GetWindowsDirectoryA(LPSTR buffer, UINT size) { return CopyFolderText(kWindowsFolder, buffer, size); }

// Like Windows XP and later: a name that does not fit is cut, zero-terminated, and the call
// returns the capacity with ERROR_INSUFFICIENT_BUFFER.
DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size) {
  if (!fileName || size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  DWORD length = (DWORD)strlen(kOwnImage);
  if (length < size) {
    memcpy(fileName, kOwnImage, length + 1);
    SetLastError(ERROR_SUCCESS);
    return length;
  }
  memcpy(fileName, kOwnImage, size - 1);
  fileName[size - 1] = 0;
  SetLastError(ERROR_INSUFFICIENT_BUFFER);
  return size;
}
