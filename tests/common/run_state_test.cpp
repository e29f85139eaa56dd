// The run state at process start.
#include <gtest/gtest.h>

#include "common/common.h"
#include "support/world_fixture.h"

namespace {

class RunStateTest : public WorldTest {};

TEST_F(RunStateTest, StartsEmptyWithNoLogAndAllUsersOnTheNtFamily) {
  runState.unattended = 1;
  runState.resultCode = 5;
  runState.folderOption = "X";
  strcpy(runState.installFolder, "C:\\Old");
  ResetRunState();
  EXPECT_EQ(INVALID_HANDLE_VALUE, runState.logFile);
  EXPECT_EQ(1, runState.allUsers);
  EXPECT_EQ(0, runState.unattended);
  EXPECT_EQ(0u, runState.resultCode);
  EXPECT_EQ(nullptr, runState.folderOption);
  EXPECT_STREQ("", runState.installFolder);
  EXPECT_EQ(nullptr, runState.mainWindow);
}

TEST_F(RunStateTest, NoAllUsersFoldersOnTheWindows95Family) {
  world::SetWindows95Family(true);
  ResetRunState();
  EXPECT_EQ(0, runState.allUsers);
  world::SetWindows95Family(false);
  ResetRunState();
  EXPECT_EQ(1, runState.allUsers);
}

}  // namespace
