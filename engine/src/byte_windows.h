// Unpacking byte units a window at a time, each window's output built in registers.
//
// The block windows list where blocks start; writing the blocks one by one then costs a store and
// a few instructions per block, which on short blocks is most of the unpacking time. Here a window
// whose blocks write at most 128 bytes is written whole, with two 64-byte stores: every output
// byte finds its block by a binary search over the blocks' output offsets (the last block that
// starts at or before it, which passes over empty repeats), then its stream byte, and one permute
// gathers the 64 bytes. Each window's work is a long chain of permutes, so several windows are
// planned and written together, their chains interleaved. Windows that write more keep the
// block-by-block writer.
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
// chain. On short blocks, against 8: 4 took about 40% longer, 6 about 4% longer; 10 and 12, whose
// halves no longer unroll, much longer. The unroll counts below fit 8.
constexpr int kWindowsAtOnce = 8;
// Output bytes a window may write to be written whole.
constexpr std::uint32_t kWholeWindowBytes = 128;

// What writing one window takes: its block starts and stream bytes, and where each block's output
// begins and comes from.
struct WindowPlan {
  __m512i starts;       // lane k: the k-th block start; 64 or more past the last block
  __m512i low;          // the window's 64 stream bytes
  __m512i high;         // and the 64 after them, which its last blocks may reach
  __m512i outputAt;     // lane k: block k's first output offset; past the last block, the bytes
  __m512i delta;        // lane k: block k's stream offset for its data, less its output offset
  __m512i limit;        // lane k: a repeat block's output offset; 255 for a literal block
  std::uint32_t bytes;  // output bytes
  bool whole;           // written whole: at most kWholeWindowBytes
};

// Completes the plans of the windows from `window` on, whose starts are set.
// Always inlined: as a call, its plans went through memory, which measured 5% slower.
RAVLIN_WINDOW_TARGET __attribute__((always_inline)) inline void planWindows(
    WindowPlan (&plan)[kWindowsAtOnce], const std::uint8_t* window) {
  __m512i control[kWindowsAtOnce];
  __m512i units[kWindowsAtOnce];
#pragma GCC unroll 8
  for (int w = 0; w < kWindowsAtOnce; ++w) {
    WindowPlan& p = plan[w];
    p.low = _mm512_loadu_si512(window + kWindowBytes * w);
    p.high = _mm512_loadu_si512(window + kWindowBytes * (w + 1));
    // Starts past the window (64 or more) read 0 from the second table: past the last block the
    // lanes hold empty blocks. Lanes 32 to 63 are never used.
    control[w] = _mm512_permutex2var_epi8(p.low, p.starts, _mm512_setzero_si512());
    units[w] = _mm512_and_si512(control[w], _mm512_set1_epi8(0x7F));
  }
  // Output offsets by a prefix sum, without a permute: within each 8 lanes by a multiply that adds
  // up the lanes below each one, whose carries cross lanes only past 255, so only in windows too
  // long to be written whole; between them by exact sums of 8 lanes, which also give the window's
  // output bytes.
  const __m512i laneBytes = _mm512_set1_epi64(0x0101010101010101ll);
  const __m512i lanesBelow = _mm512_set1_epi64(0x0101010101010100ll);
#pragma GCC unroll 8
  for (int w = 0; w < kWindowsAtOnce; ++w) {
    WindowPlan& p = plan[w];
    const __m512i zero = _mm512_setzero_si512();
    const __m512i sums = _mm512_sad_epu8(units[w], zero);
    __m512i upTo = _mm512_add_epi64(sums, _mm512_alignr_epi64(sums, zero, 7));
    upTo = _mm512_add_epi64(upTo, _mm512_alignr_epi64(upTo, zero, 6));
    const __m512i before = _mm512_sub_epi64(upTo, sums);
    p.outputAt = _mm512_add_epi8(_mm512_mullo_epi64(units[w], lanesBelow),
                                 _mm512_mullo_epi64(before, laneBytes));
    // Lanes 0 to 31 are the sums' first four.
    p.bytes = static_cast<std::uint32_t>(_mm_extract_epi64(_mm512_extracti64x2_epi64(upTo, 1), 1));
    p.whole = p.bytes <= kWholeWindowBytes;
    p.delta = _mm512_sub_epi8(_mm512_add_epi8(p.starts, _mm512_set1_epi8(1)), p.outputAt);
    p.limit =
        _mm512_mask_mov_epi8(_mm512_set1_epi8(-1), _mm512_movepi8_mask(control[w]), p.outputAt);
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

// Writes the first `count` planned windows from `window` on, in order, to `out`. Returns how many
// were written whole.
RAVLIN_WINDOW_TARGET __attribute__((always_inline)) inline int writeWindows(
    const WindowPlan (&plan)[kWindowsAtOnce], int count, const std::uint8_t* window,
    std::uint8_t*& out) {
  constexpr int kHalves = 2 * kWindowsAtOnce;
  // The block of each output byte: the last block whose output offset is at most the byte's.
  __m512i block[kHalves];
  __m512i at[kHalves];
#pragma GCC unroll 16
  for (int h = 0; h < kHalves; ++h) {
    block[h] = _mm512_setzero_si512();
    at[h] = laneNumbers(static_cast<char>(64 * (h % 2)));
  }
#pragma GCC unroll 8
  for (int step = 16; step >= 1; step /= 2) {
#pragma GCC unroll 16
    for (int h = 0; h < kHalves; ++h) {
      const __m512i further = _mm512_add_epi8(block[h], _mm512_set1_epi8(static_cast<char>(step)));
      const __m512i offset = _mm512_permutexvar_epi8(further, plan[h / 2].outputAt);
      block[h] = _mm512_mask_mov_epi8(block[h], _mm512_cmple_epu8_mask(offset, at[h]), further);
    }
  }
  // A literal's byte comes from its own place in the stream, a repeat's from its one unit.
  __m512i bytes[kHalves];
#pragma GCC unroll 16
  for (int h = 0; h < kHalves; ++h) {
    const WindowPlan& p = plan[h / 2];
    const __m512i source =
        _mm512_add_epi8(_mm512_permutexvar_epi8(block[h], p.delta),
                        _mm512_min_epu8(at[h], _mm512_permutexvar_epi8(block[h], p.limit)));
    bytes[h] = _mm512_permutex2var_epi8(p.low, source, p.high);
  }
  int whole = 0;
  for (int w = 0; w < count; ++w) {
    const WindowPlan& p = plan[w];
    if (p.whole) {
      _mm512_storeu_si512(out, bytes[2 * w]);
      _mm512_storeu_si512(out + 64, bytes[2 * w + 1]);
      out += p.bytes;
      ++whole;
    } else {
      writeBlocks(window + kWindowBytes * w, p, blocksIn(p.starts), out);
    }
  }
  return whole;
}

// Decodes byte-unit blocks from `block` as decodeWindows<1> does, with the same guarantees from
// the caller, writing windows whole where they allow it. A window written whole writes up to
// kWholeWindowBytes past its output start, within the room of its first block; planning a group
// reads up to 64 bytes past `stop`, within the reach of a block before it.
RAVLIN_WINDOW_TARGET inline const std::uint8_t* decodeByteWindows(const std::uint8_t* block,
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
    int known = 0;
    for (; known < kWindowsAtOnce; ++known) {
      __m512i exit;
      plan[known].starts = windowStarts<1>(window + kWindowBytes * known, next, exit);
      if (lowestByte(exit) == kUnknown) break;
      next = _mm512_sub_epi8(exit, _mm512_set1_epi8(64));
    }
    for (int w = known + 1; w < kWindowsAtOnce; ++w) plan[w].starts = _mm512_set1_epi8(64);
    planWindows(plan, window);
    const int whole = writeWindows(plan, known, window, o);
    if (known < kWindowsAtOnce) {
      // The last block of this window is one that the windows cannot end: the caller takes it.
      const WindowPlan& last = plan[known];
      block = writeBlocks(window + kWindowBytes * known, last, blocksIn(last.starts) - 1, o);
      out = o;
      cannotEnd = true;
      return block;
    }
    window += kGroupBytes;
    entry = next;
    // Data of long blocks: list the next stretch rather than plan windows that it will not use.
    if (whole == 0) break;
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
