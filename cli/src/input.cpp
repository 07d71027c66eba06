// Opening and reading an input through its descriptor.
#include "input.h"

#include <fcntl.h>
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
    fd_ = ::open(path.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC);
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
}

InputFile::~InputFile() {
  if (!isStdin()) ::close(fd_);
}

std::optional<std::uint64_t> InputFile::size() const {
  if (!isRegular()) return std::nullopt;
  return static_cast<std::uint64_t>(info_.st_size);
}

std::size_t InputFile::read(std::span<std::uint8_t> buffer) {
  for (;;) {
    const ssize_t n = ::read(fd_, buffer.data(), buffer.size());
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno != EINTR) throw Failure::ofSystem(errno, name_);
  }
}

}  // namespace ravlin::cli
