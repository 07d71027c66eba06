// Removing the temporary output when a signal ends the process (Ctrl-C, kill, a closed terminal or
// pipe), so that no partial file stays behind, and then ending with the signal's usual status.
#pragma once

namespace ravlin::cli {

// Installs the handlers for SIGINT, SIGTERM, SIGHUP and SIGPIPE. A signal that the caller's parent
// set to be ignored stays ignored.
void installSignalCleanup();

// The file to remove if a signal comes; null for none. The path is copied; a path too long for the
// handler's buffer is not recorded (the output then stays on a signal, as without the handler).
void setFileToRemoveOnSignal(const char* path);

// Holds the cleanup signals back for its lifetime, or until release(), so that a file can be
// created and recorded for removal with no moment in which a signal would leave it behind.
class CleanupSignalsHeld {
 public:
  CleanupSignalsHeld();
  ~CleanupSignalsHeld() { release(); }
  CleanupSignalsHeld(const CleanupSignalsHeld&) = delete;
  CleanupSignalsHeld& operator=(const CleanupSignalsHeld&) = delete;
  void release();

 private:
  bool held_ = true;
};

// Ends the process as the default action of `signal` would, after removing the recorded file.
[[noreturn]] void dieOfSignal(int signal);

// Ends the process as a write to a pipe whose reader has gone ends it on this system.
[[noreturn]] void dieOfBrokenPipe();

}  // namespace ravlin::cli
