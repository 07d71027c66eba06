// The percentage bar of a run: what it shows after a block, and when it next has to be told.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "ravlin/host.h"

namespace ravlin::detail {

// Shows N% after blocks, where N is, for a value v that only grows during a run,
//   packing:   100 - (v * 100) / divisor   v: stream bytes written, divisor: the input's size
//   unpacking:       (v * 100) / divisor   v: stream bytes read,    divisor: the stream's size - 1
// in 64-bit arithmetic truncating toward zero, and a width of 2 * |N| pixels.
//
// With Reporting::kEveryBlock every block is shown. With Reporting::kChanges a block is shown
// only when N differs from the last N shown (the first block always is), and otherwise the host
// gets a lone processEvents() once kEventStrideBytes of input have passed. Because N only changes
// once v reaches changeAt(), a fast loop needs a single comparison per block to know that nothing
// is due.
//
// Without a divisor (the size is unknown, or too small to divide by) no N is shown: blocks only
// bring processEvents(), after every block or once per stride.
class Progress {
 public:
  enum class Direction { kPacking, kUnpacking };

  Progress(Host& host, Direction direction, std::optional<std::uint64_t> divisor);

  bool everyBlock() const { return everyBlock_; }
  // The smallest v at which N differs from the N last shown; 1 before the first block.
  std::uint64_t changeAt() const { return changeAt_; }
  // The input position from which a lone processEvents() is due.
  std::uint64_t nextEventAt() const { return nextEventAt_; }

  // Called after a block with the block's v and the input bytes consumed so far, both totals of
  // the run. Calling it again with the same values does nothing more in Reporting::kChanges mode,
  // and afterwards changeAt() and nextEventAt() both lie beyond the values given.
  void afterBlock(std::uint64_t value, std::uint64_t inputPosition) {
    if (everyBlock_ || value >= changeAt_) {
      show(value, inputPosition);
    } else if (inputPosition >= nextEventAt_) {
      host_.processEvents();
      nextEventAt_ = inputPosition + kEventStride;
    }
  }

 private:
  static constexpr std::uint64_t kEventStride = static_cast<std::uint64_t>(kEventStrideBytes);

  void show(std::uint64_t value, std::uint64_t inputPosition);

  Host& host_;
  bool everyBlock_;
  bool packing_;
  std::uint64_t divisor_;  // 0: no percentage
  std::uint64_t changeAt_;
  std::uint64_t nextEventAt_ = kEventStride;
  std::string caption_;
  int width_ = 0;
};

}  // namespace ravlin::detail
