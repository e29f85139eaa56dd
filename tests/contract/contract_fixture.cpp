#include "contract_fixture.h"

#include <vector>

#ifndef _WIN32
#include <unistd.h>

#include "platform/host/world.h"
#endif

const char kScratchFolder[] = "C:\\velmora-contract";
const char kScratchKey[] = "Software\\VelmoraContract";

#ifdef _WIN32
// Removes a folder tree, read-only files included.
static void RemoveTree(const std::string& folder) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      std::string path = folder + "\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
      }
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveDirectoryA(folder.c_str());
}

static void RemoveKeyTree(HKEY root, const std::string& subKey) {
  HKEY key;
  if (RegOpenKeyExA(root, subKey.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
    std::vector<std::string> children;
    char name[256];
    for (DWORD i = 0; RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS; i++) children.push_back(name);
    RegCloseKey(key);
    for (const std::string& child : children) RemoveKeyTree(root, subKey + "\\" + child);
  }
  RegDeleteKeyA(root, subKey.c_str());
}
#endif

void ContractTest::SetUp() {
#ifdef _WIN32
  RemoveTree(kScratchFolder);
  RemoveKeyTree(HKEY_CURRENT_USER, kScratchKey);
#else
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "-" + info->name();
  for (char& c : name)
    if (c == '/') c = '_';
  world::Create(::testing::TempDir() + "velmora-contract-" + name + "-" + std::to_string(getpid()));
  ASSERT_TRUE(world::LoadResourceFile(VELMORA_DIALOGS_RES));
  ASSERT_TRUE(world::LoadResourceFile(VELMORA_CONTRACT_RES));
#endif
  ASSERT_TRUE(CreateDirectoryA(kScratchFolder, nullptr)) << GetLastError();
}

void ContractTest::TearDown() {
#ifdef _WIN32
  RemoveTree(kScratchFolder);
  RemoveKeyTree(HKEY_CURRENT_USER, kScratchKey);
#endif
}

std::string ContractTest::Scratch(const std::string& name) { return std::string(kScratchFolder) + "\\" + name; }

std::string ContractTest::ScratchKey(const std::string& name) {
  return name.empty() ? kScratchKey : std::string(kScratchKey) + "\\" + name;
}

bool ContractTest::WriteWhole(const std::string& path, const std::string& bytes, DWORD attributes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, nullptr);
  CloseHandle(file);
  return ok && written == bytes.size();
}

std::string ContractTest::ReadWhole(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<error " + std::to_string(GetLastError()) + ">";
  std::string bytes;
  char chunk[4096];
  DWORD got = 0;
  while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) bytes.append(chunk, got);
  CloseHandle(file);
  return bytes;
}
