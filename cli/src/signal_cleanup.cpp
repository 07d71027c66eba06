// The signal handler and its state. Everything the handler touches is a static buffer and a flag,
// and it calls only async-signal-safe functions: unlink, sigaction, sigprocmask and raise.
#include "signal_cleanup.h"

#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <cstring>

namespace ravlin::cli {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

char g_path[PATH_MAX + 1];
volatile sig_atomic_t g_pathSet = 0;

void removeRecordedFile() {
  if (g_pathSet != 0) ::unlink(g_path);
  g_pathSet = 0;
}

void reRaise(int signal) {
  struct sigaction defaultAction {};
  defaultAction.sa_handler = SIG_DFL;
  ::sigemptyset(&defaultAction.sa_mask);
  ::sigaction(signal, &defaultAction, nullptr);
  sigset_t only;
  ::sigemptyset(&only);
  ::sigaddset(&only, signal);
  ::sigprocmask(SIG_UNBLOCK, &only, nullptr);
  ::raise(signal);
}

extern "C" void onSignal(int signal) {
  removeRecordedFile();
  reRaise(signal);
}

// Keeps the handler from running while the path is half written.
class SignalsBlocked {
 public:
  SignalsBlocked() {
    sigset_t all;
    ::sigemptyset(&all);
    for (const int signal : kSignals) ::sigaddset(&all, signal);
    ::sigprocmask(SIG_BLOCK, &all, &previous_);
  }
  ~SignalsBlocked() { ::sigprocmask(SIG_SETMASK, &previous_, nullptr); }
  SignalsBlocked(const SignalsBlocked&) = delete;
  SignalsBlocked& operator=(const SignalsBlocked&) = delete;

 private:
  sigset_t previous_{};
};

}  // namespace

void installSignalCleanup() {
  for (const int signal : kSignals) {
    struct sigaction current {};
    ::sigaction(signal, nullptr, &current);
    if (current.sa_handler == SIG_IGN) continue;
    struct sigaction action {};
    action.sa_handler = onSignal;
    ::sigfillset(&action.sa_mask);
    ::sigaction(signal, &action, nullptr);
  }
}

void setFileToRemoveOnSignal(const char* path) {
  const SignalsBlocked blocked;
  g_pathSet = 0;
  if (path == nullptr || std::strlen(path) > PATH_MAX) return;
  std::strcpy(g_path, path);
  g_pathSet = 1;
}

void dieOfSignal(int signal) {
  {
    const SignalsBlocked blocked;
    removeRecordedFile();
  }
  reRaise(signal);
  ::_exit(128 + signal);  // only when the signal could not end the process
}

}  // namespace ravlin::cli
