// How ravlin-cli words a failure: the system's own words for an errno value, followed by what is at
// fault in the path when that can be told ("No such file or directory (folder 'gfx' does not
// exist)"), and the lines on standard error that carry them.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace ravlin::cli {

// One input's run cannot go on: what is at fault (a path, "stdout") and why. The batch reports it
// and goes on with the next input.
class Failure : public std::runtime_error {
 public:
  Failure(std::string subject, const std::string& message)
      : std::runtime_error(message), subject_(std::move(subject)) {}
  // A failed system call on `path`, worded with systemErrorText().
  static Failure ofSystem(int err, const std::string& path);

  const std::string& subject() const noexcept { return subject_; }

 private:
  std::string subject_;
};

// The text for a system call on `path` that failed with `err`.
std::string systemErrorText(int err, const std::string& path);

// "ravlin-cli: SUBJECT: MESSAGE" on standard error.
void printError(std::string_view subject, std::string_view message);

}  // namespace ravlin::cli
