// The Windows file layer: FileSystem over the Win32 calls. Paths are UTF-8 inside the program and
// become UTF-16 at each call, so that any name Windows allows can be read and written. A
// descriptor is a C runtime descriptor over a Win32 handle (_open_osfhandle), which keeps the
// seam's plain ints; the data itself goes through ReadFile and WriteFile, never the runtime's
// text mode.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <string>

#include "../platform.h"
#include "ravlin/file_system.h"
#include "ravlin/win32_errors.h"

// RtlGenRandom, exported by advapi32 as SystemFunction036.
extern "C" BOOLEAN NTAPI SystemFunction036(PVOID buffer, ULONG length);

namespace ravlin {

namespace {

// Largest piece handed to one ReadFile or WriteFile, whose counts are 32 bits.
constexpr std::size_t kMaxPiece = std::size_t{1} << 30;
// From 1601-01-01 (FILETIME) to 1970-01-01 (timespec), in seconds.
constexpr std::int64_t kEpochDifference = 11644473600;

int lastError() {
  return -errnoOfWin32(::GetLastError());
}

// `path` as UTF-16; false when it is not valid UTF-8.
bool widen(const std::string& path, std::wstring& wide) {
  wide.clear();
  if (path.empty()) return true;
  const int length = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(),
                                           static_cast<int>(path.size()), nullptr, 0);
  if (length <= 0) return false;
  wide.resize(static_cast<std::size_t>(length));
  return ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(),
                               static_cast<int>(path.size()), wide.data(), length) == length;
}

// Calls `call` with the UTF-16 form of `path`; -EINVAL for a path that is not UTF-8 and
// -ENOENT for an empty one, as open("") says on Linux.
template <typename Call>
auto withWide(const std::string& path, Call call) -> decltype(call(L"")) {
  std::wstring wide;
  if (path.empty()) return -ENOENT;
  if (!widen(path, wide)) return -EINVAL;
  return call(wide.c_str());
}

HANDLE handleOf(int fd) {
  return reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
}

// Gives an open handle a runtime descriptor, or closes it when there is none to be had.
int descriptorFor(HANDLE handle) {
  const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY | _O_NOINHERIT);
  if (fd < 0) {
    ::CloseHandle(handle);
    return -EMFILE;
  }
  return fd;
}

bool attributesOf(const wchar_t* path, WIN32_FILE_ATTRIBUTE_DATA& data) {
  return ::GetFileAttributesExW(path, GetFileExInfoStandard, &data) != 0;
}

class WindowsFileSystem final : public FileSystem {
 public:
  int openRegular(const std::string& path) override {
    return withWide(path, [](const wchar_t* wide) {
      // A folder cannot be opened this way (access denied, as on Linux); a console, pipe or
      // device is no disk file and is refused the same way.
      const HANDLE handle =
          ::CreateFileW(wide, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (handle == INVALID_HANDLE_VALUE) return lastError();
      if (::GetFileType(handle) != FILE_TYPE_DISK) {
        ::CloseHandle(handle);
        return -EACCES;
      }
      return descriptorFor(handle);
    });
  }
  int createNew(const std::string& path) override {
    return withWide(path, [](const wchar_t* wide) {
      // Nobody else may open the file until it is closed; its rights come from its folder, as
      // Windows gives every new file.
      const HANDLE handle = ::CreateFileW(wide, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE,
                                          nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (handle == INVALID_HANDLE_VALUE) return lastError();
      return descriptorFor(handle);
    });
  }
  std::int64_t read(int fd, void* buffer, std::size_t count) override {
    DWORD got = 0;
    if (!::ReadFile(handleOf(fd), buffer, static_cast<DWORD>(std::min(count, kMaxPiece)), &got,
                    nullptr)) {
      // The writing end of a pipe has closed: that is its end, not a failure.
      if (::GetLastError() == ERROR_BROKEN_PIPE) return 0;
      return lastError();
    }
    return got;
  }
  std::int64_t write(int fd, const void* buffer, std::size_t count) override {
    DWORD put = 0;
    if (!::WriteFile(handleOf(fd), buffer, static_cast<DWORD>(std::min(count, kMaxPiece)), &put,
                     nullptr)) {
      return lastError();
    }
    return put;
  }
  std::int64_t size(int fd) override {
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(handleOf(fd), &size)) return lastError();
    return size.QuadPart;
  }
  int close(int fd) override {
    return ::_close(fd) == 0 ? 0 : -errno;
  }
  std::int64_t seek(int fd, std::int64_t offset) override {
    LARGE_INTEGER distance{};
    distance.QuadPart = offset;
    LARGE_INTEGER at{};
    if (!::SetFilePointerEx(handleOf(fd), distance, &at, FILE_BEGIN)) return lastError();
    return at.QuadPart;
  }
  int sync(int fd) override {
    return ::FlushFileBuffers(handleOf(fd)) ? 0 : lastError();
  }
  int syncFolder(const std::string&) override {
    // The renames below pass MOVEFILE_WRITE_THROUGH, which returns only once the new entry is on
    // the device; Windows has no folder flush besides.
    return 0;
  }
  int setPermissions(int fd, mode_t mode) override {
    // Windows keeps one bit of the owner's rights with the file: read-only. The rest of the
    // rights come from the folder's access lists.
    FILE_BASIC_INFO info{};
    info.FileAttributes = (mode & 0200) != 0 ? FILE_ATTRIBUTE_NORMAL : FILE_ATTRIBUTE_READONLY;
    return ::SetFileInformationByHandle(handleOf(fd), FileBasicInfo, &info, sizeof info)
               ? 0
               : lastError();
  }
  int setModifiedTime(int fd, const timespec& time) override {
    const std::int64_t ticks =
        (static_cast<std::int64_t>(time.tv_sec) + kEpochDifference) * 10'000'000 +
        time.tv_nsec / 100;
    if (ticks < 0) return -EINVAL;
    FILETIME written{};
    written.dwLowDateTime = static_cast<DWORD>(ticks);
    written.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return ::SetFileTime(handleOf(fd), nullptr, nullptr, &written) ? 0 : lastError();
  }
  int rename(const std::string& from, const std::string& to) override {
    return move(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  }
  int renameNoReplace(const std::string& from, const std::string& to) override {
    return move(from, to, MOVEFILE_WRITE_THROUGH);
  }
  int remove(const std::string& path) override {
    return withWide(path, [](const wchar_t* wide) {
      return ::DeleteFileW(wide) ? 0 : lastError();
    });
  }
  int makeDirectory(const std::string& path) override {
    return withWide(path, [](const wchar_t* wide) {
      return ::CreateDirectoryW(wide, nullptr) ? 0 : lastError();
    });
  }
  std::int64_t sizeOf(const std::string& path) override {
    return withWide(path, [](const wchar_t* wide) -> std::int64_t {
      WIN32_FILE_ATTRIBUTE_DATA data{};
      if (!attributesOf(wide, data)) return lastError();
      return static_cast<std::int64_t>((std::uint64_t{data.nFileSizeHigh} << 32) |
                                       data.nFileSizeLow);
    });
  }
  int permissionsOf(const std::string& path) override {
    return withWide(path, [](const wchar_t* wide) {
      WIN32_FILE_ATTRIBUTE_DATA data{};
      if (!attributesOf(wide, data)) return lastError();
      return (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0 ? 0444 : 0666;
    });
  }
  int mayWrite(const std::string& path) override {
    return withWide(path, [](const wchar_t* wide) {
      WIN32_FILE_ATTRIBUTE_DATA data{};
      if (!attributesOf(wide, data)) return lastError();
      const bool folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      return !folder && (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0 ? -EACCES : 0;
    });
  }
  int readLink(const std::string&, std::string&) override {
    // Windows follows its links (reparse points) itself at every open and rename.
    return -EINVAL;
  }
  int isDirectory(const std::string& path) override {
    return withWide(path, [](const wchar_t* wide) {
      WIN32_FILE_ATTRIBUTE_DATA data{};
      if (!attributesOf(wide, data)) return lastError();
      return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? 1 : 0;
    });
  }

 private:
  static int move(const std::string& from, const std::string& to, DWORD flags) {
    std::wstring wideFrom;
    std::wstring wideTo;
    if (from.empty() || to.empty()) return -ENOENT;
    if (!widen(from, wideFrom) || !widen(to, wideTo)) return -EINVAL;
    return ::MoveFileExW(wideFrom.c_str(), wideTo.c_str(), flags) ? 0 : lastError();
  }
};

}  // namespace

int errnoOfWin32(unsigned long error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
    case ERROR_CURRENT_DIRECTORY:
      return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    case ERROR_TOO_MANY_OPEN_FILES:
      return EMFILE;
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_PARAMETER:
      return EINVAL;
    case ERROR_DIRECTORY:
      return ENOTDIR;
    case ERROR_DIR_NOT_EMPTY:
      return ENOTEMPTY;
    case ERROR_INVALID_HANDLE:
      return EBADF;
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA:
    case ERROR_PIPE_NOT_CONNECTED:  // what Wine gives when a pipe's reader has gone
      return EPIPE;
    default:
      return EIO;
  }
}


FileSystem& FileSystem::system() {
  static WindowsFileSystem instance;
  return instance;
}

namespace detail {

bool systemRandomBytes(std::span<unsigned char> bytes) {
  return SystemFunction036(bytes.data(), static_cast<ULONG>(bytes.size())) != 0;
}

mode_t newFileMode() {
  // A new file is writable; who else may use it is the folder's access lists' affair.
  return 0666;
}

}  // namespace detail

}  // namespace ravlin
