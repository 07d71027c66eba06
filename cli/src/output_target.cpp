// Choosing, checking and opening each input's output.
#include "output_target.h"

#include "messages.h"
#include "platform.h"
#include "ravlin/naming.h"

namespace ravlin::cli {

std::optional<OutputTargets::FileIdentity> OutputTargets::identityOf(const std::string& path) {
  platform::FileStatus info;
  if (platform::statusOf(path, info) != 0) return std::nullopt;
  return FileIdentity{info.device, info.inode};
}

void OutputTargets::noteInputs(const std::vector<std::string>& paths) {
  for (const std::string& path : paths) {
    if (auto identity = identityOf(path)) inputIdentities_.insert(*identity);
  }
}

void OutputTargets::requireOutputName(const InputSource& input) const {
  if (options_.toStdout || options_.outputFile || input.isStdin() || input.isRegular()) return;
  throw Failure(input.name(),
                "is not a regular file, so its output has no name of its own; give -o or -c");
}

std::unique_ptr<Output> OutputTargets::open(const InputSource& input, Method method) {
  fileTarget_.reset();
  const bool toStdout = options_.toStdout || options_.outputFile == kStdioName ||
                        (input.isStdin() && !options_.outputFile);
  if (toStdout) {
    // Packed data on a terminal is noise that can upset it; gzip and zstd refuse it as well.
    if (options_.packing && platform::isTerminal(1) && !options_.force) {
      throw Failure("stdout", "is a terminal; packed data is written to it only with -f");
    }
    refuseTerminalInput(input);
    return openStdoutOutput();
  }
  refuseTerminalInput(input);
  std::string target;
  if (options_.outputFile) {
    target = *options_.outputFile;
    platform::FileStatus info;
    // A device or pipe named with -o is written into, as asked.
    if (platform::statusOf(target, info) == 0 && info.kind != platform::FileKind::kRegular &&
        info.kind != platform::FileKind::kDirectory) {
      return openDeviceOutput(target);
    }
  } else {
    target = defaultOutputPath(input.name(), options_.outputDir, outputSuffixFor(method));
  }
  checkTarget(target);
  FileOutputRequest request;
  request.path = target;
  request.replace = options_.force;
  request.sparse = platform::kSparseFiles && options_.sparse && !options_.packing;
  if (input.isRegular() && !input.isStdin()) {
    request.looks.permissions = static_cast<mode_t>(input.info().permissions);
    request.looks.modified = input.info().modified;
  }
  fileTarget_ = target;
  return openFileOutput(request);
}

void OutputTargets::noteCommitted() {
  if (!fileTarget_) return;
  if (auto identity = identityOf(*fileTarget_)) writtenOutputs_.insert(*identity);
}

std::string_view OutputTargets::outputSuffixFor(Method method) const {
  if (!options_.packing && options_.suffix) return *options_.suffix;
  return outputSuffix(method, options_.packing);
}

void OutputTargets::refuseTerminalInput(const InputSource& input) const {
  if (input.isStdin() && platform::isTerminal(0) && !options_.force) {
    throw Failure("stdin", "is a terminal; give a FILE, or -f to read what is typed");
  }
}

void OutputTargets::checkTarget(const std::string& target) const {
  platform::FileStatus info;
  if (platform::statusOf(target, info) != 0) return;
  if (info.kind == platform::FileKind::kDirectory) throw Failure(target, "Is a directory");
  // Renaming a new file over a device or a pipe would replace it, not write into it.
  if (info.kind != platform::FileKind::kRegular) {
    throw Failure(target, "is not a regular file; name it with -o to write into it");
  }
  const FileIdentity identity{info.device, info.inode};
  if (inputIdentities_.contains(identity)) {
    throw Failure(target, "is one of the inputs; inputs are never replaced");
  }
  if (writtenOutputs_.contains(identity)) {
    throw Failure(target, "was written from another input just now; not replaced");
  }
  if (!options_.force) throw Failure(target, "already exists; use -f to replace it");
}

std::string defaultOutputPath(const std::string& input, const std::optional<std::string>& folder,
                              std::string_view suffix) {
  if (folder) {
    std::string_view trimmed = *folder;
    while (!trimmed.empty() && trimmed.back() != ':' &&
           platform::kSeparators.find(trimmed.back()) != std::string_view::npos) {
      trimmed.remove_suffix(1);
    }
    return outputPath(trimmed, input, suffix);
  }
  const std::size_t slash = input.find_last_of(platform::kSeparators);
  if (slash == std::string::npos) return outputBaseName(input) + std::string(suffix);
  // A drive's colon stays with it: "C:name" is in the current folder of drive C.
  const std::size_t folderEnd = input[slash] == ':' ? slash + 1 : slash;
  return outputPath(std::string_view(input).substr(0, folderEnd), input, suffix);
}

}  // namespace ravlin::cli
