// Running ravlin-cli over its inputs: each input is opened, its output prepared (so that a refused
// output costs no reading), then streamed through the engine in fixed chunks and committed; a
// failure is reported and the next input goes on.
#include "batch.h"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <set>
#include <vector>

#include "chunk_reader.h"
#include "input_source.h"
#include "input_list.h"
#include "messages.h"
#include "output.h"
#include "platform.h"
#include "progress.h"
#include "ravlin/file_system.h"
#include "ravlin/io_error.h"
#include "ravlin/survey.h"
#include "sinks.h"
#include "stream_faults.h"
#include "stream_table.h"

namespace ravlin::cli {

namespace {

// Which file a path names, so that an output never replaces an input reached by another path.
struct FileIdentity {
  std::uint64_t device;
  std::uint64_t inode;
  auto operator<=>(const FileIdentity&) const = default;
};

std::optional<FileIdentity> identityOf(const std::string& path) {
  platform::FileStatus info;
  if (platform::statusOf(path, info) != 0) return std::nullopt;
  return FileIdentity{info.device, info.inode};
}

// Why --rm must keep `input` although its run succeeded, or nothing when it may go: only a regular
// file whose output is now a complete regular file is removed.
std::optional<std::string> reasonToKeep(const InputSource& input, const Output& output) {
  if (!input.isRegular()) return "it is not a regular file";
  if (output.name() == "stdout") return "its output went to standard output, not to a file";
  if (!output.isCompleteFile()) return "its output " + output.name() + " is not a regular file";
  platform::FileStatus now;
  if (platform::linkStatusOf(input.name(), now) != 0 || now.kind == platform::FileKind::kSymlink) {
    return "its name is a symbolic link, not the file itself";
  }
  if (now.device != input.info().device || now.inode != input.info().inode) {
    return "its name now leads to another file";
  }
  return std::nullopt;
}

class Batch {
 public:
  explicit Batch(const Options& options)
      : options_(options) {
    const bool showProgress = options.progress == ProgressMode::kForced ||
                              (options.progress == ProgressMode::kAuto && platform::isTerminal(2));
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
    failed_ = !inputs.unreadableFolders.empty();
    for (const std::string& folder : inputs.unreadableFolders) {
      std::fprintf(stderr, "ravlin-cli: %s\n", folder.c_str());
    }
    if (options_.verbose) {
      for (const SkippedFile& skipped : inputs.skipped) {
        std::fprintf(stderr, "%s: skipped (%s)\n", skipped.path.c_str(), skipped.reason);
      }
    }
    for (const std::string& path : inputs.repeated) {
      printWarning(path, "given more than once; done once");
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
        failed_ = true;
      }
    }
    return failed_ ? 1 : 0;
  }

 private:
  void process(const std::string& path) {
    InputSource input(path);
    if (writesOutputs(options_)) requireOutputName(input);
    if (options_.packing) return pack(input);
    const Method method = unpackMethod(input);
    if (options_.list && !options_.test) return list(input, method);
    unpack(input, method);
  }

  void printWarning(std::string_view subject, std::string_view message) const {
    if (options_.progress != ProgressMode::kQuiet) printError(subject, message);
  }

  // An output named after its input needs a name to take, which a pipe's (/dev/fd/63) does not
  // give. Refused before anything waits for the input's data.
  void requireOutputName(const InputSource& input) const {
    if (options_.toStdout || options_.outputFile || input.isStdin() || input.isRegular()) return;
    throw Failure(input.name(),
                  "is not a regular file, so its output has no name of its own; give -o or -c");
  }

  // -m, else the suffix; a file of neither is reported with the methods its stream is valid for.
  Method unpackMethod(const InputSource& input) {
    if (auto method = unpackMethodFor(options_, input.name())) return *method;
    // What a pipe or device holds could be read only once: it is not looked at.
    std::string verdict = methodFit(input);
    if (verdict.empty()) verdict = "give -m 1 or -m 2";
    throw Failure(input.name(),
                  "cannot tell the method from the name (.pack1 or .pack2); " + verdict);
  }

  // Which method the stream of a regular file is whole under, read afresh from its start; empty
  // when it cannot be told.
  std::string methodFit(const InputSource& input) {
    if (!input.isRegular() || input.isStdin()) return {};
    try {
      InputSource one(input.name());
      InputSource two(input.name());
      return methodFitVerdict(survey(one, Method::kI), survey(two, Method::kII));
    } catch (const Failure&) {
      return {};
    }
  }

  SurveyResult survey(InputSource& input, Method method) {
    StreamSurvey survey(method);
    ChunkReader reader(input, chunks_);
    for (auto bytes = reader.next(); !bytes.empty(); bytes = reader.next()) survey.write(bytes);
    return survey.finish();
  }

  void list(InputSource& input, Method method) {
    const SurveyResult result = survey(input, method);
    table_.print(method, result, input.name());
    if (result.valid()) return;
    if (!result.endMarker) throw Failure(input.name(), missingEndMessage(result, method));
    throw Failure(input.name(), trailingDataMessage(result.trailingBytes, methodFit(input)));
  }

  void pack(InputSource& input) {
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
    ChunkReader reader(input, chunks_);
    std::uint64_t read = 0;
    try {
      for (auto bytes = reader.next(); !bytes.empty(); bytes = reader.next()) {
        if (check) check->input(bytes);
        packer.write(bytes, stage);
        read += bytes.size();
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

  // Unpacks a stream to its output, or, with -t, unpacks and judges it; with -l as well, lists it.
  void unpack(InputSource& input, Method method) {
    const bool writes = writesOutputs(options_);
    std::unique_ptr<Output> output = writes ? openOutput(input, method) : openDiscardingOutput();
    ProgressHost host(progressDisplay(), input.name(), false, input.size());
    OutputStage stage(*output);
    Unpacker unpacker(method, host, input.size());
    std::optional<StreamSurvey> listing;
    if (options_.list) listing.emplace(method);
    std::uint64_t read = 0;
    StreamEnd end;
    std::optional<std::string> cut;
    ChunkReader reader(input, chunks_);
    try {
      for (auto bytes = reader.next(); !bytes.empty(); bytes = reader.next()) {
        read += bytes.size();
        if (listing) listing->write(bytes);
        if (unpacker.endMarkerSeen()) {
          end.addTrailing(bytes);
          // A file's size tells how many more there are, without reading them.
          if (!listing && input.size() && *input.size() > read) {
            end.addUnreadTrailing(*input.size() - read);
            read = *input.size();
            break;
          }
          continue;
        }
        end.addTrailing(bytes.subspan(unpacker.write(bytes, stage)));
        host.advance(read);
      }
      unpacker.finish(stage);
    } catch (const IoError& error) {
      stage.flush();  // to standard output, what the stream gave up to its cut, as peers do
      if (error.kind() != IoErrorKind::kReadBeyondEnd) throw Failure(input.name(), error.what());
      cut = read == 0 ? emptyStreamMessage() : cutInsideBlockMessage(method);
    }
    if (listing) table_.print(method, listing->finish(), input.name());
    if (cut) throw Failure(input.name(), *cut);
    end.endMarker = unpacker.endMarkerSeen();
    end.streamBytes = unpacker.streamBytesRead();
    stage.flush();

    std::vector<std::string> faults;
    if (!end.endMarker) faults.push_back(noEndMarkerMessage());
    if (end.hasTrailingData()) {
      faults.push_back(trailingDataMessage(end.trailingBytes, methodFit(input)));
    }
    if (!writes && !faults.empty()) throw Failure(input.name(), faults.front());
    for (const std::string& fault : faults) printWarning(input.name(), fault);
    host.finish(read, {});
    output->commit();
    // The output is what the format makes of the stream, but data after its end is not a success.
    if (end.hasTrailingData()) failed_ = true;
    finishInput(input, *output, stage.bytesOut(), read, savedPercent(stage.bytesOut(), read),
                faults.empty());
  }

  // After the output is complete: --rm and -v.
  void finishInput(const InputSource& input, const Output& output, std::uint64_t unpackedBytes,
                   std::uint64_t packedBytes, const std::string& saving, bool clean) {
    if (fileTarget_) {
      if (auto identity = identityOf(*fileTarget_)) writtenOutputs_.insert(*identity);
    }
    if (options_.removeInput && !input.isStdin()) removeInput(input, output, clean);
    if (!options_.verbose) return;
    const bool testing = !writesOutputs(options_);
    const std::uint64_t in = options_.packing ? unpackedBytes : packedBytes;
    const std::uint64_t out = options_.packing ? packedBytes : unpackedBytes;
    std::fprintf(stderr, "%s -> %s: %llu -> %llu bytes, %s saved%s\n", input.name().c_str(),
                 output.name().c_str(), static_cast<unsigned long long>(in),
                 static_cast<unsigned long long>(out), saving.c_str(), testing ? ", ok" : "");
  }

  void removeInput(const InputSource& input, const Output& output, bool clean) {
    const std::optional<std::string> keep =
        clean ? reasonToKeep(input, output) : "its stream has a fault";
    if (keep) return printWarning(input.name(), "kept, since " + *keep);
    if (const int err = platform::removeFile(input.name()); err != 0) {
      throw Failure(input.name(), "its output " + output.name() +
                                      " is complete, but the input could not be removed: " +
                                      systemErrorText(err, input.name()));
    }
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
  std::unique_ptr<Output> openOutput(const InputSource& input, Method method) {
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
  void refuseTerminalInput(const InputSource& input) const {
    if (input.isStdin() && platform::isTerminal(0) && !options_.force) {
      throw Failure("stdin", "is a terminal; give a FILE, or -f to read what is typed");
    }
  }

  void checkTarget(const std::string& target) {
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

  const Options& options_;
  ChunkMemory chunks_;
  std::optional<ProgressDisplay> display_;
  std::set<FileIdentity> inputIdentities_;
  std::set<FileIdentity> writtenOutputs_;
  std::optional<std::string> fileTarget_;  // the file the current input's output goes to
  StreamTable table_;
  bool failed_ = false;
};

}  // namespace

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

int runBatch(const Options& options) {
  return Batch(options).run();
}

}  // namespace ravlin::cli
