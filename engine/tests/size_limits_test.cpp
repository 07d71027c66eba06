// Inputs at the size limits, through the command-line tool: sparse files just over 4 GiB and of
// 2 GiB + 2 bytes are packed and unpacked by ravlin-cli; the test checks the stream from its
// first to its last block, the unpacked bytes, the percentages the tool shows, and that the tool
// streams: its peak resident memory stays small whatever the input's size (not checked when the
// tool runs under an emulator). Skipped under the sanitizers, without the tool, and when memory
// or sparse files are lacking.
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <regex>
#include <span>
#include <string>
#include <vector>

#include "ravlin/byte_buffer.h"
#include "ravlin/engine.h"
#include "ravlin/reference.h"
#include "ravlin/scratch_folder.h"

#if defined(__SANITIZE_ADDRESS__)
#define RAVLIN_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define RAVLIN_SANITIZED 1
#endif
#endif

extern char** environ;

namespace ravlin {
namespace {

using testing::ScratchFolder;

constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;
// Distinct units at both ends, so that the first and last blocks are more than one long run.
const std::vector<std::uint8_t> kHead = {0x01, 0x02, 0x03, 0x03, 0x03, 0x03};
const std::vector<std::uint8_t> kTail = {0x07, 0x07, 0x09, 0x0A};
// The most resident memory the tool may use on any input: it holds pieces, never a whole file.
constexpr long kMaxResidentKiB = 16 * 1024;
// Measures a program's peak resident memory. A child started from this test starts life in the
// test's memory, and its own figure would count that; `time` starts it from a small process.
constexpr const char* kTimeProgram = "/usr/bin/time";

std::uint64_t availableMemory() {
  std::ifstream meminfo("/proc/meminfo");
  std::string key;
  std::string unit;
  std::uint64_t kib = 0;
  while (meminfo >> key >> kib >> unit) {
    if (key == "MemAvailable:") return kib * 1024;
  }
  return 0;
}

// A cross build's tests run the tool through a script that starts it under the emulator, and
// name that script here; the peak memory measured is then mostly the emulator's own.
const char* emulatedCli() {
  const char* script = std::getenv("RAVLIN_EMULATED_CLI");
  return script != nullptr && *script != '\0' ? script : nullptr;
}

// The tool sits beside this test in the build tree.
std::string cliPath() {
  if (const char* script = emulatedCli()) return script;
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  const std::filesystem::path cli = self.parent_path().parent_path() / "cli" / "ravlin-cli";
  return std::filesystem::exists(cli, error) ? cli.string() : std::string();
}

// A folder where holes cost nothing to read: tmpfs answers them without allocating pages.
std::string sparseFolder(const ScratchFolder& fallback) {
  struct stat info {};
  if (::stat("/dev/shm", &info) == 0 && S_ISDIR(info.st_mode) && ::access("/dev/shm", W_OK) == 0) {
    return "/dev/shm";
  }
  return fallback.path();
}

// Writes head, holes, tail; false when the file system stores the holes as real blocks.
bool writeSparse(const std::string& path, std::uint64_t size) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const auto tailAt = static_cast<off_t>(size - kTail.size());
  const bool written =
      ::pwrite(fd, kHead.data(), kHead.size(), 0) == static_cast<ssize_t>(kHead.size()) &&
      ::pwrite(fd, kTail.data(), kTail.size(), tailAt) == static_cast<ssize_t>(kTail.size());
  struct stat info {};
  const bool sparse = ::fstat(fd, &info) == 0 && info.st_blocks * 512 < 64 * 1024 * 1024;
  ::close(fd);
  return written && sparse;
}

class RemoveOnExit {
 public:
  explicit RemoveOnExit(std::string path) : path_(std::move(path)) {}
  RemoveOnExit(const RemoveOnExit&) = delete;
  RemoveOnExit& operator=(const RemoveOnExit&) = delete;
  ~RemoveOnExit() { ::unlink(path_.c_str()); }

 private:
  std::string path_;
};

struct CliResult {
  int exitStatus = -1;
  std::string errorText;      // what the tool wrote to standard error
  long peakResidentKiB = -1;  // unknown: fails the memory check
};

// Runs the tool under `time`; its standard output goes to `onOutput` piece by piece, its standard
// error to a file that is read back when it ends, and its peak memory to another.
CliResult runCli(std::vector<std::string> args, const std::string& errorFile,
                 const std::function<void(std::span<const std::uint8_t>)>& onOutput) {
  const std::string residentFile = errorFile + ".rss";
  args.insert(args.begin(), {kTimeProgram, "-f", "%M", "-o", residentFile});
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errorFile.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeFds[1]);
  CliResult result;
  if (spawned == 0) {
    std::vector<std::uint8_t> chunk(std::size_t{1} << 20);
    for (;;) {
      const ssize_t n = ::read(pipeFds[0], chunk.data(), chunk.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      onOutput({chunk.data(), static_cast<std::size_t>(n)});
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream resident(residentFile);
    resident >> result.peakResidentKiB;
  }
  ::close(pipeFds[0]);
  std::ifstream in(errorFile);
  result.errorText.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return result;
}

// The numbers of every progress line the tool drew: the bar's percentage and, when packing,
// the saving: the engine's whole percentage while the run goes on, the whole run's to one
// decimal on the final line.
struct ShownProgress {
  std::vector<long> percentages;
  std::vector<double> savings;
};

ShownProgress parseProgress(const std::string& text) {
  ShownProgress shown;
  static const std::regex kPercent(R"(\] +(-?\d+)%)");
  static const std::regex kSaved(R"(saved (-?\d+(\.\d)?)%)");
  std::smatch match;
  std::string line;
  for (const char c : text + "\n") {
    if (c != '\r' && c != '\n') {
      line += c;
      continue;
    }
    if (std::regex_search(line, match, kPercent)) shown.percentages.push_back(std::stol(match[1]));
    if (std::regex_search(line, match, kSaved)) shown.savings.push_back(std::stod(match[1]));
    line.clear();
  }
  return shown;
}

std::vector<std::uint8_t> readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Checks the unpacked bytes as they arrive: head, zeros, tail.
class UnpackedChecker {
 public:
  explicit UnpackedChecker(std::uint64_t size) : size_(size), tailAt_(size - kTail.size()) {}

  void take(std::span<const std::uint8_t> piece) {
    static const std::vector<std::uint8_t> kZeros(std::size_t{1} << 20, 0);
    std::size_t i = 0;
    while (i < piece.size() && ok_) {
      const std::uint64_t at = offset_ + i;
      if (at < kHead.size() || at >= tailAt_) {
        const std::uint8_t expected = at < kHead.size() ? kHead[at]
                                      : at < size_      ? kTail[at - tailAt_]
                                                        : 0;
        ok_ = at < size_ && piece[i] == expected;
        ++i;
      } else {
        const std::size_t zeros =
            static_cast<std::size_t>(std::min<std::uint64_t>(piece.size() - i, tailAt_ - at));
        ok_ = std::memcmp(piece.data() + i, kZeros.data(), zeros) == 0;
        i += zeros;
      }
    }
    offset_ += piece.size();
  }

  bool matches() const { return ok_ && offset_ == size_; }
  std::uint64_t received() const { return offset_; }

 private:
  std::uint64_t size_;
  std::uint64_t tailAt_;
  std::uint64_t offset_ = 0;
  bool ok_ = true;
};

struct SizeCase {
  const char* name;
  std::uint64_t size;
  Method method;
};

class SizeLimitsTest : public ::testing::TestWithParam<SizeCase> {};

TEST_P(SizeLimitsTest, PackAndUnpackThroughTheTool) {
#ifdef RAVLIN_SANITIZED
  GTEST_SKIP() << "too slow and too large under the sanitizers";
#endif
  const SizeCase& c = GetParam();
  const std::string cli = cliPath();
  if (cli.empty()) GTEST_SKIP() << "ravlin-cli is not built";
  ASSERT_EQ(::access(kTimeProgram, X_OK), 0)
      << kTimeProgram << " is missing: make deps installs it";
  if (availableMemory() < c.size + 2 * kGiB) GTEST_SKIP() << "not enough free memory";
  ScratchFolder folder;
  const std::string inputPath = sparseFolder(folder) + "/ravlin-size-" + std::to_string(::getpid());
  RemoveOnExit removeInput(inputPath);
  if (!writeSparse(inputPath, c.size)) GTEST_SKIP() << "no room for a sparse file";
  const std::string m = c.method == Method::kI ? "1" : "2";
  const auto u = static_cast<std::uint64_t>(unitSize(c.method));

  const std::string streamPath = folder.file("big.pack");
  const CliResult packed = runCli({cli, "pack", "-m", m, "--progress", "-o", streamPath, inputPath},
                                  folder.file("pack.err"), [](std::span<const std::uint8_t>) {});
  ASSERT_EQ(packed.exitStatus, 0) << packed.errorText;
  const bool memoryIsTheTools = emulatedCli() == nullptr;
  if (memoryIsTheTools) {
    EXPECT_TRUE(packed.peakResidentKiB >= 0 && packed.peakResidentKiB <= kMaxResidentKiB)
        << packed.peakResidentKiB << " KiB resident while packing";
  }
  const std::vector<std::uint8_t> stream = readFile(streamPath);

  // The same input with its zero run cut to two full repeat blocks and the same remainder: its
  // stream, from the literal packer, is the real one with fewer repeat blocks of zeros.
  const std::uint64_t zeroUnits = (c.size - kHead.size() - kTail.size()) / u;
  const std::uint64_t fullBlocks = zeroUnits / 127;
  std::vector<std::uint8_t> small(kHead);
  small.resize(kHead.size() + (2 * 127 + zeroUnits % 127) * u, 0);
  small.insert(small.end(), kTail.begin(), kTail.end());
  ByteBuffer smallStream;
  QuietHost quiet;
  reference::pack(c.method, small, smallStream, quiet);
  const std::vector<std::uint8_t> shortened(smallStream.data(),
                                            smallStream.data() + smallStream.size());
  std::vector<std::uint8_t> zeroBlock(1 + u, 0);
  zeroBlock[0] = 0xFF;
  const auto firstZeroBlock = static_cast<std::size_t>(
      std::search(shortened.begin(), shortened.end(), zeroBlock.begin(), zeroBlock.end()) -
      shortened.begin());
  ASSERT_LT(firstZeroBlock, shortened.size());

  ASSERT_EQ(stream.size(), shortened.size() + (fullBlocks - 2) * zeroBlock.size());
  const std::size_t runEnd = firstZeroBlock + fullBlocks * zeroBlock.size();
  EXPECT_TRUE(std::equal(shortened.begin(), shortened.begin() + firstZeroBlock, stream.begin()));
  for (std::size_t at = firstZeroBlock; at < runEnd; at += zeroBlock.size()) {
    ASSERT_TRUE(std::equal(zeroBlock.begin(), zeroBlock.end(), stream.begin() + at)) << at;
  }
  EXPECT_TRUE(std::equal(shortened.begin() + firstZeroBlock + 2 * zeroBlock.size(), shortened.end(),
                         stream.begin() + runEnd));

  // The savings shown never rise, and the last is that of the whole stream, to one decimal, as -v
  // gives it.
  const ShownProgress packProgress = parseProgress(packed.errorText);
  ASSERT_FALSE(packProgress.savings.empty()) << packed.errorText;
  ASSERT_FALSE(packProgress.percentages.empty());
  EXPECT_TRUE(std::is_sorted(packProgress.percentages.begin(), packProgress.percentages.end()));
  EXPECT_EQ(packProgress.percentages.back(), 100);
  EXPECT_TRUE(std::is_sorted(packProgress.savings.rbegin(), packProgress.savings.rend()));
  const double saved = 100.0 * (static_cast<double>(c.size) - static_cast<double>(stream.size())) /
                       static_cast<double>(c.size);
  EXPECT_NEAR(packProgress.savings.back(), saved, 0.05);

  UnpackedChecker checker(c.size);
  const CliResult unpacked =
      runCli({cli, "unpack", "-m", m, "--progress", "-c", streamPath}, folder.file("unpack.err"),
             [&](std::span<const std::uint8_t> piece) { checker.take(piece); });
  ASSERT_EQ(unpacked.exitStatus, 0) << unpacked.errorText;
  if (memoryIsTheTools) {
    EXPECT_TRUE(unpacked.peakResidentKiB >= 0 && unpacked.peakResidentKiB <= kMaxResidentKiB)
        << unpacked.peakResidentKiB << " KiB resident while unpacking";
  }
  EXPECT_TRUE(checker.matches()) << checker.received() << " bytes received";
  const ShownProgress unpackProgress = parseProgress(unpacked.errorText);
  ASSERT_FALSE(unpackProgress.percentages.empty()) << unpacked.errorText;
  EXPECT_TRUE(std::is_sorted(unpackProgress.percentages.begin(), unpackProgress.percentages.end()));
  EXPECT_EQ(unpackProgress.percentages.back(), 100);
}

INSTANTIATE_TEST_SUITE_P(
    Long, SizeLimitsTest,
    ::testing::Values(SizeCase{"FourGiBPlus2MethodI", 4 * kGiB + 2, Method::kI},
                      SizeCase{"TwoGiBPlus2MethodII", 2 * kGiB + 2, Method::kII}),
    [](const ::testing::TestParamInfo<SizeCase>& testInfo) {
      return std::string(testInfo.param.name);
    });

}  // namespace
}  // namespace ravlin
