// The window's RunHost. The run driver calls it on the run's thread (and on the window's
// thread while a selection is made). What a run shows is collected here and shown by the
// window's thread: status, progress and protocol lines at most about 30 times a second, in
// batches, so a run of 20,000 files never floods the window; questions are asked on the
// window's thread while the run waits for the answer, a wait the window's going away ends.
#pragma once

#include <QObject>
#include <QTimer>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>

#include "app/session.h"

namespace tessel::gui {

class MainWindow;

class QtRunHost : public QObject, public RunHost {
  Q_OBJECT
 public:
  explicit QtRunHost(MainWindow& window);

  void ShowStatus(std::string_view text) override;
  void AppendStatus(std::string_view text) override;
  void InitProgress(ProgressBar bar, int64_t maximum) override;
  void SetProgress(ProgressBar bar, int64_t position) override;
  void ProtocolAdded(std::string_view text) override;
  void ProtocolCleared(std::string_view heading, bool showPage) override;
  bool ConfirmRun(RunState& state) override;
  bool AskYesNo(std::string_view text) override;
  void ShowMessage(MessageKind kind, std::string_view text) override;
  bool LoadEditor(const std::string& path) override;
  void ShowResult(const std::string& bytes) override;
  void RememberPath(std::string_view key, const std::string& dir) override;

  /// Shows on the window what was collected since the last time. The window's thread only.
  void Flush();
  /// Starts and stops the timer that flushes while a run is under way.
  void SetRunning(bool running);
  /// The status line as the runs left it.
  std::string Status() const;
  /// The window is going away: a run still under way gets no more answers from the user
  /// (no confirmation, a break confirmed, nothing shown) and ends at the next file; a
  /// question it waits on is answered so.
  void Detach();

 private:
  struct Bar {
    int64_t Maximum = 0, Position = 0;
    bool Changed = false;
  };
  struct Pending {
    std::optional<std::string> Status;
    bool Cleared = false;
    bool ShowPage = false;
    std::string Protocol;  // lines to append, each ended by "\n"
    Bar Bars[2];
  };

  bool OnWindowThread() const;
  bool Detached();
  /// Runs `ask` on the window's thread, after what is pending was shown, while the run
  /// waits; `detached` is the answer once the window has gone.
  template <typename F, typename R>
  R OnWindow(F ask, R detached);

  MainWindow& window_;
  std::mutex askMutex_;  // guards detached_ and the answers the run waits for
  std::condition_variable answered_;
  bool detached_ = false;
  QTimer timer_;
  mutable std::mutex mutex_;
  std::string status_;  // the status line's text, whoever set it last
  Pending pending_;
};

}  // namespace tessel::gui
