// The fast packer: greedy repeat and literal blocks whose lengths come from a bit scan, on input
// that arrives in chunks of any size.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

#include "progress.h"
#include "ravlin/codec.h"
#include "simd_path.h"
#include "unit_loads.h"

namespace ravlin {

namespace {

using detail::Progress;

constexpr std::uint32_t kMaxBlock = 127;
// The last units of the input are packed by the careful loop, which knows how the scan ends.
// Ahead of them neither a block (up to 126 units past the fast loop's end) nor the search for the
// start of the block after it (up to 128 units, then the word of 64 that is compared ahead, and
// 31 bytes more) reads past the end: 126 + 127 + 64 + 64 + 31 units at most.
constexpr std::uint64_t kTailUnits = 448;
// Input bytes one fast pass covers at most, so that a sink is asked for bounded room.
constexpr std::uint64_t kPassBytes = std::uint64_t{1} << 20;

// The most stream bytes that the blocks over `units` units take: method I's literal of one byte
// before every pair, 4 bytes for 3 input bytes; method II's literals of 127 words, 255 bytes for
// 254. Beyond them come the final step and the end marker, and the fast loop writes up to 32
// bytes ahead.
template <int U>
std::size_t streamBound(std::uint64_t units) {
  const std::uint64_t bytes = units * U;
  return static_cast<std::size_t>(bytes + bytes / (U == 1 ? 3 : 254) + 64);
}

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
// block does not wait for a load that depends on where the block before it ended. kVector
// compares 16 bytes at a time, else one unit at a time.
template <int U, bool kVector>
class BlockStarts {
 public:
  static constexpr std::uint64_t kNone = ~std::uint64_t{0};

  // Scans from the block start `from`: the units before it count as different from each other.
  BlockStarts(const std::uint8_t* in, std::uint64_t from) : in_(in), word_(from / 64) {
    const std::uint32_t offset = from % 64;
    equal_ = load(in_, word_) & (~std::uint64_t{0} << offset);
    ahead_ = load(in_, word_ + 1);
    starts_ = startsOf(0) & (~std::uint64_t{0} << offset << 1);
  }

  // The next block start after the one the scan is at, or kNone when there is none in the words
  // that begin below `bound`; a later call with a larger bound goes on from there.
  std::uint64_t next(std::uint64_t bound) {
    // Once a word at most: kept off the path that runs from one block to the next.
    while (starts_ == 0) [[unlikely]] {
        if ((word_ + 1) * 64 >= bound) return kNone;
        ++word_;
        const std::uint64_t previous = equal_;
        // The word after is compared now, while the blocks of this one are packed, so that moving
        // on to it next time does not wait for its loads.
        equal_ = ahead_;
        ahead_ = load(in_, word_ + 1);
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
    return equal32(at) | std::uint64_t{equal32(at + 32 * U)} << 32;
  }

  static std::uint32_t equal32(const std::uint8_t* at) {
#if defined(RAVLIN_SSE2)
    if constexpr (kVector) return detail::equalNeighbours<U>(at);
#endif
    return detail::equalNeighboursScalar<U>(at);
  }

  std::uint64_t startsOf(std::uint64_t previous) const {
    const std::uint64_t before1 = equal_ << 1 | previous >> 63;
    const std::uint64_t before2 = equal_ << 2 | previous >> 62;
    return ~before1 & (equal_ | before2);
  }

  const std::uint8_t* in_;
  std::uint64_t word_;
  std::uint64_t equal_ = 0;
  std::uint64_t ahead_ = 0;  // e(t) of the word after word_
  std::uint64_t starts_ = 0;
};

struct FastPosition {
  std::uint64_t unit;  // the index of a block's first unit
  std::uint8_t* out;   // where that block goes
};

// Packs blocks from `from` on until a block starts at or after `limit` or the stream reaches
// `showAt`, and returns where the next block starts. Its own function, so that the loop carries
// few values besides its own: that measured faster than the loop inside the caller.
template <int U, bool kVector>
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
  BlockStarts<U, kVector> starts(in, i);
  std::uint32_t repeat = equalsNext<U>(in, i) ? 1u : 0u;
  std::uint64_t next = starts.next(i + kMaxBlock + 1);
  while (i < limit) {
    if (next - i > kMaxBlock) [[unlikely]] {
      // A block of more than 127 units: cut, and the rest starts a block of its own.
      const std::uint32_t cutRepeat = repeat;
      putBlock(kMaxBlock, repeat);
      repeat = equalsNext<U>(in, i) ? 1u : 0u;
      if (next == BlockStarts<U, kVector>::kNone) next = starts.next(i + kMaxBlock + 1);
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

}  // namespace

class Packer::Impl {
 public:
  virtual ~Impl() = default;
  virtual void write(std::span<const std::uint8_t> chunk, OutputSink& sink) = 0;
  virtual void finish(OutputSink& sink) = 0;
};

namespace {

// The scan over units of U bytes. Whole blocks are packed by the fast loop straight from each
// chunk; the units it cannot yet take (fewer than kTailUnits ahead of a chunk's end) wait in the
// carry, which the next chunk tops up, and the last of them go to the careful loop at the end.
template <int U>
class UnitPacker final : public Packer::Impl {
 public:
  UnitPacker(Host& host, std::optional<std::uint64_t> inputBytes, ShortInput shortInput)
      : progress_(host, Progress::Direction::kPacking, inputBytes),
        shortInput_(shortInput),
        path_(std::min(detail::simdPath(), detail::kWidestPackerPath)) {}

  void write(std::span<const std::uint8_t> chunk, OutputSink& sink) override;
  void finish(OutputSink& sink) override;

 private:
  // A full carry holds enough units for the fast loop to take every unit carried before the
  // chunk's bytes were added.
  static constexpr std::size_t kCarryBytes = 2 * (kTailUnits + 1) * U;

  // Packs the blocks that start before unit n - kTailUnits of `in`; returns the units taken.
  std::uint64_t scan(const std::uint8_t* in, std::uint64_t n, OutputSink& sink) {
    if (path_ == detail::SimdPath::kScalar) {
      return progress_.everyBlock() ? scanFast<true, false>(in, n, sink)
                                    : scanFast<false, false>(in, n, sink);
    }
    return progress_.everyBlock() ? scanFast<true, true>(in, n, sink)
                                  : scanFast<false, true>(in, n, sink);
  }
  template <bool kEveryBlock, bool kVector>
  std::uint64_t scanFast(const std::uint8_t* in, std::uint64_t n, OutputSink& sink);
  void packShortInput(OutputSink& sink);

  std::uint8_t* openRoom(OutputSink& sink, std::size_t bytes) {
    room_ = sink.room(bytes).data();
    return room_;
  }
  // Hands the bytes written from the room's start up to `end` to the sink.
  void commit(OutputSink& sink, const std::uint8_t* end) {
    const auto bytes = static_cast<std::size_t>(end - room_);
    sink.commit(bytes);
    written_ += bytes;
    room_ = nullptr;
  }

  Progress progress_;
  ShortInput shortInput_;
  detail::SimdPath path_;
  std::uint64_t consumed_ = 0;  // input bytes before the first unit not yet in a block
  std::uint64_t written_ = 0;   // stream bytes committed
  std::uint8_t* room_ = nullptr;
  std::size_t carried_ = 0;
  std::uint8_t carry_[kCarryBytes];
};

template <int U>
template <bool kEveryBlock, bool kVector>
std::uint64_t UnitPacker<U>::scanFast(const std::uint8_t* in, std::uint64_t n, OutputSink& sink) {
  const std::uint64_t fastEnd = n - kTailUnits;
  const std::uint64_t base = consumed_;
  std::uint64_t i = 0;
  while (i < fastEnd) {
    detail::countFastPass(path_);
    // Room for the blocks that start before passEnd; they end at most 127 units after it.
    const std::uint64_t passEnd = std::min(fastEnd, i + kPassBytes / U);
    const std::uint64_t roomBytes = streamBound<U>(std::min(n, passEnd + kMaxBlock) - i);
    std::uint8_t* const start = openRoom(sink, roomBytes);
    // Where the host is next due: a block after which N changes, or a lone event call.
    std::uint64_t limit = passEnd;
    std::uint64_t changeAt = 0;
    if constexpr (!kEveryBlock) {
      const std::uint64_t eventAt = progress_.nextEventAt();
      limit = std::min(limit, eventAt > base ? (eventAt - base + U - 1) / U : 0);
      // Beyond the room the pass cannot write; a run of unknown size is never due a change, and
      // its far-away threshold must not be formed as a pointer.
      changeAt =
          std::min(progress_.changeAt() - std::min(progress_.changeAt(), written_), roomBytes);
    }
    const FastPosition at = packBlocks<U, kVector>(in, {i, start}, limit, start + changeAt);
    i = at.unit;
    // The sink has every byte before the host hears of them, in case the host throws.
    commit(sink, at.out);
    progress_.afterBlock(written_, base + i * U);
  }
  consumed_ += i * U;
  return i;
}

template <int U>
void UnitPacker<U>::write(std::span<const std::uint8_t> chunk, OutputSink& sink) {
  // Units carried over from earlier chunks are packed from the carry, topped up from this chunk,
  // until the fast loop has reached this chunk's own bytes.
  while (carried_ > 0) {
    const std::size_t take = std::min(chunk.size(), kCarryBytes - carried_);
    if (take > 0) std::memcpy(carry_ + carried_, chunk.data(), take);
    carried_ += take;
    chunk = chunk.subspan(take);
    if (carried_ < kCarryBytes) return;
    const std::size_t left = kCarryBytes - scan(carry_, kCarryBytes / U, sink) * U;
    if (left <= take) {
      chunk = {chunk.data() - left, chunk.size() + left};
      carried_ = 0;
    } else {
      std::memmove(carry_, carry_ + kCarryBytes - left, left);
      carried_ = left;
    }
  }
  if (chunk.size() / U > kTailUnits) {
    chunk = chunk.subspan(scan(chunk.data(), chunk.size() / U, sink) * U);
  }
  if (!chunk.empty()) std::memcpy(carry_, chunk.data(), chunk.size());
  carried_ = chunk.size();
}

template <int U>
void UnitPacker<U>::packShortInput(OutputSink& sink) {
  std::uint8_t* o = openRoom(sink, 2 + U);
  if (carried_ == U) o = putLiteral<U>(o, 1, carry_);
  *o++ = 0x00;
  commit(sink, o);
}

// The last units, one at a time, with the scan's rules for the end of the input.
template <int U>
void UnitPacker<U>::finish(OutputSink& sink) {
  const std::uint8_t* const in = carry_;
  const std::uint64_t n = carried_ / U;
  // A method II input of odd size is never exhausted: the scan runs into its odd last byte.
  const bool exhaustible = carried_ % U == 0;
  if (consumed_ == 0 && n < 2 && exhaustible && shortInput_ == ShortInput::kPack) {
    packShortInput(sink);
    return;
  }

  std::uint64_t i = 0;
  std::uint8_t* o = openRoom(sink, streamBound<U>(n));
  // `uncounted`: bytes of the final step committed with the block, which its update leaves out.
  const auto afterBlock = [&](std::uint64_t uncounted = 0) {
    commit(sink, o);
    progress_.afterBlock(written_ - uncounted, consumed_ + i * U);
    o = openRoom(sink, streamBound<U>(n - i));
  };
  const auto unit = [in](std::uint64_t index) { return detail::unitAt<U>(in, index); };
  const auto readBeyondEnd = [&] {
    commit(sink, o);
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
      afterBlock();
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
    // The last unit joins a block that has room for it. It reaches the sink with the block, ahead
    // of the block's bar update, which counts the block without it: committed bytes are final.
    const bool joins = nextIsLast && exhaustible && count < kMaxBlock;
    o = putLiteral<U>(o, joins ? count + 1 : count, in + i * U);
    i += count;
    if (nextIsLast) {
      if (!exhaustible) readBeyondEnd();
      afterBlock(joins ? U : 0);
      if (!joins) o = putLiteral<U>(o, 1, in + i * U);
      break;
    }
    afterBlock();
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
  commit(sink, o);
  consumed_ += carried_;
  carried_ = 0;
}

template <int U>
std::unique_ptr<Packer::Impl> makePacker(Host& host, std::optional<std::uint64_t> inputBytes,
                                         ShortInput shortInput) {
  return std::make_unique<UnitPacker<U>>(host, inputBytes, shortInput);
}

}  // namespace

Packer::Packer(Method method, Host& host, std::optional<std::uint64_t> inputBytes,
               ShortInput shortInput)
    : impl_(method == Method::kI ? makePacker<1>(host, inputBytes, shortInput)
                                 : makePacker<2>(host, inputBytes, shortInput)) {}
Packer::~Packer() = default;
Packer::Packer(Packer&&) noexcept = default;
Packer& Packer::operator=(Packer&&) noexcept = default;

void Packer::write(std::span<const std::uint8_t> chunk, OutputSink& sink) {
  impl_->write(chunk, sink);
}

void Packer::finish(OutputSink& sink) {
  impl_->finish(sink);
}

void pack(Method method, std::span<const std::uint8_t> input, ByteBuffer& out, Host& host) {
  out.clear();
  // All the room at once: the stream is written without the buffer ever moving.
  const std::uint64_t units = input.size() / static_cast<std::uint64_t>(unitSize(method));
  out.reserve(method == Method::kI ? streamBound<1>(units) : streamBound<2>(units));
  BufferSink sink(out);
  Packer packer(method, host, input.size());
  packer.write(input, sink);
  packer.finish(sink);
}

}  // namespace ravlin
