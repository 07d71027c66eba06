// Reading files in pieces, replacing files atomically and creating folders through the file layer.
#include "ravlin/file_system.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <vector>

#include "fault_injecting_file_system.h"
#include "ravlin/byte_buffer.h"
#include "ravlin/scratch_folder.h"
#include "thrown_message.h"

namespace ravlin {
namespace {

using testing::FaultInjectingFileSystem;
using testing::FsCall;
using testing::ScratchFolder;
using testing::thrownMessage;

constexpr std::size_t kMiB = std::size_t{1} << 20;

std::vector<std::uint8_t> pattern(std::size_t size) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 31 + i / 251);
  return bytes;
}

// Every byte of the file at `path`, read through RegularFileReader in pieces of `piece` bytes.
std::vector<std::uint8_t> readThrough(FileSystem& fs, const std::string& path,
                                      std::size_t piece = kMiB) {
  RegularFileReader file(fs, path);
  std::vector<std::uint8_t> bytes;
  std::vector<std::uint8_t> buffer(piece);
  while (const std::size_t n = file.read(buffer.data(), buffer.size())) {
    bytes.insert(bytes.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(n));
  }
  file.close();
  return bytes;
}

TEST(RegularFileReaderTest, ReadsFilesOfEverySize) {
  ScratchFolder folder;
  for (const std::size_t size :
       {std::size_t{0}, std::size_t{1}, std::size_t{4097}, 8 * kMiB - 1, 8 * kMiB, 17 * kMiB + 3}) {
    const std::vector<std::uint8_t> bytes = pattern(size);
    const std::string path = folder.write("in.bin", bytes);
    EXPECT_EQ(readThrough(FileSystem::system(), path), bytes) << size << " bytes";
  }
}

// The size reported when the file is opened is only a hint: the file may have grown or shrunk,
// and reads may come back short.
TEST(RegularFileReaderTest, ReadsToTheEndWhateverSizeWasReported) {
  ScratchFolder folder;
  const std::vector<std::uint8_t> bytes = pattern(200'000);
  const std::string path = folder.write("in.bin", bytes);
  const struct {
    std::int64_t skew;
    std::size_t transferLimit;
  } cases[] = {{0, 1000}, {-150'000, SIZE_MAX}, {-200'000, 4096}, {+100'000, SIZE_MAX}, {+1, 7}};
  for (const auto& c : cases) {
    FaultInjectingFileSystem fs;
    fs.skewSizes(c.skew);
    fs.limitTransfers(c.transferLimit);
    EXPECT_EQ(readThrough(fs, path), bytes) << "skew " << c.skew << ", limit " << c.transferLimit;
    EXPECT_EQ(fs.openDescriptors(), 0u);
  }
}

TEST(RegularFileReaderTest, ReportsWhatCannotBeRead) {
  ScratchFolder folder;
  const std::pair<std::string, const char*> cases[] = {
      {folder.file("missing"), "File not found"},
      {folder.file("none/missing"), "Invalid filename"},
      {folder.path(), "File access denied"},  // only regular files are read
  };
  for (const auto& c : cases) {
    FaultInjectingFileSystem fs;
    EXPECT_EQ(thrownMessage([&] { readThrough(fs, c.first); }), c.second) << c.first;
    EXPECT_EQ(fs.openDescriptors(), 0u) << c.first;
  }
}

TEST(WriteFileAtomicallyTest, CreatesAndReplacesFilesWithoutLeavingTemporaries) {
  ScratchFolder folder;
  const std::string target = folder.file("out.pack1");
  for (const std::size_t size : {std::size_t{5}, std::size_t{0}, 9 * kMiB + 1, std::size_t{1}}) {
    const std::vector<std::uint8_t> bytes = pattern(size);
    writeFileAtomically(FileSystem::system(), target, bytes);
    EXPECT_EQ(folder.read("out.pack1"), bytes) << size << " bytes";
    EXPECT_EQ(folder.names(), std::set<std::string>{"out.pack1"});
  }
}

TEST(WriteFileAtomicallyTest, LoopsOnShortWrites) {
  ScratchFolder folder;
  FaultInjectingFileSystem fs;
  fs.limitTransfers(7);
  const std::vector<std::uint8_t> bytes = pattern(100);
  writeFileAtomically(fs, folder.file("out"), bytes);
  EXPECT_EQ(folder.read("out"), bytes);
  EXPECT_EQ(fs.calls(FsCall::kWrite), 15);
  EXPECT_EQ(fs.openDescriptors(), 0u);
}

TEST(WriteFileAtomicallyTest, RefusesAnExistingTargetWhenAsked) {
  ScratchFolder folder;
  const std::vector<std::uint8_t> old = {1, 2, 3};
  folder.write("out", old);
  EXPECT_EQ(thrownMessage([&] {
              writeFileAtomically(FileSystem::system(), folder.file("out"), pattern(10),
                                  Overwrite::kRefuse);
            }),
            "I/O error 17");
  EXPECT_EQ(folder.read("out"), old);
  EXPECT_EQ(folder.names(), std::set<std::string>{"out"});

  writeFileAtomically(FileSystem::system(), folder.file("new"), pattern(10), Overwrite::kRefuse);
  EXPECT_EQ(folder.read("new"), pattern(10));
}

// When the target shows up between the early check and the rename, the rename still refuses it.
TEST(WriteFileAtomicallyTest, RefusesATargetThatAppearsDuringTheWrite) {
  ScratchFolder folder;
  const std::vector<std::uint8_t> late = {9, 9};
  FaultInjectingFileSystem fs;
  fs.beforeCall([&](FsCall call) {
    if (call == FsCall::kRenameNoReplace) folder.write("out", late);
  });
  EXPECT_EQ(thrownMessage([&] {
              writeFileAtomically(fs, folder.file("out"), pattern(4), Overwrite::kRefuse);
            }),
            "I/O error 17");
  EXPECT_EQ(folder.read("out"), late);
  EXPECT_EQ(folder.names(), std::set<std::string>{"out"});
  EXPECT_EQ(fs.openDescriptors(), 0u);
}

TEST(WriteFileAtomicallyTest, ReportsAMissingFolder) {
  ScratchFolder folder;
  EXPECT_EQ(thrownMessage([&] {
              writeFileAtomically(FileSystem::system(), folder.file("none/out"), pattern(3));
            }),
            "Invalid filename");
  EXPECT_EQ(folder.names(), std::set<std::string>{});
}

TEST(WriteFileAtomicallyTest, KeepsTemporaryNamesWithinTheNameLimit) {
  ScratchFolder folder;
  const std::string name(250, 'n');
  writeFileAtomically(FileSystem::system(), folder.file(name), pattern(3));
  EXPECT_EQ(folder.read(name), pattern(3));
  EXPECT_EQ(folder.names(), std::set<std::string>{name});
}

TEST(MakeDirectoriesTest, CreatesMissingFoldersAndAcceptsExistingOnes) {
  ScratchFolder folder;
  const std::string cases[] = {
      folder.file("a"),
      folder.file("a"),
      folder.file("b/c/d"),
      folder.file("b/c/d/"),
      folder.file("e//f/"),
      folder.path(),
      "/",
  };
  for (const std::string& path : cases) {
    makeDirectories(FileSystem::system(), path);
    EXPECT_TRUE(std::filesystem::is_directory(path)) << path;
  }
}

TEST(MakeDirectoriesTest, FailsWhenAFileIsInTheWay) {
  ScratchFolder folder;
  folder.write("file", {1});
  for (const std::string& path : {folder.file("file"), folder.file("file/sub")}) {
    EXPECT_EQ(thrownMessage([&] { makeDirectories(FileSystem::system(), path); }),
              "Invalid filename")
        << path;
  }
  EXPECT_EQ(folder.read("file"), std::vector<std::uint8_t>{1});
  EXPECT_EQ(thrownMessage([&] { makeDirectories(FileSystem::system(), ""); }), "Invalid filename");
}

TEST(RenameNoReplaceTest, RenamesOnlyOntoAFreeName) {
  ScratchFolder folder;
  FileSystem& fs = FileSystem::system();
  folder.write("a", {1});
  folder.write("b", {2});
  EXPECT_EQ(fs.renameNoReplace(folder.file("a"), folder.file("b")), -EEXIST);
  EXPECT_EQ(folder.read("a"), std::vector<std::uint8_t>{1});
  EXPECT_EQ(folder.read("b"), std::vector<std::uint8_t>{2});
  EXPECT_EQ(fs.renameNoReplace(folder.file("a"), folder.file("c")), 0);
  EXPECT_EQ(folder.names(), (std::set<std::string>{"b", "c"}));
  EXPECT_EQ(folder.read("c"), std::vector<std::uint8_t>{1});
}

}  // namespace
}  // namespace ravlin
