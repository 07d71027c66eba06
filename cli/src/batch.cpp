// Running ravlin-cli over its inputs: each input is read whole, run through the engine, checked and
// written atomically; a failure is reported and the next input goes on.
#include "batch.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "progress.h"
#include "ravlin/file_system.h"
#include "ravlin/io_error.h"
#include "ravlin/naming.h"
#include "std_streams.h"

namespace ravlin::cli {

namespace {

constexpr int kStdin = 0;
constexpr int kStdout = 1;
constexpr int kStderr = 2;

// Which file a path names, so that one file reached by two paths is recognised.
struct FileIdentity {
  dev_t device;
  ino_t inode;
  auto operator<=>(const FileIdentity&) const = default;
};

FileIdentity identityOf(const struct stat& info) {
  return {info.st_dev, info.st_ino};
}

std::optional<FileIdentity> identityOf(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  return identityOf(info);
}

void printError(std::string_view subject, std::string_view message) {
  std::fprintf(stderr, "ravlin-cli: %.*s: %.*s\n", static_cast<int>(subject.size()), subject.data(),
               static_cast<int>(message.size()), message.data());
}

std::string percentSaved(std::uint64_t unpackedBytes, std::uint64_t packedBytes) {
  if (unpackedBytes == 0) return {};
  const double saved = (static_cast<double>(unpackedBytes) - static_cast<double>(packedBytes)) *
                       100.0 / static_cast<double>(unpackedBytes);
  char text[32];
  std::snprintf(text, sizeof text, ", %.1f%% saved", saved);
  return text;
}

// One input's way through the run. Each step reports its own failure and returns false.
class Job {
 public:
  Job(const Options& options, std::string input, ProgressDisplay* display)
      : options_(options),
        input_(std::move(input)),
        fromStdin_(input_ == kStdioName),
        name_(fromStdin_ ? "stdin" : input_),
        method_(options.packing ? *options.method : *unpackMethodFor(options, input_)),
        display_(display) {}

  bool readInput() {
    if (fromStdin_) {
      if (isTerminal(kStdin) && !options_.force) {
        return fail(name_, "is a terminal; give a FILE, or -f to read what is typed");
      }
      const int err = readAll(kStdin, inputBytes_);
      return err == 0 || fail(name_, std::strerror(err));
    }
    if (fs_.isDirectory(input_) == 1) return fail(name_, "Is a directory");
    readWholeFile(fs_, input_, inputBytes_);
    return true;
  }

  bool run() {
    if (options_.packing && method_ == Method::kII && inputBytes_.size() % 2 != 0) {
      return fail(name_, kOddSizeMessage);
    }
    ProgressHost host(display_, name_, options_.packing, inputBytes_.size());
    if (options_.packing) {
      pack(method_, inputBytes_.bytes(), output_, host);
    } else {
      unpack(method_, inputBytes_.bytes(), output_, host);
    }
    host.finish();
    if (options_.verify && !unpacksTo(method_, output_.bytes(), inputBytes_.bytes())) {
      return fail(name_,
                  "verification failed: the packed stream does not unpack to the input; "
                  "nothing written");
    }
    return true;
  }

  // The output's path; empty for standard output.
  std::string target() const {
    if (options_.toStdout) return {};
    if (options_.outputFile) return *options_.outputFile == kStdioName ? "" : *options_.outputFile;
    if (fromStdin_) return {};
    return defaultOutputPath(input_, options_.outputDir, outputSuffix(method_, options_.packing));
  }

  const std::string& name() const { return name_; }
  std::span<const std::uint8_t> output() const { return output_.bytes(); }

  void printSizes(const std::string& shownTarget) const {
    const std::uint64_t in = inputBytes_.size();
    const std::uint64_t out = output_.size();
    const std::string saved = options_.packing ? percentSaved(in, out) : percentSaved(out, in);
    std::fprintf(stderr, "%s -> %s: %llu -> %llu bytes%s\n", name_.c_str(), shownTarget.c_str(),
                 static_cast<unsigned long long>(in), static_cast<unsigned long long>(out),
                 saved.c_str());
  }

  static bool fail(std::string_view subject, std::string_view message) {
    printError(subject, message);
    return false;
  }

 private:
  const Options& options_;
  FileSystem& fs_ = FileSystem::system();
  std::string input_;
  bool fromStdin_;
  std::string name_;
  Method method_;
  ProgressDisplay* display_;
  ByteBuffer inputBytes_;
  ByteBuffer output_;
};

class Batch {
 public:
  explicit Batch(const Options& options) : options_(options) {
    const bool showProgress = options.progress == ProgressMode::kForced ||
                              (options.progress == ProgressMode::kAuto && isTerminal(kStderr));
    if (showProgress) {
      display_.emplace(kStderr, options.progress == ProgressMode::kForced);
    }
  }

  int run() {
    if (options_.outputDir) {
      try {
        makeDirectories(fs_, *options_.outputDir);
      } catch (const IoError& error) {
        printError(*options_.outputDir, error.what());
        return 1;
      }
    }
    // Taken before anything is written, so that no output can replace an input named later.
    std::vector<std::optional<FileIdentity>> identities;
    for (const std::string& input : options_.inputs) {
      identities.push_back(input == kStdioName ? std::nullopt : identityOf(input));
      if (identities.back()) inputIdentities_.insert(*identities.back());
    }
    std::set<FileIdentity> seen;
    bool stdinSeen = false;
    bool allDone = true;
    for (std::size_t i = 0; i < options_.inputs.size(); ++i) {
      const std::string& input = options_.inputs[i];
      // The same file named twice, perhaps by two paths, is done once.
      const bool repeat = input == kStdioName
                              ? std::exchange(stdinSeen, true)
                              : identities[i] && !seen.insert(*identities[i]).second;
      if (repeat) {
        if (options_.progress != ProgressMode::kQuiet) {
          printError(input == kStdioName ? "stdin" : input, "given more than once; done once");
        }
        continue;
      }
      allDone = process(input) && allDone;
    }
    return allDone ? 0 : 1;
  }

 private:
  bool process(const std::string& input) {
    Job job(options_, input, display_ ? &*display_ : nullptr);
    const std::string target = job.target();
    try {
      if (!job.readInput()) return false;
      if (target.empty() ? !stdoutAccepts() : !targetAccepts(target)) return false;
      if (!job.run()) return false;
    } catch (const IoError& error) {
      return Job::fail(job.name(), error.what());
    } catch (const std::bad_alloc&) {
      // The next input may be small enough to go through.
      return Job::fail(job.name(), ioErrorMessage(IoErrorKind::kOutOfMemory));
    }
    if (target.empty()) {
      const int err = writeAll(kStdout, job.output());
      if (err != 0) return Job::fail("stdout", std::strerror(err));
    } else if (!writeTarget(target, job.output())) {
      return false;
    }
    if (options_.verbose) job.printSizes(target.empty() ? "stdout" : target);
    return true;
  }

  bool stdoutAccepts() const {
    // Packed data on a terminal is noise that can upset it; gzip and zstd refuse it as well.
    if (options_.packing && isTerminal(kStdout) && !options_.force) {
      return Job::fail("stdout", "is a terminal; packed data is written to it only with -f");
    }
    return true;
  }

  // Checks made before the work, so that a refused output costs no packing.
  bool targetAccepts(const std::string& target) const {
    struct stat info {};
    if (::stat(target.c_str(), &info) != 0) return true;
    if (S_ISDIR(info.st_mode)) return Job::fail(target, "Is a directory");
    // Renaming a new file over a device or a pipe would replace it, not write into it.
    if (!S_ISREG(info.st_mode)) {
      return Job::fail(target, "is not a regular file; write to it with -c and a redirection");
    }
    const FileIdentity identity = identityOf(info);
    if (inputIdentities_.contains(identity)) {
      return Job::fail(target, "is one of the inputs; inputs are never replaced");
    }
    if (writtenOutputs_.contains(identity)) {
      return Job::fail(target, "was written from another input just now; not replaced");
    }
    if (!options_.force) return Job::fail(target, "already exists; use -f to replace it");
    return true;
  }

  bool writeTarget(const std::string& target, std::span<const std::uint8_t> bytes) {
    try {
      writeFileAtomically(fs_, target, bytes,
                          options_.force ? Overwrite::kReplace : Overwrite::kRefuse);
    } catch (const IoError& error) {
      // The file appeared between the check and the rename: still not replaced.
      if (error.kind() == IoErrorKind::kOther && error.systemError() == EEXIST) {
        return Job::fail(target, "already exists; use -f to replace it");
      }
      return Job::fail(target, error.what());
    }
    if (auto identity = identityOf(target)) writtenOutputs_.insert(*identity);
    return true;
  }

  const Options& options_;
  FileSystem& fs_ = FileSystem::system();
  std::optional<ProgressDisplay> display_;
  std::set<FileIdentity> inputIdentities_;
  std::set<FileIdentity> writtenOutputs_;
};

}  // namespace

bool unpacksTo(Method method, std::span<const std::uint8_t> stream,
               std::span<const std::uint8_t> original) {
  ByteBuffer unpacked;
  QuietHost quiet;
  try {
    unpack(method, stream, unpacked, quiet);
  } catch (const IoError& error) {
    if (error.kind() == IoErrorKind::kOutOfMemory) throw;
    return false;
  }
  const std::span<const std::uint8_t> bytes = unpacked.bytes();
  return std::equal(bytes.begin(), bytes.end(), original.begin(), original.end());
}

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
