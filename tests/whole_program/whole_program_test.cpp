// The setup program as a user drives it: clicks, typing, answers, the folder picker, and
// the options of unattended runs. Asserts on files, registry values, the transcript and the
// exit code.
#include <gtest/gtest.h>

#include "resources/resource.h"
#include "whole_program/setup_run.h"

namespace {

const char kCompletionWithDesktop[] = "A shortcut to the Start menu and to your desktop has been created.";
const char kCompletionWithoutDesktop[] = "A shortcut to the Start menu has been created.";
const char kDocumentsQuestion[] = "Would you like to try installing Velmora into the folder 'My Documents' instead?";

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

// ---- accepting and installing ----------------------------------------------------------

struct CompletionCase {
  const char* name;
  bool desktop;
  const char* completion;
};

class AcceptAndInstall : public SetupRun, public ::testing::WithParamInterface<CompletionCase> {};

TEST_P(AcceptAndInstall, InstallsFilesLogRegistryLinksAndTellsTheUser) {
  const CompletionCase& c = GetParam();
  world::Click(IDC_ACCEPT);
  if (!c.desktop) world::Click(IDC_DESKTOP_SHORTCUT);
  world::Click(IDC_LAUNCH);  // starts checked; unchecked the user gets the completion message
  world::Click(IDOK);
  world::Answer("Installation Complete!", IDOK);

  EXPECT_EQ(0, Run()) << TranscriptText();
  const std::string folder = DefaultFolder();
  EXPECT_EQ(1, Saw(c.completion)) << TranscriptText();
  EXPECT_EQ(1, MessageBoxes());
  EXPECT_GE(Saw("Installing Help\\Guide.txt..."), 1);
  EXPECT_GE(Saw("Creating shortcut..."), 1);

  EXPECT_EQ("MZ product", world::FileBytes(folder + "\\Velmora.exe"));
  EXPECT_EQ("How to draw a tree.", world::FileBytes(folder + "\\Help\\Guide.txt"));
  EXPECT_TRUE(world::Attributes(folder + "\\Velmora.exe") & FILE_ATTRIBUTE_READONLY);

  std::vector<std::string> expected = {"d" + folder,
                                       "f" + folder + "\\Velmora.exe",
                                       "f" + folder + "\\Uninstall.exe",
                                       "d" + folder + "\\Help",
                                       "f" + folder + "\\Help\\Guide.txt",
                                       "f" + Link(CSIDL_COMMON_PROGRAMS)};
  if (c.desktop) expected.push_back("f" + Link(CSIDL_COMMON_DESKTOPDIRECTORY));
  EXPECT_EQ(expected, LogLines(folder));

  world::ShellLinkInfo programs = world::ReadShellLink(Link(CSIDL_COMMON_PROGRAMS));
  ASSERT_TRUE(programs.valid);
  EXPECT_EQ(folder + "\\Velmora.exe", programs.target);
  EXPECT_EQ(folder, programs.workingFolder);
  EXPECT_EQ(c.desktop, world::FileExists(Link(CSIDL_COMMON_DESKTOPDIRECTORY)));
  EXPECT_FALSE(world::FileExists(Link(CSIDL_PROGRAMS)));
  EXPECT_EQ(0, world::ShellLinkObjectsAlive());

  EXPECT_EQ(folder, VendorString("InstallPath"));
  EXPECT_EQ("Y", VendorString("UserAcceptedAgreement"));
  world::RegistryValue flags = world::ReadValue(HKEY_CURRENT_USER, SETTINGS_KEY, "LicenseAgreement");
  EXPECT_EQ(REG_DWORD, flags.type);
  EXPECT_EQ(std::string("\x03\0\0\0", 4), flags.data);
  EXPECT_EQ(folder + "\\Uninstall.exe" + '\0',
            world::ReadValue(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "UninstallString").data);
  EXPECT_EQ(std::string("Velmora.Document") + '\0',
            world::ReadValue(HKEY_LOCAL_MACHINE, ASSOCIATION_KEY, "").data);
  // The product runs once, told that it was just installed.
  EXPECT_EQ(std::vector<std::string>{Quoted(folder + "\\Velmora.exe") + " /install"},
            world::StartedCommands());
}

INSTANTIATE_TEST_SUITE_P(DesktopBox, AcceptAndInstall,
                         ::testing::Values(CompletionCase{"Checked", true, kCompletionWithDesktop},
                                           CompletionCase{"Unchecked", false, kCompletionWithoutDesktop}),
                         [](const ::testing::TestParamInfo<CompletionCase>& info) {
                           return std::string(info.param.name);
                         });

TEST_F(SetupRun, LaunchBoxCheckedStartsTheProductWithoutArgumentsAndSaysNothing) {
  world::Click(IDC_ACCEPT);
  world::Click(IDOK);
  EXPECT_EQ(0, Run()) << TranscriptText();
  EXPECT_EQ(0, MessageBoxes()) << TranscriptText();
  EXPECT_EQ(std::vector<std::string>{Quoted(DefaultFolder() + "\\Velmora.exe")},
            world::StartedCommands());
}

// ---- leaving without installing ------------------------------------------------------------

struct CancelCase {
  const char* name;
  void (*act)();
};

class CancelGestures : public SetupRun, public ::testing::WithParamInterface<CancelCase> {};

TEST_P(CancelGestures, EndWith1223AndTouchNothing) {
  GetParam().act();
  EXPECT_EQ((int)ERROR_CANCELLED, Run()) << TranscriptText();
  EXPECT_FALSE(world::FolderExists(DefaultFolder()));
  EXPECT_EQ("<absent>", VendorString("InstallPath"));
  EXPECT_EQ("<absent>", VendorString("UserAcceptedAgreement"));
}

INSTANTIATE_TEST_SUITE_P(Gestures, CancelGestures,
                         ::testing::Values(CancelCase{"CancelButton", [] { world::Click(IDCANCEL); }},
                                           CancelCase{"Escape", [] { world::PressKey(VK_ESCAPE); }},
                                           CancelCase{"CloseBox", [] { world::CloseWindow(); }}),
                         [](const ::testing::TestParamInfo<CancelCase>& info) {
                           return std::string(info.param.name);
                         });

struct DisabledCase {
  const char* name;
  std::vector<std::string> options;
  const char* storedChoice;  // NULL: nothing stored
  std::vector<int> clicks;   // before Install is tried
  const char* typed;         // typed into the folder box before Install; NULL: nothing
};

class InstallDisabled : public SetupRun, public ::testing::WithParamInterface<DisabledCase> {};

// The world refuses a click on a disabled control and ends the run there: that refusal is
// what shows the Install button disabled.
TEST_P(InstallDisabled, InstallCannotBePressed) {
  const DisabledCase& c = GetParam();
  if (c.storedChoice) StoreVendorString("UserAcceptedAgreement", c.storedChoice);
  std::string stall;
  world::SetStallHandler([&stall](const std::string& what) { stall = what; });
  for (int id : c.clicks) world::Click(id);
  if (c.typed) world::Type(IDC_FOLDER, c.typed);
  world::Click(IDOK);
  Run(c.options);
  EXPECT_NE(std::string::npos, stall.find("clicks 1 but control 1 of window 115")) << stall;
  EXPECT_NE(std::string::npos, stall.find("is disabled")) << stall;
  EXPECT_EQ(0, Saw("window 103 shown")) << TranscriptText();
  EXPECT_EQ("<absent>", VendorString("InstallPath"));
}

INSTANTIATE_TEST_SUITE_P(
    WindowStart, InstallDisabled,
    ::testing::Values(DisabledCase{"NothingStored", {}, NULL, {}, NULL},
                      DisabledCase{"StoredNo", {}, "N", {}, NULL},
                      DisabledCase{"StoredLongerValue", {}, "YES", {}, NULL},
                      DisabledCase{"DoNotAcceptChosen", {}, NULL, {IDC_DECLINE}, NULL},
                      DisabledCase{"AcceptedThenDeclined", {}, NULL, {IDC_ACCEPT, IDC_DECLINE}, NULL},
                      DisabledCase{"FolderCleared", {}, NULL, {IDC_ACCEPT}, ""},
                      DisabledCase{"EmptyPathDespiteStoredYes", {"/Path", ""}, "Y", {}, NULL}),
    [](const ::testing::TestParamInfo<DisabledCase>& info) { return std::string(info.param.name); });

TEST_F(SetupRun, StoredYesStartsAcceptedWithInstallEnabled) {
  StoreVendorString("UserAcceptedAgreement", "Y");
  world::Click(IDOK);
  EXPECT_EQ(0, Run()) << TranscriptText();
  EXPECT_TRUE(world::FileExists(DefaultFolder() + "\\Velmora.exe"));
  EXPECT_EQ("Y", VendorString("UserAcceptedAgreement"));
}

TEST_F(SetupRun, RetypingAClearedFolderEnablesInstall) {
  world::Click(IDC_ACCEPT);
  world::Type(IDC_FOLDER, "");
  world::Type(IDC_FOLDER, "D:\\Apps");
  world::Click(IDOK);
  EXPECT_EQ(0, Run()) << TranscriptText();
  EXPECT_EQ(1, Saw("window 103 shown")) << TranscriptText();
  EXPECT_EQ("MZ product", world::FileBytes("D:\\Apps\\Velmora.exe"));
  EXPECT_EQ("D:\\Apps", VendorString("InstallPath"));
  EXPECT_FALSE(world::FolderExists(DefaultFolder()));
}

// ---- the folder picker ---------------------------------------------------------------------

struct BrowseCase {
  const char* name;
  void (*pick)();
  const char* expectedFolder;  // NULL: the default folder
};

class Browse : public SetupRun, public ::testing::WithParamInterface<BrowseCase> {};

TEST_P(Browse, ChosenFolderBecomesTheInstallFolderUnchanged) {
  const BrowseCase& c = GetParam();
  world::MakeFolder("D:\\Picked");
  world::Click(IDC_ACCEPT);
  world::Click(IDC_BROWSE);
  c.pick();
  world::Click(IDOK);
  EXPECT_EQ(0, Run()) << TranscriptText();
  std::string expected = c.expectedFolder ? c.expectedFolder : DefaultFolder();
  EXPECT_EQ("MZ product", world::FileBytes(expected + "\\Velmora.exe")) << TranscriptText();
  EXPECT_EQ(expected, VendorString("InstallPath"));
}

INSTANTIATE_TEST_SUITE_P(
    Picker, Browse,
    ::testing::Values(BrowseCase{"Chosen", [] { world::PickFolder("D:\\Picked"); }, "D:\\Picked"},
                      BrowseCase{"Cancelled", [] { world::CancelPicker(); }, NULL},
                      BrowseCase{"VirtualFolder", [] { world::PickVirtualFolder(); }, NULL}),
    [](const ::testing::TestParamInfo<BrowseCase>& info) { return std::string(info.param.name); });

// ---- folder problems -----------------------------------------------------------------------

TEST_F(SetupRun, AccessDeniedAndYesInstallsIntoTheDocumentsFolder) {
  world::DenyFolder(world::SpecialFolder(CSIDL_PROGRAM_FILES));
  world::Click(IDC_ACCEPT);
  world::Click(IDOK);
  world::Answer(kDocumentsQuestion, IDYES);
  EXPECT_EQ(0, Run()) << TranscriptText();
  const std::string documents = DocumentsFolder();
  EXPECT_EQ(1, Saw("Error installing Velmora in folder '" + DefaultFolder() + "': Access Denied."));
  EXPECT_EQ("MZ product", world::FileBytes(documents + "\\Velmora.exe"));
  EXPECT_EQ("d" + documents, LogLines(documents).at(0));
  EXPECT_EQ(documents, VendorString("InstallPath"));
  EXPECT_EQ(Quoted(documents + "\\Velmora.exe"), world::StartedCommands().at(0));
  // The folder box shows where the product went.
  EXPECT_GE(Saw("\"" + documents + "\""), 1) << TranscriptText();
}

TEST_F(SetupRun, AccessDeniedAndNoLeavesEverythingAsItWas) {
  world::DenyFolder(world::SpecialFolder(CSIDL_PROGRAM_FILES));
  world::Click(IDC_ACCEPT);
  world::Click(IDOK);
  world::Answer(kDocumentsQuestion, IDNO);
  world::Click(IDCANCEL);
  EXPECT_EQ((int)ERROR_CANCELLED, Run()) << TranscriptText();
  EXPECT_EQ(1, MessageBoxes()) << TranscriptText();
  EXPECT_FALSE(world::FolderExists(DocumentsFolder()));
  EXPECT_EQ(DefaultFolder(), VendorString("InstallPath"));
}

TEST_F(SetupRun, SecondFailureInDocumentsKeepsTheBoxThereButTheFirstFolderRemembered) {
  world::DenyFolder(world::SpecialFolder(CSIDL_PROGRAM_FILES));
  world::DenyFolder(world::SpecialFolder(CSIDL_PERSONAL));
  const std::string documents = DocumentsFolder();
  world::Click(IDC_ACCEPT);
  world::Click(IDOK);
  world::Answer(kDocumentsQuestion, IDYES);
  world::Answer("Error installing Velmora in folder '" + documents + "': Access Denied", IDOK);
  world::Click(IDCANCEL);
  EXPECT_EQ((int)ERROR_CANCELLED, Run()) << TranscriptText();
  EXPECT_EQ(2, MessageBoxes()) << TranscriptText();
  EXPECT_EQ(DefaultFolder(), VendorString("InstallPath"));
  EXPECT_STREQ(documents.c_str(), runState.installFolder);
}

TEST_F(SetupRun, SecondInstallFromTheDocumentsFolderOnlyWarns) {
  world::DenyFolder(world::SpecialFolder(CSIDL_PROGRAM_FILES));
  world::DenyFolder(world::SpecialFolder(CSIDL_PERSONAL));
  const std::string documents = DocumentsFolder();
  const std::string warning = "Error installing Velmora in folder '" + documents + "': Access Denied";
  world::Click(IDC_ACCEPT);
  world::Click(IDOK);
  world::Answer(kDocumentsQuestion, IDYES);
  world::Answer(warning, IDOK);
  world::Click(IDOK);  // the box now holds the documents folder
  world::Answer(warning, IDOK);
  world::Click(IDCANCEL);
  EXPECT_EQ((int)ERROR_CANCELLED, Run()) << TranscriptText();
  EXPECT_EQ(1, Saw(kDocumentsQuestion)) << TranscriptText();
  EXPECT_EQ(2, Saw(warning));
  EXPECT_EQ(documents, VendorString("InstallPath"));
}

struct FolderWarningCase {
  const char* name;
  const char* path;  // given with /Path; NULL: the documents folder's "Velmora"; "": none
  bool documentsMissing;
  const char* reason;
};

class FolderWarning : public SetupRun, public ::testing::WithParamInterface<FolderWarningCase> {};

TEST_P(FolderWarning, ShowsOnlyTheWarningAndStaysOpen) {
  const FolderWarningCase& c = GetParam();
  world::DenyFolder(world::SpecialFolder(CSIDL_PERSONAL));
  world::DenyFolder(world::SpecialFolder(CSIDL_PROGRAM_FILES));
  std::string folder = c.path == NULL ? DocumentsFolder() : c.path[0] ? c.path : DefaultFolder();
  std::vector<std::string> options;
  if (c.path == NULL || c.path[0]) options = {"/Path", folder};
  if (c.documentsMissing) world::SetSpecialFolder(CSIDL_PERSONAL, "");
  const std::string warning = "Error installing Velmora in folder '" + folder + "': " + c.reason;
  world::Click(IDC_ACCEPT);
  world::Click(IDOK);
  world::Answer(warning, IDOK);
  world::Click(IDCANCEL);
  EXPECT_EQ((int)ERROR_CANCELLED, Run(options)) << TranscriptText();
  EXPECT_EQ(1, MessageBoxes()) << TranscriptText();
  EXPECT_EQ(1, Saw(warning)) << TranscriptText();
  EXPECT_EQ(folder, VendorString("InstallPath"));
}

INSTANTIATE_TEST_SUITE_P(
    Folders, FolderWarning,
    ::testing::Values(FolderWarningCase{"AlreadyTheDocumentsFolder", NULL, false, "Access Denied"},
                      FolderWarningCase{"NoDocumentsFolder", "", true, "Access Denied"},
                      FolderWarningCase{"MissingDrive", "Q:\\Nowhere", false, "Invalid Folder Name"},
                      FolderWarningCase{"RelativeName", "Apps\\Velmora", false, "Invalid Folder Name"}),
    [](const ::testing::TestParamInfo<FolderWarningCase>& info) { return std::string(info.param.name); });

// A silent run that could not prepare its folder ends with that folder's error, not with 0.
struct SilentFolderCase {
  const char* name;
  const char* path;  // "": the default folder, denied
  int exitCode;
  int messages;
};

class SilentFolderFailure : public SetupRun, public ::testing::WithParamInterface<SilentFolderCase> {};

TEST_P(SilentFolderFailure, ClosesWithTheFolderError) {
  const SilentFolderCase& c = GetParam();
  world::DenyFolder(world::SpecialFolder(CSIDL_PROGRAM_FILES));
  std::vector<std::string> options = {"/USilent"};
  if (c.path[0]) {
    options.push_back("/Path");
    options.push_back(c.path);
    world::Answer("Invalid Folder Name", IDOK);  // shown in silent runs too
  }
  EXPECT_EQ(c.exitCode, Run(options)) << TranscriptText();
  EXPECT_EQ(c.messages, MessageBoxes()) << TranscriptText();
  EXPECT_EQ(0, Saw(kDocumentsQuestion));
  EXPECT_TRUE(world::StartedCommands().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Folders, SilentFolderFailure,
    ::testing::Values(SilentFolderCase{"AccessDenied", "", (int)ERROR_ACCESS_DENIED, 0},
                      SilentFolderCase{"InvalidName", "Apps\\Velmora", (int)ERROR_INVALID_NAME, 1}),
    [](const ::testing::TestParamInfo<SilentFolderCase>& info) { return std::string(info.param.name); });

// Folders too long for the program's paths: refused as a whole when even the log's name
// does not fit, else the first file whose path does not fit ends a silent run.
TEST_F(SetupRun, FolderTooLongForTheLogIsAnInvalidFolder) {
  const std::string folder = "D:\\" + std::string(250, 'a');
  world::Answer("Invalid Folder Name", IDOK);
  EXPECT_EQ((int)ERROR_INVALID_NAME, Run({"/USilent", "/Path", folder})) << TranscriptText();
  EXPECT_EQ(1, Saw("Error installing Velmora in folder '" + folder + "': Invalid Folder Name"));
  EXPECT_FALSE(world::FolderExists(folder));
}

TEST_F(SetupRun, FileTooLongForItsPathEndsASilentRun) {
  const std::string folder = "D:\\" + std::string(242, 'b');  // Help\Guide.txt no longer fits
  EXPECT_EQ((int)ERROR_FILENAME_EXCED_RANGE, Run({"/USilent", "/Path", folder})) << TranscriptText();
  EXPECT_EQ("MZ product", world::FileBytes(folder + "\\Velmora.exe"));
  EXPECT_TRUE(world::StartedCommands().empty());
  for (const std::string& line : LogLines(folder)) EXPECT_LE(line.size(), 260u) << line;
}

// A second setup run over the first: the old files go, even one the new package lacks, the
// folder lines stay, and the links are logged once, by the new run.
TEST_F(SetupRun, ReinstallReplacesThePreviousInstallation) {
  world::SetDataResource(110, MakePackage({{"Velmora.exe", "MZ old product", kFileTime},
                                           {"Old\\Dropped.txt", "gone in the new version", kFileTime}}));
  ASSERT_EQ(0, Run({"/U"})) << TranscriptText();
  const std::string folder = DefaultFolder();
  ASSERT_TRUE(world::FileExists(folder + "\\Old\\Dropped.txt"));

  world::SetDataResource(110, MakePackage({{"Velmora.exe", "MZ product", kFileTime}}));
  EXPECT_EQ(0, Run({"/U"})) << TranscriptText();
  EXPECT_EQ("MZ product", world::FileBytes(folder + "\\Velmora.exe"));
  EXPECT_FALSE(world::FileExists(folder + "\\Old\\Dropped.txt"));
  EXPECT_EQ((std::vector<std::string>{"d" + folder, "d" + folder + "\\Old",
                                      "f" + folder + "\\Velmora.exe",
                                      "f" + Link(CSIDL_COMMON_PROGRAMS),
                                      "f" + Link(CSIDL_COMMON_DESKTOPDIRECTORY)}),
            LogLines(folder));
  EXPECT_EQ(2u, world::StartedCommands().size());
}

// Reinstalling while the product runs: a copy that closes when asked goes quietly; one that
// ignores every request is ended from the in-use dialog. Both runs end installed.
struct RunningProductCase {
  const char* name;
  int closesOnCloseAfterMs;  // -1: ignores WM_CLOSE
  bool dialogExpected;
};

class ReinstallWhileRunning : public SetupRun,
                              public ::testing::WithParamInterface<RunningProductCase> {};

TEST_P(ReinstallWhileRunning, TheRunningCopyIsClosedAndTheFilesReplaced) {
  const RunningProductCase& c = GetParam();
  ASSERT_EQ(0, Run({"/U"})) << TranscriptText();
  const std::string product = DefaultFolder() + "\\Velmora.exe";
  world::ProcessSpec programSpec;
  programSpec.image = product;
  world::ProcessWindow window;
  window.title = "Velmora";
  window.closesOnCloseAfterMs = c.closesOnCloseAfterMs;
  programSpec.windows.push_back(window);
  programSpec.heldFiles.push_back(product);
  DWORD running = world::StartProcess(programSpec);
  world::SetDataResource(110, MakePackage({{"Velmora.exe", "MZ new product", kFileTime}}));
  world::ClearTranscript();
  if (c.dialogExpected) {
    world::Click(IDC_END_PROGRAM);
    world::Answer("Are you sure you want to terminate Velmora.exe?", IDYES);
  }

  EXPECT_EQ(0, Run({"/U"})) << TranscriptText();
  EXPECT_FALSE(world::ProcessRunning(running));
  EXPECT_EQ("MZ new product", world::FileBytes(product));
  EXPECT_EQ(c.dialogExpected ? 1 : 0, Saw("window 116 shown")) << TranscriptText();
}

INSTANTIATE_TEST_SUITE_P(Products, ReinstallWhileRunning,
                         ::testing::Values(RunningProductCase{"ClosesWhenAsked", 0, false},
                                           RunningProductCase{"EndedFromTheDialog", -1, true}),
                         [](const ::testing::TestParamInfo<RunningProductCase>& info) {
                           return std::string(info.param.name);
                         });

// Odd command lines: a value-taking option at the end, an option taken as a folder, unknown
// words and dashes instead of slashes.
TEST_F(SetupRun, PathWithoutItsValueInstallsIntoTheDefaultFolder) {
  EXPECT_EQ(0, Run({"/U", "/Path"})) << TranscriptText();
  EXPECT_EQ("MZ product", world::FileBytes(DefaultFolder() + "\\Velmora.exe"));
}

TEST_F(SetupRun, OptionTakenAsTheFolderIsAnInvalidFolder) {
  world::Click(IDC_ACCEPT);
  world::Click(IDOK);
  world::Answer("Error installing Velmora in folder '/U': Invalid Folder Name", IDOK);
  world::Click(IDCANCEL);
  EXPECT_EQ((int)ERROR_CANCELLED, Run({"/Path", "/U"})) << TranscriptText();
  EXPECT_EQ(1, MessageBoxes());
}

TEST_F(SetupRun, UnknownWordsAreSkippedAndDashesWork) {
  EXPECT_EQ(0, Run({"junk", "/Unknown", "-usilent", "-nd"})) << TranscriptText();
  EXPECT_EQ(0, MessageBoxes());
  EXPECT_TRUE(world::FileExists(Link(CSIDL_COMMON_PROGRAMS)));
  EXPECT_FALSE(world::FileExists(Link(CSIDL_COMMON_DESKTOPDIRECTORY)));
}

// ---- shortcuts ---------------------------------------------------------------------------

TEST_F(SetupRun, DeniedAllUsersProgramsSendsBothLinksToTheUsersFolders) {
  world::DenyFolder(world::SpecialFolder(CSIDL_COMMON_PROGRAMS));
  EXPECT_EQ(0, Run({"/U"})) << TranscriptText();
  EXPECT_TRUE(world::ReadShellLink(Link(CSIDL_PROGRAMS)).valid);
  EXPECT_TRUE(world::ReadShellLink(Link(CSIDL_DESKTOPDIRECTORY)).valid);
  EXPECT_FALSE(world::FileExists(Link(CSIDL_COMMON_PROGRAMS)));
  EXPECT_FALSE(world::FileExists(Link(CSIDL_COMMON_DESKTOPDIRECTORY)));
  std::vector<std::string> log = LogLines(DefaultFolder());
  ASSERT_GE(log.size(), 3u);
  std::vector<std::string> tail(log.end() - 3, log.end());
  EXPECT_EQ((std::vector<std::string>{"f" + Link(CSIDL_COMMON_PROGRAMS), "f" + Link(CSIDL_PROGRAMS),
                                      "f" + Link(CSIDL_DESKTOPDIRECTORY)}),
            tail);
}

TEST_F(SetupRun, ProgramsLinkMissingIsReportedAndTheWindowStaysOpen) {
  world::DenyFolder(world::SpecialFolder(CSIDL_COMMON_PROGRAMS));
  world::DenyFolder(world::SpecialFolder(CSIDL_PROGRAMS));
  const std::string product = DefaultFolder() + "\\Velmora.exe";
  world::Click(IDC_ACCEPT);
  world::Click(IDC_LAUNCH);
  world::Click(IDOK);
  world::Answer("Unable to create shortcut to " + product, IDOK);
  world::Click(IDCANCEL);
  EXPECT_EQ((int)ERROR_CANCELLED, Run({"/PathSaveAs", "D:\\Trees"})) << TranscriptText();
  EXPECT_EQ(1, MessageBoxes()) << TranscriptText();
  EXPECT_EQ(0, Saw("Installation Complete"));
  EXPECT_TRUE(world::ReadShellLink(Link(CSIDL_DESKTOPDIRECTORY)).valid);
  // Installed, registered and started all the same; the save-as folder is not stored.
  EXPECT_EQ("MZ product", world::FileBytes(product));
  EXPECT_EQ(1u, world::StartedCommands().size());
  EXPECT_FALSE(world::ReadValue(HKEY_CURRENT_USER, SAVE_AS_KEY, "PathSaveAs").present);
}

TEST_F(SetupRun, Windows95FamilyStartsWithAllUsersClear) {
  world::SetWindows95Family(true);
  EXPECT_EQ(0, Run({"/U"})) << TranscriptText();
  EXPECT_TRUE(world::FileExists(Link(CSIDL_PROGRAMS)));
  EXPECT_TRUE(world::FileExists(Link(CSIDL_DESKTOPDIRECTORY)));
  EXPECT_FALSE(world::FileExists(Link(CSIDL_COMMON_PROGRAMS)));
  EXPECT_FALSE(world::FileExists(Link(CSIDL_COMMON_DESKTOPDIRECTORY)));
}

TEST_F(SetupRun, CurrentUserOptionKeepsLinksInTheUsersFolders) {
  EXPECT_EQ(0, Run({"/U", "/CU"})) << TranscriptText();
  EXPECT_TRUE(world::FileExists(Link(CSIDL_PROGRAMS)));
  EXPECT_FALSE(world::FileExists(Link(CSIDL_COMMON_PROGRAMS)));
}

// An ordinary user: no rights under Program Files, in the all-users folders or in the
// machine's registry. The product still lands in the documents folder with the user's links;
// only the machine-wide values are missing.
TEST_F(SetupRun, NonAdministratorInstallsForThemselves) {
  world::SetAdministrator(false);
  world::DenyFolder(world::SpecialFolder(CSIDL_PROGRAM_FILES));
  world::DenyFolder(world::SpecialFolder(CSIDL_COMMON_PROGRAMS));
  world::DenyFolder(world::SpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY));
  world::Answer(kDocumentsQuestion, IDYES);
  EXPECT_EQ(0, Run({"/U"})) << TranscriptText();
  const std::string documents = DocumentsFolder();
  EXPECT_EQ("MZ product", world::FileBytes(documents + "\\Velmora.exe"));
  EXPECT_TRUE(world::FileExists(Link(CSIDL_PROGRAMS)));
  EXPECT_TRUE(world::FileExists(Link(CSIDL_DESKTOPDIRECTORY)));
  EXPECT_EQ("<absent>", VendorString("InstallPath"));
  EXPECT_FALSE(world::KeyExists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY));
  EXPECT_EQ(std::string("\x03\0\0\0", 4),
            world::ReadValue(HKEY_CURRENT_USER, SETTINGS_KEY, "LicenseAgreement").data);
}

// ---- unattended runs -------------------------------------------------------------------------

TEST_F(SetupRun, UnattendedShowsTheWindowAndInstallsAtOnce) {
  EXPECT_EQ(0, Run({"/U"})) << TranscriptText();
  EXPECT_EQ(1, Saw("window 115 shown")) << TranscriptText();
  EXPECT_EQ(0, MessageBoxes());
  EXPECT_EQ("MZ product", world::FileBytes(DefaultFolder() + "\\Velmora.exe"));
  // The posted Install stores what the accept button said, and the launch box starts clear.
  EXPECT_EQ("N", VendorString("UserAcceptedAgreement"));
  EXPECT_EQ(std::vector<std::string>{Quoted(DefaultFolder() + "\\Velmora.exe") + " /install"},
            world::StartedCommands());
}

TEST_F(SetupRun, HiddenNeverShowsTheMainWindow) {
  EXPECT_EQ(0, Run({"/Hidden"})) << TranscriptText();
  EXPECT_EQ(0, Saw("window 115 shown")) << TranscriptText();
  EXPECT_EQ(1, Saw("window 103 shown"));
  EXPECT_EQ("MZ product", world::FileBytes(DefaultFolder() + "\\Velmora.exe"));
}

TEST_F(SetupRun, FailedSilentInstallClosesWithTheFilesError) {
  world::Fault fault;
  fault.function = "CreateFileA";
  fault.pathContains = "Guide.txt";
  fault.times = -1;
  fault.error = ERROR_DISK_FULL;
  world::AddFault(fault);
  EXPECT_EQ((int)ERROR_DISK_FULL, Run({"/USilent"})) << TranscriptText();
  EXPECT_EQ(0, MessageBoxes()) << TranscriptText();
  EXPECT_EQ("MZ product", world::FileBytes(DefaultFolder() + "\\Velmora.exe"));
  EXPECT_FALSE(world::FileExists(DefaultFolder() + "\\Help\\Guide.txt"));
  EXPECT_FALSE(world::FileExists(Link(CSIDL_COMMON_PROGRAMS)));
  EXPECT_TRUE(world::StartedCommands().empty());
}

TEST_F(SetupRun, FailedInteractiveInstallStaysOpenAndTheNextInstallStartsClean) {
  world::Fault fault;
  fault.function = "CreateFileA";
  fault.pathContains = "Guide.txt";
  fault.times = 1;
  fault.error = ERROR_DISK_FULL;
  world::AddFault(fault);
  world::Click(IDC_ACCEPT);
  world::Click(IDOK);
  world::Answer("Unable to install file", IDABORT);
  world::Click(IDOK);
  EXPECT_EQ(0, Run()) << TranscriptText();
  EXPECT_EQ(2, Saw("window 103 shown")) << TranscriptText();
  EXPECT_EQ("How to draw a tree.", world::FileBytes(DefaultFolder() + "\\Help\\Guide.txt"));
  EXPECT_EQ(1u, world::StartedCommands().size());
}

// ---- what the window starts with ---------------------------------------------------------------

TEST_F(SetupRun, NoDesktopOptionStartsWithTheDesktopBoxClear) {
  world::Click(IDC_ACCEPT);
  world::Click(IDC_LAUNCH);
  world::Click(IDOK);
  world::Answer("Installation Complete!", IDOK);
  EXPECT_EQ(0, Run({"/ND"})) << TranscriptText();
  EXPECT_EQ(1, Saw(kCompletionWithoutDesktop)) << TranscriptText();
  EXPECT_FALSE(world::FileExists(Link(CSIDL_COMMON_DESKTOPDIRECTORY)));
  EXPECT_TRUE(world::FileExists(Link(CSIDL_COMMON_PROGRAMS)));
}

TEST_F(SetupRun, SaveAsOptionIsShownAndStoredForBothUsers) {
  EXPECT_EQ(0, Run({"/U", "/PathSaveAs", "D:\\Trees"})) << TranscriptText();
  EXPECT_GE(Saw("\"/PathSaveAs D:\\Trees\""), 1) << TranscriptText();
  EXPECT_EQ(std::string("D:\\Trees") + '\0',
            world::ReadValue(HKEY_CURRENT_USER, SAVE_AS_KEY, "PathSaveAs").data);
  EXPECT_EQ(std::string("D:\\Trees") + '\0',
            world::ReadValue(HKEY_USERS, DEFAULT_USER_SAVE_AS_KEY, "PathSaveAs").data);
}

TEST_F(SetupRun, WindowShowsTheAgreementAndItsTexts) {
  world::Click(IDCANCEL);
  Run();
  EXPECT_EQ(1, Saw("Velmora license.")) << TranscriptText();
  EXPECT_EQ(1, Saw("Please read carefully the License Agreement before installing Velmora"));
  EXPECT_EQ(1, Saw("\"" + DefaultFolder() + "\""));
}

// A program whose window template cannot be found says so (unless silent) and ends with the
// loader's error instead of waiting for a window that never comes.
struct MissingWindowCase {
  const char* name;
  std::vector<std::string> options;
  int messages;
};

class MissingWindow : public SetupRun, public ::testing::WithParamInterface<MissingWindowCase> {};

TEST_P(MissingWindow, EndsWithTheLoadersError) {
  world::Fault fault;
  fault.function = "FindResourceA";
  fault.pathContains = "#5\\#115";
  fault.times = -1;
  fault.error = ERROR_RESOURCE_NAME_NOT_FOUND;
  world::AddFault(fault);
  if (GetParam().messages) world::Answer("The setup window could not be created.", IDOK);
  EXPECT_EQ((int)ERROR_RESOURCE_NAME_NOT_FOUND, Run(GetParam().options)) << TranscriptText();
  EXPECT_EQ(GetParam().messages, MessageBoxes()) << TranscriptText();
  EXPECT_FALSE(world::FolderExists(DefaultFolder()));
}

INSTANTIATE_TEST_SUITE_P(Runs, MissingWindow,
                         ::testing::Values(MissingWindowCase{"Interactive", {}, 1},
                                           MissingWindowCase{"Silent", {"/USilent"}, 0}),
                         [](const ::testing::TestParamInfo<MissingWindowCase>& info) {
                           return std::string(info.param.name);
                         });

// ---- entry security ------------------------------------------------------------------------

struct DllSearchCase {
  const char* name;
  DWORD version;
  DWORD expectedFlags;
};

class DllSearch : public SetupRun, public ::testing::WithParamInterface<DllSearchCase> {};

TEST_P(DllSearch, RestrictedToTheSystemFolderExceptOnVista) {
  world::SetVersion(GetParam().version);
  world::Click(IDCANCEL);
  Run();
  EXPECT_EQ(GetParam().expectedFlags, world::DllSearchFlags());
}

INSTANTIATE_TEST_SUITE_P(Versions, DllSearch,
                         ::testing::Values(DllSearchCase{"WindowsXP", 0x0A280105u, 0x800u},
                                           DllSearchCase{"WindowsVista", 0x17700006u, 0u},
                                           DllSearchCase{"Windows7", 0x1DB10106u, 0x800u},
                                           DllSearchCase{"Windows10", 0x4A61000Au, 0x800u}),
                         [](const ::testing::TestParamInfo<DllSearchCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
