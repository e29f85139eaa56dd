// A world with a fresh run state and helpers to open a log and read back its lines.
#ifndef VELMORA_TESTS_INSTALLLOG_LOG_FIXTURE_H
#define VELMORA_TESTS_INSTALLLOG_LOG_FIXTURE_H

#include <string>
#include <vector>

#include "common/common.h"
#include "instances/guard.h"
#include "support/world_fixture.h"

class LogTest : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    ResetRunState();
    ResetInstanceGuard();
  }
  void TearDown() override { CloseLog(); }

  // Opens `path` as the install log, as folder preparation would.
  void OpenLog(const char* path) {
    runState.logFile = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(runState.logFile, INVALID_HANDLE_VALUE);
  }
  void CloseLog() {
    if (runState.logFile != INVALID_HANDLE_VALUE) CloseHandle(runState.logFile);
    runState.logFile = INVALID_HANDLE_VALUE;
  }
  void SetInstallFolder(const char* folder) {
    strncpy(runState.installFolder, folder, sizeof runState.installFolder - 1);
  }
};

// The lines of a log as written: each must end in CR LF.
inline std::vector<std::string> LogLines(const std::string& bytes) {
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < bytes.size()) {
    size_t end = bytes.find("\r\n", at);
    if (end == std::string::npos) {
      lines.push_back("<no line end>" + bytes.substr(at));
      break;
    }
    lines.push_back(bytes.substr(at, end - at));
    at = end + 2;
  }
  return lines;
}

#endif
