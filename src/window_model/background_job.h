// One piece of work off the window's thread that the user may stop: a run, or the scan of
// the file list. The work gets the job's cancel token and looks at it where it can stop.
// When it returns, `finished` is called on the job's thread; the window posts it on to its
// own. Destroying the job cancels the work and waits for it.
#pragma once

#include <atomic>
#include <functional>
#include <thread>

#include "base/cancel_token.h"

namespace tessel {

class BackgroundJob {
 public:
  BackgroundJob() = default;
  BackgroundJob(const BackgroundJob&) = delete;
  BackgroundJob& operator=(const BackgroundJob&) = delete;
  ~BackgroundJob();

  /// Starts `work` on a thread of its own, with a fresh token; false (nothing started) while
  /// earlier work has not returned.
  bool Start(std::function<void(CancelToken&)> work, std::function<void()> finished = {});
  /// Asks the work to stop where it next looks.
  void Cancel() { token_.Cancel(); }
  /// Waits until the work has returned.
  void Wait();
  /// Started and not yet returned.
  bool Busy() const { return busy_; }

 private:
  CancelToken token_;
  std::atomic<bool> busy_{false};
  std::thread thread_;
};

}  // namespace tessel
