// Every fallible call of a silent install failed in turn, and short writes on every file:
// the run always ends, never reports a broken install as success, and logs only its own
// files.
#include <gtest/gtest.h>

#include <algorithm>

#include "resources/resource.h"
#include "robustness/robust_run.h"

namespace {

// Prompts a silent run may still show; the sweep answers them with OK.
const std::vector<std::string> kSilentPrompts = {"Unable to create shortcut to ", "Invalid Folder Name"};

struct Outcome {
  int exitCode = -1;
  std::vector<std::string> stalls;
};

class FaultSweep : public RobustRun {
 protected:
  // Runs once; when the run stopped on a prompt a silent run may show, replays the same
  // world with that prompt answered. `arrange` sets up the world (and its faults) anew.
  template <typename Arrange>
  Outcome RunAnswering(const std::vector<std::string>& options, Arrange arrange) {
    std::vector<std::string> answers;  // message box texts to answer with OK; "" aborts the in-use dialog
    Outcome outcome;
    for (int attempt = 0; attempt < 6; ++attempt) {
      FreshWorld();
      arrange();
      for (const std::string& text : answers) {
        if (text.empty())
          world::Click(IDC_ABORT_INSTALL);
        else
          world::Answer(text, IDOK);
      }
      outcome.exitCode = Run(options);
      outcome.stalls = stalls_;
      if (stalls_.empty()) return outcome;
      const std::string& stall = stalls_[0];
      if (stall.find("script has nothing left") == std::string::npos) return outcome;
      bool replay = false;
      if (stall.find("window 116") != std::string::npos) {
        answers.push_back("");
        replay = true;
      }
      for (const std::string& prompt : kSilentPrompts)
        if (!replay && stall.find(prompt) != std::string::npos) {
          answers.push_back(prompt);
          replay = true;
        }
      if (!replay) return outcome;
    }
    return outcome;
  }

  // What must hold after any run, faults or not. `what` names the run in failures.
  void CheckRun(const Outcome& outcome, const std::string& what) {
    const std::string folder = DefaultFolder();
    EXPECT_TRUE(outcome.stalls.empty()) << what << ": " << outcome.stalls[0] << "\n" << TranscriptText();
    EXPECT_EQ(std::vector<std::string>{}, UnexpectedMessages(kSilentPrompts)) << what;
    EXPECT_NE((int)ERROR_CANCELLED, outcome.exitCode) << what;

    std::vector<std::string> wrong;
    for (const fixture::PackagedFile& file : ProductFiles()) {
      const std::string path = folder + "\\" + file.name;
      if (!world::FileExists(path) || world::FileBytes(path) != file.bytes) wrong.push_back(path);
    }
    if (world::FileBytes(folder + "\\Velmora.drl") != kExtraFileBytes) wrong.push_back("Velmora.drl");
    if (outcome.exitCode == 0) {
      EXPECT_EQ(std::vector<std::string>{}, wrong)
          << what << ": exit code 0 but files are missing or wrong\n" << TranscriptText();
      // The uninstaller removes what the log lists: a successful run logged every file.
      std::vector<std::string> lines = LogLines(folder);
      for (const fixture::PackagedFile& file : ProductFiles())
        EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), "f" + folder + "\\" + file.name))
            << what << ": exit code 0 but the log lacks " << file.name;
    }
    std::vector<std::string> allowed = ShortcutFolders();
    allowed.push_back(folder);
    if (world::FileExists(folder + "\\Uninstall.cfg")) {
      EXPECT_EQ(std::vector<std::string>{}, FileLinesOutside(folder, allowed)) << what;
    }
  }
};

struct SweepCase {
  const char* name;
  std::vector<std::string> options;
  DWORD error;
  bool reinstall;  // the same product installed once before the faulty run
};

class NthCallFails : public FaultSweep, public ::testing::WithParamInterface<SweepCase> {};

TEST_P(NthCallFails, RunEndsAndNeverReportsABrokenInstallAsSuccess) {
  const SweepCase& c = GetParam();
  auto previous = [&] {
    if (c.reinstall) {
      ASSERT_EQ(0, Run({"/USilent"})) << TranscriptText();
    }
  };

  // The clean run tells how many fallible calls there are to fail.
  int calls = 0;
  Outcome clean = RunAnswering(c.options, [&] {
    previous();
    calls = -world::FallibleCallCount();
  });
  calls += world::FallibleCallCount();
  ASSERT_EQ(0, clean.exitCode) << TranscriptText();
  CheckRun(clean, "clean run");
  ASSERT_GT(calls, 20);

  for (int nth = 1; nth <= calls; ++nth) {
    Outcome outcome = RunAnswering(c.options, [&] {
      previous();
      world::Fault fault;
      fault.nth = nth;
      fault.times = 1;
      fault.error = c.error;
      world::AddFault(fault);
    });
    CheckRun(outcome, "call " + std::to_string(nth) + " of " + std::to_string(calls) + " failing with " +
                          std::to_string(c.error));
    if (HasFailure()) break;  // one broken run is enough to look at
  }
}

INSTANTIATE_TEST_SUITE_P(
    Silent, NthCallFails,
    ::testing::Values(SweepCase{"SilentAccessDenied", {"/USilent"}, ERROR_ACCESS_DENIED, false},
                      SweepCase{"HiddenAccessDenied", {"/Hidden"}, ERROR_ACCESS_DENIED, false},
                      SweepCase{"SilentDiskFull", {"/USilent", "/ND"}, ERROR_DISK_FULL, false},
                      SweepCase{"ReinstallAccessDenied", {"/USilent"}, ERROR_ACCESS_DENIED, true},
                      SweepCase{"ReinstallHiddenWriteFault", {"/Hidden"}, ERROR_WRITE_FAULT, true},
                      SweepCase{"ReinstallSharingViolation", {"/USilent"}, ERROR_SHARING_VIOLATION, true}),
    [](const ::testing::TestParamInfo<SweepCase>& info) { return std::string(info.param.name); });

// A disk that fills up during one write: each file, the extra file and the log in turn.
TEST_F(FaultSweep, ShortWriteOnAnyFileFailsTheRun) {
  std::vector<std::string> targets = {"Uninstall.cfg", "Velmora.drl"};
  for (const fixture::PackagedFile& file : ProductFiles()) targets.push_back(file.name);
  for (const std::string& target : targets)
    for (DWORD bytes : {0u, 1u, 5u}) {
      Outcome outcome = RunAnswering({"/USilent"}, [&] { world::AddShortWrite(target, bytes); });
      const std::string what = target + " cut to " + std::to_string(bytes) + " bytes";
      CheckRun(outcome, what);
      EXPECT_NE(0, outcome.exitCode) << what << "\n" << TranscriptText();
    }
}

}  // namespace
