// The world's resources: data resources replaced, added and removed; damaged .res files.
#include <fstream>

#include "resources/resource.h"
#include "support/world_fixture.h"

namespace {

class WorldResources : public WorldTest {
 protected:
  std::string Bytes(int id) {
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(id), RT_RCDATA);
    if (!found) return "<error " + std::to_string(GetLastError()) + ">";
    return std::string((const char*)LockResource(LoadResource(nullptr, found)), SizeofResource(nullptr, found));
  }
  std::string WriteFile(const std::string& name, const std::string& bytes) {
    std::string path = root_ + "-" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
};

TEST_F(WorldResources, DataResourcesAreReplacedAddedAndRemoved) {
  world::SetDataResource(IDR_AGREEMENT, "first");
  HRSRC old = FindResourceA(nullptr, MAKEINTRESOURCEA(IDR_AGREEMENT), RT_RCDATA);
  const char* oldData = (const char*)LockResource(LoadResource(nullptr, old));
  world::SetDataResource(IDR_AGREEMENT, std::string("sec\0nd", 6));
  world::SetDataResource(IDR_PACKAGE, "package");
  EXPECT_EQ(std::string("sec\0nd", 6), Bytes(IDR_AGREEMENT));
  EXPECT_EQ("package", Bytes(IDR_PACKAGE));
  // What the program already holds stays readable.
  EXPECT_EQ("first", std::string(oldData, 5));
  world::RemoveDataResource(IDR_AGREEMENT);
  EXPECT_EQ("<error 1814>", Bytes(IDR_AGREEMENT));
  world::RemoveDataResource(IDR_PACKAGE);
  EXPECT_EQ("<error 1813>", Bytes(IDR_PACKAGE));
  // The dialogs are untouched.
  EXPECT_NE(nullptr, FindResourceA(nullptr, MAKEINTRESOURCEA(IDD_MAIN), RT_DIALOG));
}

TEST_F(WorldResources, DamagedResourceFilesLoadNothing) {
  std::ifstream in(VELMORA_DIALOGS_RES, std::ios::binary);
  std::string good((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(good.size(), 64u);
  world::SetDataResource(IDR_AGREEMENT, "kept");
  std::string bigHeader = good.substr(0, 32) + std::string("\x10\0\0\0\xF0\xFF\xFF\xFF", 8) + good.substr(40);
  struct Case {
    const char* what;
    std::string bytes;
  };
  const Case cases[] = {
      {"empty", ""},
      {"not a .res", "MZ this is an executable, not resources"},
      {"cut in an entry", good.substr(0, good.size() - 7)},
      {"header larger than the file", bigHeader},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_FALSE(world::LoadResourceFile(WriteFile("bad.res", c.bytes)));
    EXPECT_EQ("kept", Bytes(IDR_AGREEMENT));
  }
  EXPECT_FALSE(world::LoadResourceFile(root_ + "-no-such.res"));
  EXPECT_TRUE(world::LoadResourceFile(WriteFile("good.res", good)));
}

}  // namespace
