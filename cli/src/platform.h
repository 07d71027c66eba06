// What ravlin-cli asks of the operating system, in one place: file status, descriptors, the
// terminal and character widths. Paths are UTF-8. One implementation per system is compiled in
// (posix/ or windows/); the logic above it is the same everywhere.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace ravlin::cli::platform {

enum class FileKind { kRegular, kDirectory, kSymlink, kFifo, kOther };

struct FileStatus {
  FileKind kind = FileKind::kOther;
  std::uint64_t device = 0;  // with `inode`, which file a path names
  std::uint64_t inode = 0;
  std::uint64_t size = 0;
  unsigned permissions = 0;  // 0777 bits
  timespec modified{};
};

// stat() and lstat(): 0, or the errno value of the failure.
int statusOf(const std::string& path, FileStatus& status);
int linkStatusOf(const std::string& path, FileStatus& status);
int statusOfDescriptor(int fd, FileStatus& status);

// Opens an input without waiting (a FIFO with no writer yet is open at once); the descriptor, or
// a negated errno value.
int openForReading(const std::string& path);
// Opens an existing device or pipe for writing; the descriptor, or a negated errno value.
int openForWriting(const std::string& path);
// Lets reads of a descriptor opened by openForReading wait for their data again.
void makeBlocking(int fd);
// Where standard input stands in its file; 0 when it cannot tell.
std::uint64_t positionOf(int fd);
// read() and write(): the count, or a negated errno value; EINTR is retried.
std::int64_t readSome(int fd, void* buffer, std::size_t count);
std::int64_t writeSome(int fd, const void* buffer, std::size_t count);
// Waits until a FIFO has data or its writer has gone: 1 when it has gone with nothing left, 0
// when there may be data, a negated errno value on failure.
int waitForFifo(int fd);
int closeDescriptor(int fd);
// unlink(): 0, or the errno value of the failure.
int removeFile(const std::string& path);
// The text of the symbolic link at `path`; empty when it is none.
std::string linkText(const std::string& path);

bool isTerminal(int fd);
// The width of the terminal on `fd` in columns; 0 when it is no terminal.
std::size_t terminalWidth(int fd);
// Columns a printable character takes on a terminal (0 or more); -1 for one that is not printable.
int characterColumns(char32_t codePoint);

// The program's arguments in UTF-8, its own name first.
std::vector<std::string> commandLineArguments(int argc, char** argv);

// A UTF-8 path for std::filesystem, and back.
std::filesystem::path pathOf(const std::string& utf8);
std::string utf8Of(const std::filesystem::path& path);

#ifdef _WIN32
// Holes are left to NTFS's own sparse-file calls, which the file layer does not make.
inline constexpr bool kSparseFiles = false;
// What ends a folder in a path: either slash, or the colon of a drive ("C:name").
inline constexpr std::string_view kSeparators = "\\/:";
// The longest name in a folder (NTFS counts UTF-16 units; close enough for a hint).
inline constexpr std::size_t kLongestName = 255;
inline constexpr std::string_view kNoSparseHelp =
    "      --no-sparse       unpack: accepted for scripts; on Windows zeros are always\n"
    "                        written, never left as holes\n";
#else
// Whether unpacked files may get holes for their runs of zeros.
inline constexpr bool kSparseFiles = true;
inline constexpr std::string_view kSeparators = "/";
inline constexpr std::size_t kLongestName = NAME_MAX;
inline constexpr std::string_view kNoSparseHelp =
    "      --no-sparse       unpack: write zeros as zeros, not as holes in the file\n";
#endif

}  // namespace ravlin::cli::platform
