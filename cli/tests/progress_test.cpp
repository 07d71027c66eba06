// Tests of the progress line: how it reads, and how it fits a terminal of any width.
#include "progress.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <string>

namespace ravlin::cli {
namespace {

TEST(ProgressLine, ShowsBarPercentRateAndSaving) {
  ProgressState state{"a.bin", 0, 0, -1, ""};
  EXPECT_EQ(formatProgressLine(state, 0), "a.bin  [--------------------]   0%");
  state = {"a.bin", 52, 0, 3.5 * 1024 * 1024, "37%"};
  EXPECT_EQ(formatProgressLine(state, 0), "a.bin  [##########----------]  52%  3.5 MiB/s  saved 37%");
  state = {"stdin", std::nullopt, 12u << 20, 900, ""};
  EXPECT_EQ(formatProgressLine(state, 0), "stdin  12.0 MiB  900.0 B/s");
}

// Narrower terminals shorten the name first (keeping its end), then drop the saving, the rate and
// the bar; no line reaches the last column, where some terminals wrap.
TEST(ProgressLine, FitsTheWidthByShorteningTheNameFirst) {
  const std::string name = "graphics/level-one/background-layer-far.bin";
  const ProgressState state{name, 52, 0, 3.5 * 1024 * 1024, "37.5%"};
  const struct {
    std::size_t width;
    const char* line;
  } cases[] = {
      {120, "graphics/level-one/background-layer-far.bin  [##########----------]  52%  3.5 MiB/s"
            "  saved 37.5%"},
      {80, "...ackground-layer-far.bin  [##########----------]  52%  3.5 MiB/s  saved 37.5%"},
      {60, "...nd-layer-far.bin  [##########----------]  52%  3.5 MiB/s"},
      {40, "...el-one/background-layer-far.bin  52%"},
      {20, "...yer-far.bin  52%"},
      {8, "in  52%"},
  };
  for (const auto& c : cases) {
    const std::string line = formatProgressLine(state, c.width);
    EXPECT_EQ(line, c.line) << c.width;
    EXPECT_LT(line.size(), c.width);
  }
}

// A name cannot move the cursor: control characters, a backslash and bytes that are no UTF-8 are
// written as escapes. Wide characters take two columns, and a name is cut between characters.
TEST(ProgressLine, EscapesTheNameAndCutsItByColumns) {
  const struct {
    const char* name;
    std::size_t width;
    const char* line;
  } cases[] = {
      {"two\nlines\r.bin", 0, "two\\nlines\\r.bin   0%"},
      {"tab\there\x1b[2J", 0, "tab\\there\\033[2J   0%"},
      {"back\\slash \xff\xc2\x9b", 0, "back\\\\slash \\377\\302\\233   0%"},
      {"\xe3\x82\xb9\xe3\x83\x97\xe3\x83\xa9\xe3\x82\xa4\xe3\x83\x88\xe7\x94\xbb\xe5\x83\x8f"
       "\xe3\x83\x95\xe3\x82\xa1\xe3\x82\xa4\xe3\x83\xab.bin",
       30,
       "...\xe3\x82\xa4\xe3\x83\x88\xe7\x94\xbb\xe5\x83\x8f\xe3\x83\x95\xe3\x82\xa1\xe3\x82\xa4"
       "\xe3\x83\xab.bin   0%"},
  };
  for (const auto& c : cases) {
    const ProgressState state{c.name, 0, 0, -1, ""};
    std::string line = formatProgressLine(state, c.width);
    if (c.width == 0) line.erase(line.find("  ["), 24);  // the bar is not the point here
    EXPECT_EQ(line, c.line) << c.name;
  }
}

TEST(ProgressHost, ForcedDisplayEndsWithTheFinalLineAndTheRunsSaving) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  {
    ProgressDisplay display(fds[1], true);
    ProgressHost host(&display, "a.bin", true, 4096);
    host.setBarCaption("37%");
    host.advance(1024);
    host.finish(4096, "36.2%");
  }
  ::close(fds[1]);
  char buffer[512];
  const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
  ::close(fds[0]);
  ASSERT_GT(n, 0);
  const std::string text(buffer, static_cast<std::size_t>(n));
  EXPECT_THAT(text, ::testing::StartsWith("\ra.bin  [#####---------------]  25%"));
  EXPECT_THAT(text, ::testing::HasSubstr("saved 37%"));
  EXPECT_THAT(text, ::testing::HasSubstr("\ra.bin  [####################] 100%"));
  EXPECT_THAT(text, ::testing::EndsWith("  saved 36.2%\n"));
}

}  // namespace
}  // namespace ravlin::cli
