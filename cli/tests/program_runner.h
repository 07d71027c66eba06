// Runs the built ravlin-cli as a child process with chosen standard streams, for end-to-end tests.
#pragma once

#include <string>
#include <vector>

namespace ravlin::cli::testing {

enum class StdoutKind {
  kPipe,        // captured into RunResult::out
  kClosed,      // descriptor 1 closed in the child
  kBrokenPipe,  // a pipe whose reading end is closed before the child starts
  kTerminal,    // a pseudo-terminal; what reaches it is captured into RunResult::out
};

struct RunRequest {
  std::vector<std::string> args;  // after the program name
  std::string input;              // fed to standard input, which is then closed
  std::string workingDir;         // empty: the test's own
  StdoutKind stdoutKind = StdoutKind::kPipe;
  long memoryLimitKiB = 0;  // an address-space limit for the child (ulimit -v); 0: none
};

struct RunResult {
  bool exited = false;  // false when a signal ended the child
  int status = -1;      // exit status when `exited`, else the signal number
  std::string out;
  std::string err;
};

RunResult runCli(const RunRequest& request);

// Whether this machine can give the child a pseudo-terminal (some containers cannot).
bool terminalsAvailable();

}  // namespace ravlin::cli::testing
