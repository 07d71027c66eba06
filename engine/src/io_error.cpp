// Error kinds of the engine and its file layer, their messages, and the mapping from errno.
#include "ravlin/io_error.h"

#include <cerrno>

#include "path_parts.h"
#include "ravlin/file_system.h"

namespace ravlin {

namespace {

bool folderExists(const std::string& path) {
  return FileSystem::system().isDirectory(path) == 1;
}

}  // namespace

const char* ioErrorName(IoErrorKind kind) noexcept {
  switch (kind) {
    case IoErrorKind::kFileNotFound:
      return "File not found";
    case IoErrorKind::kInvalidFilename:
      return "Invalid filename";
    case IoErrorKind::kTooManyOpenFiles:
      return "Too many open files";
    case IoErrorKind::kAccessDenied:
      return "File access denied";
    case IoErrorKind::kReadBeyondEnd:
      return "Read beyond end of file";
    case IoErrorKind::kDiskFull:
      return "Disk full";
    case IoErrorKind::kOutOfMemory:
      return "Out of memory";
    case IoErrorKind::kOther:
      break;
  }
  return "I/O error";
}

std::string ioErrorMessage(IoErrorKind kind, int systemError) {
  if (kind == IoErrorKind::kOther) return "I/O error " + std::to_string(systemError);
  return ioErrorName(kind);
}

IoError::IoError(IoErrorKind kind, int systemError)
    : std::runtime_error(ioErrorMessage(kind, systemError)),
      kind_(kind),
      systemError_(systemError) {}

IoError IoError::fromErrno(int err, const std::string& path) {
  switch (err) {
    case ENOENT:
      // POSIX says ENOENT both for a missing file and for a missing folder on the way to it.
      if (!path.empty() && folderExists(detail::parentFolder(path))) {
        return {IoErrorKind::kFileNotFound, err};
      }
      return {IoErrorKind::kInvalidFilename, err};
    case ENOTDIR:
      return {IoErrorKind::kInvalidFilename, err};
    case EMFILE:
    case ENFILE:
      return {IoErrorKind::kTooManyOpenFiles, err};
    case EACCES:
    case EPERM:
    case EROFS:
      return {IoErrorKind::kAccessDenied, err};
    case ENOSPC:
#ifdef EDQUOT  // Windows knows no disk quotas by errno
    case EDQUOT:
#endif
      return {IoErrorKind::kDiskFull, err};
    case ENOMEM:
      return {IoErrorKind::kOutOfMemory, err};
    default:
      return {IoErrorKind::kOther, err};
  }
}

}  // namespace ravlin
