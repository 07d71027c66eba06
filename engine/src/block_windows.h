// Unpacking in windows of 64 stream bytes, on processors with AVX-512 byte permutes.
//
// Block k + 1 starts where block k ends, so an unpacker that finds its blocks one after the other
// waits, for every block, on the load of the control byte before it and on a guess of its kind.
// Here the block starts of a stretch of the stream are listed first, a window at a time: every
// byte of the window is taken for a control byte and given the offset where its block would end,
// and doubling these jumps (one permute each) gives the k-th block start from the window's entry
// for every k at once. Only the next window's entry depends on this window, through one permute.
// Then the listed blocks are written one after the other, each with the same few instructions
// whatever its kind, and with a test on its length that only blocks of more than 32 bytes (64 for
// word units) fail.
#pragma once

#include <cstddef>
#include <cstdint>

#include "fast_loop_limits.h"
#include "listed_blocks.h"

#if defined(RAVLIN_BLOCK_WINDOWS)

namespace ravlin::detail {

#define RAVLIN_WINDOW_TARGET \
  __attribute__((target("avx512f,avx512bw,avx512dq,avx512vbmi,avx512vl,popcnt")))

constexpr std::uint64_t kWindowBytes = 64;

// Offsets are window offsets; an offset from 64 to 126 lies in the next window, and kUnknown
// stands for any end that the window cannot give: an end marker's, or one at 127 or beyond.
constexpr int kUnknown = 127;
// The entry into the next window that stands for kUnknown: no block that a window ends starts
// at 63 of the next.
constexpr int kNoEntry = kUnknown - 64;
static_assert(kUnknown == 2 * kWindowBytes - 1, "an end in the next window fits a byte lane");

// The lanes 0 to 63, plus `base`.
RAVLIN_WINDOW_TARGET inline __m512i laneNumbers(char base) {
  return _mm512_add_epi8(
      _mm512_set_epi8(63, 62, 61, 60, 59, 58, 57, 56, 55, 54, 53, 52, 51, 50, 49, 48, 47, 46, 45,
                      44, 43, 42, 41, 40, 39, 38, 37, 36, 35, 34, 33, 32, 31, 30, 29, 28, 27, 26,
                      25, 24, 23, 22, 21, 20, 19, 18, 17, 16, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5,
                      4, 3, 2, 1, 0),
      _mm512_set1_epi8(base));
}

// For every byte of the window at `window`, taken as a control byte: the offset where its block
// would end.
template <int U>
RAVLIN_WINDOW_TARGET inline __m512i blockEnds(const std::uint8_t* window) {
  const __m512i bytes = _mm512_loadu_si512(window);
  const __m512i one = _mm512_set1_epi8(1);
  // A literal block takes 1 + C * U bytes (at most 255), a repeat block 1 + U.
  const __m512i literal =
      U == 1 ? _mm512_add_epi8(bytes, one) : _mm512_add_epi8(_mm512_add_epi8(bytes, bytes), one);
  const __m512i length =
      _mm512_mask_blend_epi8(_mm512_movepi8_mask(bytes), literal, _mm512_set1_epi8(1 + U));
  const __m512i unknown = _mm512_set1_epi8(kUnknown);
  const __m512i ends = _mm512_min_epu8(_mm512_adds_epu8(laneNumbers(0), length), unknown);
  return _mm512_mask_mov_epi8(ends, _mm512_cmpeq_epi8_mask(bytes, _mm512_setzero_si512()), unknown);
}

// GCC 12 warns about a value that its own casts of wide registers leave unset.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

// The lowest byte of `lanes`.
RAVLIN_WINDOW_TARGET inline std::uint32_t lowestByte(__m512i lanes) {
  return static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm512_castsi512_si128(lanes))) & 0xFF;
}

// The lower 32 bytes of `lanes`.
RAVLIN_WINDOW_TARGET inline __m256i lowHalf(__m512i lanes) {
  return _mm512_castsi512_si256(lanes);
}

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

// Lane k of the result: the k-th block start of the window at `window` from the one at offset
// `entry` (in every lane); 64 or more past the window's last block start. A window holds at most
// 32 block starts, since a block takes at least 2 bytes, so lanes 32 to 63 repeat lanes 0 to 31,
// which lets two windows share a register for what follows. `next` gets, in every lane, the
// entry into the next window: the offset there of the first block start past this one, or kNoEntry.
template <int U>
RAVLIN_WINDOW_TARGET inline __m512i windowStarts(const std::uint8_t* window, __m512i entry,
                                                 __m512i& next) {
  // A jump table maps an offset of the window to an offset; offsets past the window map to
  // themselves through the second table of a two-table permute, so a table applied to itself
  // gives the table of twice its jumps, with no test.
  const __m512i past = laneNumbers(64);
  const __m512i jumps1 = blockEnds<U>(window);
  const __m512i jumps2 = _mm512_permutex2var_epi8(jumps1, jumps1, past);
  const __m512i jumps4 = _mm512_permutex2var_epi8(jumps2, jumps2, past);
  const __m512i jumps8 = _mm512_permutex2var_epi8(jumps4, jumps4, past);
  const __m512i jumps16 = _mm512_permutex2var_epi8(jumps8, jumps8, past);
  const __m512i jumps32 = _mm512_permutex2var_epi8(jumps16, jumps16, past);
  // The next entry is one permute from this one: the chain from window to window.
  next = _mm512_maskz_permutexvar_epi8(~__mmask64{0}, entry,
                                       _mm512_sub_epi8(jumps32, _mm512_set1_epi8(64)));
  // Lane k makes the jumps of the set bits of k.
  __m512i starts = _mm512_mask2_permutex2var_epi8(jumps1, entry, 0xAAAAAAAAAAAAAAAA, past);
  starts = _mm512_mask2_permutex2var_epi8(jumps2, starts, 0xCCCCCCCCCCCCCCCC, past);
  starts = _mm512_mask2_permutex2var_epi8(jumps4, starts, 0xF0F0F0F0F0F0F0F0, past);
  starts = _mm512_mask2_permutex2var_epi8(jumps8, starts, 0xFF00FF00FF00FF00, past);
  return _mm512_mask2_permutex2var_epi8(jumps16, starts, 0xFFFF0000FFFF0000, past);
}

// How many of the block starts that windowStarts gave lie in the window.
RAVLIN_WINDOW_TARGET inline std::uint32_t blocksIn(__m512i starts) {
  return static_cast<std::uint32_t>(
      _mm_popcnt_u64(_mm512_cmplt_epu8_mask(starts, _mm512_set1_epi8(64)) & 0xFFFFFFFF));
}

// Decodes blocks from `block`, a block start, in whole windows that end at or before `stop` and
// within one stretch, and writes their units from `out` on. Returns the first block not decoded:
// the one after the last window, or, with `cannotEnd` set, one that the caller must take alone
// (an end marker, or a block whose end the window cannot give). The caller guarantees the room
// and the reach of every block that starts before `stop`, as for its own loop.
template <int U>
RAVLIN_WINDOW_TARGET const std::uint8_t* decodeWindows(const std::uint8_t* block,
                                                       const std::uint8_t* stop, std::uint8_t*& out,
                                                       bool& cannotEnd) {
  cannotEnd = false;
  // The stretch's block starts, as offsets from `block`; each window stores 32 lanes.
  alignas(64) std::uint16_t starts[kListedStarts];
  std::size_t count = 0;
  const std::uint8_t* const end = stop - block > kStretchBytes ? block + kStretchBytes : stop;
  const std::uint8_t* window = block;
  __m512i entry = _mm512_setzero_si512();
  while (end - window >= static_cast<std::ptrdiff_t>(kWindowBytes)) {
    __m512i next;
    const __m512i lanes = windowStarts<U>(window, entry, next);
    const __m512i fromBlock =
        _mm512_add_epi16(_mm512_cvtepu8_epi16(lowHalf(lanes)),
                         _mm512_set1_epi16(static_cast<short>(window - block)));
    _mm512_storeu_si512(starts + count, fromBlock);
    const std::size_t found = blocksIn(lanes);
    if (lowestByte(next) == kNoEntry) [[unlikely]] {
      // The window's last block is the one it cannot end.
      count += found - 1;
      cannotEnd = true;
      break;
    }
    count += found;
    window += kWindowBytes;
    entry = next;
  }

  writeListed<U>(block, starts, count, out);
  return cannotEnd ? block + starts[count] : window + lowestByte(entry);
}

}  // namespace ravlin::detail

#endif
