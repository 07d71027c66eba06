// Opening and reading an input through its descriptor.
#include "input_source.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "messages.h"
#include "options.h"

namespace ravlin::cli {

InputSource::InputSource(const std::string& path) {
  if (path == kStdioName) {
    name_ = "stdin";
    fd_ = 0;
  } else {
    name_ = path;
    fd_ = platform::openForReading(path);
    if (fd_ == -EACCES) {
      throw Failure(path, std::string(std::strerror(EACCES)) + " (the file may not be read)");
    }
    if (fd_ < 0) throw Failure::ofSystem(-fd_, path);
  }
  if (const int err = platform::statusOfDescriptor(fd_, info_); err != 0) {
    if (!isStdin()) platform::closeDescriptor(fd_);
    throw Failure::ofSystem(err, name_);
  }
  if (info_.kind == platform::FileKind::kDirectory) {
    if (!isStdin()) platform::closeDescriptor(fd_);
    throw Failure(name_, "Is a directory (give -r to take the files in it)");
  }
  // Standard input may stand inside its file (after `read` in a shell); only the rest is input.
  if (isStdin() && isRegular()) {
    const std::uint64_t at = platform::positionOf(fd_);
    if (at <= info_.size) startOffset_ = at;
  }
  fifo_ = info_.kind == platform::FileKind::kFifo && !isStdin();
  // Other devices wait for their data as they always do once they are open.
  if (!isStdin() && !isRegular() && !fifo_) platform::makeBlocking(fd_);
}

InputSource::~InputSource() {
  if (!isStdin()) platform::closeDescriptor(fd_);
}

std::optional<std::uint64_t> InputSource::size() const {
  if (!isRegular()) return std::nullopt;
  return info_.size - startOffset_;
}

// A FIFO stays open without waiting, since opening it again to wait would miss a writer that has
// already come and gone. Its reads wait in poll() instead: one that finds nothing returns 0 before
// any writer has come as well as at the end, and waiting on it tells the two apart.
std::size_t InputSource::readFifo(std::span<std::uint8_t> buffer) {
  for (;;) {
    const std::int64_t n = platform::readSome(fd_, buffer.data(), buffer.size());
    if (n > 0) return static_cast<std::size_t>(n);
    if (n < 0 && n != -EAGAIN) throw Failure::ofSystem(static_cast<int>(-n), name_);
    const int gone = platform::waitForFifo(fd_);
    if (gone < 0) throw Failure::ofSystem(-gone, name_);
    if (gone == 1) return 0;
  }
}

std::size_t InputSource::read(std::span<std::uint8_t> buffer) {
  if (fifo_) return readFifo(buffer);
  const std::int64_t n = platform::readSome(fd_, buffer.data(), buffer.size());
  if (n < 0) throw Failure::ofSystem(static_cast<int>(-n), name_);
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
