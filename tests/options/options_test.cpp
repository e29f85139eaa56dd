// Command-line options and the initial install folder.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/common.h"
#include "setup/options.h"
#include "support/world_fixture.h"
#include "system/registry.h"

namespace {

// A mutable argument vector like the C run-time's, ending with a null entry.
struct Arguments {
  explicit Arguments(std::vector<std::string> words) : storage(std::move(words)) {
    for (std::string& word : storage) pointers.push_back(&word[0]);
    pointers.push_back(nullptr);
  }
  char** argv() { return pointers.data(); }
  std::vector<std::string> storage;
  std::vector<char*> pointers;
};

std::string Text(const char* value) { return value == nullptr ? "<none>" : value; }

class OptionsTest : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    ResetRunState();
  }
  // Parses a fresh command line and returns the initial folder. The arguments are kept
  // until the next call, since the option fields point into them.
  std::string DefaultFolderFor(std::vector<std::string> words) {
    ResetRunState();
    kept_.reset(new Arguments(std::move(words)));
    ParseOptions(kept_->argv());
    char folder[PATH_CAPACITY];
    memset(folder, 'X', sizeof folder);
    ResolveDefaultFolder(folder);
    return folder;
  }
  std::unique_ptr<Arguments> kept_;
};

TEST_F(OptionsTest, CommandLinesSetTheRunState) {
  struct Case {
    std::vector<std::string> words;
    std::string folder;  // "<none>" when absent
    int forced;
    std::string saveAs;
    int unattended, silent, hidden, noDesktop, allUsers;
  } cases[] = {
      {{"setup.exe"}, "<none>", 0, "<none>", 0, 0, 0, 0, 1},
      {{"setup.exe", "/path", "D:\\X"}, "D:\\X", 1, "<none>", 0, 0, 0, 0, 1},
      {{"setup.exe", "-PATH", "D:\\X"}, "D:\\X", 1, "<none>", 0, 0, 0, 0, 1},
      {{"setup.exe", "/PathDefault", "D:\\Y"}, "D:\\Y", 0, "<none>", 0, 0, 0, 0, 1},
      // The last folder option gives the folder; /Path anywhere forces it.
      {{"setup.exe", "/Path", "D:\\X", "/PathDefault", "D:\\Y"}, "D:\\Y", 1, "<none>", 0, 0, 0, 0, 1},
      {{"setup.exe", "/Path", "D:\\X", "/PathDefault"}, "<none>", 1, "<none>", 0, 0, 0, 0, 1},
      // A value is taken whatever it looks like.
      {{"setup.exe", "/Path", "/U"}, "/U", 1, "<none>", 0, 0, 0, 0, 1},
      // A value-taking option at the end stops parsing and keeps what came before.
      {{"setup.exe", "/U", "/ND", "/PathSaveAs"}, "<none>", 0, "<none>", 1, 0, 0, 1, 1},
      {{"setup.exe", "/Path"}, "<none>", 0, "<none>", 0, 0, 0, 0, 1},
      {{"setup.exe", "/PathSaveAs", "E:\\Docs", "/u"}, "<none>", 0, "E:\\Docs", 1, 0, 0, 0, 1},
      {{"setup.exe", "/USilent"}, "<none>", 0, "<none>", 1, 1, 0, 0, 1},
      {{"setup.exe", "/Hidden"}, "<none>", 0, "<none>", 1, 1, 1, 0, 1},
      {{"setup.exe", "-cu", "/nd"}, "<none>", 0, "<none>", 0, 0, 0, 1, 0},
      // Words without a leading - or /, unknown options and near misses are skipped.
      {{"setup.exe", "U", "/Unattended", "/", "-", "\\U", "/US"}, "<none>", 0, "<none>", 0, 0, 0, 0, 1},
      {{"/U"}, "<none>", 0, "<none>", 1, 0, 0, 0, 1},  // element 0 counts too
  };
  for (Case& c : cases) {
    std::string line;
    for (const std::string& word : c.words) line += word + " ";
    SCOPED_TRACE(line);
    ResetRunState();
    Arguments arguments(c.words);
    ParseOptions(arguments.argv());
    EXPECT_EQ(c.folder, Text(runState.folderOption));
    EXPECT_EQ(c.forced, runState.pathForced);
    EXPECT_EQ(c.saveAs, Text(runState.saveAsPath));
    EXPECT_EQ(c.unattended, runState.unattended);
    EXPECT_EQ(c.silent, runState.silent);
    EXPECT_EQ(c.hidden, runState.hidden);
    EXPECT_EQ(c.noDesktop, runState.noDesktop);
    EXPECT_EQ(c.allUsers, runState.allUsers);
  }
}

TEST_F(OptionsTest, OptionFieldsPointIntoTheArguments) {
  Arguments arguments({"setup.exe", "/Path", "D:\\X", "/PathSaveAs", "E:\\Y"});
  ParseOptions(arguments.argv());
  EXPECT_EQ(arguments.pointers[2], runState.folderOption);
  EXPECT_EQ(arguments.pointers[4], runState.saveAsPath);
}

TEST_F(OptionsTest, NoArgumentsAtAllChangeNothing) {
  ParseOptions(nullptr);
  char* empty[] = {nullptr};
  ParseOptions(empty);
  EXPECT_EQ(nullptr, runState.folderOption);
  EXPECT_EQ(0, runState.unattended);
}

void StoreInstallPath(const std::string& folder) {
  world::WriteValue(HKEY_LOCAL_MACHINE, VENDOR_KEY, "InstallPath", REG_SZ, folder + '\0');
}

TEST_F(OptionsTest, ForcedPathWinsOverTheStoredFolder) {
  StoreInstallPath("E:\\Y");
  EXPECT_EQ("D:\\X", DefaultFolderFor({"setup.exe", "/Path", "D:\\X"}));
  EXPECT_EQ("D:\\X", DefaultFolderFor({"setup.exe", "/PathDefault", "D:\\X", "/Path", "D:\\X"}));
}

TEST_F(OptionsTest, StoredFolderWinsOverPathDefault) {
  EXPECT_EQ("D:\\X", DefaultFolderFor({"setup.exe", "/PathDefault", "D:\\X"}));
  StoreInstallPath("E:\\Y");
  EXPECT_EQ("E:\\Y", DefaultFolderFor({"setup.exe", "/PathDefault", "D:\\X"}));
  // A forced path without its folder falls back to the stored one.
  EXPECT_EQ("E:\\Y", DefaultFolderFor({"setup.exe", "/Path", "D:\\X", "/PathDefault"}));
}

TEST_F(OptionsTest, ProgramFilesChainWhenNothingIsGivenOrStored) {
  struct Case {
    const char* label;
    std::string shellFolder;  // "" = missing
    std::string registryValue;  // "" = absent
    std::string expected;
  } cases[] = {
      {"shell folder", "D:\\Programme", "E:\\Other", "D:\\Programme\\Velmora"},
      {"shell folder with a trailing backslash", "D:\\", "", "D:\\Velmora"},
      {"registry value", "", "E:\\Apps", "E:\\Apps\\Velmora"},
      {"neither", "", "", "C:\\Program Files\\Velmora"},
      {"shell folder too long for the name", "D:\\" + std::string(253, 'p'), "E:\\Apps",
       "E:\\Apps\\Velmora"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    world::SetSpecialFolder(CSIDL_PROGRAM_FILES, c.shellFolder);
    if (!c.shellFolder.empty()) world::MakeFolder(c.shellFolder);
    if (!c.registryValue.empty())
      world::WriteValue(HKEY_LOCAL_MACHINE, WINDOWS_VERSION_KEY, "ProgramFilesDir", REG_SZ,
                        c.registryValue + '\0');
    else
      world::WriteValue(HKEY_LOCAL_MACHINE, WINDOWS_VERSION_KEY, "ProgramFilesDir", REG_SZ, std::string(1, '\0'));
    EXPECT_EQ(c.expected, DefaultFolderFor({"setup.exe"}));
  }
}

TEST_F(OptionsTest, LongFolderOptionsAreCutAt259Characters) {
  const std::string longFolder = "D:\\" + std::string(400, 'l');
  const std::string folder = DefaultFolderFor({"setup.exe", "/Path", longFolder});
  EXPECT_EQ(longFolder.substr(0, 259), folder);
  EXPECT_EQ(longFolder, runState.folderOption) << "the option itself stays whole";
  EXPECT_EQ(longFolder.substr(0, 259), DefaultFolderFor({"setup.exe", "/PathDefault", longFolder}));
}

TEST_F(OptionsTest, AnEmptyForcedPathGivesAnEmptyFolder) {
  StoreInstallPath("E:\\Y");
  EXPECT_EQ("", DefaultFolderFor({"setup.exe", "/Path", ""}));
}

}  // namespace
