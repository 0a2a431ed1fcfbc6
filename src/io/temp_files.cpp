#include "io/temp_files.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/random.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace tessel {
namespace {

enum SlotState : int { kFree, kFilling, kArmed };

/// One temporary file being written, as the signal handler finds it.
struct PendingSlot {
  std::atomic<int> State{kFree};
  int DirFd = -1;
  char Name[32] = {};
};

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Process-wide, because it cannot be anything else: a signal handler is given nothing but
// the signal number, so whatever it is to remove must be where it can look without being
// told. A run's worker and the window saving its settings may each be writing a file,
// hence a few slots, each claimed by one writer at a time (an atomic compare-and-swap);
// the handler only reads them and calls unlinkat, which is async-signal-safe. This is the
// program's only mutable global.
PendingSlot g_pending[8];

static_assert(std::atomic<int>::is_always_lock_free, "the handler reads the slots' state");

extern "C" void RemovePendingAndReraise(int sig) {
  const int savedErrno = errno;
  for (PendingSlot& slot : g_pending) {
    if (slot.State.load(std::memory_order_acquire) == kArmed) unlinkat(slot.DirFd, slot.Name, 0);
  }
  // SA_RESETHAND put the default action back on entry, and the signal stays blocked while
  // the handler runs: on return it ends the program just as if it had never been caught.
  raise(sig);
  errno = savedErrno;
}

int ClaimSlot() {
  for (int i = 0; i < int(std::size(g_pending)); ++i) {
    int expected = kFree;
    if (g_pending[i].State.compare_exchange_strong(expected, kFilling)) return i;
  }
  return -1;  // more writers at once than slots: this one goes unwatched
}

std::string RandomSuffix(int attempt) {
  static constexpr char kChars[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  unsigned char bytes[6];
  if (getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != ssize_t(sizeof bytes)) {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    unsigned long mix = (unsigned long)now.tv_nsec * 2654435761u ^ (unsigned long)getpid() ^
                        (unsigned long)attempt << 20;
    for (unsigned char& b : bytes) b = (unsigned char)(mix >>= 5);
  }
  std::string suffix;
  for (unsigned char b : bytes) suffix += kChars[b % (sizeof kChars - 1)];
  return suffix;
}

sigset_t CleanupSignals() {
  sigset_t set;
  sigemptyset(&set);
  for (int sig : kSignals) sigaddset(&set, sig);
  return set;
}

}  // namespace

void InstallTempFileCleanup() {
  for (int sig : kSignals) {
    struct sigaction old {};
    if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
    struct sigaction action {};
    action.sa_handler = RemovePendingAndReraise;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    sigaction(sig, &action, nullptr);
  }
}

TempFile::TempFile(int dirFd) : dirFd_(dirFd) {
  // No signal may come between the file's creation and the handler learning its name.
  const sigset_t block = CleanupSignals();
  sigset_t old;
  pthread_sigmask(SIG_BLOCK, &block, &old);
  slot_ = ClaimSlot();
  for (int attempt = 0; attempt < 100; ++attempt) {
    name_ = kTempFilePrefix + RandomSuffix(attempt);
    fd_ = openat(dirFd, name_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd_ >= 0 || errno != EEXIST) break;
  }
  const int code = errno;
  if (fd_ < 0) name_.clear();  // the name tried last may be another writer's file
  if (slot_ >= 0) {
    PendingSlot& slot = g_pending[slot_];
    if (fd_ >= 0 && name_.size() < sizeof slot.Name) {
      slot.DirFd = dirFd;
      std::memcpy(slot.Name, name_.c_str(), name_.size() + 1);
      slot.State.store(kArmed, std::memory_order_release);
    } else {
      slot.State.store(kFree, std::memory_order_release);
      slot_ = -1;
    }
  }
  pthread_sigmask(SIG_SETMASK, &old, nullptr);
  errno = code;
}

TempFile::~TempFile() {
  if (fd_ >= 0) close(fd_);
  Remove();  // nothing when it was renamed over its target
}

bool TempFile::Close() {
  const int fd = fd_;
  fd_ = -1;
  return fd < 0 || close(fd) == 0;
}

void TempFile::Forget() {
  if (slot_ >= 0) g_pending[slot_].State.store(kFree, std::memory_order_release);
  slot_ = -1;
  name_.clear();
}

void TempFile::Remove() {
  if (!name_.empty()) unlinkat(dirFd_, name_.c_str(), 0);
  Forget();
}

}  // namespace tessel
