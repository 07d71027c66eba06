// Failing every file call of a run, one at a time, with each kind of error: the run reports the
// right message, closes what it opened, and never damages an existing file or leaves a temporary.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "fault_injecting_file_system.h"
#include "ravlin/byte_buffer.h"
#include "ravlin/engine.h"
#include "ravlin/file_system.h"
#include "ravlin/scratch_folder.h"
#include "recording_host.h"
#include "thrown_message.h"

namespace ravlin {
namespace {

using testing::FaultInjectingFileSystem;
using testing::FsCall;
using testing::fsCallName;
using testing::RecordingHost;
using testing::ScratchFolder;
using testing::thrownMessage;

struct InjectedError {
  int err;
  const char* message;  // for a path whose folder exists
};

constexpr InjectedError kErrors[] = {
    {ENOENT, "File not found"},      {EACCES, "File access denied"}, {ENOSPC, "Disk full"},
    {EMFILE, "Too many open files"}, {EIO, "I/O error 5"},
};

// Small transfers split every file into several reads and writes, so that faults land at the
// start, in the middle and at the end of a transfer.
constexpr std::size_t kTransferLimit = 64;

std::vector<std::uint8_t> sampleInput() {
  std::vector<std::uint8_t> bytes;
  for (int i = 0; i < 300; ++i) {
    bytes.push_back(static_cast<std::uint8_t>(i % 7 == 0 ? 0x41 : i / 40));
  }
  return bytes;
}

std::vector<std::uint8_t> packed(Method method, const std::vector<std::uint8_t>& input) {
  ByteBuffer out;
  QuietHost quiet;
  pack(method, input, out, quiet);
  return {out.data(), out.data() + out.size()};
}

template <typename T>
bool isPrefix(const std::vector<T>& prefix, const std::vector<T>& whole) {
  return prefix.size() <= whole.size() && std::equal(prefix.begin(), prefix.end(), whole.begin());
}

struct EngineRun {
  const char* name;
  void (Engine::*routine)(Host&);
  Method method;
  bool packing;
};

constexpr EngineRun kRuns[] = {
    {"PackI", &Engine::PackI, Method::kI, true},
    {"PackII", &Engine::PackII, Method::kII, true},
    {"UnpackI", &Engine::UnpackI, Method::kI, false},
    {"UnpackII", &Engine::UnpackII, Method::kII, false},
};

TEST(FaultInjectionTest, EngineRunsReportEveryFailureAndCloseTheInput) {
  ScratchFolder folder;
  for (const EngineRun& run : kRuns) {
    const std::vector<std::uint8_t> input =
        run.packing ? sampleInput() : packed(run.method, sampleInput());
    const std::string path = folder.write("input.bin", input);

    FaultInjectingFileSystem clean;
    clean.limitTransfers(kTransferLimit);
    Engine cleanEngine(clean);
    RecordingHost cleanHost(Reporting::kEveryBlock, path);
    (cleanEngine.*run.routine)(cleanHost);
    const std::vector<std::uint8_t> cleanOutput(
        cleanEngine.outputBuffer().data(),
        cleanEngine.outputBuffer().data() + cleanEngine.outputBuffer().size());
    ASSERT_GT(clean.calls(FsCall::kRead), 2) << run.name;

    for (int kind = 0; kind < static_cast<int>(FsCall::kCount); ++kind) {
      const auto call = static_cast<FsCall>(kind);
      for (int nth = 1; nth <= clean.calls(call); ++nth) {
        for (const InjectedError& error : kErrors) {
          FaultInjectingFileSystem fs;
          fs.limitTransfers(kTransferLimit);
          fs.failAt(call, nth, error.err);
          Engine engine(fs);
          RecordingHost host(Reporting::kEveryBlock, path);
          const std::string where = std::string(run.name) + ", " + fsCallName(call) + " #" +
                                    std::to_string(nth) + ", errno " + std::to_string(error.err);

          const std::string message = thrownMessage([&] { (engine.*run.routine)(host); });
          const ByteBuffer& out = engine.outputBuffer();
          EXPECT_EQ(message, error.message) << where;
          EXPECT_EQ(fs.openDescriptors(), 0u) << where;
          EXPECT_EQ(engine.currentInputPath(), path) << where;
          EXPECT_TRUE(isPrefix(host.calls, cleanHost.calls)) << where;
          EXPECT_TRUE(
              isPrefix(std::vector<std::uint8_t>(out.data(), out.data() + out.size()), cleanOutput))
              << where;
        }
      }
    }
    EXPECT_EQ(folder.read("input.bin"), input) << run.name;
    EXPECT_EQ(folder.names(), std::set<std::string>{"input.bin"}) << run.name;
  }
}

struct SaveCase {
  const char* name;
  std::optional<std::vector<std::uint8_t>> existing;
  Overwrite overwrite;
};

// A save of 1000 bytes, over an existing file or into a free name, replacing or refusing.
TEST(FaultInjectionTest, AtomicWritesLeaveTheTargetWholeAndNoTemporary) {
  const std::vector<std::uint8_t> bytes = sampleInput();
  const std::vector<std::uint8_t> old = {'o', 'l', 'd'};
  const SaveCase cases[] = {
      {"replace existing", old, Overwrite::kReplace},
      {"replace nothing", std::nullopt, Overwrite::kReplace},
      {"refuse nothing", std::nullopt, Overwrite::kRefuse},
      {"refuse existing", old, Overwrite::kRefuse},
  };
  for (const SaveCase& c : cases) {
    ScratchFolder folder;
    if (c.existing) folder.write("out.pack1", *c.existing);
    const std::string target = folder.file("out.pack1");

    FaultInjectingFileSystem clean;
    clean.limitTransfers(kTransferLimit);
    const std::string cleanMessage =
        thrownMessage([&] { writeFileAtomically(clean, target, bytes, c.overwrite); });
    const std::vector<std::uint8_t> cleanResult = folder.read("out.pack1");
    for (int kind = 0; kind < static_cast<int>(FsCall::kCount); ++kind) {
      const auto call = static_cast<FsCall>(kind);
      for (int nth = 1; nth <= clean.calls(call); ++nth) {
        for (const InjectedError& error : kErrors) {
          if (c.existing) {
            folder.write("out.pack1", *c.existing);
          } else {
            std::filesystem::remove(target);
          }
          FaultInjectingFileSystem fs;
          fs.limitTransfers(kTransferLimit);
          fs.failAt(call, nth, error.err);
          const std::string where = std::string(c.name) + ", " + fsCallName(call) + " #" +
                                    std::to_string(nth) + ", errno " + std::to_string(error.err);

          const std::string message =
              thrownMessage([&] { writeFileAtomically(fs, target, bytes, c.overwrite); });
          EXPECT_EQ(fs.openDescriptors(), 0u) << where;
          if (error.err == ENOENT &&
              (call == FsCall::kPermissionsOf || call == FsCall::kReadLink)) {
            // "No such file" and "no link" are answers, not failures: the rename still decides.
            EXPECT_EQ(message, cleanMessage) << where;
            EXPECT_EQ(folder.read("out.pack1"), cleanResult) << where;
          } else if (call == FsCall::kSyncFolder) {
            // The folder is flushed after the rename: the new file is already in place.
            EXPECT_EQ(message, error.message) << where;
            EXPECT_EQ(folder.read("out.pack1"), bytes) << where;
          } else {
            EXPECT_EQ(message, error.message) << where;
            if (c.existing) {
              EXPECT_EQ(folder.read("out.pack1"), *c.existing) << where;
            } else {
              EXPECT_FALSE(std::filesystem::exists(target)) << where;
            }
          }
          const std::set<std::string> expectedNames = std::filesystem::exists(target)
                                                          ? std::set<std::string>{"out.pack1"}
                                                          : std::set<std::string>{};
          EXPECT_EQ(folder.names(), expectedNames) << where;
        }
      }
    }
  }
}

TEST(FaultInjectionTest, FolderCreationReportsEveryFailure) {
  for (const InjectedError& error : kErrors) {
    if (error.err == ENOENT) continue;    // means "make the parent first", not a failure
    for (int nth = 1; nth <= 5; ++nth) {  // a/b/c: two tries find no parent, three make a folder
      ScratchFolder folder;
      FaultInjectingFileSystem fs;
      fs.failAt(FsCall::kMakeDirectory, nth, error.err);
      EXPECT_EQ(thrownMessage([&] { makeDirectories(fs, folder.file("a/b/c")); }), error.message)
          << "mkdir #" << nth << ", errno " << error.err;
      EXPECT_FALSE(std::filesystem::exists(folder.file("a/b/c")));
    }
  }
}

}  // namespace
}  // namespace ravlin
