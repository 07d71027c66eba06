// The one error type of the engine and its file layer, with the user-facing messages.
#pragma once

#include <stdexcept>
#include <string>

namespace ravlin {

enum class IoErrorKind {
  kFileNotFound,      // "File not found"
  kInvalidFilename,   // "Invalid filename": a folder in the path does not exist
  kTooManyOpenFiles,  // "Too many open files"
  kAccessDenied,      // "File access denied"
  kReadBeyondEnd,     // "Read beyond end of file": a stream or an input ends too early
  kDiskFull,          // "Disk full"
  kOutOfMemory,       // "Out of memory"
  kOther,             // "I/O error N", N being the system's error number
};

class IoError : public std::runtime_error {
 public:
  IoError(IoErrorKind kind, int systemError = 0);

  // The error for a failed system call on `path`, from its errno value. ENOENT becomes
  // kFileNotFound when the parent folder of `path` exists and kInvalidFilename when it does not.
  static IoError fromErrno(int err, const std::string& path);

  IoErrorKind kind() const noexcept { return kind_; }
  // The errno value behind the error, or 0 when it has none (a short stream, out of memory).
  int systemError() const noexcept { return systemError_; }

 private:
  IoErrorKind kind_;
  int systemError_;
};

// The message text of an error kind ("File not found", "I/O error 28", ...).
std::string ioErrorMessage(IoErrorKind kind, int systemError = 0);
// The same text without the error number ("I/O error" for kOther), in static storage.
const char* ioErrorName(IoErrorKind kind) noexcept;

}  // namespace ravlin
