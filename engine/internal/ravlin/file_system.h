// The file layer: a thin seam over the operating system's file calls, and the whole-file
// operations built on it that the engine, the window's save step and the command line share.
// Tests replace the seam to inject failures at any call.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <span>
#include <string>

namespace ravlin {


// Each call returns a non-negative result on success and a negated errno value on failure.
// Descriptors are plain ints. The default instance forwards to POSIX.
class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Opens an existing regular file for reading without ever blocking: a folder, FIFO, socket or
  // device is refused with -EACCES (opening a FIFO could wait forever for a writer).
  virtual int openRegular(const std::string& path) = 0;
  // Creates a new file for writing (fails with -EEXIST if it exists), readable and writable by
  // its owner only, so that nobody else can read it before its final mode is given.
  virtual int createNew(const std::string& path) = 0;
  virtual std::int64_t read(int fd, void* buffer, std::size_t count) = 0;
  virtual std::int64_t write(int fd, const void* buffer, std::size_t count) = 0;
  // The size in bytes of an open file.
  virtual std::int64_t size(int fd) = 0;
  virtual int close(int fd) = 0;
  // Moves an open file's position to `offset` bytes from its start (lseek); bytes skipped past
  // the end read back as zeros and take no space on file systems with holes.
  virtual std::int64_t seek(int fd, std::int64_t offset) = 0;
  // Flushes an open file's data and size to the device (fsync).
  virtual int sync(int fd) = 0;
  // Flushes a folder's entries to the device, so that a rename in it survives a power loss.
  virtual int syncFolder(const std::string& path) = 0;
  // Sets an open file's permission bits (fchmod).
  virtual int setPermissions(int fd, mode_t mode) = 0;
  // Sets an open file's modification time; its access time is left alone.
  virtual int setModifiedTime(int fd, const timespec& time) = 0;
  // Renames `from` over `to`, replacing an existing `to`.
  virtual int rename(const std::string& from, const std::string& to) = 0;
  // Renames `from` to `to` only when `to` does not exist (-EEXIST otherwise).
  virtual int renameNoReplace(const std::string& from, const std::string& to) = 0;
  virtual int remove(const std::string& path) = 0;
  virtual int makeDirectory(const std::string& path) = 0;
  // Size of the file at `path` without opening it; a negated errno when there is none.
  virtual std::int64_t sizeOf(const std::string& path) = 0;
  // The permission bits (07777) of the file at `path`, following links; a negated errno when
  // there is none.
  virtual int permissionsOf(const std::string& path) = 0;
  // 0 when this process may write to the existing file at `path` with its effective ids.
  virtual int mayWrite(const std::string& path) = 0;
  // The text of the symbolic link at `path` into `target`; -EINVAL when `path` is no link.
  virtual int readLink(const std::string& path, std::string& target) = 0;
  // 1 when `path` is a folder, 0 when it exists and is not one, a negated errno otherwise.
  virtual int isDirectory(const std::string& path) = 0;

  // The operating system's file calls.
  static FileSystem& system();
};

// A regular file opened with FileSystem::openRegular, read front to back in pieces; the descriptor
// is closed on every path.
class RegularFileReader {
 public:
  // Throws IoError.
  RegularFileReader(FileSystem& fs, const std::string& path);
  RegularFileReader(const RegularFileReader&) = delete;
  RegularFileReader& operator=(const RegularFileReader&) = delete;
  ~RegularFileReader();

  // The file's size when it was opened.
  std::uint64_t size() const noexcept { return size_; }
  // Reads up to `count` bytes into `buffer`; 0 at the end of the file. Throws IoError.
  std::size_t read(std::uint8_t* buffer, std::size_t count);
  // Closes the file now; a failing close throws IoError, since even a file only read can report a
  // lost error from its device that way.
  void close();

 private:
  FileSystem& fs_;
  std::string path_;
  int fd_;
  std::uint64_t size_ = 0;
};

enum class Overwrite { kReplace, kRefuse };

// Writes `bytes` to `target` in one go through an AtomicFile (atomic_file.h): `target` ends up
// either untouched or complete. Throws IoError.
void writeFileAtomically(FileSystem& fs, const std::string& target,
                         std::span<const std::uint8_t> bytes,
                         Overwrite overwrite = Overwrite::kReplace);

// Creates `path` and every missing parent folder. Throws IoError.
void makeDirectories(FileSystem& fs, const std::string& path);

}  // namespace ravlin
