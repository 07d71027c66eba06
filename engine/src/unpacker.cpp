// The fast unpacker: short blocks decoded without branching on their kind.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "progress.h"
#include "ravlin/engine.h"
#include "unit_scan.h"

namespace ravlin {

namespace {

using detail::Progress;

// Stream bytes a block may read in the fast loop: control byte, 127 units and a 32-byte overread.
template <int U>
constexpr std::size_t kBlockReach = 1 + 127 * U + 32;
// Output room a block may write in the fast loop: 127 units rounded up to whole 32-byte stores.
template <int U>
constexpr std::size_t kBlockRoom = 127 * U + 64;

// Decodes the block at `p` into `o`; returns the stream bytes it took and sets `written`.
// Reads up to kBlockReach<U> bytes and writes up to kBlockRoom<U> bytes whatever the block holds.
template <int U>
inline std::size_t decodeBlock(const std::uint8_t* p, std::uint8_t* o, std::size_t& written) {
  const std::uint32_t control = p[0];
  const std::uint32_t repeat = control >> 7;
  const std::size_t bytes = (control & 0x7F) * std::size_t{U};
#if defined(RAVLIN_SSE2)
  // Both forms are built and the control byte picks one: a repeated unit or the literal bytes.
  const __m128i pick = _mm_set1_epi32(-static_cast<int>(repeat));
  __m128i run;
  if constexpr (U == 1) {
    run = _mm_set1_epi8(static_cast<char>(p[1]));
  } else {
    run = _mm_set1_epi16(static_cast<short>(p[1] | p[2] << 8));
  }
  const auto store = [&](std::size_t offset) {
    const __m128i literal = detail::load16(p + 1 + offset);
    const __m128i chosen = _mm_or_si128(_mm_and_si128(pick, run), _mm_andnot_si128(pick, literal));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(o + offset), chosen);
  };
  store(0);
  store(16);
  for (std::size_t offset = 32; offset < bytes; offset += 16) store(offset);
#else
  if (repeat != 0) {
    for (std::size_t offset = 0; offset < bytes; offset += U) std::memcpy(o + offset, p + 1, U);
  } else {
    std::memcpy(o, p + 1, bytes);
  }
#endif
  written = bytes;
  return 1 + (repeat != 0 ? std::size_t{U} : bytes);
}

template <int U, bool kEveryBlock>
void unpackUnits(std::span<const std::uint8_t> stream, ByteBuffer& out, Progress& progress) {
  const std::uint8_t* const begin = stream.data();
  const std::uint64_t size = stream.size();
  std::uint64_t p = 0;

  out.clear();
  // Graphics typically unpack to a few times their packed size; the buffer doubles beyond that.
  out.reserve(std::max<std::uint64_t>(size * 4, 4096));
  std::uint8_t* o = out.data();
  const auto written = [&] { return static_cast<std::size_t>(o - out.data()); };

  if (size > kBlockReach<U>) {
    const std::uint64_t fastEnd = size - kBlockReach<U>;
    for (;;) {
      std::uint64_t stop = fastEnd;
      if constexpr (!kEveryBlock) {
        stop = std::min({stop, progress.changeAt(), progress.nextEventAt()});
      }
      std::uint8_t* const roomEnd = out.data() + out.capacity() - kBlockRoom<U>;
      while (p < stop && o < roomEnd) {
        if (begin[p] == 0x00) {
          out.commit(written());
          return;
        }
        std::size_t produced = 0;
        p += decodeBlock<U>(begin + p, o, produced);
        o += produced;
        if constexpr (kEveryBlock) progress.afterBlock(p, p);
      }
      if constexpr (!kEveryBlock) progress.afterBlock(p, p);
      if (p >= fastEnd) break;
      if (o >= roomEnd) {
        out.commit(written());
        out.reserve(kBlockRoom<U> + 1);
        o = out.data() + out.size();
      }
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
