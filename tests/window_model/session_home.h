// A session over a fresh copy of the shipped data directory, its style and trim list loaded.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "app/session.h"
#include "test_support.h"

namespace tessel::testing {

struct SessionHome {
  TempDir dir;
  RunHost host;
  std::unique_ptr<Session> session;

  SessionHome() {
    std::filesystem::copy(SourceDataDir(), dir.path(), std::filesystem::copy_options::recursive);
    session = std::make_unique<Session>(dir.path(), host);
    StyleError err;
    EXPECT_TRUE(session->LoadStyle(nullptr, &err)) << err.Text;
    EXPECT_TRUE(session->ReadTrimList(nullptr));
  }
  std::filesystem::path operator/(const std::string& name) const { return dir / name; }
};

}  // namespace tessel::testing
