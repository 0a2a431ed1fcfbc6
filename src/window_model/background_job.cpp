#include "window_model/background_job.h"

namespace tessel {

BackgroundJob::~BackgroundJob() {
  Cancel();
  Wait();
}

bool BackgroundJob::Start(std::function<void(CancelToken&)> work, std::function<void()> finished) {
  if (busy_) return false;
  Wait();  // the thread of the work before, which has returned
  token_.Reset();
  busy_ = true;
  thread_ = std::thread([this, work = std::move(work), finished = std::move(finished)] {
    work(token_);
    busy_ = false;
    if (finished) finished();
  });
  return true;
}

void BackgroundJob::Wait() {
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

}  // namespace tessel
