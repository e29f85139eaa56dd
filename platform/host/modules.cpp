// The module loader: the few system libraries the program reaches at run time (kernel32,
// user32, psapi), what LoadLibraryA was asked for, and the DLL search restriction.
#include <stdint.h>

#include <string>
#include <vector>

#include "platform/host/processes_internal.h"
#include "platform/host/world.h"
#include "platform/host/world_internal.h"

namespace {

// Flags SetDefaultDllDirectories accepts.
const DWORD kSearchApplicationDir = 0x00000200;
const DWORD kSearchUserDirs = 0x00000400;
const DWORD kSearchSystem32 = 0x00000800;
const DWORD kSearchDefaultDirs = 0x00001000;

const char kSystemFolder[] = "C:\\Windows\\System32";
// The program's own image, where a real executable is mapped.
const uintptr_t kOwnModule = 0x00400000u;

struct KnownModule {
  const char* name;  // upper case, as CanonicalKey compares
  uintptr_t base;
  bool alwaysLoaded;
};
const KnownModule kKnownModules[] = {
    {"KERNEL32.DLL", 0x7C800000u, true},
    {"USER32.DLL", 0x7E410000u, true},
    {"PSAPI.DLL", 0x76BF0000u, false},
};
const size_t kKnownModuleCount = sizeof kKnownModules / sizeof kKnownModules[0];

struct ModuleState {
  bool psapiAvailable = true;
  int loadCount[kKnownModuleCount] = {};
  std::vector<std::string> loadRequests;
  DWORD dllSearchFlags = 0;
};

ModuleState& State() {
  static ModuleState state;
  return state;
}

struct ResetRegistration {
  ResetRegistration() {
    world::internal::RegisterResetHook([]() { State() = ModuleState(); });
  }
} resetRegistration;

std::string UpperCase(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = (char)(c - 'a' + 'A');
  return text;
}

// Which known module `name` means: a bare name (".dll" implied without an extension) or a
// path into the system folder. -1 when it is none of them.
int ModuleIndexOfName(const char* name) {
  if (name == NULL || name[0] == '\0') return -1;
  std::string text = name;
  std::string file;
  if (text.find_first_of("\\/:") == std::string::npos) {
    file = UpperCase(text);
  } else {
    std::string key = world::internal::CanonicalKey(text);
    std::string folder = world::internal::CanonicalKey(kSystemFolder);
    if (key.empty() || folder.empty() || key.size() <= folder.size() + 1) return -1;
    if (key.compare(0, folder.size(), folder) != 0 || key[folder.size()] != '\\') return -1;
    file = key.substr(folder.size() + 1);
    if (file.find('\\') != std::string::npos) return -1;
  }
  if (file.find('.') == std::string::npos) file += ".DLL";
  for (size_t i = 0; i < kKnownModuleCount; ++i)
    if (file == kKnownModules[i].name) return (int)i;
  return -1;
}

bool IsLoaded(size_t index) {
  if (index == 2 && !State().psapiAvailable) return false;
  return kKnownModules[index].alwaysLoaded || State().loadCount[index] > 0;
}

int ModuleIndexOfHandle(HMODULE module) {
  for (size_t i = 0; i < kKnownModuleCount; ++i)
    if ((uintptr_t)module == kKnownModules[i].base) return (int)i;
  return -1;
}

// kernel32's SetDefaultDllDirectories: records the flags so tests see the restriction.
BOOL WINAPI HostSetDefaultDllDirectories(DWORD flags) {
  const DWORD allowed = kSearchApplicationDir | kSearchUserDirs | kSearchSystem32 | kSearchDefaultDirs;
  if (flags == 0 || (flags & ~allowed) != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  State().dllSearchFlags = flags;
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

}  // namespace

namespace world {

void SetPsapiAvailable(bool available) { State().psapiAvailable = available; }

std::vector<std::string> LoadedLibraries() { return State().loadRequests; }

DWORD DllSearchFlags() { return State().dllSearchFlags; }

}  // namespace world

// Loads a known system library by bare name or from the system folder; anything else (or
// psapi when the world has none) fails with ERROR_MOD_NOT_FOUND.
HMODULE WINAPI LoadLibraryA(LPCSTR fileName) {
  if (fileName == NULL) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return NULL;
  }
  State().loadRequests.push_back(fileName);
  if (world::internal::FaultFires("LoadLibraryA", fileName)) return NULL;
  int index = ModuleIndexOfName(fileName);
  if (index < 0 || (index == 2 && !State().psapiAvailable)) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return NULL;
  }
  State().loadCount[index]++;
  SetLastError(ERROR_SUCCESS);
  return (HMODULE)kKnownModules[index].base;
}

// The handle of a module already loaded; NULL names the program's own image.
HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName) {
  if (moduleName == NULL) return (HMODULE)kOwnModule;
  int index = ModuleIndexOfName(moduleName);
  if (index < 0 || !IsLoaded((size_t)index)) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return NULL;
  }
  return (HMODULE)kKnownModules[index].base;
}

// The host's implementation of an export: psapi's GetModuleFileNameExA and kernel32's
// SetDefaultDllDirectories. Other names fail with ERROR_PROC_NOT_FOUND.
FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR procName) {
  int index = ModuleIndexOfHandle(module);
  if (index < 0 || !IsLoaded((size_t)index)) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return NULL;
  }
  if (procName == NULL || IS_INTRESOURCE(procName)) {  // no exports by ordinal here
    SetLastError(ERROR_PROC_NOT_FOUND);
    return NULL;
  }
  std::string name = procName;
  if (index == 2 && name == "GetModuleFileNameExA")
    return (FARPROC)(void (*)(void))(GetModuleFileNameExAFunction)world::internal::ProcessImageName;
  if (index == 0 && name == "SetDefaultDllDirectories")
    return (FARPROC)(void (*)(void))(BOOL(WINAPI*)(DWORD))HostSetDefaultDllDirectories;
  SetLastError(ERROR_PROC_NOT_FOUND);
  return NULL;
}

// Drops one reference of a LoadLibraryA; psapi is unloaded with its last one.
BOOL WINAPI FreeLibrary(HMODULE module) {
  int index = ModuleIndexOfHandle(module);
  if (index < 0 || !IsLoaded((size_t)index)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (State().loadCount[index] > 0) State().loadCount[index]--;
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}
