// The world's lifecycle: a fresh machine, saving, reopening.
#include <sys/stat.h>

#include <fstream>

#include "platform/host/world_internal.h"
#include "platform_helpers.h"
#include "support/world_fixture.h"

namespace {

class Lifecycle : public WorldTest {};

TEST_F(Lifecycle, AFreshMachineHasItsFoldersSettingsAndRegistry) {
  for (const char* folder : {"C:\\Program Files", "C:\\Users\\user\\Documents", "C:\\Users\\user\\Start Menu\\Programs",
                             "C:\\ProgramData\\Start Menu\\Programs", "C:\\Users\\user\\Desktop",
                             "C:\\Users\\Public\\Desktop", "C:\\Windows\\System32", "C:\\Users\\user\\Downloads", "D:\\"})
    EXPECT_TRUE(world::FolderExists(folder)) << folder;
  EXPECT_EQ(0x0A280105u, GetVersion());
  char buffer[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, buffer);
  EXPECT_STREQ("C:\\Users\\user\\Downloads", buffer);
  GetModuleFileNameA(nullptr, buffer, MAX_PATH);
  EXPECT_STREQ("C:\\Users\\user\\Downloads\\VelmoraSetup.exe", buffer);
  world::RegistryValue programFiles =
      world::ReadValue(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir");
  EXPECT_EQ((DWORD)REG_SZ, programFiles.type);
  EXPECT_EQ(std::string("C:\\Program Files\0", 17), programFiles.data);
  EXPECT_FALSE(world::KeyExists(HKEY_CURRENT_USER, "Software\\Brisbeck"));
}

TEST_F(Lifecycle, CreateEmptiesTheFolderAndResetsEveryPiece) {
  ASSERT_TRUE(WriteToNewFile("C:\\left-over.txt"));
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Old", 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr));
  RegCloseKey(key);
  world::SetAdministrator(false);
  world::SetWindows95Family(true);
  static int hookCalls;
  hookCalls = 0;
  world::internal::RegisterResetHook([] { hookCalls++; });
  { std::ofstream(root_ + "/stray-file") << "x"; }

  world::Create(root_);
  EXPECT_EQ(1, hookCalls);
  EXPECT_FALSE(world::FileExists("C:\\left-over.txt"));
  struct stat info;
  EXPECT_NE(0, stat((root_ + "/stray-file").c_str(), &info));
  EXPECT_FALSE(world::KeyExists(HKEY_CURRENT_USER, "Software\\Old"));
  EXPECT_EQ(0x0A280105u, GetVersion());
  EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\New", 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr));
  RegCloseKey(key);
}

TEST_F(Lifecycle, ASecondRunSeesRegistryAttributesAndCreationTimesOfTheFirst) {
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Brisbeck\\Velmora", 0, nullptr, 0,
                                           KEY_WRITE, nullptr, &key, nullptr));
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "InstallPath", 0, REG_SZ, (const BYTE*)"C:\\V\xE9lmora", 11));
  RegCloseKey(key);
  HANDLE file = CreateFileA("C:\\kept.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_READONLY, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  FILETIME creation = {0x12345678, 0x01C00000};
  ASSERT_TRUE(SetFileTime(file, &creation, nullptr, nullptr));
  CloseHandle(file);
  world::SetAdministrator(false);
  world::DenyFolder("C:\\Program Files");
  world::SetSpecialFolder(CSIDL_PERSONAL, "");
  world::Save();

  // Another machine in between, so nothing survives in memory.
  world::Create(root_ + "-other");
  world::Open(root_);
  world::RegistryValue value = world::ReadValue(HKEY_LOCAL_MACHINE, "software\\brisbeck\\velmora", "installpath");
  EXPECT_EQ(std::string("C:\\V\xE9lmora", 11), value.data);
  EXPECT_EQ(FILE_ATTRIBUTE_READONLY, GetFileAttributesA("C:\\kept.txt") & FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(DeleteFileA("C:\\kept.txt"));
  EXPECT_EQ(creation.dwLowDateTime, world::Times("C:\\kept.txt").creation.dwLowDateTime);
  EXPECT_EQ(creation.dwHighDateTime, world::Times("C:\\kept.txt").creation.dwHighDateTime);
  EXPECT_FALSE(CreateDirectoryA("C:\\Program Files\\Velmora", nullptr));
  EXPECT_EQ((DWORD)ERROR_ACCESS_DENIED, GetLastError());
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\X", 0, nullptr, 0, KEY_WRITE, nullptr,
                                                 &key, nullptr));
  LPITEMIDLIST list = nullptr;
  EXPECT_TRUE(FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_PERSONAL, &list)));
  world::Create(root_ + "-other");  // leaves nothing of the first root open
}

TEST_F(Lifecycle, TheVersionFollowsTheWindowsFamily) {
  world::SetWindows95Family(true);
  EXPECT_EQ(0xC0000A04u, GetVersion());
  EXPECT_TRUE(GetVersion() & 0x80000000u);
  world::SetWindows95Family(false);
  EXPECT_EQ(0x0A280105u, GetVersion());
  world::SetVersion(0x23F00206);  // Windows 8, build 9200
  EXPECT_EQ(0x23F00206u, GetVersion());
}

TEST_F(Lifecycle, CreateRefusesToEmptyTheFileSystemRoot) {
  EXPECT_DEATH(world::Create("/"), "refusing");
  EXPECT_DEATH(world::Create(""), "refusing");
}

}  // namespace
