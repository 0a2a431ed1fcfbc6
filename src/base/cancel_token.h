// A request to stop, set on one thread and looked at on another: the user's break of a
// run (Esc, or closing the window) or of a tree scan. Work stops only where it looks.
#pragma once

#include <atomic>

namespace tessel {

class CancelToken {
 public:
  void Cancel() { cancelled_ = true; }
  /// The request withdrawn (the user chose to go on).
  void Reset() { cancelled_ = false; }
  bool Cancelled() const { return cancelled_; }

 private:
  std::atomic<bool> cancelled_{false};
};

}  // namespace tessel
