// An input of ravlin-cli, opened for reading in chunks: a file, a pipe, a device or standard input.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace ravlin::cli {

class InputFile {
 public:
  // Opens `path` ("-" for standard input); folders and failures throw Failure.
  explicit InputFile(const std::string& path);
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // How messages name it: the path, or "stdin".
  const std::string& name() const { return name_; }
  bool isStdin() const { return fd_ == 0; }
  bool isRegular() const { return S_ISREG(info_.st_mode); }
  const struct stat& info() const { return info_; }
  // The size in bytes when it is a regular file.
  std::optional<std::uint64_t> size() const;

  // Reads up to buffer.size() bytes; returns how many, 0 at the end. Failures throw Failure.
  std::size_t read(std::span<std::uint8_t> buffer);

 private:
  std::string name_;
  int fd_ = -1;
  struct stat info_ {};
};

}  // namespace ravlin::cli
