// The machine's facts, folders by the shell and the module's own name.
#include <string>

#include "contract_fixture.h"

namespace {

class System : public ContractTest {};

TEST_F(System, TheVersionIsOfTheNtFamily) {
  DWORD version = GetVersion();
  EXPECT_EQ(0u, version & 0x80000000u);
  EXPECT_GE((int)LOBYTE(LOWORD(version)), 5);
}

// The Get...DirectoryA rule: the length when it fits, else the size needed with the zero.
TEST_F(System, FolderQueriesTellTheSizeTheyNeed) {
  char buffer[MAX_PATH];
  DWORD needed = GetCurrentDirectoryA(0, nullptr);
  ASSERT_GT(needed, 3u);
  EXPECT_EQ(needed - 1, GetCurrentDirectoryA(needed, buffer));
  EXPECT_EQ(needed - 1, strlen(buffer));
  EXPECT_EQ(needed, GetCurrentDirectoryA(needed - 1, buffer));

  UINT systemLength = GetSystemDirectoryA(buffer, MAX_PATH);
  ASSERT_GT(systemLength, 0u);
  EXPECT_EQ(0, lstrcmpiA("C:\\Windows\\System32", buffer)) << buffer;
  EXPECT_EQ(systemLength + 1, GetSystemDirectoryA(buffer, 4));
  EXPECT_TRUE(GetFileAttributesA("C:\\Windows\\System32") & FILE_ATTRIBUTE_DIRECTORY);

  ASSERT_GT(GetWindowsDirectoryA(buffer, MAX_PATH), 0u);
  EXPECT_EQ(0, lstrcmpiA("C:\\Windows", buffer)) << buffer;
}

TEST_F(System, TheModuleNameIsAnExecutablePathAndIsCutToTheBuffer) {
  char full[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, full, MAX_PATH);
  ASSERT_GT(length, 4u);
  EXPECT_EQ(length, strlen(full));
  EXPECT_EQ(0, lstrcmpiA(full + length - 4, ".exe")) << full;
  EXPECT_EQ(':', full[1]);

  char small[8];
  SetLastError(0);
  EXPECT_EQ(8u, GetModuleFileNameA(nullptr, small, sizeof small));
  EXPECT_EQ((DWORD)ERROR_INSUFFICIENT_BUFFER, GetLastError());
  EXPECT_EQ(std::string(full, 7), std::string(small, 7));
}

TEST_F(System, SpecialFoldersComeAsIdListsWithFileSystemPaths) {
  LPMALLOC malloc = nullptr;
  ASSERT_EQ(S_OK, SHGetMalloc(&malloc));
  for (int csidl : {CSIDL_PROGRAM_FILES, CSIDL_PERSONAL, CSIDL_DESKTOPDIRECTORY, CSIDL_PROGRAMS, CSIDL_WINDOWS,
                    CSIDL_SYSTEM}) {
    SCOPED_TRACE(csidl);
    LPITEMIDLIST list = nullptr;
    ASSERT_EQ(S_OK, SHGetSpecialFolderLocation(nullptr, csidl, &list));
    char path[MAX_PATH] = "";
    EXPECT_TRUE(SHGetPathFromIDListA(list, path));
    EXPECT_EQ(':', path[1]) << path;
    DWORD attributes = GetFileAttributesA(path);
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) << path;
    malloc->Free(list);
  }
  // A virtual folder has an ID list but no path.
  LPITEMIDLIST controls = nullptr;
  ASSERT_EQ(S_OK, SHGetSpecialFolderLocation(nullptr, CSIDL_CONTROLS, &controls));
  char path[MAX_PATH] = "unchanged";
  EXPECT_FALSE(SHGetPathFromIDListA(controls, path));
  CoTaskMemFree(controls);
  malloc->Release();
}

}  // namespace
