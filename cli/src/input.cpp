// Opening and reading an input through its descriptor.
#include "input.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "messages.h"
#include "options.h"

namespace ravlin::cli {

InputFile::InputFile(const std::string& path) {
  if (path == kStdioName) {
    name_ = "stdin";
    fd_ = 0;
  } else {
    name_ = path;
    fd_ = ::open(path.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0 && errno == EACCES) {
      throw Failure(path, std::string(std::strerror(EACCES)) + " (the file may not be read)");
    }
    if (fd_ < 0) throw Failure::ofSystem(errno, path);
  }
  if (::fstat(fd_, &info_) != 0) {
    const int err = errno;
    if (!isStdin()) ::close(fd_);
    throw Failure::ofSystem(err, name_);
  }
  if (S_ISDIR(info_.st_mode)) {
    if (!isStdin()) ::close(fd_);
    throw Failure(name_, "Is a directory (give -r to take the files in it)");
  }
  // Standard input may stand inside its file (after `read` in a shell); only the rest is input.
  if (isStdin() && isRegular()) {
    const off_t at = ::lseek(fd_, 0, SEEK_CUR);
    if (at > 0 && at <= info_.st_size) startOffset_ = static_cast<std::uint64_t>(at);
  }
  fifo_ = S_ISFIFO(info_.st_mode) && !isStdin();
  // Other devices wait for their data as they always do once they are open.
  if (!isStdin() && !isRegular() && !fifo_) {
    const int flags = ::fcntl(fd_, F_GETFL);
    if (flags >= 0) ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK);
  }
}

InputFile::~InputFile() {
  if (!isStdin()) ::close(fd_);
}

std::optional<std::uint64_t> InputFile::size() const {
  if (!isRegular()) return std::nullopt;
  return static_cast<std::uint64_t>(info_.st_size) - startOffset_;
}

// A FIFO stays open without waiting, since opening it again to wait would miss a writer that has
// already come and gone. Its reads wait in poll() instead: one that finds nothing returns 0 before
// any writer has come as well as at the end, and poll() tells the two apart (POLLHUP comes only
// once a writer has been and gone).
std::size_t InputFile::readFifo(std::span<std::uint8_t> buffer) {
  for (;;) {
    const ssize_t n = ::read(fd_, buffer.data(), buffer.size());
    if (n > 0) return static_cast<std::size_t>(n);
    if (n < 0 && errno != EAGAIN && errno != EINTR) throw Failure::ofSystem(errno, name_);
    pollfd ready{fd_, POLLIN, 0};
    if (::poll(&ready, 1, -1) < 0 && errno != EINTR) throw Failure::ofSystem(errno, name_);
    if ((ready.revents & POLLIN) == 0 && (ready.revents & POLLHUP) != 0) return 0;
  }
}

std::size_t InputFile::read(std::span<std::uint8_t> buffer) {
  if (fifo_) return readFifo(buffer);
  ssize_t n;
  do {
    n = ::read(fd_, buffer.data(), buffer.size());
  } while (n < 0 && errno == EINTR);
  if (n < 0) throw Failure::ofSystem(errno, name_);
  bytesRead_ += static_cast<std::uint64_t>(n);
  if (const auto expected = size()) {
    if (n == 0 && bytesRead_ < *expected) {
      throw Failure(name_, "changed while it was read: it had " + std::to_string(*expected) +
                               " bytes when opened, but ended after " +
                               std::to_string(bytesRead_));
    }
    if (bytesRead_ > *expected) {
      throw Failure(name_, "changed while it was read: it had " + std::to_string(*expected) +
                               " bytes when opened, but went on past them");
    }
  }
  return static_cast<std::size_t>(n);
}

}  // namespace ravlin::cli
