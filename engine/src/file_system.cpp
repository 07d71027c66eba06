// A regular file read in pieces, and creating folders with their parents. Replacing a file
// atomically is atomic_file.cpp; the system's own file calls are posix/ and windows/.
#include "ravlin/file_system.h"

#include <cerrno>

#include "path_parts.h"
#include "ravlin/io_error.h"

namespace ravlin {

namespace {

[[noreturn]] void fail(std::int64_t negatedErrno, const std::string& path) {
  throw IoError::fromErrno(static_cast<int>(-negatedErrno), path);
}

}  // namespace

RegularFileReader::RegularFileReader(FileSystem& fs, const std::string& path)
    : fs_(fs), path_(path), fd_(fs.openRegular(path)) {
  if (fd_ < 0) fail(fd_, path_);
  const std::int64_t size = fs_.size(fd_);
  if (size < 0) {
    fs_.close(fd_);
    fail(size, path_);
  }
  size_ = static_cast<std::uint64_t>(size);
}

RegularFileReader::~RegularFileReader() {
  if (fd_ >= 0) fs_.close(fd_);
}

std::size_t RegularFileReader::read(std::uint8_t* buffer, std::size_t count) {
  const std::int64_t n = fs_.read(fd_, buffer, count);
  if (n < 0) fail(n, path_);
  return static_cast<std::size_t>(n);
}

void RegularFileReader::close() {
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
