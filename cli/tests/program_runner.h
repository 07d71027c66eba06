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
  // When set, `/bin/sh -c shellScript PROGRAM` runs instead, so that "$0" names the program.
  std::string shellScript;
  std::string stdinPath;    // when set, standard input is this file and `input` is not used
  int stderrColumns = 0;    // when set, standard error is a pseudo-terminal this many columns wide
  // When set, standard input stays open after `input` is fed, and this is called with the child's
  // process id (to send it a signal, say).
  std::function<void(pid_t)> afterInput;
  // Measures the program's peak resident memory with /usr/bin/time. (A child spawned from this
  // process would report this process's peak too: the kernel carries it over at exec.)
  bool measureMemory = false;
};

struct RunResult {
  bool exited = false;  // false when a signal ended the child
  int status = -1;      // exit status when `exited`, else the signal number
  std::string out;
  std::string err;
  long peakMemoryKiB = 0;  // the program's peak resident memory, when measured
};

RunResult runCli(const RunRequest& request);

// Whether this machine can give the child a pseudo-terminal (some containers cannot).
bool terminalsAvailable();

// Whether RunRequest::measureMemory can work here.
bool memoryMeasurable();

}  // namespace ravlin::cli::testing
