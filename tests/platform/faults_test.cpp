// The fault plan: by function, by path, the Nth fallible call, how often, and short writes.
#include "platform_helpers.h"
#include "support/world_fixture.h"

namespace {

class Faults : public WorldTest {};

TEST_F(Faults, AFaultByFunctionFiresAsOftenAsPlanned) {
  world::Fault fault;
  fault.function = "CreateDirectoryA";
  fault.times = 2;
  fault.error = ERROR_WRITE_PROTECT;
  world::AddFault(fault);
  for (int attempt = 1; attempt <= 3; attempt++) {
    SCOPED_TRACE(attempt);
    SetLastError(0);
    BOOL created = CreateDirectoryA(("C:\\Folder" + std::to_string(attempt)).c_str(), nullptr);
    EXPECT_EQ(attempt > 2, created != 0);
    if (!created) {
      EXPECT_EQ((DWORD)ERROR_WRITE_PROTECT, GetLastError());
    }
  }
  EXPECT_FALSE(world::FolderExists("C:\\Folder1"));
  EXPECT_TRUE(world::FolderExists("C:\\Folder3"));
  // Other functions are not touched.
  EXPECT_TRUE(WriteToNewFile("C:\\file.txt"));
}

TEST_F(Faults, AFaultByPathHitsOnlyThatPathInEveryFunction) {
  world::PutFile("C:\\App\\locked.dll", "x");
  world::PutFile("C:\\App\\free.dll", "y");
  world::Fault fault;
  fault.pathContains = "LOCKED";
  fault.times = -1;
  fault.error = ERROR_SHARING_VIOLATION;
  world::AddFault(fault);
  EXPECT_EQ((DWORD)ERROR_SHARING_VIOLATION, OpenForReadError("C:\\App\\locked.dll"));
  EXPECT_FALSE(DeleteFileA("C:\\App\\locked.dll"));
  EXPECT_EQ((DWORD)ERROR_SHARING_VIOLATION, GetLastError());
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("C:\\app\\Locked.dll"));
  EXPECT_EQ(0u, OpenForReadError("C:\\App\\free.dll"));
  EXPECT_TRUE(DeleteFileA("C:\\App\\free.dll"));
  world::ClearFaults();
  EXPECT_TRUE(DeleteFileA("C:\\App\\locked.dll"));
}

TEST_F(Faults, TheNthFallibleCallCanBeMadeToFail) {
  // A fixed sequence of calls; sweeping N over it fails each call once in turn.
  auto sequence = [] {
    HKEY key = nullptr;
    int failures = 0;
    if (!CreateDirectoryA("C:\\Sweep", nullptr)) failures++;
    if (!WriteToNewFile("C:\\a.txt")) failures++;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Sweep", 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != 0)
      failures++;
    else
      RegCloseKey(key);
    if (!FindResourceA(nullptr, MAKEINTRESOURCEA(115), RT_DIALOG)) failures++;
    return failures;
  };
  int before = world::FallibleCallCount();
  EXPECT_EQ(0, sequence());
  int calls = world::FallibleCallCount() - before;
  ASSERT_GE(calls, 4);  // CreateDirectoryA, CreateFileA, WriteFile, RegCreateKeyExA, FindResourceA
  for (int n = 1; n <= calls; n++) {
    SCOPED_TRACE(n);
    world::Create(root_);
    world::LoadResourceFile(VELMORA_DIALOGS_RES);
    world::Fault fault;
    fault.nth = n;
    fault.error = ERROR_NOT_READY;
    world::AddFault(fault);
    EXPECT_EQ(1, sequence());
    // A failed open leaves out the write that would follow it.
    EXPECT_GE(world::FallibleCallCount(), n);
    EXPECT_LE(world::FallibleCallCount(), calls);
  }
}

TEST_F(Faults, RegistryAndShellCallsReportTheFaultsCode) {
  world::AddFault({"RegSetValueExA", "Velmora", 0, 1, ERROR_CANTWRITE});
  world::AddFault({"SHGetSpecialFolderLocation", "", 0, 1, ERROR_PATH_NOT_FOUND});
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Velmora", 0, nullptr, 0, KEY_WRITE, nullptr,
                                           &key, nullptr));
  EXPECT_EQ(ERROR_CANTWRITE, RegSetValueExA(key, "V", 0, REG_SZ, (const BYTE*)"x", 2));
  EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "V", 0, REG_SZ, (const BYTE*)"x", 2));
  RegCloseKey(key);
  LPITEMIDLIST list = nullptr;
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND), SHGetSpecialFolderLocation(nullptr, CSIDL_PROGRAMS, &list));
  EXPECT_EQ(nullptr, list);
}

TEST_F(Faults, AShortWriteReportsSuccessWithTheShorterCount) {
  world::AddShortWrite("Uninstall.cfg", 5);
  HANDLE file = CreateFileA("C:\\Uninstall.cfg", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(file, "d C:\\Velmora\r\n", 14, &written, nullptr));
  EXPECT_EQ(5u, written);
  EXPECT_TRUE(WriteFile(file, "rest", 4, &written, nullptr));  // the plan was for one write
  EXPECT_EQ(4u, written);
  CloseHandle(file);
  EXPECT_EQ("d C:\\rest", world::FileBytes("C:\\Uninstall.cfg"));
  EXPECT_TRUE(WriteToNewFile("C:\\other.txt", "complete"));
  EXPECT_EQ("complete", world::FileBytes("C:\\other.txt"));
}

}  // namespace
