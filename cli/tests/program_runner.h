// Runs the built ravlin-cli as a child process with chosen standard streams, for end-to-end tests.
#pragma once

#include <sys/types.h>

#include <functional>
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
  RunRequest() = default;
  explicit RunRequest(std::vector<std::string> arguments, std::string stdinBytes = {})
      : args(std::move(arguments)), input(std::move(stdinBytes)) {}

  std::vector<std::string> args;  // after the program name
  std::string input;              // fed to standard input, which is then closed
  std::string workingDir;         // empty: the test's own
  StdoutKind stdoutKind = StdoutKind::kPipe;
  long memoryLimitKiB = 0;  // an address-space limit for the child (ulimit -v); 0: none
  // When set, `/bin/sh -c shellScript PROGRAM` runs instead, so that "$0" names the program.
  std::string shellScript;
  std::string stdinPath;    // when set, standard input is this file and `input` is not used
  int stderrColumns = 0;    // when set, standard error is a pseudo-terminal this many columns wide
  // When set, standard input stays open after `input` is fed, and this is called with the child's
  // process id (to send it a signal, say).
  std::function<void(pid_t)> afterInput;
};

struct RunResult {
  bool exited = false;  // false when a signal ended the child
  int status = -1;      // exit status when `exited`, else the signal number
  std::string out;
  std::string err;
  long peakMemoryKiB = 0;  // the child's peak resident memory
};

RunResult runCli(const RunRequest& request);

// Whether this machine can give the child a pseudo-terminal (some containers cannot).
bool terminalsAvailable();

}  // namespace ravlin::cli::testing
