// Other programs on the simulated machine: their windows, the files they hold open, and the
// kernel32 calls that reach them (OpenProcess, TerminateProcess, GetExitCodeProcess, WinExec).
#include <stdint.h>

#include <map>
#include <string>
#include <vector>

#include "platform/host/processes_internal.h"
#include "platform/host/world.h"
#include "platform/host/world_internal.h"

namespace {

const DWORD kOwnProcessId = 1000;
const DWORD kFirstProcessId = 2000;
// Process handles live in their own range so they never look like the file layer's handles.
const uintptr_t kFirstProcessHandle = 0x7F000000u;

struct SimWindow {
  HWND handle = NULL;
  world::ProcessWindow settings;
};

struct SimProcess {
  DWORD id = 0;
  std::string image;
  std::vector<SimWindow> windows;       // windows still open
  std::vector<std::string> heldKeys;    // CanonicalKey of each file held open
  bool terminable = true;
  bool running = true;
  DWORD exitCode = STILL_ACTIVE;
};

struct ProcessHandleEntry {
  DWORD processId = 0;
  DWORD access = 0;
};

struct ProcessState {
  std::map<DWORD, SimProcess> processes;
  std::map<uintptr_t, ProcessHandleEntry> handles;
  std::vector<std::string> startedCommands;
  DWORD nextProcessId = kFirstProcessId;
  uintptr_t nextHandle = kFirstProcessHandle;
  // Bumped on every reset so that close events scheduled in an earlier world do nothing.
  unsigned generation = 0;
};

ProcessState& State() {
  static ProcessState state;
  return state;
}

void ResetProcesses() {
  ProcessState& state = State();
  unsigned generation = state.generation + 1;
  state = ProcessState();
  state.generation = generation;
}

struct ResetRegistration {
  ResetRegistration() { world::internal::RegisterResetHook(ResetProcesses); }
} resetRegistration;

SimProcess* FindRunning(DWORD processId) {
  auto found = State().processes.find(processId);
  if (found == State().processes.end() || !found->second.running) return NULL;
  return &found->second;
}

// Ends the process: its remaining windows go away, its files are released.
void EndProcess(SimProcess& process, DWORD exitCode) {
  if (!process.running) return;
  process.running = false;
  process.exitCode = exitCode;
  std::vector<SimWindow> windows;
  windows.swap(process.windows);
  for (const SimWindow& window : windows) world::internal::DestroyForeignWindow(window.handle);
  process.heldKeys.clear();
  world::Record("process " + std::to_string(process.id) + " \"" + process.image + "\" ends");
}

// Closes one window of a running process (as its own code would on WM_CLOSE); the process
// ends with exit code 0 when that was its last window.
void CloseProcessWindow(unsigned generation, DWORD processId, HWND handle) {
  if (generation != State().generation) return;
  SimProcess* process = FindRunning(processId);
  if (process == NULL) return;
  for (size_t i = 0; i < process->windows.size(); ++i) {
    if (process->windows[i].handle != handle) continue;
    process->windows.erase(process->windows.begin() + i);
    world::internal::DestroyForeignWindow(handle);
    if (process->windows.empty()) EndProcess(*process, 0);
    return;
  }
}

// How a simulated program's window answers a message: a close it agrees to happens after
// its delay on the world's clock; anything else is ignored.
void OnProcessWindowMessage(DWORD processId, HWND handle, UINT message, WPARAM wParam) {
  SimProcess* process = FindRunning(processId);
  if (process == NULL) return;
  const SimWindow* window = NULL;
  for (const SimWindow& candidate : process->windows)
    if (candidate.handle == handle) window = &candidate;
  if (window == NULL) return;
  int delay = -1;
  if (message == WM_CLOSE)
    delay = window->settings.closesOnCloseAfterMs;
  else if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL)
    delay = window->settings.closesOnCancelAfterMs;
  if (delay < 0) return;
  unsigned generation = State().generation;
  world::internal::ScheduleAt(world::Now() + (DWORD)delay, [generation, processId, handle]() {
    CloseProcessWindow(generation, processId, handle);
  });
}

DWORD CreateProcessEntry(const world::ProcessSpec& programSpec) {
  ProcessState& state = State();
  DWORD processId = state.nextProcessId;
  state.nextProcessId += 4;
  SimProcess& process = state.processes[processId];
  process.id = processId;
  process.image = programSpec.image;
  process.terminable = programSpec.terminable;
  for (const std::string& file : programSpec.heldFiles) {
    std::string key = world::internal::CanonicalKey(file);
    if (!key.empty()) process.heldKeys.push_back(key);
  }
  for (const world::ProcessWindow& windowSettings : programSpec.windows) {
    HWND handle = world::internal::CreateForeignWindow(
        processId, windowSettings.title, windowSettings.visible,
        [processId](HWND window, UINT message, WPARAM wParam, LPARAM) {
          OnProcessWindowMessage(processId, window, message, wParam);
        });
    if (handle == NULL) continue;
    SimWindow window;
    window.handle = handle;
    window.settings = windowSettings;
    process.windows.push_back(window);
  }
  return processId;
}

ProcessHandleEntry* FindHandle(HANDLE handle) {
  auto found = State().handles.find((uintptr_t)handle);
  if (found == State().handles.end()) return NULL;
  return &found->second;
}

std::string LastPathElement(const std::string& path) {
  size_t cut = path.find_last_of("\\/");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

bool HasExtension(const std::string& path) {
  return LastPathElement(path).find('.') != std::string::npos;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The executable a command line names, found as CreateProcess does without an application
// name: a quoted first token is taken as it is; an unquoted one is tried at each blank in
// turn (".exe" added when it has no extension) until a file exists. Returns the image and
// 0, or "" and the WinExec error (2 no such file, 3 no such folder).
std::string ImageOfCommandLine(const std::string& commandLine, UINT* error) {
  size_t start = 0;
  while (start < commandLine.size() && IsBlank(commandLine[start])) ++start;
  std::vector<std::string> candidates;
  if (start < commandLine.size() && commandLine[start] == '"') {
    size_t close = commandLine.find('"', start + 1);
    if (close == std::string::npos) close = commandLine.size();
    candidates.push_back(commandLine.substr(start + 1, close - start - 1));
  } else {
    for (size_t i = start; i <= commandLine.size(); ++i)
      if (i == commandLine.size() || IsBlank(commandLine[i]))
        if (i > start) candidates.push_back(commandLine.substr(start, i - start));
  }
  std::string first;
  for (std::string candidate : candidates) {
    if (!HasExtension(candidate)) candidate += ".exe";
    if (first.empty()) first = candidate;
    if (world::FileExists(candidate)) {
      *error = 0;
      return candidate;
    }
  }
  *error = ERROR_FILE_NOT_FOUND;
  if (!first.empty()) {
    size_t cut = first.find_last_of('\\');
    if (cut != std::string::npos && cut > 0) {
      std::string folder = first.substr(0, cut);
      if (folder.size() == 2 && folder[1] == ':') folder += '\\';
      if (!world::FolderExists(folder)) *error = ERROR_PATH_NOT_FOUND;
    }
  }
  return "";
}

}  // namespace

// ---- world: other programs ---------------------------------------------------------------------

namespace world {

DWORD StartProcess(const ProcessSpec& programSpec) { return CreateProcessEntry(programSpec); }

bool ProcessRunning(DWORD processId) { return FindRunning(processId) != NULL; }

std::vector<DWORD> RunningProcesses() {
  std::vector<DWORD> running;
  for (const auto& entry : State().processes)
    if (entry.second.running) running.push_back(entry.first);
  return running;
}

std::vector<std::string> StartedCommands() { return State().startedCommands; }

namespace internal {

bool HeldByProcess(const std::string& canonicalKey) {
  if (canonicalKey.empty()) return false;
  for (const auto& entry : State().processes) {
    if (!entry.second.running) continue;
    for (const std::string& held : entry.second.heldKeys)
      if (held == canonicalKey) return true;
  }
  return false;
}

bool IsRunningImage(const std::string& canonicalKey) {
  if (canonicalKey.empty()) return false;
  for (const auto& entry : State().processes)
    if (entry.second.running && CanonicalKey(entry.second.image) == canonicalKey) return true;
  return false;
}

DWORD OwnProcessId() { return kOwnProcessId; }

bool CloseProcessHandle(HANDLE handle) {
  return State().handles.erase((uintptr_t)handle) > 0;
}

DWORD WINAPI ProcessImageName(HANDLE process, HMODULE module, LPSTR fileName, DWORD size) {
  if (FaultFires("GetModuleFileNameExA", "")) return 0;
  ProcessHandleEntry* entry = FindHandle(process);
  if (entry == NULL) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  const DWORD needed = PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;
  if ((entry->access & needed) != needed) {
    SetLastError(ERROR_ACCESS_DENIED);
    return 0;
  }
  if (module != NULL) {  // only the main module is known for another program
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  if (fileName == NULL || size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::string image;
  if (entry->processId == kOwnProcessId) {
    char own[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, own, sizeof own);
    if (length == 0 || length >= sizeof own) {
      SetLastError(ERROR_INVALID_HANDLE);
      return 0;
    }
    image.assign(own, length);
  } else {
    SimProcess* simulated = FindRunning(entry->processId);
    if (simulated == NULL) {  // its modules are gone with it
      SetLastError(ERROR_INVALID_HANDLE);
      return 0;
    }
    image = simulated->image;
  }
  DWORD copied = (DWORD)image.size() < size - 1 ? (DWORD)image.size() : size - 1;
  memcpy(fileName, image.data(), copied);
  fileName[copied] = '\0';
  SetLastError(ERROR_SUCCESS);
  return copied;
}

}  // namespace internal
}  // namespace world

// ---- kernel32 ------------------------------------------------------------------------------------

// A handle to a running program (or to the setup's own process) with the given rights;
// NULL with ERROR_INVALID_PARAMETER when no such process runs.
HANDLE WINAPI OpenProcess(DWORD desiredAccess, BOOL, DWORD processId) {
  if (world::internal::FaultFires("OpenProcess", "")) return NULL;
  if (processId != kOwnProcessId && FindRunning(processId) == NULL) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return NULL;
  }
  ProcessState& state = State();
  uintptr_t value = state.nextHandle;
  state.nextHandle += 4;
  ProcessHandleEntry& entry = state.handles[value];
  entry.processId = processId;
  entry.access = desiredAccess;
  SetLastError(ERROR_SUCCESS);
  return (HANDLE)value;
}

// Ends the process at once with `exitCode`. Fails with ERROR_ACCESS_DENIED when the handle
// lacks PROCESS_TERMINATE, the program may not be ended, or it has ended already.
BOOL WINAPI TerminateProcess(HANDLE process, UINT exitCode) {
  if (world::internal::FaultFires("TerminateProcess", "")) return FALSE;
  ProcessHandleEntry* entry = FindHandle(process);
  if (entry == NULL) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if ((entry->access & PROCESS_TERMINATE) == 0 || entry->processId == kOwnProcessId) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  SimProcess* simulated = FindRunning(entry->processId);
  if (simulated == NULL || !simulated->terminable) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  EndProcess(*simulated, exitCode);
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

// STILL_ACTIVE while the program runs, then the code it ended with.
BOOL WINAPI GetExitCodeProcess(HANDLE process, LPDWORD exitCode) {
  ProcessHandleEntry* entry = FindHandle(process);
  if (entry == NULL) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if ((entry->access & PROCESS_QUERY_INFORMATION) == 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (exitCode == NULL) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (entry->processId == kOwnProcessId) {
    *exitCode = STILL_ACTIVE;
  } else {
    const SimProcess& simulated = State().processes[entry->processId];
    *exitCode = simulated.running ? (DWORD)STILL_ACTIVE : simulated.exitCode;
  }
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

// Starts the program the command line names, without waiting for it. Returns a value above
// 31 on success; otherwise the error (2 no such file, 3 no such folder, 0 out of resources).
// The started program has one window, named after its file and shown unless `cmdShow` is
// SW_HIDE, that closes on WM_CLOSE.
UINT WINAPI WinExec(LPCSTR cmdLine, UINT cmdShow) {
  std::string commandLine = cmdLine != NULL ? cmdLine : "";
  if (world::internal::FaultFires("WinExec", commandLine)) {
    DWORD error = GetLastError();
    return error >= 1 && error <= 31 ? (UINT)error : 0;
  }
  UINT error = 0;
  std::string image = ImageOfCommandLine(commandLine, &error);
  if (image.empty()) {
    SetLastError(error);
    return error;
  }
  world::ProcessSpec programSpec;
  programSpec.image = image;
  world::ProcessWindow window;
  window.title = LastPathElement(image);
  size_t dot = window.title.rfind('.');
  if (dot != std::string::npos && dot > 0) window.title.resize(dot);
  window.visible = cmdShow != SW_HIDE;
  programSpec.windows.push_back(window);
  CreateProcessEntry(programSpec);
  State().startedCommands.push_back(commandLine);
  world::Record("started \"" + commandLine + "\"");
  SetLastError(ERROR_SUCCESS);
  return 33;
}
