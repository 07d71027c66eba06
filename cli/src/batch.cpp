// Running ravlin-cli over its inputs: each input is opened, its output prepared (so that a refused
// output costs no reading), then streamed through the engine in fixed chunks and committed; a
// failure is reported and the next input goes on.
#include "batch.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <set>
#include <vector>

#include "input.h"
#include "input_list.h"
#include "messages.h"
#include "output.h"
#include "progress.h"
#include "ravlin/file_system.h"
#include "ravlin/io_error.h"
#include "ravlin/survey.h"
#include "sinks.h"

namespace ravlin::cli {

namespace {

constexpr std::size_t kChunkBytes = std::size_t{128} << 10;

const char* methodName(Method method) {
  return method == Method::kI ? "I" : "II";
}

// Which file a path names, so that an output never replaces an input reached by another path.
struct FileIdentity {
  dev_t device;
  ino_t inode;
  auto operator<=>(const FileIdentity&) const = default;
};

std::optional<FileIdentity> identityOf(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  return FileIdentity{info.st_dev, info.st_ino};
}

void printWarning(const Options& options, std::string_view subject, std::string_view message) {
  if (options.progress != ProgressMode::kQuiet) printError(subject, message);
}

// What an unpack run found at the end of its stream.
struct StreamEnd {
  bool endMarker = false;
  std::uint64_t trailingBytes = 0;
};

std::vector<std::string> streamWarnings(const StreamEnd& end) {
  std::vector<std::string> warnings;
  if (!end.endMarker) warnings.emplace_back("no end marker: the stream may be cut short");
  if (end.trailingBytes > 0) {
    warnings.push_back(std::to_string(end.trailingBytes) + " bytes after the end marker ignored");
  }
  return warnings;
}

class Batch {
 public:
  explicit Batch(const Options& options)
      : options_(options),
        chunkMemory_(new std::uint8_t[kChunkBytes]),
        chunk_(chunkMemory_.get(), kChunkBytes) {
    const bool showProgress = options.progress == ProgressMode::kForced ||
                              (options.progress == ProgressMode::kAuto && ::isatty(2) == 1);
    if (showProgress) display_.emplace(2, options.progress == ProgressMode::kForced);
  }

  int run() {
    if (options_.outputDir) {
      try {
        makeDirectories(FileSystem::system(), *options_.outputDir);
      } catch (const IoError& error) {
        printError(*options_.outputDir, systemErrorText(error.systemError(), *options_.outputDir));
        return 1;
      }
    }
    const InputList inputs = collectInputs(options_);
    bool allDone = inputs.unreadableFolders.empty();
    for (const std::string& folder : inputs.unreadableFolders) {
      std::fprintf(stderr, "ravlin-cli: %s\n", folder.c_str());
    }
    for (const std::string& path : inputs.repeated) {
      printWarning(options_, path, "given more than once; done once");
    }
    // Taken before anything is written, so that no output can replace an input named later.
    for (const std::string& path : inputs.paths) {
      if (auto identity = identityOf(path)) inputIdentities_.insert(*identity);
    }
    for (const std::string& path : inputs.paths) {
      try {
        process(path);
      } catch (const Failure& failure) {
        printError(failure.subject(), failure.what());
        allDone = false;
      }
    }
    return allDone ? 0 : 1;
  }

 private:
  void process(const std::string& path) {
    InputFile input(path);
    if (options_.packing) return pack(input);
    const Method method = unpackMethod(input);
    if (options_.unpackAction == UnpackAction::kList) return list(input, method);
    unpack(input, method);
  }

  // -m, else the suffix; a stream of neither is reported with the methods it is valid for.
  Method unpackMethod(InputFile& input) {
    if (auto method = unpackMethodFor(options_, input.name())) return *method;
    const SurveyResult one = survey(input, Method::kI);
    // The file is read again from its start for the second method.
    InputFile again(input.name());
    const SurveyResult two = survey(again, Method::kII);
    std::string verdict;
    if (one.valid() && two.valid()) {
      verdict = "the stream is valid for both methods; give -m 1 or -m 2";
    } else if (one.valid()) {
      verdict = "the stream is valid for method I only; give -m 1";
    } else if (two.valid()) {
      verdict = "the stream is valid for method II only; give -m 2";
    } else {
      verdict = "it is not a whole stream of either method";
    }
    throw Failure(input.name(),
                  "cannot tell the method from the name (.pack1 or .pack2); " + verdict);
  }

  SurveyResult survey(InputFile& input, Method method) {
    StreamSurvey survey(method);
    while (const std::size_t n = input.read(chunk_)) survey.write({chunk_.data(), n});
    return survey.finish();
  }

  void list(InputFile& input, Method method) {
    const SurveyResult result = survey(input, method);
    if (!listHeaderShown_) {
      std::printf("%-6s %14s %14s %7s %12s %4s %9s  %s\n", "method", "packed", "unpacked", "ratio",
                  "blocks", "end", "trailing", "name");
      listHeaderShown_ = true;
    }
    const std::uint64_t packed = result.streamBytes + result.trailingBytes;
    char ratio[16] = "-";
    if (result.unpackedBytes > 0) {
      std::snprintf(ratio, sizeof ratio, "%.1f%%",
                    static_cast<double>(packed) * 100.0 / static_cast<double>(result.unpackedBytes));
    }
    std::printf("%-6s %14llu %14llu %7s %12llu %4s %9llu  %s%s\n", methodName(method),
                static_cast<unsigned long long>(packed),
                static_cast<unsigned long long>(result.unpackedBytes), ratio,
                static_cast<unsigned long long>(result.blocks), result.endMarker ? "yes" : "no",
                static_cast<unsigned long long>(result.trailingBytes), input.name().c_str(),
                result.cutInsideBlock ? "  (ends inside a block)" : "");
    if (std::fflush(stdout) != 0) throw Failure::ofSystem(errno, "stdout");
  }

  void pack(InputFile& input) {
    const Method method = *options_.method;
    if (method == Method::kII && input.size() && *input.size() % 2 != 0) {
      throw Failure(input.name(), oddSizeMessage(*input.size()));
    }
    std::unique_ptr<Output> output = openOutput(input, method);
    std::optional<PackCheck> check;
    if (options_.verify) check.emplace(method);
    ProgressHost host(progressDisplay(), input.name(), true, input.size());
    OutputStage stage(*output, check ? &*check : nullptr);
    Packer packer(method, host, input.size(), ShortInput::kPack);
    std::uint64_t read = 0;
    try {
      while (const std::size_t n = input.read(chunk_)) {
        const std::span<const std::uint8_t> bytes(chunk_.data(), n);
        if (check) check->input(bytes);
        packer.write(bytes, stage);
        read += n;
        host.advance(read);
      }
      packer.finish(stage);
    } catch (const IoError& error) {
      // Only a method II input of odd size runs out inside a unit here.
      if (error.kind() == IoErrorKind::kReadBeyondEnd) {
        throw Failure(input.name(), oddSizeMessage(read));
      }
      throw Failure(input.name(), error.what());
    }
    stage.flush();
    if (check && !check->finish()) {
      throw Failure(input.name(), output->name() == "stdout"
                                      ? "verification failed: the packed stream written does "
                                        "not unpack to the input"
                                      : "verification failed: the packed stream does not unpack "
                                        "to the input; nothing written");
    }
    const std::string saving = savedPercent(read, stage.bytesOut());
    host.finish(read, saving);
    output->commit();
    finishInput(input, *output, read, stage.bytesOut(), saving, true);
  }

  void unpack(InputFile& input, Method method) {
    const bool testing = options_.unpackAction == UnpackAction::kTest;
    std::unique_ptr<Output> output = testing ? openDiscardingOutput() : openOutput(input, method);
    ProgressHost host(progressDisplay(), input.name(), false, input.size());
    OutputStage stage(*output);
    Unpacker unpacker(method, host, input.size());
    std::uint64_t read = 0;
    StreamEnd end;
    try {
      while (const std::size_t n = input.read(chunk_)) {
        read += n;
        if (unpacker.endMarkerSeen()) {
          end.trailingBytes += n;
          // A file's size tells how many more there are, without reading them.
          if (input.size() && *input.size() >= read) {
            end.trailingBytes += *input.size() - read;
            read = *input.size();
            break;
          }
          continue;
        }
        end.trailingBytes += n - unpacker.write({chunk_.data(), n}, stage);
        host.advance(read);
      }
      unpacker.finish(stage);
    } catch (const IoError& error) {
      stage.flush();  // to standard output, what the stream gave up to its cut, as peers do
      if (error.kind() != IoErrorKind::kReadBeyondEnd) throw Failure(input.name(), error.what());
      throw Failure(input.name(), read == 0 ? "is empty: a stream holds at least its end marker"
                                            : "the stream ends inside a block (cut short, or not "
                                              "a method " +
                                                  std::string(methodName(method)) + " stream)");
    }
    end.endMarker = unpacker.endMarkerSeen();
    stage.flush();
    const std::vector<std::string> warnings = streamWarnings(end);
    if (testing && !warnings.empty()) throw Failure(input.name(), warnings.front());
    for (const std::string& warning : warnings) printWarning(options_, input.name(), warning);
    host.finish(read, {});
    output->commit();
    finishInput(input, *output, stage.bytesOut(), read, savedPercent(stage.bytesOut(), read),
                warnings.empty());
  }

  // After the output is complete: --rm and -v.
  void finishInput(const InputFile& input, const Output& output, std::uint64_t unpackedBytes,
                   std::uint64_t packedBytes, const std::string& saving, bool clean) {
    if (fileTarget_) {
      if (auto identity = identityOf(*fileTarget_)) writtenOutputs_.insert(*identity);
    }
    if (options_.removeInput && !input.isStdin()) {
      if (!clean) {
        printWarning(options_, input.name(), "kept, since its stream has a fault");
      } else if (::unlink(input.name().c_str()) != 0) {
        throw Failure::ofSystem(errno, input.name());
      }
    }
    if (!options_.verbose) return;
    const bool testing = !options_.packing && options_.unpackAction == UnpackAction::kTest;
    const std::uint64_t in = options_.packing ? unpackedBytes : packedBytes;
    const std::uint64_t out = options_.packing ? packedBytes : unpackedBytes;
    std::fprintf(stderr, "%s -> %s: %llu -> %llu bytes, %s saved%s\n", input.name().c_str(),
                 output.name().c_str(), static_cast<unsigned long long>(in),
                 static_cast<unsigned long long>(out), saving.c_str(), testing ? ", ok" : "");
  }

  static std::string oddSizeMessage(std::uint64_t size) {
    return "has an odd size (" + std::to_string(size) +
           " bytes), but method II (-m 2) packs 16-bit words; give -m 1 to pack bytes";
  }

  ProgressDisplay* progressDisplay() { return display_ ? &*display_ : nullptr; }

  std::string_view outputSuffixFor(Method method) const {
    if (!options_.packing && options_.suffix) return *options_.suffix;
    return outputSuffix(method, options_.packing);
  }

  // Where the input's output goes, checked and opened before any of the input is read.
  std::unique_ptr<Output> openOutput(const InputFile& input, Method method) {
    fileTarget_.reset();
    const bool toStdout = options_.toStdout || options_.outputFile == kStdioName ||
                          (input.isStdin() && !options_.outputFile);
    if (toStdout) {
      // Packed data on a terminal is noise that can upset it; gzip and zstd refuse it as well.
      if (options_.packing && ::isatty(1) == 1 && !options_.force) {
        throw Failure("stdout", "is a terminal; packed data is written to it only with -f");
      }
      refuseTerminalInput(input);
      return openStdoutOutput();
    }
    refuseTerminalInput(input);
    std::string target;
    if (options_.outputFile) {
      target = *options_.outputFile;
      struct stat info {};
      // A device or pipe named with -o is written into, as asked.
      if (::stat(target.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode)) {
        return openDeviceOutput(target);
      }
    } else {
      // The output's name comes from the input's; a pipe's name (/dev/fd/63) gives none.
      if (!input.isRegular()) {
        throw Failure(input.name(), "is not a regular file, so its output has no name of its "
                                    "own; give -o or -c");
      }
      target = defaultOutputPath(input.name(), options_.outputDir, outputSuffixFor(method));
    }
    checkTarget(target);
    FileOutputRequest request;
    request.path = target;
    request.replace = options_.force;
    request.sparse = options_.sparse && !options_.packing;
    if (input.isRegular() && !input.isStdin()) {
      request.looks.permissions = input.info().st_mode & 0777;
      request.looks.modified = input.info().st_mtim;
    }
    fileTarget_ = target;
    return openFileOutput(request);
  }

  void refuseTerminalInput(const InputFile& input) const {
    if (input.isStdin() && ::isatty(0) == 1 && !options_.force) {
      throw Failure("stdin", "is a terminal; give a FILE, or -f to read what is typed");
    }
  }

  void checkTarget(const std::string& target) {
    struct stat info {};
    if (::stat(target.c_str(), &info) != 0) return;
    if (S_ISDIR(info.st_mode)) throw Failure(target, "Is a directory");
    // Renaming a new file over a device or a pipe would replace it, not write into it.
    if (!S_ISREG(info.st_mode)) {
      throw Failure(target, "is not a regular file; name it with -o to write into it");
    }
    const FileIdentity identity{info.st_dev, info.st_ino};
    if (inputIdentities_.contains(identity)) {
      throw Failure(target, "is one of the inputs; inputs are never replaced");
    }
    if (writtenOutputs_.contains(identity)) {
      throw Failure(target, "was written from another input just now; not replaced");
    }
    if (!options_.force) throw Failure(target, "already exists; use -f to replace it");
  }

  const Options& options_;
  // The read buffer, left uninitialised so that a small input touches only what it fills.
  std::unique_ptr<std::uint8_t[]> chunkMemory_;
  std::span<std::uint8_t> chunk_;
  std::optional<ProgressDisplay> display_;
  std::set<FileIdentity> inputIdentities_;
  std::set<FileIdentity> writtenOutputs_;
  std::optional<std::string> fileTarget_;  // the file the current input's output goes to
  bool listHeaderShown_ = false;
};

}  // namespace

std::string defaultOutputPath(const std::string& input, const std::optional<std::string>& folder,
                              std::string_view suffix) {
  if (folder) {
    std::string_view trimmed = *folder;
    while (!trimmed.empty() && trimmed.back() == '/') trimmed.remove_suffix(1);
    return outputPath(trimmed, input, suffix);
  }
  const std::size_t slash = input.rfind('/');
  if (slash == std::string::npos) return outputBaseName(input) + std::string(suffix);
  return outputPath(std::string_view(input).substr(0, slash), input, suffix);
}

int runBatch(const Options& options) {
  return Batch(options).run();
}

}  // namespace ravlin::cli
