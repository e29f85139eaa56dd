// The world's lifecycle and the machine's settings: a fresh machine, reopening one a
// previous run left, and saving what must outlive the process (registry, file metadata).
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/host/core_state.h"
#include "platform/host/world_internal.h"

namespace world {
namespace core {

Machine& TheMachine() {
  static Machine machine;
  return machine;
}

std::string HexEncode(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out = "x";  // never empty, so a line always has every field
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

std::string HexDecode(const std::string& hex) {
  std::string out;
  auto value = [](char c) { return c >= 'a' ? c - 'a' + 10 : c >= 'A' ? c - 'A' + 10 : c - '0'; };
  for (size_t i = 1; i + 1 < hex.size(); i += 2) out += (char)(value(hex[i]) * 16 + value(hex[i + 1]));
  return out;
}

}  // namespace core

namespace {

std::vector<std::function<void()>>& ResetHooks() {
  static std::vector<std::function<void()>> hooks;
  return hooks;
}

const char kMachineFile[] = "world-machine.txt";
const char kFilesFile[] = "world-files.txt";
const char kRegistryFile[] = "world-registry.txt";

std::string ReadWhole(const std::string& path) {
  std::string text;
  FILE* in = fopen(path.c_str(), "rb");
  if (!in) return text;
  char chunk[65536];
  size_t got;
  while ((got = fread(chunk, 1, sizeof chunk, in)) > 0) text.append(chunk, got);
  fclose(in);
  return text;
}

void WriteWhole(const std::string& path, const std::string& text) {
  std::string temporary = path + ".new";
  FILE* out = fopen(temporary.c_str(), "wb");
  if (!out) return;
  fwrite(text.data(), 1, text.size(), out);
  fclose(out);
  rename(temporary.c_str(), path.c_str());
}

std::string SerializeMachine() {
  const core::Machine& machine = core::TheMachine();
  std::string out = "administrator " + std::to_string(machine.administrator ? 1 : 0) + "\n";
  out += "version " + std::to_string(machine.version) + "\n";
  out += "current " + core::HexEncode(machine.currentDirectory) + "\n";
  for (const std::string& denied : machine.deniedFolders) out += "denied " + core::HexEncode(denied) + "\n";
  for (const auto& [csidl, path] : machine.specialFolders)
    out += "folder " + std::to_string(csidl) + " " + core::HexEncode(path) + "\n";
  return out;
}

void DeserializeMachine(const std::string& text) {
  core::Machine& machine = core::TheMachine();
  machine.deniedFolders.clear();
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    size_t space = line.find(' ');
    if (space == std::string::npos) continue;
    std::string word = line.substr(0, space), rest = line.substr(space + 1);
    if (word == "administrator") machine.administrator = rest == "1";
    else if (word == "version") machine.version = (DWORD)strtoul(rest.c_str(), nullptr, 10);
    else if (word == "current") machine.currentDirectory = core::HexDecode(rest);
    else if (word == "denied") machine.deniedFolders.push_back(core::HexDecode(rest));
    else if (word == "folder") {
      size_t split = rest.find(' ');
      if (split != std::string::npos)
        machine.specialFolders[atoi(rest.substr(0, split).c_str())] = core::HexDecode(rest.substr(split + 1));
    }
  }
}

// Empties every piece's state: the core's own, then each registered piece's.
void ResetEverything() {
  core::CloseAllFiles();
  core::ForgetFolderIndexes();
  core::MetaTable().clear();
  core::ResetRegistry();
  core::ResetResources();
  core::ResetFaults();
  core::TheMachine() = core::Machine();
  SetLastError(ERROR_SUCCESS);
  for (auto& hook : ResetHooks()) hook();
}

void LoadResourcesFromEnvironment() {
  const char* resFile = getenv("VELMORA_RES_FILE");
  if (resFile && *resFile) LoadResourceFile(resFile);
}

void SaveAtExit() {
  if (!core::TheMachine().root.empty()) Save();
}

void UseRoot(const std::string& root) {
  static bool saveRegistered = false;
  if (!saveRegistered) {
    saveRegistered = true;
    atexit(SaveAtExit);
  }
  core::TheMachine().root = root;
}

// Refuses roots whose emptying could only be a mistake.
bool IsSafeRoot(const std::string& root) {
  std::error_code error;
  std::filesystem::path path = std::filesystem::weakly_canonical(root, error);
  return !root.empty() && !error && path.has_relative_path() && path != std::filesystem::path(getenv("HOME") ? getenv("HOME") : "/");
}

}  // namespace

namespace internal {
void RegisterResetHook(std::function<void()> reset) { ResetHooks().push_back(std::move(reset)); }
}  // namespace internal

void Create(const std::string& root) {
  if (!IsSafeRoot(root)) {
    fprintf(stderr, "world::Create: refusing to empty \"%s\"\n", root.c_str());
    abort();
  }
  ResetEverything();
  std::error_code error;
  std::filesystem::remove_all(root, error);
  std::filesystem::create_directories(root, error);
  UseRoot(root);
  AddDrive('C');
  AddDrive('D');
  for (const auto& [csidl, path] : core::DefaultSpecialFolders()) SetSpecialFolder(csidl, path);
  MakeFolder(core::TheMachine().currentDirectory);
  WriteValue(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir", REG_SZ,
             std::string("C:\\Program Files") + '\0');
  LoadResourcesFromEnvironment();
}

void Open(const std::string& root) {
  ResetEverything();
  UseRoot(root);
  for (const auto& [csidl, path] : core::DefaultSpecialFolders()) core::TheMachine().specialFolders[csidl] = path;
  DeserializeMachine(ReadWhole(root + "/" + kMachineFile));
  core::DeserializeMeta(ReadWhole(root + "/" + kFilesFile));
  core::DeserializeRegistry(ReadWhole(root + "/" + kRegistryFile));
  LoadResourcesFromEnvironment();
}

void Save() {
  const std::string& root = core::TheMachine().root;
  if (root.empty()) return;
  WriteWhole(root + "/" + kMachineFile, SerializeMachine());
  WriteWhole(root + "/" + kFilesFile, core::SerializeMeta());
  WriteWhole(root + "/" + kRegistryFile, core::SerializeRegistry());
}

std::string Root() { return core::TheMachine().root; }

void SetAdministrator(bool administrator) { core::TheMachine().administrator = administrator; }

void SetWindows95Family(bool windows95) { core::TheMachine().version = windows95 ? 0xC0000A04u : 0x0A280105u; }

void SetVersion(DWORD version) { core::TheMachine().version = version; }

void AddDrive(char letter) {
  std::error_code error;
  std::filesystem::create_directories(Root() + "/" + std::string(1, (char)tolower((unsigned char)letter)), error);
}

void AddShare(const std::string& server, const std::string& share) {
  std::error_code error;
  std::filesystem::create_directories(Root() + "/unc", error);
  std::string serverFolder = core::HostChild(Root() + "/unc", server);
  std::filesystem::create_directories(core::HostChild(serverFolder, share), error);
}

void DenyFolder(const std::string& folder) {
  std::string key = internal::CanonicalKey(folder);
  if (!key.empty()) core::TheMachine().deniedFolders.push_back(key);
}

void SetSpecialFolder(int csidl, const std::string& path) {
  core::TheMachine().specialFolders[csidl] = path;
  if (!path.empty()) MakeFolder(path);
}

std::string SpecialFolder(int csidl) {
  auto& folders = core::TheMachine().specialFolders;
  auto found = folders.find(csidl);
  return found == folders.end() ? "" : found->second;
}

void SetCurrentDirectory(const std::string& path) {
  std::string display = core::DisplayPath(core::ParsePath(path));
  if (!display.empty()) core::TheMachine().currentDirectory = display;
}

}  // namespace world
