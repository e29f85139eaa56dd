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
    std::string name = std::string(info->test_suite_name()) + "-" + info->name();
    for (char& c : name)
      if (c == '/') c = '_';
    root_ = ::testing::TempDir() + "velmora-" + name + "-" + std::to_string(getpid());
    world::Create(root_);
    ASSERT_TRUE(world::LoadResourceFile(VELMORA_DIALOGS_RES));
  }
  std::string root_;
};

#endif
