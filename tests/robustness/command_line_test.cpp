// Odd command lines: seeded argument vectors built from the option words, values of every
// awkward length, missing values at the end, and stored folders of every length. The
// initial folder always fits a Windows path; silent runs with such folders end cleanly.
#include <gtest/gtest.h>
#include <string.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "robustness/robust_run.h"
#include "setup/options.h"

namespace {

struct Arguments {
  explicit Arguments(std::vector<std::string> words) : storage(std::move(words)) {
    for (std::string& word : storage) pointers.push_back(&word[0]);
    pointers.push_back(nullptr);
  }
  std::vector<std::string> storage;
  std::vector<char*> pointers;
};

std::string Folder(size_t length) {
  if (length < 3) return std::string(length, 'D');
  std::string folder = "D:\\";
  while (folder.size() < length) folder += folder.size() % 40 == 39 ? '\\' : 'f';
  return folder;
}

const std::vector<std::string> kWords = {"/Path", "-path", "/PATH", "/PathDefault", "-pathdefault",
                                         "/PathSaveAs", "/U", "/USilent", "-usilent", "/CU", "/ND",
                                         "/Hidden", "/", "-", "Path", "/Pat", "/Pathx", "//Path"};

std::string Value(Random& random) {
  static const size_t kLengths[] = {0, 1, 3, 259, 260, 261, 1000};
  if (random.Below(4) == 0) return kWords[random.Below((uint32_t)kWords.size())];
  return Folder(kLengths[random.Below(7)]);
}

// A stored "InstallPath": none, or REG_SZ data of awkward lengths, with or without its zero.
void StoreInstallPath(Random& random) {
  switch (random.Below(6)) {
    case 0: return;
    case 1: world::WriteValue(HKEY_LOCAL_MACHINE, VENDOR_KEY, "InstallPath", REG_SZ, std::string(1, '\0')); return;
    case 2: world::WriteValue(HKEY_LOCAL_MACHINE, VENDOR_KEY, "InstallPath", REG_SZ, Folder(259) + '\0'); return;
    case 3: world::WriteValue(HKEY_LOCAL_MACHINE, VENDOR_KEY, "InstallPath", REG_SZ, Folder(260)); return;
    case 4: world::WriteValue(HKEY_LOCAL_MACHINE, VENDOR_KEY, "InstallPath", REG_SZ, Folder(259)); return;
    default: world::WriteValue(HKEY_LOCAL_MACHINE, VENDOR_KEY, "InstallPath", REG_SZ, Folder(1000) + '\0'); return;
  }
}

class OddCommandLine : public RobustRun {};

TEST_F(OddCommandLine, InitialFolderAlwaysFitsAWindowsPath) {
  for (uint32_t seed = 1; seed <= 3000; ++seed) {
    Random random(seed);
    if (seed % 200 == 1) FreshWorld();
    world::WriteValue(HKEY_LOCAL_MACHINE, VENDOR_KEY, "InstallPath", REG_SZ, std::string(1, '\0'));
    StoreInstallPath(random);
    if (random.Below(4) == 0) world::SetSpecialFolder(CSIDL_PROGRAM_FILES, Folder(random.Below(2) ? 252 : 259));
    else world::SetSpecialFolder(CSIDL_PROGRAM_FILES, "C:\\Program Files");
    std::vector<std::string> words = {"VelmoraSetup.exe"};
    int count = (int)random.Below(8);
    for (int i = 0; i < count; ++i)
      words.push_back(random.Below(2) ? kWords[random.Below((uint32_t)kWords.size())] : Value(random));
    Arguments arguments(words);

    ResetRunState();
    memset(runState.installFolder, 'Z', sizeof runState.installFolder);
    ParseOptions(arguments.pointers.data());
    ResolveDefaultFolder(runState.installFolder);

    const char* end = (const char*)memchr(runState.installFolder, '\0', sizeof runState.installFolder);
    ASSERT_NE(nullptr, end) << "seed " << seed;
    EXPECT_LE(end - runState.installFolder, PATH_MAX_LENGTH) << "seed " << seed;
    // Whatever the folder's source, it is that source's start.
    std::string folder(runState.installFolder);
    bool fromSource = folder == std::string("C:\\Program Files\\Velmora") || folder.empty();
    for (const std::string& word : words) fromSource = fromSource || word.compare(0, folder.size(), folder) == 0;
    fromSource = fromSource || Folder(1000).compare(0, folder.size(), folder) == 0 ||
                 folder == Folder(252) + "\\Velmora";
    EXPECT_TRUE(fromSource) << "seed " << seed << ": " << folder;
    if (HasFailure()) break;
  }
}

struct SilentFolderCase {
  const char* name;
  std::vector<std::string> options;
  int exitCode;
};

class OddSilentRun : public RobustRun, public ::testing::WithParamInterface<SilentFolderCase> {};

// Whatever the folder, the silent run ends with an exit code that matches what is on disk,
// and writes nothing outside the folder it names.
TEST_P(OddSilentRun, EndsCleanlyAndInstallsOnlyIntoItsFolder) {
  FreshWorld();
  std::vector<std::string> before = world::ListTree("C:\\");
  world::Answer("Invalid Folder Name", IDOK);  // may be shown in silent runs
  int exitCode = Run(GetParam().options);
  EXPECT_EQ(GetParam().exitCode, exitCode) << TranscriptText();
  for (const std::string& stall : stalls_)
    EXPECT_NE(std::string::npos, stall.find("no message box is shown")) << stall;  // the unused answer
  std::string folder(runState.installFolder);
  ASSERT_LE(folder.size(), (size_t)PATH_MAX_LENGTH);
  if (exitCode == 0) {
    for (const fixture::PackagedFile& file : ProductFiles())
      EXPECT_EQ(file.bytes, world::FileBytes(folder + "\\" + file.name)) << folder;
  }
  std::vector<std::string> shortcuts = ShortcutFolders();
  for (const std::string& path : world::ListTree("C:\\")) {
    if (std::find(before.begin(), before.end(), path) != before.end()) continue;
    bool allowed = path.compare(0, 16, "C:\\Program Files") == 0 && !folder.empty() &&
                   folder.compare(0, 16, "C:\\Program Files") == 0;
    for (const std::string& place : shortcuts) allowed = allowed || path == place + "\\Velmora.lnk";
    EXPECT_TRUE(allowed) << "wrote " << path << " for folder \"" << folder << "\", exit " << exitCode;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Folders, OddSilentRun,
    ::testing::Values(SilentFolderCase{"EmptyPath", {"/USilent", "/Path", ""}, (int)ERROR_INVALID_NAME},
                      SilentFolderCase{"EmptyPathHidden", {"/Hidden", "/Path", ""}, (int)ERROR_INVALID_NAME},
                      SilentFolderCase{"DriveLetterOnly", {"/USilent", "/Path", "D:"}, 0},
                      SilentFolderCase{"Path259", {"/USilent", "/Path", Folder(259)}, (int)ERROR_INVALID_NAME},
                      SilentFolderCase{"Path260", {"/USilent", "/Path", Folder(260)}, (int)ERROR_INVALID_NAME},
                      SilentFolderCase{"Path1000", {"/USilent", "/Path", Folder(1000)}, (int)ERROR_INVALID_NAME},
                      SilentFolderCase{"RelativePath", {"/USilent", "/Path", "Apps\\Velmora"}, (int)ERROR_INVALID_NAME},
                      SilentFolderCase{"PathTakesNextOption", {"/USilent", "/Path", "/U"}, (int)ERROR_INVALID_NAME},
                      SilentFolderCase{"PathDefaultWithoutValue", {"/USilent", "/PathDefault"}, 0}),
    [](const ::testing::TestParamInfo<SilentFolderCase>& info) { return std::string(info.param.name); });

}  // namespace
