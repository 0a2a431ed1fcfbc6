#include "gui/qt_run_host.h"

#include <QCoreApplication>
#include <QThread>

#include "gui/gui_text.h"
#include "gui/main_window.h"

namespace tessel::gui {
namespace {

constexpr int kFlushMs = 33;  // about 30 updates a second

/// The protocol text split into page lines as the protocol itself splits it: at CR LF.
void AppendLines(std::string& out, std::string_view text) {
  size_t start = 0;
  for (;;) {
    const size_t crlf = text.find("\r\n", start);
    out.append(text.substr(start, crlf == std::string_view::npos ? text.npos : crlf - start));
    out += '\n';
    if (crlf == std::string_view::npos) break;
    start = crlf + 2;
  }
}

}  // namespace

QtRunHost::QtRunHost(MainWindow& window) : window_(window) {
  timer_.setInterval(kFlushMs);
  connect(&timer_, &QTimer::timeout, this, &QtRunHost::Flush);
}

bool QtRunHost::OnWindowThread() const {
  return QThread::currentThread() == QCoreApplication::instance()->thread();
}

template <typename F, typename R>
R QtRunHost::OnWindow(F ask, R detached) {
  if (OnWindowThread()) {
    Flush();
    return ask();
  }
  // The answer lives on after the run stopped waiting for it, should the window go first.
  struct Answer {
    bool Given = false;
    R Value{};
  };
  auto answer = std::make_shared<Answer>();
  QMetaObject::invokeMethod(
      this,
      [this, answer, ask] {
        {
          std::lock_guard lock(askMutex_);
          if (detached_) return;  // the run is no longer waiting: what `ask` refers to is gone
        }
        Flush();
        R value = ask();
        {
          std::lock_guard lock(askMutex_);
          answer->Value = value;
          answer->Given = true;
        }
        answered_.notify_all();
      },
      Qt::QueuedConnection);
  std::unique_lock lock(askMutex_);
  answered_.wait(lock, [&] { return answer->Given || detached_; });
  return answer->Given ? answer->Value : detached;
}

void QtRunHost::Detach() {
  {
    std::lock_guard lock(askMutex_);
    detached_ = true;
  }
  answered_.notify_all();
}

bool QtRunHost::Detached() {
  std::lock_guard lock(askMutex_);
  return detached_;
}

void QtRunHost::ShowStatus(std::string_view text) {
  {
    std::lock_guard lock(mutex_);
    status_ = text;
    pending_.Status = status_;
  }
  if (OnWindowThread()) Flush();
}

void QtRunHost::AppendStatus(std::string_view text) {
  {
    std::lock_guard lock(mutex_);
    status_ += " ";
    status_ += text;
    pending_.Status = status_;
  }
  if (OnWindowThread()) Flush();
}

std::string QtRunHost::Status() const {
  std::lock_guard lock(mutex_);
  return status_;
}

void QtRunHost::InitProgress(ProgressBar bar, int64_t maximum) {
  std::lock_guard lock(mutex_);
  pending_.Bars[int(bar)] = {maximum, 0, true};
}

void QtRunHost::SetProgress(ProgressBar bar, int64_t position) {
  std::lock_guard lock(mutex_);
  Bar& b = pending_.Bars[int(bar)];
  b.Position = position;
  b.Changed = true;
}

void QtRunHost::ProtocolAdded(std::string_view text) {
  {
    std::lock_guard lock(mutex_);
    AppendLines(pending_.Protocol, text);
  }
  if (OnWindowThread() && !timer_.isActive()) Flush();
}

void QtRunHost::ProtocolCleared(std::string_view heading, bool showPage) {
  {
    std::lock_guard lock(mutex_);
    pending_.Cleared = true;
    pending_.ShowPage = showPage;
    pending_.Protocol.clear();
    // The heading ends with the line end of its last line.
    std::string_view lines = heading;
    if (lines.ends_with("\r\n")) lines.remove_suffix(2);
    AppendLines(pending_.Protocol, lines);
  }
  if (OnWindowThread()) Flush();
}

void QtRunHost::Flush() {
  Pending now;
  {
    std::lock_guard lock(mutex_);
    std::swap(now, pending_);
    // Bars keep their maximum: only what changed is handed over.
    for (int i = 0; i < 2; ++i)
      pending_.Bars[i] = {now.Bars[i].Maximum, now.Bars[i].Position, false};
  }
  if (now.Status) window_.ApplyStatus(*now.Status);
  for (int i = 0; i < 2; ++i) {
    if (now.Bars[i].Changed) {
      window_.ApplyProgress(ProgressBar(i), now.Bars[i].Maximum, now.Bars[i].Position);
    }
  }
  if (now.Cleared || !now.Protocol.empty()) {
    if (!now.Protocol.empty()) now.Protocol.pop_back();  // the page adds the last break
    window_.ApplyProtocol(now.Cleared, now.ShowPage, QString::fromUtf8(now.Protocol));
  }
}

void QtRunHost::SetRunning(bool running) {
  if (running) {
    timer_.start();
  } else {
    timer_.stop();
    Flush();
  }
}

bool QtRunHost::ConfirmRun(RunState& state) {
  if (Detached()) return false;
  return OnWindow([&] { return window_.dialogs().ConfirmRun(&window_, window_.session(), state); },
                  false);
}

bool QtRunHost::AskYesNo(std::string_view text) {
  // Closing the window during a run has already answered the user-break question.
  if (Detached()) return true;
  return OnWindow(
      [&] {
        if (window_.ClosingAfterRun()) return true;
        return window_.dialogs().YesNo(&window_, std::string(text));
      },
      true);
}

void QtRunHost::ShowMessage(MessageKind kind, std::string_view text) {
  if (Detached()) return;
  OnWindow(
      [&] {
        window_.dialogs().Message(&window_, kind, std::string(text));
        return true;
      },
      true);
}

bool QtRunHost::LoadEditor(const std::string& path) {
  return OnWindow([&] { return window_.LoadDocument(path); }, false);
}

void QtRunHost::ShowResult(const std::string& bytes) {
  if (Detached()) return;
  OnWindow(
      [&] {
        window_.ShowRunResult(bytes);
        return true;
      },
      true);
}

void QtRunHost::RememberPath(std::string_view key, const std::string& dir) {
  if (Detached()) return;
  OnWindow(
      [&] {
        std::string err;
        window_.session().RememberPath(key, dir, &err);  // a lost directory is no fault
        return true;
      },
      true);
}

}  // namespace tessel::gui
