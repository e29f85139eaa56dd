// A fresh simulated machine for every test, with the program's dialogs loaded.
#ifndef VELMORA_TESTS_SUPPORT_WORLD_FIXTURE_H
#define VELMORA_TESTS_SUPPORT_WORLD_FIXTURE_H

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "platform/host/world.h"

class WorldTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    root_ = ::testing::TempDir() + "velmora-" + info->test_suite_name() + "-" + info->name() + "-" +
            std::to_string(getpid());
    for (char& c : root_)
      if (c == '/' && &c != &root_[0] && root_.compare(0, ::testing::TempDir().size(), ::testing::TempDir()) != 0) c = '_';
    world::Create(root_);
    ASSERT_TRUE(world::LoadResourceFile(VELMORA_DIALOGS_RES));
  }
  std::string root_;
};

#endif
