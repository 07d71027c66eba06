// The Windows file layer end to end: saving under names that are not ASCII and through
// backslash paths, replacing, refusing read-only targets, and the paths' drive letters.
#include <windows.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "path_parts.h"
#include "ravlin/atomic_file.h"
#include "ravlin/file_system.h"
#include "ravlin/io_error.h"
#include "ravlin/scratch_folder.h"

namespace ravlin {
namespace {

using testing::ScratchFolder;

std::wstring wide(const std::string& utf8) {
  std::wstring result(utf8.size(), L'\0');
  const int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                      result.data(), static_cast<int>(result.size()));
  result.resize(static_cast<std::size_t>(n));
  return result;
}

std::vector<std::uint8_t> readAll(const std::string& path) {
  RegularFileReader file(FileSystem::system(), path);
  std::vector<std::uint8_t> bytes(file.size());
  std::size_t at = 0;
  while (at < bytes.size()) at += file.read(bytes.data() + at, bytes.size() - at);
  file.close();
  return bytes;
}

TEST(WindowsFileSystemTest, SavesAndReplacesUnderAnyNameLeavingNoTemporary) {
  ScratchFolder folder;
  // Backslashes, a nested folder made on the way, and names in Greek, Japanese and with an emoji;
  // CR LF bytes go through unchanged.
  const std::vector<std::uint8_t> first = {'a', '\r', '\n', 0, 0xFF, '\n'};
  const std::vector<std::uint8_t> second = {'\n', '\n', 'b'};
  for (const std::string name :
       {"plain.bin", "\xCE\xB3\xCF\x81\xCE\xB1\xCF\x86\xCE\xB9\xCE\xBA\xCE\xAC.bin",
        "\xE7\x94\xBB\xE5\x83\x8F.pack1", "\xF0\x9F\x8E\xA8 tiles.bin"}) {
    const std::string sub = folder.path() + "\\out\\\xC3\xA9t\xC3\xA9";
    makeDirectories(FileSystem::system(), sub);
    const std::string path = sub + "\\" + name;
    writeFileAtomically(FileSystem::system(), path, first);
    EXPECT_EQ(readAll(path), first) << name;
    writeFileAtomically(FileSystem::system(), path, second);
    EXPECT_EQ(readAll(path), second) << name;
    EXPECT_EQ(FileSystem::system().sizeOf(path), 3);
    // The file exists under its real Unicode name, and no temporary file is left beside it.
    EXPECT_NE(::GetFileAttributesW(wide(path).c_str()), INVALID_FILE_ATTRIBUTES) << name;
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileW(wide(sub + "\\*").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    int entries = 0;
    do {
      const std::wstring entry = found.cFileName;
      if (entry != L"." && entry != L"..") ++entries;
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    EXPECT_EQ(entries, 1) << name;
    ASSERT_EQ(FileSystem::system().remove(path), 0);
  }
}

TEST(WindowsFileSystemTest, SavesUnderADriveRelativeNameInThatDrivesCurrentFolder) {
  ScratchFolder folder;
  ASSERT_EQ(folder.path()[1], ':');  // the temporary folder's path starts with its drive
  wchar_t previous[MAX_PATH];
  ASSERT_GT(::GetCurrentDirectoryW(MAX_PATH, previous), 0u);
  ASSERT_TRUE(::SetCurrentDirectoryW(wide(folder.path()).c_str()));
  const std::string drive = folder.path().substr(0, 2);
  {
    // The temporary file is written in that folder too, not in the drive's root.
    AtomicFile file(FileSystem::system(), drive + "relative.bin");
    const std::set<std::string> names = folder.names();
    ASSERT_EQ(names.size(), 1u);
    EXPECT_TRUE(names.begin()->starts_with(".relative.bin.")) << *names.begin();
    file.write(std::vector<std::uint8_t>{4});
    file.commit();
  }
  ::SetCurrentDirectoryW(previous);
  EXPECT_EQ(folder.names(), std::set<std::string>{"relative.bin"});
}

TEST(WindowsFileSystemTest, RefusesReadOnlyTargetsAndExistingOnesWhenAskedTo) {
  ScratchFolder folder;
  const std::string path = folder.write("kept.bin", {1, 2, 3});
  ASSERT_TRUE(::SetFileAttributesW(wide(path).c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(FileSystem::system().mayWrite(path), -EACCES);
  try {
    writeFileAtomically(FileSystem::system(), path, std::vector<std::uint8_t>{9});
    ADD_FAILURE() << "a read-only file was replaced";
  } catch (const IoError& error) {
    EXPECT_EQ(error.kind(), IoErrorKind::kAccessDenied);
  }
  ASSERT_TRUE(::SetFileAttributesW(wide(path).c_str(), FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(readAll(path), (std::vector<std::uint8_t>{1, 2, 3}));

  EXPECT_THROW(writeFileAtomically(FileSystem::system(), path, std::vector<std::uint8_t>{9},
                                   Overwrite::kRefuse),
               IoError);
  EXPECT_EQ(readAll(path), (std::vector<std::uint8_t>{1, 2, 3}));
  EXPECT_EQ(folder.names().size(), 1u);
}

TEST(WindowsFileSystemTest, CommitGivesReadOnlyModeAndModificationTime) {
  ScratchFolder folder;
  const std::string path = folder.file("dated.bin");
  AtomicFile file(FileSystem::system(), path);
  file.write(std::vector<std::uint8_t>{7, 7});
  file.commit(0444, timespec{1'000'000'000, 0});  // 2001-09-09 01:46:40 UTC
  EXPECT_EQ(FileSystem::system().permissionsOf(path), 0444);
  WIN32_FILE_ATTRIBUTE_DATA data{};
  ASSERT_TRUE(::GetFileAttributesExW(wide(path).c_str(), GetFileExInfoStandard, &data));
  const FILETIME& written = data.ftLastWriteTime;
  const std::uint64_t ticks = (std::uint64_t{written.dwHighDateTime} << 32) | written.dwLowDateTime;
  EXPECT_EQ(ticks, (1'000'000'000ull + 11'644'473'600ull) * 10'000'000ull);
  ::SetFileAttributesW(wide(path).c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(WindowsFileSystemTest, ReadsOnlyDiskFiles) {
  ScratchFolder folder;
  FileSystem& fs = FileSystem::system();
  EXPECT_EQ(fs.openRegular(folder.path()), -EACCES);  // a folder
  EXPECT_EQ(fs.openRegular("NUL"), -EACCES);          // a device
  EXPECT_EQ(fs.openRegular(folder.file("missing")), -ENOENT);
  EXPECT_EQ(fs.openRegular(std::string("bad\xFF.bin")), -EINVAL);  // not UTF-8
  EXPECT_EQ(fs.isDirectory(folder.path()), 1);
}

TEST(WindowsFileSystemTest, PathsSplitAtEitherSlashAndKeepTheirDrive) {
  struct Case {
    const char* path;
    const char* parent;
    const char* name;
  };
  for (const Case& c : {Case{"C:\\gfx\\font.bin", "C:\\gfx", "font.bin"},
                        Case{"C:\\font.bin", "C:\\", "font.bin"},
                        Case{"C:/gfx/font.bin", "C:/gfx", "font.bin"},
                        Case{"C:font.bin", "C:", "font.bin"},
                        Case{"\\font.bin", "\\", "font.bin"},
                        Case{"gfx\\sub/font.bin", "gfx\\sub", "font.bin"},
                        Case{"C:\\gfx\\\\", "C:\\", "gfx"},
                        Case{"C:\\", "C:\\", ""},
                        Case{"font.bin", ".", "font.bin"}}) {
    EXPECT_EQ(detail::parentFolder(c.path), c.parent) << c.path;
    EXPECT_EQ(detail::lastName(c.path), c.name) << c.path;
  }
  EXPECT_EQ(detail::childPath("C:", "x"), "C:x");
  EXPECT_EQ(detail::childPath("C:\\gfx", "x"), "C:\\gfx\\x");
}

}  // namespace
}  // namespace ravlin
