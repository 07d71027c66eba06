// The command line's system calls on Windows. Paths are UTF-8 inside the program and UTF-16 at
// each call; descriptors are C runtime descriptors over Win32 handles, read and written with
// ReadFile and WriteFile so that no text-mode translation ever touches the data.
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cerrno>

#include "platform.h"
#include "ravlin/win32_errors.h"

namespace ravlin::cli::platform {

namespace {

// From 1601-01-01 (FILETIME) to 1970-01-01 (timespec), in seconds.
constexpr std::int64_t kEpochDifference = 11644473600;
// Largest piece handed to one ReadFile or WriteFile, whose counts are 32 bits.
constexpr std::size_t kMaxPiece = std::size_t{1} << 30;

std::wstring widen(const std::string& text) {
  if (text.empty()) return {};
  const int length = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(std::max(length, 0)), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                        length);
  return wide;
}

std::string narrow(const wchar_t* wide) {
  const int length = ::WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (length <= 1) return {};
  std::string text(static_cast<std::size_t>(length), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide, -1, text.data(), length, nullptr, nullptr);
  text.pop_back();  // the terminating zero
  return text;
}

// The standard streams are asked of Windows itself: the C runtime may not have tied its
// descriptors 0 to 2 to the handles a parent passed in.
HANDLE handleOf(int fd) {
  switch (fd) {
    case 0:
      return ::GetStdHandle(STD_INPUT_HANDLE);
    case 1:
      return ::GetStdHandle(STD_OUTPUT_HANDLE);
    case 2:
      return ::GetStdHandle(STD_ERROR_HANDLE);
    default:
      return reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
  }
}

timespec timeOf(const FILETIME& time) {
  const std::int64_t ticks =
      static_cast<std::int64_t>((std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime);
  timespec result{};
  result.tv_sec = static_cast<time_t>(ticks / 10000000 - kEpochDifference);
  result.tv_nsec = static_cast<long>(ticks % 10000000 * 100);
  return result;
}

// A handle's status. Only a file on a disk has an identity, a size and times; a pipe or a
// console is "other", as a device is on Linux.
int statusOfHandle(HANDLE handle, FileStatus& status, bool reparseIsLink) {
  status = {};
  if (::GetFileType(handle) != FILE_TYPE_DISK) {
    status.kind = FileKind::kOther;
    return 0;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(handle, &info)) {
    // A standard handle may lack the right to read attributes (Wine gives a redirected file so):
    // its size still tells a regular file, which is all that is asked of standard input.
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(handle, &size)) return errnoOfWin32(::GetLastError());
    status.kind = FileKind::kRegular;
    status.size = static_cast<std::uint64_t>(size.QuadPart);
    status.permissions = 0666;
    return 0;
  }
  if (reparseIsLink && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    status.kind = FileKind::kSymlink;
  } else if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    status.kind = FileKind::kDirectory;
  } else {
    status.kind = FileKind::kRegular;
  }
  status.device = info.dwVolumeSerialNumber;
  status.inode = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
  status.size = (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
  status.permissions = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0 ? 0444 : 0666;
  status.modified = timeOf(info.ftLastWriteTime);
  return 0;
}

// Opens `path` for `access`; folders open too (FILE_FLAG_BACKUP_SEMANTICS), so that they can be
// told apart from files that are missing. INVALID_HANDLE_VALUE on failure, with the last error set.
HANDLE openHandle(const std::string& path, DWORD access, DWORD flags) {
  return ::CreateFileW(widen(path).c_str(), access,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr);
}

int statusOfPath(const std::string& path, FileStatus& status, DWORD flags) {
  const HANDLE handle = openHandle(path, FILE_READ_ATTRIBUTES, flags);
  if (handle == INVALID_HANDLE_VALUE) return errnoOfWin32(::GetLastError());
  const int result = statusOfHandle(handle, status, flags != 0);
  ::CloseHandle(handle);
  return result;
}

int descriptorOf(HANDLE handle, int mode) {
  if (handle == INVALID_HANDLE_VALUE) return -errnoOfWin32(::GetLastError());
  const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), mode | _O_BINARY);
  if (fd < 0) {
    ::CloseHandle(handle);
    return -EMFILE;
  }
  return fd;
}

bool inRanges(char32_t c, std::initializer_list<std::pair<char32_t, char32_t>> ranges) {
  return std::any_of(ranges.begin(), ranges.end(),
                     [c](const auto& range) { return c >= range.first && c <= range.second; });
}

}  // namespace

int statusOf(const std::string& path, FileStatus& status) {
  return statusOfPath(path, status, 0);
}

int linkStatusOf(const std::string& path, FileStatus& status) {
  return statusOfPath(path, status, FILE_FLAG_OPEN_REPARSE_POINT);
}

int statusOfDescriptor(int fd, FileStatus& status) {
  const HANDLE handle = handleOf(fd);
  if (handle == INVALID_HANDLE_VALUE) return EBADF;
  return statusOfHandle(handle, status, false);
}

int openForReading(const std::string& path) {
  return descriptorOf(openHandle(path, GENERIC_READ, 0), _O_RDONLY);
}

int openForWriting(const std::string& path) {
  return descriptorOf(openHandle(path, GENERIC_WRITE, 0), _O_WRONLY);
}

// Nothing waits here: reads of any handle wait for their data.
void makeBlocking(int) {}

std::uint64_t positionOf(int fd) {
  LARGE_INTEGER at{};
  if (!::SetFilePointerEx(handleOf(fd), LARGE_INTEGER{}, &at, FILE_CURRENT)) return 0;
  return at.QuadPart > 0 ? static_cast<std::uint64_t>(at.QuadPart) : 0;
}

std::int64_t readSome(int fd, void* buffer, std::size_t count) {
  DWORD done = 0;
  if (::ReadFile(handleOf(fd), buffer, static_cast<DWORD>(std::min(count, kMaxPiece)), &done,
                 nullptr)) {
    return done;
  }
  // A pipe whose writer has gone has reached its end.
  const DWORD error = ::GetLastError();
  return error == ERROR_BROKEN_PIPE ? 0 : -errnoOfWin32(error);
}

std::int64_t writeSome(int fd, const void* buffer, std::size_t count) {
  DWORD done = 0;
  if (::WriteFile(handleOf(fd), buffer, static_cast<DWORD>(std::min(count, kMaxPiece)), &done,
                  nullptr)) {
    return done;
  }
  return -errnoOfWin32(::GetLastError());
}

// No input is taken as a FIFO here, so nothing waits on one.
int waitForFifo(int) {
  return 1;
}

int closeDescriptor(int fd) {
  return ::_close(fd) != 0 ? -errno : 0;
}

int removeFile(const std::string& path) {
  return ::DeleteFileW(widen(path).c_str()) ? 0 : errnoOfWin32(::GetLastError());
}

std::string linkText(const std::string&) {
  return {};
}

// A console, not merely a character device: NUL is one of those too.
bool isTerminal(int fd) {
  DWORD mode = 0;
  return ::GetConsoleMode(handleOf(fd), &mode) != 0;
}

std::size_t terminalWidth(int fd) {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (!::GetConsoleScreenBufferInfo(handleOf(fd), &info)) return 0;
  const int columns = info.srWindow.Right - info.srWindow.Left + 1;
  return columns > 0 ? static_cast<std::size_t>(columns) : 0;
}

// Windows has no wcwidth: the C1 controls are not printable, combining marks take no column,
// the wide East Asian scripts and the emoji take two, and everything else one.
int characterColumns(char32_t codePoint) {
  if (codePoint >= 0x80 && codePoint < 0xA0) return -1;
  if (inRanges(codePoint, {{0x0300, 0x036F}, {0x0483, 0x0489}, {0x0591, 0x05BD}, {0x0610, 0x061A},
                           {0x064B, 0x065F}, {0x200B, 0x200F}, {0x20D0, 0x20FF}, {0xFE00, 0xFE0F},
                           {0xFE20, 0xFE2F}})) {
    return 0;
  }
  if (inRanges(codePoint, {{0x1100, 0x115F}, {0x2E80, 0x303E}, {0x3041, 0x33FF}, {0x3400, 0x4DBF},
                           {0x4E00, 0x9FFF}, {0xA000, 0xA4CF}, {0xAC00, 0xD7A3}, {0xF900, 0xFAFF},
                           {0xFE30, 0xFE4F}, {0xFF00, 0xFF60}, {0xFFE0, 0xFFE6}, {0x1F300, 0x1F64F},
                           {0x1F900, 0x1F9FF}, {0x20000, 0x3FFFD}})) {
    return 2;
  }
  return 1;
}

// The command line as Windows holds it, in UTF-16: the narrow argv would have lost every
// character outside the user's code page.
std::vector<std::string> commandLineArguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (wide == nullptr) return {argv, argv + argc};
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i) arguments.push_back(narrow(wide[i]));
  ::LocalFree(wide);
  return arguments;
}

std::filesystem::path pathOf(const std::string& utf8) {
  return std::u8string(utf8.begin(), utf8.end());
}

std::string utf8Of(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return {text.begin(), text.end()};
}

}  // namespace ravlin::cli::platform
