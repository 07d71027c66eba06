// The POSIX file layer: FileSystem over the system calls of Linux.
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string_view>

#include "../platform.h"
#include "ravlin/file_system.h"

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

}  // namespace

FileSystem& FileSystem::system() {
  static PosixFileSystem instance;
  return instance;
}

namespace detail {

bool systemRandomBytes(std::span<unsigned char> bytes) {
  return ::getrandom(bytes.data(), bytes.size(), GRND_NONBLOCK) ==
         static_cast<ssize_t>(bytes.size());
}

namespace {

// The umask as Linux shows it in /proc/self/status, or -1 where it does not.
long umaskFromProc() {
  const int fd = ::open("/proc/self/status", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  char text[8192];
  std::size_t size = 0;
  for (ssize_t got; size < sizeof text && (got = ::read(fd, text + size, sizeof text - size)) > 0;) {
    size += static_cast<std::size_t>(got);
  }
  ::close(fd);
  const std::string_view status(text, size);
  const std::size_t at = status.find("\nUmask:");
  if (at == std::string_view::npos) return -1;
  return std::strtol(text + at + 7, nullptr, 8);
}

}  // namespace

// The mode that open() gives a new file asked for with 0666. The umask can only be read by
// setting it, which would race with other threads creating files; Linux also shows it in
// /proc/self/status, which is read instead when it is there.
mode_t newFileMode() {
  long mask = umaskFromProc();
  if (mask < 0) {
    mask = ::umask(022);
    ::umask(static_cast<mode_t>(mask));
  }
  return static_cast<mode_t>(0666 & ~mask);
}

}  // namespace detail

}  // namespace ravlin
