// Creating folder trees (what is created, in which order, what is logged) and the
// containment check applied to paths read from an old log.
#include <string>
#include <vector>

#include "installlog/folders.h"
#include "installlog/log_fixture.h"

using FolderTreeTest = LogTest;

TEST_F(FolderTreeTest, CreatesAndLogsMissingFoldersInOrder) {
  struct Case {
    const char* path;
    ResultCode result;
    std::vector<std::string> logged;
  } cases[] = {
      {"C:\\", 0, {}},
      {"D:\\A\\B\\C", 0, {"dD:\\A", "dD:\\A\\B", "dD:\\A\\B\\C"}},
      {"D:\\Trail\\Sub\\", 0, {"dD:\\Trail", "dD:\\Trail\\Sub"}},
      {"D:\\Existing\\New", 0, {"dD:\\Existing\\New"}},
      {"D:\\Existing", 0, {}},
      {"\\\\server\\share\\Apps\\Velmora", 0,
       {"d\\\\server\\share\\Apps", "d\\\\server\\share\\Apps\\Velmora"}},
      {"\\\\server\\share", 0, {}},
      {"Velmora", ERROR_INVALID_NAME, {}},
      {"Apps\\Velmora", ERROR_INVALID_NAME, {}},
      {"D:\\file.txt", ERROR_INVALID_NAME, {}},
      {"D:\\file.txt\\below", ERROR_INVALID_NAME, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    ASSERT_NO_FATAL_FAILURE(world::Create(root_));
    world::AddShare("server", "share");
    world::MakeFolder("D:\\Existing");
    world::PutFile("D:\\file.txt", "x");
    OpenLog("C:\\trace.cfg");
    EXPECT_EQ(CreateFolderTree(c.path), c.result);
    CloseLog();
    EXPECT_EQ(LogLines(world::FileBytes("C:\\trace.cfg")), c.logged);
    if (c.result == 0) EXPECT_TRUE(world::FolderExists(c.path));
  }
}

TEST_F(FolderTreeTest, NetworkPathNeverCreatesServerOrShare) {
  // Without the share the prefix folders cannot be made; the server and share names are
  // never attempted as folders (they would be logged if a create succeeded).
  OpenLog("C:\\trace.cfg");
  EXPECT_EQ(CreateFolderTree("\\\\server\\share\\Apps\\Velmora"), (ResultCode)ERROR_INVALID_NAME);
  EXPECT_EQ(CreateFolderTree("\\\\server\\share\\"), (ResultCode)ERROR_INVALID_NAME);
  CloseLog();
  EXPECT_EQ(world::FileBytes("C:\\trace.cfg"), "");
}

TEST_F(FolderTreeTest, BareNameOfAnExistingFolderCountsAsDone) {
  world::MakeFolder("D:\\Work\\Velmora");
  world::SetCurrentDirectory("D:\\Work");
  EXPECT_EQ(CreateFolderTree("Velmora"), 0u);
}

TEST_F(FolderTreeTest, AccessDeniedStopsAtTheFirstDeniedFolder) {
  world::DenyFolder("C:\\Program Files");
  OpenLog("C:\\trace.cfg");
  EXPECT_EQ(CreateFolderTree("C:\\Program Files\\Velmora\\Sub"), (ResultCode)ERROR_ACCESS_DENIED);
  CloseLog();
  EXPECT_FALSE(world::FolderExists("C:\\Program Files\\Velmora"));
  EXPECT_EQ(world::FileBytes("C:\\trace.cfg"), "");
}

TEST_F(FolderTreeTest, TooLongPathIsInvalidAndCreatesNothing) {
  std::string path = "D:\\" + std::string(120, 'a') + "\\" + std::string(140, 'b');
  EXPECT_EQ(CreateFolderTree(path.c_str()), (ResultCode)ERROR_INVALID_NAME);
  EXPECT_TRUE(world::ListTree("D:\\").empty());
}

// ---- containment ------------------------------------------------------------------------

TEST(PathInside, ResolvesDotPartsBeforeComparing) {
  struct Case {
    const char* path;
    const char* folder;
    int inside;
    const char* resolved;
  } cases[] = {
      {"C:\\Velmora\\Velmora.exe", "C:\\Velmora", 1, "C:\\Velmora\\Velmora.exe"},
      {"c:\\VELMORA\\sub\\a.txt", "C:\\Velmora", 1, "c:\\VELMORA\\sub\\a.txt"},
      {"C:\\Velmora\\.\\sub\\..\\a.txt", "C:\\Velmora", 1, "C:\\Velmora\\a.txt"},
      {"C:/Velmora/sub//a.txt", "C:\\Velmora\\", 1, "C:\\Velmora\\sub\\a.txt"},
      {"C:\\Velmora\\a.txt", "C:\\Velmora\\x\\..", 1, "C:\\Velmora\\a.txt"},
      {"C:\\boot.ini", "C:\\", 1, "C:\\boot.ini"},
      {"\\\\srv\\share\\Velmora\\a", "\\\\SRV\\Share\\Velmora", 1, "\\\\srv\\share\\Velmora\\a"},
      {"C:\\Velmora\\..\\Windows\\system.ini", "C:\\Velmora", 0, ""},
      {"C:\\Velmora\\sub\\..\\..\\x", "C:\\Velmora", 0, ""},
      {"C:/Velmora/../x", "C:\\Velmora", 0, ""},
      {"C:\\Velmora", "C:\\Velmora", 0, ""},
      {"C:\\Velmora\\", "C:\\Velmora", 0, ""},
      {"C:\\Velmora2\\a", "C:\\Velmora", 0, ""},
      {"C:\\Windows\\a", "C:\\Velmora", 0, ""},
      {"D:\\Velmora\\a", "C:\\Velmora", 0, ""},
      {"Velmora\\a", "C:\\Velmora", 0, ""},
      {"\\Velmora\\a", "C:\\Velmora", 0, ""},
      {"C:Velmora\\a", "C:\\Velmora", 0, ""},
      {"C:\\..\\a", "C:\\", 0, ""},
      {"\\\\srv\\share\\..\\other\\a", "\\\\srv\\share", 0, ""},
      {"\\\\?\\C:\\Velmora\\a", "C:\\Velmora", 0, ""},
      {"\\\\.\\C:\\Velmora\\a", "C:\\Velmora", 0, ""},
      // Windows strips trailing dots and spaces, which would change what was checked.
      {"C:\\Velmora\\...\\a", "C:\\Velmora", 0, ""},
      {"C:\\Velmora\\.. \\a", "C:\\Velmora", 0, ""},
      {"C:\\Velmora\\a.txt:stream", "C:\\Velmora", 0, ""},
      {"", "C:\\Velmora", 0, ""},
      {"C:\\Velmora\\a", "", 0, ""},
  };
  for (const Case& c : cases) {
    char resolved[PATH_CAPACITY] = "unchanged";
    EXPECT_EQ(PathInsideFolder(c.path, c.folder, resolved), c.inside) << c.path << " in " << c.folder;
    EXPECT_STREQ(resolved, c.resolved) << c.path << " in " << c.folder;
  }
}

TEST(PathInside, LongPathsNeverOverrun) {
  std::string longPath = "C:\\Velmora\\" + std::string(400, 'a');
  char resolved[PATH_CAPACITY];
  EXPECT_EQ(PathInsideFolder(longPath.c_str(), "C:\\Velmora", resolved), 0);
  std::string dots = "C:\\Velmora";
  for (int i = 0; i < 100; i++) dots += "\\x\\..";
  dots += "\\a";
  EXPECT_EQ(PathInsideFolder(dots.c_str(), "C:\\Velmora", resolved), 1);
  EXPECT_STREQ(resolved, "C:\\Velmora\\a");
}
