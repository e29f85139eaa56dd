// The install log writer: the bytes of each line, one write per line, the short-write rule,
// and the reading rules every reader of the log shares.
#include <string>
#include <vector>

#include "installlog/install_log.h"
#include "installlog/log_fixture.h"

using LogWriterTest = LogTest;

TEST_F(LogWriterTest, WithoutAnOpenLogNothingChanges) {
  runState.resultCode = 7;
  LogFile("C:\\Velmora\\Velmora.exe");
  LogFolder("C:\\Velmora");
  EXPECT_EQ(runState.resultCode, 7u);
  EXPECT_EQ(runState.logFile, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(world::ListTree("C:\\Velmora").empty());
}

TEST_F(LogWriterTest, LinesAreKindPathAndCrLf) {
  OpenLog("C:\\trace.cfg");
  LogFolder("C:\\Program Files\\Velmora");
  // Each line reaches the disk at once: nothing is held back in a buffer.
  EXPECT_EQ(world::FileBytes("C:\\trace.cfg").size(), 27u);
  LogFile("C:\\Program Files\\Velmora\\Velmora.exe");
  CloseLog();
  EXPECT_EQ(world::FileBytes("C:\\trace.cfg"),
            "dC:\\Program Files\\Velmora\r\n"
            "fC:\\Program Files\\Velmora\\Velmora.exe\r\n");
  EXPECT_EQ(runState.resultCode, 0u);
}

TEST_F(LogWriterTest, LongestPathFitsOneLine) {
  std::string path = "C:\\" + std::string(PATH_MAX_LENGTH - 3, 'a');
  OpenLog("C:\\trace.cfg");
  LogFile(path.c_str());
  CloseLog();
  EXPECT_EQ(world::FileBytes("C:\\trace.cfg"), "f" + path + "\r\n");
  EXPECT_EQ(runState.resultCode, 0u);
}

TEST_F(LogWriterTest, PathTooLongIsDroppedAsAWriteFault) {
  std::string path = "C:\\" + std::string(PATH_MAX_LENGTH, 'a');
  OpenLog("C:\\trace.cfg");
  LogFile(path.c_str());
  LogFile("C:\\after");
  CloseLog();
  // No part of the long line reaches the log; the following line is whole.
  EXPECT_EQ(world::FileBytes("C:\\trace.cfg"), "fC:\\after\r\n");
  EXPECT_EQ(runState.resultCode, (ResultCode)ERROR_WRITE_FAULT);
}

TEST_F(LogWriterTest, ShortWriteSetsWriteFaultAndTheInstallGoesOn) {
  OpenLog("C:\\trace.cfg");
  world::AddShortWrite("trace.cfg", 5);
  LogFile("C:\\Velmora\\a.txt");
  EXPECT_EQ(runState.resultCode, (ResultCode)ERROR_WRITE_FAULT);
  LogFile("C:\\Velmora\\b.txt");
  CloseLog();
  EXPECT_EQ(world::FileBytes("C:\\trace.cfg"), "fC:\\V" "fC:\\Velmora\\b.txt\r\n");
  EXPECT_EQ(runState.resultCode, (ResultCode)ERROR_WRITE_FAULT);
}

TEST_F(LogWriterTest, FailedWriteCallSetsWriteFault) {
  OpenLog("C:\\trace.cfg");
  world::Fault fault;
  fault.function = "WriteFile";
  fault.error = ERROR_DISK_FULL;
  world::AddFault(fault);
  LogFolder("C:\\Velmora");
  EXPECT_EQ(runState.resultCode, (ResultCode)ERROR_WRITE_FAULT);
}

// ---- reading ---------------------------------------------------------------------------

static std::vector<std::string> ReadLines(const std::string& text) {
  std::vector<std::string> lines;
  unsigned position = 0;
  const char* line;
  unsigned length;
  while (NextLogLine(text.data(), (unsigned)text.size(), &position, &line, &length)) {
    lines.emplace_back(line, length);
    if (lines.size() > 100) break;  // a reader that never ends
  }
  return lines;
}

TEST(LogReader, ReadingRules) {
  using namespace std::string_literals;
  const std::vector<std::string> both = {"dC:\\V", "fC:\\V\\a"};
  struct Case {
    const char* what;
    std::string text;
    std::vector<std::string> lines;
  } cases[] = {
      {"CR LF", "dC:\\V\r\nfC:\\V\\a\r\n", both},
      {"LF only", "dC:\\V\nfC:\\V\\a\n", both},
      {"CR only", "dC:\\V\rfC:\\V\\a\r", both},
      {"empty lines between", "\r\n\r\ndC:\\V\r\n\r\n\nfC:\\V\\a\r\n\r\n", both},
      {"last line without end", "dC:\\V\r\nfC:\\V\\a", both},
      {"zero byte ends the log", "dC:\\V\r\nfC:\\V\\a\r\n\0fC:\\after\r\n"s, both},
      {"zero byte inside a line", "dC:\\V\r\nfC:\\V\\a\0bc\r\nfC:\\x\r\n"s, both},
      {"other kinds are returned for the caller to skip", "x junk\r\nfC:\\V\\a\r\n", {"x junk", "fC:\\V\\a"}},
      {"empty", "", {}},
      {"only line ends", "\r\n\n\r", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadLines(c.text), c.lines) << c.what;
}
