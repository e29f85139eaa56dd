// Windows paths in the world: canonical keys, drives, shares and the Linux paths behind them.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/host/world_internal.h"
#include "platform_helpers.h"
#include "support/world_fixture.h"

namespace {

class Paths : public WorldTest {};

TEST_F(Paths, CanonicalKeysResolveLikeWindows) {
  struct Case {
    const char* path;
    const char* key;
  };
  const Case cases[] = {
      {"C:\\Program Files\\Velmora", "C:\\PROGRAM FILES\\VELMORA"},
      {"c:/program files/../Program Files/Velmora/", "C:\\PROGRAM FILES\\VELMORA"},
      {"C:\\a.\\b  \\c", "C:\\A\\B\\C"},
      {"C:\\..\\..\\x", "C:\\X"},
      {"c:\\", "C:\\"},
      {"Setup.log", "C:\\USERS\\USER\\DOWNLOADS\\SETUP.LOG"},
      {"..\\Documents", "C:\\USERS\\USER\\DOCUMENTS"},
      {"\\Windows", "C:\\WINDOWS"},
      {"C:", "C:\\USERS\\USER\\DOWNLOADS"},
      {"D:data", "D:\\DATA"},
      {"\\\\Server\\Share\\Apps\\..\\Velmora", "\\\\SERVER\\SHARE\\VELMORA"},
      {"C:\\Caf\xE9\\\xFF", "C:\\CAF\xC9\\\x9F"},
      {"C:\\a|b", ""},
      {"C:\\a\\b?", ""},
      {"\\\\server", ""},
      {"\\\\..\\..\\etc", ""},
      {"\\\\server\\. .\\x", ""},
      {"\\\\?\\C:\\x", ""},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(c.key, world::internal::CanonicalKey(c.path)) << c.path;
}

TEST_F(Paths, FilesLandUnderTheirDriveOnLinuxWithUtf8NamesAndTheirCase) {
  ASSERT_TRUE(CreateDirectoryA("C:\\Caf\xE9 Folder", nullptr));
  ASSERT_TRUE(WriteToNewFile("C:\\CAF\xC9 FOLDER\\R\xE9sum\xE9.TXT", "bytes"));
  struct stat info;
  EXPECT_EQ(0, stat((root_ + "/c/Caf\xC3\xA9 Folder/R\xC3\xA9sum\xC3\xA9.TXT").c_str(), &info));
  EXPECT_EQ(root_ + "/c/Caf\xC3\xA9 Folder/R\xC3\xA9sum\xC3\xA9.TXT", world::HostPath("c:\\caf\xE9 folder\\r\xE9sum\xE9.txt"));
  std::vector<std::string> tree = world::ListTree("C:\\Caf\xE9 Folder");
  ASSERT_EQ(1u, tree.size());
  EXPECT_EQ("C:\\Caf\xE9 Folder\\R\xE9sum\xE9.TXT", tree[0]);
  EXPECT_EQ("bytes", world::FileBytes("c:\\CAF\xE9 folder\\r\xC9SUM\xC9.txt"));
}

TEST_F(Paths, NamesChangedBehindTheLayersBackAreFoundWithoutRegardToCase) {
  ASSERT_TRUE(CreateDirectoryA("C:\\Many", nullptr));
  for (int i = 0; i < 50; i++) ASSERT_TRUE(WriteToNewFile("C:\\Many\\file" + std::to_string(i) + ".txt"));
  // Right after the layer's own changes, a test adds and removes names on Linux directly.
  { std::ofstream(root_ + "/c/Many/Outside.TXT") << "outside"; }
  ASSERT_EQ(0, unlink((root_ + "/c/Many/file7.txt").c_str()));
  EXPECT_EQ(0u, OpenForReadError("C:\\MANY\\outside.txt"));
  EXPECT_EQ((DWORD)ERROR_FILE_NOT_FOUND, OpenForReadError("C:\\Many\\FILE7.TXT"));
  // A folder removed and made again is read afresh.
  std::filesystem::remove_all(root_ + "/c/Many");
  std::filesystem::create_directories(root_ + "/c/Many");
  { std::ofstream(root_ + "/c/Many/Again.txt") << "again"; }
  EXPECT_EQ((DWORD)ERROR_FILE_NOT_FOUND, OpenForReadError("C:\\Many\\FILE1.TXT"));
  EXPECT_EQ(0u, OpenForReadError("C:\\many\\AGAIN.TXT"));
  // Creating under another case never makes a second file.
  ASSERT_TRUE(WriteToNewFile("C:\\MANY\\AGAIN.txt", "replaced"));
  EXPECT_EQ((std::vector<std::string>{"C:\\Many\\Again.txt"}), world::ListTree("C:\\Many"));
}

TEST_F(Paths, WithoutChangeNoticesNamesAreStillFoundWithoutRegardToCase) {
  setenv("VELMORA_NO_INOTIFY", "1", 1);
  world::Create(root_);
  ASSERT_TRUE(WriteToNewFile("C:\\Users\\user\\Documents\\Notes.TXT", "notes"));
  { std::ofstream(root_ + "/c/Users/user/Documents/Outside.txt") << "outside"; }
  EXPECT_EQ(0u, OpenForReadError("c:\\USERS\\User\\documents\\notes.txt"));
  EXPECT_EQ(0u, OpenForReadError("C:\\users\\user\\documents\\OUTSIDE.TXT"));
  EXPECT_EQ((DWORD)ERROR_FILE_NOT_FOUND, OpenForReadError("C:\\Users\\user\\Documents\\none.txt"));
  EXPECT_EQ((DWORD)ERROR_PATH_NOT_FOUND, OpenForReadError("C:\\Users\\nobody\\none.txt"));
  ASSERT_TRUE(WriteToNewFile("C:\\USERS\\USER\\DOCUMENTS\\NOTES.txt", "again"));
  EXPECT_EQ(2u, world::ListTree("C:\\Users\\user\\Documents").size());
  unsetenv("VELMORA_NO_INOTIFY");
  world::Create(root_);
}

TEST_F(Paths, DrivesAndSharesExistOnlyWhereTheWorldMakesThem) {
  struct Case {
    const char* folder;
    DWORD error;  // before the drive or share is added
  };
  const Case cases[] = {
      {"Q:\\Apps", ERROR_PATH_NOT_FOUND},
      {"\\\\fileserver\\apps\\Velmora", ERROR_BAD_NETPATH},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.folder);
    EXPECT_FALSE(CreateDirectoryA(c.folder, nullptr));
    EXPECT_EQ(c.error, GetLastError());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(c.folder));
  }
  world::AddShare("FileServer", "Other");
  EXPECT_FALSE(CreateDirectoryA("\\\\fileserver\\apps\\Velmora", nullptr));
  EXPECT_EQ((DWORD)ERROR_BAD_NET_NAME, GetLastError());

  world::AddDrive('Q');
  world::AddShare("fileserver", "Apps");
  EXPECT_TRUE(CreateDirectoryA("Q:\\Apps", nullptr));
  EXPECT_TRUE(CreateDirectoryA("\\\\fileserver\\apps\\Velmora", nullptr));
  EXPECT_TRUE(world::FolderExists("\\\\FILESERVER\\APPS\\velmora"));
  EXPECT_EQ(root_ + "/unc/FileServer/Apps/Velmora", world::HostPath("\\\\fileserver\\apps\\velmora"));
  // The share's root exists and is not created again.
  EXPECT_TRUE(GetFileAttributesA("\\\\fileserver\\apps") & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_FALSE(CreateDirectoryA("\\\\fileserver\\apps", nullptr));
  EXPECT_EQ((DWORD)ERROR_ALREADY_EXISTS, GetLastError());
}

TEST_F(Paths, RelativePathsFollowTheCurrentDirectory) {
  world::MakeFolder("D:\\Work");
  world::SetCurrentDirectory("d:\\work\\");
  char buffer[MAX_PATH];
  EXPECT_EQ(7u, GetCurrentDirectoryA(MAX_PATH, buffer));
  EXPECT_STREQ("D:\\work", buffer);
  ASSERT_TRUE(WriteToNewFile("notes.txt", "n"));
  EXPECT_EQ("n", world::FileBytes("D:\\Work\\notes.txt"));
  // The current directory is in use and cannot be removed.
  EXPECT_FALSE(RemoveDirectoryA("D:\\Work"));
  EXPECT_EQ((DWORD)ERROR_SHARING_VIOLATION, GetLastError());
}

TEST_F(Paths, OverlongPathsAreRefusedBeforeAnythingIsTouched) {
  std::string folder = "C:\\" + std::string(244, 'f');  // 247 characters and the zero: the longest folder
  EXPECT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  std::string longer = folder + "g";
  EXPECT_FALSE(CreateDirectoryA(longer.c_str(), nullptr));
  EXPECT_EQ((DWORD)ERROR_FILENAME_EXCED_RANGE, GetLastError());
  std::string file = folder + "\\" + std::string(11, 'n');  // 259 characters: still a file name
  EXPECT_TRUE(WriteToNewFile(file));
  EXPECT_FALSE(WriteToNewFile(file + "x"));
  EXPECT_EQ((DWORD)ERROR_FILENAME_EXCED_RANGE, GetLastError());
  EXPECT_FALSE(DeleteFileA((file + "x").c_str()));
  EXPECT_EQ((DWORD)ERROR_FILENAME_EXCED_RANGE, GetLastError());
}

}  // namespace
