// A file written in pieces that replaces its target only when it is complete, so that a failed
// or interrupted save leaves the target as it was. The window's save step and the command line
// both write their outputs through it.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <ctime>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "ravlin/file_system.h"

namespace ravlin {

// Whether `fileName` (a name without its folder) is that of an AtomicFile's temporary file, such as
// one that a killed process left behind: ".TARGET.XXXXXX.ravlin-tmp".
bool isAtomicFileTemporary(std::string_view fileName);

class AtomicFile {
 public:
  // Prepares to write `target`. A target that is a symbolic link is followed, so that the file
  // it points to is replaced and the link kept. An existing target is refused before anything
  // is written when this process may not write to it ("File access denied"), and with
  // Overwrite::kRefuse whatever its permissions (EEXIST, "I/O error 17"). The bytes go to a new
  // temporary file beside the real target, named as isAtomicFileTemporary() recognises and
  // readable by its owner only until commit().
  // Throws IoError.
  AtomicFile(FileSystem& fs, const std::string& target, Overwrite overwrite = Overwrite::kReplace);
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;
  // Removes the temporary file unless commit() has renamed it.
  ~AtomicFile();

  // Appends `bytes` to the temporary file. Throws IoError.
  void write(std::span<const std::uint8_t> bytes);
  // Appends `bytes` zero bytes as a hole, which takes no space where the file system has holes.
  void skip(std::uint64_t bytes) { pendingHole_ += bytes; }

  // Gives the temporary file its mode: `mode` when given, else that of the file it replaces,
  // else 0666 less the umask, as any new file gets. Sets its modification time when `modified`
  // is given. Then renames it over the target. When an existing file is replaced, the new file
  // is flushed to the device before the rename and the folder after it, so that a power loss
  // leaves the old file or the new one, never an empty one; a new name skips both flushes.
  // Throws IoError; a failure before the rename leaves the target untouched.
  void commit(std::optional<mode_t> mode = std::nullopt,
              std::optional<timespec> modified = std::nullopt);

  // The temporary file being written, empty once it is renamed or removed. A signal handler
  // may unlink it when the process is ended before commit().
  const std::string& temporaryPath() const { return temporary_; }

 private:
  [[noreturn]] void fail(int negatedErrno) const;

  FileSystem& fs_;
  std::string target_;
  Overwrite overwrite_;
  // The permission bits of the file being replaced; empty for a new name.
  std::optional<mode_t> replacedMode_;
  std::string temporary_;
  int fd_ = -1;
  std::uint64_t written_ = 0;      // bytes before the hole being skipped
  std::uint64_t pendingHole_ = 0;  // zero bytes skipped after them, not yet behind a write

};

}  // namespace ravlin
