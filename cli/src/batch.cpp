// Running ravlin-cli over its inputs: each input is opened, its output prepared (so that a refused
// output costs no reading), then streamed through the engine in fixed chunks and committed; a
// failure is reported and the next input goes on.
#include "batch.h"

#include <cstdio>
#include <memory>
#include <vector>

#include "input_list.h"
#include "input_source.h"
#include "messages.h"
#include "method_detection.h"
#include "output.h"
#include "output_target.h"
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

constexpr std::size_t kChunkBytes = std::size_t{128} << 10;

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
      : options_(options),
        targets_(options),
        chunkMemory_(new std::uint8_t[kChunkBytes]),
        chunk_(chunkMemory_.get(), kChunkBytes) {
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
    targets_.noteInputs(inputs.paths);
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
    if (writesOutputs(options_)) targets_.requireOutputName(input);
    if (options_.packing) return pack(input);
    const Method method = unpackMethod(options_, input, chunk_);
    if (options_.list && !options_.test) return table_.list(input, method, chunk_);
    unpack(input, method);
  }

  void printWarning(std::string_view subject, std::string_view message) const {
    if (options_.progress != ProgressMode::kQuiet) printError(subject, message);
  }

  void pack(InputSource& input) {
    const Method method = *options_.method;
    if (method == Method::kII && input.size() && *input.size() % 2 != 0) {
      throw Failure(input.name(), oddSizeMessage(*input.size()));
    }
    std::unique_ptr<Output> output = targets_.open(input, method);
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

  // Unpacks a stream to its output, or, with -t, unpacks and judges it; with -l as well, lists it.
  void unpack(InputSource& input, Method method) {
    const bool writes = writesOutputs(options_);
    std::unique_ptr<Output> output = writes ? targets_.open(input, method) : openDiscardingOutput();
    ProgressHost host(progressDisplay(), input.name(), false, input.size());
    OutputStage stage(*output);
    Unpacker unpacker(method, host, input.size());
    std::optional<StreamSurvey> listing;
    if (options_.list) listing.emplace(method);
    std::uint64_t read = 0;
    StreamEnd end;
    std::optional<std::string> cut;
    try {
      while (const std::size_t n = input.read(chunk_)) {
        const std::span<const std::uint8_t> bytes(chunk_.data(), n);
        read += n;
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
      faults.push_back(trailingDataMessage(end.trailingBytes, methodFit(input, chunk_)));
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
    targets_.noteCommitted();
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

  const Options& options_;
  OutputTargets targets_;
  // The read buffer, left uninitialised so that a small input touches only what it fills.
  std::unique_ptr<std::uint8_t[]> chunkMemory_;
  std::span<std::uint8_t> chunk_;
  std::optional<ProgressDisplay> display_;
  StreamTable table_;
  bool failed_ = false;
};

}  // namespace

int runBatch(const Options& options) {
  return Batch(options).run();
}

}  // namespace ravlin::cli
