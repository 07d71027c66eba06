// The mapping from errno values to the error kinds and messages users see.
#include "ravlin/io_error.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "ravlin/byte_buffer.h"
#include "ravlin/file_system.h"
#include "ravlin/scratch_folder.h"

namespace ravlin {
namespace {

using testing::ScratchFolder;

struct MappingCase {
  int err;
  IoErrorKind kind;
  std::string message;
};

TEST(IoErrorTest, MapsErrnoValuesToKindsAndMessages) {
  ScratchFolder folder;
  const std::string path = folder.file("file.bin");  // its folder exists
  const MappingCase cases[] = {
      {ENOENT, IoErrorKind::kFileNotFound, "File not found"},
      {ENOTDIR, IoErrorKind::kInvalidFilename, "Invalid filename"},
      {EMFILE, IoErrorKind::kTooManyOpenFiles, "Too many open files"},
      {ENFILE, IoErrorKind::kTooManyOpenFiles, "Too many open files"},
      {EACCES, IoErrorKind::kAccessDenied, "File access denied"},
      {EPERM, IoErrorKind::kAccessDenied, "File access denied"},
      {EROFS, IoErrorKind::kAccessDenied, "File access denied"},
      {ENOSPC, IoErrorKind::kDiskFull, "Disk full"},
#ifdef EDQUOT
      {EDQUOT, IoErrorKind::kDiskFull, "Disk full"},
#endif
      {ENOMEM, IoErrorKind::kOutOfMemory, "Out of memory"},
      {EIO, IoErrorKind::kOther, "I/O error 5"},
      {EEXIST, IoErrorKind::kOther, "I/O error 17"},
      {EISDIR, IoErrorKind::kOther, "I/O error 21"},
      // Its number is 36 on Linux and 38 on Windows.
      {ENAMETOOLONG, IoErrorKind::kOther, "I/O error " + std::to_string(ENAMETOOLONG)},
  };
  for (const MappingCase& c : cases) {
    const IoError error = IoError::fromErrno(c.err, path);
    EXPECT_EQ(error.kind(), c.kind) << "errno " << c.err;
    EXPECT_EQ(error.what(), c.message) << "errno " << c.err;
    EXPECT_EQ(error.systemError(), c.err);
  }
}

struct MissingCase {
  std::string path;
  IoErrorKind kind;
};

// ENOENT means a missing file when the folder that should hold it exists, and a missing folder
// on the way otherwise.
TEST(IoErrorTest, TellsMissingFileFromMissingFolder) {
  ScratchFolder folder;
  const MissingCase cases[] = {
      {folder.file("missing.bin"), IoErrorKind::kFileNotFound},
      {folder.path() + "//missing.bin", IoErrorKind::kFileNotFound},
      {folder.file("gone/missing.bin"), IoErrorKind::kInvalidFilename},
      {folder.file("gone/deeper/missing.bin"), IoErrorKind::kInvalidFilename},
      {"/ravlin-missing.bin", IoErrorKind::kFileNotFound},
      {"ravlin-missing.bin", IoErrorKind::kFileNotFound},  // the current folder exists
      {"", IoErrorKind::kInvalidFilename},
  };
  for (const MissingCase& c : cases) {
    EXPECT_EQ(IoError::fromErrno(ENOENT, c.path).kind(), c.kind) << '"' << c.path << '"';
  }
}

TEST(IoErrorTest, KindsWithoutErrnoHaveTheirMessages) {
  EXPECT_STREQ(IoError(IoErrorKind::kReadBeyondEnd).what(), "Read beyond end of file");
  EXPECT_STREQ(IoError(IoErrorKind::kOutOfMemory).what(), "Out of memory");
  EXPECT_EQ(ioErrorMessage(IoErrorKind::kOther, 32), "I/O error 32");
}

// The same rule applied to what the operating system really answers.
TEST(IoErrorTest, RealMissingPathsGiveTheirMessages) {
  ScratchFolder folder;
  folder.write("plain.bin", {1, 2, 3});
  const std::pair<std::string, const char*> cases[] = {
      {folder.file("missing.bin"), "File not found"},
      {folder.file("gone/missing.bin"), "Invalid filename"},
      {folder.file("plain.bin/inside.bin"), "Invalid filename"},  // ENOTDIR
  };
  for (const auto& [path, message] : cases) {
    try {
      RegularFileReader file(FileSystem::system(), path);
      ADD_FAILURE() << path << " was read";
    } catch (const IoError& error) {
      EXPECT_STREQ(error.what(), message) << path;
    }
  }
}

}  // namespace
}  // namespace ravlin
