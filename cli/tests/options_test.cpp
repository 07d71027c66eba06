// Tests of reading the command line: what each option sets, and what makes a usage error.
#include "options.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace ravlin::cli {
namespace {

using Action = ParsedCommandLine::Action;

ParsedCommandLine parse(std::vector<std::string_view> args) {
  return parseCommandLine(args);
}

TEST(Options, ShortLongAndBundledFormsSetTheSameFields) {
  for (const auto& args :
       {std::vector<std::string_view>{"pack", "-m", "2", "-c", "-f", "-v", "--verify", "a.bin"},
        {"pack", "-m2", "-cfv", "--verify", "a.bin"},
        {"pack", "a.bin", "--method=2", "--stdout", "--force", "--verbose", "--verify"},
        {"pack", "--method", "2", "-vfc", "--verify", "--", "a.bin"}}) {
    const ParsedCommandLine parsed = parse(args);
    ASSERT_EQ(parsed.action, Action::kRun) << parsed.error;
    const Options& o = parsed.options;
    EXPECT_TRUE(o.packing);
    EXPECT_EQ(o.method, Method::kII);
    EXPECT_TRUE(o.toStdout && o.force && o.verbose && o.verify);
    EXPECT_EQ(o.inputs, std::vector<std::string>{"a.bin"});
  }
}

TEST(Options, DefaultsAndOutputs) {
  const ParsedCommandLine bare = parse({"pack"});
  ASSERT_EQ(bare.action, Action::kRun);
  EXPECT_EQ(bare.options.method, Method::kI);
  EXPECT_EQ(bare.options.inputs, std::vector<std::string>{"-"});
  EXPECT_EQ(bare.options.progress, ProgressMode::kAuto);
  EXPECT_FALSE(bare.options.force || bare.options.toStdout || bare.options.verbose);

  const ParsedCommandLine named = parse({"unpack", "-oout.bin", "x.pack2"});
  ASSERT_EQ(named.action, Action::kRun) << named.error;
  EXPECT_EQ(named.options.outputFile, "out.bin");
  const ParsedCommandLine dir = parse({"unpack", "--output-dir", "o", "x.pack2", "y.pack1"});
  ASSERT_EQ(dir.action, Action::kRun) << dir.error;
  EXPECT_EQ(dir.options.outputDir, "o");
  EXPECT_EQ(dir.options.inputs, (std::vector<std::string>{"x.pack2", "y.pack1"}));
}

TEST(Options, AfterDoubleDashEverythingIsAFile) {
  const ParsedCommandLine parsed = parse({"pack", "--", "-f", "--help", "-"});
  ASSERT_EQ(parsed.action, Action::kRun);
  EXPECT_FALSE(parsed.options.force);
  EXPECT_EQ(parsed.options.inputs, (std::vector<std::string>{"-f", "--help", "-"}));
}

TEST(Options, TheLaterOfQuietAndProgressWins) {
  EXPECT_EQ(parse({"pack", "-q", "--progress"}).options.progress, ProgressMode::kForced);
  EXPECT_EQ(parse({"pack", "--progress", "--quiet"}).options.progress, ProgressMode::kQuiet);
}

TEST(Options, HelpAndVersionWinWherever) {
  EXPECT_EQ(parse({"--help"}).action, Action::kHelp);
  EXPECT_EQ(parse({"-V"}).action, Action::kVersion);
  EXPECT_EQ(parse({"unpack", "a.bin", "-h"}).action, Action::kHelp);
  EXPECT_EQ(parse({"pack", "--version", "--bogus"}).action, Action::kVersion);
  EXPECT_EQ(parse({"unpack", "--verify", "--help"}).action, Action::kHelp);
  EXPECT_EQ(versionText(), "ravlin-cli 1.4.0");
}

struct UsageErrorCase {
  std::vector<std::string_view> args;
  std::string message;
};

class OptionsUsageError : public ::testing::TestWithParam<UsageErrorCase> {};

TEST_P(OptionsUsageError, NamesTheProblem) {
  const ParsedCommandLine parsed = parse(GetParam().args);
  EXPECT_EQ(parsed.action, Action::kUsageError);
  EXPECT_THAT(parsed.error, ::testing::HasSubstr(GetParam().message));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OptionsUsageError,
    ::testing::Values(
        UsageErrorCase{{}, "no command given"},
        UsageErrorCase{{"-f", "pack"}, "unknown command '-f'"},
        UsageErrorCase{{"pack", "-m"}, "option '-m' needs a value"},
        UsageErrorCase{{"pack", "-m", "0"}, "method '0' is not 1 or 2"},
        UsageErrorCase{{"pack", "--method=12"}, "method '12'"},
        UsageErrorCase{{"pack", "-x"}, "unknown option '-x'"},
        UsageErrorCase{{"pack", "-fx"}, "unknown option '-x'"},
        UsageErrorCase{{"pack", "--forces"}, "unknown option '--forces'"},
        UsageErrorCase{{"pack", "--force=yes"}, "takes no value"},
        UsageErrorCase{{"pack", "-o", ""}, "needs a file name"},
        UsageErrorCase{{"pack", "--output-dir="}, "needs a folder name"},
        UsageErrorCase{{"pack", "-o", "x", "a", "b"}, "single input"},
        UsageErrorCase{{"pack", "-o", "x", "-c"}, "either -o or -c"},
        UsageErrorCase{{"pack", "-o", "x", "--output-dir", "d"}, "either -o or --output-dir"},
        UsageErrorCase{{"pack", "-c", "--output-dir", "d"}, "either -c or --output-dir"},
        UsageErrorCase{{"pack", "-c", "a", "b"}, "several packed streams"},
        UsageErrorCase{{"unpack", "--verify", "a.pack1"}, "--verify applies to pack only"},
        UsageErrorCase{{"unpack"}, "standard input"},
        UsageErrorCase{{"pack", "--ver"}, "unknown option '--ver'"},
        UsageErrorCase{{"pack", "--force", "-xf"}, "unknown option '-x'"},
        UsageErrorCase{{"pack", "--suffix"}, "option '--suffix' needs a value"},
        UsageErrorCase{{"pack", "-t"}, "-t applies to unpack only"},
        UsageErrorCase{{"pack", "-fl"}, "-l applies to unpack only"},
        UsageErrorCase{{"pack", "--suffix=.bin"}, "--suffix applies to unpack only"},
        UsageErrorCase{{"pack", "--no-sparse", "a"}, "--no-sparse applies to unpack only"},
        UsageErrorCase{{"unpack", "-l", "-c", "a.pack1"}, "-t and -l write nothing"},
        UsageErrorCase{{"unpack", "-t", "--no-sparse", "a.pack1"}, "-t and -l write nothing"},
        UsageErrorCase{{"unpack", "--suffix=a/b", "a.pack1"}, "cannot hold a '/'"},
        UsageErrorCase{{"pack", "-c", "--rm", "a"}, "does not go with -c"},
        UsageErrorCase{{"pack", "-c", "-r", "gfx"}, "several packed streams"},
        UsageErrorCase{{"pack", "--output-dir", "d", "a", "-"}, "give -o or -c"}));

TEST(Options, HabitsOfPeerTools) {
  const ParsedCommandLine parsed =
      parse({"unpack", "-r", "--no-sparse", "--rm", "-k", "gfx"});
  ASSERT_EQ(parsed.action, Action::kRun) << parsed.error;
  const Options& o = parsed.options;
  EXPECT_TRUE(o.recursive);
  EXPECT_FALSE(o.sparse);
  EXPECT_FALSE(o.removeInput) << "the later of --rm and -k wins";
  EXPECT_TRUE(parse({"pack", "-k", "--rm", "a"}).options.removeInput);
  EXPECT_EQ(parse({"unpack", "--suffix=", "a.pack1"}).options.suffix, "");
  EXPECT_EQ(parse({"unpack", "-l", "a.rle"}).action, Action::kRun)
      << "an unknown suffix is settled per file, not as a usage error";
  const Options both = parse({"unpack", "-lt", "a.pack1"}).options;
  EXPECT_TRUE(both.test && both.list) << "-t and -l together do both";
}

TEST(Options, UnpackMethodComesFromTheOptionOrTheSuffix) {
  Options options;
  EXPECT_EQ(unpackMethodFor(options, "dir.pack2/a.pack1"), Method::kI);
  EXPECT_EQ(unpackMethodFor(options, "a.pack1.pack2"), Method::kII);
  EXPECT_EQ(unpackMethodFor(options, "a.pack2.bin"), std::nullopt);
  EXPECT_EQ(unpackMethodFor(options, "-"), std::nullopt);
  options.method = Method::kII;
  EXPECT_EQ(unpackMethodFor(options, "a.pack1"), Method::kII);
  EXPECT_EQ(unpackMethodFor(options, "-"), Method::kII);
}

}  // namespace
}  // namespace ravlin::cli
