// A run started from the window. It works on a copy of what it needs (the run state, the
// active style read afresh from its files, the trim list) with a driver of its own, so it
// shares nothing that changes with the window while it goes on; the user's break reaches it
// through a cancel token. The window takes the run state back once the run is over.
#pragma once

#include <string>

#include "app/session.h"
#include "base/cancel_token.h"

namespace tessel {

class RunJob {
 public:
  /// A run of `mode` over the session's selection, reporting to `host`. The style is read
  /// afresh here, on the window's thread; a style that cannot be read is the run's to
  /// report.
  RunJob(Session& session, RunHost& host, ProcessKind mode);
  RunJob(const RunJob&) = delete;
  RunJob& operator=(const RunJob&) = delete;

  /// The run itself, on the job's thread.
  RunSummary Run(CancelToken& userBreak) { return driver_.Run(&userBreak); }
  /// The run's copy of the run state; the confirmation before the run may change it.
  RunState& State() { return state_; }
  /// Once the run is over, on the window's thread: what a run changes of the run state (the
  /// mode, the file last processed, the backups, the byte counts, the protocol) into the
  /// window's `state`. The rest there may have changed meanwhile and stays.
  void ReturnState(RunState& state) const;

 private:
  RunState state_;
  Style style_;
  TrimTagList trimList_;
  bool styleRead_ = true;
  std::string styleError_;
  RunDriver driver_;
};

}  // namespace tessel
