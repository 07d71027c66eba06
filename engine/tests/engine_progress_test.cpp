// The bar's percentage at sizes beyond 32 bits, and the point where it next changes.
#include "progress.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "recording_host.h"

namespace ravlin::testing {
namespace {

using detail::Progress;

constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;

struct Percentage {
  Progress::Direction direction;
  std::uint64_t divisor;
  std::uint64_t value;
  Bar expected;
};

TEST(EngineProgress, PercentagesOfLargeSizesUseEveryBit) {
  const std::vector<Percentage> cases = {
      // A 4 GiB input: its low 32 bits are 0, the whole size is not.
      {Progress::Direction::kPacking, 4 * kGiB, 2, {"100%", 200}},
      {Progress::Direction::kPacking, 4 * kGiB, 2 * kGiB, {"50%", 100}},
      {Progress::Direction::kPacking, 4 * kGiB, 6 * kGiB, {"-50%", 100}},
      // 2 GiB and more: no sign trouble.
      {Progress::Direction::kPacking, 2 * kGiB + 2, kGiB + 1, {"50%", 100}},
      {Progress::Direction::kPacking, 3 * kGiB, 3 * kGiB - 1, {"1%", 2}},
      {Progress::Direction::kUnpacking, 4 * kGiB, 4 * kGiB, {"100%", 200}},
      {Progress::Direction::kUnpacking, 4 * kGiB, kGiB, {"25%", 50}},
      {Progress::Direction::kUnpacking, 5 * kGiB, 5 * kGiB + 1, {"100%", 200}},
      {Progress::Direction::kUnpacking, 10, 11, {"110%", 220}},
  };
  for (const Percentage& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.divisor << " " << c.value);
    RecordingHost host;
    Progress progress(host, c.direction, c.divisor);
    progress.afterBlock(c.value, c.value);
    EXPECT_EQ(host.bars, std::vector<Bar>{c.expected});
  }
}

// In kChanges mode the threshold must name the first value whose percentage differs: a value
// one below it shows nothing new, the value itself shows the next percentage.
TEST(EngineProgress, ChangeThresholdIsExact) {
  for (const auto direction : {Progress::Direction::kPacking, Progress::Direction::kUnpacking}) {
    for (const std::uint64_t divisor : {std::uint64_t{3}, std::uint64_t{99}, std::uint64_t{101},
                                        std::uint64_t{12345}, 4 * kGiB + 7}) {
      SCOPED_TRACE(divisor);
      RecordingHost host(Reporting::kChanges);
      Progress progress(host, direction, divisor);
      progress.afterBlock(2, 2);
      for (int step = 0; step < 5; ++step) {
        const std::uint64_t next = progress.changeAt();
        const std::size_t shown = host.bars.size();
        progress.afterBlock(next - 1, 0);
        EXPECT_EQ(host.bars.size(), shown);
        progress.afterBlock(next, 0);
        ASSERT_EQ(host.bars.size(), shown + 1);
        EXPECT_NE(host.bars[shown], host.bars[shown - 1]);
      }
    }
  }
}

}  // namespace
}  // namespace ravlin::testing
