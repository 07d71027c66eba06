// The fixture of the end-to-end tests: the built ravlin-cli run in a scratch folder of its own.
#pragma once

#include <gtest/gtest.h>

#include "cli_test_support.h"
#include "program_runner.h"

// The program under test is built with the same sanitizers as this test.
#if defined(__SANITIZE_ADDRESS__)
#define RAVLIN_CLI_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define RAVLIN_CLI_SANITIZED 1
#endif
#endif

namespace ravlin::cli::testing {

class CliRun : public ::testing::Test {
 protected:
  RunResult run(std::vector<std::string> args, std::string input = {},
                StdoutKind stdoutKind = StdoutKind::kPipe) {
    RunRequest request(std::move(args), std::move(input));
    request.stdoutKind = stdoutKind;
    return run(std::move(request));
  }
  RunResult run(RunRequest request) {
    request.workingDir = scratch_.path().string();
    return runCli(request);
  }
  std::string at(const std::string& name) const { return scratch_ / name; }
  void put(const std::string& name, const std::string& bytes) const { writeFile(at(name), bytes); }
  std::string get(const std::string& name) const { return readFile(at(name)); }
  bool has(const std::string& name) const { return fileExists(at(name)); }

  ScratchFolder scratch_;
};

}  // namespace ravlin::cli::testing
