// Files in the world beyond what Wine can show: denied folders, files held by other
// programs, attributes as Windows keeps them, and the world's own file access.
#include "platform_helpers.h"
#include "support/world_fixture.h"

namespace {

class WorldFiles : public WorldTest {};

TEST_F(WorldFiles, ADeniedFolderRefusesChangesInsideButNotReading) {
  world::PutFile("C:\\Program Files\\Other\\tool.exe", "tool");
  world::DenyFolder("c:\\program files");
  struct Case {
    const char* what;
    bool ok;
  };
  const Case cases[] = {
      {"create folder", (bool)CreateDirectoryA("C:\\Program Files\\Velmora", nullptr)},
      {"create file", WriteToNewFile("C:\\Program Files\\new.txt")},
      {"overwrite file", WriteToNewFile("C:\\Program Files\\Other\\tool.exe")},
      {"delete file", (bool)DeleteFileA("C:\\Program Files\\Other\\tool.exe")},
      {"set attributes", (bool)SetFileAttributesA("C:\\Program Files\\Other\\tool.exe", FILE_ATTRIBUTE_NORMAL)},
      {"remove folder", (bool)RemoveDirectoryA("C:\\Program Files\\Other")},
  };
  for (const Case& c : cases) EXPECT_FALSE(c.ok) << c.what;
  EXPECT_FALSE(DeleteFileA("C:\\Program Files\\Other\\tool.exe"));
  EXPECT_EQ((DWORD)ERROR_ACCESS_DENIED, GetLastError());
  EXPECT_EQ(0u, OpenForReadError("C:\\Program Files\\Other\\tool.exe"));
  EXPECT_EQ("tool", world::FileBytes("C:\\Program Files\\Other\\tool.exe"));
  EXPECT_TRUE(world::FolderExists("C:\\Program Files"));
  EXPECT_FALSE(world::FolderExists("C:\\Program Files\\Velmora"));
  // A missing folder below the denied one still reports the missing path first.
  EXPECT_FALSE(WriteToNewFile("C:\\Program Files\\Missing\\x.txt"));
  EXPECT_EQ((DWORD)ERROR_PATH_NOT_FOUND, GetLastError());
  // Outside the denied folder all is allowed.
  EXPECT_TRUE(CreateDirectoryA("C:\\Program Files Else", nullptr));
}

TEST_F(WorldFiles, AFileHeldByAnotherProgramIsLockedUntilThatProgramEnds) {
  // A data file the program keeps open without sharing (its own image behaves otherwise:
  // see the running-image tests of the processes suite).
  const char path[] = "C:\\Program Files\\Velmora\\Settings.dat";
  world::PutFile(path, "old", FILE_ATTRIBUTE_READONLY);
  world::ProcessSpec programSpec;
  programSpec.image = "C:\\Program Files\\Velmora\\Velmora.exe";
  programSpec.windows.push_back(world::ProcessWindow{"Velmora", true, 0, -1});
  programSpec.heldFiles.push_back("c:\\PROGRAM FILES\\velmora\\settings.DAT");
  DWORD pid = world::StartProcess(programSpec);

  EXPECT_EQ((DWORD)ERROR_SHARING_VIOLATION, OpenForReadError(path));
  ASSERT_TRUE(SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL));  // attributes are not data: allowed
  EXPECT_FALSE(DeleteFileA(path));
  EXPECT_EQ((DWORD)ERROR_SHARING_VIOLATION, GetLastError());
  EXPECT_FALSE(WriteToNewFile(path));
  EXPECT_EQ((DWORD)ERROR_SHARING_VIOLATION, GetLastError());

  HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, pid);
  ASSERT_NE(nullptr, process);
  ASSERT_TRUE(TerminateProcess(process, 1));
  EXPECT_TRUE(CloseHandle(process));  // a process handle, closed through the same call
  EXPECT_FALSE(CloseHandle(process));
  EXPECT_EQ((DWORD)ERROR_INVALID_HANDLE, GetLastError());
  EXPECT_TRUE(DeleteFileA(path));
}

TEST_F(WorldFiles, AttributesAreKeptAsWindowsKeepsThem) {
  ASSERT_TRUE(WriteToNewFile("C:\\plain.txt"));
  EXPECT_EQ((DWORD)FILE_ATTRIBUTE_ARCHIVE, GetFileAttributesA("C:\\plain.txt"));
  ASSERT_TRUE(SetFileAttributesA("C:\\plain.txt", FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ((DWORD)FILE_ATTRIBUTE_NORMAL, GetFileAttributesA("C:\\plain.txt"));
  ASSERT_TRUE(SetFileAttributesA("C:\\plain.txt", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_EQ((DWORD)(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY), GetFileAttributesA("C:\\plain.txt"));
  EXPECT_EQ((DWORD)FILE_ATTRIBUTE_DIRECTORY, GetFileAttributesA("C:\\Windows"));

  // Overwriting a hidden file needs the hidden attribute asked for again.
  world::PutFile("C:\\hidden.dat", "h", FILE_ATTRIBUTE_HIDDEN);
  HANDLE file = CreateFileA("C:\\hidden.dat", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_EQ(INVALID_HANDLE_VALUE, file);
  EXPECT_EQ((DWORD)ERROR_ACCESS_DENIED, GetLastError());
  file = CreateFileA("C:\\hidden.dat", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_HIDDEN, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  CloseHandle(file);
  EXPECT_EQ((DWORD)(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE), world::Attributes("C:\\hidden.dat"));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, world::Attributes("C:\\none.dat"));
}

TEST_F(WorldFiles, TheWorldsOwnAccessMakesFoldersAndListsTrees) {
  world::PutFile("C:\\Tree\\B\\two.txt", "2");
  world::PutFile("C:\\Tree\\a.txt", "1", FILE_ATTRIBUTE_READONLY);
  world::MakeFolder("C:\\Tree\\Empty");
  std::vector<std::string> expected = {"C:\\Tree\\B", "C:\\Tree\\B\\two.txt", "C:\\Tree\\Empty", "C:\\Tree\\a.txt"};
  EXPECT_EQ(expected, world::ListTree("C:\\Tree"));
  EXPECT_TRUE(world::FileExists("C:\\tree\\A.TXT"));
  EXPECT_FALSE(world::FileExists("C:\\Tree\\B"));
  EXPECT_TRUE(world::FolderExists("C:\\TREE\\b"));
  EXPECT_EQ((DWORD)FILE_ATTRIBUTE_READONLY, world::Attributes("C:\\Tree\\a.txt") & FILE_ATTRIBUTE_READONLY);
  // The world's own access is not subject to the read-only attribute.
  world::PutFile("C:\\Tree\\a.txt", "replaced");
  EXPECT_EQ("replaced", world::FileBytes("C:\\Tree\\a.txt"));
}

TEST_F(WorldFiles, WritesStayBoundToTheHandlesRights) {
  ASSERT_TRUE(WriteToNewFile("C:\\data.bin", "0123456789"));
  HANDLE file = CreateFileA("C:\\data.bin", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  EXPECT_EQ(6u, SetFilePointer(file, -4, nullptr, FILE_END));
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(file, "AB", 2, &written, nullptr));
  EXPECT_EQ(INVALID_SET_FILE_POINTER, SetFilePointer(file, -100, nullptr, FILE_CURRENT));
  EXPECT_EQ(131u, GetLastError());  // a negative position
  CloseHandle(file);
  EXPECT_EQ("012345AB89", world::FileBytes("C:\\data.bin"));
  char buffer[4];
  DWORD got = 7;
  EXPECT_FALSE(ReadFile(file, buffer, sizeof buffer, &got, nullptr));
  EXPECT_EQ((DWORD)ERROR_INVALID_HANDLE, GetLastError());
  EXPECT_EQ(0u, got);
  EXPECT_EQ(INVALID_FILE_SIZE, GetFileSize(file, nullptr));
}

}  // namespace
