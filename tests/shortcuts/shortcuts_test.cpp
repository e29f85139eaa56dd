// Shell links, where PlaceShortcut puts them and what it logs, and the folder picker.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/common.h"
#include "support/world_fixture.h"
#include "system/shortcuts.h"

namespace {

const char kLogPath[] = "C:\\Install.cfg";
const char kTarget[] = "C:\\Apps\\Velmora\\Velmora.exe";

class Shortcuts : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    ResetRunState();
    CoInitialize(NULL);
    runState.logFile = CreateFileA(kLogPath, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, runState.logFile);
  }
  void TearDown() override { CloseLog(); }
  void CloseLog() {
    if (runState.logFile != INVALID_HANDLE_VALUE) CloseHandle(runState.logFile);
    runState.logFile = INVALID_HANDLE_VALUE;
  }
  std::string LogText() {
    CloseLog();
    return world::FileBytes(kLogPath);
  }
  static std::string Link(int csidl) { return world::SpecialFolder(csidl) + "\\Velmora.lnk"; }
};

// ---- the link file -----------------------------------------------------------------------

struct LinkCase {
  const char* name;
  const char* target;
  const char* workingFolder;
};

class ShellLinkFile : public Shortcuts, public ::testing::WithParamInterface<LinkCase> {};

TEST_P(ShellLinkFile, PointsAtTheProgramFromItsOwnFolder) {
  const LinkCase& c = GetParam();
  ASSERT_EQ(1, CreateShellLink("D:\\Velmora.lnk", c.target));
  world::ShellLinkInfo link = world::ReadShellLink("D:\\Velmora.lnk");
  ASSERT_TRUE(link.valid);
  EXPECT_EQ(c.target, link.target);
  EXPECT_EQ(c.workingFolder, link.workingFolder);
  EXPECT_EQ("Powerful graphical editor capable to create the most complex family tree",
            link.description);
  EXPECT_EQ("", link.arguments);
  EXPECT_EQ(0, world::ShellLinkObjectsAlive());
}

INSTANTIATE_TEST_SUITE_P(
    Targets, ShellLinkFile,
    ::testing::Values(LinkCase{"InSubFolder", kTarget, "C:\\Apps\\Velmora"},
                      LinkCase{"InDriveRoot", "C:\\Velmora.exe", "C:\\"}),
    [](const ::testing::TestParamInfo<LinkCase>& info) { return std::string(info.param.name); });

struct LinkFailureCase {
  const char* name;
  const char* function;  // faulted call, or NULL
  const char* linkPath;
};

class ShellLinkFailure : public Shortcuts, public ::testing::WithParamInterface<LinkFailureCase> {};

TEST_P(ShellLinkFailure, ReportsZeroLeavesNoFileAndReleasesTheObject) {
  const LinkFailureCase& c = GetParam();
  world::DenyFolder("D:\\Denied");
  if (c.function) {
    world::Fault fault;
    fault.function = c.function;
    fault.error = ERROR_ACCESS_DENIED;
    world::AddFault(fault);
  }
  EXPECT_EQ(0, CreateShellLink(c.linkPath, kTarget));
  EXPECT_FALSE(world::FileExists(c.linkPath));
  EXPECT_EQ(0, world::ShellLinkObjectsAlive());
}

INSTANTIATE_TEST_SUITE_P(
    Failures, ShellLinkFailure,
    ::testing::Values(LinkFailureCase{"NoLinkObject", "CoCreateInstance", "D:\\Velmora.lnk"},
                      LinkFailureCase{"FolderDenied", NULL, "D:\\Denied\\Velmora.lnk"},
                      LinkFailureCase{"FolderMissing", NULL, "D:\\Missing\\Velmora.lnk"}),
    [](const ::testing::TestParamInfo<LinkFailureCase>& info) { return std::string(info.param.name); });

// ---- where PlaceShortcut puts the link ------------------------------------------------------------

struct PlaceCase {
  const char* name;
  ShortcutPlace where;
  int allUsers;
  std::vector<int> denied;   // special folders the user may not write
  int missing;               // special folder made missing, or -1
  int placed;
  int placedIn;              // special folder holding the link, or -1
  std::vector<int> logged;   // special folders whose link path was logged, in order
  int allUsersAfter;
};

class Place : public Shortcuts, public ::testing::WithParamInterface<PlaceCase> {};

TEST_P(Place, PutsTheLinkWhereItMayAndLogsEveryAttempt) {
  const PlaceCase& c = GetParam();
  for (int csidl : c.denied) world::DenyFolder(world::SpecialFolder(csidl));
  std::vector<std::string> expectedLog;
  for (int csidl : c.logged) expectedLog.push_back("f" + Link(csidl) + "\r\n");
  const int all[] = {CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS, CSIDL_COMMON_DESKTOPDIRECTORY,
                     CSIDL_DESKTOPDIRECTORY};
  std::vector<std::string> links;
  for (int csidl : all) links.push_back(Link(csidl));
  if (c.missing >= 0) world::SetSpecialFolder(c.missing, "");
  runState.allUsers = c.allUsers;

  EXPECT_EQ(c.placed, PlaceShortcut(c.where, "Velmora.lnk", kTarget));
  EXPECT_EQ(c.allUsersAfter, runState.allUsers);
  for (size_t i = 0; i < links.size(); ++i) {
    bool expected = c.placedIn >= 0 && links[i] == Link(c.placedIn);
    EXPECT_EQ(expected, world::FileExists(links[i])) << links[i];
  }
  std::string joined;
  for (const std::string& line : expectedLog) joined += line;
  EXPECT_EQ(joined, LogText());
}

INSTANTIATE_TEST_SUITE_P(
    Folders, Place,
    ::testing::Values(
        PlaceCase{"AllUsersPrograms", SHORTCUT_PROGRAMS, 1, {}, -1, 1, CSIDL_COMMON_PROGRAMS,
                  {CSIDL_COMMON_PROGRAMS}, 1},
        PlaceCase{"AllUsersDesktop", SHORTCUT_DESKTOP, 1, {}, -1, 1, CSIDL_COMMON_DESKTOPDIRECTORY,
                  {CSIDL_COMMON_DESKTOPDIRECTORY}, 1},
        PlaceCase{"UsersPrograms", SHORTCUT_PROGRAMS, 0, {}, -1, 1, CSIDL_PROGRAMS,
                  {CSIDL_PROGRAMS}, 0},
        PlaceCase{"AllUsersDeniedFallsBack", SHORTCUT_PROGRAMS, 1, {CSIDL_COMMON_PROGRAMS}, -1, 1,
                  CSIDL_PROGRAMS, {CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS}, 0},
        PlaceCase{"DesktopDeniedFallsBack", SHORTCUT_DESKTOP, 1, {CSIDL_COMMON_DESKTOPDIRECTORY},
                  -1, 1, CSIDL_DESKTOPDIRECTORY,
                  {CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_DESKTOPDIRECTORY}, 0},
        PlaceCase{"BothDenied", SHORTCUT_PROGRAMS, 1, {CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS}, -1,
                  0, -1, {CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS}, 0},
        PlaceCase{"UsersDeniedIsFinal", SHORTCUT_PROGRAMS, 0, {CSIDL_PROGRAMS}, -1, 0, -1,
                  {CSIDL_PROGRAMS}, 0},
        PlaceCase{"AllUsersFolderMissing", SHORTCUT_PROGRAMS, 1, {}, CSIDL_COMMON_PROGRAMS, 0, -1,
                  {}, 1}),
    [](const ::testing::TestParamInfo<PlaceCase>& info) { return std::string(info.param.name); });

TEST_F(Shortcuts, LinkPathTooLongIsAFailedAttemptWithoutALogLine) {
  std::string deep = "D:\\" + std::string(250, 'p');
  world::MakeFolder(deep);
  world::SetSpecialFolder(CSIDL_PROGRAMS, deep);
  runState.allUsers = 0;
  EXPECT_EQ(0, PlaceShortcut(SHORTCUT_PROGRAMS, "Velmora.lnk", kTarget));
  EXPECT_EQ("", LogText());
}

// ---- the folder picker ---------------------------------------------------------------------

struct PickerCase {
  const char* name;
  void (*act)();
  int chosen;
  const char* folderAfter;
};

class Picker : public Shortcuts, public ::testing::WithParamInterface<PickerCase> {};

TEST_P(Picker, CopiesOnlyAFileSystemFolder) {
  const PickerCase& c = GetParam();
  world::MakeFolder("D:\\Trees");
  c.act();
  char folder[PATH_CAPACITY] = "C:\\Program Files\\Velmora";
  EXPECT_EQ(c.chosen, BrowseForFolder("Please select the folder you want to install Velmora", folder));
  EXPECT_STREQ(c.folderAfter, folder);
  EXPECT_EQ(0u, world::PendingActions());
}

INSTANTIATE_TEST_SUITE_P(
    Answers, Picker,
    ::testing::Values(PickerCase{"Chosen", [] { world::PickFolder("D:\\Trees"); }, 1, "D:\\Trees"},
                      PickerCase{"Cancelled", [] { world::CancelPicker(); }, 0,
                                 "C:\\Program Files\\Velmora"},
                      PickerCase{"VirtualFolder", [] { world::PickVirtualFolder(); }, 0,
                                 "C:\\Program Files\\Velmora"}),
    [](const ::testing::TestParamInfo<PickerCase>& info) { return std::string(info.param.name); });

TEST_F(Shortcuts, PickerWithoutTheDesktopIsNotShown) {
  world::Fault fault;
  fault.function = "SHGetSpecialFolderLocation";
  world::AddFault(fault);
  world::PickFolder("D:\\Trees");
  char folder[PATH_CAPACITY] = "C:\\Before";
  EXPECT_EQ(0, BrowseForFolder("Please select the folder you want to install Velmora", folder));
  EXPECT_STREQ("C:\\Before", folder);
  EXPECT_EQ(1u, world::PendingActions());
}

}  // namespace
