// A file layer for tests: the real one, with a hook on reads and faults on demand.
#pragma once

#include <functional>

#include "ravlin/file_system.h"

class HookedFileSystem : public ravlin::FileSystem {
 public:
  // Runs before every read, that is while an engine routine is reading its input.
  std::function<void()> onRead;
  // A positive errno value makes every write, every rename, or every write permission check
  // fail with it.
  int writeError = 0;
  int renameError = 0;
  int accessError = 0;

  int openRegular(const std::string& path) override { return real().openRegular(path); }
  int createNew(const std::string& path) override { return real().createNew(path); }
  std::int64_t read(int fd, void* buffer, std::size_t count) override {
    if (onRead) onRead();
    return real().read(fd, buffer, count);
  }
  std::int64_t write(int fd, const void* buffer, std::size_t count) override {
    if (writeError != 0) return -writeError;
    return real().write(fd, buffer, count);
  }
  std::int64_t size(int fd) override { return real().size(fd); }
  int close(int fd) override { return real().close(fd); }
  std::int64_t seek(int fd, std::int64_t offset) override { return real().seek(fd, offset); }
  int sync(int fd) override { return real().sync(fd); }
  int syncFolder(const std::string& path) override { return real().syncFolder(path); }
  int setPermissions(int fd, mode_t mode) override { return real().setPermissions(fd, mode); }
  int setModifiedTime(int fd, const timespec& time) override {
    return real().setModifiedTime(fd, time);
  }
  int rename(const std::string& from, const std::string& to) override {
    if (renameError != 0) return -renameError;
    return real().rename(from, to);
  }
  int renameNoReplace(const std::string& from, const std::string& to) override {
    if (renameError != 0) return -renameError;
    return real().renameNoReplace(from, to);
  }
  int remove(const std::string& path) override { return real().remove(path); }
  int makeDirectory(const std::string& path) override { return real().makeDirectory(path); }
  std::int64_t sizeOf(const std::string& path) override { return real().sizeOf(path); }
  int permissionsOf(const std::string& path) override { return real().permissionsOf(path); }
  int mayWrite(const std::string& path) override {
    if (accessError != 0) return -accessError;
    return real().mayWrite(path);
  }
  int readLink(const std::string& path, std::string& target) override {
    return real().readLink(path, target);
  }
  int isDirectory(const std::string& path) override { return real().isDirectory(path); }

 private:
  static ravlin::FileSystem& real() { return ravlin::FileSystem::system(); }
};
