// Writing a file beside its target and renaming it over the target once it is complete.
#include "ravlin/atomic_file.h"

#include <cerrno>
#include <chrono>
#include <string_view>
#include <utility>

#include "path_parts.h"
#include "platform.h"
#include "ravlin/io_error.h"

namespace ravlin {

namespace {

// The end of every temporary name, which tells a leftover of a killed process from a user's file.
constexpr std::string_view kTempTail = ".ravlin-tmp";
// Longest piece of the target's name kept in a temporary name, so that ".<name>.XXXXXX.ravlin-tmp"
// stays within the usual 255-byte limit of a file name.
constexpr std::size_t kMaxTempStem = 200;
constexpr int kTempNameAttempts = 100;
// As many links as the kernel follows before it gives up with ELOOP.
constexpr int kMaxLinkHops = 40;

// Six characters for a temporary name. The system's random bytes make a clash with another
// writer's name unlikely; the clock stands in if they cannot be had at once.
std::string randomSuffix() {
  static constexpr char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  unsigned char bytes[6];
  if (!detail::systemRandomBytes(bytes)) {
    auto clock = static_cast<std::uint64_t>(
        std::chrono::steady_clock::now().time_since_epoch().count());
    for (unsigned char& byte : bytes) {
      byte = static_cast<unsigned char>(clock);
      clock = clock * 6364136223846793005u + 1442695040888963407u;
    }
  }
  std::string suffix(sizeof bytes, ' ');
  for (std::size_t i = 0; i < sizeof bytes; ++i) suffix[i] = kChars[bytes[i] % (sizeof kChars - 1)];
  return suffix;
}

// Where `path` leads once its symbolic links are followed, and whether something is there.
struct LinkEnd {
  std::string path;
  bool missing = false;
};

// Follows `path` while it is a symbolic link. A link's relative text counts from the link's
// own folder. A link to a missing file resolves to that file's name, which is then created.
LinkEnd followLinks(FileSystem& fs, std::string path) {
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    std::string text;
    const int result = fs.readLink(path, text);
    if (result == -EINVAL || result == -ENOENT) return {std::move(path), result == -ENOENT};
    if (result < 0) throw IoError::fromErrno(-result, path);
    path = text.starts_with('/') ? text : detail::childPath(detail::parentFolder(path), text);
  }
  throw IoError::fromErrno(ELOOP, path);
}

}  // namespace

bool isAtomicFileTemporary(std::string_view fileName) {
  return fileName.starts_with('.') && fileName.ends_with(kTempTail);
}

AtomicFile::AtomicFile(FileSystem& fs, const std::string& target, Overwrite overwrite)
    : fs_(fs), overwrite_(overwrite) {
  if (detail::lastName(target).empty() || detail::isSeparator(target.back())) {
    throw IoError::fromErrno(EISDIR, target);
  }
  LinkEnd end = followLinks(fs_, target);
  target_ = std::move(end.path);

  // A name that readlink found missing needs no second look.
  const int mode = end.missing ? -ENOENT : fs_.permissionsOf(target_);
  if (mode >= 0) {
    if (overwrite_ == Overwrite::kRefuse) fail(-EEXIST);
    // Renaming needs write access to the folder only: without this check a file the user may
    // not change would be replaced all the same.
    const int writable = fs_.mayWrite(target_);
    if (writable < 0) fail(writable);
    replacedMode_ = static_cast<mode_t>(mode);
  } else if (mode != -ENOENT) {
    fail(mode);
  }

  const std::string folder = detail::parentFolder(target_);
  const std::string stem(detail::lastName(target_).substr(0, kMaxTempStem));
  for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
    std::string candidate =
        detail::childPath(folder, "." + stem + "." + randomSuffix() + std::string(kTempTail));
    const int fd = fs_.createNew(candidate);
    if (fd >= 0) {
      temporary_ = std::move(candidate);
      fd_ = fd;
      return;
    }
    if (fd != -EEXIST) fail(fd);
  }
  fail(-EEXIST);
}

AtomicFile::~AtomicFile() {
  if (fd_ >= 0) fs_.close(fd_);
  if (!temporary_.empty()) fs_.remove(temporary_);
}

void AtomicFile::fail(int negatedErrno) const {
  throw IoError::fromErrno(-negatedErrno, target_);
}

void AtomicFile::write(std::span<const std::uint8_t> bytes) {
  if (pendingHole_ > 0 && !bytes.empty()) {
    written_ += std::exchange(pendingHole_, 0);
    const std::int64_t moved = fs_.seek(fd_, static_cast<std::int64_t>(written_));
    if (moved < 0) fail(static_cast<int>(moved));
  }
  written_ += bytes.size();
  while (!bytes.empty()) {
    const std::int64_t n = fs_.write(fd_, bytes.data(), bytes.size());
    if (n < 0) fail(static_cast<int>(n));
    if (n == 0) fail(-EIO);  // a write that makes no progress would loop forever
    bytes = bytes.subspan(static_cast<std::size_t>(n));
  }
}

void AtomicFile::commit(std::optional<mode_t> mode, std::optional<timespec> modified) {
  // A hole at the end has no byte behind it to give the file its size; its last byte is written.
  if (pendingHole_ > 0) {
    pendingHole_ -= 1;
    static constexpr std::uint8_t kZero[1] = {0};
    write(kZero);
  }
  const bool replacing = replacedMode_.has_value();
  // The umask is looked up only when it is needed: it costs a file read.
  const mode_t finalMode = mode ? *mode : replacedMode_ ? *replacedMode_ : detail::newFileMode();
  const int moded = fs_.setPermissions(fd_, finalMode);
  if (moded < 0) fail(moded);
  if (modified) {
    const int timed = fs_.setModifiedTime(fd_, *modified);
    if (timed < 0) fail(timed);
  }
  if (replacing) {
    const int synced = fs_.sync(fd_);
    if (synced < 0) fail(synced);
  }
  const int closed = fs_.close(fd_);
  fd_ = -1;
  if (closed < 0) fail(closed);

  const int renamed = overwrite_ == Overwrite::kReplace ? fs_.rename(temporary_, target_)
                                                        : fs_.renameNoReplace(temporary_, target_);
  if (renamed < 0) fail(renamed);
  temporary_.clear();

  if (replacing) {
    // The new file is in place; a failing flush of the folder still means the rename may not
    // survive a power loss, which the user should hear of.
    const int synced = fs_.syncFolder(detail::parentFolder(target_));
    if (synced < 0) fail(synced);
  }
}

void writeFileAtomically(FileSystem& fs, const std::string& target,
                         std::span<const std::uint8_t> bytes, Overwrite overwrite) {
  AtomicFile file(fs, target, overwrite);
  file.write(bytes);
  file.commit();
}

}  // namespace ravlin
