// The running-instance guard: which programs it recognises, how it asks them to close,
// the in-use dialog, psapi, and the bound on retries while nothing matching is found.
#include <algorithm>
#include <string>
#include <vector>

#include "common/common.h"
#include "instances/guard.h"
#include "resources/resource.h"
#include "support/world_fixture.h"

namespace {

const char kTarget[] = "C:\\Program Files\\Velmora\\Velmora.exe";
const char kTerminateQuestion[] =
    "This action will terminate Velmora without saving your work!  We recommend to switch to "
    "Velmora, save your work, and quit Velmora normally.\n\nAre you sure you want to terminate "
    "Velmora.exe?";

world::ProcessWindow Window(int closesOnCloseAfterMs, int closesOnCancelAfterMs = -1) {
  world::ProcessWindow window;
  window.title = "Velmora - family.vlm";
  window.closesOnCloseAfterMs = closesOnCloseAfterMs;
  window.closesOnCancelAfterMs = closesOnCancelAfterMs;
  return window;
}

DWORD Start(const std::string& image, std::vector<world::ProcessWindow> windows) {
  world::ProcessSpec programSpec;
  programSpec.image = image;
  programSpec.windows = windows;
  return world::StartProcess(programSpec);
}

// Transcript lines that mention `text`.
int Mentions(const std::string& text) {
  const std::vector<std::string>& lines = world::Transcript();
  return (int)std::count_if(lines.begin(), lines.end(),
                            [&](const std::string& line) { return line.find(text) != std::string::npos; });
}

bool InUseDialogShown() { return Mentions("window 116 shown") > 0; }

}  // namespace

class GuardTest : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    ResetRunState();
    ResetInstanceGuard();
  }
};

TEST_F(GuardTest, SameNameFromAnotherFolderIsNotTouched) {
  DWORD other = Start("D:\\Old\\Velmora.exe", {Window(0, 0)});
  DWORD before = world::Now();
  EXPECT_EQ(ResolveFileInUse(kTarget), 1);
  EXPECT_EQ(world::Now() - before, 250u);
  EXPECT_TRUE(world::ProcessRunning(other));
  EXPECT_FALSE(InUseDialogShown());
}

TEST_F(GuardTest, ProgramThatClosesWithinThePauseNeedsNoDialog) {
  struct Case {
    const char* what;
    const char* image;
    std::vector<world::ProcessWindow> windows;
  } cases[] = {
      {"WM_CLOSE", kTarget, {Window(200)}},
      {"letter case differs", "c:\\PROGRAM FILES\\velmora\\VELMORA.EXE", {Window(200)}},
      {"IDCANCEL only", kTarget, {Window(-1, 100)}},
      {"every window of the process is asked", kTarget, {Window(50), Window(50), Window(50)}},
      {"invisible window", kTarget, {[] { auto w = Window(10); w.visible = false; return w; }()}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ResetInstanceGuard();
    world::ClearTranscript();
    DWORD id = Start(c.image, c.windows);
    DWORD before = world::Now();
    EXPECT_EQ(ResolveFileInUse(kTarget), 1);
    EXPECT_EQ(world::Now() - before, 250u);
    EXPECT_FALSE(world::ProcessRunning(id));
    EXPECT_FALSE(InUseDialogShown());
  }
}

TEST_F(GuardTest, FindRunningInstanceReportsTheMatchingProcess) {
  DWORD unrelated = Start("C:\\Windows\\notepad.exe", {Window(-1)});
  DWORD product = Start(kTarget, {Window(-1), Window(-1)});
  world::Click(IDC_ABORT_INSTALL);
  EXPECT_EQ(ResolveFileInUse(kTarget), 0);
  // The target stays known after the call, and detection changes nothing.
  EXPECT_EQ(FindRunningInstance(IN_USE_DETECT), product);
  EXPECT_TRUE(world::ProcessRunning(product));
  EXPECT_TRUE(world::ProcessRunning(unrelated));
}

TEST_F(GuardTest, DialogNamesTheFile) {
  Start(kTarget, {Window(-1)});
  world::Click(IDC_ABORT_INSTALL);
  EXPECT_EQ(ResolveFileInUse(kTarget), 0);
  EXPECT_TRUE(InUseDialogShown());
  EXPECT_EQ(Mentions(std::string("Error installing file '") + kTarget + "'"), 1);
}

TEST_F(GuardTest, NoOrCancelToTerminationLeavesProgramRunningAndDialogOpen) {
  DWORD id = Start(kTarget, {Window(-1)});
  world::Click(IDC_END_PROGRAM);
  world::Answer(kTerminateQuestion, IDNO);
  world::Wait(1000);
  world::Click(IDC_END_PROGRAM);
  world::Answer(kTerminateQuestion, IDCANCEL);
  world::Wait(1000);
  world::Click(IDC_ABORT_INSTALL);
  EXPECT_EQ(ResolveFileInUse(kTarget), 0);
  EXPECT_TRUE(world::ProcessRunning(id));
  EXPECT_EQ(world::PendingActions(), 0u);  // the dialog was still there for the last click
  EXPECT_EQ(Mentions("window 116 closed"), 1);
  // Yes/No/Cancel with the question icon, No the default.
  EXPECT_EQ(Mentions(std::string("message box \"" VELMORA_CAPTION "\" 0x123: \"") + kTerminateQuestion + "\""), 2);
}

TEST_F(GuardTest, EndingTheProgramClosesTheDialogWithinOneTick) {
  DWORD id = Start(kTarget, {Window(-1)});
  world::Click(IDC_END_PROGRAM);
  world::Answer(kTerminateQuestion, IDYES);
  DWORD before = world::Now();
  EXPECT_EQ(ResolveFileInUse(kTarget), 1);
  EXPECT_FALSE(world::ProcessRunning(id));
  // The 250 ms pause, then at most one 300 ms tick after the answer.
  EXPECT_LE(world::Now() - before, 250u + 300u);
  EXPECT_EQ(Mentions("window 116 closed"), 1);
}

TEST_F(GuardTest, ProgramThatEndsOnItsOwnWhileTheDialogIsOpen) {
  DWORD id = Start(kTarget, {Window(1000)});
  EXPECT_EQ(ResolveFileInUse(kTarget), 1);
  EXPECT_FALSE(world::ProcessRunning(id));
  EXPECT_TRUE(InUseDialogShown());
  EXPECT_LE(world::Now(), 1000u + 300u);
}

TEST_F(GuardTest, ShowWindowKeepsTheDialogOpen) {
  DWORD id = Start(kTarget, {Window(-1)});
  world::Click(IDC_SHOW_WINDOW);
  world::Wait(700);
  world::Click(IDC_ABORT_INSTALL);
  EXPECT_EQ(ResolveFileInUse(kTarget), 0);
  EXPECT_TRUE(world::ProcessRunning(id));
  EXPECT_EQ(world::PendingActions(), 0u);
}

TEST_F(GuardTest, EscapeAbandonsTheDialog) {
  DWORD id = Start(kTarget, {Window(-1)});
  world::PressKey(VK_ESCAPE);
  EXPECT_EQ(ResolveFileInUse(kTarget), 0);
  EXPECT_FALSE(InUseRetryLimitReached());
  EXPECT_TRUE(world::ProcessRunning(id));
}

TEST_F(GuardTest, WithoutPsapiNothingIsRecognised) {
  world::SetPsapiAvailable(false);
  DWORD id = Start(kTarget, {Window(-1)});
  DWORD before = world::Now();
  EXPECT_EQ(ResolveFileInUse(kTarget), 1);
  EXPECT_EQ(world::Now() - before, 250u);
  EXPECT_EQ(FindRunningInstance(IN_USE_DETECT), 0u);
  EXPECT_TRUE(world::ProcessRunning(id));
  EXPECT_FALSE(InUseDialogShown());
}

TEST_F(GuardTest, PsapiIsLoadedFromTheSystemFolderOnly) {
  Start(kTarget, {Window(200)});
  ASSERT_EQ(ResolveFileInUse(kTarget), 1);
  char systemFolder[MAX_PATH];
  ASSERT_GT(GetSystemDirectoryA(systemFolder, sizeof systemFolder), 0u);
  std::string expected = std::string(systemFolder) + "\\psapi.dll";
  std::vector<std::string> loaded = world::LoadedLibraries();
  ASSERT_FALSE(loaded.empty());
  for (const std::string& name : loaded) EXPECT_EQ(name, expected);
}

TEST_F(GuardTest, GivesUpAfterTheRetryLimitWithNothingMatching) {
  world::SetPsapiAvailable(false);
  for (int pause = 1; pause < IN_USE_RETRY_LIMIT; pause++) {
    ASSERT_EQ(ResolveFileInUse(kTarget), 1) << pause;
    ASSERT_FALSE(InUseRetryLimitReached());
  }
  EXPECT_EQ(ResolveFileInUse(kTarget), 0);
  EXPECT_TRUE(InUseRetryLimitReached());
  EXPECT_EQ(world::Now(), (DWORD)IN_USE_RETRY_LIMIT * 250);
  // After giving up the count starts again.
  EXPECT_EQ(ResolveFileInUse(kTarget), 1);
  EXPECT_FALSE(InUseRetryLimitReached());
}

TEST_F(GuardTest, RetryCountIsPerFileAndInARow) {
  world::SetPsapiAvailable(false);
  for (int pause = 1; pause < IN_USE_RETRY_LIMIT; pause++) ASSERT_EQ(ResolveFileInUse(kTarget), 1);
  // Another file in between starts a new run of pauses.
  EXPECT_EQ(ResolveFileInUse("C:\\Program Files\\Velmora\\other.dll"), 1);
  for (int pause = 1; pause < IN_USE_RETRY_LIMIT; pause++) ASSERT_EQ(ResolveFileInUse(kTarget), 1) << pause;
  EXPECT_EQ(ResolveFileInUse(kTarget), 0);
}

TEST_F(GuardTest, FoundProgramResetsTheRetryCount) {
  for (int pause = 1; pause < IN_USE_RETRY_LIMIT; pause++) ASSERT_EQ(ResolveFileInUse(kTarget), 1);
  Start(kTarget, {Window(-1)});
  world::Click(IDC_END_PROGRAM);
  world::Answer(kTerminateQuestion, IDYES);
  EXPECT_EQ(ResolveFileInUse(kTarget), 1);
  for (int pause = 1; pause < IN_USE_RETRY_LIMIT; pause++) ASSERT_EQ(ResolveFileInUse(kTarget), 1) << pause;
  EXPECT_EQ(ResolveFileInUse(kTarget), 0);
}
