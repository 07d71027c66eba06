// Unpacking byte units a window at a time, each window's output built in registers.
//
// The block windows list where blocks start; writing the blocks one by one then costs a store and
// a few instructions per block, which on short blocks is most of the unpacking time. Here a window
// whose blocks write at most 255 bytes, so that its output offsets fit in a byte, is written whole
// in 64-byte chunks: every output byte finds its block by a binary search over the blocks' output
// offsets (the last block that starts at or before it, which passes over empty repeats), then its
// stream byte, and one permute gathers the 64 bytes. Each window's work is a long chain of
// permutes, so several windows are planned and their first two chunks written together, their
// chains interleaved; the chunks past 128 bytes, which fewer windows have, are written alone.
// Windows that write more keep the block-by-block writer.
#pragma once

#include "block_windows.h"

#if defined(RAVLIN_BLOCK_WINDOWS)

// GCC 12 warns, once these inline, about the value that its own wide-register intrinsics leave
// unset.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

namespace ravlin::detail {

// Windows planned and written together: fewer leave the processor waiting on each window's
// chain, more no longer unroll in halves (bench/RESULTS.md has the timings). The unroll counts
// below fit 8.
constexpr int kWindowsAtOnce = 8;
// Output bytes a window may write to be written whole: its output offsets fit in a byte. The
// first 128 are gathered with the other windows of its group, the rest alone.
constexpr std::uint32_t kWholeWindowBytes = 255;
constexpr std::uint32_t kFirstChunksBytes = 128;
static_assert(kWholeWindowBytes <= 255, "output offsets are byte lanes");
static_assert(kWholeWindowBytes <= kFirstChunksBytes + 2 * 64, "two more chunks write the rest");
// The first chunks are stored from the window's output start, within its first block's room; the
// last block starts at most 127 bytes before the window's end, and its chunk ends within its room.
static_assert(kFirstChunksBytes <= kBlockRoom<1>);
static_assert(kWindowsAtOnce % 2 == 0, "windows are planned in pairs");

// What writing one window takes besides its pair's plan.
struct WindowPlan {
  __m512i starts;       // lane k: the k-th block start; 64 or more past the last block
  std::uint32_t bytes;  // output bytes
  bool whole;           // written whole: at most kWholeWindowBytes
};

// The plan of two neighbouring windows, the first in lanes 0 to 31, the second in lanes 32 to 63.
// A window's blocks take at most 32 lanes, so planning a pair costs what planning one did.
struct PairPlan {
  __m512i outputAt;  // lane k: block k's first output offset; past the last block, the bytes
  __m512i delta;     // lane k: block k's stream offset for its data, less its output offset
  __m512i limit;     // lane k: a repeat block's output offset; 255 for a literal block
};

constexpr int kPairsAtOnce = kWindowsAtOnce / 2;

// Completes the plans of the windows from `window` on, whose starts are set, and plans their
// pairs. Always inlined: as a call, its plans go through memory.
RAVLIN_WINDOW_TARGET __attribute__((always_inline)) inline void planWindows(
    WindowPlan (&plan)[kWindowsAtOnce], PairPlan (&pairs)[kPairsAtOnce],
    const std::uint8_t* window) {
  constexpr __mmask64 kSecond = ~__mmask64{0} << 32;
  const __m512i zero = _mm512_setzero_si512();
  // The second window's stream bytes are the second table of the permute that gathers controls.
  const __m512i secondTable = _mm512_maskz_mov_epi8(kSecond, _mm512_set1_epi8(64));
  const __m512i laneBytes = _mm512_set1_epi64(0x0101010101010101ll);
  const __m512i lanesBelow = _mm512_set1_epi64(0x0101010101010100ll);
#pragma GCC unroll 4
  for (int pr = 0; pr < kPairsAtOnce; ++pr) {
    PairPlan& p = pairs[pr];
    WindowPlan& first = plan[2 * pr];
    WindowPlan& second = plan[2 * pr + 1];
    const std::uint8_t* const at = window + 2 * kWindowBytes * pr;
    const __m512i starts = _mm512_mask_mov_epi8(first.starts, kSecond, second.starts);
    // Starts past their window read 0: past the last block the lanes hold empty blocks.
    const __m512i control = _mm512_maskz_permutex2var_epi8(
        _mm512_cmplt_epu8_mask(starts, _mm512_set1_epi8(64)), _mm512_loadu_si512(at),
        _mm512_add_epi8(starts, secondTable), _mm512_loadu_si512(at + kWindowBytes));
    const __m512i units = _mm512_and_si512(control, _mm512_set1_epi8(0x7F));
    // Output offsets by a prefix sum, without a permute: within each 8 lanes by a multiply that
    // adds up the lanes below each one, whose carries cross lanes only past 255, so only in
    // windows too long to be written whole; between them by exact sums of 8 lanes, within each
    // window, which also give the windows' output bytes.
    const __m512i sums = _mm512_sad_epu8(units, zero);
    __m512i upTo = _mm512_add_epi64(sums, _mm512_maskz_alignr_epi64(0xEE, sums, zero, 7));
    upTo = _mm512_add_epi64(upTo, _mm512_maskz_alignr_epi64(0xCC, upTo, zero, 6));
    const __m512i before = _mm512_sub_epi64(upTo, sums);
    p.outputAt = _mm512_add_epi8(_mm512_mullo_epi64(units, lanesBelow),
                                 _mm512_mullo_epi64(before, laneBytes));
    first.bytes =
        static_cast<std::uint32_t>(_mm_extract_epi64(_mm512_extracti64x2_epi64(upTo, 1), 1));
    second.bytes =
        static_cast<std::uint32_t>(_mm_extract_epi64(_mm512_extracti64x2_epi64(upTo, 3), 1));
    first.whole = first.bytes <= kWholeWindowBytes;
    second.whole = second.bytes <= kWholeWindowBytes;
    p.delta = _mm512_sub_epi8(_mm512_add_epi8(starts, _mm512_set1_epi8(1)), p.outputAt);
    p.limit = _mm512_mask_mov_epi8(_mm512_set1_epi8(-1), _mm512_movepi8_mask(control), p.outputAt);
  }
}

// Writes the first `blocks` blocks of the window at `window` one by one; returns the start of the
// block after them.
RAVLIN_WINDOW_TARGET inline const std::uint8_t* writeBlocks(const std::uint8_t* window,
                                                            const WindowPlan& plan,
                                                            std::uint32_t blocks,
                                                            std::uint8_t*& out) {
  alignas(64) std::uint8_t starts[64];
  _mm512_store_si512(starts, plan.starts);
  for (std::uint32_t k = 0; k < blocks; ++k) {
    const std::uint8_t* const at = window + starts[k];
    const std::uint64_t bytes = at[0] & 0x7F;
    writeBlock<1>(out, at, bytes);
    out += bytes;
  }
  return window + starts[blocks];
}

// 64 output bytes of a planned window: those from `firstByte` on.
struct Chunk {
  const PairPlan* pair;
  int firstBlock;              // the window's first lane in its pair: 0 or 32
  int firstByte;               // 0, 64, 128 or 192
  const std::uint8_t* window;  // its stream bytes
};

// Gathers the bytes of `N` chunks, their chains interleaved.
template <int N>
RAVLIN_WINDOW_TARGET __attribute__((always_inline)) inline void gatherChunks(
    const Chunk (&chunks)[N], __m512i (&bytes)[N]) {
  // The block of each output byte: the last block whose output offset is at most the byte's.
  __m512i block[N];
  __m512i at[N];
#pragma GCC unroll 16
  for (int c = 0; c < N; ++c) {
    block[c] = _mm512_set1_epi8(static_cast<char>(chunks[c].firstBlock));
    at[c] = laneNumbers(static_cast<char>(chunks[c].firstByte));
  }
#pragma GCC unroll 8
  for (int step = 16; step >= 1; step /= 2) {
#pragma GCC unroll 16
    for (int c = 0; c < N; ++c) {
      const __m512i further = _mm512_add_epi8(block[c], _mm512_set1_epi8(static_cast<char>(step)));
      const __m512i offset = _mm512_permutexvar_epi8(further, chunks[c].pair->outputAt);
      block[c] = _mm512_mask_mov_epi8(block[c], _mm512_cmple_epu8_mask(offset, at[c]), further);
    }
  }
  // A literal's byte comes from its own place in the stream, a repeat's from its one unit.
#pragma GCC unroll 16
  for (int c = 0; c < N; ++c) {
    const PairPlan& p = *chunks[c].pair;
    const __m512i source =
        _mm512_add_epi8(_mm512_permutexvar_epi8(block[c], p.delta),
                        _mm512_min_epu8(at[c], _mm512_permutexvar_epi8(block[c], p.limit)));
    bytes[c] = _mm512_permutex2var_epi8(_mm512_loadu_si512(chunks[c].window), source,
                                        _mm512_loadu_si512(chunks[c].window + kWindowBytes));
  }
}

// Writes a window's output past its first 128 bytes, when it has at most kWholeWindowBytes, as
// more chunks. The last chunk is stored only if the window reaches it, so the stores stay within
// the room of the window's last block, which starts at most 127 bytes before the window's end.
RAVLIN_WINDOW_TARGET inline void writeUpperChunks(const PairPlan& pair, int firstBlock,
                                                  const std::uint8_t* window, std::uint32_t bytes,
                                                  std::uint8_t* out) {
  const Chunk chunks[2] = {{&pair, firstBlock, 128, window}, {&pair, firstBlock, 192, window}};
  __m512i upper[2];
  gatherChunks(chunks, upper);
  _mm512_storeu_si512(out + 128, upper[0]);
  if (bytes > 192) _mm512_storeu_si512(out + 192, upper[1]);
}

// Writes the planned windows from `window` on, in order, to `out`. Returns how many were written
// whole.
RAVLIN_WINDOW_TARGET __attribute__((always_inline)) inline int writeWindows(
    const WindowPlan (&plan)[kWindowsAtOnce], const PairPlan (&pairs)[kPairsAtOnce],
    const std::uint8_t* window, std::uint8_t*& out) {
  constexpr int kHalves = 2 * kWindowsAtOnce;
  // The second window of a pair has its blocks in lanes 32 on.
  Chunk chunks[kHalves];
#pragma GCC unroll 16
  for (int h = 0; h < kHalves; ++h) {
    const int w = h / 2;
    chunks[h] = {&pairs[w / 2], 32 * (w % 2), 64 * (h % 2), window + kWindowBytes * w};
  }
  __m512i bytes[kHalves];
  gatherChunks(chunks, bytes);
  // Mostly every window of a group of short blocks fits its first two chunks: such a group is
  // stored with no test per window.
  bool firstChunksOnly = true;
#pragma GCC unroll 8
  for (int w = 0; w < kWindowsAtOnce; ++w) firstChunksOnly &= plan[w].bytes <= kFirstChunksBytes;
  if (firstChunksOnly) {
#pragma GCC unroll 8
    for (int w = 0; w < kWindowsAtOnce; ++w) {
      _mm512_storeu_si512(out, bytes[2 * w]);
      _mm512_storeu_si512(out + 64, bytes[2 * w + 1]);
      out += plan[w].bytes;
    }
    return kWindowsAtOnce;
  }
  int whole = 0;
  for (int w = 0; w < kWindowsAtOnce; ++w) {
    const WindowPlan& p = plan[w];
    const std::uint8_t* const stream = window + kWindowBytes * w;
    if (p.whole) {
      _mm512_storeu_si512(out, bytes[2 * w]);
      _mm512_storeu_si512(out + 64, bytes[2 * w + 1]);
      if (p.bytes > kFirstChunksBytes) [[unlikely]] {
        writeUpperChunks(pairs[w / 2], 32 * (w % 2), stream, p.bytes, out);
      }
      out += p.bytes;
      ++whole;
    } else {
      writeBlocks(stream, p, blocksIn(p.starts), out);
    }
  }
  return whole;
}

// Decodes byte-unit blocks from `block` as decodeWindows<1> does, with the same guarantees from
// the caller, writing windows whole where they allow it. A window written whole writes up to 128
// bytes past its output start, within the room of its first block, and past that only within the
// room of its last; planning a group reads up to 64 bytes past `stop`, within the reach of a block
// before it.
// Planning reads the second table 64 bytes past the group's last window, within the reach of a
// block before `stop`.
static_assert(kBlockReach<1> >= kWindowBytes + 1);

RAVLIN_WINDOW_TARGET inline const std::uint8_t* decodeByteUnitWindows(const std::uint8_t* block,
                                                                      const std::uint8_t* stop,
                                                                      std::uint8_t*& out,
                                                                      bool& cannotEnd) {
  constexpr std::ptrdiff_t kGroupBytes = kWindowBytes * kWindowsAtOnce;
  const std::uint8_t* window = block;
  __m512i entry = _mm512_setzero_si512();
  std::uint8_t* o = out;
  while (stop - window >= kGroupBytes) {
    WindowPlan plan[kWindowsAtOnce];
    __m512i next = entry;
    // Every window of the group is listed, with no test between them, and `known` is the first
    // that cannot end its last block. Leaving the loop there instead would put a test between
    // the windows, which keeps the processor from overlapping their jump tables.
    int known = kWindowsAtOnce;
#pragma GCC unroll 8
    for (int w = 0; w < kWindowsAtOnce; ++w) {
      plan[w].starts = windowStarts<1>(window + kWindowBytes * w, next, next);
      if (known == kWindowsAtOnce && lowestByte(next) == kNoEntry) known = w;
    }
    if (known < kWindowsAtOnce) {
      // The windows before the one that cannot end are written block by block, which costs less
      // than planning all eight for a few of them. The last block of that window is the caller's.
      for (int w = 0; w < known; ++w) {
        writeBlocks(window + kWindowBytes * w, plan[w], blocksIn(plan[w].starts), o);
      }
      const WindowPlan& last = plan[known];
      block = writeBlocks(window + kWindowBytes * known, last, blocksIn(last.starts) - 1, o);
      out = o;
      cannotEnd = true;
      return block;
    }
    PairPlan pairs[kPairsAtOnce];
    planWindows(plan, pairs, window);
    const int whole = writeWindows(plan, pairs, window, o);
    window += kGroupBytes;
    entry = next;
    // Data of long blocks: list the next stretch rather than plan windows that it will not use.
    // Half the group, not none of it, is the line: sprite sheets, whose windows mostly write a
    // little more or a little less than 255 bytes, would otherwise plan many windows for few.
    if (whole < kWindowsAtOnce / 2) break;
  }
  // The listing writer takes the next stretch: the windows before a stop too near for a group,
  // or data of long blocks.
  out = o;
  return decodeWindows<1>(window + lowestByte(entry), stop, out, cannotEnd);
}

}  // namespace ravlin::detail

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

#endif
