// The command line's system calls on POSIX systems.
#include <fcntl.h>
#include <limits.h>
#include <locale.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wchar.h>

#include <cerrno>

#include "platform.h"

namespace ravlin::cli::platform {

namespace {

FileKind kindOf(mode_t mode) {
  if (S_ISREG(mode)) return FileKind::kRegular;
  if (S_ISDIR(mode)) return FileKind::kDirectory;
  if (S_ISLNK(mode)) return FileKind::kSymlink;
  if (S_ISFIFO(mode)) return FileKind::kFifo;
  return FileKind::kOther;
}

int fill(int result, const struct stat& info, FileStatus& status) {
  if (result != 0) return errno;
  status.kind = kindOf(info.st_mode);
  status.device = static_cast<std::uint64_t>(info.st_dev);
  status.inode = static_cast<std::uint64_t>(info.st_ino);
  status.size = info.st_size > 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
  status.permissions = info.st_mode & 0777;
  status.modified = info.st_mtim;
  return 0;
}

}  // namespace

int statusOf(const std::string& path, FileStatus& status) {
  struct stat info {};
  return fill(::stat(path.c_str(), &info), info, status);
}

int linkStatusOf(const std::string& path, FileStatus& status) {
  struct stat info {};
  return fill(::lstat(path.c_str(), &info), info, status);
}

int statusOfDescriptor(int fd, FileStatus& status) {
  struct stat info {};
  return fill(::fstat(fd, &info), info, status);
}

int openForReading(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
  return fd < 0 ? -errno : fd;
}

int openForWriting(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
  return fd < 0 ? -errno : fd;
}

void makeBlocking(int fd) {
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
}

std::uint64_t positionOf(int fd) {
  const off_t at = ::lseek(fd, 0, SEEK_CUR);
  return at > 0 ? static_cast<std::uint64_t>(at) : 0;
}

std::int64_t readSome(int fd, void* buffer, std::size_t count) {
  for (;;) {
    const ssize_t n = ::read(fd, buffer, count);
    if (n >= 0) return n;
    if (errno != EINTR) return -errno;
  }
}

std::int64_t writeSome(int fd, const void* buffer, std::size_t count) {
  for (;;) {
    const ssize_t n = ::write(fd, buffer, count);
    if (n >= 0) return n;
    if (errno != EINTR) return -errno;
  }
}

// POLLHUP comes only once a writer has been and gone.
int waitForFifo(int fd) {
  pollfd ready{fd, POLLIN, 0};
  if (::poll(&ready, 1, -1) < 0) return errno == EINTR ? 0 : -errno;
  return (ready.revents & POLLIN) == 0 && (ready.revents & POLLHUP) != 0 ? 1 : 0;
}

int closeDescriptor(int fd) {
  return ::close(fd) != 0 && errno != EINTR ? -errno : 0;
}

int removeFile(const std::string& path) {
  return ::unlink(path.c_str()) != 0 ? errno : 0;
}

std::string linkText(const std::string& path) {
  char text[PATH_MAX];
  const ssize_t n = ::readlink(path.c_str(), text, sizeof text);
  if (n <= 0 || static_cast<std::size_t>(n) == sizeof text) return {};
  return {text, static_cast<std::size_t>(n)};
}

bool isTerminal(int fd) {
  return ::isatty(fd) == 1;
}

std::size_t terminalWidth(int fd) {
  winsize size{};
  if (::ioctl(fd, TIOCGWINSZ, &size) != 0) return 0;
  return size.ws_col;
}

// The widths do not depend on the user's locale: names are taken as UTF-8 whatever it says.
int characterColumns(char32_t codePoint) {
  static const locale_t utf8 = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
  if (utf8 == locale_t{}) return codePoint >= 0x80 && codePoint < 0xA0 ? -1 : 1;
  const locale_t previous = ::uselocale(utf8);
  const int columns = ::wcwidth(static_cast<wchar_t>(codePoint));
  ::uselocale(previous);
  return columns;
}

std::vector<std::string> commandLineArguments(int argc, char** argv) {
  return {argv, argv + argc};
}

std::filesystem::path pathOf(const std::string& utf8) {
  return utf8;
}

std::string utf8Of(const std::filesystem::path& path) {
  return path.string();
}

}  // namespace ravlin::cli::platform
