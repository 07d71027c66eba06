// The outputs: plain descriptor writes, holes for zero stretches, and the temporary file that is
// renamed into place.
#include "output.h"

#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "messages.h"
#include "signal_cleanup.h"

namespace ravlin::cli {

namespace {

constexpr std::size_t kHoleBytes = 4096;

// Whole writes to a descriptor; EINTR and short writes are taken care of. Returns 0 or errno.
int writeAll(int fd, const std::uint8_t* bytes, std::size_t count) {
  while (count > 0) {
    const ssize_t n = ::write(fd, bytes, count);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) return EIO;
    bytes += n;
    count -= static_cast<std::size_t>(n);
  }
  return 0;
}

bool allZero(const std::uint8_t* bytes, std::size_t count) {
  std::uint8_t any = 0;
  for (std::size_t i = 0; i < count; ++i) any |= bytes[i];
  return any == 0;
}

class DescriptorOutput : public Output {
 public:
  DescriptorOutput(int fd, std::string name) : fd_(fd), name_(std::move(name)) {}

  void write(std::span<const std::uint8_t> bytes) override {
    const int err = writeAll(fd_, bytes.data(), bytes.size());
    if (err == EPIPE) dieOfSignal(SIGPIPE);
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
    if (fd_ >= 0) ::close(fd_);
  }
  void commit() override {
    const int fd = std::exchange(fd_, -1);
    if (::close(fd) != 0 && errno != EINTR) throw Failure::ofSystem(errno, name_);
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

// The file a path names, through symbolic links: a link is kept and its file replaced. A loop of
// links ends the search at the last one.
std::string followLink(const std::string& path, int depth = 0) {
  constexpr int kMaxLinks = 40;
  if (depth == kMaxLinks) return path;
  char target[PATH_MAX];
  const ssize_t length = ::readlink(path.c_str(), target, sizeof target - 1);
  if (length < 0) return path;
  const std::string linked(target, static_cast<std::size_t>(length));
  const std::size_t slash = path.rfind('/');
  const bool relative = !linked.starts_with('/') && slash != std::string::npos;
  return followLink(relative ? path.substr(0, slash + 1) + linked : linked, depth + 1);
}

std::string folderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

class FileOutput final : public Output {
 public:
  explicit FileOutput(const FileOutputRequest& request)
      : request_(request), name_(request.path), realPath_(followLink(request.path)) {
    const std::size_t slash = realPath_.rfind('/');
    const std::string base = slash == std::string::npos ? realPath_ : realPath_.substr(slash + 1);
    tempPath_ = folderOf(realPath_) + "/." + base + ".XXXXXX";
    if (tempPath_.size() > PATH_MAX || base.size() + 8 > NAME_MAX) {
      // The temporary name would be too long where the output's own name is not.
      tempPath_ = folderOf(realPath_) + "/.ravlin.XXXXXX";
    }
    fd_ = ::mkostemp(tempPath_.data(), O_CLOEXEC);
    if (fd_ < 0) {
      const int err = errno;
      if (err == EACCES || err == EROFS) {
        throw Failure(name_, std::string(std::strerror(err)) + " (folder '" + folderOf(realPath_) +
                                 "' may not be written)");
      }
      throw Failure::ofSystem(err, name_);
    }
    setFileToRemoveOnSignal(tempPath_.c_str());
  }

  ~FileOutput() override {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_) {
      setFileToRemoveOnSignal(nullptr);
      ::unlink(tempPath_.c_str());
    }
  }

  FileOutput(const FileOutput&) = delete;
  FileOutput& operator=(const FileOutput&) = delete;

  void write(std::span<const std::uint8_t> bytes) override {
    if (!request_.sparse) return writeHere(bytes.data(), bytes.size());
    // Pages of the file that would be all zeros are skipped; they read back as zeros.
    std::size_t at = 0;
    while (at < bytes.size()) {
      const std::size_t pageEnd = std::min(
          bytes.size(), at + kHoleBytes - static_cast<std::size_t>(offset_ % kHoleBytes));
      const bool wholePage = pageEnd - at == kHoleBytes;
      if (wholePage && allZero(bytes.data() + at, kHoleBytes)) {
        skipHere(kHoleBytes);
      } else {
        writeHere(bytes.data() + at, pageEnd - at);
      }
      at = pageEnd;
    }
  }

  void commit() override {
    // A hole at the end has no bytes to set the size; so the size is set as a whole.
    if (holeAtEnd_ && ::ftruncate(fd_, static_cast<off_t>(offset_)) != 0) fail(errno);
    if (::fchmod(fd_, request_.looks.permissions) != 0) fail(errno);
    if (request_.looks.modified) {
      const timespec times[2] = {{0, UTIME_OMIT}, *request_.looks.modified};
      if (::futimens(fd_, times) != 0) fail(errno);
    }
    struct stat existing {};
    const bool replacing = ::stat(realPath_.c_str(), &existing) == 0;
    // A file that replaces another is on disk before the old one goes, so a crash keeps one.
    if (replacing && ::fsync(fd_) != 0) fail(errno);
    if (::close(std::exchange(fd_, -1)) != 0 && errno != EINTR) fail(errno);
    if (request_.replace) {
      if (::rename(tempPath_.c_str(), realPath_.c_str()) != 0) fail(errno);
    } else if (::renameat2(AT_FDCWD, tempPath_.c_str(), AT_FDCWD, realPath_.c_str(),
                           RENAME_NOREPLACE) != 0) {
      if (errno == EEXIST) throw Failure(name_, "already exists; use -f to replace it");
      fail(errno);
    }
    committed_ = true;
    setFileToRemoveOnSignal(nullptr);
    if (replacing) syncFolder();
  }

  const std::string& name() const override { return name_; }

 private:
  [[noreturn]] void fail(int err) const { throw Failure::ofSystem(err, name_); }

  void writeHere(const std::uint8_t* bytes, std::size_t count) {
    if (holePending_) {
      if (::lseek(fd_, static_cast<off_t>(offset_), SEEK_SET) < 0) fail(errno);
      holePending_ = false;
    }
    const int err = writeAll(fd_, bytes, count);
    if (err != 0) fail(err);
    offset_ += count;
    holeAtEnd_ = false;
  }

  void skipHere(std::size_t count) {
    offset_ += count;
    holePending_ = true;
    holeAtEnd_ = true;
  }

  void syncFolder() const {
    const int folder = ::open(folderOf(realPath_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) return;
    ::fsync(folder);  // the rename is done; a folder that cannot be synced loses nothing now
    ::close(folder);
  }

  FileOutputRequest request_;
  std::string name_;
  std::string realPath_;
  std::string tempPath_;
  int fd_ = -1;
  std::uint64_t offset_ = 0;
  bool holePending_ = false;
  bool holeAtEnd_ = false;
  bool committed_ = false;
};

}  // namespace

std::unique_ptr<Output> openStdoutOutput() {
  return std::make_unique<DescriptorOutput>(STDOUT_FILENO, "stdout");
}

std::unique_ptr<Output> openDeviceOutput(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) throw Failure::ofSystem(errno, path);
  return std::make_unique<DeviceOutput>(fd, path);
}

std::unique_ptr<Output> openFileOutput(const FileOutputRequest& request) {
  return std::make_unique<FileOutput>(request);
}

std::unique_ptr<Output> openDiscardingOutput() {
  return std::make_unique<DiscardingOutput>();
}

}  // namespace ravlin::cli
