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

mode_t modeOf(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return 0;
  return info.st_mode & 07777;
}

// Hidden files anywhere in the folder: what a temporary file left behind would be.
int temporaries(const ScratchFolder& folder) {
  int count = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder.path())) {
    count += entry.path().filename().string().starts_with('.') ? 1 : 0;
  }
  return count;
}

// Sets the umask for one test case and puts the old one back.
class UmaskScope {
 public:
  explicit UmaskScope(mode_t mask) : old_(::umask(mask)) {}
  ~UmaskScope() { ::umask(old_); }

 private:
  mode_t old_;
};

TEST(AtomicFileTest, GivesTheRightModeAndFlushesOnlyWhenReplacing) {
  const struct {
    const char* name;
    std::optional<mode_t> existing;
    mode_t umask;
    std::optional<mode_t> given;
    mode_t expected;
  } cases[] = {
      {"new name, umask 022", std::nullopt, 022, std::nullopt, 0644},
      {"new name, umask 027", std::nullopt, 027, std::nullopt, 0640},
      {"replaces 0640", 0640, 022, std::nullopt, 0640},
      {"replaces 0755", 0755, 077, std::nullopt, 0755},
      {"given mode over a file", 0600, 022, 0604, 0604},
      {"given mode for a new name", std::nullopt, 022, 0600, 0600},
  };
  for (const auto& c : cases) {
    ScratchFolder folder;
    const std::string target = folder.file("out");
    if (c.existing) {
      folder.write("out", kOld);
      std::filesystem::permissions(target, std::filesystem::perms(*c.existing));
    }
    UmaskScope umask(c.umask);
    FaultInjectingFileSystem fs;
    AtomicFile file(fs, target);
    file.write({kNew.data(), 1});
    file.write({kNew.data() + 1, kNew.size() - 1});
    EXPECT_EQ(modeOf(file.temporaryPath()), 0600u) << c.name;  // private while it is written
    file.commit(c.given);

    EXPECT_EQ(folder.read("out"), kNew) << c.name;
    EXPECT_EQ(modeOf(target), c.expected) << c.name;
    const int flushes = c.existing ? 1 : 0;
    EXPECT_EQ(fs.calls(FsCall::kSync), flushes) << c.name;
    EXPECT_EQ(fs.calls(FsCall::kSyncFolder), flushes) << c.name;
    EXPECT_EQ(folder.names(), std::set<std::string>{"out"}) << c.name;
  }
}

TEST(AtomicFileTest, SetsAGivenModificationTime) {
  ScratchFolder folder;
  AtomicFile file(FileSystem::system(), folder.file("out"));
  file.commit(std::nullopt, timespec{1'000'000'000, 123'456'789});
  struct stat info {};
  ASSERT_EQ(::stat(folder.file("out").c_str(), &info), 0);
  EXPECT_EQ(info.st_mtim.tv_sec, 1'000'000'000);
  EXPECT_EQ(info.st_mtim.tv_nsec, 123'456'789);
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

// Root may write anything, so a refusal is injected here; the same test runs for real as an
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
    const char* name;
    std::vector<std::pair<std::string, std::string>> links;  // name, text
    const char* message;
  } cases[] = {
      {"relative link", {{"out", "data/real"}}, ""},
      {"absolute link", {{"out", "@/data/real"}}, ""},
      {"chain of links", {{"out", "hop"}, {"hop", "data/real"}}, ""},
      {"link into a link's folder", {{"out", "data/hop"}, {"data/hop", "real"}}, ""},
      {"link to a missing file", {{"out", "data/new"}}, ""},
      {"loop", {{"out", "hop"}, {"hop", "out"}}, "I/O error 40"},
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
    const std::string written = c.links.back().second.ends_with("new") ? "data/new" : "data/real";

    const std::string message = thrownMessage([&] {
      AtomicFile file(FileSystem::system(), folder.file("out"));
      EXPECT_EQ(std::filesystem::path(file.temporaryPath()).parent_path(), folder.file("data"))
          << c.name;
      file.write(kNew);
      file.commit();
    });
    EXPECT_EQ(message, c.message) << c.name;
    if (message.empty()) {
      EXPECT_EQ(folder.read(written), kNew) << c.name;
      EXPECT_TRUE(std::filesystem::is_symlink(folder.file("out"))) << c.name;
      if (written == "data/real") {
        EXPECT_EQ(modeOf(folder.file(written)), 0640u) << c.name;
      }
    }
    EXPECT_EQ(temporaries(folder), 0) << c.name;
  }
}

}  // namespace
}  // namespace ravlin
