// The fast unpacker: short blocks decoded with a fixed number of wide loads and stores.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "progress.h"
#include "ravlin/engine.h"
#include "unit_scan.h"

namespace ravlin {

namespace {

using detail::Progress;

// Stream bytes a block may read in the fast loop: control byte, 127 units and the overread.
template <int U>
constexpr std::size_t kBlockReach = 1 + 127 * U + 64;
// Output room a block may write in the fast loop: 127 units and the overwrite.
template <int U>
constexpr std::size_t kBlockRoom = 127 * U + 64;
// The fast loop grows the buffer when fewer blocks than this are sure to fit.
constexpr std::uint64_t kMinBlocksPerStretch = 256;

#if defined(RAVLIN_SSE2)

inline void store16(std::uint8_t* out, __m128i bytes) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), bytes);
}

// Writes the unit at `unit` over `bytes` bytes at `out`, and up to 48 bytes whatever `bytes` is:
// the runs of graphics mostly fit, so most repeats take no length test.
template <int U>
inline void fillRepeat(std::uint8_t* out, const std::uint8_t* unit, std::size_t bytes) {
  const std::uint64_t value = U == 1 ? unit[0] : unit[0] | unit[1] << 8;
  const __m128i run = _mm_set1_epi64x(
      static_cast<long long>(value * (U == 1 ? 0x0101010101010101ull : 0x0001000100010001ull)));
  store16(out, run);
  store16(out + 16, run);
  store16(out + 32, run);
  for (std::size_t offset = 48; offset < bytes; offset += 16) store16(out + offset, run);
}

// Copies `bytes` bytes, and up to 32 whatever `bytes` is.
inline void copyLiteral(std::uint8_t* out, const std::uint8_t* in, std::size_t bytes) {
  store16(out, detail::load16(in));
  store16(out + 16, detail::load16(in + 16));
  for (std::size_t offset = 32; offset < bytes; offset += 16) {
    store16(out + offset, detail::load16(in + offset));
  }
}

#else

template <int U>
inline void fillRepeat(std::uint8_t* out, const std::uint8_t* unit, std::size_t bytes) {
  for (std::size_t offset = 0; offset < bytes; offset += U) std::memcpy(out + offset, unit, U);
}

inline void copyLiteral(std::uint8_t* out, const std::uint8_t* in, std::size_t bytes) {
  std::memcpy(out, in, bytes);
}

#endif

template <int U, bool kEveryBlock>
void unpackUnits(std::span<const std::uint8_t> stream, ByteBuffer& out, Progress& progress) {
  const std::uint8_t* const begin = stream.data();
  const std::uint64_t size = stream.size();
  std::uint64_t p = 0;

  out.clear();
  // Graphics unpack to a few times their packed size: the buffer starts at twice and doubles as
  // needed, so that a large stream does not ask for more memory than its output needs.
  out.reserve(std::max<std::uint64_t>(size * 2, 4096));
  std::uint8_t* o = out.data();
  const auto written = [&] { return static_cast<std::size_t>(o - out.data()); };
  // The buffer's size is kept up to date before the host is called, in case the host throws.
  const auto afterBlock = [&](std::uint64_t position) {
    out.commit(written());
    progress.afterBlock(position, position);
  };

  if (size > kBlockReach<U>) {
    const std::uint64_t fastEnd = size - kBlockReach<U>;
    for (;;) {
      std::uint64_t stop = fastEnd;
      if constexpr (!kEveryBlock) {
        stop = std::min({stop, progress.changeAt(), progress.nextEventAt()});
      }
      // A block reads at least 2 stream bytes and writes at most 127 units, so a stretch of
      // 2 k stream bytes holds at most k blocks: bounding the stretch by the room in the buffer
      // leaves the loop one comparison per block.
      const std::uint64_t room = out.capacity() - written();
      const std::uint64_t blocksThatFit =
          room > kBlockRoom<U> ? (room - kBlockRoom<U>) / (127 * U) : 0;
      if (blocksThatFit < kMinBlocksPerStretch) {
        out.commit(written());
        out.reserve(kMinBlocksPerStretch * 127 * U + kBlockRoom<U>);
        o = out.data() + out.size();
        continue;
      }
      stop = std::min(stop, p + 2 * blocksThatFit);
      const std::uint8_t* block = begin + p;
      const std::uint8_t* const blockStop = begin + stop;
      while (block < blockStop) {
        const std::uint32_t control = *block;
        // A branch on the kind, well predicted on real graphics, lets the processor run on into
        // the next block without waiting for this control byte when the block is a repeat.
        if (control >= 0x80) {
          const std::size_t bytes = (control & 0x7F) * std::size_t{U};
          fillRepeat<U>(o, block + 1, bytes);
          o += bytes;
          block += 1 + U;
        } else {
          if (control == 0x00) {
            out.commit(written());
            return;
          }
          const std::size_t bytes = control * std::size_t{U};
          copyLiteral(o, block + 1, bytes);
          o += bytes;
          block += 1 + bytes;
        }
        if constexpr (kEveryBlock) {
          afterBlock(static_cast<std::uint64_t>(block - begin));
        }
      }
      p = static_cast<std::uint64_t>(block - begin);
      if constexpr (!kEveryBlock) afterBlock(p);
      if (p >= fastEnd) break;
    }
  }

  // The last blocks, with the tests for a stream that ends early.
  out.commit(written());
  const auto readBeyondEnd = [] { throw IoError(IoErrorKind::kReadBeyondEnd); };
  for (;;) {
    if (p == size) readBeyondEnd();
    const std::uint32_t control = begin[p++];
    if (control == 0x00) break;
    const std::uint64_t count = control & 0x7F;
    if (control >= 0x80) {
      if (size - p < U) readBeyondEnd();
      out.reserve(count * U);
      for (std::uint64_t k = 0; k < count; ++k) out.append(begin + p, U);
      p += U;
    } else {
      // The units that are there are appended before the stream runs out.
      const std::uint64_t present = std::min(count, (size - p) / U);
      out.append(begin + p, present * U);
      p += present * U;
      if (present < count) readBeyondEnd();
    }
    progress.afterBlock(p, p);
    if (p >= size) break;
  }
}

template <int U>
void unpackWith(std::span<const std::uint8_t> stream, ByteBuffer& out, Host& host) {
  Progress progress(host, Progress::Direction::kUnpacking, stream.empty() ? 0 : stream.size() - 1);
  if (progress.everyBlock()) {
    unpackUnits<U, true>(stream, out, progress);
  } else {
    unpackUnits<U, false>(stream, out, progress);
  }
}

}  // namespace

void unpack(Method method, std::span<const std::uint8_t> stream, ByteBuffer& out, Host& host) {
  if (method == Method::kI) {
    unpackWith<1>(stream, out, host);
  } else {
    unpackWith<2>(stream, out, host);
  }
}

}  // namespace ravlin
