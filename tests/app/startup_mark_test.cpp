#include "app/startup_mark.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace tessel {
namespace {

TEST(StartupMarkTest, OnlyTheInstanceThatMadeTheMarkRemovesIt) {
  testing::TempDir tmp;
  StartupMark first(tmp.path());
  ASSERT_TRUE(first.Holds());
  EXPECT_TRUE(std::filesystem::exists(first.Path()));
  {
    StartupMark second(tmp.path());  // started while the first one was starting
    EXPECT_FALSE(second.Holds());
  }
  EXPECT_TRUE(std::filesystem::exists(first.Path()));
  first.Release();
  EXPECT_FALSE(std::filesystem::exists(first.Path()));
}

}  // namespace
}  // namespace tessel
