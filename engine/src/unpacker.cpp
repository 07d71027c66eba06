// The fast unpacker: short blocks decoded with a fixed number of wide loads and stores, on a
// stream that arrives in chunks of any size.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

#include "fast_loop_limits.h"
#include "progress.h"
#include "ravlin/codec.h"
#include "simd_path.h"
#include "unit_loads.h"
#include "window_paths.h"

namespace ravlin {

namespace {

using detail::kBlockReach;
using detail::kBlockRoom;
using detail::kLongestBlock;
using detail::Progress;
using detail::SimdPath;

// Output room the fast loop asks for at least: many blocks' worth, and more than one block's room.
constexpr std::size_t kMinRoom = std::size_t{64} << 10;
static_assert(kMinRoom > 2 * kBlockRoom<2>);

// Stream bytes that the plain loop takes past a block that the windows cannot end, before the
// windows go on: long literals come in clusters (console fonts), where going back to the windows
// at once costs more than it gains. The value is the best of those timed (bench/RESULTS.md).
constexpr std::ptrdiff_t kPlainBytesAfterLongBlock = 1024;

// Stream bytes of the block that starts with `control`.
template <int U>
std::size_t blockBytes(std::uint32_t control) {
  return 1 + (control >= 0x80 ? U : (control & 0x7F) * std::size_t{U});
}

// The plain loop, block after block. kVector writes with 16-byte stores past the block's end, else
// exactly its bytes.
#if defined(RAVLIN_SSE2)

inline void store16(std::uint8_t* out, __m128i bytes) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), bytes);
}

// Bytes that a repeat and a literal block write whatever their length: the runs and literals of
// graphics mostly fit, so most blocks take no length test that could be mispredicted. Word units
// make runs longer in bytes, and their repeats get wider stores; their literals keep 32-byte
// copies, since wider ones timed slower.
template <int U>
constexpr std::size_t kRepeatWidth = U == 1 ? 48 : 64;
constexpr std::size_t kLiteralWidth = 32;
// Both write in steps of 16 from the block's start: a repeat of `bytes` bytes writes up to the
// next multiple of 16 and at least kRepeatWidth; a literal reads and writes as much.
static_assert(kRepeatWidth<1> <= detail::kOverreach && kRepeatWidth<2> <= detail::kOverreach);
static_assert(kLiteralWidth <= detail::kOverreach && 16 <= detail::kOverreach);

// Writes the unit at `unit` over `bytes` bytes at `out`, and up to kRepeatWidth<U> bytes.
template <int U>
inline void fillRepeatWide(std::uint8_t* out, const std::uint8_t* unit, std::size_t bytes) {
  const std::uint64_t value = U == 1 ? unit[0] : unit[0] | unit[1] << 8;
  const __m128i run = _mm_set1_epi64x(
      static_cast<long long>(value * (U == 1 ? 0x0101010101010101ull : 0x0001000100010001ull)));
  for (std::size_t offset = 0; offset < kRepeatWidth<U>; offset += 16) store16(out + offset, run);
  if (bytes > kRepeatWidth<U>) [[unlikely]] {
    for (std::size_t offset = kRepeatWidth<U>; offset < bytes; offset += 16) {
      store16(out + offset, run);
    }
  }
}

// Copies `bytes` bytes, and up to kLiteralWidth bytes.
inline void copyLiteralWide(std::uint8_t* out, const std::uint8_t* in, std::size_t bytes) {
  for (std::size_t offset = 0; offset < kLiteralWidth; offset += 16) {
    store16(out + offset, detail::load16(in + offset));
  }
  if (bytes > kLiteralWidth) [[unlikely]] {
    for (std::size_t offset = kLiteralWidth; offset < bytes; offset += 16) {
      store16(out + offset, detail::load16(in + offset));
    }
  }
}

#endif

template <int U, bool kVector>
inline void fillRepeat(std::uint8_t* out, const std::uint8_t* unit, std::size_t bytes) {
#if defined(RAVLIN_SSE2)
  if constexpr (kVector) return fillRepeatWide<U>(out, unit, bytes);
#endif
  for (std::size_t offset = 0; offset < bytes; offset += U) std::memcpy(out + offset, unit, U);
}

template <bool kVector>
inline void copyLiteral(std::uint8_t* out, const std::uint8_t* in, std::size_t bytes) {
#if defined(RAVLIN_SSE2)
  if constexpr (kVector) return copyLiteralWide(out, in, bytes);
#endif
  std::memcpy(out, in, bytes);
}

// Decodes the block at `block` to `out` and returns the block after it; at an end marker,
// returns `block` itself and writes nothing.
template <int U, bool kVector>
inline const std::uint8_t* decodeBlock(const std::uint8_t* block, std::uint8_t*& out) {
  const std::uint32_t control = *block;
  // A branch on the kind, well predicted on real graphics, lets the processor run on into the
  // next block without waiting for this control byte when the block is a repeat.
  if (control >= 0x80) {
    const std::size_t bytes = (control & 0x7F) * std::size_t{U};
    fillRepeat<U, kVector>(out, block + 1, bytes);
    out += bytes;
    return block + 1 + U;
  }
  if (control == 0x00) [[unlikely]]
    return block;
  const std::size_t bytes = control * std::size_t{U};
  copyLiteral<kVector>(out, block + 1, bytes);
  out += bytes;
  return block + 1 + bytes;
}

}  // namespace

class Unpacker::Impl {
 public:
  virtual ~Impl() = default;
  virtual std::size_t write(std::span<const std::uint8_t> chunk, OutputSink& sink) = 0;
  virtual void finish(OutputSink& sink) = 0;
  bool endMarkerSeen() const { return markerSeen_; }
  std::uint64_t streamBytesRead() const { return read_; }

 protected:
  bool markerSeen_ = false;
  std::uint64_t read_ = 0;  // stream bytes in whole blocks, the end marker included
};

namespace {

// Unpacking units of U bytes. Whole blocks are decoded straight from each chunk; a block cut by
// the chunk's end waits in the carry until the next chunk completes it.
template <int U>
class UnitUnpacker final : public Unpacker::Impl {
 public:
  UnitUnpacker(Host& host, std::optional<std::uint64_t> streamBytes)
      : progress_(
            host, Progress::Direction::kUnpacking,
            streamBytes && *streamBytes > 0 ? std::optional(*streamBytes - 1) : std::nullopt) {}

  std::size_t write(std::span<const std::uint8_t> chunk, OutputSink& sink) override;
  void finish(OutputSink& sink) override;

 private:
  // Decodes the whole blocks at the start of `stream`; returns the bytes taken.
  std::size_t decode(std::span<const std::uint8_t> stream, OutputSink& sink) {
    return progress_.everyBlock() ? decodeOn<true>(stream, sink) : decodeOn<false>(stream, sink);
  }
  template <bool kEveryBlock>
  std::size_t decodeOn(std::span<const std::uint8_t> stream, OutputSink& sink) {
    switch (path_) {
#if defined(RAVLIN_BLOCK_WINDOWS)
      case SimdPath::kAvx512:
        return decodeFast<kEveryBlock, SimdPath::kAvx512>(stream, sink);
      case SimdPath::kAvx2:
        return decodeFast<kEveryBlock, SimdPath::kAvx2>(stream, sink);
#endif
#if defined(RAVLIN_SSE2)
      case SimdPath::kSse2:
        return decodeFast<kEveryBlock, SimdPath::kSse2>(stream, sink);
#endif
      default:
        return decodeFast<kEveryBlock, SimdPath::kScalar>(stream, sink);
    }
  }
  template <bool kEveryBlock, SimdPath kPath>
  std::size_t decodeFast(std::span<const std::uint8_t> stream, OutputSink& sink);
  // Outputs `count` units of the block at `block`: its repeated unit, or its first literal units.
  void output(const std::uint8_t* block, std::uint64_t count, OutputSink& sink);

  Progress progress_;
  const SimdPath path_ = detail::simdPath();
  std::size_t carried_ = 0;
  std::uint8_t carry_[kLongestBlock<U>];
};

template <int U>
void UnitUnpacker<U>::output(const std::uint8_t* block, std::uint64_t count, OutputSink& sink) {
  const std::size_t bytes = count * U;
  if (bytes == 0) return;
  std::uint8_t* const out = sink.room(bytes).data();
  if (block[0] >= 0x80) {
    for (std::size_t offset = 0; offset < bytes; offset += U)
      std::memcpy(out + offset, block + 1, U);
  } else {
    std::memcpy(out, block + 1, bytes);
  }
  sink.commit(bytes);
}

template <int U>
template <bool kEveryBlock, SimdPath kPath>
std::size_t UnitUnpacker<U>::decodeFast(std::span<const std::uint8_t> stream, OutputSink& sink) {
  constexpr bool kVector = kPath != SimdPath::kScalar;
  // A host that wants every block gets them from the plain loop.
  constexpr bool kWindows = !kEveryBlock && detail::kHasWindows<kPath, U>;
  const std::uint8_t* const begin = stream.data();
  const std::uint64_t size = stream.size();
  const std::uint64_t base = read_;
  std::uint64_t p = 0;

  if (size > kBlockReach<U>) {
    const std::uint64_t fastEnd = size - kBlockReach<U>;
    while (p < fastEnd) {
      std::uint64_t stop = fastEnd;
      if constexpr (!kEveryBlock) {
        const std::uint64_t due = std::min(progress_.changeAt(), progress_.nextEventAt());
        stop = std::min(stop, due > base ? due - base : 0);
      }
      const std::span<std::uint8_t> room = sink.room(kMinRoom);
      std::uint8_t* const start = room.data();
      std::uint8_t* o = start;
      // A block reads at least 2 stream bytes and writes at most 127 units, so 2 k stream bytes
      // hold at most k blocks: bounding the stretch by the room leaves one comparison per block.
      const std::uint64_t blocksThatFit = (room.size() - kBlockRoom<U>) / (127 * U);
      stop = std::min(stop, p + 2 * blocksThatFit);
      const std::uint8_t* block = begin + p;
      const std::uint8_t* const blockStop = begin + stop;
      if constexpr (!kWindows) detail::countFastPass(kVector ? SimdPath::kSse2 : SimdPath::kScalar);
      bool windows = kWindows;
      while (block < blockStop) {
        // The plain loop takes at least one block, and on up to here.
        const std::uint8_t* plainStop = kEveryBlock ? block : blockStop;
        if constexpr (kWindows) {
          if (windows) {
            // Every block that starts before the stop has its reach of stream and its room.
            RAVLIN_FAST_LOOP_ASSERT(static_cast<std::uint64_t>(begin + size - blockStop) >=
                                    kBlockReach<U>);
            RAVLIN_FAST_LOOP_ASSERT(
                static_cast<std::size_t>(room.data() + room.size() - o) >=
                kBlockRoom<U> + detail::mostOutput<U>(static_cast<std::size_t>(blockStop - block)));
            const std::uint8_t* const entry = block;
            const std::uint8_t* const entryOut = o;
            bool cannotEnd;
            block = detail::decodeWindowsOn<kPath, U>(block, blockStop, o, cannotEnd);
            detail::countFastPass(kPath);
            // The windows end at a block start near the stop, having written its blocks' units.
            RAVLIN_FAST_LOOP_ASSERT(block >= entry && block < blockStop + kLongestBlock<U>);
            RAVLIN_FAST_LOOP_ASSERT(
                o >= entryOut &&
                static_cast<std::size_t>(o - entryOut) <=
                    detail::mostOutput<U>(static_cast<std::size_t>(block - entry)));
            if (block >= blockStop) break;
            if (cannotEnd) {
              // A block that the windows cannot end is mostly a long literal of data with few
              // runs, where more such blocks tend to follow: the plain loop takes a stretch past
              // it.
              if (blockStop - block > kPlainBytesAfterLongBlock) {
                plainStop = block + kPlainBytesAfterLongBlock;
              }
            } else if (blockStop - block >= detail::kWindowStretchBytes<kPath>) {
              plainStop = block;  // the windows ended a listed stretch: they go on after one block
            } else {
              windows = false;  // before a stop less than a window away, the plain loop ends
            }
          }
        }
        do {
          const std::uint8_t* const next = decodeBlock<U, kVector>(block, o);
          if (next == block) [[unlikely]] {
            sink.commit(static_cast<std::size_t>(o - start));
            markerSeen_ = true;
            const auto taken = static_cast<std::size_t>(block + 1 - begin);
            read_ = base + taken;
            return taken;
          }
          block = next;
        } while (block < plainStop);
        if constexpr (kEveryBlock) break;
      }
      // The sink has every byte before the host hears of them, in case the host throws.
      sink.commit(static_cast<std::size_t>(o - start));
      p = static_cast<std::uint64_t>(block - begin);
      read_ = base + p;
      progress_.afterBlock(read_, read_);
    }
  }

  // The last whole blocks, one at a time.
  while (size - p > 0) {
    const std::uint32_t control = begin[p];
    if (control == 0x00) {
      markerSeen_ = true;
      read_ = base + p + 1;
      return static_cast<std::size_t>(p + 1);
    }
    const std::size_t bytes = blockBytes<U>(control);
    if (size - p < bytes) break;
    output(begin + p, control & 0x7F, sink);
    p += bytes;
    read_ = base + p;
    progress_.afterBlock(read_, read_);
  }
  return static_cast<std::size_t>(p);
}

template <int U>
std::size_t UnitUnpacker<U>::write(std::span<const std::uint8_t> chunk, OutputSink& sink) {
  if (markerSeen_) return 0;
  std::size_t taken = 0;
  if (carried_ > 0) {
    // The carry holds the start of one block: complete it from this chunk.
    const std::size_t needed = blockBytes<U>(carry_[0]);
    taken = std::min(chunk.size(), needed - carried_);
    if (taken > 0) std::memcpy(carry_ + carried_, chunk.data(), taken);
    carried_ += taken;
    if (carried_ < needed) return taken;
    carried_ = 0;
    decode(std::span<const std::uint8_t>(carry_, needed), sink);
  }
  taken += decode(chunk.subspan(taken), sink);
  if (markerSeen_) return taken;
  // What is left is the start of a block.
  carried_ = chunk.size() - taken;
  if (carried_ > 0) std::memcpy(carry_, chunk.data() + taken, carried_);
  return chunk.size();
}

template <int U>
void UnitUnpacker<U>::finish(OutputSink& sink) {
  if (markerSeen_) return;
  if (carried_ == 0) {
    // A stream may end after a whole block; only an empty one has no control byte.
    if (read_ == 0) throw IoError(IoErrorKind::kReadBeyondEnd);
    return;
  }
  // The stream ends inside the block in the carry: a literal block's whole units go out first.
  if (carry_[0] < 0x80) {
    output(carry_, std::min<std::uint64_t>(carry_[0], (carried_ - 1) / U), sink);
  }
  throw IoError(IoErrorKind::kReadBeyondEnd);
}

template <int U>
std::unique_ptr<Unpacker::Impl> makeUnpacker(Host& host, std::optional<std::uint64_t> streamBytes) {
  return std::make_unique<UnitUnpacker<U>>(host, streamBytes);
}

}  // namespace

Unpacker::Unpacker(Method method, Host& host, std::optional<std::uint64_t> streamBytes)
    : impl_(method == Method::kI ? makeUnpacker<1>(host, streamBytes)
                                 : makeUnpacker<2>(host, streamBytes)) {}
Unpacker::~Unpacker() = default;
Unpacker::Unpacker(Unpacker&&) noexcept = default;
Unpacker& Unpacker::operator=(Unpacker&&) noexcept = default;

std::size_t Unpacker::write(std::span<const std::uint8_t> chunk, OutputSink& sink) {
  return impl_->write(chunk, sink);
}

void Unpacker::finish(OutputSink& sink) {
  impl_->finish(sink);
}

bool Unpacker::endMarkerSeen() const {
  return impl_->endMarkerSeen();
}

std::uint64_t Unpacker::streamBytesRead() const {
  return impl_->streamBytesRead();
}

void unpack(Method method, std::span<const std::uint8_t> stream, ByteBuffer& out, Host& host) {
  out.clear();
  // Graphics unpack to a few times their packed size: the buffer starts at twice and doubles as
  // needed, so that a large stream does not ask for more memory than its output needs.
  out.reserve(std::max<std::size_t>(stream.size() * 2, 4096));
  BufferSink sink(out);
  Unpacker unpacker(method, host, stream.size());
  unpacker.write(stream, sink);
  unpacker.finish(sink);
}

}  // namespace ravlin
