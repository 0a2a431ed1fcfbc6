#include "app/run_args.h"

#include <gtest/gtest.h>

namespace tessel {
namespace {

// Checked without a process: were the refusal broken, a run would rewrite the machine.
TEST(RunArgsTest, TheFileSystemRootIsNoTree) {
  for (const char* root : {"/", "//", "/..", "/tmp/.."}) {
    RunArgs a;
    std::string err;
    ASSERT_TRUE(ParseRunArgs({"--format", "--in-place", "--no-backup", root}, a, &err)) << err;
    EXPECT_FALSE(CheckRunPaths(a, &err)) << root;
    EXPECT_NE(err.find("root"), std::string::npos) << err;
  }
}

}  // namespace
}  // namespace tessel
