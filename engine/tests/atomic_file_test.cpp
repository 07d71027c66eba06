// Saving through AtomicFile keeps what the file it replaces had: its mode, its links, its
// protection against writing, and, until the new one is safely on the device, the old bytes.
#include "ravlin/atomic_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "fault_injecting_file_system.h"
#include "ravlin/scratch_folder.h"
#include "thrown_message.h"

namespace ravlin {
namespace {

using testing::FaultInjectingFileSystem;
using testing::FsCall;
using testing::ScratchFolder;
using testing::thrownMessage;

const std::vector<std::uint8_t> kOld = {'o', 'l', 'd'};
const std::vector<std::uint8_t> kNew = {'n', 'e', 'w', '!'};

struct stat statusOf(const std::string& path) {
  struct stat info {};
  ::stat(path.c_str(), &info);
  return info;
}

TEST(AtomicFileTest, GivesTheRightModeAndFlushesOnlyWhenReplacing) {
  const struct {
    std::optional<mode_t> existing;
    mode_t umask;
    std::optional<mode_t> given;
    mode_t expected;
  } cases[] = {
      {std::nullopt, 022, std::nullopt, 0644},
      {std::nullopt, 027, std::nullopt, 0640},
      {0640, 022, std::nullopt, 0640},
      {0755, 077, std::nullopt, 0755},
      {0600, 022, 0604, 0604},
      {std::nullopt, 022, 0600, 0600},
  };
  for (const auto& c : cases) {
    ScratchFolder folder;
    const std::string target = folder.file("out");
    if (c.existing) {
      folder.write("out", kOld);
      std::filesystem::permissions(target, std::filesystem::perms(*c.existing));
    }
    const mode_t oldMask = ::umask(c.umask);
    FaultInjectingFileSystem fs;
    AtomicFile file(fs, target);
    file.write({kNew.data(), 1});
    file.write({kNew.data() + 1, kNew.size() - 1});
    // Nobody else may read the bytes before they have their final mode.
    EXPECT_EQ(statusOf(file.temporaryPath()).st_mode & 07777, 0600u);
    file.commit(c.given, timespec{1'000'000'000, 123'456'789});
    ::umask(oldMask);

    const std::string where = "mode " + std::to_string(c.expected);
    EXPECT_EQ(folder.read("out"), kNew) << where;
    EXPECT_EQ(statusOf(target).st_mode & 07777, c.expected) << where;
    EXPECT_EQ(statusOf(target).st_mtim.tv_nsec, 123'456'789) << where;
    const int flushes = c.existing ? 1 : 0;
    EXPECT_EQ(fs.calls(FsCall::kSync), flushes) << where;
    EXPECT_EQ(fs.calls(FsCall::kSyncFolder), flushes) << where;
    EXPECT_EQ(folder.names(), std::set<std::string>{"out"}) << where;
  }
}

TEST(AtomicFileTest, SkippedBytesReadBackAsZerosAndHolesAtTheEndStillCount) {
  const struct {
    const char* name;
    std::vector<std::uint64_t> pieces;  // alternately bytes written ('x') and bytes skipped
  } cases[] = {
      {"hole between writes", {3, 8192, 2}},
      {"hole at the end", {1, 10000}},
      {"only a hole", {0, 4096}},
      {"two holes in a row", {5, 4096, 0, 4096, 1}},
  };
  for (const auto& c : cases) {
    ScratchFolder folder;
    std::vector<std::uint8_t> expected;
    {
      AtomicFile file(FileSystem::system(), folder.file("out"));
      for (std::size_t i = 0; i < c.pieces.size(); ++i) {
        const std::vector<std::uint8_t> bytes(c.pieces[i], i % 2 == 0 ? 'x' : 0);
        expected.insert(expected.end(), bytes.begin(), bytes.end());
        if (i % 2 == 0) {
          file.write(bytes);
        } else {
          file.skip(bytes.size());
        }
      }
      file.commit();
    }
    EXPECT_EQ(folder.read("out"), expected) << c.name;
  }
}

TEST(AtomicFileTest, AnUncommittedFileLeavesTheTargetAsItWas) {
  ScratchFolder folder;
  folder.write("out", kOld);
  {
    AtomicFile file(FileSystem::system(), folder.file("out"));
    file.write(kNew);
    EXPECT_EQ(folder.names().size(), 2u);
  }
  EXPECT_EQ(folder.read("out"), kOld);
  EXPECT_EQ(folder.names(), std::set<std::string>{"out"});
}

// Root may write anything, so a refusal is injected for it; the same test runs for real as an
// ordinary user (see the CMake file).
TEST(AtomicFileTest, RefusesAFileThisUserMayNotWriteBeforeWritingAnything) {
  ScratchFolder folder;
  const std::string target = folder.write("out", kOld);
  std::filesystem::permissions(target, std::filesystem::perms(0444));
  FaultInjectingFileSystem fs;
  if (::geteuid() == 0) fs.failAt(FsCall::kMayWrite, 1, EACCES);
  EXPECT_EQ(thrownMessage([&] { AtomicFile file(fs, target); }), "File access denied");
  EXPECT_EQ(fs.calls(FsCall::kCreateNew), 0);
  EXPECT_EQ(folder.read("out"), kOld);
  EXPECT_EQ(folder.names(), std::set<std::string>{"out"});
}

TEST(AtomicFileTest, WritesThroughSymbolicLinksAndKeepsThem) {
  const struct {
    std::vector<std::pair<std::string, std::string>> links;  // name, text; "@" is the folder
    const char* written;
    const char* message;
  } cases[] = {
      {{{"out", "data/real"}}, "data/real", ""},
      {{{"out", "@/data/real"}}, "data/real", ""},
      {{{"out", "data/hop"}, {"data/hop", "real"}}, "data/real", ""},
      {{{"out", "data/new"}}, "data/new", ""},
      {{{"out", "hop"}, {"hop", "out"}}, "", "I/O error 40"},
  };
  for (const auto& c : cases) {
    ScratchFolder folder;
    std::filesystem::create_directory(folder.file("data"));
    folder.write("data/real", kOld);
    std::filesystem::permissions(folder.file("data/real"), std::filesystem::perms(0640));
    for (const auto& [name, text] : c.links) {
      const std::string linkText = text[0] == '@' ? folder.path() + text.substr(1) : text;
      std::filesystem::create_symlink(linkText, folder.file(name));
    }
    const std::string where = c.links.front().second;
    const std::string message = thrownMessage([&] {
      AtomicFile file(FileSystem::system(), folder.file("out"));
      // Beside the real file, so that the rename never crosses file systems.
      EXPECT_EQ(std::filesystem::path(file.temporaryPath()).parent_path(), folder.file("data"));
      file.write(kNew);
      file.commit();
    });
    EXPECT_EQ(message, c.message) << where;
    if (message.empty()) {
      EXPECT_EQ(folder.read(c.written), kNew) << where;
      EXPECT_TRUE(std::filesystem::is_symlink(folder.file("out"))) << where;
      EXPECT_EQ(statusOf(folder.file("data/real")).st_mode & 07777, 0640u) << where;
    }
    for (const auto& entry : std::filesystem::directory_iterator(folder.file("data"))) {
      EXPECT_NE(entry.path().filename().string()[0], '.') << where;  // no temporary left
    }
  }
}

}  // namespace
}  // namespace ravlin
