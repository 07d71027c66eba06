// End-to-end tests of what users of gzip, zstd and lz4 expect of ravlin-cli: links and metadata of
// inputs, cut streams, signals, the terminal's width, tiny inputs, messages, pipes and devices,
// method detection, naming, and the options -t, -l, --rm, -r, --suffix and --no-sparse.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "cli_run_fixture.h"
#include "ravlin/datagen.h"

namespace ravlin::cli::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;

const std::string kSprite = toString(datagen::spriteBytes(20000, 7));

struct stat statOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
  return info;
}

// Every name of a file, a symbolic link to it and a hard link get their own output.
TEST_F(CliRun, LinkedInputsEachGetTheirOwnOutput) {
  put("b.bin", kSprite);
  std::filesystem::copy_file(at("b.bin"), at("a.bin"));
  std::filesystem::create_symlink("b.bin", at("c.bin"));
  std::filesystem::create_hard_link(at("b.bin"), at("d.bin"));

  const RunResult result = run({"pack", "-q", "a.bin", "b.bin", "c.bin", "d.bin", "./d.bin"});

  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_THAT(result.err, IsEmpty());
  for (const char* output : {"a.pack1", "b.pack1", "c.pack1", "d.pack1"}) {
    EXPECT_EQ(get(output), enginePack(Method::kI, kSprite)) << output;
  }
}

// Outputs take the input's permission bits and modification time; from standard input, the mode
// the umask gives.
TEST_F(CliRun, OutputsKeepTheInputsModeAndTime) {
  put("private.bin", kSprite);
  ASSERT_EQ(::chmod(at("private.bin").c_str(), 0600), 0);
  const timespec times[2] = {{0, UTIME_OMIT}, {1'234'567'890, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, at("private.bin").c_str(), times, 0), 0);

  ASSERT_EQ(run({"pack", "private.bin"}).status, 0);
  ASSERT_EQ(run({"unpack", "private.pack1"}).status, 0);
  ASSERT_EQ(run({"pack", "-o", "piped.pack1"}, kSprite).status, 0);

  for (const char* output : {"private.pack1", "private.unpack1"}) {
    const struct stat info = statOf(at(output));
    EXPECT_EQ(info.st_mode & 07777, 0600u) << output;
    EXPECT_EQ(info.st_mtim.tv_sec, 1'234'567'890) << output;
  }
  const mode_t mask = ::umask(0);
  ::umask(mask);
  EXPECT_EQ(statOf(at("piped.pack1")).st_mode & 07777, 0666 & ~mask);
}

// A stream that lacks its end marker unpacks with a warning; one with data after it is written as
// well, but fails, and says which method would fit it; -t fails both. -q hides the warning only.
TEST_F(CliRun, CutStreamsAndTrailingBytesAreReported) {
  const std::string stream = enginePack(Method::kI, kSprite);
  const struct {
    const char* name;
    std::string stream;
    std::string unpacked;
    int status;
    std::string warning;
  } cases[] = {
      {"no end marker", stream.substr(0, stream.size() - 1), kSprite, 0,
       "no end marker: the stream may be cut short"},
      {"cut between blocks", enginePack(Method::kI, "aaaab").substr(0, 2), "aaaa", 0,
       "no end marker: the stream may be cut short"},
      {"bytes after the marker", stream + "junk", kSprite, 1,
       "4 bytes after the end marker ignored; it is not a whole stream of either method"},
      {"a method II stream", enginePack(Method::kII, std::string("\5\0\5\0\5\0\7\0", 8)),
       std::string(3, '\5'), 1,
       "4 bytes after the end marker ignored; the stream is valid for method II only; give -m 2"},
  };
  for (const auto& c : cases) {
    put("in.pack1", c.stream);
    const RunResult unpacked = run({"unpack", "-c", "in.pack1"});
    EXPECT_EQ(unpacked.status, c.status) << c.name;
    EXPECT_EQ(unpacked.out, c.unpacked) << c.name;
    EXPECT_EQ(unpacked.err, "ravlin-cli: in.pack1: " + c.warning + "\n") << c.name;

    const RunResult quiet = run({"unpack", "-qc", "in.pack1"});
    EXPECT_THAT(quiet.err, IsEmpty()) << c.name;
    EXPECT_EQ(quiet.status, c.status) << c.name;
    const RunResult tested = run({"unpack", "-t", "in.pack1"});
    EXPECT_EQ(tested.status, 1) << c.name;
    EXPECT_THAT(tested.err, HasSubstr(c.warning)) << c.name;
  }
  // Zeros that round a stream up to a multiple of 4 bytes, as in ROM images, are no data.
  const std::string five = enginePack(Method::kI, "aaaab");
  ASSERT_EQ(five.size(), 5u);
  for (const auto& [sound, data] : {std::pair{stream, kSprite}, {five + std::string(3, '\0'), "aaaab"}}) {
    put("in.pack1", sound);
    const RunResult unpacked = run({"unpack", "-c", "in.pack1"});
    EXPECT_EQ(unpacked.status, 0) << unpacked.err;
    EXPECT_EQ(unpacked.out, data);
    EXPECT_THAT(unpacked.err, IsEmpty());
    const RunResult tested = run({"unpack", "-t", "in.pack1"});
    EXPECT_EQ(tested.status, 0) << tested.err;
    EXPECT_THAT(tested.out, IsEmpty());
  }
  EXPECT_EQ(scratch_.names(), std::vector<std::string>{"in.pack1"}) << "-t writes nothing";
}

// Ctrl-C, kill and a closed terminal remove the partial output and end with the signal's status.
TEST_F(CliRun, SignalsLeaveNoPartialOutput) {
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    RunRequest request{{"unpack", "-m1", "-o", "big.out"}, enginePack(Method::kI, kSprite)};
    request.afterInput = [&](pid_t child) {
      // The signal comes as soon as the temporary file appears, which is when a late record of
      // it for removal would let the file stay behind.
      for (int i = 0; i < 100'000 && scratch_.names().empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::microseconds(100));
      }
      EXPECT_EQ(scratch_.names().size(), 1u);
      ::kill(child, signal);
    };
    const RunResult result = run(request);
    EXPECT_FALSE(result.exited) << strsignal(signal);
    EXPECT_EQ(result.status, signal);
    EXPECT_EQ(scratch_.names(), std::vector<std::string>{}) << strsignal(signal);
  }
}

// The progress line fits the terminal: on 40 and 80 columns no line reaches the last column.
TEST_F(CliRun, ProgressFitsTheTerminal) {
  if (!terminalsAvailable()) GTEST_SKIP() << "no pseudo-terminals here";
  const std::string name = "a-rather-long-folder-name/and-a-long-file-name-for-the-sprites.bin";
  std::filesystem::create_directories(scratch_.path() / "a-rather-long-folder-name");
  put(name, kSprite);
  for (const int columns : {40, 80}) {
    RunRequest request{{"pack", "-f", "--progress", name}};
    request.stderrColumns = columns;
    const RunResult result = run(request);
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_THAT(result.err, HasSubstr("-for-the-sprites.bin ")) << "the end of the name is kept";
    std::size_t longest = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= result.err.size(); ++i) {
      if (i == result.err.size() || result.err[i] == '\r' || result.err[i] == '\n') {
        longest = std::max(longest, i - start);
        start = i + 1;
      }
    }
    EXPECT_LT(longest, static_cast<std::size_t>(columns)) << result.err;
  }
}

// A name with a line break and wide characters stays on its line, escaped and whole.
TEST_F(CliRun, ProgressEscapesNamesOnTheTerminal) {
  if (!terminalsAvailable()) GTEST_SKIP() << "no pseudo-terminals here";
  const std::string name = "two\nlines-\xe5\x90\x8d\xe5\x89\x8d.bin";  // U+540D U+524D
  put(name, kSprite);
  RunRequest request{{"pack", "-c", "--progress", name}};
  request.stderrColumns = 40;
  const RunResult result = run(request);
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_THAT(result.err, HasSubstr("two\\nlines-\xe5\x90\x8d\xe5\x89\x8d.bin "));
  EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << "only the final break";
}

// Empty and one-unit inputs pack to the streams the format has for them, and back.
TEST_F(CliRun, EmptyAndOneUnitInputsPack) {
  const struct {
    const char* method;
    std::string input;
    std::string stream;
  } cases[] = {
      {"1", "", std::string("\x00", 1)},
      {"1", "A", std::string("\x01" "A\x00", 3)},
      {"2", "", std::string("\x00", 1)},
      {"2", "AB", std::string("\x01" "AB\x00", 4)},
  };
  for (const auto& c : cases) {
    put("in.bin", c.input);
    const RunResult packed = run({"pack", "-f", "-m", c.method, "in.bin"});
    EXPECT_EQ(packed.status, 0) << packed.err;
    const std::string packedName = std::string("in.pack") + c.method;
    EXPECT_EQ(get(packedName), c.stream) << c.input;
    const RunResult unpacked = run({"unpack", "-c", packedName});
    EXPECT_EQ(unpacked.status, 0) << unpacked.err;
    EXPECT_EQ(unpacked.out, c.input);
  }
  // An empty stream has not even the end marker: nothing to unpack.
  put("empty.pack1", "");
  const RunResult empty = run({"unpack", "empty.pack1"});
  EXPECT_EQ(empty.status, 1);
  EXPECT_EQ(empty.err, "ravlin-cli: empty.pack1: is empty: a stream holds at least its end marker\n");
  EXPECT_FALSE(has("empty.unpack1"));
}

// Messages give the system's words and what is at fault.
TEST_F(CliRun, MessagesSayWhatIsAtFault) {
  put("in.bin", kSprite);
  put("odd.bin", "abc");
  put("file", "x");
  std::filesystem::create_symlink("loop2", at("loop1"));
  std::filesystem::create_symlink("loop1", at("loop2"));
  std::filesystem::create_symlink("nodir/x.pack1", at("dangling"));
  const std::string longName(300, 'n');
  const struct {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"pack", "-o", "nodir/x.pack1", "in.bin"},
       "ravlin-cli: nodir/x.pack1: No such file or directory (folder 'nodir' does not exist)\n"},
      {{"pack", "-o", "dangling", "in.bin"},
       "ravlin-cli: dangling: No such file or directory (a link to 'nodir/x.pack1'; folder "
       "'nodir' does not exist)\n"},
      {{"pack", "--output-dir", "file", "in.bin"},
       "ravlin-cli: file: Not a directory (it is a file, not a folder)\n"},
      {{"pack", "loop1"}, "ravlin-cli: loop1: Too many levels of symbolic links"},
      {{"pack", longName},
       "File name too long (a name of 300 bytes; at most 255 are allowed)\n"},
      {{"pack", "-m2", "odd.bin"},
       "ravlin-cli: odd.bin: has an odd size (3 bytes), but method II (-m 2) packs 16-bit words; "
       "give -m 1 to pack bytes\n"},
      {{"pack", "-m2", "-c"}, "ravlin-cli: stdin: has an odd size (3 bytes)"},
  };
  for (const auto& c : cases) {
    const RunResult result = run(c.args, "abc");
    EXPECT_EQ(result.status, 1) << c.args.back();
    EXPECT_THAT(result.err, HasSubstr(c.message));
  }

  // The progress line's final saving and -v's are the same figure.
  put("runs.bin", std::string(1000, 'a'));
  const RunResult both = run({"pack", "-c", "-v", "--progress", "runs.bin"});
  EXPECT_THAT(both.err, HasSubstr("saved 98.3%\n"));
  EXPECT_THAT(both.err, HasSubstr("1000 -> 17 bytes, 98.3% saved\n"));
}

// A reader that goes away ends the run quietly with SIGPIPE's status, as it ends its peers; and the
// output flows before the input ends, so an endless input is no problem.
TEST_F(CliRun, PipesEndQuietly) {
  RunRequest request;
  request.shellScript =
      "timeout 60 \"$0\" pack -c < /dev/zero | head -c 1000 | wc -c; "
      "timeout 60 \"$0\" pack -c < /dev/zero | timeout 60 \"$0\" unpack -m1 -c | head -c 10 | "
      "wc -c";
  const RunResult result = run(request);
  EXPECT_EQ(result.out, "1000\n10\n");
  EXPECT_THAT(result.err, IsEmpty());

  put("a.pack1", enginePack(Method::kI, std::string(1 << 20, 'x')));
  const RunResult broken = run({"unpack", "-c", "a.pack1"}, {}, StdoutKind::kBrokenPipe);
  EXPECT_FALSE(broken.exited);
  EXPECT_EQ(broken.status, SIGPIPE);
  EXPECT_THAT(broken.err, IsEmpty());
}

// A device named with -o is written into, with no temporary file beside it.
TEST_F(CliRun, OutputToADeviceIsWrittenDirectly) {
  put("a.bin", kSprite);
  const RunResult result = run({"pack", "-o", "/dev/null", "a.bin"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_THAT(result.err, IsEmpty());
  ASSERT_EQ(::mkfifo(at("fifo").c_str(), 0600), 0);
  std::string drained;
  std::thread reader([&] { drained = readFile(at("fifo")); });
  const RunResult intoFifo = run({"pack", "-o", "fifo", "a.bin"});
  reader.join();
  EXPECT_EQ(intoFifo.status, 0) << intoFifo.err;
  EXPECT_EQ(drained, enginePack(Method::kI, kSprite));
}

// A file whose suffix does not tell the method is reported with the methods its stream is valid
// for; the other files are still unpacked, and the status is 1, not a usage error.
TEST_F(CliRun, UnknownSuffixesAreReportedWithTheMethodsThatFit) {
  put("a.pack1", enginePack(Method::kI, kSprite));
  put("c.pack1", enginePack(Method::kI, "ccc"));
  const struct {
    const char* name;
    std::string stream;
    const char* verdict;
  } cases[] = {
      {"odd.rle", std::string("\x83" "A\x00", 3), "valid for method I only; give -m 1"},
      {"words.rle", std::string("\x83" "AB\x00", 4), "valid for method II only; give -m 2"},
      {"both.rle", std::string("\x00", 1), "valid for both methods; give -m 1 or -m 2"},
      {"none.rle", "plain text", "not a whole stream of either method"},
  };
  for (const auto& c : cases) {
    put(c.name, c.stream);
    const RunResult result = run({"unpack", "-f", "a.pack1", c.name, "c.pack1"});
    EXPECT_EQ(result.status, 1) << c.name;
    EXPECT_EQ(result.err, std::string("ravlin-cli: ") + c.name +
                              ": cannot tell the method from the name (.pack1 or .pack2); " +
                              (c.verdict[0] == 'n' ? "it is " : "the stream is ") + c.verdict +
                              "\n");
    EXPECT_EQ(get("a.unpack1"), kSprite);
    EXPECT_EQ(get("c.unpack1"), "ccc");
  }
}

// Where the output goes is settled before anything is read or created.
TEST_F(CliRun, OutputsWithoutANameAreRefusedFirst) {
  const RunResult intoFolder = run({"pack", "--output-dir", "od"}, kSprite);
  EXPECT_EQ(intoFolder.status, 2);
  EXPECT_THAT(intoFolder.err, HasSubstr("give -o or -c"));
  EXPECT_FALSE(has("od"));

  RunRequest fromPipe{{"pack", "/dev/stdin"}, kSprite};
  const RunResult piped = run(fromPipe);
  EXPECT_EQ(piped.status, 1);
  EXPECT_EQ(piped.err,
            "ravlin-cli: /dev/stdin: is not a regular file, so its output has no name of its own; "
            "give -o or -c\n");
  fromPipe.args = {"pack", "-c", "/dev/stdin"};
  EXPECT_EQ(run(fromPipe).out, enginePack(Method::kI, kSprite));
}

TEST_F(CliRun, ListShowsEachStream) {
  put("a.pack1", std::string("\x83" "a\x02" "bc\x00", 6));
  put("b.pack2", std::string("\x82" "xy\x00!!", 6));
  put("c.pack1", std::string("\x85", 1));
  const RunResult result = run({"unpack", "-l", "a.pack1", "b.pack2", "c.pack1"});
  EXPECT_EQ(result.status, 1) << "b.pack2 and c.pack1 are faulty";
  EXPECT_EQ(result.out,
            "method         packed       unpacked   ratio       blocks  end  trailing  name\n"
            "I                   6              5  120.0%            2  yes         0  a.pack1\n"
            "II                  6              4  150.0%            1  yes         2  b.pack2\n"
            "I                   1              0       -            1   no         0  c.pack1"
            "  (ends inside a block)\n");
  EXPECT_EQ(result.err,
            "ravlin-cli: b.pack2: 2 bytes after the end marker ignored; it is not a whole stream "
            "of either method\n"
            "ravlin-cli: c.pack1: the stream ends inside a block (cut short, or not a method I "
            "stream)\n");
}

// --rm removes an input only once its output is complete and, with --verify, checked; -k keeps it.
TEST_F(CliRun, RemoveInputOnlyAfterACompleteOutput) {
  put("a.bin", kSprite);
  put("b.bin", kSprite);
  put("b.pack1", "in the way");
  const RunResult removed = run({"pack", "--rm", "--verify", "a.bin", "b.bin"});
  EXPECT_EQ(removed.status, 1);
  EXPECT_FALSE(has("a.bin"));
  EXPECT_EQ(get("a.pack1"), enginePack(Method::kI, kSprite));
  EXPECT_EQ(get("b.bin"), kSprite) << "its output failed, so it stays";

  EXPECT_EQ(run({"unpack", "--rm", "-k", "a.pack1"}).status, 0);
  EXPECT_TRUE(has("a.pack1"));
  put("cut.pack1", enginePack(Method::kI, "aaaab").substr(0, 2));  // no end marker
  const RunResult cut = run({"unpack", "--rm", "cut.pack1"});
  EXPECT_THAT(cut.err, HasSubstr("cut.pack1: kept, since its stream has a fault"));
  EXPECT_TRUE(has("cut.pack1"));
}

TEST_F(CliRun, RecursiveTakesTheFilesOfEachDirection) {
  std::filesystem::create_directories(scratch_.path() / "gfx/deep");
  put("gfx/a.bin", "aaaa");
  put("gfx/deep/b", "bbbb");
  put("gfx/deep/old.pack1", "not a stream of these");
  std::filesystem::create_symlink("a.bin", at("gfx/link.bin"));

  const RunResult packed = run({"pack", "-r", "gfx"});
  EXPECT_EQ(packed.status, 0) << packed.err;
  EXPECT_EQ(get("gfx/a.pack1"), enginePack(Method::kI, "aaaa"));
  EXPECT_EQ(get("gfx/deep/b.pack1"), enginePack(Method::kI, "bbbb"));
  EXPECT_FALSE(has("gfx/link.pack1")) << "links inside folders are not followed";

  std::filesystem::remove(at("gfx/deep/old.pack1"));
  const RunResult unpacked = run({"unpack", "-r", "--suffix=.raw", "--output-dir", "out", "gfx"});
  EXPECT_EQ(unpacked.status, 0) << unpacked.err;
  EXPECT_EQ(get("out/a.raw"), "aaaa");
  EXPECT_EQ(get("out/b.raw"), "bbbb");
}

// All-zero stretches of 4 KiB become holes in an unpacked file, unless --no-sparse.
TEST_F(CliRun, UnpackedZerosBecomeHoles) {
  const std::string data = "head" + std::string(8 << 20, '\0') + "tail" + std::string(5000, '\0');
  put("z.pack1", enginePack(Method::kI, data));
  ASSERT_EQ(run({"unpack", "z.pack1"}).status, 0);
  ASSERT_EQ(run({"unpack", "--no-sparse", "-o", "dense", "z.pack1"}).status, 0);
  EXPECT_EQ(get("z.unpack1"), data);
  EXPECT_EQ(get("dense"), data);
  const auto diskBytes = [&](const char* name) { return statOf(at(name)).st_blocks * 512; };
  EXPECT_LE(diskBytes("z.unpack1"), 64 << 10) << "only the pages around the data are written";
  EXPECT_GE(diskBytes("dense"), static_cast<long>(data.size()));
}

}  // namespace
}  // namespace ravlin::cli::testing
