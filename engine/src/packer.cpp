// The fast packer: greedy repeat and literal blocks whose lengths come from a bit scan.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "progress.h"
#include "ravlin/engine.h"
#include "unit_scan.h"

namespace ravlin {

namespace {

using detail::Progress;

constexpr std::uint32_t kMaxBlock = 127;
// The last units of the input are packed by the careful loop, which knows how the scan ends.
// Ahead of them a block can neither reach the end nor read past it.
constexpr std::uint64_t kTailUnits = 192;

template <int U>
std::uint8_t* putRepeat(std::uint8_t* out, std::uint64_t count, const std::uint8_t* unit) {
  out[0] = static_cast<std::uint8_t>(0x80 | count);
  std::memcpy(out + 1, unit, U);
  return out + 1 + U;
}

template <int U>
std::uint8_t* putLiteral(std::uint8_t* out, std::uint64_t count, const std::uint8_t* units) {
  out[0] = static_cast<std::uint8_t>(count);
  std::memcpy(out + 1, units, count * U);
  return out + 1 + count * U;
}

// Where a block whose first 32 units do not end it ends: the first t >= 32 at which the
// neighbour test flips (unit t and t + 1 differ in a repeat block, are equal in a literal one),
// or 128 when it does not flip before the longest block.
template <int U>
std::uint32_t longSpan(const std::uint8_t* at, std::uint32_t flip) {
  for (std::uint32_t t = 32; t < 128; t += 32) {
    const std::uint32_t ends = detail::equalNeighbours<U>(at + t * U) ^ flip;
    if (ends != 0) return t + detail::trailingZeros(ends);
  }
  return 128;
}

// The neighbour bits of a stretch of input, worked out ahead in one wide pass, so that finding
// where a block ends costs one load and a bit scan rather than a wide comparison per block.
template <int U>
class NeighbourBits {
 public:
  static constexpr std::uint64_t kUnits = 4096;
  // Bits that at() gives for sure: 64 less the shift within a byte.
  static constexpr std::uint32_t kValid = 57;

  // Covers the blocks that start in [start, start + units), units <= kUnits; reads the units up
  // to start + units + 64 and 31 bytes more.
  void fill(const std::uint8_t* in, std::uint64_t start, std::uint64_t units) {
    start_ = start;
    const std::uint64_t words = (units + 63) / 32 + 1;
    for (std::uint64_t k = 0; k < words; ++k) {
      words_[k] = detail::equalNeighbours<U>(in + (start + 32 * k) * U);
    }
  }

  // Bit t: unit i + t equals unit i + t + 1, for t < kValid.
  std::uint64_t at(std::uint64_t i) const {
    const std::uint64_t offset = i - start_;
    std::uint64_t bits = 0;
    std::memcpy(&bits, reinterpret_cast<const std::uint8_t*>(words_) + offset / 8, 8);
    return bits >> (offset % 8);
  }

 private:
  std::uint32_t words_[kUnits / 32 + 4] = {};
  std::uint64_t start_ = 0;
};

template <int U, bool kEveryBlock>
void packUnits(std::span<const std::uint8_t> input, ByteBuffer& out, Progress& progress) {
  const std::uint8_t* const in = input.data();
  const std::uint64_t n = input.size() / U;
  // A method II input of odd size is never exhausted: the scan runs into its odd last byte.
  const bool exhaustible = input.size() % U == 0;

  out.clear();
  // The longest streams: method I's literal of one byte before every pair, 4 bytes for 3 input
  // bytes; method II's literals of 127 words, 255 bytes for 254. Beyond them come the final step
  // and the end marker, and the fast loop writes up to 32 bytes ahead.
  out.reserve(input.size() + input.size() / (U == 1 ? 3 : 254) + 64);
  std::uint8_t* const base = out.data();
  std::uint8_t* o = base;
  std::uint64_t i = 0;
  const auto written = [&] { return static_cast<std::uint64_t>(o - base); };
  // The buffer's size is kept up to date before the host is called, in case the host throws.
  const auto afterBlock = [&](std::uint64_t units) {
    out.commit(written());
    progress.afterBlock(written(), units * U);
  };

  if (n > kTailUnits) {
    const std::uint64_t fastEnd = n - kTailUnits;
    NeighbourBits<U> bits;
    std::uint64_t covered = 0;
    for (;;) {
      std::uint64_t limit = fastEnd;
      if constexpr (!kEveryBlock) {
        limit = std::min(limit, (progress.nextEventAt() + U - 1) / U);
      }
      while (i < limit) {
        if (i >= covered) {
          const std::uint64_t units = std::min(NeighbourBits<U>::kUnits, fastEnd - i);
          bits.fill(in, i, units);
          covered = i + units;
        }
        // A repeat block runs while the bits are set, a literal block while they are clear; both
        // forms are handled alike.
        const std::uint64_t neighbours = bits.at(i);
        const std::uint32_t repeat = neighbours & 1u;
        const std::uint64_t ends = neighbours ^ (0 - std::uint64_t{repeat});
        std::uint32_t span = ends != 0 ? detail::trailingZeros64(ends) : 64;
        const std::uint8_t* at = in + i * U;
        if (span >= NeighbourBits<U>::kValid) span = longSpan<U>(at, 0u - repeat);
        const std::uint32_t count = std::min(span + repeat, kMaxBlock);
        o[0] = static_cast<std::uint8_t>(count | repeat << 7);
        std::memcpy(o + 1, at, 32);
        // Selected with a mask: a branch would be mispredicted on every other block.
        const std::uint32_t bytes = (U & (0u - repeat)) | (count * U & (repeat - 1u));
        if (bytes > 32) std::memcpy(o + 33, at + 32, bytes - 32);
        o += 1 + bytes;
        i += count;
        if (kEveryBlock || written() >= progress.changeAt()) afterBlock(i);
      }
      if (i >= fastEnd) break;
      afterBlock(i);
    }
  }

  // The last units, one at a time, with the scan's rules for the end of the input.
  const auto unit = [in](std::uint64_t index) { return detail::unitAt<U>(in, index); };
  const auto readBeyondEnd = [&] {
    out.commit(written());
    throw IoError(IoErrorKind::kReadBeyondEnd);
  };
  for (;;) {
    // A block starts with a unit and reads the one after it.
    if (i + 1 >= n) readBeyondEnd();
    const std::uint32_t first = unit(i);
    if (first == unit(i + 1)) {
      std::uint64_t count = 2;
      while (count < kMaxBlock && i + count < n && unit(i + count) == first) ++count;
      o = putRepeat<U>(o, count, in + i * U);
      i += count;
      // With an odd last byte, the run's end is looked for in that byte.
      if (i == n && !exhaustible) readBeyondEnd();
      afterBlock(i);
      if (i == n) break;
      if (i + 1 == n && exhaustible) {
        // One unit is left, the one that ended the run or its 128th: a literal of its own.
        o = putLiteral<U>(o, 1, in + i * U);
        break;
      }
      continue;
    }

    // A literal block; it stops early when only the last unit is left after it.
    std::uint64_t count = 0;
    bool nextIsLast = false;
    for (;;) {
      const std::uint64_t j = i + count;
      if (unit(j) == unit(j + 1) || count == kMaxBlock) break;
      ++count;
      if (j + 2 == n) {
        nextIsLast = true;
        break;
      }
    }
    std::uint8_t* const control = o;
    o = putLiteral<U>(o, count, in + i * U);
    i += count;
    if (nextIsLast) {
      if (!exhaustible) readBeyondEnd();
      afterBlock(i);
      // The last unit joins the block when it has room, else stands alone.
      if (count < kMaxBlock) {
        ++*control;
        std::memcpy(o, in + i * U, U);
        o += U;
      } else {
        o = putLiteral<U>(o, 1, in + i * U);
      }
      break;
    }
    afterBlock(i);
    // Two units are left after a literal block that stopped before them.
    if (i + 2 == n && exhaustible) {
      if (unit(i) != unit(i + 1)) {
        o = putLiteral<U>(o, 2, in + i * U);
        break;
      }
      // Method I closes with the last pair quietly; method II's scan takes it as a block.
      if (U == 1) {
        o = putRepeat<U>(o, 2, in + i * U);
        break;
      }
    }
  }
  *o++ = 0x00;
  out.commit(written());
}

template <int U>
void packWith(std::span<const std::uint8_t> input, ByteBuffer& out, Host& host) {
  Progress progress(host, Progress::Direction::kPacking, input.size());
  if (progress.everyBlock()) {
    packUnits<U, true>(input, out, progress);
  } else {
    packUnits<U, false>(input, out, progress);
  }
}

}  // namespace

void pack(Method method, std::span<const std::uint8_t> input, ByteBuffer& out, Host& host) {
  if (method == Method::kI) {
    packWith<1>(input, out, host);
  } else {
    packWith<2>(input, out, host);
  }
}

}  // namespace ravlin
