// Test support: a FileSystem that forwards to another one, counts every call and open descriptor,
// and can fail the k-th call of a chosen kind with a chosen errno.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <utility>

#include "ravlin/file_system.h"

namespace ravlin::testing {

enum class FsCall {
  kOpenRegular,
  kCreateNew,
  kRead,
  kWrite,
  kSize,
  kClose,
  kSync,
  kSyncFolder,
  kSetPermissions,
  kSetModifiedTime,
  kRename,
  kRenameNoReplace,
  kRemove,
  kMakeDirectory,
  kSizeOf,
  kPermissionsOf,
  kMayWrite,
  kReadLink,
  kIsDirectory,
  kSeek,
  kCount,
};

inline const char* fsCallName(FsCall call) {
  static constexpr std::array<const char*, static_cast<std::size_t>(FsCall::kCount)> kNames = {
      "openRegular",   "createNew",       "read",          "write",
      "size",          "close",           "sync",          "syncFolder",
      "setPermissions", "setModifiedTime", "rename",       "renameNoReplace",
      "remove",        "makeDirectory",   "sizeOf",        "permissionsOf",
      "mayWrite",      "readLink",        "isDirectory",   "seek"};
  return kNames[static_cast<std::size_t>(call)];
}

class FaultInjectingFileSystem final : public FileSystem {
 public:
  explicit FaultInjectingFileSystem(FileSystem& real = FileSystem::system()) : real_(real) {}

  // Fails the `nth` call (1-based) of `call` with `err`. A failed close still releases the
  // descriptor, as it does on Linux; every other failed call does nothing.
  void failAt(FsCall call, int nth, int err) {
    failCall_ = call;
    failNth_ = nth;
    failErrno_ = err;
  }
  // Runs `hook` at the start of every call, before any failure is injected.
  void beforeCall(std::function<void(FsCall)> hook) { hook_ = std::move(hook); }
  // Caps the bytes that one read or write transfers, to force short transfers.
  void limitTransfers(std::size_t maxBytes) { transferLimit_ = maxBytes; }
  // Added to every size(fd) answer: makes a file look larger or smaller than it is.
  void skewSizes(std::int64_t delta) { sizeSkew_ = delta; }

  int calls(FsCall call) const { return counts_[static_cast<std::size_t>(call)]; }
  bool injected() const { return injected_; }
  // Descriptors opened through this layer and not yet closed.
  std::size_t openDescriptors() const { return open_.size(); }

  int openRegular(const std::string& path) override {
    if (shouldFail(FsCall::kOpenRegular)) return -failErrno_;
    return track(real_.openRegular(path));
  }
  int createNew(const std::string& path) override {
    if (shouldFail(FsCall::kCreateNew)) return -failErrno_;
    return track(real_.createNew(path));
  }
  std::int64_t read(int fd, void* buffer, std::size_t count) override {
    if (shouldFail(FsCall::kRead)) return -failErrno_;
    return real_.read(fd, buffer, std::min(count, transferLimit_));
  }
  std::int64_t write(int fd, const void* buffer, std::size_t count) override {
    if (shouldFail(FsCall::kWrite)) return -failErrno_;
    return real_.write(fd, buffer, std::min(count, transferLimit_));
  }
  std::int64_t size(int fd) override {
    if (shouldFail(FsCall::kSize)) return -failErrno_;
    const std::int64_t result = real_.size(fd);
    return result < 0 ? result : std::max<std::int64_t>(0, result + sizeSkew_);
  }
  int close(int fd) override {
    const bool fail = shouldFail(FsCall::kClose);
    const int result = real_.close(fd);
    if (result == 0) open_.erase(fd);
    return fail ? -failErrno_ : result;
  }
  std::int64_t seek(int fd, std::int64_t offset) override {
    if (shouldFail(FsCall::kSeek)) return -failErrno_;
    return real_.seek(fd, offset);
  }
  int sync(int fd) override {
    if (shouldFail(FsCall::kSync)) return -failErrno_;
    return real_.sync(fd);
  }
  int syncFolder(const std::string& path) override {
    if (shouldFail(FsCall::kSyncFolder)) return -failErrno_;
    return real_.syncFolder(path);
  }
  int setPermissions(int fd, mode_t mode) override {
    if (shouldFail(FsCall::kSetPermissions)) return -failErrno_;
    return real_.setPermissions(fd, mode);
  }
  int setModifiedTime(int fd, const timespec& time) override {
    if (shouldFail(FsCall::kSetModifiedTime)) return -failErrno_;
    return real_.setModifiedTime(fd, time);
  }
  int rename(const std::string& from, const std::string& to) override {
    if (shouldFail(FsCall::kRename)) return -failErrno_;
    return real_.rename(from, to);
  }
  int renameNoReplace(const std::string& from, const std::string& to) override {
    if (shouldFail(FsCall::kRenameNoReplace)) return -failErrno_;
    return real_.renameNoReplace(from, to);
  }
  int remove(const std::string& path) override {
    if (shouldFail(FsCall::kRemove)) return -failErrno_;
    return real_.remove(path);
  }
  int makeDirectory(const std::string& path) override {
    if (shouldFail(FsCall::kMakeDirectory)) return -failErrno_;
    return real_.makeDirectory(path);
  }
  std::int64_t sizeOf(const std::string& path) override {
    if (shouldFail(FsCall::kSizeOf)) return -failErrno_;
    return real_.sizeOf(path);
  }
  int permissionsOf(const std::string& path) override {
    if (shouldFail(FsCall::kPermissionsOf)) return -failErrno_;
    return real_.permissionsOf(path);
  }
  int mayWrite(const std::string& path) override {
    if (shouldFail(FsCall::kMayWrite)) return -failErrno_;
    return real_.mayWrite(path);
  }
  int readLink(const std::string& path, std::string& target) override {
    if (shouldFail(FsCall::kReadLink)) return -failErrno_;
    return real_.readLink(path, target);
  }
  int isDirectory(const std::string& path) override {
    if (shouldFail(FsCall::kIsDirectory)) return -failErrno_;
    return real_.isDirectory(path);
  }

 private:
  bool shouldFail(FsCall call) {
    if (hook_) hook_(call);
    const int nth = ++counts_[static_cast<std::size_t>(call)];
    if (call != failCall_ || nth != failNth_) return false;
    injected_ = true;
    return true;
  }
  int track(int fd) {
    if (fd >= 0) open_.insert(fd);
    return fd;
  }

  FileSystem& real_;
  std::array<int, static_cast<std::size_t>(FsCall::kCount)> counts_{};
  std::set<int> open_;
  FsCall failCall_ = FsCall::kCount;
  int failNth_ = 0;
  int failErrno_ = 0;
  bool injected_ = false;
  std::function<void(FsCall)> hook_;
  std::size_t transferLimit_ = SIZE_MAX;
  std::int64_t sizeSkew_ = 0;
};

}  // namespace ravlin::testing
