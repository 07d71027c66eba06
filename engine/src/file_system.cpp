// The POSIX file layer, the input file read in pieces, and creating folders with their parents.
// Replacing a file atomically is atomic_file.cpp.
#include "ravlin/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "path_parts.h"
#include "ravlin/io_error.h"

namespace ravlin {

namespace {


template <typename Call>
auto retryOnInterrupt(Call call) {
  for (;;) {
    auto result = call();
    if (result >= 0 || errno != EINTR) return result;
  }
}

int negatedErrnoOr(int result) {
  return result < 0 ? -errno : result;
}

class PosixFileSystem final : public FileSystem {
 public:
  int openRegular(const std::string& path) override {
    const int fd = negatedErrnoOr(
        retryOnInterrupt([&] { return ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC); }));
    if (fd < 0) return fd;
    struct stat info {};
    const int type = ::fstat(fd, &info) != 0 ? -errno : S_ISREG(info.st_mode) ? 0 : -EACCES;
    if (type < 0) {
      ::close(fd);
      return type;
    }
    return fd;
  }
  int createNew(const std::string& path) override {
    return negatedErrnoOr(retryOnInterrupt(
        [&] { return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600); }));
  }
  std::int64_t read(int fd, void* buffer, std::size_t count) override {
    const ssize_t n = retryOnInterrupt([&] { return ::read(fd, buffer, count); });
    return n < 0 ? -errno : n;
  }
  std::int64_t write(int fd, const void* buffer, std::size_t count) override {
    const ssize_t n = retryOnInterrupt([&] { return ::write(fd, buffer, count); });
    return n < 0 ? -errno : n;
  }
  std::int64_t size(int fd) override {
    struct stat info {};
    if (::fstat(fd, &info) != 0) return -errno;
    return info.st_size;
  }
  int close(int fd) override {
    // Linux releases the descriptor even when close reports EINTR; retrying could close a
    // descriptor that another thread has just been given.
    if (::close(fd) != 0 && errno != EINTR) return -errno;
    return 0;
  }
  std::int64_t seek(int fd, std::int64_t offset) override {
    const off_t result = ::lseek(fd, static_cast<off_t>(offset), SEEK_SET);
    return result < 0 ? -errno : static_cast<std::int64_t>(result);
  }
  int sync(int fd) override {
    return negatedErrnoOr(retryOnInterrupt([&] { return ::fsync(fd); }));
  }
  int syncFolder(const std::string& path) override {
    const int fd =
        retryOnInterrupt([&] { return ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); });
    if (fd < 0) return -errno;
    const int synced = sync(fd);
    ::close(fd);
    // Some file systems cannot flush a folder and say EINVAL: there is nothing more to do.
    return synced == -EINVAL ? 0 : synced;
  }
  int setPermissions(int fd, mode_t mode) override { return negatedErrnoOr(::fchmod(fd, mode)); }
  int setModifiedTime(int fd, const timespec& time) override {
    const timespec times[2] = {{0, UTIME_OMIT}, time};
    return negatedErrnoOr(::futimens(fd, times));
  }
  int rename(const std::string& from, const std::string& to) override {
    return negatedErrnoOr(::rename(from.c_str(), to.c_str()));
  }
  int renameNoReplace(const std::string& from, const std::string& to) override {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return -errno;
    // The file system cannot rename without replacing: a hard link fails just as atomically when
    // `to` exists.
    if (::link(from.c_str(), to.c_str()) != 0) return -errno;
    if (::unlink(from.c_str()) != 0) {
      const int err = errno;
      ::unlink(to.c_str());
      return -err;
    }
    return 0;
  }
  int remove(const std::string& path) override { return negatedErrnoOr(::unlink(path.c_str())); }
  int makeDirectory(const std::string& path) override {
    return negatedErrnoOr(::mkdir(path.c_str(), 0777));
  }
  std::int64_t sizeOf(const std::string& path) override {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return -errno;
    return info.st_size;
  }
  int permissionsOf(const std::string& path) override {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return -errno;
    return static_cast<int>(info.st_mode & 07777);
  }
  int mayWrite(const std::string& path) override {
    return negatedErrnoOr(::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS));
  }
  int readLink(const std::string& path, std::string& target) override {
    std::string text(256, '\0');
    for (;;) {
      const ssize_t n = ::readlink(path.c_str(), text.data(), text.size());
      if (n < 0) return -errno;
      // A result that fills the buffer may have been cut short: try again with more room.
      if (static_cast<std::size_t>(n) < text.size()) {
        text.resize(static_cast<std::size_t>(n));
        target = std::move(text);
        return 0;
      }
      text.resize(text.size() * 2);
    }
  }
  int isDirectory(const std::string& path) override {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return -errno;
    return S_ISDIR(info.st_mode) ? 1 : 0;
  }
};

[[noreturn]] void fail(std::int64_t negatedErrno, const std::string& path) {
  throw IoError::fromErrno(static_cast<int>(-negatedErrno), path);
}

}  // namespace

FileSystem& FileSystem::system() {
  static PosixFileSystem instance;
  return instance;
}

InputFile::InputFile(FileSystem& fs, const std::string& path)
    : fs_(fs), path_(path), fd_(fs.openRegular(path)) {
  if (fd_ < 0) fail(fd_, path_);
  const std::int64_t size = fs_.size(fd_);
  if (size < 0) {
    fs_.close(fd_);
    fail(size, path_);
  }
  size_ = static_cast<std::uint64_t>(size);
}

InputFile::~InputFile() {
  if (fd_ >= 0) fs_.close(fd_);
}

std::size_t InputFile::read(std::uint8_t* buffer, std::size_t count) {
  const std::int64_t n = fs_.read(fd_, buffer, count);
  if (n < 0) fail(n, path_);
  return static_cast<std::size_t>(n);
}

void InputFile::close() {
  const int closed = fs_.close(fd_);
  fd_ = -1;
  if (closed < 0) fail(closed, path_);
}

void makeDirectories(FileSystem& fs, const std::string& path) {
  if (path.empty()) fail(-ENOENT, path);
  const int made = fs.makeDirectory(path);
  if (made == 0) return;
  if (made == -EEXIST) {
    const int folder = fs.isDirectory(path);
    if (folder == 1) return;
    // Something that is not a folder stands where the folder should go.
    fail(folder < 0 ? folder : -ENOTDIR, path);
  }
  if (made != -ENOENT) fail(made, path);

  const std::string parent = detail::parentFolder(path);
  if (parent == detail::trimTrailingSlashes(path)) fail(made, path);
  makeDirectories(fs, parent);
  const int again = fs.makeDirectory(path);
  if (again == 0) return;
  if (again == -EEXIST && fs.isDirectory(path) == 1) return;  // made meanwhile by someone else
  fail(again, path);
}

}  // namespace ravlin
