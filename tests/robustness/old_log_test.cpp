// Old install logs written by anyone who could write the install folder: seeded mixes of
// valid lines, escaping paths, device and network forms, overlong lines, odd line ends,
// zero bytes and junk. Files outside the install folder always survive; the new log carries
// over exactly the old folder lines, in order.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "installlog/folders.h"
#include "instances/guard.h"
#include "robustness/robust_run.h"

namespace {

const char kFolder[] = "C:\\Program Files\\Velmora";

// Files no old log may remove: each lies outside the install folder.
const std::vector<std::string> kSentinels = {
    "C:\\Windows\\important.dll",          "C:\\Users\\user\\Documents\\tree.vlm",
    "D:\\keep.txt",                        "C:\\Program Files\\Other\\keep.exe",
    "C:\\Program Files\\Velmora2\\x.dll",  "C:\\Program Files\\Velmora.exe",
    "C:\\keep.txt",                        "C:\\Users\\user\\Downloads\\keep.txt",
    "\\\\server\\share\\keep.txt",         "C:\\Program Files\\Velmora .dll"};

// Paths an "f" line may name: inside, escaping in every spelling, and plain outside.
std::string FilePath(Random& random) {
  const std::string folder = kFolder;
  const std::vector<std::string> paths = {
      folder + "\\a.dll",
      folder + "\\sub\\b.txt",
      folder + "\\sub\\..\\a.dll",
      folder + "\\..\\..\\Windows\\important.dll",
      folder + "\\..\\Other\\keep.exe",
      folder + "/../Other/keep.exe",
      folder + "\\sub\\..\\..\\Velmora2\\x.dll",
      folder + "\\..\\Velmora.exe",
      folder + "\\.\\..\\..\\keep.txt",
      folder + "2\\x.dll",
      folder + ".exe",
      folder + " .dll",
      "C:\\Windows\\important.dll",
      "c:/windows/important.dll",
      "D:\\keep.txt",
      "D:keep.txt",
      "C:keep.txt",
      "\\keep.txt",
      "/keep.txt",
      "keep.txt",
      "..\\Documents\\tree.vlm",
      "\\\\server\\share\\keep.txt",
      "//server/share/keep.txt",
      "\\\\?\\C:\\Windows\\important.dll",
      "\\\\.\\C:\\Windows\\important.dll",
      "\\\\?\\UNC\\server\\share\\keep.txt",
      "\\\\?\\" + folder + "\\..\\Other\\keep.exe",
      folder + "\\a.dll\\..\\..\\Velmora.exe",
      folder + "\\..\\Velmora.exe.",
      folder + "\\..\\Velmora.exe ",
      folder + "\\..\\..\\Windows\\important.dll:stream",
      " C:\\Windows\\important.dll",
      folder + "\\" + Repeated("long\\", 60) + "..\\..\\..\\..\\..\\..\\..\\..\\..\\..\\..\\..\\..\\..\\..\\..\\" +
          Repeated("..\\", 50) + "Windows\\important.dll",
      folder + "\\" + Repeated("x", 300),
  };
  return paths[random.Below((uint32_t)paths.size())];
}

std::string Junk(Random& random, size_t length) {
  std::string bytes;
  for (size_t i = 0; i < length; ++i) bytes += (char)random.Below(256);
  return bytes;
}

// One line's text, without its end.
std::string Line(Random& random) {
  switch (random.Below(8)) {
    case 0:
    case 1:
    case 2: return "f" + FilePath(random);
    case 3: return "d" + FilePath(random);
    case 4: return "d" + std::string(kFolder) + "\\sub";
    case 5: return std::string(1, "xFD# \t"[random.Below(6)]) + FilePath(random);
    case 6: return "f" + std::string(kFolder) + "\\" + Junk(random, 1 + random.Below(300));
    default: return Junk(random, random.Below(400));
  }
}

std::string OldLog(uint32_t seed) {
  Random random(seed);
  static const char* const kEnds[] = {"\r\n", "\n", "\r", "", "\r\n\r\n", "\n\r"};
  std::string log;
  int lines = 1 + (int)random.Below(40);
  for (int i = 0; i < lines; ++i) {
    log += Line(random);
    log += kEnds[random.Below(6)];
    if (random.Below(50) == 0) log += '\0';
  }
  return log;
}

// The lines of a log by the readers' rules: CR or LF ends a line, a zero byte ends the
// log, empty lines are skipped.
std::vector<std::string> ReadLines(const std::string& log) {
  std::vector<std::string> lines;
  std::string text = log.substr(0, log.find('\0'));
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    if (end > start) lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

std::vector<std::string> FolderLines(const std::string& log) {
  std::vector<std::string> folders;
  for (const std::string& line : ReadLines(log))
    if (line[0] == 'd') folders.push_back(line);
  return folders;
}

bool Lists(const std::string& log, const std::string& line) {
  std::vector<std::string> lines = ReadLines(log);
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::vector<std::string> Lines(const std::string& bytes) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back("<unterminated>" + bytes.substr(start));
      break;
    }
    lines.push_back(bytes.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

class HostileOldLog : public RobustRun {
 protected:
  void PlaceMachine(const std::string& log) {
    world::AddShare("server", "share");
    for (const std::string& sentinel : kSentinels)
      world::PutFile(sentinel, "keep " + sentinel, FILE_ATTRIBUTE_READONLY);
    world::PutFile(std::string(kFolder) + "\\a.dll", "old", FILE_ATTRIBUTE_READONLY);
    world::PutFile(std::string(kFolder) + "\\sub\\b.txt", "old");
    world::PutFile(std::string(kFolder) + "\\Uninstall.cfg", log);
  }
  void ExpectSentinelsKept(const std::string& what) {
    for (const std::string& sentinel : kSentinels)
      EXPECT_EQ("keep " + sentinel, world::FileBytes(sentinel)) << what << ": " << sentinel;
  }
};

TEST_F(HostileOldLog, PreparationRemovesOnlyInsideFilesAndCarriesTheFolderLines) {
  for (uint32_t seed = 1; seed <= 300; ++seed) {
    const std::string log = OldLog(seed);
    const std::string what = "seed " + std::to_string(seed);
    FreshWorld();
    PlaceMachine(log);
    ResetRunState();
    ResetInstanceGuard();
    strcpy(runState.installFolder, kFolder);
    world::SetStallHandler([this](const std::string& stall) { stalls_.push_back(stall); });

    PrepareInstallFolder();
    if (runState.logFile != INVALID_HANDLE_VALUE) CloseHandle(runState.logFile);
    runState.logFile = INVALID_HANDLE_VALUE;

    EXPECT_EQ(std::vector<std::string>{}, stalls_) << what;
    ExpectSentinelsKept(what);
    // The walk did run: the product's own files it lists are gone.
    const std::string folder = kFolder;
    if (Lists(log, "f" + folder + "\\a.dll") || Lists(log, "f" + folder + "\\sub\\..\\a.dll")) {
      EXPECT_FALSE(world::FileExists(folder + "\\a.dll")) << what;
    }
    if (Lists(log, "f" + folder + "\\sub\\b.txt")) {
      EXPECT_FALSE(world::FileExists(folder + "\\sub\\b.txt")) << what;
    }
    std::vector<std::string> expected = FolderLines(log);
    EXPECT_EQ(expected, Lines(world::FileBytes(std::string(kFolder) + "\\Uninstall.cfg"))) << what;
    if (HasFailure()) break;
  }
}

TEST_F(HostileOldLog, SilentReinstallKeepsOutsideFilesAndInstallsTheProduct) {
  for (uint32_t seed = 1000; seed < 1040; ++seed) {
    const std::string log = OldLog(seed);
    const std::string what = "seed " + std::to_string(seed);
    FreshWorld();
    PlaceMachine(log);
    int exitCode = Run({"/USilent"});
    EXPECT_EQ(std::vector<std::string>{}, stalls_) << what;
    ExpectSentinelsKept(what);
    EXPECT_EQ(0, exitCode) << what << "\n" << TranscriptText();
    for (const fixture::PackagedFile& file : ProductFiles())
      EXPECT_EQ(file.bytes, world::FileBytes(std::string(kFolder) + "\\" + file.name)) << what;
    // The carried-over folder lines come first, in their old order; every file line the
    // run wrote names one of its own files or shortcuts.
    std::vector<std::string> lines = Lines(world::FileBytes(std::string(kFolder) + "\\Uninstall.cfg"));
    std::vector<std::string> carried = FolderLines(log);
    ASSERT_GE(lines.size(), carried.size()) << what;
    EXPECT_EQ(carried, std::vector<std::string>(lines.begin(), lines.begin() + carried.size())) << what;
    std::vector<std::string> allowed = ShortcutFolders();
    allowed.push_back(kFolder);
    EXPECT_EQ(std::vector<std::string>{}, FileLinesOutside(kFolder, allowed)) << what;
    if (HasFailure()) break;
  }
}

}  // namespace
