// What the core's files need from the simulated programs when no program code is linked
// into a test: then no process exists, so none holds a file and no handle is a process's.
// The real definitions (processes.cpp) take precedence over these weak ones.
#include "platform/host/world_internal.h"

namespace world {
namespace internal {

__attribute__((weak)) bool HeldByProcess(const std::string& canonicalKey) { return false; }

__attribute__((weak)) bool CloseProcessHandle(HANDLE handle) { return false; }

}  // namespace internal
}  // namespace world
