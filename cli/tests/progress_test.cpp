// Tests of the progress line: how far a run is, and how the line reads.
#include "progress.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <string>

namespace ravlin::cli {
namespace {

TEST(ProgressHost, UnpackingPositionComesFromTheShownPercentage) {
  ProgressHost host(nullptr, "a.pack1", false, 1001);
  EXPECT_EQ(host.bytesDone(), 0u);
  host.ProcessEvents();
  host.SetBarCaption("40%");
  EXPECT_EQ(host.bytesDone(), 400u);
  host.SetBarCaption("100%");
  EXPECT_EQ(host.bytesDone(), 1000u);
  host.SetBarCaption("250%");  // a stream without an end marker can pass 100
  EXPECT_EQ(host.bytesDone(), 1001u);
}

TEST(ProgressHost, PackingPositionIsEstimatedFromTheEventStride) {
  constexpr auto kStride = static_cast<std::uint64_t>(kEventStrideBytes);
  ProgressHost host(nullptr, "a.bin", true, 10 * kStride);
  host.ProcessEvents();  // the first block always shows
  host.SetBarCaption("98%");
  host.SetBarWidth(196);
  EXPECT_EQ(host.bytesDone(), kStride / 2);
  host.ProcessEvents();
  host.ProcessEvents();
  EXPECT_EQ(host.bytesDone(), 2 * kStride + kStride / 2);
  host.ProcessEvents();
  host.SetBarCaption("-3%");
  EXPECT_EQ(host.bytesDone(), 3 * kStride);
  for (int i = 0; i < 20; ++i) host.ProcessEvents();
  EXPECT_EQ(host.bytesDone(), 10 * kStride) << "never beyond the input";
}

TEST(ProgressHost, ForcedDisplayEndsWithTheFinalLine) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  {
    ProgressDisplay display(fds[1], true);
    ProgressHost host(&display, "a.bin", true, 4096);
    host.ProcessEvents();
    host.SetBarCaption("37%");
    host.finish();
  }
  ::close(fds[1]);
  char buffer[512];
  const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
  ::close(fds[0]);
  ASSERT_GT(n, 0);
  const std::string text(buffer, static_cast<std::size_t>(n));
  EXPECT_THAT(text, ::testing::StartsWith("\ra.bin  [##"));
  EXPECT_THAT(text, ::testing::HasSubstr("\ra.bin  [####################] 100%"));
  EXPECT_THAT(text, ::testing::EndsWith("  saved 37%\n"));
}

TEST(ProgressLine, ShowsBarPercentRateAndSaving) {
  EXPECT_EQ(formatProgressLine("a.bin", 0, -1, ""), "a.bin  [--------------------]   0%");
  EXPECT_EQ(formatProgressLine("a.bin", 52, 3.5 * 1024 * 1024, "37%"),
            "a.bin  [##########----------]  52%  3.5 MiB/s  saved 37%");
  EXPECT_EQ(formatProgressLine("a.bin", 100, 900, "-2%"),
            "a.bin  [####################] 100%  900.0 B/s  saved -2%");
}

TEST(ProgressLine, KeepsTheEndOfALongName) {
  const std::string name = "graphics/level-one/background-layer-far.bin";
  const std::string line = formatProgressLine(name, 10, -1, "");
  EXPECT_THAT(line, ::testing::StartsWith("...-one/background-layer-far.bin  [##"));
}

}  // namespace
}  // namespace ravlin::cli
