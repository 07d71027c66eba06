// Listing the starts of byte-unit blocks 16 stream bytes at a time with byte shuffles, on
// processors with AVX2.
//
// The AVX-512 windows' listing, in windows of 16 bytes that `vpshufb` can permute within a lane:
// every byte of a window is taken for a control byte and given the offset where its block would
// end, three doublings of these jumps give the k-th block start (a window holds at most 8), and
// one shuffle gives the entry into the next window. Two windows share a 32-byte register; only the
// entries run from window to window. The listed blocks are then written as the AVX-512 listing
// writes them. (Word units take the plain loop on AVX2: see window_paths.h.)
#pragma once

#include "listed_blocks.h"

#if defined(RAVLIN_BLOCK_WINDOWS)

namespace ravlin::detail {

constexpr int kLaneWindowBytes = 16;
// Offsets are from a window's start. An end at 16 or beyond lies in a later window, where it is an
// entry less 16 per window passed; kLaneUnknown stands for any end that the window cannot give:
// an end marker's, or one at 127 or beyond.
constexpr int kLaneUnknown = 127;
// The entry into the next window that stands for kLaneUnknown: real ends are at most 126.
constexpr int kLaneNoEntry = kLaneUnknown - kLaneWindowBytes;
// A block takes at least 2 bytes: 8 jumps leave any window.
constexpr int kLaneMostBlocks = kLaneWindowBytes / 2;
static_assert(kLaneMostBlocks == 8, "three doublings of the jumps");

// Lane k of `table` for every offset k below 16 in `offsets`; offsets of 16 or more stay as they
// are. An offset below 16 plus 0x70 keeps its low nibble with the top bit clear, one of 16 or
// more gets the top bit, which makes the shuffle give 0; every table entry lies past its offset,
// so the larger of the two is the jump.
RAVLIN_LISTING_TARGET inline __m256i jump(__m256i table, __m256i offsets) {
  const __m256i picked =
      _mm256_shuffle_epi8(table, _mm256_add_epi8(offsets, _mm256_set1_epi8(0x70)));
  return _mm256_max_epu8(picked, offsets);
}

RAVLIN_LISTING_TARGET inline __m128i jump(__m128i table, __m128i offsets) {
  const __m128i picked = _mm_shuffle_epi8(table, _mm_add_epi8(offsets, _mm_set1_epi8(0x70)));
  return _mm_max_epu8(picked, offsets);
}

// For every byte of the two windows at `window`, taken as a control byte: the offset where its
// block would end, from its window's start.
RAVLIN_LISTING_TARGET inline __m256i laneBlockEnds(const std::uint8_t* window) {
  const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(window));
  // A literal block takes 1 + C bytes, a repeat block 2.
  const __m256i length =
      _mm256_blendv_epi8(_mm256_add_epi8(bytes, _mm256_set1_epi8(1)), _mm256_set1_epi8(2), bytes);
  const __m256i offsets = _mm256_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 0,
                                           1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  const __m256i unknown = _mm256_set1_epi8(kLaneUnknown);
  const __m256i ends = _mm256_min_epu8(_mm256_adds_epu8(offsets, length), unknown);
  return _mm256_blendv_epi8(ends, unknown, _mm256_cmpeq_epi8(bytes, _mm256_setzero_si256()));
}

// Decodes byte-unit blocks from `block` as decodeWindows does, with the same guarantees from the
// caller, listing their starts in windows of 16 bytes.
RAVLIN_LISTING_TARGET inline const std::uint8_t* decodeLaneWindows(const std::uint8_t* block,
                                                                   const std::uint8_t* stop,
                                                                   std::uint8_t*& out,
                                                                   bool& cannotEnd) {
  constexpr std::ptrdiff_t kPairBytes = 2 * kLaneWindowBytes;
  cannotEnd = false;
  alignas(32) std::uint16_t starts[kListedStarts];
  std::size_t count = 0;
  const std::uint8_t* const end = stop - block > kStretchBytes ? block + kStretchBytes : stop;
  const std::uint8_t* window = block;
  // Lane k makes the jumps of the set bits of k, in both windows.
  const __m256i bit0 = _mm256_set1_epi64x(static_cast<long long>(0xFF00FF00FF00FF00ull));
  const __m256i bit1 = _mm256_set1_epi64x(static_cast<long long>(0xFFFF0000FFFF0000ull));
  const __m256i bit2 = _mm256_set1_epi64x(static_cast<long long>(0xFFFFFFFF00000000ull));
  const __m128i laneBytes = _mm_set1_epi8(kLaneWindowBytes);
  const __m128i noEntry = _mm_set1_epi8(kLaneNoEntry);
  __m128i entry = _mm_setzero_si128();
  while (end - window >= kPairBytes) {
    const __m256i jumps1 = laneBlockEnds(window);
    const __m256i jumps2 = jump(jumps1, jumps1);
    const __m256i jumps4 = jump(jumps2, jumps2);
    const __m256i jumps8 = jump(jumps4, jumps4);
    // The entries run from window to window: one shuffle each.
    const __m128i second = _mm_sub_epi8(jump(_mm256_castsi256_si128(jumps8), entry), laneBytes);
    const __m128i next = _mm_sub_epi8(jump(_mm256_extracti128_si256(jumps8, 1), second), laneBytes);
    __m256i lanes = _mm256_inserti128_si256(_mm256_castsi128_si256(entry), second, 1);
    lanes = _mm256_blendv_epi8(lanes, jump(jumps1, lanes), bit0);
    lanes = _mm256_blendv_epi8(lanes, jump(jumps2, lanes), bit1);
    lanes = _mm256_blendv_epi8(lanes, jump(jumps4, lanes), bit2);
    const auto inWindow = static_cast<std::uint32_t>(
        _mm256_movemask_epi8(_mm256_cmpgt_epi8(_mm256_set1_epi8(kLaneWindowBytes), lanes)));
    const auto offset = static_cast<short>(window - block);
    _mm_storeu_si128(
        reinterpret_cast<__m128i*>(starts + count),
        _mm_add_epi16(_mm_cvtepu8_epi16(_mm256_castsi256_si128(lanes)), _mm_set1_epi16(offset)));
    const std::size_t first = static_cast<std::size_t>(_mm_popcnt_u32(inWindow & 0xFF));
    // An entry at kLaneNoEntry: the last block of the window before it is one it cannot end.
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(second, noEntry)) != 0) [[unlikely]] {
      count += first - 1;
      cannotEnd = true;
      break;
    }
    count += first;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(starts + count),
                     _mm_add_epi16(_mm_cvtepu8_epi16(_mm256_extracti128_si256(lanes, 1)),
                                   _mm_set1_epi16(static_cast<short>(offset + kLaneWindowBytes))));
    const std::size_t secondCount = static_cast<std::size_t>(_mm_popcnt_u32(inWindow >> 16 & 0xFF));
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(next, noEntry)) != 0) [[unlikely]] {
      count += secondCount - 1;
      cannotEnd = true;
      break;
    }
    count += secondCount;
    window += kPairBytes;
    entry = next;
  }
  writeListed<1>(block, starts, count, out);
  return cannotEnd ? block + starts[count]
                   : window + (static_cast<std::uint32_t>(_mm_cvtsi128_si32(entry)) & 0xFF);
}

}  // namespace ravlin::detail

#endif
