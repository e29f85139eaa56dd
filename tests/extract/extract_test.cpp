// Extraction when everything can be written: bytes, attributes, times, the log's order of
// lines, the progress text, the extra file, and packages that are missing or damaged.
#include "extract/extract_fixture.h"
#include "installlog/install_log.h"

using namespace fixture;

TEST_F(ExtractTest, WritesEveryEntryReadOnlyWithItsPackagedTime) {
  // Raw bytes that happen to look like a zlib stream must still be taken raw.
  std::string zlibLookalike = Deflate(Text(3000));
  std::vector<PackagedFile> files = {
      File("Velmora.exe", zlibLookalike, Storage::Raw),
      File("Docs\\Manual.txt", Text(50000)),
      File("Docs\\Deep\\Tree\\gzip.txt", Text(9000, 'g'), Storage::Gzip),
      File("abc", "xyz"),                  // name and zero fill 4 bytes: no alignment
      File("seven.bin", "1234567"),        // stored size 7 advances the data by 8
      File("noise.bin", Noise(70001)),     // incompressible: stored raw
      File("after.txt", Text(10, 'z')),
  };
  SetPackage(files);
  Prepare();
  ASSERT_EQ(ExtractPayload(), 1);
  EXPECT_EQ(runState.resultCode, 0u);
  EXPECT_EQ(MessageBoxes(), 0);

  for (const PackagedFile& file : files) {
    std::string path = "C:\\Velmora\\" + file.name;
    SCOPED_TRACE(path);
    // Times first: reading the bytes counts as an access.
    world::FileTimes times = world::Times(path);
    EXPECT_EQ(Ticks(times.creation), kPackagedTime);
    EXPECT_EQ(Ticks(times.lastAccess), kPackagedTime);
    EXPECT_EQ(Ticks(times.lastWrite), kPackagedTime);
    EXPECT_NE(world::Attributes(path) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_EQ(world::FileBytes(path), file.bytes);
  }
  // A folder's line comes before the lines of the files placed in it.
  EXPECT_EQ(Log(), (std::vector<std::string>{
                       "dC:\\Velmora",
                       "fC:\\Velmora\\Velmora.exe",
                       "dC:\\Velmora\\Docs",
                       "fC:\\Velmora\\Docs\\Manual.txt",
                       "dC:\\Velmora\\Docs\\Deep",
                       "dC:\\Velmora\\Docs\\Deep\\Tree",
                       "fC:\\Velmora\\Docs\\Deep\\Tree\\gzip.txt",
                       "fC:\\Velmora\\abc",
                       "fC:\\Velmora\\seven.bin",
                       "fC:\\Velmora\\noise.bin",
                       "fC:\\Velmora\\after.txt",
                   }));
}

TEST_F(ExtractTest, ProgressTextNamesEachFile) {
  HWND progress = CreateDialogParamA(runState.instance, MAKEINTRESOURCEA(IDD_PROGRESS), NULL,
                                     [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
  ASSERT_NE(progress, (HWND)NULL);
  runState.progressText = GetDlgItem(progress, IDC_PROGRESS_TEXT);
  SetPackage({File("Velmora.exe", "exe"), File("Docs\\Manual.txt", "manual")});
  world::SetDataResource(IDR_EXTRA_FILE, "extra");
  Prepare();
  ASSERT_EQ(ExtractPayload(), 1);
  char text[300];
  GetWindowTextA(runState.progressText, text, sizeof text);
  EXPECT_STREQ(text, "Installing Velmora.drl...");
  EXPECT_TRUE(Mentioned("Installing Velmora.exe..."));
  EXPECT_TRUE(Mentioned("Installing Docs\\Manual.txt..."));
  DestroyWindow(progress);
}

TEST_F(ExtractTest, ReinstallReplacesReadOnlyFilesWithoutAPrompt) {
  world::PutFile("C:\\Velmora\\Velmora.exe", "old version, longer than the new one",
                 FILE_ATTRIBUTE_READONLY);
  world::PutFile("C:\\Velmora\\Docs\\Manual.txt", "old manual", FILE_ATTRIBUTE_READONLY);
  SetPackage({File("Velmora.exe", "new"), File("Docs\\Manual.txt", Text(4000))});
  Prepare();
  ASSERT_EQ(ExtractPayload(), 1);
  EXPECT_EQ(MessageBoxes(), 0);
  EXPECT_EQ(world::FileBytes("C:\\Velmora\\Velmora.exe"), "new");
  EXPECT_EQ(world::FileBytes("C:\\Velmora\\Docs\\Manual.txt"), Text(4000));
  EXPECT_NE(world::Attributes("C:\\Velmora\\Velmora.exe") & FILE_ATTRIBUTE_READONLY, 0u);
}

TEST_F(ExtractTest, ExtraFileIsWrittenRawWithoutALogLine) {
  SetPackage({File("Velmora.exe", "exe")});
  std::string extra = Deflate(Text(500));  // raw whatever it looks like
  world::SetDataResource(IDR_EXTRA_FILE, extra);
  Prepare();
  ASSERT_EQ(ExtractPayload(), 1);
  EXPECT_EQ(world::FileBytes("C:\\Velmora\\Velmora.drl"), extra);
  EXPECT_NE(world::Attributes("C:\\Velmora\\Velmora.drl") & FILE_ATTRIBUTE_READONLY, 0u);
  EXPECT_NE(Ticks(world::Times("C:\\Velmora\\Velmora.drl").lastWrite), kPackagedTime);
  EXPECT_EQ(Log(), (std::vector<std::string>{"dC:\\Velmora", "fC:\\Velmora\\Velmora.exe"}));
}

TEST_F(ExtractTest, MissingPackageLeavesTheExtraFileUnwritten) {
  world::RemoveDataResource(IDR_PACKAGE);
  world::SetDataResource(IDR_EXTRA_FILE, "extra");
  Prepare();
  EXPECT_EQ(ExtractPayload(), 1);
  EXPECT_FALSE(world::FileExists("C:\\Velmora\\Velmora.drl"));
  EXPECT_EQ(Log(), (std::vector<std::string>{"dC:\\Velmora"}));
}

TEST_F(ExtractTest, DamagedDirectoryInstallsNoEntryButTheExtraFile) {
  struct Case {
    const char* what;
    std::string package;
  } cases[] = {
      {"corrupt zlib", Package({File("Velmora.exe", Text(2000))}, true)},
      {"truncated resource", std::string("\x10\0\0\0\x40\0\0\0", 8)},
      {"four bytes", std::string("\0\0\0\0", 4)},
      {"empty", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    world::SetDataResource(IDR_PACKAGE, c.package);
    world::SetDataResource(IDR_EXTRA_FILE, "extra");
    Prepare();
    EXPECT_EQ(ExtractPayload(), 1);
    EXPECT_FALSE(world::FileExists("C:\\Velmora\\Velmora.exe"));
    EXPECT_EQ(world::FileBytes("C:\\Velmora\\Velmora.drl"), "extra");
    EXPECT_EQ(Log(), (std::vector<std::string>{"dC:\\Velmora"}));
    EXPECT_EQ(runState.resultCode, 0u);
    SetFileAttributesA("C:\\Velmora\\Velmora.drl", FILE_ATTRIBUTE_NORMAL);
    DeleteFileA("C:\\Velmora\\Velmora.drl");
    DeleteFileA("C:\\Velmora\\Uninstall.cfg");
  }
}

TEST_F(ExtractTest, PackageWithoutEntriesWritesNothing) {
  SetPackage({});
  Prepare();
  EXPECT_EQ(ExtractPayload(), 1);
  EXPECT_EQ(world::ListTree("C:\\Velmora"), (std::vector<std::string>{"C:\\Velmora\\Uninstall.cfg"}));
}

TEST_F(ExtractTest, PathAtTheLimitIsWritten) {
  // A name that makes the full path exactly 259 characters.
  std::string name = std::string(120, 'd') + "\\" + std::string(259 - 11 - 121, 'f');
  ASSERT_EQ(strlen("C:\\Velmora\\") + name.size(), 259u);
  SetPackage({File(name, "limit")});
  Prepare();
  ASSERT_EQ(ExtractPayload(), 1);
  EXPECT_EQ(world::FileBytes("C:\\Velmora\\" + name), "limit");
  EXPECT_EQ(Log().back(), "fC:\\Velmora\\" + name);
}

TEST_F(ExtractTest, ReinstallRemovesWhatTheNewPackageLacksAndKeepsFolderLines) {
  SetPackage({File("Velmora.exe", "v1"), File("Docs\\Manual.txt", "v1 manual"), File("Plugins\\old.dll", "v1")});
  Prepare();
  ASSERT_EQ(ExtractPayload(), 1);
  // The shortcut code logs its links into the same log.
  world::PutFile("C:\\Users\\Programs\\Velmora.lnk", "link");
  LogFile("C:\\Users\\Programs\\Velmora.lnk");
  CloseLog();

  SetPackage({File("Velmora.exe", "v2"), File("Docs\\Manual.txt", "v2 manual")});
  Prepare();
  ASSERT_EQ(ExtractPayload(), 1);
  EXPECT_EQ(MessageBoxes(), 0);
  EXPECT_FALSE(world::FileExists("C:\\Velmora\\Plugins\\old.dll"));
  EXPECT_TRUE(world::FolderExists("C:\\Velmora\\Plugins"));
  EXPECT_TRUE(world::FileExists("C:\\Users\\Programs\\Velmora.lnk"));
  EXPECT_EQ(world::FileBytes("C:\\Velmora\\Velmora.exe"), "v2");
  EXPECT_EQ(Log(), (std::vector<std::string>{
                       "dC:\\Velmora",
                       "dC:\\Velmora\\Docs",
                       "dC:\\Velmora\\Plugins",
                       "fC:\\Velmora\\Velmora.exe",
                       "fC:\\Velmora\\Docs\\Manual.txt",
                   }));
}
