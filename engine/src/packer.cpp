// The fast packer: greedy repeat and literal blocks whose lengths come from a bit scan, on input
// that arrives in chunks of any size.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

#include "progress.h"
#include "ravlin/codec.h"
#include "unit_scan.h"

namespace ravlin {

namespace {

using detail::Progress;

constexpr std::uint32_t kMaxBlock = 127;
// The last units of the input are packed by the careful loop, which knows how the scan ends.
// Ahead of them a block can neither reach the end nor read past it.
constexpr std::uint64_t kTailUnits = 192;
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
      : progress_(host, Progress::Direction::kPacking, inputBytes), shortInput_(shortInput) {}

  void write(std::span<const std::uint8_t> chunk, OutputSink& sink) override;
  void finish(OutputSink& sink) override;

 private:
  // A full carry holds enough units for the fast loop to take every unit carried before the
  // chunk's bytes were added.
  static constexpr std::size_t kCarryBytes = 2 * (kTailUnits + 1) * U;

  // Packs the blocks that start before unit n - kTailUnits of `in`; returns the units taken.
  std::uint64_t scan(const std::uint8_t* in, std::uint64_t n, OutputSink& sink) {
    return progress_.everyBlock() ? scanFast<true>(in, n, sink) : scanFast<false>(in, n, sink);
  }
  template <bool kEveryBlock>
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
  std::uint64_t consumed_ = 0;  // input bytes before the first unit not yet in a block
  std::uint64_t written_ = 0;   // stream bytes committed
  std::uint8_t* room_ = nullptr;
  std::size_t carried_ = 0;
  std::uint8_t carry_[kCarryBytes];
};

template <int U>
template <bool kEveryBlock>
std::uint64_t UnitPacker<U>::scanFast(const std::uint8_t* in, std::uint64_t n, OutputSink& sink) {
  const std::uint64_t fastEnd = n - kTailUnits;
  const std::uint64_t base = consumed_;
  NeighbourBits<U> bits;
  std::uint64_t covered = 0;
  std::uint64_t i = 0;
  while (i < fastEnd) {
    // Room for the blocks that start before passEnd; they end at most 127 units after it.
    const std::uint64_t passEnd = std::min(fastEnd, i + kPassBytes / U);
    std::uint8_t* const start =
        openRoom(sink, streamBound<U>(std::min(n, passEnd + kMaxBlock) - i));
    std::uint8_t* o = start;
    // Where the host is next due: a block after which N changes, or a lone event call.
    std::uint64_t limit = passEnd;
    std::uint64_t changeAt = 0;
    if constexpr (!kEveryBlock) {
      const std::uint64_t eventAt = progress_.nextEventAt();
      limit = std::min(limit, eventAt > base ? (eventAt - base + U - 1) / U : 0);
      changeAt = progress_.changeAt() - std::min(progress_.changeAt(), written_);
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
      if (kEveryBlock || static_cast<std::uint64_t>(o - start) >= changeAt) break;
    }
    // The sink has every byte before the host hears of them, in case the host throws.
    commit(sink, o);
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
