// Special folders of the world: defaults, moved and missing folders, the ID lists.
#include "platform/host/world_internal.h"
#include "support/world_fixture.h"

namespace {

class ShellFolders : public WorldTest {
 protected:
  // The folder as the program gets it: ID list, path, freed with the allocator.
  std::string FolderPath(int csidl, HRESULT* result = nullptr) {
    LPMALLOC malloc = nullptr;
    EXPECT_EQ(S_OK, SHGetMalloc(&malloc));
    LPITEMIDLIST list = nullptr;
    HRESULT hr = SHGetSpecialFolderLocation(nullptr, csidl, &list);
    if (result) *result = hr;
    if (FAILED(hr)) {
      EXPECT_EQ(nullptr, list);
      return "<failed>";
    }
    char path[MAX_PATH];
    BOOL ok = SHGetPathFromIDListA(list, path);
    EXPECT_EQ(1, malloc->DidAlloc(list));
    malloc->Free(list);
    malloc->Release();
    return ok ? path : "<no path>";
  }
};

TEST_F(ShellFolders, DefaultsOfAFreshMachine) {
  struct Case {
    int csidl;
    const char* path;
  };
  const Case cases[] = {
      {CSIDL_PROGRAM_FILES, "C:\\Program Files"},
      {CSIDL_PERSONAL, "C:\\Users\\user\\Documents"},
      {CSIDL_PROGRAMS, "C:\\Users\\user\\Start Menu\\Programs"},
      {CSIDL_COMMON_PROGRAMS, "C:\\ProgramData\\Start Menu\\Programs"},
      {CSIDL_DESKTOPDIRECTORY, "C:\\Users\\user\\Desktop"},
      {CSIDL_DESKTOP, "C:\\Users\\user\\Desktop"},
      {CSIDL_COMMON_DESKTOPDIRECTORY, "C:\\Users\\Public\\Desktop"},
      {CSIDL_WINDOWS, "C:\\Windows"},
      {CSIDL_SYSTEM, "C:\\Windows\\System32"},
      {CSIDL_CONTROLS, "<no path>"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.path, FolderPath(c.csidl)) << c.csidl;
    if (c.path[0] != '<') {
      EXPECT_TRUE(world::FolderExists(c.path)) << c.path;
    }
  }
  HRESULT result = S_OK;
  EXPECT_EQ("<failed>", FolderPath(0x7E, &result));
  EXPECT_EQ(E_INVALIDARG, result);
}

TEST_F(ShellFolders, FoldersCanBeMovedOrMadeMissing) {
  world::SetSpecialFolder(CSIDL_COMMON_PROGRAMS, "D:\\All Users\\Programs");
  world::SetSpecialFolder(CSIDL_PERSONAL, "");
  EXPECT_EQ("D:\\All Users\\Programs", FolderPath(CSIDL_COMMON_PROGRAMS));
  EXPECT_EQ("D:\\All Users\\Programs", world::SpecialFolder(CSIDL_COMMON_PROGRAMS));
  HRESULT result = S_OK;
  EXPECT_EQ("<failed>", FolderPath(CSIDL_PERSONAL, &result));
  EXPECT_TRUE(FAILED(result));
}

TEST_F(ShellFolders, IdListsOfOtherPiecesReadBackTheSameWay) {
  LPITEMIDLIST list = world::internal::NewIdList("E:\\Picked\\Folder");
  char path[MAX_PATH] = "";
  EXPECT_TRUE(SHGetPathFromIDListA(list, path));
  EXPECT_STREQ("E:\\Picked\\Folder", path);
  CoTaskMemFree(list);
  LPITEMIDLIST virtualList = world::internal::NewIdList("");
  EXPECT_FALSE(SHGetPathFromIDListA(virtualList, path));
  EXPECT_STREQ("", path);
  CoTaskMemFree(virtualList);
  EXPECT_FALSE(SHGetPathFromIDListA(nullptr, path));
  // A path longer than the caller's MAX_PATH buffer is refused rather than overrun.
  LPITEMIDLIST longList = world::internal::NewIdList("C:\\" + std::string(300, 'x'));
  EXPECT_FALSE(SHGetPathFromIDListA(longList, path));
  CoTaskMemFree(longList);
}

}  // namespace
