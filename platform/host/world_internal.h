// How the host layer's pieces reach each other. Not for the program or for tests.
#ifndef VELMORA_PLATFORM_HOST_WORLD_INTERNAL_H
#define VELMORA_PLATFORM_HOST_WORLD_INTERNAL_H

#include <functional>
#include <string>

#include "platform/host/world.h"

namespace world {
namespace internal {

// ---- lifecycle (world.cpp) -------------------------------------------------------------
// Each piece registers a function that empties its state; Create and Open call them all
// before setting up the new machine. Register from a static initialiser.
void RegisterResetHook(std::function<void()> reset);

// ---- paths and faults (files.cpp, faults.cpp) ------------------------------------------
// The canonical form of a Windows path: backslashes, "." and ".." resolved, no trailing
// backslash except a drive root, relative paths taken from the current directory,
// upper-case for comparison. "" when it is not a valid Windows path.
std::string CanonicalKey(const std::string& windowsPath);
// True when the call should fail now: sets the last error to the fault's code. Every
// fallible Win32 call of the layer asks this first with its own name and path ("" if none).
bool FaultFires(const char* function, const std::string& path);

// ---- shell ID lists (shell_folders.cpp) --------------------------------------------------
// A new ID list, freed with the shell allocator (SHGetMalloc) or CoTaskMemFree, that names
// `path`; "" makes an item without a file-system path (a virtual folder such as Control Panel).
LPITEMIDLIST NewIdList(const std::string& path);

// ---- other programs (processes.cpp) ------------------------------------------------------
// True when a running simulated process holds the file (by CanonicalKey) open.
bool HeldByProcess(const std::string& canonicalKey);
// True while a running simulated process has the file (by CanonicalKey) as its image: as on
// Windows, it can be read but not deleted (ERROR_ACCESS_DENIED) or opened to write or delete
// (ERROR_SHARING_VIOLATION).
bool IsRunningImage(const std::string& canonicalKey);
// The id of the setup program's own process.
DWORD OwnProcessId();
// CloseHandle (files.cpp) passes every handle that is not a file of its own here; true when
// it was a process handle and is now closed.
bool CloseProcessHandle(HANDLE handle);

// ---- time (clock.cpp) ------------------------------------------------------------------------
// Runs `action` when the virtual clock reaches `atMs` (during Sleep, timers, or waits).
void ScheduleAt(DWORD atMs, std::function<void()> action);
// Moves the clock forward, running every event that falls due on the way.
void AdvanceClock(DWORD milliseconds);
// The time of the earliest scheduled event; false when none.
bool NextEventTime(DWORD* atMs);

// ---- windows (windows.cpp) -------------------------------------------------------------------
// A top-level window that belongs to a simulated process. Messages posted to it go to
// `onMessage` (WM_CLOSE, WM_COMMAND...), which reacts on the world's clock.
HWND CreateForeignWindow(DWORD processId, const std::string& title, bool visible,
                         std::function<void(HWND, UINT, WPARAM, LPARAM)> onMessage);
void DestroyForeignWindow(HWND window);
bool IsForeignWindowTopmostSeen(HWND window);  // for tests of SetWindowPos on foreign windows

// ---- the user (script.cpp) ---------------------------------------------------------------------
// Reports that the program waits on `what` with nothing left to play.
void Stall(const std::string& what);

}  // namespace internal
}  // namespace world

#endif
