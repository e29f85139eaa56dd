// A prepared install folder C:\Velmora with its log open, and helpers for packages, the
// install log and the prompts the user sees.
#ifndef VELMORA_TESTS_EXTRACT_EXTRACT_FIXTURE_H
#define VELMORA_TESTS_EXTRACT_EXTRACT_FIXTURE_H

#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/common.h"
#include "extract/package_builder.h"
#include "installlog/folders.h"
#include "instances/guard.h"
#include "payload/extract.h"
#include "resources/resource.h"
#include "support/world_fixture.h"

namespace fixture {

// 2026-05-01 12:00:00 UTC in 100 ns units since 1601.
const uint64_t kPackagedTime = 134221104000000000ull;

inline PackagedFile File(const std::string& name, const std::string& bytes,
                         Storage storage = Storage::Smallest) {
  PackagedFile file;
  file.name = name;
  file.bytes = bytes;
  file.time = kPackagedTime;
  file.storage = storage;
  return file;
}

// Text that compresses well, and bytes that do not.
inline std::string Text(size_t size, char seed = 'a') {
  std::string text;
  while (text.size() < size) text += std::string("Genogram line ") + seed + " of the family tree.\r\n";
  text.resize(size);
  return text;
}
inline std::string Noise(size_t size, uint32_t seed = 1) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; i++) {
    seed = seed * 1103515245u + 12345u;
    bytes[i] = (char)(seed >> 23);
  }
  return bytes;
}

inline std::string InstallPrompt(const std::string& target, DWORD err, const char* reason) {
  return "Unable to install file '" + target + "' (err=" + std::to_string(err) +
         ").  Please make sure " + reason +
         ".\n\nClick on the ignore button if you want to skip this error.";
}
const char kPermission[] = "you have permission to write files in this folder";
const char kDiskSpace[] = "there is enough free disk space";

inline uint64_t Ticks(const FILETIME& time) {
  return (uint64_t)time.dwHighDateTime << 32 | time.dwLowDateTime;
}

}  // namespace fixture

class ExtractTest : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    ResetRunState();
    ResetInstanceGuard();
    strcpy(runState.installFolder, "C:\\Velmora");
  }
  void TearDown() override { CloseLog(); }

  // Prepares the install folder, which opens the log with the folder's own line.
  void Prepare() { ASSERT_EQ(PrepareInstallFolder(), 0u); }
  void CloseLog() {
    if (runState.logFile != INVALID_HANDLE_VALUE) CloseHandle(runState.logFile);
    runState.logFile = INVALID_HANDLE_VALUE;
  }
  void SetPackage(const std::vector<fixture::PackagedFile>& files) {
    world::SetDataResource(IDR_PACKAGE, fixture::Package(files));
  }
  // The log's lines once it is closed.
  std::vector<std::string> Log() {
    CloseLog();
    std::string bytes = world::FileBytes("C:\\Velmora\\Uninstall.cfg");
    std::vector<std::string> lines;
    size_t at = 0, end;
    while ((end = bytes.find("\r\n", at)) != std::string::npos) {
      lines.push_back(bytes.substr(at, end - at));
      at = end + 2;
    }
    if (at < bytes.size()) lines.push_back("<unterminated>" + bytes.substr(at));
    return lines;
  }
  int MessageBoxes() {
    const std::vector<std::string>& lines = world::Transcript();
    return (int)std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
      return line.compare(0, 11, "message box") == 0;
    });
  }
  bool Mentioned(const std::string& text) {
    for (const std::string& line : world::Transcript())
      if (line.find(text) != std::string::npos) return true;
    return false;
  }
};

#endif
