// End-to-end tests: the built ravlin-cli run on temporary files, its outputs held against the
// engine's own streams.
#include <sys/stat.h>

#include <csignal>
#include <filesystem>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cli_run_fixture.h"
#include "ravlin/datagen.h"

namespace ravlin::cli::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;

const std::string kSprite = toString(datagen::spriteBytes(20000, 7));
const std::string kImage = toString(datagen::imageWords(20000, 11));

// --- Output naming and agreement with the engine -------------------------------------------

struct NamingCase {
  std::vector<std::string> args;  // before the input's name
  std::string input;
  std::string output;
  bool packing;
  Method method;
};

class CliNaming : public CliRun, public ::testing::WithParamInterface<NamingCase> {};

TEST_P(CliNaming, WritesTheEngineOutputUnderTheDerivedName) {
  const NamingCase& c = GetParam();
  std::filesystem::create_directories(scratch_.path() / "gfx");
  const std::string content = c.packing ? kImage : enginePack(c.method, kImage);
  put(c.input, content);
  std::vector<std::string> args = c.args;
  args.push_back(c.input);

  const RunResult result = run(args);

  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_THAT(result.err, IsEmpty());
  EXPECT_THAT(result.out, IsEmpty());
  ASSERT_TRUE(has(c.output)) << c.output;
  EXPECT_EQ(get(c.output), c.packing ? enginePack(c.method, content) : kImage);
  EXPECT_EQ(get(c.input), content) << "the input must stay as it was";
}

INSTANTIATE_TEST_SUITE_P(
    Names, CliNaming,
    ::testing::Values(
        NamingCase{{"pack"}, "font.bin", "font.pack1", true, Method::kI},
        NamingCase{{"pack", "-m", "2"}, "tiles", "tiles.pack2", true, Method::kII},
        NamingCase{{"pack"}, "map.bins.bin", "map.bins.pack1", true, Method::kI},
        NamingCase{{"pack"}, "x.b.binin.bin", "x.b.binin.pack1", true, Method::kI},
        NamingCase{{"pack"}, "logo.BIN.bin", "logo.BIN.pack1", true, Method::kI},
        NamingCase{{"pack", "-m2"}, ".bin", ".bin.pack2", true, Method::kII},
        NamingCase{{"pack"}, ".hidden", ".hidden.pack1", true, Method::kI},
        NamingCase{{"pack"}, ".hidden.raw", ".hidden.pack1", true, Method::kI},
        NamingCase{{"unpack", "--suffix=.bin"}, "font.pack1", "font.bin", false, Method::kI},
        NamingCase{{"unpack", "--suffix", ""}, "gfx/font.pack2", "gfx/font", false, Method::kII},
        NamingCase{{"pack"}, "gfx/a.b", "gfx/a.pack1", true, Method::kI},
        NamingCase{{"unpack"}, "font.pack1", "font.unpack1", false, Method::kI},
        NamingCase{{"unpack"}, "gfx/font.pack2", "gfx/font.unpack2", false, Method::kII},
        NamingCase{{"unpack", "--method=2"}, "tiles.rle", "tiles.unpack2", false, Method::kII},
        NamingCase{{"pack", "--output-dir", "out/deep/er"},
                   "gfx/a.bin",
                   "out/deep/er/a.pack1",
                   true,
                   Method::kI},
        NamingCase{{"pack", "--output-dir=out/"}, "a.bin", "out/a.pack1", true, Method::kI},
        NamingCase{{"pack", "-o", "gfx/exact.name"}, "a.bin", "gfx/exact.name", true, Method::kI}));

struct StreamCase {
  std::string label;
  Method method;
  std::string data;
};

class CliStreams : public CliRun, public ::testing::WithParamInterface<StreamCase> {};

TEST_P(CliStreams, FileAndStandardStreamsAgreeWithTheEngineBothWays) {
  const StreamCase& c = GetParam();
  const std::string method = c.method == Method::kI ? "1" : "2";
  const std::string expected = enginePack(c.method, c.data);
  put("in.raw", c.data);

  const RunResult toFile = run({"pack", "-m", method, "--verify", "in.raw"});
  ASSERT_EQ(toFile.status, 0) << toFile.err;
  const std::string packedName = c.method == Method::kI ? "in.pack1" : "in.pack2";
  EXPECT_EQ(get(packedName), expected);

  const RunResult piped = run({"pack", "-m", method}, c.data);
  ASSERT_EQ(piped.status, 0) << piped.err;
  EXPECT_EQ(piped.out, expected);

  const RunResult back = run({"unpack", "-c", packedName});
  ASSERT_EQ(back.status, 0) << back.err;
  EXPECT_EQ(back.out, c.data);

  const RunResult backPiped = run({"unpack", "-m", method, "-"}, expected);
  ASSERT_EQ(backPiped.status, 0) << backPiped.err;
  EXPECT_EQ(backPiped.out, c.data);
}

INSTANTIATE_TEST_SUITE_P(
    Data, CliStreams,
    ::testing::Values(StreamCase{"sprite", Method::kI, kSprite},
                      StreamCase{"image", Method::kII, kImage},
                      StreamCase{"imageAsBytes", Method::kI, kImage},
                      StreamCase{"twoBytes", Method::kI, "ab"},
                      StreamCase{"oddSizeMethodI", Method::kI, "aaabc"},
                      StreamCase{"twoWords", Method::kII, "abab"},
                      StreamCase{"longRun", Method::kI, std::string(100000, 'z')},
                      StreamCase{"large", Method::kI, toString(datagen::spriteBytes(3 << 20, 3))}),
    [](const auto& test) { return test.param.label; });

// --- Refusals and failures --------------------------------------------------------------------

struct RefusalCase {
  std::string label;
  std::vector<std::string> args;
  std::string input;  // written to "in.bin" unless empty
  int status;
  std::string message;
};

class CliRefusals : public CliRun, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(CliRefusals, StopWithTheMessageAndWriteNothing) {
  const RefusalCase& c = GetParam();
  if (!c.input.empty()) put("in.bin", c.input);
  put("x.pack1", enginePack(Method::kI, kSprite));
  const std::vector<std::string> before = scratch_.names();

  const RunResult result = run(c.args);

  EXPECT_TRUE(result.exited);
  EXPECT_EQ(result.status, c.status);
  EXPECT_THAT(result.err, HasSubstr(c.message));
  EXPECT_THAT(result.out, IsEmpty());
  EXPECT_EQ(scratch_.names(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliRefusals,
    ::testing::Values(
        RefusalCase{"noCommand", {}, "", 2, "no command given"},
        RefusalCase{"unknownCommand", {"squash", "in.bin"}, "ab", 2, "unknown command 'squash'"},
        RefusalCase{"badMethod", {"pack", "-m", "3", "in.bin"}, "ab", 2, "method '3'"},
        RefusalCase{"unknownOption", {"pack", "--fast", "in.bin"}, "ab", 2, "'--fast'"},
        RefusalCase{"missingValue", {"pack", "in.bin", "-o"}, "ab", 2, "needs a value"},
        RefusalCase{
            "outputForTwo", {"pack", "-o", "y", "in.bin", "x.pack1"}, "ab", 2, "single input"},
        RefusalCase{"outputAndStdout", {"pack", "-c", "-o", "y", "in.bin"}, "ab", 2, "not both"},
        RefusalCase{"verifyUnpack", {"unpack", "--verify", "x.pack1"}, "", 2, "pack only"},
        RefusalCase{"unpackStdinWithoutMethod", {"unpack"}, "", 2, "give -m 1 or -m 2"},
        RefusalCase{"missingInput",
                    {"pack", "none.bin"},
                    "",
                    1,
                    "ravlin-cli: none.bin: No such file or directory\n"},
        RefusalCase{"cutStream",
                    {"unpack", "-m", "1", "in.bin"},
                    std::string("\x85", 1),
                    1,
                    "ravlin-cli: in.bin: the stream ends inside a block (cut short, or not a "
                    "method I stream)\n"},

        RefusalCase{"outputIsAnInput",
                    {"pack", "-f", "-o", "in.bin", "in.bin"},
                    "abab",
                    1,
                    "in.bin: is one of the inputs"},
        RefusalCase{"folderInput", {"pack", "."}, "", 1, "ravlin-cli: .: Is a directory (give -r"},
        RefusalCase{"outputDirBlocked",
                    {"pack", "--output-dir", "x.pack1/sub", "in.bin"},
                    "ab",
                    1,
                    "x.pack1/sub"}),
    [](const auto& test) { return test.param.label; });

TEST_F(CliRun, AnExistingOutputIsKeptWithoutForceAndTheOtherInputsGoOn) {
  put("a.bin", kSprite);
  put("b.bin", kSprite + "b");
  put("c.bin", kSprite + "c");
  put("b.pack1", "precious");

  const RunResult result = run({"pack", "a.bin", "b.bin", "c.bin"});

  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "ravlin-cli: b.pack1: already exists; use -f to replace it\n");
  EXPECT_EQ(get("b.pack1"), "precious");
  EXPECT_EQ(get("a.pack1"), enginePack(Method::kI, kSprite));
  EXPECT_EQ(get("c.pack1"), enginePack(Method::kI, kSprite + "c"));

  const RunResult forced = run({"pack", "--force", "b.bin"});
  EXPECT_EQ(forced.status, 0) << forced.err;
  EXPECT_EQ(get("b.pack1"), enginePack(Method::kI, kSprite + "b"));
}

TEST_F(CliRun, AFailureInTheMiddleLeavesTheOthersDoneAndNoTemporaryFiles) {
  put("a.pack2", enginePack(Method::kII, kImage));
  put("b.pack2", std::string("\x01\x34", 2));  // the word's second byte is missing
  put("c.pack2", enginePack(Method::kII, kImage.substr(0, 1000)));

  const RunResult result = run({"unpack", "a.pack2", "b.pack2", "missing.pack2", "c.pack2"});

  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err,
            "ravlin-cli: b.pack2: the stream ends inside a block (cut short, or not a method II "
            "stream)\n"
            "ravlin-cli: missing.pack2: No such file or directory\n");
  EXPECT_EQ(get("a.unpack2"), kImage);
  EXPECT_EQ(get("c.unpack2"), kImage.substr(0, 1000));
  EXPECT_EQ(scratch_.names(),
            (std::vector<std::string>{"a.pack2", "a.unpack2", "b.pack2", "c.pack2", "c.unpack2"}));
}

TEST_F(CliRun, TwoInputsWithOneOutputNameDoNotReplaceEachOtherEvenWithForce) {
  put("a.bin", kSprite);
  put("a.dat", kImage);

  const RunResult result = run({"pack", "-f", "a.bin", "a.dat"});

  EXPECT_EQ(result.status, 1);
  EXPECT_THAT(result.err, HasSubstr("a.pack1: was written from another input"));
  EXPECT_EQ(get("a.pack1"), enginePack(Method::kI, kSprite));
}

TEST_F(CliRun, AnOutputNeverReplacesAnInputNamedLater) {
  put("a.bin", kSprite);
  const std::string stream = enginePack(Method::kI, kImage);
  put("a.pack1", stream);

  const RunResult result = run({"pack", "-f", "a.bin", "a.pack1"});

  EXPECT_EQ(result.status, 1);
  EXPECT_THAT(result.err, HasSubstr("a.pack1: is one of the inputs"));
  EXPECT_EQ(get("a.pack1"), stream);
}

TEST_F(CliRun, TheSameFileGivenTwiceIsDoneOnce) {
  put("a.bin", kSprite);

  const RunResult result = run({"pack", "a.bin", "./a.bin"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "ravlin-cli: ./a.bin: given more than once; done once\n");
  EXPECT_EQ(get("a.pack1"), enginePack(Method::kI, kSprite));

  const RunResult quiet = run({"pack", "-qf", "a.bin", "a.bin"});
  EXPECT_EQ(quiet.status, 0);
  EXPECT_THAT(quiet.err, IsEmpty());
}

TEST_F(CliRun, ASpecialFileIsNeverReplacedByTheOutput) {
  put("a.bin", kSprite);
  ASSERT_EQ(::mkfifo(at("a.pack1").c_str(), 0600), 0);

  const RunResult result = run({"pack", "-f", "a.bin"});

  EXPECT_EQ(result.status, 1);
  EXPECT_THAT(result.err, HasSubstr("a.pack1: is not a regular file; name it with -o"));
  struct stat info {};
  ASSERT_EQ(::stat(at("a.pack1").c_str(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));
}

// Memory stays bounded whatever the input's size: from a file, from a pipe, and unpacking a stream
// that grows 63-fold.
TEST_F(CliRun, PeakMemoryStaysSmallForLargeInputs) {
#ifdef RAVLIN_CLI_SANITIZED
  GTEST_SKIP() << "the sanitizers' shadow memory counts as resident";
#endif
  if (!memoryMeasurable()) GTEST_SKIP() << "no /usr/bin/time here";
  constexpr long kLimitKiB = 16 * 1024;
  constexpr std::uintmax_t kSize = std::uintmax_t{256} << 20;
  put("zeros.bin", "");
  std::filesystem::resize_file(at("zeros.bin"), kSize);  // sparse: costs no disk
  const std::string piped = toString(datagen::spriteBytes(48 << 20, 5));
  const struct {
    const char* name;
    RunRequest request;
  } cases[] = {
      {"pack a file", RunRequest({"pack", "-c", "zeros.bin"})},
      {"pack a pipe", RunRequest({"pack", "-c", "--verify"}, piped)},
      {"unpack to a file", RunRequest({"unpack", "-m1", "-o", "zeros.out"})},
  };
  for (const auto& c : cases) {
    RunRequest request = c.request;
    request.measureMemory = true;
    if (request.args[0] == "unpack") request.stdinPath = at("zeros.pack");
    const RunResult result = run(request);
    ASSERT_EQ(result.status, 0) << c.name << ": " << result.err;
    EXPECT_LE(result.peakMemoryKiB, kLimitKiB) << c.name;
    if (request.args.back() == "zeros.bin") put("zeros.pack", result.out);
  }
  EXPECT_EQ(std::filesystem::file_size(at("zeros.out")), kSize);
}

// --- Standard streams --------------------------------------------------------------------------

TEST_F(CliRun, StdoutOptionWritesNoFile) {
  put("a.bin", kSprite);
  put("b.pack1", enginePack(Method::kI, kImage));

  const RunResult packed = run({"pack", "-c", "a.bin"});
  const RunResult unpacked =
      run({"unpack", "--stdout", "b.pack1", "-"}, enginePack(Method::kI, "xy"));

  EXPECT_EQ(packed.status, 0) << packed.err;
  EXPECT_EQ(packed.out, enginePack(Method::kI, kSprite));
  const RunResult dashed = run({"pack", "-o", "-", "a.bin"});
  EXPECT_EQ(dashed.status, 0) << dashed.err;
  EXPECT_EQ(dashed.out, packed.out);
  EXPECT_EQ(unpacked.status, 2) << "stdin has no suffix to tell the method";
  const RunResult both = run({"unpack", "-m1", "-c", "b.pack1", "-"}, enginePack(Method::kI, "xy"));
  EXPECT_EQ(both.status, 0) << both.err;
  EXPECT_EQ(both.out, kImage + "xy") << "unpacked outputs follow each other";
  EXPECT_EQ(scratch_.names(), (std::vector<std::string>{"a.bin", "b.pack1"}));
}

TEST_F(CliRun, StandardInputGoesToTheFileNamedByOutputOption) {
  const RunResult result = run({"pack", "-m", "2", "-o", "from-stdin.pack2"}, kImage);
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_THAT(result.out, IsEmpty());
  EXPECT_EQ(get("from-stdin.pack2"), enginePack(Method::kII, kImage));
}

TEST_F(CliRun, PackedDataGoesToATerminalOnlyWithForce) {
  if (!terminalsAvailable()) GTEST_SKIP() << "no pseudo-terminals here";
  const RunResult refused = run({"pack"}, "aaaa", StdoutKind::kTerminal);
  EXPECT_EQ(refused.status, 1);
  EXPECT_THAT(refused.err, HasSubstr("stdout: is a terminal"));
  EXPECT_THAT(refused.out, IsEmpty());

  const RunResult forced = run({"pack", "-f"}, "aaaa", StdoutKind::kTerminal);
  EXPECT_EQ(forced.status, 0) << forced.err;
  const RunResult unpacked =
      run({"unpack", "-m", "1"}, std::string("\x83\x41\x00", 3), StdoutKind::kTerminal);
  EXPECT_EQ(unpacked.status, 0) << unpacked.err;
  EXPECT_THAT(unpacked.out, HasSubstr("AAA"));
}

TEST_F(CliRun, AClosedStdoutIsAnErrorAndABrokenPipeEndsQuietlyWithSigpipe) {
  put("a.bin", kSprite);
  const RunResult closed = run({"pack", "-c", "a.bin"}, {}, StdoutKind::kClosed);
  EXPECT_TRUE(closed.exited) << "ended by signal " << closed.status;
  EXPECT_EQ(closed.status, 1);
  EXPECT_THAT(closed.err, HasSubstr("ravlin-cli: stdout: "));

  const RunResult broken = run({"pack", "-c", "a.bin"}, {}, StdoutKind::kBrokenPipe);
  EXPECT_FALSE(broken.exited);
  EXPECT_EQ(broken.status, SIGPIPE);
  EXPECT_THAT(broken.err, IsEmpty());

  const RunResult version = run({"--version"}, {}, StdoutKind::kClosed);
  EXPECT_EQ(version.status, 1);
  EXPECT_THAT(version.err, HasSubstr("ravlin-cli: stdout: "));
  EXPECT_EQ(scratch_.names(), std::vector<std::string>{"a.bin"});
}

// --- Informational options ----------------------------------------------------------------------

TEST_F(CliRun, HelpAndVersion) {
  const RunResult version = run({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "ravlin-cli " RAVLIN_CLI_VERSION "\n");
  EXPECT_EQ(version.out, "ravlin-cli 1.4.0\n");

  for (const auto& args : {std::vector<std::string>{"--help"}, {"pack", "-h"}}) {
    const RunResult help = run(args);
    EXPECT_EQ(help.status, 0);
    EXPECT_THAT(help.out, HasSubstr("Usage: ravlin-cli pack"));
    EXPECT_THAT(help.out, HasSubstr("Examples:"));
    EXPECT_THAT(help.err, IsEmpty());
  }
}

TEST_F(CliRun, VerboseTellsSizesAndSaving) {
  // 1000 equal bytes: seven repeat blocks of 127 and one of 111, two bytes each, and the end.
  put("a.bin", std::string(1000, 'a'));

  const RunResult packed = run({"pack", "-v", "a.bin"});
  EXPECT_EQ(packed.status, 0);
  EXPECT_EQ(packed.err, "a.bin -> a.pack1: 1000 -> 17 bytes, 98.3% saved\n");

  const RunResult unpacked = run({"unpack", "-v", "-c", "a.pack1"});
  EXPECT_EQ(unpacked.status, 0);
  EXPECT_EQ(unpacked.err, "a.pack1 -> stdout: 17 -> 1000 bytes, 98.3% saved\n");
}

TEST_F(CliRun, ProgressShowsOnAPipeOnlyWhenForced) {
  put("a.bin", kSprite);

  const RunResult quietByDefault = run({"pack", "-c", "a.bin"});
  EXPECT_THAT(quietByDefault.err, IsEmpty()) << "stderr is a pipe here";

  const RunResult forced = run({"pack", "-c", "--progress", "a.bin"});
  EXPECT_EQ(forced.status, 0);
  EXPECT_THAT(forced.err, HasSubstr("a.bin  [####################] 100%"));
  EXPECT_EQ(forced.err.back(), '\n');

  const RunResult silenced = run({"pack", "-c", "--progress", "-q", "a.bin"});
  EXPECT_THAT(silenced.err, IsEmpty()) << "the later of -q and --progress wins";
}

// RAVLIN_SIMD caps the engine's processor path; a value that names none is refused before any
// file is touched, and a valid one packs the same stream.
TEST_F(CliRun, TheProcessorSwitchIsCheckedBeforeAnyFileIsTouched) {
  put("a.bin", kSprite);
  RunRequest refused;
  refused.shellScript = "RAVLIN_SIMD=neon exec \"$0\" pack a.bin";
  const RunResult result = run(std::move(refused));
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(result.err,
            "ravlin-cli: RAVLIN_SIMD=neon is not a processor path; use avx512, avx2, sse2 or "
            "scalar\n");
  EXPECT_EQ(scratch_.names(), std::vector<std::string>{"a.bin"});

  RunRequest capped;
  capped.shellScript = "RAVLIN_SIMD=scalar exec \"$0\" pack a.bin";
  EXPECT_EQ(run(std::move(capped)).status, 0);
  EXPECT_EQ(get("a.pack1"), enginePack(Method::kI, kSprite));
}

}  // namespace
}  // namespace ravlin::cli::testing
