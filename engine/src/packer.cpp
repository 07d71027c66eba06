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
// Ahead of them neither a block (up to 126 units past the fast loop's end) nor the search for the
// start of the block after it (up to 128 units and a word of 64 further) reads past the end.
constexpr std::uint64_t kTailUnits = 384;

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

template <int U>
bool equalsNext(const std::uint8_t* in, std::uint64_t index) {
  return detail::unitAt<U>(in, index) == detail::unitAt<U>(in, index + 1);
}

// Finds where blocks start, 64 units at a time. With e(t) meaning "unit t equals unit t + 1", a
// block starts at t when e(t - 1) is clear and e(t) is set (a run begins) or e(t - 2) is set (a
// run ended at unit t - 1, and its repeat block took that unit). This holds as long as no block
// is cut at 127 units; the caller cuts longer ones and drops the one start that a cut can make
// wrong. Block after block, the next start comes from a bit scan of a register, so packing a
// block does not wait for a load that depends on where the block before it ended.
template <int U>
class BlockStarts {
 public:
  static constexpr std::uint64_t kNone = ~std::uint64_t{0};

  // Scans from the block start `from`: the units before it count as different from each other.
  BlockStarts(const std::uint8_t* in, std::uint64_t from) : in_(in), word_(from / 64) {
    const std::uint32_t offset = from % 64;
    equal_ = load(in_, word_) & (~std::uint64_t{0} << offset);
    starts_ = startsOf(0) & (~std::uint64_t{0} << offset << 1);
  }

  // The next block start after the one the scan is at, or kNone when there is none in the words
  // that begin below `bound`; a later call with a larger bound goes on from there.
  std::uint64_t next(std::uint64_t bound) {
    while (starts_ == 0) {
      if ((word_ + 1) * 64 >= bound) return kNone;
      ++word_;
      const std::uint64_t previous = equal_;
      equal_ = load(in_, word_);
      starts_ = startsOf(previous);
    }
    const std::uint64_t start = word_ * 64 + detail::trailingZeros64(starts_);
    starts_ &= starts_ - 1;
    return start;
  }

  // Whether the block at `start`, the last one that next() gave, is a repeat block.
  std::uint32_t repeatAt(std::uint64_t start) const {
    return static_cast<std::uint32_t>(equal_ >> (start % 64)) & 1u;
  }

 private:
  // e(t) for the 64 units of word k; reads the units up to 64 k + 64 and 31 bytes more. Kept out
  // of line: inlined, its wide temporaries crowd the block loop's registers, which measured
  // slower.
  [[gnu::noinline]] static std::uint64_t load(const std::uint8_t* in, std::uint64_t k) {
    const std::uint8_t* at = in + k * 64 * U;
    return detail::equalNeighbours<U>(at) | std::uint64_t{detail::equalNeighbours<U>(at + 32 * U)}
                                                << 32;
  }

  std::uint64_t startsOf(std::uint64_t previous) const {
    const std::uint64_t before1 = equal_ << 1 | previous >> 63;
    const std::uint64_t before2 = equal_ << 2 | previous >> 62;
    return ~before1 & (equal_ | before2);
  }

  const std::uint8_t* in_;
  std::uint64_t word_;
  std::uint64_t equal_ = 0;
  std::uint64_t starts_ = 0;
};

struct FastPosition {
  std::uint64_t unit;  // the index of a block's first unit
  std::uint8_t* out;   // where that block goes
};

// Packs blocks from `from` on until a block starts at or after `limit` or the stream reaches
// `showAt`, and returns where the next block starts. Its own function so that the few values the
// loop carries stay in registers.
template <int U>
FastPosition packBlocks(const std::uint8_t* in, FastPosition from, std::uint64_t limit,
                        const std::uint8_t* showAt) {
  std::uint64_t i = from.unit;
  std::uint8_t* o = from.out;
  const auto putBlock = [&](std::uint64_t count, std::uint32_t repeat) {
    const std::uint8_t* at = in + i * U;
    o[0] = static_cast<std::uint8_t>(count | repeat << 7);
    std::memcpy(o + 1, at, 32);
    // Selected with a mask: a branch would be mispredicted on every other block.
    const std::uint64_t bytes = (U & (0u - repeat)) | (count * U & (repeat - 1u));
    // Longer literals in pieces of 16 bytes, the last of them running up to 15 bytes over.
    for (std::uint64_t offset = 32; offset < bytes; offset += 16) {
      std::memcpy(o + 1 + offset, at + offset, 16);
    }
    o += 1 + bytes;
    i += count;
  };
  BlockStarts<U> starts(in, i);
  std::uint32_t repeat = equalsNext<U>(in, i) ? 1u : 0u;
  std::uint64_t next = starts.next(i + kMaxBlock + 1);
  while (i < limit) {
    if (next - i > kMaxBlock) {
      // A block of more than 127 units: cut, and the rest starts a block of its own.
      const std::uint32_t cutRepeat = repeat;
      putBlock(kMaxBlock, repeat);
      repeat = equalsNext<U>(in, i) ? 1u : 0u;
      if (next == BlockStarts<U>::kNone) next = starts.next(i + kMaxBlock + 1);
      // The last unit of a cut run starts a literal block that goes on past the start that the
      // scan saw after the run.
      if (cutRepeat && !repeat && next == i + 1 && !equalsNext<U>(in, next)) {
        next = starts.next(i + kMaxBlock + 1);
      }
    } else {
      putBlock(next - i, repeat);
      repeat = starts.repeatAt(next);
      next = starts.next(i + kMaxBlock + 1);
    }
    if (o >= showAt) break;
  }
  return {i, o};
}

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
    for (;;) {
      std::uint64_t limit = fastEnd;
      if constexpr (!kEveryBlock) {
        limit = std::min(limit, (progress.nextEventAt() + U - 1) / U);
      }
      // Every block is shown, or the first one that changes the percentage.
      const std::uint8_t* const showAt = kEveryBlock ? o : base + progress.changeAt();
      const FastPosition at = packBlocks<U>(in, {i, o}, limit, showAt);
      i = at.unit;
      o = at.out;
      const bool due = o >= showAt;
      if (due) afterBlock(i);
      if (i >= fastEnd) break;
      // Stopped at the limit: the lone event call, if one is due.
      if (!due) afterBlock(i);
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
