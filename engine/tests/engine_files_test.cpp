// The four file routines and GetInputSize on real files: results, the state they leave, and
// what survives a failure.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "codec_support.h"
#include "fault_injecting_file_system.h"
#include "ravlin/engine.h"
#include "ravlin/scratch_folder.h"
#include "thrown_message.h"

namespace ravlin::testing {
namespace {

using Routine = void (Engine::*)(Host&);

struct Routines {
  const char* name;
  Routine routine;
};

const Routines kPackI{"PackI", &Engine::PackI};
const Routines kPackII{"PackII", &Engine::PackII};
const Routines kUnpackI{"UnpackI", &Engine::UnpackI};
const Routines kUnpackII{"UnpackII", &Engine::UnpackII};

Bytes outputOf(const Engine& engine) {
  return {engine.outputBuffer().bytes().begin(), engine.outputBuffer().bytes().end()};
}

struct Success {
  Routines routine;
  Bytes contents;
  Bytes output;
  std::vector<Bar> bars;
};

TEST(EngineFiles, RoutinesLeaveTheirResultAndPath) {
  const std::vector<Success> cases = {
      {kPackI, hex("41 42 43 43"), hex("02 41 42 82 43 00"), {{"25%", 50}}},
      {kPackII,
       hex("41 11 42 22 43 33 44 44 45 55 45 55"),
       hex("04 41 11 42 22 43 33 44 44 82 45 55 00"),
       {{"25%", 50}, {"0%", 0}}},
      {kUnpackI, hex("83 61 02 62 63 00"), hex("61 61 61 62 63"), {{"40%", 80}, {"100%", 200}}},
      {kUnpackII, hex("02 34 12 78 56 00"), hex("34 12 78 56"), {{"100%", 200}}},
  };
  ScratchFolder folder;
  for (const Success& c : cases) {
    SCOPED_TRACE(c.routine.name);
    const std::string path = folder.write(std::string(c.routine.name) + ".bin", c.contents);
    Engine engine;
    RecordingHost host(Reporting::kEveryBlock, path);
    (engine.*c.routine.routine)(host);
    EXPECT_EQ(outputOf(engine), c.output);
    EXPECT_EQ(host.bars, c.bars);
    EXPECT_EQ(engine.currentInputPath(), path);
    EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "inputPath"), 1);
    EXPECT_EQ(host.calls.front(), "inputPath");
  }
}

TEST(EngineFiles, PackersTakeTheInputSizeFromTheOpenedFile) {
  ScratchFolder folder;
  const Bytes input = times(300, hex("41"));
  const std::string path = folder.write("flat", input);
  Engine engine;
  RecordingHost host(Reporting::kEveryBlock, path);
  // A stale size from an earlier look-up is replaced by the size the packer read.
  QuietHost elsewhere(folder.write("small", hex("01 02")));
  EXPECT_EQ(engine.GetInputSize(elsewhere), 2);
  engine.PackI(host);
  EXPECT_EQ(engine.inputSize(), 300);
  EXPECT_EQ(host.captions(), (std::vector<std::string>{"100%", "99%", "98%"}));
}

struct Failure {
  const char* name;
  Routines routine;
  Bytes contents;    // written at the input path, unless missing
  std::string path;  // relative to the scratch folder
  std::function<void(FaultInjectingFileSystem&)> inject;
  std::string message;
  Bytes output;
  std::vector<Bar> bars;
};

TEST(EngineFiles, FailuresKeepThePathAndWhatWasAppended) {
  const auto none = [](FaultInjectingFileSystem&) {};
  // Fails the next call of `call` with `err`.
  const auto failNext = [](FsCall call, int err) {
    return [call, err](FaultInjectingFileSystem& fs) { fs.failAt(call, fs.calls(call) + 1, err); };
  };
  const std::vector<Failure> cases = {
      {"missing file", kUnpackI, {}, "missing.pack1", none, "File not found", {}, {}},
      {"missing folder", kPackI, {}, "no-folder/x.bin", none, "Invalid filename", {}, {}},
      {"empty input", kPackI, {}, "empty.bin", none, "Read beyond end of file", {}, {}},
      {"one word", kPackII, hex("41 11"), "word.bin", none, "Read beyond end of file", {}, {}},
      {"stream cut after a block",
       kUnpackII,
       hex("01 34 12 99"),
       "cut.pack2",
       none,
       "Read beyond end of file",
       hex("34 12"),
       {{"100%", 200}}},
      {"access denied",
       kUnpackI,
       hex("00"),
       "denied.pack1",
       failNext(FsCall::kOpenRegular, EACCES),
       "File access denied",
       {},
       {}},
      {"too many open files",
       kPackI,
       hex("41 41"),
       "many.bin",
       failNext(FsCall::kOpenRegular, EMFILE),
       "Too many open files",
       {},
       {}},
      {"read error",
       kPackII,
       hex("41 11 41 11"),
       "eio.bin",
       failNext(FsCall::kRead, EIO),
       "I/O error 5",
       {},
       {}},
  };
  ScratchFolder folder;
  const std::string earlier = folder.write("earlier.bin", hex("41 41 41 41"));
  for (const Failure& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = folder.file(c.path);
    if (c.path.find('/') == std::string::npos && c.path.rfind("missing", 0) != 0) {
      folder.write(c.path, c.contents);
    }
    FaultInjectingFileSystem fs;
    Engine engine(fs);
    RecordingHost before(Reporting::kEveryBlock, earlier);
    engine.PackI(before);
    ASSERT_FALSE(engine.outputBuffer().empty());

    c.inject(fs);
    RecordingHost host(Reporting::kEveryBlock, path);
    try {
      (engine.*c.routine.routine)(host);
      ADD_FAILURE() << "no error";
    } catch (const IoError& error) {
      EXPECT_EQ(std::string(error.what()), c.message);
    }
    EXPECT_EQ(engine.currentInputPath(), path);
    EXPECT_EQ(outputOf(engine), c.output);
    EXPECT_EQ(host.bars, c.bars);
    EXPECT_EQ(fs.openDescriptors(), 0u);
  }
}

TEST(EngineFiles, GetInputSizeLooksWithoutOpening) {
  ScratchFolder folder;
  FaultInjectingFileSystem fs;
  Engine engine(fs);
  QuietHost present(folder.write("six", hex("01 02 03 04 05 06")));
  EXPECT_EQ(engine.GetInputSize(present), 6);
  EXPECT_EQ(engine.inputSize(), 6);
  QuietHost missing(folder.file("gone"));
  EXPECT_EQ(engine.GetInputSize(missing), 0);
  EXPECT_EQ(engine.inputSize(), 0);
  EXPECT_EQ(fs.calls(FsCall::kOpenRegular), 0);
}

// A folder, a FIFO without a writer (whose plain open would wait forever) and a device are
// refused at once, before anything is read.
TEST(EngineFiles, RefusesWhatIsNotARegularFile) {
  ScratchFolder folder;
  const std::string subfolder = folder.file("folder.bin");
  const std::string fifo = folder.file("fifo.bin");
  ASSERT_EQ(::mkdir(subfolder.c_str(), 0700), 0);
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& path : {subfolder, fifo, std::string("/dev/zero")}) {
    for (const Routines& routine : {kPackI, kUnpackII}) {
      SCOPED_TRACE(path + " " + routine.name);
      FaultInjectingFileSystem fs;
      Engine engine(fs);
      RecordingHost host(Reporting::kEveryBlock, path);
      EXPECT_EQ(thrownMessage([&] { (engine.*routine.routine)(host); }), "File access denied");
      EXPECT_EQ(engine.currentInputPath(), path);
      EXPECT_EQ(fs.calls(FsCall::kRead), 0);
      EXPECT_EQ(fs.openDescriptors(), 0u);
    }
  }
}

// A file of 4 GiB + 2 bytes (sparse: it takes no disk space) keeps its whole 64-bit size; cut to
// 32 bits it would be 2, and at exactly 4 GiB it would be 0.
TEST(EngineFiles, GetInputSizeKeepsSizesBeyond32Bits) {
  ScratchFolder folder;
  for (const std::uintmax_t size : {std::uintmax_t{1} << 32, (std::uintmax_t{1} << 32) + 2}) {
    const std::string path = folder.write("huge", {});
    std::filesystem::resize_file(path, size);
    Engine engine;
    QuietHost host(path);
    EXPECT_EQ(engine.GetInputSize(host), static_cast<std::int64_t>(size));
  }
}

}  // namespace
}  // namespace ravlin::testing
