// Where each input's output goes: standard output, a device named with -o, or a file beside the
// input or in the -d folder, checked and opened before any of the input is read. A file output
// never replaces an input of the run, nor the output of another input written just before.
#pragma once

#include <compare>
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "input_source.h"
#include "options.h"
#include "output.h"
#include "ravlin/codec.h"

namespace ravlin::cli {

class OutputTargets {
 public:
  explicit OutputTargets(const Options& options) : options_(options) {}

  // Takes note of which files the inputs are, before anything is written, so that no output can
  // replace an input named later.
  void noteInputs(const std::vector<std::string>& paths);
  // An output named after its input needs a name to take, which a pipe's (/dev/fd/63) does not
  // give. Throws Failure before anything waits for the input's data.
  void requireOutputName(const InputSource& input) const;
  // Checks and opens the output of `input`, packed or unpacked with `method`. Throws Failure.
  std::unique_ptr<Output> open(const InputSource& input, Method method);
  // After the output that open() gave is committed: takes note of the file it wrote, so that the
  // output of a later input does not replace it.
  void noteCommitted();

 private:
  // Which file a path names, so that an output never replaces an input reached by another path.
  struct FileIdentity {
    std::uint64_t device;
    std::uint64_t inode;
    auto operator<=>(const FileIdentity&) const = default;
  };
  static std::optional<FileIdentity> identityOf(const std::string& path);

  std::string_view outputSuffixFor(Method method) const;
  void refuseTerminalInput(const InputSource& input) const;
  void checkTarget(const std::string& target) const;

  const Options& options_;
  std::set<FileIdentity> inputIdentities_;
  std::set<FileIdentity> writtenOutputs_;
  std::optional<std::string> fileTarget_;  // the file the current input's output goes to
};

// Where an input's output goes when neither -o nor -c names it: in `folder` when one is given,
// else beside the input; its name is the input's base name followed by `suffix`.
std::string defaultOutputPath(const std::string& input, const std::optional<std::string>& folder,
                              std::string_view suffix);

}  // namespace ravlin::cli
