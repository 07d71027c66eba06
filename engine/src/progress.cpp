// The percentage bar of a run: formatting N and working out the next value that changes it.
#include "progress.h"

#include <limits>

namespace ravlin::detail {

Progress::Progress(Host& host, Direction direction, std::optional<std::uint64_t> divisor)
    : host_(host),
      everyBlock_(host.reporting() == Reporting::kEveryBlock),
      packing_(direction == Direction::kPacking),
      divisor_(divisor.value_or(0)),
      changeAt_(divisor_ == 0 ? std::numeric_limits<std::uint64_t>::max() : 1) {}

void Progress::show(std::uint64_t value, std::uint64_t inputPosition) {
  if (value >= changeAt_) {
    const std::uint64_t quotient = value * 100 / divisor_;
    const std::int64_t percentage =
        packing_ ? 100 - static_cast<std::int64_t>(quotient) : static_cast<std::int64_t>(quotient);
    caption_ = std::to_string(percentage) + "%";
    width_ = static_cast<int>(2 * (percentage < 0 ? -percentage : percentage));
    // The quotient grows by one at the first v with v * 100 >= (quotient + 1) * divisor.
    changeAt_ = ((quotient + 1) * divisor_ + 99) / 100;
  }
  host_.processEvents();
  if (divisor_ != 0) {
    host_.setBarCaption(caption_);
    host_.setBarWidth(width_);
  }
  nextEventAt_ = inputPosition + kEventStride;
}

}  // namespace ravlin::detail
