#include "window_model/run_job.h"

namespace tessel {

RunJob::RunJob(Session& session, RunHost& host, ProcessKind mode)
    : state_(session.State()), driver_(state_, style_, trimList_, host, [this](std::string* err) {
        if (!styleRead_ && err) *err = styleError_;
        return styleRead_;
      }) {
  state_.ProcessMode = mode;
  // As every run does before it starts: the style as stored, not as it was last seen.
  if (session.StyleLoaded()) styleRead_ = session.ReloadStyle(&styleError_);
  style_ = session.ActiveStyle();
  trimList_ = session.TrimList();
}

void RunJob::ReturnState(RunState& state) const {
  state.ProcessMode = state_.ProcessMode;
  state.FileName = state_.FileName;
  state.BackupFileName = state_.BackupFileName;
  state.BackupDir = state_.BackupDir;
  state.DoCreateBackUps = state_.DoCreateBackUps;  // the confirmation's check box
  state.TotalBytesBefore = state_.TotalBytesBefore;
  state.TotalBytesAfter = state_.TotalBytesAfter;
  state.Protokoll = state_.Protokoll;
}

}  // namespace tessel
