// End-to-end tests of what must never go wrong with a user's files: --rm removes only what it
// should, an input that changes while it is read fails, a FIFO never hangs a run, -r leaves the
// leftovers of killed runs alone, and -l and -t tell faulty streams by their status.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "cli_run_fixture.h"
#include "ravlin/datagen.h"

namespace ravlin::cli::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;

const std::string kSprite = toString(datagen::spriteBytes(20000, 7));

// Writes `bytes` into the FIFO at `path` once a reader opens it, on a thread of its own.
std::thread feedFifo(const std::string& path, std::string bytes) {
  return std::thread([path, bytes = std::move(bytes)] { writeFile(path, bytes); });
}

// --rm removes an input only when it is a regular file and its output is a complete regular file;
// otherwise the input stays and the message says why.
TEST_F(CliRun, RemoveKeepsInputsWhoseOutputIsNoFileOrThatAreNoFile) {
  const std::string stream = enginePack(Method::kI, kSprite);
  const struct {
    std::string label;
    std::vector<std::string> args;
    std::string kept;  // the input that must stay
    std::string message;
  } cases[] = {
      {"into /dev/null",
       {"pack", "--rm", "-o", "/dev/null", "r.bin"},
       "r.bin",
       "r.bin: kept, since its output /dev/null is not a regular file"},
      {"to stdout",
       {"pack", "--rm", "-o", "-", "r.bin"},
       "r.bin",
       "r.bin: kept, since its output went to standard output, not to a file"},
      {"unpack into /dev/null",
       {"unpack", "--rm", "-o", "/dev/null", "x.pack1"},
       "x.pack1",
       "x.pack1: kept, since its output /dev/null is not a regular file"},
      {"from a FIFO",
       {"pack", "--rm", "-o", "out.pack1", "fifo"},
       "fifo",
       "fifo: kept, since it is not a regular file"},
      {"from a device",
       {"pack", "--rm", "-o", "out.pack1", "null-link"},
       "null-link",
       "null-link: kept, since it is not a regular file"},
      {"from a link",
       {"pack", "--rm", "link.bin"},
       "link.bin",
       "link.bin: kept, since its name is a symbolic link, not the file itself"},
  };
  for (const auto& c : cases) {
    put("r.bin", kSprite);
    put("x.pack1", stream);
    std::filesystem::remove(at("fifo"));
    ASSERT_EQ(::mkfifo(at("fifo").c_str(), 0600), 0);
    std::filesystem::remove(at("link.bin"));
    std::filesystem::create_symlink("r.bin", at("link.bin"));
    std::filesystem::remove(at("null-link"));
    std::filesystem::create_symlink("/dev/null", at("null-link"));
    std::thread writer = feedFifo(at("fifo"), kSprite);

    const RunResult result = run(c.args);
    if (c.kept != "fifo") readFile(at("fifo"));  // the writer waits for a reader
    writer.join();

    EXPECT_EQ(result.status, 0) << c.label << ": " << result.err;
    EXPECT_THAT(result.err, HasSubstr("ravlin-cli: " + c.message + "\n")) << c.label;
    EXPECT_TRUE(std::filesystem::symlink_status(at(c.kept)).type() !=
                std::filesystem::file_type::not_found)
        << c.label;
    std::filesystem::remove(at("out.pack1"));
    std::filesystem::remove(at("link.pack1"));
  }
  EXPECT_EQ(get("r.bin"), kSprite);
}

// A removal that fails after a complete output says so, and fails the run.
TEST_F(CliRun, ARemovalThatFailsSaysTheOutputWasWritten) {
  std::filesystem::create_directories(scratch_.path() / "pub");
  std::filesystem::create_directories(scratch_.path() / "out");
  put("pub/pub.bin", kSprite);
  RunRequest request;
  // The folder of the input is read-only to whoever runs the program; root runs it as nobody.
  if (::geteuid() == 0) {
    ASSERT_EQ(::chmod(scratch_.path().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(at("out").c_str(), 0777), 0);
    request.shellScript =
        "exec setpriv --reuid=nobody --regid=nogroup --clear-groups \"$0\" pack --rm "
        "--output-dir out pub/pub.bin";
  } else {
    ASSERT_EQ(::chmod(at("pub").c_str(), 0555), 0);
    request.args = {"pack", "--rm", "--output-dir", "out", "pub/pub.bin"};
  }
  const RunResult result = run(request);
  ::chmod(at("pub").c_str(), 0755);

  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err,
            "ravlin-cli: pub/pub.bin: its output out/pub.pack1 is complete, but the input could "
            "not be removed: Permission denied\n");
  EXPECT_EQ(get("out/pub.pack1"), enginePack(Method::kI, kSprite));
  EXPECT_EQ(get("pub/pub.bin"), kSprite);
}

// An input that shrinks or grows while it is read is neither the old file nor the new one. The
// output here is a FIFO that nobody drains yet, so the run waits with most of its input unread
// while the input changes.
TEST_F(CliRun, AnInputThatChangesWhileItIsReadFails) {
  const struct {
    std::uintmax_t newSize;
    std::string change;
  } cases[] = {
      {2 << 20, "but ended after 2097152"},
      {(4 << 20) + 1, "but went on past them"},
  };
  for (const auto& c : cases) {
    put("in.bin", toString(datagen::shortBlocks(4 << 20, 3)));
    std::filesystem::remove(at("fifo"));
    ASSERT_EQ(::mkfifo(at("fifo").c_str(), 0600), 0);
    std::thread changer([&] {
      std::ifstream output(at("fifo"), std::ios::binary);  // opens once the program has its input
      std::filesystem::resize_file(at("in.bin"), c.newSize);
      std::string drained((std::istreambuf_iterator<char>(output)), {});
    });
    const RunResult result = run({"pack", "-o", "fifo", "in.bin"});
    changer.join();
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "ravlin-cli: in.bin: changed while it was read: it had 4194304 bytes "
                          "when opened, " + c.change + "\n");
  }
}

// A FIFO whose output would be named after it is refused at once, before anything waits for a
// writer; with -c it is read as before.
TEST_F(CliRun, AFifoWithoutAnOutputNameIsRefusedAtOnce) {
  ASSERT_EQ(::mkfifo(at("f").c_str(), 0600), 0);
  for (const char* command : {"pack", "unpack"}) {
    RunRequest request;
    request.shellScript = std::string("timeout 20 \"$0\" ") + command + " f";
    const RunResult result = run(request);
    EXPECT_EQ(result.status, 1) << command;
    EXPECT_EQ(result.err,
              "ravlin-cli: f: is not a regular file, so its output has no name of its own; give -o "
              "or -c\n")
        << command;
  }
  std::thread writer = feedFifo(at("f"), kSprite);
  const RunResult piped = run({"pack", "-c", "f"});
  writer.join();
  EXPECT_EQ(piped.status, 0) << piped.err;
  EXPECT_EQ(piped.out, enginePack(Method::kI, kSprite));
}

// The temporary file that a killed run leaves behind is not packed by -r; -v names it and every
// other file that -r skips.
TEST_F(CliRun, RecursiveSkipsLeftoversAndNamesWhatItSkips) {
  std::filesystem::create_directories(scratch_.path() / "gfx");
  RunRequest killed{{"unpack", "-m1", "-o", "gfx/x.pack1"}, enginePack(Method::kI, kSprite)};
  const auto namesInGfx = [&] {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(at("gfx"))) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  };
  killed.afterInput = [&](pid_t child) {
    for (int i = 0; i < 100'000 && namesInGfx().empty(); ++i) {
      std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    ::kill(child, SIGKILL);
  };
  const RunResult result = run(killed);
  ASSERT_EQ(result.status, SIGKILL);
  const std::vector<std::string> left = namesInGfx();
  ASSERT_EQ(left.size(), 1u) << "the temporary file stays after SIGKILL";
  put("gfx/a.bin", "aaaa");
  put("gfx/b.pack1", enginePack(Method::kI, "bb"));
  std::filesystem::create_symlink("a.bin", at("gfx/link.bin"));
  ASSERT_EQ(::mkfifo(at("gfx/pipe").c_str(), 0600), 0);

  const RunResult packed = run({"pack", "-r", "-v", "gfx"});

  EXPECT_EQ(packed.status, 0) << packed.err;
  EXPECT_EQ(packed.err, "gfx/" + left[0] +
                            ": skipped (the temporary file of an interrupted run)\n"
                            "gfx/b.pack1: skipped (already packed (.pack1 or .pack2))\n"
                            "gfx/link.bin: skipped (a symbolic link; links are not followed)\n"
                            "gfx/pipe: skipped (a FIFO)\n"
                            "gfx/a.bin -> gfx/a.pack1: 4 -> 3 bytes, 25.0% saved\n");
  EXPECT_FALSE(has("gfx/" + left[0] + ".pack1"));
  EXPECT_EQ(run({"pack", "-r", "gfx"}).err,
            "ravlin-cli: gfx/a.pack1: already exists; use -f to "
            "replace it\n")
      << "without -v nothing is said of the skipped files";
}

// -l fails a stream that is empty, cut or followed by data, as -t does; -t and -l together test
// and list every stream, in either order.
TEST_F(CliRun, ListAndTestJudgeEveryStream) {
  const std::string stream = enginePack(Method::kI, kSprite);
  const struct {
    std::string label;
    std::string bytes;
    int status;
    std::string row;      // the end of the table row after the sizes
    std::string message;  // on standard error; empty for none
  } cases[] = {
      {"sound", stream, 0, " yes         0  s.pack1\n", ""},
      {"cut",
       std::string("\x83"
                   "a\x05"
                   "ab"),
       1, "  (ends inside a block)\n", "the stream ends inside a block"},
      {"no end marker", enginePack(Method::kI, "aaaab").substr(0, 2), 1,
       "  no         0  s.pack1\n", "no end marker"},
      {"empty", "", 1, "  no         0  s.pack1\n", "is empty"},
      {"data after it", stream + "xyz", 1, " yes         3  s.pack1\n", "3 bytes after the end"},
  };
  for (const auto& c : cases) {
    put("s.pack1", c.bytes);
    for (const auto& args : {std::vector<std::string>{"unpack", "-l", "s.pack1"},
                             {"unpack", "-t", "-l", "s.pack1"},
                             {"unpack", "-l", "-t", "s.pack1"}}) {
      const bool testing = args.size() == 4;
      const RunResult result = run(args);
      EXPECT_EQ(result.status, c.status) << c.label << (testing ? " -t" : "");
      EXPECT_THAT(result.out, HasSubstr(c.row)) << c.label << (testing ? " -t" : "");
      if (c.message.empty()) {
        EXPECT_THAT(result.err, IsEmpty()) << c.label;
      } else {
        EXPECT_THAT(result.err, HasSubstr("ravlin-cli: s.pack1: " + c.message)) << c.label;
      }
    }
  }
  // A listed stream from standard input, tested as well.
  const RunResult piped = run({"unpack", "-m1", "-t", "-l", "-v"}, stream);
  EXPECT_EQ(piped.status, 0) << piped.err;
  EXPECT_THAT(piped.out, HasSubstr(" yes         0  stdin\n"));
  EXPECT_THAT(piped.err, HasSubstr("stdin -> /dev/null: "));
}

// Outputs of many buffers, which a thread of their own writes while the next is made: whole in a
// file and on standard output; a write that fails there fails the run with the system's reason.
TEST_F(CliRun, OutputsOfManyBuffersAreWholeAndTheirWriteFailuresReported) {
  const std::string pixels = toString(datagen::shortBlocks(3 << 20, 5));
  const std::string stream = enginePack(Method::kI, pixels);
  put("in.bin", pixels);
  put("in.pack1", stream);
  const struct {
    std::vector<std::string> args;
    const std::string& expected;
  } cases[] = {
      {{"pack", "-o", "out", "in.bin"}, stream},
      {{"unpack", "-o", "out", "in.pack1"}, pixels},
      {{"pack", "--verify", "-c", "in.bin"}, stream},
      {{"unpack", "-c", "in.pack1"}, pixels},
  };
  for (const auto& c : cases) {
    const RunResult result = run(c.args);
    ASSERT_EQ(result.status, 0) << c.args[0] << " " << c.args[1] << ": " << result.err;
    EXPECT_TRUE((has("out") ? get("out") : result.out) == c.expected) << c.args[0] << c.args[1];
    std::filesystem::remove(at("out"));
  }
  for (const auto& [command, input] : {std::pair{"pack", "in.bin"}, {"unpack", "in.pack1"}}) {
    const RunResult full = run({command, "-o", "/dev/full", input});
    EXPECT_EQ(full.status, 1) << command;
    EXPECT_EQ(full.err, "ravlin-cli: /dev/full: No space left on device\n") << command;
  }
}

}  // namespace
}  // namespace ravlin::cli::testing
