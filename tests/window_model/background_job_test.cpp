#include "window_model/background_job.h"

#include <gtest/gtest.h>

#include <future>

namespace tessel {
namespace {

// One piece of work at a time; a cancel reaches it where it looks; going away cancels it
// and waits for it.
TEST(BackgroundJobTest, CancelReachesTheWorkAndTheEndWaitsForIt) {
  std::promise<void> started;
  std::atomic<bool> finished{false}, secondStopped{false};
  {
    BackgroundJob job;
    ASSERT_TRUE(job.Start(
        [&](CancelToken& stop) {
          started.set_value();
          while (!stop.Cancelled()) std::this_thread::yield();
        },
        [&] { finished = true; }));
    started.get_future().wait();
    EXPECT_TRUE(job.Busy());
    EXPECT_FALSE(job.Start([](CancelToken&) {}));  // one at a time
    job.Cancel();
    job.Wait();
    EXPECT_FALSE(job.Busy());
    EXPECT_TRUE(finished);

    // The next piece starts with a fresh token and is cancelled when the job goes.
    ASSERT_TRUE(job.Start([&](CancelToken& stop) {
      while (!stop.Cancelled()) std::this_thread::yield();
      secondStopped = true;
    }));
  }
  EXPECT_TRUE(secondStopped);
}

}  // namespace
}  // namespace tessel
