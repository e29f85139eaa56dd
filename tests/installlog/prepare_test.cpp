// Preparing the install folder: the new log's first lines, clearing out what an old log
// lists, the old log as untrusted input, and locked old files.
#include <string>
#include <vector>

#include "installlog/folders.h"
#include "installlog/install_log.h"
#include "installlog/log_fixture.h"
#include "resources/resource.h"
#include "support/programs.h"

class PrepareTest : public LogTest {
 protected:
  void SetUp() override {
    LogTest::SetUp();
    SetInstallFolder("C:\\Velmora");
  }
  std::string NewLog() {
    CloseLog();
    return world::FileBytes("C:\\Velmora\\Uninstall.cfg");
  }
};

TEST_F(PrepareTest, FreshFolderStartsTheLogWithItsOwnLine) {
  SetInstallFolder("D:\\Apps\\Velmora");
  EXPECT_EQ(PrepareInstallFolder(), 0u);
  ASSERT_NE(runState.logFile, INVALID_HANDLE_VALUE);
  CloseLog();
  // The parent created on the way is not logged: the log did not exist yet.
  EXPECT_TRUE(world::FolderExists("D:\\Apps"));
  EXPECT_EQ(world::FileBytes("D:\\Apps\\Velmora\\Uninstall.cfg"), "dD:\\Apps\\Velmora\r\n");
}

TEST_F(PrepareTest, DriveRootAsInstallFolder) {
  SetInstallFolder("C:\\");
  EXPECT_EQ(PrepareInstallFolder(), 0u);
  CloseLog();
  EXPECT_EQ(world::FileBytes("C:\\Uninstall.cfg"), "dC:\\\r\n");
}

TEST_F(PrepareTest, BareNameIsInvalid) {
  SetInstallFolder("Velmora");
  EXPECT_EQ(PrepareInstallFolder(), (ResultCode)ERROR_INVALID_NAME);
  EXPECT_EQ(runState.logFile, INVALID_HANDLE_VALUE);
}

TEST_F(PrepareTest, EmptyFolderIsInvalidAndNothingLandsInTheCurrentDirectory) {
  world::SetCurrentDirectory("C:\\Users\\user\\Downloads");
  SetInstallFolder("");
  EXPECT_EQ(PrepareInstallFolder(), (ResultCode)ERROR_INVALID_NAME);
  EXPECT_EQ(runState.logFile, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(world::ListTree("C:\\Users\\user\\Downloads").empty());
}

TEST_F(PrepareTest, LogPathTooLongIsAnInvalidFolderAndNothingIsCreated) {
  // 250 characters fit a folder, but not the folder with "\Uninstall.cfg".
  std::string folder = "D:\\" + std::string(120, 'a') + "\\" + std::string(126, 'b');
  ASSERT_LE(folder.size(), (size_t)PATH_MAX_LENGTH);
  SetInstallFolder(folder.c_str());
  EXPECT_EQ(PrepareInstallFolder(), (ResultCode)ERROR_INVALID_NAME);
  EXPECT_EQ(runState.logFile, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(world::ListTree("D:\\").empty());
}

TEST_F(PrepareTest, ReinstallDeletesOldFilesKeepsFolderLinesDropsShortcuts) {
  world::PutFile("C:\\Velmora\\Velmora.exe", "old", FILE_ATTRIBUTE_READONLY);
  world::PutFile("C:\\Velmora\\Dropped.dll", "old", FILE_ATTRIBUTE_READONLY);
  world::PutFile("C:\\Velmora\\Docs\\Manual.pdf", "old", FILE_ATTRIBUTE_READONLY);
  world::PutFile("C:\\Users\\Start Menu\\Programs\\Velmora.lnk", "link");
  world::PutFile("C:\\Velmora\\Velmora.LNK", "link in folder");
  world::PutFile("C:\\Velmora\\Uninstall.cfg",
                 "dC:\\Velmora\r\n"
                 "dC:\\Velmora\\Docs\r\n"
                 "fC:\\Velmora\\Velmora.exe\r\n"
                 "fC:\\Velmora\\Dropped.dll\r\n"
                 "fC:\\Velmora\\Docs\\Manual.pdf\r\n"
                 "fC:\\Users\\Start Menu\\Programs\\Velmora.lnk\r\n"
                 "fC:\\Velmora\\Velmora.LNK\r\n"
                 "dC:\\Velmora\\Plugins\r\n"
                 "x something else\r\n");
  EXPECT_EQ(PrepareInstallFolder(), 0u);
  EXPECT_EQ(NewLog(),
            "dC:\\Velmora\r\n"
            "dC:\\Velmora\\Docs\r\n"
            "dC:\\Velmora\\Plugins\r\n");
  EXPECT_FALSE(world::FileExists("C:\\Velmora\\Velmora.exe"));
  EXPECT_FALSE(world::FileExists("C:\\Velmora\\Dropped.dll"));
  EXPECT_FALSE(world::FileExists("C:\\Velmora\\Docs\\Manual.pdf"));
  EXPECT_TRUE(world::FileExists("C:\\Users\\Start Menu\\Programs\\Velmora.lnk"));
  EXPECT_TRUE(world::FileExists("C:\\Velmora\\Velmora.LNK"));
  EXPECT_TRUE(world::FolderExists("C:\\Velmora\\Docs"));
}

TEST_F(PrepareTest, OldLogVariantsReadTheSame) {
  struct Case {
    const char* what;
    std::string oldLog;
    std::string newLog;
  } cases[] = {
      {"LF only with empty lines", "dC:\\Velmora\n\nfC:\\Velmora\\a.txt\n\n", "dC:\\Velmora\r\n"},
      {"last line without end", "dC:\\Velmora\r\nfC:\\Velmora\\a.txt", "dC:\\Velmora\r\n"},
      {"last d line without end", "fC:\\Velmora\\a.txt\r\ndC:\\Velmora", "dC:\\Velmora\r\n"},
      {"no d lines at all", "fC:\\Velmora\\a.txt\r\n", ""},
      {"empty old log", "", ""},
      {"zero byte ends it", std::string("dC:\\Velmora\r\nfC:\\Velmora\\a.txt\r\n\0dC:\\X\r\n", 40),
       "dC:\\Velmora\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    world::PutFile("C:\\Velmora\\a.txt", "old", FILE_ATTRIBUTE_READONLY);
    world::PutFile("C:\\Velmora\\Uninstall.cfg", c.oldLog);
    EXPECT_EQ(PrepareInstallFolder(), 0u);
    EXPECT_EQ(NewLog(), c.newLog);
    if (c.oldLog.find("a.txt") != std::string::npos)
      EXPECT_FALSE(world::FileExists("C:\\Velmora\\a.txt"));
  }
}

TEST_F(PrepareTest, AlreadyGoneFilesArePassedOver) {
  world::PutFile("C:\\Velmora\\Uninstall.cfg",
                 "dC:\\Velmora\r\n"
                 "fC:\\Velmora\\gone.txt\r\n"
                 "fC:\\Velmora\\GoneFolder\\gone.txt\r\n");
  EXPECT_EQ(PrepareInstallFolder(), 0u);
  EXPECT_EQ(NewLog(), "dC:\\Velmora\r\n");
  EXPECT_TRUE(world::Transcript().empty());
}

// A line naming a file Windows cannot even name (an edited or damaged log) is no file to
// remove: as the last line it must not fail every later install into the folder.
TEST_F(PrepareTest, NamesThatCannotExistArePassedOver) {
  world::PutFile("C:\\Velmora\\a.txt", "old");
  world::PutFile("C:\\Velmora\\Uninstall.cfg",
                 "dC:\\Velmora\r\n"
                 "fC:\\Velmora\\a.txt\r\n"
                 "fC:\\Velmora\\what<is>this?.txt\r\n"
                 "fC:\\Velmora\\pipe|name\\x.dll\r\n");
  EXPECT_EQ(PrepareInstallFolder(), 0u);
  EXPECT_FALSE(world::FileExists("C:\\Velmora\\a.txt"));
  EXPECT_EQ(NewLog(), "dC:\\Velmora\r\n");
  EXPECT_TRUE(world::Transcript().empty());
}

TEST_F(PrepareTest, FilesOutsideTheInstallFolderAreNeitherDeletedNorKept) {
  const char* outside[] = {
      "C:\\Windows\\system.ini",
      "C:\\Velmora\\..\\Windows\\win.ini",
      "C:/Velmora/../Windows/boot.ini",
      "C:\\Velmora\\Sub\\..\\..\\Windows\\a.dll",
      "C:\\Velmora2\\b.dll",
      "D:\\Velmora\\c.dll",
      "\\\\server\\share\\d.dll",
  };
  world::AddShare("server", "share");
  std::string oldLog = "dC:\\Velmora\r\n";
  for (const char* path : outside) {
    world::PutFile(path, "precious");
    oldLog += std::string("f") + path + "\r\n";
  }
  world::PutFile("C:\\Velmora\\mine.txt", "old", FILE_ATTRIBUTE_READONLY);
  oldLog += "fC:\\Velmora\\.\\Sub\\..\\mine.txt\r\n";
  world::PutFile("C:\\Velmora\\Uninstall.cfg", oldLog);

  EXPECT_EQ(PrepareInstallFolder(), 0u);
  EXPECT_EQ(NewLog(), "dC:\\Velmora\r\n");
  for (const char* path : outside) EXPECT_EQ(world::FileBytes(path), "precious") << path;
  EXPECT_FALSE(world::FileExists("C:\\Velmora\\mine.txt"));
}

TEST_F(PrepareTest, LastDeletionDecidesTheResult) {
  // A file that cannot be deleted (its folder denies it) followed by one that can: the
  // later success stands; in the other order the failure does.
  world::PutFile("C:\\Velmora\\Locked\\a.txt", "old");
  world::PutFile("C:\\Velmora\\b.txt", "old");
  world::DenyFolder("C:\\Velmora\\Locked");
  world::PutFile("C:\\Velmora\\Uninstall.cfg",
                 "dC:\\Velmora\r\nfC:\\Velmora\\Locked\\a.txt\r\nfC:\\Velmora\\b.txt\r\n");
  EXPECT_EQ(PrepareInstallFolder(), 0u);
  EXPECT_TRUE(world::FileExists("C:\\Velmora\\Locked\\a.txt"));
  EXPECT_FALSE(world::FileExists("C:\\Velmora\\b.txt"));
  CloseLog();

  world::PutFile("C:\\Velmora\\b.txt", "old");
  world::PutFile("C:\\Velmora\\Uninstall.cfg",
                 "dC:\\Velmora\r\nfC:\\Velmora\\b.txt\r\nfC:\\Velmora\\Locked\\a.txt\r\n");
  EXPECT_EQ(PrepareInstallFolder(), (ResultCode)ERROR_ACCESS_DENIED);
  // The new log is open and holds the kept lines even so.
  EXPECT_EQ(NewLog(), "dC:\\Velmora\r\n");
}

TEST_F(PrepareTest, UnreadableOldLogIsIgnored) {
  world::PutFile("C:\\Velmora\\a.txt", "old");
  world::PutFile("C:\\Velmora\\Uninstall.cfg", "dC:\\Velmora\\Old\r\nfC:\\Velmora\\a.txt\r\n");
  world::Fault fault;
  fault.function = "ReadFile";
  fault.error = ERROR_READ_FAULT;
  world::AddFault(fault);
  EXPECT_EQ(PrepareInstallFolder(), 0u);
  EXPECT_EQ(NewLog(), "dC:\\Velmora\r\n");
  EXPECT_TRUE(world::FileExists("C:\\Velmora\\a.txt"));
}

TEST_F(PrepareTest, LogThatCannotBeCreated) {
  struct Case {
    DWORD error;
    ResultCode result;
  } cases[] = {{ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED}, {ERROR_DISK_FULL, ERROR_INVALID_NAME}};
  for (const Case& c : cases) {
    world::ClearFaults();
    world::Fault fault;
    fault.function = "CreateFileA";
    fault.pathContains = "Uninstall.cfg";
    fault.times = -1;
    fault.error = c.error;
    world::AddFault(fault);
    EXPECT_EQ(PrepareInstallFolder(), c.result) << c.error;
    EXPECT_EQ(runState.logFile, INVALID_HANDLE_VALUE);
  }
}

TEST_F(PrepareTest, ShortWriteOfKeptLinesClosesTheNewLog) {
  world::PutFile("C:\\Velmora\\Uninstall.cfg", "dC:\\Velmora\r\ndC:\\Velmora\\Docs\r\n");
  world::AddShortWrite("Uninstall.cfg", 4);
  EXPECT_EQ(PrepareInstallFolder(), (ResultCode)ERROR_ACCESS_DENIED);
  EXPECT_EQ(runState.logFile, INVALID_HANDLE_VALUE);
  // Nothing else reaches that log.
  LogFile("C:\\Velmora\\later.txt");
  EXPECT_EQ(world::FileBytes("C:\\Velmora\\Uninstall.cfg"), "dC:\\");
}

// ---- locked old files ------------------------------------------------------------------

TEST_F(PrepareTest, OldFileHeldByTheRunningProductIsClosedThenDeleted) {
  world::PutFile("C:\\Velmora\\Velmora.exe", "old", FILE_ATTRIBUTE_READONLY);
  world::PutFile("C:\\Velmora\\Uninstall.cfg", "dC:\\Velmora\r\nfC:\\Velmora\\Velmora.exe\r\n");
  DWORD id = StartProgram("C:\\Velmora\\Velmora.exe", 100, "C:\\Velmora\\Velmora.exe", "Velmora");
  runState.silent = 1;  // the guard is asked in silent runs too

  EXPECT_EQ(PrepareInstallFolder(), 0u);
  EXPECT_FALSE(world::ProcessRunning(id));
  EXPECT_FALSE(world::FileExists("C:\\Velmora\\Velmora.exe"));
  EXPECT_EQ(NewLog(), "dC:\\Velmora\r\n");
}

TEST_F(PrepareTest, FileLockedWithoutMatchingProgramGivesUpWithSharingViolation) {
  world::PutFile("C:\\Velmora\\data.bin", "old");
  world::PutFile("C:\\Velmora\\Uninstall.cfg", "dC:\\Velmora\r\nfC:\\Velmora\\data.bin\r\n");
  DWORD id = StartProgram("C:\\Tools\\backup.exe", -1, "C:\\Velmora\\data.bin");

  DWORD before = world::Now();
  EXPECT_EQ(PrepareInstallFolder(), (ResultCode)ERROR_SHARING_VIOLATION);
  // IN_USE_RETRY_LIMIT pauses of 250 ms, then the guard gives up.
  EXPECT_EQ(world::Now() - before, (DWORD)IN_USE_RETRY_LIMIT * 250);
  EXPECT_TRUE(world::ProcessRunning(id));
  EXPECT_EQ(world::FileBytes("C:\\Velmora\\data.bin"), "old");
  EXPECT_EQ(NewLog(), "dC:\\Velmora\r\n");
}

TEST_F(PrepareTest, AbandonedInUseDialogLeavesTheOldFileAndReportsSharingViolation) {
  world::PutFile("C:\\Velmora\\Velmora.exe", "old", FILE_ATTRIBUTE_READONLY);
  world::PutFile("C:\\Velmora\\Uninstall.cfg", "dC:\\Velmora\r\nfC:\\Velmora\\Velmora.exe\r\n");
  DWORD id = StartProgram("C:\\Velmora\\Velmora.exe", -1, "C:\\Velmora\\Velmora.exe");
  world::Click(IDC_ABORT_INSTALL);

  EXPECT_EQ(PrepareInstallFolder(), (ResultCode)ERROR_SHARING_VIOLATION);
  EXPECT_TRUE(world::ProcessRunning(id));
  EXPECT_EQ(world::FileBytes("C:\\Velmora\\Velmora.exe"), "old");
  // The new log is open all the same; the caller decides what the code means.
  EXPECT_EQ(NewLog(), "dC:\\Velmora\r\n");
}

// ---- the running product's own image ------------------------------------------------------
// Windows refuses to delete a running program's image with ERROR_ACCESS_DENIED, not with a
// sharing violation. The program holds no other file here, so only that refusal tells
// preparation that the product still runs from the install folder.

namespace {

const char kProductImage[] = "C:\\Velmora\\Velmora.exe";

DWORD StartProduct(const std::string& image, int closesOnCloseAfterMs) {
  return StartProgram(image, closesOnCloseAfterMs, "", "Velmora - family.vlm");
}

int TranscriptMentions(const std::string& text) {
  int count = 0;
  for (const std::string& line : world::Transcript())
    if (line.find(text) != std::string::npos) ++count;
  return count;
}

// An earlier installation whose log lists the product's image last, so that its deletion
// decides the result; a user's file in the folder is not listed.
void PutOldInstallation() {
  world::PutFile("C:\\Velmora\\Velmora.exe", "old program", FILE_ATTRIBUTE_READONLY);
  world::PutFile("C:\\Velmora\\Dropped.dll", "old", FILE_ATTRIBUTE_READONLY);
  world::PutFile("C:\\Velmora\\family.vlm", "the user's document");
  world::PutFile("C:\\Velmora\\Uninstall.cfg",
                 "dC:\\Velmora\r\n"
                 "fC:\\Velmora\\Dropped.dll\r\n"
                 "fC:\\Velmora\\Velmora.exe\r\n");
}

}  // namespace

TEST_F(PrepareTest, RunningProductIsAskedToCloseAndItsImageDeleted) {
  struct Case {
    const char* what;
    int silent;
    const char* loggedAs;  // how the old log spells the image
  } cases[] = {
      {"interactive", 0, "C:\\Velmora\\Velmora.exe"},
      {"silent: the guard is asked all the same", 1, "C:\\Velmora\\Velmora.exe"},
      {"log spells the image in another case", 0, "c:\\VELMORA\\velmora.EXE"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CloseLog();
    world::ClearTranscript();
    PutOldInstallation();
    world::PutFile("C:\\Velmora\\Uninstall.cfg",
                   std::string("dC:\\Velmora\r\nfC:\\Velmora\\Dropped.dll\r\nf") + c.loggedAs + "\r\n");
    DWORD id = StartProduct(kProductImage, 100);
    runState.silent = c.silent;

    EXPECT_EQ(PrepareInstallFolder(), 0u);
    EXPECT_FALSE(world::ProcessRunning(id));
    EXPECT_FALSE(world::FileExists(kProductImage));
    EXPECT_FALSE(world::FileExists("C:\\Velmora\\Dropped.dll"));
    EXPECT_EQ(world::FileBytes("C:\\Velmora\\family.vlm"), "the user's document");
    EXPECT_EQ(NewLog(), "dC:\\Velmora\r\n");
    // Closed by its window's WM_CLOSE; the user saw nothing.
    EXPECT_EQ(TranscriptMentions("process " + std::to_string(id) + " \"" + kProductImage + "\" ends"), 1);
    EXPECT_EQ(TranscriptMentions("window 116"), 0);
    EXPECT_EQ(TranscriptMentions("message box"), 0);
  }
}

TEST_F(PrepareTest, RunningProductThatStaysOpenShowsTheInUseDialogAndAbortStops) {
  PutOldInstallation();
  DWORD id = StartProduct(kProductImage, -1);  // ignores WM_CLOSE
  world::Click(IDC_ABORT_INSTALL);

  // The guard gave up on a file in use: the sharing violation, which the caller does not
  // take for a folder without rights.
  EXPECT_EQ(PrepareInstallFolder(), (ResultCode)ERROR_SHARING_VIOLATION);
  EXPECT_TRUE(world::ProcessRunning(id));
  EXPECT_EQ(world::PendingActions(), 0u);
  EXPECT_EQ(TranscriptMentions("window 116 shown"), 1);
  EXPECT_EQ(TranscriptMentions(std::string("Error installing file '") + kProductImage + "'"), 1);
  EXPECT_EQ(TranscriptMentions("window 116 closed"), 1);
  // The image stays as it was; the file listed before it is gone; the unlisted one stays.
  EXPECT_EQ(world::FileBytes(kProductImage), "old program");
  EXPECT_FALSE(world::FileExists("C:\\Velmora\\Dropped.dll"));
  EXPECT_EQ(world::FileBytes("C:\\Velmora\\family.vlm"), "the user's document");
  EXPECT_EQ(NewLog(), "dC:\\Velmora\r\n");
}

TEST_F(PrepareTest, AccessDeniedOnAnImageNothingRunsStaysAccessDenied) {
  // The image lies in a folder that refuses deletions, so the refusal outlives the product.
  const char image[] = "C:\\Velmora\\Bin\\Velmora.exe";
  world::DenyFolder("C:\\Velmora\\Bin");
  struct Case {
    const char* what;
    const char* runningImage;  // "" for none
  } cases[] = {
      // Nothing runs the file: the refusal is the folder's own, and the guard is not asked.
      {"nothing running", ""},
      {"same name running from another folder", "D:\\Old\\Velmora.exe"},
      // The product closes when asked, yet the folder still refuses: no endless retries.
      {"product closes, folder still refuses", image},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CloseLog();
    world::ClearTranscript();
    world::PutFile(image, "old program", FILE_ATTRIBUTE_READONLY);
    world::PutFile("C:\\Velmora\\Dropped.dll", "old", FILE_ATTRIBUTE_READONLY);
    world::PutFile("C:\\Velmora\\Uninstall.cfg",
                   std::string("dC:\\Velmora\r\nfC:\\Velmora\\Dropped.dll\r\nf") + image + "\r\n");
    DWORD id = c.runningImage[0] != '\0' ? StartProduct(c.runningImage, 100) : 0;
    bool productRan = std::string(c.runningImage) == image;

    DWORD before = world::Now();
    EXPECT_EQ(PrepareInstallFolder(), (ResultCode)ERROR_ACCESS_DENIED);
    // One pause of the guard when the product ran from the folder, none otherwise.
    EXPECT_EQ(world::Now() - before, productRan ? 250u : 0u);
    EXPECT_EQ(world::FileBytes(image), "old program");
    EXPECT_FALSE(world::FileExists("C:\\Velmora\\Dropped.dll"));
    EXPECT_EQ(NewLog(), "dC:\\Velmora\r\n");
    if (id != 0) {
      EXPECT_EQ(world::ProcessRunning(id), !productRan);
    }
    EXPECT_EQ(TranscriptMentions("window 116"), 0);
  }
}
