// Extraction when a file cannot be written: the Retry/Ignore/Abort prompt and its texts,
// silent runs, short writes, damaged entries, locked files, and names or paths that must
// not be written at all.
#include "extract/extract_fixture.h"
#include "payload/package.h"
#include "support/programs.h"

using namespace fixture;

namespace {

world::Fault CreateFault(const std::string& pathContains, DWORD error, int times = 1) {
  world::Fault fault;
  fault.function = "CreateFileA";
  fault.pathContains = pathContains;
  fault.error = error;
  fault.times = times;
  return fault;
}

// A compressed entry whose stream does not decode (stored size below the size).
PackagedFile Damaged(const std::string& name, size_t size) {
  PackagedFile file = File(name, Text(size));
  file.storedOverride = Deflate(Text(size));
  file.storedOverride[file.storedOverride.size() / 2] ^= 0x5A;
  file.storedOverride.resize(file.storedOverride.size() - 3);
  return file;
}

const std::vector<PackagedFile> kThreeFiles = {
    File("a.txt", Text(1000, 'a')), File("b.txt", Text(2000, 'b')), File("c.txt", Text(3000, 'c'))};

}  // namespace

TEST_F(ExtractTest, RetryThenSuccess) {
  SetPackage(kThreeFiles);
  world::AddFault(CreateFault("b.txt", ERROR_ACCESS_DENIED));
  world::Answer(InstallPrompt("C:\\Velmora\\b.txt", 5, kPermission), IDRETRY);
  Prepare();
  ASSERT_EQ(ExtractPayload(), 1);
  EXPECT_EQ(world::PendingActions(), 0u);
  EXPECT_EQ(MessageBoxes(), 1);
  // Abort/Retry/Ignore with the question icon and Retry as the default button.
  EXPECT_TRUE(Mentioned("message box \"" VELMORA_CAPTION "\" 0x122: \"" +
                        InstallPrompt("C:\\Velmora\\b.txt", 5, kPermission) + "\" -> "));
  EXPECT_EQ(world::FileBytes("C:\\Velmora\\b.txt"), Text(2000, 'b'));
  EXPECT_EQ(runState.resultCode, 0u);
  EXPECT_EQ(Log(), (std::vector<std::string>{"dC:\\Velmora", "fC:\\Velmora\\a.txt",
                                              "fC:\\Velmora\\b.txt", "fC:\\Velmora\\c.txt"}));
}

TEST_F(ExtractTest, IgnoreSkipsTheFileKeepsItsCodeAndFinishes) {
  SetPackage(kThreeFiles);
  world::SetDataResource(IDR_EXTRA_FILE, "extra");
  world::AddFault(CreateFault("b.txt", ERROR_ACCESS_DENIED));
  world::Answer(InstallPrompt("C:\\Velmora\\b.txt", 5, kPermission), IDIGNORE);
  Prepare();
  ASSERT_EQ(ExtractPayload(), 1);
  EXPECT_FALSE(world::FileExists("C:\\Velmora\\b.txt"));
  EXPECT_EQ(world::FileBytes("C:\\Velmora\\c.txt"), Text(3000, 'c'));
  EXPECT_EQ(world::FileBytes("C:\\Velmora\\Velmora.drl"), "extra");
  EXPECT_EQ(runState.resultCode, (ResultCode)ERROR_ACCESS_DENIED);
  EXPECT_EQ(Log(), (std::vector<std::string>{"dC:\\Velmora", "fC:\\Velmora\\a.txt", "fC:\\Velmora\\c.txt"}));
}

TEST_F(ExtractTest, AbortStopsAndKeepsWhatWasWritten) {
  SetPackage(kThreeFiles);
  world::SetDataResource(IDR_EXTRA_FILE, "extra");
  world::AddFault(CreateFault("b.txt", ERROR_ACCESS_DENIED));
  world::Answer(InstallPrompt("C:\\Velmora\\b.txt", 5, kPermission), IDABORT);
  Prepare();
  EXPECT_EQ(ExtractPayload(), 0);
  EXPECT_EQ(world::FileBytes("C:\\Velmora\\a.txt"), Text(1000, 'a'));
  EXPECT_FALSE(world::FileExists("C:\\Velmora\\c.txt"));
  EXPECT_FALSE(world::FileExists("C:\\Velmora\\Velmora.drl"));
  EXPECT_EQ(runState.resultCode, (ResultCode)ERROR_ACCESS_DENIED);
  EXPECT_EQ(Log(), (std::vector<std::string>{"dC:\\Velmora", "fC:\\Velmora\\a.txt"}));
}

TEST_F(ExtractTest, FailedExtraFileFailsTheExtraction) {
  SetPackage({File("a.txt", "a")});
  world::SetDataResource(IDR_EXTRA_FILE, "extra");
  world::AddFault(CreateFault("Velmora.drl", ERROR_ACCESS_DENIED));
  world::Answer(InstallPrompt("C:\\Velmora\\Velmora.drl", 5, kPermission), IDABORT);
  Prepare();
  EXPECT_EQ(ExtractPayload(), 0);
  EXPECT_EQ(runState.resultCode, (ResultCode)ERROR_ACCESS_DENIED);
}

TEST_F(ExtractTest, ShortWriteAsksForDiskSpaceAndKeepsTheLine) {
  SetPackage(kThreeFiles);
  world::AddShortWrite("b.txt", 10);
  world::Answer(InstallPrompt("C:\\Velmora\\b.txt", 29, kDiskSpace), IDIGNORE);
  Prepare();
  ASSERT_EQ(ExtractPayload(), 1);
  EXPECT_EQ(world::FileBytes("C:\\Velmora\\b.txt"), Text(2000, 'b').substr(0, 10));
  EXPECT_EQ(Ticks(world::Times("C:\\Velmora\\b.txt").lastWrite), kPackagedTime);
  EXPECT_EQ(runState.resultCode, (ResultCode)ERROR_WRITE_FAULT);
  // The partly written file stays listed so that the uninstaller removes it.
  EXPECT_EQ(Log(), (std::vector<std::string>{"dC:\\Velmora", "fC:\\Velmora\\a.txt",
                                              "fC:\\Velmora\\b.txt", "fC:\\Velmora\\c.txt"}));
}

TEST_F(ExtractTest, FailedWriteCallReportsItsOwnCode) {
  SetPackage({File("a.txt", Text(100))});
  world::Fault fault;
  fault.function = "WriteFile";
  fault.pathContains = "a.txt";
  fault.error = ERROR_DISK_FULL;
  world::AddFault(fault);
  world::Answer(InstallPrompt("C:\\Velmora\\a.txt", ERROR_DISK_FULL, kDiskSpace), IDABORT);
  Prepare();
  EXPECT_EQ(ExtractPayload(), 0);
  EXPECT_EQ(runState.resultCode, (ResultCode)ERROR_DISK_FULL);
}

TEST_F(ExtractTest, DamagedEntryReportsInvalidDataForNewAndReplacedFiles) {
  // Over an existing file the open leaves "already exists" behind; a new one leaves 0.
  world::PutFile("C:\\Velmora\\old.dat", "previous", FILE_ATTRIBUTE_READONLY);
  SetPackage({Damaged("new.dat", 5000), Damaged("old.dat", 5000), File("ok.txt", "ok")});
  world::Answer(InstallPrompt("C:\\Velmora\\new.dat", ERROR_INVALID_DATA, kPermission), IDIGNORE);
  world::Answer(InstallPrompt("C:\\Velmora\\old.dat", ERROR_INVALID_DATA, kPermission), IDIGNORE);
  Prepare();
  ASSERT_EQ(ExtractPayload(), 1);
  EXPECT_EQ(world::PendingActions(), 0u);
  EXPECT_EQ(runState.resultCode, (ResultCode)ERROR_INVALID_DATA);
  // Nothing is written into the opened file.
  EXPECT_EQ(world::FileBytes("C:\\Velmora\\new.dat"), "");
  EXPECT_EQ(world::FileBytes("C:\\Velmora\\ok.txt"), "ok");
  EXPECT_EQ(Log(), (std::vector<std::string>{"dC:\\Velmora", "fC:\\Velmora\\ok.txt"}));
}

TEST_F(ExtractTest, SilentRunEndsAtTheFirstFailureWithoutAPrompt) {
  struct Case {
    const char* what;
    std::vector<PackagedFile> files;
    DWORD error;
  } cases[] = {
      {"cannot create", kThreeFiles, ERROR_ACCESS_DENIED},
      {"damaged entry", {File("a.txt", "a"), Damaged("b.txt", 3000), File("c.txt", "c")}, ERROR_INVALID_DATA},
      {"short write", kThreeFiles, ERROR_WRITE_FAULT},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_NO_FATAL_FAILURE(SetUp());
    runState.silent = 1;
    SetPackage(c.files);
    world::SetDataResource(IDR_EXTRA_FILE, "extra");
    if (c.error == ERROR_ACCESS_DENIED) world::AddFault(CreateFault("b.txt", c.error));
    if (c.error == ERROR_WRITE_FAULT) world::AddShortWrite("b.txt", 1);
    Prepare();
    EXPECT_EQ(ExtractPayload(), 0);
    EXPECT_EQ(runState.resultCode, c.error);
    EXPECT_EQ(MessageBoxes(), 0);
    EXPECT_TRUE(world::FileExists("C:\\Velmora\\a.txt"));
    EXPECT_FALSE(world::FileExists("C:\\Velmora\\c.txt"));
    EXPECT_FALSE(world::FileExists("C:\\Velmora\\Velmora.drl"));
    CloseLog();
  }
}

// ---- locked files -------------------------------------------------------------------------

TEST_F(ExtractTest, FileHeldByTheRunningProductIsClosedAndWritten) {
  world::PutFile("C:\\Velmora\\Velmora.exe", "old", FILE_ATTRIBUTE_READONLY);
  DWORD id = StartProgram("C:\\Velmora\\Velmora.exe", 100, "C:\\Velmora\\Velmora.exe");
  SetPackage({File("Velmora.exe", "new")});
  Prepare();
  // Preparation saw no old log: the file is still held when extraction meets it.
  ASSERT_TRUE(world::ProcessRunning(id));
  ASSERT_EQ(ExtractPayload(), 1);
  EXPECT_FALSE(world::ProcessRunning(id));
  EXPECT_EQ(world::FileBytes("C:\\Velmora\\Velmora.exe"), "new");
  EXPECT_EQ(MessageBoxes(), 0);
  EXPECT_EQ(runState.resultCode, 0u);
}

TEST_F(ExtractTest, ProgramEndedThroughTheInUseDialogThenTheFileIsWritten) {
  world::PutFile("C:\\Velmora\\Velmora.exe", "old", FILE_ATTRIBUTE_READONLY);
  DWORD id = StartProgram("C:\\Velmora\\Velmora.exe", -1, "C:\\Velmora\\Velmora.exe");
  SetPackage({File("Velmora.exe", "new"), File("b.txt", "b")});
  world::Click(IDC_END_PROGRAM);
  world::Answer("Are you sure you want to terminate Velmora.exe?", IDYES);
  Prepare();
  ASSERT_EQ(ExtractPayload(), 1);
  EXPECT_FALSE(world::ProcessRunning(id));
  EXPECT_EQ(world::FileBytes("C:\\Velmora\\Velmora.exe"), "new");
  EXPECT_EQ(world::FileBytes("C:\\Velmora\\b.txt"), "b");
  EXPECT_EQ(runState.resultCode, 0u);
  EXPECT_TRUE(Mentioned("Error installing file 'C:\\Velmora\\Velmora.exe'"));
}

TEST_F(ExtractTest, AbandonedInUseDialogFailsTheFile) {
  world::PutFile("C:\\Velmora\\Velmora.exe", "old");
  DWORD id = StartProgram("C:\\Velmora\\Velmora.exe", -1, "C:\\Velmora\\Velmora.exe");
  SetPackage({File("Velmora.exe", "new"), File("b.txt", "b")});
  world::Click(IDC_ABORT_INSTALL);
  Prepare();
  EXPECT_EQ(ExtractPayload(), 0);
  EXPECT_TRUE(world::ProcessRunning(id));
  EXPECT_EQ(runState.resultCode, (ResultCode)ERROR_SHARING_VIOLATION);
  EXPECT_EQ(MessageBoxes(), 0);
  EXPECT_FALSE(world::FileExists("C:\\Velmora\\b.txt"));
}

TEST_F(ExtractTest, FileLockedByAnUnknownHolderFallsToThePromptAfterTheBound) {
  world::PutFile("C:\\Velmora\\b.txt", "old b");
  DWORD id = StartProgram("C:\\Tools\\indexer.exe", -1, "C:\\Velmora\\b.txt");
  SetPackage(kThreeFiles);
  world::Answer(InstallPrompt("C:\\Velmora\\b.txt", ERROR_SHARING_VIOLATION, kPermission), IDABORT);
  Prepare();
  DWORD before = world::Now();
  EXPECT_EQ(ExtractPayload(), 0);
  EXPECT_EQ(world::Now() - before, (DWORD)IN_USE_RETRY_LIMIT * 250);
  EXPECT_TRUE(world::ProcessRunning(id));
  EXPECT_EQ(runState.resultCode, (ResultCode)ERROR_SHARING_VIOLATION);
  EXPECT_FALSE(world::FileExists("C:\\Velmora\\c.txt"));
}

TEST_F(ExtractTest, SilentRunDoesNotTouchTheProgramHoldingAFile) {
  world::PutFile("C:\\Velmora\\Velmora.exe", "old", FILE_ATTRIBUTE_READONLY);
  DWORD id = StartProgram("C:\\Velmora\\Velmora.exe", 0, "C:\\Velmora\\Velmora.exe");
  runState.silent = 1;
  SetPackage({File("Velmora.exe", "new")});
  Prepare();
  DWORD before = world::Now();
  EXPECT_EQ(ExtractPayload(), 0);
  EXPECT_EQ(world::Now(), before);
  EXPECT_TRUE(world::ProcessRunning(id));
  EXPECT_EQ(runState.resultCode, (ResultCode)ERROR_SHARING_VIOLATION);
}

// ---- names and paths that must not be written --------------------------------------------------

TEST_F(ExtractTest, NamesThatLeaveTheInstallFolderFailWithInvalidName) {
  world::AddShare("server", "share");
  const char* names[] = {
      "..\\outside.txt",  "Sub\\..\\..\\outside.txt", "C:\\Windows\\evil.dll", "C:evil.dll",
      "\\\\server\\share\\evil.dll", "\\rooted.txt", "/rooted.txt", "Sub/../../outside.txt",
      "...\\outside.txt", ".. \\outside.txt",
  };
  Prepare();
  std::vector<std::string> before = world::ListTree("C:\\");
  for (const char* name : names) {
    SCOPED_TRACE(name);
    runState.silent = 1;
    runState.resultCode = 0;
    EXPECT_EQ(InstallOneFile(name, NULL, (const unsigned char*)"evil", 4, 4), FILE_FAILED);
    EXPECT_EQ(runState.resultCode, (ResultCode)ERROR_INVALID_NAME);
  }
  EXPECT_EQ(world::ListTree("C:\\"), before);
  EXPECT_TRUE(world::ListTree("\\\\server\\share").empty());
}

TEST_F(ExtractTest, EscapingNameGoesThroughThePrompt) {
  Prepare();
  world::Answer(InstallPrompt("C:\\Velmora\\..\\outside.txt", ERROR_INVALID_NAME, kPermission), IDIGNORE);
  FILETIME time = {1, 2};
  EXPECT_EQ(InstallOneFile("..\\outside.txt", &time, (const unsigned char*)"evil", 4, 4), FILE_SKIPPED);
  EXPECT_EQ(runState.resultCode, (ResultCode)ERROR_INVALID_NAME);
  EXPECT_FALSE(world::FileExists("C:\\outside.txt"));
  EXPECT_EQ(Log(), (std::vector<std::string>{"dC:\\Velmora"}));
}

TEST_F(ExtractTest, EscapingEntryFailsOnlyThatFile) {
  SetPackage({File("a.txt", "a"), File("..\\outside.txt", "evil"), File("c.txt", "c")});
  world::Answer(InstallPrompt("C:\\Velmora\\..\\outside.txt", ERROR_INVALID_NAME, kPermission), IDIGNORE);
  Prepare();
  EXPECT_EQ(ExtractPayload(), 1);
  EXPECT_FALSE(world::FileExists("C:\\outside.txt"));
  EXPECT_EQ(world::FileBytes("C:\\Velmora\\a.txt"), "a");
  EXPECT_EQ(world::FileBytes("C:\\Velmora\\c.txt"), "c");
  EXPECT_EQ(runState.resultCode, (ResultCode)ERROR_INVALID_NAME);
}

TEST_F(ExtractTest, FullPathTooLongFailsThatFileWithFilenameExcedRange) {
  std::string name = std::string(120, 'd') + "\\" + std::string(260 - 11 - 121, 'f');
  ASSERT_EQ(strlen("C:\\Velmora\\") + name.size(), 260u);
  SetPackage({File("a.txt", "a"), File(name, "long"), File("c.txt", "c")});
  // The prompt names the entry: its full path is what cannot be formed.
  world::Answer(InstallPrompt(name, ERROR_FILENAME_EXCED_RANGE, kPermission), IDIGNORE);
  Prepare();
  EXPECT_EQ(ExtractPayload(), 1);
  EXPECT_EQ(runState.resultCode, (ResultCode)ERROR_FILENAME_EXCED_RANGE);
  EXPECT_FALSE(world::FolderExists("C:\\Velmora\\" + std::string(120, 'd')));
  EXPECT_EQ(world::FileBytes("C:\\Velmora\\c.txt"), "c");

  runState.silent = 1;
  EXPECT_EQ(InstallOneFile(name.c_str(), NULL, (const unsigned char*)"x", 1, 1), FILE_FAILED);
  EXPECT_EQ(runState.resultCode, (ResultCode)ERROR_FILENAME_EXCED_RANGE);
}

// The package or the extra file is there but its resource cannot be found or loaded for a
// reason other than its absence: the extraction fails with that code instead of ending as a
// success with nothing (or not everything) written. A truly missing resource stays no error.
TEST_F(ExtractTest, UnreadableResourceFailsTheExtraction) {
  struct Case {
    const char* what;
    const char* function;
    const char* resource;  // the fault's path: type and number of the resource
    bool silent;
    bool extraWritten;
  } cases[] = {
      {"package not found, silent", "FindResourceA", "#10\\#110", true, false},
      {"package not loaded, silent", "LoadResource", "#10\\#110", true, false},
      {"extra file not found, silent", "FindResourceA", "#10\\#1", true, false},
      {"extra file not loaded, silent", "LoadResource", "#10\\#1", true, false},
      {"package not loaded, asks", "LoadResource", "#10\\#110", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_NO_FATAL_FAILURE(SetUp());
    runState.silent = c.silent;
    SetPackage(kThreeFiles);
    world::SetDataResource(IDR_EXTRA_FILE, "extra");
    Prepare();
    world::Fault fault;
    fault.function = c.function;
    fault.pathContains = c.resource;
    fault.error = ERROR_ACCESS_DENIED;
    world::AddFault(fault);
    if (!c.silent) world::Answer("Unable to read the files to install (err=5).", IDOK);
    EXPECT_EQ(ExtractPayload(), 0);
    EXPECT_EQ(runState.resultCode, (ResultCode)ERROR_ACCESS_DENIED);
    EXPECT_EQ(MessageBoxes(), c.silent ? 0 : 1);
    EXPECT_EQ(world::FileExists("C:\\Velmora\\Velmora.drl"), c.extraWritten);
    EXPECT_EQ(world::PendingActions(), 0u);
    CloseLog();
  }
  // Absent resources are no error: no package installs nothing, no extra file writes none.
  ASSERT_NO_FATAL_FAILURE(SetUp());
  runState.silent = 1;
  SetPackage(kThreeFiles);
  world::RemoveDataResource(IDR_EXTRA_FILE);
  Prepare();
  EXPECT_EQ(ExtractPayload(), 1);
  EXPECT_EQ(runState.resultCode, 0u);
  EXPECT_TRUE(world::FileExists("C:\\Velmora\\c.txt"));
  CloseLog();
  ASSERT_NO_FATAL_FAILURE(SetUp());
  world::RemoveDataResource(IDR_PACKAGE);
  world::SetDataResource(IDR_EXTRA_FILE, "extra");
  Prepare();
  EXPECT_EQ(ExtractPayload(), 1);
  EXPECT_EQ(runState.resultCode, 0u);
  CloseLog();
}
