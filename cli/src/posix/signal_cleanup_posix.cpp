// The signal handler and its state. Everything the handler touches is a static buffer and a flag,
// and it calls only async-signal-safe functions: unlink, sigaction, sigprocmask and raise.
#include "signal_cleanup.h"

#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

namespace ravlin::cli {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

char g_path[PATH_MAX + 1];
volatile sig_atomic_t g_pathSet = 0;
// While set, a signal is only noted in g_pendingSignal; the holder acts on it when it lets go.
volatile sig_atomic_t g_holding = 0;
volatile sig_atomic_t g_pendingSignal = 0;

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
  if (g_holding != 0) {
    g_pendingSignal = signal;
    return;
  }
  removeRecordedFile();
  reRaise(signal);
}

}  // namespace

void installSignalCleanup() {
  struct sigaction action {};
  action.sa_handler = onSignal;
  ::sigfillset(&action.sa_mask);
  for (const int signal : kSignals) {
    struct sigaction previous {};
    ::sigaction(signal, &action, &previous);
    if (previous.sa_handler == SIG_IGN) ::sigaction(signal, &previous, nullptr);
  }
}

// The handler looks at the path only while the flag is set, and the flag is set only around a
// whole path: the fences keep the compiler from moving the copy across the flag's changes.
void setFileToRemoveOnSignal(const char* path) {
  g_pathSet = 0;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  if (path == nullptr || std::strlen(path) > PATH_MAX) return;
  std::strcpy(g_path, path);
  std::atomic_signal_fence(std::memory_order_seq_cst);
  g_pathSet = 1;
}

// A flag rather than the signal mask: this runs for every output file, and costs no system call.
CleanupSignalsHeld::CleanupSignalsHeld() {
  g_holding = 1;
  std::atomic_signal_fence(std::memory_order_seq_cst);
}

void CleanupSignalsHeld::release() {
  if (!held_) return;
  held_ = false;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  g_holding = 0;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  if (const int signal = g_pendingSignal; signal != 0) dieOfSignal(signal);
}

void dieOfSignal(int signal) {
  removeRecordedFile();
  reRaise(signal);
  ::_exit(128 + signal);  // only when the signal could not end the process
}

void dieOfBrokenPipe() {
  dieOfSignal(SIGPIPE);
}

}  // namespace ravlin::cli
