// Writing blocks whose starts are listed: the part of unpacking that the AVX2 and AVX-512 paths
// share once they know where a stretch's blocks start.
//
// Each block is written with the same few instructions whatever its kind (a blend of the
// literal's bytes and the run on the control byte's top bit), so no branch on the kind is
// mispredicted, and with a test on its length that only blocks of more than 32 bytes (64 for word
// units) fail.
#pragma once

#include <cstddef>
#include <cstdint>

#include "fast_loop_limits.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__)) && \
    !defined(RAVLIN_PORTABLE_SCAN)
#define RAVLIN_BLOCK_WINDOWS 1
#include <immintrin.h>
#endif

#if defined(RAVLIN_BLOCK_WINDOWS)

namespace ravlin::detail {

// What the writers need: AVX2. The AVX-512 windows inline them too.
#define RAVLIN_LISTING_TARGET __attribute__((target("avx2,popcnt")))

// Writes 32 bytes to `out`: those at `units` for a literal block, `run` for a repeat block, as
// the top bit of each byte of `control` says.
RAVLIN_LISTING_TARGET inline void write32(std::uint8_t* out, const std::uint8_t* units,
                                          __m256i control, __m256i run) {
  const __m256i literal = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(units));
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_blendv_epi8(literal, run, control));
}

// Bytes that a block writes whatever its length. Word units make runs longer in bytes: their
// blocks get 64 bytes before the length test.
template <int U>
constexpr std::uint64_t kFirstBytes = U == 1 ? 32 : 64;
// Past the block's bytes, a write runs on to kFirstBytes or to the next multiple of 32; the
// literal's loads run as far past its units.
static_assert(kFirstBytes<1> <= kOverreach && kFirstBytes<2> <= kOverreach && 32 <= kOverreach);

// Writes the `bytes` bytes of the block at `block` to `out`, and on up to kFirstBytes<U> or to
// the next multiple of 32.
template <int U>
RAVLIN_LISTING_TARGET inline void writeBlock(std::uint8_t* out, const std::uint8_t* block,
                                             std::uint64_t bytes) {
  __m256i run;
  if constexpr (U == 1) {
    run = _mm256_set1_epi8(static_cast<char>(block[1]));
  } else {
    run = _mm256_set1_epi16(static_cast<short>(block[1] | block[2] << 8));
  }
  const __m256i control = _mm256_set1_epi8(static_cast<char>(block[0]));
  for (std::uint64_t offset = 0; offset < kFirstBytes<U>; offset += 32) {
    write32(out + offset, block + 1 + offset, control, run);
  }
  if (bytes > kFirstBytes<U>) [[unlikely]] {
    for (std::uint64_t offset = kFirstBytes<U>; offset < bytes; offset += 32) {
      write32(out + offset, block + 1 + offset, control, run);
    }
  }
}

// Stream bytes whose block starts are listed before their blocks are written.
constexpr std::ptrdiff_t kStretchBytes = 4096;
// Room for a stretch's block starts (at most one per 2 bytes) and the 32 lanes stored past them.
constexpr std::size_t kListedStarts = kStretchBytes / 2 + 64;
static_assert(kListedStarts >= kStretchBytes / 2 + 32);

// Writes the `count` blocks that start at the offsets `starts` from `block` to `out` on.
template <int U>
RAVLIN_LISTING_TARGET __attribute__((always_inline)) inline void writeListed(
    const std::uint8_t* block, const std::uint16_t* starts, std::size_t count, std::uint8_t*& out) {
  std::uint8_t* o = out;
  // The write loop is short enough that where it starts in a 64-byte line of code matters: some
  // starts make it much slower. Padding to a line here puts it at the same place in its line
  // wherever the linker puts this function.
  asm volatile(".p2align 6");
  for (std::size_t k = 0; k < count; ++k) {
    const std::uint8_t* const at = block + starts[k];
    const std::uint32_t control = at[0];
    const std::uint64_t bytes = (control & 0x7F) * std::uint64_t{U};
    writeBlock<U>(o, at, bytes);
    o += bytes;
  }
  out = o;
}

}  // namespace ravlin::detail

#endif
