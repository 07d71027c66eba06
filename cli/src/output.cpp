// The outputs: plain descriptor writes, holes for zero stretches, and the temporary file that is
// renamed into place.
#include "output.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "messages.h"
#include "platform.h"
#include "ravlin/atomic_file.h"
#include "ravlin/io_error.h"
#include "signal_cleanup.h"

namespace ravlin::cli {

namespace {

constexpr std::size_t kHoleBytes = 4096;

// Whole writes to a descriptor; EINTR and short writes are taken care of. Returns 0 or errno.
int writeAll(int fd, const std::uint8_t* bytes, std::size_t count) {
  while (count > 0) {
    const std::int64_t n = platform::writeSome(fd, bytes, count);
    if (n < 0) return static_cast<int>(-n);
    if (n == 0) return EIO;
    bytes += n;
    count -= static_cast<std::size_t>(n);
  }
  return 0;
}

// A zero first byte and every byte equal to the next: memcmp's wide loads do the work.
bool allZero(const std::uint8_t* bytes, std::size_t count) {
  return count == 0 || (bytes[0] == 0 && std::memcmp(bytes, bytes + 1, count - 1) == 0);
}

class DescriptorOutput : public Output {
 public:
  DescriptorOutput(int fd, std::string name) : fd_(fd), name_(std::move(name)) {}

  void write(std::span<const std::uint8_t> bytes) override {
    const int err = writeAll(fd_, bytes.data(), bytes.size());
    if (err == EPIPE) dieOfBrokenPipe();
    if (err != 0) throw Failure(name_, std::strerror(err));
  }
  void commit() override {}
  const std::string& name() const override { return name_; }

 protected:
  int fd_;
  std::string name_;
};

class DeviceOutput final : public DescriptorOutput {
 public:
  using DescriptorOutput::DescriptorOutput;
  ~DeviceOutput() override {
    if (fd_ >= 0) platform::closeDescriptor(fd_);
  }
  void commit() override {
    const int fd = std::exchange(fd_, -1);
    if (const int result = platform::closeDescriptor(fd); result < 0) {
      throw Failure::ofSystem(-result, name_);
    }
  }
};

class DiscardingOutput final : public Output {
 public:
  void write(std::span<const std::uint8_t>) override {}
  void commit() override {}
  const std::string& name() const override { return name_; }

 private:
  std::string name_ = "/dev/null";
};

// An engine error as the command line words it: the system's words when there is an errno.
Failure failureOf(const IoError& error, const std::string& path) {
  if (error.systemError() != 0) return Failure::ofSystem(error.systemError(), path);
  return {path, error.what()};
}

class FileOutput final : public Output {
 public:
  explicit FileOutput(const FileOutputRequest& request) try
      : request_(request),
        file_(FileSystem::system(), request.path,
              request.replace ? Overwrite::kReplace : Overwrite::kRefuse) {
    setFileToRemoveOnSignal(file_.temporaryPath().c_str());
    signalsHeld_.release();
  } catch (const IoError& error) {
    const int err = error.systemError();
    if (err == EEXIST) throw Failure(request.path, "already exists; use -f to replace it");
    if (err == EACCES || err == EPERM || err == EROFS) {
      // An existing file is refused when it is read-only; a new one when its folder is.
      platform::FileStatus info;
      const bool exists = platform::statusOf(request.path, info) == 0;
      throw Failure(request.path, std::string(std::strerror(err)) +
                                      (exists ? " (the file may not be written)"
                                              : " (its folder may not be written)"));
    }
    throw failureOf(error, request.path);
  }

  ~FileOutput() override { setFileToRemoveOnSignal(nullptr); }

  FileOutput(const FileOutput&) = delete;
  FileOutput& operator=(const FileOutput&) = delete;

  void write(std::span<const std::uint8_t> bytes) override {
    try {
      if (!request_.sparse) return file_.write(bytes);
      writeSparse(bytes);
    } catch (const IoError& error) {
      throw failureOf(error, request_.path);
    }
  }

  void commit() override {
    try {
      if (heldZeros_ > 0) releaseZeros();
      file_.commit(request_.looks.permissions, request_.looks.modified);
    } catch (const IoError& error) {
      if (error.systemError() == EEXIST) {
        throw Failure(request_.path, "already exists; use -f to replace it");
      }
      throw failureOf(error, request_.path);
    }
    setFileToRemoveOnSignal(nullptr);
    committed_ = true;
  }

  const std::string& name() const override { return request_.path; }
  bool isCompleteFile() const override { return committed_; }

 private:
  // Zeros are held back, piece by piece along the file's 4 KiB pages, so that a stretch that
  // crosses the edges of the buffers handed in is seen whole. A stretch of at least kHoleBytes
  // becomes a hole, which reads back as zeros; a shorter one is written.
  void writeSparse(std::span<const std::uint8_t> bytes) {
    std::size_t at = 0;
    std::size_t dataStart = 0;
    while (at < bytes.size()) {
      const std::size_t pageEnd =
          std::min(bytes.size(), at + kHoleBytes - static_cast<std::size_t>(offset_ % kHoleBytes));
      const std::size_t length = pageEnd - at;
      if (allZero(bytes.data() + at, length)) {
        file_.write(bytes.subspan(dataStart, at - dataStart));
        heldZeros_ += length;
        dataStart = pageEnd;
      } else if (heldZeros_ > 0) {
        releaseZeros();
      }
      offset_ += length;
      at = pageEnd;
    }
    file_.write(bytes.subspan(dataStart));
  }

  void releaseZeros() {
    static constexpr std::uint8_t kZeros[kHoleBytes] = {};
    if (heldZeros_ >= kHoleBytes) {
      file_.skip(heldZeros_);
    } else {
      file_.write({kZeros, static_cast<std::size_t>(heldZeros_)});
    }
    heldZeros_ = 0;
  }

  FileOutputRequest request_;
  CleanupSignalsHeld signalsHeld_;  // from before the temporary file exists until it is recorded
  AtomicFile file_;
  std::uint64_t offset_ = 0;     // bytes handed in so far
  std::uint64_t heldZeros_ = 0;  // zeros at their end not yet written nor skipped
  bool committed_ = false;
};

}  // namespace

std::unique_ptr<Output> openStdoutOutput() {
  return std::make_unique<DescriptorOutput>(1, "stdout");
}

std::unique_ptr<Output> openDeviceOutput(const std::string& path) {
  const int fd = platform::openForWriting(path);
  if (fd < 0) throw Failure::ofSystem(-fd, path);
  return std::make_unique<DeviceOutput>(fd, path);
}

std::unique_ptr<Output> openFileOutput(const FileOutputRequest& request) {
  return std::make_unique<FileOutput>(request);
}

std::unique_ptr<Output> openDiscardingOutput() {
  return std::make_unique<DiscardingOutput>();
}

}  // namespace ravlin::cli
