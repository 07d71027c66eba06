// An input of ravlin-cli, opened for reading in chunks: a file, a pipe, a device or standard input.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform.h"

namespace ravlin::cli {

class InputSource {
 public:
  // Opens `path` ("-" for standard input) without waiting: a FIFO with no writer yet is open at
  // once, so that the caller can refuse it before anything waits for its data. Folders and
  // failures throw Failure.
  explicit InputSource(const std::string& path);
  ~InputSource();
  InputSource(const InputSource&) = delete;
  InputSource& operator=(const InputSource&) = delete;

  // How messages name it: the path, or "stdin".
  const std::string& name() const { return name_; }
  bool isStdin() const { return fd_ == 0; }
  bool isRegular() const { return info_.kind == platform::FileKind::kRegular; }
  const platform::FileStatus& info() const { return info_; }
  // The bytes left to read when it was opened, when it is a regular file.
  std::optional<std::uint64_t> size() const;

  // Reads up to buffer.size() bytes; returns how many, 0 at the end. A FIFO's reads wait for a
  // writer, as a plain open() would have. A regular file that ends before its size or goes on
  // past it has changed while it was read: its data would be neither the old nor the new file's.
  // Failures throw Failure.
  std::size_t read(std::span<std::uint8_t> buffer);

 private:
  std::size_t readFifo(std::span<std::uint8_t> buffer);

  std::string name_;
  int fd_ = -1;
  platform::FileStatus info_;
  std::uint64_t startOffset_ = 0;  // where standard input stood in its file
  std::uint64_t bytesRead_ = 0;
  bool fifo_ = false;  // a FIFO opened here, which reads without waiting
};

}  // namespace ravlin::cli
