// Unpacking byte units on processors with SSE2 alone: the blocks' ends looked up in a table.
//
// Block k + 1 starts where block k ends. Found one after the other from the control bytes, each
// block waits for the load of its control byte, the arithmetic of its length and a guess of its
// kind. Here every byte of a stretch is first taken for a control byte and given, 16 at a time,
// the offset where its block would end; the chain from block to block is then one load from that
// table per block, and each block found is written with the same instructions whatever its kind,
// so no branch on the kind is mispredicted.
#pragma once

#include <cstddef>
#include <cstdint>

#include "fast_loop_limits.h"
#include "unit_loads.h"

#if defined(RAVLIN_SSE2)

namespace ravlin::detail {

// Stream bytes whose ends are tabled at once: the table stays in the first-level cache.
constexpr std::ptrdiff_t kTabledBytes = 4096;
// The table entry of an end marker: past any stretch, so that the chain stops there.
constexpr std::uint16_t kMarkerEnd = 0xFFFF;
static_assert(kTabledBytes + kLongestBlock<1> < kMarkerEnd, "ends fit the table's entries");

// Bytes that a block writes whatever its length; longer blocks write on in steps of 16.
constexpr std::size_t kChainFirstBytes = 32;
static_assert(kChainFirstBytes <= kOverreach && 16 <= kOverreach);

// Sets `ends[i]` for i in [at, at + 16): the offset where a block at offset i would end.
inline void tableEnds(const std::uint8_t* stretch, std::uint32_t at, std::uint16_t* ends) {
  const __m128i bytes = load16(stretch + at);
  const __m128i zero = _mm_setzero_si128();
  const __m128i repeat = _mm_cmpgt_epi8(zero, bytes);
  // A literal block takes 1 + C bytes, a repeat block 2.
  const __m128i length =
      _mm_or_si128(_mm_and_si128(repeat, _mm_set1_epi8(2)),
                   _mm_andnot_si128(repeat, _mm_add_epi8(bytes, _mm_set1_epi8(1))));
  const __m128i marker = _mm_cmpeq_epi8(bytes, zero);
  const __m128i offsets =
      _mm_add_epi16(_mm_set1_epi16(static_cast<short>(at)), _mm_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7));
  const __m128i low = _mm_add_epi16(_mm_unpacklo_epi8(length, zero), offsets);
  const __m128i high =
      _mm_add_epi16(_mm_unpackhi_epi8(length, zero), _mm_add_epi16(offsets, _mm_set1_epi16(8)));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(ends + at),
                   _mm_or_si128(low, _mm_unpacklo_epi8(marker, marker)));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(ends + at + 8),
                   _mm_or_si128(high, _mm_unpackhi_epi8(marker, marker)));
}

// Writes the block at `block` to `out`: the `bytes` bytes of its literal or its run, and on up to
// kChainFirstBytes or to the next multiple of 16.
inline void writeChainedBlock(std::uint8_t* out, const std::uint8_t* block, std::size_t bytes) {
  const std::uint32_t control = block[0];
  // All ones for a repeat block, without a branch.
  const __m128i repeat = _mm_set1_epi64x(-static_cast<long long>(control >> 7));
  const __m128i first = load16(block + 1);
  const __m128i run = _mm_shuffle_epi32(_mm_shufflelo_epi16(_mm_unpacklo_epi8(first, first), 0), 0);
  const auto write16 = [&](std::size_t offset, __m128i literal) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + offset),
                     _mm_or_si128(_mm_and_si128(repeat, run), _mm_andnot_si128(repeat, literal)));
  };
  write16(0, first);
  for (std::size_t offset = 16; offset < kChainFirstBytes; offset += 16) {
    write16(offset, load16(block + 1 + offset));
  }
  if (bytes > kChainFirstBytes) [[unlikely]] {
    for (std::size_t offset = kChainFirstBytes; offset < bytes; offset += 16) {
      write16(offset, load16(block + 1 + offset));
    }
  }
}

// Decodes byte-unit blocks from `block` as decodeWindows does, with the same guarantees from the
// caller, over one stretch of at most kTabledBytes: every block that starts in it is written, and
// the first after it returned. At an end marker, returns it with `cannotEnd` set.
inline const std::uint8_t* decodeChained(const std::uint8_t* block, const std::uint8_t* stop,
                                         std::uint8_t*& out, bool& cannotEnd) {
  alignas(16) std::uint16_t ends[kTabledBytes];
  const auto tabled = static_cast<std::uint32_t>(
      stop - block > kTabledBytes ? kTabledBytes : (stop - block) & ~std::ptrdiff_t{15});
  for (std::uint32_t at = 0; at < tabled; at += 16) tableEnds(block, at, ends);
  std::uint8_t* o = out;
  std::uint32_t at = 0;
  std::uint32_t last = 0;
  while (at < tabled) {
    last = at;
    at = ends[at];
    const std::size_t bytes = block[last] & 0x7Fu;
    writeChainedBlock(o, block + last, bytes);
    o += bytes;
  }
  out = o;
  cannotEnd = at == kMarkerEnd;
  return block + (cannotEnd ? last : at);
}

}  // namespace ravlin::detail

#endif
