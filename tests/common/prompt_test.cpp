// The program's message boxes: caption, formatted text cut at 2047 characters, the answer.
#include <gtest/gtest.h>

#include <string>

#include "common/common.h"
#include "support/world_fixture.h"

namespace {

class PromptTest : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    ResetRunState();
  }
  // The transcript line of the last message box.
  std::string LastMessageBox() {
    const std::vector<std::string>& lines = world::Transcript();
    for (auto it = lines.rbegin(); it != lines.rend(); ++it)
      if (it->find("message box") != std::string::npos) return *it;
    return "";
  }
};

TEST_F(PromptTest, ShowsTheFormattedTextUnderTheSetupCaptionAndReturnsTheAnswer) {
  world::Answer("Cannot write D:\\X\\a.txt (error 5)", IDRETRY);
  EXPECT_EQ(IDRETRY, ShowPrompt(MB_ABORTRETRYIGNORE | MB_ICONEXCLAMATION, "Cannot write %s (error %lu)",
                                "D:\\X\\a.txt", 5ul));
  const std::string line = LastMessageBox();
  EXPECT_NE(std::string::npos, line.find("Velmora")) << line;
  EXPECT_NE(std::string::npos, line.find("Setup")) << line;
  EXPECT_NE(std::string::npos, line.find("Cannot write D:\\X\\a.txt (error 5)")) << line;
}

TEST_F(PromptTest, CutsTheTextAt2047Characters) {
  const std::string longName(3000, 'z');
  world::Answer("zzz", IDOK);
  EXPECT_EQ(IDOK, ShowPrompt(MB_OK, "%s", longName.c_str()));
  const std::string line = LastMessageBox();
  EXPECT_NE(std::string::npos, line.find(std::string(2047, 'z'))) << line.size();
  EXPECT_EQ(std::string::npos, line.find(std::string(2048, 'z')));
}

}  // namespace
