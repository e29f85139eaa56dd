// Path helpers: joining with the 259-character bound, parent folders, folder checks.
#include <gtest/gtest.h>

#include <string>

#include "common/common.h"
#include "support/world_fixture.h"

namespace {

TEST(JoinPathTest, JoinsWithExactlyOneBackslash) {
  struct Case {
    const char* folder;
    const char* name;
    const char* joined;
  } cases[] = {
      {"C:\\Program Files", "Velmora", "C:\\Program Files\\Velmora"},
      {"C:\\", "Velmora", "C:\\Velmora"},
      {"C:\\A", "\\b.txt", "C:\\A\\b.txt"},
      {"C:\\A\\", "\\b.txt", "C:\\A\\b.txt"},
      {"C:\\A", "\\\\b", "C:\\A\\\\b"},  // only one leading backslash is dropped
      {"C:\\A", "sub\\b.txt", "C:\\A\\sub\\b.txt"},
      {"", "\\b.txt", "\\b.txt"},  // empty folder: the name as it is
      {"", "", ""},
      {"C:\\A", "", "C:\\A\\"},
  };
  for (const Case& c : cases) {
    char out[PATH_CAPACITY];
    EXPECT_EQ(1, JoinPath(out, c.folder, c.name)) << c.folder << " + " << c.name;
    EXPECT_STREQ(c.joined, out);
    char inPlace[PATH_CAPACITY];
    strcpy(inPlace, c.folder);
    EXPECT_EQ(1, AppendPath(inPlace, c.name));
    EXPECT_STREQ(c.joined, inPlace);
  }
}

TEST(JoinPathTest, ReportsAPathOver259Characters) {
  const std::string folder = "C:\\" + std::string(250, 'f');  // 253 characters
  struct Case {
    std::string name;
    int fits;
  } cases[] = {
      {"abcde", 1},   // 253 + 1 + 5 = 259
      {"\\abcde", 1}, // the dropped backslash does not count
      {"abcdef", 0},  // 260
      {std::string(1000, 'n'), 0},
  };
  for (const Case& c : cases) {
    char out[PATH_CAPACITY];
    memset(out, 'X', sizeof out);
    EXPECT_EQ(c.fits, JoinPath(out, folder.c_str(), c.name.c_str())) << c.name.size();
    if (c.fits) {
      EXPECT_EQ(259u, strlen(out));
    } else {
      EXPECT_STREQ("", out);
    }
    char inPlace[PATH_CAPACITY];
    strcpy(inPlace, folder.c_str());
    EXPECT_EQ(c.fits, AppendPath(inPlace, c.name.c_str()));
    if (!c.fits) {
      EXPECT_EQ(folder, inPlace) << "a failed append leaves the folder as it was";
    }
  }
}

TEST(ParentFolderTest, CutsAtTheLastBackslashKeepingARoot) {
  struct Case {
    std::string path;
    std::string parent;
  } cases[] = {
      {"C:\\Velmora.exe", "C:\\"},
      {"C:\\Program Files\\Velmora\\Velmora.exe", "C:\\Program Files\\Velmora"},
      {"C:\\A\\", "C:\\A"},
      {"C:\\A\\b", "C:\\A"},  // backslash at position 4 is past the root
      {"\\x", "\\"},
      {"\\\\server\\share\\file", "\\\\server\\share"},
      {"Velmora.exe", "Velmora.exe"},
      {"", ""},
      // Only the first 259 characters are looked at.
      {"C:\\" + std::string(250, 'a') + "\\bcdef\\g", "C:\\" + std::string(250, 'a')},
      {"C:\\" + std::string(300, 'a'), "C:\\"},
  };
  for (const Case& c : cases) {
    char out[PATH_CAPACITY];
    memset(out, 'X', sizeof out);
    ParentFolder(c.path.c_str(), out);
    EXPECT_EQ(c.parent, out) << c.path;
  }
}

TEST(FormatTextTest, CutsAndAlwaysTerminates) {
  char out[8];
  EXPECT_EQ(5, FormatText(out, sizeof out, "%s-%d", "ab", 12));
  EXPECT_STREQ("ab-12", out);
  EXPECT_EQ(7, FormatText(out, sizeof out, "%s", "0123456789"));
  EXPECT_STREQ("0123456", out);
  EXPECT_EQ(0, FormatText(out, 1, "%s", "abc"));
  EXPECT_STREQ("", out);
}

class FolderTest : public WorldTest {};

TEST_F(FolderTest, IsFolderOnlyForExistingFolders) {
  world::MakeFolder("C:\\Data\\Sub");
  world::PutFile("C:\\Data\\file.txt", "x");
  EXPECT_TRUE(IsFolder("C:\\Data"));
  EXPECT_TRUE(IsFolder("c:\\data\\SUB"));
  EXPECT_FALSE(IsFolder("C:\\Data\\file.txt"));
  EXPECT_FALSE(IsFolder("C:\\Data\\missing"));
  EXPECT_FALSE(IsFolder(""));
}

TEST_F(FolderTest, SpecialFolderGivesThePathOrEmpty) {
  world::SetSpecialFolder(CSIDL_PROGRAM_FILES, "D:\\Apps");
  world::MakeFolder("D:\\Apps");
  char out[PATH_CAPACITY];
  EXPECT_EQ(1, GetSpecialFolder(CSIDL_PROGRAM_FILES, out));
  EXPECT_STREQ("D:\\Apps", out);

  world::SetSpecialFolder(CSIDL_PROGRAM_FILES, "");
  strcpy(out, "stale");
  EXPECT_EQ(0, GetSpecialFolder(CSIDL_PROGRAM_FILES, out));
  EXPECT_STREQ("", out);
}

}  // namespace
