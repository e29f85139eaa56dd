// How the module loader reaches the simulated processes (processes.cpp, modules.cpp).
#ifndef VELMORA_PLATFORM_HOST_PROCESSES_INTERNAL_H
#define VELMORA_PLATFORM_HOST_PROCESSES_INTERNAL_H

#include "platform/win32.h"

namespace world {
namespace internal {

// psapi's GetModuleFileNameExA: the image path of the process behind `process` (opened with
// PROCESS_QUERY_INFORMATION | PROCESS_VM_READ) for `module` NULL. Returns the characters
// copied (truncated to size - 1 and terminated), 0 on failure with the last error set.
DWORD WINAPI ProcessImageName(HANDLE process, HMODULE module, LPSTR fileName, DWORD size);

}  // namespace internal
}  // namespace world

#endif
